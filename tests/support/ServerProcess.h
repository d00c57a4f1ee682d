#pragma once

#include "support/PdfTools.h"

#include <QProcessEnvironment>

// The real server executable, started with `env` (TempFolders::serverEnvironment: headless on a test's
// folders), collecting its standard error; killed (SIGKILL, no clean-up) at the latest when the object goes.
class ServerProcess
{
public:
    explicit ServerProcess(const QProcessEnvironment& env)
    {
        m_process.setProcessEnvironment(env);
        m_process.start(executable(), {});
        m_process.waitForStarted();
    }
    static QString executable() { return DRUCKSERVER_BINARY_DIR "/druckserver"; }
    void kill()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    bool running() const { return m_process.state() == QProcess::Running; }
    qint64 pid() const { return m_process.processId(); }
    // Everything written to standard error so far.
    QString errors() { return m_errors += QString::fromLocal8Bit(m_process.readAllStandardError()); }

private:
    ChildProcess m_process;
    QString m_errors;
};
