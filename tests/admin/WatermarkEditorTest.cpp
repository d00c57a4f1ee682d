#include "WatermarkEditor.h"
#include "Ink.h"
#include "PaletteColourPicker.h"
#include "TempFolders.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QSlider>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

QString watermarkFile(const TempFolders& dirs, const QByteArray& bytes)
{
    return TempFolders::writeFile(dirs.program() + "/Wasser.txt", bytes);
}

} // namespace

TEST(WatermarkEditor, StepsRotateAndBrightnessLiftsTheColourDrawnAndSaved)
{
    TempFolders dirs;
    const QString file = watermarkFile(dirs, "Kopie|Arial|120| 1| 0| 0| 0| 0| 0| 0| 0| 0\r\n");
    WatermarkEditor editor;
    editor.load(file);
    editor.Toolbar1_ButtonClick(2); // "bearbeiten"
    for (int i = 0; i < 3; ++i)
        editor.Toolbar3_ButtonClick(6); // "nach links drehen"
    EXPECT_EQ(editor.table().at(0).section('|', 9, 9), " 150");
    for (int i = 0; i < 4; ++i)
        editor.Toolbar3_ButtonClick(5); // "nach rechts drehen"
    EXPECT_EQ(editor.table().at(0).section('|', 9, 9), "-50");

    editor.findChild<PaletteColourPicker*>("mcclrstd1")->setColourIndex(12);
    editor.findChild<QSlider*>("Slider1")->setValue(200);
    EXPECT_EQ(editor.shownColour(), QColor(255, 200, 200));
    const QImage drawn = editor.surface();
    EXPECT_GT(colourShare(drawn, QColor(255, 200, 200), 0) * drawn.width() * drawn.height(), 500)
        << "drawn by the painter in that colour";

    ASSERT_TRUE(editor.save(file));
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), "Kopie|Arial|120| 1| 0| 0| 0| 0| 0|-50| 12| 200\r\n");
}

TEST(WatermarkEditor, AShortDefinitionKeepsTheAttributesShownBeforeAndNeuCopiesThem)
{
    TempFolders dirs;
    // After the size only " 0" is left: it is the brightness, not the bold field.
    const QString file = watermarkFile(dirs, "Voll|Arial|120| 1| 1| 0| 0| 100| 50| 450| 12| 60\r\n"
                                             "Kurz|DejaVu Sans|48| 0\r\n");
    WatermarkEditor editor;
    editor.load(file);
    editor.List1_Click(1);
    EXPECT_EQ(editor.table().at(1), "Kurz|DejaVu Sans|48| 1| 1| 0| 0| 100| 50| 450| 12| 0");

    editor.Toolbar1_ButtonClick(1); // "Neu"
    auto* text = editor.findChild<QLineEdit*>("Text11");
    EXPECT_FALSE(text->isReadOnly());
    text->setText("Neu");
    EXPECT_EQ(editor.table().at(2), "Neu|DejaVu Sans|48| 1| 1| 0| 0| 100| 50| 450| 12| 0");
    EXPECT_EQ(editor.findChild<QListWidget*>("List1")->item(2)->text(), "Neu");
}

TEST(WatermarkEditor, AnEmptyLineOrAMissingFileLeavesTheListDisabledUntilNeu)
{
    TempFolders dirs;
    WatermarkEditor editor;
    auto* list = editor.findChild<QListWidget*>("List1");
    editor.load(watermarkFile(dirs, "A|Arial|72| 0| 0| 0| 0| 0| 0| 0| 0| 0\r\n\r\nB|Arial|72| 0\r\n"));
    EXPECT_EQ(list->count(), 1);
    EXPECT_FALSE(list->isEnabled());
    EXPECT_EQ(editor.currentIndex(), -1);

    editor.load(dirs.program() + "/missing.txt");
    EXPECT_FALSE(list->isEnabled());
    editor.Toolbar1_ButtonClick(1);
    EXPECT_TRUE(list->isEnabled());
    EXPECT_EQ(editor.currentIndex(), 0);

    editor.load(watermarkFile(dirs, ""));
    EXPECT_TRUE(list->isEnabled()) << "an empty file is a list without entries";
    EXPECT_EQ(editor.currentIndex(), -1);
}

TEST(WatermarkEditor, DeletingTheLastDefinitionLeavesAnEmptyListThatNeuCanFill)
{
    TempFolders dirs;
    const QString file = watermarkFile(dirs, "Kopie|Arial|120| 1| 0| 0| 0| 0| 0| 0| 0| 0\r\n");
    WatermarkEditor editor;
    editor.load(file);
    editor.Toolbar1_ButtonClick(3); // "löschen"
    EXPECT_EQ(editor.findChild<QListWidget*>("List1")->count(), 0);
    EXPECT_EQ(editor.currentIndex(), -1);
    ASSERT_TRUE(editor.save(file));
    EXPECT_EQ(QFileInfo(file).size(), 0);
    auto* toolbar = editor.findChild<QToolBar*>("Toolbar1");
    EXPECT_TRUE(toolbar->actions().at(0)->isEnabled()) << "Neu";
    EXPECT_FALSE(toolbar->actions().at(2)->isEnabled()) << "nothing left to delete";
}
