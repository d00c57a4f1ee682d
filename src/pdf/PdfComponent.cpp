#include "pdf/PdfComponent.h"

#include "engine/Canvas.h"
#include "pdf/PdfEncryption.h"
#include "pdf/PdfFinish.h"
#include "pdf/PdfPageLayer.h"
#include "platform/SafeFiles.h"
#include "platform/TempJournal.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTemporaryFile>

#include <algorithm>
#include <filesystem>
#include <future>
#include <system_error>

namespace {

constexpr int MinResolution = 1;
constexpr int MaxResolution = 9600;
// PDF viewers handle pages up to 200 inches; larger requests are clamped to that.
constexpr double MaxPageInches = 200.0;

QString native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Hidden files beside the target: same folder, so the final rename is atomic.
QString temporaryPattern(const QString& folder)
{
    return folder + QStringLiteral("/.druckserver-pdf-XXXXXX.part");
}

QPageLayout pageLayout(int widthPixels, int heightPixels, int xRes, int yRes)
{
    const double width = std::clamp(std::max(widthPixels, 1) / double(xRes), 1.0 / 72, MaxPageInches);
    const double height = std::clamp(std::max(heightPixels, 1) / double(yRes), 1.0 / 72, MaxPageInches);
    // A page wider than high is a landscape page of the portrait size, so a page of
    // A4 proportions in either direction is reported as A4.
    const bool landscape = width > height;
    const QSizeF portrait = landscape ? QSizeF(height, width) : QSizeF(width, height);
    const QPageSize size(portrait, QPageSize::Inch, QString(), QPageSize::FuzzyMatch);
    return QPageLayout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                       QPageLayout::Point);
}

void makeReadableLikeNewFile(const QString& path, const QString& target)
{
    // Temporary files are private; the finished document gets the rights an existing
    // file had, or those of an ordinary new file.
    const QFileInfo old(target);
    const QFileDevice::Permissions rights = old.exists() ? old.permissions()
                                                         : QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                               QFileDevice::ReadUser | QFileDevice::WriteUser |
                                                               QFileDevice::ReadGroup | QFileDevice::ReadOther;
    QFile::setPermissions(path, rights);
}

} // namespace

// One document from begin to end. Members are destroyed in reverse order: the canvas
// lets go of the writer before the writer lets go of its file.
struct PdfComponent::Document
{
    QString target;
    bool keepExisting = false;
    OutputOutcome failure;
    tempjournal::Note pagesNote; // outlives the file it notes
    std::unique_ptr<QTemporaryFile> pages;
    std::unique_ptr<QPdfWriter> writer;
    PdfPageLayer text;
    std::unique_ptr<Canvas> canvas;
    bool pageOpen = false;
    int pageCount = 0;
    PdfComponent::TextFrame frame; // of the open page
    // The document's pages: which of them the writer has (those something was painted on,
    // and the first), and their sizes.
    std::vector<PdfPagePlacement> placements;
    int writerPages = 0;
    // The encryption, made on another thread while the pages are drawn, for the security
    // settings as they were when the document began.
    std::future<std::unique_ptr<PdfEncryption>> encryption;
    PdfFinishOptions encryptionFor;

    bool failed() const { return !failure.ok(); }
};

PdfComponent::PdfComponent() = default;

PdfComponent::~PdfComponent()
{
    abandonDocument();
}

qint32 PdfComponent::permissionCode(bool print, bool copy, bool edit)
{
    if (!print && !copy && !edit)
        return 0;
    return 1 + (print ? PdfMayPrint : 0) + (edit ? PdfMayModify : 0) + (copy ? PdfMayCopy : 0);
}

void PdfComponent::startEngine()
{
    m_started = true;
}

void PdfComponent::stopEngine()
{
    abandonDocument();
    m_started = false;
}

OutputOutcome PdfComponent::beginDocument(const QString& path, int flags)
{
    abandonDocument();
    m_doc = std::make_unique<Document>();
    Document& doc = *m_doc;
    doc.keepExisting = (flags & KeepExisting) != 0;

    const QFileInfo target(path);
    doc.target = target.absoluteFilePath();
    const QString folder = target.absolutePath();
    if (!m_started)
        doc.failure = OutputOutcome::failure(QStringLiteral("Die PDF-Komponente ist nicht gestartet."));
    else if (path.isEmpty())
        doc.failure = OutputOutcome::failure(QStringLiteral("Für das PDF-Dokument wurde kein Dateiname angegeben."));
    else if (!QFileInfo(folder).isDir())
        doc.failure = OutputOutcome::failure(QStringLiteral("Der Ordner %1 existiert nicht.").arg(native(folder)));
    else if (target.isDir())
        doc.failure = OutputOutcome::failure(
            QStringLiteral("%1 ist ein Ordner, dort kann keine PDF-Datei angelegt werden.").arg(native(doc.target)));
    if (doc.failed())
        return doc.failure;

    doc.pages = std::make_unique<QTemporaryFile>(temporaryPattern(folder));
    if (!doc.pages->open()) {
        doc.failure =
            OutputOutcome::failure(QStringLiteral("Der Ordner %1 ist nicht beschreibbar.").arg(native(folder)));
        doc.pages.reset();
        return doc.failure;
    }
    doc.pagesNote.set(doc.pages->fileName());
    doc.writer = std::make_unique<QPdfWriter>(doc.pages.get());
    doc.writer->setResolution(m_xRes);
    doc.writer->setCreator(QStringLiteral("Druckserver"));
    doc.writer->setTitle(target.completeBaseName());
    doc.canvas = std::make_unique<Canvas>(doc.writer.get());
    doc.canvas->setPageSink(&doc.text);
    doc.encryptionFor = finishOptions(doc);
    if (doc.encryptionFor.encrypts())
        doc.encryption = std::async(std::launch::async, makePdfEncryption, doc.encryptionFor);
    return OutputOutcome::done();
}

PdfFinishOptions PdfComponent::finishOptions(const Document& doc) const
{
    PdfFinishOptions options;
    options.ownerPassword = m_ownerPassword;
    options.openPassword = m_openPassword;
    options.permissionCode = m_permissionCode;
    options.creationDate = m_creationDate;
    options.text = &doc.text;
    options.pages = &doc.placements;
    return options;
}

void PdfComponent::beginPage()
{
    const QSizeF a4 = QPageSize(QPageSize::A4).size(QPageSize::Inch);
    beginPage(qRound(a4.width() * m_xRes), qRound(a4.height() * m_yRes));
}

void PdfComponent::beginPage(int widthPixels, int heightPixels, int flags)
{
    Q_UNUSED(flags);
    if (!m_doc || m_doc->failed())
        return;
    Document& doc = *m_doc;
    endPage();

    // The document draws at the resolution it was begun with; pages begun after a
    // change of resolution are sized with the new one.
    const QPageLayout layout = pageLayout(widthPixels, heightPixels, m_xRes, m_yRes);
    doc.writer->setPageLayout(layout);
    const QRect points = layout.fullRectPoints();
    doc.placements.push_back({-1, double(points.width()), double(points.height())});
    // The writer makes a page only when something is painted on it: a page of text alone
    // is made by the finishing pass, which costs far less. Its file begins with a page
    // of its own.
    Document* const document = &doc;
    if (doc.pageCount == 0)
        openWriterPage(doc);
    else
        doc.canvas->setPageDue([document] { openWriterPage(*document); });
    if (doc.failed())
        return;
    // The writer maps device pixels to points from the top of the page, whose height it
    // writes in whole points.
    doc.frame = {72.0 / doc.writer->resolution(), double(points.height())};
    doc.text.beginPage(doc.pageCount, doc.frame.pointsPerPixel, doc.frame.pageHeightPoints);
    ++doc.pageCount;
    doc.pageOpen = true;
}

void PdfComponent::openWriterPage(Document& doc)
{
    const bool ok = doc.writerPages == 0 ? doc.canvas->begin() : doc.canvas->newPage();
    if (!ok) {
        doc.failure =
            OutputOutcome::failure(QStringLiteral("Die Seite %1 der PDF-Datei %2 konnte nicht angelegt werden.")
                                       .arg(doc.placements.size())
                                       .arg(native(doc.target)));
        return;
    }
    // Pictures (background, attachment pages, bitmap-mode pages) are stored lossless:
    // JPEG would blur pseudo-graphics and thin lines.
    doc.canvas->painter().setRenderHint(QPainter::LosslessImageRendering);
    doc.placements.back().writerPage = doc.writerPages++;
}

void PdfComponent::endPage()
{
    if (!m_doc)
        return;
    m_doc->text.endPage();
    m_doc->pageOpen = false;
}

PdfComponent::TextFrame PdfComponent::textFrame() const
{
    return m_doc ? m_doc->frame : TextFrame{};
}

PdfPageLayer* PdfComponent::textLayer()
{
    return m_doc && !m_doc->failed() ? &m_doc->text : nullptr;
}

void PdfComponent::addPageText(PdfPageLayer::Page text)
{
    if (m_doc && m_doc->pageOpen && !m_doc->failed())
        m_doc->text.addPage(m_doc->pageCount - 1, std::move(text));
}

Canvas& PdfComponent::surface()
{
    if (m_doc && m_doc->pageOpen && !m_doc->failed())
        return *m_doc->canvas;

    // A surface that draws nowhere but still reports the component's resolution, so a
    // caller that measures it without a page gets the same answer as with one.
    if (!m_nowhere) {
        m_nowhereImage = std::make_unique<QImage>(1, 1, QImage::Format_RGB32);
        m_nowhere = std::make_unique<Canvas>(m_nowhereImage.get());
    }
    if (m_nowhere->dpiX() != m_xRes || m_nowhere->dpiY() != m_yRes) {
        m_nowhere->end();
        m_nowhereImage->setDotsPerMeterX(qRound(m_xRes / 0.0254));
        m_nowhereImage->setDotsPerMeterY(qRound(m_yRes / 0.0254));
    }
    return *m_nowhere;
}

void PdfComponent::setHorizontalResolution(int dpi)
{
    if (dpi >= MinResolution && dpi <= MaxResolution)
        m_xRes = dpi;
}

void PdfComponent::setVerticalResolution(int dpi)
{
    if (dpi >= MinResolution && dpi <= MaxResolution)
        m_yRes = dpi;
}

OutputOutcome PdfComponent::endDocument()
{
    if (!m_doc)
        return OutputOutcome::failure(QStringLiteral("Es wurde kein PDF-Dokument begonnen."));
    // A document without pages still becomes a readable file: one empty A4 page.
    if (!m_doc->failed() && m_doc->pageCount == 0)
        beginPage();
    endPage();

    std::unique_ptr<Document> doc = std::move(m_doc);
    if (doc->failed())
        return doc->failure;
    return finishDocument(*doc);
}

OutputOutcome PdfComponent::finishDocument(Document& doc)
{
    const QString target = native(doc.target);
    const OutputOutcome notWritten =
        OutputOutcome::failure(QStringLiteral("Die PDF-Datei %1 konnte nicht geschrieben werden.").arg(target));

    doc.canvas->setPageDue({});
    if (!doc.canvas->end())
        return notWritten;
    doc.canvas.reset();
    doc.writer.reset();
    if (!doc.pages->flush() || doc.pages->error() != QFileDevice::NoError)
        return notWritten;
    doc.pages->close();

    // The finishing pass writes a second hidden file, which is renamed into place only
    // when it is complete. Both temporary files go when `doc` goes.
    const QString folder = QFileInfo(doc.target).absolutePath();
    tempjournal::Note finishedNote;
    QTemporaryFile finished(temporaryPattern(folder));
    if (!finished.open())
        return OutputOutcome::failure(QStringLiteral("Der Ordner %1 ist nicht beschreibbar.").arg(native(folder)));
    finishedNote.set(finished.fileName());
    finished.close();

    PdfFinishOptions options = finishOptions(doc);
    const std::unique_ptr<PdfEncryption> encryption = doc.encryption.valid() ? doc.encryption.get() : nullptr;
    const PdfFinishOptions& madeFor = doc.encryptionFor;
    if (options.openPassword == madeFor.openPassword && options.ownerPassword == madeFor.ownerPassword &&
        options.permissionCode == madeFor.permissionCode)
        options.encryption = encryption.get();
    const QString problem = finishPdf(doc.pages->fileName(), finished.fileName(), options);
    if (!problem.isEmpty())
        return OutputOutcome::failure(
            QStringLiteral("Die PDF-Datei %1 konnte nicht fertiggestellt werden (%2).").arg(target, problem));

    makeReadableLikeNewFile(finished.fileName(), doc.target);
    if (doc.keepExisting) {
        if (!safefiles::renameWithoutReplacing(finished.fileName(), doc.target))
            return OutputOutcome::failure(
                QStringLiteral("Die PDF-Datei %1 gibt es schon; sie wird nicht ersetzt.").arg(target));
        finished.setAutoRemove(false);
        return OutputOutcome::done();
    }
    std::error_code error;
    // Replaces an existing file in one step (also on Windows, unlike QFile::rename).
    std::filesystem::rename(std::filesystem::path(finished.fileName().toStdU16String()),
                            std::filesystem::path(doc.target.toStdU16String()), error);
    if (error)
        return OutputOutcome::failure(QStringLiteral("Die PDF-Datei %1 konnte nicht gespeichert werden (%2).")
                                          .arg(target, QString::fromLocal8Bit(error.message())));
    finished.setAutoRemove(false);
    return OutputOutcome::done();
}

void PdfComponent::abandonDocument()
{
    if (!m_doc)
        return;
    // Ending the painter lets the writer finish into the temporary file, which is then
    // removed with it; nothing of the document is left.
    m_doc.reset();
}
