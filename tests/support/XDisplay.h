#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTest>

// A private X display (Xvfb) on a free display number, for tests that look at real windows
// (whether a tray icon docked into a notification area); it ends with the object.
class XDisplay
{
public:
    XDisplay()
    {
        // -displayfd: the server writes the display's number once it accepts connections.
        m_server.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
        if (QTest::qWaitFor([&] { return m_server.canReadLine() || m_server.state() == QProcess::NotRunning; },
                            10000) &&
            m_server.canReadLine())
            m_name = ":" + QString::fromLatin1(m_server.readLine().trimmed());
    }
    ~XDisplay()
    {
        m_server.kill();
        m_server.waitForFinished();
    }

    bool isRunning() const { return !m_name.isEmpty(); }
    // DISPLAY and the X platform for a program started with this environment.
    void addTo(QProcessEnvironment& env) const
    {
        env.insert("DISPLAY", m_name);
        env.insert("QT_QPA_PLATFORM", "xcb");
    }
    // The window tree (xwininfo -root -tree), one line per window, a child indented deeper
    // than its parent; top-level windows are indented by five blanks.
    QStringList windows() const
    {
        QProcess info;
        info.start("xwininfo", {"-display", m_name, "-root", "-tree"});
        info.waitForFinished(10000);
        return QString::fromLocal8Bit(info.readAllStandardOutput()).split(u'\n');
    }

private:
    QProcess m_server;
    QString m_name; // ":N"
};
