// DXFOUT of the host's curves: ELLIPSE (centre, major axis end, extrusion, ratio and
// parameters) and SPLINE (flags, degree, counts, tolerances, fit tangents, knots,
// weights, control points and fit points), all in world coordinates.
#include <cmath>

#include "dbelipse.h"
#include "dbspline.h"
#include "dxf_entities.h"

namespace vemio {

namespace {

// SPLINE flags (group 70).
constexpr int kSplineClosed = 1;
constexpr int kSplinePeriodic = 2;
constexpr int kSplineRational = 4;
constexpr int kSplinePlanar = 8;
constexpr int kSplineLinear = 16;

bool isFinite(const AcGePoint3d& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }
bool isFinite(const AcGeVector3d& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool allFinite(const AcGePoint3dArray& points)
{
    for (const AcGePoint3d& p : points)
        if (!isFinite(p))
            return false;
    return true;
}

bool allFinite(const AcGeDoubleArray& values)
{
    for (double v : values)
        if (!std::isfinite(v))
            return false;
    return true;
}

// How the control points lie: in one plane (with its normal, turned towards +Z, +Y or
// +X in that order of preference), on one line, or neither.
enum class Lie { kSpace, kPlane, kLine };

Lie lieOf(const AcGePoint3dArray& points, AcGeVector3d& normal)
{
    const AcGePoint3d& origin = points[0];
    AcGeVector3d along, across;
    for (const AcGePoint3d& p : points)
        if ((p - origin).length() > along.length())
            along = p - origin;
    for (const AcGePoint3d& p : points)
        if (along.crossProduct(p - origin).length() > across.length())
            across = along.crossProduct(p - origin);
    const double size = along.length();
    if (!(across.length() > 1e-10 * size * size))
        return Lie::kLine;
    normal = across.normal();
    for (const AcGePoint3d& p : points)
        if (std::fabs(normal.dotProduct(p - origin)) > 1e-10 * size)
            return Lie::kSpace;
    const double lead = normal.z != 0.0 ? normal.z : normal.y != 0.0 ? normal.y : normal.x;
    if (lead < 0.0)
        normal = -normal;
    return Lie::kPlane;
}

}  // namespace

bool DxfEntityWriter::ellipse(const AcDbEllipse& ellipse, const Target& target)
{
    const AcGePoint3d center = ellipse.center();
    const AcGeVector3d major = ellipse.majorAxis(), normal = ellipse.normal();
    double start = 0.0, end = 0.0;
    ellipse.getStartParam(start);
    ellipse.getEndParam(end);
    if (ellipse.isNull() || !isFinite(center) || !isFinite(major) || !isFinite(normal))
        return false;
    common("ELLIPSE", target);
    m_out.str(100, "AcDbEllipse");
    m_out.point(10, center);
    m_out.vector(11, major);
    m_out.vector(210, normal);
    m_out.real(40, ellipse.radiusRatio());
    m_out.real(41, start);
    m_out.real(42, end);
    if (m_trackExtents) {
        AcDbExtents ext;
        if (ellipse.getGeomExtents(ext) == Acad::eOk && !ext.isEmpty()) {
            widen(ext.minPoint());
            widen(ext.maxPoint());
        }
    }
    return true;
}

bool DxfEntityWriter::spline(const AcDbSpline& spline, const Target& target)
{
    int degree = 0;
    Adesk::Boolean rational = false, closed = false, periodic = false;
    AcGePoint3dArray points, fitPoints;
    AcGeDoubleArray knots, weights;
    double pointTol = 0.0, knotTol = 0.0;
    spline.getNurbsData(degree, rational, closed, periodic, points, knots, weights, pointTol, knotTol);
    if (points.isEmpty() || !allFinite(points) || !allFinite(knots) || !allFinite(weights))
        return false;
    Adesk::Boolean tangentsExist = false;
    AcGeVector3d startTangent, endTangent;
    int fitDegree = 0;
    double fitTol = 0.0;
    if (spline.hasFitData())
        spline.getFitData(fitPoints, fitDegree, fitTol, tangentsExist, startTangent, endTangent);
    if (!allFinite(fitPoints) || !isFinite(startTangent) || !isFinite(endTangent))
        return false;

    AcGeVector3d normal;
    const Lie lie = lieOf(points, normal);
    int flags = (spline.isClosed() ? kSplineClosed : 0) | (periodic ? kSplinePeriodic : 0) |
                (rational ? kSplineRational : 0);
    flags |= lie == Lie::kPlane ? kSplinePlanar : lie == Lie::kLine ? kSplinePlanar | kSplineLinear : 0;
    common("SPLINE", target);
    m_out.str(100, "AcDbSpline");
    if (lie == Lie::kPlane)
        m_out.vector(210, normal);
    m_out.integer(70, flags);
    m_out.integer(71, degree);
    m_out.integer(72, knots.length());
    m_out.integer(73, points.length());
    m_out.integer(74, fitPoints.length());
    m_out.real(42, knotTol);
    m_out.real(43, pointTol);
    if (!fitPoints.isEmpty()) {
        m_out.real(44, fitTol);
        if (!startTangent.isZeroLength())
            m_out.vector(12, startTangent);
        if (!endTangent.isZeroLength())
            m_out.vector(13, endTangent);
    }
    for (double knot : knots)
        m_out.real(40, knot);
    if (rational)
        for (double weight : weights)
            m_out.real(41, weight);
    for (const AcGePoint3d& p : points)
        m_out.point(10, p);
    for (const AcGePoint3d& p : fitPoints)
        m_out.point(11, p);
    if (m_trackExtents) {
        AcDbExtents ext;
        if (spline.getGeomExtents(ext) == Acad::eOk && !ext.isEmpty()) {
            widen(ext.minPoint());
            widen(ext.maxPoint());
        }
    }
    return true;
}

}  // namespace vemio
