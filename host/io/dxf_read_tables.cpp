// DXF input's symbol tables: layers (colour, linetype, lineweight, off, frozen,
// locked), linetypes, text styles (font and big font) and the block records that tell
// paper space's entities; names resolved to ids once and remembered by their bytes.
#include <strings.h>

#include <cmath>

#include "dbsymtb.h"
#include "dxf_read.h"
#include "opened_object.h"

namespace vemio {
namespace dxfin {

namespace {

constexpr double kDegreesToRadians = M_PI / 180.0;

bool isLineWeight(long long value)
{
    static const int kValues[] = {-3, -2, -1, 0,  5,  9,  13, 15,  18,  20,  25,  30,  35,  40,
                                  50, 53, 60, 70, 80, 90, 100, 106, 120, 140, 158, 200, 211};
    for (int v : kValues)
        if (v == value)
            return true;
    return false;
}

// The record of table named name (case as the host compares), made when create and
// the table lacks it. Null id when it cannot be had.
template <class Table, class Record>
AcDbObjectId findOrMake(Reader& r, NameIds& cache, std::string_view name, bool create,
                        std::string_view handle = std::string_view())
{
    auto cached = cache.find(name);
    if (cached != cache.end())
        return cached->second;
    AcDbObjectId id;
    const std::wstring wide = r.decode(name);
    if (wide.empty())
        return id;
    Opened<Table> table;
    if (r.db->getSymbolTable(table.slot(), AcDb::kForRead) != Acad::eOk)
        return id;
    if (table->getAt(wide.c_str(), id) != Acad::eOk && create && table->upgradeOpen() == Acad::eOk) {
        auto record = std::make_unique<Record>();
        if (!handle.empty())
            r.keepHandle(handle);
        if (record->setName(wide.c_str()) == Acad::eOk && table->add(id, record.get()) == Acad::eOk)
            record.release()->close();
        else
            id.setNull();
        r.handleKept();
    }
    cache.emplace(std::string(name), id);
    return id;
}

// The groups of one record of a table, by code (the first of each).
struct Groups {
    const DxfPair* byCode[400] = {};
    explicit Groups(const std::vector<DxfPair>& groups)
    {
        for (const DxfPair& g : groups)
            if (g.code >= 0 && g.code < 400 && byCode[g.code] == nullptr)
                byCode[g.code] = &g;
    }
    std::string_view text(int code) const { return byCode[code] != nullptr ? byCode[code]->value : std::string_view(); }
    bool has(int code) const { return byCode[code] != nullptr; }
};

void readLayer(Reader& r, const Groups& g)
{
    const AcDbObjectId id = findOrMake<AcDbLayerTable, AcDbLayerTableRecord>(r, r.layers, g.text(2), true, g.text(5));
    Opened<AcDbLayerTableRecord> layer;
    if (id.isNull() || acdbOpenObject(layer.slot(), id, AcDb::kForWrite) != Acad::eOk)
        return;
    const long long flags = intOf(g.text(70), 0);
    const long long color = intOf(g.text(62), 7);
    layer->setIsFrozen((flags & 1) != 0);
    layer->setIsLocked((flags & 4) != 0);
    layer->setIsOff(color < 0);
    const long long index = color < 0 ? -color : color;
    layer->setColorIndex(Adesk::UInt16(index >= 1 && index <= 255 ? index : 7));
    if (g.has(6)) {
        const AcDbObjectId linetype = linetypeId(r, g.text(6));
        if (!linetype.isNull())
            layer->setLinetypeObjectId(linetype);
    }
    const long long weight = intOf(g.text(370), -3);
    if (isLineWeight(weight) && weight != -1 && weight != -2)
        layer->setLineWeight(AcDb::LineWeight(weight));
}

void readLinetype(Reader& r, const Groups& g)
{
    const AcDbObjectId id =
        findOrMake<AcDbLinetypeTable, AcDbLinetypeTableRecord>(r, r.linetypes, g.text(2), true, g.text(5));
    Opened<AcDbLinetypeTableRecord> linetype;
    if (!id.isNull() && g.has(3) && acdbOpenObject(linetype.slot(), id, AcDb::kForWrite) == Acad::eOk)
        linetype->setComments(r.decode(g.text(3)));
}

// A record that names a shape file (flag 1) or has no name is not a text style.
void readStyle(Reader& r, const Groups& g)
{
    if ((intOf(g.text(70), 0) & 1) != 0 || g.text(2).empty())
        return;
    const AcDbObjectId id =
        findOrMake<AcDbTextStyleTable, AcDbTextStyleTableRecord>(r, r.styles, g.text(2), true, g.text(5));
    Opened<AcDbTextStyleTableRecord> style;
    if (id.isNull() || acdbOpenObject(style.slot(), id, AcDb::kForWrite) != Acad::eOk)
        return;
    style->setFileName(r.decode(g.text(3)));
    style->setBigFontFileName(r.decode(g.text(4)));
    const double size = realOf(g.text(40), 0.0);
    if (size >= 0.0)
        style->setTextSize(size);
    const double xScale = realOf(g.text(41), 1.0);
    if (xScale > 0.0)
        style->setXScale(xScale);
    style->setObliquingAngle(realOf(g.text(50), 0.0) * kDegreesToRadians);
}

void readBlockRecord(Reader& r, const Groups& g)
{
    const std::string_view name = g.text(2);
    if (!g.has(5))
        return;
    if (isPaperSpaceName(name))
        r.paperSpaceOwners.emplace_back(g.text(5));
    else
        r.blockHandles.emplace(std::string(name), std::string(g.text(5)));
}

void readRecord(Reader& r, std::string_view table)
{
    const Groups g(r.groups);
    if (table == "LAYER")
        readLayer(r, g);
    else if (table == "LTYPE")
        readLinetype(r, g);
    else if (table == "STYLE")
        readStyle(r, g);
    else if (table == "BLOCK_RECORD")
        readBlockRecord(r, g);
}

void setCurrentLayer(Reader& r)
{
    if (r.currentLayer.empty())
        return;
    const AcDbObjectId id = layerId(r, r.currentLayer);
    if (!id.isNull())
        r.db->setClayer(id);
}

}  // namespace

bool isPaperSpaceName(std::string_view name)
{
    return name.size() >= 12 && strncasecmp(name.data(), "*Paper_Space", 12) == 0;
}

bool isSpaceName(std::string_view name)
{
    return isPaperSpaceName(name) || (name.size() == 12 && strncasecmp(name.data(), "*Model_Space", 12) == 0);
}

AcDbObjectId layerId(Reader& r, std::string_view name)
{
    return findOrMake<AcDbLayerTable, AcDbLayerTableRecord>(r, r.layers, name, true);
}

AcDbObjectId linetypeId(Reader& r, std::string_view name)
{
    return findOrMake<AcDbLinetypeTable, AcDbLinetypeTableRecord>(r, r.linetypes, name, false);
}

AcDbObjectId styleId(Reader& r, std::string_view name)
{
    return findOrMake<AcDbTextStyleTable, AcDbTextStyleTableRecord>(r, r.styles, name, false);
}

AcDbObjectId blockId(Reader& r, std::string_view name)
{
    const auto handle = r.blockHandles.find(name);
    return findOrMake<AcDbBlockTable, AcDbBlockTableRecord>(
        r, r.blocks, name, true, handle != r.blockHandles.end() ? std::string_view(handle->second) : std::string_view());
}

bool readTables(Reader& r)
{
    DxfPair pair;
    std::string table;
    while (r.tokens.next(pair)) {
        if (pair.code != 0)
            return r.fail(pair, "expected a table record");
        if (pair.value == "ENDSEC") {
            setCurrentLayer(r);
            return true;
        }
        if (!r.readGroups())
            return false;
        if (pair.value == "TABLE")
            table = r.groups.empty() || r.groups[0].code != 2 ? std::string() : std::string(r.groups[0].value);
        else if (pair.value != "ENDTAB")
            readRecord(r, pair.value == table ? std::string_view(table) : std::string_view());
    }
    return r.tokens.failAtEnd("the file ends inside the tables");
}

}  // namespace dxfin
}  // namespace vemio
