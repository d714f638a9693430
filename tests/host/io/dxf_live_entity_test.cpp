// An application's entities through DXF and back: made again from their records under
// their own handles, references between them resolved whatever their order in the
// file, and left as their pieces when the class is not registered.
#include <gtest/gtest.h>

#include "dbents.h"
#include "dxf_reader.h"
#include "dxf_writer.h"
#include "host_fixture.h"
#include "io_test_support.h"

namespace {

const Adesk::UInt8 kPointerVersion = 1;

// An application's entity that points at another: it explodes into a line from its
// place to one unit right.
class TestPointer : public AcDbEntity {
public:
    static AcRxClass* s_class;
    static AcRxObject* make() { return new TestPointer(); }
    AcRxClass* isA() const override { return s_class; }

    AcGePoint3d m_at;
    AcDbObjectId m_target;

    Acad::ErrorStatus dwgOutFields(AcDbDwgFiler* pFiler) const override
    {
        Acad::ErrorStatus es = AcDbEntity::dwgOutFields(pFiler);
        if (es == Acad::eOk)
            es = pFiler->writeUInt8(kPointerVersion);
        if (es == Acad::eOk)
            es = pFiler->writePoint3d(m_at);
        return es == Acad::eOk ? pFiler->writeHardPointerId(m_target) : es;
    }
    Acad::ErrorStatus dwgInFields(AcDbDwgFiler* pFiler) override
    {
        Acad::ErrorStatus es = AcDbEntity::dwgInFields(pFiler);
        Adesk::UInt8 version = 0;
        if (es == Acad::eOk)
            es = pFiler->readUInt8(&version);
        if (es == Acad::eOk && version != kPointerVersion)
            return Acad::eMakeMeProxy;
        if (es == Acad::eOk)
            es = pFiler->readPoint3d(&m_at);
        AcDbHardPointerId target;
        if (es == Acad::eOk && (es = pFiler->readHardPointerId(&target)) == Acad::eOk)
            m_target = target;
        return es;
    }

protected:
    Acad::ErrorStatus subExplode(AcDbVoidPtrArray& pieces) const override
    {
        pieces.append(new AcDbLine(m_at, m_at + AcGeVector3d(1, 0, 0)));
        return Acad::eOk;
    }
};
AcRxClass* TestPointer::s_class = nullptr;

// The class, registered while this lives.
struct PointerApplication {
    PointerApplication()
    {
        TestPointer::s_class = newAcRxClass(L"VemTestPointer", L"AcDbEntity", AcDbProxyEntity::kNoOperation,
                                            &TestPointer::make, L"VEMTESTPOINTER", L"VemTestApp");
    }
    ~PointerApplication() { remove(); }
    void remove()
    {
        if (TestPointer::s_class != nullptr)
            deleteAcRxClass(TestPointer::s_class);
        TestPointer::s_class = nullptr;
    }
};

TestPointer* newPointer(double x)
{
    auto* pointer = static_cast<TestPointer*>(TestPointer::make());
    pointer->m_at = AcGePoint3d(x, 0, 0);
    return pointer;
}

void setTarget(AcDbObjectId pointer, AcDbObjectId target)
{
    AcDbEntity* ent = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(ent, pointer, AcDb::kForWrite), Acad::eOk);
    static_cast<TestPointer*>(ent)->m_target = target;
    ent->close();
}

// The handle of what the entity of handle points at; 0 when it is no pointer or
// points at nothing that is there.
Adesk::UInt64 targetOf(AcDbDatabase* db, Adesk::UInt64 handle)
{
    AcDbEntity* ent = nullptr;
    if (acdbOpenAcDbEntity(ent, idOf(db, handle), AcDb::kForRead) != Acad::eOk)
        return 0;
    const TestPointer* pointer = ent->isA() == TestPointer::s_class ? static_cast<TestPointer*>(ent) : nullptr;
    AcDbObject* target = nullptr;
    Adesk::UInt64 found = 0;
    if (pointer != nullptr && acdbOpenAcDbObject(target, pointer->m_target, AcDb::kForRead) == Acad::eOk) {
        found = target->objectId().handle().value();
        target->close();
    }
    ent->close();
    return found;
}

std::unique_ptr<AcDbDatabase> throughDxf(AcDbDatabase* db, vemio::DxfReadStats& stats)
{
    std::string text, error;
    EXPECT_TRUE(vemio::writeDxfToString(db, text, error)) << error;
    std::unique_ptr<AcDbDatabase> read = vemio::readDxfText(text, error, &stats);
    EXPECT_TRUE(read != nullptr) << error;
    return read;
}

}  // namespace

class DxfLiveEntity : public HostFixture {};

TEST_F(DxfLiveEntity, ComesBackUnderItsHandleWithItsReferenceResolved)
{
    PointerApplication app;
    // The first points at the second, which the file holds after it; the third at a line.
    const AcDbObjectId first = appendTo(db(), ACDB_MODEL_SPACE, newPointer(0));
    const AcDbObjectId second = appendTo(db(), ACDB_MODEL_SPACE, newPointer(5));
    const AcDbObjectId line = appendTo(db(), ACDB_MODEL_SPACE, test_support::newLine(0, 9, 1, 9));
    const AcDbObjectId third = appendTo(db(), ACDB_MODEL_SPACE, newPointer(9));
    setTarget(first, second);
    setTarget(third, line);
    const auto written = filedObjects(db());

    vemio::DxfReadStats stats;
    std::unique_ptr<AcDbDatabase> read = throughDxf(db(), stats);
    ASSERT_TRUE(read);
    EXPECT_EQ(stats.entities, 4u);
    const auto back = filedObjects(read.get());
    for (AcDbObjectId id : {first, second, line, third}) {
        const Adesk::UInt64 handle = id.handle().value();
        ASSERT_EQ(back.count(handle), 1u) << handle;
        EXPECT_EQ(back.at(handle), written.at(handle)) << handle;
    }
    EXPECT_EQ(targetOf(read.get(), first.handle().value()), second.handle().value());
    EXPECT_EQ(targetOf(read.get(), third.handle().value()), line.handle().value());
    EXPECT_EQ(vemhost::testing::openObjectCount(read.get()), 0);

    // Pointing at each other, both still come back.
    setTarget(second, first);
    read = throughDxf(db(), stats);
    ASSERT_TRUE(read);
    EXPECT_EQ(stats.entities, 4u);
    EXPECT_NE(targetOf(read.get(), first.handle().value()) + targetOf(read.get(), second.handle().value()), 0u);
}

TEST_F(DxfLiveEntity, WithoutItsClassItIsThePiecesItWasWrittenAs)
{
    PointerApplication app;
    const AcDbObjectId first = appendTo(db(), ACDB_MODEL_SPACE, newPointer(0));
    appendTo(db(), ACDB_MODEL_SPACE, newPointer(5));
    std::string text, error;
    ASSERT_TRUE(vemio::writeDxfToString(db(), text, error)) << error;
    app.remove();

    vemio::DxfReadStats stats;
    std::unique_ptr<AcDbDatabase> read = vemio::readDxfText(text, error, &stats);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(stats.entities, 2u);
    int lines = 0;
    for (const auto& [handle, object] : filedObjects(read.get())) {
        EXPECT_NE(object.className, L"VemTestPointer");
        lines += object.className == L"AcDbLine" ? 1 : 0;
    }
    EXPECT_EQ(lines, 2);
    EXPECT_EQ(idOf(read.get(), first.handle().value()), AcDbObjectId()) << "its handle stays free";
}
