// The filled areas of pass-through entities (solids, traces, solid-filled hatches), the
// pieces their loops are noted as while decoding, and a leader's arrowhead with the
// dimension variables its XDATA overrides. A loop's pieces are flattened within the
// view's deviation and chained end to end, each turned round where its far end meets
// the loop so far. The loops of an area go into one polygon: every loop starts from the
// first loop's first point and returns there along the same line, which adds nothing,
// and runs round counter-clockwise or clockwise by how many other loops hold it, so that
// the holes stay empty under both the non-zero and the even-odd rule of whatever fills it.
#include <algorithm>
#include <cmath>

#include "acgi.h"
#include "pass_through_geometry.h"

namespace acrt {

namespace {

// The angle between the sides of a closed arrowhead (degrees).
const double kArrowAngle = 18.924644;

struct LoopBox {
    double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
    bool holds(const LoopBox& other) const
    {
        return minX <= other.minX && minY <= other.minY && maxX >= other.maxX && maxY >= other.maxY;
    }
};

// A loop in the area's plane: where its points stand among all the loops' points, its
// box and its area (positive when counter-clockwise).
struct PlaneLoop {
    size_t from = 0, to = 0;
    LoopBox box;
    double area = 0.0;
    int depth = 0;
};

class FillBuilder {
public:
    FillBuilder(AcGiWorldDraw* pWd, const PassThroughShape& shape) : m_wd(pWd), m_shape(shape)
    {
        const PlaneFrame frame(shape.normal);
        m_x = frame.xAxis;
        m_y = frame.yAxis;
        m_runStarts.clear();
        size_t at = 0;
        for (unsigned count : shape.runs) {
            m_runStarts.push_back(at);
            at += count;
        }
        m_world.clear();
        m_plane.clear();
        m_loops.clear();
    }

    void addLoop(const ShapePiece* pieces, unsigned count)
    {
        PlaneLoop loop;
        loop.from = m_world.size();
        for (unsigned i = 0; i < count; ++i) {
            flatten(pieces[i]);
            chain(loop.from, i == 1);
        }
        while (m_world.size() > loop.from + 1 && m_world.back().isEqualTo(m_world[loop.from]))
            m_world.pop_back();
        loop.to = m_world.size();
        if (loop.to - loop.from < 3) {
            m_world.resize(loop.from);
            return;
        }
        measure(loop);
        m_loops.push_back(loop);
    }

    // Each loop's depth: how many of the others hold its first point.
    void nest()
    {
        for (PlaneLoop& inner : m_loops) {
            const AcGePoint2d& probe = m_plane[inner.from];
            for (const PlaneLoop& outer : m_loops)
                if (&outer != &inner && outer.box.holds(inner.box) && holds(outer, probe))
                    ++inner.depth;
        }
    }

    void draw(int depthLimit) const
    {
        thread_local std::vector<AcGePoint3d> polygon;
        polygon.clear();
        for (const PlaneLoop& loop : m_loops) {
            if (loop.depth >= depthLimit)
                continue;
            const bool counterClockwise = loop.depth % 2 == 0;
            const AcGePoint3d* first = m_world.data() + loop.from;
            const AcGePoint3d* last = m_world.data() + loop.to;
            if ((loop.area > 0.0) == counterClockwise)
                polygon.insert(polygon.end(), first, last);
            else
                polygon.insert(polygon.end(), std::make_reverse_iterator(last), std::make_reverse_iterator(first));
            const AcGePoint3d start = polygon[polygon.size() - size_t(last - first)];
            polygon.push_back(start);
            const AcGePoint3d origin = polygon.front();
            if (polygon.size() > size_t(last - first) + 1)
                polygon.push_back(origin);
        }
        if (polygon.size() < 3)
            return;
        drawFilledPolygon(m_wd, polygon.data(), polygon.size());
    }

private:
    // Appends the piece's points to the loop's world points.
    void flatten(const ShapePiece& piece)
    {
        m_piece.clear();
        switch (piece.kind) {
        case ShapePiece::kRun: {
            const AcGePoint3d* first = m_shape.points.data() + m_runStarts[piece.index];
            m_piece.assign(first, first + m_shape.runs[piece.index]);
            break;
        }
        case ShapePiece::kArc: {
            const PassThroughArc& arc = m_shape.arcs[piece.index];
            const CircularFrame frame(arc.center, arc.normal);
            sample(EllipseCurve(arc.center, frame.xAxis() * arc.radius, frame.yAxis() * arc.radius, arc.start,
                                arc.start + arc.sweep));
            break;
        }
        case ShapePiece::kEllipse: sample(m_shape.ellipses[piece.index]); break;
        case ShapePiece::kSpline: sample(NurbsCurve(m_shape.splines[piece.index].view())); break;
        }
    }

    void sample(const ParametricCurve& curve)
    {
        thread_local std::vector<double> params;
        chordParams(curve, m_wd->deviation(kAcGiMaxDevForCurve, curve.pointAt(curve.startParam())), params);
        for (double t : params)
            m_piece.push_back(curve.pointAt(t));
    }

    // Joins the piece to the loop that starts at from: the second piece may turn the
    // first round too, when the first's start is nearer to it than its end.
    void chain(size_t from, bool second)
    {
        if (m_piece.empty())
            return;
        if (m_world.size() == from) {
            m_world.insert(m_world.end(), m_piece.begin(), m_piece.end());
            return;
        }
        const AcGePoint3d &head = m_world[from], &tail = m_world.back();
        const double toTail = std::min(tail.distanceTo(m_piece.front()), tail.distanceTo(m_piece.back()));
        const double toHead = std::min(head.distanceTo(m_piece.front()), head.distanceTo(m_piece.back()));
        if (second && toHead < toTail)
            std::reverse(m_world.begin() + std::ptrdiff_t(from), m_world.end());
        if (m_world.back().distanceTo(m_piece.back()) < m_world.back().distanceTo(m_piece.front()))
            std::reverse(m_piece.begin(), m_piece.end());
        const bool joined = m_world.back().isEqualTo(m_piece.front());
        m_world.insert(m_world.end(), m_piece.begin() + (joined ? 1 : 0), m_piece.end());
    }

    void measure(PlaneLoop& loop)
    {
        m_plane.resize(loop.from);
        for (size_t i = loop.from; i < loop.to; ++i) {
            const AcGeVector3d v = m_world[i].asVector();
            const AcGePoint2d p(v.dotProduct(m_x), v.dotProduct(m_y));
            m_plane.push_back(p);
            loop.box.minX = std::min(loop.box.minX, p.x);
            loop.box.minY = std::min(loop.box.minY, p.y);
            loop.box.maxX = std::max(loop.box.maxX, p.x);
            loop.box.maxY = std::max(loop.box.maxY, p.y);
        }
        for (size_t i = loop.from; i < loop.to; ++i) {
            const AcGePoint2d& a = m_plane[i];
            const AcGePoint2d& b = m_plane[i + 1 < loop.to ? i + 1 : loop.from];
            loop.area += (a.x * b.y - b.x * a.y) / 2.0;
        }
    }

    // Whether the point lies inside the loop by the crossings of a ray to +x.
    bool holds(const PlaneLoop& loop, const AcGePoint2d& p) const
    {
        bool inside = false;
        for (size_t i = loop.from, j = loop.to - 1; i < loop.to; j = i++) {
            const AcGePoint2d &a = m_plane[i], &b = m_plane[j];
            if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y))
                inside = !inside;
        }
        return inside;
    }

    AcGiWorldDraw* m_wd;
    const PassThroughShape& m_shape;
    AcGeVector3d m_x, m_y;
    // Kept from draw to draw: filling allocates only while they grow.
    static thread_local std::vector<size_t> m_runStarts;
    static thread_local std::vector<AcGePoint3d> m_world, m_piece;
    static thread_local std::vector<AcGePoint2d> m_plane;
    static thread_local std::vector<PlaneLoop> m_loops;
};

thread_local std::vector<size_t> FillBuilder::m_runStarts;
thread_local std::vector<AcGePoint3d> FillBuilder::m_world;
thread_local std::vector<AcGePoint3d> FillBuilder::m_piece;
thread_local std::vector<AcGePoint2d> FillBuilder::m_plane;
thread_local std::vector<PlaneLoop> FillBuilder::m_loops;

// The dimension variables a leader's XDATA overrides (application ACAD, "DSTYLE"
// followed by a braced list of 1070 variable codes each followed by its value).
void readStyleOverrides(const DxfGroups& groups, size_t from, LeaderArrow& arrow)
{
    bool acad = false, inList = false;
    for (size_t i = from; i < groups.size(); ++i) {
        const DxfGroup& g = groups[i];
        if (g.code == 1001) {
            acad = g.value == "ACAD";
            inList = false;
        } else if (acad && g.code == 1000 && g.value == "DSTYLE") {
            inList = true;
        } else if (inList && g.code == 1002 && g.value == "}") {
            inList = false;
        } else if (inList && g.code == 1070 && i + 1 < groups.size()) {
            double variable = 0.0, value = 0.0;
            if (!groupNumber(g.value, variable))
                continue;
            const DxfGroup& next = groups[++i];
            const bool number = groupNumber(next.value, value);
            if (variable == 41.0 && number && value >= 0.0)
                arrow.size = value;
            else if (variable == 40.0 && number && value >= 0.0)
                arrow.scale = value;
            else if (variable == 341.0)
                arrow.blockNamed = !next.value.empty() && next.value != "0";
        }
    }
}

}  // namespace

void PassThroughShape::addArc(const PassThroughArc& arc)
{
    arcs.push_back(arc);
    notePiece(ShapePiece::kArc, arcs.size());
}

void PassThroughShape::addEllipse(const EllipseCurve& ellipse)
{
    ellipses.push_back(ellipse);
    notePiece(ShapePiece::kEllipse, ellipses.size());
}

void PassThroughShape::addSpline(PassThroughSpline spline)
{
    splines.push_back(std::move(spline));
    notePiece(ShapePiece::kSpline, splines.size());
}

void PassThroughShape::beginFillLoop()
{
    m_loopOpen = true;
    fillLoops.push_back(0);
}

void PassThroughShape::endFillLoop()
{
    m_loopOpen = false;
    if (!fillLoops.empty() && fillLoops.back() == 0)
        fillLoops.pop_back();
}

void PassThroughShape::notePiece(ShapePiece::Kind kind, size_t count)
{
    if (!m_loopOpen)
        return;
    fillPieces.push_back(ShapePiece{kind, unsigned(count - 1)});
    ++fillLoops.back();
}

// The arrowhead at the leader's first vertex, pointing away from the next vertex apart
// from it.
void addLeaderArrow(const DxfGroups& groups, size_t from, size_t to, const std::vector<AcGePoint3d>& run,
                    PassThroughShape& shape)
{
    for (size_t i = 1; i < run.size(); ++i) {
        const AcGeVector3d back = run[i] - run[0];
        if (!(back.length() > 1e-12))
            continue;
        auto arrow = std::make_unique<LeaderArrow>();
        arrow->tip = run[0];
        arrow->back = back.normal();
        arrow->normal = normalOf(groups, from, to);
        for (size_t at = from; at < to && arrow->style.empty(); ++at)
            if (groups[at].code == 3)
                arrow->style = groups[at].value;
        readStyleOverrides(groups, to, *arrow);
        shape.arrow = std::move(arrow);
        return;
    }
}

void drawFilledPolygon(AcGiWorldDraw* pWd, const AcGePoint3d* points, size_t count)
{
    AcGiSubEntityTraits& traits = pWd->subEntityTraits();
    const AcGiFillType previousFill = traits.fillType();
    traits.setFillType(kAcGiFillAlways);
    pWd->geometry().polygon(Adesk::UInt32(count), points);
    traits.setFillType(previousFill);
}

void drawFills(AcGiWorldDraw* pWd, const PassThroughShape& shape)
{
    FillBuilder builder(pWd, shape);
    size_t at = 0;
    for (unsigned count : shape.fillLoops) {
        builder.addLoop(shape.fillPieces.data() + at, count);
        at += count;
    }
    builder.nest();
    builder.draw(shape.fillDepthLimit);
}

void arrowCorners(const LeaderArrow& arrow, double size, AcGePoint3d corners[3])
{
    const double halfWidth = size * std::sin(kArrowAngle / 2.0 * M_PI / 180.0);
    AcGeVector3d side = arrow.normal.crossProduct(arrow.back);
    if (!(side.length() > 1e-9))  // a first segment along the normal: any side will do
        side = CircularFrame(arrow.tip, arrow.back).xAxis();
    const AcGeVector3d across = side.normal() * halfWidth;
    const AcGePoint3d base = arrow.tip + arrow.back * size;
    corners[0] = arrow.tip;
    corners[1] = base + across;
    corners[2] = base - across;
}

}  // namespace acrt
