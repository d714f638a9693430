// Proxies: stand-ins for objects whose class is not registered or whose record could
// not be read. They keep the record and the saved graphics byte for byte, draw those
// graphics and refuse every edit. Private to the runtime: drawing files reach proxies
// through the drawing store (drawing_store.h).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dbmain.h"
#include "drawing_store.h"

namespace acrt {

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

// Saved graphics for the proxies themselves: decoded (null when empty or unreadable;
// ids resolve through db), drawn, and their extents added.
SavedGraphicsPtr decodeGraphics(AcDbDatabase* db, const std::vector<unsigned char>& bytes);
void drawGraphics(const SavedGraphics& graphics, AcGiWorldDraw* pWd);
void addGraphicsExtents(const SavedGraphics& graphics, AcDbExtents& extents);

}  // namespace acrt
