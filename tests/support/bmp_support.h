#ifndef QENT_TESTS_BMP_SUPPORT_H
#define QENT_TESTS_BMP_SUPPORT_H

// .BMP files made byte by byte for the loader's tests, with a knob for every header field
// the loader looks at.

#include <cstdint>
#include <vector>

#include "platform/host.h"

constexpr uint8_t BMP_PAD_BYTE = 0xAB;  // fills row padding, so a skewed read shows

struct BmpLayout {
    int bit_count = 8;                  // bits per pixel written in the header
    int32_t width = 4;                  // pixels per row
    int32_t height = 2;                 // rows, written positive unless top_down
    bool top_down = false;              // negative height and the top row stored first
    uint32_t header_size = 40;          // information header: 40, 108 or 124 bytes
    uint32_t compression = 0;           // biCompression
    int palette_entries = 256;          // colour table entries written
    bool size_image_zero = false;       // biSizeImage written as 0
    int64_t size_image = -1;            // biSizeImage written as this when not -1
    int gap = 0;                        // extra bytes between the colour table and the pixels
    bool pad_rows = true;               // pad each stored row to a multiple of 4 bytes
    std::vector<PaletteEntry> palette;  // red, green, blue; BmpTestColor(i) where missing
    std::vector<uint8_t> rows;  // row bytes as the file holds them, top row first, no padding
};

// The colour written for table entry i when the layout gives none: distinct in each channel.
PaletteEntry BmpTestColor(int i);
// Bytes of one stored row before padding: width x bit_count / 8, rounded up.
int BmpRowBytes(const BmpLayout& layout);
// Fills rows with a pattern that differs in every byte of a row and from row to row.
void BmpFillPattern(BmpLayout* layout);
// The whole file. Offsets: file header 0, information header 14, colour table 14 +
// header_size, pixel data right after the table and the gap.
std::vector<uint8_t> BmpBuild(const BmpLayout& layout);

// Little-endian field writers for tests that patch a built file.
void BmpPutU16(std::vector<uint8_t>* bytes, size_t offset, uint16_t value);
void BmpPutU32(std::vector<uint8_t>* bytes, size_t offset, uint32_t value);

#endif
