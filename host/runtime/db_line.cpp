// The host's curve base and its line: a segment between two world points with a
// thickness and a normal, filed, drawn, snapped to, gripped and listed as the host does.
#include <cmath>

#include "acutads.h"
#include "dbents.h"
#include "db_internals.h"
#include "list_output.h"
#include "rx_runtime_class.h"

ACRT_DEFINE_CLASS(AcDbCurve, AcDbEntity, "CURVE");
ACRT_DEFINE_CLASS(AcDbLine, AcDbCurve, "LINE");

using acrt::pointText;
using acrt::printEntityHeader;
using acrt::printListLine;

namespace {

// The length must be finite too: a vector whose length overflows normalises to zero.

AcGePoint3d midpointOf(const AcGePoint3d& a, const AcGePoint3d& b)
{
    return AcGePoint3d((a.x + b.x) * 0.5, (a.y + b.y) * 0.5, (a.z + b.z) * 0.5);
}

// Parameter (0 at a, 1 at b) of the foot of the perpendicular from pt to the line ab;
// 0 for a segment of no length.
double footParameter(const AcGePoint3d& a, const AcGePoint3d& b, const AcGePoint3d& pt)
{
    const AcGeVector3d along = b - a;
    const double lengthSqrd = along.lengthSqrd();
    return lengthSqrd > 0.0 ? (pt - a).dotProduct(along) / lengthSqrd : 0.0;
}


}  // namespace

AcDbCurve::AcDbCurve() = default;
AcDbCurve::~AcDbCurve() = default;

AcDbLine::AcDbLine() = default;
AcDbLine::AcDbLine(const AcGePoint3d& start, const AcGePoint3d& end) : m_start(start), m_end(end) {}
AcDbLine::~AcDbLine() = default;

Acad::ErrorStatus AcDbLine::setStartPoint(const AcGePoint3d& pt)
{
    assertWriteEnabled();
    m_start = pt;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLine::setEndPoint(const AcGePoint3d& pt)
{
    assertWriteEnabled();
    m_end = pt;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLine::setThickness(double thickness)
{
    assertWriteEnabled();
    m_thickness = thickness;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLine::setNormal(const AcGeVector3d& normal)
{
    if (!acrt::isUsableNormal(normal))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_normal = normal.normal();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLine::dwgOutFields(AcDbDwgFiler* pFiler) const
{
    assertReadEnabled();
    const Acad::ErrorStatus es = AcDbEntity::dwgOutFields(pFiler);
    if (es != Acad::eOk)
        return es;
    pFiler->writePoint3d(m_start);
    pFiler->writePoint3d(m_end);
    pFiler->writeDouble(m_thickness);
    pFiler->writeVector3d(m_normal);
    return pFiler->filerStatus();
}

// Reads into locals first, so a failed read leaves the line as it was.
Acad::ErrorStatus AcDbLine::dwgInFields(AcDbDwgFiler* pFiler)
{
    assertWriteEnabled();
    Acad::ErrorStatus es = AcDbEntity::dwgInFields(pFiler);
    if (es != Acad::eOk)
        return es;
    AcGePoint3d start, end;
    double thickness = 0.0;
    AcGeVector3d normal;
    es = pFiler->readPoint3d(&start);
    if (es == Acad::eOk)
        es = pFiler->readPoint3d(&end);
    if (es == Acad::eOk)
        es = pFiler->readDouble(&thickness);
    if (es == Acad::eOk)
        es = pFiler->readVector3d(&normal);
    if (es != Acad::eOk)
        return es;
    if (!acrt::isUsableNormal(normal))
        return Acad::eFilerError;
    m_start = start;
    m_end = end;
    m_thickness = thickness;
    m_normal = acrt::unitNormalOf(normal);
    return Acad::eOk;
}

Adesk::Boolean AcDbLine::subWorldDraw(AcGiWorldDraw* pWd)
{
    assertReadEnabled();
    if (m_thickness != 0.0)
        pWd->subEntityTraits().setThickness(m_thickness);
    const AcGePoint3d points[2] = {m_start, m_end};
    pWd->geometry().polyline(2, points, &m_normal);
    return Adesk::kTrue;
}

Acad::ErrorStatus AcDbLine::subGetGeomExtents(AcDbExtents& extents) const
{
    assertReadEnabled();
    extents = AcDbExtents();
    extents.addPoint(m_start);
    extents.addPoint(m_end);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLine::subTransformBy(const AcGeMatrix3d& xform)
{
    assertWriteEnabled();
    m_start.transformBy(xform);
    m_end.transformBy(xform);
    const AcGeVector3d normal = xform * m_normal;
    // A projecting transform flattens the normal away; the line keeps its old one.
    if (acrt::isUsableNormal(normal))
        m_normal = normal.normal();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLine::subGetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker /*gsSelectionMark*/,
                                              const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,
                                              const AcGeMatrix3d& /*viewXform*/, AcGePoint3dArray& snapPoints,
                                              AcDbIntArray& /*geomIds*/) const
{
    assertReadEnabled();
    switch (osnapMode) {
    case AcDb::kOsModeEnd:
        snapPoints.append(m_start);
        snapPoints.append(m_end);
        break;
    case AcDb::kOsModeMid:
        snapPoints.append(midpointOf(m_start, m_end));
        break;
    case AcDb::kOsModeNear: {
        const double t = std::fmin(1.0, std::fmax(0.0, footParameter(m_start, m_end, pickPoint)));
        snapPoints.append(m_start + (m_end - m_start) * t);
        break;
    }
    case AcDb::kOsModePerp: {
        if (m_start.isEqualTo(m_end))
            break;
        const double t = footParameter(m_start, m_end, lastPoint);
        if (t >= 0.0 && t <= 1.0)
            snapPoints.append(m_start + (m_end - m_start) * t);
        break;
    }
    default:
        break;
    }
    return Acad::eOk;
}

// Grips: 0 start, 1 midpoint (moves the whole line), 2 end.
Acad::ErrorStatus AcDbLine::subGetGripPoints(AcGePoint3dArray& gripPoints, AcDbIntArray& /*osnapModes*/,
                                             AcDbIntArray& /*geomIds*/) const
{
    assertReadEnabled();
    gripPoints.append(m_start);
    gripPoints.append(midpointOf(m_start, m_end));
    gripPoints.append(m_end);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLine::subMoveGripPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    bool moveStart = false, moveEnd = false;
    for (int index : indices) {
        if (index < 0 || index > 2)
            return Acad::eInvalidIndex;
        moveStart = moveStart || index != 2;
        moveEnd = moveEnd || index != 0;
    }
    assertWriteEnabled();
    if (moveStart)
        m_start += offset;
    if (moveEnd)
        m_end += offset;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLine::subGetStretchPoints(AcGePoint3dArray& stretchPoints) const
{
    assertReadEnabled();
    stretchPoints.append(m_start);
    stretchPoints.append(m_end);
    return Acad::eOk;
}

// Stretch points: 0 start, 1 end.
Acad::ErrorStatus AcDbLine::subMoveStretchPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    bool moveStart = false, moveEnd = false;
    for (int index : indices) {
        if (index < 0 || index > 1)
            return Acad::eInvalidIndex;
        moveStart = moveStart || index == 0;
        moveEnd = moveEnd || index == 1;
    }
    assertWriteEnabled();
    if (moveStart)
        m_start += offset;
    if (moveEnd)
        m_end += offset;
    return Acad::eOk;
}

void AcDbLine::subList() const
{
    assertReadEnabled();
    printEntityHeader(L"LINE", *this);
    printListLine(AcString(L"  from point, ") + pointText(m_start));
    printListLine(AcString(L"  to point, ") + pointText(m_end));
    const AcGeVector3d delta = m_end - m_start;
    double angle = std::atan2(delta.y, delta.x) * 180.0 / M_PI;
    if (angle < 0.0)
        angle += 360.0;
    AcString text;
    text.format(L"  Length = %.4f,  Angle in XY Plane = %.4f", delta.length(), angle);
    printListLine(text);
    if (m_thickness != 0.0) {
        text.format(L"  Thickness = %.4f", m_thickness);
        printListLine(text);
    }
}
