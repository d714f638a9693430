// The host's spline: NURBS data (degree, control points, knots, weights) and, when it
// was fitted through points, the fit data it was made from. Built, queried and changed
// through the SDK's members; drawn as chords and measured as its curve (db_spline_edit.cpp
// has its filing and editing).
#include <algorithm>
#include <cmath>

#include "acgi.h"
#include "dbspline.h"
#include "list_output.h"
#include "nurbs_curve.h"
#include "rx_runtime_class.h"

ACRT_DEFINE_CLASS(AcDbSpline, AcDbCurve, "SPLINE");

using acrt::printListLine;

namespace {

// The fit forms that name a parameterisation take degrees up to this.
constexpr int kMaxKnotFormDegree = 11;

bool isUsableTolerance(double tolerance) { return tolerance >= 0.0 && std::isfinite(tolerance); }

std::vector<AcGePoint3d> pointsOf(const AcGePoint3dArray& array)
{
    return std::vector<AcGePoint3d>(array.asArrayPtr(), array.asArrayPtr() + array.length());
}

std::vector<double> valuesOf(const AcGeDoubleArray& array)
{
    return std::vector<double>(array.asArrayPtr(), array.asArrayPtr() + array.length());
}

template <class T, class Array>
void copyInto(const std::vector<T>& values, Array& array)
{
    array.setLogicalLength(0);
    for (const T& v : values)
        array.append(v);
}

}  // namespace

AcDbSpline::AcDbSpline()
{
    m_curve.controlPoints = {AcGePoint3d(0.0, 0.0, 0.0), AcGePoint3d(1.0, 0.0, 0.0)};
    m_curve.knots = {0.0, 0.0, 1.0, 1.0};
}

AcDbSpline::AcDbSpline(const AcGePoint3dArray& fitPoints, int order, double fitTolerance) : AcDbSpline()
{
    fitThrough(fitPoints, AcGeVector3d(), AcGeVector3d(), AcGe::kChord, order - 1, fitTolerance, false);
}

AcDbSpline::AcDbSpline(const AcGePoint3dArray& fitPoints, const AcGeVector3d& startTangent,
                       const AcGeVector3d& endTangent, int order, double fitTolerance)
    : AcDbSpline()
{
    fitThrough(fitPoints, startTangent, endTangent, AcGe::kChord, order - 1, fitTolerance, false);
}

AcDbSpline::AcDbSpline(const AcGePoint3dArray& fitPoints, bool periodic, AcGe::KnotParameterization knotParam,
                       int degree, double fitTolerance)
    : AcDbSpline()
{
    if (degree <= kMaxKnotFormDegree)
        fitThrough(fitPoints, AcGeVector3d(), AcGeVector3d(), knotParam, degree, fitTolerance, periodic);
}

AcDbSpline::AcDbSpline(const AcGePoint3dArray& fitPoints, AcGe::KnotParameterization knotParam, int degree,
                       double fitTolerance)
    : AcDbSpline()
{
    if (degree <= kMaxKnotFormDegree)
        fitThrough(fitPoints, AcGeVector3d(), AcGeVector3d(), knotParam, degree, fitTolerance, false);
}

AcDbSpline::AcDbSpline(const AcGePoint3dArray& fitPoints, const AcGeVector3d& startTangent,
                       const AcGeVector3d& endTangent, AcGe::KnotParameterization knotParam, int degree,
                       double fitTolerance)
    : AcDbSpline()
{
    if (degree <= kMaxKnotFormDegree)
        fitThrough(fitPoints, startTangent, endTangent, knotParam, degree, fitTolerance, false);
}

AcDbSpline::AcDbSpline(int degree, Adesk::Boolean rational, Adesk::Boolean closed, Adesk::Boolean periodic,
                       const AcGePoint3dArray& controlPoints, const AcGeDoubleArray& knots,
                       const AcGeDoubleArray& weights, double controlPtTol, double knotTol)
    : AcDbSpline()
{
    setNurbsData(degree, rational, closed, periodic, controlPoints, knots, weights, controlPtTol, knotTol);
}

AcDbSpline::~AcDbSpline() = default;

// Constructors only: the spline is new, so nothing needs recording for undo.
void AcDbSpline::fitThrough(const AcGePoint3dArray& fitPoints, const AcGeVector3d& startTangent,
                            const AcGeVector3d& endTangent, AcGe::KnotParameterization knotParam, int degree,
                            double fitTolerance, bool closed)
{
    if (!isUsableTolerance(fitTolerance))
        return;
    Fit fit;
    fit.points = pointsOf(fitPoints);
    fit.startTangent = closed ? AcGeVector3d() : startTangent;
    fit.endTangent = closed ? AcGeVector3d() : endTangent;
    fit.knotParam = knotParam;
    fit.degree = degree;
    fit.tolerance = fitTolerance;
    fit.closed = closed;
    refit(fit);
}

Acad::ErrorStatus AcDbSpline::refit(const Fit& fit)
{
    acrt::FitInput input;
    input.points = fit.points.data();
    input.count = int(fit.points.size());
    input.startTangent = fit.startTangent;
    input.endTangent = fit.endTangent;
    input.knotParam = fit.knotParam;
    input.degree = fit.degree;
    input.closed = fit.closed;
    acrt::NurbsData fitted;
    if (!isUsableTolerance(fit.tolerance) || !acrt::interpolateFitPoints(input, fitted))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_curve.degree = fitted.degree;
    m_curve.controlPoints.swap(fitted.points);
    m_curve.knots.swap(fitted.knots);
    m_curve.weights.clear();
    m_curve.closed = fit.closed;
    m_curve.periodic = false;
    m_fit = fit;
    m_null = false;
    return Acad::eOk;
}

Adesk::Boolean AcDbSpline::isNull() const
{
    assertReadEnabled();
    return m_null;
}

Adesk::Boolean AcDbSpline::isRational() const
{
    assertReadEnabled();
    return !m_curve.weights.empty();
}

int AcDbSpline::degree() const
{
    assertReadEnabled();
    return m_curve.degree;
}

SplineType AcDbSpline::type() const { return hasFitData() ? kFitPoints : kControlPoints; }

int AcDbSpline::numControlPoints() const
{
    assertReadEnabled();
    return int(m_curve.controlPoints.size());
}

Acad::ErrorStatus AcDbSpline::getControlPointAt(int index, AcGePoint3d& point) const
{
    if (index < 0 || index >= numControlPoints())
        return Acad::eInvalidIndex;
    point = m_curve.controlPoints[size_t(index)];
    return Acad::eOk;
}

double AcDbSpline::weightAt(int index) const
{
    if (!isRational() || index < 0 || index >= numControlPoints())
        return 1.0;
    return m_curve.weights[size_t(index)];
}

int AcDbSpline::numFitPoints() const
{
    assertReadEnabled();
    return int(m_fit.points.size());
}

Acad::ErrorStatus AcDbSpline::getFitPointAt(int index, AcGePoint3d& point) const
{
    if (index < 0 || index >= numFitPoints())
        return Acad::eInvalidIndex;
    point = m_fit.points[size_t(index)];
    return Acad::eOk;
}

double AcDbSpline::fitTolerance() const
{
    assertReadEnabled();
    return m_fit.tolerance;
}

Acad::ErrorStatus AcDbSpline::getFitTangents(AcGeVector3d& startTangent, AcGeVector3d& endTangent) const
{
    if (!hasFitData())
        return Acad::eNotApplicable;
    startTangent = m_fit.startTangent;
    endTangent = m_fit.endTangent;
    return Acad::eOk;
}

Adesk::Boolean AcDbSpline::hasFitData() const { return numFitPoints() > 0; }

Acad::ErrorStatus AcDbSpline::purgeFitData()
{
    assertWriteEnabled();
    m_fit = Fit();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSpline::getFitData(AcGePoint3dArray& fitPoints, int& degree, double& fitTolerance,
                                         Adesk::Boolean& tangentsExist, AcGeVector3d& startTangent,
                                         AcGeVector3d& endTangent) const
{
    AcGe::KnotParameterization knotParam = AcGe::kChord;
    return getFitData(fitPoints, tangentsExist, startTangent, endTangent, knotParam, degree, fitTolerance);
}

Acad::ErrorStatus AcDbSpline::getFitData(AcGePoint3dArray& fitPoints, Adesk::Boolean& tangentsExist,
                                         AcGeVector3d& startTangent, AcGeVector3d& endTangent,
                                         AcGe::KnotParameterization& knotParam, int& degree,
                                         double& fitTolerance) const
{
    if (!hasFitData())
        return Acad::eNotApplicable;
    copyInto(m_fit.points, fitPoints);
    tangentsExist = !m_fit.startTangent.isZeroLength() || !m_fit.endTangent.isZeroLength();
    startTangent = m_fit.startTangent;
    endTangent = m_fit.endTangent;
    knotParam = m_fit.knotParam;
    degree = m_fit.degree;
    fitTolerance = m_fit.tolerance;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSpline::setFitData(const AcGePoint3dArray& fitPoints, int degree, double fitTolerance,
                                         const AcGeVector3d& startTangent, const AcGeVector3d& endTangent)
{
    return setFitData(fitPoints, startTangent, endTangent, AcGe::kChord, degree, fitTolerance);
}

Acad::ErrorStatus AcDbSpline::setFitData(const AcGePoint3dArray& fitPoints, const AcGeVector3d& startTangent,
                                         const AcGeVector3d& endTangent, AcGe::KnotParameterization knotParam,
                                         int degree, double fitTolerance)
{
    Fit fit;
    fit.points = pointsOf(fitPoints);
    fit.startTangent = startTangent;
    fit.endTangent = endTangent;
    fit.knotParam = knotParam;
    fit.degree = degree;
    fit.tolerance = fitTolerance;
    return refit(fit);
}

Acad::ErrorStatus AcDbSpline::getNurbsData(int& degree, Adesk::Boolean& rational, Adesk::Boolean& closed,
                                           Adesk::Boolean& periodic, AcGePoint3dArray& controlPoints,
                                           AcGeDoubleArray& knots, AcGeDoubleArray& weights, double& controlPtTol,
                                           double& knotTol) const
{
    assertReadEnabled();
    degree = m_curve.degree;
    rational = !m_curve.weights.empty();
    closed = m_curve.closed;
    periodic = m_curve.periodic;
    copyInto(m_curve.controlPoints, controlPoints);
    copyInto(m_curve.knots, knots);
    copyInto(m_curve.weights, weights);
    controlPtTol = m_controlPtTol;
    knotTol = m_knotTol;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSpline::setNurbsData(int degree, Adesk::Boolean rational, Adesk::Boolean closed,
                                           Adesk::Boolean periodic, const AcGePoint3dArray& controlPoints,
                                           const AcGeDoubleArray& knots, const AcGeDoubleArray& weights,
                                           double controlPtTol, double knotTol)
{
    Curve curve;
    curve.degree = degree;
    curve.controlPoints = pointsOf(controlPoints);
    curve.knots = valuesOf(knots);
    if (rational)
        curve.weights = valuesOf(weights);
    curve.closed = closed;
    curve.periodic = periodic;
    const acrt::NurbsView view = acrt::viewOfCurve(curve);
    if (curve.knots.size() != curve.controlPoints.size() + size_t(degree) + 1 || degree < 1 ||
        (rational && curve.weights.size() != curve.controlPoints.size()) || !isUsableTolerance(controlPtTol) ||
        !isUsableTolerance(knotTol) || !acrt::isValidNurbs(view) ||
        ((closed || periodic) && !acrt::splineEndsMeet(view)))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_curve = std::move(curve);
    m_fit = Fit();
    m_controlPtTol = controlPtTol;
    m_knotTol = knotTol;
    m_null = false;
    return Acad::eOk;
}

Adesk::Boolean AcDbSpline::isClosed() const
{
    assertReadEnabled();
    const acrt::NurbsView view = acrt::viewOfCurve(m_curve);
    return m_curve.closed || acrt::splineEndsMeet(view);
}

Adesk::Boolean AcDbSpline::isPeriodic() const
{
    assertReadEnabled();
    return m_curve.periodic;
}

Acad::ErrorStatus AcDbSpline::getStartParam(double& param) const
{
    assertReadEnabled();
    param = m_curve.knots[size_t(m_curve.degree)];
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSpline::getEndParam(double& param) const
{
    assertReadEnabled();
    param = m_curve.knots[m_curve.controlPoints.size()];
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSpline::getPointAtParam(double param, AcGePoint3d& point) const
{
    double start = 0.0, end = 0.0;
    getStartParam(start);
    getEndParam(end);
    const double slack = 1e-9 * (end - start);
    if (!(param >= start - slack && param <= end + slack))
        return Acad::eInvalidInput;
    const acrt::NurbsView view = acrt::viewOfCurve(m_curve);
    point = acrt::NurbsCurve(view).pointAt(param);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSpline::getStartPoint(AcGePoint3d& point) const
{
    double start = 0.0;
    getStartParam(start);
    return getPointAtParam(start, point);
}

Acad::ErrorStatus AcDbSpline::getEndPoint(AcGePoint3d& point) const
{
    double end = 0.0;
    getEndParam(end);
    return getPointAtParam(end, point);
}

void AcDbSpline::subList() const
{
    assertReadEnabled();
    acrt::printEntityHeader(L"SPLINE", *this);
    const acrt::NurbsView view = acrt::viewOfCurve(m_curve);
    const acrt::NurbsCurve curve(view);
    AcString text;
    text.format(L"  length %.4f", acrt::lengthBetween(curve, curve.startParam(), curve.endParam()));
    printListLine(text);
    text.format(L"  order %d, %s, %s", m_curve.degree + 1, isRational() ? L"rational" : L"non-rational",
                isClosed() ? L"closed" : L"open");
    printListLine(text);
    text.format(L"  control points %d", numControlPoints());
    printListLine(text);
    for (const AcGePoint3d& p : m_curve.controlPoints)
        printListLine(AcString(L"    ") + acrt::pointText(p));
    if (!hasFitData())
        return;
    text.format(L"  fit points %d", numFitPoints());
    printListLine(text);
    for (const AcGePoint3d& p : m_fit.points)
        printListLine(AcString(L"    ") + acrt::pointText(p));
    text.format(L"  fit tolerance %.4f", m_fit.tolerance);
    printListLine(text);
}
