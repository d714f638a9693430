// Single-line texts as DXF groups: TEXT, ATTDEF, and the ATTRIB that follows a block
// reference for each of its attributes. An attribute that no reference owns is written
// as the TEXT of its value.
#include <cmath>

#include "dbents.h"
#include "dxf_entities.h"

namespace vemio {

namespace {

constexpr double kRadiansToDegrees = 180.0 / M_PI;
constexpr double kDefaultHeight = 2.5;  // a text with no height and no drawing to ask
// The attribute part's version (280, first of the two): readers that know the lock
// flag (the second 280) tell them apart by their order; older readers pass both by.
constexpr int kAttributeVersion = 0;

bool isFinite(const AcGePoint3d& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }
bool isFinite(const AcGeVector3d& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// Exactly the world z axis: the extrusion DXF leaves out, and the object coordinates
// are then world ones.
bool isWorldZ(const AcGeVector3d& v) { return v.x == 0.0 && v.y == 0.0 && v.z > 0.0; }

// A point in the object coordinates of the plane with this normal (the arbitrary-axis
// rule), as DXF holds a text's points.
AcGePoint3d objectPoint(const AcGePoint3d& pt, const AcGeVector3d& normal)
{
    if (isWorldZ(normal))
        return pt;
    const double kLimit = 1.0 / 64.0;
    const AcGeVector3d n = normal.normal();
    const bool nearZ = std::fabs(n.x) < kLimit && std::fabs(n.y) < kLimit;
    const AcGeVector3d xAxis = (nearZ ? AcGeVector3d::kYAxis : AcGeVector3d::kZAxis).crossProduct(n).normal();
    const AcGeVector3d yAxis = n.crossProduct(xAxis).normal();
    const AcGeVector3d v = pt.asVector();
    return AcGePoint3d(v.dotProduct(xAxis), v.dotProduct(yAxis), v.dotProduct(n));
}

bool isWritable(const AcDbText& text)
{
    return isFinite(text.position()) && isFinite(text.alignmentPoint()) && isFinite(text.normal()) &&
           !text.normal().isZeroLength() && std::isfinite(text.height()) && std::isfinite(text.rotation()) &&
           std::isfinite(text.widthFactor()) && std::isfinite(text.oblique()) && std::isfinite(text.thickness());
}

// The height a resident text holds; one not given any yet shows the drawing's TEXTSIZE.
double writtenHeight(const AcDbText& text)
{
    if (text.height() > 0.0)
        return text.height();
    return text.database() != nullptr ? text.database()->textsize() : kDefaultHeight;
}

int generationFlags(const AcDbText& text) { return (text.isMirroredInX() ? 2 : 0) | (text.isMirroredInY() ? 4 : 0); }

int attributeFlags(bool invisible, bool constant, bool verifiable, bool preset)
{
    return (invisible ? 1 : 0) | (constant ? 2 : 0) | (verifiable ? 4 : 0) | (preset ? 8 : 0);
}

}  // namespace

bool DxfEntityWriter::textFamily(const AcDbText& ent, const Target& target)
{
    if (const AcDbAttributeDefinition* def = AcDbAttributeDefinition::cast(&ent))
        return attdef(*def, target);
    if (const AcDbAttribute* attribute = AcDbAttribute::cast(&ent)) {
        DxfProperties props = target.props;
        props.invisible = props.invisible || attribute->isInvisible();
        return text(ent, Target{target.handle, props});
    }
    return text(ent, target);
}

bool DxfEntityWriter::text(const AcDbText& text, const Target& target)
{
    if (!isWritable(text))
        return false;
    common("TEXT", target);
    textGroups(text, text.textStringConst());
    m_out.str(100, "AcDbText");
    m_out.integer(73, text.verticalMode());
    return true;
}

bool DxfEntityWriter::attdef(const AcDbAttributeDefinition& def, const Target& target)
{
    if (!isWritable(def))
        return false;
    common("ATTDEF", target);
    textGroups(def, def.textStringConst());
    m_out.str(100, "AcDbAttributeDefinition");
    m_out.integer(280, kAttributeVersion);
    m_out.text(3, def.promptConst());
    m_out.text(2, def.tagConst());
    m_out.integer(70, attributeFlags(def.isInvisible(), def.isConstant(), def.isVerifiable(), def.isPreset()));
    m_out.integer(73, def.fieldLength());
    m_out.integer(74, def.verticalMode());
    m_out.integer(280, def.lockPositionInBlock() ? 1 : 0);
    return true;
}

bool DxfEntityWriter::attrib(const AcDbAttribute& attribute, const Target& target)
{
    if (!isWritable(attribute))
        return false;
    common("ATTRIB", target);
    textGroups(attribute, attribute.textStringConst());
    m_out.str(100, "AcDbAttribute");
    m_out.integer(280, kAttributeVersion);
    m_out.text(2, attribute.tagConst());
    m_out.integer(70, attributeFlags(attribute.isInvisible(), attribute.isConstant(), attribute.isVerifiable(),
                                     attribute.isPreset()));
    m_out.integer(73, attribute.fieldLength());
    m_out.integer(74, attribute.verticalMode());
    m_out.integer(280, attribute.lockPositionInBlock() ? 1 : 0);
    return true;
}

// The AcDbText part every one of them has: the points in object coordinates (the
// second only when the justification places the text by it), height, the string,
// rotation, width factor and oblique angle in degrees, style, mirroring and the
// horizontal justification.
void DxfEntityWriter::textGroups(const AcDbText& text, std::wstring_view string)
{
    const AcGeVector3d normal = text.normal();
    m_out.str(100, "AcDbText");
    if (text.thickness() != 0.0)
        m_out.real(39, text.thickness());
    m_out.point(10, objectPoint(text.position(), normal));
    m_out.real(40, writtenHeight(text));
    m_out.text(1, string);
    m_out.real(50, text.rotation() * kRadiansToDegrees);
    m_out.real(41, text.widthFactor());
    m_out.real(51, text.oblique() * kRadiansToDegrees);
    m_out.str(7, m_symbols.textStyleName(text.textStyle()));
    m_out.integer(71, generationFlags(text));
    m_out.integer(72, text.horizontalMode());
    if (!text.isDefaultAlignment())
        m_out.point(11, objectPoint(text.alignmentPoint(), normal));
    if (!isWorldZ(normal))
        m_out.vector(210, normal);
    if (m_trackExtents) {
        AcDbExtents ext;
        if (text.getGeomExtents(ext) == Acad::eOk && !ext.isEmpty()) {
            widen(ext.minPoint());
            widen(ext.maxPoint());
        }
    }
}

}  // namespace vemio
