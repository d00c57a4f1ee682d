// The print dialog driven by its controls' names: what init restores and Start and Cancel
// save, the lists it fills, what the job reports while it is read, and the countdown of
// the automatic start.
#include "DestinationIcons.h"
#include "DialogTestSupport.h"
#include "Ink.h"
#include "MessageBox.h"
#include "ReadingRules.h"
#include "ServerSettings.h"
#include "TempFolders.h"
#include "UpDownButtons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

// The program folder holds two pictures and two watermarks; the job's own settings file
// lies beside the default one.
struct JobFolders
{
    JobFolders()
    {
        TempFolders::writeFile(dirs.program() + "/Wasser.txt", "Kopie|Arial|120| 1| 0| 0| 0|-100| 50| 450| 12| 60\r\n"
                                                               "Entwurf|Arial|80| 0| 1| 0| 0| 0| 0| 0| 4| 0\r\n");
        TempFolders::writePicture(dirs.program() + "/logo.bmp", 20, 10, Qt::green, "BMP");
        TempFolders::writePicture(dirs.program() + "/brief.bmp", 20, 10, Qt::green, "BMP");
    }
    void write(const QByteArray& text) const { TempFolders::writeFile(jobFile, text); }
    QString saved(const char* key) const { return rules::readRaw(jobFile, "PDevice", key, "?"); }
    void clickStart(frmGUI* dialog) const { control<QPushButton>(dialog, "Command3")->click(); }
    TempFolders dirs;
    QString jobFile = dirs.appData() + "/JOB.INI";
};

QStringList entries(QComboBox* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->itemText(i);
    return texts;
}

frmGUI* loadAutoStarting(const TempFolders& dirs, const char* delay)
{
    dirs.setSetting("Pserver", "AutoStart", "1");
    if (delay)
        dirs.setSetting("Pserver", "AutoStartDelay", delay);
    return loadDialog(dirs.settingsFile());
}

} // namespace

TEST(DialogSettings, InitRestoresTheSavedStateAndValuesThatNoLongerFitLeaveTheFirstEntries)
{
    JobFolders s;
    DialogHooks hooks({"Buero Laser", "Etiketten"});
    TempFolders::writePicture(s.dirs.appData() + "/LOGO.BMP", 20, 10, Qt::green,
                              "BMP"); // the picture must also be in the settings folder
    s.write("[PDevice]\nRepeat=1\nPicture= logo.bmp \nPrinter0=Etiketten\nWater0=Entwurf\nPicPage0= 1\nExemplare0=3\n"
            "[Pserver]\nAutoStart=0\nHideMode=yes\nAutoStartDelay=2500\nFontname=Arial\n");
    QPointer<frmGUI> dialog = loadDialog(s.jobFile);
    EXPECT_TRUE(control<QCheckBox>(dialog, "Check2")->isChecked());
    EXPECT_EQ(control<QComboBox>(dialog, "Combo1")->currentText(), "LOGO.BMP");
    EXPECT_FALSE(dialog->Picture1().isEmpty()) << "choosing the picture loads it";
    EXPECT_EQ(dialog->destinationText(0), "Etiketten");
    EXPECT_EQ(dialog->WatermarkPosition(0), 2);
    EXPECT_TRUE(control<QRadioButton>(dialog, "Option1_1")->isChecked());
    EXPECT_EQ(control<UpDownButtons>(dialog, "UpDown1")->value(), 3);
    EXPECT_FALSE(dialog->AutoStart);
    EXPECT_TRUE(dialog->OnlyBackground);
    EXPECT_EQ(dialog->AutostartTimer.interval(), 2500);
    EXPECT_EQ(ServerSettings().Fontname, "Arial") << "the print settings come from the job's file";
    delete dialog;

    // Values that no longer fit leave the first entries. The blank before Repeat's 1 is
    // dropped; the picture is not in the settings folder; printer names compare with case.
    s.write("[PDevice]\nRepeat= 1\nPicture=brief.bmp\nPrinter0=buero laser\nWater0=Gibt es nicht\nPicPage0=7\n"
            "Exemplare0= zwei \n");
    dialog = loadDialog(s.jobFile);
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
    EXPECT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromLocal8Bit(saved.readAll()).split(u'\n', Qt::SkipEmptyParts),
              QStringList({"[PDevice]", "Printer0=Buero Laser", "PicPage0= 2", "Exemplare0=2x", "Repeat= 0",
                           "Water0=Kopie", "Picture=LOGO.BMP"}));

    // The next job shows it again (what init restores is shown above). Start hands the
    // chosen kind and slot to the output, saves the same way and unloads.
    QPointer<frmGUI> next = loadDialog(s.jobFile);
    EXPECT_EQ(next->destinationText(0), "Buero Laser");
    control<QComboBox>(next, "ImageCombo1")->setCurrentIndex(1);
    s.clickStart(next);
    ASSERT_EQ(hooks.calls.size(), 1u);
    EXPECT_EQ(hooks.calls[0].kind, 2);
    EXPECT_EQ(hooks.calls[0].slot, 0);
    EXPECT_TRUE(waitUntilDeleted(next));
    EXPECT_EQ(s.saved("Printer0"), "e-Mail");
}

// With Repeat on, the dialog stays for another Start after every output; a failure is
// reported, a cancel needs no word, and while an output runs Cancel and Start are refused.
TEST(DialogSettings, RepeatAndFailedOutputsKeepTheDialogForAnotherStart)
{
    JobFolders s;
    DialogHooks hooks;
    s.write("[PDevice]\nRepeat=1\n");
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
    hooks.onOutput = [&](frmGUI& d) {
        control<QPushButton>(&d, "Command2")->click();
        s.clickStart(&d);
        d.processEvents();
        d.setProgressMaximum(0, 2, 4);
        d.setProgressValue(0, 2, 4);
        return OutputOutcome::done();
    };
    s.clickStart(dialog);
    EXPECT_EQ(hooks.calls.size(), 4u);
    EXPECT_EQ(hooks.calls.back().kind, 5);
    QTest::qWait(0);
    ASSERT_FALSE(dialog.isNull()) << "the job is not lost";
    EXPECT_EQ(control<QProgressBar>(dialog, "ProgressBar1")->value(), 0) << "the bars are emptied";
    EXPECT_EQ(control<QProgressBar>(dialog, "ProgressBar2")->value(), 0);
    EXPECT_EQ(s.saved("Repeat"), "1");
    delete dialog;
}

// Only the e-mail destination shows the address box, only a fax printer the number.
TEST(DialogLists, DestinationsAreThePdfThenMailThenThePrintersWithTheirKinds)
{
    TempFolders dirs;
    DialogHooks hooks({"Buero Laser", "HP FRITZfax 2", "fritzfax klein"});
    const std::unique_ptr<frmGUI> dialog(loadDialog(dirs.settingsFile(), false));
    auto* list = control<QComboBox>(dialog.get(), "ImageCombo1");
    EXPECT_EQ(entries(list), QStringList({"Pdf-Dokument", "e-Mail", "Buero Laser", "HP FRITZfax 2", "fritzfax klein"}));
    QStringList shown;
    for (int entry : {0, 1, 3, 4, 2, 0}) {
        list->setCurrentIndex(entry);
        shown << QStringLiteral("%1%2%3")
                     .arg(dialog->destinationKind(0))
                     .arg(control<QGroupBox>(dialog.get(), "frmEmail")->isHidden() ? "" : " mail")
                     .arg(control<QGroupBox>(dialog.get(), "frmFax")->isHidden() ? "" : " fax");
    }
    EXPECT_EQ(shown, QStringList({"5", "2 mail", "4 fax", "3", "3", "5"}));
}

TEST(DialogLists, DestinationIconsAreDrawnAtTheScreensScale)
{
    // On a screen of twice the scale a 16 pixel icon takes 32 device pixels, drawn at
    // that size rather than enlarged.
    const QImage pdf = destinationIcon(5).pixmap(QSize(16, 16), 2.0).toImage();
    EXPECT_EQ(pdf.size(), QSize(32, 32));
    EXPECT_GT(colourShare(pdf, QColor(200, 30, 30), 10), 0.15) << "the red band";
}

TEST(DialogLists, PictureFilesAreListedInUpperCaseByPatternAndLoadedWhenChosen)
{
    TempFolders dirs;
    DialogHooks hooks;
    // Without picture files the picture mode is forced off and saved; the user may still
    // choose a mode.
    QPointer<frmGUI> none = loadDialog(dirs.settingsFile(), false);
    EXPECT_EQ(control<QComboBox>(none, "Combo1")->count(), 0);
    EXPECT_EQ(none->PicPageMode(0), 0);
    EXPECT_EQ(rules::readRaw(dirs.settingsFile(), "PDevice", "PicPage", "absent"), "0");
    control<QRadioButton>(none, "Option1_2")->click();
    EXPECT_EQ(none->PicPageMode(0), 2);
    delete none;
    TempFolders::writePicture(dirs.program() + "/zeta.jpg", 40, 30, Qt::blue);
    TempFolders::writePicture(dirs.program() + "/Logo.bmp", 40, 30, Qt::red, "BMP");
    // The name counts, not the content.
    TempFolders::writePicture(dirs.program() + "/stempel.GIF", 40, 30, Qt::red, "PNG");
    TempFolders::writePicture(dirs.program() + "/Alt.BMP", 40, 30, Qt::red, "BMP");
    TempFolders::writePicture(dirs.program() + "/bild.png", 40, 30, Qt::red, "PNG");
    QPointer<frmGUI> dialog = loadDialog(dirs.settingsFile(), false);
    auto* pictures = control<QComboBox>(dialog, "Combo1");
    const QStringList names = entries(pictures);
    ASSERT_EQ(names.size(), 4) << names.join(',').toStdString();
    EXPECT_EQ(QSet<QString>(names.begin(), names.begin() + 2), QSet<QString>({"LOGO.BMP", "ALT.BMP"}));
    EXPECT_EQ(names.mid(2), QStringList({"STEMPEL.GIF", "ZETA.JPG"}));

    // The upper-case entry finds the file whatever case it has on disk.
    pictures->setCurrentIndex(names.indexOf("ZETA.JPG"));
    ASSERT_EQ(dialog->Picture1().width(), 40);
    EXPECT_GT(dialog->Picture1().picture().pixelColor(20, 15).blue(), 200);
    EXPECT_FALSE(control<QLabel>(dialog, "Image1")->pixmap().isNull()) << "the thumbnail on the page";
    delete dialog;
}

TEST(DialogLists, TheJobReportsPagesAddressAndFaxNumberAndTheSpinsStayInRange)
{
    TempFolders dirs;
    DialogHooks hooks;
    QPointer<frmGUI> dialog = loadDialog(dirs.settingsFile());
    auto* toPage = control<QLineEdit>(dialog, "Text3");
    auto* copies = control<QLineEdit>(dialog, "Text1");
    auto* overall = control<QProgressBar>(dialog, "ProgressBar2");
    dialog->PageLen = 2;
    dialog->AddLineToArray("@EMAIL kunde@example.com");
    dialog->AddLineToArray("@FAX 0911 / 12 34-5");
    for (int line = 1; line <= 5; ++line)
        dialog->AddLineToArray(QStringLiteral("Zeile %1").arg(line));
    ASSERT_EQ(dialog->PageCount(), 3);
    EXPECT_EQ(toPage->text(), "3");
    EXPECT_EQ(control<QProgressBar>(dialog, "ProgressBar1")->maximum(), 3);
    EXPECT_EQ(dialog->emailText(0), "kunde@example.com");
    EXPECT_EQ(dialog->faxNumberText(0), "091112345");

    // The spins step from what the box shows and stay within the pages.
    toPage->setText("2");
    control<UpDownButtons>(dialog, "UpDown3")->stepUp();
    control<UpDownButtons>(dialog, "UpDown3")->stepUp();
    EXPECT_EQ(dialog->toPageText(), "3");

    // The copies set the overall bar; a text without a number leaves it but is kept.
    copies->setText("4");
    copies->setText("abc");
    EXPECT_EQ(overall->maximum(), 4);
    EXPECT_EQ(dialog->copiesText(0), "abc");
    copies->setText("7");
    control<UpDownButtons>(dialog, "UpDown1")->stepUp();
    EXPECT_EQ(overall->maximum(), 8);
    delete dialog;
}

// The default 3000 ms count 3, 2, 1; 1500 ms count 1.5, 0.5 and never go below zero.
TEST(DialogCountdown, CountsDownInSecondsAndStartsAtTheExactDelay)
{
    constexpr qint64 late = 700; // timers on a shared machine may run late, never early
    const struct
    {
        const char* delay;
        double maximum;
        QList<double> marks;
        qint64 outputMs;
    } cases[] = {{nullptr, 3.0, {2.0, 1.0}, 3000}, {"1500", 1.5, {0.5}, 1500}};
    for (const auto& c : cases) {
        TempFolders dirs;
        DialogHooks hooks;
        QPointer<frmGUI> dialog = loadAutoStarting(dirs, c.delay);
        EXPECT_FALSE(control<QFrame>(dialog, "frmAutostart")->isHidden());
        EXPECT_DOUBLE_EQ(dialog->countdownMaximum(), c.maximum);
        EXPECT_DOUBLE_EQ(dialog->countdownSeconds(), c.maximum);
        EXPECT_FALSE(dialog->AutostartTimer.isActive()) << "nothing runs while the job is still read";
        double shownAtOutput = -1;
        hooks.onOutput = [&](frmGUI& d) {
            shownAtOutput = d.countdownSeconds();
            return OutputOutcome::done();
        };
        hooks.clock.restart();
        dialog->jobComplete();
        for (int i = 0; i < c.marks.size(); ++i) {
            ASSERT_TRUE(
                QTest::qWaitFor([&] { return std::abs(dialog->countdownSeconds() - c.marks[i]) < 1e-6; }, 1000 + late));
            EXPECT_GE(hooks.clock.elapsed(), 1000 * (i + 1) - 10) << c.marks[i];
            EXPECT_LT(hooks.clock.elapsed(), 1000 * (i + 1) + late) << c.marks[i];
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return !hooks.calls.empty(); }, 1000 + late));
        EXPECT_GE(hooks.calls[0].atMs, c.outputMs - 5);
        EXPECT_LT(hooks.calls[0].atMs, c.outputMs + late);
        EXPECT_EQ(hooks.calls[0].kind, 5);
        EXPECT_GE(shownAtOutput, 0.0);
        EXPECT_TRUE(waitUntilDeleted(dialog));
    }
}

TEST(DialogCountdown, StoppingTheCountdownKeepsTheDialogForManualUse)
{
    TempFolders dirs;
    DialogHooks hooks;
    QPointer<frmGUI> dialog = loadAutoStarting(dirs, nullptr);
    dialog->jobComplete();
    ASSERT_TRUE(dialog->AutostartTimer.isActive());
    auto* strip = control<QFrame>(dialog, "frmAutostart");
    EXPECT_GE(dialog->height(), strip->geometry().bottom());
    control<QPushButton>(dialog, "Command4")->click();
    EXPECT_FALSE(dialog->tmrCountdown.isActive());
    EXPECT_TRUE(strip->isHidden());
    EXPECT_LE(dialog->height(), strip->y()) << "no empty band where the strip was";
    dialog->jobComplete();
    EXPECT_FALSE(dialog->AutostartTimer.isActive()) << "a stopped countdown never starts again";
    control<QPushButton>(dialog, "Command3")->click();
    EXPECT_EQ(hooks.calls.size(), 1u);
    EXPECT_TRUE(waitUntilDeleted(dialog));
}
