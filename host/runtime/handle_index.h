// The object table's index from handle to stub. Handles are handed out in sequence, so
// nearly all of them live in a table indexed by the handle itself: a lookup is one array
// read and a new object costs no allocation of its own. A handle far beyond those in use
// (a drawing file may name any) goes to a map instead, so the table stays within a
// small multiple of the objects it holds.
#pragma once

#include <cstddef>
#include <unordered_map>
#include <vector>

#include "adesk.h"

class AcDbStub;

namespace acrt {

class HandleIndex {
public:
    // The stub of a handle, or null.
    AcDbStub* find(Adesk::UInt64 handle) const
    {
        if (handle < m_table.size() && m_table[handle] != nullptr)
            return m_table[handle];
        // A far handle stays in the map when the table later grows past it.
        if (m_far.empty())
            return nullptr;
        auto it = m_far.find(handle);
        return it == m_far.end() ? nullptr : it->second;
    }

    // Records a handle not in the index yet.
    void insert(Adesk::UInt64 handle, AcDbStub* stub)
    {
        ++m_size;
        if (handle >= m_table.size() && handle < tableLimit())
            m_table.resize(handle + 1, nullptr);
        if (handle < m_table.size())
            m_table[handle] = stub;
        else
            m_far[handle] = stub;
    }

private:
    // The table may reach twice the handles recorded, plus a start: the gaps between
    // the handles of a drawing are kept, a stray huge handle is not.
    Adesk::UInt64 tableLimit() const { return 2 * Adesk::UInt64(m_size) + kStartSize; }

    static constexpr Adesk::UInt64 kStartSize = 4096;
    std::vector<AcDbStub*> m_table;
    std::unordered_map<Adesk::UInt64, AcDbStub*> m_far;
    std::size_t m_size = 0;
};

}  // namespace acrt
