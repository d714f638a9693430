// The cache of generated host entities that each of the three entity classes draws,
// explodes and snaps through, and the editing frame the classes share. The cache is
// a member of each class (its last data member); these functions work on it.
#pragma once

#include <initializer_list>

#include "dbmain.h"

// Owned, non-resident sub-entities, rebuilt as a whole after every change.
typedef AcArray<AcDbEntity*, AcArrayMemCopyReallocator<AcDbEntity*>> SubEntityArray;

// Deletes every cached sub-entity, first to last, and empties the cache; the storage
// stays allocated for the next build.
void discardSubEntities(SubEntityArray& cache);

// True when every one of a rebuild's freshly allocated sub-entities exists. Otherwise
// (the heap ran out) deletes those that do and answers false, so that the owner is
// left with an empty cache rather than a partial one.
bool allSubEntitiesMade(std::initializer_list<AcDbEntity*> made);

// True when the piece carries the owner's layer, colour, linetype, linetype scale,
// lineweight and visibility.
bool carriesOwnerProperties(const AcDbEntity* piece, const AcDbEntity* owner);

// After a change of the entity's own properties (status es), rebuilds its display if
// the piece at carrier (the one piece of its class that takes the owner's properties at
// each rebuild; -1 for a class whose pieces take none) no longer carries them. An
// entity without a display yet (an empty shell not read) is left without one.
// Returns es.
template <class Entity>
Acad::ErrorStatus keepPiecesInStep(Entity& entity, Acad::ErrorStatus es, int carrier)
{
    if (es == Acad::eOk && carrier >= 0 && carrier < entity.m_subEnts.length() &&
        !carriesOwnerProperties(entity.m_subEnts[carrier], &entity))
        entity.resetSubEnt(1);
    return es;
}

// Draws every cached sub-entity into the same world-draw context.
void drawSubEntities(const SubEntityArray& cache, AcGiWorldDraw* pWd);

// Appends a copy of every cached sub-entity to pieces; the caller owns the copies.
void explodeSubEntities(const SubEntityArray& cache, AcDbVoidPtrArray& pieces);

// Lets every cached sub-entity append its snap points for the request. With
// stopAtFailure false the statuses are ignored and eOk is returned; otherwise the
// first failing status is returned and later sub-entities are not asked.
Acad::ErrorStatus collectSnapPoints(const SubEntityArray& cache, bool stopAtFailure, AcDb::OsnapMode osnapMode,
                                    Adesk::GsMarker gsSelectionMark, const AcGePoint3d& pickPoint,
                                    const AcGePoint3d& lastPoint, const AcGeMatrix3d& viewXform,
                                    AcGePoint3dArray& snapPoints, AcDbIntArray& geomIds);

// The grip and stretch points of both labels: index 0 the marked point, 1 the text point.
void appendLabelPoints(const AcGePoint3d& markPoint, const AcGePoint3d& textPoint, AcGePoint3dArray& points);

// The frame of a grip or stretch move: every index in order goes to the class's own
// rule (an index may come more than once), then the display is rebuilt.
template <class Entity, class MovePoint>
Acad::ErrorStatus moveIndexedPoints(Entity& entity, const AcDbIntArray& indices, const AcGeVector3d& offset,
                                    MovePoint movePoint)
{
    entity.assertWriteEnabled();
    for (int i = 0; i < indices.length(); ++i)
        movePoint(indices[i], offset);
    entity.resetSubEnt(1);
    return Acad::eOk;
}

// Declares, in each entity class, the property setters and the database-defaults hook
// through which the entity's own properties reach the piece of its display that
// carries them (a new entity builds its display before it is appended, so the layer it
// receives then would otherwise reach the piece only at the next rebuild). The pieces
// are the display, not sub-entities a caller could address one by one, so the piece
// follows the entity whatever doSubents says.
#define VEMD_DECLARE_PROPERTY_MEMBERS()                                                                         \
    Acad::ErrorStatus setColorIndex(Adesk::UInt16 color, Adesk::Boolean doSubents = true) override;          \
    Acad::ErrorStatus setLayer(const ACHAR* newVal, Adesk::Boolean doSubents = true,                         \
                               bool allowHiddenLayer = false) override;                                      \
    Acad::ErrorStatus setLayer(AcDbObjectId newVal, Adesk::Boolean doSubents = true,                         \
                               bool allowHiddenLayer = false) override;                                      \
    Acad::ErrorStatus setLinetype(AcDbObjectId newVal, Adesk::Boolean doSubents = true) override;            \
    Acad::ErrorStatus setLinetypeScale(double newval, Adesk::Boolean doSubents = true) override;             \
    Acad::ErrorStatus setLineWeight(AcDb::LineWeight newVal, Adesk::Boolean doSubents = true) override;      \
    Acad::ErrorStatus setVisibility(AcDb::Visibility newVal, Adesk::Boolean doSubents = true) override;      \
    void subSetDatabaseDefaults(AcDbDatabase* pDb) override;

// Defines, for an entity class whose cache member is m_subEnts, the members that the
// three classes implement alike: attributes, drawing, exploding and both snap forms,
// all through the cache, and the property members declared above. One definition,
// expanded once in each class's source.
#define VEMD_DEFINE_SUB_ENTITY_CACHE_MEMBERS(CLASS, CARRIER)                                                    \
    /* The entity base's attributes, which include the entity's visibility: an entity */                    \
    /* made invisible is not drawn. */                                                                      \
    Adesk::UInt32 CLASS::subSetAttributes(AcGiDrawableTraits* pTraits)                                       \
    {                                                                                                        \
        assertReadEnabled();                                                                                 \
        return AcDbEntity::subSetAttributes(pTraits);                                                        \
    }                                                                                                        \
                                                                                                             \
    Adesk::Boolean CLASS::subWorldDraw(AcGiWorldDraw* pWd)                                                   \
    {                                                                                                        \
        assertReadEnabled();                                                                                 \
        AcDbEntity::subWorldDraw(pWd);                                                                       \
        drawSubEntities(m_subEnts, pWd);                                                                     \
        return true;                                                                                         \
    }                                                                                                        \
                                                                                                             \
    Acad::ErrorStatus CLASS::subExplode(AcDbVoidPtrArray& entitySet) const                                   \
    {                                                                                                        \
        assertReadEnabled();                                                                                 \
        explodeSubEntities(m_subEnts, entitySet);                                                            \
        return Acad::eOk;                                                                                    \
    }                                                                                                        \
                                                                                                             \
    Acad::ErrorStatus CLASS::subGetOsnapPoints(                                                              \
        AcDb::OsnapMode osnapMode, Adesk::GsMarker gsSelectionMark, const AcGePoint3d& pickPoint,            \
        const AcGePoint3d& lastPoint, const AcGeMatrix3d& viewXform, AcGePoint3dArray& snapPoints,           \
        AcDbIntArray& geomIds) const                                                                         \
    {                                                                                                        \
        assertReadEnabled();                                                                                 \
        return collectSnapPoints(m_subEnts, false, osnapMode, gsSelectionMark, pickPoint, lastPoint,         \
                                 viewXform, snapPoints, geomIds);                                            \
    }                                                                                                        \
                                                                                                             \
    Acad::ErrorStatus CLASS::GetOsnapPoints(                                                                 \
        AcDb::OsnapMode osnapMode, Adesk::GsMarker gsSelectionMark, const AcGePoint3d& pickPoint,            \
        const AcGePoint3d& lastPoint, const AcGeMatrix3d& viewXform, AcGePoint3dArray& snapPoints,           \
        AcDbIntArray& geomIds) const                                                                         \
    {                                                                                                        \
        return collectSnapPoints(m_subEnts, true, osnapMode, gsSelectionMark, pickPoint, lastPoint,          \
                                 viewXform, snapPoints, geomIds);                                            \
    }                                                                                                        \
                                                                                                             \
    /* A new entity builds its display before it is appended: the layer it receives */                      \
    /* then, and every later property change, reaches the pieces through a rebuild. */                      \
    void CLASS::subSetDatabaseDefaults(AcDbDatabase* pDb)                                                    \
    {                                                                                                        \
        AcDbEntity::subSetDatabaseDefaults(pDb);                                                             \
        keepPiecesInStep(*this, Acad::eOk, CARRIER);                                                         \
    }                                                                                                        \
    Acad::ErrorStatus CLASS::setColorIndex(Adesk::UInt16 color, Adesk::Boolean doSubents)                    \
    {                                                                                                        \
        return keepPiecesInStep(*this, AcDbEntity::setColorIndex(color, doSubents), CARRIER);                \
    }                                                                                                        \
    Acad::ErrorStatus CLASS::setLayer(const ACHAR* newVal, Adesk::Boolean doSubents, bool allowHiddenLayer)  \
    {                                                                                                        \
        return keepPiecesInStep(*this, AcDbEntity::setLayer(newVal, doSubents, allowHiddenLayer), CARRIER);  \
    }                                                                                                        \
    Acad::ErrorStatus CLASS::setLayer(AcDbObjectId newVal, Adesk::Boolean doSubents, bool allowHiddenLayer)  \
    {                                                                                                        \
        return keepPiecesInStep(*this, AcDbEntity::setLayer(newVal, doSubents, allowHiddenLayer), CARRIER);  \
    }                                                                                                        \
    Acad::ErrorStatus CLASS::setLinetype(AcDbObjectId newVal, Adesk::Boolean doSubents)                      \
    {                                                                                                        \
        return keepPiecesInStep(*this, AcDbEntity::setLinetype(newVal, doSubents), CARRIER);                 \
    }                                                                                                        \
    Acad::ErrorStatus CLASS::setLinetypeScale(double newval, Adesk::Boolean doSubents)                       \
    {                                                                                                        \
        return keepPiecesInStep(*this, AcDbEntity::setLinetypeScale(newval, doSubents), CARRIER);            \
    }                                                                                                        \
    Acad::ErrorStatus CLASS::setLineWeight(AcDb::LineWeight newVal, Adesk::Boolean doSubents)                \
    {                                                                                                        \
        return keepPiecesInStep(*this, AcDbEntity::setLineWeight(newVal, doSubents), CARRIER);               \
    }                                                                                                        \
    Acad::ErrorStatus CLASS::setVisibility(AcDb::Visibility newVal, Adesk::Boolean doSubents)                \
    {                                                                                                        \
        return keepPiecesInStep(*this, AcDbEntity::setVisibility(newVal, doSubents), CARRIER);               \
    }
