// NURBS curves checked and evaluated by de Boor's algorithm in homogeneous coordinates,
// with the first derivative from the algorithm's last step; and the ellipse as a curve.
#include "nurbs_curve.h"

#include <cmath>

#include "gekvec.h"

double AcGeKnotVector::globalKnotTolerance = 1e-9;

namespace {

bool isFinitePoint(const AcGePoint3d& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

// A point with its weight, the coordinates multiplied by it.
struct Homogeneous {
    double x = 0.0, y = 0.0, z = 0.0, w = 1.0;

    Homogeneous blend(const Homogeneous& to, double alpha) const
    {
        const double beta = 1.0 - alpha;
        return Homogeneous{beta * x + alpha * to.x, beta * y + alpha * to.y, beta * z + alpha * to.z,
                           beta * w + alpha * to.w};
    }
};

bool knotsAreValid(const acrt::NurbsView& data)
{
    const int knotCount = data.count + data.degree + 1;
    int repeats = 1;
    for (int i = 0; i < knotCount; ++i) {
        if (!std::isfinite(data.knots[i]))
            return false;
        if (i == 0)
            continue;
        if (data.knots[i] < data.knots[i - 1])
            return false;
        repeats = data.knots[i] == data.knots[i - 1] ? repeats + 1 : 1;
        const bool inner = data.knots[i] > data.knots[data.degree] && data.knots[i] < data.knots[data.count];
        if (repeats > data.degree + 1 || (inner && repeats > data.degree))
            return false;
    }
    return data.knots[data.degree] < data.knots[data.count];
}

}  // namespace

namespace acrt {

bool isValidNurbs(const NurbsView& data)
{
    if (data.degree < 1 || data.degree > kMaxSplineDegree || data.count < data.degree + 1 || data.points == nullptr ||
        data.knots == nullptr)
        return false;
    for (int i = 0; i < data.count; ++i) {
        if (!isFinitePoint(data.points[i]))
            return false;
        if (data.weights != nullptr && !(data.weights[i] > 0.0 && std::isfinite(data.weights[i])))
            return false;
    }
    return knotsAreValid(data);
}

bool splineEndsMeet(const NurbsView& data)
{
    AcDbExtents box;
    for (int i = 0; i < data.count; ++i)
        box.addPoint(data.points[i]);
    const NurbsCurve curve(data);
    const double size = box.minPoint().distanceTo(box.maxPoint());
    const double gap = curve.pointAt(curve.startParam()).distanceTo(curve.pointAt(curve.endParam()));
    return gap <= 1e-10 * std::fmax(1.0, size);
}

double NurbsCurve::startParam() const { return m_data.knots[m_data.degree]; }
double NurbsCurve::endParam() const { return m_data.knots[m_data.count]; }

// The span k with knot(k) <= t < knot(k + 1) among degree..count-1; the domain's end
// belongs to the last span of some length.
int NurbsCurve::spanOf(double t) const
{
    const double* u = m_data.knots;
    int low = m_data.degree, high = m_data.count - 1;
    if (t >= u[high]) {
        while (high > low && u[high] >= u[high + 1])
            --high;
        return high;
    }
    while (low < high) {
        const int mid = (low + high + 1) / 2;
        if (u[mid] <= t)
            low = mid;
        else
            high = mid - 1;
    }
    return low;
}

void NurbsCurve::evaluate(double t, AcGePoint3d& point, AcGeVector3d& derivative) const
{
    const int p = m_data.degree;
    const double* u = m_data.knots;
    t = std::fmin(std::fmax(t, startParam()), endParam());
    const int k = spanOf(t);
    Homogeneous d[kMaxSplineDegree + 1];
    for (int j = 0; j <= p; ++j) {
        const AcGePoint3d& c = m_data.points[j + k - p];
        const double w = m_data.weights != nullptr ? m_data.weights[j + k - p] : 1.0;
        d[j] = Homogeneous{c.x * w, c.y * w, c.z * w, w};
    }
    // After p - 1 rounds the last two points give the derivative of the homogeneous curve.
    Homogeneous slope;
    for (int r = 1; r <= p; ++r) {
        if (r == p) {
            const double scale = p / (u[k + 1] - u[k]);
            slope = Homogeneous{(d[p].x - d[p - 1].x) * scale, (d[p].y - d[p - 1].y) * scale,
                                (d[p].z - d[p - 1].z) * scale, (d[p].w - d[p - 1].w) * scale};
        }
        for (int j = p; j >= r; --j) {
            const double alpha = (t - u[j + k - p]) / (u[j + 1 + k - r] - u[j + k - p]);
            d[j] = d[j - 1].blend(d[j], alpha);
        }
    }
    const Homogeneous& h = d[p];
    point = AcGePoint3d(h.x / h.w, h.y / h.w, h.z / h.w);
    derivative = AcGeVector3d((slope.x - slope.w * point.x) / h.w, (slope.y - slope.w * point.y) / h.w,
                              (slope.z - slope.w * point.z) / h.w);
}

void NurbsCurve::appendBreaks(std::vector<double>& params) const
{
    for (int i = m_data.degree; i <= m_data.count; ++i)
        if (i == m_data.degree || m_data.knots[i] > params.back())
            params.push_back(m_data.knots[i]);
}

void EllipseCurve::evaluate(double t, AcGePoint3d& point, AcGeVector3d& derivative) const
{
    const double c = std::cos(t), s = std::sin(t);
    point = m_center + m_major * c + m_minor * s;
    derivative = m_minor * c - m_major * s;
}

// Quarter turns: within each the curve bends by at most a right angle.
void EllipseCurve::appendBreaks(std::vector<double>& params) const
{
    const double kQuarter = M_PI / 2.0;
    params.push_back(m_start);
    for (double q = (std::floor(m_start / kQuarter) + 1.0) * kQuarter; q < m_end - 1e-12; q += kQuarter)
        params.push_back(q);
    params.push_back(m_end);
}

}  // namespace acrt
