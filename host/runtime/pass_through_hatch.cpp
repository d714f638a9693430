// What a hatch's groups describe: the outlines of its boundary paths (polylines with
// bulges, and edges that are lines, circular and elliptic arcs or splines) in the plane
// of its normal at its elevation, and the places of its coordinates, angles and lengths,
// pattern and seed points included. The groups are read in their order; where they stop
// making sense the paths read so far are kept and the rest is left out.
#include <cmath>

#include "pass_through_geometry.h"

namespace acrt {

namespace {

const double kDegree = M_PI / 180.0;

// Reads the groups in order from a position.
class GroupReader {
public:
    GroupReader(const DxfGroups& groups, size_t at, PassThroughShape& shape)
        : m_groups(groups), m_at(at), m_shape(shape)
    {
    }

    bool atCode(int code) const { return m_at < m_groups.size() && m_groups[m_at].code == code; }
    int codeAhead(size_t ahead) const
    {
        return m_at + ahead < m_groups.size() ? m_groups[m_at + ahead].code : -1;
    }
    size_t position() const { return m_at; }

    // The number of the group at the position when it has the code; the position
    // moves past it. Noted as a place of the kind unless kind is kNone.
    bool number(int code, double& value, int kind = -1)
    {
        if (!atCode(code) || !groupNumber(m_groups[m_at].value, value))
            return false;
        if (kind >= 0) {
            GroupPlace place;
            place.kind = GroupPlace::Kind(kind);
            place.x = int(m_at);
            m_shape.places.push_back(place);
        }
        ++m_at;
        return true;
    }
    bool count(int code, long& value)
    {
        double read = 0.0;
        if (!number(code, read) || read < 0.0 || read > double(m_groups.size()) || read != std::floor(read))
            return false;
        value = long(read);
        return true;
    }
    // A plane point or vector of codes code and code + 10, noted as a place.
    bool point(int code, AcGePoint2d& pt, GroupPlace::Kind kind = GroupPlace::kPoint)
    {
        const size_t at = m_at;
        if (!number(code, pt.x) || !number(code + 10, pt.y)) {
            m_at = at;
            return false;
        }
        GroupPlace place;
        place.kind = kind;
        place.flat = true;
        place.x = int(at);
        place.y = int(at + 1);
        m_shape.places.push_back(place);
        return true;
    }
    // The arc angles 50, 51 and the counter-clockwise flag 73 that follows them.
    bool arcAngles(double& start, double& end, bool& ccw, GroupPlace::Kind kind)
    {
        const size_t at = m_at;
        double flag = 1.0;
        if (!number(50, start) || !number(51, end) || !number(73, flag)) {
            m_at = at;
            return false;
        }
        GroupPlace place;
        place.kind = kind;
        place.x = int(at);
        place.y = int(at + 1);
        place.z = int(at + 2);
        m_shape.places.push_back(place);
        ccw = flag != 0.0;
        return true;
    }
    void skip() { ++m_at; }

private:
    const DxfGroups& m_groups;
    size_t m_at;
    PassThroughShape& m_shape;
};

// The sweep from start to end in degrees, in (0, 360].
double sweepDegrees(double start, double end)
{
    if (std::fabs(end - start) >= 360.0)
        return 360.0;
    double sweep = std::fmod(end - start, 360.0);
    if (sweep <= 0.0)
        sweep += 360.0;
    return sweep;
}

// The counter-clockwise start of an edge's arc: a clockwise edge keeps its angles
// measured clockwise, so its arc runs counter-clockwise from -end to -start.
double ccwStart(double start, double end, bool ccw) { return ccw ? start : -end; }

class HatchDecoder {
public:
    // Reads the paths from the group at; each path of a filled hatch makes a loop of its
    // filled area.
    HatchDecoder(const DxfGroups& groups, size_t at, PassThroughShape& shape, double elevation)
        : m_shape(shape), m_frame(shape.normal), m_z(elevation), m_read(groups, at, shape)
    {
    }

    size_t position() const { return m_read.position(); }

    // One boundary path; false where the groups stop making one.
    bool path()
    {
        double flags = 0.0;
        if (!m_read.number(92, flags))
            return false;
        const bool isPolyline = flags >= 0.0 && flags < 65536.0 && (long(flags) & 2) != 0;
        if (m_shape.filled)
            m_shape.beginFillLoop();
        const bool read = isPolyline ? polylinePath() : edgePath();
        m_shape.endFillLoop();
        if (!read)
            return false;
        long sources = 0;
        if (!m_read.count(97, sources))
            return true;
        for (long i = 0; i < sources && m_read.atCode(330); ++i)
            m_read.skip();
        return true;
    }

private:
    bool polylinePath()
    {
        double hasBulge = 0.0, closed = 0.0;
        long count = 0;
        if (!m_read.number(72, hasBulge) || !m_read.number(73, closed) || !m_read.count(93, count))
            return false;
        std::vector<AcGePoint2d> points;
        std::vector<double> bulges;
        for (long i = 0; i < count; ++i) {
            AcGePoint2d pt;
            double bulge = 0.0;
            if (!m_read.point(10, pt))
                return false;
            if (hasBulge != 0.0)
                m_read.number(42, bulge, GroupPlace::kBulge);
            points.push_back(pt);
            bulges.push_back(bulge);
        }
        addPlanePath(m_shape, m_frame, points, bulges, closed != 0.0, m_z);
        return true;
    }

    bool edgePath()
    {
        long count = 0;
        if (!m_read.count(93, count))
            return false;
        for (long i = 0; i < count; ++i) {
            double type = 0.0;
            if (!m_read.number(72, type))
                return false;
            const bool read = type == 1.0   ? lineEdge()
                              : type == 2.0 ? arcEdge()
                              : type == 3.0 ? ellipseEdge()
                              : type == 4.0 ? splineEdge()
                                            : false;
            if (!read)
                return false;
        }
        return true;
    }

    bool lineEdge()
    {
        AcGePoint2d a, b;
        if (!m_read.point(10, a) || !m_read.point(11, b))
            return false;
        m_shape.addRun({m_frame.world(a.x, a.y, m_z), m_frame.world(b.x, b.y, m_z)}, false);
        return true;
    }

    bool arcEdge()
    {
        AcGePoint2d center;
        double radius = 0.0, start = 0.0, end = 0.0;
        bool ccw = true;
        if (!m_read.point(10, center) || !m_read.number(40, radius, GroupPlace::kLength) ||
            !m_read.arcAngles(start, end, ccw, GroupPlace::kArcAngles))
            return false;
        PassThroughArc arc;
        arc.center = m_frame.world(center.x, center.y, m_z);
        arc.normal = m_frame.zAxis;
        arc.radius = radius;
        arc.start = ccwStart(start, end, ccw) * kDegree;
        arc.sweep = sweepDegrees(start, end) * kDegree;
        if (isUsableRadius(radius))
            m_shape.addArc(arc);
        return true;
    }

    bool ellipseEdge()
    {
        AcGePoint2d center, major;
        double ratio = 0.0, start = 0.0, end = 0.0;
        bool ccw = true;
        if (!m_read.point(10, center) || !m_read.point(11, major, GroupPlace::kVector) || !m_read.number(40, ratio) ||
            !m_read.arcAngles(start, end, ccw, GroupPlace::kEllipseAngles))
            return false;
        const double length = std::hypot(major.x, major.y);
        if (!(length > 0.0) || !(ratio > 0.0) || ratio > 1e6)
            return true;
        const double from = ccwStart(start, end, ccw) * kDegree;
        const double sweep = sweepDegrees(start, end) * kDegree;
        // Angles from the major axis become the parameters of the points they aim at.
        const double t0 = std::atan2(std::sin(from), ratio * std::cos(from));
        double t1 = sweep >= 2.0 * M_PI ? t0 + 2.0 * M_PI
                                         : std::atan2(std::sin(from + sweep), ratio * std::cos(from + sweep));
        while (t1 <= t0)
            t1 += 2.0 * M_PI;
        const AcGeVector3d majorAxis = m_frame.worldVector(major.x, major.y);
        const AcGeVector3d minorAxis = m_frame.worldVector(-major.y, major.x) * ratio;
        m_shape.addEllipse(EllipseCurve(m_frame.world(center.x, center.y, m_z), majorAxis, minorAxis, t0, t1));
        return true;
    }

    bool splineEdge()
    {
        double degree = 0.0, rational = 0.0, periodic = 0.0;
        long knotCount = 0, pointCount = 0;
        if (!m_read.number(94, degree) || !m_read.number(73, rational) || !m_read.number(74, periodic) ||
            !m_read.count(95, knotCount) || !m_read.count(96, pointCount))
            return false;
        PassThroughSpline spline;
        spline.degree = degree >= 1.0 && degree <= kMaxSplineDegree ? int(degree) : 0;
        for (long i = 0; i < knotCount; ++i) {
            double knot = 0.0;
            if (!m_read.number(40, knot))
                return false;
            spline.knots.push_back(knot);
        }
        bool weighted = rational != 0.0;
        for (long i = 0; i < pointCount; ++i) {
            AcGePoint2d pt;
            double weight = 1.0;
            if (!m_read.point(10, pt))
                return false;
            if (m_read.atCode(42))
                weighted = m_read.number(42, weight) && weighted;
            else
                weighted = false;
            spline.points.push_back(m_frame.world(pt.x, pt.y, m_z));
            spline.weights.push_back(weight);
        }
        if (!weighted)
            spline.weights.clear();
        fitData();
        addSpline(std::move(spline));
        return true;
    }

    // The fit points and end tangents a spline edge may carry (the 97 count that follows
    // the edges is told apart by what comes after it).
    void fitData()
    {
        if (!m_read.atCode(97))
            return;
        const int next = m_read.codeAhead(1);
        double count = 0.0;
        peekNumber(97, count);
        if (count > 0.0 ? next != 11 : (next != 12 && next != 13 && next != 72 && next != 97))
            return;
        long fits = 0;
        m_read.count(97, fits);
        for (long i = 0; i < fits; ++i) {
            AcGePoint2d pt;
            if (!m_read.point(11, pt))
                return;
        }
        AcGePoint2d tangent;
        m_read.point(12, tangent, GroupPlace::kVector);
        m_read.point(13, tangent, GroupPlace::kVector);
    }

    // The number of the group at the position, which stays.
    void peekNumber(int code, double& value) const
    {
        GroupReader ahead = m_read;
        ahead.number(code, value);
    }

    void addSpline(PassThroughSpline spline)
    {
        const NurbsView view = spline.view();
        const bool valid = spline.degree > 0 &&
                           spline.knots.size() == spline.points.size() + size_t(spline.degree) + 1 &&
                           isValidNurbs(view);
        if (valid)
            m_shape.addSpline(std::move(spline));
        else
            m_shape.addRun(spline.points, false);
    }

    PassThroughShape& m_shape;
    PlaneFrame m_frame;
    double m_z;
    GroupReader m_read;
};

// Whether the hatch's fill flag (70, before the paths) says it is filled solid.
bool isSolidFill(const DxfGroups& groups, size_t paths)
{
    for (size_t i = 0; i < paths; ++i) {
        double flag = 0.0;
        if (groups[i].code == 70)
            return groupNumber(groups[i].value, flag) && flag == 1.0;
    }
    return false;
}

// How deep the loops of a filled hatch go by its style (75, after the paths): the
// outer style fills the outermost areas round their holes, the ignoring style fills
// the outermost loops whole, the normal style every other level.
int fillDepthLimit(const DxfGroups& groups, size_t from, size_t to)
{
    for (size_t i = from; i < to; ++i) {
        double style = 0.0;
        if (groups[i].code != 75 || !groupNumber(groups[i].value, style))
            continue;
        if (style == 1.0)
            return 2;
        if (style == 2.0)
            return 1;
        break;
    }
    return 1 << 30;
}

}  // namespace

void decodeHatch(const DxfGroups& groups, PassThroughShape& shape)
{
    shape.rule = TransformRule::kPlanar;
    size_t own = 0;
    while (own < groups.size() && groups[own].code != 0 && groups[own].code < 1000)
        ++own;
    shape.normal = normalOf(groups, 0, own);
    size_t paths = 0;
    while (paths < own && groups[paths].code != 91)
        ++paths;
    double elevation = 0.0;
    size_t at = 0;
    while (at < paths && groups[at].code != 10)
        ++at;
    if (at + 2 < paths && groups[at + 1].code == 20 && groups[at + 2].code == 30) {
        GroupPlace place;
        place.kind = GroupPlace::kElevation;
        place.x = int(at + 2);
        if (groupNumber(groups[at + 2].value, elevation))
            shape.places.push_back(place);
        else
            shape.placesComplete = false;
    }
    double count = 0.0;
    if (paths >= own || !groupNumber(groups[paths].value, count) || count < 0.0)
        return;
    shape.filled = isSolidFill(groups, paths);
    HatchDecoder decoder(groups, paths + 1, shape, elevation);
    long done = 0;
    while (done < long(std::min(count, double(own))) && decoder.path())
        ++done;
    if (double(done) < count)
        shape.placesComplete = false;
    shape.summary = L"Boundary paths: " + std::to_wstring(done);
    shape.fillDepthLimit = fillDepthLimit(groups, decoder.position(), own);
    // The pattern and the seed points follow the paths.
    for (size_t i = decoder.position(); i < own; ++i) {
        const int code = groups[i].code;
        GroupPlace place;
        place.x = int(i);
        double value = 0.0;
        const bool number = groupNumber(groups[i].value, value);
        if (code == 52 || code == 53 || code == 41 || code == 49) {
            place.kind = code == 41 || code == 49 ? GroupPlace::kLength : GroupPlace::kAngle;
        } else if ((code == 43 || code == 45 || code == 10) && i + 1 < own &&
                   groups[i + 1].code == (code == 10 ? 20 : code + 1)) {
            place.kind = code == 45 ? GroupPlace::kVector : GroupPlace::kPoint;
            place.flat = true;
            place.y = int(i + 1);
            ++i;
            if (number && !groupNumber(groups[i].value, value))
                shape.placesComplete = false;
        } else {
            continue;
        }
        if (number)
            shape.places.push_back(place);
        else
            shape.placesComplete = false;
    }
}

}  // namespace acrt
