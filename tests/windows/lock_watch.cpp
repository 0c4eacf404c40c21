// The end-to-end test's eye for the moment of a shot: watches a square of the X screen and
// ends as soon as the locked-on sight (red) shows in it, far quicker than screenshots taken
// by separate programs can on a busy machine. A Linux helper of tests/windows/e2e.sh.
//   lock_watch X Y SIZE TIMEOUT_MS   (exit 0: locked on; 1: not within the time; 2: no display)
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

constexpr int RED_PIXELS = 40;  // the lock ring has hundreds; the duck and the sky none

bool StronglyRed(unsigned long pixel) {
    const unsigned red = (pixel >> 16) & 0xFF;
    const unsigned green = (pixel >> 8) & 0xFF;
    const unsigned blue = pixel & 0xFF;
    return red >= 110 && green * 3 <= red && blue * 3 <= red;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: lock_watch X Y SIZE TIMEOUT_MS\n");
        return 2;
    }
    const int x = std::atoi(argv[1]);
    const int y = std::atoi(argv[2]);
    const int size = std::atoi(argv[3]);
    const auto limit = std::chrono::milliseconds(std::atoi(argv[4]));
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr || size <= 0) {
        return 2;
    }
    const Window root = DefaultRootWindow(display);
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < limit) {
        XImage* image = XGetImage(display, root, x, y, static_cast<unsigned>(size),
                                  static_cast<unsigned>(size), AllPlanes, ZPixmap);
        int red = 0;
        if (image != nullptr) {
            for (int row = 0; row < size; ++row) {
                for (int column = 0; column < size; ++column) {
                    red += StronglyRed(XGetPixel(image, column, row)) ? 1 : 0;
                }
            }
            XDestroyImage(image);
        }
        if (red >= RED_PIXELS) {
            XCloseDisplay(display);
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    XCloseDisplay(display);
    return 1;
}
