#pragma once

#include <QIcon>
#include <QString>

#include <functional>

// The notification-area icon. The server form receives the icon's mouse events as the
// numbers of the window messages it was written for: 513 left button down, 516 right
// button down, 515 left double click. Without a system tray (headless) the calls only
// keep their state, so the server runs the same way. A notification area that appears
// after TRAYINIT (the desktop starts after the server) gets the icon within seconds.
namespace tray {

inline constexpr int LeftButtonDown = 513;
inline constexpr int LeftDoubleClick = 515;
inline constexpr int RightButtonDown = 516;

using MouseCallback = std::function<void(int mouseMessage)>;

// Prepares the icon. `receiver` gets the mouse messages; iconId and callbackMessage are
// kept for the Windows side. A trailing NUL of the tooltip is dropped.
bool TRAYINIT(MouseCallback receiver, int iconId, int callbackMessage, const QIcon& icon, const QString& tooltip);
bool ADDICONTOTRAY();
bool MODIFYTRAYICON(const QIcon& icon);
bool MODIFYTRAYTOOLTIP(const QString& tooltip);
bool DELETETRAYICON();

// State for tests and the headless log.
QString currentTooltip();
bool isShown();
// Delivers a mouse message as the icon would (tests).
void simulateMouse(int mouseMessage);

} // namespace tray
