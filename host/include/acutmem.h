// Strings the host hands to its callers on the heap: made with acutNewString, freed
// with acutDelString (the text entity's and the attributes' string copies).
#pragma once

#include "acadstrc.h"
#include "adesk.h"

// A heap copy of pInput in rpOutput (null for a null input); eOutOfMemory leaves it null.
ACCORE_PORT Acad::ErrorStatus acutNewString(const ACHAR* pInput, ACHAR*& rpOutput);
// Frees rpOutput and puts a heap copy of pInput (or null) in its place.
ACCORE_PORT Acad::ErrorStatus acutUpdString(const ACHAR* pInput, ACHAR*& rpOutput);
// Frees a string the host handed out and nulls the pointer.
inline void acutDelString(wchar_t*& pString)
{
    acutUpdString(nullptr, pString);
}
