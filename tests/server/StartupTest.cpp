#include "MessageBox.h"
#include "ServerProcess.h"
#include "ServerSettings.h"
#include "TempFolders.h"
#include "TrayLibrary.h"
#include "XDisplay.h"
#include "frmPS.h"

#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

TEST(Startup, InitPsReadsTheStartupKeysAndAZeroPollingStopsTheTimer)
{
    TempFolders dirs;
    dirs.setSetting("Pserver", "LinesPerPage", "70.5");
    dirs.setSetting("Pserver", "AutoLandscape", "abc");
    dirs.setSetting("Pserver", "Polling", "0");
    frmPS ps;
    ps.InitPS();
    EXPECT_EQ(AppDataFolder(), dirs.appData());
    EXPECT_EQ(ps.PrintFilePath, dirs.appData() + "/d.dat");
    EXPECT_EQ(ps.LinesPerPage, 70);
    EXPECT_EQ(ps.LinesPerPageQ, 48);
    EXPECT_EQ(ps.AutoLandscape, 138) << "no number counts as the default";
    ps.setPollingEnabled(true);
    EXPECT_FALSE(ps.tmrGetFile.isActive()) << "Polling 0 stops polling";

    dirs.setSetting("Pserver", "Polling", "250");
    ps.InitPS();
    EXPECT_TRUE(ps.tmrGetFile.isActive());
    EXPECT_EQ(ps.tmrGetFile.interval(), 250);
}

TEST(Startup, OnlyALeftClickOpensTheSettingsWindowAndNotWhileAPrintDialogIsOpen)
{
    TempFolders dirs;
    frmPS ps;
    ASSERT_TRUE(ps.Form_Load());
    EXPECT_EQ(ps.JobCounter, 1);

    int opened = 0;
    bool dialogOpen = true;
    ps.setSettingsWindowOpener([&] { ++opened; });
    ps.setPrintDialogOpenQuery([&] { return dialogOpen; });
    tray::simulateMouse(tray::LeftButtonDown);
    EXPECT_EQ(opened, 0) << "a print dialog is open";
    dialogOpen = false;
    tray::simulateMouse(tray::RightButtonDown);
    tray::simulateMouse(tray::LeftDoubleClick);
    EXPECT_EQ(opened, 0) << "right click and double click do nothing";
    tray::simulateMouse(tray::LeftButtonDown);
    EXPECT_EQ(opened, 1);
}

TEST(Startup, ASecondStartSaysSoAndEndsWhileTheFirstRunsOnAndACrashLeavesNoStaleLock)
{
    TempFolders dirs;
    // A job's dialog waiting shows the first instance up and holding the lock.
    auto first = std::make_unique<ServerProcess>(dirs.serverEnvironment());
    TempFolders::writeFile(dirs.printFile(), "Hallo\r\n");
    ASSERT_TRUE(first->waitForError("Druckdialog Job  2: wartet")) << first->errors().toStdString();

    QProcess second;
    second.setProcessEnvironment(dirs.serverEnvironment());
    second.start(ServerProcess::executable(), {});
    ASSERT_TRUE(second.waitForFinished(2000)) << "the second start must end by itself";
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(QString::fromLocal8Bit(second.readAllStandardError()).contains("Hinweis: Wird bereits ausgeführt !"));
    EXPECT_TRUE(first->running()) << "the first instance keeps running";

    // SIGKILL leaves the lock file: a new start still runs and takes the job over.
    first->kill();
    ServerProcess third(dirs.serverEnvironment());
    EXPECT_TRUE(third.waitForError("Druckdialog Job  2: wartet")) << third.errors().toStdString();
}

// Started at login, the server may come up before the desktop's notification area.
TEST(Startup, TheTrayIconAppearsWhenTheNotificationAreaComesAfterTheServer)
{
    TempFolders dirs;
    XDisplay display;
    ASSERT_TRUE(display.isRunning()) << "Xvfb";
    QProcessEnvironment env = dirs.serverEnvironment();
    display.addTo(env);
    // A job's dialog on the screen shows that start-up, tray included, is over.
    TempFolders::writeFile(dirs.printFile(), "Hallo\r\n");
    QProcess server, panel;
    server.setProcessEnvironment(env);
    server.start(ServerProcess::executable(), {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !display.windows().filter("Druckdialog Job").isEmpty(); }, 15000));

    panel.setProcessEnvironment(env);
    panel.start("trayer", {"--edge", "top", "--widthtype", "pixel", "--width", "100", "--height", "24"});
    ASSERT_TRUE(panel.waitForStarted()) << "trayer";
    // Docked, the icon's window is a child of the panel, no longer a top-level window.
    const auto docked = [&] {
        const QStringList icons = display.windows().filter("(\"druckserver\" \"Druckserver\")  22x22");
        return std::any_of(icons.begin(), icons.end(), [](const QString& line) { return !line.startsWith("     0x"); });
    };
    EXPECT_TRUE(QTest::qWaitFor(docked, 10000)) << display.windows().join('\n').toStdString();
    server.kill();
    panel.kill();
    server.waitForFinished();
    panel.waitForFinished();
}
