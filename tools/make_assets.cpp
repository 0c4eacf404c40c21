// make_assets: draws and synthesises the game's nine asset files from code.
//
//   make_assets DIR                       writes the nine files into DIR (made if missing)
//   make_assets --contact-sheet PNG [DIR] also writes a contact sheet of the seven pictures
//   make_assets --icons ICONDIR DIR       also writes the game's icon from the pictures in DIR
//                                         as ICONDIR/<N>x<N>/apps/qent.png (the hicolor layout)
//
// The output depends on nothing but this program: the same build writes the same bytes.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "game/icon.h"
#include "platform/headless.h"
#include "tools/asset_files.h"
#include "tools/asset_palette.h"
#include "tools/lettering.h"
#include "tools/scenes.h"
#include "tools/sounds.h"
#include "tools/sprites.h"

namespace {

struct NamedPicture {
    const char* file_name;
    const char* caption;
    IndexedPicture picture;
    bool sprite;  // index 0 is transparent
};

IndexedPicture FromSheet(const SpriteSheet& sheet) {
    return {sheet.width, sheet.height, sheet.pixels};
}

std::vector<NamedPicture> MakePictures() {
    std::vector<NamedPicture> pictures;
    pictures.push_back({"TOXICBG.BMP", "TOXICBG.BMP - play field", ScenePlayField(), false});
    pictures.push_back({"death.BMP", "death.BMP - game over", SceneGameOver(), false});
    pictures.push_back({"start.BMP", "start.BMP - title", SceneTitle(), false});
    pictures.push_back({"Scanning.BMP", "Scanning.BMP, 4", FromSheet(SheetScanning()), true});
    pictures.push_back({"Lockedon.bmp", "Lockedon.bmp, 7", FromSheet(SheetLockedOn()), true});
    pictures.push_back({"Duck.bmp", "Duck.bmp, 6 frames", FromSheet(SheetDuck()), true});
    pictures.push_back(
        {"deadduck.bmp", "deadduck.bmp, 3 frames", FromSheet(SheetDeadDuck()), true});
    return pictures;
}

int WriteAssets(const std::string& dir, const std::vector<NamedPicture>& pictures) {
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) {
        std::fprintf(stderr, "make_assets: cannot make %s: %s\n", dir.c_str(),
                     error.message().c_str());
        return 0;
    }
    struct Output {
        std::string name;
        std::vector<uint8_t> bytes;
    };
    std::vector<Output> outputs;
    for (const auto& p : pictures) {
        outputs.push_back({p.file_name, BmpEncode(p.picture)});
    }
    outputs.push_back({"Rifle.WAV", WaveEncode(AssetSoundRifle(), SOUND_RATE)});
    outputs.push_back({"Beep.wav", WaveEncode(AssetSoundBeep(), SOUND_RATE)});
    for (const auto& out : outputs) {
        std::string path = (std::filesystem::path(dir) / out.name).string();
        if (!FileWriteBytes(path, out.bytes)) {
            std::fprintf(stderr, "make_assets: cannot write %s\n", path.c_str());
            return 0;
        }
    }
    return 1;
}

// Lays pixel text onto an indexed picture, in the palette entry nearest to colour.
void StampText(IndexedPicture* sheet, const std::string& text, int x, int y, int scale,
               Rgb colour) {
    Canvas canvas = CanvasMake(PixelTextWidth(text, scale) + 1, 8 * scale + 1, {0, 0, 0}, 0.0f);
    DrawPixelText(&canvas, text, 0, 0, scale, colour, {0, 0, 0}, 0.0f);
    std::vector<uint8_t> ink = AssetPaletteQuantise(canvas, 0.0f, true);
    for (int row = 0; row < canvas.height; ++row) {
        for (int col = 0; col < canvas.width; ++col) {
            uint8_t v = ink[static_cast<size_t>(row) * canvas.width + col];
            int px = x + col;
            int py = y + row;
            if (v && px >= 0 && py >= 0 && px < sheet->width && py < sheet->height) {
                sheet->pixels[static_cast<size_t>(py) * sheet->width + px] = v;
            }
        }
    }
}

void Place(IndexedPicture* sheet, const NamedPicture& p, int x, int y, uint8_t backdrop) {
    for (int row = 0; row < p.picture.height; ++row) {
        for (int col = 0; col < p.picture.width; ++col) {
            uint8_t v = p.picture.pixels[static_cast<size_t>(row) * p.picture.width + col];
            if (p.sprite && v == 0) {
                v = backdrop;
            }
            sheet->pixels[static_cast<size_t>(y + row) * sheet->width + (x + col)] = v;
        }
    }
}

// All seven pictures at their own size: the three screens in a row, the four sheets under them.
int WriteContactSheet(const std::string& path, const std::vector<NamedPicture>& pictures) {
    const int gap = 12;
    const int label = 22;
    IndexedPicture sheet;
    sheet.width = 3 * SCENE_WIDTH + 4 * gap;
    int sprites_y = 44 + label + SCENE_HEIGHT + gap + label;
    sheet.height = sprites_y + 66 + gap;
    uint8_t ground = static_cast<uint8_t>(AssetPaletteRampIndex("night", 2));
    uint8_t backdrop = static_cast<uint8_t>(AssetPaletteRampIndex("dusk sky", 16));
    sheet.pixels.assign(static_cast<size_t>(sheet.width) * sheet.height, ground);
    StampText(&sheet, "QENT - the asset pack (sprite sheets over the sky, with their frame counts)",
              gap, 12, 3, AssetPaletteColour(PAL_WHITE));
    int x = gap;
    for (int i = 0; i < 3; ++i) {
        StampText(&sheet, pictures[i].caption, x, 44, 2, AssetPaletteColour(PAL_YELLOW));
        Place(&sheet, pictures[i], x, 44 + label, backdrop);
        x += SCENE_WIDTH + gap;
    }
    const int order[4] = {5, 6, 3, 4};  // ducks first, then the two sights
    int used = 0;
    for (int i : order) {
        used += pictures[i].picture.width;
    }
    int spread = (sheet.width - used) / 5;
    x = spread;
    for (int i : order) {
        StampText(&sheet, pictures[i].caption, x, sprites_y - label, 2,
                  AssetPaletteColour(PAL_CYAN));
        Place(&sheet, pictures[i], x, sprites_y, backdrop);
        x += pictures[i].picture.width + spread;
    }
    PaletteEntry palette[ASSET_PALETTE_SIZE];
    const AssetPalette& pal = AssetPaletteGet();
    for (int i = 0; i < ASSET_PALETTE_SIZE; ++i) {
        palette[i] = {pal.rgb[i][0], pal.rgb[i][1], pal.rgb[i][2], 0};
    }
    if (!HostWritePng(path.c_str(), sheet.pixels.data(), sheet.width, sheet.height, sheet.width,
                      palette)) {
        std::fprintf(stderr, "make_assets: cannot write %s\n", path.c_str());
        return 0;
    }
    return 1;
}

// The icon at the sizes desktops ask for, from the sprites just written.
int WriteIcons(const std::string& icon_dir, const std::string& asset_dir) {
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const std::vector<uint8_t> icon = GameIconMake(asset_dir.c_str(), size);
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        const std::filesystem::path folder = std::filesystem::path(icon_dir) / name / "apps";
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        const std::string path = (folder / "qent.png").string();
        if (icon.empty() || error || !HostWritePngRgba(path.c_str(), icon.data(), size, size)) {
            std::fprintf(stderr, "make_assets: cannot write the icon %s\n", path.c_str());
            return 0;
        }
    }
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string dir;
    std::string sheet_path;
    std::string icon_dir;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--contact-sheet") == 0 && i + 1 < argc) {
            sheet_path = argv[++i];
        } else if (std::strcmp(argv[i], "--icons") == 0 && i + 1 < argc) {
            icon_dir = argv[++i];
        } else if (argv[i][0] != '-' && dir.empty()) {
            dir = argv[i];
        } else {
            dir.clear();
            sheet_path.clear();
            icon_dir.clear();
            break;
        }
    }
    if ((dir.empty() && sheet_path.empty()) || (!icon_dir.empty() && dir.empty())) {
        std::fprintf(stderr, "usage: make_assets [--contact-sheet PNG] [--icons ICONDIR] [DIR]\n");
        return 2;
    }
    std::vector<NamedPicture> pictures = MakePictures();
    if (!dir.empty() && !WriteAssets(dir, pictures)) {
        return 1;
    }
    if (!sheet_path.empty() && !WriteContactSheet(sheet_path, pictures)) {
        return 1;
    }
    if (!icon_dir.empty() && !WriteIcons(icon_dir, dir)) {
        return 1;
    }
    return 0;
}
