#pragma once

// Whether another process holds a write lock on the open file `fd`: an fcntl record lock,
// an open-file-description lock or an exclusive flock. The probe takes no lock itself, so
// it never makes a writer wait or fail. Platforms without a probe answer false.
bool printFileWriteLocked(int fd);
