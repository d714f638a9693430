// The sub-entity cache: discarding, drawing, exploding and snapping through the
// generated host entities that stand for an entity on screen.
#include "sub_entity_cache.h"

void discardSubEntities(SubEntityArray& cache)
{
    for (int i = 0; i < cache.length(); ++i) {
        delete cache[i];
        cache[i] = nullptr;
    }
    cache.setLogicalLength(0);
}

bool allSubEntitiesMade(std::initializer_list<AcDbEntity*> made)
{
    for (AcDbEntity* ent : made)
        if (ent == nullptr) {
            for (AcDbEntity* other : made)
                delete other;
            return false;
        }
    return true;
}

namespace {
bool carriesOwnerProperties(const AcDbEntity* piece, const AcDbEntity* owner)
{
    return piece->layerId() == owner->layerId() && piece->colorIndex() == owner->colorIndex() &&
           piece->linetypeId() == owner->linetypeId() && piece->linetypeScale() == owner->linetypeScale() &&
           piece->lineWeight() == owner->lineWeight() && piece->visibility() == owner->visibility();
}
}  // namespace

void refreshPropertyCarrier(const SubEntityArray& cache, int carrier, const AcDbEntity* owner)
{
    if (carrier >= 0 && carrier < cache.length() && !carriesOwnerProperties(cache[carrier], owner))
        cache[carrier]->setPropertiesFrom(owner, true);
}

void drawSubEntities(const SubEntityArray& cache, AcGiWorldDraw* pWd)
{
    for (int i = 0; i < cache.length(); ++i)
        cache[i]->worldDraw(pWd);
}

// A sub-entity whose copy cannot be made is left out rather than handed out as null.
void explodeSubEntities(const SubEntityArray& cache, AcDbVoidPtrArray& pieces)
{
    for (int i = 0; i < cache.length(); ++i) {
        AcRxObject* copy = cache[i]->clone();
        if (copy != nullptr)
            pieces.append(static_cast<AcDbEntity*>(copy));
    }
}

Acad::ErrorStatus collectSnapPoints(const SubEntityArray& cache, bool stopAtFailure, AcDb::OsnapMode osnapMode,
                                    Adesk::GsMarker gsSelectionMark, const AcGePoint3d& pickPoint,
                                    const AcGePoint3d& lastPoint, const AcGeMatrix3d& viewXform,
                                    AcGePoint3dArray& snapPoints, AcDbIntArray& geomIds)
{
    for (int i = 0; i < cache.length(); ++i) {
        Acad::ErrorStatus es = cache[i]->getOsnapPoints(osnapMode, gsSelectionMark, pickPoint, lastPoint, viewXform,
                                                        snapPoints, geomIds);
        if (stopAtFailure && es != Acad::eOk)
            return es;
    }
    return Acad::eOk;
}

void appendLabelPoints(const AcGePoint3d& markPoint, const AcGePoint3d& textPoint, AcGePoint3dArray& points)
{
    points.append(markPoint);
    points.append(textPoint);
}
