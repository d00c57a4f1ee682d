#include "admin/SettingsWindow.h"
#include "platform/ApplicationIcon.h"
#include "platform/Folders.h"
#include "platform/FreedMemory.h"
#include "platform/MessageBox.h"
#include "server/ControlChannel.h"
#include "server/PrintServer.h"
#include "server/QueueSetup.h"

#include <QApplication>

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

extern "C" void endAtOnce(int)
{
    PrintServer::endAtOnce();
}

const char* const Usage =
    "Aufruf: druckserver [--einstellungen | --beenden | --drucker-einrichten]\n"
    "  --einstellungen       öffnet die Einstellungen des laufenden Druckservers (startet ihn, wenn nötig)\n"
    "  --beenden             beendet den laufenden Druckserver\n"
    "  --drucker-einrichten  richtet die Druckerwarteschlange „druckserver“ für diesen Benutzer ein\n";

} // namespace

int main(int argc, char** argv)
{
    freedmemory::keepLargeBlocksForReuse();
    // Setting up the printer queue needs no display, and no server.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--drucker-einrichten") == 0) {
            QCoreApplication setUp(argc, argv);
            return setUpPrinterQueue();
        }
    }
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Druckserver"));
    app.setDesktopFileName(QStringLiteral("druckserver"));
    app.setWindowIcon(applicationIcon());
    app.setQuitOnLastWindowClosed(false);
    msgbox::showInWindows();

    // A later start reaches the running server through its control channel.
    const QStringList options = app.arguments().mid(1);
    const QString appData = folders::appDataFolder();
    if (options == QStringList{QStringLiteral("--beenden")}) {
        if (!ControlChannel::send(ControlChannel::Request::Quit, appData))
            msgbox::log(QStringLiteral("Hinweis"), QStringLiteral("Der Druckserver läuft nicht."));
        return 0;
    }
    const bool openSettings = options == QStringList{QStringLiteral("--einstellungen")};
    if (!options.isEmpty() && !openSettings) {
        std::fputs(Usage, stderr);
        return 1;
    }
    if (openSettings && ControlChannel::send(ControlChannel::Request::OpenSettings, appData))
        return 0;

    // A request to end the session ends the server at once.
    std::signal(SIGTERM, endAtOnce);
    std::signal(SIGHUP, endAtOnce);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, [] { PrintServer::endAtOnce(); });

    PrintServer server;
    server.setSettingsWindowOpener([&server] { SettingsWindow::showWindow([&server] { server.readSettings(); }); });
    if (!server.start())
        return 0;
    if (openSettings)
        server.openSettingsWindow();
    return app.exec();
}
