#ifndef QENT_LIB_DRAW_H
#define QENT_LIB_DRAW_H

// Drawing primitives: pixels, lines with clipping, horizontal and vertical lines, colour-filled
// rectangles, a box overlap test, a colour scan and text on surfaces.

#include <cstdint>

#include "platform/host.h"

// Region code of a point against the clipping rectangle (clip_min_x ... clip_max_y).
constexpr int OUTSIDE_LEFT = 1;    // x < clip_min_x
constexpr int OUTSIDE_RIGHT = 2;   // x > clip_max_x
constexpr int OUTSIDE_BOTTOM = 4;  // y > clip_max_y
constexpr int OUTSIDE_TOP = 8;     // y < clip_min_y

// ---- Into a locked 8-bit buffer: pixel (x, y) is buffer[y * pitch + x]
// A null buffer draws nothing. Only the routines that say so clip.
int PixelPlot(int32_t x, int32_t y, uint8_t color, uint8_t* buffer, int32_t pitch);  // 1
// No clipping. An x-major line going up or down ends one row short of (x1, y1).
int LineDraw(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t color, uint8_t* buffer,
             int32_t pitch);  // 1
// 1 with the four values replaced by the segment inside the clipping rectangle, or 0 with
// them unchanged when no such segment results.
int LineClip(int32_t& x0, int32_t& y0, int32_t& x1, int32_t& y1);
int LineDrawClipped(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t color, uint8_t* buffer,
                    int32_t pitch);  // 1
// Both ends inclusive, in either order, cut to the clipping rectangle.
void HLineDraw(int32_t x1, int32_t x2, int32_t y, uint8_t color, uint8_t* buffer, int32_t pitch);
void VLineDraw(int32_t y1, int32_t y2, int32_t x, uint8_t color, uint8_t* buffer, int32_t pitch);
// 1 when a pixel of index low..high lies in the rectangle (x1, y1)-(x2, y2), inclusive and
// cut to the screen size; corners are not swapped, so x1 > x2 or y1 > y2 finds nothing.
int RectScanColors(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint8_t low, uint8_t high,
                   const uint8_t* buffer, int32_t pitch);

// ---- Onto an unlocked surface
// Colour-fill blit of left..right-1 x top..bottom-1; what the host refuses is not reported.
int RectFill(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t color,
             HostSurface* surface);  // 1
// Glyphs only, top-left corner at (x, y); color is 0x00BBGGRR. 0 when the surface gives no
// device context (locked, no font) or text is null.
int TextDraw(const char* text, int32_t x, int32_t y, uint32_t color, HostSurface* surface);
// The same in the colour of palette_shadow[index]; 0 also for an index outside 0..255.
int TextDrawIndexed(const char* text, int32_t x, int32_t y, int32_t index, HostSurface* surface);

// ---- Geometry
// 1 when two boxes (corner, width, height) overlap by the blitter objects' rule: centres
// closer than the sums of about three eighths of the sizes.
int RectsOverlap(int32_t x1, int32_t y1, int32_t w1, int32_t h1, int32_t x2, int32_t y2, int32_t w2,
                 int32_t h2);

#endif
