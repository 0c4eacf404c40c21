#ifndef QENT_LIB_BOB_H
#define QENT_LIB_BOB_H

// Blitter objects: sprites of up to 64 colour-keyed frame surfaces with animation, position,
// velocity and tests against the screen edges and each other.

#include <cstdint>

#include "lib/bitmap.h"
#include "platform/host.h"

constexpr int BOB_STATUS_ACTIVE = 1;
constexpr int BOB_MAX_FRAMES = 64;
constexpr int BOB_MAX_SEQUENCES = 16;

constexpr int BOB_FLAG_SINGLE_FRAME = 0x1;   // BobAnimate keeps frame 0
constexpr int BOB_FLAG_FRAME_CYCLE = 0x2;    // BobAnimate steps 0..frame_count-1 and round
constexpr int BOB_FLAG_SEQUENCE = 0x4;       // BobAnimate plays the selected sequence
constexpr int BOB_FLAG_SEQUENCE_ONCE = 0x8;  // with SEQUENCE: stop on its last frame
constexpr int BOB_FLAG_VISIBLE = 0x10;       // drawn; otherwise drawing does nothing
constexpr int BOB_FLAG_BOUNCE = 0x20;        // BobMove reverses velocity at the clip rectangle
constexpr int BOB_FLAG_WRAP = 0x40;          // BobMove wraps round the clip rectangle
constexpr int BOB_FLAG_LOADED = 0x80;        // a frame has been loaded
constexpr int BOB_FLAG_SHARED = 0x100;       // a copy: frames and sequences belong to another

constexpr int EDGE_MODE_RIGHT = 500;  // the first BOB's right edge against the second's left
constexpr int EDGE_MODE_LEFT = 501;   // the first BOB's left edge against the second's right

struct BOB {
    int status;           // BOB_STATUS_ACTIVE after BobCreate
    int anim_finished;    // 1 once a play-once sequence has reached its end
    int flags;            // BOB_FLAG_* bits
    int x;                // top-left pixel, screen coordinates
    int y;                // top pixel row, screen coordinates
    int dx;               // pixels added to x by each BobMove
    int dy;               // pixels added to y by each BobMove
    int width;            // one frame, in pixels
    int height;           // one frame, in rows
    int pitch_pad;        // extra columns making a frame surface's width a multiple of 8
    int frame_index;      // the frame drawn
    int frame_count;      // frame surfaces created
    int sequence_index;   // selected sequence slot
    int tick_count;       // BobAnimate calls since the last frame step
    int sequence_pos;     // position within the selected sequence
    int ticks_per_frame;  // BobAnimate calls per frame step
    int* sequences[BOB_MAX_SEQUENCES];    // frame indices ended by -1; null when empty
    int box_left;                         // x
    int box_right;                        // x + width
    int box_top;                          // y
    int box_bottom;                       // y + height
    int center_x;                         // x + width / 2
    int center_y;                         // y + height / 2
    HostSurface* frames[BOB_MAX_FRAMES];  // frame surfaces; null when the slot is empty
};

// ---- Lifecycle
// Writes "\nCreate BOB %d" to the error log. 0 when a surface cannot be made (those made so
// far stay in frames), for more than 64 frames, or for a frame size that is not positive.
int BobCreate(BOB* bob, int x, int y, int width, int height, int num_frames, int flags,
              int memory_caps);
// Copies a cell (LOAD_BY_CELL) or the rectangle at pixel (cx, cy) of an 8-bit picture into a
// frame; 0 when the frame slot is empty, the rectangle leaves the picture or the lock fails.
int BobLoadFrame(BOB* bob, const BitmapFile* bitmap, int frame, int cx, int cy, int mode);
// Stores count frame indices and an ending -1 in a slot 0..15, replacing what was there.
int BobLoadSequence(BOB* bob, int slot, int count, const int* frame_indices);
// dest shares source's frames and sequences; destroy dest before source.
int BobCopy(const BOB* source, BOB* dest);
int BobDestroy(BOB* bob);  // releases what it owns (nothing for a copy) and nulls the slots

// ---- Drawing: index 0 is transparent; the surface's clipper cuts the blit
// The last column and row of a frame are not drawn.
int BobDraw(BOB* bob, HostSurface* dest);
int BobDrawScaled(BOB* bob, int width, int height, HostSurface* dest);

// ---- Animation and motion
int BobAnimate(BOB* bob);  // 0 also for an empty or bad frame sequence
int BobMove(BOB* bob);     // velocity, then bounce or wrap at the clip rectangle
int BobSetPosition(BOB* bob, int x, int y);
int BobSetSpeed(BOB* bob, int ticks);
int BobSetSequence(BOB* bob, int slot);  // takes effect at the next frame step
int BobSetVelocity(BOB* bob, int dx, int dy);
int BobHide(BOB* bob);
int BobShow(BOB* bob);

// ---- Tests
int BobsOverlap(const BOB* a, const BOB* b);  // 1 when the 3/8-size boxes overlap
int BobScreenEdgeX(const BOB* bob);           // 0, 1 at the left border, 2 at the right
int BobScreenEdgeY(const BOB* bob);           // 0, 3 at the top border, 4 at the bottom
int BobSideContact(const BOB* a, const BOB* b, int mode);       // 0 or 2
int BobTopBottomContact(const BOB* a, const BOB* b, int mode);  // 0, 4 or 5

#endif
