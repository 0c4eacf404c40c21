#ifndef QENT_TESTS_GAME_SUPPORT_H
#define QENT_TESTS_GAME_SUPPORT_H

// A whole game on the headless host for scenario tests: the generated assets in a scratch
// folder, the window, start-up and teardown, frames driven one by one with scripted input.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "lib/bob.h"

// The folder the asset generator wrote the nine files into, made once per test process;
// empty when the generator could not be run.
const std::string& GameAssetFolder();
// A fresh copy of the asset folder that a test may change; empty on failure.
std::string GameAssetCopy();

// FNV-1a 64 over the last presented frame: its pixels, then its palette's 256 entries.
uint64_t GameFrameHash();
// Pixels of the last presented frame inside the rectangle that differ from image's.
int GameFrameDiffers(const uint8_t* image_pixels, int left, int top, int right, int bottom);

class GameTest : public ::testing::Test {
protected:
    void SetUp() override;     // headless, in the asset folder, window made, GameStartup
    void TearDown() override;  // GameTeardown unless a test did, back to the old folder

    // Starts the game in folder (the asset folder when empty); used by SetUp.
    void StartIn(const std::string& folder);
    void RunFrames(int count);  // GameFrame count times
    void Key(int key, bool down);
    void Button(bool down);  // the left mouse button
    void Motion(int dx, int dy);
    // Leaves the intro for play, through the title and an Enter press, Enter released again.
    void StartPlaying();
    // Holds the duck still at (x, y) and puts the cross-hair's centre at (cx, cy).
    void PlaceForShot(int x, int y, int cx, int cy);

    uint32_t refuse_at_start = 0;  // HOST_REFUSE_* bits for the next StartIn
    bool started = false;
    bool torn_down = false;
    std::string old_folder;
};

#endif
