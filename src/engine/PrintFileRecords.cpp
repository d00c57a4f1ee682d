#include "PrintFileRecords.h"

#include "CodePage.h"
#include "EscapeTable.h"

#include <algorithm>
#include <cstring>

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

// Position after the escape sequence whose ESC stands at `esc`, never beyond `end`.
qsizetype sequenceEnd(const uchar* data, qsizetype esc, qsizetype end)
{
    qsizetype pos = esc + 1;
    if (pos >= end || !takesCommand(data[pos]))
        return pos;
    const uchar command = data[pos++];
    const qsizetype length = escape::parameterLength(command, data + pos, end - pos);
    return pos + std::clamp<qsizetype>(length, 0, end - pos);
}

} // namespace

void PrintFileRecords::load(QByteArray bytes, int codePage)
{
    m_bytes = std::move(bytes);
    m_table = codepage::table(codePage);
    m_spans.clear();

    const auto* data = reinterpret_cast<const uchar*>(m_bytes.constData());
    qsizetype size = m_bytes.size();
    if (size > 0 && data[size - 1] == DosEndOfFile)
        --size;

    // Find LF and ESC with memchr: most lines hold no escape sequence, so a line costs two
    // fast scans. `textFrom` is where the bytes outside escape sequences begin again, so a
    // CR before the LF is only dropped when it is text.
    qsizetype recordBegin = 0;
    qsizetype textFrom = 0;
    qsizetype pos = 0;
    while (pos < size) {
        const void* lfHit = std::memchr(data + pos, Lf, size_t(size - pos));
        const qsizetype lf = lfHit ? static_cast<const uchar*>(lfHit) - data : size;
        const void* escHit = std::memchr(data + pos, Esc, size_t(lf - pos));
        if (escHit) {
            pos = sequenceEnd(data, static_cast<const uchar*>(escHit) - data, size);
            textFrom = pos;
            continue;
        }
        if (lf == size)
            break;
        qsizetype recordEnd = lf;
        if (recordEnd > recordBegin && recordEnd - 1 >= textFrom && data[recordEnd - 1] == Cr)
            --recordEnd;
        m_spans.push_back({recordBegin, recordEnd});
        recordBegin = pos = lf + 1;
    }
    if (recordBegin < size)
        m_spans.push_back({recordBegin, size});
}

void PrintFileRecords::clear()
{
    m_bytes.clear();
    m_spans.clear();
    m_spans.shrink_to_fit();
}

QByteArrayView PrintFileRecords::rawRecord(qsizetype index) const
{
    const Span& span = m_spans[size_t(index)];
    return QByteArrayView(m_bytes.constData() + span.begin, span.end - span.begin);
}

QString PrintFileRecords::record(qsizetype index) const
{
    const Span& span = m_spans[size_t(index)];
    const auto* data = reinterpret_cast<const uchar*>(m_bytes.constData());
    const qsizetype end = span.end;

    // Every byte becomes exactly one UTF-16 unit, so the length is known up front.
    QString text(end - span.begin, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    qsizetype pos = span.begin;
    while (pos < end) {
        const uchar byte = data[pos];
        if (byte != Esc) {
            *out++ = m_table[byte];
            ++pos;
            continue;
        }
        const qsizetype sequence = sequenceEnd(data, pos, end);
        *out++ = char16_t(Esc);
        ++pos;
        while (pos < sequence)
            *out++ = char16_t(escape::ParameterBase + data[pos++]);
    }
    return text;
}
