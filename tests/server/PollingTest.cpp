#include "MessageBox.h"
#include "ServerSettings.h"
#include "TempFolders.h"
#include "frmGUI.h"
#include "frmPS.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// A server form as start-up leaves it, without the tray and the single-instance lock.
struct Server
{
    frmPS ps;
    Server()
    {
        ps.InitPS();
        ps.JobCounter = 1;
    }
    ~Server()
    {
        for (frmGUI* dialog : ps.openDialogs())
            delete dialog;
    }
    // One tick on a print file old enough to count as complete.
    void tickOn(const TempFolders& dirs, const QByteArray& bytes)
    {
        TempFolders::writeFile(dirs.printFile(), bytes);
        ageFile(dirs.printFile());
        ps.tmrGetFile_Timer();
    }
    static void ageFile(const QString& path)
    {
        QFile file(path);
        file.open(QIODevice::ReadWrite);
        file.setFileTime(QDateTime::currentDateTime().addSecs(-5), QFileDevice::FileModificationTime);
    }
};

bool logged(const QString& title, const QString& text)
{
    for (const msgbox::Shown& box : msgbox::history()) {
        if (box.title == title && box.text == text)
            return true;
    }
    return false;
}

} // namespace

TEST(Polling, AFileWhoseFirstRecordIsTheEndRecordGivesAShownJobWithoutPages)
{
    TempFolders dirs;
    Server server;
    server.tickOn(dirs, "\x1b" "EOF\r\nText after the end\r\n");
    ASSERT_EQ(server.ps.openDialogs().size(), 1);
    frmGUI* job = server.ps.openDialogs().first();
    EXPECT_TRUE(job->isVisible());
    EXPECT_EQ(job->PageCount(), 0);
    EXPECT_EQ(job->PageLen, 0);
    EXPECT_EQ(job->windowTitle(), "Druckdialog Job  2") << "two blanks before the first job's number";
    EXPECT_FALSE(QFileInfo::exists(dirs.printFile()));
    EXPECT_TRUE(server.ps.isPollingEnabled());
}

TEST(Polling, IniNamingAMissingFileUsesTheDefaultFileAndPageKeysAlwaysComeFromIt)
{
    TempFolders dirs;
    dirs.setSetting("Pserver", "LinesPerPage", "3");
    dirs.setSetting("Pserver", "TopSpace", "1");
    const QString other = TempFolders::writeFile(dirs.root() + "/other.ini",
                                                 "[Pserver]\nLinesPerPage=50\nTopSpace=9\nLeftSpace=4\n");
    Server server;
    server.tickOn(dirs, "@INI " + dirs.root().toLocal8Bit() + "/missing.ini\r\na\r\nb\r\n");
    server.tickOn(dirs, "@INI " + other.toLocal8Bit() + "\r\na\r\nb\r\nc\r\nd\r\n");
    ASSERT_EQ(server.ps.openDialogs().size(), 2);
    frmGUI* missing = server.ps.openDialogs()[0];
    frmGUI* named = server.ps.openDialogs()[1];
    EXPECT_EQ(missing->IniFile(), dirs.settingsFile());
    EXPECT_EQ(named->IniFile(), other);
    EXPECT_EQ(named->LeftSpace, 4) << "job keys come from the named file";
    EXPECT_EQ(named->PageLen, 3) << "lines per page always from the default file";
    EXPECT_EQ(named->Topspace, 1) << "TopSpace always from the default file";
    EXPECT_EQ(named->PageCount(), 2);
    EXPECT_EQ(named->GetPageLine(2, 1), "a");
    EXPECT_EQ(named->windowTitle(), "Druckdialog Job  3");
}

TEST(Polling, APrintFileWaitsWhileTheSettingsWindowIsOpen)
{
    TempFolders dirs;
    Server server;
    SettingsWindowOpen() = true;
    server.tickOn(dirs, "Hallo\r\n");
    EXPECT_TRUE(QFileInfo::exists(dirs.printFile()));
    EXPECT_TRUE(server.ps.openDialogs().isEmpty());
    SettingsWindowOpen() = false;
    server.ps.tmrGetFile_Timer();
    EXPECT_FALSE(QFileInfo::exists(dirs.printFile()));
    EXPECT_EQ(server.ps.openDialogs().size(), 1);
}

TEST(Polling, AFileThatCannotBeOpenedStaysAndIsTriedAgain)
{
    TempFolders dirs;
    Server server;
    server.ps.setPollingEnabled(true);
    TempFolders::writeFile(dirs.printFile(), "Hallo\r\n");
    Server::ageFile(dirs.printFile());
    const int fd = ::open(QFile::encodeName(dirs.printFile()).constData(), O_RDWR);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0) << "the DOS program still holds the file";
    server.ps.tmrGetFile_Timer();
    EXPECT_TRUE(QFileInfo::exists(dirs.printFile()));
    EXPECT_TRUE(server.ps.openDialogs().isEmpty());
    EXPECT_TRUE(server.ps.isPollingEnabled()) << "the next tick tries again";
    ::close(fd);
    server.ps.tmrGetFile_Timer();
    EXPECT_FALSE(QFileInfo::exists(dirs.printFile()));
    EXPECT_EQ(server.ps.openDialogs().size(), 1);
}

TEST(Polling, AFaultyFileIsDeletedAndReportedAndNoJobIsShown)
{
    TempFolders dirs;
    Server server;
    server.tickOn(dirs, "ok\r\n" + QByteArray(2 << 20, 'x') + "\r\n");
    EXPECT_FALSE(QFileInfo::exists(dirs.printFile()));
    EXPECT_TRUE(server.ps.openDialogs().isEmpty());
    EXPECT_TRUE(logged("Interpretationsfehler!", "Druckdatei fehlerhaft!"));
    EXPECT_TRUE(server.ps.isPollingEnabled());
}

TEST(Polling, AFileWrittenSlowlyOverTwoSecondsGivesExactlyOneCompleteJob)
{
    TempFolders dirs;
    dirs.setSetting("Pserver", "LinesPerPage", "5");
    Server server;
    server.ps.setPollingEnabled(true);

    QFile file(dirs.printFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    int written = 0;
    QTimer writer;
    writer.setInterval(100);
    QObject::connect(&writer, &QTimer::timeout, [&] {
        if (written == 20) {
            writer.stop();
            file.close();
            return;
        }
        file.write(QByteArray("line ") + QByteArray::number(++written) + "\r\n");
        file.flush();
    });
    writer.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !server.ps.openDialogs().isEmpty(); }, 10000));
    QTest::qWait(500);
    ASSERT_EQ(server.ps.openDialogs().size(), 1);
    frmGUI* job = server.ps.openDialogs().first();
    EXPECT_EQ(job->PageCount(), 4);
    EXPECT_EQ(job->GetPageLine(5, 4), "line 20");
    EXPECT_FALSE(QFileInfo::exists(dirs.printFile()));
}

TEST(Polling, HideModeWithAutoStartLeavesTheJobUnseen)
{
    TempFolders dirs;
    dirs.setSetting("Pserver", "AutoStart", "1");
    dirs.setSetting("Pserver", "HideMode", "1");
    dirs.setSetting("Pserver", "AutoStartDelay", "60000");
    Server server;
    server.tickOn(dirs, "Hallo\r\n");
    ASSERT_EQ(server.ps.openDialogs().size(), 1);
    EXPECT_FALSE(server.ps.openDialogs().first()->isVisible());
    EXPECT_TRUE(server.ps.isPrintDialogOpen()) << "a hidden dialog is still a loaded print dialog";
}
