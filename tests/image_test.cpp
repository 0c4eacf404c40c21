// Bitmap images: creation and release, loading by cell and by position, and opaque,
// transparent and clipped drawing into 8-bit buffers.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "lib/bitmap.h"

namespace {

// The byte a test picture holds at (x, y): differs between neighbours in both directions.
uint8_t PicturePixel(int x, int y) {
    return static_cast<uint8_t>((x * 3 + y * 7) % 251 + 1);
}

// An 8-bit picture as a successful load leaves it.
void MakePicture(BitmapFile* bmp, int width, int height, int bit_count = 8) {
    *bmp = BitmapFile{};
    bmp->info_header.biSize = 40;
    bmp->info_header.biWidth = width;
    bmp->info_header.biHeight = height;
    bmp->info_header.biBitCount = static_cast<uint16_t>(bit_count);
    const int bytes = bit_count == 8 ? 1 : 2;
    bmp->pixels = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(width * height * bytes)));
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width * bytes; x++) {
            bmp->pixels[y * width * bytes + x] = PicturePixel(x, y);
        }
    }
}

class ImageTest : public ::testing::Test {
protected:
    void TearDown() override {
        ImageDestroy(&image_);
        BitmapFileUnload(&bmp_);
    }
    // Expects the image to hold the picture's rectangle at (x0, y0).
    void ExpectHolds(int x0, int y0) {
        for (int y = 0; y < image_.height; y++) {
            for (int x = 0; x < image_.width; x++) {
                ASSERT_EQ(image_.pixels[y * image_.width + x], PicturePixel(x0 + x, y0 + y))
                    << "image pixel (" << x << ", " << y << ") should be picture pixel (" << x0 + x
                    << ", " << y0 + y << ")";
            }
        }
    }
    BitmapImage image_{};
    BitmapFile bmp_{};
};

TEST_F(ImageTest, CreateSetsEveryFieldAndClearsThePixels) {
    std::memset(&image_, 0x77, sizeof(image_));
    image_.pixels = nullptr;
    ASSERT_EQ(ImageCreate(&image_, 12, -3, 5, 4), 1);
    const BitmapImage& i = image_;
    EXPECT_EQ(std::vector<int>({i.status, i.flags, i.x, i.y, i.width, i.height, i.size}),
              std::vector<int>({IMAGE_STATUS_ACTIVE, 0, 12, -3, 5, 4, 20}));
    ASSERT_NE(image_.pixels, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(image_.pixels, image_.pixels + 20), std::vector<uint8_t>(20, 0));
}

TEST_F(ImageTest, CreateRefusesEmptyAndOversizedRectangles) {
    EXPECT_EQ(ImageCreate(nullptr, 0, 0, 4, 4), 0);
    EXPECT_EQ(ImageCreate(&image_, 0, 0, 0, 4), 0);
    EXPECT_EQ(ImageCreate(&image_, 0, 0, 4, -1), 0);
    EXPECT_EQ(ImageCreate(&image_, 0, 0, 65536, 65536), 0);
    EXPECT_EQ(image_.pixels, nullptr);
}

TEST_F(ImageTest, DestroyZeroesTheRecordOnceOnly) {
    ASSERT_EQ(ImageCreate(&image_, 1, 2, 3, 4), 1);
    EXPECT_EQ(ImageDestroy(&image_), 1);
    const BitmapImage zero{};
    EXPECT_EQ(std::memcmp(&image_, &zero, sizeof(zero)), 0);
    EXPECT_EQ(ImageDestroy(&image_), 0) << "second destroy";
    EXPECT_EQ(ImageDestroy(nullptr), 0);
}

TEST_F(ImageTest, DrawBeforeLoadDrawsNothing) {
    ASSERT_EQ(ImageCreate(&image_, 0, 0, 4, 4), 1);
    std::vector<uint8_t> dest(640 * 480, 9);
    EXPECT_EQ(ImageDraw(&image_, dest.data(), 640, 0), 0);
    EXPECT_EQ(dest, std::vector<uint8_t>(640 * 480, 9));
}

TEST_F(ImageTest, CellsSkipTheBorderLines) {
    MakePicture(&bmp_, 100, 60);
    ASSERT_EQ(ImageCreate(&image_, 0, 0, 32, 16), 1);
    struct Case {
        int cx, cy, x, y;
    };
    for (const Case c : {Case{0, 0, 1, 1}, Case{1, 2, 34, 35}, Case{2, 0, 67, 1}}) {
        ASSERT_EQ(ImageLoad(&image_, &bmp_, c.cx, c.cy, LOAD_BY_CELL), 1)
            << "cell (" << c.cx << ", " << c.cy << ")";
        EXPECT_TRUE(image_.flags & IMAGE_FLAG_LOADED);
        ExpectHolds(c.x, c.y);
    }
}

TEST_F(ImageTest, PositionsAreTakenAsTheyAre) {
    MakePicture(&bmp_, 640, 480);
    ASSERT_EQ(ImageCreate(&image_, 0, 0, 640, 480), 1);
    ASSERT_EQ(ImageLoad(&image_, &bmp_, 0, 0, LOAD_BY_POSITION), 1);
    EXPECT_EQ(std::memcmp(image_.pixels, bmp_.pixels, 640 * 480), 0);

    ImageDestroy(&image_);
    ASSERT_EQ(ImageCreate(&image_, 0, 0, 7, 5), 1);
    ASSERT_EQ(ImageLoad(&image_, &bmp_, 633, 475, 9), 1) << "any non-zero mode is by position";
    ExpectHolds(633, 475);
    EXPECT_EQ(image_.x, 0) << "loading moves nothing";
    EXPECT_EQ(image_.flags, IMAGE_FLAG_LOADED);
}

TEST_F(ImageTest, LoadRefusesRectanglesLeavingThePicture) {
    MakePicture(&bmp_, 100, 60);
    ASSERT_EQ(ImageCreate(&image_, 0, 0, 32, 16), 1);
    struct Case {
        int cx, cy, mode;
    };
    const Case cases[] = {
        {69, 0, LOAD_BY_POSITION}, {0, 45, LOAD_BY_POSITION},     {-1, 0, LOAD_BY_POSITION},
        {0, -1, LOAD_BY_POSITION}, {3, 0, LOAD_BY_CELL},          {0, 3, LOAD_BY_CELL},
        {-1, 0, LOAD_BY_CELL},     {2147483647, 0, LOAD_BY_CELL}, {2147483647, 0, LOAD_BY_POSITION},
    };
    for (const Case c : cases) {
        EXPECT_EQ(ImageLoad(&image_, &bmp_, c.cx, c.cy, c.mode), 0)
            << "(" << c.cx << ", " << c.cy << ") mode " << c.mode;
    }
    EXPECT_EQ(image_.flags, 0);
    EXPECT_EQ(image_.pixels[0], 0);
    EXPECT_EQ(ImageLoad(&image_, &bmp_, 68, 44, LOAD_BY_POSITION), 1) << "touching both edges";
    ExpectHolds(68, 44);
}

TEST_F(ImageTest, LoadRefusesSixteenBitAndEmptyFiles) {
    ASSERT_EQ(ImageCreate(&image_, 0, 0, 4, 4), 1);
    EXPECT_EQ(ImageLoad(&image_, &bmp_, 0, 0, LOAD_BY_POSITION), 0) << "nothing loaded";
    MakePicture(&bmp_, 16, 16, 16);
    EXPECT_EQ(ImageLoad(&image_, &bmp_, 0, 0, LOAD_BY_POSITION), 0) << "16-bit pixels";
    EXPECT_EQ(ImageLoad(nullptr, &bmp_, 0, 0, LOAD_BY_POSITION), 0);
    EXPECT_EQ(ImageLoad(&image_, nullptr, 0, 0, LOAD_BY_POSITION), 0);
    EXPECT_EQ(image_.flags, 0);
}

// Fills an image with random bytes, about zero_percent of them 0.
void FillRandom(BitmapImage* image, int zero_percent, unsigned seed) {
    std::mt19937 rng(seed);
    for (int i = 0; i < image->size; i++) {
        const bool zero = static_cast<int>(rng() % 100) < zero_percent;
        image->pixels[i] = zero ? 0 : static_cast<uint8_t>(rng() % 255 + 1);
    }
    image->flags |= IMAGE_FLAG_LOADED;
}

// What drawing must leave in a buffer: each image pixel inside the clipping rectangle and
// inside the pitch written, zeros skipped when transparent.
std::vector<uint8_t> Reference(const BitmapImage& image, std::vector<uint8_t> dest, int pitch,
                               bool transparent) {
    for (int y = 0; y < image.height; y++) {
        for (int x = 0; x < image.width; x++) {
            const int dx = image.x + x;
            const int dy = image.y + y;
            const uint8_t v = image.pixels[y * image.width + x];
            if (dx < 0 || dx > 639 || dx >= pitch || dy < 0 || dy > 479) {
                continue;
            }
            if (!transparent || v != 0) {
                dest[static_cast<size_t>(dy) * pitch + dx] = v;
            }
        }
    }
    return dest;
}

void ExpectSame(const std::vector<uint8_t>& got, const std::vector<uint8_t>& want, int pitch,
                const char* what) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); i++) {
        ASSERT_EQ(got[i], want[i])
            << what << ": byte at (" << i % pitch << ", " << i / pitch << ")";
    }
}

// A destination of pitch bytes by 480 rows holding a pattern.
std::vector<uint8_t> Destination(int pitch) {
    std::vector<uint8_t> dest(static_cast<size_t>(pitch) * 480);
    for (size_t i = 0; i < dest.size(); i++) {
        dest[i] = static_cast<uint8_t>(i * 13 + 1);
    }
    return dest;
}

// Opaque and transparent drawing against the reference: widths around the eight-byte steps
// with patterns from solid to all holes, pitches wider and narrower than the screen, and
// rectangles across each edge of the clipping rectangle or wholly outside it. The buffer is
// exactly its size, so a write outside it is caught by the sanitizer build.
TEST_F(ImageTest, DrawingMatchesTheReferenceInsideTheScreenAndThePitch) {
    struct Case {
        int x, y, width, height, pitch, zero_percent;
    };
    std::vector<Case> cases = {{3, 2, 21, 5, 640, 100},
                               {10, 4, 50, 6, 1024, 0},
                               {90, 2, 20, 3, 100, 0},
                               {-5, -3, 20, 10, 640, 30},
                               {630, 470, 20, 20, 640, 30},
                               {-10, 100, 30, 5, 640, 30},
                               {620, 100, 30, 5, 640, 30},
                               {100, -4, 8, 8, 640, 30},
                               {100, 476, 8, 8, 640, 30},
                               {-1, -1, 642, 482, 640, 30},
                               {0, 0, 640, 480, 640, 30},
                               {640, 0, 8, 8, 640, 30},
                               {0, 480, 8, 8, 640, 30},
                               {-8, 0, 8, 8, 640, 30},
                               {0, -8, 8, 8, 640, 30},
                               {-2000000000, -2000000000, 10, 10, 640, 30},
                               {2000000000, 2000000000, 10, 10, 640, 30}};
    for (int width : {1, 7, 8, 9, 15, 16, 17, 40, 129}) {
        for (int zero_percent : {0, 10, 40, 90}) {
            cases.push_back({5, 7, width, 3, 640, zero_percent});
        }
    }
    for (const Case& c : cases) {
        ImageDestroy(&image_);
        ASSERT_EQ(ImageCreate(&image_, c.x, c.y, c.width, c.height), 1);
        FillRandom(&image_, c.zero_percent, static_cast<unsigned>(c.width * 100 + c.zero_percent));
        for (int transparent : {0, 1}) {
            std::vector<uint8_t> dest = Destination(c.pitch);
            const std::vector<uint8_t> want = Reference(image_, dest, c.pitch, transparent != 0);
            ASSERT_EQ(ImageDraw(&image_, dest.data(), c.pitch, transparent), 1);
            ExpectSame(dest, want, c.pitch, transparent ? "transparent" : "opaque");
        }
        if (HasFatalFailure()) {
            FAIL() << c.width << "x" << c.height << " at (" << c.x << ", " << c.y << "), pitch "
                   << c.pitch << ", " << c.zero_percent << "% zeros";
        }
    }
}

TEST_F(ImageTest, HighAndLowBytesAreNotTakenForZero) {
    ASSERT_EQ(ImageCreate(&image_, 0, 0, 16, 1), 1);
    const uint8_t row[16] = {0x80, 0, 0x01, 0x7F, 0xFF, 0, 0, 0x81, 0, 0x01, 0, 0, 0, 0, 0, 0x80};
    std::memcpy(image_.pixels, row, 16);
    image_.flags |= IMAGE_FLAG_LOADED;
    std::vector<uint8_t> dest = Destination(640);
    const std::vector<uint8_t> want = Reference(image_, dest, 640, true);
    ASSERT_EQ(ImageDraw(&image_, dest.data(), 640, 1), 1);
    ExpectSame(dest, want, 640, "edge bytes");
}

TEST_F(ImageTest, DrawRefusesMissingDestination) {
    ASSERT_EQ(ImageCreate(&image_, 0, 0, 4, 4), 1);
    image_.flags |= IMAGE_FLAG_LOADED;
    uint8_t byte = 0;
    EXPECT_EQ(ImageDraw(&image_, nullptr, 640, 0), 0);
    EXPECT_EQ(ImageDraw(&image_, &byte, 0, 0), 0);
    EXPECT_EQ(ImageDraw(nullptr, &byte, 640, 0), 0);
}

}  // namespace
