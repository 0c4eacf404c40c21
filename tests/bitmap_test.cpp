// The .BMP loader: row order, colour tables, pixel formats, the layouts real tools write,
// and refusal of files it cannot read safely.

#include <gtest/gtest.h>
#include <sys/stat.h>  // mkfifo, where QENT_HAVE_POSIX_FILES

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "lib/bitmap.h"
#include "tests/support/bmp_support.h"
#include "tests/support/common_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Writes the file under name and returns its path.
std::string WriteBmp(const std::string& name, const Bytes& bytes) {
    const std::string path = ScratchPath(name);
    EXPECT_TRUE(WriteFile(path, bytes)) << path;
    return path;
}

size_t PixelOffset(const BmpLayout& layout) {
    return 14 + layout.header_size + 4 * static_cast<size_t>(layout.palette_entries) +
           static_cast<size_t>(layout.gap);
}

Bytes Pixels(const BitmapFile& bmp, size_t count) {
    return Bytes(bmp.pixels, bmp.pixels + count);
}

// The table entry a loaded file must hold for BmpTestColor(i): flags always 4.
std::string Loaded(PaletteEntry e) {
    e.flags = 4;
    return ShowEntry(e);
}

// What a picture of layout must load as: rows top-down, 8 and 16 bits as stored, 24 bits as
// 5-5-5 values in little-endian byte order.
Bytes Expected(const BmpLayout& layout) {
    if (layout.bit_count != 24) {
        return layout.rows;
    }
    Bytes out;
    for (size_t i = 0; i + 2 < layout.rows.size(); i += 3) {
        const unsigned v = (layout.rows[i] >> 3) | ((layout.rows[i + 1] >> 3) << 5) |
                           ((layout.rows[i + 2] >> 3) << 10);
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
    }
    return out;
}

class BitmapFileTest : public ::testing::Test {
protected:
    void TearDown() override {
        BitmapFileUnload(&bmp_);
    }
    BitmapFile bmp_{};
};

TEST_F(BitmapFileTest, RowsComeOutTopDown) {
    BmpLayout layout;
    layout.rows = {5, 6, 7, 8, 1, 2, 3, 4};
    const Bytes file = BmpBuild(layout);
    ASSERT_EQ(Bytes(file.begin() + PixelOffset(layout), file.end()),
              (Bytes{1, 2, 3, 4, 5, 6, 7, 8}))
        << "bottom row first";
    ASSERT_EQ(BitmapFileLoad(&bmp_, WriteBmp("four_by_two.bmp", file).c_str()), 1);
    EXPECT_EQ(Pixels(bmp_, 8), (Bytes{5, 6, 7, 8, 1, 2, 3, 4}));
    EXPECT_EQ(bmp_.info_header.biWidth, 4);
    EXPECT_EQ(bmp_.info_header.biHeight, 2);
    EXPECT_EQ(bmp_.info_header.biBitCount, 8);
    EXPECT_EQ(bmp_.file_header.bfType, 0x4D42);
}

TEST_F(BitmapFileTest, ColourTableBecomesRedGreenBlueWithFlags4) {
    BmpLayout layout;
    BmpFillPattern(&layout);
    layout.palette = {PaletteEntry{0x30, 0x20, 0x10, 0}};
    const Bytes file = BmpBuild(layout);
    ASSERT_EQ(Bytes(file.begin() + 54, file.begin() + 57), (Bytes{0x10, 0x20, 0x30}));
    ASSERT_EQ(BitmapFileLoad(&bmp_, WriteBmp("table.bmp", file).c_str()), 1);
    EXPECT_EQ(ShowEntry(bmp_.palette[0]), ShowEntry(PaletteEntry{0x30, 0x20, 0x10, 4}));
    for (int i = 1; i < 256; i++) {
        ASSERT_EQ(ShowEntry(bmp_.palette[i]), Loaded(BmpTestColor(i))) << "entry " << i;
    }
}

TEST_F(BitmapFileTest, TwentyFourBitPixelBecomesFiveFiveFive) {
    BmpLayout layout;
    layout.bit_count = 24;
    layout.width = layout.height = 1;
    layout.palette_entries = 0;
    layout.rows = {0xFF, 0x00, 0x80};
    ASSERT_EQ(BitmapFileLoad(&bmp_, WriteBmp("one24.bmp", BmpBuild(layout)).c_str()), 1);
    uint16_t value;
    std::memcpy(&value, bmp_.pixels, 2);
    EXPECT_EQ(value, 0x401F);
    EXPECT_EQ(bmp_.info_header.biBitCount, 16);
}

TEST_F(BitmapFileTest, LaterLoadReplacesThePictureAndUnloadKeepsHeadersAndPalette) {
    EXPECT_EQ(BitmapFileUnload(&bmp_), 1) << "unloading an empty record";
    BmpLayout a;
    BmpFillPattern(&a);
    BmpLayout b;
    b.width = 3;
    b.height = 5;
    b.rows.assign(15, 9);
    ASSERT_EQ(BitmapFileLoad(&bmp_, WriteBmp("a.bmp", BmpBuild(a)).c_str()), 1);
    ASSERT_EQ(BitmapFileLoad(&bmp_, WriteBmp("b.bmp", BmpBuild(b)).c_str()), 1);
    EXPECT_EQ(bmp_.info_header.biWidth, 3);
    EXPECT_EQ(bmp_.info_header.biHeight, 5);
    EXPECT_EQ(Pixels(bmp_, 15), b.rows);

    EXPECT_EQ(BitmapFileUnload(&bmp_), 1);
    EXPECT_EQ(bmp_.pixels, nullptr);
    EXPECT_EQ(bmp_.info_header.biWidth, 3);
    EXPECT_EQ(ShowEntry(bmp_.palette[5]), Loaded(BmpTestColor(5)));
    EXPECT_EQ(BitmapFileUnload(nullptr), 1);
}

// Layouts the format allows and the loader must read right.
struct LayoutCase {
    const char* name;
    int bit_count, width, height;
    bool top_down;
    uint32_t header_size;
    bool size_image_zero;
    int gap;
};

const LayoutCase kLayouts[] = {
    {"w1_8", 8, 1, 3, false, 40, false, 0},          {"w2_8", 8, 2, 3, false, 40, false, 0},
    {"w3_8", 8, 3, 4, false, 40, false, 0},          {"w5_8", 8, 5, 2, false, 40, false, 0},
    {"w37_8", 8, 37, 23, false, 40, false, 0},       {"w1_24", 24, 1, 3, false, 40, false, 0},
    {"w2_24", 24, 2, 3, false, 40, false, 0},        {"w3_24", 24, 3, 2, false, 40, false, 0},
    {"w5_24", 24, 5, 3, false, 40, false, 0},        {"w1_16", 16, 1, 2, false, 40, false, 0},
    {"w3_16", 16, 3, 3, false, 40, false, 0},        {"v4_8", 8, 7, 5, false, 108, false, 0},
    {"v5_8", 8, 7, 5, false, 124, false, 0},         {"v5_24", 24, 7, 5, false, 124, false, 0},
    {"topdown_8", 8, 5, 4, true, 40, false, 0},      {"topdown_24", 24, 3, 4, true, 40, false, 0},
    {"topdown_v5", 8, 6, 3, true, 124, false, 0},    {"sizeimage0_8", 8, 5, 3, false, 40, true, 0},
    {"sizeimage0_24", 24, 3, 3, false, 40, true, 0}, {"gap_8", 8, 4, 2, false, 40, false, 37},
    {"gap_24", 24, 2, 2, false, 124, true, 100},     {"widest_8", 8, 16384, 1, false, 40, false, 0},
    {"tallest_8", 8, 1, 16384, true, 40, true, 0}};

class BitmapLayoutTest : public BitmapFileTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(BitmapLayoutTest, PixelsAndPaletteMatchTheFile) {
    const LayoutCase& c = GetParam();
    BmpLayout layout;
    layout.bit_count = c.bit_count;
    layout.width = c.width;
    layout.height = c.height;
    layout.top_down = c.top_down;
    layout.header_size = c.header_size;
    layout.size_image_zero = c.size_image_zero;
    layout.gap = c.gap;
    layout.palette_entries = c.bit_count == 8 ? 256 : 0;
    BmpFillPattern(&layout);
    const std::string path = WriteBmp(std::string(c.name) + ".bmp", BmpBuild(layout));
    ASSERT_EQ(BitmapFileLoad(&bmp_, path.c_str()), 1);

    const Bytes want = Expected(layout);
    const Bytes got = Pixels(bmp_, want.size());
    for (size_t i = 0; i < want.size(); i++) {
        ASSERT_EQ(got[i], want[i]) << "byte " << i << " of " << want.size();
    }
    EXPECT_EQ(bmp_.info_header.biWidth, c.width);
    EXPECT_EQ(bmp_.info_header.biHeight, c.height) << "row count, positive";
    EXPECT_EQ(bmp_.info_header.biBitCount, c.bit_count == 24 ? 16 : c.bit_count);
    EXPECT_EQ(bmp_.info_header.biSize, c.header_size);
    for (int i = 0; c.bit_count == 8 && i < 256; i += 51) {
        EXPECT_EQ(ShowEntry(bmp_.palette[i]), Loaded(BmpTestColor(i))) << "entry " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, BitmapLayoutTest, ::testing::ValuesIn(kLayouts),
                         [](const ::testing::TestParamInfo<LayoutCase>& param_info) {
                             return std::string(param_info.param.name);
                         });

TEST_F(BitmapFileTest, SizeImageLargerThanThePictureTakesTheLastBytes) {
    // Some writers count two bytes past the rows; the data are still the file's last bytes.
    BmpLayout layout;
    layout.width = 3;
    layout.height = 2;
    layout.gap = 2;
    layout.size_image = 10;
    layout.rows = {1, 2, 3, 4, 5, 6};
    Bytes file = BmpBuild(layout);
    // Move the gap to the end: rows first, then two stray bytes.
    const long at = static_cast<long>(PixelOffset(layout)) - 2;
    file.erase(file.begin() + at, file.begin() + at + 2);
    file.insert(file.end(), {0xEE, 0xEE});
    ASSERT_EQ(BitmapFileLoad(&bmp_, WriteBmp("sizeimage_big.bmp", file).c_str()), 1);
    EXPECT_EQ(Pixels(bmp_, 6), layout.rows);
}

// Where the pixel data are taken from: bfOffBits when it points at or past the end of the
// colour table and the data fit between it and the end of the file; otherwise the file's last
// biSizeImage bytes. Bytes after the pixels (a colour profile, stray data) are thus skipped.
struct OffsetCase {
    const char* name;
    int bit_count;
    uint32_t header_size;
    int palette_entries;
    int gap;             // bytes between the colour table and the pixels
    size_t trailing;     // bytes after the pixels
    int64_t off_bits;    // bfOffBits as written; -1: where the pixels are
    bool from_off_bits;  // true: the pixels come from bfOffBits, else from the end
};

const OffsetCase kOffsets[] = {
    {"profile_after_v5_8", 8, 124, 256, 0, 200, -1, true},
    {"profile_after_v5_24", 24, 124, 0, 0, 13, -1, true},
    {"trailing_16", 16, 40, 0, 0, 7, -1, true},
    {"trailing_one_byte", 8, 40, 256, 0, 1, -1, true},
    {"trailing_short_table", 8, 40, 4, 0, 9, -1, true},
    {"trailing_after_gap", 8, 40, 256, 37, 64, -1, true},
    {"off_bits_at_table_end_before_gap", 8, 40, 256, 30, 30, 14 + 40 + 1024, true},
    {"off_bits_at_table_end_before_gap_no_trailing", 8, 40, 256, 37, 0, 14 + 40 + 1024, true},
    {"off_bits_into_table", 8, 40, 256, 0, 16, 14 + 40 + 1023, false},
    {"off_bits_into_headers", 8, 124, 256, 0, 16, 20, false},
    {"off_bits_zero", 24, 40, 0, 0, 16, 0, false},
    {"off_bits_past_fit", 8, 40, 256, 0, 16, 14 + 40 + 1024 + 17, false},
    {"off_bits_max", 8, 40, 256, 0, 16, 0xFFFFFFFF, false},
    {"off_bits_into_headers_no_trailing", 8, 40, 256, 0, 0, 30, false},
    {"gap_off_bits_into_table_no_trailing", 8, 40, 256, 12, 0, 54, false},
};

class BitmapOffsetTest : public BitmapFileTest, public ::testing::WithParamInterface<OffsetCase> {};

TEST_P(BitmapOffsetTest, PixelsComeFromBfOffBitsOnlyWhenTheyFitThere) {
    const OffsetCase& c = GetParam();
    BmpLayout layout;
    layout.bit_count = c.bit_count;
    layout.width = 5;
    layout.height = 3;
    layout.header_size = c.header_size;
    layout.palette_entries = c.palette_entries;
    layout.gap = c.gap;
    BmpFillPattern(&layout);
    const Bytes built = BmpBuild(layout);
    const size_t pixels_at = PixelOffset(layout);
    const size_t data_size = built.size() - pixels_at;
    Bytes file = built;
    for (size_t i = 0; i < c.trailing; i++) {
        file.push_back(static_cast<uint8_t>(0xC0 + i % 32));
    }
    if (c.off_bits != -1) {
        BmpPutU32(&file, 10, static_cast<uint32_t>(c.off_bits));
    }
    // The data_size bytes the loader should take, put where the pixels are in a file without
    // trailing bytes, which loads the same by either rule.
    const uint32_t off_bits =
        c.off_bits == -1 ? static_cast<uint32_t>(pixels_at) : static_cast<uint32_t>(c.off_bits);
    const size_t start = c.from_off_bits ? off_bits : file.size() - data_size;
    ASSERT_LE(start + data_size, file.size());
    Bytes moved(file.begin(), file.begin() + static_cast<long>(pixels_at));
    moved.insert(moved.end(), file.begin() + static_cast<long>(start),
                 file.begin() + static_cast<long>(start + data_size));
    BmpPutU32(&moved, 10, static_cast<uint32_t>(pixels_at));
    BitmapFile reference{};
    ASSERT_EQ(BitmapFileLoad(&reference, WriteBmp("reference.bmp", moved).c_str()), 1);
    const Bytes want = Pixels(reference, Expected(layout).size());
    BitmapFileUnload(&reference);
    if (c.from_off_bits && c.off_bits == -1) {
        ASSERT_EQ(want, Expected(layout)) << "the reference is the picture as built";
    }

    ASSERT_EQ(BitmapFileLoad(&bmp_, WriteBmp(std::string(c.name) + ".bmp", file).c_str()), 1);
    EXPECT_EQ(Pixels(bmp_, want.size()), want)
        << (c.from_off_bits ? "expected the pixels at bfOffBits" : "expected the last bytes");
    EXPECT_EQ(bmp_.file_header.bfOffBits,
              static_cast<uint32_t>(c.off_bits == -1 ? pixels_at : c.off_bits));
    for (int i = 0; i < c.palette_entries; i += 3) {
        EXPECT_EQ(ShowEntry(bmp_.palette[i]), Loaded(BmpTestColor(i))) << "entry " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Offsets, BitmapOffsetTest, ::testing::ValuesIn(kOffsets),
                         [](const ::testing::TestParamInfo<OffsetCase>& param_info) {
                             return std::string(param_info.param.name);
                         });

TEST_F(BitmapFileTest, ShortColourTableStillLoads) {
    BmpLayout layout;
    layout.palette_entries = 4;  // the file is shorter than a full table after the header
    layout.rows = {0, 1, 2, 3, 3, 2, 1, 0};
    ASSERT_EQ(BitmapFileLoad(&bmp_, WriteBmp("short_table.bmp", BmpBuild(layout)).c_str()), 1);
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(ShowEntry(bmp_.palette[i]), Loaded(BmpTestColor(i))) << "entry " << i;
    }
    EXPECT_EQ(Pixels(bmp_, 8), layout.rows);
}

TEST_F(BitmapFileTest, MissingFileChangesNothing) {
    std::memset(&bmp_, 0x5A, sizeof(bmp_));
    bmp_.pixels = nullptr;
    BitmapFile before;
    std::memcpy(&before, &bmp_, sizeof(before));
    EXPECT_EQ(BitmapFileLoad(&bmp_, ScratchPath("no_such.bmp").c_str()), 0);
    EXPECT_EQ(std::memcmp(&before, &bmp_, sizeof(before)), 0);
    EXPECT_EQ(BitmapFileLoad(&bmp_, nullptr), 0);
    EXPECT_EQ(BitmapFileLoad(nullptr, ScratchPath("no_such.bmp").c_str()), 0);
}

// A FIFO would wait for a writer and a device may never end: both are refused at once, as is
// a folder, and the record is left as it was.
TEST_F(BitmapFileTest, SpecialFilesAreRefusedAtOnce) {
#if !QENT_HAVE_POSIX_FILES
    GTEST_SKIP() << "this system has no FIFOs, devices, links or fork to try";
#else
    const std::string fifo = ScratchPath("fifo.bmp");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0) << fifo;
    const std::string folder = ScratchPath("folder.bmp");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0) << folder;
    for (const std::string& path : {fifo, std::string("/dev/zero"), folder}) {
        const ChildResult got = RunInChild(10, [&] {
            BitmapFile bmp{};
            const int result = BitmapFileLoad(&bmp, path.c_str());
            const bool untouched = bmp.pixels == nullptr && bmp.file_header.bfType == 0;
            BitmapFileUnload(&bmp);
            return std::to_string(result) + (untouched ? " untouched" : " changed");
        });
        EXPECT_TRUE(got.finished) << path << ": BitmapFileLoad did not return within 10 s";
        EXPECT_EQ(got.output, "0 untouched") << path;
    }
#endif
}

TEST_F(BitmapFileTest, WrongMagicKeepsPixelsAndStoresTheFileHeader) {
    BmpLayout layout;
    layout.rows = {5, 6, 7, 8, 1, 2, 3, 4};
    ASSERT_EQ(BitmapFileLoad(&bmp_, WriteBmp("good.bmp", BmpBuild(layout)).c_str()), 1);
    uint8_t* held = bmp_.pixels;
    Bytes file = BmpBuild(layout);
    file[0] = 'M';
    file[1] = 'B';
    BmpPutU32(&file, 2, 0x12345678);
    EXPECT_EQ(BitmapFileLoad(&bmp_, WriteBmp("magic.bmp", file).c_str()), 0);
    EXPECT_EQ(bmp_.pixels, held);
    EXPECT_EQ(Pixels(bmp_, 8), layout.rows);
    EXPECT_EQ(bmp_.file_header.bfType, 0x424D);
    EXPECT_EQ(bmp_.file_header.bfSize, 0x12345678u);
}

// Files the loader refuses. Each starts from a good 5 x 3 file of 8 bits (1102 bytes, the
// last 24 of them pixels) or 24 bits (102 bytes), sets header fields (those at 26 and 28 are
// 16 bits wide, the rest 32), then adds bytes of 1 at the end or cuts the file short.
struct RejectCase {
    const char* name;
    int bit_count;
    std::vector<std::pair<size_t, uint32_t>> fields;
    long grow = 0;   // bytes added; negative: removed from the end
    long keep = -1;  // when not -1, the file is cut to this many bytes
};

const RejectCase kRejects[] = {
    {"rle8", 8, {{30, 1}}},
    {"rle4", 8, {{30, 2}}},
    {"bitfields16", 24, {{28, 16}, {30, 3}}},
    {"bits1", 8, {{28, 1}}},
    {"bits4", 8, {{28, 4}}},
    {"bits32", 24, {{28, 32}}},
    {"bits0", 24, {{28, 0}}},
    {"bits15", 24, {{28, 15}}},
    {"width0", 8, {{18, 0}}},
    {"width_negative", 8, {{18, static_cast<uint32_t>(-4)}}},
    {"width16385", 8, {{18, 16385}, {22, 1}, {34, 0}}, 16388},
    {"height0", 8, {{22, 0}}},
    {"height16385", 8, {{18, 1}, {22, 16385}, {34, 0}}, 4 * 16385},
    {"height_minus16385", 8, {{18, 1}, {22, static_cast<uint32_t>(-16385)}, {34, 0}}, 4 * 16385},
    {"height_int_min", 8, {{22, 0x80000000u}}},
    {"huge_claims", 24, {{18, 16384}, {22, 16384}, {34, 0}}},
    {"sizeimage_beyond_file", 8, {{34, 1103}}},
    {"sizeimage_max", 8, {{34, 0xFFFFFFFFu}}},
    {"sizeimage_into_headers", 8, {{34, 1102 - 50}}},
    {"sizeimage_short", 8, {{34, 23}}},
    {"last_byte_cut", 8, {}, -1},
    {"last_byte_cut_sizeimage0", 8, {{34, 0}}, -1},
    {"last_byte_cut_24", 24, {}, -1},
    {"headers_only", 8, {}, 0, 54},
    {"header_size_12", 8, {{14, 12}}},
    {"header_size_past_end", 8, {{14, 1102}}},
    {"header_size_max", 8, {{14, 0xFFFFFFF0u}}},
    {"info_header_cut", 8, {}, 0, 40},
    {"file_header_cut", 8, {}, 0, 10},
    {"empty", 8, {}, 0, 0},
};

class BitmapRejectTest : public BitmapFileTest, public ::testing::WithParamInterface<RejectCase> {};

TEST_P(BitmapRejectTest, RefusedAndThePreviousPictureStays) {
    const RejectCase& c = GetParam();
    BmpLayout previous;
    previous.width = 6;
    BmpFillPattern(&previous);
    ASSERT_EQ(BitmapFileLoad(&bmp_, WriteBmp("previous.bmp", BmpBuild(previous)).c_str()), 1);
    BitmapFile before;
    std::memcpy(&before, &bmp_, sizeof(before));

    BmpLayout layout;
    layout.bit_count = c.bit_count;
    layout.width = 5;
    layout.height = 3;
    layout.palette_entries = c.bit_count == 8 ? 256 : 0;
    BmpFillPattern(&layout);
    Bytes file = BmpBuild(layout);
    ASSERT_EQ(file.size(), c.bit_count == 8 ? 1102u : 102u);
    for (const auto& [at, value] : c.fields) {
        at == 26 || at == 28 ? BmpPutU16(&file, at, static_cast<uint16_t>(value))
                             : BmpPutU32(&file, at, value);
    }
    file.resize(c.keep != -1 ? static_cast<size_t>(c.keep) : file.size() + c.grow, 1);
    EXPECT_EQ(BitmapFileLoad(&bmp_, WriteBmp(std::string(c.name) + ".bmp", file).c_str()), 0);

    ASSERT_EQ(bmp_.pixels, before.pixels);
    EXPECT_EQ(Pixels(bmp_, 12), previous.rows);
    EXPECT_EQ(std::memcmp(&bmp_.info_header, &before.info_header, sizeof(before.info_header)), 0)
        << "information header changed";
    EXPECT_EQ(std::memcmp(bmp_.palette, before.palette, sizeof(before.palette)), 0)
        << "palette changed";
}

INSTANTIATE_TEST_SUITE_P(Files, BitmapRejectTest, ::testing::ValuesIn(kRejects),
                         [](const ::testing::TestParamInfo<RejectCase>& param_info) {
                             return std::string(param_info.param.name);
                         });

TEST(FlipRowsTest, ReversesRowOrder) {
    const int cases[][2] = {{3, 1}, {3, 2}, {3, 5}, {1, 4}, {7, 6}};  // bytes per row, rows
    for (const auto& [row, rows] : cases) {
        Bytes image(static_cast<size_t>(row * rows));
        for (size_t i = 0; i < image.size(); i++) {
            image[i] = static_cast<uint8_t>(i);
        }
        Bytes want;
        for (int r = rows - 1; r >= 0; r--) {
            want.insert(want.end(), image.begin() + r * row, image.begin() + (r + 1) * row);
        }
        ASSERT_EQ(FlipRows(image.data(), row, rows), 1);
        EXPECT_EQ(image, want) << row << " bytes by " << rows << " rows";
    }
    EXPECT_EQ(FlipRows(nullptr, 4, 4), 0);
    uint8_t one = 1;
    EXPECT_EQ(FlipRows(&one, -1, 1), 0);
    EXPECT_EQ(FlipRows(&one, 1, -1), 0);
    EXPECT_EQ(FlipRows(&one, 1, 0), 1);
}

// Files from an independent writer, compared with the colours the same tool reports.
class ForeignBitmapTest : public BitmapFileTest,
                          public ::testing::WithParamInterface<const char*> {};

TEST_P(ForeignBitmapTest, PixelsMatchWhatTheToolReports) {
#ifdef _WIN32
    GTEST_SKIP() << "a Windows program cannot start the Linux tool; the native build runs this";
#endif
    const char* convert = "/usr/bin/convert";
    if (std::FILE* probe = std::fopen(convert, "rb")) {
        std::fclose(probe);
    } else {
        GTEST_SKIP() << convert << " is not installed";
    }
    const std::string format = GetParam();
    const bool palette = format.find("pal") != std::string::npos;
    const std::string path = ScratchPath(format + ".bmp");
    const std::string rgb_path = ScratchPath(format + ".rgb");
    const int width = 37;
    const int height = 23;
    const std::string writer = format.rfind("bmp3", 0) == 0 ? "BMP3:" : "BMP:";
    const std::string make = std::string(convert) + " -size 37x23 -seed 5 plasma:fractal " +
                             "-alpha off -type " + (palette ? "Palette" : "TrueColor") +
                             " -compress None " + writer + path + " 2>/dev/null";
    ASSERT_EQ(std::system(make.c_str()), 0) << make;
    const std::string dump =
        std::string(convert) + " " + path + " -depth 8 rgb:" + rgb_path + " 2>/dev/null";
    ASSERT_EQ(std::system(dump.c_str()), 0) << dump;
    const Bytes rgb = ReadFile(rgb_path);
    ASSERT_EQ(rgb.size(), static_cast<size_t>(width * height * 3));

    ASSERT_EQ(BitmapFileLoad(&bmp_, path.c_str()), 1);
    ASSERT_EQ(bmp_.info_header.biWidth, width);
    ASSERT_EQ(bmp_.info_header.biHeight, height);
    ASSERT_EQ(bmp_.info_header.biSize, writer == "BMP3:" ? 40u : 124u);
    ASSERT_EQ(bmp_.info_header.biBitCount, palette ? 8 : 16);
    int mismatches = 0;
    for (int i = 0; i < width * height && mismatches < 5; i++) {
        const uint8_t r = rgb[3 * i], g = rgb[3 * i + 1], b = rgb[3 * i + 2];
        std::string want, got;
        if (palette) {
            want = ShowEntry(PaletteEntry{r, g, b, 4});
            got = ShowEntry(bmp_.palette[bmp_.pixels[i]]);
        } else {
            want = std::to_string((b >> 3) | ((g >> 3) << 5) | ((r >> 3) << 10));
            got = std::to_string(bmp_.pixels[2 * i] | (bmp_.pixels[2 * i + 1] << 8));
        }
        if (want != got) {
            ADD_FAILURE() << "pixel (" << i % width << ", " << i / width << "): expected " << want
                          << ", got " << got;
            mismatches++;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ImageMagick, ForeignBitmapTest,
                         ::testing::Values("bmp3_pal", "bmp_pal", "bmp3_true", "bmp_true"));

}  // namespace
