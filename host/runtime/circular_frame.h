// Private to the runtime: the plane of a circle or an arc, with the axes the host's
// arbitrary-axis rule gives its normal, and what circles and arcs share in it.
#pragma once

#include <cmath>

#include "dbmain.h"
#include "gemat3d.h"
#include "gepnt2d.h"

namespace acrt {

constexpr double kTwoPi = 2.0 * M_PI;

// A radius a circle or an arc may be given: above zero and finite.
inline bool isUsableRadius(double radius) { return radius > 0.0 && std::isfinite(radius); }

class CircularFrame {
public:
    CircularFrame(const AcGePoint3d& center, const AcGeVector3d& normal) : m_center(center), m_z(normal.normal())
    {
        const double kArbitraryAxisLimit = 1.0 / 64.0;
        const bool nearWorldZ = std::fabs(m_z.x) < kArbitraryAxisLimit && std::fabs(m_z.y) < kArbitraryAxisLimit;
        m_x = (nearWorldZ ? AcGeVector3d::kYAxis : AcGeVector3d::kZAxis).crossProduct(m_z).normal();
        m_y = m_z.crossProduct(m_x).normal();
    }

    const AcGePoint3d& center() const { return m_center; }
    const AcGeVector3d& xAxis() const { return m_x; }
    const AcGeVector3d& yAxis() const { return m_y; }
    const AcGeVector3d& zAxis() const { return m_z; }

    AcGePoint3d pointAt(double radius, double angle) const
    {
        return m_center + m_x * (radius * std::cos(angle)) + m_y * (radius * std::sin(angle));
    }
    // A point's coordinates in the plane, the centre at the origin.
    AcGePoint2d plane(const AcGePoint3d& pt) const
    {
        const AcGeVector3d v = pt - m_center;
        return AcGePoint2d(v.dotProduct(m_x), v.dotProduct(m_y));
    }
    AcGePoint3d world(const AcGePoint2d& pt) const { return m_center + m_x * pt.x + m_y * pt.y; }
    double angleOf(const AcGePoint3d& pt) const
    {
        const AcGePoint2d p = plane(pt);
        return std::atan2(p.y, p.x);
    }

private:
    AcGePoint3d m_center;
    AcGeVector3d m_x, m_y, m_z;
};

// Whether the angle lies within the sweep that starts at start (both in radians).
inline bool angleWithin(double angle, double start, double sweep)
{
    double delta = std::fmod(angle - start, kTwoPi);
    if (delta < 0.0)
        delta += kTwoPi;
    return delta <= sweep + 1e-12 || delta >= kTwoPi - 1e-12;
}

// How a transform maps a circle's plane: a similarity keeps it circular. The image
// normal stays on the side the transformed normal points to; when that turns the
// plane's sense round (a mirror), angles run the other way.
struct PlaneImage {
    bool similar = false;
    double scale = 1.0;
    bool reversed = false;
    AcGeVector3d normal;
};
PlaneImage planeImageOf(const CircularFrame& frame, const AcGeMatrix3d& xform);

// Adds the extreme points along each world axis of the arc (or whole circle).
void addArcExtents(const CircularFrame& frame, double radius, double start, double sweep, AcDbExtents& extents);

// Drawn as chords no further from the true curve than the view's deviation allows.
void drawArc(AcGiWorldDraw* pWd, const CircularFrame& frame, double radius, double start, double sweep);

// Snap points the circle and the arc share: quadrants, nearest, perpendicular feet and
// tangent points from the last point, within the sweep.
void appendCircularSnaps(AcDb::OsnapMode mode, const CircularFrame& frame, double radius, double start,
                         double sweep, const AcGePoint3d& pick, const AcGePoint3d& last, AcGePoint3dArray& points);

}  // namespace acrt
