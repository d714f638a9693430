// Writing a file so that it is replaced whole or not at all, as drawings, DXF files
// and plots are: the new contents go to a temporary file created (exclusively) beside
// the target, which is flushed to the disk and only then renamed over the target. A
// symbolic link is followed, so the link stays a link; the temporary takes the
// permissions of the file it replaces. The temporary is removed on every path that
// does not put it in place, so a failure leaves the target as it was and nothing else.
#pragma once

#include <functional>
#include <string>

namespace vemio {

class FileReplacement {
public:
    // Asked before each step of commit (flushing, keeping the previous file, renaming):
    // a non-empty answer fails that step with the answer as its reason. The seam
    // through which tests make a save fail at a chosen step.
    using StepCheck = std::function<std::string()>;

    FileReplacement() = default;
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;
    ~FileReplacement();

    // Creates the empty temporary beside the file path names; false with the reason
    // (the target is not a regular file, or its folder takes no new file).
    bool begin(const std::string& path, std::string& reason);

    // The file path resolves to, and the temporary to write the new contents to.
    const std::string& target() const { return m_target; }
    const std::string& scratchPath() const { return m_scratch; }

    // Flushes the temporary to the disk and renames it over the target. Given a
    // backupPath (other than the target), the file replaced is kept there, replacing
    // what is there only once the new file is in place; should that last rename fail,
    // the commit still succeeds with a warning. False with the reason otherwise, the
    // target (and the backup) untouched.
    bool commit(std::string& reason, std::string& warning, const std::string& backupPath = std::string(),
                const StepCheck& check = StepCheck());

private:
    std::string m_target;
    std::string m_scratch;
    bool m_targetExists = false;
};

}  // namespace vemio
