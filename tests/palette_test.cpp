// The palette: set, get and rotate on the display with palette_shadow kept in step, and
// palette text files byte for byte.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "lib/display.h"
#include "lib/palette.h"
#include "platform/headless.h"
#include "tests/support/bmp_support.h"

namespace {

bool Same(const PaletteEntry& a, const PaletteEntry& b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue && a.flags == b.flags;
}

std::string Show(const PaletteEntry& e) {
    return std::to_string(e.red) + "," + std::to_string(e.green) + "," + std::to_string(e.blue) +
           "," + std::to_string(e.flags);
}

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
        ASSERT_TRUE(Same(got[i], want[i]))
            << what << ": entry " << i << " expected " << Show(want[i]) << ", got " << Show(got[i]);
    }
}

std::string ReadText(const std::string& path) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(BmpReadFile(path, &bytes)) << path;
    return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::string& path, const std::string& text) {
    ASSERT_TRUE(BmpWriteFile(path, std::vector<uint8_t>(text.begin(), text.end()))) << path;
}

// ---- Palette files (no display needed)

TEST(PaletteFileTest, SavedTextIsOneEntryPerLineAfterAnEmptyFirstLine) {
    const std::vector<PaletteEntry> pal = Sample(3);
    const std::string path = BmpScratchPath("layout.pal");
    ASSERT_EQ(PaletteSaveFile(path.c_str(), pal.data()), 1);
    std::string want;
    for (const PaletteEntry& e : pal) {
        want += "\n" + std::to_string(e.red) + " " + std::to_string(e.green) + " " +
                std::to_string(e.blue) + " " + std::to_string(e.flags);
    }
    const std::string text = ReadText(path);
    EXPECT_EQ(text, want);

    std::vector<std::string> lines(1);
    for (char ch : text) {
        if (ch == '\n') {
            lines.emplace_back();
        } else {
            lines.back() += ch;
        }
    }
    EXPECT_EQ(lines.size(), 257u);
    EXPECT_EQ(lines.front(), "");
    EXPECT_EQ(lines.back(), "255 255 255 255") << "no line break at the end";
}

TEST(PaletteFileTest, RoundTripGivesBackEveryByte) {
    const std::vector<PaletteEntry> pal = Sample(11);
    const std::string path = BmpScratchPath("round.pal");
    ASSERT_EQ(PaletteSaveFile(path.c_str(), pal.data()), 1);
    std::vector<PaletteEntry> back(256, PaletteEntry{9, 9, 9, 9});
    ASSERT_EQ(PaletteLoadFile(path.c_str(), back.data()), 1);
    ExpectPalettes(back.data(), pal.data(), "round trip");
}

TEST(PaletteFileTest, AnyWhitespaceLayoutReads) {
    const std::vector<PaletteEntry> pal = Sample(5);
    std::string text = "  \t";
    for (const PaletteEntry& e : pal) {
        text += std::to_string(e.red) + "  " + std::to_string(e.green) + "\t" +
                std::to_string(e.blue) + " " + std::to_string(e.flags) + " ";
    }
    const std::string path = BmpScratchPath("one_line.pal");
    WriteText(path, text);
    std::vector<PaletteEntry> got(256);
    ASSERT_EQ(PaletteLoadFile(path.c_str(), got.data()), 1);
    ExpectPalettes(got.data(), pal.data(), "one line");

    std::string ragged = "\r\n\n";
    for (const PaletteEntry& e : pal) {
        ragged += std::to_string(e.red) + "\n" + std::to_string(e.green) + " " +
                  std::to_string(e.blue) + "\n\n" + std::to_string(e.flags) + "\r\n";
    }
    WriteText(path, ragged);
    ASSERT_EQ(PaletteLoadFile(path.c_str(), got.data()), 1);
    ExpectPalettes(got.data(), pal.data(), "ragged lines");
}

TEST(PaletteFileTest, ShortFileKeepsTheRestOfTheArray) {
    std::string text;
    for (int i = 0; i < 10; i++) {
        text += "\n" + std::to_string(i) + " 1 2 3";
    }
    const std::string path = BmpScratchPath("ten.pal");
    WriteText(path, text);
    const PaletteEntry old{77, 88, 99, 66};
    std::vector<PaletteEntry> got(256, old);
    ASSERT_EQ(PaletteLoadFile(path.c_str(), got.data()), 1);
    for (int i = 0; i < 10; i++) {
        EXPECT_TRUE(Same(got[i], PaletteEntry{static_cast<uint8_t>(i), 1, 2, 3}))
            << "entry " << i << ": " << Show(got[i]);
    }
    for (int i = 10; i < 256; i++) {
        ASSERT_TRUE(Same(got[i], old)) << "entry " << i << " changed to " << Show(got[i]);
    }
}

TEST(PaletteFileTest, ReadingStopsAtTheFirstMissingNumber) {
    struct Case {
        const char* text;
        PaletteEntry entry0;
        PaletteEntry entry1;
    };
    const PaletteEntry old{77, 88, 99, 66};
    const Case cases[] = {
        {"1 2 3 4 5 6", {1, 2, 3, 4}, {5, 6, 99, 66}},
        {"1 2 3 4\n5 x 7 8", {1, 2, 3, 4}, {5, 88, 99, 66}},
        {"1 2 3 4 5 6 - 7", {1, 2, 3, 4}, {5, 6, 99, 66}},
        {"1 2 3 4 5 6.5 7 8", {1, 2, 3, 4}, {5, 6, 99, 66}},
        {"", old, old},
        {"abc 1 2 3 4", old, old},
    };
    const std::string path = BmpScratchPath("partial.pal");
    for (const Case& c : cases) {
        WriteText(path, c.text);
        std::vector<PaletteEntry> got(256, old);
        ASSERT_EQ(PaletteLoadFile(path.c_str(), got.data()), 1) << c.text;
        EXPECT_TRUE(Same(got[0], c.entry0)) << "\"" << c.text << "\": entry 0 " << Show(got[0]);
        EXPECT_TRUE(Same(got[1], c.entry1)) << "\"" << c.text << "\": entry 1 " << Show(got[1]);
        EXPECT_TRUE(Same(got[2], old)) << "\"" << c.text << "\": entry 2 " << Show(got[2]);
    }
}

TEST(PaletteFileTest, NumbersKeepTheirLowEightBits) {
    const std::string path = BmpScratchPath("wrap.pal");
    WriteText(path, "300 -1 256 +7\n99999999999 -257 -256 0255");
    std::vector<PaletteEntry> got(256, PaletteEntry{1, 1, 1, 1});
    ASSERT_EQ(PaletteLoadFile(path.c_str(), got.data()), 1);
    EXPECT_TRUE(Same(got[0], PaletteEntry{44, 255, 0, 7})) << Show(got[0]);
    EXPECT_TRUE(Same(got[1], PaletteEntry{255, 255, 0, 255})) << Show(got[1]);
}

TEST(PaletteFileTest, MissingOrUncreatableFilesFail) {
    std::vector<PaletteEntry> pal = Sample(1);
    const std::vector<PaletteEntry> before = pal;
    EXPECT_EQ(PaletteLoadFile(BmpScratchPath("missing.pal").c_str(), pal.data()), 0);
    ExpectPalettes(pal.data(), before.data(), "after a missing file");
    EXPECT_EQ(PaletteSaveFile(BmpScratchPath("no/such/dir.pal").c_str(), pal.data()), 0);
    EXPECT_EQ(PaletteSaveFile(nullptr, pal.data()), 0);
    EXPECT_EQ(PaletteLoadFile(nullptr, pal.data()), 0);
    EXPECT_EQ(PaletteLoadFile(BmpScratchPath("missing.pal").c_str(), nullptr), 0);
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
    void ExpectShadowMatchesDisplay() {
        ExpectPalettes(palette_shadow, Display().data(), "palette_shadow against the display");
    }
};

TEST_F(PaletteDisplayTest, SetEntryReachesDisplayShadowAndGet) {
    const PaletteEntry e{10, 20, 30, 4};
    ASSERT_EQ(PaletteSetEntry(7, &e), 1);
    PaletteEntry f{};
    ASSERT_EQ(PaletteGetEntry(7, &f), 1);
    EXPECT_TRUE(Same(f, e)) << Show(f);
    EXPECT_TRUE(Same(Display()[7], e)) << Show(Display()[7]);
    ExpectShadowMatchesDisplay();
}

TEST_F(PaletteDisplayTest, IndexesOutsideTheTableTouchNothing) {
    const std::vector<PaletteEntry> before = Display();
    const PaletteEntry e{1, 2, 3, 4};
    PaletteEntry f{9, 9, 9, 9};
    for (int index : {-1, 256, -2147483647 - 1, 2147483647}) {
        EXPECT_EQ(PaletteSetEntry(index, &e), 0) << index;
        EXPECT_EQ(PaletteGetEntry(index, &f), 0) << index;
    }
    EXPECT_TRUE(Same(f, PaletteEntry{9, 9, 9, 9}));
    EXPECT_EQ(PaletteSetEntry(0, nullptr), 0);
    EXPECT_EQ(PaletteGetEntry(0, nullptr), 0);
    ExpectPalettes(Display().data(), before.data(), "display");
    ExpectShadowMatchesDisplay();
}

TEST_F(PaletteDisplayTest, SetAllAndGetAll) {
    const std::vector<PaletteEntry> pal = Sample(21);
    ASSERT_EQ(PaletteSetAll(pal.data()), 1);
    ExpectPalettes(Display().data(), pal.data(), "display");
    std::vector<PaletteEntry> got(256);
    ASSERT_EQ(PaletteGetAll(got.data()), 1);
    ExpectPalettes(got.data(), pal.data(), "PaletteGetAll");
    ExpectShadowMatchesDisplay();
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
    ExpectPalettes(Display().data(), want.data(), "display after (16, 4)");
    ExpectShadowMatchesDisplay();

    ASSERT_EQ(PaletteRotate(16, 1), 1);
    ExpectPalettes(Display().data(), want.data(), "display after (16, 1)");

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
    struct Case {
        int start, count;
    };
    for (const Case c : {Case{-1, 4}, Case{0, 0}, Case{10, -3}, Case{250, 7}, Case{0, 257},
                         Case{256, 1}, Case{2147483647, 2}, Case{2, 2147483647}}) {
        EXPECT_EQ(PaletteRotate(c.start, c.count), 0) << "(" << c.start << ", " << c.count << ")";
    }
    ExpectPalettes(Display().data(), pal.data(), "display");
    ExpectPalettes(palette_shadow, pal.data(), "palette_shadow");
}

TEST_F(PaletteDisplayTest, SavedSetUpPaletteBeginsWithTheRedRamp) {
    std::vector<PaletteEntry> pal(256);
    ASSERT_EQ(PaletteGetAll(pal.data()), 1);
    const std::string path = BmpScratchPath("setup.pal");
    ASSERT_EQ(PaletteSaveFile(path.c_str(), pal.data()), 1);
    EXPECT_EQ(ReadText(path).substr(0, 25), "\n0 0 0 4\n4 0 0 4\n8 0 0 4\n");
}

TEST_F(PaletteDisplayTest, ChangesShowOnTheScreenAtOnce) {
    const PaletteEntry e{200, 100, 50, 4};
    ASSERT_EQ(PaletteSetEntry(3, &e), 1);
    const PaletteEntry* shown = HeadlessFramePalette();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(Same(shown[3], e)) << Show(shown[3]);
}

}  // namespace
