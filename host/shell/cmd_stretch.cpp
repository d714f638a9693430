// STRETCH: the stretch points of the selected entities that lie inside the crossing
// windows and polygons of the selection move; entities that meet none of them (picked,
// windowed) move whole. The displacement is two points, or typed.
#include <algorithm>
#include <cstdio>
#include <string>

#include "entity_edits.h"
#include "session.h"
#include "shell_input.h"
#include "vemhost_program.h"

namespace vemcad {

namespace {

// A coordinate may have over 300 digits: the text is measured before it is made.
std::wstring displacementPrompt(const AcGeVector3d& d)
{
    const char* format = "\nSpecify displacement <%.4f,%.4f,%.4f>: ";
    const int size = std::snprintf(nullptr, 0, format, d.x, d.y, d.z);
    std::string text(size_t(std::max(size, 0)) + 1, '\0');
    std::snprintf(&text[0], text.size(), format, d.x, d.y, d.z);
    text.resize(size_t(std::max(size, 0)));
    return vemhost::fromUtf8(text);
}

// The typed displacement, or the last one on Enter; false on cancel.
bool askTypedDisplacement(const AcGeVector3d& last, AcGeVector3d& offset)
{
    AcGePoint3d typed;
    const int rc = getPoint(displacementPrompt(last).c_str(), nullptr, typed);
    if (rc == RTCAN)
        return false;
    offset = rc == RTNORM ? typed.asVector() : last;
    return true;
}

// A base point and a second point, or a displacement (typed set); false on cancel.
bool askDisplacement(const AcGeVector3d& last, AcGeVector3d& offset, bool& typed)
{
    typed = false;
    AcGePoint3d base, to;
    const int rc = getPointOrKeyword(L"\nSpecify base point or [Displacement] <Displacement>: ", L"Displacement", base);
    if (rc == RTCAN)
        return false;
    if (rc != RTNORM) {
        typed = true;
        return askTypedDisplacement(last, offset);
    }
    const int second = getPoint(L"\nSpecify second point or <use first point as displacement>: ", &base, to);
    if (second == RTCAN)
        return false;
    offset = second == RTNORM ? to - base : base.asVector();
    return true;
}

using Regions = std::vector<vemhost::CrossingRegion>;

// An entity that meets a crossing region has the stretch points inside the regions
// moved; any other moves whole. True when the entity took the change.
bool stretchOne(AcDbEntity* ent, const Regions& regions, const AcGeVector3d& offset)
{
    const bool crossed =
        std::any_of(regions.begin(), regions.end(), [&](const vemhost::CrossingRegion& r) { return r.meets(ent); });
    if (!crossed)
        return ent->transformBy(AcGeMatrix3d::translation(offset)) == Acad::eOk;
    AcGePoint3dArray pts;
    if (ent->getStretchPoints(pts) != Acad::eOk)
        return false;
    AcDbIntArray inside;
    for (int i = 0; i < pts.length(); ++i)
        if (std::any_of(regions.begin(), regions.end(),
                        [&](const vemhost::CrossingRegion& r) { return r.contains(pts[i]); }))
            inside.append(i);
    if (inside.isEmpty())
        return true;
    if (inside.length() == pts.length())
        return ent->transformBy(AcGeMatrix3d::translation(offset)) == Acad::eOk;
    return ent->moveStretchPointsAt(inside, offset) == Acad::eOk;
}

bool stretchAll(Session& session, const std::vector<AcDbObjectId>& ids, const Regions& regions,
                const AcGeVector3d& offset)
{
    FiniteEdit edit(session);
    EntityWriter().each(ids, [&](AcDbEntity* ent, size_t) {
        edit.before(ent);
        return edit.after(ent, stretchOne(ent, regions, offset));
    });
    return edit.finish();
}

// A displacement whose result is not finite is refused and asked again.
void stretchCommand(Session& session)
{
    say(L"Select objects to stretch by crossing-window or crossing-polygon...");
    std::vector<AcDbObjectId> ids;
    if (!selectObjects(ids))
        return;
    const Regions regions = vemhost::lastCrossingRegions();
    AcGeVector3d offset;
    bool typed = false;
    while (askDisplacement(session.lastDisplacement(), offset, typed)) {
        if (stretchAll(session, ids, regions, offset)) {
            if (typed)
                session.lastDisplacement() = offset;
            return;
        }
    }
}

}  // namespace

void addStretchCommand(std::vector<HostCommand>& table)
{
    //              name         run             undoable
    table.push_back({L"STRETCH", stretchCommand, true});
}

}  // namespace vemcad
