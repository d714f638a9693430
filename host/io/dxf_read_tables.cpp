// DXF input's symbol tables: the tables themselves, layers (colour, linetype,
// lineweight, off, frozen, locked), linetypes, text styles (font and big font) and
// block records, each under the handle the file gives it with the groups the host does
// not model kept beside it; records of tables the host lacks kept as they are; the
// default records a drawing needs made when the file lacks them, under handles the
// file does not name. Names resolved to ids once and remembered by their bytes.
#include <strings.h>

#include <algorithm>
#include <cmath>

#include "dbsymtb.h"
#include "drawing_schema.h"
#include "drawing_store.h"
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

// The groups of each table's records that the host models; the rest are kept as the
// record's DXF extras.
const int kLayerGroups[] = {5, 100, 2, 70, 62, 6, 370, 0};
const int kLinetypeGroups[] = {5, 100, 2, 70, 3, 0};
const int kStyleGroups[] = {5, 100, 2, 70, 3, 4, 40, 41, 50, 0};
const int kBlockRecordGroups[] = {5, 100, 2, 0};

void readLayer(Reader& r, const Groups& g)
{
    const AcDbObjectId id = findOrMake<AcDbLayerTable, AcDbLayerTableRecord>(r, r.layers, g.text(2), true, g.text(5));
    Opened<AcDbLayerTableRecord> layer;
    if (id.isNull() || acdbOpenObject(layer.slot(), id, AcDb::kForWrite) != Acad::eOk) {
        keepTableRecord(r, "LAYER");
        return;
    }
    keepExtras(r, layer.get(), r.groups, kLayerGroups);
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
    if (id.isNull() || acdbOpenObject(linetype.slot(), id, AcDb::kForWrite) != Acad::eOk) {
        keepTableRecord(r, "LTYPE");
        return;
    }
    keepExtras(r, linetype.get(), r.groups, kLinetypeGroups);
    if (g.has(3))
        linetype->setComments(r.decode(g.text(3)));
}

// A record that names a shape file (flag 1) or has no name is not a text style: it is
// kept as it is.
void readStyle(Reader& r, const Groups& g)
{
    AcDbObjectId id;
    if ((intOf(g.text(70), 0) & 1) == 0 && !g.text(2).empty())
        id = findOrMake<AcDbTextStyleTable, AcDbTextStyleTableRecord>(r, r.styles, g.text(2), true, g.text(5));
    Opened<AcDbTextStyleTableRecord> style;
    if (id.isNull() || acdbOpenObject(style.slot(), id, AcDb::kForWrite) != Acad::eOk) {
        keepTableRecord(r, "STYLE");
        return;
    }
    keepExtras(r, style.get(), r.groups, kStyleGroups);
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

// The block is made here, under the record's handle, and filled from BLOCKS.
void readBlockRecord(Reader& r, const Groups& g)
{
    const std::string_view name = g.text(2);
    if (g.has(5))
        r.blockHandles.emplace(std::string(name), std::string(g.text(5)));
    if (g.has(5) && isPaperSpaceName(name))
        r.paperSpaceOwners.emplace_back(g.text(5));
    const AcDbObjectId id = blockId(r, name);
    Opened<AcDbBlockTableRecord> block;
    if (id.isNull() || acdbOpenObject(block.slot(), id, AcDb::kForWrite) != Acad::eOk) {
        keepTableRecord(r, "BLOCK_RECORD");
        return;
    }
    keepExtras(r, block.get(), r.groups, kBlockRecordGroups);
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
    else if (!table.empty())
        keepTableRecord(r, table);
}

// The groups of a table's head the host has no place for (an extension dictionary,
// XDATA) kept beside the table.
void keepTableHead(Reader& r, AcDbObjectId table)
{
    static const int kTableGroups[] = {5, 100, 2, 70, 0};
    Opened<AcDbObject> head;
    if (!table.isNull() && acdbOpenObject(head.slot(), table, AcDb::kForWrite) == Acad::eOk)
        keepExtras(r, head.get(), r.groups, kTableGroups);
}

void setCurrentLayer(Reader& r)
{
    if (r.currentLayer.empty())
        return;
    const AcDbObjectId id = layerId(r, r.currentLayer);
    if (!id.isNull())
        r.db->setClayer(id);
}

// Codes whose values are handles: an object's own (5, 105) and those naming others.
bool isHandleCode(int code)
{
    return code == 5 || code == 105 || (code >= 320 && code <= 369) || (code >= 390 && code <= 399) ||
           code == 480 || code == 481 || code == 1005;
}

struct TableKind {
    const char* name;
    AcDbObjectId acrt::StoreHeader::*field;
    AcDbSymbolTable* (*make)();
};

const TableKind kTables[] = {
    {"LTYPE", &acrt::StoreHeader::linetypeTable, []() -> AcDbSymbolTable* { return new AcDbLinetypeTable(); }},
    {"LAYER", &acrt::StoreHeader::layerTable, []() -> AcDbSymbolTable* { return new AcDbLayerTable(); }},
    {"STYLE", &acrt::StoreHeader::textStyleTable, []() -> AcDbSymbolTable* { return new AcDbTextStyleTable(); }},
    {"BLOCK_RECORD", &acrt::StoreHeader::blockTable, []() -> AcDbSymbolTable* { return new AcDbBlockTable(); }},
};

template <class Table>
bool hasRecord(Reader& r, const ACHAR* name)
{
    Opened<Table> table;
    return r.db->getSymbolTable(table.slot(), AcDb::kForRead) == Acad::eOk && table->has(name);
}

// A default record the file lacks, made under a fresh handle; null when the file has it.
template <class Table, class Record>
AcDbObjectId makeDefault(Reader& r, NameIds& cache, const char* name)
{
    const std::wstring wide(name, name + std::char_traits<char>::length(name));
    if (hasRecord<Table>(r, wide.c_str()))
        return AcDbObjectId();
    cache.erase(std::string(name));
    return findOrMake<Table, Record>(r, cache, name, true);
}

void makeDefaultRecords(Reader& r)
{
    makeDefault<AcDbLinetypeTable, AcDbLinetypeTableRecord>(r, r.linetypes, "ByBlock");
    makeDefault<AcDbLinetypeTable, AcDbLinetypeTableRecord>(r, r.linetypes, "ByLayer");
    const AcDbObjectId continuous = makeDefault<AcDbLinetypeTable, AcDbLinetypeTableRecord>(r, r.linetypes, "Continuous");
    Opened<AcDbLinetypeTableRecord> linetype;
    if (!continuous.isNull() && acdbOpenObject(linetype.slot(), continuous, AcDb::kForWrite) == Acad::eOk)
        linetype->setComments(L"Solid line");
    const AcDbObjectId layer0 = makeDefault<AcDbLayerTable, AcDbLayerTableRecord>(r, r.layers, "0");
    Opened<AcDbLayerTableRecord> layer;
    if (!layer0.isNull() && acdbOpenObject(layer.slot(), layer0, AcDb::kForWrite) == Acad::eOk)
        layer->setLinetypeObjectId(linetypeId(r, "Continuous"));
    const AcDbObjectId standard = makeDefault<AcDbTextStyleTable, AcDbTextStyleTableRecord>(r, r.styles, "Standard");
    Opened<AcDbTextStyleTableRecord> style;
    if (!standard.isNull() && acdbOpenObject(style.slot(), standard, AcDb::kForWrite) == Acad::eOk)
        style->setFileName(L"txt");
}

// The record of table named name, null when there is none.
template <class Table>
AcDbObjectId recordNamed(Reader& r, const ACHAR* name)
{
    AcDbObjectId id;
    Opened<Table> table;
    if (r.db->getSymbolTable(table.slot(), AcDb::kForRead) != Acad::eOk || table->getAt(name, id) != Acad::eOk)
        id.setNull();
    return id;
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

std::uint64_t firstFreeHandle(std::string_view text)
{
    DxfTokenizer tokens(text);
    DxfPair pair;
    std::uint64_t first = 1;
    bool seed = false;
    while (tokens.next(pair)) {
        std::uint64_t handle = 0;
        if (isHandleCode(pair.code) && parseDxfHandle(pair.value, handle) && handle < schema::kHandleLimit)
            first = std::max(first, seed ? handle : handle + 1);
        seed = pair.code == 9 && pair.value == "$HANDSEED";
    }
    return first;
}

AcDbObjectId makeTable(Reader& r, std::string_view name, std::string_view handle)
{
    for (const TableKind& kind : kTables) {
        if (name != kind.name)
            continue;
        acrt::StoreHeader header = acrt::storeHeaderOf(r.db);
        if (!(header.*kind.field).isNull())
            return header.*kind.field;
        header.*kind.field = addKeptObject(r, kind.make(), handle, AcDbObjectId());
        acrt::restoreStoreHeader(r.db, header);
        return header.*kind.field;
    }
    return AcDbObjectId();
}

void completeFrame(Reader& r)
{
    if (r.frameComplete)
        return;
    r.frameComplete = true;
    for (const TableKind& kind : kTables)
        makeTable(r, kind.name, std::string_view());
    makeDefaultRecords(r);
    acrt::StoreHeader header = acrt::storeHeaderOf(r.db);
    header.modelSpace = blockId(r, "*Model_Space");
    header.paperSpace = blockId(r, "*Paper_Space");
    if (header.clayer.isNull())
        header.clayer = recordNamed<AcDbLayerTable>(r, L"0");
    if (header.textstyle.isNull())
        header.textstyle = recordNamed<AcDbTextStyleTable>(r, L"Standard");
    acrt::restoreStoreHeader(r.db, header);
}

bool readTables(Reader& r)
{
    DxfPair pair;
    std::string table;
    while (r.tokens.next(pair)) {
        if (pair.code != 0)
            return r.fail(pair, "expected a table record");
        if (pair.value == "ENDSEC") {
            completeFrame(r);
            setCurrentLayer(r);
            return true;
        }
        if (!r.readGroups())
            return false;
        if (pair.value == "TABLE") {
            table = r.groups.empty() || r.groups[0].code != 2 ? std::string() : std::string(r.groups[0].value);
            const AcDbObjectId id = makeTable(r, table, handleOf(r.groups));
            if (!id.isNull())
                keepTableHead(r, id);
            else if (!table.empty())
                keepForeignTableHead(r, table);
        } else if (pair.value != "ENDTAB")
            readRecord(r, pair.value == table ? std::string_view(table) : std::string_view());
    }
    return r.tokens.failAtEnd("the file ends inside the tables");
}

}  // namespace dxfin
}  // namespace vemio
