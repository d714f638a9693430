// The model transform of a world-draw context: the stack of transforms pushed by what
// draws (a block reference under its block transform, nested ones composed), shared by
// every recorder of drawn graphics, which receives each primitive already placed in
// the world.
#pragma once

#include <vector>

#include "acgi.h"

namespace acrt {

// A world geometry whose primitives reach worldCircle ... worldText in world
// coordinates. Without a transform pushed they pass straight through; under one:
//  - points and vertices are transformed;
//  - a circle stays a circle under a transform that keeps it round, and becomes the
//    chords of its image (a closed polyline) under one that does not;
//  - a text's position, direction, normal, height, width factor and obliquing angle
//    are those of the transformed glyph frame, so any affine transform of it is kept.
class ACRT_PORT TransformingGeometry : public AcGiWorldGeometry {
public:
    void getModelToWorldTransform(AcGeMatrix3d& modelToWorld) const override;
    void getWorldToModelTransform(AcGeMatrix3d& worldToModel) const override;
    Adesk::Boolean pushModelTransform(const AcGeVector3d& vNormal) override;
    Adesk::Boolean pushModelTransform(const AcGeMatrix3d& xMat) override;
    Adesk::Boolean popModelTransform() override;

    Adesk::Boolean circle(const AcGePoint3d& center, const double radius, const AcGeVector3d& normal) const final;
    Adesk::Boolean polyline(const Adesk::UInt32 nbPoints, const AcGePoint3d* pVertexList,
                            const AcGeVector3d* pNormal = nullptr, Adesk::LongPtr lBaseSubEntMarker = -1) const final;
    Adesk::Boolean polygon(const Adesk::UInt32 nbPoints, const AcGePoint3d* pVertexList) const final;
    Adesk::Boolean text(const AcGePoint3d& position, const AcGeVector3d& normal, const AcGeVector3d& direction,
                        const double height, const double width, const double oblique,
                        const ACHAR* pMsg) const final;

    // Whether a transform is pushed; the model-to-world transform when one is.
    bool transformed() const { return !m_levels.empty(); }
    const AcGeMatrix3d& modelToWorld() const;
    // The least a model length is stretched in the world (1 without a transform): a
    // deviation allowed in the world, divided by it, is the one allowed in the model.
    double leastStretch() const { return m_levels.empty() ? 1.0 : m_levels.back().leastStretch; }

protected:
    TransformingGeometry() = default;
    virtual Adesk::Boolean worldCircle(const AcGePoint3d& center, double radius, const AcGeVector3d& normal) const = 0;
    virtual Adesk::Boolean worldPolyline(Adesk::UInt32 nbPoints, const AcGePoint3d* pVertexList,
                                         const AcGeVector3d* pNormal, Adesk::LongPtr lBaseSubEntMarker) const = 0;
    virtual Adesk::Boolean worldPolygon(Adesk::UInt32 nbPoints, const AcGePoint3d* pVertexList) const = 0;
    virtual Adesk::Boolean worldText(const AcGePoint3d& position, const AcGeVector3d& normal,
                                     const AcGeVector3d& direction, double height, double width, double oblique,
                                     const ACHAR* pMsg) const = 0;
    // How far (world units) the chords of a circle turned into chords may stray from
    // its image; 0 gives chords of 5 degrees.
    virtual double chordDeviation() const { return 0.0; }

private:
    struct Level {
        AcGeMatrix3d toWorld, toModel;
        AcGeMatrix3d normals;  // the inverse transpose of the linear part: normals' images
        double leastStretch = 1.0;
    };
    const AcGePoint3d* placed(Adesk::UInt32 count, const AcGePoint3d* points) const;
    AcGeVector3d placedNormal(const AcGeVector3d& normal) const;

    std::vector<Level> m_levels;
    mutable std::vector<AcGePoint3d> m_scratch;  // the last primitive's placed points
};

}  // namespace acrt
