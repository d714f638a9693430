// Surfaces a plot draws on: one small interface, with a backend that writes SVG text of
// its own (stable, so that pictures can be compared byte for byte) and one that draws
// through cairo into PNG or PDF.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "aci_colors.h"
#include "stroke_font.h"
#include "vemio_port.h"

namespace vemio {

// Device units are 1/96 inch (CSS pixels; PNG pixels), x to the right, y down.
struct DevicePoint {
    double x, y;
};

// A character of a text on the page: the glyph of ch in font (acrt::glyphOutline, in
// font units u along and v up from the pen's start on the baseline) lands at
// origin + xAxis * u + yAxis * v; its strokes are width wide.
struct PaintedGlyph {
    const acrt::StrokeFont* font = nullptr;
    char32_t ch = 0;
    DevicePoint origin{0, 0}, xAxis{0, 0}, yAxis{0, 0};
    Rgb color;
    double width = 1.0;
};

// A glyph's frame split into what the page applies, a scale and a turn (with a mirror
// when the frame turns the glyph over), and the shape that goes with the glyph's one
// definition, its width factor and slant: the glyph's point (u, v) is defined at
// (gx, gy) = (widthFactor * u + slant * v, -v), y down as on the page, and lands at
// origin + scale * (across * gx + down * gy), across and down of unit length. The shape
// is rounded to a millionth so that texts of one style share their definitions.
struct GlyphFrame {
    bool usable = false;  // false for a frame without area: its glyph is drawn as strokes
    double scale = 0.0;
    DevicePoint across{1, 0}, down{0, 1};
    double widthFactor = 1.0, slant = 0.0;
};
VEMIO_PORT GlyphFrame splitGlyphFrame(const PaintedGlyph& g);

class Painter {
public:
    virtual ~Painter() = default;
    // Limits everything drawn afterwards to the rectangle.
    virtual void clip(double x, double y, double width, double height) = 0;
    // An open run of segments, stroked with round ends and joins.
    virtual void polyline(const DevicePoint* points, std::size_t count, Rgb color, double width) = 0;
    // A filled outline.
    virtual void polygon(const DevicePoint* points, std::size_t count, Rgb color) = 0;
    // Something too small to draw in full, the box x, y, width, height (width and height
    // not negative): a raster surface gives every pixel the box touches the colour, over
    // everything else drawn; a vector surface fills the box.
    virtual void mark(double x, double y, double width, double height, Rgb color)
    {
        const DevicePoint box[4] = {{x, y}, {x + width, y}, {x + width, y + height}, {x, y + height}};
        polygon(box, 4, color);
    }
    // A character of a text; by default its glyph's strokes and fill, drawn as they are.
    virtual void glyph(const PaintedGlyph& g);
    // Completes the file; false, with a message, when it could not be written.
    virtual bool finish(std::string& error) = 0;
};

enum class PictureFormat { kSvg, kPng, kPdf };

// A painter for a page of width × height device units filled with the background, that
// writes path when finished. Null, with the reason, when the file cannot be started. An
// SVG of a sheet (inMillimetres) gives its size in mm, its device units in the viewBox.
std::unique_ptr<Painter> makeSvgPainter(const std::string& path, double width, double height, Rgb background,
                                        bool inMillimetres, std::string& error);
std::unique_ptr<Painter> makeCairoPainter(PictureFormat format, const std::string& path, double width,
                                          double height, Rgb background, std::string& error);

}  // namespace vemio
