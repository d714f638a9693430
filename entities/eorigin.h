// EOrigin, the coordinate system entity: a relative origin that carries coordinate
// values of the user's choice, two axis directions and the absolute origin derived
// from them, shown as two arrows with axis names and the origin's coordinates.
#pragma once

#include "dbmain.h"
#include "filed_record.h"
#include "filer_members.h"
#include "sub_entity_cache.h"
#include "vemd_export.h"

class AcDbMText;
class AcDbPolyline;

class VEMD_EXPORT EOrigin : public AcDbEntity, public FilerMembers {
public:
    ACRX_DECLARE_MEMBERS_EXPIMP(EOrigin, VEMD_EXPORT);

    // Version of the entity's own part of its filed record.
    static const Adesk::UInt32 kCurrentVersionNumber = 1;

    // An empty shell for the host to read into; builds no display.
    EOrigin();
    // A coordinate system whose relative origin relOrigin has the coordinates (vOffset,
    // hOffset); the axis angles are in degrees counter-clockwise from world X.
    EOrigin(AcString vAxisName, AcString hAxisName, double vOffset, double hOffset, AcGePoint3d relOrigin,
            double vAngle, double hAngle, double drawingScale, double appearanceScale, int decimals,
            AcDbObjectId textStyleId);
    ~EOrigin() override;

    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override;
    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override;


    // Rebuilds the six sub-entities from the members; the old ones are always discarded
    // first, whatever the argument.
    void resetSubEnt(int mode);

    // Snap points of the sub-entities, stopping at the first one that fails.
    virtual Acad::ErrorStatus GetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker gsSelectionMark,
                                             const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,
                                             const AcGeMatrix3d& viewXform, AcGePoint3dArray& snapPoints,
                                             AcDbIntArray& geomIds) const;

    AcString m_vAxisName;
    AcString m_hAxisName;
    double m_vOffset;             // vertical coordinate of the relative origin
    double m_hOffset;             // horizontal coordinate of the relative origin
    AcGePoint3d m_relOrigin;      // where the arrows start; the only grip
    AcGePoint3d m_absOrigin;      // the world point whose coordinates are (0, 0)
    AcGeVector3d m_vAxisDir;      // unit direction in which the vertical coordinate grows
    AcGeVector3d m_hAxisDir;      // unit direction in which the horizontal coordinate grows
    double m_drawingScale;        // n of the drawing scale 1:n
    double m_appearanceScale;     // size factor of the arrows and texts
    int m_decimals;
    AcDbObjectId m_textStyleId;
    SubEntityArray m_subEnts;     // arrows, names, values; never filed

    // The members of the filed record after its version, in filing order (the order of
    // their declaration): visit is called on each in turn until one fails, and that
    // status is returned. Writing and reading both walk this one list.
    template <class Self, class Visit>
    static Acad::ErrorStatus visitFiledMembers(Self& self, Visit visit)
    {
        return visitInOrder(visit, self.m_vAxisName, self.m_hAxisName, self.m_vOffset, self.m_hOffset,
                            self.m_relOrigin, self.m_absOrigin, self.m_vAxisDir, self.m_hAxisDir,
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
    void moveRelativeOrigin(int index, const AcGeVector3d& offset);
    void recomputeOffsets();
    void buildArrow(AcDbPolyline* arrow, const AcGeVector3d& axisDir) const;
    void buildAxisName(AcDbMText* name, const AcString& text, const AcGeVector3d& axisDir) const;
    void buildValueTexts(AcDbMText* vValue, AcDbMText* hValue) const;
};
