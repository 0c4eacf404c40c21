#ifndef QENT_LIB_APP_H
#define QENT_LIB_APP_H

// The application's main window and module instance. The application sets both before
// DisplayInit, InputInit, KeyboardInit, MouseInit, JoystickInit and SoundInit, which take the
// window for their cooperative levels and the instance for the input root (the shell's
// ShellCreateWindow does it). A game posts its close request to app_window.

#include "platform/host.h"

extern HostWindow* app_window;  // the main window; null until the application has one
extern void* app_instance;      // any non-null token standing for the program's module

#endif
