// Tests of the line, the extents box and the primitive collector: filing round trips
// and cut records, snaps and grips, transforms, and the traits recorded with each
// primitive when entities draw, nested ones included.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <memory>

#include "dbents.h"
#include "host_fixture.h"
#include "vemhost_testing.h"

namespace {

using Bytes = std::vector<unsigned char>;

struct EntityDeleter {
    void operator()(AcDbEntity* p) const { delete p; }
};
using LinePtr = std::unique_ptr<AcDbLine, EntityDeleter>;

LinePtr makeLine(const AcGePoint3d& start, const AcGePoint3d& end) { return LinePtr(new AcDbLine(start, end)); }

void expectSamePoint(const AcGePoint3d& expected, const AcGePoint3d& actual, double tolerance = 1e-12)
{
    EXPECT_NEAR(expected.x, actual.x, tolerance);
    EXPECT_NEAR(expected.y, actual.y, tolerance);
    EXPECT_NEAR(expected.z, actual.z, tolerance);
}

void expectSameLine(const AcDbLine& expected, const AcDbLine& actual)
{
    EXPECT_TRUE(expected.startPoint().isEqualTo(actual.startPoint()));
    EXPECT_TRUE(expected.endPoint().isEqualTo(actual.endPoint()));
    EXPECT_EQ(expected.thickness(), actual.thickness());
    EXPECT_TRUE(expected.normal().isEqualTo(actual.normal()));
    EXPECT_EQ(expected.colorIndex(), actual.colorIndex());
}

AcGePoint3dArray osnap(const AcDbEntity& entity, AcDb::OsnapMode mode, const AcGePoint3d& pick,
                       const AcGePoint3d& last = AcGePoint3d::kOrigin)
{
    AcGePoint3dArray points;
    AcDbIntArray geomIds;
    EXPECT_EQ(Acad::eOk, entity.getOsnapPoints(mode, 0, pick, last, AcGeMatrix3d::kIdentity, points, geomIds));
    return points;
}

class Line : public HostFixture {};

TEST_F(Line, FilingRoundTripsThroughMemoryFilerAndClone)
{
    LinePtr line = makeLine(AcGePoint3d(1.5, -2.25, 3.0), AcGePoint3d(-4.0, 5.125, 0.5));
    line->setThickness(0.75);
    line->setNormal(AcGeVector3d(0.0, 3.0, 4.0));
    line->setColorIndex(3);

    vemhost::MemoryFiler filer(db());
    ASSERT_EQ(Acad::eOk, line->dwgOutFields(&filer));
    filer.rewind();
    LinePtr read = makeLine(AcGePoint3d::kOrigin, AcGePoint3d::kOrigin);
    ASSERT_EQ(Acad::eOk, read->dwgInFields(&filer));
    expectSameLine(*line, *read);
    EXPECT_NEAR(0.8, read->normal().z, 1e-15) << "the normal is kept unit";

    LinePtr copy(AcDbLine::cast(line->clone()));
    ASSERT_NE(nullptr, copy);
    expectSameLine(*line, *copy);
}

TEST_F(Line, EveryCutOfItsRecordFailsAndLeavesTheLineAlone)
{
    LinePtr line = makeLine(AcGePoint3d(1, 2, 3), AcGePoint3d(4, 5, 6));
    vemhost::MemoryFiler filer(db());
    ASSERT_EQ(Acad::eOk, line->dwgOutFields(&filer));
    const Bytes whole = filer.bytes();
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        vemhost::MemoryFiler truncated(Bytes(whole.begin(), whole.begin() + long(cut)), db());
        LinePtr target = makeLine(AcGePoint3d(7, 7, 7), AcGePoint3d(8, 8, 8));
        EXPECT_NE(Acad::eOk, target->dwgInFields(&truncated)) << "cut at " << cut;
        EXPECT_TRUE(target->startPoint().isEqualTo(AcGePoint3d(7, 7, 7))) << "cut at " << cut;
        EXPECT_TRUE(target->endPoint().isEqualTo(AcGePoint3d(8, 8, 8))) << "cut at " << cut;
    }
    for (long failAt = 1;; ++failAt) {
        vemhost::MemoryFiler inner(db());
        vemhost::testing::FaultFiler faulty(inner, failAt);
        const Acad::ErrorStatus es = line->dwgOutFields(&faulty);
        if (!faulty.hasFailed()) {
            EXPECT_EQ(Acad::eOk, es);
            break;
        }
        EXPECT_NE(Acad::eOk, es) << "write failing at operation " << failAt;
    }
}

TEST_F(Line, OsnapOffersEndsMidpointNearestAndPerpendicularFoot)
{
    LinePtr line = makeLine(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 0, 0));
    const AcGePoint3d pick(3, 2, 0);

    AcGePoint3dArray ends = osnap(*line, AcDb::kOsModeEnd, pick);
    ASSERT_EQ(2, ends.length());
    EXPECT_TRUE(ends[0].isEqualTo(AcGePoint3d(0, 0, 0)));
    EXPECT_TRUE(ends[1].isEqualTo(AcGePoint3d(10, 0, 0)));

    AcGePoint3dArray mid = osnap(*line, AcDb::kOsModeMid, pick);
    ASSERT_EQ(1, mid.length());
    EXPECT_TRUE(mid[0].isEqualTo(AcGePoint3d(5, 0, 0)));

    AcGePoint3dArray near = osnap(*line, AcDb::kOsModeNear, pick);
    ASSERT_EQ(1, near.length());
    EXPECT_TRUE(near[0].isEqualTo(AcGePoint3d(3, 0, 0)));
    EXPECT_TRUE(osnap(*line, AcDb::kOsModeNear, AcGePoint3d(-4, 1, 0))[0].isEqualTo(AcGePoint3d::kOrigin))
        << "the nearest point stays on the segment";

    AcGePoint3dArray perp = osnap(*line, AcDb::kOsModePerp, pick, AcGePoint3d(7, -5, 0));
    ASSERT_EQ(1, perp.length());
    EXPECT_TRUE(perp[0].isEqualTo(AcGePoint3d(7, 0, 0)));
    EXPECT_EQ(0, osnap(*line, AcDb::kOsModePerp, pick, AcGePoint3d(12, -5, 0)).length())
        << "a foot beyond the end is no snap";
}

AcDbIntArray indices(std::initializer_list<int> values)
{
    AcDbIntArray array;
    for (int v : values)
        array.append(v);
    return array;
}

TEST_F(Line, MidGripMovesTheWholeLineAndTransformsKeepTheNormalUnit)
{
    LinePtr line = makeLine(AcGePoint3d(0, 0, 0), AcGePoint3d(4, 0, 0));
    AcGePoint3dArray grips;
    AcDbIntArray modes, ids;
    ASSERT_EQ(Acad::eOk, line->getGripPoints(grips, modes, ids));
    ASSERT_EQ(3, grips.length());
    EXPECT_TRUE(grips[1].isEqualTo(AcGePoint3d(2, 0, 0)));
    ASSERT_EQ(Acad::eOk, line->moveGripPointsAt(indices({1}), AcGeVector3d(1, 1, 0)));
    EXPECT_TRUE(line->startPoint().isEqualTo(AcGePoint3d(1, 1, 0)));
    EXPECT_TRUE(line->endPoint().isEqualTo(AcGePoint3d(5, 1, 0)));
    ASSERT_EQ(Acad::eOk, line->moveGripPointsAt(indices({2}), AcGeVector3d(0, 2, 0)));
    EXPECT_TRUE(line->startPoint().isEqualTo(AcGePoint3d(1, 1, 0)));
    EXPECT_TRUE(line->endPoint().isEqualTo(AcGePoint3d(5, 3, 0)));
    EXPECT_EQ(Acad::eInvalidIndex, line->moveStretchPointsAt(indices({0, 2}), AcGeVector3d(9, 9, 9)));
    EXPECT_TRUE(line->startPoint().isEqualTo(AcGePoint3d(1, 1, 0))) << "a bad index moves nothing";

    const AcGeMatrix3d xform = AcGeMatrix3d::scaling(3.0) * AcGeMatrix3d::rotation(M_PI / 2, AcGeVector3d::kXAxis);
    ASSERT_EQ(Acad::eOk, line->transformBy(xform));
    expectSamePoint(AcGePoint3d(3, 0, 3), line->startPoint());
    expectSamePoint(AcGePoint3d(0, -1, 0), AcGePoint3d::kOrigin + line->normal());
}

TEST(Extents, StartEmptyGrowByPointsAndTransformByCorners)
{
    AcDbExtents box;
    EXPECT_TRUE(box.isEmpty());
    box.addExt(AcDbExtents());
    EXPECT_TRUE(box.isEmpty()) << "adding an empty box adds nothing";
    box.addPoint(AcGePoint3d(1, 2, 3));
    box.addPoint(AcGePoint3d(-1, 5, 0));
    EXPECT_TRUE(box.minPoint().isEqualTo(AcGePoint3d(-1, 2, 0)));
    EXPECT_TRUE(box.maxPoint().isEqualTo(AcGePoint3d(1, 5, 3)));
    box.expandBy(AcGeVector3d(2, -1, 0));
    EXPECT_TRUE(box.minPoint().isEqualTo(AcGePoint3d(-1, 1, 0)));
    EXPECT_TRUE(box.maxPoint().isEqualTo(AcGePoint3d(3, 5, 3)));
    EXPECT_EQ(Acad::eInvalidExtents, box.set(AcGePoint3d(0, 0, 1), AcGePoint3d(1, 1, 0)));
    EXPECT_TRUE(box.maxPoint().isEqualTo(AcGePoint3d(3, 5, 3))) << "a refused set changes nothing";

    // A quarter turn about z maps x in [0, 2], y in [0, 1] to x in [-1, 0], y in [0, 2].
    ASSERT_EQ(Acad::eOk, box.set(AcGePoint3d(0, 0, 0), AcGePoint3d(2, 1, 0)));
    box.transformBy(AcGeMatrix3d::rotation(M_PI / 2, AcGeVector3d::kZAxis));
    expectSamePoint(AcGePoint3d(-1, 0, 0), box.minPoint());
    expectSamePoint(AcGePoint3d(0, 2, 0), box.maxPoint());
}

// A drawable that sets its own traits, draws a circle, nests the given entity, then
// draws a circle again: the second circle must be drawn with its own traits again.
class Container : public AcGiDrawable {
public:
    explicit Container(AcDbEntity* nested) : m_nested(nested) {}

protected:
    Adesk::UInt32 subSetAttributes(AcGiDrawableTraits* traits) override
    {
        traits->setColor(5);
        traits->setLayer(m_layer);
        return kDrawableNone;
    }
    Adesk::Boolean subWorldDraw(AcGiWorldDraw* wd) override
    {
        wd->geometry().circle(AcGePoint3d::kOrigin, 1.0, AcGeVector3d::kZAxis);
        wd->geometry().draw(m_nested);
        wd->geometry().circle(AcGePoint3d::kOrigin, 2.0, AcGeVector3d::kZAxis);
        return Adesk::kTrue;
    }
    void subViewportDraw(AcGiViewportDraw*) override {}

public:
    AcDbObjectId m_layer;

private:
    AcDbEntity* m_nested;
};

class PrimitiveCollector : public HostFixture {};

TEST_F(PrimitiveCollector, RecordsAnEntityWithItsOwnTraits)
{
    LinePtr line = makeLine(AcGePoint3d(0, 0, 0), AcGePoint3d(3, 4, 0));
    line->setColorIndex(1);
    line->setLineWeight(AcDb::kLnWt050);
    vemhost::PrimitiveCollector collector;
    collector.draw(line.get());
    ASSERT_EQ(1u, collector.primitives().size());
    const vemhost::Primitive& p = collector.primitives()[0];
    EXPECT_EQ(vemhost::Primitive::kPolyline, p.kind);
    ASSERT_EQ(2u, p.points.size());
    EXPECT_TRUE(p.points[1].isEqualTo(AcGePoint3d(3, 4, 0)));
    EXPECT_EQ(1, p.color);
    EXPECT_EQ(AcDb::kLnWt050, p.lineWeight);

    line->setColorIndex(2);
    collector.draw(line.get());
    ASSERT_EQ(2u, collector.primitives().size());
    EXPECT_EQ(2, collector.primitives()[1].color) << "each draw starts from the entity's own traits";
    collector.clear();
    EXPECT_TRUE(collector.primitives().empty());

    line->setVisibility(AcDb::kInvisible);
    collector.draw(line.get());
    EXPECT_TRUE(collector.primitives().empty()) << "an invisible entity draws nothing";
}

TEST_F(PrimitiveCollector, NestedEntityTakesOpenPropertiesFromItsContainer)
{
    LinePtr byBlock = makeLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0));
    byBlock->setColorIndex(0);
    LinePtr own = makeLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0));
    own->setColorIndex(2);
    const AcDbObjectId containerLayer = db()->clayer();

    for (AcDbLine* nested : {byBlock.get(), own.get()}) {
        vemhost::PrimitiveCollector collector;
        Container container(nested);
        container.m_layer = containerLayer;
        // The container is drawn as the host draws any drawable nested in a draw.
        collector.worldDraw()->geometry().draw(&container);
        const std::vector<vemhost::Primitive>& drawn = collector.primitives();
        ASSERT_EQ(3u, drawn.size());
        EXPECT_EQ(vemhost::Primitive::kCircle, drawn[0].kind);
        EXPECT_EQ(vemhost::Primitive::kPolyline, drawn[1].kind);
        EXPECT_EQ(nested == own.get() ? 2 : 5, drawn[1].color);
        EXPECT_EQ(containerLayer, drawn[1].layerId) << "an entity outside the database has no layer of its own";
        EXPECT_EQ(5, drawn[2].color) << "the container's traits come back after the nested draw";
        EXPECT_EQ(containerLayer, drawn[2].layerId);
        EXPECT_EQ(2.0, drawn[2].radius);
    }
}

}  // namespace
