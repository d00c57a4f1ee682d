#include "pdf/PdfOutput.h"

#include "engine/Canvas.h"
#include "engine/RendererState.h"
#include "job/Job.h"
#include "pages/AttachmentPages.h"
#include "pages/PageDrawing.h"
#include "pages/PictureFiles.h"
#include "pdf/ParallelPages.h"
#include "pdf/PdfComponent.h"
#include "platform/Folders.h"
#include "settings/SettingsKeys.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <functional>

namespace {

QString pdfFolder(const JobSettings& settings)
{
    return settings.pdfFolder.isEmpty() ? keys::pdfFolderDefault() : settings.pdfFolder;
}

// Asks the component which resolution its pages draw at, by making a throwaway document
// "Test.pdf" in the AppData folder, and keeps that resolution for the pages to come. The
// probe is not the user's document: when it cannot be written the surface still reports
// the component's resolution, so nothing is lost and the output goes on. Nobody opens the
// probe, so it is made before any security is set: AES-256 derives its keys slowly on
// purpose, and paying that for a throwaway page doubles the fixed cost of a document.
void probeResolution(PdfComponent& pdf)
{
    pdf.startEngine();
    pdf.beginDocument(folders::join(folders::appDataFolder(), QStringLiteral("Test.pdf")), 0);
    pdf.beginPage();
    const int dpiX = pdf.surface().dpiX();
    const int dpiY = pdf.surface().dpiY();
    pdf.endPage();
    pdf.endDocument();
    pdf.stopEngine();
    pdf.setHorizontalResolution(dpiX);
    pdf.setVerticalResolution(dpiY);
}

// Everything a page drawing needs besides the page number.
struct PageRun
{
    const Job& job;
    const OutputRequest& request;
    QSize page;
    const pages::DocumentPlan& plan;
    JobPages pages;
    std::unique_ptr<ParallelPages> parallel; // made on the first page, once its frame is known
};

PageStartState startOf(const PageRun& run, qint32 page)
{
    const qint64 index = qint64(page) - run.request.fromPage;
    return index >= 0 && index < qint64(run.plan.starts.size()) ? run.plan.starts[size_t(index)] : PageStartState();
}

// Draws the lines of page `p` straight onto the surface: text stays text in the document.
void drawLinesDirect(PageRun& run, Canvas& surface, qint32 p)
{
    const PageStartState start = startOf(run, p);
    surface.rendererState().modes = start.modes;
    pages::DocumentState state{start.fontName};
    pages::drawLines(surface, run.job, run.pages.page(p), {run.page.width(), run.page.height()},
                     p == run.request.fromPage ? 1 : 0, state);
}

// Draws page `p` straight onto the surface, all of it on this thread.
void drawDirect(PageRun& run, Canvas& surface, qint32 p)
{
    const PageStartState start = startOf(run, p);
    surface.rendererState().modes = start.modes;
    pages::DocumentState state{start.fontName};
    pages::drawJobPage(surface, run.job, run.pages.page(p), run.request, {run.page.width(), run.page.height()},
                       p == run.request.fromPage ? 1 : 0, state);
}

// Starts the workers for the pages to come, when the document is worth them.
void startWorkers(PageRun& run, PdfComponent& pdf, ParallelPages::Kind kind)
{
    const qint32 pageCount = run.request.toPage - run.request.fromPage + 1;
    const int workers = ParallelPages::workersFor(kind, pageCount);
    // Lines under a watermark go through the painter, which has to be this thread's.
    if (workers == 0 || !pdf.textLayer() ||
        (kind == ParallelPages::Kind::Lines && pages::watermarkOverLines(run.job, run.request)))
        return;
    const PdfComponent::TextFrame frame = pdf.textFrame();
    const Canvas& surface = pdf.surface();
    run.parallel = std::make_unique<ParallelPages>(
        ParallelPages::Setup{run.job, run.request, run.plan, *pdf.textLayer(), run.page, surface.dpiX(), surface.dpiY(),
                             frame.pointsPerPixel, frame.pageHeightPoints, kind,
                             pagesizes::bitmapFactor(std::min(surface.dpiX(), surface.dpiY()))},
        workers);
}

// Draws page `p`: the lines by a worker where there are workers, the rest (and lines
// that need it) by the surface's painter. False when a bitmap page found no memory.
bool drawPage(PageRun& run, PdfComponent& pdf, qint32 p, bool asBitmap)
{
    Canvas& surface = pdf.surface();
    if (!run.parallel) {
        if (!pdf.textLayer())
            return true; // the document failed already; ending it says why
        if (!asBitmap) {
            drawDirect(run, surface, p);
            return true;
        }
        ParallelPages::Setup setup{run.job,
                                   run.request,
                                   run.plan,
                                   *pdf.textLayer(),
                                   run.page,
                                   surface.dpiX(),
                                   surface.dpiY(),
                                   pdf.textFrame().pointsPerPixel,
                                   pdf.textFrame().pageHeightPoints,
                                   ParallelPages::Kind::Bitmap,
                                   pagesizes::bitmapFactor(std::min(surface.dpiX(), surface.dpiY()))};
        const ParallelPages::Built built = ParallelPages::makeHere(setup, p);
        pdf.addPageText(built.content);
        return !built.failed;
    }
    if (!asBitmap)
        pages::drawBehindLines(surface, run.job, p, run.request, {run.page.width(), run.page.height()});
    ParallelPages::Built built = run.parallel->take(p);
    if (built.needsPainter)
        drawLinesDirect(run, surface, p);
    else
        pdf.addPageText(std::move(built.content));
    return !built.failed;
}

// The attachment image pages: for every attached file still there, the open page ends and
// an A4 page of the job's orientation begins, filled by the picture.
void addAttachmentPages(const Job& job, PdfComponent& pdf, const QSize& textPage, OutputProgress& progress)
{
    for (const QString& file : job.attachmentFiles) {
        const std::optional<QImage> picture = picturefiles::load(file, picturefiles::Source::Job);
        if (!picture)
            continue;
        pdf.endPage();
        const QSize page =
            pagesizes::imagePagePixels(job.landscape, pdf.horizontalResolution(), pdf.verticalResolution());
        pdf.beginPage(page.width(), page.height(), 0);
        attachmentpages::drawAttachment(pdf.surface().painter(), QRect(QPoint(0, 0), textPage), *picture,
                                        job.landscape);
        progress.letEventsRun();
    }
}

// Where a document goes: a path, or why there is none. An automatic name never replaces
// a file; a name the job or the user gave may.
struct Target
{
    QString path;
    QString problem;
    bool automatic = false;
    QString answer; // the name the user gave in the name dialog
};

// The automatic names of documents this process is writing: not on the disk yet, but taken.
QSet<QString>& namesInWriting()
{
    static QSet<QString> names;
    return names;
}

// Holds an automatic name as taken while its document is written.
class NameReservation
{
public:
    explicit NameReservation(const Target& target) : m_name(target.automatic ? target.path : QString())
    {
        if (!m_name.isEmpty())
            namesInWriting().insert(m_name);
    }
    ~NameReservation()
    {
        if (!m_name.isEmpty())
            namesInWriting().remove(m_name);
    }
    NameReservation(const NameReservation&) = delete;
    NameReservation& operator=(const NameReservation&) = delete;

private:
    QString m_name;
};

// The component with the job's security settings, started, at the resolution it finds.
void startComponent(PdfComponent& pdf, const JobSettings& settings)
{
    probeResolution(pdf);
    pdf.setOpenPassword(settings.pdfOpenPassword);
    pdf.setOwnerPassword(settings.pdfOwnerPassword);
    pdf.setPermissionCode(PdfComponent::permissionCode(settings.pdfMayPrint, settings.pdfMayCopy, settings.pdfMayEdit));
    pdf.setCreationDate(QDateTime::currentDateTime());
    pdf.startEngine();
}

// The steps shared by both outputs; `choosePath` names the file once the page size is
// known and the progress bars are set, just before the document begins.
OutputOutcome makeJobPdf(const Job& job, const OutputRequest& request, OutputProgress& progress, PdfVariant variant,
                         const std::function<Target()>& choosePath)
{
    const JobSettings& settings = job.settings;
    PdfComponent pdf;
    startComponent(pdf, settings);

    const QSize page =
        pagesizes::pagePixels(variant, job.landscape, pdf.horizontalResolution(), pdf.verticalResolution());
    progress.setMaxima(job.pageCount(), job.pageCount());

    const Target target = choosePath();
    if (!target.problem.isEmpty())
        return OutputOutcome::failure(target.problem);
    const QString& path = target.path;
    const NameReservation reservation(target);
    const OutputOutcome begun = pdf.beginDocument(path, target.automatic ? PdfComponent::KeepExisting : 0);
    if (!begun.ok())
        return begun;

    const pages::DocumentPlan plan = pages::planDocument(job, request.fromPage, request.toPage);
    PageRun run{job, request, page, plan, JobPages(job), nullptr};
    const bool asBitmap = settings.pdfAsPictures;
    for (qint32 p = request.fromPage; p <= request.toPage; ++p) {
        pdf.beginPage(page.width(), page.height(), 0);
        pdf.surface().setWidestLineInches(plan.widestLineInches);
        progress.setValues(p, p);
        if (p == request.fromPage)
            startWorkers(run, pdf, asBitmap ? ParallelPages::Kind::Bitmap : ParallelPages::Kind::Lines);
        if (!drawPage(run, pdf, p, asBitmap))
            return OutputOutcome::failure(
                QStringLiteral("Für die Seite %1 war nicht genug Speicher frei; die PDF-Datei %2 wurde nicht erzeugt.")
                    .arg(p)
                    .arg(QDir::toNativeSeparators(path)));
        progress.letEventsRun();
        if (p < request.toPage)
            pdf.endPage();
    }
    run.parallel.reset();

    if (variant == PdfVariant::File || settings.pdfMailAttachments)
        addAttachmentPages(job, pdf, page, progress);

    pdf.endPage();
    OutputOutcome ended = pdf.endDocument();
    pdf.stopEngine();
    if (ended.ok()) {
        ended.file = path;
        ended.documentName = target.answer;
    }
    return ended;
}

// A name the job or the user gave, inside the PDF folder: its existing folders are fine,
// a way out of it is not.
Target givenName(const JobSettings& settings, const QString& baseName)
{
    if (const QString problem = pdfNameProblem(settings, baseName); !problem.isEmpty())
        return {QString(), problem, false, QString()};
    return {pdfFilePath(settings, baseName), QString(), false, QString()};
}

// The file name as the outputs choose it (see PdfOutput.h). An empty answer in the name
// dialog keeps the proposed name, so the file the reader and the message are pointed at
// is the file that was written.
Target chooseName(const Job& job, const OutputRequest& request, OutputProgress& progress)
{
    const JobSettings& settings = job.settings;
    const QString given = request.documentName.isEmpty() ? job.documentName : request.documentName;
    if (!given.isEmpty())
        return givenName(settings, given);
    const QString proposed = QStringLiteral("PDFDOC") + freeDocumentStamp(settings);
    if (settings.pdfNameDialog) {
        const QString answer = cleanPdfName(progress.askPdfName(pdfFolder(settings), proposed));
        if (!answer.isEmpty()) {
            Target target = givenName(settings, answer);
            target.answer = answer;
            return target;
        }
    }
    return {pdfFilePath(settings, proposed), QString(), true, QString()};
}

} // namespace

QString documentStamp(const QDateTime& when)
{
    return when.toString(QStringLiteral("yyyyMMddhhmmss"));
}

QString pdfFilePath(const JobSettings& settings, const QString& baseName)
{
    QStringList parts = QString(baseName + QStringLiteral(".pdf")).split(QRegularExpression(QStringLiteral("[\\\\/]")));
    // A DOS program names folders in upper case; the folder on the disk may differ in case.
    QDir folder(pdfFolder(settings));
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        if (parts[i].isEmpty() || folder.exists(parts[i]))
            continue;
        const QStringList names = folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
        const auto it = std::find_if(names.cbegin(), names.cend(), [&](const QString& name) {
            return name.compare(parts[i], Qt::CaseInsensitive) == 0;
        });
        if (it != names.cend())
            parts[i] = *it;
        if (!folder.cd(parts[i]))
            break;
    }
    return QDir::toNativeSeparators(folders::join(pdfFolder(settings), parts.join(u'/')));
}

QString freeDocumentStamp(const JobSettings& settings, const QDateTime& from)
{
    // A day of names taken in a row is no accident; the name after them is then given up
    // on, and the component refuses to replace it.
    constexpr int tries = 24 * 3600;
    QDateTime when = from;
    for (int i = 0; i < tries; ++i, when = when.addSecs(1)) {
        const QString path = pdfFilePath(settings, QStringLiteral("PDFDOC") + documentStamp(when));
        if (!namesInWriting().contains(path) && !QFileInfo::exists(path))
            break;
    }
    return documentStamp(when);
}

bool leavesFolder(const QString& baseName)
{
    QString name = baseName;
    name.replace(u'\\', u'/');
    const bool absolute = name.startsWith(u'/') || (name.size() >= 2 && name[1] == u':' && name[0].isLetter());
    return absolute || name.split(u'/').contains(QStringLiteral(".."));
}

QString pdfNameProblem(const JobSettings& settings, const QString& baseName)
{
    if (!leavesFolder(baseName))
        return {};
    return QStringLiteral("Der Dateiname \"%1\" führt aus dem PDF-Ordner %2 heraus. PDF-Dateien werden nur dort "
                          "und in seinen Unterordnern angelegt.")
        .arg(baseName, QDir::toNativeSeparators(pdfFolder(settings)));
}

OutputOutcome writeJobPdf(const Job& job, const OutputRequest& request, OutputProgress& progress, const QString& path,
                          PdfVariant variant)
{
    return makeJobPdf(job, request, progress, variant, [&path] { return Target{path, QString(), false, QString()}; });
}

OutputOutcome PdfOutput::run(const Job& job, const OutputRequest& request, OutputProgress& progress)
{
    return makeJobPdf(job, request, progress, PdfVariant::File, [&] { return chooseName(job, request, progress); });
}

OutputOutcome makeMailPdf(const Job& job, const OutputRequest& request, OutputProgress& progress)
{
    return makeJobPdf(job, request, progress, PdfVariant::Mail, [&] { return chooseName(job, request, progress); });
}
