// Private to the runtime: the geometry of single-line text (the text entity and the
// attributes). A line of stroke glyphs is measured in font units, shaped by height,
// width factor, oblique angle and mirroring into the text's own frame, placed in the
// world by that frame, and anchored at its alignment point by its justification.
#pragma once

#include <string_view>

#include "acdb.h"
#include "dbid.h"
#include "gepnt3d.h"
#include "gevec3d.h"
#include "stroke_font.h"
#include "text_layout.h"

namespace acrt {

// Font units below the baseline that the bottom justifications stand on: the depth of
// the stroke fonts' descenders, a third of the cap height.
constexpr double kTextDescent = StrokeFont::kCapHeight / 3.0;

// A line of glyphs in font units, from the pen's start on the baseline: the advance of
// the pen and the box of the ink. Characters are taken as they are: a single-line text
// has no format codes.
struct GlyphRun {
    double advance = 0.0;
    bool hasInk = false;
    double inkMinX = 0.0, inkMinY = 0.0, inkMaxX = 0.0, inkMaxY = 0.0;
};
GlyphRun measureGlyphRun(std::wstring_view text, const StrokeFont& font);

// Glyph points (font units) in the text's frame (drawing units, x along the baseline
// from the position, y up). A backward text runs from its position against the
// direction; an upside-down text hangs below its baseline.
class TextShape {
public:
    TextShape(double height, double widthFactor, double oblique, bool backward, bool upsideDown);
    // Without an oblique angle x depends on gx alone, so the frame's extremes of a set
    // of glyph points are the shapes of their font-unit extremes, to the last bit.
    double x(double gx, double gy) const { return gx * m_xScale + gy * m_shear; }
    double y(double gy) const { return gy * m_yScale; }
    bool isSheared() const { return m_shear != 0.0; }
    // The images in the frame of one font unit along the baseline (x only) and one up.
    double xScale() const { return m_xScale; }
    double shear() const { return m_shear; }
    double yScale() const { return m_yScale; }

private:
    double m_xScale, m_shear, m_yScale;
};

// A box in the text's frame; empty when the text has no ink.
struct FrameBox {
    bool hasInk = false;
    double minX = 0.0, minY = 0.0, maxX = 0.0, maxY = 0.0;
};

// The ink of the shaped run in the text's frame: from the run's box when the text has
// no oblique angle, from every stroke point when it has one.
FrameBox shapedInk(std::wstring_view text, const StrokeFont& font, const TextShape& shape, const GlyphRun& run);

// Each stroke of the shaped run, as one polyline in the text's frame.
void shapeStrokes(std::wstring_view text, const StrokeFont& font, const TextShape& shape, StrokeSink sink);

// As shapeStrokes, but each character the font lacks is filled with its glyph from the
// CJK outline font fitted into its square (one polygon to fills, filled non-zero); one
// that font lacks as well keeps the square.
void shapeGlyphs(std::wstring_view text, const StrokeFont& font, const TextShape& shape, StrokeSink strokes,
                 StrokeSink fills);

// The point of the run (font units) that a justification puts at the alignment point.
// The middle mode takes the middle of the ink across the baseline; aligned and fitted
// texts are anchored at their start.
void justificationAnchor(AcDb::TextHorzMode horz, AcDb::TextVertMode vert, const GlyphRun& run, double& ax,
                         double& ay);

// The x axis of the plane with this normal by the host's arbitrary-axis rule.
AcGeVector3d planeXAxis(const AcGeVector3d& normal);
// The baseline's direction at a rotation (radians, counter-clockwise about the normal
// from the plane's x axis); exactly the world x axis at rotation 0 in plan.
AcGeVector3d baselineDirection(const AcGeVector3d& normal, double rotation);
// The rotation of a direction in the plane of the normal, in [0, 2pi).
double rotationOf(const AcGeVector3d& direction, const AcGeVector3d& normal);

// The text's frame in the world. Written out per coordinate so that a text in plan at
// rotation 0 lands on position + (x, y) exactly, which keeps its extents equal to its
// strokes to the last digit.
class TextFrame {
public:
    TextFrame(const AcGePoint3d& origin, const AcGeVector3d& direction, const AcGeVector3d& normal)
        : m_origin(origin), m_x(direction), m_y(normal.crossProduct(direction))
    {
    }
    AcGePoint3d world(double x, double y) const
    {
        return AcGePoint3d(m_origin.x + m_x.x * x + m_y.x * y, m_origin.y + m_x.y * x + m_y.y * y,
                           m_origin.z + m_x.z * x + m_y.z * y);
    }
    const AcGeVector3d& xAxis() const { return m_x; }
    const AcGeVector3d& yAxis() const { return m_y; }

private:
    AcGePoint3d m_origin;
    AcGeVector3d m_x, m_y;
};

// The stroke font of a text style, read in place (every measure asks, and a style open
// for write elsewhere must not change how a text measures); the default font when
// there is no style or it cannot be read now.
const StrokeFont& textStyleFont(AcDbObjectId styleId);
// The text size of a style, 0 when it has none or cannot be read now.
double textStyleSize(AcDbObjectId styleId);

}  // namespace acrt
