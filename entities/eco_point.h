// ECoPoint, the point coordinate label: a leader from the marked point to an
// underline with the point's vertical coordinate above it and its horizontal
// coordinate below, measured in a copy of a coordinate system's values.
#pragma once

#include "dbmain.h"
#include "filed_record.h"
#include "filer_members.h"
#include "sub_entity_cache.h"
#include "vemd_export.h"

class AcDbLine;
class AcDbMText;

class VEMD_EXPORT ECoPoint : public AcDbEntity, public FilerMembers {
public:
    ACRX_DECLARE_MEMBERS_EXPIMP(ECoPoint, VEMD_EXPORT);

    // Version of the label's own part of its filed record.
    static const Adesk::UInt32 kCurrentVersionNumber = 1;

    // An empty shell for the host to read into; builds no display.
    ECoPoint();
    // A label of markPoint whose underline starts at textPoint and runs along the unit
    // vector textDir; the coordinate system's values are copied in.
    ECoPoint(AcString vAxisName, AcString hAxisName, AcGePoint3d markPoint, AcGePoint3d textPoint,
             AcGePoint3d absOrigin, AcGeVector3d vAxisDir, AcGeVector3d hAxisDir, AcGeVector3d textDir,
             double drawingScale, double appearanceScale, int decimals, AcDbObjectId textStyleId);
    ~ECoPoint() override;

    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override;
    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override;


    // Builds the leader, underline and both texts from the members; mode 1 discards the
    // old ones first (every caller but the constructor passes 1).
    void resetSubEnt(int mode);

    // Snap points of the sub-entities, stopping at the first one that fails.
    virtual Acad::ErrorStatus GetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker gsSelectionMark,
                                             const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,
                                             const AcGeMatrix3d& viewXform, AcGePoint3dArray& snapPoints,
                                             AcDbIntArray& geomIds) const;

    AcGePoint3d m_markPoint;      // the labelled point; grip 0
    AcGePoint3d m_textPoint;      // end of the leader, start of the underline; grip 1
    AcGePoint3d m_absOrigin;      // the coordinate system's (0, 0)
    AcGeVector3d m_vAxisDir;
    AcGeVector3d m_hAxisDir;
    AcGeVector3d m_textDir;       // unit direction of the underline
    AcString m_vAxisName;
    AcString m_hAxisName;
    double m_drawingScale;        // n of the drawing scale 1:n
    double m_appearanceScale;     // size factor; text height is 3 × this
    int m_decimals;
    AcDbObjectId m_textStyleId;
    SubEntityArray m_subEnts;     // leader, underline, upper text, lower text; never filed

    // The members of the filed record after its version, in filing order (names,
    // directions, points, numbers): visit is called on each in turn until one fails, and
    // that status is returned. Writing and reading both walk this one list.
    template <class Self, class Visit>
    static Acad::ErrorStatus visitFiledMembers(Self& self, Visit visit)
    {
        return visitInOrder(visit, self.m_vAxisName, self.m_hAxisName, self.m_vAxisDir, self.m_hAxisDir,
                            self.m_textDir, self.m_markPoint, self.m_textPoint, self.m_absOrigin,
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
    double axisValue(const AcGeVector3d& axisDir) const;
    void layOut(AcDbLine* leader, AcDbLine* underline, AcDbMText* upper, AcDbMText* lower) const;
};
