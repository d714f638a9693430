// Array of untyped pointers, as the host's explode and selection services use.
#pragma once
#include "acarray.h"
