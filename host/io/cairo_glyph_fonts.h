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

    // Gathers the character with those of its font and placement; a gathering that has
    // grown large is shown at once.
    void add(cairo_t* cr, const PaintedGlyph& g, const GlyphFrame& frame);
    // Shows everything gathered, in the colour.
    void show(cairo_t* cr, Rgb color);
    bool empty() const { return m_gathered == 0; }

private:
    // Characters of one face under one font matrix, shown by one call.
    struct Run {
        cairo_font_face_t* face = nullptr;
        cairo_matrix_t matrix{};
        std::vector<cairo_glyph_t> glyphs;
        std::vector<cairo_text_cluster_t> clusters;
        std::string text;  // UTF-8
    };
    cairo_font_face_t* faceFor(const PaintedGlyph& g, const GlyphFrame& frame);
    void showRun(cairo_t* cr, Run& run);

    std::map<std::tuple<const acrt::StrokeFont*, double, double, double>, cairo_font_face_t*> m_faces;
    std::vector<Run> m_runs;
    std::size_t m_gathered = 0;
    Rgb m_color;
};

}  // namespace vemio
