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

Acad::ErrorStatus ECoPoint::dwgOutFields(AcDbDwgFiler* pFiler) const
{
    assertReadEnabled();
    Acad::ErrorStatus es;
    if ((es = AcDbEntity::dwgOutFields(pFiler)) != Acad::eOk)
        return es;
    if ((es = pFiler->writeUInt32(kCurrentVersionNumber)) != Acad::eOk)
        return es;
    if ((es = dwgOutString(pFiler, m_vAxisName)) != Acad::eOk)
        return es;
    if ((es = dwgOutString(pFiler, m_hAxisName)) != Acad::eOk)
        return es;
    if ((es = dwgOutVector3d(pFiler, m_vAxisDir)) != Acad::eOk)
        return es;
    if ((es = dwgOutVector3d(pFiler, m_hAxisDir)) != Acad::eOk)
        return es;
    if ((es = dwgOutVector3d(pFiler, m_textDir)) != Acad::eOk)
        return es;
    if ((es = dwgOutPoint3d(pFiler, m_markPoint)) != Acad::eOk)
        return es;
    if ((es = dwgOutPoint3d(pFiler, m_textPoint)) != Acad::eOk)
        return es;
    if ((es = dwgOutPoint3d(pFiler, m_absOrigin)) != Acad::eOk)
        return es;
    if ((es = dwgOutDouble(pFiler, m_drawingScale)) != Acad::eOk)
        return es;
    if ((es = dwgOutDouble(pFiler, m_appearanceScale)) != Acad::eOk)
        return es;
    if ((es = dwgOutInt(pFiler, m_decimals)) != Acad::eOk)
        return es;
    if ((es = dwgOutId(pFiler, m_textStyleId)) != Acad::eOk)
        return es;
    return Acad::eOk;
}

// Each field is read straight into its member: a record that fails part-way leaves
// the earlier members new, the later ones old, and the previous display in place.
Acad::ErrorStatus ECoPoint::dwgInFields(AcDbDwgFiler* pFiler)
{
    assertWriteEnabled();
    Acad::ErrorStatus es;
    if ((es = AcDbEntity::dwgInFields(pFiler)) != Acad::eOk)
        return es;
    Adesk::UInt32 version = 0;
    if ((es = pFiler->readUInt32(&version)) != Acad::eOk)
        return es;
    if (version != kCurrentVersionNumber)
        return Acad::eMakeMeProxy;
    if ((es = dwgInString(pFiler, m_vAxisName)) != Acad::eOk)
        return es;
    if ((es = dwgInString(pFiler, m_hAxisName)) != Acad::eOk)
        return es;
    if ((es = dwgInVector3d(pFiler, m_vAxisDir)) != Acad::eOk)
        return es;
    if ((es = dwgInVector3d(pFiler, m_hAxisDir)) != Acad::eOk)
        return es;
    if ((es = dwgInVector3d(pFiler, m_textDir)) != Acad::eOk)
        return es;
    if ((es = dwgInPoint3d(pFiler, m_markPoint)) != Acad::eOk)
        return es;
    if ((es = dwgInPoint3d(pFiler, m_textPoint)) != Acad::eOk)
        return es;
    if ((es = dwgInPoint3d(pFiler, m_absOrigin)) != Acad::eOk)
        return es;
    if ((es = dwgInDouble(pFiler, m_drawingScale)) != Acad::eOk)
        return es;
    if ((es = dwgInDouble(pFiler, m_appearanceScale)) != Acad::eOk)
        return es;
    if ((es = dwgInInt(pFiler, m_decimals)) != Acad::eOk)
        return es;
    if ((es = dwgInId(pFiler, m_textStyleId)) != Acad::eOk)
        return es;
    resetSubEnt(1);
    return Acad::eOk;
}

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

// The leader, first of the pieces, takes the entity's properties.
VEMD_DEFINE_SUB_ENTITY_CACHE_MEMBERS(ECoPoint, 0)
