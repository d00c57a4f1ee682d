#pragma once

#include <QIcon>
#include <QString>

#include <functional>

// The icon in the desktop's notification area: a left click, a double click and a right
// click reach the server as Click values; the right click also opens the icon's menu,
// "Einstellungen" and "Beenden". Without a notification area (headless, or a desktop that
// shows none) the calls keep their state, so the server runs the same way; an area that
// appears later (the desktop starts after the server) gets the icon within seconds, and
// when none has appeared a few seconds after start, the log says once how to reach the
// settings without it.
namespace tray {

enum class Click
{
    Left,
    Double,
    Right,
};

struct Menu
{
    std::function<void()> openSettings; // "Einstellungen"
    std::function<void()> quit;         // "Beenden"
};

// Shows the icon with its tooltip; clicks go to `clicked`, the menu's entries to `menu`.
void show(const QIcon& icon, const QString& tooltip, std::function<void(Click)> clicked, Menu menu);
void setIcon(const QIcon& icon);
void setTooltip(const QString& tooltip);
// Removes the icon.
void remove();

bool isShown();
// Delivers a click as the icon would (tests), and triggers a menu entry by its text.
void simulateClick(Click click);
void triggerMenu(const QString& entry);

} // namespace tray
