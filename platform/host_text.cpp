// Text on surfaces, as GDI draws it on a palettised screen: one bold sans font at a 16-pixel
// line, glyphs without anti-aliasing (an 8-bit surface has no blending), in the palette index
// nearest the text colour, cut to the surface and its clipper. The glyphs come from a table
// built into the program (platform/font_atlas.cpp), so no backend needs a font file.

#include <algorithm>
#include <vector>

#include "platform/backend.h"
#include "platform/font_atlas.h"
#include "platform/headless.h"
#include "platform/video_internal.h"

struct HostDC {
    HostSurface* surface = nullptr;  // one reference held while the context is out
    uint32_t text_color = 0;         // 0x00BBGGRR; GDI starts with black
    int bk_mode = OPAQUE;            // GDI starts opaque, on a white background
};

namespace {

constexpr uint32_t OPAQUE_BACKGROUND = 0x00FFFFFF;  // GDI's default background colour

// One laid-out string: 1 where a glyph has ink, over the string's whole box.
struct InkMask {
    int32_t width = 0;
    int32_t height = FONT_LINE_HEIGHT;
    std::vector<uint8_t> ink;
};

// Lays the bytes out pen by pen. The box runs from the leftmost glyph box (or the first pen
// position) to the rightmost box edge (or the last pen position); an empty box draws nothing.
bool Layout(const char* text, int32_t length, InkMask* mask) {
    int64_t pen = 0;
    int64_t left = 0;
    int64_t right = 0;
    int32_t count = 0;
    for (; count < length && text[count] != '\0'; count++) {
        const FontGlyph& glyph = font_glyphs[static_cast<uint8_t>(text[count])];
        if (glyph.box_width > 0) {
            left = std::min(left, pen + glyph.box_left);
            right = std::max(right, pen + glyph.box_left + glyph.box_width);
        }
        pen += glyph.advance;
    }
    right = std::max(right, pen);
    // A string as wide as this reaches far past any surface: nothing of it could be drawn.
    constexpr int64_t WIDEST = 1 << 24;
    if (right <= left || right - left > WIDEST) {
        return false;
    }
    mask->width = static_cast<int32_t>(right - left);
    mask->ink.assign(static_cast<size_t>(mask->width) * FONT_LINE_HEIGHT, 0);
    pen = -left;
    for (int32_t i = 0; i < count; i++) {
        const FontGlyph& glyph = font_glyphs[static_cast<uint8_t>(text[i])];
        const int row_bytes = (glyph.ink_width + 7) / 8;
        for (int row = 0; row < glyph.ink_rows; row++) {
            const int y = glyph.ink_top + row;
            if (y < 0 || y >= FONT_LINE_HEIGHT) {
                continue;
            }
            const uint8_t* bits = font_bits + glyph.bits + static_cast<size_t>(row) * row_bytes;
            for (int column = 0; column < glyph.ink_width; column++) {
                const int64_t x = pen + glyph.ink_left + column;
                if (x >= 0 && x < mask->width && ((bits[column / 8] >> (7 - column % 8)) & 1)) {
                    mask->ink[static_cast<size_t>(y) * mask->width + x] = 1;
                }
            }
        }
        pen += glyph.advance;
    }
    return true;
}

// The palette index a palettised screen shows for an RGB colour: least squared distance,
// the lowest index on ties. Without a palette on screen every entry counts as black.
uint8_t NearestIndex(uint32_t colorref) {
    const PaletteEntry* palette = HostVideoScreenPalette();
    if (palette == nullptr) {
        return 0;
    }
    const int red = colorref & 0xFF;
    const int green = (colorref >> 8) & 0xFF;
    const int blue = (colorref >> 16) & 0xFF;
    int best = 0;
    int best_distance = 1 << 30;
    for (int i = 0; i < 256; ++i) {
        const int dr = palette[i].red - red;
        const int dg = palette[i].green - green;
        const int db = palette[i].blue - blue;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < best_distance) {
            best = i;
            best_distance = distance;
        }
    }
    return static_cast<uint8_t>(best);
}

struct Box {  // inclusive left/top, exclusive right/bottom, wide enough for any sum
    int64_t left;
    int64_t top;
    int64_t right;
    int64_t bottom;
};

Box Intersect(const Box& a, const Box& b) {
    return Box{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
}

void Paint(HostSurface* surface, const Box& area, int64_t x, int64_t y, const InkMask& mask,
           uint8_t ink, bool opaque, uint8_t background) {
    if (area.left >= area.right || area.top >= area.bottom) {
        return;
    }
    for (int64_t row = area.top; row < area.bottom; ++row) {
        const uint8_t* source =
            mask.ink.data() + static_cast<size_t>(row - y) * mask.width + (area.left - x);
        uint8_t* out = surface->pixels + row * surface->pitch + area.left;
        for (int64_t n = area.right - area.left; n > 0; --n, ++source, ++out) {
            if (*source != 0) {
                *out = ink;
            } else if (opaque) {
                *out = background;
            }
        }
    }
}

}  // namespace

HostDC* HostSurfaceGetDC(HostSurface* surface) {
    if (surface == nullptr || (HostRefused() & HOST_REFUSE_GET_DC) != 0 ||
        surface->lock_count > 0 || surface->dc_out) {
        return nullptr;
    }
    auto* dc = new HostDC;
    dc->surface = surface;
    ++surface->refs;
    surface->dc_out = 1;
    return dc;
}

void HostSurfaceReleaseDC(HostSurface*, HostDC* dc) {
    if (dc == nullptr) {
        return;
    }
    // The context knows its surface; a mismatched argument must not leave it out for ever.
    HostSurface* surface = dc->surface;
    delete dc;
    surface->dc_out = 0;
    const bool on_screen = (surface->caps & DDSCAPS_PRIMARYSURFACE) != 0;
    HostSurfaceRelease(surface);
    if (on_screen) {
        HostVideoPresentNow();  // text drawn on the primary shows at once, as on the screen
    }
}

uint32_t HostSetTextColor(HostDC* dc, uint32_t colorref) {
    if (dc == nullptr) {
        return 0xFFFFFFFF;  // CLR_INVALID
    }
    const uint32_t old = dc->text_color;
    dc->text_color = colorref & 0x00FFFFFF;
    return old;
}

int HostSetBkMode(HostDC* dc, int mode) {
    if (dc == nullptr || (mode != TRANSPARENT && mode != OPAQUE)) {
        return 0;
    }
    const int old = dc->bk_mode;
    dc->bk_mode = mode;
    return old;
}

int HostTextOut(HostDC* dc, int32_t x, int32_t y, const char* text, int32_t length) {
    if (dc == nullptr || length < 0 || (text == nullptr && length > 0)) {
        return 0;
    }
    if (length == 0) {
        return 1;
    }
    InkMask laid_out;
    if (!Layout(text, length, &laid_out)) {
        return 1;
    }
    const InkMask* mask = &laid_out;
    HostSurface* surface = dc->surface;
    const uint8_t ink = NearestIndex(dc->text_color);
    const bool opaque = dc->bk_mode == OPAQUE;
    const uint8_t background = opaque ? NearestIndex(OPAQUE_BACKGROUND) : 0;
    const Box string_box{x, y, int64_t{x} + mask->width, int64_t{y} + mask->height};
    const Box area = Intersect(string_box, Box{0, 0, surface->width, surface->height});
    if (surface->clipper == nullptr) {
        Paint(surface, area, x, y, *mask, ink, opaque, background);
        return 1;
    }
    for (const HostRect& clip : surface->clipper->rects) {
        const Box cut = Intersect(area, Box{clip.left, clip.top, clip.right, clip.bottom});
        Paint(surface, cut, x, y, *mask, ink, opaque, background);
    }
    return 1;
}
