// DXF input of files ezdxf writes, R2000 in GBK and R2018 in UTF-8, full of what the host
// does not model: every entity, table record, block record and object keeps the file's
// handle; pass-through entities and objects keep exactly the file's groups (texts
// decoded), old-style polylines their vertices, a MINSERT its place; other
// applications' XDATA and extension dictionaries stay beside the modelled objects.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/wait.h>

#include "dbsymtb.h"
#include "drawing_builder.h"
#include "dxf_kept_objects.h"
#include "dxf_reader.h"
#include "dxf_tokens.h"
#include "host_fixture.h"
#include "scratch_dir.h"
#include "vemhost_testing.h"

namespace {

using test_support::Groups;

// The records of a DXF file as their raw groups: table heads and records by name,
// entities (with their vertices, attributes and SEQEND) and objects by handle.
struct FileRecords {
    std::map<std::string, Adesk::UInt64> tables, records;
    std::map<Adesk::UInt64, Groups> entities, objects;
};

Adesk::UInt64 handleIn(const Groups& groups)
{
    for (const auto& [code, value] : groups)
        if (code == 5 || code == 105)
            return std::stoull(value, nullptr, 16);
    return 0;
}

std::string valueIn(const Groups& groups, int code)
{
    for (const auto& [c, value] : groups)
        if (c == code)
            return value;
    return std::string();
}

FileRecords scan(const std::string& text)
{
    struct Record {
        std::string section, type;
        Groups groups;
    };
    std::vector<Record> all;
    vemio::DxfTokenizer tokens(text);
    vemio::DxfPair pair;
    std::string section;
    while (tokens.next(pair)) {
        if (pair.code == 2 && !all.empty() && all.back().type == "SECTION")
            section = std::string(pair.value);
        if (pair.code == 0)
            all.push_back({section, std::string(pair.value), {}});
        else if (!all.empty())
            all.back().groups.emplace_back(pair.code, std::string(pair.value));
    }
    FileRecords file;
    Groups* last = nullptr;
    for (Record& r : all) {
        if (r.section == "TABLES" && r.type == "TABLE")
            file.tables[valueIn(r.groups, 2)] = handleIn(r.groups);
        else if (r.section == "TABLES" && r.type != "ENDTAB" && r.type != "SECTION")
            file.records[r.type + ":" + valueIn(r.groups, 2)] = handleIn(r.groups);
        else if (r.section == "OBJECTS" && r.type != "SECTION" && r.type != "ENDSEC" && r.type != "EOF")
            file.objects[handleIn(r.groups)] = r.groups;
        if (r.section != "ENTITIES" && r.section != "BLOCKS")
            continue;
        if ((r.type == "VERTEX" || r.type == "ATTRIB" || r.type == "SEQEND") && last != nullptr) {
            last->emplace_back(0, r.type);
            last->insert(last->end(), r.groups.begin(), r.groups.end());
        } else if (r.type != "BLOCK" && r.type != "ENDBLK" && r.type != "SECTION" && r.type != "ENDSEC") {
            last = &file.entities[handleIn(r.groups)];
            *last = r.groups;
        }
    }
    return file;
}

std::string fileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool holds(const Groups& groups, int code, const std::string& value)
{
    return std::find(groups.begin(), groups.end(), std::make_pair(code, value)) != groups.end();
}

class DxfPassThroughEzdxf : public HostFixture {};

}  // namespace

TEST_F(DxfPassThroughEzdxf, KeepsEveryRecordOfEzdxfFilesUnderItsHandle)
{
    test_support::ScratchDir dir;
    const std::string command = "/usr/bin/python3 " VEM_EZDXF_KEPT_FILES " '" + dir.path() + "' >/dev/null";
    const int status = std::system(command.c_str());
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "ezdxf cannot be imported";
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
    for (const char* name : {"kept_r2000_gbk.dxf", "kept_r2018.dxf"}) {
        SCOPED_TRACE(name);
        const bool utf8 = std::string(name) == "kept_r2018.dxf";
        std::string error;
        vemio::DxfReadStats stats;
        std::unique_ptr<AcDbDatabase> read = vemio::readDxf(dir.file(name), error, &stats);
        ASSERT_NE(read, nullptr) << error;
        AcDbDatabase* db = read.get();
        EXPECT_EQ(stats.skipped, 0u) << vemio::leftOutMessage(stats);
        const FileRecords file = scan(fileText(dir.file(name)));

        // Tables, spaces and records under the file's handles.
        EXPECT_EQ(db->blockTableId().handle().value(), file.tables.at("BLOCK_RECORD"));
        EXPECT_EQ(db->layerTableId().handle().value(), file.tables.at("LAYER"));
        EXPECT_EQ(db->textStyleTableId().handle().value(), file.tables.at("STYLE"));
        EXPECT_EQ(db->linetypeTableId().handle().value(), file.tables.at("LTYPE"));
        int blocks = 0;
        for (const auto& [key, handle] : file.records) {
            const std::string table = key.substr(0, key.find(':'));
            const std::string recordName = key.substr(key.find(':') + 1);
            const std::wstring wide(recordName.begin(), recordName.end());
            Adesk::UInt64 inDrawing = 0;
            if (table == "BLOCK_RECORD" && ++blocks)
                inDrawing = test_support::recordHandle<AcDbBlockTable>(db, wide.c_str());
            else if (table == "LAYER")
                inDrawing = recordName == "0" ? test_support::recordHandle<AcDbLayerTable>(db, L"0") : handle;
            else if (table == "LTYPE")
                inDrawing = test_support::recordHandle<AcDbLinetypeTable>(db, wide.c_str());
            else if (table == "STYLE")
                inDrawing = test_support::recordHandle<AcDbTextStyleTable>(db, wide.c_str());
            else if (test_support::classOfHandle(db, handle) == "DxfPassThroughObject")
                inDrawing = handle;
            EXPECT_EQ(inDrawing, handle) << key;
        }
        EXPECT_GE(blocks, 4);  // the spaces, BOX and the dimension's *D block

        // Every entity is there under its handle; those kept as they are with the
        // file's groups (texts decoded: UTF-8 files read as they are).
        const std::vector<test_support::KeptRecord> kept = test_support::keptRecords(db);
        std::vector<std::string> modelTypes;
        const Adesk::UInt64 model = test_support::blockId(db, ACDB_MODEL_SPACE).handle().value();
        for (const auto& [handle, groups] : file.entities)
            EXPECT_NE(test_support::classOfHandle(db, handle), "") << std::hex << handle;
        std::size_t objects = 0;
        for (const test_support::KeptRecord& record : kept) {
            if (record.entity) {
                ASSERT_EQ(file.entities.count(record.handle), 1u) << record.type;
                if (utf8) {
                    EXPECT_EQ(record.groups, file.entities.at(record.handle)) << record.type;
                }
                if (record.owner == model)
                    modelTypes.push_back(record.type);
            } else if (record.place == acrt::DxfPlace::kObject) {
                ASSERT_EQ(file.objects.count(record.handle), 1u) << record.type;
                if (utf8) {
                    EXPECT_EQ(record.groups, file.objects.at(record.handle)) << record.type;
                }
                ++objects;
            }
        }
        EXPECT_EQ(objects, file.objects.size());
        std::sort(modelTypes.begin(), modelTypes.end());
        EXPECT_EQ(modelTypes, (std::vector<std::string>{"3DFACE", "DIMENSION", "HATCH", "IMAGE", "INSERT", "LEADER",
                                                        "POLYLINE", "POLYLINE", "POLYLINE", "SOLID"}));
        EXPECT_EQ(stats.keptTypes["MINSERT"], 1u);

        for (const test_support::KeptRecord& record : kept) {
            if (record.type == "POLYLINE" && holds(record.groups, 42, "0.5")) {
                EXPECT_EQ(std::count(record.groups.begin(), record.groups.end(), std::make_pair(0, std::string("VERTEX"))),
                          3);
            }
            if (record.type == "DIMENSION") {
                EXPECT_TRUE(holds(record.groups, 1, "长度 <>"));
                const std::string block = valueIn(record.groups, 2);
                EXPECT_EQ(block.rfind("*D", 0), 0u) << block;
                const std::wstring wide(block.begin(), block.end());
                EXPECT_NE(test_support::recordHandle<AcDbBlockTable>(db, wide.c_str()), 0u);
            }
            if (record.type == "HATCH") {
                EXPECT_TRUE(holds(record.groups, 1000, "填充"));
            }
            if (record.type == "XRECORD" && holds(record.groups, 40, "2.5")) {
                EXPECT_TRUE(holds(record.groups, 1, "记录"));
            }
            if (record.type == "IMAGE") {
                const test_support::KeptRecord* def = test_support::keptWithHandle(
                    kept, std::stoull(valueIn(record.groups, 340), nullptr, 16));
                ASSERT_NE(def, nullptr);
                EXPECT_EQ(def->type, "IMAGEDEF");
            }
        }

        // The LINE keeps its XDATA and extension dictionary; the dictionary is owned
        // by the LINE. The layer keeps its XDATA.
        const Adesk::UInt64 terrain = test_support::recordHandle<AcDbLayerTable>(db, L"地形");
        ASSERT_NE(terrain, 0u);
        EXPECT_TRUE(holds(test_support::extrasOfHandle(db, terrain), 1000, "图层"));
        bool lineSeen = false;
        for (const auto& [handle, groups] : file.entities) {
            if (test_support::classOfHandle(db, handle) != "AcDbLine" || !holds(groups, 1001, "FOREIGN"))
                continue;
            lineSeen = true;
            const Groups extras = test_support::extrasOfHandle(db, handle);
            EXPECT_TRUE(holds(extras, 102, "{ACAD_XDICTIONARY"));
            EXPECT_TRUE(holds(extras, 1000, "高程"));
            const test_support::KeptRecord* dictionary =
                test_support::keptWithHandle(kept, std::stoull(valueIn(extras, 360), nullptr, 16));
            ASSERT_NE(dictionary, nullptr);
            EXPECT_EQ(dictionary->owner, handle);
        }
        EXPECT_TRUE(lineSeen);
        EXPECT_EQ(vemhost::testing::openObjectCount(db), 0);
    }
}
