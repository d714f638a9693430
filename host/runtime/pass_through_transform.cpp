// Transforms of pass-through entities, made by rewriting the groups where their
// coordinates, angles and lengths stand and leaving every other group byte for byte. A
// value that does not change keeps its text; a changed one is written as the shortest
// text that reads back as it. Every new value is worked out before any group changes,
// so a refused transform leaves the groups as they were.
#include <cmath>
#include <utility>

#include "pass_through_geometry.h"

namespace acrt {

namespace {

const double kExact = 1e-12;

bool isTranslation(const AcGeMatrix3d& m)
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            if (std::fabs(m.entry[r][c] - (r == c ? 1.0 : 0.0)) > kExact)
                return false;
    return true;
}

// A similarity that keeps the XY plane facing up: rotation about Z, uniform scale and
// mirrors in the plane.
bool keepsPlane(const AcGeMatrix3d& m)
{
    return std::fabs(m.entry[0][2]) <= kExact && std::fabs(m.entry[1][2]) <= kExact &&
           std::fabs(m.entry[2][0]) <= kExact && std::fabs(m.entry[2][1]) <= kExact && m.entry[2][2] > 0.0;
}

// A rotation angle in degrees, snapped to a whole degree it lies within rounding of.
double snappedDegrees(double radians)
{
    const double degrees = radians * 180.0 / M_PI;
    const double whole = std::round(degrees);
    return std::fabs(degrees - whole) < 1e-9 ? whole : degrees;
}

// In [0, 360).
double normalizedDegrees(double degrees)
{
    double a = std::fmod(degrees, 360.0);
    return a < 0.0 ? a + 360.0 : a;
}

class GroupTransformer {
public:
    GroupTransformer(const PassThroughShape& shape, const AcGeMatrix3d& m, const DxfGroups& groups)
        : m_shape(shape), m_m(m), m_groups(groups), m_translation(isTranslation(m))
    {
        const PlaneFrame frame(shape.rule == TransformRule::kPlanar ? shape.normal : AcGeVector3d::kZAxis);
        const AcGeVector3d d = m.translation();
        m_shift = AcGeVector3d(d.dotProduct(frame.xAxis), d.dotProduct(frame.yAxis), d.dotProduct(frame.zAxis));
        const AcGeVector3d x = m * AcGeVector3d::kXAxis;
        m_scale = x.length();
        m_mirrored = m.det() < 0.0;
        m_rotation = snappedDegrees(std::atan2(x.y, x.x));
        for (const GroupPlace& place : shape.places)
            if (place.kind == GroupPlace::kElevation)
                value(place.x, m_elevation);
    }

    Acad::ErrorStatus check() const
    {
        if (m_shape.rule == TransformRule::kNone || !m_shape.placesComplete)
            return Acad::eNotApplicable;
        if (m_translation)
            return Acad::eOk;
        if (!m_m.isUniScaledOrtho())
            return Acad::eCannotScaleNonUniformly;
        switch (m_shape.rule) {
        case TransformRule::kSimilarity:
            return Acad::eOk;
        case TransformRule::kPlanar:
            return m_shape.normal.isEqualTo(AcGeVector3d::kZAxis) && keepsPlane(m_m) ? Acad::eOk
                                                                                      : Acad::eNotApplicable;
        default:
            return Acad::eNotApplicable;
        }
    }

    // Works out every new value; false when one cannot be written (a height the
    // groups have no place for).
    bool plan()
    {
        for (const GroupPlace& place : m_shape.places)
            if (!planPlace(place))
                return false;
        return true;
    }

    void apply(DxfGroups& groups) const
    {
        for (const auto& edit : m_edits)
            groups[size_t(edit.first)].value = edit.second;
    }

private:
    bool value(int at, double& out) const
    {
        return at >= 0 && size_t(at) < m_groups.size() && groupNumber(m_groups[size_t(at)].value, out);
    }

    // Rewrites the group at when its value changes; a missing group must keep zero, and
    // a value that overflows is refused.
    bool set(int at, double newValue)
    {
        double old = 0.0;
        if (!std::isfinite(newValue))
            return false;
        if (at < 0)
            return std::fabs(newValue) <= kExact;
        value(at, old);
        if (newValue != old)
            m_edits.emplace_back(at, numberText(newValue == 0.0 ? 0.0 : newValue));
        return true;
    }

    bool planPlace(const GroupPlace& p)
    {
        double x = 0.0, y = 0.0, z = 0.0;
        value(p.x, x);
        value(p.y, y);
        value(p.z, z);
        switch (p.kind) {
        case GroupPlace::kPoint:
            return planPoint(p, x, y, p.flat ? m_elevation : z);
        case GroupPlace::kVector: {
            if (m_translation)
                return true;
            const AcGeVector3d v = m_m * AcGeVector3d(x, y, p.flat ? 0.0 : z);
            return set(p.x, v.x) && set(p.y, v.y) && (p.flat || set(p.z, v.z));
        }
        case GroupPlace::kElevation:
            return set(p.x, m_translation ? x + m_shift.z : m_m.entry[2][2] * x + m_m.entry[2][3]);
        case GroupPlace::kBulge:
            return m_translation || !m_mirrored || set(p.x, -x);
        case GroupPlace::kLength:
            return m_translation || set(p.x, x * m_scale);
        case GroupPlace::kAngle:
            return m_translation || set(p.x, normalizedDegrees(m_mirrored ? m_rotation - x : x + m_rotation));
        case GroupPlace::kArcAngles:
            return m_translation || planArc(p, x, y, z != 0.0);
        case GroupPlace::kEllipseAngles:
            return m_translation || !m_mirrored || set(p.z, z != 0.0 ? 0.0 : 1.0);
        }
        return true;
    }

    bool planPoint(const GroupPlace& p, double x, double y, double z)
    {
        if (m_translation)
            return set(p.x, x + m_shift.x) && set(p.y, y + m_shift.y) && (p.flat || set(p.z, z + m_shift.z));
        const AcGePoint3d image = m_m * AcGePoint3d(x, y, z);
        return set(p.x, image.x) && set(p.y, image.y) && (p.flat || set(p.z, image.z));
    }

    // An arc runs from its start in its direction; its image runs from the image of the
    // start, the other way round under a mirror. A clockwise arc's angles are measured
    // clockwise. The difference of the two angles stays.
    bool planArc(const GroupPlace& p, double start, double end, bool ccw)
    {
        const double from = ccw ? start : -start;
        const double imageFrom = m_mirrored ? m_rotation - from : from + m_rotation;
        const bool imageCcw = ccw != m_mirrored;
        const double newStart = normalizedDegrees(imageCcw ? imageFrom : -imageFrom);
        return set(p.x, newStart) && set(p.y, newStart + (end - start)) &&
               (imageCcw == ccw || set(p.z, imageCcw ? 1.0 : 0.0));
    }

    const PassThroughShape& m_shape;
    const AcGeMatrix3d& m_m;
    const DxfGroups& m_groups;
    bool m_translation;
    AcGeVector3d m_shift;
    double m_scale = 1.0, m_rotation = 0.0, m_elevation = 0.0;
    bool m_mirrored = false;
    std::vector<std::pair<int, std::string>> m_edits;
};

}  // namespace

Acad::ErrorStatus transformGroups(const PassThroughShape& shape, const AcGeMatrix3d& xform, DxfGroups& groups)
{
    GroupTransformer transformer(shape, xform, groups);
    const Acad::ErrorStatus es = transformer.check();
    if (es != Acad::eOk)
        return es;
    if (!transformer.plan())
        return Acad::eNotApplicable;
    transformer.apply(groups);
    return Acad::eOk;
}

}  // namespace acrt
