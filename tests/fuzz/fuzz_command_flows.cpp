// Fuzz target: vemcad's script reader and command flows. The input is a script, read
// as vemcad reads one and run line by line by a session with both modules loaded, on a
// small drawing made by a fixed script first (a coordinate system, point and line
// labels, a line, a polyline, a locked layer holding a label). After every command no
// object may be open and no selection set allocated; once the session ends, no object
// may outlive its drawing. File names stay inside a scratch directory: the input's
// slashes are dropped.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "console_io.h"
#include "fuzz_support.h"
#include "scratch_dir.h"
#include "session.h"
#include "vemhost_testing.h"

#ifndef VEM_BIN_DIR
#error "VEM_BIN_DIR must name the directory of the built modules"
#endif

namespace {

// The drawing every input starts from: the answers of the end-to-end tests' preamble
// plus the host's own entities and a locked layer.
const char kSampleScript[] =
    "EORI\n0,0\n\n\n\n\n\n\n\n\n\n"
    "ECOP\n0,5\n10,20\n15,25\n\n"
    "ECOL\n0,5\nA\n30,0\n\n"
    "LINE\n0,40\n50,40\n\n"
    "PLINE\n0,50\n20,50\n20,70\n\n"
    "LAYER\nN\nlocked\nS\nlocked\n\n"
    "ECOP\n0,5\n60,60\n65,65\n\n"
    "LAYER\nS\n0\nL\nlocked\n\n";

// Commands per script at most, so that every input stays quick.
const int kMaxCommands = 64;

// The process's scratch directory, emptied before every input and removed when the
// process exits.
const test_support::ScratchDir& scratchDir()
{
    static const test_support::ScratchDir dir("vem_fuzz_flows");
    return dir;
}

std::string writeScript(const std::string& name, const std::string& text)
{
    const std::string path = scratchDir().file(name);
    FILE* out = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(out != nullptr, "cannot write a script");
    std::fwrite(text.data(), 1, text.size(), out);
    std::fclose(out);
    return path;
}

// Session::run, with the checks after every command.
void runScript(vemcad::Session& session, const std::string& path)
{
    vemcad::ScriptInput script;
    std::string message;
    if (!script.load(path, message))
        return;
    vemhost::setInputProvider(&script);
    std::wstring name;
    for (int commands = 0; commands < kMaxCommands && !session.quitRequested() && session.nextCommand(name);) {
        session.runCommand(name);
        ++commands;
        FUZZ_CHECK(vemhost::testing::openObjectCount(session.db()) == 0, "a command left an object open");
        FUZZ_CHECK(vemhost::testing::openSelectionSetCount() == 0, "a command left a selection set");
        FUZZ_CHECK(!session.undo().inCommand(), "a command did not end its undo step");
        vemhost::takeCaptured();
    }
    vemhost::setInputProvider(nullptr);
    vemhost::discardPendingAnswer();
}

}  // namespace

// Relative file names of OPEN, SAVE and SAVEAS land in the scratch directory while an
// input runs; libFuzzer's own paths are relative to where it started.
class InScratchDir {
public:
    InScratchDir()
    {
        FUZZ_CHECK(::getcwd(m_previous, sizeof m_previous) != nullptr, "no working directory");
        FUZZ_CHECK(::chdir(scratchDir().path().c_str()) == 0, "cannot enter the scratch directory");
    }
    ~InScratchDir() { FUZZ_CHECK(::chdir(m_previous) == 0, "cannot go back to the working directory"); }

private:
    char m_previous[4096];
};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    InScratchDir inScratch;
    scratchDir().clear();
    std::string text(reinterpret_cast<const char*>(data), size);
    text.erase(std::remove(text.begin(), text.end(), '/'), text.end());
    const std::string sample = writeScript("sample.scr", kSampleScript);
    const std::string input = writeScript("input.scr", text);

    vemhost::testing::resetForTest();
    vemhost::startCapture();
    vemhost::setEchoAnswers(true);
    const long liveBefore = vemhost::testing::liveObjectCount();
    {
        vemcad::Session session(VEM_BIN_DIR);
        std::string message;
        FUZZ_CHECK(session.modules().load("VEMD", message), "the entity module does not load");
        FUZZ_CHECK(session.modules().load("VEMA", message), "the command module does not load");
        runScript(session, sample);
        runScript(session, input);
    }
    FUZZ_CHECK(vemhost::testing::liveObjectCount() == liveBefore, "an object outlived its drawing");
    vemhost::testing::resetForTest();
    return 0;
}

namespace fuzz {

// One script per command, with answers that reach every prompt, on the sample drawing.
void writeSeeds(const std::string& dir)
{
    //  name           script
    const char* const kScripts[][2] = {
        {"eori",       "EORI\n5,5\nX\nD\n100\nY\nL\n-50\n500\n2\n4\n"},
        {"ecop",       "ECOP\n0,5\n12,22\n18,28\n30,28\n"},
        {"ecol",       "ECOL\n0,5\nB\n33,3\n40,10\n"},
        {"copori",     "COPORI\n0,5\nALL\n\n"},
        {"colori",     "COLORI\n0,5\nW -100,-100 100,100\n\n"},
        {"copsca",     "COPSCA\n2\nALL\n\n"},
        {"colsca",     "COLSCA\n0.5\nC 25,-5 40,5\n\n"},
        {"copdec",     "COPDEC\n1\n10,20\n\n"},
        {"coldec",     "COLDEC\n0\nALL\n\n"},
        {"xall",       "XALL\nU\nXALL\n"},
        {"colist",     "COLIST\nALL\n\n"},
        {"cohelp",     "COHELP\n"},
        {"line",       "LINE\n1,1\n@10,0\n@10<90\n\n"},
        {"pline",      "PLINE\n0,0\n5,0\n5,5\n\n"},
        {"move",       "MOVE\n10,20\n\n0,0\n5,5\n"},
        {"copy",       "COPY\nALL\n\n0,0\n100,0\n200,0\n\nUNDO\n1\nREDO\n"},
        {"rotate",     "ROTATE\n10,20\n\n0,0\n45\n"},
        {"scale",      "SCALE\nALL\n\n0,0\n2\n"},
        {"mirror",     "MIRROR\nALL\n\n0,0\n0,10\nY\n"},
        {"stretch",    "STRETCH\nC\n9,19\n11,21\n\n10,20\n13,21\n"},
        {"grip",       "GRIP\n10,20\n10,20\n11,24\n"},
        {"erase",      "ERASE\nL\n\nU\n"},
        {"explode",    "EXPLODE\nALL\n\n"},
        {"list",       "LIST\nALL\n\n"},
        {"chspace",    "CHSPACE\n10,20\n\nPSPACE\nCHSPACE\nALL\n\nMSPACE\n"},
        {"undo",       "ERASE\nALL\n\nUNDO\n3\nREDO\nU\n"},
        {"layer",      "LAYER\nN\nx\nC\n3\nx\nU\nlocked\nS\nlocked\n\nERASE\n60,60\n\n"},
        {"setvar",     "SETVAR\nPICKBOX\n10\nSETVAR\nCLAYER\n0\nSETVAR\nTILEMODE\n0\n"},
        {"files",      "SAVEAS\nd.vdb\nERASE\nALL\n\nSAVE\nNEW\nOPEN\nd.vdb\nXALL\nQUIT\n"},
        {"modules",    "ARX\nU\nVEMA\nECOP\nARX\nL\nVEMA\nAPPLOAD\nVEMA64.arx\n"},
        {"circles",    "CIRCLE\n5,5\n3\nCIRCLE\n3P\n0,0\n4,0\n0,4\nARC\n0,0\n3,3\n6,0\nARC\nC\n0,0\n5,0\nA\n-90\n"},
        {"curves",     "ELLIPSE\n0,0\n10,0\n3\nSPLINE\n0,0\n5,8\n10,2\n\nPOINT\n3,3\n\nSETVAR\nPDMODE\n35\n"},
        {"texts",      "TEXT\n0,-5\n2.5\n0\nSite 坐标\nTEXT\nJ\nMC\n5,5\n3\n30\nMid\nDIST\n0,0\n3,4\nID\n1,1\n"},
        {"blocks",     "CIRCLE\n50,50\n2\nATTDEF\nNO\nNumber:\n1\n50,50\n1\n0\nBLOCK\nB\n50,50\nC\n47,47\n53,53\n\n"
                       "INSERT\nB\n20,30\n2\n1\n30\nA1\nEXPLODE\nL\n\nU\nMIRROR\nL\n\n0,0\n0,10\nY\n"},
        {"bad",        "EORI\n^C\nECOP\nabc\n\nCOPSCA\ninf\n^C\nCOPDEC\n1e999\nALL\n\nEORI\n0,0\n%s%n%x\n中文\n\n\n\n\n\n\n\n"},
    };
    for (const auto& s : kScripts)
        writeSeed(dir, s[0], std::string(s[1]));
}

}  // namespace fuzz
