#include "dialog/PrintDialog.h"
#include "pdf/PdfOutput.h"
#include "platform/MessageBox.h"
#include "platform/Printers.h"
#include "preview/PictureBox.h"
#include "preview/PreviewWindow.h"
#include "support/CupsSpooler.h"
#include "support/Ink.h"
#include "support/PdfTools.h"
#include "support/TestJobs.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace {

const QString Muster = QStringLiteral("MUSTER|Arial|110| 1| 0| 0| 0| 0| 0| 450| 8| 60");

Job landscapeIf(bool landscape, Job job)
{
    job.landscape = landscape;
    return job;
}

OutputRequest withWatermark(const QString& definition)
{
    OutputRequest request;
    request.watermark = definition;
    return request;
}

// A job of `pages` pages whose lines name page and line, and a preview of all its pages
// with the request's picture and watermark, set up as the print dialog sets one up; not
// shown yet.
struct Preview
{
    TempFolders dirs;
    Job job;
    PreviewWindow m;
    explicit Preview(int pages, bool landscape = false, const OutputRequest& request = {})
        : job(landscapeIf(landscape, pagesJob(dirs, pages, 10))), m(job, request)
    {
        m.firstPage = 1;
        m.lastPage = pages;
    }
    QAction* button(const char* tip)
    {
        for (QAction* action : m.findChild<QToolBar*>("toolbar")->actions())
            if (action->toolTip() == QString::fromUtf8(tip))
                return action;
        ADD_FAILURE() << tip;
        return new QAction(&m);
    }
    QString display() const { return m.findChild<QLineEdit*>("pageDisplay")->text(); }
    void zoom(int percent) { m.findChild<QSlider*>("zoomSlider")->setValue(percent); }
};

} // namespace

TEST(PreviewWindow, VorschauOpensTheChosenRangeModallyAndEscClosesIt)
{
    TempFolders dirs;
    const Job job = pagesJob(dirs, 5, 10);
    PrintDialog dialog(job);
    dialog.findChild<QRadioButton*>("pageRangeOption")->setChecked(true);
    dialog.findChild<QLineEdit*>("fromPageEdit")->setText("2");
    dialog.findChild<QLineEdit*>("toPageEdit")->setText("4");
    QStringList seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* m = qobject_cast<PreviewWindow*>(QApplication::activeModalWidget())) {
            seen << QStringLiteral("%1-%2").arg(m->firstPage).arg(m->lastPage);
            QTest::keyClick(m, Qt::Key_Escape);
        }
    });
    poll.start(10);
    dialog.findChild<QPushButton*>("previewButton")->click(); // returns once the modal preview closed
    EXPECT_EQ(seen, QStringList{"2-4"}) << "shown once: Esc closed it";
}

TEST(PreviewWindow, ToolbarKeepsToThePages)
{
    // A one-page job opens with next and last disabled.
    Preview one(1);
    one.m.show();
    EXPECT_FALSE(one.button("1 Seite vorwärts")->isEnabled());
    EXPECT_FALSE(one.button("letzte Seite")->isEnabled());
    EXPECT_EQ(one.display(), "Seite 1 von 1");

    // Previous on the first page keeps the page and draws it again.
    Preview p(3);
    p.m.show();
    p.button("1 Seite vorwärts")->trigger();
    EXPECT_EQ(p.display(), "Seite 2 von 3");
    p.button("1 Seite rückwärts")->trigger();
    const qint64 drawn = p.m.pageImage().cacheKey();
    p.m.toolbarClicked(PreviewWindow::Button::Previous); // the button itself is disabled on the first page
    EXPECT_EQ(p.display(), "Seite 1 von 3");
    EXPECT_NE(p.m.pageImage().cacheKey(), drawn);
}

TEST(PreviewWindow, Zoom180OnLandscapeDrawsThePageAt31104TwipsAcrossAndScrollsNoFurtherThanItsEdge)
{
    Preview p(1, true);
    p.m.show();
    p.zoom(180);
    const auto* picture = p.m.findChild<PictureBox*>("pageView");
    EXPECT_EQ(picture->twips().width(), 31104);
    // Drawn at the zoom's resolution: the page fills the picture, pixel for pixel.
    EXPECT_NEAR(p.m.pageImage().width(), picture->width(), picture->width() / 50);
    // The bar's thumb is the part in view; at its end the sheet's right edge meets the
    // area's right edge.
    auto* bar = p.m.findChild<QScrollBar*>("horizontalBar");
    EXPECT_EQ(bar->maximum() + bar->pageStep(), picture->width());
    bar->setValue(bar->maximum());
    EXPECT_EQ(picture->geometry().right(), picture->parentWidget()->rect().right());
}

TEST(PreviewWindow, ResizingTheWindowFitsTheSheetAgainUntilTheUserZooms)
{
    Preview p(1);
    p.m.show();
    auto* slider = p.m.findChild<QSlider*>("zoomSlider");
    const int opened = slider->value();
    p.m.resize(p.m.width() / 2, p.m.height() / 2);
    EXPECT_LT(slider->value(), opened);
    p.zoom(100);
    p.m.resize(p.m.width() * 2, p.m.height() * 2);
    EXPECT_EQ(slider->value(), 100);
}

TEST(PreviewWindow, CtrlWheelZoomsByTheSlidersStep)
{
    Preview p(1);
    p.m.show();
    auto* slider = p.m.findChild<QSlider*>("zoomSlider");
    p.zoom(100);
    QWidget* area = p.m.findChild<QScrollArea*>("pageArea")->viewport();
    QWheelEvent up(QPointF(10, 10), area->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, 240), Qt::NoButton,
                   Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(area, &up);
    EXPECT_EQ(slider->value(), 120);
}

TEST(PreviewWindow, PageKeysTurnPagesWhileTheZoomSliderHasTheFocus)
{
    Preview p(3);
    p.m.show();
    auto* slider = p.m.findChild<QSlider*>("zoomSlider");
    const int zoom = slider->value();
    QTest::keyClick(slider, Qt::Key_PageDown);
    EXPECT_EQ(p.display(), "Seite 2 von 3");
    QTest::keyClick(slider, Qt::Key_End);
    EXPECT_EQ(p.m.currentPage(), 3);
    EXPECT_EQ(slider->value(), zoom);
}

TEST(PreviewWindow, APageNumberTypedIntoThePageDisplayGoesThere)
{
    Preview p(5);
    p.m.show();
    auto* display = p.m.findChild<QLineEdit*>("pageDisplay");
    display->selectAll();
    QTest::keyClicks(display, "4");
    QTest::keyClick(display, Qt::Key_Return);
    EXPECT_EQ(p.m.currentPage(), 4);
    EXPECT_EQ(p.display(), "Seite 4 von 5");
}

TEST(PreviewWindow, PrintIsOfferedOnlyWithAPrinterAndAFailedPrintIsShown)
{
    printers::setCurrentPrinter(QString());
    Preview none(1);
    none.m.show();
    EXPECT_FALSE(none.button("Druckt die aktuelle Seite auf den Standarddrucker")->isEnabled());
    printers::setCurrentPrinter("Nirgendwo");
    Preview p(1);
    p.m.show();
    p.button("Druckt die aktuelle Seite auf den Standarddrucker")->trigger();
    ASSERT_FALSE(msgbox::history().isEmpty());
    EXPECT_EQ(msgbox::history().last().text, "Der Drucker \"Nirgendwo\" kann nicht drucken.");
}

TEST(PreviewWindow, PictureOnFirstPageOnlyWithARangeFromPageThreeShowsOnNoPage)
{
    OutputRequest request;
    request.picture = QImage(40, 60, QImage::Format_RGB32);
    request.picture.fill(Qt::red);
    request.pictureMode = 1; // "nur 1.Seite"
    Preview p(5, false, request);
    p.m.firstPage = 3;
    p.m.show();
    for (int page = 3; page <= 5; ++page) {
        EXPECT_EQ(p.m.currentPage(), page);
        EXPECT_LT(colourShare(p.m.pageImage(), Qt::red, 0), 0.01) << "page " << page;
        p.button("1 Seite vorwärts")->trigger();
    }
    request.pictureMode = 2; // "alle Seiten"
    Preview every(5, false, request);
    every.m.firstPage = 3;
    every.m.show();
    EXPECT_GT(colourShare(every.m.pageImage(), Qt::red, 0), 0.5);
}

// The page on view and the PDF of the same page, rasterised at the same resolution.
TEST(PreviewWindow, ShowsThePageAsThePdfHasIt)
{
    TempFolders dirs;
    // At 16 points the listing's lines are wider than the page: the document's one
    // horizontal scale must be the same in both.
    dirs.setSetting("Pserver", "SignPitch", "16");
    for (const char* sample : {"render-invoice.dat", "render-listing132.dat", "render-barcodes.dat"}) {
        const LoadResult loaded = loadJob(testDataPath(sample), toolLoadOptions(dirs.settingsFile()));
        ASSERT_TRUE(loaded.loaded());
        const Job& job = loaded.job;
        OutputRequest request = allPages(job);
        request.watermark = Muster;
        const QString pdf = dirs.root() + "/" + sample + ".pdf";
        OutputProgress progress;
        ASSERT_TRUE(writeJobPdf(job, request, progress, pdf, PdfVariant::File).ok());
        PreviewWindow m(job, request);
        m.firstPage = 1;
        m.lastPage = job.pageCount();
        m.show();
        m.findChild<QSlider*>("zoomSlider")->setValue(150);
        const int dpi = qRound(m.pageImage().dotsPerMeterX() * 0.0254);
        const QImage shown = m.findChild<PictureBox*>("pageView")->grab().toImage();
        const QImage printed = pdftools::pageImages(pdf, dpi).value(0);
        ASSERT_FALSE(printed.isNull());
        EXPECT_LT(differingShare(shown, printed), 0.01) << sample << " at " << dpi << " dpi";
    }
}

TEST(PreviewWindow, PrintCurrentPageSpoolsExactlyThePageOnViewWithoutWatermark)
{
    CupsSpooler spooler;
    ASSERT_TRUE(spooler.isRunning()) << spooler.error().toStdString();
    ASSERT_TRUE(spooler.setDefaultQueue("PDF")) << spooler.error().toStdString();
    Preview p(3, false, withWatermark(Muster));
    p.m.show();
    p.button("1 Seite vorwärts")->trigger();
    p.button("Druckt die aktuelle Seite auf den Standarddrucker")->trigger();
    ASSERT_TRUE(spooler.waitForJobs("PDF", 1));
    const auto jobs = spooler.jobs("PDF");
    ASSERT_EQ(jobs.size(), 1);
    EXPECT_EQ(jobs[0].meta.value("title"), "Druckserver Job");
    const QStringList pages = pdftools::pageTexts(jobs[0].documentPath);
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains("P2Z1") && pages[0].contains("P2Z10")) << pages[0].toStdString();
    EXPECT_FALSE(pages[0].contains("P1Z") || pages[0].contains("P3Z") || pages[0].contains("MUSTER"));
}
