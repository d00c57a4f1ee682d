#include "Controls.h"
#include "TempFolders.h"
#include "frmPdfDialog.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

void retype(QLineEdit* box, const QString& text)
{
    box->clear();
    QTest::keyClicks(box, text);
}

} // namespace

TEST(PdfDialog, ShowsTheFolderWithOneSeparatorAddedAndTheName)
{
    TempFolders dirs;
    frmPdfDialog dialog;
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    QLineEdit* text3 = control<QLineEdit>(&dialog, "Text3");
    EXPECT_TRUE(text3->isReadOnly());

    // The separator is always added, even to a folder that already ends with one.
    const QString sep = QDir::separator();
    dialog.setProperty("PdfPath", dirs.root());
    EXPECT_EQ(text3->text(), QDir::toNativeSeparators(dirs.root()) + sep);
    dialog.setPdfPath(dirs.root() + "/");
    EXPECT_EQ(text3->text(), QDir::toNativeSeparators(dirs.root() + "/") + sep);
    EXPECT_EQ(dialog.PdfPath(), dirs.root() + "/") << "the folder itself is kept as given";

    dialog.setProperty("pdfFile", "Rechnung");
    EXPECT_EQ(control<QLineEdit>(&dialog, "Text1")->text(), "Rechnung");
    EXPECT_EQ(dialog.property("pdfFile").toString(), "Rechnung");
}

TEST(PdfDialog, ButtonIsEnabledExactlyWhileTheNameIsNonEmptyAndItsFoldersExist)
{
    TempFolders dirs;
    frmPdfDialog dialog;
    dialog.setPdfPath(dirs.root());
    dialog.setPdfFile("PDFDOC20240101120000");
    QLineEdit* text1 = control<QLineEdit>(&dialog, "Text1");
    QPushButton* ok = control<QPushButton>(&dialog, "OKButton");
    EXPECT_TRUE(ok->isEnabled());

    retype(text1, "");
    EXPECT_FALSE(ok->isEnabled()) << "empty name";
    QTest::keyClicks(text1, "a");
    EXPECT_TRUE(ok->isEnabled());

    // Sub-folders named in the text must exist; the last part is the file and is not tested.
    retype(text1, "Archiv/2024/rechnung");
    EXPECT_FALSE(ok->isEnabled());
    QDir().mkpath(dirs.root() + "/Archiv");
    QTest::keyClicks(text1, "1");
    EXPECT_FALSE(ok->isEnabled()) << "Archiv exists, Archiv/2024 not yet";
    QDir().mkpath(dirs.root() + "/Archiv/2024");
    QTest::keyClicks(text1, "2");
    EXPECT_TRUE(ok->isEnabled());
    retype(text1, "Archiv\\2024\\rechnung");
    EXPECT_TRUE(ok->isEnabled()) << "a backslash separates folders too";
    retype(text1, "Archiv\\fehlt\\rechnung");
    EXPECT_FALSE(ok->isEnabled());
    retype(text1, "Archiv/");
    EXPECT_TRUE(ok->isEnabled()) << "only what ends in a separator is tested";

    // A file is not a folder to lead through, and a missing target folder fails every name.
    TempFolders::writeFile(dirs.root() + "/datei", "x");
    retype(text1, "datei/name");
    EXPECT_FALSE(ok->isEnabled());
    dialog.setPdfPath(dirs.root() + "/gibtsnicht");
    EXPECT_FALSE(ok->isEnabled()) << "re-checked when the folder changes";
    dialog.setPdfPath(dirs.root());
    dialog.setPdfFile("datei");
    EXPECT_TRUE(ok->isEnabled());
}

TEST(PdfDialog, EveryWayOfClosingTakesTheCurrentTextEvenAnEmptyOne)
{
    TempFolders dirs;
    auto closeAndRead = [&](const QString& typed, const std::function<void(frmPdfDialog&)>& close) {
        frmPdfDialog dialog;
        dialog.setPdfPath(dirs.root());
        dialog.setPdfFile("Vorschlag");
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        retype(control<QLineEdit>(&dialog, "Text1"), typed);
        close(dialog);
        EXPECT_FALSE(dialog.isVisible());
        return dialog.pdfFile();
    };
    EXPECT_EQ(
        closeAndRead("Brief",
                     [](frmPdfDialog& d) { QTest::mouseClick(d.findChild<QPushButton*>("OKButton"), Qt::LeftButton); }),
        "Brief");
    EXPECT_EQ(closeAndRead("Esc", [](frmPdfDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }), "Esc");
    EXPECT_EQ(closeAndRead("Fenster", [](frmPdfDialog& d) { d.close(); }), "Fenster");
    EXPECT_EQ(closeAndRead("", [](frmPdfDialog& d) { d.close(); }), "");
    EXPECT_EQ(closeAndRead("fehlt/x", [](frmPdfDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }), "fehlt/x")
        << "also a name the button would not accept";
}

TEST(PdfDialog, NameIsSelectedWhenItGetsTheFocus)
{
    TempFolders dirs;
    frmPdfDialog dialog;
    dialog.setPdfPath(dirs.root());
    dialog.setPdfFile("PDFDOC20240101120000");
    QPushButton* ok = control<QPushButton>(&dialog, "OKButton");
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    ok->setFocus();
    QLineEdit* text1 = control<QLineEdit>(&dialog, "Text1");
    text1->deselect();
    QTest::mouseClick(text1, Qt::LeftButton, {}, QPoint(5, text1->height() / 2));
    QTRY_COMPARE(text1->selectedText(), QString("PDFDOC20240101120000"));
    EXPECT_EQ(text1->selectionStart(), 0);
}

TEST(PdfDialog, AskingHeadlessOrThroughTheHookNeverWaits)
{
    TempFolders dirs;
    EXPECT_EQ(askPdfFileName(dirs.root(), "PDFDOC20240101120000"), "PDFDOC20240101120000")
        << "without a display the proposal is the answer";

    setNextPdfFileName("Angebot");
    EXPECT_EQ(askPdfFileName(dirs.root(), "PDFDOC1"), "Angebot");
    EXPECT_EQ(askPdfFileName(dirs.root(), "PDFDOC2"), "PDFDOC2") << "the hook answers one call only";

    setNextPdfFileName("Kunden\\Meier");
    EXPECT_EQ(askPdfFileName(dirs.root(), "x"), "Kunden/Meier") << "a backslash is a folder separator";
    setNextPdfFileName("");
    EXPECT_EQ(askPdfFileName(dirs.root(), "x"), "") << "an empty answer stays empty";
}
