// Runs the vemcad program on a script in a scratch directory and returns what it
// printed, for the end-to-end tests.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

struct VemcadRun {
    int status = -1;
    std::string out;
};

class ScratchDir {
public:
    ScratchDir()
    {
        char tmpl[] = "/tmp/vemcad_test_XXXXXX";
        char* dir = ::mkdtemp(tmpl);
        m_path = dir ? dir : "/tmp";
    }
    ~ScratchDir() { std::system(("rm -rf '" + m_path + "'").c_str()); }
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

inline VemcadRun runVemcad(const ScratchDir& dir, const std::string& script, const std::string& args = "")
{
    std::string scriptPath = dir.file("run.scr");
    std::ofstream(scriptPath) << script;
    std::string cmd = "cd '" + dir.path() + "' && '" VEM_BIN_DIR "/vemcad' " + args + " --script '" + scriptPath +
                      "' 2>'" + dir.file("stderr.txt") + "'";
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
