// The settings window and its watermark editor, driven by the controls' names.
#include "admin/FolderChooser.h"
#include "admin/FontFamilyList.h"
#include "admin/PaletteColourPicker.h"
#include "admin/SettingsWindow.h"
#include "admin/WatermarkEditor.h"
#include "engine/GlyphCache.h"
#include "engine/TrayIcon.h"
#include "platform/MessageBox.h"
#include "server/PrintServer.h"
#include "settings/SettingsKeys.h"
#include "support/Controls.h"
#include "support/Ink.h"
#include "support/PdfTools.h"
#include "support/TempFolders.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSlider>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The window as the tray opens it; it deletes itself when it closes.
struct Window
{
    int reloads = 0;
    QPointer<SettingsWindow> w = new SettingsWindow([this] { ++reloads; });
    ~Window() { delete w; }
    template <typename T> T* control(const char* name) const { return ::control<T>(w, name); }
    QString text(const char* name) const { return control<QLineEdit>(name)->text(); }
    void type(const char* name, const QString& text) const { control<QLineEdit>(name)->setText(text); }
    QCheckBox* box(const char* name) const { return control<QCheckBox>(name); }
};

QString watermarkFile(const TempFolders& dirs, const QByteArray& bytes)
{
    return TempFolders::writeFile(dirs.program() + "/Wasser.txt", bytes);
}

} // namespace

TEST(SettingsWindow, AFirstStartShowsTheDefaults)
{
    TempFolders dirs;
    Window win;
    EXPECT_TRUE(SettingsWindowOpen());
    const QStringList numbers{win.text("LinesPerPage"), win.text("LinesPerPageQ"), win.text("AutoLandscape"),
                              win.text("SignPitch"),    win.text("BarcodePitch"),  win.text("AutoStartDelay")};
    EXPECT_EQ(numbers, QStringList({"65", "48", "138", "12", "12", "3"}));
    EXPECT_EQ(win.control<FontFamilyList>("Fontname")->family(), "Courier New");
    QStringList checked;
    for (const QCheckBox* box : win.w->findChildren<QCheckBox*>())
        if (box->isChecked())
            checked << box->text();
    EXPECT_EQ(checked, QStringList{"Drucken"});
    EXPECT_EQ(win.text("PDFFolder"), QDir::homePath());
    EXPECT_EQ(win.control<QComboBox>("layerCombo")->currentText(), "Hinter dem Text");
    EXPECT_EQ(win.control<QPlainTextEdit>("MailText")->toPlainText(), "1 Anlage\n\nMit freundlichen Grüßen");
    EXPECT_FALSE(win.control<QListWidget>("definitionList")->isEnabled()) << "no Wasser.txt yet";
}

TEST(SettingsWindow, ShowsNumbersAsUsedAndSpeichernWritesWhatTheBoxesHoldAndReloadsTheServer)
{
    TempFolders dirs;
    dirs.setSetting("Pserver", "AutoStartDelay", "3000");
    dirs.setSetting("Pserver", "AutoStart", "1");
    dirs.setSetting("Pserver", "HideMode", "1");
    dirs.setSetting("Pserver", "LinesPerPage", "90");
    dirs.setSetting("Pserver", "LinesPerPageQ", "1099511627776");
    Window win;
    EXPECT_EQ(win.text("AutoStartDelay"), "3");
    EXPECT_EQ(win.text("LinesPerPage"), "90") << "beyond the spin buttons, as typed and used";
    EXPECT_EQ(win.text("LinesPerPageQ"), "48") << "beyond any page: the default, as the server uses it";
    win.type("AutoStartDelay", "5");
    win.type("SignPitch", "10");
    win.type("TopSpace", "-3");
    EXPECT_EQ(win.text("TopSpace"), "0") << "corrected as it is typed";
    win.control<QPlainTextEdit>("MailText")->setPlainText("Guten Tag,\nanbei die Rechnung.\nGruß");
    win.box("AutoStart")->setChecked(false);
    EXPECT_FALSE(win.box("HideMode")->isEnabled());
    EXPECT_TRUE(win.box("HideMode")->isChecked());
    win.box("startWithSystem")->setChecked(true);
    win.w->save();
    const QByteArray ini = bytesOf(dirs.settingsFile());
    EXPECT_TRUE(ini.contains("AutoStartDelay= 5000\n")) << ini.constData();
    EXPECT_TRUE(ini.contains("LinesPerPage=90\n")) << "saved unchanged, not touched";
    EXPECT_TRUE(ini.contains("MailText=Guten Tag,|anbei die Rechnung.|Gruß\n"));
    EXPECT_TRUE(ini.contains("TopSpace= 0\n"));
    EXPECT_TRUE(ini.contains("HideMode= 1\n"));
    EXPECT_TRUE(ini.contains("AutoStart= 0\n"));
    EXPECT_FALSE(SettingsWindowOpen());
    EXPECT_EQ(win.reloads, 1);
    // Starting with the system is an autostart entry, written and removed.
    const QString entry = dirs.config() + "/autostart/druckserver.desktop";
    EXPECT_TRUE(bytesOf(entry).contains("\nExec=" + QCoreApplication::applicationFilePath().toUtf8() + "\n"));
    Window again;
    EXPECT_EQ(again.control<QPlainTextEdit>("MailText")->toPlainText(), "Guten Tag,\nanbei die Rechnung.\nGruß");
    EXPECT_TRUE(again.box("startWithSystem")->isChecked());
    again.box("startWithSystem")->setChecked(false);
    again.w->save();
    EXPECT_FALSE(QFile::exists(entry));
}

// The drives of the DOS programs: shown as mapped, edited in the table, and a drive taken
// out of it is written empty, which unmaps it.
TEST(SettingsWindow, TheDriveTableShowsAndSavesTheMappedDrives)
{
    TempFolders dirs;
    dirs.setSetting("Laufwerke", "C", "/home/dos/c");
    dirs.setSetting("Laufwerke", "F", "/home/dos/f");
    Window win;
    auto* table = win.control<QTableWidget>("Laufwerke");
    ASSERT_EQ(table->rowCount(), 3) << "the mapped drives and an empty row";
    EXPECT_EQ(table->item(0, 0)->text() + table->item(0, 1)->text(), "C:/home/dos/c");
    table->item(0, 1)->setText("/home/neu/c");
    table->item(1, 0)->setText("");
    table->setItem(2, 0, new QTableWidgetItem("e"));
    table->setItem(2, 1, new QTableWidgetItem("/home/dos/e"));
    EXPECT_EQ(table->rowCount(), 4) << "another empty row to add one more";
    win.w->save();
    const QByteArray ini = bytesOf(dirs.settingsFile());
    for (const char* line : {"C=/home/neu/c\n", "E=/home/dos/e\n", "F=\n"})
        EXPECT_TRUE(ini.contains(line)) << line << " in " << ini.constData();
}

// Every key or none: a save the disk cannot take (here: beyond the process's file size
// limit) leaves the settings file as it was, and the window says so and stays.
TEST(SettingsWindow, ASaveThatFailsLeavesTheOldFileAndSaysSo)
{
    TempFolders dirs;
    const QByteArray before = "[Pserver]\nMailPW=geheim\n";
    TempFolders::writeFile(dirs.settingsFile(), before);
    Window win;
    win.type("LinesPerPage", "20");
    struct rlimit old = {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 200;
    ::setrlimit(RLIMIT_FSIZE, &small);
    win.w->save();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(bytesOf(dirs.settingsFile()), before);
    ASSERT_FALSE(msgbox::history().isEmpty());
    EXPECT_TRUE(msgbox::history().last().text.startsWith("Die Einstellungen konnten nicht gespeichert werden"));
    EXPECT_TRUE(SettingsWindowOpen());
    EXPECT_EQ(win.reloads, 0);
}

// Abbruch, or Escape anywhere in the window, closes it and writes neither file.
TEST(SettingsWindow, AbbruchOrEscapeLeavesBothFilesUntouched)
{
    TempFolders dirs;
    const QByteArray ini = "; hand-written\r\n[Pserver]\r\nLinesPerPage = 70.5\r\nMailText=a|b\r\n";
    const QByteArray marks = "Kopie|Arial|120| 1\r\nEntwurf|Arial|100| 0| 0| 0| 0| 0| 0| 450| 8| 96\r\n";
    TempFolders::writeFile(dirs.settingsFile(), ini);
    TempFolders::writeFile(dirs.program() + "/Wasser.txt", marks);
    Window win;
    win.type("LinesPerPage", "20");
    auto* editor = win.control<WatermarkEditor>("watermarkEditor");
    editor->listCommand(WatermarkEditor::ListCommand::Edit);
    editor->move(WatermarkEditor::Move::TurnLeft);
    win.w->show();
    QTest::keyClick(win.control<QLineEdit>("LinesPerPage"), Qt::Key_Escape);
    EXPECT_FALSE(SettingsWindowOpen());
    EXPECT_EQ(bytesOf(dirs.settingsFile()), ini);
    EXPECT_EQ(bytesOf(dirs.program() + "/Wasser.txt"), marks);
    EXPECT_EQ(win.reloads, 0);
}

TEST(SettingsWindow, FontListsNameEachFamilyOnceAndTheFamilyTheOutputsDrawInstead)
{
    TempFolders dirs;
    watermarkFile(dirs, "Kopie|Arial|120| 1\r\n");
    Window win;
    for (const char* name : {"Fontname", "fontList"}) {
        const auto* list = win.control<QComboBox>(name);
        QStringList shown;
        for (int i = 0; i < list->count(); ++i)
            shown << list->itemText(i);
        EXPECT_TRUE(shown.filter("[").isEmpty()) << shown.join(", ").toStdString();
        EXPECT_EQ(shown.removeDuplicates(), 0) << name;
    }
    EXPECT_EQ(win.control<QComboBox>("Fontname")->currentText(), "Courier New (→ Liberation Mono)");
    EXPECT_EQ(win.control<QComboBox>("fontList")->currentText(), "Arial (→ Liberation Sans)");
    EXPECT_EQ(GlyphCache::forThisThread().face("Courier New", false, false, 20)->font.familyName(), "Liberation Mono");
    win.w->save();
    EXPECT_TRUE(bytesOf(dirs.settingsFile()).contains("Fontname=Courier New\n")) << "stored as chosen";
}

TEST(SettingsWindow, APrintFileWaitsWhileTheWindowIsOpenAndPrintsAfterSpeichernWithTheNewLineCount)
{
    TempFolders dirs;
    PrintServer ps;
    ASSERT_TRUE(ps.start());
    ps.setSettingsWindowOpener([&ps] { SettingsWindow::showWindow([&ps] { ps.readSettings(); }); });
    tray::simulateClick(tray::Click::Left);
    QPointer<SettingsWindow> w;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<SettingsWindow*>(top))
            w = found;
    ASSERT_TRUE(w);
    QByteArray lines;
    for (int i = 1; i <= 30; ++i)
        lines += "Zeile " + QByteArray::number(i) + "\r\n";
    TempFolders::writeAged(dirs.printFile(), lines);
    for (int tick = 0; tick < 3; ++tick)
        ps.pollOnce();
    EXPECT_TRUE(QFile::exists(dirs.printFile())) << "the file waits";
    EXPECT_FALSE(ps.isPrintDialogOpen());
    const QString pdfFolder = dirs.root() + "/pdf";
    QDir().mkpath(pdfFolder);
    w->findChild<QLineEdit*>("LinesPerPage")->setText("20");
    w->findChild<QCheckBox*>("AutoStart")->setChecked(true);
    w->findChild<QCheckBox*>("HideMode")->setChecked(true);
    w->findChild<QLineEdit*>("AutoStartDelay")->setText("0");
    w->findChild<FolderChooser*>()->openFolder(pdfFolder);
    w->save();
    QStringList pdfs;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            pdfs = QDir(pdfFolder).entryList({"*.pdf"}, QDir::Files);
            return !pdfs.isEmpty() && !QFile::exists(dirs.printFile());
        },
        20000));
    EXPECT_EQ(pdftools::infoValue(pdftools::info(pdfFolder + "/" + pdfs.first()).out, "Pages"), "2");
}

TEST(SettingsWindow, StopRemovesTheTrayIconAndEndsAtOnceWritingNothing)
{
    TempFolders dirs;
    PrintServer ps;
    ASSERT_TRUE(ps.start());
    int ended = 0;
    SettingsWindow::endProcessHook() = [&] { ++ended; };
    Window win;
    win.type("LinesPerPage", "20");
    win.w->stop();
    SettingsWindow::endProcessHook() = [] { std::_Exit(0); };
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(tray::isShown());
    EXPECT_FALSE(QFile::exists(dirs.settingsFile()));
}

// A stored PDF folder that is gone opens the root of its drive; an unwritable watermark
// file is named and the window stays open.
TEST(SettingsWindow, AGonePdfFolderOpensItsDriveAndAnUnwritableWatermarkFileIsNamed)
{
    TempFolders dirs;
    dirs.setSetting("Pserver", "PDFFolder", dirs.root() + "/gone");
    QDir().mkpath(dirs.program() + "/Wasser.txt"); // a folder where the file should be
    const QList<drives::Drive> all = drives::mounted();
    const qsizetype drive = drives::driveFor(all, dirs.root());
    ASSERT_GE(drive, 0);
    Window win;
    EXPECT_EQ(win.text("PDFFolder"), all[drive].rootPath);
    win.type("LinesPerPage", "20");
    win.w->save();
    ASSERT_FALSE(msgbox::history().isEmpty());
    EXPECT_TRUE(msgbox::history().last().text.contains(dirs.program() + "/Wasser.txt"));
    EXPECT_TRUE(SettingsWindowOpen());
    EXPECT_TRUE(bytesOf(dirs.settingsFile()).contains("LinesPerPage=20"));
    EXPECT_EQ(win.reloads, 1) << "the settings already written are in force";
}

TEST(WatermarkEditor, StepsRotateAndBrightnessLiftsTheColourDrawnAndSaved)
{
    TempFolders dirs;
    const QString file = watermarkFile(dirs, "Kopie|Arial|120| 1| 0| 0| 0| 0| 0| 0| 0| 0\r\n");
    WatermarkEditor editor;
    editor.load(file);
    editor.listCommand(WatermarkEditor::ListCommand::Edit);
    for (int i = 0; i < 3; ++i)
        editor.move(WatermarkEditor::Move::TurnLeft);
    EXPECT_EQ(editor.table().at(0).section('|', 9, 9), " 150");
    for (int i = 0; i < 4; ++i)
        editor.move(WatermarkEditor::Move::TurnRight);
    EXPECT_EQ(editor.table().at(0).section('|', 9, 9), "-50");
    editor.findChild<PaletteColourPicker*>("colourPicker")->setColourIndex(12);
    editor.findChild<QSlider*>("brightnessSlider")->setValue(200);
    EXPECT_EQ(editor.shownColour(), QColor(255, 200, 200));
    const QImage drawn = editor.surface();
    EXPECT_GT(colourShare(drawn, QColor(255, 200, 200), 0) * drawn.width() * drawn.height(), 500)
        << "drawn by the painter in that colour";
    ASSERT_TRUE(editor.save(file));
    EXPECT_EQ(bytesOf(file), "Kopie|Arial|120| 1| 0| 0| 0| 0| 0|-50| 12| 200\r\n");
}

TEST(WatermarkEditor, AShortDefinitionKeepsTheAttributesShownBeforeAndNeuCopiesThem)
{
    TempFolders dirs;
    // After the size only " 0" is left: it is the brightness, not the bold field.
    const QString file = watermarkFile(dirs, "Voll|Arial|120| 1| 1| 0| 0| 100| 50| 450| 12| 60\r\n"
                                             "Kurz|DejaVu Sans|48| 0\r\n");
    WatermarkEditor editor;
    editor.load(file);
    editor.choose(1);
    EXPECT_EQ(editor.table().at(1), "Kurz|DejaVu Sans|48| 1| 1| 0| 0| 100| 50| 450| 12| 0");
    editor.listCommand(WatermarkEditor::ListCommand::New);
    auto* text = editor.findChild<QLineEdit*>("textEdit");
    EXPECT_FALSE(text->isReadOnly());
    text->setText("Neu");
    EXPECT_EQ(editor.table().at(2), "Neu|DejaVu Sans|48| 1| 1| 0| 0| 100| 50| 450| 12| 0");
    EXPECT_EQ(editor.findChild<QListWidget*>("definitionList")->item(2)->text(), "Neu");
}

TEST(WatermarkEditor, AnEmptyLineOrDeletingTheLastLeavesAListThatNeuCanFill)
{
    TempFolders dirs;
    WatermarkEditor editor;
    auto* list = editor.findChild<QListWidget*>("definitionList");
    editor.load(watermarkFile(dirs, "A|Arial|72| 0| 0| 0| 0| 0| 0| 0| 0| 0\r\n\r\nB|Arial|72| 0\r\n"));
    EXPECT_EQ(list->count(), 1);
    EXPECT_FALSE(list->isEnabled());
    EXPECT_EQ(editor.currentIndex(), -1);
    editor.listCommand(WatermarkEditor::ListCommand::New);
    EXPECT_TRUE(list->isEnabled());
    EXPECT_EQ(editor.currentIndex(), 1);
    const QString file = watermarkFile(dirs, "Kopie|Arial|120| 1| 0| 0| 0| 0| 0| 0| 0| 0\r\n");
    editor.load(file);
    editor.listCommand(WatermarkEditor::ListCommand::Delete);
    EXPECT_EQ(list->count(), 0);
    EXPECT_EQ(editor.currentIndex(), -1);
    ASSERT_TRUE(editor.save(file));
    EXPECT_EQ(QFileInfo(file).size(), 0);
    editor.load(file);
    EXPECT_TRUE(list->isEnabled()) << "an empty file is a list without entries";
}

TEST(WatermarkEditor, ViewModeShowsTheDefinitionInItsRealColour)
{
    TempFolders dirs;
    WatermarkEditor editor;
    editor.load(watermarkFile(dirs, "Kopie|Arial|120| 1| 0| 0| 0| 0| 0| 0| 12| 0\r\n"));
    ASSERT_FALSE(control<QWidget>(&editor, "lookControls")->isEnabled()) << "view mode";
    const QImage shown = control<QLabel>(&editor, "previewLabel")->grab().toImage();
    EXPECT_GT(colourShare(shown, QColor(255, 0, 0), 40), 0.01) << "red, not greyed";
}
