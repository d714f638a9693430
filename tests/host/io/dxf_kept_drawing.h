// Building drawings that hold what a DXF file kept (pass-through entities and objects,
// DXF extras) under the handles the file gave them, as reading one would, for the tests
// of DXF output and the ezdxf check.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <string>
#include <utility>

#include "dbsymtb.h"
#include "drawing_builder.h"
#include "drawing_store.h"
#include "pass_through.h"

namespace kept_test {

inline acrt::DxfGroups groupsOf(std::initializer_list<std::pair<int, std::string>> list)
{
    acrt::DxfGroups groups;
    for (const auto& g : list)
        groups.push_back({g.first, g.second});
    return groups;
}

inline std::string hex(std::uint64_t value)
{
    char buf[24];
    std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(value));
    return buf;
}

inline std::uint64_t handleOf(AcDbObjectId id) { return id.handle().value(); }

// Appends ent to the space (or block) under handle, as a reader keeps the file's
// handles; the id, null when it failed.
inline AcDbObjectId appendWithHandle(AcDbDatabase* db, AcDbObjectId block, AcDbEntity* ent, std::uint64_t handle)
{
    const Adesk::UInt64 seed = acrt::aimHandseed(db, handle);
    const AcDbObjectId id = test_support::appendTo(block, ent);
    acrt::raiseHandseed(db, seed);
    return id;
}

inline AcDbObjectId appendKeptEntity(AcDbDatabase* db, const ACHAR* space, const char* type, std::uint64_t handle,
                                     acrt::DxfGroups groups)
{
    return appendWithHandle(db, test_support::blockId(db, space), new DxfPassThroughEntity(type, std::move(groups)),
                            handle);
}

// A pass-through object resident under handle (its owner left null).
inline bool addKept(AcDbDatabase* db, acrt::DxfPlace place, const char* type, std::uint64_t handle,
                    acrt::DxfGroups groups)
{
    DxfPassThroughObject* obj = new DxfPassThroughObject(place, type, std::move(groups));
    const Acad::ErrorStatus es = acrt::addLoadedObject(db, obj, handle, AcDbObjectId());
    if (es != Acad::eOk)
        delete obj;
    return es == Acad::eOk;
}

// Sets the extras of an object of the drawing (opened for write meanwhile).
inline bool setExtras(AcDbObjectId id, acrt::DxfGroups extras)
{
    AcDbObject* obj = nullptr;
    if (acdbOpenObject(obj, id, AcDb::kForWrite) != Acad::eOk)
        return false;
    acrt::setDxfExtras(obj, std::move(extras));
    obj->close();
    return true;
}

inline AcDbObjectId symbolId(AcDbDatabase* db, AcDbObjectId tableId, const ACHAR* name)
{
    AcDbSymbolTable* table = nullptr;
    AcDbObjectId id;
    if (acdbOpenObject(table, tableId, AcDb::kForRead) == Acad::eOk) {
        table->getAt(name, id);
        table->close();
    }
    (void)db;
    return id;
}

}  // namespace kept_test
