// A block's entities as its references reach them: the nesting guard, the record open
// while it is read, the check that keeps a block from showing itself, and the search
// for the references that show a block.
#include "block_contents.h"

#include <algorithm>
#include <unordered_set>

#include "block_attributes.h"
#include "dbents.h"

namespace acrt {

namespace {

// The blocks being reached into on this thread, outermost first, and the entities the
// outermost reference has reached so far.
struct NestingState {
    std::vector<const AcDbStub*> blocks;
    long entities = 0;
};

thread_local NestingState t_nesting;

AcDbBlockTableRecord* peekBlock(AcDbObjectId id)
{
    AcDbObject* obj = id.isNull() || id.isErased() ? nullptr : AcDbSystemInternals::peek(id);
    return obj != nullptr ? AcDbBlockTableRecord::cast(obj) : nullptr;
}

const AcDbBlockReference* peekReference(AcDbObjectId id)
{
    AcDbObject* obj = id.isErased() ? nullptr : AcDbSystemInternals::peek(id);
    return obj != nullptr ? AcDbBlockReference::cast(obj) : nullptr;
}

}  // namespace

BlockNesting::BlockNesting(AcDbObjectId block)
{
    std::vector<const AcDbStub*>& blocks = t_nesting.blocks;
    const AcDbStub* stub = AcDbSystemInternals::stubOf(block);
    if (stub == nullptr || blocks.size() >= size_t(kMaxBlockNesting) ||
        std::find(blocks.begin(), blocks.end(), stub) != blocks.end())
        return;
    if (blocks.empty())
        t_nesting.entities = 0;
    blocks.push_back(stub);
    m_entered = true;
}

BlockNesting::~BlockNesting()
{
    if (m_entered)
        t_nesting.blocks.pop_back();
}

bool BlockNesting::countEntity() { return ++t_nesting.entities <= kMaxNestedEntities; }

OpenedBlock::OpenedBlock(AcDbObjectId block)
{
    if (!block.isNull())
        acdbOpenObject(m_record, block, AcDb::kForRead);
}

OpenedBlock::~OpenedBlock()
{
    if (m_record != nullptr)
        m_record->close();
}

AcDbExtents shownContentsExtents(AcDbObjectId blockId)
{
    BlockNesting nesting(blockId);
    const OpenedBlock block(nesting.entered() ? blockId : AcDbObjectId());
    AcDbExtents inBlock;
    block.forEachEntity([&](const AcDbEntity& ent) {
        AcDbExtents one;
        if (!isHiddenInReferences(ent) && ent.getGeomExtents(one) == Acad::eOk && !one.isEmpty())
            inBlock.addExt(one);
        return true;
    });
    return inBlock;
}

bool wouldShowItself(AcDbObjectId block, AcDbObjectId container)
{
    if (block.isNull())
        return false;
    const AcDbBlockTableRecord* target = peekBlock(block);
    if (block == container || (target != nullptr && target->isLayout()))
        return true;
    const AcDbBlockTableRecord* outer = peekBlock(container);
    if (outer == nullptr || outer->isLayout())
        return false;  // nothing shows a layout, so no block reaches one
    std::unordered_set<const AcDbStub*> seen{AcDbSystemInternals::stubOf(block)};
    std::vector<const AcDbBlockTableRecord*> pending{target};
    while (!pending.empty()) {
        const AcDbBlockTableRecord* btr = pending.back();
        pending.pop_back();
        if (btr == nullptr)
            continue;
        for (const AcDbObjectId& id : btr->entityIds()) {
            const AcDbBlockReference* ref = peekReference(id);
            const AcDbObjectId inner = ref != nullptr ? AcDbSystemInternals::referencedBlock(ref) : AcDbObjectId();
            if (inner == container)
                return true;
            if (!inner.isNull() && seen.insert(AcDbSystemInternals::stubOf(inner)).second)
                pending.push_back(peekBlock(inner));
        }
    }
    return false;
}

// One pass over the database's objects finds every live reference; the blocks that show
// the block are then gathered level by level from them.
std::vector<AcDbObjectId> referencesTo(AcDbObjectId block, bool nested)
{
    struct Reference {
        AcDbObjectId id, shows, owner;
    };
    std::vector<AcDbObjectId> found;
    AcDbDatabase::Impl* impl = AcDbSystemInternals::impl(block.database());
    if (impl == nullptr)
        return found;
    std::vector<Reference> all;
    for (AcDbStub& stub : impl->stubs) {
        const AcDbBlockReference* ref = stub.object != nullptr && !stub.erased ? AcDbBlockReference::cast(stub.object)
                                                                               : nullptr;
        if (ref != nullptr)
            all.push_back({AcDbObjectId(&stub), AcDbSystemInternals::referencedBlock(ref), ref->ownerId()});
    }
    std::unordered_set<const AcDbStub*> shown{AcDbSystemInternals::stubOf(block)}, taken;
    for (bool grew = true; grew;) {
        grew = false;
        for (const Reference& r : all) {
            if (shown.count(AcDbSystemInternals::stubOf(r.shows)) == 0 ||
                !taken.insert(AcDbSystemInternals::stubOf(r.id)).second)
                continue;
            found.push_back(r.id);
            const AcDbBlockTableRecord* owner = peekBlock(r.owner);
            if (nested && owner != nullptr && !owner->isLayout() &&
                shown.insert(AcDbSystemInternals::stubOf(r.owner)).second)
                grew = true;
        }
    }
    return found;
}

}  // namespace acrt
