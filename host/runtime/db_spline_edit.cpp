// The spline's filing, drawing and editing: filed with a version and every value
// checked, drawn and measured as its curve, transformed by any affine matrix (control
// points, fit points and tangents alike), snapped to, and gripped and stretched by its
// fit points (fitted again) or, without fit data, by its control points.
#include <algorithm>
#include <cmath>

#include "acgi.h"
#include "dbspline.h"
#include "nurbs_curve.h"

namespace {

constexpr Adesk::UInt8 kSplineVersion = 1;
// Control points or fit points a filed spline may hold: far more than any drawing needs,
// few enough that a damaged count cannot make reading run away.
constexpr Adesk::Int32 kMaxFiledPoints = 1 << 20;

bool isFinitePoint(const AcGePoint3d& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }
bool isFiniteVector(const AcGeVector3d& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool isKnownParameterization(int value)
{
    return value == AcGe::kChord || value == AcGe::kSqrtChord || value == AcGe::kUniform;
}

void writePoints(AcDbDwgFiler* pFiler, const std::vector<AcGePoint3d>& points)
{
    pFiler->writeInt32(Adesk::Int32(points.size()));
    for (const AcGePoint3d& p : points)
        pFiler->writePoint3d(p);
}

// A count of at most kMaxFiledPoints followed by that many points, read one by one.
Acad::ErrorStatus readPoints(AcDbDwgFiler* pFiler, std::vector<AcGePoint3d>& points)
{
    Adesk::Int32 count = 0;
    Acad::ErrorStatus es = pFiler->readInt32(&count);
    if (es == Acad::eOk && (count < 0 || count > kMaxFiledPoints))
        es = Acad::eFilerError;
    for (Adesk::Int32 i = 0; i < count && es == Acad::eOk; ++i) {
        AcGePoint3d p;
        es = pFiler->readPoint3d(&p);
        points.push_back(p);
    }
    return es;
}

Acad::ErrorStatus readDoubles(AcDbDwgFiler* pFiler, size_t count, std::vector<double>& values)
{
    Acad::ErrorStatus es = Acad::eOk;
    for (size_t i = 0; i < count && es == Acad::eOk; ++i) {
        double v = 0.0;
        es = pFiler->readDouble(&v);
        values.push_back(v);
    }
    return es;
}

}  // namespace

Acad::ErrorStatus AcDbSpline::dwgOutFields(AcDbDwgFiler* pFiler) const
{
    assertReadEnabled();
    const Acad::ErrorStatus es = AcDbEntity::dwgOutFields(pFiler);
    if (es != Acad::eOk)
        return es;
    pFiler->writeUInt8(kSplineVersion);
    pFiler->writeBool(m_null);
    pFiler->writeInt16(Adesk::Int16(m_curve.degree));
    pFiler->writeBool(m_curve.closed);
    pFiler->writeBool(m_curve.periodic);
    writePoints(pFiler, m_curve.controlPoints);
    for (double knot : m_curve.knots)
        pFiler->writeDouble(knot);
    pFiler->writeBool(!m_curve.weights.empty());
    for (double weight : m_curve.weights)
        pFiler->writeDouble(weight);
    pFiler->writeDouble(m_controlPtTol);
    pFiler->writeDouble(m_knotTol);
    writePoints(pFiler, m_fit.points);
    pFiler->writeVector3d(m_fit.startTangent);
    pFiler->writeVector3d(m_fit.endTangent);
    pFiler->writeInt16(Adesk::Int16(m_fit.knotParam));
    pFiler->writeInt16(Adesk::Int16(m_fit.degree));
    pFiler->writeDouble(m_fit.tolerance);
    pFiler->writeBool(m_fit.closed);
    return pFiler->filerStatus();
}

// Reads into locals first, so a failed read leaves the spline as it was. The counts
// come before what they count; the knots' count follows from the points' and the degree.
Acad::ErrorStatus AcDbSpline::dwgInFields(AcDbDwgFiler* pFiler)
{
    assertWriteEnabled();
    Acad::ErrorStatus es = AcDbEntity::dwgInFields(pFiler);
    if (es != Acad::eOk)
        return es;
    Adesk::UInt8 version = 0;
    bool isNull = false, rational = false;
    Adesk::Int16 degree = 0, knotParam = 0, fitDegree = 0;
    Curve curve;
    Fit fit;
    double pointTol = 0.0, knotTol = 0.0;
    es = pFiler->readUInt8(&version);
    if (es == Acad::eOk && version != kSplineVersion)
        es = Acad::eFilerError;
    if (es == Acad::eOk)
        es = pFiler->readBool(&isNull);
    if (es == Acad::eOk)
        es = pFiler->readInt16(&degree);
    if (es == Acad::eOk && (degree < 1 || degree > acrt::kMaxSplineDegree))
        es = Acad::eFilerError;
    if (es == Acad::eOk)
        es = pFiler->readBool(&curve.closed);
    if (es == Acad::eOk)
        es = pFiler->readBool(&curve.periodic);
    if (es == Acad::eOk)
        es = readPoints(pFiler, curve.controlPoints);
    if (es == Acad::eOk)
        es = readDoubles(pFiler, curve.controlPoints.size() + size_t(degree) + 1, curve.knots);
    if (es == Acad::eOk)
        es = pFiler->readBool(&rational);
    if (es == Acad::eOk && rational)
        es = readDoubles(pFiler, curve.controlPoints.size(), curve.weights);
    if (es == Acad::eOk)
        es = pFiler->readDouble(&pointTol);
    if (es == Acad::eOk)
        es = pFiler->readDouble(&knotTol);
    if (es == Acad::eOk)
        es = readPoints(pFiler, fit.points);
    if (es == Acad::eOk)
        es = pFiler->readVector3d(&fit.startTangent);
    if (es == Acad::eOk)
        es = pFiler->readVector3d(&fit.endTangent);
    if (es == Acad::eOk)
        es = pFiler->readInt16(&knotParam);
    if (es == Acad::eOk)
        es = pFiler->readInt16(&fitDegree);
    if (es == Acad::eOk)
        es = pFiler->readDouble(&fit.tolerance);
    if (es == Acad::eOk)
        es = pFiler->readBool(&fit.closed);
    if (es != Acad::eOk)
        return es;
    curve.degree = degree;
    fit.knotParam = isKnownParameterization(knotParam) ? AcGe::KnotParameterization(knotParam) : AcGe::kChord;
    fit.degree = fitDegree;
    const acrt::NurbsView view = acrt::viewOfCurve(curve);
    const bool curveOk = acrt::isValidNurbs(view) && (rational == !curve.weights.empty()) &&
                         (!(curve.closed || curve.periodic) || acrt::splineEndsMeet(view)) && pointTol >= 0.0 &&
                         std::isfinite(pointTol) && knotTol >= 0.0 && std::isfinite(knotTol);
    const bool fitOk = std::all_of(fit.points.begin(), fit.points.end(), isFinitePoint) &&
                       isFiniteVector(fit.startTangent) && isFiniteVector(fit.endTangent) &&
                       isKnownParameterization(knotParam) && fitDegree >= 1 && fitDegree <= acrt::kMaxSplineDegree &&
                       fit.tolerance >= 0.0 && std::isfinite(fit.tolerance) && fit.points.size() != 1;
    if (!curveOk || !fitOk)
        return Acad::eFilerError;
    m_curve = std::move(curve);
    m_fit = std::move(fit);
    m_controlPtTol = pointTol;
    m_knotTol = knotTol;
    m_null = isNull;
    return Acad::eOk;
}

Adesk::Boolean AcDbSpline::subWorldDraw(AcGiWorldDraw* pWd)
{
    assertReadEnabled();
    acrt::drawCurve(pWd, acrt::NurbsCurve(acrt::viewOfCurve(m_curve)), nullptr);
    return Adesk::kTrue;
}

Acad::ErrorStatus AcDbSpline::subGetGeomExtents(AcDbExtents& extents) const
{
    assertReadEnabled();
    extents = AcDbExtents();
    acrt::addCurveExtents(acrt::NurbsCurve(acrt::viewOfCurve(m_curve)), extents);
    return Acad::eOk;
}

// A NURBS curve's image under an affine map is the curve of its control points'
// images: every point goes through the matrix, tangents through its linear part. A
// singular matrix (which would fold the curve flat onto a line or a point) is refused.
Acad::ErrorStatus AcDbSpline::subTransformBy(const AcGeMatrix3d& xform)
{
    const double det = xform.det();
    if (!(det != 0.0) || !std::isfinite(det))
        return Acad::eInvalidInput;
    std::vector<AcGePoint3d> controlPoints = m_curve.controlPoints, fitPoints = m_fit.points;
    for (AcGePoint3d& p : controlPoints)
        p = xform * p;
    for (AcGePoint3d& p : fitPoints)
        p = xform * p;
    const AcGeVector3d startTangent = xform * m_fit.startTangent, endTangent = xform * m_fit.endTangent;
    if (!std::all_of(controlPoints.begin(), controlPoints.end(), isFinitePoint) ||
        !std::all_of(fitPoints.begin(), fitPoints.end(), isFinitePoint) || !isFiniteVector(startTangent) ||
        !isFiniteVector(endTangent))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_curve.controlPoints.swap(controlPoints);
    m_fit.points.swap(fitPoints);
    m_fit.startTangent = startTangent;
    m_fit.endTangent = endTangent;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSpline::subGetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker /*gsSelectionMark*/,
                                                const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,
                                                const AcGeMatrix3d& /*viewXform*/, AcGePoint3dArray& snapPoints,
                                                AcDbIntArray& /*geomIds*/) const
{
    assertReadEnabled();
    const acrt::NurbsCurve curve(acrt::viewOfCurve(m_curve));
    switch (osnapMode) {
    case AcDb::kOsModeEnd:
        snapPoints.append(curve.pointAt(curve.startParam()));
        snapPoints.append(curve.pointAt(curve.endParam()));
        break;
    case AcDb::kOsModeNear:
        snapPoints.append(curve.pointAt(acrt::closestParam(curve, pickPoint)));
        break;
    case AcDb::kOsModePerp:
        acrt::appendPerpendicularFeet(curve, lastPoint, snapPoints);
        break;
    default:
        break;
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSpline::subGetGripPoints(AcGePoint3dArray& gripPoints, AcDbIntArray& /*osnapModes*/,
                                               AcDbIntArray& /*geomIds*/) const
{
    return AcDbSpline::subGetStretchPoints(gripPoints);
}

Acad::ErrorStatus AcDbSpline::subMoveGripPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    return movePoints(indices, offset);
}

// The fit points of a spline that has them, else its control points.
Acad::ErrorStatus AcDbSpline::subGetStretchPoints(AcGePoint3dArray& stretchPoints) const
{
    assertReadEnabled();
    for (const AcGePoint3d& p : hasFitData() ? m_fit.points : m_curve.controlPoints)
        stretchPoints.append(p);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSpline::subMoveStretchPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    return movePoints(indices, offset);
}

// Every point moved moves the spline whole, exactly; some moved fit points give the
// spline fitted through them where they now are; some moved control points change only
// themselves.
Acad::ErrorStatus AcDbSpline::movePoints(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    const bool fitted = hasFitData();
    std::vector<AcGePoint3d> points = fitted ? m_fit.points : m_curve.controlPoints;
    std::vector<bool> moved(points.size(), false);
    for (int index : indices) {
        if (index < 0 || size_t(index) >= points.size())
            return Acad::eInvalidIndex;
        moved[size_t(index)] = true;
    }
    if (indices.isEmpty())
        return Acad::eOk;
    if (std::all_of(moved.begin(), moved.end(), [](bool m) { return m; })) {
        translate(offset);
        return Acad::eOk;
    }
    // The first and last control points of a closed spline are one point: they move together.
    if (!fitted && points.front().isEqualTo(points.back()) && (moved.front() || moved.back()))
        moved.front() = moved.back() = true;
    for (size_t i = 0; i < points.size(); ++i)
        if (moved[i])
            points[i] += offset;
    if (!std::all_of(points.begin(), points.end(), isFinitePoint))
        return Acad::eInvalidInput;
    if (fitted) {
        Fit fit = m_fit;
        fit.points.swap(points);
        return refit(fit);
    }
    assertWriteEnabled();
    m_curve.controlPoints.swap(points);
    keepClosedFlagsTrue();
    return Acad::eOk;
}

// After control points moved: a spline whose ends no longer meet is neither closed nor
// periodic any more, and it has a curve of its own.
void AcDbSpline::keepClosedFlagsTrue()
{
    if ((m_curve.closed || m_curve.periodic) && !acrt::splineEndsMeet(acrt::viewOfCurve(m_curve)))
        m_curve.closed = m_curve.periodic = false;
    m_null = false;
}

void AcDbSpline::translate(const AcGeVector3d& offset)
{
    assertWriteEnabled();
    for (AcGePoint3d& p : m_curve.controlPoints)
        p += offset;
    for (AcGePoint3d& p : m_fit.points)
        p += offset;
}

Acad::ErrorStatus AcDbSpline::setControlPointAt(int index, const AcGePoint3d& point)
{
    if (index < 0 || index >= numControlPoints())
        return Acad::eInvalidIndex;
    if (!isFinitePoint(point))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_curve.controlPoints[size_t(index)] = point;
    m_fit = Fit();
    keepClosedFlagsTrue();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSpline::setFitPointAt(int index, const AcGePoint3d& point)
{
    if (index < 0 || index >= numFitPoints())
        return Acad::eInvalidIndex;
    Fit fit = m_fit;
    fit.points[size_t(index)] = point;
    return refit(fit);
}
