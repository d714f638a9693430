// Telling a drawing's file apart from what another program wrote in its place: its
// status, and for a file written within the last moments its contents' hash.
#include "file_identity.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
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

// Reads until buf is full or the file ends, so that every read of the same file cuts
// it in the same places; the bytes read, or -1.
ssize_t readFull(int fd, unsigned char* buf, size_t size)
{
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, buf + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += size_t(n);
    }
    return ssize_t(got);
}

// A 64-bit hash of the file's bytes, in four lanes of eight bytes (so that it runs at
// the speed of reading); false when the file cannot be read.
bool hashContents(const std::string& path, unsigned long long& hash)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const unsigned long long kMultiplier = 0xFF51AFD7ED558CCDull;
    unsigned long long lanes[4] = {0x9E3779B97F4A7C15ull, 0xC2B2AE3D27D4EB4Full, 0x165667B19E3779F9ull,
                                   0x27D4EB2F165667C5ull};
    unsigned long long total = 0;
    unsigned char buf[1 << 16];  // a multiple of the 32 bytes of the four lanes
    ssize_t n;
    while ((n = readFull(fd, buf, sizeof buf)) > 0) {
        total += static_cast<unsigned long long>(n);
        if (n % 32 != 0)  // the last piece, padded to the lanes with zeros
            std::memset(buf + n, 0, size_t(32 - n % 32));
        for (ssize_t i = 0; i < n; i += 32) {
            for (int lane = 0; lane < 4; ++lane) {
                unsigned long long word;
                std::memcpy(&word, buf + i + 8 * lane, sizeof word);
                lanes[lane] = (lanes[lane] ^ word) * kMultiplier;
                lanes[lane] ^= lanes[lane] >> 29;
            }
        }
    }
    ::close(fd);
    hash = total;
    for (unsigned long long lane : lanes)
        hash = (hash ^ lane) * kMultiplier;
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
