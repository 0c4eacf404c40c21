#ifndef QENT_PLATFORM_PRESENT_H
#define QENT_PLATFORM_PRESENT_H

// The present path's pixel work: an 8-bit frame through its palette to 32-bit pixels.

#include <cstdint>

#include "platform/host.h"

// Converts width x height palette indexes to XRGB8888 (alpha 0xFF), one uint32 per pixel.
// Pitches are in bytes; the destination rows must hold width pixels. A null palette shows
// every index as black.
void HostConvertFrame(const uint8_t* src, int32_t src_pitch, int32_t width, int32_t height,
                      const PaletteEntry* palette, uint32_t* dst, int32_t dst_pitch);

#endif
