// Drawing files keep what a DXF file gave that the host does not model: pass-through
// entities and objects (owned by nothing or by one another) save and open as they were,
// and the DXF extras of saved objects come back beside them, in a table that a drawing
// without extras does not have. Damaged extras are refused with a message.
#include <gtest/gtest.h>

#include "dbents.h"
#include "drawing_file.h"
#include "drawing_store.h"
#include "host_fixture.h"
#include "io_test_support.h"
#include "pass_through.h"

namespace {

acrt::DxfGroups groupsOf(std::initializer_list<std::pair<int, const char*>> list)
{
    acrt::DxfGroups groups;
    for (const auto& item : list)
        groups.push_back(acrt::DxfGroup{item.first, item.second});
    return groups;
}

bool sameGroups(const acrt::DxfGroups& a, const acrt::DxfGroups& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].code != b[i].code || a[i].value != b[i].value)
            return false;
    return true;
}

long long countOf(const std::string& path, const std::string& sql)
{
    sqlite3* file = nullptr;
    EXPECT_EQ(sqlite3_open(path.c_str(), &file), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    long long count = -1;
    if (sqlite3_prepare_v2(file, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
        count = sqlite3_column_int64(stmt, 0);
    sqlite3_finalize(stmt);
    sqlite3_close(file);
    return count;
}

const acrt::DxfGroups kHatch = groupsOf({{5, "2B"}, {330, "1F"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbHatch"},
                                         {91, "1"}, {92, "2"}, {72, "0"}, {73, "1"}, {93, "3"}, {10, "0"},
                                         {20, "0"}, {10, "4"}, {20, "0"}, {10, "0"}, {20, "3"}, {97, "0"},
                                         {1000, "Ünïcode 文字"}});
const acrt::DxfGroups kExtras = groupsOf({{102, "{ACAD_REACTORS"}, {330, "A0"}, {102, "}"}, {1001, "APP"},
                                          {1000, "kept"}, {1040, "2.50"}});

class PassThroughDrawing : public HostFixture {
protected:
    std::string path(const char* name) const { return m_dir.file(name); }

    // Makes obj resident under handle, owned by owner.
    void addObject(AcDbObject* obj, Adesk::UInt64 handle, AcDbObjectId owner = AcDbObjectId())
    {
        ASSERT_EQ(acrt::addLoadedObject(db(), obj, handle, owner), Acad::eOk);
    }

    void setExtras(AcDbObjectId id, const acrt::DxfGroups& extras)
    {
        AcDbObject* obj = nullptr;
        ASSERT_EQ(acdbOpenAcDbObject(obj, id, AcDb::kForRead), Acad::eOk);
        acrt::setDxfExtras(obj, extras);
        obj->close();
    }

    // The extras of the object of the handle in db, empty when it has none.
    static acrt::DxfGroups extrasOf(AcDbDatabase* db, Adesk::UInt64 handle)
    {
        AcDbObject* obj = nullptr;
        if (acdbOpenAcDbObject(obj, idOf(db, handle), AcDb::kForRead) != Acad::eOk)
            return acrt::DxfGroups();
        const acrt::DxfGroups* extras = acrt::dxfExtrasOf(obj);
        acrt::DxfGroups copy = extras != nullptr ? *extras : acrt::DxfGroups();
        obj->close();
        return copy;
    }

    ScratchDir m_dir;
};

}  // namespace

TEST_F(PassThroughDrawing, PassThroughEntitiesObjectsAndExtrasSaveAndOpen)
{
    const AcDbObjectId hatch = appendTo(db(), ACDB_MODEL_SPACE, new DxfPassThroughEntity("HATCH", kHatch));
    const AcDbObjectId line = appendTo(db(), ACDB_MODEL_SPACE, new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0)));
    const AcDbObjectId erased = appendTo(db(), ACDB_MODEL_SPACE, new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(2, 0, 0)));
    setExtras(line, kExtras);
    setExtras(hatch, groupsOf({{1001, "OTHER"}, {1070, "3"}}));
    setExtras(erased, kExtras);
    AcDbObject* toErase = nullptr;
    ASSERT_EQ(acdbOpenAcDbObject(toErase, erased, AcDb::kForWrite), Acad::eOk);
    toErase->erase();
    toErase->close();

    const acrt::DxfGroups dictionary = groupsOf({{5, "C"}, {100, "AcDbDictionary"}, {3, "ACAD_GROUP"}, {350, "D"}});
    addObject(new DxfPassThroughObject(acrt::DxfPlace::kObject, "DICTIONARY", dictionary), 0x7000);
    addObject(new DxfPassThroughObject(acrt::DxfPlace::kObject, "DICTIONARY", groupsOf({{5, "D"}, {330, "C"}})),
              0x7001, idOf(db(), 0x7000));
    addObject(new DxfPassThroughObject(acrt::DxfPlace::kTableRecord, "VPORT", groupsOf({{2, "*ACTIVE"}, {40, "1"}})),
              0x7002);
    addObject(new DxfPassThroughObject(acrt::DxfPlace::kClass, "CLASS", groupsOf({{1, "WIPEOUT"}, {90, "127"}})),
              0x7003);
    addObject(new DxfPassThroughObject(acrt::DxfPlace::kHeaderVariable, "$DIMSCALE", groupsOf({{40, "2.0"}})),
              0x7004);

    std::string error;
    ASSERT_TRUE(vemio::saveDrawing(db(), path("kept.vdb"), error)) << error;
    EXPECT_EQ(countOf(path("kept.vdb"), "SELECT count(*) FROM dxf_extras"), 2) << "the erased line's are not saved";
    std::unique_ptr<AcDbDatabase> opened = vemio::openDrawing(path("kept.vdb"), error);
    ASSERT_TRUE(opened) << error;

    DxfPassThroughEntity* readHatch = nullptr;
    ASSERT_EQ(acdbOpenObject(readHatch, idOf(opened.get(), hatch.handle().value()), AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(readHatch->dxfType(), "HATCH");
    EXPECT_TRUE(sameGroups(readHatch->groups(), kHatch));
    AcDbExtents box;
    EXPECT_EQ(readHatch->getGeomExtents(box), Acad::eOk);
    EXPECT_EQ(box.maxPoint(), AcGePoint3d(4, 3, 0));
    readHatch->close();
    EXPECT_TRUE(sameGroups(extrasOf(opened.get(), line.handle().value()), kExtras));
    EXPECT_EQ(extrasOf(opened.get(), hatch.handle().value()).size(), 2u);

    struct Expected {
        Adesk::UInt64 handle;
        acrt::DxfPlace place;
        const char* type;
        Adesk::UInt64 owner;
    };
    const Expected objects[] = {{0x7000, acrt::DxfPlace::kObject, "DICTIONARY", 0},
                                {0x7001, acrt::DxfPlace::kObject, "DICTIONARY", 0x7000},
                                {0x7002, acrt::DxfPlace::kTableRecord, "VPORT", 0},
                                {0x7003, acrt::DxfPlace::kClass, "CLASS", 0},
                                {0x7004, acrt::DxfPlace::kHeaderVariable, "$DIMSCALE", 0}};
    for (const Expected& e : objects) {
        DxfPassThroughObject* obj = nullptr;
        ASSERT_EQ(acdbOpenObject(obj, idOf(opened.get(), e.handle), AcDb::kForRead), Acad::eOk) << e.type;
        EXPECT_EQ(obj->place(), e.place) << e.type;
        EXPECT_EQ(obj->dxfType(), e.type);
        EXPECT_EQ(obj->ownerId().handle().value(), e.owner) << e.type;
        obj->close();
    }
    DxfPassThroughObject* first = nullptr;
    ASSERT_EQ(acdbOpenObject(first, idOf(opened.get(), 0x7000), AcDb::kForRead), Acad::eOk);
    EXPECT_TRUE(sameGroups(first->groups(), dictionary));
    first->close();

    // Saved again, the file is the same drawing.
    ASSERT_TRUE(vemio::saveDrawing(opened.get(), path("again.vdb"), error)) << error;
    EXPECT_EQ(objectRows(path("kept.vdb")), objectRows(path("again.vdb")));
    EXPECT_EQ(countOf(path("again.vdb"), "SELECT count(*) FROM dxf_extras"), 2);
}

TEST_F(PassThroughDrawing, DrawingsWithoutExtrasHaveNoExtrasTable)
{
    appendTo(db(), ACDB_MODEL_SPACE, new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0)));
    std::string error;
    ASSERT_TRUE(vemio::saveDrawing(db(), path("plain.vdb"), error)) << error;
    EXPECT_EQ(countOf(path("plain.vdb"), "SELECT count(*) FROM sqlite_master WHERE name = 'dxf_extras'"), 0);
    EXPECT_TRUE(vemio::openDrawing(path("plain.vdb"), error)) << error;

    // A table of that name laid out otherwise is not a drawing's.
    runSql(path("plain.vdb"), "CREATE TABLE dxf_extras (handle INTEGER)");
    EXPECT_FALSE(vemio::openDrawing(path("plain.vdb"), error));
    EXPECT_NE(error.find("not a VEM drawing"), std::string::npos) << error;
}

TEST_F(PassThroughDrawing, DamagedExtrasAreRefusedWithAMessage)
{
    const AcDbObjectId line = appendTo(db(), ACDB_MODEL_SPACE, new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0)));
    setExtras(line, kExtras);
    std::string error;
    ASSERT_TRUE(vemio::saveDrawing(db(), path("good.vdb"), error)) << error;
    const Bytes good = readFile(path("good.vdb"));
    const std::string handle = std::to_string(line.handle().value());
    const struct {
        const char* sql;
        const char* message;
    } damages[] = {
        {"UPDATE dxf_extras SET groups = x'0102'", "do not read"},
        {"UPDATE dxf_extras SET groups = x'FFFFFF7F00'", "do not read"},
        {"UPDATE dxf_extras SET groups = groups || x'00'", "do not read"},
        {"UPDATE dxf_extras SET handle = 999999", "which the drawing does not hold"},
    };
    for (const auto& damage : damages) {
        writeFile(path("bad.vdb"), good);
        runSql(path("bad.vdb"), damage.sql);
        EXPECT_FALSE(vemio::openDrawing(path("bad.vdb"), error)) << damage.sql;
        EXPECT_NE(error.find(damage.message), std::string::npos) << damage.sql << ": " << error;
        EXPECT_NE(error.find("damaged"), std::string::npos) << error;
    }
}
