// Scratch directories through std::filesystem: a name no other directory has, taken
// by creating it, and everything in it removed at the end.
#include "scratch_dir.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <system_error>

namespace test_support {

namespace fs = std::filesystem;

namespace {

// Process id, a counter and a random number: unique among the processes running now
// and unlikely to meet a directory an earlier run left behind.
std::string uniqueSuffix()
{
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    return std::to_string(::getpid()) + "_" + std::to_string(counter++) + "_" + std::to_string(seed % 1000000u);
}

}  // namespace

ScratchDir::ScratchDir(const std::string& prefix)
{
    const fs::path base = fs::temp_directory_path();
    for (;;) {
        const fs::path candidate = base / (prefix + "_" + uniqueSuffix());
        // create_directory is false when the name is taken: try the next one.
        if (fs::create_directory(candidate)) {
            m_path = candidate.string();
            return;
        }
    }
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

std::string ScratchDir::file(const std::string& name) const { return m_path + "/" + name; }

std::vector<std::string> ScratchDir::entries() const
{
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(m_path, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string ScratchDir::listing() const
{
    std::string out;
    for (const std::string& name : entries())
        out += name + "\n";
    return out;
}

void ScratchDir::clear() const
{
    std::error_code ignored;
    for (const std::string& name : entries())
        fs::remove_all(file(name), ignored);
}

}  // namespace test_support
