#ifndef QENT_TESTS_COMMON_SUPPORT_H
#define QENT_TESTS_COMMON_SUPPORT_H

// Helpers every test file may use: a scratch folder of the test process's own, whole-file
// reads and writes, the bytes of a surface, and palette entries as text for messages.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/host.h"

// Path of name inside this process's scratch folder, made on first use, removed at exit.
std::string ScratchPath(const std::string& name);
// A new empty folder named prefix + a unique suffix in the system's temporary folder (the
// caller removes it); empty when none could be made.
std::string MakeTempFolder(const std::string& prefix);
// The folder named by QENT_ASSET_DIR, where a build that cannot run the asset generator
// (a cross build run under Wine) finds the nine files made beforehand; empty when unset.
std::string PreparedAssetFolder();
// Writes the whole file; false when it cannot be written.
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
bool WriteText(const std::string& path, const std::string& text);
// The whole file; empty when it cannot be read.
std::vector<uint8_t> ReadFile(const std::string& path);
std::string ReadText(const std::string& path);

// FIFOs, devices, symbolic links and fork, which the special-file tests make and use: not in
// Windows programs nor in the browser build's file system.
#if defined(_WIN32) || defined(__EMSCRIPTEN__)
#define QENT_HAVE_POSIX_FILES 0
#else
#define QENT_HAVE_POSIX_FILES 1
#endif

#if QENT_HAVE_POSIX_FILES
// Runs body in a child process and gives back the text it returns. A body still running after
// seconds is killed and finished stays false, so a call that hangs fails its test instead of
// stopping the whole run. The body must not use the test macros: its failures would be lost.
struct ChildResult {
    bool finished;       // the body returned in time
    std::string output;  // what it returned
};
ChildResult RunInChild(double seconds, const std::function<std::string()>& body);
#endif

// Every row of a surface, width bytes each, read through a lock; empty when it will not lock.
std::vector<uint8_t> SurfaceBytes(HostSurface* surface);

// "red,green,blue", then " flags N" unless flags is false: compares entries with both named.
std::string ShowEntry(const PaletteEntry& e, bool flags = true);

#endif
