// The application's window and instance: the library's, written by the application.
#include "lib/app.h"

HostWindow* app_window = nullptr;
void* app_instance = nullptr;
