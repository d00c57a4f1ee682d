#pragma once

#include <QString>
#include <QStringList>

class Job;

// Reads the watermark definitions from "Wasser.txt" in the program folder into the job
// and fills `names` with the list the print dialog offers: "Ohne" (no watermark) first,
// then the name of each definition, so list entry p (p >= 1) stands for the job's
// watermark p - 1.
//
// Returns false when the file cannot be opened; `names` and the job are then untouched.
// Otherwise every line n (from 0) goes to job.AddWatermark(line, n); a line without "|"
// (an empty one too) is handed over but gets no name and ends the reading.
bool LoadWatermarks(Job& job, QStringList& names);

// The same from a named file (the program folder's "Wasser.txt" for LoadWatermarks).
bool LoadWatermarksFrom(const QString& file, Job& job, QStringList& names);
