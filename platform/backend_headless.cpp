// The headless backend: no window and no device. Its clock is set by hand (or moves on by
// itself at every read, so busy waits end), and the last presented frame is kept for tests.

#include <cstring>
#include <vector>

#include "platform/backend.h"
#include "platform/headless.h"

namespace {

struct HeadlessState {
    uint32_t ticks = 0;
    uint32_t auto_advance = 0;
    uint32_t tick_reads = 0;
    void (*tick_hook)(uint32_t ticks) = nullptr;
    std::vector<uint8_t> frame;  // width x height, no padding
    PaletteEntry palette[256]{};
    int32_t width = 0;
    int32_t height = 0;
    uint32_t present_count = 0;
};

HeadlessState& Headless() {
    static HeadlessState state;
    return state;
}

int HeadlessOpen(const HostOptions*, std::string*) {
    return 1;
}

void HeadlessClose() {}

void HeadlessWindowCreated(HostWindow*, const char*) {}

void HeadlessModeSet(int32_t, int32_t) {}

void HeadlessPresent(const uint8_t* pixels, int32_t pitch, int32_t width, int32_t height,
                     const PaletteEntry* palette) {
    HeadlessState& state = Headless();
    state.width = width;
    state.height = height;
    state.frame.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y) {
        std::memcpy(state.frame.data() + static_cast<size_t>(y) * width,
                    pixels + static_cast<ptrdiff_t>(y) * pitch, static_cast<size_t>(width));
    }
    std::memcpy(state.palette, palette, sizeof(state.palette));
    ++state.present_count;
}

void HeadlessPump() {}

uint32_t HeadlessTicks() {
    HeadlessState& state = Headless();
    uint32_t now = state.ticks;
    state.ticks += state.auto_advance;
    ++state.tick_reads;
    if (state.tick_hook != nullptr) {
        state.tick_hook(now);
    }
    return now;
}

void HeadlessSleep(uint32_t ms) {
    Headless().ticks += ms;
}

void HeadlessShowCursor(int) {}

}  // namespace

const HostBackendOps host_backend_headless = {
    "headless",      HeadlessOpen, HeadlessClose, HeadlessWindowCreated, HeadlessModeSet,
    HeadlessPresent, HeadlessPump, HeadlessTicks, HeadlessSleep,         HeadlessShowCursor,
    nullptr,         nullptr,      nullptr,  // no sound output: tests mix on request
    nullptr,                                 // stderr is enough
    nullptr,                                 // no icon to show
};

void HeadlessSetTicks(uint32_t ticks) {
    Headless().ticks = ticks;
}

void HeadlessAdvance(uint32_t ms) {
    Headless().ticks += ms;
}

void HeadlessSetAutoAdvance(uint32_t ms) {
    Headless().auto_advance = ms;
}

uint32_t HeadlessTickReads() {
    return Headless().tick_reads;
}

void HeadlessSetTickHook(void (*hook)(uint32_t ticks)) {
    Headless().tick_hook = hook;
}

const uint8_t* HeadlessFramePixels(int32_t* width, int32_t* height) {
    HeadlessState& state = Headless();
    if (width != nullptr) {
        *width = state.width;
    }
    if (height != nullptr) {
        *height = state.height;
    }
    return state.frame.empty() ? nullptr : state.frame.data();
}

const PaletteEntry* HeadlessFramePalette() {
    HeadlessState& state = Headless();
    return state.frame.empty() ? nullptr : state.palette;
}

uint32_t HeadlessPresentCount() {
    return Headless().present_count;
}

int HeadlessSaveFramePng(const char* path) {
    HeadlessState& state = Headless();
    if (state.frame.empty()) {
        return 0;
    }
    return HostWritePng(path, state.frame.data(), state.width, state.height, state.width,
                        state.palette);
}

void HeadlessResetClock() {
    HeadlessState& state = Headless();
    state.ticks = 0;
    state.auto_advance = 0;
    state.tick_reads = 0;
    state.tick_hook = nullptr;
}

void HeadlessResetFrame() {
    HeadlessState& state = Headless();
    state.frame.clear();
    state.width = 0;
    state.height = 0;
    state.present_count = 0;
}
