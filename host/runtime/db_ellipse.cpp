// The host's ellipse: a centre, a normal, a major half axis, the ratio of the minor to
// it and a range of parameters; filed, drawn as chords, transformed by similarities (a
// mirror turns its parameters round), snapped to, gripped and listed.
#include <cmath>

#include "acgi.h"
#include "circular_arcs.h"
#include "circular_frame.h"
#include "db_internals.h"
#include "dbelipse.h"
#include "list_output.h"
#include "nurbs_curve.h"
#include "rx_runtime_class.h"

ACRT_DEFINE_CLASS(AcDbEllipse, AcDbCurve, "ELLIPSE");

using acrt::kTwoPi;
using acrt::normalizedAngle;
using acrt::pointText;
using acrt::printListLine;

namespace {

constexpr Adesk::UInt8 kEllipseVersion = 1;
constexpr double kMinRatio = 1e-6;
constexpr double kMinSquaredLength = 1e-12;
constexpr double kPerpendicularTolerance = 1e-9;

// Grips: 0 the centre, 1 to 4 the axis ends at parameters 0, pi/2, pi and 3pi/2, then
// on an arc 5 its start and 6 its end.
constexpr int kAxisGrips = 5;
constexpr int kArcGrips = 7;

bool isFinitePoint(const AcGePoint3d& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }
bool isUsableRatio(double ratio) { return ratio >= kMinRatio && ratio <= 1.0; }
bool isUsableAxis(const AcGeVector3d& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && v.lengthSqrd() > kMinSquaredLength &&
           std::isfinite(v.lengthSqrd());
}
bool isPerpendicular(const AcGeVector3d& normal, const AcGeVector3d& axis)
{
    return std::fabs(normal.normal().dotProduct(axis.normal())) <= kPerpendicularTolerance;
}

// The angle brought within half a turn of zero, [-pi, pi).
double wrapped(double angle) { return angle - kTwoPi * std::floor((angle + M_PI) / kTwoPi); }

// The sweep from start to end, (0, 2pi]: ends that meet (to rounding) make the whole
// ellipse.
double sweepBetween(double start, double end)
{
    const double kRounding = 1e-12;
    const double sweep = normalizedAngle(end - start);
    return sweep > kRounding && sweep < kTwoPi - kRounding ? sweep : kTwoPi;
}

// The parameter of the point seen at the angle, in the same turn as the angle.
double paramAtAngleFor(double ratio, double angle)
{
    return angle + wrapped(std::atan2(std::sin(angle), ratio * std::cos(angle)) - angle);
}

double angleAtParamFor(double ratio, double param)
{
    return param + wrapped(std::atan2(ratio * std::sin(param), std::cos(param)) - param);
}

double degrees(double radians) { return radians * 180.0 / M_PI; }

}  // namespace

AcDbEllipse::AcDbEllipse() = default;

AcDbEllipse::AcDbEllipse(const AcGePoint3d& center, const AcGeVector3d& unitNormal, const AcGeVector3d& majorAxis,
                         double radiusRatio, double startAngle, double endAngle)
{
    if (set(center, unitNormal, majorAxis, radiusRatio, startAngle, endAngle) != Acad::eOk)
        m_majorAxis = AcGeVector3d(0.0, 0.0, 0.0);
}

AcDbEllipse::~AcDbEllipse() = default;

Acad::ErrorStatus AcDbEllipse::setCenter(const AcGePoint3d& center)
{
    if (!isFinitePoint(center))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_center = center;
    return Acad::eOk;
}

AcGeVector3d AcDbEllipse::minorAxis() const
{
    assertReadEnabled();
    return m_normal.crossProduct(m_majorAxis) * m_radiusRatio;
}

Acad::ErrorStatus AcDbEllipse::setRadiusRatio(double ratio)
{
    if (!isUsableRatio(ratio))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_radiusRatio = ratio;
    return Acad::eOk;
}

double AcDbEllipse::startAngle() const { return normalizedAngle(angleAtParam(m_startParam)); }

double AcDbEllipse::endAngle() const
{
    const double end = normalizedAngle(angleAtParam(m_startParam + m_sweepParam));
    return end > 0.0 ? end : kTwoPi;
}

Acad::ErrorStatus AcDbEllipse::setStartAngle(double startAngle)
{
    return std::isfinite(startAngle) ? setStartParam(paramAtAngle(startAngle)) : Acad::eInvalidInput;
}

Acad::ErrorStatus AcDbEllipse::setEndAngle(double endAngle)
{
    return std::isfinite(endAngle) ? setEndParam(paramAtAngle(endAngle)) : Acad::eInvalidInput;
}

// The end stays where it is.
Acad::ErrorStatus AcDbEllipse::setStartParam(double startParam)
{
    if (!std::isfinite(startParam))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    const double end = m_startParam + m_sweepParam;
    m_startParam = normalizedAngle(startParam);
    m_sweepParam = sweepBetween(m_startParam, end);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEllipse::setEndParam(double endParam)
{
    if (!std::isfinite(endParam))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_sweepParam = sweepBetween(m_startParam, endParam);
    return Acad::eOk;
}

double AcDbEllipse::paramAtAngle(double angle) const { return paramAtAngleFor(radiusRatio(), angle); }
double AcDbEllipse::angleAtParam(double param) const { return angleAtParamFor(radiusRatio(), param); }

Acad::ErrorStatus AcDbEllipse::get(AcGePoint3d& center, AcGeVector3d& unitNormal, AcGeVector3d& majorAxis,
                                   double& radiusRatio, double& startAngle, double& endAngle) const
{
    assertReadEnabled();
    center = m_center;
    unitNormal = m_normal;
    majorAxis = m_majorAxis;
    radiusRatio = m_radiusRatio;
    startAngle = this->startAngle();
    endAngle = this->endAngle();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEllipse::set(const AcGePoint3d& center, const AcGeVector3d& unitNormal,
                                   const AcGeVector3d& majorAxis, double radiusRatio, double startAngle,
                                   double endAngle)
{
    if (!isFinitePoint(center) || !isUsableAxis(unitNormal) || !isUsableAxis(majorAxis) ||
        !isPerpendicular(unitNormal, majorAxis) || !isUsableRatio(radiusRatio) || !std::isfinite(startAngle) ||
        !std::isfinite(endAngle))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_center = center;
    m_normal = unitNormal.normal();
    m_majorAxis = majorAxis;
    m_radiusRatio = radiusRatio;
    const double start = paramAtAngleFor(radiusRatio, startAngle);
    m_startParam = normalizedAngle(start);
    m_sweepParam = sweepBetween(start, paramAtAngleFor(radiusRatio, endAngle));
    return Acad::eOk;
}

Adesk::Boolean AcDbEllipse::isNull() const
{
    assertReadEnabled();
    return m_majorAxis.lengthSqrd() == 0.0;
}

double AcDbEllipse::majorRadius() const { return majorAxis().length(); }
double AcDbEllipse::minorRadius() const { return majorRadius() * radiusRatio(); }

Acad::ErrorStatus AcDbEllipse::setMajorRadius(double radius)
{
    if (isNull() || !(radius > 0.0) || !std::isfinite(radius) || !isUsableRatio(minorRadius() / radius))
        return Acad::eInvalidInput;
    const double ratio = minorRadius() / radius;
    assertWriteEnabled();
    m_majorAxis = m_majorAxis.normal() * radius;
    m_radiusRatio = ratio;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEllipse::setMinorRadius(double radius)
{
    if (isNull() || !std::isfinite(radius))
        return Acad::eInvalidInput;
    return setRadiusRatio(radius / majorRadius());
}

Adesk::Boolean AcDbEllipse::isClosed() const
{
    assertReadEnabled();
    return m_sweepParam == kTwoPi;
}

Acad::ErrorStatus AcDbEllipse::getStartParam(double& param) const
{
    assertReadEnabled();
    param = m_startParam;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEllipse::getEndParam(double& param) const
{
    assertReadEnabled();
    param = m_startParam + m_sweepParam;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEllipse::getPointAtParam(double param, AcGePoint3d& point) const
{
    assertReadEnabled();
    const double kSlack = 1e-9;
    if (!(param >= m_startParam - kSlack && param <= m_startParam + m_sweepParam + kSlack))
        return Acad::eInvalidInput;
    point = m_center + m_majorAxis * std::cos(param) + minorAxis() * std::sin(param);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEllipse::getStartPoint(AcGePoint3d& point) const { return getPointAtParam(m_startParam, point); }

Acad::ErrorStatus AcDbEllipse::getEndPoint(AcGePoint3d& point) const
{
    return getPointAtParam(m_startParam + m_sweepParam, point);
}

Acad::ErrorStatus AcDbEllipse::dwgOutFields(AcDbDwgFiler* pFiler) const
{
    assertReadEnabled();
    const Acad::ErrorStatus es = AcDbEntity::dwgOutFields(pFiler);
    if (es != Acad::eOk)
        return es;
    pFiler->writeUInt8(kEllipseVersion);
    pFiler->writePoint3d(m_center);
    pFiler->writeVector3d(m_normal);
    pFiler->writeVector3d(m_majorAxis);
    pFiler->writeDouble(m_radiusRatio);
    pFiler->writeDouble(m_startParam);
    pFiler->writeDouble(m_sweepParam);
    return pFiler->filerStatus();
}

// Reads into locals first, so a failed read leaves the ellipse as it was. A null
// ellipse (no major axis) files and reads back; any other value it could not hold is
// damage.
Acad::ErrorStatus AcDbEllipse::dwgInFields(AcDbDwgFiler* pFiler)
{
    assertWriteEnabled();
    Acad::ErrorStatus es = AcDbEntity::dwgInFields(pFiler);
    if (es != Acad::eOk)
        return es;
    Adesk::UInt8 version = 0;
    AcGePoint3d center;
    AcGeVector3d normal, major;
    double ratio = 0.0, start = 0.0, sweep = 0.0;
    es = pFiler->readUInt8(&version);
    if (es == Acad::eOk)
        es = pFiler->readPoint3d(&center);
    if (es == Acad::eOk)
        es = pFiler->readVector3d(&normal);
    if (es == Acad::eOk)
        es = pFiler->readVector3d(&major);
    if (es == Acad::eOk)
        es = pFiler->readDouble(&ratio);
    if (es == Acad::eOk)
        es = pFiler->readDouble(&start);
    if (es == Acad::eOk)
        es = pFiler->readDouble(&sweep);
    if (es != Acad::eOk)
        return es;
    const bool usableMajor = major.lengthSqrd() == 0.0 || (isUsableAxis(major) && isPerpendicular(normal, major));
    if (version != kEllipseVersion || !isFinitePoint(center) || !acrt::isUsableNormal(normal) || !usableMajor ||
        !isUsableRatio(ratio) || !(start >= 0.0 && start < kTwoPi) || !(sweep > 0.0 && sweep <= kTwoPi))
        return Acad::eFilerError;
    m_center = center;
    m_normal = acrt::unitNormalOf(normal);
    m_majorAxis = major;
    m_radiusRatio = ratio;
    m_startParam = start;
    m_sweepParam = sweep;
    return Acad::eOk;
}

Adesk::Boolean AcDbEllipse::subWorldDraw(AcGiWorldDraw* pWd)
{
    assertReadEnabled();
    if (!isNull())
        acrt::drawCurve(pWd, acrt::EllipseCurve(m_center, m_majorAxis, minorAxis(), m_startParam,
                                                m_startParam + m_sweepParam),
                        &m_normal);
    return Adesk::kTrue;
}

Acad::ErrorStatus AcDbEllipse::subGetGeomExtents(AcDbExtents& extents) const
{
    assertReadEnabled();
    extents = AcDbExtents();
    if (isNull())
        extents.addPoint(m_center);
    else
        acrt::addCurveExtents(acrt::EllipseCurve(m_center, m_majorAxis, minorAxis(), m_startParam,
                                                 m_startParam + m_sweepParam),
                              extents);
    return Acad::eOk;
}

// Only a similarity keeps an ellipse's ratio; others are refused as for the circle.
// When the plane's sense turns round (a mirror), the minor axis would point the other
// way: the parameters then run from the negated end to the negated start.
Acad::ErrorStatus AcDbEllipse::subTransformBy(const AcGeMatrix3d& xform)
{
    const acrt::PlaneImage image = acrt::planeImageOf(acrt::CircularFrame(m_center, m_normal), xform);
    if (!image.similar)
        return Acad::eCannotScaleNonUniformly;
    AcGeVector3d major = xform * m_majorAxis;
    major -= image.normal * image.normal.dotProduct(major);  // exactly in the image plane
    const double start = image.reversed ? -(m_startParam + m_sweepParam) : m_startParam;
    assertWriteEnabled();
    m_center.transformBy(xform);
    m_normal = image.normal;
    m_majorAxis = major;
    m_startParam = normalizedAngle(start);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEllipse::subGetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker /*gsSelectionMark*/,
                                                 const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,
                                                 const AcGeMatrix3d& /*viewXform*/, AcGePoint3dArray& snapPoints,
                                                 AcDbIntArray& /*geomIds*/) const
{
    assertReadEnabled();
    if (isNull())
        return Acad::eOk;
    const acrt::EllipseCurve curve(m_center, m_majorAxis, minorAxis(), m_startParam, m_startParam + m_sweepParam);
    const bool arc = !isClosed();
    switch (osnapMode) {
    case AcDb::kOsModeCen:
        snapPoints.append(m_center);
        break;
    case AcDb::kOsModeQuad:
        for (int quarter = 0; quarter < 4; ++quarter)
            if (acrt::angleWithin(quarter * M_PI * 0.5, m_startParam, m_sweepParam))
                snapPoints.append(curve.pointAt(quarter * M_PI * 0.5));
        break;
    case AcDb::kOsModeEnd:
        if (arc) {
            snapPoints.append(curve.pointAt(curve.startParam()));
            snapPoints.append(curve.pointAt(curve.endParam()));
        }
        break;
    case AcDb::kOsModeMid:
        if (arc)
            snapPoints.append(curve.pointAt(acrt::midLengthParam(curve)));
        break;
    case AcDb::kOsModeNear:
        snapPoints.append(curve.pointAt(acrt::closestParam(curve, pickPoint)));
        break;
    case AcDb::kOsModePerp:
        acrt::appendPerpendicularFeet(curve, lastPoint, snapPoints);
        break;
    case AcDb::kOsModeTan:
        acrt::appendTangentPoints(curve, lastPoint - m_normal * m_normal.dotProduct(lastPoint - m_center), m_normal,
                                  snapPoints);
        break;
    default:
        break;
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEllipse::subGetGripPoints(AcGePoint3dArray& gripPoints, AcDbIntArray& /*osnapModes*/,
                                                AcDbIntArray& /*geomIds*/) const
{
    assertReadEnabled();
    const AcGeVector3d minor = minorAxis();
    gripPoints.append(m_center);
    gripPoints.append(m_center + m_majorAxis);
    gripPoints.append(m_center + minor);
    gripPoints.append(m_center - m_majorAxis);
    gripPoints.append(m_center - minor);
    if (!isClosed()) {
        AcGePoint3d end;
        getStartPoint(end);
        gripPoints.append(end);
        getEndPoint(end);
        gripPoints.append(end);
    }
    return Acad::eOk;
}

// The centre grip moves the ellipse; an axis end sets the radius of its axis to where
// it is dragged, measured in the plane (a minor axis dragged beyond the major one
// becomes the major axis); an arc's end moves along the ellipse to the dragged point.
Acad::ErrorStatus AcDbEllipse::subMoveGripPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    const int count = isClosed() ? kAxisGrips : kArcGrips;
    bool moveCenter = false;
    for (int index : indices) {
        if (index < 0 || index >= count)
            return Acad::eInvalidIndex;
        moveCenter = moveCenter || index == 0;
    }
    if (moveCenter) {
        assertWriteEnabled();
        m_center += offset;
        return Acad::eOk;
    }
    if (!indices.isEmpty() && isNull())
        return Acad::eInvalidInput;
    for (int index : indices) {
        const Acad::ErrorStatus es = index < kAxisGrips ? moveAxisEnd(index - 1, offset)
                                                        : moveArcEnd(index == kAxisGrips, offset);
        if (es != Acad::eOk)
            return es;
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEllipse::moveAxisEnd(int quarter, const AcGeVector3d& offset)
{
    const AcGeVector3d minor = minorAxis();
    const AcGeVector3d toEnd[4] = {m_majorAxis, minor, -m_majorAxis, -minor};
    AcGeVector3d dragged = toEnd[quarter] + offset;
    dragged -= m_normal * m_normal.dotProduct(dragged);
    const double length = dragged.length();
    if (!(length > 0.0) || dragged.isZeroLength() || !std::isfinite(length))
        return Acad::eInvalidInput;
    const double major = quarter % 2 == 0 ? length : m_majorAxis.length();
    const double minorLength = quarter % 2 == 0 ? minor.length() : length;
    const bool turns = minorLength > major;
    const double ratio = turns ? major / minorLength : minorLength / major;
    if (!isUsableRatio(ratio))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    // Turned, the old minor axis leads: a point's parameter falls by a quarter turn.
    m_majorAxis = turns ? minor.normal() * minorLength : m_majorAxis.normal() * major;
    m_radiusRatio = ratio;
    if (turns)
        m_startParam = normalizedAngle(m_startParam - M_PI * 0.5);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEllipse::moveArcEnd(bool start, const AcGeVector3d& offset)
{
    AcGePoint3d end;
    if (start)
        getStartPoint(end);
    else
        getEndPoint(end);
    const AcGeVector3d d = end + offset - m_center;
    const AcGeVector3d minor = minorAxis();
    const double x = d.dotProduct(m_majorAxis) / m_majorAxis.lengthSqrd();
    const double y = d.dotProduct(minor) / minor.lengthSqrd();
    if ((x == 0.0 && y == 0.0) || !std::isfinite(x) || !std::isfinite(y))
        return Acad::eInvalidInput;
    const double param = std::atan2(y, x);
    return start ? setStartParam(param) : setEndParam(param);
}

Acad::ErrorStatus AcDbEllipse::subGetStretchPoints(AcGePoint3dArray& stretchPoints) const
{
    assertReadEnabled();
    stretchPoints.append(m_center);
    return Acad::eOk;
}

// The one stretch point is the centre: the ellipse moves whole, as a circle does.
Acad::ErrorStatus AcDbEllipse::subMoveStretchPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
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

void AcDbEllipse::subList() const
{
    assertReadEnabled();
    acrt::printEntityHeader(L"ELLIPSE", *this);
    printListLine(AcString(L"  center point, ") + pointText(m_center));
    printListLine(AcString(L"  major axis, ") + pointText(AcGePoint3d::kOrigin + m_majorAxis));
    printListLine(AcString(L"  minor axis, ") + pointText(AcGePoint3d::kOrigin + minorAxis()));
    AcString text;
    text.format(L"  radius ratio %.4f", m_radiusRatio);
    printListLine(text);
    if (isNull())
        return;
    const acrt::EllipseCurve curve(m_center, m_majorAxis, minorAxis(), m_startParam, m_startParam + m_sweepParam);
    const double length = acrt::lengthBetween(curve, curve.startParam(), curve.endParam());
    if (isClosed()) {
        text.format(L"  area %.4f", M_PI * majorRadius() * minorRadius());
        printListLine(text);
        text.format(L"  circumference %.4f", length);
    } else {
        text.format(L"  start angle %.4f", degrees(startAngle()));
        printListLine(text);
        text.format(L"  end angle %.4f", degrees(endAngle()));
        printListLine(text);
        text.format(L"  length %.4f", length);
    }
    printListLine(text);
}
