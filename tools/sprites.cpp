#include "tools/sprites.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "tools/asset_palette.h"

namespace {

const float PI = 3.14159265f;

typedef std::function<Rgb(float x, float y)> LocalShader;

// Draws in the duck's own coordinates through the pose's placement.
struct DuckPen {
    Canvas* canvas;
    Affine m;
    Affine inv;
};

void PenFill(const DuckPen& pen, const Shape& s, Rgb c) {
    FillShape(pen.canvas, ShapeTransform(s, pen.m), c);
}

void PenShade(const DuckPen& pen, const Shape& s, const LocalShader& f) {
    Affine inv = pen.inv;
    FillShaded(pen.canvas, ShapeTransform(s, pen.m), [&](float x, float y) {
        Vec2 p = AffineApply(inv, {x, y});
        return f(p.x, p.y);
    });
}

// A dark rim: the shape stamped around itself before it is filled.
void PenRim(const DuckPen& pen, const Shape& s, Rgb c, float width) {
    std::vector<Shape> stamps;
    for (int i = 0; i < 8; ++i) {
        float a = static_cast<float>(i) * PI / 4;
        stamps.push_back(ShapeTransform(
            s, AffineThen(AffineTranslate(std::cos(a) * width, std::sin(a) * width), pen.m)));
    }
    Paint(pen.canvas, Cover(stamps, pen.canvas->width, pen.canvas->height), c);
}

const Rgb DUCK_RIM = {34, 22, 16};

struct WingMap {
    Affine local;  // wing coordinates (u along the body, v from root 0 to tip 1) to duck space
};

// The wing is a flat blade turning about the body's long axis; the eye sits a little below the
// duck, so a level wing shows a sliver of its underside.
WingMap MakeWing(float shoulder_x, float shoulder_y, float degrees, float span, bool far_side) {
    float theta = degrees * PI / 180.0f;
    float depth = far_side ? -0.22f : 0.22f;
    float k = -std::sin(theta) + depth * std::cos(theta);
    if (std::fabs(k) < 0.08f) {
        k = k < 0 ? -0.08f : 0.08f;
    }
    const float sweep = 12.0f;
    return {{1, sweep, 0, span * k, shoulder_x, shoulder_y}};
}

// The wing's chord at stations from the root (v = 0) to the tip (v = 1): leading and trailing u.
const float WING_V[7] = {0.0f, 0.2f, 0.42f, 0.6f, 0.8f, 0.93f, 1.04f};
const float WING_LEAD[7] = {-10, -12, -11, -8, -2, 4, 10};
const float WING_TRAIL[7] = {12, 13, 12, 11, 11, 11, 10};

float WingStation(const float* table, float v) {
    if (v <= WING_V[0]) {
        return table[0];
    }
    for (int i = 1; i < 7; ++i) {
        if (v <= WING_V[i]) {
            float k = (v - WING_V[i - 1]) / (WING_V[i] - WING_V[i - 1]);
            return table[i - 1] + (table[i] - table[i - 1]) * k;
        }
    }
    return table[6];
}

Shape WingOutline() {
    std::vector<Vec2> points;
    for (int i = 0; i <= 26; ++i) {
        float v = 1.04f * static_cast<float>(i) / 26.0f;
        points.push_back({WingStation(WING_LEAD, v), v});
    }
    // The trailing edge, tip to root, notched where the primaries part.
    for (int i = 26; i >= 0; --i) {
        float v = 1.04f * static_cast<float>(i) / 26.0f;
        float notch = (v > 0.5f && v < 1.0f && (i % 2 == 1)) ? 1.6f : 0.0f;
        points.push_back({WingStation(WING_TRAIL, v) - notch, v});
    }
    return ShapePolygon(points);
}

Rgb WingColour(float u, float v, float light) {
    float lead = WingStation(WING_LEAD, v);
    float trail = WingStation(WING_TRAIL, v);
    float s = trail > lead ? (u - lead) / (trail - lead) : 0.5f;
    Rgb c;
    if (v > 0.52f) {
        // Primaries: dark, with the gaps between the long feathers.
        c = RgbMix({122, 104, 88}, {84, 70, 60}, Clamp01((v - 0.52f) * 3));
        float feather = v * 9.0f + s * 1.2f;
        if (feather - std::floor(feather) < 0.2f) {
            c = RgbScale(c, 0.68f);
        }
    } else if (s > 0.56f) {
        // The speculum: a blue-violet band edged in white on the secondaries.
        c = RgbMix({60, 56, 200}, {120, 70, 200}, Clamp01(v * 2));
        if (s < 0.63f || s > 0.92f) {
            c = {240, 238, 232};
        }
    } else {
        c = RgbMix({168, 146, 124}, {132, 112, 94}, Clamp01(s * 1.6f));
    }
    return RgbScale(c, light);
}

void DrawWing(const DuckPen& pen, const WingMap& wing, float light) {
    DuckPen wing_pen = pen;
    wing_pen.m = AffineThen(wing.local, pen.m);
    wing_pen.inv = AffineInverse(wing_pen.m);
    Shape blade = WingOutline();
    // The rim is stamped in duck space so it keeps one width however the wing is foreshortened.
    PenRim(pen, ShapeTransform(blade, wing.local), RgbScale(DUCK_RIM, light), 0.9f);
    PenShade(wing_pen, blade, [&](float u, float v) { return WingColour(u, v, light); });
}

Shape BodyShape() {
    return ShapeEllipse(66, 36, 31, 12.5f, -0.06f);
}

Shape NeckShape() {
    return ShapePolygon({{24, 22}, {38, 25}, {48, 29}, {50, 44}, {40, 41}, {28, 36}});
}

Shape HeadShape() {
    return ShapeEllipse(24, 28, 10.5f, 8.5f, 0.12f);
}

Shape BeakShape(bool open) {
    if (open) {
        return ShapePolygon({{16, 26}, {5, 24}, {2, 26}, {9, 29}, {4, 33}, {3, 36}, {16, 33}});
    }
    return ShapePolygon({{16, 26.5f}, {6, 29}, {2, 31.5f}, {4, 34}, {16, 33}});
}

Shape TailShape() {
    return ShapePolygon({{90, 29}, {106, 26}, {115, 30}, {108, 36}, {92, 41}});
}

void DrawDuckFarWing(const DuckPen& pen, float wing_degrees) {
    if (wing_degrees > 18) {
        DrawWing(pen, MakeWing(58, 27, wing_degrees * 0.9f, 26, true), 0.62f);
    }
}

void DrawFeet(const DuckPen& pen, bool dead) {
    Rgb orange = {236, 132, 36};
    if (!dead) {
        PenFill(pen, ShapeEllipse(86, 46, 5, 2.2f, 0.2f), orange);
        return;
    }
    for (int i = 0; i < 2; ++i) {
        float x = 74.0f + static_cast<float>(i) * 9.0f;
        PenRim(pen, ShapeLine({x, 44}, {x + 3, 54}, 2.0f), DUCK_RIM, 0.8f);
        PenFill(pen, ShapeLine({x, 44}, {x + 3, 54}, 2.0f), orange);
        Shape web = ShapePolygon({{x + 3, 53}, {x - 1, 59}, {x + 8, 58}});
        PenRim(pen, web, DUCK_RIM, 0.8f);
        PenFill(pen, web, orange);
    }
}

void DrawCrossedEye(const DuckPen& pen, float x, float y) {
    Rgb ink = {20, 14, 12};
    PenFill(pen, ShapeLine({x - 2.2f, y - 2.2f}, {x + 2.2f, y + 2.2f}, 1.3f), ink);
    PenFill(pen, ShapeLine({x - 2.2f, y + 2.2f}, {x + 2.2f, y - 2.2f}, 1.3f), ink);
}

// Pixels on the edge of a sprite darken, so it reads over the light sky and the dark water alike.
void DarkenEdges(Canvas* canvas, float keep) {
    std::vector<uint8_t> solid(canvas->pixels.size());
    for (size_t i = 0; i < solid.size(); ++i) {
        solid[i] = canvas->pixels[i].a >= 0.5f ? 1 : 0;
    }
    auto at = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= canvas->width || y >= canvas->height) {
            return 0;
        }
        return static_cast<int>(solid[static_cast<size_t>(y) * canvas->width + x]);
    };
    for (int y = 0; y < canvas->height; ++y) {
        for (int x = 0; x < canvas->width; ++x) {
            if (at(x, y) && (!at(x - 1, y) || !at(x + 1, y) || !at(x, y - 1) || !at(x, y + 1))) {
                Pixel& p = canvas->pixels[static_cast<size_t>(y) * canvas->width + x];
                p.r *= keep;
                p.g *= keep;
                p.b *= keep;
            }
        }
    }
}

void DrawFeather(Canvas* canvas, float x, float y, float angle, float size, Rgb colour) {
    Shape vane = ShapeEllipse(x, y, 3.6f * size, 1.4f * size, angle);
    std::vector<Shape> rim;
    for (int i = 0; i < 4; ++i) {
        float a = static_cast<float>(i) * PI / 2;
        rim.push_back(
            ShapeTransform(vane, AffineTranslate(std::cos(a) * 0.8f, std::sin(a) * 0.8f)));
    }
    Paint(canvas, Cover(rim, canvas->width, canvas->height), RgbScale(colour, 0.45f));
    FillShape(canvas, vane, colour);
    float c = std::cos(angle);
    float s = std::sin(angle);
    FillShape(canvas,
              ShapeLine({x - c * 3.6f * size, y - s * 3.6f * size},
                        {x + c * 3.6f * size, y + s * 3.6f * size}, 0.6f),
              RgbScale(colour, 0.7f));
}

void DrawStar(Canvas* canvas, float cx, float cy, float outer, float inner, Rgb colour) {
    std::vector<Vec2> points;
    for (int i = 0; i < 8; ++i) {
        float a = static_cast<float>(i) * PI / 4 - PI / 2;
        float r = (i % 2 == 0) ? outer : inner;
        points.push_back({cx + std::cos(a) * r, cy + std::sin(a) * r});
    }
    FillShape(canvas, ShapePolygon(points), colour);
}

Canvas SpriteCanvas(int w, int h) {
    return CanvasMake(w, h, {0, 0, 0}, 0.0f);
}

SpriteSheet MakeSheet(int count, int w, int h, const std::function<void(Canvas*, int)>& draw) {
    SpriteSheet sheet;
    sheet.width = count * (w + 1) + 1;
    sheet.height = h + 2;
    uint8_t border = static_cast<uint8_t>(AssetPaletteRampIndex("grey", 6));
    sheet.pixels.assign(static_cast<size_t>(sheet.width) * sheet.height, border);
    for (int i = 0; i < count; ++i) {
        Canvas canvas = SpriteCanvas(w, h);
        draw(&canvas, i);
        std::vector<uint8_t> cell = AssetPaletteQuantise(canvas, 0.0f, true);
        // The blit never shows a cell's last row and column: keep them transparent.
        for (int y = 0; y < h; ++y) {
            cell[static_cast<size_t>(y) * w + (w - 1)] = 0;
        }
        for (int x = 0; x < w; ++x) {
            cell[static_cast<size_t>(h - 1) * w + x] = 0;
        }
        int x0 = i * (w + 1) + 1;
        for (int y = 0; y < h; ++y) {
            std::copy(cell.begin() + static_cast<long>(y) * w,
                      cell.begin() + static_cast<long>(y + 1) * w,
                      sheet.pixels.begin() + static_cast<long>(y + 1) * sheet.width + x0);
        }
    }
    return sheet;
}

}  // namespace

void DrawDuck(Canvas* canvas, const DuckPose& pose) {
    DuckPen pen = {canvas, pose.place, AffineInverse(pose.place)};
    DrawDuckFarWing(pen, pose.wing_degrees);
    DrawFeet(pen, pose.dead);

    // Tail, body, breast, neck and head, each with its rim under it.
    PenRim(pen, TailShape(), DUCK_RIM, 1.0f);
    PenShade(pen, TailShape(), [](float x, float) {
        return RgbMix({70, 64, 60}, {222, 218, 208}, Clamp01((x - 92) / 14));
    });
    PenFill(pen, ShapeEllipse(95, 33, 8, 5, 0.1f), {30, 28, 30});
    PenFill(pen, ShapeRing(100, 26.5f, 3.2f, 1.7f), {30, 28, 30});
    PenRim(pen, BodyShape(), DUCK_RIM, 1.0f);
    PenRim(pen, NeckShape(), DUCK_RIM, 1.0f);
    PenRim(pen, HeadShape(), DUCK_RIM, 1.0f);
    PenRim(pen, BeakShape(pose.dead), DUCK_RIM, 1.0f);
    PenShade(pen, BodyShape(), [](float, float y) {
        return GradientAt({{0.0f, {84, 58, 42}},
                           {0.4f, {138, 104, 80}},
                           {0.75f, {176, 156, 132}},
                           {1.0f, {210, 198, 178}}},
                          (y - 24) / 25);
    });
    PenShade(pen, ShapeEllipse(46, 39, 15, 10.5f, 0.2f), [](float, float y) {
        return GradientAt({{0.0f, {104, 52, 30}}, {1.0f, {166, 96, 58}}}, (y - 29) / 20);
    });
    PenShade(pen, NeckShape(), [](float x, float y) {
        if (x > 38.5f) {
            return GradientAt({{0.0f, {104, 52, 30}}, {1.0f, {166, 96, 58}}}, (y - 26) / 20);
        }
        return RgbMix({30, 120, 66}, {18, 84, 48}, Clamp01((x - 26) / 12));
    });
    PenFill(pen, ShapePolygon({{35.5f, 23.5f}, {38.5f, 24.5f}, {39.5f, 40.5f}, {36.5f, 39.5f}}),
            {240, 236, 226});
    PenShade(pen, HeadShape(), [](float x, float y) {
        float d = std::sqrt((x - 21) * (x - 21) + (y - 23) * (y - 23));
        return GradientAt({{0.0f, {130, 226, 150}},
                           {0.25f, {44, 160, 86}},
                           {0.7f, {22, 100, 56}},
                           {1, {8, 48, 28}}},
                          d / 14);
    });
    PenShade(pen, BeakShape(pose.dead), [](float, float y) {
        return RgbMix({252, 222, 66}, {206, 150, 30}, Clamp01((y - 27) / 7));
    });
    PenFill(pen, ShapeEllipse(3.5f, 32, 1.6f, 1.6f, 0), {96, 70, 22});
    if (pose.dead) {
        DrawCrossedEye(pen, 21.5f, 25.5f);
    } else {
        PenFill(pen, ShapeEllipse(21.5f, 25.5f, 1.9f, 1.9f, 0), {12, 10, 10});
        PenFill(pen, ShapeEllipse(21, 24.8f, 0.7f, 0.7f, 0), {250, 250, 250});
    }
    DrawWing(pen, MakeWing(62, 30, pose.wing_degrees, 31, false), 1.0f);
}

void DrawDuckSilhouette(Canvas* canvas, const DuckPose& pose, Rgb colour) {
    std::vector<Shape> parts = {TailShape(), BodyShape(), NeckShape(), HeadShape(),
                                BeakShape(false)};
    WingMap wing = MakeWing(62, 30, pose.wing_degrees, 31, false);
    parts.push_back(ShapeTransform(WingOutline(), wing.local));
    if (pose.wing_degrees > 18) {
        WingMap far = MakeWing(58, 27, pose.wing_degrees * 0.9f, 26, true);
        parts.push_back(ShapeTransform(WingOutline(), far.local));
    }
    for (auto& part : parts) {
        part = ShapeTransform(part, pose.place);
    }
    Paint(canvas, Cover(parts, canvas->width, canvas->height), colour);
}

void DrawScanSight(Canvas* canvas, float cx, float cy, float scale, int frame) {
    const Rgb dark = {0, 40, 12};
    float pulse = 0.8f + 0.2f * std::cos(static_cast<float>(frame) * PI / 2);
    Rgb ring = RgbScale({60, 232, 88}, pulse);
    Rgb hot = RgbMix(ring, {200, 255, 205}, 0.55f);
    Affine place = AffineThen(AffineScale(scale, scale), AffineTranslate(cx, cy));
    auto put = [&](const Shape& s, Rgb c) { FillShape(canvas, ShapeTransform(s, place), c); };

    put(ShapeRing(0, 0, 25.5f, 19.5f), dark);
    put(ShapeRing(0, 0, 24.2f, 20.8f), ring);
    put(ShapeRing(0, 0, 23.1f, 22.2f), hot);
    // Four ticks turn by a quarter of their spacing each frame: a full turn repeats every cycle.
    float turn = static_cast<float>(frame) * PI / 8;
    for (int i = 0; i < 4; ++i) {
        float a = turn + static_cast<float>(i) * PI / 2;
        Vec2 in = {std::cos(a) * 13.0f, std::sin(a) * 13.0f};
        Vec2 out = {std::cos(a) * 29.0f, std::sin(a) * 29.0f};
        Vec2 in2 = {std::cos(a) * 12.0f, std::sin(a) * 12.0f};
        Vec2 out2 = {std::cos(a) * 30.0f, std::sin(a) * 30.0f};
        put(ShapeLine(in2, out2, 5.0f), dark);
        put(ShapeLine(in, out, 2.6f), ring);
    }
    for (int i = 0; i < 4; ++i) {
        float a = static_cast<float>(i) * PI / 2 + PI / 4;
        put(ShapeEllipse(std::cos(a) * 16.5f, std::sin(a) * 16.5f, 1.9f, 1.9f, 0), dark);
        put(ShapeEllipse(std::cos(a) * 16.5f, std::sin(a) * 16.5f, 1.0f, 1.0f, 0), hot);
    }
    put(ShapeEllipse(0, 0, 3.4f, 3.4f, 0), dark);
    put(ShapeEllipse(0, 0, 2.1f, 2.1f, 0), {210, 255, 214});
}

void DrawLockSight(Canvas* canvas, float cx, float cy, float scale, int frame) {
    float t = static_cast<float>(frame) / 6.0f;
    float r = 19.0f - 10.0f * t;
    Rgb dark = {52, 0, 0};
    Rgb ring = RgbMix({150, 20, 16}, {255, 52, 40}, t);
    Rgb hot = RgbMix({200, 40, 30}, {255, 214, 196}, t);
    Affine place = AffineThen(AffineScale(scale, scale), AffineTranslate(cx, cy));
    auto put = [&](const Shape& s, Rgb c) { FillShape(canvas, ShapeTransform(s, place), c); };

    // The ring closes in while four arrowheads press towards the centre.
    put(ShapeRing(0, 0, r + 2.6f, r - 2.6f), dark);
    put(ShapeRing(0, 0, r + 1.4f, r - 1.4f), ring);
    put(ShapeRing(0, 0, r + 0.45f, r - 0.45f), hot);
    for (int i = 0; i < 4; ++i) {
        float a = static_cast<float>(i) * PI / 2 + PI / 4;
        float c = std::cos(a);
        float s = std::sin(a);
        float tip = r + 3.0f;
        float base = std::min(r + 10.0f, 29.0f);
        auto at = [&](float along, float across) {
            return Vec2{c * along - s * across, s * along + c * across};
        };
        Shape arrow =
            ShapePolygon({at(tip, 0), at(base, 4.5f), at(base - 2.5f, 0), at(base, -4.5f)});
        Shape halo = ShapePolygon(
            {at(tip - 1.5f, 0), at(base + 1.3f, 6.2f), at(base - 2.0f, 0), at(base + 1.3f, -6.2f)});
        put(halo, dark);
        put(arrow, ring);
    }
    for (int i = 0; i < 4; ++i) {
        float a = static_cast<float>(i) * PI / 2;
        Vec2 in = {std::cos(a) * 3.5f, std::sin(a) * 3.5f};
        Vec2 out = {std::cos(a) * (r - 4.0f), std::sin(a) * (r - 4.0f)};
        put(ShapeLine(in, out, 2.8f), dark);
        put(ShapeLine(in, out, 1.2f), ring);
    }
    put(ShapeEllipse(0, 0, 2.2f + t, 2.2f + t, 0), dark);
    put(ShapeEllipse(0, 0, 1.2f + t, 1.2f + t, 0), hot);
}

SpriteSheet SheetScanning() {
    return MakeSheet(4, 64, 64, [](Canvas* c, int i) { DrawScanSight(c, 32.5f, 32.5f, 1.0f, i); });
}

SpriteSheet SheetLockedOn() {
    return MakeSheet(7, 64, 64, [](Canvas* c, int i) { DrawLockSight(c, 32.5f, 32.5f, 1.0f, i); });
}

SpriteSheet SheetDuck() {
    // One beat: up, coming down, level, fully down, rising, near the top again.
    static const float WING[6] = {72, 42, 2, -42, -22, 30};
    static const float BOB[6] = {1.0f, 0.0f, -1.0f, -2.0f, -1.0f, 0.5f};
    return MakeSheet(6, 128, 64, [](Canvas* c, int i) {
        DuckPose pose = {WING[i], AffineTranslate(4, BOB[i]), false};
        DrawDuck(c, pose);
        DarkenEdges(c, 0.5f);
    });
}

SpriteSheet SheetDeadDuck() {
    return MakeSheet(3, 128, 64, [](Canvas* c, int i) {
        Rng rng = {0x5EEDull + static_cast<uint64_t>(i)};
        const Rgb plumes[4] = {{150, 130, 112}, {226, 218, 204}, {96, 74, 60}, {40, 140, 76}};
        Affine centre = AffineTranslate(-62, -34);
        if (i == 0) {
            // The hit: wings flung up, a flash and a burst of feathers.
            Affine place = AffineThen(
                AffineThen(centre, AffineThen(AffineRotate(-0.12f), AffineScale(0.86f, 0.86f))),
                AffineTranslate(64, 34));
            DrawDuck(c, {80, place, true});
            DarkenEdges(c, 0.5f);
            DrawStar(c, 72, 36, 13, 3.5f, {250, 196, 60});
            DrawStar(c, 72, 36, 9, 2.2f, {255, 250, 214});
            for (int k = 0; k < 14; ++k) {
                float a = static_cast<float>(k) / 14.0f * 2 * PI + RngRange(&rng, -0.2f, 0.2f);
                float d = RngRange(&rng, 0.72f, 1.0f);
                float fx = 66 + std::cos(a) * 58 * d;
                float fy = 32 + std::sin(a) * 27 * d;
                DrawFeather(c, fx, fy, RngRange(&rng, 0, PI), RngRange(&rng, 0.8f, 1.15f),
                            plumes[k % 4]);
            }
        } else if (i == 1) {
            // The tumble: nose down, wings splayed, a few feathers left behind.
            Affine place = AffineThen(
                AffineThen(centre, AffineThen(AffineRotate(-0.62f), AffineScale(0.62f, 0.62f))),
                AffineTranslate(66, 34));
            DrawDuck(c, {8, place, true});
            DarkenEdges(c, 0.5f);
            for (int k = 0; k < 6; ++k) {
                DrawFeather(c, RngRange(&rng, 84, 120), RngRange(&rng, 5, 30),
                            RngRange(&rng, 0, PI), 0.9f, plumes[k % 4]);
            }
        } else {
            // The fall: on its back, feet up, dropping out of the cell.
            Affine place =
                AffineThen(AffineThen(centre, AffineScale(0.7f, -0.7f)), AffineTranslate(62, 40));
            DrawDuck(c, {-35, place, true});
            DarkenEdges(c, 0.5f);
            for (int k = 0; k < 4; ++k) {
                DrawFeather(c, RngRange(&rng, 30, 100), RngRange(&rng, 7, 16),
                            RngRange(&rng, 0, PI), 0.85f, plumes[k % 4]);
            }
        }
    });
}
