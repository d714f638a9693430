// Tests of what the ellipse and the spline answer, a table of cases per behaviour across
// both: snap points, extents of the curve (not of its control polygon), splines through
// their fit points after every kind of change, drawing as chords within the deviation,
// LIST and explode, and intersections with other entities through the editor's snaps.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "curve_analysis.h"
#include "curve_cases.h"
#include "drawing_builder.h"
#include "editor_internals.h"
#include "host_fixture.h"
#include "nurbs_curve.h"
#include "vemhost_testing.h"

using namespace curve_cases;

namespace {

EntityPtr circleSpline(double radius)
{
    const double w = std::sqrt(0.5);
    return EntityPtr(new AcDbSpline(2, true, false, false,
                                    pointArray({{radius, 0, 0}, {radius, radius, 0}, {0, radius, 0}}),
                                    doubleArray({0, 0, 0, 1, 1, 1}), doubleArray({1, w, 1})));
}

// The distance from p to the curve's nearest point.
double distanceToCurve(const AcDbEntity& ent, const AcGePoint3d& p)
{
    AcGePoint3dArray near;
    AcDbIntArray ids;
    ent.getOsnapPoints(AcDb::kOsModeNear, 0, p, p, AcGeMatrix3d::kIdentity, near, ids);
    return near.isEmpty() ? HUGE_VAL : near[0].distanceTo(p);
}

class CurveQueries : public HostFixture {};

TEST_F(CurveQueries, SnapsOfferCentreQuadrantsEndsMidpointNearestPerpendicularAndTangent)
{
    const double root3 = std::sqrt(3.0), h = std::sqrt(2.0);
    auto ellipse = [] { return ellipseAt(0, 0, 4, 0, 0.5); };
    auto arc = [] { return ellipseAt(0, 0, 4, 0, 0.5, 0, 90); };
    const struct {
        const char* name;
        Maker make;
        AcDb::OsnapMode mode;
        AcGePoint3d pick, last;
        std::vector<AcGePoint3d> expected;
    } cases[] = {
        {"ellipse centre", ellipse, AcDb::kOsModeCen, {1, 1, 0}, {}, {{0, 0, 0}}},
        {"ellipse quadrants", ellipse, AcDb::kOsModeQuad, {}, {}, {{4, 0, 0}, {0, 2, 0}, {-4, 0, 0}, {0, -2, 0}}},
        {"arc quadrants within it", arc, AcDb::kOsModeQuad, {}, {}, {{4, 0, 0}, {0, 2, 0}}},
        {"whole ellipse has no ends", ellipse, AcDb::kOsModeEnd, {}, {}, {}},
        {"arc ends", arc, AcDb::kOsModeEnd, {}, {}, {{4, 0, 0}, {0, 2, 0}}},
        {"half ellipse midpoint by length", [] { return ellipseAt(0, 0, 4, 0, 0.5, 0, 180); }, AcDb::kOsModeMid, {},
         {}, {{0, 2, 0}}},
        {"ellipse nearest", ellipse, AcDb::kOsModeNear, {0, 3, 0}, {}, {{0, 2, 0}}},
        {"ellipse perpendicular feet", ellipse, AcDb::kOsModePerp, {}, {6, 0, 0}, {{4, 0, 0}, {-4, 0, 0}}},
        {"ellipse tangents", ellipse, AcDb::kOsModeTan, {}, {8, 0, 0}, {{2, root3, 0}, {2, -root3, 0}}},
        {"no tangent from inside", ellipse, AcDb::kOsModeTan, {}, {1, 0, 0}, {}},
        {"spline ends", [] { return fitSpline({{0, 0, 0}, {2, 2, 0}, {4, 0, 0}}); }, AcDb::kOsModeEnd, {}, {},
         {{0, 0, 0}, {4, 0, 0}}},
        {"spline nearest", [] { return circleSpline(2); }, AcDb::kOsModeNear, {3, 3, 0}, {}, {{h, h, 0}}},
        {"spline nearest beyond it is an end", [] { return circleSpline(2); }, AcDb::kOsModeNear, {3, -2, 0}, {},
         {{2, 0, 0}}},
        {"spline perpendicular", [] { return circleSpline(2); }, AcDb::kOsModePerp, {}, {5, 5, 0}, {{h, h, 0}}},
        {"spline has no centre", [] { return circleSpline(2); }, AcDb::kOsModeCen, {}, {}, {}},
    };
    for (const auto& c : cases) {
        EntityPtr ent = c.make();
        AcGePoint3dArray points;
        AcDbIntArray ids;
        ASSERT_EQ(Acad::eOk, ent->getOsnapPoints(c.mode, 0, c.pick, c.last, AcGeMatrix3d::kIdentity, points, ids));
        ASSERT_EQ(int(c.expected.size()), points.length()) << c.name;
        for (size_t i = 0; i < c.expected.size(); ++i)
            expectNear(c.expected[i], points[int(i)], c.name);
    }
}

TEST_F(CurveQueries, ExtentsReachTheCurveAndNoFurther)
{
    const double r10 = std::sqrt(10.0);
    const struct {
        const char* name;
        Maker make;
        AcGePoint3d min, max;
    } cases[] = {
        {"turned ellipse", [] { return ellipseAt(0, 0, 2 * std::sqrt(2.0), 2 * std::sqrt(2.0), 0.5); }, {-r10, -r10, 0},
         {r10, r10, 0}},
        {"quarter of an ellipse", [] { return ellipseAt(0, 0, 4, 0, 0.5, 0, 90); }, {0, 0, 0}, {4, 2, 0}},
        {"arc through zero", [] { return ellipseAt(0, 0, 4, 0, 0.5, 270, 90); }, {0, -2, 0}, {4, 2, 0}},
        {"standing ellipse", [] {
             return EntityPtr(new AcDbEllipse(AcGePoint3d(), AcGeVector3d::kXAxis, AcGeVector3d(0, 0, 3), 0.5));
         },
         {0, -1.5, -3}, {0, 1.5, 3}},
        {"rational spline", [] { return circleSpline(2); }, {0, 0, 0}, {2, 2, 0}},
    };
    for (const auto& c : cases) {
        AcDbExtents box;
        ASSERT_EQ(Acad::eOk, c.make()->getGeomExtents(box)) << c.name;
        expectNear(c.min, box.minPoint(), c.name);
        expectNear(c.max, box.maxPoint(), c.name);
    }

    // A control polygon that swings far beyond its curve: the box is the curve's,
    // as a dense walk along it finds.
    EntityPtr swinging = controlSpline({{0, 0, 0}, {1, 6, 0}, {3, -6, 1}, {4, 6, 0}, {6, 0, 0}});
    AcDbExtents box, walked;
    ASSERT_EQ(Acad::eOk, swinging->getGeomExtents(box));
    for (int i = 0; i <= 200000; ++i) {
        AcGePoint3d p;
        AcDbSpline::cast(swinging.get())->getPointAtParam(2.0 * i / 200000, p);
        walked.addPoint(p);
    }
    expectNear(walked.minPoint(), box.minPoint(), "swinging spline min", 1e-9);
    expectNear(walked.maxPoint(), box.maxPoint(), "swinging spline max", 1e-9);
    EXPECT_LT(box.maxPoint().y, 3.0) << "well inside the control polygon's 6";
}

TEST_F(CurveQueries, SplinesPassThroughTheirFitPointsAfterEveryChange)
{
    const AcGePoint3dArray pts = pointArray({{0, 0, 0}, {3, 4, 0}, {7, 1, 2}, {9, 5, 0}, {12, 2, 1}});
    AcGeMatrix3d skew;
    skew(0, 1) = 0.5;
    skew(2, 2) = 3.0;
    const struct {
        const char* name;
        std::function<std::unique_ptr<AcDbSpline>()> make;
        bool closed;
    } cases[] = {
        {"order form", [&] { return std::make_unique<AcDbSpline>(pts); }, false},
        {"with tangents",
         [&] { return std::make_unique<AcDbSpline>(pts, AcGeVector3d(0, 1, 0), AcGeVector3d(1, 0, 0)); }, false},
        {"square root of chord, degree 5", [&] { return std::make_unique<AcDbSpline>(pts, AcGe::kSqrtChord, 5); },
         false},
        {"periodic", [&] { return std::make_unique<AcDbSpline>(pts, true); }, true},
        {"skewed", [&] {
             auto s = std::make_unique<AcDbSpline>(pts);
             EXPECT_EQ(Acad::eOk, s->transformBy(skew));
             return s;
         },
         false},
        {"grip moved", [&] {
             auto s = std::make_unique<AcDbSpline>(pts, AcGe::kUniform);
             EXPECT_EQ(Acad::eOk, s->moveGripPointsAt(indices({2}), AcGeVector3d(0, -3, 1)));
             return s;
         },
         false},
        {"fit data set", [&] {
             auto s = std::make_unique<AcDbSpline>();
             EXPECT_EQ(Acad::eOk, s->setFitData(pts, AcGeVector3d(), AcGeVector3d(0, 0, 1), AcGe::kChord, 4));
             return s;
         },
         false},
    };
    for (const auto& c : cases) {
        const std::unique_ptr<AcDbSpline> spline = c.make();
        ASSERT_FALSE(spline->isNull()) << c.name;
        ASSERT_EQ(pts.length(), spline->numFitPoints()) << c.name;
        for (int i = 0; i < spline->numFitPoints(); ++i) {
            AcGePoint3d fit;
            ASSERT_EQ(Acad::eOk, spline->getFitPointAt(i, fit));
            EXPECT_LT(distanceToCurve(*spline, fit), 1e-9) << c.name << " fit point " << i;
        }
        EXPECT_EQ(c.closed, bool(spline->isClosed())) << c.name;
        EXPECT_EQ(kFitPoints, spline->type()) << c.name;
    }
}

TEST_F(CurveQueries, DrawnAsChordsWithinTheDeviationListedAndNotExploded)
{
    const struct {
        const char* name;
        Maker make;
        AcGePoint3d first, last;
        const char* listed[4];
    } cases[] = {
        {"ellipse", [] { return ellipseAt(1, 2, 4, 0, 0.5); }, {5, 2, 0}, {5, 2, 0},
         {"ELLIPSE", "center point, X=1.0000  Y=2.0000", "area 25.1327", "circumference 19.3769"}},
        {"elliptical arc", [] { return ellipseAt(1, 2, 4, 0, 0.5, 0, 90); }, {5, 2, 0}, {1, 4, 0},
         {"ELLIPSE", "radius ratio 0.5000", "end angle 90.0000", "length"}},
        {"spline", [] { return fitSpline({{0, 0, 0}, {2, 2, 0}, {4, 0, 0}}); }, {0, 0, 0}, {4, 0, 0},
         {"SPLINE", "order 4, non-rational, open", "fit points 3", "X=2.0000  Y=2.0000"}},
        {"rational spline", [] { return circleSpline(2); }, {2, 0, 0}, {0, 2, 0},
         {"SPLINE", "length 3.1416", "order 3, rational, open", "control points 3"}},
    };
    for (const auto& c : cases) {
        EntityPtr ent = c.make();
        vemhost::PrimitiveCollector collector;
        collector.draw(ent.get());
        ASSERT_EQ(1u, collector.primitives().size()) << c.name;
        const std::vector<AcGePoint3d>& drawn = collector.primitives()[0].points;
        EXPECT_EQ(vemhost::Primitive::kPolyline, collector.primitives()[0].kind);
        expectNear(c.first, drawn.front(), c.name + std::string(" drawn from its start"));
        expectNear(c.last, drawn.back(), c.name + std::string(" drawn to its end"));
        EXPECT_GE(drawn.size(), 8u) << c.name;
        for (size_t i = 0; i + 1 < drawn.size(); ++i) {
            EXPECT_LT(distanceToCurve(*ent, drawn[i]), 1e-12) << c.name << ": vertices on the curve";
            // Without a view's deviation chords stray by at most a thousandth of the size.
            const AcGePoint3d middle = drawn[i] + (drawn[i + 1] - drawn[i]) * 0.5;
            EXPECT_LT(distanceToCurve(*ent, middle), 1e-2) << c.name;
        }

        AcDbVoidPtrArray pieces;
        EXPECT_EQ(Acad::eNotApplicable, ent->explode(pieces)) << c.name;
        EXPECT_EQ(0, pieces.length());

        vemhost::startCapture();
        ent->list();
        const std::string listed = vemhost::takeCaptured();
        vemhost::stopCapture();
        for (const char* line : c.listed)
            EXPECT_NE(std::string::npos, listed.find(line)) << c.name << "\n" << listed;
    }

    // A finer deviation gives more chords, each within it; the count stays bounded.
    const AcGeVector3d minor(0, 2, 0);
    const acrt::EllipseCurve curve(AcGePoint3d::kOrigin, AcGeVector3d(4, 0, 0), minor, 0.0, 2 * M_PI);
    size_t previous = 0;
    for (double deviation : {1e-1, 1e-3, 1e-5}) {
        std::vector<double> params;
        acrt::chordParams(curve, deviation, params);
        EXPECT_GT(params.size(), previous) << deviation;
        previous = params.size();
        for (size_t i = 0; i + 1 < params.size(); ++i) {
            const AcGePoint3d a = curve.pointAt(params[i]), b = curve.pointAt(params[i + 1]);
            for (double f : {0.2, 0.4, 0.5, 0.6, 0.8}) {
                const AcGePoint3d p = curve.pointAt(params[i] + f * (params[i + 1] - params[i]));
                const double along = std::clamp((p - a).dotProduct(b - a) / (b - a).lengthSqrd(), 0.0, 1.0);
                EXPECT_LT(p.distanceTo(a + (b - a) * along), deviation * 1.05) << deviation;
            }
        }
    }
    std::vector<double> params;
    acrt::chordParams(curve, 1e-300, params);
    EXPECT_LE(params.size(), 4096u + 64u) << "a deviation below any use is bounded";
}

TEST_F(CurveQueries, IntersectionsWithLinesAndEachOtherSnapOnTheTrueCurves)
{
    using test_support::appendTo;
    vemhost::setPickBox(0.5);
    const AcDbObjectId line = appendTo(db(), ACDB_MODEL_SPACE, test_support::newLine(-10, 1, 10, 1));
    appendTo(db(), ACDB_MODEL_SPACE, ellipseAt(0, 0, 4, 0, 0.5).release());
    appendTo(db(), ACDB_MODEL_SPACE, circleSpline(3).release());
    ASSERT_FALSE(line.isNull());
    const double x = std::sqrt(20.0 / 3.0);
    const struct {
        const char* name;
        AcGePoint3d pick;
        bool found;
        AcGePoint3d expected;
    } cases[] = {
        {"line and ellipse", {3.4, 1.1, 0}, true, {std::sqrt(12.0), 1, 0}},
        {"line and spline", {2.9, 0.9, 0}, true, {std::sqrt(8.0), 1, 0}},
        {"ellipse and spline", {2.5, 1.6, 0}, true, {x, std::sqrt(9.0 - x * x), 0}},
        {"ellipse alone, not at its chords' ends", {-2.0, -std::sqrt(3.0), 0}, false, {}},
        {"spline alone", {0.3, 2.98, 0}, false, {}},
    };
    for (const auto& c : cases) {
        AcGePoint3d snapped;
        const bool found = acrt::snapPoint(db(), acrt::kSnapInt, c.pick, c.pick, snapped);
        ASSERT_EQ(c.found, found) << c.name << " " << snapped.x << "," << snapped.y;
        if (found)
            expectNear(c.expected, snapped, c.name, 1e-12);
    }
}

}  // namespace
