// Tests of the block reference as a placement of its block, a table of cases per
// behaviour: the block transform and its edits, drawing (nested references composed,
// circles under unequal scales), extents, explode, and object snaps into the block.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "block_test_support.h"
#include "editor_internals.h"

using namespace block_test;

namespace {

constexpr double kDeg = M_PI / 180.0;

class BlockReference : public HostFixture {
protected:
    // A square of four lines from (0,0) to (10,10) and a circle of radius 2 at (5,5),
    // with its base point at (5,0).
    AcDbObjectId squareBlock(const wchar_t* name = L"SQUARE")
    {
        return makeBlock(db(), name, AcGePoint3d(5, 0, 0),
                         {new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 0, 0)),
                          new AcDbLine(AcGePoint3d(10, 0, 0), AcGePoint3d(10, 10, 0)),
                          new AcDbLine(AcGePoint3d(10, 10, 0), AcGePoint3d(0, 10, 0)),
                          new AcDbLine(AcGePoint3d(0, 10, 0), AcGePoint3d(0, 0, 0)),
                          new AcDbCircle(AcGePoint3d(5, 5, 0), AcGeVector3d::kZAxis, 2)});
    }
};

// The transform a placement must give: translate(position) * rotate * scale * translate(-origin),
// for references in the world plane.
AcGeMatrix3d expectedTransform(const AcGePoint3d& at, const AcGeScale3d& s, double rotation, const AcGePoint3d& origin)
{
    return AcGeMatrix3d::translation(at.asVector()) * AcGeMatrix3d::rotation(rotation, AcGeVector3d::kZAxis) *
           AcGeMatrix3d(s) * AcGeMatrix3d::translation(-origin.asVector());
}

}  // namespace

TEST_F(BlockReference, BlockTransformIsPositionRotationScaleAboutTheOriginAndReadsBack)
{
    const AcDbObjectId block = squareBlock();
    struct Case {
        AcGePoint3d at;
        AcGeScale3d scale;
        double rotationDeg;
    };
    //  position               scales               rotation
    const Case cases[] = {
        {{0, 0, 0},      {1, 1, 1},     0},
        {{100, 50, 0},   {2, 2, 2},     90},
        {{-3, 7, 1},     {2, -0.5, 3},  30},
        {{1, 1, 0},      {-1, 1, 1},    180},
        {{1e6, -1e6, 0}, {0.001, 4, 1}, 359},
    };
    for (const Case& c : cases) {
        std::unique_ptr<AcDbBlockReference> ref(newReference(block, c.at, c.scale, c.rotationDeg * kDeg));
        const std::string where = "rotation " + std::to_string(c.rotationDeg);
        const AcGeMatrix3d m = ref->blockTransform();
        expectMatrixNear(expectedTransform(c.at, c.scale, c.rotationDeg * kDeg, AcGePoint3d(5, 0, 0)), m, where);
        expectNear(c.at, m * AcGePoint3d(5, 0, 0), where + ": the origin goes to the position");

        // The matrix read back gives the same placement (a negative Y scale shows as a
        // negative X scale turned half a turn, the same matrix).
        AcDbBlockReference other(AcGePoint3d(), block);
        ASSERT_EQ(Acad::eOk, other.setBlockTransform(m)) << where;
        expectMatrixNear(m, other.blockTransform(), where + " read back");
        expectNear(c.at, other.position(), where + " position read back");
    }
    AcDbBlockReference ref(AcGePoint3d(), block);
    AcGeMatrix3d shear;
    shear.entry[0][1] = 0.5;
    EXPECT_EQ(Acad::eCannotScaleNonUniformly, ref.setBlockTransform(shear));
    EXPECT_EQ(Acad::eCannotScaleNonUniformly, ref.setBlockTransform(AcGeMatrix3d::scaling(0.0)));
    // A normal off the world Z lays the block in that plane: its Z axis goes along it.
    ASSERT_EQ(Acad::eOk, ref.setNormal(AcGeVector3d(1, 0, 0)));
    const AcGeVector3d z = ref.blockTransform() * AcGeVector3d::kZAxis;
    expectNear(AcGePoint3d(1, 0, 0), AcGePoint3d::kOrigin + z, "normal");
}

TEST_F(BlockReference, TransformByComposesWhatKeepsTheAxesSquareAndRefusesShear)
{
    const AcDbObjectId block = squareBlock();
    struct Case {
        const char* name;
        AcGeScale3d scale;
        double rotationDeg;
        AcGeMatrix3d xform;
        Acad::ErrorStatus status;
        AcGeScale3d expectedScale;  // when the status is eOk
    };
    AcGeMatrix3d stretchX;  // twice as wide, three times as high, in the world
    stretchX.entry[0][0] = 2;
    stretchX.entry[1][1] = 3;
    const AcGeMatrix3d mirrorY = AcGeMatrix3d::mirroring(AcGePlane(AcGePoint3d(4, 0, 0), AcGeVector3d::kXAxis));
    const AcGeMatrix3d mirrorX = AcGeMatrix3d::mirroring(AcGePlane(AcGePoint3d(0, 4, 0), AcGeVector3d::kYAxis));
    const AcGeMatrix3d rotate = AcGeMatrix3d::rotation(90 * kDeg, AcGeVector3d::kZAxis, AcGePoint3d(1, 2, 0));
    //  case                 scales         rot  transform                               status                          scales after
    const Case cases[] = {
        {"move",             {1, -1, 1},    0,   AcGeMatrix3d::translation({5, 6, 7}),   Acad::eOk,                      {1, -1, 1}},
        {"rotate",           {1, 1, 1},     30,  rotate,                                 Acad::eOk,                      {1, 1, 1}},
        {"scale",            {1, 2, 1},     45,  AcGeMatrix3d::scaling(3, {1, 1, 0}),    Acad::eOk,                      {3, 6, 3}},
        {"mirror",           {1, 1, 1},     0,   mirrorY,                                Acad::eOk,                      {-1, 1, 1}},
        {"mirror twice",     {-1, 1, 1},    0,   mirrorY,                                Acad::eOk,                      {1, 1, 1}},
        {"mirror across X",  {1, 1, 1},     0,   mirrorX,                                Acad::eOk,                      {-1, 1, 1}},
        {"unequal, aligned", {1, 1, 1},     0,   stretchX,                               Acad::eOk,                      {2, 3, 1}},
        {"unequal, turned",  {1, 1, 1},     90,  stretchX,                               Acad::eOk,                      {3, 2, 1}},
        {"shear",            {1, 1, 1},     30,  stretchX,                               Acad::eCannotScaleNonUniformly, {}},
        {"flatten",          {1, 1, 1},     0,   AcGeMatrix3d::scaling(0),               Acad::eCannotScaleNonUniformly, {}},
    };
    for (const Case& c : cases) {
        std::unique_ptr<AcDbBlockReference> ref(newReference(block, AcGePoint3d(3, 4, 0), c.scale, c.rotationDeg * kDeg));
        const AcGeMatrix3d before = ref->blockTransform();
        EXPECT_EQ(c.status, ref->transformBy(c.xform)) << c.name;
        if (c.status != Acad::eOk) {
            expectMatrixNear(before, ref->blockTransform(), std::string(c.name) + ": unchanged");
            continue;
        }
        // Whatever the values, the block lands where the transform takes it.
        expectMatrixNear(c.xform * before, ref->blockTransform(), c.name);
        EXPECT_NEAR(c.expectedScale.sx, ref->scaleFactors().sx, 1e-12) << c.name;
        EXPECT_NEAR(c.expectedScale.sy, ref->scaleFactors().sy, 1e-12) << c.name;
        EXPECT_NEAR(c.expectedScale.sz, ref->scaleFactors().sz, 1e-12) << c.name;
        EXPECT_EQ(AcGeVector3d::kZAxis, ref->normal()) << c.name;
    }
}

TEST_F(BlockReference, TheOneGripAndStretchPointIsThePositionAndMovesTheReferenceWhole)
{
    const AcDbObjectId block = squareBlock();
    std::unique_ptr<AcDbBlockReference> ref(newReference(block, AcGePoint3d(3, 4, 0), AcGeScale3d(2, 3, 1), 0.5));
    AcGePoint3dArray grips, stretch;
    AcDbIntArray modes, geomIds, first, second;
    ASSERT_EQ(Acad::eOk, ref->getGripPoints(grips, modes, geomIds));
    ASSERT_EQ(Acad::eOk, ref->getStretchPoints(stretch));
    ASSERT_EQ(1, grips.length());
    ASSERT_EQ(1, stretch.length());
    EXPECT_EQ(AcGePoint3d(3, 4, 0), grips[0]);
    first.append(0);
    second.append(1);
    const AcGeMatrix3d before = ref->blockTransform();
    EXPECT_EQ(Acad::eOk, ref->moveGripPointsAt(first, AcGeVector3d(1, 1, 0)));
    EXPECT_EQ(Acad::eOk, ref->moveStretchPointsAt(first, AcGeVector3d(1, 0, 0)));
    EXPECT_EQ(Acad::eInvalidIndex, ref->moveStretchPointsAt(second, AcGeVector3d(9, 9, 9)));
    expectMatrixNear(AcGeMatrix3d::translation(AcGeVector3d(2, 1, 0)) * before, ref->blockTransform(), "moved");
}

TEST_F(BlockReference, NestedReferencesDrawUnderTheComposedTransform)
{
    const AcDbObjectId inner = makeBlock(db(), L"INNER", AcGePoint3d(1, 0, 0),
                                         {new AcDbLine(AcGePoint3d(1, 0, 0), AcGePoint3d(2, 1, 0))});
    AcDbBlockReference* innerRef = newReference(inner, AcGePoint3d(10, 0, 0), AcGeScale3d(2, 2, 2), 90 * kDeg);
    const AcGeMatrix3d innerPlacement = innerRef->blockTransform();
    const AcDbObjectId outer = makeBlock(db(), L"OUTER", AcGePoint3d(0, 0, 0), {innerRef});
    // Unequal scales outside a quarter turn inside: the composition keeps the axes square.
    std::unique_ptr<AcDbBlockReference> ref(newReference(outer, AcGePoint3d(100, 100, 0), AcGeScale3d(3, 0.5, 1), 0));
    const AcGeMatrix3d composed = ref->blockTransform() * innerPlacement;
    const std::vector<AcGePoint3d> points = drawnPoints(ref.get());
    ASSERT_EQ(2u, points.size());
    expectNear(composed * AcGePoint3d(1, 0, 0), points[0], "start");
    expectNear(composed * AcGePoint3d(2, 1, 0), points[1], "end");
    expectNear(AcGePoint3d(100 + 3 * 10, 100, 0), points[0], "start by hand");

    // The nested reference explodes into one placed by the composition.
    AcDbVoidPtrArray pieces;
    ASSERT_EQ(Acad::eOk, ref->explode(pieces));
    ASSERT_EQ(1, pieces.length());
    EntityPtr piece(static_cast<AcDbEntity*>(pieces[0]));
    const AcDbBlockReference* placed = AcDbBlockReference::cast(piece.get());
    ASSERT_NE(nullptr, placed);
    expectMatrixNear(composed, placed->blockTransform(), "exploded nested reference");
}

TEST_F(BlockReference, EntitiesOnLayerZeroOrColouredByBlockTakeTheReferences)
{
    AcDbLayerTable* layers = nullptr;
    ASSERT_EQ(Acad::eOk, db()->getLayerTable(layers, AcDb::kForWrite));
    AcDbObjectId red, blue;
    for (auto [name, id] : {std::make_pair(L"Red", &red), std::make_pair(L"Blue", &blue)}) {
        AcDbLayerTableRecord* layer = new AcDbLayerTableRecord();
        layer->setName(name);
        ASSERT_EQ(Acad::eOk, layers->add(*id, layer));
        layer->close();
    }
    layers->close();
    AcDbLine* onZero = new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0));
    AcDbLine* onBlue = new AcDbLine(AcGePoint3d(0, 1, 0), AcGePoint3d(1, 1, 0));
    onBlue->setLayer(blue);
    onBlue->setColorIndex(0);
    const AcDbObjectId block = makeBlock(db(), L"MIXED", AcGePoint3d(), {onZero, onBlue});
    AcDbBlockReference ref(AcGePoint3d(), block);
    ref.setLayer(red);
    ref.setColorIndex(5);
    std::vector<vemhost::Primitive> drawn;
    drawnPoints(&ref, &drawn);
    ASSERT_EQ(2u, drawn.size());
    EXPECT_EQ(red, drawn[0].layerId);
    EXPECT_EQ(256, drawn[0].color);
    EXPECT_EQ(blue, drawn[1].layerId);
    EXPECT_EQ(5, drawn[1].color);
}

TEST_F(BlockReference, ACircleStaysRoundUnderEqualScalesAndBecomesChordsOfItsEllipseOtherwise)
{
    const AcDbObjectId block = squareBlock();
    struct Case {
        AcGeScale3d scale;
        double rotationDeg;
        bool round;
    };
    const Case cases[] = {{{2, 2, 2}, 30, true}, {{-2, 2, 2}, 0, true}, {{3, 1, 1}, 45, false}};
    for (const Case& c : cases) {
        std::unique_ptr<AcDbBlockReference> ref(newReference(block, AcGePoint3d(20, 0, 0), c.scale, c.rotationDeg * kDeg));
        const AcGeMatrix3d m = ref->blockTransform();
        std::vector<vemhost::Primitive> drawn;
        drawnPoints(ref.get(), &drawn);
        ASSERT_EQ(5u, drawn.size());
        const vemhost::Primitive& circle = drawn.back();
        if (c.round) {
            ASSERT_EQ(vemhost::Primitive::kCircle, circle.kind);
            expectNear(m * AcGePoint3d(5, 5, 0), circle.points[0], "centre");
            EXPECT_NEAR(4.0, circle.radius, 1e-9);
            continue;
        }
        ASSERT_EQ(vemhost::Primitive::kPolyline, circle.kind);
        ASSERT_GE(circle.points.size(), 9u);
        expectNear(circle.points.front(), circle.points.back(), "closed");
        // Every chord end lies on the ellipse: taken back into the block, on the circle.
        const AcGeMatrix3d back = m.inverse();
        for (const AcGePoint3d& p : circle.points)
            EXPECT_NEAR(2.0, (back * p).distanceTo(AcGePoint3d(5, 5, 0)), 1e-9);
    }
}

TEST_F(BlockReference, ExtentsAreTheBlocksBoxTransformedAndTheBestFitIsTight)
{
    const AcDbObjectId block = squareBlock();
    std::unique_ptr<AcDbBlockReference> ref(newReference(block, AcGePoint3d(0, 0, 0), AcGeScale3d(1, 1, 1), 45 * kDeg));
    AcDbExtents box, tight;
    ASSERT_EQ(Acad::eOk, ref->getGeomExtents(box));
    ASSERT_EQ(Acad::eOk, ref->geomExtentsBestFit(tight));
    const AcGeMatrix3d m = ref->blockTransform();
    // The square's corners, turned: the tight box holds exactly them.
    double minX = HUGE_VAL, maxX = -HUGE_VAL;
    for (const AcGePoint3d& corner : {AcGePoint3d(0, 0, 0), AcGePoint3d(10, 0, 0), AcGePoint3d(10, 10, 0), AcGePoint3d(0, 10, 0)}) {
        minX = std::min(minX, (m * corner).x);
        maxX = std::max(maxX, (m * corner).x);
    }
    EXPECT_NEAR(minX, tight.minPoint().x, 1e-9);
    EXPECT_NEAR(maxX, tight.maxPoint().x, 1e-9);
    // A lone circle turned: its box turned is wider than the circle by a factor of sqrt 2.
    const AcDbObjectId ring = makeBlock(db(), L"RING", AcGePoint3d(), {new AcDbCircle(AcGePoint3d(5, 5, 0), AcGeVector3d::kZAxis, 2)});
    std::unique_ptr<AcDbBlockReference> turned(newReference(ring, AcGePoint3d(0, 0, 0), AcGeScale3d(1, 1, 1), 45 * kDeg));
    ASSERT_EQ(Acad::eOk, turned->getGeomExtents(box));
    ASSERT_EQ(Acad::eOk, turned->geomExtentsBestFit(tight));
    EXPECT_NEAR(4.0, tight.maxPoint().x - tight.minPoint().x, 1e-9);
    EXPECT_NEAR(4.0 * std::sqrt(2.0), box.maxPoint().x - box.minPoint().x, 1e-9);

    // An empty block, or no block, has no extents.
    const AcDbObjectId empty = makeBlock(db(), L"EMPTY", AcGePoint3d(), {});
    AcDbBlockReference none(AcGePoint3d(1, 1, 0), empty), noBlock;
    EXPECT_EQ(Acad::eInvalidExtents, none.getGeomExtents(box));
    EXPECT_EQ(Acad::eInvalidExtents, noBlock.getGeomExtents(box));
}

TEST_F(BlockReference, ExplodeGivesPlacedCopiesOrNothingWhenOneCannotTakeThePlacement)
{
    const AcDbObjectId block = squareBlock();
    struct Case {
        AcGeScale3d scale;
        Acad::ErrorStatus status;
        int pieces;
    };
    const Case cases[] = {{{2, 2, 2}, Acad::eOk, 5}, {{-1, 1, 1}, Acad::eOk, 5},
                          {{2, 1, 1}, Acad::eCannotScaleNonUniformly, 0}};
    for (const Case& c : cases) {
        std::unique_ptr<AcDbBlockReference> ref(newReference(block, AcGePoint3d(7, 8, 0), c.scale, 60 * kDeg));
        AcDbVoidPtrArray pieces;
        EXPECT_EQ(c.status, ref->explode(pieces));
        ASSERT_EQ(c.pieces, pieces.length());
        const AcGeMatrix3d m = ref->blockTransform();
        for (void* p : pieces) {
            EntityPtr piece(static_cast<AcDbEntity*>(p));
            EXPECT_FALSE(piece->isDatabaseResident());
            if (const AcDbLine* line = AcDbLine::cast(piece.get())) {
                EXPECT_NEAR(10.0 * std::fabs(c.scale.sx), line->startPoint().distanceTo(line->endPoint()), 1e-9);
            }
            if (const AcDbCircle* circle = AcDbCircle::cast(piece.get())) {
                expectNear(m * AcGePoint3d(5, 5, 0), circle->center(), "circle centre");
            }
        }
    }
    // A block that may not be exploded.
    AcDbBlockTableRecord* record = nullptr;
    ASSERT_EQ(Acad::eOk, acdbOpenObject(record, block, AcDb::kForWrite));
    record->setExplodable(false);
    record->close();
    AcDbBlockReference ref(AcGePoint3d(), block);
    AcDbVoidPtrArray pieces;
    EXPECT_EQ(Acad::eNotApplicable, ref.explode(pieces));
    EXPECT_TRUE(pieces.isEmpty());
}

TEST_F(BlockReference, SnapsOfferThePositionAndTheBlocksPointsPlaced)
{
    const AcDbObjectId block = squareBlock();
    struct Case {
        AcDb::OsnapMode mode;
        AcGeScale3d scale;
        AcGePoint3d inBlock;  // a point expected among the snaps, in the block
        int count;            // how many points the mode gives
    };
    const AcGePoint3d kNone(-999, -999, -999);
    //  mode                 scales        a point in the block    count
    const Case cases[] = {
        {AcDb::kOsModeIns,   {2, 2, 2},    AcGePoint3d(5, 0, 0),   1},
        {AcDb::kOsModeEnd,   {2, 2, 2},    AcGePoint3d(10, 10, 0), 8},
        {AcDb::kOsModeMid,   {3, 1, 1},    AcGePoint3d(10, 5, 0),  4},
        {AcDb::kOsModeCen,   {3, 1, 1},    AcGePoint3d(5, 5, 0),   1},
        {AcDb::kOsModeQuad,  {2, 2, 2},    AcGePoint3d(7, 5, 0),   4},
        {AcDb::kOsModePerp,  {3, 1, 1},    kNone,                  0},
        {AcDb::kOsModeTan,   {3, 1, 1},    kNone,                  0},
    };
    for (const Case& c : cases) {
        std::unique_ptr<AcDbBlockReference> ref(newReference(block, AcGePoint3d(50, 50, 0), c.scale, 30 * kDeg));
        const AcGeMatrix3d m = ref->blockTransform();
        AcGePoint3dArray points;
        AcDbIntArray geomIds;
        ASSERT_EQ(Acad::eOk, ref->getOsnapPoints(c.mode, 0, m * AcGePoint3d(11, 5, 0), AcGePoint3d(200, 0, 0),
                                                 AcGeMatrix3d::kIdentity, points, geomIds));
        EXPECT_EQ(c.count, points.length()) << "mode " << c.mode;
        if (c.count == 0)
            continue;
        bool found = false;
        for (const AcGePoint3d& p : points)
            found = found || p.isEqualTo(m * c.inBlock, AcGeTol());
        EXPECT_TRUE(found) << "mode " << c.mode;
    }
}

TEST_F(BlockReference, IntersectionsAndEndsOfTheBlocksLinesSnapThroughTheEditor)
{
    const AcDbObjectId block = squareBlock();
    ASSERT_EQ(Acad::eOk, appendTo(db(), AcDbObjectId(), newReference(block, AcGePoint3d(50, 50, 0), AcGeScale3d(3, 1, 1), 0)));
    // The square's corner (10,10) lies at (50 + 3 * 5, 60) in the world.
    AcGePoint3d snapped;
    unsigned mode = 0;
    ASSERT_TRUE(acrt::snapPoint(db(), acrt::kSnapInt, AcGePoint3d(65.05, 59.95, 0), AcGePoint3d(), snapped, &mode));
    expectNear(AcGePoint3d(65, 60, 0), snapped, "intersection");
    EXPECT_EQ(unsigned(acrt::kSnapInt), mode);
    ASSERT_TRUE(acrt::snapPoint(db(), acrt::kSnapEnd | acrt::kSnapIns, AcGePoint3d(50.05, 50.05, 0), AcGePoint3d(),
                                snapped, &mode));
    expectNear(AcGePoint3d(50, 50, 0), snapped, "insertion point");
}
