#include "dialog/PrintDialog.h"
#include "engine/TrayIcon.h"
#include "platform/SingleInstance.h"
#include "server/PrintServer.h"
#include "server/ServedJob.h"
#include "support/ServerProcess.h"
#include "support/TempFolders.h"
#include "support/XDisplay.h"

#include <QDir>
#include <QTest>

#include <gtest/gtest.h>

TEST(Startup, PollingZeroStopsTheTimerAndOnlyALeftClickOpensTheSettingsWindowWhileNoPrintDialogIsOpen)
{
    TempFolders dirs;
    dirs.setSetting("Pserver", "Polling", "0");
    PrintServer server;
    ASSERT_TRUE(server.start());
    EXPECT_FALSE(server.isPolling()) << "Polling 0 stops polling";
    dirs.setSetting("Pserver", "Polling", "250");
    server.readSettings();
    EXPECT_TRUE(server.isPolling());
    EXPECT_EQ(server.pollingInterval(), 250);
    // The lock is the AppData folder itself: no file in it that a client of a share could
    // delete to let a second server in.
    EXPECT_FALSE(SingleInstance(dirs.appData()).isFirst());
    EXPECT_EQ(QDir(dirs.appData()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"PS.INI"});

    int opened = 0;
    server.setSettingsWindowOpener([&] { ++opened; });
    TempFolders::writeAged(dirs.printFile(), "Hallo\r\n");
    server.pollOnce();
    ASSERT_EQ(server.jobs().size(), 1);
    tray::simulateClick(tray::Click::Left);
    EXPECT_EQ(opened, 0) << "a print dialog is open";
    server.jobs().first()->dialog()->cancel();
    QTest::qWait(0);
    tray::simulateClick(tray::Click::Right);
    tray::simulateClick(tray::Click::Double);
    EXPECT_EQ(opened, 0) << "right click and double click do nothing";
    tray::simulateClick(tray::Click::Left);
    EXPECT_EQ(opened, 1);
    // The icon's menu opens the settings and ends the server.
    tray::triggerMenu("Einstellungen");
    EXPECT_EQ(opened, 2);
    tray::triggerMenu("Beenden");
    EXPECT_FALSE(tray::isShown());
}

// Without a notification area the settings are still in reach: a later start with
// "--einstellungen" opens the running server's settings window, "--beenden" ends it; a plain
// second start only says that the server runs. The log says how, once.
TEST(Startup, WithoutATrayALaterStartOpensTheSettingsOrEndsTheServer)
{
    TempFolders dirs;
    XDisplay display;
    ASSERT_TRUE(display.isRunning()) << "Xvfb";
    QProcessEnvironment env = dirs.serverEnvironment();
    display.addTo(env);
    ServerProcess server(env);
    const auto later = [&](const QStringList& options) {
        ChildProcess start;
        start.setProcessEnvironment(env);
        start.start(ServerProcess::executable(), options);
        return start.waitForFinished(10000) && start.exitCode() == 0;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.errors().contains("--einstellungen"); }, 15000))
        << "the hint in the log";
    ASSERT_TRUE(later({"--einstellungen"}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !display.windows().filter("Druckserververwaltung").isEmpty(); }, 10000));
    EXPECT_EQ(server.errors().count("--einstellungen"), 1);
    ASSERT_TRUE(later({"--beenden"}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !server.running(); }, 10000)) << "ended by the second start";
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
    ServerProcess server(env);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !display.windows().filter("Druckdialog Job").isEmpty(); }, 15000));

    ChildProcess panel;
    panel.setProcessEnvironment(env);
    panel.start("trayer", {"--edge", "top", "--widthtype", "pixel", "--width", "100", "--height", "24"});
    ASSERT_TRUE(panel.waitForStarted()) << "trayer";
    // Docked, the icon's window is a child of the panel, no longer a top-level window.
    const auto docked = [&] {
        const QStringList icons = display.windows().filter("(\"druckserver\" \"Druckserver\")  22x22");
        return std::any_of(icons.begin(), icons.end(), [](const QString& line) { return !line.startsWith("     0x"); });
    };
    EXPECT_TRUE(QTest::qWaitFor(docked, 10000)) << display.windows().join('\n').toStdString();
}
