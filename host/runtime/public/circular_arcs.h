// Plane geometry of circles and arcs that the runtime and the commands which draw them
// share: the circle through three points and angles kept in one turn.
#pragma once

#include "dbmain.h"
#include "gepnt2d.h"

namespace acrt {

// The angle brought into [0, 2pi); a value that is not finite gives 0.
ACRT_PORT double normalizedAngle(double angle);

// The circle through three points: false when they coincide or lie on one line.
ACRT_PORT bool circleThrough(const AcGePoint2d& a, const AcGePoint2d& b, const AcGePoint2d& c, AcGePoint2d& center,
                             double& radius);

// The arc that starts at a, passes through b and ends at c, as the circle and the angles
// between which it runs counter-clockwise (from c to a when a, b, c turn clockwise).
ACRT_PORT bool arcThrough(const AcGePoint2d& a, const AcGePoint2d& b, const AcGePoint2d& c, AcGePoint2d& center,
                          double& radius, double& startAngle, double& endAngle);

}  // namespace acrt
