#include "PdfOutput.h"

#include "Canvas.h"
#include "Folders.h"
#include "OutputContext.h"
#include "PageDrawing.h"
#include "PdfComponent.h"
#include "PdfImagePages.h"
#include "RendererState.h"
#include "ServerSettings.h"
#include "frmPdfDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSet>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

QString pdfFolder()
{
    const QString folder = ServerSettings().PDFFolder;
    return folder.isEmpty() ? keys::pdfFolderDefault() : folder;
}

QString appDataFolderForProbe()
{
    const QString folder = AppDataFolder();
    return folder.isEmpty() ? folders::appDataFolder() : folder;
}

// Asks the component which resolution its pages draw at, by making a throwaway document
// "Test.pdf" in the AppData folder, and keeps that resolution for the pages to come. The
// probe is not the user's document: when it cannot be written the surface still reports
// the component's resolution, so nothing is lost and the output goes on.
//
// Nobody opens the probe, so it is made without the security written to the component,
// which is put back afterwards: AES-256 derives its keys slowly on purpose, and paying
// that for a throwaway page doubles the fixed cost of every encrypted document.
void probeResolution(PdfComponent& pdf)
{
    struct KeepSecurity
    {
        PdfComponent& pdf;
        const QString owner = pdf.pdfPassword();
        const QString open = pdf.pdfSignatur();
        const qint32 code = pdf.permissionCode();
        ~KeepSecurity()
        {
            pdf.setPdfPassword(owner);
            pdf.setPdfSignatur(open);
            pdf.setPermissionCode(code);
        }
    } security{pdf};
    pdf.setPdfPassword(QString());
    pdf.setPdfSignatur(QString());
    pdf.setPermissionCode(0);

    pdf.startEngine();
    pdf.beginDocument(folders::join(appDataFolderForProbe(), QStringLiteral("Test.pdf")), 0);
    pdf.beginPage();
    const int dpiX = pdf.surface().dpiX();
    const int dpiY = pdf.surface().dpiY();
    pdf.endPage();
    pdf.endDocument();
    pdf.stopEngine();
    pdf.setHorizontalResolution(dpiX);
    pdf.setVerticalResolution(dpiY);
    pdf.setNumericSetting(0);
}

// Everything a page drawing needs besides the page number.
struct PageJob
{
    OutputContext& dialog;
    ServerSettingsRecord& settings;
    qint16 slot = 0;
    QSize page;
    double widestLine = 0;
    bool bitmap = false;
    RendererModes carriedModes; // print modes from one page bitmap to the next
};

// Draws page `p` straight onto the surface: text stays text in the document.
void drawDirect(PageJob& job, Canvas& surface, qint32 p, qint32 firstLineFlag)
{
    surface.setWidestLineInches(job.widestLine);
    pages::drawJobPage(surface, job.dialog, job.slot, p, {job.page.width(), job.page.height()}, firstLineFlag,
                       job.settings);
}

// Draws page `p` into a white bitmap and copies that onto the page, so the page becomes
// one picture (pseudo-graphics then look exactly as on screen). The bitmap is finer than
// the page by a whole factor and reports a resolution finer by the same factor, so the
// renderer lays out the same page and the text stays legible at 200 dots per inch or
// more. The bitmap lives for this page only.
bool drawThroughBitmap(PageJob& job, Canvas& surface, qint32 p, qint32 firstLineFlag)
{
    int factor = pdfgeometry::bitmapFactor(std::min(surface.dpiX(), surface.dpiY()));
    QImage bitmap(job.page.width() * factor, job.page.height() * factor, QImage::Format_RGB32);
    if (bitmap.isNull() && factor > 1) {
        factor = 1;
        bitmap = QImage(job.page.width(), job.page.height(), QImage::Format_RGB32);
    }
    if (bitmap.isNull())
        return false;
    bitmap.setDotsPerMeterX(qRound(surface.dpiX() * factor / 0.0254));
    bitmap.setDotsPerMeterY(qRound(surface.dpiY() * factor / 0.0254));
    bitmap.fill(Qt::white);
    {
        Canvas canvas(&bitmap);
        canvas.setWidestLineInches(job.widestLine);
        canvas.rendererState().modes = job.carriedModes;
        pages::drawJobPage(canvas, job.dialog, job.slot, p, {bitmap.width(), bitmap.height()}, firstLineFlag,
                           job.settings);
        job.carriedModes = canvas.rendererState().modes;
    }
    surface.painter().drawImage(QRect(QPoint(0, 0), job.page), bitmap);
    return true;
}

// Where a document goes: a path, or why there is none. An automatic name never replaces
// a file; a name the job or the user gave may.
struct Target
{
    QString path;
    QString problem;
    bool automatic = false;
};

// The automatic names of documents this process is writing: not on the disk yet, but taken.
QSet<QString>& namesInWriting()
{
    static QSet<QString> names;
    return names;
}

// The steps shared by both outputs; `choosePath` names the file once the page size is
// known and the progress bars are set, just before the document begins.
OutputOutcome makeJobPdf(OutputContext& dialog, qint16 Index, PdfVariant variant,
                         const std::function<Target()>& choosePath)
{
    if (dialog.pdfOutputRunning)
        return OutputOutcome::failure(QStringLiteral("Für diesen Auftrag wird gerade schon ein PDF-Dokument erzeugt."));
    dialog.pdfOutputRunning = true;
    struct Release
    {
        OutputContext& dialog;
        ~Release() { dialog.pdfOutputRunning = false; }
    } release{dialog};

    PdfComponent& pdf = pdfComponentFor(dialog);
    // Another job's dialog may reload the settings while this output lets events run;
    // this document keeps those it started with.
    ServerSettingsRecord settings = ServerSettings();
    Job& job = dialog.job();

    pdf.setPdfSignatur(settings.PdfSignatur);
    pdf.setPdfPassword(settings.PdfPassword);
    pdf.setPermissionCode(PdfComponent::permissionCode(settings.PdfPrint, settings.PdfCut, settings.PdfEdit));
    pdf.setDateText(QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy hh:mm:ss")));

    probeResolution(pdf);
    pdf.startEngine();

    const bool landscape = job.Landscape();
    const QSize page =
        pdfgeometry::pagePixels(variant, landscape, pdf.horizontalResolution(), pdf.verticalResolution());
    dialog.setProgressMaximum(Index, job.PageCount(), job.PageCount());

    const Target target = choosePath();
    if (!target.problem.isEmpty()) {
        pdf.stopEngine();
        return OutputOutcome::failure(target.problem);
    }
    const QString& path = target.path;
    struct Reservation
    {
        QString name;
        ~Reservation() { namesInWriting().remove(name); }
    } reservation{target.automatic ? path : QString()};
    if (target.automatic)
        namesInWriting().insert(path);
    const OutputOutcome begun = pdf.beginDocument(path, target.automatic ? PdfComponent::KeepExisting : 0);
    if (!begun.ok()) {
        pdf.stopEngine();
        return begun;
    }

    const double widestLine = pages::widestLineInches(job, settings.SignPitch, job.LeftSpace);
    PageJob pageJob{dialog, settings, Index, page, widestLine, settings.PdfBitmap, {}};
    const qint32 from = dialog.FromPage;
    const qint32 to = dialog.ToPage;
    for (qint32 p = from; p <= to; ++p) {
        pdf.beginPage(page.width(), page.height(), 0);
        Canvas& surface = pdf.surface();
        dialog.setProgressValue(Index, p, p);
        const qint32 firstLineFlag = p == from ? 1 : 0;
        if (!pageJob.bitmap)
            drawDirect(pageJob, surface, p, firstLineFlag);
        else if (!drawThroughBitmap(pageJob, surface, p, firstLineFlag)) {
            pdf.stopEngine();
            return OutputOutcome::failure(
                QStringLiteral("Für die Seite %1 war nicht genug Speicher frei; die PDF-Datei %2 wurde nicht erzeugt.")
                    .arg(p)
                    .arg(QDir::toNativeSeparators(path)));
        }
        if (p < to)
            pdf.endPage();
    }

    if (variant == PdfVariant::File || settings.PdfMailAnhang)
        PdfImagePages(dialog, job.AnHaenge, page.height(), page.width(), dialog.Picture2(), landscape, pdf);

    pdf.endPage();
    const OutputOutcome ended = pdf.endDocument();
    pdf.stopEngine();
    return ended;
}

// A name the job or the user gave, inside PDFFolder: its existing sub-folders are fine,
// a way out of it is not.
Target givenName(const QString& baseName)
{
    if (const QString problem = pdfNameProblem(baseName); !problem.isEmpty())
        return {QString(), problem};
    return {pdfFilePath(baseName), QString(), false};
}

// The file name as the outputs choose it: the job's name, else the stamp's, and with
// PDFDLG the user's answer, which the job keeps once the document is written (see
// makeNamedJobPdf). An empty answer keeps the proposed name, so the file the reader and
// the message are pointed at is the file that was written. `stamp` is made here for an
// automatic name: the first second from now whose name is free.
Target chooseName(OutputContext& dialog, QString& stamp, bool stampAlways)
{
    Job& job = dialog.job();
    if (!job.pdfName.isEmpty()) {
        if (stampAlways)
            stamp = documentStamp();
        return givenName(job.pdfName);
    }
    stamp = freeDocumentStamp();
    const QString proposed = pdfBaseName(QString(), stamp);
    if (ServerSettings().PDFDLG) {
        const QString answer = cleanPdfName(askPdfFileName(pdfFolder(), proposed, dialog.parentWindow()));
        if (!answer.isEmpty()) {
            job.pdfName = answer;
            return givenName(answer);
        }
    }
    return {pdfFilePath(proposed), QString(), true};
}

// A document whose file name may come from the name dialog. The answer stays in pdfName
// only when the document was written: after a failure (a folder that does not exist, a
// name that is not allowed) the next try asks again, so the user can correct it.
OutputOutcome makeNamedJobPdf(OutputContext& dialog, qint16 Index, PdfVariant variant,
                              const std::function<Target()>& choosePath)
{
    Job& job = dialog.job();
    const QString nameBefore = job.pdfName;
    const OutputOutcome outcome = makeJobPdf(dialog, Index, variant, choosePath);
    if (!outcome.ok())
        job.pdfName = nameBefore;
    return outcome;
}

} // namespace

QString documentStamp(const QDateTime& when)
{
    return when.toString(QStringLiteral("yyyyMMddhhmmss"));
}

QString pdfBaseName(const QString& pdfName, const QString& stamp)
{
    return pdfName.isEmpty() ? QStringLiteral("PDFDOC") + stamp : pdfName;
}

QString pdfFilePath(const QString& baseName)
{
    QString name = baseName + QStringLiteral(".pdf");
    name.replace(u'\\', u'/');
    return QDir::toNativeSeparators(folders::join(pdfFolder(), name));
}

QString freeDocumentStamp(const QDateTime& from)
{
    // A day of names taken in a row is no accident; the name after them is then given up
    // on, and the component refuses to replace it.
    constexpr int tries = 24 * 3600;
    QDateTime when = from;
    for (int i = 0; i < tries; ++i, when = when.addSecs(1)) {
        const QString path = pdfFilePath(pdfBaseName(QString(), documentStamp(when)));
        if (!namesInWriting().contains(path) && !QFileInfo::exists(path))
            break;
    }
    return documentStamp(when);
}

QString pdfNameProblem(const QString& baseName)
{
    QString name = baseName;
    name.replace(u'\\', u'/');
    const bool absolute = name.startsWith(u'/') || (name.size() >= 2 && name[1] == u':' && name[0].isLetter());
    const QStringList parts = name.split(u'/');
    if (!absolute && !parts.contains(QStringLiteral("..")))
        return {};
    return QStringLiteral("Der Dateiname \"%1\" führt aus dem PDF-Ordner %2 heraus. PDF-Dateien werden nur dort "
                          "und in seinen Unterordnern angelegt.")
        .arg(baseName, QDir::toNativeSeparators(pdfFolder()));
}

OutputOutcome writeJobPdf(OutputContext& dialog, qint16 Index, const QString& path, PdfVariant variant)
{
    return makeJobPdf(dialog, Index, variant, [&path] { return Target{path, QString(), false}; });
}

OutputOutcome PrintToPdf(OutputContext& dialog, qint16 Index, QString& stamp)
{
    return makeNamedJobPdf(dialog, Index, PdfVariant::File, [&] {
        stamp.clear();
        return chooseName(dialog, stamp, false);
    });
}

OutputOutcome PrintToMailPdf(OutputContext& dialog, qint32 Index, QString& stamp)
{
    const qint16 slot = qint16(std::clamp<qint32>(Index, 0, 0x7fff));
    return makeNamedJobPdf(dialog, slot, PdfVariant::Mail, [&] { return chooseName(dialog, stamp, true); });
}

PdfComponent& pdfComponentFor(OutputContext& dialog)
{
    if (!dialog.pdfComponent)
        dialog.pdfComponent = std::make_shared<PdfComponent>();
    return *dialog.pdfComponent;
}
