// vemcad end to end: unsaved changes are offered for saving before QUIT, NEW and OPEN
// throw them away, SAVEAS asks before replacing a file, and SAVE keeps the file it
// replaces as the drawing's .bak.
#include <unistd.h>

#include "vemcad_runner.h"

namespace {

const char kLine[] = "LINE\n0,0\n10,0\n\n";

bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

size_t occurrences(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
        ++n;
    return n;
}

}  // namespace

TEST(VemcadUnsavedChanges, QuitNewAndOpenAskBeforeThrowingChangesAway)
{
    const std::string ask1 = "Save changes to Drawing1.vdb? [Yes/No/Cancel] <Yes>: ";
    struct Case {
        const char* name;
        const char* script;  // after a line is drawn
        const char* asked;   // the question, or "" when none may be asked
        size_t times;
        const char* after;   // printed only when the session went on after the answers
        const char* saved;   // a file that must exist afterwards, or ""
    };
    //  after LINE                               question                  times  printed later     file
    const Case cases[] = {
        {"quit, no", "QUIT\nN\nLINE\n", ask1.c_str(), 1, "", ""},
        {"quit, cancel", "QUIT\nC\nSAVEAS\nkept.vdb\n", ask1.c_str(), 1, "Saved kept.vdb.", "kept.vdb"},
        {"quit, yes", "QUIT\n\nq.vdb\nLINE\n", ask1.c_str(), 1, "", "q.vdb"},
        {"quit, yes, no name", "QUIT\nY\n\nSAVEAS\nlater.vdb\n", ask1.c_str(), 1, "Saved later.vdb.", "later.vdb"},
        {"quit, nonsense first", "QUIT\nmaybe\nNo\n", ask1.c_str(), 2, "", ""},
        {"quit at the end", "QUIT\n", ask1.c_str(), 1, "", ""},
        {"undone to the save", "SAVEAS\ns.vdb\nLINE\n1,1\n2,2\n\nU\nQUIT\n", "Save changes", 0, "", "s.vdb"},
        {"redone after it", "SAVEAS\ns.vdb\nLINE\n1,1\n2,2\n\nU\nREDO\nQUIT\nN\n",
         "Save changes to s.vdb? [Yes/No/Cancel] <Yes>: N", 1, "", "s.vdb"},
        {"new drawing layer", "SAVEAS\ns.vdb\nLAYER\nN\nx\n\nQUIT\nN\n", "Save changes to s.vdb?", 1, "", "s.vdb"},
        {"current layer", "SAVEAS\ns.vdb\nSETVAR\nCLAYER\n0\nLAYER\nN\nx\nS\nx\n\nSAVE\nLAYER\nS\n0\n\nQUIT\nN\n",
         "Save changes to s.vdb?", 1, "", "s.vdb"},
        {"new, then the next", "NEW\nN\nLINE\n0,0\n1,1\n\nQUIT\nN\n",
         "Save changes to Drawing2.vdb? [Yes/No/Cancel] <Yes>: N", 1, "", ""},
        {"new, cancelled", "NEW\n^C\nQUIT\nN\n", ask1.c_str(), 2, "", ""},
        {"open, no", "SAVEAS\no.vdb\nLINE\n1,1\n2,2\n\nOPEN\nN\no.vdb\nQUIT\n", "Save changes to o.vdb?", 1,
         "Opened o.vdb.", "o.vdb"},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        VemcadRun run = runVemcad(dir, std::string(kLine) + c.script);
        ASSERT_EQ(run.status, 0) << c.name;
        EXPECT_EQ(occurrences(run.out, c.asked), c.times) << c.name << "\n" << run.out;
        if (*c.after != 0) {
            EXPECT_NE(run.out.find(c.after), std::string::npos) << c.name << "\n" << run.out;
        }
        if (*c.saved != 0) {
            EXPECT_TRUE(exists(dir.file(c.saved))) << c.name;
        }
        EXPECT_EQ(run.out.find("Unknown command"), std::string::npos) << c.name << "\n" << run.out;
    }
}

TEST(VemcadUnsavedChanges, YesSavesWhatWasDrawnBeforeTheSessionEnds)
{
    ScratchDir dir;
    VemcadRun run = runVemcad(dir, std::string(kLine) + "QUIT\nY\nfirst.vdb\n");
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Enter file name: first.vdb"), std::string::npos) << run.out;
    VemcadRun again = runVemcad(dir, "LIST\nALL\n\nQUIT\n", "first.vdb");
    EXPECT_NE(again.out.find("to point, X=10.0000"), std::string::npos) << again.out;
    EXPECT_EQ(again.out.find("Save changes"), std::string::npos) << "an opened drawing is unchanged";
}

TEST(VemcadReplaceFile, SaveasAsksBeforeReplacingAndSaveKeepsTheBackup)
{
    ScratchDir dir;
    ASSERT_EQ(runVemcad(dir, std::string(kLine) + "SAVEAS\nsite.vdb\n").status, 0);
    const std::string first = readFile(dir.file("site.vdb"));
    const std::string question = "site.vdb already exists. Do you want to replace it? [Yes/No] <No>: ";

    // No (or Enter, or a cancel) leaves the file as it was; the drawing stays unnamed.
    for (const char* answer : {"N", "", "^C"}) {
        VemcadRun run = runVemcad(dir, std::string(kLine) + "SAVEAS\nsite.vdb\n" + answer + "\nQUIT\nN\n");
        EXPECT_NE(run.out.find(question), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("Save changes to Drawing1.vdb?"), std::string::npos) << run.out;
        EXPECT_EQ(readFile(dir.file("site.vdb")), first);
        EXPECT_FALSE(exists(dir.file("site.bak")));
    }
    // Yes replaces it, and the replaced file becomes site.bak; each SAVE after that keeps
    // the file it replaces.
    VemcadRun run = runVemcad(dir, "LINE\n5,5\n6,6\n\nSAVEAS\nsite.vdb\nyes\n");
    EXPECT_NE(run.out.find("Saved site.vdb."), std::string::npos) << run.out;
    EXPECT_EQ(readFile(dir.file("site.bak")), first);
    const std::string second = readFile(dir.file("site.vdb"));
    EXPECT_NE(second, first);
    run = runVemcad(dir, "ERASE\nALL\n\nSAVE\n", "site.vdb");
    EXPECT_EQ(run.out.find("already exists"), std::string::npos) << "SAVE replaces its own file without asking";
    EXPECT_EQ(readFile(dir.file("site.bak")), second);
    EXPECT_NE(readFile(dir.file("site.vdb")), second);
    // The unnamed drawing's Yes asks a file name, and that too is not replaced unasked.
    run = runVemcad(dir, std::string(kLine) + "QUIT\nY\nsite.vdb\nN\nQUIT\nN\n");
    EXPECT_EQ(occurrences(run.out, "Save changes to Drawing1.vdb?"), 2u) << run.out;
    EXPECT_NE(run.out.find(question + "N"), std::string::npos) << run.out;
}

TEST(VemcadInput, AnswersAndScriptsStayWithinTheirLimits)
{
    ScratchDir dir;
    const std::string vemcad = shellQuoted(VEM_BIN_DIR "/vemcad");
    const auto shell = [&](const std::string& command) {
        VemcadRun run;
        FILE* pipe = ::popen(("cd " + shellQuoted(dir.path()) + " && " + command + " 2>&1").c_str(), "r");
        char buf[4096];
        size_t n;
        while (pipe != nullptr && (n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
            run.out.append(buf, n);
        const int rc = pipe != nullptr ? ::pclose(pipe) : -1;
        run.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
        return run;
    };
    // A NUL in a piped answer would cut a file name short and name another file.
    std::ofstream(dir.file("important.vdb")) << "precious";
    VemcadRun run = shell("printf 'SAVEAS important.vdb\\0.bak\\n' | " + vemcad + " --no-modules");
    EXPECT_NE(run.out.find("An answer holding a NUL character is refused."), std::string::npos) << run.out;
    EXPECT_EQ(readFile(dir.file("important.vdb")), "precious");

    // A device that never ends is refused at once, not read on.
    run = shell("timeout 20 " + vemcad + " --no-modules --script /dev/zero");
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_NE(run.out.find("is not a text file"), std::string::npos) << run.out;

    // A script of 16 MiB of empty lines runs within a few times its size (a limit that
    // AddressSanitizer's own reservations would not fit in).
#if !defined(__SANITIZE_ADDRESS__)
    std::ofstream(dir.file("empty.scr")) << std::string(16u << 20, '\n');
    run = shell("ulimit -v 400000; " + vemcad + " --no-modules --script empty.scr > /dev/null");
    EXPECT_EQ(run.status, 0) << run.out;
#endif
}

TEST(VemcadModules, TheEntityModuleStaysWhileTheDrawingHoldsItsObjects)
{
    ScratchDir dir;
    // With a coordinate system in the drawing (erased, undo could bring it back), VEMD
    // stays, and the drawing can still be saved, written as DXF and plotted.
    VemcadRun run = runVemcad(dir,
                              "EORI\n0,0\n\n\n\n\n\n\n\n\n\n\nARX\nU\nVEMA\nARX\nU\nVEMD\nERASE\nALL\n\nARX\nU\nVEMD\n"
                              "U\nSAVEAS\nkept.vdb\nDXFOUT\nkept.dxf\nPLOT\nkept.svg\n\n\n\n\n\n");
    EXPECT_NE(run.out.find("VEMA unloaded."), std::string::npos) << run.out;
    const std::string refused = "VEMD cannot be unloaded: the drawing holds 1 object of its classes.";
    const size_t first = run.out.find(refused);
    ASSERT_NE(first, std::string::npos) << run.out;
    EXPECT_NE(run.out.find(refused, first + 1), std::string::npos) << "erased, it is still the drawing's";
    EXPECT_NE(run.out.find("Wrote kept.dxf"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Plotted kept.svg"), std::string::npos) << run.out;
    EXPECT_FALSE(readFile(dir.file("kept.vdb")).empty());
    // A drawing without them lets it go.
    run = runVemcad(dir, "ARX\nU\nVEMA\nARX\nU\nVEMD\n");
    EXPECT_NE(run.out.find("VEMD unloaded."), std::string::npos) << run.out;
}
