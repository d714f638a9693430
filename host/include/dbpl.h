// The lightweight polyline: 2D vertices in a plane at an elevation, each with a bulge
// and a start and end width for the segment that leaves it.
#pragma once

#include <vector>

#include "dbents.h"

class ACDB_PORT AcDbPolyline : public AcDbCurve {
    ACRT_DECLARE_CLASS(AcDbPolyline);

public:
    enum SegType { kLine, kArc, kCoincident, kPoint, kEmpty };

    AcDbPolyline();
    explicit AcDbPolyline(unsigned int num_verts);
    ~AcDbPolyline() override;

    // A width of -1 means the polyline's constant width.
    virtual Acad::ErrorStatus addVertexAt(unsigned int index, const AcGePoint2d& pt, double bulge = 0.,
                                          double startWidth = -1., double endWidth = -1.,
                                          Adesk::Int32 vertexIdentifier = 0);
    Acad::ErrorStatus removeVertexAt(unsigned int index);
    unsigned int numVerts() const { assertReadEnabled(); return unsigned(m_vertices.size()); }
    Acad::ErrorStatus getPointAt(unsigned int index, AcGePoint2d& pt) const;
    Acad::ErrorStatus getPointAt(unsigned int index, AcGePoint3d& pt) const;
    Acad::ErrorStatus setPointAt(unsigned int index, const AcGePoint2d& pt);
    Acad::ErrorStatus getBulgeAt(unsigned int index, double& bulge) const;
    Acad::ErrorStatus getWidthsAt(unsigned int index, double& startWidth, double& endWidth) const;
    Acad::ErrorStatus setWidthsAt(unsigned int index, double startWidth, double endWidth);
    SegType segType(unsigned int index) const;
    Adesk::Boolean isClosed() const { assertReadEnabled(); return m_closed; }
    void setClosed(Adesk::Boolean closed);
    double elevation() const { assertReadEnabled(); return m_elevation; }
    void setElevation(double elev);
    AcGeVector3d normal() const { assertReadEnabled(); return m_normal; }
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);
    Acad::ErrorStatus getConstantWidth(double& width) const;
    Acad::ErrorStatus setConstantWidth(double width);

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
    struct Vertex {
        AcGePoint2d point;
        double bulge;
        double startWidth;
        double endWidth;
    };
    AcGePoint3d toWorld(const AcGePoint2d& pt) const;
    unsigned int segmentCount() const;

    std::vector<Vertex> m_vertices;
    bool m_closed = false;
    double m_elevation = 0.0;
    double m_constantWidth = 0.0;
    AcGeVector3d m_normal = AcGeVector3d(0.0, 0.0, 1.0);
};
