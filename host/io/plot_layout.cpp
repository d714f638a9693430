// Laying a plot's area out on its page. On paper the page is the sheet: the area is drawn
// at 1:n or fitted inside the margins, centred or at an offset from the sheet's lower
// left corner, and whatever falls outside the sheet is noted as clipped. Without paper
// the page is sized to the area, as a picture of a given width or at 1:n.
#include "plot_layout.h"

namespace vemio {

namespace {

constexpr double kMarginMm = 10.0;
constexpr double kMaxTallness = 4.0;  // a fitted picture's height as a multiple of its width
constexpr int kMinPixelWidth = 16;
constexpr int kMaxPixelWidth = 20000;
constexpr double kMaxPaperMm = 5000.0;
constexpr double kMinDpi = 10.0, kMaxDpi = 2400.0;
constexpr double kClipToleranceMm = 0.01;

// Device units per drawing unit at 1:n.
double scaleAt(double n, double unitMm, double devicePerMm) { return unitMm / n * devicePerMm; }

void planPicture(double w, double h, const Bounds& area, const PlotOptions& o, double unitMm, PlotPage& page)
{
    const double devicePerMm = 96.0 / 25.4;
    if (o.paperScale > 0) {
        page.scale = scaleAt(o.paperScale, unitMm, devicePerMm);
        const double margin = kMarginMm * devicePerMm;
        page.width = std::ceil(w * page.scale + 2 * margin);
        page.height = std::ceil(h * page.scale + 2 * margin);
    } else {
        const double width = o.pixelWidth, margin = width / 40.0;
        page.scale = w > 0 ? (width - 2 * margin) / w : HUGE_VAL;
        if (h * page.scale > kMaxTallness * width - 2 * margin)
            page.scale = (kMaxTallness * width - 2 * margin) / h;
        page.width = width;
        page.height = std::ceil(h * page.scale + 2 * margin);
    }
    page.devicePerMm = devicePerMm;
    page.originX = (page.width - w * page.scale) / 2 - area.minX * page.scale;
    page.originY = (page.height - h * page.scale) / 2 + area.maxY * page.scale;
}

void planSheet(double w, double h, const Bounds& area, const PlotOptions& o, double unitMm, double devicePerMm,
               bool wholePixels, PlotPage& page)
{
    const double paperW = o.paperWidth, paperH = o.paperHeight;
    double mmPerUnit = 0;
    if (o.paperScale > 0) {
        mmPerUnit = unitMm / o.paperScale;
    } else {
        const double roomW = std::max(paperW - 2 * kMarginMm, paperW / 2);
        const double roomH = std::max(paperH - 2 * kMarginMm, paperH / 2);
        mmPerUnit = std::min(w > 0 ? roomW / w : HUGE_VAL, h > 0 ? roomH / h : HUGE_VAL);
    }
    page.devicePerMm = devicePerMm;
    page.width = paperW * devicePerMm;
    page.height = paperH * devicePerMm;
    if (wholePixels) {
        page.width = std::max(1.0, std::round(page.width));
        page.height = std::max(1.0, std::round(page.height));
    }
    page.scale = mmPerUnit * devicePerMm;
    const double areaW = w * mmPerUnit, areaH = h * mmPerUnit;
    const double left = o.centered ? (paperW - areaW) / 2 : o.offsetX;
    const double bottom = o.centered ? (paperH - areaH) / 2 : o.offsetY;
    page.originX = left * devicePerMm - area.minX * page.scale;
    page.originY = page.height - bottom * devicePerMm + area.minY * page.scale;
    page.clipped = left < -kClipToleranceMm || bottom < -kClipToleranceMm ||
                   left + areaW > paperW + kClipToleranceMm || bottom + areaH > paperH + kClipToleranceMm;
}

}  // namespace

std::string checkLayoutOptions(const PlotOptions& o)
{
    const bool onPaper = o.paperWidth != 0 || o.paperHeight != 0;
    if (!std::isfinite(o.paperScale) || o.paperScale < 0)
        return "the plot scale must be 0 (fit) or a positive number";
    if (!onPaper && o.paperScale == 0 && (o.pixelWidth < kMinPixelWidth || o.pixelWidth > kMaxPixelWidth))
        return "the picture width must be " + std::to_string(kMinPixelWidth) + " to " +
               std::to_string(kMaxPixelWidth) + " pixels";
    if (onPaper && !(o.paperWidth >= 1 && o.paperWidth <= kMaxPaperMm && o.paperHeight >= 1 &&
                     o.paperHeight <= kMaxPaperMm))
        return "the paper must be 1 to 5000 mm each way";
    if (onPaper && !(o.dpi >= kMinDpi && o.dpi <= kMaxDpi))
        return "the resolution must be 10 to 2400 dpi";
    if (!o.centered && !(std::isfinite(o.offsetX) && std::isfinite(o.offsetY)))
        return "the plot offset must be two numbers";
    return {};
}

bool planPage(Bounds area, const PlotOptions& o, double unitMm, double devicePerMm, bool wholePixels,
              PlotPage& page, std::string& error)
{
    if (area.maxX - area.minX <= 0 && area.maxY - area.minY <= 0) {
        area.minX -= 0.5, area.maxX += 0.5, area.minY -= 0.5, area.maxY += 0.5;
    }
    const double w = area.maxX - area.minX, h = area.maxY - area.minY;
    if (o.paperWidth > 0)
        planSheet(w, h, area, o, unitMm, devicePerMm, wholePixels, page);
    else
        planPicture(w, h, area, o, unitMm, page);
    if (!std::isfinite(page.scale) || !(page.scale > 0) || !std::isfinite(page.width * page.height) ||
        !std::isfinite(page.originX) || !std::isfinite(page.originY)) {
        error = "the area cannot be laid out on a page";
        return false;
    }
    page.scaleDenominator = unitMm * page.devicePerMm / page.scale;
    return true;
}

}  // namespace vemio
