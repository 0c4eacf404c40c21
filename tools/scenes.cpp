#include "tools/scenes.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tools/asset_palette.h"
#include "tools/lettering.h"
#include "tools/paint.h"
#include "tools/sprites.h"

namespace {

const int W = SCENE_WIDTH;
const int H = SCENE_HEIGHT;
const float HORIZON = 332;  // where the far shore meets the water
const float PI = 3.14159265f;

// How one light paints the world.
struct Look {
    std::vector<GradientStop> sky;     // t = y / HORIZON
    std::vector<GradientStop> clouds;  // streak colour by the same t
    float cloud_strength;
    bool stars;
    bool sun;  // a disc with a halo, drawn before the skyline
    Vec2 sun_at;
    float sun_radius;
    Rgb sun_core;
    Rgb sun_halo;
    float sun_halo_radius;
    float sun_halo_strength;
    Rgb city_glow;  // light thrown up by the works, on the horizon
    float city_glow_strength;
    Rgb far;           // distant silhouettes
    Rgb near;          // near silhouettes
    Rgb rim;           // bands and lit sides of the near silhouettes
    float window_lit;  // share of windows lit
    float window_glow;
    Rgb smoke;  // chimney smoke: body, lit top, shaded underside
    Rgb smoke_lit;
    Rgb smoke_shade;
    float smoke_alpha;
    Rgb steam;  // cooling-tower steam, the same three
    Rgb steam_lit;
    Rgb steam_shade;
    float steam_alpha;
    std::vector<GradientStop> water;  // t = depth below the horizon, 0..1
    Rgb reflection_tint;              // multiplies the mirrored scene
    float reflection;                 // share of the mirrored scene near the horizon
    Rgb ripple_light;
    Rgb ripple_dark;
    Rgb scum;
    Rgb reed_dark;
    Rgb reed_light;
    Rgb cattail;
    Rgb mud_dark;
    Rgb mud_light;
    float barrel_light;  // scales the barrels' rust
    Rgb goo;
    bool smog_bank;  // a dark bank of smog over the works, behind the level-complete lines
    Rgb smog_dark;   // its body, two shades
    Rgb smog_light;
    Rgb smog_rim;  // its top edge, catching the last light
};

Look DuskLook() {
    Look look;
    look.sky = {{0.00f, {228, 234, 160}}, {0.14f, {212, 220, 122}}, {0.30f, {200, 176, 98}},
                {0.45f, {176, 122, 106}}, {0.56f, {122, 72, 114}},  {0.72f, {72, 40, 94}},
                {1.00f, {92, 56, 106}}};
    look.clouds = {{0.0f, {236, 236, 178}},
                   {0.3f, {214, 160, 110}},
                   {0.55f, {136, 82, 116}},
                   {1.0f, {60, 34, 80}}};
    look.cloud_strength = 0.55f;
    look.stars = false;
    look.sun = true;
    look.sun_at = {412, 92};
    look.sun_radius = 22;
    look.sun_core = {252, 248, 206};
    look.sun_halo = {246, 236, 160};
    look.sun_halo_radius = 120;
    look.sun_halo_strength = 0.5f;
    look.city_glow = {150, 96, 112};
    look.city_glow_strength = 0.25f;
    look.far = {104, 74, 118};
    look.near = {30, 20, 40};
    look.rim = {70, 50, 80};
    look.window_lit = 0.16f;
    look.window_glow = 0.0f;
    look.smoke = {84, 70, 84};
    look.smoke_lit = {130, 116, 106};
    look.smoke_shade = {52, 40, 62};
    look.smoke_alpha = 0.7f;
    look.steam = {206, 190, 166};
    look.steam_lit = {238, 234, 196};
    look.steam_shade = {140, 108, 128};
    look.steam_alpha = 0.92f;
    look.water = {
        {0.0f, {96, 150, 76}}, {0.2f, {60, 144, 52}}, {0.6f, {30, 106, 42}}, {1.0f, {14, 60, 30}}};
    look.reflection_tint = {0.72f, 1.0f, 0.62f};
    look.reflection = 0.5f;
    look.ripple_light = {190, 236, 120};
    look.ripple_dark = {10, 48, 26};
    look.scum = {150, 218, 70};
    look.reed_dark = {22, 30, 12};
    look.reed_light = {128, 134, 56};
    look.cattail = {92, 56, 30};
    look.mud_dark = {26, 18, 10};
    look.mud_light = {84, 60, 32};
    look.barrel_light = 1.0f;
    look.goo = {176, 255, 90};
    look.smog_bank = true;
    look.smog_dark = {8, 4, 12};
    look.smog_light = {28, 15, 32};
    look.smog_rim = {156, 100, 108};
    return look;
}

Look NightLook() {
    Look look = DuskLook();
    look.sky = {
        {0.00f, {3, 5, 18}}, {0.45f, {10, 16, 44}}, {0.80f, {28, 28, 74}}, {1.00f, {58, 44, 102}}};
    look.clouds = {{0.0f, {20, 24, 52}}, {0.6f, {34, 34, 76}}, {1.0f, {50, 40, 90}}};
    look.cloud_strength = 0.6f;
    look.stars = true;
    look.sun = false;
    look.city_glow = {86, 60, 120};
    look.city_glow_strength = 0.45f;
    look.far = {34, 28, 60};
    look.near = {8, 7, 16};
    look.rim = {30, 26, 54};
    look.window_lit = 0.42f;
    look.window_glow = 0.22f;
    look.smoke = {30, 28, 50};
    look.smoke_lit = {52, 50, 84};
    look.smoke_shade = {16, 14, 30};
    look.smoke_alpha = 0.7f;
    look.steam = {54, 52, 90};
    look.steam_lit = {92, 88, 130};
    look.steam_shade = {30, 28, 60};
    look.steam_alpha = 0.9f;
    look.water = {
        {0.0f, {30, 80, 62}}, {0.3f, {18, 70, 40}}, {0.7f, {10, 46, 28}}, {1.0f, {6, 28, 18}}};
    look.reflection_tint = {0.8f, 1.0f, 0.8f};
    look.reflection = 0.55f;
    look.ripple_light = {110, 214, 90};
    look.ripple_dark = {2, 16, 10};
    look.scum = {90, 200, 60};
    look.reed_dark = {4, 8, 6};
    look.reed_light = {34, 50, 34};
    look.cattail = {30, 20, 14};
    look.mud_dark = {6, 6, 6};
    look.mud_light = {26, 22, 18};
    look.barrel_light = 0.45f;
    look.goo = {150, 255, 80};
    look.smog_bank = false;
    return look;
}

// ---- The skyline, the same under every light

enum Kind { KIND_BLOCK, KIND_CHIMNEY, KIND_TOWER, KIND_TANK, KIND_HALL };

struct Structure {
    Kind kind;
    float x0;
    float x1;
    float height;
    bool windows;
};

const std::vector<Structure>& NearSkyline() {
    static const std::vector<Structure> skyline = {
        {KIND_BLOCK, -2, 24, 40, true},       {KIND_TOWER, 18, 106, 102, false},
        {KIND_TOWER, 98, 162, 80, false},     {KIND_BLOCK, 160, 224, 30, true},
        {KIND_BLOCK, 176, 200, 50, true},     {KIND_HALL, 222, 300, 46, false},
        {KIND_CHIMNEY, 293, 307, 176, false}, {KIND_CHIMNEY, 316, 328, 140, false},
        {KIND_BLOCK, 338, 432, 72, true},     {KIND_BLOCK, 352, 382, 94, true},
        {KIND_TANK, 436, 488, 44, false},     {KIND_CHIMNEY, 462, 478, 198, false},
        {KIND_BLOCK, 488, 562, 58, true},     {KIND_CHIMNEY, 535, 545, 122, false},
        {KIND_BLOCK, 558, 642, 40, true},     {KIND_BLOCK, 598, 626, 66, true},
    };
    return skyline;
}

float TowerHalfWidth(float base_half, float t) {
    float throat = base_half * 0.6f;
    float a = (base_half - throat) / (0.72f * 0.72f);
    return throat + a * (t - 0.72f) * (t - 0.72f);
}

Shape StructureShape(const Structure& s, float base) {
    float top = base - s.height;
    switch (s.kind) {
        case KIND_CHIMNEY: {
            float cx = (s.x0 + s.x1) / 2;
            float half = (s.x1 - s.x0) / 2;
            return ShapePolygon({{s.x0, base},
                                 {cx - half * 0.7f, top + 3},
                                 {cx - half * 0.8f, top},
                                 {cx + half * 0.8f, top},
                                 {cx + half * 0.7f, top + 3},
                                 {s.x1, base}});
        }
        case KIND_TOWER: {
            float cx = (s.x0 + s.x1) / 2;
            float half = (s.x1 - s.x0) / 2;
            std::vector<Vec2> left;
            std::vector<Vec2> right;
            for (int i = 0; i <= 30; ++i) {
                float t = static_cast<float>(i) / 30.0f;
                float hw = TowerHalfWidth(half, t);
                float y = base - t * s.height;
                left.push_back({cx - hw, y});
                right.push_back({cx + hw, y});
            }
            std::reverse(right.begin(), right.end());
            left.insert(left.end(), right.begin(), right.end());
            return ShapePolygon(left);
        }
        case KIND_TANK: {
            float cx = (s.x0 + s.x1) / 2;
            float half = (s.x1 - s.x0) / 2;
            std::vector<Vec2> points = {{s.x0, base}};
            for (int i = 0; i <= 16; ++i) {
                float a = PI + PI * static_cast<float>(i) / 16.0f;
                points.push_back({cx + std::cos(a) * half, top + 10 + std::sin(a) * 10});
            }
            points.push_back({s.x1, base});
            return ShapePolygon(points);
        }
        case KIND_HALL: {
            std::vector<Vec2> points = {{s.x0, base}, {s.x0, top + 12}};
            const int teeth = 5;
            float tooth = (s.x1 - s.x0) / teeth;
            for (int i = 0; i < teeth; ++i) {
                float x = s.x0 + tooth * static_cast<float>(i);
                points.push_back({x + tooth, top});
                points.push_back({x + tooth, top + 12});
            }
            points.push_back({s.x1, base});
            return ShapePolygon(points);
        }
        case KIND_BLOCK:
        default:
            return ShapeRect(s.x0, top, s.x1, base);
    }
}

struct PlumeSource {
    Vec2 at;
    float size;
    bool steam;
};

void DrawSky(Canvas* canvas, const Look& look) {
    for (int y = 0; y < static_cast<int>(HORIZON) + 6; ++y) {
        Rgb c = GradientAt(look.sky, static_cast<float>(y) / HORIZON);
        for (int x = 0; x < W; ++x) {
            CanvasBlend(canvas, x, y, c, 1.0f);
        }
    }
    PaintGlow(canvas, 400, HORIZON + 10, 360, look.city_glow, look.city_glow_strength, 1.6f);
}

void DrawStars(Canvas* canvas) {
    Rng rng = {0x57A125ull};
    for (int i = 0; i < 300; ++i) {
        float x = RngRange(&rng, 0, W);
        float y = HORIZON * 0.86f * std::pow(RngFloat(&rng), 1.35f);
        float bright = std::pow(RngFloat(&rng), 2.2f);
        int tint = RngInt(&rng, 3);
        Rgb c =
            tint == 0 ? Rgb{210, 220, 255} : (tint == 1 ? Rgb{255, 240, 210} : Rgb{240, 240, 240});
        int px = static_cast<int>(x);
        int py = static_cast<int>(y);
        float fade = 1.0f - 0.6f * (y / HORIZON);
        CanvasBlend(canvas, px, py, c, (0.35f + 0.65f * bright) * fade);
        if (bright > 0.6f) {
            for (int k = -1; k <= 1; k += 2) {
                CanvasBlend(canvas, px + k, py, c, 0.45f * fade);
                CanvasBlend(canvas, px, py + k, c, 0.45f * fade);
            }
        }
    }
}

void DrawSun(Canvas* canvas, const Look& look) {
    PaintGlow(canvas, look.sun_at.x, look.sun_at.y, look.sun_halo_radius, look.sun_halo,
              look.sun_halo_strength, 2.0f);
    PaintGlow(canvas, look.sun_at.x, look.sun_at.y, look.sun_radius * 1.8f, look.sun_core, 0.6f,
              1.5f);
    FillShape(canvas,
              ShapeEllipse(look.sun_at.x, look.sun_at.y, look.sun_radius, look.sun_radius, 0),
              look.sun_core);
}

void DrawMoon(Canvas* canvas, float cx, float cy, float r) {
    PaintGlow(canvas, cx, cy, r * 3.2f, {110, 110, 170}, 0.4f, 2.0f);
    FillShaded(canvas, ShapeEllipse(cx, cy, r, r, 0), [&](float x, float y) {
        float maria = Fbm(x / 14.0f, y / 14.0f, 77, 3);
        float shade = 1.0f - 0.22f * Clamp01(((x - cx) * -0.5f + (y - cy) * 0.7f) / r + 0.3f);
        Rgb base = RgbMix({234, 236, 222}, {170, 172, 176}, SmoothStep(0.5f, 0.66f, maria));
        return RgbScale(base, shade);
    });
    Rng rng = {0x300Dull};
    for (int i = 0; i < 7; ++i) {
        float a = RngRange(&rng, 0, 2 * PI);
        float d = RngRange(&rng, 0, r * 0.75f);
        float cr = RngRange(&rng, 1.5f, 4.5f);
        float x = cx + std::cos(a) * d;
        float y = cy + std::sin(a) * d;
        FillShape(canvas, ShapeRing(x, y, cr, cr * 0.6f), {184, 186, 186});
        FillShape(canvas, ShapeEllipse(x + 0.5f, y + 0.5f, cr * 0.6f, cr * 0.6f, 0),
                  {204, 206, 200});
    }
}

void DrawClouds(Canvas* canvas, const Look& look) {
    for (int y = 0; y < static_cast<int>(HORIZON); ++y) {
        float t = static_cast<float>(y) / HORIZON;
        float keep_clear = SmoothStep(18, 60, static_cast<float>(y));
        Rgb c = GradientAt(look.clouds, t);
        for (int x = 0; x < W; ++x) {
            float n = Fbm(static_cast<float>(x) / 210.0f, static_cast<float>(y) / 15.0f, 11, 4);
            float streak = SmoothStep(0.54f, 0.76f, n) * look.cloud_strength * keep_clear;
            if (streak > 0) {
                CanvasBlend(canvas, x, y, c, streak);
            }
        }
    }
}

void DrawFarSkyline(Canvas* canvas, const Look& look) {
    Rng rng = {0xFA55ull};
    std::vector<Shape> shapes;
    float x = -6;
    while (x < W) {
        float w = RngRange(&rng, 14, 42);
        float h = RngRange(&rng, 8, 36);
        shapes.push_back(ShapeRect(x, HORIZON - h, x + w, HORIZON + 2));
        x += w * RngRange(&rng, 0.7f, 1.1f);
    }
    const float chimneys[4][3] = {{40, 4, 74}, {232, 3, 62}, {404, 3, 58}, {606, 4, 88}};
    for (const auto& c : chimneys) {
        shapes.push_back(ShapeRect(c[0], HORIZON - c[2], c[0] + c[1], HORIZON));
    }
    shapes.push_back(StructureShape({KIND_TOWER, 570, 616, 54, false}, HORIZON));
    Paint(canvas, Cover(shapes, W, H), look.far);
}

void DrawPuff(Canvas* canvas, float x, float y, float r, Rgb body, Rgb lit, Rgb shade,
              float alpha) {
    std::vector<GradientStop> stops = {{0.0f, lit}, {0.5f, body}, {1.0f, shade}};
    FillShaded(
        canvas, ShapeEllipse(x, y, r, r * 0.86f, 0),
        [&](float px, float py) {
            return GradientAt(stops, Clamp01((py - y) / r * 0.5f + 0.5f - (px - x) / r * 0.15f));
        },
        alpha);
}

// Steam billows up from a cooling tower; smoke trails off a chimney on the wind.
void DrawPlume(Canvas* canvas, const PlumeSource& source, const Look& look, Rng* rng) {
    struct Puff {
        float x;
        float y;
        float r;
        float alpha;
    };
    std::vector<Puff> puffs;
    float x = source.at.x;
    float y = source.at.y;
    const int count = source.steam ? 9 : 12;
    for (int k = 0; k < count; ++k) {
        float f = static_cast<float>(k) / static_cast<float>(count);
        if (source.steam) {
            float r = source.size * (1.0f + 0.13f * static_cast<float>(k)) + RngRange(rng, -1, 1);
            puffs.push_back({x, y, r, look.steam_alpha * (1.0f - 0.75f * f)});
            x -= 2.5f + 2.4f * static_cast<float>(k) + RngRange(rng, -1.5f, 1.5f);
            y -= r * 0.55f;
        } else {
            float r =
                source.size * (0.8f + 0.22f * static_cast<float>(k)) + RngRange(rng, -0.5f, 0.5f);
            puffs.push_back({x, y, r, look.smoke_alpha * (1.0f - 0.85f * f)});
            x -= 3.0f + 0.7f * static_cast<float>(k) + RngRange(rng, -1, 1);
            y -= 2.8f - 0.12f * static_cast<float>(k) + RngRange(rng, -0.6f, 0.6f);
        }
    }
    // The oldest puffs lie behind the ones just out of the stack.
    for (auto it = puffs.rbegin(); it != puffs.rend(); ++it) {
        if (source.steam) {
            // Each billow is a knot of rounded lobes.
            for (int lobe = 0; lobe < 3; ++lobe) {
                float side = lobe == 0 ? -1.0f : (lobe == 1 ? 1.0f : 0.0f);
                float lx = it->x + side * it->r * RngRange(rng, 0.45f, 0.7f);
                float ly = it->y + (lobe == 2 ? -it->r * 0.45f : it->r * RngRange(rng, 0.0f, 0.3f));
                float lr = it->r * (lobe == 2 ? 0.75f : RngRange(rng, 0.6f, 0.8f));
                DrawPuff(canvas, lx, ly, lr, look.steam, look.steam_lit, look.steam_shade,
                         it->alpha);
            }
            DrawPuff(canvas, it->x, it->y, it->r * 0.9f, look.steam, look.steam_lit,
                     look.steam_shade, it->alpha);
        } else {
            DrawPuff(canvas, it->x, it->y, it->r, look.smoke, look.smoke_lit, look.smoke_shade,
                     it->alpha);
        }
    }
}

void DrawNearSkyline(Canvas* canvas, const Look& look, std::vector<PlumeSource>* plumes) {
    Rng rng = {0x5C1E1Eull};
    const float base = HORIZON + 3;
    std::vector<Shape> shapes;
    for (const auto& s : NearSkyline()) {
        shapes.push_back(StructureShape(s, base));
    }
    // Pipes and a gantry between the blocks.
    shapes.push_back(ShapeRect(150, base - 40, 226, base - 37));
    shapes.push_back(ShapeRect(430, base - 24, 600, base - 21));
    for (float x = 440; x < 600; x += 22) {
        shapes.push_back(ShapeLine({x, base - 21}, {x + 11, base}, 1.6f));
        shapes.push_back(ShapeLine({x + 11, base - 21}, {x, base}, 1.6f));
    }
    shapes.push_back(ShapeRect(366, base - 116, 368, base - 94));  // a mast
    Paint(canvas, Cover(shapes, W, H), look.near);

    for (const auto& s : NearSkyline()) {
        float top = base - s.height;
        float cx = (s.x0 + s.x1) / 2;
        float half = (s.x1 - s.x0) / 2;
        if (s.kind == KIND_TOWER) {
            // The lit flank and the rim of the shell.
            Coverage cov = CoverOne(StructureShape(s, base), W, H);
            float height = s.height;
            Rgb near = look.near;
            Rgb rim = look.rim;
            PaintShaded(canvas, cov, [&](float x, float y) {
                float t = (base - y) / height;
                float u = (x - cx) / TowerHalfWidth(half, t);
                return RgbMix(near, rim, Clamp01(u) * 0.8f);
            });
            FillShape(canvas,
                      ShapeRect(cx - TowerHalfWidth(half, 1.0f), top,
                                cx + TowerHalfWidth(half, 1.0f), top + 2),
                      look.rim);
            plumes->push_back({{cx - 2, top - 4}, half * 0.3f, true});
        } else if (s.kind == KIND_CHIMNEY) {
            float w = s.x1 - s.x0;
            FillShape(canvas, ShapeRect(cx - w * 0.42f, top + 8, cx + w * 0.42f, top + 12),
                      look.rim);
            FillShape(canvas, ShapeRect(cx - w * 0.45f, top + 20, cx + w * 0.45f, top + 24),
                      look.rim);
            FillShape(canvas, ShapeEllipse(cx, top - 1, 1.6f, 1.6f, 0), {236, 50, 36});
            PaintGlow(canvas, cx, top - 1, 7, {236, 50, 36}, 0.5f, 2.0f);
            plumes->push_back({{cx - 2, top - 3}, w * 0.32f, false});
        } else if (s.kind == KIND_TANK) {
            for (float x = s.x0 + 6; x < s.x1 - 3; x += 8) {
                FillShape(canvas, ShapeRect(x, top + 8, x + 1, base), look.rim);
            }
        }
        if (s.windows) {
            for (float y = top + 5; y < base - 8; y += 8) {
                for (float x = s.x0 + 4; x < s.x1 - 5; x += 6) {
                    float roll = RngFloat(&rng);
                    float kind = RngFloat(&rng);
                    if (x < 0 || x > W - 3 || roll >= look.window_lit) {
                        continue;
                    }
                    Rgb c = kind < 0.22f ? Rgb{190, 255, 120} : Rgb{250, 200, 96};
                    FillShape(canvas, ShapeRect(x, y, x + 2, y + 3), c);
                    if (look.window_glow > 0) {
                        PaintGlow(canvas, x + 1, y + 1.5f, 6, c, look.window_glow, 2.0f);
                    }
                }
            }
        }
    }
    // The far bank under the works.
    std::vector<Vec2> bank = {{0, HORIZON - 1}};
    for (int i = 0; i <= 32; ++i) {
        float x = static_cast<float>(i) * 20.0f;
        bank.push_back({x, HORIZON + 2 + 2.0f * std::sin(x * 0.05f) + RngRange(&rng, -0.5f, 0.5f)});
    }
    bank.push_back({W, HORIZON - 1});
    FillShape(canvas, ShapePolygon(bank), look.near);
}

void DrawWater(Canvas* canvas, const Look& look) {
    const float depth = static_cast<float>(H) - HORIZON;
    for (int y = static_cast<int>(HORIZON); y < H; ++y) {
        float d = static_cast<float>(y) - HORIZON;
        float t = d / depth;
        Rgb base = GradientAt(look.water, t);
        float src_y = HORIZON - 2 - d * 1.15f;
        for (int x = 0; x < W; ++x) {
            float fx = static_cast<float>(x);
            float fy = static_cast<float>(y);
            float oil = Fbm(fx / 120.0f, fy / 8.0f, 23, 3);
            Rgb c = RgbScale(base, 0.82f + 0.36f * oil);
            float wobble = std::sin(fy * 0.8f + fx * 0.015f) * (1.0f + 3.0f * t) +
                           (Noise2(fx / 7.0f, fy / 1.5f, 5) - 0.5f) * 4.0f * t;
            if (src_y >= 0) {
                Rgb r = CanvasColour(*canvas, x + static_cast<int>(std::lround(wobble)),
                                     static_cast<int>(src_y));
                r = {r.r * look.reflection_tint.r, r.g * look.reflection_tint.g,
                     r.b * look.reflection_tint.b};
                c = RgbMix(c, r, look.reflection * (1.0f - 0.7f * t));
            }
            float scum = SmoothStep(0.66f, 0.76f, Fbm(fx / 46.0f, fy / 5.0f, 31, 4)) *
                         SmoothStep(0.05f, 0.3f, t);
            c = RgbMix(c, look.scum, scum * 0.55f);
            CanvasBlend(canvas, x, y, c, 1.0f);
        }
    }
    Rng rng = {0x219Bull};
    for (int i = 0; i < 560; ++i) {
        float t = std::pow(RngFloat(&rng), 0.75f);
        float y = HORIZON + 3 + t * (depth - 3);
        float x = RngRange(&rng, -20, W + 20);
        float len = 3 + (6 + 34 * t) * RngRange(&rng, 0.4f, 1.0f);
        float thick = 0.5f + 1.1f * t;
        bool light = RngFloat(&rng) < 0.55f;
        FillShape(canvas, ShapeEllipse(x, y, len / 2, thick / 2, 0),
                  light ? look.ripple_light : look.ripple_dark, 0.3f + 0.45f * t);
    }
}

void DrawMudBank(Canvas* canvas, const Look& look, const std::vector<Vec2>& outline,
                 uint32_t seed) {
    Rgb dark = look.mud_dark;
    Rgb light = look.mud_light;
    float top = 1e9f;
    for (const auto& p : outline) {
        top = std::min(top, p.y);
    }
    FillShaded(canvas, ShapePolygon(outline), [&](float x, float y) {
        float n = Fbm(x / 9.0f, y / 5.0f, seed, 3);
        return RgbMix(dark, light, Clamp01(n * 0.9f - (y - top) / 90.0f));
    });
}

void DrawBarrel(Canvas* canvas, const Look& look, float cx, float base, float w, float h,
                float tilt, float waterline, bool leaking) {
    Affine place = AffineThen(AffineRotate(tilt), AffineTranslate(cx, base));
    Affine inv = AffineInverse(place);
    float half = w / 2;
    float cap = w * 0.17f;
    std::vector<Vec2> body;
    for (int i = 0; i <= 16; ++i) {
        float a = static_cast<float>(i) / 16.0f * PI;
        body.push_back({half * std::cos(a), -cap * std::sin(a) * -1.0f});
    }
    for (int i = 0; i <= 16; ++i) {
        float a = PI + static_cast<float>(i) / 16.0f * PI;
        body.push_back({half * std::cos(a), -h - cap * std::sin(a) * -1.0f});
    }
    Shape shape = ShapeTransform(ShapePolygon(body), place);
    Coverage cov = CoverOne(shape, W, H);
    CoverageClipBelow(&cov, waterline);
    float light = look.barrel_light;
    PaintShaded(canvas, cov, [&](float x, float y) {
        Vec2 p = AffineApply(inv, {x, y});
        float u = p.x / half;
        float lit = 0.3f + 0.75f * std::max(0.0f, std::cos((u - 0.3f) * 1.4f));
        float rust = Fbm(p.x / 4.0f, p.y / 4.0f, 41, 3);
        Rgb c = RgbMix({110, 44, 18}, {200, 104, 44}, rust);
        float v = -p.y / h;
        if (v > 0.44f && v < 0.58f) {
            float stripe = (p.x + p.y) / 5.0f;
            bool black = stripe - std::floor(stripe) < 0.5f;
            c = black ? Rgb{30, 24, 20} : Rgb{214, 176, 40};
            c = RgbMix(c, {120, 52, 22}, SmoothStep(0.55f, 0.8f, rust));
        }
        if (std::fabs(v - 0.25f) < 0.035f || std::fabs(v - 0.78f) < 0.035f) {
            c = RgbScale(c, 0.55f);
        }
        if (std::fabs(v - 0.29f) < 0.015f || std::fabs(v - 0.82f) < 0.015f) {
            c = RgbScale(c, 1.3f);
        }
        return RgbScale(c, lit * light);
    });
    // The open top: a dark rim with slime inside.
    Shape top_face = ShapeTransform(ShapeEllipse(0, -h, half * 0.92f, cap * 0.8f, 0), place);
    Coverage top_cov = CoverOne(top_face, W, H);
    CoverageClipBelow(&top_cov, waterline);
    Paint(canvas, top_cov, RgbScale({60, 26, 12}, light));
    Shape slime =
        ShapeTransform(ShapeEllipse(0, -h + cap * 0.1f, half * 0.7f, cap * 0.5f, 0), place);
    Coverage slime_cov = CoverOne(slime, W, H);
    CoverageClipBelow(&slime_cov, waterline);
    Paint(canvas, slime_cov, look.goo);
    // Where it meets the water: a bright ring of ripples, and a slick if it leaks.
    Vec2 foot = AffineApply(place, {0, 0});
    float ring_y = std::min(waterline, foot.y);
    Shape ring =
        ShapeTransform(ShapeRing(0, 0, 1.0f, 0.82f),
                       AffineThen(AffineScale(w * 0.72f, 4.0f), AffineTranslate(foot.x, ring_y)));
    FillShape(canvas, ring, look.ripple_light, 0.75f);
    if (leaking) {
        PaintGlow(canvas, foot.x + 30, ring_y + 4, 48, look.goo, 0.35f, 1.5f);
        FillShaded(
            canvas, ShapeEllipse(foot.x + 28, ring_y + 4, 36, 5, 0.02f),
            [&](float x, float) {
                return RgbMix(look.goo, look.scum, Clamp01((x - foot.x) / 70.0f));
            },
            0.8f);
    }
}

void DrawReeds(Canvas* canvas, const Look& look, float x0, float x1, float base, float height,
               int count, uint64_t seed) {
    Rng rng = {seed};
    for (int i = 0; i < count; ++i) {
        float depth = static_cast<float>(i) / static_cast<float>(count);
        float bx = RngRange(&rng, x0, x1);
        float by = base + RngRange(&rng, -4, 10);
        float h = height * RngRange(&rng, 0.55f, 1.1f);
        float lean = RngRange(&rng, -0.35f, 0.35f) * h;
        float width = RngRange(&rng, 2.5f, 4.5f);
        Rgb c = RgbMix(look.reed_dark, look.reed_light,
                       0.25f + 0.75f * depth * RngRange(&rng, 0.6f, 1.0f));
        Vec2 p0 = {bx, by};
        Vec2 p1 = {bx + lean * 0.25f, by - h * 0.55f};
        Vec2 p2 = {bx + lean, by - h};
        FillShape(canvas, ShapeBlade(p0, p1, p2, width, 0.4f), c);
        if (RngFloat(&rng) < 0.3f) {
            float t = 0.72f;
            float u = 1 - t;
            Vec2 at = {u * u * p0.x + 2 * u * t * p1.x + t * t * p2.x,
                       u * u * p0.y + 2 * u * t * p1.y + t * t * p2.y};
            Vec2 d = {2 * u * (p1.x - p0.x) + 2 * t * (p2.x - p1.x),
                      2 * u * (p1.y - p0.y) + 2 * t * (p2.y - p1.y)};
            float angle = std::atan2(d.y, d.x);
            FillShape(canvas, ShapeEllipse(at.x, at.y, 9, 2.8f, angle),
                      RgbScale(look.cattail, 0.6f));
            FillShape(canvas, ShapeEllipse(at.x - 0.6f, at.y - 0.4f, 7.5f, 1.6f, angle),
                      look.cattail);
        }
    }
}

// Smog lying over the works, where the level-complete screen writes its lines: pure red
// letters read only on a near-black ground. A long cloud of dark billows, dense over rows 216
// to 300 and columns 160 to 515, its top scalloped and lit by the low sun, its ends rounded;
// the chimneys rise out of it.
void DrawSmogBank(Canvas* canvas, const Look& look) {
    Rng rng = {0x5A06ull};
    Layer cloud = LayerMake(W, H);
    auto puff = [&](float cx, float cy, float r) {
        LayerAddCoverage(&cloud, CoverOne(ShapeEllipse(cx, cy, r, r * 0.86f, 0), W, H));
    };
    // The body: big billows along the middle, their gaps closed by the next row's.
    for (float x = 165; x <= 510; x += 28) {
        puff(x + RngRange(&rng, -4, 4), 268 + RngRange(&rng, -3, 3), 62);
    }
    // The top edge, and the ends tapering off into the sky.
    for (float x = 150; x <= 528; x += 22) {
        puff(x + RngRange(&rng, -5, 5), 222 + RngRange(&rng, -3, 2), RngRange(&rng, 17, 23));
    }
    const float ends[][3] = {{128, 256, 40}, {102, 272, 28}, {80, 284, 16},
                             {548, 252, 40}, {576, 266, 28}, {598, 280, 16}};
    for (const auto& e : ends) {
        puff(e[0], e[1], e[2]);
    }
    LayerBlur(&cloud, 1, 1);
    // Shading by depth below the cloud's top in each column: a thin lit rim, then the body
    // darkening downwards, with lumps of lighter and darker smoke.
    for (int x = 0; x < W; ++x) {
        int top = -1;
        for (int y = 150; y < 340 && top < 0; ++y) {
            if (LayerAt(cloud, x, y) > 0.5f) {
                top = y;
            }
        }
        if (top < 0) {
            continue;
        }
        for (int y = 150; y < 345; ++y) {
            const float k = LayerAt(cloud, x, y);
            if (k <= 0) {
                continue;
            }
            const float fx = static_cast<float>(x);
            const float fy = static_cast<float>(y);
            const float depth = fy - static_cast<float>(top);
            const float lumps = Fbm(fx / 22.0f, fy / 11.0f, 73, 4);
            Rgb c = RgbMix(look.smog_light, look.smog_dark, SmoothStep(3, 26, depth));
            c = RgbMix(c, look.smog_dark, SmoothStep(0.45f, 0.7f, lumps) * 0.6f);
            c = RgbMix(look.smog_rim, c, SmoothStep(0, 4, depth));
            // Below the lines it thins into a haze settling on the works.
            const float settle = 1 - 0.7f * SmoothStep(304, 334, fy);
            CanvasBlend(canvas, x, y, c, 0.97f * k * settle);
        }
    }
}

// The whole marsh under one light. The sky's extra (moon, red sun) goes on before the skyline.
void DrawWorld(Canvas* canvas, const Look& look, bool moon) {
    DrawSky(canvas, look);
    if (look.stars) {
        DrawStars(canvas);
    }
    if (moon) {
        DrawMoon(canvas, 578, 98, 42);
    }
    if (look.sun) {
        DrawSun(canvas, look);
    }
    DrawClouds(canvas, look);
    DrawFarSkyline(canvas, look);
    std::vector<PlumeSource> plumes;
    DrawNearSkyline(canvas, look, &plumes);
    Rng smoke_rng = {0x5A0CEull};
    for (const auto& p : plumes) {
        DrawPlume(canvas, p, look, &smoke_rng);
    }
    if (look.smog_bank) {
        DrawSmogBank(canvas, look);
    }
    DrawWater(canvas, look);
    DrawReeds(canvas, look, 250, 300, HORIZON + 8, 14, 14, 0xAA01);
    DrawReeds(canvas, look, 372, 396, HORIZON + 10, 12, 8, 0xAA02);
    DrawMudBank(canvas, look,
                {{0, 436}, {36, 430}, {84, 438}, {128, 452}, {164, 468}, {186, 480}, {0, 480}}, 51);
    DrawMudBank(canvas, look,
                {{640, 426}, {604, 430}, {566, 444}, {530, 460}, {508, 480}, {640, 480}}, 52);
    DrawBarrel(canvas, look, 120, 414, 32, 44, 0.08f, 408, false);
    DrawBarrel(canvas, look, 412, 470, 30, 40, 1.25f, 462, true);
    DrawReeds(canvas, look, -10, 120, 482, 120, 70, 0xBB01);
    DrawReeds(canvas, look, 520, 650, 482, 110, 60, 0xBB02);
}

IndexedPicture ToPicture(const Canvas& canvas, float dither) {
    return {canvas.width, canvas.height, AssetPaletteQuantise(canvas, dither, false)};
}

Canvas NewCanvas() {
    return CanvasMake(W, H, {0, 0, 0}, 1.0f);
}

}  // namespace

IndexedPicture ScenePlayField() {
    Canvas canvas = NewCanvas();
    DrawWorld(&canvas, DuskLook(), false);
    return ToPicture(canvas, 10.0f);
}

IndexedPicture SceneTitle() {
    Canvas canvas = NewCanvas();
    DrawWorld(&canvas, NightLook(), true);

    // A duck crossing the moon with the sight on it.
    Affine duck = AffineThen(AffineThen(AffineTranslate(-62, -34), AffineScale(0.62f, 0.62f)),
                             AffineTranslate(584, 104));
    DrawDuckSilhouette(&canvas, {58, duck, false}, {6, 6, 14});
    DrawScanSight(&canvas, 548, 106, 0.75f, 0);

    TitleStyle style;
    style.unit = 15;
    style.shear = 0.12f;
    style.fill = {{0.0f, {255, 252, 210}},
                  {0.3f, {255, 210, 70}},
                  {0.65f, {238, 124, 22}},
                  {1.0f, {150, 50, 10}}};
    style.bevel_light = {255, 255, 236};
    style.bevel_dark = {110, 40, 8};
    style.outline = {24, 10, 4};
    style.outline_width = 3;
    style.extrude = {74, 30, 14};
    style.extrude_depth = 7;
    style.glow = {120, 236, 70};
    style.glow_radius = 26;
    style.glow_strength = 1.0f;
    float width = TitleWidth("QENT", style.unit);
    DrawTitle(&canvas, "QENT", 290 - width / 2, 40, style);

    const std::string prompt = "Press Enter to start";
    int scale = 3;
    DrawPixelText(&canvas, prompt, 320 - PixelTextWidth(prompt, scale) / 2, 216, scale,
                  {226, 255, 196}, {4, 10, 8}, 0.9f);

    // The notice board for the version line.
    FillShape(&canvas, ShapeRect(550, 470, 555, 480), {40, 28, 18});
    FillShape(&canvas, ShapeRect(614, 470, 619, 480), {40, 28, 18});
    FillShape(&canvas, ShapeRect(536, 440, 634, 476), {34, 24, 16});
    FillShaded(&canvas, ShapeRect(538, 442, 632, 474), [](float x, float y) {
        float grain = Fbm(x / 30.0f, y / 1.5f, 61, 3);
        float plank = std::fmod(y - 442, 11.0f) < 1.0f ? 0.8f : 1.0f;
        return RgbScale(RgbMix({214, 206, 174}, {236, 230, 204}, grain), plank);
    });
    FillShape(&canvas, ShapeEllipse(541, 445, 1.2f, 1.2f, 0), {60, 50, 40});
    FillShape(&canvas, ShapeEllipse(629, 445, 1.2f, 1.2f, 0), {60, 50, 40});
    return ToPicture(canvas, 10.0f);
}

IndexedPicture SceneGameOver() {
    Canvas canvas = NewCanvas();
    Look look = NightLook();
    look.stars = false;
    look.sun = true;
    look.sun_at = {320, HORIZON - 6};
    look.sun_radius = 84;
    look.sun_core = {150, 150, 150};
    look.sun_halo = {120, 120, 120};
    look.sun_halo_radius = 240;
    look.sun_halo_strength = 0.5f;
    look.window_lit = 0.3f;
    DrawWorld(&canvas, look, false);

    // A dead duck floats belly up.
    Affine floating = AffineThen(AffineThen(AffineTranslate(-62, -34), AffineScale(0.8f, -0.8f)),
                                 AffineTranslate(476, 398));
    for (int i = 0; i < 2; ++i) {
        float size = 1.0f + 0.4f * static_cast<float>(i);
        FillShape(
            &canvas,
            ShapeTransform(ShapeRing(0, 0, 1.0f, 0.86f),
                           AffineThen(AffineScale(56 * size, 7 * size), AffineTranslate(474, 414))),
            look.ripple_light, 0.55f - 0.2f * static_cast<float>(i));
    }
    Canvas duck = CanvasMake(W, H, {0, 0, 0}, 0.0f);
    DrawDuck(&duck, {-30, floating, true});
    for (size_t i = 0; i < canvas.pixels.size(); ++i) {
        const Pixel& d = duck.pixels[i];
        Pixel& p = canvas.pixels[i];
        p = {d.r + p.r * (1 - d.a), d.g + p.g * (1 - d.a), d.b + p.b * (1 - d.a), 1.0f};
    }

    // Everything under a red light.
    std::vector<GradientStop> blood = {{0.00f, {10, 0, 2}},     {0.15f, {46, 4, 8}},
                                       {0.35f, {104, 12, 14}},  {0.60f, {176, 30, 20}},
                                       {0.82f, {238, 100, 50}}, {1.00f, {255, 200, 150}}};
    for (auto& p : canvas.pixels) {
        float l = RgbLuma({p.r, p.g, p.b}) / 255.0f;
        Rgb c = GradientAt(blood, std::pow(l, 0.9f) * 1.12f);
        p = {c.r, c.g, c.b, 1.0f};
    }

    TitleStyle style;
    style.unit = 12;
    style.shear = 0.1f;
    style.fill = {{0.0f, {255, 236, 170}},
                  {0.3f, {255, 150, 50}},
                  {0.65f, {220, 30, 18}},
                  {1.0f, {120, 6, 8}}};
    style.bevel_light = {255, 240, 210};
    style.bevel_dark = {70, 0, 0};
    style.outline = {20, 0, 2};
    style.outline_width = 3;
    style.extrude = {70, 4, 6};
    style.extrude_depth = 6;
    style.glow = {230, 40, 24};
    style.glow_radius = 24;
    style.glow_strength = 0.9f;
    float game = TitleWidth("GAME", style.unit);
    float over = TitleWidth("OVER", style.unit);
    DrawTitle(&canvas, "GAME", 320 - game / 2, 96, style);
    DrawTitle(&canvas, "OVER", 320 - over / 2, 214, style);

    // Enter leads on to the title, as the title's own line says Enter starts.
    const std::string prompt = "Press Enter";
    const int scale = 3;
    DrawPixelText(&canvas, prompt, 320 - PixelTextWidth(prompt, scale) / 2, 344, scale,
                  {255, 232, 200}, {16, 0, 2}, 0.9f);
    return ToPicture(canvas, 10.0f);
}
