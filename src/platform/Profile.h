#pragma once

#include <QString>

#include <functional>

// Profile files ("INI" files) with the semantics of the Windows private-profile
// functions, which is what the settings file and every hand-edited copy of it rely on:
// - section and key names match without regard to case, blanks around names and
//   values are ignored, and a value enclosed in one pair of double or single quotes
//   loses them;
// - a line whose first non-blank character is ';' is a comment;
// - a read returns at most bufferSize - 1 characters; a missing file, section or key
//   returns the default with its trailing blanks removed.
// - a write replaces the value of an existing key in place, appends a missing key at
//   the end of its section and a missing section at the end of the file, and keeps every
//   other byte of the file as it was (line ends included). It goes to a temporary file
//   renamed over the old one once every byte is on the disk, so neither a crash nor a
//   full disk ever leaves half a settings file.
// - a file that is not a regular file of at most 1 MiB reads as missing.
// Files are decoded and encoded in the system's locale encoding (UTF-8 here).
namespace profile {

QString GetPrivateProfileString(const QString& section, const QString& key, const QString& defaultValue, int bufferSize,
                                const QString& fileName);

// Returns false when the file could not be written; the old file is then unchanged.
bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& fileName);

// Makes several writes to a settings file as one: `edit` writes to a copy of the file
// (the path it is given), which replaces the file only when every write succeeded. False,
// leaving the file as it was, when the copy cannot be made, a write fails, or the copy
// cannot replace the file.
bool editAtomically(const QString& fileName, const std::function<bool(const QString& copy)>& edit);

} // namespace profile
