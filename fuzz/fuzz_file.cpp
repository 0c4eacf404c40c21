#include "fuzz/fuzz_file.h"

#include <unistd.h>

#include <cstdio>
#include <string>

const char* FuzzWriteFile(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/qent-fuzz-" + std::to_string(getpid()) + ".bin";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return nullptr;
    }
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    std::fclose(file);
    return written ? path.c_str() : nullptr;
}
