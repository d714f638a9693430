// Undo steps of one object changed by several commands in a row: each step records the
// object afresh, so each undo and redo brings back that command's own before and after.
#include <gtest/gtest.h>

#include "dbents.h"
#include "dbsymtb.h"
#include "host_fixture.h"
#include "undo_manager.h"

namespace {

class UndoSteps : public HostFixture {
protected:
    AcDbObjectId appendLine(const AcGePoint3d& start)
    {
        AcDbBlockTable* table = nullptr;
        db()->getBlockTable(table, AcDb::kForRead);
        AcDbBlockTableRecord* space = nullptr;
        table->getAt(ACDB_MODEL_SPACE, space, AcDb::kForWrite);
        table->close();
        AcDbLine* line = new AcDbLine(start, start + AcGeVector3d(10, 0, 0));
        AcDbObjectId id;
        EXPECT_EQ(space->appendAcDbEntity(id, line), Acad::eOk);
        line->close();
        space->close();
        return id;
    }
    void moveStart(AcDbObjectId id, double x)
    {
        AcDbLine* line = nullptr;
        ASSERT_EQ(acdbOpenObject(line, id, AcDb::kForWrite), Acad::eOk);
        line->setStartPoint(AcGePoint3d(x, 0, 0));
        line->close();
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
};

}  // namespace

TEST_F(UndoSteps, EachCommandOnTheSameObjectIsItsOwnStep)
{
    vemcad::UndoManager undo(db());
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
    EXPECT_EQ(undo.undo(), L"GRIP");
    EXPECT_EQ(startX(id), 4.5);
    EXPECT_EQ(undo.undo(), L"GRIP");
    EXPECT_EQ(startX(id), 3.5);
    EXPECT_EQ(undo.redo(), L"GRIP");
    EXPECT_EQ(startX(id), 4.5);
    EXPECT_EQ(undo.undo(), L"GRIP");
    EXPECT_EQ(undo.undo(), L"GRIP");
    EXPECT_EQ(startX(id), 2.0);
    EXPECT_EQ(undo.undo(), L"LINE");
    EXPECT_TRUE(id.isErased());
    EXPECT_EQ(undo.redo(), L"LINE");
    EXPECT_FALSE(id.isErased());
    EXPECT_EQ(startX(id), 2.0);
}

TEST_F(UndoSteps, CommandThatNeverEndedDoesNotHideObjectsFromTheNext)
{
    vemcad::UndoManager undo(db());
    undo.beginCommand(L"LINE");
    AcDbObjectId id = appendLine(AcGePoint3d(1, 0, 0));
    undo.endCommand();
    undo.beginCommand(L"MOVE");  // abandoned, as when NEW replaces the drawing mid-command
    moveStart(id, 7);
    undo.beginCommand(L"MOVE");
    moveStart(id, 8);
    undo.endCommand();
    EXPECT_EQ(undo.undo(), L"MOVE");
    EXPECT_EQ(startX(id), 7.0);
}

TEST_F(UndoSteps, TheSavedStateIsKnownAgainByUndoAndLostByANewStep)
{
    vemcad::UndoManager undo(db());
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
    undo.beginCommand(L"GRIP");
    moveStart(id, 3);
    undo.endCommand();
    EXPECT_TRUE(undo.changedSinceSave());
    undo.undo();
    EXPECT_FALSE(undo.changedSinceSave()) << "undone back to the save";
    undo.undo();
    EXPECT_TRUE(undo.changedSinceSave()) << "undone past the save";
    undo.redo();
    EXPECT_FALSE(undo.changedSinceSave());
    undo.beginCommand(L"GRIP");  // drops the redo of the step after the save
    moveStart(id, 4);
    undo.endCommand();
    undo.undo();
    EXPECT_FALSE(undo.changedSinceSave());
    EXPECT_EQ(undo.redo(), L"GRIP");
    EXPECT_TRUE(undo.changedSinceSave());
}

TEST_F(UndoSteps, RollingBackToAMarkRestoresWhatChangedAfterItAndLeavesNoStep)
{
    vemcad::UndoManager undo(db());
    undo.beginCommand(L"LINE");
    AcDbObjectId first = appendLine(AcGePoint3d(1, 0, 0));
    undo.endCommand();
    undo.beginCommand(L"COPY");
    AcDbObjectId kept = appendLine(AcGePoint3d(2, 0, 0));
    const size_t mark = undo.mark();
    moveStart(first, 9);
    AcDbObjectId dropped = appendLine(AcGePoint3d(3, 0, 0));
    undo.rollBackTo(mark);
    EXPECT_EQ(startX(first), 1.0);
    EXPECT_TRUE(dropped.isErased());
    EXPECT_FALSE(kept.isErased());
    moveStart(first, 5);  // recorded again after the roll-back
    undo.endCommand();
    EXPECT_EQ(undo.undo(), L"COPY");
    EXPECT_EQ(startX(first), 1.0);
    EXPECT_TRUE(kept.isErased());

    undo.beginCommand(L"MOVE");
    moveStart(first, 7);
    undo.rollBackTo(0);
    undo.endCommand();
    EXPECT_EQ(undo.stepCount(), 1u) << "a command rolled back whole leaves no step";
    EXPECT_EQ(startX(first), 1.0);
}
