// STRETCH's selection: the ordinary "Select objects:" loop, keeping the crossing windows
// and polygons it was given, since those choose which stretch points move. Entities
// chosen otherwise (picks, windows, ALL, L, P) move whole.
#pragma once

#include <vector>

#include "dbmain.h"
#include "gepnt2d.h"

namespace vemcad {

// A crossing window (two opposite corners) or a crossing polygon (three corners or more).
class StretchRegion {
public:
    static StretchRegion window(const AcGePoint3d& a, const AcGePoint3d& b);
    static StretchRegion polygon(std::vector<AcGePoint2d> corners);

    // A point on the border counts as inside.
    bool contains(const AcGePoint3d& p) const;
    // Whether an axis-aligned box (an entity's extents) meets the region.
    bool meetsBox(const AcGePoint3d& lo, const AcGePoint3d& hi) const;

private:
    bool m_isPolygon = false;
    AcGePoint2d m_lo, m_hi;  // the window, or the polygon's bounds
    std::vector<AcGePoint2d> m_corners;
};

struct StretchMember {
    AcDbObjectId id;
    bool whole;  // moved whole rather than by its stretch points
};

struct StretchSelection {
    std::vector<StretchMember> members;
    std::vector<StretchRegion> regions;
};

// "Select objects:" until Enter: points pick, C and CP crossing windows and polygons,
// W windows, ALL, L, P, R and A. RTNORM with a selection, RTCAN on cancel, RTERROR when
// nothing was selected.
int selectToStretch(AcDbDatabase* db, StretchSelection& selection);

}  // namespace vemcad
