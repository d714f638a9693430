// The host's circle: a centre, radius, normal and thickness, filed, drawn through the
// circle primitive, transformed by similarities, snapped to, gripped and listed.
#include <cmath>

#include "acgi.h"
#include "acutads.h"
#include "circular_frame.h"
#include "db_internals.h"
#include "dbents.h"
#include "list_output.h"
#include "rx_runtime_class.h"

ACRT_DEFINE_CLASS(AcDbCircle, AcDbCurve, "CIRCLE");

using acrt::pointText;
using acrt::printEntityHeader;
using acrt::printListLine;

namespace {

// Grips: 0 the centre, then the quadrants at 0, 90, 180 and 270 degrees in the plane.
constexpr int kGripCount = 5;

}  // namespace

AcDbCircle::AcDbCircle() = default;

AcDbCircle::AcDbCircle(const AcGePoint3d& cntr, const AcGeVector3d& nrm, double radius)
    : m_center(cntr), m_radius(radius)
{
    if (acrt::isUsableNormal(nrm))
        m_normal = nrm.normal();
}

AcDbCircle::~AcDbCircle() = default;

Acad::ErrorStatus AcDbCircle::setCenter(const AcGePoint3d& pt)
{
    assertWriteEnabled();
    m_center = pt;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbCircle::setRadius(double radius)
{
    if (!acrt::isUsableRadius(radius))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_radius = radius;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbCircle::setThickness(double thickness)
{
    if (!std::isfinite(thickness))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_thickness = thickness;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbCircle::setNormal(const AcGeVector3d& normal)
{
    if (!acrt::isUsableNormal(normal))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_normal = normal.normal();
    return Acad::eOk;
}

double AcDbCircle::circumference() const { return acrt::kTwoPi * radius(); }
Acad::ErrorStatus AcDbCircle::setCircumference(double circumference) { return setRadius(circumference / acrt::kTwoPi); }
double AcDbCircle::diameter() const { return 2.0 * radius(); }
Acad::ErrorStatus AcDbCircle::setDiameter(double diameter) { return setRadius(diameter * 0.5); }

Acad::ErrorStatus AcDbCircle::dwgOutFields(AcDbDwgFiler* pFiler) const
{
    assertReadEnabled();
    const Acad::ErrorStatus es = AcDbEntity::dwgOutFields(pFiler);
    if (es != Acad::eOk)
        return es;
    pFiler->writePoint3d(m_center);
    pFiler->writeDouble(m_radius);
    pFiler->writeDouble(m_thickness);
    pFiler->writeVector3d(m_normal);
    return pFiler->filerStatus();
}

// Reads into locals first, so a failed read leaves the circle as it was. A radius of
// zero (a circle not yet given one) files and reads back; a negative one is damage.
Acad::ErrorStatus AcDbCircle::dwgInFields(AcDbDwgFiler* pFiler)
{
    assertWriteEnabled();
    Acad::ErrorStatus es = AcDbEntity::dwgInFields(pFiler);
    if (es != Acad::eOk)
        return es;
    AcGePoint3d center;
    double radius = 0.0, thickness = 0.0;
    AcGeVector3d normal;
    es = pFiler->readPoint3d(&center);
    if (es == Acad::eOk)
        es = pFiler->readDouble(&radius);
    if (es == Acad::eOk)
        es = pFiler->readDouble(&thickness);
    if (es == Acad::eOk)
        es = pFiler->readVector3d(&normal);
    if (es != Acad::eOk)
        return es;
    if (!(radius >= 0.0) || !std::isfinite(radius) || !std::isfinite(thickness) || !acrt::isUsableNormal(normal))
        return Acad::eFilerError;
    m_center = center;
    m_radius = radius;
    m_thickness = thickness;
    m_normal = acrt::unitNormalOf(normal);
    return Acad::eOk;
}

Adesk::Boolean AcDbCircle::subWorldDraw(AcGiWorldDraw* pWd)
{
    assertReadEnabled();
    if (m_thickness != 0.0)
        pWd->subEntityTraits().setThickness(m_thickness);
    pWd->geometry().circle(m_center, m_radius, m_normal);
    return Adesk::kTrue;
}

Acad::ErrorStatus AcDbCircle::subGetGeomExtents(AcDbExtents& extents) const
{
    assertReadEnabled();
    extents = AcDbExtents();
    const acrt::CircularFrame frame(m_center, m_normal);
    extents.addPoint(frame.pointAt(m_radius, 0.0));
    acrt::addArcExtents(frame, m_radius, 0.0, acrt::kTwoPi, extents);
    return Acad::eOk;
}

// Only a similarity keeps a circle a circle; others are refused as the host does.
Acad::ErrorStatus AcDbCircle::subTransformBy(const AcGeMatrix3d& xform)
{
    const acrt::PlaneImage image = acrt::planeImageOf(acrt::CircularFrame(m_center, m_normal), xform);
    if (!image.similar)
        return Acad::eCannotScaleNonUniformly;
    assertWriteEnabled();
    m_center.transformBy(xform);
    m_radius *= image.scale;
    m_normal = image.normal;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbCircle::subGetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker /*gsSelectionMark*/,
                                                const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,
                                                const AcGeMatrix3d& /*viewXform*/, AcGePoint3dArray& snapPoints,
                                                AcDbIntArray& /*geomIds*/) const
{
    assertReadEnabled();
    acrt::appendCircularSnaps(osnapMode, acrt::CircularFrame(m_center, m_normal), m_radius, 0.0, acrt::kTwoPi,
                              pickPoint, lastPoint, snapPoints);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbCircle::subGetGripPoints(AcGePoint3dArray& gripPoints, AcDbIntArray& /*osnapModes*/,
                                               AcDbIntArray& /*geomIds*/) const
{
    assertReadEnabled();
    const acrt::CircularFrame frame(m_center, m_normal);
    gripPoints.append(m_center);
    for (int quarter = 0; quarter < 4; ++quarter)
        gripPoints.append(frame.pointAt(m_radius, quarter * M_PI * 0.5));
    return Acad::eOk;
}

// The centre grip moves the circle; a quadrant grip sets the radius to where it is
// dragged, measured in the plane.
Acad::ErrorStatus AcDbCircle::subMoveGripPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    bool moveCenter = false;
    int quadrant = -1;
    for (int index : indices) {
        if (index < 0 || index >= kGripCount)
            return Acad::eInvalidIndex;
        moveCenter = moveCenter || index == 0;
        quadrant = index;
    }
    if (quadrant < 0)
        return Acad::eOk;
    if (moveCenter) {
        assertWriteEnabled();
        m_center += offset;
        return Acad::eOk;
    }
    const acrt::CircularFrame frame(m_center, m_normal);
    const AcGePoint2d dragged = frame.plane(frame.pointAt(m_radius, (quadrant - 1) * M_PI * 0.5) + offset);
    if (dragged.isEqualTo(AcGePoint2d::kOrigin))
        return Acad::eInvalidInput;  // onto the centre, within the host's tolerance
    return setRadius(std::hypot(dragged.x, dragged.y));
}

Acad::ErrorStatus AcDbCircle::subGetStretchPoints(AcGePoint3dArray& stretchPoints) const
{
    assertReadEnabled();
    stretchPoints.append(m_center);
    return Acad::eOk;
}

// The one stretch point is the centre: the circle moves whole.
Acad::ErrorStatus AcDbCircle::subMoveStretchPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    for (int index : indices)
        if (index != 0)
            return Acad::eInvalidIndex;
    if (indices.isEmpty())
        return Acad::eOk;
    assertWriteEnabled();
    m_center += offset;
    return Acad::eOk;
}

void AcDbCircle::subList() const
{
    assertReadEnabled();
    printEntityHeader(L"CIRCLE", *this);
    printListLine(AcString(L"  center point, ") + pointText(m_center));
    AcString text;
    text.format(L"  radius %.4f", m_radius);
    printListLine(text);
    text.format(L"  circumference %.4f", acrt::kTwoPi * m_radius);
    printListLine(text);
    text.format(L"  area %.4f", M_PI * m_radius * m_radius);
    printListLine(text);
    if (m_thickness != 0.0) {
        text.format(L"  Thickness = %.4f", m_thickness);
        printListLine(text);
    }
}
