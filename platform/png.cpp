// A small PNG writer (RGB, 8 bits per channel, zlib from the system) so that frames and
// pictures can be saved for people to look at. Where there is no zlib (the browser build)
// the pixels are stored in uncompressed deflate blocks: larger files, the same pictures.

#if defined(QENT_HAVE_ZLIB)
#include <zlib.h>
#endif

#include <algorithm>
#include <array>
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

#if defined(QENT_HAVE_ZLIB)
uint32_t Crc32(const uint8_t* bytes, size_t size) {
    return static_cast<uint32_t>(crc32(0L, bytes, static_cast<uInt>(size)));
}

bool Deflate(const std::vector<uint8_t>& raw, std::vector<uint8_t>* packed) {
    uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
    packed->resize(packed_size);
    if (compress2(packed->data(), &packed_size, raw.data(), static_cast<uLong>(raw.size()), 9) !=
        Z_OK) {
        return false;
    }
    packed->resize(packed_size);
    return true;
}
#else
uint32_t Crc32(const uint8_t* bytes, size_t size) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; n++) {
            uint32_t c = n;
            for (int k = 0; k < 8; k++) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[n] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; i++) {
        crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}

// A zlib stream of stored blocks, each at most 65535 bytes, and the Adler-32 of the data.
bool Deflate(const std::vector<uint8_t>& raw, std::vector<uint8_t>* packed) {
    constexpr size_t BLOCK = 65535;
    packed->assign({0x78, 0x01});
    size_t at = 0;
    do {
        const size_t length = std::min(BLOCK, raw.size() - at);
        packed->push_back(at + length == raw.size() ? 1 : 0);  // last block, stored
        packed->push_back(static_cast<uint8_t>(length));
        packed->push_back(static_cast<uint8_t>(length >> 8));
        packed->push_back(static_cast<uint8_t>(~length));
        packed->push_back(static_cast<uint8_t>(~length >> 8));
        packed->insert(packed->end(), raw.begin() + static_cast<ptrdiff_t>(at),
                       raw.begin() + static_cast<ptrdiff_t>(at + length));
        at += length;
    } while (at < raw.size());
    uint32_t a = 1;
    uint32_t b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutU32(*packed, (b << 16) | a);
    return true;
}
#endif

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    PutU32(out, static_cast<uint32_t>(data.size()));
    const size_t type_at = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutU32(out, Crc32(out.data() + type_at, 4 + data.size()));
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
    std::vector<uint8_t> packed;
    if (!Deflate(raw, &packed)) {
        return 0;
    }

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
