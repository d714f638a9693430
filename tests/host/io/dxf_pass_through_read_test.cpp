// DXF input keeps what the host does not model: entities of other classes with the
// records that belong to them, records of tables the host lacks, classes, objects and
// header variables, each under the file's handle with its groups exactly as read (texts
// decoded from GBK); modelled objects keep their reactors, XDATA and unmodelled record
// groups as extras; the tables, spaces and default records take the file's handles.
#include <gtest/gtest.h>

#include <string>

#include "dbents.h"
#include "dbsymtb.h"
#include "drawing_builder.h"
#include "dxf_kept_objects.h"
#include "dxf_reader.h"
#include "dxf_tokens.h"
#include "dxf_writer.h"
#include "host_fixture.h"
#include "vemhost_testing.h"

namespace {

using test_support::Groups;
using test_support::keptWithHandle;

std::string pairs(const Groups& groups)
{
    std::string text;
    for (const auto& [code, value] : groups)
        text += std::to_string(code) + "\n" + value + "\n";
    return text;
}

// GBK bytes of the Chinese words the file holds.
const std::string kHeight = "\xB8\xDF\xB3\xCC";     // 高程
const std::string kTerrain = "\xB5\xD8\xD0\xCE";    // 地形
const std::string kLength = "\xB3\xA4\xB6\xC8";     // 长度
const std::string kLayerWord = "\xCD\xBC\xB2\xE3";  // 图层
const std::string kFill = "\xCC\xEE\xB3\xE4";       // 填充
const std::string kRecord = "\xBC\xC7\xC2\xBC";     // 记录

const Groups kVport = {{5, "29"}, {330, "8"}, {100, "AcDbSymbolTableRecord"}, {100, "AcDbViewportTableRecord"},
                       {2, "*ACTIVE"}, {70, "0"}, {40, "100.0"}};
const Groups kHatch = {{5, "71"}, {330, "1F"}, {100, "AcDbEntity"}, {8, "0"}, {62, "2"}, {100, "AcDbHatch"},
                       {10, "0"}, {20, "0"}, {30, "0"}, {2, "SOLID"}, {70, "1"}, {91, "0"}, {1001, "FOREIGN"}};
const Groups kDimension = {{5, "72"}, {330, "1F"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbDimension"},
                           {2, "*D1"}, {10, "10"}, {20, "-3"}, {70, "32"}, {3, "Standard"}};
const Groups kPolyline = {{5, "73"}, {330, "1F"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDb2dPolyline"},
                          {66, "1"}, {70, "1"}};
const Groups kVertex1 = {{5, "74"}, {330, "73"}, {100, "AcDbVertex"}, {10, "0"}, {20, "0"}, {42, "0.5"}};
const Groups kVertex2 = {{5, "75"}, {330, "73"}, {100, "AcDbVertex"}, {10, "5"}, {20, "0"}};
const Groups kMinsert = {{5, "77"}, {330, "1F"}, {100, "AcDbEntity"}, {8, "0"}, {100, "AcDbMInsertBlock"},
                         {66, "1"}, {2, "*D1"}, {10, "20"}, {20, "20"}, {70, "2"}, {71, "3"}, {44, "10"}};
const Groups kAttrib = {{5, "78"}, {330, "77"}, {100, "AcDbText"}, {40, "1"}, {1, "A"}, {2, "TAG"}};

Groups operator+(Groups a, const Groups& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A GBK R2000 drawing with one of each thing the host does not model.
std::string keptDrawing()
{
    const Groups header = {
        {0, "SECTION"}, {2, "HEADER"}, {9, "$ACADVER"}, {1, "AC1015"}, {9, "$DWGCODEPAGE"}, {3, "ANSI_936"},
        {9, "$INSBASE"}, {10, "1.0"}, {20, "2.0"}, {30, "0.0"}, {9, "$HANDSEED"}, {5, "200"},
        {9, "$PROJECTNAME"}, {1, kHeight}, {0, "ENDSEC"},
        {0, "SECTION"}, {2, "CLASSES"}, {0, "CLASS"}, {1, "IMAGEDEF"}, {2, "AcDbRasterImageDef"}, {90, "0"},
        {0, "ENDSEC"}};
    const Groups tables = Groups{
        {0, "SECTION"}, {2, "TABLES"},
        {0, "TABLE"}, {2, "VPORT"}, {5, "8"}, {330, "0"}, {70, "1"}, {0, "VPORT"}} + kVport + Groups{{0, "ENDTAB"},
        {0, "TABLE"}, {2, "LTYPE"}, {5, "5"}, {330, "0"}, {70, "4"},
        {0, "LTYPE"}, {5, "14"}, {330, "5"}, {2, "ByBlock"}, {70, "0"}, {3, ""}, {72, "65"}, {73, "0"}, {40, "0.0"},
        {0, "LTYPE"}, {5, "15"}, {330, "5"}, {2, "ByLayer"}, {70, "0"}, {3, ""}, {72, "65"}, {73, "0"}, {40, "0.0"},
        {0, "LTYPE"}, {5, "16"}, {330, "5"}, {2, "Continuous"}, {70, "0"}, {3, "Solid"}, {72, "65"}, {73, "0"},
        {0, "LTYPE"}, {5, "30"}, {330, "5"}, {100, "AcDbLinetypeTableRecord"}, {2, "DASHED"}, {70, "0"},
        {3, "__ __"}, {72, "65"}, {73, "2"}, {40, "0.75"}, {49, "0.5"}, {74, "0"}, {49, "-0.25"}, {74, "0"},
        {0, "ENDTAB"},
        {0, "TABLE"}, {2, "LAYER"}, {5, "2"}, {102, "{ACAD_XDICTIONARY"}, {360, "A0"}, {102, "}"}, {330, "0"},
        {70, "2"},
        {0, "LAYER"}, {5, "10"}, {330, "2"}, {2, "0"}, {70, "0"}, {62, "7"}, {6, "Continuous"}, {390, "F"},
        {0, "LAYER"}, {5, "31"}, {330, "2"}, {2, kTerrain}, {70, "0"}, {62, "3"}, {6, "DASHED"}, {290, "0"},
        {1001, "FOREIGN"}, {1000, kLayerWord}, {1070, "7"}, {0, "ENDTAB"},
        {0, "TABLE"}, {2, "STYLE"}, {5, "3"}, {330, "0"}, {70, "2"},
        {0, "STYLE"}, {5, "11"}, {330, "3"}, {2, "Standard"}, {70, "0"}, {40, "0.0"}, {41, "1.0"}, {71, "0"},
        {42, "2.5"}, {3, "txt"},
        {0, "STYLE"}, {5, "32"}, {330, "3"}, {2, ""}, {70, "1"}, {3, "ltypeshp.shx"}, {0, "ENDTAB"},
        {0, "TABLE"}, {2, "APPID"}, {5, "9"}, {330, "0"}, {70, "2"},
        {0, "APPID"}, {5, "12"}, {330, "9"}, {2, "ACAD"}, {70, "0"},
        {0, "APPID"}, {5, "33"}, {330, "9"}, {2, "FOREIGN"}, {70, "0"}, {0, "ENDTAB"},
        {0, "TABLE"}, {2, "DIMSTYLE"}, {5, "A"}, {330, "0"}, {70, "1"},
        {0, "DIMSTYLE"}, {105, "27"}, {330, "A"}, {2, "Standard"}, {70, "0"}, {0, "ENDTAB"},
        {0, "TABLE"}, {2, "BLOCK_RECORD"}, {5, "1"}, {330, "0"}, {70, "4"},
        {0, "BLOCK_RECORD"}, {5, "1F"}, {330, "1"}, {2, "*Model_Space"}, {340, "22"},
        {0, "BLOCK_RECORD"}, {5, "1B"}, {330, "1"}, {2, "*Paper_Space"}, {340, "1E"},
        {0, "BLOCK_RECORD"}, {5, "40"}, {330, "1"}, {2, "*D1"}, {70, "0"}, {280, "1"}, {281, "0"},
        {0, "BLOCK_RECORD"}, {5, "50"}, {330, "1"}, {2, "*Paper_Space0"}, {340, "51"}, {0, "ENDTAB"},
        {0, "ENDSEC"}};
    const Groups blocks = {
        {0, "SECTION"}, {2, "BLOCKS"},
        {0, "BLOCK"}, {5, "20"}, {330, "1F"}, {8, "0"}, {2, "*Model_Space"}, {70, "0"}, {10, "0"}, {20, "0"},
        {0, "ENDBLK"}, {5, "21"}, {330, "1F"},
        {0, "BLOCK"}, {5, "41"}, {330, "40"}, {8, "0"}, {2, "*D1"}, {70, "1"}, {10, "0"}, {20, "0"},
        {0, "LINE"}, {5, "42"}, {330, "40"}, {8, "0"}, {10, "0"}, {20, "0"}, {11, "10"}, {21, "0"},
        {0, "ENDBLK"}, {5, "43"}, {330, "40"}, {1001, "FOREIGN"}, {1000, kFill},
        {0, "BLOCK"}, {5, "52"}, {330, "50"}, {8, "0"}, {2, "*Paper_Space0"}, {70, "0"}, {10, "0"}, {20, "0"},
        {0, "CIRCLE"}, {5, "53"}, {330, "50"}, {67, "1"}, {8, "0"}, {10, "5"}, {20, "5"}, {40, "2"},
        {0, "ENDBLK"}, {5, "54"}, {330, "50"}, {0, "ENDSEC"}};
    Groups hatch = kHatch;
    hatch.emplace_back(1000, kFill);
    Groups dimension = kDimension;
    dimension.emplace_back(1, kLength + " <>");
    const Groups entities =
        Groups{{0, "SECTION"}, {2, "ENTITIES"},
               {0, "LINE"}, {5, "70"}, {102, "{ACAD_XDICTIONARY"}, {360, "80"}, {102, "}"}, {330, "1F"},
               {8, kTerrain}, {10, "0"}, {20, "0"}, {11, "1"}, {21, "1"}, {1001, "FOREIGN"}, {1000, kHeight},
               {1040, "1.5"}, {0, "HATCH"}} +
        hatch + Groups{{0, "DIMENSION"}} + dimension + Groups{{0, "POLYLINE"}} + kPolyline +
        Groups{{0, "VERTEX"}} + kVertex1 + Groups{{0, "VERTEX"}} + kVertex2 + Groups{{0, "SEQEND"}, {5, "76"}} +
        Groups{{0, "INSERT"}} + kMinsert + Groups{{0, "ATTRIB"}} + kAttrib + Groups{{0, "SEQEND"}, {5, "79"}} +
        Groups{{0, "CIRCLE"}, {5, "7A"}, {8, "0"}, {40, "0"}, {0, "SEQEND"}, {8, "0"}, {0, "ENDSEC"}};
    const Groups objects = {
        {0, "SECTION"}, {2, "OBJECTS"},
        {0, "DICTIONARY"}, {5, "C"}, {330, "0"}, {3, "ACAD_GROUP"}, {350, "D"}, {3, "VEMTEST"}, {350, "90"},
        {0, "XRECORD"}, {5, "81"}, {102, "{ACAD_REACTORS"}, {330, "80"}, {102, "}"}, {330, "80"},
        {100, "AcDbXrecord"}, {1, kRecord}, {40, "2.5"},
        {0, "DICTIONARY"}, {5, "80"}, {330, "70"}, {3, "VEMREC"}, {360, "81"},
        {0, "DICTIONARY"}, {5, "D"}, {330, "C"},
        {0, "IMAGEDEF"}, {5, "91"}, {330, "999"}, {1, "site.png"},
        {0, "ENDSEC"}, {0, "EOF"}};
    return pairs(header) + pairs(tables) + pairs(blocks) + pairs(entities) + pairs(objects);
}

class DxfPassThroughRead : public HostFixture {};

}  // namespace

TEST_F(DxfPassThroughRead, TablesSpacesAndRecordsTakeTheFilesHandlesAndKeepTheirExtras)
{
    std::string error;
    std::unique_ptr<AcDbDatabase> read = vemio::readDxfText(keptDrawing(), error);
    ASSERT_NE(read, nullptr) << error;
    AcDbDatabase* db = read.get();
    EXPECT_EQ(db->blockTableId().handle().value(), 0x1u);
    EXPECT_EQ(db->layerTableId().handle().value(), 0x2u);
    EXPECT_EQ(db->textStyleTableId().handle().value(), 0x3u);
    EXPECT_EQ(db->linetypeTableId().handle().value(), 0x5u);
    EXPECT_EQ(test_support::blockId(db, ACDB_MODEL_SPACE).handle().value(), 0x1Fu);
    EXPECT_EQ(test_support::blockId(db, ACDB_PAPER_SPACE).handle().value(), 0x1Bu);
    EXPECT_EQ(db->clayer().handle().value(), 0x10u);
    EXPECT_EQ(db->textstyle().handle().value(), 0x11u);
    using test_support::recordHandle;
    EXPECT_EQ(recordHandle<AcDbLinetypeTable>(db, L"ByBlock"), 0x14u);
    EXPECT_EQ(recordHandle<AcDbLinetypeTable>(db, L"ByLayer"), 0x15u);
    EXPECT_EQ(recordHandle<AcDbLinetypeTable>(db, L"Continuous"), 0x16u);
    EXPECT_EQ(recordHandle<AcDbLayerTable>(db, L"地形"), 0x31u);
    EXPECT_EQ(recordHandle<AcDbBlockTable>(db, L"*D1"), 0x40u);
    EXPECT_EQ(recordHandle<AcDbBlockTable>(db, L"*Paper_Space0"), 0x50u);

    using test_support::extrasOfHandle;
    EXPECT_EQ(extrasOfHandle(db, 0x30), (Groups{{72, "65"}, {73, "2"}, {40, "0.75"}, {49, "0.5"}, {74, "0"}, {49, "-0.25"}, {74, "0"}}));
    EXPECT_EQ(extrasOfHandle(db, 0x10), (Groups{{390, "F"}}));
    EXPECT_EQ(extrasOfHandle(db, 0x2), (Groups{{102, "{ACAD_XDICTIONARY"}, {360, "A0"}, {102, "}"}}));
    EXPECT_EQ(extrasOfHandle(db, 0x31), (Groups{{290, "0"}, {1001, "FOREIGN"}, {1000, "图层"}, {1070, "7"}}));
    EXPECT_EQ(extrasOfHandle(db, 0x11), (Groups{{71, "0"}, {42, "2.5"}}));
    // A block record keeps its BLOCK and ENDBLK records' handles, reactors and XDATA.
    EXPECT_EQ(extrasOfHandle(db, 0x1F), (Groups{{340, "22"}, {0, "BLOCK"}, {5, "20"}, {0, "ENDBLK"}, {5, "21"}}));
    EXPECT_EQ(extrasOfHandle(db, 0x40), (Groups{{70, "0"}, {280, "1"}, {281, "0"}, {0, "BLOCK"}, {5, "41"},
                                                 {0, "ENDBLK"}, {5, "43"}, {1001, "FOREIGN"}, {1000, "填充"}}));
    EXPECT_EQ(extrasOfHandle(db, 0x70), (Groups{{102, "{ACAD_XDICTIONARY"}, {360, "80"}, {102, "}"},
                                                 {1001, "FOREIGN"}, {1000, "高程"}, {1040, "1.5"}}));

    // The anonymous block and the further layout's block hold their entities.
    EXPECT_EQ(test_support::classOfHandle(db, 0x42), "AcDbLine");
    EXPECT_EQ(test_support::classOfHandle(db, 0x53), "AcDbCircle");
    AcDbEntity* circle = nullptr;
    AcDbObjectId circleId;
    ASSERT_EQ(db->getAcDbObjectId(circleId, false, AcDbHandle(0x53)), Acad::eOk);
    ASSERT_EQ(acdbOpenObject(circle, circleId, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(circle->blockId().handle().value(), 0x50u);
    circle->close();
    EXPECT_EQ(vemhost::testing::openObjectCount(db), 0);
}

TEST_F(DxfPassThroughRead, KeepsEntitiesRecordsClassesObjectsAndHeaderVariablesExactly)
{
    std::string error;
    vemio::DxfReadStats stats;
    std::unique_ptr<AcDbDatabase> read = vemio::readDxfText(keptDrawing(), error, &stats);
    ASSERT_NE(read, nullptr) << error;
    const std::vector<test_support::KeptRecord> kept = test_support::keptRecords(read.get());

    const auto* vport = keptWithHandle(kept, 0x29);
    ASSERT_NE(vport, nullptr);
    EXPECT_EQ(vport->place, acrt::DxfPlace::kTableRecord);
    EXPECT_EQ(vport->type, "VPORT");
    EXPECT_EQ(vport->groups, kVport);
    EXPECT_EQ(vport->owner, 0x8u);  // the kept head of the viewport table
    // Heads of tables the host lacks are kept with their groups after the name.
    const auto* vportTable = keptWithHandle(kept, 0x8);
    ASSERT_NE(vportTable, nullptr);
    EXPECT_EQ(vportTable->place, acrt::DxfPlace::kTableHead);
    EXPECT_EQ(vportTable->type, "VPORT");
    EXPECT_EQ(vportTable->groups, (Groups{{5, "8"}, {330, "0"}, {70, "1"}}));
    ASSERT_NE(keptWithHandle(kept, 0xA), nullptr);
    EXPECT_EQ(keptWithHandle(kept, 0xA)->type, "DIMSTYLE");
    EXPECT_EQ(keptWithHandle(kept, 0x27)->owner, 0xAu);
    for (Adesk::UInt64 handle : {0x12, 0x33, 0x27, 0x32}) {
        const auto* record = keptWithHandle(kept, handle);
        ASSERT_NE(record, nullptr) << handle;
        EXPECT_EQ(record->place, acrt::DxfPlace::kTableRecord);
    }
    EXPECT_EQ(keptWithHandle(kept, 0x27)->type, "DIMSTYLE");
    EXPECT_EQ(keptWithHandle(kept, 0x33)->groups,
              (Groups{{5, "33"}, {330, "9"}, {2, "FOREIGN"}, {70, "0"}}));
    // A style record of a shape file stays in its table as it is.
    EXPECT_EQ(keptWithHandle(kept, 0x32)->type, "STYLE");
    EXPECT_EQ(keptWithHandle(kept, 0x32)->owner, 0x3u);

    Groups hatch = kHatch;
    hatch.emplace_back(1000, "填充");
    Groups dimension = kDimension;
    dimension.emplace_back(1, "长度 <>");
    const struct {
        Adesk::UInt64 handle;
        const char* type;
        Groups groups;
    } entities[] = {
        {0x71, "HATCH", hatch},
        {0x72, "DIMENSION", dimension},
        {0x73, "POLYLINE", kPolyline + Groups{{0, "VERTEX"}} + kVertex1 + Groups{{0, "VERTEX"}} + kVertex2 +
                               Groups{{0, "SEQEND"}, {5, "76"}}},
        {0x77, "INSERT", kMinsert + Groups{{0, "ATTRIB"}} + kAttrib + Groups{{0, "SEQEND"}, {5, "79"}}},
    };
    for (const auto& e : entities) {
        const auto* record = keptWithHandle(kept, e.handle);
        ASSERT_NE(record, nullptr) << e.type;
        EXPECT_TRUE(record->entity);
        EXPECT_EQ(record->type, e.type);
        EXPECT_EQ(record->groups, e.groups) << e.type;
        EXPECT_EQ(record->owner, 0x1Fu) << e.type;
    }
    EXPECT_EQ(test_support::classOfHandle(read.get(), 0x70), "AcDbLine");
    EXPECT_EQ(vemio::leftOutMessage(stats),
              "4 entities of classes this program does not model are kept as they are: 1 DIMENSION, 1 HATCH, "
              "1 MINSERT, 1 POLYLINE. 2 entities that could not be read were left out: 1 CIRCLE, 1 SEQEND.");

    // Objects under their handles, owned by their owners (one named before it was read;
    // one the file lacks).
    const auto* xrecord = keptWithHandle(kept, 0x81);
    ASSERT_NE(xrecord, nullptr);
    EXPECT_EQ(xrecord->place, acrt::DxfPlace::kObject);
    EXPECT_EQ(xrecord->groups, (Groups{{5, "81"}, {102, "{ACAD_REACTORS"}, {330, "80"}, {102, "}"}, {330, "80"},
                                       {100, "AcDbXrecord"}, {1, "记录"}, {40, "2.5"}}));
    EXPECT_EQ(xrecord->owner, 0x80u);
    ASSERT_NE(keptWithHandle(kept, 0x80), nullptr);
    EXPECT_EQ(keptWithHandle(kept, 0x80)->owner, 0x70u);
    EXPECT_EQ(keptWithHandle(kept, 0xC)->owner, 0u);
    EXPECT_EQ(keptWithHandle(kept, 0xD)->owner, 0xCu);
    EXPECT_EQ(keptWithHandle(kept, 0x91)->type, "IMAGEDEF");
    EXPECT_EQ(keptWithHandle(kept, 0x91)->owner, 0u);

    // Classes and header variables in file order, under handles above every one the
    // file names.
    std::vector<const test_support::KeptRecord*> made;
    for (const auto& record : kept)
        if (record.place == acrt::DxfPlace::kClass || record.place == acrt::DxfPlace::kHeaderVariable)
            made.push_back(&record);
    ASSERT_EQ(made.size(), 3u);
    EXPECT_EQ(made[0]->type, "$INSBASE");
    EXPECT_EQ(made[0]->groups, (Groups{{10, "1.0"}, {20, "2.0"}, {30, "0.0"}}));
    EXPECT_EQ(made[1]->type, "$PROJECTNAME");
    EXPECT_EQ(made[1]->groups, (Groups{{1, "高程"}}));
    EXPECT_EQ(made[2]->type, "CLASS");
    EXPECT_EQ(made[2]->place, acrt::DxfPlace::kClass);
    EXPECT_EQ(made[2]->groups, (Groups{{1, "IMAGEDEF"}, {2, "AcDbRasterImageDef"}, {90, "0"}}));
    EXPECT_GE(made[0]->handle, 0x200u);
    EXPECT_GE(read->handseed().value(), made[2]->handle + 1);
    EXPECT_EQ(vemhost::testing::openObjectCount(read.get()), 0);
}

// Cut after any pair, the file is refused with the line it ends on; nothing leaks.
TEST_F(DxfPassThroughRead, FilesCutAnywhereAreRefusedWithTheirLine)
{
    const std::string whole = keptDrawing();
    vemio::DxfTokenizer tokens(whole);
    vemio::DxfPair pair;
    std::size_t cuts = 0;
    while (tokens.next(pair)) {
        const std::size_t end = std::size_t(pair.value.data() + pair.value.size() + 1 - whole.data());
        if (end >= whole.size())
            break;
        std::string error;
        EXPECT_EQ(vemio::readDxfText(std::string_view(whole).substr(0, end), error), nullptr) << end;
        EXPECT_EQ(error.rfind("line ", 0), 0u) << error;
        ++cuts;
    }
    EXPECT_GT(cuts, 300u);
}

// Any group turned into a record of its value's type, or any value spoilt, still reads
// cleanly or is refused with a message; what is read has nothing open and writes out.
TEST_F(DxfPassThroughRead, SpoiltFilesAreReadOrRefusedCleanly)
{
    const std::string whole = keptDrawing();
    std::vector<std::size_t> codeStarts;
    for (std::size_t at = 0; at < whole.size(); at = whole.find('\n', whole.find('\n', at) + 1) + 1)
        codeStarts.push_back(at);
    int read = 0;
    for (std::size_t i = 1; i + 1 < codeStarts.size(); ++i) {
        const std::size_t codeEnd = whole.find('\n', codeStarts[i]);
        for (const char* spoilt : {"0", "X"}) {
            std::string text = whole;
            if (spoilt[0] == '0')
                text.replace(codeStarts[i], codeEnd - codeStarts[i], spoilt);
            else
                text.replace(codeEnd + 1, 0, spoilt);
            std::string error, out;
            std::unique_ptr<AcDbDatabase> db = vemio::readDxfText(text, error);
            if (db == nullptr) {
                EXPECT_NE(error, "") << i;
                continue;
            }
            ++read;
            EXPECT_EQ(vemhost::testing::openObjectCount(db.get()), 0) << i;
            EXPECT_TRUE(vemio::writeDxfToString(db.get(), out, error)) << i << ": " << error;
        }
    }
    EXPECT_GT(read, 300);
}
