// Asks the spatial index for the entities of the current space that meet the window,
// draws each through the scaled drawer at the view's pixel size and writes what meets
// the window: primitives as items, marks as runs of pixel cells.
#include "drawing_view.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "aci_colors.h"
#include "dbsymtb.h"
#include "json_text.h"
#include "opened_object.h"
#include "scaled_drawing.h"
#include "vemhost_io.h"
#include "vemhost_program.h"

namespace vemweb {

namespace {

using vemio::Opened;

constexpr int kMaxPixels = 4096;             // a larger view is drawn as one this size (its marks' grid)
constexpr double kNumberQuantum = 1.0 / 16;  // of a pixel: how finely coordinates are written
constexpr int kStepsPerPixel = 8;            // strokes' vertices are written in steps of a pixel
constexpr std::int64_t kThinningSteps = kStepsPerPixel / 2;  // a vertex this near the last kept is left out
constexpr double kFarSteps = 1e12;  // a stroke reaching further out of the view goes in drawing units

struct LayerLook {
    int color = 7;
    bool hidden = false;  // off or frozen
};
struct Layers {
    std::unordered_map<Adesk::IntDbId, LayerLook> byId;
    bool anyHidden = false;

    bool hides(AcDbObjectId layer) const
    {
        auto it = byId.find(layer.asOldId());
        return it != byId.end() && it->second.hidden;
    }
};

Layers readLayers(AcDbDatabase* db)
{
    Layers layers;
    Opened<AcDbLayerTable> table;
    if (db->getLayerTable(table.slot(), AcDb::kForRead) != Acad::eOk)
        return layers;
    for (AcDbObjectId id : table->recordIds()) {
        Opened<AcDbLayerTableRecord> layer;
        if (acdbOpenObject(layer.slot(), id, AcDb::kForRead) != Acad::eOk)
            continue;
        const bool hidden = layer->isOff() || layer->isFrozen();
        layers.byId[id.asOldId()] = {layer->colorIndex(), hidden};
        layers.anyHidden = layers.anyHidden || hidden;
    }
    return layers;
}

struct Box {
    double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
    bool empty() const { return minX > maxX; }
    void add(double x, double y)
    {
        if (!std::isfinite(x) || !std::isfinite(y))
            return;
        minX = std::min(minX, x);
        minY = std::min(minY, y);
        maxX = std::max(maxX, x);
        maxY = std::max(maxY, y);
    }
    void add(const AcGePoint3d& lo, const AcGePoint3d& hi)
    {
        add(lo.x, lo.y);
        add(hi.x, hi.y);
    }
    bool meets(const ViewWindow& w) const
    {
        return !empty() && minX <= w.maxX && maxX >= w.minX && minY <= w.maxY && maxY >= w.minY;
    }
};

// The box of a primitive; a text's is its height all round the run of its characters.
Box boxOf(const vemhost::Primitive& p)
{
    Box b;
    if (p.points.empty())
        return b;
    const AcGePoint3d& at = p.points[0];
    switch (p.kind) {
    case vemhost::Primitive::kCircle:
        b.add(at.x - p.radius, at.y - p.radius);
        b.add(at.x + p.radius, at.y + p.radius);
        break;
    case vemhost::Primitive::kText: {
        const double reach = p.radius * (double(p.text.size()) + 1.0);
        b.add(at.x - reach, at.y - reach);
        b.add(at.x + reach, at.y + reach);
        break;
    }
    default:
        for (const AcGePoint3d& q : p.points)
            b.add(q.x, q.y);
    }
    return b;
}

// The drawing units a pixel of the view covers, or 0 (every detail) when the request
// gave no pixel size.
double unitsPerPixel(const ViewWindow& w)
{
    if (w.pixelWidth <= 0 || w.pixelHeight <= 0)
        return 0.0;
    const double size = std::max((w.maxX - w.minX) / std::min(w.pixelWidth, kMaxPixels),
                                 (w.maxY - w.minY) / std::min(w.pixelHeight, kMaxPixels));
    return std::isfinite(size) && size > 0 ? size : 0.0;
}

// Writes numbers: as "%.10g" for a view of every detail, else to the decimals a
// sixteenth of a pixel needs, trailing zeros dropped.
class NumberWriter {
public:
    explicit NumberWriter(double unitsPerPixel)
    {
        if (unitsPerPixel > 0)
            m_decimals = std::clamp(int(std::ceil(-std::log10(unitsPerPixel * kNumberQuantum))), 0, 12);
    }

    void append(std::string& out, double v) const
    {
        if (!std::isfinite(v))
            v = 0.0;
        char buf[64];
        std::to_chars_result r;
        if (m_decimals < 0 || std::fabs(v) >= 1e15) {
            r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 10);
        } else {
            r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, m_decimals);
            if (m_decimals > 0) {
                while (r.ptr[-1] == '0')
                    --r.ptr;
                if (r.ptr[-1] == '.')
                    --r.ptr;
            }
            if (r.ptr - buf == 2 && buf[0] == '-' && buf[1] == '0')
                buf[0] = '0', r.ptr = buf + 1;
        }
        out.append(buf, r.ptr);
    }

private:
    int m_decimals = -1;
};

void appendHexColor(std::string& out, vemio::Rgb rgb)
{
    static const char kDigits[] = "0123456789abcdef";
    const char text[] = {'"', '#', kDigits[rgb.r >> 4], kDigits[rgb.r & 15], kDigits[rgb.g >> 4], kDigits[rgb.g & 15],
                         kDigits[rgb.b >> 4], kDigits[rgb.b & 15], '"'};
    out.append(text, sizeof text);
}

vemio::Rgb resolvedColor(int index, AcDbObjectId layerId, const Layers& layers)
{
    if (index == vemio::kColorByLayer || index == vemio::kColorByBlock) {
        auto layer = layers.byId.find(layerId.asOldId());
        index = layer == layers.byId.end() ? vemio::kColorForeground : layer->second.color;
    }
    return vemio::aciColor(std::abs(index), true);
}

// The marks of a view: a grid of square cells of the pixel size from the window's
// top-left corner, each holding the colour of the last mark that covered it.
class MarkGrid {
public:
    MarkGrid(const ViewWindow& window, double cell) : m_window(window), m_cell(cell)
    {
        m_columns = std::max(1, cellIndex(std::ceil((window.maxX - window.minX) / cell), kMaxPixels));
        m_rows = std::max(1, cellIndex(std::ceil((window.maxY - window.minY) / cell), kMaxPixels));
    }

    void fill(const AcGePoint3d& lo, const AcGePoint3d& hi, vemio::Rgb color)
    {
        if (m_cells.empty())
            m_cells.assign(std::size_t(m_columns) * std::size_t(m_rows), 0);
        const int c0 = column(lo.x), c1 = column(hi.x), r0 = row(hi.y), r1 = row(lo.y);
        const std::uint16_t slot = slotOf(color);
        for (int r = r0; r <= r1; ++r)
            std::fill_n(m_cells.begin() + std::ptrdiff_t(r) * m_columns + c0, c1 - c0 + 1, slot);
    }

    // One item per colour: {"k":"m","c":..,"x":..,"y":..,"d":..,"r":[row,column,count,...]}.
    void appendItems(std::string& items) const
    {
        if (m_cells.empty())
            return;
        std::vector<std::string> runs(m_colors.size());
        for (int r = 0; r < m_rows; ++r) {
            const std::uint16_t* line = m_cells.data() + std::size_t(r) * m_columns;
            for (int c = 0; c < m_columns;) {
                const int start = c;
                while (c < m_columns && line[c] == line[start])
                    ++c;
                if (line[start] != 0)
                    appendRun(runs[line[start] - 1], r, start, c - start);
            }
        }
        const NumberWriter exact(0.0);
        for (std::size_t i = 0; i < runs.size(); ++i) {
            if (runs[i].empty())
                continue;
            if (!items.empty())
                items += ',';
            items += "{\"k\":\"m\",\"c\":";
            appendHexColor(items, m_colors[i]);
            for (auto [name, value] : {std::pair{",\"x\":", m_window.minX}, std::pair{",\"y\":", m_window.maxY},
                                       std::pair{",\"d\":", m_cell}}) {
                items += name;
                exact.append(items, value);
            }
            items += ",\"r\":[";
            items += runs[i];
            items += "]}";
        }
    }

private:
    // A cell's index from its distance in cells, kept within 0..last (NaN goes to 0).
    static int cellIndex(double cells, int last)
    {
        return cells >= 1 ? int(std::min(std::floor(cells), double(last))) : 0;
    }
    int column(double x) const { return cellIndex((x - m_window.minX) / m_cell, m_columns - 1); }
    int row(double y) const { return cellIndex((m_window.maxY - y) / m_cell, m_rows - 1); }
    std::uint16_t slotOf(vemio::Rgb color)
    {
        for (std::size_t i = 0; i < m_colors.size(); ++i)
            if (m_colors[i] == color)
                return std::uint16_t(i + 1);
        m_colors.push_back(color);  // at most the 256 colours of the index
        return std::uint16_t(m_colors.size());
    }
    static void appendRun(std::string& out, int row, int column, int count)
    {
        char buf[48];
        char* p = buf;
        for (int v : {row, column, count}) {
            if (!out.empty() || p != buf)
                *p++ = ',';
            p = std::to_chars(p, buf + sizeof buf, v).ptr;
        }
        out.append(buf, p);
    }

    ViewWindow m_window;
    double m_cell;
    int m_columns = 1, m_rows = 1;
    std::vector<std::uint16_t> m_cells;  // 0: no mark, else a colour's place in m_colors + 1
    std::vector<vemio::Rgb> m_colors;
};

// Receives what the scaled drawer draws and writes what meets the window.
class ViewWriter final : public vemhost::ScaledSink {
public:
    ViewWriter(const ViewWindow& window, double unitsPerPixel, const Layers& layers)
        : m_window(window), m_pixel(unitsPerPixel), m_numbers(unitsPerPixel), m_layers(layers),
          m_marks(window, unitsPerPixel > 0 ? unitsPerPixel : 1.0)
    {
    }

    void primitive(const vemhost::Primitive& p) override
    {
        if (p.points.empty() || m_layers.hides(p.layerId) || !boxOf(p).meets(m_window))
            return;
        const vemio::Rgb color = resolvedColor(p.color, p.layerId, m_layers);
        if (m_pixel > 0 && p.kind == vemhost::Primitive::kPolyline) {
            appendStroke(p, color);
            return;
        }
        endStrokes();
        if (!m_items.empty())
            m_items += ',';
        appendItem(p, color);
    }

    void mark(const vemhost::Mark& m) override
    {
        Box box;
        box.add(m.lo, m.hi);
        if (!m_layers.hides(m.layerId) && box.meets(m_window))
            m_marks.fill(m.lo, m.hi, resolvedColor(m.color, m.layerId, m_layers));
    }

    // The items, the marks last (painted over the rest, so that they stay seen).
    std::string take()
    {
        endStrokes();
        m_marks.appendItems(m_items);
        return std::move(m_items);
    }

private:
    // Polylines one after another in one colour go as one item of several strokes, their
    // vertices in steps from the window's top-left corner (those less than half a pixel
    // from the last vertex written left out).
    void appendStroke(const vemhost::Primitive& p, vemio::Rgb color)
    {
        const double step = m_pixel / kStepsPerPixel;
        m_steps.clear();
        for (const AcGePoint3d& q : p.points) {
            const double i = std::round((q.x - m_window.minX) / step), j = std::round((m_window.maxY - q.y) / step);
            if (!(std::fabs(i) < kFarSteps && std::fabs(j) < kFarSteps)) {
                endStrokes();
                if (!m_items.empty())
                    m_items += ',';
                appendItem(p, color);
                return;
            }
            m_steps.push_back({std::int64_t(i), std::int64_t(j)});
        }
        if (m_strokesOpen && color == m_strokeColor) {
            m_items += ',';
        } else {
            endStrokes();
            if (!m_items.empty())
                m_items += ',';
            m_items += "{\"k\":\"L\",\"c\":";
            appendHexColor(m_items, color);
            appendOrigin(step);
            m_items += ",\"p\":[";
            m_strokesOpen = true;
            m_strokeColor = color;
        }
        appendSteps();
    }
    void appendOrigin(double step)
    {
        const NumberWriter exact(0.0);
        for (auto [name, value] : {std::pair{",\"x\":", m_window.minX}, std::pair{",\"y\":", m_window.maxY},
                                   std::pair{",\"d\":", step}}) {
            m_items += name;
            exact.append(m_items, value);
        }
    }
    void appendInteger(std::int64_t v)
    {
        char buf[24];
        m_items.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
    }
    void appendSteps()
    {
        m_items += '[';
        const std::array<std::int64_t, 2>* kept = nullptr;
        for (std::size_t k = 0; k < m_steps.size(); ++k) {
            const std::array<std::int64_t, 2>& v = m_steps[k];
            if (kept != nullptr && k + 1 < m_steps.size() && std::llabs(v[0] - (*kept)[0]) < kThinningSteps &&
                std::llabs(v[1] - (*kept)[1]) < kThinningSteps)
                continue;
            if (kept != nullptr)
                m_items += ',';
            appendInteger(v[0]);
            m_items += ',';
            appendInteger(v[1]);
            kept = &v;
        }
        m_items += ']';
    }
    void endStrokes()
    {
        if (m_strokesOpen)
            m_items += "]}";
        m_strokesOpen = false;
    }

    void appendItem(const vemhost::Primitive& p, vemio::Rgb color)
    {
        static const char* const kKinds[] = {"l", "g", "o", "t"};
        m_items += "{\"k\":\"";
        m_items += kKinds[p.kind];
        m_items += "\",\"c\":";
        appendHexColor(m_items, color);
        const AcGePoint3d& at = p.points[0];
        if (p.kind == vemhost::Primitive::kPolyline || p.kind == vemhost::Primitive::kPolygon) {
            m_items += ",\"p\":";
            appendPoints(p.points);
        } else {
            m_items += ",\"x\":";
            m_numbers.append(m_items, at.x);
            m_items += ",\"y\":";
            m_numbers.append(m_items, at.y);
            m_items += p.kind == vemhost::Primitive::kCircle ? ",\"r\":" : ",\"h\":";
            m_numbers.append(m_items, p.radius);
        }
        if (p.kind == vemhost::Primitive::kText) {
            m_items += ",\"a\":";
            m_numbers.append(m_items, std::atan2(p.direction.y, p.direction.x));
            m_items += ",\"s\":";
            appendJsonString(m_items, vemhost::toUtf8(p.text));
        }
        m_items += '}';
    }

    void appendPoints(const std::vector<AcGePoint3d>& points)
    {
        m_items += '[';
        for (std::size_t i = 0; i < points.size(); ++i) {
            if (i > 0)
                m_items += ',';
            m_numbers.append(m_items, points[i].x);
            m_items += ',';
            m_numbers.append(m_items, points[i].y);
        }
        m_items += ']';
    }

    const ViewWindow& m_window;
    double m_pixel;
    NumberWriter m_numbers;
    const Layers& m_layers;
    MarkGrid m_marks;
    std::string m_items;
    bool m_strokesOpen = false;  // an item of strokes is being written, in m_strokeColor
    vemio::Rgb m_strokeColor;
    std::vector<std::array<std::int64_t, 2>> m_steps;  // the stroke being written
};

// The box of every entity of the space on a layer that shows: the index's bounds when
// no layer is hidden, else the entities' boxes one by one.
Box spaceExtents(AcDbObjectId space, const Layers& layers)
{
    Box extents;
    AcGePoint3d lo, hi;
    if (!layers.anyHidden) {
        if (vemhost::entitiesBounds(space, lo, hi))
            extents.add(lo, hi);
        return extents;
    }
    const AcGePoint3d far(HUGE_VAL, HUGE_VAL, 0.0);
    for (const vemhost::EntityBox& box : vemhost::entitiesMeeting(space, AcGePoint3d(-far.x, -far.y, 0.0), far)) {
        Opened<AcDbEntity> ent;
        if (acdbOpenAcDbEntity(ent.slot(), box.id, AcDb::kForRead) == Acad::eOk && !layers.hides(ent->layerId()))
            extents.add(box.lo, box.hi);
    }
    return extents;
}

void appendExtents(std::string& out, const Box& extents)
{
    if (extents.empty()) {
        out += "null";
        return;
    }
    const NumberWriter exact(0.0);
    out += '[';
    for (double v : {extents.minX, extents.minY, extents.maxX, extents.maxY}) {
        exact.append(out, v);
        out += ',';
    }
    out.back() = ']';
}

}  // namespace

std::string viewJson(AcDbDatabase* db, const ViewWindow& window, const std::vector<AcDbObjectId>& highlighted)
{
    const bool model = db->tilemode();
    const AcDbObjectId space = db->currentSpaceId();
    const Layers layers = readLayers(db);
    const double pixel = unitsPerPixel(window);
    ViewWriter writer(window, pixel, layers);
    ViewWriter highlight(window, pixel, layers);
    std::unordered_set<Adesk::IntDbId> selected;
    for (const AcDbObjectId& id : highlighted)
        selected.insert(id.asOldId());
    vemhost::ScaledDrawer drawer(pixel);
    drawer.setViewHeight(window.maxY - window.minY);
    for (const vemhost::EntityBox& box : vemhost::entitiesMeeting(space, AcGePoint3d(window.minX, window.minY, 0),
                                                                  AcGePoint3d(window.maxX, window.maxY, 0))) {
        Opened<AcDbEntity> ent;
        // Open for write by the command that runs: drawn next time.
        if (acdbOpenAcDbEntity(ent.slot(), box.id, AcDb::kForRead) != Acad::eOk)
            continue;
        drawer.draw(ent.get(), box, writer);
        if (!selected.empty() && selected.count(box.id.asOldId()) != 0)
            drawer.draw(ent.get(), box, highlight);
    }
    std::string out = "{\"space\":";
    out += model ? "\"model\"" : "\"paper\"";
    out += ",\"extents\":";
    appendExtents(out, spaceExtents(space, layers));
    out += ",\"items\":[" + writer.take() + "]";
    out += ",\"highlight\":[" + highlight.take() + "]}";
    return out;
}

}  // namespace vemweb
