#include "queue/QueueBackend.h"

#include "queue/QueueLink.h"

#include <cups/backend.h>
#include <cups/cups.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A server writes and syncs up to a GiB before it answers.
constexpr int AnswerTimeoutMs = 10 * 60 * 1000;

void say(const char* level, const std::string& text)
{
    std::fprintf(stderr, "%s: %s\n", level, text.c_str());
}

struct User
{
    std::string name;
    uid_t uid = 0;
    gid_t gid = 0;
};

// The user a device URI names: "druckserver:/maria" (also "druckserver://maria",
// "druckserver:maria"); empty when it names none.
std::string userIn(std::string_view uri)
{
    const std::size_t colon = uri.find(':');
    if (colon == std::string_view::npos)
        return {};
    std::string_view rest = uri.substr(colon + 1);
    while (!rest.empty() && rest.front() == '/')
        rest.remove_prefix(1);
    while (!rest.empty() && rest.back() == '/')
        rest.remove_suffix(1);
    return rest.find('/') == std::string_view::npos ? std::string(rest) : std::string();
}

// Becomes `user` for good; true when the process is that user afterwards.
bool becomeUser(const User& user)
{
    if (::geteuid() == user.uid && ::getuid() == user.uid)
        return true;
    if (::geteuid() != 0)
        return false;
    if (::initgroups(user.name.c_str(), user.gid) != 0 || ::setgid(user.gid) != 0 || ::setuid(user.uid) != 0)
        return false;
    return user.uid == 0 || ::setuid(0) != 0;
}

// A connection to the server of `uid`, -1 when none answers; `why` then says what was found.
int connectToServer(uid_t uid, std::string& why)
{
    for (const std::string& folder : queuelink::socketFolders(uid)) {
        const std::string path = folder + '/' + std::string(queuelink::SocketName);
        if (const std::string problem = queuelink::folderProblem(folder, uid); !problem.empty()) {
            why = folder + ": " + problem;
            continue;
        }
        struct sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        if (path.size() >= sizeof address.sun_path) {
            why = path + ": too long for a socket";
            continue;
        }
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            why = std::string("socket: ") + std::strerror(errno);
            continue;
        }
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            why = path + ": " + std::strerror(errno);
            ::close(fd);
            continue;
        }
        // Only the user's own process may take the user's jobs.
        if (const long peer = queuelink::peerUid(fd); peer != long(uid)) {
            why = path + ": answered by uid " + std::to_string(peer);
            ::close(fd);
            continue;
        }
        return fd;
    }
    return -1;
}

bool sendAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        data += sent;
        size -= std::size_t(sent);
    }
    return true;
}

bool sendJob(int fd, int input, const queuelink::Header& header)
{
    const std::string line = queuelink::headerLine(header);
    if (!sendAll(fd, line.data(), line.size()))
        return false;
    static char buffer[256 * 1024];
    for (;;) {
        const ssize_t got = ::read(input, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            say("ERROR", std::string("Cannot read the job: ") + std::strerror(errno));
            return false;
        }
        const std::string length = queuelink::chunkLength(std::uint32_t(got));
        if (!sendAll(fd, length.data(), length.size()) || (got > 0 && !sendAll(fd, buffer, std::size_t(got))))
            return false;
        if (got == 0)
            return true;
    }
}

// The server's answer line; empty when it ended without one.
std::string answerOf(int fd)
{
    std::string answer;
    char c = 0;
    while (answer.size() < 256) {
        struct pollfd readable = {fd, POLLIN, 0};
        const int ready = ::poll(&readable, 1, AnswerTimeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0 || ::read(fd, &c, 1) != 1)
            return {};
        if (c == '\n')
            return answer;
        answer += c;
    }
    return {};
}

int waitSeconds()
{
    const char* set = std::getenv("DRUCKSERVER_BACKEND_WAIT");
    char* end = nullptr;
    const long seconds = set ? std::strtol(set, &end, 10) : -1;
    return set && *set && !*end && seconds >= 0 && seconds <= 24 * 3600 ? int(seconds) : BackendWaitSeconds;
}

// The CUPS job's uuid from the job's options, "-" when there is none.
std::string jobUuid(const char* options)
{
    cups_option_t* parsed = nullptr;
    const int count = cupsParseOptions(options, 0, &parsed);
    const char* uuid = cupsGetOption("job-uuid", count, parsed);
    std::string found = uuid && *uuid ? uuid : "-";
    cupsFreeOptions(count, parsed);
    return found;
}

} // namespace

int runQueueBackend(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    if (argc == 1) {
        std::puts("direct druckserver \"Unknown\" \"Druckserver eines Benutzers (druckserver:/BENUTZER)\"");
        return CUPS_BACKEND_OK;
    }
    if (argc < 6 || argc > 7) {
        say("ERROR", "Usage: druckserver job-id user title copies options [file]");
        return CUPS_BACKEND_FAILED;
    }
    const char* uri = std::getenv("DEVICE_URI") ? std::getenv("DEVICE_URI") : argv[0];
    const std::string name = userIn(uri);
    if (name.empty()) {
        say("ERROR", std::string("The device URI ") + uri + " names no user; it must read druckserver:/USER");
        return CUPS_BACKEND_STOP;
    }
    const struct passwd* entry = ::getpwnam(name.c_str());
    if (!entry) {
        say("ERROR", "The user " + name + " of the device URI does not exist on this computer");
        return CUPS_BACKEND_STOP;
    }
    const User user{name, entry->pw_uid, entry->pw_gid};

    // The spool file is root's and lp's: opened before the switch to the user.
    const int input = argc == 7 ? ::open(argv[6], O_RDONLY | O_CLOEXEC) : 0;
    if (input < 0) {
        say("ERROR", std::string("Cannot open the job file ") + argv[6] + ": " + std::strerror(errno));
        return CUPS_BACKEND_FAILED;
    }
    if (!becomeUser(user)) {
        say("ERROR", "The backend runs as uid " + std::to_string(::geteuid()) + " and cannot act as user " + name +
                         "; it must be owned by root with mode 0700");
        return CUPS_BACKEND_STOP;
    }

    const char* queue = std::getenv("PRINTER");
    queuelink::Header header{argv[1], queue && *queue ? queue : "-", jobUuid(argv[5])};
    // A queue name or uuid CUPS would not give is left out; the rest still names the job.
    if (!queuelink::isValid(header))
        header.queue = "-";
    if (!queuelink::isValid(header))
        header.jobUuid = "-";
    if (!queuelink::isValid(header)) {
        say("ERROR", std::string("Bad job id ") + argv[1]);
        return CUPS_BACKEND_FAILED;
    }
    struct stat st = {};
    if (::fstat(input, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > queuelink::LargestJob) {
        say("ERROR", "The job is larger than 1 GiB, more than a Druckserver takes");
        return CUPS_BACKEND_CANCEL;
    }

    const int wait = waitSeconds();
    std::string why, said;
    int fd = -1;
    for (int waited = 0; (fd = connectToServer(user.uid, why)) < 0; ++waited) {
        if (waited >= wait) {
            say("INFO", "No Druckserver of user " + name + " runs; the job waits in the queue");
            return CUPS_BACKEND_RETRY_CURRENT;
        }
        if (why != said)
            say("INFO", "Waiting for the Druckserver of user " + name + " to start (" + why + ")");
        said = why;
        ::sleep(1);
    }
    say("INFO", "Sending the job to the Druckserver of user " + name);
    sendJob(fd, input, header); // a refusal midway still comes with an answer
    const std::string answer = answerOf(fd);
    ::close(fd);
    if (answer == "ok") {
        say("INFO", "The job is in the spool of the Druckserver of user " + name);
        return CUPS_BACKEND_OK;
    }
    if (answer == "too-large") {
        say("ERROR", "The Druckserver of user " + name + " refused the job: larger than 1 GiB");
        return CUPS_BACKEND_CANCEL;
    }
    say("ERROR", "The Druckserver of user " + name + " did not confirm the job (" +
                     (answer.empty() ? std::string("it ended or did not answer") : answer) +
                     "); the job stays in the queue and is sent again");
    return CUPS_BACKEND_RETRY;
}
