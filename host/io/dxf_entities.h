// The ENTITIES part of DXF output: the host's own entities as LINE, LWPOLYLINE, MTEXT,
// CIRCLE, ARC, ELLIPSE and SPLINE, and every other entity as the ordinary entities it explodes into or, when it
// does not explode (a proxy), as what it draws.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "dbmain.h"
#include "dxf_stream.h"
#include "pass_through.h"
#include "vemhost_io.h"
#include "vemhost_program.h"

class AcDbAttribute;
class AcDbAttributeDefinition;
class AcDbBlockReference;
class AcDbEllipse;
class AcDbMText;
class AcDbPoint;
class AcDbPolyline;
class AcDbText;
class AcDbSpline;

namespace vemio {

// Names of the drawing's symbol table records by object id, already escaped for DXF.
struct DxfSymbols {
    std::unordered_map<Adesk::IntDbId, std::string> layers;
    std::unordered_map<Adesk::IntDbId, std::string> linetypes;  // by-layer ones left out
    std::unordered_map<Adesk::IntDbId, std::string> textStyles;
    std::unordered_map<Adesk::IntDbId, std::string> blocks;
    std::string defaultLayer = "0";
    std::string defaultTextStyle = "Standard";

    const std::string& layerName(AcDbObjectId id) const;
    // Null for a linetype written as by layer (none, unknown or "ByLayer").
    const std::string* linetypeName(AcDbObjectId id) const;
    const std::string& textStyleName(AcDbObjectId id) const;
    // Null for a block the drawing does not hold.
    const std::string* blockName(AcDbObjectId id) const;
};

// What DXF output counts.
struct DxfStats {
    long entities = 0;  // entities written to the file, generated ones included
    long skipped = 0;   // entities left out because their geometry is not finite
};

// The common properties of a written entity. Pieces and drawn primitives take from the
// entity they come from whatever they leave open.
struct DxfProperties {
    AcDbObjectId layer;
    AcDbObjectId linetype;
    int color = 256;
    AcDb::LineWeight lineWeight = AcDb::kLnWtByLayer;
    double linetypeScale = 1.0;
    bool invisible = false;

    static DxfProperties of(const AcDbEntity& ent);
    // These properties with what is open (no layer or linetype, by-block colour or
    // lineweight) taken from outer.
    DxfProperties inheriting(const DxfProperties& outer) const;
};

class DxfEntityWriter {
public:
    // Fresh handles for generated entities come from nextHandle, which moves on.
    DxfEntityWriter(DxfStream& out, const DxfSymbols& symbols, std::uint64_t& nextHandle, DxfStats& stats);
    DxfEntityWriter(const DxfEntityWriter&) = delete;
    DxfEntityWriter& operator=(const DxfEntityWriter&) = delete;

    // Writes an entity of the drawing (open for read) owned by the block record with
    // ownerHandle; paperSpace marks it with group 67. With trackExtents on, what is
    // written widens extents().
    void write(const AcDbEntity& ent, std::uint64_t ownerHandle, bool paperSpace);
    void setTrackExtents(bool on) { m_trackExtents = on; }
    const AcDbExtents& extents() const { return m_extents; }

private:
    struct Target {
        std::uint64_t handle;
        const DxfProperties& props;
    };

    // An entity of a module (a coordinate system, a label) written as its pieces: each
    // piece carries, as XDATA of the application VEM, the entity's class, its handle and
    // the piece's number, and the first also the entity's filed record, so that a reader
    // that knows the entity can bring it back while any other shows the pieces.
    struct LiveEntity {
        std::string className;
        std::uint64_t handle = 0;
        std::string record;    // the filed record in hexadecimal, two digits a byte
        int pieces = 0;        // pieces begun so far
        bool pending = false;  // the piece being written still lacks its XDATA
    };
    void beginLiveEntity(const AcDbEntity& ent, std::uint64_t handle);
    void endPiece();

    // The DXF extras of the entity written next under handle (dxf_pass_through_out.cpp):
    // its 102 groups go right after the handle (leadExtras, from common), the rest at
    // the end of its record (endExtras, before the next record starts).
    void takeExtras(const AcDbEntity& ent, std::uint64_t handle);
    void leadExtras(std::uint64_t handle);
    void endExtras();
    // An entity of a type the host does not model, written back as it was read with
    // its handle, owner, space and current properties in their places; false, writing
    // nothing, when it has no type.
    bool passThrough(const DxfPassThroughEntity& ent, const Target& target);
    void keptProperties(const DxfProperties& p, const std::vector<bool>& present);
    void keptProperty(int code, const DxfProperties& p);

    void writeAny(const AcDbEntity& ent, std::uint64_t handle, const DxfProperties& props, int depth);
    bool writeKnown(const AcDbEntity& ent, const Target& target);
    void writePieces(const AcDbEntity& ent, const DxfProperties& props, int depth);
    void writePrimitives(const AcDbEntity& ent, const DxfProperties& props);
    void writePrimitive(const vemhost::Primitive& prim, const DxfProperties& props);

    void common(const char* type, const Target& target);
    void line(const AcGePoint3d& from, const AcGePoint3d& to, double thickness, const AcGeVector3d& normal,
              const Target& target);
    bool polyline(const AcDbPolyline& pline, const Target& target);
    bool mtext(const AcDbMText& text, const Target& target);
    void pointsAsPolyline(const std::vector<AcGePoint3d>& points, bool closed, const Target& target);
    void circle(const AcGePoint3d& center, double radius, const AcGeVector3d& normal, const Target& target);
    bool point(const AcDbPoint& pt, const Target& target);
    void circleGroups(const AcGePoint3d& center, double radius, const AcGeVector3d& normal);
    // Angles in radians in the plane of the normal (the arbitrary-axis rule), as the arc
    // holds them; written in degrees.
    void arc(const AcGePoint3d& center, double radius, double startAngle, double endAngle,
             const AcGeVector3d& normal, const Target& target);
    // ELLIPSE and SPLINE (dxf_curves.cpp); false when the curve cannot be written.
    bool ellipse(const AcDbEllipse& ellipse, const Target& target);
    bool spline(const AcDbSpline& spline, const Target& target);
    void textPrimitive(const vemhost::Primitive& prim, const Target& target);
    // Single-line texts (dxf_text.cpp); each is false, writing nothing, when a value is
    // not finite. textFamily writes a definition as ATTDEF, an attribute no reference
    // owns as the TEXT of its value (marked invisible when it is), any other
    // text as TEXT; attrib writes the ATTRIB of a block reference's attribute.
    bool textFamily(const AcDbText& ent, const Target& target);
    bool text(const AcDbText& text, const Target& target);
    bool attdef(const AcDbAttributeDefinition& def, const Target& target);
    bool attrib(const AcDbAttribute& attribute, const Target& target);
    void textGroups(const AcDbText& text, std::wstring_view string);
    // INSERT (dxf_blocks.cpp); false for a reference to a block the drawing lacks.
    bool insert(const AcDbBlockReference& ref, const Target& target);
    // seqend: the SEQEND's handle, 0 for a fresh one.
    void attributesOf(AcDbObjectIterator& attributes, const Target& insert, std::uint64_t seqend);
    // The handle of the SEQEND kept in a reference's extras when no object has it, else 0.
    static std::uint64_t keptSeqend(const AcDbEntity& ent);
    void textFrame(const AcGeVector3d& normal, const AcGeVector3d& direction, double rotation);
    void widen(const AcGePoint3d& pt);

    DxfStream& m_out;
    const DxfSymbols& m_symbols;
    std::uint64_t& m_nextHandle;
    DxfStats& m_stats;
    std::uint64_t m_owner = 0;
    bool m_paperSpace = false;
    bool m_trackExtents = false;
    AcDbExtents m_extents;
    vemhost::PrimitiveCollector m_collector;
    std::wstring m_textScratch;
    LiveEntity m_live;
    const acrt::DxfGroups* m_extras = nullptr;         // of the entity being written
    std::uint64_t m_extrasHandle = 0;                  // the record they belong to
    const acrt::DxfGroups* m_pendingExtras = nullptr;  // their end still to write
};

}  // namespace vemio
