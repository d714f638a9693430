// Private to the runtime: what an object id points at, the database's object table,
// and the access the runtime needs to objects' private state.
#pragma once

#include <deque>
#include <memory>
#include <unordered_map>
#include <vector>

#include "dbmain.h"
#include "handle_index.h"
#include "pass_through.h"

class AcDbLayerTableRecord;
class AcDbBlockTableRecord;
class AcDbBlockReference;
class AcDbSymbolTableRecord;

// The slot an object id refers to. Slots live as long as their database, so an id
// stays valid after its object is deleted (it then opens as erased).
class ACRT_PORT AcDbStub {
public:
    AcDbObject* object = nullptr;
    AcDbDatabase* database = nullptr;
    Adesk::UInt64 handle = 0;
    bool erased = false;
};

namespace acrt {

class UndoRecorder;
class SpatialIndex;

// Told about changes to a database's objects, so that undo can record them and the
// spatial index can refresh the extents it holds.
class ACRT_PORT DatabaseObserver {
public:
    virtual ~DatabaseObserver() = default;
    // A resident object is about to be changed: called on every open for write,
    // before the caller can change anything.
    virtual void objectOpenedForWrite(AcDbObject* object) = 0;
    virtual void objectAppended(AcDbObject* object) = 0;
    virtual void objectErased(AcDbObject* object, bool erasing) = 0;
    // Undo or redo has just put back a filed state or an erased mark, unseen by opens.
    virtual void objectRestored(AcDbObject*) {}
    // Objects that an abandoned command made have been deleted from the database (their
    // stubs hold no object): forget them. Memory may be short: allocate nothing.
    virtual void objectsDiscarded() {}
};

// Passes each change on to the database's observers in turn: its undo history first.
class ACRT_PORT ChangeFanout final : public DatabaseObserver {
public:
    void add(DatabaseObserver* observer) { m_observers.push_back(observer); }
    void objectOpenedForWrite(AcDbObject* object) override
    {
        for (DatabaseObserver* o : m_observers)
            o->objectOpenedForWrite(object);
    }
    void objectAppended(AcDbObject* object) override
    {
        for (DatabaseObserver* o : m_observers)
            o->objectAppended(object);
    }
    void objectErased(AcDbObject* object, bool erasing) override
    {
        for (DatabaseObserver* o : m_observers)
            o->objectErased(object, erasing);
    }
    void objectRestored(AcDbObject* object) override
    {
        for (DatabaseObserver* o : m_observers)
            o->objectRestored(object);
    }
    void objectsDiscarded() override
    {
        for (DatabaseObserver* o : m_observers)
            o->objectsDiscarded();
    }

private:
    std::vector<DatabaseObserver*> m_observers;
};

// The live database of a serial, or null.
ACRT_PORT AcDbDatabase* databaseOfSerial(Adesk::Int64 serial);
ACRT_PORT DatabaseObserver* databaseObserver(const AcDbDatabase* db);

// True for the values of AcDb::LineWeight (a filed weight is checked before the cast).
bool isValidLineWeight(int lw);
// True for the values of AcDb::UnitsValue.
inline bool isUnitsValue(long long value) { return value >= 0 && value <= AcDb::kUnitsMax; }

// A normal the host can hold: finite, with a finite length that is not zero (a vector
// whose length overflows would normalise to zero).
bool isUsableNormal(const AcGeVector3d& v);
// A filed normal of unit length is kept as it is: normalising it again could move it by
// a rounding step, and then a record read and written back would not be the same.
AcGeVector3d unitNormalOf(const AcGeVector3d& normal);

// A list of ids filed as its count and the ids (erased ones left out when skipErased);
// on reading, a count beyond what a filer could hold is refused before anything is
// allocated, and null ids are dropped.
Acad::ErrorStatus writeIdList(AcDbDwgFiler* pFiler, const std::vector<AcDbObjectId>& ids, bool skipErased);
Acad::ErrorStatus readIdList(AcDbDwgFiler* pFiler, std::vector<AcDbObjectId>& ids);

// A name a block may have (see AcDbBlockTableRecord).
bool isValidBlockName(const AcString& name);
// Gives a block record named "*U", about to be added to the table, its number.
Acad::ErrorStatus numberAnonymousBlock(const AcDbSymbolTable& table, AcDbSymbolTableRecord* record);

}  // namespace acrt

struct ACRT_PORT AcDbDatabase::Impl {
    std::deque<AcDbStub> stubs;
    acrt::HandleIndex byHandle;
    Adesk::UInt64 handseed = 1;
    AcDbObjectId blockTable, layerTable, textStyleTable, linetypeTable;
    AcDbObjectId modelSpace, paperSpace;
    AcDbObjectId clayer, textstyle;
    bool tilemode = true;
    Adesk::Int16 pdmode = 0;
    double pdsize = 0.0;
    double textsize = 2.5;
    AcDb::UnitsValue insunits = AcDb::kUnitsMeters;
    bool tearingDown = false;
    long openCount = 0;
    std::unique_ptr<acrt::UndoRecorder> undo;  // the database's undo history, told of every change
    std::unique_ptr<acrt::SpatialIndex> spatial;  // the entities' extents by block, told of every change
    acrt::ChangeFanout changes;                   // tells both
    Adesk::Int64 serial = 0;  // names the database inside entity names (ads_name)
    // DXF extras of modelled objects by handle (see pass_through.h).
    std::unordered_map<Adesk::UInt64, std::vector<acrt::DxfGroup>> dxfExtras;

    Impl();
    ~Impl();
    AcDbStub* stubForHandle(Adesk::UInt64 handle, bool create, AcDbDatabase* owner);
    AcDbStub* newStub(AcDbDatabase* owner);
};

// The runtime's door to the private state of objects and databases.
class ACRT_PORT AcDbSystemInternals {
public:
    static AcDbStub* stubOf(const AcDbObject* obj) { return obj->m_stub; }
    static void setStub(AcDbObject* obj, AcDbStub* stub) { obj->m_stub = stub; }
    static void setOwner(AcDbObject* obj, AcDbObjectId owner) { obj->m_ownerId = owner; }
    static AcDbDatabase::Impl* impl(const AcDbDatabase* db) { return db ? db->m_impl : nullptr; }
    static AcDbStub* stubOf(AcDbObjectId id) { return static_cast<AcDbStub*>(id); }
    static int readers(const AcDbObject* obj) { return obj->m_readers; }
    static bool writeOpen(const AcDbObject* obj) { return obj->m_writeOpen; }
    // Makes obj resident in db under a new handle (or the given one), closed.
    static Acad::ErrorStatus makeResident(AcDbDatabase* db, AcDbObject* obj, AcDbObjectId& id,
                                          Adesk::UInt64 handle = 0);
    // Opens a resident object, following the host's rules.
    static Acad::ErrorStatus open(AcDbObject*& pObj, AcDbObjectId id, AcDb::OpenMode mode, const AcRxClass* pClass,
                                  bool openErased);
    // Whether the current undo step has recorded the object already.
    static bool undoRecorded(const AcDbObject* obj) { return obj->m_undoRecorded; }
    static void setUndoRecorded(AcDbObject* obj, bool recorded) { obj->m_undoRecorded = recorded; }
    static void setClosed(AcDbObject* obj)
    {
        obj->m_readers = 0;
        obj->m_writeOpen = false;
    }
    static std::vector<AcDbObjectId>& entityList(AcDbBlockTableRecord* btr);
    // The block a reference shows, and a block's origin, read without opening them.
    static AcDbObjectId referencedBlock(const AcDbBlockReference* ref);
    static AcGePoint3d blockOrigin(const AcDbBlockTableRecord* btr);
    // The attributes a copy of a reference held become the database's, owned by the
    // reference, once it is appended.
    static void adoptHeldAttributes(AcDbBlockReference* ref);
    static AcDbObjectIterator* newObjectIterator(std::vector<AcDbObjectId> ids, std::vector<AcDbEntity*> entities);
    // The layer record an entity is on, read without opening it; null if none.
    static const AcDbLayerTableRecord* peekLayer(const AcDbEntity* ent);
    // An object's current state, read without opening it (the runtime's own reads).
    static AcDbObject* peek(AcDbObjectId id);
    // The filed record of a closed object, written without a visible open.
    static std::vector<unsigned char> filedStateOf(AcDbObject* obj);
    // Reads a filed record into a closed object without a visible open and without
    // telling the database's observer (undo restoring an earlier state).
    static Acad::ErrorStatus restoreFiledState(AcDbObject* obj, const std::vector<unsigned char>& bytes);
};
