// A block reference's attributes: appended to it and owned by it, opened through it,
// stepped through, erased with it, filed as ids (a copy carries whole copies of them),
// and taken into the database when a copy that holds them is appended.
#include <memory>

#include "block_attributes.h"
#include "dbapserv.h"
#include "vemhost_io.h"

namespace {

// More attributes than this in a copy's record is damage.
constexpr Adesk::UInt32 kMaxHeldAttributes = 1000000;

AcDbDatabase* databaseOf(const AcDbObject& obj)
{
    AcDbDatabase* db = obj.database();
    return db != nullptr ? db : acdbHostApplicationServices()->workingDatabase();
}

}  // namespace

AcDbText* acrt::textOf(const AcDbText& text)
{
    vemhost::MemoryFiler out(databaseOf(text), AcDb::kCopyFiler);
    if (text.AcDbText::dwgOutFields(&out) != Acad::eOk || out.filerStatus() != Acad::eOk)
        return nullptr;
    std::unique_ptr<AcDbText> copy(new (std::nothrow) AcDbText());
    vemhost::MemoryFiler in(out.bytes(), databaseOf(text), AcDb::kCopyFiler);
    if (copy == nullptr || copy->dwgInFields(&in) != Acad::eOk)
        return nullptr;
    return copy.release();
}

Acad::ErrorStatus AcDbBlockReference::appendAttribute(AcDbAttribute* pAttr)
{
    AcDbObjectId id;
    return appendAttribute(id, pAttr);
}

Acad::ErrorStatus AcDbBlockReference::appendAttribute(AcDbObjectId& id, AcDbAttribute* pAttr)
{
    id.setNull();
    if (pAttr == nullptr)
        return Acad::eNullObjectPointer;
    if (!isWriteEnabled() || !pAttr->isWriteEnabled())
        return Acad::eNotOpenForWrite;
    if (database() == nullptr)
        return Acad::eNotInDatabase;
    if (pAttr->isDatabaseResident())
        return Acad::eAlreadyInDb;
    assertWriteEnabled();
    const Acad::ErrorStatus es = AcDbSystemInternals::makeResident(database(), pAttr, id);
    if (es != Acad::eOk)
        return es;
    AcDbSystemInternals::setOwner(pAttr, objectId());
    // As an append to a block: properties not set take the drawing's current ones.
    if (pAttr->layerId().isNull() || pAttr->layerId().database() != database())
        pAttr->setLayer(database()->clayer());
    pAttr->subSetDatabaseDefaults(database());
    m_attributes.push_back(id);
    if (acrt::DatabaseObserver* obs = acrt::databaseObserver(database()))
        obs->objectAppended(pAttr);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockReference::openAttribute(AcDbAttribute*& pAttr, AcDbObjectId id, AcDb::OpenMode mode,
                                                    bool openErasedOne)
{
    pAttr = nullptr;
    assertReadEnabled();
    for (const AcDbObjectId& own : m_attributes)
        if (own == id)
            return acdbOpenObject(pAttr, id, mode, openErasedOne);
    return Acad::eInvalidInput;
}

AcDbObjectIterator* AcDbBlockReference::attributeIterator() const
{
    assertReadEnabled();
    return AcDbSystemInternals::newObjectIterator(m_attributes,
                                                  std::vector<AcDbEntity*>(m_held.begin(), m_held.end()));
}

// The attributes go (and come back) with their reference.
Acad::ErrorStatus AcDbBlockReference::subErase(Adesk::Boolean erasing)
{
    for (const AcDbObjectId& id : m_attributes) {
        AcDbObject* attribute = nullptr;
        if (acdbOpenAcDbObject(attribute, id, AcDb::kForWrite, true) != Acad::eOk)
            continue;
        if (bool(attribute->isErased()) != bool(erasing))
            attribute->erase(erasing);
        attribute->close();
    }
    return AcDbEntity::subErase(erasing);
}

// A copy's record holds each live attribute's whole record after their count.
Acad::ErrorStatus AcDbBlockReference::writeHeldAttributes(AcDbDwgFiler* pFiler) const
{
    std::vector<const AcDbAttribute*> all(m_held.begin(), m_held.end());
    std::vector<AcDbAttribute*> opened;
    for (const AcDbObjectId& id : m_attributes) {
        AcDbAttribute* attribute = nullptr;
        if (!id.isErased() && acdbOpenObject(attribute, id, AcDb::kForRead) == Acad::eOk) {
            opened.push_back(attribute);
            all.push_back(attribute);
        }
    }
    Acad::ErrorStatus es = pFiler->writeUInt32(Adesk::UInt32(all.size()));
    for (const AcDbAttribute* attribute : all)
        if (es == Acad::eOk)
            es = attribute->dwgOutFields(pFiler);
    for (AcDbAttribute* attribute : opened)
        attribute->close();
    return es;
}

Acad::ErrorStatus AcDbBlockReference::readHeldAttributes(AcDbDwgFiler* pFiler, std::vector<AcDbAttribute*>& held)
{
    Adesk::UInt32 count = 0;
    Acad::ErrorStatus es = pFiler->readUInt32(&count);
    if (es != Acad::eOk)
        return es;
    if (count > kMaxHeldAttributes)
        return Acad::eFilerError;
    std::vector<std::unique_ptr<AcDbAttribute>> read;
    for (Adesk::UInt32 i = 0; i < count; ++i) {
        read.emplace_back(new AcDbAttribute());
        if ((es = read.back()->dwgInFields(pFiler)) != Acad::eOk)
            return es;
    }
    for (std::unique_ptr<AcDbAttribute>& attribute : read)
        held.push_back(attribute.release());
    return Acad::eOk;
}

// The copies a reference held become the database's, owned by it, when it is appended.
void AcDbSystemInternals::adoptHeldAttributes(AcDbBlockReference* ref)
{
    AcDbDatabase* db = ref->database();
    std::vector<AcDbAttribute*> held;
    held.swap(ref->m_held);
    for (AcDbAttribute* attribute : held) {
        AcDbObjectId id;
        if (db == nullptr || makeResident(db, attribute, id) != Acad::eOk) {
            delete attribute;
            continue;
        }
        setOwner(attribute, ref->objectId());
        ref->m_attributes.push_back(id);
        if (acrt::DatabaseObserver* obs = acrt::databaseObserver(db))
            obs->objectAppended(attribute);
        attribute->close();
    }
}

AcDbObjectIterator* AcDbSystemInternals::newObjectIterator(std::vector<AcDbObjectId> ids,
                                                          std::vector<AcDbEntity*> entities)
{
    return new AcDbObjectIterator(std::move(ids), std::move(entities));
}

// ---- the iterator -----------------------------------------------------------------------------

AcDbObjectIterator::AcDbObjectIterator(std::vector<AcDbObjectId> ids, std::vector<AcDbEntity*> entities)
    : m_ids(std::move(ids)), m_entities(std::move(entities))
{
    start();
}

AcDbObjectIterator::~AcDbObjectIterator() = default;

// Held entities come first, then the ids, as the reference draws them.
bool AcDbObjectIterator::skipped(long pos) const
{
    const long held = long(m_entities.size());
    return m_skipDeleted && pos >= held && pos < held + long(m_ids.size()) && m_ids[size_t(pos - held)].isErased();
}

bool AcDbObjectIterator::done() const { return m_pos < 0 || m_pos >= long(m_entities.size() + m_ids.size()); }

void AcDbObjectIterator::start(bool atEnd)
{
    m_pos = atEnd ? long(m_entities.size() + m_ids.size()) - 1 : 0;
    while (!done() && skipped(m_pos))
        m_pos += atEnd ? -1 : 1;
}

void AcDbObjectIterator::step(bool backwards, bool skipDeleted)
{
    m_skipDeleted = skipDeleted;
    do
        m_pos += backwards ? -1 : 1;
    while (!done() && skipped(m_pos));
}

void AcDbObjectIterator::setPosition(AcDbEntity* pEnt)
{
    for (size_t i = 0; i < m_entities.size(); ++i)
        if (m_entities[i] == pEnt)
            m_pos = long(i);
}

void AcDbObjectIterator::setPosition(AcDbObjectId pObj)
{
    for (size_t i = 0; i < m_ids.size(); ++i)
        if (m_ids[i] == pObj)
            m_pos = long(m_entities.size() + i);
}

AcDbEntity* AcDbObjectIterator::entity()
{
    return !done() && m_pos < long(m_entities.size()) ? m_entities[size_t(m_pos)] : nullptr;
}

AcDbObjectId AcDbObjectIterator::objectId()
{
    return !done() && m_pos >= long(m_entities.size()) ? m_ids[size_t(m_pos) - m_entities.size()] : AcDbObjectId();
}
