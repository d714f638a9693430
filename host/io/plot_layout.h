// Laying a plot's area out on its page: the scale (given as 1:n or fitted), where the
// area lands on the paper or on a picture of its own, and the device units of the page.
#pragma once

#include <algorithm>
#include <cmath>
#include <string>

#include "plot.h"

namespace vemio {

// A rectangle of drawing coordinates; empty until a finite point is added.
struct Bounds {
    double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
    bool empty() const { return minX > maxX; }
    void add(const AcGePoint3d& p)
    {
        if (!std::isfinite(p.x) || !std::isfinite(p.y))
            return;
        minX = std::min(minX, p.x);
        minY = std::min(minY, p.y);
        maxX = std::max(maxX, p.x);
        maxY = std::max(maxY, p.y);
    }
};

// The page for the area: unitMm is a drawing unit's length in mm, devicePerMm the
// page's device units per mm on paper (PNG on paper: its dpi / 25.4), wholePixels
// rounds the sheet to whole device units (a PNG's pixels). False, with a message, when
// the area cannot be laid out.
bool planPage(Bounds area, const PlotOptions& options, double unitMm, double devicePerMm, bool wholePixels,
              PlotPage& page, std::string& error);

// A message for options that cannot be plotted, or empty.
std::string checkLayoutOptions(const PlotOptions& options);

}  // namespace vemio
