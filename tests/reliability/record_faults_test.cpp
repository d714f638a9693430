// The host's own records (line, polyline, multiline text, the symbol table records)
// through a filer that fails at every position: every read and write ends with a
// failure status, only the record up to the failing operation reaches the filer, and the object
// stays one the host can still file and draw.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "dbents.h"
#include "dbmtext.h"
#include "dbpl.h"
#include "dbsymtb.h"
#include "host_fixture.h"
#include "vemhost_testing.h"

namespace {

struct RecordCase {
    const char* name;
    std::function<AcDbObject*()> make;  // a populated object
    std::function<AcDbObject*()> empty;
};

AcDbObject* line() { return new AcDbLine(AcGePoint3d(1, 2, 0), AcGePoint3d(3, 4, 5)); }
AcDbObject* polyline()
{
    AcDbPolyline* p = new AcDbPolyline();
    p->addVertexAt(0, AcGePoint2d(0, 0), 0.5, 1.0, 2.0);
    p->addVertexAt(1, AcGePoint2d(4, 0));
    p->setClosed(true);
    return p;
}
AcDbObject* mtext()
{
    AcDbMText* t = new AcDbMText();
    t->setContents(L"坐标 %s");
    t->setTextHeight(2.5);
    return t;
}
template <class T>
AcDbObject* named()
{
    T* r = new T();
    r->setName(L"层 %s");
    return r;
}

}  // namespace

class RecordFaults : public HostFixture {};

TEST_F(RecordFaults, EveryReadAndWriteFailsAtTheFailingOperationAndLeavesAUsableObject)
{
    //  record                      populated                      empty
    const RecordCase cases[] = {
        {"AcDbLine",                 line,                          [] { return new AcDbLine(); }},
        {"AcDbPolyline",             polyline,                      [] { return new AcDbPolyline(); }},
        {"AcDbMText",                mtext,                         [] { return new AcDbMText(); }},
        {"AcDbLayerTableRecord",     named<AcDbLayerTableRecord>,   [] { return new AcDbLayerTableRecord(); }},
        {"AcDbTextStyleTableRecord", named<AcDbTextStyleTableRecord>, [] { return new AcDbTextStyleTableRecord(); }},
        {"AcDbLinetypeTableRecord",  named<AcDbLinetypeTableRecord>, [] { return new AcDbLinetypeTableRecord(); }},
        {"AcDbBlockTableRecord",     named<AcDbBlockTableRecord>,   [] { return new AcDbBlockTableRecord(); }},
    };
    for (const RecordCase& c : cases) {
        std::unique_ptr<AcDbObject> source(c.make());
        vemhost::MemoryFiler record(db());
        ASSERT_EQ(source->dwgOutFields(&record), Acad::eOk) << c.name;
        long operations = 0;
        {
            vemhost::MemoryFiler sink(db());
            vemhost::testing::FaultFiler counting(sink, 0);
            ASSERT_EQ(source->dwgOutFields(&counting), Acad::eOk) << c.name;
            operations = counting.operationCount();
        }
        ASSERT_GE(operations, 2) << c.name;
        for (long failAt = 1; failAt <= operations; ++failAt) {
            vemhost::MemoryFiler sink(db());
            vemhost::testing::FaultFiler failing(sink, failAt);
            EXPECT_NE(source->dwgOutFields(&failing), Acad::eOk) << c.name << " write, fail at " << failAt;
            // What reached the filer is the record up to the failure, never anything else.
            const std::vector<unsigned char>& written = sink.bytes();
            EXPECT_LT(written.size(), record.bytes().size()) << c.name << ", fail at " << failAt;
            EXPECT_TRUE(std::equal(written.begin(), written.end(), record.bytes().begin()))
                << c.name << ": filed other bytes, fail at " << failAt;

            record.rewind();
            vemhost::testing::FaultFiler failingRead(record, failAt);
            std::unique_ptr<AcDbObject> target(c.empty());
            EXPECT_NE(target->dwgInFields(&failingRead), Acad::eOk) << c.name << " read, fail at " << failAt;
            EXPECT_NE(failingRead.filerStatus(), Acad::eOk) << c.name << ": the failure did not stick";
            vemhost::MemoryFiler again(db());
            EXPECT_EQ(target->dwgOutFields(&again), Acad::eOk) << c.name << " after a failed read";
            if (AcDbEntity* ent = AcDbEntity::cast(target.get())) {
                vemhost::PrimitiveCollector collector;
                collector.draw(ent);
            }
        }
    }
}

TEST_F(RecordFaults, RecordsTheHostCannotHoldAreRefusedAndWhatReadsFilesBackTheSame)
{
    // A line record whose normal is given explicitly after the line's common part.
    auto lineRecord = [&](const AcGeVector3d& normal) {
        AcDbLine source(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0));
        vemhost::MemoryFiler f(db());
        source.AcDbEntity::dwgOutFields(&f);
        f.writePoint3d(AcGePoint3d(0, 0, 0));
        f.writePoint3d(AcGePoint3d(1, 1, 0));
        f.writeDouble(0.0);
        f.writeVector3d(normal);
        return f.bytes();
    };
    // A normal whose length overflows would normalise to zero.
    {
        AcDbLine line;
        vemhost::MemoryFiler in(lineRecord(AcGeVector3d(1e200, 1e200, 0)), db());
        EXPECT_NE(line.dwgInFields(&in), Acad::eOk);
        EXPECT_EQ(line.normal(), AcGeVector3d::kZAxis);
    }
    // A unit normal is kept as read (normalising this one again moves it by a rounding
    // step): read, written, read and written gives one record.
    {
        AcDbLine first, second;
        vemhost::MemoryFiler in(lineRecord(AcGeVector3d(0.24532767882651765, -0.5248728908658906, -0.8150599845629009)), db());
        ASSERT_EQ(first.dwgInFields(&in), Acad::eOk);
        vemhost::MemoryFiler once(db()), twice(db());
        first.dwgOutFields(&once);
        vemhost::MemoryFiler again(once.bytes(), db());
        ASSERT_EQ(second.dwgInFields(&again), Acad::eOk);
        second.dwgOutFields(&twice);
        EXPECT_EQ(once.bytes(), twice.bytes());
    }
    // A layer's line weight must be one of the host's weights.
    {
        AcDbLayerTableRecord source;
        source.setName(L"w");
        vemhost::MemoryFiler f(db());
        source.AcDbSymbolTableRecord::dwgOutFields(&f);
        f.writeUInt16(7);
        f.writeBool(false);
        f.writeBool(false);
        f.writeBool(false);
        f.writeHardPointerId(AcDbHardPointerId());
        f.writeInt16(-677);
        AcDbLayerTableRecord layer;
        vemhost::MemoryFiler in(f.bytes(), db());
        EXPECT_NE(layer.dwgInFields(&in), Acad::eOk);
    }
}
