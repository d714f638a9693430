// Proxies of application entities: a drawing opened without the application keeps its
// objects byte for byte, shows their saved graphics, refuses edits, and gives the
// objects back once the application's class is registered again.
#include <gtest/gtest.h>

#include "dbents.h"
#include "dbmtext.h"
#include "drawing_file.h"
#include "host_fixture.h"
#include "io_test_support.h"

namespace {

const Adesk::UInt8 kTestVersion = 1;

// An application's entity that does not explode: a square outline and a filled triangle.
class TestMarker : public AcDbEntity {
public:
    static AcRxClass* s_class;
    static AcRxObject* make() { return new TestMarker(); }
    AcRxClass* isA() const override { return s_class; }

    AcGePoint3d m_at;
    double m_size = 1.0;

    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override
    {
        Acad::ErrorStatus es = AcDbEntity::dwgOutFields(pFiler);
        if (es == Acad::eOk)
            es = pFiler->writeUInt8(kTestVersion);
        if (es == Acad::eOk)
            es = pFiler->writePoint3d(m_at);
        return es == Acad::eOk ? pFiler->writeDouble(m_size) : es;
    }
    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override
    {
        Acad::ErrorStatus es = AcDbEntity::dwgInFields(pFiler);
        Adesk::UInt8 version = 0;
        if (es == Acad::eOk)
            es = pFiler->readUInt8(&version);
        if (es == Acad::eOk && version != kTestVersion)
            return Acad::eMakeMeProxy;
        if (es == Acad::eOk)
            es = pFiler->readPoint3d(&m_at);
        return es == Acad::eOk ? pFiler->readDouble(&m_size) : es;
    }

protected:
    Adesk::Boolean subWorldDraw(AcGiWorldDraw* pWd) override
    {
        const AcGeVector3d dx(m_size, 0, 0), dy(0, m_size, 0);
        const AcGePoint3d square[5] = {m_at, m_at + dx, m_at + dx + dy, m_at + dy, m_at};
        pWd->geometry().polyline(5, square);
        const AcGePoint3d triangle[3] = {m_at, m_at + dx * 0.5, m_at + dy * 0.5};
        pWd->subEntityTraits().setColor(1);
        pWd->geometry().polygon(3, triangle);
        return Adesk::kTrue;
    }
    Acad::ErrorStatus subTransformBy(const AcGeMatrix3d& xform) override
    {
        assertWriteEnabled();
        m_at = xform * m_at;
        return Acad::eOk;
    }
};
AcRxClass* TestMarker::s_class = nullptr;

// An application's entity made of ordinary ones, drawn and exploded like the labels.
class TestTag : public TestMarker {
public:
    static AcRxClass* s_tagClass;
    static AcRxObject* make() { return new TestTag(); }
    AcRxClass* isA() const override { return s_tagClass; }

protected:
    Adesk::Boolean subWorldDraw(AcGiWorldDraw* pWd) override
    {
        AcDbVoidPtrArray pieces;
        subExplode(pieces);
        for (int i = 0; i < pieces.length(); ++i) {
            static_cast<AcDbEntity*>(pieces[i])->worldDraw(pWd);
            delete static_cast<AcDbEntity*>(pieces[i]);
        }
        return Adesk::kTrue;
    }
    Acad::ErrorStatus subExplode(AcDbVoidPtrArray& pieces) const override
    {
        pieces.append(new AcDbLine(m_at, m_at + AcGeVector3d(m_size, 0, 0)));
        AcDbMText* text = new AcDbMText();
        text->setContents(L"Tag 42");
        text->setTextHeight(m_size / 4);
        text->setLocation(m_at);
        pieces.append(text);
        return Acad::eOk;
    }
};
AcRxClass* TestTag::s_tagClass = nullptr;

// The test application's classes, registered while it lives or until removed.
class TestApplication {
public:
    explicit TestApplication(int proxyFlags = AcDbProxyEntity::kNoOperation) { add(proxyFlags); }
    ~TestApplication() { remove(); }
    void add(int proxyFlags = AcDbProxyEntity::kNoOperation)
    {
        TestMarker::s_class = newAcRxClass(L"VemTestMarker", L"AcDbEntity", proxyFlags, &TestMarker::make,
                                           L"VEMTESTMARKER", L"VemTestApp");
        TestTag::s_tagClass =
            newAcRxClass(L"VemTestTag", L"VemTestMarker", proxyFlags, &TestTag::make, L"VEMTESTTAG", L"VemTestApp");
    }
    void remove()
    {
        for (AcRxClass** cls : {&TestTag::s_tagClass, &TestMarker::s_class}) {
            if (*cls != nullptr)
                deleteAcRxClass(*cls);
            *cls = nullptr;
        }
    }
};

struct Shape {
    int kind;
    Adesk::UInt16 color;
    std::vector<AcGePoint3d> points;
    bool operator==(const Shape& o) const { return kind == o.kind && color == o.color && points == o.points; }
};

std::vector<Shape> shapesOf(AcDbEntity* ent)
{
    vemhost::PrimitiveCollector collector;
    collector.draw(ent);
    std::vector<Shape> shapes;
    for (const vemhost::Primitive& p : collector.primitives())
        shapes.push_back({int(p.kind), p.color, p.points});
    return shapes;
}

std::vector<Shape> shapesOf(AcDbDatabase* db, Adesk::UInt64 handle)
{
    AcDbEntity* ent = nullptr;
    EXPECT_EQ(acdbOpenAcDbEntity(ent, idOf(db, handle), AcDb::kForRead), Acad::eOk);
    std::vector<Shape> shapes = ent ? shapesOf(ent) : std::vector<Shape>();
    if (ent)
        ent->close();
    return shapes;
}

class ProxyEntity : public HostFixture {
protected:
    // A drawing with a marker (colour 3) and a tag, saved to "app.vdb"; it is then
    // closed, so that the class can go.
    void saveApplicationDrawing()
    {
        auto drawing = std::make_unique<AcDbDatabase>();
        auto* marker = static_cast<TestMarker*>(TestMarker::make());
        marker->m_at = AcGePoint3d(2, 3, 0);
        marker->m_size = 4;
        marker->setColorIndex(3);
        m_marker = appendTo(drawing.get(), ACDB_MODEL_SPACE, marker).handle().value();
        auto* tag = static_cast<TestTag*>(TestTag::make());
        tag->m_at = AcGePoint3d(-5, 1, 0);
        tag->m_size = 8;
        tag->setColorIndex(5);  // its pieces leave their colour to it
        m_tag = appendTo(drawing.get(), ACDB_MODEL_SPACE, tag).handle().value();
        m_markerShapes = shapesOf(drawing.get(), m_marker);
        m_tagShapes = shapesOf(drawing.get(), m_tag);
        m_objects = filedObjects(drawing.get());
        save(drawing.get(), m_path);
    }
    void save(AcDbDatabase* drawing, const std::string& path)
    {
        std::string error;
        ASSERT_TRUE(vemio::saveDrawing(drawing, path, error)) << error;
    }
    std::unique_ptr<AcDbDatabase> open(const std::string& path)
    {
        std::string error;
        std::unique_ptr<AcDbDatabase> opened = vemio::openDrawing(path, error);
        EXPECT_TRUE(opened != nullptr) << error;
        return opened;
    }

    ScratchDir m_dir;
    std::string m_path = m_dir.file("app.vdb");
    Adesk::UInt64 m_marker = 0;
    Adesk::UInt64 m_tag = 0;
    std::vector<Shape> m_markerShapes;
    std::vector<Shape> m_tagShapes;
    std::map<Adesk::UInt64, FiledObject> m_objects;
};

}  // namespace

TEST_F(ProxyEntity, ShowsSavedGraphicsRefusesEditsAndSavesBackUnchanged)
{
    TestApplication app;
    saveApplicationDrawing();
    ASSERT_EQ(m_markerShapes.size(), 2u);
    ASSERT_GT(m_tagShapes.size(), 2u);
    app.remove();

    std::unique_ptr<AcDbDatabase> opened = open(m_path);
    ASSERT_TRUE(opened);
    EXPECT_EQ(filedObjects(opened.get()), m_objects) << "the proxies keep the records";
    EXPECT_EQ(shapesOf(opened.get(), m_marker), m_markerShapes) << "the saved polyline and polygon";
    EXPECT_EQ(shapesOf(opened.get(), m_tag), m_tagShapes) << "the line and text it was made of";

    AcDbEntity* ent = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(ent, idOf(opened.get(), m_marker), AcDb::kForWrite), Acad::eOk);
    AcDbProxyEntity* proxy = AcDbProxyEntity::cast(ent);
    ASSERT_NE(proxy, nullptr);
    EXPECT_STREQ(proxy->originalClassName(), L"VemTestMarker");
    EXPECT_STREQ(proxy->originalDxfName(), L"VEMTESTMARKER");
    EXPECT_STREQ(proxy->applicationDescription(), L"VemTestApp");
    EXPECT_EQ(proxy->proxyFlags(), AcDbProxyEntity::kNoOperation);
    EXPECT_EQ(proxy->colorIndex(), 3) << "common properties come from the record's entity part";
    EXPECT_EQ(proxy->layer(), AcString(L"0"));
    AcDbExtents extents;
    ASSERT_EQ(proxy->getGeomExtents(extents), Acad::eOk);
    EXPECT_EQ(extents, AcDbExtents(AcGePoint3d(2, 3, 0), AcGePoint3d(6, 7, 0)));

    const AcGeMatrix3d move = AcGeMatrix3d::translation(AcGeVector3d(1, 0, 0));
    AcDbVoidPtrArray pieces;
    AcDbIntArray indices;
    indices.append(0);
    AcDbEntity* copy = nullptr;
    EXPECT_EQ(proxy->transformBy(move), Acad::eNotAllowedForThisProxy);
    EXPECT_EQ(proxy->getTransformedCopy(move, copy), Acad::eNotAllowedForThisProxy);
    EXPECT_EQ(copy, nullptr);
    EXPECT_EQ(proxy->moveGripPointsAt(indices, AcGeVector3d(1, 0, 0)), Acad::eNotAllowedForThisProxy);
    EXPECT_EQ(proxy->moveStretchPointsAt(indices, AcGeVector3d(1, 0, 0)), Acad::eNotAllowedForThisProxy);
    EXPECT_EQ(proxy->explode(pieces), Acad::eNotAllowedForThisProxy);
    EXPECT_EQ(pieces.length(), 0);
    EXPECT_EQ(proxy->erase(), Acad::eNotAllowedForThisProxy);
    EXPECT_FALSE(proxy->isErased());
    EXPECT_EQ(proxy->setColorIndex(5), Acad::eNotAllowedForThisProxy);
    EXPECT_EQ(proxy->setLayer(L"0"), Acad::eNotAllowedForThisProxy);
    EXPECT_EQ(proxy->clone(), nullptr) << "its class does not allow cloning";
    vemhost::startCapture();
    proxy->list();
    const std::string listed = vemhost::takeCaptured();
    vemhost::stopCapture();
    EXPECT_NE(listed.find("VemTestMarker"), std::string::npos) << listed;
    proxy->close();

    // Saved again without the application: every row as it was, classes kept.
    const std::string again = m_dir.file("again.vdb");
    save(opened.get(), again);
    EXPECT_EQ(objectRows(again), objectRows(m_path));
    opened.reset();

    // With the application back, the objects are themselves again.
    app.add();
    opened = open(again);
    ASSERT_TRUE(opened);
    EXPECT_EQ(filedObjects(opened.get()), m_objects);
    ASSERT_EQ(acdbOpenAcDbEntity(ent, idOf(opened.get(), m_marker), AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(ent->isA(), TestMarker::s_class);
    EXPECT_EQ(ent->transformBy(move), Acad::eOk);
    EXPECT_EQ(static_cast<TestMarker*>(ent)->m_at, AcGePoint3d(3, 3, 0));
    ent->close();
    EXPECT_EQ(shapesOf(opened.get(), m_tag), m_tagShapes);
}

TEST_F(ProxyEntity, FlagsAllowingEraseAndCloneAreHonoured)
{
    TestApplication app(AcDbProxyEntity::kEraseAllowed | AcDbProxyEntity::kCloningAllowed);
    saveApplicationDrawing();
    app.remove();
    std::unique_ptr<AcDbDatabase> opened = open(m_path);
    ASSERT_TRUE(opened);

    AcDbEntity* ent = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(ent, idOf(opened.get(), m_marker), AcDb::kForWrite), Acad::eOk);
    const AcDbProxyEntity* proxy = AcDbProxyEntity::cast(ent);
    ASSERT_NE(proxy, nullptr);
    // A clone goes through the proxy's own filing (copy filer) and keeps everything.
    std::unique_ptr<AcDbEntity> copy(AcDbEntity::cast(proxy->clone()));
    ASSERT_TRUE(copy);
    const AcDbProxyEntity* copied = AcDbProxyEntity::cast(copy.get());
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->originalRecord(), proxy->originalRecord());
    EXPECT_EQ(copied->savedGraphics(), proxy->savedGraphics());
    EXPECT_STREQ(copied->originalClassName(), L"VemTestMarker");
    EXPECT_EQ(copied->colorIndex(), 3);
    EXPECT_EQ(shapesOf(copy.get()), m_markerShapes);
    EXPECT_EQ(ent->transformBy(AcGeMatrix3d::kIdentity), Acad::eNotAllowedForThisProxy) << "transform is never allowed";
    EXPECT_EQ(ent->erase(), Acad::eOk);
    ent->close();

    const std::string again = m_dir.file("again.vdb");
    save(opened.get(), again);
    EXPECT_EQ(objectRows(again).count(static_cast<long long>(m_marker)), 0u) << "erased proxies are not saved";
    EXPECT_EQ(objectRows(again).count(static_cast<long long>(m_tag)), 1u);
}

TEST_F(ProxyEntity, DamagedGraphicsDrawNothingButAreKept)
{
    TestApplication app;
    saveApplicationDrawing();
    app.remove();
    const Bytes graphics = objectRows(m_path).at(static_cast<long long>(m_tag)).graphics;
    ASSERT_FALSE(graphics.empty());
    const std::string damaged = m_dir.file("damaged.vdb");
    const std::string again = m_dir.file("again.vdb");
    // Every cut of the graphics, and a count far beyond the bytes.
    std::vector<std::string> blobs;
    for (size_t size = 0; size < graphics.size(); size += (size < 64 ? 1 : 97))
        blobs.push_back("substr(graphics, 1, " + std::to_string(size) + ")");
    blobs.push_back("x'01FFFFFFFF0100'");
    for (const std::string& blob : blobs) {
        writeFile(damaged, readFile(m_path));
        runSql(damaged, "UPDATE graphics SET graphics = " + blob + " WHERE handle = " + std::to_string(m_tag));
        const Bytes stored = objectRows(damaged).at(static_cast<long long>(m_tag)).graphics;
        std::unique_ptr<AcDbDatabase> opened = open(damaged);
        ASSERT_TRUE(opened);
        EXPECT_TRUE(shapesOf(opened.get(), m_tag).empty()) << blob;
        AcDbEntity* ent = nullptr;
        ASSERT_EQ(acdbOpenAcDbEntity(ent, idOf(opened.get(), m_tag), AcDb::kForRead), Acad::eOk);
        AcDbExtents extents;
        EXPECT_EQ(ent->getGeomExtents(extents), Acad::eInvalidExtents);
        ent->close();
        save(opened.get(), again);
        EXPECT_EQ(objectRows(again).at(static_cast<long long>(m_tag)).graphics, stored) << blob;
    }
}
