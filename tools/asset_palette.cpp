#include "tools/asset_palette.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

struct RampPlan {
    const char* name;
    int count;
    std::vector<GradientStop> stops;  // dark to light over t = 0..1
};

// The layout, in index order. Every ramp runs dark to light so that a picture can step along it.
const std::vector<RampPlan>& Plan() {
    static const std::vector<RampPlan> plan = {
        {"black", 1, {{0, {0, 0, 0}}}},
        {"white", 1, {{0, {255, 255, 255}}}},
        {"yellow", 1, {{0, {255, 255, 0}}}},
        {"red", 1, {{0, {255, 0, 0}}}},
        {"cyan", 1, {{0, {50, 255, 255}}}},
        // Warm greys: smoke, feathers, the sign board, moonlit edges.
        {"grey", 12, {{0, {22, 21, 20}}, {1, {238, 232, 216}}}},
        // The dusk sky, from the violet near the skyline up to the pale smog at the top.
        {"dusk sky",
         32,
         {{0.00f, {52, 30, 78}},
          {0.22f, {96, 56, 112}},
          {0.42f, {146, 90, 122}},
          {0.58f, {184, 124, 108}},
          {0.72f, {202, 168, 98}},
          {0.86f, {210, 212, 118}},
          {1.00f, {236, 240, 178}}}},
        // Silhouettes of the skyline, black-violet to hazy mauve.
        {"skyline", 12, {{0, {12, 8, 20}}, {0.5f, {44, 32, 62}}, {1, {112, 92, 128}}}},
        // Lit windows, lamps and the sun's core.
        {"lights",
         8,
         {{0.00f, {150, 28, 24}},
          {0.20f, {236, 56, 36}},
          {0.40f, {236, 140, 48}},
          {0.60f, {250, 196, 88}},
          {0.80f, {190, 255, 120}},
          {1.00f, {255, 246, 206}}}},
        // Toxic water and slime: deep green-black to glowing lime.
        {"toxic",
         32,
         {{0.00f, {4, 18, 12}},
          {0.20f, {10, 48, 28}},
          {0.45f, {24, 100, 42}},
          {0.65f, {54, 160, 48}},
          {0.85f, {128, 220, 64}},
          {1.00f, {212, 255, 150}}}},
        // Reeds and marsh plants.
        {"reed",
         16,
         {{0, {16, 22, 10}}, {0.4f, {54, 70, 26}}, {0.75f, {112, 124, 50}}, {1, {178, 170, 92}}}},
        // Mud and cattail heads.
        {"mud", 8, {{0, {26, 16, 10}}, {1, {120, 78, 40}}}},
        // Rust of the barrels.
        {"rust",
         12,
         {{0, {36, 14, 8}}, {0.45f, {118, 48, 20}}, {0.8f, {192, 96, 40}}, {1, {236, 160, 90}}}},
        // The night sky, with the moon's cool highlights at its top.
        {"night",
         20,
         {{0.00f, {2, 4, 14}},
          {0.25f, {10, 16, 40}},
          {0.50f, {28, 30, 76}},
          {0.75f, {70, 52, 118}},
          {0.90f, {140, 130, 180}},
          {1.00f, {214, 222, 236}}}},
        // The game-over world, black-red to ember.
        {"blood",
         24,
         {{0.00f, {12, 0, 2}},
          {0.25f, {48, 4, 8}},
          {0.50f, {108, 12, 14}},
          {0.72f, {176, 30, 20}},
          {0.88f, {238, 100, 50}},
          {1.00f, {255, 196, 140}}}},
        // The mallard: browns from the dark back to the pale belly.
        {"duck brown",
         12,
         {{0, {30, 20, 14}}, {0.3f, {84, 58, 42}}, {0.55f, {140, 108, 84}}, {1, {230, 222, 206}}}},
        {"chestnut", 4, {{0, {86, 40, 22}}, {1, {178, 106, 66}}}},
        {"duck green", 8, {{0, {6, 32, 22}}, {0.6f, {30, 128, 70}}, {1, {120, 224, 146}}}},
        {"beak", 4, {{0, {150, 104, 20}}, {0.5f, {230, 150, 30}}, {1, {250, 224, 64}}}},
        {"speculum", 4, {{0, {30, 20, 90}}, {1, {160, 150, 255}}}},
        // The scanning sight and the lock-on sight.
        {"sight green", 10, {{0, {0, 36, 10}}, {0.5f, {20, 170, 50}}, {1, {196, 255, 200}}}},
        {"sight red", 10, {{0, {48, 0, 0}}, {0.5f, {200, 24, 20}}, {1, {255, 200, 180}}}},
        // The title's gold lettering.
        {"gold",
         16,
         {{0.00f, {56, 18, 6}},
          {0.30f, {150, 56, 10}},
          {0.55f, {232, 124, 22}},
          {0.75f, {255, 194, 44}},
          {0.90f, {255, 236, 140}},
          {1.00f, {255, 255, 228}}}},
        // Cool blue-cyans: moonlight on the water, cyan glows.
        {"ice", 7, {{0, {12, 40, 60}}, {0.5f, {40, 150, 170}}, {1, {180, 230, 240}}}},
    };
    return plan;
}

AssetPalette Build() {
    AssetPalette pal;
    std::memset(pal.rgb, 0, sizeof pal.rgb);
    int index = 0;
    for (const auto& ramp : Plan()) {
        pal.ramps.push_back({ramp.name, index, ramp.count});
        for (int i = 0; i < ramp.count && index < ASSET_PALETTE_SIZE; ++i, ++index) {
            float t =
                ramp.count > 1 ? static_cast<float>(i) / static_cast<float>(ramp.count - 1) : 0.0f;
            Rgb c = GradientAt(ramp.stops, t);
            pal.rgb[index][0] = static_cast<uint8_t>(std::lround(std::clamp(c.r, 0.0f, 255.0f)));
            pal.rgb[index][1] = static_cast<uint8_t>(std::lround(std::clamp(c.g, 0.0f, 255.0f)));
            pal.rgb[index][2] = static_cast<uint8_t>(std::lround(std::clamp(c.b, 0.0f, 255.0f)));
        }
    }
    return pal;
}

struct NearestCache {
    std::vector<int16_t> lut[2];  // 6 bits per channel; -1 until asked
};

NearestCache& Cache() {
    static NearestCache cache;
    return cache;
}

int SearchNearest(float r, float g, float b, int first) {
    const AssetPalette& pal = AssetPaletteGet();
    int best = first;
    float best_d = 1e30f;
    for (int i = first; i < ASSET_PALETTE_SIZE; ++i) {
        float dr = r - pal.rgb[i][0];
        float dg = g - pal.rgb[i][1];
        float db = b - pal.rgb[i][2];
        float d = 2 * dr * dr + 4 * dg * dg + 3 * db * db;
        if (d < best_d) {
            best_d = d;
            best = i;
        }
    }
    return best;
}

const int BAYER8[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21},
};

}  // namespace

const AssetPalette& AssetPaletteGet() {
    static const AssetPalette palette = Build();
    return palette;
}

int AssetPaletteRampIndex(const char* name, int step) {
    for (const auto& ramp : AssetPaletteGet().ramps) {
        if (std::strcmp(ramp.name, name) == 0) {
            return ramp.first + std::clamp(step, 0, ramp.count - 1);
        }
    }
    return PAL_BLACK;
}

Rgb AssetPaletteColour(int index) {
    const AssetPalette& pal = AssetPaletteGet();
    index = std::clamp(index, 0, ASSET_PALETTE_SIZE - 1);
    return {static_cast<float>(pal.rgb[index][0]), static_cast<float>(pal.rgb[index][1]),
            static_cast<float>(pal.rgb[index][2])};
}

int AssetPaletteNearest(Rgb colour, int first_allowed) {
    int table = first_allowed > 0 ? 1 : 0;
    int r = std::clamp(static_cast<int>(colour.r), 0, 255) >> 2;
    int g = std::clamp(static_cast<int>(colour.g), 0, 255) >> 2;
    int b = std::clamp(static_cast<int>(colour.b), 0, 255) >> 2;
    auto& lut = Cache().lut[table];
    if (lut.empty()) {
        lut.assign(64 * 64 * 64, -1);
    }
    int16_t& slot = lut[static_cast<size_t>((r << 12) | (g << 6) | b)];
    if (slot < 0) {
        slot = static_cast<int16_t>(SearchNearest(static_cast<float>(r * 4) + 1.5f,
                                                  static_cast<float>(g * 4) + 1.5f,
                                                  static_cast<float>(b * 4) + 1.5f, table));
    }
    return slot;
}

std::vector<uint8_t> AssetPaletteQuantise(const Canvas& canvas, float dither, bool sprite) {
    std::vector<uint8_t> out(static_cast<size_t>(canvas.width) * canvas.height, 0);
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            const Pixel& p = canvas.pixels[static_cast<size_t>(y) * canvas.width + x];
            if (sprite && p.a < 0.5f) {
                continue;
            }
            Rgb c = CanvasColour(canvas, x, y);
            float offset = (static_cast<float>(BAYER8[y & 7][x & 7]) + 0.5f) / 64.0f - 0.5f;
            offset *= dither;
            c = {c.r + offset, c.g + offset, c.b + offset};
            out[static_cast<size_t>(y) * canvas.width + x] =
                static_cast<uint8_t>(AssetPaletteNearest(c, sprite ? 1 : 0));
        }
    }
    return out;
}
