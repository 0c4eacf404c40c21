#ifndef QENT_TOOLS_LETTERING_H
#define QENT_TOOLS_LETTERING_H

// Lettering of our own: bold display capitals built from polygons for titles, and a 5 by 8
// pixel font for small lines.

#include <string>
#include <vector>

#include "tools/paint.h"

// Display capitals on a grid 8 units tall (most letters 6 wide). Known: A E G M N O Q R T V
// and space; others are left out.
struct TitleStyle {
    float unit;                      // pixels per grid unit
    float shear;                     // italic slant: x moves by shear per unit above the base
    std::vector<GradientStop> fill;  // top (t = 0) to bottom (t = 1) of the letters
    Rgb bevel_light;                 // edge lit from the top left
    Rgb bevel_dark;                  // edge shaded at the bottom right
    Rgb outline;                     // dark rim around the letters
    int outline_width;               // pixels
    Rgb extrude;                     // the block depth behind the letters
    int extrude_depth;               // pixels, down and to the right
    Rgb glow;                        // halo around everything
    int glow_radius;                 // pixels
    float glow_strength;
};

float TitleWidth(const std::string& text, float unit);  // pixels, without slant
// Draws text with its top-left grid corner at (x, y).
void DrawTitle(Canvas* canvas, const std::string& text, float x, float y, const TitleStyle& style);
std::vector<Shape> TitleShapes(const std::string& text, float x, float y, float unit, float shear);

// Pixel font: each glyph 5 wide and 8 tall (the last row for descenders), advance 6.
int PixelTextWidth(const std::string& text, int scale);
// Draws text with its top-left at (x, y); a shadow colour with alpha 0 is left out.
void DrawPixelText(Canvas* canvas, const std::string& text, int x, int y, int scale, Rgb colour,
                   Rgb shadow, float shadow_alpha);

#endif
