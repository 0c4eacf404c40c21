#ifndef QENT_FUZZ_FUZZ_FILE_H
#define QENT_FUZZ_FUZZ_FILE_H

// Fuzz inputs reach the loaders as files, as real inputs do: each input is written to a
// temporary file of the process's own, and the loader opens that.

#include <cstddef>
#include <cstdint>

// Writes data to this process's scratch file and returns its path (null if it can't).
const char* FuzzWriteFile(const uint8_t* data, size_t size);

#endif
