#include "TrayLibrary.h"

#include <QSystemTrayIcon>
#include <QTimer>

#include <memory>

namespace tray {
namespace {

// How often to look for a notification area that was not there at start-up.
constexpr int WatchIntervalMs = 2000;

struct TrayState
{
    MouseCallback receiver;
    QIcon icon;
    QString tooltip;
    bool shown = false;
    std::unique_ptr<QSystemTrayIcon> trayIcon;
    std::unique_ptr<QTimer> watch;
};

TrayState& state()
{
    static TrayState s;
    return s;
}

QString withoutNul(QString text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

int messageFor(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return LeftButtonDown;
    case QSystemTrayIcon::DoubleClick:
        return LeftDoubleClick;
    case QSystemTrayIcon::Context:
        return RightButtonDown;
    default:
        return 0;
    }
}

void installIcon()
{
    TrayState& s = state();
    s.trayIcon = std::make_unique<QSystemTrayIcon>(s.icon);
    s.trayIcon->setToolTip(s.tooltip);
    QObject::connect(s.trayIcon.get(), &QSystemTrayIcon::activated, [](QSystemTrayIcon::ActivationReason reason) {
        if (const int message = messageFor(reason))
            simulateMouse(message);
    });
    if (s.shown)
        s.trayIcon->show();
}

// Started at login, the server may come up before the desktop's notification area. The
// platform only docks an icon into an area that is there when the icon is shown, so the
// icon is made once the area appears.
void watchForTray()
{
    TrayState& s = state();
    if (!s.watch) {
        s.watch = std::make_unique<QTimer>();
        s.watch->setInterval(WatchIntervalMs);
        QObject::connect(s.watch.get(), &QTimer::timeout, [] {
            if (!QSystemTrayIcon::isSystemTrayAvailable())
                return;
            state().watch->stop();
            installIcon();
        });
    }
    s.watch->start();
}

} // namespace

bool TRAYINIT(MouseCallback receiver, int /*iconId*/, int /*callbackMessage*/, const QIcon& icon,
              const QString& tooltip)
{
    TrayState& s = state();
    s.receiver = std::move(receiver);
    s.icon = icon;
    s.tooltip = withoutNul(tooltip);
    s.trayIcon.reset();
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        watchForTray();
        return false;
    }
    installIcon();
    return true;
}

bool ADDICONTOTRAY()
{
    TrayState& s = state();
    s.shown = true;
    if (s.trayIcon)
        s.trayIcon->show();
    return s.trayIcon != nullptr;
}

bool MODIFYTRAYICON(const QIcon& icon)
{
    TrayState& s = state();
    s.icon = icon;
    if (s.trayIcon)
        s.trayIcon->setIcon(icon);
    return s.trayIcon != nullptr;
}

bool MODIFYTRAYTOOLTIP(const QString& tooltip)
{
    TrayState& s = state();
    s.tooltip = withoutNul(tooltip);
    if (s.trayIcon)
        s.trayIcon->setToolTip(s.tooltip);
    return s.trayIcon != nullptr;
}

bool DELETETRAYICON()
{
    TrayState& s = state();
    s.shown = false;
    if (s.watch)
        s.watch->stop();
    if (!s.trayIcon)
        return false;
    s.trayIcon->hide();
    s.trayIcon.reset();
    return true;
}

QString currentTooltip()
{
    return state().tooltip;
}

bool isShown()
{
    return state().shown;
}

void simulateMouse(int mouseMessage)
{
    if (state().receiver)
        state().receiver(mouseMessage);
}

} // namespace tray
