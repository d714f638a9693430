// The drawing colour index (ACI): the 256 colours an entity or layer names by number,
// as screen and plot colours.
#pragma once

#include <cstdint>

namespace vemio {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};

constexpr int kColorByBlock = 0;
constexpr int kColorByLayer = 256;
constexpr int kColorForeground = 7;

// The colour of index 1..255. Index 7 is the foreground: black on a light background,
// white on a dark one. Anything else (by block, by layer, out of range) is taken as 7.
Rgb aciColor(int index, bool darkBackground);

}  // namespace vemio
