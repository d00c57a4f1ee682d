#include "TrayLibrary.h"

#include <QSystemTrayIcon>

#include <memory>

namespace tray {
namespace {

struct TrayState
{
    MouseCallback receiver;
    QIcon icon;
    QString tooltip;
    bool shown = false;
    std::unique_ptr<QSystemTrayIcon> trayIcon;
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

} // namespace

bool TRAYINIT(MouseCallback receiver, int /*iconId*/, int /*callbackMessage*/, const QIcon& icon,
              const QString& tooltip)
{
    TrayState& s = state();
    s.receiver = std::move(receiver);
    s.icon = icon;
    s.tooltip = withoutNul(tooltip);
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    s.trayIcon = std::make_unique<QSystemTrayIcon>(icon);
    s.trayIcon->setToolTip(s.tooltip);
    QObject::connect(s.trayIcon.get(), &QSystemTrayIcon::activated, [](QSystemTrayIcon::ActivationReason reason) {
        if (const int message = messageFor(reason))
            simulateMouse(message);
    });
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
