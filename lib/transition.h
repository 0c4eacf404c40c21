#ifndef QENT_LIB_TRANSITION_H
#define QENT_LIB_TRANSITION_H

// Whole-screen effects: palette fades and painting the screen over with index 0, each played
// to its end before the call returns, paced at 12 ms a step.

#include <cstdint>

constexpr int32_t TRANSITION_FADE_BLACK = 0;     // 80 steps of -3 a channel; entry 0 kept
constexpr int32_t TRANSITION_FADE_WHITE = 1;     // 64 steps to (255, 255, 255)
constexpr int32_t TRANSITION_CLOSE_COLUMNS = 2;  // columns from the left and right edges in
constexpr int32_t TRANSITION_CLOSE_ROWS = 3;     // rows from the top and bottom edges in
constexpr int32_t TRANSITION_DISSOLVE = 4;       // 4 x W x H + 1 random pixels, unpaced
constexpr int32_t TRANSITION_CLOSE_BOX = 5;      // rows and columns in together
constexpr int32_t TRANSITION_FADE_BLUE = 6;      // 64 steps to (0, 0, 255)
constexpr int32_t TRANSITION_FADE_RED = 7;       // 64 steps to (255, 0, 0)
constexpr int32_t TRANSITION_FADE_GREEN = 8;     // 64 steps to (0, 255, 0)

// Plays one effect; any other kind does nothing. The fades ignore buffer and pitch; the
// painting kinds draw into the locked display-sized buffer and do nothing when it is null.
void TransitionPlay(int32_t kind, uint8_t* buffer, int32_t pitch);

#endif
