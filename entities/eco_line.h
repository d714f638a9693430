// ECoLine, the line coordinate label: one text on a grid line showing the coordinate
// that is constant along it, always parallel to the other axis of its coordinate
// system, measured in a copy of that system's values.
#pragma once

#include "dbmain.h"
#include "filed_record.h"
#include "filer_members.h"
#include "sub_entity_cache.h"
#include "vemd_export.h"

class VEMD_EXPORT ECoLine : public AcDbEntity, public FilerMembers {
public:
    ACRX_DECLARE_MEMBERS_EXPIMP(ECoLine, VEMD_EXPORT);

    // Version of the label's own part of its filed record.
    static const Adesk::UInt32 kCurrentVersionNumber = 1;

    // An empty shell for the host to read into; builds no display.
    ECoLine();
    // A label of the grid line through markPoint, its text centred on textPoint;
    // refAxis 0 shows the vertical coordinate, any other value the horizontal one.
    ECoLine(int refAxis, AcString vAxisName, AcString hAxisName, AcGePoint3d markPoint, AcGePoint3d textPoint,
            AcGePoint3d absOrigin, AcGeVector3d vAxisDir, AcGeVector3d hAxisDir, double drawingScale,
            double appearanceScale, int decimals, AcDbObjectId textStyleId);
    ~ECoLine() override;

    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override;
    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override;

    // Builds the text from the members; mode 1 discards the old one first (every
    // caller but the constructor passes 1). The text takes none of the entity's
    // properties, so the host's property setters need no rebuild.
    void resetSubEnt(int mode);

    // Snap points of the sub-entity, stopping at the first failure.
    virtual Acad::ErrorStatus GetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker gsSelectionMark,
                                             const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,
                                             const AcGeMatrix3d& viewXform, AcGePoint3dArray& snapPoints,
                                             AcDbIntArray& geomIds) const;

    AcGePoint3d m_markPoint;      // a point of the labelled grid line; grip 0
    AcGePoint3d m_textPoint;      // centre of the text; grip 1
    AcGePoint3d m_absOrigin;      // the coordinate system's (0, 0)
    AcGeVector3d m_vAxisDir;
    AcGeVector3d m_hAxisDir;
    AcString m_vAxisName;
    AcString m_hAxisName;
    int m_refAxis;                // 0: vertical coordinate, text along m_hAxisDir; else horizontal
    double m_drawingScale;        // n of the drawing scale 1:n
    double m_appearanceScale;     // size factor; text height is 3 × this
    int m_decimals;
    AcDbObjectId m_textStyleId;
    SubEntityArray m_subEnts;     // the one text; never filed

    // The members of the filed record after its version, in filing order (the point
    // label's, with the reference axis first and no text direction): visit is called on
    // each in turn until one fails, and that status is returned. Writing and reading
    // both walk this one list.
    template <class Self, class Visit>
    static Acad::ErrorStatus visitFiledMembers(Self& self, Visit visit)
    {
        return visitInOrder(visit, self.m_refAxis, self.m_vAxisName, self.m_hAxisName, self.m_vAxisDir,
                            self.m_hAxisDir, self.m_markPoint, self.m_textPoint, self.m_absOrigin,
                            self.m_drawingScale, self.m_appearanceScale, self.m_decimals, self.m_textStyleId);
    }

protected:
    Adesk::UInt32 subSetAttributes(AcGiDrawableTraits* pTraits) override;
    Adesk::Boolean subWorldDraw(AcGiWorldDraw* pWd) override;
    Acad::ErrorStatus subGetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker gsSelectionMark,
                                        const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,
                                        const AcGeMatrix3d& viewXform, AcGePoint3dArray& snapPoints,
                                        AcDbIntArray& geomIds) const override;
    Acad::ErrorStatus subTransformBy(const AcGeMatrix3d& xform) override;
    Acad::ErrorStatus subExplode(AcDbVoidPtrArray& entitySet) const override;
    Acad::ErrorStatus subGetGripPoints(AcGePoint3dArray& gripPoints, AcDbIntArray& osnapModes,
                                       AcDbIntArray& geomIds) const override;
    Acad::ErrorStatus subMoveGripPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset) override;
    Acad::ErrorStatus subGetStretchPoints(AcGePoint3dArray& stretchPoints) const override;
    Acad::ErrorStatus subMoveStretchPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset) override;

private:
    void movePoint(int index, const AcGeVector3d& offset);
};
