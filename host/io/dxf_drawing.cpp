// What DXF output reads from a drawing before it writes anything: the records of its
// symbol tables and blocks, each closed again at once, the records DXF requires that
// the drawing lacks, and the fresh handles, all above the drawing's own.
#include "dxf_drawing.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwctype>
#include <memory>

#include "dbsymtb.h"
#include "opened_object.h"
#include "pass_through.h"

namespace vemio {
namespace dxf {

namespace {

constexpr double kRadiansToDegrees = 180.0 / M_PI;

// Calls each(record) for every record of the table, each open for read meanwhile.
template <class Record, class Each>
bool readTable(AcDbObjectId tableId, std::uint64_t& tableHandle, std::string& error, Each each)
{
    Opened<AcDbSymbolTable> table;
    Acad::ErrorStatus es = acdbOpenObject(table.slot(), tableId, AcDb::kForRead);
    if (es != Acad::eOk) {
        error = statusMessage("a symbol table of the drawing cannot be read", es);
        return false;
    }
    tableHandle = table->objectHandle().value();
    AcDbSymbolTableIterator* rawIterator = nullptr;
    if ((es = table->newIterator(rawIterator)) != Acad::eOk) {
        error = statusMessage("a symbol table of the drawing cannot be read", es);
        return false;
    }
    std::unique_ptr<AcDbSymbolTableIterator> iterator(rawIterator);
    for (; !iterator->done(); iterator->step()) {
        Opened<AcDbSymbolTableRecord> record;
        if ((es = iterator->getRecord(record.slot(), AcDb::kForRead)) != Acad::eOk) {
            error = statusMessage("a symbol table record cannot be read", es);
            return false;
        }
        if (const Record* typed = Record::cast(record.get()))
            each(*typed);
    }
    return true;
}

std::string recordName(const AcDbSymbolTableRecord& record, bool utf8)
{
    const ACHAR* name = nullptr;
    record.getName(name);
    return dxfName(name, utf8);
}

bool readLinetypes(AcDbDatabase* db, Drawing& d, std::string& error)
{
    return readTable<AcDbLinetypeTableRecord>(db->linetypeTableId(), d.linetypeTable, error,
                                              [&](const AcDbLinetypeTableRecord& rec) {
        const ACHAR* comments = nullptr;
        rec.comments(comments);
        LinetypeRecord lt{rec.objectHandle().value(), recordName(rec, d.utf8), dxfName(comments, d.utf8)};
        lt.extras.split(acrt::dxfExtrasOf(&rec));
        if (!sameName(lt.name, "ByLayer"))
            d.symbols.linetypes[rec.objectId().asOldId()] = lt.name;
        d.linetypes.push_back(std::move(lt));
    });
}

bool readLayers(AcDbDatabase* db, Drawing& d, std::string& error)
{
    return readTable<AcDbLayerTableRecord>(db->layerTableId(), d.layerTable, error,
                                           [&](const AcDbLayerTableRecord& rec) {
        const int color = rec.colorIndex() >= 1 && rec.colorIndex() <= 255 ? rec.colorIndex() : 7;
        LayerRecord layer{rec.objectHandle().value(), recordName(rec, d.utf8), color, rec.isOff(), rec.isFrozen(),
                          rec.isLocked(), rec.linetypeObjectId(), rec.lineWeight()};
        layer.extras.split(acrt::dxfExtrasOf(&rec));
        d.symbols.layers[rec.objectId().asOldId()] = layer.name;
        d.layers.push_back(std::move(layer));
    });
}

bool readStyles(AcDbDatabase* db, Drawing& d, std::string& error)
{
    return readTable<AcDbTextStyleTableRecord>(db->textStyleTableId(), d.styleTable, error,
                                               [&](const AcDbTextStyleTableRecord& rec) {
        const ACHAR* font = nullptr;
        const ACHAR* bigFont = nullptr;
        rec.fileName(font);
        rec.bigFontFileName(bigFont);
        auto finiteOr = [](double v, double fallback) { return std::isfinite(v) ? v : fallback; };
        StyleRecord style{rec.objectHandle().value(),  recordName(rec, d.utf8),
                          dxfName(font, d.utf8),       dxfName(bigFont, d.utf8),
                          finiteOr(rec.textSize(), 0), finiteOr(rec.xScale(), 1),
                          finiteOr(rec.obliquingAngle(), 0) * kRadiansToDegrees};
        style.extras.split(acrt::dxfExtrasOf(&rec));
        d.symbols.textStyles[rec.objectId().asOldId()] = style.name;
        d.styles.push_back(std::move(style));
    });
}

// The kept BLOCK and ENDBLK parts among a block record's extras; a handle that an object
// of the drawing or another part has is not kept.
void readBlockParts(AcDbDatabase* db, BlockRecord& block, std::vector<std::uint64_t>& taken)
{
    const acrt::DxfGroups& nested = block.extras.nested;
    for (std::size_t i = 0; i < nested.size(); ++i) {
        if (nested[i].code != 0 || (nested[i].value != "BLOCK" && nested[i].value != "ENDBLK"))
            continue;
        BlockPart& part = nested[i].value == "BLOCK" ? block.beginPart : block.endPart;
        acrt::DxfGroups groups;
        for (std::size_t j = i + 1; j < nested.size() && nested[j].code != 0; ++j) {
            if (nested[j].code == 5)
                part.handle = handleValue(nested[j].value);
            else
                groups.push_back(nested[j]);
        }
        part.extras = RecordExtras{};
        part.extras.split(&groups);
        AcDbObjectId existing;
        if (part.handle != 0 &&
            (db->getAcDbObjectId(existing, false, AcDbHandle(part.handle)) == Acad::eOk ||
             std::find(taken.begin(), taken.end(), part.handle) != taken.end()))
            part.handle = 0;
        if (part.handle != 0)
            taken.push_back(part.handle);
    }
}

bool readBlocks(AcDbDatabase* db, Drawing& d, std::string& error)
{
    std::vector<std::uint64_t> taken;
    return readTable<AcDbBlockTableRecord>(db->blockTableId(), d.blockTable, error,
                                           [&](const AcDbBlockTableRecord& rec) {
        BlockRecord block{rec.objectHandle().value(), recordName(rec, d.utf8), rec.objectId()};
        block.modelSpace = sameName(block.name, "*Model_Space");
        block.paperSpace = sameName(block.name, "*Paper_Space");
        readUserBlock(rec, block);
        block.extras.split(acrt::dxfExtrasOf(&rec));
        readBlockParts(db, block, taken);
        d.symbols.blocks[rec.objectId().asOldId()] = block.name;
        d.blocks.push_back(std::move(block));
    });
}

template <class Records, class Make>
void ensureRecord(Records& records, const char* name, Make make)
{
    for (const auto& r : records)
        if (sameName(r.name, name))
            return;
    records.push_back(make());
}

// An APPID record for every application that kept groups name and the drawing has
// no kept record of; ACAD and VEM are generated unless kept.
void planApplications(Drawing& d)
{
    for (const std::string& app : d.kept.applications)
        if (!sameName(app, "ACAD") && !sameName(app, "VEM") && !hasKeptRecord(d, "APPID", app.c_str()))
            d.generated.appids.emplace_back(app, d.fresh());
}

// Tables the writer writes whose kept heads the drawing holds go under their handles.
void keepTableHeads(Drawing& d)
{
    Generated& g = d.generated;
    const std::pair<const char*, std::uint64_t*> tables[] = {
        {"VPORT", &g.vportTable}, {"VIEW", &g.viewTable},         {"UCS", &g.ucsTable},
        {"APPID", &g.appidTable}, {"DIMSTYLE", &g.dimstyleTable},
    };
    for (const auto& [name, handle] : tables)
        if (const KeptRecord* head = keptTableHead(d, name))
            *handle = head->handle;
}

// Handles of the drawing, and those its kept groups name, come first; fresh ones
// start above all of them.
void planHandles(AcDbDatabase* db, Drawing& d)
{
    d.nextHandle = db->handseed().value();
    d.seeHandle(d.kept.highestHandle);
    for (std::uint64_t h : {d.blockTable, d.layerTable, d.styleTable, d.linetypeTable})
        d.seeHandle(h);
    for (const auto& r : d.linetypes)
        d.seeHandle(r.handle);
    for (const auto& r : d.layers)
        d.seeHandle(r.handle);
    for (const auto& r : d.styles)
        d.seeHandle(r.handle);
    for (const auto& r : d.blocks) {
        d.seeHandle(r.handle);
        d.seeHandle(r.beginPart.handle);
        d.seeHandle(r.endPart.handle);
    }

    ensureRecord(d.linetypes, "ByBlock", [&] { return LinetypeRecord{d.fresh(), "ByBlock", ""}; });
    ensureRecord(d.linetypes, "ByLayer", [&] { return LinetypeRecord{d.fresh(), "ByLayer", ""}; });
    ensureRecord(d.linetypes, "Continuous", [&] { return LinetypeRecord{d.fresh(), "Continuous", "Solid line"}; });
    ensureRecord(d.layers, "0", [&] {
        return LayerRecord{d.fresh(), "0", 7, false, false, false, AcDbObjectId(), AcDb::kLnWtByLwDefault};
    });
    ensureRecord(d.styles, "Standard", [&] { return StyleRecord{d.fresh(), "Standard", "txt", "", 0, 1, 0}; });
    ensureRecord(d.blocks, "*Model_Space", [&] {
        BlockRecord b{d.fresh(), "*Model_Space", AcDbObjectId()};
        b.modelSpace = true;
        return b;
    });
    ensureRecord(d.blocks, "*Paper_Space", [&] {
        BlockRecord b{d.fresh(), "*Paper_Space", AcDbObjectId()};
        b.paperSpace = true;
        return b;
    });

    Generated& g = d.generated;
    for (std::uint64_t* h : {&g.vportTable, &g.vport, &g.viewTable, &g.ucsTable, &g.appidTable, &g.appid, &g.vemAppid,
                             &g.dimstyleTable, &g.dimstyle, &g.rootDict, &g.groupDict, &g.layoutDict,
                             &g.modelLayout, &g.paperLayout})
        *h = d.fresh();
    keepTableHeads(d);
    for (BlockRecord& b : d.blocks) {
        b.begin = b.beginPart.handle != 0 ? b.beginPart.handle : d.fresh();
        b.end = b.endPart.handle != 0 ? b.endPart.handle : d.fresh();
    }
    planApplications(d);
    planUnknownTables(d);
}

std::string symbolNameOf(const std::unordered_map<Adesk::IntDbId, std::string>& names, AcDbObjectId id,
                         const char* fallback)
{
    auto it = names.find(id.asOldId());
    return it == names.end() ? std::string(fallback) : it->second;
}

}  // namespace

std::string statusMessage(const std::string& what, Acad::ErrorStatus es)
{
    return what + " (status " + std::to_string(int(es)) + ")";
}

std::string dxfName(const wchar_t* name, bool utf8)
{
    std::string out;
    appendDxfText(out, name != nullptr ? name : L"", false, utf8);
    return out;
}

bool sameName(const std::string& a, const char* b)
{
    const size_t n = std::strlen(b);
    if (a.size() != n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (std::towlower(wint_t(a[i])) != std::towlower(wint_t(b[i])))
            return false;
    return true;
}

bool readDrawing(AcDbDatabase* db, Drawing& d, std::string& error)
{
    if (!readLinetypes(db, d, error) || !readLayers(db, d, error) || !readStyles(db, d, error) ||
        !readBlocks(db, d, error) || !readKept(db, d, error))
        return false;
    d.currentLayer = symbolNameOf(d.symbols.layers, db->clayer(), "0");
    d.currentStyle = symbolNameOf(d.symbols.textStyles, db->textstyle(), "Standard");
    d.tilemode = db->tilemode();
    d.pdmode = db->pdmode();
    d.pdsize = db->pdsize();
    d.insunits = db->insunits();
    d.textsize = db->textsize();
    planHandles(db, d);
    planObjects(d);
    return true;
}

}  // namespace dxf
}  // namespace vemio
