#pragma once

#include "pdf/PdfObject.h"

#include <QFile>
#include <QString>

#include <string>
#include <string_view>
#include <vector>

class PdfEncryption;

// Writes a PDF file object by object in any order of object numbers, remembering only
// where each one went, and ends it with the cross-reference table and the trailer. When
// the document is encrypted every string and stream passes through the encryption as it
// is written, except what writeUnencrypted() writes.
//
// Failures to write throw PdfFileError (PdfFileReader.h).
class PdfFileWriter
{
public:
    // Creates or empties `path`. `encryption`, when given, must outlive the writer.
    PdfFileWriter(const QString& path, PdfEncryption* encryption);
    ~PdfFileWriter();
    PdfFileWriter(const PdfFileWriter&) = delete;
    PdfFileWriter& operator=(const PdfFileWriter&) = delete;

    // The first line, "%PDF-1.7" for version "1.7", and a line of bytes above 127 that
    // marks the file as binary for programs that would guess.
    void writeHeader(std::string_view version);

    void writeObject(quint32 number, const PdfObject& value);
    // The encryption dictionary: written as it is.
    void writeUnencrypted(quint32 number, const PdfObject& value);

    // A stream of `size` bytes of data: its dictionary (whose /Length the writer sets to
    // what it writes), then exactly `size` bytes through writeStreamData(), then
    // endStream().
    void beginStream(quint32 number, PdfObject dictionary, qint64 size);
    void writeStreamData(std::string_view data);
    void endStream();
    void writeStream(quint32 number, PdfObject dictionary, std::string_view data);

    bool isWritten(quint32 number) const { return number < m_offsets.size() && m_offsets[number] >= 0; }

    // Writes the cross-reference table for the objects 0 to `size` - 1 (those never
    // written are listed free) and `trailer` with /Size set, and closes the file.
    void finish(PdfObject trailer, quint32 size);

private:
    void startObject(quint32 number);
    void writeValue(const PdfObject& value);
    void flush();
    void flushWhenFull();

    QFile m_file;
    std::string m_buffer;
    qint64 m_flushed = 0;          // bytes of the file before the buffer
    std::vector<qint64> m_offsets; // where each object starts, -1 for none
    PdfEncryption* m_encryption = nullptr;
    qint64 m_streamLeft = -1; // data bytes the open stream still expects
};
