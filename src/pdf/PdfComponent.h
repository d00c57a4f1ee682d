#pragma once

#include "OutputOutcome.h"

#include <QDateTime>
#include <QString>

#include <memory>

class Canvas;
class QImage;

// The PDF component the PDF outputs drive: a document of pages drawn through the
// engine's canvas onto a QPdfWriter, finished by a pass that adds encryption and the
// creation date (PdfFinish.h). The lines the engine renders (text, frames, shades) do not
// go through the writer's painter: the canvas hands them to the document's page layer
// (PdfPageLayer.h), which writes them as compact PDF content, and the finishing pass puts
// that content on top of each page. Page content is stored compressed: a page of text is
// a few KiB instead of hundreds. Pictures drawn on a page are stored lossless, never as
// JPEG. The operation numbers in the comments are the dispatch
// ids the outputs were written against.
//
// Settings written to the component (resolutions, security texts, permission code,
// date text, numeric setting) are kept until they are written again, across stopping
// and starting the engine: the PDF output writes them once and then makes a probe
// document and the real one, with a stop and a start in between.
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

    // 3: start the engine. The path names the engine library of the original setup and
    // is not needed here; the result says whether the engine runs.
    bool startEngine(const QString& enginePath = QString());
    // 4: stop the engine. An open document is abandoned without leaving a file.
    void stopEngine();
    bool isStarted() const { return m_started; }

    // 6: begin a document at `path` (a complete file path). Fails when the engine is not
    // started or the folder is missing or not writable; the failure is kept and reported
    // again by endDocument(), and page operations do nothing until then. With the flag
    // KeepExisting the finished document never replaces a file: endDocument() fails when
    // one has that name by then.
    static constexpr int KeepExisting = 1;
    OutputOutcome beginDocument(const QString& path, int flags = 0);
    // 7: end the document. Done means the file is complete at its path.
    OutputOutcome endDocument();
    bool hasDocument() const;

    // 8: begin an A4 portrait page at the current resolution.
    void beginPage();
    // 9: begin a page of width x height pixels at the current resolution. An open page
    // is ended first. Sizes below one pixel count as one.
    void beginPage(int widthPixels, int heightPixels, int flags = 0);
    // 10: end the current page.
    void endPage();
    bool hasPage() const;

    // 79: the drawing surface of the current page, valid until the page ends. Its
    // logical dots per inch are the component's resolution. Without an open page it is
    // a surface that draws nowhere. The reference stays valid while the component lives.
    Canvas& surface();

    // 41, 42: resolution in dots per inch, used for the pages begun afterwards. Values
    // outside 1 to 9600 are ignored. The document draws at the horizontal resolution;
    // the vertical one sets the page height for a given number of pixels.
    void setHorizontalResolution(int dpi);
    void setVerticalResolution(int dpi);
    int horizontalResolution() const { return m_xRes; }
    int verticalResolution() const { return m_yRes; }

    // 49: a numeric setting the outputs write as 0; kept and read back only.
    void setNumericSetting(int value) { m_numericSetting = value; }
    int numericSetting() const { return m_numericSetting; }

    // 54: permission code, see PdfFinishOptions for its meaning.
    void setPermissionCode(qint32 code) { m_permissionCode = code; }
    qint32 permissionCode() const { return m_permissionCode; }

    // 56: the first security text, the owner password.
    void setPdfPassword(const QString& text) { m_ownerPassword = text; }
    QString pdfPassword() const { return m_ownerPassword; }
    // 59: the second security text, the password that opens the document.
    void setPdfSignatur(const QString& text) { m_openPassword = text; }
    QString pdfSignatur() const { return m_openPassword; }

    // 57: date text "dd.MM.yyyy hh:mm:ss" (local time), the creation date of the
    // documents made afterwards. Text in another form leaves the date of writing.
    void setDateText(const QString& text);
    QString dateText() const { return m_dateText; }

private:
    struct Document;

    void abandonDocument();
    OutputOutcome finishDocument(Document& doc);

    bool m_started = false;
    int m_xRes = DefaultResolution;
    int m_yRes = DefaultResolution;
    int m_numericSetting = 0;
    qint32 m_permissionCode = 0;
    QString m_ownerPassword;
    QString m_openPassword;
    QString m_dateText;
    QDateTime m_creationDate;

    std::unique_ptr<Document> m_doc;
    std::unique_ptr<QImage> m_nowhereImage;
    std::unique_ptr<Canvas> m_nowhere;
};
