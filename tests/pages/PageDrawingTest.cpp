// The page that the printer, the PDF and the preview all draw: the background picture by
// the picture mode and the job's page number, the watermark behind the text, over it, or
// not at all.

#include "PageDrawing.h"
#include "Canvas.h"
#include "Ink.h"
#include "ServerSettings.h"
#include "TempFolders.h"
#include "TestContext.h"

#include <gtest/gtest.h>

namespace {

// Page `page` of the context's job on a white 300 x 400 canvas at 72 dpi, with the
// settings of a first start but the watermark layer.
QImage drawPage(TestContext& context, qint32 page, qint16 layer = 0)
{
    QImage image(300, 400, QImage::Format_RGB32);
    image.setDotsPerMeterX(2835);
    image.setDotsPerMeterY(2835);
    image.fill(Qt::white);
    Canvas dc(&image);
    ServerSettingsRecord settings = ServerSettings();
    settings.Waterlayer = layer;
    pages::drawJobPage(dc, context, 0, page, {image.width(), image.height()}, page == 1, settings);
    dc.end();
    return image;
}

} // namespace

TEST(PageDrawing, BackgroundPictureFollowsThePictureModeAndTheJobsPageNumber)
{
    TempFolders dirs;
    LoadServerSettings(dirs.settingsFile());
    TestContext context(3, 2);
    QImage red(40, 60, QImage::Format_RGB32);
    red.fill(Qt::red);
    context.Picture1().setPicture(red);
    const struct
    {
        qint16 mode;
        QList<int> pagesWithPicture;
    } cases[] = {{2, {1, 2, 3}}, {1, {1}}, {0, {}}, {7, {}}}; // "nur 1.Seite" is page 1, whatever the range
    for (const auto& c : cases) {
        context.picPageMode = c.mode;
        QList<int> pages;
        for (int page = 1; page <= 3; ++page)
            if (colourShare(drawPage(context, page), Qt::red) > 0.5)
                pages << page;
        EXPECT_EQ(pages, c.pagesWithPicture) << "mode " << c.mode;
    }
}

TEST(PageDrawing, WatermarkLayerPutsItBehindOrOverTheTextOrNowhere)
{
    TempFolders dirs;
    LoadServerSettings(dirs.settingsFile());
    // Full blocks over the left half of the page; a red watermark across its centre.
    TestContext context;
    context.job().PageLen = 40;
    for (int line = 1; line <= 40; ++line)
        context.job().AddLineToArray(QString(20, QChar(0x2588)));
    context.job().AddWatermark(QStringLiteral("ROT|Arial|100| 1| 0| 0| 0| 0| 0| 0| 12| 0"), 0);
    const QRect underText(80, 170, 50, 60), beside(170, 170, 50, 60);
    const struct
    {
        qint16 layer;
        qint32 position; // 0 is "Ohne"
        bool redUnderText, redBeside;
    } cases[] = {{0, 1, false, true}, {1, 1, true, true}, {2, 1, false, false}, {1, 0, false, false}};
    for (const auto& c : cases) {
        context.setWatermarkPosition(c.position);
        const QImage page = drawPage(context, 1, c.layer);
        EXPECT_EQ(colourShare(page, Qt::red, 60, underText) > 0.05, c.redUnderText) << "layer " << c.layer;
        EXPECT_EQ(colourShare(page, Qt::red, 60, beside) > 0.05, c.redBeside) << "layer " << c.layer;
    }
}
