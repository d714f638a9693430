// What a block reference shows of its block and its attributes: the block's entities
// drawn under the block transform (attribute definitions stand for the attributes,
// constant ones show their value), their extents, their snap points placed in the
// world, and the placed copies an explode gives. Every descent into a block goes
// through the nesting guard.
#include <memory>

#include "block_attributes.h"
#include "block_contents.h"
#include "dbents.h"

namespace {

// Deletes the entities of an explode unless released: an explode that fails part-way
// gives back nothing.
class PieceSet {
public:
    ~PieceSet()
    {
        for (void* p : m_pieces)
            delete static_cast<AcDbEntity*>(p);
    }
    void add(AcDbEntity* piece) { m_pieces.append(piece); }
    void releaseInto(AcDbVoidPtrArray& entitySet)
    {
        entitySet.append(m_pieces);
        m_pieces.setLogicalLength(0);
    }

private:
    AcDbVoidPtrArray m_pieces;
};

bool isSimilarity(const AcGeMatrix3d& m) { return m.isUniScaledOrtho(); }

// A block's entity as a reference draws it: a constant definition as the text of its
// value, one that is not constant not at all.
void drawShown(const AcDbEntity& ent, AcGiWorldGeometry& geometry)
{
    if (acrt::isHiddenInReferences(ent))
        return;
    if (const AcDbAttributeDefinition* def = AcDbAttributeDefinition::cast(&ent)) {
        std::unique_ptr<AcDbText> value(acrt::textOf(*def));
        if (value != nullptr)
            geometry.draw(value.get());
        return;
    }
    geometry.draw(const_cast<AcDbEntity*>(&ent));
}

// Snap modes whose points an affine map carries to the points of the image: the rest
// need a transform that keeps angles.
bool keepsUnderAnyPlacement(AcDb::OsnapMode mode)
{
    return mode != AcDb::kOsModePerp && mode != AcDb::kOsModeTan;
}

}  // namespace

Adesk::Boolean AcDbBlockReference::subWorldDraw(AcGiWorldDraw* pWd)
{
    assertReadEnabled();
    acrt::BlockNesting nesting(m_blockRecord);
    if (!nesting.entered())
        return Adesk::kTrue;
    const acrt::OpenedBlock block(m_blockRecord);
    if (block.get() == nullptr)
        return Adesk::kTrue;
    AcGiWorldGeometry& geometry = pWd->geometry();
    geometry.pushModelTransform(blockTransform());
    block.forEachEntity([&](const AcDbEntity& ent) {
        drawShown(ent, geometry);
        return !pWd->regenAbort();
    });
    geometry.popModelTransform();
    forEachAttribute(AcDb::kForRead, [&](AcDbAttribute& attribute) { geometry.draw(&attribute); });
    return Adesk::kTrue;
}

// As the host does: the box of the block's entities in the block, transformed. A
// rotated reference's box is then larger than its contents; geomExtentsBestFit is tight.
Acad::ErrorStatus AcDbBlockReference::subGetGeomExtents(AcDbExtents& extents) const
{
    assertReadEnabled();
    extents = AcDbExtents();
    AcDbExtents inBlock = acrt::shownContentsExtents(m_blockRecord);
    inBlock.transformBy(blockTransform());
    addAttributeExtents(inBlock);
    if (inBlock.isEmpty())
        return Acad::eInvalidExtents;
    extents = inBlock;
    return Acad::eOk;
}

// Each entity placed and measured, nested references likewise; an entity that cannot
// take the placement gives its box transformed.
Acad::ErrorStatus AcDbBlockReference::geomExtentsBestFit(AcDbExtents& extents, const AcGeMatrix3d& parentXform) const
{
    assertReadEnabled();
    extents = AcDbExtents();
    acrt::BlockNesting nesting(m_blockRecord);
    const acrt::OpenedBlock block(nesting.entered() ? m_blockRecord : AcDbObjectId());
    const AcGeMatrix3d placement = parentXform * blockTransform();
    block.forEachEntity([&](const AcDbEntity& ent) {
        AcDbExtents one;
        AcDbEntity* placed = nullptr;
        if (acrt::isHiddenInReferences(ent)) {
            return true;
        } else if (const AcDbBlockReference* inner = AcDbBlockReference::cast(&ent)) {
            inner->geomExtentsBestFit(one, placement);
        } else if (ent.getTransformedCopy(placement, placed) == Acad::eOk && placed != nullptr) {
            placed->getGeomExtents(one);
            delete placed;
        } else if (ent.getGeomExtents(one) == Acad::eOk) {
            one.transformBy(placement);
        }
        if (!one.isEmpty())
            extents.addExt(one);
        return true;
    });
    addAttributeExtents(extents, parentXform);
    return extents.isEmpty() ? Acad::eInvalidExtents : Acad::eOk;
}

void AcDbBlockReference::addAttributeExtents(AcDbExtents& extents, const AcGeMatrix3d& parentXform) const
{
    forEachAttribute(AcDb::kForRead, [&](AcDbAttribute& attribute) {
        AcDbExtents one;
        if (attribute.getGeomExtents(one) == Acad::eOk && !one.isEmpty()) {
            one.transformBy(parentXform);
            extents.addExt(one);
        }
    });
}

// Each entity of the block as a placed copy (a new entity, not in the database), and
// each attribute as a text of its value (invisible when the attribute is); attribute
// definitions give nothing. One entity that cannot take the placement (a circle under
// unequal scales) fails the explode, which then gives nothing.
Acad::ErrorStatus AcDbBlockReference::subExplode(AcDbVoidPtrArray& entitySet) const
{
    assertReadEnabled();
    const acrt::OpenedBlock block(m_blockRecord);
    if (block.get() == nullptr)
        return Acad::eInvalidInput;
    if (!block.get()->explodable())
        return Acad::eNotApplicable;
    const AcGeMatrix3d placement = blockTransform();
    PieceSet pieces;
    Acad::ErrorStatus es = Acad::eOk;
    block.forEachEntity([&](const AcDbEntity& ent) {
        if (AcDbAttributeDefinition::cast(&ent) != nullptr)
            return true;
        AcDbEntity* placed = nullptr;
        es = ent.getTransformedCopy(placement, placed);
        if (es == Acad::eOk && placed == nullptr)
            es = Acad::eNotApplicable;
        if (es == Acad::eOk)
            pieces.add(placed);
        return es == Acad::eOk;
    });
    forEachAttribute(AcDb::kForRead, [&](AcDbAttribute& attribute) {
        AcDbText* text = es == Acad::eOk ? acrt::textOf(attribute) : nullptr;
        if (text == nullptr) {
            es = es == Acad::eOk ? Acad::eOutOfMemory : es;
            return;
        }
        if (attribute.isInvisible())
            text->setVisibility(AcDb::kInvisible);
        pieces.add(text);
    });
    if (es != Acad::eOk)
        return es;
    pieces.releaseInto(entitySet);
    return Acad::eOk;
}

// The pieces are appended to the block that owns the reference, which stays.
Acad::ErrorStatus AcDbBlockReference::explodeToOwnerSpace() const
{
    assertReadEnabled();
    AcDbVoidPtrArray pieces;
    Acad::ErrorStatus es = explode(pieces);
    if (es != Acad::eOk)
        return es;
    AcDbBlockTableRecord* owner = nullptr;
    es = acdbOpenObject(owner, ownerId(), AcDb::kForWrite);
    std::vector<AcDbEntity*> appended;
    for (void* p : pieces) {
        AcDbEntity* piece = static_cast<AcDbEntity*>(p);
        if (es == Acad::eOk && (es = owner->appendAcDbEntity(piece)) == Acad::eOk) {
            appended.push_back(piece);
            continue;
        }
        delete piece;
    }
    for (AcDbEntity* piece : appended) {
        if (es != Acad::eOk)
            piece->erase();
        piece->close();
    }
    if (owner != nullptr)
        owner->close();
    return es;
}

// The position is the insertion point; the block's entities offer theirs, found in the
// block's own coordinates and placed in the world. Under a placement that does not keep
// angles, perpendicular and tangent points of the block's entities are left out.
Acad::ErrorStatus AcDbBlockReference::subGetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker gsSelectionMark,
                                                        const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,
                                                        const AcGeMatrix3d& viewXform, AcGePoint3dArray& snapPoints,
                                                        AcDbIntArray& geomIds) const
{
    assertReadEnabled();
    if (osnapMode == AcDb::kOsModeIns) {
        snapPoints.append(m_position);
        forEachAttribute(AcDb::kForRead, [&](AcDbAttribute& attribute) {
            attribute.getOsnapPoints(osnapMode, gsSelectionMark, pickPoint, lastPoint, viewXform, snapPoints,
                                     geomIds);
        });
        return Acad::eOk;
    }
    const AcGeMatrix3d placement = blockTransform();
    if (!keepsUnderAnyPlacement(osnapMode) && !isSimilarity(placement))
        return Acad::eOk;
    acrt::BlockNesting nesting(m_blockRecord);
    const acrt::OpenedBlock block(nesting.entered() ? m_blockRecord : AcDbObjectId());
    const AcGeMatrix3d toBlock = placement.inverse();
    const AcGePoint3d pick = toBlock * pickPoint, last = toBlock * lastPoint;
    AcGePoint3dArray inBlock;
    block.forEachEntity([&](const AcDbEntity& ent) {
        if (acrt::isHiddenInReferences(ent))
            return true;
        inBlock.setLogicalLength(0);
        ent.getOsnapPoints(osnapMode, gsSelectionMark, pick, last, viewXform, inBlock, geomIds);
        for (const AcGePoint3d& p : inBlock)
            snapPoints.append(placement * p);
        return true;
    });
    return Acad::eOk;
}
