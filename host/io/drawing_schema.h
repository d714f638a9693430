// Names and numbers of the drawing file's layout that its writer and reader share
// (the layout itself is described at the top of drawing_file.cpp).
#pragma once

#include <cstdio>
#include <string>

namespace vemio {
namespace schema {

constexpr const char* kFormatName = "VEM drawing";
constexpr long long kFormatVersion = 1;
// Why a SQLite file that is not one of ours is refused.
constexpr const char* kNotADrawing = "not a VEM drawing";

// Handles a drawing file may hold: every handle is below this, and the handle seed at
// most this, which leaves a drawing room for more objects than it could ever get while
// every handle and seed it will have fits the file's integers.
constexpr unsigned long long kHandleLimit = 1ull << 62;

// Header keys.
constexpr const char* kFormat = "format";
constexpr const char* kVersion = "version";
constexpr const char* kHandseed = "handseed";
constexpr const char* kBlockTable = "block_table";
constexpr const char* kLayerTable = "layer_table";
constexpr const char* kTextStyleTable = "text_style_table";
constexpr const char* kLinetypeTable = "linetype_table";
constexpr const char* kModelSpace = "model_space";
constexpr const char* kPaperSpace = "paper_space";
constexpr const char* kClayer = "clayer";
constexpr const char* kTextstyle = "textstyle";
constexpr const char* kTilemode = "tilemode";
// How points draw (PDMODE an integer, PDSIZE a real) and the height of new texts
// (TEXTSIZE, a real above 0); drawings saved before they were kept have none of them and
// take 0, 0.0 and 2.5.
constexpr const char* kPdmode = "pdmode";
constexpr const char* kPdsize = "pdsize";
constexpr const char* kTextsize = "textsize";
constexpr const char* kInsunits = "insunits";

constexpr const char* kCreateTables =
    "CREATE TABLE header (key TEXT PRIMARY KEY, value);"
    "CREATE TABLE classes (name TEXT PRIMARY KEY, parent TEXT NOT NULL, dxf_name TEXT NOT NULL,"
    " app_name TEXT NOT NULL, proxy_flags INTEGER NOT NULL);"
    "CREATE TABLE objects (handle INTEGER PRIMARY KEY, owner INTEGER NOT NULL, class TEXT NOT NULL,"
    " record BLOB NOT NULL);"
    "CREATE TABLE graphics (handle INTEGER PRIMARY KEY, graphics BLOB NOT NULL);";
// A table a drawing holds only when it has something to keep there: the DXF extras of its
// objects (the groups of other applications a DXF file gave them), each filed as
// acrt::writeDxfGroups lays groups out. Drawings without it open as before.
constexpr const char* kExtrasTable = "dxf_extras";
constexpr const char* kCreateExtrasTable =
    "CREATE TABLE dxf_extras (handle INTEGER PRIMARY KEY, groups BLOB NOT NULL)";
// Besides those tables a drawing file holds only the indexes of their text keys.
constexpr const char* kKeyIndexes[][2] = {
    {"sqlite_autoindex_header_1", "header"},
    {"sqlite_autoindex_classes_1", "classes"},
};

// A handle in messages: hexadecimal, as the host lists handles.
inline std::string handleText(unsigned long long handle)
{
    char buf[24];
    std::snprintf(buf, sizeof buf, "%llX", handle);
    return buf;
}

}  // namespace schema
}  // namespace vemio
