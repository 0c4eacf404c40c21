#include "tools/lettering.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// ---- Display capitals

typedef std::vector<Vec2> Outline;

struct GlyphPart {
    std::vector<Outline> contours;
    bool cut;
};

struct Glyph {
    char ch;
    float width;  // grid units
    std::vector<GlyphPart> parts;
};

const float CH = 1.2f;  // chamfer of the outer corners

Outline OuterOctagon(float w) {
    return {{CH, 0}, {w - CH, 0}, {w, CH}, {w, 8 - CH}, {w - CH, 8}, {CH, 8}, {0, 8 - CH}, {0, CH}};
}

Outline InnerCounter(float x0, float y0, float x1, float y1) {
    const float k = 0.4f;
    return {{x0 + k, y0}, {x1 - k, y0}, {x1, y0 + k}, {x1, y1 - k},
            {x1 - k, y1}, {x0 + k, y1}, {x0, y1 - k}, {x0, y0 + k}};
}

Outline Box(float x0, float y0, float x1, float y1) {
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

const std::vector<Glyph>& Glyphs() {
    static const std::vector<Glyph> glyphs = {
        {'O', 6, {{{OuterOctagon(6), InnerCounter(2, 2, 4, 6)}, false}}},
        {'Q',
         6,
         {{{OuterOctagon(6), InnerCounter(2, 2, 4, 6)}, false},
          {{{{3.0f, 4.6f}, {4.7f, 4.6f}, {6.9f, 8.7f}, {5.2f, 8.7f}}}, false}}},
        {'G',
         6,
         {{{OuterOctagon(6), InnerCounter(2, 2, 4, 6)}, false},
          {{Box(4, 2, 6.5f, 3.8f)}, true},
          {{Box(3, 3.8f, 4.5f, 5.2f)}, false}}},
        {'E',
         6,
         {{{{{CH, 0},
             {6, 0},
             {6, 2},
             {2, 2},
             {2, 3},
             {5, 3},
             {5, 5},
             {2, 5},
             {2, 6},
             {6, 6},
             {6, 8},
             {CH, 8},
             {0, 8 - CH},
             {0, CH}}},
           false}}},
        {'N',
         6,
         {{{{{0, CH}, {CH, 0}, {2, 0}, {2, 8}, {0, 8}}}, false},
          {{{{4, 0}, {6, 0}, {6, 8 - CH}, {6 - CH, 8}, {4, 8}}}, false},
          {{{{0.3f, 0}, {2.3f, 0}, {5.7f, 8}, {3.7f, 8}}}, false}}},
        {'T', 6, {{{{{0, 0}, {6, 0}, {6, 2}, {4, 2}, {4, 8}, {2, 8}, {2, 2}, {0, 2}}}, false}}},
        {'A',
         6,
         {{{{{0, 8}, {0, 2}, {2, 0}, {4, 0}, {6, 2}, {6, 8}, {4, 8}, {4, 5.4f}, {2, 5.4f}, {2, 8}},
            {{2, 2.7f}, {2.7f, 2}, {3.3f, 2}, {4, 2.7f}, {4, 3.6f}, {2, 3.6f}}},
           false}}},
        {'M',
         8,
         {{{{{0, CH}, {CH, 0}, {2, 0}, {2, 8}, {0, 8}}}, false},
          {{{{6, 0}, {8 - CH, 0}, {8, CH}, {8, 8}, {6, 8}}}, false},
          {{{{2, 0}, {4, 3}, {6, 0}, {6, 2.8f}, {4, 5.8f}, {2, 2.8f}}}, false}}},
        {'V', 6, {{{{{0, 0}, {2, 0}, {3, 5.2f}, {4, 0}, {6, 0}, {4.2f, 8}, {1.8f, 8}}}, false}}},
        {'R',
         6,
         {{{{{0, CH}, {CH, 0}, {4.8f, 0}, {6, 1.2f}, {6, 3.8f}, {4.8f, 5}, {2, 5}, {2, 8}, {0, 8}},
            Box(2, 2, 4, 3)},
           false},
          {{{{2.4f, 4.4f}, {4.4f, 4.4f}, {6, 8}, {4, 8}}}, false}}},
    };
    return glyphs;
}

const Glyph* FindGlyph(char ch) {
    for (const auto& g : Glyphs()) {
        if (g.ch == ch) {
            return &g;
        }
    }
    return nullptr;
}

const float LETTER_GAP = 1.3f;
const float SPACE_WIDTH = 3.0f;

// ---- Pixel font

struct PixelGlyph {
    char ch;
    const char* rows[8];
};

const PixelGlyph PIXEL_FONT[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#", "....."}},
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####.", "....."}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###.", "....."}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####.", "....."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####", "....."}},
    {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#....", "....."}},
    {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####", "....."}},
    {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#", "....."}},
    {'I', {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###.", "....."}},
    {'J', {"..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##..", "....."}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#", "....."}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####", "....."}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#", "....."}},
    {'N', {"#...#", "#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "....."}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###.", "....."}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#....", "....."}},
    {'Q', {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#", "....."}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#", "....."}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####.", "....."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#..", "....."}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###.", "....."}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#..", "....."}},
    {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", ".#.#.", "....."}},
    {'X', {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#", "....."}},
    {'Y', {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#..", "....."}},
    {'Z', {"#####", "....#", "...#.", "..#..", ".#...", "#....", "#####", "....."}},
    {'a', {".....", ".....", ".###.", "....#", ".####", "#...#", ".####", "....."}},
    {'b', {"#....", "#....", "####.", "#...#", "#...#", "#...#", "####.", "....."}},
    {'c', {".....", ".....", ".###.", "#....", "#....", "#....", ".###.", "....."}},
    {'d', {"....#", "....#", ".####", "#...#", "#...#", "#...#", ".####", "....."}},
    {'e', {".....", ".....", ".###.", "#...#", "#####", "#....", ".###.", "....."}},
    {'f', {"..##.", ".#...", ".#...", "###..", ".#...", ".#...", ".#...", "....."}},
    {'g', {".....", ".....", ".####", "#...#", "#...#", ".####", "....#", ".###."}},
    {'h', {"#....", "#....", "####.", "#...#", "#...#", "#...#", "#...#", "....."}},
    {'i', {"..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###.", "....."}},
    {'j', {"...#.", ".....", "..##.", "...#.", "...#.", "...#.", "#..#.", ".##.."}},
    {'k', {"#....", "#....", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "....."}},
    {'l', {".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###.", "....."}},
    {'m', {".....", ".....", "##.#.", "#.#.#", "#.#.#", "#.#.#", "#.#.#", "....."}},
    {'n', {".....", ".....", "####.", "#...#", "#...#", "#...#", "#...#", "....."}},
    {'o', {".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###.", "....."}},
    {'p', {".....", ".....", "####.", "#...#", "#...#", "####.", "#....", "#...."}},
    {'q', {".....", ".....", ".####", "#...#", "#...#", ".####", "....#", "....#"}},
    {'r', {".....", ".....", "#.##.", "##..#", "#....", "#....", "#....", "....."}},
    {'s', {".....", ".....", ".####", "#....", ".###.", "....#", "####.", "....."}},
    {'t', {".#...", ".#...", "###..", ".#...", ".#...", ".#..#", "..##.", "....."}},
    {'u', {".....", ".....", "#...#", "#...#", "#...#", "#..##", ".##.#", "....."}},
    {'v', {".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#..", "....."}},
    {'w', {".....", ".....", "#...#", "#...#", "#.#.#", "#.#.#", ".#.#.", "....."}},
    {'x', {".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "....."}},
    {'y', {".....", ".....", "#...#", "#...#", "#...#", ".####", "....#", ".###."}},
    {'z', {".....", ".....", "#####", "...#.", "..#..", ".#...", "#####", "....."}},
    {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###.", "....."}},
    {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###.", "....."}},
    {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####", "....."}},
    {'3', {"####.", "....#", "....#", ".###.", "....#", "....#", "####.", "....."}},
    {'4', {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#.", "....."}},
    {'5', {"#####", "#....", "####.", "....#", "....#", "#...#", ".###.", "....."}},
    {'6', {".###.", "#....", "#....", "####.", "#...#", "#...#", ".###.", "....."}},
    {'7', {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#...", "....."}},
    {'8', {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###.", "....."}},
    {'9', {".###.", "#...#", "#...#", ".####", "....#", "....#", ".###.", "....."}},
    {'.', {".....", ".....", ".....", ".....", ".....", ".##..", ".##..", "....."}},
    {',', {".....", ".....", ".....", ".....", ".....", ".##..", "..#..", ".#..."}},
    {':', {".....", ".##..", ".##..", ".....", ".##..", ".##..", ".....", "....."}},
    {'-', {".....", ".....", ".....", "#####", ".....", ".....", ".....", "....."}},
    {'!', {"..#..", "..#..", "..#..", "..#..", "..#..", ".....", "..#..", "....."}},
    {'/', {"....#", "...#.", "...#.", "..#..", ".#...", ".#...", "#....", "....."}},
    {'(', {"...#.", "..#..", ".#...", ".#...", ".#...", "..#..", "...#.", "....."}},
    {')', {".#...", "..#..", "...#.", "...#.", "...#.", "..#..", ".#...", "....."}},
};

const PixelGlyph* FindPixelGlyph(char ch) {
    for (const auto& g : PIXEL_FONT) {
        if (g.ch == ch) {
            return &g;
        }
    }
    return nullptr;
}

}  // namespace

float TitleWidth(const std::string& text, float unit) {
    float width = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const Glyph* g = FindGlyph(text[i]);
        width += g ? g->width : SPACE_WIDTH;
        if (i + 1 < text.size()) {
            width += LETTER_GAP;
        }
    }
    return width * unit;
}

std::vector<Shape> TitleShapes(const std::string& text, float x, float y, float unit, float shear) {
    std::vector<Shape> shapes;
    float cursor = 0;
    for (char ch : text) {
        const Glyph* g = FindGlyph(ch);
        if (!g) {
            cursor += SPACE_WIDTH + LETTER_GAP;
            continue;
        }
        for (const auto& part : g->parts) {
            Shape shape = {{}, part.cut};
            for (const auto& contour : part.contours) {
                Outline placed;
                for (const auto& p : contour) {
                    placed.push_back(
                        {x + (cursor + p.x + (8 - p.y) * shear) * unit, y + p.y * unit});
                }
                shape.contours.push_back(placed);
            }
            shapes.push_back(shape);
        }
        cursor += g->width + LETTER_GAP;
    }
    return shapes;
}

void DrawTitle(Canvas* canvas, const std::string& text, float x, float y, const TitleStyle& style) {
    const int w = canvas->width;
    const int h = canvas->height;
    Coverage cov = Cover(TitleShapes(text, x, y, style.unit, style.shear), w, h, 4);
    Layer letters = LayerMake(w, h);
    LayerAddCoverage(&letters, cov);
    Layer rim = LayerDilate(letters, style.outline_width);

    // Halo first, then the block depth, the rim, the face and its bevel.
    Layer halo = rim;
    for (int k = 1; k <= style.extrude_depth; ++k) {
        for (int py = 0; py < h; ++py) {
            for (int px = 0; px < w; ++px) {
                float& v = halo.v[static_cast<size_t>(py) * w + px];
                v = std::max(v, LayerAt(rim, px - k, py - k));
            }
        }
    }
    LayerBlur(&halo, std::max(1, style.glow_radius / 2), 3);
    PaintLayer(canvas, halo, style.glow, style.glow_strength);
    for (int k = style.extrude_depth; k >= 1; --k) {
        float shade = 0.55f + 0.45f * static_cast<float>(style.extrude_depth - k) /
                                  static_cast<float>(std::max(1, style.extrude_depth));
        PaintLayer(canvas, rim, RgbScale(style.extrude, shade), 1.0f, k, k);
    }
    PaintLayer(canvas, rim, style.outline, 1.0f);
    const float top = y;
    const float height = 8 * style.unit;
    const std::vector<GradientStop> fill = style.fill;
    PaintShaded(canvas, cov,
                [&](float, float py) { return GradientAt(fill, (py - top) / height); });
    int s = std::max(1, static_cast<int>(std::lround(style.unit * 0.12f)));
    for (int py = 0; py < h; ++py) {
        for (int px = 0; px < w; ++px) {
            float here = LayerAt(letters, px, py);
            if (here <= 0) {
                continue;
            }
            float lit = here - LayerAt(letters, px - s, py - s);
            float dark = here - LayerAt(letters, px + s, py + s);
            if (lit > 0) {
                CanvasBlend(canvas, px, py, style.bevel_light, lit * 0.85f);
            }
            if (dark > 0) {
                CanvasBlend(canvas, px, py, style.bevel_dark, dark * 0.7f);
            }
        }
    }
}

int PixelTextWidth(const std::string& text, int scale) {
    return text.empty() ? 0 : (static_cast<int>(text.size()) * 6 - 1) * scale;
}

void DrawPixelText(Canvas* canvas, const std::string& text, int x, int y, int scale, Rgb colour,
                   Rgb shadow, float shadow_alpha) {
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 0 && shadow_alpha <= 0) {
            continue;
        }
        int cx = x;
        for (char ch : text) {
            const PixelGlyph* g = FindPixelGlyph(ch);
            for (int row = 0; g && row < 8; ++row) {
                for (int col = 0; col < 5; ++col) {
                    if (g->rows[row][col] != '#') {
                        continue;
                    }
                    int px = cx + col * scale;
                    int py = y + row * scale;
                    for (int dy = 0; dy < scale; ++dy) {
                        for (int dx = 0; dx < scale; ++dx) {
                            if (pass == 0) {
                                // The shadow rings each dot so the line reads on any ground.
                                for (int oy = -1; oy <= 1; ++oy) {
                                    for (int ox = -1; ox <= 1; ++ox) {
                                        CanvasBlend(canvas, px + dx + ox * std::max(1, scale / 2),
                                                    py + dy + oy * std::max(1, scale / 2) +
                                                        std::max(1, scale / 2),
                                                    shadow, shadow_alpha);
                                    }
                                }
                            } else {
                                CanvasBlend(canvas, px + dx, py + dy, colour, 1.0f);
                            }
                        }
                    }
                }
            }
            cx += 6 * scale;
        }
    }
}
