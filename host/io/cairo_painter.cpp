// The cairo backend of plots: an image surface written as PNG, or a PDF surface whose
// page is the same size in points (device units × 0.75). Consecutive strokes of one
// colour and width are stroked as one path; a PNG's marks are kept aside and set into
// its pixels last. A PDF's texts are shown in fonts of their glyphs (cairo_glyph_fonts.h).
// Both go to the file through a stream of ours, so that a write that fails, up to the
// file's close, fails the plot.
#include <cairo-pdf.h>
#include <cairo.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "cairo_glyph_fonts.h"
#include "painter.h"

namespace vemio {

namespace {

constexpr double kPointsPerDeviceUnit = 72.0 / 96.0;
// Strokes are gathered into one path up to this many points: fewer calls, while
// cairo's stroker still gets paths short enough to be fast.
constexpr std::size_t kMaxPendingPoints = 256;
constexpr double kThinLine = 2.0;  // device units

double channel(std::uint8_t value) { return value / 255.0; }

cairo_status_t writeToFile(void* file, const unsigned char* data, unsigned int length)
{
    return std::fwrite(data, 1, length, static_cast<std::FILE*>(file)) == length ? CAIRO_STATUS_SUCCESS
                                                                                 : CAIRO_STATUS_WRITE_ERROR;
}

class CairoPainter final : public Painter {
public:
    // Takes the file and the surface (which may write to the file until destroyed).
    CairoPainter(PictureFormat format, std::FILE* file, cairo_surface_t* surface, Rgb background)
        : m_format(format), m_file(file), m_surface(surface), m_cr(cairo_create(surface))
    {
        if (format == PictureFormat::kPdf)
            cairo_scale(m_cr, kPointsPerDeviceUnit, kPointsPerDeviceUnit);
        cairo_set_source_rgb(m_cr, channel(background.r), channel(background.g), channel(background.b));
        cairo_paint(m_cr);
        // Fast antialiasing draws thin strokes as well as the default at less than half
        // the time, and drawings are almost all thin strokes.
        cairo_set_antialias(m_cr, CAIRO_ANTIALIAS_FAST);
    }
    ~CairoPainter() override
    {
        cairo_destroy(m_cr);
        cairo_surface_destroy(m_surface);
        if (m_file != nullptr)
            std::fclose(m_file);
    }
    CairoPainter(const CairoPainter&) = delete;
    CairoPainter& operator=(const CairoPainter&) = delete;

    void clip(double x, double y, double width, double height) override
    {
        paintGathered();
        cairo_rectangle(m_cr, x, y, width, height);
        cairo_clip(m_cr);
        m_clip = {x, y, x + width, y + height};
    }

    void polyline(const DevicePoint* points, std::size_t count, Rgb color, double width) override
    {
        if (count < 2)
            return;
        paintIn(color);
        if (m_pending && width != m_width)
            strokePending();
        m_pending = true;
        m_width = width;
        addPath(points, count);
        m_pendingPoints += count;
        if (m_pendingPoints >= kMaxPendingPoints)
            strokePending();
    }

    void polygon(const DevicePoint* points, std::size_t count, Rgb color) override
    {
        if (count < 3)
            return;
        paintIn(color);
        strokePending();
        addPath(points, count);
        cairo_close_path(m_cr);
        cairo_set_source_rgb(m_cr, channel(color.r), channel(color.g), channel(color.b));
        cairo_fill(m_cr);
    }

    void mark(double x, double y, double width, double height, Rgb color) override
    {
        if (m_format != PictureFormat::kPng) {
            Painter::mark(x, y, width, height, color);
            return;
        }
        PixelBox box;
        if (pixelsOf(x, y, width, height, box))
            m_marks.push_back({box, (std::uint32_t(color.r) << 16) | (std::uint32_t(color.g) << 8) | color.b});
    }

    void glyph(const PaintedGlyph& g) override
    {
        const GlyphFrame frame = splitGlyphFrame(g);
        if (m_format != PictureFormat::kPdf || !frame.usable) {
            Painter::glyph(g);
            return;
        }
        paintIn(g.color);
        m_glyphFonts.add(m_cr, g, frame);
    }

    bool finish(std::string& error) override
    {
        paintGathered();
        setMarks();
        cairo_status_t status = cairo_status(m_cr);
        if (status == CAIRO_STATUS_SUCCESS && m_format == PictureFormat::kPng)
            status = cairo_surface_write_to_png_stream(m_surface, writeToFile, m_file);
        if (status == CAIRO_STATUS_SUCCESS && m_format == PictureFormat::kPdf) {
            cairo_surface_finish(m_surface);
            status = cairo_surface_status(m_surface);
        }
        std::FILE* file = m_file;
        m_file = nullptr;
        const bool closed = std::fclose(file) == 0;
        if (status != CAIRO_STATUS_SUCCESS)
            error = "writing the picture failed: " + std::string(cairo_status_to_string(status));
        else if (!closed)
            error = std::string("writing the picture failed: ") + std::strerror(errno);
        return status == CAIRO_STATUS_SUCCESS && closed;
    }

private:
    struct PixelBox {
        int x0, y0, x1, y1;  // the first and last pixels across and down
    };
    struct Mark {
        PixelBox box;
        std::uint32_t pixel;  // as the surface holds it: 0x00RRGGBB
    };

    // The pixels a box touches, within the clip; false when none.
    bool pixelsOf(double x, double y, double width, double height, PixelBox& box) const
    {
        const double x1 = std::min(x + width, m_clip[2]), y1 = std::min(y + height, m_clip[3]);
        x = std::max(x, m_clip[0]);
        y = std::max(y, m_clip[1]);
        if (!(x <= x1 && y <= y1))  // also when not a number
            return false;
        const double lastX = cairo_image_surface_get_width(m_surface) - 1.0;
        const double lastY = cairo_image_surface_get_height(m_surface) - 1.0;
        box = {int(std::clamp(std::floor(x), 0.0, lastX)), int(std::clamp(std::floor(y), 0.0, lastY)),
               int(std::clamp(std::floor(x1), 0.0, lastX)), int(std::clamp(std::floor(y1), 0.0, lastY))};
        return true;
    }
    // The marks, in the order they came, over the strokes and fills.
    void setMarks()
    {
        if (m_marks.empty())
            return;
        cairo_surface_flush(m_surface);
        unsigned char* data = cairo_image_surface_get_data(m_surface);
        const int stride = cairo_image_surface_get_stride(m_surface);
        for (const Mark& m : m_marks)
            for (int row = m.box.y0; row <= m.box.y1; ++row) {
                auto* line = reinterpret_cast<std::uint32_t*>(data + std::ptrdiff_t(row) * stride);
                std::fill(line + m.box.x0, line + m.box.x1 + 1, m.pixel);
            }
        cairo_surface_mark_dirty(m_surface);
        m_marks.clear();
    }
    // What comes next is painted in color. Paint of one colour may be laid in any order
    // (it covers the same pixels), so strokes and characters gather while the colour
    // stays, and what gathered is painted when it changes.
    void paintIn(Rgb color)
    {
        if (color != m_color)
            paintGathered();
        m_color = color;
    }
    void paintGathered()
    {
        strokePending();
        if (!m_glyphFonts.empty())
            m_glyphFonts.show(m_cr, m_color);
    }
    void addPath(const DevicePoint* points, std::size_t count)
    {
        cairo_move_to(m_cr, points[0].x, points[0].y);
        for (std::size_t i = 1; i < count; ++i)
            cairo_line_to(m_cr, points[i].x, points[i].y);
    }
    void strokePending()
    {
        if (!m_pending)
            return;
        cairo_set_source_rgb(m_cr, channel(m_color.r), channel(m_color.g), channel(m_color.b));
        cairo_set_line_width(m_cr, m_width);
        // Round ends and joins cost cairo many polygon edges and do not show on lines
        // a couple of pixels wide.
        const bool thin = m_width <= kThinLine;
        cairo_set_line_cap(m_cr, thin ? CAIRO_LINE_CAP_BUTT : CAIRO_LINE_CAP_ROUND);
        cairo_set_line_join(m_cr, thin ? CAIRO_LINE_JOIN_BEVEL : CAIRO_LINE_JOIN_ROUND);
        cairo_stroke(m_cr);
        m_pending = false;
        m_pendingPoints = 0;
    }

    PictureFormat m_format;
    std::FILE* m_file;
    cairo_surface_t* m_surface;
    cairo_t* m_cr;
    bool m_pending = false;
    std::size_t m_pendingPoints = 0;
    Rgb m_color;
    double m_width = 0.0;
    std::array<double, 4> m_clip = {-HUGE_VAL, -HUGE_VAL, HUGE_VAL, HUGE_VAL};  // left, top, right, bottom
    std::vector<Mark> m_marks;
    CairoGlyphFonts m_glyphFonts;
};

}  // namespace

std::unique_ptr<Painter> makeCairoPainter(PictureFormat format, const std::string& path, double width,
                                          double height, Rgb background, std::string& error)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = std::strerror(errno);
        return nullptr;
    }
    cairo_surface_t* surface = nullptr;
    if (format == PictureFormat::kPdf)
        surface = cairo_pdf_surface_create_for_stream(writeToFile, file, width * kPointsPerDeviceUnit,
                                                      height * kPointsPerDeviceUnit);
    else
        surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, int(width), int(height));
    const cairo_status_t status = cairo_surface_status(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        std::fclose(file);
        error = cairo_status_to_string(status);
        return nullptr;
    }
    return std::make_unique<CairoPainter>(format, file, surface, background);
}

}  // namespace vemio
