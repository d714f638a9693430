// What a drawing read from DXF keeps of what the host does not model, gathered for
// tests: every pass-through entity and object with its handle, owner, place and groups,
// and the DXF extras of modelled objects.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "dbmain.h"
#include "dbsymtb.h"
#include "drawing_store.h"
#include "pass_through.h"

namespace test_support {

using Groups = std::vector<std::pair<int, std::string>>;

inline Groups plain(const acrt::DxfGroups& groups)
{
    Groups out;
    for (const acrt::DxfGroup& g : groups)
        out.emplace_back(g.code, g.value);
    return out;
}

struct KeptRecord {
    Adesk::UInt64 handle = 0, owner = 0;
    bool entity = false;
    acrt::DxfPlace place = acrt::DxfPlace::kObject;
    std::string type;
    Groups groups;
};

// Every pass-through entity and object of db, in handle order.
inline std::vector<KeptRecord> keptRecords(AcDbDatabase* db)
{
    std::vector<KeptRecord> kept;
    for (const AcDbObjectId& id : acrt::storedObjectsOf(db)) {
        AcDbObject* obj = nullptr;
        if (acdbOpenObject(obj, id, AcDb::kForRead) != Acad::eOk)
            continue;
        KeptRecord record;
        record.handle = id.handle().value();
        record.owner = obj->ownerId().handle().value();
        if (const DxfPassThroughEntity* ent = DxfPassThroughEntity::cast(obj)) {
            record.entity = true;
            record.type = ent->dxfType();
            record.groups = plain(ent->groups());
            kept.push_back(record);
        } else if (const DxfPassThroughObject* other = DxfPassThroughObject::cast(obj)) {
            record.place = other->place();
            record.type = other->dxfType();
            record.groups = plain(other->groups());
            kept.push_back(record);
        }
        obj->close();
    }
    return kept;
}

inline const KeptRecord* keptWithHandle(const std::vector<KeptRecord>& kept, Adesk::UInt64 handle)
{
    for (const KeptRecord& record : kept)
        if (record.handle == handle)
            return &record;
    return nullptr;
}

// The extras of the object with this handle; empty when it has none.
inline Groups extrasOfHandle(AcDbDatabase* db, Adesk::UInt64 handle)
{
    AcDbObjectId id;
    AcDbObject* obj = nullptr;
    Groups extras;
    if (db->getAcDbObjectId(id, false, AcDbHandle(handle)) != Acad::eOk ||
        acdbOpenObject(obj, id, AcDb::kForRead) != Acad::eOk)
        return extras;
    if (const acrt::DxfGroups* groups = acrt::dxfExtrasOf(obj))
        extras = plain(*groups);
    obj->close();
    return extras;
}

// The class name of the object with this handle, empty when there is none.
inline std::string classOfHandle(AcDbDatabase* db, Adesk::UInt64 handle)
{
    AcDbObjectId id;
    AcDbObject* obj = nullptr;
    if (db->getAcDbObjectId(id, false, AcDbHandle(handle)) != Acad::eOk ||
        acdbOpenObject(obj, id, AcDb::kForRead) != Acad::eOk)
        return std::string();
    std::string name;
    for (const ACHAR* c = obj->isA()->name(); *c != 0; ++c)
        name += char(*c);
    obj->close();
    return name;
}

// The handle of the record named name in a symbol table, 0 when there is none.
template <class Table>
Adesk::UInt64 recordHandle(AcDbDatabase* db, const ACHAR* name)
{
    Table* table = nullptr;
    AcDbObjectId id;
    if (db->getSymbolTable(table, AcDb::kForRead) != Acad::eOk)
        return 0;
    const bool found = table->getAt(name, id) == Acad::eOk;
    table->close();
    return found ? id.handle().value() : 0;
}

}  // namespace test_support
