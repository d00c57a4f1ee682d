#include "CupsSpooler.h"
#include "PrintSpool.h"
#include "QueueLink.h"
#include "QueueListener.h"
#include "ServerProcess.h"
#include "TempFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <future>
#include <grp.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString Backend = DRUCKSERVER_BINARY_DIR "/backend/druckserver";

QString me()
{
    return QString::fromLocal8Bit(::getpwuid(::getuid())->pw_name);
}

// The backend started as the scheduler starts it for a job of the queue "druckserver".
struct BackendRun : ChildProcess
{
    explicit BackendRun(const QStringList& arguments, const QString& user = me())
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DEVICE_URI", "druckserver:/" + user);
        env.insert("PRINTER", "druckserver");
        setProcessEnvironment(env);
        start(Backend, arguments);
    }
    // Its exit code once it ended (the event loop runs meanwhile); -1 when it did not.
    int exitCode()
    {
        const bool ended = QTest::qWaitFor([&] { return state() == QProcess::NotRunning; }, 20000);
        return ended && exitStatus() == QProcess::NormalExit ? QProcess::exitCode() : -1;
    }
    QString errors() { return m_errors += QString::fromLocal8Bit(readAllStandardError()); }
    QString m_errors;
};

// Job `id` of the queue "druckserver" as the scheduler hands it over: its spool file holds `content`.
QStringList jobArguments(int id, const QString& folder, const QByteArray& content)
{
    const QString file = TempFolders::writeFile(folder + "/job-" + QString::number(id), content);
    return {QString::number(id), "tester", "Rechnung", "1", "job-uuid=urn:uuid:1234-" + QString::number(id), file};
}

QByteArray chunkLength(int length)
{
    return QByteArray::fromStdString(queuelink::chunkLength(std::uint32_t(length)));
}

// What the backend sends for that job.
QByteArray upload(int id, const QByteArray& content)
{
    const std::string uuid = "urn:uuid:1234-" + std::to_string(id);
    return QByteArray::fromStdString(queuelink::headerLine({std::to_string(id), "druckserver", uuid})) +
           chunkLength(int(content.size())) + content + chunkLength(0);
}

int connectTo(const QString& path)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        return fd;
    ::close(fd);
    return -1;
}

// Sends `bytes` on a new connection and returns all the server answered before it closed;
// without `readAnswer`, closes at once. Blocks: run it beside an event loop that serves.
QByteArray exchange(const QString& socket, const QByteArray& bytes, bool readAnswer = true)
{
    const int fd = connectTo(socket);
    ::send(fd, bytes.constData(), std::size_t(bytes.size()), MSG_NOSIGNAL);
    QByteArray answer;
    char buffer[256];
    for (ssize_t got; readAnswer && (got = ::read(fd, buffer, sizeof buffer)) > 0;)
        answer.append(buffer, got);
    ::close(fd);
    return answer;
}

QByteArray exchangeBesideTheEventLoop(const QString& socket, const QByteArray& bytes, bool readAnswer = true)
{
    auto answer = std::async(std::launch::async, exchange, socket, bytes, readAnswer);
    const auto ready = [&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; };
    return QTest::qWaitFor(ready, 20000) ? answer.get() : "(no end)";
}

QStringList filesIn(const QString& folder, const QString& pattern = "*")
{
    return QDir(folder).entryList({pattern}, QDir::Files | QDir::System | QDir::Hidden);
}

// Jobs become PDFs in the returned folder, unseen and at once.
QString unattendedPdf(const TempFolders& dirs)
{
    TempFolders::writeFile(dirs.settingsFile(), "[Pserver]\nAutoStart=1\nHideMode=1\nAutoStartDelay=0\nPDFFolder=" +
                                                    dirs.root().toLocal8Bit() + "/pdf\n[PDevice]\nPrinter0=Pdf-Dokument\n");
    QDir().mkpath(dirs.root() + "/pdf");
    return dirs.root() + "/pdf";
}

QStringList pdfTexts(const QString& folder)
{
    QStringList texts;
    for (const QString& pdf : filesIn(folder, "*.pdf"))
        texts << pdftools::text(folder + "/" + pdf).out.simplified();
    texts.sort();
    return texts;
}

} // namespace

// Each job is confirmed only once it is an entry of the spool, entries keep the order the
// jobs came in, and a job the backend sends again (its answer was lost) is confirmed without
// a second entry. The socket is the user's alone.
TEST(Queue, JobsBecomeEntriesInTheirOrderBeforeTheConfirmationAndAJobSentAgainIsConfirmedOnce)
{
    TempFolders dirs;
    PrintSpool spool(dirs.appData() + "/spool");
    QStringList spooled;
    QueueListener listener(spool, [&](const QString& entry) { spooled << entry; });
    ASSERT_TRUE(listener.listen());
    struct stat socket = {}, folder = {};
    ::stat(QFile::encodeName(listener.socketPath()).constData(), &socket);
    ::stat(QFile::encodeName(dirs.runtime() + "/druckserver").constData(), &folder);
    EXPECT_EQ(socket.st_mode & 0777, 0600u);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);

    for (int id = 1; id <= 3; ++id) {
        BackendRun backend(jobArguments(id, dirs.root(), "Auftrag " + QByteArray::number(id) + "\r\n"));
        ASSERT_EQ(backend.exitCode(), 0) << backend.errors().toStdString();
        EXPECT_EQ(spool.entries().size(), id);
    }
    BackendRun again(jobArguments(2, dirs.root(), "Auftrag 2\r\n"));
    EXPECT_EQ(again.exitCode(), 0);
    ASSERT_EQ(spool.entries(), spooled);
    for (int id = 1; id <= 3; ++id) {
        QFile entry(spooled.value(id - 1));
        ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
        EXPECT_EQ(entry.readAll(), "Auftrag " + QByteArray::number(id) + "\r\n");
    }
}

// No header, a connection cut midway and a job over the bound: nothing reaches the spool,
// not even a hidden file, and only the job over the bound gets an answer.
TEST(Queue, GarbageACutConnectionAndAJobOverTheBoundLeaveNothingInTheSpool)
{
    TempFolders dirs;
    PrintSpool spool(dirs.appData() + "/spool");
    int spooled = 0;
    QueueListener listener(spool, [&](const QString&) { ++spooled; });
    listener.setLargestJob(64 << 10);
    ASSERT_TRUE(listener.listen());
    const QByteArray header = upload(5, {}).chopped(8);
    EXPECT_EQ(exchangeBesideTheEventLoop(listener.socketPath(), "GET / HTTP/1.0\r\n\r\n"), "");
    EXPECT_EQ(exchangeBesideTheEventLoop(listener.socketPath(), QByteArray(4096, 'x')), "");
    EXPECT_EQ(exchangeBesideTheEventLoop(listener.socketPath(), header + chunkLength(1000) + "Rech", false), "");
    EXPECT_EQ(exchangeBesideTheEventLoop(listener.socketPath(), upload(6, QByteArray(100 << 10, 'x'))), "too-large\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return filesIn(spool.folder()).isEmpty(); }, 5000)) << filesIn(spool.folder()).join(", ").toStdString();
    EXPECT_EQ(spooled, 0);
}

// A process of another user is refused even when the way to the socket is open to it; and a
// folder another user made where the server listens is used neither by the server (it says
// so and prints on) nor by the backend.
TEST(Queue, AnotherUsersProcessIsRefusedAndAFolderAnotherUserMadeIsNotUsed)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "acting as another user needs root";
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    TempFolders dirs;
    const QString folder = dirs.runtime() + "/druckserver", socket = folder + "/queue";
    auto server = std::make_unique<ServerProcess>(dirs.serverEnvironment());
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(socket); }, 15000));
    for (const QString& path : {dirs.root(), dirs.runtime(), folder, socket})
        ::chmod(QFile::encodeName(path).constData(), 0777);

    // Prepared before the fork: the child only makes system calls.
    const QByteArray bytes = upload(9, "Fremder Auftrag\r\n");
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(socket).constData(), sizeof address.sun_path);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
            ::_exit(3);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            ::_exit(2);
        ::send(fd, bytes.constData(), std::size_t(bytes.size()), MSG_NOSIGNAL);
        char answer[16];
        ::_exit(::read(fd, answer, sizeof answer) > 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_TRUE(QTest::qWaitFor([&] { return ::waitpid(child, &status, WNOHANG) == child; }, 10000));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "connected, and left without an answer";
    const QString refused = QString("Benutzer-ID %1 abgelehnt").arg(uid);
    EXPECT_TRUE(QTest::qWaitFor([&] { return server->errors().contains(refused); }, 5000));
    EXPECT_TRUE(filesIn(dirs.appData() + "/spool").isEmpty());

    server->kill();
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), uid, gid), 0);
    server = std::make_unique<ServerProcess>(dirs.serverEnvironment());
    const QString notUsed = QString("%1 ist kein Ordner dieses Benutzers (er gehört Benutzer-ID %2)").arg(folder).arg(uid);
    EXPECT_TRUE(QTest::qWaitFor([&] { return server->errors().contains(notUsed); }, 15000)) << server->errors().toStdString();
    EXPECT_FALSE(QFileInfo::exists(socket));
    BackendRun backend(jobArguments(10, dirs.root(), "Auftrag\r\n"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return backend.errors().contains("owned by uid " + QString::number(uid)); }, 10000))
        << backend.errors().toStdString();
}

// Killed while part of job 7 is in its upload, and again when job 8 is an entry but its
// answer unread: the start after each kill drops the half job, and when the backend sends
// both again, as CUPS does after an unanswered job, each comes out once.
TEST(Queue, AServerKilledWhileAJobStreamsInOrBeforeItsAnswerGivesEachJobOnceWhenItIsSentAgain)
{
    TempFolders dirs;
    const QString pdfs = unattendedPdf(dirs), spool = dirs.appData() + "/spool";
    const QString socket = dirs.runtime() + "/druckserver/queue";
    const QByteArray seven = "Auftrag sieben\r\n", eight = "Auftrag acht\r\n";
    int held = -1;
    const auto connected = [&] { return (held = connectTo(socket)) >= 0; };
    auto server = std::make_unique<ServerProcess>(dirs.serverEnvironment());
    ASSERT_TRUE(QTest::qWaitFor(connected, 15000));
    const QByteArray part = upload(7, seven).left(upload(7, seven).indexOf("Auftrag") + 8);
    ::send(held, part.constData(), std::size_t(part.size()), MSG_NOSIGNAL);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(spool + "/" + filesIn(spool, ".upload-*").value(0)).size() == 8; }, 5000));
    server->kill();
    ::close(held);

    server = std::make_unique<ServerProcess>(dirs.serverEnvironment());
    ASSERT_TRUE(QTest::qWaitFor(connected, 15000));
    EXPECT_TRUE(filesIn(spool, ".upload-*").isEmpty()) << "dropped at the start";
    const QByteArray whole = upload(8, eight);
    ::send(held, whole.constData(), std::size_t(whole.size()), MSG_NOSIGNAL);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !filesIn(spool, "job-*.dat").isEmpty(); }, 5000));
    server->kill();
    ::close(held);

    server = std::make_unique<ServerProcess>(dirs.serverEnvironment());
    for (const auto& [id, content] : {std::pair{7, seven}, std::pair{8, eight}}) {
        BackendRun backend(jobArguments(id, dirs.root(), content));
        EXPECT_EQ(backend.exitCode(), 0) << backend.errors().toStdString();
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return filesIn(pdfs, "*.pdf").size() >= 2 && filesIn(spool, "job-*").isEmpty(); }, 20000))
        << server->errors().toStdString();
    EXPECT_EQ(pdfTexts(pdfs), QStringList({"Auftrag acht", "Auftrag sieben"}));
}

// Without arguments the backend gives CUPS its device line; a user unknown here stops the
// queue with the reason in the log.
TEST(QueueBackend, WithoutArgumentsItNamesItsDeviceAndAUserUnknownHereStopsTheQueue)
{
    const pdftools::ToolResult listed = pdftools::run(Backend, {});
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_TRUE(listed.out.startsWith("direct druckserver \"Unknown\" ")) << listed.out.toStdString();
    TempFolders dirs;
    BackendRun backend(jobArguments(1, dirs.root(), "Auftrag\r\n"), "keinsolcherbenutzer");
    EXPECT_EQ(backend.exitCode(), 4); // CUPS_BACKEND_STOP
    EXPECT_TRUE(backend.errors().contains("ERROR: The user keinsolcherbenutzer")) << backend.errors().toStdString();
}
