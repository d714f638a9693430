// Private to the runtime: the editor's answer reading and the entity picking that
// points, entity selection and selection sets share.
#pragma once

#include <string>
#include <vector>

#include "dbmain.h"
#include "vemhost_program.h"

namespace acrt {

enum class AnswerStatus { kText, kPick, kCancel };

// Prints the prompt and takes the next answer: the rest of the current line when
// spaces are allowed, else up to the next space or line end. Picks are passed over.
ACRT_PORT AnswerStatus readAnswer(const ACHAR* prompt, bool spacesAllowed, std::wstring& answer);
// The same for a prompt that takes points: kPick with the picked point, or kText.
ACRT_PORT AnswerStatus readPointAnswer(const ACHAR* prompt, std::wstring& answer, AcGePoint3d& pick);

// Says what the editor asks for while a request reads its answers (vemhost::waiting),
// and restores what an enclosing request asked for when it ends.
class ACRT_PORT RequestScope {
public:
    explicit RequestScope(vemhost::Request request, bool runningSnaps = false,
                          const AcGePoint3d& base = AcGePoint3d::kOrigin,
                          const std::vector<AcDbObjectId>* selected = nullptr);
    ~RequestScope();
    RequestScope(const RequestScope&) = delete;
    RequestScope& operator=(const RequestScope&) = delete;

private:
    vemhost::Request m_request;
    bool m_runningSnaps;
    AcGePoint3d m_base;
    const std::vector<AcDbObjectId>* m_selected;
};
// Remembers the entity a pick found (vemhost::lastPickedEntity).
ACRT_PORT void notePickedEntity(const AcDbObjectId& id);

// Parses a point answer ("x,y", "x,y,z", "@dx,dy", "@d<angle") relative to base; false
// also when the point is not finite (a relative sum that overflows).
ACRT_PORT bool parsePoint(const std::wstring& text, const AcGePoint3d& base, AcGePoint3d& result);
// The point an answer gives: a pick as it came, a typed answer parsed relative to base;
// false when it is no finite point.
ACRT_PORT bool pointOfAnswer(AnswerStatus status, const std::wstring& text, const AcGePoint3d& pick,
                             const AcGePoint3d& base, AcGePoint3d& result);
// The acedInitGet bits (and keywords) for the next input call, cleared as they are
// taken.
ACRT_PORT int takeInitGetFlags();
ACRT_PORT int takeInitGet(std::wstring& keywords);

// The selection sets made from now on are those numbered from the mark; a command
// abandoned half-way cannot free its own, so they are freed from the mark.
ACRT_PORT Adesk::Int64 selectionSetMark();
ACRT_PORT void freeSelectionSetsSince(Adesk::Int64 mark);

// Forgets the previous and pick-first selections and the last crossing areas.
ACRT_PORT void forgetRememberedSelections();

// Entities of the current space that a pick at pt touches, nearest first (ties:
// the latest drawn first); only those within the pick box.
ACRT_PORT std::vector<AcDbObjectId> entitiesAtPick(AcDbDatabase* db, const AcGePoint3d& pt);
// The current space's entities, in drawing order, erased ones left out.
ACRT_PORT std::vector<AcDbObjectId> currentSpaceEntities(AcDbDatabase* db);
// Every entity of the model and paper space, in drawing order.
ACRT_PORT std::vector<AcDbObjectId> allEntities(AcDbDatabase* db);
// Object snap bits of OSMODE and of the snap keywords (the host's AcDb::OsnapMask values).
enum OsnapBits : unsigned {
    kSnapEnd = 0x1, kSnapMid = 0x2, kSnapCen = 0x4, kSnapNode = 0x8, kSnapQuad = 0x10,
    kSnapInt = 0x20, kSnapIns = 0x40, kSnapPerp = 0x80, kSnapTan = 0x100, kSnapNear = 0x200
};
// Among the snap points of the modes in `modes` that the entities within the aperture
// (the pick box) of `pick` offer, the one nearest `pick` in the plan; `last` is the
// point perpendiculars are dropped from. False when there is none.
// modeBit, when given, receives the bit of the mode that gave the point.
ACRT_PORT bool snapPoint(AcDbDatabase* db, unsigned modes, AcGePoint3d pick, const AcGePoint3d& last,
                         AcGePoint3d& snapped, unsigned* modeBit = nullptr);
// How far a point is from the segment a-b, in the XY plane.
ACRT_PORT double planSegmentDistance(const AcGePoint3d& p, const AcGePoint3d& a, const AcGePoint3d& b);
// The world extents of an entity's drawn geometry.
ACRT_PORT bool drawnExtents(AcDbEntity* ent, AcGePoint3d& minPt, AcGePoint3d& maxPt);
// The box the spatial index holds for an entity: its geometric and drawn extents
// together (a pick asks the one, a selection area the other), each measured once.
bool indexExtents(AcDbEntity* ent, AcGePoint3d& minPt, AcGePoint3d& maxPt);

}  // namespace acrt
