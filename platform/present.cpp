// Palette to 32-bit conversion for presenting a frame.
#include "platform/present.h"

#include <cstring>

namespace {

constexpr uint32_t PRESENT_OPAQUE = 0xFF000000u;

}  // namespace

void HostConvertFrame(const uint8_t* src, int32_t src_pitch, int32_t width, int32_t height,
                      const PaletteEntry* palette, uint32_t* dst, int32_t dst_pitch) {
    if (src == nullptr || dst == nullptr || width <= 0 || height <= 0) {
        return;
    }
    // The table is built per frame: 256 entries cost nothing beside 307,200 pixels.
    uint32_t lut[256];
    for (int i = 0; i < 256; i++) {
        lut[i] = PRESENT_OPAQUE;
        if (palette != nullptr) {
            lut[i] |= (uint32_t{palette[i].red} << 16) | (uint32_t{palette[i].green} << 8) |
                      uint32_t{palette[i].blue};
        }
    }
    for (int32_t y = 0; y < height; y++) {
        const uint8_t* in = src + static_cast<ptrdiff_t>(y) * src_pitch;
        auto* out = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(dst) +
                                                static_cast<ptrdiff_t>(y) * dst_pitch);
        int32_t x = 0;
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        // Eight indexes per load: one memory read feeds eight independent lookups.
        for (; x + 8 <= width; x += 8) {
            uint64_t eight;
            std::memcpy(&eight, in + x, sizeof eight);
            out[x + 0] = lut[eight & 0xFF];
            out[x + 1] = lut[(eight >> 8) & 0xFF];
            out[x + 2] = lut[(eight >> 16) & 0xFF];
            out[x + 3] = lut[(eight >> 24) & 0xFF];
            out[x + 4] = lut[(eight >> 32) & 0xFF];
            out[x + 5] = lut[(eight >> 40) & 0xFF];
            out[x + 6] = lut[(eight >> 48) & 0xFF];
            out[x + 7] = lut[eight >> 56];
        }
#endif
        for (; x < width; x++) {
            out[x] = lut[in[x]];
        }
    }
}
