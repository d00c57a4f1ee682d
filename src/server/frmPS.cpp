#include "frmPS.h"

#include "Folders.h"
#include "MessageBox.h"
#include "PrintFile.h"
#include "ReadingRules.h"
#include "ServerSettings.h"
#include "SingleInstance.h"
#include "TrayIcons.h"
#include "TrayLibrary.h"

#include <cstdlib>

frmPS::frmPS(QObject* parent) : QObject(parent)
{
    Picture2 = trayIcons::idle();
    Picture3 = trayIcons::reading();
    connect(&tmrGetFile, &QTimer::timeout, this, &frmPS::tmrGetFile_Timer);
    m_printDialogOpen = [this] { return isPrintDialogOpen(); };
}

frmPS::~frmPS() = default;

bool frmPS::Form_Load()
{
    m_instance = std::make_unique<SingleInstance>(folders::appDataFolder());
    if (!m_instance->isFirst()) {
        msgbox::show(QStringLiteral("Wird bereits ausgeführt !"), QStringLiteral("Hinweis"), msgbox::Icon::Exclamation);
        return false;
    }

    // From here on a failing step is ignored and the next one runs.
    tray::TRAYINIT([this](int message) { Form_MouseMove(0, 0, message, 0); }, 100, 512, Picture2,
                   QStringLiteral("Bereit") + QChar(u'\0'));
    tray::ADDICONTOTRAY();
    PrintFilePath = folders::join(folders::appDataFolder(), QStringLiteral("d.dat"));
    InitPS();
    JobCounter = 1;
    recoverSpool();
    setPollingEnabled(true);
    return true;
}

void frmPS::Form_MouseMove(int /*button*/, int /*shift*/, int x, int /*y*/)
{
    // The tray delivers the mouse message number in place of the x coordinate.
    if (x != tray::LeftButtonDown)
        return;
    if (m_printDialogOpen && m_printDialogOpen())
        return;
    if (m_openSettingsWindow)
        m_openSettingsWindow();
}

void frmPS::Form_QueryUnload()
{
    // At logoff or shutdown nothing may hold the session up: no further events, and the
    // tray icon is left to the system.
    std::_Exit(0);
}

void frmPS::InitPS()
{
    AppDataFolder() = folders::appDataFolder();
    PrintFilePath = folders::join(AppDataFolder(), QStringLiteral("d.dat"));
    m_spool.setFolder(PrintSpool::folderFor(AppDataFolder()));
    const QString settings = DefaultSettingsFile();
    LinesPerPage = readServerNumber(settings, keys::LinesPerPage);
    LinesPerPageQ = readServerNumber(settings, keys::LinesPerPageQ);
    AutoLandscape = readServerNumber(settings, keys::AutoLandscape);
    setQuietTime(readServerNumber(settings, keys::QuietTime));
    tmrGetFile.setInterval(readServerNumber(settings, keys::Polling));
    applyTimer();
}

void frmPS::setPollingEnabled(bool enabled)
{
    m_pollingEnabled = enabled;
    applyTimer();
}

void frmPS::applyTimer()
{
    if (m_pollingEnabled && tmrGetFile.interval() > 0)
        tmrGetFile.start();
    else
        tmrGetFile.stop();
}

void frmPS::showTrayIdle()
{
    tray::MODIFYTRAYICON(Picture2);
    tray::MODIFYTRAYTOOLTIP(QStringLiteral("Bereit") + QChar(u'\0'));
}

void frmPS::showTrayReading()
{
    tray::MODIFYTRAYICON(Picture3);
    tray::MODIFYTRAYTOOLTIP(QStringLiteral("Druckt !") + QChar(u'\0'));
}
