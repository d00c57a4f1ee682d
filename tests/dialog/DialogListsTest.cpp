// The lists the dialog fills when it loads, and what the job reports to it while it is
// read.
#include "DialogTestSupport.h"
#include "TempFolders.h"
#include "UpDownButtons.h"

#include "ReadingRules.h"

#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace {

QStringList entries(QComboBox* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->itemText(i);
    return texts;
}

} // namespace

TEST(DialogLists, DestinationsAreThePdfThenMailThenThePrintersWithTheirKinds)
{
    TempFolders dirs;
    DialogHooks hooks({"Buero Laser", "HP FRITZfax 2", "fritzfax klein"});
    QPointer<frmGUI> dialog = loadDialog(dirs.settingsFile(), false);
    auto* list = control<QComboBox>(dialog, "ImageCombo1");
    auto* mail = control<QGroupBox>(dialog, "frmEmail");
    auto* fax = control<QGroupBox>(dialog, "frmFax");
    ASSERT_TRUE(list && mail && fax);
    EXPECT_EQ(entries(list), QStringList({"Pdf-Dokument", "e-Mail", "Buero Laser", "HP FRITZfax 2", "fritzfax klein"}));
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_TRUE(mail->isHidden() && fax->isHidden());

    // Only the e-mail destination shows the address box, only a fax printer the number.
    const struct
    {
        int entry, kind;
        bool mailShown, faxShown;
    } cases[] = {
        {1, 2, true, false}, {3, 4, false, true}, {4, 3, false, false}, {2, 3, false, false}, {0, 5, false, false}};
    for (const auto& c : cases) {
        list->setCurrentIndex(c.entry);
        EXPECT_EQ(!mail->isHidden(), c.mailShown) << c.entry;
        EXPECT_EQ(!fax->isHidden(), c.faxShown) << c.entry;
        EXPECT_EQ(dialog->destinationKind(0), c.kind) << c.entry;
    }
    delete dialog;
}

TEST(DialogLists, PictureFilesAreListedInUpperCaseByPatternAndLoadedWhenChosen)
{
    TempFolders dirs;
    DialogHooks hooks;
    TempFolders::writePicture(dirs.program() + "/zeta.jpg", 40, 30, Qt::blue);
    TempFolders::writePicture(dirs.program() + "/Logo.bmp", 40, 30, Qt::red, "BMP");
    TempFolders::writePicture(dirs.program() + "/stempel.GIF", 40, 30, Qt::red,
                              "PNG"); // the name counts, not the content
    TempFolders::writePicture(dirs.program() + "/Alt.BMP", 40, 30, Qt::red, "BMP");
    TempFolders::writePicture(dirs.program() + "/bild.png", 40, 30, Qt::red, "PNG");
    QPointer<frmGUI> dialog = loadDialog(dirs.settingsFile(), false);
    auto* pictures = control<QComboBox>(dialog, "Combo1");
    const QStringList names = entries(pictures);
    ASSERT_EQ(names.size(), 4) << names.join(',').toStdString();
    EXPECT_EQ(QSet<QString>(names.begin(), names.begin() + 2), QSet<QString>({"LOGO.BMP", "ALT.BMP"}));
    EXPECT_EQ(names.mid(2), QStringList({"STEMPEL.GIF", "ZETA.JPG"}));
    EXPECT_EQ(rules::readRaw(dirs.settingsFile(), "PDevice", "PicPage", "absent"), "absent");

    // The upper-case entry finds the file whatever case it has on disk.
    pictures->setCurrentIndex(names.indexOf("ZETA.JPG"));
    ASSERT_EQ(dialog->Picture1().width(), 40);
    EXPECT_GT(dialog->Picture1().picture().pixelColor(20, 15).blue(), 200);
    EXPECT_FALSE(control<QLabel>(dialog, "Image1")->pixmap().isNull()) << "the thumbnail on the page";
    delete dialog;
}

TEST(DialogLists, WithoutPictureFilesThePictureModeIsForcedOffAndSaved)
{
    TempFolders dirs;
    DialogHooks hooks;
    QPointer<frmGUI> dialog = loadDialog(dirs.settingsFile(), false);
    EXPECT_EQ(control<QComboBox>(dialog, "Combo1")->count(), 0);
    EXPECT_TRUE(control<QRadioButton>(dialog, "Option1_0")->isChecked());
    EXPECT_EQ(dialog->PicPageMode(0), 0);
    EXPECT_EQ(rules::readRaw(dirs.settingsFile(), "PDevice", "PicPage", "absent"), "0");
    control<QRadioButton>(dialog, "Option1_2")->click();
    EXPECT_EQ(dialog->PicPageMode(0), 2) << "the user may still choose a mode";
    delete dialog;
}

TEST(DialogLists, TheJobReportsPagesAddressAndFaxNumberAndTheSpinsStayInRange)
{
    TempFolders dirs;
    DialogHooks hooks;
    QPointer<frmGUI> dialog = loadDialog(dirs.settingsFile());
    auto* toPage = control<QLineEdit>(dialog, "Text3");
    auto* fromSpin = control<UpDownButtons>(dialog, "UpDown2");
    auto* toSpin = control<UpDownButtons>(dialog, "UpDown3");
    auto* copies = control<QLineEdit>(dialog, "Text1");
    auto* overall = control<QProgressBar>(dialog, "ProgressBar2");
    auto* page = control<QFrame>(dialog, "PagePicture");
    ASSERT_TRUE(toPage && fromSpin && toSpin && copies && overall && page);

    dialog->setLandscape(true);
    EXPECT_GT(page->width(), page->height());
    dialog->PageLen = 2;
    dialog->AddLineToArray("@EMAIL kunde@example.com");
    dialog->AddLineToArray("@FAX 0911 / 12 34-5");
    for (int line = 1; line <= 5; ++line)
        dialog->AddLineToArray(QStringLiteral("Zeile %1").arg(line));
    ASSERT_EQ(dialog->PageCount(), 3);
    EXPECT_EQ(toPage->text(), "3");
    EXPECT_EQ(toSpin->maximum(), 3);
    EXPECT_EQ(fromSpin->maximum(), 3);
    EXPECT_EQ(control<QProgressBar>(dialog, "ProgressBar1")->maximum(), 3);
    EXPECT_EQ(dialog->emailText(0), "kunde@example.com");
    EXPECT_EQ(dialog->faxNumberText(0), "091112345");

    // The spins step from what the box shows and stay within the pages.
    toPage->setText("2");
    toSpin->stepUp();
    toSpin->stepUp();
    EXPECT_EQ(dialog->toPageText(), "3");
    control<QLineEdit>(dialog, "Text2")->setText("x");
    fromSpin->stepDown();
    EXPECT_EQ(dialog->fromPageText(), "1");

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

TEST(DialogLayout, ShownControlsFitTheirFramesAndDoNotOverlap)
{
    TempFolders dirs;
    DialogHooks hooks({"Buero Laser"});
    dirs.setSetting("Pserver", "AutoStart", "1");
    QPointer<frmGUI> dialog = loadDialog(dirs.settingsFile());
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.data()));
    // Mail and fax share one place but never show together; the shadow lies under the page.
    const QList<QWidget*> all = dialog->findChildren<QWidget*>();
    auto counts = [](const QWidget* w) {
        return !w->isHidden() && w->parentWidget() && !w->objectName().isEmpty() && w->objectName() != "PageShadow";
    };
    for (QWidget* w : all) {
        if (!counts(w))
            continue;
        EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry())) << w->objectName().toStdString();
        for (QWidget* other : all) {
            if (other != w && counts(other) && other->parentWidget() == w->parentWidget()) {
                EXPECT_FALSE(w->geometry().intersects(other->geometry()))
                    << w->objectName().toStdString() << " overlaps " << other->objectName().toStdString();
            }
        }
    }
    dialog->Command4_Click();
    delete dialog;
}
