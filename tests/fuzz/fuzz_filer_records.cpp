// Fuzz target: a filed record read by dwgInFields into a fresh object of one of the
// classes a drawing holds (the three entities of the entity module, the host's
// entities, the symbol tables and their records), or saved graphics
// drawn by a proxy. The first byte picks the class, the rest is the record. A record
// that reads must write back, read again and write the same bytes; an entity that
// reads must draw, measure, explode and copy without fault.
#include <algorithm>
#include <memory>
#include <vector>

#include "db_proxy.h"
#include "dbapserv.h"
#include "dbelipse.h"
#include "dbents.h"
#include "dbspline.h"
#include "dbmtext.h"
#include "dbpl.h"
#include "dbsymtb.h"
#include "eco_line.h"
#include "eco_point.h"
#include "eorigin.h"
#include "db_internals.h"
#include "fuzz_support.h"
#include "sample_drawing.h"
#include "vemhost_testing.h"

namespace {

struct RecordClass {
    const char* name;
    AcDbObject* (*make)();
};

template <class T>
AcDbObject* makeOf()
{
    return new T();
}

// The first byte of an input picks the row (modulo the table's length); the proxy row,
// whose input is its graphics, keeps its place, and classes come after it, so that
// every input saved before a class was added still reads as the class it was made for.
const RecordClass kClasses[] = {
    // name                        factory
    {"EOrigin",                    makeOf<EOrigin>},
    {"ECoPoint",                   makeOf<ECoPoint>},
    {"ECoLine",                    makeOf<ECoLine>},
    {"AcDbLine",                   makeOf<AcDbLine>},
    {"AcDbPolyline",               makeOf<AcDbPolyline>},
    {"AcDbMText",                  makeOf<AcDbMText>},
    {"AcDbBlockTableRecord",       makeOf<AcDbBlockTableRecord>},
    {"AcDbLayerTableRecord",       makeOf<AcDbLayerTableRecord>},
    {"AcDbTextStyleTableRecord",   makeOf<AcDbTextStyleTableRecord>},
    {"AcDbLinetypeTableRecord",    makeOf<AcDbLinetypeTableRecord>},
    {"AcDbBlockTable",             makeOf<AcDbBlockTable>},
    {"AcDbLayerTable",             makeOf<AcDbLayerTable>},
    {"AcDbTextStyleTable",         makeOf<AcDbTextStyleTable>},
    {"AcDbLinetypeTable",          makeOf<AcDbLinetypeTable>},
    {"proxy graphics",             nullptr},
    {"AcDbBlockReference",         makeOf<AcDbBlockReference>},
    {"AcDbCircle",                 makeOf<AcDbCircle>},
    {"AcDbArc",                    makeOf<AcDbArc>},
    {"AcDbPoint",                  makeOf<AcDbPoint>},
    {"AcDbEllipse",                makeOf<AcDbEllipse>},
    {"AcDbSpline",                 makeOf<AcDbSpline>},
    {"AcDbText",                   makeOf<AcDbText>},
    {"AcDbAttributeDefinition",    makeOf<AcDbAttributeDefinition>},
    {"AcDbAttribute",              makeOf<AcDbAttribute>},
};
const size_t kClassCount = sizeof kClasses / sizeof kClasses[0];
constexpr unsigned char kProxyRow = 14;
static_assert(kProxyRow < kClassCount, "the proxy row is in the table");

// A fresh working database for one input, the previous one restored after it.
class Drawing {
public:
    Drawing() : m_previous(acdbHostApplicationServices()->workingDatabase())
    {
        acdbHostApplicationServices()->setWorkingDatabase(&m_db);
    }
    ~Drawing() { acdbHostApplicationServices()->setWorkingDatabase(m_previous); }
    AcDbDatabase* db() { return &m_db; }

private:
    AcDbDatabase m_db;
    AcDbDatabase* m_previous;
};

std::vector<unsigned char> filedRecord(const AcDbObject* obj, AcDbDatabase* db)
{
    vemhost::MemoryFiler out(db);
    FUZZ_CHECK(obj->dwgOutFields(&out) == Acad::eOk && out.filerStatus() == Acad::eOk,
               "an object that read its record cannot write it");
    return out.bytes();
}

// Everything the host does with an entity of a drawing that does not change it.
void exercise(AcDbEntity* ent)
{
    vemhost::PrimitiveCollector collector;
    collector.draw(ent);
    AcDbExtents extents;
    ent->getGeomExtents(extents);
    AcDbVoidPtrArray pieces;
    ent->explode(pieces);
    for (int i = 0; i < pieces.length(); ++i)
        delete static_cast<AcDbEntity*>(pieces[i]);
    delete ent->clone();
}

void readAsClass(const RecordClass& cls, const std::vector<unsigned char>& record, AcDbDatabase* db)
{
    std::unique_ptr<AcDbObject> obj(cls.make());
    vemhost::MemoryFiler in(record, db);
    if (obj->dwgInFields(&in) != Acad::eOk || in.filerStatus() != Acad::eOk)
        return;
    // The record as this object files it, read into a second object, files the same.
    const std::vector<unsigned char> written = filedRecord(obj.get(), db);
    std::unique_ptr<AcDbObject> again(cls.make());
    vemhost::MemoryFiler reread(written, db);
    FUZZ_CHECK(again->dwgInFields(&reread) == Acad::eOk, "a record written by dwgOutFields does not read back");
    FUZZ_CHECK(size_t(reread.tell()) == written.size(), "a record written by dwgOutFields reads only in part");
    FUZZ_CHECK(filedRecord(again.get(), db) == written, "a record read back files other bytes");
    if (AcDbEntity* ent = AcDbEntity::cast(obj.get()))
        exercise(ent);
}

// Saved graphics of a class this host lacks: the proxy draws them and files its record
// back unchanged. The first byte is the proxy flags.
void drawAsProxy(const std::vector<unsigned char>& input, AcDbDatabase* db)
{
    const int flags = input.empty() ? 0 : input[0];
    std::vector<unsigned char> graphics(input.begin() + (input.empty() ? 0 : 1), input.end());
    const std::vector<unsigned char> record = {1, 2, 3, 4};
    acrt::ProxyClass cls{L"VemFuzzThing", L"AcDbEntity", L"VEMFUZZTHING", L"VemFuzz", flags};
    std::unique_ptr<AcDbObject> proxy(acrt::makeProxy(db, cls, true, record, graphics));
    FUZZ_CHECK(proxy != nullptr, "no proxy was made");
    AcDbProxyEntity* entity = AcDbProxyEntity::cast(proxy.get());
    FUZZ_CHECK(entity != nullptr && entity->originalRecord() == record, "a proxy changed its record");
    if (AcDbEntity* ent = AcDbEntity::cast(proxy.get()))
        exercise(ent);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::loadEntityModule();
    if (size == 0)
        return 0;
    const RecordClass& cls = kClasses[data[0] % kClassCount];
    const std::vector<unsigned char> record(data + 1, data + size);
    const long liveBefore = vemhost::testing::liveObjectCount();
    {
        Drawing drawing;
        if (cls.make != nullptr)
            readAsClass(cls, record, drawing.db());
        else
            drawAsProxy(record, drawing.db());
        FUZZ_CHECK(vemhost::testing::openObjectCount(drawing.db()) == 0, "an object was left open");
    }
    FUZZ_CHECK(vemhost::testing::liveObjectCount() == liveBefore, "an object outlived the input");
    return 0;
}

namespace fuzz {

// Real records: every object of the sample drawing as dwgOutFields files it, behind
// the byte of its class; and the graphics the labels save for a host without them.
void writeSeeds(const std::string& dir)
{
    loadEntityModule();
    Drawing drawing;
    populateSampleDrawing(drawing.db());
    acrt::GraphicsRecorder recorder;
    int written = 0;
    std::vector<AcDbObjectId> ids;
    for (AcDbStub& stub : AcDbSystemInternals::impl(drawing.db())->stubs)
        if (stub.object != nullptr)
            ids.push_back(AcDbObjectId(&stub));
    for (const AcDbObjectId& id : ids) {
        AcDbObject* obj = nullptr;
        if (acdbOpenAcDbObject(obj, id, AcDb::kForRead) != Acad::eOk)
            continue;
        const std::string name = vemhost::toUtf8(obj->isA()->name());
        for (size_t i = 0; i < kClassCount; ++i) {
            if (kClasses[i].make == nullptr || name != kClasses[i].name)
                continue;
            std::vector<unsigned char> seed(1, static_cast<unsigned char>(i));
            const std::vector<unsigned char> record = filedRecord(obj, drawing.db());
            seed.insert(seed.end(), record.begin(), record.end());
            writeSeed(dir, name + "-" + std::to_string(++written), seed);
        }
        AcDbEntity* ent = AcDbEntity::cast(obj);
        std::vector<unsigned char> graphics;
        if (ent != nullptr && !acrt::isRuntimeClass(ent->isA()) && recorder.record(ent, graphics)) {
            // Sized up front: growing a two-byte vector here trips a false array-bounds
            // warning of the optimiser.
            std::vector<unsigned char> seed(2 + graphics.size(), 0);
            seed[0] = kProxyRow;
            std::copy(graphics.begin(), graphics.end(), seed.begin() + 2);
            writeSeed(dir, "proxy-" + name + "-" + std::to_string(++written), seed);
        }
        obj->close();
    }
}

}  // namespace fuzz
