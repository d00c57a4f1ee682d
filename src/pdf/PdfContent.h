#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

// The text of a PDF content stream as it is built: operators, numbers and glyph codes
// appended at the end. A page of text is some thousand numbers and glyph codes, so
// appending is kept cheap: numbers are written from integers (four decimals at most,
// trailing zeros dropped), the buffer keeps its capacity from page to page.
class PdfContent
{
public:
    void clear() { m_size = 0; }
    bool isEmpty() const { return m_size == 0; }
    std::string_view bytes() const { return {m_data.get(), m_size}; }

    PdfContent& operator<<(std::string_view text)
    {
        append(text.data(), text.size());
        return *this;
    }
    PdfContent& operator<<(char c)
    {
        room(1)[0] = c;
        m_size += 1;
        return *this;
    }
    // A number followed by a blank.
    PdfContent& number(double value);
    // A number as four hexadecimal digits (a glyph code, a UTF-16 unit).
    PdfContent& hex4(quint32 value);
    // A two-byte glyph code inside a literal string "(...)": the bytes as they are, with
    // the few a string must escape escaped.
    PdfContent& code2(quint32 value)
    {
        const char high = char((value >> 8) & 0xFF);
        const char low = char(value & 0xFF);
        if (needsEscape(high) || needsEscape(low))
            return escapedCode2(high, low);
        char* at = room(2);
        at[0] = high;
        at[1] = low;
        m_size += 2;
        return *this;
    }

private:
    static bool needsEscape(char byte) { return EscapedBytes[static_cast<unsigned char>(byte)]; }
    static constexpr std::array<bool, 256> EscapedBytes = [] {
        std::array<bool, 256> escaped{};
        for (const char byte : {'(', ')', '\\', '\r'})
            escaped[static_cast<unsigned char>(byte)] = true;
        return escaped;
    }();
    PdfContent& escapedCode2(char high, char low);
    // Space for `count` more bytes at the end; the caller writes them and counts them.
    char* room(size_t count)
    {
        if (m_capacity - m_size < count)
            grow(count);
        return m_data.get() + m_size;
    }
    void append(const char* data, size_t count)
    {
        std::memcpy(room(count), data, count);
        m_size += count;
    }
    void grow(size_t count);

    // A plain buffer rather than a std::string: a page appends some ten thousand pieces of
    // a few bytes each, and a string's bookkeeping (its terminating zero) costs more than
    // the bytes.
    std::unique_ptr<char[]> m_data;
    size_t m_size = 0;
    size_t m_capacity = 0;
};

// Compresses stream data for FlateDecode, reusing its working memory from one stream to
// the next (setting it up costs more than compressing a page of text at the fastest level).
class PdfDeflater
{
public:
    explicit PdfDeflater(int level);
    ~PdfDeflater();
    PdfDeflater(const PdfDeflater&) = delete;
    PdfDeflater& operator=(const PdfDeflater&) = delete;

    QByteArray deflate(std::string_view data);

private:
    struct Stream;
    std::unique_ptr<Stream> m_stream;
};
