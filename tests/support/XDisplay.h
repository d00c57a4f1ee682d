#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

// A private X display (Xvfb) for tests that look at real windows, such as whether a tray
// icon docked into a notification area. The X server picks a free display number and
// ends with the object.
class XDisplay
{
public:
    XDisplay();
    ~XDisplay();

    bool isRunning() const { return !m_name.isEmpty(); }
    // DISPLAY and the X platform for a program started with this environment.
    void addTo(QProcessEnvironment& env) const;
    // The window tree (xwininfo -root -tree), one line per window, a child indented deeper
    // than its parent; top-level windows are indented by five blanks.
    QStringList windows() const;

private:
    QProcess m_server;
    QString m_name; // ":N"
};
