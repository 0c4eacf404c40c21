// Text on surfaces, as GDI draws it on a palettised screen: one bold sans font at a 16-pixel
// line, glyphs without anti-aliasing (an 8-bit surface has no blending), in the palette index
// nearest the text colour, cut to the surface and its clipper.

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/backend.h"
#include "platform/headless.h"
#include "platform/text_internal.h"
#include "platform/video_internal.h"

struct HostDC {
    HostSurface* surface = nullptr;  // one reference held while the context is out
    uint32_t text_color = 0;         // 0x00BBGGRR; GDI starts with black
    int bk_mode = OPAQUE;            // GDI starts opaque, on a white background
};

namespace {

constexpr const char* FONT_FILE = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
constexpr const char* FONT_NAME = "DejaVuSans-Bold.ttf";
constexpr int FONT_POINTS = 13;  // a line 16 pixels high
constexpr size_t CACHE_LIMIT = 128;
constexpr uint32_t OPAQUE_BACKGROUND = 0x00FFFFFF;  // GDI's default background colour

// One rendered string: 1 where a glyph has ink.
struct InkMask {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> ink;
};

struct TextState {
    bool tried = false;        // the font was looked for
    bool ttf_started = false;  // TTF_Init succeeded
    TTF_Font* font = nullptr;
    std::string problem;                             // empty when the font was found
    std::string font_override;                       // set by tests
    std::unordered_map<std::string, InkMask> cache;  // by text: the game repeats its strings

    ~TextState() {
        Close();
    }

    void Close() {
        cache.clear();
        if (font != nullptr) {
            TTF_CloseFont(font);
            font = nullptr;
        }
        if (ttf_started) {
            TTF_Quit();
            ttf_started = false;
        }
        tried = false;
        problem.clear();
    }
};

TextState& Text() {
    static TextState state;
    return state;
}

// What fontconfig offers for the family, when it is the same file under another directory.
std::string AskFontconfig() {
    FILE* pipe = popen("fc-match -f '%{file}' 'DejaVu Sans:bold' 2>/dev/null", "r");
    if (pipe == nullptr) {
        return {};
    }
    std::string path;
    char chunk[256];
    size_t got = 0;
    while ((got = fread(chunk, 1, sizeof(chunk), pipe)) > 0) {
        path.append(chunk, got);
    }
    pclose(pipe);
    const std::string name = FONT_NAME;
    if (path.size() < name.size() || path.compare(path.size() - name.size(), name.size(), name)) {
        return {};
    }
    return path;
}

bool OpenFont() {
    TextState& text = Text();
    if (text.tried) {
        return text.font != nullptr;
    }
    text.tried = true;
    if (!text.ttf_started && TTF_Init() == 0) {
        text.ttf_started = true;
    }
    if (text.ttf_started) {
        if (!text.font_override.empty()) {
            text.font = TTF_OpenFont(text.font_override.c_str(), FONT_POINTS);
        } else {
            text.font = TTF_OpenFont(FONT_FILE, FONT_POINTS);
            if (text.font == nullptr) {
                const std::string found = AskFontconfig();
                if (!found.empty()) {
                    text.font = TTF_OpenFont(found.c_str(), FONT_POINTS);
                }
            }
        }
    }
    if (text.font == nullptr) {
        text.problem =
            "no font for text: DejaVu Sans Bold is missing (install the package "
            "fonts-dejavu-core)";
        return false;
    }
    return true;
}

// Null when nothing is drawn (an empty string).
const InkMask* Render(const std::string& string) {
    TextState& text = Text();
    auto found = text.cache.find(string);
    if (found != text.cache.end()) {
        return &found->second;
    }
    if (string.empty() || text.font == nullptr) {
        return nullptr;
    }
    // The bytes are Latin-1, which is what TTF_RenderText_* takes.
    SDL_Surface* rendered =
        TTF_RenderText_Solid(text.font, string.c_str(), SDL_Color{255, 255, 255, 255});
    if (rendered == nullptr) {
        return nullptr;
    }
    InkMask mask;
    mask.width = rendered->w;
    mask.height = rendered->h;
    mask.ink.assign(static_cast<size_t>(mask.width) * static_cast<size_t>(mask.height), 0);
    SDL_LockSurface(rendered);
    const auto* pixels = static_cast<const uint8_t*>(rendered->pixels);
    for (int32_t y = 0; y < mask.height; ++y) {
        const uint8_t* row = pixels + static_cast<ptrdiff_t>(y) * rendered->pitch;
        for (int32_t x = 0; x < mask.width; ++x) {
            mask.ink[static_cast<size_t>(y) * mask.width + x] = row[x] != 0 ? 1 : 0;
        }
    }
    SDL_UnlockSurface(rendered);
    SDL_FreeSurface(rendered);
    if (text.cache.size() >= CACHE_LIMIT) {
        text.cache.clear();
    }
    return &text.cache.emplace(string, std::move(mask)).first->second;
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
        surface->lock_count > 0 || surface->dc_out || !OpenFont()) {
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
    const InkMask* mask = Render(std::string(text, static_cast<size_t>(length)));
    if (mask == nullptr) {
        return 1;
    }
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

const char* HostFontProblem() {
    return OpenFont() ? nullptr : Text().problem.c_str();
}

void HostTextUseFont(const char* path) {
    TextState& text = Text();
    text.Close();
    text.font_override = path != nullptr ? path : "";
}
