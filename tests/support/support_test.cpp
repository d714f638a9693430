// The tests' own support: scratch directories that leave nothing behind, and a drawing
// builder that deletes what it could not append.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "drawing_builder.h"
#include "host_fixture.h"
#include "scratch_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace test_support;

TEST(ScratchDir, ListsSortedClearsAndRemovesEverythingItHolds)
{
    std::string kept;
    {
        const ScratchDir first("vem_support"), second("vem_support");
        EXPECT_NE(first.path(), second.path());
        EXPECT_EQ(fs::path(first.path()).parent_path(), fs::temp_directory_path());
        std::ofstream(first.file("b.txt")) << "b";
        std::ofstream(first.file("a.txt")) << "a";
        fs::create_directories(first.file("nested/deeper"));
        std::ofstream(first.file("nested/deeper/c.txt")) << "c";
        EXPECT_EQ(first.entries(), (std::vector<std::string>{"a.txt", "b.txt", "nested"}));
        EXPECT_EQ(first.listing(), "a.txt\nb.txt\nnested\n");
        first.clear();
        EXPECT_TRUE(first.entries().empty());
        EXPECT_TRUE(fs::is_directory(first.path()));
        fs::create_directories(first.file("again/x"));
        kept = first.path();
    }
    EXPECT_FALSE(fs::exists(kept));
}

// A line that counts how many of its kind are alive.
class CountedLine : public AcDbLine {
public:
    static int s_alive;
    CountedLine() { ++s_alive; }
    ~CountedLine() override { --s_alive; }
};
int CountedLine::s_alive = 0;

class DrawingBuilder : public HostFixture {};

TEST_F(DrawingBuilder, AppendsToTheChosenSpaceAndDeletesWhatItCannotAppend)
{
    const AcDbObjectId paper = blockId(db(), ACDB_PAPER_SPACE);
    const AcDbObjectId line = appendTo(db(), ACDB_PAPER_SPACE, new CountedLine());
    ASSERT_FALSE(line.isNull());
    AcDbEntity* ent = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(ent, line, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(ent->ownerId(), paper);
    ent->close();
    EXPECT_EQ(CountedLine::s_alive, 1);

    // No such block, and a space that refuses the entity: nothing appended, nothing
    // left alive.
    EXPECT_TRUE(appendTo(db(), L"*No_Such_Space", new CountedLine()).isNull());
    vemhost::testing::failAppendAfter(1);
    EXPECT_TRUE(appendTo(db(), ACDB_MODEL_SPACE, new CountedLine()).isNull());
    EXPECT_FALSE(vemhost::testing::appendFailurePending());
    EXPECT_EQ(CountedLine::s_alive, 1);

    EXPECT_FALSE(addLayer(db(), L"walls", 3, false, true).isNull());
    EXPECT_TRUE(addLayer(db(), L"walls").isNull()) << "a taken name gives no layer";
    const AcDbObjectId style = addTextStyle(db(), L"notes", L"complex8.shx", L"hztxt99.shx");
    EXPECT_FALSE(style.isNull());
    EXPECT_EQ(textStyleId(db(), L"notes"), style);
    EXPECT_TRUE(textStyleId(db(), L"missing").isNull());
}

}  // namespace
