#include "PageTable.h"

#include <algorithm>

namespace {

constexpr uchar FirstCode = 0x80;
constexpr uchar Wide = 0xFF; // first byte of a line kept as UTF-16
constexpr int CodeCount = Wide - FirstCode;

} // namespace

struct PageTable::Alphabet
{
    std::array<char16_t, CodeCount> characters{};
    std::vector<uchar> codes = std::vector<uchar>(0x10000, 0); // 0: no code yet
    int used = 0;

    // The byte for `c`, handing out the next code for a new character; 0 when none is left.
    uchar code(char16_t c)
    {
        if (c < FirstCode)
            return uchar(c);
        uchar& known = codes[c];
        if (known == 0 && used < CodeCount) {
            characters[size_t(used)] = c;
            known = uchar(FirstCode + used++);
        }
        return known;
    }
};

PageTable::PageTable() : m_alphabet(std::make_unique<Alphabet>()) {}
PageTable::~PageTable() = default;
PageTable::PageTable(PageTable&&) noexcept = default;
PageTable& PageTable::operator=(PageTable&&) noexcept = default;

bool PageTable::encodeInto(const QString& text, char* out)
{
    const char16_t* in = reinterpret_cast<const char16_t*>(text.utf16());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = in[i];
        const uchar code = c < FirstCode ? uchar(c) : m_alphabet->code(c);
        if (code == 0 && c != 0)
            return false;
        out[i] = char(code);
    }
    return true;
}

QByteArray PageTable::encode(const QString& text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    if (encodeInto(text, bytes.data()))
        return bytes;
    // Beyond the alphabet: the line as it is.
    QByteArray wide(1 + text.size() * qsizetype(sizeof(char16_t)), Qt::Uninitialized);
    wide[0] = char(Wide);
    std::copy_n(reinterpret_cast<const char*>(text.utf16()), text.size() * sizeof(char16_t), wide.data() + 1);
    return wide;
}

QString PageTable::decode(const char* bytes, qsizetype size) const
{
    if (size > 0 && uchar(bytes[0]) == Wide) {
        const qsizetype length = (size - 1) / qsizetype(sizeof(char16_t));
        QString text(length, Qt::Uninitialized);
        std::copy_n(bytes + 1, length * sizeof(char16_t), reinterpret_cast<char*>(text.data()));
        return text;
    }
    QString text(size, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < size; ++i) {
        const uchar b = uchar(bytes[i]);
        out[i] = b < FirstCode ? char16_t(b) : m_alphabet->characters[b - FirstCode];
    }
    return text;
}

QString PageTable::operator()(qint64 line, qint64 page) const
{
    if (page < 0 || page >= m_pages.size())
        return {};
    const Page& p = m_pages.at(page);
    const qint64 index = line - p.first;
    if (index < 0 || index >= qint64(p.ends.size()))
        return {};
    const quint32 begin = index == 0 ? 0 : p.ends[size_t(index - 1)];
    return decode(p.text.constData() + begin, qsizetype(p.ends[size_t(index)] - begin));
}

bool PageTable::set(qint64 line, qint64 page, const QString& text)
{
    if (page < 0 || page >= m_pages.size() || line < 0 || line > m_lineBound)
        return false;
    Page& p = m_pages[page];
    const qint64 count = qint64(p.ends.size());
    qint64 index = line - p.first;
    if (count == 0 || index < 0 || index >= count) {
        if (text.isEmpty())
            return true; // an unwritten cell already reads as empty text
        if (count == 0) {
            p.first = line;
            index = 0;
        } else if (index < 0) {
            // Empty lines in front; the text itself does not move.
            p.ends.insert(p.ends.begin(), size_t(-index), 0);
            p.first = line;
            index = 0;
        }
    }
    if (index >= qint64(p.ends.size())) {
        // After the last stored line, usually the very next one: the page is filled in
        // order, and the line is encoded where it goes.
        const qsizetype at = p.text.size();
        p.ends.resize(size_t(index), quint32(at));
        p.text.resize(at + text.size());
        if (!encodeInto(text, p.text.data() + at)) {
            p.text.truncate(at);
            p.text.append(encode(text));
        }
        p.ends.push_back(quint32(p.text.size()));
        return true;
    }
    const QByteArray bytes = encode(text);
    const quint32 begin = index == 0 ? 0 : p.ends[size_t(index - 1)];
    const quint32 oldLength = p.ends[size_t(index)] - begin;
    if (QByteArrayView(p.text.constData() + begin, oldLength) == QByteArrayView(bytes))
        return true; // the outputs write back what they read
    p.text.replace(begin, oldLength, bytes);
    const qint64 delta = bytes.size() - qint64(oldLength);
    for (size_t i = size_t(index); i < p.ends.size(); ++i)
        p.ends[i] = quint32(qint64(p.ends[i]) + delta);
    return true;
}

qint32 PageTable::addPage(qint64 lines)
{
    Page& last = m_pages.last();
    last.text.squeeze();
    last.ends.shrink_to_fit();
    m_pages.append(Page{});
    m_lineBound = std::max(m_lineBound, lines);
    return pageCount();
}
