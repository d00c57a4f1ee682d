// The print dialog driven by its controls' names: the choices it restores and Start and
// Cancel save, the lists it fills, what it shows of the job, and the countdown of the
// automatic start.
#include "dialog/DestinationIcons.h"
#include "DialogTestSupport.h"
#include "platform/MessageBox.h"
#include "settings/ReadingRules.h"
#include "support/Ink.h"
#include "widgets/UpDownButtons.h"

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
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The program folder holds two pictures and two watermarks.
struct JobFolders
{
    JobFolders()
    {
        TempFolders::writeFile(dirs.program() + "/Wasser.txt", "Kopie|Arial|120| 1| 0| 0| 0|-100| 50| 450| 12| 60\r\n"
                                                               "Entwurf|Arial|80| 0| 1| 0| 0| 0| 0| 0| 4| 0\r\n");
        TempFolders::writePicture(dirs.program() + "/logo.bmp", 20, 10, Qt::green, "BMP");
        TempFolders::writePicture(dirs.program() + "/brief.bmp", 20, 10, Qt::green, "BMP");
    }
    void write(const QByteArray& text) const { TempFolders::writeFile(dirs.settingsFile(), text); }
    QString saved(const char* key) const { return rules::readRaw(dirs.settingsFile(), "PDevice", key, "?"); }
    TempFolders dirs;
};

QStringList entries(QComboBox* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->itemText(i);
    return texts;
}

void clickStart(PrintDialog& dialog)
{
    control<QPushButton>(&dialog, "startButton")->click();
}

} // namespace

// The remembered picture is looked for in the program folder, which need not be the
// folder of the settings file.
TEST(DialogSettings, TheRememberedChoicesComeBackAndValuesThatNoLongerFitLeaveTheFirstEntries)
{
    JobFolders s;
    DialogHooks hooks({"Buero Laser", "Etiketten"});
    s.write("[PDevice]\nRepeat=1\nPicture= logo.bmp \nPrinter0=Etiketten\nWater0=Entwurf\nPicPage0= 1\nExemplare0=3\n");
    auto f = dialogFor(s.dirs);
    PrintDialog& dialog = f->dialog;
    EXPECT_TRUE(control<QCheckBox>(&dialog, "repeatCheck")->isChecked());
    EXPECT_EQ(control<QComboBox>(&dialog, "pictureCombo")->currentText(), "LOGO.BMP");
    EXPECT_FALSE(dialog.request().picture.isNull()) << "choosing the picture loads it";
    EXPECT_EQ(dialog.request().printerName, "Etiketten");
    EXPECT_EQ(dialog.request().watermark, f->job.watermarks[1]);
    EXPECT_TRUE(control<QRadioButton>(&dialog, "firstPageOption")->isChecked());
    EXPECT_EQ(control<UpDownButtons>(&dialog, "copiesSpin")->value(), 3);

    // Values that no longer fit leave the first entries. The blank before Repeat's 1 is
    // dropped; printer names compare with case.
    s.write("[PDevice]\nRepeat= 1\nPicture=fehlt.bmp\nPrinter0=buero laser\nWater0=Gibt es nicht\nPicPage0=7\n"
            "Exemplare0= zwei \n");
    auto g = dialogFor(s.dirs);
    const OutputRequest request = g->dialog.request();
    EXPECT_TRUE(control<QCheckBox>(&g->dialog, "repeatCheck")->isChecked());
    EXPECT_TRUE(request.picture.isNull());
    EXPECT_EQ(request.destination, Destination::Pdf);
    EXPECT_EQ(control<QComboBox>(&g->dialog, "watermarkCombo")->currentText(), "Ohne");
    EXPECT_EQ(request.pictureMode, 0);
    EXPECT_EQ(control<QLineEdit>(&g->dialog, "copiesEdit")->text(), "zwei") << "kept as typed, trimmed";
    g->dialog.cancel();
    EXPECT_EQ(s.saved("Picture"), "fehlt.bmp") << "a picture not there now stays remembered";
}

TEST(DialogSettings, CancelSavesLikeStartAndTheNextJobShowsItAgain)
{
    JobFolders s;
    DialogHooks hooks({"Buero Laser"});
    auto f = dialogFor(s.dirs);
    PrintDialog& dialog = f->dialog;
    control<QComboBox>(&dialog, "destinationCombo")->setCurrentIndex(2);
    control<QRadioButton>(&dialog, "everyPageOption")->click();
    control<QLineEdit>(&dialog, "copiesEdit")->setText("2x");
    control<QComboBox>(&dialog, "watermarkCombo")->setCurrentIndex(1);
    control<QComboBox>(&dialog, "pictureCombo")->setCurrentText("LOGO.BMP");
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(f->closed);
    EXPECT_TRUE(hooks.calls.empty()) << "Cancel outputs nothing";
    QFile saved(s.dirs.settingsFile());
    EXPECT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromLocal8Bit(saved.readAll()).split(u'\n', Qt::SkipEmptyParts),
              QStringList({"[PDevice]", "Printer0=Buero Laser", "PicPage0= 2", "Exemplare0=2x", "Repeat= 0",
                           "Water0=Kopie", "Picture=LOGO.BMP"}));

    // The next job shows it again. Start hands the chosen destination to the output, saves
    // the same way and closes.
    auto next = dialogFor(s.dirs);
    EXPECT_EQ(next->dialog.request().printerName, "Buero Laser");
    control<QComboBox>(&next->dialog, "destinationCombo")->setCurrentIndex(1);
    clickStart(next->dialog);
    ASSERT_EQ(hooks.calls.size(), 1u);
    EXPECT_EQ(hooks.calls[0].request.destination, Destination::Mail);
    EXPECT_TRUE(next->closed);
    EXPECT_EQ(s.saved("Printer0"), "e-Mail");
}

// With Repeat on, the dialog stays for another Start after every output; a failure is
// reported, a cancel needs no word, and while an output runs Cancel and Start are refused.
TEST(DialogSettings, RepeatAndFailedOutputsKeepTheDialogForAnotherStart)
{
    JobFolders s;
    DialogHooks hooks;
    s.write("[PDevice]\nRepeat=1\n");
    auto f = dialogFor(s.dirs);
    PrintDialog& dialog = f->dialog;
    hooks.onOutput = [](const Job&, const OutputRequest&) {
        return OutputOutcome::failure("Der PDF-Ordner ist nicht beschreibbar.");
    };
    clickStart(dialog);
    ASSERT_EQ(msgbox::history().size(), 1);
    EXPECT_EQ(msgbox::history().at(0).title, "Fehler!");
    EXPECT_EQ(msgbox::history().at(0).text, "Der PDF-Ordner ist nicht beschreibbar.");
    EXPECT_EQ(s.saved("Printer0"), "Pdf-Dokument") << "the state is saved";
    hooks.onOutput = [](const Job&, const OutputRequest&) -> OutputOutcome { throw std::runtime_error("boom"); };
    clickStart(dialog);
    EXPECT_EQ(msgbox::history().size(), 2);
    hooks.onOutput = [](const Job&, const OutputRequest&) { return OutputOutcome::cancellation(); };
    clickStart(dialog);
    EXPECT_EQ(msgbox::history().size(), 2) << "a cancel needs no word";
    hooks.onOutput = [&](const Job&, const OutputRequest&) {
        control<QPushButton>(&dialog, "cancelButton")->click();
        clickStart(dialog);
        return OutputOutcome::done();
    };
    clickStart(dialog);
    EXPECT_EQ(hooks.calls.size(), 4u);
    EXPECT_FALSE(f->closed) << "the job is not lost";
    EXPECT_EQ(control<QProgressBar>(&dialog, "pageProgress")->value(), 0) << "the bars are emptied";
    EXPECT_EQ(s.saved("Repeat"), "1");
}

// Only the e-mail destination shows the address box, only a fax printer the number.
TEST(DialogLists, DestinationsAreThePdfThenMailThenThePrintersWithTheirKinds)
{
    TempFolders dirs;
    DialogHooks hooks({"Buero Laser", "HP FRITZfax 2", "fritzfax klein"});
    auto f = dialogFor(dirs);
    auto* list = control<QComboBox>(&f->dialog, "destinationCombo");
    EXPECT_EQ(entries(list), QStringList({"Pdf-Dokument", "e-Mail", "Buero Laser", "HP FRITZfax 2", "fritzfax klein"}));
    QStringList shown;
    for (int entry : {0, 1, 3, 4, 2, 0}) {
        list->setCurrentIndex(entry);
        shown << QStringLiteral("%1%2%3")
                     .arg(int(f->dialog.request().destination))
                     .arg(control<QGroupBox>(&f->dialog, "emailFrame")->isHidden() ? "" : " mail")
                     .arg(control<QGroupBox>(&f->dialog, "faxFrame")->isHidden() ? "" : " fax");
    }
    const auto kind = [](Destination d) { return QString::number(int(d)); };
    EXPECT_EQ(shown, QStringList({kind(Destination::Pdf), kind(Destination::Mail) + " mail",
                                  kind(Destination::FaxPrinter) + " fax", kind(Destination::Printer),
                                  kind(Destination::Printer), kind(Destination::Pdf)}));
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
    // Without picture files no picture is printed; the user may still choose a mode.
    dirs.setSetting("PDevice", "PicPage0", "2");
    auto none = dialogFor(dirs);
    EXPECT_EQ(control<QComboBox>(&none->dialog, "pictureCombo")->count(), 0);
    EXPECT_EQ(none->dialog.request().pictureMode, 0);
    control<QRadioButton>(&none->dialog, "everyPageOption")->click();
    EXPECT_EQ(none->dialog.request().pictureMode, 2);

    TempFolders::writePicture(dirs.program() + "/zeta.jpg", 40, 30, Qt::blue);
    TempFolders::writePicture(dirs.program() + "/Logo.bmp", 40, 30, Qt::red, "BMP");
    // The name counts, not the content.
    TempFolders::writePicture(dirs.program() + "/stempel.GIF", 40, 30, Qt::red, "PNG");
    TempFolders::writePicture(dirs.program() + "/Alt.BMP", 40, 30, Qt::red, "BMP");
    TempFolders::writePicture(dirs.program() + "/bild.png", 40, 30, Qt::red, "PNG");
    TempFolders::writeFile(dirs.program() + "/notiz.txt", "kein Bild");
    auto f = dialogFor(dirs);
    auto* pictures = control<QComboBox>(&f->dialog, "pictureCombo");
    EXPECT_EQ(entries(pictures), QStringList({"ALT.BMP", "LOGO.BMP", "STEMPEL.GIF", "ZETA.JPG", "BILD.PNG"}));

    // The upper-case entry finds the file whatever case it has on disk.
    pictures->setCurrentIndex(entries(pictures).indexOf("ZETA.JPG"));
    const QImage picture = f->dialog.request().picture;
    ASSERT_EQ(picture.width(), 40);
    EXPECT_GT(picture.pixelColor(20, 15).blue(), 200);
    EXPECT_FALSE(control<QLabel>(&f->dialog, "pictureThumbnail")->pixmap().isNull()) << "the thumbnail on the page";
}

TEST(DialogLists, TheJobsPagesAddressAndFaxNumberAreShownAndTheSpinsStayInRange)
{
    TempFolders dirs;
    DialogHooks hooks;
    dirs.setSetting("Pserver", "LinesPerPage", "2");
    auto f = dialogFor(dirs, {"@EMAIL kunde@example.com", "@FAX 0911 / 12 34-5", "Zeile 1", "Zeile 2", "Zeile 3",
                              "Zeile 4", "Zeile 5"});
    PrintDialog& dialog = f->dialog;
    auto* toPage = control<QLineEdit>(&dialog, "toPageEdit");
    auto* copies = control<QLineEdit>(&dialog, "copiesEdit");
    auto* overall = control<QProgressBar>(&dialog, "totalProgress");
    EXPECT_EQ(toPage->text(), "3");
    EXPECT_EQ(control<QLineEdit>(&dialog, "emailEdit")->text(), "kunde@example.com");
    EXPECT_EQ(control<QLineEdit>(&dialog, "faxEdit")->text(), "091112345");

    // Typing a page chooses "von Seite", whose spin buttons step from what the box shows
    // and stay within the pages.
    EXPECT_FALSE(control<UpDownButtons>(&dialog, "toPageSpin")->isEnabled()) << "not with \"alles\"";
    control<QLineEdit>(&dialog, "fromPageEdit")->selectAll();
    QTest::keyClicks(control<QLineEdit>(&dialog, "fromPageEdit"), "2");
    EXPECT_TRUE(control<QRadioButton>(&dialog, "pageRangeOption")->isChecked());
    EXPECT_EQ(dialog.request().fromPage, 2);
    toPage->setText("2");
    control<UpDownButtons>(&dialog, "toPageSpin")->stepUp();
    control<UpDownButtons>(&dialog, "toPageSpin")->stepUp();
    EXPECT_EQ(toPage->text(), "3");

    // The copies set the overall bar; a text without a number leaves it but is kept.
    copies->setText("4");
    copies->setText("abc");
    EXPECT_EQ(overall->maximum(), 4);
    EXPECT_EQ(copies->text(), "abc");
    copies->setText("7");
    control<UpDownButtons>(&dialog, "copiesSpin")->stepUp();
    EXPECT_EQ(overall->maximum(), 8);
}

// The countdown driven tick by tick (no waiting in real time): the default 3000 ms count
// 3, 2, 1; 1500 ms count 1.5, 0.5 and never go below zero; 15000 ms, beyond what the
// settings window's spin buttons offer, count 15 seconds; the output starts when the
// delay's single precise timer ends.
TEST(DialogCountdown, CountsDownInSecondsAndStartsWhenTheDelayEnds)
{
    const struct
    {
        const char* delay;
        int intervalMs;
        QList<double> shown; // at the start and after each tick
    } cases[] = {
        {nullptr, 3000, {3.0, 2.0, 1.0, 0.0}}, {"1500", 1500, {1.5, 0.5, 0.5}}, {"15000", 15000, {15.0, 14.0}}};
    for (const auto& c : cases) {
        TempFolders dirs;
        DialogHooks hooks;
        dirs.setSetting("Pserver", "AutoStart", "1");
        if (c.delay)
            dirs.setSetting("Pserver", "AutoStartDelay", c.delay);
        auto f = dialogFor(dirs);
        PrintDialog& dialog = f->dialog;
        EXPECT_FALSE(dialog.countdownRunning()) << "nothing runs before the dialog is shown";
        dialog.showOnTop();
        EXPECT_FALSE(control<QFrame>(&dialog, "countdownStrip")->isHidden());
        const QTimer* timer = control<QTimer>(&dialog, "autoStartTimer");
        EXPECT_EQ(timer->interval(), c.intervalMs);
        EXPECT_TRUE(timer->isSingleShot() && timer->timerType() == Qt::PreciseTimer);
        EXPECT_DOUBLE_EQ(dialog.countdownMaximum(), c.shown[0]);
        for (int tick = 0; tick < c.shown.size(); ++tick) {
            EXPECT_DOUBLE_EQ(dialog.countdownSeconds(), c.shown[tick]) << tick;
            dialog.countdownTick();
        }
        EXPECT_TRUE(hooks.calls.empty());
        dialog.countdownEnded();
        ASSERT_EQ(hooks.calls.size(), 1u);
        EXPECT_EQ(hooks.calls[0].request.destination, Destination::Pdf);
        EXPECT_TRUE(f->closed);
    }
}

TEST(DialogCountdown, StoppingTheCountdownKeepsTheDialogForManualUse)
{
    TempFolders dirs;
    DialogHooks hooks;
    dirs.setSetting("Pserver", "AutoStart", "1");
    auto f = dialogFor(dirs);
    PrintDialog& dialog = f->dialog;
    dialog.showOnTop();
    ASSERT_TRUE(dialog.countdownRunning());
    auto* strip = control<QFrame>(&dialog, "countdownStrip");
    EXPECT_GE(dialog.height(), strip->geometry().bottom());
    control<QPushButton>(&dialog, "stopCountdownButton")->click();
    EXPECT_FALSE(dialog.countdownRunning());
    EXPECT_TRUE(strip->isHidden());
    EXPECT_LE(dialog.height(), strip->y()) << "no empty band where the strip was";
    clickStart(dialog);
    EXPECT_EQ(hooks.calls.size(), 1u);
    EXPECT_TRUE(f->closed);
}
