#ifndef QENT_TOOLS_SPRITES_H
#define QENT_TOOLS_SPRITES_H

// The sprite art: the mallard (flying and shot), the scanning sight and the lock-on sight,
// drawn on true-colour canvases, and the bordered one-row sprite sheets the game cuts frames from.

#include <cstdint>
#include <vector>

#include "tools/paint.h"

struct DuckPose {
    float wing_degrees;  // near wing: + raised, - lowered
    Affine place;        // duck coordinates (a 128 by 64 cell, head to the left) to the canvas
    bool dead;           // crossed-out eye, open beak, feet hanging
};

void DrawDuck(Canvas* canvas, const DuckPose& pose);
void DrawDuckSilhouette(Canvas* canvas, const DuckPose& pose, Rgb colour);

// Sights centred on (cx, cy) in canvas coordinates; radius 30 at scale 1.
void DrawScanSight(Canvas* canvas, float cx, float cy, float scale, int frame);  // frame 0..3
void DrawLockSight(Canvas* canvas, float cx, float cy, float scale, int frame);  // frame 0..6

// A sheet of one row of bordered cells: width n(w + 1) + 1, height h + 2, as palette indices.
struct SpriteSheet {
    int width;
    int height;
    std::vector<uint8_t> pixels;  // rows top-down
};

SpriteSheet SheetScanning();
SpriteSheet SheetLockedOn();
SpriteSheet SheetDuck();
SpriteSheet SheetDeadDuck();

#endif
