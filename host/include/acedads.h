// Editor input of the host: points, strings, entity picks and selection sets.
#pragma once

#include "adscodes.h"
#include "adsdef.h"

ACCORE_PORT int acedGetPoint(const ads_point pt, const ACHAR* prompt, ads_point result);
// A distance: a number typed, or the distance from pt (without pt, between two points
// asked for) to a point given. RSG_NOZERO and RSG_NONEG ask again for what they rule out.
ACCORE_PORT int acedGetDist(const ads_point pt, const ACHAR* prompt, ads_real* result);
// cronly != 0: spaces belong to the answer and only Enter ends it; 0: a space ends it.
// An answer that does not fit in bufsize characters (terminator included) returns
// RTINPUTTRUNCATED with the buffer holding what fits.
ACCORE_PORT int acedGetString(int cronly, const ACHAR* prompt, ACHAR* result, size_t bufsize);
template <size_t nBufLen>
inline int acedGetString(int cronly, const wchar_t* prompt, wchar_t (&buf)[nBufLen])
{
    return acedGetString(cronly, prompt, buf, nBufLen);
}
ACCORE_PORT int acedEntSel(const ACHAR* str, ads_name entres, ads_point ptres);
ACCORE_PORT int acedSSGet(const ACHAR* str, const void* pt1, const void* pt2, const struct resbuf* filter,
                          ads_name ss);
ACCORE_PORT int acedSSLength(const ads_name sname, Adesk::Int32* len);
ACCORE_PORT int acedSSName(const ads_name ss, int i, ads_name entres);
ACCORE_PORT int acedSSFree(const ads_name sname);
ACCORE_PORT int acedSSSetFirst(const ads_name pset, const ads_name unused);
ACCORE_PORT int acedSSGetFirst(struct resbuf** gset, struct resbuf** pset);
// The control bits and the keywords (separated by spaces; the capitals of each are the
// shortest answer that names it) for the next input call only.
ACCORE_PORT int acedInitGet(int val, const ACHAR* kwl);
// The keyword that the last input call answered with RTKWORD, in full.
ACCORE_PORT int acedGetInput(ACHAR* str, size_t nBufLen);
