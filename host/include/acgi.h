// The graphics interface entities draw through: traits (colour, layer, ...) and
// geometry primitives of a world-draw context.
#pragma once

#include "acdb.h"
#include "dbid.h"
#include "drawable.h"
#include "gemat3d.h"
#include "gepnt3d.h"

class AcDbEntity;

enum AcGiRegenType {
    eAcGiRegenTypeInvalid = 0,
    kAcGiStandardDisplay = 2,
    kAcGiHideOrShadeCommand,
    kAcGiShadedDisplay = kAcGiHideOrShadeCommand,
    kAcGiForExplode,
    kAcGiSaveWorldDrawForProxy
};

enum AcGiFillType { kAcGiFillAlways = 1, kAcGiFillNever = 2 };

enum AcGiDeviationType {
    kAcGiMaxDevForCircle = 0,
    kAcGiMaxDevForCurve,
    kAcGiMaxDevForBoundary,
    kAcGiMaxDevForIsoline,
    kAcGiMaxDevForFacet
};

class ACBASE_PORT AcGiSubEntityTraits : public AcRxObject {
public:
    virtual void setColor(const Adesk::UInt16 color) = 0;
    virtual void setLayer(const AcDbObjectId layerId) = 0;
    virtual void setLineType(const AcDbObjectId linetypeId) = 0;
    virtual void setSelectionMarker(const Adesk::LongPtr markerId) = 0;
    virtual void setFillType(const AcGiFillType fillType) = 0;
    virtual void setLineWeight(const AcDb::LineWeight lw) = 0;
    virtual void setLineTypeScale(double dScale = 1.0) = 0;
    virtual void setThickness(double dThickness) = 0;
    virtual Adesk::UInt16 color() const = 0;
    virtual AcDbObjectId layerId() const = 0;
    virtual AcDbObjectId lineTypeId() const = 0;
    virtual AcGiFillType fillType() const = 0;
    virtual AcDb::LineWeight lineWeight() const = 0;
    virtual double lineTypeScale() const = 0;
    virtual double thickness() const = 0;
};

class ACBASE_PORT AcGiDrawableTraits : public AcGiSubEntityTraits {
public:
    virtual void setupForEntity(AcDbEntity* pEntity) = 0;
};

class ACBASE_PORT AcGiGeometry : public AcRxObject {
public:
    // The model transform: everything drawn is placed in the world by the product of the
    // transforms pushed so far (a block reference draws its block's entities under its
    // own). Each push is undone by one pop. That the pushes and pops return kFalse when
    // nothing is wrong, as the primitives do, is our reading; a pop with nothing pushed
    // returns kTrue.
    virtual void getModelToWorldTransform(AcGeMatrix3d& modelToWorld) const = 0;
    virtual void getWorldToModelTransform(AcGeMatrix3d& worldToModel) const = 0;
    // The plane of the normal by the arbitrary-axis rule, its origin at the world's.
    virtual Adesk::Boolean pushModelTransform(const AcGeVector3d& vNormal) = 0;
    virtual Adesk::Boolean pushModelTransform(const AcGeMatrix3d& xMat) = 0;
    virtual Adesk::Boolean popModelTransform() = 0;
    virtual Adesk::Boolean circle(const AcGePoint3d& center, const double radius, const AcGeVector3d& normal) const = 0;
    virtual Adesk::Boolean polyline(const Adesk::UInt32 nbPoints, const AcGePoint3d* pVertexList,
                                    const AcGeVector3d* pNormal = nullptr,
                                    Adesk::LongPtr lBaseSubEntMarker = -1) const = 0;
    virtual Adesk::Boolean polygon(const Adesk::UInt32 nbPoints, const AcGePoint3d* pVertexList) const = 0;
    virtual Adesk::Boolean text(const AcGePoint3d& position, const AcGeVector3d& normal,
                                const AcGeVector3d& direction, const double height, const double width,
                                const double oblique, const ACHAR* pMsg) const = 0;
    virtual Adesk::Boolean draw(AcGiDrawable* pDrawable) const = 0;
};

class ACBASE_PORT AcGiWorldGeometry : public AcGiGeometry {};

class ACBASE_PORT AcGiCommonDraw : public AcRxObject {
public:
    virtual AcGiRegenType regenType() const = 0;
    virtual Adesk::Boolean regenAbort() const = 0;
    virtual AcGiSubEntityTraits& subEntityTraits() const = 0;
    virtual AcGiGeometry* rawGeometry() const = 0;
    virtual Adesk::Boolean isDragging() const = 0;
    virtual Adesk::UInt32 numberOfIsolines() const = 0;
    // How far (drawing units) drawn geometry may stray from the true shape at a point:
    // the size of a pixel where a view draws. The real SDK declares it pure; here 0
    // (every detail) is the default, which the recorders of exact graphics keep.
    virtual double deviation(const AcGiDeviationType, const AcGePoint3d&) const { return 0.0; }
};

class ACBASE_PORT AcGiWorldDraw : public AcGiCommonDraw {
public:
    virtual AcGiWorldGeometry& geometry() const = 0;
};

class ACBASE_PORT AcGiViewportDraw : public AcGiCommonDraw {};
