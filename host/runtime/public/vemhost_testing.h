// What the tests (and benchmarks) reach of the runtime beyond what a front end does:
// object and editor accounting, assertions that throw, the filer and the appends and
// opens that fail on purpose, and resetForTest, which puts every setting of the
// runtime's editor back as a new program has it. Includes what a front end and io reach.
#pragma once

#include <string>
#include <vector>

#include "vemhost_io.h"
#include "vemhost_program.h"

namespace vemhost {
namespace testing {

// ---- assertions -----------------------------------------------------------------
// The host's invariant checks report file, line and message. When throwing is on (as
// in tests) a failed check throws AssertionFailure; otherwise it prints and aborts.
struct AssertionFailure {
    std::string message;
};
ACRT_PORT void setAssertionsThrow(bool enabled);
ACRT_PORT bool assertionsThrow();

// ---- objects ----------------------------------------------------------------------
// Number of database objects alive in the process (resident or not).
ACRT_PORT long liveObjectCount();
// Bytes of the host's object heap held by live database objects (their size classes).
ACRT_PORT std::size_t objectHeapBytesInUse();
// Number of resident objects currently open (in any mode) in a database.
ACRT_PORT long openObjectCount(const AcDbDatabase* db);

// ---- editor accounting ------------------------------------------------------------
ACRT_PORT long openSelectionSetCount();
ACRT_PORT long displayUpdateCount();
ACRT_PORT long graphicsFlushCount();
ACRT_PORT const std::vector<std::wstring>& messageBoxTexts();
ACRT_PORT void clearEditorCounters();

// ---- fault injection (tests only) -----------------------------------------------------
// The n-th appendAcDbEntity from now on (counting from 1) fails with es, once, before
// anything is changed; 0 or less disarms. Pending: armed and not fired yet.
ACRT_PORT void failAppendAfter(int n, Acad::ErrorStatus es = Acad::eOutOfMemory);
ACRT_PORT bool appendFailurePending();
// The same for opens by id (acdbOpenAcDbObject, acdbOpenAcDbEntity, acdbOpenObject and
// the symbol tables' opens of their records).
ACRT_PORT void failOpenAfter(int n, Acad::ErrorStatus es = Acad::eOutOfMemory);
ACRT_PORT bool openFailurePending();

// Wraps another filer and fails its N-th operation (counting from 1, reads, writes and
// seeks alike; 0 or less never) with a chosen status, without reaching the inner filer.
// The failure is sticky like MemoryFiler's: later operations return it at once
// until resetFilerStatus (or setFilerStatus(eOk)).
class ACRT_PORT FaultFiler : public AcDbDwgFiler {
public:
    FaultFiler(AcDbDwgFiler& inner, long failAt, Acad::ErrorStatus status = Acad::eFilerError);
    ~FaultFiler() override;
    // Operations seen so far, failed ones included.
    long operationCount() const { return m_count; }
    // True while the injected failure is in force.
    bool hasFailed() const { return m_failed; }

    Acad::ErrorStatus filerStatus() const override;
    AcDb::FilerType filerType() const override { return m_inner.filerType(); }
    void setFilerStatus(Acad::ErrorStatus es) override;
    void resetFilerStatus() override;
    AcDbDatabase* database() const override { return m_inner.database(); }

    Acad::ErrorStatus readHardOwnershipId(AcDbHardOwnershipId* pId) override;
    Acad::ErrorStatus writeHardOwnershipId(const AcDbHardOwnershipId& id) override;
    Acad::ErrorStatus readSoftOwnershipId(AcDbSoftOwnershipId* pId) override;
    Acad::ErrorStatus writeSoftOwnershipId(const AcDbSoftOwnershipId& id) override;
    Acad::ErrorStatus readHardPointerId(AcDbHardPointerId* pId) override;
    Acad::ErrorStatus writeHardPointerId(const AcDbHardPointerId& id) override;
    Acad::ErrorStatus readSoftPointerId(AcDbSoftPointerId* pId) override;
    Acad::ErrorStatus writeSoftPointerId(const AcDbSoftPointerId& id) override;
    Acad::ErrorStatus readInt8(Adesk::Int8* pVal) override;
    Acad::ErrorStatus writeInt8(Adesk::Int8 val) override;
    Acad::ErrorStatus readString(ACHAR** pVal) override;
    Acad::ErrorStatus writeString(const ACHAR* pVal) override;
    Acad::ErrorStatus readString(AcString& val) override;
    Acad::ErrorStatus writeString(const AcString& pVal) override;
    Acad::ErrorStatus readBChunk(ads_binary* pVal) override;
    Acad::ErrorStatus writeBChunk(const ads_binary& val) override;
    Acad::ErrorStatus readAcDbHandle(AcDbHandle* pVal) override;
    Acad::ErrorStatus writeAcDbHandle(const AcDbHandle& val) override;
    Acad::ErrorStatus readInt64(Adesk::Int64* pVal) override;
    Acad::ErrorStatus writeInt64(Adesk::Int64 val) override;
    Acad::ErrorStatus readInt32(Adesk::Int32* pVal) override;
    Acad::ErrorStatus writeInt32(Adesk::Int32 val) override;
    Acad::ErrorStatus readInt16(Adesk::Int16* pVal) override;
    Acad::ErrorStatus writeInt16(Adesk::Int16 val) override;
    Acad::ErrorStatus readUInt64(Adesk::UInt64* pVal) override;
    Acad::ErrorStatus writeUInt64(Adesk::UInt64 val) override;
    Acad::ErrorStatus readUInt32(Adesk::UInt32* pVal) override;
    Acad::ErrorStatus writeUInt32(Adesk::UInt32 val) override;
    Acad::ErrorStatus readUInt16(Adesk::UInt16* pVal) override;
    Acad::ErrorStatus writeUInt16(Adesk::UInt16 val) override;
    Acad::ErrorStatus readUInt8(Adesk::UInt8* pVal) override;
    Acad::ErrorStatus writeUInt8(Adesk::UInt8 val) override;
    Acad::ErrorStatus readBoolean(Adesk::Boolean* pVal) override;
    Acad::ErrorStatus writeBoolean(Adesk::Boolean val) override;
    Acad::ErrorStatus readBool(bool* pVal) override;
    Acad::ErrorStatus writeBool(bool val) override;
    Acad::ErrorStatus readDouble(double* pVal) override;
    Acad::ErrorStatus writeDouble(double val) override;
    Acad::ErrorStatus readPoint2d(AcGePoint2d* pVal) override;
    Acad::ErrorStatus writePoint2d(const AcGePoint2d& val) override;
    Acad::ErrorStatus readPoint3d(AcGePoint3d* pVal) override;
    Acad::ErrorStatus writePoint3d(const AcGePoint3d& val) override;
    Acad::ErrorStatus readVector2d(AcGeVector2d* pVal) override;
    Acad::ErrorStatus writeVector2d(const AcGeVector2d& val) override;
    Acad::ErrorStatus readVector3d(AcGeVector3d* pVal) override;
    Acad::ErrorStatus writeVector3d(const AcGeVector3d& val) override;
    Acad::ErrorStatus readBytes(void* pDest, Adesk::UIntPtr nBytes) override;
    Acad::ErrorStatus writeBytes(const void* pSrc, Adesk::UIntPtr nBytes) override;
    Acad::ErrorStatus readAddress(void** pVal) override;
    Acad::ErrorStatus writeAddress(const void* pVal) override;
    Acad::ErrorStatus seek(Adesk::Int64 nOffset, int nMethod) override;
    Adesk::Int64 tell() const override { return m_inner.tell(); }

private:
    // True when this operation is the one to fail; counts every operation.
    bool failsNow();

    AcDbDwgFiler& m_inner;
    long m_failAt;
    long m_count = 0;
    Acad::ErrorStatus m_status;
    bool m_failed = false;
};

// ---- reset ------------------------------------------------------------------------
// Puts the runtime's process-wide settings back as a new program has them: the input
// (queue, provider, pending answer, echo, last point, pick box, OSMODE, acedInitGet),
// the command window (no capture, no sink), the editor's counters, the remembered
// selections and the armed failures. Databases and their objects are not touched.
ACRT_PORT void resetForTest();

}  // namespace testing
}  // namespace vemhost
