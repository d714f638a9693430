// Telling a drawing's file apart from what another program wrote in its place: its
// status, and for a file written within the last moments its contents' hash.
#include "file_identity.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <ctime>

namespace vemio {

namespace {

// How close to now a file time must be for a later write to possibly keep it.
const long long kCoarseTimeSeconds = 2;

bool writtenJustNow(const struct stat& st)
{
    struct timespec now = {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<long long>(now.tv_sec) - static_cast<long long>(st.st_mtim.tv_sec) <= kCoarseTimeSeconds;
}

// A 64-bit hash of the file's bytes, eight at a time; false when it cannot be read.
bool hashContents(const std::string& path, unsigned long long& hash)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    unsigned long long h = 0x9E3779B97F4A7C15ull;
    unsigned long long total = 0;
    unsigned char buf[1 << 16];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) {
        total += static_cast<unsigned long long>(n);
        for (ssize_t i = 0; i < n; i += 8) {
            unsigned long long word = 0;
            std::memcpy(&word, buf + i, size_t(n - i < 8 ? n - i : 8));
            h = (h ^ word) * 0xFF51AFD7ED558CCDull;
            h ^= h >> 32;
        }
    }
    ::close(fd);
    hash = h ^ total;
    return n == 0;
}

}  // namespace

acrt::StoredFile describeFile(const std::string& path, const struct stat& st)
{
    acrt::StoredFile file;
    file.path = path;
    file.device = static_cast<unsigned long long>(st.st_dev);
    file.inode = static_cast<unsigned long long>(st.st_ino);
    file.size = static_cast<unsigned long long>(st.st_size);
    file.modifiedSeconds = static_cast<long long>(st.st_mtim.tv_sec);
    file.modifiedNanoseconds = static_cast<long long>(st.st_mtim.tv_nsec);
    file.hashed = writtenJustNow(st) && hashContents(path, file.contentHash);
    return file;
}

bool fileChangedSince(const acrt::StoredFile& stored)
{
    struct stat st;
    if (::stat(stored.path.c_str(), &st) != 0)
        return false;
    if (static_cast<unsigned long long>(st.st_dev) != stored.device ||
        static_cast<unsigned long long>(st.st_ino) != stored.inode ||
        static_cast<unsigned long long>(st.st_size) != stored.size ||
        static_cast<long long>(st.st_mtim.tv_sec) != stored.modifiedSeconds ||
        static_cast<long long>(st.st_mtim.tv_nsec) != stored.modifiedNanoseconds)
        return true;
    unsigned long long hash = 0;
    return stored.hashed && (!hashContents(stored.path, hash) || hash != stored.contentHash);
}

}  // namespace vemio
