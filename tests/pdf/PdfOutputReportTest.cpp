#include "MessageBox.h"
#include "PdfComponent.h"
#include "PdfOutputTestSupport.h"
#include "ShellOpen.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

struct Recording
{
    Recording()
    {
        shell::setRecording(true);
        shell::clearRecordedCalls();
        msgbox::clearHistory();
    }
    ~Recording() { shell::setRecording(false); }
};

} // namespace

TEST(PdfOutputReport, TheNewFileIsOpenedOrReportedUnlessTheJobRunsUnseen)
{
    PdfFixture fx;
    Recording recording;
    ServerSettingsRecord& s = ServerSettings();

    // PDFShow wins over PDFMSG and opens the file just written.
    s.PDFShow = true;
    s.PDFMSG = true;
    TestDialog shown;
    shown.fill(1, 1);
    ASSERT_TRUE(outputPdfAndReport(shown, 0, false).ok());
    ASSERT_EQ(shell::recordedCalls().size(), 1);
    const shell::OpenCall call = shell::recordedCalls()[0];
    EXPECT_TRUE(QFileInfo(call.path).isFile()) << call.path.toStdString();
    EXPECT_EQ(QFileInfo(call.path).absolutePath(), fx.pdfFolder);
    EXPECT_EQ(call.parameters, "1");
    EXPECT_EQ(call.workingFolder, fx.pdfFolder);
    EXPECT_TRUE(msgbox::history().isEmpty());

    // PDFMSG alone: the "Hinweis" box names the file without its folder.
    s.PDFShow = false;
    TestDialog reported;
    reported.fill(1, 1);
    reported.job().pdfName = QStringLiteral("Rechnung");
    ASSERT_TRUE(outputPdfAndReport(reported, 0, false).ok());
    ASSERT_EQ(msgbox::history().size(), 1);
    EXPECT_EQ(msgbox::history()[0].title, "Hinweis");
    EXPECT_EQ(msgbox::history()[0].text, "PDF-Dokument mit Dateiname \r\nRechnung.pdf\r\nerzeugt !");

    // Unseen jobs and failed outputs show nothing, whatever the settings say.
    s.PDFShow = true;
    msgbox::clearHistory();
    shell::clearRecordedCalls();
    TestDialog unseen;
    unseen.fill(1, 1);
    ASSERT_TRUE(outputPdfAndReport(unseen, 0, true).ok());
    s.PDFFolder = fx.dirs.root() + "/fehlt";
    EXPECT_FALSE(outputPdfAndReport(unseen, 0, false).ok());
    s.PDFShow = false;
    EXPECT_FALSE(outputPdfAndReport(unseen, 0, false).ok());
    EXPECT_TRUE(shell::recordedCalls().isEmpty());
    EXPECT_TRUE(msgbox::history().isEmpty());
}

TEST(PdfOutputReport, EachDialogKeepsItsComponentAndOneOutputAtATime)
{
    PdfFixture fx;
    ServerSettings().PdfCut = true;
    TestDialog dialog;
    dialog.fill(2, 2);

    // A second output of the same dialog started while the first lets events run (a
    // countdown firing) is refused; it must not break the document being written.
    // Another dialog's output in the meantime is fine: it has its own component.
    TestDialog other;
    other.fill(1, 1);
    other.job().pdfName = "andere";
    PdfOutcome nested, otherOutcome;
    bool once = true;
    dialog.onEvents = [&] {
        if (!once)
            return;
        once = false;
        QString stamp;
        nested = PrintToPdf(dialog, 0, stamp);
        otherOutcome = PrintToPdf(other, 0, stamp);
    };
    dialog.job().pdfName = "erste";
    QString stamp;
    ASSERT_TRUE(PrintToPdf(dialog, 0, stamp).ok());
    EXPECT_FALSE(nested.ok());
    EXPECT_TRUE(otherOutcome.ok()) << otherOutcome.message.toStdString();
    EXPECT_EQ(pdftools::infoValue(pdftools::info(fx.pdfFolder + "/erste.pdf").out, "Pages"), "2");
    EXPECT_TRUE(QFileInfo(fx.pdfFolder + "/andere.pdf").isFile());

    // What the output wrote to the component is still there afterwards.
    PdfComponent& pdf = pdfComponentFor(dialog);
    EXPECT_NE(&pdf, &pdfComponentFor(other));
    EXPECT_EQ(pdf.horizontalResolution(), 72);
    EXPECT_EQ(pdf.verticalResolution(), 72);
    EXPECT_EQ(pdf.numericSetting(), 0);
    EXPECT_EQ(pdf.permissionCode(), 1 + 2 + 8);
    EXPECT_FALSE(pdf.isStarted());
    EXPECT_FALSE(pdf.hasDocument());
}
