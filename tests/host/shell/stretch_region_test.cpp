// STRETCH's regions: which points a crossing window or polygon holds, and which
// entity extents it meets.
#include <gtest/gtest.h>

#include "stretch_selection.h"

using vemcad::StretchRegion;

TEST(StretchRegion, PointsOnTheBorderAreInsideAndPolygonsFollowTheirEdges)
{
    const StretchRegion window = StretchRegion::window(AcGePoint3d(10, 10, 0), AcGePoint3d(0, 0, 0));
    // An L-shaped polygon: the square (0,0)-(10,10) without its upper right quarter.
    const StretchRegion ell =
        StretchRegion::polygon({{0, 0}, {10, 0}, {10, 5}, {5, 5}, {5, 10}, {0, 10}});
    struct Row {
        double x, y;
        bool inWindow, inEll;
    };
    //   point        window  L
    const Row rows[] = {
        {5, 5,        true,   true},   // the L's inner corner
        {7, 7,        true,   false},  // the missing quarter
        {2, 8,        true,   true},
        {0, 0,        true,   true},   // a corner
        {10, 2.5,     true,   true},   // on an edge
        {10.001, 5,   false,  false},
        {-1, 5,       false,  false},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(window.contains(AcGePoint3d(r.x, r.y, 3)), r.inWindow) << r.x << "," << r.y;
        EXPECT_EQ(ell.contains(AcGePoint3d(r.x, r.y, 0)), r.inEll) << r.x << "," << r.y;
    }
}

TEST(StretchRegion, APolygonMeetsABoxThroughAnyCornerOrCrossingEdge)
{
    const StretchRegion triangle = StretchRegion::polygon({{0, 0}, {10, 0}, {0, 10}});
    struct Row {
        double x0, y0, x1, y1;
        bool meets;
    };
    //   box                   meets
    const Row rows[] = {
        {1, 1, 2, 2,          true},   // wholly inside
        {-5, -5, 20, 20,      true},   // holds the whole triangle
        {4, -1, 5, 20,        true},   // a thin box across it, no corner inside either way
        {6, 6, 9, 9,          false},  // beyond the slanted edge, inside its bounds
        {5, 5, 9, 9,          true},   // touching the slanted edge at a corner
        {11, 0, 12, 1,        false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(triangle.meetsBox(AcGePoint3d(r.x0, r.y0, 0), AcGePoint3d(r.x1, r.y1, 0)), r.meets)
            << r.x0 << "," << r.y0 << " " << r.x1 << "," << r.y1;
    const StretchRegion window = StretchRegion::window(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 10, 0));
    EXPECT_TRUE(window.meetsBox(AcGePoint3d(10, 10, 0), AcGePoint3d(20, 20, 0)));
    EXPECT_FALSE(window.meetsBox(AcGePoint3d(10.5, 0, 0), AcGePoint3d(20, 20, 0)));
}
