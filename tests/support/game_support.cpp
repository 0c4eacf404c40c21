#include "tests/support/game_support.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/shell.h"
#include "game/game.h"
#include "lib/input.h"
#include "lib/sound.h"
#include "platform/headless.h"
#include "platform/host_audio.h"
#include "platform/host_input.h"
#include "tests/support/common_support.h"

namespace {

// Removed when the test process ends.
struct ScratchFolders {
    std::vector<std::string> paths;
    ~ScratchFolders() {
        for (const std::string& path : paths) {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    }
};

ScratchFolders scratch;

std::string MakeScratchFolder() {
    std::string path = MakeTempFolder("qent_game_");
    if (!path.empty()) {
        scratch.paths.push_back(path);
    }
    return path;
}

char test_instance;

}  // namespace

const std::string& GameAssetFolder() {
    static const std::string folder = [] {
        if (!PreparedAssetFolder().empty()) {
            return PreparedAssetFolder();
        }
        std::string path = MakeScratchFolder();
        std::string command = std::string(QENT_BINARY_DIR "/make_assets ") + path + " >/dev/null";
        if (path.empty() || std::system(command.c_str()) != 0) {
            return std::string();
        }
        return path;
    }();
    return folder;
}

std::string GameAssetCopy() {
    const std::string& source = GameAssetFolder();
    std::string copy = MakeScratchFolder();
    if (source.empty() || copy.empty()) {
        return "";
    }
    std::error_code error;
    std::filesystem::copy(source, copy,
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing,
                          error);
    return error ? std::string() : copy;
}

uint64_t GameFrameHash() {
    int32_t width = 0;
    int32_t height = 0;
    const uint8_t* pixels = HeadlessFramePixels(&width, &height);
    const PaletteEntry* palette = HeadlessFramePalette();
    uint64_t hash = 0xcbf29ce484222325ULL;
    auto add = [&hash](uint8_t byte) {
        hash ^= byte;
        hash *= 0x100000001b3ULL;
    };
    if (pixels == nullptr || palette == nullptr) {
        return 0;
    }
    for (int64_t i = 0; i < int64_t{width} * height; i++) {
        add(pixels[i]);
    }
    for (int i = 0; i < 256; i++) {
        add(palette[i].red);
        add(palette[i].green);
        add(palette[i].blue);
    }
    return hash;
}

int GameFrameDiffers(const uint8_t* image_pixels, int left, int top, int right, int bottom) {
    int32_t width = 0;
    int32_t height = 0;
    const uint8_t* pixels = HeadlessFramePixels(&width, &height);
    if (pixels == nullptr || image_pixels == nullptr || width != 640 || height != 480) {
        return -1;
    }
    int count = 0;
    for (int y = std::max(top, 0); y < std::min(bottom, 480); y++) {
        for (int x = std::max(left, 0); x < std::min(right, 640); x++) {
            count += pixels[y * 640 + x] != image_pixels[y * 640 + x] ? 1 : 0;
        }
    }
    return count;
}

void GameTest::SetUp() {
    StartIn("");
}

void GameTest::StartIn(const std::string& folder) {
    started = false;
    HeadlessReset();
    HostInputReset();
    HostRefuse(refuse_at_start);
    // Busy waits end: every clock read moves the manual clock on by a millisecond.
    HeadlessSetAutoAdvance(1);
    const std::string& assets = folder.empty() ? GameAssetFolder() : folder;
    ASSERT_FALSE(assets.empty()) << "the asset generator " QENT_BINARY_DIR
                                    "/make_assets did not run; build the make_assets target";
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    if (old_folder.empty()) {
        old_folder = here;
    }
    ASSERT_EQ(chdir(assets.c_str()), 0) << assets;

    GameResetVariables();
    sound_init_pending = 1;
    ASSERT_NE(ShellCreateWindow(&test_instance, GAME_TITLE), nullptr);
    GameStartup();
    started = true;
}

void GameTest::TearDown() {
    if (started && !torn_down) {
        GameTeardown();
    }
    HostInputReset();
    HeadlessReset();
    if (!old_folder.empty()) {
        EXPECT_EQ(chdir(old_folder.c_str()), 0);
    }
}

void GameTest::RunFrames(int count) {
    ASSERT_TRUE(started) << "the game was not started";
    for (int i = 0; i < count; i++) {
        GameFrame();
    }
}

void GameTest::Key(int key, bool down) {
    HostInputKey(key, down ? 1 : 0);
}

void GameTest::Button(bool down) {
    HostInputMouseButton(0, down ? 1 : 0);
}

void GameTest::Motion(int dx, int dy) {
    HostInputMouseMotion(dx, dy);
}

void GameTest::StartPlaying() {
    game_state = GAME_STATE_TITLE;
    Key(DIK_RETURN, true);
    RunFrames(1);
    Key(DIK_RETURN, false);
    ASSERT_EQ(game_state, GAME_STATE_PLAYING);
}

void GameTest::PlaceForShot(int x, int y, int cx, int cy) {
    BobSetVelocity(&duck_bob, 0, 0);
    BobSetPosition(&duck_bob, x, y);
    BobSetPosition(&crosshair_bob, cx - crosshair_bob.width / 2, cy - crosshair_bob.height / 2);
}
