// The error output file: one text stream, printf-style messages of at most 79 characters.
#include "lib/errorlog.h"

#include <cstdarg>

FILE* error_file = nullptr;

namespace {

constexpr int ERROR_LOG_BUFFER_SIZE = 80;  // one message and its terminating zero

}  // namespace

int ErrorLogOpen(const char* filename) {
    if (filename == nullptr) {
        return 0;
    }
    // Open the new file first: when that fails, the current one stays open and current.
    FILE* file = std::fopen(filename, "w");
    if (file == nullptr) {
        return 0;
    }
    if (error_file != nullptr) {
        ErrorLogClose();
    }
    error_file = file;
    ErrorLogWrite("\nOpening Error Output File (%s):\n", filename);
    return 1;
}

int ErrorLogClose() {
    if (error_file == nullptr) {
        return 0;
    }
    ErrorLogWrite("\nClosing Error Output File.");
    std::fclose(error_file);
    error_file = nullptr;
    return 1;
}

int ErrorLogWrite(const char* format, ...) {
    if (format == nullptr || error_file == nullptr) {
        return 0;
    }
    // vsnprintf cuts a longer message to the buffer and always terminates it.
    char buffer[ERROR_LOG_BUFFER_SIZE];
    va_list args;
    va_start(args, format);
    int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (length < 0) {
        buffer[0] = '\0';  // a conversion the C library could not format writes nothing
    }
    std::fputs(buffer, error_file);
    return 1;
}
