#pragma once

#include "job/Job.h"
#include "settings/JobFiles.h"

#include <QString>

#include <functional>

// Reading a print file into a job: the one way the server and the command-line tools make
// jobs, so they cannot disagree about a print file.
//
// Steps:
// 1. The scanning pass over every record: a record with more printable characters than
//    the landscape tally (AutoLandscape), or one holding "^Q", turns the job landscape for
//    good; a record holding "@INI" names the job's settings file (the record from its
//    fifth character on, trimmed, without carriage returns), found through JobFiles;
//    a name that is no settings file the job may read leaves the default settings file.
// 2. The job's settings (JobSettings), and the watermark definitions of Wasser.txt.
// 3. The feeding pass: commands set the job's values, text records fill the pages
//    (PageFiller). The first text line holding a NUL character is shown in a message box
//    (logged when headless), the others only counted.
// 4. The files the commands name ("@ANHANG", "@TXTEMAIL") are found through JobFiles;
//    each name that is not found or not allowed is logged once with the job's label.
//
// A print file is faulty (no printer output, or beyond every bound a print job can have)
// when a record is longer than 16 MiB, a record over 1 MiB holds a NUL character (binary
// data without line ends), or it makes more than maxPages pages.
struct LoadOptions
{
    QString defaultSettingsFile; // PS.INI
    JobFiles files;              // where the job's files are found and may be
    QString watermarkFile;       // Wasser.txt
    QString label;               // names the job in the log ("Druckdialog Job  2")
    static constexpr qint32 MostPages = 100000;
    qint32 maxPages = MostPages;
    // Runs between records (the server lets window messages run); may be empty.
    std::function<void()> betweenRecords;
};

struct LoadResult
{
    enum class Status
    {
        Loaded,
        Empty,      // no record at all
        Unreadable, // the file could not be opened or read
        Faulty,     // no print file, or beyond the bounds: `problem` says why, in German
    };
    Status status = Status::Unreadable;
    QString problem;
    Job job;

    bool loaded() const { return status == Status::Loaded; }
};

LoadResult loadJob(const QString& printFile, const LoadOptions& options);

// The options the command-line tools read with: the given default settings file (empty:
// the server's PS.INI), Wasser.txt of the program folder, the job's files found as the
// server would find them, and no label.
LoadOptions toolLoadOptions(const QString& settingsFile);

// The watermark definitions of a watermark file, and the names the print dialog offers
// for them: "Ohne" (no watermark) first, then the name of each definition, so name p
// (p >= 1) stands for definition p - 1. False when the file cannot be read; otherwise every
// line is a definition until a line without "|" (an empty one too), which is taken but
// gets no name and ends the reading.
bool readWatermarks(const QString& file, QStringList& definitions, QStringList& names);
