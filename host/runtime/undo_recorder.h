// Private to the runtime: the undo history of one database, recorded from the
// database's change notifications. The first change of each object inside a command
// files its state; undoing restores those states, erases what the command appended and
// un-erases what it erased.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "db_internals.h"
#include "undo.h"

namespace acrt {

class UndoRecorder final : public vemhost::UndoHistory, public DatabaseObserver {
public:
    UndoRecorder() = default;
    // Dies with its database, whose objects go too: nothing to unmark.
    ~UndoRecorder() override;

    void beginCommand(const std::wstring& name) override;
    void endCommand() override;
    void cancelCommand() override;
    // Cancels the open command and deletes the objects it made, so that a command that
    // ran out of memory gives its memory back. No step is left to redo them.
    void abandonCommand();
    bool inCommand() const override { return m_current != nullptr; }

    vemhost::UndoMark mark() const override;
    void rollBackTo(const vemhost::UndoMark& mark) override;

    std::vector<std::wstring> undo(std::size_t count) override;
    std::vector<std::wstring> redo(std::size_t count) override;
    std::size_t stepCount() const override { return m_steps.size(); }
    std::size_t redoCount() const override { return m_redo.size(); }

    void markSaved() override { m_savedStep = lastStepSerial(); }
    bool changedSinceSave() const override { return lastStepSerial() != m_savedStep; }

    const std::wstring& stepName(std::size_t step) const override;
    std::size_t recordCount(std::size_t step) const override;
    const vemhost::UndoRecord& record(std::size_t step, std::size_t index) const override;

    void objectOpenedForWrite(AcDbObject* object) override;
    void objectAppended(AcDbObject* object) override;
    void objectErased(AcDbObject* object, bool erasing) override;

private:
    // Records live in a deque: a step of 100,000 objects grows without moving them.
    struct Step {
        std::wstring name;
        unsigned long serial = 0;  // unique in the history's life, so a step is known again
        std::deque<vemhost::UndoRecord> records;
    };

    vemhost::UndoRecord* recordFor(AcDbObject* object);
    // Clears the recorded mark of every object of the open command, so that the next
    // command records them again.
    void unmarkCurrent();
    void restore(const vemhost::UndoRecord& record, bool forward);
    bool undoLatest(std::vector<std::wstring>& names);
    bool redoLatest(std::vector<std::wstring>& names);
    const Step& stepAt(std::size_t step) const;
    unsigned long lastStepSerial() const { return m_steps.empty() ? 0 : m_steps.back()->serial; }

    std::vector<std::unique_ptr<Step>> m_steps;
    std::vector<std::unique_ptr<Step>> m_redo;
    std::unique_ptr<Step> m_current;
    bool m_restoring = false;
    unsigned long m_nextSerial = 1;
    unsigned long m_savedStep = 0;  // 0: the drawing as it was before any step
};

}  // namespace acrt
