// The host's point: a position, filed, drawn as the figure the drawing's PDMODE and
// PDSIZE give, turned by its rotation in the plane of its normal, snapped to as a node,
// gripped, stretched and listed.
#include <cmath>

#include "acgi.h"
#include "circular_arcs.h"
#include "circular_frame.h"
#include "db_internals.h"
#include "dbents.h"
#include "list_output.h"
#include "point_display.h"
#include "rx_runtime_class.h"
#include "view_height.h"

ACRT_DEFINE_CLASS(AcDbPoint, AcDbEntity, "POINT");

namespace acrt {

bool isPointMode(int mode)
{
    const int figure = mode & 31, outline = mode & ~31;
    return figure <= 4 && (outline == 0 || outline == 32 || outline == 64 || outline == 96);
}

double pointFigureSize(double pdsize, double viewHeight)
{
    if (pdsize > 0.0)
        return pdsize;
    const double percent = pdsize < 0.0 ? -pdsize : 5.0;
    return viewHeight > 0.0 ? viewHeight * percent / 100.0 : 0.0;
}

}  // namespace acrt

namespace {

constexpr int kCircleOutline = 32;
constexpr int kSquareOutline = 64;

struct PointStyle {
    int mode = 0;
    double size = 0.0;
};

PointStyle styleOf(const AcDbPoint& point, const AcGiWorldDraw* pWd)
{
    PointStyle style;
    const AcDbDatabase* db = point.database();
    if (db == nullptr)
        return style;
    const auto* view = dynamic_cast<const acrt::ViewHeight*>(pWd);
    style.mode = db->pdmode();
    style.size = acrt::pointFigureSize(db->pdsize(), view != nullptr ? view->viewHeight() : 0.0);
    return style;
}

void drawSegment(AcGiWorldDraw* pWd, const AcGePoint3d& a, const AcGePoint3d& b, const AcGeVector3d& normal)
{
    const AcGePoint3d points[2] = {a, b};
    pWd->geometry().polyline(2, points, &normal);
}

}  // namespace

AcDbPoint::AcDbPoint() = default;
AcDbPoint::AcDbPoint(const AcGePoint3d& position) : m_position(position) {}
AcDbPoint::~AcDbPoint() = default;

Acad::ErrorStatus AcDbPoint::setPosition(const AcGePoint3d& pt)
{
    assertWriteEnabled();
    m_position = pt;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPoint::setThickness(double thickness)
{
    if (!std::isfinite(thickness))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_thickness = thickness;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPoint::setNormal(const AcGeVector3d& normal)
{
    if (!acrt::isUsableNormal(normal))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_normal = normal.normal();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPoint::setEcsRotation(double rotation)
{
    if (!std::isfinite(rotation))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_ecsRotation = rotation;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPoint::dwgOutFields(AcDbDwgFiler* pFiler) const
{
    assertReadEnabled();
    const Acad::ErrorStatus es = AcDbEntity::dwgOutFields(pFiler);
    if (es != Acad::eOk)
        return es;
    pFiler->writePoint3d(m_position);
    pFiler->writeDouble(m_thickness);
    pFiler->writeVector3d(m_normal);
    pFiler->writeDouble(m_ecsRotation);
    return pFiler->filerStatus();
}

// Reads into locals first, so a failed read leaves the point as it was.
Acad::ErrorStatus AcDbPoint::dwgInFields(AcDbDwgFiler* pFiler)
{
    assertWriteEnabled();
    Acad::ErrorStatus es = AcDbEntity::dwgInFields(pFiler);
    if (es != Acad::eOk)
        return es;
    AcGePoint3d position;
    double thickness = 0.0, rotation = 0.0;
    AcGeVector3d normal;
    es = pFiler->readPoint3d(&position);
    if (es == Acad::eOk)
        es = pFiler->readDouble(&thickness);
    if (es == Acad::eOk)
        es = pFiler->readVector3d(&normal);
    if (es == Acad::eOk)
        es = pFiler->readDouble(&rotation);
    if (es != Acad::eOk)
        return es;
    if (!std::isfinite(thickness) || !std::isfinite(rotation) || !acrt::isUsableNormal(normal))
        return Acad::eFilerError;
    m_position = position;
    m_thickness = thickness;
    m_normal = acrt::unitNormalOf(normal);
    m_ecsRotation = rotation;
    return Acad::eOk;
}

// The figure in the plane of the normal, its X axis turned by the rotation: the dot is
// the point itself; +, x and the tick reach half the size out; the circle has half the
// size as its radius and the square the size as its side.
Adesk::Boolean AcDbPoint::subWorldDraw(AcGiWorldDraw* pWd)
{
    assertReadEnabled();
    const PointStyle style = styleOf(*this, pWd);
    const acrt::CircularFrame frame(m_position, m_normal);
    const double c = std::cos(m_ecsRotation), s = std::sin(m_ecsRotation);
    const AcGeVector3d x = (frame.xAxis() * c + frame.yAxis() * s) * (style.size / 2.0);
    const AcGeVector3d y = (frame.yAxis() * c - frame.xAxis() * s) * (style.size / 2.0);
    if (m_thickness != 0.0)
        pWd->subEntityTraits().setThickness(m_thickness);
    switch (style.mode & 31) {
    case 0:
        drawSegment(pWd, m_position, m_position, m_normal);
        break;
    case 2:
        drawSegment(pWd, m_position - x, m_position + x, m_normal);
        drawSegment(pWd, m_position - y, m_position + y, m_normal);
        break;
    case 3:
        drawSegment(pWd, m_position - x - y, m_position + x + y, m_normal);
        drawSegment(pWd, m_position - x + y, m_position + x - y, m_normal);
        break;
    case 4:
        drawSegment(pWd, m_position, m_position + y, m_normal);
        break;
    default:
        break;
    }
    if (style.size > 0.0 && (style.mode & kCircleOutline) != 0)
        pWd->geometry().circle(m_position, style.size / 2.0, m_normal);
    if (style.size > 0.0 && (style.mode & kSquareOutline) != 0) {
        const AcGePoint3d square[5] = {m_position - x - y, m_position + x - y, m_position + x + y,
                                       m_position - x + y, m_position - x - y};
        pWd->geometry().polyline(5, square, &m_normal);
    }
    return Adesk::kTrue;
}

// The point alone, as the host measures a point whatever figure shows it.
Acad::ErrorStatus AcDbPoint::subGetGeomExtents(AcDbExtents& extents) const
{
    assertReadEnabled();
    extents = AcDbExtents();
    extents.addPoint(m_position);
    return Acad::eOk;
}

// The position, normal and thickness follow the transform; the rotation becomes the
// angle, in the new plane, of the transformed X axis of the figure.
Acad::ErrorStatus AcDbPoint::subTransformBy(const AcGeMatrix3d& xform)
{
    assertWriteEnabled();
    const acrt::CircularFrame before(m_position, m_normal);
    const AcGeVector3d figureX = before.xAxis() * std::cos(m_ecsRotation) + before.yAxis() * std::sin(m_ecsRotation);
    m_position.transformBy(xform);
    const AcGeVector3d normal = xform * m_normal;
    if (!acrt::isUsableNormal(normal))
        return Acad::eOk;  // a projecting transform: the point keeps its plane
    m_thickness *= normal.length();
    m_normal = normal.normal();
    const acrt::CircularFrame after(m_position, m_normal);
    const AcGeVector3d turned = xform * figureX;
    const double angle = std::atan2(turned.dotProduct(after.yAxis()), turned.dotProduct(after.xAxis()));
    m_ecsRotation = std::isfinite(angle) ? acrt::normalizedAngle(angle) : 0.0;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPoint::subGetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker /*gsSelectionMark*/,
                                               const AcGePoint3d& /*pickPoint*/, const AcGePoint3d& /*lastPoint*/,
                                               const AcGeMatrix3d& /*viewXform*/, AcGePoint3dArray& snapPoints,
                                               AcDbIntArray& /*geomIds*/) const
{
    assertReadEnabled();
    if (osnapMode == AcDb::kOsModeNode)
        snapPoints.append(m_position);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPoint::subGetGripPoints(AcGePoint3dArray& gripPoints, AcDbIntArray& /*osnapModes*/,
                                              AcDbIntArray& /*geomIds*/) const
{
    assertReadEnabled();
    gripPoints.append(m_position);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPoint::subMoveGripPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    for (int index : indices)
        if (index != 0)
            return Acad::eInvalidIndex;
    assertWriteEnabled();
    if (!indices.isEmpty())
        m_position += offset;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPoint::subGetStretchPoints(AcGePoint3dArray& stretchPoints) const
{
    assertReadEnabled();
    stretchPoints.append(m_position);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPoint::subMoveStretchPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    return subMoveGripPointsAt(indices, offset);
}

void AcDbPoint::subList() const
{
    assertReadEnabled();
    acrt::printEntityHeader(L"POINT", *this);
    acrt::printListLine(AcString(L"  at point, ") + acrt::pointText(m_position));
    if (m_thickness != 0.0) {
        AcString text;
        text.format(L"  Thickness = %.4f", m_thickness);
        acrt::printListLine(text);
    }
}
