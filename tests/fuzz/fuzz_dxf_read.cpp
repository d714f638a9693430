// Fuzz target: DXF input (OPEN NAME.dxf and DXFIN). The input is the bytes of a DXF
// file. Whatever vemio::readDxfText refuses must come with a reason; whatever it reads
// must draw, measure and explode with nothing left open, go out again through DXFOUT
// (R2000, or R2018 when the input's last byte is odd), and that file must read back with
// nothing left out and the same number of entities. No object may outlive its drawing.
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dbapserv.h"
#include "dxf_reader.h"
#include "dxf_writer.h"
#include "editor_internals.h"
#include "fuzz_support.h"
#include "sample_drawing.h"
#include "vemhost_io.h"
#include "vemhost_testing.h"

namespace {

// Draws, measures and explodes every entity of both spaces, as a display and XALL do.
void drawEverything(AcDbDatabase* db)
{
    for (const AcDbObjectId& id : acrt::allEntities(db)) {
        AcDbEntity* ent = nullptr;
        if (acdbOpenAcDbEntity(ent, id, AcDb::kForRead) != Acad::eOk)
            continue;
        vemhost::PrimitiveCollector collector;
        collector.draw(ent);
        AcDbExtents extents;
        ent->getGeomExtents(extents);
        AcDbVoidPtrArray pieces;
        ent->explode(pieces);
        for (int i = 0; i < pieces.length(); ++i)
            delete static_cast<AcDbEntity*>(pieces[i]);
        ent->close();
    }
}

// The drawing written as DXF and read back: our own file must read whole.
void writtenAndReadAgain(AcDbDatabase* db, const vemio::DxfReadStats& first, vemio::DxfVersion version)
{
    std::string text, error;
    vemio::DxfStats written;
    FUZZ_CHECK(vemio::writeDxfToString(db, text, error, &written, version), "a drawing read from DXF does not write");
    vemio::DxfReadStats again;
    std::unique_ptr<AcDbDatabase> reread = vemio::readDxfText(text, error, &again);
    FUZZ_CHECK(reread != nullptr, "DXFOUT of a drawing read from DXF does not read back");
    FUZZ_CHECK(again.skipped == 0, "DXFOUT wrote an entity its own reader leaves out");
    // Entities whose geometry is not finite are the only ones DXFOUT may leave out.
    FUZZ_CHECK(written.skipped > 0 || again.entities == first.entities,
               "a DXF round trip changed the number of entities");
}

void readDrawing(std::unique_ptr<AcDbDatabase> db, const vemio::DxfReadStats& stats, vemio::DxfVersion version)
{
    AcDbDatabase* previous = acdbHostApplicationServices()->workingDatabase();
    acdbHostApplicationServices()->setWorkingDatabase(db.get());
    drawEverything(db.get());
    FUZZ_CHECK(vemhost::testing::openObjectCount(db.get()) == 0, "an object of a drawing read from DXF was left open");
    writtenAndReadAgain(db.get(), stats, version);
    acdbHostApplicationServices()->setWorkingDatabase(previous);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::loadEntityModule();
    const long liveBefore = vemhost::testing::liveObjectCount();
    {
        const std::string_view text(reinterpret_cast<const char*>(data), size);
        std::string error;
        vemio::DxfReadStats stats;
        std::unique_ptr<AcDbDatabase> db = vemio::readDxfText(text, error, &stats);
        if (db != nullptr) {
            const bool r2018 = size > 0 && (data[size - 1] & 1) != 0;
            readDrawing(std::move(db), stats, r2018 ? vemio::DxfVersion::kR2018 : vemio::DxfVersion::kR2000);
        } else {
            FUZZ_CHECK(!error.empty(), "a refused DXF file gives no reason");
        }
    }
    FUZZ_CHECK(vemhost::testing::liveObjectCount() == liveBefore, "an object outlived its drawing");
    return 0;
}

namespace fuzz {

namespace {

// DXF pairs given as "code value" lines joined into the file's "code\nvalue\n" lines.
std::string dxfPairs(std::initializer_list<const char*> pairs)
{
    std::string out;
    for (const char* pair : pairs) {
        const std::string_view p(pair);
        const size_t space = p.find(' ');
        out.append(p.substr(0, space)).append("\n").append(p.substr(space + 1)).append("\n");
    }
    return out;
}

// An R12 file as older programs write it: header, a layer table, a block with an
// attribute definition, and every R12 entity the host reads, the polyline with bulges.
std::string r12File()
{
    return dxfPairs({"0 SECTION", "2 HEADER", "9 $ACADVER", "1 AC1009", "9 $PDMODE", "70 3", "9 $PDSIZE",
                     "40 1.5", "0 ENDSEC", "0 SECTION", "2 TABLES", "0 TABLE", "2 LAYER", "70 1", "0 LAYER",
                     "2 WALLS", "70 0", "62 1", "6 CONTINUOUS", "0 ENDTAB", "0 ENDSEC", "0 SECTION", "2 BLOCKS",
                     "0 BLOCK", "8 0", "2 TAG", "70 2", "10 0.0", "20 0.0", "30 0.0", "0 CIRCLE", "8 0", "10 0.0",
                     "20 0.0", "40 2.0", "0 ATTDEF", "8 0", "10 -1.0", "20 -0.5", "40 1.0", "1 ?", "3 Tag?", "2 T",
                     "70 0", "0 ENDBLK", "8 0", "0 ENDSEC", "0 SECTION", "2 ENTITIES", "0 LINE", "8 WALLS",
                     "10 0.0", "20 0.0", "30 0.0", "11 10.0", "21 5.0", "31 0.0", "0 CIRCLE", "8 0", "62 3",
                     "10 5.0", "20 5.0", "40 2.5", "0 ARC", "8 0", "10 8.0", "20 2.0", "40 3.0", "50 30.0",
                     "51 200.0", "0 POINT", "8 0", "10 1.0", "20 1.0", "0 TEXT", "8 0", "10 2.0", "20 8.0",
                     "40 1.5", "1 R12", "50 15.0", "72 1", "11 3.0", "21 8.0", "0 POLYLINE", "8 WALLS", "66 1",
                     "70 1", "0 VERTEX", "8 WALLS", "10 0.0", "20 0.0", "42 0.5", "0 VERTEX", "8 WALLS",
                     "10 4.0", "20 0.0", "0 VERTEX", "8 WALLS", "10 4.0", "20 3.0", "0 SEQEND", "8 WALLS",
                     "0 INSERT", "8 0", "66 1", "2 TAG", "10 12.0", "20 4.0", "41 2.0", "50 30.0", "0 ATTRIB",
                     "8 0", "10 11.0", "20 3.5", "40 1.0", "1 A1", "2 T", "70 0", "0 SEQEND", "8 0", "0 ENDSEC",
                     "0 EOF"});
}

// The ENTITIES section alone, as the smallest writers leave it.
std::string entitiesOnlyFile()
{
    return dxfPairs({"0 SECTION", "2 ENTITIES", "0 LINE", "8 0", "10 0", "20 0", "11 1", "21 1", "0 CIRCLE", "8 0",
                     "10 1", "20 1", "40 0.5", "0 ENDSEC", "0 EOF"});
}

// R2000 in the GBK code page: a layer named 地形 and a text 高程 12.5 on it.
std::string gbkFile()
{
    return dxfPairs({"0 SECTION", "2 HEADER", "9 $ACADVER", "1 AC1015", "9 $DWGCODEPAGE", "3 ANSI_936",
                     "0 ENDSEC", "0 SECTION", "2 TABLES", "0 TABLE", "2 LAYER", "70 1", "0 LAYER", "5 20",
                     "100 AcDbSymbolTableRecord", "100 AcDbLayerTableRecord", "2 \xB5\xD8\xD0\xCE", "70 0", "62 3",
                     "6 Continuous", "0 ENDTAB", "0 ENDSEC", "0 SECTION", "2 ENTITIES", "0 TEXT", "5 30",
                     "100 AcDbEntity", "8 \xB5\xD8\xD0\xCE", "100 AcDbText", "10 0.0", "20 0.0", "30 0.0", "40 2.0",
                     "1 \xB8\xDF\xB3\xCC 12.5", "100 AcDbText", "0 LWPOLYLINE", "5 31", "100 AcDbEntity",
                     "8 \xB5\xD8\xD0\xCE", "100 AcDbPolyline", "90 3", "70 1", "10 0.0", "20 0.0", "42 0.5",
                     "10 5.0", "20 0.0", "10 5.0", "20 5.0", "0 ENDSEC", "0 EOF"});
}

std::string sampleDxf(vemio::DxfVersion version)
{
    AcDbDatabase db;
    AcDbDatabase* previous = acdbHostApplicationServices()->workingDatabase();
    acdbHostApplicationServices()->setWorkingDatabase(&db);
    populateSampleDrawing(&db);
    std::string text, error;
    FUZZ_CHECK(vemio::writeDxfToString(&db, text, error, nullptr, version), "the sample drawing does not write");
    acdbHostApplicationServices()->setWorkingDatabase(previous);
    return text;
}

}  // namespace

// DXFOUT of the sample drawing (labels as their pieces with XDATA) in both releases, a
// hand-written R12 file, a bare ENTITIES section and a GBK file. The ezdxf-written seeds
// beside them come from ezdxf_seeds.py.
void writeSeeds(const std::string& dir)
{
    loadEntityModule();
    writeSeed(dir, "dxfout-r2000.dxf", sampleDxf(vemio::DxfVersion::kR2000));
    writeSeed(dir, "dxfout-r2018.dxf", sampleDxf(vemio::DxfVersion::kR2018));
    writeSeed(dir, "hand-r12.dxf", r12File());
    writeSeed(dir, "hand-entities-only.dxf", entitiesOnlyFile());
    writeSeed(dir, "hand-gbk-r2000.dxf", gbkFile());
}

}  // namespace fuzz
