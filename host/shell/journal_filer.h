// The filer of the objects' states in the recovery journal: an undo filer whose values
// go straight onto the end of the journal's buffer, each behind a one-byte tag, in the
// machine's own byte order (a journal is read back on the machine that wrote it). It
// does for the objects of one command what the drawing file's filer does for a save,
// at a fraction of the cost per value, so that journalling stays cheap next to the
// command. Reading checks every tag and bound: a damaged state fails with a status.
#pragma once

#include <cstddef>
#include <vector>

#include "dbfiler.h"
#include "dbmain.h"

namespace vemcad {

class JournalFiler final : public AcDbDwgFiler {
public:
    // Files onto the end of out.
    JournalFiler(std::vector<unsigned char>& out, AcDbDatabase* db);
    // Reads data[0, size), resolving handles through db.
    JournalFiler(const unsigned char* data, std::size_t size, AcDbDatabase* db);

    Acad::ErrorStatus filerStatus() const override { return m_status; }
    AcDb::FilerType filerType() const override { return AcDb::kUndoFiler; }
    void setFilerStatus(Acad::ErrorStatus es) override { m_status = es; }
    void resetFilerStatus() override { m_status = Acad::eOk; }
    AcDbDatabase* database() const override { return m_db; }

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
    // An address means nothing to another process: filed, it never reads back.
    Acad::ErrorStatus readAddress(void** pVal) override;
    Acad::ErrorStatus writeAddress(const void* pVal) override;
    // Reading only.
    Acad::ErrorStatus seek(Adesk::Int64 nOffset, int nMethod) override;
    Adesk::Int64 tell() const override;

private:
    template <class T>
    Acad::ErrorStatus put(unsigned char tag, const T& value);
    template <class T>
    Acad::ErrorStatus get(unsigned char tag, T* value);
    Acad::ErrorStatus putSized(unsigned char tag, const void* data, std::size_t size);
    bool getSized(unsigned char tag, const unsigned char*& data, std::size_t& size);
    Acad::ErrorStatus putId(unsigned char tag, const AcDbObjectId& id);
    Acad::ErrorStatus getId(unsigned char tag, AcDbObjectId* id);
    Acad::ErrorStatus fail(Acad::ErrorStatus es);

    std::vector<unsigned char>* m_out = nullptr;
    std::size_t m_start = 0;  // where this filer's writing began in m_out
    const unsigned char* m_in = nullptr;
    std::size_t m_size = 0;
    std::size_t m_pos = 0;
    AcDbDatabase* m_db;
    Acad::ErrorStatus m_status = Acad::eOk;
};

}  // namespace vemcad
