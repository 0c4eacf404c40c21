// The keyed copy's vector paths (each this processor runs) against a pixel-by-pixel
// reference: every width across the vector sizes, single keys and key ranges, pitches larger
// than the width, and rows that share bytes.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/blit.h"

namespace {

struct Key {
    uint8_t low;
    uint8_t high;
};

void Reference(uint8_t* dst, int dst_pitch, const uint8_t* src, int src_pitch, int w, int h,
               Key key) {
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint8_t value = src[y * src_pitch + x];
            if (value < key.low || value > key.high) {
                dst[y * dst_pitch + x] = value;
            }
        }
    }
}

class KeyedCopyTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        if (GetParam() > BlitKeyedBest()) {
            GTEST_SKIP() << BlitKeyedName(GetParam()) << " is not available here";
        }
        ASSERT_EQ(BlitKeyedUse(GetParam()), GetParam());
    }
    void TearDown() override {
        BlitKeyedUse(BlitKeyedBest());
    }
};

TEST_P(KeyedCopyTest, MatchesThePixelReference) {
    std::mt19937 random(7);
    const Key keys[] = {{0, 0}, {200, 200}, {10, 40}, {0, 254}, {1, 255}};
    const int h = 3;
    for (const Key key : keys) {
        for (int w = 1; w <= 140; ++w) {
            const int src_pitch = w + static_cast<int>(random() % 9);
            const int dst_pitch = w + static_cast<int>(random() % 40);
            // Guard bytes around the destination show a write outside the rectangle.
            std::vector<uint8_t> src(static_cast<size_t>(src_pitch) * h);
            for (uint8_t& value : src) {
                const uint32_t pick = random() % 10;
                value = pick < 4
                            ? static_cast<uint8_t>(key.low + random() % (key.high - key.low + 1))
                            : static_cast<uint8_t>(random());
            }
            std::vector<uint8_t> dst(static_cast<size_t>(dst_pitch) * h + 64);
            for (uint8_t& value : dst) {
                value = static_cast<uint8_t>(random());
            }
            std::vector<uint8_t> expected = dst;
            Reference(expected.data() + 32, dst_pitch, src.data(), src_pitch, w, h, key);
            BlitCopyKeyed(dst.data() + 32, dst_pitch, src.data(), src_pitch, w, h, key.low,
                          key.high);
            ASSERT_EQ(dst, expected) << BlitKeyedName(GetParam()) << ": width " << w << ", key "
                                     << int{key.low} << ".." << int{key.high};
        }
    }
}

TEST_P(KeyedCopyTest, RowsSharingBytesCopyFrontToBack) {
    for (const int shift : {1, 5, 31, -1, -17}) {
        for (const int w : {8, 40, 100}) {
            std::vector<uint8_t> buffer(300);
            for (size_t i = 0; i < buffer.size(); ++i) {
                buffer[i] = static_cast<uint8_t>(i % 7 == 0 ? 0 : i);
            }
            std::vector<uint8_t> expected = buffer;
            Reference(expected.data() + 100 + shift, 0, expected.data() + 100, 0, w, 1, Key{0, 0});
            BlitCopyKeyed(buffer.data() + 100 + shift, 0, buffer.data() + 100, 0, w, 1, 0, 0);
            ASSERT_EQ(buffer, expected)
                << BlitKeyedName(GetParam()) << ": shift " << shift << ", width " << w;
        }
    }
}

TEST_P(KeyedCopyTest, EmptyRectanglesWriteNothing) {
    std::vector<uint8_t> src(64, 9);
    std::vector<uint8_t> dst(64, 1);
    BlitCopyKeyed(dst.data(), 8, src.data(), 8, 0, 8, 0, 0);
    BlitCopyKeyed(dst.data(), 8, src.data(), 8, 8, 0, 0, 0);
    BlitCopyKeyed(dst.data(), 8, src.data(), 8, -3, 8, 0, 0);
    EXPECT_EQ(dst, std::vector<uint8_t>(64, 1));
}

INSTANTIATE_TEST_SUITE_P(EveryPath, KeyedCopyTest, ::testing::Values(0, 1, 2, 3),
                         [](const ::testing::TestParamInfo<int>& param_info) {
                             const char* name = BlitKeyedName(param_info.param);
                             return std::string(*name != '\0' ? name : "none") + "_" +
                                    std::to_string(param_info.param);
                         });

TEST(KeyedCopyLevels, BestIsChosenAndOutOfRangeIsIgnored) {
    const int best = BlitKeyedBest();
    EXPECT_EQ(BlitKeyedUse(best + 1), best);
    EXPECT_EQ(BlitKeyedUse(-1), best);
    EXPECT_STREQ(BlitKeyedName(0), "scalar");
    EXPECT_STREQ(BlitKeyedName(99), "");
}

}  // namespace
