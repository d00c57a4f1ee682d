#pragma once

#include "job/Job.h"
#include "job/JobLoader.h"
#include "pages/Output.h"
#include "support/TempFolders.h"

#include <QList>
#include <QPair>

#include <functional>

// Jobs as the server reads them, from print files written for a test, and a record of the
// progress an output reports. Needs the job and pages libraries.

// The job of a print file of these records (CR LF line ends, Latin-1), read with the
// default settings file of `folders`; the file lies in the AppData folder as `name`.
inline Job jobOf(const TempFolders& folders, const QStringList& records, const QString& name = QStringLiteral("d.dat"))
{
    const QString file = TempFolders::writeFile(folders.appData() + u'/' + name,
                                                records.join(QStringLiteral("\r\n")).toLatin1() + "\r\n");
    return loadJob(file, toolLoadOptions(folders.settingsFile())).job;
}

// `pages` pages of `linesPerPage` lines each, "P<page>Z<line>" followed by `tail`
// (LinesPerPage is set to linesPerPage, so the pages are full without a form feed).
inline Job pagesJob(const TempFolders& folders, int pages, int linesPerPage, const QString& tail = QString())
{
    folders.setSetting(QStringLiteral("Pserver"), QStringLiteral("LinesPerPage"), QString::number(linesPerPage));
    QStringList records;
    for (int p = 1; p <= pages; ++p)
        for (int l = 1; l <= linesPerPage; ++l)
            records << QStringLiteral("P%1Z%2%3").arg(p).arg(l).arg(tail);
    return jobOf(folders, records);
}

// A request for every page of the job.
inline OutputRequest allPages(const Job& job, Destination destination = Destination::Pdf)
{
    OutputRequest request;
    request.destination = destination;
    request.toPage = job.pageCount();
    request.mailTo = job.mailTo;
    request.faxNumber = job.faxNumber;
    return request;
}

class RecordingProgress : public OutputProgress
{
public:
    void setMaxima(qint32 pages, qint32 total) override { maxima.append({pages, total}); }
    void setValues(qint32 page, qint32 total) override { values.append({page, total}); }
    void letEventsRun() override { onEvents(); }

    QList<QPair<qint32, qint32>> maxima, values;
    std::function<void()> onEvents = [] {};
};
