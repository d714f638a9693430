// Symbol tables of a drawing (blocks, layers, text styles, linetypes) and their records.
#pragma once

#include <vector>

#include "dbidar.h"
#include "dbmain.h"

class AcDbSymbolTableRecord;
class AcDbSymbolTableIterator;
class AcDbBlockTableRecordIterator;

class ACDB_PORT AcDbSymbolTableRecord : public AcDbObject {
    ACRT_DECLARE_CLASS(AcDbSymbolTableRecord);

public:
    ~AcDbSymbolTableRecord() override;
    Acad::ErrorStatus getName(ACHAR*& pName) const;
    Acad::ErrorStatus getName(AcString& sName) const;
    Acad::ErrorStatus getName(const ACHAR*& pName) const;
    Acad::ErrorStatus setName(const ACHAR* pName);

    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override;
    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override;

protected:
    AcDbSymbolTableRecord();

private:
    AcString m_name;
};

// A table maps record names (compared without regard to case) to records it owns.
class ACDB_PORT AcDbSymbolTable : public AcDbObject {
    ACRT_DECLARE_CLASS(AcDbSymbolTable);

public:
    ~AcDbSymbolTable() override;
    Acad::ErrorStatus getAt(const ACHAR* entryName, AcDbSymbolTableRecord*& pRec,
                            AcDb::OpenMode openMode = AcDb::kForRead, bool openErasedRec = false) const;
    Acad::ErrorStatus getAt(const ACHAR* entryName, AcDbObjectId& recordId, bool getErasedRecord = false) const;
    Acad::ErrorStatus getIdAt(const ACHAR* entryName, AcDbObjectId& recordId, bool getErasedRecord = false) const
    {
        return getAt(entryName, recordId, getErasedRecord);
    }
    bool has(const ACHAR* name) const
    {
        assertReadEnabled();
        AcDbObjectId id;
        return getIdAt(name, id) == Acad::eOk;
    }
    bool has(AcDbObjectId id) const;
    Acad::ErrorStatus add(AcDbSymbolTableRecord* pRecord);
    Acad::ErrorStatus add(AcDbObjectId& recordId, AcDbSymbolTableRecord* pRecord);
    Acad::ErrorStatus newIterator(AcDbSymbolTableIterator*& pIterator, bool atBeginning = true,
                                  bool skipDeleted = true) const;

    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override;
    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override;

    // Stand-in extension: the ids of the records in the order they were added.
    const std::vector<AcDbObjectId>& recordIds() const { return m_records; }

protected:
    AcDbSymbolTable();
    virtual const AcRxClass* recordClass() const = 0;

private:
    std::vector<AcDbObjectId> m_records;
};

class ACDB_PORT AcDbSymbolTableIterator {
public:
    ~AcDbSymbolTableIterator() = default;
    void start(bool atBeginning = true, bool skipDeleted = true);
    bool done() const;
    Acad::ErrorStatus getRecordId(AcDbObjectId& id) const;
    Acad::ErrorStatus getRecord(AcDbSymbolTableRecord*& pRecord, AcDb::OpenMode openMode = AcDb::kForRead,
                                bool openErasedRec = false) const;
    void step(bool forward = true, bool skipDeleted = true);

protected:
    explicit AcDbSymbolTableIterator(const std::vector<AcDbObjectId>& ids, bool skipDeleted);

private:
    friend class AcDbSymbolTable;
    void skip(bool forward);
    std::vector<AcDbObjectId> m_ids;
    long m_pos = 0;
    bool m_skipDeleted = true;
};

// A block: the two spaces, and user blocks that block references show. A user block's
// entities are in its own coordinates, placed by each reference about the origin.
class ACDB_PORT AcDbBlockTableRecord : public AcDbSymbolTableRecord {
    ACRT_DECLARE_CLASS(AcDbBlockTableRecord);

public:
    enum BlockScaling { kAny, kUniform };

    AcDbBlockTableRecord();
    ~AcDbBlockTableRecord() override;
    Acad::ErrorStatus appendAcDbEntity(AcDbEntity* pEntity)
    {
        AcDbObjectId id;
        return appendAcDbEntity(id, pEntity);
    }
    // Makes the entity resident, owned by this block; the entity stays open and the
    // caller closes it.
    Acad::ErrorStatus appendAcDbEntity(AcDbObjectId& pOutputId, AcDbEntity* pEntity);
    Acad::ErrorStatus newIterator(AcDbBlockTableRecordIterator*& pIterator, bool atBeginning = true,
                                  bool skipDeleted = true) const;
    // The spaces are the layouts' blocks; a name that starts with "*" names an anonymous
    // block otherwise ("*U" given to a record added to the table becomes "*Un", the first
    // number not in use, as the host numbers the anonymous blocks it makes).
    bool isLayout() const;
    bool isAnonymous() const;
    bool isFromExternalReference() const { return false; }
    // The runtime keeps no layout objects: null.
    AcDbObjectId getLayoutId() const { return AcDbObjectId::kNull; }
    bool hasAttributeDefinitions() const;

    // The base point: the point of the block that a reference's position shows.
    AcGePoint3d origin() const { assertReadEnabled(); return m_origin; }
    Acad::ErrorStatus setOrigin(const AcGePoint3d& pt);
    Acad::ErrorStatus comments(const ACHAR*& pString) const;
    Acad::ErrorStatus setComments(const ACHAR* pString);
    bool explodable() const { assertReadEnabled(); return m_explodable; }
    Acad::ErrorStatus setExplodable(bool bExplodable);
    BlockScaling blockScaling() const { assertReadEnabled(); return m_scaling; }
    Acad::ErrorStatus setBlockScaling(BlockScaling blockScalingType);

    // The references whose record this block is; with bDirectOnly false also those of
    // the blocks that hold such references, through every level. bForceValidity is
    // accepted and has nothing to do: the runtime's list is always valid.
    Acad::ErrorStatus getBlockReferenceIds(AcDbObjectIdArray& ids, bool bDirectOnly = true,
                                           bool bForceValidity = false) const;

    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override;
    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override;

    // Stand-in extension: the entity ids in drawing order, erased ones included.
    const std::vector<AcDbObjectId>& entityIds() const { return m_entities; }

private:
    friend class AcDbSystemInternals;
    std::vector<AcDbObjectId> m_entities;
    AcGePoint3d m_origin;
    AcString m_comments;
    bool m_explodable = true;
    BlockScaling m_scaling = kAny;
};

class ACDB_PORT AcDbBlockTableRecordIterator {
public:
    ~AcDbBlockTableRecordIterator() = default;
    void start(bool atBeginning = true, bool skipDeleted = true);
    bool done() const;
    Acad::ErrorStatus getEntityId(AcDbObjectId& entityId) const;
    Acad::ErrorStatus getEntity(AcDbEntity*& pEntity, AcDb::OpenMode openMode = AcDb::kForRead,
                                bool openErasedEntity = false) const;
    void step(bool forward = true, bool skipDeleted = true);

private:
    friend class AcDbBlockTableRecord;
    AcDbBlockTableRecordIterator(const AcDbBlockTableRecord* pOwner, bool skipDeleted);
    void skip(bool forward);
    const AcDbBlockTableRecord* m_owner;
    long m_pos = 0;
    bool m_skipDeleted = true;
};

class AcDbBlockTableIterator;

class ACDB_PORT AcDbBlockTable : public AcDbSymbolTable {
    ACRT_DECLARE_CLASS(AcDbBlockTable);

public:
    AcDbBlockTable();
    ~AcDbBlockTable() override;
    using AcDbSymbolTable::getAt;
    Acad::ErrorStatus getAt(const ACHAR* entryName, AcDbBlockTableRecord*& pRec,
                            AcDb::OpenMode openMode = AcDb::kForRead, bool openErasedRec = false) const;
    using AcDbSymbolTable::add;
    Acad::ErrorStatus add(AcDbBlockTableRecord* pRecord) { return AcDbSymbolTable::add(pRecord); }
    Acad::ErrorStatus add(AcDbObjectId& recordId, AcDbBlockTableRecord* pRecord)
    {
        return AcDbSymbolTable::add(recordId, pRecord);
    }
    using AcDbSymbolTable::newIterator;
    Acad::ErrorStatus newIterator(AcDbBlockTableIterator*& pIterator, bool atBeginning = true,
                                  bool skipDeleted = true) const;

protected:
    const AcRxClass* recordClass() const override;
};

class ACDB_PORT AcDbBlockTableIterator : public AcDbSymbolTableIterator {
public:
    using AcDbSymbolTableIterator::getRecord;
    Acad::ErrorStatus getRecord(AcDbBlockTableRecord*& pRecord, AcDb::OpenMode openMode = AcDb::kForRead,
                                bool openErasedRec = false) const;

private:
    friend class AcDbBlockTable;
    AcDbBlockTableIterator(const std::vector<AcDbObjectId>& ids, bool skipDeleted)
        : AcDbSymbolTableIterator(ids, skipDeleted)
    {
    }
};

class ACDB_PORT AcDbLayerTableRecord : public AcDbSymbolTableRecord {
    ACRT_DECLARE_CLASS(AcDbLayerTableRecord);

public:
    AcDbLayerTableRecord();
    ~AcDbLayerTableRecord() override;
    Adesk::UInt16 colorIndex() const { return m_colorIndex; }
    void setColorIndex(Adesk::UInt16 color) { assertWriteEnabled(); m_colorIndex = color; }
    bool isLocked() const { return m_locked; }
    void setIsLocked(bool locked) { assertWriteEnabled(); m_locked = locked; }
    bool isOff() const { return m_off; }
    void setIsOff(bool off) { assertWriteEnabled(); m_off = off; }
    bool isFrozen() const { return m_frozen; }
    Acad::ErrorStatus setIsFrozen(bool frozen) { assertWriteEnabled(); m_frozen = frozen; return Acad::eOk; }
    AcDbObjectId linetypeObjectId() const { return m_linetypeId; }
    void setLinetypeObjectId(AcDbObjectId id) { assertWriteEnabled(); m_linetypeId = id; }
    AcDb::LineWeight lineWeight() const { return m_lineWeight; }
    Acad::ErrorStatus setLineWeight(AcDb::LineWeight weight) { assertWriteEnabled(); m_lineWeight = weight; return Acad::eOk; }

    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override;
    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override;

private:
    Adesk::UInt16 m_colorIndex = 7;
    bool m_locked = false;
    bool m_off = false;
    bool m_frozen = false;
    AcDbObjectId m_linetypeId;
    AcDb::LineWeight m_lineWeight = AcDb::kLnWtByLwDefault;
};

class ACDB_PORT AcDbLayerTable : public AcDbSymbolTable {
    ACRT_DECLARE_CLASS(AcDbLayerTable);

public:
    AcDbLayerTable();
    ~AcDbLayerTable() override;
    using AcDbSymbolTable::getAt;
    Acad::ErrorStatus getAt(const ACHAR* entryName, AcDbLayerTableRecord*& pRec,
                            AcDb::OpenMode openMode = AcDb::kForRead, bool openErasedRec = false) const;

protected:
    const AcRxClass* recordClass() const override;
};

class ACDB_PORT AcDbTextStyleTableRecord : public AcDbSymbolTableRecord {
    ACRT_DECLARE_CLASS(AcDbTextStyleTableRecord);

public:
    AcDbTextStyleTableRecord();
    ~AcDbTextStyleTableRecord() override;
    Acad::ErrorStatus fileName(const ACHAR*& fileName) const { fileName = m_fileName.kwszPtr(); return Acad::eOk; }
    Acad::ErrorStatus setFileName(const ACHAR* fileName);
    Acad::ErrorStatus bigFontFileName(const ACHAR*& fileName) const { fileName = m_bigFontFileName.kwszPtr(); return Acad::eOk; }
    Acad::ErrorStatus setBigFontFileName(const ACHAR* fileName);
    double textSize() const { return m_textSize; }
    Acad::ErrorStatus setTextSize(double size);
    double xScale() const { return m_xScale; }
    Acad::ErrorStatus setXScale(double xScale);
    double obliquingAngle() const { return m_obliquingAngle; }
    Acad::ErrorStatus setObliquingAngle(double obliquingAngle);

    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override;
    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override;

private:
    AcString m_fileName;
    AcString m_bigFontFileName;
    double m_textSize = 0.0;
    double m_xScale = 1.0;
    double m_obliquingAngle = 0.0;
};

class ACDB_PORT AcDbTextStyleTable : public AcDbSymbolTable {
    ACRT_DECLARE_CLASS(AcDbTextStyleTable);

public:
    AcDbTextStyleTable();
    ~AcDbTextStyleTable() override;
    using AcDbSymbolTable::getAt;
    Acad::ErrorStatus getAt(const ACHAR* entryName, AcDbTextStyleTableRecord*& pRec,
                            AcDb::OpenMode openMode = AcDb::kForRead, bool openErasedRec = false) const;
    using AcDbSymbolTable::add;
    Acad::ErrorStatus add(AcDbTextStyleTableRecord* pRecord) { return AcDbSymbolTable::add(pRecord); }
    Acad::ErrorStatus add(AcDbObjectId& recordId, AcDbTextStyleTableRecord* pRecord)
    {
        return AcDbSymbolTable::add(recordId, pRecord);
    }

protected:
    const AcRxClass* recordClass() const override;
};

class ACDB_PORT AcDbLinetypeTableRecord : public AcDbSymbolTableRecord {
    ACRT_DECLARE_CLASS(AcDbLinetypeTableRecord);

public:
    AcDbLinetypeTableRecord();
    ~AcDbLinetypeTableRecord() override;
    Acad::ErrorStatus comments(const ACHAR*& pString) const { pString = m_comments.kwszPtr(); return Acad::eOk; }
    Acad::ErrorStatus setComments(const ACHAR* pString);

    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override;
    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override;

private:
    AcString m_comments;
};

class ACDB_PORT AcDbLinetypeTable : public AcDbSymbolTable {
    ACRT_DECLARE_CLASS(AcDbLinetypeTable);

public:
    AcDbLinetypeTable();
    ~AcDbLinetypeTable() override;

protected:
    const AcRxClass* recordClass() const override;
};
