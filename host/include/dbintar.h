// Arrays of integers used by grip and snap services.
#pragma once
#include "acarray.h"
