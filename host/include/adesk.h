// Base types of the host SDK: fixed-size integers, the wide character type and the
// portability macros every other declaration uses.
#pragma once

#include <cstddef>
#include <cstdint>

typedef wchar_t ACHAR;

#define _ACRX_T(x) L##x
#define ACRX_T(x) _ACRX_T(x)

struct Adesk {
    typedef int8_t Int8;
    typedef int16_t Int16;
    typedef int32_t Int32;
    typedef int64_t Int64;
    typedef uint8_t UInt8;
    typedef uint16_t UInt16;
    typedef uint32_t UInt32;
    typedef uint64_t UInt64;
    typedef bool Boolean;
    static const bool kFalse = false;
    static const bool kTrue = true;
    typedef int64_t LongPtr;
    typedef int64_t IntPtr;
    typedef uint64_t ULongPtr;
    typedef uint64_t UIntPtr;
    typedef LongPtr IntDbId;
    typedef IntPtr GsMarker;
};

#define Adesk_Boolean_is_bool 1

#define ADESK_NO_VTABLE
#define ADESK_SEALED_VIRTUAL virtual
#define ADESK_SEALED final
#define ADESK_OVERRIDE override
#define ADESK_STDCALL

// Symbols of the host runtime library (libacrt) are exported with default visibility;
// everything else in the project is built hidden.
#define ACRT_PORT __attribute__((visibility("default")))
#define ACDB_PORT ACRT_PORT
#define ACBASE_PORT ACRT_PORT
#define ACCORE_PORT ACRT_PORT
#define GE_DLLEXPIMPORT ACRT_PORT
