// The spatial index: an R-tree per owning block of each entity's box (its geometric and
// drawn extents together), with the entity's place in its block so that answers come
// in drawing order. Changes only mark entities; the marked ones are measured again,
// once each, before the next question. A block is first indexed when it is first
// asked about, by a packed build over all its entities.
#include "spatial_index.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include <boost/geometry.hpp>
#include <boost/geometry/index/rtree.hpp>

#include "dbsymtb.h"
#include "editor_internals.h"

namespace bg = boost::geometry;
namespace bgi = boost::geometry::index;

namespace acrt {
namespace {

using Point = bg::model::point<double, 2, bg::cs::cartesian>;
using Box = bg::model::box<Point>;
using Value = std::pair<Box, const AcDbStub*>;
using Tree = bgi::rtree<Value, bgi::quadratic<16>>;

bool g_useIndex = true;

// More changes than this share of a block's entities rebuild its tree, packed.
constexpr std::size_t kRepackDivisor = 8;

struct Entry {
    Box box;
    std::uint64_t order = 0;  // the entity's place in its block's drawing order
    bool inTree = false;
};

struct BlockIndex {
    Tree tree;
    std::unordered_map<const AcDbStub*, Entry> entries;
    std::uint64_t nextOrder = 0;
    bool orderStale = false;
};

AcDbBlockTableRecord* blockRecord(const AcDbStub* stub)
{
    return stub != nullptr && stub->object != nullptr ? AcDbBlockTableRecord::cast(stub->object) : nullptr;
}

// A block that references show (any block but a space).
bool isUserBlock(const AcDbBlockTableRecord* btr) { return btr != nullptr && !btr->isLayout(); }

// The entity's box, false when it has none (erased, gone, drawing nothing or not
// finite). The entity is opened for read, as any reader would.
bool measure(const AcDbStub* stub, Box& box)
{
    if (stub->object == nullptr || stub->erased)
        return false;
    AcDbEntity* ent = nullptr;
    if (acdbOpenAcDbEntity(ent, AcDbObjectId(stub), AcDb::kForRead) != Acad::eOk)
        return false;
    AcGePoint3d lo, hi;
    const bool found = indexExtents(ent, lo, hi);
    ent->close();
    if (!found)
        return false;
    if (std::isnan(lo.x) || std::isnan(lo.y) || std::isnan(hi.x) || std::isnan(hi.y))
        return false;
    box = Box(Point(lo.x, lo.y), Point(hi.x, hi.y));
    return true;
}

}  // namespace

struct SpatialIndex::Blocks {
    std::unordered_map<const AcDbStub*, BlockIndex> byBlock;
};

SpatialIndex::SpatialIndex() : m_blocks(std::make_unique<Blocks>()) {}
SpatialIndex::~SpatialIndex() = default;

void SpatialIndex::markChanged(AcDbObject* object)
{
    if (AcDbEntity::cast(object) != nullptr) {
        // Until a block is first asked about, its build will measure everything.
        if (m_blocks->byBlock.empty())
            return;
        // An entity of a user block changes every reference that shows the block; an
        // attribute, the reference that owns it.
        AcDbStub* owner = AcDbSystemInternals::stubOf(object->ownerId());
        if (isUserBlock(blockRecord(owner))) {
            forgetAll();
            return;
        }
        const bool ownedByEntity = owner != nullptr && owner->object != nullptr && AcDbEntity::cast(owner->object);
        if (AcDbStub* stub = ownedByEntity ? owner : AcDbSystemInternals::stubOf(object))
            m_changed.push_back(stub);
        return;
    }
    // A style or layer may change how every entity draws, a user block's origin every
    // reference to it: measure all again.
    AcDbBlockTableRecord* block = AcDbBlockTableRecord::cast(object);
    if ((AcDbSymbolTableRecord::cast(object) != nullptr && block == nullptr) || isUserBlock(block))
        forgetAll();
}

void SpatialIndex::forgetAll()
{
    m_blocks->byBlock.clear();
    m_changed.clear();
}

void SpatialIndex::objectOpenedForWrite(AcDbObject* object) { markChanged(object); }
// A new style or layer changes no entity drawn so far.
void SpatialIndex::objectAppended(AcDbObject* object)
{
    if (AcDbEntity::cast(object) != nullptr)
        markChanged(object);
}
void SpatialIndex::objectErased(AcDbObject* object, bool) { markChanged(object); }

void SpatialIndex::objectRestored(AcDbObject* object)
{
    // A block's restored list of entities may hold them in another order.
    if (AcDbBlockTableRecord::cast(object) != nullptr && !isUserBlock(AcDbBlockTableRecord::cast(object))) {
        auto it = m_blocks->byBlock.find(AcDbSystemInternals::stubOf(object));
        if (it != m_blocks->byBlock.end())
            it->second.orderStale = true;
        return;
    }
    markChanged(object);
}

// Deleted entities may be anywhere: every block is measured again on its next question,
// and what the trees held is given back now.
void SpatialIndex::objectsDiscarded() { forgetAll(); }

namespace {

struct TreeChanges {
    std::vector<Value> removed, added;
};

// Updates a block's tree in place, or repacks it from its entries when much of the
// block changed.
void applyToTree(BlockIndex& index, const TreeChanges& changes)
{
    if (changes.removed.size() + changes.added.size() > index.entries.size() / kRepackDivisor) {
        std::vector<Value> all;
        all.reserve(index.entries.size());
        for (const auto& [stub, entry] : index.entries)
            if (entry.inTree)
                all.emplace_back(entry.box, stub);
        index.tree = Tree(all.begin(), all.end());
        return;
    }
    for (const Value& v : changes.removed)
        index.tree.remove(v);
    index.tree.insert(changes.added.begin(), changes.added.end());
}

// Measures the changed entities of indexed blocks again, each once, in the order they
// changed (so that appended ones take their places in turn); those still open for
// write wait for the next refresh.
void applyChanges(std::unordered_map<const AcDbStub*, BlockIndex>& blocks, std::vector<AcDbStub*>& changed)
{
    std::vector<AcDbStub*> waiting;
    std::unordered_set<const AcDbStub*> seen;
    std::unordered_map<BlockIndex*, TreeChanges> byIndex;
    for (AcDbStub* stub : changed) {
        AcDbObject* obj = stub->object;
        if (obj == nullptr || !seen.insert(stub).second)
            continue;
        if (AcDbSystemInternals::writeOpen(obj)) {
            waiting.push_back(stub);
            continue;
        }
        auto block = blocks.find(AcDbSystemInternals::stubOf(obj->ownerId()));
        if (block == blocks.end())
            continue;
        BlockIndex& index = block->second;
        auto [it, isNew] = index.entries.try_emplace(stub);
        Entry& entry = it->second;
        if (isNew)
            entry.order = index.nextOrder++;
        TreeChanges& changes = byIndex[&index];
        if (entry.inTree)
            changes.removed.emplace_back(entry.box, stub);
        entry.inTree = measure(stub, entry.box);
        if (entry.inTree)
            changes.added.emplace_back(entry.box, stub);
    }
    changed = std::move(waiting);
    for (const auto& [index, changes] : byIndex)
        applyToTree(*index, changes);
}

// The whole block measured, its tree packed at once.
void build(BlockIndex& index, AcDbBlockTableRecord* btr, std::vector<AcDbStub*>& changed)
{
    const std::vector<AcDbObjectId>& ids = AcDbSystemInternals::entityList(btr);
    std::vector<Value> values;
    values.reserve(ids.size());
    index.entries.reserve(ids.size());
    for (const AcDbObjectId& id : ids) {
        AcDbStub* stub = AcDbSystemInternals::stubOf(id);
        Entry& entry = index.entries[stub];
        entry.order = index.nextOrder++;
        if (stub->object != nullptr && AcDbSystemInternals::writeOpen(stub->object))
            changed.push_back(stub);
        else
            entry.inTree = measure(stub, entry.box);
        if (entry.inTree)
            values.emplace_back(entry.box, stub);
    }
    index.tree = Tree(values.begin(), values.end());
}

// Places from the block's list as it is now.
void renumber(BlockIndex& index, AcDbBlockTableRecord* btr)
{
    const std::vector<AcDbObjectId>& ids = AcDbSystemInternals::entityList(btr);
    index.nextOrder = std::max<std::uint64_t>(index.nextOrder, ids.size());
    std::uint64_t order = 0;
    for (const AcDbObjectId& id : ids) {
        auto it = index.entries.find(AcDbSystemInternals::stubOf(id));
        if (it != index.entries.end())
            it->second.order = order;
        ++order;
    }
    index.orderStale = false;
}

struct Placed {
    std::uint64_t order;
    Value value;
    bool operator<(const Placed& other) const { return order < other.order; }
};

// The block's index, brought up to date (built when first asked); null when the id is
// no block.
BlockIndex* readyIndex(std::unordered_map<const AcDbStub*, BlockIndex>& blocks, std::vector<AcDbStub*>& changed,
                       AcDbObjectId block)
{
    const AcDbStub* blockStub = AcDbSystemInternals::stubOf(block);
    AcDbBlockTableRecord* btr = blockRecord(blockStub);
    if (btr == nullptr)
        return nullptr;
    auto [it, isNew] = blocks.try_emplace(blockStub);
    BlockIndex& index = it->second;
    if (isNew)
        build(index, btr, changed);
    if (index.orderStale)
        renumber(index, btr);
    return &index;
}

// The live entities of the index meeting lo-hi with their boxes, in drawing order.
std::vector<Placed> placedMeeting(BlockIndex* index, const AcGePoint3d& lo, const AcGePoint3d& hi)
{
    if (index == nullptr)
        return {};
    std::vector<Value> hits;
    const Box query(Point(std::min(lo.x, hi.x), std::min(lo.y, hi.y)),
                    Point(std::max(lo.x, hi.x), std::max(lo.y, hi.y)));
    index->tree.query(bgi::intersects(query), std::back_inserter(hits));
    std::vector<Placed> placed;
    placed.reserve(hits.size());
    for (const Value& v : hits)
        if (v.second->object != nullptr && !v.second->erased)
            placed.push_back({index->entries.at(v.second).order, v});
    std::sort(placed.begin(), placed.end());
    return placed;
}

AcGePoint3d corner(const Point& p) { return AcGePoint3d(p.get<0>(), p.get<1>(), 0.0); }

}  // namespace

void SpatialIndex::refresh() { applyChanges(m_blocks->byBlock, m_changed); }

std::vector<AcDbObjectId> SpatialIndex::entitiesMeeting(AcDbObjectId block, const AcGePoint3d& lo,
                                                        const AcGePoint3d& hi)
{
    refresh();
    const std::vector<Placed> placed = placedMeeting(readyIndex(m_blocks->byBlock, m_changed, block), lo, hi);
    std::vector<AcDbObjectId> out;
    out.reserve(placed.size());
    for (const Placed& p : placed)
        out.emplace_back(p.value.second);
    return out;
}

std::vector<vemhost::EntityBox> SpatialIndex::boxesMeeting(AcDbObjectId block, const AcGePoint3d& lo,
                                                           const AcGePoint3d& hi)
{
    refresh();
    const std::vector<Placed> placed = placedMeeting(readyIndex(m_blocks->byBlock, m_changed, block), lo, hi);
    std::vector<vemhost::EntityBox> out;
    out.reserve(placed.size());
    for (const Placed& p : placed) {
        out.push_back({AcDbObjectId(p.value.second), corner(p.value.first.min_corner()),
                       corner(p.value.first.max_corner())});
    }
    return out;
}

bool SpatialIndex::bounds(AcDbObjectId block, AcGePoint3d& lo, AcGePoint3d& hi)
{
    refresh();
    BlockIndex* index = readyIndex(m_blocks->byBlock, m_changed, block);
    if (index == nullptr || index->tree.empty())
        return false;
    const Box b = index->tree.bounds();
    lo = corner(b.min_corner());
    hi = corner(b.max_corner());
    return true;
}

std::vector<AcDbObjectId> currentSpaceEntitiesNear(AcDbDatabase* db, const AcGePoint3d& lo, const AcGePoint3d& hi)
{
    AcDbDatabase::Impl* impl = AcDbSystemInternals::impl(db);
    if (!g_useIndex || impl == nullptr || impl->spatial == nullptr)
        return currentSpaceEntities(db);
    return impl->spatial->entitiesMeeting(db->currentSpaceId(), lo, hi);
}

void useSpatialIndex(bool on) { g_useIndex = on; }
bool spatialIndexInUse() { return g_useIndex; }

}  // namespace acrt
