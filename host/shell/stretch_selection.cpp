// The selection loop of STRETCH, with the regions that decide which points move.
#include "stretch_selection.h"

#include <algorithm>
#include <unordered_map>

#include "acedads.h"
#include "db_internals.h"
#include "editor_internals.h"
#include "vemhost.h"

namespace vemcad {

namespace {

double cross(const AcGePoint2d& o, const AcGePoint2d& a, const AcGePoint2d& b)
{
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

bool onSegment(const AcGePoint2d& p, const AcGePoint2d& a, const AcGePoint2d& b)
{
    return cross(a, b, p) == 0.0 && p.x >= std::min(a.x, b.x) && p.x <= std::max(a.x, b.x) &&
           p.y >= std::min(a.y, b.y) && p.y <= std::max(a.y, b.y);
}

// Whether two segments share a point, touching included.
bool segmentsMeet(const AcGePoint2d& a, const AcGePoint2d& b, const AcGePoint2d& c, const AcGePoint2d& d)
{
    const double d1 = cross(c, d, a), d2 = cross(c, d, b), d3 = cross(a, b, c), d4 = cross(a, b, d);
    if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0)))
        return true;
    return onSegment(a, c, d) || onSegment(b, c, d) || onSegment(c, a, b) || onSegment(d, a, b);
}

bool insidePolygon(const AcGePoint2d& p, const std::vector<AcGePoint2d>& pts)
{
    bool inside = false;
    for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
        if (onSegment(p, pts[j], pts[i]))
            return true;
        if (((pts[i].y > p.y) != (pts[j].y > p.y)) &&
            (p.x < (pts[j].x - pts[i].x) * (p.y - pts[i].y) / (pts[j].y - pts[i].y) + pts[i].x))
            inside = !inside;
    }
    return inside;
}

bool extentsOf(AcDbEntity* ent, AcGePoint3d& lo, AcGePoint3d& hi)
{
    AcDbExtents ext;
    if (ent->getGeomExtents(ext) == Acad::eOk && !ext.isEmpty()) {
        lo = ext.minPoint();
        hi = ext.maxPoint();
        return true;
    }
    return acrt::drawnExtents(ent, lo, hi);
}

// The current space's entities whose extents meet the region (crossing) or lie wholly
// inside the window.
std::vector<AcDbObjectId> entitiesIn(AcDbDatabase* db, const StretchRegion& region, bool crossing)
{
    std::vector<AcDbObjectId> found;
    for (const AcDbObjectId& id : acrt::currentSpaceEntities(db)) {
        AcDbEntity* ent = nullptr;
        if (acdbOpenAcDbEntity(ent, id, AcDb::kForRead) != Acad::eOk)
            continue;
        AcGePoint3d lo, hi;
        const bool hasExtents = extentsOf(ent, lo, hi);
        ent->close();
        if (hasExtents && (crossing ? region.meetsBox(lo, hi) : region.contains(lo) && region.contains(hi)))
            found.push_back(id);
    }
    return found;
}

bool keywordIs(const std::wstring& answer, const wchar_t* keyword)
{
    return AcString(answer.c_str()).compareNoCase(keyword) == 0;
}

bool askPoint(const ACHAR* prompt, AcGePoint3d& pt)
{
    ads_point p;
    if (acedGetPoint(nullptr, prompt, p) != RTNORM)
        return false;
    pt = AcGePoint3d(p[X], p[Y], p[Z]);
    return true;
}

// The corners of a crossing polygon, until Enter; U takes the last one back. False on
// cancel.
bool askPolygon(std::vector<AcGePoint2d>& corners)
{
    AcGePoint3d first;
    if (!askPoint(L"\nFirst polygon point: ", first))
        return false;
    corners.assign(1, AcGePoint2d(first.x, first.y));
    for (;;) {
        std::wstring answer;
        if (acrt::readAnswer(L"\nSpecify endpoint of line or [Undo]: ", false, answer) == acrt::AnswerStatus::kCancel)
            return false;
        if (answer.empty())
            return true;
        AcGePoint3d p;
        if (keywordIs(answer, L"U") || keywordIs(answer, L"Undo")) {
            if (corners.size() > 1)
                corners.pop_back();
        } else if (acrt::parsePoint(answer, vemhost::lastPoint(), p)) {
            corners.emplace_back(p.x, p.y);
            vemhost::setLastPoint(p);
        } else {
            vemhost::printPlain(L"\nInvalid point.");
        }
    }
}

// The set being built: members in the order found, each once.
class MemberSet {
public:
    void add(const std::vector<AcDbObjectId>& found, bool whole)
    {
        for (const AcDbObjectId& id : found) {
            auto it = m_index.emplace(AcDbSystemInternals::stubOf(id), m_members.size());
            if (it.second)
                m_members.push_back({id, whole});
            else if (whole)
                m_members[it.first->second].whole = true;  // a pick moves it whole
        }
    }
    void remove(const std::vector<AcDbObjectId>& found)
    {
        for (const AcDbObjectId& id : found)
            m_index.erase(AcDbSystemInternals::stubOf(id));
        m_members.erase(std::remove_if(m_members.begin(), m_members.end(),
                                       [&](const StretchMember& m) {
                                           return m_index.count(AcDbSystemInternals::stubOf(m.id)) == 0;
                                       }),
                        m_members.end());
        for (size_t i = 0; i < m_members.size(); ++i)
            m_index[AcDbSystemInternals::stubOf(m_members[i].id)] = i;
    }
    std::vector<StretchMember> take() { return std::move(m_members); }

private:
    std::vector<StretchMember> m_members;
    std::unordered_map<const AcDbStub*, size_t> m_index;
};

// The previous selection set, for the P answer. The loop itself makes no selection set,
// so this is the one from before STRETCH began.
std::vector<AcDbObjectId> previousSelection()
{
    std::vector<AcDbObjectId> ids;
    ads_name ss;
    if (acedSSGet(L"P", nullptr, nullptr, nullptr, ss) != RTNORM)
        return ids;
    Adesk::Int32 n = 0;
    acedSSLength(ss, &n);
    for (Adesk::Int32 i = 0; i < n; ++i) {
        ads_name e;
        AcDbObjectId id;
        if (acedSSName(ss, i, e) == RTNORM && acdbGetObjectId(id, e) == Acad::eOk)
            ids.push_back(id);
    }
    acedSSFree(ss);
    return ids;
}

}  // namespace

StretchRegion StretchRegion::window(const AcGePoint3d& a, const AcGePoint3d& b)
{
    StretchRegion r;
    r.m_lo = AcGePoint2d(std::min(a.x, b.x), std::min(a.y, b.y));
    r.m_hi = AcGePoint2d(std::max(a.x, b.x), std::max(a.y, b.y));
    return r;
}

StretchRegion StretchRegion::polygon(std::vector<AcGePoint2d> corners)
{
    StretchRegion r;
    r.m_isPolygon = true;
    r.m_corners = std::move(corners);
    r.m_lo = r.m_hi = r.m_corners.front();
    for (const AcGePoint2d& c : r.m_corners) {
        r.m_lo = AcGePoint2d(std::min(r.m_lo.x, c.x), std::min(r.m_lo.y, c.y));
        r.m_hi = AcGePoint2d(std::max(r.m_hi.x, c.x), std::max(r.m_hi.y, c.y));
    }
    return r;
}

bool StretchRegion::contains(const AcGePoint3d& p) const
{
    if (p.x < m_lo.x || p.x > m_hi.x || p.y < m_lo.y || p.y > m_hi.y)
        return false;
    return !m_isPolygon || insidePolygon(AcGePoint2d(p.x, p.y), m_corners);
}

bool StretchRegion::meetsBox(const AcGePoint3d& lo, const AcGePoint3d& hi) const
{
    if (lo.x > m_hi.x || hi.x < m_lo.x || lo.y > m_hi.y || hi.y < m_lo.y)
        return false;
    if (!m_isPolygon)
        return true;
    const AcGePoint2d box[4] = {{lo.x, lo.y}, {hi.x, lo.y}, {hi.x, hi.y}, {lo.x, hi.y}};
    for (const AcGePoint2d& c : m_corners)
        if (c.x >= lo.x && c.x <= hi.x && c.y >= lo.y && c.y <= hi.y)
            return true;
    for (const AcGePoint2d& b : box)
        if (insidePolygon(b, m_corners))
            return true;
    for (size_t i = 0, j = m_corners.size() - 1; i < m_corners.size(); j = i++)
        for (int k = 0; k < 4; ++k)
            if (segmentsMeet(m_corners[j], m_corners[i], box[k], box[(k + 1) % 4]))
                return true;
    return false;
}

int selectToStretch(AcDbDatabase* db, StretchSelection& selection)
{
    MemberSet set;
    std::vector<StretchRegion> regions;
    bool removing = false;
    for (;;) {
        std::wstring answer;
        if (acrt::readAnswer(removing ? L"\nRemove objects: " : L"\nSelect objects: ", false, answer) ==
            acrt::AnswerStatus::kCancel)
            return RTCAN;
        if (answer.empty())
            break;
        std::vector<AcDbObjectId> found;
        bool whole = true;
        AcGePoint3d a, b;
        if (keywordIs(answer, L"R") || keywordIs(answer, L"A")) {
            removing = keywordIs(answer, L"R");
            continue;
        } else if (keywordIs(answer, L"W") || keywordIs(answer, L"C")) {
            if (!askPoint(L"\nSpecify first corner: ", a) || !askPoint(L"\nSpecify opposite corner: ", b))
                return RTCAN;
            const bool crossing = keywordIs(answer, L"C");
            found = entitiesIn(db, StretchRegion::window(a, b), crossing);
            whole = !crossing;
            if (crossing && !removing)
                regions.push_back(StretchRegion::window(a, b));
        } else if (keywordIs(answer, L"CP")) {
            std::vector<AcGePoint2d> corners;
            if (!askPolygon(corners))
                return RTCAN;
            if (corners.size() >= 3) {
                StretchRegion region = StretchRegion::polygon(std::move(corners));
                found = entitiesIn(db, region, true);
                whole = false;
                if (!removing)
                    regions.push_back(std::move(region));
            }
        } else if (keywordIs(answer, L"ALL")) {
            found = acrt::currentSpaceEntities(db);
        } else if (keywordIs(answer, L"L")) {
            std::vector<AcDbObjectId> all = acrt::currentSpaceEntities(db);
            if (!all.empty())
                found.push_back(all.back());
        } else if (keywordIs(answer, L"P")) {
            found = previousSelection();
        } else if (acrt::parsePoint(answer, vemhost::lastPoint(), a)) {
            std::vector<AcDbObjectId> hits = acrt::entitiesAtPick(db, a);
            if (!hits.empty())
                found.push_back(hits.front());
        } else {
            vemhost::printPlain(L"\n*Invalid selection*");
            continue;
        }
        if (removing)
            set.remove(found);
        else
            set.add(found, whole);
        AcString msg;
        msg.format(removing ? L"\n%d removed" : L"\n%d found", int(found.size()));
        vemhost::printPlain(msg.wstr());
    }
    selection.members = set.take();
    selection.regions = std::move(regions);
    return selection.members.empty() ? RTERROR : RTNORM;
}

}  // namespace vemcad
