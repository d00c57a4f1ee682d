#pragma once

#include "pdf/PdfObject.h"

#include <QFile>
#include <QString>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

// Why a PDF file could not be read or written, in German for the user's message.
class PdfFileError : public std::runtime_error
{
public:
    explicit PdfFileError(const QString& reason) : std::runtime_error(reason.toStdString()) {}
    QString reason() const { return QString::fromStdString(what()); }
};

// Reads a PDF file object by object, as the page writer (QPdfWriter) leaves it: a
// cross-reference table in plain text, objects one by one, no object streams. Only the
// table is kept in memory (an offset per object); every object is read from the file when
// asked for, and a stream's data is handed on in pieces, never held whole. The file is
// read through a buffer of its own rather than mapped, so a long document does not count
// as the process's memory.
//
// Anything else (a compressed cross-reference, object streams, an encrypted file, an
// object that is not where the table says) throws PdfFileError: the file is not what the
// finishing pass was written for, and it refuses rather than guesses.
class PdfFileReader
{
public:
    // Opens `path` and reads its header, cross-reference table and trailer.
    explicit PdfFileReader(const QString& path);
    ~PdfFileReader();
    PdfFileReader(const PdfFileReader&) = delete;
    PdfFileReader& operator=(const PdfFileReader&) = delete;

    // The version of the header, "1.4".
    const std::string& version() const { return m_version; }
    // The trailer dictionary; of several (an updated file), the newest.
    const PdfObject& trailer() const { return m_trailer; }

    // Object numbers run from 1 to objectCount() - 1; a number without an object is free.
    quint32 objectCount() const { return quint32(m_offsets.size()); }
    // Where object `number` starts in the file, -1 when there is none.
    qint64 offsetOf(quint32 number) const { return number < m_offsets.size() ? m_offsets[number] : -1; }

    struct IndirectObject
    {
        PdfObject value;          // a stream's dictionary, with its /Length as found
        qint64 streamStart = -1;  // where a stream's data begins in the file; -1: no stream
        qint64 streamLength = 0;  // the number of data bytes
        quint32 lengthObject = 0; // the object that holds the length, when it is indirect

        bool isStream() const { return streamStart >= 0; }
    };
    // Reads object `number`. Of a stream only the dictionary is read; its data is located,
    // with the length (given directly or by another object) checked against "endstream".
    IndirectObject readObject(quint32 number);
    // The value a reference points to (a stream's dictionary); other values as they are.
    PdfObject resolve(const PdfObject& value);
    // Hands a stream's data to `consume` in pieces of at most a buffer's size.
    void readStreamData(const IndirectObject& stream, const std::function<void(const char*, size_t)>& consume);

private:
    // The file through a buffer that also serves short jumps back and forth, as reading
    // a reference or a stream's length takes.
    int peek();
    int get();
    qint64 position() const { return m_bufferStart + qint64(m_pos); }
    void seek(qint64 offset);
    bool fill();

    IndirectObject readObject(quint32 number, bool streamAllowed);

    [[noreturn]] void fail() const;
    void skipWhitespace();
    std::string readToken();
    std::string readKeyword();
    quint64 readUnsigned();
    PdfObject parseObject(int depth);
    PdfObject parseNumberOrReference(const std::string& token);
    std::string parseLiteralString();
    std::string parseHexString();
    std::string parseName();

    void readHeader();
    qint64 findStartXref();
    PdfObject readXrefSection(qint64 offset);

    QFile m_file;
    qint64 m_fileSize = 0;
    std::vector<char> m_buffer;
    qint64 m_bufferStart = 0;
    size_t m_pos = 0; // in the buffer
    size_t m_end = 0; // bytes in the buffer

    std::string m_version;
    PdfObject m_trailer;
    std::vector<qint64> m_offsets;
};
