// One value of every kind a DWG filer files, each with a reader that says whether it got
// the written value back and whether a failed read left its poisoned destination alone.
// Shared by the filer tests, which write them in sequence and then break the record.
#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "AcString.h"
#include "dbfiler.h"

struct FilerKind {
    const char* name;
    const char* family;  // kinds of one family share a tag: one reads as the other
    std::function<Acad::ErrorStatus(AcDbDwgFiler&)> write;
    std::function<Acad::ErrorStatus(AcDbDwgFiler&, bool* same, bool* untouched)> read;
};

namespace filer_kinds {

// Bit-for-bit equality: NaN payloads and the sign of zero count.
template <class T>
bool sameBits(const T& a, const T& b)
{
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

template <class T, class Write, class Read>
FilerKind scalar(const char* name, T value, T poison, Write write, Read read)
{
    return {name, name, [=](AcDbDwgFiler& f) { return write(f, value); },
            [=](AcDbDwgFiler& f, bool* same, bool* untouched) {
                T got = poison;
                Acad::ErrorStatus es = read(f, &got);
                *same = sameBits(got, value);
                *untouched = sameBits(got, poison);
                return es;
            }};
}

// A string read through ACHAR** (freed here) or AcString, by length.
inline FilerKind text(const char* name, const std::wstring& value, bool wide)
{
    auto write = [=](AcDbDwgFiler& f) {
        return wide ? f.writeString(value.c_str()) : f.writeString(AcString(value.data(), unsigned(value.size())));
    };
    return {name, "string", write, [=](AcDbDwgFiler& f, bool* same, bool* untouched) {
                static ACHAR s_poison[] = L"poison";
                ACHAR* chars = s_poison;
                AcString got(s_poison);
                Acad::ErrorStatus es = wide ? f.readString(&chars) : f.readString(got);
                if (wide && chars != s_poison) {
                    got = AcString(chars);
                    delete[] chars;
                }
                *untouched = got == AcString(s_poison) && chars == s_poison;
                *same = got.wstr() == value;
                return es;
            }};
}

inline double fromBits(Adesk::UInt64 bits)
{
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// A kind named after its reader without "read".
#define FILER_KIND(T, WRITE, READ, VALUE, POISON)                                            \
    scalar<T>(&#READ[4], VALUE, POISON, [](AcDbDwgFiler& f, T v) { return f.WRITE(v); }, \
              [](AcDbDwgFiler& f, T* p) { return f.READ(p); })

inline std::vector<FilerKind> everyKind(const AcDbObjectId& id)
{
    static int s_target = 0, s_poison = 0;
    const AcDbObjectId bad = AcDbObjectId().setFromOldId(0x5A5A);
    const double nan = fromBits(0x7FF8000000001234ull), inf = std::numeric_limits<double>::infinity();
    const double tiny = std::numeric_limits<double>::denorm_min(), big = std::numeric_limits<double>::max();
    using P2 = AcGePoint2d;
    using P3 = AcGePoint3d;
    using V2 = AcGeVector2d;
    using V3 = AcGeVector3d;
    std::vector<FilerKind> kinds = {
        // type                  write                 read                 value                        poison
        FILER_KIND(Adesk::Int8,   writeInt8,            readInt8,            INT8_MIN,                    0x5A),
        FILER_KIND(Adesk::Int16,  writeInt16,           readInt16,           INT16_MIN,                   0x5A),
        FILER_KIND(Adesk::Int32,  writeInt32,           readInt32,           INT32_MAX,                   0x5A),
        FILER_KIND(Adesk::Int64,  writeInt64,           readInt64,           INT64_MIN,                   0x5A),
        FILER_KIND(Adesk::UInt8,  writeUInt8,           readUInt8,           0xFF,                        0x5A),
        FILER_KIND(Adesk::UInt16, writeUInt16,          readUInt16,          0xFFFF,                      0x5A),
        FILER_KIND(Adesk::UInt32, writeUInt32,          readUInt32,          0xFFFFFFFFu,                 0x5A),
        FILER_KIND(Adesk::UInt64, writeUInt64,          readUInt64,          UINT64_MAX,                  0x5A),
        FILER_KIND(bool,          writeBool,            readBool,            true,                        false),
        FILER_KIND(bool,          writeBoolean,         readBoolean,         false,                       true),
        FILER_KIND(double,        writeDouble,          readDouble,          nan,                         7.0),
        FILER_KIND(P2,            writePoint2d,         readPoint2d,         P2(inf, -0.0),               P2(7, 7)),
        FILER_KIND(P3,            writePoint3d,         readPoint3d,         P3(tiny, -inf, big),         P3(7, 7, 7)),
        FILER_KIND(V2,            writeVector2d,        readVector2d,        V2(-big, nan),               V2(7, 7)),
        FILER_KIND(V3,            writeVector3d,        readVector3d,        V3(1.0 / 3, -tiny, 0.1),     V3(7, 7, 7)),
        FILER_KIND(AcDbHandle,    writeAcDbHandle,      readAcDbHandle,      0x0123456789ABCDEFull,       0x5A),
        FILER_KIND(AcDbHardOwnershipId, writeHardOwnershipId, readHardOwnershipId, id,                    bad),
        FILER_KIND(AcDbSoftOwnershipId, writeSoftOwnershipId, readSoftOwnershipId, id,                    bad),
        FILER_KIND(AcDbHardPointerId,   writeHardPointerId,   readHardPointerId,   id,                    bad),
        FILER_KIND(AcDbSoftPointerId,   writeSoftPointerId,   readSoftPointerId,   id,                    bad),
        FILER_KIND(void*,         writeAddress,         readAddress,         &s_target,                   &s_poison),
        text("wideString", L"平面坐标 X=1.5 \U0001F600 é", true),
        text("acString", std::wstring(L"a\0b", 3), false),  // the AcString overloads keep what follows a NUL
        text("emptyString", L"", true),
        text("longString", std::wstring(300, L'坐'), false),  // past the reader's stack buffer
    };
    static const unsigned char s_raw[5] = {0, 0xFF, 0x80, 0x7F, 0x01};
    kinds.push_back({"bytes", "bytes", [](AcDbDwgFiler& f) { return f.writeBytes(s_raw, sizeof s_raw); },
                     [](AcDbDwgFiler& f, bool* same, bool* untouched) {
                         unsigned char got[sizeof s_raw];
                         std::memset(got, 0xA5, sizeof got);
                         Acad::ErrorStatus es = f.readBytes(got, sizeof got);
                         *same = std::memcmp(got, s_raw, sizeof got) == 0;
                         *untouched = std::all_of(got, got + sizeof got, [](unsigned char c) { return c == 0xA5; });
                         return es;
                     }});
    static char s_chunk[3] = {'\0', '\x7F', '\xFE'};
    kinds.push_back({"BChunk", "BChunk", [](AcDbDwgFiler& f) { return f.writeBChunk(ads_binary{3, s_chunk}); },
                     [](AcDbDwgFiler& f, bool* same, bool* untouched) {
                         ads_binary got{-5, s_chunk};
                         Acad::ErrorStatus es = f.readBChunk(&got);
                         *untouched = got.clen == -5 && got.buf == s_chunk;
                         *same = got.clen == 3 && got.buf != s_chunk && std::memcmp(got.buf, s_chunk, 3) == 0;
                         if (!*untouched)
                             delete[] got.buf;
                         return es;
                     }});
    return kinds;
}

#undef FILER_KIND

}  // namespace filer_kinds
