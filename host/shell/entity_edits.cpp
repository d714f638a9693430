// The host editing commands' way of changing entities: write opens, locked layers
// reported, results checked to be finite and taken back whole when one is not.
#include "entity_edits.h"

#include <new>

#include <string>

#include "session.h"
#include "shell_input.h"

namespace vemcad {

EntityWriter::~EntityWriter()
{
    if (m_locked > 0)
        say(std::to_wstring(m_locked) + (m_locked == 1 ? L" was on a locked layer." : L" were on a locked layer."));
}

AcDbEntity* EntityWriter::open(const AcDbObjectId& id)
{
    AcDbEntity* ent = nullptr;
    Acad::ErrorStatus es = acdbOpenAcDbEntity(ent, id, AcDb::kForWrite);
    if (es == Acad::eOnLockedLayer)
        ++m_locked;
    return es == Acad::eOk ? ent : nullptr;
}

FiniteEdit::FiniteEdit(Session& session) : m_session(session), m_mark(session.undo().mark()) {}

bool FiniteEdit::after(AcDbEntity* ent, bool changed)
{
    if (!changed)
        ++m_refused;
    m_finite = m_check.count(ent) <= m_before;
    return m_finite;
}

bool FiniteEdit::finish()
{
    if (!m_finite) {
        m_session.undo().rollBackTo(m_mark);
        say(kNotFiniteMessage);
        return false;
    }
    if (m_refused > 0)
        say(std::to_wstring(m_refused) + L" could not be changed.");
    return true;
}

bool transformEach(Session& session, const std::vector<AcDbObjectId>& ids, const AcGeMatrix3d& m)
{
    return editEachFinite(session, ids, [&](AcDbEntity* ent) { return ent->transformBy(m) == Acad::eOk; });
}

namespace {

// A transformed copy of one entity, appended beside it and left open; null (with the
// reason said) when it cannot be made. original counts what the original holds that is
// not finite.
AcDbEntity* appendCopy(const AcDbObjectId& id, const AcGeMatrix3d& m, FiniteCheck& check, long& original)
{
    AcDbEntity* ent = nullptr;
    if (acdbOpenAcDbEntity(ent, id, AcDb::kForRead) != Acad::eOk)
        return nullptr;
    original = check.count(ent);
    AcDbObjectId owner = ent->ownerId();
    AcDbEntity* copy = AcDbEntity::cast(ent->clone());
    ent->close();
    if (copy == nullptr) {
        say(L"An object could not be copied.");
        return nullptr;
    }
    Acad::ErrorStatus es = copy->transformBy(m);
    if (es == Acad::eOk)
        es = appendToBlock(owner, copy);
    if (es != Acad::eOk) {
        delete copy;
        if (es == Acad::eOutOfMemory)
            throw std::bad_alloc();  // the command ends and is undone
        say(L"An object could not be copied.");
        return nullptr;
    }
    return copy;
}

}  // namespace

bool copyEach(Session& session, const std::vector<AcDbObjectId>& ids, const AcGeMatrix3d& m)
{
    const vemhost::UndoMark mark = session.undo().mark();
    FiniteCheck check;
    for (const AcDbObjectId& id : ids) {
        long original = 0;
        AcDbEntity* copy = appendCopy(id, m, check, original);
        if (copy == nullptr)
            continue;
        const bool finite = check.count(copy) <= original;
        copy->close();
        if (!finite) {
            session.undo().rollBackTo(mark);
            say(kNotFiniteMessage);
            return false;
        }
    }
    return true;
}

}  // namespace vemcad
