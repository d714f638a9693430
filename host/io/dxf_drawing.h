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

struct LinetypeRecord {
    std::uint64_t handle;
    std::string name;
    std::string description;
};

struct LayerRecord {
    std::uint64_t handle;
    std::string name;
    int color;
    bool off, frozen, locked;
    AcDbObjectId linetype;
    AcDb::LineWeight lineWeight;
};

struct StyleRecord {
    std::uint64_t handle;
    std::string name, font, bigFont;
    double size, xScale, obliqueDegrees;
};

struct BlockRecord {
    std::uint64_t handle;
    std::string name;
    AcDbObjectId id;  // null for a space block the drawing lacks
    bool modelSpace = false, paperSpace = false;
    std::uint64_t begin = 0, end = 0, layout = 0;
    // A user block's own values (dxf_blocks.cpp reads them).
    AcGePoint3d origin = AcGePoint3d::kOrigin;
    bool anonymous = false, explodable = true, uniformScaling = false;
};

// Handles of the objects DXF needs that the drawing does not hold.
struct Generated {
    std::uint64_t vportTable, vport, viewTable, ucsTable, appidTable, appid, vemAppid, dimstyleTable, dimstyle;
    std::uint64_t rootDict, groupDict, layoutDict, modelLayout, paperLayout;
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
    double textsize = 2.5;
    std::uint64_t nextHandle = 1;
    Generated generated{};

    std::uint64_t fresh() { return nextHandle++; }
    void seeHandle(std::uint64_t h)
    {
        if (h >= nextHandle)
            nextHandle = h + 1;
    }
};

// Values known only once the entities are written: the model-space extents (header and
// active viewport) and the handle seed.
struct Reserved {
    std::size_t extMin[2], extMax[2], viewCenter[2], viewHeight, handseed;
};

// Reads what the output needs from db; false, with a message, when a table cannot be read.
bool readDrawing(AcDbDatabase* db, Drawing& d, std::string& error);

// ---- user blocks (dxf_blocks.cpp) ----
// The values of a user block's BLOCK and BLOCK_RECORD that the spaces do not have.
void readUserBlock(const AcDbBlockTableRecord& rec, BlockRecord& block);
// BLOCK's type flags (70) and base point (10).
void blockFlagsAndBase(DxfStream& out, const BlockRecord& b);
// A user block's BLOCK_RECORD groups after its layout: units, explodability, scaling.
void blockRecordSettings(DxfStream& out, const BlockRecord& b);

void writeHeader(DxfStream& out, const Drawing& d, Reserved& r);
void writeTables(DxfStream& out, const Drawing& d, Reserved& r);
// Blocks other than the spaces hold their entities here; false when one cannot be read.
bool writeBlocks(DxfStream& out, DxfEntityWriter& writer, const Drawing& d, std::string& error);
bool writeEntities(DxfStream& out, DxfEntityWriter& writer, const Drawing& d, std::string& error);
void writeObjects(DxfStream& out, const Drawing& d);
// Fills what writeHeader and writeTables reserved; false when a value does not fit.
bool fillReserved(DxfStream& out, const Reserved& r, const AcDbExtents& ext, std::uint64_t handseed);

}  // namespace dxf
}  // namespace vemio
