// PLOT: model space (all of it, or a window) or paper space drawn to an SVG, PNG or PDF
// picture, on a sheet of paper or as a picture of the area alone, from what each entity
// draws, so that a label's picture is exactly its measured layout.
#pragma once

#include <string>

#include "dbmain.h"
#include "vemio_port.h"

namespace vemio {

// Without paper (paperWidth 0), the page is a picture of the area alone, measured in
// device units of 1/96 inch: PNG pixels, SVG user units, and 0.75 point each in a PDF.
//  - paperScale 0 fits the area to a page pixelWidth units wide (the height follows the
//    area, up to four times the width) with a margin of a fortieth of the width.
//  - paperScale n > 0 plots at 1:n with a 10 mm margin; pixelWidth is then not used.
// On paper (paperWidth and paperHeight in mm, as the sheet lies: width across), the page
// is the sheet: a PDF page of its size, an SVG sized in mm, a PNG of paper mm / 25.4 ×
// dpi pixels. paperScale 0 fits the area inside a 10 mm margin; n > 0 plots at 1:n,
// and what lies outside the sheet is left out (PlotPage::clipped).
// At 1:n one drawing unit is (the unit's length in mm) / n mm on paper, the unit being
// the drawing's INSUNITS (undefined taken as metres); a layout plot draws paper space
// at 1:1, its units taken as millimetres. Lineweights are mm on paper (at least one
// device unit wide); colour 7 is black on the white background and white on the dark one.
struct PlotOptions {
    bool window = false;  // plot the window corner1-corner2 instead of the extents
    AcGePoint3d corner1, corner2;
    bool layout = false;  // plot paper space's extents at 1:1 instead of model space
    bool darkBackground = false;
    double paperScale = 0;  // 0 = fit; n = 1:n
    int pixelWidth = 1600;
    double paperWidth = 0, paperHeight = 0;  // mm; 0: no paper
    // Where the area's lower left corner lies, in mm from the paper's lower left corner;
    // centred on the paper when not given.
    bool centered = true;
    double offsetX = 0, offsetY = 0;
    double dpi = 150;  // PNG on paper
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
    double devicePerMm = 96.0 / 25.4;
    double scaleDenominator = 0;  // the n of 1:n the area was drawn at (a fit's too)
    bool clipped = false;         // part of the area lies outside the paper
    double deviceX(double x) const { return originX + x * scale; }
    double deviceY(double y) const { return originY - y * scale; }
};

// The length of one drawing unit in mm for an INSUNITS value; undefined (and anything
// unknown) as metres.
VEMIO_PORT double millimetresPerUnit(AcDb::UnitsValue units);

// True when the file name ends in .svg, .png or .pdf (any case).
VEMIO_PORT bool isPlotFileName(const std::string& path);

// Draws model space to path, whose extension (.svg, .png or .pdf, any case) chooses the
// format, replacing the file there whole or not at all (file_replacement.h); false,
// with a message in error, when nothing could be plotted or written. page, when given,
// receives the page layout.
VEMIO_PORT bool plot(AcDbDatabase* db, const std::string& path, const PlotOptions& options, std::string& error,
                     PlotPage* page = nullptr);

}  // namespace vemio
