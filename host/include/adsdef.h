// Plain data types of the host's editor interface: points, entity names, result buffers.
#pragma once

#include "adesk.h"

typedef double ads_real;
typedef ads_real ads_point[3];
typedef ads_real ads_matrix[4][4];
typedef ads_real* ads_pointp;
// 64-bit host: an entity or selection-set name is two 64-bit integers.
typedef int64_t ads_name[2];
typedef int64_t* ads_namep;

enum { X = 0, Y = 1, Z = 2 };
enum { T = 3 };

#pragma pack(push, 8)
struct ads_binary {
    short clen;
    char* buf;
};

union ads_u_val {
    ads_real rreal;
    ads_real rpoint[3];
    short rint;
    ACHAR* rstring;
    int64_t rlname[2];
    Adesk::LongPtr mnLongPtr;
    int32_t rlong;
    int64_t mnInt64;
    struct ads_binary rbinary;
    unsigned char ihandle[8];
};

struct resbuf {
    struct resbuf* rbnext;
    short restype;
    union ads_u_val resval;
};
#pragma pack(pop)

typedef struct resbuf* pResbuf;
