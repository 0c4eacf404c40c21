#ifndef QENT_LIB_ERRORLOG_H
#define QENT_LIB_ERRORLOG_H

// The error output file: the library's one diagnostic channel. Writes do nothing while
// no file is open, so routines may log unconditionally.

#include <cstdio>

extern FILE* error_file;  // null while no file is open

int ErrorLogOpen(const char* filename);  // 1 open and current; 0 when it cannot be created
int ErrorLogClose();                     // 1 when a file was closed; 0 when none was open
// printf-style; a message longer than 79 characters is cut to 79. 1 when written.
int ErrorLogWrite(const char* format, ...) __attribute__((format(printf, 1, 2)));

#endif
