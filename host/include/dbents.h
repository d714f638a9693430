// Ordinary entities of the host: curves, the line, the circle and the arc.
#pragma once

#include <vector>

#include "dbmain.h"
#include "gescl3d.h"

class ACDB_PORT AcDbCurve : public AcDbEntity {
    ACRT_DECLARE_CLASS(AcDbCurve);

public:
    ~AcDbCurve() override;

protected:
    AcDbCurve();
};

class ACDB_PORT AcDbLine : public AcDbCurve {
    ACRT_DECLARE_CLASS(AcDbLine);

public:
    AcDbLine();
    AcDbLine(const AcGePoint3d& start, const AcGePoint3d& end);
    ~AcDbLine() override;

    AcGePoint3d startPoint() const { assertReadEnabled(); return m_start; }
    Acad::ErrorStatus setStartPoint(const AcGePoint3d& pt);
    AcGePoint3d endPoint() const { assertReadEnabled(); return m_end; }
    Acad::ErrorStatus setEndPoint(const AcGePoint3d& pt);
    double thickness() const { assertReadEnabled(); return m_thickness; }
    Acad::ErrorStatus setThickness(double thickness);
    AcGeVector3d normal() const { assertReadEnabled(); return m_normal; }
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);

    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override;
    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override;

protected:
    Adesk::Boolean subWorldDraw(AcGiWorldDraw* pWd) override;
    Acad::ErrorStatus subGetGeomExtents(AcDbExtents& extents) const override;
    Acad::ErrorStatus subTransformBy(const AcGeMatrix3d& xform) override;
    Acad::ErrorStatus subGetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker gsSelectionMark,
                                        const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,
                                        const AcGeMatrix3d& viewXform, AcGePoint3dArray& snapPoints,
                                        AcDbIntArray& geomIds) const override;
    Acad::ErrorStatus subGetGripPoints(AcGePoint3dArray& gripPoints, AcDbIntArray& osnapModes,
                                       AcDbIntArray& geomIds) const override;
    Acad::ErrorStatus subMoveGripPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset) override;
    Acad::ErrorStatus subGetStretchPoints(AcGePoint3dArray& stretchPoints) const override;
    Acad::ErrorStatus subMoveStretchPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset) override;
    void subList() const override;

private:
    AcGePoint3d m_start;
    AcGePoint3d m_end;
    double m_thickness = 0.0;
    AcGeVector3d m_normal = AcGeVector3d(0.0, 0.0, 1.0);
};

// The circle and the arc lie in the plane through their WCS centre perpendicular to
// their normal; the arc's angles are radians counter-clockwise about the normal from
// the X axis of that plane (the host's arbitrary-axis rule), kept in [0, 2pi).
#define ACRT_CIRCULAR_ENTITY_OVERRIDES                                                                        \
    Adesk::Boolean subWorldDraw(AcGiWorldDraw* pWd) override;                                                 \
    Acad::ErrorStatus subGetGeomExtents(AcDbExtents& extents) const override;                                 \
    Acad::ErrorStatus subTransformBy(const AcGeMatrix3d& xform) override;                                     \
    Acad::ErrorStatus subGetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker gsSelectionMark,           \
                                        const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,           \
                                        const AcGeMatrix3d& viewXform, AcGePoint3dArray& snapPoints,          \
                                        AcDbIntArray& geomIds) const override;                                \
    Acad::ErrorStatus subGetGripPoints(AcGePoint3dArray& gripPoints, AcDbIntArray& osnapModes,                \
                                       AcDbIntArray& geomIds) const override;                                 \
    Acad::ErrorStatus subMoveGripPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset) override;  \
    Acad::ErrorStatus subGetStretchPoints(AcGePoint3dArray& stretchPoints) const override;                    \
    Acad::ErrorStatus subMoveStretchPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset) override; \
    void subList() const override

class ACDB_PORT AcDbCircle : public AcDbCurve {
    ACRT_DECLARE_CLASS(AcDbCircle);

public:
    AcDbCircle();
    // WCS inputs; the normal must have a length and the radius be above zero.
    AcDbCircle(const AcGePoint3d& cntr, const AcGeVector3d& nrm, double radius);
    ~AcDbCircle() override;

    AcGePoint3d center() const { assertReadEnabled(); return m_center; }
    Acad::ErrorStatus setCenter(const AcGePoint3d& pt);
    double radius() const { assertReadEnabled(); return m_radius; }
    Acad::ErrorStatus setRadius(double radius);
    double thickness() const { assertReadEnabled(); return m_thickness; }
    Acad::ErrorStatus setThickness(double thickness);
    AcGeVector3d normal() const { assertReadEnabled(); return m_normal; }
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);
    double circumference() const;
    Acad::ErrorStatus setCircumference(double circumference);
    double diameter() const;
    Acad::ErrorStatus setDiameter(double diameter);

    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override;
    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override;

protected:
    ACRT_CIRCULAR_ENTITY_OVERRIDES;

private:
    AcGePoint3d m_center;
    double m_radius = 0.0;
    double m_thickness = 0.0;
    AcGeVector3d m_normal = AcGeVector3d(0.0, 0.0, 1.0);
};

class ACDB_PORT AcDbArc : public AcDbCurve {
    ACRT_DECLARE_CLASS(AcDbArc);

public:
    AcDbArc();
    AcDbArc(const AcGePoint3d& center, double radius, double startAngle, double endAngle);
    AcDbArc(const AcGePoint3d& center, const AcGeVector3d& normal, double radius, double startAngle,
            double endAngle);
    ~AcDbArc() override;

    AcGePoint3d center() const { assertReadEnabled(); return m_center; }
    Acad::ErrorStatus setCenter(const AcGePoint3d& pt);
    double radius() const { assertReadEnabled(); return m_radius; }
    Acad::ErrorStatus setRadius(double radius);
    double startAngle() const { assertReadEnabled(); return m_startAngle; }
    Acad::ErrorStatus setStartAngle(double angle);
    double endAngle() const { assertReadEnabled(); return m_endAngle; }
    Acad::ErrorStatus setEndAngle(double angle);
    double thickness() const { assertReadEnabled(); return m_thickness; }
    Acad::ErrorStatus setThickness(double thickness);
    AcGeVector3d normal() const { assertReadEnabled(); return m_normal; }
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);
    // The sweep from the start angle to the end angle, in [0, 2pi); equal angles sweep 0.
    double totalAngle() const;
    double length() const;

    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override;
    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override;

protected:
    ACRT_CIRCULAR_ENTITY_OVERRIDES;

private:
    AcGePoint3d m_center;
    double m_radius = 0.0;
    double m_startAngle = 0.0;
    double m_endAngle = 0.0;
    double m_thickness = 0.0;
    AcGeVector3d m_normal = AcGeVector3d(0.0, 0.0, 1.0);
};

#undef ACRT_CIRCULAR_ENTITY_OVERRIDES

// ---- block references -------------------------------------------------------------------

// A reference shows its block's entities placed by blockTransform(): the block's origin
// taken to the position, scaled along the reference's axes (any factor but zero; a
// negative one mirrors), rotated about the normal and laid in the plane of the normal
// (the arbitrary-axis rule). The position is WCS.
class ACDB_PORT AcDbBlockReference : public AcDbEntity {
    ACRT_DECLARE_CLASS(AcDbBlockReference);

public:
    AcDbBlockReference();
    AcDbBlockReference(const AcGePoint3d& position, AcDbObjectId blockTableRec);
    ~AcDbBlockReference() override;

    AcDbObjectId blockTableRecord() const { assertReadEnabled(); return m_blockRecord; }
    // The record of a block that is no layout and, for a reference in a block, one
    // that would not make the block show itself (eInvalidInput).
    virtual Acad::ErrorStatus setBlockTableRecord(AcDbObjectId newVal);
    virtual AcGePoint3d position() const { assertReadEnabled(); return m_position; }
    virtual Acad::ErrorStatus setPosition(const AcGePoint3d& newVal);
    AcGeScale3d scaleFactors() const { assertReadEnabled(); return m_scale; }
    AcGeScale3d nonAnnotationScaleFactors() const { return scaleFactors(); }
    // Finite factors, none of them zero (within 1e-10).
    virtual Acad::ErrorStatus setScaleFactors(const AcGeScale3d& scale);
    // Radians about the normal, kept in [0, 2pi).
    double rotation() const { assertReadEnabled(); return m_rotation; }
    virtual Acad::ErrorStatus setRotation(double newVal);
    AcGeVector3d normal() const { assertReadEnabled(); return m_normal; }
    virtual Acad::ErrorStatus setNormal(const AcGeVector3d& newVal);

    // translate(position) * plane(normal) * rotate(rotation) * scale * translate(-origin).
    AcGeMatrix3d blockTransform() const;
    AcGeMatrix3d nonAnnotationBlockTransform() const { return blockTransform(); }
    // Takes the position, normal, rotation and scales that give the matrix (with the
    // block's origin); a matrix with shear or a zero scale is refused.
    virtual Acad::ErrorStatus setBlockTransform(const AcGeMatrix3d& newVal);

    // The box of each entity of the block as transformed, nested ones likewise: tighter
    // than getGeomExtents (the block's box transformed) when the reference is rotated.
    Acad::ErrorStatus geomExtentsBestFit(AcDbExtents& extents,
                                         const AcGeMatrix3d& parentXform = AcGeMatrix3d::kIdentity) const;
    virtual Acad::ErrorStatus explodeToOwnerSpace() const;
    virtual Adesk::Boolean treatAsAcDbBlockRefForExplode() const { return Adesk::kTrue; }

    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override;
    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override;

protected:
    Adesk::Boolean subWorldDraw(AcGiWorldDraw* pWd) override;
    Acad::ErrorStatus subGetGeomExtents(AcDbExtents& extents) const override;
    Acad::ErrorStatus subTransformBy(const AcGeMatrix3d& xform) override;
    Acad::ErrorStatus subExplode(AcDbVoidPtrArray& entitySet) const override;
    Acad::ErrorStatus subGetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker gsSelectionMark,
                                        const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,
                                        const AcGeMatrix3d& viewXform, AcGePoint3dArray& snapPoints,
                                        AcDbIntArray& geomIds) const override;
    Acad::ErrorStatus subGetGripPoints(AcGePoint3dArray& gripPoints, AcDbIntArray& osnapModes,
                                       AcDbIntArray& geomIds) const override;
    Acad::ErrorStatus subMoveGripPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset) override;
    Acad::ErrorStatus subGetStretchPoints(AcGePoint3dArray& stretchPoints) const override;
    Acad::ErrorStatus subMoveStretchPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset) override;
    void subList() const override;

private:
    friend class AcDbSystemInternals;
    AcDbHardPointerId m_blockRecord;
    AcGePoint3d m_position;
    AcGeScale3d m_scale;
    double m_rotation = 0.0;
    AcGeVector3d m_normal = AcGeVector3d(0.0, 0.0, 1.0);
    std::vector<AcDbObjectId> m_attributes;  // owned, in the order they were appended
};
