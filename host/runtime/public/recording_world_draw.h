// The world-draw context of the runtime's two recorders of drawn graphics (the
// primitive collector and the proxy graphics recorder): it hands an entity's worldDraw
// the recorder's traits and geometry, under the recorder's regeneration type.
#pragma once

#include "acgi.h"

namespace acrt {

// Recorder: any type with members traits (an AcGiSubEntityTraits) and geometry (an
// AcGiWorldGeometry), both outliving this context.
template <class Recorder>
class RecordingWorldDraw final : public AcGiWorldDraw {
public:
    RecordingWorldDraw(Recorder& recorder, AcGiRegenType regenType) : m_recorder(recorder), m_regenType(regenType) {}
    AcGiRegenType regenType() const override { return m_regenType; }
    Adesk::Boolean regenAbort() const override { return Adesk::kFalse; }
    AcGiSubEntityTraits& subEntityTraits() const override { return m_recorder.traits; }
    AcGiGeometry* rawGeometry() const override { return &m_recorder.geometry; }
    Adesk::Boolean isDragging() const override { return Adesk::kFalse; }
    Adesk::UInt32 numberOfIsolines() const override { return 4; }
    AcGiWorldGeometry& geometry() const override { return m_recorder.geometry; }

private:
    Recorder& m_recorder;
    AcGiRegenType m_regenType;
};

}  // namespace acrt
