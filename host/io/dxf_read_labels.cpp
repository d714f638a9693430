// DXF input of application entities: the pieces DXF output writes for a module's entity
// carry XDATA of the application VEM naming the entity's class, handle and filed record.
// Those pieces are held while the file is read; then each entity whose pieces add up is
// made again from its record, under its own handle, in the block its pieces were read
// in. The pieces of any other (class not registered, record unreadable, XDATA spoiled)
// go into the drawing as the plain entities they are.
#include <algorithm>
#include <cstdio>
#include <map>
#include <unordered_map>

#include "dbsymtb.h"
#include "drawing_schema.h"
#include "drawing_store.h"
#include "dxf_read.h"
#include "opened_object.h"
#include "rxclass.h"
#include "vemhost_io.h"
#include "vemhost_program.h"

namespace vemio {
namespace dxfin {

namespace {

constexpr std::string_view kLiveApplication = "VEM";
// Group codes of the application's XDATA.
constexpr int kApplication = 1001, kClassName = 1000, kHandle = 1005, kPieceNumber = 1070, kRecordChunk = 1004;
// Hex digits of one record chunk: 127 bytes.
constexpr std::size_t kMaxChunkDigits = 254;
constexpr int kMaxPieceNumber = 32767;

// One piece: the plain entity it was read as, and where it came from.
struct Piece {
    std::unique_ptr<AcDbEntity> entity;
    std::string_view type;    // its DXF type, for the count of what is left out
    std::string_view handle;  // its own handle (group 5), kept when it goes in plain
    AcDbObjectId block;       // where it was read
    int number = 0;
};

enum class LiveState { kGathering, kMade, kPlain };

// An application entity gathered by the handle its pieces name.
struct LiveEntity {
    std::uint64_t handle = 0;
    std::string_view className;
    AcDbObjectId block;
    std::vector<Piece> pieces;  // in the order they were read
    std::vector<unsigned char> record;
    bool hasRecord = false;
    bool spoiled = false;  // its pieces go in plain whatever the record says
    LiveState state = LiveState::kGathering;
};

// What the application's XDATA on one piece says.
struct PieceMark {
    std::string_view className;
    std::uint64_t handle = 0;
    long long number = 0;
    std::size_t firstChunk = 0, chunks = 0;  // 1004 groups, by index in the record's groups
    bool usable = true;
};

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Appends the bytes of chunk to out; false when it is not whole bytes of hex digits.
bool appendHex(std::string_view chunk, std::vector<unsigned char>& out)
{
    if (chunk.size() % 2 != 0 || chunk.size() > kMaxChunkDigits)
        return false;
    for (std::size_t i = 0; i < chunk.size(); i += 2) {
        const int high = hexDigit(chunk[i]), low = hexDigit(chunk[i + 1]);
        if (high < 0 || low < 0)
            return false;
        out.push_back((unsigned char)(high << 4 | low));
    }
    return true;
}

// A group the XDATA holds once: a second one makes it unusable.
void takeOnce(bool& usable, bool& seen)
{
    usable = usable && !seen;
    seen = true;
}

// The application's XDATA among groups: false when the record has none. Groups of it
// other than the writer's, repeated ones and values out of range make it unusable.
bool readMark(const std::vector<DxfPair>& groups, PieceMark& mark)
{
    std::size_t at = 0;
    while (at < groups.size() && !(groups[at].code == kApplication && groups[at].value == kLiveApplication))
        ++at;
    if (at == groups.size())
        return false;
    bool seenClass = false, seenHandle = false, seenNumber = false;
    for (++at; at < groups.size() && groups[at].code != kApplication; ++at) {
        const DxfPair& g = groups[at];
        if (g.code == kClassName) {
            takeOnce(mark.usable, seenClass);
            mark.className = g.value;
        } else if (g.code == kHandle) {
            takeOnce(mark.usable, seenHandle);
            mark.usable = mark.usable && parseDxfHandle(g.value, mark.handle);
        } else if (g.code == kPieceNumber) {
            takeOnce(mark.usable, seenNumber);
            mark.usable = mark.usable && parseDxfInt(g.value, mark.number);
        } else if (g.code == kRecordChunk) {
            if (mark.chunks++ == 0)
                mark.firstChunk = at;
            else
                mark.usable = mark.usable && groups[at - 1].code == kRecordChunk;
        } else {
            mark.usable = false;
        }
    }
    mark.usable = mark.usable && seenClass && seenNumber && !mark.className.empty() && mark.number >= 1 &&
                  mark.number <= kMaxPieceNumber && (mark.chunks == 0 || mark.number == 1);
    return true;
}

// Reads a record as a drawing file does, noting whether it names an entity that is
// still gathered: that one is made first, so the reference resolves.
class RecordFiler : public vemhost::MemoryFiler {
public:
    RecordFiler(AcDbDatabase* db, const Reader::LiveEntities& live)
        : vemhost::MemoryFiler(db, AcDb::kFileFiler), m_live(live)
    {
    }
    bool namesGathered() const { return m_namesGathered; }
    void start(const std::vector<unsigned char>& record, std::uint64_t self)
    {
        setBytes(record);
        m_self = self;
        m_namesGathered = false;
    }

    Acad::ErrorStatus readHardOwnershipId(AcDbHardOwnershipId* pId) override
    {
        note();
        return MemoryFiler::readHardOwnershipId(pId);
    }
    Acad::ErrorStatus readSoftOwnershipId(AcDbSoftOwnershipId* pId) override
    {
        note();
        return MemoryFiler::readSoftOwnershipId(pId);
    }
    Acad::ErrorStatus readHardPointerId(AcDbHardPointerId* pId) override
    {
        note();
        return MemoryFiler::readHardPointerId(pId);
    }
    Acad::ErrorStatus readSoftPointerId(AcDbSoftPointerId* pId) override
    {
        note();
        return MemoryFiler::readSoftPointerId(pId);
    }

private:
    // An id is filed as a tag byte and its handle, 8 bytes little-endian.
    void note();

    const Reader::LiveEntities& m_live;
    std::uint64_t m_self = 0;
    bool m_namesGathered = false;
};

}  // namespace

struct Reader::LiveEntities {
    std::vector<LiveEntity> entities;                            // by their first piece
    std::unordered_map<std::uint64_t, std::size_t> byHandle;     // index in entities
    std::map<std::string_view, AcRxClass*, std::less<>> classes;  // looked up once by name
    std::vector<int> numbers;                                    // scratch
};

void Reader::LiveEntitiesDeleter::operator()(LiveEntities* live) const { delete live; }

namespace {

void RecordFiler::note()
{
    const std::vector<unsigned char>& record = bytes();
    const auto at = std::size_t(tell());
    if (at >= record.size() || record.size() - at < 9)
        return;
    std::uint64_t handle = 0;
    for (int i = 8; i >= 1; --i)
        handle = handle << 8 | record[at + std::size_t(i)];
    if (handle == 0 || handle == m_self)
        return;
    auto it = m_live.byHandle.find(handle);
    if (it != m_live.byHandle.end() && m_live.entities[it->second].state == LiveState::kGathering)
        m_namesGathered = true;
}

// The entity gathered under mark's handle, made on its first piece.
LiveEntity& gathered(Reader::LiveEntities& live, const PieceMark& mark, AcDbObjectId block)
{
    auto [it, isNew] = live.byHandle.try_emplace(mark.handle, live.entities.size());
    if (isNew) {
        live.entities.emplace_back();
        LiveEntity& made = live.entities.back();
        made.handle = mark.handle;
        made.className = mark.className;
        made.block = block;
    }
    return live.entities[it->second];
}

// Takes the record of piece 1; any other piece, a second record or bad hex spoils it.
void takeRecord(const std::vector<DxfPair>& groups, const PieceMark& mark, LiveEntity& live)
{
    if (mark.number != 1)
        return;
    if (live.hasRecord) {
        live.spoiled = true;
        return;
    }
    live.hasRecord = true;
    for (std::size_t i = 0; i < mark.chunks && !live.spoiled; ++i)
        live.spoiled = !appendHex(groups[mark.firstChunk + i].value, live.record);
}

// The pieces are numbered 1 to their count, each once.
bool piecesAddUp(const LiveEntity& live, std::vector<int>& numbers)
{
    numbers.clear();
    for (const Piece& piece : live.pieces)
        numbers.push_back(piece.number);
    std::sort(numbers.begin(), numbers.end());
    for (std::size_t i = 0; i < numbers.size(); ++i)
        if (numbers[i] != int(i) + 1)
            return false;
    return live.hasRecord;
}

AcRxClass* entityClass(Reader::LiveEntities& live, std::string_view name)
{
    auto it = live.classes.find(name);
    if (it != live.classes.end())
        return it->second;
    const std::wstring wide = vemhost::fromUtf8(std::string(name));
    AcRxClass* cls = acrxFindAcRxClass(wide.c_str());
    // Only a module's entities come as pieces: the host's own classes are written whole.
    if (cls != nullptr && (acrt::isProxyClass(cls) || acrt::isRuntimeClass(cls) ||
                           !cls->isDerivedFrom(AcDbEntity::desc())))
        cls = nullptr;
    live.classes.emplace(name, cls);
    return cls;
}

bool isRecordOf(AcDbObjectId id, const AcRxClass* cls)
{
    Opened<AcDbObject> opened;
    return !id.isNull() && acdbOpenAcDbObject(opened.slot(), id, AcDb::kForRead, cls) == Acad::eOk;
}

// The layer and linetype of the record are this drawing's objects of those handles; one
// that is not such a record (the file's tables differ from the drawing it came from)
// gives way to the first piece's.
void settleSymbols(AcDbEntity& ent, const AcDbEntity& firstPiece)
{
    if (!isRecordOf(ent.layerId(), AcDbLayerTableRecord::desc()))
        ent.setLayer(firstPiece.layerId());
    if (!ent.linetypeId().isNull() && !isRecordOf(ent.linetypeId(), AcDbLinetypeTableRecord::desc()))
        ent.setLinetype(firstPiece.linetypeId());
}

const AcDbEntity& firstPieceOf(const LiveEntity& live)
{
    for (const Piece& piece : live.pieces)
        if (piece.number == 1)
            return *piece.entity;
    return *live.pieces.front().entity;
}

// Appends ent (left open) under handle when no object has that handle yet, under a
// fresh one otherwise; false when the block refuses it (ent is then still the caller's).
bool appendUnder(Reader& r, AcDbBlockTableRecord* block, AcDbEntity* ent, std::string_view handle)
{
    AcDbObjectId id;
    if (!handle.empty())
        r.keepHandle(handle);
    const Acad::ErrorStatus es = block->appendAcDbEntity(id, ent);
    r.handleKept();
    if (es != Acad::eOk)
        return false;
    ++r.stats.entities;
    return true;
}

// Each piece into the block it was read in: block when that is the entity's (open, or
// null when it cannot be), opened for it otherwise.
void appendPlain(Reader& r, AcDbBlockTableRecord* block, LiveEntity& live)
{
    live.state = LiveState::kPlain;
    for (Piece& piece : live.pieces) {
        Opened<AcDbBlockTableRecord> other;
        AcDbBlockTableRecord* into = block;
        if (piece.block != live.block)
            into = acdbOpenObject(other.slot(), piece.block, AcDb::kForWrite) == Acad::eOk ? other.get() : nullptr;
        if (into != nullptr && appendUnder(r, into, piece.entity.get(), piece.handle))
            piece.entity.release()->close();
        else
            leaveOut(r, piece.type);
    }
    live.pieces.clear();
}

// The entity read from its record, or null when its class is not here or the record
// does not read whole. Sets deferred when the record names an entity still gathered.
std::unique_ptr<AcDbEntity> readRecord(Reader::LiveEntities& live, RecordFiler& filer, LiveEntity& entity,
                                       bool& deferred)
{
    deferred = false;
    AcRxClass* cls = entityClass(live, entity.className);
    if (cls == nullptr)
        return nullptr;
    AcRxObject* made = cls->create();
    std::unique_ptr<AcDbEntity> ent(AcDbEntity::cast(made));
    if (!ent) {
        delete made;
        return nullptr;
    }
    filer.start(entity.record, entity.handle);
    const Acad::ErrorStatus es = ent->dwgInFields(&filer);
    // A class may refuse a reference that does not resolve yet: waiting comes first.
    deferred = filer.namesGathered();
    if (es != Acad::eOk || filer.filerStatus() != Acad::eOk || std::size_t(filer.tell()) != entity.record.size())
        return nullptr;
    return ent;
}

// Makes the entity or puts its pieces in plain; false when it waits for another.
bool settle(Reader& r, RecordFiler& filer, AcDbBlockTableRecord* block, LiveEntity& entity, bool mayWait)
{
    Reader::LiveEntities& live = *r.live;
    if (block == nullptr || entity.spoiled || !piecesAddUp(entity, live.numbers)) {
        appendPlain(r, block, entity);
        return true;
    }
    bool deferred = false;
    std::unique_ptr<AcDbEntity> ent = readRecord(live, filer, entity, deferred);
    if (deferred && mayWait)
        return false;
    if (!ent) {
        appendPlain(r, block, entity);
        return true;
    }
    settleSymbols(*ent, firstPieceOf(entity));
    char handle[24];
    std::snprintf(handle, sizeof handle, "%llX", (unsigned long long)entity.handle);
    if (!appendUnder(r, block, ent.get(), handle)) {
        appendPlain(r, block, entity);
        return true;
    }
    ent.release()->close();
    entity.state = LiveState::kMade;
    entity.pieces.clear();
    return true;
}

// Keeps the block of the entities being settled open for write, one at a time.
class BlockSlot {
public:
    ~BlockSlot() { close(); }
    AcDbBlockTableRecord* open(AcDbObjectId id)
    {
        if (id == m_id && m_block != nullptr)
            return m_block;
        close();
        m_id = id;
        if (acdbOpenObject(m_block, id, AcDb::kForWrite) != Acad::eOk)
            m_block = nullptr;
        return m_block;
    }

private:
    void close()
    {
        if (m_block != nullptr)
            m_block->close();
        m_block = nullptr;
    }
    AcDbObjectId m_id;
    AcDbBlockTableRecord* m_block = nullptr;
};

}  // namespace

bool holdLivePiece(Reader& r, std::string_view type, AcDbBlockTableRecord* block, std::unique_ptr<AcDbEntity>& ent,
                   bool appendNow)
{
    PieceMark mark;
    if (ent == nullptr || block == nullptr || !readMark(r.groups, mark) || mark.handle == 0 ||
        mark.handle >= std::uint64_t(schema::kHandleLimit))
        return false;
    if (!r.live)
        r.live.reset(new Reader::LiveEntities);
    LiveEntity& live = gathered(*r.live, mark, block->objectId());
    live.spoiled = live.spoiled || !mark.usable || appendNow || live.block != block->objectId() ||
                   live.className != mark.className;
    if (appendNow)
        return false;
    if (!live.spoiled)
        takeRecord(r.groups, mark, live);
    const DxfPair* handle = nullptr;
    for (const DxfPair& g : r.groups)
        if (g.code == 5) {
            handle = &g;
            break;
        }
    live.pieces.push_back(Piece{std::move(ent), type, handle != nullptr ? handle->value : std::string_view(),
                                block->objectId(), int(mark.number)});
    return true;
}

void makeLiveEntities(Reader& r)
{
    if (!r.live)
        return;
    Reader::LiveEntities& live = *r.live;
    RecordFiler filer(r.db, live);
    BlockSlot block;
    // Each pass makes what names nothing still gathered; when a pass makes nothing, the
    // rest are made as they read (a reference to an entity never made resolves to null).
    bool mayWait = true;
    for (std::size_t waiting = live.entities.size(); waiting > 0;) {
        bool progress = false;
        std::size_t left = 0;
        for (LiveEntity& entity : live.entities) {
            if (entity.state != LiveState::kGathering)
                continue;
            if (settle(r, filer, block.open(entity.block), entity, mayWait))
                progress = true;
            else
                ++left;
        }
        waiting = left;
        mayWait = progress;
    }
    r.live.reset();
}

}  // namespace dxfin
}  // namespace vemio
