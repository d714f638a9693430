// The host's multiline text: contents laid out with the text style's stroke font and
// placed by its attachment point at a location, in a frame of direction and normal;
// measured without drawing, drawn as strokes, filed, transformed and listed.
#include <cmath>
#include <cwchar>
#include <vector>

#include "acutads.h"
#include "dbmtext.h"

#include "db_internals.h"
#include "dbsymtb.h"
#include "glyph_target.h"
#include "list_output.h"
#include "rx_runtime_class.h"
#include "scaled_drawing.h"
#include "text_layout.h"

ACRT_DEFINE_CLASS(AcDbMText, AcDbEntity, "MTEXT");

using acrt::pointText;
using acrt::printEntityHeader;
using acrt::printListLine;

namespace {

constexpr double kTwoPi = 2.0 * M_PI;

bool isFiniteVector(const AcGeVector3d& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
bool isFinitePoint(const AcGePoint3d& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }
bool isAttachment(int value) { return value >= AcDbMText::kTopLeft && value <= AcDbMText::kBottomRight; }
bool isFlowDirection(int value) { return value >= AcDbMText::kLtoR && value <= AcDbMText::kByStyle; }

// The x axis of the plane with this normal, by the host's arbitrary-axis rule: the
// direction of rotation 0, exactly the world x axis for the normal (0,0,1).
AcGeVector3d planeXAxis(const AcGeVector3d& normal)
{
    const double kArbitraryAxisLimit = 1.0 / 64.0;
    const bool nearWorldZ = std::fabs(normal.x) < kArbitraryAxisLimit && std::fabs(normal.y) < kArbitraryAxisLimit;
    return (nearWorldZ ? AcGeVector3d::kYAxis : AcGeVector3d::kZAxis).crossProduct(normal).normal();
}

// The part of v in the plane of the normal, made unit; zero when v is along the normal.
AcGeVector3d inPlaneDirection(const AcGeVector3d& v, const AcGeVector3d& normal)
{
    const AcGeVector3d projected = v - normal * v.dotProduct(normal);
    return projected.isZeroLength() ? AcGeVector3d() : projected.normal();
}

// The text's own frame: x along the direction, y up in its plane, origin at the location.
// Written out per coordinate so that an unrotated text lands on location + (x, y)
// exactly, which keeps its extents equal to its strokes to the last digit.
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

// The stroke font of a text style: Roman Simplex unless the style names the complex
// font; the default font when there is no style or it cannot be read now.
// The style record is read in place, without an open: every text measure asks, and a
// style open for write elsewhere must not change how a text measures.
const acrt::StrokeFont& fontOf(AcDbObjectId styleId)
{
    AcDbObject* obj = AcDbSystemInternals::peek(styleId);
    AcDbTextStyleTableRecord* pStyle = obj ? AcDbTextStyleTableRecord::cast(obj) : nullptr;
    if (pStyle == nullptr || pStyle->isErased())
        return acrt::StrokeFont::forFontFile(L"");
    const ACHAR* fileName = nullptr;
    pStyle->fileName(fileName);
    return acrt::StrokeFont::forFontFile(fileName != nullptr ? fileName : L"");
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

// Where an attachment point lies in the laid-out box (attachment at (0,0)).
void attachmentPointInBox(const acrt::TextLayout& layout, int attachment, double& x, double& y)
{
    const int column = (attachment - 1) % 3;  // left, centre, right
    const int row = (attachment - 1) / 3;     // top, middle, bottom
    x = layout.boxMinX + layout.boxWidth * 0.5 * column;
    y = layout.boxMinY + layout.boxHeight * 0.5 * (2 - row);
}

const wchar_t* attachmentName(int attachment)
{
    static const wchar_t* const kNames[] = {L"TopLeft",    L"TopCenter",    L"TopRight",
                                            L"MiddleLeft", L"MiddleCenter", L"MiddleRight",
                                            L"BottomLeft", L"BottomCenter", L"BottomRight"};
    return isAttachment(attachment) ? kNames[attachment - 1] : L"?";
}


}  // namespace

AcDbMText::AcDbMText() = default;
AcDbMText::~AcDbMText() = default;

Acad::ErrorStatus AcDbMText::setLocation(const AcGePoint3d& point)
{
    assertWriteEnabled();
    m_location = point;
    return Acad::eOk;
}

// The direction is kept in the new plane; when it cannot be, rotation 0 of the plane.
Acad::ErrorStatus AcDbMText::setNormal(const AcGeVector3d& normal)
{
    if (!acrt::isUsableNormal(normal))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_normal = normal.normal();
    const AcGeVector3d direction = inPlaneDirection(m_direction, m_normal);
    m_direction = direction.isZeroLength() ? planeXAxis(m_normal) : direction;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbMText::setDirection(const AcGeVector3d& direction)
{
    if (!isFiniteVector(direction))
        return Acad::eInvalidInput;
    const AcGeVector3d inPlane = inPlaneDirection(direction, m_normal);
    if (inPlane.isZeroLength())
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_direction = inPlane;
    return Acad::eOk;
}

double AcDbMText::rotation() const
{
    assertReadEnabled();
    const AcGeVector3d xAxis = planeXAxis(m_normal);
    const AcGeVector3d yAxis = m_normal.crossProduct(xAxis);
    double angle = std::atan2(m_direction.dotProduct(yAxis), m_direction.dotProduct(xAxis));
    if (angle < 0.0)
        angle += kTwoPi;
    return angle < kTwoPi ? angle : 0.0;
}

// The angle is reduced to [0, 2 pi) before its cosine and sine are taken, so whole
// turns (callers pass 2 pi, 5 pi / 2) give the same direction as the reduced angle.
Acad::ErrorStatus AcDbMText::setRotation(double angle)
{
    if (!std::isfinite(angle))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    double reduced = std::fmod(angle, kTwoPi);
    if (reduced < 0.0)
        reduced += kTwoPi;
    const AcGeVector3d xAxis = planeXAxis(m_normal);
    const AcGeVector3d yAxis = m_normal.crossProduct(xAxis);
    m_direction = xAxis * std::cos(reduced) + yAxis * std::sin(reduced);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbMText::setWidth(double width)
{
    if (!(width >= 0.0) || !std::isfinite(width))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_width = width;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbMText::setTextHeight(double height)
{
    if (!(height > 0.0) || !std::isfinite(height))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_textHeight = height;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbMText::setTextStyle(AcDbObjectId styleId)
{
    assertWriteEnabled();
    m_textStyleId = styleId;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbMText::setAttachment(AttachmentPoint attachment)
{
    if (!isAttachment(attachment))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_attachment = attachment;
    return Acad::eOk;
}

// The location moves to where the new attachment point lies in the current text box.
Acad::ErrorStatus AcDbMText::setAttachmentMovingLocation(AttachmentPoint attachment)
{
    if (!isAttachment(attachment))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    if (attachment == m_attachment)
        return Acad::eOk;  // the text stays where it is without moving anything
    const acrt::TextLayout layout =
        acrt::measureText(m_contents.wstr(), m_textHeight, fontOf(m_textStyleId), m_attachment);
    double x = 0.0, y = 0.0;
    attachmentPointInBox(layout, attachment, x, y);
    m_location = TextFrame(m_location, m_direction, m_normal).world(x, y);
    m_attachment = attachment;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbMText::setFlowDirection(FlowDirection flowDirection)
{
    if (!isFlowDirection(flowDirection))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_flowDirection = flowDirection;
    return Acad::eOk;
}

int AcDbMText::setContents(const ACHAR* pText)
{
    assertWriteEnabled();
    m_contents = pText != nullptr ? pText : L"";
    return int(m_contents.length());
}

ACHAR* AcDbMText::contents() const
{
    assertReadEnabled();
    const size_t length = m_contents.length();
    ACHAR* copy = new ACHAR[length + 1];
    std::wmemcpy(copy, m_contents.kwszPtr(), length + 1);
    return copy;
}

double AcDbMText::actualHeight(AcGiWorldDraw* /*pWd*/) const
{
    assertReadEnabled();
    return acrt::measureText(m_contents.wstr(), m_textHeight, fontOf(m_textStyleId), m_attachment).boxHeight;
}

double AcDbMText::actualWidth() const
{
    assertReadEnabled();
    return acrt::measureText(m_contents.wstr(), m_textHeight, fontOf(m_textStyleId), m_attachment).boxWidth;
}

Acad::ErrorStatus AcDbMText::dwgOutFields(AcDbDwgFiler* pFiler) const
{
    assertReadEnabled();
    const Acad::ErrorStatus es = AcDbEntity::dwgOutFields(pFiler);
    if (es != Acad::eOk)
        return es;
    pFiler->writeString(m_contents);
    pFiler->writePoint3d(m_location);
    pFiler->writeVector3d(m_normal);
    pFiler->writeVector3d(m_direction);
    pFiler->writeDouble(m_width);
    pFiler->writeDouble(m_textHeight);
    pFiler->writeHardPointerId(m_textStyleId);
    pFiler->writeInt16(Adesk::Int16(m_attachment));
    pFiler->writeInt16(Adesk::Int16(m_flowDirection));
    return pFiler->filerStatus();
}

// Read into locals and taken only when every value is one the setters would accept.
Acad::ErrorStatus AcDbMText::dwgInFields(AcDbDwgFiler* pFiler)
{
    assertWriteEnabled();
    Acad::ErrorStatus es = AcDbEntity::dwgInFields(pFiler);
    if (es != Acad::eOk)
        return es;
    AcString contents;
    AcGePoint3d location;
    AcGeVector3d normal, direction;
    double width = 0.0, height = 0.0;
    AcDbHardPointerId styleId;
    Adesk::Int16 attachment = 0, flowDirection = 0;
    es = pFiler->readString(contents);
    if (es == Acad::eOk)
        es = pFiler->readPoint3d(&location);
    if (es == Acad::eOk)
        es = pFiler->readVector3d(&normal);
    if (es == Acad::eOk)
        es = pFiler->readVector3d(&direction);
    if (es == Acad::eOk)
        es = pFiler->readDouble(&width);
    if (es == Acad::eOk)
        es = pFiler->readDouble(&height);
    if (es == Acad::eOk)
        es = pFiler->readHardPointerId(&styleId);
    if (es == Acad::eOk)
        es = pFiler->readInt16(&attachment);
    if (es == Acad::eOk)
        es = pFiler->readInt16(&flowDirection);
    if (es != Acad::eOk)
        return es;
    if (!isFinitePoint(location) || !acrt::isUsableNormal(normal) || !isFiniteVector(direction) || !(width >= 0.0) ||
        !std::isfinite(width) || !(height > 0.0) || !std::isfinite(height) || !isAttachment(attachment) ||
        !isFlowDirection(flowDirection))
        return Acad::eFilerError;
    // A unit normal and a unit direction in its plane are kept as read, as the line and
    // polyline keep theirs: normalising them again could move them by a rounding step,
    // and a text saved and opened again would then not file the same record.
    normal = acrt::unitNormalOf(normal);
    if (!direction.isUnitLength() || !direction.isPerpendicularTo(normal))
        direction = inPlaneDirection(direction, normal);
    if (direction.isZeroLength())
        return Acad::eFilerError;
    m_contents = std::move(contents);
    m_location = location;
    m_normal = normal;
    m_direction = direction;
    m_width = width;
    m_textHeight = height;
    m_textStyleId = styleId;
    m_attachment = AttachmentPoint(attachment);
    m_flowDirection = FlowDirection(flowDirection);
    return Acad::eOk;
}

namespace {

constexpr double kInkLinePixels = 2.0;  // a block of lines lower than this is one stroke

// The ink of a text too low to read where it is drawn: one stroke along the middle of
// a line of text (or of a block of lines that low), the filled outline of a block.
void drawInkFromAfar(const acrt::TextLayout& layout, const TextFrame& frame, double pixel,
                     const AcGeVector3d& normal, const AcGiWorldGeometry& geometry)
{
    if (!layout.hasInk)
        return;
    if (layout.lineCount <= 1 || layout.maxY - layout.minY < kInkLinePixels * pixel) {
        const double middle = 0.5 * (layout.minY + layout.maxY);
        const AcGePoint3d run[2] = {frame.world(layout.minX, middle), frame.world(layout.maxX, middle)};
        geometry.polyline(2, run, &normal);
        return;
    }
    const AcGePoint3d block[4] = {frame.world(layout.minX, layout.minY), frame.world(layout.maxX, layout.minY),
                                  frame.world(layout.maxX, layout.maxY), frame.world(layout.minX, layout.maxY)};
    geometry.polygon(4, block);
}

// Each character handed to a context that takes texts glyph by glyph.
void drawByGlyph(const acrt::GlyphTarget& target, const TextFrame& frame, const acrt::StrokeFont& font,
                 std::wstring_view contents, double height, int attachment)
{
    const double unit = height / acrt::StrokeFont::kCapHeight;
    acrt::PlacedGlyph placed;
    placed.font = &font;
    placed.xAxis = frame.xAxis() * unit;
    placed.yAxis = frame.yAxis() * unit;
    acrt::placeGlyphs(contents, height, font, attachment, [&](char32_t ch, double x, double y) {
        placed.ch = ch;
        placed.origin = frame.world(x, y);
        target.glyph(placed);
    });
}

}  // namespace

// Stroked in the style's font, the characters it lacks filled from the CJK outline font;
// a view whose pixel (the deviation it allows) makes the text too low to read
// gets its ink from afar instead.
Adesk::Boolean AcDbMText::subWorldDraw(AcGiWorldDraw* pWd)
{
    assertReadEnabled();
    const acrt::StrokeFont& font = fontOf(m_textStyleId);
    const TextFrame frame(m_location, m_direction, m_normal);
    const AcGiWorldGeometry& geometry = pWd->geometry();
    const double pixel = pWd->deviation(kAcGiMaxDevForCurve, m_location);
    if (pixel > 0 && m_textHeight < vemhost::kReadableTextPixels * pixel) {
        drawInkFromAfar(acrt::measureText(m_contents.wstr(), m_textHeight, font, m_attachment), frame, pixel,
                        m_normal, geometry);
        return Adesk::kTrue;
    }
    if (const acrt::GlyphTarget* target = acrt::glyphTargetOf(pWd)) {
        drawByGlyph(*target, frame, font, m_contents.wstr(), m_textHeight, m_attachment);
        return Adesk::kTrue;
    }
    std::vector<AcGePoint3d> points;
    points.reserve(font.longestRun());
    auto drawStroke = [&](const acrt::StrokePoint* strokePoints, std::size_t count) {
        points.clear();
        for (std::size_t i = 0; i < count; ++i)
            points.push_back(frame.world(strokePoints[i].x, strokePoints[i].y));
        geometry.polyline(Adesk::UInt32(points.size()), points.data(), &m_normal);
    };
    auto fillGlyph = [&](const acrt::StrokePoint* outline, std::size_t count) {
        points.clear();
        for (std::size_t i = 0; i < count; ++i)
            points.push_back(frame.world(outline[i].x, outline[i].y));
        geometry.polygon(Adesk::UInt32(points.size()), points.data());
    };
    acrt::drawText(m_contents.wstr(), m_textHeight, font, m_attachment, drawStroke, fillGlyph);
    return Adesk::kTrue;
}

// The ink box of the layout placed in the world: exact for an unrotated text, the box
// of the rotated ink box's corners otherwise. A text without ink is its location.
Acad::ErrorStatus AcDbMText::subGetGeomExtents(AcDbExtents& extents) const
{
    assertReadEnabled();
    const acrt::TextLayout layout =
        acrt::measureText(m_contents.wstr(), m_textHeight, fontOf(m_textStyleId), m_attachment);
    extents = AcDbExtents();
    if (!layout.hasInk) {
        extents.addPoint(m_location);
        return Acad::eOk;
    }
    const TextFrame frame(m_location, m_direction, m_normal);
    extents.addPoint(frame.world(layout.minX, layout.minY));
    extents.addPoint(frame.world(layout.maxX, layout.minY));
    extents.addPoint(frame.world(layout.maxX, layout.maxY));
    extents.addPoint(frame.world(layout.minX, layout.maxY));
    return Acad::eOk;
}

// The height scales by the transform's scale factor. Under a mirror the text stays
// readable, as the host's does by default: the mirrored direction is reversed when it
// would have the text run backwards in its plane.
Acad::ErrorStatus AcDbMText::subTransformBy(const AcGeMatrix3d& xform)
{
    AcGeVector3d normal = xform * m_normal;
    if (!acrt::isUsableNormal(normal))
        return Acad::eCannotScaleNonUniformly;
    normal = normal.isCodirectionalTo(m_normal) ? m_normal : normal.normal();
    AcGeVector3d direction = inPlaneDirection(xform * m_direction, normal);
    if (direction.isZeroLength())
        return Acad::eCannotScaleNonUniformly;
    if (xform.det() < 0.0) {
        const AcGeVector3d xAxis = planeXAxis(normal);
        const double along = direction.dotProduct(xAxis);
        const double across = direction.dotProduct(normal.crossProduct(xAxis));
        if (along < 0.0 || (along == 0.0 && across < 0.0))
            direction = -direction;
    }
    assertWriteEnabled();
    const double scale = xform.scale();
    m_location.transformBy(xform);
    m_normal = normal;
    m_direction = direction;
    m_textHeight *= scale;
    m_width *= scale;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbMText::subGetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker /*gsSelectionMark*/,
                                               const AcGePoint3d& /*pickPoint*/, const AcGePoint3d& /*lastPoint*/,
                                               const AcGeMatrix3d& /*viewXform*/, AcGePoint3dArray& snapPoints,
                                               AcDbIntArray& /*geomIds*/) const
{
    assertReadEnabled();
    if (osnapMode == AcDb::kOsModeIns)
        snapPoints.append(m_location);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbMText::subGetGripPoints(AcGePoint3dArray& gripPoints, AcDbIntArray& /*osnapModes*/,
                                              AcDbIntArray& /*geomIds*/) const
{
    return AcDbMText::subGetStretchPoints(gripPoints);
}

Acad::ErrorStatus AcDbMText::subMoveGripPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    return AcDbMText::subMoveStretchPointsAt(indices, offset);
}

Acad::ErrorStatus AcDbMText::subGetStretchPoints(AcGePoint3dArray& stretchPoints) const
{
    assertReadEnabled();
    stretchPoints.append(m_location);
    return Acad::eOk;
}

// The one point is the location: moving it moves the text.
Acad::ErrorStatus AcDbMText::subMoveStretchPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    for (int index : indices) {
        if (index != 0)
            return Acad::eInvalidIndex;
    }
    if (indices.isEmpty())
        return Acad::eOk;
    assertWriteEnabled();
    m_location += offset;
    return Acad::eOk;
}

void AcDbMText::subList() const
{
    assertReadEnabled();
    printEntityHeader(L"MTEXT", *this);
    printListLine(AcString(L"  Location: ") + pointText(m_location));
    AcString text;
    text.format(L"  Width: %.4f", m_width);
    printListLine(text);
    text.format(L"  Normal: X=%.4f  Y=%.4f  Z=%.4f", m_normal.x, m_normal.y, m_normal.z);
    printListLine(text);
    text.format(L"  Rotation: %.4f", rotation() * 180.0 / M_PI);
    printListLine(text);
    text.format(L"  Text style: \"%s\"", styleNameOf(m_textStyleId).kwszPtr());
    printListLine(text);
    text.format(L"  Text height: %.4f", m_textHeight);
    printListLine(text);
    text.format(L"  Attachment: %s", attachmentName(m_attachment));
    printListLine(text);
    text.format(L"  Contents: %s", m_contents.kwszPtr());
    printListLine(text);
}
