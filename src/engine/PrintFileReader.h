#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Reads a print file record by record, straight from its file: it holds the record at
// hand and a window of the bytes around it, never the whole file, so a job of a hundred
// thousand pages costs no more memory than one of a single page. Each record carries the
// offset it starts at, so a reader can come back to it later (seek).
//
// A record is the bytes up to LF, without a CR directly before the LF. Escape sequences
// are walked with their parameters (escape::parameterLength), so a parameter byte that is
// LF or CR neither ends a record nor counts as the CR before the LF. A final record
// without LF counts; a file ending in LF has no empty record after it; one DOS end-of-file
// byte (0x1A) at the very end is not text.
//
// Decoding: bytes through the code page, control codes as themselves, ESC as U+001B, the
// command byte after ESC and every parameter byte b as U+F000 + b (EscapeTable.h), so no
// record can read as the end record. ESC before LF, CR or another ESC has no command
// byte: a stray ESC never swallows a line end.
//
// A file that changes while it is read is read as it is found; nothing breaks. Not
// thread-safe: one reader per thread.
class PrintFileReader
{
public:
    struct Record
    {
        QString text;       // decoded (empty while the reader skims)
        qint64 offset = 0;  // where its bytes start in the file
        QByteArrayView raw; // its bytes as they stand in the file; valid until the next call
    };
    enum class Status
    {
        Record,    // `record` holds the next record
        End,       // no record is left
        TooLong,   // a record longer than LongestRecord: no print file
        ReadError, // the file could not be read on
    };

    // Printer output is cut into lines; a line this long is data of another kind.
    static constexpr qint64 LongestRecord = qint64(16) << 20;

    // `step`: how many bytes the reader takes from the file at a time (it takes more while a
    // record does not fit); any step reads the same records.
    explicit PrintFileReader(int codePage = 437, qsizetype step = qsizetype(256) << 10);
    ~PrintFileReader();
    PrintFileReader(const PrintFileReader&) = delete;
    PrintFileReader& operator=(const PrintFileReader&) = delete;

    // Opens the regular file `path` for reading, not through a symbolic link in its last
    // part; false for anything else (a FIFO, a device, a folder, a link, a missing file).
    bool open(const QString& path);
    // Reads from a descriptor opened elsewhere; the reader owns it from now on.
    void adopt(int fd);
    // Reads a print file held in memory.
    void openBytes(QByteArray bytes);

    Status next(Record& record);
    // While skimming, records come with their bytes only; text() decodes one on demand.
    // Decoding keeps length and ASCII: byte i becomes text unit i, and an ASCII character
    // of the text stands as that byte in the record (outside escape sequences), so a
    // search for ASCII in the bytes finds every place the text could hold it.
    void setSkimming(bool skimming) { m_skimming = skimming; }
    QString text(const Record& record) const;
    // The next record starts at `offset`, which a record of this file reported.
    void seek(qint64 offset);
    // Bytes of the file that hold records (without a final end-of-file byte).
    qint64 size() const { return m_size; }

private:
    void close();
    // Reads more of the file behind what the buffer holds; false at its end or on an error.
    bool fill();
    QString decode(const uchar* data, qsizetype size) const;

    bool m_skimming = false;
    int m_fd = -1;
    const char16_t* m_table = nullptr;
    qsizetype m_step = 0;
    qint64 m_size = 0;
    QByteArray m_buffer; // bytes of the file from m_bufferStart on
    qint64 m_bufferStart = 0;
    qsizetype m_pos = 0; // where the next record starts in m_buffer
    bool m_readError = false;
};

// The number of printable characters of a record: escape sequences with their command
// and parameters, control codes and stray parameter characters do not count.
qint32 printableTally(const QString& record);
