// DXFOUT of user blocks at the level of groups: BLOCK_RECORD entries, each block's
// BLOCK (flags, base point) with its entities before ENDBLK, and references as INSERT
// with name, position, scales, rotation and extrusion, nested ones inside their block.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "../runtime/block_test_support.h"
#include "dxf_test_drawing.h"
#include "dxf_writer.h"

namespace {

using namespace dxf_test;
using block_test::appendTo;
using block_test::makeBlock;
using block_test::newReference;

double number(const std::vector<Group>& object, int code) { return std::strtod(valueOf(object, code).c_str(), nullptr); }

class DxfBlocks : public HostFixture {
protected:
    std::vector<Group> written(vemio::DxfStats* stats = nullptr)
    {
        std::string dxf, error;
        EXPECT_TRUE(vemio::writeDxfToString(db(), dxf, error, stats)) << error;
        EXPECT_EQ(vemhost::testing::openObjectCount(db()), 0);
        return readGroups(dxf);
    }
    // The objects between a block's BLOCK and ENDBLK.
    static std::vector<std::vector<Group>> blockContents(const std::vector<Group>& groups, const std::string& name)
    {
        std::vector<std::vector<Group>> found;
        bool inside = false;
        for (size_t i = 0; i < groups.size(); ++i) {
            if (groups[i].code != 0)
                continue;
            if (groups[i].value == "ENDBLK")
                inside = false;
            std::vector<Group> object{groups[i]};
            for (size_t k = i + 1; k < groups.size() && groups[k].code != 0; ++k)
                object.push_back(groups[k]);
            if (inside)
                found.push_back(object);
            if (groups[i].value == "BLOCK" && valueOf(object, 2) == name)
                inside = true;
        }
        return found;
    }
    static std::vector<Group> named(const std::vector<std::vector<Group>>& objects, const std::string& name)
    {
        for (const auto& o : objects)
            if (valueOf(o, 2) == name)
                return o;
        return {};
    }
};

}  // namespace

TEST_F(DxfBlocks, BlocksAreWrittenWithTheirRecordsBasePointsAndEntities)
{
    const AcDbObjectId door = makeBlock(db(), L"DOOR", AcGePoint3d(1, 2, 0),
                                        {new AcDbLine(AcGePoint3d(1, 2, 0), AcGePoint3d(5, 2, 0)),
                                         new AcDbCircle(AcGePoint3d(3, 3, 0), AcGeVector3d::kZAxis, 1)});
    const AcDbObjectId anonymous = makeBlock(db(), L"*U", AcGePoint3d(), {newLine(0, 0, 1, 1)});
    AcDbBlockTableRecord* rec = nullptr;
    ASSERT_EQ(Acad::eOk, acdbOpenObject(rec, door, AcDb::kForWrite));
    rec->setExplodable(false);
    rec->setBlockScaling(AcDbBlockTableRecord::kUniform);
    rec->close();
    (void)anonymous;
    const std::vector<Group> groups = written();

    const auto records = objectsOfType(groups, "BLOCK_RECORD");
    const std::vector<Group> doorRecord = named(records, "DOOR");
    ASSERT_FALSE(doorRecord.empty());
    EXPECT_EQ("0", valueOf(doorRecord, 280));
    EXPECT_EQ("1", valueOf(doorRecord, 281));
    EXPECT_FALSE(named(records, "*U0").empty());
    EXPECT_EQ("", valueOf(named(records, "*Model_Space"), 280)) << "the spaces are written as they were";

    const auto blocks = objectsOfType(groups, "BLOCK");
    const std::vector<Group> doorBlock = named(blocks, "DOOR");
    EXPECT_EQ("0", valueOf(doorBlock, 70));
    EXPECT_EQ(1.0, number(doorBlock, 10));
    EXPECT_EQ(2.0, number(doorBlock, 20));
    EXPECT_EQ(valueOf(doorRecord, 5), valueOf(doorBlock, 330));
    EXPECT_EQ("1", valueOf(named(blocks, "*U0"), 70));

    const auto contents = blockContents(groups, "DOOR");
    ASSERT_EQ(2u, contents.size());
    EXPECT_EQ("LINE", contents[0][0].value);
    EXPECT_EQ("CIRCLE", contents[1][0].value);
    for (const auto& ent : contents)
        EXPECT_EQ(valueOf(doorRecord, 5), valueOf(ent, 330));
}

TEST_F(DxfBlocks, ReferencesAreInsertsWithTheirPlacementAndNestedOnesStayInTheirBlock)
{
    const AcDbObjectId inner = makeBlock(db(), L"INNER", AcGePoint3d(), {newLine(0, 0, 2, 0)});
    AcDbBlockReference* nested = newReference(inner, AcGePoint3d(4, 0, 0), AcGeScale3d(2, 2, 2), M_PI / 2);
    const AcDbObjectId outer = makeBlock(db(), L"OUTER", AcGePoint3d(), {nested});
    ASSERT_EQ(Acad::eOk, appendTo(db(), AcDbObjectId(), newReference(outer, AcGePoint3d(10, 20, 0), AcGeScale3d(3, -0.5, 1), M_PI / 6)));
    AcDbBlockReference* tilted = newReference(inner, AcGePoint3d(1, 2, 3), AcGeScale3d(1, 1, 1), 0);
    ASSERT_EQ(Acad::eOk, tilted->setNormal(AcGeVector3d(1, 0, 0)));
    ASSERT_EQ(Acad::eOk, appendTo(db(), AcDbObjectId(), tilted));
    // A reference whose block is gone is left out and counted.
    const AcDbObjectId gone = makeBlock(db(), L"GONE", AcGePoint3d(), {newLine(0, 0, 1, 0)});
    ASSERT_EQ(Acad::eOk, appendTo(db(), AcDbObjectId(), new AcDbBlockReference(AcGePoint3d(), gone)));
    AcDbObject* obj = nullptr;
    ASSERT_EQ(Acad::eOk, acdbOpenAcDbObject(obj, gone, AcDb::kForWrite));
    obj->erase();
    obj->close();

    vemio::DxfStats stats;
    const std::vector<Group> groups = written(&stats);
    EXPECT_EQ(1, stats.skipped);
    const auto inserts = objectsOfType(groups, "INSERT");
    ASSERT_EQ(3u, inserts.size());
    // The nested one first: BLOCKS comes before ENTITIES.
    const auto inOuter = blockContents(groups, "OUTER");
    ASSERT_EQ(1u, inOuter.size());
    EXPECT_EQ("INNER", valueOf(inOuter[0], 2));
    EXPECT_EQ(90.0, number(inOuter[0], 50));
    EXPECT_EQ(2.0, number(inOuter[0], 41));

    const std::vector<Group>& top = inserts[1];
    EXPECT_EQ("OUTER", valueOf(top, 2));
    EXPECT_EQ((std::vector<std::string>{"AcDbEntity", "AcDbBlockReference"}), valuesOf(top, 100));
    EXPECT_EQ(10.0, number(top, 10));
    EXPECT_EQ(20.0, number(top, 20));
    EXPECT_EQ(3.0, number(top, 41));
    EXPECT_EQ(-0.5, number(top, 42));
    EXPECT_EQ(1.0, number(top, 43));
    EXPECT_NEAR(30.0, number(top, 50), 1e-12);
    EXPECT_EQ("", valueOf(top, 210));

    // Off the world plane: the position in the reference's object coordinates. For the
    // normal +X the arbitrary axes are X = world Y and Y = world Z.
    const std::vector<Group>& off = inserts[2];
    EXPECT_EQ(1.0, number(off, 210));
    EXPECT_EQ(2.0, number(off, 10));
    EXPECT_EQ(3.0, number(off, 20));
    EXPECT_EQ(1.0, number(off, 30));

    // The model-space extents hold what the references show.
    double extMaxX = 0;
    for (size_t i = 0; i + 2 < groups.size(); ++i)
        if (groups[i].value == "$EXTMAX")
            extMaxX = std::strtod(groups[i + 1].value.c_str(), nullptr);
    EXPECT_GE(extMaxX, 10.0);
}

TEST_F(DxfBlocks, AReferencesAttributesFollowItsInsertAsAttribsClosedBySeqend)
{
    const AcDbObjectId block = makeBlock(db(), L"TAGGED", AcGePoint3d(),
                                         {newLine(0, 0, 4, 0),
                                          new AcDbAttributeDefinition(AcGePoint3d(1, 1, 0), L"D", L"NO", L"No.?")});
    AcDbObjectId refId;
    ASSERT_EQ(Acad::eOk, appendTo(db(), AcDbObjectId(), newReference(block, AcGePoint3d(10, 0, 0), AcGeScale3d(1, 1, 1), 0), &refId));
    AcDbBlockReference* ref = nullptr;
    ASSERT_EQ(Acad::eOk, acdbOpenObject(ref, refId, AcDb::kForWrite));
    for (const wchar_t* value : {L"12", L"34"}) {
        AcDbAttribute* attribute = new AcDbAttribute(AcGePoint3d(11, 1, 0), value, L"NO");
        ASSERT_EQ(Acad::eOk, ref->appendAttribute(attribute));
        attribute->close();
    }
    ref->close();
    ASSERT_EQ(Acad::eOk, appendTo(db(), AcDbObjectId(), new AcDbBlockReference(AcGePoint3d(), block)));

    const std::vector<Group> groups = written();
    std::vector<std::vector<Group>> objects;
    for (size_t i = 0; i < groups.size(); ++i) {
        if (groups[i].code != 0)
            continue;
        objects.push_back({groups[i]});
        for (size_t k = i + 1; k < groups.size() && groups[k].code != 0; ++k)
            objects.back().push_back(groups[k]);
    }
    size_t at = 0;
    while (at < objects.size() && !(objects[at][0].value == "INSERT" && valueOf(objects[at], 66) == "1"))
        ++at;
    ASSERT_LT(at + 3, objects.size());
    const std::string insert = valueOf(objects[at], 5);
    EXPECT_EQ(std::to_string(refId.handle().value()), std::to_string(std::strtoull(insert.c_str(), nullptr, 16)));
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ("ATTRIB", objects[at + i][0].value);
        EXPECT_EQ(insert, valueOf(objects[at + i], 330)) << "owned by the INSERT";
        EXPECT_EQ("NO", valueOf(objects[at + i], 2));
        EXPECT_EQ(i == 1 ? "12" : "34", valueOf(objects[at + i], 1));
    }
    EXPECT_EQ("SEQEND", objects[at + 3][0].value);
    EXPECT_EQ(insert, valueOf(objects[at + 3], 330));
    // The reference without attributes has neither.
    EXPECT_EQ("INSERT", objects[at + 4][0].value);
    EXPECT_EQ("", valueOf(objects[at + 4], 66));
    EXPECT_NE("ATTRIB", objects[at + 5][0].value);
}
