// Tests of the circle and the arc, a table of cases per behaviour across both: filing
// and damaged records, transforms, snaps, grips and stretch, extents, drawing, explode
// and LIST, and the three-point arc the commands build on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "circular_arcs.h"
#include "dbents.h"
#include "host_fixture.h"
#include "vemhost_testing.h"

namespace {

using Bytes = std::vector<unsigned char>;

struct EntityDeleter {
    void operator()(AcDbEntity* p) const { delete p; }
};
using EntityPtr = std::unique_ptr<AcDbEntity, EntityDeleter>;
using Maker = std::function<EntityPtr()>;

EntityPtr circleAt(double x, double y, double r, const AcGeVector3d& n = AcGeVector3d::kZAxis)
{
    return EntityPtr(new AcDbCircle(AcGePoint3d(x, y, 0), n, r));
}

// Arc angles in degrees, as the cases read best.
EntityPtr arcAt(double x, double y, double r, double startDeg, double endDeg)
{
    return EntityPtr(new AcDbArc(AcGePoint3d(x, y, 0), r, startDeg * M_PI / 180.0, endDeg * M_PI / 180.0));
}

// What both classes hold; a circle has the whole turn as its sweep.
struct Shape {
    AcGePoint3d center;
    double radius = 0.0;
    double startDeg = 0.0, endDeg = 360.0;
    AcGeVector3d normal = AcGeVector3d::kZAxis;
};

Shape shapeOf(const AcDbEntity& ent)
{
    Shape s;
    if (const AcDbCircle* c = AcDbCircle::cast(&ent)) {
        s.center = c->center();
        s.radius = c->radius();
        s.normal = c->normal();
    } else if (const AcDbArc* a = AcDbArc::cast(&ent)) {
        s.center = a->center();
        s.radius = a->radius();
        s.startDeg = a->startAngle() * 180.0 / M_PI;
        s.endDeg = a->endAngle() * 180.0 / M_PI;
        s.normal = a->normal();
    }
    return s;
}

void expectNear(const AcGePoint3d& expected, const AcGePoint3d& actual, const std::string& where)
{
    EXPECT_NEAR(expected.x, actual.x, 1e-9) << where;
    EXPECT_NEAR(expected.y, actual.y, 1e-9) << where;
    EXPECT_NEAR(expected.z, actual.z, 1e-9) << where;
}

void expectShape(const Shape& expected, const AcDbEntity& ent, const std::string& where)
{
    const Shape actual = shapeOf(ent);
    expectNear(expected.center, actual.center, where + " centre");
    EXPECT_NEAR(expected.radius, actual.radius, 1e-9) << where;
    EXPECT_NEAR(expected.startDeg, actual.startDeg, 1e-7) << where;
    EXPECT_NEAR(expected.endDeg, actual.endDeg, 1e-7) << where;
    expectNear(AcGePoint3d::kOrigin + expected.normal, AcGePoint3d::kOrigin + actual.normal, where + " normal");
}

Bytes filed(const AcDbEntity& ent, AcDbDatabase* db)
{
    vemhost::MemoryFiler filer(db);
    EXPECT_EQ(Acad::eOk, ent.dwgOutFields(&filer));
    return filer.bytes();
}

AcDbIntArray indices(std::initializer_list<int> values)
{
    AcDbIntArray array;
    for (int v : values)
        array.append(v);
    return array;
}

// Records written field by field, so that one value can be what no circle or arc has.
Bytes circleRecord(AcDbDatabase* db, double radius, double thickness, const AcGeVector3d& normal)
{
    AcDbCircle base;
    vemhost::MemoryFiler filer(db);
    EXPECT_EQ(Acad::eOk, base.AcDbEntity::dwgOutFields(&filer));
    filer.writePoint3d(AcGePoint3d(1, 2, 3));
    filer.writeDouble(radius);
    filer.writeDouble(thickness);
    filer.writeVector3d(normal);
    return filer.bytes();
}

Bytes arcRecord(AcDbDatabase* db, double radius, double startAngle, double endAngle)
{
    AcDbArc base;
    vemhost::MemoryFiler filer(db);
    EXPECT_EQ(Acad::eOk, base.AcDbEntity::dwgOutFields(&filer));
    filer.writePoint3d(AcGePoint3d(1, 2, 3));
    filer.writeDouble(radius);
    filer.writeDouble(startAngle);
    filer.writeDouble(endAngle);
    filer.writeDouble(0.0);
    filer.writeVector3d(AcGeVector3d::kZAxis);
    return filer.bytes();
}

class Circular : public HostFixture {};

TEST_F(Circular, FilingRoundTripsAndEveryCutOrDamagedValueIsRefused)
{
    const struct {
        const char* name;
        Maker make;
    } cases[] = {
        {"circle", [] { return circleAt(1.5, -2.25, 3.0, AcGeVector3d(0, 3, 4)); }},
        {"default circle", [] { return EntityPtr(new AcDbCircle()); }},
        {"arc", [] { return arcAt(-4, 5.125, 2.5, 350, 10); }},
        {"default arc", [] { return EntityPtr(new AcDbArc()); }},
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
        EXPECT_EQ(whole, filed(*copy, db())) << c.name << ": a clone files the same";

        for (size_t cut = 0; cut < whole.size(); ++cut) {
            vemhost::MemoryFiler truncated(Bytes(whole.begin(), whole.begin() + long(cut)), db());
            EntityPtr target = c.make();
            const Shape before = shapeOf(*target);
            EXPECT_NE(Acad::eOk, target->dwgInFields(&truncated)) << c.name << " cut at " << cut;
            expectShape(before, *target, std::string(c.name) + " cut at " + std::to_string(cut));
        }
    }

    // A radius below zero, an angle beyond a turn or a zero normal is damage.
    const struct {
        const char* name;
        Bytes record;
    } damaged[] = {
        {"circle radius", circleRecord(db(), -1.0, 0.0, AcGeVector3d::kZAxis)},
        {"circle thickness", circleRecord(db(), 1.0, NAN, AcGeVector3d::kZAxis)},
        {"circle normal", circleRecord(db(), 1.0, 0.0, AcGeVector3d(0, 0, 0))},
        {"arc radius", arcRecord(db(), INFINITY, 0.0, 1.0)},
        {"arc start", arcRecord(db(), 1.0, 7.0, 1.0)},
        {"arc end", arcRecord(db(), 1.0, 0.0, -0.5)},
    };
    for (const auto& d : damaged) {
        vemhost::MemoryFiler filer(d.record, db());
        EntityPtr target(d.name[0] == 'c' ? static_cast<AcDbEntity*>(new AcDbCircle())
                                          : static_cast<AcDbEntity*>(new AcDbArc()));
        EXPECT_EQ(Acad::eFilerError, target->dwgInFields(&filer)) << d.name;
        EXPECT_EQ(0.0, shapeOf(*target).radius) << d.name << " leaves the entity alone";
    }
    EXPECT_FALSE(circleRecord(db(), 1.0, 0.0, AcGeVector3d::kZAxis).empty());

    for (long failAt = 1;; ++failAt) {
        vemhost::MemoryFiler inner(db());
        vemhost::testing::FaultFiler faulty(inner, failAt);
        const Acad::ErrorStatus es = AcDbArc(AcGePoint3d(1, 2, 3), 4, 0, 1).dwgOutFields(&faulty);
        if (!faulty.hasFailed()) {
            EXPECT_EQ(Acad::eOk, es);
            break;
        }
        EXPECT_NE(Acad::eOk, es) << "write failing at operation " << failAt;
    }
}

TEST_F(Circular, SettersRefuseWhatNoCircleCanHave)
{
    AcDbCircle circle(AcGePoint3d(1, 1, 0), AcGeVector3d::kZAxis, 2.0);
    EXPECT_EQ(Acad::eInvalidInput, circle.setRadius(0.0));
    EXPECT_EQ(Acad::eInvalidInput, circle.setRadius(NAN));
    EXPECT_EQ(Acad::eInvalidInput, circle.setNormal(AcGeVector3d(0, 0, 0)));
    EXPECT_EQ(2.0, circle.radius());
    EXPECT_EQ(Acad::eOk, circle.setDiameter(10.0));
    EXPECT_EQ(5.0, circle.radius());
    EXPECT_NEAR(10.0 * M_PI, circle.circumference(), 1e-12);

    AcDbArc arc(AcGePoint3d::kOrigin, 1.0, -M_PI / 2, 5 * M_PI);
    EXPECT_NEAR(1.5 * M_PI, arc.startAngle(), 1e-12) << "angles are kept within one turn";
    EXPECT_NEAR(M_PI, arc.endAngle(), 1e-12);
    EXPECT_NEAR(1.5 * M_PI, arc.totalAngle(), 1e-12) << "the sweep runs on through zero";
    EXPECT_NEAR(1.5 * M_PI, arc.length(), 1e-12);
    EXPECT_EQ(Acad::eInvalidInput, arc.setStartAngle(INFINITY));
    EXPECT_EQ(Acad::eInvalidInput, arc.setRadius(-1.0));
}

TEST_F(Circular, TransformsKeepTheShapeAndRefuseNonUniformScale)
{
    const AcGeMatrix3d mirrorX = AcGeMatrix3d::mirroring(AcGePlane(AcGePoint3d::kOrigin, AcGeVector3d::kXAxis));
    AcGeMatrix3d stretchAlongY;
    stretchAlongY(1, 1) = 2.0;
    const AcGeMatrix3d mirrorZ = AcGeMatrix3d::mirroring(AcGePlane(AcGePoint3d::kOrigin, AcGeVector3d::kZAxis));
    const struct {
        const char* name;
        Maker make;
        AcGeMatrix3d xform;
        Acad::ErrorStatus status;
        Shape expected;
    } cases[] = {
        {"circle moved", [] { return circleAt(1, 2, 3); }, AcGeMatrix3d::translation(AcGeVector3d(1, 1, 1)),
         Acad::eOk, {AcGePoint3d(2, 3, 1), 3}},
        {"circle scaled", [] { return circleAt(1, 2, 3); }, AcGeMatrix3d::scaling(2.0), Acad::eOk,
         {AcGePoint3d(2, 4, 0), 6}},
        {"circle stood up", [] { return circleAt(1, 0, 3); }, AcGeMatrix3d::rotation(M_PI / 2, AcGeVector3d::kXAxis),
         Acad::eOk, {AcGePoint3d(1, 0, 0), 3, 0, 360, AcGeVector3d(0, -1, 0)}},
        {"circle squashed", [] { return circleAt(1, 2, 3); }, stretchAlongY,
         Acad::eCannotScaleNonUniformly, {AcGePoint3d(1, 2, 0), 3}},
        {"arc rotated", [] { return arcAt(0, 0, 2, 0, 90); }, AcGeMatrix3d::rotation(M_PI / 2, AcGeVector3d::kZAxis),
         Acad::eOk, {AcGePoint3d(0, 0, 0), 2, 90, 180}},
        {"arc scaled about a point", [] { return arcAt(1, 0, 1, 30, 60); },
         AcGeMatrix3d::scaling(3.0, AcGePoint3d(1, 0, 0)), Acad::eOk, {AcGePoint3d(1, 0, 0), 3, 30, 60}},
        {"arc mirrored in plan swaps its ends", [] { return arcAt(2, 0, 1, 0, 90); }, mirrorX, Acad::eOk,
         {AcGePoint3d(-2, 0, 0), 1, 90, 180}},
        {"arc mirrored through its plane turns its normal", [] { return arcAt(0, 0, 1, 0, 90); }, mirrorZ,
         Acad::eOk, {AcGePoint3d(0, 0, 0), 1, 90, 180, AcGeVector3d(0, 0, -1)}},
        {"arc squashed", [] { return arcAt(0, 0, 1, 0, 90); }, stretchAlongY,
         Acad::eCannotScaleNonUniformly, {AcGePoint3d(0, 0, 0), 1, 0, 90}},
    };
    for (const auto& c : cases) {
        EntityPtr ent = c.make();
        EXPECT_EQ(c.status, ent->transformBy(c.xform)) << c.name;
        expectShape(c.expected, *ent, c.name);
    }
}

TEST_F(Circular, SnapsOfferCentreQuadrantsEndsNearestPerpendicularAndTangent)
{
    const double h = std::sqrt(0.5) * 2.0;  // 2 at 45 degrees
    const struct {
        const char* name;
        Maker make;
        AcDb::OsnapMode mode;
        AcGePoint3d pick, last;
        std::vector<AcGePoint3d> expected;
    } cases[] = {
        {"circle centre", [] { return circleAt(1, 1, 2); }, AcDb::kOsModeCen, {3, 1, 0}, {}, {{1, 1, 0}}},
        {"circle quadrants", [] { return circleAt(1, 1, 2); }, AcDb::kOsModeQuad, {3, 1, 0}, {},
         {{3, 1, 0}, {1, 3, 0}, {-1, 1, 0}, {1, -1, 0}}},
        {"circle nearest", [] { return circleAt(0, 0, 2); }, AcDb::kOsModeNear, {3, 3, 0}, {}, {{h, h, 0}}},
        {"circle perpendicular", [] { return circleAt(0, 0, 2); }, AcDb::kOsModePerp, {}, {5, 0, 0},
         {{2, 0, 0}, {-2, 0, 0}}},
        {"circle tangents", [] { return circleAt(0, 0, 2); }, AcDb::kOsModeTan, {}, {4, 0, 0},
         {{1, std::sqrt(3.0), 0}, {1, -std::sqrt(3.0), 0}}},
        {"no tangent from inside", [] { return circleAt(0, 0, 2); }, AcDb::kOsModeTan, {}, {1, 0, 0}, {}},
        {"circle has no end", [] { return circleAt(0, 0, 2); }, AcDb::kOsModeEnd, {2, 0, 0}, {}, {}},
        {"arc ends", [] { return arcAt(0, 0, 2, 0, 90); }, AcDb::kOsModeEnd, {}, {}, {{2, 0, 0}, {0, 2, 0}}},
        {"arc midpoint", [] { return arcAt(0, 0, 2, 0, 90); }, AcDb::kOsModeMid, {}, {}, {{h, h, 0}}},
        {"arc midpoint through zero", [] { return arcAt(0, 0, 2, 270, 90); }, AcDb::kOsModeMid, {}, {},
         {{2, 0, 0}}},
        {"arc quadrants within it", [] { return arcAt(0, 0, 2, 45, 200); }, AcDb::kOsModeQuad, {}, {},
         {{0, 2, 0}, {-2, 0, 0}}},
        {"arc nearest beyond it is an end", [] { return arcAt(0, 0, 2, 0, 90); }, AcDb::kOsModeNear, {1, -3, 0},
         {}, {{2, 0, 0}}},
        {"arc perpendicular within it", [] { return arcAt(0, 0, 2, 0, 90); }, AcDb::kOsModePerp, {}, {5, 5, 0},
         {{h, h, 0}}},
        {"arc centre", [] { return arcAt(4, 4, 2, 0, 90); }, AcDb::kOsModeCen, {}, {}, {{4, 4, 0}}},
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

TEST_F(Circular, GripsAndStretchPointsMoveOrReshape)
{
    const struct {
        const char* name;
        Maker make;
        bool stretch;
        std::initializer_list<int> moved;
        AcGeVector3d offset;
        Acad::ErrorStatus status;
        Shape expected;
    } cases[] = {
        {"circle centre grip", [] { return circleAt(0, 0, 2); }, false, {0}, {1, 1, 0}, Acad::eOk,
         {AcGePoint3d(1, 1, 0), 2}},
        {"circle quadrant grip sets the radius", [] { return circleAt(0, 0, 2); }, false, {2}, {0, 3, 0}, Acad::eOk,
         {AcGePoint3d(0, 0, 0), 5}},
        {"circle quadrant to the centre", [] { return circleAt(0, 0, 2); }, false, {3}, {2, 0, 0},
         Acad::eInvalidInput, {AcGePoint3d(0, 0, 0), 2}},
        {"circle bad grip", [] { return circleAt(0, 0, 2); }, false, {5}, {1, 0, 0}, Acad::eInvalidIndex,
         {AcGePoint3d(0, 0, 0), 2}},
        {"circle stretches by its centre", [] { return circleAt(0, 0, 2); }, true, {0}, {0, -1, 0}, Acad::eOk,
         {AcGePoint3d(0, -1, 0), 2}},
        {"arc centre grip", [] { return arcAt(0, 0, 2, 0, 90); }, false, {3}, {1, 0, 0}, Acad::eOk,
         {AcGePoint3d(1, 0, 0), 2, 0, 90}},
        {"arc end grip reshapes through three points", [] { return arcAt(0, 0, 2, 0, 90); }, false, {2},
         {-2, -2, 0}, Acad::eOk, {AcGePoint3d(0, 0, 0), 2, 0, 180}},
        {"arc end onto a line with the others", [] { return arcAt(0, 0, 1, 0, 180); }, false, {2}, {0, 2, 0},
         Acad::eInvalidInput, {AcGePoint3d(0, 0, 0), 1, 0, 180}},
        {"arc stretched whole", [] { return arcAt(0, 0, 2, 0, 90); }, true, {0, 1, 2}, {0, 0, 5}, Acad::eOk,
         {AcGePoint3d(0, 0, 5), 2, 0, 90}},
        {"arc bad stretch point", [] { return arcAt(0, 0, 2, 0, 90); }, true, {3}, {1, 0, 0}, Acad::eInvalidIndex,
         {AcGePoint3d(0, 0, 0), 2, 0, 90}},
    };
    for (const auto& c : cases) {
        EntityPtr ent = c.make();
        const Acad::ErrorStatus es = c.stretch ? ent->moveStretchPointsAt(indices(c.moved), c.offset)
                                               : ent->moveGripPointsAt(indices(c.moved), c.offset);
        EXPECT_EQ(c.status, es) << c.name;
        expectShape(c.expected, *ent, c.name);
    }

    AcGePoint3dArray grips;
    AcDbIntArray modes, ids;
    ASSERT_EQ(Acad::eOk, arcAt(0, 0, 2, 0, 180)->getGripPoints(grips, modes, ids));
    ASSERT_EQ(4, grips.length());
    expectNear(AcGePoint3d(0, 2, 0), grips[1], "arc mid grip");
    expectNear(AcGePoint3d(0, 0, 0), grips[3], "arc centre grip");
}

TEST_F(Circular, ExtentsReachTheCurveAndNoFurther)
{
    const struct {
        const char* name;
        Maker make;
        AcGePoint3d min, max;
    } cases[] = {
        {"circle", [] { return circleAt(1, 1, 2); }, {-1, -1, 0}, {3, 3, 0}},
        {"tilted circle", [] { return circleAt(0, 0, 2, AcGeVector3d::kXAxis); }, {0, -2, -2}, {0, 2, 2}},
        {"quarter arc", [] { return arcAt(0, 0, 2, 0, 90); }, {0, 0, 0}, {2, 2, 0}},
        {"arc through zero", [] { return arcAt(0, 0, 2, 315, 45); }, {std::sqrt(2.0), -std::sqrt(2.0), 0},
         {2, std::sqrt(2.0), 0}},
    };
    for (const auto& c : cases) {
        AcDbExtents box;
        ASSERT_EQ(Acad::eOk, c.make()->getGeomExtents(box)) << c.name;
        expectNear(c.min, box.minPoint(), c.name);
        expectNear(c.max, box.maxPoint(), c.name);
    }
}

TEST_F(Circular, DrawExplodeAndListAsTheHostDoes)
{
    const struct {
        const char* name;
        Maker make;
        vemhost::Primitive::Kind kind;
        const char* listed[3];
    } cases[] = {
        {"circle", [] { return circleAt(1, 2, 3); }, vemhost::Primitive::kCircle,
         {"CIRCLE", "radius 3.0000", "circumference 18.8496"}},
        {"arc", [] { return arcAt(1, 2, 3, 90, 180); }, vemhost::Primitive::kPolyline,
         {"ARC", "start angle 90.0000", "length 4.7124"}},
    };
    for (const auto& c : cases) {
        EntityPtr ent = c.make();
        vemhost::PrimitiveCollector collector;
        collector.draw(ent.get());
        ASSERT_EQ(1u, collector.primitives().size()) << c.name;
        const vemhost::Primitive& drawn = collector.primitives()[0];
        EXPECT_EQ(c.kind, drawn.kind) << c.name;
        if (drawn.kind == vemhost::Primitive::kPolyline) {
            expectNear(AcGePoint3d(1, 5, 0), drawn.points.front(), "arc drawn from its start");
            expectNear(AcGePoint3d(-2, 2, 0), drawn.points.back(), "arc drawn to its end");
            for (const AcGePoint3d& p : drawn.points)
                EXPECT_NEAR(3.0, p.distanceTo(AcGePoint3d(1, 2, 0)), 1e-9);
        }

        AcDbVoidPtrArray pieces;
        EXPECT_EQ(Acad::eNotApplicable, ent->explode(pieces)) << c.name;
        EXPECT_EQ(0, pieces.length());

        vemhost::startCapture();
        ent->list();
        const std::string listed = vemhost::takeCaptured();
        vemhost::stopCapture();
        for (const char* line : c.listed)
            EXPECT_NE(std::string::npos, listed.find(line)) << listed;
        EXPECT_NE(std::string::npos, listed.find("center point, X=1.0000  Y=2.0000")) << listed;
    }
}

TEST(ArcThrough, GivesTheArcFromTheFirstPointThroughTheSecondToTheThird)
{
    AcGePoint2d center;
    double radius = 0.0, start = 0.0, end = 0.0;
    ASSERT_TRUE(acrt::arcThrough(AcGePoint2d(2, 0), AcGePoint2d(0, 2), AcGePoint2d(-2, 0), center, radius, start, end));
    EXPECT_TRUE(center.isEqualTo(AcGePoint2d(0, 0)));
    EXPECT_NEAR(2.0, radius, 1e-12);
    EXPECT_NEAR(0.0, start, 1e-12);
    EXPECT_NEAR(M_PI, end, 1e-12);
    ASSERT_TRUE(acrt::arcThrough(AcGePoint2d(-2, 0), AcGePoint2d(0, 2), AcGePoint2d(2, 0), center, radius, start, end));
    EXPECT_NEAR(0.0, start, 1e-12) << "clockwise points run counter-clockwise from the last";
    EXPECT_NEAR(M_PI, end, 1e-12);
    EXPECT_FALSE(acrt::arcThrough(AcGePoint2d(0, 0), AcGePoint2d(1, 1), AcGePoint2d(2, 2), center, radius, start, end));
    EXPECT_FALSE(acrt::arcThrough(AcGePoint2d(0, 0), AcGePoint2d(0, 0), AcGePoint2d(2, 2), center, radius, start, end));
    EXPECT_EQ(0.0, acrt::normalizedAngle(NAN));
    EXPECT_NEAR(1.5 * M_PI, acrt::normalizedAngle(-M_PI / 2), 1e-12);
}

}  // namespace
