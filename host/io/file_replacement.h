// Writing a file so that it is replaced whole or not at all, as drawings, DXF files
// and plots are: the new contents go to a temporary file created (exclusively) beside
// the target, which is flushed to the disk and only then renamed over the target. A
// symbolic link is written through, so the link stays a link (a dangling one gets the
// file it points at); the temporary takes the permissions of the file it replaces. The
// temporary is removed on every path that does not put it in place, so a failure
// leaves the target as it was and nothing else.
//
// Temporary files are named ".NAME~vemPID-N" (NAME cut to a few characters), short
// enough for the longest legal file name and easy to tell apart. Those of a process
// that no longer runs (killed in the middle of a write) are removed by the next
// replacement of the same file.
#pragma once

#include <sys/stat.h>

#include <functional>
#include <string>

namespace vemio {

// The file path names once symbolic links are followed (up to 40 of them); a dangling
// link names the file it points at. False, with the reason, for a loop of links or a
// link that cannot be read.
bool resolveLinks(const std::string& path, std::string& resolved, std::string& reason);

class FileReplacement {
public:
    // Asked before each step of commit (flushing, keeping the previous file, renaming):
    // a non-empty answer fails that step with the answer as its reason. The seam
    // through which tests make a save fail at a chosen step.
    using StepCheck = std::function<std::string()>;

    // What sits beside a file of its kind. A SQLite database's journals (NAME-wal,
    // NAME-shm, NAME-journal) belong to whatever file has its name: a replaced
    // database's journals go with it to the backup, or are removed with it.
    enum class Kind { kPlain, kSqliteDatabase };

    FileReplacement() = default;
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;
    ~FileReplacement();

    // Creates the empty temporary beside the file path names, first removing the
    // temporaries of that file left by processes that are gone; false with the reason
    // (the target is not a regular file, or its folder takes no new file).
    bool begin(const std::string& path, std::string& reason, Kind kind = Kind::kPlain);

    // The file path resolves to, and the temporary to write the new contents to.
    const std::string& target() const { return m_target; }
    const std::string& scratchPath() const { return m_scratch; }

    // Flushes the temporary to the disk and renames it over the target. Given a
    // backupPath (other than the target), the file replaced is kept there, replacing
    // what is there only once the new file is in place; should that last rename fail,
    // the commit still succeeds with a warning. False with the reason otherwise, the
    // target (and the backup, and the journals beside both) untouched.
    bool commit(std::string& reason, std::string& warning, const std::string& backupPath = std::string(),
                const StepCheck& check = StepCheck());

    // The new file as it was put in place (after a commit): device, inode, size and
    // modification time, which stay its own until something else writes the file.
    const struct stat& placed() const { return m_placed; }

private:
    std::string m_target;
    std::string m_scratch;
    Kind m_kind = Kind::kPlain;
    bool m_targetExists = false;
    struct stat m_placed = {};
};

}  // namespace vemio
