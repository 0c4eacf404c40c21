#ifndef QENT_LIB_DISPLAY_H
#define QENT_LIB_DISPLAY_H

// The display: the 8-bit full-screen mode, the primary surface with its back buffer, the
// palette and the clipper; surface fills, locks and page flips.

#include <cstdint>

#include "platform/host.h"

// ---- Display objects and the mode
extern HostDisplay* direct_draw;      // the display object, null until DisplayInit
extern HostSurface* primary_surface;  // what is on screen
extern HostSurface* back_surface;     // where a frame is drawn before the flip
extern HostPalette* display_palette;  // the 256 colours of every pixel index
extern HostClipper* display_clipper;  // set by the game from ClipperAttach's result
extern int32_t display_width;         // the mode last set: 640 until then
extern int32_t display_height;        // 480 until then
extern int32_t display_bpp;           // 8 until then

// The inclusive clipping rectangle of the software drawing routines and BOB motion.
// Fixed: the mode set does not change it.
extern const int32_t clip_min_x;  // 0
extern const int32_t clip_min_y;  // 0
extern const int32_t clip_max_x;  // 639
extern const int32_t clip_max_y;  // 479

extern HostSurfaceDesc surface_desc;      // the description the last lock returned
extern PaletteEntry palette_shadow[256];  // the program's copy of the display palette

// ---- Lock state: pointer and pitch of a surface locked through PrimaryLock/BackLock
extern uint8_t* primary_pixels;  // null while not locked
extern int32_t primary_pitch;    // 0 while not locked
extern uint8_t* back_pixels;
extern int32_t back_pitch;

// ---- Set-up and teardown
int DisplayInit(int32_t width, int32_t height, int32_t bpp);  // 1 ready, 0 failed
int DisplayShutdown();                                        // releases everything; 1
// Attaches a clip list of count rectangles to surface; the new clipper, or null.
HostClipper* ClipperAttach(HostSurface* surface, int32_t count, const HostRect* rects);

// ---- Surfaces
HostSurface* SurfaceCreate(int32_t width, int32_t height, uint32_t extra_caps);  // key 0
int SurfaceFill(HostSurface* surface, int32_t color);                            // always 1
uint8_t* SurfaceLock(HostSurface* surface, int32_t* pitch);  // null when surface is null
int SurfaceUnlock(HostSurface* surface, uint8_t* pixels);    // 0 when surface is null
uint8_t* PrimaryLock();
int PrimaryUnlock();  // 0 when not locked
uint8_t* BackLock();
int BackUnlock();   // 0 when not locked
int DisplayFlip();  // 0 while a surface is locked or when the flip keeps being refused
int DisplayWaitVblank();

#endif
