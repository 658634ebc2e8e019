// Whole reads and writes on a local file descriptor, shared by the file transfers.
// Any thread.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace mirrodex {

// Writes every byte, repeating partial writes; false with errno set (ENOSPC for a write that
// moved nothing).
bool WriteAll(int fd, const uint8_t* data, size_t size);
// Opens a file for reading and fills `st`; -1 with errno set on failure.
int OpenForReading(const char* path, struct stat& st);
// Reads up to `size` bytes, fewer only at the end of the file; -1 on a read error.
ssize_t ReadPiece(int fd, uint8_t* out, size_t size);

}  // namespace mirrodex
