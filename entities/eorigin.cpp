// EOrigin: construction, filing, the display of arrows, names and origin values, and
// the editing rule that keeps the absolute origin in place and recomputes the
// coordinates of the relative origin instead.
#include "eorigin.h"

#include <new>

#include "coordinate_rule.h"
#include "dbmtext.h"
#include "dbpl.h"
#include "format_fixed.h"
#include "text_piece.h"

ACRX_DXF_DEFINE_MEMBERS(EOrigin, AcDbEntity, 31, 105, 0, EORIGIN,
                        VEMDAPP |Product Desc: A description for your object |Company: Your company name |WEB Address: Your company WEB site address)

const Adesk::UInt32 EOrigin::kCurrentVersionNumber;

namespace {

const double kDegreesToRadians = 0.017453292519943295;  // π/180

// Display proportions, as multiples of the appearance scale s.
const double kArrowLength = 10.0;     // origin to tip
const double kShaftPart = 0.6;        // the zero-width shaft's share of the arrow
const double kHeadWidth = 1.5;        // width where the head starts
const double kNameHeight = 3.0;       // axis name text height
const double kNameGap = 1.05;         // name centre beyond the tip, in arrow lengths
const double kValueHeightPart = 0.6;  // value text height as a share of the name height
const double kValueGapPart = 0.1;     // origin to value text, in arrow lengths
const double kValueShiftPart = 0.2;   // sideways shift of a value, in its own heights

// The piece that takes the entity's properties at each rebuild: the vertical-axis arrow.
const int kPropertyCarrier = 0;

AcGeVector3d worldXRotatedBy(double degrees)
{
    return AcGeVector3d::kXAxis.rotateBy(degrees * kDegreesToRadians, AcGeVector3d::kZAxis);
}

AcGePoint2d inPlan(const AcGePoint3d& point) { return AcGePoint2d(point.x, point.y); }

// The relative origin's coordinate along one axis, measured from the unchanged
// absolute origin: cos(angle from the axis to D) × |D| × n, by the labels' rule, so an
// origin moved along one axis keeps exactly 0 on the other.
double originCoordinate(const AcGeVector3d& axisDir, const AcGeVector3d& offset, double drawingScale)
{
    return projectedCoordinate(axisDir, offset, offset.length(), drawingScale);
}

}  // namespace

EOrigin::EOrigin()
    : m_vOffset(0.0), m_hOffset(0.0), m_drawingScale(0.0), m_appearanceScale(0.0), m_decimals(0), m_subEnts(0, 8)
{
}

EOrigin::EOrigin(AcString vAxisName, AcString hAxisName, double vOffset, double hOffset, AcGePoint3d relOrigin,
                 double vAngle, double hAngle, double drawingScale, double appearanceScale, int decimals,
                 AcDbObjectId textStyleId)
    : m_vAxisName(vAxisName), m_hAxisName(hAxisName), m_vOffset(vOffset), m_hOffset(hOffset),
      m_relOrigin(relOrigin), m_absOrigin(0.0, 0.0, 0.0), m_drawingScale(drawingScale),
      m_appearanceScale(appearanceScale), m_decimals(decimals), m_textStyleId(textStyleId), m_subEnts(0, 8)
{
    m_vAxisDir = worldXRotatedBy(vAngle);
    m_hAxisDir = worldXRotatedBy(hAngle);
    m_absOrigin = m_relOrigin - (m_vAxisDir * m_vOffset + m_hAxisDir * m_hOffset) / m_drawingScale;
    resetSubEnt(0);
}

EOrigin::~EOrigin() { discardSubEntities(m_subEnts); }

// ---- filing ----------------------------------------------------------------------

Acad::ErrorStatus EOrigin::dwgOutFields(AcDbDwgFiler* pFiler) const { return dwgOutRecord(*this, pFiler); }

Acad::ErrorStatus EOrigin::dwgInFields(AcDbDwgFiler* pFiler) { return dwgInRecord(*this, pFiler); }

// ---- display ---------------------------------------------------------------------

void EOrigin::resetSubEnt(int)
{
    discardSubEntities(m_subEnts);
    AcDbPolyline* vArrow = new (std::nothrow) AcDbPolyline(3);
    AcDbPolyline* hArrow = new (std::nothrow) AcDbPolyline(3);
    AcDbMText* vName = new (std::nothrow) AcDbMText();
    AcDbMText* hName = new (std::nothrow) AcDbMText();
    AcDbMText* vValue = new (std::nothrow) AcDbMText();
    AcDbMText* hValue = new (std::nothrow) AcDbMText();
    if (!allSubEntitiesMade({vArrow, hArrow, vName, hName, vValue, hValue}))
        return;
    buildArrow(vArrow, m_vAxisDir);
    buildArrow(hArrow, m_hAxisDir);
    vArrow->setPropertiesFrom(this, true);
    buildAxisName(vName, m_vAxisName, m_vAxisDir);
    buildAxisName(hName, m_hAxisName, m_hAxisDir);
    buildValueTexts(vValue, hValue);
    for (AcDbEntity* piece : {static_cast<AcDbEntity*>(vArrow), static_cast<AcDbEntity*>(hArrow),
                              static_cast<AcDbEntity*>(vName), static_cast<AcDbEntity*>(hName),
                              static_cast<AcDbEntity*>(vValue), static_cast<AcDbEntity*>(hValue)})
        m_subEnts.append(piece);
}

// A zero-width shaft from the origin, then a head narrowing to nothing at the tip; the
// polyline stays in the world XY plane at elevation 0.
void EOrigin::buildArrow(AcDbPolyline* arrow, const AcGeVector3d& axisDir) const
{
    const double s = m_appearanceScale;
    AcGeVector3d arrowVector = axisDir * (kArrowLength * s);
    arrow->addVertexAt(0, inPlan(m_relOrigin), 0.0, 0.0, 0.0);
    arrow->addVertexAt(1, inPlan(m_relOrigin + arrowVector * kShaftPart), 0.0, kHeadWidth * s, 0.0);
    arrow->addVertexAt(2, inPlan(m_relOrigin + arrowVector), 0.0, -1.0, -1.0);
}

// The name is centred beyond the arrow's tip and never rotated; its contents go to the
// text unchanged, so format codes in a name take effect.
void EOrigin::buildAxisName(AcDbMText* name, const AcString& text, const AcGeVector3d& axisDir) const
{
    const double s = m_appearanceScale;
    setUpTextPiece(name, text.kwszPtr(), m_textStyleId, kNameHeight * s);
    name->setLocation(m_relOrigin + axisDir * (kNameGap * kArrowLength * s + kNameHeight * s * 0.5));
}

// Each value sits on the far side of the origin from the other axis's arrow and reads
// along that axis, turned so that it is never upside down.
void EOrigin::buildValueTexts(AcDbMText* vValue, AcDbMText* hValue) const
{
    const double s = m_appearanceScale;
    const Adesk::Int16 decimals = static_cast<Adesk::Int16>(m_decimals);
    const double height = kNameHeight * s * kValueHeightPart;
    const double gap = kArrowLength * s * kValueGapPart;
    setUpTextPiece(vValue, formatFixed(m_vOffset, decimals).kwszPtr(), m_textStyleId, height);
    setUpTextPiece(hValue, formatFixed(m_hOffset, decimals).kwszPtr(), m_textStyleId, height);
    double vWidth, vHeight, hWidth, hHeight;
    measureTextPiece(vValue, vWidth, vHeight);
    measureTextPiece(hValue, hWidth, hHeight);
    vValue->setLocation(m_relOrigin - m_hAxisDir * (0.5 * vWidth + gap) + m_vAxisDir * (kValueShiftPart * vHeight));
    vValue->setRotation(readableRotation(angleFromXAxis(m_hAxisDir)));
    hValue->setLocation(m_relOrigin - m_vAxisDir * (0.5 * hWidth + gap) + m_hAxisDir * (kValueShiftPart * hHeight));
    hValue->setRotation(readableRotation(angleFromXAxis(m_vAxisDir)));
}

// ---- editing ---------------------------------------------------------------------

void EOrigin::recomputeOffsets()
{
    AcGeVector3d offset = m_relOrigin - m_absOrigin;
    m_vOffset = originCoordinate(m_vAxisDir, offset, m_drawingScale);
    m_hOffset = originCoordinate(m_hAxisDir, offset, m_drawingScale);
}

void EOrigin::moveRelativeOrigin(int index, const AcGeVector3d& offset)
{
    if (index != 0)
        return;
    m_relOrigin += offset;
    recomputeOffsets();
}

Acad::ErrorStatus EOrigin::subGetGripPoints(AcGePoint3dArray& gripPoints, AcDbIntArray&, AcDbIntArray&) const
{
    assertReadEnabled();
    gripPoints.append(m_relOrigin);
    return Acad::eOk;
}

Acad::ErrorStatus EOrigin::subGetStretchPoints(AcGePoint3dArray& stretchPoints) const
{
    assertReadEnabled();
    stretchPoints.append(m_relOrigin);
    return Acad::eOk;
}

Acad::ErrorStatus EOrigin::subMoveGripPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    return moveIndexedPoints(*this, indices, offset,
                             [this](int index, const AcGeVector3d& by) { moveRelativeOrigin(index, by); });
}

Acad::ErrorStatus EOrigin::subMoveStretchPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    return subMoveGripPointsAt(indices, offset);
}

// The axes turn, mirror and scale with the entity; the absolute origin and the
// drawing scale stay, so the relative origin's coordinates are measured anew.
Acad::ErrorStatus EOrigin::subTransformBy(const AcGeMatrix3d& xform)
{
    assertWriteEnabled();
    const double factor = xform.scale();
    m_relOrigin.transformBy(xform);
    m_vAxisDir.transformBy(xform).normalize(AcGeContext::gTol);
    m_hAxisDir.transformBy(xform).normalize(AcGeContext::gTol);
    m_appearanceScale *= factor;
    recomputeOffsets();
    resetSubEnt(1);
    return Acad::eOk;
}

// ---- behaviour shared with the other entities -------------------------------------

// The entity base's attributes, which include the entity's visibility: an entity made
// invisible is not drawn.
Adesk::UInt32 EOrigin::subSetAttributes(AcGiDrawableTraits* pTraits)
{
    assertReadEnabled();
    return AcDbEntity::subSetAttributes(pTraits);
}

Adesk::Boolean EOrigin::subWorldDraw(AcGiWorldDraw* pWd)
{
    assertReadEnabled();
    AcDbEntity::subWorldDraw(pWd);
    refreshPropertyCarrier(m_subEnts, kPropertyCarrier, this);
    drawSubEntities(m_subEnts, pWd);
    return true;
}

Acad::ErrorStatus EOrigin::subExplode(AcDbVoidPtrArray& entitySet) const
{
    assertReadEnabled();
    refreshPropertyCarrier(m_subEnts, kPropertyCarrier, this);
    explodeSubEntities(m_subEnts, entitySet);
    return Acad::eOk;
}

Acad::ErrorStatus EOrigin::subGetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker gsSelectionMark,
                                             const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,
                                             const AcGeMatrix3d& viewXform, AcGePoint3dArray& snapPoints,
                                             AcDbIntArray& geomIds) const
{
    assertReadEnabled();
    return collectSnapPoints(m_subEnts, false, osnapMode, gsSelectionMark, pickPoint, lastPoint, viewXform,
                             snapPoints, geomIds);
}

Acad::ErrorStatus EOrigin::GetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker gsSelectionMark,
                                          const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,
                                          const AcGeMatrix3d& viewXform, AcGePoint3dArray& snapPoints,
                                          AcDbIntArray& geomIds) const
{
    return collectSnapPoints(m_subEnts, true, osnapMode, gsSelectionMark, pickPoint, lastPoint, viewXform,
                             snapPoints, geomIds);
}

