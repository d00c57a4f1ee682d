#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// The records of one print file held in memory. The file's bytes are split into records
// once, at load; each record is decoded only when asked for, so a pass over a large file
// costs one short string per record and no second copy of the file.
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
class PrintFileRecords
{
public:
    void load(QByteArray bytes, int codePage);
    void clear();

    qsizetype count() const { return qsizetype(m_spans.size()); }
    // The decoded record; `index` must be below count().
    QString record(qsizetype index) const;
    // The record's bytes as they stand in the file.
    QByteArrayView rawRecord(qsizetype index) const;

private:
    struct Span
    {
        qsizetype begin;
        qsizetype end;
    };
    QByteArray m_bytes;
    const char16_t* m_table = nullptr;
    std::vector<Span> m_spans;
};
