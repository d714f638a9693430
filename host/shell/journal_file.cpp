// The journal's file: frames appended with pwrite, locked with flock, created under its
// name only once its first frame is written.
//
//   opening   16 bytes "VEM journal 1\n\0\0"
//   frame     u64 payload length, u64 checksum of the payload, then the payload; a
//             length of 0 (a frame whose head was never written), one past the end
//             or a wrong checksum ends the journal there
#include "journal_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vemcad {

namespace {

const unsigned char kOpening[16] = {'V', 'E', 'M', ' ', 'j', 'o', 'u', 'r', 'n', 'a', 'l', ' ', '1', '\n', 0, 0};
constexpr std::size_t kFrameHead = 16;
// Payload is written in pieces of this size, so that a frame of a large command never
// sits whole in memory.
constexpr std::size_t kPieceSize = std::size_t(1) << 20;

constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
constexpr std::uint64_t kPrime3 = 0x165667B19E3779F9ull;

std::uint64_t rotl(std::uint64_t x, int r) { return (x << r) | (x >> (64 - r)); }

std::uint64_t readLe64(const unsigned char* p)
{
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

void writeLe64(unsigned char* p, std::uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

std::string systemError(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

std::string directoryOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

// ---- checksum: four lanes of 64-bit words, then the tail ----------------------------------

Checksum::Checksum() : m_lanes{kPrime1 + kPrime2, kPrime2, 0, 0 - kPrime1} {}

void Checksum::addBlock(const unsigned char* block)
{
    for (int i = 0; i < 4; ++i)
        m_lanes[i] = rotl(m_lanes[i] + readLe64(block + 8 * i) * kPrime2, 31) * kPrime1;
}

void Checksum::add(const unsigned char* data, std::size_t size)
{
    m_total += size;
    if (m_pendingSize > 0) {
        const std::size_t fill = std::min(size, sizeof m_pending - m_pendingSize);
        std::memcpy(m_pending + m_pendingSize, data, fill);
        m_pendingSize += fill;
        data += fill;
        size -= fill;
        if (m_pendingSize < sizeof m_pending)
            return;
        addBlock(m_pending);
        m_pendingSize = 0;
    }
    for (; size >= 32; data += 32, size -= 32)
        addBlock(data);
    std::memcpy(m_pending, data, size);
    m_pendingSize = size;
}

std::uint64_t Checksum::value() const
{
    std::uint64_t h = rotl(m_lanes[0], 1) + rotl(m_lanes[1], 7) + rotl(m_lanes[2], 12) + rotl(m_lanes[3], 18);
    h += m_total;
    for (std::size_t i = 0; i < m_pendingSize; ++i)
        h = rotl(h ^ (m_pending[i] * kPrime3), 11) * kPrime1;
    h ^= h >> 33;
    h *= kPrime2;
    h ^= h >> 29;
    h *= kPrime3;
    return h ^ (h >> 32);
}

// ---- reading -----------------------------------------------------------------------------

JournalFrames readFrames(const std::vector<unsigned char>& file)
{
    JournalFrames read;
    if (file.size() < sizeof kOpening || std::memcmp(file.data(), kOpening, sizeof kOpening) != 0)
        return read;
    std::size_t at = sizeof kOpening;
    while (file.size() - at >= kFrameHead) {
        const std::uint64_t length = readLe64(file.data() + at);
        const std::uint64_t sum = readLe64(file.data() + at + 8);
        if (length == 0 || length > file.size() - at - kFrameHead)
            break;
        Checksum check;
        check.add(file.data() + at + kFrameHead, std::size_t(length));
        if (check.value() != sum)
            break;
        read.frames.push_back({at + kFrameHead, std::size_t(length)});
        at += kFrameHead + std::size_t(length);
    }
    read.end = at;
    return read;
}

// ---- the file ----------------------------------------------------------------------------

JournalFile::~JournalFile() { close(); }

void JournalFile::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_path.clear();
    m_piece = std::vector<unsigned char>();
}

void JournalFile::remove()
{
    if (m_fd >= 0)
        ::unlink(m_path.c_str());
    close();
}

bool JournalFile::lockOrClose(std::string& reason, bool& heldElsewhere)
{
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
        return true;
    heldElsewhere = errno == EWOULDBLOCK;
    reason = heldElsewhere ? std::string("another session is writing it") : systemError("cannot lock it");
    ::close(m_fd);
    m_fd = -1;
    return false;
}

JournalFile::Claim JournalFile::claim(const std::string& path, std::string& reason)
{
    close();
    m_fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (m_fd < 0) {
        const bool missing = errno == ENOENT;
        reason = systemError("cannot open it");
        return missing ? Claim::kMissing : Claim::kFailed;
    }
    struct stat st;
    if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        reason = "it is not a file";
        ::close(m_fd);
        m_fd = -1;
        return Claim::kFailed;
    }
    bool heldElsewhere = false;
    if (!lockOrClose(reason, heldElsewhere))
        return heldElsewhere ? Claim::kHeldElsewhere : Claim::kFailed;
    m_path = path;
    m_end = std::uint64_t(st.st_size);
    return Claim::kClaimed;
}

// The file is made without a name (where the file system can), locked and given its
// opening and first frame, and only then linked under path: another session never
// finds a journal of that name that is empty or not yet locked.
bool JournalFile::create(const std::string& path, const std::vector<unsigned char>& firstFrame, std::string& reason)
{
    close();
    m_fd = ::open(directoryOf(path).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0644);
    if (m_fd >= 0) {
        if (begin(path, firstFrame, reason)) {
            const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0)
                return true;
            reason = errno == EEXIST ? std::string("another session is writing it") : systemError("cannot create it");
        }
        const bool taken = errno == EEXIST;
        close();
        if (taken)
            return false;
    }
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (m_fd < 0) {
        reason = errno == EEXIST ? std::string("another session is writing it") : systemError("cannot create it");
        return false;
    }
    if (begin(path, firstFrame, reason))
        return true;
    ::unlink(path.c_str());
    close();
    return false;
}

// Locks the new file and writes its opening and first frame.
bool JournalFile::begin(const std::string& path, const std::vector<unsigned char>& firstFrame, std::string& reason)
{
    bool heldElsewhere = false;
    if (!lockOrClose(reason, heldElsewhere))
        return false;
    m_path = path;
    m_end = 0;
    if (!writeAt(0, kOpening, sizeof kOpening, reason))
        return false;
    m_end = sizeof kOpening;
    beginFrame();
    append(firstFrame.data(), firstFrame.size());
    return endFrame(reason);
}

bool JournalFile::readAll(std::vector<unsigned char>& bytes, std::string& reason) const
{
    struct stat st;
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) {
        reason = systemError("cannot read it");
        return false;
    }
    bytes.resize(std::size_t(st.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(m_fd, bytes.data() + done, bytes.size() - done, off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            reason = n < 0 ? systemError("cannot read it") : std::string("it shrank while being read");
            return false;
        }
        done += std::size_t(n);
    }
    return true;
}

bool JournalFile::cutAfter(std::uint64_t end, std::string& reason)
{
    if (::ftruncate(m_fd, off_t(end)) != 0) {
        reason = systemError("cannot cut it");
        return false;
    }
    m_end = end;
    return true;
}

bool JournalFile::writeAt(std::uint64_t offset, const unsigned char* data, std::size_t size, std::string& reason)
{
    while (size > 0) {
        const ssize_t n = ::pwrite(m_fd, data, size, off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            reason = n < 0 ? systemError("cannot write it") : std::string("cannot write it");
            return false;
        }
        data += n;
        offset += std::uint64_t(n);
        size -= std::size_t(n);
    }
    return true;
}

// ---- appending a frame -------------------------------------------------------------------

void JournalFile::beginFrame()
{
    m_written = 0;
    m_piece.clear();
    m_checksum = Checksum();
    m_frameFailed = false;
}

// The piece buffer never grows past its size: what would not fit is written first, and
// a part larger than a piece goes straight to the file.
void JournalFile::append(const void* data, std::size_t size)
{
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    if (m_piece.size() + size > kPieceSize && !m_frameFailed)
        m_frameFailed = !flushPiece(m_frameError);
    if (size >= kPieceSize && !m_frameFailed) {
        m_frameFailed = !writeAt(m_end + kFrameHead + m_written, bytes, size, m_frameError);
        m_checksum.add(bytes, size);
        m_written += size;
        return;
    }
    if (!m_frameFailed)
        m_piece.insert(m_piece.end(), bytes, bytes + size);
}

void JournalFile::pieceGrown()
{
    if (m_piece.size() >= kPieceSize && !m_frameFailed)
        m_frameFailed = !flushPiece(m_frameError);
}

bool JournalFile::flushPiece(std::string& reason)
{
    if (m_piece.empty())
        return true;
    if (!writeAt(m_end + kFrameHead + m_written, m_piece.data(), m_piece.size(), reason))
        return false;
    m_checksum.add(m_piece.data(), m_piece.size());
    m_written += m_piece.size();
    m_piece.clear();
    return true;
}

bool JournalFile::endFrame(std::string& reason)
{
    bool ok = !m_frameFailed && flushPiece(reason);
    if (m_frameFailed)
        reason = m_frameError;
    const std::uint64_t length = m_written;
    unsigned char head[kFrameHead];
    writeLe64(head, length);
    writeLe64(head + 8, 0);
    ok = ok && length > 0;
    if (ok) {
        writeLe64(head + 8, m_checksum.value());
        ok = writeAt(m_end, head, sizeof head, reason);
    }
    if (!ok) {
        abandonFrame();
        return false;
    }
    // The frame is the kernel's now, safe from any end of this process; its way to the
    // disk is started without waiting for it.
    ::sync_file_range(m_fd, off_t(m_end), off_t(kFrameHead + length), SYNC_FILE_RANGE_WRITE);
    m_end += kFrameHead + length;
    return true;
}

void JournalFile::abandonFrame()
{
    std::string ignored;
    if (m_fd >= 0)
        cutAfter(m_end, ignored);
    m_written = 0;
    m_piece.clear();
}

// ---- payload fields ----------------------------------------------------------------------

void putU8(std::vector<unsigned char>& out, std::uint8_t value) { out.push_back(value); }

void putU32(std::vector<unsigned char>& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

void putU64(std::vector<unsigned char>& out, std::uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

void putText(std::vector<unsigned char>& out, const std::string& text)
{
    putU32(out, std::uint32_t(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}

bool PayloadReader::take(std::size_t size)
{
    if (!m_ok || size > m_size - m_pos) {
        m_ok = false;
        return false;
    }
    return true;
}

std::uint8_t PayloadReader::u8() { return take(1) ? m_data[m_pos++] : 0; }

std::uint32_t PayloadReader::u32()
{
    if (!take(4))
        return 0;
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | m_data[m_pos + std::size_t(i)];
    m_pos += 4;
    return v;
}

std::uint64_t PayloadReader::u64()
{
    if (!take(8))
        return 0;
    const std::uint64_t v = readLe64(m_data + m_pos);
    m_pos += 8;
    return v;
}

std::string PayloadReader::text()
{
    const std::uint32_t size = u32();
    if (!take(size))
        return std::string();
    std::string s(reinterpret_cast<const char*>(m_data + m_pos), size);
    m_pos += size;
    return s;
}

std::size_t PayloadReader::skip(std::size_t size)
{
    const std::size_t at = m_pos;
    if (take(size))
        m_pos += size;
    return at;
}

}  // namespace vemcad
