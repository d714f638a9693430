// The journal's filer: tag, then the value's bytes; texts, byte blocks and chunks as tag,
// u32 size in bytes, then the characters (wchar_t) or bytes.
#include "journal_filer.h"

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <limits>
#include <new>

#include "AcString.h"

namespace vemcad {

namespace {

enum Tag : unsigned char {
    kInt8 = 1, kInt16, kInt32, kInt64, kUInt8, kUInt16, kUInt32, kUInt64, kBool, kBoolean, kDouble,
    kPoint2d, kPoint3d, kVector2d, kVector3d, kString, kBytes, kBChunk, kHandle, kAddress,
    kHardOwner, kSoftOwner, kHardPointer, kSoftPointer
};

constexpr std::size_t kMaxBChunk = 32767;  // ads_binary::clen is a short

// Coordinates travel as plain arrays of doubles.
struct Coords2 {
    double v[2];
};
struct Coords3 {
    double v[3];
};

}  // namespace

JournalFiler::JournalFiler(std::vector<unsigned char>& out, AcDbDatabase* db)
    : m_out(&out), m_start(out.size()), m_db(db)
{
}

JournalFiler::JournalFiler(const unsigned char* data, std::size_t size, AcDbDatabase* db)
    : m_in(data), m_size(size), m_db(db)
{
}

Acad::ErrorStatus JournalFiler::fail(Acad::ErrorStatus es)
{
    m_status = es;
    return es;
}

// ---- the framing -------------------------------------------------------------------------

template <class T>
Acad::ErrorStatus JournalFiler::put(unsigned char tag, const T& value)
{
    if (m_status != Acad::eOk)
        return m_status;
    if (m_out == nullptr)
        return fail(Acad::eNotApplicable);
    unsigned char bytes[1 + sizeof(T)];
    bytes[0] = tag;
    std::memcpy(bytes + 1, &value, sizeof(T));
    try {
        m_out->insert(m_out->end(), bytes, bytes + sizeof bytes);
    } catch (const std::bad_alloc&) {
        return fail(Acad::eOutOfMemory);
    }
    return Acad::eOk;
}

template <class T>
Acad::ErrorStatus JournalFiler::get(unsigned char tag, T* value)
{
    if (m_status != Acad::eOk)
        return m_status;
    if (m_in == nullptr || value == nullptr)
        return fail(Acad::eInvalidInput);
    if (m_size - m_pos < 1 + sizeof(T) || m_in[m_pos] != tag)
        return fail(Acad::eFilerError);
    std::memcpy(value, m_in + m_pos + 1, sizeof(T));
    m_pos += 1 + sizeof(T);
    return Acad::eOk;
}

Acad::ErrorStatus JournalFiler::putSized(unsigned char tag, const void* data, std::size_t size)
{
    if (m_status != Acad::eOk)
        return m_status;
    if (m_out == nullptr || size > std::numeric_limits<Adesk::UInt32>::max() || (data == nullptr && size > 0))
        return fail(Acad::eInvalidInput);
    const Adesk::UInt32 count = Adesk::UInt32(size);
    unsigned char head[1 + sizeof count];
    head[0] = tag;
    std::memcpy(head + 1, &count, sizeof count);
    try {
        m_out->insert(m_out->end(), head, head + sizeof head);
        if (size > 0)
            m_out->insert(m_out->end(), static_cast<const unsigned char*>(data),
                          static_cast<const unsigned char*>(data) + size);
    } catch (const std::bad_alloc&) {
        return fail(Acad::eOutOfMemory);
    }
    return Acad::eOk;
}

// Where a sized value's bytes are and how many; the position moves past them.
bool JournalFiler::getSized(unsigned char tag, const unsigned char*& data, std::size_t& size)
{
    Adesk::UInt32 count = 0;
    if (m_status != Acad::eOk || m_in == nullptr || m_size - m_pos < 1 + sizeof count || m_in[m_pos] != tag)
        return false;
    std::memcpy(&count, m_in + m_pos + 1, sizeof count);
    const std::size_t bytes = count;
    if (m_size - m_pos - 1 - sizeof count < bytes || (tag == kString && bytes % sizeof(ACHAR) != 0))
        return false;
    data = m_in + m_pos + 1 + sizeof count;
    size = bytes;
    m_pos += 1 + sizeof count + bytes;
    return true;
}

Acad::ErrorStatus JournalFiler::seek(Adesk::Int64 nOffset, int nMethod)
{
    if (m_status != Acad::eOk)
        return m_status;
    if (m_in == nullptr)
        return fail(Acad::eNotApplicable);
    Adesk::Int64 base = 0;
    if (nMethod == AcDb::kSeekFromCurrent)
        base = Adesk::Int64(m_pos);
    else if (nMethod == AcDb::kSeekFromEnd)
        base = Adesk::Int64(m_size);
    else if (nMethod != AcDb::kSeekFromStart)
        return fail(Acad::eInvalidInput);
    if (nOffset < -base || nOffset > Adesk::Int64(m_size) - base)
        return fail(Acad::eFilerError);
    m_pos = std::size_t(base + nOffset);
    return Acad::eOk;
}

Adesk::Int64 JournalFiler::tell() const
{
    return Adesk::Int64(m_out != nullptr ? m_out->size() - m_start : m_pos);
}

// ---- values ------------------------------------------------------------------------------

#define VEM_JOURNAL_VALUE(NAME, TYPE, TAG)                                                        \
    Acad::ErrorStatus JournalFiler::write##NAME(TYPE val) { return put(TAG, val); }               \
    Acad::ErrorStatus JournalFiler::read##NAME(TYPE* pVal) { return get(TAG, pVal); }

VEM_JOURNAL_VALUE(Int8, Adesk::Int8, kInt8)
VEM_JOURNAL_VALUE(Int16, Adesk::Int16, kInt16)
VEM_JOURNAL_VALUE(Int32, Adesk::Int32, kInt32)
VEM_JOURNAL_VALUE(Int64, Adesk::Int64, kInt64)
VEM_JOURNAL_VALUE(UInt8, Adesk::UInt8, kUInt8)
VEM_JOURNAL_VALUE(UInt16, Adesk::UInt16, kUInt16)
VEM_JOURNAL_VALUE(UInt32, Adesk::UInt32, kUInt32)
VEM_JOURNAL_VALUE(UInt64, Adesk::UInt64, kUInt64)
VEM_JOURNAL_VALUE(Double, double, kDouble)

#undef VEM_JOURNAL_VALUE

Acad::ErrorStatus JournalFiler::writeBool(bool val) { return put(kBool, static_cast<unsigned char>(val ? 1 : 0)); }
Acad::ErrorStatus JournalFiler::writeBoolean(Adesk::Boolean val)
{
    return put(kBoolean, static_cast<unsigned char>(val ? 1 : 0));
}

// A boolean reads back only as 0 or 1.
Acad::ErrorStatus JournalFiler::readBool(bool* pVal)
{
    unsigned char byte = 0;
    const Acad::ErrorStatus es = get(kBool, pVal != nullptr ? &byte : nullptr);
    if (es == Acad::eOk && byte > 1)
        return fail(Acad::eFilerError);
    if (es == Acad::eOk)
        *pVal = byte == 1;
    return es;
}

Acad::ErrorStatus JournalFiler::readBoolean(Adesk::Boolean* pVal)
{
    unsigned char byte = 0;
    const Acad::ErrorStatus es = get(kBoolean, pVal != nullptr ? &byte : nullptr);
    if (es == Acad::eOk && byte > 1)
        return fail(Acad::eFilerError);
    if (es == Acad::eOk)
        *pVal = byte == 1;
    return es;
}

Acad::ErrorStatus JournalFiler::writePoint2d(const AcGePoint2d& val) { return put(kPoint2d, Coords2{{val.x, val.y}}); }
Acad::ErrorStatus JournalFiler::writeVector2d(const AcGeVector2d& val)
{
    return put(kVector2d, Coords2{{val.x, val.y}});
}
Acad::ErrorStatus JournalFiler::writePoint3d(const AcGePoint3d& val)
{
    return put(kPoint3d, Coords3{{val.x, val.y, val.z}});
}
Acad::ErrorStatus JournalFiler::writeVector3d(const AcGeVector3d& val)
{
    return put(kVector3d, Coords3{{val.x, val.y, val.z}});
}

Acad::ErrorStatus JournalFiler::readPoint2d(AcGePoint2d* pVal)
{
    Coords2 c;
    const Acad::ErrorStatus es = get(kPoint2d, pVal != nullptr ? &c : nullptr);
    if (es == Acad::eOk)
        *pVal = AcGePoint2d(c.v[0], c.v[1]);
    return es;
}

Acad::ErrorStatus JournalFiler::readVector2d(AcGeVector2d* pVal)
{
    Coords2 c;
    const Acad::ErrorStatus es = get(kVector2d, pVal != nullptr ? &c : nullptr);
    if (es == Acad::eOk)
        *pVal = AcGeVector2d(c.v[0], c.v[1]);
    return es;
}

Acad::ErrorStatus JournalFiler::readPoint3d(AcGePoint3d* pVal)
{
    Coords3 c;
    const Acad::ErrorStatus es = get(kPoint3d, pVal != nullptr ? &c : nullptr);
    if (es == Acad::eOk)
        *pVal = AcGePoint3d(c.v[0], c.v[1], c.v[2]);
    return es;
}

Acad::ErrorStatus JournalFiler::readVector3d(AcGeVector3d* pVal)
{
    Coords3 c;
    const Acad::ErrorStatus es = get(kVector3d, pVal != nullptr ? &c : nullptr);
    if (es == Acad::eOk)
        *pVal = AcGeVector3d(c.v[0], c.v[1], c.v[2]);
    return es;
}

// ---- texts, blocks and chunks ------------------------------------------------------------

// A null text is filed as the empty one; an AcString by its length, so that characters
// after an embedded NUL are kept.
Acad::ErrorStatus JournalFiler::writeString(const ACHAR* pVal)
{
    return putSized(kString, pVal, pVal != nullptr ? std::wcslen(pVal) * sizeof(ACHAR) : 0);
}

Acad::ErrorStatus JournalFiler::writeString(const AcString& pVal)
{
    return putSized(kString, pVal.kwszPtr(), std::size_t(pVal.length()) * sizeof(ACHAR));
}

Acad::ErrorStatus JournalFiler::readString(ACHAR** pVal)
{
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    if (pVal == nullptr)
        return fail(Acad::eInvalidInput);
    if (!getSized(kString, data, size))
        return fail(Acad::eFilerError);
    const std::size_t count = size / sizeof(ACHAR);
    auto* out = new (std::nothrow) ACHAR[count + 1];
    if (out == nullptr)
        return fail(Acad::eOutOfMemory);
    if (size > 0)
        std::memcpy(out, data, size);
    out[count] = 0;
    *pVal = out;
    return Acad::eOk;
}

Acad::ErrorStatus JournalFiler::readString(AcString& val)
{
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    if (!getSized(kString, data, size))
        return fail(Acad::eFilerError);
    std::vector<ACHAR> chars(size / sizeof(ACHAR));
    if (size > 0)
        std::memcpy(chars.data(), data, size);
    try {
        val = AcString(chars.data(), unsigned(chars.size()));
    } catch (const std::bad_alloc&) {
        return fail(Acad::eOutOfMemory);
    }
    return Acad::eOk;
}

Acad::ErrorStatus JournalFiler::writeBytes(const void* pSrc, Adesk::UIntPtr nBytes)
{
    return putSized(kBytes, pSrc, std::size_t(nBytes));
}

// The count filed must be the count asked for: a reader never gets a partial block.
Acad::ErrorStatus JournalFiler::readBytes(void* pDest, Adesk::UIntPtr nBytes)
{
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    if (pDest == nullptr && nBytes > 0)
        return fail(Acad::eInvalidInput);
    if (!getSized(kBytes, data, size) || size != nBytes)
        return fail(Acad::eFilerError);
    if (size > 0)
        std::memcpy(pDest, data, size);
    return Acad::eOk;
}

Acad::ErrorStatus JournalFiler::writeBChunk(const ads_binary& val)
{
    if (val.clen < 0 || (val.clen > 0 && val.buf == nullptr))
        return fail(Acad::eInvalidInput);
    return putSized(kBChunk, val.buf, std::size_t(val.clen));
}

// The buffer is allocated with new char[] for the caller to delete[]; an empty chunk
// reads as clen 0 with a null buffer.
Acad::ErrorStatus JournalFiler::readBChunk(ads_binary* pVal)
{
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    if (pVal == nullptr)
        return fail(Acad::eInvalidInput);
    if (!getSized(kBChunk, data, size) || size > kMaxBChunk)
        return fail(Acad::eFilerError);
    char* buf = nullptr;
    if (size > 0) {
        buf = new (std::nothrow) char[size];
        if (buf == nullptr)
            return fail(Acad::eOutOfMemory);
        std::memcpy(buf, data, size);
    }
    pVal->clen = short(size);
    pVal->buf = buf;
    return Acad::eOk;
}

// ---- handles, ids and addresses ----------------------------------------------------------

Acad::ErrorStatus JournalFiler::writeAcDbHandle(const AcDbHandle& val) { return put(kHandle, val.value()); }

Acad::ErrorStatus JournalFiler::readAcDbHandle(AcDbHandle* pVal)
{
    Adesk::UInt64 value = 0;
    const Acad::ErrorStatus es = get(kHandle, pVal != nullptr ? &value : nullptr);
    if (es == Acad::eOk)
        *pVal = AcDbHandle(value);
    return es;
}

// An id is filed as its object's handle; 0 is the null id.
Acad::ErrorStatus JournalFiler::putId(unsigned char tag, const AcDbObjectId& id)
{
    return put(tag, Adesk::UInt64(id.isNull() ? 0 : id.handle().value()));
}

// A handle the database does not know reads as the null id, as in a drawing file.
Acad::ErrorStatus JournalFiler::getId(unsigned char tag, AcDbObjectId* pId)
{
    Adesk::UInt64 handle = 0;
    Acad::ErrorStatus es = get(tag, pId != nullptr ? &handle : nullptr);
    if (es != Acad::eOk)
        return es;
    AcDbObjectId id;
    if (handle != 0 && m_db == nullptr)
        return fail(Acad::eFilerError);
    if (handle != 0 && m_db->getAcDbObjectId(id, false, AcDbHandle(handle)) != Acad::eOk)
        id.setNull();
    *pId = id;
    return Acad::eOk;
}

Acad::ErrorStatus JournalFiler::writeHardOwnershipId(const AcDbHardOwnershipId& id) { return putId(kHardOwner, id); }
Acad::ErrorStatus JournalFiler::readHardOwnershipId(AcDbHardOwnershipId* pId) { return getId(kHardOwner, pId); }
Acad::ErrorStatus JournalFiler::writeSoftOwnershipId(const AcDbSoftOwnershipId& id) { return putId(kSoftOwner, id); }
Acad::ErrorStatus JournalFiler::readSoftOwnershipId(AcDbSoftOwnershipId* pId) { return getId(kSoftOwner, pId); }
Acad::ErrorStatus JournalFiler::writeHardPointerId(const AcDbHardPointerId& id) { return putId(kHardPointer, id); }
Acad::ErrorStatus JournalFiler::readHardPointerId(AcDbHardPointerId* pId) { return getId(kHardPointer, pId); }
Acad::ErrorStatus JournalFiler::writeSoftPointerId(const AcDbSoftPointerId& id) { return putId(kSoftPointer, id); }
Acad::ErrorStatus JournalFiler::readSoftPointerId(AcDbSoftPointerId* pId) { return getId(kSoftPointer, pId); }

Acad::ErrorStatus JournalFiler::writeAddress(const void* pVal)
{
    return put(kAddress, Adesk::UInt64(reinterpret_cast<std::uintptr_t>(pVal)));
}

Acad::ErrorStatus JournalFiler::readAddress(void** pVal)
{
    (void)pVal;
    return fail(Acad::eFilerError);
}

}  // namespace vemcad
