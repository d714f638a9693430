// The two rules every label shares: how a point's coordinate along an axis is
// computed, and how a text is turned so that it never reads upside down.
#pragma once

#include "gepnt3d.h"
#include "vemd_export.h"

// The coordinate of markPoint along axisDir in the system whose (0, 0) is absOrigin:
// cos(angle from D to axisDir about +Z) × |D| × drawingScale, with D = markPoint −
// absOrigin, the products formed in that order. axisDir need not be a unit vector.
VEMD_EXPORT double coordinateValue(const AcGePoint3d& markPoint, const AcGePoint3d& absOrigin,
                                   const AcGeVector3d& axisDir, double drawingScale);

// cos(angle from `from` to `to` about +Z) × length × drawingScale, the rule above with
// the angle measured in the given order: a cosine within rounding of a right angle
// counts as 0, and a zero result is +0, so that a point on the other axis never shows
// a minus sign.
double projectedCoordinate(const AcGeVector3d& from, const AcGeVector3d& to, double length, double drawingScale);

// True when a text whose reading direction makes the angle theta (radians, [0, 2π))
// with +X must be turned half round to stay readable: π/2 < theta ≤ 3π/2.
bool readsAgainstDirection(double theta);

// The rotation that keeps such a text readable: theta, or theta + π when it reads
// against its direction.
double readableRotation(double theta);

// The angle from +X to dir, counter-clockwise about +Z, in [0, 2π).
double angleFromXAxis(const AcGeVector3d& dir);
