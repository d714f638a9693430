// PLOT: model space (all of it, or a window) drawn to an SVG, PNG or PDF picture, from
// what each entity draws, so that a label's picture is exactly its measured layout.
#pragma once

#include <string>

#include "dbmain.h"
#include "vemio_port.h"

namespace vemio {

// The page is measured in device units of 1/96 inch: PNG pixels, SVG user units, and
// 0.75 point each in a PDF.
//  - paperScale 0 fits the area to a page pixelWidth units wide (the height follows the
//    area, up to four times the width) with a margin of a fortieth of the width.
//  - paperScale n > 0 plots at 1:n with drawing units taken as metres: one drawing unit
//    is 1000 / n mm on paper, with a 10 mm margin; pixelWidth is then not used.
// Lineweights are mm on paper (at least one device unit wide); colour 7 is black on the
// white background and white on the dark one.
struct PlotOptions {
    bool window = false;  // plot the window corner1-corner2 instead of the extents
    AcGePoint3d corner1, corner2;
    bool darkBackground = false;
    double paperScale = 0;  // 0 = fit
    int pixelWidth = 1600;
    // PNG only: what is too small to see at the page's scale is drawn from afar (an
    // entity under a couple of pixels as the pixels of its box, a text too low to read
    // as a stroke along its ink). SVG and PDF are always drawn in full.
    bool levelOfDetail = true;
};

// Where drawing points land on the page.
struct PlotPage {
    double width = 0, height = 0;     // device units
    double scale = 0;                 // device units per drawing unit
    double originX = 0, originY = 0;  // device position of the drawing point (0, 0)
    double deviceX(double x) const { return originX + x * scale; }
    double deviceY(double y) const { return originY - y * scale; }
};

// True when the file name ends in .svg, .png or .pdf (any case).
VEMIO_PORT bool isPlotFileName(const std::string& path);

// Draws model space to path, whose extension (.svg, .png or .pdf, any case) chooses the
// format, replacing the file there whole or not at all (file_replacement.h); false,
// with a message in error, when nothing could be plotted or written. page, when given,
// receives the page layout.
VEMIO_PORT bool plot(AcDbDatabase* db, const std::string& path, const PlotOptions& options, std::string& error,
                     PlotPage* page = nullptr);

}  // namespace vemio
