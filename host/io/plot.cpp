// Plotting model space: the area (extents of what is drawn, or a window) laid out on a
// page, then every primitive of every entity on a visible layer drawn in its resolved
// colour and lineweight, texts with the same stroke font that measured them. A PNG is
// drawn at its level of detail: the spatial index gives each entity's box, which spares
// drawing all but the outermost entities to find the extents, and the scaled drawer
// draws what is too small to see from afar.
#include "plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwctype>
#include <memory>
#include <numeric>
#include <unordered_set>
#include <unordered_map>
#include <vector>

#include "db_proxy.h"
#include "dbmtext.h"
#include "dbsymtb.h"
#include "file_replacement.h"
#include "opened_object.h"
#include "painter.h"
#include "plot_layout.h"
#include "scaled_drawing.h"
#include "text_layout.h"
#include "vemhost_io.h"
#include "vemhost_program.h"

namespace vemio {

namespace {

constexpr double kDevicePerMm = 96.0 / 25.4;
constexpr int kDefaultLineWeight = 25;  // hundredths of a mm, for "default" and "by block"
constexpr double kMinLineWidth = 1.0;   // device units
constexpr int kCircleSegments = 72;

// Largest pages each format takes: PNG by memory (4 bytes a pixel), PDF by what
// readers show (200 inches), SVG by sense.
struct FormatLimit {
    PictureFormat format;
    const char* extension;
    double maxSide;
    double maxArea;
};
const FormatLimit kFormats[] = {
    // format              extension  maxSide  maxArea (device units squared)
    {PictureFormat::kSvg, ".svg", 1e6, 1e12},
    {PictureFormat::kPng, ".png", 20000, 64e6},
    {PictureFormat::kPdf, ".pdf", 19200, 19200.0 * 19200.0},
};

const FormatLimit* formatOf(const std::string& path)
{
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos)
        return nullptr;
    std::string extension = path.substr(dot);
    for (char& c : extension)
        c = char(std::towlower(wint_t(static_cast<unsigned char>(c))));
    for (const FormatLimit& f : kFormats)
        if (extension == f.extension)
            return &f;
    return nullptr;
}

struct LayerLook {
    int color;
    int lineWeight;
    bool hidden;  // off or frozen: not plotted
};
using Layers = std::unordered_map<Adesk::IntDbId, LayerLook>;

bool readLayers(AcDbDatabase* db, Layers& layers, std::string& error)
{
    Opened<AcDbLayerTable> table;
    if (db->getLayerTable(table.slot(), AcDb::kForRead) != Acad::eOk) {
        error = "the drawing's layers cannot be read";
        return false;
    }
    for (AcDbObjectId id : table->recordIds()) {
        Opened<AcDbLayerTableRecord> layer;
        if (acdbOpenObject(layer.slot(), id, AcDb::kForRead) != Acad::eOk)
            continue;
        layers[id.asOldId()] = {layer->colorIndex(), layer->lineWeight(), layer->isOff() || layer->isFrozen()};
    }
    return true;
}

bool isShown(const Layers& layers, AcDbObjectId layerId)
{
    auto layer = layers.find(layerId.asOldId());
    return layer == layers.end() || !layer->second.hidden;
}

// Hands each primitive drawn on a visible layer to each(primitive); drawing in full
// makes no marks.
template <class Each>
class PrimitiveSink final : public vemhost::ScaledSink {
public:
    PrimitiveSink(const Layers& layers, Each& each) : m_layers(layers), m_each(each) {}
    void primitive(const vemhost::Primitive& p) override
    {
        if (isShown(m_layers, p.layerId))
            m_each(p);
    }
    void mark(const vemhost::Mark&) override {}

private:
    const Layers& m_layers;
    Each& m_each;
};

const ACHAR* spaceName(bool layout) { return layout ? ACDB_PAPER_SPACE : ACDB_MODEL_SPACE; }
const char* spaceWords(bool layout) { return layout ? "paper space" : "model space"; }

// Hands what every entity of model space (paper space for a layout) draws to the sink,
// texts character by character when byGlyph.
bool drawSpace(AcDbDatabase* db, bool layout, bool byGlyph, vemhost::ScaledSink& sink, std::string& error)
{
    Opened<AcDbBlockTable> table;
    Opened<AcDbBlockTableRecord> space;
    if (db->getBlockTable(table.slot(), AcDb::kForRead) != Acad::eOk ||
        table->getAt(spaceName(layout), space.slot(), AcDb::kForRead) != Acad::eOk) {
        error = std::string("the drawing's ") + spaceWords(layout) + " cannot be read";
        return false;
    }
    AcDbBlockTableRecordIterator* rawIterator = nullptr;
    if (space->newIterator(rawIterator) != Acad::eOk) {
        error = std::string("the drawing's ") + spaceWords(layout) + " cannot be read";
        return false;
    }
    std::unique_ptr<AcDbBlockTableRecordIterator> iterator(rawIterator);
    // Everything in full, each primitive handed on as it is drawn: an entity that draws a
    // great deal (a text of a million characters) is never held whole.
    vemhost::ScaledDrawer drawer(0.0);
    drawer.setDrawsGlyphs(byGlyph);
    for (; !iterator->done(); iterator->step()) {
        Opened<AcDbEntity> ent;
        const Acad::ErrorStatus es = iterator->getEntity(ent.slot(), AcDb::kForRead);
        if (es != Acad::eOk) {
            error = "an entity cannot be read (status " + std::to_string(int(es)) + ")";
            return false;
        }
        vemhost::EntityBox box;
        box.id = ent->objectId();
        drawer.draw(ent.get(), box, sink);
    }
    return true;
}

// Calls each(primitive) for what every entity of model space (paper space for a layout)
// draws on a visible layer.
template <class Each>
bool forEachPrimitive(AcDbDatabase* db, bool layout, const Layers& layers, std::string& error, Each each)
{
    PrimitiveSink<Each> sink(layers, each);
    return drawSpace(db, layout, false, sink, error);
}

// A drawn text: the stroke font of drawn texts, starting on its baseline at the position;
// fill gets the outline of each character that font lacks, to fill non-zero.
template <class Sink, class Fill>
void textStrokes(const vemhost::Primitive& p, Sink sink, Fill fill)
{
    std::wstring contents;
    for (wchar_t c : p.text) {
        if (c == L'\\' || c == L'{' || c == L'}')
            contents += L'\\';
        contents += c;
    }
    AcGeVector3d x(p.direction.x, p.direction.y, 0.0);
    if (x.isZeroLength())
        x = AcGeVector3d::kXAxis;
    x = x.normal();
    const AcGeVector3d y(-x.y, x.x, 0.0);
    const AcGePoint3d at = p.points[0];
    std::vector<AcGePoint3d> world;
    auto place = [&](const acrt::StrokePoint* points, std::size_t count) {
        world.clear();
        for (std::size_t i = 0; i < count; ++i)
            world.emplace_back(at.x + x.x * points[i].x + y.x * points[i].y,
                               at.y + x.y * points[i].x + y.y * points[i].y, at.z);
    };
    acrt::drawText(
        contents, p.radius, acrt::StrokeFont::forFontFile(L""), AcDbMText::kBottomLeft,
        [&](const acrt::StrokePoint* points, std::size_t count) {
            place(points, count);
            sink(world);
        },
        [&](const acrt::StrokePoint* points, std::size_t count) {
            place(points, count);
            fill(world);
        });
}

// The circle as a closed run of chords in its plane, seen from above.
std::vector<AcGePoint3d> circlePoints(const vemhost::Primitive& p)
{
    const AcGeVector3d n = p.normal.isZeroLength() ? AcGeVector3d::kZAxis : p.normal.normal();
    const bool nearZ = std::fabs(n.x) < 1.0 / 64 && std::fabs(n.y) < 1.0 / 64;
    const AcGeVector3d ax = (nearZ ? AcGeVector3d::kYAxis : AcGeVector3d::kZAxis).crossProduct(n).normal();
    const AcGeVector3d ay = n.crossProduct(ax);
    std::vector<AcGePoint3d> points;
    for (int i = 0; i <= kCircleSegments; ++i) {
        const double a = 2.0 * M_PI * i / kCircleSegments;
        points.push_back(p.points[0] + ax * (p.radius * std::cos(a)) + ay * (p.radius * std::sin(a)));
    }
    return points;
}

void addBounds(const vemhost::Primitive& p, Bounds& b)
{
    if (p.points.empty())
        return;
    switch (p.kind) {
    case vemhost::Primitive::kCircle:
        for (const AcGePoint3d& q : circlePoints(p))
            b.add(q);
        break;
    case vemhost::Primitive::kText: {
        auto add = [&](const std::vector<AcGePoint3d>& run) {
            for (const AcGePoint3d& q : run)
                b.add(q);
        };
        textStrokes(p, add, add);
        break;
    }
    default:
        for (const AcGePoint3d& q : p.points)
            b.add(q);
    }
}

std::string pageSizeText(const PlotPage& page)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, "%.0f x %.0f", page.width, page.height);
    return buf;
}

// Turns primitives into painter calls: device points, colours by index with by-layer
// resolved, lineweights in device units.
class PrimitivePainter {
public:
    PrimitivePainter(Painter& painter, const PlotPage& page, const Layers& layers, bool dark)
        : m_painter(painter), m_page(page), m_layers(layers), m_dark(dark)
    {
    }

    void draw(const vemhost::Primitive& p)
    {
        if (p.points.empty())
            return;
        const Rgb color = aciColor(colorIndexOf(p), m_dark);
        switch (p.kind) {
        case vemhost::Primitive::kPolyline: stroke(p.points, color, lineWidthOf(p)); break;
        case vemhost::Primitive::kPolygon:
            toDevice(p.points);
            m_painter.polygon(m_device.data(), m_device.size(), color);
            break;
        case vemhost::Primitive::kCircle: stroke(circlePoints(p), color, lineWidthOf(p)); break;
        case vemhost::Primitive::kText:
            textStrokes(
                p, [&](const std::vector<AcGePoint3d>& run) { stroke(run, color, lineWidthOf(p)); },
                [&](const std::vector<AcGePoint3d>& outline) {
                    toDevice(outline);
                    m_painter.polygon(m_device.data(), m_device.size(), color);
                });
            break;
        }
    }

    void glyph(const vemhost::GlyphPrimitive& g)
    {
        const acrt::PlacedGlyph& placed = g.glyph;
        PaintedGlyph painted;
        painted.font = placed.font;
        painted.ch = placed.ch;
        painted.origin = {m_page.deviceX(placed.origin.x), m_page.deviceY(placed.origin.y)};
        painted.xAxis = {placed.xAxis.x * m_page.scale, -placed.xAxis.y * m_page.scale};
        painted.yAxis = {placed.yAxis.x * m_page.scale, -placed.yAxis.y * m_page.scale};
        painted.color = aciColor(colorIndexOf(g.color, g.layerId), m_dark);
        painted.width = lineWidthOf(g.lineWeight, g.layerId);
        m_painter.glyph(painted);
    }

    void mark(const vemhost::Mark& m)
    {
        const double x = m_page.deviceX(m.lo.x), y = m_page.deviceY(m.hi.y);
        m_painter.mark(x, y, m_page.deviceX(m.hi.x) - x, m_page.deviceY(m.lo.y) - y,
                       aciColor(colorIndexOf(m.color, m.layerId), m_dark));
    }

private:
    const LayerLook* layerOf(AcDbObjectId layerId) const
    {
        auto it = m_layers.find(layerId.asOldId());
        return it == m_layers.end() ? nullptr : &it->second;
    }
    int colorIndexOf(const vemhost::Primitive& p) const { return colorIndexOf(p.color, p.layerId); }
    int colorIndexOf(int color, AcDbObjectId layerId) const
    {
        if (color == kColorByLayer) {
            const LayerLook* layer = layerOf(layerId);
            return layer != nullptr ? layer->color : kColorForeground;
        }
        return color;  // by block at the top, or out of range, plots as the foreground
    }
    double lineWidthOf(const vemhost::Primitive& p) const { return lineWidthOf(p.lineWeight, p.layerId); }
    double lineWidthOf(AcDb::LineWeight lineWeight, AcDbObjectId layerId) const
    {
        int weight = lineWeight;
        if (weight == AcDb::kLnWtByLayer) {
            const LayerLook* layer = layerOf(layerId);
            weight = layer != nullptr ? layer->lineWeight : kDefaultLineWeight;
        }
        if (weight < 0)
            weight = kDefaultLineWeight;
        return std::max(kMinLineWidth, weight / 100.0 * m_page.devicePerMm);
    }
    void toDevice(const std::vector<AcGePoint3d>& points)
    {
        m_device.clear();
        for (const AcGePoint3d& q : points)
            m_device.push_back({m_page.deviceX(q.x), m_page.deviceY(q.y)});
    }
    void stroke(const std::vector<AcGePoint3d>& points, Rgb color, double width)
    {
        toDevice(points);
        m_painter.polyline(m_device.data(), m_device.size(), color, width);
    }

    Painter& m_painter;
    const PlotPage& m_page;
    const Layers& m_layers;
    bool m_dark;
    std::vector<DevicePoint> m_device;
};

// Hands what the scaled drawer draws on a visible layer to the painter.
class ScaledPainter final : public vemhost::ScaledSink {
public:
    ScaledPainter(PrimitivePainter& drawer, const Layers& layers) : m_drawer(drawer), m_layers(layers) {}
    void primitive(const vemhost::Primitive& p) override
    {
        if (!p.points.empty() && isShown(m_layers, p.layerId))
            m_drawer.draw(p);
    }
    void mark(const vemhost::Mark& m) override
    {
        if (isShown(m_layers, m.layerId))
            m_drawer.mark(m);
    }
    void glyph(const vemhost::GlyphPrimitive& g) override
    {
        if (isShown(m_layers, g.layerId))
            m_drawer.glyph(g);
    }

private:
    PrimitivePainter& m_drawer;
    const Layers& m_layers;
};

AcDbObjectId modelSpaceId(AcDbDatabase* db)
{
    Opened<AcDbBlockTable> table;
    AcDbObjectId id;
    if (db->getBlockTable(table.slot(), AcDb::kForRead) == Acad::eOk)
        table->getAt(ACDB_MODEL_SPACE, id);
    return id;
}

// Model space's entities with their index boxes, in drawing order; those the index
// holds no box for (they draw nothing it could measure) are left out.
std::vector<vemhost::EntityBox> modelSpaceBoxes(AcDbObjectId space)
{
    return vemhost::entitiesMeeting(space, AcGePoint3d(-HUGE_VAL, -HUGE_VAL, 0), AcGePoint3d(HUGE_VAL, HUGE_VAL, 0));
}

// Adds the extents of what one entity draws on visible layers.
class EntityBounds {
public:
    EntityBounds(const Layers& layers, Bounds& area) : m_add{area}, m_sink(layers, m_add) {}
    bool add(AcDbObjectId id, std::string& error)
    {
        {
            Opened<AcDbEntity> ent;
            const Acad::ErrorStatus es = acdbOpenAcDbEntity(ent.slot(), id, AcDb::kForRead);
            if (es != Acad::eOk) {
                error = "an entity cannot be read (status " + std::to_string(int(es)) + ")";
                return false;
            }
            vemhost::EntityBox box;
            box.id = id;
            m_drawer.draw(ent.get(), box, m_sink);
        }
        return true;
    }

private:
    struct AddBounds {
        Bounds& area;
        void operator()(const vemhost::Primitive& p) { addBounds(p, area); }
    };
    AddBounds m_add;
    PrimitiveSink<AddBounds> m_sink;
    vemhost::ScaledDrawer m_drawer{0.0};
};

// One side of the extents: how far out a box reaches on it, and the extents found.
struct ExtentSide {
    double (*reach)(const vemhost::EntityBox&);
    double (*found)(const Bounds&);
};
const ExtentSide kExtentSides[] = {
    {[](const vemhost::EntityBox& b) { return -b.lo.x; }, [](const Bounds& a) { return -a.minX; }},
    {[](const vemhost::EntityBox& b) { return -b.lo.y; }, [](const Bounds& a) { return -a.minY; }},
    {[](const vemhost::EntityBox& b) { return b.hi.x; }, [](const Bounds& a) { return a.maxX; }},
    {[](const vemhost::EntityBox& b) { return b.hi.y; }, [](const Bounds& a) { return a.maxY; }},
};

// The extents of what model space draws on visible layers, as drawing every entity
// finds them, from the few entities that can reach them: an entity's index box holds
// everything it draws, so from each side entities are drawn, the furthest reaching
// first, until the next one's box stops short of the extents found. A proxy's saved
// texts are measured by their positions alone, so proxies, and any entity the index
// does not hold, are always drawn.
bool drawnExtents(AcDbObjectId space, const std::vector<vemhost::EntityBox>& boxes, const Layers& layers,
                  Bounds& area, std::string& error)
{
    EntityBounds bounds(layers, area);
    std::vector<char> drawn(boxes.size(), 0);
    std::unordered_set<Adesk::IntDbId> indexed;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        indexed.insert(boxes[i].id.asOldId());
        Opened<AcDbEntity> ent;
        if (acdbOpenAcDbEntity(ent.slot(), boxes[i].id, AcDb::kForRead) == Acad::eOk &&
            AcDbProxyEntity::cast(ent.get()) != nullptr)
            drawn[i] = 1;
    }
    Opened<AcDbBlockTableRecord> btr;
    if (acdbOpenObject(btr.slot(), space, AcDb::kForRead) != Acad::eOk) {
        error = "the drawing's model space cannot be read";
        return false;
    }
    for (const AcDbObjectId& id : btr->entityIds())
        if (!id.isErased() && indexed.count(id.asOldId()) == 0 && !bounds.add(id, error))
            return false;
    for (std::size_t i = 0; i < boxes.size(); ++i)
        if (drawn[i] != 0 && !bounds.add(boxes[i].id, error))
            return false;
    std::vector<std::size_t> order(boxes.size());
    for (const ExtentSide& side : kExtentSides) {
        std::iota(order.begin(), order.end(), std::size_t(0));
        std::sort(order.begin(), order.end(),
                  [&](std::size_t a, std::size_t b) { return side.reach(boxes[a]) > side.reach(boxes[b]); });
        for (std::size_t i : order) {
            if (!area.empty() && side.reach(boxes[i]) <= side.found(area))
                break;
            if (drawn[i] == 0 && !bounds.add(boxes[i].id, error))
                return false;
            drawn[i] = 1;
        }
    }
    return true;
}

bool boxMeets(const vemhost::EntityBox& box, const Bounds& area)
{
    return box.lo.x <= area.maxX && box.hi.x >= area.minX && box.lo.y <= area.maxY && box.hi.y >= area.minY;
}

// Draws the entities, in drawing order, through the scaled drawer at the page's scale.
// Those whose box misses the window, when there is one, are passed over (not proxies,
// whose saved texts may reach past their boxes).
bool drawScaled(const std::vector<vemhost::EntityBox>& boxes, const Bounds* window, const PlotPage& page,
                ScaledPainter& sink, std::string& error)
{
    vemhost::ScaledDrawer drawer(1.0 / page.scale);
    drawer.setViewHeight(page.height / page.scale);
    for (const vemhost::EntityBox& box : boxes) {
        Opened<AcDbEntity> ent;
        const Acad::ErrorStatus es = acdbOpenAcDbEntity(ent.slot(), box.id, AcDb::kForRead);
        if (es != Acad::eOk) {
            error = "an entity cannot be read (status " + std::to_string(int(es)) + ")";
            return false;
        }
        if (window == nullptr || boxMeets(box, *window) || AcDbProxyEntity::cast(ent.get()) != nullptr)
            drawer.draw(ent.get(), box, sink);
    }
    return true;
}

// What a plot draws from: model space with its entities' boxes when the picture is
// drawn at its level of detail.
struct PlotSource {
    bool scaled = false;
    bool raster = false;  // a PNG: texts are drawn as strokes
    AcDbObjectId space;
    std::vector<vemhost::EntityBox> boxes;
};

bool findArea(AcDbDatabase* db, const PlotSource& source, const Layers& layers, const PlotOptions& options,
              Bounds& area, std::string& error)
{
    if (options.window && !options.layout) {
        area.add(options.corner1);
        area.add(options.corner2);
        return true;
    }
    const bool found = source.scaled ? drawnExtents(source.space, source.boxes, layers, area, error)
                                     : forEachPrimitive(db, options.layout, layers, error,
                                                        [&](const vemhost::Primitive& p) { addBounds(p, area); });
    if (found && area.empty()) {
        error = std::string(spaceWords(options.layout)) + " has nothing to plot";
        return false;
    }
    return found;
}

bool drawAll(AcDbDatabase* db, const PlotSource& source, const Layers& layers, const PlotOptions& options,
             const Bounds& area, const PlotPage& page, Painter& painter, std::string& error)
{
    PrimitivePainter drawer(painter, page, layers, options.darkBackground);
    ScaledPainter sink(drawer, layers);
    // A vector picture defines each glyph once and places it by reference, with its
    // character, so that the picture stays small and its text can be searched.
    if (!source.scaled)
        return drawSpace(db, options.layout, !source.raster, sink, error);
    return drawScaled(source.boxes, options.window ? &area : nullptr, page, sink, error);
}

bool checkOptions(const PlotOptions& o, std::string& error)
{
    auto finite = [](const AcGePoint3d& p) { return std::isfinite(p.x) && std::isfinite(p.y); };
    error = checkLayoutOptions(o);
    if (!error.empty())
        return false;
    if (o.window && !o.layout && (!finite(o.corner1) || !finite(o.corner2) || o.corner1.x == o.corner2.x ||
                     o.corner1.y == o.corner2.y)) {
        error = "the window has no area";
        return false;
    }
    return true;
}

}  // namespace

bool isPlotFileName(const std::string& path) { return formatOf(path) != nullptr; }

double millimetresPerUnit(AcDb::UnitsValue units)
{
    switch (units) {
    case AcDb::kUnitsInches: return 25.4;
    case AcDb::kUnitsFeet: return 304.8;
    case AcDb::kUnitsMiles: return 1609344.0;
    case AcDb::kUnitsMillimeters: return 1.0;
    case AcDb::kUnitsCentimeters: return 10.0;
    case AcDb::kUnitsKilometers: return 1e6;
    case AcDb::kUnitsMicroinches: return 25.4e-6;
    case AcDb::kUnitsMils: return 0.0254;
    case AcDb::kUnitsYards: return 914.4;
    case AcDb::kUnitsAngstroms: return 1e-7;
    case AcDb::kUnitsNanometers: return 1e-6;
    case AcDb::kUnitsMicrons: return 1e-3;
    case AcDb::kUnitsDecimeters: return 100.0;
    case AcDb::kUnitsDekameters: return 1e4;
    case AcDb::kUnitsHectometers: return 1e5;
    case AcDb::kUnitsGigameters: return 1e12;
    case AcDb::kUnitsAstronomical: return 1.495978707e14;
    case AcDb::kUnitsLightYears: return 9.4607304725808e18;
    case AcDb::kUnitsParsecs: return 3.0856775814913673e19;
    case AcDb::kUnitsUSSurveyFeet: return 1200.0 / 3937.0 * 1000.0;
    case AcDb::kUnitsUSSurveyInch: return 100.0 / 3937.0 * 1000.0;
    case AcDb::kUnitsUSSurveyYard: return 3600.0 / 3937.0 * 1000.0;
    case AcDb::kUnitsUSSurveyMile: return 6336000.0 / 3937.0 * 1000.0;
    default: return 1000.0;  // metres, and undefined taken as metres
    }
}

bool plot(AcDbDatabase* db, const std::string& path, const PlotOptions& options, std::string& error, PlotPage* pageOut)
{
    error.clear();
    const FormatLimit* format = formatOf(path);
    if (format == nullptr) {
        error = "the file name must end in .svg, .png or .pdf";
        return false;
    }
    if (db == nullptr) {
        error = "there is no drawing";
        return false;
    }
    Layers layers;
    if (!checkOptions(options, error) || !readLayers(db, layers, error))
        return false;

    PlotSource source;
    source.raster = format->format == PictureFormat::kPng;
    source.scaled = source.raster && options.levelOfDetail && !options.layout;
    if (source.scaled) {
        source.space = modelSpaceId(db);
        source.boxes = modelSpaceBoxes(source.space);
    }
    Bounds area;
    PlotPage page;
    const bool png = format->format == PictureFormat::kPng, onPaper = options.paperWidth > 0;
    const double devicePerMm = png && onPaper ? options.dpi / 25.4 : kDevicePerMm;
    const double unitMm = options.layout ? 1.0 : millimetresPerUnit(db->insunits());
    PlotOptions laidOut = options;
    if (options.layout)
        laidOut.paperScale = 1;  // paper space is drawn as it is, in mm
    if (!findArea(db, source, layers, options, area, error) ||
        !planPage(area, laidOut, unitMm, devicePerMm, png, page, error))
        return false;
    if (page.width > format->maxSide || page.height > format->maxSide || page.width * page.height > format->maxArea) {
        error = "the page would be " + pageSizeText(page) + " pixels, too large for " + format->extension +
                (onPaper ? "; plot at a lower resolution" : "; plot at a smaller scale or a window");
        return false;
    }

    std::string reason, warning;
    FileReplacement replacement;
    if (!replacement.begin(path, reason)) {
        error = "cannot create " + path + ": " + reason;
        return false;
    }
    const std::string& scratch = replacement.scratchPath();
    const Rgb background = options.darkBackground ? Rgb{33, 40, 48} : Rgb{255, 255, 255};
    std::unique_ptr<Painter> painter =
        format->format == PictureFormat::kSvg
            ? makeSvgPainter(scratch, page.width, page.height, background, onPaper, error)
            : makeCairoPainter(format->format, scratch, page.width, page.height, background, error);
    if (painter == nullptr) {
        error = "cannot create " + path + ": " + error;
        return false;
    }
    if (options.window && !options.layout)
        painter->clip(page.deviceX(area.minX), page.deviceY(area.maxY), (area.maxX - area.minX) * page.scale,
                      (area.maxY - area.minY) * page.scale);
    bool ok = drawAll(db, source, layers, options, area, page, *painter, error) && painter->finish(error);
    painter.reset();
    if (ok && !replacement.commit(reason, warning)) {
        error = "cannot replace " + path + ": " + reason;
        ok = false;
    }
    if (!ok)
        return false;
    if (pageOut != nullptr)
        *pageOut = page;
    return true;
}

}  // namespace vemio
