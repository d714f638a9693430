// Undo steps recorded through the database's change notifications.
#include "undo_manager.h"

#include "vemhost.h"

namespace vemcad {

UndoManager::UndoManager(AcDbDatabase* db) : m_db(db) { acrt::setDatabaseObserver(db, this); }

// The database outlives its undo manager (the session resets it first).
UndoManager::~UndoManager()
{
    unmarkCurrent();
    if (acrt::databaseObserver(m_db) == this)
        acrt::setDatabaseObserver(m_db, nullptr);
}

void UndoManager::beginCommand(const std::wstring& name)
{
    unmarkCurrent();
    m_current = std::make_unique<Step>();
    m_current->name = name;
    m_current->serial = m_nextSerial++;
}

void UndoManager::unmarkCurrent()
{
    if (m_current == nullptr)
        return;
    for (const Change& change : m_current->changes)
        if (AcDbObject* object = AcDbSystemInternals::peek(change.id))
            AcDbSystemInternals::setUndoRecorded(object, false);
}

void UndoManager::endCommand()
{
    if (m_current == nullptr)
        return;
    unmarkCurrent();
    if (!m_current->changes.empty()) {
        m_steps.push_back(std::move(m_current));
        m_redo.clear();
    }
    m_current.reset();
}

UndoManager::Change* UndoManager::changeFor(AcDbObject* object)
{
    if (m_current == nullptr || m_restoring)
        return nullptr;
    // Only the first change of an object within a step is recorded; the object carries
    // the mark, so recording stays constant-time on drawings of any size.
    if (AcDbSystemInternals::stubOf(object) == nullptr || AcDbSystemInternals::undoRecorded(object))
        return nullptr;
    AcDbSystemInternals::setUndoRecorded(object, true);
    m_current->changes.emplace_back();
    Change& change = m_current->changes.back();
    change.id = object->objectId();
    change.erasedBefore = object->isErased();
    return &change;
}

void UndoManager::objectOpenedForWrite(AcDbObject* object)
{
    if (Change* change = changeFor(object))
        change->before = AcDbSystemInternals::filedStateOf(object);
}

void UndoManager::objectAppended(AcDbObject* object)
{
    if (Change* change = changeFor(object)) {
        change->appended = true;
        change->erasedBefore = true;  // before the command it did not exist
    }
}

void UndoManager::objectErased(AcDbObject* object, bool erasing)
{
    // Erasing needs a write open, which has recorded the object already.
    if (Change* change = changeFor(object)) {
        change->before = AcDbSystemInternals::filedStateOf(object);
        change->erasedBefore = !erasing;
    }
}

// An object the step appended is only erased by undoing the step, and nothing can
// change it until the step is redone (any command that touched it would make a step of
// its own and drop the redo history), so redo finds it as it was: its state after the
// step need not be filed.
bool UndoManager::keepsStateWhileUndone(const Change& change) { return change.appended && change.before.empty(); }

// Brings one object to its state before the step (forward = false) or after it.
void UndoManager::restore(const Change& change, bool forward)
{
    AcDbObject* object = AcDbSystemInternals::peek(change.id);
    AcDbStub* stub = AcDbSystemInternals::stubOf(change.id);
    if (object == nullptr || stub == nullptr)
        return;
    const std::vector<unsigned char>& bytes = forward ? change.after : change.before;
    if (!bytes.empty())
        AcDbSystemInternals::restoreFiledState(object, bytes);
    stub->erased = forward ? change.erasedAfter : change.erasedBefore;
}

void UndoManager::rollBackTo(size_t mark)
{
    if (m_current == nullptr)
        return;
    std::deque<Change>& changes = m_current->changes;
    m_restoring = true;
    while (changes.size() > mark) {
        const Change& change = changes.back();
        restore(change, false);
        if (AcDbObject* object = AcDbSystemInternals::peek(change.id))
            AcDbSystemInternals::setUndoRecorded(object, false);
        changes.pop_back();
    }
    m_restoring = false;
}

std::wstring UndoManager::undo()
{
    if (m_steps.empty())
        return L"";
    std::unique_ptr<Step> step = std::move(m_steps.back());
    m_steps.pop_back();
    m_restoring = true;
    for (auto it = step->changes.rbegin(); it != step->changes.rend(); ++it) {
        AcDbObject* object = AcDbSystemInternals::peek(it->id);
        it->erasedAfter = it->id.isErased();
        if (object != nullptr && !keepsStateWhileUndone(*it))
            it->after = AcDbSystemInternals::filedStateOf(object);
        restore(*it, false);
    }
    m_restoring = false;
    std::wstring name = step->name;
    m_redo.push_back(std::move(step));
    return name;
}

std::wstring UndoManager::redo()
{
    if (m_redo.empty())
        return L"";
    std::unique_ptr<Step> step = std::move(m_redo.back());
    m_redo.pop_back();
    m_restoring = true;
    for (const Change& change : step->changes)
        restore(change, true);
    m_restoring = false;
    std::wstring name = step->name;
    m_steps.push_back(std::move(step));
    return name;
}

}  // namespace vemcad
