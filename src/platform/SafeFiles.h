#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Reading files that a print job names. A job may name any path ("@INI", "@TXTEMAIL",
// "@ANHANG", a picture): a device that never ends (/dev/zero), a FIFO that blocks every
// read, a folder, or a file of gigabytes. Every such file is read only when it is a
// regular file within a size bound; anything else counts as missing.
namespace safefiles {

// A settings file is a few KiB.
inline constexpr qint64 LargestSettingsFile = qint64(1) << 20;
// A mail text is a letter.
inline constexpr qint64 LargestMailText = qint64(1) << 20;
// A picture, or a file attached to a mail: a scan or a photograph, never more.
inline constexpr qint64 LargestAttachment = qint64(64) << 20;

// Whether a path may lead through symbolic links. A path checked once (a canonical path,
// which holds none) is opened without: a link put on its way since cannot lead elsewhere.
enum class Links
{
    Follow,
    Refuse,
};

// Opens `path` for reading without blocking on a FIFO or a device and answers the open
// descriptor (close it, or hand it to a QFile with AutoCloseHandle) when it is a regular
// file of at most `maxBytes` bytes (negative: any size); -1 otherwise.
int openRegularFile(const QString& path, qint64 maxBytes = -1, Links links = Links::Follow);

// The whole content of a regular file of at most `maxBytes` bytes; nothing for a missing
// file, anything that is not a regular file, a larger file (also one that grew while it
// was read), or a read error.
std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes, Links links = Links::Follow);

// Whether `path` (symbolic links followed) is a regular file of at most `maxBytes` bytes.
bool isRegularFileWithin(const QString& path, qint64 maxBytes);

// Renames `from` to `to` only when nothing is called `to` yet, in one step: a file
// that appears under that name meanwhile is never replaced. False when `to` exists or
// the rename fails otherwise; `from` then stays.
bool renameWithoutReplacing(const QString& from, const QString& to);

} // namespace safefiles
