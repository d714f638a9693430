// Walks the current space, draws each entity with the primitive collector and writes
// what meets the window.
#include "drawing_view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <unordered_map>

#include "aci_colors.h"
#include "dbsymtb.h"
#include "json_text.h"
#include "opened_object.h"
#include "vemhost_io.h"
#include "vemhost_program.h"

namespace vemweb {

namespace {

using vemio::Opened;

struct LayerLook {
    int color = 7;
    bool hidden = false;  // off or frozen
};
using Layers = std::unordered_map<Adesk::IntDbId, LayerLook>;

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
        layers[id.asOldId()] = {layer->colorIndex(), layer->isOff() || layer->isFrozen()};
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
    void add(const Box& b)
    {
        if (!b.empty()) {
            add(b.minX, b.minY);
            add(b.maxX, b.maxY);
        }
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

void appendColor(std::string& out, const vemhost::Primitive& p, const Layers& layers)
{
    int index = p.color;
    if (index == vemio::kColorByLayer || index == vemio::kColorByBlock) {
        auto layer = layers.find(p.layerId.asOldId());
        index = layer == layers.end() ? vemio::kColorForeground : layer->second.color;
    }
    const vemio::Rgb rgb = vemio::aciColor(std::abs(index), true);
    char buf[16];
    std::snprintf(buf, sizeof buf, "\"#%02x%02x%02x\"", rgb.r, rgb.g, rgb.b);
    out += buf;
}

void appendPoints(std::string& out, const std::vector<AcGePoint3d>& points)
{
    out += '[';
    for (size_t i = 0; i < points.size(); ++i) {
        if (i > 0)
            out += ',';
        appendJsonNumber(out, points[i].x);
        out += ',';
        appendJsonNumber(out, points[i].y);
    }
    out += ']';
}

void appendItem(std::string& out, const vemhost::Primitive& p, const Layers& layers)
{
    static const char* const kKinds[] = {"l", "g", "o", "t"};
    out += "{\"k\":\"";
    out += kKinds[p.kind];
    out += "\",\"c\":";
    appendColor(out, p, layers);
    const AcGePoint3d& at = p.points[0];
    if (p.kind == vemhost::Primitive::kPolyline || p.kind == vemhost::Primitive::kPolygon) {
        out += ",\"p\":";
        appendPoints(out, p.points);
    } else {
        out += ",\"x\":";
        appendJsonNumber(out, at.x);
        out += ",\"y\":";
        appendJsonNumber(out, at.y);
        out += p.kind == vemhost::Primitive::kCircle ? ",\"r\":" : ",\"h\":";
        appendJsonNumber(out, p.radius);
    }
    if (p.kind == vemhost::Primitive::kText) {
        out += ",\"a\":";
        appendJsonNumber(out, std::atan2(p.direction.y, p.direction.x));
        out += ",\"s\":";
        appendJsonString(out, vemhost::toUtf8(p.text));
    }
    out += '}';
}

}  // namespace

std::string viewJson(AcDbDatabase* db, const ViewWindow& window)
{
    const bool model = db->tilemode();
    std::string items;
    Box extents;
    const Layers layers = readLayers(db);
    Opened<AcDbBlockTable> table;
    Opened<AcDbBlockTableRecord> space;
    AcDbBlockTableRecordIterator* rawIterator = nullptr;
    if (db->getBlockTable(table.slot(), AcDb::kForRead) == Acad::eOk &&
        table->getAt(model ? ACDB_MODEL_SPACE : ACDB_PAPER_SPACE, space.slot(), AcDb::kForRead) == Acad::eOk &&
        space->newIterator(rawIterator) == Acad::eOk) {
        std::unique_ptr<AcDbBlockTableRecordIterator> iterator(rawIterator);
        vemhost::PrimitiveCollector collector;
        for (; !iterator->done(); iterator->step()) {
            {
                Opened<AcDbEntity> ent;
                if (iterator->getEntity(ent.slot(), AcDb::kForRead) != Acad::eOk)
                    continue;  // open for write by the command that runs: drawn next time
                collector.clear();
                collector.draw(ent.get());
            }
            for (const vemhost::Primitive& p : collector.primitives()) {
                auto layer = layers.find(p.layerId.asOldId());
                if (layer != layers.end() && layer->second.hidden)
                    continue;
                const Box box = boxOf(p);
                extents.add(box);
                if (!box.meets(window))
                    continue;
                if (!items.empty())
                    items += ',';
                appendItem(items, p, layers);
            }
        }
    }
    std::string out = "{\"space\":";
    out += model ? "\"model\"" : "\"paper\"";
    out += ",\"extents\":";
    if (extents.empty()) {
        out += "null";
    } else {
        out += '[';
        for (double v : {extents.minX, extents.minY, extents.maxX, extents.maxY}) {
            appendJsonNumber(out, v);
            out += ',';
        }
        out.back() = ']';
    }
    out += ",\"items\":[" + items + "]}";
    return out;
}

}  // namespace vemweb
