// Export marker of the entity module: the classes and functions that the command
// module and the host link against. Everything else in the library stays hidden.
#pragma once

#define VEMD_EXPORT __attribute__((visibility("default")))
