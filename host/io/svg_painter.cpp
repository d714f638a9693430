// The SVG backend of plots, written as text by us rather than by cairo: cairo's SVG
// names elements with process-wide counters and rounds coordinates its own way, which
// would make the same drawing give different files.
//
// What is painted in one colour may be written in any order: opaque paint of one colour
// covers the same pixels whichever comes first. So, while the colour stays the same,
// strokes of one width share one path element, and the texts' characters are gathered
// apart, by stroke width and placement, and written when the colour changes (or enough
// has gathered). Each glyph is defined once, as a path in its shape's units where it is
// first used, and placed by <use>: a group per placement sets the glyphs' transform and
// stroke width, a text within it is moved to its start, and each character is used at
// its offset along the baseline.
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <tuple>
#include <vector>

#include "glyph_target.h"
#include "painter.h"

namespace vemio {

namespace {

constexpr double kMmPerDeviceUnit = 25.4 / 96.0;
constexpr std::size_t kFlushBytes = 1u << 16;       // the output is written in pieces of this
constexpr std::size_t kGatheredBytes = 1u << 20;    // texts gathered before they are written
constexpr double kOffBaseline = 1e-3;               // font units

// Hundredths of a unit (finer than any screen or printer shows in device units), without
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

// A glyph's definition.
struct Definition {
    std::string id;
    bool empty = true;  // a glyph without ink (a space) is not placed
};

// The characters gathered under one placement: the group's transform (scale and turn
// of the glyphs, without the move) and stroke width, the texts written into body.
struct GlyphGroup {
    double width, scale;
    DevicePoint across, down;
    std::string body;
    bool textOpen = false;
    DevicePoint textStart{0, 0};  // device point of the open text's start
};

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
        writeGathered();
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
        paintIn(color);
        if (!m_pathOpen || width != m_width) {
            endPath();
            m_out += "<path stroke=\"";
            appendColor(m_out, color);
            m_out += "\" stroke-width=\"";
            appendNumber(m_out, width);
            m_out += "\" d=\"";
            m_pathOpen = true;
            m_width = width;
        } else {
            m_out += '\n';
        }
        appendPoints(m_out, points, count);
        flushIfFull();
    }

    void polygon(const DevicePoint* points, std::size_t count, Rgb color) override
    {
        if (count < 3)
            return;
        paintIn(color);
        endPath();
        m_out += "<path fill=\"";
        appendColor(m_out, color);
        m_out += "\" d=\"";
        appendPoints(m_out, points, count);
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
        bool filled = false;
        const Definition& definition = definitionOf(g, frame, newPath, filled);
        if (definition.empty)
            return;
        paintIn(g.color);
        GlyphGroup& group = groupFor(g, frame);
        const std::size_t before = group.body.size();
        if (!newPath.empty()) {
            group.body += "<defs><path id=\"";
            group.body += definition.id;
            group.body += filled ? "\" stroke=\"none\" d=\"" : "\" fill=\"none\" d=\"";
            group.body += newPath;
            group.body += "\"/></defs>\n";
        }
        const double x = offsetInText(group, g.origin);
        group.body += "<use href=\"#";
        group.body += definition.id;
        if (x != 0.0) {
            group.body += "\" x=\"";
            appendNumber(group.body, x);
        }
        group.body += "\"/>";
        m_gathered += group.body.size() - before;
        if (m_gathered >= kGatheredBytes)
            writeGathered();
    }

    bool finish(std::string& error) override
    {
        writeGathered();
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
    static void appendPoints(std::string& out, const DevicePoint* points, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i) {
            out += i == 0 ? 'M' : 'L';
            appendNumber(out, points[i].x);
            out += ' ';
            appendNumber(out, points[i].y);
        }
    }
    void endPath()
    {
        if (m_pathOpen)
            m_out += "\"/>\n";
        m_pathOpen = false;
    }
    // What comes next is painted in color: what was gathered in another is written first.
    void paintIn(Rgb color)
    {
        if (color != m_color) {
            writeGathered();
            m_color = color;
        }
    }
    // Ends the open path and writes the gathered texts, a group per placement.
    void writeGathered()
    {
        endPath();
        for (GlyphGroup& group : m_groups) {
            if (group.textOpen)
                group.body += "</g>\n";
            m_out += "<g stroke=\"";
            appendColor(m_out, m_color);
            m_out += "\" fill=\"";
            appendColor(m_out, m_color);
            m_out += "\" stroke-width=\"";
            appendFactor(m_out, group.width / group.scale);
            m_out += "\" transform=\"matrix(";
            appendFactor(m_out, group.scale * group.across.x);
            m_out += ' ';
            appendFactor(m_out, group.scale * group.across.y);
            m_out += ' ';
            appendFactor(m_out, group.scale * group.down.x);
            m_out += ' ';
            appendFactor(m_out, group.scale * group.down.y);
            m_out += " 0 0)\">\n";
            m_out += group.body;
            m_out += "</g>\n";
            flushIfFull();
        }
        m_groups.clear();
        m_gathered = 0;
    }
    void flushIfFull()
    {
        if (m_out.size() >= kFlushBytes)
            write();
    }
    void write()
    {
        if (!m_failed && std::fwrite(m_out.data(), 1, m_out.size(), m_file) != m_out.size())
            m_failed = true;
        m_out.clear();
    }

    // A glyph's definition by its font, shape and character; path receives its outline,
    // in the shape's units, when it is new, and filled whether it is an outline to fill.
    const Definition& definitionOf(const PaintedGlyph& g, const GlyphFrame& f, std::string& path, bool& filled)
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
                filled = true;
            });
        d.empty = path.empty();
        return d;
    }
    GlyphGroup& groupFor(const PaintedGlyph& g, const GlyphFrame& f)
    {
        for (GlyphGroup& group : m_groups)
            if (group.width == g.width && group.scale == f.scale && group.across.x == f.across.x &&
                group.across.y == f.across.y && group.down.x == f.down.x && group.down.y == f.down.y)
                return group;
        m_groups.push_back({g.width, f.scale, f.across, f.down, {}, false, {0, 0}});
        return m_groups.back();
    }
    // The glyph's offset along the open text's baseline, opening a text at the glyph
    // when it does not lie on that baseline.
    double offsetInText(GlyphGroup& group, const DevicePoint& origin)
    {
        if (group.textOpen) {
            const double dx = origin.x - group.textStart.x, dy = origin.y - group.textStart.y;
            const double along = (dx * group.across.x + dy * group.across.y) / group.scale;
            const double off = (dx * group.down.x + dy * group.down.y) / group.scale;
            if (std::fabs(off) < kOffBaseline)
                return along;
            group.body += "</g>\n";
        }
        group.textOpen = true;
        group.textStart = origin;
        group.body += "<g transform=\"translate(";
        appendNumber(group.body, (origin.x * group.across.x + origin.y * group.across.y) / group.scale);
        group.body += ' ';
        appendNumber(group.body, (origin.x * group.down.x + origin.y * group.down.y) / group.scale);
        group.body += ")\">";
        return 0.0;
    }

    std::FILE* m_file;
    std::string m_out;
    int m_openGroups = 0;
    bool m_pathOpen = false;
    bool m_failed = false;
    Rgb m_color;  // of what is being painted
    double m_width = 0.0;

    std::map<std::tuple<const acrt::StrokeFont*, double, double, char32_t>, Definition> m_definitions;
    std::vector<GlyphGroup> m_groups;
    std::size_t m_gathered = 0;
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
