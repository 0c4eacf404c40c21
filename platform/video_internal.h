#ifndef QENT_PLATFORM_VIDEO_INTERNAL_H
#define QENT_PLATFORM_VIDEO_INTERNAL_H

// The display objects as the host holds them. Only platform/ sees this header.

#include <cstdint>
#include <vector>

#include "platform/host.h"

struct HostDisplay {
    int refs = 1;
    int mode_set = 0;
    int32_t width = 0;
    int32_t height = 0;
    HostWindow* window = nullptr;
};

struct HostClipper {
    int refs = 1;
    HostRegionHeader header{};    // as the last SetClipList gave it
    std::vector<HostRect> rects;  // the list, as given
};

struct HostPalette {
    int refs = 1;
    uint32_t flags = 0;
    PaletteEntry entries[256]{};
    int on_primary = 0;  // attached to a primary: changes are presented at once
};

struct HostSurface {
    int refs = 1;
    uint32_t caps = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;             // bytes per row; width rounded up to 8
    std::vector<uint8_t> storage;  // pitch x height bytes
    uint8_t* pixels = nullptr;     // storage.data(), swapped with the back buffer on a flip
    int lock_count = 0;
    int has_color_key = 0;
    uint8_t key_low = 0;
    uint8_t key_high = 0;
    HostClipper* clipper = nullptr;  // one reference held while attached
    HostPalette* palette = nullptr;  // primary only; one reference held while attached
    HostSurface* back = nullptr;     // primary: its back buffer, owned with it
    HostSurface* owner = nullptr;    // back buffer: its primary
    int dc_out = 0;                  // a device context is out
};

// The palette the screen shows (the primary's), or null before one is attached.
const PaletteEntry* HostVideoScreenPalette();

#endif
