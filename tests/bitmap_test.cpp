// The .BMP loader: row order, colour tables, pixel formats, the layouts real tools write,
// and refusal of files it cannot read safely.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "lib/bitmap.h"
#include "tests/support/bmp_support.h"

namespace {

// Writes spec's file under name and returns its path.
std::string WriteBmp(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = BmpScratchPath(name);
    EXPECT_TRUE(BmpWriteFile(path, bytes)) << path;
    return path;
}

size_t PixelOffset(const BmpSpec& spec) {
    return 14 + spec.header_size + 4 * static_cast<size_t>(spec.palette_entries) +
           static_cast<size_t>(spec.gap);
}

std::vector<uint8_t> Pixels(const BitmapFile& bmp, size_t count) {
    return std::vector<uint8_t>(bmp.pixels, bmp.pixels + count);
}

// What a picture of spec must load as: rows top-down, 8 and 16 bits as stored, 24 bits as
// 5-5-5 values in little-endian byte order.
std::vector<uint8_t> Expected(const BmpSpec& spec) {
    if (spec.bit_count != 24) {
        return spec.rows;
    }
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 2 < spec.rows.size(); i += 3) {
        const unsigned v =
            (spec.rows[i] >> 3) | ((spec.rows[i + 1] >> 3) << 5) | ((spec.rows[i + 2] >> 3) << 10);
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
    BmpSpec spec;
    spec.rows = {5, 6, 7, 8, 1, 2, 3, 4};
    const std::vector<uint8_t> file = BmpBuild(spec);
    const std::vector<uint8_t> stored(file.begin() + PixelOffset(spec), file.end());
    ASSERT_EQ(stored, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8})) << "bottom row first";

    ASSERT_EQ(BitmapFileLoad(&bmp_, WriteBmp("four_by_two.bmp", file).c_str()), 1);
    EXPECT_EQ(Pixels(bmp_, 8), (std::vector<uint8_t>{5, 6, 7, 8, 1, 2, 3, 4}));
    EXPECT_EQ(bmp_.info_header.biWidth, 4);
    EXPECT_EQ(bmp_.info_header.biHeight, 2);
    EXPECT_EQ(bmp_.info_header.biBitCount, 8);
    EXPECT_EQ(bmp_.file_header.bfType, 0x4D42);
}

TEST_F(BitmapFileTest, ColourTableBecomesRedGreenBlueWithFlags4) {
    BmpSpec spec;
    BmpFillPattern(&spec);
    spec.palette = {PaletteEntry{0x30, 0x20, 0x10, 0}};
    const std::vector<uint8_t> file = BmpBuild(spec);
    ASSERT_EQ(file[54], 0x10);
    ASSERT_EQ(file[55], 0x20);
    ASSERT_EQ(file[56], 0x30);

    ASSERT_EQ(BitmapFileLoad(&bmp_, WriteBmp("table.bmp", file).c_str()), 1);
    const PaletteEntry e = bmp_.palette[0];
    EXPECT_EQ(e.red, 0x30);
    EXPECT_EQ(e.green, 0x20);
    EXPECT_EQ(e.blue, 0x10);
    EXPECT_EQ(e.flags, 4);
    for (int i = 1; i < 256; i++) {
        const PaletteEntry want = BmpTestColor(i);
        const PaletteEntry got = bmp_.palette[i];
        ASSERT_TRUE(got.red == want.red && got.green == want.green && got.blue == want.blue &&
                    got.flags == 4)
            << "entry " << i << ": got " << int{got.red} << "," << int{got.green} << ","
            << int{got.blue} << "," << int{got.flags};
    }
}

TEST_F(BitmapFileTest, TwentyFourBitPixelBecomesFiveFiveFive) {
    BmpSpec spec;
    spec.bit_count = 24;
    spec.width = 1;
    spec.height = 1;
    spec.palette_entries = 0;
    spec.rows = {0xFF, 0x00, 0x80};
    ASSERT_EQ(BitmapFileLoad(&bmp_, WriteBmp("one24.bmp", BmpBuild(spec)).c_str()), 1);
    uint16_t value;
    std::memcpy(&value, bmp_.pixels, 2);
    EXPECT_EQ(value, 0x401F);
    EXPECT_EQ(bmp_.info_header.biBitCount, 16);
}

TEST_F(BitmapFileTest, SixteenBitValuesAreKept) {
    BmpSpec spec;
    spec.bit_count = 16;
    spec.width = 3;  // 6 bytes a row, stored in 8
    spec.height = 3;
    spec.palette_entries = 0;
    BmpFillPattern(&spec);
    ASSERT_EQ(BitmapFileLoad(&bmp_, WriteBmp("sixteen.bmp", BmpBuild(spec)).c_str()), 1);
    EXPECT_EQ(Pixels(bmp_, spec.rows.size()), spec.rows);
    EXPECT_EQ(bmp_.info_header.biBitCount, 16);
}

TEST_F(BitmapFileTest, LaterLoadReplacesThePicture) {
    BmpSpec a;
    BmpFillPattern(&a);
    BmpSpec b;
    b.width = 3;
    b.height = 5;
    b.rows.assign(15, 9);
    ASSERT_EQ(BitmapFileLoad(&bmp_, WriteBmp("a.bmp", BmpBuild(a)).c_str()), 1);
    ASSERT_EQ(BitmapFileLoad(&bmp_, WriteBmp("b.bmp", BmpBuild(b)).c_str()), 1);
    EXPECT_EQ(bmp_.info_header.biWidth, 3);
    EXPECT_EQ(bmp_.info_header.biHeight, 5);
    EXPECT_EQ(Pixels(bmp_, 15), b.rows);
}

TEST_F(BitmapFileTest, UnloadEmptiesButKeepsHeadersAndPalette) {
    EXPECT_EQ(BitmapFileUnload(&bmp_), 1) << "unloading an empty record";
    EXPECT_EQ(bmp_.pixels, nullptr);
    BmpSpec spec;
    BmpFillPattern(&spec);
    ASSERT_EQ(BitmapFileLoad(&bmp_, WriteBmp("unload.bmp", BmpBuild(spec)).c_str()), 1);
    EXPECT_EQ(BitmapFileUnload(&bmp_), 1);
    EXPECT_EQ(bmp_.pixels, nullptr);
    EXPECT_EQ(bmp_.info_header.biWidth, 4);
    EXPECT_EQ(bmp_.palette[5].red, BmpTestColor(5).red);
    EXPECT_EQ(BitmapFileUnload(nullptr), 1);
}

// Layouts the format allows and the loader must read right.
struct LayoutCase {
    const char* name;
    int bit_count;
    int width;
    int height;
    bool top_down;
    uint32_t header_size;
    bool size_image_zero;
    int gap;
};

class BitmapLayoutTest : public BitmapFileTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(BitmapLayoutTest, PixelsAndPaletteMatchTheFile) {
    const LayoutCase& c = GetParam();
    BmpSpec spec;
    spec.bit_count = c.bit_count;
    spec.width = c.width;
    spec.height = c.height;
    spec.top_down = c.top_down;
    spec.header_size = c.header_size;
    spec.size_image_zero = c.size_image_zero;
    spec.gap = c.gap;
    spec.palette_entries = c.bit_count == 8 ? 256 : 0;
    BmpFillPattern(&spec);
    const std::string path = WriteBmp(std::string(c.name) + ".bmp", BmpBuild(spec));
    ASSERT_EQ(BitmapFileLoad(&bmp_, path.c_str()), 1);

    const std::vector<uint8_t> want = Expected(spec);
    const std::vector<uint8_t> got = Pixels(bmp_, want.size());
    for (size_t i = 0; i < want.size(); i++) {
        ASSERT_EQ(got[i], want[i]) << "byte " << i << " of " << want.size();
    }
    EXPECT_EQ(bmp_.info_header.biWidth, c.width);
    EXPECT_EQ(bmp_.info_header.biHeight, c.height) << "row count, positive";
    EXPECT_EQ(bmp_.info_header.biBitCount, c.bit_count == 24 ? 16 : c.bit_count);
    EXPECT_EQ(bmp_.info_header.biSize, c.header_size);
    if (c.bit_count == 8) {
        for (int i = 0; i < 256; i += 51) {
            EXPECT_EQ(bmp_.palette[i].green, BmpTestColor(i).green) << "entry " << i;
            EXPECT_EQ(bmp_.palette[i].blue, BmpTestColor(i).blue) << "entry " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, BitmapLayoutTest,
                         ::testing::Values(LayoutCase{"w1_8", 8, 1, 3, false, 40, false, 0},
                                           LayoutCase{"w2_8", 8, 2, 3, false, 40, false, 0},
                                           LayoutCase{"w3_8", 8, 3, 4, false, 40, false, 0},
                                           LayoutCase{"w5_8", 8, 5, 2, false, 40, false, 0},
                                           LayoutCase{"w37_8", 8, 37, 23, false, 40, false, 0},
                                           LayoutCase{"w1_24", 24, 1, 3, false, 40, false, 0},
                                           LayoutCase{"w2_24", 24, 2, 3, false, 40, false, 0},
                                           LayoutCase{"w3_24", 24, 3, 2, false, 40, false, 0},
                                           LayoutCase{"w5_24", 24, 5, 3, false, 40, false, 0},
                                           LayoutCase{"w1_16", 16, 1, 2, false, 40, false, 0},
                                           LayoutCase{"v4_8", 8, 7, 5, false, 108, false, 0},
                                           LayoutCase{"v5_8", 8, 7, 5, false, 124, false, 0},
                                           LayoutCase{"v5_24", 24, 7, 5, false, 124, false, 0},
                                           LayoutCase{"topdown_8", 8, 5, 4, true, 40, false, 0},
                                           LayoutCase{"topdown_24", 24, 3, 4, true, 40, false, 0},
                                           LayoutCase{"topdown_v5", 8, 6, 3, true, 124, false, 0},
                                           LayoutCase{"sizeimage0_8", 8, 5, 3, false, 40, true, 0},
                                           LayoutCase{"sizeimage0_24", 24, 3, 3, false, 40, true,
                                                      0},
                                           LayoutCase{"gap_8", 8, 4, 2, false, 40, false, 37},
                                           LayoutCase{"gap_24", 24, 2, 2, false, 124, true, 100},
                                           LayoutCase{"widest_8", 8, 16384, 1, false, 40, false, 0},
                                           LayoutCase{"tallest_8", 8, 1, 16384, true, 40, true, 0}),
                         [](const ::testing::TestParamInfo<LayoutCase>& param_info) {
                             return std::string(param_info.param.name);
                         });

TEST_F(BitmapFileTest, SizeImageLargerThanThePictureTakesTheLastBytes) {
    // Some writers count two bytes past the rows; the data are still the file's last bytes.
    BmpSpec spec;
    spec.width = 3;
    spec.height = 2;
    spec.gap = 2;
    spec.size_image = 10;
    spec.rows = {1, 2, 3, 4, 5, 6};
    std::vector<uint8_t> file = BmpBuild(spec);
    // Move the gap to the end: rows first, then two stray bytes.
    const size_t at = PixelOffset(spec) - 2;
    file.erase(file.begin() + static_cast<long>(at), file.begin() + static_cast<long>(at) + 2);
    file.push_back(0xEE);
    file.push_back(0xEE);
    ASSERT_EQ(BitmapFileLoad(&bmp_, WriteBmp("sizeimage_big.bmp", file).c_str()), 1);
    EXPECT_EQ(Pixels(bmp_, 6), spec.rows);
}

TEST_F(BitmapFileTest, ShortColourTableStillLoads) {
    BmpSpec spec;
    spec.palette_entries = 4;  // the file is shorter than a full table after the header
    spec.rows = {0, 1, 2, 3, 3, 2, 1, 0};
    ASSERT_EQ(BitmapFileLoad(&bmp_, WriteBmp("short_table.bmp", BmpBuild(spec)).c_str()), 1);
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(bmp_.palette[i].red, BmpTestColor(i).red) << "entry " << i;
        EXPECT_EQ(bmp_.palette[i].green, BmpTestColor(i).green) << "entry " << i;
        EXPECT_EQ(bmp_.palette[i].blue, BmpTestColor(i).blue) << "entry " << i;
    }
    EXPECT_EQ(Pixels(bmp_, 8), spec.rows);
}

TEST_F(BitmapFileTest, MissingFileChangesNothing) {
    std::memset(&bmp_, 0x5A, sizeof(bmp_));
    bmp_.pixels = nullptr;
    BitmapFile before;
    std::memcpy(&before, &bmp_, sizeof(before));
    EXPECT_EQ(BitmapFileLoad(&bmp_, BmpScratchPath("no_such.bmp").c_str()), 0);
    EXPECT_EQ(std::memcmp(&before, &bmp_, sizeof(before)), 0);
    EXPECT_EQ(BitmapFileLoad(&bmp_, nullptr), 0);
    EXPECT_EQ(BitmapFileLoad(nullptr, BmpScratchPath("no_such.bmp").c_str()), 0);
}

TEST_F(BitmapFileTest, WrongMagicKeepsPixelsAndStoresTheFileHeader) {
    BmpSpec spec;
    spec.rows = {5, 6, 7, 8, 1, 2, 3, 4};
    ASSERT_EQ(BitmapFileLoad(&bmp_, WriteBmp("good.bmp", BmpBuild(spec)).c_str()), 1);
    uint8_t* held = bmp_.pixels;
    std::vector<uint8_t> file = BmpBuild(spec);
    file[0] = 'M';
    file[1] = 'B';
    BmpPutU32(&file, 2, 0x12345678);
    EXPECT_EQ(BitmapFileLoad(&bmp_, WriteBmp("magic.bmp", file).c_str()), 0);
    EXPECT_EQ(bmp_.pixels, held);
    EXPECT_EQ(Pixels(bmp_, 8), (std::vector<uint8_t>{5, 6, 7, 8, 1, 2, 3, 4}));
    EXPECT_EQ(bmp_.file_header.bfType, 0x424D);
    EXPECT_EQ(bmp_.file_header.bfSize, 0x12345678u);
}

// Files the loader refuses. Each starts from a good 8-bit or 24-bit file and breaks one
// thing; the previous picture must survive untouched.
struct RejectCase {
    const char* name;
    int bit_count;                              // of the file broken
    void (*patch)(std::vector<uint8_t>* file);  // the damage
};

void SetU16(std::vector<uint8_t>* f, size_t at, uint16_t v) {
    BmpPutU16(f, at, v);
}
void SetU32(std::vector<uint8_t>* f, size_t at, uint32_t v) {
    BmpPutU32(f, at, v);
}
void Cut(std::vector<uint8_t>* f, size_t size) {
    f->erase(f->begin() + static_cast<long>(size), f->end());
}

const RejectCase kRejects[] = {
    {"rle8", 8, [](std::vector<uint8_t>* f) { SetU32(f, 30, 1); }},
    {"rle4", 8, [](std::vector<uint8_t>* f) { SetU32(f, 30, 2); }},
    {"bitfields16", 24,
     [](std::vector<uint8_t>* f) {
         SetU16(f, 28, 16);
         SetU32(f, 30, 3);
     }},
    {"bits1", 8, [](std::vector<uint8_t>* f) { SetU16(f, 28, 1); }},
    {"bits4", 8, [](std::vector<uint8_t>* f) { SetU16(f, 28, 4); }},
    {"bits32", 24, [](std::vector<uint8_t>* f) { SetU16(f, 28, 32); }},
    {"bits0", 24, [](std::vector<uint8_t>* f) { SetU16(f, 28, 0); }},
    {"bits15", 24, [](std::vector<uint8_t>* f) { SetU16(f, 28, 15); }},
    {"width0", 8, [](std::vector<uint8_t>* f) { SetU32(f, 18, 0); }},
    {"width_negative", 8,
     [](std::vector<uint8_t>* f) { SetU32(f, 18, static_cast<uint32_t>(-4)); }},
    {"width16385", 8,
     [](std::vector<uint8_t>* f) {
         SetU32(f, 18, 16385);
         SetU32(f, 22, 1);
         SetU32(f, 34, 0);
         f->resize(f->size() + 16388, 1);
     }},
    {"height0", 8, [](std::vector<uint8_t>* f) { SetU32(f, 22, 0); }},
    {"height16385", 8,
     [](std::vector<uint8_t>* f) {
         SetU32(f, 18, 1);
         SetU32(f, 22, 16385);
         SetU32(f, 34, 0);
         f->resize(f->size() + 4 * 16385, 1);
     }},
    {"height_minus16385", 8,
     [](std::vector<uint8_t>* f) {
         SetU32(f, 18, 1);
         SetU32(f, 22, static_cast<uint32_t>(-16385));
         SetU32(f, 34, 0);
         f->resize(f->size() + 4 * 16385, 1);
     }},
    {"height_int_min", 8, [](std::vector<uint8_t>* f) { SetU32(f, 22, 0x80000000u); }},
    {"huge_claims", 24,
     [](std::vector<uint8_t>* f) {
         SetU32(f, 18, 16384);
         SetU32(f, 22, 16384);
         SetU32(f, 34, 0);
     }},
    {"sizeimage_beyond_file", 8,
     [](std::vector<uint8_t>* f) { SetU32(f, 34, static_cast<uint32_t>(f->size() + 1)); }},
    {"sizeimage_max", 8, [](std::vector<uint8_t>* f) { SetU32(f, 34, 0xFFFFFFFFu); }},
    {"sizeimage_into_headers", 8,
     [](std::vector<uint8_t>* f) { SetU32(f, 34, static_cast<uint32_t>(f->size() - 50)); }},
    {"sizeimage_short", 8,
     [](std::vector<uint8_t>* f) {
         const uint32_t size = static_cast<uint32_t>(f->at(34) | f->at(35) << 8);
         SetU32(f, 34, size - 1);
     }},
    {"last_byte_cut", 8, [](std::vector<uint8_t>* f) { f->pop_back(); }},
    {"last_byte_cut_sizeimage0", 8,
     [](std::vector<uint8_t>* f) {
         SetU32(f, 34, 0);
         f->pop_back();
     }},
    {"last_byte_cut_24", 24, [](std::vector<uint8_t>* f) { f->pop_back(); }},
    {"headers_only", 8, [](std::vector<uint8_t>* f) { Cut(f, 54); }},
    {"header_size_12", 8, [](std::vector<uint8_t>* f) { SetU32(f, 14, 12); }},
    {"header_size_past_end", 8,
     [](std::vector<uint8_t>* f) { SetU32(f, 14, static_cast<uint32_t>(f->size())); }},
    {"header_size_max", 8, [](std::vector<uint8_t>* f) { SetU32(f, 14, 0xFFFFFFF0u); }},
    {"info_header_cut", 8, [](std::vector<uint8_t>* f) { Cut(f, 40); }},
    {"file_header_cut", 8, [](std::vector<uint8_t>* f) { Cut(f, 10); }},
    {"empty", 8, [](std::vector<uint8_t>* f) { f->clear(); }},
};

class BitmapRejectTest : public BitmapFileTest, public ::testing::WithParamInterface<RejectCase> {};

TEST_P(BitmapRejectTest, RefusedAndThePreviousPictureStays) {
    const RejectCase& c = GetParam();
    BmpSpec previous;
    previous.width = 6;
    previous.height = 2;
    BmpFillPattern(&previous);
    ASSERT_EQ(BitmapFileLoad(&bmp_, WriteBmp("previous.bmp", BmpBuild(previous)).c_str()), 1);
    BitmapFile before;
    std::memcpy(&before, &bmp_, sizeof(before));

    BmpSpec spec;
    spec.bit_count = c.bit_count;
    spec.width = 5;
    spec.height = 3;
    spec.palette_entries = c.bit_count == 8 ? 256 : 0;
    BmpFillPattern(&spec);
    std::vector<uint8_t> file = BmpBuild(spec);
    c.patch(&file);
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
    struct Case {
        int bytes_per_row;
        int rows;
    };
    for (const Case c : {Case{3, 1}, Case{3, 2}, Case{3, 5}, Case{1, 4}, Case{7, 6}}) {
        std::vector<uint8_t> image(static_cast<size_t>(c.bytes_per_row * c.rows));
        for (size_t i = 0; i < image.size(); i++) {
            image[i] = static_cast<uint8_t>(i);
        }
        std::vector<uint8_t> want;
        for (int r = c.rows - 1; r >= 0; r--) {
            want.insert(want.end(), image.begin() + r * c.bytes_per_row,
                        image.begin() + (r + 1) * c.bytes_per_row);
        }
        ASSERT_EQ(FlipRows(image.data(), c.bytes_per_row, c.rows), 1);
        EXPECT_EQ(image, want) << c.bytes_per_row << " bytes by " << c.rows << " rows";
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
    const char* convert = "/usr/bin/convert";
    if (std::FILE* probe = std::fopen(convert, "rb")) {
        std::fclose(probe);
    } else {
        GTEST_SKIP() << convert << " is not installed";
    }
    const std::string format = GetParam();
    const bool palette = format.find("pal") != std::string::npos;
    const std::string path = BmpScratchPath(format + ".bmp");
    const std::string rgb_path = BmpScratchPath(format + ".rgb");
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
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(BmpReadFile(rgb_path, &rgb));
    ASSERT_EQ(rgb.size(), static_cast<size_t>(width * height * 3));

    ASSERT_EQ(BitmapFileLoad(&bmp_, path.c_str()), 1);
    ASSERT_EQ(bmp_.info_header.biWidth, width);
    ASSERT_EQ(bmp_.info_header.biHeight, height);
    ASSERT_EQ(bmp_.info_header.biSize, writer == "BMP3:" ? 40u : 124u);
    int mismatches = 0;
    for (int i = 0; i < width * height && mismatches < 5; i++) {
        const uint8_t r = rgb[3 * i];
        const uint8_t g = rgb[3 * i + 1];
        const uint8_t b = rgb[3 * i + 2];
        if (palette) {
            ASSERT_EQ(bmp_.info_header.biBitCount, 8);
            const PaletteEntry e = bmp_.palette[bmp_.pixels[i]];
            if (e.red != r || e.green != g || e.blue != b) {
                ADD_FAILURE() << "pixel (" << i % width << ", " << i / width << "): expected "
                              << int{r} << "," << int{g} << "," << int{b} << ", got " << int{e.red}
                              << "," << int{e.green} << "," << int{e.blue};
                mismatches++;
            }
        } else {
            ASSERT_EQ(bmp_.info_header.biBitCount, 16);
            const unsigned want = (b >> 3) | ((g >> 3) << 5) | ((r >> 3) << 10);
            const unsigned got = bmp_.pixels[2 * i] | (bmp_.pixels[2 * i + 1] << 8);
            if (want != got) {
                ADD_FAILURE() << "pixel (" << i % width << ", " << i / width << "): expected 0x"
                              << std::hex << want << ", got 0x" << got << std::dec;
                mismatches++;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ImageMagick, ForeignBitmapTest,
                         ::testing::Values("bmp3_pal", "bmp_pal", "bmp3_true", "bmp_true"));

}  // namespace
