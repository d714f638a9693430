// Pass-through objects of the host runtime: DXF records the host does not model, kept
// as their groups and filed as they are; and the DXF extras the database keeps beside
// modelled objects. What a pass-through entity draws and how it moves are in
// pass_through_entity.cpp.
#include "pass_through.h"

#include <algorithm>
#include <new>

#include "db_internals.h"
#include "rx_runtime_class.h"

ACRT_DEFINE_CLASS(DxfPassThroughEntity, AcDbEntity, "DXF_PASS_THROUGH_ENTITY");
ACRT_DEFINE_CLASS(DxfPassThroughObject, AcDbObject, "DXF_PASS_THROUGH_OBJECT");

namespace acrt {

namespace {

Acad::ErrorStatus writeText(AcDbDwgFiler* pFiler, const std::string& text)
{
    Acad::ErrorStatus es = pFiler->writeUInt32(Adesk::UInt32(text.size()));
    return es == Acad::eOk ? pFiler->writeBytes(text.data(), text.size()) : es;
}

Acad::ErrorStatus readText(AcDbDwgFiler* pFiler, std::string& text)
{
    Adesk::UInt32 size = 0;
    Acad::ErrorStatus es = pFiler->readUInt32(&size);
    if (es != Acad::eOk)
        return es;
    if (size > kMaxDxfValueBytes)
        return Acad::eFilerError;
    try {
        text.resize(size);
    } catch (const std::bad_alloc&) {
        return Acad::eOutOfMemory;
    }
    return size == 0 ? Acad::eOk : pFiler->readBytes(&text[0], size);
}

}  // namespace

Acad::ErrorStatus writeDxfGroups(AcDbDwgFiler* pFiler, const DxfGroups& groups)
{
    Acad::ErrorStatus es = pFiler->writeUInt32(Adesk::UInt32(groups.size()));
    for (const DxfGroup& group : groups) {
        if (es == Acad::eOk)
            es = pFiler->writeInt32(group.code);
        if (es == Acad::eOk)
            es = writeText(pFiler, group.value);
    }
    return es;
}

Acad::ErrorStatus readDxfGroups(AcDbDwgFiler* pFiler, DxfGroups& groups)
{
    Adesk::UInt32 count = 0;
    Acad::ErrorStatus es = pFiler->readUInt32(&count);
    if (es != Acad::eOk)
        return es;
    if (count > kMaxDxfGroups)
        return Acad::eFilerError;
    DxfGroups read;
    try {
        // Reserve no more than a filer could hold: each group takes at least 8 bytes.
        read.reserve(std::min<std::size_t>(count, 4096));
        for (Adesk::UInt32 i = 0; i < count && es == Acad::eOk; ++i) {
            DxfGroup group;
            Adesk::Int32 code = 0;
            es = pFiler->readInt32(&code);
            group.code = code;
            if (es == Acad::eOk)
                es = readText(pFiler, group.value);
            if (es == Acad::eOk)
                read.push_back(std::move(group));
        }
    } catch (const std::bad_alloc&) {
        return Acad::eOutOfMemory;
    }
    if (es == Acad::eOk)
        groups = std::move(read);
    return es;
}

void setDxfExtras(AcDbObject* obj, DxfGroups extras)
{
    AcDbDatabase::Impl* impl = obj != nullptr ? AcDbSystemInternals::impl(obj->database()) : nullptr;
    if (impl == nullptr)
        return;
    const Adesk::UInt64 handle = obj->objectId().handle().value();
    if (extras.empty())
        impl->dxfExtras.erase(handle);
    else
        impl->dxfExtras[handle] = std::move(extras);
}

const DxfGroups* dxfExtrasOf(const AcDbObject* obj)
{
    const AcDbDatabase::Impl* impl = obj != nullptr ? AcDbSystemInternals::impl(obj->database()) : nullptr;
    if (impl == nullptr || impl->dxfExtras.empty())
        return nullptr;
    auto it = impl->dxfExtras.find(obj->objectId().handle().value());
    return it != impl->dxfExtras.end() ? &it->second : nullptr;
}

}  // namespace acrt

// ---- the pass-through entity ------------------------------------------------------------

DxfPassThroughEntity::DxfPassThroughEntity() = default;
DxfPassThroughEntity::DxfPassThroughEntity(std::string type, acrt::DxfGroups groups)
    : m_type(std::move(type)), m_groups(std::move(groups))
{
}
DxfPassThroughEntity::~DxfPassThroughEntity() = default;

const std::string& DxfPassThroughEntity::dxfType() const
{
    assertReadEnabled();
    return m_type;
}

const acrt::DxfGroups& DxfPassThroughEntity::groups() const
{
    assertReadEnabled();
    return m_groups;
}

Acad::ErrorStatus DxfPassThroughEntity::dwgOutFields(AcDbDwgFiler* pFiler) const
{
    assertReadEnabled();
    Acad::ErrorStatus es = AcDbEntity::dwgOutFields(pFiler);
    if (es == Acad::eOk)
        es = acrt::writeText(pFiler, m_type);
    return es == Acad::eOk ? acrt::writeDxfGroups(pFiler, m_groups) : es;
}

Acad::ErrorStatus DxfPassThroughEntity::dwgInFields(AcDbDwgFiler* pFiler)
{
    assertWriteEnabled();
    Acad::ErrorStatus es = AcDbEntity::dwgInFields(pFiler);
    std::string type;
    acrt::DxfGroups groups;
    if (es == Acad::eOk)
        es = acrt::readText(pFiler, type);
    if (es == Acad::eOk)
        es = acrt::readDxfGroups(pFiler, groups);
    if (es != Acad::eOk)
        return es;
    m_type = std::move(type);
    m_groups = std::move(groups);
    m_shape.reset();
    return Acad::eOk;
}

// ---- the pass-through object ------------------------------------------------------------

DxfPassThroughObject::DxfPassThroughObject() = default;
DxfPassThroughObject::DxfPassThroughObject(acrt::DxfPlace place, std::string type, acrt::DxfGroups groups)
    : m_place(place), m_type(std::move(type)), m_groups(std::move(groups))
{
}
DxfPassThroughObject::~DxfPassThroughObject() = default;

acrt::DxfPlace DxfPassThroughObject::place() const
{
    assertReadEnabled();
    return m_place;
}

const std::string& DxfPassThroughObject::dxfType() const
{
    assertReadEnabled();
    return m_type;
}

const acrt::DxfGroups& DxfPassThroughObject::groups() const
{
    assertReadEnabled();
    return m_groups;
}

Acad::ErrorStatus DxfPassThroughObject::dwgOutFields(AcDbDwgFiler* pFiler) const
{
    assertReadEnabled();
    Acad::ErrorStatus es = AcDbObject::dwgOutFields(pFiler);
    if (es == Acad::eOk)
        es = pFiler->writeUInt8(Adesk::UInt8(m_place));
    if (es == Acad::eOk)
        es = acrt::writeText(pFiler, m_type);
    return es == Acad::eOk ? acrt::writeDxfGroups(pFiler, m_groups) : es;
}

Acad::ErrorStatus DxfPassThroughObject::dwgInFields(AcDbDwgFiler* pFiler)
{
    assertWriteEnabled();
    Acad::ErrorStatus es = AcDbObject::dwgInFields(pFiler);
    Adesk::UInt8 place = 0;
    std::string type;
    acrt::DxfGroups groups;
    if (es == Acad::eOk)
        es = pFiler->readUInt8(&place);
    if (es == Acad::eOk && place > Adesk::UInt8(acrt::DxfPlace::kTableHead))
        es = Acad::eFilerError;
    if (es == Acad::eOk)
        es = acrt::readText(pFiler, type);
    if (es == Acad::eOk)
        es = acrt::readDxfGroups(pFiler, groups);
    if (es != Acad::eOk)
        return es;
    m_place = acrt::DxfPlace(place);
    m_type = std::move(type);
    m_groups = std::move(groups);
    return Acad::eOk;
}
