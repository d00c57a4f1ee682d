#pragma once

#include <QByteArray>
#include <QtGlobal>

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
    void clear() { m_bytes.clear(); }
    bool isEmpty() const { return m_bytes.empty(); }
    std::string_view bytes() const { return m_bytes; }

    PdfContent& operator<<(std::string_view text)
    {
        m_bytes.append(text);
        return *this;
    }
    PdfContent& operator<<(char c)
    {
        m_bytes.push_back(c);
        return *this;
    }
    // A number followed by a blank.
    PdfContent& number(double value);
    // A number as four hexadecimal digits (a glyph code, a UTF-16 unit).
    PdfContent& hex4(quint32 value);
    // A two-byte glyph code inside a literal string "(...)": the bytes as they are, with
    // the few a string must escape escaped.
    PdfContent& code2(quint32 value);

private:
    std::string m_bytes;
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
