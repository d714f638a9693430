// What the host's input and output of whole drawings (drawing files, DXF, pictures)
// and the program's own checks of entities reach beyond the SDK: the binary memory
// filer of the host's records and the collector of what an entity draws. The modules
// never include this.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dbmain.h"

namespace vemhost {

// ---- filers ---------------------------------------------------------------------
// A binary filer over one growing memory buffer. Each value is written with a
// one-byte type tag; reading checks the tag, the bounds and string sizes. Any failure
// is sticky: every later operation returns it until resetFilerStatus or rewind.
class ACRT_PORT MemoryFiler : public AcDbDwgFiler {
public:
    explicit MemoryFiler(AcDbDatabase* db = nullptr, AcDb::FilerType type = AcDb::kFileFiler);
    MemoryFiler(const std::vector<unsigned char>& bytes, AcDbDatabase* db = nullptr,
                AcDb::FilerType type = AcDb::kFileFiler);
    ~MemoryFiler() override;

    const std::vector<unsigned char>& bytes() const { return m_bytes; }
    // The bytes written, leaving the filer empty: a large buffer is handed over as it
    // is, a small record is copied to its exact size (records are kept by the thousand).
    std::vector<unsigned char> takeBytes();
    void setBytes(std::vector<unsigned char> bytes);
    // Back to the start for reading what was written; the status is reset.
    void rewind();
    void clear();

    Acad::ErrorStatus filerStatus() const override { return m_status; }
    AcDb::FilerType filerType() const override { return m_type; }
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
    Acad::ErrorStatus readAddress(void** pVal) override;
    Acad::ErrorStatus writeAddress(const void* pVal) override;
    Acad::ErrorStatus seek(Adesk::Int64 nOffset, int nMethod) override;
    Adesk::Int64 tell() const override { return Adesk::Int64(m_pos); }

private:
    Acad::ErrorStatus writeTagged(unsigned char tag, const void* data, size_t size);
    Acad::ErrorStatus readTagged(unsigned char tag, void* data, size_t size);
    Acad::ErrorStatus writeId(unsigned char tag, const AcDbObjectId& id);
    Acad::ErrorStatus readId(unsigned char tag, AcDbObjectId* pId);
    Acad::ErrorStatus fail(Acad::ErrorStatus es);

    std::vector<unsigned char> m_bytes;
    size_t m_pos = 0;
    AcDbDatabase* m_db;
    AcDb::FilerType m_type;
    Acad::ErrorStatus m_status = Acad::eOk;
};

// ---- drawing ----------------------------------------------------------------------
// One drawn primitive in world coordinates with the traits in force when it was drawn.
struct Primitive {
    enum Kind { kPolyline, kPolygon, kCircle, kText };
    Kind kind = kPolyline;
    std::vector<AcGePoint3d> points;  // polyline / polygon vertices, circle centre, text position
    double radius = 0.0;              // circle radius or text height
    AcGeVector3d normal = AcGeVector3d::kZAxis;
    AcGeVector3d direction = AcGeVector3d::kXAxis;
    std::wstring text;
    Adesk::UInt16 color = 256;
    AcDbObjectId layerId;
    AcDbObjectId linetypeId;
    AcDb::LineWeight lineWeight = AcDb::kLnWtByLayer;
    Adesk::LongPtr marker = -1;
};

// A world-draw context that records what an entity draws.
class ACRT_PORT PrimitiveCollector {
public:
    PrimitiveCollector();
    ~PrimitiveCollector();
    PrimitiveCollector(const PrimitiveCollector&) = delete;
    PrimitiveCollector& operator=(const PrimitiveCollector&) = delete;

    // Draws the entity as the host does: its attributes set up its traits, then worldDraw.
    Adesk::Boolean draw(AcDbEntity* pEntity);
    AcGiWorldDraw* worldDraw();
    const std::vector<Primitive>& primitives() const;
    void clear();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace vemhost
