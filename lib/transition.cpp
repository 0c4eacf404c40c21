#include "lib/transition.h"

#include <cstdlib>

#include "lib/clock.h"
#include "lib/display.h"
#include "lib/draw.h"
#include "lib/palette.h"

namespace {

constexpr uint32_t STEP_MS = 12;
constexpr int FADE_BLACK_STEPS = 80;
constexpr int FADE_STEPS = 64;

void StepWait() {
    ClockMark();
    ClockWait(STEP_MS);
}

uint8_t Lower(uint8_t value, int amount) {
    return static_cast<uint8_t>(value > amount ? value - amount : 0);
}

uint8_t Raise(uint8_t value, int amount) {
    return static_cast<uint8_t>(value + amount < 255 ? value + amount : 255);
}

// Each step starts from the palette the last one set, so the changes add up. Flags pass
// through untouched.
void Fade(int32_t kind) {
    int steps = kind == TRANSITION_FADE_BLACK ? FADE_BLACK_STEPS : FADE_STEPS;
    PaletteEntry work_palette[256];
    for (int step = 0; step < steps; step++) {
        PaletteGetAll(work_palette);
        for (int color = 0; color < 256; color++) {
            PaletteEntry& entry = work_palette[color];
            switch (kind) {
                case TRANSITION_FADE_BLACK:
                    // Entry 0 is the clear colour and keeps its colour; the others go down
                    // by 3, and a channel of 4 or less drops to 0.
                    if (color != 0) {
                        entry.red = static_cast<uint8_t>(entry.red > 4 ? entry.red - 3 : 0);
                        entry.green = static_cast<uint8_t>(entry.green > 4 ? entry.green - 3 : 0);
                        entry.blue = static_cast<uint8_t>(entry.blue > 4 ? entry.blue - 3 : 0);
                    }
                    break;
                case TRANSITION_FADE_WHITE:
                    entry.red = Raise(entry.red, 4);
                    entry.green = Raise(entry.green, 4);
                    entry.blue = Raise(entry.blue, 4);
                    break;
                case TRANSITION_FADE_BLUE:
                    entry.red = Lower(entry.red, 4);
                    entry.green = Lower(entry.green, 4);
                    entry.blue = Raise(entry.blue, 6);
                    break;
                case TRANSITION_FADE_RED:
                    entry.red = Raise(entry.red, 6);
                    entry.green = Lower(entry.green, 4);
                    entry.blue = Lower(entry.blue, 4);
                    break;
                default:  // TRANSITION_FADE_GREEN
                    entry.red = Lower(entry.red, 4);
                    entry.green = Raise(entry.green, 6);
                    entry.blue = Lower(entry.blue, 4);
                    break;
            }
        }
        PaletteSetAll(work_palette);
        StepWait();
    }
}

// The lines clip to the clipping rectangle, which can be larger than the display: a row or
// column outside the display (row 1 of a display one row high) is left out here.
void PaintRow(int32_t y, int32_t width, int32_t height, uint8_t* buffer, int32_t pitch) {
    if (y >= 0 && y < height) {
        HLineDraw(0, width - 1, y, 0, buffer, pitch);
    }
}

void PaintColumn(int32_t x, int32_t width, int32_t height, uint8_t* buffer, int32_t pitch) {
    if (x >= 0 && x < width) {
        VLineDraw(0, height - 1, x, 0, buffer, pitch);
    }
}

void PaintRows(int32_t m, int32_t width, int32_t height, uint8_t* buffer, int32_t pitch) {
    PaintRow(height - 1 - m, width, height, buffer, pitch);
    PaintRow(m, width, height, buffer, pitch);
    PaintRow(height - 2 - m, width, height, buffer, pitch);
    PaintRow(m + 1, width, height, buffer, pitch);
}

void PaintColumns(int32_t i, int32_t width, int32_t height, uint8_t* buffer, int32_t pitch) {
    PaintColumn(width - 1 - i, width, height, buffer, pitch);
    PaintColumn(i, width, height, buffer, pitch);
    PaintColumn(width - 2 - i, width, height, buffer, pitch);
    PaintColumn(i + 1, width, height, buffer, pitch);
}

void Paint(int32_t kind, uint8_t* buffer, int32_t pitch) {
    int32_t width = display_width;
    int32_t height = display_height;
    if (buffer == nullptr || width < 1 || height < 1) {
        return;
    }
    switch (kind) {
        case TRANSITION_CLOSE_COLUMNS:
            for (int32_t i = 0; i < width / 2; i += 2) {
                StepWait();
                PaintColumns(i, width, height, buffer, pitch);
            }
            break;
        case TRANSITION_CLOSE_ROWS:
            for (int32_t i = 0; i < height / 2; i += 2) {
                StepWait();
                PaintRows(i, width, height, buffer, pitch);
            }
            break;
        case TRANSITION_CLOSE_BOX:
            // The rows meet first on a wide screen; from then on they start again from the
            // edges while the columns close.
            for (int32_t i = 0; i < width / 2; i += 2) {
                StepWait();
                PaintRows(height / 2 > 0 ? i % (height / 2) : 0, width, height, buffer, pitch);
                PaintColumns(i, width, height, buffer, pitch);
            }
            break;
        default: {  // TRANSITION_DISSOLVE: unpaced, and a pixel may be hit twice
            int64_t last = 4 * static_cast<int64_t>(width) * height;
            for (int64_t i = 0; i <= last; i++) {
                int32_t row = std::rand() % height;
                int32_t column = std::rand() % width;
                PixelPlot(column, row, 0, buffer, pitch);
            }
            break;
        }
    }
}

}  // namespace

void TransitionPlay(int32_t kind, uint8_t* buffer, int32_t pitch) {
    switch (kind) {
        case TRANSITION_FADE_BLACK:
        case TRANSITION_FADE_WHITE:
        case TRANSITION_FADE_BLUE:
        case TRANSITION_FADE_RED:
        case TRANSITION_FADE_GREEN:
            Fade(kind);
            break;
        case TRANSITION_CLOSE_COLUMNS:
        case TRANSITION_CLOSE_ROWS:
        case TRANSITION_DISSOLVE:
        case TRANSITION_CLOSE_BOX:
            Paint(kind, buffer, pitch);
            break;
        default:  // above 8 or negative
            break;
    }
}
