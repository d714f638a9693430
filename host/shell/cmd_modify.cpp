// Host editing commands. Changes go through the entities' own transformBy, grip and
// stretch services, and copies through clone() and transformBy, as on the host, so
// that labels recompute at their new places.
#include <cmath>

#include "acedads.h"
#include "dbapserv.h"
#include "dbsymtb.h"
#include "editor_internals.h"
#include "session.h"
#include "shell_input.h"
#include "vemhost.h"

namespace vemcad {

namespace {

// Opens each entity for write and applies fn; reports those on locked layers.
template <class Fn>
void editEach(const std::vector<AcDbObjectId>& ids, Fn fn)
{
    int locked = 0;
    for (const AcDbObjectId& id : ids) {
        AcDbEntity* ent = nullptr;
        Acad::ErrorStatus es = acdbOpenAcDbEntity(ent, id, AcDb::kForWrite);
        if (es == Acad::eOnLockedLayer)
            ++locked;
        if (es != Acad::eOk)
            continue;
        fn(ent);
        ent->close();
    }
    if (locked > 0)
        say(std::to_wstring(locked) + (locked == 1 ? L" was on a locked layer." : L" were on a locked layer."));
}

void transformEach(const std::vector<AcDbObjectId>& ids, const AcGeMatrix3d& m)
{
    int refused = 0;
    editEach(ids, [&](AcDbEntity* ent) {
        if (ent->transformBy(m) != Acad::eOk)
            ++refused;
    });
    if (refused > 0)
        say(std::to_wstring(refused) + L" could not be changed.");
}

// A transformed copy of each entity, added to the block that owns the original.
void copyEach(const std::vector<AcDbObjectId>& ids, const AcGeMatrix3d& m)
{
    for (const AcDbObjectId& id : ids) {
        AcDbEntity* ent = nullptr;
        if (acdbOpenAcDbEntity(ent, id, AcDb::kForRead) != Acad::eOk)
            continue;
        AcDbObjectId owner = ent->ownerId();
        AcDbEntity* copy = AcDbEntity::cast(ent->clone());
        ent->close();
        if (copy == nullptr) {
            say(L"An object could not be copied.");
            continue;
        }
        if (copy->transformBy(m) != Acad::eOk || appendToBlock(owner, copy) != Acad::eOk) {
            delete copy;
            say(L"An object could not be copied.");
            continue;
        }
        copy->close();
    }
}

bool selectAndBase(std::vector<AcDbObjectId>& ids, AcGePoint3d& base)
{
    return selectObjects(ids) && getPoint(L"\nSpecify base point: ", nullptr, base) == RTNORM;
}

void moveCommand(Session&)
{
    std::vector<AcDbObjectId> ids;
    AcGePoint3d base, to;
    if (!selectAndBase(ids, base) || getPoint(L"\nSpecify second point: ", &base, to) != RTNORM)
        return;
    transformEach(ids, AcGeMatrix3d::translation(to - base));
}

void copyCommand(Session&)
{
    std::vector<AcDbObjectId> ids;
    AcGePoint3d base, to;
    if (!selectAndBase(ids, base))
        return;
    while (getPoint(L"\nSpecify second point: ", &base, to) == RTNORM)
        copyEach(ids, AcGeMatrix3d::translation(to - base));
}

void rotateCommand(Session&)
{
    std::vector<AcDbObjectId> ids;
    AcGePoint3d base;
    double degrees = 0.0;
    if (!selectAndBase(ids, base) || getNumber(L"\nSpecify rotation angle: ", degrees) != RTNORM)
        return;
    transformEach(ids, AcGeMatrix3d::rotation(degrees * M_PI / 180.0, AcGeVector3d::kZAxis, base));
}

void scaleCommand(Session&)
{
    std::vector<AcDbObjectId> ids;
    AcGePoint3d base;
    if (!selectAndBase(ids, base))
        return;
    double factor = 0.0;
    for (;;) {
        if (getNumber(L"\nSpecify scale factor: ", factor) != RTNORM)
            return;
        if (factor > 0.0)
            break;
        say(L"Value must be positive and nonzero.");
    }
    transformEach(ids, AcGeMatrix3d::scaling(factor, base));
}

void mirrorCommand(Session&)
{
    std::vector<AcDbObjectId> ids;
    AcGePoint3d p1, p2;
    if (!selectObjects(ids) || getPoint(L"\nSpecify first point of mirror line: ", nullptr, p1) != RTNORM ||
        getPoint(L"\nSpecify second point of mirror line: ", &p1, p2) != RTNORM)
        return;
    if (p1.isEqualTo(p2)) {
        say(L"The mirror line must have two different points.");
        return;
    }
    std::wstring answer;
    int rc = getText(L"\nErase source objects? [Yes/No] <No>: ", answer, false);
    if (rc == RTCAN)
        return;
    // The mirror line stands for the plane through it, perpendicular to the XY plane.
    AcGeVector3d normal = (p2 - p1).crossProduct(AcGeVector3d::kZAxis).normal();
    copyEach(ids, AcGeMatrix3d::mirroring(AcGePlane(p1, normal)));
    if (!answer.empty() && (answer[0] == L'Y' || answer[0] == L'y'))
        editEach(ids, [](AcDbEntity* ent) { ent->erase(); });
}

// Moves the stretch points inside a crossing window; entities wholly inside move.
void stretchCommand(Session&)
{
    std::wstring mode;
    AcGePoint3d c1, c2;
    if (getText(L"\nSelect objects to stretch by crossing-window: ", mode, false) != RTNORM)
        return;
    if (!mode.empty() && mode != L"C" && mode != L"c") {
        say(L"Use C and two corners to select objects to stretch.");
        return;
    }
    if (getPoint(L"\nSpecify first corner: ", nullptr, c1) != RTNORM ||
        getPoint(L"\nSpecify opposite corner: ", &c1, c2) != RTNORM)
        return;
    ads_point a = {c1.x, c1.y, c1.z}, b = {c2.x, c2.y, c2.z};
    ads_name ss;
    std::vector<AcDbObjectId> ids;
    if (acedSSGet(L"C", a, b, nullptr, ss) == RTNORM) {
        Adesk::Int32 n = 0;
        acedSSLength(ss, &n);
        for (Adesk::Int32 i = 0; i < n; ++i) {
            ads_name e;
            AcDbObjectId id;
            if (acedSSName(ss, i, e) == RTNORM && acdbGetObjectId(id, e) == Acad::eOk)
                ids.push_back(id);
        }
        acedSSFree(ss);
    }
    say(std::to_wstring(ids.size()) + L" found");
    if (ids.empty())
        return;
    AcGePoint3d base, to;
    if (getPoint(L"\nSpecify base point: ", nullptr, base) != RTNORM ||
        getPoint(L"\nSpecify second point: ", &base, to) != RTNORM)
        return;
    double x0 = std::min(c1.x, c2.x), x1 = std::max(c1.x, c2.x), y0 = std::min(c1.y, c2.y), y1 = std::max(c1.y, c2.y);
    AcGeVector3d offset = to - base;
    editEach(ids, [&](AcDbEntity* ent) {
        AcGePoint3dArray pts;
        ent->getStretchPoints(pts);
        AcDbIntArray inside;
        for (int i = 0; i < pts.length(); ++i)
            if (pts[i].x >= x0 && pts[i].x <= x1 && pts[i].y >= y0 && pts[i].y <= y1)
                inside.append(i);
        if (!inside.isEmpty() && inside.length() == pts.length())
            ent->transformBy(AcGeMatrix3d::translation(offset));
        else if (!inside.isEmpty())
            ent->moveStretchPointsAt(inside, offset);
    });
}

void gripCommand(Session&)
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
    if (getPoint(L"\nSpecify new point: ", &from, to) != RTNORM)
        return;
    AcDbIntArray indices;
    indices.append(best);
    editEach({id}, [&](AcDbEntity* e) { e->moveGripPointsAt(indices, to - from); });
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
    table.push_back({L"STRETCH", stretchCommand, true});
    table.push_back({L"GRIP", gripCommand, true});
    table.push_back({L"ERASE", eraseCommand, true});
    table.push_back({L"EXPLODE", explodeCommand, true});
    table.push_back({L"LIST", listCommand, true});
    table.push_back({L"CHSPACE", chspaceCommand, true});
}

}  // namespace vemcad
