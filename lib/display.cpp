// The display: mode, primary surface and back buffer, palette, clipper; fills, locks, flips.
#include "lib/display.h"

#include <cstdlib>
#include <cstring>

#include "lib/app.h"

HostDisplay* direct_draw = nullptr;
HostSurface* primary_surface = nullptr;
HostSurface* back_surface = nullptr;
HostPalette* display_palette = nullptr;
HostClipper* display_clipper = nullptr;
int32_t display_width = 640;
int32_t display_height = 480;
int32_t display_bpp = 8;

const int32_t clip_min_x = 0;
const int32_t clip_min_y = 0;
const int32_t clip_max_x = 639;
const int32_t clip_max_y = 479;

HostSurfaceDesc surface_desc{};
PaletteEntry palette_shadow[256]{};

uint8_t* primary_pixels = nullptr;
int32_t primary_pitch = 0;
uint8_t* back_pixels = nullptr;
int32_t back_pitch = 0;

namespace {

constexpr uint32_t DISPLAY_COOPERATIVE_FLAGS =
    DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_EXCLUSIVE | DDSCL_ALLOWMODEX;  // 0x53
constexpr uint32_t DISPLAY_PALETTE_FLAGS = DDPCAPS_8BIT | DDPCAPS_ALLOW256;     // 0x44
// A flip that is still refused after this many requests gives up the frame.
constexpr int DISPLAY_FLIP_ATTEMPTS = 8;
// The clip bound starts outside any real rectangle so the first one sets every side.
constexpr int32_t CLIP_BOUND_START = 64000;
constexpr size_t REGION_HEADER_SIZE = 32;
constexpr size_t REGION_RECT_SIZE = 16;

static_assert(sizeof(HostRegionHeader) == REGION_HEADER_SIZE, "region header is 32 bytes");
static_assert(sizeof(HostRect) == REGION_RECT_SIZE, "a region rectangle is 16 bytes");

// Four ramps of 64 steps from 0 to 252: red, green, blue, grey.
void DisplayFillRampPalette() {
    std::memset(palette_shadow, 0, sizeof palette_shadow);
    for (int i = 0; i < 256; i++) {
        PaletteEntry& entry = palette_shadow[i];
        uint8_t step = static_cast<uint8_t>(4 * (i % 64));
        switch (i / 64) {
            case 0:
                entry.red = step;
                break;
            case 1:
                entry.green = step;
                break;
            case 2:
                entry.blue = step;
                break;
            default:
                entry.red = step;
                entry.green = step;
                entry.blue = step;
                break;
        }
        entry.flags = PC_NOCOLLAPSE;
    }
}

}  // namespace

int DisplayInit(int32_t width, int32_t height, int32_t bpp) {
    // A second set-up would otherwise lose the first one's objects.
    if (direct_draw != nullptr) {
        DisplayShutdown();
    }

    direct_draw = HostDisplayCreate();
    if (direct_draw == nullptr) {
        return 0;
    }
    if (!HostDisplaySetCooperativeLevel(direct_draw, app_window, DISPLAY_COOPERATIVE_FLAGS)) {
        return 0;
    }
    if (!HostDisplaySetMode(direct_draw, width, height, bpp)) {
        return 0;
    }
    display_height = height;
    display_width = width;
    display_bpp = bpp;

    std::memset(&surface_desc, 0, sizeof surface_desc);
    surface_desc.dwSize = HOST_SURFACE_DESC_SIZE;
    surface_desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    surface_desc.dwBackBufferCount = 1;
    surface_desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    // Every later step needs both buffers, so their absence is a failure like the others.
    primary_surface = HostSurfaceCreate(direct_draw, &surface_desc);
    if (primary_surface == nullptr) {
        return 0;
    }
    back_surface = HostSurfaceGetAttached(primary_surface, DDSCAPS_BACKBUFFER);
    if (back_surface == nullptr) {
        return 0;
    }

    DisplayFillRampPalette();
    display_palette = HostPaletteCreate(direct_draw, DISPLAY_PALETTE_FLAGS, palette_shadow);
    if (display_palette == nullptr) {
        return 0;
    }
    if (!HostSurfaceSetPalette(primary_surface, display_palette)) {
        return 0;
    }

    SurfaceFill(primary_surface, 0);
    SurfaceFill(back_surface, 0);
    return 1;
}

int DisplayShutdown() {
    if (display_clipper != nullptr) {
        HostClipperRelease(display_clipper);
        display_clipper = nullptr;
    }
    if (display_palette != nullptr) {
        HostPaletteRelease(display_palette);
        display_palette = nullptr;
    }
    if (back_surface != nullptr) {
        HostSurfaceRelease(back_surface);
        back_surface = nullptr;
    }
    if (primary_surface != nullptr) {
        HostSurfaceRelease(primary_surface);
        primary_surface = nullptr;
    }
    if (direct_draw != nullptr) {
        HostDisplayRelease(direct_draw);
        direct_draw = nullptr;
    }
    // The buffers are gone: a pointer into them must not survive as a lock.
    primary_pixels = nullptr;
    primary_pitch = 0;
    back_pixels = nullptr;
    back_pitch = 0;
    return 1;
}

HostClipper* ClipperAttach(HostSurface* surface, int32_t count, const HostRect* rects) {
    if (count < 0 || (count > 0 && rects == nullptr)) {
        return nullptr;
    }
    HostClipper* clipper = HostClipperCreate(direct_draw, 0);
    if (clipper == nullptr) {
        return nullptr;
    }

    // The region record: the header, then the rectangles as given, in one block.
    size_t rect_bytes = REGION_RECT_SIZE * static_cast<size_t>(count);
    auto* block = static_cast<uint8_t*>(std::malloc(REGION_HEADER_SIZE + rect_bytes));
    if (block == nullptr) {
        HostClipperRelease(clipper);
        return nullptr;
    }
    if (count > 0) {
        std::memcpy(block + REGION_HEADER_SIZE, rects, rect_bytes);
    }

    HostRegionHeader header{};
    header.dwSize = REGION_HEADER_SIZE;
    header.iType = RDH_RECTANGLES;
    header.nCount = static_cast<uint32_t>(count);
    header.nRgnSize = static_cast<uint32_t>(rect_bytes);
    header.rcBound = {CLIP_BOUND_START, CLIP_BOUND_START, -CLIP_BOUND_START, -CLIP_BOUND_START};
    for (int32_t i = 0; i < count; i++) {
        const HostRect& rect = rects[i];
        if (rect.left < header.rcBound.left) {
            header.rcBound.left = rect.left;
        }
        if (rect.right > header.rcBound.right) {
            header.rcBound.right = rect.right;
        }
        if (rect.top < header.rcBound.top) {
            header.rcBound.top = rect.top;
        }
        if (rect.bottom > header.rcBound.bottom) {
            header.rcBound.bottom = rect.bottom;
        }
    }
    std::memcpy(block, &header, sizeof header);

    const auto* region = reinterpret_cast<const HostRegionHeader*>(block);
    int attached =
        HostClipperSetClipList(clipper, region, 0) && HostSurfaceSetClipper(surface, clipper);
    std::free(block);
    if (!attached) {
        // Nobody else holds the clipper yet: release it rather than lose it.
        HostClipperRelease(clipper);
        return nullptr;
    }
    return clipper;
}

HostSurface* SurfaceCreate(int32_t width, int32_t height, uint32_t extra_caps) {
    if (width <= 0 || height <= 0) {
        return nullptr;
    }
    HostSurfaceDesc ddsd{};
    ddsd.dwSize = HOST_SURFACE_DESC_SIZE;
    ddsd.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    ddsd.dwWidth = static_cast<uint32_t>(width);
    ddsd.dwHeight = static_cast<uint32_t>(height);
    ddsd.ddsCaps.dwCaps = extra_caps | DDSCAPS_OFFSCREENPLAIN;
    HostSurface* lpdds = HostSurfaceCreate(direct_draw, &ddsd);
    if (lpdds == nullptr) {
        return nullptr;
    }
    // Index 0 is transparent when the surface is blitted with its source key.
    HostSurfaceSetColorKey(lpdds, DDCKEY_SRCBLT, 0, 0);
    return lpdds;
}

int SurfaceFill(HostSurface* surface, int32_t color) {
    if (surface != nullptr) {
        HostSurfaceBlt(surface, nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT,
                       static_cast<uint32_t>(color));
    }
    return 1;
}

uint8_t* SurfaceLock(HostSurface* surface, int32_t* pitch) {
    if (surface == nullptr) {
        return nullptr;
    }
    // Cleared first, so a refused lock reads as a null pointer and a pitch of 0.
    std::memset(&surface_desc, 0, sizeof surface_desc);
    surface_desc.dwSize = HOST_SURFACE_DESC_SIZE;
    HostSurfaceLock(surface, nullptr, &surface_desc, DDLOCK_WAIT);
    if (pitch != nullptr) {
        *pitch = surface_desc.lPitch;
    }
    return surface_desc.lpSurface;
}

int SurfaceUnlock(HostSurface* surface, uint8_t* pixels) {
    if (surface == nullptr) {
        return 0;
    }
    HostSurfaceUnlock(surface, pixels);
    return 1;
}

uint8_t* PrimaryLock() {
    if (primary_pixels != nullptr) {
        return primary_pixels;
    }
    primary_pixels = SurfaceLock(primary_surface, &primary_pitch);
    return primary_pixels;
}

int PrimaryUnlock() {
    if (primary_pixels == nullptr) {
        return 0;
    }
    HostSurfaceUnlock(primary_surface, primary_pixels);
    primary_pixels = nullptr;
    primary_pitch = 0;
    return 1;
}

uint8_t* BackLock() {
    if (back_pixels != nullptr) {
        return back_pixels;
    }
    back_pixels = SurfaceLock(back_surface, &back_pitch);
    return back_pixels;
}

int BackUnlock() {
    if (back_pixels == nullptr) {
        return 0;
    }
    HostSurfaceUnlock(back_surface, back_pixels);
    back_pixels = nullptr;
    back_pitch = 0;
    return 1;
}

int DisplayFlip() {
    if (primary_pixels != nullptr || back_pixels != nullptr) {
        return 0;
    }
    if (primary_surface == nullptr) {
        return 0;
    }
    // A refused flip is asked again, but a surface that can never flip must not hold the
    // program here: after a few refusals the frame is given up.
    for (int attempt = 0; attempt < DISPLAY_FLIP_ATTEMPTS; attempt++) {
        if (HostSurfaceFlip(primary_surface, DDFLIP_WAIT)) {
            return 1;
        }
    }
    return 0;
}

int DisplayWaitVblank() {
    if (direct_draw != nullptr) {
        HostDisplayWaitVerticalBlank(direct_draw, DDWAITVB_BLOCKBEGIN);
    }
    return 1;
}
