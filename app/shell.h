#ifndef QENT_APP_SHELL_H
#define QENT_APP_SHELL_H

// The application shell, for any game on the library: the window, the message loop that runs
// one game frame per pass, the window procedure, and a main() that opens the screen around
// them. A game supplies its three entry points and its title; the shell calls nothing else.

#include <cstdint>

#include "lib/app.h"
#include "platform/host.h"

// ---- The game as the shell runs it
struct ShellGame {
    int (*startup)();   // once, before the first frame (null: nothing)
    int (*frame)();     // once per loop pass; it paces the loop (null: nothing)
    int (*teardown)();  // once, after the quit message (null: nothing)
    const char* title;  // the window's title; null for "Qent"
};

// What WinMain runs; ShellRun sets it. Empty at start.
extern ShellGame shell_game;

// ---- Entry point and window procedure
// Opens the window (ShellCreateWindow), starts the game and loops: at most one message and
// one frame per pass. Returns the quit code, or 0 when the window could not be made.
int WinMain(void* instance, void* previous_instance, const char* command_line, int show_command);
// WM_PAINT validates, WM_DESTROY posts the quit message, the rest goes to HostDefWindowProc.
intptr_t WindowProc(HostWindow* window, uint32_t message, uintptr_t wparam, intptr_t lparam);
// Registers the window class "QENTCLASS" with WindowProc, opens the window with title (null:
// "Qent") and stores it and instance in app_window and app_instance. Null when refused.
HostWindow* ShellCreateWindow(void* instance, const char* title);

// ---- Running a game
struct ShellOptions {
    int windowed;  // 1: a window at twice the frame size; 0: full screen
    int headless;  // 1: no screen, no sound device; the clock moves 1 ms per read
    int frames;    // > 0: the window is closed after this many frames (WM_CLOSE)
    // 1: the program ends when ShellRun returns, so once the loop is over the device's own
    // teardown is left to the system (HostSetProcessEnding) and the exit is quick.
    int process_ends;
};

constexpr int SHELL_NO_SCREEN = 1;  // ShellRun's result when the screen cannot be opened

// Opens the screen and devices, runs WinMain with game and closes them again. The quit code,
// or SHELL_NO_SCREEN with HostError saying why.
int ShellRun(const ShellGame* game, const ShellOptions* options);
// A whole main(): reads --window, --headless, --frames N and --help, then ShellRun. An unknown
// flag prints the usage and returns 2; a screen that cannot be opened prints one line and
// returns 1.
int ShellMain(int argc, char** argv, const ShellGame* game);

#endif
