// Makes platform/font_atlas.cpp: the glyphs of DejaVu Sans Bold at 13 points (a 16-pixel
// line), rendered one bit per pixel, with the metrics that place them. The host draws text
// from this table alone, so every backend shows the same pixels and none needs a font file.
//
// Glyphs are rendered hinted and without anti-aliasing, as an 8-bit screen shows them; the
// tool refuses to write a table when shaping would move or replace a glyph (kerning,
// ligatures, fractional advances), because the table places each byte on its own.
//
//   make_font_atlas FONT.ttf OUT.cpp

#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb-ft.h>
#include <hb.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int ATLAS_POINTS = 13;
constexpr unsigned ATLAS_LOAD_FLAGS = FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL;

struct AtlasGlyph {
    int advance = 0;    // pixels to the next byte's pen position
    int box_left = 0;   // the hinted outline box, from the pen
    int box_width = 0;  // 0: the glyph widens nothing
    int ink_left = 0;   // the bitmap's left column, from the pen
    int ink_top = 0;    // its top row, from the top of the line
    int ink_width = 0;
    int ink_rows = 0;
    size_t bits = 0;  // offset of its rows in the bit table
};

struct Shaped {
    std::vector<unsigned> glyphs;
    std::vector<hb_position_t> advances;  // 26.6
    std::vector<hb_position_t> offsets;   // 26.6, x and y together must be 0
};

Shaped AtlasShape(hb_font_t* font, const std::string& latin1) {
    hb_buffer_t* buffer = hb_buffer_create();
    hb_buffer_set_direction(buffer, HB_DIRECTION_LTR);
    hb_buffer_set_script(buffer, HB_SCRIPT_UNKNOWN);
    hb_buffer_add_latin1(buffer, reinterpret_cast<const uint8_t*>(latin1.data()),
                         static_cast<int>(latin1.size()), 0, static_cast<int>(latin1.size()));
    hb_shape(font, buffer, nullptr, 0);
    unsigned count = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
    const hb_glyph_position_t* position = hb_buffer_get_glyph_positions(buffer, &count);
    Shaped shaped;
    for (unsigned i = 0; i < count; i++) {
        shaped.glyphs.push_back(info[i].codepoint);
        shaped.advances.push_back(position[i].x_advance);
        shaped.offsets.push_back(position[i].x_offset | position[i].y_offset |
                                 position[i].y_advance);
    }
    hb_buffer_destroy(buffer);
    return shaped;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_font_atlas FONT.ttf OUT.cpp\n");
        return 2;
    }
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    if (FT_Init_FreeType(&library) != 0 || FT_New_Face(library, argv[1], 0, &face) != 0 ||
        FT_Set_Char_Size(face, 0, ATLAS_POINTS * 64, 0, 0) != 0) {
        std::fprintf(stderr, "make_font_atlas: cannot open %s\n", argv[1]);
        return 1;
    }
    hb_font_t* font = hb_ft_font_create(face, nullptr);
    hb_ft_font_set_load_flags(font, ATLAS_LOAD_FLAGS);
    const FT_Fixed scale = face->size->metrics.y_scale;
    const int ascent = static_cast<int>((FT_MulFix(face->ascender, scale) + 63) >> 6);
    const int descent = static_cast<int>((FT_MulFix(face->descender, scale) + 63) >> 6);
    const int line_height = ascent - descent;

    AtlasGlyph glyphs[256];
    unsigned glyph_ids[256] = {};
    std::vector<uint8_t> bits;
    for (int byte = 1; byte < 256; byte++) {
        Shaped alone = AtlasShape(font, std::string(1, static_cast<char>(byte)));
        if (alone.glyphs.size() != 1 || alone.offsets[0] != 0 || alone.advances[0] % 64 != 0) {
            std::fprintf(stderr, "make_font_atlas: byte %d does not shape to one whole glyph\n",
                         byte);
            return 1;
        }
        glyph_ids[byte] = alone.glyphs[0];
        if (FT_Load_Glyph(face, alone.glyphs[0], ATLAS_LOAD_FLAGS) != 0 ||
            FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO) != 0) {
            std::fprintf(stderr, "make_font_atlas: cannot render byte %d\n", byte);
            return 1;
        }
        const FT_GlyphSlot slot = face->glyph;
        AtlasGlyph& glyph = glyphs[byte];
        glyph.advance = alone.advances[0] / 64;
        glyph.box_left = static_cast<int>(slot->metrics.horiBearingX >> 6);
        glyph.box_width = static_cast<int>((slot->metrics.width + 63) >> 6);
        glyph.ink_left = slot->bitmap_left;
        glyph.ink_top = ascent - slot->bitmap_top;
        glyph.ink_width = static_cast<int>(slot->bitmap.width);
        glyph.ink_rows = static_cast<int>(slot->bitmap.rows);
        // Bytes without a glyph of their own share the font's missing-glyph box.
        bool shared = false;
        for (int earlier = 1; earlier < byte; earlier++) {
            if (glyph_ids[earlier] == glyph_ids[byte]) {
                glyph.bits = glyphs[earlier].bits;
                shared = true;
                break;
            }
        }
        if (shared) {
            continue;
        }
        glyph.bits = bits.size();
        const int row_bytes = (glyph.ink_width + 7) / 8;
        for (int row = 0; row < glyph.ink_rows; row++) {
            const uint8_t* source = slot->bitmap.buffer + row * slot->bitmap.pitch;
            bits.insert(bits.end(), source, source + row_bytes);
        }
    }
    // Each byte is placed on its own: a pair that shaping moves or merges would break that.
    for (int a = 1; a < 256; a++) {
        for (int b = 1; b < 256; b++) {
            const std::string pair{static_cast<char>(a), static_cast<char>(b)};
            Shaped shaped = AtlasShape(font, pair);
            if (shaped.glyphs.size() != 2 || shaped.glyphs[0] != glyph_ids[a] ||
                shaped.glyphs[1] != glyph_ids[b] || shaped.offsets[0] != 0 ||
                shaped.offsets[1] != 0 || shaped.advances[0] != glyphs[a].advance * 64) {
                std::fprintf(stderr, "make_font_atlas: the pair %d %d is kerned or replaced\n", a,
                             b);
                return 1;
            }
        }
    }

    FILE* out = std::fopen(argv[2], "w");
    if (out == nullptr) {
        std::fprintf(stderr, "make_font_atlas: cannot write %s\n", argv[2]);
        return 1;
    }
    std::fprintf(out,
                 "// The text glyphs: DejaVu Sans Bold at %d points, one bit per pixel.\n"
                 "// Made by tools/font/make_font_atlas from the font file; do not edit.\n"
                 "// DejaVu fonts: Bitstream Vera license (see debian/copyright).\n\n"
                 "#include \"platform/font_atlas.h\"\n\n"
                 "// clang-format off\n"
                 "static_assert(FONT_LINE_HEIGHT == %d && FONT_ASCENT == %d);\n\n"
                 "// advance, box_left, box_width, ink_left, ink_top, ink_width, ink_rows, bits\n"
                 "const FontGlyph font_glyphs[256] = {\n    {0, 0, 0, 0, 0, 0, 0, 0},\n",
                 ATLAS_POINTS, line_height, ascent);
    for (int byte = 1; byte < 256; byte++) {
        const AtlasGlyph& g = glyphs[byte];
        std::fprintf(out, "    {%d, %d, %d, %d, %d, %d, %d, %zu},  // %d\n", g.advance, g.box_left,
                     g.box_width, g.ink_left, g.ink_top, g.ink_width, g.ink_rows, g.bits, byte);
    }
    std::fprintf(out, "};\n\nconst uint8_t font_bits[%zu] = {", bits.size());
    for (size_t i = 0; i < bits.size(); i++) {
        std::fprintf(out, "%s0x%02x,", i % 12 == 0 ? "\n    " : " ", bits[i]);
    }
    std::fprintf(out,
                 "\n};\n// clang-format on\n\nconst size_t font_bits_size = sizeof font_bits;\n");
    std::fclose(out);
    hb_font_destroy(font);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return 0;
}
