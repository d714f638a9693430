// A directory of its own for a test or a fuzz run, under the system's temporary
// directory, removed with everything in it when the object goes. Free of gtest, so
// that the fuzz targets use it too.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace test_support {

class ScratchDir {
public:
    // Makes a new directory named after prefix; throws std::filesystem::filesystem_error
    // when none can be made.
    explicit ScratchDir(const std::string& prefix = "vem_test");
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return m_path; }
    // The path of name inside the directory.
    std::string file(const std::string& name) const;
    // The names the directory holds, sorted.
    std::vector<std::string> entries() const;
    // The same names, one per line, each ended by a line feed.
    std::string listing() const;
    // Removes everything the directory holds, leaving it empty.
    void clear() const;

private:
    std::string m_path;
};

}  // namespace test_support
