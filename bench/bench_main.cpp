#include "BenchParts.h"
#include "platform/FreedMemory.h"

#include <QApplication>

#include <cstring>

// druckserver-bench [read|job|render|pdf|server|latency]: runs one part, or all of them.
int main(int argc, char** argv)
{
    // The allocator as the server and the tools set it, so the figures are theirs.
    freedmemory::keepLargeBlocksForReuse();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const char* only = argc > 1 ? argv[1] : "";
    auto wanted = [only](const char* name) { return !*only || std::strcmp(only, name) == 0; };
    if (wanted("read"))
        benchRead();
    if (wanted("job"))
        benchJob();
    if (wanted("render"))
        benchRender();
    if (wanted("pdf"))
        benchPdf();
    if (wanted("server"))
        benchServer();
    if (wanted("latency"))
        benchLatency();
    return 0;
}
