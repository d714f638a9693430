// Replacing a file whole: a temporary beside the target, flushed, renamed into place,
// and the replaced file kept as a backup when asked.
#include "file_replacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

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

// The file a write replaces: a symbolic link is followed, so the link stays a link.
std::string resolveTarget(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr)
        return path;
    std::string resolved(real);
    std::free(real);
    return resolved;
}

// A name beside target that no other write uses.
std::string unusedName(const std::string& target)
{
    static std::atomic<unsigned> counter{0};
    return target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
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

}  // namespace

FileReplacement::~FileReplacement()
{
    if (!m_scratch.empty())
        ::unlink(m_scratch.c_str());
}

bool FileReplacement::begin(const std::string& path, std::string& reason)
{
    m_target = resolveTarget(path);
    struct stat existing;
    m_targetExists = ::stat(m_target.c_str(), &existing) == 0;
    if (m_targetExists && !S_ISREG(existing.st_mode)) {
        reason = "not a regular file";
        return false;
    }
    ScopedFile scratch;
    if (!createBeside(m_target, m_targetExists ? &existing : nullptr, scratch, reason))
        return false;
    m_scratch = scratch.path();
    scratch.release();
    return true;
}

// The target holds a whole file at every moment: the new one is flushed before the
// rename, and the previous one is linked beside the backup before it, then renamed
// over the backup after it.
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
    ScopedFile previous;
    if (!backupPath.empty() && m_targetExists && backupPath != m_target) {
        failure = injected();
        if (!failure.empty() || !holdPrevious(m_target, backupPath, previous, reason)) {
            reason = "keeping the previous version failed: " + (failure.empty() ? reason : failure);
            return false;
        }
    }
    failure = injected();
    if (failure.empty() && ::rename(m_scratch.c_str(), m_target.c_str()) != 0)
        failure = std::strerror(errno);
    if (!failure.empty()) {
        reason = "replacing the file failed: " + failure;
        return false;
    }
    m_scratch.clear();
    if (!previous.path().empty()) {
        if (::rename(previous.path().c_str(), backupPath.c_str()) == 0)
            previous.release();
        else
            warning = "the previous version could not be kept as " + quoted(backupPath) + ": " + std::strerror(errno);
    }
    // The rename is done; flushing the directory only makes it durable sooner.
    flushToDisk(directoryOf(m_target), true);
    return true;
}

}  // namespace vemio
