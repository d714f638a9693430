// DXF output of what a drawing kept of a file it was read from, entity by entity: the
// entities of types the host does not model (hatches, dimensions, solids, old-style
// polylines with their vertices) written back group for group, with the entity's own
// handle, owner, space and current properties in their places; and the DXF extras of
// modelled entities (reactors and extension dictionaries after the handle, XDATA of
// other applications at the end of the record).
#include "dxf_drawing.h"
#include "dxf_entities.h"

namespace vemio {

namespace {

// Codes of the common properties output writes from the entity, in the order an
// entity's AcDbEntity part holds them after its layer.
constexpr int kPropertyCodes[] = {6, 62, 370, 48, 60};
constexpr std::size_t kPropertyCount = sizeof kPropertyCodes / sizeof kPropertyCodes[0];

int propertyIndex(int code)
{
    for (std::size_t i = 0; i < kPropertyCount; ++i)
        if (kPropertyCodes[i] == code)
            return int(i);
    return -1;
}

// The groups of the entity's own record: those before the first record that belongs
// to it (a {0, TYPE} group).
std::size_t ownRecordEnd(const acrt::DxfGroups& groups)
{
    for (std::size_t i = 0; i < groups.size(); ++i)
        if (groups[i].code == 0)
            return i;
    return groups.size();
}

// Tracks 102 groups: depth > 0 inside one ("{NAME" opens, "}" closes).
void track102(const acrt::DxfGroup& g, int& depth)
{
    if (g.code == 102)
        depth += !g.value.empty() && g.value[0] == '{' ? 1 : depth > 0 ? -1 : 0;
}

// What the entity's own record holds at its top level (outside 102 groups).
struct Present {
    bool handle = false, owner = false, layer = false, space = false, entityMarker = false;
    std::vector<bool> properties = std::vector<bool>(kPropertyCount, false);
};

Present presentIn(const acrt::DxfGroups& groups, std::size_t end)
{
    Present p;
    int depth = 0;
    for (std::size_t i = 0; i < end; ++i) {
        const acrt::DxfGroup& g = groups[i];
        track102(g, depth);
        if (depth > 0 || g.code == 102)
            continue;
        p.handle = p.handle || g.code == 5;
        p.owner = p.owner || g.code == 330;
        p.layer = p.layer || g.code == 8;
        p.space = p.space || g.code == 67;
        p.entityMarker = p.entityMarker || (g.code == 100 && g.value == "AcDbEntity");
        const int index = propertyIndex(g.code);
        if (index >= 0)
            p.properties[std::size_t(index)] = true;
    }
    return p;
}

bool isDefault(int code, const DxfProperties& p, const DxfSymbols& symbols)
{
    switch (code) {
    case 6: return symbols.linetypeName(p.linetype) == nullptr;
    case 62: return p.color == 256;
    case 370: return p.lineWeight == AcDb::kLnWtByLayer;
    case 48: return p.linetypeScale == 1.0;
    case 60: return !p.invisible;
    default: return true;
    }
}

}  // namespace

// ---- extras of modelled entities ------------------------------------------------------------

void DxfEntityWriter::takeExtras(const AcDbEntity& ent, std::uint64_t handle)
{
    m_extras = acrt::dxfExtrasOf(&ent);
    m_extrasHandle = handle;
}

void DxfEntityWriter::leadExtras(std::uint64_t handle)
{
    if (m_extras == nullptr || handle != m_extrasHandle)
        return;
    int depth = 0;
    for (const acrt::DxfGroup& g : *m_extras) {
        if (g.code == 1001 || g.code == 0)
            break;
        track102(g, depth);
        if ((depth > 0 || g.code == 102) && g.code != 0)
            m_out.kept(g.code, g.value);
    }
    m_pendingExtras = m_extras;
    m_extras = nullptr;
}

// Groups that are neither 102 groups nor XDATA, then the XDATA.
void DxfEntityWriter::endExtras()
{
    if (m_pendingExtras == nullptr)
        return;
    const acrt::DxfGroups& extras = *m_pendingExtras;
    m_pendingExtras = nullptr;
    int depth = 0;
    // Records that belong to the entity (its SEQEND) follow a 0 group: not written here.
    const std::size_t end = ownRecordEnd(extras);
    std::size_t xdata = end;
    for (std::size_t i = 0; i < end && xdata == end; ++i) {
        track102(extras[i], depth);
        if (extras[i].code == 1001)
            xdata = i;
        else if (depth == 0 && extras[i].code != 102)
            m_out.kept(extras[i].code, extras[i].value);
    }
    for (std::size_t i = xdata; i < end; ++i)
        m_out.kept(extras[i].code, extras[i].value);
}

std::uint64_t DxfEntityWriter::keptSeqend(const AcDbEntity& ent)
{
    const acrt::DxfGroups* extras = acrt::dxfExtrasOf(&ent);
    if (extras == nullptr)
        return 0;
    const std::size_t end = ownRecordEnd(*extras);
    if (end + 1 >= extras->size() || (*extras)[end].value != "SEQEND" || (*extras)[end + 1].code != 5)
        return 0;
    const std::uint64_t handle = dxf::handleValue((*extras)[end + 1].value);
    AcDbObjectId taken;
    if (handle == 0 || ent.database() == nullptr ||
        ent.database()->getAcDbObjectId(taken, false, AcDbHandle(handle)) == Acad::eOk)
        return 0;
    return handle;
}

// ---- entities the host does not model ------------------------------------------------------

void DxfEntityWriter::keptProperty(int code, const DxfProperties& p)
{
    switch (code) {
    case 6: {
        const std::string* linetype = m_symbols.linetypeName(p.linetype);
        m_out.str(6, linetype != nullptr ? *linetype : std::string("ByLayer"));
        break;
    }
    case 62: m_out.integer(62, p.color); break;
    case 370: m_out.integer(370, p.lineWeight); break;
    case 48: m_out.real(48, p.linetypeScale); break;
    case 60: m_out.integer(60, p.invisible ? 1 : 0); break;
    default: break;
    }
}

// The layer, then each property that is not the default and has no group of its own.
void DxfEntityWriter::keptProperties(const DxfProperties& p, const std::vector<bool>& present)
{
    m_out.str(8, m_symbols.layerName(p.layer));
    for (std::size_t i = 0; i < kPropertyCount; ++i)
        if (!present[i] && !isDefault(kPropertyCodes[i], p, m_symbols))
            keptProperty(kPropertyCodes[i], p);
}

bool DxfEntityWriter::passThrough(const DxfPassThroughEntity& ent, const Target& target)
{
    const std::string& type = ent.dxfType();
    if (type.empty() || type.find_first_of("\r\n") != std::string::npos)
        return false;
    endExtras();
    endPiece();
    const acrt::DxfGroups& groups = ent.groups();
    const std::size_t end = ownRecordEnd(groups);
    const Present present = presentIn(groups, end);
    m_out.str(0, type);
    if (!present.handle)
        m_out.handle(5, target.handle);
    // Paper space (67) and the layer with the properties that have no groups go where
    // the layer was, else after the AcDbEntity marker, else after the owner.
    auto spaceAndLayer = [&] {
        if (m_paperSpace && !present.space)
            m_out.integer(67, 1);
        keptProperties(target.props, present.properties);
    };
    bool owner = false;
    auto ownerAndLayer = [&] {
        m_out.handle(330, m_owner);
        owner = true;
        if (!present.layer && !present.entityMarker)
            spaceAndLayer();
    };
    int depth = 0;
    for (std::size_t i = 0; i < end; ++i) {
        const acrt::DxfGroup& g = groups[i];
        track102(g, depth);
        const bool top = depth == 0 && g.code != 102;
        if (top && g.code == 5) {
            m_out.handle(5, target.handle);
            continue;
        }
        if (top && !owner && (g.code == 330 || !present.owner)) {
            ownerAndLayer();
            if (g.code == 330)
                continue;
        }
        if (!top) {
            m_out.kept(g.code, g.value);
        } else if (g.code == 67) {
            if (m_paperSpace)
                m_out.integer(67, 1);
        } else if (g.code == 8) {
            spaceAndLayer();
        } else if (propertyIndex(g.code) >= 0) {
            keptProperty(g.code, target.props);
        } else {
            m_out.kept(g.code, g.value);
            if (g.code == 100 && g.value == "AcDbEntity" && !present.layer)
                spaceAndLayer();
        }
    }
    if (!owner)
        ownerAndLayer();
    // The records that belong to it follow its layer where they shared the old one.
    const std::string* storedLayer = nullptr;
    for (std::size_t i = 0; i < end && storedLayer == nullptr; ++i)
        storedLayer = groups[i].code == 8 ? &groups[i].value : nullptr;
    for (std::size_t i = end; i < groups.size(); ++i) {
        if (groups[i].code == 8 && storedLayer != nullptr && groups[i].value == *storedLayer)
            m_out.str(8, m_symbols.layerName(target.props.layer));
        else
            m_out.kept(groups[i].code, groups[i].value);
    }
    ++m_stats.entities;
    AcDbExtents extents;
    if (m_trackExtents && ent.getGeomExtents(extents) == Acad::eOk && !extents.isEmpty()) {
        widen(extents.minPoint());
        widen(extents.maxPoint());
    }
    return true;
}

}  // namespace vemio
