// PaletteLoadFile on any text: loads what it can, never touches memory past the 256 entries.
#include "fuzz/fuzz_file.h"
#include "lib/palette.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* path = FuzzWriteFile(data, size);
    if (path == nullptr) {
        return 0;
    }
    PaletteEntry palette[256] = {};
    PaletteLoadFile(path, palette);
    return 0;
}
