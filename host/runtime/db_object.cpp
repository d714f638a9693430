// Database objects: the host's open/close discipline, erasing, filing and copying.
#include <new>
#include <cstdio>
#include <cstdlib>

#include "acrt_assert.h"
#include "db_internals.h"
#include "dbapserv.h"
#include "dbsymtb.h"
#include "object_heap.h"
#include "rx_runtime_class.h"
#include "undo_recorder.h"
#include "vemhost_program.h"
#include "vemhost_testing.h"

namespace {
long g_liveObjects = 0;

// Test-only failure of a later open by id (vemhost::testing::failOpenAfter): opens left before
// it fails, 0 when none is armed.
int g_opensBeforeFailure = 0;
Acad::ErrorStatus g_openFailure = Acad::eOk;

// The database a copy's references are resolved in: the object's own, or for an
// object outside any database (a display piece, a copy) the working database whose
// layers and styles it refers to.
AcDbDatabase* copyDatabase(const AcDbObject* obj)
{
    AcDbDatabase* db = obj->database();
    return db ? db : acdbHostApplicationServices()->workingDatabase();
}
}

ACRT_DEFINE_CLASS(AcGiDrawable, AcRxObject, "");
ACRT_DEFINE_CLASS(AcDbObject, AcGiDrawable, "");

namespace vemhost {
std::size_t countObjects(AcDbDatabase* db, const std::function<bool(const AcDbObject*)>& which)
{
    AcDbDatabase::Impl* impl = AcDbSystemInternals::impl(db);
    std::size_t n = 0;
    if (impl != nullptr)
        for (const AcDbStub& stub : impl->stubs)
            if (stub.object != nullptr && which(stub.object))
                ++n;
    return n;
}
}  // namespace vemhost

namespace vemhost::testing {
long liveObjectCount() { return g_liveObjects; }
std::size_t objectHeapBytesInUse() { return acrt::objectHeapUsage().bytesInUse; }
void failOpenAfter(int n, Acad::ErrorStatus es)
{
    g_opensBeforeFailure = n > 0 ? n : 0;
    g_openFailure = es;
}
bool openFailurePending() { return g_opensBeforeFailure > 0; }
long openObjectCount(const AcDbDatabase* db)
{
    AcDbDatabase::Impl* impl = AcDbSystemInternals::impl(db);
    return impl ? impl->openCount : 0;
}
}  // namespace vemhost::testing

// Database objects come from the host's object heap (object_heap.cpp).
void* AcDbObject::operator new(size_t size)
{
    void* p = acrt::allocateObject(size);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}
void* AcDbObject::operator new(size_t size, const std::nothrow_t&) noexcept { return acrt::allocateObject(size); }
void AcDbObject::operator delete(void* p) noexcept { acrt::freeObject(p); }
void AcDbObject::operator delete(void* p, const std::nothrow_t&) noexcept { acrt::freeObject(p); }

AcDbObject::AcDbObject() { ++g_liveObjects; }

AcDbObject::~AcDbObject()
{
    --g_liveObjects;
    if (m_stub == nullptr)
        return;
    AcDbDatabase::Impl* impl = AcDbSystemInternals::impl(m_stub->database);
    if (impl != nullptr && !impl->tearingDown) {
        // Only the database deletes resident objects; anything else is a host fault.
        std::fprintf(stderr, "host: resident object (handle %llX) deleted outside its database\n",
                     (unsigned long long)m_stub->handle);
        std::abort();
    }
    m_stub->object = nullptr;
}

AcDbObjectId AcDbObject::objectId() const { return AcDbObjectId(m_stub); }
Acad::ErrorStatus AcDbObject::setOwnerId(AcDbObjectId objId)
{
    m_ownerId = objId;
    return Acad::eOk;
}
AcDbDatabase* AcDbObject::database() const { return m_stub ? m_stub->database : nullptr; }
void AcDbObject::getAcDbHandle(AcDbHandle& handle) const { handle = objectHandle(); }
AcDbHandle AcDbObject::objectHandle() const { return m_stub ? AcDbHandle(m_stub->handle) : AcDbHandle(); }
Adesk::Boolean AcDbObject::isErased() const { return m_stub != nullptr && m_stub->erased; }

Acad::ErrorStatus AcDbObject::subClose() { return Acad::eOk; }

Acad::ErrorStatus AcDbObject::close()
{
    if (m_stub == nullptr) {
        // An object that never reached a database ends with its close, as on the host.
        delete this;
        return Acad::eOk;
    }
    if (!m_writeOpen && m_readers == 0)
        return Acad::eInvalidOpenState;
    Acad::ErrorStatus es = subClose();
    AcDbDatabase::Impl* impl = AcDbSystemInternals::impl(m_stub->database);
    if (m_writeOpen)
        m_writeOpen = false;
    else
        --m_readers;
    if (impl != nullptr && !m_writeOpen && m_readers == 0)
        --impl->openCount;
    m_new = false;
    return es;
}

Acad::ErrorStatus AcDbObject::cancel() { return close(); }

Acad::ErrorStatus AcDbObject::upgradeOpen()
{
    if (m_writeOpen)
        return Acad::eWasOpenForWrite;
    if (m_readers != 1)
        return Acad::eWasOpenForRead;
    if (const AcDbEntity* ent = AcDbEntity::cast(this)) {
        const AcDbLayerTableRecord* layer = AcDbSystemInternals::peekLayer(ent);
        if (layer != nullptr && layer->isLocked())
            return Acad::eOnLockedLayer;
    }
    if (acrt::DatabaseObserver* obs = acrt::databaseObserver(database()))
        obs->objectOpenedForWrite(this);
    m_readers = 0;
    m_writeOpen = true;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbObject::downgradeOpen()
{
    if (!m_writeOpen)
        return Acad::eWasNotOpenForWrite;
    m_writeOpen = false;
    m_readers = 1;
    return Acad::eOk;
}

void AcDbObject::assertReadEnabled() const { ACRT_ASSERT(isReadEnabled(), "object is not open for read"); }

void AcDbObject::assertWriteEnabled(Adesk::Boolean, Adesk::Boolean recordModified)
{
    ACRT_ASSERT(m_writeOpen, "object is not open for write");
    if (recordModified)
        m_modified = true;
}

void AcDbObject::assertNotifyEnabled() const { ACRT_ASSERT(isReadEnabled(), "object is not open for notify"); }

Acad::ErrorStatus AcDbObject::subErase(Adesk::Boolean) { return Acad::eOk; }

Acad::ErrorStatus AcDbObject::erase(Adesk::Boolean erasing)
{
    if (!m_writeOpen)
        return Acad::eNotOpenForWrite;
    if (m_stub == nullptr)
        return Acad::eNotInDatabase;
    if (m_stub->erased == erasing)
        return erasing ? Acad::eWasErased : Acad::eOk;
    Acad::ErrorStatus es = subErase(erasing);
    if (es != Acad::eOk)
        return es;
    m_stub->erased = erasing;
    m_modified = true;
    if (acrt::DatabaseObserver* obs = acrt::databaseObserver(database()))
        obs->objectErased(this, erasing);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbObject::dwgIn(AcDbDwgFiler* pFiler) { return pFiler ? dwgInFields(pFiler) : Acad::eNullObjectPointer; }
Acad::ErrorStatus AcDbObject::dwgOut(AcDbDwgFiler* pFiler) const
{
    return pFiler ? dwgOutFields(pFiler) : Acad::eNullObjectPointer;
}

// The object's own part of a record is empty: the owner and handle are the
// database's business and are kept beside the record.
Acad::ErrorStatus AcDbObject::dwgInFields(AcDbDwgFiler* pFiler)
{
    assertWriteEnabled();
    return pFiler->filerStatus();
}
Acad::ErrorStatus AcDbObject::dwgOutFields(AcDbDwgFiler* pFiler) const
{
    assertReadEnabled();
    return pFiler->filerStatus();
}

AcRxObject* AcDbObject::clone() const
{
    AcRxClass* cls = isA();
    AcRxObject* created = cls ? cls->create() : nullptr;
    AcDbObject* copy = AcDbObject::cast(created);
    if (copy == nullptr) {
        // The class of a live object makes instances: none made means no memory.
        if (cls != nullptr && created == nullptr)
            throw std::bad_alloc();
        delete created;
        return nullptr;
    }
    vemhost::MemoryFiler filer(copyDatabase(this), AcDb::kCopyFiler);
    if (dwgOut(&filer) != Acad::eOk || filer.filerStatus() != Acad::eOk) {
        delete copy;
        // Memory ran out as it would have in new: say so the same way, so that the
        // command copying is ended and undone rather than going on copying nothing.
        if (filer.filerStatus() == Acad::eOutOfMemory)
            throw std::bad_alloc();
        return nullptr;
    }
    filer.rewind();
    if (copy->dwgIn(&filer) != Acad::eOk) {
        delete copy;
        return nullptr;
    }
    return copy;
}

Acad::ErrorStatus AcDbObject::copyFrom(const AcRxObject* pSrc)
{
    const AcDbObject* src = AcDbObject::cast(pSrc);
    if (src == nullptr || src->isA() != isA())
        return Acad::eWrongObjectType;
    vemhost::MemoryFiler filer(copyDatabase(src), AcDb::kCopyFiler);
    Acad::ErrorStatus es = src->dwgOut(&filer);
    if (es != Acad::eOk)
        return es;
    filer.rewind();
    return dwgIn(&filer);
}

Adesk::UInt32 AcDbObject::subSetAttributes(AcGiDrawableTraits*) { return kDrawableNone; }
Adesk::Boolean AcDbObject::subWorldDraw(AcGiWorldDraw*) { return true; }
void AcDbObject::subViewportDraw(AcGiViewportDraw*) {}

// ---- opening by id ---------------------------------------------------------------

Acad::ErrorStatus AcDbSystemInternals::open(AcDbObject*& pObj, AcDbObjectId id, AcDb::OpenMode mode,
                                            const AcRxClass* pClass, bool openErased)
{
    pObj = nullptr;
    if (g_opensBeforeFailure > 0 && --g_opensBeforeFailure == 0)
        return g_openFailure;
    AcDbStub* stub = stubOf(id);
    if (stub == nullptr)
        return Acad::eNullObjectId;
    AcDbObject* obj = stub->object;
    if (obj == nullptr)
        return stub->erased ? Acad::ePermanentlyErased : Acad::eKeyNotFound;
    if (stub->erased && !openErased)
        return Acad::eWasErased;
    if (pClass != nullptr && !obj->isKindOf(pClass))
        return Acad::eNotThatKindOfClass;
    if (obj->m_writeOpen)
        return Acad::eWasOpenForWrite;
    AcDbDatabase::Impl* impl = AcDbSystemInternals::impl(stub->database);
    if (mode == AcDb::kForWrite) {
        if (obj->m_readers > 0)
            return Acad::eWasOpenForRead;
        if (const AcDbEntity* ent = AcDbEntity::cast(obj)) {
            const AcDbLayerTableRecord* layer = peekLayer(ent);
            if (layer != nullptr && layer->isLocked())
                return Acad::eOnLockedLayer;
        }
        if (impl != nullptr)
            impl->changes.objectOpenedForWrite(obj);
        obj->m_writeOpen = true;
    } else {
        ++obj->m_readers;
    }
    if (impl != nullptr && (obj->m_writeOpen ? 1 : obj->m_readers) == 1)
        ++impl->openCount;
    pObj = obj;
    return Acad::eOk;
}

Acad::ErrorStatus acdbOpenAcDbObject(AcDbObject*& pObj, AcDbObjectId id, AcDb::OpenMode mode, bool openErasedObject)
{
    return AcDbSystemInternals::open(pObj, id, mode, nullptr, openErasedObject);
}

Acad::ErrorStatus acdbOpenAcDbObject(AcDbObject*& pObj, AcDbObjectId id, AcDb::OpenMode mode, const AcRxClass* pClass,
                                     bool openErasedObject)
{
    return AcDbSystemInternals::open(pObj, id, mode, pClass, openErasedObject);
}

Acad::ErrorStatus acdbOpenAcDbEntity(AcDbEntity*& pEnt, AcDbObjectId id, AcDb::OpenMode mode, bool openErasedEntity)
{
    AcDbObject* obj = nullptr;
    Acad::ErrorStatus es = AcDbSystemInternals::open(obj, id, mode, AcDbEntity::desc(), openErasedEntity);
    pEnt = es == Acad::eOk ? static_cast<AcDbEntity*>(obj) : nullptr;
    return es;
}

AcDbObject* AcDbSystemInternals::peek(AcDbObjectId id)
{
    AcDbStub* stub = stubOf(id);
    return stub ? stub->object : nullptr;
}

const AcDbLayerTableRecord* AcDbSystemInternals::peekLayer(const AcDbEntity* ent)
{
    AcDbObject* obj = peek(ent->layerId());
    return obj ? AcDbLayerTableRecord::cast(obj) : nullptr;
}

std::vector<unsigned char> AcDbSystemInternals::filedStateOf(AcDbObject* obj)
{
    vemhost::MemoryFiler filer(obj->database(), AcDb::kUndoFiler);
    ++obj->m_readers;
    obj->dwgOutFields(&filer);
    --obj->m_readers;
    return filer.takeBytes();
}

Acad::ErrorStatus AcDbSystemInternals::restoreFiledState(AcDbObject* obj, const std::vector<unsigned char>& bytes)
{
    if (obj->m_writeOpen || obj->m_readers > 0)
        return Acad::eWasOpenForWrite;
    vemhost::MemoryFiler filer(bytes, obj->database(), AcDb::kUndoFiler);
    obj->m_writeOpen = true;
    Acad::ErrorStatus es = obj->dwgInFields(&filer);
    obj->m_writeOpen = false;
    return es;
}
