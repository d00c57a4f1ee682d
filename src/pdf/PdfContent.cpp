#include "pdf/PdfContent.h"

#include <libdeflate.h>

#include <algorithm>
#include <charconv>
#include <cmath>

PdfContent& PdfContent::number(double value)
{
    // Four decimals are a ten-thousandth of a device pixel or of a text unit.
    const double scaled = value * 10000.0;
    if (!(std::abs(scaled) < 9e15)) {
        // Out of range (or not a number): nothing sensible to draw, but the stream stays valid.
        *this << (std::isfinite(value) ? (value < 0 ? "-32767 " : "32767 ") : "0 ");
        return *this;
    }
    // Rounded half away from zero as std::round does, without a call into the maths library.
    long long whole = static_cast<long long>(scaled + (scaled < 0 ? -0.5 : 0.5));
    if (whole < 0) {
        *this << '-';
        whole = -whole;
    }
    char text[24];
    auto [end, error] = std::to_chars(text, text + sizeof text, whole / 10000);
    Q_UNUSED(error);
    int fraction = int(whole % 10000);
    if (fraction != 0) {
        *end++ = '.';
        int digits = 4;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --digits;
        }
        for (int i = digits - 1; i >= 0; --i) {
            end[i] = char('0' + fraction % 10);
            fraction /= 10;
        }
        end += digits;
    }
    *end++ = ' ';
    append(text, size_t(end - text));
    return *this;
}

PdfContent& PdfContent::hex4(quint32 value)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    const char hex[4] = {digits[(value >> 12) & 15], digits[(value >> 8) & 15], digits[(value >> 4) & 15],
                         digits[value & 15]};
    append(hex, 4);
    return *this;
}

PdfContent& PdfContent::escapedCode2(char high, char low)
{
    for (const char byte : {high, low}) {
        if (byte == '\r')
            *this << "\\r"; // a bare carriage return would be read as a line feed
        else if (needsEscape(byte))
            *this << '\\' << byte;
        else
            *this << byte;
    }
    return *this;
}

void PdfContent::grow(size_t count)
{
    const size_t capacity = std::max({m_capacity * 2, m_size + count, size_t(4096)});
    auto data = std::make_unique_for_overwrite<char[]>(capacity);
    if (m_size > 0)
        std::memcpy(data.get(), m_data.get(), m_size);
    m_data = std::move(data);
    m_capacity = capacity;
}

struct PdfDeflater::Stream
{
    libdeflate_compressor* compressor = nullptr;
    std::string output;
};

PdfDeflater::PdfDeflater(int level) : m_stream(std::make_unique<Stream>())
{
    // A whole-buffer compressor: every stream is in memory before it is compressed, and
    // one call on the whole buffer is about twice as fast as zlib's streaming deflate at
    // the same level, with a result at least as small.
    m_stream->compressor = libdeflate_alloc_compressor(level);
}

PdfDeflater::~PdfDeflater()
{
    libdeflate_free_compressor(m_stream->compressor);
}

QByteArray PdfDeflater::deflate(std::string_view data)
{
    if (!m_stream->compressor)
        return {};
    // Compressed into a buffer kept from call to call, then copied at its real size: a
    // document keeps every page's result until it is finished.
    std::string& out = m_stream->output;
    out.resize(libdeflate_zlib_compress_bound(m_stream->compressor, data.size()));
    const size_t size =
        libdeflate_zlib_compress(m_stream->compressor, data.data(), data.size(), out.data(), out.size());
    if (size == 0)
        return {};
    return QByteArray(out.data(), qsizetype(size));
}
