// Runtime-library calls of the host platform that the C library here lacks.
#pragma once

#include "adesk.h"

// Wide string to double: leading blanks skipped, the longest leading decimal number
// taken, 0.0 when there is none (hexadecimal, "inf" and "nan" are no number).
ACCORE_PORT double _wtof(const wchar_t* str);
