// STRETCH: the stretch points of the selected entities that lie inside the crossing
// windows and polygons of the selection move; entities picked, windowed or wholly
// inside move whole. The displacement is two points, or typed.
#include <cwchar>

#include "entity_edits.h"
#include "session.h"
#include "shell_input.h"
#include "stretch_selection.h"
#include "vemhost.h"

namespace vemcad {

namespace {

// The host offers the last displacement typed as the next one's default.
AcGeVector3d g_lastDisplacement;

std::wstring displacementPrompt()
{
    wchar_t text[160];
    std::swprintf(text, sizeof text / sizeof text[0], L"\nSpecify displacement <%.4f,%.4f,%.4f>: ",
                  g_lastDisplacement.x, g_lastDisplacement.y, g_lastDisplacement.z);
    return text;
}

// The typed displacement, or the last one on Enter; false on cancel.
bool askTypedDisplacement(AcGeVector3d& offset)
{
    AcGePoint3d typed;
    const int rc = getPoint(displacementPrompt().c_str(), nullptr, typed);
    if (rc == RTCAN)
        return false;
    offset = rc == RTNORM ? typed.asVector() : g_lastDisplacement;
    g_lastDisplacement = offset;
    return true;
}

// A base point and a second point, or a displacement; false on cancel.
bool askDisplacement(AcGeVector3d& offset)
{
    AcGePoint3d base, to;
    const int rc = getPointOrKeyword(L"\nSpecify base point or [Displacement] <Displacement>: ", L"Displacement", base);
    if (rc == RTCAN)
        return false;
    if (rc != RTNORM)
        return askTypedDisplacement(offset);
    const int second = getPoint(L"\nSpecify second point or <use first point as displacement>: ", &base, to);
    if (second == RTCAN)
        return false;
    offset = second == RTNORM ? to - base : base.asVector();
    return true;
}

// Moves the stretch points inside the regions; true when the entity took the change.
bool stretchOne(AcDbEntity* ent, const StretchMember& member, const std::vector<StretchRegion>& regions,
                const AcGeVector3d& offset)
{
    if (member.whole)
        return ent->transformBy(AcGeMatrix3d::translation(offset)) == Acad::eOk;
    AcGePoint3dArray pts;
    if (ent->getStretchPoints(pts) != Acad::eOk)
        return false;
    AcDbIntArray inside;
    for (int i = 0; i < pts.length(); ++i)
        for (const StretchRegion& region : regions)
            if (region.contains(pts[i])) {
                inside.append(i);
                break;
            }
    if (inside.isEmpty())
        return true;
    if (inside.length() == pts.length())
        return ent->transformBy(AcGeMatrix3d::translation(offset)) == Acad::eOk;
    return ent->moveStretchPointsAt(inside, offset) == Acad::eOk;
}

bool stretchAll(Session& session, const StretchSelection& selection, const AcGeVector3d& offset)
{
    FiniteEdit edit(session);
    std::vector<AcDbObjectId> ids;
    ids.reserve(selection.members.size());
    for (const StretchMember& m : selection.members)
        ids.push_back(m.id);
    EntityWriter().each(ids, [&](AcDbEntity* ent, size_t i) {
        edit.before(ent);
        return edit.after(ent, stretchOne(ent, selection.members[i], selection.regions, offset));
    });
    return edit.finish();
}

// A displacement whose result is not finite is refused and asked again.
void stretchCommand(Session& session)
{
    say(L"Select objects to stretch by crossing-window or crossing-polygon...");
    StretchSelection selection;
    if (selectToStretch(session.db(), selection) != RTNORM)
        return;
    AcGeVector3d offset;
    while (askDisplacement(offset))
        if (stretchAll(session, selection, offset))
            return;
}

}  // namespace

void addStretchCommand(std::vector<HostCommand>& table)
{
    //              name         run             undoable
    table.push_back({L"STRETCH", stretchCommand, true});
}

}  // namespace vemcad
