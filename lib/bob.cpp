#include "lib/bob.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

#include "lib/display.h"
#include "lib/errorlog.h"

namespace {

constexpr int SEQUENCE_END = -1;

// Positions and sizes are plain ints; sums that leave the int range wrap instead of
// overflowing, so a runaway velocity never becomes undefined behaviour.
int Wrap(int64_t value) {
    return static_cast<int>(static_cast<uint32_t>(value));
}

void RefreshBox(BOB* bob) {
    bob->box_left = bob->x;
    bob->box_right = Wrap(int64_t{bob->x} + bob->width);
    bob->box_top = bob->y;
    bob->box_bottom = Wrap(int64_t{bob->y} + bob->height);
    bob->center_x = Wrap(int64_t{bob->x} + bob->width / 2);
    bob->center_y = Wrap(int64_t{bob->y} + bob->height / 2);
}

// The frame drawn now, or null when frame_index names no surface.
HostSurface* CurrentFrame(const BOB* bob) {
    if (bob->frame_index < 0 || bob->frame_index >= BOB_MAX_FRAMES) {
        return nullptr;
    }
    return bob->frames[bob->frame_index];
}

// The real entries of a sequence, before its end marker.
int SequenceLength(const int* sequence) {
    int length = 0;
    while (sequence[length] != SEQUENCE_END) {
        ++length;
    }
    return length;
}

// The blit of both draw routines: the source rectangle stops one short of the frame's
// right and bottom edges, and so does the destination.
int BlitFrame(const BOB* bob, int width, int height, HostSurface* dest) {
    HostSurface* frame = CurrentFrame(bob);
    if (frame == nullptr || dest == nullptr) {
        return 0;
    }
    HostRect dest_rect{bob->x, bob->y, Wrap(int64_t{bob->x} + width - 1),
                       Wrap(int64_t{bob->y} + height - 1)};
    HostRect source_rect{0, 0, bob->width - 1, bob->height - 1};
    return HostSurfaceBlt(dest, &dest_rect, frame, &source_rect, DDBLT_WAIT | DDBLT_KEYSRC, 0) != 0
               ? 1
               : 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Lifecycle

int BobCreate(BOB* bob, int x, int y, int width, int height, int num_frames, int flags,
              int memory_caps) {
    if (bob == nullptr) {
        return 0;
    }
    bob->status = BOB_STATUS_ACTIVE;
    bob->flags = flags;
    bob->anim_finished = 0;
    bob->frame_index = 0;
    bob->frame_count = num_frames;
    bob->sequence_index = 0;
    bob->tick_count = 0;
    bob->sequence_pos = 0;
    bob->ticks_per_frame = 0;
    bob->x = x;
    bob->y = y;
    bob->width = width;
    bob->height = height;
    bob->dx = 0;
    bob->dy = 0;
    RefreshBox(bob);
    for (HostSurface*& frame : bob->frames) {
        frame = nullptr;
    }
    for (int*& sequence : bob->sequences) {
        sequence = nullptr;
    }
    const int remainder = width % 8;
    bob->pitch_pad = remainder != 0 ? 8 - remainder : 0;
    ErrorLogWrite("\nCreate BOB %d", bob->pitch_pad);

    if (num_frames < 0 || num_frames > BOB_MAX_FRAMES) {
        return 0;
    }
    if (num_frames == 0) {
        return 1;
    }
    if (width <= 0 || height <= 0 || width > INT_MAX - 8) {
        return 0;
    }
    for (int i = 0; i < num_frames; ++i) {
        HostSurfaceDesc ddsd{};
        ddsd.dwSize = HOST_SURFACE_DESC_SIZE;
        ddsd.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
        ddsd.dwWidth = static_cast<uint32_t>(width + bob->pitch_pad);
        ddsd.dwHeight = static_cast<uint32_t>(height);
        ddsd.ddsCaps.dwCaps = static_cast<uint32_t>(memory_caps) | DDSCAPS_OFFSCREENPLAIN;
        bob->frames[i] = HostSurfaceCreate(direct_draw, &ddsd);
        if (bob->frames[i] == nullptr) {
            return 0;
        }
        HostSurfaceSetColorKey(bob->frames[i], DDCKEY_SRCBLT, 0, 0);
    }
    return 1;
}

int BobLoadFrame(BOB* bob, const BitmapFile* bitmap, int frame, int cx, int cy, int mode) {
    if (bob == nullptr || bitmap == nullptr) {
        return 0;
    }
    if (frame < 0 || frame >= BOB_MAX_FRAMES || bob->frames[frame] == nullptr) {
        return 0;
    }
    // Frames are read one byte per pixel: a 16-bit picture holds two.
    if (bitmap->pixels == nullptr || bitmap->info_header.biBitCount != 8) {
        return 0;
    }
    const int width = bob->width;
    const int height = bob->height;
    if (width <= 0 || height <= 0) {
        return 0;
    }
    int64_t left = cx;
    int64_t top = cy;
    if (mode == LOAD_BY_CELL) {
        left = int64_t{cx} * (int64_t{width} + 1) + 1;
        top = int64_t{cy} * (int64_t{height} + 1) + 1;
    }
    const int64_t picture_width = bitmap->info_header.biWidth;
    const int64_t picture_height = bitmap->info_header.biHeight;
    if (left < 0 || top < 0 || left + width > picture_width || top + height > picture_height) {
        return 0;
    }

    HostSurface* surface = bob->frames[frame];
    HostSurfaceDesc desc{};
    desc.dwSize = HOST_SURFACE_DESC_SIZE;
    if (HostSurfaceLock(surface, nullptr, &desc, DDLOCK_WAIT) == 0) {
        return 0;
    }
    // Rows are stepped by width + pitch_pad; a surface laid out otherwise is not ours.
    const int stride = width + bob->pitch_pad;
    if (desc.lpSurface == nullptr || desc.lPitch != stride ||
        desc.dwWidth < static_cast<uint32_t>(width) ||
        desc.dwHeight < static_cast<uint32_t>(height)) {
        HostSurfaceUnlock(surface, desc.lpSurface);
        return 0;
    }
    const uint8_t* source = bitmap->pixels + top * picture_width + left;
    uint8_t* dest = desc.lpSurface;
    for (int row = 0; row < height; ++row) {
        std::memcpy(dest, source, static_cast<size_t>(width));
        source += picture_width;
        dest += stride;
    }
    HostSurfaceUnlock(surface, desc.lpSurface);
    bob->flags |= BOB_FLAG_LOADED;
    return 1;
}

int BobLoadSequence(BOB* bob, int slot, int count, const int* frame_indices) {
    if (bob == nullptr || slot < 0 || slot >= BOB_MAX_SEQUENCES || count < 0 ||
        (count > 0 && frame_indices == nullptr)) {
        return 0;
    }
    // A copy's arrays belong to its owner, and the copy releases nothing.
    if ((bob->flags & BOB_FLAG_SHARED) != 0) {
        return 0;
    }
    delete[] bob->sequences[slot];
    bob->sequences[slot] = new (std::nothrow) int[static_cast<size_t>(count) + 1];
    if (bob->sequences[slot] == nullptr) {
        return 0;
    }
    for (int i = 0; i < count; ++i) {
        bob->sequences[slot][i] = frame_indices[i];
    }
    bob->sequences[slot][count] = SEQUENCE_END;
    return 1;
}

int BobCopy(const BOB* source, BOB* dest) {
    if (source == nullptr || dest == nullptr || source == dest) {
        return 0;
    }
    *dest = *source;
    dest->flags |= BOB_FLAG_SHARED;
    return 1;
}

int BobDestroy(BOB* bob) {
    if (bob == nullptr) {
        return 0;
    }
    const bool owner = (bob->flags & BOB_FLAG_SHARED) == 0;
    for (HostSurface*& frame : bob->frames) {
        if (frame != nullptr && owner) {
            HostSurfaceRelease(frame);
        }
        frame = nullptr;
    }
    for (int*& sequence : bob->sequences) {
        if (owner) {
            delete[] sequence;
        }
        sequence = nullptr;
    }
    return 1;
}

// ---------------------------------------------------------------------------
// Drawing

int BobDraw(BOB* bob, HostSurface* dest) {
    if (bob == nullptr) {
        return 0;
    }
    if ((bob->flags & BOB_FLAG_VISIBLE) == 0) {
        return 1;
    }
    return BlitFrame(bob, bob->width, bob->height, dest);
}

int BobDrawScaled(BOB* bob, int width, int height, HostSurface* dest) {
    if (bob == nullptr) {
        return 0;
    }
    if ((bob->flags & BOB_FLAG_VISIBLE) == 0) {
        return 1;
    }
    return BlitFrame(bob, width, height, dest);
}

// ---------------------------------------------------------------------------
// Animation and motion

int BobAnimate(BOB* bob) {
    if (bob == nullptr) {
        return 0;
    }
    if ((bob->flags & BOB_FLAG_SINGLE_FRAME) != 0) {
        bob->frame_index = 0;
    } else if ((bob->flags & BOB_FLAG_FRAME_CYCLE) != 0) {
        bob->tick_count = Wrap(int64_t{bob->tick_count} + 1);
        if (bob->tick_count >= bob->ticks_per_frame) {
            bob->tick_count = 0;
            bob->frame_index = Wrap(int64_t{bob->frame_index} + 1);
            if (bob->frame_index >= bob->frame_count) {
                bob->frame_index = 0;
            }
        }
    } else if ((bob->flags & BOB_FLAG_SEQUENCE) != 0) {
        if (bob->sequence_index < 0 || bob->sequence_index >= BOB_MAX_SEQUENCES) {
            return 0;
        }
        const int* sequence = bob->sequences[bob->sequence_index];
        if (sequence == nullptr) {
            return 0;
        }
        // Between steps the position rests on a real entry; an empty sequence has none.
        const int length = SequenceLength(sequence);
        if (bob->sequence_pos < 0 || bob->sequence_pos >= length) {
            return 0;
        }
        bob->tick_count = Wrap(int64_t{bob->tick_count} + 1);
        if (bob->tick_count >= bob->ticks_per_frame) {
            bob->tick_count = 0;
            ++bob->sequence_pos;
            bob->frame_index = sequence[bob->sequence_pos];
            if (bob->frame_index == SEQUENCE_END) {
                if ((bob->flags & BOB_FLAG_SEQUENCE_ONCE) != 0) {
                    bob->anim_finished = 1;
                    --bob->sequence_pos;
                    bob->frame_index = sequence[bob->sequence_pos];
                } else {
                    bob->sequence_pos = 0;
                    bob->frame_index = sequence[0];
                }
            }
        }
    }
    return 1;
}

int BobMove(BOB* bob) {
    if (bob == nullptr) {
        return 0;
    }
    bob->x = Wrap(int64_t{bob->x} + bob->dx);
    bob->y = Wrap(int64_t{bob->y} + bob->dy);
    const int64_t x = bob->x;
    const int64_t y = bob->y;
    if ((bob->flags & BOB_FLAG_WRAP) != 0) {
        if (x > clip_max_x) {
            bob->x = Wrap(int64_t{clip_min_x} - bob->width);
        } else if (x < int64_t{clip_min_x} - bob->width) {
            bob->x = clip_max_x;
        }
        if (y > clip_max_y) {
            bob->y = Wrap(int64_t{clip_min_y} - bob->height);
        } else if (y < int64_t{clip_min_y} - bob->height) {
            bob->y = clip_max_y;
        }
    } else if ((bob->flags & BOB_FLAG_BOUNCE) != 0) {
        // Only the velocity turns: the position is left where the move put it.
        if (x > int64_t{clip_max_x} - bob->width || x < clip_min_x) {
            bob->dx = Wrap(-int64_t{bob->dx});
        }
        if (y > int64_t{clip_max_y} - bob->height || y < clip_min_y) {
            bob->dy = Wrap(-int64_t{bob->dy});
        }
    }
    RefreshBox(bob);
    return 1;
}

int BobSetPosition(BOB* bob, int x, int y) {
    if (bob == nullptr) {
        return 0;
    }
    bob->x = x;
    bob->y = y;
    RefreshBox(bob);
    return 1;
}

int BobSetSpeed(BOB* bob, int ticks) {
    if (bob == nullptr) {
        return 0;
    }
    bob->ticks_per_frame = ticks;
    return 1;
}

int BobSetSequence(BOB* bob, int slot) {
    if (bob == nullptr) {
        return 0;
    }
    bob->sequence_index = slot;
    bob->sequence_pos = 0;
    return 1;
}

int BobSetVelocity(BOB* bob, int dx, int dy) {
    if (bob == nullptr) {
        return 0;
    }
    bob->dx = dx;
    bob->dy = dy;
    return 1;
}

int BobHide(BOB* bob) {
    if (bob == nullptr) {
        return 0;
    }
    bob->flags &= ~BOB_FLAG_VISIBLE;
    return 1;
}

int BobShow(BOB* bob) {
    if (bob == nullptr) {
        return 0;
    }
    bob->flags |= BOB_FLAG_VISIBLE;
    return 1;
}

// ---------------------------------------------------------------------------
// Tests

int BobsOverlap(const BOB* a, const BOB* b) {
    if (a == nullptr || b == nullptr) {
        return 0;
    }
    // Half extents of about three eighths of the size: the boxes' corners do not count.
    const int64_t half_ax = (a->width >> 1) - (a->width >> 3);
    const int64_t half_ay = (a->height >> 1) - (a->height >> 3);
    const int64_t half_bx = (b->width >> 1) - (b->width >> 3);
    const int64_t half_by = (b->height >> 1) - (b->height >> 3);
    const int64_t distance_x = std::llabs((a->x + half_ax) - (b->x + half_bx));
    const int64_t distance_y = std::llabs((a->y + half_ay) - (b->y + half_by));
    return distance_x < half_ax + half_bx && distance_y < half_ay + half_by ? 1 : 0;
}

int BobScreenEdgeX(const BOB* bob) {
    if (bob == nullptr) {
        return 0;
    }
    int edge = 0;
    if (bob->x <= 0) {
        edge = 1;
    }
    if (int64_t{bob->x} + bob->width >= display_width) {
        edge = 2;
    }
    return edge;
}

int BobScreenEdgeY(const BOB* bob) {
    if (bob == nullptr) {
        return 0;
    }
    int edge = 0;
    if (bob->y <= 0) {
        edge = 3;
    }
    if (int64_t{bob->y} + bob->height >= display_height) {
        edge = 4;
    }
    return edge;
}

int BobSideContact(const BOB* a, const BOB* b, int mode) {
    if (a == nullptr || b == nullptr) {
        return 0;
    }
    bool leading = false;
    if (mode == EDGE_MODE_LEFT) {
        leading = a->box_left <= b->box_right;
    } else if (mode == EDGE_MODE_RIGHT) {
        leading = a->box_right >= b->box_left;
    }
    if (!leading) {
        return 0;
    }
    const bool bottom_inside = a->box_bottom > b->box_top && a->box_bottom <= b->box_bottom;
    const bool top_inside = a->box_top >= b->box_top && a->box_top < b->box_bottom;
    return bottom_inside || top_inside ? 2 : 0;
}

int BobTopBottomContact(const BOB* a, const BOB* b, int mode) {
    if (a == nullptr || b == nullptr) {
        return 0;
    }
    bool leading = false;
    if (mode == EDGE_MODE_LEFT) {
        leading = a->box_left < b->box_right;
    } else if (mode == EDGE_MODE_RIGHT) {
        leading = a->box_right > b->box_left;
    }
    if (!leading) {
        return 0;
    }
    int result = 0;
    if (a->box_top < b->box_top && b->box_top <= a->box_bottom) {
        result = 4;
    }
    if (a->box_top <= b->box_bottom && b->box_bottom < a->box_bottom) {
        result = 5;
    }
    return result;
}
