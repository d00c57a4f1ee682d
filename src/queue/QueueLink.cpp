#include "queue/QueueLink.h"

#include <algorithm>
#include <cstdlib>
#include <sys/socket.h>
#include <sys/stat.h>

namespace queuelink {

namespace {

bool isDirectory(const std::string& path)
{
    struct stat st = {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

template <typename Allowed> bool allOf(std::string_view text, Allowed allowed)
{
    return std::all_of(text.begin(), text.end(), allowed);
}

} // namespace

std::vector<std::string> socketFolders(uid_t uid)
{
    const std::string id = std::to_string(uid);
    if (const char* runtime = std::getenv("DRUCKSERVER_RUNTIME_DIR"); runtime && *runtime)
        return {std::string(runtime) + "/druckserver"};
    std::vector<std::string> folders;
    // The session's runtime folder goes with the session: a server started in it listens
    // there. Outside a session (no login, or lingering off) only /tmp is left.
    const std::string session = "/run/user/" + id;
    if (isDirectory(session))
        folders.push_back(session + "/druckserver");
    folders.push_back("/tmp/druckserver-" + id);
    return folders;
}

std::string folderProblem(const std::string& folder, uid_t uid)
{
    struct stat st = {};
    if (::lstat(folder.c_str(), &st) != 0)
        return "missing";
    if (!S_ISDIR(st.st_mode))
        return "no folder";
    if (st.st_uid != uid)
        return "owned by uid " + std::to_string(st.st_uid);
    if (st.st_mode & (S_IWGRP | S_IWOTH))
        return "writable by others";
    return {};
}

long peerUid(int fd)
{
    struct ucred credentials = {};
    socklen_t size = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 || size != sizeof credentials)
        return -1;
    return long(credentials.uid);
}

std::string headerLine(const Header& header)
{
    return std::string(Magic) + ' ' + header.jobId + ' ' + header.queue + ' ' + header.jobUuid + '\n';
}

std::string chunkLength(std::uint32_t length)
{
    return {char(length >> 24), char(length >> 16 & 0xff), char(length >> 8 & 0xff), char(length & 0xff)};
}

bool isValid(const Header& header)
{
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    // CUPS forbids these in a queue's name.
    const auto queueChar = [](char c) {
        return c > ' ' && c < 0x7f && c != '/' && c != '\\' && c != '\'' && c != '"' && c != '#';
    };
    const auto uuidChar = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == ':' || c == '-';
    };
    const std::string &id = header.jobId, &queue = header.queue, &uuid = header.jobUuid;
    return !id.empty() && id.size() <= 10 && allOf(id, digit) && !queue.empty() && queue.size() <= 127 &&
           allOf(queue, queueChar) && !uuid.empty() && uuid.size() <= 64 && allOf(uuid, uuidChar);
}

bool parseHeader(std::string_view line, Header& header)
{
    std::vector<std::string_view> fields;
    for (std::size_t start = 0; start <= line.size();) {
        const std::size_t blank = std::min(line.find(' ', start), line.size());
        fields.push_back(line.substr(start, blank - start));
        start = blank + 1;
    }
    if (fields.size() != 4 || fields[0] != Magic)
        return false;
    Header parsed{std::string(fields[1]), std::string(fields[2]), std::string(fields[3])};
    if (!isValid(parsed))
        return false;
    header = std::move(parsed);
    return true;
}

UploadReader::State UploadReader::feed(std::string_view bytes)
{
    while (!bytes.empty() && (m_state == State::Header || m_state == State::Chunks)) {
        if (m_state == State::Header) {
            const std::size_t end = bytes.find('\n');
            const std::size_t take = end == std::string_view::npos ? bytes.size() : end + 1;
            if (m_pending.size() + take > LongestHeader)
                return m_state = State::Broken;
            m_pending.append(bytes.substr(0, take));
            bytes.remove_prefix(take);
            if (end == std::string_view::npos)
                break;
            m_pending.pop_back();
            const bool taken = takeHeader(m_pending);
            m_pending.clear();
            if (!taken)
                return m_state = State::Broken;
            m_state = State::Chunks;
        } else if (m_chunkLeft > 0) {
            const std::size_t take = std::min<std::size_t>(m_chunkLeft, bytes.size());
            if (onData)
                onData(bytes.substr(0, take));
            m_chunkLeft -= std::uint32_t(take);
            bytes.remove_prefix(take);
        } else {
            const std::size_t take = std::min<std::size_t>(4 - m_pending.size(), bytes.size());
            m_pending.append(bytes.substr(0, take));
            bytes.remove_prefix(take);
            if (m_pending.size() < 4)
                break;
            std::uint32_t length = 0;
            for (const char c : m_pending)
                length = length << 8 | std::uint8_t(c);
            m_pending.clear();
            if (length == 0)
                m_state = State::Done;
            else if (length > MaxChunk)
                m_state = State::Broken;
            else
                m_chunkLeft = length;
        }
    }
    return m_state;
}

bool UploadReader::takeHeader(std::string_view line)
{
    Header header;
    return parseHeader(line, header) && (!onHeader || onHeader(header));
}

} // namespace queuelink
