// Fade: a starfield that twinkles by rotating part of the palette, a line of text, and a fade
// to black on Escape. It opens its own window and runs its own loop, without the shell.
//   fade [--window | --headless]     (--headless: 90 frames on no screen, then the fade)
#include <qent/qent.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

constexpr int STAR_COUNT = 400;
constexpr int TWINKLE_FIRST = 16;  // palette entries 16..47 hold the stars' shades
constexpr int TWINKLE_COUNT = 32;
constexpr int HEADLESS_FRAMES = 90;

int star_x[STAR_COUNT];
int star_y[STAR_COUNT];

intptr_t FadeWindowProc(HostWindow* window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    if (message == WM_DESTROY) {
        HostPostQuitMessage(0);
        return 0;
    }
    return HostDefWindowProc(window, message, wparam, lparam);
}

void FadeStartup() {
    DisplayInit(640, 480, 8);
    for (int i = 0; i < TWINKLE_COUNT; i++) {  // a triangle of brightness round the ring
        const int level = 40 + 13 * (i < TWINKLE_COUNT / 2 ? i : TWINKLE_COUNT - 1 - i);
        const uint8_t v = static_cast<uint8_t>(level);
        const PaletteEntry shade = {v, v, static_cast<uint8_t>(level + 20), PC_NOCOLLAPSE};
        PaletteSetEntry(TWINKLE_FIRST + i, &shade);
    }
    std::srand(7);
    for (int i = 0; i < STAR_COUNT; i++) {
        star_x[i] = std::rand() % 640;
        star_y[i] = std::rand() % 440;
    }
    InputInit();
    KeyboardInit();
}

// One frame; 0 once Escape is down.
int FadeFrame() {
    ClockMark();
    SurfaceFill(back_surface, 0);
    uint8_t* pixels = BackLock();
    for (int i = 0; i < STAR_COUNT; i++) {
        PixelPlot(star_x[i], star_y[i], TWINKLE_FIRST + i % TWINKLE_COUNT, pixels, back_pitch);
    }
    BackUnlock();
    TextDraw("Palette rotation twinkles the stars. Escape fades out.", 120, 452, 0xC0C0C0,
             back_surface);
    DisplayFlip();
    PaletteRotate(TWINKLE_FIRST, TWINKLE_COUNT);  // shows at once: the palette is the screen's
    KeyboardRead();
    ClockWait(33);
    return key_states[DIK_ESCAPE] ? 0 : 1;
}

void FadeTeardown() {
    KeyboardRelease();
    InputShutdown();
    DisplayShutdown();
}

int main(int argc, char** argv) {
    const bool headless = argc > 1 && std::strcmp(argv[1], "--headless") == 0;
    HostOptions options = {headless ? HOST_BACKEND_HEADLESS : HOST_BACKEND_DEVICE,
                           argc > 1 && std::strcmp(argv[1], "--window") == 0};
    if (!HostStartup(&options)) {
        std::fprintf(stderr, "fade: %s\n", HostError());
        return 1;
    }
    if (headless) {
        HeadlessSetAutoAdvance(1);  // no screen to wait for: every clock read moves on 1 ms
    }
    static char instance;
    HostRegisterClass("FADE", FadeWindowProc);
    app_window = HostCreateWindow("FADE", "Fade", 0, 0, 640, 480);
    app_instance = &instance;
    FadeStartup();

    HostMessage msg{};
    for (int frame = 1, closing = 0;; frame++) {
        if (HostPeekMessage(&msg)) {
            if (msg.message == WM_QUIT) {
                break;
            }
            HostDispatchMessage(&msg);
        }
        if (!closing && (!FadeFrame() || (headless && frame == HEADLESS_FRAMES))) {
            TransitionPlay(TRANSITION_FADE_BLACK, nullptr, 0);  // 80 steps of 12 ms
            HostPostMessage(app_window, WM_CLOSE, 0, 0);
            closing = 1;
        }
    }
    FadeTeardown();
    HostShutdown();
    return static_cast<int>(msg.wparam);
}
