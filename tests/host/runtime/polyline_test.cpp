// Tests of the lightweight polyline: filing (round trip, cut and damaged records), the
// arrow drawn as a shaft and a filled head, arcs under mirror and scale, snaps,
// extents, explode and vertex editing.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "dbpl.h"
#include "host_fixture.h"
#include "vemhost_testing.h"

namespace {

using Bytes = std::vector<unsigned char>;

struct EntityDeleter {
    void operator()(AcDbEntity* p) const { delete p; }
};
using PolylinePtr = std::unique_ptr<AcDbPolyline, EntityDeleter>;

void expectSamePoint(const AcGePoint3d& expected, const AcGePoint3d& actual, double tolerance = 1e-12)
{
    EXPECT_NEAR(expected.x, actual.x, tolerance);
    EXPECT_NEAR(expected.y, actual.y, tolerance);
    EXPECT_NEAR(expected.z, actual.z, tolerance);
}

// Open: (0,0) -> (4,0) straight, (4,0) -> (4,4) a counter-clockwise half circle, then to (0,4).
PolylinePtr makeHook()
{
    PolylinePtr pline(new AcDbPolyline(4));
    pline->addVertexAt(0, AcGePoint2d(0, 0));
    pline->addVertexAt(1, AcGePoint2d(4, 0), 1.0);
    pline->addVertexAt(2, AcGePoint2d(4, 4));
    pline->addVertexAt(3, AcGePoint2d(0, 4));
    return pline;
}

// The shape of the coordinate-system arrows: a shaft without width, then a head
// tapering from width to a point.
PolylinePtr makeArrow(double headWidth)
{
    PolylinePtr pline(new AcDbPolyline(3));
    pline->addVertexAt(0, AcGePoint2d(0, 0), 0.0, 0.0, 0.0);
    pline->addVertexAt(1, AcGePoint2d(10, 0), 0.0, headWidth, 0.0);
    pline->addVertexAt(2, AcGePoint2d(12, 0), 0.0, -1.0, -1.0);
    return pline;
}

void expectSamePolyline(const AcDbPolyline& expected, const AcDbPolyline& actual)
{
    ASSERT_EQ(expected.numVerts(), actual.numVerts());
    EXPECT_EQ(expected.isClosed(), actual.isClosed());
    EXPECT_EQ(expected.elevation(), actual.elevation());
    EXPECT_TRUE(expected.normal().isEqualTo(actual.normal()));
    for (unsigned i = 0; i < expected.numVerts(); ++i) {
        AcGePoint2d a, b;
        double bulgeA = 0, bulgeB = 0, startA = 0, endA = 0, startB = 0, endB = 0;
        expected.getPointAt(i, a);
        actual.getPointAt(i, b);
        expected.getBulgeAt(i, bulgeA);
        actual.getBulgeAt(i, bulgeB);
        expected.getWidthsAt(i, startA, endA);
        actual.getWidthsAt(i, startB, endB);
        EXPECT_TRUE(a.isEqualTo(b)) << "vertex " << i;
        EXPECT_EQ(bulgeA, bulgeB) << "vertex " << i;
        EXPECT_EQ(startA, startB) << "vertex " << i;
        EXPECT_EQ(endA, endB) << "vertex " << i;
    }
}

AcGePoint3dArray osnap(const AcDbEntity& entity, AcDb::OsnapMode mode, const AcGePoint3d& pick)
{
    AcGePoint3dArray points;
    AcDbIntArray geomIds;
    EXPECT_EQ(Acad::eOk,
              entity.getOsnapPoints(mode, 0, pick, AcGePoint3d::kOrigin, AcGeMatrix3d::kIdentity, points, geomIds));
    return points;
}

// Passes drawing on to a collector and notes the fill type in force at each polygon.
class FillProbe : public AcGiWorldDraw, public AcGiWorldGeometry {
public:
    explicit FillProbe(AcGiWorldDraw& inner) : m_inner(inner), m_geometry(inner.geometry()) {}
    mutable std::vector<AcGiFillType> polygonFills;

    AcGiRegenType regenType() const override { return m_inner.regenType(); }
    Adesk::Boolean regenAbort() const override { return false; }
    AcGiSubEntityTraits& subEntityTraits() const override { return m_inner.subEntityTraits(); }
    AcGiGeometry* rawGeometry() const override { return const_cast<FillProbe*>(this); }
    Adesk::Boolean isDragging() const override { return false; }
    Adesk::UInt32 numberOfIsolines() const override { return 4; }
    AcGiWorldGeometry& geometry() const override { return *const_cast<FillProbe*>(this); }
    Adesk::Boolean circle(const AcGePoint3d& c, const double r, const AcGeVector3d& n) const override
    {
        return m_geometry.circle(c, r, n);
    }
    Adesk::Boolean polyline(const Adesk::UInt32 n, const AcGePoint3d* pts, const AcGeVector3d* normal,
                            Adesk::LongPtr marker) const override
    {
        return m_geometry.polyline(n, pts, normal, marker);
    }
    Adesk::Boolean polygon(const Adesk::UInt32 n, const AcGePoint3d* pts) const override
    {
        polygonFills.push_back(m_inner.subEntityTraits().fillType());
        return m_geometry.polygon(n, pts);
    }
    Adesk::Boolean text(const AcGePoint3d& p, const AcGeVector3d& n, const AcGeVector3d& d, const double h,
                        const double w, const double o, const ACHAR* s) const override
    {
        return m_geometry.text(p, n, d, h, w, o, s);
    }
    Adesk::Boolean draw(AcGiDrawable* d) const override { return m_geometry.draw(d); }
    void getModelToWorldTransform(AcGeMatrix3d& m) const override { m_geometry.getModelToWorldTransform(m); }
    void getWorldToModelTransform(AcGeMatrix3d& m) const override { m_geometry.getWorldToModelTransform(m); }
    Adesk::Boolean pushModelTransform(const AcGeVector3d& n) override { return m_geometry.pushModelTransform(n); }
    Adesk::Boolean pushModelTransform(const AcGeMatrix3d& m) override { return m_geometry.pushModelTransform(m); }
    Adesk::Boolean popModelTransform() override { return m_geometry.popModelTransform(); }

private:
    AcGiWorldDraw& m_inner;
    AcGiWorldGeometry& m_geometry;
};

class Polyline : public HostFixture {};

TEST_F(Polyline, FilingRoundTripsEveryMemberThroughMemoryFilerAndClone)
{
    PolylinePtr pline = makeHook();
    pline->setConstantWidth(0.125);
    pline->setWidthsAt(0, 0.25, 0.5);
    pline->setWidthsAt(2, 0.75, -1.0);
    pline->setClosed(true);
    pline->setElevation(2.5);
    pline->setNormal(AcGeVector3d(0, 0, -1));

    vemhost::MemoryFiler filer(db());
    ASSERT_EQ(Acad::eOk, pline->dwgOutFields(&filer));
    filer.rewind();
    PolylinePtr read(new AcDbPolyline());
    ASSERT_EQ(Acad::eOk, read->dwgInFields(&filer));
    expectSamePolyline(*pline, *read);
    double start = 0, end = 0;
    read->getWidthsAt(2, start, end);
    EXPECT_EQ(0.125, end) << "a width of -1 keeps following the constant width";

    PolylinePtr copy(AcDbPolyline::cast(pline->clone()));
    ASSERT_NE(nullptr, copy);
    expectSamePolyline(*pline, *copy);
}

TEST_F(Polyline, CutOrDamagedRecordFailsAndLeavesThePolylineAlone)
{
    PolylinePtr pline = makeHook();
    vemhost::MemoryFiler filer(db());
    ASSERT_EQ(Acad::eOk, pline->dwgOutFields(&filer));
    const Bytes whole = filer.bytes();
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        vemhost::MemoryFiler truncated(Bytes(whole.begin(), whole.begin() + long(cut)), db());
        PolylinePtr target = makeArrow(1.0);
        EXPECT_NE(Acad::eOk, target->dwgInFields(&truncated)) << "cut at " << cut;
        EXPECT_EQ(3u, target->numVerts()) << "cut at " << cut;
    }

    // A vertex count no drawing has, then one that the record cannot back.
    for (Adesk::UInt32 count : {0xFFFFFFFFu, 5000000u}) {
        vemhost::MemoryFiler damaged(db());
        ASSERT_EQ(Acad::eOk, pline->AcDbEntity::dwgOutFields(&damaged));
        damaged.writeUInt32(count);
        damaged.writeBool(false);
        damaged.writeDouble(0.0);
        damaged.writeDouble(0.0);
        damaged.writeVector3d(AcGeVector3d::kZAxis);
        damaged.rewind();
        PolylinePtr target = makeArrow(1.0);
        EXPECT_NE(Acad::eOk, target->dwgInFields(&damaged)) << count;
        EXPECT_EQ(3u, target->numVerts());
    }
}

TEST_F(Polyline, ArrowDrawsAShaftPolylineAndAFilledTaperingHead)
{
    PolylinePtr arrow = makeArrow(2.0);
    vemhost::PrimitiveCollector collector;
    FillProbe probe(*collector.worldDraw());
    arrow->worldDraw(&probe);

    const std::vector<vemhost::Primitive>& drawn = collector.primitives();
    ASSERT_EQ(2u, drawn.size());
    EXPECT_EQ(vemhost::Primitive::kPolyline, drawn[0].kind);
    ASSERT_EQ(2u, drawn[0].points.size());
    expectSamePoint(AcGePoint3d(0, 0, 0), drawn[0].points[0]);
    expectSamePoint(AcGePoint3d(10, 0, 0), drawn[0].points[1]);

    EXPECT_EQ(vemhost::Primitive::kPolygon, drawn[1].kind);
    const AcGePoint3d corners[] = {{10, 1, 0}, {12, 0, 0}, {12, 0, 0}, {10, -1, 0}};
    ASSERT_EQ(4u, drawn[1].points.size());
    for (size_t i = 0; i < 4; ++i)
        expectSamePoint(corners[i], drawn[1].points[i]);
    ASSERT_EQ(1u, probe.polygonFills.size());
    EXPECT_EQ(kAcGiFillAlways, probe.polygonFills[0]);
    EXPECT_EQ(kAcGiFillNever, collector.worldDraw()->subEntityTraits().fillType()) << "fill is put back";

    AcDbExtents extents;
    ASSERT_EQ(Acad::eOk, arrow->getGeomExtents(extents));
    expectSamePoint(AcGePoint3d(0, -1, 0), extents.minPoint());
    expectSamePoint(AcGePoint3d(12, 1, 0), extents.maxPoint());
}

TEST_F(Polyline, ArcSegmentsDrawAsChordsThroughTheArcAndBoundTheExtents)
{
    PolylinePtr hook = makeHook();
    vemhost::PrimitiveCollector collector;
    collector.draw(hook.get());
    ASSERT_EQ(1u, collector.primitives().size()) << "segments without width make one polyline";
    const std::vector<AcGePoint3d>& points = collector.primitives()[0].points;
    ASSERT_GT(points.size(), 10u);
    expectSamePoint(AcGePoint3d(0, 4, 0), points.back());
    // The half circle from (4,0) to (4,4) turning counter-clockwise bulges to x = 6.
    for (size_t i = 1; i + 1 < points.size(); ++i)
        EXPECT_NEAR(2.0, points[i].distanceTo(AcGePoint3d(4, 2, 0)), 1e-12) << i;

    AcDbExtents extents;
    ASSERT_EQ(Acad::eOk, hook->getGeomExtents(extents));
    expectSamePoint(AcGePoint3d(0, 0, 0), extents.minPoint());
    expectSamePoint(AcGePoint3d(6, 4, 0), extents.maxPoint());

    AcGePoint3dArray mid = osnap(*hook, AcDb::kOsModeMid, AcGePoint3d::kOrigin);
    ASSERT_EQ(3, mid.length());
    expectSamePoint(AcGePoint3d(6, 2, 0), mid[1]);
    AcGePoint3dArray near = osnap(*hook, AcDb::kOsModeNear, AcGePoint3d(9, 2.5, 0));
    ASSERT_EQ(1, near.length());
    EXPECT_NEAR(2.0, near[0].distanceTo(AcGePoint3d(4, 2, 0)), 1e-12);
    EXPECT_GT(near[0].x, 5.9);
    EXPECT_EQ(4, osnap(*hook, AcDb::kOsModeEnd, AcGePoint3d::kOrigin).length());
}

TEST_F(Polyline, MirrorFlipsBulgesAndKeepsTheArcOnItsMirroredPath)
{
    PolylinePtr hook = makeHook();
    // As the host mirrors about a line in the drawing: the upright plane through it.
    const AcGeMatrix3d mirror = AcGeMatrix3d::mirroring(AcGePlane(AcGePoint3d(1, 0, 0), AcGeVector3d::kXAxis));
    const AcGePoint3d arcMid = osnap(*hook, AcDb::kOsModeMid, AcGePoint3d::kOrigin)[1];
    ASSERT_EQ(Acad::eOk, hook->transformBy(mirror));

    double bulge = 0;
    hook->getBulgeAt(1, bulge);
    EXPECT_EQ(-1.0, bulge);
    EXPECT_TRUE(hook->normal().isEqualTo(AcGeVector3d::kZAxis));
    AcGePoint3d second;
    hook->getPointAt(1, second);
    expectSamePoint(AcGePoint3d(-2, 0, 0), second);
    expectSamePoint(mirror * arcMid, osnap(*hook, AcDb::kOsModeMid, AcGePoint3d::kOrigin)[1]);
}

TEST_F(Polyline, SimilaritiesScaleWidthsAndOtherTransformsAreRefused)
{
    PolylinePtr arrow = makeArrow(2.0);
    const AcGeMatrix3d xform = AcGeMatrix3d::rotation(M_PI / 2, AcGeVector3d::kZAxis) * AcGeMatrix3d::scaling(0.5);
    ASSERT_EQ(Acad::eOk, arrow->transformBy(xform));
    double start = 0, end = 0;
    arrow->getWidthsAt(1, start, end);
    EXPECT_DOUBLE_EQ(1.0, start);
    AcGePoint3d tip;
    arrow->getPointAt(2, tip);
    expectSamePoint(AcGePoint3d(0, 6, 0), tip);

    AcGeMatrix3d squash;
    squash.entry[1][1] = 0.5;
    EXPECT_EQ(Acad::eCannotScaleNonUniformly, arrow->transformBy(squash));
    arrow->getPointAt(2, tip);
    expectSamePoint(AcGePoint3d(0, 6, 0), tip);

    // Lifted out of the plane: a quarter turn about x puts the plane upright.
    PolylinePtr flat = makeArrow(0.0);
    ASSERT_EQ(Acad::eOk, flat->transformBy(AcGeMatrix3d::rotation(M_PI / 2, AcGeVector3d::kXAxis)));
    expectSamePoint(AcGePoint3d(0, -1, 0), AcGePoint3d::kOrigin + flat->normal());
    flat->getPointAt(2, tip);
    expectSamePoint(AcGePoint3d(12, 0, 0), tip);
}

TEST_F(Polyline, ExplodeMakesLinesWithThePolylinesProperties)
{
    PolylinePtr hook = makeHook();
    hook->setColorIndex(4);
    AcDbVoidPtrArray pieces;
    ASSERT_EQ(Acad::eOk, hook->explode(pieces));
    ASSERT_GT(pieces.length(), 3);
    AcGePoint3d previousEnd = AcGePoint3d::kOrigin;
    for (void* piece : pieces) {
        AcDbLine* line = AcDbLine::cast(static_cast<AcRxObject*>(piece));
        ASSERT_NE(nullptr, line);
        EXPECT_EQ(4, line->colorIndex());
        expectSamePoint(previousEnd, line->startPoint());
        previousEnd = line->endPoint();
    }
    expectSamePoint(AcGePoint3d(0, 4, 0), previousEnd);
    for (void* piece : pieces)
        delete static_cast<AcDbEntity*>(piece);
}

TEST_F(Polyline, VerticesInsertAtTheirIndexAndMoveWithinThePlane)
{
    PolylinePtr pline(new AcDbPolyline());
    EXPECT_EQ(Acad::eInvalidIndex, pline->addVertexAt(1, AcGePoint2d(1, 1)));
    ASSERT_EQ(Acad::eOk, pline->addVertexAt(0, AcGePoint2d(2, 0)));
    ASSERT_EQ(Acad::eOk, pline->addVertexAt(0, AcGePoint2d(0, 0)));
    ASSERT_EQ(Acad::eOk, pline->addVertexAt(1, AcGePoint2d(1, 1)));
    ASSERT_EQ(Acad::eOk, pline->addVertexAt(3, AcGePoint2d(3, 3)));
    for (unsigned i = 0; i < 4; ++i) {
        AcGePoint2d pt;
        pline->getPointAt(i, pt);
        EXPECT_EQ(double(i), pt.x);
    }
    AcDbIntArray indices;
    indices.append(2);
    ASSERT_EQ(Acad::eOk, pline->moveGripPointsAt(indices, AcGeVector3d(0, 5, 7)));
    AcGePoint3d moved;
    pline->getPointAt(2, moved);
    expectSamePoint(AcGePoint3d(2, 5, 0), moved);  // only the offset's part in the plane
}

}  // namespace
