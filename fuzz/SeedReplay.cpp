#include "FuzzTargets.h"

#include <QFile>
#include <QGuiApplication>

#include <cstdio>
#include <cstring>

// Runs every file named after the target's name through that target, the way libFuzzer
// runs one input, so the seeds (and every input that once was a finding) stay regression
// tests in a build without clang:
//   fuzz_replay reader a.dat b.dat ...
int main(int argc, char** argv)
{
    struct Target
    {
        const char* name;
        int (*run)(const uint8_t*, size_t);
    };
    static const Target targets[] = {{"reader", fuzzReader}, {"settings", fuzzSettings}, {"watermark", fuzzWatermark}};
    const Target* target = nullptr;
    for (const Target& t : targets) {
        if (argc > 1 && std::strcmp(argv[1], t.name) == 0)
            target = &t;
    }
    if (!target || argc < 3) {
        std::fprintf(stderr, "usage: %s reader|settings|watermark FILE...\n", argv[0]);
        return 2;
    }
    // Ended before the process exits, so the leak check sees Qt's caches torn down.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int appArgc = 1;
    QGuiApplication app(appArgc, argv);
    for (int i = 2; i < argc; ++i) {
        QFile file(QString::fromLocal8Bit(argv[i]));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        }
        const QByteArray bytes = file.readAll();
        // Named before it runs: a seed that breaks a rule aborts the process.
        std::fprintf(stderr, "%s: %s\n", target->name, argv[i]);
        target->run(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    }
    std::printf("%d seeds of %s replayed\n", argc - 2, target->name);
    return 0;
}
