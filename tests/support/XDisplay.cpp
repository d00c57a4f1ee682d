#include "XDisplay.h"

#include <QDeadlineTimer>

XDisplay::XDisplay()
{
    // -displayfd: the server writes the display's number once it accepts connections.
    m_server.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    QByteArray out;
    const QDeadlineTimer deadline(10000);
    while (!out.contains('\n') && !deadline.hasExpired() && m_server.waitForReadyRead(1000))
        out += m_server.readAllStandardOutput();
    bool ok = false;
    const int number = out.trimmed().toInt(&ok);
    if (ok)
        m_name = QStringLiteral(":%1").arg(number);
}

XDisplay::~XDisplay()
{
    m_server.kill();
    m_server.waitForFinished();
}

void XDisplay::addTo(QProcessEnvironment& env) const
{
    env.insert("DISPLAY", m_name);
    env.insert("QT_QPA_PLATFORM", "xcb");
}

QStringList XDisplay::windows() const
{
    QProcess info;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", m_name);
    info.setProcessEnvironment(env);
    info.start("xwininfo", {"-root", "-tree"});
    info.waitForFinished(10000);
    return QString::fromLocal8Bit(info.readAllStandardOutput()).split(u'\n');
}
