// Replacing files whole, as SAVE, DXFOUT and PLOT do: the longest legal file name, the
// temporary files of a write that was killed (removed by the next write of that file
// once their process is gone), and symbolic links, which are written through.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

#include "drawing_file.h"
#include "dxf_writer.h"
#include "host_fixture.h"
#include "io_test_support.h"
#include "other_process.h"
#include "plot.h"

namespace {

// The three writers of whole files, each given a file name of its own kind.
struct Writer {
    const char* name;
    const char* extension;
    bool (*write)(AcDbDatabase* db, const std::string& path, std::string& error);
};
const Writer kWriters[] = {
    {"SAVE", ".vdb",
     [](AcDbDatabase* db, const std::string& path, std::string& error) {
         return vemio::saveDrawing(db, path, error, vemio::Backup::kKeep);
     }},
    {"DXFOUT", ".dxf", [](AcDbDatabase* db, const std::string& path, std::string& error) {
         return vemio::writeDxf(db, path, error);
     }},
    {"PLOT", ".svg", [](AcDbDatabase* db, const std::string& path, std::string& error) {
         return vemio::plot(db, path, vemio::PlotOptions(), error);
     }},
};

class FileReplacement : public HostFixture {
protected:
    void SetUp() override
    {
        HostFixture::SetUp();
        for (int i = 0; i < 300; ++i)
            appendTo(db(), ACDB_MODEL_SPACE, test_support::newLine(i, 0, i + 1, 2));
    }
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names = m_dir.entries();
        std::sort(names.begin(), names.end());
        return names;
    }
    // Writes path in a child process that the system kills when the file it writes
    // passes a kilobyte, as kill -9 in the middle of the write would.
    bool killedWhileWriting(const Writer& writer, const std::string& path)
    {
        const pid_t pid = ::fork();
        if (pid == 0) {
            struct rlimit limit = {1024, 1024};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            std::string error;
            writer.write(db(), path, error);
            ::_exit(0);
        }
        int status = 0;
        return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFSIGNALED(status);
    }

    ScratchDir m_dir;
};

}  // namespace

TEST_F(FileReplacement, TheLongestLegalFileNameIsWritten)
{
    for (const Writer& writer : kWriters) {
        const std::string name = std::string(255 - 4, 'n') + writer.extension;
        const std::string path = m_dir.file(name);
        std::string error;
        EXPECT_TRUE(writer.write(db(), path, error)) << writer.name << ": " << error;
        EXPECT_TRUE(writer.write(db(), path, error)) << writer.name << " again: " << error;
        EXPECT_TRUE(fileExists(path)) << writer.name;
    }
    std::string error;
    EXPECT_TRUE(vemio::openDrawing(m_dir.file(std::string(251, 'n') + ".vdb"), error)) << error;
    EXPECT_EQ(entries().size(), 4u) << "the three files and the drawing's backup, nothing else";
}

TEST_F(FileReplacement, AKilledWriteLeavesNothingTheNextWriteOfThatFileKeeps)
{
    for (const Writer& writer : kWriters) {
        SCOPED_TRACE(writer.name);
        m_dir.clear();
        const std::string name = std::string("drawing") + writer.extension;
        const std::string path = m_dir.file(name);
        std::string error;
        ASSERT_TRUE(writer.write(db(), path, error)) << error;
        const Bytes first = readFile(path);
        ASSERT_TRUE(killedWhileWriting(writer, path));
        EXPECT_EQ(readFile(path), first) << "the killed write touched the file";
        std::vector<std::string> left = entries();
        left.erase(std::remove(left.begin(), left.end(), name), left.end());
        ASSERT_EQ(left.size(), 1u) << "the killed write left no temporary file, or several";
        const std::string temporary = left.front();
        EXPECT_LE(temporary.size(), name.size() + 24) << temporary << " is not short";
        EXPECT_NE(temporary.find("drawing"), std::string::npos) << temporary << " does not name its file";

        // The same name for a living process (init), and a killed write of another file,
        // are not this write's to remove.
        const size_t digits = temporary.find_first_of("0123456789");
        ASSERT_NE(digits, std::string::npos) << temporary << " has no process number";
        std::string living = temporary;
        living.replace(digits, temporary.find_first_not_of("0123456789", digits) - digits, "1");
        writeFile(m_dir.file(living), Bytes(10, 'x'));
        ASSERT_TRUE(killedWhileWriting(writer, m_dir.file(std::string("other") + writer.extension)));

        std::vector<std::string> expected = entries();
        expected.erase(std::find(expected.begin(), expected.end(), temporary));
        if (std::string(writer.name) == "SAVE")
            expected.push_back("drawing.bak");
        std::sort(expected.begin(), expected.end());
        ASSERT_TRUE(writer.write(db(), path, error)) << error;
        EXPECT_EQ(entries(), expected) << "only the temporary file of the dead process writing this file goes";
    }
}

TEST_F(FileReplacement, SymbolicLinksAreWrittenThroughAndStayLinks)
{
    ASSERT_EQ(::mkdir(m_dir.file("real").c_str(), 0755), 0);
    for (const Writer& writer : kWriters) {
        SCOPED_TRACE(writer.name);
        const std::string target = std::string("real/target") + writer.extension;
        const std::string link = m_dir.file(std::string("link") + writer.extension);
        const std::string chain = m_dir.file(std::string("chain") + writer.extension);
        const std::string dangling = m_dir.file(std::string("dangling") + writer.extension);
        ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
        ASSERT_EQ(::symlink((std::string("link") + writer.extension).c_str(), chain.c_str()), 0);
        ASSERT_EQ(::symlink((std::string("real/new") + writer.extension).c_str(), dangling.c_str()), 0);
        writeFile(m_dir.file(target), Bytes(5, 'o'));

        std::string error;
        for (const std::string& through : {link, chain, dangling}) {
            ASSERT_TRUE(writer.write(db(), through, error)) << through << ": " << error;
            struct stat st;
            ASSERT_EQ(::lstat(through.c_str(), &st), 0);
            EXPECT_TRUE(S_ISLNK(st.st_mode)) << through << " was replaced by a plain file";
        }
        EXPECT_GT(readFile(m_dir.file(target)).size(), 5u) << "the file the links point at was not written";
        EXPECT_TRUE(fileExists(m_dir.file(std::string("real/new") + writer.extension)));
    }
}
