// How the Windows device should put a 640x480 8-bit frame on a window at 2x, timed under
// Wine (or Windows): GDI StretchDIBits of the 8-bit DIB with the palette as its colour table,
// against our own conversion to 32 bits (HostConvertFrame) followed by a 32-bit StretchDIBits.
// Prints the median of 200 presents of each, after 20 to warm up. Google Benchmark is not
// built for this target, so the loop is our own.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/present.h"

// After the host's headers, whose constants share names with Windows' macros.
#include <windows.h>

namespace {

constexpr int WIDTH = 640;
constexpr int HEIGHT = 480;
constexpr int SCALE = 2;
constexpr int WARM = 20;
constexpr int RUNS = 200;

struct Dib8 {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <typename Present>
double Time(HWND window, Present present) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int i = 0; i < WARM + RUNS; ++i) {
        LARGE_INTEGER start, end;
        HDC dc = GetDC(window);
        QueryPerformanceCounter(&start);
        present(dc, i);
        GdiFlush();
        QueryPerformanceCounter(&end);
        ReleaseDC(window, dc);
        if (i >= WARM) {
            times.push_back(1e6 * static_cast<double>(end.QuadPart - start.QuadPart) /
                            static_cast<double>(frequency.QuadPart));
        }
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
        }
    }
    return Median(times);
}

}  // namespace

int main() {
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "QentPresentBench";
    RegisterClassA(&window_class);
    HWND window = CreateWindowExA(0, "QentPresentBench", "present bench", WS_POPUP | WS_VISIBLE, 0,
                                  0, WIDTH * SCALE, HEIGHT * SCALE, nullptr, nullptr,
                                  window_class.hInstance, nullptr);
    if (window == nullptr) {
        std::fprintf(stderr, "present_bench: no window\n");
        return 1;
    }
    std::vector<uint8_t> frame(WIDTH * HEIGHT);
    for (size_t i = 0; i < frame.size(); ++i) {
        frame[i] = static_cast<uint8_t>((i * 7 + i / WIDTH * 3) & 0xFF);
    }
    PaletteEntry palette[256];
    for (int i = 0; i < 256; ++i) {
        palette[i] = PaletteEntry{static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                                  static_cast<uint8_t>(i * 3), 0};
    }

    Dib8 dib8{};
    dib8.header =
        BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), WIDTH, -HEIGHT, 1, 8, BI_RGB, 0, 0, 0, 256, 0};
    const double gdi8 = Time(window, [&](HDC dc, int run) {
        palette[0].red = static_cast<uint8_t>(run);  // a new palette every time, as a fade has
        for (int i = 0; i < 256; ++i) {
            dib8.colours[i] = RGBQUAD{palette[i].blue, palette[i].green, palette[i].red, 0};
        }
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchDIBits(dc, 0, 0, WIDTH * SCALE, HEIGHT * SCALE, 0, 0, WIDTH, HEIGHT, frame.data(),
                      reinterpret_cast<const BITMAPINFO*>(&dib8), DIB_RGB_COLORS, SRCCOPY);
    });

    BITMAPINFO dib32{};
    dib32.bmiHeader =
        BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), WIDTH, -HEIGHT, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<uint32_t> converted(WIDTH * HEIGHT);
    const double gdi32 = Time(window, [&](HDC dc, int run) {
        palette[0].red = static_cast<uint8_t>(run);
        HostConvertFrame(frame.data(), WIDTH, WIDTH, HEIGHT, palette, converted.data(), WIDTH * 4);
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchDIBits(dc, 0, 0, WIDTH * SCALE, HEIGHT * SCALE, 0, 0, WIDTH, HEIGHT,
                      converted.data(), &dib32, DIB_RGB_COLORS, SRCCOPY);
    });

    std::printf("present 640x480 -> 1280x960, median of %d (us)\n", RUNS);
    std::printf("  8-bit DIB, StretchDIBits                    %9.1f\n", gdi8);
    std::printf("  HostConvertFrame + 32-bit StretchDIBits     %9.1f\n", gdi32);
    std::printf("  ratio 8-bit / 32-bit                        %9.2f\n", gdi8 / gdi32);
    DestroyWindow(window);
    return 0;
}
