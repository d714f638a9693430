// Pass-through objects: what a DXF file held that the host does not model (hatches,
// dimensions, solids, old-style polylines, dictionaries, records of tables the host
// lacks, classes), kept as their group codes so that DXF output writes them back
// unchanged, and saved in drawing files like any object. Entities among them draw what
// their groups describe where the host knows the geometry, and move where it can be
// transformed. The groups of other applications that a modelled object carried (XDATA,
// reactors, extension dictionaries) are kept beside it as its DXF extras.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dbmain.h"

namespace acrt {

// One group of a DXF record: its code and its value as the file gave it, texts decoded
// to UTF-8 (escapes of other characters resolved), everything else byte for byte.
struct DxfGroup {
    int code = 0;
    std::string value;
};
using DxfGroups = std::vector<DxfGroup>;

// Bounds on what a filer may make a pass-through allocate: a corrupt count or length
// fails the read instead.
constexpr std::size_t kMaxDxfGroups = std::size_t(1) << 24;
constexpr std::size_t kMaxDxfValueBytes = std::size_t(1) << 20;

// Where in a DXF file a pass-through object stands.
enum class DxfPlace : Adesk::UInt8 {
    kClass = 0,        // an entry of the CLASSES section
    kTableRecord = 1,  // a record of the table its type names (VPORT, APPID, DIMSTYLE ...)
    kObject = 2,       // an object of the OBJECTS section
    kHeaderVariable = 3,  // a header variable the host does not model: its type is the
                          // variable's name ("$DIMSCALE"), its groups the value's groups
    kTableHead = 4,       // the TABLE record of a table the host lacks: its type is the
                          // table's name, its groups those after the name (2) group
};

struct PassThroughShape;

}  // namespace acrt

// An entity of a DXF type the host does not model. Its groups are every group of the
// record after the type (0) group, in order, handle (5), owner (330), layer (8),
// linetype (6), colour (62) and lineweight (370) included: DXF output writes the
// entity's own handle, owner and properties in their places. The records that belong
// to it (an old-style polyline's VERTEX and SEQEND) follow in its groups, each starting
// with its own 0 group.
class ACRT_PORT DxfPassThroughEntity : public AcDbEntity {
    ACRT_DECLARE_CLASS(DxfPassThroughEntity);

public:
    DxfPassThroughEntity();
    DxfPassThroughEntity(std::string type, acrt::DxfGroups groups);
    ~DxfPassThroughEntity() override;

    // The DXF type ("HATCH", "DIMENSION" ...).
    const std::string& dxfType() const;
    const acrt::DxfGroups& groups() const;

    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override;
    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override;

protected:
    Adesk::Boolean subWorldDraw(AcGiWorldDraw* pWd) override;
    Acad::ErrorStatus subGetGeomExtents(AcDbExtents& extents) const override;
    Acad::ErrorStatus subTransformBy(const AcGeMatrix3d& xform) override;
    Acad::ErrorStatus subGetTransformedCopy(const AcGeMatrix3d& xform, AcDbEntity*& pEnt) const override;
    Acad::ErrorStatus subExplode(AcDbVoidPtrArray& entitySet) const override;
    void subList() const override;

private:
    const acrt::PassThroughShape& shape() const;
    void drawBlock(AcGiWorldDraw* pWd) const;
    bool addBlockExtents(AcDbExtents& extents) const;

    std::string m_type;
    acrt::DxfGroups m_groups;
    // What the groups describe, decoded on first use after they change.
    mutable std::shared_ptr<const acrt::PassThroughShape> m_shape;
};

// A non-graphical record of a DXF file the host does not model: a class entry, a record
// of a table the host lacks, or an object of the OBJECTS section (dictionaries,
// XRECORDs, layouts ...). Its groups are every group after the type group, handle and
// owner included, exactly as read.
class ACRT_PORT DxfPassThroughObject : public AcDbObject {
    ACRT_DECLARE_CLASS(DxfPassThroughObject);

public:
    DxfPassThroughObject();
    DxfPassThroughObject(acrt::DxfPlace place, std::string type, acrt::DxfGroups groups);
    ~DxfPassThroughObject() override;

    acrt::DxfPlace place() const;
    const std::string& dxfType() const;
    const acrt::DxfGroups& groups() const;

    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override;
    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override;

private:
    acrt::DxfPlace m_place = acrt::DxfPlace::kObject;
    std::string m_type;
    acrt::DxfGroups m_groups;
};

namespace acrt {

// A modelled object's DXF extras: the groups of its record that the host does not
// model, in file order: 102 groups with what they enclose (reactors, extension
// dictionary), XDATA (1001 and the groups after it) and, for a symbol table record,
// the groups of its own subclass the host does not model (a linetype's dashes, a block
// record's layout ...). Output writes the 102 groups after the handle, a record's own
// groups after the ones it writes from the record, and XDATA last. Kept by the database beside the
// object, saved with the drawing; a copy of the object does not take them.
ACRT_PORT void setDxfExtras(AcDbObject* obj, DxfGroups extras);
// Null when the object has none.
ACRT_PORT const DxfGroups* dxfExtrasOf(const AcDbObject* obj);

// Filing of groups, shared by the pass-through classes and drawing files.
ACRT_PORT Acad::ErrorStatus writeDxfGroups(AcDbDwgFiler* pFiler, const DxfGroups& groups);
ACRT_PORT Acad::ErrorStatus readDxfGroups(AcDbDwgFiler* pFiler, DxfGroups& groups);

}  // namespace acrt
