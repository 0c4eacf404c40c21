#ifndef QENT_TESTS_FILE_SUPPORT_H
#define QENT_TESTS_FILE_SUPPORT_H

// Files for tests: a scratch folder of the test process's own, whole-file reads and writes,
// and the bytes of a surface.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/host.h"

// Path of name inside this process's scratch folder, made on first use, removed at exit.
std::string ScratchPath(const std::string& name);
// Writes the whole file; false when it cannot be written.
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
bool WriteText(const std::string& path, const std::string& text);
// The whole file; empty when it cannot be read.
std::vector<uint8_t> ReadFile(const std::string& path);
std::string ReadText(const std::string& path);

// Every row of a surface, width bytes each, read through a lock; empty when it will not lock.
std::vector<uint8_t> SurfaceBytes(HostSurface* surface);

#endif
