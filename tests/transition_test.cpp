// Screen transitions on the manual clock: the fades' arithmetic, the painting orders, the
// dissolve's pixel count, and the number of paced 12 ms steps of every kind.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "lib/clock.h"
#include "lib/display.h"
#include "lib/draw.h"
#include "lib/palette.h"
#include "lib/transition.h"
#include "platform/headless.h"
#include "tests/support/common_support.h"

namespace {

constexpr int32_t W = 640;
constexpr int32_t H = 480;
constexpr int32_t PITCH = 648;  // the padding must never be painted
constexpr uint8_t PAINT = 7;

// With the clock moving 12 ms at every read, one step is exactly three reads: the mark, one
// check of the wait, and the wait's final reading.
constexpr uint32_t READS_PER_STEP = 3;

// Called at the mark of every paced step (1, 2, ...), before the step waits.
std::function<void(int step)> at_step_mark;
uint32_t hook_reads = 0;

void OnTick(uint32_t) {
    if (hook_reads++ % READS_PER_STEP == 0 && at_step_mark) {
        at_step_mark(static_cast<int>(hook_reads / READS_PER_STEP) + 1);
    }
}

struct Screen {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(static_cast<size_t>(PITCH) * H, PAINT);
    uint8_t* Pixels() {
        return bytes.data();
    }
    uint8_t& At(int32_t x, int32_t y) {
        return bytes[static_cast<size_t>(y) * PITCH + x];
    }
    // Pixels holding value in columns x0 .. x1 - 1 of rows y0 .. y1 - 1.
    int CountOf(uint8_t value, int32_t x0 = 0, int32_t y0 = 0, int32_t x1 = W, int32_t y1 = H) {
        int count = 0;
        for (int32_t y = y0; y < y1; y++) {
            for (int32_t x = x0; x < x1; x++) {
                count += At(x, y) == value;
            }
        }
        return count;
    }
    // Zeros in the two outermost rows at the top and at the bottom, or columns at each side.
    int EdgeRowZeros() {
        return CountOf(0, 0, 0, W, 2) + CountOf(0, 0, H - 2, W, H);
    }
    int EdgeColumnZeros() {
        return CountOf(0, 0, 0, 2, H) + CountOf(0, W - 2, 0, W, H);
    }
};

// A palette whose entries differ in every byte, flags included.
std::vector<PaletteEntry> Sample() {
    std::vector<PaletteEntry> palette(256);
    for (int i = 0; i < 256; i++) {
        palette[i] = PaletteEntry{static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                                  static_cast<uint8_t>(i * 37), static_cast<uint8_t>(i % 7)};
    }
    return palette;
}

class TransitionTest : public ::testing::Test {
protected:
    void SetUp() override {
        HeadlessReset();
        ASSERT_EQ(DisplayInit(W, H, 8), 1);
        HeadlessSetAutoAdvance(12);
        hook_reads = 0;
        at_step_mark = nullptr;
        HeadlessSetTickHook(OnTick);
    }
    void TearDown() override {
        HeadlessSetTickHook(nullptr);
        at_step_mark = nullptr;
        DisplayShutdown();
    }
};

TEST_F(TransitionTest, OneStepIsThreeClockReads) {
    uint32_t before = HeadlessTickReads();
    ClockMark();
    ClockWait(12);
    ASSERT_EQ(HeadlessTickReads() - before, READS_PER_STEP) << "the step hook counts on this";
}

// ---------------------------------------------------------------------------
// Fades

TEST_F(TransitionTest, FadeToBlackTakesThreeOffEachStepAndKeepsEntryZero) {
    std::vector<PaletteEntry> start = Sample();
    start[0] = PaletteEntry{255, 255, 255, 4};
    start[1] = PaletteEntry{255, 128, 0, 9};
    start[2] = PaletteEntry{241, 242, 4, 0};
    PaletteSetAll(start.data());
    TransitionPlay(TRANSITION_FADE_BLACK, nullptr, 0);
    EXPECT_EQ(ShowEntry(palette_shadow[0]), ShowEntry(start[0])) << "entry 0 is left alone";
    EXPECT_EQ(ShowEntry(palette_shadow[1]), ShowEntry(PaletteEntry{15, 0, 0, 9}));
    EXPECT_EQ(ShowEntry(palette_shadow[2]), ShowEntry(PaletteEntry{0, 2, 0, 0}));
    // 80 steps of 3: a channel above 241 ends 240 lower, the rest at 0.
    auto end = [](uint8_t v) { return static_cast<uint8_t>(v > 241 ? v - 240 : 0); };
    for (int i = 1; i < 256; i++) {
        const PaletteEntry& s = start[i];
        EXPECT_EQ(ShowEntry(palette_shadow[i]),
                  ShowEntry(PaletteEntry{end(s.red), end(s.green), end(s.blue), s.flags}))
            << "entry " << i;
    }
    PaletteEntry shown[256];
    HostPaletteGetEntries(display_palette, 0, 0, 256, shown);
    EXPECT_EQ(ShowEntry(shown[1]), ShowEntry(palette_shadow[1])) << "the display follows the copy";
}

struct FadeCase {
    int32_t kind;
    PaletteEntry target;
};

TEST_F(TransitionTest, ColourFadesEndAtThePureColourWithFlagsKept) {
    const FadeCase cases[] = {{TRANSITION_FADE_WHITE, {255, 255, 255, 0}},
                              {TRANSITION_FADE_BLUE, {0, 0, 255, 0}},
                              {TRANSITION_FADE_RED, {255, 0, 0, 0}},
                              {TRANSITION_FADE_GREEN, {0, 255, 0, 0}}};
    const std::vector<PaletteEntry> start = Sample();
    for (const FadeCase& c : cases) {
        PaletteSetAll(start.data());
        TransitionPlay(c.kind, nullptr, 0);
        for (int i = 0; i < 256; i++) {
            PaletteEntry want = c.target;
            want.flags = start[i].flags;
            ASSERT_EQ(ShowEntry(palette_shadow[i]), ShowEntry(want))
                << "kind " << c.kind << " entry " << i;
        }
        const PaletteEntry* shown = HeadlessFramePalette();
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(ShowEntry(shown[200]), ShowEntry(palette_shadow[200])) << "kind " << c.kind;
    }
}

TEST_F(TransitionTest, FadeStepsAddUpFromThePreviousPalette) {
    std::vector<PaletteEntry> start(256, PaletteEntry{100, 100, 100, 4});
    PaletteSetAll(start.data());
    int checked = 0;
    at_step_mark = [&checked](int step) {
        if (step == 10) {  // the tenth step's palette is set before it waits: 10 x (+6, -4, -4)
            EXPECT_EQ(ShowEntry(palette_shadow[3]), ShowEntry(PaletteEntry{160, 60, 60, 4}));
            checked++;
        }
    };
    TransitionPlay(TRANSITION_FADE_RED, nullptr, 0);
    EXPECT_EQ(checked, 1);
}

// ---------------------------------------------------------------------------
// Painting

// After step 1 the two outermost lines on each closing side are painted; at the end every
// pixel is, and the row padding never is.
TEST_F(TransitionTest, ClosingKindsWorkInwardsFourLinesAStep) {
    const struct {
        int32_t kind;
        uint32_t steps;
        bool columns, rows;  // what closes in
    } cases[] = {{TRANSITION_CLOSE_COLUMNS, 160, true, false},
                 {TRANSITION_CLOSE_ROWS, 120, false, true},
                 {TRANSITION_CLOSE_BOX, 160, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE("kind " + std::to_string(c.kind));
        Screen screen;
        hook_reads = 0;
        at_step_mark = [&](int step) {
            if (step == 2) {
                EXPECT_EQ(screen.EdgeColumnZeros(), c.columns ? 4 * H : 16 * c.rows);
                EXPECT_EQ(screen.EdgeRowZeros(), c.rows ? 4 * W : 16 * c.columns);
                EXPECT_EQ(screen.CountOf(0),
                          4 * H * c.columns + 4 * W * c.rows - 16 * c.columns * c.rows);
            }
        };
        TransitionPlay(c.kind, screen.Pixels(), PITCH);
        EXPECT_EQ(hook_reads, c.steps * READS_PER_STEP) << "every step's check ran";
        EXPECT_EQ(screen.CountOf(0), W * H);
        EXPECT_EQ(screen.CountOf(PAINT, W, 0, PITCH, H), (PITCH - W) * H) << "padding painted";
    }
}

TEST_F(TransitionTest, ClosingColumnsLeaveTheMiddleFourToTheLastStep) {
    Screen screen;
    at_step_mark = [&screen](int step) {
        if (step == 160) {
            EXPECT_EQ(screen.CountOf(0), 4 * 159 * H) << "after step 159";
            EXPECT_EQ(screen.CountOf(PAINT, 318, 0, 322, H), 4 * H) << "columns 318..321";
        }
    };
    TransitionPlay(TRANSITION_CLOSE_COLUMNS, screen.Pixels(), PITCH);
    EXPECT_EQ(screen.CountOf(0), W * H);
}

TEST_F(TransitionTest, ClosingBoxRepaintsTheEdgeRowsAtStep121) {
    Screen screen;
    at_step_mark = [&screen](int step) {
        if (step == 121) {  // 120 steps done: the rows have met; mark the edges again
            for (int32_t y : {0, 1, 2, 477, 478, 479}) {
                HLineDraw(0, W - 1, y, PAINT, screen.Pixels(), PITCH);
            }
        }
        if (step == 122) {  // step 121 (i = 240) has painted rows 0, 1, 478, 479 again
            EXPECT_EQ(screen.EdgeRowZeros(), 4 * W) << "after step 121";
            EXPECT_EQ(screen.At(0, 2), PAINT) << "row 2 waits for step 122";
            EXPECT_EQ(screen.At(0, 477), PAINT) << "row 477 waits for step 122";
        }
    };
    TransitionPlay(TRANSITION_CLOSE_BOX, screen.Pixels(), PITCH);
    EXPECT_EQ(screen.CountOf(0), W * H);
}

// The dissolve takes its row, then its column, from rand, 4 x W x H + 1 times.
void DissolveByHand(Screen& screen, int64_t pixels) {
    for (int64_t i = 0; i < pixels; i++) {
        int32_t row = std::rand() % H;
        int32_t column = std::rand() % W;
        screen.At(column, row) = 0;
    }
}

TEST_F(TransitionTest, DissolvePaintsFourTimesThePixelCountFromRand) {
    const int64_t pixels = 4 * int64_t{W} * H + 1;
    Screen expected;
    std::srand(1234);
    DissolveByHand(expected, pixels);
    const int after = std::rand();

    Screen screen;
    std::srand(1234);
    TransitionPlay(TRANSITION_DISSOLVE, screen.Pixels(), PITCH);
    EXPECT_EQ(std::rand(), after) << "rand was not drawn exactly 2 x (4 x W x H + 1) times";
    EXPECT_TRUE(screen.bytes == expected.bytes) << "pixels differ from row-then-column draws";
    EXPECT_GT(screen.CountOf(PAINT), 0) << "some pixels are never hit";
    EXPECT_LT(screen.CountOf(PAINT), W * H / 20);
}

TEST_F(TransitionTest, PaintingKindsWithoutABufferDoNothing) {
    const int32_t kinds[] = {TRANSITION_CLOSE_COLUMNS, TRANSITION_CLOSE_ROWS, TRANSITION_DISSOLVE,
                             TRANSITION_CLOSE_BOX};
    for (int32_t kind : kinds) {
        uint32_t reads = HeadlessTickReads();
        TransitionPlay(kind, nullptr, PITCH);
        EXPECT_EQ(HeadlessTickReads(), reads) << "kind " << kind << " waited for nothing";
    }
}

TEST_F(TransitionTest, UnknownKindsChangeNothing) {
    const std::vector<PaletteEntry> start = Sample();
    PaletteSetAll(start.data());
    for (int32_t kind : {9, -1, 1000, -2147483647 - 1}) {
        Screen screen;
        uint32_t reads = HeadlessTickReads();
        TransitionPlay(kind, screen.Pixels(), PITCH);
        EXPECT_EQ(screen.CountOf(PAINT), W * H) << "kind " << kind;
        EXPECT_EQ(HeadlessTickReads(), reads) << "kind " << kind;
        for (int i = 0; i < 256; i++) {
            ASSERT_EQ(ShowEntry(palette_shadow[i]), ShowEntry(start[i])) << "kind " << kind;
        }
    }
}

// Every kind at the smallest display sizes paints inside the display only: guard bytes on
// both sides of a buffer of exactly width x height stay as they were. Where a closing kind
// takes a step at all (two or more columns, or rows for the closing rows), every pixel ends
// painted.
TEST_F(TransitionTest, EveryKindStaysInsideTheSmallestDisplays) {
    HeadlessSetTickHook(nullptr);
    constexpr size_t GUARD = 4096;
    constexpr uint8_t MARK = 0xEE;
    std::vector<std::pair<int32_t, int32_t>> sizes;
    for (int32_t width : {1, 2, 3, 4, 640}) {
        for (int32_t height : {1, 2, 3, 4, 480}) {
            sizes.emplace_back(width, height);
        }
    }
    for (const auto& [width, height] : sizes) {
        DisplayShutdown();
        ASSERT_EQ(DisplayInit(width, height, 8), 1) << width << "x" << height;
        const size_t area = static_cast<size_t>(width) * static_cast<size_t>(height);
        for (int32_t kind = 0; kind <= 8; kind++) {
            std::vector<uint8_t> bytes(GUARD + area + GUARD, MARK);
            std::fill(bytes.begin() + GUARD, bytes.begin() + GUARD + area, PAINT);
            TransitionPlay(kind, bytes.data() + GUARD, width);
            const std::string where = "kind " + std::to_string(kind) + " at " +
                                      std::to_string(width) + "x" + std::to_string(height);
            const size_t before =
                static_cast<size_t>(std::count(bytes.begin(), bytes.begin() + GUARD, MARK));
            const size_t after =
                static_cast<size_t>(std::count(bytes.end() - GUARD, bytes.end(), MARK));
            EXPECT_EQ(before, GUARD) << where << ": bytes before the buffer written";
            EXPECT_EQ(after, GUARD) << where << ": bytes after the buffer written";
            const bool closes = (kind == TRANSITION_CLOSE_COLUMNS && width >= 2) ||
                                (kind == TRANSITION_CLOSE_ROWS && height >= 2) ||
                                (kind == TRANSITION_CLOSE_BOX && width >= 2);
            if (closes) {
                const size_t zeros = static_cast<size_t>(
                    std::count(bytes.begin() + GUARD, bytes.begin() + GUARD + area, 0));
                EXPECT_EQ(zeros, area) << where << ": pixels left unpainted";
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Pacing

TEST_F(TransitionTest, EveryKindWaitsTwelveMillisecondsAStep) {
    HeadlessSetTickHook(nullptr);
    HeadlessSetAutoAdvance(1);
    // What one paced step costs in clock reads and milliseconds on this clock.
    uint32_t reads0 = HeadlessTickReads();
    uint32_t ticks0 = ClockRead();
    ClockMark();
    ClockWait(12);
    const uint32_t step_reads = HeadlessTickReads() - reads0 - 1;
    const uint32_t step_ms = ClockRead() - ticks0 - 1;
    ASSERT_GE(step_ms, 12u);

    // Each kind with its number of steps.
    const int32_t cases[][2] = {{TRANSITION_FADE_BLACK, 80},
                                {TRANSITION_FADE_WHITE, 64},
                                {TRANSITION_CLOSE_COLUMNS, 160},
                                {TRANSITION_CLOSE_ROWS, 120},
                                {TRANSITION_DISSOLVE, 0},
                                {TRANSITION_CLOSE_BOX, 160},
                                {TRANSITION_FADE_BLUE, 64},
                                {TRANSITION_FADE_RED, 64},
                                {TRANSITION_FADE_GREEN, 64},
                                {9, 0},
                                {-1, 0}};
    for (const auto& [kind, steps] : cases) {
        Screen screen;
        uint32_t reads = HeadlessTickReads();
        uint32_t ticks = ClockRead();
        TransitionPlay(kind, screen.Pixels(), PITCH);
        uint32_t used_reads = HeadlessTickReads() - reads - 1;
        uint32_t used_ms = ClockRead() - ticks - 1;
        const auto n = static_cast<uint32_t>(steps);
        EXPECT_EQ(used_reads, n * step_reads) << "kind " << kind;
        EXPECT_EQ(used_ms, n * step_ms) << "kind " << kind;
        EXPECT_GE(used_ms, n * 12) << "kind " << kind;
    }
}

// ---------------------------------------------------------------------------
// A picture of every kind half-way through, for people to look at.

constexpr int SCENE_COLOURS = 25;  // indexes 0..24

void SceneInto(Screen& screen) {
    for (int32_t y = 0; y < H; y++) {
        for (int32_t x = 0; x < W; x++) {
            double hill = 330 + 35 * std::sin(x / 70.0) + 15 * std::sin(x / 23.0);
            uint8_t index = 0;
            if (y < hill) {
                index = static_cast<uint8_t>(1 + std::min(11, y * 12 / 360));
            } else {
                index = static_cast<uint8_t>(13 + std::min(4, static_cast<int>((y - hill) / 30)));
            }
            double sun = std::hypot(x - 500, y - 100);
            if (sun < 46) {
                index = 18;
            } else if (sun < 54) {
                index = 19;
            }
            double body = std::pow((x - 200) / 55.0, 2) + std::pow((y - 190) / 24.0, 2);
            if (body < 1) {
                index = 20;
            }
            if (std::hypot(x - 250, y - 160) < 15) {
                index = std::hypot(x - 254, y - 156) < 3 ? 24 : 21;
            }
            if (x >= 264 && x < 282 && y >= 160 && y < 166 - (x - 264) / 4) {
                index = 22;
            }
            if ((x / 40 + y / 40) % 2 == 0 && y >= 440) {
                index = 23;
            }
            screen.At(x, y) = index;
        }
    }
}

void ScenePalette(PaletteEntry* palette) {
    for (int i = 0; i < 256; i++) {
        palette[i] = PaletteEntry{0, 0, 0, PC_NOCOLLAPSE};
    }
    for (int i = 1; i <= 12; i++) {
        palette[i] =
            PaletteEntry{static_cast<uint8_t>(40 + i * 10), static_cast<uint8_t>(70 + i * 12),
                         static_cast<uint8_t>(150 + i * 8), PC_NOCOLLAPSE};
    }
    for (int i = 13; i <= 17; i++) {
        palette[i] = PaletteEntry{static_cast<uint8_t>(90 - (i - 13) * 15),
                                  static_cast<uint8_t>(170 - (i - 13) * 18),
                                  static_cast<uint8_t>(60 - (i - 13) * 8), PC_NOCOLLAPSE};
    }
    palette[18] = PaletteEntry{255, 220, 60, PC_NOCOLLAPSE};
    palette[19] = PaletteEntry{255, 160, 40, PC_NOCOLLAPSE};
    palette[20] = PaletteEntry{120, 80, 40, PC_NOCOLLAPSE};
    palette[21] = PaletteEntry{20, 120, 60, PC_NOCOLLAPSE};
    palette[22] = PaletteEntry{240, 150, 0, PC_NOCOLLAPSE};
    palette[23] = PaletteEntry{235, 235, 235, PC_NOCOLLAPSE};
    palette[24] = PaletteEntry{20, 20, 20, PC_NOCOLLAPSE};
}

struct Midway {
    int32_t kind;
    const char* name;
    int mark;  // the step whose mark shows the half-way state
    std::vector<uint8_t> pixels;
    std::vector<PaletteEntry> palette;  // the scene's entries at that moment
};

TEST_F(TransitionTest, SavesAPictureOfEveryKindHalfWay) {
    PaletteEntry scene_palette[256];
    ScenePalette(scene_palette);
    Screen scene;
    SceneInto(scene);
    std::vector<Midway> shots = {
        {TRANSITION_FADE_BLACK, "0 fade to black", 40, {}, {}},
        {TRANSITION_FADE_WHITE, "1 fade to white", 32, {}, {}},
        {TRANSITION_CLOSE_COLUMNS, "2 closing columns", 81, {}, {}},
        {TRANSITION_CLOSE_ROWS, "3 closing rows", 61, {}, {}},
        {TRANSITION_DISSOLVE, "4 dissolve", 0, {}, {}},
        {TRANSITION_CLOSE_BOX, "5 closing box", 81, {}, {}},
        {TRANSITION_FADE_BLUE, "6 fade to blue", 32, {}, {}},
        {TRANSITION_FADE_RED, "7 fade to red", 32, {}, {}},
        {TRANSITION_FADE_GREEN, "8 fade to green", 32, {}, {}},
    };
    for (Midway& shot : shots) {
        PaletteSetAll(scene_palette);
        Screen screen = scene;
        hook_reads = 0;
        at_step_mark = [&](int step) {
            if (step == shot.mark) {
                shot.pixels = screen.bytes;
                shot.palette.assign(palette_shadow, palette_shadow + SCENE_COLOURS);
            }
        };
        if (shot.kind == TRANSITION_DISSOLVE) {
            // Unpaced, so nothing to stop at: half its pixels, drawn as it draws them.
            std::srand(99);
            DissolveByHand(screen, 2 * int64_t{W} * H);
            shot.pixels = screen.bytes;
            shot.palette.assign(palette_shadow, palette_shadow + SCENE_COLOURS);
            continue;
        }
        TransitionPlay(shot.kind, screen.Pixels(), PITCH);
        ASSERT_FALSE(shot.pixels.empty()) << shot.name << " never reached step " << shot.mark;
    }

    // Three by three, each at half size under its label; each kind gets its own copy of the
    // scene's colours so all nine fit one palette.
    const int32_t cell_w = W / 2, cell_h = H / 2, label_h = 20, gap = 4;
    const int32_t width = 3 * cell_w + 4 * gap;
    const int32_t height = 3 * (cell_h + label_h) + 4 * gap;
    PaletteEntry palette[256];
    for (PaletteEntry& entry : palette) {
        entry = PaletteEntry{40, 40, 40, PC_NOCOLLAPSE};
    }
    palette[255] = PaletteEntry{255, 255, 255, PC_NOCOLLAPSE};
    PaletteSetAll(palette);
    HostSurface* picture = SurfaceCreate(width, height, 0);
    ASSERT_NE(picture, nullptr);
    SurfaceFill(picture, 254);
    for (size_t n = 0; n < shots.size(); n++) {
        const int32_t left = gap + static_cast<int32_t>(n % 3) * (cell_w + gap);
        const int32_t top = gap + static_cast<int32_t>(n / 3) * (cell_h + label_h + gap);
        ASSERT_EQ(TextDraw(shots[n].name, left + 2, top + 2, 0xFFFFFF, picture), 1);
    }
    for (size_t n = 0; n < shots.size(); n++) {
        for (int i = 0; i < SCENE_COLOURS; i++) {
            palette[SCENE_COLOURS * n + i] = shots[n].palette[i];
        }
    }
    PaletteSetAll(palette);
    int32_t pitch = 0;
    uint8_t* pixels = SurfaceLock(picture, &pitch);
    ASSERT_NE(pixels, nullptr);
    for (size_t n = 0; n < shots.size(); n++) {
        const int32_t left = gap + static_cast<int32_t>(n % 3) * (cell_w + gap);
        const int32_t top = gap + static_cast<int32_t>(n / 3) * (cell_h + label_h + gap) + label_h;
        for (int32_t y = 0; y < cell_h; y++) {
            for (int32_t x = 0; x < cell_w; x++) {
                uint8_t index = shots[n].pixels[static_cast<size_t>(2 * y) * PITCH + 2 * x];
                pixels[static_cast<size_t>(top + y) * pitch + left + x] =
                    static_cast<uint8_t>(SCENE_COLOURS * n + index);
            }
        }
    }
    const std::string folder = std::string(QENT_BINARY_DIR) + "/docs";
    std::filesystem::create_directories(folder);
    EXPECT_EQ(HostWritePng((folder + "/transitions.png").c_str(), pixels, width, height, pitch,
                           palette_shadow),
              1);
    SurfaceUnlock(picture, pixels);
    HostSurfaceRelease(picture);
}

}  // namespace
