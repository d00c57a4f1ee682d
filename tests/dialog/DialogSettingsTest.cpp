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
#include <QImage>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

const QByteArray wasser = "Kopie|Arial|120| 1| 0| 0| 0|-100| 50| 450| 12| 60\r\n"
                          "Entwurf|Arial|80| 0| 1| 0| 0| 0| 0| 0| 4| 0\r\n";

void writePicture(const QString& path)
{
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::green);
    image.save(path, "BMP");
}

// The program folder holds two pictures and the watermarks; the job's own settings file
// lies beside the default one.
struct JobFolders
{
    JobFolders()
    {
        TempFolders::writeFile(dirs.program() + "/Wasser.txt", wasser);
        writePicture(dirs.program() + "/logo.bmp");
        writePicture(dirs.program() + "/brief.bmp");
    }
    void set(const char* section, const char* key, const QString& value) const
    {
        rules::write(jobFile, section, key, value);
    }
    TempFolders dirs;
    QString jobFile = dirs.appData() + "/JOB.INI";
};

} // namespace

TEST(DialogSettings, InitRestoresTheSavedState)
{
    JobFolders s;
    DialogHooks hooks({"Buero Laser", "Etiketten"});
    s.set("PDevice", "Repeat", "1");
    s.set("PDevice", "Picture", " logo.bmp ");
    writePicture(s.dirs.appData() + "/LOGO.BMP"); // the picture must also be in the settings folder
    s.set("PDevice", "Printer0", "Etiketten");
    s.set("PDevice", "Water0", "Entwurf");
    s.set("PDevice", "PicPage0", " 1");
    s.set("PDevice", "Exemplare0", "3");
    s.set("Pserver", "AutoStart", "0");
    s.set("Pserver", "HideMode", "yes");
    s.set("Pserver", "AutoStartDelay", "2500.5");
    s.set("Pserver", "LeftSpace", "4.5");
    s.set("Pserver", "Fontname", "Arial");
    QPointer<frmGUI> dialog = loadDialog(s.jobFile);

    EXPECT_TRUE(control<QCheckBox>(dialog, "Check2")->isChecked());
    EXPECT_EQ(control<QComboBox>(dialog, "Combo1")->currentText(), "LOGO.BMP");
    EXPECT_FALSE(dialog->Picture1().isEmpty()) << "choosing the picture loads it";
    EXPECT_EQ(dialog->destinationText(0), "Etiketten");
    EXPECT_EQ(dialog->destinationKind(0), 3);
    EXPECT_EQ(dialog->WatermarkPosition(0), 2);
    EXPECT_TRUE(control<QRadioButton>(dialog, "Option1_1")->isChecked());
    EXPECT_EQ(dialog->PicPageMode(0), 1);
    EXPECT_EQ(dialog->copiesText(0), "3");
    EXPECT_EQ(control<UpDownButtons>(dialog, "UpDown1")->value(), 3);
    EXPECT_EQ(control<QProgressBar>(dialog, "ProgressBar2")->maximum(), 3);
    EXPECT_FALSE(dialog->AutoStart);
    EXPECT_TRUE(dialog->OnlyBackground) << "a flag is on unless it starts with 0";
    EXPECT_EQ(dialog->AutoStartDelay, 2500) << "halves round to even";
    EXPECT_EQ(dialog->AutostartTimer.interval(), 2500);
    EXPECT_EQ(dialog->LeftSpace, 4);
    EXPECT_EQ(ServerSettings().Fontname, "Arial") << "the print settings come from the job's file";
    EXPECT_TRUE(control<QFrame>(dialog, "frmAutostart")->isHidden());
    EXPECT_FALSE(dialog->AutostartTimer.isActive());
    delete dialog;
}

TEST(DialogSettings, ValuesThatNoLongerFitLeaveTheFirstEntries)
{
    JobFolders s;
    DialogHooks hooks({"Buero Laser"});
    s.set("PDevice", "Repeat", " 1");            // the profile reader drops the blank
    s.set("PDevice", "Picture", "brief.bmp");    // not in the settings folder
    s.set("PDevice", "Printer0", "buero laser"); // names compare with case
    s.set("PDevice", "Water0", "Gibt es nicht");
    s.set("PDevice", "PicPage0", "7");
    s.set("PDevice", "Exemplare0", " zwei ");
    QPointer<frmGUI> dialog = loadDialog(s.jobFile);

    EXPECT_TRUE(control<QCheckBox>(dialog, "Check2")->isChecked());
    EXPECT_EQ(control<QComboBox>(dialog, "Combo1")->currentText(), "");
    EXPECT_TRUE(dialog->Picture1().isEmpty());
    EXPECT_EQ(dialog->destinationText(0), "Pdf-Dokument");
    EXPECT_EQ(control<QComboBox>(dialog, "Combo2")->currentText(), "Ohne");
    EXPECT_TRUE(control<QRadioButton>(dialog, "Option1_0")->isChecked());
    EXPECT_EQ(dialog->PicPageMode(0), 0);
    EXPECT_EQ(dialog->copiesText(0), "zwei") << "the copies text is kept as typed, trimmed";
    EXPECT_EQ(dialog->AutoStartDelay, 3000);
    delete dialog;
}

TEST(DialogSettings, CancelSavesTheStateAndTheNextJobShowsItAgain)
{
    JobFolders s;
    DialogHooks hooks({"Buero Laser"});
    QPointer<frmGUI> dialog = loadDialog(s.jobFile);
    QSignalSpy unloaded(dialog.data(), &frmGUI::unloaded);
    control<QComboBox>(dialog, "ImageCombo1")->setCurrentIndex(2);
    control<QRadioButton>(dialog, "Option1_2")->click();
    control<QLineEdit>(dialog, "Text1")->setText("2x");
    control<QComboBox>(dialog, "Combo2")->setCurrentIndex(1);
    control<QComboBox>(dialog, "Combo1")->setCurrentText("LOGO.BMP");

    QTest::keyClick(dialog.data(), Qt::Key_Escape);
    EXPECT_EQ(unloaded.count(), 1);
    EXPECT_TRUE(waitUntilDeleted(dialog));
    EXPECT_TRUE(hooks.calls.empty()) << "Cancel outputs nothing";
    EXPECT_EQ(fileLines(s.jobFile), QStringList({"[PDevice]", "Printer0=Buero Laser", "PicPage0= 2", "Exemplare0=2x",
                                                 "Repeat= 0", "Water0=Kopie", "Picture=LOGO.BMP"}));

    // The picture must lie in the settings folder too to come back.
    writePicture(s.dirs.appData() + "/logo.bmp");
    QPointer<frmGUI> next = loadDialog(s.jobFile);
    EXPECT_EQ(next->destinationText(0), "Buero Laser");
    EXPECT_EQ(next->PicPageMode(0), 2);
    EXPECT_EQ(next->copiesText(0), "2x");
    EXPECT_EQ(control<QComboBox>(next, "Combo2")->currentText(), "Kopie");
    EXPECT_EQ(control<QComboBox>(next, "Combo1")->currentText(), "LOGO.BMP");
    delete next;
}

TEST(DialogSettings, StartHandsTheChosenKindToTheOutputThenSavesAndUnloads)
{
    JobFolders s;
    DialogHooks hooks;
    s.set("PDevice", "Printer0", "e-Mail");
    QPointer<frmGUI> dialog = loadDialog(s.jobFile);
    EXPECT_FALSE(control<QWidget>(dialog, "frmEmail")->isHidden());
    hooks.onOutput = [](frmGUI& d) {
        d.setProgressMaximum(0, 3, 3);
        d.setProgressValue(0, 3, 3);
        return OutputOutcome::done();
    };

    control<QPushButton>(dialog, "Command3")->click();
    ASSERT_EQ(hooks.calls.size(), 1u);
    EXPECT_EQ(hooks.calls[0].kind, 2);
    EXPECT_EQ(hooks.calls[0].slot, 0);
    EXPECT_TRUE(waitUntilDeleted(dialog));
    EXPECT_EQ(rules::readRaw(s.jobFile, "PDevice", "Printer0", ""), "e-Mail");
    EXPECT_EQ(rules::readRaw(s.jobFile, "PDevice", "Water0", "?"), "Ohne");
}

TEST(DialogSettings, RepeatKeepsTheDialogOpenWithEmptyBarsForAnotherStart)
{
    JobFolders s;
    DialogHooks hooks;
    s.set("PDevice", "Repeat", "1");
    QPointer<frmGUI> dialog = loadDialog(s.jobFile);
    hooks.onOutput = [](frmGUI& d) {
        d.setProgressMaximum(0, 2, 4);
        d.setProgressValue(0, 2, 4);
        return OutputOutcome::done();
    };
    auto* pages = control<QProgressBar>(dialog, "ProgressBar1");
    auto* overall = control<QProgressBar>(dialog, "ProgressBar2");

    for (int round = 1; round <= 2; ++round) {
        control<QPushButton>(dialog, "Command3")->click();
        ASSERT_EQ(hooks.calls.size(), size_t(round));
        EXPECT_EQ(hooks.calls.back().kind, 5);
        EXPECT_EQ(pages->value(), 0);
        EXPECT_EQ(overall->value(), 0);
    }
    QTest::qWait(0);
    ASSERT_FALSE(dialog.isNull());
    EXPECT_EQ(rules::readRaw(s.jobFile, "PDevice", "Repeat", ""), "1");
    delete dialog;
}

TEST(DialogSettings, AFailedOutputIsReportedAndTheJobStays)
{
    JobFolders s;
    DialogHooks hooks;
    QPointer<frmGUI> dialog = loadDialog(s.jobFile);
    hooks.onOutput = [](frmGUI&) { return OutputOutcome::failure("Der PDF-Ordner ist nicht beschreibbar."); };

    control<QPushButton>(dialog, "Command3")->click();
    ASSERT_EQ(msgbox::history().size(), 1);
    EXPECT_EQ(msgbox::history().at(0).title, "Fehler!");
    EXPECT_EQ(msgbox::history().at(0).text, "Der PDF-Ordner ist nicht beschreibbar.");
    QTest::qWait(0);
    ASSERT_FALSE(dialog.isNull()) << "the job is not lost";
    EXPECT_EQ(rules::readRaw(s.jobFile, "PDevice", "Printer0", "?"), "Pdf-Dokument") << "the state is saved";

    // An output that throws is caught at the dialog and reported the same way.
    hooks.onOutput = [](frmGUI&) -> OutputOutcome { throw std::runtime_error("boom"); };
    control<QPushButton>(dialog, "Command3")->click();
    EXPECT_EQ(msgbox::history().size(), 2);
    QTest::qWait(0);
    ASSERT_FALSE(dialog.isNull());

    hooks.onOutput = nullptr;
    control<QPushButton>(dialog, "Command3")->click();
    EXPECT_TRUE(waitUntilDeleted(dialog));
    EXPECT_EQ(hooks.calls.size(), 3u);
}

TEST(DialogSettings, CancelAndStartAreRefusedWhileAnOutputRuns)
{
    JobFolders s;
    DialogHooks hooks;
    QPointer<frmGUI> dialog = loadDialog(s.jobFile);
    hooks.onOutput = [&](frmGUI& d) {
        // The output lets events run; the user presses both buttons meanwhile.
        control<QPushButton>(&d, "Command2")->click();
        control<QPushButton>(&d, "Command3")->click();
        d.processEvents();
        return OutputOutcome::done();
    };
    control<QPushButton>(dialog, "Command3")->click();
    EXPECT_EQ(hooks.calls.size(), 1u);
    EXPECT_TRUE(waitUntilDeleted(dialog));
}
