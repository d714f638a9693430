// The host's block reference: its block, position, scales, rotation and normal, filed
// with checks, the block transform they make and its edits (transforms that keep it a
// placement, grips and stretch at the position), and its listing.
#include <cmath>

#include "block_attributes.h"
#include "block_contents.h"
#include "block_placement.h"
#include "circular_arcs.h"
#include "circular_frame.h"
#include "db_internals.h"
#include "dbents.h"
#include "list_output.h"
#include "rx_runtime_class.h"

ACRT_DEFINE_CLASS(AcDbBlockReference, AcDbEntity, "INSERT");

using acrt::pointText;
using acrt::printEntityHeader;
using acrt::printListLine;

namespace {

const Adesk::UInt8 kReferenceVersion = 1;

bool isFinite(const AcGePoint3d& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

const AcDbBlockTableRecord* peekBlock(AcDbObjectId id)
{
    AcDbObject* obj = id.isNull() ? nullptr : AcDbSystemInternals::peek(id);
    return obj != nullptr ? AcDbBlockTableRecord::cast(obj) : nullptr;
}

// The block's origin; the world's origin for a reference without a block.
AcGePoint3d originOf(AcDbObjectId block)
{
    const AcDbBlockTableRecord* btr = peekBlock(block);
    return btr != nullptr ? AcDbSystemInternals::blockOrigin(btr) : AcGePoint3d::kOrigin;
}

}  // namespace

AcDbObjectId AcDbSystemInternals::referencedBlock(const AcDbBlockReference* ref) { return ref->m_blockRecord; }

AcDbBlockReference::AcDbBlockReference() = default;

AcDbBlockReference::AcDbBlockReference(const AcGePoint3d& position, AcDbObjectId blockTableRec)
    : m_blockRecord(blockTableRec), m_position(position)
{
}

AcDbBlockReference::~AcDbBlockReference()
{
    for (AcDbAttribute* attribute : m_held)
        delete attribute;
}

// The host accepts a record it cannot show itself; here the id must name a block
// record or nothing.
Acad::ErrorStatus AcDbBlockReference::setBlockTableRecord(AcDbObjectId newVal)
{
    if (!newVal.isNull() && peekBlock(newVal) == nullptr)
        return Acad::eWrongObjectType;
    if (!newVal.isNull() && (peekBlock(newVal)->isLayout() ||
                             (!ownerId().isNull() && acrt::wouldShowItself(newVal, ownerId()))))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_blockRecord = newVal;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockReference::setPosition(const AcGePoint3d& newVal)
{
    if (!isFinite(newVal))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_position = newVal;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockReference::setScaleFactors(const AcGeScale3d& scale)
{
    if (!acrt::isUsableScale(scale))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_scale = scale;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockReference::setRotation(double newVal)
{
    if (!std::isfinite(newVal))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_rotation = acrt::normalizedAngle(newVal);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockReference::setNormal(const AcGeVector3d& newVal)
{
    if (!acrt::isUsableNormal(newVal))
        return Acad::eInvalidInput;
    assertWriteEnabled();
    m_normal = newVal.normal();
    return Acad::eOk;
}

AcGeMatrix3d AcDbBlockReference::blockTransform() const
{
    assertReadEnabled();
    return acrt::placementMatrix({m_position, m_normal, m_rotation, m_scale}, originOf(m_blockRecord));
}

Acad::ErrorStatus AcDbBlockReference::setBlockTransform(const AcGeMatrix3d& newVal)
{
    acrt::BlockPlacement placed;
    if (!acrt::placementOfMatrix(newVal, originOf(m_blockRecord), placed))
        return Acad::eCannotScaleNonUniformly;
    assertWriteEnabled();
    m_position = placed.position;
    m_normal = placed.normal;
    m_rotation = placed.rotation;
    m_scale = placed.scale;
    return Acad::eOk;
}

// Whatever keeps the block's axes perpendicular is taken: a scale along them, a
// mirror (a negative X scale), any rotation; shear is refused as the host does. The
// attributes go with the reference, unequal scales and all.
Acad::ErrorStatus AcDbBlockReference::subTransformBy(const AcGeMatrix3d& xform)
{
    acrt::BlockPlacement placed;
    if (!acrt::transformedPlacement({m_position, m_normal, m_rotation, m_scale}, xform, placed))
        return Acad::eCannotScaleNonUniformly;
    assertWriteEnabled();
    m_position = placed.position;
    m_normal = placed.normal;
    m_rotation = placed.rotation;
    m_scale = placed.scale;
    forEachAttribute(AcDb::kForWrite, [&](AcDbAttribute& attribute) { attribute.setAttributeFromBlock(xform); });
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockReference::dwgOutFields(AcDbDwgFiler* pFiler) const
{
    assertReadEnabled();
    Acad::ErrorStatus es = AcDbEntity::dwgOutFields(pFiler);
    if (es != Acad::eOk)
        return es;
    pFiler->writeUInt8(kReferenceVersion);
    pFiler->writeHardPointerId(m_blockRecord);
    pFiler->writePoint3d(m_position);
    pFiler->writeDouble(m_scale.sx);
    pFiler->writeDouble(m_scale.sy);
    pFiler->writeDouble(m_scale.sz);
    pFiler->writeDouble(m_rotation);
    pFiler->writeVector3d(m_normal);
    if (pFiler->filerStatus() != Acad::eOk)
        return pFiler->filerStatus();
    if (pFiler->filerType() == AcDb::kCopyFiler)
        return writeHeldAttributes(pFiler);
    return acrt::writeIdList(pFiler, m_attributes, pFiler->filerType() == AcDb::kFileFiler);
}

// Reads into locals first, so a failed read leaves the reference as it was; values a
// reference cannot hold are damage. A copy's record gives copies of the attributes,
// which a reference not in a database holds (one in a database keeps its own).
Acad::ErrorStatus AcDbBlockReference::dwgInFields(AcDbDwgFiler* pFiler)
{
    assertWriteEnabled();
    Acad::ErrorStatus es = AcDbEntity::dwgInFields(pFiler);
    if (es != Acad::eOk)
        return es;
    Adesk::UInt8 version = 0;
    AcDbHardPointerId block;
    AcGePoint3d position;
    AcGeScale3d scale;
    double rotation = 0.0;
    AcGeVector3d normal;
    std::vector<AcDbObjectId> attributes;
    std::vector<AcDbAttribute*> held;
    if ((es = pFiler->readUInt8(&version)) != Acad::eOk)
        return es;
    if (version != kReferenceVersion)
        return Acad::eMakeMeProxy;
    es = pFiler->readHardPointerId(&block);
    if (es == Acad::eOk)
        es = pFiler->readPoint3d(&position);
    for (unsigned i = 0; i < 3 && es == Acad::eOk; ++i)
        es = pFiler->readDouble(&scale[i]);
    if (es == Acad::eOk)
        es = pFiler->readDouble(&rotation);
    if (es == Acad::eOk)
        es = pFiler->readVector3d(&normal);
    const bool copy = pFiler->filerType() == AcDb::kCopyFiler;
    if (es == Acad::eOk)
        es = copy ? readHeldAttributes(pFiler, held) : acrt::readIdList(pFiler, attributes);
    if (es == Acad::eOk && (!isFinite(position) || !acrt::isUsableScale(scale) ||
                            !(rotation >= 0.0 && rotation < acrt::kTwoPi) || !acrt::isUsableNormal(normal)))
        es = Acad::eFilerError;
    if (es != Acad::eOk || (copy && isDatabaseResident())) {
        for (AcDbAttribute* attribute : held)
            delete attribute;
        if (es != Acad::eOk)
            return es;
        held.clear();
        attributes = m_attributes;
    }
    m_blockRecord = block;
    m_position = position;
    m_scale = scale;
    m_rotation = rotation;
    m_normal = acrt::unitNormalOf(normal);
    m_attributes.swap(attributes);
    m_held.swap(held);
    for (AcDbAttribute* attribute : held)
        delete attribute;
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockReference::subGetGripPoints(AcGePoint3dArray& gripPoints, AcDbIntArray& /*osnapModes*/,
                                                       AcDbIntArray& /*geomIds*/) const
{
    assertReadEnabled();
    gripPoints.append(m_position);
    return Acad::eOk;
}

// The one grip and the one stretch point are the position: the reference moves whole.
Acad::ErrorStatus AcDbBlockReference::subMoveGripPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    return subMoveStretchPointsAt(indices, offset);
}

Acad::ErrorStatus AcDbBlockReference::subGetStretchPoints(AcGePoint3dArray& stretchPoints) const
{
    assertReadEnabled();
    stretchPoints.append(m_position);
    return Acad::eOk;
}

Acad::ErrorStatus AcDbBlockReference::subMoveStretchPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset)
{
    for (int index : indices)
        if (index != 0)
            return Acad::eInvalidIndex;
    if (indices.isEmpty())
        return Acad::eOk;
    return transformBy(AcGeMatrix3d::translation(offset));
}

void AcDbBlockReference::subList() const
{
    assertReadEnabled();
    printEntityHeader(L"BLOCK REFERENCE", *this);
    AcString name;
    if (const AcDbBlockTableRecord* btr = peekBlock(m_blockRecord))
        btr->getName(name);
    printListLine(AcString(L"  Block Name: \"") + name + L"\"");
    printListLine(AcString(L"  at point, ") + pointText(m_position));
    AcString text;
    text.format(L"  X scale factor: %.4f", m_scale.sx);
    printListLine(text);
    text.format(L"  Y scale factor: %.4f", m_scale.sy);
    printListLine(text);
    text.format(L"  rotation angle: %.4f", m_rotation * 180.0 / M_PI);
    printListLine(text);
    text.format(L"  Z scale factor: %.4f", m_scale.sz);
    printListLine(text);
    if (!m_normal.isCodirectionalTo(AcGeVector3d::kZAxis))
        printListLine(AcString(L"  Extrusion direction relative to UCS: ") +
                      pointText(AcGePoint3d::kOrigin + m_normal));
    forEachAttribute(AcDb::kForRead, [](AcDbAttribute& attribute) { attribute.list(); });
}
