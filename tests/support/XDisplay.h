#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// A private X display (Xvfb) for tests that look at real windows: which windows a program
// shows, and whether a tray icon docked into a notification area. The display number is
// one the X server picks as free; the server ends with the object.
class XDisplay
{
public:
    XDisplay();
    ~XDisplay();
    XDisplay(const XDisplay&) = delete;
    XDisplay& operator=(const XDisplay&) = delete;

    bool isRunning() const { return !m_name.isEmpty(); }
    QString name() const { return m_name; } // ":N"

    // DISPLAY and the X platform for a program started with this environment.
    void addTo(QProcessEnvironment& env) const;

    // The window tree (xwininfo -root -tree): one line per window, a child indented deeper
    // than its parent; top-level windows are indented by five blanks.
    QString windowTree() const;
    // The lines of the tree that hold `text`.
    QStringList windowsWith(const QString& text) const;

private:
    QProcess m_server;
    QString m_name;
};
