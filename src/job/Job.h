#pragma once

#include "engine/DocumentTracker.h"
#include "settings/JobSettings.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

// One print job: the text of one print file cut into pages, the values its embedded
// commands set, and the settings it is output with. A job is made by the loader
// (JobLoader.h) and read-only from then on: the print dialog shows it, the outputs and the
// preview draw it, and none of them changes it.
//
// The pages are not held in memory: the job keeps where each page starts in its print
// file, and JobPages reads a page back when it is drawn. The print file (the server's
// spool entry, or the file a tool was given) must stay as it is while the job lives.
class Job
{
public:
    // What the print file's commands set ("@DATEI" and so on), as the program wrote them.
    QString documentName;   // "DATEI": the PDF's name without ".pdf" (see cleanPdfName)
    QString mailTo;         // "EMAIL"
    QString mailCc;         // "CCEMAIL"
    QString mailBcc;        // "BCCEMAIL"
    QString faxNumber;      // "FAX", digits only
    QString mailSubject;    // "BETREFF"
    QString mailBodyName;   // "TXTEMAIL": the file holding the mail body
    QString attachmentList; // "ANHANG": every value, joined by ", "

    // The files those names stand for, found as the job may reach them (JobFiles): the
    // canonical paths of those that exist, in the order named. A name not found is left
    // out (and logged when the job was read).
    QString mailBodyFile;
    QStringList attachmentFiles;

    JobSettings settings;
    bool landscape = false;
    qint32 pageLength = 0; // text lines per page
    // The definitions of Wasser.txt when the job was read, and the names the print dialog
    // offers for them: "Ohne" first, so name p (p >= 1) stands for definition p - 1; no
    // names at all when the file could not be read.
    QStringList watermarks;
    QStringList watermarkNames;

    qint32 number = 0;  // the job's number in the print dialog's caption; 0 outside the server
    QString sourceFile; // the print file the pages are read back from
    int codePage = 437;

    qint32 pageCount() const { return qint32(m_pageStarts.size()); }
    // The lines every page is drawn with, the blank top margin included: the page's text
    // stands in lines topSpace + 1 to this number.
    qint32 linesPerPage() const;

    // Where a page starts: the record that opens it and the filling's position before it,
    // and the print modes and font a drawing of the whole job from page 1 brings to it.
    struct PageStart
    {
        qint64 recordOffset = 0;
        qint32 pagesBefore = 0;
        qint64 lineBefore = 0;
        PageStartState drawing;
    };
    const QList<PageStart>& pageStarts() const { return m_pageStarts; }
    void addPageStart(const PageStart& start) { m_pageStarts.append(start); }
    // The natural width of the widest line of all pages, in inches (LineMeasurer).
    double widestLineInches() const { return m_widestLineInches; }
    void setWidestLineInches(double inches) { m_widestLineInches = inches; }

private:
    QList<PageStart> m_pageStarts;
    double m_widestLineInches = 0;
};

// The lines of one page, numbered from 1; a line never written is empty.
struct PageText
{
    qint32 page = 0;
    QStringList lines; // lines[0] is line 1

    const QString& line(qint32 number) const;
};

// Reads a job's pages back from its print file, in any order; each call reads the records
// of that page only. One object per thread.
class JobPages
{
public:
    explicit JobPages(const Job& job);
    ~JobPages();
    JobPages(const JobPages&) = delete;
    JobPages& operator=(const JobPages&) = delete;

    // The page's lines; an empty page for a number outside 1 to pageCount(). The answer
    // stays valid until the next call.
    const PageText& page(qint32 number);

private:
    class Reader;
    const Job& m_job;
    std::unique_ptr<Reader> m_reader;
    PageText m_page;
};

// A document name ("DATEI", or the answer of the name dialog) as a file name can hold it:
// control characters and the bytes of printer escape sequences removed, blanks at both
// ends trimmed. A name of dots alone ("." or "..") names no file: empty text.
QString cleanPdfName(const QString& name);
