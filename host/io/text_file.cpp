// The text goes to the replacement's temporary, which is then put in place.
#include "text_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "file_replacement.h"

namespace vemio {

bool writeTextFile(const std::string& path, const std::string& text, std::string& error)
{
    FileReplacement replacement;
    std::string reason, warning;
    if (!replacement.begin(path, reason)) {
        error = reason;
        return false;
    }
    std::FILE* file = std::fopen(replacement.scratchPath().c_str(), "wb");
    if (file == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        error = std::string("writing failed: ") + std::strerror(errno);
        return false;
    }
    if (!replacement.commit(reason, warning)) {
        error = reason;
        return false;
    }
    return true;
}

}  // namespace vemio
