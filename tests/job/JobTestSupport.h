#pragma once

#include "Job.h"
#include "TempFolders.h"

#include <QList>
#include <QString>

#include <gtest/gtest.h>

// A job of 65 lines a page in private folders.
class JobFixture : public ::testing::Test
{
protected:
    TempFolders folders;
    Job job;

    void SetUp() override { job.PageLen = 65; }
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
