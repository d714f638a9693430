// Tests of the point: filing and damaged records, the figures of the drawing's point
// modes and sizes (in a view and without one), transforms, snaps, grips and LIST.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "dbents.h"
#include "dbsymtb.h"
#include "host_fixture.h"
#include "point_display.h"
#include "scaled_drawing.h"
#include "vemhost_testing.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes filed(const AcDbEntity& ent, AcDbDatabase* db)
{
    vemhost::MemoryFiler filer(db);
    EXPECT_EQ(Acad::eOk, ent.dwgOutFields(&filer));
    return filer.bytes();
}

Bytes pointRecord(AcDbDatabase* db, double thickness, const AcGeVector3d& normal, double rotation)
{
    AcDbPoint base;
    vemhost::MemoryFiler filer(db);
    EXPECT_EQ(Acad::eOk, base.AcDbEntity::dwgOutFields(&filer));
    filer.writePoint3d(AcGePoint3d(1, 2, 3));
    filer.writeDouble(thickness);
    filer.writeVector3d(normal);
    filer.writeDouble(rotation);
    return filer.bytes();
}

AcDbObjectId appendToModelSpace(AcDbDatabase* db, AcDbEntity* ent)
{
    AcDbBlockTable* table = nullptr;
    EXPECT_EQ(Acad::eOk, db->getBlockTable(table, AcDb::kForRead));
    AcDbBlockTableRecord* space = nullptr;
    EXPECT_EQ(Acad::eOk, table->getAt(ACDB_MODEL_SPACE, space, AcDb::kForWrite));
    table->close();
    AcDbObjectId id;
    EXPECT_EQ(Acad::eOk, space->appendAcDbEntity(id, ent));
    space->close();
    ent->close();
    return id;
}

// What a scaled drawer hands on: primitives, with the box they reach, and marks.
class Recorder : public vemhost::ScaledSink {
public:
    void primitive(const vemhost::Primitive& p) override
    {
        ++primitives;
        if (p.kind == vemhost::Primitive::kCircle)
            ++circles;
        for (const AcGePoint3d& pt : p.points) {
            const double r = p.kind == vemhost::Primitive::kCircle ? p.radius : 0.0;
            reach = std::fmax(reach, std::fmax(std::fabs(pt.x - 10.0), std::fabs(pt.y - 20.0)) + r);
        }
    }
    void mark(const vemhost::Mark&) override { ++marks; }

    int primitives = 0, circles = 0, marks = 0;
    double reach = 0.0;  // how far from the point (10, 20) anything drawn reaches
};

class Points : public HostFixture {};

}  // namespace

TEST_F(Points, FilingRoundTripsAndDamagedValuesAreRefused)
{
    AcDbPoint original(AcGePoint3d(1.5, -2, 3));
    original.setThickness(2.0);
    original.setNormal(AcGeVector3d(0, 3, 4));
    original.setEcsRotation(0.5);
    const Bytes whole = filed(original, db());
    AcDbPoint read;
    vemhost::MemoryFiler filer(whole, db());
    ASSERT_EQ(Acad::eOk, read.dwgInFields(&filer));
    EXPECT_EQ(whole, filed(read, db())) << "written back byte for byte";
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        vemhost::MemoryFiler truncated(Bytes(whole.begin(), whole.begin() + long(cut)), db());
        AcDbPoint target(AcGePoint3d(7, 7, 7));
        EXPECT_NE(Acad::eOk, target.dwgInFields(&truncated)) << "cut at " << cut;
        EXPECT_EQ(AcGePoint3d(7, 7, 7), target.position()) << "cut at " << cut;
    }
    const struct {
        const char* name;
        Bytes record;
    } damaged[] = {
        {"thickness", pointRecord(db(), NAN, AcGeVector3d::kZAxis, 0.0)},
        {"normal", pointRecord(db(), 0.0, AcGeVector3d(0, 0, 0), 0.0)},
        {"rotation", pointRecord(db(), 0.0, AcGeVector3d::kZAxis, INFINITY)},
    };
    for (const auto& d : damaged) {
        vemhost::MemoryFiler in(d.record, db());
        AcDbPoint target;
        EXPECT_EQ(Acad::eFilerError, target.dwgInFields(&in)) << d.name;
        EXPECT_EQ(AcGePoint3d::kOrigin, target.position()) << d.name << " leaves the point alone";
    }
}

TEST_F(Points, TheDrawingsModeAndSizeChooseTheFigure)
{
    EXPECT_EQ(Acad::eInvalidInput, db()->setPdmode(5));
    EXPECT_EQ(Acad::eInvalidInput, db()->setPdmode(128));
    EXPECT_EQ(Acad::eInvalidInput, db()->setPdsize(NAN));
    const AcDbObjectId id = appendToModelSpace(db(), new AcDbPoint(AcGePoint3d(10, 20, 0)));
    const struct {
        const char* name;
        int mode;
        double size;
        double viewHeight;  // 0: no view
        int primitives, circles, marks;
        double reach;
    } cases[] = {
        {"dot, a mark in a view", 0, 0.0, 100.0, 0, 0, 1, 0.0},
        {"nothing", 1, 4.0, 100.0, 0, 0, 0, 0.0},
        {"plus, absolute size", 2, 4.0, 100.0, 2, 0, 0, 2.0},
        {"cross, five per cent of the view", 3, 0.0, 100.0, 2, 0, 0, 2.5},
        {"tick, ten per cent", 4, -10.0, 100.0, 1, 0, 0, 5.0},
        {"nothing in a circle", 33, 4.0, 100.0, 1, 1, 0, 2.0},
        {"plus in a square", 66, 4.0, 100.0, 3, 0, 0, 2.0},
        {"cross in both", 99, 4.0, 100.0, 4, 1, 0, 2.0},
        {"a share of no view shrinks to the point", 98, 0.0, 0.0, 2, 0, 0, 0.0},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(Acad::eOk, db()->setPdmode(Adesk::Int16(c.mode))) << c.name;
        ASSERT_EQ(Acad::eOk, db()->setPdsize(c.size)) << c.name;
        vemhost::ScaledDrawer drawer(c.viewHeight > 0 ? c.viewHeight / 1000.0 : 0.0);
        drawer.setViewHeight(c.viewHeight);
        Recorder recorder;
        AcDbEntity* ent = nullptr;
        ASSERT_EQ(Acad::eOk, acdbOpenAcDbEntity(ent, id, AcDb::kForRead));
        vemhost::EntityBox box{id, AcGePoint3d(10, 20, 0), AcGePoint3d(10, 20, 0)};
        drawer.draw(ent, box, recorder);
        ent->close();
        EXPECT_EQ(c.primitives, recorder.primitives) << c.name;
        EXPECT_EQ(c.circles, recorder.circles) << c.name;
        EXPECT_EQ(c.marks, recorder.marks) << c.name;
        EXPECT_NEAR(c.reach, recorder.reach, 1e-9) << c.name;
    }
    EXPECT_EQ(12.5, acrt::pointFigureSize(-12.5, 100.0));
    EXPECT_EQ(3.0, acrt::pointFigureSize(3.0, 0.0));
}

TEST_F(Points, TransformsCarryPositionPlaneAndFigureRotation)
{
    const struct {
        const char* name;
        AcGeMatrix3d xform;
        AcGePoint3d position;
        AcGeVector3d normal;
        double rotationDeg;
        double thickness;
    } cases[] = {
        {"move", AcGeMatrix3d::translation(AcGeVector3d(1, 2, 3)), AcGePoint3d(2, 2, 3), AcGeVector3d::kZAxis, 30.0,
         1.0},
        {"rotate a quarter", AcGeMatrix3d::rotation(M_PI / 2, AcGeVector3d::kZAxis, AcGePoint3d::kOrigin),
         AcGePoint3d(0, 1, 0), AcGeVector3d::kZAxis, 120.0, 1.0},
        {"scale", AcGeMatrix3d::scaling(2.0, AcGePoint3d::kOrigin), AcGePoint3d(2, 0, 0), AcGeVector3d::kZAxis, 30.0,
         2.0},
        {"mirror in the Y axis", AcGeMatrix3d::mirroring(AcGePlane(AcGePoint3d::kOrigin, AcGeVector3d::kXAxis)),
         AcGePoint3d(-1, 0, 0), AcGeVector3d::kZAxis, 150.0, 1.0},
    };
    for (const auto& c : cases) {
        AcDbPoint point(AcGePoint3d(1, 0, 0));
        point.setEcsRotation(M_PI / 6);
        point.setThickness(1.0);
        ASSERT_EQ(Acad::eOk, point.transformBy(c.xform)) << c.name;
        EXPECT_TRUE(point.position().isEqualTo(c.position)) << c.name;
        EXPECT_TRUE(point.normal().isEqualTo(c.normal)) << c.name;
        EXPECT_NEAR(c.rotationDeg, point.ecsRotation() * 180.0 / M_PI, 1e-9) << c.name;
        EXPECT_NEAR(c.thickness, point.thickness(), 1e-12) << c.name;
    }
}

TEST_F(Points, SnapsGripsStretchAndListGiveThePosition)
{
    AcDbPoint point(AcGePoint3d(3, 4, 0));
    AcGePoint3dArray snaps;
    AcDbIntArray ids;
    for (AcDb::OsnapMode mode : {AcDb::kOsModeEnd, AcDb::kOsModeCen, AcDb::kOsModeNear, AcDb::kOsModeNode})
        EXPECT_EQ(Acad::eOk, point.getOsnapPoints(mode, 0, AcGePoint3d(3.1, 4, 0), AcGePoint3d(0, 0, 0),
                                                   AcGeMatrix3d::kIdentity, snaps, ids));
    ASSERT_EQ(1, snaps.length()) << "a node, and nothing else";
    EXPECT_EQ(AcGePoint3d(3, 4, 0), snaps[0]);

    AcGePoint3dArray grips;
    AcDbIntArray modes;
    EXPECT_EQ(Acad::eOk, point.getGripPoints(grips, modes, ids));
    ASSERT_EQ(1, grips.length());
    AcDbIntArray first;
    first.append(0);
    EXPECT_EQ(Acad::eOk, point.moveGripPointsAt(first, AcGeVector3d(1, 1, 0)));
    EXPECT_EQ(Acad::eOk, point.moveStretchPointsAt(first, AcGeVector3d(1, 0, 0)));
    EXPECT_EQ(AcGePoint3d(5, 5, 0), point.position());
    AcDbIntArray beyond;
    beyond.append(1);
    EXPECT_EQ(Acad::eInvalidIndex, point.moveGripPointsAt(beyond, AcGeVector3d(1, 1, 0)));
    EXPECT_EQ(AcGePoint3d(5, 5, 0), point.position());

    AcDbVoidPtrArray pieces;
    EXPECT_EQ(Acad::eNotApplicable, point.explode(pieces));
    AcDbExtents extents;
    EXPECT_EQ(Acad::eOk, point.getGeomExtents(extents));
    EXPECT_EQ(extents.minPoint(), extents.maxPoint());

    vemhost::startCapture();
    point.list();
    const std::string listed = vemhost::takeCaptured();
    vemhost::stopCapture();
    EXPECT_NE(std::string::npos, listed.find("POINT")) << listed;
    EXPECT_NE(std::string::npos, listed.find("at point, X=5.0000  Y=5.0000  Z=0.0000")) << listed;
}
