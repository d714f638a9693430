// Tests of user blocks in the block table and of references' records: names and the
// anonymous "*U" rule, filing round trips and damaged records of both, a block that
// would show itself refused or (read from a file) cut off, undo of a block's creation,
// the references that show a block, and LIST.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "block_test_support.h"
#include "undo.h"
#include "vemhost_program.h"

using namespace block_test;

namespace {

using Bytes = std::vector<unsigned char>;

class BlockTable : public HostFixture {
protected:
    AcDbObjectId lineBlock(const wchar_t* name)
    {
        return makeBlock(db(), name, AcGePoint3d(1, 2, 0), {new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(4, 0, 0))});
    }
    AcString nameOf(AcDbObjectId id)
    {
        AcDbBlockTableRecord* rec = nullptr;
        AcString name;
        if (acdbOpenObject(rec, id, AcDb::kForRead) == Acad::eOk) {
            rec->getName(name);
            rec->close();
        }
        return name;
    }
};

template <class T>
Bytes filed(const T& obj, AcDbDatabase* db, AcDb::FilerType type = AcDb::kFileFiler)
{
    vemhost::MemoryFiler filer(db, type);
    EXPECT_EQ(Acad::eOk, obj.dwgOutFields(&filer));
    return filer.bytes();
}

// A reference record written field by field, so that one value can be what no
// reference holds.
Bytes referenceRecord(AcDbDatabase* db, Adesk::UInt8 version, const AcGePoint3d& at, const AcGeScale3d& scale,
                      double rotation, const AcGeVector3d& normal, Adesk::UInt32 attributes = 0)
{
    AcDbBlockReference base;
    vemhost::MemoryFiler filer(db);
    EXPECT_EQ(Acad::eOk, base.AcDbEntity::dwgOutFields(&filer));
    filer.writeUInt8(version);
    filer.writeHardPointerId(AcDbObjectId());
    filer.writePoint3d(at);
    for (unsigned i = 0; i < 3; ++i)
        filer.writeDouble(scale[i]);
    filer.writeDouble(rotation);
    filer.writeVector3d(normal);
    filer.writeUInt32(attributes);
    return filer.bytes();
}

Bytes blockRecord(AcDbDatabase* db, const wchar_t* name, Adesk::UInt8 version, const AcGePoint3d& origin,
                  Adesk::UInt8 flags)
{
    vemhost::MemoryFiler filer(db);
    filer.writeString(AcString(name));
    filer.writeUInt8(version);
    filer.writePoint3d(origin);
    filer.writeUInt8(flags);
    filer.writeString(AcString(L"note"));
    filer.writeUInt32(0);
    return filer.bytes();
}

}  // namespace

TEST_F(BlockTable, NamesFollowTheHostsRulesAndStarUIsNumbered)
{
    struct Case {
        const wchar_t* name;
        Acad::ErrorStatus status;
    };
    //  name                      status
    const Case cases[] = {
        {L"DOOR",                 Acad::eOk},
        {L"门 1 (left) %s",      Acad::eOk},
        {L"*U",                   Acad::eOk},
        {L"*D12",                 Acad::eOk},
        {L"",                     Acad::eInvalidInput},
        {L"*",                    Acad::eInvalidInput},
        {L"A*B",                  Acad::eInvalidInput},
        {L"A|B",                  Acad::eInvalidInput},
        {L"A<B",                  Acad::eInvalidInput},
        {L"A\tB",                 Acad::eInvalidInput},
        {L"A\"B",                 Acad::eInvalidInput},
    };
    for (const Case& c : cases) {
        AcDbBlockTableRecord rec;
        EXPECT_EQ(c.status, rec.setName(c.name)) << vemhost::toUtf8(c.name);
    }
    AcDbBlockTableRecord tooLong;
    EXPECT_EQ(Acad::eInvalidInput, tooLong.setName(std::wstring(256, L'x').c_str()));
    // Layer names keep the rules of their own table.
    AcDbLayerTableRecord layer;
    EXPECT_EQ(Acad::eOk, layer.setName(L"A*B"));

    // "*U" takes the number after the highest in use; a taken name is refused.
    const AcDbObjectId first = lineBlock(L"*U");
    const AcDbObjectId fifth = lineBlock(L"*U4");
    const AcDbObjectId next = lineBlock(L"*u");
    EXPECT_EQ(AcString(L"*U0"), nameOf(first));
    EXPECT_EQ(AcString(L"*U4"), nameOf(fifth));
    EXPECT_EQ(AcString(L"*U5"), nameOf(next));
    AcDbBlockTable* table = nullptr;
    ASSERT_EQ(Acad::eOk, db()->getBlockTable(table, AcDb::kForWrite));
    AcDbBlockTableRecord* duplicate = new AcDbBlockTableRecord();
    duplicate->setName(L"*u4");
    EXPECT_EQ(Acad::eDuplicateKey, table->add(duplicate));
    delete duplicate;
    AcDbObjectId model;
    table->getAt(ACDB_MODEL_SPACE, model);
    table->close();

    AcDbBlockTableRecord* rec = nullptr;
    ASSERT_EQ(Acad::eOk, acdbOpenObject(rec, next, AcDb::kForRead));
    EXPECT_TRUE(rec->isAnonymous());
    EXPECT_FALSE(rec->isLayout());
    rec->close();
    ASSERT_EQ(Acad::eOk, acdbOpenObject(rec, model, AcDb::kForRead));
    EXPECT_FALSE(rec->isAnonymous());
    EXPECT_TRUE(rec->isLayout());
    rec->close();
}

TEST_F(BlockTable, AUserBlockFilesItsOwnPartAndASpaceFilesAsItAlwaysDid)
{
    const AcDbObjectId id = lineBlock(L"DOOR");
    AcDbBlockTableRecord* rec = nullptr;
    ASSERT_EQ(Acad::eOk, acdbOpenObject(rec, id, AcDb::kForWrite));
    rec->setComments(L"a door");
    rec->setExplodable(false);
    rec->setBlockScaling(AcDbBlockTableRecord::kUniform);
    const Bytes record = filed(*rec, db());
    rec->close();

    AcDbBlockTableRecord copy;
    vemhost::MemoryFiler in(record, db());
    ASSERT_EQ(Acad::eOk, copy.dwgInFields(&in));
    EXPECT_EQ(record, filed(copy, db()));
    EXPECT_EQ(AcGePoint3d(1, 2, 0), copy.origin());
    EXPECT_FALSE(copy.explodable());
    EXPECT_EQ(AcDbBlockTableRecord::kUniform, copy.blockScaling());
    EXPECT_EQ(1u, copy.entityIds().size());

    // The model space: its name and its list, nothing more.
    AcDbBlockTableRecord* model = nullptr;
    ASSERT_EQ(Acad::eOk, acdbOpenObject(model, db()->currentSpaceId(), AcDb::kForRead));
    vemhost::MemoryFiler expected(db());
    expected.writeString(AcString(ACDB_MODEL_SPACE));
    expected.writeUInt32(0);
    EXPECT_EQ(expected.bytes(), filed(*model, db()));
    model->close();

    struct Case {
        const char* what;
        Bytes record;
    };
    const double nan = std::nan("");
    const Case damaged[] = {
        {"version",     blockRecord(db(), L"B", 2, AcGePoint3d(), 0)},
        {"origin",      blockRecord(db(), L"B", 1, AcGePoint3d(nan, 0, 0), 0)},
        {"flags",       blockRecord(db(), L"B", 1, AcGePoint3d(), 4)},
        {"name",        blockRecord(db(), L"B|C", 1, AcGePoint3d(), 0)},
    };
    for (const Case& c : damaged) {
        AcDbBlockTableRecord target;
        target.setName(L"KEPT");
        target.setOrigin(AcGePoint3d(7, 7, 7));
        vemhost::MemoryFiler bad(c.record, db());
        EXPECT_EQ(Acad::eFilerError, target.dwgInFields(&bad)) << c.what;
        EXPECT_EQ(AcGePoint3d(7, 7, 7), target.origin()) << c.what;
    }
    AcDbBlockTableRecord good;
    vemhost::MemoryFiler fine(blockRecord(db(), L"B", 1, AcGePoint3d(1, 1, 1), 3), db());
    EXPECT_EQ(Acad::eOk, good.dwgInFields(&fine));
}

TEST_F(BlockTable, AReferenceRoundTripsAndRefusesValuesItCannotHold)
{
    const AcDbObjectId block = lineBlock(L"DOOR");
    AcDbBlockReference* ref = newReference(block, AcGePoint3d(1, 2, 3), AcGeScale3d(2, -3, 0.5), 1.25);
    ref->setNormal(AcGeVector3d(0.24532767882651765, -0.5248728908658906, -0.8150599845629009));
    const Bytes record = filed(*ref, db());
    AcDbBlockReference copy;
    vemhost::MemoryFiler in(record, db());
    ASSERT_EQ(Acad::eOk, copy.dwgInFields(&in));
    EXPECT_EQ(record, filed(copy, db()));
    EXPECT_EQ(block, copy.blockTableRecord());
    std::unique_ptr<AcDbEntity> cloned(AcDbEntity::cast(ref->clone()));
    ASSERT_NE(nullptr, cloned);
    EXPECT_EQ(record, filed(*cloned, db()));
    delete ref;

    struct Case {
        const char* what;
        Bytes record;
        Acad::ErrorStatus status;
    };
    const double inf = HUGE_VAL;
    const AcGePoint3d at(1, 1, 1);
    const AcGeScale3d one(1, 1, 1);
    const AcGeVector3d z = AcGeVector3d::kZAxis;
    //  what                  record                                                                         status
    const Case cases[] = {
        {"later version",     referenceRecord(db(), 2, at, one, 0, z),                                       Acad::eMakeMeProxy},
        {"position",          referenceRecord(db(), 1, AcGePoint3d(inf, 0, 0), one, 0, z),                  Acad::eFilerError},
        {"zero scale",        referenceRecord(db(), 1, at, AcGeScale3d(1, 0, 1), 0, z),                     Acad::eFilerError},
        {"tiny scale",        referenceRecord(db(), 1, at, AcGeScale3d(1e-12, 1, 1), 0, z),                 Acad::eFilerError},
        {"scale not finite",  referenceRecord(db(), 1, at, AcGeScale3d(1, std::nan(""), 1), 0, z),          Acad::eFilerError},
        {"rotation a turn",   referenceRecord(db(), 1, at, one, 2 * M_PI, z),                               Acad::eFilerError},
        {"rotation negative", referenceRecord(db(), 1, at, one, -0.5, z),                                   Acad::eFilerError},
        {"zero normal",       referenceRecord(db(), 1, at, one, 0, AcGeVector3d()),                         Acad::eFilerError},
        {"attribute count",   referenceRecord(db(), 1, at, one, 0, z, 0xFFFFFFFFu),                         Acad::eFilerError},
    };
    for (const Case& c : cases) {
        AcDbBlockReference target(AcGePoint3d(9, 9, 9), block);
        vemhost::MemoryFiler bad(c.record, db());
        EXPECT_EQ(c.status, target.dwgInFields(&bad)) << c.what;
        EXPECT_EQ(AcGePoint3d(9, 9, 9), target.position()) << c.what;
        EXPECT_EQ(block, target.blockTableRecord()) << c.what;
    }
    // The setters refuse the same values.
    AcDbBlockReference target;
    EXPECT_EQ(Acad::eInvalidInput, target.setScaleFactors(AcGeScale3d(0, 1, 1)));
    EXPECT_EQ(Acad::eInvalidInput, target.setPosition(AcGePoint3d(inf, 0, 0)));
    EXPECT_EQ(Acad::eInvalidInput, target.setRotation(inf));
    EXPECT_EQ(Acad::eInvalidInput, target.setNormal(AcGeVector3d()));
    EXPECT_EQ(Acad::eWrongObjectType, target.setBlockTableRecord(db()->clayer()));
    EXPECT_EQ(Acad::eInvalidInput, target.setBlockTableRecord(db()->currentSpaceId()));
    EXPECT_EQ(Acad::eOk, target.setRotation(-M_PI / 2));
    EXPECT_NEAR(1.5 * M_PI, target.rotation(), 1e-12);
}

TEST_F(BlockTable, ABlockThatWouldShowItselfIsRefusedAndOneReadSoIsCutOff)
{
    const AcDbObjectId a = lineBlock(L"A");
    const AcDbObjectId b = lineBlock(L"B");
    const AcDbObjectId c = lineBlock(L"C");
    AcDbObjectId bInA, cInB;
    ASSERT_EQ(Acad::eOk, appendTo(db(), a, new AcDbBlockReference(AcGePoint3d(), b), &bInA));
    ASSERT_EQ(Acad::eOk, appendTo(db(), b, new AcDbBlockReference(AcGePoint3d(), c), &cInB));
    // Directly, through one block and through two.
    EXPECT_EQ(Acad::eInvalidInput, appendTo(db(), a, new AcDbBlockReference(AcGePoint3d(), a)));
    EXPECT_EQ(Acad::eInvalidInput, appendTo(db(), b, new AcDbBlockReference(AcGePoint3d(), a)));
    EXPECT_EQ(Acad::eInvalidInput, appendTo(db(), c, new AcDbBlockReference(AcGePoint3d(), a)));
    EXPECT_EQ(Acad::eOk, appendTo(db(), a, new AcDbBlockReference(AcGePoint3d(), c)));
    AcDbBlockReference* ref = nullptr;
    ASSERT_EQ(Acad::eOk, acdbOpenObject(ref, cInB, AcDb::kForWrite));
    EXPECT_EQ(Acad::eInvalidInput, ref->setBlockTableRecord(a));
    EXPECT_EQ(Acad::eInvalidInput, ref->setBlockTableRecord(b));
    EXPECT_EQ(c, ref->blockTableRecord());

    // A file may hold what the runtime refuses: C's reference made to show A behind the
    // checks. Drawing, extents, snaps and explode stop where a block repeats.
    AcDbBlockReference shaped(AcGePoint3d(), a);
    const Bytes showsA = filed(shaped, db());
    vemhost::MemoryFiler in(showsA, db());
    ASSERT_EQ(Acad::eOk, ref->dwgInFields(&in));
    ref->close();
    AcDbObjectId top;
    ASSERT_EQ(Acad::eOk, appendTo(db(), AcDbObjectId(), new AcDbBlockReference(AcGePoint3d(), a), &top));
    AcDbEntity* ent = nullptr;
    ASSERT_EQ(Acad::eOk, acdbOpenAcDbEntity(ent, top, AcDb::kForRead));
    const size_t drawn = drawnPoints(ent).size();
    EXPECT_GT(drawn, 0u);
    EXPECT_LT(drawn, 100u);
    AcDbExtents extents;
    EXPECT_EQ(Acad::eOk, ent->getGeomExtents(extents));
    AcGePoint3dArray snaps;
    AcDbIntArray geomIds;
    EXPECT_EQ(Acad::eOk, ent->getOsnapPoints(AcDb::kOsModeEnd, 0, AcGePoint3d(), AcGePoint3d(),
                                             AcGeMatrix3d::kIdentity, snaps, geomIds));
    EXPECT_GT(snaps.length(), 0);
    ent->close();
}

TEST_F(BlockTable, UndoTakesABlocksCreationBackAndRedoBringsItAgain)
{
    vemhost::runAsCommand(L"BLOCK", [&] { lineBlock(L"DOOR"); });
    vemhost::UndoHistory* history = vemhost::undoHistory(db());
    AcDbBlockTable* table = nullptr;
    auto has = [&](const wchar_t* name) {
        EXPECT_EQ(Acad::eOk, db()->getBlockTable(table, AcDb::kForRead));
        const bool found = table->has(name);
        table->close();
        return found;
    };
    ASSERT_TRUE(has(L"DOOR"));
    history->undo();
    EXPECT_FALSE(has(L"DOOR"));
    history->redo();
    ASSERT_TRUE(has(L"DOOR"));
    AcDbBlockTableRecord* rec = nullptr;
    ASSERT_EQ(Acad::eOk, db()->getBlockTable(table, AcDb::kForRead));
    ASSERT_EQ(Acad::eOk, table->getAt(L"DOOR", rec, AcDb::kForRead));
    table->close();
    EXPECT_EQ(AcGePoint3d(1, 2, 0), rec->origin());
    AcDbBlockTableRecordIterator* it = nullptr;
    ASSERT_EQ(Acad::eOk, rec->newIterator(it));
    int live = 0;
    for (; !it->done(); it->step())
        ++live;
    delete it;
    rec->close();
    EXPECT_EQ(1, live);

    // The origin changed in a command comes back on undo.
    vemhost::runAsCommand(L"BASE", [&] {
        ASSERT_EQ(Acad::eOk, db()->getBlockTable(table, AcDb::kForRead));
        ASSERT_EQ(Acad::eOk, table->getAt(L"DOOR", rec, AcDb::kForWrite));
        table->close();
        rec->setOrigin(AcGePoint3d(9, 9, 0));
        rec->close();
    });
    history->undo();
    ASSERT_EQ(Acad::eOk, db()->getBlockTable(table, AcDb::kForRead));
    ASSERT_EQ(Acad::eOk, table->getAt(L"DOOR", rec, AcDb::kForRead));
    table->close();
    EXPECT_EQ(AcGePoint3d(1, 2, 0), rec->origin());
    rec->close();
}

TEST_F(BlockTable, ReferenceIdsAreTheDirectOnesOrThroughEveryLevel)
{
    const AcDbObjectId inner = lineBlock(L"INNER");
    const AcDbObjectId outer = lineBlock(L"OUTER");
    AcDbObjectId innerInOuter, outerInModel, innerInModel, erased;
    appendTo(db(), outer, new AcDbBlockReference(AcGePoint3d(), inner), &innerInOuter);
    appendTo(db(), AcDbObjectId(), new AcDbBlockReference(AcGePoint3d(), outer), &outerInModel);
    appendTo(db(), AcDbObjectId(), new AcDbBlockReference(AcGePoint3d(), inner), &innerInModel);
    appendTo(db(), AcDbObjectId(), new AcDbBlockReference(AcGePoint3d(), inner), &erased);
    AcDbEntity* ent = nullptr;
    ASSERT_EQ(Acad::eOk, acdbOpenAcDbEntity(ent, erased, AcDb::kForWrite));
    ent->erase();
    ent->close();
    AcDbBlockTableRecord* rec = nullptr;
    ASSERT_EQ(Acad::eOk, acdbOpenObject(rec, inner, AcDb::kForRead));
    AcDbObjectIdArray direct, all;
    EXPECT_EQ(Acad::eOk, rec->getBlockReferenceIds(direct));
    EXPECT_EQ(Acad::eOk, rec->getBlockReferenceIds(all, false));
    rec->close();
    ASSERT_EQ(2, direct.length());
    EXPECT_TRUE(direct.contains(innerInOuter) && direct.contains(innerInModel));
    ASSERT_EQ(3, all.length());
    EXPECT_TRUE(all.contains(outerInModel));
}

TEST_F(BlockTable, ListShowsTheBlockNamePositionScalesAndRotation)
{
    const AcDbObjectId block = lineBlock(L"门");
    AcDbObjectId id;
    ASSERT_EQ(Acad::eOk, appendTo(db(), AcDbObjectId(),
                                  newReference(block, AcGePoint3d(1, 2, 0), AcGeScale3d(2, -1, 1), M_PI / 2), &id));
    vemhost::startCapture();
    AcDbEntity* ent = nullptr;
    ASSERT_EQ(Acad::eOk, acdbOpenAcDbEntity(ent, id, AcDb::kForRead));
    ent->list();
    ent->close();
    const std::string listed = vemhost::takeCaptured();
    vemhost::stopCapture();
    for (const char* line : {"BLOCK REFERENCE  Layer: \"0\"", "Block Name: \"门\"", "at point, X=1.0000  Y=2.0000  Z=0.0000",
                             "X scale factor: 2.0000", "Y scale factor: -1.0000", "rotation angle: 90.0000",
                             "Z scale factor: 1.0000"})
        EXPECT_NE(std::string::npos, listed.find(line)) << line << " in\n" << listed;
}
