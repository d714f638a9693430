// Files made to look like drawings: other tables, views and triggers in place of a
// drawing's tables (OPEN must return, and soon), and drawings that open but could not
// be saved, exported or plotted again (handles past what a file holds, a list that
// holds its owner, class names that are not text).
#include <gtest/gtest.h>

#include "drawing_file.h"
#include "host_fixture.h"
#include "io_test_support.h"
#include "other_process.h"
#include "vemhost_io.h"

namespace {

class HostileDrawing : public HostFixture {
protected:
    void SetUp() override
    {
        HostFixture::SetUp();
        m_line = appendTo(db(), ACDB_MODEL_SPACE, test_support::newLine(0, 0, 10, 5));
        appendTo(db(), ACDB_PAPER_SPACE, test_support::newLine(1, 1, 2, 2));
        std::string error;
        ASSERT_TRUE(vemio::saveDrawing(db(), m_saved, error)) << error;
    }
    void TearDown() override
    {
        vemio::setOpenWorkLimitForTests(0);
        HostFixture::TearDown();
    }
    // A copy of the saved drawing changed by sql.
    std::string changed(const std::string& sql)
    {
        const std::string path = m_dir.file("changed.vdb");
        writeFile(path, readFile(m_saved));
        runSql(path, sql);
        return path;
    }
    // Opening must fail, within a few seconds, saying why in words that contain expected.
    static bool refused(const std::string& path, const std::string& expected)
    {
        std::string error;
        std::unique_ptr<AcDbDatabase> opened = vemio::openDrawing(path, error);
        if (opened == nullptr && error.find(expected) != std::string::npos)
            return true;
        std::fprintf(stderr, "opened: %d, message: %s\n", opened != nullptr, error.c_str());
        return false;
    }
    // A container's record with its own handle added to the end of its list of ids.
    std::string listingItself(AcDbObjectId container)
    {
        const long long handle = (long long)container.handle().value();
        const Bytes record = objectRows(m_saved).at(handle).record;
        vemhost::MemoryFiler idBytes(db());
        idBytes.writeHardOwnershipId(AcDbHardOwnershipId(container));
        for (size_t count = 0; count * idBytes.bytes().size() + 5 <= record.size(); ++count) {
            vemhost::MemoryFiler countBytes;
            countBytes.writeUInt32(Adesk::UInt32(count));
            const size_t at = record.size() - count * idBytes.bytes().size() - countBytes.bytes().size();
            if (!std::equal(countBytes.bytes().begin(), countBytes.bytes().end(), record.begin() + long(at)))
                continue;
            vemhost::MemoryFiler more;
            more.writeUInt32(Adesk::UInt32(count + 1));
            Bytes listed(record.begin(), record.begin() + long(at));
            listed.insert(listed.end(), more.bytes().begin(), more.bytes().end());
            listed.insert(listed.end(), record.begin() + long(at + countBytes.bytes().size()), record.end());
            listed.insert(listed.end(), idBytes.bytes().begin(), idBytes.bytes().end());
            std::string hex;
            for (unsigned char b : listed) {
                char two[3];
                std::snprintf(two, sizeof two, "%02X", b);
                hex += two;
            }
            return "UPDATE objects SET record = x'" + hex + "' WHERE handle = " + std::to_string(handle);
        }
        ADD_FAILURE() << "no list at the end of the record of " << handle;
        return "";
    }

    AcDbObjectId m_line;
    ScratchDir m_dir;
    const std::string m_saved = m_dir.file("saved.vdb");
};

}  // namespace

TEST_F(HostileDrawing, OpenReadsOnlyTheTablesADrawingHasAndReturnsSoon)
{
    const char* const kEndless = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n)";
    const std::string cases[] = {
        std::string("DROP TABLE header; CREATE VIEW header AS ") + kEndless + " SELECT 'format' AS key, i AS value FROM n;",
        std::string("DROP TABLE classes; CREATE VIEW classes AS ") + kEndless +
            " SELECT 'C' || i AS name, 'AcDbObject' AS parent, '' AS dxf_name, '' AS app_name, 0 AS proxy_flags FROM n;",
        "ALTER TABLE objects RENAME TO kept; CREATE VIEW objects AS SELECT * FROM kept;",
        "CREATE TRIGGER noted AFTER INSERT ON objects BEGIN SELECT 1; END;",
        "CREATE INDEX owners ON objects (owner);",
        "CREATE TABLE notes (text);",
        "CREATE VIEW everything AS SELECT * FROM objects;",
        "CREATE VIRTUAL TABLE boxes USING rtree(id, x0, x1);",
        "ALTER TABLE objects ADD COLUMN extra;",
    };
    for (const std::string& sql : cases) {
        const std::string path = changed(sql);
        EXPECT_TRUE(finishesWithin(20, [&] { return refused(path, "not a VEM drawing"); })) << sql;
    }

    // Reading is bounded by the size of the file: a drawing that needs more work than
    // its size allows is refused.
    for (int i = 0; i < 1000; ++i)
        appendTo(db(), ACDB_MODEL_SPACE, test_support::newLine(i, 0, i, 1));
    std::string error;
    ASSERT_TRUE(vemio::saveDrawing(db(), m_saved, error)) << error;
    vemio::setOpenWorkLimitForTests(1000);
    EXPECT_TRUE(refused(m_saved, "more work")) << "the bound is not applied";
    vemio::setOpenWorkLimitForTests(0);
    EXPECT_TRUE(vemio::openDrawing(m_saved, error)) << error;
}

TEST_F(HostileDrawing, OpenRefusesWhatSaveCouldNotWriteBack)
{
    const std::string line = std::to_string(m_line.handle().value());
    const std::string copyOfLine = " SELECT %, owner, class, record FROM objects WHERE handle = " + line;
    auto lineCopiedAs = [&](const std::string& handle) {
        std::string select = copyOfLine;
        select.replace(select.find('%'), 1, handle);
        return "INSERT INTO objects (handle, owner, class, record)" + select;
    };
    struct Case {
        const char* what;
        std::string sql;
        const char* expected;
    };
    const Case cases[] = {
        {"largest handle seed", "UPDATE header SET value = 9223372036854775807 WHERE key = 'handseed'", "handle"},
        {"large handle seed", "UPDATE header SET value = 4611686018427387905 WHERE key = 'handseed'", "handle"},
        {"largest handle", lineCopiedAs("9223372036854775807"), "handle"},
        {"large handle", lineCopiedAs("4611686018427387904"), "handle"},
        {"model space", listingItself(test_support::blockId(db(), ACDB_MODEL_SPACE)), "lists itself"},
        {"paper space", listingItself(test_support::blockId(db(), ACDB_PAPER_SPACE)), "lists itself"},
        {"block table", listingItself(db()->blockTableId()), "lists itself"},
        {"layer table", listingItself(db()->layerTableId()), "lists itself"},
        {"text style table", listingItself(db()->textStyleTableId()), "lists itself"},
        {"class names", lineCopiedAs("4000") + "; " + lineCopiedAs("4001") +
                            "; UPDATE objects SET class = CAST(x'FF56656D' AS TEXT) WHERE handle = 4000"
                            "; UPDATE objects SET class = CAST(x'FE56656D' AS TEXT) WHERE handle = 4001",
         "UTF-8"},
        {"class row", "INSERT INTO classes VALUES (CAST(x'56656DC0' AS TEXT), 'AcDbEntity', 'VEM', 'V', 0)", "UTF-8"},
        {"class with a zero", lineCopiedAs("4000") + "; UPDATE objects SET class = CAST(x'416344624C696E6500' AS TEXT)"
                                                     " WHERE handle = 4000", "UTF-8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = changed(c.sql);
        EXPECT_TRUE(refused(path, "damaged")) << c.sql;
        EXPECT_TRUE(refused(path, c.expected)) << c.sql;
    }
    // A handle seed just past the largest handle in use is what a save writes.
    std::string error;
    EXPECT_TRUE(vemio::openDrawing(changed(lineCopiedAs("4611686018427387903") +
                                           "; UPDATE header SET value = 4611686018427387904 WHERE key = 'handseed'"),
                                   error))
        << error;
}
