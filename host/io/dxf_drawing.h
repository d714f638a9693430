// The parts of DXF output: what is read from the drawing before writing starts (symbol
// table records, block records, the handles planned for what DXF needs besides), and
// the sections written from it. Private to DXF output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dbmain.h"
#include "dxf_entities.h"
#include "dxf_stream.h"
#include "pass_through.h"

class AcDbBlockTableRecord;

namespace vemio {
namespace dxf {

constexpr std::size_t kHandleWidth = 16;  // characters of the reserved $HANDSEED
constexpr std::size_t kRealWidth = 32;    // characters of a reserved real

std::string statusMessage(const std::string& what, Acad::ErrorStatus es);
// A name of the drawing as DXF writes it (UTF-8 with utf8, else escaped to ASCII).
std::string dxfName(const wchar_t* name, bool utf8);
// Compares names as the host does: without regard to case.
bool sameName(const std::string& a, const char* b);

// The DXF extras of a modelled record, split by where output puts them.
struct RecordExtras {
    acrt::DxfGroups lead;   // 102 groups with what they enclose: right after the handle
    acrt::DxfGroups own;    // groups of the record's own subclass: after the writer's
    acrt::DxfGroups xdata;  // 1001 and everything after it: last
    acrt::DxfGroups nested;  // records that belong to it, each after a {0, TYPE} group

    void split(const acrt::DxfGroups* extras);
    // The first of the record's own groups with this code; null when there is none.
    const acrt::DxfGroup* ownGroup(int code) const;
};

// Writes one modelled record with its extras: lead after the handle, a kept group in
// the writer's place of a value the host does not model (kept), the other own groups
// and the XDATA at the end (rest).
class RecordOut {
public:
    RecordOut(DxfStream& out, const RecordExtras* extras);
    void lead();
    // Writes the first unwritten own group with this code; false when there is none.
    bool kept(int code);
    // Own groups with this code are not written: the writer's value stands.
    void skip(int code);
    void rest();

private:
    DxfStream& m_out;
    const RecordExtras* m_extras;
    std::vector<bool> m_used;
};

// A pass-through object of the drawing (a class entry, a table record, an object of
// OBJECTS or a header variable), copied so that nothing stays open while writing.
struct KeptRecord {
    std::uint64_t handle;
    std::string type;
    acrt::DxfGroups groups;
};

// What the drawing kept of the file it was read from.
struct Kept {
    std::vector<KeptRecord> classes, tableRecords, objects, headerVariables, tableHeads;
    std::uint64_t highestHandle = 0;        // named by any kept group
    std::vector<std::string> applications;  // named by 1001 groups, each once, as read
};

struct LinetypeRecord {
    std::uint64_t handle;
    std::string name;
    std::string description;
    RecordExtras extras{};
};

struct LayerRecord {
    std::uint64_t handle;
    std::string name;
    int color;
    bool off, frozen, locked;
    AcDbObjectId linetype;
    AcDb::LineWeight lineWeight;
    RecordExtras extras{};
};

struct StyleRecord {
    std::uint64_t handle;
    std::string name, font, bigFont;
    double size, xScale, obliqueDegrees;
    RecordExtras extras{};
};

// A block's BLOCK or ENDBLK record as kept from a file: its handle (0 for none) and
// its 102 groups and XDATA.
struct BlockPart {
    std::uint64_t handle = 0;
    RecordExtras extras{};
};

struct BlockRecord {
    std::uint64_t handle;
    std::string name;
    AcDbObjectId id;  // null for a space block the drawing lacks
    bool modelSpace = false, paperSpace = false;
    std::uint64_t begin = 0, end = 0, layout = 0;
    // A user block's own values (dxf_blocks.cpp reads them).
    AcGePoint3d origin = AcGePoint3d::kOrigin;
    bool anonymous = false, attributed = false, explodable = true, uniformScaling = false;
    RecordExtras extras{};
    BlockPart beginPart{}, endPart{};
};

// Handles of the objects DXF needs that the drawing does not hold.
struct Generated {
    std::uint64_t vportTable, vport, viewTable, ucsTable, appidTable, appid, vemAppid, dimstyleTable, dimstyle;
    std::uint64_t rootDict, groupDict, layoutDict, modelLayout, paperLayout;
    // APPID records for applications the output names that have none: name, handle.
    std::vector<std::pair<std::string, std::uint64_t>> appids;
    // Tables of kept records that the writer does not write itself: name, handle.
    std::vector<std::pair<std::string, std::uint64_t>> tables;
};

// How OBJECTS is made: the root dictionary, ACAD_GROUP and ACAD_LAYOUT kept or
// generated, entries added to kept dictionaries, and the layouts generated for spaces
// that have none among the kept objects.
struct ObjectsPlan {
    const KeptRecord* root = nullptr;  // the kept root dictionary, null when generated
    std::uint64_t rootHandle = 0, layoutDict = 0;
    bool groupDictGenerated = true, layoutDictGenerated = true;
    struct Entry {
        std::uint64_t dictionary;
        std::string name;
        std::uint64_t handle;
    };
    std::vector<Entry> entries;  // entries of generated or kept dictionaries, by name
    struct Layout {
        std::uint64_t handle;
        std::string name;
        int tab;
        std::uint64_t block;
    };
    std::vector<Layout> layouts;  // generated, by tab
};

// Everything read from the drawing before writing starts, so that no record stays open.
struct Drawing {
    const char* version = "AC1015";  // $ACADVER
    bool utf8 = false;               // texts as UTF-8 (AC1021 on) rather than \U+ escapes
    std::uint64_t blockTable = 0, layerTable = 0, styleTable = 0, linetypeTable = 0;
    std::vector<LinetypeRecord> linetypes;
    std::vector<LayerRecord> layers;
    std::vector<StyleRecord> styles;
    std::vector<BlockRecord> blocks;
    DxfSymbols symbols;
    std::string currentLayer = "0", currentStyle = "Standard";
    bool tilemode = true;
    int pdmode = 0;
    double pdsize = 0.0;
    int insunits = AcDb::kUnitsMeters;
    double textsize = 2.5;
    std::uint64_t nextHandle = 1;
    Generated generated{};
    Kept kept;
    ObjectsPlan objects;

    std::uint64_t fresh() { return nextHandle++; }
    void seeHandle(std::uint64_t h)
    {
        if (h >= nextHandle)
            nextHandle = h + 1;
    }
};

constexpr std::size_t kNotReserved = std::size_t(-1);

// Values known only once the entities are written: the model-space extents (header and
// active viewport, which is not reserved when the drawing kept its own) and the handle
// seed.
struct Reserved {
    std::size_t extMin[2], extMax[2], viewCenter[2] = {kNotReserved, kNotReserved}, viewHeight = kNotReserved,
                                      handseed;
};

// Reads what the output needs from db; false, with a message, when a table cannot be read.
bool readDrawing(AcDbDatabase* db, Drawing& d, std::string& error);

// ---- user blocks (dxf_blocks.cpp) ----
// The values of a user block's BLOCK and BLOCK_RECORD that the spaces do not have.
void readUserBlock(const AcDbBlockTableRecord& rec, BlockRecord& block);
// BLOCK's type flags (70) and base point (10).
void blockFlagsAndBase(DxfStream& out, const BlockRecord& b);
// A user block's BLOCK_RECORD groups after its layout: units, explodability, scaling.
void blockRecordSettings(DxfStream& out, const BlockRecord& b, RecordOut& record);

void writeHeader(DxfStream& out, const Drawing& d, Reserved& r);
void writeTables(DxfStream& out, const Drawing& d, Reserved& r);
// Blocks other than the spaces hold their entities here; false when one cannot be read.
bool writeBlocks(DxfStream& out, DxfEntityWriter& writer, const Drawing& d, std::string& error);
bool writeEntities(DxfStream& out, DxfEntityWriter& writer, const Drawing& d, std::string& error);
void writeObjects(DxfStream& out, const Drawing& d);

// ---- what the drawing kept of a file read (dxf_kept.cpp) ----
// Copies the pass-through objects, notes the highest handle and the applications that
// kept groups name; false, with a message, when an object cannot be read.
bool readKept(AcDbDatabase* db, Drawing& d, std::string& error);
// Writes groups as kept (texts in the output's encoding); a 0 group is left out.
void writeKeptGroups(DxfStream& out, const acrt::DxfGroups& groups);
// The kept records of a table (by its name, case aside).
std::vector<const KeptRecord*> keptRecordsOf(const Drawing& d, const char* table);
// Whether a kept record of this table has this name (group 2).
bool hasKeptRecord(const Drawing& d, const char* table, const char* name);
// The value of the first group with this code, or null.
const std::string* groupValue(const acrt::DxfGroups& groups, int code);
std::uint64_t handleValue(const std::string& hex);
// Kept header variables, after the writer's own, and the CLASSES section.
void writeKeptHeader(DxfStream& out, const Drawing& d);
void writeClasses(DxfStream& out, const Drawing& d);
// The kept head of a table (by its name, case aside), null when there is none.
const KeptRecord* keptTableHead(const Drawing& d, const char* table);
// A table's head: the kept one under its own handle with its groups (count in 70), else
// a generated one. True when the kept one was written.
bool writeTableHead(DxfStream& out, const Drawing& d, const char* table, std::uint64_t handle, std::size_t count);
// A kept table record, its owner (the first 330 outside 102 groups) the table written.
void writeKeptTableRecord(DxfStream& out, const KeptRecord& r, std::uint64_t table);
// Tables the writer does not write itself that kept records belong to: their handles
// planned, then the tables written with their records.
void planUnknownTables(Drawing& d);
void writeUnknownTables(DxfStream& out, const Drawing& d);
// Plans OBJECTS once the handles are planned: which layouts the spaces' block records
// point at (dxf_objects.cpp).
void planObjects(Drawing& d);
// Fills what writeHeader and writeTables reserved; false when a value does not fit.
bool fillReserved(DxfStream& out, const Reserved& r, const AcDbExtents& ext, std::uint64_t handseed);

}  // namespace dxf
}  // namespace vemio
