// Tests of the ellipse and the spline, a table of cases per behaviour across both:
// filing and damaged records, what constructors and setters refuse, transforms (the
// refused ones included), and grips and stretch points.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "curve_cases.h"
#include "host_fixture.h"
#include "vemhost_testing.h"

using namespace curve_cases;

namespace {

using Bytes = std::vector<unsigned char>;

Bytes filed(const AcDbEntity& ent, AcDbDatabase* db)
{
    vemhost::MemoryFiler filer(db);
    EXPECT_EQ(Acad::eOk, ent.dwgOutFields(&filer));
    return filer.bytes();
}

// Records written field by field, so that one value can be what no curve has.
struct EllipseFields {
    Adesk::UInt8 version = 1;
    AcGePoint3d center = AcGePoint3d(1, 2, 3);
    AcGeVector3d normal = AcGeVector3d::kZAxis;
    AcGeVector3d major = AcGeVector3d(2, 0, 0);
    double ratio = 0.5, start = 0.0, sweep = 2 * M_PI;
};

Bytes ellipseRecord(AcDbDatabase* db, const EllipseFields& f)
{
    AcDbEllipse base;
    vemhost::MemoryFiler filer(db);
    EXPECT_EQ(Acad::eOk, base.AcDbEntity::dwgOutFields(&filer));
    filer.writeUInt8(f.version);
    filer.writePoint3d(f.center);
    filer.writeVector3d(f.normal);
    filer.writeVector3d(f.major);
    filer.writeDouble(f.ratio);
    filer.writeDouble(f.start);
    filer.writeDouble(f.sweep);
    return filer.bytes();
}

struct SplineFields {
    Adesk::UInt8 version = 1;
    Adesk::Int16 degree = 1;
    bool closed = false;
    Adesk::Int32 count = 3;
    std::vector<AcGePoint3d> points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}};
    std::vector<double> knots = {0, 0, 1, 2, 2};
    std::vector<double> weights;  // rational when not empty
    std::vector<AcGePoint3d> fit;
    AcGeVector3d startTangent;
    Adesk::Int16 knotParam = 0, fitDegree = 3;
    double fitTolerance = 0.0;
};

Bytes splineRecord(AcDbDatabase* db, const SplineFields& f)
{
    AcDbSpline base;
    vemhost::MemoryFiler filer(db);
    EXPECT_EQ(Acad::eOk, base.AcDbEntity::dwgOutFields(&filer));
    filer.writeUInt8(f.version);
    filer.writeBool(false);
    filer.writeInt16(f.degree);
    filer.writeBool(f.closed);
    filer.writeBool(false);
    filer.writeInt32(f.count);
    for (const AcGePoint3d& p : f.points)
        filer.writePoint3d(p);
    for (double k : f.knots)
        filer.writeDouble(k);
    filer.writeBool(!f.weights.empty());
    for (double w : f.weights)
        filer.writeDouble(w);
    filer.writeDouble(0.0);
    filer.writeDouble(0.0);
    filer.writeInt32(Adesk::Int32(f.fit.size()));
    for (const AcGePoint3d& p : f.fit)
        filer.writePoint3d(p);
    filer.writeVector3d(f.startTangent);
    filer.writeVector3d(AcGeVector3d());
    filer.writeInt16(f.knotParam);
    filer.writeInt16(f.fitDegree);
    filer.writeDouble(f.fitTolerance);
    filer.writeBool(false);
    return filer.bytes();
}

template <class Change>
EllipseFields ellipseWith(Change change)
{
    EllipseFields f;
    change(f);
    return f;
}

template <class Change>
SplineFields splineWith(Change change)
{
    SplineFields f;
    change(f);
    return f;
}

class Curves : public HostFixture {};

TEST_F(Curves, FilingRoundTripsAndEveryCutOrDamagedValueIsRefused)
{
    const struct {
        const char* name;
        Maker make;
    } cases[] = {
        {"ellipse", [] { return ellipseAt(1.5, -2, 3, 4, 0.25); }},
        {"elliptical arc through zero", [] { return ellipseAt(0, 0, 0, 5, 0.5, 300, 40); }},
        {"null ellipse", [] { return EntityPtr(new AcDbEllipse(AcGePoint3d(), AcGeVector3d(), AcGeVector3d(), 1)); }},
        {"fit spline", [] { return fitSpline({{0, 0, 0}, {3, 4, 0}, {7, 1, 2}, {9, 5, 0}}); }},
        {"rational spline", [] { return quarterCircleSpline(); }},
        {"null spline", [] { return EntityPtr(new AcDbSpline()); }},
    };
    for (const auto& c : cases) {
        EntityPtr original = c.make();
        original->setColorIndex(3);
        const Bytes whole = filed(*original, db());
        EntityPtr read(AcDbEntity::cast(original->isA()->create()));
        ASSERT_NE(nullptr, read) << c.name;
        vemhost::MemoryFiler filer(whole, db());
        ASSERT_EQ(Acad::eOk, read->dwgInFields(&filer)) << c.name;
        EXPECT_EQ(whole, filed(*read, db())) << c.name << ": written back byte for byte";
        EntityPtr copy(AcDbEntity::cast(original->clone()));
        ASSERT_NE(nullptr, copy) << c.name;
        EXPECT_EQ(whole, filed(*copy, db())) << c.name << ": a clone files the same";
        expectSameCurve(*original, *copy, c.name);

        for (size_t cut = 0; cut < whole.size(); ++cut) {
            vemhost::MemoryFiler truncated(Bytes(whole.begin(), whole.begin() + long(cut)), db());
            EntityPtr target = c.make();
            EXPECT_NE(Acad::eOk, target->dwgInFields(&truncated)) << c.name << " cut at " << cut;
            expectSameCurve(*c.make(), *target, std::string(c.name) + " cut at " + std::to_string(cut));
        }
    }

    const struct {
        const char* name;
        Bytes record;
    } damaged[] = {
        {"ellipse version", ellipseRecord(db(), ellipseWith([](EllipseFields& f) { f.version = 2; }))},
        {"ellipse centre", ellipseRecord(db(), ellipseWith([](EllipseFields& f) { f.center.x = NAN; }))},
        {"ellipse normal", ellipseRecord(db(), ellipseWith([](EllipseFields& f) { f.normal = AcGeVector3d(); }))},
        {"ellipse major axis off the plane", ellipseRecord(db(), ellipseWith([](EllipseFields& f) { f.major.z = 1; }))},
        {"ellipse ratio 0", ellipseRecord(db(), ellipseWith([](EllipseFields& f) { f.ratio = 0; }))},
        {"ellipse ratio above 1", ellipseRecord(db(), ellipseWith([](EllipseFields& f) { f.ratio = 1.5; }))},
        {"ellipse start beyond a turn", ellipseRecord(db(), ellipseWith([](EllipseFields& f) { f.start = 7; }))},
        {"ellipse no sweep", ellipseRecord(db(), ellipseWith([](EllipseFields& f) { f.sweep = 0; }))},
        {"spline version", splineRecord(db(), splineWith([](SplineFields& f) { f.version = 0; }))},
        {"spline degree 0", splineRecord(db(), splineWith([](SplineFields& f) { f.degree = 0; }))},
        {"spline degree 26", splineRecord(db(), splineWith([](SplineFields& f) { f.degree = 26; }))},
        {"spline negative count", splineRecord(db(), splineWith([](SplineFields& f) { f.count = -1; }))},
        {"spline vast count", splineRecord(db(), splineWith([](SplineFields& f) { f.count = 1 << 30; }))},
        {"spline knots fall", splineRecord(db(), splineWith([](SplineFields& f) { f.knots = {0, 0, 2, 1, 2}; }))},
        {"spline zero weight", splineRecord(db(), splineWith([](SplineFields& f) { f.weights = {1, 0, 1}; }))},
        {"spline closed, ends apart", splineRecord(db(), splineWith([](SplineFields& f) { f.closed = true; }))},
        {"spline point not finite", splineRecord(db(), splineWith([](SplineFields& f) { f.points[1].y = NAN; }))},
        {"spline one fit point", splineRecord(db(), splineWith([](SplineFields& f) { f.fit = {{1, 1, 0}}; }))},
        {"spline fit degree 0", splineRecord(db(), splineWith([](SplineFields& f) { f.fitDegree = 0; }))},
        {"spline parameterisation 15", splineRecord(db(), splineWith([](SplineFields& f) { f.knotParam = 15; }))},
        {"spline tangent", splineRecord(db(), splineWith([](SplineFields& f) { f.startTangent.x = INFINITY; }))},
        {"spline fit tolerance", splineRecord(db(), splineWith([](SplineFields& f) { f.fitTolerance = -1; }))},
    };
    for (const auto& d : damaged) {
        vemhost::MemoryFiler filer(d.record, db());
        EntityPtr target = d.name[0] == 'e' ? ellipseAt(9, 9, 1, 0, 1) : quarterCircleSpline();
        EntityPtr before = d.name[0] == 'e' ? ellipseAt(9, 9, 1, 0, 1) : quarterCircleSpline();
        EXPECT_EQ(Acad::eFilerError, target->dwgInFields(&filer)) << d.name;
        expectSameCurve(*before, *target, std::string(d.name) + " leaves the curve alone");
    }
    // The records the damaged ones come from are good.
    vemhost::MemoryFiler goodEllipse(ellipseRecord(db(), EllipseFields()), db());
    EXPECT_EQ(Acad::eOk, AcDbEllipse().dwgInFields(&goodEllipse));
    vemhost::MemoryFiler goodSpline(splineRecord(db(), SplineFields()), db());
    EXPECT_EQ(Acad::eOk, AcDbSpline().dwgInFields(&goodSpline));

    for (const Maker& make : {cases[1].make, cases[4].make}) {
        for (long failAt = 1;; ++failAt) {
            vemhost::MemoryFiler inner(db());
            vemhost::testing::FaultFiler faulty(inner, failAt);
            const Acad::ErrorStatus es = make()->dwgOutFields(&faulty);
            if (!faulty.hasFailed()) {
                EXPECT_EQ(Acad::eOk, es);
                break;
            }
            EXPECT_NE(Acad::eOk, es) << "write failing at operation " << failAt;
        }
    }
}

TEST_F(Curves, ConstructorsAndSettersRefuseWhatNoCurveCanHave)
{
    const AcGePoint3d c(1, 1, 0);
    const AcGeVector3d z = AcGeVector3d::kZAxis, x(3, 0, 0);
    const struct {
        const char* name;
        AcGeVector3d normal, major;
        double ratio, start;
    } refused[] = {
        {"ratio below 1e-6", z, x, 1e-7, 0},
        {"ratio above 1", z, x, 1.0001, 0},
        {"ratio not a number", z, x, NAN, 0},
        {"major axis along the normal", z, AcGeVector3d(1, 0, 1), 0.5, 0},
        {"zero normal", AcGeVector3d(), x, 0.5, 0},
        {"major axis too short", z, AcGeVector3d(1e-7, 0, 0), 0.5, 0},
        {"angle not finite", z, x, 0.5, INFINITY},
    };
    for (const auto& r : refused) {
        AcDbEllipse ellipse(c, z, AcGeVector3d(2, 0, 0), 0.5);
        EXPECT_EQ(Acad::eInvalidInput, ellipse.set(c, r.normal, r.major, r.ratio, r.start)) << r.name;
        EXPECT_TRUE(ellipse.majorAxis().isEqualTo(AcGeVector3d(2, 0, 0))) << r.name << " leaves it unchanged";
        EXPECT_TRUE(AcDbEllipse(c, r.normal, r.major, r.ratio, r.start).isNull()) << r.name;
    }
    EXPECT_FALSE(AcDbEllipse().isNull());
    EXPECT_NEAR(1.0, AcDbEllipse().majorRadius(), 0.0) << "the default is the unit circle";
    EXPECT_TRUE(AcDbEllipse(c, AcGeVector3d(0, 0, 5), x, 1e-6).normal().isEqualTo(z)) << "bounds are allowed";

    AcDbEllipse ellipse(c, z, AcGeVector3d(4, 0, 0), 0.5);
    EXPECT_EQ(Acad::eInvalidInput, ellipse.setMajorRadius(1.0)) << "shorter than the minor radius";
    EXPECT_EQ(Acad::eInvalidInput, ellipse.setMinorRadius(5.0));
    EXPECT_EQ(Acad::eOk, ellipse.setMinorRadius(1.0));
    EXPECT_NEAR(0.25, ellipse.radiusRatio(), 1e-15);
    EXPECT_EQ(Acad::eOk, ellipse.setMajorRadius(2.0));
    EXPECT_NEAR(1.0, ellipse.minorRadius(), 1e-15) << "the minor radius stays";
    // The point seen at 45 degrees has the parameter atan(2) on an ellipse of ratio 1/2.
    EXPECT_NEAR(std::atan(2.0), ellipse.paramAtAngle(M_PI / 4), 1e-15);
    EXPECT_NEAR(M_PI / 4, ellipse.angleAtParam(std::atan(2.0)), 1e-15);
    EXPECT_NEAR(2 * M_PI, ellipse.paramAtAngle(2 * M_PI), 1e-15) << "a whole turn stays one";
    ASSERT_EQ(Acad::eOk, ellipse.setStartAngle(M_PI / 4));
    AcGePoint3d start;
    ellipse.getStartPoint(start);
    EXPECT_NEAR(M_PI / 4, std::atan2(start.y - c.y, start.x - c.x), 1e-12) << "the start is seen at its angle";
    EXPECT_NEAR(2 * M_PI, ellipse.endAngle(), 1e-12);
    EXPECT_EQ(Acad::eOk, ellipse.setEndAngle(M_PI / 4));
    EXPECT_TRUE(ellipse.isClosed()) << "ends that meet make the whole ellipse";

    const AcGePoint3dArray pts = pointArray({{0, 0, 0}, {1, 1, 0}, {2, 0, 0}});
    const struct {
        const char* name;
        AcDbSpline spline;
    } splines[] = {
        {"order 1", AcDbSpline(pts, 1)},
        {"order 27", AcDbSpline(pts, 27)},
        {"negative fit tolerance", AcDbSpline(pts, 4, -1.0)},
        {"one fit point", AcDbSpline(pointArray({{1, 1, 0}}))},
        {"knot form of degree 12", AcDbSpline(pts, AcGe::kChord, 12)},
        {"undefined parameterisation", AcDbSpline(pts, AcGe::kNotDefinedKnotParam)},
        {"periodic through two points", AcDbSpline(pointArray({{0, 0, 0}, {1, 0, 0}}), true)},
        {"knots short of the points", AcDbSpline(1, false, false, false, pts, doubleArray({0, 0, 1, 1}), {})},
        {"rational without weights", AcDbSpline(1, true, false, false, pts, doubleArray({0, 0, 1, 2, 2}), {})},
        {"closed with ends apart", AcDbSpline(1, false, true, false, pts, doubleArray({0, 0, 1, 2, 2}), {})},
        {"negative tolerance", AcDbSpline(1, false, false, false, pts, doubleArray({0, 0, 1, 2, 2}), {}, -1)},
    };
    for (const auto& s : splines) {
        EXPECT_TRUE(s.spline.isNull()) << s.name;
        expectSameCurve(AcDbSpline(), s.spline, std::string(s.name) + " is the default spline");
    }
    EXPECT_FALSE(AcDbSpline(pts).isNull());
    EXPECT_FALSE(AcDbSpline(pts, AcGe::kUniform, 11).isNull());
    AcDbSpline spline(pts);
    EXPECT_EQ(Acad::eInvalidIndex, spline.setFitPointAt(3, AcGePoint3d()));
    EXPECT_EQ(Acad::eInvalidInput, spline.setFitPointAt(1, AcGePoint3d(0, 0, 0))) << "onto its neighbour";
    EXPECT_EQ(Acad::eInvalidInput, spline.setNurbsData(3, false, false, false, pts, doubleArray({0, 1}), {}));
    EXPECT_EQ(3, spline.numFitPoints()) << "refused changes leave the fit data";
    EXPECT_EQ(Acad::eOk, spline.setControlPointAt(0, AcGePoint3d(-1, 0, 0)));
    EXPECT_FALSE(spline.hasFitData()) << "a moved control point leaves no fit data";
}

TEST_F(Curves, TransformsMoveTheCurveOrAreRefused)
{
    AcGeMatrix3d stretchAlongY;
    stretchAlongY(1, 1) = 2.0;
    AcGeMatrix3d flat;
    flat(2, 2) = 0.0;
    const AcGeMatrix3d mirrorX = AcGeMatrix3d::mirroring(AcGePlane(AcGePoint3d::kOrigin, AcGeVector3d::kXAxis));
    const AcGeMatrix3d turn = AcGeMatrix3d::rotation(M_PI / 2, AcGeVector3d::kZAxis);
    const struct {
        const char* name;
        Maker make;
        AcGeMatrix3d xform;
        Acad::ErrorStatus status;
        Maker expected;
    } cases[] = {
        {"ellipse moved", [] { return ellipseAt(1, 2, 3, 0, 0.5); }, AcGeMatrix3d::translation(AcGeVector3d(1, 1, 0)),
         Acad::eOk, [] { return ellipseAt(2, 3, 3, 0, 0.5); }},
        {"ellipse turned", [] { return ellipseAt(0, 0, 3, 0, 0.5, 0, 90); }, turn, Acad::eOk,
         [] { return ellipseAt(0, 0, 0, 3, 0.5, 0, 90); }},
        {"ellipse scaled", [] { return ellipseAt(1, 0, 2, 0, 0.5); }, AcGeMatrix3d::scaling(3.0), Acad::eOk,
         [] { return ellipseAt(3, 0, 6, 0, 0.5); }},
        {"elliptical arc mirrored runs the other way", [] { return ellipseAt(2, 0, 2, 0, 0.5, 0, 90); }, mirrorX,
         Acad::eOk, [] { return ellipseAt(-2, 0, -2, 0, 0.5, 270, 360); }},
        {"ellipse squashed", [] { return ellipseAt(0, 0, 2, 0, 0.5); }, stretchAlongY, Acad::eCannotScaleNonUniformly,
         [] { return ellipseAt(0, 0, 2, 0, 0.5); }},
        {"spline moved", [] { return fitSpline({{0, 0, 0}, {1, 2, 0}, {3, 1, 0}}); },
         AcGeMatrix3d::translation(AcGeVector3d(0, 0, 4)), Acad::eOk,
         [] { return fitSpline({{0, 0, 4}, {1, 2, 4}, {3, 1, 4}}); }},
        {"spline stretched along Y",
         [] { return controlSpline({{0, 0, 0}, {1, 2, 0}, {3, 1, 0}, {4, 4, 0}, {6, 0, 0}}); },
         stretchAlongY, Acad::eOk,
         [] { return controlSpline({{0, 0, 0}, {1, 4, 0}, {3, 2, 0}, {4, 8, 0}, {6, 0, 0}}); }},
        {"rational spline turned", [] { return quarterCircleSpline(); }, turn, Acad::eOk,
         [] { return EntityPtr(new AcDbEllipse(AcGePoint3d(), AcGeVector3d::kZAxis, AcGeVector3d(0, 2, 0), 1.0, 0,
                                               M_PI / 2)); }},
        {"spline folded flat", [] { return quarterCircleSpline(); }, flat, Acad::eInvalidInput,
         [] { return quarterCircleSpline(); }},
    };
    for (const auto& c : cases) {
        EntityPtr ent = c.make();
        EXPECT_EQ(c.status, ent->transformBy(c.xform)) << c.name;
        // The rational quarter circle and the elliptical arc run at different speeds:
        // compare the rational one by its ends and its distance from the centre.
        if (std::string(c.name) == "rational spline turned") {
            for (const AcGePoint3d& p : traceOf(*ent))
                EXPECT_NEAR(2.0, p.asVector().length(), 1e-12) << c.name;
            expectNear(AcGePoint3d(0, 2, 0), traceOf(*ent).front(), c.name);
            expectNear(AcGePoint3d(-2, 0, 0), traceOf(*ent).back(), c.name);
            continue;
        }
        expectSameCurve(*c.expected(), *ent, c.name);
    }
    AcDbSpline spline(pointArray({{0, 0, 0}, {1, 1, 0}, {2, 0, 0}}), AcGeVector3d(0, 1, 0), AcGeVector3d(0, -1, 0));
    ASSERT_EQ(Acad::eOk, spline.transformBy(turn));
    AcGeVector3d start, end;
    ASSERT_EQ(Acad::eOk, spline.getFitTangents(start, end));
    EXPECT_TRUE(start.isEqualTo(AcGeVector3d(-1, 0, 0))) << "tangents turn with the fit points";
    AcGePoint3d fit;
    spline.getFitPointAt(1, fit);
    expectNear(AcGePoint3d(-1, 1, 0), fit, "fit point turned");
}

TEST_F(Curves, GripsAndStretchPointsMoveOrReshape)
{
    const struct {
        const char* name;
        Maker make;
        bool stretch;
        std::initializer_list<int> moved;
        AcGeVector3d offset;
        Acad::ErrorStatus status;
        Maker expected;
    } cases[] = {
        {"ellipse centre grip", [] { return ellipseAt(0, 0, 4, 0, 0.5); }, false, {0}, {1, 1, 0}, Acad::eOk,
         [] { return ellipseAt(1, 1, 4, 0, 0.5); }},
        {"ellipse major end grip", [] { return ellipseAt(0, 0, 4, 0, 0.5); }, false, {1}, {2, 0, 0}, Acad::eOk,
         [] { return ellipseAt(0, 0, 6, 0, 1.0 / 3.0); }},
        {"ellipse minor end past the major", [] { return ellipseAt(0, 0, 4, 0, 0.5); }, false, {2}, {0, 3, 0},
         Acad::eOk, [] { return ellipseAt(0, 0, 0, 5, 0.8, -90, 270); }},
        {"ellipse minor end onto the centre", [] { return ellipseAt(0, 0, 4, 0, 0.5); }, false, {4}, {0, 2, 0},
         Acad::eInvalidInput, [] { return ellipseAt(0, 0, 4, 0, 0.5); }},
        {"elliptical arc end grip", [] { return ellipseAt(0, 0, 4, 0, 0.5, 0, 90); }, false, {6}, {-4, -2, 0},
         Acad::eOk, [] { return ellipseAt(0, 0, 4, 0, 0.5, 0, 180); }},
        {"whole ellipse has no arc grips", [] { return ellipseAt(0, 0, 4, 0, 0.5); }, false, {5}, {1, 0, 0},
         Acad::eInvalidIndex, [] { return ellipseAt(0, 0, 4, 0, 0.5); }},
        {"ellipse stretched by its centre", [] { return ellipseAt(0, 0, 4, 0, 0.5); }, true, {0}, {0, -1, 0},
         Acad::eOk, [] { return ellipseAt(0, -1, 4, 0, 0.5); }},
        {"fit grip refits", [] { return fitSpline({{0, 0, 0}, {2, 2, 0}, {4, 0, 0}}); }, false, {1}, {0, 1, 0},
         Acad::eOk, [] { return fitSpline({{0, 0, 0}, {2, 3, 0}, {4, 0, 0}}); }},
        {"fit grip onto its neighbour", [] { return fitSpline({{0, 0, 0}, {2, 2, 0}, {4, 0, 0}}); }, false, {2},
         {-2, 2, 0}, Acad::eInvalidInput, [] { return fitSpline({{0, 0, 0}, {2, 2, 0}, {4, 0, 0}}); }},
        {"control grip", [] { return controlSpline({{0, 0, 0}, {1, 2, 0}, {3, 1, 0}, {4, 4, 0}, {6, 0, 0}}); }, false,
         {2}, {0, 2, 0}, Acad::eOk,
         [] { return controlSpline({{0, 0, 0}, {1, 2, 0}, {3, 3, 0}, {4, 4, 0}, {6, 0, 0}}); }},
        {"spline stretched whole", [] { return fitSpline({{0, 0, 0}, {2, 2, 0}, {4, 0, 0}}); }, true, {0, 1, 2},
         {5, 0, 0}, Acad::eOk, [] { return fitSpline({{5, 0, 0}, {7, 2, 0}, {9, 0, 0}}); }},
        {"spline bad stretch point", [] { return fitSpline({{0, 0, 0}, {2, 2, 0}, {4, 0, 0}}); }, true, {3},
         {5, 0, 0}, Acad::eInvalidIndex, [] { return fitSpline({{0, 0, 0}, {2, 2, 0}, {4, 0, 0}}); }},
    };
    for (const auto& c : cases) {
        EntityPtr ent = c.make();
        const Acad::ErrorStatus es = c.stretch ? ent->moveStretchPointsAt(indices(c.moved), c.offset)
                                               : ent->moveGripPointsAt(indices(c.moved), c.offset);
        EXPECT_EQ(c.status, es) << c.name;
        expectSameCurve(*c.expected(), *ent, c.name);
    }

    const struct {
        const char* name;
        Maker make;
        std::vector<AcGePoint3d> grips;
    } gripCases[] = {
        {"ellipse", [] { return ellipseAt(1, 1, 4, 0, 0.5); },
         {{1, 1, 0}, {5, 1, 0}, {1, 3, 0}, {-3, 1, 0}, {1, -1, 0}}},
        {"elliptical arc", [] { return ellipseAt(0, 0, 4, 0, 0.5, 0, 90); },
         {{0, 0, 0}, {4, 0, 0}, {0, 2, 0}, {-4, 0, 0}, {0, -2, 0}, {4, 0, 0}, {0, 2, 0}}},
        {"fit spline", [] { return fitSpline({{0, 0, 0}, {2, 2, 0}, {4, 0, 0}}); }, {{0, 0, 0}, {2, 2, 0}, {4, 0, 0}}},
        {"control spline", [] { return quarterCircleSpline(); }, {{2, 0, 0}, {2, 2, 0}, {0, 2, 0}}},
    };
    for (const auto& g : gripCases) {
        AcGePoint3dArray grips;
        AcDbIntArray modes, ids;
        ASSERT_EQ(Acad::eOk, g.make()->getGripPoints(grips, modes, ids));
        ASSERT_EQ(int(g.grips.size()), grips.length()) << g.name;
        for (size_t i = 0; i < g.grips.size(); ++i)
            expectNear(g.grips[i], grips[int(i)], g.name);
    }
}

}  // namespace
