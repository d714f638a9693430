// The scaled drawer: a recorder of drawn graphics, as the primitive collector is, that
// hands each primitive on as it is drawn (one reused record, no allocation once warm)
// and leaves out the detail a pixel cannot show: entities under a couple of pixels
// become marks without being drawn, texts too low to read a stroke along their ink.
#include "scaled_drawing.h"

#include <algorithm>
#include <cmath>

#include "dbents.h"
#include "dbmtext.h"
#include "dbsymtb.h"
#include "editor_internals.h"
#include "recording_traits.h"
#include "spatial_index.h"
#include "text_layout.h"
#include "transforming_geometry.h"
#include "view_height.h"

namespace vemhost {

namespace {

constexpr double kMarkPixels = 2.0;       // an entity under this across, both ways, is a mark
constexpr double kThinMarkPixels = 8.0;   // ... or under kMarkPixels one way and this the other

bool boxesMeet(const AcGePoint3d& lo, const AcGePoint3d& hi, const AcGePoint3d& windowLo, const AcGePoint3d& windowHi)
{
    return lo.x <= std::max(windowLo.x, windowHi.x) && hi.x >= std::min(windowLo.x, windowHi.x) &&
           lo.y <= std::max(windowLo.y, windowHi.y) && hi.y >= std::min(windowLo.y, windowHi.y);
}

// Every entity of the block with its measured box, in drawing order: what the index
// answers, asked of each entity in turn.
std::vector<EntityBox> measuredEntities(AcDbObjectId block, const AcGePoint3d& lo, const AcGePoint3d& hi)
{
    std::vector<EntityBox> out;
    AcDbBlockTableRecord* btr = nullptr;
    if (acdbOpenObject(btr, block, AcDb::kForRead) != Acad::eOk)
        return out;
    for (const AcDbObjectId& id : btr->entityIds()) {
        AcDbEntity* ent = nullptr;
        if (acdbOpenAcDbEntity(ent, id, AcDb::kForRead) != Acad::eOk)
            continue;
        EntityBox box{id, {}, {}};
        const bool found = acrt::indexExtents(ent, box.lo, box.hi);
        ent->close();
        if (found && !std::isnan(box.lo.x + box.lo.y + box.hi.x + box.hi.y) && boxesMeet(box.lo, box.hi, lo, hi))
            out.push_back({id, AcGePoint3d(box.lo.x, box.lo.y, 0.0), AcGePoint3d(box.hi.x, box.hi.y, 0.0)});
    }
    btr->close();
    return out;
}

acrt::SpatialIndex* indexOf(AcDbObjectId block)
{
    AcDbDatabase::Impl* impl = AcDbSystemInternals::impl(block.database());
    return impl != nullptr && acrt::spatialIndexInUse() ? impl->spatial.get() : nullptr;
}

}  // namespace

std::vector<EntityBox> entitiesMeeting(AcDbObjectId block, const AcGePoint3d& lo, const AcGePoint3d& hi)
{
    acrt::SpatialIndex* index = indexOf(block);
    return index != nullptr ? index->boxesMeeting(block, lo, hi) : measuredEntities(block, lo, hi);
}

bool entitiesBounds(AcDbObjectId block, AcGePoint3d& lo, AcGePoint3d& hi)
{
    if (acrt::SpatialIndex* index = indexOf(block))
        return index->bounds(block, lo, hi);
    const std::vector<EntityBox> all =
        measuredEntities(block, AcGePoint3d(-HUGE_VAL, -HUGE_VAL, 0.0), AcGePoint3d(HUGE_VAL, HUGE_VAL, 0.0));
    if (all.empty())
        return false;
    lo = all.front().lo;
    hi = all.front().hi;
    for (const EntityBox& b : all) {
        lo = AcGePoint3d(std::min(lo.x, b.lo.x), std::min(lo.y, b.lo.y), 0.0);
        hi = AcGePoint3d(std::max(hi.x, b.hi.x), std::max(hi.y, b.hi.y), 0.0);
    }
    return true;
}

ScaledSink::~ScaledSink() = default;

void ScaledSink::glyph(const GlyphPrimitive& g)
{
    const acrt::PlacedGlyph& placed = g.glyph;
    Primitive p;
    p.color = g.color;
    p.layerId = g.layerId;
    p.lineWeight = g.lineWeight;
    auto place = [&](Primitive::Kind kind, const acrt::StrokePoint* points, std::size_t count) {
        p.kind = kind;
        p.points.clear();
        for (std::size_t i = 0; i < count; ++i)
            p.points.push_back(placed.origin + placed.xAxis * points[i].x + placed.yAxis * points[i].y);
        primitive(p);
    };
    acrt::glyphOutline(
        *placed.font, placed.ch,
        [&](const acrt::StrokePoint* points, std::size_t count) { place(Primitive::kPolyline, points, count); },
        [&](const acrt::StrokePoint* points, std::size_t count) { place(Primitive::kPolygon, points, count); });
}

struct ScaledDrawer::Impl {
    class Geometry final : public acrt::TransformingGeometry {
    public:
        explicit Geometry(Impl& impl) : m_impl(impl) {}
        Adesk::Boolean draw(AcGiDrawable* pDrawable) const override { return m_impl.drawNested(pDrawable); }

    protected:
        Adesk::Boolean worldCircle(const AcGePoint3d& center, double radius, const AcGeVector3d& normal) const override
        {
            Primitive& p = m_impl.start(Primitive::kCircle, 1, &center);
            p.radius = radius;
            p.normal = normal;
            m_impl.emit();
            return Adesk::kFalse;
        }
        Adesk::Boolean worldPolyline(Adesk::UInt32 nbPoints, const AcGePoint3d* pVertexList,
                                     const AcGeVector3d* pNormal, Adesk::LongPtr lBaseSubEntMarker) const override
        {
            Primitive& p = m_impl.start(Primitive::kPolyline, nbPoints, pVertexList);
            if (pNormal != nullptr)
                p.normal = *pNormal;
            if (lBaseSubEntMarker != -1)
                p.marker = lBaseSubEntMarker;
            m_impl.emit();
            return Adesk::kFalse;
        }
        Adesk::Boolean worldPolygon(Adesk::UInt32 nbPoints, const AcGePoint3d* pVertexList) const override
        {
            m_impl.start(Primitive::kPolygon, nbPoints, pVertexList);
            m_impl.emit();
            return Adesk::kFalse;
        }
        Adesk::Boolean worldText(const AcGePoint3d& position, const AcGeVector3d& normal,
                                 const AcGeVector3d& direction, double height, double /*width*/, double /*oblique*/,
                                 const ACHAR* pMsg) const override
        {
            if (m_impl.tooLowToRead(height)) {
                m_impl.greekTextPrimitive(position, direction, height, pMsg != nullptr ? pMsg : L"");
                return Adesk::kFalse;
            }
            Primitive& p = m_impl.start(Primitive::kText, 1, &position);
            p.radius = height;
            p.normal = normal;
            p.direction = direction;
            p.text = pMsg != nullptr ? pMsg : L"";
            m_impl.emit();
            return Adesk::kFalse;
        }
        double chordDeviation() const override { return m_impl.unitsPerPixel; }

    private:
        Impl& m_impl;
    };

    // The recorder's context, which tells what it draws the pixel size as the deviation
    // it allows (multiline texts too low to read then draw their ink from afar).
    class WorldDraw final : public AcGiWorldDraw, public acrt::ViewHeight, public acrt::GlyphTarget {
    public:
        explicit WorldDraw(Impl& impl) : m_impl(impl) {}
        bool takesGlyphs() const override { return m_impl.byGlyph; }
        void glyph(const acrt::PlacedGlyph& placed) const override { m_impl.emitGlyph(placed); }
        AcGiRegenType regenType() const override { return kAcGiStandardDisplay; }
        Adesk::Boolean regenAbort() const override { return Adesk::kFalse; }
        AcGiSubEntityTraits& subEntityTraits() const override { return m_impl.traits; }
        AcGiGeometry* rawGeometry() const override { return &m_impl.geometry; }
        Adesk::Boolean isDragging() const override { return Adesk::kFalse; }
        Adesk::UInt32 numberOfIsolines() const override { return 4; }
        // In the model of what draws: a pixel seen through the model transform.
        double deviation(const AcGiDeviationType, const AcGePoint3d&) const override
        {
            return m_impl.unitsPerPixel / m_impl.geometry.leastStretch();
        }
        AcGiWorldGeometry& geometry() const override { return m_impl.geometry; }
        double viewHeight() const override { return m_impl.viewHeight; }

    private:
        Impl& m_impl;
    };

    explicit Impl(double pixel) : unitsPerPixel(pixel) {}

    double unitsPerPixel;
    double viewHeight = 0.0;
    acrt::RecordingTraits traits;
    Geometry geometry{*this};
    WorldDraw worldDraw{*this};
    Primitive primitive;
    GlyphPrimitive glyphRecord;
    bool byGlyph = false;
    ScaledSink* sink = nullptr;

    Primitive& start(Primitive::Kind kind, Adesk::UInt32 count, const AcGePoint3d* points)
    {
        Primitive& p = primitive;
        p.kind = kind;
        if (points != nullptr)
            p.points.assign(points, points + count);
        else
            p.points.clear();
        p.radius = 0.0;
        p.normal = AcGeVector3d::kZAxis;
        p.direction = AcGeVector3d::kXAxis;
        p.text.clear();
        const acrt::RecordedTraits& state = traits.state();
        p.color = state.color;
        p.layerId = state.layerId;
        p.linetypeId = state.linetypeId;
        p.lineWeight = state.lineWeight;
        p.marker = state.marker;
        return p;
    }
    void emit() { sink->primitive(primitive); }

    // A glyph's frame placed in the world by the model transform, as points and vectors are.
    void emitGlyph(const acrt::PlacedGlyph& placed)
    {
        GlyphPrimitive& g = glyphRecord;
        g.glyph = placed;
        if (geometry.transformed()) {
            const AcGeMatrix3d& toWorld = geometry.modelToWorld();
            g.glyph.origin = toWorld * placed.origin;
            g.glyph.xAxis = toWorld * placed.xAxis;
            g.glyph.yAxis = toWorld * placed.yAxis;
        }
        const acrt::RecordedTraits& state = traits.state();
        g.color = state.color;
        g.layerId = state.layerId;
        g.lineWeight = state.lineWeight;
        sink->glyph(g);
    }

    void mark(const AcGePoint3d& lo, const AcGePoint3d& hi)
    {
        const acrt::RecordedTraits& state = traits.state();
        Mark m;
        m.lo = lo;
        m.hi = hi;
        m.color = state.color;
        m.layerId = state.layerId;
        m.lineWeight = state.lineWeight;
        sink->mark(m);
    }

    bool isMark(const EntityBox& box) const
    {
        if (!(unitsPerPixel > 0))
            return false;
        const double w = (box.hi.x - box.lo.x) / unitsPerPixel, h = (box.hi.y - box.lo.y) / unitsPerPixel;
        const double narrow = std::min(w, h), wide = std::max(w, h);
        return wide < kMarkPixels || (narrow < kMarkPixels && wide < kThinMarkPixels);
    }
    bool tooLowToRead(double height) const
    {
        return unitsPerPixel > 0 && height < kReadableTextPixels * unitsPerPixel;
    }

    // The ink of a one-line layout in the frame origin, x, y (x and y of unit length):
    // a stroke along its middle.
    void greek(const acrt::TextLayout& layout, const AcGePoint3d& origin, const AcGeVector3d& x,
               const AcGeVector3d& y)
    {
        if (!layout.hasInk)
            return;
        const double middle = 0.5 * (layout.minY + layout.maxY);
        const AcGePoint3d run[2] = {origin + x * layout.minX + y * middle, origin + x * layout.maxX + y * middle};
        start(Primitive::kPolyline, 2, run);
        emit();
    }
    // A text primitive is drawn on its baseline from its position, in the default font.
    void greekTextPrimitive(const AcGePoint3d& position, const AcGeVector3d& direction, double height,
                            const ACHAR* text)
    {
        std::wstring contents;  // the text's characters as they are, one line
        for (const ACHAR* c = text; *c != 0; ++c) {
            if (*c == L'\\' || *c == L'{' || *c == L'}')
                contents += L'\\';
            contents += *c == L'\n' ? L' ' : *c;
        }
        AcGeVector3d x(direction.x, direction.y, 0.0);
        x = x.isZeroLength() ? AcGeVector3d::kXAxis : x.normal();
        const acrt::TextLayout layout =
            acrt::measureText(contents, height, acrt::StrokeFont::forFontFile(L""), AcDbMText::kBottomLeft);
        greek(layout, position, x, AcGeVector3d(-x.y, x.x, 0.0));
    }

    // Draws the drawable (its traits set up) unless its attributes say it is invisible.
    void drawWithAttributes(AcGiDrawable* drawable)
    {
        const Adesk::UInt32 flags = drawable->setAttributes(&traits);
        if ((flags & AcGiDrawable::kDrawableIsInvisible) == 0)
            drawable->worldDraw(&worldDraw);
    }

    // Drawn in the same context; the container's traits come back afterwards.
    Adesk::Boolean drawNested(AcGiDrawable* drawable)
    {
        if (drawable == nullptr)
            return Adesk::kFalse;
        const acrt::RecordedTraits outer = traits.state();
        if (AcDbEntity* ent = AcDbEntity::cast(drawable)) {
            traits.setupForEntity(ent);
            traits.inheritOpenProperties(outer);
        }
        drawWithAttributes(drawable);
        traits.restore(outer);
        return Adesk::kFalse;
    }
};

ScaledDrawer::ScaledDrawer(double unitsPerPixel) : m_impl(std::make_unique<Impl>(unitsPerPixel)) {}
ScaledDrawer::~ScaledDrawer() = default;

void ScaledDrawer::setDrawsGlyphs(bool byGlyph) { m_impl->byGlyph = byGlyph; }

void ScaledDrawer::setViewHeight(double height) { m_impl->viewHeight = std::isfinite(height) && height > 0 ? height : 0.0; }

namespace {

// A point's figure reaches past its box (the point alone): only the dot is a mark.
bool drawsPastItsBox(const AcDbEntity* ent)
{
    const AcDbPoint* point = AcDbPoint::cast(ent);
    const AcDbDatabase* db = point != nullptr ? point->database() : nullptr;
    return db != nullptr && db->pdmode() != 0;
}

}  // namespace

void ScaledDrawer::draw(AcDbEntity* ent, const EntityBox& box, ScaledSink& sink)
{
    if (ent == nullptr)
        return;
    m_impl->sink = &sink;
    m_impl->traits.setupForEntity(ent);
    if (!m_impl->isMark(box) || drawsPastItsBox(ent)) {
        m_impl->drawWithAttributes(ent);
        return;
    }
    const Adesk::UInt32 flags = ent->setAttributes(&m_impl->traits);
    if ((flags & AcGiDrawable::kDrawableIsInvisible) == 0)
        m_impl->mark(box.lo, box.hi);
}

}  // namespace vemhost

const acrt::GlyphTarget* acrt::glyphTargetOf(const AcGiWorldDraw* pWd)
{
    const auto* target = dynamic_cast<const acrt::GlyphTarget*>(pWd);
    return target != nullptr && target->takesGlyphs() ? target : nullptr;
}
