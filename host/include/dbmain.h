// Objects and entities of the drawing database, the database itself, and the calls
// that open objects by id. Opening follows the host's rules: many readers or one
// writer, every open matched by a close.
#pragma once

#include <new>
#include <vector>

#include "AcString.h"
#include "acarray.h"
#include "acdb.h"
#include "acgi.h"
#include "dbfiler.h"
#include "dbid.h"
#include "dbptrar.h"
#include "drawable.h"
#include "gemat3d.h"
#include "gept3dar.h"
#include "rxboiler.h"

class AcDbBlockTable;
class AcDbLayerTable;
class AcDbTextStyleTable;
class AcDbLinetypeTable;
class AcDbSymbolTable;
class AcDbDatabase;
class AcDbSystemInternals;

class ACDB_PORT AcDbObject : public AcGiDrawable {
    ACRT_DECLARE_CLASS(AcDbObject);

public:
    ~AcDbObject() override;

    // Database objects live on the host's heap for database objects.
    static void* operator new(size_t size);
    static void* operator new(size_t size, const std::nothrow_t&) noexcept;
    static void operator delete(void* p) noexcept;
    static void operator delete(void* p, const std::nothrow_t&) noexcept;

    AcDbObjectId objectId() const;
    AcDbObjectId ownerId() const { return m_ownerId; }
    virtual Acad::ErrorStatus setOwnerId(AcDbObjectId objId);
    AcDbDatabase* database() const;
    void getAcDbHandle(AcDbHandle& handle) const;
    AcDbHandle objectHandle() const;

    // Ends this open. A resident object becomes available to others; an object that is
    // not in a database is deleted, as the host does.
    Acad::ErrorStatus close();
    Acad::ErrorStatus erase(Adesk::Boolean erasing = true);
    Acad::ErrorStatus upgradeOpen();
    Acad::ErrorStatus downgradeOpen();
    Acad::ErrorStatus cancel();

    void assertReadEnabled() const;
    void assertWriteEnabled(Adesk::Boolean autoUndo = true, Adesk::Boolean recordModified = true);
    void assertNotifyEnabled() const;

    Adesk::Boolean isNewObject() const { return m_new; }
    Adesk::Boolean isErased() const;
    Adesk::Boolean isReadEnabled() const { return m_readers > 0 || m_writeOpen; }
    Adesk::Boolean isWriteEnabled() const { return m_writeOpen; }
    Adesk::Boolean isNotifyEnabled() const { return false; }
    Adesk::Boolean isModified() const { return m_modified; }
    Adesk::Boolean isDatabaseResident() const { return m_stub != nullptr; }

    // A new object of the same class, not in any database, made by filing this object
    // out and the copy in; null when the copy's read fails.
    AcRxObject* clone() const override;
    Acad::ErrorStatus copyFrom(const AcRxObject* pSrc) override;

    Acad::ErrorStatus dwgIn(AcDbDwgFiler* pFiler);
    Acad::ErrorStatus dwgOut(AcDbDwgFiler* pFiler) const;
    virtual Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler);
    virtual Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const;

protected:
    AcDbObject();
    Adesk::UInt32 subSetAttributes(AcGiDrawableTraits* pTraits) override;
    Adesk::Boolean subWorldDraw(AcGiWorldDraw* pWd) override;
    void subViewportDraw(AcGiViewportDraw* pVd) override;
    virtual Acad::ErrorStatus subErase(Adesk::Boolean erasing);
    virtual Acad::ErrorStatus subClose();

private:
    friend class AcDbSystemInternals;
    AcDbObject(const AcDbObject&) = delete;
    AcDbObject& operator=(const AcDbObject&) = delete;

    AcDbStub* m_stub = nullptr;
    AcDbObjectId m_ownerId;
    int m_readers = 0;
    bool m_writeOpen = true;
    bool m_new = true;
    bool m_modified = false;
    bool m_undoRecorded = false;
};

class ACDB_PORT AcDbExtents {
public:
    AcDbExtents();
    AcDbExtents(const AcGePoint3d& min, const AcGePoint3d& max) : mMinPoint(min), mMaxPoint(max) {}
    AcGePoint3d minPoint() const { return mMinPoint; }
    AcGePoint3d maxPoint() const { return mMaxPoint; }
    Acad::ErrorStatus set(const AcGePoint3d& min, const AcGePoint3d& max);
    void addPoint(const AcGePoint3d& pt);
    void addExt(const AcDbExtents& src);
    void expandBy(const AcGeVector3d& vec);
    void transformBy(const AcGeMatrix3d& mat);
    // True until a point is added: the extents hold nothing.
    bool isEmpty() const { return mMinPoint.x > mMaxPoint.x; }
    bool operator==(const AcDbExtents& other) const
    {
        return mMinPoint.isEqualTo(other.mMinPoint) && mMaxPoint.isEqualTo(other.mMaxPoint);
    }

private:
    AcGePoint3d mMinPoint;
    AcGePoint3d mMaxPoint;
};

class ACDB_PORT AcDbEntity : public AcDbObject {
    ACRT_DECLARE_CLASS(AcDbEntity);

public:
    ~AcDbEntity() override;

    AcDbObjectId blockId() const { return ownerId(); }

    Adesk::UInt16 colorIndex() const { return m_colorIndex; }
    virtual Acad::ErrorStatus setColorIndex(Adesk::UInt16 color, Adesk::Boolean doSubents = true);
    // The layer's name; empty when the entity has no layer yet.
    AcString layer() const;
    AcDbObjectId layerId() const { return m_layerId; }
    virtual Acad::ErrorStatus setLayer(const ACHAR* newVal, Adesk::Boolean doSubents = true,
                                       bool allowHiddenLayer = false);
    virtual Acad::ErrorStatus setLayer(AcDbObjectId newVal, Adesk::Boolean doSubents = true,
                                       bool allowHiddenLayer = false);
    AcDbObjectId linetypeId() const { return m_linetypeId; }
    virtual Acad::ErrorStatus setLinetype(AcDbObjectId newVal, Adesk::Boolean doSubents = true);
    double linetypeScale() const { return m_linetypeScale; }
    virtual Acad::ErrorStatus setLinetypeScale(double newval, Adesk::Boolean doSubents = true);
    AcDb::LineWeight lineWeight() const { return m_lineWeight; }
    virtual Acad::ErrorStatus setLineWeight(AcDb::LineWeight newVal, Adesk::Boolean doSubents = true);
    AcDb::Visibility visibility() const { return m_visibility; }
    virtual Acad::ErrorStatus setVisibility(AcDb::Visibility newVal, Adesk::Boolean doSubents = true);

    // Copies layer, colour, linetype, linetype scale, lineweight and visibility.
    Acad::ErrorStatus setPropertiesFrom(const AcDbEntity* pEntity, Adesk::Boolean doSubents = true);

    // Sets the properties to the current values of pDb (of the entity's own database, or
    // the working one, when none is given), then calls subSetDatabaseDefaults.
    void setDatabaseDefaults();
    void setDatabaseDefaults(AcDbDatabase* pDb);
    // Told that the entity received the database's defaults: by setDatabaseDefaults, and
    // by appendAcDbEntity, which gives them to the properties not set yet. An entity
    // that derives anything from its properties overrides it.
    virtual void subSetDatabaseDefaults(AcDbDatabase* pDb);

    ADESK_SEALED_VIRTUAL Acad::ErrorStatus getGeomExtents(AcDbExtents& extents) const ADESK_SEALED;
    ADESK_SEALED_VIRTUAL Acad::ErrorStatus explode(AcDbVoidPtrArray& entitySet) const ADESK_SEALED;
    ADESK_SEALED_VIRTUAL Acad::ErrorStatus transformBy(const AcGeMatrix3d& xform) ADESK_SEALED;
    ADESK_SEALED_VIRTUAL Acad::ErrorStatus getTransformedCopy(const AcGeMatrix3d& xform,
                                                               AcDbEntity*& pEnt) const ADESK_SEALED;
    ADESK_SEALED_VIRTUAL Acad::ErrorStatus getOsnapPoints(AcDb::OsnapMode osnapMode,
                                                           Adesk::GsMarker gsSelectionMark,
                                                           const AcGePoint3d& pickPoint,
                                                           const AcGePoint3d& lastPoint,
                                                           const AcGeMatrix3d& viewXform,
                                                           AcGePoint3dArray& snapPoints,
                                                           AcDbIntArray& geomIds) const ADESK_SEALED;
    ADESK_SEALED_VIRTUAL Acad::ErrorStatus getGripPoints(AcGePoint3dArray& gripPoints, AcDbIntArray& osnapModes,
                                                          AcDbIntArray& geomIds) const ADESK_SEALED;
    ADESK_SEALED_VIRTUAL Acad::ErrorStatus moveGripPointsAt(const AcDbIntArray& indices,
                                                             const AcGeVector3d& offset) ADESK_SEALED;
    ADESK_SEALED_VIRTUAL Acad::ErrorStatus getStretchPoints(AcGePoint3dArray& stretchPoints) const ADESK_SEALED;
    ADESK_SEALED_VIRTUAL Acad::ErrorStatus moveStretchPointsAt(const AcDbIntArray& indices,
                                                                const AcGeVector3d& offset) ADESK_SEALED;
    ADESK_SEALED_VIRTUAL void list() const ADESK_SEALED;

    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override;
    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override;

protected:
    AcDbEntity();
    Adesk::UInt32 subSetAttributes(AcGiDrawableTraits* pTraits) override;
    virtual Acad::ErrorStatus subGetGeomExtents(AcDbExtents& extents) const;
    virtual Acad::ErrorStatus subExplode(AcDbVoidPtrArray& entitySet) const;
    virtual Acad::ErrorStatus subTransformBy(const AcGeMatrix3d& xform);
    virtual Acad::ErrorStatus subGetTransformedCopy(const AcGeMatrix3d& xform, AcDbEntity*& pEnt) const;
    virtual Acad::ErrorStatus subGetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker gsSelectionMark,
                                                const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,
                                                const AcGeMatrix3d& viewXform, AcGePoint3dArray& snapPoints,
                                                AcDbIntArray& geomIds) const;
    virtual Acad::ErrorStatus subGetGripPoints(AcGePoint3dArray& gripPoints, AcDbIntArray& osnapModes,
                                               AcDbIntArray& geomIds) const;
    virtual Acad::ErrorStatus subMoveGripPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset);
    virtual Acad::ErrorStatus subGetStretchPoints(AcGePoint3dArray& stretchPoints) const;
    virtual Acad::ErrorStatus subMoveStretchPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset);
    virtual void subList() const;

private:
    AcDbObjectId m_layerId;
    AcDbObjectId m_linetypeId;
    double m_linetypeScale = 1.0;
    Adesk::UInt16 m_colorIndex = 256;  // 256 = by layer
    AcDb::LineWeight m_lineWeight = AcDb::kLnWtByLayer;
    AcDb::Visibility m_visibility = AcDb::kVisible;
};

// A drawing: its objects, symbol tables and header variables.
class ACDB_PORT AcDbDatabase : public AcRxObject {
    ACRT_DECLARE_CLASS(AcDbDatabase);

public:
    // buildDefaultDrawing makes layer "0", text style "Standard" and both space blocks.
    explicit AcDbDatabase(bool buildDefaultDrawing = true, bool noDocument = false);
    ~AcDbDatabase() override;

    Acad::ErrorStatus getSymbolTable(AcDbBlockTable*& pTable, AcDb::OpenMode mode = AcDb::kForRead);
    Acad::ErrorStatus getSymbolTable(AcDbLayerTable*& pTable, AcDb::OpenMode mode = AcDb::kForRead);
    Acad::ErrorStatus getSymbolTable(AcDbTextStyleTable*& pTable, AcDb::OpenMode mode = AcDb::kForRead);
    Acad::ErrorStatus getSymbolTable(AcDbLinetypeTable*& pTable, AcDb::OpenMode mode = AcDb::kForRead);
    Acad::ErrorStatus getBlockTable(AcDbBlockTable*& pTable, AcDb::OpenMode mode = AcDb::kForRead)
    {
        return getSymbolTable(pTable, mode);
    }
    Acad::ErrorStatus getLayerTable(AcDbLayerTable*& pTable, AcDb::OpenMode mode = AcDb::kForRead)
    {
        return getSymbolTable(pTable, mode);
    }
    Acad::ErrorStatus getTextStyleTable(AcDbTextStyleTable*& pTable, AcDb::OpenMode mode = AcDb::kForRead)
    {
        return getSymbolTable(pTable, mode);
    }
    Acad::ErrorStatus getLinetypeTable(AcDbLinetypeTable*& pTable, AcDb::OpenMode mode = AcDb::kForRead)
    {
        return getSymbolTable(pTable, mode);
    }

    AcDbObjectId blockTableId() const;
    AcDbObjectId layerTableId() const;
    AcDbObjectId textStyleTableId() const;
    AcDbObjectId linetypeTableId() const;
    AcDbObjectId currentSpaceId() const;
    AcDbObjectId clayer() const;
    Acad::ErrorStatus setClayer(AcDbObjectId layerId);
    AcDbObjectId textstyle() const;
    AcDbHandle handseed() const;
    bool tilemode() const;
    Acad::ErrorStatus setTilemode(bool mode);
    // How points draw (PDMODE: 0-4 for the figure, plus 32 circle, 64 square, 96 both)
    // and how large (PDSIZE: > 0 drawing units, 0 five per cent of the view's height,
    // < 0 that per cent of it). Other modes and sizes that are not finite: eInvalidInput.
    Adesk::Int16 pdmode() const;
    Acad::ErrorStatus setPdmode(Adesk::Int16 mode);
    double pdsize() const;
    Acad::ErrorStatus setPdsize(double size);
    // TEXTSIZE: the height new texts take when none is given; 2.5 in a new drawing.
    double textsize() const;
    Acad::ErrorStatus setTextsize(double size);
    // INSUNITS: what a drawing unit stands for; metres in a new drawing, as survey
    // drawings are drawn. A value outside AcDb::UnitsValue: eInvalidInput.
    AcDb::UnitsValue insunits() const;
    Acad::ErrorStatus setInsunits(const AcDb::UnitsValue units);

    // Finds the object of a handle.
    Acad::ErrorStatus getAcDbObjectId(AcDbObjectId& retId, bool createIfNotFound, const AcDbHandle& objHandle,
                                      Adesk::UInt32 xRefId = 0);
    // Makes pObj resident in this database without an owner (symbol tables and records
    // use it); prefer the table and block services.
    Acad::ErrorStatus addAcDbObject(AcDbObjectId& objId, AcDbObject* pObj);

    // The runtime's private state of the database.
    struct Impl;

private:
    friend class AcDbSystemInternals;
    Impl* m_impl;
};

ACDB_PORT Acad::ErrorStatus acdbOpenAcDbObject(AcDbObject*& pObj, AcDbObjectId id, AcDb::OpenMode mode,
                                               bool openErasedObject = false);
// The open with a class test: an object of another class gives eNotThatKindOfClass.
ACDB_PORT Acad::ErrorStatus acdbOpenAcDbObject(AcDbObject*& pObj, AcDbObjectId id, AcDb::OpenMode mode,
                                               const AcRxClass* pClass, bool openErasedObject = false);
ACDB_PORT Acad::ErrorStatus acdbOpenAcDbEntity(AcDbEntity*& pEnt, AcDbObjectId id, AcDb::OpenMode mode,
                                               bool openErasedEntity = false);
inline Acad::ErrorStatus acdbOpenObject(AcDbObject*& pObj, AcDbObjectId id, AcDb::OpenMode mode = AcDb::kForRead,
                                        bool openErased = false)
{
    return acdbOpenAcDbObject(pObj, id, mode, openErased);
}
inline Acad::ErrorStatus acdbOpenObject(AcDbEntity*& pEnt, AcDbObjectId id, AcDb::OpenMode mode = AcDb::kForRead,
                                        bool openErased = false)
{
    return acdbOpenAcDbEntity(pEnt, id, mode, openErased);
}
template <class T_OBJECT>
inline Acad::ErrorStatus acdbOpenObject(T_OBJECT*& pObj, AcDbObjectId id, AcDb::OpenMode mode = AcDb::kForRead,
                                        bool openErased = false)
{
    AcDbObject* pBase = nullptr;
    Acad::ErrorStatus es = acdbOpenAcDbObject(pBase, id, mode, T_OBJECT::desc(), openErased);
    pObj = es == Acad::eOk ? static_cast<T_OBJECT*>(pBase) : nullptr;
    return es;
}

ACDB_PORT Acad::ErrorStatus acdbGetObjectId(AcDbObjectId& objId, const ads_name objName);
ACDB_PORT Acad::ErrorStatus acdbGetAdsName(ads_name& objName, AcDbObjectId objId);

// Steps through the objects a container owns (a block reference's attributes). Made by
// the container; the caller deletes it. For a container in a database objectId()
// names each object; for one that is not, entity() gives each object itself (the
// container keeps it) and objectId() is null.
class ACDB_PORT AcDbObjectIterator : public AcRxObject {
public:
    ~AcDbObjectIterator() override;
    bool done() const;
    void step(bool backwards = false, bool skipDeleted = true);
    void start(bool atEnd = false);
    void setPosition(AcDbEntity* pEnt);
    void setPosition(AcDbObjectId pObj);
    AcDbEntity* entity();
    AcDbObjectId objectId();

private:
    friend class AcDbSystemInternals;
    AcDbObjectIterator(std::vector<AcDbObjectId> ids, std::vector<AcDbEntity*> entities);
    bool skipped(long pos) const;
    std::vector<AcDbObjectId> m_ids;
    std::vector<AcDbEntity*> m_entities;
    long m_pos = 0;
    bool m_skipDeleted = true;
};
