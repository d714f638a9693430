// The host's lightweight polyline: 2D vertices with bulges and widths in a plane at an
// elevation, drawn as centre-line runs and filled wide segments, filed, transformed in
// its plane, snapped to, gripped, exploded into lines and listed.
#include <algorithm>
#include <cmath>
#include <new>

#include "acutads.h"
#include "dbpl.h"
#include "db_internals.h"
#include "list_output.h"
#include "rx_runtime_class.h"

ACRT_DEFINE_CLASS(AcDbPolyline, AcDbCurve, "LWPOLYLINE");

using acrt::pointText;
using acrt::printEntityHeader;
using acrt::printListLine;

namespace {

constexpr double kTwoPi = 2.0 * M_PI;
constexpr double kMaxChordAngle = M_PI / 36.0;  // 5 degrees of arc per drawn chord
constexpr int kMaxArcChords = 72;
constexpr double kStraightBulge = 1e-12;  // flatter than this draws as a chord
// A count beyond this is taken as a damaged record, not a drawing.
constexpr Adesk::UInt32 kMaxFiledVertices = 10000000;
constexpr Adesk::UInt32 kFilingReserveLimit = 4096;
constexpr double kSimilarityTolerance = 1e-9;

bool isFinite(double value) { return std::isfinite(value); }
bool isFinite(const AcGePoint2d& pt) { return std::isfinite(pt.x) && std::isfinite(pt.y); }

// The length must be finite too: a vector whose length overflows normalises to zero.

// The plane of the polyline: axes by the host's arbitrary-axis rule, so that the default
// normal (0,0,1) gives the world axes exactly and plane coordinates are world x and y.
class PlaneFrame {
public:
    PlaneFrame(const AcGeVector3d& normal, double elevation) : m_z(normal.normal()), m_elevation(elevation)
    {
        const double kArbitraryAxisLimit = 1.0 / 64.0;
        const bool nearWorldZ = std::fabs(m_z.x) < kArbitraryAxisLimit && std::fabs(m_z.y) < kArbitraryAxisLimit;
        m_x = (nearWorldZ ? AcGeVector3d::kYAxis : AcGeVector3d::kZAxis).crossProduct(m_z).normal();
        m_y = m_z.crossProduct(m_x).normal();
    }

    AcGePoint3d world(const AcGePoint2d& pt) const
    {
        return AcGePoint3d(pt.x * m_x.x + pt.y * m_y.x + m_elevation * m_z.x,
                           pt.x * m_x.y + pt.y * m_y.y + m_elevation * m_z.y,
                           pt.x * m_x.z + pt.y * m_y.z + m_elevation * m_z.z);
    }
    AcGePoint2d plane(const AcGePoint3d& pt) const
    {
        const AcGeVector3d v = pt.asVector();
        return AcGePoint2d(v.dotProduct(m_x), v.dotProduct(m_y));
    }
    AcGeVector2d plane(const AcGeVector3d& v) const { return AcGeVector2d(v.dotProduct(m_x), v.dotProduct(m_y)); }
    double heightOf(const AcGePoint3d& pt) const { return pt.asVector().dotProduct(m_z); }
    const AcGeVector3d& xAxis() const { return m_x; }
    const AcGeVector3d& yAxis() const { return m_y; }

private:
    AcGeVector3d m_x, m_y, m_z;
    double m_elevation;
};

// One segment with its widths resolved (-1 taken as the constant width).
struct Segment {
    AcGePoint2d from, to;
    double bulge;
    double startWidth, endWidth;
    bool isWide() const { return startWidth != 0.0 || endWidth != 0.0; }
};

// The circle a bulged segment lies on; sweep is signed (positive counter-clockwise).
struct Arc {
    AcGePoint2d center;
    double radius = 0.0;
    double startAngle = 0.0;
    double sweep = 0.0;
    AcGePoint2d pointAt(double angle) const
    {
        return AcGePoint2d(center.x + radius * std::cos(angle), center.y + radius * std::sin(angle));
    }
};

double resolvedWidth(double width, double constantWidth) { return width < 0.0 ? constantWidth : width; }

// Vertex is private to the polyline; taking it by deduction keeps these helpers free.
template <class Vertex>
Segment segmentOf(const std::vector<Vertex>& vertices, unsigned index, double constantWidth)
{
    const Vertex& from = vertices[index];
    const Vertex& to = vertices[(index + 1) % vertices.size()];
    return Segment{from.point, to.point, from.bulge, resolvedWidth(from.startWidth, constantWidth),
                   resolvedWidth(from.endWidth, constantWidth)};
}

// False for a straight segment (no bulge, a negligible one, or no chord).
bool arcOf(const Segment& seg, Arc& arc)
{
    if (!(std::fabs(seg.bulge) >= kStraightBulge) || !isFinite(seg.bulge) || seg.from.isEqualTo(seg.to))
        return false;
    const AcGeVector2d chord = seg.to - seg.from;
    const double b = seg.bulge;
    const double centerOffset = (1.0 - b * b) / (4.0 * b);
    arc.center = AcGePoint2d((seg.from.x + seg.to.x) * 0.5 - chord.y * centerOffset,
                             (seg.from.y + seg.to.y) * 0.5 + chord.x * centerOffset);
    arc.radius = chord.length() * (1.0 + b * b) / (4.0 * std::fabs(b));
    arc.startAngle = std::atan2(seg.from.y - arc.center.y, seg.from.x - arc.center.x);
    arc.sweep = 4.0 * std::atan(b);
    return true;
}

int chordCountOf(const Arc& arc)
{
    const int count = int(std::ceil(std::fabs(arc.sweep) / kMaxChordAngle));
    return std::min(kMaxArcChords, std::max(1, count));
}

// The i-th of count+1 points along the segment; the ends are the vertices exactly.
AcGePoint2d arcChordPoint(const Segment& seg, const Arc& arc, int i, int count)
{
    if (i == 0)
        return seg.from;
    if (i == count)
        return seg.to;
    return arc.pointAt(arc.startAngle + arc.sweep * double(i) / double(count));
}

// Points of the drawing with room for the usual few on the stack.
class PointRun {
public:
    void add(const AcGePoint3d& pt)
    {
        if (m_size < kInline) {
            m_inline[m_size++] = pt;
            return;
        }
        if (m_heap.empty())
            m_heap.assign(m_inline, m_inline + kInline);
        m_heap.push_back(pt);
        ++m_size;
    }
    const AcGePoint3d* data() const { return m_size <= kInline ? m_inline : m_heap.data(); }
    Adesk::UInt32 size() const { return Adesk::UInt32(m_size); }
    bool empty() const { return m_size == 0; }
    void clear()
    {
        m_size = 0;
        m_heap.clear();
    }

private:
    static constexpr size_t kInline = 32;
    AcGePoint3d m_inline[kInline];
    std::vector<AcGePoint3d> m_heap;
    size_t m_size = 0;
};

// Appends the segment's points after its first one (which the run already holds).
void appendCentreLine(const Segment& seg, const PlaneFrame& frame, PointRun& run)
{
    Arc arc;
    if (!arcOf(seg, arc)) {
        run.add(frame.world(seg.to));
        return;
    }
    const int count = chordCountOf(arc);
    for (int i = 1; i <= count; ++i)
        run.add(frame.world(arcChordPoint(seg, arc, i, count)));
}

// The outline of a wide segment: the left edge forward, then the right edge back, the
// width tapering linearly from start to end, across the segment (radially on an arc).
void appendWideOutline(const Segment& seg, const PlaneFrame& frame, PointRun& outline)
{
    Arc arc;
    const bool curved = arcOf(seg, arc);
    const int count = curved ? chordCountOf(arc) : 1;
    AcGeVector2d straightLeft;
    if (!curved) {
        const AcGeVector2d along = (seg.to - seg.from).normal();
        straightLeft = AcGeVector2d(-along.y, along.x);
    }
    auto leftAt = [&](int i) {
        if (!curved)
            return straightLeft;
        const double angle = arc.startAngle + arc.sweep * double(i) / double(count);
        const double side = arc.sweep > 0.0 ? -1.0 : 1.0;  // the centre is on the left going counter-clockwise
        return AcGeVector2d(std::cos(angle), std::sin(angle)) * side;
    };
    auto halfWidthAt = [&](int i) {
        const double t = double(i) / double(count);
        return 0.5 * (seg.startWidth + (seg.endWidth - seg.startWidth) * t);
    };
    for (int i = 0; i <= count; ++i)
        outline.add(frame.world(arcChordPoint(seg, arc, i, count) + leftAt(i) * halfWidthAt(i)));
    for (int i = count; i >= 0; --i)
        outline.add(frame.world(arcChordPoint(seg, arc, i, count) - leftAt(i) * halfWidthAt(i)));
}

void flushRun(AcGiWorldDraw* pWd, const AcGeVector3d& normal, PointRun& run)
{
    if (run.size() >= 2)
        pWd->geometry().polyline(run.size(), run.data(), &normal);
    run.clear();
}

void drawWideSegment(AcGiWorldDraw* pWd, const Segment& seg, const PlaneFrame& frame)
{
    if (seg.from.isEqualTo(seg.to))
        return;
    PointRun outline;
    appendWideOutline(seg, frame, outline);
    AcGiSubEntityTraits& traits = pWd->subEntityTraits();
    const AcGiFillType previousFill = traits.fillType();
    traits.setFillType(kAcGiFillAlways);
    pWd->geometry().polygon(outline.size(), outline.data());
    traits.setFillType(previousFill);
}

bool angleInSweep(const Arc& arc, double angle)
{
    double delta = arc.sweep > 0.0 ? angle - arc.startAngle : arc.startAngle - angle;
    delta = std::fmod(delta, kTwoPi);
    if (delta < 0.0)
        delta += kTwoPi;
    return delta <= std::fabs(arc.sweep);
}

// An arc's extreme points along each world axis that lie within its sweep.
void addArcExtremes(const Arc& arc, const PlaneFrame& frame, AcDbExtents& extents)
{
    const double xs[3] = {frame.xAxis().x, frame.xAxis().y, frame.xAxis().z};
    const double ys[3] = {frame.yAxis().x, frame.yAxis().y, frame.yAxis().z};
    for (int axis = 0; axis < 3; ++axis) {
        if (xs[axis] == 0.0 && ys[axis] == 0.0)
            continue;
        const double extreme = std::atan2(ys[axis], xs[axis]);
        for (double angle : {extreme, extreme + M_PI}) {
            if (angleInSweep(arc, angle))
                extents.addPoint(frame.world(arc.pointAt(angle)));
        }
    }
}

AcGePoint2d nearestOnSegment(const Segment& seg, const AcGePoint2d& pt)
{
    Arc arc;
    if (arcOf(seg, arc)) {
        const double angle = std::atan2(pt.y - arc.center.y, pt.x - arc.center.x);
        if (angleInSweep(arc, angle) && !pt.isEqualTo(arc.center))
            return arc.pointAt(angle);
        return pt.distanceTo(seg.from) <= pt.distanceTo(seg.to) ? seg.from : seg.to;
    }
    const AcGeVector2d along = seg.to - seg.from;
    const double lengthSqrd = along.lengthSqrd();
    double t = lengthSqrd > 0.0 ? (pt - seg.from).dotProduct(along) / lengthSqrd : 0.0;
    t = std::min(1.0, std::max(0.0, t));
    return seg.from + along * t;
}

// The feet of the perpendiculars from a point to a segment that lie on it: one on a
// straight segment, up to two on an arc (both ends of the diameter through the point).
void appendPerpendicularFeet(const Segment& seg, const AcGePoint2d& from, const PlaneFrame& frame,
                             AcGePoint3dArray& feet)
{
    Arc arc;
    if (arcOf(seg, arc)) {
        if (from.isEqualTo(arc.center))
            return;
        const double angle = std::atan2(from.y - arc.center.y, from.x - arc.center.x);
        for (double foot : {angle, angle + M_PI})
            if (angleInSweep(arc, foot))
                feet.append(frame.world(arc.pointAt(foot)));
        return;
    }
    const AcGeVector2d along = seg.to - seg.from;
    const double lengthSqrd = along.lengthSqrd();
    if (!(lengthSqrd > 0.0))
        return;
    const double t = (from - seg.from).dotProduct(along) / lengthSqrd;
    if (t >= 0.0 && t <= 1.0)
        feet.append(frame.world(seg.from + along * t));
}

AcGePoint2d midpointOf(const Segment& seg)
{
    Arc arc;
    if (arcOf(seg, arc))
        return arc.pointAt(arc.startAngle + arc.sweep * 0.5);
    return AcGePoint2d((seg.from.x + seg.to.x) * 0.5, (seg.from.y + seg.to.y) * 0.5);
}

double lengthOf(const Segment& seg)
{
    Arc arc;
    if (arcOf(seg, arc))
        return arc.radius * std::fabs(arc.sweep);
    return seg.from.distanceTo(seg.to);
}

// Plane x and y axes map to equally long perpendicular vectors: a rotation, uniform
// scale, mirror or translation of the plane, which keeps arcs circular.
bool isSimilarity(const AcGeVector3d& x, const AcGeVector3d& y)
{
    const double lx = x.length(), ly = y.length();
    if (!(lx > 0.0) || !std::isfinite(lx))
        return false;
    return std::fabs(lx - ly) <= kSimilarityTolerance * lx &&
           std::fabs(x.dotProduct(y)) <= kSimilarityTolerance * lx * lx;
}

double scaledWidth(double width, double scale) { return width < 0.0 ? width : width * scale; }

void deleteEntities(AcDbVoidPtrArray& entitySet, int from)
{
    for (int i = from; i < entitySet.length(); ++i)
        delete static_cast<AcDbEntity*>(entitySet[i]);
    entitySet.setLogicalLength(from);
}


}  // namespace

AcDbPolyline::AcDbPolyline() = default;

AcDbPolyline::AcDbPolyline(unsigned int num_verts) { m_vertices.reserve(num_verts); }

AcDbPolyline::~AcDbPolyline() = default;

AcGePoint3d AcDbPolyline::toWorld(const AcGePoint2d& pt) const { return PlaneFrame(m_normal, m_elevation).world(pt); }

unsigned int AcDbPolyline::segmentCount() const
{
    const size_t count = m_vertices.size();
    if (count < 2)
        return 0;
    return unsigned(m_closed ? count : count - 1);
}

Acad::ErrorStatus AcDbPolyline::addVertexAt(unsigned int index, const AcGePoint2d& pt, double bulge,
                                            double startWidth, double endWidth, Adesk::Int32 /*vertexIdentifier*/)
{
    if (index > m_vertices.size())
        return Acad::eInvalidIndex;
    assertWriteEnabled();
    m_vertices.insert(m_vertices.begin() + index, Vertex{pt, bulge, startWidth, endWidth});
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::removeVertexAt(unsigned int index)
{
    if (index >= m_vertices.size())
        return Acad::eInvalidIndex;
    assertWriteEnabled();
    m_vertices.erase(m_vertices.begin() + index);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getPointAt(unsigned int index, AcGePoint2d& pt) const
{
    assertReadEnabled();
    if (index >= m_vertices.size())
        return Acad::eInvalidIndex;
    pt = m_vertices[index].point;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getPointAt(unsigned int index, AcGePoint3d& pt) const
{
    assertReadEnabled();
    if (index >= m_vertices.size())
        return Acad::eInvalidIndex;
    pt = toWorld(m_vertices[index].point);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::setPointAt(unsigned int index, const AcGePoint2d& pt)
{
    if (index >= m_vertices.size())
        return Acad::eInvalidIndex;
    assertWriteEnabled();
    m_vertices[index].point = pt;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::getBulgeAt(unsigned int index, double& bulge) const
{
    assertReadEnabled();
    if (index >= m_vertices.size())
        return Acad::eInvalidIndex;
    bulge = m_vertices[index].bulge;
    return Acad::eOk;
}

// Widths come back resolved: a vertex following the constant width reports it.
Acad::ErrorStatus AcDbPolyline::getWidthsAt(unsigned int index, double& startWidth, double& endWidth) const
{
    assertReadEnabled();
    if (index >= m_vertices.size())
        return Acad::eInvalidIndex;
    startWidth = resolvedWidth(m_vertices[index].startWidth, m_constantWidth);
    endWidth = resolvedWidth(m_vertices[index].endWidth, m_constantWidth);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::setWidthsAt(unsigned int index, double startWidth, double endWidth)
{
    if (index >= m_vertices.size())
        return Acad::eInvalidIndex;
    assertWriteEnabled();
    m_vertices[index].startWidth = startWidth;
    m_vertices[index].endWidth = endWidth;
    return Acad::eOk;
}

AcDbPolyline::SegType AcDbPolyline::segType(unsigned int index) const
{
    assertReadEnabled();
    if (index >= m_vertices.size())
        return kEmpty;
    if (m_vertices.size() == 1)
        return kPoint;
    if (index >= segmentCount())
        return kEmpty;
    const Segment seg = segmentOf(m_vertices, index, m_constantWidth);
    if (seg.from.isEqualTo(seg.to))
        return kCoincident;
    return seg.bulge != 0.0 ? kArc : kLine;
}

void AcDbPolyline::setClosed(Adesk::Boolean closed)
{
    assertWriteEnabled();
    m_closed = closed;
}

void AcDbPolyline::setElevation(double elev)
{
    assertWriteEnabled();
    m_elevation = elev;
}

Acad::ErrorStatus AcDbPolyline::setNormal(const AcGeVector3d& normal)
{
    if (!acrt::isUsableNormal(normal))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_normal = normal.normal();
    return Acad::eOk;
}

// eOk when every segment has one and the same width; the width is that one (or the
// polyline's constant width when it has no segment).
Acad::ErrorStatus AcDbPolyline::getConstantWidth(double& width) const
{
    assertReadEnabled();
    width = m_constantWidth;
    const unsigned count = segmentCount();
    for (unsigned i = 0; i < count; ++i) {
        const Segment seg = segmentOf(m_vertices, i, m_constantWidth);
        if (i == 0)
            width = seg.startWidth;
        if (seg.startWidth != width || seg.endWidth != width)
            return Acad::eNotApplicable;
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::setConstantWidth(double width)
{
    if (!(width >= 0.0) || !isFinite(width))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_constantWidth = width;
    for (Vertex& vertex : m_vertices)
        vertex.startWidth = vertex.endWidth = -1.0;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::dwgOutFields(AcDbDwgFiler* pFiler) const
{
    assertReadEnabled();
    const Acad::ErrorStatus es = AcDbEntity::dwgOutFields(pFiler);
    if (es != Acad::eOk)
        return es;
    pFiler->writeUInt32(Adesk::UInt32(m_vertices.size()));
    pFiler->writeBool(m_closed);
    pFiler->writeDouble(m_elevation);
    pFiler->writeDouble(m_constantWidth);
    pFiler->writeVector3d(m_normal);
    for (const Vertex& vertex : m_vertices) {
        pFiler->writePoint2d(vertex.point);
        pFiler->writeDouble(vertex.bulge);
        pFiler->writeDouble(vertex.startWidth);
        pFiler->writeDouble(vertex.endWidth);
    }
    return pFiler->filerStatus();
}

// Everything is read into locals and taken only when the whole record is sound; the
// vertex storage grows as vertices arrive, so a damaged count cannot allocate much.
Acad::ErrorStatus AcDbPolyline::dwgInFields(AcDbDwgFiler* pFiler)
{
    assertWriteEnabled();
    Acad::ErrorStatus es = AcDbEntity::dwgInFields(pFiler);
    if (es != Acad::eOk)
        return es;
    Adesk::UInt32 count = 0;
    bool closed = false;
    double elevation = 0.0, constantWidth = 0.0;
    AcGeVector3d normal;
    es = pFiler->readUInt32(&count);
    if (es == Acad::eOk)
        es = pFiler->readBool(&closed);
    if (es == Acad::eOk)
        es = pFiler->readDouble(&elevation);
    if (es == Acad::eOk)
        es = pFiler->readDouble(&constantWidth);
    if (es == Acad::eOk)
        es = pFiler->readVector3d(&normal);
    if (es != Acad::eOk)
        return es;
    if (count > kMaxFiledVertices || !isFinite(elevation) || !(constantWidth >= 0.0) || !isFinite(constantWidth) ||
        !acrt::isUsableNormal(normal))
        return Acad::eFilerError;
    std::vector<Vertex> vertices;
    vertices.reserve(std::min(count, kFilingReserveLimit));
    for (Adesk::UInt32 i = 0; i < count; ++i) {
        Vertex vertex{};
        es = pFiler->readPoint2d(&vertex.point);
        if (es == Acad::eOk)
            es = pFiler->readDouble(&vertex.bulge);
        if (es == Acad::eOk)
            es = pFiler->readDouble(&vertex.startWidth);
        if (es == Acad::eOk)
            es = pFiler->readDouble(&vertex.endWidth);
        if (es != Acad::eOk)
            return es;
        if (!isFinite(vertex.point) || !isFinite(vertex.bulge) || !isFinite(vertex.startWidth) ||
            !isFinite(vertex.endWidth))
            return Acad::eFilerError;
        vertices.push_back(vertex);
    }
    m_vertices.swap(vertices);
    m_closed = closed;
    m_elevation = elevation;
    m_constantWidth = constantWidth;
    m_normal = acrt::unitNormalOf(normal);
    return Acad::eOk;
}

// Consecutive segments without width make one polyline primitive; each wide segment is
// a filled polygon of its own.
Adesk::Boolean AcDbPolyline::subWorldDraw(AcGiWorldDraw* pWd)
{
    assertReadEnabled();
    const PlaneFrame frame(m_normal, m_elevation);
    const unsigned count = segmentCount();
    PointRun run;
    for (unsigned i = 0; i < count; ++i) {
        const Segment seg = segmentOf(m_vertices, i, m_constantWidth);
        if (seg.isWide()) {
            flushRun(pWd, m_normal, run);
            drawWideSegment(pWd, seg, frame);
            continue;
        }
        if (run.empty())
            run.add(frame.world(seg.from));
        appendCentreLine(seg, frame, run);
    }
    flushRun(pWd, m_normal, run);
    return Adesk::kTrue;
}

// The vertices, each arc's extreme points, and the outline of wide segments.
Acad::ErrorStatus AcDbPolyline::subGetGeomExtents(AcDbExtents& extents) const
{
    assertReadEnabled();
    extents = AcDbExtents();
    const PlaneFrame frame(m_normal, m_elevation);
    for (const Vertex& vertex : m_vertices)
        extents.addPoint(frame.world(vertex.point));
    const unsigned count = segmentCount();
    for (unsigned i = 0; i < count; ++i) {
        const Segment seg = segmentOf(m_vertices, i, m_constantWidth);
        Arc arc;
        if (arcOf(seg, arc))
            addArcExtremes(arc, frame, extents);
        if (seg.isWide() && !seg.from.isEqualTo(seg.to)) {
            PointRun outline;
            appendWideOutline(seg, frame, outline);
            for (Adesk::UInt32 k = 0; k < outline.size(); ++k)
                extents.addPoint(outline.data()[k]);
        }
    }
    if (extents.isEmpty())
        return Acad::eInvalidExtents;
    return Acad::eOk;
}

// Vertices go through the transform in 3D and back into the image plane. Only
// similarities of the plane keep arcs and widths meaningful; a mirror reverses the
// turning sense, so the bulges change sign.
Acad::ErrorStatus AcDbPolyline::subTransformBy(const AcGeMatrix3d& xform)
{
    const PlaneFrame frame(m_normal, m_elevation);
    const AcGeVector3d imageX = xform * frame.xAxis();
    const AcGeVector3d imageY = xform * frame.yAxis();
    if (!isSimilarity(imageX, imageY))
        return Acad::eCannotScaleNonUniformly;
    const double scale = imageX.length();
    const AcGeVector3d planeSide = imageX.crossProduct(imageY).normal();
    const bool mirrored = (xform * m_normal).dotProduct(planeSide) < 0.0;
    AcGeVector3d normal = mirrored ? -planeSide : planeSide;
    // A transform within the plane keeps the normal exactly, so edits do not drift it.
    if (normal.isCodirectionalTo(m_normal))
        normal = m_normal;
    else if (normal.isCodirectionalTo(-m_normal))
        normal = -m_normal;
    assertWriteEnabled();
    const PlaneFrame image(normal, 0.0);
    for (Vertex& vertex : m_vertices) {
        vertex.point = image.plane(xform * frame.world(vertex.point));
        vertex.startWidth = scaledWidth(vertex.startWidth, scale);
        vertex.endWidth = scaledWidth(vertex.endWidth, scale);
        if (mirrored)
            vertex.bulge = -vertex.bulge;
    }
    m_elevation = image.heightOf(xform * frame.world(AcGePoint2d::kOrigin));
    m_constantWidth *= scale;
    m_normal = normal;
    return Acad::eOk;
}

// One line per straight segment; arcs become their drawn chords, since this host has
// no arc entity. Widths are lost, as on the host.
Acad::ErrorStatus AcDbPolyline::subExplode(AcDbVoidPtrArray& entitySet) const
{
    assertReadEnabled();
    const int firstNew = entitySet.length();
    const PlaneFrame frame(m_normal, m_elevation);
    const unsigned count = segmentCount();
    for (unsigned i = 0; i < count; ++i) {
        const Segment seg = segmentOf(m_vertices, i, m_constantWidth);
        Arc arc;
        const bool curved = arcOf(seg, arc);
        const int chords = curved ? chordCountOf(arc) : 1;
        for (int k = 0; k < chords; ++k) {
            const AcGePoint2d from = curved ? arcChordPoint(seg, arc, k, chords) : seg.from;
            const AcGePoint2d to = curved ? arcChordPoint(seg, arc, k + 1, chords) : seg.to;
            if (from.isEqualTo(to))
                continue;
            AcDbLine* pLine = new (std::nothrow) AcDbLine(frame.world(from), frame.world(to));
            if (pLine == nullptr) {
                deleteEntities(entitySet, firstNew);
                return Acad::eOutOfMemory;
            }
            pLine->setPropertiesFrom(this);
            pLine->setNormal(m_normal);
            entitySet.append(pLine);
        }
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::subGetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker /*gsSelectionMark*/,
                                                  const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,
                                                  const AcGeMatrix3d& /*viewXform*/, AcGePoint3dArray& snapPoints,
                                                  AcDbIntArray& /*geomIds*/) const
{
    assertReadEnabled();
    const PlaneFrame frame(m_normal, m_elevation);
    const unsigned count = segmentCount();
    switch (osnapMode) {
    case AcDb::kOsModeEnd:
        for (const Vertex& vertex : m_vertices)
            snapPoints.append(frame.world(vertex.point));
        break;
    case AcDb::kOsModeMid:
        for (unsigned i = 0; i < count; ++i)
            snapPoints.append(frame.world(midpointOf(segmentOf(m_vertices, i, m_constantWidth))));
        break;
    case AcDb::kOsModeNear: {
        // The pick is taken into the plane; the nearest point of all segments wins.
        const AcGePoint2d pick = frame.plane(pickPoint);
        bool found = false;
        AcGePoint3d best;
        for (unsigned i = 0; i < count; ++i) {
            const AcGePoint3d candidate =
                frame.world(nearestOnSegment(segmentOf(m_vertices, i, m_constantWidth), pick));
            if (!found || candidate.distanceTo(pickPoint) < best.distanceTo(pickPoint))
                best = candidate;
            found = true;
        }
        if (found)
            snapPoints.append(best);
        break;
    }
    case AcDb::kOsModeCen:
        for (unsigned i = 0; i < count; ++i) {
            Arc arc;
            if (arcOf(segmentOf(m_vertices, i, m_constantWidth), arc))
                snapPoints.append(frame.world(arc.center));
        }
        break;
    case AcDb::kOsModePerp: {
        // The last point is taken into the plane, as the pick is for the nearest point.
        const AcGePoint2d from = frame.plane(lastPoint);
        for (unsigned i = 0; i < count; ++i)
            appendPerpendicularFeet(segmentOf(m_vertices, i, m_constantWidth), from, frame, snapPoints);
        break;
    }
    default:
        break;
    }
    return Acad::eOk;
}

Acad::ErrorStatus AcDbPolyline::subGetGripPoints(AcGePoint3dArray& gripPoints, AcDbIntArray& /*osnapModes*/,
                                                 AcDbIntArray& /*geomIds*/) const
{
    return AcDbPolyline::subGetStretchPoints(gripPoints);
}

Acad::ErrorStatus AcDbPolyline::subMoveGripPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    return AcDbPolyline::subMoveStretchPointsAt(indices, offset);
}

Acad::ErrorStatus AcDbPolyline::subGetStretchPoints(AcGePoint3dArray& stretchPoints) const
{
    assertReadEnabled();
    const PlaneFrame frame(m_normal, m_elevation);
    for (const Vertex& vertex : m_vertices)
        stretchPoints.append(frame.world(vertex.point));
    return Acad::eOk;
}

// Vertices move by the offset's part in the plane.
Acad::ErrorStatus AcDbPolyline::subMoveStretchPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    for (int index : indices) {
        if (index < 0 || size_t(index) >= m_vertices.size())
            return Acad::eInvalidIndex;
    }
    assertWriteEnabled();
    const AcGeVector2d inPlane = PlaneFrame(m_normal, m_elevation).plane(offset);
    for (int index : indices)
        m_vertices[size_t(index)].point += inPlane;
    return Acad::eOk;
}

void AcDbPolyline::subList() const
{
    assertReadEnabled();
    printEntityHeader(L"LWPOLYLINE", *this);
    printListLine(m_closed ? L"  Closed" : L"  Open");
    AcString text;
    double width = 0.0;
    const bool constant = getConstantWidth(width) == Acad::eOk;
    if (constant) {
        text.format(L"  Constant width = %.4f", width);
        printListLine(text);
    }
    if (m_elevation != 0.0) {
        text.format(L"  Elevation = %.4f", m_elevation);
        printListLine(text);
    }
    const PlaneFrame frame(m_normal, m_elevation);
    double length = 0.0;
    for (size_t i = 0; i < m_vertices.size(); ++i) {
        const Vertex& vertex = m_vertices[i];
        printListLine(AcString(L"  at point ") + pointText(frame.world(vertex.point)));
        if (!constant) {
            text.format(L"    starting width = %.4f,  ending width = %.4f",
                        resolvedWidth(vertex.startWidth, m_constantWidth),
                        resolvedWidth(vertex.endWidth, m_constantWidth));
            printListLine(text);
        }
        if (vertex.bulge != 0.0) {
            text.format(L"    bulge = %.4f", vertex.bulge);
            printListLine(text);
        }
        if (i < segmentCount())
            length += lengthOf(segmentOf(m_vertices, unsigned(i), m_constantWidth));
    }
    text.format(L"  Length = %.4f", length);
    printListLine(text);
}
