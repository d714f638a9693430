// The drawing store over the runtime's object table: the objects and header values a
// drawing file saves, what proxies kept, objects and header put back on opening and
// the check of their lists, and the file each database was last stored in.
#include "drawing_store.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <mutex>
#include <unordered_map>

#include "db_internals.h"
#include "db_proxy.h"
#include "dbsymtb.h"
#include "point_display.h"

namespace acrt {

StoreHeader storeHeaderOf(const AcDbDatabase* db)
{
    StoreHeader header;
    const AcDbDatabase::Impl* impl = AcDbSystemInternals::impl(db);
    if (impl == nullptr)
        return header;
    header.blockTable = impl->blockTable;
    header.layerTable = impl->layerTable;
    header.textStyleTable = impl->textStyleTable;
    header.linetypeTable = impl->linetypeTable;
    header.modelSpace = impl->modelSpace;
    header.paperSpace = impl->paperSpace;
    header.clayer = impl->clayer;
    header.textstyle = impl->textstyle;
    header.handseed = impl->handseed;
    header.tilemode = impl->tilemode;
    header.pdmode = impl->pdmode;
    header.pdsize = impl->pdsize;
    header.textsize = impl->textsize;
    header.insunits = impl->insunits;
    return header;
}

std::vector<AcDbObjectId> storedObjectsOf(const AcDbDatabase* db)
{
    std::vector<AcDbObjectId> ids;
    AcDbDatabase::Impl* impl = AcDbSystemInternals::impl(db);
    if (impl == nullptr)
        return ids;
    std::vector<AcDbStub*> stubs;
    stubs.reserve(impl->stubs.size());
    for (AcDbStub& stub : impl->stubs)
        if (stub.object != nullptr && !stub.erased)
            stubs.push_back(&stub);
    // Stubs are made in handle order except those a drawing file named before use.
    std::sort(stubs.begin(), stubs.end(), [](const AcDbStub* a, const AcDbStub* b) { return a->handle < b->handle; });
    ids.reserve(stubs.size());
    for (AcDbStub* stub : stubs)
        ids.emplace_back(stub);
    return ids;
}

bool proxyContentsOf(const AcDbObject* obj, ProxyContents& out)
{
    if (const AcDbProxyEntity* proxy = AcDbProxyEntity::cast(obj)) {
        out.cls = &proxy->originalClass();
        out.record = &proxy->originalRecord();
        out.graphics = &proxy->savedGraphics();
        return true;
    }
    if (const AcDbProxyObject* proxy = AcDbProxyObject::cast(obj)) {
        out.cls = &proxy->originalClass();
        out.record = &proxy->originalRecord();
        out.graphics = nullptr;
        return true;
    }
    return false;
}

Acad::ErrorStatus addLoadedObject(AcDbDatabase* db, AcDbObject* obj, Adesk::UInt64 handle, AcDbObjectId owner)
{
    if (db == nullptr || obj == nullptr)
        return Acad::eNullObjectPointer;
    if (handle == 0)
        return Acad::eInvalidInput;
    AcDbObjectId id;
    Acad::ErrorStatus es = AcDbSystemInternals::makeResident(db, obj, id, handle);
    if (es != Acad::eOk)
        return es;
    AcDbSystemInternals::setOwner(obj, owner);
    return obj->close();
}

Adesk::UInt64 aimHandseed(AcDbDatabase* db, Adesk::UInt64 handle)
{
    AcDbDatabase::Impl* impl = AcDbSystemInternals::impl(db);
    if (impl == nullptr || handle == 0)
        return 0;
    const Adesk::UInt64 previous = impl->handseed;
    impl->handseed = handle;
    return previous;
}

void raiseHandseed(AcDbDatabase* db, Adesk::UInt64 handle)
{
    AcDbDatabase::Impl* impl = AcDbSystemInternals::impl(db);
    if (impl != nullptr && handle > impl->handseed)
        impl->handseed = handle;
}

void restoreStoreHeader(AcDbDatabase* db, const StoreHeader& header)
{
    AcDbDatabase::Impl* impl = AcDbSystemInternals::impl(db);
    if (impl == nullptr)
        return;
    impl->blockTable = header.blockTable;
    impl->layerTable = header.layerTable;
    impl->textStyleTable = header.textStyleTable;
    impl->linetypeTable = header.linetypeTable;
    impl->modelSpace = header.modelSpace;
    impl->paperSpace = header.paperSpace;
    impl->clayer = header.clayer;
    impl->textstyle = header.textstyle;
    if (header.handseed > impl->handseed)
        impl->handseed = header.handseed;
    impl->tilemode = header.tilemode;
    if (acrt::isPointMode(header.pdmode))
        impl->pdmode = header.pdmode;
    if (std::isfinite(header.pdsize))
        impl->pdsize = header.pdsize;
    if (header.textsize > 0.0 && std::isfinite(header.textsize))
        impl->textsize = header.textsize;
    if (acrt::isUnitsValue(header.insunits))
        impl->insunits = header.insunits;
}

namespace {

// The record class a table holds; symbol table records in general for another table.
const AcRxClass* recordClassOf(const AcDbSymbolTable* table)
{
    if (AcDbBlockTable::cast(table) != nullptr)
        return AcDbBlockTableRecord::desc();
    if (AcDbLayerTable::cast(table) != nullptr)
        return AcDbLayerTableRecord::desc();
    if (AcDbTextStyleTable::cast(table) != nullptr)
        return AcDbTextStyleTableRecord::desc();
    if (AcDbLinetypeTable::cast(table) != nullptr)
        return AcDbLinetypeTableRecord::desc();
    return AcDbSymbolTableRecord::desc();
}

// The first entry of the list that its owner cannot hold.
bool findMisplaced(const AcDbObject* owner, const std::vector<AcDbObjectId>& entries, const AcRxClass* holds,
                   const AcRxClass* orProxyOf, MisplacedEntry& found)
{
    for (const AcDbObjectId& id : entries) {
        const AcDbObject* entry = AcDbSystemInternals::peek(id);
        if (entry != owner && entry != nullptr &&
            (entry->isKindOf(holds) || (orProxyOf != nullptr && entry->isKindOf(orProxyOf))))
            continue;
        found.owner = owner->objectId().handle().value();
        found.entry = id.handle().value();
        return true;
    }
    return false;
}

}  // namespace

bool findMisplacedEntry(const AcDbDatabase* db, MisplacedEntry& found)
{
    AcDbDatabase::Impl* impl = AcDbSystemInternals::impl(db);
    if (impl == nullptr)
        return false;
    for (AcDbStub& stub : impl->stubs) {
        AcDbObject* obj = stub.object;
        if (obj == nullptr || stub.erased)
            continue;
        if (AcDbBlockTableRecord* block = AcDbBlockTableRecord::cast(obj)) {
            if (findMisplaced(obj, AcDbSystemInternals::entityList(block), AcDbEntity::desc(), nullptr, found))
                return true;
        } else if (const AcDbSymbolTable* table = AcDbSymbolTable::cast(obj)) {
            if (findMisplaced(obj, table->recordIds(), recordClassOf(table), AcDbProxyObject::desc(), found))
                return true;
        }
    }
    return false;
}

// ---- the file of a drawing ----------------------------------------------------------------

namespace {

// By database serial: a serial is never used again, so a database made where a
// deleted one was never takes over its file.
struct StoredFiles {
    std::mutex lock;
    std::unordered_map<Adesk::Int64, StoredFile> bySerial;
};

StoredFiles& storedFiles()
{
    static StoredFiles files;
    return files;
}

}  // namespace

void rememberStoredFile(const AcDbDatabase* db, const StoredFile& file)
{
    const AcDbDatabase::Impl* impl = AcDbSystemInternals::impl(db);
    if (impl == nullptr)
        return;
    StoredFiles& files = storedFiles();
    std::lock_guard<std::mutex> hold(files.lock);
    for (auto it = files.bySerial.begin(); it != files.bySerial.end();)
        it = databaseOfSerial(it->first) == nullptr ? files.bySerial.erase(it) : std::next(it);
    files.bySerial[impl->serial] = file;
}

bool storedFileOf(const AcDbDatabase* db, StoredFile& file)
{
    const AcDbDatabase::Impl* impl = AcDbSystemInternals::impl(db);
    if (impl == nullptr)
        return false;
    StoredFiles& files = storedFiles();
    std::lock_guard<std::mutex> hold(files.lock);
    auto it = files.bySerial.find(impl->serial);
    if (it == files.bySerial.end())
        return false;
    file = it->second;
    return true;
}

}  // namespace acrt
