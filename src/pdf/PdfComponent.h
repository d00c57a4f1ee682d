#pragma once

#include "pages/OutputOutcome.h"
#include "pdf/PdfPageLayer.h"

#include <QDateTime>
#include <QString>

#include <memory>

struct PdfFinishOptions;

class Canvas;
class QImage;

// The PDF component the PDF outputs drive: a document of pages drawn through the
// engine's canvas onto a QPdfWriter, finished by a pass that adds encryption and the
// creation date (PdfFinish.h). The lines the engine renders (text, frames, shades) do not
// go through the writer's painter: the canvas hands them to the document's page layer
// (PdfPageLayer.h), which writes them as compact PDF content, and the finishing pass puts
// that content on top of each page. Page content is stored compressed: a page of text is
// a few KiB instead of hundreds. Pictures drawn on a page are stored lossless, never as
// JPEG.
//
// Settings written to the component (resolutions, passwords, permission code, creation
// date) are kept until they are written again, across stopping and starting the engine.
//
// Files appear atomically: the pages go to a hidden file beside the target, and only
// a completed document is renamed into place. A failed document leaves no file behind,
// neither the target nor a temporary one; the temporary files of a killed process are
// noted in the journal (TempJournal.h) and removed at the next start. Misuse (a page
// without a document, a second document while one is open) is absorbed and never
// crashes.
class PdfComponent
{
public:
    PdfComponent();
    ~PdfComponent(); // abandons an open document without leaving a file
    PdfComponent(const PdfComponent&) = delete;
    PdfComponent& operator=(const PdfComponent&) = delete;

    // The resolution the component starts with, in dots per inch.
    static constexpr int DefaultResolution = 72;

    // The code the PDF output writes from its three permission flags: 0 when none is
    // set, otherwise 1 + 2 x print + 4 x edit + 8 x copy.
    static qint32 permissionCode(bool print, bool copy, bool edit);

    // Starts the engine; documents can be made until it is stopped.
    void startEngine();
    // Stops the engine. An open document is abandoned without leaving a file.
    void stopEngine();

    // Begins a document at `path` (a complete file path). Fails when the engine is not
    // started or the folder is missing or not writable; the failure is kept and reported
    // again by endDocument(), and page operations do nothing until then. With the flag
    // KeepExisting the finished document never replaces a file: endDocument() fails when
    // one has that name by then.
    static constexpr int KeepExisting = 1;
    OutputOutcome beginDocument(const QString& path, int flags = 0);
    // Ends the document. Done means the file is complete at its path.
    OutputOutcome endDocument();

    // Begins an A4 portrait page at the current resolution.
    void beginPage();
    // Begins a page of width x height pixels at the current resolution. An open page
    // is ended first. Sizes below one pixel count as one.
    void beginPage(int widthPixels, int heightPixels, int flags = 0);
    // Ends the current page.
    void endPage();

    // The drawing surface of the current page, valid until the page ends. Its
    // logical dots per inch are the component's resolution. Without an open page it is
    // a surface that draws nowhere. The reference stays valid while the component lives.
    Canvas& surface();

    // Where the open page's lines go when they are written apart from its painter (by a
    // PdfPageWriter of the layer, on any thread): the layer, and how device pixels map to
    // PDF points on the page. The layer lives as long as the document.
    struct TextFrame
    {
        double pointsPerPixel = 1;
        double pageHeightPoints = 0;
    };
    TextFrame textFrame() const;
    PdfPageLayer* textLayer();
    // Adds lines written apart to the open page; they lie above what its painter draws.
    void addPageText(PdfPageLayer::Page text);

    // The resolution in dots per inch, used for the pages begun afterwards. Values
    // outside 1 to 9600 are ignored. The document draws at the horizontal resolution;
    // the vertical one sets the page height for a given number of pixels.
    void setHorizontalResolution(int dpi);
    void setVerticalResolution(int dpi);
    int horizontalResolution() const { return m_xRes; }
    int verticalResolution() const { return m_yRes; }

    // The permission code, see PdfFinishOptions for its meaning.
    void setPermissionCode(qint32 code) { m_permissionCode = code; }
    qint32 permissionCode() const { return m_permissionCode; }

    // The owner password: it lifts the permissions (PdfPassword).
    void setOwnerPassword(const QString& text) { m_ownerPassword = text; }
    // The password that opens the document (PdfSignatur).
    void setOpenPassword(const QString& text) { m_openPassword = text; }

    // The creation date of the documents made afterwards; an invalid one leaves the date
    // of writing.
    void setCreationDate(const QDateTime& date) { m_creationDate = date; }

private:
    struct Document;

    void abandonDocument();
    OutputOutcome finishDocument(Document& doc);
    PdfFinishOptions finishOptions(const Document& doc) const;
    static void openWriterPage(Document& doc);

    bool m_started = false;
    int m_xRes = DefaultResolution;
    int m_yRes = DefaultResolution;
    qint32 m_permissionCode = 0;
    QString m_ownerPassword;
    QString m_openPassword;
    QDateTime m_creationDate;

    std::unique_ptr<Document> m_doc;
    std::unique_ptr<QImage> m_nowhereImage;
    std::unique_ptr<Canvas> m_nowhere;
};
