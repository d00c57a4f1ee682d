#include "ServerProcess.h"
#include "TempFolders.h"
#include "TrayLibrary.h"
#include "XDisplay.h"
#include "frmPS.h"

#include <QTest>

#include <gtest/gtest.h>

TEST(Startup, PollingZeroStopsTheTimerAndOnlyALeftClickOpensTheSettingsWindowWhileNoPrintDialogIsOpen)
{
    TempFolders dirs;
    dirs.setSetting("Pserver", "Polling", "0");
    frmPS ps;
    ASSERT_TRUE(ps.Form_Load());
    EXPECT_EQ(ps.PrintFilePath, dirs.appData() + "/d.dat");
    EXPECT_FALSE(ps.tmrGetFile.isActive()) << "Polling 0 stops polling";
    dirs.setSetting("Pserver", "Polling", "250");
    ps.InitPS();
    EXPECT_TRUE(ps.tmrGetFile.isActive());
    EXPECT_EQ(ps.tmrGetFile.interval(), 250);

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
