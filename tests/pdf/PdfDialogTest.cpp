#include "pdf/PdfNameDialog.h"
#include "support/Controls.h"
#include "support/TempFolders.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

// The button is enabled exactly while the name is non-empty and the folders it names exist.
TEST(PdfDialog, ShowsTheFolderWithASeparatorAndAcceptsOnlyNamesInExistingFolders)
{
    TempFolders dirs;
    QDir().mkpath(dirs.root() + "/Archiv/2024");
    TempFolders::writeFile(dirs.root() + "/datei", "x");
    PdfNameDialog dialog;
    // The separator is always added, even to a folder that already ends with one.
    dialog.setFolder(dirs.root() + "/");
    EXPECT_EQ(control<QLineEdit>(&dialog, "folderBox")->text(), QDir::toNativeSeparators(dirs.root() + "/") + "/");
    dialog.setFolder(dirs.root());
    dialog.setName("PDFDOC20240101120000");
    QLineEdit* text1 = control<QLineEdit>(&dialog, "nameEdit");
    QPushButton* ok = control<QPushButton>(&dialog, "okButton");
    EXPECT_TRUE(ok->isEnabled());

    // Only what ends in a separator is a folder to test; a backslash separates folders too.
    for (const char* name : {"a", "Archiv/2024/rechnung", "Archiv\\2024\\x", "Archiv/"}) {
        text1->clear();
        QTest::keyClicks(text1, name);
        EXPECT_TRUE(ok->isEnabled()) << name;
    }
    for (const char* name : {"", "Archiv/2025/rechnung", "Archiv\\fehlt\\x", "datei/name"}) {
        text1->clear();
        QTest::keyClicks(text1, name);
        EXPECT_FALSE(ok->isEnabled()) << name;
    }
    dialog.setFolder(dirs.root() + "/gibtsnicht");
    EXPECT_FALSE(ok->isEnabled()) << "re-checked when the folder changes";
}

TEST(PdfDialog, EveryWayOfClosingTakesTheCurrentTextEvenAnEmptyOne)
{
    TempFolders dirs;
    auto closeAndRead = [&](const QString& typed, const std::function<void(PdfNameDialog&)>& close) {
        PdfNameDialog dialog;
        dialog.setFolder(dirs.root());
        dialog.setName("Vorschlag");
        dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
        QLineEdit* text1 = control<QLineEdit>(&dialog, "nameEdit");
        // The name is selected when it gets the focus, ready to be typed over.
        control<QPushButton>(&dialog, "okButton")->setFocus();
        text1->deselect();
        QTest::mouseClick(text1, Qt::LeftButton, {}, QPoint(5, text1->height() / 2));
        EXPECT_TRUE(QTest::qWaitFor([&] { return text1->selectedText() == "Vorschlag"; }));
        text1->clear();
        QTest::keyClicks(text1, typed);
        close(dialog);
        EXPECT_FALSE(dialog.isVisible());
        return dialog.name();
    };
    EXPECT_EQ(closeAndRead("Brief", [](PdfNameDialog& d) { control<QPushButton>(&d, "okButton")->click(); }), "Brief");
    EXPECT_EQ(closeAndRead("", [](PdfNameDialog& d) { d.close(); }), "");
    EXPECT_EQ(closeAndRead("fehlt/x", [](PdfNameDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }), "fehlt/x")
        << "Esc too, even with a name the button would not accept";
}

TEST(PdfDialog, AskingHeadlessOrThroughTheHookNeverWaits)
{
    TempFolders dirs;
    EXPECT_EQ(askPdfFileName(dirs.root(), "PDFDOC20240101120000"), "PDFDOC20240101120000")
        << "without a display the proposal is the answer";
    setNextPdfFileName("Angebot");
    EXPECT_EQ(askPdfFileName(dirs.root(), "PDFDOC1"), "Angebot");
    EXPECT_EQ(askPdfFileName(dirs.root(), "PDFDOC2"), "PDFDOC2") << "the hook answers one call only";
    setNextPdfFileName("");
    EXPECT_EQ(askPdfFileName(dirs.root(), "x"), "") << "an empty answer stays empty";
}
