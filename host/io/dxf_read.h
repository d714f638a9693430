// The parts of DXF input: the reader's state shared by the sections (pairs, texts,
// names of symbols resolved once) and the functions that read each section. Private
// to DXF input.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dbmain.h"
#include "dxf_decode.h"
#include "pass_through.h"
#include "dxf_reader.h"
#include "dxf_tokens.h"

class AcDbBlockTableRecord;

namespace vemio {
namespace dxfin {

// Symbol names to ids, by the bytes the file spells them with.
using NameIds = std::map<std::string, AcDbObjectId, std::less<>>;

struct Reader {
    Reader(std::string_view text, AcDbDatabase* database) : tokens(text), db(database) {}

    DxfTokenizer tokens;
    DxfTextDecoder decoder;
    AcDbDatabase* db;
    DxfReadStats stats;
    std::vector<DxfPair> groups;  // of the record being read, after its type
    std::wstring text;            // decoding scratch
    NameIds layers, linetypes, styles, blocks;
    std::string currentLayer;      // $CLAYER as the file spells it
    std::vector<std::string> paperSpaceOwners;  // handles of paper-space block records
    std::map<std::string, std::string, std::less<>> blockHandles;  // BLOCK_RECORD handles by name
    std::uint64_t handseed = 0;                 // $HANDSEED
    bool frameComplete = false;                 // tables, spaces and default records all there
    // Objects of OBJECTS whose owner comes later in the file, with the owner's handle.
    std::vector<std::pair<AcDbObjectId, std::uint64_t>> unownedObjects;

    // The object made next gets the handle value names when no object has it yet (a
    // fresh one otherwise); the seed is put back by handleKept once it is made.
    void keepHandle(std::string_view value);
    void handleKept();
    std::uint64_t savedSeed = 0;  // while a handle is aimed at

    // Reads the groups of the record whose type was just read, up to the next code 0.
    bool readGroups();
    // value decoded into text.
    const wchar_t* decode(std::string_view value);
    // Fails with a message naming the pair.
    bool fail(const DxfPair& pair, std::string_view what) { return tokens.fail(pair, what); }
    // The next pair must be 0 with one of these values; false (with the error) if not.
    bool expectZero(DxfPair& pair);

    // Pieces of application entities, held until the file is read (dxf_read_labels.cpp).
    struct LiveEntities;
    struct LiveEntitiesDeleter {
        void operator()(LiveEntities* live) const;
    };
    std::unique_ptr<LiveEntities, LiveEntitiesDeleter> live;
};

// Values of the groups, with defaults when a group is missing or unreadable.
double realOf(std::string_view value, double fallback);
long long intOf(std::string_view value, long long fallback);

// ---- sections ----
bool readHeader(Reader& r);
bool readTables(Reader& r);
bool readBlocks(Reader& r);
bool readEntities(Reader& r);

// ---- the drawing's frame (dxf_read_tables.cpp) ----
// The handle above every handle text names ($HANDSEED included), from which the objects
// the reader makes of its own get theirs; 1 for a file that names none.
std::uint64_t firstFreeHandle(std::string_view text);
// The table a TABLE record of this name stands for, made under handle when the drawing
// lacks it; null for a table the host does not have.
AcDbObjectId makeTable(Reader& r, std::string_view name, std::string_view handle);
// Makes what the file lacks of the tables, the spaces and the default records (layer
// 0, linetypes ByBlock, ByLayer and Continuous, text style Standard) and points the
// drawing at them. Once; later calls do nothing.
void completeFrame(Reader& r);

// ---- what the host does not model (dxf_read_pass_through.cpp) ----
// pairs as kept groups: texts decoded to UTF-8, other values byte for byte; appended.
void appendGroups(Reader& r, const std::vector<DxfPair>& pairs, acrt::DxfGroups& out);
// The DXF extras of a modelled record's pairs: its 102 groups with what they enclose,
// XDATA, and the groups whose codes are not in modelled (0-terminated; null for an
// entity, which keeps only the first two).
acrt::DxfGroups extrasOf(Reader& r, const std::vector<DxfPair>& pairs, const int* modelled);
// Sets obj's extras from pairs when it has any (obj resident and open for write).
void keepExtras(Reader& r, AcDbObject* obj, const std::vector<DxfPair>& pairs, const int* modelled = nullptr);
// The first owner (330) outside the 102 groups, or empty.
std::string_view ownerOf(const std::vector<DxfPair>& pairs);
// Keeps the entity whose type was just read (its groups in r.groups) as it is in block,
// with the records that belong to it (an old-style polyline's VERTEX and SEQEND, the
// ATTRIBs and SEQEND of a reference when attributesFollow).
bool keepEntity(Reader& r, std::string_view type, AcDbBlockTableRecord* block, bool attributesFollow);
// Makes obj (not resident) resident under the handle value names (a fresh one when
// it is missing or taken), owned by owner, and closes it.
AcDbObjectId addKeptObject(Reader& r, AcDbObject* obj, std::string_view handle, AcDbObjectId owner);
// The object the handle value names, null when the drawing has none.
AcDbObjectId objectNamed(Reader& r, std::string_view handle);
// The value of the record's own handle (5, or 105 in DIMSTYLE), empty when it has none.
std::string_view handleOf(const std::vector<DxfPair>& pairs);
// A record of a table the host lacks (or one of a table it has that it cannot model),
// from r.groups.
void keepTableRecord(Reader& r, std::string_view table);
// The head (TABLE record) of a table the host lacks, from r.groups (its name first).
void keepForeignTableHead(Reader& r, std::string_view table);
// The CLASSES and OBJECTS sections, each kept whole.
bool readClasses(Reader& r);
bool readObjects(Reader& r);
// Header variables the reader does not apply, from the header's pairs.
void keepHeaderVariables(Reader& r, const std::vector<DxfPair>& header);

// ---- symbols (dxf_read_tables.cpp) ----
// Names of the spaces' blocks (any case): *Model_Space, *Paper_Space and those of more
// layouts (*Paper_Space0 ...).
bool isPaperSpaceName(std::string_view name);
bool isSpaceName(std::string_view name);
// The id of a layer, linetype, text style or block named by value; a layer or block
// the file does not define is made. Null when the name is unusable.
AcDbObjectId layerId(Reader& r, std::string_view name);
AcDbObjectId linetypeId(Reader& r, std::string_view name);
AcDbObjectId styleId(Reader& r, std::string_view name);
AcDbObjectId blockId(Reader& r, std::string_view name);

// ---- entities (dxf_read_entities.cpp) ----
// Sets the layer, linetype, colour, lineweight, linetype scale and visibility of ent
// from a record's groups.
void applyCommon(Reader& r, const std::vector<DxfPair>& groups, AcDbEntity& ent);
// Reads the entity whose type pair was just read (its groups not yet) into block; one
// the host does not model is kept as it is, one it cannot read counted and passed by.
// An INSERT reads its ATTRIBs and SEQEND too. paperBlock, when not null, takes entities marked as paper space.
bool readEntity(Reader& r, const DxfPair& type, AcDbBlockTableRecord* block, AcDbBlockTableRecord* paperBlock);
// Counts an entity left out, by its type.
void leaveOut(Reader& r, std::string_view type);

// ---- application entities (dxf_read_labels.cpp) ----
// Takes ent, just made from the record's groups for block, when those groups carry the
// XDATA of the application VEM: it is a piece of a module's entity, settled when the
// file is read. appendNow: the piece must go in at once, so every piece of its entity
// goes in plain. False when ent is left to the caller.
bool holdLivePiece(Reader& r, std::string_view type, AcDbBlockTableRecord* block, std::unique_ptr<AcDbEntity>& ent,
                   bool appendNow);
// Makes each entity whose pieces were held from its record, under its handle, in their
// block; the pieces of one that cannot be made go in as plain entities.
void makeLiveEntities(Reader& r);

}  // namespace dxfin
}  // namespace vemio
