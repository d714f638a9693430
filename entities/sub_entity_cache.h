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

// Gives the piece at index carrier (the one piece of its class that takes the owner's
// properties at each rebuild) the owner's layer, colour, linetype, linetype scale,
// lineweight and visibility again when they changed since: a new entity builds its
// display before it is appended and receives its layer only then, and a property set
// later reaches the piece without a rebuild. Called wherever the display is used
// (drawn, exploded), so the piece carries them there. An entity without a display yet
// is left as it is.
void refreshPropertyCarrier(const SubEntityArray& cache, int carrier, const AcDbEntity* owner);

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
