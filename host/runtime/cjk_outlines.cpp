// Reading of CJK glyph outlines with FreeType: each character's contours are flattened
// in font units, fitted into the unit cell and joined into one non-zero polygon, once per
// character for the life of the process.
#include "cjk_outlines.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace acrt {

namespace {

// Flattening tolerance in font units: a 2048-unit em keeps curves within a five-hundredth
// of the cell, finer than a pen's width at any size a label is read at.
constexpr double kToleranceEm = 1.0 / 512.0;
constexpr int kMaxCurvePieces = 16;

// The ideographic em box stands this far below the baseline, as the cell's bottom does.
constexpr double kCellBottomEm = 0.12;

struct Loop {
    std::size_t from, to;  // points of FlatOutline::points
};

// Contours flattened in font units, then fitted into the cell.
struct FlatOutline {
    double tolerance = 1.0;
    std::vector<StrokePoint> points;
    std::vector<Loop> loops;
    StrokePoint pen{0.0, 0.0};

    void startLoop(const FT_Vector* to)
    {
        closeLoop();
        loops.push_back({points.size(), points.size()});
        pen = {double(to->x), double(to->y)};
        points.push_back(pen);
    }
    void lineTo(StrokePoint p)
    {
        points.push_back(p);
        pen = p;
    }
    void closeLoop()
    {
        if (loops.empty())
            return;
        Loop& loop = loops.back();
        loop.to = points.size();
        if (loop.to - loop.from < 3) {
            points.resize(loop.from);
            loops.pop_back();
        }
    }
};

int piecesFor(double bend, double tolerance)
{
    const int n = int(std::ceil(std::sqrt(bend / (4.0 * tolerance))));
    return std::clamp(n, 1, kMaxCurvePieces);
}

double bendOf(StrokePoint a, StrokePoint b, StrokePoint c)
{
    return std::hypot(a.x - 2.0 * b.x + c.x, a.y - 2.0 * b.y + c.y);
}

StrokePoint pointOf(const FT_Vector* v)
{
    return {double(v->x), double(v->y)};
}

int moveTo(const FT_Vector* to, void* user)
{
    static_cast<FlatOutline*>(user)->startLoop(to);
    return 0;
}

int lineTo(const FT_Vector* to, void* user)
{
    static_cast<FlatOutline*>(user)->lineTo(pointOf(to));
    return 0;
}

int conicTo(const FT_Vector* control, const FT_Vector* to, void* user)
{
    FlatOutline& out = *static_cast<FlatOutline*>(user);
    const StrokePoint p0 = out.pen, p1 = pointOf(control), p2 = pointOf(to);
    const int n = piecesFor(bendOf(p0, p1, p2), out.tolerance);
    for (int i = 1; i <= n; ++i) {
        const double t = double(i) / n, u = 1.0 - t;
        out.lineTo({u * u * p0.x + 2 * u * t * p1.x + t * t * p2.x, u * u * p0.y + 2 * u * t * p1.y + t * t * p2.y});
    }
    return 0;
}

int cubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user)
{
    FlatOutline& out = *static_cast<FlatOutline*>(user);
    const StrokePoint p0 = out.pen, p1 = pointOf(c1), p2 = pointOf(c2), p3 = pointOf(to);
    const double bend = 1.5 * std::max(bendOf(p0, p1, p2), bendOf(p1, p2, p3));
    const int n = piecesFor(bend, out.tolerance);
    for (int i = 1; i <= n; ++i) {
        const double t = double(i) / n, u = 1.0 - t;
        const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        out.lineTo({a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y});
    }
    return 0;
}

// The loops as one polygon: the first loop closed at its start, then each further loop
// reached from that start, run round, closed, and left back to that start.
std::vector<StrokePoint> joinLoops(const FlatOutline& flat)
{
    std::vector<StrokePoint> polygon;
    if (flat.loops.empty())
        return polygon;
    polygon.reserve(flat.points.size() + 3 * flat.loops.size());
    const StrokePoint start = flat.points[flat.loops[0].from];
    for (const Loop& loop : flat.loops) {
        polygon.insert(polygon.end(), flat.points.begin() + long(loop.from), flat.points.begin() + long(loop.to));
        polygon.push_back(flat.points[loop.from]);
        if (&loop != &flat.loops[0])
            polygon.push_back(start);
    }
    return polygon;
}

// Font units to the cell: the em square, its bottom kCellBottomEm below the baseline,
// becomes the unit square; the glyph is centred across by its advance.
void fitIntoCell(std::vector<StrokePoint>& polygon, double unitsPerEm, double advance)
{
    const double shiftX = (unitsPerEm - advance) / 2.0;
    for (StrokePoint& p : polygon) {
        p.x = std::clamp((p.x + shiftX) / unitsPerEm, 0.0, 1.0);
        p.y = std::clamp(p.y / unitsPerEm + kCellBottomEm, 0.0, 1.0);
    }
}

}  // namespace

const CjkOutlines& CjkOutlines::shared()
{
    static const std::unique_ptr<CjkOutlines> font = loadFromFile(sharedPath());
    return *font;
}

std::string CjkOutlines::sharedPath()
{
    const char* env = std::getenv("VEM_CJK_FONT");
    return env != nullptr && *env != '\0' ? env : kDefaultPath;
}

std::unique_ptr<CjkOutlines> CjkOutlines::loadFromFile(const std::string& path)
{
    std::unique_ptr<CjkOutlines> font(new CjkOutlines());
    font->m_sourcePath = path;
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        return font;
    font->m_library = library;
    FT_Face face = nullptr;
    if (FT_New_Face(library, path.c_str(), 0, &face) != 0)
        return font;
    if (face->units_per_EM == 0 || !FT_IS_SCALABLE(face)) {
        FT_Done_Face(face);
        return font;
    }
    font->m_face = face;
    return font;
}

CjkOutlines::~CjkOutlines()
{
    if (m_face != nullptr)
        FT_Done_Face(static_cast<FT_Face>(m_face));
    if (m_library != nullptr)
        FT_Done_FreeType(static_cast<FT_Library>(m_library));
}

const std::vector<StrokePoint>& CjkOutlines::cellPolygon(char32_t c) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto found = m_cache.find(c);
    if (found == m_cache.end())
        found = m_cache.emplace(c, readGlyph(c)).first;
    return found->second;
}

std::vector<StrokePoint> CjkOutlines::readGlyph(char32_t c) const
{
    FT_Face face = static_cast<FT_Face>(m_face);
    if (face == nullptr)
        return {};
    const FT_UInt index = FT_Get_Char_Index(face, FT_ULong(c));
    if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0 ||
        face->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
        return {};
    FlatOutline flat;
    flat.tolerance = face->units_per_EM * kToleranceEm;
    FT_Outline_Funcs funcs = {};
    funcs.move_to = moveTo;
    funcs.line_to = lineTo;
    funcs.conic_to = conicTo;
    funcs.cubic_to = cubicTo;
    if (FT_Outline_Decompose(&face->glyph->outline, &funcs, &flat) != 0)
        return {};
    flat.closeLoop();
    std::vector<StrokePoint> polygon = joinLoops(flat);
    fitIntoCell(polygon, double(face->units_per_EM), double(face->glyph->advance.x));
    polygon.shrink_to_fit();
    return polygon;
}

}  // namespace acrt
