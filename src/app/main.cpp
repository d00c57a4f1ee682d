#include "ApplicationIcon.h"
#include "FreedMemory.h"
#include "PrintServer.h"
#include "frmVerwaltung.h"

#include <QApplication>

#include <csignal>

namespace {

extern "C" void endAtOnce(int)
{
    PrintServer::endAtOnce();
}

} // namespace

int main(int argc, char** argv)
{
    freedmemory::keepLargeBlocksForReuse();
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Druckserver"));
    app.setDesktopFileName(QStringLiteral("druckserver"));
    app.setWindowIcon(applicationIcon());
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
