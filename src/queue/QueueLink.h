#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

// The link between the printer queue's CUPS backend and a user's running server: where the
// server's socket lies, and what travels over it. The backend runs as root until it has
// switched to the user, and links nothing but the C++ library for this, so it holds no Qt.
//
// Where: a folder of the user's own, 0700, holding the socket "queue" (0600). In the runtime
// folder of the user's session, /run/user/<uid>/druckserver, when that folder exists;
// else /tmp/druckserver-<uid>. DRUCKSERVER_RUNTIME_DIR, when set, replaces the runtime
// folder (a private spooler hands it to the backend with SetEnv in cups-files.conf).
//
// What: the backend sends one header line, then the job in chunks, then an empty chunk:
//
//   "druckserver-queue/1 <job id> <queue name> <job uuid>\n"
//   (4-byte big-endian length, 1 to MaxChunk, then that many bytes)*  0x00000000
//
// and the server answers one line once it is done with the job: "ok" when the job is in its
// spool (written, synced, under an entry name of its own) or was there already; "too-large"
// when the job is larger than LargestJob; "retry <why>" when it cannot take it now. The job
// id, queue name and uuid name the CUPS job, so a job sent again after a lost answer is
// known; "-" stands for a value the backend was not given.
namespace queuelink {

// A job from the queue is a print file like any other; its reader stops a print file
// long before this, at a 16 MiB record or 100,000 pages.
inline constexpr std::int64_t LargestJob = std::int64_t(1) << 30;
inline constexpr std::uint32_t MaxChunk = 1u << 20;
inline constexpr std::size_t LongestHeader = 512;
inline constexpr std::string_view Magic = "druckserver-queue/1";
inline constexpr std::string_view SocketName = "queue";

// The folders the server of user `uid` may listen in, the one it uses first. The server
// listens in the first; the backend tries each.
std::vector<std::string> socketFolders(uid_t uid);

// Why `folder` may not hold the socket of user `uid`: empty when it is a real folder (no
// link) owned by `uid` that no one else may write to.
std::string folderProblem(const std::string& folder, uid_t uid);

// The user id of the process at the other end of a connected Unix socket; -1 when unknown.
long peerUid(int fd);

struct Header
{
    std::string jobId;   // decimal digits
    std::string queue;   // the CUPS queue's name, or "-"
    std::string jobUuid; // the CUPS job's uuid, or "-"
};

// The header line for a job; the fields must fit the rules parseHeader checks.
std::string headerLine(const Header& header);
// The 4-byte length before a chunk; 0 ends the job.
std::string chunkLength(std::uint32_t length);

// Reads the backend's side of a connection as it arrives, in pieces of any size.
class UploadReader
{
public:
    enum class State
    {
        Header,
        Chunks,
        Done,   // the empty chunk arrived; anything after it is ignored
        Broken, // no header, a bad length, a line too long: the connection is closed
    };

    // Called once the header is complete; returning false breaks the upload.
    std::function<bool(const Header&)> onHeader;
    // Called with the job's bytes as they come.
    std::function<void(std::string_view)> onData;

    // Consumes `bytes`. Returns the state after them.
    State feed(std::string_view bytes);
    State state() const { return m_state; }

private:
    bool takeHeader(std::string_view line);

    State m_state = State::Header;
    std::string m_pending; // the header line so far, or the bytes of a chunk length
    std::uint32_t m_chunkLeft = 0;
};

// Whether the fields fit the header's rules: a job id of 1 to 10 digits, a queue name of 1 to
// 127 printable bytes without blanks, slashes, quotes or '#', a uuid of 1 to 64 letters,
// digits, ':' and '-'.
bool isValid(const Header& header);
// Parses a header line (without its line end); false without the magic or with fields
// that are not valid.
bool parseHeader(std::string_view line, Header& header);

} // namespace queuelink
