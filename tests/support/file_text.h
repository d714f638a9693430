// What a test reads back from a file it made: the whole file, and how often a piece of
// text stands in it.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace test_support {

// The file's bytes; empty when it cannot be read.
inline std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// How many times what stands in text, overlapping ones counted.
inline std::size_t occurrences(const std::string& text, const std::string& what)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

}  // namespace test_support
