#include "job/JobLoader.h"
#include "PageImages.h"

#include <QCommandLineParser>
#include <QGuiApplication>

#include <cstdio>

// druckserver-render PRINTFILE OUTDIR [--dpi N] [--settings INI]
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Renders every page of a print file to PNG images."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("PRINTFILE"), QStringLiteral("the print file"));
    parser.addPositionalArgument(QStringLiteral("OUTDIR"), QStringLiteral("folder for page-001.png, ..."));
    const QCommandLineOption dpiOption(QStringLiteral("dpi"), QStringLiteral("resolution (default 150)"),
                                       QStringLiteral("N"), QStringLiteral("150"));
    const QCommandLineOption settingsOption(QStringLiteral("settings"),
                                            QStringLiteral("settings file (default: the server's PS.INI)"),
                                            QStringLiteral("INI"));
    parser.addOption(dpiOption);
    parser.addOption(settingsOption);
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) {
        std::fputs(qPrintable(parser.helpText()), stderr);
        return 2;
    }
    bool ok = false;
    const int dpi = parser.value(dpiOption).toInt(&ok);
    if (!ok || dpi < 10 || dpi > 1200) {
        std::fprintf(stderr, "druckserver-render: --dpi must be a number from 10 to 1200\n");
        return 2;
    }

    const LoadResult loaded = loadJob(args[0], toolLoadOptions(parser.value(settingsOption)));
    if (!loaded.loaded()) {
        std::fprintf(stderr, "druckserver-render: cannot read %s\n", qPrintable(args[0]));
        return 1;
    }
    QString error;
    const int pages = renderJobPages(loaded.job, args[1], dpi, error);
    if (pages < 0) {
        std::fprintf(stderr, "druckserver-render: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%d page(s) written to %s\n", pages, qPrintable(args[1]));
    return 0;
}
