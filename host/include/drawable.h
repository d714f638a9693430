// Anything the graphics system can draw: it sets its attributes and draws itself into
// a world-draw context.
#pragma once

#include "rxobject.h"

class AcGiDrawableTraits;
class AcGiWorldDraw;
class AcGiViewportDraw;

class ACBASE_PORT AcGiDrawable : public AcRxObject {
public:
    enum SetAttributesFlags {
        kDrawableNone = 0,
        kDrawableIsAnEntity = 1,
        kDrawableUsesNesting = 2,
        kDrawableIsCompoundObject = 4,
        kDrawableViewIndependentViewportDraw = 8,
        kDrawableIsInvisible = 16,
        kDrawableHasAttributes = 32,
        kDrawableRegenTypeDependentGeometry = 64,
        kDrawableIsDimension = (kDrawableIsAnEntity + kDrawableIsCompoundObject + 128),
        kDrawableRegenDraw = 256
    };

    static AcRxClass* desc();
    AcRxClass* isA() const override;

    ADESK_SEALED_VIRTUAL Adesk::UInt32 setAttributes(AcGiDrawableTraits* traits) { return subSetAttributes(traits); }
    ADESK_SEALED_VIRTUAL Adesk::Boolean worldDraw(AcGiWorldDraw* wd) { return subWorldDraw(wd); }
    ADESK_SEALED_VIRTUAL void viewportDraw(AcGiViewportDraw* vd) { subViewportDraw(vd); }

protected:
    AcGiDrawable() = default;
    virtual Adesk::UInt32 subSetAttributes(AcGiDrawableTraits* traits) = 0;
    virtual Adesk::Boolean subWorldDraw(AcGiWorldDraw* wd) = 0;
    virtual void subViewportDraw(AcGiViewportDraw* vd) = 0;
};
