// A small PNG writer (RGB, 8 bits per channel, zlib from the system) so that frames and
// pictures can be saved for people to look at.

#include <zlib.h>

#include <cstdio>
#include <vector>

#include "platform/headless.h"

namespace {

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value >> 24));
    out.push_back(static_cast<uint8_t>(value >> 16));
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    PutU32(out, static_cast<uint32_t>(data.size()));
    const size_t type_at = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0L, out.data() + type_at, static_cast<uInt>(4 + data.size()));
    PutU32(out, static_cast<uint32_t>(crc));
}

}  // namespace

int HostWritePng(const char* path, const uint8_t* pixels, int32_t width, int32_t height,
                 int32_t pitch, const PaletteEntry* palette) {
    if (path == nullptr || pixels == nullptr || palette == nullptr || width < 1 || height < 1 ||
        width > 16384 || height > 16384 || pitch < width) {
        return 0;
    }
    // Each row: filter byte 0, then RGB.
    const size_t row_bytes = 1 + static_cast<size_t>(width) * 3;
    std::vector<uint8_t> raw(row_bytes * static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = raw.data() + row_bytes * static_cast<size_t>(y);
        const uint8_t* src = pixels + static_cast<ptrdiff_t>(y) * pitch;
        row[0] = 0;
        for (int32_t x = 0; x < width; ++x) {
            const PaletteEntry& color = palette[src[x]];
            row[1 + 3 * x] = color.red;
            row[2 + 3 * x] = color.green;
            row[3 + 3 * x] = color.blue;
        }
    }
    uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packed_size);
    if (compress2(packed.data(), &packed_size, raw.data(), static_cast<uLong>(raw.size()), 9) !=
        Z_OK) {
        return 0;
    }
    packed.resize(packed_size);

    std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutU32(header, static_cast<uint32_t>(width));
    PutU32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
    PutChunk(file, "IHDR", header);
    PutChunk(file, "IDAT", packed);
    PutChunk(file, "IEND", {});

    FILE* out = std::fopen(path, "wb");
    if (out == nullptr) {
        return 0;
    }
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return (std::fclose(out) == 0 && written) ? 1 : 0;
}
