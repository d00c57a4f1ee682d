#include "FreedMemory.h"
#include "PrintServer.h"
#include "QueueSetup.h"
#include "frmVerwaltung.h"

#include <QApplication>

#include <csignal>
#include <cstring>

namespace {

extern "C" void endAtOnce(int)
{
    PrintServer::endAtOnce();
}

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
    app.setQuitOnLastWindowClosed(false);

    // A request to end the session ends the server at once.
    std::signal(SIGTERM, endAtOnce);
    std::signal(SIGHUP, endAtOnce);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, [] { PrintServer::endAtOnce(); });

    PrintServer server;
    server.setSettingsWindowOpener([&server] { frmVerwaltung::showWindow([&server] { server.readSettings(); }); });
    if (!server.start())
        return 0;
    return app.exec();
}
