#ifndef QENT_TOOLS_SCENES_H
#define QENT_TOOLS_SCENES_H

// The three full-screen pictures: the marsh at dusk (play field), at night (title) and in red
// (game over). One world drawn under three lights.

#include "tools/asset_files.h"

constexpr int SCENE_WIDTH = 640;
constexpr int SCENE_HEIGHT = 480;

IndexedPicture ScenePlayField();  // "TOXICBG.BMP"
IndexedPicture SceneTitle();      // "start.BMP"
IndexedPicture SceneGameOver();   // "death.BMP"

#endif
