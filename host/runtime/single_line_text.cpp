// Single-line text geometry: glyph runs measured in font units, shaped into the text's
// frame, anchored by justification, and the frame of a rotation in a plane.
#include "single_line_text.h"

#include "cjk_outlines.h"

#include <cmath>
#include <vector>

#include "db_internals.h"
#include "dbsymtb.h"

namespace acrt {

namespace {

constexpr double kTwoPi = 2.0 * M_PI;

void widen(FrameBox& box, double x, double y)
{
    if (!box.hasInk) {
        box = FrameBox{true, x, y, x, y};
        return;
    }
    box.minX = x < box.minX ? x : box.minX;
    box.maxX = x > box.maxX ? x : box.maxX;
    box.minY = y < box.minY ? y : box.minY;
    box.maxY = y > box.maxY ? y : box.maxY;
}

// Calls visit(gx, gy) for every stroke point of the run, with the pen's offset added,
// and end() after each stroke.
template <class Visit, class End>
void forEachStrokePoint(std::wstring_view text, const StrokeFont& font, Visit visit, End end)
{
    const std::vector<StrokeRun>& runs = font.runs();
    const std::vector<StrokePoint>& points = font.points();
    double pen = 0.0;
    for (wchar_t c : text) {
        const Glyph& glyph = font.glyph(static_cast<char32_t>(c));
        for (std::uint32_t r = glyph.firstRun; r < glyph.firstRun + glyph.runCount; ++r) {
            for (std::uint32_t p = runs[r].first; p < runs[r].first + runs[r].count; ++p)
                visit(pen + points[p].x, points[p].y);
            end();
        }
        pen += glyph.advance;
    }
}

const AcDbTextStyleTableRecord* peekStyle(AcDbObjectId styleId)
{
    AcDbObject* obj = AcDbSystemInternals::peek(styleId);
    const AcDbTextStyleTableRecord* style = obj ? AcDbTextStyleTableRecord::cast(obj) : nullptr;
    return style != nullptr && !style->isErased() ? style : nullptr;
}

}  // namespace

GlyphRun measureGlyphRun(std::wstring_view text, const StrokeFont& font)
{
    GlyphRun run;
    FrameBox ink;
    for (wchar_t c : text) {
        const Glyph& glyph = font.glyph(static_cast<char32_t>(c));
        if (glyph.hasInk) {
            widen(ink, run.advance + glyph.inkMinX, glyph.inkMinY);
            widen(ink, run.advance + glyph.inkMaxX, glyph.inkMaxY);
        }
        run.advance += glyph.advance;
    }
    run.hasInk = ink.hasInk;
    run.inkMinX = ink.minX;
    run.inkMinY = ink.minY;
    run.inkMaxX = ink.maxX;
    run.inkMaxY = ink.maxY;
    return run;
}

TextShape::TextShape(double height, double widthFactor, double oblique, bool backward, bool upsideDown)
{
    const double unit = height / StrokeFont::kCapHeight;
    const double across = backward ? -unit : unit;
    m_xScale = across * widthFactor;
    m_shear = oblique == 0.0 ? 0.0 : across * std::tan(oblique);
    m_yScale = upsideDown ? -unit : unit;
}

FrameBox shapedInk(std::wstring_view text, const StrokeFont& font, const TextShape& shape, const GlyphRun& run)
{
    FrameBox box;
    if (!run.hasInk)
        return box;
    if (!shape.isSheared()) {
        widen(box, shape.x(run.inkMinX, 0.0), shape.y(run.inkMinY));
        widen(box, shape.x(run.inkMaxX, 0.0), shape.y(run.inkMaxY));
        return box;
    }
    forEachStrokePoint(
        text, font, [&](double gx, double gy) { widen(box, shape.x(gx, gy), shape.y(gy)); }, [] {});
    return box;
}

void shapeStrokes(std::wstring_view text, const StrokeFont& font, const TextShape& shape, StrokeSink sink)
{
    std::vector<StrokePoint> stroke;
    stroke.reserve(font.longestRun());
    forEachStrokePoint(
        text, font, [&](double gx, double gy) { stroke.push_back({shape.x(gx, gy), shape.y(gy)}); },
        [&] {
            sink(stroke.data(), stroke.size());
            stroke.clear();
        });
}

void shapeGlyphs(std::wstring_view text, const StrokeFont& font, const TextShape& shape, StrokeSink strokes,
                 StrokeSink fills)
{
    const CjkOutlines& outlines = CjkOutlines::shared();
    const std::vector<StrokeRun>& runs = font.runs();
    const std::vector<StrokePoint>& glyphPoints = font.points();
    std::vector<StrokePoint> points;
    double pen = 0.0;
    for (wchar_t ch : text) {
        const char32_t c = static_cast<char32_t>(ch);
        const Glyph& glyph = font.glyph(c);
        const std::vector<StrokePoint>* fill = font.hasGlyph(c) ? nullptr : &outlines.cellPolygon(c);
        if (fill != nullptr && !fill->empty()) {
            const double side = glyph.advance;
            points.clear();
            for (const StrokePoint& p : *fill)
                points.push_back({shape.x(pen + p.x * side, p.y * side), shape.y(p.y * side)});
            fills(points.data(), points.size());
        } else {
            for (std::uint32_t r = glyph.firstRun; r < glyph.firstRun + glyph.runCount; ++r) {
                points.clear();
                for (std::uint32_t p = runs[r].first; p < runs[r].first + runs[r].count; ++p)
                    points.push_back({shape.x(pen + glyphPoints[p].x, glyphPoints[p].y), shape.y(glyphPoints[p].y)});
                strokes(points.data(), points.size());
            }
        }
        pen += glyph.advance;
    }
}

void justificationAnchor(AcDb::TextHorzMode horz, AcDb::TextVertMode vert, const GlyphRun& run, double& ax,
                         double& ay)
{
    switch (horz) {
    case AcDb::kTextCenter: ax = run.advance / 2.0; break;
    case AcDb::kTextRight: ax = run.advance; break;
    case AcDb::kTextMid: ax = run.advance / 2.0; break;
    default: ax = 0.0; break;
    }
    if (horz == AcDb::kTextMid) {
        ay = run.hasInk ? (run.inkMinY + run.inkMaxY) / 2.0 : StrokeFont::kCapHeight / 2.0;
        return;
    }
    if (horz == AcDb::kTextAlign || horz == AcDb::kTextFit) {
        ay = 0.0;
        return;
    }
    switch (vert) {
    case AcDb::kTextBottom: ay = -kTextDescent; break;
    case AcDb::kTextVertMid: ay = StrokeFont::kCapHeight / 2.0; break;
    case AcDb::kTextTop: ay = StrokeFont::kCapHeight; break;
    default: ay = 0.0; break;
    }
}

AcGeVector3d planeXAxis(const AcGeVector3d& normal)
{
    const double kArbitraryAxisLimit = 1.0 / 64.0;
    const bool nearWorldZ = std::fabs(normal.x) < kArbitraryAxisLimit && std::fabs(normal.y) < kArbitraryAxisLimit;
    return (nearWorldZ ? AcGeVector3d::kYAxis : AcGeVector3d::kZAxis).crossProduct(normal).normal();
}

AcGeVector3d baselineDirection(const AcGeVector3d& normal, double rotation)
{
    const AcGeVector3d xAxis = planeXAxis(normal);
    if (rotation == 0.0)
        return xAxis;
    const AcGeVector3d yAxis = normal.crossProduct(xAxis);
    return xAxis * std::cos(rotation) + yAxis * std::sin(rotation);
}

double rotationOf(const AcGeVector3d& direction, const AcGeVector3d& normal)
{
    const AcGeVector3d xAxis = planeXAxis(normal);
    const AcGeVector3d yAxis = normal.crossProduct(xAxis);
    double angle = std::atan2(direction.dotProduct(yAxis), direction.dotProduct(xAxis));
    if (angle < 0.0)
        angle += kTwoPi;
    return angle < kTwoPi ? angle : 0.0;
}

const StrokeFont& textStyleFont(AcDbObjectId styleId)
{
    const AcDbTextStyleTableRecord* style = peekStyle(styleId);
    const ACHAR* fileName = nullptr;
    if (style != nullptr)
        style->fileName(fileName);
    return StrokeFont::forFontFile(fileName != nullptr ? fileName : L"");
}

double textStyleSize(AcDbObjectId styleId)
{
    const AcDbTextStyleTableRecord* style = peekStyle(styleId);
    const double size = style != nullptr ? style->textSize() : 0.0;
    return size > 0.0 && std::isfinite(size) ? size : 0.0;
}

}  // namespace acrt
