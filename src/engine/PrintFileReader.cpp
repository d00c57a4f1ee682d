#include "engine/PrintFileReader.h"

#include "engine/CodePage.h"
#include "engine/EscapeTable.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uchar Lf = 0x0A;
constexpr uchar Cr = 0x0D;
constexpr uchar Esc = 0x1B;
constexpr uchar DosEndOfFile = 0x1A;

// LF, CR and ESC after an ESC are no command: a stray ESC at a line end must not swallow
// the line break, and ESC ESC starts over.
bool takesCommand(uchar byte)
{
    return byte != Lf && byte != Cr && byte != Esc;
}

// Where the escape sequence whose ESC stands at `esc` ends, given the bytes up to `end`;
// -1 when they end before the sequence does and `more` says the file goes on.
qsizetype sequenceEnd(const uchar* data, qsizetype esc, qsizetype end, bool more)
{
    qsizetype pos = esc + 1;
    if (pos >= end)
        return more ? -1 : pos;
    if (!takesCommand(data[pos]))
        return pos;
    const uchar command = data[pos++];
    const qsizetype length = escape::parameterLength(command, data + pos, end - pos);
    if (length > end - pos)
        return more ? -1 : end;
    return pos + std::max<qsizetype>(length, 0);
}

// The record that starts at `from`: its end (a CR before the LF excluded) and where the
// next one starts. False when the bytes up to `end` do not hold all of it and `more`
// says the file goes on.
bool findRecord(const uchar* data, qsizetype from, qsizetype end, bool more, qsizetype& recordEnd, qsizetype& nextStart)
{
    // LF and ESC are found with memchr: most lines hold no escape sequence, so a line
    // costs two fast scans. `textFrom` is where the bytes outside escape sequences begin
    // again, so a CR before the LF is only dropped when it is text.
    qsizetype pos = from;
    qsizetype textFrom = from;
    for (;;) {
        const void* lfHit = std::memchr(data + pos, Lf, size_t(end - pos));
        const qsizetype lf = lfHit ? static_cast<const uchar*>(lfHit) - data : end;
        const void* escHit = std::memchr(data + pos, Esc, size_t(lf - pos));
        if (escHit) {
            pos = sequenceEnd(data, static_cast<const uchar*>(escHit) - data, end, more);
            if (pos < 0)
                return false;
            textFrom = pos;
            continue;
        }
        if (lf == end) {
            if (more)
                return false;
            recordEnd = nextStart = end;
            return true;
        }
        recordEnd = lf;
        if (recordEnd > from && recordEnd - 1 >= textFrom && data[recordEnd - 1] == Cr)
            --recordEnd;
        nextStart = lf + 1;
        return true;
    }
}

} // namespace

PrintFileReader::PrintFileReader(int codePage, qsizetype step)
    : m_table(codepage::table(codePage)), m_step(std::max<qsizetype>(step, 1))
{
}

PrintFileReader::~PrintFileReader()
{
    close();
}

void PrintFileReader::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_buffer.clear();
    m_bufferStart = 0;
    m_pos = 0;
    m_size = 0;
    m_readError = false;
}

bool PrintFileReader::open(const QString& path)
{
    close();
    // O_NONBLOCK: a FIFO without a writer would block the open; O_NOFOLLOW: a link named
    // like a print file must not hand over a file it points at.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    adopt(fd);
    return true;
}

void PrintFileReader::adopt(int fd)
{
    close();
    m_fd = fd;
    struct stat st = {};
    m_size = ::fstat(fd, &st) == 0 ? qint64(st.st_size) : 0;
    uchar last = 0;
    if (m_size > 0 && ::pread(fd, &last, 1, m_size - 1) == 1 && last == DosEndOfFile)
        --m_size;
}

void PrintFileReader::openBytes(QByteArray bytes)
{
    close();
    if (!bytes.isEmpty() && uchar(bytes.back()) == DosEndOfFile)
        bytes.chop(1);
    m_size = bytes.size();
    m_buffer = std::move(bytes);
}

void PrintFileReader::seek(qint64 offset)
{
    offset = std::clamp<qint64>(offset, 0, m_size);
    if (offset >= m_bufferStart && offset <= m_bufferStart + m_buffer.size()) {
        m_pos = qsizetype(offset - m_bufferStart);
        return;
    }
    m_buffer.clear();
    m_bufferStart = offset;
    m_pos = 0;
}

bool PrintFileReader::fill()
{
    if (m_fd < 0 || m_readError)
        return false;
    const qint64 fileEnd = m_bufferStart + m_buffer.size();
    if (fileEnd >= m_size)
        return false;
    // What was read before the record at hand is no longer needed.
    if (m_pos > 0) {
        m_buffer.remove(0, m_pos);
        m_bufferStart += m_pos;
        m_pos = 0;
    }
    const qsizetype wanted = qsizetype(std::min<qint64>(std::max<qint64>(m_step, m_buffer.size()), m_size - fileEnd));
    const qsizetype had = m_buffer.size();
    m_buffer.resize(had + wanted);
    qsizetype got = 0;
    while (got < wanted) {
        const ssize_t n = ::pread(m_fd, m_buffer.data() + had + got, size_t(wanted - got), m_bufferStart + had + got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A file cut short while it is read ends where it ends.
            m_readError = n < 0;
            m_size = m_bufferStart + had + got;
            break;
        }
        got += n;
    }
    m_buffer.resize(had + got);
    return got > 0;
}

PrintFileReader::Status PrintFileReader::next(Record& record)
{
    for (;;) {
        const qsizetype available = qsizetype(std::min<qint64>(m_buffer.size(), m_size - m_bufferStart));
        const bool more = m_bufferStart + available < m_size;
        if (m_pos < available) {
            const auto* data = reinterpret_cast<const uchar*>(m_buffer.constData());
            qsizetype recordEnd = 0;
            qsizetype nextStart = 0;
            if (findRecord(data, m_pos, available, more, recordEnd, nextStart)) {
                if (recordEnd - m_pos > LongestRecord)
                    return Status::TooLong;
                record.offset = m_bufferStart + m_pos;
                record.raw = QByteArrayView(data + m_pos, recordEnd - m_pos);
                if (m_skimming)
                    record.text.clear();
                else
                    record.text = decode(data + m_pos, recordEnd - m_pos);
                m_pos = nextStart;
                return Status::Record;
            }
            if (available - m_pos > LongestRecord)
                return Status::TooLong;
        }
        if (!more)
            return Status::End;
        // A file that shrank since it was opened ends where it ends now (fill cuts m_size
        // short), so the next turn finds the last record or the end.
        if (!fill() && m_readError)
            return Status::ReadError;
    }
}

QString PrintFileReader::text(const Record& record) const
{
    return decode(reinterpret_cast<const uchar*>(record.raw.data()), record.raw.size());
}

QString PrintFileReader::decode(const uchar* data, qsizetype size) const
{
    // Every byte becomes exactly one UTF-16 unit, so the length is known up front.
    QString text(size, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    qsizetype pos = 0;
    while (pos < size) {
        // A block without ESC is a plain translation, and where it holds only ASCII (both
        // code pages keep it as it is) a plain widening: the compiler does either without a
        // branch a byte. A block with an escape sequence, and the end, go byte by byte.
        constexpr qsizetype Block = 16;
        qsizetype slowUntil = size;
        if (pos + Block <= size) {
            unsigned escapes = 0;
            unsigned high = 0;
            for (qsizetype k = 0; k < Block; ++k) {
                escapes |= unsigned(data[pos + k] == Esc);
                high |= unsigned(data[pos + k] >= 0x80);
            }
            if (!escapes) {
                if (high) {
                    for (qsizetype k = 0; k < Block; ++k)
                        out[k] = m_table[data[pos + k]];
                } else {
                    for (qsizetype k = 0; k < Block; ++k)
                        out[k] = char16_t(data[pos + k]);
                }
                out += Block;
                pos += Block;
                continue;
            }
            slowUntil = pos + Block;
        }
        while (pos < slowUntil) {
            const uchar byte = data[pos];
            if (byte != Esc) {
                *out++ = m_table[byte];
                ++pos;
                continue;
            }
            // A sequence may reach beyond the block; the next block starts after it.
            const qsizetype sequence = sequenceEnd(data, pos, size, false);
            *out++ = char16_t(Esc);
            ++pos;
            while (pos < sequence)
                *out++ = char16_t(escape::ParameterBase + data[pos++]);
        }
    }
    return text;
}

qint32 printableTally(const QString& record)
{
    const char16_t* pos = reinterpret_cast<const char16_t*>(record.constData());
    const char16_t* end = pos + record.size();
    qint32 tally = 0;
    while (pos < end) {
        const char16_t c = *pos++;
        if (c == 0x1B) {
            // The command (a plain character, never LF, CR or ESC) and its parameters.
            if (pos < end && *pos != u'\n' && *pos != u'\r' && *pos != 0x1B && !escape::isParameter(QChar(*pos)))
                ++pos;
            while (pos < end && escape::isParameter(QChar(*pos)))
                ++pos;
            continue;
        }
        if (c < 0x20 || c == 0x7F || escape::isParameter(QChar(c)))
            continue;
        ++tally;
    }
    return tally;
}
