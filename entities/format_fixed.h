// Turns a coordinate value into the text that the entities display.
#pragma once

#include "AcString.h"
#include "adesk.h"

// The value with the given number of decimals ("%.*lf"), or rounded to a whole number
// ("%0.0f") when decimals is 0. A negative count gives six decimals. The whole text is
// returned whatever its length; the decimal separator is always the point.
AcString formatFixed(double value, Adesk::Int16 decimals);

// The same text written into out, which holds capacity wide characters, without a
// terminator; returns its length, or -1 (out unspecified) when it does not fit.
int formatFixedInto(double value, Adesk::Int16 decimals, wchar_t* out, int capacity);
