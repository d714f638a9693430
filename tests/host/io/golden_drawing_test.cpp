// Drawings saved by earlier builds, each kept in a folder of golden/ with one filed
// record of each of its classes: every later build must open them as they were saved and
// file the same bytes, so that a change of a record made alike on both sides of a round
// trip cannot go unnoticed. golden/drawing holds the labels and the first host entities
// (and an entity of an absent application); golden/entities the host's other entities,
// user blocks, references and attributes.
#include <gtest/gtest.h>

#include <dirent.h>

#include <memory>
#include <string>

#include "db_proxy.h"
#include "dbapserv.h"
#include "drawing_file.h"
#include "dxf_test_drawing.h"
#include "io_test_support.h"
#include "rxclass.h"

namespace {

struct GoldenSet {
    const char* folder;
    size_t minRows, minRecords;
    bool foreignMarker;                      // holds an entity of an absent application
    std::vector<const char*> liveClasses;    // classes whose first entity opens as itself

    std::string dir() const { return std::string(VEM_GOLDEN_DIR) + "/" + folder; }
    std::string drawing() const { return dir() + "/drawing.vdb"; }
};

const GoldenSet kSets[] = {
    {"drawing", 20, 14, true, {"EOrigin", "ECoPoint", "ECoLine", "AcDbLine", "AcDbPolyline", "AcDbMText"}},
    {"entities", 20, 12, false,
     {"AcDbCircle", "AcDbArc", "AcDbEllipse", "AcDbSpline", "AcDbPoint", "AcDbText", "AcDbAttributeDefinition",
      "AcDbBlockReference", "AcDbAttribute"}},
};

std::vector<std::string> recordFiles(const GoldenSet& set)
{
    std::vector<std::string> names;
    if (DIR* dir = ::opendir((set.dir() + "/records").c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".rec") == 0)
                names.push_back(name);
        }
        ::closedir(dir);
    }
    return names;
}

class GoldenDrawing : public testing::TestWithParam<GoldenSet> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dxf_test::loadEntityModule());
        std::string message;
        m_db = vemio::openDrawing(GetParam().drawing(), message);
        ASSERT_NE(m_db, nullptr) << message;
        acdbHostApplicationServices()->setWorkingDatabase(m_db.get());
    }
    void TearDown() override
    {
        if (m_db != nullptr) {
            EXPECT_EQ(vemhost::testing::openObjectCount(m_db.get()), 0) << "an object was left open";
        }
        acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    }
    std::unique_ptr<AcDbDatabase> m_db;
};

TEST_P(GoldenDrawing, OpensWithEveryObjectAsItsClassAndSavesTheSameRows)
{
    const GoldenSet& set = GetParam();
    const std::map<long long, ObjectRow> golden = objectRows(set.drawing());
    ASSERT_GE(golden.size(), set.minRows);
    for (const auto& [handle, filed] : filedObjects(m_db.get())) {
        ASSERT_EQ(golden.count(handle), 1u) << "handle " << handle;
        EXPECT_EQ(vemhost::toUtf8(filed.className), golden.at(handle).className) << "handle " << handle;
        EXPECT_EQ(filed.record, golden.at(handle).record) << "handle " << handle;
    }
    // Only the entity of the absent application stands as a proxy.
    AcDbEntity* ent = nullptr;
    if (set.foreignMarker) {
        const AcDbObjectId marker =
            idOf(m_db.get(), Adesk::UInt64(firstHandleOf(set.drawing(), "VemGoldenMarker")));
        ASSERT_EQ(acdbOpenAcDbEntity(ent, marker, AcDb::kForRead), Acad::eOk);
        EXPECT_NE(AcDbProxyEntity::cast(ent), nullptr);
        ent->close();
    }
    for (const char* live : set.liveClasses) {
        ASSERT_EQ(acdbOpenAcDbEntity(ent, idOf(m_db.get(), Adesk::UInt64(firstHandleOf(set.drawing(), live))),
                                     AcDb::kForRead),
                  Acad::eOk)
            << live;
        EXPECT_STREQ(ent->isA()->name(), vemhost::fromUtf8(live).c_str());
        ent->close();
    }

    ScratchDir scratch;
    std::string message;
    ASSERT_TRUE(vemio::saveDrawing(m_db.get(), scratch.file("again.vdb"), message)) << message;
    const std::map<long long, ObjectRow> again = objectRows(scratch.file("again.vdb"));
    ASSERT_EQ(again.size(), golden.size());
    for (const auto& [handle, row] : golden) {
        ASSERT_EQ(again.count(handle), 1u) << "handle " << handle;
        EXPECT_TRUE(again.at(handle) == row) << "handle " << handle << " (" << row.className << ") saved otherwise";
    }
}

TEST_P(GoldenDrawing, EachClassReadsItsRecordAndFilesTheSameBytes)
{
    const GoldenSet& set = GetParam();
    const std::vector<std::string> files = recordFiles(set);
    ASSERT_GE(files.size(), set.minRecords);
    for (const std::string& file : files) {
        const std::string className = file.substr(0, file.size() - 4);
        const AcRxClass* cls = acrxFindAcRxClass(vemhost::fromUtf8(className).c_str());
        ASSERT_NE(cls, nullptr) << className;
        std::unique_ptr<AcDbObject> obj(AcDbObject::cast(cls->create()));
        ASSERT_NE(obj, nullptr) << className;
        const Bytes record = readFile(set.dir() + "/records/" + file);
        vemhost::MemoryFiler in(record, m_db.get());
        ASSERT_EQ(obj->dwgInFields(&in), Acad::eOk) << className;
        EXPECT_EQ(size_t(in.tell()), record.size()) << className << ": bytes left unread";
        vemhost::MemoryFiler out(m_db.get());
        ASSERT_EQ(obj->dwgOutFields(&out), Acad::eOk) << className;
        EXPECT_EQ(out.bytes(), record) << className;
    }
}

INSTANTIATE_TEST_SUITE_P(Sets, GoldenDrawing, testing::ValuesIn(kSets),
                         [](const testing::TestParamInfo<GoldenSet>& info) { return std::string(info.param.folder); });

}  // namespace
