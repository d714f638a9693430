// The host's binary filer: every object writes and reads its record through it, for
// drawing files, undo, copying and cloning alike.
#pragma once

#include "AcString.h"
#include "acdb.h"
#include "adsdef.h"
#include "dbid.h"
#include "gepnt2d.h"
#include "gepnt3d.h"
#include "rxobject.h"

class AcDbDatabase;

class ADESK_NO_VTABLE ACDB_PORT AcDbDwgFiler : public AcRxObject {
public:
    static AcRxClass* desc();
    AcRxClass* isA() const override;
    ~AcDbDwgFiler() override;

    virtual Acad::ErrorStatus filerStatus() const = 0;
    virtual AcDb::FilerType filerType() const = 0;
    virtual void setFilerStatus(Acad::ErrorStatus es) = 0;
    virtual void resetFilerStatus() = 0;
    virtual AcDbDatabase* database() const = 0;

    virtual Acad::ErrorStatus readHardOwnershipId(AcDbHardOwnershipId* pId) = 0;
    virtual Acad::ErrorStatus writeHardOwnershipId(const AcDbHardOwnershipId& id) = 0;
    virtual Acad::ErrorStatus readSoftOwnershipId(AcDbSoftOwnershipId* pId) = 0;
    virtual Acad::ErrorStatus writeSoftOwnershipId(const AcDbSoftOwnershipId& id) = 0;
    virtual Acad::ErrorStatus readHardPointerId(AcDbHardPointerId* pId) = 0;
    virtual Acad::ErrorStatus writeHardPointerId(const AcDbHardPointerId& id) = 0;
    virtual Acad::ErrorStatus readSoftPointerId(AcDbSoftPointerId* pId) = 0;
    virtual Acad::ErrorStatus writeSoftPointerId(const AcDbSoftPointerId& id) = 0;

    virtual Acad::ErrorStatus readInt8(Adesk::Int8* pVal) = 0;
    virtual Acad::ErrorStatus writeInt8(Adesk::Int8 val) = 0;
    virtual Acad::ErrorStatus readString(ACHAR** pVal) = 0;
    virtual Acad::ErrorStatus writeString(const ACHAR* pVal) = 0;
    virtual Acad::ErrorStatus readString(AcString& val) = 0;
    virtual Acad::ErrorStatus writeString(const AcString& pVal) = 0;
    virtual Acad::ErrorStatus readBChunk(ads_binary* pVal) = 0;
    virtual Acad::ErrorStatus writeBChunk(const ads_binary& val) = 0;
    virtual Acad::ErrorStatus readAcDbHandle(AcDbHandle* pVal) = 0;
    virtual Acad::ErrorStatus writeAcDbHandle(const AcDbHandle& val) = 0;
    virtual Acad::ErrorStatus readInt64(Adesk::Int64* pVal) = 0;
    virtual Acad::ErrorStatus writeInt64(Adesk::Int64 val) = 0;
    virtual Acad::ErrorStatus readInt32(Adesk::Int32* pVal) = 0;
    virtual Acad::ErrorStatus writeInt32(Adesk::Int32 val) = 0;
    virtual Acad::ErrorStatus readInt16(Adesk::Int16* pVal) = 0;
    virtual Acad::ErrorStatus writeInt16(Adesk::Int16 val) = 0;
    virtual Acad::ErrorStatus readUInt64(Adesk::UInt64* pVal) = 0;
    virtual Acad::ErrorStatus writeUInt64(Adesk::UInt64 val) = 0;
    virtual Acad::ErrorStatus readUInt32(Adesk::UInt32* pVal) = 0;
    virtual Acad::ErrorStatus writeUInt32(Adesk::UInt32 val) = 0;
    virtual Acad::ErrorStatus readUInt16(Adesk::UInt16* pVal) = 0;
    virtual Acad::ErrorStatus writeUInt16(Adesk::UInt16 val) = 0;
    virtual Acad::ErrorStatus readUInt8(Adesk::UInt8* pVal) = 0;
    virtual Acad::ErrorStatus writeUInt8(Adesk::UInt8 val) = 0;
    virtual Acad::ErrorStatus readBoolean(Adesk::Boolean* pVal) = 0;
    virtual Acad::ErrorStatus writeBoolean(Adesk::Boolean val) = 0;
    virtual Acad::ErrorStatus readBool(bool* pVal) = 0;
    virtual Acad::ErrorStatus writeBool(bool val) = 0;
    virtual Acad::ErrorStatus readDouble(double* pVal) = 0;
    virtual Acad::ErrorStatus writeDouble(double val) = 0;
    virtual Acad::ErrorStatus readPoint2d(AcGePoint2d* pVal) = 0;
    virtual Acad::ErrorStatus writePoint2d(const AcGePoint2d& val) = 0;
    virtual Acad::ErrorStatus readPoint3d(AcGePoint3d* pVal) = 0;
    virtual Acad::ErrorStatus writePoint3d(const AcGePoint3d& val) = 0;
    virtual Acad::ErrorStatus readVector2d(AcGeVector2d* pVal) = 0;
    virtual Acad::ErrorStatus writeVector2d(const AcGeVector2d& val) = 0;
    virtual Acad::ErrorStatus readVector3d(AcGeVector3d* pVal) = 0;
    virtual Acad::ErrorStatus writeVector3d(const AcGeVector3d& val) = 0;
    virtual Acad::ErrorStatus readBytes(void* pDest, Adesk::UIntPtr nBytes) = 0;
    virtual Acad::ErrorStatus writeBytes(const void* pSrc, Adesk::UIntPtr nBytes) = 0;
    virtual Acad::ErrorStatus readAddress(void** pVal);
    virtual Acad::ErrorStatus writeAddress(const void* pVal);
    virtual Acad::ErrorStatus seek(Adesk::Int64 nOffset, int nMethod) = 0;
    virtual Adesk::Int64 tell() const = 0;

protected:
    AcDbDwgFiler() = default;
};
