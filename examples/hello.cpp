// Hello: a window, a line of text, and Escape to quit.
#include <qent/qent.h>

int HelloStartup() {
    DisplayInit(640, 480, 8);
    InputInit();
    return KeyboardInit();
}

int HelloFrame() {
    ClockMark();
    SurfaceFill(back_surface, 0);
    TextDraw("Hello from Qent! Escape quits.", 214, 232, 0x00FFFFFF, back_surface);
    DisplayFlip();
    if (KeyboardRead() && key_states[DIK_ESCAPE]) {
        HostPostMessage(app_window, WM_CLOSE, 0, 0);
    }
    ClockWait(33);
    return 1;
}

int main(int argc, char** argv) {
    const ShellGame hello = {HelloStartup, HelloFrame, DisplayShutdown, "Hello"};
    return ShellMain(argc, argv, &hello);
}
