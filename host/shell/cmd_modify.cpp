// Host editing commands (STRETCH has a file of its own). Changes go through the
// entities' own transformBy and grip services, and copies through clone() and
// transformBy, as on the host, so that labels recompute at their new places; a change
// whose result is not finite is taken back whole.
#include <cmath>

#include "acedads.h"
#include "acutads.h"
#include "dbapserv.h"
#include "dbsymtb.h"
#include "entity_edits.h"
#include "session.h"
#include "shell_input.h"
#include "vemhost_program.h"

namespace vemcad {

namespace {

bool selectAndBase(std::vector<AcDbObjectId>& ids, AcGePoint3d& base)
{
    return selectObjects(ids) && getPoint(L"\nSpecify base point: ", nullptr, base) == RTNORM;
}

// Each answer at the last prompt of MOVE, ROTATE and SCALE whose result is not finite
// is refused (the change taken back) and the prompt asks again.
void moveCommand(Session& session)
{
    std::vector<AcDbObjectId> ids;
    AcGePoint3d base, to;
    if (!selectAndBase(ids, base))
        return;
    while (getPoint(L"\nSpecify second point: ", &base, to) == RTNORM)
        if (transformEach(session, ids, AcGeMatrix3d::translation(to - base)))
            return;
}

void copyCommand(Session& session)
{
    std::vector<AcDbObjectId> ids;
    AcGePoint3d base, to;
    if (!selectAndBase(ids, base))
        return;
    while (getPoint(L"\nSpecify second point: ", &base, to) == RTNORM)
        copyEach(session, ids, AcGeMatrix3d::translation(to - base));
}

void rotateCommand(Session& session)
{
    std::vector<AcDbObjectId> ids;
    AcGePoint3d base;
    double degrees = 0.0;
    if (!selectAndBase(ids, base))
        return;
    while (getNumber(L"\nSpecify rotation angle: ", degrees) == RTNORM)
        if (transformEach(session, ids, AcGeMatrix3d::rotation(degrees * M_PI / 180.0, AcGeVector3d::kZAxis, base)))
            return;
}

void scaleCommand(Session& session)
{
    std::vector<AcDbObjectId> ids;
    AcGePoint3d base;
    if (!selectAndBase(ids, base))
        return;
    double factor = 0.0;
    while (getNumber(L"\nSpecify scale factor: ", factor) == RTNORM) {
        if (!(factor > 0.0))
            say(L"Value must be positive and nonzero.");
        else if (transformEach(session, ids, AcGeMatrix3d::scaling(factor, base)))
            return;
    }
}

// The copies are made (and checked to be finite) before the question, and taken back
// when it is cancelled.
void mirrorCommand(Session& session)
{
    std::vector<AcDbObjectId> ids;
    AcGePoint3d p1, p2;
    if (!selectObjects(ids) || getPoint(L"\nSpecify first point of mirror line: ", nullptr, p1) != RTNORM)
        return;
    const vemhost::UndoMark mark = session.undo().mark();
    for (;;) {
        if (getPoint(L"\nSpecify second point of mirror line: ", &p1, p2) != RTNORM)
            return;
        if (p1.isEqualTo(p2)) {
            say(L"The mirror line must have two different points.");
            return;
        }
        // The mirror line stands for the plane through it, perpendicular to the XY plane.
        AcGeVector3d normal = (p2 - p1).crossProduct(AcGeVector3d::kZAxis).normal();
        if (copyEach(session, ids, AcGeMatrix3d::mirroring(AcGePlane(p1, normal))))
            break;
    }
    std::wstring answer;
    if (getText(L"\nErase source objects? [Yes/No] <No>: ", answer, false) == RTCAN) {
        session.undo().rollBackTo(mark);
        return;
    }
    if (!answer.empty() && (answer[0] == L'Y' || answer[0] == L'y'))
        editEach(ids, [](AcDbEntity* ent) { ent->erase(); });
}

void gripCommand(Session& session)
{
    ads_name ename;
    ads_point picked;
    if (acedEntSel(L"\nSelect object: ", ename, picked) != RTNORM)
        return;
    AcDbObjectId id;
    if (acdbGetObjectId(id, ename) != Acad::eOk)
        return;
    AcGePoint3d gripAt, to;
    if (getPoint(L"\nSpecify grip point: ", nullptr, gripAt) != RTNORM)
        return;
    AcDbEntity* ent = nullptr;
    if (acdbOpenAcDbEntity(ent, id, AcDb::kForRead) != Acad::eOk)
        return;
    AcGePoint3dArray grips;
    AcDbIntArray modes, geomIds;
    ent->getGripPoints(grips, modes, geomIds);
    ent->close();
    int best = -1;
    double bestDist = vemhost::pickBox();
    for (int i = 0; i < grips.length(); ++i) {
        double d = grips[i].distanceTo(gripAt);
        if (d <= bestDist) {
            bestDist = d;
            best = i;
        }
    }
    if (best < 0) {
        say(L"No grip there.");
        return;
    }
    AcGePoint3d from = grips[best];
    AcDbIntArray indices;
    indices.append(best);
    auto moveGrip = [&](AcDbEntity* e) { return e->moveGripPointsAt(indices, to - from) == Acad::eOk; };
    while (getPoint(L"\nSpecify new point: ", &from, to) == RTNORM)
        if (editEachFinite(session, {id}, moveGrip))
            return;
}

void eraseCommand(Session&)
{
    std::vector<AcDbObjectId> ids;
    if (selectObjects(ids))
        editEach(ids, [](AcDbEntity* ent) { ent->erase(); });
}

// Appends an entity's pieces to its block and erases it; nothing is lost when a
// piece cannot be appended (the appended ones are taken back).
void explodeOne(AcDbEntity* ent, int& notExploded)
{
    AcDbVoidPtrArray pieces;
    if (ent->explode(pieces) != Acad::eOk || pieces.isEmpty()) {
        for (void* p : pieces)
            delete static_cast<AcDbEntity*>(p);
        ++notExploded;
        return;
    }
    std::vector<AcDbEntity*> appended;
    bool failed = false;
    for (void* p : pieces) {
        AcDbEntity* piece = static_cast<AcDbEntity*>(p);
        if (failed || appendToBlock(ent->ownerId(), piece) != Acad::eOk) {
            failed = true;
            delete piece;
            continue;
        }
        appended.push_back(piece);
    }
    for (AcDbEntity* piece : appended) {
        if (failed)
            piece->erase();
        piece->close();
    }
    if (failed)
        ++notExploded;
    else
        ent->erase();
}

void explodeCommand(Session&)
{
    std::vector<AcDbObjectId> ids;
    if (!selectObjects(ids))
        return;
    int notExploded = 0;
    editEach(ids, [&](AcDbEntity* ent) { explodeOne(ent, notExploded); });
    if (notExploded > 0)
        say(std::to_wstring(notExploded) + (notExploded == 1 ? L" was not able to be exploded."
                                                             : L" were not able to be exploded."));
}

void listCommand(Session&)
{
    std::vector<AcDbObjectId> ids;
    if (!selectObjects(ids))
        return;
    // The listing's lines end in a line feed; the first starts a line of its own, as
    // everything printed after an answer does.
    if (!ids.empty())
        acutPrintf(L"\n");
    for (const AcDbObjectId& id : ids) {
        AcDbEntity* ent = nullptr;
        if (acdbOpenAcDbEntity(ent, id, AcDb::kForRead) != Acad::eOk)
            continue;
        ent->list();
        ent->close();
    }
}

// Moves entities between model space and paper space (as copies with new handles).
void chspaceCommand(Session& session)
{
    std::vector<AcDbObjectId> ids;
    if (!selectObjects(ids))
        return;
    AcDbDatabase* db = session.db();
    AcDbBlockTable* table = nullptr;
    if (db->getBlockTable(table, AcDb::kForRead) != Acad::eOk)
        return;
    AcDbObjectId model, paper;
    table->getAt(ACDB_MODEL_SPACE, model);
    table->getAt(ACDB_PAPER_SPACE, paper);
    table->close();
    int moved = 0;
    editEach(ids, [&](AcDbEntity* ent) {
        AcDbObjectId target = ent->ownerId() == model ? paper : model;
        AcDbEntity* copy = AcDbEntity::cast(ent->clone());
        if (copy == nullptr)
            return;
        if (appendToBlock(target, copy) != Acad::eOk) {
            delete copy;
            return;
        }
        copy->close();
        ent->erase();
        ++moved;
    });
    say(std::to_wstring(moved) + L" object(s) changed to " + (db->tilemode() ? L"paper space." : L"model space."));
}

}  // namespace

void addModifyCommands(std::vector<HostCommand>& table)
{
    //              name        run              undoable
    table.push_back({L"MOVE", moveCommand, true});
    table.push_back({L"COPY", copyCommand, true});
    table.push_back({L"ROTATE", rotateCommand, true});
    table.push_back({L"SCALE", scaleCommand, true});
    table.push_back({L"MIRROR", mirrorCommand, true});
    table.push_back({L"GRIP", gripCommand, true});
    table.push_back({L"ERASE", eraseCommand, true});
    table.push_back({L"EXPLODE", explodeCommand, true});
    table.push_back({L"LIST", listCommand, true});
    table.push_back({L"CHSPACE", chspaceCommand, true});
}

}  // namespace vemcad
