#include "pdf/PdfFileWriter.h"

#include "pdf/PdfEncryption.h"
#include "pdf/PdfFileReader.h"

#include <cstdio>
#include <stdexcept>

namespace {

constexpr size_t FlushSize = 256 * 1024;

PdfFileError notWritable()
{
    return PdfFileError(QStringLiteral("die Datei lässt sich nicht schreiben"));
}

} // namespace

PdfFileWriter::PdfFileWriter(const QString& path, PdfEncryption* encryption) : m_file(path), m_encryption(encryption)
{
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        throw notWritable();
    m_buffer.reserve(FlushSize + 64 * 1024);
}

PdfFileWriter::~PdfFileWriter() = default;

void PdfFileWriter::flush()
{
    if (m_file.write(m_buffer.data(), qint64(m_buffer.size())) != qint64(m_buffer.size()))
        throw notWritable();
    m_flushed += qint64(m_buffer.size());
    m_buffer.clear();
}

void PdfFileWriter::flushWhenFull()
{
    if (m_buffer.size() >= FlushSize)
        flush();
}

void PdfFileWriter::writeHeader(std::string_view version)
{
    m_buffer += "%PDF-";
    m_buffer += version;
    m_buffer += "\n%\xe2\xe3\xcf\xd3\n";
}

void PdfFileWriter::startObject(quint32 number)
{
    if (m_streamLeft >= 0)
        throw std::logic_error("object begun inside a stream");
    if (number >= m_offsets.size())
        m_offsets.resize(size_t(number) + 1, -1);
    m_offsets[number] = m_flushed + qint64(m_buffer.size());
    m_buffer += std::to_string(number);
    m_buffer += " 0 obj\n";
}

void PdfFileWriter::writeValue(const PdfObject& value)
{
    if (m_encryption)
        value.writeTo(m_buffer, [this](std::string_view s) { return m_encryption->encrypt(s); });
    else
        value.writeTo(m_buffer);
}

void PdfFileWriter::writeObject(quint32 number, const PdfObject& value)
{
    startObject(number);
    writeValue(value);
    m_buffer += "\nendobj\n";
    flushWhenFull();
}

void PdfFileWriter::writeUnencrypted(quint32 number, const PdfObject& value)
{
    startObject(number);
    value.writeTo(m_buffer);
    m_buffer += "\nendobj\n";
    flushWhenFull();
}

void PdfFileWriter::beginStream(quint32 number, PdfObject dictionary, qint64 size)
{
    dictionary.set("Length", PdfObject::integer(m_encryption ? PdfEncryption::encryptedSize(size) : size));
    startObject(number);
    writeValue(dictionary);
    m_buffer += "\nstream\n";
    if (m_encryption)
        m_encryption->begin(m_buffer);
    m_streamLeft = size;
}

void PdfFileWriter::writeStreamData(std::string_view data)
{
    if (qint64(data.size()) > m_streamLeft)
        throw std::logic_error("more stream data than announced");
    m_streamLeft -= qint64(data.size());
    if (m_encryption)
        m_encryption->update(data, m_buffer);
    else
        m_buffer += data;
    flushWhenFull();
}

void PdfFileWriter::endStream()
{
    if (m_streamLeft != 0)
        throw std::logic_error("less stream data than announced");
    if (m_encryption)
        m_encryption->end(m_buffer);
    m_buffer += "\nendstream\nendobj\n";
    m_streamLeft = -1;
    flushWhenFull();
}

void PdfFileWriter::writeStream(quint32 number, PdfObject dictionary, std::string_view data)
{
    beginStream(number, std::move(dictionary), qint64(data.size()));
    writeStreamData(data);
    endStream();
}

void PdfFileWriter::finish(PdfObject trailer, quint32 size)
{
    const qint64 tableOffset = m_flushed + qint64(m_buffer.size());
    // Free entries form a list through their offset fields: each names the next free
    // object, the last names 0.
    const auto findFree = [&](quint32 from) {
        for (quint32 n = from; n < size; ++n) {
            if (!isWritten(n))
                return n;
        }
        return quint32(0);
    };
    quint32 nextFree = findFree(1);
    char entry[32];
    m_buffer += "xref\n0 " + std::to_string(size) + "\n";
    std::snprintf(entry, sizeof entry, "%010u 65535 f\r\n", nextFree);
    m_buffer += entry;
    for (quint32 n = 1; n < size; ++n) {
        if (isWritten(n)) {
            std::snprintf(entry, sizeof entry, "%010lld 00000 n\r\n", static_cast<long long>(m_offsets[n]));
        } else {
            nextFree = findFree(n + 1);
            std::snprintf(entry, sizeof entry, "%010u 00001 f\r\n", nextFree);
        }
        m_buffer += entry;
        flushWhenFull();
    }
    trailer.set("Size", PdfObject::integer(size));
    m_buffer += "trailer\n";
    trailer.writeTo(m_buffer);
    m_buffer += "\nstartxref\n" + std::to_string(tableOffset) + "\n%%EOF\n";
    flush();
    if (!m_file.flush())
        throw notWritable();
    m_file.close();
    if (m_file.error() != QFileDevice::NoError)
        throw notWritable();
}
