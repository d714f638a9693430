// The windows and polygons of a selection: their corners, asked without snapping, the
// entities they take by their extents, and the crossing regions a program may read
// back (as STRETCH does to choose the points it moves).
#include "selection_areas.h"

#include <algorithm>

#include "acedads.h"
#include "editor_internals.h"
#include "spatial_index.h"

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

// Whether segments a-b and c-d cross at a point inside both.
bool segmentsCross(const AcGePoint2d& a, const AcGePoint2d& b, const AcGePoint2d& c, const AcGePoint2d& d)
{
    const double d1 = cross(c, d, a), d2 = cross(c, d, b), d3 = cross(a, b, c), d4 = cross(a, b, d);
    return ((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0));
}

// Whether they share a point, touching included.
bool segmentsMeet(const AcGePoint2d& a, const AcGePoint2d& b, const AcGePoint2d& c, const AcGePoint2d& d)
{
    return segmentsCross(a, b, c, d) || onSegment(a, c, d) || onSegment(b, c, d) || onSegment(c, a, b) ||
           onSegment(d, a, b);
}

// A point on the border is inside.
bool insideRegion(const AcGePoint2d& p, const std::vector<AcGePoint2d>& corners)
{
    if (corners.empty())
        return false;
    for (size_t i = 0, j = corners.size() - 1; i < corners.size(); j = i++)
        if (onSegment(p, corners[j], corners[i]))
            return true;
    return acrt::insidePolygon(p, corners);
}

// An axis-aligned box (an entity's extents) in the XY plane.
struct Box {
    AcGePoint2d corners[4];

    Box(const AcGePoint3d& lo, const AcGePoint3d& hi) : corners{{lo.x, lo.y}, {hi.x, lo.y}, {hi.x, hi.y}, {lo.x, hi.y}}
    {
    }
    bool holds(const AcGePoint2d& p) const
    {
        return p.x >= corners[0].x && p.x <= corners[2].x && p.y >= corners[0].y && p.y <= corners[2].y;
    }
    bool holdsStrictly(const AcGePoint2d& p) const
    {
        return p.x > corners[0].x && p.x < corners[2].x && p.y > corners[0].y && p.y < corners[2].y;
    }
    // Whether test holds for some edge of the polygon and some side of the box.
    template <class Test>
    bool anyEdgeAndSide(const std::vector<AcGePoint2d>& polygon, Test test) const
    {
        for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++)
            for (int k = 0; k < 4; ++k)
                if (test(polygon[j], polygon[i], corners[k], corners[(k + 1) % 4]))
                    return true;
        return false;
    }
};

// Whether a polygon holds a box wholly, its border included: every corner of the box
// is inside, and no corner or edge of the polygon enters the box.
bool polygonHoldsBox(const std::vector<AcGePoint2d>& polygon, const AcGePoint3d& lo, const AcGePoint3d& hi)
{
    const Box box(lo, hi);
    for (const AcGePoint2d& c : box.corners)
        if (!insideRegion(c, polygon))
            return false;
    for (const AcGePoint2d& c : polygon)
        if (box.holdsStrictly(c))
            return false;
    return polygon.empty() || !box.anyEdgeAndSide(polygon, segmentsCross);
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

// The current space's entities whose extents pass the test, in drawing order; only
// those whose extents meet the box lo-hi can pass.
template <class Test>
std::vector<AcDbObjectId> entitiesWhoseExtents(AcDbDatabase* db, const AcGePoint3d& lo, const AcGePoint3d& hi,
                                               Test test)
{
    std::vector<AcDbObjectId> out;
    for (const AcDbObjectId& id : acrt::currentSpaceEntitiesNear(db, lo, hi)) {
        AcDbEntity* ent = nullptr;
        if (acdbOpenAcDbEntity(ent, id, AcDb::kForRead) != Acad::eOk)
            continue;
        AcGePoint3d lo, hi;
        const bool passes = extentsOf(ent, lo, hi) && test(lo, hi);
        ent->close();
        if (passes)
            out.push_back(id);
    }
    return out;
}

vemhost::CrossingRegion windowRegion(const AcGePoint3d& a, const AcGePoint3d& b)
{
    vemhost::CrossingRegion region;
    region.corners = {{a.x, a.y}, {b.x, a.y}, {b.x, b.y}, {a.x, b.y}};
    return region;
}

// A corner: RTNORM with the point, RTKWORD for one of the keywords, RTNONE on Enter or
// RTCAN. Relative answers start from `from` when given.
int askCorner(const ACHAR* prompt, const ACHAR* keywords, const AcGePoint3d* from, AcGePoint3d& pt)
{
    ads_point p;
    const ads_point base = {from ? from->x : 0.0, from ? from->y : 0.0, from ? from->z : 0.0};
    acedInitGet(RSG_NOOSNAP, keywords);
    const int rc = acedGetPoint(from ? base : nullptr, prompt, p);
    if (rc == RTNORM)
        pt = AcGePoint3d(p[X], p[Y], p[Z]);
    return rc;
}

bool askCorner(const ACHAR* prompt, AcGePoint3d& pt) { return askCorner(prompt, nullptr, nullptr, pt) == RTNORM; }

// A polygon's corners until Enter; Undo takes the last one back. False on cancel.
bool askPolygon(std::vector<AcGePoint2d>& corners)
{
    AcGePoint3d p;
    if (!askCorner(L"\nFirst polygon point: ", p))
        return false;
    corners.assign(1, AcGePoint2d(p.x, p.y));
    for (;;) {
        const AcGePoint3d from(corners.back().x, corners.back().y, p.z);
        const int rc = askCorner(L"\nSpecify endpoint of line or [Undo]: ", L"Undo", &from, p);
        if (rc == RTNONE)
            return true;
        if (rc == RTNORM)
            corners.emplace_back(p.x, p.y);
        else if (rc != RTKWORD)
            return false;
        else if (corners.size() > 1)
            corners.pop_back();
    }
}

}  // namespace

namespace acrt {

std::vector<AcDbObjectId> entitiesInWindow(AcDbDatabase* db, const AcGePoint3d& a, const AcGePoint3d& b,
                                           bool crossing)
{
    const double x0 = std::min(a.x, b.x), x1 = std::max(a.x, b.x), y0 = std::min(a.y, b.y), y1 = std::max(a.y, b.y);
    return entitiesWhoseExtents(db, a, b, [&](const AcGePoint3d& lo, const AcGePoint3d& hi) {
        if (crossing)
            return lo.x <= x1 && hi.x >= x0 && lo.y <= y1 && hi.y >= y0;
        return lo.x >= x0 && hi.x <= x1 && lo.y >= y0 && hi.y <= y1;
    });
}

bool entitiesInArea(AcDbDatabase* db, SelectionArea area, std::vector<AcDbObjectId>& found,
                    vemhost::CrossingRegion& crossed)
{
    found.clear();
    crossed.corners.clear();
    const bool crossing = area == SelectionArea::kCrossing || area == SelectionArea::kCrossingPolygon;
    vemhost::CrossingRegion region;
    if (area == SelectionArea::kWindow || area == SelectionArea::kCrossing) {
        AcGePoint3d a, b;
        if (!askCorner(L"\nSpecify first corner: ", a) || !askCorner(L"\nSpecify opposite corner: ", b))
            return false;
        found = entitiesInWindow(db, a, b, crossing);
        region = windowRegion(a, b);
    } else {
        if (!askPolygon(region.corners))
            return false;
        if (region.corners.size() < 3)
            return true;
        AcDbExtents bounds;
        for (const AcGePoint2d& c : region.corners)
            bounds.addPoint(AcGePoint3d(c.x, c.y, 0.0));
        const auto inArea = [&](const AcGePoint3d& lo, const AcGePoint3d& hi) {
            return crossing ? region.meetsBox(lo, hi) : polygonHoldsBox(region.corners, lo, hi);
        };
        found = entitiesWhoseExtents(db, bounds.minPoint(), bounds.maxPoint(), inArea);
    }
    if (crossing)
        crossed = std::move(region);
    return true;
}

}  // namespace acrt

namespace vemhost {

bool CrossingRegion::contains(const AcGePoint3d& p) const { return insideRegion(AcGePoint2d(p.x, p.y), corners); }

bool CrossingRegion::meetsBox(const AcGePoint3d& lo, const AcGePoint3d& hi) const
{
    if (corners.empty())
        return false;
    const Box box(lo, hi);
    for (const AcGePoint2d& c : corners)
        if (box.holds(c))
            return true;
    for (const AcGePoint2d& c : box.corners)
        if (insideRegion(c, corners))
            return true;
    return box.anyEdgeAndSide(corners, segmentsMeet);
}

bool CrossingRegion::meets(AcDbEntity* ent) const
{
    AcGePoint3d lo, hi;
    return ent != nullptr && extentsOf(ent, lo, hi) && meetsBox(lo, hi);
}

}  // namespace vemhost
