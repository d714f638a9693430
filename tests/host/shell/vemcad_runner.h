// Runs the vemcad program on a script in a scratch directory and returns what it
// printed, for the end-to-end tests.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "scratch_dir.h"

struct VemcadRun {
    int status = -1;
    std::string out;
};

using test_support::ScratchDir;

// A word for sh -c that stands for exactly the text: single-quoted, each single quote
// closed, escaped and reopened.
inline std::string shellQuoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Runs vemcad in the directory on the script; args are further words of its command
// line, written by the test itself and passed to the shell as they are.
// A prefix, written by the test itself, goes before the program on the same shell line
// (for example "ulimit -v N; ").
inline VemcadRun runVemcad(const ScratchDir& dir, const std::string& script, const std::string& args = "",
                           const std::string& prefix = "")
{
    std::string scriptPath = dir.file("run.scr");
    std::ofstream(scriptPath) << script;
    const std::string cmd = "cd " + shellQuoted(dir.path()) + " && " + prefix + shellQuoted(VEM_BIN_DIR "/vemcad") + " " +
                            args + " --script " + shellQuoted(scriptPath) + " 2>" + shellQuoted(dir.file("stderr.txt"));
    VemcadRun run;
    FILE* pipe = ::popen(cmd.c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
        run.out.append(buf, n);
    int rc = ::pclose(pipe);
    run.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return run;
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The listing lines COLIST printed (each starts with 序号), in order.
inline std::vector<std::string> listingLines(const std::string& out)
{
    std::vector<std::string> lines;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        size_t p = line.find("序号");
        if (p != std::string::npos)
            lines.push_back(line.substr(p));
    }
    return lines;
}
