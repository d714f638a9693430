// Replacing a file whole: a temporary beside the target, flushed, renamed into place,
// and the replaced file kept as a backup when asked; temporaries of processes that are
// gone removed, and a database's journals kept with the file they belong to.
#include "file_replacement.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <vector>

namespace vemio {

namespace {

std::string quoted(const std::string& path) { return "'" + path + "'"; }

std::string directoryOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// What names a temporary of target: "." and the start of its name, then the mark.
// The name is cut (at a character boundary) so that the temporary's name stays short.
const size_t kNameKept = 24;
const char* const kTemporaryMark = "~vem";

std::string temporaryPrefix(const std::string& target)
{
    std::string name = nameOf(target);
    if (name.size() > kNameKept) {
        size_t cut = kNameKept;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.resize(cut);
    }
    return "." + name + kTemporaryMark;
}

// A name beside target that no other write uses.
std::string unusedName(const std::string& target)
{
    static std::atomic<unsigned> counter{0};
    return directoryOf(target) + "/" + temporaryPrefix(target) + std::to_string(::getpid()) + "-" +
           std::to_string(counter++);
}

// A file removed when the scope ends, unless it was released (renamed into place).
class ScopedFile {
public:
    ScopedFile() = default;
    ScopedFile(const ScopedFile&) = delete;
    ScopedFile& operator=(const ScopedFile&) = delete;
    ~ScopedFile() { discard(); }

    void discard()
    {
        if (!m_path.empty())
            ::unlink(m_path.c_str());
        m_path.clear();
    }
    void take(std::string path) { m_path = std::move(path); }
    void release() { m_path.clear(); }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// A new empty file beside target, created exclusively; it takes the permissions of
// existing when given, else the usual ones for a new file.
bool createBeside(const std::string& target, const struct stat* existing, ScopedFile& file, std::string& reason)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = unusedName(target);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0) {
            reason = std::string("its folder takes no new file (") + std::strerror(errno) + ")";
            return false;
        }
        if (existing != nullptr)
            ::fchmod(fd, existing->st_mode & 07777);
        ::close(fd);
        file.take(std::move(name));
        return true;
    }
    reason = "no unused name for a temporary file";
    return false;
}

// Copies a file's bytes into another, flushed to the disk; false with the reason.
bool copyFile(const std::string& from, const std::string& to, std::string& reason)
{
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    int out = in < 0 ? -1 : ::open(to.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    bool ok = in >= 0 && out >= 0;
    char buf[1 << 16];
    while (ok) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n <= 0) {
            ok = n == 0 && ::fsync(out) == 0;
            break;
        }
        for (ssize_t done = 0; ok && done < n;) {
            const ssize_t w = ::write(out, buf + done, size_t(n - done));
            ok = w > 0;
            done += w;
        }
    }
    if (!ok)
        reason = std::strerror(errno);
    if (in >= 0)
        ::close(in);
    if (out >= 0)
        ::close(out);
    return ok;
}

// A new name beside target holding what source holds: a hard link to it, or a copy
// where the file system has no hard links.
bool holdPrevious(const std::string& source, const std::string& target, ScopedFile& held, std::string& reason)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = unusedName(target);
        if (::link(source.c_str(), name.c_str()) == 0) {
            held.take(std::move(name));
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    struct stat st;
    if (::stat(source.c_str(), &st) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    return createBeside(target, &st, held, reason) && copyFile(source, held.path(), reason);
}

// Flushes a file (or directory) to the disk; empty on success, else the reason.
std::string flushToDisk(const std::string& path, bool directory)
{
    int fd = ::open(path.c_str(), (directory ? O_RDONLY | O_DIRECTORY : O_RDONLY) | O_CLOEXEC);
    if (fd < 0)
        return std::strerror(errno);
    std::string reason;
    if (::fsync(fd) != 0)
        reason = std::strerror(errno);
    ::close(fd);
    return reason;
}

// ---- temporaries of processes that are gone -------------------------------------------

// "PID-N" and nothing more: the process number of a temporary's name.
bool processOfTemporary(const std::string& rest, pid_t& pid)
{
    const size_t dash = rest.find('-');
    auto digits = [](const std::string& s) {
        return !s.empty() && s.size() <= 10 && s.find_first_not_of("0123456789") == std::string::npos;
    };
    if (dash == std::string::npos || !digits(rest.substr(0, dash)) || !digits(rest.substr(dash + 1)))
        return false;
    const long long number = std::stoll(rest.substr(0, dash));
    if (number <= 0 || number > 0x7FFFFFFF)
        return false;
    pid = pid_t(number);
    return true;
}

bool processIsGone(pid_t pid) { return pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH; }

// Removes the temporaries of target (and those NAME.tmp-PID-N that earlier versions
// made) whose process no longer runs: regular files of this user only.
void removeTemporariesOfGoneProcesses(const std::string& target)
{
    const std::string directory = directoryOf(target);
    const std::string prefixes[] = {temporaryPrefix(target), nameOf(target) + ".tmp-"};
    DIR* dir = ::opendir(directory.c_str());
    if (dir == nullptr)
        return;
    std::vector<std::string> gone;
    while (const struct dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        for (const std::string& prefix : prefixes) {
            pid_t pid = 0;
            if (name.compare(0, prefix.size(), prefix) == 0 && processOfTemporary(name.substr(prefix.size()), pid) &&
                processIsGone(pid))
                gone.push_back(directory + "/" + name);
        }
    }
    ::closedir(dir);
    for (const std::string& path : gone) {
        struct stat st;
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid())
            ::unlink(path.c_str());
    }
}

// ---- a database's journals ---------------------------------------------------------------

const char* const kJournalSuffixes[] = {"-wal", "-journal", "-shm"};

void removeJournalsOf(const std::string& file)
{
    for (const char* suffix : kJournalSuffixes)
        ::unlink((file + suffix).c_str());
}

// The journals of a file moved to temporaries while a new file takes its name: put
// back if it does not, then moved beside the file kept as the backup, or removed.
class JournalsAside {
public:
    JournalsAside() = default;
    JournalsAside(const JournalsAside&) = delete;
    JournalsAside& operator=(const JournalsAside&) = delete;
    ~JournalsAside() { discard(); }

    bool setAside(const std::string& file, std::string& reason)
    {
        for (const char* suffix : kJournalSuffixes) {
            const std::string journal = file + suffix;
            struct stat st;
            if (::lstat(journal.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
                continue;
            std::string aside = unusedName(file);
            if (::rename(journal.c_str(), aside.c_str()) != 0) {
                reason = std::strerror(errno);
                moveBeside(file);
                return false;
            }
            m_moved.push_back({suffix, std::move(aside)});
        }
        return true;
    }
    // Renames them to file's journal names (replacing nothing: file has none).
    void moveBeside(const std::string& file)
    {
        for (const Moved& moved : m_moved)
            ::rename(moved.aside.c_str(), (file + moved.suffix).c_str());
        m_moved.clear();
    }
    void discard()
    {
        for (const Moved& moved : m_moved)
            ::unlink(moved.aside.c_str());
        m_moved.clear();
    }

private:
    struct Moved {
        const char* suffix;
        std::string aside;
    };
    std::vector<Moved> m_moved;
};

}  // namespace

bool resolveLinks(const std::string& path, std::string& resolved, std::string& reason)
{
    std::string at = path;
    for (int links = 0; links <= 40; ++links) {
        struct stat st;
        if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            resolved = at;
            return true;
        }
        std::vector<char> buf(size_t(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t n = ::readlink(at.c_str(), buf.data(), buf.size());
        if (n < 0 || size_t(n) >= buf.size()) {
            reason = n < 0 ? std::strerror(errno) : "a symbolic link changed while it was read";
            return false;
        }
        const std::string link(buf.data(), size_t(n));
        at = link[0] == '/' ? link : directoryOf(at) + "/" + link;
    }
    reason = "too many levels of symbolic links";
    return false;
}

FileReplacement::~FileReplacement()
{
    if (!m_scratch.empty())
        ::unlink(m_scratch.c_str());
}

bool FileReplacement::begin(const std::string& path, std::string& reason, Kind kind)
{
    m_kind = kind;
    if (!resolveLinks(path, m_target, reason))
        return false;
    struct stat existing;
    m_targetExists = ::stat(m_target.c_str(), &existing) == 0;
    if (m_targetExists && !S_ISREG(existing.st_mode)) {
        reason = "not a regular file";
        return false;
    }
    removeTemporariesOfGoneProcesses(m_target);
    ScopedFile scratch;
    if (!createBeside(m_target, m_targetExists ? &existing : nullptr, scratch, reason))
        return false;
    m_scratch = scratch.path();
    scratch.release();
    return true;
}

// The target holds a whole file at every moment: the new one is flushed before the
// rename, and the previous one is linked beside the backup before it, then renamed
// over the backup after it. A database's journals leave the target's name before the
// new file takes it (SQLite would apply them to whatever file has the name) and go
// where the file they belong to goes.
bool FileReplacement::commit(std::string& reason, std::string& warning, const std::string& backupPath,
                             const StepCheck& check)
{
    auto injected = [&check] { return check ? check() : std::string(); };
    if (m_scratch.empty()) {
        reason = "there is no new file";
        return false;
    }
    std::string failure = injected();
    const std::string flushed = failure.empty() ? flushToDisk(m_scratch, false) : failure;
    if (!flushed.empty()) {
        reason = "flushing the file failed: " + flushed;
        return false;
    }
    if (::stat(m_scratch.c_str(), &m_placed) != 0)
        m_placed = {};
    ScopedFile previous;
    if (!backupPath.empty() && m_targetExists && backupPath != m_target) {
        failure = injected();
        if (!failure.empty() || !holdPrevious(m_target, backupPath, previous, reason)) {
            reason = "keeping the previous version failed: " + (failure.empty() ? reason : failure);
            return false;
        }
    }
    JournalsAside journals;
    if (m_kind == Kind::kSqliteDatabase && !journals.setAside(m_target, reason)) {
        reason = "moving the journal files beside it failed: " + reason;
        return false;
    }
    failure = injected();
    if (failure.empty() && ::rename(m_scratch.c_str(), m_target.c_str()) != 0)
        failure = std::strerror(errno);
    if (!failure.empty()) {
        journals.moveBeside(m_target);
        reason = "replacing the file failed: " + failure;
        return false;
    }
    m_scratch.clear();
    if (!previous.path().empty()) {
        if (m_kind == Kind::kSqliteDatabase)
            removeJournalsOf(backupPath);
        if (::rename(previous.path().c_str(), backupPath.c_str()) == 0) {
            previous.release();
            journals.moveBeside(backupPath);
        } else {
            warning = "the previous version could not be kept as " + quoted(backupPath) + ": " + std::strerror(errno);
        }
    }
    journals.discard();
    // The rename is done; flushing the directory only makes it durable sooner.
    flushToDisk(directoryOf(m_target), true);
    return true;
}

}  // namespace vemio
