// DXF input's frame: the file read whole into memory, its sections in order, the
// header's settings (the others kept as they are), and the sections of blocks and
// entities handed to the entity reader with the block each entity goes to (the handles,
// reactors and XDATA of each block's BLOCK and ENDBLK records kept in its extras).
#include "dxf_reader.h"

#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <new>

#include "dbsymtb.h"
#include "drawing_schema.h"
#include "drawing_store.h"
#include "dxf_read.h"
#include "opened_object.h"

namespace vemio {
namespace dxfin {

namespace {

bool isZero(const DxfPair& pair, const char* value) { return pair.code == 0 && pair.value == value; }

// A header variable's value: the pairs after 9 $NAME up to the next 9 or 0.
struct Variable {
    std::string_view name;
    DxfPair first;
};

void applyVariable(Reader& r, const Variable& v, std::string& codePage)
{
    if (v.name == "$ACADVER")
        r.stats.version = std::string(v.first.value);
    else if (v.name == "$DWGCODEPAGE")
        codePage = std::string(v.first.value);
    else if (v.name == "$HANDSEED")
        parseDxfHandle(v.first.value, r.handseed);
    else if (v.name == "$CLAYER")
        r.currentLayer = std::string(v.first.value);
    else if (v.name == "$PDMODE")
        r.db->setPdmode(Adesk::Int16(intOf(v.first.value, 0)));
    else if (v.name == "$INSUNITS" && intOf(v.first.value, -1) >= 0 && intOf(v.first.value, -1) <= AcDb::kUnitsMax)
        r.db->setInsunits(AcDb::UnitsValue(intOf(v.first.value, 0)));
    else if (v.name == "$PDSIZE")
        r.db->setPdsize(realOf(v.first.value, 0.0));
    else if (v.name == "$TEXTSIZE" && realOf(v.first.value, 0.0) > 0.0)
        r.db->setTextsize(realOf(v.first.value, 2.5));
}

// Texts are UTF-8 from AC1021 on, in the header's code page before.
void chooseEncoding(Reader& r, const std::string& codePage)
{
    if (r.stats.version >= "AC1021")
        r.decoder.useUtf8();
    else
        r.decoder.useCodePage(codePage.empty() ? std::string_view("ANSI_1252") : std::string_view(codePage));
}

bool skipSection(Reader& r)
{
    DxfPair pair;
    while (r.tokens.next(pair))
        if (isZero(pair, "ENDSEC"))
            return true;
    return r.tokens.failAtEnd("the file ends inside a section");
}

bool readSection(Reader& r, std::string_view name)
{
    if (name == "HEADER")
        return readHeader(r);
    if (name == "CLASSES")
        return readClasses(r);
    if (name == "TABLES")
        return readTables(r);
    // The sections after the tables need the drawing's tables and spaces.
    completeFrame(r);
    if (name == "OBJECTS")
        return readObjects(r);
    if (name == "BLOCKS")
        return readBlocks(r);
    if (name == "ENTITIES")
        return readEntities(r);
    return skipSection(r);
}

bool readFile(Reader& r)
{
    DxfPair pair;
    bool sawHeader = false;
    while (r.tokens.next(pair)) {
        if (pair.code == 999)
            continue;
        if (isZero(pair, "EOF")) {
            completeFrame(r);
            makeLiveEntities(r);
            // Objects added later get handles above every handle the file gave out.
            if (r.handseed < schema::kHandleLimit)
                acrt::raiseHandseed(r.db, r.handseed);
            return true;
        }
        if (!isZero(pair, "SECTION"))
            return r.fail(pair, "expected a section, found '" + printable(pair.value) + "'");
        DxfPair name;
        if (!r.tokens.next(name))
            break;
        if (name.code != 2)
            return r.fail(name, "a section without its name");
        if (!sawHeader && name.value != "HEADER") {
            chooseEncoding(r, std::string());
            sawHeader = true;
        }
        sawHeader = sawHeader || name.value == "HEADER";
        if (!readSection(r, name.value))
            return false;
    }
    return r.tokens.failAtEnd("the file ends before EOF");
}

}  // namespace

bool Reader::readGroups()
{
    groups.clear();
    DxfPair pair;
    while (tokens.next(pair)) {
        if (pair.code == 0) {
            tokens.unread();
            return true;
        }
        groups.push_back(pair);
    }
    return tokens.failAtEnd("the file ends inside a record");
}

void Reader::keepHandle(std::string_view value)
{
    std::uint64_t handle = 0;
    AcDbObjectId taken;
    if (!parseDxfHandle(value, handle) || handle == 0 || handle >= schema::kHandleLimit ||
        db->getAcDbObjectId(taken, false, AcDbHandle(handle)) == Acad::eOk)
        return;
    savedSeed = acrt::aimHandseed(db, handle);
}

void Reader::handleKept()
{
    if (savedSeed != 0)
        acrt::raiseHandseed(db, savedSeed);
    savedSeed = 0;
}

const wchar_t* Reader::decode(std::string_view value)
{
    decoder.decode(value, text);
    return text.c_str();
}

double realOf(std::string_view value, double fallback)
{
    double d = 0.0;
    return parseDxfReal(value, d) ? d : fallback;
}

long long intOf(std::string_view value, long long fallback)
{
    long long i = 0;
    if (parseDxfInt(value, i))
        return i;
    // Some writers put integers as reals ("1.0").
    double d = 0.0;
    return parseDxfReal(value, d) && d >= -2e9 && d <= 2e9 && d == double((long long)d) ? (long long)d : fallback;
}

// The variables the reader applies are applied as they come; the others are kept once
// the code page is known.
bool readHeader(Reader& r)
{
    std::string codePage;
    DxfPair pair;
    Variable v;
    bool pending = false;
    std::vector<DxfPair> header;
    while (r.tokens.next(pair)) {
        if (pair.code == 0) {
            if (pair.value != "ENDSEC")
                return r.fail(pair, "expected ENDSEC at the end of the header");
            chooseEncoding(r, codePage);
            keepHeaderVariables(r, header);
            // The current layer is resolved once the layers are read (readTables).
            return true;
        }
        header.push_back(pair);
        if (pair.code == 9) {
            v.name = pair.value;
            pending = true;
        } else if (pending) {
            v.first = pair;
            applyVariable(r, v, codePage);
            pending = false;
        }
    }
    return r.tokens.failAtEnd("the file ends inside the header");
}

// The handle, space mark (67), 102 groups and XDATA of the block's BLOCK or ENDBLK record (in r.groups),
// kept in the block record's extras after a {0, type} group in place of any kept before.
void keepBlockPart(Reader& r, AcDbBlockTableRecord* block, const char* type)
{
    acrt::DxfGroups part = extrasOf(r, r.groups, nullptr);
    // Whether the record marks its space: output writes the mark as read.
    for (const DxfPair& g : r.groups)
        if (g.code == 67) {
            part.insert(part.begin(), {67, std::string(g.value)});
            break;
        }
    const std::string_view handle = handleOf(r.groups);
    if (part.empty() && handle.empty())
        return;
    acrt::DxfGroups extras;
    if (const acrt::DxfGroups* kept = acrt::dxfExtrasOf(block))
        extras = *kept;
    auto first = std::find_if(extras.begin(), extras.end(),
                              [&](const acrt::DxfGroup& g) { return g.code == 0 && g.value == type; });
    if (first != extras.end())
        extras.erase(first, std::find_if(first + 1, extras.end(), [](const acrt::DxfGroup& g) { return g.code == 0; }));
    extras.push_back({0, type});
    if (!handle.empty())
        extras.push_back({5, std::string(handle)});
    extras.insert(extras.end(), std::make_move_iterator(part.begin()), std::make_move_iterator(part.end()));
    acrt::setDxfExtras(block, std::move(extras));
}

// Every block is filled, the base point and description set from the BLOCK record: the
// spaces' blocks usually hold nothing here (their entities are in ENTITIES), those of
// further layouts (*Paper_Space0 ...) hold their entities, anonymous ones (*D1, *U2
// ...) those of dimensions and other references.
bool readBlocks(Reader& r)
{
    DxfPair pair;
    while (r.tokens.next(pair)) {
        if (isZero(pair, "ENDSEC"))
            return true;
        if (!isZero(pair, "BLOCK"))
            return r.fail(pair, "expected BLOCK, found '" + printable(pair.value) + "'");
        if (!r.readGroups())
            return false;
        std::string_view name, description;
        AcGePoint3d base;
        for (const DxfPair& g : r.groups) {
            if (g.code == 2)
                name = g.value;
            else if (g.code == 4)
                description = g.value;
            else if (g.code == 10 || g.code == 20 || g.code == 30)
                (g.code == 10 ? base.x : g.code == 20 ? base.y : base.z) = realOf(g.value, 0.0);
        }
        const AcDbObjectId id = blockId(r, name);
        Opened<AcDbBlockTableRecord> block;
        if (!id.isNull() && acdbOpenObject(block.slot(), id, AcDb::kForWrite) == Acad::eOk) {
            block->setOrigin(base);
            if (!description.empty())
                block->setComments(r.decode(description));
            keepBlockPart(r, block.get(), "BLOCK");
        }
        while (r.tokens.next(pair) && !isZero(pair, "ENDBLK")) {
            if (pair.code != 0)
                return r.fail(pair, "expected an entity in the block");
            if (block.get() != nullptr) {
                if (!readEntity(r, pair, block.get(), nullptr))
                    return false;
            } else if (r.readGroups()) {
                leaveOut(r, pair.value);
            } else {
                return false;
            }
        }
        if (!isZero(pair, "ENDBLK"))
            return r.tokens.failAtEnd("the file ends inside a block");
        if (!r.readGroups())
            return false;
        if (block.get() != nullptr)
            keepBlockPart(r, block.get(), "ENDBLK");
    }
    return r.tokens.failAtEnd("the file ends inside the blocks");
}

bool readEntities(Reader& r)
{
    AcDbObjectId modelId, paperId;
    {
        // Closed before the entities are read: a reference may add the block it names.
        Opened<AcDbBlockTable> table;
        if (r.db->getBlockTable(table.slot(), AcDb::kForRead) != Acad::eOk)
            return r.fail(DxfPair(), "the drawing has no block table");
        table->getAt(ACDB_MODEL_SPACE, modelId);
        table->getAt(ACDB_PAPER_SPACE, paperId);
    }
    Opened<AcDbBlockTableRecord> model, paper;
    if (acdbOpenObject(model.slot(), modelId, AcDb::kForWrite) != Acad::eOk)
        return r.fail(DxfPair(), "the drawing has no model space");
    acdbOpenObject(paper.slot(), paperId, AcDb::kForWrite);
    DxfPair pair;
    while (r.tokens.next(pair)) {
        if (isZero(pair, "ENDSEC"))
            return true;
        if (pair.code != 0)
            return r.fail(pair, "expected an entity");
        if (!readEntity(r, pair, model.get(), paper.get()))
            return false;
    }
    return r.tokens.failAtEnd("the file ends inside the entities");
}

}  // namespace dxfin

bool isDxfPath(const std::string& path)
{
    return path.size() > 4 && strcasecmp(path.c_str() + path.size() - 4, ".dxf") == 0;
}

std::unique_ptr<AcDbDatabase> readDxfText(std::string_view text, std::string& error, DxfReadStats* stats)
{
    error.clear();
    try {
        // The tables, spaces and default records are made as the file names them.
        auto db = std::make_unique<AcDbDatabase>(false);
        acrt::raiseHandseed(db.get(), dxfin::firstFreeHandle(text));
        dxfin::Reader reader(text, db.get());
        if (!dxfin::readFile(reader)) {
            error = reader.tokens.error();
            return nullptr;
        }
        if (stats != nullptr)
            *stats = reader.stats;
        return db;
    } catch (const std::bad_alloc&) {
        error = "out of memory";
        return nullptr;
    }
}

std::unique_ptr<AcDbDatabase> readDxf(const std::string& path, std::string& error, DxfReadStats* stats)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open '" + path + "': " + std::strerror(errno);
        return nullptr;
    }
    std::string bytes;
    try {
        in.seekg(0, std::ios::end);
        const std::streamoff size = in.tellg();
        in.seekg(0, std::ios::beg);
        if (size < 0)
            throw std::ios::failure("size");
        bytes.resize(std::size_t(size));
        in.read(bytes.data(), size);
        if (!in)
            throw std::ios::failure("read");
    } catch (const std::exception&) {
        error = "cannot read '" + path + "'";
        return nullptr;
    }
    if (bytes.compare(0, 22, "AutoCAD Binary DXF\r\n\x1A") == 0) {
        error = "cannot open '" + path + "': binary DXF is not read, only ASCII DXF";
        return nullptr;
    }
    std::unique_ptr<AcDbDatabase> db = readDxfText(bytes, error, stats);
    if (!db)
        error = "cannot open '" + path + "': " + error;
    return db;
}

namespace {

// "12 entities <what>: 10 HATCH, 2 DIMENSION."; empty for none.
std::string countedSentence(std::size_t total, const std::map<std::string, std::size_t, std::less<>>& byType,
                            const char* what)
{
    if (total == 0)
        return std::string();
    std::string sentence = std::to_string(total) + (total == 1 ? " entity " : " entities ") + what + ":";
    const char* separator = " ";
    for (const auto& [type, count] : byType) {
        sentence += separator + std::to_string(count) + " " + type;
        separator = ", ";
    }
    return sentence + ".";
}

}  // namespace

std::string leftOutMessage(const DxfReadStats& stats)
{
    std::string message = countedSentence(
        stats.kept, stats.keptTypes,
        stats.kept == 1 ? "of a class this program does not model is kept as it is"
                        : "of classes this program does not model are kept as they are");
    const std::string leftOut =
        countedSentence(stats.skipped, stats.skippedTypes,
                        stats.skipped == 1 ? "that could not be read was left out" : "that could not be read were left out");
    if (!message.empty() && !leftOut.empty())
        message += ' ';
    return message + leftOut;
}

}  // namespace vemio
