// Saved graphics of proxy entities: their byte layout, reading them back, drawing them
// and their extents, and the recorder that saves them for entities of application classes.
#include "db_proxy.h"

#include <cmath>
#include <cstring>
#include <cwchar>
#include <limits>
#include <new>

#include "byte_codec.h"
#include "recording_world_draw.h"
#include "transforming_geometry.h"
#include "vemhost_testing.h"

// Saved graphics, little-endian throughout, points and vectors as three f64:
//
//   u8 version (1), u32 item count, then per item a u8 kind and its payload:
//   kind  item      payload
//   1     polyline  u16 colour, u32 n, n points
//   2     polygon   u16 colour, u32 n, n points (drawn filled)
//   3     circle    u16 colour, centre, f64 radius, normal
//   4     text      u16 colour, position, normal, direction, f64 height, u32 n, n UTF-8 bytes
//   5     entity    u32 n, n UTF-8 bytes of a runtime class name, u32 m, m bytes of the
//                   entity's record as the binary filer writes it for drawing files
//
// An entity item keeps an ordinary entity whole (a text is a few hundred bytes where its
// strokes would be many kilobytes); every host has the runtime's classes to redraw it.

namespace acrt {

namespace {

const Adesk::UInt8 kGraphicsVersion = 1;
const size_t kPointBytes = 24;

enum ItemKind : unsigned char { kPolyline = 1, kPolygon = 2, kCircle = 3, kText = 4, kEntity = 5 };

bool isFinite(const AcGePoint3d& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }
bool isFinite(const AcGeVector3d& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// ---- bytes -------------------------------------------------------------------------------

class ByteWriter {
public:
    explicit ByteWriter(std::vector<unsigned char>& out) : m_out(out) {}
    void u8(unsigned value) { m_out.push_back(static_cast<unsigned char>(value)); }
    void u16(unsigned value) { le(value, 2); }
    void u32(Adesk::UInt64 value) { le(value, 4); }
    void f64(double value)
    {
        Adesk::UInt64 bits;
        std::memcpy(&bits, &value, sizeof bits);
        le(bits, 8);
    }
    void point(const AcGePoint3d& p)
    {
        f64(p.x);
        f64(p.y);
        f64(p.z);
    }
    void vector(const AcGeVector3d& v)
    {
        f64(v.x);
        f64(v.y);
        f64(v.z);
    }
    void block(const unsigned char* data, size_t size)
    {
        u32(size);
        m_out.insert(m_out.end(), data, data + size);
    }
    // UTF-8 with a u32 byte count; what is not a character becomes U+FFFD.
    void text(const wchar_t* chars, size_t count)
    {
        const size_t size = utf8Size(chars, count);
        u32(size);
        unsigned char* out = grow(size);
        for (size_t i = 0; i < count; ++i)
            out = encodeUtf8(scalarOf(chars[i]), out);
    }
    size_t size() const { return m_out.size(); }
    void patchU32(size_t at, Adesk::UInt64 value) { putLE(&m_out[at], value, 4); }

private:
    void le(Adesk::UInt64 value, size_t size) { putLE(grow(size), value, size); }
    // Room for size more bytes at the end.
    unsigned char* grow(size_t size)
    {
        const size_t at = m_out.size();
        m_out.resize(at + size);
        return m_out.data() + at;
    }

    std::vector<unsigned char>& m_out;
};

// Reads what ByteWriter wrote; every read checks the bytes left first, so a corrupt
// count fails before anything is allocated for it.
class ByteReader {
public:
    ByteReader(const unsigned char* data, size_t size) : m_data(data), m_size(size) {}
    size_t left() const { return m_size - m_pos; }
    bool u8(unsigned& value) { return le(value, 1); }
    bool u16(unsigned& value) { return le(value, 2); }
    bool u32(size_t& value) { return le(value, 4); }
    bool f64(double& value)
    {
        Adesk::UInt64 bits = 0;
        if (!le(bits, 8))
            return false;
        std::memcpy(&value, &bits, sizeof value);
        return std::isfinite(value);
    }
    bool point(AcGePoint3d& p) { return f64(p.x) && f64(p.y) && f64(p.z); }
    bool vector(AcGeVector3d& v) { return f64(v.x) && f64(v.y) && f64(v.z); }
    bool block(const unsigned char*& data, size_t& size)
    {
        if (!u32(size) || size > left())
            return false;
        data = m_data + m_pos;
        m_pos += size;
        return true;
    }

private:
    template <class T>
    bool le(T& value, size_t size)
    {
        if (left() < size)
            return false;
        value = static_cast<T>(getLE(m_data + m_pos, size));
        m_pos += size;
        return true;
    }

    const unsigned char* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

std::wstring wideOf(const unsigned char* data, size_t size)
{
    return vemhost::fromUtf8(std::string(reinterpret_cast<const char*>(data), size));
}

}  // namespace

// ---- saved graphics, decoded -----------------------------------------------------------------

struct GraphicItem {
    ItemKind kind = kPolyline;
    Adesk::UInt16 color = 256;
    std::vector<AcGePoint3d> points;  // vertices; circle centre; text position
    AcGeVector3d normal = AcGeVector3d::kZAxis;
    AcGeVector3d direction = AcGeVector3d::kXAxis;
    double size = 0.0;  // circle radius or text height
    std::wstring text;
    std::unique_ptr<AcDbEntity> entity;
};

struct SavedGraphics {
    std::vector<GraphicItem> items;
};

namespace {

bool readPoints(ByteReader& in, GraphicItem& item)
{
    size_t count = 0;
    if (!in.u32(count) || count == 0 || count > in.left() / kPointBytes)
        return false;
    item.points.resize(count);
    for (AcGePoint3d& p : item.points)
        if (!in.point(p))
            return false;
    return true;
}

// The entity an entity item keeps, or null when its class is not the runtime's or its
// record does not read whole: the item then draws nothing, as on a host without it.
std::unique_ptr<AcDbEntity> readEntity(AcDbDatabase* db, const std::wstring& className, const unsigned char* data,
                                       size_t size)
{
    AcRxClass* cls = acrxFindAcRxClass(className.c_str());
    if (!isRuntimeClass(cls) || isProxyClass(cls) || !cls->isDerivedFrom(AcDbEntity::desc()))
        return nullptr;
    AcRxObject* made = cls->create();
    std::unique_ptr<AcDbEntity> ent(AcDbEntity::cast(made));
    if (!ent) {
        delete made;
        return nullptr;
    }
    vemhost::MemoryFiler filer(std::vector<unsigned char>(data, data + size), db, AcDb::kFileFiler);
    if (ent->dwgInFields(&filer) != Acad::eOk || filer.filerStatus() != Acad::eOk ||
        size_t(filer.tell()) != size)
        return nullptr;
    return ent;
}

bool readItem(AcDbDatabase* db, ByteReader& in, GraphicItem& item)
{
    unsigned kind = 0, color = 0;
    if (!in.u8(kind))
        return false;
    item.kind = ItemKind(kind);
    if (kind == kEntity) {
        const unsigned char *name = nullptr, *record = nullptr;
        size_t nameSize = 0, recordSize = 0;
        if (!in.block(name, nameSize) || !in.block(record, recordSize))
            return false;
        item.entity = readEntity(db, wideOf(name, nameSize), record, recordSize);
        return true;
    }
    if (kind < kPolyline || kind > kText || !in.u16(color) || color > 257)
        return false;
    item.color = Adesk::UInt16(color);
    switch (kind) {
    case kPolyline:
    case kPolygon: return readPoints(in, item);
    case kCircle:
        item.points.resize(1);
        return in.point(item.points[0]) && in.f64(item.size) && in.vector(item.normal);
    default: {
        item.points.resize(1);
        const unsigned char* text = nullptr;
        size_t textSize = 0;
        if (!in.point(item.points[0]) || !in.vector(item.normal) || !in.vector(item.direction) ||
            !in.f64(item.size) || !in.block(text, textSize))
            return false;
        item.text = wideOf(text, textSize);
        return true;
    }
    }
}

}  // namespace

SavedGraphicsPtr decodeGraphics(AcDbDatabase* db, const std::vector<unsigned char>& bytes)
{
    if (bytes.empty())
        return nullptr;
    ByteReader in(bytes.data(), bytes.size());
    unsigned version = 0;
    size_t count = 0;
    if (!in.u8(version) || version != kGraphicsVersion || !in.u32(count) || count > in.left())
        return nullptr;
    // Items are added as they read, so memory follows the bytes, not the count.
    SavedGraphicsPtr graphics(new SavedGraphics());
    graphics->items.reserve(count < 64 ? count : 64);
    for (size_t i = 0; i < count; ++i) {
        graphics->items.emplace_back();
        if (!readItem(db, in, graphics->items.back()))
            return nullptr;
    }
    return in.left() == 0 ? std::move(graphics) : nullptr;
}

void drawGraphics(const SavedGraphics& graphics, AcGiWorldDraw* pWd)
{
    AcGiSubEntityTraits& traits = pWd->subEntityTraits();
    const Adesk::UInt16 color = traits.color();
    const AcGiFillType fill = traits.fillType();
    const AcGiWorldGeometry& geometry = pWd->geometry();
    for (const GraphicItem& item : graphics.items) {
        if (item.kind == kEntity) {
            if (item.entity)
                geometry.draw(item.entity.get());
            continue;
        }
        traits.setColor(item.color);
        const Adesk::UInt32 count = Adesk::UInt32(item.points.size());
        switch (item.kind) {
        case kPolyline: geometry.polyline(count, item.points.data()); break;
        case kPolygon:
            traits.setFillType(kAcGiFillAlways);
            geometry.polygon(count, item.points.data());
            traits.setFillType(fill);
            break;
        case kCircle: geometry.circle(item.points[0], item.size, item.normal); break;
        default:
            geometry.text(item.points[0], item.normal, item.direction, item.size, 1.0, 0.0, item.text.c_str());
            break;
        }
    }
    traits.setColor(color);
}

void addGraphicsExtents(const SavedGraphics& graphics, AcDbExtents& extents)
{
    for (const GraphicItem& item : graphics.items) {
        if (item.kind == kEntity) {
            AcDbExtents inner;
            if (item.entity && item.entity->getGeomExtents(inner) == Acad::eOk)
                extents.addExt(inner);
        } else if (item.kind == kCircle) {
            const AcGeVector3d r(item.size, item.size, item.size);
            extents.addPoint(item.points[0] - r);
            extents.addPoint(item.points[0] + r);
        } else {
            for (const AcGePoint3d& p : item.points)
                extents.addPoint(p);
        }
    }
}

void SavedGraphicsDeleter::operator()(SavedGraphics* graphics) const { delete graphics; }

// ---- recording graphics ---------------------------------------------------------------------

namespace {

struct CaptureState {
    Adesk::UInt16 color = 256;
    AcDbObjectId layerId;
    AcDbObjectId linetypeId;
    AcGiFillType fillType = kAcGiFillNever;
    AcDb::LineWeight lineWeight = AcDb::kLnWtByLayer;
    double linetypeScale = 1.0;
    double thickness = 0.0;
};

class CaptureTraits final : public AcGiDrawableTraits {
public:
    void setColor(const Adesk::UInt16 color) override { state.color = color; }
    void setLayer(const AcDbObjectId layerId) override { state.layerId = layerId; }
    void setLineType(const AcDbObjectId linetypeId) override { state.linetypeId = linetypeId; }
    void setSelectionMarker(const Adesk::LongPtr) override {}
    void setFillType(const AcGiFillType fillType) override { state.fillType = fillType; }
    void setLineWeight(const AcDb::LineWeight lw) override { state.lineWeight = lw; }
    void setLineTypeScale(double dScale) override { state.linetypeScale = dScale; }
    void setThickness(double dThickness) override { state.thickness = dThickness; }
    Adesk::UInt16 color() const override { return state.color; }
    AcDbObjectId layerId() const override { return state.layerId; }
    AcDbObjectId lineTypeId() const override { return state.linetypeId; }
    AcGiFillType fillType() const override { return state.fillType; }
    AcDb::LineWeight lineWeight() const override { return state.lineWeight; }
    double lineTypeScale() const override { return state.linetypeScale; }
    double thickness() const override { return state.thickness; }
    void setupForEntity(AcDbEntity* pEntity) override
    {
        state = CaptureState();
        state.color = pEntity->colorIndex();
        state.layerId = pEntity->layerId();
        state.linetypeId = pEntity->linetypeId();
        state.lineWeight = pEntity->lineWeight();
        state.linetypeScale = pEntity->linetypeScale();
    }

    CaptureState state;
};

}  // namespace

struct GraphicsRecorder::Impl {
    class Geometry final : public TransformingGeometry {
    public:
        explicit Geometry(Impl& impl) : m_impl(impl) {}
        Adesk::Boolean draw(AcGiDrawable* pDrawable) const override
        {
            m_impl.drawNested(pDrawable);
            return Adesk::kFalse;
        }

    protected:
        Adesk::Boolean worldCircle(const AcGePoint3d& center, double radius, const AcGeVector3d& normal) const override
        {
            if (isFinite(center) && std::isfinite(radius) && isFinite(normal)) {
                m_impl.beginItem(kCircle);
                m_impl.writer().point(center);
                m_impl.writer().f64(radius);
                m_impl.writer().vector(normal);
            }
            return Adesk::kFalse;
        }
        Adesk::Boolean worldPolyline(Adesk::UInt32 nbPoints, const AcGePoint3d* pVertexList, const AcGeVector3d*,
                                     Adesk::LongPtr) const override
        {
            m_impl.points(kPolyline, nbPoints, pVertexList);
            return Adesk::kFalse;
        }
        Adesk::Boolean worldPolygon(Adesk::UInt32 nbPoints, const AcGePoint3d* pVertexList) const override
        {
            m_impl.points(kPolygon, nbPoints, pVertexList);
            return Adesk::kFalse;
        }
        Adesk::Boolean worldText(const AcGePoint3d& position, const AcGeVector3d& normal,
                                 const AcGeVector3d& direction, double height, double, double,
                                 const ACHAR* pMsg) const override
        {
            if (isFinite(position) && isFinite(normal) && isFinite(direction) && std::isfinite(height)) {
                m_impl.beginItem(kText);
                ByteWriter out = m_impl.writer();
                out.point(position);
                out.vector(normal);
                out.vector(direction);
                out.f64(height);
                out.text(pMsg ? pMsg : L"", pMsg ? std::wcslen(pMsg) : 0);
            }
            return Adesk::kFalse;
        }

    private:
        Impl& m_impl;
    };

    CaptureTraits traits;
    Geometry geometry{*this};
    // The host's regeneration type for graphics saved with an object for proxies.
    acrt::RecordingWorldDraw<Impl> worldDraw{*this, kAcGiSaveWorldDrawForProxy};
    vemhost::MemoryFiler filer{nullptr, AcDb::kFileFiler};
    std::vector<unsigned char>* out = nullptr;
    Adesk::UInt64 count = 0;
    int depth = 0;

    ByteWriter writer() { return ByteWriter(*out); }

    void beginItem(ItemKind kind)
    {
        ++count;
        writer().u8(kind);
        if (kind != kEntity)
            writer().u16(traits.state.color);
    }

    void points(ItemKind kind, Adesk::UInt32 n, const AcGePoint3d* pts)
    {
        if (n == 0 || pts == nullptr)
            return;
        for (Adesk::UInt32 i = 0; i < n; ++i)
            if (!isFinite(pts[i]))
                return;
        beginItem(kind);
        writer().u32(n);
        for (Adesk::UInt32 i = 0; i < n; ++i)
            writer().point(pts[i]);
    }

    // An entity of the runtime's own classes is kept whole (placed by the model transform
    // when one is pushed, and drawn when it cannot take it); anything else is drawn.
    void entity(AcDbEntity* ent)
    {
        AcRxClass* cls = ent->isA();
        if (!isRuntimeClass(cls) || isProxyClass(cls)) {
            drawWithTraits(ent);
            return;
        }
        if (!geometry.transformed()) {
            keepWhole(*ent, cls);
            return;
        }
        AcDbEntity* placed = nullptr;
        if (ent->getTransformedCopy(geometry.modelToWorld(), placed) != Acad::eOk || placed == nullptr) {
            drawWithTraits(ent);
            return;
        }
        keepWhole(*placed, cls);
        delete placed;
    }

    void keepWhole(const AcDbEntity& ent, AcRxClass* cls)
    {
        filer.clear();
        if (ent.dwgOutFields(&filer) == Acad::eOk && filer.filerStatus() == Acad::eOk &&
            filer.bytes().size() <= kMaxProxyBytes) {
            beginItem(kEntity);
            writer().text(cls->name(), std::wcslen(cls->name()));
            writer().block(filer.bytes().data(), filer.bytes().size());
        }
    }

    void drawWithTraits(AcGiDrawable* drawable)
    {
        if (depth > 16)  // a drawable that draws itself, directly or not
            return;
        const CaptureState outer = traits.state;
        ++depth;
        if (AcDbEntity* ent = AcDbEntity::cast(drawable))
            traits.setupForEntity(ent);
        if ((drawable->setAttributes(&traits) & AcGiDrawable::kDrawableIsInvisible) == 0)
            drawable->worldDraw(&worldDraw);
        --depth;
        traits.state = outer;
    }

    void drawNested(AcGiDrawable* drawable)
    {
        if (drawable == nullptr)
            return;
        if (AcDbEntity* ent = AcDbEntity::cast(drawable))
            entity(ent);
        else
            drawWithTraits(drawable);
    }

    // Explode pieces are kept as entities; an entity that does not explode is drawn.
    void recordEntity(AcDbEntity* ent)
    {
        AcDbVoidPtrArray pieces;
        const bool exploded = ent->explode(pieces) == Acad::eOk && pieces.length() > 0;
        for (int i = 0; i < pieces.length(); ++i) {
            std::unique_ptr<AcDbEntity> piece(static_cast<AcDbEntity*>(pieces[i]));
            if (exploded && piece) {
                takeOpenProperties(piece.get(), ent);
                entity(piece.get());
            }
        }
        if (!exploded)
            drawWithTraits(ent);
    }

    // A piece leaves open what its entity decides when it draws the piece in its own
    // traits: no layer (so colour and lineweight by layer mean nothing yet), by block, no
    // linetype. Saved with the entity's values, the piece shows as it did inside it.
    static void takeOpenProperties(AcDbEntity* piece, const AcDbEntity* whole)
    {
        const bool noLayer = piece->layerId().isNull();
        if (noLayer && !whole->layerId().isNull())
            piece->setLayer(whole->layerId());
        if (piece->colorIndex() == 0 || (noLayer && piece->colorIndex() == 256))
            piece->setColorIndex(whole->colorIndex());
        if (piece->lineWeight() == AcDb::kLnWtByBlock || (noLayer && piece->lineWeight() == AcDb::kLnWtByLayer))
            piece->setLineWeight(whole->lineWeight());
        if (piece->linetypeId().isNull() && !whole->linetypeId().isNull())
            piece->setLinetype(whole->linetypeId());
    }
};

GraphicsRecorder::GraphicsRecorder() : m_impl(std::make_unique<Impl>()) {}
GraphicsRecorder::~GraphicsRecorder() = default;

bool GraphicsRecorder::record(AcDbEntity* ent, std::vector<unsigned char>& out)
{
    out.clear();
    if (ent == nullptr)
        return false;
    try {
        m_impl->out = &out;
        m_impl->count = 0;
        m_impl->depth = 0;
        m_impl->writer().u8(kGraphicsVersion);
        m_impl->writer().u32(0);
        m_impl->recordEntity(ent);
        if (m_impl->count == 0 || m_impl->count > std::numeric_limits<Adesk::UInt32>::max()) {
            out.clear();
            return false;
        }
        m_impl->writer().patchU32(1, m_impl->count);
        return true;
    } catch (const std::bad_alloc&) {
        out.clear();
        return false;
    }
}

}  // namespace acrt
