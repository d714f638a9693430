// The drawing store over the runtime's object table: the objects and header values a
// drawing file saves, what proxies kept, and objects and header put back on opening.
#include "drawing_store.h"

#include <algorithm>

#include "db_internals.h"
#include "db_proxy.h"

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
}

}  // namespace acrt
