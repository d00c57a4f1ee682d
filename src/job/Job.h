#pragma once

#include "JobObserver.h"
#include "PageTable.h"

#include <QString>
#include <QStringList>

// One print job: the text of one print file cut into pages of PageLen lines, and the
// values its embedded commands set. The print dialog holds one, and the outputs and the
// preview read that instance through the dialog's output context. The job knows nothing
// of windows: what the dialog shows of it is reported to a JobObserver.
//
// Lifecycle: created empty; the reader sets Landscape and PageLen while it scans the
// print file, then IniFile; the dialog's init sets LeftSpace, OnlyBackground and
// AutoStart and loads the server settings from IniFile; then every record goes to
// AddLineToArray in file order. After that the job is read only, except for the lines
// the outputs write back through setPageLine.
//
// Page table invariants: pages are numbered from 1; page 0 and lines 0 to Topspace of
// every page stay empty; the text of a page stands in lines Topspace + 1 to
// Topspace + PageLen; a line never written reads as empty text.
// A document name ("DATEI", or the answer of the name dialog) as a file name can hold
// it: control characters and the bytes of printer escape sequences removed, blanks at
// both ends trimmed. A name of dots alone ("." or "..") names no file: empty text.
QString cleanPdfName(const QString& name);

class Job
{
public:
    Job() = default;
    virtual ~Job() = default;

    qint32 PageLen = 0;  // printable lines per page
    QString pdfName;     // document name ("DATEI")
    QString RecEMail;    // mail recipients ("EMAIL")
    QString RecEMailCC;  // copy recipients ("CCEMAIL")
    QString RecEMailBCC; // blind-copy recipients ("BCCEMAIL")
    QString RecFax;      // fax number, digits only ("FAX")
    QString SubjectMail; // mail subject ("BETREFF")
    QString TextEmail;   // path of a text file with the mail body ("TXTEMAIL")
    QString AnHaenge;    // further attachment paths joined by ", " ("ANHANG")
    qint32 LeftSpace = 0;
    qint32 Topspace = 0; // empty lines above the text of the page being filled
    bool OnlyBackground = false;
    bool AutoStart = false;

    bool Landscape() const { return m_landscape; }
    // Stores the orientation and reports the page picture and its shadow to the observer.
    void setLandscape(bool landscape);

    QString IniFile() const { return m_iniFile; }
    void setIniFile(const QString& file) { m_iniFile = file; }

    // The file StartNewPage reads TopSpace from. Empty (the default) means the server's
    // default settings file; the command-line tools name their own.
    QString defaultSettingsFile() const;
    void setDefaultSettingsFile(const QString& path) { m_defaultSettingsFile = path; }

    // Not owned; may be null. The observer must outlive the job or be reset first.
    void setObserver(JobObserver* observer) { m_observer = observer; }
    JobObserver* observer() const { return m_observer; }

    qint32 PageCount() const { return PageLines.pageCount(); }
    // The line the next text goes to; 0 means the next text record opens a new page.
    qint32 CurrentLine() const;

    // The text of (line, page); empty text outside the table.
    QString GetPageLine(qint32 line, qint32 page) const { return PageLines(line, page); }
    // Replaces the text of (line, page), as the outputs do with what the line renderer
    // hands back. Outside the table nothing is stored.
    void setPageLine(qint32 line, qint32 page, const QString& text) { PageLines.set(line, page, text); }

    // How many lines per page the outputs draw (lines 1 to this number) and pass on as
    // the lines per page: PageLen + Topspace, so the top margin stays blank and no text
    // line is lost; the largest such sum when TopSpace changed between pages.
    qint32 OutputLineCount() const;

    const QStringList& Watermarks() const { return m_watermarks; }
    // Stores a watermark definition at Index, growing the list to Index + 1 entries and
    // keeping the existing ones. A negative or absurdly large Index stores nothing.
    void AddWatermark(const QString& Water, qint32 Index);

    // Hands one record of the print file to the job: an embedded command sets a value, a
    // text line goes onto the current page, and a page break opens the next page. Never
    // throws. The first record with a NUL character shows a message box with its text
    // (logged when headless); later ones are only counted.
    void AddLineToArray(const QString& record);
    // How many records held a NUL character.
    qint64 nulRecordCount() const { return m_nulRecords; }

protected:
    PageTable PageLines; // (line, page)

private:
    void StartNewPage();
    void runCommand(const QString& record);
    void reportNul(const QString& line);

    bool m_landscape = false;
    QString m_iniFile;
    QString m_defaultSettingsFile;
    JobObserver* m_observer = nullptr;
    qint64 m_currentLine = 0; // wide, so a huge TopSpace or PageLen cannot overflow it
    qint64 m_nulRecords = 0;
    QStringList m_watermarks;
};
