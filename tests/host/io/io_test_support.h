// Helpers of the drawing-file tests: a scratch directory, files as bytes, the filed
// records of a database, and SQL run straight on a drawing file.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "db_proxy.h"
#include "dbsymtb.h"
#include "drawing_builder.h"
#include "scratch_dir.h"
#include "vemhost_testing.h"

using Bytes = std::vector<unsigned char>;

using test_support::ScratchDir;

inline Bytes readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// An object as a drawing file keeps it: its class and its record. A proxy counts as
// the object it stands for.
struct FiledObject {
    std::wstring className;
    Bytes record;
    bool operator==(const FiledObject& other) const
    {
        return className == other.className && record == other.record;
    }
};

inline FiledObject filedObject(AcDbObject* obj)
{
    if (const AcDbProxyEntity* proxy = AcDbProxyEntity::cast(obj))
        return {proxy->originalClassName(), proxy->originalRecord()};
    if (const AcDbProxyObject* proxy = AcDbProxyObject::cast(obj))
        return {proxy->originalClassName(), proxy->originalRecord()};
    vemhost::MemoryFiler filer(obj->database(), AcDb::kFileFiler);
    EXPECT_EQ(obj->dwgOutFields(&filer), Acad::eOk);
    return {obj->isA()->name(), filer.bytes()};
}

// Every object of the database that is not erased, by handle.
inline std::map<Adesk::UInt64, FiledObject> filedObjects(AcDbDatabase* db)
{
    std::map<Adesk::UInt64, FiledObject> objects;
    for (Adesk::UInt64 handle = 1; handle < db->handseed().value(); ++handle) {
        AcDbObjectId id;
        AcDbObject* obj = nullptr;
        if (db->getAcDbObjectId(id, false, AcDbHandle(handle)) != Acad::eOk ||
            acdbOpenAcDbObject(obj, id, AcDb::kForRead) != Acad::eOk)
            continue;
        objects[handle] = filedObject(obj);
        obj->close();
    }
    return objects;
}

inline AcDbObjectId idOf(AcDbDatabase* db, Adesk::UInt64 handle)
{
    AcDbObjectId id;
    db->getAcDbObjectId(id, false, AcDbHandle(handle));
    return id;
}

// Appends to the space and closes; the append must succeed.
inline AcDbObjectId appendTo(AcDbDatabase* db, const ACHAR* space, AcDbEntity* ent)
{
    const AcDbObjectId id = test_support::appendTo(db, space, ent);
    EXPECT_FALSE(id.isNull()) << "the entity was not appended";
    return id;
}

inline std::vector<Adesk::UInt64> entityHandles(AcDbDatabase* db, const ACHAR* space)
{
    std::vector<Adesk::UInt64> handles;
    AcDbBlockTable* blocks = nullptr;
    AcDbBlockTableRecord* block = nullptr;
    EXPECT_EQ(db->getBlockTable(blocks), Acad::eOk);
    EXPECT_EQ(blocks->getAt(space, block, AcDb::kForRead), Acad::eOk);
    blocks->close();
    for (const AcDbObjectId& id : block->entityIds())
        handles.push_back(id.handle().value());
    block->close();
    return handles;
}

// Runs SQL on a file directly, as another program (or damage) would change it.
inline void runSql(const std::string& path, const std::string& sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
    EXPECT_EQ(rc, SQLITE_OK) << (message ? message : "") << " in " << sql;
    sqlite3_free(message);
    sqlite3_close(db);
}

// One row of a file's objects table, with its graphics.
struct ObjectRow {
    std::string className;
    long long owner = 0;
    Bytes record;
    Bytes graphics;
    bool hasGraphics = false;
    bool operator==(const ObjectRow& o) const
    {
        return className == o.className && owner == o.owner && record == o.record && graphics == o.graphics &&
               hasGraphics == o.hasGraphics;
    }
};

inline Bytes blobColumn(sqlite3_stmt* stmt, int column)
{
    const auto* data = static_cast<const unsigned char*>(sqlite3_column_blob(stmt, column));
    return data ? Bytes(data, data + sqlite3_column_bytes(stmt, column)) : Bytes();
}

inline std::map<long long, ObjectRow> objectRows(const std::string& path)
{
    std::map<long long, ObjectRow> rows;
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, "SELECT o.handle, o.owner, o.class, o.record, g.graphics"
                                    " FROM objects o LEFT JOIN graphics g ON g.handle = o.handle", -1, &stmt, nullptr),
              SQLITE_OK);
    while (stmt != nullptr && sqlite3_step(stmt) == SQLITE_ROW) {
        ObjectRow& row = rows[sqlite3_column_int64(stmt, 0)];
        row.owner = sqlite3_column_int64(stmt, 1);
        row.className = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 2));
        row.record = blobColumn(stmt, 3);
        row.hasGraphics = sqlite3_column_type(stmt, 4) != SQLITE_NULL;
        row.graphics = blobColumn(stmt, 4);
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

// The handle of the first object of a class in a file's objects table (0 if none).
inline long long firstHandleOf(const std::string& path, const std::string& className)
{
    for (const auto& row : objectRows(path))
        if (row.second.className == className)
            return row.first;
    return 0;
}
