// Fitting a clamped B-spline exactly through points (global interpolation): parameters
// by chord length, its square root or uniform steps, knots by averaging them, optional
// end tangents as two more conditions, and the banded system solved without pivoting
// (the collocation matrix of averaged knots is totally positive, so elimination in order
// is stable). Too few points for the degree give one Bezier piece raised to it.
#include <algorithm>
#include <cmath>

#include "nurbs_curve.h"

namespace {

bool isFinitePoint(const AcGePoint3d& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }
bool isFiniteVector(const AcGeVector3d& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// A square matrix that has values only within width of its diagonal.
class BandMatrix {
public:
    BandMatrix(int size, int width) : m_size(size), m_width(width), m_values(size_t(size) * (2 * width + 1), 0.0) {}
    double& at(int row, int col) { return m_values[size_t(row) * (2 * m_width + 1) + (col - row + m_width)]; }

    // Solves in place; false when a pivot vanishes.
    bool solve(std::vector<AcGeVector3d>& rhs)
    {
        for (int k = 0; k < m_size; ++k) {
            const double pivot = at(k, k);
            if (!(std::fabs(pivot) > 1e-14))
                return false;
            const int last = std::min(m_size - 1, k + m_width);
            for (int r = k + 1; r <= last; ++r) {
                const double factor = at(r, k) / pivot;
                if (factor == 0.0)
                    continue;
                for (int c = k; c <= last; ++c)
                    at(r, c) -= factor * at(k, c);
                rhs[r] -= rhs[k] * factor;
            }
        }
        for (int k = m_size - 1; k >= 0; --k) {
            const int last = std::min(m_size - 1, k + m_width);
            for (int c = k + 1; c <= last; ++c)
                rhs[k] -= rhs[c] * at(k, c);
            rhs[k] /= at(k, k);
        }
        return true;
    }

private:
    int m_size, m_width;
    std::vector<double> m_values;
};

// The degree + 1 basis functions that do not vanish at t in span k (de Boor-Cox).
void basisFunctions(const std::vector<double>& u, int k, double t, int p, double* n)
{
    double left[acrt::kMaxSplineDegree + 1], right[acrt::kMaxSplineDegree + 1];
    n[0] = 1.0;
    for (int j = 1; j <= p; ++j) {
        left[j] = t - u[k + 1 - j];
        right[j] = u[k + j] - t;
        double saved = 0.0;
        for (int r = 0; r < j; ++r) {
            const double temp = n[r] / (right[r + 1] + left[j - r]);
            n[r] = saved + right[r + 1] * temp;
            saved = left[j - r] * temp;
        }
        n[j] = saved;
    }
}

int spanIn(const std::vector<double>& u, int count, int p, double t)
{
    if (t >= u[count])
        return count - 1;
    return int(std::upper_bound(u.begin() + p, u.begin() + count, t) - u.begin()) - 1;
}

// The points in order, closed ones with the first again at the end.
std::vector<AcGePoint3d> pointsToFit(const acrt::FitInput& fit)
{
    std::vector<AcGePoint3d> points(fit.points, fit.points + fit.count);
    if (fit.closed && !points.front().isEqualTo(points.back()))
        points.push_back(points.front());
    return points;
}

// Parameters in [0, 1] and the length of the polygon; false for points in a row that
// coincide.
bool fitParameters(const std::vector<AcGePoint3d>& points, AcGe::KnotParameterization kind,
                   std::vector<double>& params, double& polygonLength)
{
    params.assign(1, 0.0);
    polygonLength = 0.0;
    for (size_t i = 1; i < points.size(); ++i) {
        const double chord = points[i].distanceTo(points[i - 1]);
        if (!(chord > 0.0) || !std::isfinite(chord))
            return false;
        polygonLength += chord;
        const double step = kind == AcGe::kChord ? chord : kind == AcGe::kSqrtChord ? std::sqrt(chord) : 1.0;
        params.push_back(params.back() + step);
    }
    const double total = params.back();
    for (double& t : params)
        t /= total;
    params.back() = 1.0;
    return std::isfinite(polygonLength);
}

// Clamped knots averaged from the parameters, each end's repeated where it has a tangent.
std::vector<double> averagedKnots(const std::vector<double>& extended, int p)
{
    const int count = int(extended.size());
    std::vector<double> knots(size_t(count + p + 1), 0.0);
    for (int j = 1; j < count - p; ++j) {
        double sum = 0.0;
        for (int i = j; i < j + p; ++i)
            sum += extended[i];
        knots[j + p] = sum / p;
    }
    for (int i = count; i <= count + p; ++i)
        knots[i] = 1.0;
    return knots;
}

// Raises a single Bezier piece by one degree.
void raiseBezier(acrt::NurbsData& curve)
{
    const int q = curve.degree;
    std::vector<AcGePoint3d> raised(size_t(q + 2));
    raised[0] = curve.points[0];
    raised[q + 1] = curve.points[q];
    for (int i = 1; i <= q; ++i) {
        const double a = double(i) / (q + 1);
        raised[i] = curve.points[i - 1] + (curve.points[i] - curve.points[i - 1]) * (1.0 - a);
    }
    curve.points.swap(raised);
    curve.degree = q + 1;
    curve.knots.assign(size_t(q + 2), 0.0);
    curve.knots.resize(size_t(2 * (q + 2)), 1.0);
}

struct EndConditions {
    bool start = false, end = false;
    AcGeVector3d startDerivative, endDerivative;
};

// Rows in the order of the unknowns: the first point, the start tangent, the inner
// points, the end tangent, the last point.
bool solveInterpolation(const std::vector<AcGePoint3d>& points, const std::vector<double>& params,
                        const EndConditions& ends, int p, acrt::NurbsData& out)
{
    std::vector<double> extended;
    if (ends.start)
        extended.push_back(0.0);
    extended.insert(extended.end(), params.begin(), params.end());
    if (ends.end)
        extended.push_back(1.0);
    const int count = int(extended.size());
    const std::vector<double> knots = averagedKnots(extended, p);
    BandMatrix matrix(count, p);
    std::vector<AcGeVector3d> rhs(static_cast<size_t>(count));
    double basis[acrt::kMaxSplineDegree + 1];
    int row = 0;
    for (size_t i = 0; i < points.size(); ++i, ++row) {
        if (i == points.size() - 1 && ends.end) {
            const double scale = p / (1.0 - knots[count - 1]);
            matrix.at(row, count - 2) = -scale;
            matrix.at(row, count - 1) = scale;
            rhs[row] = ends.endDerivative;
            ++row;
        }
        const int k = spanIn(knots, count, p, params[i]);
        basisFunctions(knots, k, params[i], p, basis);
        for (int j = 0; j <= p; ++j) {
            if (std::abs(k - p + j - row) <= p)
                matrix.at(row, k - p + j) = basis[j];
            else if (basis[j] != 0.0)
                return false;  // outside the band: the parameters and knots do not interlace
        }
        rhs[row] = points[i].asVector();
        if (i == 0 && ends.start) {
            ++row;
            const double scale = p / knots[p + 1];
            matrix.at(row, 0) = -scale;
            matrix.at(row, 1) = scale;
            rhs[row] = ends.startDerivative;
        }
    }
    if (!matrix.solve(rhs))
        return false;
    out.degree = p;
    out.knots = knots;
    out.points.clear();
    for (const AcGeVector3d& v : rhs) {
        if (!isFiniteVector(v))
            return false;
        out.points.push_back(AcGePoint3d::kOrigin + v);
    }
    return true;
}

EndConditions endConditionsOf(const acrt::FitInput& fit, const std::vector<AcGePoint3d>& points,
                              double polygonLength)
{
    EndConditions ends;
    AcGeVector3d start = fit.startTangent, end = fit.endTangent;
    if (fit.closed) {
        // One tangent where the curve closes: along the chord from the point before
        // the first to the point after it.
        const size_t n = points.size();
        start = end = points[1] - points[n - 2];
    }
    // Only directions count: a derivative as long as the polygon (the parameters span
    // [0, 1]) bends the ends as little as the inner points are bent.
    ends.start = !start.isZeroLength();
    ends.end = !end.isZeroLength();
    if (ends.start)
        ends.startDerivative = start.normal() * polygonLength;
    if (ends.end)
        ends.endDerivative = end.normal() * polygonLength;
    return ends;
}

bool isUsableFit(const acrt::FitInput& fit)
{
    if (fit.points == nullptr || fit.count < (fit.closed ? 3 : 2) || fit.degree < 1 ||
        fit.degree > acrt::kMaxSplineDegree || !isFiniteVector(fit.startTangent) || !isFiniteVector(fit.endTangent))
        return false;
    if (fit.knotParam != AcGe::kChord && fit.knotParam != AcGe::kSqrtChord && fit.knotParam != AcGe::kUniform)
        return false;
    return std::all_of(fit.points, fit.points + fit.count, isFinitePoint);
}

}  // namespace

namespace acrt {

bool interpolateFitPoints(const FitInput& fit, NurbsData& out)
{
    if (!isUsableFit(fit))
        return false;
    const std::vector<AcGePoint3d> points = pointsToFit(fit);
    std::vector<double> params;
    double polygonLength = 0.0;
    if (!fitParameters(points, fit.knotParam, params, polygonLength))
        return false;
    const EndConditions ends = endConditionsOf(fit, points, polygonLength);
    const int unknowns = int(points.size()) + (ends.start ? 1 : 0) + (ends.end ? 1 : 0);
    const int degree = std::min(fit.degree, unknowns - 1);
    NurbsData curve;
    if (!solveInterpolation(points, params, ends, degree, curve))
        return false;
    while (curve.degree < fit.degree)
        raiseBezier(curve);
    if (!isValidNurbs(curve.view()))
        return false;
    out = std::move(curve);
    return true;
}

}  // namespace acrt
