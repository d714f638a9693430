// Ordinary entities of the host: the point, curves, the line, the circle and the arc.
#pragma once

#include "dbmain.h"

class ACDB_PORT AcDbCurve : public AcDbEntity {
    ACRT_DECLARE_CLASS(AcDbCurve);

public:
    ~AcDbCurve() override;

protected:
    AcDbCurve();
};

// A point: a position with a thickness, a normal and the rotation of its figure about
// the normal. How it draws (PDMODE) and how large (PDSIZE) is the drawing's.
class ACDB_PORT AcDbPoint : public AcDbEntity {
    ACRT_DECLARE_CLASS(AcDbPoint);

public:
    AcDbPoint();
    AcDbPoint(const AcGePoint3d& position);
    ~AcDbPoint() override;

    AcGePoint3d position() const { assertReadEnabled(); return m_position; }
    Acad::ErrorStatus setPosition(const AcGePoint3d& pt);
    double thickness() const { assertReadEnabled(); return m_thickness; }
    Acad::ErrorStatus setThickness(double thickness);
    AcGeVector3d normal() const { assertReadEnabled(); return m_normal; }
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);
    double ecsRotation() const { assertReadEnabled(); return m_ecsRotation; }
    Acad::ErrorStatus setEcsRotation(double rotation);
    Adesk::Boolean isPlanar() const { return Adesk::kTrue; }

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
    AcGePoint3d m_position;
    double m_thickness = 0.0;
    AcGeVector3d m_normal = AcGeVector3d(0.0, 0.0, 1.0);
    double m_ecsRotation = 0.0;
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
