// Private to the runtime: NURBS curves as the spline holds them, checked, evaluated by
// de Boor's algorithm, and fitted through points; and the ellipse as a curve.
#pragma once

#include <vector>

#include "curve_analysis.h"
#include "gegblge.h"

namespace acrt {

// The largest degree a spline may have (order 26).
constexpr int kMaxSplineDegree = 25;

// A view of NURBS data held elsewhere: count control points, count + degree + 1 knots,
// and weights (null when not rational).
struct NurbsView {
    int degree = 1;
    int count = 0;
    const AcGePoint3d* points = nullptr;
    const double* knots = nullptr;
    const double* weights = nullptr;
};

// Whether the data make a curve: a degree of 1 to 25, at least degree + 1 finite
// control points, finite knots that never decrease, inner knots repeated at most degree
// times and a domain of some length, and finite weights above zero.
ACRT_PORT bool isValidNurbs(const NurbsView& data);

// The view of a spline's curve: its degree, controlPoints, knots and weights (empty
// when not rational).
template <class Curve>
NurbsView viewOfCurve(const Curve& curve)
{
    return NurbsView{curve.degree, int(curve.controlPoints.size()), curve.controlPoints.data(), curve.knots.data(),
                     curve.weights.empty() ? nullptr : curve.weights.data()};
}

// Whether a valid curve's ends meet, as a closed or periodic spline's must: within a
// ten billionth of the size of its control polygon (of 1 at least).
ACRT_PORT bool splineEndsMeet(const NurbsView& data);

// A valid NURBS curve over its domain [knot(degree), knot(count)].
class ACRT_PORT NurbsCurve final : public ParametricCurve {
public:
    explicit NurbsCurve(const NurbsView& data) : m_data(data) {}
    double startParam() const override;
    double endParam() const override;
    void evaluate(double t, AcGePoint3d& point, AcGeVector3d& derivative) const override;
    void appendBreaks(std::vector<double>& params) const override;

private:
    int spanOf(double t) const;

    NurbsView m_data;
};

// An ellipse from its centre and its two half axes, between two parameters.
class ACRT_PORT EllipseCurve final : public ParametricCurve {
public:
    EllipseCurve(const AcGePoint3d& center, const AcGeVector3d& major, const AcGeVector3d& minor, double start,
                 double end)
        : m_center(center), m_major(major), m_minor(minor), m_start(start), m_end(end)
    {
    }
    double startParam() const override { return m_start; }
    double endParam() const override { return m_end; }
    void evaluate(double t, AcGePoint3d& point, AcGeVector3d& derivative) const override;
    void appendBreaks(std::vector<double>& params) const override;

private:
    AcGePoint3d m_center;
    AcGeVector3d m_major, m_minor;
    double m_start, m_end;
};

// Fit points and how to fit a curve through them. A zero tangent lets its end float;
// a closed fit goes round through the first point again with one tangent there.
struct FitInput {
    const AcGePoint3d* points = nullptr;
    int count = 0;
    AcGeVector3d startTangent, endTangent;
    AcGe::KnotParameterization knotParam = AcGe::kChord;
    int degree = 3;
    bool closed = false;
};

// NURBS data that own their values.
struct NurbsData {
    int degree = 1;
    std::vector<AcGePoint3d> points;
    std::vector<double> knots;

    NurbsView view() const { return NurbsView{degree, int(points.size()), points.data(), knots.data(), nullptr}; }
};

// The clamped, non-rational curve of the given degree through the fit points, with
// their parameters spread over [0, 1]. False, with out untouched, when the points cannot
// make one: fewer than two (three when closed), two in a row that coincide, something
// not finite, a degree outside 1 to 25 or a parameterisation other than chord, square
// root of chord or uniform.
ACRT_PORT bool interpolateFitPoints(const FitInput& fit, NurbsData& out);

}  // namespace acrt
