// The game's icon, drawn from its sprites: the first duck frame under the first locked-on
// sight, on a 256-pixel square, then scaled down by averaging.
#include "game/icon.h"

#include <string>

#include "lib/bitmap.h"

namespace {

constexpr int ICON_BASE = GAME_ICON_LARGEST;
constexpr int DUCK_WIDTH = 128;  // the first cell of each sheet
constexpr int DUCK_HEIGHT = 64;
constexpr int SIGHT_SIZE = 64;

struct Rgba {
    uint8_t red, green, blue, alpha;
};

// Copies cell 0 of picture, scaled by a whole number, onto the canvas at (left, top); index
// 0 is transparent.
void Stamp(std::vector<Rgba>* canvas, const BitmapFile& picture, int width, int height, int scale,
           int left, int top) {
    for (int y = 0; y < height * scale; y++) {
        for (int x = 0; x < width * scale; x++) {
            const int sx = 1 + x / scale;  // past the grid's border line
            const int sy = 1 + y / scale;
            const uint8_t index = picture.pixels[sy * picture.info_header.biWidth + sx];
            const int cx = left + x;
            const int cy = top + y;
            if (index == 0 || cx < 0 || cy < 0 || cx >= ICON_BASE || cy >= ICON_BASE) {
                continue;
            }
            const PaletteEntry& colour = picture.palette[index];
            (*canvas)[cy * ICON_BASE + cx] = {colour.red, colour.green, colour.blue, 255};
        }
    }
}

bool Load(const std::string& path, BitmapFile* picture, int width, int height) {
    *picture = BitmapFile{};
    if (!BitmapFileLoad(picture, path.c_str())) {
        return false;
    }
    if (picture->info_header.biBitCount != 8 || picture->info_header.biWidth < width + 2 ||
        picture->info_header.biHeight < height + 2) {
        BitmapFileUnload(picture);
        return false;
    }
    return true;
}

}  // namespace

std::vector<uint8_t> GameIconMake(const char* dir, int size) {
    if (dir == nullptr || size < 1 || size > ICON_BASE) {
        return {};
    }
    BitmapFile duck{};
    BitmapFile sight{};
    const std::string folder = std::string(dir) + "/";
    if (!Load(folder + "Duck.bmp", &duck, DUCK_WIDTH, DUCK_HEIGHT)) {
        return {};
    }
    if (!Load(folder + "Lockedon.bmp", &sight, SIGHT_SIZE, SIGHT_SIZE)) {
        BitmapFileUnload(&duck);
        return {};
    }
    std::vector<Rgba> canvas(ICON_BASE * ICON_BASE, Rgba{0, 0, 0, 0});
    Stamp(&canvas, duck, DUCK_WIDTH - 1, DUCK_HEIGHT - 1, 2, 2, 64);
    Stamp(&canvas, sight, SIGHT_SIZE - 1, SIGHT_SIZE - 1, 3, 34, 34);  // round the duck's body
    BitmapFileUnload(&duck);
    BitmapFileUnload(&sight);

    // Each icon pixel averages the canvas pixels whose centres fall in it, weighted by their
    // opacity so that transparent ones add no colour.
    std::vector<uint8_t> icon(static_cast<size_t>(size) * size * 4);
    for (int y = 0; y < size; y++) {
        const int y0 = y * ICON_BASE / size;
        const int y1 = (y + 1) * ICON_BASE / size;
        for (int x = 0; x < size; x++) {
            const int x0 = x * ICON_BASE / size;
            const int x1 = (x + 1) * ICON_BASE / size;
            uint32_t red = 0, green = 0, blue = 0, alpha = 0, count = 0;
            for (int cy = y0; cy < y1; cy++) {
                for (int cx = x0; cx < x1; cx++) {
                    const Rgba& c = canvas[cy * ICON_BASE + cx];
                    red += c.red * c.alpha;
                    green += c.green * c.alpha;
                    blue += c.blue * c.alpha;
                    alpha += c.alpha;
                    count++;
                }
            }
            uint8_t* out = &icon[(static_cast<size_t>(y) * size + x) * 4];
            if (alpha > 0) {
                out[0] = static_cast<uint8_t>(red / alpha);
                out[1] = static_cast<uint8_t>(green / alpha);
                out[2] = static_cast<uint8_t>(blue / alpha);
            }
            out[3] = static_cast<uint8_t>(alpha / count);
        }
    }
    return icon;
}
