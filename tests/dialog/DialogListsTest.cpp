// The lists the dialog fills when it loads, and what the job reports to it while it is
// read.
#include "DialogTestSupport.h"
#include "TempFolders.h"
#include "UpDownButtons.h"

#include "ReadingRules.h"
#include "ServerSettings.h"

#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace {

void writePicture(const QString& path, const char* format, QColor colour = Qt::red)
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(path, format)) << path.toStdString();
}

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
    ASSERT_NE(list, nullptr);

    EXPECT_EQ(entries(list), QStringList({"Pdf-Dokument", "e-Mail", "Buero Laser", "HP FRITZfax 2", "fritzfax klein"}));
    const std::vector<int> kinds = {5, 2, 3, 4, 3};
    for (int i = 0; i < list->count(); ++i) {
        EXPECT_EQ(list->itemData(i, Qt::UserRole).toInt(), kinds[size_t(i)]) << i;
        EXPECT_FALSE(list->itemIcon(i).isNull()) << i;
    }
    EXPECT_EQ(list->currentIndex(), 0) << "the first entry is selected when the form loads";

    // Only the e-mail destination shows the address box, only the fax printer the number.
    auto* mail = control<QGroupBox>(dialog, "frmEmail");
    auto* fax = control<QGroupBox>(dialog, "frmFax");
    EXPECT_TRUE(mail->isHidden());
    EXPECT_TRUE(fax->isHidden());
    const struct
    {
        int entry;
        bool mailShown, faxShown;
    } cases[] = {{1, true, false}, {3, false, true}, {4, false, false}, {2, false, false}, {0, false, false}};
    for (const auto& c : cases) {
        list->setCurrentIndex(c.entry);
        EXPECT_EQ(!mail->isHidden(), c.mailShown) << c.entry;
        EXPECT_EQ(!fax->isHidden(), c.faxShown) << c.entry;
        EXPECT_EQ(dialog->destinationKind(0), kinds[size_t(c.entry)]);
    }
    delete dialog;
}

TEST(DialogLists, PictureFilesAreListedInUpperCaseByPatternAndLoadedWhenChosen)
{
    TempFolders dirs;
    DialogHooks hooks;
    writePicture(dirs.program() + "/zeta.jpg", "JPG", Qt::blue);
    writePicture(dirs.program() + "/Logo.bmp", "BMP");
    writePicture(dirs.program() + "/stempel.GIF", "PNG"); // the name counts, not the content
    writePicture(dirs.program() + "/Alt.BMP", "BMP");
    writePicture(dirs.program() + "/bild.png", "PNG");
    TempFolders::writeFile(dirs.program() + "/notes.txt", "x");

    QPointer<frmGUI> dialog = loadDialog(dirs.settingsFile(), false);
    auto* pictures = control<QComboBox>(dialog, "Combo1");
    const QStringList names = entries(pictures);
    ASSERT_EQ(names.size(), 4) << names.join(',').toStdString();
    EXPECT_EQ(QSet<QString>(names.begin(), names.begin() + 2), QSet<QString>({"LOGO.BMP", "ALT.BMP"}));
    EXPECT_EQ(names.at(2), "STEMPEL.GIF");
    EXPECT_EQ(names.at(3), "ZETA.JPG");
    EXPECT_EQ(pictures->currentIndex(), -1) << "nothing is chosen before init";
    EXPECT_TRUE(dialog->Picture1().isEmpty());
    EXPECT_EQ(rules::readRaw(dirs.settingsFile(), "PDevice", "PicPage", "absent"), "absent")
        << "picture files exist, so the picture mode is left alone";

    // The upper-case entry finds the file whatever case it has on disk.
    pictures->setCurrentIndex(names.indexOf("ZETA.JPG"));
    ASSERT_FALSE(dialog->Picture1().isEmpty());
    EXPECT_EQ(dialog->Picture1().width(), 40);
    const QColor centre = dialog->Picture1().picture().pixelColor(20, 15);
    EXPECT_GT(centre.blue(), 200);
    EXPECT_LT(centre.red(), 60);
    auto* thumbnail = control<QLabel>(dialog, "Image1");
    ASSERT_FALSE(thumbnail->pixmap().isNull());
    EXPECT_LE(thumbnail->pixmap().width(), thumbnail->width());
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

    // The user may still choose a mode; it is what the outputs read.
    control<QRadioButton>(dialog, "Option1_2")->click();
    EXPECT_EQ(dialog->PicPageMode(0), 2);
    control<QRadioButton>(dialog, "Option1_1")->click();
    EXPECT_EQ(dialog->PicPageMode(0), 1);
    delete dialog;
}

TEST(DialogLists, WatermarkListFollowsWasserTxt)
{
    TempFolders dirs;
    DialogHooks hooks;

    // No file: the list stays empty, not even "Ohne", and the job has no watermarks.
    {
        QPointer<frmGUI> dialog = loadDialog(dirs.settingsFile());
        EXPECT_EQ(control<QComboBox>(dialog, "Combo2")->count(), 0);
        EXPECT_TRUE(dialog->Watermarks().isEmpty());
        EXPECT_EQ(dialog->WatermarkPosition(0), -1);
        delete dialog;
    }

    const QByteArray kopie = "Kopie|Arial|120| 1| 0| 0| 0|-100| 50| 450| 12| 60";
    const QByteArray entwurf = "Entwurf|Arial|80| 0| 1| 0| 0| 0| 0| 0| 4| 0";
    const QByteArray muster = "Muster|Courier New|60| 0| 0| 1| 0| 0| 0| 0| 9| 0";
    TempFolders::writeFile(dirs.program() + "/Wasser.txt", kopie + "\r\n" + entwurf + "\r\n" + muster + "\r\n");
    QPointer<frmGUI> dialog = loadDialog(dirs.settingsFile());
    auto* list = control<QComboBox>(dialog, "Combo2");
    EXPECT_EQ(entries(list), QStringList({"Ohne", "Kopie", "Entwurf", "Muster"}));
    EXPECT_EQ(list->currentIndex(), 0) << "init selects \"Ohne\"";
    ASSERT_EQ(dialog->Watermarks().size(), 3);

    // The third entry stands for the job's watermark 1.
    list->setCurrentIndex(2);
    ASSERT_EQ(dialog->WatermarkPosition(0), 2);
    EXPECT_EQ(dialog->Watermarks().at(dialog->WatermarkPosition(0) - 1), QString::fromLatin1(entwurf));
    delete dialog;
}

TEST(DialogLists, TheJobReportsPagesOrientationAddressAndFaxNumber)
{
    TempFolders dirs;
    DialogHooks hooks;
    QPointer<frmGUI> dialog = loadDialog(dirs.settingsFile());
    auto* toPage = control<QLineEdit>(dialog, "Text3");
    auto* fromSpin = control<UpDownButtons>(dialog, "UpDown2");
    auto* toSpin = control<UpDownButtons>(dialog, "UpDown3");
    auto* pageBar = control<QProgressBar>(dialog, "ProgressBar1");
    auto* page = control<QFrame>(dialog, "PagePicture");
    auto* shadow = control<QFrame>(dialog, "PageShadow");
    ASSERT_TRUE(toPage && fromSpin && toSpin && pageBar && page && shadow);

    dialog->setLandscape(true);
    EXPECT_EQ(page->geometry(), QRect(16, 48, 121, 97));
    EXPECT_EQ(shadow->geometry(), QRect(24, 56, 121, 97));
    dialog->setLandscape(false);
    EXPECT_EQ(page->geometry(), QRect(16, 48, 97, 121));

    dialog->PageLen = 2;
    dialog->AddLineToArray("@EMAIL kunde@example.com");
    dialog->AddLineToArray("@FAX 0911 / 12 34-5");
    for (int line = 1; line <= 5; ++line)
        dialog->AddLineToArray(QStringLiteral("Zeile %1").arg(line));
    ASSERT_EQ(dialog->PageCount(), 3);
    EXPECT_EQ(toPage->text(), "3");
    EXPECT_EQ(toSpin->maximum(), 3);
    EXPECT_EQ(toSpin->value(), 3);
    EXPECT_EQ(fromSpin->maximum(), 3);
    EXPECT_EQ(pageBar->maximum(), 3);
    EXPECT_EQ(dialog->emailText(0), "kunde@example.com");
    EXPECT_EQ(dialog->faxNumberText(0), "091112345");

    // The spin buttons step from what the box shows and stay within the pages.
    toPage->setText("2");
    toSpin->stepUp();
    EXPECT_EQ(dialog->toPageText(), "3");
    toSpin->stepUp();
    EXPECT_EQ(dialog->toPageText(), "3");
    auto* from = control<QLineEdit>(dialog, "Text2");
    from->setText("x");
    fromSpin->stepDown();
    EXPECT_EQ(dialog->fromPageText(), "1");
    delete dialog;
}

TEST(DialogLists, CopiesSetTheOverallBarMaximumAndAnyTextIsKept)
{
    TempFolders dirs;
    DialogHooks hooks;
    QPointer<frmGUI> dialog = loadDialog(dirs.settingsFile());
    auto* copies = control<QLineEdit>(dialog, "Text1");
    auto* spin = control<UpDownButtons>(dialog, "UpDown1");
    auto* overall = control<QProgressBar>(dialog, "ProgressBar2");

    copies->setText("4");
    EXPECT_EQ(overall->maximum(), 4);
    copies->setText("abc");
    EXPECT_EQ(overall->maximum(), 4) << "a text without a number leaves the maximum";
    EXPECT_EQ(dialog->copiesText(0), "abc");
    copies->setText("7");
    spin->stepUp();
    EXPECT_EQ(copies->text(), "8");
    EXPECT_EQ(overall->maximum(), 8);
    delete dialog;
}

TEST(DialogLayout, ControlsFitTheirFramesAndDoNotOverlap)
{
    TempFolders dirs;
    DialogHooks hooks({"Buero Laser"});
    TempFolders::writeFile(dirs.program() + "/Wasser.txt", "Kopie|Arial|120| 1| 0| 0| 0| 0| 0| 0| 12| 0\r\n");
    writePicture(dirs.program() + "/logo.bmp", "BMP", QColor(30, 120, 200));
    dirs.setSetting("Pserver", "AutoStart", "1");
    dirs.setSetting("PDevice", "Picture", "logo.bmp");
    writePicture(dirs.appData() + "/logo.bmp", "BMP");
    QPointer<frmGUI> dialog = loadDialog(dirs.settingsFile());
    dialog->PageLen = 2;
    for (int line = 1; line <= 9; ++line)
        dialog->AddLineToArray(QStringLiteral("Zeile %1").arg(line));
    dialog->setWindowTitle("Druckdialog Job  2");
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.data()));
    EXPECT_EQ(dialog->size(), QSize(535, 406));

    // Siblings that are shown never overlap (the e-mail and fax boxes share one place but
    // are never shown together; the page shadow lies under the page on purpose).
    const QList<QWidget*> all = dialog->findChildren<QWidget*>();
    for (QWidget* w : all) {
        if (w->isHidden() || !w->parentWidget() || w->objectName().isEmpty())
            continue;
        EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry()))
            << w->objectName().toStdString() << " leaves its parent";
        for (QWidget* other : all) {
            if (other == w || other->isHidden() || other->parentWidget() != w->parentWidget() ||
                other->objectName().isEmpty() || w->objectName() == "PageShadow" || other->objectName() == "PageShadow")
                continue;
            EXPECT_FALSE(w->geometry().intersects(other->geometry()))
                << w->objectName().toStdString() << " overlaps " << other->objectName().toStdString();
        }
    }

    // The thumbnail of the chosen picture sits on the white page.
    const QImage shot = dialog->grab().toImage();
    const QWidget* page = control<QWidget>(dialog, "PagePicture");
    const QPoint centre = page->mapTo(dialog.data(), page->rect().center());
    const QColor ink = shot.pixelColor(centre);
    EXPECT_GT(ink.blue(), 150) << "the picture is drawn on the page";
    EXPECT_LT(ink.red(), 100);
    const QString grabTo = qEnvironmentVariable("DIALOG_GRAB");
    if (!grabTo.isEmpty())
        shot.save(grabTo);
    dialog->Command4_Click();
    delete dialog;
}
