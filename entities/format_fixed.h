// Turns a coordinate value into the text that the entities display.
#pragma once

#include "AcString.h"
#include "adesk.h"

// The value with the given number of decimals ("%.*lf"), or rounded to a whole number
// ("%0.0f") when decimals is 0. A negative count gives six decimals. The whole text is
// returned whatever its length; the decimal separator is always the point.
AcString formatFixed(double value, Adesk::Int16 decimals);
