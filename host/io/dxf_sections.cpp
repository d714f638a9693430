// The sections of DXF output: header variables, symbol tables (with the records the
// drawing kept in place of generated ones), blocks and the entities of both spaces
// (OBJECTS is in dxf_objects.cpp).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "dbsymtb.h"
#include "dxf_drawing.h"
#include "opened_object.h"

namespace vemio {
namespace dxf {

namespace {

void sectionBegin(DxfStream& out, const char* name)
{
    out.str(0, "SECTION");
    out.str(2, name);
}

void sectionEnd(DxfStream& out) { out.str(0, "ENDSEC"); }

void variable(DxfStream& out, const char* name) { out.str(9, name); }

// The kept head of the table when the drawing has one, else a generated one.
bool tableBegin(DxfStream& out, const Drawing& d, const char* name, std::uint64_t handle, std::size_t count)
{
    return writeTableHead(out, d, name, handle, count);
}

void tableEnd(DxfStream& out) { out.str(0, "ENDTAB"); }

// A record's extras, when it has them, go through record.
void recordBegin(DxfStream& out, const char* type, std::uint64_t handle, std::uint64_t owner, const char* subclass,
                 const std::string& name, int handleCode = 5, RecordOut* record = nullptr)
{
    out.str(0, type);
    out.handle(handleCode, handle);
    if (record != nullptr)
        record->lead();
    out.handle(330, owner);
    out.str(100, "AcDbSymbolTableRecord");
    out.str(100, subclass);
    out.str(2, name);
    if (record == nullptr || !record->kept(70))
        out.integer(70, 0);
}

// The kept records of a table, after the ones the writer generates.
void keptRecords(DxfStream& out, const std::vector<const KeptRecord*>& records, std::uint64_t table)
{
    for (const KeptRecord* r : records)
        writeKeptTableRecord(out, *r, table);
}

void activeViewport(DxfStream& out, const Generated& g, Reserved& r);

void writeVports(DxfStream& out, const Drawing& d, Reserved& r)
{
    const Generated& g = d.generated;
    const std::vector<const KeptRecord*> kept = keptRecordsOf(d, "VPORT");
    const bool keptActive = hasKeptRecord(d, "VPORT", "*ACTIVE");
    tableBegin(out, d, "VPORT", g.vportTable, kept.size() + (keptActive ? 0 : 1));
    if (!keptActive)
        activeViewport(out, g, r);
    keptRecords(out, kept, g.vportTable);
    tableEnd(out);
}

// The active viewport shows the model-space extents, filled in at the end.
void activeViewport(DxfStream& out, const Generated& g, Reserved& r)
{
    recordBegin(out, "VPORT", g.vport, g.vportTable, "AcDbViewportTableRecord", "*ACTIVE");
    out.point(10, 0.0, 0.0);
    out.point(11, 1.0, 1.0);
    r.viewCenter[0] = out.reserve(12, kRealWidth);
    r.viewCenter[1] = out.reserve(22, kRealWidth);
    out.point(13, 0.0, 0.0);
    out.point(14, 10.0, 10.0);
    out.point(15, 10.0, 10.0);
    out.vector(16, AcGeVector3d::kZAxis);
    out.point(17, AcGePoint3d());
    r.viewHeight = out.reserve(40, kRealWidth);
    out.real(41, 1.6);
    out.real(42, 50.0);
    out.real(43, 0.0);
    out.real(44, 0.0);
    out.real(50, 0.0);
    out.real(51, 0.0);
    static const int kViewFlags[][2] = {
        // code, value
        {71, 0}, {72, 100}, {73, 1}, {74, 3}, {75, 0}, {76, 0}, {77, 0}, {78, 0},
    };
    for (const auto& flag : kViewFlags)
        out.integer(flag[0], flag[1]);
}

void writeLinetypes(DxfStream& out, const Drawing& d)
{
    const std::vector<const KeptRecord*> kept = keptRecordsOf(d, "LTYPE");
    tableBegin(out, d, "LTYPE", d.linetypeTable, d.linetypes.size() + kept.size());
    for (const LinetypeRecord& lt : d.linetypes) {
        RecordOut record(out, &lt.extras);
        recordBegin(out, "LTYPE", lt.handle, d.linetypeTable, "AcDbLinetypeTableRecord", lt.name, 5, &record);
        out.str(3, lt.description);
        if (!record.kept(72))
            out.integer(72, 65);
        if (!record.kept(73))
            out.integer(73, 0);
        if (!record.kept(40))
            out.real(40, 0.0);
        record.rest();
    }
    keptRecords(out, kept, d.linetypeTable);
    tableEnd(out);
}

// Colour negative when the layer is off; 70 bit 1 frozen, bit 4 locked.
void writeLayers(DxfStream& out, const Drawing& d)
{
    const std::vector<const KeptRecord*> kept = keptRecordsOf(d, "LAYER");
    tableBegin(out, d, "LAYER", d.layerTable, d.layers.size() + kept.size());
    for (const LayerRecord& layer : d.layers) {
        RecordOut record(out, &layer.extras);
        out.str(0, "LAYER");
        out.handle(5, layer.handle);
        record.lead();
        out.handle(330, d.layerTable);
        out.str(100, "AcDbSymbolTableRecord");
        out.str(100, "AcDbLayerTableRecord");
        out.str(2, layer.name);
        out.integer(70, (layer.frozen ? 1 : 0) | (layer.locked ? 4 : 0));
        out.integer(62, layer.off ? -layer.color : layer.color);
        const std::string* linetype = d.symbols.linetypeName(layer.linetype);
        out.str(6, linetype != nullptr && !sameName(*linetype, "ByBlock") ? *linetype : std::string("Continuous"));
        const int weight = layer.lineWeight >= 0 || layer.lineWeight == AcDb::kLnWtByLwDefault
                               ? int(layer.lineWeight) : int(AcDb::kLnWtByLwDefault);
        out.integer(370, weight);
        record.rest();
    }
    keptRecords(out, kept, d.layerTable);
    tableEnd(out);
}

void writeStyles(DxfStream& out, const Drawing& d)
{
    const std::vector<const KeptRecord*> kept = keptRecordsOf(d, "STYLE");
    tableBegin(out, d, "STYLE", d.styleTable, d.styles.size() + kept.size());
    for (const StyleRecord& style : d.styles) {
        RecordOut record(out, &style.extras);
        recordBegin(out, "STYLE", style.handle, d.styleTable, "AcDbTextStyleTableRecord", style.name, 5, &record);
        out.real(40, style.size);
        out.real(41, style.xScale);
        out.real(50, style.obliqueDegrees);
        if (!record.kept(71))
            out.integer(71, 0);
        if (!record.kept(42))
            out.real(42, style.size > 0.0 ? style.size : 2.5);
        out.str(3, style.font);
        out.str(4, style.bigFont);
        record.rest();
    }
    keptRecords(out, kept, d.styleTable);
    tableEnd(out);
}

// A table of kept records only (VIEW, UCS).
void keptTable(DxfStream& out, const Drawing& d, const char* name, std::uint64_t handle)
{
    const std::vector<const KeptRecord*> kept = keptRecordsOf(d, name);
    tableBegin(out, d, name, handle, kept.size());
    keptRecords(out, kept, handle);
    tableEnd(out);
}

// ACAD and VEM unless kept, the kept ones, then one for each other application that
// kept groups name.
void writeAppids(DxfStream& out, const Drawing& d)
{
    const Generated& g = d.generated;
    const std::vector<const KeptRecord*> kept = keptRecordsOf(d, "APPID");
    const bool keptAcad = hasKeptRecord(d, "APPID", "ACAD"), keptVem = hasKeptRecord(d, "APPID", "VEM");
    tableBegin(out, d, "APPID", g.appidTable,
               (keptAcad ? 0 : 1) + (keptVem ? 0 : 1) + kept.size() + g.appids.size());
    if (!keptAcad)
        recordBegin(out, "APPID", g.appid, g.appidTable, "AcDbRegAppTableRecord", "ACAD");
    if (!keptVem)
        recordBegin(out, "APPID", g.vemAppid, g.appidTable, "AcDbRegAppTableRecord", "VEM");
    keptRecords(out, kept, g.appidTable);
    for (const auto& app : g.appids) {
        out.str(0, "APPID");
        out.handle(5, app.second);
        out.handle(330, g.appidTable);
        out.str(100, "AcDbSymbolTableRecord");
        out.str(100, "AcDbRegAppTableRecord");
        out.kept(2, app.first);
        out.integer(70, 0);
    }
    tableEnd(out);
}

void writeDimstyles(DxfStream& out, const Drawing& d)
{
    const Generated& g = d.generated;
    const std::vector<const KeptRecord*> kept = keptRecordsOf(d, "DIMSTYLE");
    const bool keptStandard = hasKeptRecord(d, "DIMSTYLE", "Standard");
    if (!tableBegin(out, d, "DIMSTYLE", g.dimstyleTable, kept.size() + (keptStandard ? 0 : 1))) {
        out.str(100, "AcDbDimStyleTable");
        out.integer(71, 0);
    }
    if (!keptStandard) {
        recordBegin(out, "DIMSTYLE", g.dimstyle, g.dimstyleTable, "AcDbDimStyleTableRecord", "Standard", 105);
        for (const StyleRecord& style : d.styles)
            if (sameName(style.name, "Standard"))
                out.handle(340, style.handle);
    }
    keptRecords(out, kept, g.dimstyleTable);
    tableEnd(out);
}

// A space's layout is the one OBJECTS holds for it; a user block's is its kept one.
void writeBlockRecords(DxfStream& out, const Drawing& d)
{
    const std::vector<const KeptRecord*> kept = keptRecordsOf(d, "BLOCK_RECORD");
    tableBegin(out, d, "BLOCK_RECORD", d.blockTable, d.blocks.size() + kept.size());
    for (const BlockRecord& b : d.blocks) {
        RecordOut record(out, &b.extras);
        out.str(0, "BLOCK_RECORD");
        out.handle(5, b.handle);
        record.lead();
        out.handle(330, d.blockTable);
        out.str(100, "AcDbSymbolTableRecord");
        out.str(100, "AcDbBlockTableRecord");
        out.str(2, b.name);
        if (b.modelSpace || b.paperSpace)
            record.skip(340);
        if (b.modelSpace || b.paperSpace || !record.kept(340))
            out.handle(340, b.layout);
        blockRecordSettings(out, b, record);
        record.rest();
    }
    keptRecords(out, kept, d.blockTable);
    tableEnd(out);
}

void writeOtherTables(DxfStream& out, const Drawing& d)
{
    const Generated& g = d.generated;
    keptTable(out, d, "VIEW", g.viewTable);
    keptTable(out, d, "UCS", g.ucsTable);
    writeAppids(out, d);
    writeDimstyles(out, d);
    writeBlockRecords(out, d);
    writeUnknownTables(out, d);
}

// Every entity of the block that is not erased, each open for read while it is written.
bool writeBlockEntities(DxfEntityWriter& writer, const BlockRecord& b, std::string& error)
{
    if (b.id.isNull())
        return true;
    Opened<AcDbBlockTableRecord> block;
    Acad::ErrorStatus es = acdbOpenObject(block.slot(), b.id, AcDb::kForRead);
    if (es != Acad::eOk) {
        error = statusMessage("the block " + b.name + " cannot be read", es);
        return false;
    }
    AcDbBlockTableRecordIterator* rawIterator = nullptr;
    if ((es = block->newIterator(rawIterator)) != Acad::eOk) {
        error = statusMessage("the block " + b.name + " cannot be read", es);
        return false;
    }
    std::unique_ptr<AcDbBlockTableRecordIterator> iterator(rawIterator);
    for (; !iterator->done(); iterator->step()) {
        Opened<AcDbEntity> ent;
        if ((es = iterator->getEntity(ent.slot(), AcDb::kForRead)) != Acad::eOk) {
            AcDbObjectId id;
            iterator->getEntityId(id);
            char handle[24];
            std::snprintf(handle, sizeof handle, "%llX", (unsigned long long)id.handle().value());
            error = statusMessage(std::string("the entity with handle ") + handle + " cannot be read", es);
            return false;
        }
        writer.write(*ent.get(), b.handle, b.paperSpace);
    }
    return true;
}

// A paper-space block's BLOCK and ENDBLK records say so (67) unless kept from a file
// whose records did not.
void spaceMark(DxfStream& out, const BlockRecord& b, const BlockPart& part, RecordOut& record)
{
    if (!record.kept(67) && b.paperSpace && part.handle == 0)
        out.integer(67, 1);
}

// The BLOCK and ENDBLK records carry what the file gave them (reactors, XDATA).
void blockBegin(DxfStream& out, const BlockRecord& b)
{
    RecordOut record(out, &b.beginPart.extras);
    out.str(0, "BLOCK");
    out.handle(5, b.begin);
    record.lead();
    out.handle(330, b.handle);
    out.str(100, "AcDbEntity");
    spaceMark(out, b, b.beginPart, record);
    out.str(8, "0");
    out.str(100, "AcDbBlockBegin");
    out.str(2, b.name);
    blockFlagsAndBase(out, b);
    out.str(3, b.name);
    out.str(1, "");
    record.rest();
}

void blockEnd(DxfStream& out, const BlockRecord& b)
{
    RecordOut record(out, &b.endPart.extras);
    out.str(0, "ENDBLK");
    out.handle(5, b.end);
    record.lead();
    out.handle(330, b.handle);
    out.str(100, "AcDbEntity");
    spaceMark(out, b, b.endPart, record);
    out.str(8, "0");
    out.str(100, "AcDbBlockEnd");
    record.rest();
}

}  // namespace

void writeHeader(DxfStream& out, const Drawing& d, Reserved& r)
{
    sectionBegin(out, "HEADER");
    variable(out, "$ACADVER");
    out.str(1, d.version);
    variable(out, "$ACADMAINTVER");
    out.integer(70, 6);
    variable(out, "$DWGCODEPAGE");
    out.str(3, "ANSI_1252");
    variable(out, "$INSBASE");
    out.point(10, AcGePoint3d());
    variable(out, "$EXTMIN");
    r.extMin[0] = out.reserve(10, kRealWidth);
    r.extMin[1] = out.reserve(20, kRealWidth);
    out.real(30, 0.0);
    variable(out, "$EXTMAX");
    r.extMax[0] = out.reserve(10, kRealWidth);
    r.extMax[1] = out.reserve(20, kRealWidth);
    out.real(30, 0.0);
    variable(out, "$CLAYER");
    out.str(8, d.currentLayer);
    variable(out, "$TEXTSIZE");
    out.real(40, d.textsize);
    variable(out, "$TEXTSTYLE");
    out.str(7, d.currentStyle);
    variable(out, "$CELTYPE");
    out.str(6, "ByLayer");
    variable(out, "$CECOLOR");
    out.integer(62, 256);
    variable(out, "$LTSCALE");
    out.real(40, 1.0);
    variable(out, "$TILEMODE");
    out.integer(70, d.tilemode ? 1 : 0);
    variable(out, "$PDMODE");
    out.integer(70, d.pdmode);
    variable(out, "$PDSIZE");
    out.real(40, d.pdsize);
    variable(out, "$INSUNITS");
    out.integer(70, d.insunits);
    variable(out, "$MEASUREMENT");
    out.integer(70, 1);
    variable(out, "$HANDSEED");
    r.handseed = out.reserve(5, kHandleWidth);
    writeKeptHeader(out, d);
    sectionEnd(out);
    sectionBegin(out, "CLASSES");
    writeClasses(out, d);
    sectionEnd(out);
}

void writeTables(DxfStream& out, const Drawing& d, Reserved& r)
{
    sectionBegin(out, "TABLES");
    writeVports(out, d, r);
    writeLinetypes(out, d);
    writeLayers(out, d);
    writeStyles(out, d);
    writeOtherTables(out, d);
    sectionEnd(out);
}

// The two spaces' entities belong in ENTITIES; other blocks hold theirs here.
bool writeBlocks(DxfStream& out, DxfEntityWriter& writer, const Drawing& d, std::string& error)
{
    sectionBegin(out, "BLOCKS");
    for (const BlockRecord& b : d.blocks) {
        blockBegin(out, b);
        if (!b.modelSpace && !b.paperSpace && !writeBlockEntities(writer, b, error))
            return false;
        blockEnd(out, b);
    }
    sectionEnd(out);
    return true;
}

bool writeEntities(DxfStream& out, DxfEntityWriter& writer, const Drawing& d, std::string& error)
{
    sectionBegin(out, "ENTITIES");
    for (bool paper : {false, true})
        for (const BlockRecord& b : d.blocks)
            if ((paper ? b.paperSpace : b.modelSpace)) {
                writer.setTrackExtents(!paper);
                if (!writeBlockEntities(writer, b, error))
                    return false;
            }
    writer.setTrackExtents(false);
    sectionEnd(out);
    return true;
}

// The extents in the header and a view of them as the active viewport; an empty model
// space gets the inverted extents readers take as "none".
bool fillReserved(DxfStream& out, const Reserved& r, const AcDbExtents& ext, std::uint64_t handseed)
{
    AcGePoint3d lo(1e20, 1e20, 0.0), hi(-1e20, -1e20, 0.0);
    AcGePoint3d center;
    double height = 10.0;
    if (!ext.isEmpty()) {
        lo = ext.minPoint();
        hi = ext.maxPoint();
        center = AcGePoint3d((lo.x + hi.x) * 0.5, (lo.y + hi.y) * 0.5, 0.0);
        height = std::max(hi.y - lo.y, (hi.x - lo.x) / 1.6) * 1.1;
        if (!(height > 0.0))
            height = 10.0;
    }
    bool ok = out.fillReal(r.extMin[0], kRealWidth, lo.x) && out.fillReal(r.extMin[1], kRealWidth, lo.y) &&
              out.fillReal(r.extMax[0], kRealWidth, hi.x) && out.fillReal(r.extMax[1], kRealWidth, hi.y);
    if (r.viewHeight != kNotReserved)
        ok = ok && out.fillReal(r.viewCenter[0], kRealWidth, center.x) &&
             out.fillReal(r.viewCenter[1], kRealWidth, center.y) && out.fillReal(r.viewHeight, kRealWidth, height);
    return out.fillHandle(r.handseed, kHandleWidth, handseed) && ok;
}

}  // namespace dxf
}  // namespace vemio
