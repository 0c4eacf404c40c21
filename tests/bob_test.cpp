// Sprites on the headless host: creation and frame loading, sequences, animation, motion,
// the tests between sprites and the screen, keyed and clipped drawing, copies and teardown.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "lib/bob.h"
#include "lib/display.h"
#include "lib/errorlog.h"
#include "platform/headless.h"
#include "platform/host.h"
#include "tests/support/common_support.h"

namespace {

constexpr uint8_t BACKGROUND = 255;  // what the back buffer holds before a draw

// An 8-bit picture in memory whose pixel (x, y) is PicturePixel(x, y), never 0.
struct Picture {
    BitmapFile file{};
    std::vector<uint8_t> pixels;
};

uint8_t PicturePixel(int x, int y) {
    return static_cast<uint8_t>((x * 7 + y * 13) % 254 + 1);
}

void MakePicture(Picture* picture, int width, int height, int bit_count = 8) {
    picture->pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture->pixels[static_cast<size_t>(y) * width + x] = PicturePixel(x, y);
        }
    }
    picture->file.info_header.biWidth = width;
    picture->file.info_header.biHeight = height;
    picture->file.info_header.biBitCount = static_cast<uint16_t>(bit_count);
    picture->file.pixels = picture->pixels.data();
}

// Writes bytes (pitch = surface pitch) into a frame surface.
void FillFrame(HostSurface* surface, uint8_t (*pixel)(int x, int y)) {
    HostSurfaceDesc desc{};
    desc.dwSize = HOST_SURFACE_DESC_SIZE;
    ASSERT_EQ(HostSurfaceLock(surface, nullptr, &desc, DDLOCK_WAIT), 1);
    for (uint32_t y = 0; y < desc.dwHeight; ++y) {
        for (uint32_t x = 0; x < desc.dwWidth; ++x) {
            desc.lpSurface[y * desc.lPitch + x] = pixel(static_cast<int>(x), static_cast<int>(y));
        }
    }
    HostSurfaceUnlock(surface, desc.lpSurface);
}

// A frame with holes: index 0 on a diagonal lattice, other values everywhere else.
uint8_t HoledPixel(int x, int y) {
    return (x + 2 * y) % 5 == 0 ? 0 : static_cast<uint8_t>(1 + (x * 3 + y * 5) % 200);
}

uint8_t SolidPixel(int x, int y) {
    return static_cast<uint8_t>(1 + (x + y) % 250);
}

// Position, velocity, box and centre as text, from the record or as they must be for a
// width x height sprite at (x, y).
std::string Place(const BOB& b) {
    return "at " + std::to_string(b.x) + "," + std::to_string(b.y) + " moving " +
           std::to_string(b.dx) + "," + std::to_string(b.dy) + " box " +
           std::to_string(b.box_left) + ".." + std::to_string(b.box_right) + " x " +
           std::to_string(b.box_top) + ".." + std::to_string(b.box_bottom) + " centre " +
           std::to_string(b.center_x) + "," + std::to_string(b.center_y);
}

std::string Place(int x, int y, int dx, int dy, int width, int height) {
    BOB b{};
    b.x = b.box_left = x;
    b.y = b.box_top = y;
    b.dx = dx;
    b.dy = dy;
    b.box_right = x + width;
    b.box_bottom = y + height;
    b.center_x = x + width / 2;
    b.center_y = y + height / 2;
    return Place(b);
}

class BobTest : public ::testing::Test {
protected:
    void SetUp() override {
        HeadlessReset();
        live_before = HostLiveObjects();
        ASSERT_EQ(DisplayInit(640, 480, 8), 1);
        ASSERT_NE(back_surface, nullptr);
    }
    void TearDown() override {
        BobDestroy(&bob);
        BobDestroy(&other);
        DisplayShutdown();
        EXPECT_EQ(HostLiveObjects(), live_before) << "host objects leaked";
    }

    void AttachScreenClipper() {
        const HostRect screen{0, 0, 640, 480};
        display_clipper = ClipperAttach(back_surface, 1, &screen);
        ASSERT_NE(display_clipper, nullptr);
    }

    void ClearBack() {
        SurfaceFill(back_surface, BACKGROUND);
    }
    std::vector<uint8_t> BackPixels() {
        return SurfaceBytes(back_surface);
    }

    // A visible 64x64 sprite with one frame of HoledPixel at (x, y).
    void MakeHoledSprite(int x, int y) {
        ASSERT_EQ(BobCreate(&bob, x, y, 64, 64, 1, BOB_FLAG_VISIBLE, DDSCAPS_SYSTEMMEMORY), 1);
        FillFrame(bob.frames[0], HoledPixel);
    }

    // Every back buffer pixel is either the sprite's (the frame pixel at its offset, never
    // index 0) inside the drawn rectangle, or BACKGROUND.
    void ExpectDrawn(const std::vector<uint8_t>& back, int x, int y, int left, int top, int right,
                     int bottom) {
        ASSERT_EQ(back.size(), 640u * 480u);
        int wrong = 0;
        for (int py = 0; py < 480 && wrong < 5; ++py) {
            for (int px = 0; px < 640 && wrong < 5; ++px) {
                const bool inside = px >= left && px <= right && py >= top && py <= bottom;
                const uint8_t frame = inside ? HoledPixel(px - x, py - y) : 0;
                const uint8_t expected = frame != 0 ? frame : BACKGROUND;
                const uint8_t actual = back[py * 640 + px];
                if (actual != expected) {
                    ADD_FAILURE() << "pixel (" << px << ", " << py << "): expected "
                                  << int{expected} << ", got " << int{actual};
                    ++wrong;
                }
            }
        }
    }

    int live_before = 0;
    BOB bob{};
    BOB other{};
};

// ---------------------------------------------------------------------------
// Creation

TEST_F(BobTest, PitchPadMakesFrameSurfacesAMultipleOfEightWide) {
    const int cases[][2] = {{64, 0}, {128, 0}, {60, 4}, {1, 7}, {9, 7}, {15, 1}};  // width, pad
    for (const auto& [width, pad] : cases) {
        ASSERT_EQ(BobCreate(&bob, 0, 0, width, 8, 2, 0, DDSCAPS_SYSTEMMEMORY), 1);
        EXPECT_EQ(bob.pitch_pad, pad) << "width " << width;
        for (int i = 0; i < 2; ++i) {
            int32_t w = 0, h = 0, pitch = 0;
            HostSurfaceDescribe(bob.frames[i], &w, &h, &pitch);
            EXPECT_EQ(w, width + pad) << "width " << width;
            EXPECT_EQ(pitch, width + pad) << "width " << width;
            EXPECT_EQ(h, 8);
            HostSurfaceDesc desc{};
            desc.dwSize = HOST_SURFACE_DESC_SIZE;
            ASSERT_EQ(HostSurfaceLock(bob.frames[i], nullptr, &desc, DDLOCK_WAIT), 1);
            HostSurfaceUnlock(bob.frames[i], desc.lpSurface);
            EXPECT_EQ(desc.ddsCaps.dwCaps & (DDSCAPS_SYSTEMMEMORY | DDSCAPS_OFFSCREENPLAIN),
                      DDSCAPS_SYSTEMMEMORY | DDSCAPS_OFFSCREENPLAIN);
        }
        EXPECT_EQ(bob.frames[2], nullptr);
        BobDestroy(&bob);
    }
}

TEST_F(BobTest, CreateWritesItsLineToTheErrorLogEveryTime) {
    const std::string path = ScratchPath("create.log");
    ASSERT_EQ(ErrorLogOpen(path.c_str()), 1);
    ASSERT_EQ(BobCreate(&bob, 0, 0, 64, 8, 1, 0, 0), 1);
    BobDestroy(&bob);
    ASSERT_EQ(BobCreate(&bob, 0, 0, 60, 8, 0, 0, 0), 1);
    HostRefuse(HOST_REFUSE_SURFACE_CREATE);
    EXPECT_EQ(BobCreate(&other, 0, 0, 9, 8, 1, 0, 0), 0);
    HostRefuse(0);
    ASSERT_EQ(ErrorLogClose(), 1);

    const std::string opening = ("\nOpening Error Output File (" + path + "):\n").substr(0, 79);
    EXPECT_EQ(ReadText(path),
              opening + "\nCreate BOB 0\nCreate BOB 4\nCreate BOB 7\nClosing Error Output File.");
}

TEST_F(BobTest, CreateSetsEveryFieldAndTheBoxAndCentre) {
    BOB filled;
    std::memset(&filled, 0x5A, sizeof(filled));
    ASSERT_EQ(BobCreate(&filled, 10, 20, 64, 32, 3, 0x12, DDSCAPS_SYSTEMMEMORY), 1);
    EXPECT_EQ(Place(filled), "at 10,20 moving 0,0 box 10..74 x 20..52 centre 42,36");
    const int counters[] = {filled.status,      filled.anim_finished, filled.flags,
                            filled.frame_index, filled.frame_count,   filled.sequence_index,
                            filled.tick_count,  filled.sequence_pos,  filled.ticks_per_frame};
    EXPECT_EQ(std::vector<int>(std::begin(counters), std::end(counters)),
              (std::vector<int>{BOB_STATUS_ACTIVE, 0, 0x12, 0, 3, 0, 0, 0, 0}));
    EXPECT_EQ(std::count(std::begin(filled.sequences), std::end(filled.sequences), nullptr),
              BOB_MAX_SEQUENCES);
    EXPECT_EQ(std::count(std::begin(filled.frames), std::end(filled.frames), nullptr),
              BOB_MAX_FRAMES - 3);
    BobDestroy(&filled);

    // The centre truncates toward zero: 7 / 2 is 3, -5 + 3 is -2.
    ASSERT_EQ(BobCreate(&bob, -5, -9, 7, 5, 0, 0, 0), 1);
    EXPECT_EQ(Place(bob), "at -5,-9 moving 0,0 box -5..2 x -9..-4 centre -2,-7");
}

TEST_F(BobTest, CreateRefusals) {
    const int live = HostLiveObjects();
    EXPECT_EQ(BobCreate(&bob, 0, 0, 64, 64, 0, 0, 0), 1) << "0 frames is fine";
    EXPECT_EQ(HostLiveObjects(), live);

    // Width, height and frames.
    const int refused[][3] = {
        {64, 64, BOB_MAX_FRAMES + 1}, {64, 64, -1}, {0, 64, 1}, {-3, 64, 1}, {64, 0, 1}};
    for (const auto& [width, height, frames] : refused) {
        EXPECT_EQ(BobCreate(&bob, 0, 0, width, height, frames, 0, 0), 0)
            << width << "x" << height << ", " << frames << " frames";
    }
    EXPECT_EQ(HostLiveObjects(), live);

    HostRefuse(HOST_REFUSE_SURFACE_CREATE);
    EXPECT_EQ(BobCreate(&bob, 3, 4, 64, 64, 2, 0x10, 0), 0);
    HostRefuse(0);
    EXPECT_EQ(bob.frames[0], nullptr);
    EXPECT_EQ(bob.x, 3) << "the record is set up even when a surface is refused";
    EXPECT_EQ(bob.flags, 0x10);

    ASSERT_EQ(BobCreate(&bob, 0, 0, 8, 8, BOB_MAX_FRAMES, 0, 0), 1) << "64 frames is the limit";
    EXPECT_NE(bob.frames[BOB_MAX_FRAMES - 1], nullptr);
}

// ---------------------------------------------------------------------------
// Frame loading

// Cells of the bordered template grid, and positions taken as they are (any non-zero mode).
TEST_F(BobTest, LoadByCellOrPositionCopiesThePictureRectangle) {
    struct Case {
        int width, height, cx, cy, mode;
        int left, top;  // where the frame starts in the picture
    };
    const Case cases[] = {
        {128, 64, 3, 0, LOAD_BY_CELL, 388, 1},
        {64, 64, 0, 1, LOAD_BY_CELL, 1, 66},
        {60, 10, 2, 3, LOAD_BY_CELL, 123, 34},  // padded frames: rows 64 bytes apart
        {16, 8, 504, 132, 7, 504, 132},         // by position, to the picture's last pixel
    };
    Picture picture;
    MakePicture(&picture, 520, 140);
    for (const Case& c : cases) {
        ASSERT_EQ(BobCreate(&bob, 0, 0, c.width, c.height, 1, 0, 0), 1);
        ASSERT_EQ(BobLoadFrame(&bob, &picture.file, 0, c.cx, c.cy, c.mode), 1);
        EXPECT_NE(bob.flags & BOB_FLAG_LOADED, 0);
        const std::vector<uint8_t> bytes = SurfaceBytes(bob.frames[0]);
        const int stride = c.width + bob.pitch_pad;
        ASSERT_EQ(bytes.size(), static_cast<size_t>(stride) * c.height);
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < stride; ++x) {
                const uint8_t expected = x < c.width ? PicturePixel(c.left + x, c.top + y) : 0;
                ASSERT_EQ(bytes[y * stride + x], expected)
                    << c.width << "x" << c.height << " cell (" << c.cx << ", " << c.cy
                    << ") at frame pixel (" << x << ", " << y << ")";
            }
        }
        BobDestroy(&bob);
    }
}

TEST_F(BobTest, LoadFrameRefusesWhatWouldLeaveABufferAndCopiesNothing) {
    Picture picture;
    MakePicture(&picture, 200, 100);
    Picture wide;
    MakePicture(&wide, 100, 100, 16);
    Picture empty;
    MakePicture(&empty, 200, 100);
    empty.file.pixels = nullptr;
    Picture upside_down;
    MakePicture(&upside_down, 200, 100);
    upside_down.file.info_header.biHeight = -100;

    ASSERT_EQ(BobCreate(&bob, 0, 0, 32, 16, 2, 0, 0), 1);
    struct Case {
        const char* what;
        const BitmapFile* file;
        int frame, cx, cy, mode;
    };
    const Case cases[] = {
        {"frame -1", &picture.file, -1, 0, 0, LOAD_BY_CELL},
        {"frame 64", &picture.file, 64, 0, 0, LOAD_BY_CELL},
        {"frame without a surface", &picture.file, 2, 0, 0, LOAD_BY_CELL},
        {"cell past the right edge", &picture.file, 0, 6, 0, LOAD_BY_CELL},
        {"cell past the bottom edge", &picture.file, 0, 0, 6, LOAD_BY_CELL},
        {"negative cell", &picture.file, 0, -1, 0, LOAD_BY_CELL},
        {"position past the right edge", &picture.file, 0, 169, 0, LOAD_BY_POSITION},
        {"position past the bottom edge", &picture.file, 0, 0, 85, LOAD_BY_POSITION},
        {"negative position", &picture.file, 0, 0, -1, LOAD_BY_POSITION},
        {"huge cell", &picture.file, 0, 0x7fffffff, 0x7fffffff, LOAD_BY_CELL},
        {"16-bit picture", &wide.file, 0, 0, 0, LOAD_BY_POSITION},
        {"no pixels", &empty.file, 0, 0, 0, LOAD_BY_POSITION},
        {"negative height", &upside_down.file, 0, 0, 0, LOAD_BY_POSITION},
        {"no picture", nullptr, 0, 0, 0, LOAD_BY_POSITION},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BobLoadFrame(&bob, c.file, c.frame, c.cx, c.cy, c.mode), 0) << c.what;
        EXPECT_EQ(SurfaceBytes(bob.frames[0]), std::vector<uint8_t>(32 * 16, 0)) << c.what;
        EXPECT_EQ(bob.flags & BOB_FLAG_LOADED, 0) << c.what;
    }
    EXPECT_EQ(BobLoadFrame(nullptr, &picture.file, 0, 0, 0, LOAD_BY_CELL), 0);

    // The last cell and the last position that fit are taken.
    EXPECT_EQ(BobLoadFrame(&bob, &picture.file, 0, 5, 4, LOAD_BY_CELL), 1);
    EXPECT_EQ(BobLoadFrame(&bob, &picture.file, 0, 168, 84, LOAD_BY_POSITION), 1);

    HostRefuse(HOST_REFUSE_LOCK);
    EXPECT_EQ(BobLoadFrame(&bob, &picture.file, 1, 0, 0, LOAD_BY_CELL), 0) << "lock refused";
    HostRefuse(0);
    EXPECT_EQ(SurfaceBytes(bob.frames[1]), std::vector<uint8_t>(32 * 16, 0));

    // A surface whose rows are not width + pitch_pad apart is refused, and left unlocked.
    bob.pitch_pad = 8;
    EXPECT_EQ(BobLoadFrame(&bob, &picture.file, 1, 0, 0, LOAD_BY_CELL), 0) << "other pitch";
    bob.pitch_pad = 0;
    EXPECT_EQ(SurfaceBytes(bob.frames[1]), std::vector<uint8_t>(32 * 16, 0));
    BobShow(&bob);
    bob.frame_index = 1;
    EXPECT_EQ(BobDraw(&bob, back_surface), 1) << "a locked source would refuse the blit";
}

// ---------------------------------------------------------------------------
// Sequences

TEST_F(BobTest, SequenceIsStoredWithItsEndMarker) {
    ASSERT_EQ(BobCreate(&bob, 0, 0, 8, 8, 3, 0, 0), 1);
    const int list[] = {2, 0, 1};
    ASSERT_EQ(BobLoadSequence(&bob, 5, 3, list), 1);
    ASSERT_NE(bob.sequences[5], nullptr);
    EXPECT_EQ(std::vector<int>(bob.sequences[5], bob.sequences[5] + 4),
              (std::vector<int>{2, 0, 1, -1}));

    // Loading the slot again replaces the array (the old one is released: no leak).
    const int shorter[] = {1};
    ASSERT_EQ(BobLoadSequence(&bob, 5, 1, shorter), 1);
    EXPECT_EQ(std::vector<int>(bob.sequences[5], bob.sequences[5] + 2), (std::vector<int>{1, -1}));

    EXPECT_EQ(BobLoadSequence(&bob, -1, 3, list), 0);
    EXPECT_EQ(BobLoadSequence(&bob, BOB_MAX_SEQUENCES, 3, list), 0);
    EXPECT_EQ(BobLoadSequence(&bob, 0, -1, list), 0);
    EXPECT_EQ(BobLoadSequence(&bob, 0, 3, nullptr), 0);
    EXPECT_EQ(BobLoadSequence(nullptr, 0, 3, list), 0);
    EXPECT_EQ(bob.sequences[0], nullptr);

    ASSERT_EQ(BobCopy(&bob, &other), 1);
    EXPECT_EQ(BobLoadSequence(&other, 5, 3, list), 0) << "a copy's sequences are its owner's";
    EXPECT_EQ(bob.sequences[5][0], 1);
}

// ---------------------------------------------------------------------------
// Animation

// The frame shown after each of calls BobAnimate calls, "*" where anim_finished is set.
std::string Steps(BOB* bob, int calls) {
    std::string shown;
    for (int i = 0; i < calls; ++i) {
        EXPECT_EQ(BobAnimate(bob), 1) << "call " << i + 1;
        // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on the sum.
        if (i > 0) {
            shown += ' ';
        }
        shown += std::to_string(bob->frame_index);
        if (bob->anim_finished) {
            shown += '*';
        }
    }
    return shown;
}

TEST_F(BobTest, FrameCycleStepsEveryTicksPerFrameCalls) {
    ASSERT_EQ(BobCreate(&bob, 0, 0, 8, 8, 4, BOB_FLAG_FRAME_CYCLE, 0), 1);
    ASSERT_EQ(BobSetSpeed(&bob, 3), 1);
    EXPECT_EQ(Steps(&bob, 12), "0 0 1 1 1 2 2 2 3 3 3 0");

    for (int ticks : {0, 1}) {
        ASSERT_EQ(BobCreate(&other, 0, 0, 8, 8, 3, BOB_FLAG_FRAME_CYCLE, 0), 1);
        BobSetSpeed(&other, ticks);
        EXPECT_EQ(Steps(&other, 4), "1 2 0 1") << "ticks " << ticks;
        BobDestroy(&other);
    }
}

TEST_F(BobTest, AnimationModesAreTestedInOrder) {
    ASSERT_EQ(BobCreate(&bob, 0, 0, 8, 8, 4, BOB_FLAG_SINGLE_FRAME | BOB_FLAG_FRAME_CYCLE, 0), 1);
    bob.frame_index = 3;
    EXPECT_EQ(Steps(&bob, 3), "0 0 0") << "single frame wins";

    bob.flags = BOB_FLAG_FRAME_CYCLE | BOB_FLAG_SEQUENCE;  // no sequence loaded: cycling decides
    EXPECT_EQ(Steps(&bob, 2), "1 2");

    bob.flags = BOB_FLAG_VISIBLE;
    EXPECT_EQ(Steps(&bob, 2), "2 2") << "no mode: nothing changes";
    EXPECT_EQ(BobAnimate(nullptr), 0);
}

TEST_F(BobTest, SequencesLoopOrStopOnTheirLastFrame) {
    const int list[] = {2, 0, 1};
    const std::pair<int, const char*> cases[] = {
        {BOB_FLAG_SEQUENCE, "0 1 2 0 1 2"},
        {BOB_FLAG_SEQUENCE | BOB_FLAG_SEQUENCE_ONCE, "0 1 1* 1* 1* 1*"}};
    for (const auto& [flags, steps] : cases) {
        BobDestroy(&bob);
        ASSERT_EQ(BobCreate(&bob, 0, 0, 8, 8, 3, flags, 0), 1);
        ASSERT_EQ(BobLoadSequence(&bob, 1, 3, list), 1);
        BobSetSpeed(&bob, 1);
        bob.sequence_pos = 2;
        ASSERT_EQ(BobSetSequence(&bob, 1), 1);
        EXPECT_EQ(Steps(&bob, 6), steps) << "flags " << flags;
    }

    // Selecting another sequence keeps showing the old frame until the next step, and
    // anim_finished stays set.
    const int second[] = {0, 2};
    ASSERT_EQ(BobLoadSequence(&bob, 3, 2, second), 1);
    BobSetSpeed(&bob, 2);
    BobSetSequence(&bob, 3);
    EXPECT_EQ(bob.frame_index, 1);
    EXPECT_EQ(Steps(&bob, 3), "1* 2* 2*");
}

TEST_F(BobTest, SequenceAnimationRefusesWhatItCannotRead) {
    ASSERT_EQ(BobCreate(&bob, 0, 0, 8, 8, 3, BOB_FLAG_SEQUENCE | BOB_FLAG_SEQUENCE_ONCE, 0), 1);
    const int list[] = {2, 1};
    ASSERT_EQ(BobLoadSequence(&bob, 0, 2, list), 1);
    ASSERT_EQ(BobLoadSequence(&bob, 1, 0, list), 1);
    struct Case {
        const char* what;
        int slot, pos;
    };
    const Case cases[] = {
        {"slot -1", -1, 0},      {"slot 16", BOB_MAX_SEQUENCES, 0}, {"empty slot", 2, 0},
        {"no real entry", 1, 0}, {"position past the end", 0, 2},   {"negative position", 0, -1},
    };
    for (const Case& c : cases) {
        bob.sequence_index = c.slot;
        bob.sequence_pos = c.pos;
        bob.frame_index = 1;
        bob.tick_count = 0;
        EXPECT_EQ(BobAnimate(&bob), 0) << c.what;
        EXPECT_EQ(bob.frame_index, 1) << c.what;
        EXPECT_EQ(bob.sequence_pos, c.pos) << c.what;
        EXPECT_EQ(bob.tick_count, 0) << c.what;
        EXPECT_EQ(bob.anim_finished, 0) << c.what;
    }
}

// ---------------------------------------------------------------------------
// Motion

TEST_F(BobTest, WrapAndBounceAtTheClippingRectangle) {
    struct Case {
        const char* what;
        int flags, x, y, dx, dy, end_x, end_y, end_dx, end_dy;
    };
    const Case cases[] = {
        {"wrap past the right", BOB_FLAG_WRAP, 630, 0, 10, 0, -64, 0, 10, 0},
        {"wrap past the left", BOB_FLAG_WRAP, -60, 0, -10, 0, 639, 0, -10, 0},
        {"wrap at the right edge stays", BOB_FLAG_WRAP, 629, 0, 10, 0, 639, 0, 10, 0},
        {"wrap past the bottom", BOB_FLAG_WRAP, 0, 475, 0, 5, 0, -32, 0, 5},
        {"wrap past the top", BOB_FLAG_WRAP, 0, -30, 0, -3, 0, 479, 0, -3},
        {"bounce at the right", BOB_FLAG_BOUNCE, 570, 0, 10, 0, 580, 0, -10, 0},
        {"bounce at the left", BOB_FLAG_BOUNCE, 5, 100, -10, 1, -5, 101, 10, 1},
        {"bounce at the bottom", BOB_FLAG_BOUNCE, 0, 440, 0, 9, 0, 449, 0, -9},
        {"bounce: touching the edges is no bounce", BOB_FLAG_BOUNCE, 565, 10, 10, -10, 575, 0, 10,
         -10},
        {"bounce: touching the other edges", BOB_FLAG_BOUNCE, 10, 438, -10, 9, 0, 447, -10, 9},
        {"wrap wins over bounce", BOB_FLAG_WRAP | BOB_FLAG_BOUNCE, 630, 0, 10, 0, -64, 0, 10, 0},
        {"no flag: free flight", 0, 630, 470, 10, 20, 640, 490, 10, 20},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(BobCreate(&bob, c.x, c.y, 64, 32, 0, c.flags, 0), 1);
        BobSetVelocity(&bob, c.dx, c.dy);
        ASSERT_EQ(BobMove(&bob), 1) << c.what;
        EXPECT_EQ(Place(bob), Place(c.end_x, c.end_y, c.end_dx, c.end_dy, 64, 32)) << c.what;
    }
    EXPECT_EQ(BobMove(nullptr), 0);
}

TEST_F(BobTest, BounceTurnsBackWithoutCorrectingThePosition) {
    ASSERT_EQ(BobCreate(&bob, 570, 0, 64, 64, 0, BOB_FLAG_BOUNCE, 0), 1);
    BobSetVelocity(&bob, 10, 0);
    BobMove(&bob);
    EXPECT_EQ(bob.x, 580);
    EXPECT_EQ(bob.dx, -10);
    BobMove(&bob);
    EXPECT_EQ(bob.x, 570);
    EXPECT_EQ(bob.dx, -10);
}

TEST_F(BobTest, SetPositionRefreshesTheBoxAndSettersRefuseNoRecord) {
    ASSERT_EQ(BobCreate(&bob, 0, 0, 20, 10, 0, BOB_FLAG_VISIBLE, 0), 1);
    bob.x = 300;  // a direct write leaves the box stale until the next refresh
    EXPECT_EQ(bob.box_left, 0);
    ASSERT_EQ(BobSetPosition(&bob, 100, 50), 1);
    EXPECT_EQ(Place(bob), Place(100, 50, 0, 0, 20, 10));
    const int refused[] = {
        BobHide(nullptr),        BobShow(nullptr),           BobSetPosition(nullptr, 0, 0),
        BobSetSpeed(nullptr, 1), BobSetSequence(nullptr, 1), BobSetVelocity(nullptr, 1, 1)};
    EXPECT_EQ(std::count(std::begin(refused), std::end(refused), 0), 6);
}

// ---------------------------------------------------------------------------
// Tests between sprites and the screen

TEST_F(BobTest, OverlapUsesThreeEighthsBoxes) {
    ASSERT_EQ(BobCreate(&bob, 0, 0, 64, 64, 0, 0, 0), 1);
    ASSERT_EQ(BobCreate(&other, 0, 0, 64, 64, 0, 0, 0), 1);
    const int cases[][3] = {{47, 0, 1}, {48, 0, 0}, {0, -48, 0}, {-47, 47, 1}};  // x, y, overlap
    for (const auto& [x, y, overlap] : cases) {
        BobSetPosition(&other, x, y);
        EXPECT_EQ(BobsOverlap(&bob, &other), overlap) << "other at " << x << "," << y;
        EXPECT_EQ(BobsOverlap(&other, &bob), overlap) << "other at " << x << "," << y;
    }
    EXPECT_EQ(BobsOverlap(&bob, nullptr), 0);
    EXPECT_EQ(BobsOverlap(nullptr, &bob), 0);
}

TEST_F(BobTest, ScreenEdges) {
    const int cases[][4] = {{0, 0, 1, 3},     {576, 416, 2, 4}, {575, 415, 0, 0},
                            {-10, -10, 1, 3}, {1, 1, 0, 0},     {700, 500, 2, 4}};  // x, y, edges
    for (const auto& [x, y, edge_x, edge_y] : cases) {
        ASSERT_EQ(BobCreate(&bob, x, y, 64, 64, 0, 0, 0), 1);
        EXPECT_EQ(BobScreenEdgeX(&bob), edge_x) << "x " << x;
        EXPECT_EQ(BobScreenEdgeY(&bob), edge_y) << "y " << y;
    }
    // Wider than the screen: the right border wins.
    ASSERT_EQ(BobCreate(&bob, 0, 0, 640, 480, 0, 0, 0), 1);
    EXPECT_EQ(BobScreenEdgeX(&bob), 2);
    EXPECT_EQ(BobScreenEdgeY(&bob), 4);
}

TEST(BobContactTest, SideAndTopBottomContacts) {
    struct Box {
        int left, right, top, bottom;
    };
    struct Case {
        const char* what;
        Box a, b;
        int mode, side, top_bottom;
    };
    const Case cases[] = {
        {"A over B's top edge", {0, 10, 0, 20}, {5, 15, 10, 30}, EDGE_MODE_RIGHT, 2, 4},
        {"A over B's bottom edge", {0, 10, 20, 40}, {5, 15, 10, 30}, EDGE_MODE_RIGHT, 2, 5},
        {"A around B: bottom wins", {0, 10, 0, 40}, {5, 15, 10, 30}, EDGE_MODE_RIGHT, 0, 5},
        {"right edges only touch", {0, 5, 0, 20}, {5, 15, 10, 30}, EDGE_MODE_RIGHT, 2, 0},
        {"A left of B", {0, 4, 0, 20}, {5, 15, 10, 30}, EDGE_MODE_RIGHT, 0, 0},
        {"left edge touches", {15, 25, 0, 20}, {5, 15, 10, 30}, EDGE_MODE_LEFT, 2, 0},
        {"left edge inside", {14, 25, 0, 20}, {5, 15, 10, 30}, EDGE_MODE_LEFT, 2, 4},
        {"A right of B", {16, 25, 0, 20}, {5, 15, 10, 30}, EDGE_MODE_LEFT, 0, 0},
        {"A bottom on B's top", {0, 10, 0, 10}, {5, 15, 10, 30}, EDGE_MODE_RIGHT, 0, 4},
        {"A top on B's bottom", {0, 10, 30, 40}, {5, 15, 10, 30}, EDGE_MODE_RIGHT, 0, 5},
        {"A inside B", {0, 10, 12, 20}, {5, 15, 10, 30}, EDGE_MODE_RIGHT, 2, 0},
        {"tops level, A longer", {0, 10, 10, 40}, {5, 15, 10, 30}, EDGE_MODE_RIGHT, 2, 5},
        {"unknown mode", {0, 10, 0, 20}, {5, 15, 10, 30}, 502, 0, 0},
    };
    for (const Case& c : cases) {
        const BOB a{.box_left = c.a.left,
                    .box_right = c.a.right,
                    .box_top = c.a.top,
                    .box_bottom = c.a.bottom};
        const BOB b{.box_left = c.b.left,
                    .box_right = c.b.right,
                    .box_top = c.b.top,
                    .box_bottom = c.b.bottom};
        EXPECT_EQ(BobSideContact(&a, &b, c.mode), c.side) << c.what;
        EXPECT_EQ(BobTopBottomContact(&a, &b, c.mode), c.top_bottom) << c.what;
    }
}

// ---------------------------------------------------------------------------
// Drawing

// A keyed draw writes the frame's non-zero pixels and leaves its last column and row; the
// back buffer's clipper cuts a sprite half off each edge; without one such a sprite is
// refused; a hidden sprite draws nothing, scaled or not.
TEST_F(BobTest, DrawWritesTheKeyedFrameCutByTheClipper) {
    const struct {
        const char* what;
        bool clipper, hidden;
        int x, y, result, left, top, right, bottom;  // the rectangle drawn, inclusive
    } cases[] = {
        {"keyed", false, false, 100, 50, 1, 100, 50, 162, 112},
        {"off the surface without a clipper", false, false, -32, 0, 0, 1, 1, 0, 0},
        {"hidden", false, true, 100, 50, 1, 1, 1, 0, 0},
        {"half off the left", true, false, -32, 100, 1, 0, 100, 30, 162},
        {"half off the right", true, false, 608, 100, 1, 608, 100, 639, 162},
        {"half off the top", true, false, 200, -32, 1, 200, 0, 262, 30},
        {"half off the bottom", true, false, 200, 448, 1, 200, 448, 262, 479},
        {"over the top-left corner", true, false, -40, -20, 1, 0, 0, 22, 42},
        {"wholly off", true, false, -64, 0, 1, 1, 1, 0, 0},
    };
    MakeHoledSprite(0, 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.clipper && display_clipper == nullptr) {
            AttachScreenClipper();
        }
        ClearBack();
        BobSetPosition(&bob, c.x, c.y);
        c.hidden ? BobHide(&bob) : BobShow(&bob);
        EXPECT_EQ(BobDraw(&bob, back_surface), c.result);
        if (c.hidden) {
            EXPECT_EQ(BobDrawScaled(&bob, 32, 32, back_surface), 1) << "scaled";
        }
        ExpectDrawn(BackPixels(), c.x, c.y, c.left, c.top, c.right, c.bottom);
    }
}

TEST_F(BobTest, DrawRefusesFramesItCannotShow) {
    AttachScreenClipper();
    ClearBack();
    ASSERT_EQ(BobCreate(&bob, 10, 10, 16, 16, 2, BOB_FLAG_VISIBLE, 0), 1);
    FillFrame(bob.frames[0], SolidPixel);
    FillFrame(bob.frames[1], SolidPixel);
    for (int frame : {-1, 2, BOB_MAX_FRAMES, 1000}) {
        bob.frame_index = frame;
        EXPECT_EQ(BobDraw(&bob, back_surface), 0) << "frame_index " << frame;
        EXPECT_EQ(BobDrawScaled(&bob, 8, 8, back_surface), 0) << "frame_index " << frame;
    }
    bob.frame_index = 1;
    EXPECT_EQ(BobDraw(&bob, nullptr), 0);
    HostRefuse(HOST_REFUSE_BLT);
    EXPECT_EQ(BobDraw(&bob, back_surface), 0) << "blit refused";
    HostRefuse(0);
    ExpectDrawn(BackPixels(), 0, 0, 1, 1, 0, 0);
    EXPECT_EQ(BobDraw(nullptr, back_surface), 0);
    EXPECT_EQ(BobDrawScaled(nullptr, 8, 8, back_surface), 0);
    EXPECT_EQ(BobDraw(&bob, back_surface), 1);
}

TEST_F(BobTest, ScaledDrawStretchesOntoTheGivenSize) {
    AttachScreenClipper();
    ClearBack();
    ASSERT_EQ(BobCreate(&bob, 100, 50, 16, 16, 1, BOB_FLAG_VISIBLE, 0), 1);
    FillFrame(bob.frames[0], SolidPixel);
    ASSERT_EQ(BobDrawScaled(&bob, 31, 46, back_surface), 1);
    const std::vector<uint8_t> back = BackPixels();
    ASSERT_EQ(back.size(), 640u * 480u);
    // The destination is 30 x 45 pixels from 15 x 15 source pixels: each doubled or tripled.
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const bool inside = x >= 100 && x < 130 && y >= 50 && y < 95;
            const uint8_t expected = inside ? SolidPixel((x - 100) / 2, (y - 50) / 3) : BACKGROUND;
            ASSERT_EQ(back[y * 640 + x], expected) << "pixel (" << x << ", " << y << ")";
        }
    }
}

// ---------------------------------------------------------------------------
// Copies and teardown

TEST_F(BobTest, CopySharesFramesAndItsDestructionReleasesNothing) {
    ClearBack();
    MakeHoledSprite(100, 50);
    const int live = HostLiveObjects();
    const int list[] = {0};
    ASSERT_EQ(BobLoadSequence(&bob, 2, 1, list), 1);
    ASSERT_EQ(BobCopy(&bob, &other), 1);
    EXPECT_EQ(other.flags, bob.flags | BOB_FLAG_SHARED);
    EXPECT_EQ(other.frames[0], bob.frames[0]);
    EXPECT_EQ(other.sequences[2], bob.sequences[2]);
    EXPECT_EQ(Place(other), Place(bob));

    ASSERT_EQ(BobDestroy(&other), 1);
    EXPECT_EQ(other.frames[0], nullptr);
    EXPECT_EQ(other.sequences[2], nullptr);
    EXPECT_EQ(HostLiveObjects(), live);
    ASSERT_NE(bob.sequences[2], nullptr);
    EXPECT_EQ(bob.sequences[2][0], 0);
    ASSERT_EQ(BobDraw(&bob, back_surface), 1);
    ExpectDrawn(BackPixels(), 100, 50, 100, 50, 162, 112);

    EXPECT_EQ(BobCopy(nullptr, &other), 0);
    EXPECT_EQ(BobCopy(&bob, nullptr), 0);
    EXPECT_EQ(BobCopy(&bob, &bob), 0) << "a BOB cannot share its own frames";
    EXPECT_EQ(bob.flags & BOB_FLAG_SHARED, 0);
}

TEST_F(BobTest, DestroyReleasesEverythingOnceAndKeepsTheOtherFields) {
    const int live = HostLiveObjects();
    ASSERT_EQ(BobCreate(&bob, 7, 8, 24, 24, 5, BOB_FLAG_VISIBLE, 0), 1);
    const int list[] = {4, 3};
    ASSERT_EQ(BobLoadSequence(&bob, 0, 2, list), 1);
    ASSERT_EQ(BobLoadSequence(&bob, 15, 2, list), 1);
    EXPECT_EQ(HostLiveObjects(), live + 5);

    ASSERT_EQ(BobDestroy(&bob), 1);
    EXPECT_EQ(HostLiveObjects(), live);
    EXPECT_EQ(std::count(std::begin(bob.frames), std::end(bob.frames), nullptr), BOB_MAX_FRAMES);
    EXPECT_EQ(std::count(std::begin(bob.sequences), std::end(bob.sequences), nullptr),
              BOB_MAX_SEQUENCES);
    EXPECT_EQ(bob.x, 7);
    EXPECT_EQ(bob.frame_count, 5);
    EXPECT_EQ(BobDestroy(&bob), 1) << "a second destroy is harmless";
    EXPECT_EQ(HostLiveObjects(), live);
    EXPECT_EQ(BobDraw(&bob, back_surface), 0) << "nothing left to draw";
    EXPECT_EQ(BobDestroy(nullptr), 0);
}

}  // namespace
