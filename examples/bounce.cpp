// Bounce: balls that bounce off the screen's edges, drawn with index 0 transparent. Their
// frames come from a sprite sheet painted in memory in the library's bordered cell grid.
#include <qent/qent.h>

#include <vector>

constexpr int BALL_SIZE = 33;  // the last column and row of a frame are never drawn
constexpr int BALL_FRAMES = 8;
constexpr int BALL_COUNT = 6;
constexpr uint8_t BALL_DARK = 1;  // palette entries of the ball's two shades
constexpr uint8_t BALL_LIGHT = 2;
constexpr uint8_t BOUNCE_SKY = 3;

BOB bounce_balls[BALL_COUNT];  // ball 0 owns the frames; the others are copies of it
std::vector<uint8_t> bounce_sheet_pixels;

// A row of cells, each BALL_SIZE square behind a one-pixel border: a disc whose light
// stripe turns a little further in every frame. Outside the disc stays 0, the transparent.
BitmapFile BounceSheet() {
    BitmapFile sheet{};
    sheet.info_header.biWidth = BALL_FRAMES * (BALL_SIZE + 1) + 1;
    sheet.info_header.biHeight = BALL_SIZE + 2;
    sheet.info_header.biBitCount = 8;
    bounce_sheet_pixels.assign(sheet.info_header.biWidth * sheet.info_header.biHeight, 0);
    for (int frame = 0; frame < BALL_FRAMES; frame++) {
        for (int y = 0; y < BALL_SIZE - 1; y++) {
            for (int x = 0; x < BALL_SIZE - 1; x++) {
                const int dx = 2 * x - (BALL_SIZE - 2), dy = 2 * y - (BALL_SIZE - 2);
                if (dx * dx + dy * dy > (BALL_SIZE - 2) * (BALL_SIZE - 2)) {
                    continue;
                }
                const bool stripe = ((x + y + 4 * frame) / 6) % 2 == 0;
                const int left = frame * (BALL_SIZE + 1) + 1, top = 1;  // the bordered grid
                bounce_sheet_pixels[(top + y) * sheet.info_header.biWidth + left + x] =
                    stripe ? BALL_LIGHT : BALL_DARK;
            }
        }
    }
    sheet.pixels = bounce_sheet_pixels.data();
    return sheet;
}

int BounceStartup() {
    DisplayInit(640, 480, 8);
    const PaletteEntry colours[] = {
        {200, 40, 40, PC_NOCOLLAPSE}, {250, 220, 120, PC_NOCOLLAPSE}, {20, 30, 70, PC_NOCOLLAPSE}};
    for (int i = 0; i < 3; i++) {
        PaletteSetEntry(BALL_DARK + i, &colours[i]);
    }
    HostRect screen{0, 0, display_width, display_height};
    display_clipper = ClipperAttach(back_surface, 1, &screen);  // BobDraw is cut by it

    const BitmapFile sheet = BounceSheet();
    BobCreate(&bounce_balls[0], 0, 0, BALL_SIZE, BALL_SIZE, BALL_FRAMES,
              BOB_FLAG_VISIBLE | BOB_FLAG_FRAME_CYCLE | BOB_FLAG_BOUNCE, DDSCAPS_SYSTEMMEMORY);
    for (int frame = 0; frame < BALL_FRAMES; frame++) {
        BobLoadFrame(&bounce_balls[0], &sheet, frame, frame, 0, LOAD_BY_CELL);
    }
    for (int i = 0; i < BALL_COUNT; i++) {
        if (i > 0) {
            BobCopy(&bounce_balls[0], &bounce_balls[i]);
        }
        BobSetPosition(&bounce_balls[i], 60 + 90 * i, 40 + 60 * i);
        BobSetVelocity(&bounce_balls[i], 3 + i, i % 2 == 0 ? 4 : -5);
        BobSetSpeed(&bounce_balls[i], 2 + i % 3);
    }
    InputInit();
    return KeyboardInit();
}

int BounceFrame() {
    ClockMark();
    SurfaceFill(back_surface, BOUNCE_SKY);
    for (BOB& ball : bounce_balls) {
        BobMove(&ball);
        BobAnimate(&ball);
        BobDraw(&ball, back_surface);
    }
    TextDraw("Bounce: BOBs with index 0 transparent. Escape quits.", 12, 452, 0xFFFFFF,
             back_surface);
    DisplayFlip();
    if (KeyboardRead() && key_states[DIK_ESCAPE]) {
        HostPostMessage(app_window, WM_CLOSE, 0, 0);
    }
    ClockWait(33);
    return 1;
}

int BounceTeardown() {
    for (int i = BALL_COUNT - 1; i >= 0; i--) {  // copies first: ball 0 owns the frames
        BobDestroy(&bounce_balls[i]);
    }
    KeyboardRelease();
    InputShutdown();
    return DisplayShutdown();
}

int main(int argc, char** argv) {
    const ShellGame bounce = {BounceStartup, BounceFrame, BounceTeardown, "Bounce"};
    return ShellMain(argc, argv, &bounce);
}
