// Entities as DXF groups: LINE, LWPOLYLINE, CIRCLE, ARC and MTEXT from the host's own entities
// (ELLIPSE and SPLINE in dxf_curves.cpp),
// the explode pieces of application entities, and LINE, LWPOLYLINE, CIRCLE and MTEXT
// from drawn primitives when an entity does not explode.
#include "dxf_entities.h"

#include <cmath>
#include <memory>

#include "dbelipse.h"
#include "dbents.h"
#include "dbmtext.h"
#include "dbpl.h"
#include "dbspline.h"
#include "drawing_store.h"
#include "vemhost_program.h"

namespace vemio {

namespace {

// Pieces of pieces are exploded too, up to this depth; below it they are drawn.
constexpr int kMaxExplodeDepth = 8;
// The application whose XDATA ties a module's entity to its pieces, and the bytes of
// one binary XDATA group.
constexpr const char* kLiveApplication = "VEM";
constexpr std::size_t kXdataChunk = 127;
constexpr double kRadiansToDegrees = 180.0 / M_PI;

bool isFinite(const AcGePoint3d& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }
bool isFinite(const AcGeVector3d& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
bool isFinite(const AcGePoint2d& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

// Exactly the world z axis: the extrusion DXF leaves out.
bool isWorldZ(const AcGeVector3d& v) { return v.x == 0.0 && v.y == 0.0 && v.z > 0.0; }

bool isLineWeight(int value)
{
    static const int kValues[] = {-3, -2, -1, 0,  5,  9,  13, 15,  18,  20,  25,  30,  35,  40,
                                  50, 53, 60, 70, 80, 90, 100, 106, 120, 140, 158, 200, 211};
    for (int v : kValues)
        if (v == value)
            return true;
    return false;
}

// The x and y axes of the plane with this normal by the arbitrary-axis rule, which
// DXF uses for object coordinates.
void planeAxes(const AcGeVector3d& normal, AcGeVector3d& xAxis, AcGeVector3d& yAxis)
{
    const double kLimit = 1.0 / 64.0;
    const AcGeVector3d n = normal.normal();
    const bool nearZ = std::fabs(n.x) < kLimit && std::fabs(n.y) < kLimit;
    xAxis = (nearZ ? AcGeVector3d::kYAxis : AcGeVector3d::kZAxis).crossProduct(n).normal();
    yAxis = n.crossProduct(xAxis).normal();
}

// Owns explode pieces: every one is deleted, whatever happens to the others.
class Pieces {
public:
    Pieces() = default;
    Pieces(const Pieces&) = delete;
    Pieces& operator=(const Pieces&) = delete;
    ~Pieces()
    {
        for (int i = 0; i < m_array.length(); ++i)
            delete static_cast<AcDbEntity*>(m_array[i]);
    }
    AcDbVoidPtrArray& array() { return m_array; }
    int size() const { return m_array.length(); }
    const AcDbEntity* at(int i) const { return static_cast<const AcDbEntity*>(m_array[i]); }

private:
    AcDbVoidPtrArray m_array;
};

// A drawn text's characters as multiline-text contents: the format characters quoted.
void quoteAsContents(const std::wstring& text, std::wstring& out)
{
    out.clear();
    for (wchar_t c : text) {
        if (c == L'\\' || c == L'{' || c == L'}')
            out += L'\\';
        out += c;
    }
}

}  // namespace

// ---- symbols and properties ---------------------------------------------------------

const std::string& DxfSymbols::layerName(AcDbObjectId id) const
{
    auto it = layers.find(id.asOldId());
    return it == layers.end() ? defaultLayer : it->second;
}

const std::string* DxfSymbols::linetypeName(AcDbObjectId id) const
{
    auto it = linetypes.find(id.asOldId());
    return it == linetypes.end() ? nullptr : &it->second;
}

const std::string& DxfSymbols::textStyleName(AcDbObjectId id) const
{
    auto it = textStyles.find(id.asOldId());
    return it == textStyles.end() ? defaultTextStyle : it->second;
}

DxfProperties DxfProperties::of(const AcDbEntity& ent)
{
    DxfProperties p;
    p.layer = ent.layerId();
    p.linetype = ent.linetypeId();
    p.color = ent.colorIndex() <= 256 ? ent.colorIndex() : 256;
    p.lineWeight = isLineWeight(ent.lineWeight()) ? ent.lineWeight() : AcDb::kLnWtByLayer;
    p.linetypeScale = std::isfinite(ent.linetypeScale()) && ent.linetypeScale() > 0.0 ? ent.linetypeScale() : 1.0;
    p.invisible = ent.visibility() == AcDb::kInvisible;
    return p;
}

DxfProperties DxfProperties::inheriting(const DxfProperties& outer) const
{
    DxfProperties p = *this;
    if (p.layer.isNull())
        p.layer = outer.layer;
    if (p.linetype.isNull())
        p.linetype = outer.linetype;
    if (p.color == 0)
        p.color = outer.color;
    if (p.lineWeight == AcDb::kLnWtByBlock)
        p.lineWeight = outer.lineWeight;
    p.invisible = p.invisible || outer.invisible;
    return p;
}

// ---- the writer -------------------------------------------------------------------------

DxfEntityWriter::DxfEntityWriter(DxfStream& out, const DxfSymbols& symbols, std::uint64_t& nextHandle,
                                 DxfStats& stats)
    : m_out(out), m_symbols(symbols), m_nextHandle(nextHandle), m_stats(stats)
{
}

void DxfEntityWriter::write(const AcDbEntity& ent, std::uint64_t ownerHandle, bool paperSpace)
{
    m_owner = ownerHandle;
    m_paperSpace = paperSpace;
    const std::uint64_t handle = ent.objectHandle().value();
    if (!acrt::isRuntimeClass(ent.isA()) && DxfPassThroughEntity::cast(&ent) == nullptr)
        beginLiveEntity(ent, handle);
    else
        takeExtras(ent, handle);
    writeAny(ent, handle != 0 ? handle : m_nextHandle++, DxfProperties::of(ent), 0);
    endExtras();
    endPiece();
    m_extras = nullptr;
    m_live.className.clear();
}

void DxfEntityWriter::beginLiveEntity(const AcDbEntity& ent, std::uint64_t handle)
{
    vemhost::MemoryFiler filer(ent.database(), AcDb::kFileFiler);
    if (handle == 0 || ent.dwgOutFields(&filer) != Acad::eOk || filer.filerStatus() != Acad::eOk)
        return;  // its pieces go out plain
    static const char kHex[] = "0123456789ABCDEF";
    m_live.className = vemhost::toUtf8(ent.isA()->name());
    m_live.handle = handle;
    m_live.record.clear();
    for (unsigned char b : filer.bytes()) {
        m_live.record += kHex[b >> 4];
        m_live.record += kHex[b & 0xF];
    }
    m_live.pieces = 0;
    m_live.pending = false;
}

// 1001 VEM, 1000 class, 1005 the entity's handle, 1070 the piece's number (from 1) and,
// on the first piece, the record as 1004 chunks of at most 127 bytes.
void DxfEntityWriter::endPiece()
{
    if (!m_live.pending)
        return;
    m_live.pending = false;
    m_out.str(1001, kLiveApplication);
    m_out.str(1000, m_live.className);
    m_out.handle(1005, m_live.handle);
    m_out.integer(1070, m_live.pieces);
    if (m_live.pieces != 1)
        return;
    const std::string_view record = m_live.record;
    for (std::size_t at = 0; at < record.size(); at += 2 * kXdataChunk)
        m_out.str(1004, record.substr(at, 2 * kXdataChunk));
}

// A known entity under its own handle; anything else as the entities it is made of,
// each under a fresh handle (the handle it was given is then not used).
void DxfEntityWriter::writeAny(const AcDbEntity& ent, std::uint64_t handle, const DxfProperties& props, int depth)
{
    if (writeKnown(ent, Target{handle, props}))
        return;
    writePieces(ent, props, depth);
}

bool DxfEntityWriter::writeKnown(const AcDbEntity& ent, const Target& target)
{
    if (const DxfPassThroughEntity* kept = DxfPassThroughEntity::cast(&ent)) {
        if (!passThrough(*kept, target))
            ++m_stats.skipped;
        return true;
    }
    if (const AcDbArc* pArc = AcDbArc::cast(&ent)) {
        if (!isFinite(pArc->center()) || !isFinite(pArc->normal()) || !std::isfinite(pArc->radius()))
            ++m_stats.skipped;
        else
            arc(pArc->center(), pArc->radius(), pArc->startAngle(), pArc->endAngle(), pArc->normal(), target);
        return true;
    }
    if (const AcDbCircle* pCircle = AcDbCircle::cast(&ent)) {
        if (!isFinite(pCircle->center()) || !isFinite(pCircle->normal()) || !std::isfinite(pCircle->radius()))
            ++m_stats.skipped;
        else
            circle(pCircle->center(), pCircle->radius(), pCircle->normal(), target);
        return true;
    }
    if (const AcDbPoint* pPoint = AcDbPoint::cast(&ent)) {
        if (!point(*pPoint, target))
            ++m_stats.skipped;
        return true;
    }
    if (const AcDbLine* pLine = AcDbLine::cast(&ent)) {
        const AcGePoint3d from = pLine->startPoint(), to = pLine->endPoint();
        const AcGeVector3d normal = pLine->normal();
        if (!isFinite(from) || !isFinite(to) || !isFinite(normal) || !std::isfinite(pLine->thickness()))
            ++m_stats.skipped;
        else
            line(from, to, pLine->thickness(), normal, target);
        return true;
    }
    if (const AcDbPolyline* pPline = AcDbPolyline::cast(&ent)) {
        if (!polyline(*pPline, target))
            ++m_stats.skipped;
        return true;
    }
    if (const AcDbText* pSingleLine = AcDbText::cast(&ent)) {
        if (!textFamily(*pSingleLine, target))
            ++m_stats.skipped;
        return true;
    }
    if (const AcDbMText* pText = AcDbMText::cast(&ent)) {
        if (!mtext(*pText, target))
            ++m_stats.skipped;
        return true;
    }
    if (const AcDbEllipse* pEllipse = AcDbEllipse::cast(&ent)) {
        if (!ellipse(*pEllipse, target))
            ++m_stats.skipped;
        return true;
    }
    if (const AcDbSpline* pSpline = AcDbSpline::cast(&ent)) {
        if (!spline(*pSpline, target))
            ++m_stats.skipped;
        return true;
    }
    if (const AcDbBlockReference* pRef = AcDbBlockReference::cast(&ent)) {
        if (!insert(*pRef, target))
            ++m_stats.skipped;
        return true;
    }
    return false;
}

void DxfEntityWriter::writePieces(const AcDbEntity& ent, const DxfProperties& props, int depth)
{
    Pieces pieces;
    if (depth >= kMaxExplodeDepth || ent.explode(pieces.array()) != Acad::eOk || pieces.size() == 0) {
        writePrimitives(ent, props);
        return;
    }
    for (int i = 0; i < pieces.size(); ++i) {
        const AcDbEntity* piece = pieces.at(i);
        if (piece != nullptr)
            writeAny(*piece, m_nextHandle++, DxfProperties::of(*piece).inheriting(props), depth + 1);
    }
}

void DxfEntityWriter::writePrimitives(const AcDbEntity& ent, const DxfProperties& props)
{
    m_collector.clear();
    m_collector.draw(const_cast<AcDbEntity*>(&ent));
    for (const vemhost::Primitive& prim : m_collector.primitives())
        writePrimitive(prim, props);
    m_collector.clear();
}

void DxfEntityWriter::writePrimitive(const vemhost::Primitive& prim, const DxfProperties& props)
{
    DxfProperties drawn = props;
    drawn.layer = prim.layerId;
    drawn.linetype = prim.linetypeId;
    drawn.color = prim.color <= 256 ? prim.color : 256;
    drawn.lineWeight = isLineWeight(prim.lineWeight) ? prim.lineWeight : AcDb::kLnWtByLayer;
    drawn = drawn.inheriting(props);
    for (const AcGePoint3d& p : prim.points)
        if (!isFinite(p)) {
            ++m_stats.skipped;
            return;
        }
    if (prim.points.empty() || !isFinite(prim.normal) || !std::isfinite(prim.radius)) {
        ++m_stats.skipped;
        return;
    }
    const Target target{m_nextHandle++, drawn};
    switch (prim.kind) {
    case vemhost::Primitive::kPolyline: pointsAsPolyline(prim.points, false, target); break;
    case vemhost::Primitive::kPolygon: pointsAsPolyline(prim.points, true, target); break;
    case vemhost::Primitive::kCircle: circle(prim.points[0], prim.radius, prim.normal, target); break;
    case vemhost::Primitive::kText: textPrimitive(prim, target); break;
    }
}

// ---- groups of each entity type -----------------------------------------------------------

void DxfEntityWriter::common(const char* type, const Target& target)
{
    const DxfProperties& p = target.props;
    endExtras();
    endPiece();
    if (!m_live.className.empty() && target.handle != m_live.handle) {
        ++m_live.pieces;
        m_live.pending = true;
    }
    m_out.str(0, type);
    m_out.handle(5, target.handle);
    leadExtras(target.handle);
    m_out.handle(330, m_owner);
    m_out.str(100, "AcDbEntity");
    if (m_paperSpace)
        m_out.integer(67, 1);
    m_out.str(8, m_symbols.layerName(p.layer));
    if (const std::string* linetype = m_symbols.linetypeName(p.linetype))
        m_out.str(6, *linetype);
    if (p.color != 256)
        m_out.integer(62, p.color);
    m_out.integer(370, p.lineWeight);
    if (p.linetypeScale != 1.0)
        m_out.real(48, p.linetypeScale);
    if (p.invisible)
        m_out.integer(60, 1);
    ++m_stats.entities;
}

void DxfEntityWriter::line(const AcGePoint3d& from, const AcGePoint3d& to, double thickness,
                           const AcGeVector3d& normal, const Target& target)
{
    common("LINE", target);
    m_out.str(100, "AcDbLine");
    if (thickness != 0.0)
        m_out.real(39, thickness);
    m_out.point(10, from);
    m_out.point(11, to);
    if (!isWorldZ(normal) && !normal.isZeroLength())
        m_out.vector(210, normal);
    widen(from);
    widen(to);
}

namespace {

// One vertex of a polyline with its bulge and its widths as the polyline resolves them.
struct PolylineVertex {
    AcGePoint2d point;
    double bulge = 0.0, start = 0.0, end = 0.0;
};

PolylineVertex vertexOf(const AcDbPolyline& pline, unsigned index)
{
    PolylineVertex v;
    pline.getPointAt(index, v.point);
    pline.getBulgeAt(index, v.bulge);
    pline.getWidthsAt(index, v.start, v.end);
    return v;
}

}  // namespace

// Widths as the polyline resolves them; one constant width (43) when every vertex has
// it at both ends, per-vertex start and end widths (40, 41) otherwise.
bool DxfEntityWriter::polyline(const AcDbPolyline& pline, const Target& target)
{
    const unsigned count = pline.numVerts();
    const AcGeVector3d normal = pline.normal();
    if (count == 0 || !std::isfinite(pline.elevation()) || !isFinite(normal))
        return false;
    bool constant = true;
    double firstWidth = 0.0;
    for (unsigned i = 0; i < count; ++i) {
        const PolylineVertex v = vertexOf(pline, i);
        if (!isFinite(v.point) || !std::isfinite(v.bulge) || !std::isfinite(v.start) || !std::isfinite(v.end))
            return false;
        if (i == 0)
            firstWidth = v.start;
        constant = constant && v.start == firstWidth && v.end == firstWidth;
    }
    common("LWPOLYLINE", target);
    m_out.str(100, "AcDbPolyline");
    m_out.integer(90, count);
    m_out.integer(70, pline.isClosed() ? 1 : 0);
    if (constant)
        m_out.real(43, firstWidth);
    if (pline.elevation() != 0.0)
        m_out.real(38, pline.elevation());
    for (unsigned i = 0; i < count; ++i) {
        const PolylineVertex v = vertexOf(pline, i);
        m_out.point(10, v.point.x, v.point.y);
        if (!constant) {
            m_out.real(40, v.start);
            m_out.real(41, v.end);
        }
        if (v.bulge != 0.0)
            m_out.real(42, v.bulge);
        if (m_trackExtents) {
            AcGePoint3d world;
            pline.getPointAt(i, world);
            widen(world);
        }
    }
    if (!isWorldZ(normal))
        m_out.vector(210, normal);
    return true;
}

// The reference width is 0 whatever the entity holds: the host lays text out without
// wrapping, and a reader given a width would wrap it.
bool DxfEntityWriter::mtext(const AcDbMText& text, const Target& target)
{
    const AcGePoint3d location = text.location();
    const AcGeVector3d normal = text.normal(), direction = text.direction();
    if (!isFinite(location) || !isFinite(normal) || !isFinite(direction) || !std::isfinite(text.textHeight()))
        return false;
    common("MTEXT", target);
    m_out.str(100, "AcDbMText");
    m_out.point(10, location);
    m_out.real(40, text.textHeight());
    m_out.real(41, 0.0);
    m_out.integer(71, text.attachment());
    m_out.integer(72, 1);
    m_out.mtextContents(text.contentsString().wstr());
    m_out.str(7, m_symbols.textStyleName(text.textStyle()));
    textFrame(normal, direction, text.rotation());
    if (m_trackExtents) {
        AcDbExtents ext;
        if (text.getGeomExtents(ext) == Acad::eOk && !ext.isEmpty()) {
            widen(ext.minPoint());
            widen(ext.maxPoint());
        }
    }
    return true;
}

// In the world plane the rotation in degrees; in any other plane the extrusion and the
// direction vector.
void DxfEntityWriter::textFrame(const AcGeVector3d& normal, const AcGeVector3d& direction, double rotation)
{
    if (isWorldZ(normal)) {
        m_out.real(50, rotation * kRadiansToDegrees);
    } else {
        m_out.vector(210, normal);
        m_out.vector(11, direction);
    }
    m_out.integer(73, 1);
    m_out.real(44, 1.0);
}

// Two points make a LINE; more at one height a LWPOLYLINE at that elevation; more at
// several heights one LINE per segment.
void DxfEntityWriter::pointsAsPolyline(const std::vector<AcGePoint3d>& points, bool closed, const Target& target)
{
    const size_t count = points.size();
    if (count < 2)
        return;
    if (count == 2 && !closed) {
        line(points[0], points[1], 0.0, AcGeVector3d::kZAxis, target);
        return;
    }
    bool flat = true;
    for (const AcGePoint3d& p : points)
        flat = flat && p.z == points[0].z;
    if (!flat) {
        const size_t segments = closed ? count : count - 1;
        for (size_t i = 0; i < segments; ++i)
            line(points[i], points[(i + 1) % count], 0.0, AcGeVector3d::kZAxis,
                 Target{i == 0 ? target.handle : m_nextHandle++, target.props});
        return;
    }
    common("LWPOLYLINE", target);
    m_out.str(100, "AcDbPolyline");
    m_out.integer(90, static_cast<long long>(count));
    m_out.integer(70, closed ? 1 : 0);
    m_out.real(43, 0.0);
    if (points[0].z != 0.0)
        m_out.real(38, points[0].z);
    for (const AcGePoint3d& p : points) {
        m_out.point(10, p.x, p.y);
        widen(p);
    }
}

// The centre in the circle's own plane (the arbitrary-axis rule), the radius, and the
// normal when it is not the world's Z: what CIRCLE and ARC share.
void DxfEntityWriter::circleGroups(const AcGePoint3d& center, double radius, const AcGeVector3d& normal)
{
    if (isWorldZ(normal)) {
        m_out.point(10, center);
    } else {
        AcGeVector3d xAxis, yAxis;
        planeAxes(normal, xAxis, yAxis);
        const AcGeVector3d c = center.asVector();
        m_out.point(10, AcGePoint3d(c.dotProduct(xAxis), c.dotProduct(yAxis), c.dotProduct(normal.normal())));
    }
    m_out.real(40, radius);
    if (!isWorldZ(normal))
        m_out.vector(210, normal);
    widen(center + AcGeVector3d(radius, radius, 0.0));
    widen(center - AcGeVector3d(radius, radius, 0.0));
}

// The position in world coordinates; the figure's rotation in degrees when it has one.
bool DxfEntityWriter::point(const AcDbPoint& pt, const Target& target)
{
    const AcGePoint3d position = pt.position();
    const AcGeVector3d normal = pt.normal();
    if (!isFinite(position) || !isFinite(normal) || !std::isfinite(pt.thickness()) ||
        !std::isfinite(pt.ecsRotation()))
        return false;
    common("POINT", target);
    m_out.str(100, "AcDbPoint");
    m_out.point(10, position);
    if (pt.thickness() != 0.0)
        m_out.real(39, pt.thickness());
    if (!isWorldZ(normal))
        m_out.vector(210, normal);
    if (pt.ecsRotation() != 0.0)
        m_out.real(50, pt.ecsRotation() * 180.0 / M_PI);
    widen(position);
    return true;
}

void DxfEntityWriter::circle(const AcGePoint3d& center, double radius, const AcGeVector3d& normal,
                             const Target& target)
{
    if (!(radius > 0.0) || normal.isZeroLength())
        return;
    common("CIRCLE", target);
    m_out.str(100, "AcDbCircle");
    circleGroups(center, radius, normal);
}

void DxfEntityWriter::arc(const AcGePoint3d& center, double radius, double startAngle, double endAngle,
                          const AcGeVector3d& normal, const Target& target)
{
    if (!(radius > 0.0) || normal.isZeroLength())
        return;
    common("ARC", target);
    m_out.str(100, "AcDbCircle");
    circleGroups(center, radius, normal);
    m_out.str(100, "AcDbArc");
    const double kDegrees = 180.0 / M_PI;
    m_out.real(50, startAngle * kDegrees);
    m_out.real(51, endAngle * kDegrees);
}

// A drawn text starts on its baseline at the position: bottom-left attachment.
void DxfEntityWriter::textPrimitive(const vemhost::Primitive& prim, const Target& target)
{
    if (!(prim.radius > 0.0) || prim.normal.isZeroLength() || prim.direction.isZeroLength() ||
        !isFinite(prim.direction))
        return;
    common("MTEXT", target);
    m_out.str(100, "AcDbMText");
    m_out.point(10, prim.points[0]);
    m_out.real(40, prim.radius);
    m_out.real(41, 0.0);
    m_out.integer(71, AcDbMText::kBottomLeft);
    m_out.integer(72, 1);
    quoteAsContents(prim.text, m_textScratch);
    m_out.mtextContents(m_textScratch);
    m_out.str(7, m_symbols.defaultTextStyle);
    double rotation = std::atan2(prim.direction.y, prim.direction.x);
    if (rotation < 0.0)
        rotation += 2.0 * M_PI;
    textFrame(prim.normal, prim.direction.normal(), rotation);
    widen(prim.points[0]);
}

void DxfEntityWriter::widen(const AcGePoint3d& pt)
{
    if (m_trackExtents)
        m_extents.addPoint(pt);
}

}  // namespace vemio
