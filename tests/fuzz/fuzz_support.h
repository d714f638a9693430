// What the fuzz targets share: the entry point they define, a check that stops the
// run with a message (libFuzzer and the corpus replay both report the abort), and the
// entity module's classes registered in-process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "rxdefs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// An invariant of the program under test that the input broke: a finding.
#define FUZZ_CHECK(cond, what)                                                            \
    do {                                                                                  \
        if (!(cond)) {                                                                    \
            std::fprintf(stderr, "%s:%d: fuzz check failed: %s (%s)\n", __FILE__, __LINE__, \
                         what, #cond);                                                    \
            std::abort();                                                                 \
        }                                                                                 \
    } while (0)

namespace fuzz {

// Writes the target's seed corpus into dir (each target defines it; the replay
// program runs it for "--write-seeds DIR").
void writeSeeds(const std::string& dir);

// Writes one seed file dir/name.
void writeSeed(const std::string& dir, const std::string& name, const std::vector<unsigned char>& bytes);
void writeSeed(const std::string& dir, const std::string& name, const std::string& text);

// Registers EOrigin, ECoPoint and ECoLine through the linked entity module's entry
// point, once per process; the module's load message is not printed.
void loadEntityModule();

}  // namespace fuzz
