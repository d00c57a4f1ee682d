#pragma once

#include "support/PdfTools.h"

#include <QProcessEnvironment>
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
        (void)QTest::qWaitFor([&] { return m_server.canReadLine() || m_server.state() == QProcess::NotRunning; },
                              10000);
        m_name = ":" + QString::fromLatin1(m_server.readLine().trimmed());
    }
    bool isRunning() const { return m_name.size() > 1; }
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
        return pdftools::run("xwininfo", {"-display", m_name, "-root", "-tree"}, 10000).out.split(u'\n');
    }

private:
    ChildProcess m_server;
    QString m_name; // ":N", ":" before the server answered
};
