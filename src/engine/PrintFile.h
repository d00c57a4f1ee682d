#pragma once

#include <QString>

// The print-file reader of the print engine: one process-wide open print file, read the
// way the poller reads it (open, every record once, rewind, every record again, close).
// All of it belongs to the UI thread.
//
// Records are decoded from the DOS code page of the settings (see PrintFileRecords.h for
// the record and decoding rules); escape sequence parameters arrive as U+F000 + byte
// (EscapeTable.h).

// Opens the print file and reads it whole. `path` may end in a NUL, as callers of the
// library pass it. Answers -1 when the file cannot be opened, is no regular file, or is
// still being written: it changed within the quiet time, or a process holds a write lock
// on it, or a process on this machine holds it open for writing (the caller tries again
// later); 0 when it holds no record, 1 when it is open. A file open before is closed
// first.
int OPENDAT(const QString& path);

// The quiet time: how long a print file must stay unchanged before OPENDAT takes it.
// Writers on other machines (a network share) are told only by it.
inline constexpr qint64 DefaultQuietMs = 300;
void setQuietTime(qint64 milliseconds);

// Whether the file at `path` still has the size and time stamp of the file the open
// records came from (false after CLOSEDAT). The poller moves the opened file away before it reads the
// records; this tells it that the moved file holds exactly those records.
bool stillAsOpened(const QString& path);

// The program's folder; called after every successful OPENDAT.
void SETAPPPATH(const QString& programFolder);
QString appPath();

// The next record; after the last one, and without an open file, the end record, again
// and again.
QString GETRECORD();

// The number of printable characters of a record: escape sequences with their command
// and parameters, control codes and stray parameter characters do not count.
qint32 GETSIGNTALLY(const QString& record);

// Rewinds: the next GETRECORD returns the first record again.
void FILERESET();

// Forgets the file's content; the file itself was closed at OPENDAT, so it can be deleted.
void CLOSEDAT();

// ESC followed by "EOF".
QString endRecord();

// Whether a record is the end record once blanks (and only blanks) are trimmed from both
// ends. No record of a print file is: the reader keeps escape sequences out of reach.
bool isEndRecord(const QString& record);
