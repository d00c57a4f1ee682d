#include "pdf/PdfContent.h"

#include <zlib.h>

#include <charconv>
#include <cmath>

PdfContent& PdfContent::number(double value)
{
    // Four decimals are a ten-thousandth of a device pixel or of a text unit.
    const double scaled = value * 10000.0;
    if (!(std::abs(scaled) < 9e15)) {
        // Out of range (or not a number): nothing sensible to draw, but the stream stays valid.
        m_bytes.append(std::isfinite(value) ? (value < 0 ? "-32767 " : "32767 ") : "0 ");
        return *this;
    }
    // Rounded half away from zero as std::round does, without a call into the maths library.
    long long whole = static_cast<long long>(scaled + (scaled < 0 ? -0.5 : 0.5));
    if (whole < 0) {
        m_bytes.push_back('-');
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
    m_bytes.append(text, size_t(end - text));
    return *this;
}

PdfContent& PdfContent::hex4(quint32 value)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    const char hex[4] = {digits[(value >> 12) & 15], digits[(value >> 8) & 15], digits[(value >> 4) & 15],
                         digits[value & 15]};
    m_bytes.append(hex, 4);
    return *this;
}

PdfContent& PdfContent::code2(quint32 value)
{
    for (const char byte : {char((value >> 8) & 0xFF), char(value & 0xFF)}) {
        if (byte == '(' || byte == ')' || byte == '\\') {
            m_bytes.push_back('\\');
            m_bytes.push_back(byte);
        } else if (byte == '\r') {
            m_bytes.append("\\r"); // a bare carriage return would be read as a line feed
        } else {
            m_bytes.push_back(byte);
        }
    }
    return *this;
}

struct PdfDeflater::Stream
{
    z_stream z{};
    bool ready = false;
    std::string output;
};

PdfDeflater::PdfDeflater(int level) : m_stream(std::make_unique<Stream>())
{
    // A smaller hash table than zlib's default: it is cleared for every stream, and a page's
    // content is small enough that the table's size hardly changes the result.
    constexpr int WindowBits = 15;
    constexpr int MemoryLevel = 6;
    m_stream->ready =
        deflateInit2(&m_stream->z, level, Z_DEFLATED, WindowBits, MemoryLevel, Z_DEFAULT_STRATEGY) == Z_OK;
}

PdfDeflater::~PdfDeflater()
{
    if (m_stream->ready)
        deflateEnd(&m_stream->z);
}

QByteArray PdfDeflater::deflate(std::string_view data)
{
    if (!m_stream->ready)
        return {};
    z_stream& z = m_stream->z;
    deflateReset(&z);
    // Compressed into a buffer kept from call to call, then copied at its real size: a
    // document keeps every page's result until it is finished.
    std::string& out = m_stream->output;
    out.resize(deflateBound(&z, uLong(data.size())));
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = uInt(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    if (::deflate(&z, Z_FINISH) != Z_STREAM_END)
        return {};
    return QByteArray(out.data(), qsizetype(z.total_out));
}
