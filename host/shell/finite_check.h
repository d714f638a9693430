// The check a host edit makes before its change may stand: no number an entity keeps,
// no coordinate it draws and no coordinate its texts show may become infinite or NaN.
#pragma once

#include <memory>

#include "dbmain.h"

namespace vemcad {

// Counts what is not finite in an entity; reusable over many entities, so that checking
// a large selection allocates little. An edit compares the counts before and after it,
// so an entity that already held such a value (read from an old file) is not refused
// for it, while one the edit makes is.
class FiniteCheck {
public:
    FiniteCheck();
    ~FiniteCheck();
    FiniteCheck(const FiniteCheck&) = delete;
    FiniteCheck& operator=(const FiniteCheck&) = delete;

    // Values in the entity's filed record and coordinates it draws that are not finite,
    // plus the "inf" and "nan" words in the texts a module's entity computes.
    long count(AcDbEntity* ent);

private:
    class RecordFiler;
    class DrawProbe;
    std::unique_ptr<RecordFiler> m_filer;
    std::unique_ptr<DrawProbe> m_probe;
};

// What an edit refused for a result that is not finite says.
extern const wchar_t* const kNotFiniteMessage;

}  // namespace vemcad
