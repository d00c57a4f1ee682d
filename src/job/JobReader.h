#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

class Job;

// Reading a print file into a job: the two passes over the records of the engine's open
// print file. The server's poller and the command-line tools (render, PDF conversion)
// read through the same passes, so they cannot disagree about a print file.

// The start-up keys the scanning pass uses. They always come from the default settings
// file, whatever "@INI" names.
struct ScanSettings
{
    qint32 linesPerPage = 0;
    qint32 linesPerPageQ = 0;
    qint32 autoLandscape = 0;
    QString defaultSettingsFile;

    // LinesPerPage, LinesPerPageQ and AutoLandscape read from `defaultFile`.
    static ScanSettings readFrom(const QString& defaultFile);
};

// Runs between records (the poller lets window messages run); may be empty.
using BetweenRecords = std::function<void()>;

// The scanning pass, from the reader's next record up to the end record. A record with
// more printable characters than autoLandscape (GETSIGNTALLY), or one holding "^Q",
// turns the job landscape for good; after every record PageLen is linesPerPageQ for a
// landscape job, else linesPerPage (a file whose first record is the end record leaves
// it alone). A record holding "@INI" names the job's settings file: the record from its
// fifth character on, trimmed of blanks, without carriage returns; a name that is not a
// regular file of at most 1 MiB (missing, a folder, a device) gives the default settings
// file. `iniOverride` receives the last such name, or stays empty.
//
// False when the file is no print file: a record of more than 1 MiB that holds a NUL
// character is binary data without line ends, not printer output. A long record of text
// is printed (the outputs clip what runs off the page). The job is then half scanned and
// must be dropped. The server and the tools decide with this one pass.
bool scanPrintFile(Job& job, const ScanSettings& settings, QString& iniOverride, const BetweenRecords& between = {});

// The feeding pass: rewinds the reader and hands every record up to the end record to
// AddLineToArray, in file order. `between` runs before and after every record. Records
// with NUL characters beyond the first (which AddLineToArray shows) are counted in one
// line of the log.
void feedPrintFile(Job& job, const BetweenRecords& between = {});

// Fills a job from a print file the way the poller does, without a dialog: the
// command-line tools and the tests build their jobs with it.
//
// Steps: open the file through the engine's reader (a file still being written is
// retried for about two seconds); the scanning pass; the job's IniFile (the "@INI" file,
// else `settingsFile`); then what the dialog's init does for the job model: the server
// settings, LeftSpace, AutoStart and OnlyBackground (HideMode) from the job settings
// file; then the feeding pass; then close.
//
// `settingsFile` is the default settings file (empty: the server's). LinesPerPage,
// LinesPerPageQ, AutoLandscape and the job's TopSpace always come from it. The print
// file is left in place.
//
// Returns false when the file cannot be opened, stays busy, holds no record or is no
// print file (the scanning pass refused it); the job is then not to be used. Uses the
// engine's one process-wide reader: UI thread only, and not while the poller reads.
bool fillJobFromPrintFile(const QString& printFile, Job& job, const QString& settingsFile);
