// Private to the runtime: what the ellipse and the spline share as smooth curves given
// by a parameter: their drawing as chords, extents, nearest points, perpendicular feet,
// tangent points, lengths, and the chords near a pick that intersection snaps cross.
#pragma once

#include <cmath>
#include <memory>
#include <vector>

#include "dbmain.h"
#include "gept3dar.h"

namespace acrt {

class ACRT_PORT ParametricCurve {
public:
    virtual ~ParametricCurve() = default;
    virtual double startParam() const = 0;
    virtual double endParam() const = 0;
    // The point at a parameter within the range and the first derivative there.
    virtual void evaluate(double t, AcGePoint3d& point, AcGeVector3d& derivative) const = 0;
    // Parameters that cut the curve into pieces that a few samples each follow
    // faithfully (knot spans, quarters of an ellipse), the start and the end included.
    virtual void appendBreaks(std::vector<double>& params) const = 0;

    AcGePoint3d pointAt(double t) const;
    AcGeVector3d derivativeAt(double t) const;
};

// The breaks with each piece cut into samplesPerPiece equal steps.
ACRT_PORT void sampleParams(const ParametricCurve& curve, int samplesPerPiece, std::vector<double>& params);

// Parameters of chord ends that stray from the curve by no more than deviation (drawing
// units); a deviation of zero or less takes a thousandth of the curve's size. The count
// is bounded: past the bound chords stay as they are.
ACRT_PORT void chordParams(const ParametricCurve& curve, double deviation, std::vector<double>& params);

// Draws the curve as one polyline within the view's deviation for curves.
ACRT_PORT void drawCurve(AcGiWorldDraw* pWd, const ParametricCurve& curve, const AcGeVector3d* normal);

// Widens extents by the curve's ends and its extreme points along each world axis.
ACRT_PORT void addCurveExtents(const ParametricCurve& curve, AcDbExtents& extents);

// The parameter of the curve's point nearest p (ends included).
ACRT_PORT double closestParam(const ParametricCurve& curve, const AcGePoint3d& p);

// Points where the line from the point meets the curve at a right angle.
ACRT_PORT void appendPerpendicularFeet(const ParametricCurve& curve, const AcGePoint3d& from,
                                       AcGePoint3dArray& points);

// Points where the line from the point touches the curve, seen along the normal.
ACRT_PORT void appendTangentPoints(const ParametricCurve& curve, const AcGePoint3d& from,
                                   const AcGeVector3d& normal, AcGePoint3dArray& points);

// The length along the curve between two parameters (from <= to).
ACRT_PORT double lengthBetween(const ParametricCurve& curve, double from, double to);

// The parameter halfway along the curve by length.
ACRT_PORT double midLengthParam(const ParametricCurve& curve);

// Chords (pairs of ends, one after another in ends) of the parts of the curve that may
// pass within reach of the pick in the plan, each within a ten thousandth of the
// curve's size of it, for intersections to be found on (and refined by refineCrossing).
ACRT_PORT void appendChordsNear(const ParametricCurve& curve, const AcGePoint3d& pick, double reach,
                                std::vector<AcGePoint3d>& ends);

// The curve of an ellipse or a spline, holding its own copy of the entity's geometry;
// null for other entities, a null ellipse and a spline whose data make no curve.
ACRT_PORT std::unique_ptr<ParametricCurve> curveOfEntity(const AcDbEntity* ent);

// The curve's point nearest p and its direction there.
ACRT_PORT void tangentNear(const ParametricCurve& curve, const AcGePoint3d& p, AcGePoint3d& foot,
                           AcGeVector3d& direction);

// Newton steps from a point near where two curves cross in the plan towards the
// crossing: each step crosses the curves' tangents at their points nearest the last
// estimate, which tangentA and tangentB (p, foot, direction) give. The height is the
// first curve's. The starting point stays when the steps do not settle.
template <class TangentA, class TangentB>
AcGePoint3d refineCrossing(TangentA tangentA, TangentB tangentB, const AcGePoint3d& start)
{
    AcGePoint3d p = start;
    for (int step = 0; step < 8; ++step) {
        AcGePoint3d a, b;
        AcGeVector3d da, db;
        tangentA(p, a, da);
        tangentB(p, b, db);
        const double denom = da.x * db.y - da.y * db.x;
        if (!(std::fabs(denom) > 1e-9 * std::hypot(da.x, da.y) * std::hypot(db.x, db.y)))
            return start;  // tangent to each other: no single crossing to settle on
        const double s = ((b.x - a.x) * db.y - (b.y - a.y) * db.x) / denom;
        const AcGePoint3d next = a + da * s;
        const double moved = std::hypot(next.x - p.x, next.y - p.y);
        p = next;
        if (moved <= 1e-13 * (1.0 + std::hypot(p.x, p.y)))
            return p;
    }
    return start;
}

}  // namespace acrt
