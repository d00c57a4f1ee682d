#pragma once

#include "WindowlessContext.h"

#include <functional>

// The print dialog's part of an output, for tests: a job filled line by line, the slot's
// picture mode, and a record of the progress reported. Needs the pages library.
class TestContext : public WindowlessContext
{
public:
    explicit TestContext(int pages = 0, int linesPerPage = 0)
    {
        if (pages > 0)
            fill(pages, linesPerPage);
    }

    qint16 PicPageMode(qint16) const override { return picPageMode; }
    void setProgressMaximum(qint16, qint32 pages, qint32 total) override { maxima.append({pages, total}); }
    void setProgressValue(qint16, qint32 pages, qint32 total) override { values.append({pages, total}); }
    void processEvents() override { onEvents(); }

    // `pages` pages of `linesPerPage` lines each, "P<page>Z<line>" followed by `tail`; the
    // range set to all pages.
    void fill(int pages, int linesPerPage, const QString& tail = QString())
    {
        job().PageLen = linesPerPage;
        for (int p = 1; p <= pages; ++p)
            for (int l = 1; l <= linesPerPage; ++l)
                job().AddLineToArray(QStringLiteral("P%1Z%2%3").arg(p).arg(l).arg(tail));
        FromPage = 1;
        ToPage = job().PageCount();
    }

    qint16 picPageMode = 0;
    QList<QPair<qint32, qint32>> maxima, values;
    std::function<void()> onEvents = [] {};
};
