#include "CupsSpooler.h"
#include "PdfTools.h"
#include "ServerSettings.h"
#include "TempFolders.h"
#include "VBRegEdit.h"
#include "frmGUI.h"

#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Share of pixels of a colour close to (r, g, b) inside the image.
double shareOf(const QImage& image, int r, int g, int b)
{
    qint64 hits = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - r) < 60 && std::abs(c.green() - g) < 60 && std::abs(c.blue() - b) < 60)
                ++hits;
        }
    }
    return double(hits) / (image.width() * image.height());
}

template <typename T> T* child(QWidget& parent, const char* name)
{
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// A print dialog holding `pages` pages whose lines name page and line.
struct Dialog
{
    frmGUI f;
    explicit Dialog(int pages, int linesPerPage = 10)
    {
        f.PageLen = linesPerPage;
        f.setIniFile(DefaultSettingsFile());
        f.init();
        for (int page = 1; page <= pages; ++page) {
            for (int line = 1; line <= linesPerPage; ++line)
                f.AddLineToArray(QStringLiteral("Seite %1 Zeile %2").arg(page).arg(line));
        }
        f.jobComplete();
    }
    void choose(const QString& destination)
    {
        auto* combo = child<QComboBox>(f, "ImageCombo1");
        const int index = combo->findText(destination);
        ASSERT_GE(index, 0) << destination.toStdString();
        combo->setCurrentIndex(index);
    }
    void range(int from, int to)
    {
        child<QRadioButton>(f, "Option2_1")->setChecked(true);
        child<QLineEdit>(f, "Text2")->setText(QString::number(from));
        child<QLineEdit>(f, "Text3")->setText(QString::number(to));
    }
};

class PrinterOutput : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!spooler.isRunning())
            GTEST_SKIP() << "no private CUPS scheduler: " << spooler.error().toStdString();
    }
    TempFolders dirs;
    CupsSpooler spooler;
};

} // namespace

TEST_F(PrinterOutput, RangeTwoToThreeWithTwoCopiesGivesTwoTitledDocumentsOfPagesTwoAndThree)
{
    Dialog d(5);
    d.choose("PDF");
    child<QLineEdit>(d.f, "Text1")->setText("2");
    d.range(2, 3);
    const OutputOutcome outcome = d.f.StartOutput(0);
    ASSERT_EQ(outcome.status, OutputOutcome::Status::Done) << outcome.message.toStdString();
    ASSERT_TRUE(spooler.waitForJobs("PDF", 2));

    const auto jobs = spooler.jobs("PDF");
    ASSERT_EQ(jobs.size(), 2);
    QString title = dirs.appData();
    title.replace('/', '_');
    for (const auto& job : jobs) {
        EXPECT_EQ(job.meta.value("title"), title + "DOS_Job");
        const QStringList pages = pdftools::pageTexts(job.documentPath);
        ASSERT_EQ(pages.size(), 2);
        EXPECT_TRUE(pages[0].contains("Seite 2 Zeile 1"));
        EXPECT_TRUE(pages[0].contains("Seite 2 Zeile 10"));
        EXPECT_TRUE(pages[1].contains("Seite 3 Zeile 1"));
        EXPECT_FALSE(pages.join("").contains("Seite 1 ") || pages.join("").contains("Seite 4 "));
    }
}

TEST_F(PrinterOutput, TheFaxQueueGetsTheJobAfterTheNumberWasHandedOver)
{
    Dialog d(1);
    d.choose("FRITZfax");
    child<QLineEdit>(d.f, "Text5")->setText("0301234567");
    ASSERT_EQ(d.f.StartOutput(0).status, OutputOutcome::Status::Done);
    EXPECT_EQ(VBRegEdit::QueryRegValue(VBRegEdit::Root::CurrentUser, "Software\\AVM\\Fritz! 2.0\\FAX\\", "Rufnummer"),
              "0301234567");
    ASSERT_TRUE(spooler.waitForJobs("FRITZfax", 1));
    EXPECT_TRUE(
        pdftools::pageTexts(spooler.jobs("FRITZfax").first().documentPath).join("").contains("Seite 1 Zeile 1"));
    EXPECT_TRUE(spooler.jobs("PDF").isEmpty());
}

TEST_F(PrinterOutput, PictureOnFirstPageOnlyMeansPageOneNotTheFirstOfTheRange)
{
    QImage red(40, 60, QImage::Format_RGB32);
    red.fill(Qt::red);
    red.save(dirs.program() + "/ROT.BMP");
    Dialog d(3);
    d.choose("PDF");
    auto* pictures = child<QComboBox>(d.f, "Combo1");
    pictures->setCurrentIndex(pictures->findText("ROT.BMP"));
    ASSERT_FALSE(d.f.Picture1().isEmpty()) << "choosing the picture loads it";

    child<QRadioButton>(d.f, "Option1_1")->setChecked(true); // "nur 1.Seite"
    d.range(2, 3);
    ASSERT_EQ(d.f.StartOutput(0).status, OutputOutcome::Status::Done);
    child<QRadioButton>(d.f, "Option1_2")->setChecked(true); // "alle Seiten"
    ASSERT_EQ(d.f.StartOutput(0).status, OutputOutcome::Status::Done);
    ASSERT_TRUE(spooler.waitForJobs("PDF", 2));

    const auto jobs = spooler.jobs("PDF");
    for (const QImage& page : pdftools::pageImages(jobs[0].documentPath))
        EXPECT_LT(shareOf(page, 255, 0, 0), 0.01) << "no page of range 2 to 3 is page 1";
    for (const QImage& page : pdftools::pageImages(jobs[1].documentPath))
        EXPECT_GT(shareOf(page, 255, 0, 0), 0.5) << "every page carries the picture";
}

TEST_F(PrinterOutput, LayerOneDrawsTheWatermarkOverTheText)
{
    TempFolders::writeFile(dirs.program() + "/Wasser.txt", "Rot|Arial|160| 1| 0| 0| 0| 0| 0| 0| 12| 0\r\n");
    // A page of full blocks: black wherever the text is.
    auto printWithLayer = [&](const char* layer) {
        dirs.setSetting("Pserver", "Waterlayer", layer);
        frmGUI f;
        f.PageLen = 40;
        f.setIniFile(DefaultSettingsFile());
        f.init();
        for (int line = 1; line <= 40; ++line)
            f.AddLineToArray(QString(60, QChar(0x2588)));
        f.jobComplete();
        auto* destinations = child<QComboBox>(f, "ImageCombo1");
        destinations->setCurrentIndex(destinations->findText("PDF"));
        auto* watermarks = child<QComboBox>(f, "Combo2");
        watermarks->setCurrentIndex(watermarks->findText("Rot"));
        EXPECT_EQ(f.StartOutput(0).status, OutputOutcome::Status::Done);
    };
    printWithLayer("0");
    printWithLayer("1");
    ASSERT_TRUE(spooler.waitForJobs("PDF", 2));
    const auto jobs = spooler.jobs("PDF");
    const QImage behind = pdftools::pageImages(jobs[0].documentPath).value(0);
    const QImage over = pdftools::pageImages(jobs[1].documentPath).value(0);
    ASSERT_FALSE(behind.isNull() || over.isNull());
    const QRect centre(behind.width() / 3, behind.height() * 5 / 12, behind.width() / 3, behind.height() / 6);
    EXPECT_LT(shareOf(behind.copy(centre), 255, 0, 0), 0.01) << "layer 0: the text covers the watermark";
    EXPECT_GT(shareOf(over.copy(centre), 255, 0, 0), 0.05) << "layer 1: the watermark covers the text";
}
