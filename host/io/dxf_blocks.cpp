// User blocks in DXF output: their base point and flags in BLOCK, their settings in
// BLOCK_RECORD, and block references as INSERT (name, position in the reference's
// object coordinates, scales, rotation in degrees, extrusion), followed by an ATTRIB
// for each of their attributes and a SEQEND.
#include <cmath>
#include <memory>

#include "dbents.h"
#include "dbsymtb.h"
#include "dxf_drawing.h"
#include "dxf_entities.h"

namespace vemio {

namespace {

constexpr double kRadiansToDegrees = 180.0 / M_PI;

// BLOCK group 70: an anonymous block, a block with attribute definitions.
constexpr int kAnonymousBlock = 1;
constexpr int kAttributedBlock = 2;

bool isFinite(const AcGePoint3d& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

bool isWorldZ(const AcGeVector3d& v) { return v.x == 0.0 && v.y == 0.0 && v.z > 0.0; }

// The point in the object coordinates of the normal's plane (its axes by the
// arbitrary-axis rule), as DXF writes them.
AcGePoint3d objectCoordinates(const AcGePoint3d& p, const AcGeVector3d& normal)
{
    if (isWorldZ(normal))
        return p;
    const double kLimit = 1.0 / 64.0;
    const AcGeVector3d n = normal.normal();
    const bool nearZ = std::fabs(n.x) < kLimit && std::fabs(n.y) < kLimit;
    const AcGeVector3d xAxis = (nearZ ? AcGeVector3d::kYAxis : AcGeVector3d::kZAxis).crossProduct(n).normal();
    const AcGeVector3d yAxis = n.crossProduct(xAxis).normal();
    const AcGeVector3d v = p.asVector();
    return AcGePoint3d(v.dotProduct(xAxis), v.dotProduct(yAxis), v.dotProduct(n));
}

}  // namespace

const std::string* DxfSymbols::blockName(AcDbObjectId id) const
{
    auto it = blocks.find(id.asOldId());
    return it == blocks.end() ? nullptr : &it->second;
}

bool DxfEntityWriter::insert(const AcDbBlockReference& ref, const Target& target)
{
    const std::string* name = m_symbols.blockName(ref.blockTableRecord());
    const AcGePoint3d position = ref.position();
    const AcGeScale3d scale = ref.scaleFactors();
    const AcGeVector3d normal = ref.normal();
    if (name == nullptr || !isFinite(position))
        return false;
    std::unique_ptr<AcDbObjectIterator> attributes(ref.attributeIterator());
    const bool attributed = attributes != nullptr && !attributes->done();
    common("INSERT", target);
    m_out.str(100, "AcDbBlockReference");
    if (attributed)
        m_out.integer(66, 1);
    m_out.str(2, *name);
    m_out.point(10, objectCoordinates(position, normal));
    m_out.real(41, scale.sx);
    m_out.real(42, scale.sy);
    m_out.real(43, scale.sz);
    m_out.real(50, ref.rotation() * kRadiansToDegrees);
    if (!isWorldZ(normal))
        m_out.vector(210, normal);
    AcDbExtents extents;
    if (m_trackExtents && ref.getGeomExtents(extents) == Acad::eOk && !extents.isEmpty()) {
        widen(extents.minPoint());
        widen(extents.maxPoint());
    }
    if (attributed)
        attributesOf(*attributes, target, keptSeqend(ref));
    return true;
}

// Each attribute owned by the INSERT just written, then the SEQEND that closes them.
void DxfEntityWriter::attributesOf(AcDbObjectIterator& attributes, const Target& insert, std::uint64_t seqend)
{
    const std::uint64_t block = m_owner;
    m_owner = insert.handle;
    for (; !attributes.done(); attributes.step()) {
        const AcDbObjectId id = attributes.objectId();
        AcDbAttribute* attribute = id.isNull() ? AcDbAttribute::cast(attributes.entity()) : nullptr;
        if (!id.isNull() && acdbOpenObject(attribute, id, AcDb::kForRead) != Acad::eOk)
            continue;
        if (attribute == nullptr)
            continue;
        const std::uint64_t handle = id.isNull() ? m_nextHandle++ : id.handle().value();
        takeExtras(*attribute, handle);
        if (!attrib(*attribute, Target{handle, DxfProperties::of(*attribute).inheriting(insert.props)}))
            ++m_stats.skipped;
        endExtras();
        m_extras = nullptr;
        if (!id.isNull())
            attribute->close();
    }
    endExtras();
    m_out.str(0, "SEQEND");
    m_out.handle(5, seqend != 0 ? seqend : m_nextHandle++);
    m_out.handle(330, insert.handle);
    m_out.str(100, "AcDbEntity");
    if (m_paperSpace)
        m_out.integer(67, 1);
    m_out.str(8, m_symbols.layerName(insert.props.layer));
    m_owner = block;
}

namespace dxf {

void readUserBlock(const AcDbBlockTableRecord& rec, BlockRecord& block)
{
    if (rec.isLayout())
        return;
    block.origin = rec.origin();
    block.anonymous = rec.isAnonymous();
    block.attributed = rec.hasAttributeDefinitions();
    block.explodable = rec.explodable();
    block.uniformScaling = rec.blockScaling() == AcDbBlockTableRecord::kUniform;
}

void blockFlagsAndBase(DxfStream& out, const BlockRecord& b)
{
    out.integer(70, (b.anonymous ? kAnonymousBlock : 0) | (b.attributed ? kAttributedBlock : 0));
    out.point(10, isFinite(b.origin) ? b.origin : AcGePoint3d());
}

// Units (70) and what the extras carry in the writer's places.
void blockRecordSettings(DxfStream& out, const BlockRecord& b, RecordOut& record)
{
    if (b.modelSpace || b.paperSpace || b.id.isNull())
        return;
    if (!record.kept(70))
        out.integer(70, 0);
    if (!record.kept(280))
        out.integer(280, b.explodable ? 1 : 0);
    if (!record.kept(281))
        out.integer(281, b.uniformScaling ? 1 : 0);
}

}  // namespace dxf

}  // namespace vemio
