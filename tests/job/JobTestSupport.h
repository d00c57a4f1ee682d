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

// Records "L1" .. "Ln".
inline QStringList numberedLines(int count, const QString& prefix = QStringLiteral("L"))
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines.append(prefix + QString::number(i));
    return lines;
}
