// The host's single-line text: a string along a baseline, placed by its justification,
// measured and drawn with its style's stroke font, filed, transformed by similarities
// (a mirrored text stays readable), gripped, stretched, snapped to and listed.
#include <cmath>
#include <utility>
#include <vector>

#include "acgi.h"
#include "acutmem.h"
#include "circular_arcs.h"
#include "db_internals.h"
#include "dbents.h"
#include "dbsymtb.h"
#include "glyph_target.h"
#include "list_output.h"
#include "rx_runtime_class.h"
#include "scaled_drawing.h"
#include "single_line_text.h"
#include "text_alignment.h"

ACRT_DEFINE_CLASS(AcDbText, AcDbEntity, "TEXT");

using acrt::isBetweenPoints;
using acrt::isDefault;
using acrt::isUsableWidthFactor;
using acrt::placeByJustification;
using acrt::pointText;
using acrt::printListLine;
using acrt::shownHeight;
using TextData = AcDbText::TextData;

namespace {

constexpr Adesk::Int16 kTextVersion = 1;
constexpr double kTwoPi = 2.0 * M_PI;
constexpr double kMaxOblique = 85.0 * M_PI / 180.0;
constexpr double kSquareTolerance = 1e-9;
// Generation flags as DXF group 71 holds them.
constexpr Adesk::Int16 kBackwardFlag = 2;
constexpr Adesk::Int16 kUpsideDownFlag = 4;

bool isFinitePoint(const AcGePoint3d& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }
bool isUsableHeight(double h) { return h >= 0.0 && std::isfinite(h); }
bool isUsableOblique(double a) { return std::fabs(a) <= kMaxOblique; }
bool isHorzMode(int mode) { return mode >= AcDb::kTextLeft && mode <= AcDb::kTextFit; }
bool isVertMode(int mode) { return mode >= AcDb::kTextBase && mode <= AcDb::kTextTop; }

// The readable-text rule: a direction at theta reads as it is when theta <= pi/2 or
// theta > 3pi/2, and turned half round otherwise.
bool readsForward(double rotation) { return rotation <= M_PI / 2.0 || rotation > 1.5 * M_PI; }

// What measuring and drawing a text share: its font, its run of glyphs, their shape
// and the frame that puts them in the world.
struct TextGeometry {
    TextGeometry(const TextData& t, const AcString& shown, const AcDbDatabase* db)
        : text(shown.wstr()), font(acrt::textStyleFont(t.styleId)), run(acrt::measureGlyphRun(text, font)),
          height(shownHeight(t, db)), shape(height, t.widthFactor, t.oblique, t.backward, t.upsideDown),
          frame(t.position, acrt::baselineDirection(t.normal, t.rotation), t.normal)
    {
    }
    std::wstring_view text;
    const acrt::StrokeFont& font;
    acrt::GlyphRun run;
    double height;
    acrt::TextShape shape;
    acrt::TextFrame frame;
};

Acad::ErrorStatus readTextData(AcDbDwgFiler* pFiler, TextData& t)
{
    Adesk::Int16 version = 0, flags = 0, horz = 0, vert = 0;
    AcDbHardPointerId styleId;
    Acad::ErrorStatus es = pFiler->readInt16(&version);
    if (es != Acad::eOk)
        return es;
    if (version > kTextVersion)
        return Acad::eMakeMeProxy;
    if (version < 1)
        return Acad::eFilerError;
    es = pFiler->readString(t.string);
    for (AcGePoint3d* p : {&t.position, &t.alignmentPoint})
        if (es == Acad::eOk)
            es = pFiler->readPoint3d(p);
    if (es == Acad::eOk)
        es = pFiler->readVector3d(&t.normal);
    for (double* d : {&t.thickness, &t.oblique, &t.rotation, &t.height, &t.widthFactor})
        if (es == Acad::eOk)
            es = pFiler->readDouble(d);
    if (es == Acad::eOk)
        es = pFiler->readHardPointerId(&styleId);
    for (Adesk::Int16* i : {&flags, &horz, &vert})
        if (es == Acad::eOk)
            es = pFiler->readInt16(i);
    if (es != Acad::eOk)
        return es;
    if (!isFinitePoint(t.position) || !isFinitePoint(t.alignmentPoint) || !acrt::isUsableNormal(t.normal) ||
        !std::isfinite(t.thickness) || !isUsableOblique(t.oblique) || !(t.rotation >= 0.0) ||
        !(t.rotation < kTwoPi) || !isUsableHeight(t.height) || !isUsableWidthFactor(t.widthFactor) ||
        (flags & ~(kBackwardFlag | kUpsideDownFlag)) != 0 || !isHorzMode(horz) || !isVertMode(vert))
        return Acad::eFilerError;
    t.normal = acrt::unitNormalOf(t.normal);
    t.styleId = styleId;
    t.backward = (flags & kBackwardFlag) != 0;
    t.upsideDown = (flags & kUpsideDownFlag) != 0;
    t.horzMode = AcDb::TextHorzMode(horz);
    t.vertMode = AcDb::TextVertMode(vert);
    return Acad::eOk;
}

AcString styleNameOf(AcDbObjectId styleId)
{
    AcString name;
    AcDbTextStyleTableRecord* pStyle = nullptr;
    if (!styleId.isNull() && acdbOpenObject(pStyle, styleId, AcDb::kForRead) == Acad::eOk) {
        pStyle->getName(name);
        pStyle->close();
    }
    return name;
}

AcString listedNumber(const wchar_t* label, double value)
{
    AcString text;
    text.format(L"  %s %.4f", label, value);
    return text;
}

}  // namespace

// ---- construction and values -------------------------------------------------------------

AcDbText::AcDbText() = default;

AcDbText::AcDbText(const AcGePoint3d& position, const ACHAR* text, AcDbObjectId style, double height, double rotation)
{
    m_text.string = text != nullptr ? text : L"";
    m_text.position = position;
    m_text.alignmentPoint = position;
    m_text.styleId = style;
    m_text.height = isUsableHeight(height) ? height : 0.0;
    m_text.rotation = acrt::normalizedAngle(rotation);
}

AcDbText::~AcDbText() = default;

Acad::ErrorStatus AcDbText::setPosition(const AcGePoint3d& position)
{
    assertWriteEnabled();
    m_text.position = position;
    if (isDefault(m_text))
        m_text.alignmentPoint = position;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbText::setAlignmentPoint(const AcGePoint3d& alignPoint)
{
    assertWriteEnabled();
    m_text.alignmentPoint = alignPoint;
    return Acad::eOk;
}

Adesk::Boolean AcDbText::isDefaultAlignment() const
{
    assertReadEnabled();
    return isDefault(m_text);
}

Acad::ErrorStatus AcDbText::setNormal(const AcGeVector3d& normal)
{
    if (!acrt::isUsableNormal(normal))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_text.normal = normal.normal();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbText::setThickness(double thickness)
{
    if (!std::isfinite(thickness))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_text.thickness = thickness;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbText::setOblique(double oblique)
{
    if (!isUsableOblique(oblique))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_text.oblique = oblique;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbText::setRotation(double rotation)
{
    if (!std::isfinite(rotation))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_text.rotation = acrt::normalizedAngle(rotation);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbText::setHeight(double height)
{
    if (!isUsableHeight(height))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_text.height = height;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbText::setWidthFactor(double widthFactor)
{
    if (!isUsableWidthFactor(widthFactor))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_text.widthFactor = widthFactor;
    return Acad::eOk;
}

ACHAR* AcDbText::textString() const
{
    assertReadEnabled();
    ACHAR* copy = nullptr;
    acutNewString(m_text.string.kwszPtr(), copy);
    return copy;
}

Acad::ErrorStatus AcDbText::setTextString(const ACHAR* text)
{
    assertWriteEnabled();
    m_text.string = text != nullptr ? text : L"";
    return Acad::eOk;
}

Acad::ErrorStatus AcDbText::setTextStyle(AcDbObjectId styleId)
{
    assertWriteEnabled();
    m_text.styleId = styleId;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbText::mirrorInX(Adesk::Boolean mirror)
{
    assertWriteEnabled();
    m_text.backward = mirror;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbText::mirrorInY(Adesk::Boolean mirror)
{
    assertWriteEnabled();
    m_text.upsideDown = mirror;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbText::setHorizontalMode(AcDb::TextHorzMode mode)
{
    if (!isHorzMode(mode))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_text.horzMode = mode;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbText::setVerticalMode(AcDb::TextVertMode mode)
{
    if (!isVertMode(mode))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_text.vertMode = mode;
    return Acad::eOk;
}

AcDbText::AcTextAlignment AcDbText::justification() const
{
    assertReadEnabled();
    return acrt::justificationOf(m_text).alignment;
}

Acad::ErrorStatus AcDbText::setJustification(AcTextAlignment justification)
{
    const acrt::Justification* j = acrt::justificationFor(justification);
    if (j == nullptr)
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_text.horzMode = j->horz;
    m_text.vertMode = j->vert;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbText::adjustAlignment(const AcDbDatabase* pDb)
{
    assertWriteEnabled();
    placeByJustification(m_text, shownString(), pDb != nullptr ? pDb : database());
    return Acad::eOk;
}

void AcDbText::subSetDatabaseDefaults(AcDbDatabase* pDb)
{
    if (pDb == nullptr)
        return;
    if (m_text.styleId.isNull())
        m_text.styleId = pDb->textstyle();
    if (!(m_text.height > 0.0))
        m_text.height = shownHeight(m_text, pDb);
}

const AcString& AcDbText::shownString() const { return m_text.string; }

Acad::ErrorStatus AcDbText::subClose()
{
    if (isWriteEnabled())
        placeByJustification(m_text, shownString(), database());
    return AcDbEntity::subClose();
}

// ---- filing ------------------------------------------------------------------------------

Acad::ErrorStatus AcDbText::dwgOutFields(AcDbDwgFiler* pFiler) const
{
    assertReadEnabled();
    const Acad::ErrorStatus es = AcDbEntity::dwgOutFields(pFiler);
    if (es != Acad::eOk)
        return es;
    const TextData& t = m_text;
    pFiler->writeInt16(kTextVersion);
    pFiler->writeString(t.string);
    pFiler->writePoint3d(t.position);
    pFiler->writePoint3d(t.alignmentPoint);
    pFiler->writeVector3d(t.normal);
    for (double d : {t.thickness, t.oblique, t.rotation, t.height, t.widthFactor})
        pFiler->writeDouble(d);
    pFiler->writeHardPointerId(t.styleId);
    pFiler->writeInt16(Adesk::Int16((t.backward ? kBackwardFlag : 0) | (t.upsideDown ? kUpsideDownFlag : 0)));
    pFiler->writeInt16(Adesk::Int16(t.horzMode));
    pFiler->writeInt16(Adesk::Int16(t.vertMode));
    return pFiler->filerStatus();
}

// Read into a copy and taken only when every value is one the setters would accept.
Acad::ErrorStatus AcDbText::dwgInFields(AcDbDwgFiler* pFiler)
{
    assertWriteEnabled();
    Acad::ErrorStatus es = AcDbEntity::dwgInFields(pFiler);
    if (es != Acad::eOk)
        return es;
    TextData read;
    es = readTextData(pFiler, read);
    if (es != Acad::eOk)
        return es;
    m_text = std::move(read);
    return Acad::eOk;
}

// ---- drawing and extents -------------------------------------------------------------------

namespace {

// Each character handed to a context that takes texts glyph by glyph, its glyph shaped by
// the text's width factor, oblique angle and mirroring.
void drawByGlyph(const acrt::GlyphTarget& target, const TextGeometry& g)
{
    const acrt::TextShape& shape = g.shape;
    acrt::PlacedGlyph placed;
    placed.font = &g.font;
    placed.xAxis = g.frame.xAxis() * shape.xScale();
    placed.yAxis = g.frame.xAxis() * shape.shear() + g.frame.yAxis() * shape.yScale();
    double pen = 0.0;
    for (wchar_t ch : g.text) {
        placed.ch = static_cast<char32_t>(ch);
        placed.origin = g.frame.world(shape.x(pen, 0.0), shape.y(0.0));
        target.glyph(placed);
        pen += g.font.glyph(placed.ch).advance;
    }
}

}  // namespace

// Stroked in the style's font, the characters it lacks filled from the CJK outline font;
// a view whose pixel (the deviation it allows) makes the text too low to read
// gets one stroke along the middle of its ink instead.
Adesk::Boolean AcDbText::subWorldDraw(AcGiWorldDraw* pWd)
{
    assertReadEnabled();
    const TextGeometry g(m_text, shownString(), database());
    const AcGiWorldGeometry& geometry = pWd->geometry();
    const double pixel = pWd->deviation(kAcGiMaxDevForCurve, m_text.position);
    if (pixel > 0.0 && g.height < vemhost::kReadableTextPixels * pixel) {
        const acrt::FrameBox ink = acrt::shapedInk(g.text, g.font, g.shape, g.run);
        if (ink.hasInk) {
            const double middle = 0.5 * (ink.minY + ink.maxY);
            const AcGePoint3d run[2] = {g.frame.world(ink.minX, middle), g.frame.world(ink.maxX, middle)};
            geometry.polyline(2, run, &m_text.normal);
        }
        return Adesk::kTrue;
    }
    if (const acrt::GlyphTarget* target = acrt::glyphTargetOf(pWd)) {
        drawByGlyph(*target, g);
        return Adesk::kTrue;
    }
    std::vector<AcGePoint3d> points;
    points.reserve(g.font.longestRun());
    auto place = [&](const acrt::StrokePoint* stroke, std::size_t count) {
        points.clear();
        for (std::size_t i = 0; i < count; ++i)
            points.push_back(g.frame.world(stroke[i].x, stroke[i].y));
    };
    acrt::shapeGlyphs(
        g.text, g.font, g.shape,
        [&](const acrt::StrokePoint* stroke, std::size_t count) {
            place(stroke, count);
            geometry.polyline(Adesk::UInt32(points.size()), points.data(), &m_text.normal);
        },
        [&](const acrt::StrokePoint* outline, std::size_t count) {
            place(outline, count);
            geometry.polygon(Adesk::UInt32(points.size()), points.data());
        });
    return Adesk::kTrue;
}

// The ink box placed in the world: exact for a text in plan at rotation 0, the box of
// the turned ink box's corners otherwise. A text without ink is its position.
Acad::ErrorStatus AcDbText::subGetGeomExtents(AcDbExtents& extents) const
{
    assertReadEnabled();
    const TextGeometry g(m_text, shownString(), database());
    const acrt::FrameBox ink = acrt::shapedInk(g.text, g.font, g.shape, g.run);
    extents = AcDbExtents();
    if (!ink.hasInk) {
        extents.addPoint(m_text.position);
        return Acad::eOk;
    }
    extents.addPoint(g.frame.world(ink.minX, ink.minY));
    extents.addPoint(g.frame.world(ink.maxX, ink.minY));
    extents.addPoint(g.frame.world(ink.maxX, ink.maxY));
    extents.addPoint(g.frame.world(ink.minX, ink.maxY));
    return Acad::eOk;
}

// ---- transforms, snaps, grips and stretching -------------------------------------------------

Acad::ErrorStatus AcDbText::subTransformBy(const AcGeMatrix3d& xform) { return transformText(xform, false); }

// The text's baseline and up directions are carried by the transform: their lengths
// scale the width factor and the height, their cross product (or its reverse, under a
// mirror) is the new normal. A mirrored text is kept readable, as the host keeps it
// by default: it is not drawn backward, and its direction is turned half round when it
// would read backwards (an aligned or fitted text then swaps its two points).
Acad::ErrorStatus AcDbText::transformText(const AcGeMatrix3d& xform, bool nonUniformAllowed)
{
    assertReadEnabled();
    TextData next = m_text;
    const AcGeVector3d direction = acrt::baselineDirection(next.normal, next.rotation);
    const AcGeVector3d along = xform * direction;
    const AcGeVector3d across = xform * next.normal.crossProduct(direction);
    const double alongScale = along.length(), acrossScale = across.length();
    if (!(alongScale > 0.0) || !(acrossScale > 0.0) || !std::isfinite(alongScale) || !std::isfinite(acrossScale) ||
        std::fabs(along.dotProduct(across)) > kSquareTolerance * alongScale * acrossScale)
        return Acad::eCannotScaleNonUniformly;
    if (!nonUniformAllowed && std::fabs(alongScale - acrossScale) > kSquareTolerance * alongScale)
        return Acad::eCannotScaleNonUniformly;
    const AcGeVector3d side = along.crossProduct(across).normal();
    const bool mirrored = (xform * next.normal).dotProduct(side) < 0.0;
    AcGeVector3d normal = mirrored ? -side : side;
    if (normal.isCodirectionalTo(next.normal))
        normal = next.normal;  // a transform in the plane keeps the normal exactly
    const AcGeVector3d newDirection = along / alongScale;
    double rotation = normal == next.normal && newDirection.isCodirectionalTo(direction)
                          ? next.rotation
                          : acrt::rotationOf(newDirection, normal);
    const bool turned = mirrored && !readsForward(rotation);
    if (turned)
        rotation = acrt::normalizedAngle(rotation + M_PI);
    next.position.transformBy(xform);
    next.alignmentPoint.transformBy(xform);
    if (turned && isBetweenPoints(next))
        std::swap(next.position, next.alignmentPoint);
    next.normal = normal;
    next.rotation = rotation;
    next.height *= acrossScale;
    if (alongScale != acrossScale)
        next.widthFactor *= alongScale / acrossScale;
    next.thickness *= (xform * m_text.normal).length();
    if (!isFinitePoint(next.position) || !isFinitePoint(next.alignmentPoint) || !isUsableHeight(next.height) ||
        !isUsableWidthFactor(next.widthFactor) || !std::isfinite(next.thickness))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_text = std::move(next);
    placeByJustification(m_text, shownString(), database());
    return Acad::eOk;
}

// The insertion point: the position of left, aligned and fitted text, else the
// alignment point. A text offers no other snap.
Acad::ErrorStatus AcDbText::subGetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker /*gsSelectionMark*/,
                                              const AcGePoint3d& /*pickPoint*/, const AcGePoint3d& /*lastPoint*/,
                                              const AcGeMatrix3d& /*viewXform*/, AcGePoint3dArray& snapPoints,
                                              AcDbIntArray& /*geomIds*/) const
{
    assertReadEnabled();
    if (osnapMode == AcDb::kOsModeIns)
        snapPoints.append(isDefault(m_text) || isBetweenPoints(m_text) ? m_text.position : m_text.alignmentPoint);
    return Acad::eOk;
}

// Grips: 0 the position; 1 the alignment point, unless the text is left/base.
Acad::ErrorStatus AcDbText::subGetGripPoints(AcGePoint3dArray& gripPoints, AcDbIntArray& /*osnapModes*/,
                                             AcDbIntArray& /*geomIds*/) const
{
    return AcDbText::subGetStretchPoints(gripPoints);
}

Acad::ErrorStatus AcDbText::subMoveGripPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    return AcDbText::subMoveStretchPointsAt(indices, offset);
}

Acad::ErrorStatus AcDbText::subGetStretchPoints(AcGePoint3dArray& stretchPoints) const
{
    assertReadEnabled();
    stretchPoints.append(m_text.position);
    if (!isDefault(m_text))
        stretchPoints.append(m_text.alignmentPoint);
    return Acad::eOk;
}

// The position moves the whole text (an aligned or fitted text only its first point);
// the alignment point moves alone, and the text follows it.
Acad::ErrorStatus AcDbText::subMoveStretchPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    const int count = isDefault(m_text) ? 1 : 2;
    bool first = false, second = false;
    for (int index : indices) {
        if (index < 0 || index >= count)
            return Acad::eInvalidIndex;
        (index == 0 ? first : second) = true;
    }
    if (!first && !second)
        return Acad::eOk;
    assertWriteEnabled();
    const bool wholeText = first && (second || !isBetweenPoints(m_text));
    if (first || wholeText)
        m_text.position += offset;
    if (second || (wholeText && !isDefault(m_text)))
        m_text.alignmentPoint += offset;
    placeByJustification(m_text, shownString(), database());
    return Acad::eOk;
}

// ---- listing -------------------------------------------------------------------------------

void AcDbText::listText(const wchar_t* kind) const
{
    assertReadEnabled();
    const TextData& t = m_text;
    acrt::printEntityHeader(kind, *this);
    printListLine(AcString(L"  Style = \"") + styleNameOf(t.styleId) + L"\"");
    printListLine(AcString(L"  start point, ") + pointText(t.position));
    if (!isDefault(t))
        printListLine(AcString(L"  alignment point, ") + pointText(t.alignmentPoint));
    printListLine(AcString(L"  justification ") + acrt::justificationOf(t).name);
    printListLine(listedNumber(L"height", shownHeight(t, database())));
    printListLine(AcString(L"  text ") + t.string);
    printListLine(listedNumber(L"rotation angle", t.rotation * 180.0 / M_PI));
    printListLine(listedNumber(L"width scale factor", t.widthFactor));
    printListLine(listedNumber(L"obliquing angle", t.oblique * 180.0 / M_PI));
    const wchar_t* generation = t.backward ? (t.upsideDown ? L"backward upside down" : L"backward")
                                           : (t.upsideDown ? L"upside down" : L"normal");
    printListLine(AcString(L"  generation ") + generation);
}

void AcDbText::subList() const { listText(L"TEXT"); }
