// Stroke-font glyphs as cairo user fonts. A face is one stroke font in one shape and one
// stroke width on the page; cairo asks it for a glyph once per size, and the glyph's
// strokes are drawn in font space with the width that comes out at the page's width.
// Characters are gathered by face and font matrix, many texts to one call: cairo keeps
// every call of a PDF page until the page ends, and a call per text would cost more
// memory than the drawing itself.
#include "cairo_glyph_fonts.h"

#include <algorithm>
#include <cmath>

#include "glyph_target.h"
#include "utf8_append.h"

namespace vemio {

namespace {

constexpr double kThinLine = 2.0;      // device units: butt ends and bevel joins, as strokes have
// Font units above and below the baseline that every glyph's ink stays within: a PDF
// reader takes them as the height of a line of text (and finds lines by it), and cairo
// as the reach of what a text paints.
constexpr double kFontAscent = 28.0;
constexpr double kFontDescent = 12.0;
constexpr double kFontAdvance = 48.0;
constexpr std::size_t kRunGlyphs = 4096;  // characters shown by one call at most
const cairo_user_data_key_t kFaceKey{};

// What a face draws: the font, the shape and the stroke width on the page.
struct FaceShape {
    const acrt::StrokeFont* font;
    double widthFactor, slant, width;
};

void forgetShape(void* shape) { delete static_cast<FaceShape*>(shape); }

const FaceShape* shapeOf(cairo_scaled_font_t* scaledFont)
{
    return static_cast<const FaceShape*>(
        cairo_font_face_get_user_data(cairo_scaled_font_get_font_face(scaledFont), &kFaceKey));
}

// The extents every glyph lies within, so that cairo's estimate of what a run covers
// never cuts a glyph off.
cairo_status_t initFont(cairo_scaled_font_t* scaledFont, cairo_t*, cairo_font_extents_t* extents)
{
    const FaceShape* shape = shapeOf(scaledFont);
    const double reach = shape != nullptr ? kFontAdvance * shape->widthFactor + kFontAscent * std::fabs(shape->slant)
                                          : kFontAdvance;
    extents->ascent = kFontAscent;
    extents->descent = kFontDescent;
    extents->height = kFontAscent + kFontDescent;
    extents->max_x_advance = reach;
    extents->max_y_advance = 0.0;
    return CAIRO_STATUS_SUCCESS;
}

// The glyph of the character glyphIndex in the face's shape: (u, v) in font units is
// drawn at (widthFactor * u + slant * v, -v), strokes as wide as the page's strokes.
cairo_status_t renderGlyph(cairo_scaled_font_t* scaledFont, unsigned long glyphIndex, cairo_t* cr,
                           cairo_text_extents_t* extents)
{
    const FaceShape* shape = shapeOf(scaledFont);
    if (shape == nullptr)
        return CAIRO_STATUS_USER_FONT_ERROR;
    cairo_matrix_t fontMatrix;
    cairo_scaled_font_get_font_matrix(scaledFont, &fontMatrix);
    const double scale = std::sqrt(std::fabs(fontMatrix.xx * fontMatrix.yy - fontMatrix.xy * fontMatrix.yx));
    if (!(scale > 0.0))
        return CAIRO_STATUS_USER_FONT_ERROR;
    auto trace = [&](const acrt::StrokePoint* points, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            const double x = shape->widthFactor * points[i].x + shape->slant * points[i].y, y = -points[i].y;
            if (i == 0)
                cairo_move_to(cr, x, y);
            else
                cairo_line_to(cr, x, y);
        }
    };
    bool stroked = false;
    const double advance = acrt::glyphOutline(
        *shape->font, char32_t(glyphIndex),
        [&](const acrt::StrokePoint* points, std::size_t count) {
            trace(points, count);
            stroked = true;
        },
        [&](const acrt::StrokePoint* points, std::size_t count) {
            trace(points, count);
            cairo_close_path(cr);
            cairo_fill(cr);
        });
    if (stroked) {
        const bool thin = shape->width <= kThinLine;
        cairo_set_line_width(cr, shape->width / scale);
        cairo_set_line_cap(cr, thin ? CAIRO_LINE_CAP_BUTT : CAIRO_LINE_CAP_ROUND);
        cairo_set_line_join(cr, thin ? CAIRO_LINE_JOIN_BEVEL : CAIRO_LINE_JOIN_ROUND);
        cairo_stroke(cr);
    }
    extents->x_advance = shape->widthFactor * advance;
    extents->y_advance = 0.0;
    return CAIRO_STATUS_SUCCESS;
}

bool sameMatrix(const cairo_matrix_t& a, const cairo_matrix_t& b)
{
    return a.xx == b.xx && a.yx == b.yx && a.xy == b.xy && a.yy == b.yy;
}

// Seven significant digits: texts placed alike share one scaled font, whatever noise
// their frames carry.
double steadied(double value)
{
    if (value == 0.0 || !std::isfinite(value))
        return 0.0;
    const double step = std::pow(10.0, std::floor(std::log10(std::fabs(value))) - 6.0);
    return std::round(value / step) * step;
}

}  // namespace

CairoGlyphFonts::~CairoGlyphFonts()
{
    for (auto& entry : m_faces)
        cairo_font_face_destroy(entry.second);
}

cairo_font_face_t* CairoGlyphFonts::faceFor(const PaintedGlyph& g, const GlyphFrame& frame)
{
    const auto key = std::make_tuple(g.font, frame.widthFactor, frame.slant, g.width);
    auto found = m_faces.find(key);
    if (found != m_faces.end())
        return found->second;
    cairo_font_face_t* face = cairo_user_font_face_create();
    cairo_user_font_face_set_init_func(face, initFont);
    cairo_user_font_face_set_render_glyph_func(face, renderGlyph);
    auto* shape = new FaceShape{g.font, frame.widthFactor, frame.slant, g.width};
    if (cairo_font_face_set_user_data(face, &kFaceKey, shape, forgetShape) != CAIRO_STATUS_SUCCESS)
        delete shape;
    m_faces.emplace(key, face);
    return face;
}

void CairoGlyphFonts::add(cairo_t* cr, const PaintedGlyph& g, const GlyphFrame& frame)
{
    cairo_font_face_t* face = faceFor(g, frame);
    cairo_matrix_t matrix;
    cairo_matrix_init(&matrix, steadied(frame.scale * frame.across.x), steadied(frame.scale * frame.across.y),
                      steadied(frame.scale * frame.down.x), steadied(frame.scale * frame.down.y), 0.0, 0.0);
    Run* run = nullptr;
    for (Run& r : m_runs)
        if (r.face == face && sameMatrix(r.matrix, matrix))
            run = &r;
    if (run == nullptr) {
        m_runs.emplace_back();
        run = &m_runs.back();
        run->face = face;
        run->matrix = matrix;
    }
    const std::size_t before = run->text.size();
    appendUtf8(run->text, g.ch);
    run->glyphs.push_back({g.ch, g.origin.x, g.origin.y});
    run->clusters.push_back({int(run->text.size() - before), 1});
    ++m_gathered;
    m_color = g.color;
    if (run->glyphs.size() >= kRunGlyphs)
        showRun(cr, *run);
}

void CairoGlyphFonts::show(cairo_t* cr, Rgb color)
{
    m_color = color;
    for (Run& run : m_runs)
        showRun(cr, run);
    m_runs.clear();
    m_gathered = 0;
}

void CairoGlyphFonts::showRun(cairo_t* cr, Run& run)
{
    if (run.glyphs.empty())
        return;
    cairo_set_font_face(cr, run.face);
    cairo_set_font_matrix(cr, &run.matrix);
    cairo_set_source_rgb(cr, m_color.r / 255.0, m_color.g / 255.0, m_color.b / 255.0);
    cairo_show_text_glyphs(cr, run.text.data(), int(run.text.size()), run.glyphs.data(), int(run.glyphs.size()),
                           run.clusters.data(), int(run.clusters.size()), cairo_text_cluster_flags_t(0));
    m_gathered -= std::min(m_gathered, run.glyphs.size());
    run.glyphs.clear();
    run.clusters.clear();
    run.text.clear();
}

}  // namespace vemio
