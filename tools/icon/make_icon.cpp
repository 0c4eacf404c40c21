// Makes the Windows program's icon from our own art: the first cell of a sprite sheet (the
// cross-hair of Scanning.BMP), index 0 transparent, as a .ico of 64, 48, 32 and 16 pixels.
//   make_icon SHEET.BMP CELL OUT.ico
// CELL is the cell's width and height; the cell starts at (1, 1), inside the sheet's border.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "lib/bitmap.h"

namespace {

constexpr int ICON_SIZES[] = {64, 48, 32, 16};
constexpr int SAMPLES = 8;  // per output pixel each way

struct Rgba {
    uint8_t blue, green, red, alpha;  // the order a 32-bit icon image stores
};

void PutU16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

// The cell scaled to size x size: each pixel the average of SAMPLES x SAMPLES points, the
// colours weighted by how many points hit the art, so edges fade instead of going dark.
std::vector<Rgba> Scale(const BitmapFile& sheet, int cell, int size) {
    std::vector<Rgba> out(static_cast<size_t>(size) * size);
    const int width = sheet.info_header.biWidth;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double red = 0, green = 0, blue = 0;
            int hits = 0;
            for (int sy = 0; sy < SAMPLES; ++sy) {
                for (int sx = 0; sx < SAMPLES; ++sx) {
                    const int cx = ((x * SAMPLES + sx) * cell) / (size * SAMPLES);
                    const int cy = ((y * SAMPLES + sy) * cell) / (size * SAMPLES);
                    const uint8_t index =
                        sheet.pixels[static_cast<size_t>(1 + cy) * width + 1 + cx];
                    if (index == 0) {
                        continue;
                    }
                    red += sheet.palette[index].red;
                    green += sheet.palette[index].green;
                    blue += sheet.palette[index].blue;
                    ++hits;
                }
            }
            Rgba& pixel = out[static_cast<size_t>(y) * size + x];
            if (hits > 0) {
                pixel.red = static_cast<uint8_t>(std::lround(red / hits));
                pixel.green = static_cast<uint8_t>(std::lround(green / hits));
                pixel.blue = static_cast<uint8_t>(std::lround(blue / hits));
                pixel.alpha = static_cast<uint8_t>(hits * 255 / (SAMPLES * SAMPLES));
            }
        }
    }
    return out;
}

// One icon image: a BITMAPINFOHEADER of twice the height, the colours bottom-up, then the
// 1-bit mask (set where transparent) that old readers use, rows padded to 4 bytes.
std::vector<uint8_t> IconImage(const std::vector<Rgba>& pixels, int size) {
    const uint32_t mask_row = ((static_cast<uint32_t>(size) + 31) / 32) * 4;
    std::vector<uint8_t> out;
    PutU32(out, 40);
    PutU32(out, static_cast<uint32_t>(size));
    PutU32(out, static_cast<uint32_t>(size) * 2);
    PutU16(out, 1);
    PutU16(out, 32);
    PutU32(out, 0);  // BI_RGB
    PutU32(out, static_cast<uint32_t>(size * size * 4) + mask_row * size);
    for (int i = 0; i < 4; ++i) {
        PutU32(out, 0);
    }
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            const Rgba& p = pixels[static_cast<size_t>(y) * size + x];
            out.insert(out.end(), {p.blue, p.green, p.red, p.alpha});
        }
    }
    for (int y = size - 1; y >= 0; --y) {
        std::vector<uint8_t> row(mask_row, 0);
        for (int x = 0; x < size; ++x) {
            if (pixels[static_cast<size_t>(y) * size + x].alpha == 0) {
                row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_icon SHEET.BMP CELL OUT.ico\n");
        return 2;
    }
    const int cell = std::atoi(argv[2]);
    BitmapFile sheet{};
    if (!BitmapFileLoad(&sheet, argv[1]) || sheet.pixels == nullptr ||
        sheet.info_header.biBitCount != 8 || cell <= 0 || sheet.info_header.biWidth < cell + 2 ||
        sheet.info_header.biHeight < cell + 2) {
        std::fprintf(stderr, "make_icon: %s is not an 8-bit sheet with a %s-pixel cell\n", argv[1],
                     argv[2]);
        BitmapFileUnload(&sheet);
        return 1;
    }
    constexpr int count = sizeof ICON_SIZES / sizeof ICON_SIZES[0];
    std::vector<std::vector<uint8_t>> images;
    for (int size : ICON_SIZES) {
        images.push_back(IconImage(Scale(sheet, cell, size), size));
    }
    BitmapFileUnload(&sheet);

    // The directory: a 6-byte header, 16 bytes per image, then the images.
    std::vector<uint8_t> file;
    PutU16(file, 0);
    PutU16(file, 1);  // an icon, not a cursor
    PutU16(file, count);
    uint32_t offset = 6 + 16 * count;
    for (int i = 0; i < count; ++i) {
        file.push_back(static_cast<uint8_t>(ICON_SIZES[i]));
        file.push_back(static_cast<uint8_t>(ICON_SIZES[i]));
        file.push_back(0);  // no colour table
        file.push_back(0);
        PutU16(file, 1);
        PutU16(file, 32);
        PutU32(file, static_cast<uint32_t>(images[i].size()));
        PutU32(file, offset);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const auto& image : images) {
        file.insert(file.end(), image.begin(), image.end());
    }
    FILE* out = std::fopen(argv[3], "wb");
    const bool written =
        out != nullptr && std::fwrite(file.data(), 1, file.size(), out) == file.size();
    if (out != nullptr && std::fclose(out) != 0) {
        return 1;
    }
    if (!written) {
        std::fprintf(stderr, "make_icon: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
