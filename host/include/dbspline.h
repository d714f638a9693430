// The host's spline: a NURBS curve given by its control points, knots and weights, or
// fitted through points, which it then keeps as its fit data.
#pragma once

#include <vector>

#include "dbents.h"
#include "gedblar.h"
#include "gegblge.h"
#include "gekvec.h"
#include "gept3dar.h"

static const unsigned int kPlineVerticesThrehold = 10000;  // (sic), as the host spells it

enum SplineType { kFitPoints = 0, kControlPoints = 1 };

// A spline fitted through points interpolates them exactly, whatever its fit
// tolerance (which it keeps). A zero end tangent lets that end float. Constructors
// given what they cannot use make the default spline, which isNull() reports.
class ACDB_PORT AcDbSpline : public AcDbCurve {
    ACRT_DECLARE_CLASS(AcDbSpline);

public:
    // The line segment between (0,0,0) and (1,0,0), of degree 1; isNull() is true.
    AcDbSpline();
    // Order is degree + 1, 2 to 26; the parameters are spread by chord length.
    AcDbSpline(const AcGePoint3dArray& fitPoints, int order = 4, double fitTolerance = 0.0);
    AcDbSpline(const AcGePoint3dArray& fitPoints, const AcGeVector3d& startTangent, const AcGeVector3d& endTangent,
               int order = 4, double fitTolerance = 0.0);
    // A closed spline through the points (the first is not repeated at the end).
    AcDbSpline(const AcGePoint3dArray& fitPoints, bool periodic, AcGe::KnotParameterization knotParam = AcGe::kUniform,
               int degree = 3, double fitTolerance = 0.0);
    // Degree 1 to 11.
    AcDbSpline(const AcGePoint3dArray& fitPoints, AcGe::KnotParameterization knotParam, int degree = 3,
               double fitTolerance = 0.0);
    AcDbSpline(const AcGePoint3dArray& fitPoints, const AcGeVector3d& startTangent, const AcGeVector3d& endTangent,
               AcGe::KnotParameterization knotParam, int degree = 3, double fitTolerance = 0.0);
    // Weights are used when rational (one above zero per control point). Closed and
    // periodic are kept as flags and need a curve whose ends meet.
    AcDbSpline(int degree, Adesk::Boolean rational, Adesk::Boolean closed, Adesk::Boolean periodic,
               const AcGePoint3dArray& controlPoints, const AcGeDoubleArray& knots, const AcGeDoubleArray& weights,
               double controlPtTol = 0.0, double knotTol = AcGeKnotVector::globalKnotTolerance);
    ~AcDbSpline() override;

    Adesk::Boolean isNull() const;
    Adesk::Boolean isRational() const;
    int degree() const;
    SplineType type() const;

    int numControlPoints() const;
    Acad::ErrorStatus getControlPointAt(int index, AcGePoint3d& point) const;
    // Moves a control point; the spline no longer has fit data.
    Acad::ErrorStatus setControlPointAt(int index, const AcGePoint3d& point);
    double weightAt(int index) const;

    int numFitPoints() const;
    Acad::ErrorStatus getFitPointAt(int index, AcGePoint3d& point) const;
    // Moves a fit point and fits the spline through the points again.
    Acad::ErrorStatus setFitPointAt(int index, const AcGePoint3d& point);
    double fitTolerance() const;
    Acad::ErrorStatus getFitTangents(AcGeVector3d& startTangent, AcGeVector3d& endTangent) const;
    Adesk::Boolean hasFitData() const;
    Acad::ErrorStatus purgeFitData();
    Acad::ErrorStatus getFitData(AcGePoint3dArray& fitPoints, int& degree, double& fitTolerance,
                                 Adesk::Boolean& tangentsExist, AcGeVector3d& startTangent,
                                 AcGeVector3d& endTangent) const;
    Acad::ErrorStatus getFitData(AcGePoint3dArray& fitPoints, Adesk::Boolean& tangentsExist,
                                 AcGeVector3d& startTangent, AcGeVector3d& endTangent,
                                 AcGe::KnotParameterization& knotParam, int& degree, double& fitTolerance) const;
    Acad::ErrorStatus setFitData(const AcGePoint3dArray& fitPoints, int degree, double fitTolerance,
                                 const AcGeVector3d& startTangent, const AcGeVector3d& endTangent);
    Acad::ErrorStatus setFitData(const AcGePoint3dArray& fitPoints, const AcGeVector3d& startTangent,
                                 const AcGeVector3d& endTangent, AcGe::KnotParameterization knotParam,
                                 int degree = 3, double fitTolerance = 0.0);

    // Weights come back empty for a spline that is not rational.
    Acad::ErrorStatus getNurbsData(int& degree, Adesk::Boolean& rational, Adesk::Boolean& closed,
                                   Adesk::Boolean& periodic, AcGePoint3dArray& controlPoints, AcGeDoubleArray& knots,
                                   AcGeDoubleArray& weights, double& controlPtTol, double& knotTol) const;
    Acad::ErrorStatus setNurbsData(int degree, Adesk::Boolean rational, Adesk::Boolean closed, Adesk::Boolean periodic,
                                   const AcGePoint3dArray& controlPoints, const AcGeDoubleArray& knots,
                                   const AcGeDoubleArray& weights, double controlPtTol = 0.0, double knotTol = 0.0);

    // The host's curve queries (AcDbCurve's in the real SDK): parameters are the knots'.
    Adesk::Boolean isClosed() const;
    Adesk::Boolean isPeriodic() const;
    Acad::ErrorStatus getStartParam(double& param) const;
    Acad::ErrorStatus getEndParam(double& param) const;
    Acad::ErrorStatus getPointAtParam(double param, AcGePoint3d& point) const;
    Acad::ErrorStatus getStartPoint(AcGePoint3d& point) const;
    Acad::ErrorStatus getEndPoint(AcGePoint3d& point) const;

    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override;
    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override;

protected:
    Adesk::Boolean subWorldDraw(AcGiWorldDraw* pWd) override;
    Acad::ErrorStatus subGetGeomExtents(AcDbExtents& extents) const override;
    Acad::ErrorStatus subTransformBy(const AcGeMatrix3d& xform) override;
    Acad::ErrorStatus subGetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker gsSelectionMark,
                                        const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,
                                        const AcGeMatrix3d& viewXform, AcGePoint3dArray& snapPoints,
                                        AcDbIntArray& geomIds) const override;
    Acad::ErrorStatus subGetGripPoints(AcGePoint3dArray& gripPoints, AcDbIntArray& osnapModes,
                                       AcDbIntArray& geomIds) const override;
    Acad::ErrorStatus subMoveGripPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset) override;
    Acad::ErrorStatus subGetStretchPoints(AcGePoint3dArray& stretchPoints) const override;
    Acad::ErrorStatus subMoveStretchPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset) override;
    void subList() const override;

private:
    struct Curve {
        int degree = 1;
        std::vector<AcGePoint3d> controlPoints;
        std::vector<double> knots;
        std::vector<double> weights;  // empty unless rational
        bool closed = false;
        bool periodic = false;
    };
    struct Fit {
        std::vector<AcGePoint3d> points;  // empty: no fit data
        AcGeVector3d startTangent, endTangent;
        AcGe::KnotParameterization knotParam = AcGe::kChord;
        int degree = 3;
        double tolerance = 0.0;
        bool closed = false;  // fitted round through the first point again
    };

    void fitThrough(const AcGePoint3dArray& fitPoints, const AcGeVector3d& startTangent,
                    const AcGeVector3d& endTangent, AcGe::KnotParameterization knotParam, int degree,
                    double fitTolerance, bool closed);
    Acad::ErrorStatus refit(const Fit& fit);
    Acad::ErrorStatus movePoints(const AcDbIntArray& indices, const AcGeVector3d& offset);
    void translate(const AcGeVector3d& offset);
    void keepClosedFlagsTrue();

    Curve m_curve;
    Fit m_fit;
    double m_controlPtTol = 0.0;
    double m_knotTol = 0.0;
    bool m_null = true;
};
