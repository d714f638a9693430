// The host's ellipse: a whole ellipse or an elliptical arc about a centre, in the plane
// perpendicular to its normal.
#pragma once

#include "dbents.h"

// Parameters and angles are radians counter-clockwise about the normal from the major
// axis. A point's parameter p places it at center + majorAxis cos p + minorAxis sin p;
// its angle is the direction of that point seen from the centre. A start and an end
// that coincide (modulo a turn) make the whole ellipse.
class ACDB_PORT AcDbEllipse : public AcDbCurve {
    ACRT_DECLARE_CLASS(AcDbEllipse);

public:
    // A circle of radius 1 in the XY plane about (0,0,0).
    AcDbEllipse();
    // WCS inputs. Inputs that set() refuses make a null ellipse (isNull()).
    AcDbEllipse(const AcGePoint3d& center, const AcGeVector3d& unitNormal, const AcGeVector3d& majorAxis,
                double radiusRatio, double startAngle = 0.0, double endAngle = 6.28318530717958647692);
    ~AcDbEllipse() override;

    AcGePoint3d center() const { assertReadEnabled(); return m_center; }
    Acad::ErrorStatus setCenter(const AcGePoint3d& center);
    AcGeVector3d normal() const { assertReadEnabled(); return m_normal; }
    AcGeVector3d majorAxis() const { assertReadEnabled(); return m_majorAxis; }
    AcGeVector3d minorAxis() const;
    double radiusRatio() const { assertReadEnabled(); return m_radiusRatio; }
    Acad::ErrorStatus setRadiusRatio(double ratio);
    double startAngle() const;
    Acad::ErrorStatus setStartAngle(double startAngle);
    double endAngle() const;
    Acad::ErrorStatus setEndAngle(double endAngle);
    Acad::ErrorStatus setStartParam(double startParam);
    Acad::ErrorStatus setEndParam(double endParam);
    double paramAtAngle(double angle) const;
    double angleAtParam(double param) const;

    Acad::ErrorStatus get(AcGePoint3d& center, AcGeVector3d& unitNormal, AcGeVector3d& majorAxis,
                          double& radiusRatio, double& startAngle, double& endAngle) const;
    // Refuses (eInvalidInput, nothing changed) a normal or major axis whose squared
    // length is not above 1e-12, a major axis not perpendicular to the normal, a ratio
    // outside [1e-6, 1] and anything not finite.
    Acad::ErrorStatus set(const AcGePoint3d& center, const AcGeVector3d& unitNormal, const AcGeVector3d& majorAxis,
                          double radiusRatio, double startAngle = 0.0, double endAngle = 6.28318530717958647692);
    // True for an ellipse without a major axis (made from refused inputs).
    Adesk::Boolean isNull() const;

    double majorRadius() const;
    // Keeps the minor radius; refused when the ratio would leave [1e-6, 1].
    Acad::ErrorStatus setMajorRadius(double radius);
    double minorRadius() const;
    // Keeps the major radius; refused when the ratio would leave [1e-6, 1].
    Acad::ErrorStatus setMinorRadius(double radius);

    // The host's curve queries (AcDbCurve's in the real SDK); the whole ellipse runs
    // from parameter 0 to 2pi, an arc from its start parameter to one above it.
    Adesk::Boolean isClosed() const;
    Acad::ErrorStatus getStartParam(double& param) const;
    Acad::ErrorStatus getEndParam(double& param) const;
    Acad::ErrorStatus getPointAtParam(double param, AcGePoint3d& point) const;
    Acad::ErrorStatus getStartPoint(AcGePoint3d& point) const;
    Acad::ErrorStatus getEndPoint(AcGePoint3d& point) const;

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
    Acad::ErrorStatus moveAxisEnd(int quarter, const AcGeVector3d& offset);
    Acad::ErrorStatus moveArcEnd(bool start, const AcGeVector3d& offset);

    AcGePoint3d m_center;
    AcGeVector3d m_normal = AcGeVector3d(0.0, 0.0, 1.0);
    AcGeVector3d m_majorAxis = AcGeVector3d(1.0, 0.0, 0.0);
    double m_radiusRatio = 1.0;
    double m_startParam = 0.0;   // in [0, 2pi)
    double m_sweepParam = 6.28318530717958647692;  // in (0, 2pi]
};
