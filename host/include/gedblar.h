// Arrays of doubles of the geometry library (declared with the other geometry arrays).
#pragma once

#include "gept3dar.h"
