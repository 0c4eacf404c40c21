#ifndef QENT_TOOLS_PAINT_H
#define QENT_TOOLS_PAINT_H

// True-colour painting for the asset generator: anti-aliased shapes, soft light, blurred layers,
// value noise and a seeded random source. Everything is deterministic: same build, same bytes.

#include <cstdint>
#include <functional>
#include <vector>

// ---- Colours and random numbers

struct Rgb {
    float r;  // 0..255
    float g;
    float b;
};

struct GradientStop {
    float t;  // position along the gradient, ascending
    Rgb colour;
};

struct Rng {
    uint64_t state;  // any seed; the sequence depends on it alone
};

Rgb RgbMix(Rgb a, Rgb b, float t);  // a at t = 0, b at t = 1
Rgb RgbScale(Rgb c, float k);
float RgbLuma(Rgb c);                                             // 0..255
Rgb GradientAt(const std::vector<GradientStop>& stops, float t);  // clamped at both ends
float Clamp01(float v);
float SmoothStep(float edge0, float edge1, float v);

uint64_t RngNext(Rng* rng);
float RngFloat(Rng* rng);  // [0, 1)
float RngRange(Rng* rng, float lo, float hi);
int RngInt(Rng* rng, int n);  // 0..n-1; 0 when n <= 0

float Noise2(float x, float y, uint32_t seed);            // smooth value noise in [0, 1]
float Fbm(float x, float y, uint32_t seed, int octaves);  // summed octaves, in [0, 1]

// ---- Canvas: premultiplied colour with coverage, rows top-down

struct Pixel {
    float r;  // premultiplied by a
    float g;
    float b;
    float a;  // 0 transparent .. 1 opaque
};

struct Canvas {
    int width;
    int height;
    std::vector<Pixel> pixels;  // width x height
};

Canvas CanvasMake(int width, int height, Rgb fill, float alpha);
Rgb CanvasColour(const Canvas& canvas, int x, int y);  // unpremultiplied; black where a is 0
// Lays colour over pixel (x, y) with weight k in 0..1 (outside the canvas: nothing).
void CanvasBlend(Canvas* canvas, int x, int y, Rgb colour, float k);

// ---- Shapes: polygons filled with the even-odd rule; later shapes add to or cut from earlier

struct Vec2 {
    float x;
    float y;
};

struct Shape {
    std::vector<std::vector<Vec2>> contours;  // closed outlines; holes by even-odd
    bool subtract;                            // cuts this shape out of those before it
};

struct Affine {  // x' = a x + b y + tx, y' = c x + d y + ty
    float a;
    float b;
    float c;
    float d;
    float tx;
    float ty;
};

Affine AffineIdentity();
Affine AffineTranslate(float tx, float ty);
Affine AffineRotate(float radians);
Affine AffineScale(float sx, float sy);
Affine AffineThen(const Affine& first, const Affine& second);  // first, then second
Vec2 AffineApply(const Affine& m, Vec2 p);
Affine AffineInverse(const Affine& m);
Shape ShapeTransform(const Shape& shape, const Affine& m);

Shape ShapePolygon(const std::vector<Vec2>& points);
Shape ShapeRect(float x0, float y0, float x1, float y1);
Shape ShapeEllipse(float cx, float cy, float rx, float ry, float rotation);
Shape ShapeRing(float cx, float cy, float outer, float inner);
Shape ShapeLine(Vec2 a, Vec2 b, float width);  // a bar with square ends
// A blade along the quadratic curve p0-p1-p2, width w0 at p0 tapering to w2 at p2.
Shape ShapeBlade(Vec2 p0, Vec2 p1, Vec2 p2, float w0, float w2);

// ---- Coverage of shapes on a pixel grid, by supersampling

struct Coverage {
    int x0;  // the covered box on the canvas
    int y0;
    int w;
    int h;
    std::vector<float> a;  // w x h, 0..1
};

Coverage Cover(const std::vector<Shape>& shapes, int canvas_w, int canvas_h, int samples = 4);
Coverage CoverOne(const Shape& shape, int canvas_w, int canvas_h, int samples = 4);
void CoverageClipBelow(Coverage* cov, float y_limit);  // clears what lies below y_limit

typedef std::function<Rgb(float x, float y)> Shader;

void Paint(Canvas* canvas, const Coverage& cov, Rgb colour, float opacity = 1.0f);
void PaintShaded(Canvas* canvas, const Coverage& cov, const Shader& shader, float opacity = 1.0f);
void FillShape(Canvas* canvas, const Shape& shape, Rgb colour, float opacity = 1.0f);
void FillShaded(Canvas* canvas, const Shape& shape, const Shader& shader, float opacity = 1.0f);

// A soft round light: weight (1 - d / radius)^falloff at distance d, times strength.
void PaintGlow(Canvas* canvas, float cx, float cy, float radius, Rgb colour, float strength,
               float falloff = 2.0f);

// ---- Layers: one float per canvas pixel, for masks, glows and reflections

struct Layer {
    int width;
    int height;
    std::vector<float> v;
};

Layer LayerMake(int width, int height);
void LayerAddCoverage(Layer* layer, const Coverage& cov);  // keeps the larger value
float LayerAt(const Layer& layer, int x, int y);           // 0 outside
void LayerBlur(Layer* layer, int radius, int passes);      // box blur, both directions
Layer LayerDilate(const Layer& layer, int radius);         // max over a disc of radius
// Lays colour over the canvas with weight clamp(strength x value at (x - dx, y - dy)).
void PaintLayer(Canvas* canvas, const Layer& layer, Rgb colour, float strength, int dx = 0,
                int dy = 0);

#endif
