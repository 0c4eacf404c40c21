#ifndef QENT_PLATFORM_BLIT_H
#define QENT_PLATFORM_BLIT_H

// The pixel loops behind the host's blits. Rectangles are already cut and checked by the
// caller: every pointer and size here is inside its buffer.

#include <cstdint>

// Fills w x h bytes with colour.
void BlitFill(uint8_t* dst, int32_t dst_pitch, int32_t w, int32_t h, uint8_t color);
// Copies w x h bytes.
void BlitCopy(uint8_t* dst, int32_t dst_pitch, const uint8_t* src, int32_t src_pitch, int32_t w,
              int32_t h);
// Copies w x h bytes, skipping source bytes in key_low..key_high.
void BlitCopyKeyed(uint8_t* dst, int32_t dst_pitch, const uint8_t* src, int32_t src_pitch,
                   int32_t w, int32_t h, uint8_t key_low, uint8_t key_high);

#endif
