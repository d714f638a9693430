// What circles and arcs share: the circle through three points, the image of their
// plane under a transform, their extents, their drawing as chords and their snaps.
#include <algorithm>
#include <cmath>

#include "acgi.h"
#include "circular_arcs.h"
#include "circular_frame.h"

namespace {

constexpr double kSimilarityTolerance = 1e-9;
constexpr double kDefaultChordAngle = M_PI / 36.0;  // 5 degrees per chord where no deviation is given
constexpr int kMaxChords = 256;

double cross(const AcGeVector2d& a, const AcGeVector2d& b) { return a.x * b.y - a.y * b.x; }

int chordCount(AcGiWorldDraw* pWd, const acrt::CircularFrame& frame, double radius, double sweep)
{
    double step = kDefaultChordAngle;
    const double deviation = pWd->deviation(kAcGiMaxDevForCircle, frame.center());
    if (deviation > 0.0 && deviation < radius)
        step = std::min(step, 2.0 * std::acos(1.0 - deviation / radius));
    const double count = std::ceil(sweep / step);
    return count >= kMaxChords ? kMaxChords : std::max(1, int(count));
}

void appendIfWithin(const acrt::CircularFrame& frame, double radius, double start, double sweep, double angle,
                    AcGePoint3dArray& points)
{
    if (acrt::angleWithin(angle, start, sweep))
        points.append(frame.pointAt(radius, angle));
}

}  // namespace

namespace acrt {

double normalizedAngle(double angle)
{
    if (!std::isfinite(angle))
        return 0.0;
    double result = std::fmod(angle, kTwoPi);
    if (result < 0.0)
        result += kTwoPi;
    return result >= kTwoPi ? 0.0 : result;
}

bool circleThrough(const AcGePoint2d& a, const AcGePoint2d& b, const AcGePoint2d& c, AcGePoint2d& center,
                   double& radius)
{
    const AcGeVector2d ab = b - a, ac = c - a;
    const double d = 2.0 * cross(ab, ac);
    const double scale = ab.lengthSqrd() + ac.lengthSqrd();
    if (!(std::fabs(d) > 1e-12 * scale) || !std::isfinite(d))
        return false;
    const double ux = (ac.y * ab.lengthSqrd() - ab.y * ac.lengthSqrd()) / d;
    const double uy = (ab.x * ac.lengthSqrd() - ac.x * ab.lengthSqrd()) / d;
    center = AcGePoint2d(a.x + ux, a.y + uy);
    radius = std::hypot(ux, uy);
    return std::isfinite(radius) && radius > 0.0;
}

bool arcThrough(const AcGePoint2d& a, const AcGePoint2d& b, const AcGePoint2d& c, AcGePoint2d& center,
                double& radius, double& startAngle, double& endAngle)
{
    if (!circleThrough(a, b, c, center, radius))
        return false;
    const bool counterClockwise = cross(b - a, c - a) > 0.0;
    const AcGePoint2d& first = counterClockwise ? a : c;
    const AcGePoint2d& last = counterClockwise ? c : a;
    startAngle = normalizedAngle(std::atan2(first.y - center.y, first.x - center.x));
    endAngle = normalizedAngle(std::atan2(last.y - center.y, last.x - center.x));
    return true;
}

PlaneImage planeImageOf(const CircularFrame& frame, const AcGeMatrix3d& xform)
{
    PlaneImage image;
    const AcGeVector3d x = xform * frame.xAxis();
    const AcGeVector3d y = xform * frame.yAxis();
    const double lx = x.length(), ly = y.length();
    if (!(lx > 0.0) || !std::isfinite(lx) || std::fabs(lx - ly) > kSimilarityTolerance * lx ||
        std::fabs(x.dotProduct(y)) > kSimilarityTolerance * lx * lx)
        return image;
    image.similar = true;
    image.scale = lx;
    const AcGeVector3d side = x.crossProduct(y).normal();
    image.reversed = (xform * frame.zAxis()).dotProduct(side) < 0.0;
    image.normal = image.reversed ? -side : side;
    // A transform within the plane keeps the normal exactly, so edits do not drift it.
    if (image.normal.isCodirectionalTo(frame.zAxis()))
        image.normal = frame.zAxis();
    return image;
}

void addArcExtents(const CircularFrame& frame, double radius, double start, double sweep, AcDbExtents& extents)
{
    const AcGeVector3d& x = frame.xAxis();
    const AcGeVector3d& y = frame.yAxis();
    const double xs[3] = {x.x, x.y, x.z};
    const double ys[3] = {y.x, y.y, y.z};
    for (int axis = 0; axis < 3; ++axis) {
        if (xs[axis] == 0.0 && ys[axis] == 0.0)
            continue;
        const double extreme = std::atan2(ys[axis], xs[axis]);
        for (double angle : {extreme, extreme + M_PI})
            if (angleWithin(angle, start, sweep))
                extents.addPoint(frame.pointAt(radius, angle));
    }
}

void drawArc(AcGiWorldDraw* pWd, const CircularFrame& frame, double radius, double start, double sweep)
{
    AcGePoint3d points[kMaxChords + 1];
    const int chords = chordCount(pWd, frame, radius, sweep);
    for (int i = 0; i <= chords; ++i)
        points[i] = frame.pointAt(radius, start + sweep * double(i) / double(chords));
    const AcGeVector3d normal = frame.zAxis();
    pWd->geometry().polyline(Adesk::UInt32(chords + 1), points, &normal);
}

void appendCircularSnaps(AcDb::OsnapMode mode, const CircularFrame& frame, double radius, double start,
                         double sweep, const AcGePoint3d& pick, const AcGePoint3d& last, AcGePoint3dArray& points)
{
    switch (mode) {
    case AcDb::kOsModeCen:
        points.append(frame.center());
        break;
    case AcDb::kOsModeQuad:
        for (int quarter = 0; quarter < 4; ++quarter)
            appendIfWithin(frame, radius, start, sweep, quarter * M_PI * 0.5, points);
        break;
    case AcDb::kOsModeNear: {
        const AcGePoint2d p = frame.plane(pick);
        const double angle = p.isEqualTo(AcGePoint2d::kOrigin) ? start : std::atan2(p.y, p.x);
        if (angleWithin(angle, start, sweep)) {
            points.append(frame.pointAt(radius, angle));
            break;
        }
        const AcGePoint3d from = frame.pointAt(radius, start), to = frame.pointAt(radius, start + sweep);
        points.append(pick.distanceTo(from) <= pick.distanceTo(to) ? from : to);
        break;
    }
    case AcDb::kOsModePerp: {
        const AcGePoint2d p = frame.plane(last);
        if (p.isEqualTo(AcGePoint2d::kOrigin))
            break;
        const double angle = std::atan2(p.y, p.x);
        appendIfWithin(frame, radius, start, sweep, angle, points);
        appendIfWithin(frame, radius, start, sweep, angle + M_PI, points);
        break;
    }
    case AcDb::kOsModeTan: {
        const AcGePoint2d p = frame.plane(last);
        const double distance = std::hypot(p.x, p.y);
        if (!(distance > radius))
            break;
        const double angle = std::atan2(p.y, p.x), spread = std::acos(radius / distance);
        appendIfWithin(frame, radius, start, sweep, angle + spread, points);
        appendIfWithin(frame, radius, start, sweep, angle - spread, points);
        break;
    }
    default:
        break;
    }
}

}  // namespace acrt
