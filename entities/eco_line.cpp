// ECoLine: construction, filing, the one-text display and its editing.
#include "eco_line.h"

#include <new>

#include "coordinate_rule.h"
#include "dbmtext.h"
#include "text_piece.h"

ACRX_DXF_DEFINE_MEMBERS(ECoLine, AcDbEntity, 31, 105, 0, ECOLINE,
                        VEMDAPP |Product Desc: A description for your object |Company: Your company name |WEB Address: Your company WEB site address)

const Adesk::UInt32 ECoLine::kCurrentVersionNumber;

namespace {
const double kTextHeight = 3.0;  // text height, in appearance scales
}  // namespace

ECoLine::ECoLine() : m_refAxis(0), m_drawingScale(0.0), m_appearanceScale(0.0), m_decimals(0), m_subEnts(0, 8) {}

ECoLine::ECoLine(int refAxis, AcString vAxisName, AcString hAxisName, AcGePoint3d markPoint, AcGePoint3d textPoint,
                 AcGePoint3d absOrigin, AcGeVector3d vAxisDir, AcGeVector3d hAxisDir, double drawingScale,
                 double appearanceScale, int decimals, AcDbObjectId textStyleId)
    : m_markPoint(markPoint), m_textPoint(textPoint), m_absOrigin(absOrigin), m_vAxisDir(vAxisDir),
      m_hAxisDir(hAxisDir), m_vAxisName(vAxisName), m_hAxisName(hAxisName), m_refAxis(refAxis),
      m_drawingScale(drawingScale), m_appearanceScale(appearanceScale), m_decimals(decimals),
      m_textStyleId(textStyleId), m_subEnts(0, 8)
{
    resetSubEnt(0);
}

ECoLine::~ECoLine() { discardSubEntities(m_subEnts); }

// ---- filing: the point label's record with the reference axis first -----------------

Acad::ErrorStatus ECoLine::dwgOutFields(AcDbDwgFiler* pFiler) const { return dwgOutRecord(*this, pFiler); }

Acad::ErrorStatus ECoLine::dwgInFields(AcDbDwgFiler* pFiler) { return dwgInRecord(*this, pFiler); }

// ---- display ---------------------------------------------------------------------

// The reference axis picks what is measured and named; the text runs along the other
// axis, turned so that it never reads upside down. Nothing is measured here.
void ECoLine::resetSubEnt(int mode)
{
    if (mode == 1)
        discardSubEntities(m_subEnts);
    AcDbMText* label = new (std::nothrow) AcDbMText();
    if (!allSubEntitiesMade({label}))
        return;
    const bool vertical = m_refAxis == 0;
    const AcGeVector3d& measuredAxis = vertical ? m_vAxisDir : m_hAxisDir;
    const AcGeVector3d& readingAxis = vertical ? m_hAxisDir : m_vAxisDir;
    const CoordinateText text(vertical ? m_vAxisName : m_hAxisName,
                              coordinateValue(m_markPoint, m_absOrigin, measuredAxis, m_drawingScale),
                              static_cast<Adesk::Int16>(m_decimals));
    setUpTextPiece(label, text.text(), m_textStyleId, kTextHeight * m_appearanceScale);
    label->setLocation(m_textPoint);
    label->setRotation(readableRotation(angleFromXAxis(readingAxis)));
    m_subEnts.append(label);
}

// ---- editing ---------------------------------------------------------------------

void ECoLine::movePoint(int index, const AcGeVector3d& offset)
{
    if (index == 0)
        m_markPoint += offset;
    else if (index == 1)
        m_textPoint += offset;
}

Acad::ErrorStatus ECoLine::subGetGripPoints(AcGePoint3dArray& gripPoints, AcDbIntArray&, AcDbIntArray&) const
{
    assertReadEnabled();
    appendLabelPoints(m_markPoint, m_textPoint, gripPoints);
    return Acad::eOk;
}

Acad::ErrorStatus ECoLine::subGetStretchPoints(AcGePoint3dArray& stretchPoints) const
{
    assertReadEnabled();
    appendLabelPoints(m_markPoint, m_textPoint, stretchPoints);
    return Acad::eOk;
}

Acad::ErrorStatus ECoLine::subMoveGripPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    return moveIndexedPoints(*this, indices, offset,
                             [this](int index, const AcGeVector3d& by) { movePoint(index, by); });
}

Acad::ErrorStatus ECoLine::subMoveStretchPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    return subMoveGripPointsAt(indices, offset);
}

// Only the two points move; the axis directions stay, so the text keeps running
// parallel to its axis whatever the transformation.
Acad::ErrorStatus ECoLine::subTransformBy(const AcGeMatrix3d& xform)
{
    assertWriteEnabled();
    const double factor = xform.scale();
    m_markPoint.transformBy(xform);
    m_textPoint.transformBy(xform);
    m_appearanceScale *= factor;
    resetSubEnt(1);
    return Acad::eOk;
}

// ---- behaviour shared with the other entities -------------------------------------

// The entity base's attributes, which include the entity's visibility: an entity made
// invisible is not drawn.
Adesk::UInt32 ECoLine::subSetAttributes(AcGiDrawableTraits* pTraits)
{
    assertReadEnabled();
    return AcDbEntity::subSetAttributes(pTraits);
}

Adesk::Boolean ECoLine::subWorldDraw(AcGiWorldDraw* pWd)
{
    assertReadEnabled();
    AcDbEntity::subWorldDraw(pWd);
    drawSubEntities(m_subEnts, pWd);
    return true;
}

Acad::ErrorStatus ECoLine::subExplode(AcDbVoidPtrArray& entitySet) const
{
    assertReadEnabled();
    explodeSubEntities(m_subEnts, entitySet);
    return Acad::eOk;
}

Acad::ErrorStatus ECoLine::subGetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker gsSelectionMark,
                                             const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,
                                             const AcGeMatrix3d& viewXform, AcGePoint3dArray& snapPoints,
                                             AcDbIntArray& geomIds) const
{
    assertReadEnabled();
    return collectSnapPoints(m_subEnts, false, osnapMode, gsSelectionMark, pickPoint, lastPoint, viewXform,
                             snapPoints, geomIds);
}

Acad::ErrorStatus ECoLine::GetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker gsSelectionMark,
                                          const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,
                                          const AcGeMatrix3d& viewXform, AcGePoint3dArray& snapPoints,
                                          AcDbIntArray& geomIds) const
{
    return collectSnapPoints(m_subEnts, true, osnapMode, gsSelectionMark, pickPoint, lastPoint, viewXform,
                             snapPoints, geomIds);
}
