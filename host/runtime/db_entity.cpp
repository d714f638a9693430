// The entity base: common properties filed with every entity and the public editing
// services that forward to an entity's own sub* behaviour.
#include <cmath>

#include "acrt_assert.h"
#include "acutads.h"
#include "db_internals.h"
#include "dbapserv.h"
#include "dbsymtb.h"
#include "editor_internals.h"
#include "rx_runtime_class.h"

ACRT_DEFINE_CLASS(AcDbEntity, AcDbObject, "");

namespace {
// Version of the common part of every entity record.
const Adesk::UInt8 kEntityDataVersion = 1;

AcDbDatabase* databaseFor(const AcDbEntity* ent)
{
    AcDbDatabase* db = ent->database();
    return db ? db : acdbHostApplicationServices()->workingDatabase();
}

// The name of a symbol table record, read without opening it.
AcString recordName(AcDbObjectId id)
{
    AcString name;
    AcDbObject* obj = AcDbSystemInternals::peek(id);
    if (AcDbSymbolTableRecord* rec = obj ? AcDbSymbolTableRecord::cast(obj) : nullptr)
        rec->getName(name);
    return name;
}

}  // namespace

bool acrt::isUsableNormal(const AcGeVector3d& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.length()) &&
           !v.isZeroLength();
}

AcGeVector3d acrt::unitNormalOf(const AcGeVector3d& normal) { return normal.isUnitLength() ? normal : normal.normal(); }

bool acrt::isValidLineWeight(int lw)
{
    static const int kWeights[] = {0, 5, 9, 13, 15, 18, 20, 25, 30, 35, 40, 50, 53, 60,
                                   70, 80, 90, 100, 106, 120, 140, 158, 200, 211, -1, -2, -3};
    for (int w : kWeights)
        if (w == lw)
            return true;
    return false;
}

AcDbEntity::AcDbEntity() = default;
AcDbEntity::~AcDbEntity() = default;

Acad::ErrorStatus AcDbEntity::setColorIndex(Adesk::UInt16 color, Adesk::Boolean)
{
    if (color > 257)
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_colorIndex = color;
    return Acad::eOk;
}

AcString AcDbEntity::layer() const { return recordName(m_layerId); }

Acad::ErrorStatus AcDbEntity::setLayer(const ACHAR* newVal, Adesk::Boolean doSubents, bool allowHiddenLayer)
{
    AcDbDatabase* db = databaseFor(this);
    if (db == nullptr || newVal == nullptr)
        return Acad::eInvalidInput;
    AcDbLayerTable* table = nullptr;
    Acad::ErrorStatus es = db->getLayerTable(table, AcDb::kForRead);
    if (es != Acad::eOk)
        return es;
    AcDbObjectId id;
    es = table->getAt(newVal, id);
    table->close();
    if (es != Acad::eOk)
        return Acad::eKeyNotFound;
    return setLayer(id, doSubents, allowHiddenLayer);
}

Acad::ErrorStatus AcDbEntity::setLayer(AcDbObjectId newVal, Adesk::Boolean, bool)
{
    AcDbObject* obj = AcDbSystemInternals::peek(newVal);
    if (obj == nullptr || !obj->isKindOf(AcDbLayerTableRecord::desc()))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_layerId = newVal;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEntity::setLinetype(AcDbObjectId newVal, Adesk::Boolean)
{
    AcDbObject* obj = AcDbSystemInternals::peek(newVal);
    if (!newVal.isNull() && (obj == nullptr || !obj->isKindOf(AcDbLinetypeTableRecord::desc())))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_linetypeId = newVal;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEntity::setLinetypeScale(double newval, Adesk::Boolean)
{
    if (!(newval > 0.0) || !std::isfinite(newval))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_linetypeScale = newval;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEntity::setLineWeight(AcDb::LineWeight newVal, Adesk::Boolean)
{
    if (!acrt::isValidLineWeight(int(newVal)))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_lineWeight = newVal;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEntity::setVisibility(AcDb::Visibility newVal, Adesk::Boolean)
{
    assertWriteEnabled();
    m_visibility = newVal;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEntity::setPropertiesFrom(const AcDbEntity* pEntity, Adesk::Boolean)
{
    if (pEntity == nullptr)
        return Acad::eNullEntityPointer;
    assertWriteEnabled();
    m_layerId = pEntity->m_layerId;
    m_linetypeId = pEntity->m_linetypeId;
    m_linetypeScale = pEntity->m_linetypeScale;
    m_colorIndex = pEntity->m_colorIndex;
    m_lineWeight = pEntity->m_lineWeight;
    m_visibility = pEntity->m_visibility;
    return Acad::eOk;
}

// The runtime keeps one current property, the layer (CLAYER); the current colour,
// linetype and lineweight are by layer and the linetype scale is 1, as in a new drawing.
void AcDbEntity::setDatabaseDefaults() { setDatabaseDefaults(nullptr); }

void AcDbEntity::setDatabaseDefaults(AcDbDatabase* pDb)
{
    AcDbDatabase* db = pDb ? pDb : databaseFor(this);
    if (db == nullptr)
        return;
    assertWriteEnabled();
    m_layerId = db->clayer();
    m_colorIndex = 256;
    m_linetypeId.setNull();
    m_linetypeScale = 1.0;
    m_lineWeight = AcDb::kLnWtByLayer;
    subSetDatabaseDefaults(db);
}

void AcDbEntity::subSetDatabaseDefaults(AcDbDatabase*) {}

// ---- filing: the common properties -----------------------------------------------------

Acad::ErrorStatus AcDbEntity::dwgOutFields(AcDbDwgFiler* pFiler) const
{
    Acad::ErrorStatus es = AcDbObject::dwgOutFields(pFiler);
    if (es != Acad::eOk)
        return es;
    if ((es = pFiler->writeUInt8(kEntityDataVersion)) != Acad::eOk)
        return es;
    if ((es = pFiler->writeHardPointerId(m_layerId)) != Acad::eOk)
        return es;
    if ((es = pFiler->writeHardPointerId(m_linetypeId)) != Acad::eOk)
        return es;
    if ((es = pFiler->writeDouble(m_linetypeScale)) != Acad::eOk)
        return es;
    if ((es = pFiler->writeUInt16(m_colorIndex)) != Acad::eOk)
        return es;
    if ((es = pFiler->writeInt16(Adesk::Int16(m_lineWeight))) != Acad::eOk)
        return es;
    if ((es = pFiler->writeUInt8(Adesk::UInt8(m_visibility))) != Acad::eOk)
        return es;
    return pFiler->filerStatus();
}

// Reads into temporaries first, so a record that fails part-way leaves the entity's
// common properties as they were.
Acad::ErrorStatus AcDbEntity::dwgInFields(AcDbDwgFiler* pFiler)
{
    Acad::ErrorStatus es = AcDbObject::dwgInFields(pFiler);
    if (es != Acad::eOk)
        return es;
    Adesk::UInt8 version = 0, visibility = 0;
    AcDbHardPointerId layerId, linetypeId;
    double linetypeScale = 1.0;
    Adesk::UInt16 color = 256;
    Adesk::Int16 lineWeight = -1;
    if ((es = pFiler->readUInt8(&version)) != Acad::eOk)
        return es;
    if (version != kEntityDataVersion)
        return Acad::eMakeMeProxy;
    if ((es = pFiler->readHardPointerId(&layerId)) != Acad::eOk)
        return es;
    if ((es = pFiler->readHardPointerId(&linetypeId)) != Acad::eOk)
        return es;
    if ((es = pFiler->readDouble(&linetypeScale)) != Acad::eOk)
        return es;
    if ((es = pFiler->readUInt16(&color)) != Acad::eOk)
        return es;
    if ((es = pFiler->readInt16(&lineWeight)) != Acad::eOk)
        return es;
    if ((es = pFiler->readUInt8(&visibility)) != Acad::eOk)
        return es;
    if (color > 257 || !acrt::isValidLineWeight(lineWeight) || visibility > 1 || !(linetypeScale > 0.0) ||
        !std::isfinite(linetypeScale))
        return Acad::eFilerError;
    m_layerId = layerId;
    m_linetypeId = linetypeId;
    m_linetypeScale = linetypeScale;
    m_colorIndex = color;
    m_lineWeight = AcDb::LineWeight(lineWeight);
    m_visibility = AcDb::Visibility(visibility);
    return pFiler->filerStatus();
}

// ---- public services forwarding to the entity's own behaviour ---------------------------

Adesk::UInt32 AcDbEntity::subSetAttributes(AcGiDrawableTraits* pTraits)
{
    Adesk::UInt32 flags = AcDbObject::subSetAttributes(pTraits) | kDrawableIsAnEntity;
    if (m_visibility == AcDb::kInvisible)
        flags |= kDrawableIsInvisible;
    return flags;
}

Acad::ErrorStatus AcDbEntity::getGeomExtents(AcDbExtents& extents) const { return subGetGeomExtents(extents); }
Acad::ErrorStatus AcDbEntity::explode(AcDbVoidPtrArray& entitySet) const { return subExplode(entitySet); }
Acad::ErrorStatus AcDbEntity::transformBy(const AcGeMatrix3d& xform) { return subTransformBy(xform); }
Acad::ErrorStatus AcDbEntity::getTransformedCopy(const AcGeMatrix3d& xform, AcDbEntity*& pEnt) const
{
    return subGetTransformedCopy(xform, pEnt);
}
Acad::ErrorStatus AcDbEntity::getOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker gsSelectionMark,
                                             const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,
                                             const AcGeMatrix3d& viewXform, AcGePoint3dArray& snapPoints,
                                             AcDbIntArray& geomIds) const
{
    return subGetOsnapPoints(osnapMode, gsSelectionMark, pickPoint, lastPoint, viewXform, snapPoints, geomIds);
}
Acad::ErrorStatus AcDbEntity::getGripPoints(AcGePoint3dArray& gripPoints, AcDbIntArray& osnapModes,
                                            AcDbIntArray& geomIds) const
{
    return subGetGripPoints(gripPoints, osnapModes, geomIds);
}
Acad::ErrorStatus AcDbEntity::moveGripPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    return subMoveGripPointsAt(indices, offset);
}
Acad::ErrorStatus AcDbEntity::getStretchPoints(AcGePoint3dArray& stretchPoints) const
{
    return subGetStretchPoints(stretchPoints);
}
Acad::ErrorStatus AcDbEntity::moveStretchPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    return subMoveStretchPointsAt(indices, offset);
}
void AcDbEntity::list() const { subList(); }

// ---- default behaviour -------------------------------------------------------------------

// By default an entity's extents are those of what it draws, as the host computes
// them for entities that do not say.
Acad::ErrorStatus AcDbEntity::subGetGeomExtents(AcDbExtents& extents) const
{
    AcGePoint3d lo, hi;
    if (!acrt::drawnExtents(const_cast<AcDbEntity*>(this), lo, hi))
        return Acad::eInvalidExtents;
    return extents.set(lo, hi);
}
Acad::ErrorStatus AcDbEntity::subExplode(AcDbVoidPtrArray&) const { return Acad::eNotApplicable; }
Acad::ErrorStatus AcDbEntity::subTransformBy(const AcGeMatrix3d&) { return Acad::eNotApplicable; }

// A transformed copy: a clone that is then transformed; null when either fails.
Acad::ErrorStatus AcDbEntity::subGetTransformedCopy(const AcGeMatrix3d& xform, AcDbEntity*& pEnt) const
{
    pEnt = nullptr;
    AcDbEntity* copy = AcDbEntity::cast(clone());
    if (copy == nullptr)
        return Acad::eNotApplicable;
    Acad::ErrorStatus es = copy->transformBy(xform);
    if (es != Acad::eOk) {
        delete copy;
        return es;
    }
    pEnt = copy;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbEntity::subGetOsnapPoints(AcDb::OsnapMode, Adesk::GsMarker, const AcGePoint3d&,
                                                const AcGePoint3d&, const AcGeMatrix3d&, AcGePoint3dArray&,
                                                AcDbIntArray&) const
{
    return Acad::eOk;
}
Acad::ErrorStatus AcDbEntity::subGetGripPoints(AcGePoint3dArray&, AcDbIntArray&, AcDbIntArray&) const
{
    return Acad::eOk;
}
Acad::ErrorStatus AcDbEntity::subMoveGripPointsAt(const AcDbIntArray&, const AcGeVector3d&) { return Acad::eOk; }
Acad::ErrorStatus AcDbEntity::subGetStretchPoints(AcGePoint3dArray&) const { return Acad::eOk; }
Acad::ErrorStatus AcDbEntity::subMoveStretchPointsAt(const AcDbIntArray&, const AcGeVector3d&) { return Acad::eOk; }

void AcDbEntity::subList() const
{
    AcString className = isA() ? AcString(isA()->name()) : AcString(L"?");
    AcString text;
    text.format(L"\n%s  Layer: \"%s\"\n", className.kwszPtr(), layer().kwszPtr());
    acutPrintf(L"%s", text.kwszPtr());
}
