// What a pass-through entity shows and how it changes: it draws what its groups
// describe (decoded once per change), measures that, moves by rewriting its coordinate
// groups where the transform is one its type allows, shows a dimension's or a table's
// block placed as a block reference would, and lists its kind and what it holds.
#include <cctype>

#include "block_attributes.h"
#include "block_contents.h"
#include "curve_analysis.h"
#include "db_internals.h"
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

bool sameStyleName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// What a dimension style kept from a DXF file gives a leader's arrowhead: its size
// (DIMASZ, 41), its scale (DIMSCALE, 40) and whether it names an arrow block of its
// own (DIMLDRBLK, 341). False when the drawing has no such style.
bool readStyleArrow(const DxfPassThroughObject& style, const std::string& name, acrt::LeaderArrow& arrow)
{
    if (style.place() != acrt::DxfPlace::kTableRecord || style.dxfType() != "DIMSTYLE")
        return false;
    const acrt::DxfGroups& groups = style.groups();
    const auto named = std::find_if(groups.begin(), groups.end(), [](const acrt::DxfGroup& g) { return g.code == 2; });
    if (named == groups.end() || !sameStyleName(named->value, name))
        return false;
    for (const acrt::DxfGroup& g : groups) {
        double value = 0.0;
        if (g.code == 41 && arrow.size < 0.0 && acrt::groupNumber(g.value, value) && value >= 0.0)
            arrow.size = value;
        else if (g.code == 40 && arrow.scale < 0.0 && acrt::groupNumber(g.value, value) && value >= 0.0)
            arrow.scale = value;
        else if (g.code == 341)
            arrow.blockNamed = arrow.blockNamed || (!g.value.empty() && g.value != "0");
    }
    return true;
}

// The size of the leader's arrowhead: its own overrides, else its style's, else 2.5 at
// a scale of 1 (a scale of 0 counts as 1). Zero when it names an arrow block. Found
// once, on first use.
double arrowSizeIn(AcDbDatabase* db, const acrt::LeaderArrow& own)
{
    if (own.drawnSize >= 0.0)
        return own.drawnSize;
    acrt::LeaderArrow arrow = own;
    AcDbDatabase::Impl* impl = AcDbSystemInternals::impl(db);
    if (impl != nullptr && (arrow.size < 0.0 || arrow.scale < 0.0)) {
        for (AcDbStub& stub : impl->stubs) {
            if (stub.object == nullptr || stub.erased || !stub.object->isKindOf(DxfPassThroughObject::desc()))
                continue;
            DxfPassThroughObject* style = nullptr;
            if (acdbOpenObject(style, AcDbObjectId(&stub), AcDb::kForRead) != Acad::eOk)
                continue;
            const bool found = readStyleArrow(*style, own.style, arrow);
            style->close();
            if (found)
                break;
        }
    }
    const double size = arrow.size < 0.0 ? 2.5 : arrow.size;
    const double scale = arrow.scale <= 0.0 ? 1.0 : arrow.scale;
    own.drawnSize = arrow.blockNamed ? 0.0 : size * scale;
    return own.drawnSize;
}

// The corners of the leader's arrowhead; false when it has none to draw.
bool arrowOf(AcDbDatabase* db, const acrt::PassThroughShape& shape, AcGePoint3d corners[3])
{
    if (shape.arrow == nullptr)
        return false;
    const double size = arrowSizeIn(db, *shape.arrow);
    if (!(size > 0.0))
        return false;
    acrt::arrowCorners(*shape.arrow, size, corners);
    return true;
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
    AcGePoint3d arrow[3];
    if (arrowOf(database(), drawn, arrow))
        acrt::drawFilledPolygon(pWd, arrow, 3);
    if (drawn.filled) {
        acrt::drawFills(pWd, drawn);
        return Adesk::kTrue;
    }
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
    AcDbExtents inBlock = acrt::shownContentsExtents(blockNamed(database(), shape().blockName));
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
    AcGePoint3d arrow[3];
    if (arrowOf(database(), drawn, arrow))
        for (const AcGePoint3d& corner : arrow)
            found.addPoint(corner);
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
