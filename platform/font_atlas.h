#ifndef QENT_PLATFORM_FONT_ATLAS_H
#define QENT_PLATFORM_FONT_ATLAS_H

// The one text font, as a table of glyphs by byte (Latin-1): what the host draws text with.
// Only platform/ sees this header.

#include <cstddef>
#include <cstdint>

constexpr int FONT_LINE_HEIGHT = 16;  // the rows of every rendered string
constexpr int FONT_ASCENT = 13;       // rows above the baseline

struct FontGlyph {
    int8_t advance;     // pixels from this byte's pen position to the next one's
    int8_t box_left;    // left edge of the glyph's box, from the pen (may be negative)
    uint8_t box_width;  // the box widens the string's; 0 for blanks
    int8_t ink_left;    // first column of the bitmap, from the pen
    int8_t ink_top;     // first row of the bitmap, from the top of the line
    uint8_t ink_width;  // bitmap columns
    uint8_t ink_rows;   // bitmap rows
    uint16_t bits;      // offset of the bitmap in font_bits: rows of (ink_width + 7) / 8
                        // bytes, the leftmost pixel in the top bit
};

extern const FontGlyph font_glyphs[256];  // byte 0 ends a string and draws nothing
extern const uint8_t font_bits[];
extern const size_t font_bits_size;

#endif
