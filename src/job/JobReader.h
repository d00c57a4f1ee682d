#pragma once

#include <QString>

class Job;

// Fills a job from a print file the way the server's poller does, without a dialog: the
// command-line tools (render, PDF conversion) and the tests build their jobs with it.
//
// Steps: open the file through the engine's reader (a file still being written is
// retried for about two seconds); a scanning pass that decides the orientation (a record
// with more printable characters than AutoLandscape, or one holding "^Q", turns the job
// landscape for good), PageLen and the job settings file (an "@INI" record naming an
// existing file; otherwise `settingsFile`); then what the dialog's init does for the job
// model: the server settings, LeftSpace, AutoStart and OnlyBackground (HideMode) from the
// job settings file; then a rewind and every record into AddLineToArray; then close.
//
// `settingsFile` is the default settings file (empty: the server's). LinesPerPage,
// LinesPerPageQ, AutoLandscape and the job's TopSpace always come from it, whatever
// "@INI" names. The print file is left in place.
//
// Returns false, leaving the job untouched, when the file cannot be opened, stays busy
// or holds no record. Uses the engine's one process-wide reader: UI thread only, and not
// while the poller reads.
bool fillJobFromPrintFile(const QString& printFile, Job& job, const QString& settingsFile);
