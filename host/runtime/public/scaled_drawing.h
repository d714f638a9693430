// Drawing a space at the scale a screen or a picture shows it: the entities that meet a
// window come from the spatial index with their boxes, and what is too small to see at
// that scale is handed on as a mark (a box in the entity's colour) or a stroke instead
// of everything it draws. The browser's view and raster plots draw through it.
#pragma once

#include <memory>
#include <vector>

#include "dbmain.h"
#include "glyph_target.h"
#include "vemhost_io.h"

namespace vemhost {

// An entity with the box the spatial index holds for it: its geometric and drawn
// extents together, in the XY plane.
struct EntityBox {
    AcDbObjectId id;
    AcGePoint3d lo, hi;
};

// The entities of a block (a space) whose box meets lo-hi, in drawing order. Without the
// spatial index (acrt::useSpatialIndex(false)) every entity is measured in turn.
ACRT_PORT std::vector<EntityBox> entitiesMeeting(AcDbObjectId block, const AcGePoint3d& lo, const AcGePoint3d& hi);
// The box holding every entity's box in the block; false when none has one.
ACRT_PORT bool entitiesBounds(AcDbObjectId block, AcGePoint3d& lo, AcGePoint3d& hi);

// A text lower than this many pixels cannot be read (a stroke font's digits need about
// five to be told apart): a view draws its ink from afar instead of its strokes.
constexpr double kReadableTextPixels = 4.0;

// Something too small at the scale to draw in full: its box in the XY plane, with the
// traits its entity draws with.
struct Mark {
    AcGePoint3d lo, hi;
    Adesk::UInt16 color = 256;
    AcDbObjectId layerId;
    AcDb::LineWeight lineWeight = AcDb::kLnWtByLayer;
};

// A character of a text drawn by reference (ScaledDrawer::setDrawsGlyphs), placed in the
// world, with the traits its text draws with.
struct GlyphPrimitive {
    acrt::PlacedGlyph glyph;
    Adesk::UInt16 color = 256;
    AcDbObjectId layerId;
    AcDb::LineWeight lineWeight = AcDb::kLnWtByLayer;
};

// Receives what a scaled drawer draws, in drawing order.
class ACRT_PORT ScaledSink {
public:
    virtual ~ScaledSink();
    // A primitive, in world coordinates; the drawer reuses it, so copy what is kept.
    virtual void primitive(const Primitive& p) = 0;
    virtual void mark(const Mark& m) = 0;
    // A character drawn by reference; by default its glyph's strokes and fill are handed
    // to primitive() as a text draws them.
    virtual void glyph(const GlyphPrimitive& g);
};

// Draws entities for a view in which one pixel covers unitsPerPixel drawing units (0
// draws everything in full, as the primitive collector records it):
//  - an entity whose box is under 2 pixels across, or under 2 one way and 8 the
//    other, is a mark of its box: everything it draws lies within 2 pixels of it;
//  - a text lower than kReadableTextPixels is drawn as its ink seen from afar: a
//    stroke along the middle of a line of it, or the filled outline of a block of
//    lines (a multiline text does this itself, told the pixel size as the world draw's
//    deviation).
class ACRT_PORT ScaledDrawer {
public:
    explicit ScaledDrawer(double unitsPerPixel);
    ~ScaledDrawer();
    ScaledDrawer(const ScaledDrawer&) = delete;
    ScaledDrawer& operator=(const ScaledDrawer&) = delete;

    // The height (drawing units) of the view drawn, for what the host sizes as a share of
    // the view (points); 0, the default, when there is no view.
    void setViewHeight(double height);
    // Whether texts are drawn character by character by reference (to glyph()) rather
    // than as strokes; off by default.
    void setDrawsGlyphs(bool byGlyph);
    // Draws an entity open for read whose index box is box.
    void draw(AcDbEntity* ent, const EntityBox& box, ScaledSink& sink);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace vemhost
