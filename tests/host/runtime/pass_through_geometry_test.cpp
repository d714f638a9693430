// What pass-through entities draw from their groups, type by type, with exact extents
// where they can be worked out by hand; and groups that lie (missing codes, counts
// beyond the groups, values that are not numbers) drawing less, never crashing.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "pass_through_test_support.h"

using namespace pass_through_test;

namespace {

class PassThroughGeometry : public HostFixture {};

const AcGePoint3d kO(0, 0, 0);

acrt::DxfGroups lineArcHatch(const char* solidFill = "1")
{
    return groupsOf({{100, "AcDbEntity"}, {8, "0"}, {100, "AcDbHatch"}, {10, "0"}, {20, "0"}, {30, "0"},
                     {210, "0"}, {220, "0"}, {230, "1"}, {2, "SOLID"}, {70, solidFill}, {71, "0"}, {91, "1"},
                     {92, "1"}, {93, "4"},
                     {72, "1"}, {10, "0"}, {20, "0"}, {11, "10"}, {21, "0"},
                     {72, "2"}, {10, "10"}, {20, "5"}, {40, "5"}, {50, "270"}, {51, "90"}, {73, "1"},
                     {72, "1"}, {10, "10"}, {20, "10"}, {11, "0"}, {21, "10"},
                     {72, "1"}, {10, "0"}, {20, "10"}, {11, "0"}, {21, "0"},
                     {97, "0"}, {75, "0"}, {76, "1"}, {98, "1"}, {10, "100"}, {20, "100"}});
}

acrt::DxfGroups bulgeCircleHatch(const char* elevation)
{
    return groupsOf({{100, "AcDbHatch"}, {10, "0"}, {20, "0"}, {30, elevation}, {210, "0"}, {220, "0"},
                     {230, "1"}, {2, "ANSI31"}, {70, "0"}, {71, "0"}, {91, "1"},
                     {92, "2"}, {72, "1"}, {73, "1"}, {93, "2"},
                     {10, "0"}, {20, "0"}, {42, "1"}, {10, "4"}, {20, "0"}, {42, "1"}, {97, "0"},
                     {75, "0"}, {76, "1"}, {52, "45"}, {41, "2"}, {77, "0"}, {78, "1"},
                     {53, "45"}, {43, "0"}, {44, "0"}, {45, "-2"}, {46, "2"}, {79, "0"}, {98, "0"}});
}

acrt::DxfGroups polyfaceGroups()
{
    return groupsOf({{100, "AcDb3dPolyline"}, {66, "1"}, {10, "0"}, {20, "0"}, {30, "0"}, {70, "64"},
                     {71, "4"}, {72, "1"},
                     {0, "VERTEX"}, {10, "0"}, {20, "0"}, {30, "0"}, {70, "192"},
                     {0, "VERTEX"}, {10, "10"}, {20, "0"}, {30, "0"}, {70, "192"},
                     {0, "VERTEX"}, {10, "10"}, {20, "10"}, {30, "0"}, {70, "192"},
                     {0, "VERTEX"}, {10, "0"}, {20, "10"}, {30, "5"}, {70, "192"},
                     {0, "VERTEX"}, {10, "0"}, {20, "0"}, {30, "0"}, {70, "128"},
                     {71, "1"}, {72, "2"}, {73, "3"}, {74, "-4"},
                     {0, "SEQEND"}, {8, "0"}});
}

// A solid-filled hatch of square polyline paths (corner, side), each counter-clockwise,
// in the hatch style given.
acrt::DxfGroups squaresHatch(std::initializer_list<std::pair<double, double>> squares, const char* style)
{
    acrt::DxfGroups groups = groupsOf({{10, "0"}, {20, "0"}, {30, "0"}, {2, "SOLID"}, {70, "1"}, {71, "0"}});
    groups.push_back({91, std::to_string(squares.size())});
    for (const auto& [at, side] : squares) {
        const double xs[] = {at, at + side, at + side, at}, ys[] = {at, at, at + side, at + side};
        for (const auto& g : groupsOf({{92, "3"}, {72, "0"}, {73, "1"}, {93, "4"}}))
            groups.push_back(g);
        for (int i = 0; i < 4; ++i) {
            groups.push_back({10, std::to_string(xs[i])});
            groups.push_back({20, std::to_string(ys[i])});
        }
        groups.push_back({97, "0"});
    }
    groups.push_back({75, style});
    groups.push_back({76, "1"});
    return groups;
}

// The polygons an entity draws.
std::vector<std::vector<AcGePoint3d>> polygonsOf(AcDbEntity* ent)
{
    std::vector<vemhost::Primitive> primitives;
    drawnPoints(ent, &primitives);
    std::vector<std::vector<AcGePoint3d>> polygons;
    for (const vemhost::Primitive& p : primitives)
        if (p.kind == vemhost::Primitive::kPolygon)
            polygons.push_back(p.points);
    return polygons;
}

// How many times the polygon winds round the point (counter-clockwise positive): zero
// is outside by the non-zero rule; an even number, outside by the even-odd rule.
int windingAt(const std::vector<AcGePoint3d>& polygon, double x, double y)
{
    int winding = 0;
    for (size_t i = 0; i < polygon.size(); ++i) {
        const AcGePoint3d& a = polygon[i];
        const AcGePoint3d& b = polygon[(i + 1) % polygon.size()];
        const double side = (b.x - a.x) * (y - a.y) - (x - a.x) * (b.y - a.y);
        if (a.y <= y && b.y > y && side > 0)
            ++winding;
        else if (a.y > y && b.y <= y && side < 0)
            --winding;
    }
    return winding;
}

}  // namespace

TEST_F(PassThroughGeometry, SolidsSolidHatchesAndLeaderArrowsAreFilled)
{
    // A solid: one filled polygon of its corners and no outline; a 3D face stays an outline.
    auto solid = entityOf("SOLID", groupsOf({{10, "0"}, {20, "0"}, {11, "10"}, {21, "0"}, {12, "0"}, {22, "5"},
                                             {13, "10"}, {23, "5"}}));
    auto polygons = polygonsOf(solid.get());
    ASSERT_EQ(polygons.size(), 1u);
    EXPECT_EQ(polylineCount(solid.get()), 0u);
    EXPECT_EQ(windingAt(polygons[0], 5, 2.5), 1);
    EXPECT_EQ(windingAt(polygons[0], 11, 2.5), 0);
    auto face = entityOf("3DFACE", groupsOf({{10, "0"}, {20, "0"}, {30, "0"}, {11, "4"}, {21, "0"}, {31, "0"},
                                             {12, "4"}, {22, "4"}, {32, "0"}}));
    EXPECT_TRUE(polygonsOf(face.get()).empty());

    // A square with a hole holding an island: one polygon, the hole empty by either rule.
    // The outer style leaves the island out; the ignoring style fills the outer loop whole.
    struct Style {
        const char* code;
        int outer, hole, island;
    };
    for (const Style& style : {Style{"0", 1, 0, 1}, Style{"1", 1, 0, 0}, Style{"2", 1, 1, 1}}) {
        auto nested = entityOf("HATCH", squaresHatch({{4, 2}, {0, 10}, {2, 6}}, style.code));
        polygons = polygonsOf(nested.get());
        ASSERT_EQ(polygons.size(), 1u) << style.code;
        EXPECT_EQ(polylineCount(nested.get()), 0u) << style.code;
        EXPECT_EQ(windingAt(polygons[0], 1, 1), style.outer) << style.code;
        EXPECT_EQ(windingAt(polygons[0], 3, 3), style.hole) << style.code;
        EXPECT_EQ(windingAt(polygons[0], 5, 5), style.island) << style.code;
        EXPECT_EQ(windingAt(polygons[0], 11, 5), 0) << style.code;
    }

    // Edges chained into one loop, the arc bulging out to x = 15 flattened into it.
    auto edges = entityOf("HATCH", lineArcHatch());
    polygons = polygonsOf(edges.get());
    ASSERT_EQ(polygons.size(), 1u);
    EXPECT_EQ(std::abs(windingAt(polygons[0], 14, 5)), 1);
    EXPECT_EQ(std::abs(windingAt(polygons[0], 5, 5)), 1);
    EXPECT_EQ(windingAt(polygons[0], 14, 0.5), 0);
    expectBox(extentsOf(*edges), kO, AcGePoint3d(15, 10, 0), "filled hatch");
    auto pattern = entityOf("HATCH", bulgeCircleHatch("0"));
    EXPECT_TRUE(polygonsOf(pattern.get()).empty());

    // A leader's arrowhead: DIMASZ times DIMSCALE long, from its style in the drawing,
    // its own XDATA overriding; none when turned off.
    auto style = new DxfPassThroughObject(acrt::DxfPlace::kTableRecord, "DIMSTYLE",
                                          groupsOf({{2, "Big"}, {40, "3"}, {41, "1"}}));
    AcDbObjectId styleId;
    ASSERT_EQ(db()->addAcDbObject(styleId, style), Acad::eOk);
    style->close();
    struct Leader {
        acrt::DxfGroups extra;
        double length;
    };
    const Leader leaders[] = {
        {groupsOf({{3, "Standard"}}), 2.5},
        {groupsOf({{3, "BIG"}}), 3},
        {groupsOf({{3, "Big"}, {1001, "ACAD"}, {1000, "DSTYLE"}, {1002, "{"}, {1070, "41"}, {1040, "2"},
                   {1002, "}"}}), 6},
        {groupsOf({{3, "Big"}, {71, "0"}}), 0},
    };
    for (const Leader& l : leaders) {
        acrt::DxfGroups groups = groupsOf({{10, "0"}, {20, "0"}, {30, "0"}, {10, "10"}, {20, "0"}, {30, "0"}});
        groups.insert(groups.end(), l.extra.begin(), l.extra.end());
        AcDbObjectId id;
        ASSERT_EQ(appendTo(db(), AcDbObjectId(), new DxfPassThroughEntity("LEADER", groups), &id), Acad::eOk);
        AcDbEntity* leader = nullptr;
        ASSERT_EQ(acdbOpenAcDbEntity(leader, id, AcDb::kForRead), Acad::eOk);
        polygons = polygonsOf(leader);
        leader->close();
        if (l.length == 0) {
            EXPECT_TRUE(polygons.empty());
            continue;
        }
        ASSERT_EQ(polygons.size(), 1u) << l.length;
        ASSERT_EQ(polygons[0].size(), 3u);
        block_test::expectNear(kO, polygons[0][0], "arrow tip");
        const double halfWidth = l.length * std::sin(18.924644 / 2 * M_PI / 180);
        block_test::expectNear(AcGePoint3d(l.length, halfWidth, 0), polygons[0][1], "arrow corner", 1e-9);
        block_test::expectNear(AcGePoint3d(l.length, -halfWidth, 0), polygons[0][2], "arrow corner", 1e-9);
    }
}

TEST_F(PassThroughGeometry, SolidsTracesAndFacesDrawTheirCornersInDxfOrder)
{
    auto solid = entityOf("SOLID", groupsOf({{10, "0"}, {20, "0"}, {30, "1"}, {11, "10"}, {21, "0"}, {31, "1"},
                                             {12, "0"}, {22, "5"}, {32, "1"}, {13, "10"}, {23, "5"}, {33, "1"}}));
    const std::vector<AcGePoint3d> outline = drawnPoints(solid.get());
    ASSERT_EQ(outline.size(), 5u);
    block_test::expectNear(AcGePoint3d(10, 5, 1), outline[2], "third drawn corner is the fourth");
    expectBox(extentsOf(*solid), AcGePoint3d(0, 0, 1), AcGePoint3d(10, 5, 1), "solid");

    // Three corners: the fourth is the third; seen from below (normal -Z) x runs the other way.
    auto trace = entityOf("TRACE", groupsOf({{10, "0"}, {20, "0"}, {11, "10"}, {21, "0"}, {12, "0"}, {22, "5"},
                                             {210, "0"}, {220, "0"}, {230, "-1"}}));
    EXPECT_EQ(drawnPoints(trace.get()).size(), 5u);
    expectBox(extentsOf(*trace), AcGePoint3d(-10, 0, 0), AcGePoint3d(0, 5, 0), "trace below");

    // Edges 1 and 3 invisible: two edges drawn.
    auto face = entityOf("3DFACE", groupsOf({{10, "0"}, {20, "0"}, {30, "0"}, {11, "4"}, {21, "0"}, {31, "0"},
                                             {12, "4"}, {22, "4"}, {32, "2"}, {13, "0"}, {23, "4"}, {33, "2"},
                                             {70, "5"}}));
    EXPECT_EQ(polylineCount(face.get()), 2u);
    expectBox(extentsOf(*face), kO, AcGePoint3d(4, 4, 2), "face");
}

TEST_F(PassThroughGeometry, OldStylePolylinesOfEveryKind)
{
    // 2D with a bulge of 1 (a half circle below the chord) at elevation 2.
    auto flat = entityOf("POLYLINE", groupsOf({{66, "1"}, {10, "0"}, {20, "0"}, {30, "2"}, {70, "0"},
                                               {0, "VERTEX"}, {10, "0"}, {20, "0"}, {42, "1"},
                                               {0, "VERTEX"}, {10, "10"}, {20, "0"},
                                               {0, "VERTEX"}, {10, "10"}, {20, "10"}, {0, "SEQEND"}}));
    expectBox(extentsOf(*flat), AcGePoint3d(0, -5, 2), AcGePoint3d(10, 10, 2), "2D with bulge");

    // Closed with two vertices of bulge 1: a whole circle.
    auto circle = entityOf("POLYLINE", groupsOf({{10, "0"}, {20, "0"}, {30, "0"}, {70, "1"},
                                                 {0, "VERTEX"}, {10, "-3"}, {20, "0"}, {42, "1"},
                                                 {0, "VERTEX"}, {10, "3"}, {20, "0"}, {42, "1"}, {0, "SEQEND"}}));
    expectBox(extentsOf(*circle), AcGePoint3d(-3, -3, 0), AcGePoint3d(3, 3, 0), "bulge circle");

    auto poly3d = entityOf("POLYLINE", groupsOf({{10, "0"}, {20, "0"}, {30, "0"}, {70, "9"},
                                                 {0, "VERTEX"}, {10, "1"}, {20, "1"}, {30, "1"}, {70, "32"},
                                                 {0, "VERTEX"}, {10, "5"}, {20, "1"}, {30, "7"}, {70, "32"},
                                                 {0, "VERTEX"}, {10, "5"}, {20, "4"}, {30, "1"}, {70, "32"},
                                                 {0, "SEQEND"}}));
    EXPECT_EQ(drawnPoints(poly3d.get()).size(), 4u) << "closed: back to the first";
    expectBox(extentsOf(*poly3d), AcGePoint3d(1, 1, 1), AcGePoint3d(5, 4, 7), "3D polyline");

    // A 2 x 3 mesh closed in N: two closed rows of three, three open columns of two.
    acrt::DxfGroups mesh = groupsOf({{10, "0"}, {20, "0"}, {30, "0"}, {70, "48"}, {71, "2"}, {72, "3"}});
    for (int i = 0; i < 6; ++i) {
        static const char* xs[] = {"0", "1", "2", "0", "1", "2"};
        static const char* ys[] = {"0", "0", "0", "3", "3", "3"};
        for (const acrt::DxfGroup& g : groupsOf({{0, "VERTEX"}, {10, xs[i]}, {20, ys[i]}, {30, "0"}, {70, "64"}}))
            mesh.push_back(g);
    }
    mesh.push_back(acrt::DxfGroup{0, "SEQEND"});
    auto meshEntity = entityOf("POLYLINE", mesh);
    std::vector<vemhost::Primitive> primitives;
    drawnPoints(meshEntity.get(), &primitives);
    ASSERT_EQ(primitives.size(), 5u);
    EXPECT_EQ(primitives[0].points.size(), 4u) << "closed row";
    EXPECT_EQ(primitives[4].points.size(), 2u) << "open column";
    expectBox(extentsOf(*meshEntity), kO, AcGePoint3d(2, 3, 0), "mesh");

    // A polyface of one face whose last edge is invisible.
    auto polyface = entityOf("POLYLINE", polyfaceGroups());
    EXPECT_EQ(polylineCount(polyface.get()), 3u);
    expectBox(extentsOf(*polyface), kO, AcGePoint3d(10, 10, 5), "polyface");
}

TEST_F(PassThroughGeometry, HatchesDrawTheirBoundaryPathsInTheirPlane)
{
    auto edges = entityOf("HATCH", lineArcHatch("0"));
    expectBox(extentsOf(*edges), kO, AcGePoint3d(15, 10, 0), "line and arc edges (seed point left out)");
    EXPECT_EQ(polylineCount(edges.get()), 4u) << "three lines and the arc";

    auto circle = entityOf("HATCH", bulgeCircleHatch("3"));
    expectBox(extentsOf(*circle), AcGePoint3d(0, -2, 3), AcGePoint3d(4, 2, 3), "polyline path at elevation 3");

    // A clockwise arc keeps its angles measured clockwise: 0 to 90 runs down to -90.
    auto clockwise = entityOf("HATCH", groupsOf({{10, "0"}, {20, "0"}, {30, "0"}, {91, "1"}, {92, "0"}, {93, "1"},
                                                 {72, "2"}, {10, "0"}, {20, "0"}, {40, "1"}, {50, "0"}, {51, "90"},
                                                 {73, "0"}, {97, "0"}}));
    expectBox(extentsOf(*clockwise), AcGePoint3d(0, -1, 0), AcGePoint3d(1, 0, 0), "clockwise arc");
    // An arc alone is measured to its ends: 30 to 60 degrees of radius 2.
    auto arc = entityOf("HATCH", groupsOf({{91, "1"}, {92, "0"}, {93, "1"}, {72, "2"}, {10, "0"}, {20, "0"},
                                           {40, "2"}, {50, "30"}, {51, "60"}, {73, "1"}, {97, "0"}}));
    expectBox(extentsOf(*arc), AcGePoint3d(1, 1, 0), AcGePoint3d(std::sqrt(3.0), std::sqrt(3.0), 0), "arc ends",
              1e-12);

    // An elliptic arc: the upper half of an ellipse of half axes 4 and 2 about (1, 1).
    auto ellipse = entityOf("HATCH", groupsOf({{91, "1"}, {92, "0"}, {93, "1"}, {72, "3"}, {10, "1"}, {20, "1"},
                                               {11, "4"}, {21, "0"}, {40, "0.5"}, {50, "0"}, {51, "180"},
                                               {73, "1"}, {97, "0"}}));
    expectBox(extentsOf(*ellipse), AcGePoint3d(-3, 1, 0), AcGePoint3d(5, 3, 0), "elliptic arc", 1e-6);

    // A cubic Bezier spline edge, and the same with knots that make no curve: its
    // control polygon then.
    auto spline = [](const char* lastKnot) {
        return entityOf("HATCH", groupsOf({{91, "1"}, {92, "0"}, {93, "1"}, {72, "4"}, {94, "3"}, {73, "0"},
                                           {74, "0"}, {95, "8"}, {96, "4"}, {40, "0"}, {40, "0"}, {40, "0"},
                                           {40, "0"}, {40, "1"}, {40, "1"}, {40, "1"}, {40, lastKnot},
                                           {10, "0"}, {20, "0"}, {10, "1"}, {20, "2"}, {10, "2"}, {20, "2"},
                                           {10, "3"}, {20, "0"}, {97, "0"}}));
    };
    auto curve = spline("1");
    expectBox(extentsOf(*curve), kO, AcGePoint3d(3, 1.5, 0), "spline edge", 1e-6);
    auto polygon = spline("0.5");
    EXPECT_EQ(drawnPoints(polygon.get()).size(), 4u);
    expectBox(extentsOf(*polygon), kO, AcGePoint3d(3, 2, 0), "control polygon");
}

TEST_F(PassThroughGeometry, LeadersMultileadersAndImageFrames)
{
    auto leader = entityOf("LEADER", groupsOf({{76, "2"}, {10, "0"}, {20, "0"}, {30, "0"}, {10, "4"}, {20, "3"},
                                               {30, "0"}, {10, "99"}, {20, "99"}, {30, "0"}}));
    expectBox(extentsOf(*leader), kO, AcGePoint3d(4, 3, 0), "leader bounded by its count");

    auto mleader = entityOf("MULTILEADER", groupsOf({{300, "CONTEXT_DATA{"}, {10, "50"}, {20, "50"}, {30, "0"},
                                                     {302, "LEADER{"}, {10, "10"}, {20, "10"}, {30, "0"},
                                                     {304, "LEADER_LINE{"}, {10, "0"}, {20, "0"}, {30, "0"},
                                                     {10, "2"}, {20, "6"}, {30, "0"}, {305, "}"}, {303, "}"},
                                                     {301, "}"}}));
    EXPECT_EQ(drawnPoints(mleader.get()).size(), 3u);
    expectBox(extentsOf(*mleader), kO, AcGePoint3d(10, 10, 0), "multileader line to its landing");

    // The insertion is the lower left corner of the image; pixels of half a unit.
    auto image = entityOf("IMAGE", groupsOf({{10, "1"}, {20, "2"}, {30, "0"}, {11, "0.5"}, {21, "0"}, {31, "0"},
                                             {12, "0"}, {22, "0.5"}, {32, "0"}, {13, "100"}, {23, "50"}}));
    expectBox(extentsOf(*image), AcGePoint3d(1, 2, 0), AcGePoint3d(51, 27, 0), "image frame");

    for (const char* type : {"REGION", "3DSOLID", "XLINE", "RAY", "VIEWPORT", "SOMETHING_NEW"}) {
        auto nothing = entityOf(type, groupsOf({{10, "0"}, {20, "0"}, {30, "0"}, {11, "1"}, {21, "0"}, {31, "0"}}));
        AcDbExtents box;
        EXPECT_EQ(nothing->getGeomExtents(box), Acad::eInvalidExtents) << type;
        EXPECT_TRUE(drawnPoints(nothing.get()).empty()) << type;
    }
}

TEST_F(PassThroughGeometry, DimensionsAndTablesShowTheirBlockAtTheirPlace)
{
    block_test::makeBlock(db(), L"*D1", kO, {new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(4, 2, 0))});
    struct Case {
        const char* type;
        acrt::DxfGroups groups;
        bool shown;
        AcGePoint3d low, high;
    };
    const Case cases[] = {
        {"DIMENSION", groupsOf({{2, "*D1"}, {10, "9"}, {20, "9"}, {30, "0"}}), true, kO, AcGePoint3d(4, 2, 0)},
        {"DIMENSION", groupsOf({{2, "*D1"}, {12, "1"}, {22, "1"}, {32, "0"}}), true, AcGePoint3d(1, 1, 0),
         AcGePoint3d(5, 3, 0)},
        {"ACAD_TABLE", groupsOf({{2, "*D1"}, {10, "-1"}, {20, "0"}, {30, "0"}}), true, AcGePoint3d(-1, 0, 0),
         AcGePoint3d(3, 2, 0)},
        {"DIMENSION", groupsOf({{2, "*D404"}}), false, kO, kO},
        {"DIMENSION", groupsOf({{2, "*Model_Space"}}), false, kO, kO},
        {"DIMENSION", groupsOf({{1, "no block named"}}), false, kO, kO},
    };
    for (const Case& c : cases) {
        AcDbObjectId id;
        ASSERT_EQ(appendTo(db(), AcDbObjectId(), new DxfPassThroughEntity(c.type, c.groups), &id), Acad::eOk);
        AcDbEntity* ent = nullptr;
        ASSERT_EQ(acdbOpenAcDbEntity(ent, id, AcDb::kForRead), Acad::eOk);
        const std::string where = std::string(c.type) + " " + c.groups.front().value;
        if (c.shown) {
            expectBox(extentsOf(*ent), c.low, c.high, where);
            EXPECT_EQ(drawnPoints(ent).size(), 2u) << where;
        } else {
            AcDbExtents box;
            EXPECT_EQ(ent->getGeomExtents(box), Acad::eInvalidExtents) << where;
            EXPECT_TRUE(drawnPoints(ent).empty()) << where;
        }
        ent->close();
    }
}

TEST_F(PassThroughGeometry, LyingGroupsDrawLessAndNeverCrash)
{
    const char* hostile[] = {"nan", "inf", "-1e400", "1e308", "abc", "", " ", "99999999999", "-7", "0x10",
                             "1e9", "1,5", "+", "3.5", "1e-300", "-0"};
    const char* types[] = {"SOLID", "3DFACE", "POLYLINE", "POLYLINE", "HATCH", "HATCH", "LEADER", "MULTILEADER",
                           "IMAGE", "DIMENSION"};
    const acrt::DxfGroups samples[] = {
        groupsOf({{10, "0"}, {20, "0"}, {11, "1"}, {21, "0"}, {12, "0"}, {22, "1"}}),
        groupsOf({{10, "0"}, {20, "0"}, {30, "0"}, {11, "1"}, {21, "0"}, {31, "0"}, {12, "0"}, {22, "1"}, {32, "0"},
                  {70, "3"}}),
        polyfaceGroups(),
        groupsOf({{10, "0"}, {20, "0"}, {30, "0"}, {70, "16"}, {71, "2"}, {72, "2"}, {0, "VERTEX"}, {10, "1"},
                  {20, "1"}, {0, "VERTEX"}, {10, "2"}, {20, "1"}, {42, "1"}, {0, "SEQEND"}}),
        lineArcHatch(),
        bulgeCircleHatch("0"),
        groupsOf({{76, "3"}, {10, "0"}, {20, "0"}, {30, "0"}, {10, "1"}, {20, "1"}, {30, "0"}}),
        groupsOf({{302, "LEADER{"}, {10, "1"}, {20, "1"}, {304, "LEADER_LINE{"}, {10, "0"}, {20, "0"}, {305, "}"}}),
        groupsOf({{10, "0"}, {20, "0"}, {11, "1"}, {21, "0"}, {12, "0"}, {22, "1"}, {13, "5"}, {23, "5"}}),
        groupsOf({{2, "*D1"}, {12, "0"}, {22, "0"}}),
    };
    std::mt19937 random(17);
    const AcGeMatrix3d moves[] = {AcGeMatrix3d::translation(AcGeVector3d(1, 2, 0)),
                                  AcGeMatrix3d::rotation(0.5, AcGeVector3d::kZAxis),
                                  AcGeMatrix3d::scaling(2.0, AcGePoint3d(1, 1, 0))};
    for (size_t s = 0; s < sizeof samples / sizeof samples[0]; ++s) {
        for (int round = 0; round < 300; ++round) {
            acrt::DxfGroups groups = samples[s];
            // Change a value, cut the groups short or drop one.
            const size_t at = random() % groups.size();
            switch (random() % 3) {
            case 0:
                groups[at].value = hostile[random() % (sizeof hostile / sizeof hostile[0])];
                break;
            case 1:
                groups.resize(at);
                break;
            default:
                groups.erase(groups.begin() + long(at));
            }
            DxfPassThroughEntity ent(types[s], groups);
            drawnPoints(&ent);
            AcDbExtents box;
            ent.getGeomExtents(box);
            ent.transformBy(moves[round % 3]);
            drawnPoints(&ent);
        }
    }
    // Counts far beyond the groups.
    auto counts = entityOf("HATCH", groupsOf({{91, "2000000000"}, {92, "2"}, {72, "1"}, {73, "1"},
                                              {93, "2000000000"}, {10, "0"}, {20, "0"}, {42, "1"}}));
    AcDbExtents box;
    EXPECT_EQ(counts->getGeomExtents(box), Acad::eInvalidExtents);
    auto mesh = entityOf("POLYLINE", groupsOf({{70, "16"}, {71, "65535"}, {72, "65535"}, {0, "VERTEX"},
                                               {10, "0"}, {20, "0"}}));
    EXPECT_EQ(mesh->getGeomExtents(box), Acad::eInvalidExtents);
}
