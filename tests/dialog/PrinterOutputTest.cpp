// The printer output against a private CUPS scheduler: the range, the copies, the title,
// the fax number handed over. What a page shows is the shared page drawing's (tests/pages).
#include "Controls.h"
#include "CupsSpooler.h"
#include "PdfTools.h"
#include "ServerSettings.h"
#include "TempFolders.h"
#include "VBRegEdit.h"
#include "frmGUI.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace {

// A print dialog holding `pages` pages whose lines name page and line, printing to a
// queue of the private scheduler.
class PrinterOutput : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(spooler.isRunning()) << spooler.error().toStdString(); }
    void load(int pages, const QString& destination)
    {
        f.PageLen = 10;
        f.setIniFile(DefaultSettingsFile());
        f.init();
        for (int page = 1; page <= pages; ++page)
            for (int line = 1; line <= 10; ++line)
                f.AddLineToArray(QStringLiteral("Seite %1 Zeile %2").arg(page).arg(line));
        f.jobComplete();
        auto* combo = control<QComboBox>(&f, "ImageCombo1");
        combo->setCurrentIndex(combo->findText(destination));
        ASSERT_EQ(combo->currentText(), destination);
    }

    TempFolders dirs;
    CupsSpooler spooler;
    frmGUI f;
};

} // namespace

TEST_F(PrinterOutput, RangeTwoToThreeWithTwoCopiesGivesTwoTitledDocumentsOfPagesTwoAndThree)
{
    load(5, "PDF");
    control<QLineEdit>(&f, "Text1")->setText("2");
    control<QRadioButton>(&f, "Option2_1")->setChecked(true);
    control<QLineEdit>(&f, "Text2")->setText("2");
    control<QLineEdit>(&f, "Text3")->setText("3");
    const OutputOutcome outcome = f.StartOutput(0);
    ASSERT_EQ(outcome.status, OutputOutcome::Status::Done) << outcome.message.toStdString();
    ASSERT_TRUE(spooler.waitForJobs("PDF", 2));

    const auto jobs = spooler.jobs("PDF");
    ASSERT_EQ(jobs.size(), 2);
    for (const auto& job : jobs) {
        EXPECT_EQ(job.meta.value("title"), QString(dirs.appData()).replace('/', '_') + "DOS_Job");
        const QStringList pages = pdftools::pageTexts(job.documentPath);
        ASSERT_EQ(pages.size(), 2);
        EXPECT_TRUE(pages[0].contains("Seite 2 Zeile 1") && pages[0].contains("Seite 2 Zeile 10"));
        EXPECT_TRUE(pages[1].contains("Seite 3 Zeile 1"));
        EXPECT_FALSE(pages.join("").contains("Seite 1 ") || pages.join("").contains("Seite 4 "));
    }
}

TEST_F(PrinterOutput, TheFaxQueueGetsTheJobAfterTheNumberWasHandedOver)
{
    load(1, "FRITZfax");
    control<QLineEdit>(&f, "Text5")->setText("0301234567");
    ASSERT_EQ(f.StartOutput(0).status, OutputOutcome::Status::Done);
    EXPECT_EQ(VBRegEdit::QueryRegValue(VBRegEdit::Root::CurrentUser, "Software\\AVM\\Fritz! 2.0\\FAX\\", "Rufnummer"),
              "0301234567");
    ASSERT_TRUE(spooler.waitForJobs("FRITZfax", 1));
    EXPECT_TRUE(
        pdftools::pageTexts(spooler.jobs("FRITZfax").first().documentPath).join("").contains("Seite 1 Zeile 1"));
    EXPECT_TRUE(spooler.jobs("PDF").isEmpty());
}
