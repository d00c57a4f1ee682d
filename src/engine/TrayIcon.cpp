#include "engine/TrayIcon.h"

#include "platform/MessageBox.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

#include <memory>

namespace tray {
namespace {

// How often to look for a notification area that was not there at start-up, and after
// how many looks without one the log says how to do without it.
constexpr int WatchIntervalMs = 2000;
constexpr int LooksBeforeTheHint = 3;

struct TrayState
{
    std::function<void(Click)> clicked;
    Menu menu;
    QIcon icon;
    QString tooltip;
    bool shown = false;
    int looks = 0;
    std::unique_ptr<QMenu> contextMenu;
    std::unique_ptr<QSystemTrayIcon> trayIcon;
    std::unique_ptr<QTimer> watch;
};

TrayState& state()
{
    static TrayState s;
    return s;
}

void buildMenu()
{
    TrayState& s = state();
    s.contextMenu = std::make_unique<QMenu>();
    QObject::connect(s.contextMenu->addAction(QStringLiteral("Einstellungen")), &QAction::triggered, [] {
        if (state().menu.openSettings)
            state().menu.openSettings();
    });
    QObject::connect(s.contextMenu->addAction(QStringLiteral("Beenden")), &QAction::triggered, [] {
        if (state().menu.quit)
            state().menu.quit();
    });
}

void installIcon()
{
    TrayState& s = state();
    s.trayIcon = std::make_unique<QSystemTrayIcon>(s.icon);
    s.trayIcon->setToolTip(s.tooltip);
    s.trayIcon->setContextMenu(s.contextMenu.get());
    QObject::connect(s.trayIcon.get(), &QSystemTrayIcon::activated, [](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            simulateClick(Click::Left);
        else if (reason == QSystemTrayIcon::DoubleClick)
            simulateClick(Click::Double);
        else if (reason == QSystemTrayIcon::Context)
            simulateClick(Click::Right);
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
            TrayState& t = state();
            if (!QSystemTrayIcon::isSystemTrayAvailable()) {
                if (++t.looks == LooksBeforeTheHint)
                    msgbox::log(QStringLiteral("Druckserver"),
                                QStringLiteral("Kein Infobereich für das Symbol gefunden. Die Einstellungen öffnet "
                                               "„druckserver --einstellungen“, beenden lässt sich der Druckserver "
                                               "mit „druckserver --beenden“."));
                return;
            }
            t.watch->stop();
            installIcon();
        });
    }
    s.watch->start();
}

} // namespace

void show(const QIcon& icon, const QString& tooltip, std::function<void(Click)> clicked, Menu menu)
{
    TrayState& s = state();
    s.clicked = std::move(clicked);
    s.menu = std::move(menu);
    s.icon = icon;
    s.tooltip = tooltip;
    s.shown = true;
    s.looks = 0;
    s.trayIcon.reset();
    buildMenu();
    if (QSystemTrayIcon::isSystemTrayAvailable())
        installIcon();
    else
        watchForTray();
}

void setIcon(const QIcon& icon)
{
    TrayState& s = state();
    s.icon = icon;
    if (s.trayIcon)
        s.trayIcon->setIcon(icon);
}

void setTooltip(const QString& tooltip)
{
    TrayState& s = state();
    s.tooltip = tooltip;
    if (s.trayIcon)
        s.trayIcon->setToolTip(tooltip);
}

void remove()
{
    TrayState& s = state();
    s.shown = false;
    if (s.watch)
        s.watch->stop();
    if (s.trayIcon)
        s.trayIcon->hide();
    s.trayIcon.reset();
}

bool isShown()
{
    return state().shown;
}

void simulateClick(Click click)
{
    if (state().clicked)
        state().clicked(click);
}

void triggerMenu(const QString& entry)
{
    if (!state().contextMenu)
        return;
    for (QAction* action : state().contextMenu->actions()) {
        if (action->text() == entry)
            action->trigger();
    }
}

} // namespace tray
