// The check a host edit makes before its change may stand: every number an entity keeps
// and every coordinate it shows is finite, so no answer leaves infinities or NaNs behind.
#pragma once

#include <memory>

#include "dbmain.h"
#include "vemhost.h"

namespace vemcad {

// Reusable over many entities, so that checking a large selection allocates little.
class FiniteCheck {
public:
    FiniteCheck();
    ~FiniteCheck();
    FiniteCheck(const FiniteCheck&) = delete;
    FiniteCheck& operator=(const FiniteCheck&) = delete;

    // True when the entity's filed record and the geometry it draws hold only finite
    // numbers, and no text that a module's entity computes shows "inf" or "nan".
    bool holds(AcDbEntity* ent);

private:
    class RecordFiler;
    bool drawsFinite(AcDbEntity* ent);

    std::unique_ptr<RecordFiler> m_filer;
    vemhost::PrimitiveCollector m_collector;
};

// What an edit refused for a result that is not finite says.
extern const wchar_t* const kNotFiniteMessage;

}  // namespace vemcad
