#include "XDisplay.h"

#include <QDeadlineTimer>

XDisplay::XDisplay()
{
    // -displayfd: the server picks a free display and writes its number once it accepts
    // connections.
    m_server.start(QStringLiteral("Xvfb"),
                   {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                    QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!m_server.waitForStarted(5000))
        return;
    QByteArray out;
    const QDeadlineTimer deadline(10000);
    while (!out.contains('\n') && !deadline.hasExpired() && m_server.state() == QProcess::Running) {
        m_server.waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 1)));
        out += m_server.readAllStandardOutput();
    }
    bool ok = false;
    const int number = out.trimmed().toInt(&ok);
    if (ok)
        m_name = QStringLiteral(":%1").arg(number);
}

XDisplay::~XDisplay()
{
    m_server.terminate();
    if (!m_server.waitForFinished(5000)) {
        m_server.kill();
        m_server.waitForFinished();
    }
}

void XDisplay::addTo(QProcessEnvironment& env) const
{
    env.insert(QStringLiteral("DISPLAY"), m_name);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
}

QString XDisplay::windowTree() const
{
    QProcess info;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_name);
    info.setProcessEnvironment(env);
    info.start(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
    info.waitForFinished(10000);
    return QString::fromLocal8Bit(info.readAllStandardOutput());
}

QStringList XDisplay::windowsWith(const QString& text) const
{
    return windowTree().split(u'\n').filter(text);
}
