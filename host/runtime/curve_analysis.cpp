// Analyses of smooth curves by sampling and refining: chords within a deviation,
// extreme points, nearest points, perpendicular feet and tangent points by bisection on
// sign changes between samples, and lengths by Gauss-Legendre quadrature.
#include "curve_analysis.h"

#include <algorithm>
#include <cmath>

#include "acgi.h"
#include "dbelipse.h"
#include "dbspline.h"
#include "nurbs_curve.h"

namespace {

constexpr int kAnalysisSamples = 8;     // per piece, for roots and extremes
constexpr int kDrawSamples = 4;         // per piece, before chords are split
constexpr int kMaxChordPoints = 4096;   // per drawn curve (give or take a split's depth), unless it has more pieces
constexpr int kMaxSplitDepth = 16;
constexpr double kDefaultDeviation = 1e-3;  // of the curve's size, where a view gives none
constexpr double kChordsNearDeviation = 1e-4;  // of the curve's size, for intersections

double planDistance(const AcGePoint3d& a, const AcGePoint3d& b) { return std::hypot(a.x - b.x, a.y - b.y); }

double distanceToSegment(const AcGePoint3d& p, const AcGePoint3d& a, const AcGePoint3d& b)
{
    const AcGeVector3d ab = b - a;
    const double len2 = ab.lengthSqrd();
    const double t = len2 > 0.0 ? std::clamp((p - a).dotProduct(ab) / len2, 0.0, 1.0) : 0.0;
    return p.distanceTo(a + ab * t);
}

double planDistanceToSegment(const AcGePoint3d& p, const AcGePoint3d& a, const AcGePoint3d& b)
{
    return distanceToSegment(AcGePoint3d(p.x, p.y, 0.0), AcGePoint3d(a.x, a.y, 0.0), AcGePoint3d(b.x, b.y, 0.0));
}

// The diagonal of the box round the points at the parameters.
double sizeOf(const acrt::ParametricCurve& curve, const std::vector<double>& params)
{
    AcDbExtents box;
    for (double t : params)
        box.addPoint(curve.pointAt(t));
    return box.isEmpty() ? 0.0 : box.minPoint().distanceTo(box.maxPoint());
}

// Splits [a, b] in halves while its middle strays from the chord by more than the
// tolerance, appending the parameters after a.
class ChordSplitter {
public:
    ChordSplitter(const acrt::ParametricCurve& curve, double tolerance, size_t budget, std::vector<double>& out)
        : m_curve(curve), m_tolerance(tolerance), m_budget(budget), m_out(out)
    {
    }
    void split(double a, const AcGePoint3d& pa, double b, const AcGePoint3d& pb, int depth = 0)
    {
        const double mid = 0.5 * (a + b);
        if (depth < kMaxSplitDepth && m_out.size() < m_budget && mid > a && mid < b) {
            const AcGePoint3d pm = m_curve.pointAt(mid);
            if (distanceToSegment(pm, pa, pb) > m_tolerance) {
                split(a, pa, mid, pm, depth + 1);
                split(mid, pm, b, pb, depth + 1);
                return;
            }
        }
        m_out.push_back(b);
    }

private:
    const acrt::ParametricCurve& m_curve;
    double m_tolerance;
    size_t m_budget;
    std::vector<double>& m_out;
};

// Bisection on a sign change of f between a and b.
template <class F>
double rootBetween(F f, double a, double fa, double b)
{
    for (int i = 0; i < 200; ++i) {
        const double mid = 0.5 * (a + b);
        if (!(mid > a && mid < b))
            break;
        const double fm = f(mid);
        if (fm == 0.0)
            return mid;
        if ((fm < 0.0) == (fa < 0.0)) {
            a = mid;
            fa = fm;
        } else {
            b = mid;
        }
    }
    return 0.5 * (a + b);
}

// The parameters among the samples where f is zero or changes sign, into roots.
template <class F>
void findRoots(const std::vector<double>& samples, F f, std::vector<double>& roots)
{
    roots.clear();
    double fa = f(samples[0]);
    for (size_t i = 0; i + 1 < samples.size(); ++i) {
        const double fb = f(samples[i + 1]);
        if (fa == 0.0)
            roots.push_back(samples[i]);
        else if ((fa < 0.0 && fb > 0.0) || (fa > 0.0 && fb < 0.0))
            roots.push_back(rootBetween(f, samples[i], fa, samples[i + 1]));
        fa = fb;
    }
    if (fa == 0.0)
        roots.push_back(samples.back());
}

template <class F>
std::vector<double> rootsOf(const std::vector<double>& samples, F f)
{
    std::vector<double> roots;
    findRoots(samples, f, roots);
    return roots;
}

double component(const AcGeVector3d& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

// Five-point Gauss-Legendre quadrature of the speed over [a, b].
double speedIntegral(const acrt::ParametricCurve& curve, double a, double b)
{
    static const double kNodes[5] = {0.0, -0.5384693101056831, 0.5384693101056831, -0.9061798459386640,
                                     0.9061798459386640};
    static const double kWeights[5] = {0.5688888888888889, 0.4786286704993665, 0.4786286704993665,
                                       0.2369268850561891, 0.2369268850561891};
    const double half = 0.5 * (b - a), middle = 0.5 * (a + b);
    double sum = 0.0;
    for (int i = 0; i < 5; ++i)
        sum += kWeights[i] * curve.derivativeAt(middle + half * kNodes[i]).length();
    return sum * half;
}

// A NURBS curve that holds its data.
class OwnedNurbsCurve final : public acrt::ParametricCurve {
public:
    int degree = 1;
    std::vector<AcGePoint3d> controlPoints;
    std::vector<double> knots;
    std::vector<double> weights;

    double startParam() const override { return curve().startParam(); }
    double endParam() const override { return curve().endParam(); }
    void evaluate(double t, AcGePoint3d& point, AcGeVector3d& derivative) const override
    {
        curve().evaluate(t, point, derivative);
    }
    void appendBreaks(std::vector<double>& params) const override { curve().appendBreaks(params); }

private:
    acrt::NurbsCurve curve() const { return acrt::NurbsCurve(acrt::viewOfCurve(*this)); }
};

}  // namespace

namespace acrt {

AcGePoint3d ParametricCurve::pointAt(double t) const
{
    AcGePoint3d p;
    AcGeVector3d d;
    evaluate(t, p, d);
    return p;
}

AcGeVector3d ParametricCurve::derivativeAt(double t) const
{
    AcGePoint3d p;
    AcGeVector3d d;
    evaluate(t, p, d);
    return d;
}

// Drawing and measuring run for every curve drawn or indexed: their working arrays are
// kept from one curve to the next.
void sampleParams(const ParametricCurve& curve, int samplesPerPiece, std::vector<double>& params)
{
    thread_local std::vector<double> breaks;
    breaks.clear();
    curve.appendBreaks(breaks);
    params.clear();
    for (size_t i = 0; i + 1 < breaks.size(); ++i)
        for (int s = 0; s < samplesPerPiece; ++s)
            params.push_back(breaks[i] + (breaks[i + 1] - breaks[i]) * s / samplesPerPiece);
    params.push_back(breaks.back());
}

void chordParams(const ParametricCurve& curve, double deviation, std::vector<double>& params)
{
    thread_local std::vector<double> samples;
    sampleParams(curve, kDrawSamples, samples);
    if (!(deviation > 0.0) || !std::isfinite(deviation))
        deviation = sizeOf(curve, samples) * kDefaultDeviation;
    params.assign(1, samples[0]);
    ChordSplitter splitter(curve, deviation, std::max(size_t(kMaxChordPoints), samples.size() * 2), params);
    AcGePoint3d from = curve.pointAt(samples[0]);
    for (size_t i = 1; i < samples.size(); ++i) {
        const AcGePoint3d to = curve.pointAt(samples[i]);
        splitter.split(samples[i - 1], from, samples[i], to);
        from = to;
    }
}

void drawCurve(AcGiWorldDraw* pWd, const ParametricCurve& curve, const AcGeVector3d* normal)
{
    thread_local std::vector<double> params;
    thread_local std::vector<AcGePoint3d> points;
    chordParams(curve, pWd->deviation(kAcGiMaxDevForCurve, curve.pointAt(curve.startParam())), params);
    points.clear();
    for (double t : params)
        points.push_back(curve.pointAt(t));
    pWd->geometry().polyline(Adesk::UInt32(points.size()), points.data(), normal);
}

void addCurveExtents(const ParametricCurve& curve, AcDbExtents& extents)
{
    thread_local std::vector<double> samples, roots;
    sampleParams(curve, kAnalysisSamples, samples);
    extents.addPoint(curve.pointAt(samples.front()));
    extents.addPoint(curve.pointAt(samples.back()));
    for (int axis = 0; axis < 3; ++axis) {
        auto slope = [&](double t) { return component(curve.derivativeAt(t), axis); };
        findRoots(samples, slope, roots);
        for (double t : roots)
            extents.addPoint(curve.pointAt(t));
    }
}

double closestParam(const ParametricCurve& curve, const AcGePoint3d& p)
{
    std::vector<double> samples;
    sampleParams(curve, kAnalysisSamples, samples);
    auto approach = [&](double t) {
        AcGePoint3d q;
        AcGeVector3d d;
        curve.evaluate(t, q, d);
        return (q - p).dotProduct(d);
    };
    double best = samples.front(), bestDistance = p.distanceTo(curve.pointAt(best));
    auto offer = [&](double t) {
        const double d = p.distanceTo(curve.pointAt(t));
        if (d < bestDistance) {
            bestDistance = d;
            best = t;
        }
    };
    offer(samples.back());
    for (double t : rootsOf(samples, approach))
        offer(t);
    return best;
}

void appendPerpendicularFeet(const ParametricCurve& curve, const AcGePoint3d& from, AcGePoint3dArray& points)
{
    std::vector<double> samples;
    sampleParams(curve, kAnalysisSamples, samples);
    auto approach = [&](double t) {
        AcGePoint3d q;
        AcGeVector3d d;
        curve.evaluate(t, q, d);
        return (q - from).dotProduct(d);
    };
    for (double t : rootsOf(samples, approach))
        points.append(curve.pointAt(t));
}

void appendTangentPoints(const ParametricCurve& curve, const AcGePoint3d& from, const AcGeVector3d& normal,
                         AcGePoint3dArray& points)
{
    std::vector<double> samples;
    sampleParams(curve, kAnalysisSamples, samples);
    auto side = [&](double t) {
        AcGePoint3d q;
        AcGeVector3d d;
        curve.evaluate(t, q, d);
        return normal.dotProduct((q - from).crossProduct(d));
    };
    for (double t : rootsOf(samples, side))
        if (!curve.pointAt(t).isEqualTo(from))
            points.append(curve.pointAt(t));
}

double lengthBetween(const ParametricCurve& curve, double from, double to)
{
    std::vector<double> samples;
    sampleParams(curve, kAnalysisSamples, samples);
    double length = 0.0;
    for (size_t i = 0; i + 1 < samples.size(); ++i) {
        const double a = std::max(from, samples[i]), b = std::min(to, samples[i + 1]);
        if (b > a)
            length += speedIntegral(curve, a, b);
    }
    return length;
}

double midLengthParam(const ParametricCurve& curve)
{
    std::vector<double> samples;
    sampleParams(curve, kAnalysisSamples, samples);
    std::vector<double> lengths;
    double total = 0.0;
    for (size_t i = 0; i + 1 < samples.size(); ++i) {
        lengths.push_back(speedIntegral(curve, samples[i], samples[i + 1]));
        total += lengths.back();
    }
    double before = 0.0;
    for (size_t i = 0; i < lengths.size(); ++i) {
        if (before + lengths[i] >= 0.5 * total && lengths[i] > 0.0) {
            const double a = samples[i];
            auto beyondHalf = [&](double t) { return before + speedIntegral(curve, a, t) - 0.5 * total; };
            return rootBetween(beyondHalf, a, -1.0, samples[i + 1]);
        }
        before += lengths[i];
    }
    return 0.5 * (curve.startParam() + curve.endParam());
}

void appendChordsNear(const ParametricCurve& curve, const AcGePoint3d& pick, double reach,
                      std::vector<AcGePoint3d>& ends)
{
    std::vector<double> samples, fine;
    sampleParams(curve, kAnalysisSamples, samples);
    const double tolerance = sizeOf(curve, samples) * kChordsNearDeviation;
    AcGePoint3d from = curve.pointAt(samples[0]);
    for (size_t i = 1; i < samples.size(); ++i) {
        const AcGePoint3d to = curve.pointAt(samples[i]);
        // Between two samples the curve strays from their chord by less than its length.
        if (planDistanceToSegment(pick, from, to) <= reach + planDistance(from, to)) {
            fine.assign(1, samples[i - 1]);
            ChordSplitter(curve, tolerance, kMaxChordPoints, fine).split(samples[i - 1], from, samples[i], to);
            AcGePoint3d a = from;
            for (size_t j = 1; j < fine.size(); ++j) {
                const AcGePoint3d b = j + 1 == fine.size() ? to : curve.pointAt(fine[j]);
                ends.push_back(a);
                ends.push_back(b);
                a = b;
            }
        }
        from = to;
    }
}

std::unique_ptr<ParametricCurve> curveOfEntity(const AcDbEntity* ent)
{
    if (const AcDbEllipse* ellipse = AcDbEllipse::cast(ent)) {
        double start = 0.0, end = 0.0;
        ellipse->getStartParam(start);
        ellipse->getEndParam(end);
        if (ellipse->isNull())
            return nullptr;
        return std::make_unique<EllipseCurve>(ellipse->center(), ellipse->majorAxis(), ellipse->minorAxis(), start,
                                              end);
    }
    const AcDbSpline* spline = AcDbSpline::cast(ent);
    if (spline == nullptr)
        return nullptr;
    auto curve = std::make_unique<OwnedNurbsCurve>();
    Adesk::Boolean rational = false, closed = false, periodic = false;
    AcGePoint3dArray points;
    AcGeDoubleArray knots, weights;
    double pointTol = 0.0, knotTol = 0.0;
    spline->getNurbsData(curve->degree, rational, closed, periodic, points, knots, weights, pointTol, knotTol);
    curve->controlPoints.assign(points.asArrayPtr(), points.asArrayPtr() + points.length());
    curve->knots.assign(knots.asArrayPtr(), knots.asArrayPtr() + knots.length());
    curve->weights.assign(weights.asArrayPtr(), weights.asArrayPtr() + weights.length());
    return isValidNurbs(viewOfCurve(*curve)) ? std::move(curve) : nullptr;
}

void tangentNear(const ParametricCurve& curve, const AcGePoint3d& p, AcGePoint3d& foot, AcGeVector3d& direction)
{
    curve.evaluate(closestParam(curve, p), foot, direction);
}

}  // namespace acrt
