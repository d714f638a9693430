// Drawing files among other programs: journal files that a killed SQLite writer left
// beside a drawing, a drawing locked by its writer, and a drawing that another program
// changed after this one opened or saved it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <algorithm>

#include "drawing_file.h"
#include "host_fixture.h"
#include "io_test_support.h"
#include "other_process.h"

namespace {

const char* const kJournalSuffixes[] = {"-wal", "-shm", "-journal"};

class DrawingOnDisk : public HostFixture {
protected:
    void SetUp() override
    {
        HostFixture::SetUp();
        for (int i = 0; i < 4; ++i)
            m_lines.push_back(appendTo(db(), ACDB_MODEL_SPACE, test_support::newLine(i, 0, i + 1, 2)));
    }
    void TearDown() override
    {
        vemio::setWriteFailureForTests(0, SQLITE_OK);
        HostFixture::TearDown();
    }
    void save(AcDbDatabase* drawing, const std::string& path, vemio::Backup backup = vemio::Backup::kNone)
    {
        std::string error;
        ASSERT_TRUE(vemio::saveDrawing(drawing, path, error, backup)) << error;
    }
    std::unique_ptr<AcDbDatabase> open(const std::string& path)
    {
        std::string error;
        std::unique_ptr<AcDbDatabase> opened = vemio::openDrawing(path, error);
        EXPECT_TRUE(opened != nullptr) << error;
        return opened;
    }
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names = m_dir.entries();
        std::sort(names.begin(), names.end());
        return names;
    }
    // What SQLite itself (not this program) reads from the file, with its own check.
    static std::string sqliteCheck(const std::string& path)
    {
        sqlite3* file = nullptr;
        std::string result = "cannot open";
        if (sqlite3_open_v2(path.c_str(), &file, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* stmt = nullptr;
            if (sqlite3_prepare_v2(file, "PRAGMA integrity_check", -1, &stmt, nullptr) == SQLITE_OK &&
                sqlite3_step(stmt) == SQLITE_ROW)
                result = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
            else
                result = sqlite3_errmsg(file);
            sqlite3_finalize(stmt);
        }
        sqlite3_close(file);
        return result;
    }

    std::vector<AcDbObjectId> m_lines;
    ScratchDir m_dir;
};

// A writer killed in WAL mode after it committed (a text style and the first line's
// row deleted, TILEMODE 0), or in rollback mode in the middle of a transaction: the
// journals it leaves belong to that file, and would apply to any file of its name.
struct KilledWriter {
    const char* name;
    bool walMode;
    std::vector<std::string> leaves;
};
const KilledWriter kKilledWriters[] = {
    {"WAL writer", true, {"-wal", "-shm"}},
    {"writer mid-transaction", false, {"-journal"}},
};

}  // namespace

TEST_F(DrawingOnDisk, SaveOverJournalsOfAKilledWriterIsWhatEveryReaderOpens)
{
    const std::string path = m_dir.file("drawing.vdb");
    const std::string backup = m_dir.file("drawing.bak");
    const std::string clean = m_dir.file("clean.vdb");
    const std::string line = std::to_string(m_lines[0].handle().value());
    for (const KilledWriter& writer : kKilledWriters) {
        SCOPED_TRACE(writer.name);
        // The drawing and its backup both have a killed writer's journals beside them.
        for (const std::string& file : {path, backup}) {
            save(db(), file);
            ASSERT_TRUE(writer.walMode ? killedWalWriter(file, "UPDATE header SET value = 0 WHERE key = 'tilemode';"
                                                               "DELETE FROM objects WHERE handle = " + line + ";")
                                       : killedMidTransaction(file));
            for (const std::string& suffix : writer.leaves)
                ASSERT_TRUE(fileExists(file + suffix)) << suffix << " was not left";
        }
        const AcDbObjectId added = appendTo(db(), ACDB_MODEL_SPACE, test_support::newLine(7, 7, 8, 9));

        save(db(), path, vemio::Backup::kKeep);
        for (const char* suffix : kJournalSuffixes)
            EXPECT_FALSE(fileExists(path + suffix)) << suffix << " of the replaced file survived";
        save(db(), clean);
        EXPECT_EQ(sqliteCheck(path), "ok");
        EXPECT_EQ(objectRows(path), objectRows(clean)) << "SQLite reads another drawing than the one saved";
        std::unique_ptr<AcDbDatabase> opened = open(path);
        ASSERT_TRUE(opened);
        EXPECT_EQ(filedObjects(opened.get()), filedObjects(db()));

        // The replaced file, with its own journals, became the backup: it opens as what
        // the killed writer left, and the older backup's journals went with it.
        opened = open(backup);
        ASSERT_TRUE(opened);
        EXPECT_EQ(opened->tilemode(), !writer.walMode);
        EXPECT_EQ(idOf(opened.get(), m_lines[0].handle().value()).isNull(), writer.walMode);
        EXPECT_TRUE(idOf(opened.get(), added.handle().value()).isNull());
        opened.reset();
        EXPECT_EQ(entries(), (std::vector<std::string>{"clean.vdb", "drawing.bak", "drawing.vdb"}));
        m_dir.clear();
    }
}

TEST_F(DrawingOnDisk, ASaveThatFailsLeavesTheOldFileWithItsJournals)
{
    const std::string path = m_dir.file("drawing.vdb");
    save(db(), path);
    ASSERT_TRUE(killedWalWriter(path, "UPDATE header SET value = 0 WHERE key = 'tilemode';"));
    const std::vector<std::string> before = entries();
    ASSERT_EQ(before, (std::vector<std::string>{"drawing.vdb", "drawing.vdb-shm", "drawing.vdb-wal"}));
    const Bytes file = readFile(path), wal = readFile(path + "-wal");
    for (int step = 1;; ++step) {
        vemio::setWriteFailureForTests(step, SQLITE_IOERR);
        std::string error;
        if (vemio::saveDrawing(db(), path, error))
            break;
        EXPECT_EQ(entries(), before) << "step " << step;
        EXPECT_EQ(readFile(path), file) << "step " << step;
        EXPECT_EQ(readFile(path + "-wal"), wal) << "step " << step;
        ASSERT_LT(step, 200);
    }
    EXPECT_EQ(entries(), std::vector<std::string>{"drawing.vdb"});
}

TEST_F(DrawingOnDisk, OpenReadsWhatAKilledWriterCommittedAndLeavesNoJournalBehind)
{
    // A plain drawing is only read: not a byte of it changes and nothing appears beside it.
    const std::string path = m_dir.file("drawing.vdb");
    save(db(), path);
    const Bytes saved = readFile(path);
    struct stat before;
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    ASSERT_TRUE(open(path));
    struct stat after;
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(readFile(path), saved);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(entries(), std::vector<std::string>{"drawing.vdb"});

    // Committed in WAL mode: the changes are part of the drawing, and so are the pages
    // that are still only in the log.
    const std::string line = std::to_string(m_lines[1].handle().value());
    ASSERT_TRUE(killedWalWriter(path, "UPDATE header SET value = 0 WHERE key = 'tilemode';"
                                      "DELETE FROM objects WHERE handle = " + line + ";"
                                      "INSERT INTO graphics VALUES (999999, zeroblob(300000));"));
    ASSERT_TRUE(fileExists(path + "-wal"));
    std::unique_ptr<AcDbDatabase> opened = open(path);
    ASSERT_TRUE(opened);
    EXPECT_FALSE(opened->tilemode());
    EXPECT_TRUE(idOf(opened.get(), m_lines[1].handle().value()).isNull());
    EXPECT_FALSE(idOf(opened.get(), m_lines[2].handle().value()).isNull());
    EXPECT_EQ(entries(), std::vector<std::string>{"drawing.vdb"});
    // Opened again (the file is still in WAL mode), it is the same and leaves nothing.
    opened = open(path);
    ASSERT_TRUE(opened);
    EXPECT_FALSE(opened->tilemode());
    EXPECT_EQ(entries(), std::vector<std::string>{"drawing.vdb"});

    // Killed in the middle of a transaction: the half-written pages are rolled back.
    save(db(), path);
    ASSERT_TRUE(killedMidTransaction(path));
    ASSERT_TRUE(fileExists(path + "-journal"));
    ASSERT_NE(readFile(path), readFile(path + "-journal")) << "the killed writer changed the file";
    opened = open(path);
    ASSERT_TRUE(opened);
    EXPECT_EQ(filedObjects(opened.get()), filedObjects(db()));
    EXPECT_EQ(entries(), std::vector<std::string>{"drawing.vdb"});
}

TEST_F(DrawingOnDisk, ADrawingLockedByItsWriterIsInUseNotDamaged)
{
    const std::string path = m_dir.file("drawing.vdb");
    save(db(), path);
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    std::string error;
    EXPECT_EQ(vemio::openDrawing(path, error), nullptr);
    EXPECT_NE(error.find("in use by another program"), std::string::npos) << error;
    EXPECT_EQ(error.find("damaged"), std::string::npos) << error;
    ASSERT_EQ(sqlite3_exec(writer, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(writer);
    EXPECT_TRUE(open(path));
}

TEST_F(DrawingOnDisk, ADrawingKnowsWhetherAnotherProgramChangedItsFile)
{
    const std::string path = m_dir.file("drawing.vdb");
    const std::string other = m_dir.file("other.vdb");
    EXPECT_FALSE(vemio::changedOnDisk(db(), path)) << "a new drawing has no file";
    save(db(), path);
    EXPECT_FALSE(vemio::changedOnDisk(db(), path));
    save(db(), path);
    EXPECT_FALSE(vemio::changedOnDisk(db(), path)) << "its own saves are not another program's";

    // Rewritten in place (same size, most likely the same file time), or replaced by
    // another file.
    Bytes bytes = readFile(path);
    bytes.back() ^= 1;
    writeFile(path, bytes);
    EXPECT_TRUE(vemio::changedOnDisk(db(), path));
    save(db(), path);
    writeFile(other, readFile(path));
    ASSERT_EQ(::rename(other.c_str(), path.c_str()), 0);
    EXPECT_TRUE(vemio::changedOnDisk(db(), path));
    writeFile(other, readFile(path));
    EXPECT_FALSE(vemio::changedOnDisk(db(), other)) << "a file it was never saved to is not its file";

    // An opened drawing knows the file it came from; a file that is gone has nothing to lose.
    std::unique_ptr<AcDbDatabase> opened = open(path);
    ASSERT_TRUE(opened);
    EXPECT_FALSE(vemio::changedOnDisk(opened.get(), path));
    runSql(path, "UPDATE header SET value = 0 WHERE key = 'tilemode'");
    EXPECT_TRUE(vemio::changedOnDisk(opened.get(), path));
    ASSERT_EQ(::unlink(path.c_str()), 0);
    EXPECT_FALSE(vemio::changedOnDisk(opened.get(), path));

    // Through a symbolic link the file is the one it points at.
    save(db(), path);
    const std::string link = m_dir.file("link.vdb");
    ASSERT_EQ(::symlink("drawing.vdb", link.c_str()), 0);
    EXPECT_FALSE(vemio::changedOnDisk(db(), link));
    struct utimbuf older = {1000000000, 1000000000};
    ASSERT_EQ(::utime(path.c_str(), &older), 0);
    EXPECT_TRUE(vemio::changedOnDisk(db(), link));
}
