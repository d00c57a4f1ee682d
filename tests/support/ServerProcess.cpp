#include "ServerProcess.h"

#include <QTest>

ServerProcess::ServerProcess(const QProcessEnvironment& env)
{
    m_process.setProcessEnvironment(env);
    m_process.start(executable(), {});
    m_process.waitForStarted();
}

QString ServerProcess::executable()
{
    return QStringLiteral(DRUCKSERVER_BINARY_DIR "/druckserver");
}

void ServerProcess::kill()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

QString ServerProcess::errors()
{
    m_errors += QString::fromLocal8Bit(m_process.readAllStandardError());
    return m_errors;
}

bool ServerProcess::waitForError(const QString& text, int timeoutMs)
{
    return QTest::qWaitFor([&] { return errors().contains(text); }, timeoutMs);
}
