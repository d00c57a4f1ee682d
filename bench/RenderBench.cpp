#include "BenchParts.h"
#include "BenchUtil.h"

#include "engine/PrintEngine.h"
#include "job/Job.h"
#include "job/JobLoader.h"
#include "preview/PreviewWindow.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPdfWriter>
#include <QSlider>
#include <QTemporaryDir>

#include <algorithm>
#include <ctime>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int LinesPerPage = 60;

// A full page of 80 columns: text with umlauts, a bold heading, numbers in columns.
QStringList textPage()
{
    QStringList lines;
    lines << QChar(0x1B) + u"E"_s + u"Artikelliste Müller & Söhne GmbH, Größenänderungen"_s.leftJustified(80) +
                 QChar(0x1B) + u"F"_s;
    for (int line = 2; line <= LinesPerPage; ++line) {
        lines << u"%1 Übertrag Straße %2 Menge %3 Preis %4 Summe %5 Ärger"_s.arg(line, 5)
                     .arg(line * 17, 6)
                     .arg(line * 3, 5)
                     .arg(line * 1.25, 8, 'f', 2)
                     .arg(line * 1234.5, 11, 'f', 2)
                     .leftJustified(80, u'x', true);
    }
    return lines;
}

// The same page framed with box-drawing characters, as business forms are.
QStringList framedPage()
{
    QStringList lines;
    lines << QChar(u'╔') + QString(78, u'═') + QChar(u'╗');
    for (int line = 2; line < LinesPerPage; ++line) {
        const QString text =
            u"║ %1 │ Müller & Söhne Größenänderung │ Übertrag %2 │"_s.arg(line, 6).arg(line * 1234.5, 12, 'f', 2);
        lines << text.leftJustified(79, u' ', true) + QChar(u'║');
    }
    lines << QChar(u'╚') + QString(78, u'═') + QChar(u'╝');
    return lines;
}

// CPU time of this thread in milliseconds. The machine is shared, so wall-clock time
// also counts other processes; both are reported.
double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

struct PageTimes
{
    double wallMs;
    double cpuMs;
};

// Milliseconds per page drawn onto an A4 image at `dpi`: the medians of `rounds`.
PageTimes msPerImagePage(const QStringList& lines, int dpi, int rounds)
{
    QImage image(qRound(8.27 * dpi), qRound(11.69 * dpi), QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    std::vector<double> times;
    std::vector<double> cpuTimes;
    for (int round = 0; round < rounds; ++round) {
        image.fill(Qt::white);
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = threadCpuMs();
        Canvas canvas(&image);
        LineMeasurer measurer(12, 0);
        for (const QString& line : lines)
            measurer.add(line);
        canvas.setWidestLineInches(measurer.widestInches());
        QString font = u"Courier New"_s;
        for (qint32 line = 1; line <= lines.size(); ++line)
            font = drawLine(canvas, {line, LinesPerPage, lines[line - 1], image.height(), 12, 12, font, 0, line == 1})
                       .fontName;
        canvas.end();
        times.push_back(timer.nsecsElapsed() / 1e6);
        cpuTimes.push_back(threadCpuMs() - cpuStart);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpuTimes.begin(), cpuTimes.end());
    return {times[times.size() / 2], cpuTimes[cpuTimes.size() / 2]};
}

// Pages per second rendered into a 72 dpi PDF document held in memory.
double pdfPagesPerSecond(const QStringList& lines, int pages)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(72);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QElapsedTimer timer;
    timer.start();
    Canvas canvas(&writer);
    beginDocument(canvas, u"bench"_s);
    QString font = u"Courier New"_s;
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            nextPage(canvas);
        for (qint32 line = 1; line <= lines.size(); ++line)
            font = drawLine(canvas, {line, LinesPerPage, lines[line - 1], canvas.heightPixels(), 12, 12, font, 0,
                                     page == 0 && line == 1})
                       .fontName;
    }
    endDocument(canvas);
    return pages / (timer.nsecsElapsed() / 1e9);
}

// Milliseconds to show another page of a 132-column listing in the preview at zoom 180:
// the page drawn at the zoom's resolution and painted into the window. The medians of
// `rounds` pages; the listing turns condensed once, on its first line, as DOS programs do.
PageTimes msPerPreviewPage(int rounds)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"d.dat"_s);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        for (int page = 1; page <= rounds + 1; ++page) {
            for (int line = 1; line <= LinesPerPage; ++line) {
                const QString text =
                    u"%1 Artikel %2 Lager %3 Bestand %4 EK %5 VK %6 Umsatz %7 Lieferant M\u00fcller & S\u00f6hne"_s
                        .arg(page * 100 + line, 6)
                        .arg(line * 37, 8)
                        .arg(line % 4, 3)
                        .arg(line * 13, 8)
                        .arg(line * 1.1, 10, 'f', 2)
                        .arg(line * 1.9, 10, 'f', 2)
                        .arg(line * 1234.5, 12, 'f', 2);
                const QString record =
                    (page == 1 && line == 1 ? QString(QChar(0x0F)) : QString()) + text.leftJustified(132, u'.', true);
                file.write(record.toLatin1() + "\r\n");
            }
        }
    }
    QFile settings(dir.filePath(u"PS.INI"_s));
    if (settings.open(QIODevice::WriteOnly))
        settings.write("[Pserver]\r\nLinesPerPage=" + QByteArray::number(LinesPerPage) + "\r\n");
    settings.close();
    const LoadResult loaded = loadJob(path, toolLoadOptions(settings.fileName()));
    const Job& job = loaded.job;
    OutputRequest request;
    request.toPage = job.pageCount();
    PreviewWindow preview(job, request);
    preview.firstPage = 1;
    preview.lastPage = job.pageCount();
    preview.show();
    preview.findChild<QSlider*>(u"zoomSlider"_s)->setValue(180);
    QWidget* picture = preview.findChild<QWidget*>(u"pageView"_s);

    std::vector<double> times;
    std::vector<double> cpuTimes;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = threadCpuMs();
        preview.toolbarClicked(PreviewWindow::Button::Next);
        picture->repaint();
        times.push_back(timer.nsecsElapsed() / 1e6);
        cpuTimes.push_back(threadCpuMs() - cpuStart);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpuTimes.begin(), cpuTimes.end());
    return {times[times.size() / 2], cpuTimes[cpuTimes.size() / 2]};
}

} // namespace

void benchRender()
{
    const QStringList text = textPage();
    const QStringList framed = framedPage();
    msPerImagePage(text, 300, 3); // warm the glyph caches
    const PageTimes page = msPerImagePage(text, 300, 31);
    bench::report("render: 60x80 text page, A4 300 dpi image, wall (median)", page.wallMs, "ms/page");
    bench::report("render: 60x80 text page, A4 300 dpi image, CPU (median)", page.cpuMs, "ms/page");
    const PageTimes framedPageTimes = msPerImagePage(framed, 300, 31);
    bench::report("render: 60x80 framed page, A4 300 dpi image, wall (median)", framedPageTimes.wallMs, "ms/page");
    bench::report("render: 60x80 framed page, A4 300 dpi image, CPU (median)", framedPageTimes.cpuMs, "ms/page");
    bench::report("render: 60x80 text page, A4 96 dpi preview, CPU (median)", msPerImagePage(text, 96, 31).cpuMs,
                  "ms/page");
    bench::report("render: 60x80 text pages into a 72 dpi PDF", pdfPagesPerSecond(text, 200), "pages/s");
    const PageTimes preview = msPerPreviewPage(31);
    bench::report("preview: next page, 132 columns, zoom 180, wall (median)", preview.wallMs, "ms/page");
    bench::report("preview: next page, 132 columns, zoom 180, CPU (median)", preview.cpuMs, "ms/page");
    bench::report("render: peak RSS", double(bench::peakRssKiB()), "KiB");
}
