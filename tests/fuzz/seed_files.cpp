// Seed files of the fuzz targets' corpora.
#include <fstream>

#include "fuzz_support.h"

namespace fuzz {

void writeSeed(const std::string& dir, const std::string& name, const std::vector<unsigned char>& bytes)
{
    std::ofstream out(dir + "/" + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void writeSeed(const std::string& dir, const std::string& name, const std::string& text)
{
    writeSeed(dir, name, std::vector<unsigned char>(text.begin(), text.end()));
}

}  // namespace fuzz
