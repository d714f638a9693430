// ECoPoint: construction, filing, the leader-underline-texts display and its editing.
#include "eco_point.h"

#include <new>

#include "coordinate_rule.h"
#include "dbents.h"
#include "dbmtext.h"
#include "text_piece.h"

ACRX_DXF_DEFINE_MEMBERS(ECoPoint, AcDbEntity, 31, 105, 0, ECOPOINT,
                        VEMDAPP |Product Desc: A description for your object |Company: Your company name |WEB Address: Your company WEB site address)

const Adesk::UInt32 ECoPoint::kCurrentVersionNumber;

namespace {
const double kTextHeight = 3.0;        // text height, in appearance scales
const double kTextOffsetPart = 0.6;    // underline to text centre, in measured text heights
const double kQuarterTurn = 1.5707963267948966;
const int kPropertyCarrier = 0;        // the leader takes the entity's properties
}  // namespace

ECoPoint::ECoPoint() : m_drawingScale(0.0), m_appearanceScale(0.0), m_decimals(0), m_subEnts(0, 8) {}

ECoPoint::ECoPoint(AcString vAxisName, AcString hAxisName, AcGePoint3d markPoint, AcGePoint3d textPoint,
                   AcGePoint3d absOrigin, AcGeVector3d vAxisDir, AcGeVector3d hAxisDir, AcGeVector3d textDir,
                   double drawingScale, double appearanceScale, int decimals, AcDbObjectId textStyleId)
    : m_markPoint(markPoint), m_textPoint(textPoint), m_absOrigin(absOrigin), m_vAxisDir(vAxisDir),
      m_hAxisDir(hAxisDir), m_textDir(textDir), m_vAxisName(vAxisName), m_hAxisName(hAxisName),
      m_drawingScale(drawingScale), m_appearanceScale(appearanceScale), m_decimals(decimals),
      m_textStyleId(textStyleId), m_subEnts(0, 8)
{
    resetSubEnt(0);
}

ECoPoint::~ECoPoint() { discardSubEntities(m_subEnts); }

// ---- filing: names, directions, points, numbers (not the declaration order) -------

Acad::ErrorStatus ECoPoint::dwgOutFields(AcDbDwgFiler* pFiler) const { return dwgOutRecord(*this, pFiler); }

Acad::ErrorStatus ECoPoint::dwgInFields(AcDbDwgFiler* pFiler) { return dwgInRecord(*this, pFiler); }

// ---- display ---------------------------------------------------------------------

void ECoPoint::resetSubEnt(int mode)
{
    if (mode == 1)
        discardSubEntities(m_subEnts);
    AcDbLine* leader = new (std::nothrow) AcDbLine();
    AcDbLine* underline = new (std::nothrow) AcDbLine();
    AcDbMText* upper = new (std::nothrow) AcDbMText();
    AcDbMText* lower = new (std::nothrow) AcDbMText();
    if (!allSubEntitiesMade({leader, underline, upper, lower}))
        return;
    layOut(leader, underline, upper, lower);
    m_subEnts.append(leader);
    m_subEnts.append(underline);
    m_subEnts.append(upper);
    m_subEnts.append(lower);
}

// The coordinate of the marked point along the axis.
double ECoPoint::axisValue(const AcGeVector3d& axisDir) const
{
    return coordinateValue(m_markPoint, m_absOrigin, axisDir, m_drawingScale);
}

// The underline is as long as the wider text; both texts are centred on its middle,
// the vertical one on the left-hand side of the reading direction, and turned so
// that they never read upside down.
void ECoPoint::layOut(AcDbLine* leader, AcDbLine* underline, AcDbMText* upper, AcDbMText* lower) const
{
    const double height = kTextHeight * m_appearanceScale;
    const Adesk::Int16 decimals = static_cast<Adesk::Int16>(m_decimals);
    setUpTextPiece(upper, CoordinateText(m_vAxisName, axisValue(m_vAxisDir), decimals).text(), m_textStyleId, height);
    setUpTextPiece(lower, CoordinateText(m_hAxisName, axisValue(m_hAxisDir), decimals).text(), m_textStyleId, height);
    double upperWidth, upperHeight, lowerWidth, lowerHeight;
    measureTextPiece(upper, upperWidth, upperHeight);
    measureTextPiece(lower, lowerWidth, lowerHeight);
    const double length = upperWidth > lowerWidth ? upperWidth : lowerWidth;

    leader->setStartPoint(m_markPoint);
    leader->setEndPoint(m_textPoint);
    leader->setPropertiesFrom(this, true);
    underline->setStartPoint(m_textPoint);
    underline->setEndPoint(m_textPoint + m_textDir * length);

    const double theta = angleFromXAxis(m_textDir);
    AcGeVector3d up = m_textDir.rotateBy(kQuarterTurn, AcGeVector3d::kZAxis);
    if (readsAgainstDirection(theta))
        up = -up;
    const AcGePoint3d middle = m_textPoint + m_textDir * (0.5 * length);
    upper->setLocation(middle + up * (kTextOffsetPart * upperHeight));
    lower->setLocation(middle - up * (kTextOffsetPart * lowerHeight));
    const double rotation = readableRotation(theta);
    upper->setRotation(rotation);
    lower->setRotation(rotation);
}

// ---- editing ---------------------------------------------------------------------

void ECoPoint::movePoint(int index, const AcGeVector3d& offset)
{
    if (index == 0)
        m_markPoint += offset;
    else if (index == 1)
        m_textPoint += offset;
}

Acad::ErrorStatus ECoPoint::subGetGripPoints(AcGePoint3dArray& gripPoints, AcDbIntArray&, AcDbIntArray&) const
{
    assertReadEnabled();
    appendLabelPoints(m_markPoint, m_textPoint, gripPoints);
    return Acad::eOk;
}

Acad::ErrorStatus ECoPoint::subGetStretchPoints(AcGePoint3dArray& stretchPoints) const
{
    assertReadEnabled();
    appendLabelPoints(m_markPoint, m_textPoint, stretchPoints);
    return Acad::eOk;
}

Acad::ErrorStatus ECoPoint::subMoveGripPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    return moveIndexedPoints(*this, indices, offset,
                             [this](int index, const AcGeVector3d& by) { movePoint(index, by); });
}

Acad::ErrorStatus ECoPoint::subMoveStretchPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    return subMoveGripPointsAt(indices, offset);
}

// The points and the text direction follow the transformation; the copied coordinate
// system does not, so the label measures its new place in the same system.
Acad::ErrorStatus ECoPoint::subTransformBy(const AcGeMatrix3d& xform)
{
    assertWriteEnabled();
    const double factor = xform.scale();
    m_markPoint.transformBy(xform);
    m_textPoint.transformBy(xform);
    m_textDir.transformBy(xform).normalize(AcGeContext::gTol);
    m_appearanceScale *= factor;
    resetSubEnt(1);
    return Acad::eOk;
}

// ---- behaviour shared with the other entities -------------------------------------

// The entity base's attributes, which include the entity's visibility: an entity made
// invisible is not drawn.
Adesk::UInt32 ECoPoint::subSetAttributes(AcGiDrawableTraits* pTraits)
{
    assertReadEnabled();
    return AcDbEntity::subSetAttributes(pTraits);
}

Adesk::Boolean ECoPoint::subWorldDraw(AcGiWorldDraw* pWd)
{
    assertReadEnabled();
    AcDbEntity::subWorldDraw(pWd);
    refreshPropertyCarrier(m_subEnts, kPropertyCarrier, this);
    drawSubEntities(m_subEnts, pWd);
    return true;
}

Acad::ErrorStatus ECoPoint::subExplode(AcDbVoidPtrArray& entitySet) const
{
    assertReadEnabled();
    refreshPropertyCarrier(m_subEnts, kPropertyCarrier, this);
    explodeSubEntities(m_subEnts, entitySet);
    return Acad::eOk;
}

Acad::ErrorStatus ECoPoint::subGetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker gsSelectionMark,
                                              const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,
                                              const AcGeMatrix3d& viewXform, AcGePoint3dArray& snapPoints,
                                              AcDbIntArray& geomIds) const
{
    assertReadEnabled();
    return collectSnapPoints(m_subEnts, false, osnapMode, gsSelectionMark, pickPoint, lastPoint, viewXform,
                             snapPoints, geomIds);
}

Acad::ErrorStatus ECoPoint::GetOsnapPoints(AcDb::OsnapMode osnapMode, Adesk::GsMarker gsSelectionMark,
                                           const AcGePoint3d& pickPoint, const AcGePoint3d& lastPoint,
                                           const AcGeMatrix3d& viewXform, AcGePoint3dArray& snapPoints,
                                           AcDbIntArray& geomIds) const
{
    return collectSnapPoints(m_subEnts, true, osnapMode, gsSelectionMark, pickPoint, lastPoint, viewXform,
                             snapPoints, geomIds);
}

