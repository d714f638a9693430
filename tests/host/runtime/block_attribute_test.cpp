// Tests of a block reference's attributes: owned and opened through the reference,
// stepped through, drawn, placed by transforms, erased and undone with it, carried by
// copies and taken into the database with them, exploded into texts, filed, snapped to,
// and what the block's attribute definitions show within references.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "block_test_support.h"
#include "undo.h"

using namespace block_test;

namespace {

class BlockAttribute : public HostFixture {
protected:
    // A block with a line and a definition NAME (default "D1") at (2,1), its base at
    // the origin; a second, constant definition when asked.
    AcDbObjectId doorBlock(const wchar_t* name = L"DOOR", bool withConstant = false)
    {
        std::vector<AcDbEntity*> entities{new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 0, 0)),
                                          new AcDbAttributeDefinition(AcGePoint3d(2, 1, 0), L"D1", L"NAME", L"Name?")};
        if (withConstant) {
            AcDbAttributeDefinition* fixed = new AcDbAttributeDefinition(AcGePoint3d(0, -3, 0), L"MAKER", L"BY", L"");
            fixed->setConstant(Adesk::kTrue);
            fixed->setHeight(1.0);
            entities.push_back(fixed);
        }
        return makeBlock(db(), name, AcGePoint3d(), entities);
    }

    // A reference in model space with one attribute of the value, made from the block's
    // definition as INSERT makes it; the reference's id.
    AcDbObjectId insertWithValue(AcDbObjectId block, const AcGePoint3d& at, const AcGeScale3d& scale, double rotation,
                                 const wchar_t* value, AcDbObjectId* attributeId = nullptr)
    {
        AcDbObjectId refId;
        EXPECT_EQ(Acad::eOk, appendTo(db(), AcDbObjectId(), newReference(block, at, scale, rotation), &refId));
        AcDbBlockReference* ref = nullptr;
        EXPECT_EQ(Acad::eOk, acdbOpenObject(ref, refId, AcDb::kForWrite));
        AcDbBlockTableRecord* rec = nullptr;
        EXPECT_EQ(Acad::eOk, acdbOpenObject(rec, block, AcDb::kForRead));
        AcDbAttributeDefinition* def = nullptr;
        EXPECT_EQ(Acad::eOk, acdbOpenObject(def, rec->entityIds()[1], AcDb::kForRead));
        AcDbAttribute* attribute = new AcDbAttribute();
        EXPECT_EQ(Acad::eOk, attribute->setAttributeFromBlock(def, ref->blockTransform()));
        attribute->setTextString(value);
        AcDbObjectId id;
        EXPECT_EQ(Acad::eOk, ref->appendAttribute(id, attribute));
        attribute->close();
        def->close();
        rec->close();
        ref->close();
        if (attributeId != nullptr)
            *attributeId = id;
        return refId;
    }

    AcGePoint3d positionOf(AcDbObjectId attributeId, bool erased = false)
    {
        AcDbAttribute* attribute = nullptr;
        AcGePoint3d at(-999, -999, -999);
        if (acdbOpenObject(attribute, attributeId, AcDb::kForRead, erased) == Acad::eOk) {
            at = attribute->position();
            attribute->close();
        }
        return at;
    }
};

}  // namespace

TEST_F(BlockAttribute, TheReferenceOwnsItsAttributesAndOpensOnlyThose)
{
    const AcDbObjectId block = doorBlock();
    AcDbObjectId attributeId;
    const AcDbObjectId refId = insertWithValue(block, AcGePoint3d(5, 5, 0), AcGeScale3d(2, 2, 2), M_PI / 2, L"Front", &attributeId);
    // The definition at (2,1), twice as large, turned a quarter, at (5,5).
    expectNear(AcGePoint3d(3, 9, 0), positionOf(attributeId), "placed attribute");

    AcDbBlockReference* ref = nullptr;
    ASSERT_EQ(Acad::eOk, acdbOpenObject(ref, refId, AcDb::kForRead));
    AcDbAttribute* attribute = nullptr;
    ASSERT_EQ(Acad::eOk, ref->openAttribute(attribute, attributeId, AcDb::kForRead));
    EXPECT_EQ(refId, attribute->ownerId());
    EXPECT_STREQ(L"Front", attribute->textStringConst());
    EXPECT_STREQ(L"NAME", attribute->tagConst());
    attribute->close();
    EXPECT_EQ(Acad::eInvalidInput, ref->openAttribute(attribute, refId, AcDb::kForRead));
    std::unique_ptr<AcDbObjectIterator> it(ref->attributeIterator());
    ASSERT_FALSE(it->done());
    EXPECT_EQ(attributeId, it->objectId());
    EXPECT_EQ(nullptr, it->entity());
    it->step();
    EXPECT_TRUE(it->done());
    ref->close();

    // Only a reference in a database and open for write takes one.
    AcDbBlockReference loose(AcGePoint3d(), block);
    AcDbAttribute* extra = new AcDbAttribute(AcGePoint3d(), L"x", L"T");
    EXPECT_EQ(Acad::eNotInDatabase, loose.appendAttribute(extra));
    ASSERT_EQ(Acad::eOk, acdbOpenObject(ref, refId, AcDb::kForRead));
    EXPECT_EQ(Acad::eNotOpenForWrite, ref->appendAttribute(extra));
    ref->close();
    delete extra;

    AcDbBlockTableRecord* rec = nullptr;
    ASSERT_EQ(Acad::eOk, acdbOpenObject(rec, block, AcDb::kForRead));
    EXPECT_TRUE(rec->hasAttributeDefinitions());
    rec->close();
}

TEST_F(BlockAttribute, DefinitionsAreNotShownByReferencesButConstantOnesShowTheirValue)
{
    // A reference without attributes shows the line alone, not the definition's tag.
    AcDbBlockReference bare(AcGePoint3d(), doorBlock(L"BARE"));
    std::vector<vemhost::Primitive> alone;
    drawnPoints(&bare, &alone);
    EXPECT_EQ(1u, alone.size());
    size_t counts[2] = {0, 0};
    for (bool constant : {false, true}) {
        const AcDbObjectId block = doorBlock(constant ? L"FIXED" : L"PLAIN", constant);
        const AcDbObjectId refId = insertWithValue(block, AcGePoint3d(), AcGeScale3d(1, 1, 1), 0, L"V");
        AcDbEntity* ref = nullptr;
        ASSERT_EQ(Acad::eOk, acdbOpenAcDbEntity(ref, refId, AcDb::kForRead));
        std::vector<vemhost::Primitive> drawn;
        drawnPoints(ref, &drawn);
        counts[constant] = drawn.size();
        ref->close();
    }
    EXPECT_GT(counts[0], 1u);
    EXPECT_GT(counts[1], counts[0]) << "a constant definition shows its value";
}

TEST_F(BlockAttribute, AttributesFollowTransformsAndGoAndComeBackWithTheReference)
{
    const AcDbObjectId block = doorBlock();
    AcDbObjectId attributeId;
    AcDbObjectId refId;
    vemhost::runAsCommand(L"INSERT", [&] {
        refId = insertWithValue(block, AcGePoint3d(0, 0, 0), AcGeScale3d(1, 1, 1), 0, L"V", &attributeId);
    });
    // Unequal scales along the block's axes carry the attribute along.
    AcGeMatrix3d stretch;
    stretch.entry[0][0] = 3;
    stretch.entry[1][1] = 2;
    vemhost::runAsCommand(L"SCALE", [&] {
        AcDbEntity* ref = nullptr;
        ASSERT_EQ(Acad::eOk, acdbOpenAcDbEntity(ref, refId, AcDb::kForWrite));
        EXPECT_EQ(Acad::eOk, ref->transformBy(stretch));
        ref->close();
    });
    expectNear(AcGePoint3d(6, 2, 0), positionOf(attributeId), "stretched");
    vemhost::runAsCommand(L"ERASE", [&] {
        AcDbEntity* ref = nullptr;
        ASSERT_EQ(Acad::eOk, acdbOpenAcDbEntity(ref, refId, AcDb::kForWrite));
        ref->erase();
        ref->close();
    });
    EXPECT_TRUE(attributeId.isErased());
    vemhost::UndoHistory* history = vemhost::undoHistory(db());
    history->undo();
    EXPECT_FALSE(attributeId.isErased());
    history->undo();
    expectNear(AcGePoint3d(2, 1, 0), positionOf(attributeId), "transform undone");
    history->undo();
    EXPECT_TRUE(attributeId.isErased()) << "made by the undone command";
    EXPECT_TRUE(refId.isErased());
}

TEST_F(BlockAttribute, ACopyHoldsCopiesThatBecomeTheDatabasesWhenItIsAppended)
{
    const AcDbObjectId block = doorBlock();
    AcDbObjectId attributeId;
    const AcDbObjectId refId = insertWithValue(block, AcGePoint3d(), AcGeScale3d(1, 1, 1), 0, L"V", &attributeId);
    AcDbEntity* ref = nullptr;
    ASSERT_EQ(Acad::eOk, acdbOpenAcDbEntity(ref, refId, AcDb::kForRead));
    AcDbEntity* moved = nullptr;
    ASSERT_EQ(Acad::eOk, ref->getTransformedCopy(AcGeMatrix3d::translation(AcGeVector3d(100, 0, 0)), moved));
    ref->close();
    AcDbBlockReference* copy = AcDbBlockReference::cast(moved);
    ASSERT_NE(nullptr, copy);
    {
        std::unique_ptr<AcDbObjectIterator> it(copy->attributeIterator());
        ASSERT_FALSE(it->done());
        EXPECT_TRUE(it->objectId().isNull());
        const AcDbAttribute* held = AcDbAttribute::cast(it->entity());
        ASSERT_NE(nullptr, held);
        expectNear(AcGePoint3d(102, 1, 0), held->position(), "held copy moved");
    }
    expectNear(AcGePoint3d(2, 1, 0), positionOf(attributeId), "the original stays");
    AcDbObjectId copyId;
    ASSERT_EQ(Acad::eOk, appendTo(db(), AcDbObjectId(), copy, &copyId));
    AcDbBlockReference* placed = nullptr;
    ASSERT_EQ(Acad::eOk, acdbOpenObject(placed, copyId, AcDb::kForRead));
    std::unique_ptr<AcDbObjectIterator> it(placed->attributeIterator());
    ASSERT_FALSE(it->done());
    const AcDbObjectId adopted = it->objectId();
    placed->close();
    EXPECT_FALSE(adopted.isNull());
    EXPECT_NE(attributeId, adopted);
    expectNear(AcGePoint3d(102, 1, 0), positionOf(adopted), "adopted");
    AcDbAttribute* attribute = nullptr;
    ASSERT_EQ(Acad::eOk, acdbOpenObject(attribute, adopted, AcDb::kForRead));
    EXPECT_EQ(copyId, attribute->ownerId());
    attribute->close();
}

TEST_F(BlockAttribute, ExplodeTurnsAttributesIntoTextsAndDefinitionsIntoNothing)
{
    const AcDbObjectId block = doorBlock();
    AcDbObjectId attributeId;
    const AcDbObjectId refId = insertWithValue(block, AcGePoint3d(5, 0, 0), AcGeScale3d(1, 1, 1), 0, L"Front", &attributeId);
    AcDbAttribute* attribute = nullptr;
    ASSERT_EQ(Acad::eOk, acdbOpenObject(attribute, attributeId, AcDb::kForWrite));
    attribute->setInvisible(Adesk::kTrue);
    attribute->close();
    AcDbEntity* ref = nullptr;
    ASSERT_EQ(Acad::eOk, acdbOpenAcDbEntity(ref, refId, AcDb::kForRead));
    AcDbVoidPtrArray pieces;
    ASSERT_EQ(Acad::eOk, ref->explode(pieces));
    ref->close();
    ASSERT_EQ(2, pieces.length());
    EntityPtr line(static_cast<AcDbEntity*>(pieces[0])), text(static_cast<AcDbEntity*>(pieces[1]));
    EXPECT_NE(nullptr, AcDbLine::cast(line.get()));
    ASSERT_EQ(AcDbText::desc(), text->isA()) << "a plain text, no attribute";
    const AcDbText* value = AcDbText::cast(text.get());
    EXPECT_STREQ(L"Front", value->textStringConst());
    expectNear(AcGePoint3d(7, 1, 0), value->position(), "text");
    EXPECT_EQ(AcDb::kInvisible, value->visibility());
}

TEST_F(BlockAttribute, FilingGivesIdsToDrawingsAndWholeRecordsToCopies)
{
    const AcDbObjectId block = doorBlock();
    AcDbObjectId attributeId;
    const AcDbObjectId refId = insertWithValue(block, AcGePoint3d(), AcGeScale3d(1, 1, 1), 0, L"V", &attributeId);
    AcDbBlockReference* ref = nullptr;
    ASSERT_EQ(Acad::eOk, acdbOpenObject(ref, refId, AcDb::kForRead));
    vemhost::MemoryFiler file(db()), copy(db(), AcDb::kCopyFiler);
    ASSERT_EQ(Acad::eOk, ref->dwgOutFields(&file));
    ASSERT_EQ(Acad::eOk, ref->dwgOutFields(&copy));
    ref->close();
    EXPECT_GT(copy.bytes().size(), file.bytes().size() + 20) << "the attribute's record rides along";
    AcDbBlockReference fromFile;
    vemhost::MemoryFiler inFile(file.bytes(), db());
    ASSERT_EQ(Acad::eOk, fromFile.dwgInFields(&inFile));
    std::unique_ptr<AcDbObjectIterator> it(fromFile.attributeIterator());
    ASSERT_FALSE(it->done());
    EXPECT_EQ(attributeId, it->objectId());

    // A copy's record that promises more attributes than it holds is refused whole.
    std::vector<unsigned char> cut = copy.bytes();
    cut.resize(cut.size() - 4);
    AcDbBlockReference target(AcGePoint3d(9, 9, 9), block);
    vemhost::MemoryFiler bad(cut, db(), AcDb::kCopyFiler);
    EXPECT_NE(Acad::eOk, target.dwgInFields(&bad));
    EXPECT_EQ(AcGePoint3d(9, 9, 9), target.position());
    std::unique_ptr<AcDbObjectIterator> none(target.attributeIterator());
    EXPECT_TRUE(none->done());
}

TEST_F(BlockAttribute, InsertionSnapsAndExtentsTakeTheAttributesIn)
{
    const AcDbObjectId block = doorBlock();
    AcDbObjectId attributeId;
    const AcDbObjectId refId = insertWithValue(block, AcGePoint3d(0, 0, 0), AcGeScale3d(1, 1, 1), 0, L"A long value", &attributeId);
    AcDbEntity* ref = nullptr;
    ASSERT_EQ(Acad::eOk, acdbOpenAcDbEntity(ref, refId, AcDb::kForRead));
    AcGePoint3dArray points;
    AcDbIntArray geomIds;
    ASSERT_EQ(Acad::eOk, ref->getOsnapPoints(AcDb::kOsModeIns, 0, AcGePoint3d(), AcGePoint3d(),
                                             AcGeMatrix3d::kIdentity, points, geomIds));
    EXPECT_TRUE(points.contains(AcGePoint3d(0, 0, 0)));
    EXPECT_TRUE(points.contains(AcGePoint3d(2, 1, 0)));
    AcDbExtents extents;
    ASSERT_EQ(Acad::eOk, ref->getGeomExtents(extents));
    EXPECT_GT(extents.maxPoint().y, 1.0) << "the line alone reaches y = 0";
    ref->close();
}
