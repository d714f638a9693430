// The SVG backend of plots, written as text by us rather than by cairo: cairo's SVG
// names elements with process-wide counters and rounds coordinates its own way, which
// would make the same drawing give different files. Consecutive strokes of one colour
// and width share one path element.
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "painter.h"

namespace vemio {

namespace {

constexpr double kMmPerDeviceUnit = 25.4 / 96.0;

// Hundredths of a device unit (finer than any screen or printer shows), without
// trailing zeros. Integer arithmetic: this runs for every point of every stroke.
void appendNumber(std::string& out, double value)
{
    if (!std::isfinite(value) || std::fabs(value) >= 1e15)
        value = 0.0;
    long long hundredths = std::llround(value * 100.0);
    if (hundredths < 0) {
        out += '-';
        hundredths = -hundredths;
    }
    char buf[24];
    out.append(buf, std::to_chars(buf, buf + sizeof buf, hundredths / 100).ptr);
    const int fraction = int(hundredths % 100);
    if (fraction != 0) {
        out += '.';
        out += char('0' + fraction / 10);
        if (fraction % 10 != 0)
            out += char('0' + fraction % 10);
    }
}

void appendColor(std::string& out, Rgb c)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r, c.g, c.b);
    out += buf;
}

class SvgPainter final : public Painter {
public:
    SvgPainter(std::FILE* file, double width, double height, Rgb background, bool inMillimetres) : m_file(file)
    {
        const double toSize = inMillimetres ? kMmPerDeviceUnit : 1.0;
        const char* unit = inMillimetres ? "mm" : "";
        m_out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"";
        appendNumber(m_out, width * toSize);
        m_out += unit;
        m_out += "\" height=\"";
        appendNumber(m_out, height * toSize);
        m_out += unit;
        m_out += "\" viewBox=\"0 0 ";
        appendNumber(m_out, width);
        m_out += ' ';
        appendNumber(m_out, height);
        m_out += "\">\n<rect width=\"100%\" height=\"100%\" fill=\"";
        appendColor(m_out, background);
        m_out += "\"/>\n<g fill=\"none\" stroke-linecap=\"round\" stroke-linejoin=\"round\">\n";
        m_openGroups = 1;
    }
    ~SvgPainter() override
    {
        if (m_file != nullptr)
            std::fclose(m_file);
    }

    void clip(double x, double y, double width, double height) override
    {
        endPath();
        m_out += "<clipPath id=\"plot-area\"><rect x=\"";
        appendNumber(m_out, x);
        m_out += "\" y=\"";
        appendNumber(m_out, y);
        m_out += "\" width=\"";
        appendNumber(m_out, width);
        m_out += "\" height=\"";
        appendNumber(m_out, height);
        m_out += "\"/></clipPath>\n<g clip-path=\"url(#plot-area)\">\n";
        ++m_openGroups;
    }

    void polyline(const DevicePoint* points, std::size_t count, Rgb color, double width) override
    {
        if (count < 2)
            return;
        if (!m_pathOpen || color != m_color || width != m_width) {
            endPath();
            m_out += "<path stroke=\"";
            appendColor(m_out, color);
            m_out += "\" stroke-width=\"";
            appendNumber(m_out, width);
            m_out += "\" d=\"";
            m_pathOpen = true;
            m_color = color;
            m_width = width;
        } else {
            m_out += '\n';
        }
        appendPoints(points, count);
        flushIfFull();
    }

    void polygon(const DevicePoint* points, std::size_t count, Rgb color) override
    {
        if (count < 3)
            return;
        endPath();
        m_out += "<path fill=\"";
        appendColor(m_out, color);
        m_out += "\" d=\"";
        appendPoints(points, count);
        m_out += "Z\"/>\n";
        flushIfFull();
    }

    bool finish(std::string& error) override
    {
        endPath();
        for (; m_openGroups > 0; --m_openGroups)
            m_out += "</g>\n";
        m_out += "</svg>\n";
        write();
        std::FILE* file = m_file;
        m_file = nullptr;
        if (std::fclose(file) != 0)
            m_failed = true;
        if (m_failed)
            error = std::string("writing the picture failed: ") + std::strerror(errno);
        return !m_failed;
    }

private:
    void appendPoints(const DevicePoint* points, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i) {
            m_out += i == 0 ? 'M' : 'L';
            appendNumber(m_out, points[i].x);
            m_out += ' ';
            appendNumber(m_out, points[i].y);
        }
    }
    void endPath()
    {
        if (m_pathOpen)
            m_out += "\"/>\n";
        m_pathOpen = false;
    }
    void flushIfFull()
    {
        if (m_out.size() >= (1u << 16))
            write();
    }
    void write()
    {
        if (!m_failed && std::fwrite(m_out.data(), 1, m_out.size(), m_file) != m_out.size())
            m_failed = true;
        m_out.clear();
    }

    std::FILE* m_file;
    std::string m_out;
    int m_openGroups = 0;
    bool m_pathOpen = false;
    bool m_failed = false;
    Rgb m_color;
    double m_width = 0.0;
};

}  // namespace

std::unique_ptr<Painter> makeSvgPainter(const std::string& path, double width, double height, Rgb background,
                                        bool inMillimetres, std::string& error)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<SvgPainter>(file, width, height, background, inMillimetres);
}

}  // namespace vemio
