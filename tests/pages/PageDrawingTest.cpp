// The page that the printer, the PDF and the preview all draw: the background picture by
// the picture mode and the job's page number, the watermark behind the text, over it, or
// not at all.

#include "engine/Canvas.h"
#include "engine/RendererState.h"
#include "pages/PageDrawing.h"
#include "support/Ink.h"
#include "support/TestJobs.h"

#include <gtest/gtest.h>

namespace {

// Page `page` of the job on a white 300 x 400 canvas at 72 dpi.
QImage drawPage(const Job& job, const OutputRequest& request, qint32 page)
{
    QImage image(300, 400, QImage::Format_RGB32);
    image.setDotsPerMeterX(2835);
    image.setDotsPerMeterY(2835);
    image.fill(Qt::white);
    Canvas dc(&image);
    JobPages pages(job);
    pages::DocumentState state{job.settings.fontName};
    pages::drawJobPage(dc, job, pages.page(page), request, {image.width(), image.height()}, page == 1, state);
    dc.end();
    return image;
}

} // namespace

// Where each page starts, planned without drawing, is what drawing the pages before it in
// order leaves: print modes and font carry over, the line a double-height line takes is
// not interpreted (its "bold off" never acts), and the first page drawn starts afresh.
TEST(PageDrawing, ThePlanStartsEachPageAsDrawingThePagesBeforeItLeavesIt)
{
    TempFolders dirs;
    dirs.setSetting("Pserver", "LinesPerPage", "4");
    const Job job = jobOf(dirs, {"a", "\x1b" "E fett", "b", "c", "\x1bk\x01" "Arial", "\x1bw\x01hoch", "\x1b" "F nicht",
                                 "d", "e"});
    ASSERT_EQ(job.pageCount(), 3);
    const pages::DocumentPlan plan = pages::planDocument(job, 1, 3);
    ASSERT_EQ(plan.starts.size(), 3u);

    QImage image(300, 400, QImage::Format_RGB32);
    Canvas dc(&image);
    JobPages pages(job);
    pages::DocumentState state{job.settings.fontName};
    for (qint32 page = 1; page <= 3; ++page) {
        EXPECT_EQ(plan.starts[size_t(page - 1)].modes, dc.rendererState().modes) << page;
        EXPECT_EQ(plan.starts[size_t(page - 1)].fontName, state.fontName) << page;
        pages::drawLines(dc, job, pages.page(page), {300, 400}, page == 1, state);
    }
    EXPECT_TRUE(plan.starts[2].modes.bold && plan.starts[2].modes.doubleHeight);
    EXPECT_EQ(plan.starts[2].fontName, "Arial");

    const pages::DocumentPlan fromTwo = pages::planDocument(job, 2, 3);
    EXPECT_EQ(fromTwo.starts.front().modes, RendererModes());
    EXPECT_EQ(fromTwo.starts.front().fontName, job.settings.fontName);
    EXPECT_EQ(fromTwo.widestLineInches, plan.widestLineInches) << "measured over every page";
}

TEST(PageDrawing, BackgroundPictureFollowsThePictureModeAndTheJobsPageNumber)
{
    TempFolders dirs;
    const Job job = pagesJob(dirs, 3, 2);
    OutputRequest request = allPages(job);
    request.picture = QImage(40, 60, QImage::Format_RGB32);
    request.picture.fill(Qt::red);
    const struct
    {
        qint16 mode;
        QList<int> pagesWithPicture;
    } cases[] = {{2, {1, 2, 3}}, {1, {1}}, {0, {}}, {7, {}}}; // "nur 1.Seite" is page 1, whatever the range
    for (const auto& c : cases) {
        request.pictureMode = c.mode;
        QList<int> pages;
        for (int page = 1; page <= 3; ++page)
            if (colourShare(drawPage(job, request, page), Qt::red) > 0.5)
                pages << page;
        EXPECT_EQ(pages, c.pagesWithPicture) << "mode " << c.mode;
    }
}

TEST(PageDrawing, WatermarkLayerPutsItBehindOrOverTheTextOrNowhere)
{
    TempFolders dirs;
    // Full blocks over the left half of the page; a red watermark across its centre.
    dirs.setSetting("Pserver", "LinesPerPage", "40");
    Job job = jobOf(dirs, QStringList(40, QString(20, QChar(0xDB)))); // code page 437: a full block
    OutputRequest request = allPages(job);
    const QRect underText(80, 170, 50, 60), beside(170, 170, 50, 60);
    const struct
    {
        qint16 layer;
        bool chosen; // a watermark chosen, not "Ohne"
        bool redUnderText, redBeside;
    } cases[] = {{0, true, false, true}, {1, true, true, true}, {2, true, false, false}, {1, false, false, false}};
    for (const auto& c : cases) {
        job.settings.watermarkLayer = c.layer;
        request.watermark = c.chosen ? QStringLiteral("ROT|Arial|100| 1| 0| 0| 0| 0| 0| 0| 12| 0") : QString();
        const QImage page = drawPage(job, request, 1);
        EXPECT_EQ(colourShare(page, Qt::red, 60, underText) > 0.05, c.redUnderText) << "layer " << c.layer;
        EXPECT_EQ(colourShare(page, Qt::red, 60, beside) > 0.05, c.redBeside) << "layer " << c.layer;
    }
}
