// Undo steps recorded through the database's change notifications, and the commands
// that bracket them.
#include "undo_recorder.h"

#include <algorithm>

#include "acrt_assert.h"
#include "dbsymtb.h"

namespace vemhost {
UndoHistory::~UndoHistory() = default;
}  // namespace vemhost

namespace acrt {

using vemhost::UndoRecord;

UndoRecorder::~UndoRecorder() = default;

// ---- commands ----------------------------------------------------------------------

void UndoRecorder::beginCommand(const std::wstring& name)
{
    endCommand();
    m_current = std::make_unique<Step>();
    m_current->name = name;
    m_current->serial = m_nextSerial++;
}

void UndoRecorder::unmarkCurrent()
{
    if (m_current == nullptr)
        return;
    for (const UndoRecord& record : m_current->records)
        if (AcDbObject* object = AcDbSystemInternals::peek(record.id))
            AcDbSystemInternals::setUndoRecorded(object, false);
}

void UndoRecorder::endCommand()
{
    if (m_current == nullptr)
        return;
    unmarkCurrent();
    if (!m_current->records.empty()) {
        m_steps.push_back(std::move(m_current));
        m_redo.clear();
    }
    m_current.reset();
}

void UndoRecorder::cancelCommand()
{
    if (m_current == nullptr)
        return;
    rollBackTo({m_current->serial, 0});
    endCommand();
}

// Memory may have run out: the objects the command made are deleted first, before
// anything is allocated, and the bookkeeping follows with the memory they gave back.
void UndoRecorder::abandonCommand()
{
    if (m_current == nullptr)
        return;
    std::vector<AcDbBlockTableRecord*> owners;
    owners.reserve(4);
    for (const vemhost::UndoRecord& record : m_current->records) {
        AcDbStub* stub = AcDbSystemInternals::stubOf(record.id);
        if (!record.appended || stub == nullptr || stub->object == nullptr)
            continue;
        auto* owner = AcDbBlockTableRecord::cast(AcDbSystemInternals::peek(stub->object->ownerId()));
        if (owner != nullptr && std::find(owners.begin(), owners.end(), owner) == owners.end() &&
            owners.size() < owners.capacity())
            owners.push_back(owner);
        AcDbObject* object = stub->object;
        stub->object = nullptr;
        stub->erased = true;
        AcDbSystemInternals::setStub(object, nullptr);  // no longer resident: deleted as the database would
        delete object;
    }
    if (!owners.empty()) {
        if (DatabaseObserver* observer = databaseObserver(owners.front()->database()))
            observer->objectsDiscarded();
    }
    // Their ids stay valid and open as erased, as those of any object deleted; the
    // lists of their owners (a block's entities) lose them.
    for (AcDbBlockTableRecord* owner : owners) {
        std::vector<AcDbObjectId>& list = AcDbSystemInternals::entityList(owner);
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [](const AcDbObjectId& id) { return AcDbSystemInternals::stubOf(id)->object == nullptr; }),
                   list.end());
    }
    cancelCommand();
}

// ---- recording ---------------------------------------------------------------------

UndoRecord* UndoRecorder::recordFor(AcDbObject* object)
{
    if (m_current == nullptr || m_restoring)
        return nullptr;
    // Only the first change of an object within a command is recorded; the object
    // carries the mark, so recording stays constant-time on drawings of any size.
    if (AcDbSystemInternals::stubOf(object) == nullptr || AcDbSystemInternals::undoRecorded(object))
        return nullptr;
    AcDbSystemInternals::setUndoRecorded(object, true);
    m_current->records.emplace_back();
    UndoRecord& record = m_current->records.back();
    record.id = object->objectId();
    record.erasedBefore = object->isErased();
    return &record;
}

void UndoRecorder::objectOpenedForWrite(AcDbObject* object)
{
    if (UndoRecord* record = recordFor(object))
        record->before = AcDbSystemInternals::filedStateOf(object);
}

void UndoRecorder::objectAppended(AcDbObject* object)
{
    if (UndoRecord* record = recordFor(object)) {
        record->appended = true;
        record->erasedBefore = true;  // before the command it did not exist
    }
}

void UndoRecorder::objectErased(AcDbObject* object, bool erasing)
{
    // Erasing needs a write open, which has recorded the object already.
    if (UndoRecord* record = recordFor(object)) {
        record->before = AcDbSystemInternals::filedStateOf(object);
        record->erasedBefore = !erasing;
    }
}

// ---- restoring ---------------------------------------------------------------------

namespace {
// An object the step appended is only erased by undoing the step, and nothing can
// change it until the step is redone (any command that touched it would make a step of
// its own and drop the redo history), so redo finds it as it was: its state after the
// step need not be filed.
bool keepsStateWhileUndone(const UndoRecord& record) { return record.appended && record.before.empty(); }
}  // namespace

// Brings one object to its state before the step (forward = false) or after it.
void UndoRecorder::restore(const UndoRecord& record, bool forward)
{
    AcDbObject* object = AcDbSystemInternals::peek(record.id);
    AcDbStub* stub = AcDbSystemInternals::stubOf(record.id);
    if (object == nullptr || stub == nullptr)
        return;
    const std::vector<unsigned char>& bytes = forward ? record.after : record.before;
    if (!bytes.empty())
        AcDbSystemInternals::restoreFiledState(object, bytes);
    stub->erased = forward ? record.erasedAfter : record.erasedBefore;
    if (DatabaseObserver* observer = databaseObserver(stub->database))
        observer->objectRestored(object);
}

vemhost::UndoMark UndoRecorder::mark() const
{
    if (m_current == nullptr)
        return {};
    return {m_current->serial, m_current->records.size()};
}

void UndoRecorder::rollBackTo(const vemhost::UndoMark& mark)
{
    if (m_current == nullptr)
        return;
    ACRT_ASSERT(mark.command == m_current->serial, "undo mark of another command");
    std::deque<UndoRecord>& records = m_current->records;
    m_restoring = true;
    while (records.size() > mark.records) {
        const UndoRecord& record = records.back();
        restore(record, false);
        if (AcDbObject* object = AcDbSystemInternals::peek(record.id))
            AcDbSystemInternals::setUndoRecorded(object, false);
        records.pop_back();
    }
    m_restoring = false;
}

bool UndoRecorder::undoLatest(std::vector<std::wstring>& names)
{
    if (m_steps.empty())
        return false;
    std::unique_ptr<Step> step = std::move(m_steps.back());
    m_steps.pop_back();
    m_restoring = true;
    for (auto it = step->records.rbegin(); it != step->records.rend(); ++it) {
        AcDbObject* object = AcDbSystemInternals::peek(it->id);
        it->erasedAfter = it->id.isErased();
        if (object != nullptr && !keepsStateWhileUndone(*it))
            it->after = AcDbSystemInternals::filedStateOf(object);
        restore(*it, false);
    }
    m_restoring = false;
    names.push_back(step->name);
    m_redo.push_back(std::move(step));
    return true;
}

bool UndoRecorder::redoLatest(std::vector<std::wstring>& names)
{
    if (m_redo.empty())
        return false;
    std::unique_ptr<Step> step = std::move(m_redo.back());
    m_redo.pop_back();
    m_restoring = true;
    for (const UndoRecord& record : step->records)
        restore(record, true);
    m_restoring = false;
    names.push_back(step->name);
    m_steps.push_back(std::move(step));
    return true;
}

std::vector<std::wstring> UndoRecorder::undo(std::size_t count)
{
    endCommand();
    std::vector<std::wstring> names;
    while (names.size() < count && undoLatest(names)) {
    }
    return names;
}

std::vector<std::wstring> UndoRecorder::redo(std::size_t count)
{
    endCommand();
    std::vector<std::wstring> names;
    while (names.size() < count && redoLatest(names)) {
    }
    return names;
}

// ---- reading the steps -------------------------------------------------------------

const UndoRecorder::Step& UndoRecorder::stepAt(std::size_t step) const
{
    ACRT_ASSERT(step < m_steps.size(), "no undo step of that number");
    return *m_steps[step];
}

const std::wstring& UndoRecorder::stepName(std::size_t step) const { return stepAt(step).name; }
std::size_t UndoRecorder::recordCount(std::size_t step) const { return stepAt(step).records.size(); }

const UndoRecord& UndoRecorder::record(std::size_t step, std::size_t index) const
{
    const Step& s = stepAt(step);
    ACRT_ASSERT(index < s.records.size(), "no undo record of that number");
    return s.records[index];
}

}  // namespace acrt
