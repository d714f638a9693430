// Two programs, one drawing: a session whose file another vemcad saved over since this
// session opened or saved it asks before SAVE overwrites that work, No by default.
#include <cstdlib>

#include "session_fixture.h"
#include "vemcad_runner.h"

namespace {

class TwoWriters : public SessionTest {
protected:
    // Another vemcad on the drawing: it opens the file, adds a line and saves it.
    void otherProgramSaves(const std::string& path)
    {
        const std::string script = file("other.scr");
        std::ofstream(script) << "LINE\n100,100\n200,200\n\nSAVE\n";
        const std::string cmd = shellQuoted(VEM_BIN_DIR "/vemcad") + " --script " + shellQuoted(script) + " " +
                                shellQuoted(path) + " >/dev/null 2>&1";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        ::unlink(script.c_str());
    }
    std::string question(const std::string& path) const
    {
        return path + " has been changed by another program since it was opened or last saved. Overwrite it?"
                      " [Yes/No] <No>: ";
    }
};

}  // namespace

TEST_F(TwoWriters, SaveAsksBeforeOverwritingWhatAnotherProgramSaved)
{
    const std::string path = file("site.vdb");
    std::string out = script("SAVEAS\n" + path + "\nLINE\n0,0\n5,5\n\nSAVE\n");
    EXPECT_EQ(out.find("changed by another program"), std::string::npos) << "its own file is not another's";
    otherProgramSaves(path);
    const std::string theirs = readFile(path);
    script("LINE\n1,1\n6,6\n\n");

    // Enter (No) keeps their drawing; so does No to the question of QUIT's save, and
    // the session goes on with its changes.
    out = script("SAVE\n\n");
    EXPECT_NE(out.find(question(path)), std::string::npos) << out;
    EXPECT_EQ(out.find("Saved"), std::string::npos) << out;
    EXPECT_EQ(readFile(path), theirs);
    out = script("QUIT\nY\nN\n");
    EXPECT_NE(out.find(question(path) + "N"), std::string::npos) << out;
    EXPECT_FALSE(session().quitRequested());
    EXPECT_TRUE(session().isModified());
    EXPECT_EQ(readFile(path), theirs);

    // Yes overwrites it; after that the file is this session's again and SAVE asks nothing.
    out = script("SAVE\nY\n");
    EXPECT_NE(out.find("Saved " + path + "."), std::string::npos) << out;
    EXPECT_NE(readFile(path), theirs);
    out = script("LINE\n2,2\n7,7\n\nSAVE\n");
    EXPECT_EQ(out.find("changed by another program"), std::string::npos) << out;
    EXPECT_NE(out.find("Saved"), std::string::npos) << out;

    // A drawing opened from the file is asked about in the same way.
    script("OPEN\n" + path + "\n");
    otherProgramSaves(path);
    out = script("LINE\n3,3\n8,8\n\nSAVE\nN\n");
    EXPECT_NE(out.find(question(path) + "N"), std::string::npos) << out;
}
