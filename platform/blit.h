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

// The keyed copy's vector unit: the widest the processor has, unless a test picks a narrower
// one to check it. Levels: 0 scalar, then (on x86-64) 1 SSE2, 2 AVX2, 3 AVX-512.
int BlitKeyedBest();                   // the widest level this processor runs
int BlitKeyedUse(int level);           // picks a level up to the best; returns the one in use
const char* BlitKeyedName(int level);  // "scalar", "sse2", "avx2", "avx512"; "" if unknown

#endif
