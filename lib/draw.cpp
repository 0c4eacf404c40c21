#include "lib/draw.h"

#include <cstddef>
#include <cstring>
#include <utility>

#include "lib/display.h"

namespace {

int RegionCode(int64_t x, int64_t y) {
    int code = 0;
    if (y < clip_min_y) {
        code |= OUTSIDE_TOP;
    } else if (y > clip_max_y) {
        code |= OUTSIDE_BOTTOM;
    }
    if (x < clip_min_x) {
        code |= OUTSIDE_LEFT;
    } else if (x > clip_max_x) {
        code |= OUTSIDE_RIGHT;
    }
    return code;
}

// a + 0.5 + q truncated toward zero, without the round trip through a double.
int64_t BiasedSum(int64_t a, int64_t q) {
    int64_t sum = a + q;
    return sum >= 0 ? sum : sum + 1;
}

// The crossings are only computed when the far point lies on the other side of the edge,
// so the divisor is never 0 and the first factor is at most 2^31 for an edge inside
// 0..2^31: the products of two coordinate differences fit in 64 bits.
int64_t Crossing(int64_t to_edge, int64_t along, int64_t across) {
    return to_edge * along / across;
}

struct Point {
    int64_t x;
    int64_t y;
};

bool InsideX(int64_t x) {
    return x >= clip_min_x && x <= clip_max_x;
}

// Moves point p, of the segment p-q, onto the edge its region code names. The start point
// always uses the biased sum; the end point uses it only at the corners.
Point ClipEnd(int code, Point p, Point q, bool biased_single) {
    auto row = [&](int64_t edge_y, bool biased) {
        int64_t quotient = Crossing(edge_y - p.y, q.x - p.x, q.y - p.y);
        return Point{biased ? BiasedSum(p.x, quotient) : p.x + quotient, edge_y};
    };
    auto column = [&](int64_t edge_x, bool biased) {
        int64_t quotient = Crossing(edge_x - p.x, q.y - p.y, q.x - p.x);
        return Point{edge_x, biased ? BiasedSum(p.y, quotient) : p.y + quotient};
    };
    Point out = p;
    switch (code) {
        case OUTSIDE_TOP:
            out = row(clip_min_y, biased_single);
            break;
        case OUTSIDE_BOTTOM:
            out = row(clip_max_y, biased_single);
            break;
        case OUTSIDE_LEFT:
            out = column(clip_min_x, biased_single);
            break;
        case OUTSIDE_RIGHT:
            out = column(clip_max_x, biased_single);
            break;
        case OUTSIDE_TOP | OUTSIDE_LEFT:
            out = row(clip_min_y, true);
            if (!InsideX(out.x)) {
                out = column(clip_min_x, true);
            }
            break;
        case OUTSIDE_TOP | OUTSIDE_RIGHT:
            out = row(clip_min_y, true);
            if (!InsideX(out.x)) {
                out = column(clip_max_x, true);
            }
            break;
        case OUTSIDE_BOTTOM | OUTSIDE_LEFT:
            out = row(clip_max_y, true);
            if (!InsideX(out.x)) {
                out = column(clip_min_x, true);
            }
            break;
        case OUTSIDE_BOTTOM | OUTSIDE_RIGHT:
            out = row(clip_max_y, true);
            if (!InsideX(out.x)) {
                out = column(clip_max_x, true);
            }
            break;
        default:
            break;
    }
    return out;
}

bool Inside(Point p) {
    return InsideX(p.x) && p.y >= clip_min_y && p.y <= clip_max_y;
}

int32_t Clamp(int32_t value, int32_t low, int32_t high) {
    return value < low ? low : (value > high ? high : value);
}

}  // namespace

int PixelPlot(int32_t x, int32_t y, uint8_t color, uint8_t* buffer, int32_t pitch) {
    if (buffer != nullptr) {
        buffer[static_cast<ptrdiff_t>(y) * pitch + x] = color;
    }
    return 1;
}

int LineDraw(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t color, uint8_t* buffer,
             int32_t pitch) {
    if (buffer == nullptr) {
        return 1;
    }
    // Offsets rather than a moving pointer: the position steps once past the last pixel.
    ptrdiff_t position = static_cast<ptrdiff_t>(y0) * pitch + x0;
    int64_t dx = static_cast<int64_t>(x1) - x0;
    int64_t dy = static_cast<int64_t>(y1) - y0;
    ptrdiff_t x_step = 1;
    ptrdiff_t y_step = pitch;
    if (dx < 0) {
        x_step = -1;
        dx = -dx;
    }
    if (dy < 0) {
        y_step = -y_step;
        dy = -dy;
    }
    int64_t error = 0;
    if (dx > dy) {
        for (int64_t n = 0; n <= dx; n++) {
            buffer[position] = color;
            error += dy;
            if (error > dx) {
                error -= dx;
                position += y_step;
            }
            position += x_step;
        }
    } else {
        for (int64_t n = 0; n <= dy; n++) {
            buffer[position] = color;
            error += dx;
            if (error > 0) {
                error -= dy;
                position += x_step;
            }
            position += y_step;
        }
    }
    return 1;
}

int LineClip(int32_t& x0, int32_t& y0, int32_t& x1, int32_t& y1) {
    Point start{x0, y0};
    Point end{x1, y1};
    int start_code = RegionCode(start.x, start.y);
    int end_code = RegionCode(end.x, end.y);
    if ((start_code & end_code) != 0) {
        return 0;
    }
    if (start_code == 0 && end_code == 0) {
        return 1;
    }
    Point new_start = ClipEnd(start_code, start, end, true);
    Point new_end = ClipEnd(end_code, end, start, false);
    if (!Inside(new_start) || !Inside(new_end)) {
        return 0;
    }
    x0 = static_cast<int32_t>(new_start.x);
    y0 = static_cast<int32_t>(new_start.y);
    x1 = static_cast<int32_t>(new_end.x);
    y1 = static_cast<int32_t>(new_end.y);
    return 1;
}

int LineDrawClipped(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t color, uint8_t* buffer,
                    int32_t pitch) {
    int32_t cxs = x0;
    int32_t cys = y0;
    int32_t cxe = x1;
    int32_t cye = y1;
    if (LineClip(cxs, cys, cxe, cye) == 1) {
        LineDraw(cxs, cys, cxe, cye, color, buffer, pitch);
    }
    return 1;
}

void HLineDraw(int32_t x1, int32_t x2, int32_t y, uint8_t color, uint8_t* buffer, int32_t pitch) {
    if (buffer == nullptr || y > clip_max_y || y < clip_min_y) {
        return;
    }
    if (x1 > x2) {
        std::swap(x1, x2);
    }
    if (x1 > clip_max_x || x2 < clip_min_x) {
        return;
    }
    x1 = x1 < clip_min_x ? clip_min_x : x1;
    x2 = x2 > clip_max_x ? clip_max_x : x2;
    std::memset(buffer + static_cast<ptrdiff_t>(y) * pitch + x1, color,
                static_cast<size_t>(x2 - x1) + 1);
}

void VLineDraw(int32_t y1, int32_t y2, int32_t x, uint8_t color, uint8_t* buffer, int32_t pitch) {
    if (buffer == nullptr || x > clip_max_x || x < clip_min_x) {
        return;
    }
    if (y1 > y2) {
        std::swap(y1, y2);
    }
    if (y1 > clip_max_y || y2 < clip_min_y) {
        return;
    }
    y1 = y1 < clip_min_y ? clip_min_y : y1;
    y2 = y2 > clip_max_y ? clip_max_y : y2;
    uint8_t* pixel = buffer + static_cast<ptrdiff_t>(y1) * pitch + x;
    for (int32_t n = y2 - y1; n > 0; n--) {
        *pixel = color;
        pixel += pitch;
    }
    *pixel = color;
}

int RectFill(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t color,
             HostSurface* surface) {
    if (surface != nullptr) {
        HostRect fill_area{left, top, right, bottom};
        HostSurfaceBlt(surface, &fill_area, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, color);
    }
    return 1;
}

int RectsOverlap(int32_t x1, int32_t y1, int32_t w1, int32_t h1, int32_t x2, int32_t y2, int32_t w2,
                 int32_t h2) {
    // 64 bits: corners near the int32 limits must not overflow the centres.
    int64_t half_w1 = (w1 >> 1) - (w1 >> 3);
    int64_t half_h1 = (h1 >> 1) - (h1 >> 3);
    int64_t half_w2 = (w2 >> 1) - (w2 >> 3);
    int64_t half_h2 = (h2 >> 1) - (h2 >> 3);
    int64_t dx = (x2 + half_w2) - (x1 + half_w1);
    int64_t dy = (y2 + half_h2) - (y1 + half_h1);
    dx = dx < 0 ? -dx : dx;
    dy = dy < 0 ? -dy : dy;
    return (dx < half_w1 + half_w2 && dy < half_h1 + half_h2) ? 1 : 0;
}

int RectScanColors(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint8_t low, uint8_t high,
                   const uint8_t* buffer, int32_t pitch) {
    if (buffer == nullptr || display_width < 1 || display_height < 1) {
        return 0;
    }
    x1 = Clamp(x1, 0, display_width - 1);
    x2 = Clamp(x2, 0, display_width - 1);
    y1 = Clamp(y1, 0, display_height - 1);
    y2 = Clamp(y2, 0, display_height - 1);
    for (int32_t y = y1; y <= y2; y++) {
        const uint8_t* row = buffer + static_cast<ptrdiff_t>(y) * pitch;
        for (int32_t x = x1; x <= x2; x++) {
            if (row[x] >= low && row[x] <= high) {
                return 1;
            }
        }
    }
    return 0;
}

int TextDraw(const char* text, int32_t x, int32_t y, uint32_t color, HostSurface* surface) {
    if (text == nullptr) {
        return 0;
    }
    HostDC* xdc = HostSurfaceGetDC(surface);
    if (xdc == nullptr) {
        return 0;
    }
    HostSetTextColor(xdc, color);
    HostSetBkMode(xdc, TRANSPARENT);
    size_t length = std::strlen(text);
    constexpr size_t longest = 0x7fffffff;
    HostTextOut(xdc, x, y, text, static_cast<int32_t>(length < longest ? length : longest));
    HostSurfaceReleaseDC(surface, xdc);
    return 1;
}

int TextDrawIndexed(const char* text, int32_t x, int32_t y, int32_t index, HostSurface* surface) {
    if (index < 0 || index > 255) {
        return 0;
    }
    const PaletteEntry& entry = palette_shadow[index];
    uint32_t color = static_cast<uint32_t>(entry.red) | static_cast<uint32_t>(entry.green) << 8 |
                     static_cast<uint32_t>(entry.blue) << 16;
    return TextDraw(text, x, y, color, surface);
}
