// The palette: set, get and rotate on the display with palette_shadow kept in step, and
// palette text files byte for byte.

#include <gtest/gtest.h>
#include <sys/stat.h>  // mkfifo, where QENT_HAVE_POSIX_FILES

#include <cstdio>
#include <string>
#include <vector>

#include "lib/display.h"
#include "lib/palette.h"
#include "platform/headless.h"
#include "tests/support/common_support.h"

namespace {

// A palette whose entries differ in every byte, flags included.
std::vector<PaletteEntry> Sample(int seed) {
    std::vector<PaletteEntry> pal(256);
    for (int i = 0; i < 256; i++) {
        pal[i] = PaletteEntry{static_cast<uint8_t>(i + seed), static_cast<uint8_t>(255 - i),
                              static_cast<uint8_t>(i * 37 + seed), static_cast<uint8_t>(i % 7)};
    }
    pal[0] = PaletteEntry{0, 0, 0, 0};
    pal[255] = PaletteEntry{255, 255, 255, 255};
    return pal;
}

void ExpectPalettes(const PaletteEntry* got, const PaletteEntry* want, const char* what) {
    for (int i = 0; i < 256; i++) {
        ASSERT_EQ(ShowEntry(got[i]), ShowEntry(want[i])) << what << ": entry " << i;
    }
}

// ---- Palette files (no display needed)

TEST(PaletteFileTest, SavedTextIsOneEntryPerLineAfterAnEmptyFirstLine) {
    const std::vector<PaletteEntry> pal = Sample(3);
    const std::string path = ScratchPath("layout.pal");
    ASSERT_EQ(PaletteSaveFile(path.c_str(), pal.data()), 1);
    std::string want;
    for (const PaletteEntry& e : pal) {
        want += "\n" + std::to_string(e.red) + " " + std::to_string(e.green) + " " +
                std::to_string(e.blue) + " " + std::to_string(e.flags);
    }
    EXPECT_EQ(ReadText(path), want) << "257 lines, the first empty, no line break at the end";

    std::vector<PaletteEntry> back(256, PaletteEntry{9, 9, 9, 9});
    ASSERT_EQ(PaletteLoadFile(path.c_str(), back.data()), 1);
    ExpectPalettes(back.data(), pal.data(), "round trip");
}

TEST(PaletteFileTest, AnyWhitespaceLayoutReads) {
    const std::vector<PaletteEntry> pal = Sample(5);
    std::string one_line = "  \t";
    std::string ragged = "\r\n\n";
    for (const PaletteEntry& e : pal) {
        const std::string r = std::to_string(e.red), g = std::to_string(e.green),
                          b = std::to_string(e.blue), f = std::to_string(e.flags);
        one_line += r + "  " + g + "\t" + b + " " + f + " ";
        ragged += r + "\n" + g + " " + b + "\n\n" + f + "\r\n";
    }
    const std::string path = ScratchPath("layout.pal");
    for (const std::string& text : {one_line, ragged}) {
        ASSERT_TRUE(WriteText(path, text));
        std::vector<PaletteEntry> got(256);
        ASSERT_EQ(PaletteLoadFile(path.c_str(), got.data()), 1);
        ExpectPalettes(got.data(), pal.data(), text == ragged ? "ragged lines" : "one line");
    }
}

TEST(PaletteFileTest, ShortFileKeepsTheRestOfTheArray) {
    std::string text;
    for (int i = 0; i < 10; i++) {
        text += "\n" + std::to_string(i) + " 1 2 3";
    }
    const std::string path = ScratchPath("ten.pal");
    ASSERT_TRUE(WriteText(path, text));
    const PaletteEntry old{77, 88, 99, 66};
    std::vector<PaletteEntry> got(256, old);
    ASSERT_EQ(PaletteLoadFile(path.c_str(), got.data()), 1);
    for (int i = 0; i < 256; i++) {
        const PaletteEntry want = i < 10 ? PaletteEntry{static_cast<uint8_t>(i), 1, 2, 3} : old;
        ASSERT_EQ(ShowEntry(got[i]), ShowEntry(want)) << "entry " << i;
    }
}

TEST(PaletteFileTest, ReadingStopsAtTheFirstMissingNumber) {
    struct Case {
        const char* text;
        PaletteEntry entry0, entry1;
    };
    const PaletteEntry old{77, 88, 99, 66};
    const Case cases[] = {
        {"1 2 3 4 5 6", {1, 2, 3, 4}, {5, 6, 99, 66}},
        {"1 2 3 4\n5 x 7 8", {1, 2, 3, 4}, {5, 88, 99, 66}},
        {"1 2 3 4 5 6.5 7 8", {1, 2, 3, 4}, {5, 6, 99, 66}},
        {"", old, old},
        {"abc 1 2 3 4", old, old},
        // Numbers keep their low 8 bits.
        {"300 -1 256 +7\n99999999999 -257 -256 0255", {44, 255, 0, 7}, {255, 255, 0, 255}},
    };
    const std::string path = ScratchPath("partial.pal");
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteText(path, c.text));
        std::vector<PaletteEntry> got(256, old);
        ASSERT_EQ(PaletteLoadFile(path.c_str(), got.data()), 1) << c.text;
        EXPECT_EQ(ShowEntry(got[0]), ShowEntry(c.entry0)) << "\"" << c.text << "\": entry 0";
        EXPECT_EQ(ShowEntry(got[1]), ShowEntry(c.entry1)) << "\"" << c.text << "\": entry 1";
        EXPECT_EQ(ShowEntry(got[2]), ShowEntry(old)) << "\"" << c.text << "\": entry 2";
    }
}

// The entries the standard reader gives: one fscanf("%d %d %d %d") per entry, the fields it
// converted stored as their low 8 bits, the rest of the entry left as it was.
std::vector<PaletteEntry> ReadWithFscanf(const std::string& path, const PaletteEntry& old) {
    std::vector<PaletteEntry> pal(256, old);
    FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) {
        return {};
    }
    for (PaletteEntry& entry : pal) {
        int v[4] = {};
        const int got = std::fscanf(file, "%d %d %d %d", &v[0], &v[1], &v[2], &v[3]);
        uint8_t* fields[4] = {&entry.red, &entry.green, &entry.blue, &entry.flags};
        for (int k = 0; k < got; k++) {
            *fields[k] = static_cast<uint8_t>(v[k]);
        }
    }
    std::fclose(file);
    return pal;
}

// A lone sign is a failed conversion that uses the sign up: that entry is given up and the
// next one reads on from there. Anything else that is not a number stops every later entry.
TEST(PaletteFileTest, ReadsAsTheStandardReaderDoes) {
    std::string long_file;
    for (int i = 0; i < 256; i++) {
        long_file += i == 100 ? "\n1 - 2 3" : "\n" + std::to_string(i) + " 1 2 3";
    }
    const std::string texts[] = {
        "5 6 - 8",
        "1 2 3 4 5 6 - 7 8 9 10",
        "- 1 2 3 4 5",
        "-",
        "+",
        "5 -",
        "7 8 9 10 11 -\n",
        "--5 1 2 3 4",
        "+-3 4 5 6 7",
        "-+3 4",
        "-x 1 2",
        "1-2 3 4 5 6",
        "+ 9 8 7 6 5 4 3",
        "1 2 3 4 - - - - 5 6 7 8",
        "\t-\n\n-\r\n9 -\t10",
        "1 2 3 4\n5 x 7 8",
        "1 2 3 4 5 6.5 7 8",
        "0x10 1 2 3",
        "300 -1 256 +7 -256 -257 0255 +0",
        "",
        "abc 1 2 3 4",
        long_file,
    };
    const PaletteEntry old{77, 88, 99, 66};
    const std::string path = ScratchPath("signs.pal");
    for (const std::string& text : texts) {
        ASSERT_TRUE(WriteText(path, text));
        const std::vector<PaletteEntry> want = ReadWithFscanf(path, old);
        ASSERT_EQ(want.size(), 256u);
        std::vector<PaletteEntry> got(256, old);
        ASSERT_EQ(PaletteLoadFile(path.c_str(), got.data()), 1) << text;
        for (int i = 0; i < 256; i++) {
            ASSERT_EQ(ShowEntry(got[i]), ShowEntry(want[i]))
                << "\"" << text.substr(0, 40) << "\": entry " << i << " differs from fscanf's";
        }
    }
}

TEST(PaletteFileTest, MissingOrUncreatableFilesFail) {
    std::vector<PaletteEntry> pal = Sample(1);
    const std::vector<PaletteEntry> before = pal;
    EXPECT_EQ(PaletteLoadFile(ScratchPath("missing.pal").c_str(), pal.data()), 0);
    ExpectPalettes(pal.data(), before.data(), "after a missing file");
    EXPECT_EQ(PaletteSaveFile(ScratchPath("no/such/dir.pal").c_str(), pal.data()), 0);
    EXPECT_EQ(PaletteSaveFile(nullptr, pal.data()), 0);
    EXPECT_EQ(PaletteLoadFile(nullptr, pal.data()), 0);
    EXPECT_EQ(PaletteLoadFile(ScratchPath("missing.pal").c_str(), nullptr), 0);
}

// A FIFO would wait for a writer: it is refused at once like a device or a folder, and the
// array keeps its entries.
TEST(PaletteFileTest, SpecialFilesAreRefusedAtOnce) {
#if !QENT_HAVE_POSIX_FILES
    GTEST_SKIP() << "this system has no FIFOs, devices, links or fork to try";
#else
    const std::string fifo = ScratchPath("fifo.pal");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0) << fifo;
    const std::string folder = ScratchPath("folder.pal");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0) << folder;
    for (const std::string& path : {fifo, std::string("/dev/zero"), folder}) {
        const ChildResult got = RunInChild(10, [&] {
            std::vector<PaletteEntry> pal = Sample(1);
            const int result = PaletteLoadFile(path.c_str(), pal.data());
            const bool untouched = ShowEntry(pal[7]) == ShowEntry(Sample(1)[7]);
            return std::to_string(result) + (untouched ? " untouched" : " changed");
        });
        EXPECT_TRUE(got.finished) << path << ": PaletteLoadFile did not return within 10 s";
        EXPECT_EQ(got.output, "0 untouched") << path;
    }
#endif
}

// ---- The display palette

class PaletteDisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        HeadlessReset();
        ASSERT_EQ(DisplayInit(640, 480, 8), 1);
        ASSERT_NE(display_palette, nullptr);
    }
    void TearDown() override {
        DisplayShutdown();
    }
    // What the display itself holds, read from the palette object.
    std::vector<PaletteEntry> Display() {
        std::vector<PaletteEntry> pal(256);
        EXPECT_EQ(HostPaletteGetEntries(display_palette, 0, 0, 256, pal.data()), 1);
        return pal;
    }
    // The display, palette_shadow and the presented frame all hold want; the frame once the
    // program next reads the clock, as every loop does.
    void ExpectEverywhere(const PaletteEntry* want, const char* what) {
        ExpectPalettes(Display().data(), want, what);
        ExpectPalettes(palette_shadow, want, what);
        HostTicks();
        ASSERT_NE(HeadlessFramePalette(), nullptr);
        ExpectPalettes(HeadlessFramePalette(), want, what);
    }
};

TEST_F(PaletteDisplayTest, SetEntryReachesDisplayShadowScreenAndGet) {
    std::vector<PaletteEntry> want = Display();
    want[7] = PaletteEntry{10, 20, 30, 4};
    ASSERT_EQ(PaletteSetEntry(7, &want[7]), 1);
    PaletteEntry got{};
    ASSERT_EQ(PaletteGetEntry(7, &got), 1);
    EXPECT_EQ(ShowEntry(got), ShowEntry(want[7]));
    ExpectEverywhere(want.data(), "after setting entry 7");
}

namespace {
uint32_t presents_at_read = 0;  // HeadlessPresentCount when the clock hook ran
}  // namespace

// A change is presented once, by the next clock read, sleep or message pump, and after the
// clock's value is taken: a fade's 12 ms then include the present instead of following it.
TEST_F(PaletteDisplayTest, AChangeIsPresentedOnceByTheNextReadSleepOrPump) {
    const std::vector<PaletteEntry> pal = Sample(9);
    for (int way = 0; way < 3; way++) {
        SCOPED_TRACE(way == 0 ? "clock read" : way == 1 ? "sleep" : "message pump");
        const uint32_t before = HeadlessPresentCount();
        ASSERT_EQ(PaletteSetAll(Sample(way).data()), 1);
        ASSERT_EQ(PaletteSetAll(pal.data()), 1);
        EXPECT_EQ(HeadlessPresentCount(), before) << "nothing presented yet";
        if (way == 0) {
            HeadlessSetTickHook([](uint32_t) { presents_at_read = HeadlessPresentCount(); });
            HostTicks();
            HeadlessSetTickHook(nullptr);
            EXPECT_EQ(presents_at_read, before) << "the clock was read before the present";
        } else if (way == 1) {
            HostSleep(1);
        } else {
            HostMessage msg{};
            HostPeekMessage(&msg);
        }
        EXPECT_EQ(HeadlessPresentCount(), before + 1) << "two changes, one present";
        ExpectPalettes(HeadlessFramePalette(), pal.data(), "shown");
        HostTicks();
        EXPECT_EQ(HeadlessPresentCount(), before + 1) << "nothing more to present";
    }
    // A flip presents the change itself and leaves nothing waiting.
    ASSERT_EQ(PaletteSetAll(Sample(12).data()), 1);
    const uint32_t before = HeadlessPresentCount();
    ASSERT_EQ(DisplayFlip(), 1);
    HostTicks();
    EXPECT_EQ(HeadlessPresentCount(), before + 1);
    ExpectPalettes(HeadlessFramePalette(), Sample(12).data(), "after the flip");
}

TEST_F(PaletteDisplayTest, IndexesOutsideTheTableTouchNothing) {
    const std::vector<PaletteEntry> before = Display();
    const PaletteEntry e{1, 2, 3, 4};
    PaletteEntry f{9, 9, 9, 9};
    for (int index : {-1, 256, -2147483647 - 1, 2147483647}) {
        EXPECT_EQ(PaletteSetEntry(index, &e), 0) << index;
        EXPECT_EQ(PaletteGetEntry(index, &f), 0) << index;
    }
    EXPECT_EQ(ShowEntry(f), ShowEntry(PaletteEntry{9, 9, 9, 9}));
    EXPECT_EQ(PaletteSetEntry(0, nullptr), 0);
    EXPECT_EQ(PaletteGetEntry(0, nullptr), 0);
    ExpectEverywhere(before.data(), "after refused indexes");
}

TEST_F(PaletteDisplayTest, SetAllAndGetAll) {
    const std::vector<PaletteEntry> pal = Sample(21);
    ASSERT_EQ(PaletteSetAll(pal.data()), 1);
    ExpectEverywhere(pal.data(), "after PaletteSetAll");
    std::vector<PaletteEntry> got(256);
    ASSERT_EQ(PaletteGetAll(got.data()), 1);
    ExpectPalettes(got.data(), pal.data(), "PaletteGetAll");
    EXPECT_EQ(PaletteSetAll(nullptr), 0);
    EXPECT_EQ(PaletteGetAll(nullptr), 0);
}

TEST_F(PaletteDisplayTest, RotateMovesTheRangeUpOnePlace) {
    const std::vector<PaletteEntry> pal = Sample(2);
    ASSERT_EQ(PaletteSetAll(pal.data()), 1);
    ASSERT_EQ(PaletteRotate(16, 4), 1);
    std::vector<PaletteEntry> want = pal;
    want[16] = pal[19];
    want[17] = pal[16];
    want[18] = pal[17];
    want[19] = pal[18];
    ExpectEverywhere(want.data(), "after (16, 4)");
    ASSERT_EQ(PaletteRotate(16, 1), 1);
    ExpectEverywhere(want.data(), "after (16, 1)");

    // The whole table, 256 times over, comes back to where it started.
    ASSERT_EQ(PaletteSetAll(pal.data()), 1);
    for (int i = 0; i < 256; i++) {
        ASSERT_EQ(PaletteRotate(0, 256), 1);
    }
    ExpectPalettes(palette_shadow, pal.data(), "after a full cycle");
    ASSERT_EQ(PaletteRotate(255, 1), 1);
}

TEST_F(PaletteDisplayTest, RotateRefusesRangesOutsideTheTable) {
    const std::vector<PaletteEntry> pal = Sample(4);
    ASSERT_EQ(PaletteSetAll(pal.data()), 1);
    const int cases[][2] = {{-1, 4},  {0, 0},   {10, -3},        {250, 7},
                            {0, 257}, {256, 1}, {2147483647, 2}, {2, 2147483647}};
    for (const auto& [start, count] : cases) {
        EXPECT_EQ(PaletteRotate(start, count), 0) << "(" << start << ", " << count << ")";
    }
    ExpectEverywhere(pal.data(), "after refused rotations");
}

TEST_F(PaletteDisplayTest, SavedSetUpPaletteBeginsWithTheRedRamp) {
    std::vector<PaletteEntry> pal(256);
    ASSERT_EQ(PaletteGetAll(pal.data()), 1);
    const std::string path = ScratchPath("setup.pal");
    ASSERT_EQ(PaletteSaveFile(path.c_str(), pal.data()), 1);
    EXPECT_EQ(ReadText(path).substr(0, 25), "\n0 0 0 4\n4 0 0 4\n8 0 0 4\n");
}

}  // namespace
