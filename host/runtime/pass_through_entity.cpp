// What a pass-through entity shows and how it changes: it draws what its groups
// describe (decoded once per change), measures that, moves by rewriting its coordinate
// groups where the transform is one its type allows, shows a dimension's or a table's
// block placed as a block reference would, and lists its kind and what it holds.
#include "block_attributes.h"
#include "block_contents.h"
#include "curve_analysis.h"
#include "list_output.h"
#include "pass_through_geometry.h"
#include "vemhost_program.h"

namespace {

// The block a dimension or a table shows, by name in the entity's drawing; null when
// there is none, and for a layout, which nothing shows.
AcDbObjectId blockNamed(AcDbDatabase* db, const std::string& name)
{
    AcDbObjectId id;
    AcDbBlockTable* table = nullptr;
    if (db == nullptr || db->getSymbolTable(table, AcDb::kForRead) != Acad::eOk)
        return id;
    const std::wstring wide = vemhost::fromUtf8(name);
    AcDbBlockTableRecord* block = nullptr;
    if (table->getAt(wide.c_str(), block, AcDb::kForRead) == Acad::eOk) {
        if (!block->isLayout())
            id = block->objectId();
        block->close();
    }
    table->close();
    return id;
}

}  // namespace

const acrt::PassThroughShape& DxfPassThroughEntity::shape() const
{
    if (!m_shape)
        m_shape = acrt::decodeShape(m_type, m_groups);
    return *m_shape;
}

Adesk::Boolean DxfPassThroughEntity::subWorldDraw(AcGiWorldDraw* pWd)
{
    assertReadEnabled();
    const acrt::PassThroughShape& drawn = shape();
    AcGiWorldGeometry& geometry = pWd->geometry();
    size_t at = 0;
    for (unsigned count : drawn.runs) {
        geometry.polyline(count, drawn.points.data() + at);
        at += count;
    }
    for (const acrt::PassThroughArc& arc : drawn.arcs)
        acrt::drawArc(pWd, acrt::CircularFrame(arc.center, arc.normal), arc.radius, arc.start, arc.sweep);
    for (const acrt::EllipseCurve& ellipse : drawn.ellipses)
        acrt::drawCurve(pWd, ellipse, nullptr);
    for (const acrt::PassThroughSpline& spline : drawn.splines)
        acrt::drawCurve(pWd, acrt::NurbsCurve(spline.view()), nullptr);
    if (!drawn.blockName.empty())
        drawBlock(pWd);
    return Adesk::kTrue;
}

void DxfPassThroughEntity::drawBlock(AcGiWorldDraw* pWd) const
{
    const AcDbObjectId blockId = blockNamed(database(), shape().blockName);
    acrt::BlockNesting nesting(blockId);
    if (blockId.isNull() || !nesting.entered())
        return;
    const acrt::OpenedBlock block(blockId);
    if (block.get() == nullptr)
        return;
    AcGiWorldGeometry& geometry = pWd->geometry();
    geometry.pushModelTransform(AcGeMatrix3d::translation(shape().blockPosition.asVector()));
    block.forEachEntity([&](const AcDbEntity& ent) {
        if (!acrt::isHiddenInReferences(ent))
            geometry.draw(const_cast<AcDbEntity*>(&ent));
        return !pWd->regenAbort();
    });
    geometry.popModelTransform();
}

bool DxfPassThroughEntity::addBlockExtents(AcDbExtents& extents) const
{
    const AcDbObjectId blockId = blockNamed(database(), shape().blockName);
    acrt::BlockNesting nesting(blockId);
    const acrt::OpenedBlock block(nesting.entered() ? blockId : AcDbObjectId());
    AcDbExtents inBlock;
    block.forEachEntity([&](const AcDbEntity& ent) {
        AcDbExtents one;
        if (!acrt::isHiddenInReferences(ent) && ent.getGeomExtents(one) == Acad::eOk && !one.isEmpty())
            inBlock.addExt(one);
        return true;
    });
    if (inBlock.isEmpty())
        return false;
    inBlock.transformBy(AcGeMatrix3d::translation(shape().blockPosition.asVector()));
    extents.addExt(inBlock);
    return true;
}

Acad::ErrorStatus DxfPassThroughEntity::subGetGeomExtents(AcDbExtents& extents) const
{
    assertReadEnabled();
    extents = AcDbExtents();
    const acrt::PassThroughShape& drawn = shape();
    AcDbExtents found;
    for (const AcGePoint3d& pt : drawn.points)
        found.addPoint(pt);
    for (const acrt::PassThroughArc& arc : drawn.arcs) {
        const acrt::CircularFrame frame(arc.center, arc.normal);
        found.addPoint(frame.pointAt(arc.radius, arc.start));
        found.addPoint(frame.pointAt(arc.radius, arc.start + arc.sweep));
        acrt::addArcExtents(frame, arc.radius, arc.start, arc.sweep, found);
    }
    for (const acrt::EllipseCurve& ellipse : drawn.ellipses)
        acrt::addCurveExtents(ellipse, found);
    for (const acrt::PassThroughSpline& spline : drawn.splines)
        acrt::addCurveExtents(acrt::NurbsCurve(spline.view()), found);
    if (!drawn.blockName.empty())
        addBlockExtents(found);
    if (found.isEmpty())
        return Acad::eInvalidExtents;
    extents = found;
    return Acad::eOk;
}

// The groups' coordinates are rewritten where the type allows the transform; others
// refuse it and stay as they were. A dimension or a table would need its block moved
// too, and is refused.
Acad::ErrorStatus DxfPassThroughEntity::subTransformBy(const AcGeMatrix3d& xform)
{
    assertWriteEnabled();
    const Acad::ErrorStatus es = acrt::transformGroups(shape(), xform, m_groups);
    if (es == Acad::eOk)
        m_shape.reset();
    return es;
}

Acad::ErrorStatus DxfPassThroughEntity::subGetTransformedCopy(const AcGeMatrix3d& xform, AcDbEntity*& pEnt) const
{
    return AcDbEntity::subGetTransformedCopy(xform, pEnt);
}

Acad::ErrorStatus DxfPassThroughEntity::subExplode(AcDbVoidPtrArray&) const { return Acad::eNotApplicable; }

void DxfPassThroughEntity::subList() const
{
    assertReadEnabled();
    acrt::printEntityHeader(vemhost::fromUtf8(m_type).c_str(), *this);
    const acrt::PassThroughShape& drawn = shape();
    if (!drawn.summary.empty())
        acrt::printListLine(AcString(L"  ") + drawn.summary.c_str());
    if (!drawn.blockName.empty())
        acrt::printListLine(AcString(L"  Block: ") + vemhost::fromUtf8(drawn.blockName).c_str());
    AcDbExtents box;
    if (subGetGeomExtents(box) == Acad::eOk) {
        acrt::printListLine(AcString(L"  Lower left:  ") + acrt::pointText(box.minPoint()));
        acrt::printListLine(AcString(L"  Upper right: ") + acrt::pointText(box.maxPoint()));
    } else {
        acrt::printListLine(AcString(L"  Kept as read from a DXF file; not shown"));
    }
}
