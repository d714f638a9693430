// The binary DWG filer of the stand-in: every value is a one-byte type tag followed by
// its payload in little-endian order, so records read back the same on any machine and
// a read of the wrong kind, past the end or of a corrupt string fails with a status.
#include <cstring>
#include <cwchar>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>

#include "byte_codec.h"
#include "dbmain.h"
#include "rx_runtime_class.h"
#include "vemhost_testing.h"

// ---- the SDK's abstract filer --------------------------------------------------------

ACRT_DEFINE_CLASS(AcDbDwgFiler, AcRxObject, "");

AcDbDwgFiler::~AcDbDwgFiler() = default;

// A filer that does not file addresses itself files them as unsigned 64-bit integers.
Acad::ErrorStatus AcDbDwgFiler::readAddress(void** pVal)
{
    Adesk::UInt64 value = 0;
    Acad::ErrorStatus es = readUInt64(&value);
    if (es == Acad::eOk && pVal != nullptr)
        *pVal = reinterpret_cast<void*>(static_cast<uintptr_t>(value));
    return es;
}

Acad::ErrorStatus AcDbDwgFiler::writeAddress(const void* pVal)
{
    return writeUInt64(static_cast<Adesk::UInt64>(reinterpret_cast<uintptr_t>(pVal)));
}

namespace vemhost {

namespace {

// The tag byte of each kind. Tags are part of every drawing file: never renumber one.
// 0 is never a tag, so a zeroed buffer reads as corrupt.
enum Tag : unsigned char {
    kTagInt8 = 1,
    kTagInt16 = 2,
    kTagInt32 = 3,
    kTagInt64 = 4,
    kTagUInt8 = 5,
    kTagUInt16 = 6,
    kTagUInt32 = 7,
    kTagUInt64 = 8,
    kTagBool = 9,
    kTagBoolean = 10,
    kTagDouble = 11,
    kTagPoint2d = 12,
    kTagPoint3d = 13,
    kTagVector2d = 14,
    kTagVector3d = 15,
    kTagString = 16,     // uint32 byte count, UTF-8 bytes
    kTagBytes = 17,      // uint32 byte count, raw bytes
    kTagBChunk = 18,     // uint32 byte count (at most 32767), raw bytes
    kTagHandle = 19,     // uint64
    kTagHardOwner = 20,  // the four ids: the object's handle as uint64, 0 for null
    kTagSoftOwner = 21,
    kTagHardPointer = 22,
    kTagSoftPointer = 23,
    kTagAddress = 24,  // uint64
};

constexpr size_t kInitialCapacity = 512;  // a typical entity record fits without growing
constexpr size_t kLengthSize = 4;
constexpr Adesk::UInt32 kMaxBChunk = 32767;  // ads_binary::clen is a short

using acrt::decodeUtf8;
using acrt::encodeUtf8;
using acrt::getLE;
using acrt::putLE;
using acrt::scalarOf;
using acrt::utf8Size;

// One integer's little-endian bytes.
template <class T>
struct LE {
    unsigned char b[sizeof(T)];
    LE() = default;
    explicit LE(T value) { putLE(b, static_cast<Adesk::UInt64>(value), sizeof(T)); }
    T value() const { return static_cast<T>(getLE(b, sizeof(T))); }
};

Adesk::UInt64 doubleBits(double value)
{
    Adesk::UInt64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

double bitsDouble(Adesk::UInt64 bits)
{
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Packs n doubles into 8n little-endian bytes: bit for bit, NaN payloads too.
void packDoubles(unsigned char* p, const double* values, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        putLE(p + 8 * i, doubleBits(values[i]), 8);
}

// ---- UTF-8 ----------------------------------------------------------------------------

// Number of characters of well-formed UTF-8 text, or false when it is ill-formed.
bool countUtf8(const unsigned char* p, size_t n, size_t* count)
{
    size_t chars = 0;
    for (size_t i = 0; i < n;) {
        char32_t cp;
        size_t size = decodeUtf8(p + i, n - i, &cp);
        if (size == 0)
            return false;
        i += size;
        ++chars;
    }
    *count = chars;
    return true;
}

// Decodes text already checked by countUtf8.
void decodeAll(const unsigned char* p, size_t n, ACHAR* out)
{
    for (size_t i = 0; i < n;) {
        char32_t cp = 0;
        i += decodeUtf8(p + i, n - i, &cp);
        *out++ = static_cast<ACHAR>(cp);
    }
}

// ---- record parsing -----------------------------------------------------------------

// A length-prefixed value in the buffer: where its payload starts, its size, and where
// the value ends.
struct Sized {
    const unsigned char* data = nullptr;
    size_t size = 0;
    size_t end = 0;
};

// Checks the tag and that the announced length fits the bytes left, before anything
// is allocated for it.
bool parseSized(const std::vector<unsigned char>& bytes, size_t pos, unsigned char tag, Sized* out)
{
    if (pos >= bytes.size() || bytes.size() - pos < 1 + kLengthSize || bytes[pos] != tag)
        return false;
    size_t size = size_t(getLE(&bytes[pos + 1], kLengthSize));
    size_t start = pos + 1 + kLengthSize;
    if (size > bytes.size() - start)
        return false;
    out->data = bytes.data() + start;
    out->size = size;
    out->end = start + size;
    return true;
}

struct Utf8Text {
    Sized record;
    size_t count = 0;  // characters
};

bool parseString(const std::vector<unsigned char>& bytes, size_t pos, Utf8Text* out)
{
    return parseSized(bytes, pos, kTagString, &out->record) &&
           countUtf8(out->record.data, out->record.size, &out->count);
}

// Room for size bytes at pos, which then moves past them. Writes go at the position:
// appended at the end, or over what is there after a seek back, growing the buffer when
// they run past its end. Null when the buffer cannot grow.
unsigned char* makeRoom(std::vector<unsigned char>& bytes, size_t& pos, size_t size)
{
    if (size > bytes.max_size() - pos)
        return nullptr;
    try {
        if (bytes.size() - pos < size)
            bytes.resize(pos + size);
    } catch (const std::exception&) {  // bad_alloc or length_error
        return nullptr;
    }
    unsigned char* out = bytes.data() + pos;
    pos += size;
    return out;
}

// Files tag, uint32 length and the payload; the caller has checked the length fits.
Acad::ErrorStatus putSized(std::vector<unsigned char>& bytes, size_t& pos, unsigned char tag, const void* data,
                           size_t size)
{
    unsigned char* out = makeRoom(bytes, pos, 1 + kLengthSize + size);
    if (out == nullptr)
        return Acad::eOutOfMemory;
    out[0] = tag;
    putLE(out + 1, size, kLengthSize);
    if (size > 0)
        std::memcpy(out + 1 + kLengthSize, data, size);
    return Acad::eOk;
}

// Files a string record, converting to UTF-8 straight into the buffer.
Acad::ErrorStatus putString(std::vector<unsigned char>& bytes, size_t& pos, const ACHAR* text, size_t count)
{
    size_t size = utf8Size(text, count);
    if (size > std::numeric_limits<Adesk::UInt32>::max())
        return Acad::eInvalidInput;
    unsigned char* out = makeRoom(bytes, pos, 1 + kLengthSize + size);
    if (out == nullptr)
        return Acad::eOutOfMemory;
    out[0] = kTagString;
    putLE(out + 1, size, kLengthSize);
    out += 1 + kLengthSize;
    for (size_t i = 0; i < count; ++i)
        out = encodeUtf8(scalarOf(text[i]), out);
    return Acad::eOk;
}

// Seek base of each AcDb::FilerSeekType, or false for another method.
bool seekBase(int method, size_t pos, size_t size, Adesk::Int64* base)
{
    switch (method) {
    case AcDb::kSeekFromStart: *base = 0; return true;
    case AcDb::kSeekFromCurrent: *base = Adesk::Int64(pos); return true;
    case AcDb::kSeekFromEnd: *base = Adesk::Int64(size); return true;
    default: return false;
    }
}

}  // namespace

// ---- MemoryFiler: buffer, status, framing ---------------------------------------------

MemoryFiler::MemoryFiler(AcDbDatabase* db, AcDb::FilerType type) : m_db(db), m_type(type)
{
    m_bytes.reserve(kInitialCapacity);
}

MemoryFiler::MemoryFiler(const std::vector<unsigned char>& bytes, AcDbDatabase* db, AcDb::FilerType type)
    : m_bytes(bytes), m_db(db), m_type(type)
{
}

MemoryFiler::~MemoryFiler() = default;

void MemoryFiler::setBytes(std::vector<unsigned char> bytes)
{
    m_bytes = std::move(bytes);
    rewind();
}

std::vector<unsigned char> MemoryFiler::takeBytes()
{
    const size_t kHandOverSize = 4096;
    std::vector<unsigned char> taken;
    if (m_bytes.size() >= kHandOverSize)
        taken.swap(m_bytes);
    else
        taken.assign(m_bytes.begin(), m_bytes.end());
    m_bytes.clear();
    rewind();
    return taken;
}

void MemoryFiler::rewind()
{
    m_pos = 0;
    m_status = Acad::eOk;
}

void MemoryFiler::clear()
{
    m_bytes.clear();
    rewind();
}

Acad::ErrorStatus MemoryFiler::fail(Acad::ErrorStatus es)
{
    m_status = es;
    return es;
}

Acad::ErrorStatus MemoryFiler::writeTagged(unsigned char tag, const void* data, size_t size)
{
    if (m_status != Acad::eOk)
        return m_status;
    unsigned char* out = makeRoom(m_bytes, m_pos, 1 + size);
    if (out == nullptr)
        return fail(Acad::eOutOfMemory);
    out[0] = tag;
    if (size > 0)
        std::memcpy(out + 1, data, size);
    return Acad::eOk;
}

// Reads a fixed-size payload; on any failure nothing is stored and the position stays.
Acad::ErrorStatus MemoryFiler::readTagged(unsigned char tag, void* data, size_t size)
{
    if (m_status != Acad::eOk)
        return m_status;
    if (data == nullptr)
        return fail(Acad::eInvalidInput);
    if (m_pos >= m_bytes.size() || m_bytes.size() - m_pos < 1 + size || m_bytes[m_pos] != tag)
        return fail(Acad::eFilerError);
    std::memcpy(data, &m_bytes[m_pos + 1], size);
    m_pos += 1 + size;
    return Acad::eOk;
}

Acad::ErrorStatus MemoryFiler::seek(Adesk::Int64 nOffset, int nMethod)
{
    if (m_status != Acad::eOk)
        return m_status;
    Adesk::Int64 base = 0;
    if (!seekBase(nMethod, m_pos, m_bytes.size(), &base))
        return fail(Acad::eInvalidInput);
    // Compared without forming base + nOffset, which could overflow.
    auto size = Adesk::Int64(m_bytes.size());
    if (nOffset < -base || nOffset > size - base)
        return fail(Acad::eFilerError);
    m_pos = size_t(base + nOffset);
    return Acad::eOk;
}

// ---- integers and booleans ----------------------------------------------------------

// Integers: two's complement, sizeof(TYPE) little-endian bytes.
#define VEM_FILE_INTEGER(NAME, TYPE, TAG)                                           \
    Acad::ErrorStatus MemoryFiler::write##NAME(TYPE val)                            \
    {                                                                               \
        LE<TYPE> le(val);                                                           \
        return writeTagged(TAG, le.b, sizeof le.b);                                 \
    }                                                                               \
    Acad::ErrorStatus MemoryFiler::read##NAME(TYPE* pVal)                           \
    {                                                                               \
        LE<TYPE> le;                                                                \
        Acad::ErrorStatus es = readTagged(TAG, pVal ? le.b : nullptr, sizeof le.b); \
        if (es == Acad::eOk)                                                        \
            *pVal = le.value();                                                     \
        return es;                                                                  \
    }

VEM_FILE_INTEGER(Int8, Adesk::Int8, kTagInt8)
VEM_FILE_INTEGER(Int16, Adesk::Int16, kTagInt16)
VEM_FILE_INTEGER(Int32, Adesk::Int32, kTagInt32)
VEM_FILE_INTEGER(Int64, Adesk::Int64, kTagInt64)
VEM_FILE_INTEGER(UInt8, Adesk::UInt8, kTagUInt8)
VEM_FILE_INTEGER(UInt16, Adesk::UInt16, kTagUInt16)
VEM_FILE_INTEGER(UInt32, Adesk::UInt32, kTagUInt32)
VEM_FILE_INTEGER(UInt64, Adesk::UInt64, kTagUInt64)

#undef VEM_FILE_INTEGER

// A boolean is one byte, 0 or 1; anything else is corruption.
Acad::ErrorStatus MemoryFiler::writeBool(bool val)
{
    unsigned char byte = val ? 1 : 0;
    return writeTagged(kTagBool, &byte, 1);
}

Acad::ErrorStatus MemoryFiler::writeBoolean(Adesk::Boolean val)
{
    unsigned char byte = val ? 1 : 0;
    return writeTagged(kTagBoolean, &byte, 1);
}

Acad::ErrorStatus MemoryFiler::readBool(bool* pVal)
{
    unsigned char byte = 0;
    Acad::ErrorStatus es = readTagged(kTagBool, pVal ? &byte : nullptr, 1);
    if (es == Acad::eOk && byte > 1) {
        m_pos -= 2;
        return fail(Acad::eFilerError);
    }
    if (es == Acad::eOk)
        *pVal = byte == 1;
    return es;
}

Acad::ErrorStatus MemoryFiler::readBoolean(Adesk::Boolean* pVal)
{
    unsigned char byte = 0;
    Acad::ErrorStatus es = readTagged(kTagBoolean, pVal ? &byte : nullptr, 1);
    if (es == Acad::eOk && byte > 1) {
        m_pos -= 2;
        return fail(Acad::eFilerError);
    }
    if (es == Acad::eOk)
        *pVal = byte == 1;
    return es;
}

// ---- doubles and geometry: each coordinate as the 8 little-endian bytes of its bits ----

namespace {

template <size_t N>
struct Doubles {
    static constexpr size_t kSize = 8 * N;
    unsigned char b[kSize] = {};
    Doubles() = default;
    explicit Doubles(const double (&values)[N]) { packDoubles(b, values, N); }
    double at(size_t i) const { return bitsDouble(getLE(b + 8 * i, 8)); }
};

}  // namespace

Acad::ErrorStatus MemoryFiler::writeDouble(double val)
{
    Doubles<1> d({val});
    return writeTagged(kTagDouble, d.b, d.kSize);
}

Acad::ErrorStatus MemoryFiler::readDouble(double* pVal)
{
    Doubles<1> d;
    Acad::ErrorStatus es = readTagged(kTagDouble, pVal ? d.b : nullptr, d.kSize);
    if (es == Acad::eOk)
        *pVal = d.at(0);
    return es;
}

Acad::ErrorStatus MemoryFiler::writePoint2d(const AcGePoint2d& val)
{
    Doubles<2> d({val.x, val.y});
    return writeTagged(kTagPoint2d, d.b, d.kSize);
}

Acad::ErrorStatus MemoryFiler::readPoint2d(AcGePoint2d* pVal)
{
    Doubles<2> d;
    Acad::ErrorStatus es = readTagged(kTagPoint2d, pVal ? d.b : nullptr, d.kSize);
    if (es == Acad::eOk)
        *pVal = AcGePoint2d(d.at(0), d.at(1));
    return es;
}

Acad::ErrorStatus MemoryFiler::writePoint3d(const AcGePoint3d& val)
{
    Doubles<3> d({val.x, val.y, val.z});
    return writeTagged(kTagPoint3d, d.b, d.kSize);
}

Acad::ErrorStatus MemoryFiler::readPoint3d(AcGePoint3d* pVal)
{
    Doubles<3> d;
    Acad::ErrorStatus es = readTagged(kTagPoint3d, pVal ? d.b : nullptr, d.kSize);
    if (es == Acad::eOk)
        *pVal = AcGePoint3d(d.at(0), d.at(1), d.at(2));
    return es;
}

Acad::ErrorStatus MemoryFiler::writeVector2d(const AcGeVector2d& val)
{
    Doubles<2> d({val.x, val.y});
    return writeTagged(kTagVector2d, d.b, d.kSize);
}

Acad::ErrorStatus MemoryFiler::readVector2d(AcGeVector2d* pVal)
{
    Doubles<2> d;
    Acad::ErrorStatus es = readTagged(kTagVector2d, pVal ? d.b : nullptr, d.kSize);
    if (es == Acad::eOk)
        *pVal = AcGeVector2d(d.at(0), d.at(1));
    return es;
}

Acad::ErrorStatus MemoryFiler::writeVector3d(const AcGeVector3d& val)
{
    Doubles<3> d({val.x, val.y, val.z});
    return writeTagged(kTagVector3d, d.b, d.kSize);
}

Acad::ErrorStatus MemoryFiler::readVector3d(AcGeVector3d* pVal)
{
    Doubles<3> d;
    Acad::ErrorStatus es = readTagged(kTagVector3d, pVal ? d.b : nullptr, d.kSize);
    if (es == Acad::eOk)
        *pVal = AcGeVector3d(d.at(0), d.at(1), d.at(2));
    return es;
}

// ---- strings: uint32 byte count and UTF-8; ill-formed UTF-8 is refused, not repaired,
// because a record that carries it was not written by this filer ----------------------

Acad::ErrorStatus MemoryFiler::writeString(const ACHAR* pVal)
{
    if (m_status != Acad::eOk)
        return m_status;
    // A null string is filed as the empty string.
    Acad::ErrorStatus es = putString(m_bytes, m_pos, pVal, pVal ? std::wcslen(pVal) : 0);
    return es == Acad::eOk ? es : fail(es);
}

Acad::ErrorStatus MemoryFiler::writeString(const AcString& pVal)
{
    if (m_status != Acad::eOk)
        return m_status;
    // By length, so characters after an embedded NUL are kept.
    Acad::ErrorStatus es = putString(m_bytes, m_pos, pVal.kwszPtr(), pVal.length());
    return es == Acad::eOk ? es : fail(es);
}

Acad::ErrorStatus MemoryFiler::readString(ACHAR** pVal)
{
    if (m_status != Acad::eOk)
        return m_status;
    if (pVal == nullptr)
        return fail(Acad::eInvalidInput);
    Utf8Text text;
    if (!parseString(m_bytes, m_pos, &text))
        return fail(Acad::eFilerError);
    auto* out = new (std::nothrow) ACHAR[text.count + 1];
    if (out == nullptr)
        return fail(Acad::eOutOfMemory);
    decodeAll(text.record.data, text.record.size, out);
    out[text.count] = 0;
    *pVal = out;
    m_pos = text.record.end;
    return Acad::eOk;
}

Acad::ErrorStatus MemoryFiler::readString(AcString& val)
{
    if (m_status != Acad::eOk)
        return m_status;
    Utf8Text text;
    if (!parseString(m_bytes, m_pos, &text))
        return fail(Acad::eFilerError);
    // Short strings, the usual case, decode on the stack: one allocation, the string's.
    constexpr size_t kStackChars = 256;
    ACHAR stack[kStackChars];
    std::unique_ptr<ACHAR[]> heap;
    ACHAR* chars = stack;
    if (text.count > kStackChars) {
        heap.reset(new (std::nothrow) ACHAR[text.count]);
        if (!heap)
            return fail(Acad::eOutOfMemory);
        chars = heap.get();
    }
    decodeAll(text.record.data, text.record.size, chars);
    try {
        val = AcString(chars, unsigned(text.count));
    } catch (const std::bad_alloc&) {
        return fail(Acad::eOutOfMemory);
    }
    m_pos = text.record.end;
    return Acad::eOk;
}

// ---- raw bytes and binary chunks ------------------------------------------------------

Acad::ErrorStatus MemoryFiler::writeBytes(const void* pSrc, Adesk::UIntPtr nBytes)
{
    if (m_status != Acad::eOk)
        return m_status;
    if ((pSrc == nullptr && nBytes > 0) || nBytes > std::numeric_limits<Adesk::UInt32>::max())
        return fail(Acad::eInvalidInput);
    Acad::ErrorStatus es = putSized(m_bytes, m_pos, kTagBytes, pSrc, size_t(nBytes));
    return es == Acad::eOk ? es : fail(es);
}

// The count filed must be the count asked for: a reader never gets a partial block.
Acad::ErrorStatus MemoryFiler::readBytes(void* pDest, Adesk::UIntPtr nBytes)
{
    if (m_status != Acad::eOk)
        return m_status;
    if (pDest == nullptr && nBytes > 0)
        return fail(Acad::eInvalidInput);
    Sized record;
    if (!parseSized(m_bytes, m_pos, kTagBytes, &record) || record.size != nBytes)
        return fail(Acad::eFilerError);
    if (record.size > 0)
        std::memcpy(pDest, record.data, record.size);
    m_pos = record.end;
    return Acad::eOk;
}

Acad::ErrorStatus MemoryFiler::writeBChunk(const ads_binary& val)
{
    if (m_status != Acad::eOk)
        return m_status;
    if (val.clen < 0 || (val.clen > 0 && val.buf == nullptr))
        return fail(Acad::eInvalidInput);
    Acad::ErrorStatus es = putSized(m_bytes, m_pos, kTagBChunk, val.buf, size_t(val.clen));
    return es == Acad::eOk ? es : fail(es);
}

// The buffer is allocated with new char[] for the caller to delete[]; an empty chunk
// reads as clen 0 with a null buffer.
Acad::ErrorStatus MemoryFiler::readBChunk(ads_binary* pVal)
{
    if (m_status != Acad::eOk)
        return m_status;
    if (pVal == nullptr)
        return fail(Acad::eInvalidInput);
    Sized record;
    if (!parseSized(m_bytes, m_pos, kTagBChunk, &record) || record.size > kMaxBChunk)
        return fail(Acad::eFilerError);
    char* buf = nullptr;
    if (record.size > 0) {
        buf = new (std::nothrow) char[record.size];
        if (buf == nullptr)
            return fail(Acad::eOutOfMemory);
        std::memcpy(buf, record.data, record.size);
    }
    pVal->clen = short(record.size);
    pVal->buf = buf;
    m_pos = record.end;
    return Acad::eOk;
}

// ---- handles, ids and addresses ---------------------------------------------------------

Acad::ErrorStatus MemoryFiler::writeAcDbHandle(const AcDbHandle& val)
{
    LE<Adesk::UInt64> le(val.value());
    return writeTagged(kTagHandle, le.b, sizeof le.b);
}

Acad::ErrorStatus MemoryFiler::readAcDbHandle(AcDbHandle* pVal)
{
    LE<Adesk::UInt64> le;
    Acad::ErrorStatus es = readTagged(kTagHandle, pVal ? le.b : nullptr, sizeof le.b);
    if (es == Acad::eOk)
        *pVal = AcDbHandle(le.value());
    return es;
}

// An id is filed as its object's handle, which outlives the session; 0 is the null id.
Acad::ErrorStatus MemoryFiler::writeId(unsigned char tag, const AcDbObjectId& id)
{
    LE<Adesk::UInt64> le(id.isNull() ? 0 : id.handle().value());
    return writeTagged(tag, le.b, sizeof le.b);
}

// A handle the database does not know reads as the null id with eOk: the record refers
// to an object that is gone, and the reader must cope with a null reference anyway.
// Without a database a handle cannot be resolved at all, which is a failure.
Acad::ErrorStatus MemoryFiler::readId(unsigned char tag, AcDbObjectId* pId)
{
    LE<Adesk::UInt64> le;
    Acad::ErrorStatus es = readTagged(tag, pId ? le.b : nullptr, sizeof le.b);
    if (es != Acad::eOk)
        return es;
    AcDbObjectId id;
    if (le.value() != 0) {
        if (m_db == nullptr) {
            m_pos -= 1 + sizeof le.b;
            return fail(Acad::eFilerError);
        }
        if (m_db->getAcDbObjectId(id, false, AcDbHandle(le.value())) != Acad::eOk)
            id.setNull();
    }
    *pId = id;
    return Acad::eOk;
}

Acad::ErrorStatus MemoryFiler::writeHardOwnershipId(const AcDbHardOwnershipId& id)
{
    return writeId(kTagHardOwner, id);
}

Acad::ErrorStatus MemoryFiler::readHardOwnershipId(AcDbHardOwnershipId* pId)
{
    return readId(kTagHardOwner, pId);
}

Acad::ErrorStatus MemoryFiler::writeSoftOwnershipId(const AcDbSoftOwnershipId& id)
{
    return writeId(kTagSoftOwner, id);
}

Acad::ErrorStatus MemoryFiler::readSoftOwnershipId(AcDbSoftOwnershipId* pId)
{
    return readId(kTagSoftOwner, pId);
}

Acad::ErrorStatus MemoryFiler::writeHardPointerId(const AcDbHardPointerId& id)
{
    return writeId(kTagHardPointer, id);
}

Acad::ErrorStatus MemoryFiler::readHardPointerId(AcDbHardPointerId* pId)
{
    return readId(kTagHardPointer, pId);
}

Acad::ErrorStatus MemoryFiler::writeSoftPointerId(const AcDbSoftPointerId& id)
{
    return writeId(kTagSoftPointer, id);
}

Acad::ErrorStatus MemoryFiler::readSoftPointerId(AcDbSoftPointerId* pId)
{
    return readId(kTagSoftPointer, pId);
}

// Addresses only mean something within the process (undo and copy filers use them).
Acad::ErrorStatus MemoryFiler::writeAddress(const void* pVal)
{
    LE<Adesk::UInt64> le(static_cast<Adesk::UInt64>(reinterpret_cast<uintptr_t>(pVal)));
    return writeTagged(kTagAddress, le.b, sizeof le.b);
}

Acad::ErrorStatus MemoryFiler::readAddress(void** pVal)
{
    LE<Adesk::UInt64> le;
    Acad::ErrorStatus es = readTagged(kTagAddress, pVal ? le.b : nullptr, sizeof le.b);
    if (es == Acad::eOk)
        *pVal = reinterpret_cast<void*>(static_cast<uintptr_t>(le.value()));
    return es;
}

}  // namespace vemhost
