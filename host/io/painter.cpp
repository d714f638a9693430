// What every surface of a plot shares: a character's glyph drawn as its strokes and fill
// where a surface does not define glyphs once, and the split of a glyph's frame for
// those that do.
#include <cmath>
#include <vector>

#include "painter.h"
#include "glyph_target.h"

namespace vemio {

namespace {

constexpr double kShapeSteps = 1e6;  // the shape is kept to a millionth

double roundedShape(double value) { return std::round(value * kShapeSteps) / kShapeSteps; }

}  // namespace

GlyphFrame splitGlyphFrame(const PaintedGlyph& g)
{
    GlyphFrame f;
    const double alongLength = std::hypot(g.xAxis.x, g.xAxis.y);
    if (!(alongLength > 0.0) || !std::isfinite(alongLength))
        return f;
    f.across = {g.xAxis.x / alongLength, g.xAxis.y / alongLength};
    const double lean = g.yAxis.x * f.across.x + g.yAxis.y * f.across.y;
    const DevicePoint up{g.yAxis.x - lean * f.across.x, g.yAxis.y - lean * f.across.y};
    f.scale = std::hypot(up.x, up.y);
    if (!(f.scale > 1e-9 * alongLength) || !std::isfinite(f.scale))
        return f;
    f.down = {-up.x / f.scale, -up.y / f.scale};
    f.widthFactor = roundedShape(alongLength / f.scale);
    f.slant = roundedShape(lean / f.scale);
    f.usable = f.widthFactor != 0.0 && std::isfinite(g.origin.x) && std::isfinite(g.origin.y);
    return f;
}

void Painter::glyph(const PaintedGlyph& g)
{
    std::vector<DevicePoint> device;
    auto place = [&](const acrt::StrokePoint* points, std::size_t count) {
        device.clear();
        for (std::size_t i = 0; i < count; ++i)
            device.push_back({g.origin.x + g.xAxis.x * points[i].x + g.yAxis.x * points[i].y,
                              g.origin.y + g.xAxis.y * points[i].x + g.yAxis.y * points[i].y});
    };
    acrt::glyphOutline(
        *g.font, g.ch,
        [&](const acrt::StrokePoint* points, std::size_t count) {
            place(points, count);
            polyline(device.data(), device.size(), g.color, g.width);
        },
        [&](const acrt::StrokePoint* points, std::size_t count) {
            place(points, count);
            polygon(device.data(), device.size(), g.color);
        });
}

}  // namespace vemio
