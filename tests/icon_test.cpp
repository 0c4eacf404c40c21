// The game's icon, made from its own sprites, and the host keeping it for the window.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/icon.h"
#include "platform/headless.h"
#include "tests/support/game_support.h"

namespace {

uint8_t Alpha(const std::vector<uint8_t>& icon, int size, int x, int y) {
    return icon[(static_cast<size_t>(y) * size + x) * 4 + 3];
}

TEST(GameIcon, TheDuckInTheSightAtEverySizeTransparentAround) {
    const std::string& assets = GameAssetFolder();
    ASSERT_FALSE(assets.empty());
    for (int size : {16, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE("size " + std::to_string(size));
        const std::vector<uint8_t> icon = GameIconMake(assets.c_str(), size);
        ASSERT_EQ(icon.size(), static_cast<size_t>(size) * size * 4);
        EXPECT_EQ(Alpha(icon, size, 0, 0), 0) << "the corners are see-through";
        EXPECT_EQ(Alpha(icon, size, size - 1, size - 1), 0);
        int opaque = 0;
        int coloured = 0;
        for (int i = 0; i < size * size; i++) {
            opaque += icon[i * 4 + 3] > 128;
            const uint8_t r = icon[i * 4], g = icon[i * 4 + 1], b = icon[i * 4 + 2];
            coloured += icon[i * 4 + 3] > 128 && (r != g || g != b);
        }
        EXPECT_GT(opaque, size * size / 5) << "the art covers a good part of the square";
        EXPECT_GT(coloured, opaque / 2) << "in the sprites' colours, not grey";
    }
}

TEST(GameIcon, RefusedWithoutItsPicturesOrAtABadSize) {
    EXPECT_TRUE(GameIconMake("/nonexistent", 64).empty());
    const std::string& assets = GameAssetFolder();
    EXPECT_TRUE(GameIconMake(assets.c_str(), 0).empty());
    EXPECT_TRUE(GameIconMake(assets.c_str(), 257).empty());
    EXPECT_TRUE(GameIconMake(nullptr, 64).empty());
}

TEST(HostIcon, KeptForTheWindowWhenItsSizeIsOne) {
    HeadlessReset();
    const std::vector<uint8_t> rgba(64 * 64 * 4, 200);
    EXPECT_EQ(HostSetIcon(rgba.data(), 64, 64), 1);
    EXPECT_EQ(HostSetIcon(rgba.data(), 1, 1), 1);
    EXPECT_EQ(HostSetIcon(nullptr, 64, 64), 0);
    EXPECT_EQ(HostSetIcon(rgba.data(), 0, 64), 0);
    EXPECT_EQ(HostSetIcon(rgba.data(), 64, 257), 0);
    HeadlessReset();
}

}  // namespace
