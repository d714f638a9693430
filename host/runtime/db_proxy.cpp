// Proxies of the host runtime: objects kept byte for byte when their class is missing
// or their record cannot be read, which draw their saved graphics instead of themselves
// and refuse every edit.
#include "db_proxy.h"

#include <cwchar>
#include <new>

#include "acutads.h"
#include "rx_runtime_class.h"
#include "vemhost_testing.h"

ACRT_DEFINE_CLASS(AcDbProxyEntity, AcDbEntity, "ACAD_PROXY_ENTITY");
ACRT_DEFINE_CLASS(AcDbProxyObject, AcDbObject, "ACAD_PROXY_OBJECT");

namespace acrt {

namespace {

// Version of a proxy's own state as undo and copy filers carry it.
const Adesk::UInt8 kProxyStateVersion = 1;

// ---- a proxy's own state in undo and copy filers ----------------------------------------

Acad::ErrorStatus writeBlock(AcDbDwgFiler* pFiler, const std::vector<unsigned char>& bytes)
{
    Acad::ErrorStatus es = pFiler->writeUInt32(Adesk::UInt32(bytes.size()));
    return es == Acad::eOk ? pFiler->writeBytes(bytes.data(), bytes.size()) : es;
}

Acad::ErrorStatus readBlock(AcDbDwgFiler* pFiler, std::vector<unsigned char>& bytes)
{
    Adesk::UInt32 size = 0;
    Acad::ErrorStatus es = pFiler->readUInt32(&size);
    if (es != Acad::eOk)
        return es;
    if (size > kMaxProxyBytes)
        return Acad::eFilerError;
    try {
        bytes.resize(size);
    } catch (const std::bad_alloc&) {
        return Acad::eOutOfMemory;
    }
    return pFiler->readBytes(bytes.data(), size);
}

Acad::ErrorStatus writeClass(AcDbDwgFiler* pFiler, const ProxyClass& cls)
{
    Acad::ErrorStatus es = pFiler->writeUInt8(kProxyStateVersion);
    for (const std::wstring* text : {&cls.name, &cls.parentName, &cls.dxfName, &cls.appName})
        if (es == Acad::eOk)
            es = pFiler->writeString(text->c_str());
    return es == Acad::eOk ? pFiler->writeInt32(cls.proxyFlags) : es;
}

Acad::ErrorStatus readClass(AcDbDwgFiler* pFiler, ProxyClass& cls)
{
    Adesk::UInt8 version = 0;
    Acad::ErrorStatus es = pFiler->readUInt8(&version);
    if (es != Acad::eOk)
        return es;
    if (version != kProxyStateVersion)
        return Acad::eMakeMeProxy;
    AcString texts[4];
    for (AcString& text : texts)
        if (es == Acad::eOk)
            es = pFiler->readString(text);
    Adesk::Int32 flags = 0;
    if (es == Acad::eOk)
        es = pFiler->readInt32(&flags);
    if (es != Acad::eOk)
        return es;
    cls = ProxyClass{texts[0].wstr(), texts[1].wstr(), texts[2].wstr(), texts[3].wstr(), int(flags)};
    return Acad::eOk;
}

void listProxy(const ACHAR* kind, const AcString& layer, const ProxyClass& cls)
{
    AcString text;
    text.format(L"\n%s  Layer: \"%s\"\n  Original class name: %s\n  Application: %s\n", kind, layer.kwszPtr(),
                cls.name.c_str(), cls.appName.c_str());
    acutPrintf(L"%s", text.kwszPtr());
}

}  // namespace

// Fills new proxies: the one place that sets what a proxy keeps.
struct ProxyAccess {
    static void fill(AcDbProxyEntity& proxy, AcDbDatabase* db, const ProxyClass& cls,
                     std::vector<unsigned char> record, std::vector<unsigned char> graphics)
    {
        proxy.m_class = cls;
        proxy.m_record = std::move(record);
        proxy.m_graphics = std::move(graphics);
        // The common properties come from the record's leading entity part when it
        // reads; a failed read leaves the defaults (it changes nothing part-way).
        vemhost::MemoryFiler filer(proxy.m_record, db, AcDb::kFileFiler);
        proxy.AcDbEntity::dwgInFields(&filer);
        proxy.m_drawing = decodeGraphics(db, proxy.m_graphics);
    }
    static void fill(AcDbProxyObject& proxy, const ProxyClass& cls, std::vector<unsigned char> record)
    {
        proxy.m_class = cls;
        proxy.m_record = std::move(record);
    }
};

AcDbObject* makeProxy(AcDbDatabase* db, const ProxyClass& cls, bool isEntity, std::vector<unsigned char> record,
                      std::vector<unsigned char> graphics)
{
    try {
        if (isEntity) {
            std::unique_ptr<AcDbProxyEntity> proxy(new AcDbProxyEntity());
            ProxyAccess::fill(*proxy, db, cls, std::move(record), std::move(graphics));
            return proxy.release();
        }
        std::unique_ptr<AcDbProxyObject> proxy(new AcDbProxyObject());
        ProxyAccess::fill(*proxy, cls, std::move(record));
        return proxy.release();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// The class registry files every class of the runtime under this application name.
bool isRuntimeClass(const AcRxClass* cls)
{
    return cls != nullptr && std::wcscmp(cls->appName(), L"ObjectDBX Classes") == 0;
}

bool isProxyClass(const AcRxClass* cls)
{
    return cls != nullptr && (cls == AcDbProxyEntity::desc() || cls == AcDbProxyObject::desc());
}

}  // namespace acrt

// ---- the proxy entity ---------------------------------------------------------------------------

AcDbProxyEntity::AcDbProxyEntity() = default;
AcDbProxyEntity::~AcDbProxyEntity() = default;

Acad::ErrorStatus AcDbProxyEntity::setColorIndex(Adesk::UInt16, Adesk::Boolean) { return Acad::eNotAllowedForThisProxy; }
Acad::ErrorStatus AcDbProxyEntity::setLayer(const ACHAR*, Adesk::Boolean, bool) { return Acad::eNotAllowedForThisProxy; }
Acad::ErrorStatus AcDbProxyEntity::setLayer(AcDbObjectId, Adesk::Boolean, bool) { return Acad::eNotAllowedForThisProxy; }
Acad::ErrorStatus AcDbProxyEntity::setLinetype(AcDbObjectId, Adesk::Boolean) { return Acad::eNotAllowedForThisProxy; }
Acad::ErrorStatus AcDbProxyEntity::setLinetypeScale(double, Adesk::Boolean) { return Acad::eNotAllowedForThisProxy; }
Acad::ErrorStatus AcDbProxyEntity::setLineWeight(AcDb::LineWeight, Adesk::Boolean)
{
    return Acad::eNotAllowedForThisProxy;
}
Acad::ErrorStatus AcDbProxyEntity::setVisibility(AcDb::Visibility, Adesk::Boolean)
{
    return Acad::eNotAllowedForThisProxy;
}

AcRxObject* AcDbProxyEntity::clone() const
{
    return (proxyFlags() & kCloningAllowed) != 0 ? AcDbEntity::clone() : nullptr;
}

Acad::ErrorStatus AcDbProxyEntity::dwgOutFields(AcDbDwgFiler* pFiler) const
{
    Acad::ErrorStatus es = AcDbEntity::dwgOutFields(pFiler);
    if (es == Acad::eOk)
        es = acrt::writeClass(pFiler, m_class);
    if (es == Acad::eOk)
        es = acrt::writeBlock(pFiler, m_record);
    if (es == Acad::eOk)
        es = acrt::writeBlock(pFiler, m_graphics);
    return es;
}

Acad::ErrorStatus AcDbProxyEntity::dwgInFields(AcDbDwgFiler* pFiler)
{
    Acad::ErrorStatus es = AcDbEntity::dwgInFields(pFiler);
    acrt::ProxyClass cls;
    std::vector<unsigned char> record, graphics;
    if (es == Acad::eOk)
        es = acrt::readClass(pFiler, cls);
    if (es == Acad::eOk)
        es = acrt::readBlock(pFiler, record);
    if (es == Acad::eOk)
        es = acrt::readBlock(pFiler, graphics);
    if (es != Acad::eOk)
        return es;
    m_class = std::move(cls);
    m_record = std::move(record);
    m_graphics = std::move(graphics);
    m_drawing = acrt::decodeGraphics(pFiler->database(), m_graphics);
    return Acad::eOk;
}

Adesk::Boolean AcDbProxyEntity::subWorldDraw(AcGiWorldDraw* pWd)
{
    assertReadEnabled();
    if (m_drawing)
        acrt::drawGraphics(*m_drawing, pWd);
    return Adesk::kTrue;
}

// The host lets a proxy be erased only when its class's proxy flags say so.
Acad::ErrorStatus AcDbProxyEntity::subErase(Adesk::Boolean erasing)
{
    if (erasing && (proxyFlags() & kEraseAllowed) == 0)
        return Acad::eNotAllowedForThisProxy;
    return AcDbEntity::subErase(erasing);
}

Acad::ErrorStatus AcDbProxyEntity::subGetGeomExtents(AcDbExtents& extents) const
{
    assertReadEnabled();
    extents = AcDbExtents();
    if (m_drawing)
        acrt::addGraphicsExtents(*m_drawing, extents);
    return extents.isEmpty() ? Acad::eInvalidExtents : Acad::eOk;
}

// Moving, transforming or exploding would need the class that wrote the record.
Acad::ErrorStatus AcDbProxyEntity::subExplode(AcDbVoidPtrArray&) const { return Acad::eNotAllowedForThisProxy; }
Acad::ErrorStatus AcDbProxyEntity::subTransformBy(const AcGeMatrix3d&) { return Acad::eNotAllowedForThisProxy; }
Acad::ErrorStatus AcDbProxyEntity::subGetTransformedCopy(const AcGeMatrix3d&, AcDbEntity*& pEnt) const
{
    pEnt = nullptr;
    return Acad::eNotAllowedForThisProxy;
}
Acad::ErrorStatus AcDbProxyEntity::subMoveGripPointsAt(const AcDbIntArray&, const AcGeVector3d&)
{
    return Acad::eNotAllowedForThisProxy;
}
Acad::ErrorStatus AcDbProxyEntity::subMoveStretchPointsAt(const AcDbIntArray&, const AcGeVector3d&)
{
    return Acad::eNotAllowedForThisProxy;
}

void AcDbProxyEntity::subList() const
{
    assertReadEnabled();
    acrt::listProxy(L"ACAD_PROXY_ENTITY", layer(), m_class);
}

// ---- the proxy object ------------------------------------------------------------------------------

AcDbProxyObject::AcDbProxyObject() = default;
AcDbProxyObject::~AcDbProxyObject() = default;

AcRxObject* AcDbProxyObject::clone() const
{
    return (proxyFlags() & kCloningAllowed) != 0 ? AcDbObject::clone() : nullptr;
}

Acad::ErrorStatus AcDbProxyObject::dwgOutFields(AcDbDwgFiler* pFiler) const
{
    Acad::ErrorStatus es = AcDbObject::dwgOutFields(pFiler);
    if (es == Acad::eOk)
        es = acrt::writeClass(pFiler, m_class);
    return es == Acad::eOk ? acrt::writeBlock(pFiler, m_record) : es;
}

Acad::ErrorStatus AcDbProxyObject::dwgInFields(AcDbDwgFiler* pFiler)
{
    Acad::ErrorStatus es = AcDbObject::dwgInFields(pFiler);
    acrt::ProxyClass cls;
    std::vector<unsigned char> record;
    if (es == Acad::eOk)
        es = acrt::readClass(pFiler, cls);
    if (es == Acad::eOk)
        es = acrt::readBlock(pFiler, record);
    if (es != Acad::eOk)
        return es;
    m_class = std::move(cls);
    m_record = std::move(record);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbProxyObject::subErase(Adesk::Boolean erasing)
{
    if (erasing && (proxyFlags() & kEraseAllowed) == 0)
        return Acad::eNotAllowedForThisProxy;
    return AcDbObject::subErase(erasing);
}
