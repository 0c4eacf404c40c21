// The display on the headless host: set-up and its failures, the clip region record, locks,
// flips, fills and blits checked pixel for pixel against a reference.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lib/display.h"
#include "platform/headless.h"
#include "platform/host.h"
#include "tests/support/common_support.h"

namespace {

class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        HeadlessReset();
        DisplayShutdown();
        display_width = 640;
        display_height = 480;
        display_bpp = 8;
        ASSERT_EQ(HostLiveObjects(), 0);
    }
    void TearDown() override {
        HostRefuse(0);
        DisplayShutdown();
        EXPECT_EQ(HostLiveObjects(), 0) << "display objects leaked";
    }
    static std::vector<uint8_t> Read(HostSurface* surface) {
        return SurfaceBytes(surface);
    }
    static void Write(HostSurface* surface, const std::vector<uint8_t>& rows, int32_t width) {
        int32_t pitch = 0;
        uint8_t* pixels = SurfaceLock(surface, &pitch);
        ASSERT_NE(pixels, nullptr);
        for (size_t i = 0; i < rows.size(); i++) {
            pixels[static_cast<int32_t>(i) / width * pitch + static_cast<int32_t>(i) % width] =
                rows[i];
        }
        SurfaceUnlock(surface, pixels);
    }
};

// ---- Set-up

// The mode, the objects, the four ramps in the shadow, the palette object and on the screen,
// and both buffers cleared to index 0.
TEST_F(DisplayTest, InitSetsTheModeTheObjectsTheRampsAndClearBuffers) {
    ASSERT_EQ(DisplayInit(640, 480, 8), 1);
    EXPECT_NE(direct_draw, nullptr);
    EXPECT_NE(primary_surface, nullptr);
    EXPECT_NE(back_surface, nullptr);
    EXPECT_NE(display_palette, nullptr);
    EXPECT_EQ(display_clipper, nullptr);
    EXPECT_EQ(std::vector<int>({display_width, display_height, display_bpp}),
              std::vector<int>({640, 480, 8}));
    EXPECT_EQ(std::vector<int>({clip_min_x, clip_min_y, clip_max_x, clip_max_y}),
              std::vector<int>({0, 0, 639, 479}));
    for (HostSurface* surface : {primary_surface, back_surface}) {
        EXPECT_EQ(Read(surface), std::vector<uint8_t>(640 * 480, 0));
    }

    struct Case {
        int index;
        uint8_t red, green, blue;
    };
    const Case cases[] = {
        {0, 0, 0, 0},     {1, 4, 0, 0},     {63, 252, 0, 0},   {64, 0, 0, 0},
        {100, 0, 144, 0}, {127, 0, 252, 0}, {128, 0, 0, 0},    {150, 0, 0, 88},
        {191, 0, 0, 252}, {192, 0, 0, 0},   {200, 32, 32, 32}, {255, 252, 252, 252},
    };
    PaletteEntry object[256];
    ASSERT_EQ(HostPaletteGetEntries(display_palette, 0, 0, 256, object), 1);
    const PaletteEntry* shown = HeadlessFramePalette();
    ASSERT_NE(shown, nullptr) << "attaching the palette shows it";
    const PaletteEntry* tables[] = {palette_shadow, object, shown};
    for (const Case& c : cases) {
        for (const PaletteEntry* table : tables) {
            const PaletteEntry& e = table[c.index];
            EXPECT_EQ(std::vector<int>({e.red, e.green, e.blue}),
                      std::vector<int>({c.red, c.green, c.blue}))
                << "entry " << c.index;
        }
    }
    for (int i = 0; i < 256; i++) {
        EXPECT_EQ(palette_shadow[i].flags, PC_NOCOLLAPSE) << "entry " << i;
    }
}

TEST_F(DisplayTest, RefusedModeKeepsThePreviousMode) {
    ASSERT_EQ(DisplayInit(320, 200, 8), 1);
    struct Case {
        int32_t width, height, bpp;
        uint32_t refuse;
    };
    const Case cases[] = {
        {800, 600, 8, HOST_REFUSE_SET_MODE},
        {640, 480, 16, 0},  // only 8 bits per pixel
        {0, 480, 8, 0},
        {640, -1, 8, 0},
    };
    for (const Case& c : cases) {
        HostRefuse(c.refuse);
        EXPECT_EQ(DisplayInit(c.width, c.height, c.bpp), 0)
            << c.width << "x" << c.height << "x" << c.bpp;
        EXPECT_EQ(std::vector<int>({display_width, display_height, display_bpp}),
                  std::vector<int>({320, 200, 8}))
            << "after " << c.width << "x" << c.height << "x" << c.bpp;
        HostRefuse(0);
    }
}

TEST_F(DisplayTest, EachFailingStepReturnsZeroAndShutdownReleasesWhatWasMade) {
    struct Case {
        const char* step;
        uint32_t refuse;
        bool has_display, has_primary, has_palette;
        int live;  // objects alive before DisplayShutdown
    };
    const Case cases[] = {
        {"display object", HOST_REFUSE_DISPLAY_CREATE, false, false, false, 0},
        {"cooperative level", HOST_REFUSE_COOPERATIVE, true, false, false, 1},
        {"mode", HOST_REFUSE_SET_MODE, true, false, false, 1},
        {"primary surface", HOST_REFUSE_SURFACE_CREATE, true, false, false, 1},
        {"palette object", HOST_REFUSE_PALETTE_CREATE, true, true, false, 3},
        {"palette attach", HOST_REFUSE_SET_PALETTE, true, true, true, 4},
    };
    for (const Case& c : cases) {
        HostRefuse(c.refuse);
        EXPECT_EQ(DisplayInit(640, 480, 8), 0) << c.step;
        EXPECT_EQ(direct_draw != nullptr, c.has_display) << c.step;
        EXPECT_EQ(primary_surface != nullptr, c.has_primary) << c.step;
        EXPECT_EQ(back_surface != nullptr, c.has_primary) << c.step;
        EXPECT_EQ(display_palette != nullptr, c.has_palette) << c.step;
        EXPECT_EQ(HostLiveObjects(), c.live) << c.step;
        HostRefuse(0);
        EXPECT_EQ(DisplayShutdown(), 1);
        EXPECT_EQ(HostLiveObjects(), 0) << c.step << ": shutdown left objects behind";
    }
}

TEST_F(DisplayTest, SecondInitReleasesTheFirst) {
    ASSERT_EQ(DisplayInit(640, 480, 8), 1);
    ASSERT_EQ(DisplayInit(640, 480, 8), 1);
    DisplayShutdown();
    EXPECT_EQ(HostLiveObjects(), 0);
}

// ---- The clip region

std::string Show(const HostRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " to " + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

struct ClipCase {
    const char* name;
    std::vector<HostRect> rects;
    HostRect bound;
};

TEST_F(DisplayTest, ClipperAttachBuildsTheRegionRecord) {
    const ClipCase cases[] = {
        {"whole screen", {{0, 0, 640, 480}}, {0, 0, 640, 480}},
        {"two rectangles", {{10, 20, 30, 40}, {5, 25, 50, 35}}, {5, 20, 50, 40}},
        {"none", {}, {64000, 64000, -64000, -64000}},
        // The four sides are tested apart: an inverted rectangle sets each from its own field.
        {"inverted", {{50, 60, 10, 20}}, {50, 60, 10, 20}},
    };
    ASSERT_EQ(DisplayInit(640, 480, 8), 1);
    for (const ClipCase& c : cases) {
        const auto count = static_cast<int32_t>(c.rects.size());
        HostClipper* clipper = ClipperAttach(back_surface, count, c.rects.data());
        ASSERT_NE(clipper, nullptr) << c.name;

        std::vector<uint8_t> block(32 + 16 * c.rects.size() + 16);
        auto* header = reinterpret_cast<HostRegionHeader*>(block.data());
        uint32_t size = static_cast<uint32_t>(block.size());
        ASSERT_EQ(HostClipperGetClipList(clipper, header, &size), 1) << c.name;
        EXPECT_EQ(size, 32u + 16u * c.rects.size()) << c.name;
        EXPECT_EQ(header->dwSize, 32u) << c.name;
        EXPECT_EQ(header->iType, RDH_RECTANGLES) << c.name;
        EXPECT_EQ(header->nCount, c.rects.size()) << c.name;
        EXPECT_EQ(header->nRgnSize, 16u * c.rects.size()) << c.name;
        EXPECT_EQ(Show(header->rcBound), Show(c.bound)) << c.name;
        const auto* rects = reinterpret_cast<const HostRect*>(header + 1);
        for (size_t i = 0; i < c.rects.size(); i++) {
            EXPECT_EQ(Show(rects[i]), Show(c.rects[i])) << c.name << " rect " << i;
        }
        HostClipperRelease(clipper);
    }
}

TEST_F(DisplayTest, ClipperAttachFailuresReturnNullAndLeakNothing) {
    ASSERT_EQ(DisplayInit(640, 480, 8), 1);
    const int live = HostLiveObjects();
    const HostRect screen{0, 0, 640, 480};
    HostRefuse(HOST_REFUSE_CLIPPER);
    EXPECT_EQ(ClipperAttach(back_surface, 1, &screen), nullptr);
    HostRefuse(0);
    EXPECT_EQ(ClipperAttach(nullptr, 1, &screen), nullptr) << "no surface to attach to";
    EXPECT_EQ(ClipperAttach(back_surface, -1, &screen), nullptr) << "negative count";
    EXPECT_EQ(ClipperAttach(back_surface, 2, nullptr), nullptr) << "no rectangles";
    EXPECT_EQ(HostLiveObjects(), live);
}

TEST_F(DisplayTest, ShutdownReleasesTheAttachedClipper) {
    ASSERT_EQ(DisplayInit(640, 480, 8), 1);
    const HostRect screen{0, 0, display_width, display_height};
    display_clipper = ClipperAttach(back_surface, 1, &screen);
    ASSERT_NE(display_clipper, nullptr);
    DisplayShutdown();
    EXPECT_EQ(display_clipper, nullptr);
    EXPECT_EQ(HostLiveObjects(), 0);
}

// ---- Locks and flips

// A second lock gives the same pointer and locks once; a flip while locked presents nothing.
TEST_F(DisplayTest, LockTwiceLocksOnceAndFlipWaitsForTheUnlock) {
    ASSERT_EQ(DisplayInit(640, 480, 8), 1);
    for (int primary = 0; primary < 2; primary++) {
        SCOPED_TRACE(primary ? "primary" : "back");
        uint8_t* first = primary ? PrimaryLock() : BackLock();
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(primary ? PrimaryLock() : BackLock(), first);
        EXPECT_GE(primary ? primary_pitch : back_pitch, 640);
        const uint32_t presents = HeadlessPresentCount();
        EXPECT_EQ(DisplayFlip(), 0);
        EXPECT_EQ(HeadlessPresentCount(), presents);
        EXPECT_EQ(primary ? PrimaryUnlock() : BackUnlock(), 1);
        EXPECT_EQ(primary ? primary_pixels : back_pixels, nullptr);
        EXPECT_EQ(primary ? primary_pitch : back_pitch, 0);
        EXPECT_EQ(primary ? PrimaryUnlock() : BackUnlock(), 0);
        // One unlock freed the surface: a second platform lock would still hold it.
        EXPECT_EQ(DisplayFlip(), 1);
    }
}

TEST_F(DisplayTest, FlipShowsTheBackBuffer) {
    ASSERT_EQ(DisplayInit(640, 480, 8), 1);
    uint8_t* pixels = BackLock();
    ASSERT_NE(pixels, nullptr);
    pixels[0] = 17;
    pixels[479 * back_pitch + 639] = 200;
    BackUnlock();
    ASSERT_EQ(DisplayFlip(), 1);
    int32_t width = 0;
    int32_t height = 0;
    const uint8_t* shown = HeadlessFramePixels(&width, &height);
    ASSERT_NE(shown, nullptr);
    ASSERT_EQ(width, 640);
    ASSERT_EQ(height, 480);
    EXPECT_EQ(shown[0], 17);
    EXPECT_EQ(shown[479 * 640 + 639], 200);
}

TEST_F(DisplayTest, FlipGivesUpUnderAPermanentRefusal) {
    ASSERT_EQ(DisplayInit(640, 480, 8), 1);
    const uint32_t presents = HeadlessPresentCount();
    HostRefuse(HOST_REFUSE_FLIP);
    EXPECT_EQ(DisplayFlip(), 0);
    EXPECT_EQ(HeadlessPresentCount(), presents);
    HostRefuse(0);
    EXPECT_EQ(DisplayFlip(), 1) << "the next frame flips again";
}

TEST_F(DisplayTest, FlipBeforeInitFails) {
    EXPECT_EQ(DisplayFlip(), 0);
    EXPECT_EQ(DisplayWaitVblank(), 1);
}

TEST_F(DisplayTest, RefusedLockYieldsNullAndIsTriedAgain) {
    ASSERT_EQ(DisplayInit(640, 480, 8), 1);
    HostRefuse(HOST_REFUSE_LOCK);
    EXPECT_EQ(BackLock(), nullptr);
    EXPECT_EQ(back_pitch, 0);
    EXPECT_EQ(surface_desc.lpSurface, nullptr);
    EXPECT_EQ(surface_desc.lPitch, 0);
    int32_t pitch = 99;
    EXPECT_EQ(SurfaceLock(back_surface, &pitch), nullptr);
    EXPECT_EQ(pitch, 0);
    HostRefuse(0);
    EXPECT_NE(BackLock(), nullptr);
    EXPECT_EQ(BackUnlock(), 1);
}

TEST_F(DisplayTest, SurfaceLockArguments) {
    ASSERT_EQ(DisplayInit(640, 480, 8), 1);
    int32_t pitch = 1234;
    EXPECT_EQ(SurfaceLock(nullptr, &pitch), nullptr);
    EXPECT_EQ(pitch, 1234) << "a null surface leaves the pitch alone";
    uint8_t* pixels = SurfaceLock(back_surface, nullptr);
    EXPECT_NE(pixels, nullptr);
    EXPECT_EQ(surface_desc.dwSize, HOST_SURFACE_DESC_SIZE);
    EXPECT_EQ(back_pixels, nullptr) << "SurfaceLock keeps no lock state";
    EXPECT_EQ(SurfaceUnlock(back_surface, pixels), 1);
    EXPECT_EQ(SurfaceUnlock(nullptr, pixels), 0);
}

TEST_F(DisplayTest, SurfaceFillCoversTheSurface) {
    ASSERT_EQ(DisplayInit(640, 480, 8), 1);
    EXPECT_EQ(SurfaceFill(back_surface, 7), 1);
    EXPECT_EQ(Read(back_surface), std::vector<uint8_t>(640 * 480, 7));
    EXPECT_EQ(SurfaceFill(back_surface, 0), 1);
    EXPECT_EQ(Read(back_surface), std::vector<uint8_t>(640 * 480, 0));
    EXPECT_EQ(SurfaceFill(nullptr, 3), 1);
}

// ---- Off-screen surfaces and blits

TEST_F(DisplayTest, SurfaceCreateMakesAKeyedOffscreenSurface) {
    ASSERT_EQ(DisplayInit(640, 480, 8), 1);
    HostSurface* surface = SurfaceCreate(32, 16, 0);
    ASSERT_NE(surface, nullptr);
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;
    HostSurfaceDescribe(surface, &width, &height, &pitch);
    EXPECT_EQ(width, 32);
    EXPECT_EQ(height, 16);
    EXPECT_GE(pitch, 32);
    ASSERT_NE(SurfaceLock(surface, nullptr), nullptr);
    EXPECT_TRUE(surface_desc.ddsCaps.dwCaps & DDSCAPS_OFFSCREENPLAIN);
    SurfaceUnlock(surface, surface_desc.lpSurface);
    HostSurfaceRelease(surface);

    EXPECT_EQ(SurfaceCreate(0, 16, 0), nullptr);
    EXPECT_EQ(SurfaceCreate(16, -1, 0), nullptr);
    HostRefuse(HOST_REFUSE_SURFACE_CREATE);
    EXPECT_EQ(SurfaceCreate(8, 8, 0), nullptr);
}

// The reference: source pixels at (x0, y0) on dst, index 0 skipped when keyed, kept inside
// the rectangles of clip.
std::vector<uint8_t> Reference(std::vector<uint8_t> dst, int32_t dst_w, int32_t dst_h,
                               const std::vector<uint8_t>& src, int32_t src_w, int32_t src_h,
                               int32_t x0, int32_t y0, bool keyed,
                               const std::vector<HostRect>& clip) {
    for (int32_t y = 0; y < src_h; y++) {
        for (int32_t x = 0; x < src_w; x++) {
            const int32_t dx = x0 + x;
            const int32_t dy = y0 + y;
            bool inside = dx >= 0 && dy >= 0 && dx < dst_w && dy < dst_h;
            bool in_clip = clip.empty();
            for (const HostRect& r : clip) {
                in_clip = in_clip || (dx >= r.left && dx < r.right && dy >= r.top && dy < r.bottom);
            }
            const uint8_t value = src[static_cast<size_t>(y * src_w + x)];
            if (inside && in_clip && !(keyed && value == 0)) {
                dst[static_cast<size_t>(dy * dst_w + dx)] = value;
            }
        }
    }
    return dst;
}

TEST_F(DisplayTest, KeyedBlitSkipsIndexZero) {
    ASSERT_EQ(DisplayInit(640, 480, 8), 1);
    const std::vector<uint8_t> sprite = {
        0, 5, 5, 0,  //
        6, 0, 0, 6,  //
        7, 7, 7, 7,  //
    };
    HostSurface* source = SurfaceCreate(4, 3, 0);
    HostSurface* target = SurfaceCreate(10, 6, 0);
    ASSERT_NE(source, nullptr);
    ASSERT_NE(target, nullptr);
    Write(source, sprite, 4);
    SurfaceFill(target, 9);
    for (bool keyed : {true, false}) {
        SurfaceFill(target, 9);
        const HostRect to{3, 2, 7, 5};
        ASSERT_EQ(HostSurfaceBlt(target, &to, source, nullptr,
                                 DDBLT_WAIT | (keyed ? DDBLT_KEYSRC : 0), 0),
                  1);
        EXPECT_EQ(Read(target),
                  Reference(std::vector<uint8_t>(60, 9), 10, 6, sprite, 4, 3, 3, 2, keyed, {}))
            << (keyed ? "keyed" : "opaque");
    }
    HostSurfaceRelease(source);
    HostSurfaceRelease(target);
}

TEST_F(DisplayTest, ClippedBlitIsCutToTheRegion) {
    ASSERT_EQ(DisplayInit(64, 48, 8), 1);
    std::vector<uint8_t> sprite(8 * 8);
    for (size_t i = 0; i < sprite.size(); i++) {
        sprite[i] = static_cast<uint8_t>(i % 5 == 0 ? 0 : 10 + i);
    }
    HostSurface* source = SurfaceCreate(8, 8, 0);
    ASSERT_NE(source, nullptr);
    Write(source, sprite, 8);

    struct Case {
        const char* name;
        std::vector<HostRect> clip;
        int32_t x, y;
    };
    const Case cases[] = {
        {"past the right edge", {{0, 0, 64, 48}}, 60, 10},
        {"past the top-left corner", {{0, 0, 64, 48}}, -3, -5},
        {"past the bottom", {{0, 0, 64, 48}}, 20, 44},
        {"two strips", {{0, 0, 64, 12}, {0, 14, 64, 48}}, 30, 8},
    };
    for (const Case& c : cases) {
        HostClipper* clipper =
            ClipperAttach(back_surface, static_cast<int32_t>(c.clip.size()), c.clip.data());
        ASSERT_NE(clipper, nullptr) << c.name;
        SurfaceFill(back_surface, 3);
        std::vector<uint8_t> before = Read(back_surface);
        const HostRect to{c.x, c.y, c.x + 8, c.y + 8};
        EXPECT_EQ(HostSurfaceBlt(back_surface, &to, source, nullptr, DDBLT_WAIT | DDBLT_KEYSRC, 0),
                  1)
            << c.name;
        EXPECT_EQ(Read(back_surface),
                  Reference(before, 64, 48, sprite, 8, 8, c.x, c.y, true, c.clip))
            << c.name;
        HostClipperRelease(clipper);
    }
    HostSurfaceRelease(source);
}

TEST_F(DisplayTest, UnclippedBlitOffTheSurfaceIsRefused) {
    ASSERT_EQ(DisplayInit(64, 48, 8), 1);
    HostSurface* source = SurfaceCreate(8, 8, 0);
    ASSERT_NE(source, nullptr);
    SurfaceFill(source, 5);
    SurfaceFill(back_surface, 3);
    const HostRect to{60, 10, 68, 18};
    EXPECT_EQ(HostSurfaceBlt(back_surface, &to, source, nullptr, DDBLT_WAIT, 0), 0);
    EXPECT_EQ(Read(back_surface), std::vector<uint8_t>(64 * 48, 3));
    HostSurfaceRelease(source);
}

}  // namespace
