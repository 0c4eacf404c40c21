#ifndef QENT_GAME_GAME_H
#define QENT_GAME_GAME_H

// The game's three entry points, called by the shell.

int GameStartup();   // once, after the window is made
int GameFrame();     // one frame per loop pass, paced to 33 ms
int GameTeardown();  // once, after the quit message

#endif
