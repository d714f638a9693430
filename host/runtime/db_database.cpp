// The drawing database: its object table of handles and ids, the default drawing
// every new database starts from, and the host application services.
#include <cmath>
#include <cwchar>
#include <map>

#include "db_internals.h"
#include "dbapserv.h"
#include "dbsymtb.h"
#include "point_display.h"
#include "rx_runtime_class.h"
#include "spatial_index.h"
#include "undo_recorder.h"

ACRT_DEFINE_CLASS(AcDbDatabase, AcRxObject, "");

const AcDbObjectId AcDbObjectId::kNull;

// ---- ids and handles -----------------------------------------------------------------

bool AcDbObjectId::isErased() const { return mId != nullptr && mId->erased; }
AcDbDatabase* AcDbObjectId::database() const { return mId ? mId->database : nullptr; }
AcDbHandle AcDbObjectId::handle() const { return mId ? AcDbHandle(mId->handle) : AcDbHandle(); }

void AcDbHandle::getIntoAsciiBuffer(ACHAR* pBuf, size_t nBufLen) const
{
    if (pBuf != nullptr && nBufLen > 0)
        std::swprintf(pBuf, nBufLen, L"%llX", (unsigned long long)m_value);
}

// ---- the object table ----------------------------------------------------------------

AcDbDatabase::Impl::Impl()
    : undo(std::make_unique<acrt::UndoRecorder>()), spatial(std::make_unique<acrt::SpatialIndex>())
{
    changes.add(undo.get());
    changes.add(spatial.get());
}
AcDbDatabase::Impl::~Impl() = default;

AcDbStub* AcDbDatabase::Impl::newStub(AcDbDatabase* owner)
{
    stubs.emplace_back();
    AcDbStub* stub = &stubs.back();
    stub->database = owner;
    // The seed may have been aimed below handles in use (acrt::aimHandseed): pass them.
    while (byHandle.find(handseed) != nullptr)
        ++handseed;
    stub->handle = handseed++;
    byHandle.insert(stub->handle, stub);
    return stub;
}

AcDbStub* AcDbDatabase::Impl::stubForHandle(Adesk::UInt64 handle, bool create, AcDbDatabase* owner)
{
    if (AcDbStub* known = byHandle.find(handle))
        return known;
    if (!create || handle == 0)
        return nullptr;
    stubs.emplace_back();
    AcDbStub* stub = &stubs.back();
    stub->database = owner;
    stub->handle = handle;
    byHandle.insert(handle, stub);
    if (handle >= handseed)
        handseed = handle + 1;
    return stub;
}

Acad::ErrorStatus AcDbSystemInternals::makeResident(AcDbDatabase* db, AcDbObject* obj, AcDbObjectId& id,
                                                    Adesk::UInt64 handle)
{
    if (db == nullptr || obj == nullptr)
        return Acad::eNullObjectPointer;
    if (obj->m_stub != nullptr)
        return Acad::eAlreadyInDb;
    AcDbDatabase::Impl* impl = db->m_impl;
    AcDbStub* stub = handle == 0 ? impl->newStub(db) : impl->stubForHandle(handle, true, db);
    if (stub == nullptr || stub->object != nullptr)
        return Acad::eDuplicateKey;
    stub->object = obj;
    stub->erased = false;
    obj->m_stub = stub;
    id = AcDbObjectId(stub);
    // The object keeps the open it was made with: the caller closes it.
    if (obj->m_writeOpen || obj->m_readers > 0)
        ++impl->openCount;
    return Acad::eOk;
}

namespace {
// Live databases by serial, so that an entity name can be checked before use.
std::map<Adesk::Int64, AcDbDatabase*>& liveDatabases()
{
    static std::map<Adesk::Int64, AcDbDatabase*> dbs;
    return dbs;
}
Adesk::Int64 g_nextSerial = 1;
}  // namespace

namespace acrt {
AcDbDatabase* databaseOfSerial(Adesk::Int64 serial)
{
    auto it = liveDatabases().find(serial);
    return it == liveDatabases().end() ? nullptr : it->second;
}

DatabaseObserver* databaseObserver(const AcDbDatabase* db)
{
    AcDbDatabase::Impl* impl = AcDbSystemInternals::impl(db);
    return impl ? &impl->changes : nullptr;
}
}  // namespace acrt

namespace vemhost {
UndoHistory* undoHistory(AcDbDatabase* db)
{
    AcDbDatabase::Impl* impl = AcDbSystemInternals::impl(db);
    return impl ? impl->undo.get() : nullptr;
}
}  // namespace vemhost

// ---- the default drawing ---------------------------------------------------------------

namespace {

template <class Table>
AcDbObjectId addTable(AcDbDatabase* db)
{
    Table* table = new Table();
    AcDbObjectId id;
    AcDbSystemInternals::makeResident(db, table, id);
    table->close();
    return id;
}

AcDbObjectId addRecord(AcDbObjectId tableId, AcDbSymbolTableRecord* record)
{
    AcDbObject* obj = nullptr;
    AcDbObjectId id;
    if (acdbOpenAcDbObject(obj, tableId, AcDb::kForWrite) != Acad::eOk) {
        delete record;
        return id;
    }
    AcDbSymbolTable* table = static_cast<AcDbSymbolTable*>(obj);
    if (table->add(id, record) != Acad::eOk)
        delete record;
    else
        record->close();
    table->close();
    return id;
}

AcDbSymbolTableRecord* named(AcDbSymbolTableRecord* record, const ACHAR* name)
{
    record->setName(name);
    return record;
}

}  // namespace

AcDbDatabase::AcDbDatabase(bool buildDefaultDrawing, bool) : m_impl(new Impl())
{
    m_impl->serial = g_nextSerial++;
    liveDatabases()[m_impl->serial] = this;
    if (!buildDefaultDrawing)
        return;
    m_impl->blockTable = addTable<AcDbBlockTable>(this);
    m_impl->layerTable = addTable<AcDbLayerTable>(this);
    m_impl->textStyleTable = addTable<AcDbTextStyleTable>(this);
    m_impl->linetypeTable = addTable<AcDbLinetypeTable>(this);
    m_impl->modelSpace = addRecord(m_impl->blockTable, named(new AcDbBlockTableRecord(), ACDB_MODEL_SPACE));
    m_impl->paperSpace = addRecord(m_impl->blockTable, named(new AcDbBlockTableRecord(), ACDB_PAPER_SPACE));
    addRecord(m_impl->linetypeTable, named(new AcDbLinetypeTableRecord(), L"ByBlock"));
    addRecord(m_impl->linetypeTable, named(new AcDbLinetypeTableRecord(), L"ByLayer"));
    AcDbLinetypeTableRecord* continuous = new AcDbLinetypeTableRecord();
    continuous->setName(L"Continuous");
    continuous->setComments(L"Solid line");
    AcDbObjectId continuousId = addRecord(m_impl->linetypeTable, continuous);
    AcDbLayerTableRecord* layer0 = new AcDbLayerTableRecord();
    layer0->setName(L"0");
    layer0->setLinetypeObjectId(continuousId);
    m_impl->clayer = addRecord(m_impl->layerTable, layer0);
    AcDbTextStyleTableRecord* standard = new AcDbTextStyleTableRecord();
    standard->setName(L"Standard");
    standard->setFileName(L"txt");
    m_impl->textstyle = addRecord(m_impl->textStyleTable, standard);
}

AcDbDatabase::~AcDbDatabase()
{
    m_impl->tearingDown = true;
    liveDatabases().erase(m_impl->serial);
    for (AcDbStub& stub : m_impl->stubs) {
        AcDbObject* obj = stub.object;
        if (obj != nullptr) {
            stub.object = nullptr;
            AcDbSystemInternals::setClosed(obj);
            delete obj;
        }
    }
    delete m_impl;
}

namespace {
template <class Table>
Acad::ErrorStatus openTable(AcDbObjectId id, Table*& pTable, AcDb::OpenMode mode)
{
    AcDbObject* obj = nullptr;
    pTable = nullptr;
    Acad::ErrorStatus es = acdbOpenAcDbObject(obj, id, mode, Table::desc());
    if (es == Acad::eOk)
        pTable = static_cast<Table*>(obj);
    return es;
}
}  // namespace

Acad::ErrorStatus AcDbDatabase::getSymbolTable(AcDbBlockTable*& pTable, AcDb::OpenMode mode)
{
    return openTable(m_impl->blockTable, pTable, mode);
}
Acad::ErrorStatus AcDbDatabase::getSymbolTable(AcDbLayerTable*& pTable, AcDb::OpenMode mode)
{
    return openTable(m_impl->layerTable, pTable, mode);
}
Acad::ErrorStatus AcDbDatabase::getSymbolTable(AcDbTextStyleTable*& pTable, AcDb::OpenMode mode)
{
    return openTable(m_impl->textStyleTable, pTable, mode);
}
Acad::ErrorStatus AcDbDatabase::getSymbolTable(AcDbLinetypeTable*& pTable, AcDb::OpenMode mode)
{
    return openTable(m_impl->linetypeTable, pTable, mode);
}

AcDbObjectId AcDbDatabase::blockTableId() const { return m_impl->blockTable; }
AcDbObjectId AcDbDatabase::layerTableId() const { return m_impl->layerTable; }
AcDbObjectId AcDbDatabase::textStyleTableId() const { return m_impl->textStyleTable; }
AcDbObjectId AcDbDatabase::linetypeTableId() const { return m_impl->linetypeTable; }
AcDbObjectId AcDbDatabase::currentSpaceId() const { return m_impl->tilemode ? m_impl->modelSpace : m_impl->paperSpace; }
AcDbObjectId AcDbDatabase::clayer() const { return m_impl->clayer; }
AcDbObjectId AcDbDatabase::textstyle() const { return m_impl->textstyle; }
AcDbHandle AcDbDatabase::handseed() const { return AcDbHandle(m_impl->handseed); }
bool AcDbDatabase::tilemode() const { return m_impl->tilemode; }

Acad::ErrorStatus AcDbDatabase::setTilemode(bool mode)
{
    m_impl->tilemode = mode;
    return Acad::eOk;
}

Adesk::Int16 AcDbDatabase::pdmode() const { return m_impl->pdmode; }

Acad::ErrorStatus AcDbDatabase::setPdmode(Adesk::Int16 mode)
{
    if (!acrt::isPointMode(mode))
        return Acad::eInvalidInput;
    m_impl->pdmode = mode;
    return Acad::eOk;
}

double AcDbDatabase::pdsize() const { return m_impl->pdsize; }

Acad::ErrorStatus AcDbDatabase::setPdsize(double size)
{
    if (!std::isfinite(size))
        return Acad::eInvalidInput;
    m_impl->pdsize = size;
    return Acad::eOk;
}

double AcDbDatabase::textsize() const { return m_impl->textsize; }

Acad::ErrorStatus AcDbDatabase::setTextsize(double size)
{
    if (!(size > 0.0) || !std::isfinite(size))
        return Acad::eInvalidInput;
    m_impl->textsize = size;
    return Acad::eOk;
}

AcDb::UnitsValue AcDbDatabase::insunits() const { return m_impl->insunits; }

Acad::ErrorStatus AcDbDatabase::setInsunits(const AcDb::UnitsValue units)
{
    if (!acrt::isUnitsValue(int(units)))
        return Acad::eInvalidInput;
    m_impl->insunits = units;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDatabase::setClayer(AcDbObjectId layerId)
{
    AcDbObject* obj = AcDbSystemInternals::peek(layerId);
    if (obj == nullptr || !obj->isKindOf(AcDbLayerTableRecord::desc()) || layerId.database() != this)
        return Acad::eInvalidInput;
    m_impl->clayer = layerId;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbDatabase::getAcDbObjectId(AcDbObjectId& retId, bool createIfNotFound,
                                                const AcDbHandle& objHandle, Adesk::UInt32)
{
    AcDbStub* stub = m_impl->stubForHandle(objHandle.value(), createIfNotFound, this);
    retId = AcDbObjectId(stub);
    return stub ? Acad::eOk : Acad::eKeyNotFound;
}

Acad::ErrorStatus AcDbDatabase::addAcDbObject(AcDbObjectId& objId, AcDbObject* pObj)
{
    return AcDbSystemInternals::makeResident(this, pObj, objId);
}

// ---- host application services ---------------------------------------------------------

AcDbHostApplicationServices* acdbHostApplicationServices()
{
    static AcDbHostApplicationServices services;
    return &services;
}
