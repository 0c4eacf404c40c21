// Drawing primitives: line clipping from every region against a brute-force rule, lines pixel
// for pixel, horizontal and vertical lines cut to the clipping rectangle, fills, overlaps and
// colour scans.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "lib/display.h"
#include "lib/draw.h"
#include "platform/headless.h"
#include "tests/support/common_support.h"

namespace {

constexpr int32_t SCREEN_W = 640;
constexpr int32_t SCREEN_H = 480;
constexpr int32_t PITCH = 656;  // wider than the screen, so a wrong pitch shows

using Pixel = std::pair<int32_t, int32_t>;

// A screen-sized buffer with a pitch larger than the width.
struct Canvas {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(static_cast<size_t>(PITCH) * SCREEN_H, 0);
    uint8_t* Pixels() {
        return bytes.data();
    }
    uint8_t At(int32_t x, int32_t y) const {
        return bytes[static_cast<size_t>(y) * PITCH + x];
    }
    // Every non-zero byte, padding included, as (x, y) with x possibly beyond the width.
    std::set<Pixel> Lit() const {
        std::set<Pixel> lit;
        for (size_t i = 0; i < bytes.size(); i++) {
            if (bytes[i] != 0) {
                lit.insert({static_cast<int32_t>(i % PITCH), static_cast<int32_t>(i / PITCH)});
            }
        }
        return lit;
    }
};

std::string Show(const std::set<Pixel>& pixels) {
    std::string text;
    for (const Pixel& p : pixels) {
        text += "(" + std::to_string(p.first) + "," + std::to_string(p.second) + ")";
    }
    return text;
}

std::string Show(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    return "(" + std::to_string(x0) + "," + std::to_string(y0) + ")-(" + std::to_string(x1) + "," +
           std::to_string(y1) + ")";
}

// ---------------------------------------------------------------------------
// LineClip

struct ClipCase {
    const char* what;
    int32_t in[4];
    int result;
    int32_t out[4];
};

TEST(LineClip, ListedCases) {
    const ClipCase cases[] = {
        {"left edge", {-10, 100, 100, 100}, 1, {0, 100, 100, 100}},
        {"both left: refused, unchanged", {-10, 5, -1, 600}, 0, {-10, 5, -1, 600}},
        {"top-left start keeps its top crossing", {-20, -10, 20, 10}, 1, {0, 0, 20, 10}},
        {"right edge", {700, 240, 320, 240}, 1, {639, 240, 320, 240}},
        {"end point falls back to the right edge", {-5, -5, 700, 500}, 1, {1, 0, 639, 457}},
        {"inside: unchanged", {3, 4, 600, 400}, 1, {3, 4, 600, 400}},
        {"both below: refused", {0, 500, 639, 481}, 0, {0, 500, 639, 481}},
        {"corner miss: refused, unchanged", {600, -100, 700, 10}, 0, {600, -100, 700, 10}},
        // The end point's single-edge crossing is a plain sum: -1 stays -1 and misses, where
        // a biased sum would have given 0.
        {"grazing the bottom-left corner", {-1, 479, 164, 505}, 0, {-1, 479, 164, 505}},
        {"grazing the top-left corner", {-15, 1, 298, -23}, 0, {-15, 1, 298, -23}},
        // Products far beyond 32 bits still give the exact crossing.
        {"far away ends", {-2000000000, -2000000000, 2000000000, 2000000000}, 1, {0, 0, 479, 479}},
        {"far away horizontal", {-2147483647, 7, 2147483647, 7}, 1, {0, 7, 639, 7}},
    };
    for (const ClipCase& c : cases) {
        int32_t x0 = c.in[0], y0 = c.in[1], x1 = c.in[2], y1 = c.in[3];
        int result = LineClip(x0, y0, x1, y1);
        EXPECT_EQ(result, c.result) << c.what;
        EXPECT_EQ(Show(x0, y0, x1, y1), Show(c.out[0], c.out[1], c.out[2], c.out[3])) << c.what;
    }
}

// Distance from (px, py) to the infinite line through a and b.
double DistanceToLine(double px, double py, double ax, double ay, double bx, double by) {
    double dx = bx - ax;
    double dy = by - ay;
    double length = std::hypot(dx, dy);
    if (length == 0) {
        return std::hypot(px - ax, py - ay);
    }
    return std::fabs((px - ax) * dy - (py - ay) * dx) / length;
}

// Position of (px, py) along a->b: 0 at a, 1 at b.
double Along(double px, double py, double ax, double ay, double bx, double by) {
    double dx = bx - ax;
    double dy = by - ay;
    return ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy);
}

// Does the exact segment pass through the rectangle shrunk by margin on every side?
bool CrossesInterior(double ax, double ay, double bx, double by, double margin) {
    const int samples = 20000;
    for (int i = 0; i <= samples; i++) {
        double t = static_cast<double>(i) / samples;
        double x = ax + (bx - ax) * t;
        double y = ay + (by - ay) * t;
        if (x >= margin && x <= 639 - margin && y >= margin && y <= 479 - margin) {
            return true;
        }
    }
    return false;
}

// Lines from every one of the nine regions to ends everywhere. A kept segment lies inside the
// rectangle, on the original line within a pixel, in the original direction; a refused one
// does not pass through the rectangle's interior.
TEST(LineClip, EveryRegionAgainstBruteForce) {
    const int32_t xs[3][2] = {{-900, -1}, {0, 639}, {640, 1500}};
    const int32_t ys[3][2] = {{-900, -1}, {0, 479}, {480, 1400}};
    std::mt19937 random(20240611);
    int kept = 0;
    int refused = 0;
    for (int row = 0; row < 3; row++) {
        for (int column = 0; column < 3; column++) {
            std::uniform_int_distribution<int32_t> start_x(xs[column][0], xs[column][1]);
            std::uniform_int_distribution<int32_t> start_y(ys[row][0], ys[row][1]);
            std::uniform_int_distribution<int32_t> end_x(-900, 1500);
            std::uniform_int_distribution<int32_t> end_y(-900, 1400);
            for (int n = 0; n < 300; n++) {
                const int32_t ax = start_x(random), ay = start_y(random);
                const int32_t bx = end_x(random), by = end_y(random);
                int32_t x0 = ax, y0 = ay, x1 = bx, y1 = by;
                const std::string line = Show(ax, ay, bx, by);
                if (LineClip(x0, y0, x1, y1) == 0) {
                    refused++;
                    ASSERT_EQ(Show(x0, y0, x1, y1), line) << "a refusal changed the values";
                    ASSERT_FALSE(CrossesInterior(ax, ay, bx, by, 2.0))
                        << line << " crosses the rectangle but was refused";
                    continue;
                }
                kept++;
                const std::string got = line + " -> " + Show(x0, y0, x1, y1);
                for (auto [x, y] : {Pixel{x0, y0}, Pixel{x1, y1}}) {
                    ASSERT_TRUE(x >= 0 && x <= 639 && y >= 0 && y <= 479) << got;
                    ASSERT_LE(DistanceToLine(x, y, ax, ay, bx, by), 1.0) << got;
                    double t = Along(x, y, ax, ay, bx, by);
                    ASSERT_TRUE(t > -0.01 && t < 1.01) << got << " leaves the segment";
                }
                ASSERT_LE(Along(x0, y0, ax, ay, bx, by), Along(x1, y1, ax, ay, bx, by) + 0.01)
                    << got << " is reversed";
            }
        }
    }
    // The table must exercise both outcomes from every side to mean anything.
    EXPECT_GT(kept, 500);
    EXPECT_GT(refused, 500);
}

TEST(LineDrawClipped, DrawsOnlyTheClippedPartAndAlwaysReturnsOne) {
    Canvas canvas;
    EXPECT_EQ(LineDrawClipped(-50, 10, 5, 10, 7, canvas.Pixels(), PITCH), 1);
    std::set<Pixel> want;
    for (int32_t x = 0; x <= 5; x++) {
        want.insert({x, 10});
    }
    EXPECT_EQ(Show(canvas.Lit()), Show(want));
    EXPECT_EQ(LineDrawClipped(-50, -5, -1, 600, 7, canvas.Pixels(), PITCH), 1);
    EXPECT_EQ(LineDrawClipped(700, 900, 1000, 2000, 7, canvas.Pixels(), PITCH), 1);
    EXPECT_EQ(Show(canvas.Lit()), Show(want)) << "a refused line drew something";
}

TEST(LineDrawClipped, LongLinesStayInsideTheBuffer) {
    Canvas canvas;
    std::mt19937 random(7);
    std::uniform_int_distribution<int32_t> any(-100000, 100000);
    for (int n = 0; n < 300; n++) {
        LineDrawClipped(any(random), any(random), any(random), any(random), 9, canvas.Pixels(),
                        PITCH);
    }
    for (const Pixel& p : canvas.Lit()) {
        ASSERT_LT(p.first, SCREEN_W) << "a pixel in the row padding";
    }
}

// ---------------------------------------------------------------------------
// LineDraw: the two thresholds

struct LineCase {
    const char* what;
    int32_t ends[4];
    std::vector<Pixel> pixels;
};

TEST(LineDraw, ListedShapesPixelForPixel) {
    const LineCase cases[] = {
        {"x-major ends one row short",
         {0, 0, 10, 5},
         {{0, 0}, {1, 0}, {2, 0}, {3, 1}, {4, 1}, {5, 2}, {6, 2}, {7, 3}, {8, 3}, {9, 4}, {10, 4}}},
        {"y-major ends on its end point",
         {0, 0, 5, 10},
         {{0, 0}, {1, 1}, {1, 2}, {2, 3}, {2, 4}, {3, 5}, {3, 6}, {4, 7}, {4, 8}, {5, 9}, {5, 10}}},
        {"x-major ends one row short going up",
         {0, 5, 10, 0},
         {{0, 5}, {1, 5}, {2, 5}, {3, 4}, {4, 4}, {5, 3}, {6, 3}, {7, 2}, {8, 2}, {9, 1}, {10, 1}}},
        {"x-major going left ends in column x1",
         {10, 0, 0, 5},
         {{10, 0}, {9, 0}, {8, 0}, {7, 1}, {6, 1}, {5, 2}, {4, 2}, {3, 3}, {2, 3}, {1, 4}, {0, 4}}},
        {"a single point", {0, 0, 0, 0}, {{0, 0}}},
        {"diagonal is y-major", {0, 0, 3, 3}, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
        {"horizontal", {3, 0, 0, 0}, {{3, 0}, {2, 0}, {1, 0}, {0, 0}}},
    };
    const int32_t ox = 100, oy = 50;  // away from the buffer's edges
    for (const LineCase& c : cases) {
        Canvas canvas;
        const int32_t* e = c.ends;
        EXPECT_EQ(LineDraw(ox + e[0], oy + e[1], ox + e[2], oy + e[3], 5, canvas.Pixels(), PITCH),
                  1);
        std::set<Pixel> want;
        for (const Pixel& p : c.pixels) {
            want.insert({ox + p.first, oy + p.second});
        }
        EXPECT_EQ(Show(canvas.Lit()), Show(want)) << c.what;
    }
}

// ---------------------------------------------------------------------------
// Horizontal and vertical lines

TEST(HVLineDraw, ClipToTheRectangle) {
    const struct {
        const char* what;
        bool vertical;
        int32_t a, b, at;
        int32_t from, to;  // the expected span; from > to for nothing
    } cases[] = {
        {"runs off the right", false, 600, 700, 10, 600, 639},
        {"ends swapped", false, 5, 1, 10, 1, 5},
        {"runs off the left", false, -50, 5, 0, 0, 5},
        {"whole row and more", false, -1000, 1000, 479, 0, 639},
        {"single pixel", false, 639, 639, 3, 639, 639},
        {"row above", false, 0, 639, -1, 1, 0},
        {"row below", false, 0, 639, 480, 1, 0},
        {"all right of it", false, 640, 800, 3, 1, 0},
        {"all left of it", false, -10, -1, 3, 1, 0},
        {"runs off the bottom", true, 400, 700, 10, 400, 479},
        {"ends swapped", true, 5, 1, 10, 1, 5},
        {"runs off the top", true, -50, 5, 0, 0, 5},
        {"whole column and more", true, -1000, 1000, 639, 0, 479},
        {"single pixel", true, 479, 479, 3, 479, 479},
        {"column left of it", true, 0, 479, -1, 1, 0},
        {"column right of it", true, 0, 479, 640, 1, 0},
        {"all below it", true, 480, 800, 3, 1, 0},
    };
    for (const auto& c : cases) {
        Canvas canvas;
        (c.vertical ? VLineDraw : HLineDraw)(c.a, c.b, c.at, 4, canvas.Pixels(), PITCH);
        std::set<Pixel> want;
        for (int32_t i = c.from; i <= c.to; i++) {
            want.insert(c.vertical ? Pixel{c.at, i} : Pixel{i, c.at});
        }
        EXPECT_EQ(Show(canvas.Lit()), Show(want))
            << (c.vertical ? "vertical: " : "horizontal: ") << c.what;
    }
}

TEST(BufferRoutines, NullBufferDrawsNothing) {
    EXPECT_EQ(PixelPlot(1, 1, 3, nullptr, PITCH), 1);
    EXPECT_EQ(LineDraw(0, 0, 10, 10, 3, nullptr, PITCH), 1);
    EXPECT_EQ(LineDrawClipped(0, 0, 10, 10, 3, nullptr, PITCH), 1);
    HLineDraw(0, 10, 1, 3, nullptr, PITCH);
    VLineDraw(0, 10, 1, 3, nullptr, PITCH);
    EXPECT_EQ(RectScanColors(0, 0, 10, 10, 0, 255, nullptr, PITCH), 0);
}

// ---------------------------------------------------------------------------
// Overlap and colour scan

TEST(RectsOverlap, CentresMustBeCloserThanThreeEighthsOfTheSizes) {
    // A width of 16 gives a half-width of 8 - 2 = 6: centres 11 apart touch, 12 apart do not.
    EXPECT_EQ(RectsOverlap(0, 0, 16, 16, 11, 0, 16, 16), 1);
    EXPECT_EQ(RectsOverlap(0, 0, 16, 16, 12, 0, 16, 16), 0);
    EXPECT_EQ(RectsOverlap(11, 0, 16, 16, 0, 0, 16, 16), 1) << "order of the boxes";
    EXPECT_EQ(RectsOverlap(12, 0, 16, 16, 0, 0, 16, 16), 0);
    EXPECT_EQ(RectsOverlap(0, 0, 16, 16, 0, -11, 16, 16), 1);
    EXPECT_EQ(RectsOverlap(0, 0, 16, 16, 0, -12, 16, 16), 0);
    EXPECT_EQ(RectsOverlap(0, 0, 0, 0, 0, 0, 0, 0), 0) << "empty boxes never overlap";
    EXPECT_EQ(RectsOverlap(2147483000, 0, 2000, 16, -2147483000, 0, 2000, 16), 0)
        << "far corners must not wrap around";
}

TEST(RectScanColors, FindsAnIndexInRangeWithinTheClampedRectangle) {
    Canvas canvas;
    canvas.bytes[static_cast<size_t>(479) * PITCH + 639] = 200;
    canvas.bytes[static_cast<size_t>(10) * PITCH + 20] = 50;
    EXPECT_EQ(RectScanColors(600, 470, 5000, 5000, 200, 200, canvas.Pixels(), PITCH), 1)
        << "ends beyond the screen clamp to its last row and column";
    EXPECT_EQ(RectScanColors(-100, -100, 20, 10, 40, 60, canvas.Pixels(), PITCH), 1)
        << "negative corners clamp to 0";
    EXPECT_EQ(RectScanColors(0, 0, 19, 10, 40, 60, canvas.Pixels(), PITCH), 0) << "a column short";
    EXPECT_EQ(RectScanColors(0, 0, 639, 479, 51, 199, canvas.Pixels(), PITCH), 0)
        << "between the two indexes";
    EXPECT_EQ(RectScanColors(0, 0, 639, 479, 201, 255, canvas.Pixels(), PITCH), 0);
}

TEST(RectScanColors, SwappedCornersFindNothing) {
    Canvas canvas;
    std::fill(canvas.bytes.begin(), canvas.bytes.end(), 9);  // every pixel would match
    EXPECT_EQ(RectScanColors(20, 0, 10, 10, 0, 255, canvas.Pixels(), PITCH), 0) << "x1 > x2";
    EXPECT_EQ(RectScanColors(0, 20, 10, 10, 0, 255, canvas.Pixels(), PITCH), 0) << "y1 > y2";
    EXPECT_EQ(RectScanColors(10, 10, 10, 10, 9, 9, canvas.Pixels(), PITCH), 1) << "one pixel";
}

// ---------------------------------------------------------------------------
// RectFill through the host's colour fill

class RectFillTest : public ::testing::Test {
protected:
    void SetUp() override {
        HeadlessReset();
        ASSERT_EQ(DisplayInit(SCREEN_W, SCREEN_H, 8), 1);
    }
    void TearDown() override {
        DisplayShutdown();
    }
    // Non-zero pixels of a surface.
    static std::set<Pixel> Lit(HostSurface* surface) {
        int32_t width = 0;
        HostSurfaceDescribe(surface, &width, nullptr, nullptr);
        const std::vector<uint8_t> bytes = SurfaceBytes(surface);
        std::set<Pixel> lit;
        for (size_t i = 0; i < bytes.size(); i++) {
            if (bytes[i] != 0) {
                lit.insert({static_cast<int32_t>(i % width), static_cast<int32_t>(i / width)});
            }
        }
        return lit;
    }
    static std::set<Pixel> Box(int32_t left, int32_t top, int32_t right, int32_t bottom) {
        std::set<Pixel> box;
        for (int32_t y = top; y < bottom; y++) {
            for (int32_t x = left; x < right; x++) {
                box.insert({x, y});
            }
        }
        return box;
    }
};

TEST_F(RectFillTest, RightAndBottomAreExclusive) {
    HostSurface* surface = SurfaceCreate(64, 32, 0);
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(RectFill(2, 3, 10, 7, 0x1205, surface), 1);
    EXPECT_EQ(Show(Lit(surface)), Show(Box(2, 3, 10, 7))) << "colour is the low byte";
    HostSurfaceRelease(surface);
}

TEST_F(RectFillTest, ARectangleLeavingASurfaceWithoutClipperIsRefused) {
    HostSurface* surface = SurfaceCreate(64, 32, 0);
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(RectFill(60, 0, 70, 10, 5, surface), 1);
    EXPECT_EQ(RectFill(-1, 0, 4, 4, 5, surface), 1);
    EXPECT_TRUE(Lit(surface).empty());
    HostSurfaceRelease(surface);
}

TEST_F(RectFillTest, TheBackSurfaceClipperCutsTheFill) {
    HostRect screen{0, 0, SCREEN_W, SCREEN_H};
    display_clipper = ClipperAttach(back_surface, 1, &screen);
    ASSERT_NE(display_clipper, nullptr);
    EXPECT_EQ(RectFill(630, 470, 700, 500, 8, back_surface), 1);
    EXPECT_EQ(Show(Lit(back_surface)), Show(Box(630, 470, 640, 480)));
}

// The clipper cuts a fill of any size, out to the int32 limits; only stretched copies need a
// size limit.
TEST_F(RectFillTest, TheClipperCutsFillsOfAnySize) {
    HostRect screen{0, 0, SCREEN_W, SCREEN_H};
    display_clipper = ClipperAttach(back_surface, 1, &screen);
    ASSERT_NE(display_clipper, nullptr);
    constexpr int32_t MIN = INT32_MIN;
    constexpr int32_t MAX = INT32_MAX;
    const struct {
        int32_t left, top, right, bottom;
        HostRect lit;  // what must be filled, cut to the screen
    } cases[] = {
        {MIN, MIN, MAX, MAX, {0, 0, SCREEN_W, SCREEN_H}},
        {-(1 << 24), 0, 1 << 24, 10, {0, 0, SCREEN_W, 10}},
        {-(1 << 24) - 1, 0, (1 << 24) + 1, 10, {0, 0, SCREEN_W, 10}},
        {100, MIN, 101, MAX, {100, 0, 101, SCREEN_H}},
        {MIN, 470, 5, MAX, {0, 470, 5, SCREEN_H}},
        {630, 5, MAX, 6, {630, 5, SCREEN_W, 6}},
        {MIN, MIN, 0, 0, {0, 0, 0, 0}},
        {SCREEN_W, SCREEN_H, MAX, MAX, {0, 0, 0, 0}},
        {MAX, MAX, MIN, MIN, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SurfaceFill(back_surface, 0);
        EXPECT_EQ(RectFill(c.left, c.top, c.right, c.bottom, 8, back_surface), 1);
        EXPECT_EQ(Show(Lit(back_surface)),
                  Show(Box(c.lit.left, c.lit.top, c.lit.right, c.lit.bottom)))
            << "RectFill(" << c.left << ", " << c.top << ", " << c.right << ", " << c.bottom << ")";
    }
}

TEST_F(RectFillTest, ALockedOrNullSurfaceStillReturnsOne) {
    ASSERT_NE(BackLock(), nullptr);
    EXPECT_EQ(RectFill(0, 0, 10, 10, 8, back_surface), 1);
    BackUnlock();
    EXPECT_TRUE(Lit(back_surface).empty());
    EXPECT_EQ(RectFill(0, 0, 10, 10, 8, nullptr), 1);
}

}  // namespace
