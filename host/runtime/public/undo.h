// Commands and their undo, as the host keeps them for each drawing: every change a
// command makes to a database's objects is recorded, and a finished command is one undo
// step of that database. The program and its front ends drive commands and undo through
// this header alone; recording and restoring are the runtime's own business.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "dbmain.h"

namespace vemhost {

// One object's part in an undo step, as filed records (the object's dwgOutFields through
// an undo filer). The program only reads it: a journal writes it out as it stands.
struct UndoRecord {
    AcDbObjectId id;      // id.handle() names the object in a file
    bool appended = false;  // the command made the object
    // Before the command: erased (always so for an object the command made) and the
    // filed state, empty for an object the command made.
    bool erasedBefore = false;
    std::vector<unsigned char> before;
    // After the command, filed when the step is undone (redo brings it back); until then
    // the object itself holds that state. Stays empty for an object the command made
    // and did not change afterwards: undone, it waits erased just as the command left it.
    bool erasedAfter = false;
    std::vector<unsigned char> after;
};

// A point within the open command to take its changes back to (UndoHistory::mark).
struct UndoMark {
    unsigned long command = 0;  // the command it was taken in; 0 outside any
    std::size_t records = 0;    // how many records the command had then
};

// The commands and undo steps of one database. The database owns it: it is made with
// the database and ends with it, open command, steps and all.
class ACRT_PORT UndoHistory {
public:
    virtual ~UndoHistory();

    // ---- commands ----
    // Starts a command: every change to the database's objects until it ends belongs to
    // it. A command still open is ended first.
    virtual void beginCommand(const std::wstring& name) = 0;
    // Ends the open command. One that changed something becomes the latest undo step
    // and drops whatever could be redone; one that changed nothing leaves no step.
    virtual void endCommand() = 0;
    // Ends the open command and takes back all it changed (appended objects erased,
    // erased ones back, changed ones restored): no step, and what could be redone stays.
    virtual void cancelCommand() = 0;
    virtual bool inCommand() const = 0;

    // ---- marks within a command ----
    virtual UndoMark mark() const = 0;
    // Restores every object first changed after the mark and forgets those changes, so
    // that the command can go on (or ask again) as if they had not been made. An object
    // changed both before and after the mark keeps its later state: take the mark
    // before changing objects the command has not changed yet. A mark of another
    // command is a fault; outside a command there is nothing to roll back.
    virtual void rollBackTo(const UndoMark& mark) = 0;

    // ---- undo and redo ----
    // Undoes up to count steps, latest first, and returns their names in that order;
    // fewer when the history runs out. An open command is ended first.
    virtual std::vector<std::wstring> undo(std::size_t count = 1) = 0;
    // Redoes up to count undone steps, the last undone first.
    virtual std::vector<std::wstring> redo(std::size_t count = 1) = 0;
    virtual std::size_t stepCount() const = 0;
    virtual std::size_t redoCount() const = 0;

    // ---- the saved drawing ----
    // The drawing as it stands is the saved one. It is changed since while the last
    // step done is not the one done at the save: undoing back to it is unchanged.
    virtual void markSaved() = 0;
    virtual bool changedSinceSave() const = 0;

    // ---- reading the steps (a journal, a history view) ----
    // Steps that can be undone, oldest first: step 0 .. stepCount() - 1, the latest
    // finished command last. The records of a step are in the order of the changes.
    virtual const std::wstring& stepName(std::size_t step) const = 0;
    virtual std::size_t recordCount(std::size_t step) const = 0;
    virtual const UndoRecord& record(std::size_t step, std::size_t index) const = 0;

protected:
    UndoHistory() = default;
    UndoHistory(const UndoHistory&) = delete;
    UndoHistory& operator=(const UndoHistory&) = delete;
};

// The history of db; null for a null database.
ACRT_PORT UndoHistory* undoHistory(AcDbDatabase* db);

// Runs body as one command named name in the working database: it begins before and
// ends after, even when body throws. Inside a command already open there, body is part
// of that one. A body that replaces the drawing (the old database is gone) leaves the
// new one with no command open. vemhost::runCommand runs registered commands this way.
ACRT_PORT void runAsCommand(const std::wstring& name, const std::function<void()>& body);

}  // namespace vemhost
