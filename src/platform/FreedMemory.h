#pragma once

// Gives memory the program has freed back to the system. The allocator keeps freed
// memory for reuse; after a large job is gone that is hundreds of MiB the server would
// hold while it waits, idle, for the next print file.
namespace freedmemory {

void giveBack();

} // namespace freedmemory
