// The device of programs linked without one (tests, tools): the host stays headless.
#include "platform/backend.h"

const HostBackendOps* HostDeviceBackend() {
    return nullptr;
}
