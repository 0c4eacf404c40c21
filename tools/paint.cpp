#include "tools/paint.h"

#include <algorithm>
#include <cmath>

// ---- Colours and random numbers

Rgb RgbMix(Rgb a, Rgb b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb RgbScale(Rgb c, float k) {
    return {c.r * k, c.g * k, c.b * k};
}

float RgbLuma(Rgb c) {
    return 0.299f * c.r + 0.587f * c.g + 0.114f * c.b;
}

Rgb GradientAt(const std::vector<GradientStop>& stops, float t) {
    if (stops.empty()) {
        return {0, 0, 0};
    }
    if (t <= stops.front().t) {
        return stops.front().colour;
    }
    for (size_t i = 1; i < stops.size(); ++i) {
        if (t <= stops[i].t) {
            float span = stops[i].t - stops[i - 1].t;
            float k = span > 0 ? (t - stops[i - 1].t) / span : 1.0f;
            return RgbMix(stops[i - 1].colour, stops[i].colour, k);
        }
    }
    return stops.back().colour;
}

float Clamp01(float v) {
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}

float SmoothStep(float edge0, float edge1, float v) {
    float t = Clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

uint64_t RngNext(Rng* rng) {
    // splitmix64: small, fast and good enough for placing reeds and stars.
    uint64_t z = (rng->state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

float RngFloat(Rng* rng) {
    return static_cast<float>(RngNext(rng) >> 40) / static_cast<float>(1ull << 24);
}

float RngRange(Rng* rng, float lo, float hi) {
    return lo + (hi - lo) * RngFloat(rng);
}

int RngInt(Rng* rng, int n) {
    if (n <= 0) {
        return 0;
    }
    return static_cast<int>(RngNext(rng) % static_cast<uint64_t>(n));
}

static float LatticeValue(int ix, int iy, uint32_t seed) {
    uint32_t h = seed * 0x9E3779B9u;
    h ^= static_cast<uint32_t>(ix) * 0x27D4EB2Du;
    h = (h ^ (h >> 15)) * 0x85EBCA6Bu;
    h ^= static_cast<uint32_t>(iy) * 0x165667B1u;
    h = (h ^ (h >> 13)) * 0xC2B2AE35u;
    h ^= h >> 16;
    return static_cast<float>(h >> 8) / static_cast<float>(1u << 24);
}

float Noise2(float x, float y, uint32_t seed) {
    float fx = std::floor(x);
    float fy = std::floor(y);
    int ix = static_cast<int>(fx);
    int iy = static_cast<int>(fy);
    float tx = x - fx;
    float ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    float v00 = LatticeValue(ix, iy, seed);
    float v10 = LatticeValue(ix + 1, iy, seed);
    float v01 = LatticeValue(ix, iy + 1, seed);
    float v11 = LatticeValue(ix + 1, iy + 1, seed);
    float top = v00 + (v10 - v00) * tx;
    float bottom = v01 + (v11 - v01) * tx;
    return top + (bottom - top) * ty;
}

float Fbm(float x, float y, uint32_t seed, int octaves) {
    float sum = 0;
    float norm = 0;
    float amp = 1;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * Noise2(x, y, seed + static_cast<uint32_t>(i) * 101u);
        norm += amp;
        amp *= 0.5f;
        x *= 2.03f;
        y *= 2.03f;
    }
    return norm > 0 ? sum / norm : 0;
}

// ---- Canvas

Canvas CanvasMake(int width, int height, Rgb fill, float alpha) {
    Canvas canvas;
    canvas.width = width;
    canvas.height = height;
    Pixel p = {fill.r * alpha, fill.g * alpha, fill.b * alpha, alpha};
    canvas.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), p);
    return canvas;
}

Rgb CanvasColour(const Canvas& canvas, int x, int y) {
    x = std::clamp(x, 0, canvas.width - 1);
    y = std::clamp(y, 0, canvas.height - 1);
    const Pixel& p = canvas.pixels[static_cast<size_t>(y) * canvas.width + x];
    if (p.a <= 0) {
        return {0, 0, 0};
    }
    return {p.r / p.a, p.g / p.a, p.b / p.a};
}

void CanvasBlend(Canvas* canvas, int x, int y, Rgb colour, float k) {
    if (x < 0 || y < 0 || x >= canvas->width || y >= canvas->height || k <= 0) {
        return;
    }
    k = std::min(k, 1.0f);
    Pixel& p = canvas->pixels[static_cast<size_t>(y) * canvas->width + x];
    p.r = colour.r * k + p.r * (1 - k);
    p.g = colour.g * k + p.g * (1 - k);
    p.b = colour.b * k + p.b * (1 - k);
    p.a = k + p.a * (1 - k);
}

// ---- Geometry

Affine AffineIdentity() {
    return {1, 0, 0, 1, 0, 0};
}

Affine AffineTranslate(float tx, float ty) {
    return {1, 0, 0, 1, tx, ty};
}

Affine AffineRotate(float radians) {
    float c = std::cos(radians);
    float s = std::sin(radians);
    return {c, -s, s, c, 0, 0};
}

Affine AffineScale(float sx, float sy) {
    return {sx, 0, 0, sy, 0, 0};
}

Affine AffineThen(const Affine& f, const Affine& s) {
    return {s.a * f.a + s.b * f.c, s.a * f.b + s.b * f.d,          s.c * f.a + s.d * f.c,
            s.c * f.b + s.d * f.d, s.a * f.tx + s.b * f.ty + s.tx, s.c * f.tx + s.d * f.ty + s.ty};
}

Vec2 AffineApply(const Affine& m, Vec2 p) {
    return {m.a * p.x + m.b * p.y + m.tx, m.c * p.x + m.d * p.y + m.ty};
}

Affine AffineInverse(const Affine& m) {
    float det = m.a * m.d - m.b * m.c;
    if (det == 0) {
        return AffineIdentity();
    }
    float ia = m.d / det;
    float ib = -m.b / det;
    float ic = -m.c / det;
    float id = m.a / det;
    return {ia, ib, ic, id, -(ia * m.tx + ib * m.ty), -(ic * m.tx + id * m.ty)};
}

Shape ShapeTransform(const Shape& shape, const Affine& m) {
    Shape out = shape;
    for (auto& contour : out.contours) {
        for (auto& p : contour) {
            p = AffineApply(m, p);
        }
    }
    return out;
}

Shape ShapePolygon(const std::vector<Vec2>& points) {
    return {{points}, false};
}

Shape ShapeRect(float x0, float y0, float x1, float y1) {
    return ShapePolygon({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}});
}

static std::vector<Vec2> EllipsePoints(float cx, float cy, float rx, float ry, float rotation) {
    int segments = std::clamp(static_cast<int>((rx + ry) * 1.5f), 16, 160);
    std::vector<Vec2> points;
    float c = std::cos(rotation);
    float s = std::sin(rotation);
    for (int i = 0; i < segments; ++i) {
        float t = 6.2831853f * static_cast<float>(i) / static_cast<float>(segments);
        float x = rx * std::cos(t);
        float y = ry * std::sin(t);
        points.push_back({cx + x * c - y * s, cy + x * s + y * c});
    }
    return points;
}

Shape ShapeEllipse(float cx, float cy, float rx, float ry, float rotation) {
    return {{EllipsePoints(cx, cy, rx, ry, rotation)}, false};
}

Shape ShapeRing(float cx, float cy, float outer, float inner) {
    return {{EllipsePoints(cx, cy, outer, outer, 0), EllipsePoints(cx, cy, inner, inner, 0)},
            false};
}

Shape ShapeLine(Vec2 a, Vec2 b, float width) {
    float dx = b.x - a.x;
    float dy = b.y - a.y;
    float len = std::sqrt(dx * dx + dy * dy);
    if (len <= 0) {
        return ShapeRect(a.x - width / 2, a.y - width / 2, a.x + width / 2, a.y + width / 2);
    }
    float nx = -dy / len * width / 2;
    float ny = dx / len * width / 2;
    return ShapePolygon(
        {{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}});
}

Shape ShapeBlade(Vec2 p0, Vec2 p1, Vec2 p2, float w0, float w2) {
    const int steps = 16;
    std::vector<Vec2> left;
    std::vector<Vec2> right;
    for (int i = 0; i <= steps; ++i) {
        float t = static_cast<float>(i) / steps;
        float u = 1 - t;
        Vec2 p = {u * u * p0.x + 2 * u * t * p1.x + t * t * p2.x,
                  u * u * p0.y + 2 * u * t * p1.y + t * t * p2.y};
        Vec2 d = {2 * u * (p1.x - p0.x) + 2 * t * (p2.x - p1.x),
                  2 * u * (p1.y - p0.y) + 2 * t * (p2.y - p1.y)};
        float len = std::sqrt(d.x * d.x + d.y * d.y);
        if (len <= 0) {
            len = 1;
        }
        float w = (w0 + (w2 - w0) * t) / 2;
        Vec2 n = {-d.y / len * w, d.x / len * w};
        left.push_back({p.x + n.x, p.y + n.y});
        right.push_back({p.x - n.x, p.y - n.y});
    }
    std::reverse(right.begin(), right.end());
    left.insert(left.end(), right.begin(), right.end());
    return ShapePolygon(left);
}

// ---- Coverage

Coverage Cover(const std::vector<Shape>& shapes, int canvas_w, int canvas_h, int samples) {
    Coverage cov = {0, 0, 0, 0, {}};
    float min_x = 1e9f;
    float min_y = 1e9f;
    float max_x = -1e9f;
    float max_y = -1e9f;
    for (const auto& shape : shapes) {
        if (shape.subtract) {
            continue;
        }
        for (const auto& contour : shape.contours) {
            for (const auto& p : contour) {
                min_x = std::min(min_x, p.x);
                min_y = std::min(min_y, p.y);
                max_x = std::max(max_x, p.x);
                max_y = std::max(max_y, p.y);
            }
        }
    }
    if (min_x > max_x) {
        return cov;
    }
    int x0 = std::max(0, static_cast<int>(std::floor(min_x)));
    int y0 = std::max(0, static_cast<int>(std::floor(min_y)));
    int x1 = std::min(canvas_w, static_cast<int>(std::ceil(max_x)) + 1);
    int y1 = std::min(canvas_h, static_cast<int>(std::ceil(max_y)) + 1);
    if (x1 <= x0 || y1 <= y0) {
        return cov;
    }
    cov.x0 = x0;
    cov.y0 = y0;
    cov.w = x1 - x0;
    cov.h = y1 - y0;
    cov.a.assign(static_cast<size_t>(cov.w) * cov.h, 0.0f);

    const int row_samples = cov.w * samples;
    std::vector<uint8_t> bits(static_cast<size_t>(row_samples));
    std::vector<float> crossings;
    const float weight = 1.0f / static_cast<float>(samples * samples);
    for (int row = 0; row < cov.h; ++row) {
        float* out = &cov.a[static_cast<size_t>(row) * cov.w];
        for (int sy = 0; sy < samples; ++sy) {
            float yc = static_cast<float>(y0 + row) + (static_cast<float>(sy) + 0.5f) / samples;
            std::fill(bits.begin(), bits.end(), 0);
            for (const auto& shape : shapes) {
                crossings.clear();
                for (const auto& contour : shape.contours) {
                    size_t n = contour.size();
                    for (size_t i = 0; i < n; ++i) {
                        Vec2 p = contour[i];
                        Vec2 q = contour[(i + 1) % n];
                        if ((p.y <= yc && yc < q.y) || (q.y <= yc && yc < p.y)) {
                            crossings.push_back(p.x + (yc - p.y) * (q.x - p.x) / (q.y - p.y));
                        }
                    }
                }
                std::sort(crossings.begin(), crossings.end());
                uint8_t value = shape.subtract ? 0 : 1;
                for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
                    float ja = (crossings[i] - static_cast<float>(x0)) * samples - 0.5f;
                    float jb = (crossings[i + 1] - static_cast<float>(x0)) * samples - 0.5f;
                    int start = std::max(0, static_cast<int>(std::ceil(ja)));
                    int end = std::min(row_samples, static_cast<int>(std::ceil(jb)));
                    for (int j = start; j < end; ++j) {
                        bits[static_cast<size_t>(j)] = value;
                    }
                }
            }
            for (int j = 0; j < row_samples; ++j) {
                if (bits[static_cast<size_t>(j)]) {
                    out[j / samples] += weight;
                }
            }
        }
    }
    return cov;
}

Coverage CoverOne(const Shape& shape, int canvas_w, int canvas_h, int samples) {
    return Cover(std::vector<Shape>{shape}, canvas_w, canvas_h, samples);
}

void CoverageClipBelow(Coverage* cov, float y_limit) {
    for (int row = 0; row < cov->h; ++row) {
        float top = static_cast<float>(cov->y0 + row);
        float keep = Clamp01(y_limit - top);
        for (int x = 0; x < cov->w; ++x) {
            cov->a[static_cast<size_t>(row) * cov->w + x] *= keep;
        }
    }
}

void Paint(Canvas* canvas, const Coverage& cov, Rgb colour, float opacity) {
    for (int y = 0; y < cov.h; ++y) {
        for (int x = 0; x < cov.w; ++x) {
            float k = cov.a[static_cast<size_t>(y) * cov.w + x] * opacity;
            if (k > 0) {
                CanvasBlend(canvas, cov.x0 + x, cov.y0 + y, colour, k);
            }
        }
    }
}

void PaintShaded(Canvas* canvas, const Coverage& cov, const Shader& shader, float opacity) {
    for (int y = 0; y < cov.h; ++y) {
        for (int x = 0; x < cov.w; ++x) {
            float k = cov.a[static_cast<size_t>(y) * cov.w + x] * opacity;
            if (k > 0) {
                int px = cov.x0 + x;
                int py = cov.y0 + y;
                Rgb c = shader(static_cast<float>(px) + 0.5f, static_cast<float>(py) + 0.5f);
                CanvasBlend(canvas, px, py, c, k);
            }
        }
    }
}

void FillShape(Canvas* canvas, const Shape& shape, Rgb colour, float opacity) {
    Paint(canvas, CoverOne(shape, canvas->width, canvas->height), colour, opacity);
}

void FillShaded(Canvas* canvas, const Shape& shape, const Shader& shader, float opacity) {
    PaintShaded(canvas, CoverOne(shape, canvas->width, canvas->height), shader, opacity);
}

void PaintGlow(Canvas* canvas, float cx, float cy, float radius, Rgb colour, float strength,
               float falloff) {
    int x0 = std::max(0, static_cast<int>(cx - radius) - 1);
    int x1 = std::min(canvas->width - 1, static_cast<int>(cx + radius) + 1);
    int y0 = std::max(0, static_cast<int>(cy - radius) - 1);
    int y1 = std::min(canvas->height - 1, static_cast<int>(cy + radius) + 1);
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            float dx = static_cast<float>(x) + 0.5f - cx;
            float dy = static_cast<float>(y) + 0.5f - cy;
            float d = std::sqrt(dx * dx + dy * dy) / radius;
            if (d < 1) {
                CanvasBlend(canvas, x, y, colour, std::pow(1 - d, falloff) * strength);
            }
        }
    }
}

// ---- Layers

Layer LayerMake(int width, int height) {
    Layer layer;
    layer.width = width;
    layer.height = height;
    layer.v.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0.0f);
    return layer;
}

void LayerAddCoverage(Layer* layer, const Coverage& cov) {
    for (int y = 0; y < cov.h; ++y) {
        for (int x = 0; x < cov.w; ++x) {
            int px = cov.x0 + x;
            int py = cov.y0 + y;
            if (px < layer->width && py < layer->height) {
                float& v = layer->v[static_cast<size_t>(py) * layer->width + px];
                v = std::max(v, cov.a[static_cast<size_t>(y) * cov.w + x]);
            }
        }
    }
}

float LayerAt(const Layer& layer, int x, int y) {
    if (x < 0 || y < 0 || x >= layer.width || y >= layer.height) {
        return 0;
    }
    return layer.v[static_cast<size_t>(y) * layer.width + x];
}

static void BoxBlurLine(float* data, int count, int stride, int radius, std::vector<float>* tmp) {
    tmp->resize(static_cast<size_t>(count));
    float sum = 0;
    auto at = [&](int i) {
        return data[static_cast<size_t>(std::clamp(i, 0, count - 1)) * stride];
    };
    for (int i = -radius; i <= radius; ++i) {
        sum += at(i);
    }
    float norm = 1.0f / static_cast<float>(2 * radius + 1);
    for (int i = 0; i < count; ++i) {
        (*tmp)[static_cast<size_t>(i)] = sum * norm;
        sum += at(i + radius + 1) - at(i - radius);
    }
    for (int i = 0; i < count; ++i) {
        data[static_cast<size_t>(i) * stride] = (*tmp)[static_cast<size_t>(i)];
    }
}

void LayerBlur(Layer* layer, int radius, int passes) {
    std::vector<float> tmp;
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < layer->height; ++y) {
            BoxBlurLine(&layer->v[static_cast<size_t>(y) * layer->width], layer->width, 1, radius,
                        &tmp);
        }
        for (int x = 0; x < layer->width; ++x) {
            BoxBlurLine(&layer->v[static_cast<size_t>(x)], layer->height, layer->width, radius,
                        &tmp);
        }
    }
}

Layer LayerDilate(const Layer& layer, int radius) {
    Layer out = LayerMake(layer.width, layer.height);
    // Only the box around what is set can change.
    int min_x = layer.width, min_y = layer.height, max_x = -1, max_y = -1;
    for (int y = 0; y < layer.height; ++y) {
        for (int x = 0; x < layer.width; ++x) {
            if (layer.v[static_cast<size_t>(y) * layer.width + x] > 0) {
                min_x = std::min(min_x, x);
                max_x = std::max(max_x, x);
                min_y = std::min(min_y, y);
                max_y = std::max(max_y, y);
            }
        }
    }
    if (max_x < 0) {
        return out;
    }
    int x0 = std::max(0, min_x - radius);
    int x1 = std::min(layer.width - 1, max_x + radius);
    int y0 = std::max(0, min_y - radius);
    int y1 = std::min(layer.height - 1, max_y + radius);
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            float best = 0;
            for (int dy = -radius; dy <= radius; ++dy) {
                int sy = y + dy;
                if (sy < 0 || sy >= layer.height) {
                    continue;
                }
                const float* row = &layer.v[static_cast<size_t>(sy) * layer.width];
                for (int dx = -radius; dx <= radius; ++dx) {
                    int sx = x + dx;
                    if (sx >= 0 && sx < layer.width && dx * dx + dy * dy <= radius * radius) {
                        best = std::max(best, row[sx]);
                    }
                }
            }
            out.v[static_cast<size_t>(y) * layer.width + x] = best;
        }
    }
    return out;
}

void PaintLayer(Canvas* canvas, const Layer& layer, Rgb colour, float strength, int dx, int dy) {
    for (int y = 0; y < canvas->height; ++y) {
        for (int x = 0; x < canvas->width; ++x) {
            float k = LayerAt(layer, x - dx, y - dy) * strength;
            if (k > 0) {
                CanvasBlend(canvas, x, y, colour, std::min(k, 1.0f));
            }
        }
    }
}
