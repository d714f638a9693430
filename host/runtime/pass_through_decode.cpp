// What the groups of a pass-through entity describe: solids, traces, 3D faces, old-style
// polylines of every kind, leaders, multileaders, image frames, and the block a
// dimension or a table shows; hatches have a file of their own. Values that do not read
// and counts larger than the groups leave out the part they belong to, never more.
#include <charconv>
#include <cmath>
#include <cstring>

#include "pass_through_geometry.h"

namespace acrt {

namespace {

// The groups [from, to) of one record: the entity's own, or one VERTEX.
struct Span {
    const DxfGroups& groups;
    size_t from, to;

    // The index of the first group with the code, -1 when there is none.
    int find(int code) const
    {
        for (size_t i = from; i < to; ++i)
            if (groups[i].code == code)
                return int(i);
        return -1;
    }
    bool number(int code, double& value) const
    {
        const int at = find(code);
        return at >= 0 && groupNumber(groups[size_t(at)].value, value);
    }
    double numberOr(int code, double fallback) const
    {
        double value = fallback;
        return number(code, value) ? value : fallback;
    }
    long integerOr(int code, long fallback) const
    {
        const double value = numberOr(code, double(fallback));
        return value >= -2147483648.0 && value <= 2147483647.0 ? long(value) : fallback;
    }
};

// The end of the groups that belong to the record starting at from: the next 0 group,
// or the first XDATA group.
size_t recordEnd(const DxfGroups& groups, size_t from)
{
    for (size_t i = from; i < groups.size(); ++i)
        if (groups[i].code == 0 || groups[i].code >= 1000)
            return i;
    return groups.size();
}

// The point whose x group is at index at (code c): y (c + 10) must follow it, z (c + 20)
// may. Notes its place. False when it does not read.
bool pointAt(const DxfGroups& groups, int at, bool flat, AcGePoint3d& pt, GroupPlace* place)
{
    if (at < 0 || size_t(at) + 1 >= groups.size())
        return false;
    const size_t i = size_t(at);
    const int code = groups[i].code;
    if (groups[i + 1].code != code + 10 || !groupNumber(groups[i].value, pt.x) ||
        !groupNumber(groups[i + 1].value, pt.y))
        return false;
    pt.z = 0.0;
    const bool hasZ = i + 2 < groups.size() && groups[i + 2].code == code + 20;
    if (hasZ && !groupNumber(groups[i + 2].value, pt.z))
        return false;
    if (place != nullptr) {
        place->kind = GroupPlace::kPoint;
        place->flat = flat;
        place->x = at;
        place->y = at + 1;
        place->z = hasZ ? at + 2 : -1;
    }
    return true;
}

// The point of code c in the span, noted as a place; false when absent or unreadable
// (the entity then cannot be transformed when the group was there).
bool spanPoint(const Span& span, int code, bool flat, AcGePoint3d& pt, PassThroughShape& shape)
{
    const int at = span.find(code);
    GroupPlace place;
    if (!pointAt(span.groups, at, flat, pt, &place)) {
        if (at >= 0)
            shape.placesComplete = false;
        return false;
    }
    shape.places.push_back(place);
    return true;
}

void noteNumber(const Span& span, int code, GroupPlace::Kind kind, PassThroughShape& shape)
{
    const int at = span.find(code);
    if (at < 0)
        return;
    double value = 0.0;
    if (!groupNumber(span.groups[size_t(at)].value, value)) {
        shape.placesComplete = false;
        return;
    }
    GroupPlace place;
    place.kind = kind;
    place.x = at;
    shape.places.push_back(place);
}

// ---- solids, traces and 3D faces --------------------------------------------------------

// The four corners of a solid, a trace or a face (groups 10 to 13); without a fourth the
// third stands for it (a triangle). False without the first three.
bool readCorners(const Span& own, AcGePoint3d (&corner)[4], PassThroughShape& shape)
{
    bool read[4];
    for (int i = 0; i < 4; ++i)
        read[i] = spanPoint(own, 10 + i, false, corner[i], shape);
    if (!read[0] || !read[1] || !read[2])
        return false;
    if (!read[3])
        corner[3] = corner[2];
    return true;
}

void decodeSolid(const Span& own, PassThroughShape& shape)
{
    shape.rule = TransformRule::kPlanar;
    shape.normal = normalOf(own.groups, own.from, own.to);
    noteNumber(own, 39, GroupPlace::kLength, shape);
    const PlaneFrame frame(shape.normal);
    AcGePoint3d corner[4];
    if (!readCorners(own, corner, shape))
        return;
    const int order[4] = {0, 1, 3, 2};
    std::vector<AcGePoint3d> outline;
    for (int i : order)
        outline.push_back(frame.world(corner[i].x, corner[i].y, corner[i].z));
    // Filled, as a new drawing's fill mode shows solids and traces.
    shape.filled = true;
    shape.beginFillLoop();
    shape.addRun(outline, true);
    shape.endFillLoop();
}

void decodeFace(const Span& own, PassThroughShape& shape)
{
    shape.rule = TransformRule::kSimilarity;
    AcGePoint3d corner[4];
    if (!readCorners(own, corner, shape))
        return;
    const long hidden = own.integerOr(70, 0);
    if ((hidden & 15) == 0) {
        shape.addRun(std::vector<AcGePoint3d>(corner, corner + 4), true);
        return;
    }
    for (int edge = 0; edge < 4; ++edge)
        if ((hidden & (1L << edge)) == 0)
            shape.addRun({corner[edge], corner[(edge + 1) % 4]}, false);
}

// ---- old-style polylines ------------------------------------------------------------------

struct Vertex {
    AcGePoint3d point;
    bool read = false;
    long flags = 0;
    double bulge = 0.0;
    long index[4] = {0, 0, 0, 0};
};

const long kFrameControlPoint = 16;
const long kPolyfaceFace = 128;
const long kPolyfacePosition = 64;

std::vector<Vertex> readVertices(const DxfGroups& groups, size_t from, bool flat, PassThroughShape& shape)
{
    std::vector<Vertex> vertices;
    for (size_t i = from; i < groups.size(); ++i) {
        if (groups[i].code != 0)
            continue;
        if (groups[i].value != "VERTEX")
            break;
        const Span span{groups, i + 1, recordEnd(groups, i + 1)};
        Vertex v;
        v.flags = span.integerOr(70, 0);
        if ((v.flags & kPolyfaceFace) != 0 && (v.flags & kPolyfacePosition) == 0)
            v.read = pointAt(groups, span.find(10), false, v.point, nullptr);  // a face's point is no place
        else
            v.read = spanPoint(span, 10, flat, v.point, shape);
        v.bulge = span.numberOr(42, 0.0);
        for (int k = 0; k < 4; ++k)
            v.index[k] = span.integerOr(71 + k, 0);
        if (flat) {
            noteNumber(span, 42, GroupPlace::kBulge, shape);
            noteNumber(span, 40, GroupPlace::kLength, shape);
            noteNumber(span, 41, GroupPlace::kLength, shape);
            noteNumber(span, 50, GroupPlace::kAngle, shape);
        }
        vertices.push_back(v);
    }
    return vertices;
}

void decodeFlatPolyline(const Span& own, const std::vector<Vertex>& all, bool closed, PassThroughShape& shape)
{
    shape.normal = normalOf(own.groups, own.from, own.to);
    const PlaneFrame frame(shape.normal);
    double elevation = 0.0;
    const int at = own.find(10);
    if (at >= 0 && size_t(at) + 2 < own.to && own.groups[size_t(at) + 2].code == 30) {
        if (groupNumber(own.groups[size_t(at) + 2].value, elevation)) {
            GroupPlace place;
            place.kind = GroupPlace::kElevation;
            place.x = at + 2;
            shape.places.push_back(place);
        } else {
            shape.placesComplete = false;
        }
    }
    std::vector<AcGePoint2d> points;
    std::vector<double> bulges;
    for (const Vertex& v : all) {
        if (!v.read || (v.flags & kFrameControlPoint) != 0)
            continue;
        points.emplace_back(v.point.x, v.point.y);
        bulges.push_back(v.bulge);
    }
    addPlanePath(shape, frame, points, bulges, closed, elevation);
}

void decodeMesh(const Span& own, const std::vector<Vertex>& all, long flags, PassThroughShape& shape)
{
    const long m = own.integerOr(71, 0), n = own.integerOr(72, 0);
    if (m < 1 || n < 1 || m > long(all.size()) || n > long(all.size()) || m * n > long(all.size()))
        return;
    auto at = [&](long i, long j) { return all[size_t(i * n + j)]; };
    std::vector<AcGePoint3d> run;
    auto addLine = [&](long count, bool closed, auto pointOf) {
        run.clear();
        for (long k = 0; k < count; ++k) {
            const Vertex v = pointOf(k);
            if (!v.read) {
                shape.addRun(run, false);
                run.clear();
                continue;
            }
            run.push_back(v.point);
        }
        if (closed && run.size() == size_t(count))
            shape.addRun(run, true);
        else
            shape.addRun(run, false);
    };
    for (long i = 0; i < m; ++i)
        addLine(n, (flags & 32) != 0, [&](long j) { return at(i, j); });
    for (long j = 0; j < n; ++j)
        addLine(m, (flags & 1) != 0, [&](long i) { return at(i, j); });
}

void decodePolyface(const std::vector<Vertex>& all, PassThroughShape& shape)
{
    std::vector<const Vertex*> positions;
    for (const Vertex& v : all)
        if ((v.flags & kPolyfacePosition) != 0)
            positions.push_back(&v);
    for (const Vertex& face : all) {
        if ((face.flags & kPolyfaceFace) == 0 || (face.flags & kPolyfacePosition) != 0)
            continue;
        int count = 0;
        while (count < 4 && face.index[count] != 0)
            ++count;
        for (int k = 0; k < count && count > 1; ++k) {
            const long from = face.index[k], to = std::labs(face.index[(k + 1) % count]);
            if (from < 0 || from > long(positions.size()) || to > long(positions.size()))
                continue;
            const Vertex& a = *positions[size_t(from - 1)];
            const Vertex& b = *positions[size_t(to - 1)];
            if (a.read && b.read)
                shape.addRun({a.point, b.point}, false);
        }
    }
}

void decodePolyline(const DxfGroups& groups, const Span& own, PassThroughShape& shape)
{
    const long flags = own.integerOr(70, 0);
    const bool flat = (flags & (8 | 16 | 64)) == 0;
    shape.rule = flat ? TransformRule::kPlanar : TransformRule::kSimilarity;
    if (flat) {
        noteNumber(own, 39, GroupPlace::kLength, shape);
        noteNumber(own, 40, GroupPlace::kLength, shape);
        noteNumber(own, 41, GroupPlace::kLength, shape);
    }
    const std::vector<Vertex> vertices = readVertices(groups, own.to, flat, shape);
    if ((flags & 64) != 0) {
        decodePolyface(vertices, shape);
    } else if ((flags & 16) != 0) {
        decodeMesh(own, vertices, flags, shape);
    } else if ((flags & 8) != 0) {
        std::vector<AcGePoint3d> run;
        for (const Vertex& v : vertices)
            if (v.read && (v.flags & kFrameControlPoint) == 0)
                run.push_back(v.point);
        shape.addRun(run, (flags & 1) != 0 && run.size() > 2);
    } else {
        decodeFlatPolyline(own, vertices, (flags & 1) != 0, shape);
    }
}

// ---- leaders, multileaders, images --------------------------------------------------------

void noteDirection(const Span& own, int code, GroupPlace::Kind kind, PassThroughShape& shape)
{
    AcGePoint3d unused;
    const int at = own.find(code);
    GroupPlace place;
    if (at < 0)
        return;
    if (!pointAt(own.groups, at, false, unused, &place)) {
        shape.placesComplete = false;
        return;
    }
    place.kind = kind;
    shape.places.push_back(place);
}

void decodeLeader(const Span& own, PassThroughShape& shape)
{
    shape.rule = TransformRule::kSimilarity;
    const long count = own.integerOr(76, -1);
    std::vector<AcGePoint3d> run;
    for (size_t i = own.from; i < own.to; ++i) {
        if (own.groups[i].code != 10)
            continue;
        AcGePoint3d pt;
        GroupPlace place;
        if (!pointAt(own.groups, int(i), false, pt, &place)) {
            shape.placesComplete = false;
            continue;
        }
        shape.places.push_back(place);
        if (count < 0 || long(run.size()) < count)
            run.push_back(pt);
    }
    shape.addRun(run, false);
    if (own.integerOr(71, 1) != 0)
        addLeaderArrow(own.groups, own.from, own.to, run, shape);
    noteDirection(own, 211, GroupPlace::kVector, shape);
    noteDirection(own, 212, GroupPlace::kVector, shape);
    noteDirection(own, 213, GroupPlace::kVector, shape);
    noteNumber(own, 40, GroupPlace::kLength, shape);
    noteNumber(own, 41, GroupPlace::kLength, shape);
}

bool isOpening(const DxfGroup& g, const char* name) { return (g.code >= 300 && g.code <= 305) && g.value == name; }
bool isClosing(const DxfGroup& g) { return g.code >= 300 && g.code <= 305 && g.value == "}"; }

// Where a multileader's group stands: its context data, a leader in it, or a leader
// line in that.
enum MultileaderLevel { kOutside, kContext, kLeader, kLeaderLine };

// Whether a code is a point (not a direction or a scale) at the level.
bool isMultileaderPoint(int code, int level)
{
    switch (level) {
    case kContext:
        return code == 10 || code == 12 || code == 15 || code == 110;
    case kLeader:
        return code == 10 || code == 12 || code == 13;
    case kLeaderLine:
        return code == 10 || code == 11 || code == 12;
    default:
        return false;
    }
}

// The leader lines (each to its leader's last point) are drawn; every point of the
// context data moves with the entity.
void decodeMultileader(const Span& own, PassThroughShape& shape)
{
    shape.rule = TransformRule::kTranslation;
    AcGePoint3d landing;
    bool hasLanding = false;
    int level = kOutside;
    std::vector<AcGePoint3d> run;
    for (size_t i = own.from; i < own.to; ++i) {
        const DxfGroup& g = own.groups[i];
        if (isOpening(g, "CONTEXT_DATA{")) {
            level = kContext;
        } else if (isOpening(g, "LEADER{") && level == kContext) {
            level = kLeader;
            hasLanding = false;
        } else if (isOpening(g, "LEADER_LINE{") && level == kLeader) {
            level = kLeaderLine;
            run.clear();
        } else if (isClosing(g) && level != kOutside) {
            if (level == kLeaderLine) {
                if (hasLanding)
                    run.push_back(landing);
                shape.addRun(run, false);
            }
            --level;
        }
        if (!isMultileaderPoint(g.code, level))
            continue;
        AcGePoint3d pt;
        GroupPlace place;
        if (!pointAt(own.groups, int(i), false, pt, &place)) {
            shape.placesComplete = false;
            continue;
        }
        shape.places.push_back(place);
        if (g.code == 10 && level == kLeaderLine) {
            run.push_back(pt);
        } else if (g.code == 10 && level == kLeader) {
            landing = pt;
            hasLanding = true;
        }
    }
}

void decodeImage(const Span& own, PassThroughShape& shape)
{
    shape.rule = TransformRule::kTranslation;
    AcGePoint3d p, u, v, size;
    const bool placed = spanPoint(own, 10, false, p, shape);
    if (!placed || !pointAt(own.groups, own.find(11), false, u, nullptr) ||
        !pointAt(own.groups, own.find(12), false, v, nullptr) ||
        !pointAt(own.groups, own.find(13), false, size, nullptr))
        return;
    const AcGeVector3d across = u.asVector() * size.x, up = v.asVector() * size.y;
    shape.addRun({p, p + across, p + across + up, p + up}, true);
}

void decodeBlockShown(const Span& own, int positionCode, PassThroughShape& shape)
{
    const int name = own.find(2);
    if (name < 0 || own.groups[size_t(name)].value.empty())
        return;
    shape.blockName = own.groups[size_t(name)].value;
    AcGePoint3d position;
    if (pointAt(own.groups, own.find(positionCode), false, position, nullptr))
        shape.blockPosition = position;
}

}  // namespace

bool groupNumber(const std::string& text, double& value)
{
    const char* first = text.data();
    const char* last = first + text.size();
    while (first < last && (*first == ' ' || *first == '\t'))
        ++first;
    while (last > first && (last[-1] == ' ' || last[-1] == '\t' || last[-1] == '\r'))
        --last;
    if (first < last && *first == '+')
        ++first;
    double read = 0.0;
    const std::from_chars_result result = std::from_chars(first, last, read);
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(read))
        return false;
    value = read;
    return true;
}

std::string numberText(double value)
{
    char buffer[32];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

void PassThroughShape::addRun(const std::vector<AcGePoint3d>& run, bool closed)
{
    if (run.size() < 2)
        return;
    points.insert(points.end(), run.begin(), run.end());
    if (closed)
        points.push_back(run.front());
    runs.push_back(unsigned(run.size() + (closed ? 1 : 0)));
    notePiece(ShapePiece::kRun, runs.size());
}

PlaneFrame::PlaneFrame(const AcGeVector3d& normal)
{
    const CircularFrame frame(AcGePoint3d::kOrigin, normal);
    xAxis = frame.xAxis();
    yAxis = frame.yAxis();
    zAxis = frame.zAxis();
}

AcGeVector3d normalOf(const DxfGroups& groups, size_t from, size_t to)
{
    for (size_t i = from; i < to; ++i) {
        AcGePoint3d n;
        if (groups[i].code != 210 || !pointAt(groups, int(i), false, n, nullptr))
            continue;
        const AcGeVector3d v = n.asVector();
        return v.length() > 1e-12 ? v.normal() : AcGeVector3d::kZAxis;
    }
    return AcGeVector3d::kZAxis;
}

void addBulgeArc(PassThroughShape& shape, const PlaneFrame& frame, const AcGePoint2d& a, const AcGePoint2d& b,
                 double bulge, double z)
{
    const double dx = b.x - a.x, dy = b.y - a.y, chord = std::hypot(dx, dy);
    if (!(chord > 0.0) || !std::isfinite(bulge) || std::fabs(bulge) > 1e9) {
        shape.addRun({frame.world(a.x, a.y, z), frame.world(b.x, b.y, z)}, false);
        return;
    }
    const double toCenter = (1.0 - bulge * bulge) / (4.0 * bulge);
    const AcGePoint2d center(a.x + dx / 2.0 - dy * toCenter, a.y + dy / 2.0 + dx * toCenter);
    const double sweep = 4.0 * std::atan(std::fabs(bulge));
    const AcGePoint2d& from = bulge > 0.0 ? a : b;
    PassThroughArc arc;
    arc.center = frame.world(center.x, center.y, z);
    arc.normal = frame.zAxis;
    arc.radius = std::hypot(a.x - center.x, a.y - center.y);
    arc.start = std::atan2(from.y - center.y, from.x - center.x);
    arc.sweep = sweep;
    if (isUsableRadius(arc.radius) && std::isfinite(arc.center.x + arc.center.y + arc.center.z))
        shape.addArc(arc);
    else
        shape.addRun({frame.world(a.x, a.y, z), frame.world(b.x, b.y, z)}, false);
}

void addPlanePath(PassThroughShape& shape, const PlaneFrame& frame, const std::vector<AcGePoint2d>& points,
                  const std::vector<double>& bulges, bool closed, double z)
{
    const size_t n = points.size();
    const size_t segments = closed && n >= 2 ? n : (n > 0 ? n - 1 : 0);
    std::vector<AcGePoint3d> run;
    for (size_t i = 0; i < segments; ++i) {
        const AcGePoint2d& a = points[i];
        const AcGePoint2d& b = points[(i + 1) % n];
        const double bulge = i < bulges.size() ? bulges[i] : 0.0;
        if (run.empty())
            run.push_back(frame.world(a.x, a.y, z));
        if (bulge == 0.0) {
            run.push_back(frame.world(b.x, b.y, z));
            continue;
        }
        shape.addRun(run, false);
        run.clear();
        addBulgeArc(shape, frame, a, b, bulge, z);
    }
    shape.addRun(run, false);
}

std::unique_ptr<PassThroughShape> decodeShape(const std::string& type, const DxfGroups& groups)
{
    auto shape = std::make_unique<PassThroughShape>();
    const Span own{groups, 0, recordEnd(groups, 0)};
    if (type == "SOLID" || type == "TRACE")
        decodeSolid(own, *shape);
    else if (type == "3DFACE")
        decodeFace(own, *shape);
    else if (type == "POLYLINE")
        decodePolyline(groups, own, *shape);
    else if (type == "LEADER")
        decodeLeader(own, *shape);
    else if (type == "MULTILEADER")
        decodeMultileader(own, *shape);
    else if (type == "IMAGE" || type == "WIPEOUT")
        decodeImage(own, *shape);
    else if (type == "HATCH")
        decodeHatch(groups, *shape);
    else if (type == "DIMENSION")
        decodeBlockShown(own, 12, *shape);
    else if (type == "ACAD_TABLE")
        decodeBlockShown(own, 10, *shape);
    return shape;
}

}  // namespace acrt
