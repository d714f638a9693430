// Private to the runtime: a block's entities as its references reach them, through
// every level of nesting, with the guard that keeps a block from showing itself: one
// made so is refused, and one read so from a file is cut off where it repeats.
#pragma once

#include <vector>

#include "db_internals.h"
#include "dbsymtb.h"

namespace acrt {

// Levels of blocks within blocks a reference shows; deeper ones show nothing.
constexpr int kMaxBlockNesting = 32;
// Entities one outermost reference reaches through all its levels; more show nothing,
// so that blocks that each hold several references to the next cannot make a drawing
// that takes forever to show.
constexpr long kMaxNestedEntities = 4000000;

// Entered while a reference reaches into its block: refused (entered() false) for a
// block already being reached into on this thread, or too deep.
class BlockNesting {
public:
    explicit BlockNesting(AcDbObjectId block);
    ~BlockNesting();
    BlockNesting(const BlockNesting&) = delete;
    BlockNesting& operator=(const BlockNesting&) = delete;
    bool entered() const { return m_entered; }
    // Counts one entity reached; false once the outermost reference's budget is spent.
    static bool countEntity();

private:
    bool m_entered = false;
};

// A block record open for read while a reference reaches into it (nothing when the id
// names no block record that can be opened), with its live entities each opened for
// read in turn.
class OpenedBlock {
public:
    explicit OpenedBlock(AcDbObjectId block);
    ~OpenedBlock();
    OpenedBlock(const OpenedBlock&) = delete;
    OpenedBlock& operator=(const OpenedBlock&) = delete;
    const AcDbBlockTableRecord* get() const { return m_record; }

    // Calls each(const AcDbEntity&) for every live entity, in drawing order, until it
    // returns false or the nesting's budget is spent; false then.
    template <class Each>
    bool forEachEntity(Each each) const
    {
        if (m_record == nullptr)
            return true;
        const std::vector<AcDbObjectId>& ids = m_record->entityIds();
        for (size_t i = 0; i < ids.size(); ++i) {
            if (ids[i].isErased())
                continue;
            if (!BlockNesting::countEntity())
                return false;
            AcDbEntity* ent = nullptr;
            if (acdbOpenAcDbEntity(ent, ids[i], AcDb::kForRead) != Acad::eOk)
                continue;
            const bool goOn = each(static_cast<const AcDbEntity&>(*ent));
            ent->close();
            if (!goOn)
                return false;
        }
        return true;
    }

private:
    AcDbBlockTableRecord* m_record = nullptr;
};

// The box, in the block's own coordinates, of the extents of the block's entities a
// reference shows (attribute definitions left out); empty when none has extents or the
// block cannot be reached into here.
AcDbExtents shownContentsExtents(AcDbObjectId block);

// Whether a reference to block, placed in container, would have container show itself:
// block is container, or holds (at any level) a reference to it. A layout may be
// referenced by nothing, so a reference to one is refused too.
bool wouldShowItself(AcDbObjectId block, AcDbObjectId container);

// The live references whose block is block; with nested, also those showing it
// through other blocks, at every level.
std::vector<AcDbObjectId> referencesTo(AcDbObjectId block, bool nested);

}  // namespace acrt
