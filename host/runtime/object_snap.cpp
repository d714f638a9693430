// Object snaps: the snap points that the entities within the aperture of a pick offer
// for a set of modes, and the intersections of their lines, polyline segments, circles,
// arcs, ellipses and splines (as fine chords) and the pieces of entities that draw
// through others (labels, block references); the candidate nearest the pick wins, as
// the host picks the one nearest the cursor.
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "block_attributes.h"
#include "block_contents.h"
#include "curve_analysis.h"
#include "dbents.h"
#include "dbmtext.h"
#include "dbpl.h"
#include "editor_internals.h"
#include "gemat3d.h"
#include "vemhost_testing.h"

namespace {

struct ObjectMode {
    unsigned bit;
    AcDb::OsnapMode mode;
};

//  OSMODE bit        entity query
const ObjectMode kObjectModes[] = {
    {acrt::kSnapEnd, AcDb::kOsModeEnd},   {acrt::kSnapMid, AcDb::kOsModeMid},   {acrt::kSnapCen, AcDb::kOsModeCen},
    {acrt::kSnapNode, AcDb::kOsModeNode}, {acrt::kSnapQuad, AcDb::kOsModeQuad}, {acrt::kSnapIns, AcDb::kOsModeIns},
    {acrt::kSnapPerp, AcDb::kOsModePerp}, {acrt::kSnapTan, AcDb::kOsModeTan},   {acrt::kSnapNear, AcDb::kOsModeNear},
};

constexpr double kTwoPi = 2.0 * M_PI;
constexpr double kStraightBulge = 1e-12;  // flatter than this is a straight segment, as the polyline draws it
constexpr double kParameterTolerance = 1e-9;  // pieces that only touch at an end still intersect
constexpr double kAngleTolerance = 1e-9;
constexpr int kMaxNesting = 4;  // entities drawn through entities drawn through others ...

double planDistance(const AcGePoint3d& a, const AcGePoint3d& b) { return std::hypot(a.x - b.x, a.y - b.y); }

double cross(double ax, double ay, double bx, double by) { return ax * by - ay * bx; }

// Keeps the candidate nearest the pick in the plan; of equals the first stays.
class NearestCandidate {
public:
    explicit NearestCandidate(const AcGePoint3d& pick) : m_pick(pick) {}
    void offer(const AcGePoint3d& p, unsigned modeBit)
    {
        const double d = planDistance(p, m_pick);
        if (d < m_best) {
            m_best = d;
            m_point = p;
            m_modeBit = modeBit;
        }
    }
    bool found() const { return m_best < HUGE_VAL; }
    const AcGePoint3d& point() const { return m_point; }
    unsigned modeBit() const { return m_modeBit; }

private:
    AcGePoint3d m_pick;
    double m_best = HUGE_VAL;
    AcGePoint3d m_point;
    unsigned m_modeBit = 0;
};

// A straight piece, or an arc in the plan: a bulged segment of a polyline lying in a
// plane parallel to XY. Sweep is signed, positive counter-clockwise.
struct Piece {
    AcGePoint3d from, to;
    bool isArc = false;
    AcGePoint3d center;
    double radius = 0.0;
    double startAngle = 0.0;
    double sweep = 0.0;
    const acrt::ParametricCurve* curve = nullptr;  // the ellipse or spline this is a chord of

    bool containsAngle(double angle) const
    {
        double delta = std::fmod(sweep > 0.0 ? angle - startAngle : startAngle - angle, kTwoPi);
        if (delta < 0.0)
            delta += kTwoPi;
        return delta <= std::fabs(sweep) + kAngleTolerance || delta >= kTwoPi - kAngleTolerance;
    }
    double angleOf(double x, double y) const { return std::atan2(y - center.y, x - center.x); }
    AcGePoint3d pointAt(double angle) const
    {
        return AcGePoint3d(center.x + radius * std::cos(angle), center.y + radius * std::sin(angle), center.z);
    }
    // The point nearest p of the line, circle or curve the piece lies on, and the
    // direction there.
    void tangentNear(const AcGePoint3d& p, AcGePoint3d& foot, AcGeVector3d& direction) const
    {
        if (curve != nullptr) {
            acrt::tangentNear(*curve, p, foot, direction);
            return;
        }
        if (!isArc) {
            direction = to - from;
            const double len2 = direction.x * direction.x + direction.y * direction.y;
            const double along = (p.x - from.x) * direction.x + (p.y - from.y) * direction.y;
            foot = from + direction * (len2 > 0.0 ? along / len2 : 0.0);
            return;
        }
        const double angle = angleOf(p.x, p.y);
        foot = pointAt(angle);
        direction = AcGeVector3d(-std::sin(angle), std::cos(angle), 0.0);
    }
    double distanceTo(const AcGePoint3d& p) const
    {
        if (!isArc)
            return acrt::planSegmentDistance(p, from, to);
        if (containsAngle(angleOf(p.x, p.y)))
            return std::fabs(std::hypot(p.x - center.x, p.y - center.y) - radius);
        return std::min(planDistance(p, from), planDistance(p, to));
    }
};

bool withinParameter(double t) { return t >= -kParameterTolerance && t <= 1.0 + kParameterTolerance; }

// The pieces of the entities near a pick that pass within the aperture: lines,
// polyline segments, and what other entities explode into. Texts have none.
class PieceCollector {
public:
    PieceCollector(const AcGePoint3d& pick, double aperture) : m_pick(pick), m_aperture(aperture) {}

    void collect(const AcDbEntity* ent, int depth = 0)
    {
        if (const AcDbLine* line = AcDbLine::cast(ent))
            add(straight(line->startPoint(), line->endPoint()));
        else if (const AcDbPolyline* pline = AcDbPolyline::cast(ent))
            addPolyline(*pline, depth);
        else if (const AcDbCircle* circle = AcDbCircle::cast(ent))
            addCircular(circle->center(), circle->normal(), circle->radius(), 0.0, kTwoPi);
        else if (const AcDbArc* arc = AcDbArc::cast(ent))
            addCircular(arc->center(), arc->normal(), arc->radius(), arc->startAngle(), arc->totalAngle());
        else if (const AcDbBlockReference* ref = AcDbBlockReference::cast(ent))
            addPlaced(*ref, depth);
        else if (std::unique_ptr<acrt::ParametricCurve> curve = acrt::curveOfEntity(ent))
            addChords(std::move(curve));
        else if (AcDbMText::cast(ent) == nullptr && depth < kMaxNesting)
            addExploded(ent, depth);
    }
    const std::vector<Piece>& pieces() const { return m_pieces; }

private:
    static Piece straight(const AcGePoint3d& from, const AcGePoint3d& to)
    {
        Piece piece;
        piece.from = from;
        piece.to = to;
        return piece;
    }

    void add(const Piece& piece)
    {
        if (piece.distanceTo(m_pick) <= m_aperture)
            m_pieces.push_back(piece);
    }

    // Segments in their true shape when the plane is parallel to XY; a polyline in
    // another plane is taken through the lines it explodes into.
    void addPolyline(const AcDbPolyline& pline, int depth)
    {
        const AcGeVector3d normal = pline.normal();
        if (std::fabs(normal.x) + std::fabs(normal.y) > kStraightBulge * std::fabs(normal.z)) {
            addExploded(&pline, depth);
            return;
        }
        const unsigned count = pline.numVerts();
        const unsigned segments = count < 2 ? 0 : (pline.isClosed() ? count : count - 1);
        for (unsigned i = 0; i < segments; ++i) {
            AcGePoint3d from, to;
            double bulge = 0.0;
            pline.getPointAt(i, from);
            pline.getPointAt((i + 1) % count, to);
            pline.getBulgeAt(i, bulge);
            // Seen from +Z a polyline whose normal is -Z turns the other way.
            addSegment(from, to, normal.z < 0.0 ? -bulge : bulge);
        }
    }

    void addSegment(const AcGePoint3d& from, const AcGePoint3d& to, double bulge)
    {
        Piece piece = straight(from, to);
        const double cx = to.x - from.x, cy = to.y - from.y;
        if (std::fabs(bulge) >= kStraightBulge && std::isfinite(bulge) && (cx != 0.0 || cy != 0.0)) {
            const double offset = (1.0 - bulge * bulge) / (4.0 * bulge);
            piece.isArc = true;
            piece.center = AcGePoint3d((from.x + to.x) * 0.5 - cy * offset, (from.y + to.y) * 0.5 + cx * offset, from.z);
            piece.radius = std::hypot(cx, cy) * (1.0 + bulge * bulge) / (4.0 * std::fabs(bulge));
            piece.startAngle = piece.angleOf(from.x, from.y);
            piece.sweep = 4.0 * std::atan(bulge);
        }
        add(piece);
    }

    // A circle or an arc in a plane parallel to XY, its angles taken into the plan: seen
    // from +Z one whose normal is -Z turns the other way from a mirrored X axis.
    void addCircular(const AcGePoint3d& center, const AcGeVector3d& normal, double radius, double start,
                     double sweep)
    {
        if (std::fabs(normal.x) + std::fabs(normal.y) > kStraightBulge * std::fabs(normal.z) || !(radius > 0.0))
            return;
        Piece piece;
        piece.isArc = true;
        piece.center = center;
        piece.radius = radius;
        piece.startAngle = normal.z < 0.0 ? M_PI - start : start;
        piece.sweep = normal.z < 0.0 ? -sweep : sweep;
        piece.from = piece.pointAt(piece.startAngle);
        piece.to = piece.pointAt(piece.startAngle + piece.sweep);
        add(piece);
    }

    // Ellipses and splines as chords near the pick, with their curves kept (as long as the
    // collector) for crossings to be settled on.
    void addChords(std::unique_ptr<acrt::ParametricCurve> curve)
    {
        std::vector<AcGePoint3d> ends;
        acrt::appendChordsNear(*curve, m_pick, m_aperture, ends);
        for (size_t i = 0; i + 1 < ends.size(); i += 2) {
            Piece piece = straight(ends[i], ends[i + 1]);
            piece.curve = curve.get();
            add(piece);
        }
        m_curves.push_back(std::move(curve));
    }

    // The exploded entities are this collector's to delete.
    void addExploded(const AcDbEntity* ent, int depth)
    {
        AcDbVoidPtrArray exploded;
        if (ent->explode(exploded) == Acad::eOk) {
            for (void* p : exploded)
                collect(static_cast<const AcDbEntity*>(p), depth + 1);
        }
        for (void* p : exploded)
            delete static_cast<AcDbEntity*>(p);
    }

    // A block's entities, each as a placed copy; those that cannot take the placement
    // (a circle under unequal scales) have no pieces.
    void addPlaced(const AcDbBlockReference& ref, int depth)
    {
        const acrt::BlockNesting nesting(ref.blockTableRecord());
        if (depth >= kMaxNesting || !nesting.entered())
            return;
        const acrt::OpenedBlock block(ref.blockTableRecord());
        const AcGeMatrix3d placement = ref.blockTransform();
        block.forEachEntity([&](const AcDbEntity& ent) {
            if (acrt::isHiddenInReferences(ent))
                return true;
            AcDbEntity* placed = nullptr;
            if (ent.getTransformedCopy(placement, placed) == Acad::eOk && placed != nullptr)
                collect(placed, depth + 1);
            delete placed;
            return true;
        });
    }

    AcGePoint3d m_pick;
    double m_aperture;
    std::vector<Piece> m_pieces;
    std::vector<std::unique_ptr<acrt::ParametricCurve>> m_curves;
};

// ---- where pieces cross, in the plan; the height is the first piece's there ----------

template <class Offer>
void crossStraights(const Piece& a, const Piece& b, Offer offer)
{
    const double ax = a.to.x - a.from.x, ay = a.to.y - a.from.y;
    const double bx = b.to.x - b.from.x, by = b.to.y - b.from.y;
    const double denom = cross(ax, ay, bx, by);
    if (std::fabs(denom) <= 1e-12 * std::hypot(ax, ay) * std::hypot(bx, by))
        return;  // parallel: no single point
    const double wx = b.from.x - a.from.x, wy = b.from.y - a.from.y;
    const double t = cross(wx, wy, bx, by) / denom;
    const double u = cross(wx, wy, ax, ay) / denom;
    if (withinParameter(t) && withinParameter(u))
        offer(a.from + (a.to - a.from) * t);
}

template <class Offer>
void crossStraightArc(const Piece& line, const Piece& arc, Offer offer)
{
    const double dx = line.to.x - line.from.x, dy = line.to.y - line.from.y;
    const double fx = line.from.x - arc.center.x, fy = line.from.y - arc.center.y;
    const double a = dx * dx + dy * dy;
    const double b = 2.0 * (fx * dx + fy * dy);
    const double c = fx * fx + fy * fy - arc.radius * arc.radius;
    double disc = b * b - 4.0 * a * c;
    if (disc < 0.0 && disc > -kParameterTolerance * b * b)
        disc = 0.0;  // a tangent, lost to rounding
    if (!(a > 0.0) || disc < 0.0)
        return;
    const double root = std::sqrt(disc);
    const double ts[2] = {(-b - root) / (2.0 * a), (-b + root) / (2.0 * a)};
    for (int i = 0; i < (root > 0.0 ? 2 : 1); ++i) {
        const AcGePoint3d p = line.from + (line.to - line.from) * ts[i];
        if (withinParameter(ts[i]) && arc.containsAngle(arc.angleOf(p.x, p.y)))
            offer(p);
    }
}

template <class Offer>
void crossArcs(const Piece& a, const Piece& b, Offer offer)
{
    const double dx = b.center.x - a.center.x, dy = b.center.y - a.center.y;
    const double d = std::hypot(dx, dy);
    if (!(d > 0.0) || d > a.radius + b.radius || d < std::fabs(a.radius - b.radius))
        return;
    const double along = (a.radius * a.radius - b.radius * b.radius + d * d) / (2.0 * d);
    const double across = std::sqrt(std::max(0.0, a.radius * a.radius - along * along));
    const double mx = a.center.x + dx * along / d, my = a.center.y + dy * along / d;
    for (double side : {1.0, -1.0}) {
        const double x = mx - dy * across / d * side, y = my + dx * across / d * side;
        if (a.containsAngle(a.angleOf(x, y)) && b.containsAngle(b.angleOf(x, y)))
            offer(AcGePoint3d(x, y, a.center.z));
        if (across == 0.0)
            break;
    }
}

// Pieces that share an end (the segments of a polyline, a label's leader and its
// underline) meet there, whatever rounding makes of their crossing.
template <class Offer>
void offerSharedEnds(const Piece& a, const Piece& b, Offer offer)
{
    for (const AcGePoint3d& end : {a.from, a.to})
        if (end.isEqualTo(b.from) || end.isEqualTo(b.to))
            offer(end);
}

// Neighbouring chords of one curve meet where the curve runs on, not where it crosses.
bool areNeighbourChords(const Piece& a, const Piece& b)
{
    return a.curve != nullptr && a.curve == b.curve &&
           (a.from.isEqualTo(b.to) || a.to.isEqualTo(b.from) || a.from.isEqualTo(b.from) || a.to.isEqualTo(b.to));
}

template <class Offer>
void crossPieces(const Piece& a, const Piece& b, Offer offer)
{
    if (areNeighbourChords(a, b))
        return;
    offerSharedEnds(a, b, offer);
    if (!a.isArc && !b.isArc)
        crossStraights(a, b, offer);
    else if (!a.isArc)
        crossStraightArc(a, b, offer);
    else if (!b.isArc)
        crossStraightArc(b, a, offer);
    else
        crossArcs(a, b, offer);
}

// Intersections within the aperture: both pieces then pass within it too, so only
// the collected pieces need crossing.
void offerIntersections(const std::vector<Piece>& pieces, const AcGePoint3d& pick, double aperture,
                        NearestCandidate& nearest)
{
    auto offer = [&](const AcGePoint3d& p) {
        if (planDistance(p, pick) <= aperture)
            nearest.offer(p, acrt::kSnapInt);
    };
    for (size_t i = 0; i < pieces.size(); ++i)
        for (size_t j = i + 1; j < pieces.size(); ++j) {
            const Piece& a = pieces[i];
            const Piece& b = pieces[j];
            if (a.curve == nullptr && b.curve == nullptr) {
                crossPieces(a, b, offer);
                continue;
            }
            // A chord's crossing is near the curves' one: settled on the true curves.
            auto tangentA = [&a](const AcGePoint3d& p, AcGePoint3d& f, AcGeVector3d& d) { a.tangentNear(p, f, d); };
            auto tangentB = [&b](const AcGePoint3d& p, AcGePoint3d& f, AcGeVector3d& d) { b.tangentNear(p, f, d); };
            crossPieces(a, b, [&](const AcGePoint3d& p) { offer(acrt::refineCrossing(tangentA, tangentB, p)); });
        }
}

void offerObjectSnaps(const AcDbEntity* ent, unsigned modes, const AcGePoint3d& pick, const AcGePoint3d& last,
                      NearestCandidate& nearest)
{
    AcGePoint3dArray points;
    AcDbIntArray geomIds;
    for (const ObjectMode& m : kObjectModes) {
        if ((modes & m.bit) == 0)
            continue;
        points.setLogicalLength(0);
        ent->getOsnapPoints(m.mode, 0, pick, last, AcGeMatrix3d::kIdentity, points, geomIds);
        for (const AcGePoint3d& p : points)
            nearest.offer(p, m.bit);
    }
}

}  // namespace

namespace acrt {

double planSegmentDistance(const AcGePoint3d& p, const AcGePoint3d& a, const AcGePoint3d& b)
{
    double dx = b.x - a.x, dy = b.y - a.y;
    double len2 = dx * dx + dy * dy;
    double t = len2 > 0.0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0;
    t = std::max(0.0, std::min(1.0, t));
    double cx = a.x + t * dx - p.x, cy = a.y + t * dy - p.y;
    return std::sqrt(cx * cx + cy * cy);
}

// The pick is taken by value: callers may pass the point they want the answer in.
bool snapPoint(AcDbDatabase* db, unsigned modes, const AcGePoint3d pick, const AcGePoint3d& last, AcGePoint3d& snapped,
               unsigned* modeBit)
{
    const double aperture = vemhost::pickBox();
    NearestCandidate nearest(pick);
    PieceCollector pieces(pick, aperture);
    for (const AcDbObjectId& id : entitiesAtPick(db, pick)) {
        AcDbEntity* ent = nullptr;
        if (acdbOpenAcDbEntity(ent, id, AcDb::kForRead) != Acad::eOk)
            continue;
        offerObjectSnaps(ent, modes, pick, last, nearest);
        if ((modes & kSnapInt) != 0)
            pieces.collect(ent);
        ent->close();
    }
    offerIntersections(pieces.pieces(), pick, aperture, nearest);
    if (!nearest.found())
        return false;
    snapped = nearest.point();
    if (modeBit != nullptr)
        *modeBit = nearest.modeBit();
    return true;
}

}  // namespace acrt
