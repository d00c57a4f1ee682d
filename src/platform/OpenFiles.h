#pragma once

#include <QtGlobal>

// Which files processes on this machine hold open. A program that writes a file and
// pauses between writes (a DOS program computing its next line) leaves no trace in the
// file's size or time stamp, but it still holds the file open for writing.
namespace openfiles {

// Whether a process on this machine, this one included, holds the file open for writing
// (write-only or read-write). The file is the one the open descriptor `fd` refers to,
// whatever name it has now. Processes of other users cannot be inspected and count as
// holding nothing; so do writers on other machines (a network share).
bool heldOpenForWriting(int fd);

} // namespace openfiles
