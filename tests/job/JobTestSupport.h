#pragma once

#include "Job.h"
#include "JobObserver.h"

#include <QList>
#include <QRect>
#include <QString>

#include <ostream>

// Readable failure messages for text.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

// Records everything a job reports, in order.
struct RecordingObserver : JobObserver
{
    QList<qint32> pageCounts;
    QList<QRect> pictures, shadows;
    QStringList emails, faxes;

    void pageCountChanged(qint32 pageCount) override { pageCounts.append(pageCount); }
    void pagePictureGeometryChanged(const QRect& picture, const QRect& shadow) override
    {
        pictures.append(picture);
        shadows.append(shadow);
    }
    void emailChanged(const QString& recipients) override { emails.append(recipients); }
    void faxChanged(const QString& number) override { faxes.append(number); }
};

// A job that also lets a test look at the protected page table the outputs read.
struct InspectableJob : Job
{
    using Job::PageLines;
};

// Hands every record to the job in order.
inline void feed(Job& job, const QStringList& records)
{
    for (const QString& record : records)
        job.AddLineToArray(record);
}

// The text of every page, lines 1 to OutputLineCount with trailing empty lines dropped.
inline QList<QStringList> pagesOf(const Job& job)
{
    QList<QStringList> pages;
    for (qint32 page = 1; page <= job.PageCount(); ++page) {
        QStringList lines;
        for (qint32 line = 1; line <= job.OutputLineCount(); ++line)
            lines.append(job.GetPageLine(line, page));
        while (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        pages.append(lines);
    }
    return pages;
}

// Records "L1" .. "Ln".
inline QStringList numberedLines(int count, const QString& prefix = QStringLiteral("L"))
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines.append(prefix + QString::number(i));
    return lines;
}
