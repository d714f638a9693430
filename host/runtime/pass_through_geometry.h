// Private to the runtime: what a pass-through entity's groups describe, decoded once per
// change. The shape holds what it draws in world coordinates (polylines, circular and
// elliptic arcs, splines, or the block a dimension or table shows); the places hold
// where its coordinates, angles and lengths stand among the groups, so that a transform
// can rewrite them in place.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "circular_frame.h"
#include "nurbs_curve.h"
#include "pass_through.h"

namespace acrt {

// A circular arc: its plane's normal, and its start and sweep (radians, counter-clockwise
// about the normal) measured from the x axis the arbitrary-axis rule gives the normal.
struct PassThroughArc {
    AcGePoint3d center;
    AcGeVector3d normal;
    double radius = 0.0, start = 0.0, sweep = 0.0;
};

// A NURBS curve that owns its data (weights empty when not rational).
struct PassThroughSpline {
    int degree = 1;
    std::vector<AcGePoint3d> points;
    std::vector<double> knots, weights;

    NurbsView view() const
    {
        return NurbsView{degree, int(points.size()), points.data(), knots.data(),
                         weights.empty() ? nullptr : weights.data()};
    }
};

// Where a coordinate, angle or length stands in the groups, and what it is.
struct GroupPlace {
    enum Kind : unsigned char {
        kPoint,       // x, y and z (z may be -1: a flat point, or 0 when absent)
        kVector,      // a direction or offset: moves with rotation and scale only
        kElevation,   // x: the height of an entity's plane along its normal
        kBulge,       // x: a bulge, whose sign a mirror turns round
        kLength,      // x: a radius or length, which a scale scales
        kAngle,       // x: a direction in degrees from the x axis
        kArcAngles,   // x, y: start and end (degrees), z: the counter-clockwise flag
        kEllipseAngles,  // as kArcAngles, measured from the ellipse's major axis
    };
    Kind kind = kPoint;
    bool flat = false;  // a point of an entity's plane: its height is the elevation
    int x = -1, y = -1, z = -1;
};

// One piece of a filled area's loop: a polyline, arc, ellipse or spline of the shape, by
// its index among those of its kind.
struct ShapePiece {
    enum Kind : unsigned char { kRun, kArc, kEllipse, kSpline };
    Kind kind = kRun;
    unsigned index = 0;
};

// A leader's arrowhead: at the first vertex, pointing away from the second. Its size is
// the dimension style's arrow size times its scale; the leader's own overrides (below
// zero when it has none) win over the style's.
struct LeaderArrow {
    AcGePoint3d tip;
    AcGeVector3d back;    // unit vector from the tip along the first segment
    AcGeVector3d normal;  // of the plane the arrowhead lies in
    std::string style;    // the dimension style's name
    double size = -1.0, scale = -1.0;
    bool blockNamed = false;  // the leader names an arrow block of its own: not drawn
    // The size drawn, found in the drawing's dimension styles on first use (0: none).
    mutable double drawnSize = -1.0;
};

// How a pass-through entity may be transformed.
enum class TransformRule : unsigned char {
    kNone,         // not at all
    kTranslation,  // moved only
    kSimilarity,   // any similarity: world points only
    kPlanar,       // a similarity that keeps the XY plane, when the plane's normal is +Z
};

struct PassThroughShape {
    std::vector<AcGePoint3d> points;        // every polyline's points, one after another
    std::vector<unsigned> runs;             // the number of points of each polyline
    std::vector<PassThroughArc> arcs;
    std::vector<EllipseCurve> ellipses;
    std::vector<PassThroughSpline> splines;
    std::string blockName;                  // a dimension's or table's block, when named
    AcGePoint3d blockPosition;

    // Filled areas: the pieces of every loop one after another, and the number of pieces
    // of each loop. A filled shape (a solid, a solid-filled hatch) shows its fills, not
    // its outlines. Loops inside fillDepthLimit others or more are left out (a hatch's
    // style: 2 keeps the outermost loops and the holes in them, 1 the outermost only).
    std::vector<ShapePiece> fillPieces;
    std::vector<unsigned> fillLoops;
    bool filled = false;
    int fillDepthLimit = 1 << 30;
    std::unique_ptr<LeaderArrow> arrow;

    // In the groups: the entity's normal (its plane's), and every place a transform
    // changes. A place whose value does not read leaves the entity untransformable.
    AcGeVector3d normal = AcGeVector3d::kZAxis;
    std::vector<GroupPlace> places;
    TransformRule rule = TransformRule::kNone;
    bool placesComplete = true;

    // For LIST: a line about the geometry ("Boundary paths: 2"), empty when none.
    std::wstring summary;

    void addRun(const std::vector<AcGePoint3d>& run, bool closed);
    void addArc(const PassThroughArc& arc);
    void addEllipse(const EllipseCurve& ellipse);
    void addSpline(PassThroughSpline spline);
    // Between these, every piece added joins a loop of the filled area.
    void beginFillLoop();
    void endFillLoop();
    bool drawsNothing() const
    {
        return runs.empty() && arcs.empty() && ellipses.empty() && splines.empty() && blockName.empty();
    }

private:
    void notePiece(ShapePiece::Kind kind, size_t count);
    bool m_loopOpen = false;
};

// Reads a group's value as a finite number: leading and trailing blanks allowed, nothing
// else. False (value untouched) otherwise.
bool groupNumber(const std::string& text, double& value);
// The shortest text that reads back as exactly value.
std::string numberText(double value);

// The shape of an entity of the DXF type with these groups; never fails: what does not
// read draws nothing.
std::unique_ptr<PassThroughShape> decodeShape(const std::string& type, const DxfGroups& groups);

// Pieces of the decoder that the types share and the hatch decoder uses.
struct PlaneFrame {
    explicit PlaneFrame(const AcGeVector3d& normal);
    AcGePoint3d world(double x, double y, double z) const
    {
        return AcGePoint3d::kOrigin + x * xAxis + y * yAxis + z * zAxis;
    }
    AcGeVector3d worldVector(double x, double y) const { return x * xAxis + y * yAxis; }
    AcGeVector3d xAxis, yAxis, zAxis;
};
// The entity's normal from 210/220/230 among groups [from, to), +Z when absent or unusable.
AcGeVector3d normalOf(const DxfGroups& groups, size_t from, size_t to);
// Adds the bulge arc from a to b (plane coordinates at elevation z) to the shape.
void addBulgeArc(PassThroughShape& shape, const PlaneFrame& frame, const AcGePoint2d& a, const AcGePoint2d& b,
                 double bulge, double z);
// Adds a path of plane points, each bulge (0: straight) leading to the next point.
void addPlanePath(PassThroughShape& shape, const PlaneFrame& frame, const std::vector<AcGePoint2d>& points,
                  const std::vector<double>& bulges, bool closed, double z);
void decodeHatch(const DxfGroups& groups, PassThroughShape& shape);

// The arrowhead of a leader whose groups [from, to) (XDATA after them) have these
// vertices, unless it has none.
void addLeaderArrow(const DxfGroups& groups, size_t from, size_t to, const std::vector<AcGePoint3d>& run,
                    PassThroughShape& shape);
// Draws the polygon filled whatever the traits' fill type.
void drawFilledPolygon(AcGiWorldDraw* pWd, const AcGePoint3d* points, size_t count);
// Draws the shape's filled areas: each loop flattened within the view's deviation, the
// loops nested inside others as holes (and islands in the holes filled again).
void drawFills(AcGiWorldDraw* pWd, const PassThroughShape& shape);
// The closed arrowhead of a leader with the size given (its corners, tip first).
void arrowCorners(const LeaderArrow& arrow, double size, AcGePoint3d corners[3]);

// Transforms the groups in place by xform as the shape's rule allows; the groups are
// untouched unless the result is eOk.
Acad::ErrorStatus transformGroups(const PassThroughShape& shape, const AcGeMatrix3d& xform, DxfGroups& groups);

}  // namespace acrt
