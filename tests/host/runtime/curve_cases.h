// What the ellipse and spline tests share: makers of both kinds of curve, and a trace
// of points along a curve that compares curves of either kind.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "dbelipse.h"
#include "dbspline.h"

namespace curve_cases {

struct EntityDeleter {
    void operator()(AcDbEntity* p) const { delete p; }
};
using EntityPtr = std::unique_ptr<AcDbEntity, EntityDeleter>;
using Maker = std::function<EntityPtr()>;

inline double radians(double degrees) { return degrees * M_PI / 180.0; }

// An ellipse in the XY plane; angles in degrees, as the cases read best.
inline EntityPtr ellipseAt(double x, double y, double ax, double ay, double ratio, double startDeg = 0.0,
                           double endDeg = 360.0)
{
    return EntityPtr(new AcDbEllipse(AcGePoint3d(x, y, 0), AcGeVector3d::kZAxis, AcGeVector3d(ax, ay, 0), ratio,
                                     radians(startDeg), radians(endDeg)));
}

inline AcGePoint3dArray pointArray(std::initializer_list<AcGePoint3d> points)
{
    AcGePoint3dArray array;
    for (const AcGePoint3d& p : points)
        array.append(p);
    return array;
}

inline AcGeDoubleArray doubleArray(std::initializer_list<double> values)
{
    AcGeDoubleArray array;
    for (double v : values)
        array.append(v);
    return array;
}

// A cubic through the points, its parameters by chord length.
inline EntityPtr fitSpline(std::initializer_list<AcGePoint3d> points)
{
    return EntityPtr(new AcDbSpline(pointArray(points)));
}

// A quarter of the circle of radius 2 about the origin, as a rational quadratic.
inline EntityPtr quarterCircleSpline()
{
    const double w = std::sqrt(0.5);
    return EntityPtr(new AcDbSpline(2, true, false, false, pointArray({{2, 0, 0}, {2, 2, 0}, {0, 2, 0}}),
                                    doubleArray({0, 0, 0, 1, 1, 1}), doubleArray({1, w, 1})));
}

// A clamped cubic of two spans from its control points.
inline EntityPtr controlSpline(std::initializer_list<AcGePoint3d> points)
{
    return EntityPtr(new AcDbSpline(3, false, false, false, pointArray(points),
                                    doubleArray({0, 0, 0, 0, 1, 2, 2, 2, 2}), AcGeDoubleArray()));
}

// Points at nine even steps of the parameter, from the start to the end.
inline std::vector<AcGePoint3d> traceOf(const AcDbEntity& ent)
{
    std::vector<AcGePoint3d> points;
    double start = 0.0, end = 0.0;
    const AcDbEllipse* ellipse = AcDbEllipse::cast(&ent);
    const AcDbSpline* spline = AcDbSpline::cast(&ent);
    if (ellipse != nullptr) {
        ellipse->getStartParam(start);
        ellipse->getEndParam(end);
    } else if (spline != nullptr) {
        spline->getStartParam(start);
        spline->getEndParam(end);
    }
    for (int i = 0; i <= 8; ++i) {
        AcGePoint3d p;
        const double t = start + (end - start) * i / 8.0;
        if (ellipse != nullptr)
            ellipse->getPointAtParam(t, p);
        else if (spline != nullptr)
            spline->getPointAtParam(t, p);
        points.push_back(p);
    }
    return points;
}

inline void expectNear(const AcGePoint3d& expected, const AcGePoint3d& actual, const std::string& where,
                       double tol = 1e-9)
{
    EXPECT_NEAR(expected.x, actual.x, tol) << where;
    EXPECT_NEAR(expected.y, actual.y, tol) << where;
    EXPECT_NEAR(expected.z, actual.z, tol) << where;
}

inline void expectSameCurve(const AcDbEntity& expected, const AcDbEntity& actual, const std::string& where,
                            double tol = 1e-9)
{
    const std::vector<AcGePoint3d> a = traceOf(expected), b = traceOf(actual);
    for (size_t i = 0; i < a.size(); ++i)
        expectNear(a[i], b[i], where + " at step " + std::to_string(i), tol);
}

inline AcDbIntArray indices(std::initializer_list<int> values)
{
    AcDbIntArray array;
    for (int v : values)
        array.append(v);
    return array;
}

}  // namespace curve_cases
