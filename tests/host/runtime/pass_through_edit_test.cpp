// How pass-through entities change: transforms rewrite only their coordinate groups
// (and the angles, lengths, bulges and arc directions a similarity changes), refused
// transforms leave every group as it was, copies and filing keep the groups, and
// selection by type sees the DXF type they were read as.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "acedads.h"
#include "acutads.h"
#include "pass_through_test_support.h"
#include "vemhost_program.h"

using namespace pass_through_test;

namespace {

class PassThroughEdit : public HostFixture {};

const AcGePoint3d kO(0, 0, 0);

AcGeMatrix3d mirrorX()
{
    AcGeMatrix3d m;
    m.entry[0][0] = -1.0;
    return m;
}

acrt::DxfGroups solidGroups()
{
    return groupsOf({{5, "2A"}, {330, "1F"}, {100, "AcDbEntity"}, {8, "Walls"}, {62, "1"}, {100, "AcDbTrace"},
                     {10, "0"}, {20, "0"}, {30, "1.50"}, {11, "10"}, {21, "0"}, {31, "1.50"}, {12, "0"},
                     {22, "5.0"}, {32, "1.50"}, {13, "10"}, {23, "5.0"}, {33, "1.50"}, {1001, "APP"},
                     {1010, "7"}, {1020, "7"}, {1030, "0"}});
}

acrt::DxfGroups edgeHatch()
{
    return groupsOf({{100, "AcDbHatch"}, {10, "0"}, {20, "0"}, {30, "0"}, {210, "0"}, {220, "0"}, {230, "1"},
                     {2, "SOLID"}, {70, "1"}, {71, "0"}, {91, "1"}, {92, "1"}, {93, "4"},
                     {72, "1"}, {10, "0"}, {20, "0"}, {11, "10"}, {21, "0"},
                     {72, "2"}, {10, "10"}, {20, "5"}, {40, "5"}, {50, "270"}, {51, "90"}, {73, "1"},
                     {72, "1"}, {10, "10"}, {20, "10"}, {11, "0"}, {21, "10"},
                     {72, "1"}, {10, "0"}, {20, "10"}, {11, "0"}, {21, "0"}, {97, "0"},
                     {75, "0"}, {76, "1"}, {52, "30"}, {41, "1"}, {98, "0"}});
}

acrt::DxfGroups bulgeHatch(const char* normalZ)
{
    return groupsOf({{10, "0"}, {20, "0"}, {30, "0"}, {210, "0"}, {220, "0"}, {230, normalZ}, {91, "1"},
                     {92, "2"}, {72, "1"}, {73, "1"}, {93, "2"}, {10, "0"}, {20, "0"}, {42, "0.5"}, {10, "4"},
                     {20, "0"}, {42, "1"}, {97, "0"}});
}

// Every group of after equals before's but for the codes listed, which differ.
void expectOnlyChanged(const acrt::DxfGroups& before, const acrt::DxfGroups& after, std::vector<size_t> changed,
                       const std::string& where)
{
    ASSERT_EQ(before.size(), after.size()) << where;
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(before[i].code, after[i].code) << where << " group " << i;
        const bool expectChange = std::find(changed.begin(), changed.end(), i) != changed.end();
        if (expectChange)
            EXPECT_NE(before[i].value, after[i].value) << where << " group " << i;
        else
            EXPECT_EQ(before[i].value, after[i].value) << where << " group " << i;
    }
}

}  // namespace

TEST_F(PassThroughEdit, MovesRewriteOnlyTheCoordinatesThatChange)
{
    auto solid = entityOf("SOLID", solidGroups());
    const acrt::DxfGroups before = solid->groups();
    ASSERT_EQ(solid->transformBy(AcGeMatrix3d::translation(AcGeVector3d(0.1, 0.2, 0))), Acad::eOk);
    // x and y of each corner; heights, handle, layer and XDATA as they were.
    expectOnlyChanged(before, solid->groups(), {6, 7, 9, 10, 12, 13, 15, 16}, "moved solid");
    EXPECT_EQ(valueOf(solid->groups(), 10), "0.1");
    EXPECT_EQ(valueOf(solid->groups(), 21), "0.2");
    EXPECT_EQ(valueOf(solid->groups(), 11), "10.1");
    EXPECT_EQ(valueOf(solid->groups(), 22), "5.2");
    EXPECT_EQ(std::stod(valueOf(solid->groups(), 23)), 5.0 + 0.2) << "shortest text that reads back exactly";
    expectBox(extentsOf(*solid), AcGePoint3d(0.1, 0.2, 1.5), AcGePoint3d(10.1, 5.2, 1.5), "moved extents");

    // Up: the heights move too; without height groups there is nowhere to write one.
    ASSERT_EQ(solid->transformBy(AcGeMatrix3d::translation(AcGeVector3d(0, 0, 1))), Acad::eOk);
    EXPECT_EQ(valueOf(solid->groups(), 33), "2.5");
    auto flat = entityOf("SOLID", groupsOf({{10, "0"}, {20, "0"}, {11, "1"}, {21, "0"}, {12, "0"}, {22, "1"}}));
    const acrt::DxfGroups flatBefore = flat->groups();
    EXPECT_EQ(flat->transformBy(AcGeMatrix3d::translation(AcGeVector3d(0, 0, 1))), Acad::eNotApplicable);
    expectOnlyChanged(flatBefore, flat->groups(), {}, "refused lift");

    // A hatch moves its boundary, its elevation point stays at x = y = 0.
    auto hatch = entityOf("HATCH", edgeHatch());
    const acrt::DxfGroups hatchBefore = hatch->groups();
    ASSERT_EQ(hatch->transformBy(AcGeMatrix3d::translation(AcGeVector3d(5, 0, 0))), Acad::eOk);
    expectOnlyChanged(hatchBefore, hatch->groups(), {14, 16, 19, 26, 28, 31, 33}, "moved hatch");
    expectBox(extentsOf(*hatch), AcGePoint3d(5, 0, 0), AcGePoint3d(20, 10, 0), "moved hatch extents");

    // Seen from below, a move to +x is a move to -x in the hatch's plane.
    auto below = entityOf("HATCH", bulgeHatch("-1"));
    const AcDbExtents belowBox = extentsOf(*below);
    ASSERT_EQ(below->transformBy(AcGeMatrix3d::translation(AcGeVector3d(1, 0, 0))), Acad::eOk);
    EXPECT_EQ(valueOf(below->groups(), 10, 1), "-1");
    expectBox(extentsOf(*below), belowBox.minPoint() + AcGeVector3d(1, 0, 0),
              belowBox.maxPoint() + AcGeVector3d(1, 0, 0), "moved from below");
}

TEST_F(PassThroughEdit, SimilaritiesTurnAnglesScaleLengthsAndMirrorDirections)
{
    // Mirrored: the arc edge runs the other way and its flag says so; extents mirror.
    auto hatch = entityOf("HATCH", edgeHatch());
    ASSERT_EQ(hatch->transformBy(mirrorX()), Acad::eOk);
    EXPECT_EQ(valueOf(hatch->groups(), 73), "0");
    expectBox(extentsOf(*hatch), AcGePoint3d(-15, 0, 0), AcGePoint3d(0, 10, 0), "mirrored hatch");
    EXPECT_EQ(valueOf(hatch->groups(), 52), "150") << "pattern angle mirrored";

    // Turned a quarter and doubled: the radius doubles, the pattern angle turns.
    auto turned = entityOf("HATCH", edgeHatch());
    const AcGeMatrix3d quarter = AcGeMatrix3d::rotation(M_PI / 2, AcGeVector3d::kZAxis) * AcGeMatrix3d::scaling(2.0);
    ASSERT_EQ(turned->transformBy(quarter), Acad::eOk);
    EXPECT_EQ(valueOf(turned->groups(), 40), "10");
    EXPECT_EQ(valueOf(turned->groups(), 52), "120");
    EXPECT_EQ(valueOf(turned->groups(), 41), "2");
    expectBox(extentsOf(*turned), AcGePoint3d(-20, 0, 0), AcGePoint3d(0, 30, 0), "turned hatch", 1e-9);

    // Bulges change sign under a mirror only.
    auto bulges = entityOf("HATCH", bulgeHatch("1"));
    const AcDbExtents box = extentsOf(*bulges);
    ASSERT_EQ(bulges->transformBy(mirrorX()), Acad::eOk);
    EXPECT_EQ(valueOf(bulges->groups(), 42), "-0.5");
    EXPECT_EQ(valueOf(bulges->groups(), 42, 1), "-1");
    expectBox(extentsOf(*bulges), AcGePoint3d(-box.maxPoint().x, box.minPoint().y, 0),
              AcGePoint3d(-box.minPoint().x, box.maxPoint().y, 0), "mirrored bulges");

    // A scale scales a solid's thickness with its corners.
    auto thick = entityOf("SOLID", groupsOf({{39, "2"}, {10, "0"}, {20, "0"}, {11, "1"}, {21, "0"}, {12, "0"},
                                             {22, "1"}}));
    ASSERT_EQ(thick->transformBy(AcGeMatrix3d::scaling(3.0)), Acad::eOk);
    EXPECT_EQ(valueOf(thick->groups(), 39), "6");
    EXPECT_EQ(valueOf(thick->groups(), 11), "3");

    // Points in the world take any similarity, a turn out of the plane included.
    auto face = entityOf("3DFACE", groupsOf({{10, "0"}, {20, "0"}, {30, "0"}, {11, "2"}, {21, "0"}, {31, "0"},
                                             {12, "2"}, {22, "2"}, {32, "0"}}));
    ASSERT_EQ(face->transformBy(AcGeMatrix3d::rotation(M_PI / 2, AcGeVector3d::kXAxis)), Acad::eOk);
    expectBox(extentsOf(*face), kO, AcGePoint3d(2, 0, 2), "face stood up", 1e-12);
}

TEST_F(PassThroughEdit, RefusedTransformsLeaveEveryGroupAsItWas)
{
    block_test::makeBlock(db(), L"*D1", kO, {new AcDbLine(kO, AcGePoint3d(1, 1, 0))});
    AcGeMatrix3d stretch;
    stretch.entry[0][0] = 2.0;
    const AcGeMatrix3d turn = AcGeMatrix3d::rotation(0.3, AcGeVector3d::kZAxis);
    const AcGeMatrix3d move = AcGeMatrix3d::translation(AcGeVector3d(1, 1, 0));
    struct Case {
        const char* type;
        acrt::DxfGroups groups;
        AcGeMatrix3d xform;
        Acad::ErrorStatus expected;
    };
    const Case cases[] = {
        {"DIMENSION", groupsOf({{2, "*D1"}, {10, "0"}, {20, "0"}}), move, Acad::eNotApplicable},
        {"ACAD_TABLE", groupsOf({{2, "*D1"}, {10, "0"}, {20, "0"}}), move, Acad::eNotApplicable},
        {"HATCH", edgeHatch(), stretch, Acad::eCannotScaleNonUniformly},
        {"HATCH", bulgeHatch("-1"), turn, Acad::eNotApplicable},
        {"HATCH", edgeHatch(), AcGeMatrix3d::rotation(0.3, AcGeVector3d::kXAxis), Acad::eNotApplicable},
        {"IMAGE", groupsOf({{10, "0"}, {20, "0"}, {11, "1"}, {21, "0"}, {12, "0"}, {22, "1"}, {13, "2"}, {23, "2"}}),
         turn, Acad::eNotApplicable},
        {"REGION", groupsOf({{70, "1"}, {1, "opaque"}}), move, Acad::eNotApplicable},
        {"SOLID", groupsOf({{10, "x"}, {20, "0"}, {11, "1"}, {21, "0"}, {12, "0"}, {22, "1"}}), move,
         Acad::eNotApplicable},
        {"3DFACE", groupsOf({{10, "0"}, {20, "0"}, {11, "1"}, {21, "0"}, {12, "0"}, {22, "1"}}), stretch,
         Acad::eCannotScaleNonUniformly},
        {"3DFACE", groupsOf({{10, "0"}, {20, "0"}, {11, "1e308"}, {21, "0"}, {12, "0"}, {22, "1"}}),
         AcGeMatrix3d::scaling(10.0), Acad::eNotApplicable},
    };
    for (const Case& c : cases) {
        auto ent = entityOf(c.type, c.groups);
        EXPECT_EQ(ent->transformBy(c.xform), c.expected) << c.type;
        expectOnlyChanged(c.groups, ent->groups(), {}, c.type);
        AcDbEntity* copy = nullptr;
        EXPECT_EQ(ent->getTransformedCopy(c.xform, copy), c.expected) << c.type;
        EXPECT_EQ(copy, nullptr) << c.type;
        AcDbVoidPtrArray pieces;
        EXPECT_EQ(ent->explode(pieces), Acad::eNotApplicable) << c.type;
        EXPECT_EQ(pieces.length(), 0) << c.type;
    }
}

TEST_F(PassThroughEdit, CopiesAndFilingKeepTypeAndGroups)
{
    auto solid = entityOf("SOLID", solidGroups());
    AcDbEntity* moved = nullptr;
    ASSERT_EQ(solid->getTransformedCopy(AcGeMatrix3d::translation(AcGeVector3d(1, 0, 0)), moved), Acad::eOk);
    std::unique_ptr<DxfPassThroughEntity> copy(DxfPassThroughEntity::cast(moved));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->dxfType(), "SOLID");
    EXPECT_EQ(valueOf(copy->groups(), 10), "1");
    EXPECT_EQ(valueOf(solid->groups(), 10), "0") << "the original stays";
    EXPECT_EQ(valueOf(copy->groups(), 5), "2A") << "the writer gives the copy its own handle";

    for (AcDb::FilerType type : {AcDb::kFileFiler, AcDb::kUndoFiler, AcDb::kCopyFiler}) {
        vemhost::MemoryFiler filer(db(), type);
        ASSERT_EQ(solid->dwgOutFields(&filer), Acad::eOk);
        DxfPassThroughEntity read;
        filer.rewind();
        ASSERT_EQ(read.dwgInFields(&filer), Acad::eOk);
        EXPECT_EQ(read.dxfType(), "SOLID");
        expectOnlyChanged(solid->groups(), read.groups(), {}, "filed");
        expectBox(extentsOf(read), AcGePoint3d(0, 0, 1.5), AcGePoint3d(10, 5, 1.5), "read back");

        // Cut short: the read fails and the entity keeps what it had.
        std::vector<unsigned char> bytes = filer.bytes();
        bytes.resize(bytes.size() - 3);
        vemhost::MemoryFiler cut(bytes, db(), type);
        EXPECT_NE(read.dwgInFields(&cut), Acad::eOk);
        EXPECT_EQ(read.groups().size(), solid->groups().size());
    }
}

TEST_F(PassThroughEdit, SelectionByTypeSeesTheDxfType)
{
    appendTo(db(), AcDbObjectId(), new DxfPassThroughEntity("HATCH", edgeHatch()));
    appendTo(db(), AcDbObjectId(), new DxfPassThroughEntity("SOLID", solidGroups()));
    appendTo(db(), AcDbObjectId(), new AcDbLine(kO, AcGePoint3d(1, 0, 0)));
    struct Case {
        const wchar_t* filter;
        Adesk::Int32 count;
    };
    const Case cases[] = {{L"hatch", 1}, {L"HATCH,SOLID", 2}, {L"LINE", 1}, {L"DXF_PASS_THROUGH_ENTITY", 0},
                          {L"*", 3}};
    for (const Case& c : cases) {
        struct resbuf* filter = acutBuildList(RTDXF0, c.filter, RTNONE);
        ads_name ss;
        const int rc = acedSSGet(L"X", nullptr, nullptr, filter, ss);
        acutRelRb(filter);
        Adesk::Int32 length = 0;
        if (rc == RTNORM) {
            acedSSLength(ss, &length);
            acedSSFree(ss);
        }
        EXPECT_EQ(length, c.count) << std::string(c.filter, c.filter + wcslen(c.filter));
    }
}

TEST_F(PassThroughEdit, MultileadersMoveThePointsOfTheirContextOnly)
{
    auto mleader = entityOf("MULTILEADER", groupsOf({{300, "CONTEXT_DATA{"}, {10, "5"}, {20, "5"}, {30, "0"},
                                                     {11, "0"}, {21, "0"}, {31, "1"}, {302, "LEADER{"},
                                                     {10, "10"}, {20, "10"}, {30, "0"}, {11, "1"}, {21, "0"},
                                                     {31, "0"}, {304, "LEADER_LINE{"}, {10, "0"}, {20, "0"},
                                                     {30, "0"}, {305, "}"}, {303, "}"}, {301, "}"},
                                                     {10, "1"}, {20, "1"}, {30, "1"}}));
    const acrt::DxfGroups before = mleader->groups();
    ASSERT_EQ(mleader->transformBy(AcGeMatrix3d::translation(AcGeVector3d(2, 0, 0))), Acad::eOk);
    // Content base point, leader point and line vertex move; the text normal, the dogleg
    // vector and the block content scale after the context stay.
    expectOnlyChanged(before, mleader->groups(), {1, 8, 15}, "moved multileader");
    expectBox(extentsOf(*mleader), AcGePoint3d(2, 0, 0), AcGePoint3d(12, 10, 0), "moved leader line");
    EXPECT_EQ(mleader->transformBy(AcGeMatrix3d::rotation(1.0, AcGeVector3d::kZAxis)), Acad::eNotApplicable);
}

TEST_F(PassThroughEdit, PolyfaceFaceRecordsKeepTheirPointsWhenMoved)
{
    auto polyface = entityOf("POLYLINE", groupsOf({{10, "0"}, {20, "0"}, {30, "0"}, {70, "64"}, {71, "3"}, {72, "1"},
                                                   {0, "VERTEX"}, {10, "0"}, {20, "0"}, {30, "0"}, {70, "192"},
                                                   {0, "VERTEX"}, {10, "1"}, {20, "0"}, {30, "0"}, {70, "192"},
                                                   {0, "VERTEX"}, {10, "0"}, {20, "1"}, {30, "0"}, {70, "192"},
                                                   {0, "VERTEX"}, {10, "0"}, {20, "0"}, {30, "0"}, {70, "128"},
                                                   {71, "1"}, {72, "2"}, {73, "3"}, {0, "SEQEND"}}));
    ASSERT_EQ(polyface->transformBy(AcGeMatrix3d::translation(AcGeVector3d(2, 0, 0))), Acad::eOk);
    EXPECT_EQ(valueOf(polyface->groups(), 10, 0), "0") << "the polyline's own point is no vertex";
    EXPECT_EQ(valueOf(polyface->groups(), 10, 1), "2");
    EXPECT_EQ(valueOf(polyface->groups(), 10, 2), "3");
    EXPECT_EQ(valueOf(polyface->groups(), 10, 4), "0") << "the face record's point";
    expectBox(extentsOf(*polyface), AcGePoint3d(2, 0, 0), AcGePoint3d(3, 1, 0), "moved polyface");
}

TEST_F(PassThroughEdit, ListingShowsTypeLayerHandleAndWhatItHolds)
{
    AcDbObjectId hatch, region;
    appendTo(db(), AcDbObjectId(), new DxfPassThroughEntity("HATCH", edgeHatch()), &hatch);
    appendTo(db(), AcDbObjectId(), new DxfPassThroughEntity("REGION", groupsOf({{1, "opaque"}})), &region);
    const struct {
        AcDbObjectId id;
        std::vector<const char*> lines;
    } cases[] = {
        {hatch, {"HATCH  Layer: \"0\"", "Handle = ", "Boundary paths: 1", "Lower left:  X=0.0000  Y=0.0000",
                 "Upper right: X=15.0000  Y=10.0000"}},
        {region, {"REGION  Layer: \"0\"", "Kept as read from a DXF file; not shown"}},
    };
    for (const auto& c : cases) {
        AcDbEntity* ent = nullptr;
        ASSERT_EQ(acdbOpenAcDbEntity(ent, c.id, AcDb::kForRead), Acad::eOk);
        vemhost::startCapture();
        ent->list();
        const std::string listed = vemhost::takeCaptured();
        vemhost::stopCapture();
        ent->close();
        for (const char* line : c.lines)
            EXPECT_NE(listed.find(line), std::string::npos) << listed;
    }
}
