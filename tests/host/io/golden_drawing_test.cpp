// A drawing saved by an earlier build, kept in golden/drawing with one filed record of
// each class: every later build must open it as it was saved and file the same bytes, so
// that a change of a record made alike on both sides of a round trip cannot go unnoticed.
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

const std::string kGoldenDir = std::string(VEM_GOLDEN_DIR) + "/drawing";
const std::string kDrawing = kGoldenDir + "/drawing.vdb";

std::vector<std::string> recordFiles()
{
    std::vector<std::string> names;
    if (DIR* dir = ::opendir((kGoldenDir + "/records").c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".rec") == 0)
                names.push_back(name);
        }
        ::closedir(dir);
    }
    return names;
}

class GoldenDrawing : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dxf_test::loadEntityModule());
        std::string message;
        m_db = vemio::openDrawing(kDrawing, message);
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

TEST_F(GoldenDrawing, OpensWithEveryObjectAsItsClassAndSavesTheSameRows)
{
    const std::map<long long, ObjectRow> golden = objectRows(kDrawing);
    ASSERT_GE(golden.size(), 20u);
    for (const auto& [handle, filed] : filedObjects(m_db.get())) {
        ASSERT_EQ(golden.count(handle), 1u) << "handle " << handle;
        EXPECT_EQ(vemhost::toUtf8(filed.className), golden.at(handle).className) << "handle " << handle;
        EXPECT_EQ(filed.record, golden.at(handle).record) << "handle " << handle;
    }
    // Only the entity of the absent application stands as a proxy.
    const AcDbObjectId marker = idOf(m_db.get(), Adesk::UInt64(firstHandleOf(kDrawing, "VemGoldenMarker")));
    AcDbEntity* ent = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(ent, marker, AcDb::kForRead), Acad::eOk);
    EXPECT_NE(AcDbProxyEntity::cast(ent), nullptr);
    ent->close();
    for (const char* live : {"EOrigin", "ECoPoint", "ECoLine", "AcDbLine", "AcDbPolyline", "AcDbMText"}) {
        ASSERT_EQ(acdbOpenAcDbEntity(ent, idOf(m_db.get(), Adesk::UInt64(firstHandleOf(kDrawing, live))),
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

TEST_F(GoldenDrawing, EachClassReadsItsRecordAndFilesTheSameBytes)
{
    const std::vector<std::string> files = recordFiles();
    ASSERT_GE(files.size(), 14u);
    for (const std::string& file : files) {
        const std::string className = file.substr(0, file.size() - 4);
        const AcRxClass* cls = acrxFindAcRxClass(vemhost::fromUtf8(className).c_str());
        ASSERT_NE(cls, nullptr) << className;
        std::unique_ptr<AcDbObject> obj(AcDbObject::cast(cls->create()));
        ASSERT_NE(obj, nullptr) << className;
        const Bytes record = readFile(kGoldenDir + "/records/" + file);
        vemhost::MemoryFiler in(record, m_db.get());
        ASSERT_EQ(obj->dwgInFields(&in), Acad::eOk) << className;
        EXPECT_EQ(size_t(in.tell()), record.size()) << className << ": bytes left unread";
        vemhost::MemoryFiler out(m_db.get());
        ASSERT_EQ(obj->dwgOutFields(&out), Acad::eOk) << className;
        EXPECT_EQ(out.bytes(), record) << className;
    }
}

}  // namespace
