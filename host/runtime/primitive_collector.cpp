// A world-draw context that records every primitive an entity draws, with the traits in
// force, for picking, plotting, exporting and tests.
#include "recording_traits.h"
#include "recording_world_draw.h"
#include "transforming_geometry.h"
#include "vemhost_testing.h"

namespace vemhost {

struct PrimitiveCollector::Impl {
    class Geometry final : public acrt::TransformingGeometry {
    public:
        explicit Geometry(Impl& impl) : m_impl(impl) {}
        Adesk::Boolean draw(AcGiDrawable* pDrawable) const override { return m_impl.drawNested(pDrawable); }

    protected:
        Adesk::Boolean worldCircle(const AcGePoint3d& center, double radius, const AcGeVector3d& normal) const override
        {
            Primitive& p = m_impl.record(Primitive::kCircle, 1, &center);
            p.radius = radius;
            p.normal = normal;
            return Adesk::kFalse;
        }
        Adesk::Boolean worldPolyline(Adesk::UInt32 nbPoints, const AcGePoint3d* pVertexList,
                                     const AcGeVector3d* pNormal, Adesk::LongPtr lBaseSubEntMarker) const override
        {
            Primitive& p = m_impl.record(Primitive::kPolyline, nbPoints, pVertexList);
            if (pNormal != nullptr)
                p.normal = *pNormal;
            if (lBaseSubEntMarker != -1)
                p.marker = lBaseSubEntMarker;
            return Adesk::kFalse;
        }
        Adesk::Boolean worldPolygon(Adesk::UInt32 nbPoints, const AcGePoint3d* pVertexList) const override
        {
            m_impl.record(Primitive::kPolygon, nbPoints, pVertexList);
            return Adesk::kFalse;
        }
        // Recorded as text, not stroked: the reader of the record decides how to show it.
        Adesk::Boolean worldText(const AcGePoint3d& position, const AcGeVector3d& normal,
                                 const AcGeVector3d& direction, double height, double /*width*/, double /*oblique*/,
                                 const ACHAR* pMsg) const override
        {
            Primitive& p = m_impl.record(Primitive::kText, 1, &position);
            p.radius = height;
            p.normal = normal;
            p.direction = direction;
            p.text = pMsg != nullptr ? pMsg : L"";
            return Adesk::kFalse;
        }

    private:
        Impl& m_impl;
    };

    acrt::RecordingTraits traits;
    Geometry geometry{*this};
    acrt::RecordingWorldDraw<Impl> worldDraw{*this, kAcGiStandardDisplay};
    std::vector<Primitive> primitives;

    Primitive& record(Primitive::Kind kind, Adesk::UInt32 count, const AcGePoint3d* points)
    {
        primitives.emplace_back();
        Primitive& p = primitives.back();
        p.kind = kind;
        if (points != nullptr)
            p.points.assign(points, points + count);
        const acrt::RecordedTraits& state = traits.state();
        p.color = state.color;
        p.layerId = state.layerId;
        p.linetypeId = state.linetypeId;
        p.lineWeight = state.lineWeight;
        p.marker = state.marker;
        return p;
    }

    // The drawable's attributes set up the traits, unless they say it is invisible.
    Adesk::Boolean drawWithAttributes(AcGiDrawable* pDrawable)
    {
        const Adesk::UInt32 flags = pDrawable->setAttributes(&traits);
        if ((flags & AcGiDrawable::kDrawableIsInvisible) != 0)
            return Adesk::kTrue;
        return pDrawable->worldDraw(&worldDraw);
    }

    // Drawn in the same context; the container's traits come back afterwards.
    Adesk::Boolean drawNested(AcGiDrawable* pDrawable)
    {
        if (pDrawable == nullptr)
            return Adesk::kFalse;
        const acrt::RecordedTraits outer = traits.state();
        if (AcDbEntity* pEntity = AcDbEntity::cast(pDrawable)) {
            traits.setupForEntity(pEntity);
            traits.inheritOpenProperties(outer);
        }
        drawWithAttributes(pDrawable);
        traits.restore(outer);
        return Adesk::kFalse;
    }
};

PrimitiveCollector::PrimitiveCollector() : m_impl(std::make_unique<Impl>()) {}
PrimitiveCollector::~PrimitiveCollector() = default;

Adesk::Boolean PrimitiveCollector::draw(AcDbEntity* pEntity)
{
    if (pEntity == nullptr)
        return Adesk::kFalse;
    m_impl->traits.setupForEntity(pEntity);
    return m_impl->drawWithAttributes(pEntity);
}

AcGiWorldDraw* PrimitiveCollector::worldDraw() { return &m_impl->worldDraw; }

const std::vector<Primitive>& PrimitiveCollector::primitives() const { return m_impl->primitives; }

void PrimitiveCollector::clear() { m_impl->primitives.clear(); }

}  // namespace vemhost
