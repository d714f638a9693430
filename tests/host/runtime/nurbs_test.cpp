// Tests of the runtime's NURBS curves: de Boor evaluation against curves known in closed
// form, derivatives against differences, the checks of NURBS data, and fitting through
// points (exactly through them, with the tangents asked for, refusing what cannot fit).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "nurbs_curve.h"

namespace {

struct Nurbs {
    int degree;
    std::vector<AcGePoint3d> points;
    std::vector<double> knots;
    std::vector<double> weights;

    acrt::NurbsView view() const
    {
        return acrt::NurbsView{degree, int(points.size()), points.data(), knots.data(),
                               weights.empty() ? nullptr : weights.data()};
    }
};

void expectNear(const AcGePoint3d& expected, const AcGePoint3d& actual, double tol, const std::string& where)
{
    EXPECT_NEAR(expected.x, actual.x, tol) << where;
    EXPECT_NEAR(expected.y, actual.y, tol) << where;
    EXPECT_NEAR(expected.z, actual.z, tol) << where;
}

const double kHalfRoot2 = std::sqrt(0.5);

// A quarter of the unit circle (rational quadratic) and a cubic of three spans.
const Nurbs kQuarterCircle{2, {{1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {0, 0, 0, 1, 1, 1}, {1, kHalfRoot2, 1}};
const Nurbs kCubic{3, {{0, 0, 0}, {1, 2, 0}, {3, 3, 1}, {5, 1, 2}, {6, -1, 0}, {8, 0, 0}},
                   {0, 0, 0, 0, 0.3, 0.7, 1, 1, 1, 1}, {}};

TEST(NurbsCurve, DeBoorMatchesCurvesKnownInClosedForm)
{
    // A cubic Bezier piece: (1-t)^3 P0 + 3t(1-t)^2 P1 + 3t^2(1-t) P2 + t^3 P3.
    const Nurbs bezier{3, {{0, 0, 0}, {1, 3, 0}, {4, 3, 1}, {5, 0, 2}}, {0, 0, 0, 0, 2, 2, 2, 2}, {}};
    const acrt::NurbsCurve cubic(bezier.view());
    for (double u : {0.0, 0.5, 0.8, 1.3, 2.0}) {
        const double t = u / 2.0, s = 1.0 - t;
        const double b[4] = {s * s * s, 3 * t * s * s, 3 * t * t * s, t * t * t};
        AcGeVector3d expected;
        for (int i = 0; i < 4; ++i)
            expected += bezier.points[size_t(i)].asVector() * b[i];
        expectNear(AcGePoint3d::kOrigin + expected, cubic.pointAt(u), 1e-12, "bezier at " + std::to_string(u));
    }
    const acrt::NurbsCurve quarter(kQuarterCircle.view());
    for (double t = 0.0; t <= 1.0; t += 0.125) {
        const AcGePoint3d p = quarter.pointAt(t);
        EXPECT_NEAR(1.0, std::hypot(p.x, p.y), 1e-14) << "rational quarter circle at " << t;
        EXPECT_NEAR(0.0, quarter.derivativeAt(t).dotProduct(p.asVector()), 1e-12) << "tangent at " << t;
    }
    expectNear(AcGePoint3d(kHalfRoot2, kHalfRoot2, 0), quarter.pointAt(0.5), 1e-14, "circle midpoint");
    const Nurbs corner{1, {{0, 0, 0}, {2, 0, 0}, {2, 4, 0}}, {0, 0, 1, 2, 2}, {}};
    const acrt::NurbsCurve polyline(corner.view());
    expectNear(AcGePoint3d(2, 2, 0), polyline.pointAt(1.5), 1e-15, "degree 1 follows its polygon");
    expectNear(AcGePoint3d(2, 4, 0), polyline.pointAt(7.0), 1e-15, "parameters beyond the domain stop at its end");
}

TEST(NurbsCurve, DerivativesMatchDifferencesAcrossSpans)
{
    for (const Nurbs* data : {&kQuarterCircle, &kCubic}) {
        const acrt::NurbsCurve curve(data->view());
        for (double t : {0.05, 0.29, 0.31, 0.5, 0.71, 0.95}) {
            const double h = 1e-6;
            const AcGeVector3d difference = (curve.pointAt(t + h) - curve.pointAt(t - h)) / (2 * h);
            const AcGeVector3d d = curve.derivativeAt(t);
            EXPECT_NEAR(0.0, (d - difference).length(), 1e-6 * (1 + d.length())) << "degree " << data->degree << " at "
                                                                                   << t;
        }
    }
    std::vector<double> breaks;
    acrt::NurbsCurve(kCubic.view()).appendBreaks(breaks);
    EXPECT_EQ((std::vector<double>{0, 0.3, 0.7, 1}), breaks) << "one break per distinct knot of the domain";
}

TEST(NurbsCurve, DataThatMakeNoCurveAreRefused)
{
    const double nan = std::nan("");
    struct Case {
        const char* name;
        Nurbs data;
    };
    const Case cases[] = {
        {"degree 0", {0, {{0, 0, 0}, {1, 0, 0}}, {0, 0, 1}, {}}},
        {"degree 26", {26, std::vector<AcGePoint3d>(27), std::vector<double>(54, 0.0), {}}},
        {"too few points", {3, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {0, 0, 0, 0, 1, 1, 1}, {}}},
        {"knots falling", {1, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {0, 0, 2, 1, 1}, {}}},
        {"knot not finite", {1, {{0, 0, 0}, {1, 0, 0}}, {0, 0, nan, 1}, {}}},
        {"no domain", {1, {{0, 0, 0}, {1, 0, 0}}, {0, 0, 0, 0}, {}}},
        {"inner knot repeated past the degree",
         {1, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}, {0, 0, 1, 1, 2, 2}, {}}},
        {"point not finite", {1, {{0, 0, 0}, {INFINITY, 0, 0}}, {0, 0, 1, 1}, {}}},
        {"zero weight", {1, {{0, 0, 0}, {1, 0, 0}}, {0, 0, 1, 1}, {1, 0}}},
        {"negative weight", {1, {{0, 0, 0}, {1, 0, 0}}, {0, 0, 1, 1}, {-1, 1}}},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(acrt::isValidNurbs(c.data.view())) << c.name;
    EXPECT_TRUE(acrt::isValidNurbs(kQuarterCircle.view()));
    EXPECT_TRUE(acrt::isValidNurbs(kCubic.view()));
    const Nurbs unclamped{2, {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}, {3, 1, 0}}, {0, 1, 2, 3, 4, 5, 6}, {}};
    EXPECT_TRUE(acrt::isValidNurbs(unclamped.view())) << "knots need not be clamped";
    EXPECT_NEAR(2.0, acrt::NurbsCurve(unclamped.view()).startParam(), 0.0);
}

acrt::FitInput fitOf(const std::vector<AcGePoint3d>& points, int degree,
                     AcGe::KnotParameterization param = AcGe::kChord)
{
    acrt::FitInput fit;
    fit.points = points.data();
    fit.count = int(points.size());
    fit.degree = degree;
    fit.knotParam = param;
    return fit;
}

// Whether the curve passes within tol of each point, in order.
void expectThrough(const acrt::NurbsData& data, const std::vector<AcGePoint3d>& points, const std::string& where)
{
    const acrt::NurbsCurve curve(data.view());
    double last = curve.startParam();
    for (const AcGePoint3d& p : points) {
        const double t = acrt::closestParam(curve, p);
        EXPECT_LT(curve.pointAt(t).distanceTo(p), 1e-9) << where;
        EXPECT_GE(t, last) << where << ": the points are passed in order";
        last = t;
    }
    expectNear(points.front(), curve.pointAt(curve.startParam()), 1e-12, where + " start");
}

TEST(SplineFit, PassesThroughEveryPointForEveryDegreeAndParameterisation)
{
    const std::vector<AcGePoint3d> points = {{0, 0, 0}, {3, 4, 0}, {7, 4, 1}, {9, -2, 0}, {12, 0, 0}, {15, 5, 2}};
    for (AcGe::KnotParameterization param : {AcGe::kChord, AcGe::kSqrtChord, AcGe::kUniform}) {
        for (int degree = 1; degree <= 7; ++degree) {
            acrt::NurbsData data;
            const std::string where = "param " + std::to_string(param) + " degree " + std::to_string(degree);
            ASSERT_TRUE(acrt::interpolateFitPoints(fitOf(points, degree, param), data)) << where;
            EXPECT_EQ(degree, data.degree) << where << ": too few points raise one piece to the degree";
            EXPECT_TRUE(acrt::isValidNurbs(data.view())) << where;
            expectThrough(data, points, where);
        }
    }
    // Two points and a cubic: the straight line, as a cubic.
    acrt::NurbsData line;
    const std::vector<AcGePoint3d> two = {{0, 0, 0}, {6, 3, 0}};
    ASSERT_TRUE(acrt::interpolateFitPoints(fitOf(two, 3), line));
    EXPECT_EQ(4u, line.points.size());
    expectNear(AcGePoint3d(2, 1, 0), line.points[1], 1e-12, "raised line");
    expectNear(AcGePoint3d(3, 1.5, 0), acrt::NurbsCurve(line.view()).pointAt(0.5), 1e-12, "line midpoint");
}

TEST(SplineFit, EndTangentsAndClosedFitsBendTheEndsAsAsked)
{
    const std::vector<AcGePoint3d> points = {{0, 0, 0}, {4, 3, 0}, {8, 0, 0}, {12, 3, 0}};
    struct Case {
        const char* name;
        AcGeVector3d start, end;
    };
    const Case cases[] = {
        {"both", {0, 1, 0}, {1, -1, 0}},
        {"start only", {0, -1, 0}, {0, 0, 0}},
        {"end only", {0, 0, 0}, {-1, 0, 0}},
    };
    for (const Case& c : cases) {
        acrt::FitInput fit = fitOf(points, 3);
        fit.startTangent = c.start;
        fit.endTangent = c.end;
        acrt::NurbsData data;
        ASSERT_TRUE(acrt::interpolateFitPoints(fit, data)) << c.name;
        const acrt::NurbsCurve curve(data.view());
        expectThrough(data, points, c.name);
        if (!c.start.isZeroLength()) {
            EXPECT_TRUE(curve.derivativeAt(0.0).isCodirectionalTo(c.start)) << c.name;
        }
        if (!c.end.isZeroLength()) {
            EXPECT_TRUE(curve.derivativeAt(1.0).isCodirectionalTo(c.end)) << c.name;
        }
    }

    acrt::FitInput closed = fitOf(points, 3);
    closed.closed = true;
    acrt::NurbsData data;
    ASSERT_TRUE(acrt::interpolateFitPoints(closed, data));
    const acrt::NurbsCurve ring(data.view());
    expectNear(points[0], ring.pointAt(1.0), 1e-12, "closed round to the first point");
    EXPECT_TRUE(ring.derivativeAt(0.0).isCodirectionalTo(ring.derivativeAt(1.0))) << "one tangent where it closes";
    EXPECT_TRUE(acrt::splineEndsMeet(data.view()));
}

TEST(SplineFit, PointsThatCannotMakeACurveAreRefused)
{
    const std::vector<AcGePoint3d> good = {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}};
    struct Case {
        const char* name;
        std::vector<AcGePoint3d> points;
        int degree;
        AcGe::KnotParameterization param;
        bool closed;
    };
    const Case cases[] = {
        {"one point", {{1, 1, 0}}, 3, AcGe::kChord, false},
        {"two points in a row coincide", {{0, 0, 0}, {1, 1, 0}, {1, 1, 0}, {2, 0, 0}}, 3, AcGe::kChord, false},
        {"coincide with uniform steps", {{0, 0, 0}, {0, 0, 0}, {2, 0, 0}}, 2, AcGe::kUniform, false},
        {"not finite", {{0, 0, 0}, {NAN, 1, 0}, {2, 0, 0}}, 3, AcGe::kChord, false},
        {"degree 0", good, 0, AcGe::kChord, false},
        {"degree 26", good, 26, AcGe::kChord, false},
        {"custom parameters", good, 3, AcGe::kCustomParameterization, false},
        {"closed through two points", {{0, 0, 0}, {1, 1, 0}}, 3, AcGe::kChord, true},
    };
    for (const Case& c : cases) {
        acrt::FitInput fit = fitOf(c.points, c.degree, c.param);
        fit.closed = c.closed;
        acrt::NurbsData data;
        data.degree = 9;
        EXPECT_FALSE(acrt::interpolateFitPoints(fit, data)) << c.name;
        EXPECT_EQ(9, data.degree) << c.name << " leaves the output alone";
    }
    acrt::FitInput bad = fitOf(good, 3);
    bad.startTangent = AcGeVector3d(NAN, 0, 0);
    acrt::NurbsData data;
    EXPECT_FALSE(acrt::interpolateFitPoints(bad, data)) << "a tangent that is not finite";
}

}  // namespace
