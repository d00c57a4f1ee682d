// What init restores from the job's settings file, what Start and Cancel write back, and
// how the dialog ends (or stays) after an output.
#include "DialogTestSupport.h"
#include "TempFolders.h"
#include "UpDownButtons.h"

#include "MessageBox.h"
#include "ReadingRules.h"
#include "ServerSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace {

void writePicture(const QString& path)
{
    TempFolders::writePicture(path, 20, 10, Qt::green, "BMP");
}

// The program folder holds two pictures and two watermarks; the job's own settings file
// lies beside the default one.
struct JobFolders
{
    JobFolders()
    {
        TempFolders::writeFile(dirs.program() + "/Wasser.txt", "Kopie|Arial|120| 1| 0| 0| 0|-100| 50| 450| 12| 60\r\n"
                                                               "Entwurf|Arial|80| 0| 1| 0| 0| 0| 0| 0| 4| 0\r\n");
        writePicture(dirs.program() + "/logo.bmp");
        writePicture(dirs.program() + "/brief.bmp");
    }
    void write(const QByteArray& text) const { TempFolders::writeFile(jobFile, text); }
    QString saved(const char* key) const { return rules::readRaw(jobFile, "PDevice", key, "?"); }
    void clickStart(frmGUI* dialog) const { control<QPushButton>(dialog, "Command3")->click(); }

    TempFolders dirs;
    QString jobFile = dirs.appData() + "/JOB.INI";
};

} // namespace

TEST(DialogSettings, InitRestoresTheSavedState)
{
    JobFolders s;
    DialogHooks hooks({"Buero Laser", "Etiketten"});
    writePicture(s.dirs.appData() + "/LOGO.BMP"); // the picture must also be in the settings folder
    s.write("[PDevice]\nRepeat=1\nPicture= logo.bmp \nPrinter0=Etiketten\nWater0=Entwurf\nPicPage0= 1\nExemplare0=3\n"
            "[Pserver]\nAutoStart=0\nHideMode=yes\nAutoStartDelay=2500.5\nLeftSpace=4.5\nFontname=Arial\n");
    QPointer<frmGUI> dialog = loadDialog(s.jobFile);

    EXPECT_TRUE(control<QCheckBox>(dialog, "Check2")->isChecked());
    EXPECT_EQ(control<QComboBox>(dialog, "Combo1")->currentText(), "LOGO.BMP");
    EXPECT_FALSE(dialog->Picture1().isEmpty()) << "choosing the picture loads it";
    EXPECT_EQ(dialog->destinationText(0), "Etiketten");
    EXPECT_EQ(dialog->WatermarkPosition(0), 2);
    EXPECT_TRUE(control<QRadioButton>(dialog, "Option1_1")->isChecked());
    EXPECT_EQ(control<UpDownButtons>(dialog, "UpDown1")->value(), 3);
    EXPECT_EQ(control<QProgressBar>(dialog, "ProgressBar2")->maximum(), 3);
    EXPECT_FALSE(dialog->AutoStart);
    EXPECT_TRUE(dialog->OnlyBackground) << "a flag is on unless it starts with 0";
    EXPECT_EQ(dialog->AutostartTimer.interval(), 2500) << "halves round to even";
    EXPECT_EQ(dialog->LeftSpace, 4);
    EXPECT_EQ(ServerSettings().Fontname, "Arial") << "the print settings come from the job's file";
    EXPECT_TRUE(control<QFrame>(dialog, "frmAutostart")->isHidden());
    delete dialog;
}

TEST(DialogSettings, ValuesThatNoLongerFitLeaveTheFirstEntries)
{
    JobFolders s;
    DialogHooks hooks({"Buero Laser"});
    // The blank before Repeat's 1 is dropped; the picture is not in the settings folder;
    // printer names compare with case, so the printer is gone.
    s.write("[PDevice]\nRepeat= 1\nPicture=brief.bmp\nPrinter0=buero laser\nWater0=Gibt es nicht\nPicPage0=7\n"
            "Exemplare0= zwei \n");
    QPointer<frmGUI> dialog = loadDialog(s.jobFile);

    EXPECT_TRUE(control<QCheckBox>(dialog, "Check2")->isChecked());
    EXPECT_TRUE(dialog->Picture1().isEmpty());
    EXPECT_EQ(dialog->destinationText(0), "Pdf-Dokument");
    EXPECT_EQ(control<QComboBox>(dialog, "Combo2")->currentText(), "Ohne");
    EXPECT_EQ(dialog->PicPageMode(0), 0);
    EXPECT_EQ(dialog->copiesText(0), "zwei") << "kept as typed, trimmed";
    EXPECT_EQ(dialog->AutoStartDelay, 3000);
    delete dialog;
}

TEST(DialogSettings, CancelSavesLikeStartAndTheNextJobShowsItAgain)
{
    JobFolders s;
    DialogHooks hooks({"Buero Laser"});
    QPointer<frmGUI> dialog = loadDialog(s.jobFile);
    control<QComboBox>(dialog, "ImageCombo1")->setCurrentIndex(2);
    control<QRadioButton>(dialog, "Option1_2")->click();
    control<QLineEdit>(dialog, "Text1")->setText("2x");
    control<QComboBox>(dialog, "Combo2")->setCurrentIndex(1);
    control<QComboBox>(dialog, "Combo1")->setCurrentText("LOGO.BMP");

    QTest::keyClick(dialog.data(), Qt::Key_Escape);
    EXPECT_TRUE(waitUntilDeleted(dialog));
    EXPECT_TRUE(hooks.calls.empty()) << "Cancel outputs nothing";
    QFile saved(s.jobFile);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromLocal8Bit(saved.readAll()).split(u'\n', Qt::SkipEmptyParts),
              QStringList({"[PDevice]", "Printer0=Buero Laser", "PicPage0= 2", "Exemplare0=2x", "Repeat= 0",
                           "Water0=Kopie", "Picture=LOGO.BMP"}));

    writePicture(s.dirs.appData() + "/logo.bmp");
    QPointer<frmGUI> next = loadDialog(s.jobFile);
    EXPECT_EQ(next->destinationText(0), "Buero Laser");
    EXPECT_EQ(next->PicPageMode(0), 2);
    EXPECT_EQ(next->copiesText(0), "2x");
    EXPECT_EQ(control<QComboBox>(next, "Combo2")->currentText(), "Kopie");
    EXPECT_EQ(control<QComboBox>(next, "Combo1")->currentText(), "LOGO.BMP");

    // Start hands the chosen kind and slot to the output, saves the same way and unloads.
    control<QComboBox>(next, "ImageCombo1")->setCurrentIndex(1);
    s.clickStart(next);
    ASSERT_EQ(hooks.calls.size(), 1u);
    EXPECT_EQ(hooks.calls[0].kind, 2);
    EXPECT_EQ(hooks.calls[0].slot, 0);
    EXPECT_TRUE(waitUntilDeleted(next));
    EXPECT_EQ(s.saved("Printer0"), "e-Mail");
    EXPECT_EQ(s.saved("Water0"), "Kopie");
}

TEST(DialogSettings, RepeatKeepsTheDialogOpenWithEmptyBarsForAnotherStart)
{
    JobFolders s;
    DialogHooks hooks;
    s.write("[PDevice]\nRepeat=1\n");
    QPointer<frmGUI> dialog = loadDialog(s.jobFile);
    hooks.onOutput = [](frmGUI& d) {
        d.setProgressMaximum(0, 2, 4);
        d.setProgressValue(0, 2, 4);
        return OutputOutcome::done();
    };
    for (int round = 1; round <= 2; ++round) {
        s.clickStart(dialog);
        ASSERT_EQ(hooks.calls.size(), size_t(round));
        EXPECT_EQ(hooks.calls.back().kind, 5);
        EXPECT_EQ(control<QProgressBar>(dialog, "ProgressBar1")->value(), 0);
        EXPECT_EQ(control<QProgressBar>(dialog, "ProgressBar2")->value(), 0);
    }
    QTest::qWait(0);
    ASSERT_FALSE(dialog.isNull());
    EXPECT_EQ(s.saved("Repeat"), "1");
    delete dialog;
}

TEST(DialogSettings, AFailedOrThrowingOutputIsReportedAndTheJobStaysAsAfterACancel)
{
    JobFolders s;
    DialogHooks hooks;
    QPointer<frmGUI> dialog = loadDialog(s.jobFile);
    hooks.onOutput = [](frmGUI&) { return OutputOutcome::failure("Der PDF-Ordner ist nicht beschreibbar."); };
    s.clickStart(dialog);
    ASSERT_EQ(msgbox::history().size(), 1);
    EXPECT_EQ(msgbox::history().at(0).title, "Fehler!");
    EXPECT_EQ(msgbox::history().at(0).text, "Der PDF-Ordner ist nicht beschreibbar.");
    EXPECT_EQ(s.saved("Printer0"), "Pdf-Dokument") << "the state is saved";

    hooks.onOutput = [](frmGUI&) -> OutputOutcome { throw std::runtime_error("boom"); };
    s.clickStart(dialog);
    EXPECT_EQ(msgbox::history().size(), 2);
    hooks.onOutput = [](frmGUI&) { return OutputOutcome::cancellation(); };
    s.clickStart(dialog);
    EXPECT_EQ(msgbox::history().size(), 2) << "a cancel needs no word";
    QTest::qWait(0);
    ASSERT_FALSE(dialog.isNull()) << "the job is not lost";

    // While an output runs and lets events through, Cancel and Start are refused.
    hooks.onOutput = [&](frmGUI& d) {
        control<QPushButton>(&d, "Command2")->click();
        s.clickStart(&d);
        d.processEvents();
        return OutputOutcome::done();
    };
    s.clickStart(dialog);
    EXPECT_EQ(hooks.calls.size(), 4u);
    EXPECT_TRUE(waitUntilDeleted(dialog));
}
