// Entity names, picks and selection sets: what acedEntSel and acedSSGet hand to
// commands. An entity name carries the entity's handle and its database's serial, so
// a stale or forged name is refused instead of followed.
#include <algorithm>
#include <cmath>
#include <cwctype>
#include <map>
#include <string>
#include <unordered_set>
#include <utility>

#include "acedads.h"
#include "acutads.h"
#include "db_internals.h"
#include "dbapserv.h"
#include "dbsymtb.h"
#include "editor_internals.h"
#include "pass_through.h"
#include "scaled_drawing.h"
#include "selection_areas.h"
#include "spatial_index.h"
#include "vemhost_program.h"
#include "vemhost_testing.h"

namespace {

const Adesk::Int64 kSelectionSetTag = 0x5353;  // second word of a selection-set name

// Entities of one database, remembered past the command that chose them. The ids are
// only used while that database lives (its serial names it), so that a selection kept
// across NEW or OPEN never reaches objects that are gone.
struct RememberedSelection {
    std::vector<AcDbObjectId> ids;
    Adesk::Int64 serial = 0;
};

struct SelectionSets {
    std::map<Adesk::Int64, std::vector<AcDbObjectId>> sets;
    Adesk::Int64 nextId = 1;
    RememberedSelection previous;
    RememberedSelection pickFirst;
    RememberedSelection lastPicked;  // the entity the last pick found
    std::vector<vemhost::CrossingRegion> crossed;  // of the last interactive selection
};

SelectionSets& selections()
{
    static SelectionSets s;
    return s;
}

Adesk::Int64 serialOf(AcDbDatabase* db)
{
    AcDbDatabase::Impl* impl = db != nullptr ? AcDbSystemInternals::impl(db) : nullptr;
    return impl != nullptr ? impl->serial : 0;
}

void remember(RememberedSelection& kept, std::vector<AcDbObjectId> ids)
{
    kept.serial = ids.empty() ? 0 : serialOf(ids.front().database());
    kept.ids = std::move(ids);
}

// What was remembered, when it belongs to db; nothing otherwise.
std::vector<AcDbObjectId> recalled(const RememberedSelection& kept, AcDbDatabase* db)
{
    if (kept.serial == 0 || acrt::databaseOfSerial(kept.serial) != db)
        return {};
    return kept.ids;
}

// The entity whose drawn extents were just measured, so that its geometric extents,
// when they are the drawn ones (as they are unless its class says otherwise), do not
// draw it a second time.
struct MeasuredExtents {
    const AcDbEntity* entity = nullptr;
    bool found = false;
    AcGePoint3d lo, hi;
};
thread_local MeasuredExtents t_measured;

std::vector<AcDbObjectId>* setOf(const ads_name ss)
{
    if (ss == nullptr || ss[1] != kSelectionSetTag)
        return nullptr;
    auto it = selections().sets.find(ss[0]);
    return it == selections().sets.end() ? nullptr : &it->second;
}

void makeSet(std::vector<AcDbObjectId> ids, ads_name ss)
{
    SelectionSets& s = selections();
    Adesk::Int64 id = s.nextId++;
    remember(s.previous, ids);
    s.sets[id] = std::move(ids);
    ss[0] = id;
    ss[1] = kSelectionSetTag;
}

// How far the drawn geometry of an entity passes from a point, in the XY plane.
double pickDistance(AcDbEntity* ent, const AcGePoint3d& p)
{
    vemhost::PrimitiveCollector collector;
    collector.draw(ent);
    double best = HUGE_VAL;
    for (const vemhost::Primitive& prim : collector.primitives()) {
        const std::vector<AcGePoint3d>& pts = prim.points;
        if (pts.empty())
            continue;
        if (prim.kind == vemhost::Primitive::kCircle) {
            double d = std::fabs(std::hypot(p.x - pts[0].x, p.y - pts[0].y) - prim.radius);
            best = std::min(best, d);
            continue;
        }
        if (prim.kind == vemhost::Primitive::kPolygon && pts.size() >= 3 && acrt::insidePolygon(p, pts))
            return 0.0;
        if (pts.size() == 1)
            best = std::min(best, std::hypot(p.x - pts[0].x, p.y - pts[0].y));
        for (size_t i = 1; i < pts.size(); ++i)
            best = std::min(best, acrt::planSegmentDistance(p, pts[i - 1], pts[i]));
        if (prim.kind == vemhost::Primitive::kPolygon && pts.size() >= 3)
            best = std::min(best, acrt::planSegmentDistance(p, pts.back(), pts.front()));
    }
    return best;
}

template <class Fn>
void forEachOpenEntity(const std::vector<AcDbObjectId>& ids, Fn fn)
{
    for (const AcDbObjectId& id : ids) {
        AcDbEntity* ent = nullptr;
        if (acdbOpenAcDbEntity(ent, id, AcDb::kForRead) != Acad::eOk)
            continue;
        fn(id, ent);
        ent->close();
    }
}

std::vector<AcDbObjectId> entitiesOfBlock(AcDbObjectId blockId)
{
    std::vector<AcDbObjectId> ids;
    AcDbObject* obj = AcDbSystemInternals::peek(blockId);
    AcDbBlockTableRecord* btr = obj ? AcDbBlockTableRecord::cast(obj) : nullptr;
    if (btr == nullptr)
        return ids;
    for (const AcDbObjectId& id : btr->entityIds())
        if (!id.isErased() && AcDbSystemInternals::peek(id) != nullptr)
            ids.push_back(id);
    return ids;
}

// Wildcard match as the host's filters use: '*' any run, '?' one character, ','
// separates alternatives; case is ignored.
bool wildcardMatch(const wchar_t* pat, const wchar_t* text)
{
    if (*pat == 0 || *pat == L',')
        return *text == 0;
    if (*pat == L'*')
        return wildcardMatch(pat + 1, text) || (*text != 0 && wildcardMatch(pat, text + 1));
    if (*text == 0)
        return false;
    if (*pat == L'?' || std::towupper(wint_t(*pat)) == std::towupper(wint_t(*text)))
        return wildcardMatch(pat + 1, text + 1);
    return false;
}

bool matchesPattern(const wchar_t* pattern, const wchar_t* text)
{
    for (const wchar_t* p = pattern;;) {
        if (wildcardMatch(p, text))
            return true;
        const wchar_t* comma = std::wcschr(p, L',');
        if (comma == nullptr)
            return false;
        p = comma + 1;
    }
}

// The type a filter's group 0 names an entity by: its class's DXF name, or the DXF type
// a pass-through entity was read as.
std::wstring entityType(const AcDbEntity* ent)
{
    if (const DxfPassThroughEntity* kept = DxfPassThroughEntity::cast(ent))
        return vemhost::fromUtf8(kept->dxfType());
    const AcRxClass* cls = ent->isA();
    return cls != nullptr ? std::wstring(cls->dxfName()) : std::wstring();
}

// Entity type (group 0) and layer (group 8) conditions, all of which must hold; other
// group codes are not filtered on.
bool passesFilter(const AcDbEntity* ent, const struct resbuf* filter)
{
    for (const struct resbuf* rb = filter; rb != nullptr; rb = rb->rbnext) {
        if ((rb->restype == 0 || rb->restype == RTDXF0) && rb->resval.rstring != nullptr) {
            if (!matchesPattern(rb->resval.rstring, entityType(ent).c_str()))
                return false;
        } else if (rb->restype == 8 && rb->resval.rstring != nullptr) {
            if (!matchesPattern(rb->resval.rstring, ent->layer().kwszPtr()))
                return false;
        }
    }
    return true;
}

std::vector<AcDbObjectId> filtered(const std::vector<AcDbObjectId>& ids, const struct resbuf* filter)
{
    std::vector<AcDbObjectId> out;
    if (filter == nullptr) {
        return ids;
    }
    forEachOpenEntity(ids, [&](const AcDbObjectId& id, AcDbEntity* ent) {
        if (passesFilter(ent, filter))
            out.push_back(id);
    });
    return out;
}

AcDbObjectId lastEntity(AcDbDatabase* db)
{
    std::vector<AcDbObjectId> ids = acrt::currentSpaceEntities(db);
    return ids.empty() ? AcDbObjectId() : ids.back();
}

bool keywordIs(const std::wstring& answer, const wchar_t* keyword)
{
    return AcString(answer.c_str()).compareNoCase(keyword) == 0;
}

// The window or polygon an answer names (W, C, WP, CP); false for any other answer.
bool areaOf(const std::wstring& answer, acrt::SelectionArea& area)
{
    using Area = acrt::SelectionArea;
    const std::pair<const wchar_t*, Area> areas[] = {
        {L"W", Area::kWindow}, {L"C", Area::kCrossing}, {L"WP", Area::kWindowPolygon}, {L"CP", Area::kCrossingPolygon}};
    for (const auto& named : areas)
        if (keywordIs(answer, named.first)) {
            area = named.second;
            return true;
        }
    return false;
}

// Adds the found entities not yet in the set, or removes them; the set keeps its order.
// Membership is hashed so that selecting a whole drawing stays linear.
void addOrRemove(std::vector<AcDbObjectId>& set, std::unordered_set<const AcDbStub*>& members,
                 const std::vector<AcDbObjectId>& found, bool removing)
{
    if (!removing) {
        for (const AcDbObjectId& id : found)
            if (members.insert(AcDbSystemInternals::stubOf(id)).second)
                set.push_back(id);
        return;
    }
    bool removedAny = false;
    for (const AcDbObjectId& id : found)
        removedAny |= members.erase(AcDbSystemInternals::stubOf(id)) > 0;
    if (removedAny)
        set.erase(std::remove_if(set.begin(), set.end(),
                                 [&](const AcDbObjectId& id) { return members.count(AcDbSystemInternals::stubOf(id)) == 0; }),
                  set.end());
}

// The entity a point picks, among those the filter lets through; picks are not snapped.
std::vector<AcDbObjectId> pickedEntity(AcDbDatabase* db, const AcGePoint3d& pt, const struct resbuf* filter)
{
    std::vector<AcDbObjectId> hits = filtered(acrt::entitiesAtPick(db, pt), filter);
    if (hits.size() > 1)
        hits.resize(1);
    if (!hits.empty())
        acrt::notePickedEntity(hits.front());
    return hits;
}

// The interactive selection: "Select objects:" until Enter, each answer followed by
// how many entities it found. The crossing areas that added to it are kept.
int selectInteractively(AcDbDatabase* db, const struct resbuf* filter, ads_name ss)
{
    std::vector<vemhost::CrossingRegion> crossed;
    std::vector<AcDbObjectId> set;
    std::unordered_set<const AcDbStub*> members;
    bool removing = false;
    const acrt::RequestScope request(vemhost::Request::kSelection, false, AcGePoint3d::kOrigin, &set);
    for (;;) {
        std::wstring answer;
        AcGePoint3d a;
        acrt::SelectionArea area = acrt::SelectionArea::kWindow;
        const acrt::AnswerStatus status =
            acrt::readPointAnswer(removing ? L"\nRemove objects: " : L"\nSelect objects: ", answer, a);
        if (status == acrt::AnswerStatus::kCancel)
            return RTCAN;
        if (status == acrt::AnswerStatus::kText && answer.empty())
            break;
        std::vector<AcDbObjectId> found;
        if (status == acrt::AnswerStatus::kPick) {
            found = pickedEntity(db, a, filter);
        } else if (keywordIs(answer, L"R") || keywordIs(answer, L"A")) {
            removing = keywordIs(answer, L"R");
            continue;
        } else if (areaOf(answer, area)) {
            vemhost::CrossingRegion region;
            if (!acrt::entitiesInArea(db, area, found, region))
                return RTCAN;
            found = filtered(found, filter);
            if (!removing && !region.corners.empty())
                crossed.push_back(std::move(region));
        } else if (keywordIs(answer, L"ALL")) {
            found = filtered(acrt::currentSpaceEntities(db), filter);
        } else if (keywordIs(answer, L"L")) {
            AcDbObjectId last = lastEntity(db);
            if (!last.isNull())
                found = filtered({last}, filter);
        } else if (keywordIs(answer, L"P")) {
            found = filtered(recalled(selections().previous, db), filter);
        } else if (acrt::parsePoint(answer, vemhost::lastPoint(), a)) {
            found = pickedEntity(db, a, filter);
        } else {
            vemhost::printPlain(L"\n*Invalid selection*");
            continue;
        }
        addOrRemove(set, members, found, removing);
        AcString msg;
        msg.format(removing ? L"\n%d removed" : L"\n%d found", int(found.size()));
        vemhost::printPlain(msg.wstr());
    }
    selections().crossed = std::move(crossed);
    if (set.empty())
        return RTERROR;
    makeSet(std::move(set), ss);
    return RTNORM;
}

}  // namespace

void acrt::forgetRememberedSelections()
{
    SelectionSets& s = selections();
    s.previous = RememberedSelection();
    s.pickFirst = RememberedSelection();
    s.lastPicked = RememberedSelection();
    s.crossed.clear();
}

Adesk::Int64 acrt::selectionSetMark() { return selections().nextId; }

void acrt::freeSelectionSetsSince(Adesk::Int64 mark)
{
    auto& sets = selections().sets;
    sets.erase(sets.lower_bound(mark), sets.end());
}

void acrt::notePickedEntity(const AcDbObjectId& id) { remember(selections().lastPicked, {id}); }

namespace vemhost {
std::vector<CrossingRegion> lastCrossingRegions() { return selections().crossed; }
AcDbObjectId lastPickedEntity()
{
    const std::vector<AcDbObjectId> ids =
        recalled(selections().lastPicked, acdbHostApplicationServices()->workingDatabase());
    return ids.empty() || ids.front().isErased() ? AcDbObjectId() : ids.front();
}
namespace testing {
long openSelectionSetCount() { return long(selections().sets.size()); }
}  // namespace testing
}  // namespace vemhost

namespace acrt {

std::vector<AcDbObjectId> currentSpaceEntities(AcDbDatabase* db)
{
    if (db == nullptr)
        return {};
    return entitiesOfBlock(db->currentSpaceId());
}

std::vector<AcDbObjectId> allEntities(AcDbDatabase* db)
{
    std::vector<AcDbObjectId> ids;
    AcDbBlockTable* table = nullptr;
    if (db == nullptr || db->getBlockTable(table, AcDb::kForRead) != Acad::eOk)
        return ids;
    for (const AcDbObjectId& blockId : table->recordIds()) {
        AcDbObject* obj = AcDbSystemInternals::peek(blockId);
        AcDbBlockTableRecord* btr = obj ? AcDbBlockTableRecord::cast(obj) : nullptr;
        if (blockId.isErased() || btr == nullptr || !btr->isLayout())
            continue;
        std::vector<AcDbObjectId> more = entitiesOfBlock(blockId);
        ids.insert(ids.end(), more.begin(), more.end());
    }
    table->close();
    return ids;
}

std::vector<AcDbObjectId> entitiesAtPick(AcDbDatabase* db, const AcGePoint3d& pt)
{
    std::vector<std::pair<double, size_t>> hits;
    const double box = vemhost::pickBox();
    // A slightly larger square than the pick box: its candidates hold all the entities
    // within the box, whatever the rounding of the distances.
    const double reach = box * (1.0 + 1e-9) + 1e-9;
    std::vector<AcDbObjectId> ids =
        currentSpaceEntitiesNear(db, pt - AcGeVector3d(reach, reach, 0.0), pt + AcGeVector3d(reach, reach, 0.0));
    for (size_t i = 0; i < ids.size(); ++i) {
        AcDbEntity* ent = nullptr;
        if (acdbOpenAcDbEntity(ent, ids[i], AcDb::kForRead) != Acad::eOk)
            continue;
        double d = pickDistance(ent, pt);
        ent->close();
        if (d <= box)
            hits.emplace_back(d, i);
    }
    // Nearest first; among equals the latest drawn wins.
    std::sort(hits.begin(), hits.end(), [](const auto& l, const auto& r) {
        return l.first != r.first ? l.first < r.first : l.second > r.second;
    });
    std::vector<AcDbObjectId> out;
    for (const auto& h : hits)
        out.push_back(ids[h.second]);
    return out;
}

bool drawnExtents(AcDbEntity* ent, AcGePoint3d& lo, AcGePoint3d& hi)
{
    if (ent != nullptr && ent == t_measured.entity) {
        lo = t_measured.lo;
        hi = t_measured.hi;
        return t_measured.found;
    }
    // Each primitive is taken into the box as it is drawn: an entity that draws a great
    // deal (a text of a million characters) is never held whole.
    struct ExtentsSink final : vemhost::ScaledSink {
        AcDbExtents ext;
        void primitive(const vemhost::Primitive& prim) override
        {
            for (const AcGePoint3d& p : prim.points)
                ext.addPoint(p);
            if (prim.kind == vemhost::Primitive::kCircle && !prim.points.empty()) {
                AcGeVector3d r(prim.radius, prim.radius, 0.0);
                ext.addPoint(prim.points[0] + r);
                ext.addPoint(prim.points[0] - r);
            }
        }
        void mark(const vemhost::Mark&) override {}
    } sink;
    vemhost::ScaledDrawer drawer(0.0);
    vemhost::EntityBox whole;
    if (ent != nullptr)
        whole.id = ent->objectId();
    drawer.draw(ent, whole, sink);
    const AcDbExtents& ext = sink.ext;
    if (ext.isEmpty())
        return false;
    lo = ext.minPoint();
    hi = ext.maxPoint();
    return true;
}

bool indexExtents(AcDbEntity* ent, AcGePoint3d& lo, AcGePoint3d& hi)
{
    MeasuredExtents drawn;
    drawn.found = drawnExtents(ent, drawn.lo, drawn.hi);
    drawn.entity = ent;
    t_measured = drawn;
    AcDbExtents ext;
    if (ent->getGeomExtents(ext) != Acad::eOk)
        ext = AcDbExtents();
    t_measured = MeasuredExtents();
    if (drawn.found) {
        ext.addPoint(drawn.lo);
        ext.addPoint(drawn.hi);
    }
    if (ext.isEmpty())
        return false;
    lo = ext.minPoint();
    hi = ext.maxPoint();
    return true;
}

}  // namespace acrt

// ---- entity names ------------------------------------------------------------------------

Acad::ErrorStatus acdbGetObjectId(AcDbObjectId& objId, const ads_name objName)
{
    objId.setNull();
    if (objName == nullptr)
        return Acad::eInvalidInput;
    AcDbDatabase* db = acrt::databaseOfSerial(objName[1]);
    if (db == nullptr)
        return Acad::eInvalidInput;
    AcDbObjectId id;
    if (db->getAcDbObjectId(id, false, AcDbHandle(Adesk::UInt64(objName[0]))) != Acad::eOk)
        return Acad::eInvalidInput;
    objId = id;
    return Acad::eOk;
}

Acad::ErrorStatus acdbGetAdsName(ads_name& objName, AcDbObjectId objId)
{
    objName[0] = objName[1] = 0;
    AcDbStub* stub = AcDbSystemInternals::stubOf(objId);
    if (stub == nullptr)
        return Acad::eNullObjectId;
    AcDbDatabase::Impl* impl = AcDbSystemInternals::impl(stub->database);
    if (impl == nullptr)
        return Acad::eInvalidInput;
    objName[0] = Adesk::Int64(stub->handle);
    objName[1] = impl->serial;
    return Acad::eOk;
}

// ---- the editor calls ----------------------------------------------------------------------

int acedEntSel(const ACHAR* str, ads_name entres, ads_point ptres)
{
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    const ACHAR* prompt = str ? str : L"\nSelect object: ";
    acrt::takeInitGetFlags();
    const acrt::RequestScope request(vemhost::Request::kObject);
    for (;;) {
        std::wstring answer;
        AcGePoint3d picked, pt;
        const acrt::AnswerStatus status = acrt::readPointAnswer(prompt, answer, picked);
        if (status == acrt::AnswerStatus::kCancel)
            return RTCAN;
        if (status == acrt::AnswerStatus::kText && answer.empty())
            return RTERROR;
        if (!acrt::pointOfAnswer(status, answer, picked, vemhost::lastPoint(), pt)) {
            vemhost::printPlain(L"\nInvalid point.");
            continue;
        }
        std::vector<AcDbObjectId> hits = acrt::entitiesAtPick(db, pt);
        if (hits.empty())
            return RTERROR;
        acrt::notePickedEntity(hits.front());
        if (entres != nullptr)
            acdbGetAdsName(*reinterpret_cast<ads_name*>(entres), hits.front());
        if (ptres != nullptr) {
            ptres[X] = pt.x;
            ptres[Y] = pt.y;
            ptres[Z] = pt.z;
        }
        return RTNORM;
    }
}

int acedSSGet(const ACHAR* str, const void* pt1, const void* pt2, const struct resbuf* filter, ads_name ss)
{
    if (ss == nullptr)
        return RTERROR;
    ss[0] = ss[1] = 0;
    selections().crossed.clear();
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    if (db == nullptr)
        return RTERROR;
    std::vector<AcDbObjectId> ids;
    if (str == nullptr) {
        return selectInteractively(db, filter, ss);
    } else if (keywordIs(str, L"X")) {
        ids = filtered(acrt::allEntities(db), filter);
    } else if ((keywordIs(str, L"W") || keywordIs(str, L"C")) && pt1 != nullptr && pt2 != nullptr) {
        const double* a = static_cast<const double*>(pt1);
        const double* b = static_cast<const double*>(pt2);
        ids = filtered(acrt::entitiesInWindow(db, AcGePoint3d(a[0], a[1], a[2]), AcGePoint3d(b[0], b[1], b[2]),
                                              keywordIs(str, L"C")),
                       filter);
    } else if (keywordIs(str, L"L")) {
        AcDbObjectId last = lastEntity(db);
        if (!last.isNull())
            ids = filtered({last}, filter);
    } else if (keywordIs(str, L"P")) {
        ids = filtered(recalled(selections().previous, db), filter);
    } else if (keywordIs(str, L"I")) {
        ids = filtered(recalled(selections().pickFirst, db), filter);
    } else {
        return RTERROR;
    }
    if (ids.empty())
        return RTERROR;
    makeSet(std::move(ids), ss);
    return RTNORM;
}

int acedSSLength(const ads_name sname, Adesk::Int32* len)
{
    std::vector<AcDbObjectId>* set = setOf(sname);
    if (set == nullptr || len == nullptr)
        return RTERROR;
    *len = Adesk::Int32(set->size());
    return RTNORM;
}

int acedSSName(const ads_name ss, int i, ads_name entres)
{
    std::vector<AcDbObjectId>* set = setOf(ss);
    if (set == nullptr || entres == nullptr || i < 0 || size_t(i) >= set->size())
        return RTERROR;
    return acdbGetAdsName(*reinterpret_cast<ads_name*>(entres), (*set)[size_t(i)]) == Acad::eOk ? RTNORM : RTERROR;
}

int acedSSFree(const ads_name sname)
{
    if (setOf(sname) == nullptr)
        return RTERROR;
    selections().sets.erase(sname[0]);
    return RTNORM;
}

int acedSSSetFirst(const ads_name pset, const ads_name)
{
    std::vector<AcDbObjectId>* set = setOf(pset);
    remember(selections().pickFirst, set ? *set : std::vector<AcDbObjectId>());
    return RTNORM;
}

int acedSSGetFirst(struct resbuf** gset, struct resbuf** pset)
{
    if (gset != nullptr)
        *gset = nullptr;
    if (pset != nullptr)
        *pset = nullptr;
    return RTNORM;
}
