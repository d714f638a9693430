// Multiline text: contents laid out with the text style's stroke font, placed by its
// attachment point at a location, rotated in its plane.
#pragma once

#include "dbmain.h"

class ACDB_PORT AcDbMText : public AcDbEntity {
    ACRT_DECLARE_CLASS(AcDbMText);

public:
    enum AttachmentPoint {
        kTopLeft = 1,
        kTopCenter = 2,
        kTopRight = 3,
        kMiddleLeft = 4,
        kMiddleCenter = 5,
        kMiddleRight = 6,
        kBottomLeft = 7,
        kBottomCenter = 8,
        kBottomRight = 9
    };
    enum FlowDirection { kLtoR = 1, kRtoL = 2, kTtoB = 3, kBtoT = 4, kByStyle = 5 };

    AcDbMText();
    ~AcDbMText() override;

    AcGePoint3d location() const { assertReadEnabled(); return m_location; }
    Acad::ErrorStatus setLocation(const AcGePoint3d& point);
    AcGeVector3d normal() const { assertReadEnabled(); return m_normal; }
    Acad::ErrorStatus setNormal(const AcGeVector3d& normal);
    AcGeVector3d direction() const { assertReadEnabled(); return m_direction; }
    Acad::ErrorStatus setDirection(const AcGeVector3d& direction);
    double rotation() const;
    Acad::ErrorStatus setRotation(double angle);
    double width() const { assertReadEnabled(); return m_width; }
    Acad::ErrorStatus setWidth(double width);
    double textHeight() const { assertReadEnabled(); return m_textHeight; }
    Acad::ErrorStatus setTextHeight(double height);
    AcDbObjectId textStyle() const { assertReadEnabled(); return m_textStyleId; }
    Acad::ErrorStatus setTextStyle(AcDbObjectId styleId);
    AttachmentPoint attachment() const { assertReadEnabled(); return m_attachment; }
    Acad::ErrorStatus setAttachment(AttachmentPoint attachment);
    // Changes the attachment and moves the location so that the text stays where it is.
    Acad::ErrorStatus setAttachmentMovingLocation(AttachmentPoint attachment);
    FlowDirection flowDirection() const { assertReadEnabled(); return m_flowDirection; }
    Acad::ErrorStatus setFlowDirection(FlowDirection flowDirection);
    // Returns the number of characters taken (the host returns an int here).
    int setContents(const ACHAR* pText);
    // A copy of the contents on the heap; the caller frees it with delete[].
    ACHAR* contents() const;
    // Stand-in extension: the contents without a copy.
    const AcString& contentsString() const { return m_contents; }
    double actualHeight(AcGiWorldDraw* pWd = nullptr) const;
    double actualWidth() const;

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
    friend class AcDbSystemInternals;
    AcGePoint3d m_location;
    AcGeVector3d m_normal = AcGeVector3d(0.0, 0.0, 1.0);
    AcGeVector3d m_direction = AcGeVector3d(1.0, 0.0, 0.0);
    double m_width = 0.0;
    double m_textHeight = 0.2;
    AcDbObjectId m_textStyleId;
    AttachmentPoint m_attachment = kTopLeft;
    FlowDirection m_flowDirection = kLtoR;
    AcString m_contents;
};
