// A database's undo history: commands as steps, one object changed by several commands
// in a row, marks and cancelled commands, the saved state, the records a journal reads,
// and a history that ends with its database.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "accmd.h"
#include "acedads.h"
#include "dbapserv.h"
#include "dbents.h"
#include "dbsymtb.h"
#include "drawing_builder.h"
#include "host_fixture.h"
#include "undo.h"
#include "vemhost_program.h"
#include "vemhost_testing.h"

namespace {

AcDbObjectId appendLineTo(AcDbDatabase* db, const AcGePoint3d& start)
{
    const AcDbObjectId id =
        test_support::appendTo(db, ACDB_MODEL_SPACE, new AcDbLine(start, start + AcGeVector3d(10, 0, 0)));
    EXPECT_FALSE(id.isNull()) << "the line was not appended";
    return id;
}

// A registered command: one line in the working database, moved once.
void lineCommand()
{
    AcDbObjectId id = appendLineTo(acdbHostApplicationServices()->workingDatabase(), AcGePoint3d(1, 0, 0));
    AcDbLine* line = nullptr;
    if (acdbOpenObject(line, id, AcDb::kForWrite) == Acad::eOk) {
        line->setStartPoint(AcGePoint3d(0, 0, 0));
        line->close();
    }
}

class UndoHistory : public HostFixture {
protected:
    vemhost::UndoHistory& history() { return *vemhost::undoHistory(db()); }
    AcDbObjectId appendLine(const AcGePoint3d& start) { return appendLineTo(db(), start); }
    void moveStart(AcDbObjectId id, double x)
    {
        AcDbLine* line = nullptr;
        ASSERT_EQ(acdbOpenObject(line, id, AcDb::kForWrite), Acad::eOk);
        line->setStartPoint(AcGePoint3d(x, 0, 0));
        line->close();
    }
    void erase(AcDbObjectId id)
    {
        AcDbObject* obj = nullptr;
        ASSERT_EQ(acdbOpenAcDbObject(obj, id, AcDb::kForWrite), Acad::eOk);
        EXPECT_EQ(obj->erase(), Acad::eOk);
        obj->close();
    }
    double startX(AcDbObjectId id)
    {
        AcDbLine* line = nullptr;
        EXPECT_EQ(acdbOpenObject(line, id, AcDb::kForRead, true), Acad::eOk);
        double x = line ? line->startPoint().x : -1;
        if (line)
            line->close();
        return x;
    }
    std::wstring undoOne()
    {
        std::vector<std::wstring> names = history().undo(1);
        return names.empty() ? L"" : names.front();
    }
    std::wstring redoOne()
    {
        std::vector<std::wstring> names = history().redo(1);
        return names.empty() ? L"" : names.front();
    }
    // A command that moves the line's start to x.
    void grip(AcDbObjectId id, double x, const wchar_t* name = L"GRIP")
    {
        history().beginCommand(name);
        moveStart(id, x);
        history().endCommand();
    }
};

using Names = std::vector<std::wstring>;

}  // namespace

TEST_F(UndoHistory, EachCommandOnTheSameObjectIsItsOwnStep)
{
    vemhost::UndoHistory& undo = history();
    undo.beginCommand(L"LINE");
    AcDbObjectId id = appendLine(AcGePoint3d(1, 0, 0));
    moveStart(id, 2);  // changed again in the command that made it: still one change
    undo.endCommand();
    for (double x : {3.0, 4.0, 5.0}) {
        undo.beginCommand(L"GRIP");
        moveStart(id, x);
        moveStart(id, x + 0.5);
        undo.endCommand();
    }
    undo.beginCommand(L"LIST");  // changes nothing: no step
    startX(id);
    undo.endCommand();
    ASSERT_EQ(undo.stepCount(), 4u);

    EXPECT_EQ(startX(id), 5.5);
    EXPECT_EQ(undoOne(), L"GRIP");
    EXPECT_EQ(startX(id), 4.5);
    EXPECT_EQ(undoOne(), L"GRIP");
    EXPECT_EQ(startX(id), 3.5);
    EXPECT_EQ(redoOne(), L"GRIP");
    EXPECT_EQ(startX(id), 4.5);
    EXPECT_EQ(undoOne(), L"GRIP");
    EXPECT_EQ(undoOne(), L"GRIP");
    EXPECT_EQ(startX(id), 2.0);
    EXPECT_EQ(undoOne(), L"LINE");
    EXPECT_TRUE(id.isErased());
    EXPECT_EQ(redoOne(), L"LINE");
    EXPECT_FALSE(id.isErased());
    EXPECT_EQ(startX(id), 2.0);
}

TEST_F(UndoHistory, ACommandBegunWhileOneIsOpenEndsThatOneFirst)
{
    history().beginCommand(L"LINE");
    AcDbObjectId id = appendLine(AcGePoint3d(1, 0, 0));
    history().endCommand();
    history().beginCommand(L"MOVE");  // never ended by its caller
    moveStart(id, 7);
    history().beginCommand(L"STRETCH");
    moveStart(id, 8);  // recorded afresh: the open command's mark does not hide it
    history().endCommand();
    EXPECT_EQ(history().undo(3), (Names{L"STRETCH", L"MOVE", L"LINE"}));
    EXPECT_TRUE(id.isErased());
    EXPECT_EQ(history().redo(2), (Names{L"LINE", L"MOVE"}));
    EXPECT_EQ(startX(id), 7.0);
}

TEST_F(UndoHistory, UndoAndRedoOfSeveralStepsStopWhereTheHistoryEnds)
{
    history().beginCommand(L"LINE");
    AcDbObjectId id = appendLine(AcGePoint3d(1, 0, 0));
    history().endCommand();
    grip(id, 2, L"GRIP");
    grip(id, 3, L"MOVE");
    EXPECT_EQ(history().undo(2), (Names{L"MOVE", L"GRIP"}));
    EXPECT_EQ(startX(id), 1.0);
    EXPECT_EQ(history().stepCount(), 1u);
    EXPECT_EQ(history().redoCount(), 2u);
    EXPECT_EQ(history().undo(5), (Names{L"LINE"})) << "only what there is";
    EXPECT_TRUE(history().undo(1).empty());
    EXPECT_EQ(history().redo(9), (Names{L"LINE", L"GRIP", L"MOVE"}));
    EXPECT_EQ(startX(id), 3.0);
    EXPECT_TRUE(history().redo(1).empty());

    // Undo in the middle of a command ends it first: it is undone as a step of its own.
    history().beginCommand(L"SCALE");
    moveStart(id, 4);
    EXPECT_EQ(history().undo(1), (Names{L"SCALE"}));
    EXPECT_FALSE(history().inCommand());
    EXPECT_EQ(startX(id), 3.0);
}

TEST_F(UndoHistory, TheSavedStateIsKnownAgainByUndoAndLostByANewStep)
{
    vemhost::UndoHistory& undo = history();
    EXPECT_FALSE(undo.changedSinceSave()) << "a new drawing is as saved";
    undo.beginCommand(L"LINE");
    AcDbObjectId id = appendLine(AcGePoint3d(1, 0, 0));
    undo.endCommand();
    EXPECT_TRUE(undo.changedSinceSave());
    undo.markSaved();
    EXPECT_FALSE(undo.changedSinceSave());
    undo.beginCommand(L"LIST");  // no step: nothing changed
    startX(id);
    undo.endCommand();
    EXPECT_FALSE(undo.changedSinceSave());
    grip(id, 3);
    EXPECT_TRUE(undo.changedSinceSave());
    undoOne();
    EXPECT_FALSE(undo.changedSinceSave()) << "undone back to the save";
    undoOne();
    EXPECT_TRUE(undo.changedSinceSave()) << "undone past the save";
    redoOne();
    EXPECT_FALSE(undo.changedSinceSave());
    grip(id, 4);  // drops the redo of the step after the save
    undoOne();
    EXPECT_FALSE(undo.changedSinceSave());
    EXPECT_EQ(redoOne(), L"GRIP");
    EXPECT_TRUE(undo.changedSinceSave());
    undo.beginCommand(L"GRIP");  // cancelled: no step, still as it was
    moveStart(id, 9);
    undo.cancelCommand();
    EXPECT_TRUE(undo.changedSinceSave());
    undoOne();
    EXPECT_FALSE(undo.changedSinceSave());
}

TEST_F(UndoHistory, RollingBackToAMarkRestoresWhatChangedAfterItAndLeavesNoStep)
{
    vemhost::UndoHistory& undo = history();
    undo.beginCommand(L"LINE");
    AcDbObjectId first = appendLine(AcGePoint3d(1, 0, 0));
    undo.endCommand();
    undo.beginCommand(L"COPY");
    AcDbObjectId kept = appendLine(AcGePoint3d(2, 0, 0));
    const vemhost::UndoMark mark = undo.mark();
    moveStart(first, 9);
    AcDbObjectId dropped = appendLine(AcGePoint3d(3, 0, 0));
    undo.rollBackTo(mark);
    EXPECT_EQ(startX(first), 1.0);
    EXPECT_TRUE(dropped.isErased());
    EXPECT_FALSE(kept.isErased());
    moveStart(first, 5);  // recorded again after the roll-back
    undo.endCommand();
    EXPECT_EQ(undoOne(), L"COPY");
    EXPECT_EQ(startX(first), 1.0);
    EXPECT_TRUE(kept.isErased());

    undo.beginCommand(L"MOVE");
    const vemhost::UndoMark start = undo.mark();
    moveStart(first, 7);
    undo.rollBackTo(start);
    undo.endCommand();
    EXPECT_EQ(undo.stepCount(), 1u) << "a command rolled back whole leaves no step";
    EXPECT_EQ(startX(first), 1.0);

    // A mark is good only in the command it was taken in.
    undo.beginCommand(L"MIRROR");
    moveStart(first, 6);
    undo.endCommand();
    undo.beginCommand(L"MIRROR");
    moveStart(first, 8);
    EXPECT_THROW(undo.rollBackTo(start), vemhost::testing::AssertionFailure);
    EXPECT_EQ(startX(first), 8.0) << "a refused roll-back changes nothing";
    undo.endCommand();
    undo.rollBackTo(start);  // outside a command: nothing to take back
    EXPECT_EQ(startX(first), 8.0);
}

TEST_F(UndoHistory, CancelTakesBackTheWholeCommandAndKeepsWhatCanBeRedone)
{
    history().beginCommand(L"LINE");
    AcDbObjectId moved = appendLine(AcGePoint3d(1, 0, 0));
    AcDbObjectId erased = appendLine(AcGePoint3d(2, 0, 0));
    history().endCommand();
    grip(moved, 3);
    undoOne();
    ASSERT_EQ(history().redoCount(), 1u);

    history().beginCommand(L"XALL");
    moveStart(moved, 4);
    erase(erased);
    AcDbObjectId added = appendLine(AcGePoint3d(5, 0, 0));
    moveStart(added, 6);
    history().cancelCommand();
    EXPECT_FALSE(history().inCommand());
    EXPECT_EQ(startX(moved), 1.0);
    EXPECT_FALSE(erased.isErased());
    EXPECT_TRUE(added.isErased());
    EXPECT_EQ(history().stepCount(), 1u);
    EXPECT_EQ(redoOne(), L"GRIP") << "a cancelled command changed nothing, so redo still holds";
    EXPECT_EQ(startX(moved), 3.0);

    grip(moved, 5);  // the cancelled command's marks are gone: recorded as usual
    EXPECT_EQ(undoOne(), L"GRIP");
    EXPECT_EQ(startX(moved), 3.0);
    history().cancelCommand();  // none open: nothing happens
    EXPECT_EQ(history().stepCount(), 2u);
}

TEST_F(UndoHistory, StepsShowTheirRecordsAsAJournalWouldWriteThem)
{
    history().beginCommand(L"LINE");
    AcDbObjectId id = appendLine(AcGePoint3d(1, 0, 0));
    AcDbObjectId gone = appendLine(AcGePoint3d(2, 0, 0));
    history().endCommand();
    history().beginCommand(L"ERASE");
    moveStart(id, 4);
    erase(gone);
    history().endCommand();

    ASSERT_EQ(history().stepCount(), 2u);
    EXPECT_EQ(history().stepName(0), L"LINE");
    ASSERT_EQ(history().recordCount(0), 3u) << "the model space and the two lines";
    const vemhost::UndoRecord& made = history().record(0, 1);
    EXPECT_EQ(made.id, id);
    EXPECT_TRUE(made.appended);
    EXPECT_TRUE(made.erasedBefore);
    EXPECT_TRUE(made.before.empty());

    EXPECT_EQ(history().stepName(1), L"ERASE");
    ASSERT_EQ(history().recordCount(1), 2u);
    const vemhost::UndoRecord& moved = history().record(1, 0);
    EXPECT_EQ(moved.id.handle(), id.handle());
    EXPECT_FALSE(moved.appended);
    EXPECT_FALSE(moved.erasedBefore);
    EXPECT_FALSE(moved.before.empty());
    EXPECT_TRUE(moved.after.empty()) << "the line holds its state until undone";
    EXPECT_EQ(history().record(1, 1).id, gone);
    EXPECT_FALSE(history().record(1, 1).erasedBefore);
    EXPECT_THROW(history().record(1, 2), vemhost::testing::AssertionFailure);
    EXPECT_THROW(history().stepName(2), vemhost::testing::AssertionFailure);

    // Undone, the step keeps the states it took back, for redo.
    undoOne();
    redoOne();
    const vemhost::UndoRecord& redone = history().record(1, 0);
    EXPECT_FALSE(redone.after.empty());
    EXPECT_NE(redone.after, redone.before);
    EXPECT_TRUE(history().record(1, 1).erasedAfter);
    EXPECT_EQ(startX(id), 4.0);
}

TEST_F(UndoHistory, CommandsRunByTheRuntimeAreOneStepEachEvenWhenTheyThrowOrNest)
{
    ASSERT_EQ(acedRegCmds->addCommand(L"UNDO_TEST", L"TESTLINE", L"TESTLINE", ACRX_CMD_MODAL, lineCommand), Acad::eOk);
    EXPECT_TRUE(vemhost::runCommand(L"_testline"));
    acedRegCmds->removeGroup(L"UNDO_TEST");
    ASSERT_EQ(history().stepCount(), 1u);
    EXPECT_EQ(history().stepName(0), L"_TESTLINE") << "named as asked for";
    EXPECT_EQ(history().recordCount(0), 2u) << "the model space and the line, once";
    EXPECT_EQ(undoOne(), L"_TESTLINE");

    AcDbObjectId id;
    vemhost::runAsCommand(L"LINE", [&] {
        id = appendLine(AcGePoint3d(1, 0, 0));
        vemhost::runAsCommand(L"INNER", [&] { moveStart(id, 2); });
        EXPECT_TRUE(history().inCommand()) << "the inner command is part of the outer one";
    });
    EXPECT_FALSE(history().inCommand());
    ASSERT_EQ(history().stepCount(), 1u);
    EXPECT_EQ(history().stepName(0), L"LINE");
    EXPECT_EQ(history().redoCount(), 0u);

    EXPECT_THROW(vemhost::runAsCommand(L"GRIP",
                                       [&] {
                                           moveStart(id, 3);
                                           throw std::runtime_error("interrupted");
                                       }),
                 std::runtime_error);
    EXPECT_FALSE(history().inCommand());
    EXPECT_EQ(undoOne(), L"GRIP");
    EXPECT_EQ(startX(id), 2.0);
}

TEST_F(UndoHistory, EndsWithItsDatabaseEvenInTheMiddleOfACommand)
{
    // A command that replaces the drawing, as NEW and OPEN do: the history it began in
    // goes with the old database, and the new one has no command open.
    auto replaced = std::make_unique<AcDbDatabase>();
    auto replacement = std::make_unique<AcDbDatabase>();
    acdbHostApplicationServices()->setWorkingDatabase(replaced.get());
    vemhost::runAsCommand(L"NEW", [&] {
        appendLineTo(replaced.get(), AcGePoint3d(1, 0, 0));
        acdbHostApplicationServices()->setWorkingDatabase(replacement.get());
        replaced.reset();
    });
    EXPECT_FALSE(vemhost::undoHistory(replacement.get())->inCommand());
    EXPECT_EQ(vemhost::undoHistory(replacement.get())->stepCount(), 0u);
    acdbHostApplicationServices()->setWorkingDatabase(db());

    // Steps, undone steps and an open command end with their database (the sanitizer
    // build reports anything left or touched after), and the next one starts empty.
    vemhost::UndoHistory* doomed = vemhost::undoHistory(replacement.get());
    doomed->beginCommand(L"LINE");
    AcDbObjectId id = appendLineTo(replacement.get(), AcGePoint3d(1, 0, 0));
    doomed->endCommand();
    doomed->beginCommand(L"GRIP");
    moveStart(id, 2);
    doomed->endCommand();
    doomed->undo(1);
    doomed->beginCommand(L"MOVE");
    moveStart(id, 3);
    replacement.reset();
    auto next = std::make_unique<AcDbDatabase>();
    EXPECT_EQ(vemhost::undoHistory(next.get())->stepCount(), 0u);
    EXPECT_FALSE(vemhost::undoHistory(next.get())->inCommand());
    EXPECT_EQ(vemhost::undoHistory(nullptr), nullptr);
}

TEST_F(UndoHistory, ACommandOutOfMemoryIsUndoneWithWhatItLeftOpenAndWhatItMade)
{
    const AcDbObjectId kept = appendLine(AcGePoint3d(1, 0, 0));
    const long setsBefore = vemhost::testing::openSelectionSetCount();
    AcDbObjectId made;
    vemhost::startCapture();
    vemhost::runAsCommand(L"COPY", [&] {
        made = appendLine(AcGePoint3d(5, 0, 0));
        AcDbLine* line = nullptr;
        ASSERT_EQ(acdbOpenObject(line, kept, AcDb::kForWrite), Acad::eOk);
        line->setStartPoint(AcGePoint3d(9, 9, 0));  // changed and left open, as a command cut short leaves it
        ads_name ss;
        acedSSGet(L"X", nullptr, nullptr, nullptr, ss);  // a selection set not freed
        throw std::bad_alloc();
    });
    EXPECT_EQ(vemhost::takeCaptured(), "\nCOPY: out of memory; the command is undone.");
    vemhost::stopCapture();
    EXPECT_FALSE(history().inCommand());
    EXPECT_EQ(history().stepCount(), 0u) << "the command left no step";
    EXPECT_EQ(vemhost::testing::openObjectCount(db()), 0);
    EXPECT_EQ(vemhost::testing::openSelectionSetCount(), setsBefore);
    EXPECT_EQ(startX(kept), 1.0);
    EXPECT_TRUE(made.isErased()) << "what it made is gone";
    AcDbLine* gone = nullptr;
    EXPECT_NE(acdbOpenObject(gone, made, AcDb::kForRead, true), Acad::eOk);
    AcDbBlockTableRecord* space = nullptr;
    ASSERT_EQ(acdbOpenObject(space, db()->currentSpaceId(), AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(space->entityIds().size(), 1u);
    space->close();
    // The drawing goes on: undo and new commands work.
    EXPECT_EQ(undoOne(), L"");
    grip(kept, 3);
    EXPECT_EQ(startX(kept), 3.0);

    // A module's command throws nothing past its call: anything it throws ends it the
    // same way.
    ASSERT_EQ(acedRegCmds->addCommand(L"UNDO_TEST", L"THROWER", L"THROWER", ACRX_CMD_MODAL,
                                      [] {
                                          lineCommand();
                                          throw std::runtime_error("module fault");
                                      }),
              Acad::eOk);
    vemhost::startCapture();
    EXPECT_NO_THROW(vemhost::runCommand(L"THROWER"));
    EXPECT_EQ(vemhost::takeCaptured(), "\nTHROWER: failed; the command is undone.");
    vemhost::stopCapture();
    acedRegCmds->removeGroup(L"UNDO_TEST");
    EXPECT_EQ(history().stepName(history().stepCount() - 1), L"GRIP");
}

TEST_F(UndoHistory, EachAppendingCommandRecordsItsSpaceAtTheSameSize)
{
    // A step holds what changed, not the whole list of the space it appended to, so a
    // long session of small commands grows linearly.
    for (int i = 0; i < 300; ++i)
        vemhost::runAsCommand(L"LINE", [&] { appendLine(AcGePoint3d(i, 0, 0)); });
    ASSERT_EQ(history().stepCount(), 300u);
    auto spaceRecordSize = [&](std::size_t step) {
        for (std::size_t r = 0; r < history().recordCount(step); ++r)
            if (history().record(step, r).id == db()->currentSpaceId())
                return history().record(step, r).before.size();
        return std::size_t(0);
    };
    EXPECT_GT(spaceRecordSize(0), 0u);
    EXPECT_EQ(spaceRecordSize(299), spaceRecordSize(0));
    // Undone and redone, the lines come and go in their places.
    history().undo(150);
    AcDbBlockTableRecord* space = nullptr;
    ASSERT_EQ(acdbOpenObject(space, db()->currentSpaceId(), AcDb::kForRead), Acad::eOk);
    AcDbBlockTableRecordIterator* it = nullptr;
    ASSERT_EQ(space->newIterator(it), Acad::eOk);
    int live = 0;
    for (; !it->done(); it->step())
        ++live;
    delete it;
    const AcDbObjectId last = space->entityIds().back();
    space->close();
    EXPECT_EQ(live, 150);
    EXPECT_TRUE(last.isErased());
    history().redo(150);
    EXPECT_EQ(startX(last), 299.0);
}
