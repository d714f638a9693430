// The SVG backend of plots, written as text by us rather than by cairo: cairo's SVG
// names elements with process-wide counters and rounds coordinates its own way, which
// would make the same drawing give different files. Consecutive strokes of one colour
// and width share one path element. Each glyph of a text is defined once, where it is
// first used, as a path in its shape's units, and placed by <use>: the characters of a
// run along one baseline share a group whose transform places them and whose stroke
// width, in those units, is the plot's.
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <tuple>
#include <unordered_map>

#include "glyph_target.h"
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

// A scale or a direction: six significant digits, whatever its size.
void appendFactor(std::string& out, double value)
{
    if (!std::isfinite(value) || std::fabs(value) < 1e-9)
        value = 0.0;  // also no "-0"
    char buf[32];
    const int n = std::snprintf(buf, sizeof buf, "%.6g", value);
    out.append(buf, std::size_t(n));
}

// Element ids from a count: a letter, then letters and digits.
void appendId(std::string& out, std::size_t index)
{
    static constexpr char kFirst[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    static constexpr char kNext[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    out += kFirst[index % 52];
    for (index /= 52; index > 0; index /= 62)
        out += kNext[index % 62];
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

    void glyph(const PaintedGlyph& g) override
    {
        const GlyphFrame frame = splitGlyphFrame(g);
        if (!frame.usable) {
            Painter::glyph(g);
            return;
        }
        std::string newPath;
        const Definition& definition = definitionOf(g, frame, newPath);
        if (definition.empty)
            return;
        double x = 0.0;
        if (!continuesRun(g, frame, x)) {
            startRun(g, frame);
            x = 0.0;
        }
        if (!newPath.empty()) {
            m_out += "<defs><path id=\"";
            m_out += definition.id;
            m_out += definition.filled ? "\" stroke=\"none\" d=\"" : "\" d=\"";
            m_out += newPath;
            m_out += "\"/></defs>\n";
        }
        m_out += "<use href=\"#";
        m_out += definition.id;
        m_out += '"';
        if (x != 0.0) {
            m_out += " x=\"";
            appendNumber(m_out, x);
            m_out += '"';
        }
        if (definition.filled) {
            m_out += " fill=\"";
            appendColor(m_out, g.color);
            m_out += '"';
        }
        m_out += "/>\n";
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
        endRun();
    }

    // ---- glyphs ----
    struct Definition {
        std::string id;
        bool empty = true;   // a glyph without ink (a space) is not placed
        bool filled = false; // an outline, filled in the text's colour
    };
    // A glyph's definition; path receives its outline when it is new, to be written where
    // it is first used.
    const Definition& definitionOf(const PaintedGlyph& g, const GlyphFrame& f, std::string& path)
    {
        const auto key = std::make_tuple(g.font, f.widthFactor, f.slant, g.ch);
        auto found = m_definitions.find(key);
        if (found != m_definitions.end())
            return found->second;
        Definition& d = m_definitions[key];
        appendId(d.id, m_definitions.size() - 1);
        auto shaped = [&](const acrt::StrokePoint* points, std::size_t count) {
            for (std::size_t i = 0; i < count; ++i) {
                path += i == 0 ? 'M' : 'L';
                appendNumber(path, f.widthFactor * points[i].x + f.slant * points[i].y);
                path += ' ';
                appendNumber(path, -points[i].y);
            }
        };
        acrt::glyphOutline(
            *g.font, g.ch, [&](const acrt::StrokePoint* points, std::size_t count) { shaped(points, count); },
            [&](const acrt::StrokePoint* points, std::size_t count) {
                shaped(points, count);
                path += 'Z';
                d.filled = true;
            });
        d.empty = path.empty();
        return d;
    }
    // Whether the glyph continues the open run: the same shape, placement, colour and
    // width, its pen start on the run's baseline; x is then its offset along it.
    bool continuesRun(const PaintedGlyph& g, const GlyphFrame& f, double& x) const
    {
        if (!m_runOpen || g.font != m_run.font || g.color != m_run.color || g.width != m_run.width ||
            f.widthFactor != m_run.frame.widthFactor || f.slant != m_run.frame.slant ||
            f.scale != m_run.frame.scale || f.across.x != m_run.frame.across.x ||
            f.across.y != m_run.frame.across.y || f.down.x != m_run.frame.down.x || f.down.y != m_run.frame.down.y)
            return false;
        const double dx = g.origin.x - m_run.origin.x, dy = g.origin.y - m_run.origin.y;
        const double along = (dx * f.across.x + dy * f.across.y) / f.scale;
        const double off = (dx * f.down.x + dy * f.down.y) / f.scale;
        x = along;
        return std::fabs(off) < kOffBaseline;
    }
    void startRun(const PaintedGlyph& g, const GlyphFrame& f)
    {
        endPath();
        m_run = {g.font, g.color, g.width, f, g.origin};
        m_runOpen = true;
        m_out += "<g stroke=\"";
        appendColor(m_out, g.color);
        m_out += "\" stroke-width=\"";
        appendFactor(m_out, g.width / f.scale);
        m_out += "\" transform=\"matrix(";
        appendFactor(m_out, f.scale * f.across.x);
        m_out += ' ';
        appendFactor(m_out, f.scale * f.across.y);
        m_out += ' ';
        appendFactor(m_out, f.scale * f.down.x);
        m_out += ' ';
        appendFactor(m_out, f.scale * f.down.y);
        m_out += ' ';
        appendNumber(m_out, g.origin.x);
        m_out += ' ';
        appendNumber(m_out, g.origin.y);
        m_out += ")\">\n";
    }
    void endRun()
    {
        if (m_runOpen)
            m_out += "</g>\n";
        m_runOpen = false;
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

    // A glyph's definition by its font, shape and character.
    std::map<std::tuple<const acrt::StrokeFont*, double, double, char32_t>, Definition> m_definitions;
    struct Run {
        const acrt::StrokeFont* font;
        Rgb color;
        double width;
        GlyphFrame frame;
        DevicePoint origin;
    };
    static constexpr double kOffBaseline = 1e-3;  // font units
    bool m_runOpen = false;
    Run m_run{};
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
