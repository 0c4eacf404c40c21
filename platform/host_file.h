#ifndef QENT_PLATFORM_HOST_FILE_H
#define QENT_PLATFORM_HOST_FILE_H

// Files opened for reading by the loaders: only regular files, so that a FIFO, a device or a
// folder put in a file's place is refused at once instead of blocking or never ending.

#include <cstdio>

// What a name turned out to be when it gave no file.
constexpr int HOST_FILE_UNOPENED = 0;  // the open itself failed; the error says why
constexpr int HOST_FILE_FOLDER = 1;
constexpr int HOST_FILE_FIFO = 2;
constexpr int HOST_FILE_DEVICE = 3;  // a character or block device
constexpr int HOST_FILE_SOCKET = 4;
constexpr int HOST_FILE_OTHER = 5;  // any other kind that is not a regular file

struct HostFileRefusal {
    int kind;   // HOST_FILE_UNOPENED or the kind of file found
    int error;  // the errno of a failed open, 0 for a file of the wrong kind
};

// Opens path with mode ("rb" or "r") when it names a regular file; never waits for a writer.
// Null when refused, with the reason in *refusal when it is not null.
FILE* HostFileOpenRead(const char* path, const char* mode, HostFileRefusal* refusal);

#endif
