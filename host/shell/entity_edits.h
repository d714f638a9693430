// Changing selected entities as the host's editing commands do: each opened for write in
// turn, the locked ones counted, and every result checked to be finite, so that a change
// that would leave a number that is not stands nowhere.
#pragma once

#include <vector>

#include "dbmain.h"
#include "finite_check.h"
#include "gemat3d.h"
#include "undo.h"

namespace vemcad {

class Session;

// Opens each entity for write and applies fn; reports those on locked layers.
template <class Fn>
void editEach(const std::vector<AcDbObjectId>& ids, Fn fn);

// Applies fn to each entity opened for write and checks each result. When one holds a
// value that is not finite which it did not hold before, every change made here is
// taken back and the refusal is said: false then.
// fn returns false for an entity it could not change (counted and reported).
template <class Fn>
bool editEachFinite(Session& session, const std::vector<AcDbObjectId>& ids, Fn fn);

// transformBy on each entity, as editEachFinite.
bool transformEach(Session& session, const std::vector<AcDbObjectId>& ids, const AcGeMatrix3d& m);

// A transformed copy of each entity, added to the block that owns the original; when a
// copy holds more values that are not finite than its original, none of this call's
// copies stays and the refusal is said: false.
bool copyEach(Session& session, const std::vector<AcDbObjectId>& ids, const AcGeMatrix3d& m);

// ---- the templates ---------------------------------------------------------------------

// Opens entities one by one for write and calls fn(entity, index in ids); fn returns
// false to stop. Counts the locked ones and says how many there were.
class EntityWriter {
public:
    ~EntityWriter();
    template <class Fn>
    void each(const std::vector<AcDbObjectId>& ids, Fn fn)
    {
        for (size_t i = 0; i < ids.size(); ++i) {
            AcDbEntity* ent = open(ids[i]);
            if (ent == nullptr)
                continue;
            const bool goOn = fn(ent, i);
            ent->close();
            if (!goOn)
                return;
        }
    }

private:
    AcDbEntity* open(const AcDbObjectId& id);
    int m_locked = 0;
};

// One edit of many entities: counts those the edit could not change, and takes every
// change back once an entity holds more values that are not finite than before.
class FiniteEdit {
public:
    explicit FiniteEdit(Session& session);
    // Before the edit of an entity (open for write).
    void before(AcDbEntity* ent) { m_before = m_check.count(ent); }
    // After it: false (stop) when the edit made a value not finite; changed is false for
    // an entity the edit could not change.
    bool after(AcDbEntity* ent, bool changed);
    // Says what was refused and takes the changes back when a value was made not
    // finite; false then. Call once the entities are closed.
    bool finish();

private:
    Session& m_session;
    vemhost::UndoMark m_mark;
    int m_refused = 0;
    long m_before = 0;
    bool m_finite = true;
    FiniteCheck m_check;
};

template <class Fn>
void editEach(const std::vector<AcDbObjectId>& ids, Fn fn)
{
    EntityWriter().each(ids, [&](AcDbEntity* ent, size_t) {
        fn(ent);
        return true;
    });
}

template <class Fn>
bool editEachFinite(Session& session, const std::vector<AcDbObjectId>& ids, Fn fn)
{
    FiniteEdit edit(session);
    EntityWriter().each(ids, [&](AcDbEntity* ent, size_t) {
        edit.before(ent);
        return edit.after(ent, fn(ent));
    });
    return edit.finish();
}

}  // namespace vemcad
