// Undo and redo of whole commands: the first change of each object inside a command
// records its filed state; undoing restores those states, removes what the command
// appended and un-erases what it erased.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "db_internals.h"

namespace vemcad {

class UndoManager : public acrt::DatabaseObserver {
public:
    explicit UndoManager(AcDbDatabase* db);
    ~UndoManager() override;
    UndoManager(const UndoManager&) = delete;
    UndoManager& operator=(const UndoManager&) = delete;

    // Brackets one command; a command that changed nothing leaves no step.
    void beginCommand(const std::wstring& name);
    void endCommand();
    bool inCommand() const { return m_current != nullptr; }

    // Undoes the last step; returns its command name, or empty when there is none.
    std::wstring undo();
    std::wstring redo();
    size_t stepCount() const { return m_steps.size(); }

    // The drawing as it stands is the saved one; it is changed since then while the last
    // step done is not the one done when it was saved (undoing back to it is unchanged).
    void markSaved() { m_savedStep = lastStepSerial(); }
    bool changedSinceSave() const { return lastStepSerial() != m_savedStep; }

    // A point in the current command to take its changes back to: rollBackTo restores
    // every object first changed after the mark and forgets those changes, so that the
    // command can ask again. An object changed both before and after the mark keeps its
    // later state: callers mark before changing objects they have not changed yet.
    size_t mark() const { return m_current ? m_current->changes.size() : 0; }
    void rollBackTo(size_t mark);

    void objectOpenedForWrite(AcDbObject* object) override;
    void objectAppended(AcDbObject* object) override;
    void objectErased(AcDbObject* object, bool erasing) override;

private:
    // One object's part in a step: its state before and (once undone) after.
    struct Change {
        AcDbObjectId id;
        bool appended = false;
        bool erasedBefore = false;
        std::vector<unsigned char> before;
        bool erasedAfter = false;
        std::vector<unsigned char> after;
    };
    // Changes live in a deque: a step of 100,000 objects grows without moving them.
    struct Step {
        std::wstring name;
        unsigned long serial = 0;  // unique in the manager's life, so a step is known again
        std::deque<Change> changes;
    };

    Change* changeFor(AcDbObject* object);
    // Clears the recorded mark of every object of the current step, so that the next
    // step records them again.
    void unmarkCurrent();
    void restore(const Change& change, bool forward);
    static bool keepsStateWhileUndone(const Change& change);
    unsigned long lastStepSerial() const { return m_steps.empty() ? 0 : m_steps.back()->serial; }

    AcDbDatabase* m_db;
    std::vector<std::unique_ptr<Step>> m_steps;
    std::vector<std::unique_ptr<Step>> m_redo;
    std::unique_ptr<Step> m_current;
    bool m_restoring = false;
    unsigned long m_nextSerial = 1;
    unsigned long m_savedStep = 0;  // 0: the drawing as it was before any step
};

}  // namespace vemcad
