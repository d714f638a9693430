// Private to the runtime: the windows and polygons of a selection, the corners the user
// gives them by and the entities of the current space they find.
#pragma once

#include <vector>

#include "dbmain.h"
#include "vemhost_program.h"

namespace acrt {

// Even-odd rule; a point on the border may fall either way.
template <class Point>
bool insidePolygon(const Point& p, const std::vector<Point>& pts)
{
    bool inside = false;
    for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
        if (((pts[i].y > p.y) != (pts[j].y > p.y)) &&
            (p.x < (pts[j].x - pts[i].x) * (p.y - pts[i].y) / (pts[j].y - pts[i].y) + pts[i].x))
            inside = !inside;
    }
    return inside;
}

// W, C, WP and CP: the window or polygon takes the entities wholly inside it, the
// crossing one those whose extents meet it.
enum class SelectionArea { kWindow, kCrossing, kWindowPolygon, kCrossingPolygon };

ACRT_PORT std::vector<AcDbObjectId> entitiesInWindow(AcDbDatabase* db, const AcGePoint3d& a, const AcGePoint3d& b,
                                           bool crossing);

// Asks for the area's corners, unsnapped, and finds the current space's entities in it;
// a crossing area comes back as its region (crossed is left empty otherwise). A polygon
// of fewer than three corners finds nothing. False on cancel.
ACRT_PORT bool entitiesInArea(AcDbDatabase* db, SelectionArea area, std::vector<AcDbObjectId>& found,
                              vemhost::CrossingRegion& crossed);

}  // namespace acrt
