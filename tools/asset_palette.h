#ifndef QENT_TOOLS_ASSET_PALETTE_H
#define QENT_TOOLS_ASSET_PALETTE_H

// The one 256-colour palette every picture of the asset pack shares, laid out as named ramps,
// and the mapping of true-colour canvases onto it (ordered dithering, index 0 kept for
// transparency in sprites).

#include <cstdint>
#include <vector>

#include "tools/paint.h"

constexpr int ASSET_PALETTE_SIZE = 256;

// Fixed entries: the transparent/clear black and the exact colours the game's texts ask for.
constexpr int PAL_BLACK = 0;
constexpr int PAL_WHITE = 1;
constexpr int PAL_YELLOW = 2;  // (255, 255, 0)
constexpr int PAL_RED = 3;     // (255, 0, 0)
constexpr int PAL_CYAN = 4;    // (50, 255, 255)

struct PaletteRamp {
    const char* name;  // what the ramp paints
    int first;         // first palette index
    int count;         // entries, dark to light
};

struct AssetPalette {
    uint8_t rgb[ASSET_PALETTE_SIZE][3];  // red, green, blue
    std::vector<PaletteRamp> ramps;      // in index order, covering 0..255
};

const AssetPalette& AssetPaletteGet();
int AssetPaletteRampIndex(const char* name, int step);  // index of a ramp's step, clamped
Rgb AssetPaletteColour(int index);

// Nearest entry by weighted least squares; first_allowed 1 keeps sprites off index 0.
int AssetPaletteNearest(Rgb colour, int first_allowed);

// Maps a canvas to indices. Pixels with coverage below 0.5 become 0 when sprite is set;
// dither is the amplitude of the ordered dither in colour units (0 for none).
std::vector<uint8_t> AssetPaletteQuantise(const Canvas& canvas, float dither, bool sprite);

#endif
