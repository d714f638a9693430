// The database: the default drawing, the open discipline, appending, erasing, cloning
// and entity names.
#include <gtest/gtest.h>

#include "acedads.h"
#include "dbents.h"
#include "db_internals.h"
#include "dbsymtb.h"
#include "drawing_builder.h"
#include "drawing_store.h"
#include "host_fixture.h"

namespace {

AcDbObjectId appendLine(AcDbDatabase* db, const AcGePoint3d& a, const AcGePoint3d& b)
{
    const AcDbObjectId id = test_support::appendTo(db, ACDB_MODEL_SPACE, new AcDbLine(a, b));
    EXPECT_FALSE(id.isNull()) << "the line was not appended";
    return id;
}

AcDbObjectId addLayer(AcDbDatabase* db, const ACHAR* name, bool locked)
{
    const AcDbObjectId id = test_support::addLayer(db, name, 7, false, locked);
    EXPECT_FALSE(id.isNull()) << "the layer was not added";
    return id;
}

}  // namespace

using Database = HostFixture;

TEST_F(Database, NewDrawingHasTheDefaultTablesAndRecords)
{
    AcDbTextStyleTable* styles = nullptr;
    ASSERT_EQ(db()->getTextStyleTable(styles, AcDb::kForRead), Acad::eOk);
    EXPECT_TRUE(styles->has(L"Standard"));
    EXPECT_TRUE(styles->has(L"STANDARD")) << "record names ignore case";
    styles->close();
    AcDbBlockTable* blocks = nullptr;
    ASSERT_EQ(db()->getBlockTable(blocks), Acad::eOk);
    EXPECT_TRUE(blocks->has(ACDB_MODEL_SPACE));
    EXPECT_TRUE(blocks->has(ACDB_PAPER_SPACE));
    blocks->close();
    AcDbObject* layer = nullptr;
    ASSERT_EQ(acdbOpenAcDbObject(layer, db()->clayer(), AcDb::kForRead), Acad::eOk);
    const ACHAR* name = nullptr;
    AcDbLayerTableRecord::cast(layer)->getName(name);
    EXPECT_STREQ(name, L"0");
    layer->close();
}

TEST_F(Database, OpenRulesAreManyReadersOrOneWriter)
{
    AcDbObjectId id = appendLine(db(), AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0));
    AcDbEntity *r1 = nullptr, *r2 = nullptr, *w = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(r1, id, AcDb::kForRead), Acad::eOk);
    ASSERT_EQ(acdbOpenAcDbEntity(r2, id, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(acdbOpenAcDbEntity(w, id, AcDb::kForWrite), Acad::eWasOpenForRead);
    EXPECT_EQ(w, nullptr);
    r1->close();
    r2->close();
    ASSERT_EQ(acdbOpenAcDbEntity(w, id, AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(acdbOpenAcDbEntity(r1, id, AcDb::kForRead), Acad::eWasOpenForWrite);
    w->close();
    EXPECT_EQ(w->close(), Acad::eInvalidOpenState) << "a second close is refused";
    AcDbObject* obj = nullptr;
    EXPECT_EQ(acdbOpenAcDbObject(obj, id, AcDb::kForRead, AcDbTextStyleTableRecord::desc()),
              Acad::eNotThatKindOfClass);
    EXPECT_EQ(acdbOpenAcDbObject(obj, AcDbObjectId(), AcDb::kForRead), Acad::eNullObjectId);
}

TEST_F(Database, ErasedAndLockedEntitiesRefuseTheOpensTheHostRefuses)
{
    AcDbObjectId locked = addLayer(db(), L"Locked", true);
    AcDbObjectId id = appendLine(db(), AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0));
    AcDbEntity* ent = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(ent, id, AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(ent->setLayer(locked), Acad::eOk);
    ent->close();
    EXPECT_EQ(acdbOpenAcDbEntity(ent, id, AcDb::kForWrite), Acad::eOnLockedLayer);
    ASSERT_EQ(acdbOpenAcDbEntity(ent, id, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(ent->layer(), AcString(L"Locked"));
    EXPECT_EQ(ent->upgradeOpen(), Acad::eOnLockedLayer);
    ent->close();

    AcDbObjectId other = appendLine(db(), AcGePoint3d(0, 0, 0), AcGePoint3d(0, 1, 0));
    ASSERT_EQ(acdbOpenAcDbEntity(ent, other, AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(ent->erase(), Acad::eOk);
    ent->close();
    EXPECT_EQ(acdbOpenAcDbEntity(ent, other, AcDb::kForRead), Acad::eWasErased);
    ASSERT_EQ(acdbOpenAcDbEntity(ent, other, AcDb::kForWrite, true), Acad::eOk);
    EXPECT_TRUE(ent->isErased());
    EXPECT_EQ(ent->erase(false), Acad::eOk);
    ent->close();
    EXPECT_FALSE(other.isErased());
}

TEST_F(Database, AppendedEntityGetsAHandleTheCurrentLayerAndAnOwner)
{
    long before = vemhost::testing::liveObjectCount();
    AcDbObjectId a = appendLine(db(), AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0));
    AcDbObjectId b = appendLine(db(), AcGePoint3d(0, 0, 0), AcGePoint3d(2, 0, 0));
    EXPECT_NE(a.handle(), b.handle());
    EXPECT_EQ(vemhost::testing::liveObjectCount(), before + 2);
    AcDbEntity* ent = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(ent, a, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(ent->layerId(), db()->clayer());
    AcDbBlockTable* table = nullptr;
    db()->getBlockTable(table);
    AcDbObjectId model;
    table->getAt(ACDB_MODEL_SPACE, model);
    table->close();
    EXPECT_EQ(ent->ownerId(), model);
    ent->close();
    AcDbObjectId found;
    EXPECT_EQ(db()->getAcDbObjectId(found, false, b.handle()), Acad::eOk);
    EXPECT_EQ(found, b);
}

TEST_F(Database, CloseDeletesAnObjectThatNeverReachedTheDatabase)
{
    long before = vemhost::testing::liveObjectCount();
    AcDbLine* line = new AcDbLine();
    EXPECT_EQ(vemhost::testing::liveObjectCount(), before + 1);
    EXPECT_EQ(line->close(), Acad::eOk);
    EXPECT_EQ(vemhost::testing::liveObjectCount(), before);
}

TEST_F(Database, CloneIsANewObjectOutsideTheDatabaseWithTheSameProperties)
{
    AcDbObjectId id = appendLine(db(), AcGePoint3d(1, 2, 0), AcGePoint3d(3, 4, 0));
    AcDbEntity* ent = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(ent, id, AcDb::kForWrite), Acad::eOk);
    ent->setColorIndex(3);
    AcDbLine* copy = AcDbLine::cast(ent->clone());
    ent->close();
    ASSERT_NE(copy, nullptr);
    EXPECT_FALSE(copy->isDatabaseResident());
    EXPECT_EQ(copy->colorIndex(), 3);
    EXPECT_EQ(copy->layerId(), db()->clayer());
    EXPECT_TRUE(copy->endPoint() == AcGePoint3d(3, 4, 0));
    delete copy;
}

TEST_F(Database, EntityNamesRoundTripAndForgedNamesAreRefused)
{
    AcDbObjectId id = appendLine(db(), AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0));
    ads_name name;
    ASSERT_EQ(acdbGetAdsName(name, id), Acad::eOk);
    AcDbObjectId back;
    EXPECT_EQ(acdbGetObjectId(back, name), Acad::eOk);
    EXPECT_EQ(back, id);
    ads_name forged = {123456789, 987654321};
    EXPECT_NE(acdbGetObjectId(back, forged), Acad::eOk);
    EXPECT_TRUE(back.isNull());
}

TEST_F(Database, SymbolTableRefusesDuplicatesAndEmptyNames)
{
    addLayer(db(), L"Walls", false);
    AcDbLayerTable* layers = nullptr;
    ASSERT_EQ(db()->getLayerTable(layers, AcDb::kForWrite), Acad::eOk);
    AcDbLayerTableRecord* dup = new AcDbLayerTableRecord();
    dup->setName(L"WALLS");
    EXPECT_EQ(layers->add(dup), Acad::eDuplicateKey);
    delete dup;
    AcDbLayerTableRecord* unnamed = new AcDbLayerTableRecord();
    EXPECT_EQ(layers->add(unnamed), Acad::eInvalidInput);
    delete unnamed;
    layers->close();
}

// Handles from a drawing may be sparse or huge: each still finds its own object, and
// handles handed out afterwards continue past the largest.
TEST_F(Database, ObjectsUnderScatteredHandlesAreFoundByHandle)
{
    auto makeResident = [this](Adesk::UInt64 handle) {
        AcDbObjectId id;
        AcDbLine* line = new AcDbLine();
        EXPECT_EQ(AcDbSystemInternals::makeResident(db(), line, id, handle), Acad::eOk);
        line->close();
        return id;
    };
    auto byHandle = [this](Adesk::UInt64 handle) {
        AcDbObjectId id;
        return db()->getAcDbObjectId(id, false, AcDbHandle(handle)) == Acad::eOk ? id : AcDbObjectId();
    };
    // Enough objects under ordinary handles to grow the handle table past the far
    // handles made before them.
    const Adesk::UInt64 scattered[] = {0x50, 0x20000, 0x51, 0x3000};
    std::vector<AcDbObjectId> ids;
    for (Adesk::UInt64 handle : scattered)
        ids.push_back(makeResident(handle));
    for (Adesk::UInt64 handle = 0x60; handle < 0x60 + 70000; ++handle)
        if (handle != 0x3000)
            makeResident(handle);
    for (size_t i = 0; i < ids.size(); ++i)
        EXPECT_EQ(byHandle(scattered[i]), ids[i]) << i;
    EXPECT_TRUE(byHandle(0x52).isNull());

    const AcDbObjectId huge = makeResident(0x7FFFFFFFFFFFFFF0ull);
    const AcDbObjectId next = makeResident(0);
    EXPECT_EQ(byHandle(0x7FFFFFFFFFFFFFF0ull), huge);
    EXPECT_EQ(next.handle().value(), 0x7FFFFFFFFFFFFFF1ull);
    EXPECT_EQ(byHandle(0x7FFFFFFFFFFFFFF1ull), next);

    AcDbObjectId duplicate;
    AcDbLine* refused = new AcDbLine();
    EXPECT_EQ(AcDbSystemInternals::makeResident(db(), refused, duplicate, 0x3000), Acad::eDuplicateKey);
    delete refused;
}

// A reader of another format aims the seed at a handle from its file: the next object
// gets it, or the first free handle above when it is taken; the seed then goes back.
TEST_F(Database, AimedHandleSeedGivesTheNextObjectThatHandleOrTheNextFreeOne)
{
    auto append = [this]() {
        return test_support::appendTo(db(), ACDB_MODEL_SPACE, new AcDbLine()).handle().value();
    };
    const Adesk::UInt64 first = append(), second = append();
    const Adesk::UInt64 seed = db()->handseed().value();
    ASSERT_EQ(second, first + 1);

    Adesk::UInt64 saved = acrt::aimHandseed(db(), 0x5000);
    EXPECT_EQ(append(), 0x5000u);
    acrt::raiseHandseed(db(), saved);
    EXPECT_EQ(db()->handseed().value(), 0x5001u);

    saved = acrt::aimHandseed(db(), first);  // taken, and so is the one after it
    EXPECT_EQ(append(), second + 1);
    acrt::raiseHandseed(db(), saved);
    EXPECT_EQ(db()->handseed().value(), 0x5001u);
    EXPECT_GT(db()->handseed().value(), seed);
    EXPECT_EQ(append(), 0x5001u);
}
