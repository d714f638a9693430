// The windows and polygons of the selection loop: which points a crossing region holds
// and which entity extents it meets, what WP and CP select, the corners given unsnapped,
// and the crossing regions the loop keeps for the program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acedads.h"
#include "dbents.h"
#include "dbsymtb.h"
#include "drawing_builder.h"
#include "host_fixture.h"
#include "vemhost_testing.h"

using vemhost::CrossingRegion;

namespace {

CrossingRegion regionOf(std::vector<AcGePoint2d> corners)
{
    CrossingRegion r;
    r.corners = std::move(corners);
    return r;
}

// A window as the selection keeps it: its four corners.
CrossingRegion window(const AcGePoint2d& a, const AcGePoint2d& b)
{
    return regionOf({a, {b.x, a.y}, b, {a.x, b.y}});
}

std::string corners(const CrossingRegion& r)
{
    std::string text;
    for (const AcGePoint2d& c : r.corners)
        text += (text.empty() ? "" : " ") + std::to_string(int(c.x)) + "," + std::to_string(int(c.y));
    return text;
}

}  // namespace

TEST(CrossingRegion, PointsOnTheBorderAreInsideAndPolygonsFollowTheirEdges)
{
    const CrossingRegion box = window(AcGePoint2d(10, 10), AcGePoint2d(0, 0));
    // An L-shaped polygon: the square (0,0)-(10,10) without its upper right quarter.
    const CrossingRegion ell = regionOf({{0, 0}, {10, 0}, {10, 5}, {5, 5}, {5, 10}, {0, 10}});
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
        EXPECT_EQ(box.contains(AcGePoint3d(r.x, r.y, 3)), r.inWindow) << r.x << "," << r.y;
        EXPECT_EQ(ell.contains(AcGePoint3d(r.x, r.y, 0)), r.inEll) << r.x << "," << r.y;
    }
    EXPECT_FALSE(CrossingRegion().contains(AcGePoint3d::kOrigin));
}

TEST(CrossingRegion, APolygonMeetsABoxThroughAnyCornerOrCrossingEdge)
{
    const CrossingRegion triangle = regionOf({{0, 0}, {10, 0}, {0, 10}});
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
    const CrossingRegion box = window(AcGePoint2d(0, 0), AcGePoint2d(10, 10));
    EXPECT_TRUE(box.meetsBox(AcGePoint3d(10, 10, 0), AcGePoint3d(20, 20, 0)));
    EXPECT_FALSE(box.meetsBox(AcGePoint3d(10.5, 0, 0), AcGePoint3d(20, 20, 0)));
    EXPECT_FALSE(CrossingRegion().meetsBox(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0)));
}

namespace {

class SelectionAreas : public HostFixture {
protected:
    void SetUp() override
    {
        HostFixture::SetUp();
        m_lines = {addLine({0, 0, 0}, {10, 0, 0}), addLine({20, 0, 0}, {30, 0, 0}), addLine({0, 10, 0}, {10, 20, 0})};
        vemhost::startCapture();
    }
    void TearDown() override
    {
        EXPECT_EQ(vemhost::pendingInputCount(), 0u) << "an answer was left unread";
        EXPECT_EQ(vemhost::testing::openSelectionSetCount(), 0);
        HostFixture::TearDown();
    }

    AcDbObjectId addLine(const AcGePoint3d& a, const AcGePoint3d& b)
    {
        const AcDbObjectId id = test_support::appendTo(db(), ACDB_MODEL_SPACE, new AcDbLine(a, b));
        EXPECT_FALSE(id.isNull()) << "the line was not appended";
        return id;
    }

    // Runs the selection loop on the answers; the lines it selected by letter (A, B and
    // D for the diagonal), or the status when it selected none.
    std::string select(const std::vector<std::wstring>& answers)
    {
        for (const std::wstring& a : answers)
            vemhost::queueInput(a);
        ads_name ss;
        const int rc = acedSSGet(nullptr, nullptr, nullptr, nullptr, ss);
        if (rc != RTNORM)
            return "status " + std::to_string(rc);
        std::string chosen;
        Adesk::Int32 n = 0;
        acedSSLength(ss, &n);
        for (Adesk::Int32 i = 0; i < n; ++i) {
            ads_name ent;
            AcDbObjectId id;
            if (acedSSName(ss, i, ent) == RTNORM && acdbGetObjectId(id, ent) == Acad::eOk)
                for (size_t k = 0; k < m_lines.size(); ++k)
                    if (m_lines[k] == id)
                        chosen += "ABD"[k];
        }
        acedSSFree(ss);
        return chosen;
    }

    std::vector<AcDbObjectId> m_lines;
};

}  // namespace

TEST_F(SelectionAreas, WindowPolygonsTakeWhatTheyHoldCrossingPolygonsWhatTheyMeet)
{
    struct Row {
        const char* name;
        std::vector<std::wstring> answers;
        const char* selected;
        const char* kept;  // the corners of the crossing regions kept, "|" between them
    };
    const Row rows[] = {
        {"CP across A's end", {L"CP", L"9,-1", L"12,-1", L"12,2", L"", L""}, "A", "9,-1 12,-1 12,2"},
        {"WP round A", {L"WP", L"-1,-1", L"11,-1", L"11,1", L"-1,1", L"", L""}, "A", ""},
        {"WP round A and B", {L"wp", L"-1,-1", L"31,-1", L"31,1", L"-1,1", L"", L""}, "AB", ""},
        {"WP with a notch through B",
         {L"WP", L"-1,-1", L"31,-1", L"31,1", L"26,1", L"25,-0.5", L"24,1", L"-1,1", L"", L""}, "A", ""},
        {"WP holding only A's end", {L"WP", L"5,-1", L"11,-1", L"11,1", L"", L""}, "status -5001", ""},
        {"a corner undone", {L"CP", L"9,-1", L"40,-1", L"U", L"12,-1", L"undo", L"12,-1", L"12,2", L"", L""}, "A",
         "9,-1 12,-1 12,2"},
        {"relative corners", {L"CP", L"19,-1", L"@2,0", L"@0,2", L"", L""}, "B", "19,-1 21,-1 21,1"},
        {"two corners find nothing", {L"CP", L"9,-1", L"12,-1", L"", L""}, "status -5001", ""},
        {"crossing while removing is not kept",
         {L"ALL", L"C", L"9,-1", L"11,1", L"R", L"CP", L"19,-1", L"21,-1", L"21,1", L"", L""}, "AD",
         "9,-1 11,-1 11,1 9,1"},
        {"two regions in order", {L"C 9,-1 11,1", L"CP", L"19,-1", L"21,-1", L"21,1", L"", L""}, "AB",
         "9,-1 11,-1 11,1 9,1|19,-1 21,-1 21,1"},
        {"cancelled at a corner", {L"C 9,-1 11,1", L"CP", L"19,-1", L"^C"}, "status -5002", ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(select(row.answers), row.selected) << row.name << "\n" << vemhost::takeCaptured();
        std::string kept;
        for (const CrossingRegion& r : vemhost::lastCrossingRegions())
            kept += (kept.empty() ? "" : "|") + corners(r);
        EXPECT_EQ(kept, row.kept) << row.name;
        vemhost::takeCaptured();
    }

    // The host's prompts; each new selection starts without regions.
    select({L"CP", L"9,-1", L"12,-1", L"12,2", L"", L""});
    EXPECT_EQ(vemhost::takeCaptured(),
              "\nSelect objects: \nFirst polygon point: \nSpecify endpoint of line or [Undo]: "
              "\nSpecify endpoint of line or [Undo]: \nSpecify endpoint of line or [Undo]: "
              "\n1 found\nSelect objects: ");
    ASSERT_EQ(vemhost::lastCrossingRegions().size(), 1u);
    ads_name ss;
    ASSERT_EQ(acedSSGet(L"X", nullptr, nullptr, nullptr, ss), RTNORM);
    acedSSFree(ss);
    EXPECT_TRUE(vemhost::lastCrossingRegions().empty());
}

// Running snaps would pull the picked corners onto the ends of A; the corners are kept
// as picked, for windows and polygons alike.
TEST_F(SelectionAreas, PickedCornersAreNotSnapped)
{
    ASSERT_TRUE(vemhost::setOsmode(1));  // END
    vemhost::queueInput(L"C");
    vemhost::queuePick(AcGePoint3d(9, -1, 0));
    vemhost::queuePick(AcGePoint3d(11, 1, 0));
    vemhost::queueInput(L"CP");
    for (const AcGePoint3d& p : {AcGePoint3d(-1, -1, 0), AcGePoint3d(1, -1, 0), AcGePoint3d(1, 1, 0)})
        vemhost::queuePick(p);
    EXPECT_EQ(select({L"", L""}), "A");
    const std::vector<CrossingRegion> kept = vemhost::lastCrossingRegions();
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(corners(kept[0]), "9,-1 11,-1 11,1 9,1");
    EXPECT_EQ(corners(kept[1]), "-1,-1 1,-1 1,1");
}
