#include "PdfConverter.h"
#include "platform/FreedMemory.h"

#include <QFontDatabase>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <thread>

// druckserver-pdf PRINTFILE OUTPUT.pdf [SETTINGS.INI]
// Converts a print file into a PDF as the server's "Pdf-Dokument" output would, without
// a window. Exit code 0 when the file was written, 1 with a message otherwise.
int main(int argc, char** argv)
{
    freedmemory::keepLargeBlocksForReuse();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3 || args.size() > 4) {
        std::fprintf(stderr, "Aufruf: druckserver-pdf DRUCKDATEI AUSGABE.pdf [EINSTELLUNGEN.INI]\n");
        return 1;
    }
    // The system's font list takes milliseconds to build, and the first page needs it; it
    // is built on the otherwise idle core while the print file is read.
    std::jthread fontList([] { QFontDatabase::families(); });
    const OutputOutcome outcome = convertPrintFileToPdf(args[1], args[2], args.size() > 3 ? args[3] : QString());
    if (!outcome.ok())
        std::fprintf(stderr, "%s\n", outcome.message.toLocal8Bit().constData());
    // Everything is written and closed. Taking the window system's libraries and the font
    // list apart again costs milliseconds, more than a small conversion; the system frees
    // the memory anyway.
    fontList.join();
    std::fflush(nullptr);
    std::_Exit(outcome.ok() ? 0 : 1);
}
