// Display objects in memory: the display, surfaces with their locks, blits and flips,
// palettes and clippers. Both backends share these semantics; a backend only presents.

#include <algorithm>
#include <cstring>

#include "platform/backend.h"
#include "platform/blit.h"
#include "platform/headless.h"
#include "platform/video_internal.h"

namespace {

constexpr int32_t MAX_MODE_SIDE = 4096;
constexpr int32_t MAX_SURFACE_SIDE = 16384;
constexpr int64_t MAX_SURFACE_BYTES = int64_t{1} << 28;
constexpr uint32_t MAX_CLIP_RECTS = 1u << 16;
constexpr int64_t MAX_BLT_SIDE = int64_t{1} << 24;

struct VideoState {
    HostSurface* primary = nullptr;  // the one primary surface, if any
    int live_objects = 0;
    int present_pending = 0;  // the palette on screen changed since the last present
};

VideoState& Video() {
    static VideoState state;
    return state;
}

bool Refused(uint32_t operation) {
    return (HostRefused() & operation) != 0;
}

bool RectEmpty(const HostRect& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

HostRect Intersect(const HostRect& a, const HostRect& b) {
    return HostRect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                    std::min(a.bottom, b.bottom)};
}

bool RectInside(const HostRect& inner, const HostRect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

HostRect Bounds(const HostSurface* surface) {
    return HostRect{0, 0, surface->width, surface->height};
}

bool SurfaceBusy(const HostSurface* surface) {
    return surface->lock_count > 0 || surface->dc_out;
}

const PaletteEntry* PresentPalette(const HostSurface* primary) {
    static const PaletteEntry black[256] = {};
    return primary->palette != nullptr ? primary->palette->entries : black;
}

void DestroySurface(HostSurface* surface);

void ReleaseClipperRef(HostClipper* clipper) {
    if (clipper != nullptr && --clipper->refs == 0) {
        delete clipper;
        --Video().live_objects;
    }
}

void ReleasePaletteRef(HostPalette* palette) {
    if (palette != nullptr && --palette->refs == 0) {
        delete palette;
        --Video().live_objects;
    }
}

void DestroySurface(HostSurface* surface) {
    VideoState& video = Video();
    if (video.primary == surface) {
        video.primary = nullptr;
    }
    if (surface->owner != nullptr && surface->owner->back == surface) {
        surface->owner->back = nullptr;
    }
    ReleaseClipperRef(surface->clipper);
    if (surface->palette != nullptr) {
        surface->palette->on_primary = 0;
        ReleasePaletteRef(surface->palette);
    }
    HostSurface* back = surface->back;
    delete surface;
    --video.live_objects;
    if (back != nullptr) {
        back->owner = nullptr;
        HostSurfaceRelease(back);  // the primary's own reference to its back buffer
    }
}

HostSurface* NewSurface(uint32_t caps, int32_t width, int32_t height) {
    auto* surface = new HostSurface;
    surface->caps = caps;
    surface->width = width;
    surface->height = height;
    surface->pitch = (width + 7) & ~7;
    surface->storage.assign(static_cast<size_t>(surface->pitch) * static_cast<size_t>(height), 0);
    surface->pixels = surface->storage.data();
    ++Video().live_objects;
    return surface;
}

// Copies the part `cut` of destination rectangle d, which shows source rectangle s.
void BltPart(HostSurface* dst, const HostRect& d, const HostRect& cut, const HostSurface* src,
             const HostRect& s, bool keyed) {
    const int32_t dw = d.right - d.left;
    const int32_t dh = d.bottom - d.top;
    const int32_t sw = s.right - s.left;
    const int32_t sh = s.bottom - s.top;
    const int32_t w = cut.right - cut.left;
    const int32_t h = cut.bottom - cut.top;
    uint8_t* out = dst->pixels + static_cast<ptrdiff_t>(cut.top) * dst->pitch + cut.left;
    if (dw == sw && dh == sh) {
        const uint8_t* in = src->pixels +
                            static_cast<ptrdiff_t>(s.top + (cut.top - d.top)) * src->pitch +
                            (s.left + (cut.left - d.left));
        if (keyed) {
            BlitCopyKeyed(out, dst->pitch, in, src->pitch, w, h, src->key_low, src->key_high);
        } else {
            BlitCopy(out, dst->pitch, in, src->pitch, w, h);
        }
        return;
    }
    // Stretched: nearest source pixel for every destination pixel.
    for (int32_t y = 0; y < h; ++y) {
        const int64_t sy = s.top + (static_cast<int64_t>(cut.top - d.top + y) * sh) / dh;
        const uint8_t* row = src->pixels + sy * src->pitch;
        uint8_t* dst_row = out + static_cast<ptrdiff_t>(y) * dst->pitch;
        for (int32_t x = 0; x < w; ++x) {
            const int64_t sx = s.left + (static_cast<int64_t>(cut.left - d.left + x) * sw) / dw;
            const uint8_t value = row[sx];
            if (!keyed || value < src->key_low || value > src->key_high) {
                dst_row[x] = value;
            }
        }
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// The display object

HostDisplay* HostDisplayCreate() {
    if (Refused(HOST_REFUSE_DISPLAY_CREATE)) {
        return nullptr;
    }
    ++Video().live_objects;
    return new HostDisplay;
}

int HostDisplaySetCooperativeLevel(HostDisplay* display, HostWindow* window, uint32_t /*flags*/) {
    if (display == nullptr || Refused(HOST_REFUSE_COOPERATIVE)) {
        return 0;
    }
    display->window = window;
    return 1;
}

int HostDisplaySetMode(HostDisplay* display, int32_t width, int32_t height, int32_t bpp) {
    if (display == nullptr || Refused(HOST_REFUSE_SET_MODE) || bpp != 8 || width < 1 ||
        height < 1 || width > MAX_MODE_SIDE || height > MAX_MODE_SIDE) {
        return 0;
    }
    display->mode_set = 1;
    display->width = width;
    display->height = height;
    HostBackendCurrent()->mode_set(width, height);
    return 1;
}

int HostDisplayWaitVerticalBlank(HostDisplay* display, uint32_t) {
    return display != nullptr ? 1 : 0;
}

void HostDisplayRelease(HostDisplay* display) {
    if (display != nullptr && --display->refs == 0) {
        delete display;
        --Video().live_objects;
    }
}

// ---------------------------------------------------------------------------
// Surfaces

HostSurface* HostSurfaceCreate(HostDisplay* display, const HostSurfaceDesc* desc) {
    if (display == nullptr || desc == nullptr || Refused(HOST_REFUSE_SURFACE_CREATE)) {
        return nullptr;
    }
    const uint32_t caps = (desc->dwFlags & DDSD_CAPS) ? desc->ddsCaps.dwCaps : 0;
    if (caps & DDSCAPS_PRIMARYSURFACE) {
        if (!display->mode_set || Video().primary != nullptr) {
            return nullptr;
        }
        const bool wants_back = (desc->dwFlags & DDSD_BACKBUFFERCOUNT) && desc->dwBackBufferCount;
        if (wants_back && (desc->dwBackBufferCount != 1 || !(caps & DDSCAPS_FLIP))) {
            return nullptr;  // one back buffer is what this host offers
        }
        HostSurface* primary = NewSurface(caps, display->width, display->height);
        if (wants_back) {
            HostSurface* back = NewSurface(DDSCAPS_BACKBUFFER, display->width, display->height);
            back->owner = primary;
            primary->back = back;
        }
        Video().primary = primary;
        return primary;
    }
    if ((desc->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT)) {
        return nullptr;
    }
    const int64_t width = desc->dwWidth;
    const int64_t height = desc->dwHeight;
    if (width < 1 || height < 1 || width > MAX_SURFACE_SIDE || height > MAX_SURFACE_SIDE ||
        ((width + 7) & ~7) * height > MAX_SURFACE_BYTES) {
        return nullptr;
    }
    return NewSurface(caps | DDSCAPS_OFFSCREENPLAIN, static_cast<int32_t>(width),
                      static_cast<int32_t>(height));
}

HostSurface* HostSurfaceGetAttached(HostSurface* surface, uint32_t caps) {
    if (surface == nullptr || surface->back == nullptr || !(caps & DDSCAPS_BACKBUFFER)) {
        return nullptr;
    }
    ++surface->back->refs;
    return surface->back;
}

void HostSurfaceRelease(HostSurface* surface) {
    if (surface != nullptr && --surface->refs == 0) {
        DestroySurface(surface);
    }
}

int HostSurfaceSetColorKey(HostSurface* surface, uint32_t flags, uint32_t low, uint32_t high) {
    if (surface == nullptr || !(flags & DDCKEY_SRCBLT) || low > 255 || high > 255 || low > high) {
        return 0;
    }
    surface->has_color_key = 1;
    surface->key_low = static_cast<uint8_t>(low);
    surface->key_high = static_cast<uint8_t>(high);
    return 1;
}

int HostSurfaceLock(HostSurface* surface, const HostRect* rect, HostSurfaceDesc* desc, uint32_t) {
    if (surface == nullptr || desc == nullptr || rect != nullptr || surface->dc_out ||
        Refused(HOST_REFUSE_LOCK)) {
        return 0;
    }
    ++surface->lock_count;
    desc->dwFlags |= DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_CAPS;
    desc->dwWidth = static_cast<uint32_t>(surface->width);
    desc->dwHeight = static_cast<uint32_t>(surface->height);
    desc->lPitch = surface->pitch;
    desc->lpSurface = surface->pixels;
    desc->ddsCaps.dwCaps = surface->caps;
    return 1;
}

int HostSurfaceUnlock(HostSurface* surface, void*) {
    if (surface == nullptr || surface->lock_count == 0) {
        return 0;
    }
    --surface->lock_count;
    return 1;
}

int HostSurfaceBlt(HostSurface* dst, const HostRect* dst_rect, HostSurface* src,
                   const HostRect* src_rect, uint32_t flags, uint32_t fill_color) {
    if (dst == nullptr || SurfaceBusy(dst) || Refused(HOST_REFUSE_BLT)) {
        return 0;
    }
    const HostRect d = dst_rect != nullptr ? *dst_rect : Bounds(dst);
    if (RectEmpty(d)) {
        return 0;
    }
    const bool fill = (flags & DDBLT_COLORFILL) != 0;
    HostRect s{};
    if (!fill) {
        // Sizes past MAX_BLT_SIDE would overflow the stretch arithmetic; no surface is that
        // big. A fill only ever touches the cut rectangle, so it is cut whatever its size.
        if (int64_t{d.right} - d.left > MAX_BLT_SIDE || int64_t{d.bottom} - d.top > MAX_BLT_SIDE) {
            return 0;
        }
        if (src == nullptr || SurfaceBusy(src)) {
            return 0;
        }
        s = src_rect != nullptr ? *src_rect : Bounds(src);
        if (RectEmpty(s) || !RectInside(s, Bounds(src))) {
            return 0;
        }
    }
    const bool keyed = !fill && (flags & DDBLT_KEYSRC) && src->has_color_key;

    auto draw = [&](const HostRect& cut) {
        if (fill) {
            BlitFill(dst->pixels + static_cast<ptrdiff_t>(cut.top) * dst->pitch + cut.left,
                     dst->pitch, cut.right - cut.left, cut.bottom - cut.top,
                     static_cast<uint8_t>(fill_color));
        } else {
            BltPart(dst, d, cut, src, s, keyed);
        }
    };
    // Without a clipper the destination must lie inside the surface; with one, it is cut.
    if (dst->clipper == nullptr) {
        if (!RectInside(d, Bounds(dst))) {
            return 0;
        }
        draw(d);
        return 1;
    }
    for (const HostRect& clip : dst->clipper->rects) {
        const HostRect cut = Intersect(Intersect(d, clip), Bounds(dst));
        if (!RectEmpty(cut)) {
            draw(cut);
        }
    }
    return 1;
}

int HostSurfaceFlip(HostSurface* primary, uint32_t) {
    if (primary == nullptr || primary->back == nullptr || Refused(HOST_REFUSE_FLIP) ||
        SurfaceBusy(primary) || SurfaceBusy(primary->back)) {
        return 0;
    }
    HostSurface* back = primary->back;
    std::swap(primary->storage, back->storage);
    primary->pixels = primary->storage.data();
    back->pixels = back->storage.data();
    HostVideoPresentNow();  // also shows a palette change still waiting
    return 1;
}

int HostSurfaceSetClipper(HostSurface* surface, HostClipper* clipper) {
    if (surface == nullptr || Refused(HOST_REFUSE_CLIPPER)) {
        return 0;
    }
    if (clipper != nullptr) {
        ++clipper->refs;
    }
    ReleaseClipperRef(surface->clipper);
    surface->clipper = clipper;
    return 1;
}

int HostSurfaceSetPalette(HostSurface* primary, HostPalette* palette) {
    if (primary == nullptr || palette == nullptr || !(primary->caps & DDSCAPS_PRIMARYSURFACE) ||
        Refused(HOST_REFUSE_SET_PALETTE)) {
        return 0;
    }
    ++palette->refs;
    if (primary->palette != nullptr) {
        primary->palette->on_primary = 0;
        ReleasePaletteRef(primary->palette);
    }
    primary->palette = palette;
    palette->on_primary = 1;
    HostVideoPresentNow();
    return 1;
}

void HostSurfaceDescribe(const HostSurface* surface, int32_t* width, int32_t* height,
                         int32_t* pitch) {
    if (width != nullptr) {
        *width = surface != nullptr ? surface->width : 0;
    }
    if (height != nullptr) {
        *height = surface != nullptr ? surface->height : 0;
    }
    if (pitch != nullptr) {
        *pitch = surface != nullptr ? surface->pitch : 0;
    }
}

// ---------------------------------------------------------------------------
// Palettes

HostPalette* HostPaletteCreate(HostDisplay* display, uint32_t flags, const PaletteEntry* entries) {
    if (display == nullptr || entries == nullptr || !(flags & DDPCAPS_8BIT) ||
        Refused(HOST_REFUSE_PALETTE_CREATE)) {
        return nullptr;
    }
    auto* palette = new HostPalette;
    palette->flags = flags;
    std::memcpy(palette->entries, entries, sizeof(palette->entries));
    ++Video().live_objects;
    return palette;
}

int HostPaletteSetEntries(HostPalette* palette, uint32_t, int start, int count,
                          const PaletteEntry* entries) {
    if (palette == nullptr || entries == nullptr || start < 0 || count < 0 || start > 256 ||
        count > 256 - start) {
        return 0;
    }
    std::memmove(palette->entries + start, entries, sizeof(PaletteEntry) * count);
    if (palette->on_primary) {
        // Shown by the next clock read, sleep or message pump, which every caller comes to
        // at once: a fade's step then spends its present inside its 12 ms instead of after.
        Video().present_pending = 1;
    }
    return 1;
}

int HostPaletteGetEntries(HostPalette* palette, uint32_t, int start, int count,
                          PaletteEntry* entries) {
    if (palette == nullptr || entries == nullptr || start < 0 || count < 0 || start > 256 ||
        count > 256 - start) {
        return 0;
    }
    std::memmove(entries, palette->entries + start, sizeof(PaletteEntry) * count);
    return 1;
}

void HostPaletteRelease(HostPalette* palette) {
    ReleasePaletteRef(palette);
}

const PaletteEntry* HostVideoScreenPalette() {
    HostSurface* primary = Video().primary;
    return primary != nullptr && primary->palette != nullptr ? primary->palette->entries : nullptr;
}

void HostVideoPresentNow() {
    HostSurface* primary = Video().primary;
    Video().present_pending = 0;
    if (primary == nullptr) {
        return;
    }
    HostBackendCurrent()->present(primary->pixels, primary->pitch, primary->width, primary->height,
                                  PresentPalette(primary));
}

void HostVideoPresentPending() {
    if (Video().present_pending) {
        HostVideoPresentNow();
    }
}

int HostVideoScreenLocked() {
    HostSurface* primary = Video().primary;
    return primary != nullptr && primary->lock_count > 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Clippers

HostClipper* HostClipperCreate(HostDisplay*, uint32_t) {
    if (Refused(HOST_REFUSE_CLIPPER)) {
        return nullptr;
    }
    ++Video().live_objects;
    return new HostClipper;
}

int HostClipperSetClipList(HostClipper* clipper, const HostRegionHeader* region, uint32_t) {
    if (clipper == nullptr || region == nullptr || Refused(HOST_REFUSE_CLIPPER) ||
        region->nCount > MAX_CLIP_RECTS) {
        return 0;
    }
    const auto* rects = reinterpret_cast<const HostRect*>(region + 1);
    clipper->header = *region;
    clipper->rects.assign(rects, rects + region->nCount);
    return 1;
}

int HostClipperGetClipList(HostClipper* clipper, HostRegionHeader* out, uint32_t* size) {
    if (clipper == nullptr || size == nullptr) {
        return 0;
    }
    const uint32_t needed =
        static_cast<uint32_t>(sizeof(HostRegionHeader) + sizeof(HostRect) * clipper->rects.size());
    const uint32_t room = *size;
    *size = needed;
    if (out == nullptr || room < needed) {
        return 0;
    }
    *out = clipper->header;
    if (!clipper->rects.empty()) {
        std::memcpy(reinterpret_cast<HostRect*>(out + 1), clipper->rects.data(),
                    sizeof(HostRect) * clipper->rects.size());
    }
    return 1;
}

void HostClipperRelease(HostClipper* clipper) {
    ReleaseClipperRef(clipper);
}

int HostLiveObjects() {
    return Video().live_objects;
}
