#include "queue/QueueLink.h"
#include "server/PrintServer.h"
#include "server/PrintSpool.h"
#include "server/QueueListener.h"
#include "server/ServedJob.h"
#include "settings/SettingsKeys.h"
#include "support/CupsSpooler.h"
#include "support/ServerProcess.h"
#include "support/TempFolders.h"

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
                                                    dirs.root().toLocal8Bit() +
                                                    "/pdf\n[PDevice]\nPrinter0=Pdf-Dokument\n");
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

// lpstat's answer about the private spooler.
QString lpstat(const QStringList& arguments)
{
    return pdftools::run("lpstat", arguments, 10000).out;
}

// The environment of a server whose socket the spooler's backend finds.
QProcessEnvironment besideSpooler(const TempFolders& dirs, const CupsSpooler& cups)
{
    QProcessEnvironment env = dirs.serverEnvironment();
    env.insert("DRUCKSERVER_RUNTIME_DIR", cups.runtimeFolder());
    return env;
}

// Whether `count` PDFs are there and the spooler is done with every job.
bool printedAndDone(const QString& pdfs, int count)
{
    return filesIn(pdfs, "*.pdf").size() >= count && lpstat({"-o"}).trimmed().isEmpty();
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

// A job that comes while the settings window is open is confirmed once it is in the spool,
// and read once the window is closed, like a print file.
TEST(Queue, AJobComingWhileTheSettingsWindowIsOpenIsConfirmedAndReadOnceItIsClosed)
{
    TempFolders dirs;
    dirs.setSetting("Pserver", "Polling", "0"); // ticks by hand
    PrintServer server;
    ASSERT_TRUE(server.start());
    SettingsWindowOpen() = true;
    BackendRun backend(jobArguments(1, dirs.root(), "Auftrag vom Drucker\r\n"));
    EXPECT_EQ(backend.exitCode(), 0) << backend.errors().toStdString();
    server.pollOnce();
    EXPECT_TRUE(server.jobs().isEmpty());
    EXPECT_EQ(server.spool().entries().size(), 1);

    SettingsWindowOpen() = false;
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.pollOnce(), !server.jobs().isEmpty(); }, 5000));
    EXPECT_EQ(JobPages(server.jobs().first()->job()).page(1).line(1), "Auftrag vom Drucker");
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
    EXPECT_TRUE(QTest::qWaitFor([&] { return filesIn(spool.folder()).isEmpty(); }, 5000))
        << filesIn(spool.folder()).join(", ").toStdString();
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
    const QString notUsed =
        QString("%1 ist kein Ordner dieses Benutzers (er gehört Benutzer-ID %2)").arg(folder).arg(uid);
    EXPECT_TRUE(QTest::qWaitFor([&] { return server->errors().contains(notUsed); }, 15000))
        << server->errors().toStdString();
    EXPECT_FALSE(QFileInfo::exists(socket));
    BackendRun backend(jobArguments(10, dirs.root(), "Auftrag\r\n"));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return backend.errors().contains("owned by uid " + QString::number(uid)); }, 10000))
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
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return QFileInfo(spool + "/" + filesIn(spool, ".upload-*").value(0)).size() == 8; }, 5000));
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
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return filesIn(pdfs, "*.pdf").size() >= 2 && filesIn(spool, "job-*").isEmpty(); }, 20000))
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

// The README's commands as they stand: the set-up makes the queue, and its lp line and the
// dosemu2 printer command (fed a print file on standard input, as dosemu2 feeds it) each
// bring the invoice through CUPS and the server into a PDF.
TEST(QueueEndToEnd, TheReadmeSetsUpTheQueueAndItsPrintCommandsBringTheInvoiceToTheServer)
{
    QFile readme(testDataPath("../../README.md"));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    const QString section = text.section("## Printing through a printer queue\n", 1).section("\n## ", 0, 0);
    const auto line = [&](const QString& pattern, const QString& in) {
        return QRegularExpression(pattern).match(in).captured(1);
    };
    const QString setUp = line("\n {4}(druckserver --drucker-einrichten)\n", section);
    const QString print = line("\n {4}(lp -d druckserver [^\n]*)\n", section);
    const QString lpt1 = line("\\$_lpt1 = \"([^\"]+)\"", text);
    ASSERT_FALSE(setUp.isEmpty() || print.isEmpty() || lpt1.isEmpty()) << "README: a command is missing";

    TempFolders dirs;
    const QString pdfs = unattendedPdf(dirs), work = dirs.root() + "/work";
    CupsSpooler cups;
    ASSERT_TRUE(cups.isRunning() && cups.installServerBackend()) << cups.error().toStdString();
    ServerProcess server(besideSpooler(dirs, cups));
    QDir().mkpath(work);
    ASSERT_TRUE(QFile::copy(testDataPath("render-invoice.dat"), work + "/RECHNUNG.TXT"));
    // In a folder holding the file the lp line names, with the built server first on the path.
    const auto shell = [&](const QString& command, const QString& input = {}) {
        ChildProcess sh;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PATH", DRUCKSERVER_BINARY_DIR ":" + env.value("PATH"));
        env.remove("SUDO_USER"); // the queue is for the user the tests run as
        sh.setProcessEnvironment(env);
        sh.setWorkingDirectory(work);
        sh.setProcessChannelMode(QProcess::MergedChannels);
        if (!input.isEmpty())
            sh.setStandardInputFile(input);
        sh.start("sh", {"-c", command});
        sh.waitForFinished(20000);
        return std::pair{sh.exitCode(), QString::fromUtf8(sh.readAll())};
    };
    const auto [setUpCode, setUpSaid] = shell(setUp);
    ASSERT_EQ(setUpCode, 0) << setUpSaid.toStdString();
    EXPECT_TRUE(setUpSaid.contains("„druckserver“ ist eingerichtet")) << setUpSaid.toStdString();
    EXPECT_TRUE(lpstat({"-v", "druckserver"}).contains("druckserver:/" + me()));
    EXPECT_EQ(shell(print).first, 0);
    EXPECT_EQ(shell(lpt1, work + "/RECHNUNG.TXT").first, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return printedAndDone(pdfs, 2); }, 30000)) << cups.errorLog().toStdString();
    const QStringList texts = pdfTexts(pdfs);
    ASSERT_EQ(texts.size(), 2);
    for (const QString& pdf : texts)
        EXPECT_TRUE(pdf.contains("Rechnung Nr. 4711")) << pdf.toStdString();
}

// While no server runs, the job waits in the queue with the backend saying why, started
// again and again for the same job, more often than CUPS would retry a job before aborting
// it; a server started then gets it at once, and once.
TEST(QueueEndToEnd, AJobWaitsInTheQueueWhileNoServerRunsAndArrivesOnceWhenOneStarts)
{
    TempFolders dirs;
    const QString pdfs = unattendedPdf(dirs);
    CupsSpooler cups;
    ASSERT_TRUE(cups.isRunning() && cups.addServerQueue("druckserver")) << cups.error().toStdString();
    ASSERT_TRUE(pdftools::run("lp", {"-d", "druckserver", "-o", "raw", testDataPath("render-invoice.dat")}).ok());
    const QString waiting = "Waiting for the Druckserver of user " + me();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return lpstat({"-l", "-p", "druckserver"}).contains(waiting);
        },
        10000))
        << lpstat({"-l", "-p", "druckserver"}).toStdString();
    const int moreThanTheRetryLimit = 6; // JobRetryLimit is 5
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return cups.errorLog().count("status 7 (retry job immediately)") >= moreThanTheRetryLimit; }, 20000))
        << cups.errorLog().toStdString();
    EXPECT_TRUE(lpstat({"-o"}).contains("druckserver-1"));

    ServerProcess server(besideSpooler(dirs, cups));
    ASSERT_TRUE(QTest::qWaitFor([&] { return printedAndDone(pdfs, 1); }, 20000)) << cups.errorLog().toStdString();
    EXPECT_EQ(filesIn(pdfs, "*.pdf").size(), 1);
}

// A server that stopped before the job came and is killed before it answers leaves the job
// to CUPS, which holds it for a retry; the next server gets it, once.
TEST(QueueEndToEnd, AServerKilledBeforeItAnswersLeavesTheJobToARetryAndTheNextServerGetsItOnce)
{
    TempFolders dirs;
    const QString pdfs = unattendedPdf(dirs);
    CupsSpooler cups;
    ASSERT_TRUE(cups.isRunning() && cups.addServerQueue("druckserver")) << cups.error().toStdString();
    auto server = std::make_unique<ServerProcess>(besideSpooler(dirs, cups));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(cups.runtimeFolder() + "/druckserver/queue"); }, 15000));
    ::kill(pid_t(server->pid()), SIGSTOP);
    ASSERT_TRUE(pdftools::run("lp", {"-d", "druckserver", "-o", "raw", testDataPath("render-invoice.dat")}).ok());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return lpstat({"-l", "-p", "druckserver"}).contains("Sending the job");
        },
        10000));
    server->kill();
    ASSERT_TRUE(QTest::qWaitFor([&] { return cups.errorLog().contains("since it could not be sent"); }, 10000))
        << cups.errorLog().toStdString();
    EXPECT_TRUE(lpstat({"-o"}).contains("druckserver-1"));

    server = std::make_unique<ServerProcess>(besideSpooler(dirs, cups));
    ASSERT_TRUE(QTest::qWaitFor([&] { return printedAndDone(pdfs, 1); }, 30000)) << cups.errorLog().toStdString();
    EXPECT_EQ(filesIn(pdfs, "*.pdf").size(), 1);
}

// Someone who may not add queues is told so in German, with the exact line for an
// administrator; no queue is made.
TEST(QueueEndToEnd, TheSetUpWithoutTheRightsSaysSoAndGivesTheLineForAnAdministrator)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "acting as another user needs root";
    CupsSpooler cups;
    ASSERT_TRUE(cups.isRunning() && cups.installServerBackend()) << cups.error().toStdString();
    const pdftools::ToolResult setUp = pdftools::run("setpriv", {"--reuid=nobody", "--regid=nogroup", "--clear-groups",
                                                                 ServerProcess::executable(), "--drucker-einrichten"});
    EXPECT_EQ(setUp.exitCode, 1);
    for (const QString& said : {QString("Das darf nur ein Administrator"),
                                QString("\n  lpadmin -p druckserver -E -v druckserver:/nobody -o "
                                        "printer-error-policy=retry-job\n"),
                                QString("lpadmin meldet: lpadmin: Forbidden")})
        EXPECT_TRUE(setUp.err.contains(said)) << setUp.err.toStdString();
    EXPECT_FALSE(pdftools::run("lpstat", {"-p", "druckserver"}).ok());
}
