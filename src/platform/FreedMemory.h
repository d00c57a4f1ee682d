#pragma once

// How the program's freed memory goes back to the system.
namespace freedmemory {

// Gives memory the program has freed back to the system. The allocator keeps freed
// memory for reuse; after a large job is gone that is hundreds of MiB the server would
// hold while it waits, idle, for the next print file.
void giveBack();

// A process-wide allocator setting, for the executables' main to make before any work:
// blocks of up to 32 MiB come from the heap and freed memory stays there up to 64 MiB,
// instead of going back to the system at once. The PDF writer takes a compression buffer
// of several megabytes for every page and frees it at the end of the page; with the
// allocator's defaults that memory comes back as fresh zeroed pages each time, which costs
// a tenth of the time of a text page in page faults. giveBack() still returns it all.
void keepLargeBlocksForReuse();

} // namespace freedmemory
