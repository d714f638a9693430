// Private to the runtime: the sub-entity traits the recorders of drawn graphics (the
// primitive collector and the scaled drawer) keep while an entity draws, set up from
// the entity and passed on to the entities it draws nested.
#pragma once

#include "acgi.h"
#include "db_internals.h"
#include "dbmain.h"
#include "dbsymtb.h"

namespace acrt {

struct RecordedTraits {
    Adesk::UInt16 color = 256;
    AcDbObjectId layerId;
    AcDbObjectId linetypeId;
    Adesk::LongPtr marker = -1;
    AcGiFillType fillType = kAcGiFillNever;
    AcDb::LineWeight lineWeight = AcDb::kLnWtByLayer;
    double linetypeScale = 1.0;
    double thickness = 0.0;
};

class RecordingTraits final : public AcGiDrawableTraits {
public:
    void setColor(const Adesk::UInt16 color) override { m_state.color = color; }
    void setLayer(const AcDbObjectId layerId) override { m_state.layerId = layerId; }
    void setLineType(const AcDbObjectId linetypeId) override { m_state.linetypeId = linetypeId; }
    void setSelectionMarker(const Adesk::LongPtr markerId) override { m_state.marker = markerId; }
    void setFillType(const AcGiFillType fillType) override { m_state.fillType = fillType; }
    void setLineWeight(const AcDb::LineWeight lw) override { m_state.lineWeight = lw; }
    void setLineTypeScale(double dScale) override { m_state.linetypeScale = dScale; }
    void setThickness(double dThickness) override { m_state.thickness = dThickness; }
    Adesk::UInt16 color() const override { return m_state.color; }
    AcDbObjectId layerId() const override { return m_state.layerId; }
    AcDbObjectId lineTypeId() const override { return m_state.linetypeId; }
    AcGiFillType fillType() const override { return m_state.fillType; }
    AcDb::LineWeight lineWeight() const override { return m_state.lineWeight; }
    double lineTypeScale() const override { return m_state.linetypeScale; }
    double thickness() const override { return m_state.thickness; }

    void setupForEntity(AcDbEntity* pEntity) override
    {
        m_state = RecordedTraits();
        m_state.color = pEntity->colorIndex();
        m_state.layerId = pEntity->layerId();
        m_state.linetypeId = pEntity->linetypeId();
        m_state.lineWeight = pEntity->lineWeight();
        m_state.linetypeScale = pEntity->linetypeScale();
    }

    const RecordedTraits& state() const { return m_state; }
    void restore(const RecordedTraits& state) { m_state = state; }

    // A nested entity takes from its container what it leaves open: no layer or
    // linetype of its own (it is not in a database), colour or lineweight by block. As
    // on the host, one on layer "0" (a block's entity drawn by its reference) is drawn
    // on the container's layer.
    void inheritOpenProperties(const RecordedTraits& outer)
    {
        constexpr Adesk::UInt16 kColorByBlock = 0;
        if (m_state.layerId.isNull() || isLayerZero(m_state.layerId))
            m_state.layerId = outer.layerId;
        if (m_state.linetypeId.isNull())
            m_state.linetypeId = outer.linetypeId;
        if (m_state.color == kColorByBlock)
            m_state.color = outer.color;
        if (m_state.lineWeight == AcDb::kLnWtByBlock)
            m_state.lineWeight = outer.lineWeight;
    }

private:
    static bool isLayerZero(AcDbObjectId layerId)
    {
        const AcDbObject* obj = AcDbSystemInternals::peek(layerId);
        const AcDbSymbolTableRecord* layer = obj != nullptr ? AcDbLayerTableRecord::cast(obj) : nullptr;
        const ACHAR* name = nullptr;
        return layer != nullptr && layer->getName(name) == Acad::eOk && name[0] == L'0' && name[1] == 0;
    }

    RecordedTraits m_state;
};

}  // namespace acrt
