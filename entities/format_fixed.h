// Turns a coordinate value into the text that the entities display. The command module
// compiles this same source into itself, so both modules show a value alike.
#pragma once

#include "AcString.h"
#include "adesk.h"

// The value with the given number of decimals, or rounded to a whole number without a
// decimal point when decimals is 0; a negative count gives six decimals. A value below
// 10^15 in magnitude is first reduced to 15 significant digits and then rounded half
// away from zero, so equal coordinates computed along different paths show alike; a
// value that rounds to zero shows no minus sign. Larger values, infinities and NaN keep
// the runtime's "%.*f" text. The whole text is returned whatever its length; the
// decimal separator is always the point.
AcString formatFixed(double value, Adesk::Int16 decimals);

// The same text written into out, which holds capacity wide characters, without a
// terminator; returns its length, or -1 (out unspecified) when it does not fit.
int formatFixedInto(double value, Adesk::Int16 decimals, wchar_t* out, int capacity);
