#ifndef QENT_GAME_ICON_H
#define QENT_GAME_ICON_H

// The game's icon: the duck in the locked-on sight, made from the game's own pictures, for
// the window and for the icon files the installation carries.

#include <cstdint>
#include <vector>

constexpr int GAME_ICON_LARGEST = 256;

// The icon at size x size (1..256) as RGBA, 4 bytes a pixel, transparent around the art;
// from "Duck.bmp" and "Lockedon.bmp" in dir. Empty when a picture cannot be read.
std::vector<uint8_t> GameIconMake(const char* dir, int size);

#endif
