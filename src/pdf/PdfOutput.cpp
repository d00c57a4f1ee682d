#include "pdf/PdfOutput.h"

#include "engine/Canvas.h"
#include "engine/RendererState.h"
#include "job/Job.h"
#include "pages/AttachmentPages.h"
#include "pages/PageDrawing.h"
#include "pages/PictureFiles.h"
#include "pdf/PdfComponent.h"
#include "pdf/PdfNameDialog.h"
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
    double widestLine = 0;
    pages::DocumentState state;
    RendererModes carriedModes; // print modes from one page bitmap to the next
};

// Draws page `p` straight onto the surface: text stays text in the document.
void drawDirect(PageRun& run, Canvas& surface, const PageText& page, qint32 firstLineFlag)
{
    surface.setWidestLineInches(run.widestLine);
    pages::drawJobPage(surface, run.job, page, run.request, {run.page.width(), run.page.height()}, firstLineFlag,
                       run.state);
}

// Draws page `p` into a white bitmap and copies that onto the page, so the page becomes
// one picture (pseudo-graphics then look exactly as on screen). The bitmap is finer than
// the page by a whole factor and reports a resolution finer by the same factor, so the
// renderer lays out the same page and the text stays legible at 200 dots per inch or
// more. The bitmap lives for this page only.
bool drawThroughBitmap(PageRun& run, Canvas& surface, const PageText& page, qint32 firstLineFlag)
{
    int factor = pagesizes::bitmapFactor(std::min(surface.dpiX(), surface.dpiY()));
    QImage bitmap(run.page.width() * factor, run.page.height() * factor, QImage::Format_RGB32);
    if (bitmap.isNull() && factor > 1) {
        factor = 1;
        bitmap = QImage(run.page.width(), run.page.height(), QImage::Format_RGB32);
    }
    if (bitmap.isNull())
        return false;
    bitmap.setDotsPerMeterX(qRound(surface.dpiX() * factor / 0.0254));
    bitmap.setDotsPerMeterY(qRound(surface.dpiY() * factor / 0.0254));
    bitmap.fill(Qt::white);
    {
        Canvas canvas(&bitmap);
        canvas.setWidestLineInches(run.widestLine);
        canvas.rendererState().modes = run.carriedModes;
        pages::drawJobPage(canvas, run.job, page, run.request, {bitmap.width(), bitmap.height()}, firstLineFlag,
                           run.state);
        run.carriedModes = canvas.rendererState().modes;
    }
    surface.painter().drawImage(QRect(QPoint(0, 0), run.page), bitmap);
    return true;
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

    PageRun run{job, request, page, pages::widestLineInches(job), {settings.fontName}, {}};
    JobPages pages(job);
    for (qint32 p = request.fromPage; p <= request.toPage; ++p) {
        pdf.beginPage(page.width(), page.height(), 0);
        Canvas& surface = pdf.surface();
        progress.setValues(p, p);
        const qint32 firstLineFlag = p == request.fromPage ? 1 : 0;
        const PageText& text = pages.page(p);
        if (!settings.pdfAsPictures)
            drawDirect(run, surface, text, firstLineFlag);
        else if (!drawThroughBitmap(run, surface, text, firstLineFlag))
            return OutputOutcome::failure(
                QStringLiteral("Für die Seite %1 war nicht genug Speicher frei; die PDF-Datei %2 wurde nicht erzeugt.")
                    .arg(p)
                    .arg(QDir::toNativeSeparators(path)));
        progress.letEventsRun();
        if (p < request.toPage)
            pdf.endPage();
    }

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
        const QString answer = cleanPdfName(askPdfFileName(pdfFolder(settings), proposed, progress.window()));
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
