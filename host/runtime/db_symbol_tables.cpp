// Symbol tables and their records: named records owned by a table, layers, text styles
// and linetypes, and their filing (blocks have a file of their own).
#include "acrt_assert.h"
#include "db_internals.h"
#include "dbapserv.h"
#include "dbsymtb.h"
#include "rx_runtime_class.h"
#include "vemhost_testing.h"

ACRT_DEFINE_CLASS(AcDbSymbolTableRecord, AcDbObject, "");
ACRT_DEFINE_CLASS(AcDbSymbolTable, AcDbObject, "");
ACRT_DEFINE_CLASS(AcDbLayerTableRecord, AcDbSymbolTableRecord, "LAYER");
ACRT_DEFINE_CLASS(AcDbLayerTable, AcDbSymbolTable, "LAYER_TABLE");
ACRT_DEFINE_CLASS(AcDbTextStyleTableRecord, AcDbSymbolTableRecord, "STYLE");
ACRT_DEFINE_CLASS(AcDbTextStyleTable, AcDbSymbolTable, "STYLE_TABLE");
ACRT_DEFINE_CLASS(AcDbLinetypeTableRecord, AcDbSymbolTableRecord, "LTYPE");
ACRT_DEFINE_CLASS(AcDbLinetypeTable, AcDbSymbolTable, "LTYPE_TABLE");

namespace {
const Adesk::UInt32 kMaxListLength = 50000000;
}  // namespace

Acad::ErrorStatus acrt::writeIdList(AcDbDwgFiler* pFiler, const std::vector<AcDbObjectId>& ids, bool skipErased)
{
    Adesk::UInt32 count = 0;
    for (const AcDbObjectId& id : ids)
        if (!(skipErased && id.isErased()))
            ++count;
    Acad::ErrorStatus es = pFiler->writeUInt32(count);
    for (const AcDbObjectId& id : ids) {
        if (es != Acad::eOk)
            return es;
        if (!(skipErased && id.isErased()))
            es = pFiler->writeHardOwnershipId(id);
    }
    return es;
}

Acad::ErrorStatus acrt::readIdList(AcDbDwgFiler* pFiler, std::vector<AcDbObjectId>& ids)
{
    Adesk::UInt32 count = 0;
    Acad::ErrorStatus es = pFiler->readUInt32(&count);
    if (es != Acad::eOk)
        return es;
    if (count > kMaxListLength)
        return Acad::eFilerError;
    std::vector<AcDbObjectId> read;
    read.reserve(count < 4096 ? count : 4096);
    for (Adesk::UInt32 i = 0; i < count; ++i) {
        AcDbHardOwnershipId id;
        if ((es = pFiler->readHardOwnershipId(&id)) != Acad::eOk)
            return es;
        if (!id.isNull())
            read.push_back(id);
    }
    ids.swap(read);
    return Acad::eOk;
}

namespace {

bool isProtectedName(const AcRxClass* cls, const AcString& name)
{
    if (cls == AcDbLayerTableRecord::desc())
        return name == L"0";
    if (cls == AcDbTextStyleTableRecord::desc())
        return name.compareNoCase(L"Standard") == 0;
    if (cls == AcDbBlockTableRecord::desc())
        return name.compareNoCase(ACDB_MODEL_SPACE) == 0 || name.compareNoCase(ACDB_PAPER_SPACE) == 0;
    if (cls == AcDbLinetypeTableRecord::desc())
        return name.compareNoCase(L"ByLayer") == 0 || name.compareNoCase(L"ByBlock") == 0 ||
               name.compareNoCase(L"Continuous") == 0;
    return false;
}

}  // namespace

// ---- records -------------------------------------------------------------------------------

AcDbSymbolTableRecord::AcDbSymbolTableRecord() = default;
AcDbSymbolTableRecord::~AcDbSymbolTableRecord() = default;

// The name is runtime-owned data: reading it needs no open.
Acad::ErrorStatus AcDbSymbolTableRecord::getName(ACHAR*& pName) const
{
    pName = new ACHAR[m_name.length() + 1];
    std::wmemcpy(pName, m_name.kwszPtr(), m_name.length() + 1);
    return Acad::eOk;
}
Acad::ErrorStatus AcDbSymbolTableRecord::getName(AcString& sName) const
{
    sName = m_name;
    return Acad::eOk;
}
Acad::ErrorStatus AcDbSymbolTableRecord::getName(const ACHAR*& pName) const
{
    pName = m_name.kwszPtr();
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSymbolTableRecord::setName(const ACHAR* pName)
{
    if (pName == nullptr || *pName == 0)
        return Acad::eInvalidInput;
    AcString name(pName);
    if (isKindOf(AcDbBlockTableRecord::desc()) && !acrt::isValidBlockName(name))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    if (database() != nullptr && m_name != name && isProtectedName(isA(), m_name))
        return Acad::eNotApplicable;
    m_name = name;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSymbolTableRecord::dwgOutFields(AcDbDwgFiler* pFiler) const
{
    Acad::ErrorStatus es = AcDbObject::dwgOutFields(pFiler);
    if (es != Acad::eOk)
        return es;
    return pFiler->writeString(m_name);
}

Acad::ErrorStatus AcDbSymbolTableRecord::dwgInFields(AcDbDwgFiler* pFiler)
{
    Acad::ErrorStatus es = AcDbObject::dwgInFields(pFiler);
    if (es != Acad::eOk)
        return es;
    AcString name;
    if ((es = pFiler->readString(name)) != Acad::eOk)
        return es;
    if (name.isEmpty())
        return Acad::eFilerError;
    m_name = name;
    return Acad::eOk;
}

// ---- tables ----------------------------------------------------------------------------------

AcDbSymbolTable::AcDbSymbolTable() = default;
AcDbSymbolTable::~AcDbSymbolTable() = default;

Acad::ErrorStatus AcDbSymbolTable::getAt(const ACHAR* entryName, AcDbObjectId& recordId, bool getErasedRecord) const
{
    assertReadEnabled();
    recordId.setNull();
    if (entryName == nullptr)
        return Acad::eInvalidInput;
    for (const AcDbObjectId& id : m_records) {
        if (id.isErased() && !getErasedRecord)
            continue;
        AcDbObject* obj = AcDbSystemInternals::peek(id);
        AcDbSymbolTableRecord* rec = obj ? AcDbSymbolTableRecord::cast(obj) : nullptr;
        const ACHAR* name = nullptr;
        if (rec != nullptr && rec->getName(name) == Acad::eOk && AcString(name).compareNoCase(entryName) == 0) {
            recordId = id;
            return Acad::eOk;
        }
    }
    return Acad::eKeyNotFound;
}

Acad::ErrorStatus AcDbSymbolTable::getAt(const ACHAR* entryName, AcDbSymbolTableRecord*& pRec,
                                         AcDb::OpenMode openMode, bool openErasedRec) const
{
    pRec = nullptr;
    AcDbObjectId id;
    Acad::ErrorStatus es = getAt(entryName, id, openErasedRec);
    if (es != Acad::eOk)
        return es;
    AcDbObject* obj = nullptr;
    es = acdbOpenAcDbObject(obj, id, openMode, AcDbSymbolTableRecord::desc(), openErasedRec);
    if (es == Acad::eOk)
        pRec = static_cast<AcDbSymbolTableRecord*>(obj);
    return es;
}

bool AcDbSymbolTable::has(AcDbObjectId id) const
{
    assertReadEnabled();
    for (const AcDbObjectId& rid : m_records)
        if (rid == id && !rid.isErased())
            return true;
    return false;
}

Acad::ErrorStatus AcDbSymbolTable::add(AcDbSymbolTableRecord* pRecord)
{
    AcDbObjectId id;
    return add(id, pRecord);
}

Acad::ErrorStatus AcDbSymbolTable::add(AcDbObjectId& recordId, AcDbSymbolTableRecord* pRecord)
{
    if (pRecord == nullptr)
        return Acad::eNullObjectPointer;
    if (!isWriteEnabled())
        return Acad::eNotOpenForWrite;
    if (database() == nullptr)
        return Acad::eNotInDatabase;
    if (pRecord->isDatabaseResident())
        return Acad::eAlreadyInDb;
    if (!pRecord->isKindOf(recordClass()))
        return Acad::eWrongObjectType;
    if (recordClass() == AcDbBlockTableRecord::desc()) {
        Acad::ErrorStatus numbered = acrt::numberAnonymousBlock(*this, pRecord);
        if (numbered != Acad::eOk)
            return numbered;
    }
    const ACHAR* name = nullptr;
    pRecord->getName(name);
    if (name == nullptr || *name == 0)
        return Acad::eInvalidInput;
    AcDbObjectId existing;
    if (getAt(name, existing) == Acad::eOk)
        return Acad::eDuplicateKey;
    Acad::ErrorStatus es = AcDbSystemInternals::makeResident(database(), pRecord, recordId);
    if (es != Acad::eOk)
        return es;
    AcDbSystemInternals::setOwner(pRecord, objectId());
    m_records.push_back(recordId);
    if (acrt::DatabaseObserver* obs = acrt::databaseObserver(database()))
        obs->objectAppended(pRecord);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSymbolTable::newIterator(AcDbSymbolTableIterator*& pIterator, bool atBeginning,
                                               bool skipDeleted) const
{
    assertReadEnabled();
    pIterator = new AcDbSymbolTableIterator(m_records, skipDeleted);
    pIterator->start(atBeginning, skipDeleted);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSymbolTable::dwgOutFields(AcDbDwgFiler* pFiler) const
{
    Acad::ErrorStatus es = AcDbObject::dwgOutFields(pFiler);
    if (es != Acad::eOk)
        return es;
    return acrt::writeIdList(pFiler, m_records, pFiler->filerType() == AcDb::kFileFiler);
}

Acad::ErrorStatus AcDbSymbolTable::dwgInFields(AcDbDwgFiler* pFiler)
{
    Acad::ErrorStatus es = AcDbObject::dwgInFields(pFiler);
    if (es != Acad::eOk)
        return es;
    return acrt::readIdList(pFiler, m_records);
}

AcDbSymbolTableIterator::AcDbSymbolTableIterator(const std::vector<AcDbObjectId>& ids, bool skipDeleted)
    : m_ids(ids), m_skipDeleted(skipDeleted)
{
}

void AcDbSymbolTableIterator::skip(bool forward)
{
    while (m_pos >= 0 && m_pos < long(m_ids.size()) && m_skipDeleted && m_ids[size_t(m_pos)].isErased())
        m_pos += forward ? 1 : -1;
}

void AcDbSymbolTableIterator::start(bool atBeginning, bool skipDeleted)
{
    m_skipDeleted = skipDeleted;
    m_pos = atBeginning ? 0 : long(m_ids.size()) - 1;
    skip(atBeginning);
}

bool AcDbSymbolTableIterator::done() const { return m_pos < 0 || m_pos >= long(m_ids.size()); }

Acad::ErrorStatus AcDbSymbolTableIterator::getRecordId(AcDbObjectId& id) const
{
    if (done())
        return Acad::eInvalidIndex;
    id = m_ids[size_t(m_pos)];
    return Acad::eOk;
}

Acad::ErrorStatus AcDbSymbolTableIterator::getRecord(AcDbSymbolTableRecord*& pRecord, AcDb::OpenMode openMode,
                                                     bool openErasedRec) const
{
    pRecord = nullptr;
    AcDbObjectId id;
    Acad::ErrorStatus es = getRecordId(id);
    if (es != Acad::eOk)
        return es;
    AcDbObject* obj = nullptr;
    es = acdbOpenAcDbObject(obj, id, openMode, AcDbSymbolTableRecord::desc(), openErasedRec);
    if (es == Acad::eOk)
        pRecord = static_cast<AcDbSymbolTableRecord*>(obj);
    return es;
}

void AcDbSymbolTableIterator::step(bool forward, bool skipDeleted)
{
    m_skipDeleted = skipDeleted;
    m_pos += forward ? 1 : -1;
    skip(forward);
}

// ---- layers --------------------------------------------------------------------------------

AcDbLayerTableRecord::AcDbLayerTableRecord() = default;
AcDbLayerTableRecord::~AcDbLayerTableRecord() = default;

Acad::ErrorStatus AcDbLayerTableRecord::dwgOutFields(AcDbDwgFiler* pFiler) const
{
    Acad::ErrorStatus es = AcDbSymbolTableRecord::dwgOutFields(pFiler);
    if (es == Acad::eOk)
        es = pFiler->writeUInt16(m_colorIndex);
    if (es == Acad::eOk)
        es = pFiler->writeBool(m_locked);
    if (es == Acad::eOk)
        es = pFiler->writeBool(m_off);
    if (es == Acad::eOk)
        es = pFiler->writeBool(m_frozen);
    if (es == Acad::eOk)
        es = pFiler->writeHardPointerId(m_linetypeId);
    if (es == Acad::eOk)
        es = pFiler->writeInt16(Adesk::Int16(m_lineWeight));
    return es;
}

Acad::ErrorStatus AcDbLayerTableRecord::dwgInFields(AcDbDwgFiler* pFiler)
{
    Acad::ErrorStatus es = AcDbSymbolTableRecord::dwgInFields(pFiler);
    Adesk::UInt16 color = 7;
    bool locked = false, off = false, frozen = false;
    AcDbHardPointerId linetype;
    Adesk::Int16 weight = -3;
    if (es == Acad::eOk)
        es = pFiler->readUInt16(&color);
    if (es == Acad::eOk)
        es = pFiler->readBool(&locked);
    if (es == Acad::eOk)
        es = pFiler->readBool(&off);
    if (es == Acad::eOk)
        es = pFiler->readBool(&frozen);
    if (es == Acad::eOk)
        es = pFiler->readHardPointerId(&linetype);
    if (es == Acad::eOk)
        es = pFiler->readInt16(&weight);
    if (es != Acad::eOk)
        return es;
    if (color < 1 || color > 255 || !acrt::isValidLineWeight(weight))
        return Acad::eFilerError;
    m_colorIndex = color;
    m_locked = locked;
    m_off = off;
    m_frozen = frozen;
    m_linetypeId = linetype;
    m_lineWeight = AcDb::LineWeight(weight);
    return Acad::eOk;
}

AcDbLayerTable::AcDbLayerTable() = default;
AcDbLayerTable::~AcDbLayerTable() = default;
const AcRxClass* AcDbLayerTable::recordClass() const { return AcDbLayerTableRecord::desc(); }

Acad::ErrorStatus AcDbLayerTable::getAt(const ACHAR* entryName, AcDbLayerTableRecord*& pRec, AcDb::OpenMode openMode,
                                        bool openErasedRec) const
{
    AcDbSymbolTableRecord* rec = nullptr;
    Acad::ErrorStatus es = AcDbSymbolTable::getAt(entryName, rec, openMode, openErasedRec);
    pRec = static_cast<AcDbLayerTableRecord*>(rec);
    return es;
}

// ---- text styles -----------------------------------------------------------------------------

AcDbTextStyleTableRecord::AcDbTextStyleTableRecord() = default;
AcDbTextStyleTableRecord::~AcDbTextStyleTableRecord() = default;

Acad::ErrorStatus AcDbTextStyleTableRecord::setFileName(const ACHAR* fileName)
{
    assertWriteEnabled();
    m_fileName = fileName ? fileName : L"";
    return Acad::eOk;
}

Acad::ErrorStatus AcDbTextStyleTableRecord::setBigFontFileName(const ACHAR* fileName)
{
    assertWriteEnabled();
    m_bigFontFileName = fileName ? fileName : L"";
    return Acad::eOk;
}

Acad::ErrorStatus AcDbTextStyleTableRecord::setTextSize(double size)
{
    if (!(size >= 0.0) || !std::isfinite(size))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_textSize = size;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbTextStyleTableRecord::setXScale(double xScale)
{
    if (!(xScale > 0.0) || !std::isfinite(xScale))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_xScale = xScale;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbTextStyleTableRecord::setObliquingAngle(double obliquingAngle)
{
    if (!std::isfinite(obliquingAngle))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_obliquingAngle = obliquingAngle;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbTextStyleTableRecord::dwgOutFields(AcDbDwgFiler* pFiler) const
{
    Acad::ErrorStatus es = AcDbSymbolTableRecord::dwgOutFields(pFiler);
    if (es == Acad::eOk)
        es = pFiler->writeString(m_fileName);
    if (es == Acad::eOk)
        es = pFiler->writeString(m_bigFontFileName);
    if (es == Acad::eOk)
        es = pFiler->writeDouble(m_textSize);
    if (es == Acad::eOk)
        es = pFiler->writeDouble(m_xScale);
    if (es == Acad::eOk)
        es = pFiler->writeDouble(m_obliquingAngle);
    return es;
}

Acad::ErrorStatus AcDbTextStyleTableRecord::dwgInFields(AcDbDwgFiler* pFiler)
{
    Acad::ErrorStatus es = AcDbSymbolTableRecord::dwgInFields(pFiler);
    AcString fileName, bigFont;
    double size = 0.0, xScale = 1.0, oblique = 0.0;
    if (es == Acad::eOk)
        es = pFiler->readString(fileName);
    if (es == Acad::eOk)
        es = pFiler->readString(bigFont);
    if (es == Acad::eOk)
        es = pFiler->readDouble(&size);
    if (es == Acad::eOk)
        es = pFiler->readDouble(&xScale);
    if (es == Acad::eOk)
        es = pFiler->readDouble(&oblique);
    if (es != Acad::eOk)
        return es;
    if (!(size >= 0.0) || !(xScale > 0.0) || !std::isfinite(size) || !std::isfinite(xScale) || !std::isfinite(oblique))
        return Acad::eFilerError;
    m_fileName = fileName;
    m_bigFontFileName = bigFont;
    m_textSize = size;
    m_xScale = xScale;
    m_obliquingAngle = oblique;
    return Acad::eOk;
}

AcDbTextStyleTable::AcDbTextStyleTable() = default;
AcDbTextStyleTable::~AcDbTextStyleTable() = default;
const AcRxClass* AcDbTextStyleTable::recordClass() const { return AcDbTextStyleTableRecord::desc(); }

Acad::ErrorStatus AcDbTextStyleTable::getAt(const ACHAR* entryName, AcDbTextStyleTableRecord*& pRec,
                                            AcDb::OpenMode openMode, bool openErasedRec) const
{
    AcDbSymbolTableRecord* rec = nullptr;
    Acad::ErrorStatus es = AcDbSymbolTable::getAt(entryName, rec, openMode, openErasedRec);
    pRec = static_cast<AcDbTextStyleTableRecord*>(rec);
    return es;
}

// ---- linetypes -------------------------------------------------------------------------------

AcDbLinetypeTableRecord::AcDbLinetypeTableRecord() = default;
AcDbLinetypeTableRecord::~AcDbLinetypeTableRecord() = default;

Acad::ErrorStatus AcDbLinetypeTableRecord::setComments(const ACHAR* pString)
{
    assertWriteEnabled();
    m_comments = pString ? pString : L"";
    return Acad::eOk;
}

Acad::ErrorStatus AcDbLinetypeTableRecord::dwgOutFields(AcDbDwgFiler* pFiler) const
{
    Acad::ErrorStatus es = AcDbSymbolTableRecord::dwgOutFields(pFiler);
    return es == Acad::eOk ? pFiler->writeString(m_comments) : es;
}

Acad::ErrorStatus AcDbLinetypeTableRecord::dwgInFields(AcDbDwgFiler* pFiler)
{
    Acad::ErrorStatus es = AcDbSymbolTableRecord::dwgInFields(pFiler);
    AcString comments;
    if (es == Acad::eOk)
        es = pFiler->readString(comments);
    if (es == Acad::eOk)
        m_comments = comments;
    return es;
}

AcDbLinetypeTable::AcDbLinetypeTable() = default;
AcDbLinetypeTable::~AcDbLinetypeTable() = default;
const AcRxClass* AcDbLinetypeTable::recordClass() const { return AcDbLinetypeTableRecord::desc(); }
