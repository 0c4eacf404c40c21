// BitmapFileLoad on any bytes: loads or refuses, never reads or writes outside a buffer.
#include <cstring>

#include "fuzz/fuzz_file.h"
#include "lib/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* path = FuzzWriteFile(data, size);
    if (path == nullptr) {
        return 0;
    }
    static BitmapFile bitmap;
    if (BitmapFileLoad(&bitmap, path)) {
        // Touch every pixel the record promises, so a short buffer shows.
        const BitmapInfoHeader& info = bitmap.info_header;
        const size_t bytes = static_cast<size_t>(info.biWidth) *
                             static_cast<size_t>(info.biHeight) * (info.biBitCount / 8u);
        unsigned sum = 0;
        for (size_t i = 0; i < bytes; ++i) {
            sum += bitmap.pixels[i];
        }
        if (info.biBitCount == 8) {
            BitmapImage image;
            std::memset(&image, 0, sizeof(image));
            if (ImageCreate(&image, 0, 0, 16, 16)) {
                ImageLoad(&image, &bitmap, 0, 0, LOAD_BY_CELL);
                ImageDestroy(&image);
            }
        }
        (void)sum;
    }
    BitmapFileUnload(&bitmap);
    return 0;
}
