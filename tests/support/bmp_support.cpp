// .BMP files made byte by byte for the loader's tests.

#include "tests/support/bmp_support.h"

namespace {

void PutU16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void PutU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++) {
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

}  // namespace

PaletteEntry BmpTestColor(int i) {
    return PaletteEntry{static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                        static_cast<uint8_t>(i * 7 + 3), 0};
}

int BmpRowBytes(const BmpLayout& layout) {
    return static_cast<int>((int64_t{layout.width} * layout.bit_count + 7) / 8);
}

void BmpFillPattern(BmpLayout* layout) {
    const int row_bytes = BmpRowBytes(*layout);
    layout->rows.resize(static_cast<size_t>(row_bytes) * static_cast<size_t>(layout->height));
    for (int y = 0; y < layout->height; y++) {
        for (int i = 0; i < row_bytes; i++) {
            layout->rows[static_cast<size_t>(y) * row_bytes + i] =
                static_cast<uint8_t>(1 + (y * 31 + i * 7) % 250);
        }
    }
}

std::vector<uint8_t> BmpBuild(const BmpLayout& layout) {
    const size_t row_bytes = static_cast<size_t>(BmpRowBytes(layout));
    const size_t stride = layout.pad_rows ? (row_bytes + 3) / 4 * 4 : row_bytes;
    const size_t height = static_cast<size_t>(layout.height < 0 ? -layout.height : layout.height);
    const size_t table = static_cast<size_t>(layout.palette_entries) * 4;
    const size_t pixel_offset = 14 + layout.header_size + table + static_cast<size_t>(layout.gap);
    const size_t data = stride * height;
    std::vector<uint8_t> b(pixel_offset + data, 0);

    b[0] = 'B';
    b[1] = 'M';
    PutU32(b, 2, static_cast<uint32_t>(b.size()));
    PutU32(b, 10, static_cast<uint32_t>(pixel_offset));

    PutU32(b, 14, layout.header_size);
    PutU32(b, 18, static_cast<uint32_t>(layout.width));
    PutU32(b, 22, static_cast<uint32_t>(layout.top_down ? -layout.height : layout.height));
    PutU16(b, 26, 1);
    PutU16(b, 28, static_cast<uint32_t>(layout.bit_count));
    PutU32(b, 30, layout.compression);
    uint32_t size_image = static_cast<uint32_t>(data);
    if (layout.size_image_zero) {
        size_image = 0;
    } else if (layout.size_image != -1) {
        size_image = static_cast<uint32_t>(layout.size_image);
    }
    PutU32(b, 34, size_image);
    PutU32(b, 38, 2835);
    PutU32(b, 42, 2835);
    PutU32(b, 46, static_cast<uint32_t>(layout.palette_entries));
    if (layout.header_size >= 108) {
        PutU32(b, 14 + 56, 0x73524742);  // colour space "sRGB"
    }

    const size_t table_at = 14 + layout.header_size;
    for (int i = 0; i < layout.palette_entries; i++) {
        const PaletteEntry c = static_cast<size_t>(i) < layout.palette.size()
                                   ? layout.palette[static_cast<size_t>(i)]
                                   : BmpTestColor(i);
        b[table_at + 4 * i] = c.blue;
        b[table_at + 4 * i + 1] = c.green;
        b[table_at + 4 * i + 2] = c.red;
        b[table_at + 4 * i + 3] = 0;
    }
    for (size_t i = 0; i < static_cast<size_t>(layout.gap); i++) {
        b[table_at + table + i] = 0xCD;
    }

    for (size_t y = 0; y < height; y++) {
        const size_t stored = layout.top_down ? y : height - 1 - y;
        uint8_t* out = b.data() + pixel_offset + stored * stride;
        for (size_t i = 0; i < stride; i++) {
            const size_t src = y * row_bytes + i;
            out[i] = i < row_bytes && src < layout.rows.size() ? layout.rows[src] : BMP_PAD_BYTE;
        }
    }
    return b;
}

void BmpPutU16(std::vector<uint8_t>* bytes, size_t offset, uint16_t value) {
    PutU16(*bytes, offset, value);
}

void BmpPutU32(std::vector<uint8_t>* bytes, size_t offset, uint32_t value) {
    PutU32(*bytes, offset, value);
}
