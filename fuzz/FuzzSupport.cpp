#include "FuzzTargets.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

namespace fuzz {

void ensureGuiApplication()
{
    if (QCoreApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt keeps argc and argv for the life of the application.
    static int argc = 1;
    static char name[] = "druckserver-fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv); // never ended: libFuzzer exits without returning
    Q_UNUSED(app);
}

void idle()
{
    QCoreApplication::processEvents();
}

void fail(const char* rule)
{
    std::fprintf(stderr, "fuzz: rule broken: %s\n", rule);
    std::abort();
}

} // namespace fuzz
