#pragma once

#include "Job.h"
#include "JobObserver.h"
#include "TempFolders.h"

#include <QList>
#include <QString>

#include <gtest/gtest.h>

// Records what a job reports about pages, addresses and numbers, in order.
struct RecordingObserver : JobObserver
{
    QList<qint32> pageCounts;
    QStringList emails, faxes;

    void pageCountChanged(qint32 pageCount) override { pageCounts.append(pageCount); }
    void emailChanged(const QString& recipients) override { emails.append(recipients); }
    void faxChanged(const QString& number) override { faxes.append(number); }
};

// A job of 65 lines a page in private folders, observed.
class JobFixture : public ::testing::Test
{
protected:
    TempFolders folders;
    Job job;
    RecordingObserver observer;

    void SetUp() override
    {
        job.PageLen = 65;
        job.setObserver(&observer);
    }
};

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
inline QStringList numberedLines(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines.append(QStringLiteral("L") + QString::number(i));
    return lines;
}
