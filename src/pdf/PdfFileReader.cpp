#include "pdf/PdfFileReader.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <set>

namespace {

constexpr size_t BufferSize = 64 * 1024;
// Deeper nesting than this is no document the page writer makes; it would only cost stack.
constexpr int MaxDepth = 64;
// An entry of the cross-reference table takes 20 bytes, so a file cannot list more
// objects than its size allows; a larger number is damage, not a reason to allocate.
constexpr qint64 XrefEntryBytes = 20;
constexpr qint64 NotListed = -1;
constexpr qint64 FreeEntry = -2; // while reading: freed by a newer section

bool isWhitespace(int c)
{
    return c == 0 || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

bool isDelimiter(int c)
{
    return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' || c == '}' || c == '/' ||
           c == '%';
}

bool isRegular(int c)
{
    return c >= 0 && !isWhitespace(c) && !isDelimiter(c);
}

int hexValue(int c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// What a backslash and `c` stand for in a literal string; a character without a meaning of
// its own after a backslash stands for itself.
char escapedCharacter(int c)
{
    switch (c) {
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    case 'b':
        return '\b';
    case 'f':
        return '\f';
    default:
        if (c < 0)
            throw PdfFileError(QStringLiteral("die Zwischendatei endet vorzeitig"));
        return char(c);
    }
}

bool isDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

QString objectMisplaced(quint32 number)
{
    return QStringLiteral("Objekt %1 der Zwischendatei steht nicht, wo ihr Verzeichnis es angibt").arg(number);
}

} // namespace

PdfFileReader::PdfFileReader(const QString& path) : m_file(path), m_buffer(BufferSize)
{
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw PdfFileError(QStringLiteral("die Zwischendatei lässt sich nicht öffnen"));
    m_fileSize = m_file.size();
    readHeader();

    // The newest table comes first; an older one (/Prev) only fills in what it leaves out.
    qint64 offset = findStartXref();
    std::set<qint64> seen;
    bool newest = true;
    while (seen.insert(offset).second) {
        PdfObject trailer = readXrefSection(offset);
        if (trailer.get("XRefStm"))
            throw PdfFileError(QStringLiteral("komprimierte Querverweise werden nicht unterstützt"));
        const PdfObject* previous = trailer.get("Prev");
        const bool hasPrevious = previous && previous->isInteger();
        if (hasPrevious)
            offset = previous->number();
        if (newest)
            m_trailer = std::move(trailer);
        newest = false;
        if (!hasPrevious)
            break;
    }
    std::replace(m_offsets.begin(), m_offsets.end(), FreeEntry, NotListed);
    // Numbers up to /Size may be referred to even when the table leaves them out; new
    // objects must not take them.
    const PdfObject* size = m_trailer.get("Size");
    if (size && size->isInteger() && size->number() > qint64(m_offsets.size()) &&
        size->number() <= m_fileSize / XrefEntryBytes + 1)
        m_offsets.resize(size_t(size->number()), NotListed);
    if (!m_offsets.empty())
        m_offsets[0] = NotListed;
    if (m_trailer.get("Encrypt"))
        throw PdfFileError(QStringLiteral("die Zwischendatei ist schon verschlüsselt"));
}

PdfFileReader::~PdfFileReader() = default;

bool PdfFileReader::fill()
{
    m_bufferStart = position();
    m_pos = m_end = 0;
    if (!m_file.seek(m_bufferStart))
        return false;
    const qint64 got = m_file.read(m_buffer.data(), qint64(m_buffer.size()));
    m_end = got > 0 ? size_t(got) : 0;
    return m_end > 0;
}

int PdfFileReader::peek()
{
    if (m_pos == m_end && !fill())
        return -1;
    return static_cast<unsigned char>(m_buffer[m_pos]);
}

int PdfFileReader::get()
{
    const int c = peek();
    if (c >= 0)
        ++m_pos;
    return c;
}

void PdfFileReader::seek(qint64 offset)
{
    if (offset >= m_bufferStart && offset <= m_bufferStart + qint64(m_end)) {
        m_pos = size_t(offset - m_bufferStart);
        return;
    }
    m_bufferStart = offset;
    m_pos = m_end = 0;
}

void PdfFileReader::fail() const
{
    throw PdfFileError(QStringLiteral("unerwarteter Aufbau der Zwischendatei bei Byte %1").arg(position()));
}

// Both look at the buffer directly: a document of many pages is mostly short tokens
// between blanks, and going through peek() for every byte costs a third of the pass.
void PdfFileReader::skipWhitespace()
{
    for (;;) {
        if (m_pos == m_end && !fill())
            return;
        const int c = static_cast<unsigned char>(m_buffer[m_pos]);
        if (c == '%') {
            for (int d = c; d >= 0 && d != '\r' && d != '\n';)
                d = get();
        } else if (isWhitespace(c)) {
            ++m_pos;
        } else {
            return;
        }
    }
}

std::string PdfFileReader::readToken()
{
    std::string token;
    for (;;) {
        if (m_pos == m_end && !fill())
            return token;
        size_t end = m_pos;
        while (end < m_end && isRegular(static_cast<unsigned char>(m_buffer[end])))
            ++end;
        token.append(m_buffer.data() + m_pos, end - m_pos);
        const bool bufferEnded = end == m_end;
        m_pos = end;
        if (!bufferEnded)
            return token;
    }
}

std::string PdfFileReader::readKeyword()
{
    skipWhitespace();
    return readToken();
}

quint64 PdfFileReader::readUnsigned()
{
    const std::string token = readKeyword();
    quint64 value = 0;
    if (!isDigits(token) || std::from_chars(token.data(), token.data() + token.size(), value).ec != std::errc())
        fail();
    return value;
}

PdfObject PdfFileReader::parseObject(int depth)
{
    if (depth > MaxDepth)
        fail();
    skipWhitespace();
    switch (peek()) {
    case '/':
        get();
        return PdfObject::name(parseName());
    case '(':
        get();
        return PdfObject::string(parseLiteralString());
    case '[': {
        get();
        PdfObject array = PdfObject::array();
        for (skipWhitespace(); peek() != ']'; skipWhitespace()) {
            if (peek() < 0)
                fail();
            array.append(parseObject(depth + 1));
        }
        get();
        return array;
    }
    case '<':
        get();
        if (peek() != '<')
            return PdfObject::string(parseHexString());
        get();
        {
            PdfObject dictionary = PdfObject::dictionary();
            for (skipWhitespace(); peek() != '>'; skipWhitespace()) {
                if (get() != '/')
                    fail();
                const std::string key = parseName();
                dictionary.set(key, parseObject(depth + 1));
            }
            get();
            if (get() != '>')
                fail();
            return dictionary;
        }
    default:
        break;
    }
    const std::string token = readToken();
    if (token == "true" || token == "false")
        return PdfObject::boolean(token == "true");
    if (token == "null")
        return PdfObject();
    return parseNumberOrReference(token);
}

PdfObject PdfFileReader::parseNumberOrReference(const std::string& token)
{
    const size_t signLength = !token.empty() && (token[0] == '+' || token[0] == '-') ? 1 : 0;
    const std::string_view unsignedPart = std::string_view(token).substr(signLength);
    const size_t dot = unsignedPart.find('.');
    if (dot != std::string_view::npos) {
        std::string digits(unsignedPart);
        digits.erase(dot, 1);
        if (!isDigits(digits))
            fail();
        return PdfObject::real(token);
    }
    qint64 value = 0;
    const char* first = token.data() + (signLength && token[0] == '+' ? 1 : 0);
    if (!isDigits(unsignedPart) || std::from_chars(first, token.data() + token.size(), value).ec != std::errc())
        fail();

    // "12 0 R" is a reference; a lone number is put back as it was found.
    if (signLength == 0 && value <= std::numeric_limits<quint32>::max()) {
        const qint64 after = position();
        skipWhitespace();
        const std::string generation = readToken();
        if (isDigits(generation)) {
            skipWhitespace();
            if (readToken() == "R") {
                if (generation != "0")
                    fail();
                return PdfObject::reference(quint32(value));
            }
        }
        seek(after);
    }
    return PdfObject::integer(value);
}

std::string PdfFileReader::parseLiteralString()
{
    std::string bytes;
    int open = 1;
    for (;;) {
        int c = get();
        if (c < 0)
            fail();
        if (c == '\\') {
            c = get();
            if (c >= '0' && c <= '7') {
                int value = c - '0';
                for (int i = 0; i < 2 && peek() >= '0' && peek() <= '7'; ++i)
                    value = value * 8 + (get() - '0');
                bytes += char(value & 0xff);
            } else if (c == '\r') {
                // A backslash at the end of a line joins the lines.
                if (peek() == '\n')
                    get();
            } else if (c != '\n') {
                bytes += escapedCharacter(c);
            }
            continue;
        }
        if (c == '(') {
            ++open;
        } else if (c == ')' && --open == 0) {
            return bytes;
        } else if (c == '\r') {
            // Any end of line in a string reads as a line feed.
            if (peek() == '\n')
                get();
            c = '\n';
        }
        bytes += char(c);
    }
}

std::string PdfFileReader::parseHexString()
{
    std::string bytes;
    int high = -1;
    for (int c = get(); c != '>'; c = get()) {
        if (isWhitespace(c))
            continue;
        const int digit = hexValue(c);
        if (digit < 0)
            fail();
        if (high < 0) {
            high = digit;
        } else {
            bytes += char(high * 16 + digit);
            high = -1;
        }
    }
    if (high >= 0)
        bytes += char(high * 16);
    return bytes;
}

std::string PdfFileReader::parseName()
{
    std::string name;
    while (isRegular(peek())) {
        int c = get();
        if (c == '#') {
            const int high = hexValue(peek());
            if (high >= 0) {
                get();
                const int low = hexValue(get());
                if (low < 0)
                    fail();
                c = high * 16 + low;
            }
        }
        name += char(c);
    }
    return name;
}

void PdfFileReader::readHeader()
{
    seek(0);
    std::string line;
    while (line.size() < 16 && peek() >= 0 && peek() != '\r' && peek() != '\n')
        line += char(get());
    if (line.rfind("%PDF-", 0) != 0 || line.size() < 8)
        throw PdfFileError(QStringLiteral("die Zwischendatei ist keine PDF-Datei"));
    m_version = line.substr(5);
    while (!m_version.empty() && isWhitespace(m_version.back()))
        m_version.pop_back();
}

qint64 PdfFileReader::findStartXref()
{
    const qint64 tailStart = std::max<qint64>(0, m_fileSize - 1024);
    seek(tailStart);
    std::string tail;
    for (int c = get(); c >= 0; c = get())
        tail += char(c);
    const size_t at = tail.rfind("startxref");
    if (at == std::string::npos)
        throw PdfFileError(QStringLiteral("das Querverweisverzeichnis der Zwischendatei fehlt"));
    seek(tailStart + qint64(at) + 9);
    const quint64 offset = readUnsigned();
    if (offset >= quint64(m_fileSize))
        fail();
    return qint64(offset);
}

PdfObject PdfFileReader::readXrefSection(qint64 offset)
{
    seek(offset);
    const std::string keyword = readKeyword();
    if (keyword != "xref") {
        if (isDigits(keyword))
            throw PdfFileError(QStringLiteral("komprimierte Querverweise werden nicht unterstützt"));
        fail();
    }
    const quint64 maxObjects = quint64(m_fileSize / XrefEntryBytes) + 1;
    for (;;) {
        skipWhitespace();
        const std::string token = readToken();
        if (token == "trailer")
            break;
        quint64 start = 0;
        if (!isDigits(token) || std::from_chars(token.data(), token.data() + token.size(), start).ec != std::errc())
            fail();
        const quint64 count = readUnsigned();
        if (start > maxObjects || count > maxObjects - start)
            fail();
        if (start + count > m_offsets.size())
            m_offsets.resize(size_t(start + count), NotListed);
        for (quint64 i = 0; i < count; ++i) {
            const quint64 objectOffset = readUnsigned();
            const quint64 generation = readUnsigned();
            const std::string type = readKeyword();
            qint64& entry = m_offsets[size_t(start + i)];
            if (type != "n" && type != "f")
                fail();
            if (entry != NotListed)
                continue; // a newer section has decided
            if (type == "f") {
                entry = FreeEntry;
                continue;
            }
            if (generation != 0 || objectOffset >= quint64(m_fileSize))
                fail();
            entry = qint64(objectOffset);
        }
    }
    PdfObject trailer = parseObject(0);
    if (!trailer.isDictionary())
        fail();
    return trailer;
}

PdfFileReader::IndirectObject PdfFileReader::readObject(quint32 number)
{
    return readObject(number, true);
}

PdfFileReader::IndirectObject PdfFileReader::readObject(quint32 number, bool streamAllowed)
{
    const qint64 offset = offsetOf(number);
    if (offset < 0)
        throw PdfFileError(QStringLiteral("Objekt %1 fehlt in der Zwischendatei").arg(number));
    seek(offset);
    if (readUnsigned() != number || readUnsigned() != 0 || readKeyword() != "obj")
        throw PdfFileError(objectMisplaced(number));

    IndirectObject object;
    object.value = parseObject(0);
    const std::string keyword = readKeyword();
    if (keyword == "endobj")
        return object;
    if (keyword != "stream" || !object.value.isDictionary() || !streamAllowed)
        fail();
    if (const PdfObject* type = object.value.get("Type"); type && (type->isName("ObjStm") || type->isName("XRef")))
        throw PdfFileError(QStringLiteral("Objektströme werden nicht unterstützt"));
    // The data begins after the end of the line that says "stream".
    const int c = get();
    if (c == '\r' && peek() == '\n')
        get();
    else if (c != '\n' && c != '\r')
        fail();
    object.streamStart = position();

    const PdfObject* length = object.value.get("Length");
    if (length && length->isReference()) {
        object.lengthObject = quint32(length->number());
        // Not a stream itself: its own length could lead back here.
        const IndirectObject held = readObject(object.lengthObject, false);
        object.streamLength = held.value.isInteger() ? held.value.number() : -1;
    } else {
        object.streamLength = length && length->isInteger() ? length->number() : -1;
    }
    if (object.streamLength < 0 || object.streamLength > m_fileSize - object.streamStart)
        fail();
    seek(object.streamStart + object.streamLength);
    if (readKeyword() != "endstream")
        throw PdfFileError(
            QStringLiteral("die Länge des Datenstroms in Objekt %1 der Zwischendatei stimmt nicht").arg(number));
    return object;
}

PdfObject PdfFileReader::resolve(const PdfObject& value)
{
    if (!value.isReference())
        return value;
    if (offsetOf(quint32(value.number())) < 0)
        return PdfObject(); // a reference to nothing means null
    return readObject(quint32(value.number())).value;
}

void PdfFileReader::readStreamData(const IndirectObject& stream,
                                   const std::function<void(const char*, size_t)>& consume)
{
    seek(stream.streamStart);
    for (qint64 left = stream.streamLength; left > 0;) {
        if (m_pos == m_end && !fill())
            throw PdfFileError(QStringLiteral("die Zwischendatei endet vorzeitig"));
        const size_t piece = std::min(size_t(left), m_end - m_pos);
        consume(m_buffer.data() + m_pos, piece);
        m_pos += piece;
        left -= qint64(piece);
    }
}
