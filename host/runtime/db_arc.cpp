// The host's arc: part of a circle from a start angle counter-clockwise to an end
// angle about its normal, filed, drawn as chords, transformed by similarities (a mirror
// swaps its ends), snapped to, gripped, stretched through three points and listed.
#include <cmath>

#include "acgi.h"
#include "acutads.h"
#include "circular_arcs.h"
#include "circular_frame.h"
#include "db_internals.h"
#include "dbents.h"
#include "list_output.h"
#include "rx_runtime_class.h"

ACRT_DEFINE_CLASS(AcDbArc, AcDbCurve, "ARC");

using acrt::normalizedAngle;
using acrt::pointText;
using acrt::printEntityHeader;
using acrt::printListLine;

namespace {

bool isUsableAngle(double angle) { return std::isfinite(angle); }

double radiansToDegrees(double angle) { return angle * 180.0 / M_PI; }

// Grips: 0 start, 1 midpoint, 2 end, 3 centre. Stretch points: 0 start, 1 midpoint, 2 end.
constexpr int kCenterGrip = 3;

}  // namespace

AcDbArc::AcDbArc() = default;

AcDbArc::AcDbArc(const AcGePoint3d& center, double radius, double startAngle, double endAngle)
    : m_center(center), m_radius(radius), m_startAngle(normalizedAngle(startAngle)),
      m_endAngle(normalizedAngle(endAngle))
{
}

AcDbArc::AcDbArc(const AcGePoint3d& center, const AcGeVector3d& normal, double radius, double startAngle,
                 double endAngle)
    : AcDbArc(center, radius, startAngle, endAngle)
{
    if (acrt::isUsableNormal(normal))
        m_normal = normal.normal();
}

AcDbArc::~AcDbArc() = default;

Acad::ErrorStatus AcDbArc::setCenter(const AcGePoint3d& pt)
{
    assertWriteEnabled();
    m_center = pt;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbArc::setRadius(double radius)
{
    if (!acrt::isUsableRadius(radius))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_radius = radius;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbArc::setStartAngle(double angle)
{
    if (!isUsableAngle(angle))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_startAngle = normalizedAngle(angle);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbArc::setEndAngle(double angle)
{
    if (!isUsableAngle(angle))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_endAngle = normalizedAngle(angle);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbArc::setThickness(double thickness)
{
    if (!std::isfinite(thickness))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_thickness = thickness;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbArc::setNormal(const AcGeVector3d& normal)
{
    if (!acrt::isUsableNormal(normal))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_normal = normal.normal();
    return Acad::eOk;
}

double AcDbArc::totalAngle() const
{
    assertReadEnabled();
    return normalizedAngle(m_endAngle - m_startAngle);
}

double AcDbArc::length() const { return radius() * totalAngle(); }

Acad::ErrorStatus AcDbArc::dwgOutFields(AcDbDwgFiler* pFiler) const
{
    assertReadEnabled();
    const Acad::ErrorStatus es = AcDbEntity::dwgOutFields(pFiler);
    if (es != Acad::eOk)
        return es;
    pFiler->writePoint3d(m_center);
    pFiler->writeDouble(m_radius);
    pFiler->writeDouble(m_startAngle);
    pFiler->writeDouble(m_endAngle);
    pFiler->writeDouble(m_thickness);
    pFiler->writeVector3d(m_normal);
    return pFiler->filerStatus();
}

// Reads into locals first, so a failed read leaves the arc as it was. Angles outside
// one turn are damage: the arc only ever holds them within it.
Acad::ErrorStatus AcDbArc::dwgInFields(AcDbDwgFiler* pFiler)
{
    assertWriteEnabled();
    Acad::ErrorStatus es = AcDbEntity::dwgInFields(pFiler);
    if (es != Acad::eOk)
        return es;
    AcGePoint3d center;
    double radius = 0.0, startAngle = 0.0, endAngle = 0.0, thickness = 0.0;
    AcGeVector3d normal;
    es = pFiler->readPoint3d(&center);
    if (es == Acad::eOk)
        es = pFiler->readDouble(&radius);
    if (es == Acad::eOk)
        es = pFiler->readDouble(&startAngle);
    if (es == Acad::eOk)
        es = pFiler->readDouble(&endAngle);
    if (es == Acad::eOk)
        es = pFiler->readDouble(&thickness);
    if (es == Acad::eOk)
        es = pFiler->readVector3d(&normal);
    if (es != Acad::eOk)
        return es;
    if (!(radius >= 0.0) || !std::isfinite(radius) || !(startAngle >= 0.0 && startAngle < acrt::kTwoPi) ||
        !(endAngle >= 0.0 && endAngle < acrt::kTwoPi) || !std::isfinite(thickness) || !acrt::isUsableNormal(normal))
        return Acad::eFilerError;
    m_center = center;
    m_radius = radius;
    m_startAngle = startAngle;
    m_endAngle = endAngle;
    m_thickness = thickness;
    m_normal = acrt::unitNormalOf(normal);
    return Acad::eOk;
}

Adesk::Boolean AcDbArc::subWorldDraw(AcGiWorldDraw* pWd)
{
    assertReadEnabled();
    if (m_thickness != 0.0)
        pWd->subEntityTraits().setThickness(m_thickness);
    acrt::drawArc(pWd, acrt::CircularFrame(m_center, m_normal), m_radius, m_startAngle, totalAngle());
    return Adesk::kTrue;
}

Acad::ErrorStatus AcDbArc::subGetGeomExtents(AcDbExtents& extents) const
{
    assertReadEnabled();
    extents = AcDbExtents();
    const acrt::CircularFrame frame(m_center, m_normal);
    extents.addPoint(frame.pointAt(m_radius, m_startAngle));
    extents.addPoint(frame.pointAt(m_radius, m_endAngle));
    acrt::addArcExtents(frame, m_radius, m_startAngle, totalAngle(), extents);
    return Acad::eOk;
}

// The ends go through the transform and their angles are taken in the image plane;
// when the plane's sense turns round the image runs from the old end to the old start.
Acad::ErrorStatus AcDbArc::subTransformBy(const AcGeMatrix3d& xform)
{
    const acrt::CircularFrame frame(m_center, m_normal);
    const acrt::PlaneImage image = acrt::planeImageOf(frame, xform);
    if (!image.similar)
        return Acad::eCannotScaleNonUniformly;
    const AcGePoint3d center = xform * m_center;
    const acrt::CircularFrame imageFrame(center, image.normal);
    const double start = imageFrame.angleOf(xform * frame.pointAt(m_radius, m_startAngle));
    const double end = imageFrame.angleOf(xform * frame.pointAt(m_radius, m_endAngle));
    assertWriteEnabled();
    m_center = center;
    m_radius *= image.scale;
    m_normal = image.normal;
    m_startAngle = normalizedAngle(image.reversed ? end : start);
    m_endAngle = normalizedAngle(image.reversed ? start : end);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbArc::subGetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker /*gsSelectionMark*/,
                                             const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,
                                             const AcGeMatrix3d& /*viewXform*/, AcGePoint3dArray& snapPoints,
                                             AcDbIntArray& /*geomIds*/) const
{
    assertReadEnabled();
    const acrt::CircularFrame frame(m_center, m_normal);
    const double sweep = totalAngle();
    switch (osnapMode) {
    case AcDb::kOsModeEnd:
        snapPoints.append(frame.pointAt(m_radius, m_startAngle));
        snapPoints.append(frame.pointAt(m_radius, m_endAngle));
        break;
    case AcDb::kOsModeMid:
        snapPoints.append(frame.pointAt(m_radius, m_startAngle + sweep * 0.5));
        break;
    default:
        acrt::appendCircularSnaps(osnapMode, frame, m_radius, m_startAngle, sweep, pickPoint, lastPoint, snapPoints);
        break;
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbArc::subGetGripPoints(AcGePoint3dArray& gripPoints, AcDbIntArray& /*osnapModes*/,
                                            AcDbIntArray& /*geomIds*/) const
{
    const Acad::ErrorStatus es = AcDbArc::subGetStretchPoints(gripPoints);
    gripPoints.append(m_center);
    return es;
}

Acad::ErrorStatus AcDbArc::subMoveGripPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    bool moveCenter = false;
    AcDbIntArray onArc;
    for (int index : indices) {
        if (index < 0 || index > kCenterGrip)
            return Acad::eInvalidIndex;
        if (index == kCenterGrip)
            moveCenter = true;
        else
            onArc.append(index);
    }
    if (!moveCenter)
        return AcDbArc::subMoveStretchPointsAt(onArc, offset);
    assertWriteEnabled();
    m_center += offset;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbArc::subGetStretchPoints(AcGePoint3dArray& stretchPoints) const
{
    assertReadEnabled();
    const acrt::CircularFrame frame(m_center, m_normal);
    stretchPoints.append(frame.pointAt(m_radius, m_startAngle));
    stretchPoints.append(frame.pointAt(m_radius, m_startAngle + totalAngle() * 0.5));
    stretchPoints.append(frame.pointAt(m_radius, m_endAngle));
    return Acad::eOk;
}

// Moving all three points moves the arc; moving some makes the arc through the start,
// midpoint and end where they now are, by their part in the plane. Points that fall on
// one line leave the arc as it was.
Acad::ErrorStatus AcDbArc::subMoveStretchPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    bool moved[3] = {false, false, false};
    for (int index : indices) {
        if (index < 0 || index > 2)
            return Acad::eInvalidIndex;
        moved[index] = true;
    }
    if (!moved[0] && !moved[1] && !moved[2])
        return Acad::eOk;
    if (moved[0] && moved[1] && moved[2]) {
        assertWriteEnabled();
        m_center += offset;
        return Acad::eOk;
    }
    const acrt::CircularFrame frame(m_center, m_normal);
    const double angles[3] = {m_startAngle, m_startAngle + totalAngle() * 0.5, m_endAngle};
    AcGePoint2d points[3];
    for (int i = 0; i < 3; ++i)
        points[i] = frame.plane(frame.pointAt(m_radius, angles[i]) + (moved[i] ? offset : AcGeVector3d::kIdentity));
    AcGePoint2d center;
    double radius = 0.0, start = 0.0, end = 0.0;
    if (!acrt::arcThrough(points[0], points[1], points[2], center, radius, start, end))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_center = frame.world(center);
    m_radius = radius;
    // Angles about the new centre are those about the old one: the plane's axes stay.
    m_startAngle = start;
    m_endAngle = end;
    return Acad::eOk;
}

void AcDbArc::subList() const
{
    assertReadEnabled();
    printEntityHeader(L"ARC", *this);
    printListLine(AcString(L"  center point, ") + pointText(m_center));
    AcString text;
    text.format(L"  radius %.4f", m_radius);
    printListLine(text);
    text.format(L"  start angle %.4f", radiansToDegrees(m_startAngle));
    printListLine(text);
    text.format(L"  end angle %.4f", radiansToDegrees(m_endAngle));
    printListLine(text);
    text.format(L"  length %.4f", m_radius * totalAngle());
    printListLine(text);
    if (m_thickness != 0.0) {
        text.format(L"  Thickness = %.4f", m_thickness);
        printListLine(text);
    }
}
