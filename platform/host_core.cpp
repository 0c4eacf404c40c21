// The host core: backend selection, windows and the message queue, time, and the
// refusals that tests use to stand in for a device saying no.

#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/headless.h"
#include "platform/host.h"
#include "platform/host_input.h"

struct HostWindow {
    HostWindowProc proc = nullptr;
    std::string title;
    int destroyed = 0;
    int paint_pending = 0;  // invalid until validated, as a new visible window is
};

namespace {

struct CoreState {
    const HostBackendOps* backend = &host_backend_headless;
    std::string error;
    std::map<std::string, HostWindowProc> classes;
    std::vector<std::unique_ptr<HostWindow>> windows;
    HostWindow* main_window = nullptr;
    std::deque<HostMessage> queue;
    int quit_pending = 0;
    int quit_code = 0;
    int cursor_count = 0;  // the cursor shows while this is >= 0
    uint32_t refused = 0;
    std::vector<uint8_t> icon;  // RGBA, icon_width x icon_height
    int32_t icon_width = 0;
    int32_t icon_height = 0;
    int process_ending = 0;
};

CoreState& Core() {
    static CoreState state;
    return state;
}

}  // namespace

// ---------------------------------------------------------------------------
// Start-up and backends

int HostStartup(const HostOptions* options) {
    CoreState& core = Core();
    core.error.clear();
    core.process_ending = 0;
    if (options == nullptr || options->backend == HOST_BACKEND_HEADLESS) {
        HostShutdown();
        return 1;
    }
    if (options->backend != HOST_BACKEND_DEVICE) {
        core.error = "unknown backend";
        return 0;
    }
    const HostBackendOps* device = HostDeviceBackend();
    if (device == nullptr) {
        core.error = "this program was built without a display device (headless only)";
        return 0;
    }
    HostShutdown();
    std::string error;
    if (!device->open(options, &error)) {
        core.error = error.empty() ? "the display could not be opened" : error;
        return 0;
    }
    core.backend = device;
    if (!core.icon.empty() && device->set_icon != nullptr) {
        device->set_icon(core.icon.data(), core.icon_width, core.icon_height);
    }
    return 1;
}

void HostShutdown() {
    CoreState& core = Core();
    if (core.backend != &host_backend_headless) {
        core.backend->close();
        core.backend = &host_backend_headless;
    }
}

void HostSetProcessEnding() {
    Core().process_ending = 1;
}

int HostProcessEnding() {
    return Core().process_ending;
}

int HostBackend() {
    return Core().backend == &host_backend_headless ? HOST_BACKEND_HEADLESS : HOST_BACKEND_DEVICE;
}

const char* HostError() {
    return Core().error.c_str();
}

void HostReportFailure(const char* line) {
    std::fprintf(stderr, "%s\n", line != nullptr ? line : "");
    std::fflush(stderr);
    const HostBackendOps* device = HostDeviceBackend();
    if (device != nullptr && device->report != nullptr) {
        device->report(line != nullptr ? line : "");
    }
}

const HostBackendOps* HostBackendCurrent() {
    return Core().backend;
}

HostWindow* HostMainWindow() {
    return Core().main_window;
}

// ---------------------------------------------------------------------------
// Refusals

void HostRefuse(uint32_t operations) {
    Core().refused = operations;
}

uint32_t HostRefused() {
    return Core().refused;
}

// ---------------------------------------------------------------------------
// Window and messages

int HostRegisterClass(const char* class_name, HostWindowProc proc) {
    CoreState& core = Core();
    if (class_name == nullptr || proc == nullptr || (core.refused & HOST_REFUSE_REGISTER_CLASS)) {
        return 0;
    }
    // A class name is registered once, as on the original platform.
    return core.classes.emplace(class_name, proc).second ? 1 : 0;
}

HostWindow* HostCreateWindow(const char* class_name, const char* title, int, int, int, int) {
    CoreState& core = Core();
    if (class_name == nullptr || (core.refused & HOST_REFUSE_CREATE_WINDOW)) {
        return nullptr;
    }
    auto found = core.classes.find(class_name);
    if (found == core.classes.end()) {
        return nullptr;
    }
    auto window = std::make_unique<HostWindow>();
    window->proc = found->second;
    window->title = title != nullptr ? title : "";
    window->paint_pending = 1;
    HostWindow* handle = window.get();
    core.windows.push_back(std::move(window));
    if (core.main_window == nullptr) {
        core.main_window = handle;
    }
    core.backend->window_created(handle, handle->title.c_str());
    handle->proc(handle, WM_CREATE, 0, 0);
    return handle;
}

int HostPostMessage(HostWindow* window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    if (window != nullptr && window->destroyed) {
        return 0;
    }
    Core().queue.push_back(HostMessage{window, message, wparam, lparam});
    return 1;
}

void HostPostQuitMessage(int exit_code) {
    Core().quit_pending = 1;
    Core().quit_code = exit_code;
}

int HostPeekMessage(HostMessage* msg) {
    CoreState& core = Core();
    HostVideoPresentPending();
    core.backend->pump();
    if (msg == nullptr) {
        return 0;
    }
    if (!core.queue.empty()) {
        *msg = core.queue.front();
        core.queue.pop_front();
        return 1;
    }
    // The quit message comes only once no posted message waits, and before paints.
    if (core.quit_pending) {
        core.quit_pending = 0;
        *msg = HostMessage{nullptr, WM_QUIT, static_cast<uintptr_t>(core.quit_code), 0};
        return 1;
    }
    for (auto& window : core.windows) {
        if (window->paint_pending && !window->destroyed) {
            *msg = HostMessage{window.get(), WM_PAINT, 0, 0};
            return 1;
        }
    }
    return 0;
}

intptr_t HostDispatchMessage(const HostMessage* msg) {
    if (msg == nullptr || msg->window == nullptr || msg->window->destroyed) {
        return 0;
    }
    return msg->window->proc(msg->window, msg->message, msg->wparam, msg->lparam);
}

intptr_t HostDefWindowProc(HostWindow* window, uint32_t message, uintptr_t, intptr_t) {
    if (window == nullptr || window->destroyed) {
        return 0;
    }
    switch (message) {
        case WM_CLOSE:
            // Destroying the window delivers WM_DESTROY to its procedure.
            window->paint_pending = 0;
            window->proc(window, WM_DESTROY, 0, 0);
            window->destroyed = 1;
            return 0;
        case WM_PAINT:
            HostValidateWindow(window);
            return 0;
        default:
            return 0;
    }
}

void HostValidateWindow(HostWindow* window) {
    if (window != nullptr) {
        window->paint_pending = 0;
    }
}

void HostRequestPaint(HostWindow* window) {
    if (window != nullptr && !window->destroyed) {
        window->paint_pending = 1;
    }
}

int HostSetIcon(const uint8_t* rgba, int32_t width, int32_t height) {
    constexpr int32_t ICON_LARGEST = 256;
    if (rgba == nullptr || width < 1 || height < 1 || width > ICON_LARGEST ||
        height > ICON_LARGEST) {
        return 0;
    }
    CoreState& core = Core();
    core.icon.assign(rgba, rgba + static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    core.icon_width = width;
    core.icon_height = height;
    if (core.backend->set_icon != nullptr) {
        core.backend->set_icon(core.icon.data(), width, height);
    }
    return 1;
}

int HostShowCursor(int show) {
    CoreState& core = Core();
    core.cursor_count += show ? 1 : -1;
    core.backend->show_cursor(core.cursor_count >= 0 ? 1 : 0);
    return core.cursor_count;
}

// ---------------------------------------------------------------------------
// Time

uint32_t HostTicks() {
    // Read first: a present made here falls inside the period the caller is timing.
    const uint32_t now = Core().backend->ticks();
    HostVideoPresentPending();
    return now;
}

void HostSleep(uint32_t ms) {
    HostVideoPresentPending();
    Core().backend->sleep(ms);
}

// ---------------------------------------------------------------------------
// Between tests

void HeadlessReset() {
    CoreState& core = Core();
    core.classes.clear();
    core.windows.clear();
    core.main_window = nullptr;
    core.queue.clear();
    core.quit_pending = 0;
    core.quit_code = 0;
    core.cursor_count = 0;
    core.refused = 0;
    core.error.clear();
    core.icon.clear();
    core.icon_width = 0;
    core.icon_height = 0;
    core.process_ending = 0;
    HeadlessResetClock();
    HeadlessResetFrame();
    HostInputReset();
}
