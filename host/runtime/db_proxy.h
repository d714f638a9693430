// Proxies: stand-ins for objects whose class is not registered or whose record could
// not be read. They keep the record and the saved graphics byte for byte, draw those
// graphics and refuse every edit. Also the few services a drawing-file reader needs
// to place objects under their saved handles. Private to the runtime and host/io.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dbmain.h"

namespace acrt {

// The class an object was saved under, as the drawing's classes table describes it.
struct ProxyClass {
    std::wstring name;
    std::wstring parentName;
    std::wstring dxfName;
    std::wstring appName;
    int proxyFlags = 0;
};

// The decoded form of saved graphics (db_proxy_graphics.cpp has the byte layout).
struct SavedGraphics;
struct SavedGraphicsDeleter {
    void operator()(SavedGraphics* graphics) const;
};
using SavedGraphicsPtr = std::unique_ptr<SavedGraphics, SavedGraphicsDeleter>;
// Fills new proxies (db_proxy.cpp).
struct ProxyAccess;

// Largest record or graphics block a proxy takes from a filer: a bound on what a
// corrupt length can make it allocate.
constexpr size_t kMaxProxyBytes = size_t(1) << 28;

}  // namespace acrt

class ACRT_PORT AcDbProxyEntity : public AcDbEntity {
    ACRT_DECLARE_CLASS(AcDbProxyEntity);

public:
    // The host's proxy flags: what the class's application lets a host without it do.
    enum _ProxyFlags {
        kNoOperation = 0,
        kEraseAllowed = 0x1,
        kTransformAllowed = 0x2,
        kColorChangeAllowed = 0x4,
        kLayerChangeAllowed = 0x8,
        kLinetypeChangeAllowed = 0x10,
        kLinetypeScaleChangeAllowed = 0x20,
        kVisibilityChangeAllowed = 0x40,
        kCloningAllowed = 0x80,
        kLineWeightChangeAllowed = 0x100,
        kPlotStyleNameChangeAllowed = 0x200,
        kAllButCloningAllowed = 0x37F,
        kDisableProxyWarning = 0x400
    };

    AcDbProxyEntity();
    ~AcDbProxyEntity() override;

    int proxyFlags() const { return m_class.proxyFlags; }
    const ACHAR* originalClassName() const { return m_class.name.c_str(); }
    const ACHAR* originalDxfName() const { return m_class.dxfName.c_str(); }
    const ACHAR* applicationDescription() const { return m_class.appName.c_str(); }

    // Stand-in extensions: what the proxy keeps, exactly as it was read.
    const acrt::ProxyClass& originalClass() const { return m_class; }
    const std::vector<unsigned char>& originalRecord() const { return m_record; }
    const std::vector<unsigned char>& savedGraphics() const { return m_graphics; }

    // Every property change is refused: the record keeps the properties it was saved with.
    Acad::ErrorStatus setColorIndex(Adesk::UInt16 color, Adesk::Boolean doSubents = true) override;
    Acad::ErrorStatus setLayer(const ACHAR* newVal, Adesk::Boolean doSubents = true,
                               bool allowHiddenLayer = false) override;
    Acad::ErrorStatus setLayer(AcDbObjectId newVal, Adesk::Boolean doSubents = true,
                               bool allowHiddenLayer = false) override;
    Acad::ErrorStatus setLinetype(AcDbObjectId newVal, Adesk::Boolean doSubents = true) override;
    Acad::ErrorStatus setLinetypeScale(double newval, Adesk::Boolean doSubents = true) override;
    Acad::ErrorStatus setLineWeight(AcDb::LineWeight newVal, Adesk::Boolean doSubents = true) override;
    Acad::ErrorStatus setVisibility(AcDb::Visibility newVal, Adesk::Boolean doSubents = true) override;

    // Null unless the class allows cloning.
    AcRxObject* clone() const override;

    // The proxy's own state for undo and copy filers; drawing files store the original
    // record instead (see originalRecord).
    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override;
    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override;

protected:
    Adesk::Boolean subWorldDraw(AcGiWorldDraw* pWd) override;
    Acad::ErrorStatus subErase(Adesk::Boolean erasing) override;
    Acad::ErrorStatus subGetGeomExtents(AcDbExtents& extents) const override;
    Acad::ErrorStatus subExplode(AcDbVoidPtrArray& entitySet) const override;
    Acad::ErrorStatus subTransformBy(const AcGeMatrix3d& xform) override;
    Acad::ErrorStatus subGetTransformedCopy(const AcGeMatrix3d& xform, AcDbEntity*& pEnt) const override;
    Acad::ErrorStatus subMoveGripPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset) override;
    Acad::ErrorStatus subMoveStretchPointsAt(const AcDbIntArray& indices, const AcGeVector3d& offset) override;
    void subList() const override;

private:
    friend struct acrt::ProxyAccess;

    acrt::ProxyClass m_class;
    std::vector<unsigned char> m_record;
    std::vector<unsigned char> m_graphics;
    acrt::SavedGraphicsPtr m_drawing;  // null when the graphics are empty or unreadable
};

class ACRT_PORT AcDbProxyObject : public AcDbObject {
    ACRT_DECLARE_CLASS(AcDbProxyObject);

public:
    enum _ProxyFlags { kNoOperation = 0, kEraseAllowed = 0x1, kCloningAllowed = 0x80 };

    AcDbProxyObject();
    ~AcDbProxyObject() override;

    int proxyFlags() const { return m_class.proxyFlags; }
    const ACHAR* originalClassName() const { return m_class.name.c_str(); }
    const ACHAR* originalDxfName() const { return m_class.dxfName.c_str(); }
    const ACHAR* applicationDescription() const { return m_class.appName.c_str(); }

    const acrt::ProxyClass& originalClass() const { return m_class; }
    const std::vector<unsigned char>& originalRecord() const { return m_record; }

    AcRxObject* clone() const override;
    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override;
    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override;

protected:
    Acad::ErrorStatus subErase(Adesk::Boolean erasing) override;

private:
    friend struct acrt::ProxyAccess;

    acrt::ProxyClass m_class;
    std::vector<unsigned char> m_record;
};

namespace acrt {

// A new proxy (not in a database, open for write) for an object of class cls saved as
// record; entities also take their saved graphics and the common properties of the
// record's leading entity part (defaults when that part cannot be read). Ids in both
// resolve through db, whose stubs for the drawing's handles must exist already. Null
// only when memory runs out.
ACRT_PORT AcDbObject* makeProxy(AcDbDatabase* db, const ProxyClass& cls, bool isEntity,
                                std::vector<unsigned char> record, std::vector<unsigned char> graphics);

// True for the classes the runtime itself implements (every host has them).
ACRT_PORT bool isRuntimeClass(const AcRxClass* cls);

// Records an entity's graphics for a host that lacks its class: the ordinary entities
// it explodes into or, when it does not explode, what it draws. One recorder reuses
// its buffers across entities.
class ACRT_PORT GraphicsRecorder {
public:
    GraphicsRecorder();
    ~GraphicsRecorder();
    GraphicsRecorder(const GraphicsRecorder&) = delete;
    GraphicsRecorder& operator=(const GraphicsRecorder&) = delete;

    // Replaces out with the entity's graphics; false (out empty) when it has none.
    bool record(AcDbEntity* ent, std::vector<unsigned char>& out);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Saved graphics for the proxies themselves: decoded (null when empty or unreadable;
// ids resolve through db), drawn, and their extents added.
SavedGraphicsPtr decodeGraphics(AcDbDatabase* db, const std::vector<unsigned char>& bytes);
void drawGraphics(const SavedGraphics& graphics, AcGiWorldDraw* pWd);
void addGraphicsExtents(const SavedGraphics& graphics, AcDbExtents& extents);

// Makes obj (not resident, open for write) resident in db under handle, owned by owner,
// and closes it. eDuplicateKey when the handle already has an object.
ACRT_PORT Acad::ErrorStatus addLoadedObject(AcDbDatabase* db, AcDbObject* obj, Adesk::UInt64 handle,
                                            AcDbObjectId owner);

}  // namespace acrt
