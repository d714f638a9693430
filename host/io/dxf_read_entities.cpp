// DXF input's entities: each record's groups read once, then made into the host's
// entity of its type with the common properties (layer, linetype, colour, lineweight,
// linetype scale, visibility) and its DXF extras, and appended to its block under the
// file's handle; one of a class the host does not model is kept as it is. Points that
// DXF holds in the entity's own plane (circles, arcs, texts, block references) are
// turned to world ones.
#include <algorithm>
#include <cmath>
#include <memory>

#include "dbelipse.h"
#include "dbents.h"
#include "dbmtext.h"
#include "dbpl.h"
#include "dbspline.h"
#include "dbsymtb.h"
#include "dxf_read.h"

namespace vemio {
namespace dxfin {

namespace {

constexpr double kDegreesToRadians = M_PI / 180.0;

using Groups = std::vector<DxfPair>;

// The first group of code, or null.
const DxfPair* find(const Groups& groups, int code)
{
    for (const DxfPair& g : groups)
        if (g.code == code)
            return &g;
    return nullptr;
}

double real(const Groups& groups, int code, double fallback)
{
    const DxfPair* g = find(groups, code);
    return g != nullptr ? realOf(g->value, fallback) : fallback;
}

long long integer(const Groups& groups, int code, long long fallback)
{
    const DxfPair* g = find(groups, code);
    return g != nullptr ? intOf(g->value, fallback) : fallback;
}

AcGePoint3d point(const Groups& groups, int code)
{
    return AcGePoint3d(real(groups, code, 0.0), real(groups, code + 10, 0.0), real(groups, code + 20, 0.0));
}

AcGeVector3d normalOf(const Groups& groups)
{
    const AcGeVector3d n(real(groups, 210, 0.0), real(groups, 220, 0.0), real(groups, 230, 1.0));
    return n.isZeroLength() ? AcGeVector3d::kZAxis : n.normal();
}

// A point in the object coordinates of the plane with this normal, in world ones (the
// arbitrary-axis rule).
AcGePoint3d worldPoint(const AcGePoint3d& p, const AcGeVector3d& normal)
{
    if (normal.x == 0.0 && normal.y == 0.0 && normal.z > 0.0)
        return p;
    const double kLimit = 1.0 / 64.0;
    const bool nearZ = std::fabs(normal.x) < kLimit && std::fabs(normal.y) < kLimit;
    const AcGeVector3d xAxis = (nearZ ? AcGeVector3d::kYAxis : AcGeVector3d::kZAxis).crossProduct(normal).normal();
    const AcGeVector3d yAxis = normal.crossProduct(xAxis).normal();
    return AcGePoint3d::kOrigin + xAxis * p.x + yAxis * p.y + normal * p.z;
}

bool isLineWeight(long long value)
{
    static const int kValues[] = {-3, -2, -1, 0,  5,  9,  13, 15,  18,  20,  25,  30,  35,  40,
                                  50, 53, 60, 70, 80, 90, 100, 106, 120, 140, 158, 200, 211};
    for (int v : kValues)
        if (v == value)
            return true;
    return false;
}

}  // namespace

void applyCommon(Reader& r, const Groups& groups, AcDbEntity& ent)
{
    const DxfPair* layer = find(groups, 8);
    const AcDbObjectId layerId = dxfin::layerId(r, layer != nullptr ? layer->value : std::string_view("0"));
    if (!layerId.isNull())
        ent.setLayer(layerId);
    if (const DxfPair* linetype = find(groups, 6)) {
        const AcDbObjectId id = linetypeId(r, linetype->value);
        if (!id.isNull())
            ent.setLinetype(id);
    }
    const long long color = integer(groups, 62, 256);
    ent.setColorIndex(Adesk::UInt16(color >= 0 && color <= 256 ? color : 256));
    const long long weight = integer(groups, 370, -1);
    ent.setLineWeight(AcDb::LineWeight(isLineWeight(weight) ? weight : -1));
    const double scale = real(groups, 48, 1.0);
    if (scale > 0.0)
        ent.setLinetypeScale(scale);
    if (integer(groups, 60, 0) == 1)
        ent.setVisibility(AcDb::kInvisible);
}

namespace {

using EntityPtr = std::unique_ptr<AcDbEntity>;

EntityPtr makeLine(Reader&, const Groups& g)
{
    auto line = std::make_unique<AcDbLine>(point(g, 10), point(g, 11));
    line->setThickness(real(g, 39, 0.0));
    line->setNormal(normalOf(g));
    return line;
}

EntityPtr makeCircle(Reader&, const Groups& g)
{
    const AcGeVector3d normal = normalOf(g);
    const double radius = real(g, 40, 0.0);
    if (!(radius > 0.0))
        return nullptr;
    auto circle = std::make_unique<AcDbCircle>(worldPoint(point(g, 10), normal), normal, radius);
    circle->setThickness(real(g, 39, 0.0));
    return circle;
}

EntityPtr makeArc(Reader&, const Groups& g)
{
    const AcGeVector3d normal = normalOf(g);
    const double radius = real(g, 40, 0.0);
    if (!(radius > 0.0))
        return nullptr;
    auto arc = std::make_unique<AcDbArc>();
    arc->setNormal(normal);
    arc->setCenter(worldPoint(point(g, 10), normal));
    arc->setRadius(radius);
    arc->setStartAngle(real(g, 50, 0.0) * kDegreesToRadians);
    arc->setEndAngle(real(g, 51, 360.0) * kDegreesToRadians);
    arc->setThickness(real(g, 39, 0.0));
    return arc;
}

// Vertices in order of their 10 groups; 40, 41 and 42 belong to the vertex before them.
EntityPtr makePolyline(Reader&, const Groups& g)
{
    auto pline = std::make_unique<AcDbPolyline>();
    const double constant = real(g, 43, 0.0);
    int index = -1;
    AcGePoint2d at;
    double bulge = 0.0, start = constant, end = constant;
    auto flush = [&]() {
        if (index >= 0)
            pline->addVertexAt(unsigned(index), at, bulge, start, end);
    };
    for (const DxfPair& p : g) {
        if (p.code == 10) {
            flush();
            ++index;
            at = AcGePoint2d(realOf(p.value, 0.0), 0.0);
            bulge = 0.0;
            start = end = constant;
        } else if (index >= 0 && p.code == 20) {
            at.y = realOf(p.value, 0.0);
        } else if (index >= 0 && p.code == 40) {
            start = realOf(p.value, 0.0);
        } else if (index >= 0 && p.code == 41) {
            end = realOf(p.value, 0.0);
        } else if (index >= 0 && p.code == 42) {
            bulge = realOf(p.value, 0.0);
        }
    }
    flush();
    if (index < 0)
        return nullptr;
    pline->setClosed((integer(g, 70, 0) & 1) != 0);
    pline->setElevation(real(g, 38, 0.0));
    pline->setNormal(normalOf(g));
    return pline;
}

EntityPtr makePoint(Reader&, const Groups& g)
{
    auto pt = std::make_unique<AcDbPoint>(point(g, 10));
    pt->setThickness(real(g, 39, 0.0));
    pt->setNormal(normalOf(g));
    pt->setEcsRotation(real(g, 50, 0.0) * kDegreesToRadians);
    return pt;
}

EntityPtr makeEllipse(Reader&, const Groups& g)
{
    auto ellipse = std::make_unique<AcDbEllipse>();
    if (ellipse->set(point(g, 10), normalOf(g), point(g, 11).asVector(), real(g, 40, 1.0)) != Acad::eOk)
        return nullptr;
    ellipse->setStartParam(real(g, 41, 0.0));
    ellipse->setEndParam(real(g, 42, 2.0 * M_PI));
    return ellipse;
}

EntityPtr makeSpline(Reader&, const Groups& g)
{
    AcGePoint3dArray control, fit;
    AcGeDoubleArray knots, weights;
    for (const DxfPair& p : g) {
        if (p.code == 10 || p.code == 11)
            (p.code == 10 ? control : fit).append(AcGePoint3d(realOf(p.value, 0.0), 0.0, 0.0));
        else if ((p.code == 20 || p.code == 30) && !control.isEmpty())
            (p.code == 20 ? control.last().y : control.last().z) = realOf(p.value, 0.0);
        else if ((p.code == 21 || p.code == 31) && !fit.isEmpty())
            (p.code == 21 ? fit.last().y : fit.last().z) = realOf(p.value, 0.0);
        else if (p.code == 40)
            knots.append(realOf(p.value, 0.0));
        else if (p.code == 41)
            weights.append(realOf(p.value, 1.0));
    }
    const long long flags = integer(g, 70, 0);
    const int degree = int(integer(g, 71, 3));
    auto spline = std::make_unique<AcDbSpline>();
    if (!control.isEmpty()) {
        if (spline->setNurbsData(degree, (flags & 4) != 0, (flags & 1) != 0, (flags & 2) != 0, control, knots,
                                 weights, real(g, 43, 0.0), real(g, 42, 0.0)) != Acad::eOk)
            return nullptr;
    } else if (fit.length() < 2) {
        return nullptr;
    }
    if (!fit.isEmpty()) {
        const AcGeVector3d startTangent = point(g, 12).asVector(), endTangent = point(g, 13).asVector();
        if (spline->setFitData(fit, degree, real(g, 44, 0.0), startTangent, endTangent) != Acad::eOk &&
            control.isEmpty())
            return nullptr;
    }
    return spline;
}

// The AcDbText part of TEXT, ATTDEF and ATTRIB; verticalCode is 73 for TEXT, 74 for the
// attribute classes (where 73 is the field length).
void textGroups(Reader& r, const Groups& g, AcDbText& text, int verticalCode)
{
    const AcGeVector3d normal = normalOf(g);
    text.setNormal(normal);
    text.setThickness(real(g, 39, 0.0));
    text.setHeight(real(g, 40, 0.0) > 0.0 ? real(g, 40, 0.0) : r.db->textsize());
    if (const DxfPair* string = find(g, 1))
        text.setTextString(r.decode(string->value));
    text.setRotation(real(g, 50, 0.0) * kDegreesToRadians);
    const double width = real(g, 41, 1.0);
    text.setWidthFactor(width > 0.0 ? width : 1.0);
    text.setOblique(real(g, 51, 0.0) * kDegreesToRadians);
    if (const DxfPair* style = find(g, 7)) {
        const AcDbObjectId id = styleId(r, style->value);
        if (!id.isNull())
            text.setTextStyle(id);
    }
    const long long generation = integer(g, 71, 0);
    text.mirrorInX((generation & 2) != 0);
    text.mirrorInY((generation & 4) != 0);
    const long long horizontal = integer(g, 72, 0), vertical = integer(g, verticalCode, 0);
    text.setHorizontalMode(AcDb::TextHorzMode(horizontal >= 0 && horizontal <= 5 ? horizontal : 0));
    text.setVerticalMode(AcDb::TextVertMode(vertical >= 0 && vertical <= 3 ? vertical : 0));
    text.setPosition(worldPoint(point(g, 10), normal));
    if (find(g, 11) != nullptr)
        text.setAlignmentPoint(worldPoint(point(g, 11), normal));
}

EntityPtr makeText(Reader& r, const Groups& g)
{
    auto text = std::make_unique<AcDbText>();
    textGroups(r, g, *text, 73);
    return text;
}

// 280 comes twice: the version, then (AC1027 on) the lock flag.
bool lockFlag(const Groups& g)
{
    int seen = 0;
    for (const DxfPair& p : g)
        if (p.code == 280 && ++seen == 2)
            return intOf(p.value, 0) != 0;
    return false;
}

EntityPtr makeAttdef(Reader& r, const Groups& g)
{
    auto def = std::make_unique<AcDbAttributeDefinition>();
    textGroups(r, g, *def, 74);
    if (const DxfPair* prompt = find(g, 3))
        def->setPrompt(r.decode(prompt->value));
    if (const DxfPair* tag = find(g, 2))
        def->setTag(r.decode(tag->value));
    const long long flags = integer(g, 70, 0);
    def->setInvisible((flags & 1) != 0);
    def->setConstant((flags & 2) != 0);
    def->setVerifiable((flags & 4) != 0);
    def->setPreset((flags & 8) != 0);
    def->setFieldLength(Adesk::UInt16(integer(g, 73, 0) & 0xFFFF));
    def->setLockPositionInBlock(lockFlag(g));
    return def;
}

std::unique_ptr<AcDbAttribute> makeAttrib(Reader& r, const Groups& g)
{
    auto attribute = std::make_unique<AcDbAttribute>();
    textGroups(r, g, *attribute, 74);
    if (const DxfPair* tag = find(g, 2))
        attribute->setTag(r.decode(tag->value));
    attribute->setInvisible((integer(g, 70, 0) & 1) != 0);
    attribute->setFieldLength(Adesk::UInt16(integer(g, 73, 0) & 0xFFFF));
    attribute->setLockPositionInBlock(lockFlag(g));
    applyCommon(r, g, *attribute);
    return attribute;
}

// The contents come in 3 groups of 250 bytes and the last in 1; each is decoded on its
// own (a chunk ends between characters).
EntityPtr makeMText(Reader& r, const Groups& g)
{
    std::wstring contents;
    for (const DxfPair& p : g)
        if (p.code == 3)
            contents += r.decode(p.value);
    if (const DxfPair* last = find(g, 1))
        contents += r.decode(last->value);
    auto text = std::make_unique<AcDbMText>();
    const AcGeVector3d normal = normalOf(g);
    text->setNormal(normal);
    text->setLocation(point(g, 10));
    const double height = real(g, 40, 0.0);
    text->setTextHeight(height > 0.0 ? height : r.db->textsize());
    text->setWidth(std::max(0.0, real(g, 41, 0.0)));
    const long long attachment = integer(g, 71, 1);
    text->setAttachment(AcDbMText::AttachmentPoint(attachment >= 1 && attachment <= 9 ? attachment : 1));
    if (const DxfPair* style = find(g, 7)) {
        const AcDbObjectId id = styleId(r, style->value);
        if (!id.isNull())
            text->setTextStyle(id);
    }
    if (find(g, 11) != nullptr && !point(g, 11).asVector().isZeroLength())
        text->setDirection(point(g, 11).asVector().normal());
    else
        text->setRotation(real(g, 50, 0.0) * kDegreesToRadians);
    text->setContents(contents.c_str());
    return text;
}

using Maker = EntityPtr (*)(Reader&, const Groups&);

struct TypeMaker {
    const char* type;
    Maker make;
};

const TypeMaker kMakers[] = {
    {"LINE", makeLine},       {"LWPOLYLINE", makePolyline}, {"CIRCLE", makeCircle}, {"ARC", makeArc},
    {"ELLIPSE", makeEllipse}, {"SPLINE", makeSpline},       {"POINT", makePoint},   {"TEXT", makeText},
    {"MTEXT", makeMText},     {"ATTDEF", makeAttdef},
};

Maker makerOf(std::string_view type)
{
    for (const TypeMaker& m : kMakers)
        if (type == m.type)
            return m.make;
    return nullptr;
}

// Marked as paper space by 67, or owned by a paper-space block record.
bool isPaperSpace(const Reader& r, const Groups& g)
{
    if (integer(g, 67, 0) == 1)
        return true;
    const DxfPair* owner = find(g, 330);
    if (owner == nullptr)
        return false;
    for (const std::string& handle : r.paperSpaceOwners)
        if (handle == owner->value)
            return true;
    return false;
}

// Appends ent to block and closes it; one the block refuses is deleted and counted.
// Returns the entity still open when keepOpen.
AcDbEntity* append(Reader& r, std::string_view type, AcDbBlockTableRecord* block, EntityPtr ent, bool keepOpen)
{
    if (holdLivePiece(r, type, block, ent, keepOpen))
        return nullptr;
    AcDbObjectId id;
    if (const DxfPair* handle = find(r.groups, 5))
        r.keepHandle(handle->value);
    const Acad::ErrorStatus es = block->appendAcDbEntity(id, ent.get());
    r.handleKept();
    if (es != Acad::eOk) {
        leaveOut(r, type);
        return nullptr;
    }
    ++r.stats.entities;
    AcDbEntity* resident = ent.release();
    keepExtras(r, resident, r.groups);
    if (keepOpen)
        return resident;
    resident->close();
    return nullptr;
}

EntityPtr makeInsert(Reader& r, const Groups& g)
{
    const DxfPair* name = find(g, 2);
    if (name == nullptr || isSpaceName(name->value) || integer(g, 70, 1) > 1 || integer(g, 71, 1) > 1)
        return nullptr;
    const AcDbObjectId block = blockId(r, name->value);
    if (block.isNull())
        return nullptr;
    const AcGeVector3d normal = normalOf(g);
    auto ref = std::make_unique<AcDbBlockReference>(worldPoint(point(g, 10), normal), block);
    ref->setNormal(normal);
    const double x = real(g, 41, 1.0), y = real(g, 42, 1.0), z = real(g, 43, 1.0);
    if (x != 0.0 && y != 0.0 && z != 0.0)
        ref->setScaleFactors(AcGeScale3d(x, y, z));
    ref->setRotation(real(g, 50, 0.0) * kDegreesToRadians);
    return ref;
}

// The SEQEND's handle, reactors and XDATA (in r.groups) kept in the reference's extras
// after a {0, SEQEND} group.
void keepSeqend(Reader& r, AcDbBlockReference& ref)
{
    const std::string_view handle = handleOf(r.groups);
    acrt::DxfGroups part = extrasOf(r, r.groups, nullptr);
    if (handle.empty() && part.empty())
        return;
    acrt::DxfGroups extras;
    if (const acrt::DxfGroups* kept = acrt::dxfExtrasOf(&ref))
        extras = *kept;
    extras.push_back({0, "SEQEND"});
    if (!handle.empty())
        extras.push_back({5, std::string(handle)});
    extras.insert(extras.end(), part.begin(), part.end());
    acrt::setDxfExtras(&ref, std::move(extras));
}

// The ATTRIBs after a reference up to its SEQEND, appended to ref (open) when it is there.
bool readAttributes(Reader& r, AcDbBlockReference* ref)
{
    DxfPair pair;
    while (r.tokens.next(pair)) {
        if (pair.code != 0)
            return r.fail(pair, "expected an attribute");
        if (pair.value == "SEQEND") {
            if (!r.readGroups())
                return false;
            if (ref != nullptr)
                keepSeqend(r, *ref);
            return true;
        }
        if (pair.value != "ATTRIB") {
            r.tokens.unread();
            return true;
        }
        if (!r.readGroups())
            return false;
        if (ref == nullptr)
            continue;
        std::unique_ptr<AcDbAttribute> attribute = makeAttrib(r, r.groups);
        if (const DxfPair* handle = find(r.groups, 5))
            r.keepHandle(handle->value);
        const Acad::ErrorStatus es = ref->appendAttribute(attribute.get());
        r.handleKept();
        if (es == Acad::eOk) {
            keepExtras(r, attribute.get(), r.groups);
            attribute.release()->close();
        } else {
            leaveOut(r, "attribute");
        }
    }
    return r.tokens.failAtEnd("the file ends inside a block reference");
}

bool readInsert(Reader& r, std::string_view type, AcDbBlockTableRecord* block)
{
    const bool attributesFollow = integer(r.groups, 66, 0) == 1;
    EntityPtr ref = makeInsert(r, r.groups);
    if (ref == nullptr)
        return keepEntity(r, type, block, attributesFollow);
    applyCommon(r, r.groups, *ref);
    AcDbEntity* open = append(r, type, block, std::move(ref), true);
    const bool ok = !attributesFollow || readAttributes(r, AcDbBlockReference::cast(open));
    if (open != nullptr)
        open->close();
    return ok;
}

}  // namespace

void leaveOut(Reader& r, std::string_view type)
{
    // The parts of an old-style polyline and of a reference are counted with it.
    if (type == "VERTEX" || type == "SEQEND" || type == "ATTRIB")
        return;
    ++r.stats.skipped;
    auto it = r.stats.skippedTypes.find(type);
    if (it == r.stats.skippedTypes.end())
        it = r.stats.skippedTypes.emplace(printable(type), 0).first;
    ++it->second;
}

bool readEntity(Reader& r, const DxfPair& type, AcDbBlockTableRecord* block, AcDbBlockTableRecord* paperBlock)
{
    if (!r.readGroups())
        return false;
    if (paperBlock != nullptr && isPaperSpace(r, r.groups))
        block = paperBlock;
    if (type.value == "INSERT")
        return readInsert(r, type.value, block);
    const Maker make = makerOf(type.value);
    if (make == nullptr)
        return keepEntity(r, type.value, block, false);
    EntityPtr ent = make(r, r.groups);
    if (ent == nullptr) {
        leaveOut(r, type.value);
        return true;
    }
    applyCommon(r, r.groups, *ent);
    append(r, type.value, block, std::move(ent), false);
    return true;
}

}  // namespace dxfin
}  // namespace vemio
