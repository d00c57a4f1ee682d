#include "ApplicationIcon.h"
#include "FreedMemory.h"
#include "frmPS.h"
#include "frmVerwaltung.h"

#include <QApplication>

#include <csignal>
#include <cstdlib>

namespace {

frmPS* server = nullptr;

extern "C" void endAtOnce(int)
{
    std::_Exit(0);
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

    // A request to end the session ends the server at once, like closing its form.
    std::signal(SIGTERM, endAtOnce);
    std::signal(SIGHUP, endAtOnce);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, [] { server->Form_QueryUnload(); });

    frmPS ps;
    server = &ps;
    ps.setSettingsWindowOpener([&ps] { frmVerwaltung::showWindow([&ps] { ps.InitPS(); }); });
    if (!ps.Form_Load())
        return 0;
    return app.exec();
}
