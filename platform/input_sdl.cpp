// Placeholder until the input devices land: SDL events reach no device yet.
#include "platform/backend.h"

void HostInputSdlEvent(const void*) {}

int HostInputSdlOpen() {
    return 1;
}

void HostInputSdlClose() {}
