#ifndef QENT_APP_SHELL_H
#define QENT_APP_SHELL_H

// The application shell: the window, the message loop that runs one game frame per pass,
// and the window procedure.

#include <cstdint>

#include "platform/host.h"

// ---- The shell's globals, written once by WinMain before GameStartup
extern HostWindow* app_window;  // the main window; the target of the game's close request
extern void* app_instance;      // the module instance given to WinMain

// ---- The game's entry points as the shell calls them
struct ShellGame {
    int (*startup)();   // once, before the first frame
    int (*frame)();     // once per loop pass
    int (*teardown)();  // once, after the quit message
};

// GameStartup, GameFrame and GameTeardown unless a test puts its own in their place.
extern ShellGame shell_game;

// ---- Entry point and window procedure
// Registers "QENTCLASS", opens the window, starts the game and loops: at most one message
// and one frame per pass. Returns the quit code, or 0 when the window could not be made.
int WinMain(void* instance, void* previous_instance, const char* command_line, int show_command);
intptr_t WindowProc(HostWindow* window, uint32_t message, uintptr_t wparam, intptr_t lparam);

#endif
