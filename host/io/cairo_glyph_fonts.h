// The glyphs of a PDF plot as fonts of their own: each stroke font in each shape (width
// factor and slant) and stroke width is a cairo user font, which cairo writes into the
// PDF as a Type 3 font whose glyphs are defined once and placed by the text operators,
// with the characters' Unicode values, so that the sheet's text can be searched.
#pragma once

#include <cairo.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "painter.h"

namespace vemio {

class CairoGlyphFonts {
public:
    CairoGlyphFonts() = default;
    ~CairoGlyphFonts();
    CairoGlyphFonts(const CairoGlyphFonts&) = delete;
    CairoGlyphFonts& operator=(const CairoGlyphFonts&) = delete;

    // Adds the character to the pending run, showing the run first when the character
    // cannot join it (another font, placement or colour).
    void add(cairo_t* cr, const PaintedGlyph& g, const GlyphFrame& frame);
    // Shows the pending run, if any.
    void show(cairo_t* cr);

private:
    struct Run {
        cairo_font_face_t* face = nullptr;
        cairo_matrix_t matrix{};
        Rgb color;
        std::vector<cairo_glyph_t> glyphs;
        std::vector<cairo_text_cluster_t> clusters;
        std::string text;  // UTF-8
    };
    cairo_font_face_t* faceFor(const PaintedGlyph& g, const GlyphFrame& frame);

    std::map<std::tuple<const acrt::StrokeFont*, double, double, double>, cairo_font_face_t*> m_faces;
    Run m_run;
};

}  // namespace vemio
