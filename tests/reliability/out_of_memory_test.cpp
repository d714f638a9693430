// vemcad under a real memory limit (the address-space limit of its process): a command
// that runs out of memory on a large drawing ends with a message and is undone, and
// the session goes on. Not under AddressSanitizer, which needs far more address space
// than any limit that would let a command fail.
#include <string>

#include "../host/shell/vemcad_runner.h"

#if defined(__SANITIZE_ADDRESS__)
#define VEM_NO_MEMORY_LIMIT 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VEM_NO_MEMORY_LIMIT 1
#endif
#endif

#ifndef VEM_NO_MEMORY_LIMIT
namespace {

// 120,000 lines, each drawn by a command of its own, saved as big.vdb.
void makeLargeDrawing(const ScratchDir& dir)
{
    std::string script;
    for (int i = 0; i < 120000; ++i)
        script += "LINE " + std::to_string(i % 400) + "," + std::to_string(i / 400) + " " +
                  std::to_string(i % 400 + 1) + "," + std::to_string(i / 400) + " \n";
    script += "SAVEAS\nbig.vdb\n";
    const VemcadRun run = runVemcad(dir, script, "--no-modules");
    ASSERT_EQ(run.status, 0);
}

std::size_t count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

}  // namespace
#endif

TEST(OutOfMemory, ACommandThatRunsOutIsUndoneAndTheSessionGoesOn)
{
#ifdef VEM_NO_MEMORY_LIMIT
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit allows";
#else
    ScratchDir dir("vem_oom");
    makeLargeDrawing(dir);
    // Twelve copies of everything at once (1.44 million lines) cannot fit. Its answers
    // are on one line, so that what is left of it goes when the command ends. Then
    // there is nothing to undo (no step of the copy is left), and a small command works.
    std::string copy = "COPY ALL  0,0";
    for (int i = 1; i <= 12; ++i)
        copy += " " + std::to_string(i) + ",0";
    const std::string script = copy + " \nU\nLINE 0,0 5,5 \n";
    bool failedOnce = false;
    for (const char* limitKb : {"300000", "400000"}) {
        const VemcadRun run = runVemcad(dir, script, "--no-modules big.vdb", std::string("ulimit -v ") + limitKb + "; ");
        const std::string stderrText = readFile(dir.file("stderr.txt"));
        EXPECT_EQ(run.status, 0) << limitKb << ": " << stderrText;
        EXPECT_EQ(stderrText.find("terminate"), std::string::npos) << limitKb;
        if (run.out.find("COPY: out of memory; the command is undone.") == std::string::npos)
            continue;
        failedOnce = true;
        EXPECT_NE(run.out.find("Command: U\nEverything has been undone"), std::string::npos) << limitKb;
        EXPECT_EQ(count(run.out, "could not be copied"), 0u) << limitKb;
        EXPECT_NE(run.out.find("Specify next point: 5,5"), std::string::npos) << limitKb;
    }
    EXPECT_TRUE(failedOnce) << "no limit made COPY run out of memory";
#endif
}
