// Blocks: the block table and its records, the spaces and user blocks, owning their
// entities in drawing order, with a user block's base point and settings, its name
// rules, the references that show it, and their filing.
#include <algorithm>
#include <cmath>
#include <cwchar>
#include <cwctype>

#include "acrt_assert.h"
#include "block_contents.h"
#include "db_internals.h"
#include "dbents.h"
#include "dbsymtb.h"
#include "rx_runtime_class.h"
#include "vemhost_testing.h"

ACRT_DEFINE_CLASS(AcDbBlockTableRecord, AcDbSymbolTableRecord, "BLOCK_RECORD");
ACRT_DEFINE_CLASS(AcDbBlockTable, AcDbSymbolTable, "BLOCK_TABLE");

namespace {

// Test-only failure of a later append (vemhost::testing::failAppendAfter): appends left before
// it fails, 0 when none is armed.
int g_appendsBeforeFailure = 0;
Acad::ErrorStatus g_appendFailure = Acad::eOk;

bool appendFailsNow()
{
    return g_appendsBeforeFailure > 0 && --g_appendsBeforeFailure == 0;
}

// A user block's own part of its record follows its name: a space's record never has
// it, and so files as it always did.
const Adesk::UInt8 kUserBlockVersion = 1;
enum UserBlockFlags : Adesk::UInt8 { kNotExplodable = 1, kUniformScaling = 2 };
constexpr unsigned kMaxNameLength = 255;

bool isLayoutName(const AcString& name)
{
    return name.compareNoCase(ACDB_MODEL_SPACE) == 0 || name.compareNoCase(ACDB_PAPER_SPACE) == 0;
}

bool isFinite(const AcGePoint3d& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

AcString nameOf(const AcDbSymbolTableRecord* rec)
{
    AcString name;
    rec->getName(name);
    return name;
}

// The number n of a name "*Un", or -1 for any other name.
long anonymousNumber(const AcString& name)
{
    const wchar_t* text = name.kwszPtr();
    if (name.length() < 3 || text[0] != L'*' || std::towupper(wint_t(text[1])) != L'U')
        return -1;
    long n = 0;
    for (const wchar_t* c = text + 2; *c != 0; ++c) {
        if (*c < L'0' || *c > L'9' || n > 100000000)
            return -1;
        n = n * 10 + (*c - L'0');
    }
    return n;
}

}  // namespace

namespace vemhost::testing {
void failAppendAfter(int n, Acad::ErrorStatus es)
{
    g_appendsBeforeFailure = n > 0 ? n : 0;
    g_appendFailure = es;
}
bool appendFailurePending() { return g_appendsBeforeFailure > 0; }
}  // namespace vemhost::testing

// The host's symbol names: at most 255 characters, none of < > / \ " : ; ? * | , = `
// and no control character; a leading "*" marks the spaces and anonymous blocks.
bool acrt::isValidBlockName(const AcString& name)
{
    static const wchar_t kForbidden[] = L"<>/\\\":;?*|,=`";
    const unsigned length = name.length();
    if (length == 0 || length > kMaxNameLength || (length == 1 && name.kwszPtr()[0] == L'*'))
        return false;
    for (unsigned i = 0; i < length; ++i) {
        const wchar_t c = name.kwszPtr()[i];
        if (c < 0x20 || (std::wcschr(kForbidden, c) != nullptr && !(c == L'*' && i == 0)))
            return false;
    }
    return true;
}

// "*U" becomes "*Un" with n one above the highest number the table's names use.
Acad::ErrorStatus acrt::numberAnonymousBlock(const AcDbSymbolTable& table, AcDbSymbolTableRecord* record)
{
    if (nameOf(record).compareNoCase(L"*U") != 0)
        return Acad::eOk;
    long next = 0;
    for (const AcDbObjectId& id : table.recordIds()) {
        AcDbObject* obj = AcDbSystemInternals::peek(id);
        if (const AcDbSymbolTableRecord* rec = obj ? AcDbSymbolTableRecord::cast(obj) : nullptr)
            next = std::max(next, anonymousNumber(nameOf(rec)) + 1);
    }
    AcString numbered;
    numbered.format(L"*U%ld", next);
    return record->setName(numbered.kwszPtr());
}

// ---- block records ---------------------------------------------------------------------------

AcDbBlockTableRecord::AcDbBlockTableRecord() = default;
AcDbBlockTableRecord::~AcDbBlockTableRecord() = default;

std::vector<AcDbObjectId>& AcDbSystemInternals::entityList(AcDbBlockTableRecord* btr) { return btr->m_entities; }
AcGePoint3d AcDbSystemInternals::blockOrigin(const AcDbBlockTableRecord* btr) { return btr->m_origin; }

bool AcDbBlockTableRecord::isLayout() const { return isLayoutName(nameOf(this)); }

bool AcDbBlockTableRecord::isAnonymous() const
{
    const AcString name = nameOf(this);
    return !name.isEmpty() && name.kwszPtr()[0] == L'*' && !isLayoutName(name);
}

bool AcDbBlockTableRecord::hasAttributeDefinitions() const
{
    assertReadEnabled();
    for (const AcDbObjectId& id : m_entities) {
        const AcDbObject* obj = id.isErased() ? nullptr : AcDbSystemInternals::peek(id);
        if (obj != nullptr && AcDbAttributeDefinition::cast(obj) != nullptr)
            return true;
    }
    return false;
}

Acad::ErrorStatus AcDbBlockTableRecord::setOrigin(const AcGePoint3d& pt)
{
    if (!isFinite(pt))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_origin = pt;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockTableRecord::comments(const ACHAR*& pString) const
{
    assertReadEnabled();
    pString = m_comments.kwszPtr();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockTableRecord::setComments(const ACHAR* pString)
{
    assertWriteEnabled();
    m_comments = pString != nullptr ? pString : L"";
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockTableRecord::setExplodable(bool bExplodable)
{
    assertWriteEnabled();
    m_explodable = bExplodable;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockTableRecord::setBlockScaling(BlockScaling blockScalingType)
{
    if (blockScalingType != kAny && blockScalingType != kUniform)
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_scaling = blockScalingType;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockTableRecord::getBlockReferenceIds(AcDbObjectIdArray& ids, bool bDirectOnly,
                                                             bool /*bForceValidity*/) const
{
    assertReadEnabled();
    if (database() == nullptr)
        return Acad::eNotInDatabase;
    for (const AcDbObjectId& id : acrt::referencesTo(objectId(), !bDirectOnly))
        ids.append(id);
    return Acad::eOk;
}

// As the host does: the properties not set yet take the database's current values
// (here the layer), and the entity hears of its defaults. A block reference that would
// have the block show itself, directly or through other blocks, is refused.
Acad::ErrorStatus AcDbBlockTableRecord::appendAcDbEntity(AcDbObjectId& pOutputId, AcDbEntity* pEntity)
{
    pOutputId.setNull();
    if (pEntity == nullptr)
        return Acad::eNullEntityPointer;
    if (!isWriteEnabled())
        return Acad::eNotOpenForWrite;
    if (appendFailsNow())
        return g_appendFailure;
    if (database() == nullptr)
        return Acad::eNotInDatabase;
    if (pEntity->isDatabaseResident())
        return Acad::eAlreadyInDb;
    if (!pEntity->isWriteEnabled())
        return Acad::eNotOpenForWrite;
    if (const AcDbBlockReference* ref = AcDbBlockReference::cast(pEntity))
        if (acrt::wouldShowItself(ref->blockTableRecord(), objectId()))
            return Acad::eInvalidInput;
    Acad::ErrorStatus es = AcDbSystemInternals::makeResident(database(), pEntity, pOutputId);
    if (es != Acad::eOk)
        return es;
    AcDbSystemInternals::setOwner(pEntity, objectId());
    if (pEntity->layerId().isNull() || pEntity->layerId().database() != database())
        pEntity->setLayer(database()->clayer());
    pEntity->subSetDatabaseDefaults(database());
    m_entities.push_back(pOutputId);
    if (acrt::DatabaseObserver* obs = acrt::databaseObserver(database()))
        obs->objectAppended(pEntity);
    if (AcDbBlockReference* ref = AcDbBlockReference::cast(pEntity))
        AcDbSystemInternals::adoptHeldAttributes(ref);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockTableRecord::newIterator(AcDbBlockTableRecordIterator*& pIterator, bool atBeginning,
                                                    bool skipDeleted) const
{
    assertReadEnabled();
    pIterator = new AcDbBlockTableRecordIterator(this, skipDeleted);
    pIterator->start(atBeginning, skipDeleted);
    return Acad::eOk;
}

// After the name a user block's own part; then, except in undo records, the list of
// entities. The list is left out of undo records: it only ever grows by appends, and
// undoing an append erases the entity, which then waits in the list for a redo. Filing
// it at every command that appends would make each undo step as large as the block.
Acad::ErrorStatus AcDbBlockTableRecord::dwgOutFields(AcDbDwgFiler* pFiler) const
{
    Acad::ErrorStatus es = AcDbSymbolTableRecord::dwgOutFields(pFiler);
    if (es == Acad::eOk && !isLayout()) {
        const Adesk::UInt8 flags = (m_explodable ? 0 : kNotExplodable) | (m_scaling == kUniform ? kUniformScaling : 0);
        if ((es = pFiler->writeUInt8(kUserBlockVersion)) == Acad::eOk && (es = pFiler->writePoint3d(m_origin)) == Acad::eOk &&
            (es = pFiler->writeUInt8(flags)) == Acad::eOk)
            es = pFiler->writeString(m_comments);
    }
    if (es != Acad::eOk || pFiler->filerType() == AcDb::kUndoFiler)
        return es;
    return acrt::writeIdList(pFiler, m_entities, pFiler->filerType() == AcDb::kFileFiler);
}

// Read into locals first: a record that fails part-way leaves the block's own part as
// it was.
Acad::ErrorStatus AcDbBlockTableRecord::dwgInFields(AcDbDwgFiler* pFiler)
{
    Acad::ErrorStatus es = AcDbSymbolTableRecord::dwgInFields(pFiler);
    if (es != Acad::eOk)
        return es;
    AcGePoint3d origin;
    AcString comments;
    Adesk::UInt8 flags = 0;
    if (!isLayout()) {
        if (!acrt::isValidBlockName(nameOf(this)))
            return Acad::eFilerError;
        Adesk::UInt8 version = 0;
        if ((es = pFiler->readUInt8(&version)) != Acad::eOk)
            return es;
        if (version != kUserBlockVersion)
            return Acad::eFilerError;
        if ((es = pFiler->readPoint3d(&origin)) != Acad::eOk || (es = pFiler->readUInt8(&flags)) != Acad::eOk ||
            (es = pFiler->readString(comments)) != Acad::eOk)
            return es;
        if (!isFinite(origin) || (flags & ~(kNotExplodable | kUniformScaling)) != 0)
            return Acad::eFilerError;
    }
    if (pFiler->filerType() != AcDb::kUndoFiler && (es = acrt::readIdList(pFiler, m_entities)) != Acad::eOk)
        return es;
    m_origin = origin;
    m_comments = comments;
    m_explodable = (flags & kNotExplodable) == 0;
    m_scaling = (flags & kUniformScaling) != 0 ? kUniform : kAny;
    return Acad::eOk;
}

// ---- iterators and the table ------------------------------------------------------------------

AcDbBlockTableRecordIterator::AcDbBlockTableRecordIterator(const AcDbBlockTableRecord* pOwner, bool skipDeleted)
    : m_owner(pOwner), m_skipDeleted(skipDeleted)
{
}

void AcDbBlockTableRecordIterator::skip(bool forward)
{
    const std::vector<AcDbObjectId>& ids = m_owner->entityIds();
    while (m_pos >= 0 && m_pos < long(ids.size()) && m_skipDeleted && ids[size_t(m_pos)].isErased())
        m_pos += forward ? 1 : -1;
}

void AcDbBlockTableRecordIterator::start(bool atBeginning, bool skipDeleted)
{
    m_skipDeleted = skipDeleted;
    m_pos = atBeginning ? 0 : long(m_owner->entityIds().size()) - 1;
    skip(atBeginning);
}

bool AcDbBlockTableRecordIterator::done() const { return m_pos < 0 || m_pos >= long(m_owner->entityIds().size()); }

Acad::ErrorStatus AcDbBlockTableRecordIterator::getEntityId(AcDbObjectId& entityId) const
{
    if (done())
        return Acad::eInvalidIndex;
    entityId = m_owner->entityIds()[size_t(m_pos)];
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockTableRecordIterator::getEntity(AcDbEntity*& pEntity, AcDb::OpenMode openMode,
                                                          bool openErasedEntity) const
{
    pEntity = nullptr;
    AcDbObjectId id;
    Acad::ErrorStatus es = getEntityId(id);
    if (es != Acad::eOk)
        return es;
    return acdbOpenAcDbEntity(pEntity, id, openMode, openErasedEntity);
}

void AcDbBlockTableRecordIterator::step(bool forward, bool skipDeleted)
{
    m_skipDeleted = skipDeleted;
    m_pos += forward ? 1 : -1;
    skip(forward);
}

AcDbBlockTable::AcDbBlockTable() = default;
AcDbBlockTable::~AcDbBlockTable() = default;
const AcRxClass* AcDbBlockTable::recordClass() const { return AcDbBlockTableRecord::desc(); }

Acad::ErrorStatus AcDbBlockTable::getAt(const ACHAR* entryName, AcDbBlockTableRecord*& pRec, AcDb::OpenMode openMode,
                                        bool openErasedRec) const
{
    AcDbSymbolTableRecord* rec = nullptr;
    Acad::ErrorStatus es = AcDbSymbolTable::getAt(entryName, rec, openMode, openErasedRec);
    pRec = static_cast<AcDbBlockTableRecord*>(rec);
    return es;
}

Acad::ErrorStatus AcDbBlockTable::newIterator(AcDbBlockTableIterator*& pIterator, bool atBeginning,
                                              bool skipDeleted) const
{
    assertReadEnabled();
    pIterator = new AcDbBlockTableIterator(recordIds(), skipDeleted);
    pIterator->start(atBeginning, skipDeleted);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockTableIterator::getRecord(AcDbBlockTableRecord*& pRecord, AcDb::OpenMode openMode,
                                                    bool openErasedRec) const
{
    AcDbSymbolTableRecord* rec = nullptr;
    Acad::ErrorStatus es = AcDbSymbolTableIterator::getRecord(rec, openMode, openErasedRec);
    pRecord = static_cast<AcDbBlockTableRecord*>(rec);
    return es;
}
