// The fault-injecting filer: passes every operation to the filer it wraps except the
// chosen one, which fails without reaching it, so tests can prove that an object's
// filing stops cleanly at any point of its record.
#include "acrt_assert.h"
#include "vemhost_testing.h"

namespace vemhost::testing {

FaultFiler::FaultFiler(AcDbDwgFiler& inner, long failAt, Acad::ErrorStatus status)
    : m_inner(inner), m_failAt(failAt), m_status(status)
{
    ACRT_ASSERT(status != Acad::eOk, "FaultFiler: the injected status must be a failure");
}

FaultFiler::~FaultFiler() = default;

bool FaultFiler::failsNow()
{
    ++m_count;
    if (m_failAt > 0 && m_count == m_failAt)
        m_failed = true;
    return m_failed;
}

Acad::ErrorStatus FaultFiler::filerStatus() const
{
    return m_failed ? m_status : m_inner.filerStatus();
}

// Setting eOk clears the injected failure as resetFilerStatus does; any status is also
// set on the inner filer, which then answers for the wrapper.
void FaultFiler::setFilerStatus(Acad::ErrorStatus es)
{
    if (es == Acad::eOk)
        m_failed = false;
    m_inner.setFilerStatus(es);
}

// The operation count goes on, so an injected failure does not fire twice.
void FaultFiler::resetFilerStatus()
{
    m_failed = false;
    m_inner.resetFilerStatus();
}

// ---- every operation: counted, then failed or passed through ---------------------------

Acad::ErrorStatus FaultFiler::readHardOwnershipId(AcDbHardOwnershipId* pId)
{
    return failsNow() ? m_status : m_inner.readHardOwnershipId(pId);
}

Acad::ErrorStatus FaultFiler::writeHardOwnershipId(const AcDbHardOwnershipId& id)
{
    return failsNow() ? m_status : m_inner.writeHardOwnershipId(id);
}

Acad::ErrorStatus FaultFiler::readSoftOwnershipId(AcDbSoftOwnershipId* pId)
{
    return failsNow() ? m_status : m_inner.readSoftOwnershipId(pId);
}

Acad::ErrorStatus FaultFiler::writeSoftOwnershipId(const AcDbSoftOwnershipId& id)
{
    return failsNow() ? m_status : m_inner.writeSoftOwnershipId(id);
}

Acad::ErrorStatus FaultFiler::readHardPointerId(AcDbHardPointerId* pId)
{
    return failsNow() ? m_status : m_inner.readHardPointerId(pId);
}

Acad::ErrorStatus FaultFiler::writeHardPointerId(const AcDbHardPointerId& id)
{
    return failsNow() ? m_status : m_inner.writeHardPointerId(id);
}

Acad::ErrorStatus FaultFiler::readSoftPointerId(AcDbSoftPointerId* pId)
{
    return failsNow() ? m_status : m_inner.readSoftPointerId(pId);
}

Acad::ErrorStatus FaultFiler::writeSoftPointerId(const AcDbSoftPointerId& id)
{
    return failsNow() ? m_status : m_inner.writeSoftPointerId(id);
}

Acad::ErrorStatus FaultFiler::readInt8(Adesk::Int8* pVal)
{
    return failsNow() ? m_status : m_inner.readInt8(pVal);
}

Acad::ErrorStatus FaultFiler::writeInt8(Adesk::Int8 val)
{
    return failsNow() ? m_status : m_inner.writeInt8(val);
}

Acad::ErrorStatus FaultFiler::readString(ACHAR** pVal)
{
    return failsNow() ? m_status : m_inner.readString(pVal);
}

Acad::ErrorStatus FaultFiler::writeString(const ACHAR* pVal)
{
    return failsNow() ? m_status : m_inner.writeString(pVal);
}

Acad::ErrorStatus FaultFiler::readString(AcString& val)
{
    return failsNow() ? m_status : m_inner.readString(val);
}

Acad::ErrorStatus FaultFiler::writeString(const AcString& pVal)
{
    return failsNow() ? m_status : m_inner.writeString(pVal);
}

Acad::ErrorStatus FaultFiler::readBChunk(ads_binary* pVal)
{
    return failsNow() ? m_status : m_inner.readBChunk(pVal);
}

Acad::ErrorStatus FaultFiler::writeBChunk(const ads_binary& val)
{
    return failsNow() ? m_status : m_inner.writeBChunk(val);
}

Acad::ErrorStatus FaultFiler::readAcDbHandle(AcDbHandle* pVal)
{
    return failsNow() ? m_status : m_inner.readAcDbHandle(pVal);
}

Acad::ErrorStatus FaultFiler::writeAcDbHandle(const AcDbHandle& val)
{
    return failsNow() ? m_status : m_inner.writeAcDbHandle(val);
}

Acad::ErrorStatus FaultFiler::readInt64(Adesk::Int64* pVal)
{
    return failsNow() ? m_status : m_inner.readInt64(pVal);
}

Acad::ErrorStatus FaultFiler::writeInt64(Adesk::Int64 val)
{
    return failsNow() ? m_status : m_inner.writeInt64(val);
}

Acad::ErrorStatus FaultFiler::readInt32(Adesk::Int32* pVal)
{
    return failsNow() ? m_status : m_inner.readInt32(pVal);
}

Acad::ErrorStatus FaultFiler::writeInt32(Adesk::Int32 val)
{
    return failsNow() ? m_status : m_inner.writeInt32(val);
}

Acad::ErrorStatus FaultFiler::readInt16(Adesk::Int16* pVal)
{
    return failsNow() ? m_status : m_inner.readInt16(pVal);
}

Acad::ErrorStatus FaultFiler::writeInt16(Adesk::Int16 val)
{
    return failsNow() ? m_status : m_inner.writeInt16(val);
}

Acad::ErrorStatus FaultFiler::readUInt64(Adesk::UInt64* pVal)
{
    return failsNow() ? m_status : m_inner.readUInt64(pVal);
}

Acad::ErrorStatus FaultFiler::writeUInt64(Adesk::UInt64 val)
{
    return failsNow() ? m_status : m_inner.writeUInt64(val);
}

Acad::ErrorStatus FaultFiler::readUInt32(Adesk::UInt32* pVal)
{
    return failsNow() ? m_status : m_inner.readUInt32(pVal);
}

Acad::ErrorStatus FaultFiler::writeUInt32(Adesk::UInt32 val)
{
    return failsNow() ? m_status : m_inner.writeUInt32(val);
}

Acad::ErrorStatus FaultFiler::readUInt16(Adesk::UInt16* pVal)
{
    return failsNow() ? m_status : m_inner.readUInt16(pVal);
}

Acad::ErrorStatus FaultFiler::writeUInt16(Adesk::UInt16 val)
{
    return failsNow() ? m_status : m_inner.writeUInt16(val);
}

Acad::ErrorStatus FaultFiler::readUInt8(Adesk::UInt8* pVal)
{
    return failsNow() ? m_status : m_inner.readUInt8(pVal);
}

Acad::ErrorStatus FaultFiler::writeUInt8(Adesk::UInt8 val)
{
    return failsNow() ? m_status : m_inner.writeUInt8(val);
}

Acad::ErrorStatus FaultFiler::readBoolean(Adesk::Boolean* pVal)
{
    return failsNow() ? m_status : m_inner.readBoolean(pVal);
}

Acad::ErrorStatus FaultFiler::writeBoolean(Adesk::Boolean val)
{
    return failsNow() ? m_status : m_inner.writeBoolean(val);
}

Acad::ErrorStatus FaultFiler::readBool(bool* pVal)
{
    return failsNow() ? m_status : m_inner.readBool(pVal);
}

Acad::ErrorStatus FaultFiler::writeBool(bool val)
{
    return failsNow() ? m_status : m_inner.writeBool(val);
}

Acad::ErrorStatus FaultFiler::readDouble(double* pVal)
{
    return failsNow() ? m_status : m_inner.readDouble(pVal);
}

Acad::ErrorStatus FaultFiler::writeDouble(double val)
{
    return failsNow() ? m_status : m_inner.writeDouble(val);
}

Acad::ErrorStatus FaultFiler::readPoint2d(AcGePoint2d* pVal)
{
    return failsNow() ? m_status : m_inner.readPoint2d(pVal);
}

Acad::ErrorStatus FaultFiler::writePoint2d(const AcGePoint2d& val)
{
    return failsNow() ? m_status : m_inner.writePoint2d(val);
}

Acad::ErrorStatus FaultFiler::readPoint3d(AcGePoint3d* pVal)
{
    return failsNow() ? m_status : m_inner.readPoint3d(pVal);
}

Acad::ErrorStatus FaultFiler::writePoint3d(const AcGePoint3d& val)
{
    return failsNow() ? m_status : m_inner.writePoint3d(val);
}

Acad::ErrorStatus FaultFiler::readVector2d(AcGeVector2d* pVal)
{
    return failsNow() ? m_status : m_inner.readVector2d(pVal);
}

Acad::ErrorStatus FaultFiler::writeVector2d(const AcGeVector2d& val)
{
    return failsNow() ? m_status : m_inner.writeVector2d(val);
}

Acad::ErrorStatus FaultFiler::readVector3d(AcGeVector3d* pVal)
{
    return failsNow() ? m_status : m_inner.readVector3d(pVal);
}

Acad::ErrorStatus FaultFiler::writeVector3d(const AcGeVector3d& val)
{
    return failsNow() ? m_status : m_inner.writeVector3d(val);
}

Acad::ErrorStatus FaultFiler::readBytes(void* pDest, Adesk::UIntPtr nBytes)
{
    return failsNow() ? m_status : m_inner.readBytes(pDest, nBytes);
}

Acad::ErrorStatus FaultFiler::writeBytes(const void* pSrc, Adesk::UIntPtr nBytes)
{
    return failsNow() ? m_status : m_inner.writeBytes(pSrc, nBytes);
}

Acad::ErrorStatus FaultFiler::readAddress(void** pVal)
{
    return failsNow() ? m_status : m_inner.readAddress(pVal);
}

Acad::ErrorStatus FaultFiler::writeAddress(const void* pVal)
{
    return failsNow() ? m_status : m_inner.writeAddress(pVal);
}

Acad::ErrorStatus FaultFiler::seek(Adesk::Int64 nOffset, int nMethod)
{
    return failsNow() ? m_status : m_inner.seek(nOffset, nMethod);
}

}  // namespace vemhost::testing
