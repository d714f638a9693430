// The recovery journal's file: a fixed opening, then frames, each its payload's length
// and checksum followed by the payload, so that a frame cut short by a crash is known
// and left out with everything after it. The session writing a journal holds a lock on
// it; a journal that nobody holds was left by a session that ended unexpectedly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vemcad {

// A checksum of bytes that tells a whole frame from a torn or stale one (not a
// cryptographic hash). Fed in any pieces, it gives what it gives for the whole.
class Checksum {
public:
    Checksum();
    void add(const unsigned char* data, std::size_t size);
    std::uint64_t value() const;

private:
    void addBlock(const unsigned char* block);

    std::uint64_t m_lanes[4];
    std::uint64_t m_total = 0;
    unsigned char m_pending[32];
    std::size_t m_pendingSize = 0;
};

// The payloads of a journal's whole frames, as offsets into the file's bytes, and where
// the last whole frame ends (what follows it is the torn frame of a crash, if anything).
// A file that does not open as a journal has none.
struct FrameSpan {
    std::size_t offset = 0;
    std::size_t size = 0;
};
struct JournalFrames {
    std::vector<FrameSpan> frames;
    std::uint64_t end = 0;
};
JournalFrames readFrames(const std::vector<unsigned char>& file);

class JournalFile {
public:
    enum class Claim { kClaimed, kHeldElsewhere, kMissing, kFailed };

    JournalFile() = default;
    JournalFile(const JournalFile&) = delete;
    JournalFile& operator=(const JournalFile&) = delete;
    // Closes the file (giving up its lock) and leaves it where it is.
    ~JournalFile();

    // Creates a journal at path whose first frame is firstFrame, locked, only where no
    // file of that name exists: the name shows only once the first frame is in it.
    // False with the reason when the name is taken or no file can be made.
    bool create(const std::string& path, const std::vector<unsigned char>& firstFrame, std::string& reason);
    // Opens and locks the existing journal at path, when no session holds it.
    Claim claim(const std::string& path, std::string& reason);

    bool isOpen() const { return m_fd >= 0; }
    const std::string& path() const { return m_path; }

    // The whole file as it stands.
    bool readAll(std::vector<unsigned char>& bytes, std::string& reason) const;
    // Drops whatever follows end (a torn frame), so that frames appended next follow
    // the last whole one.
    bool cutAfter(std::uint64_t end, std::string& reason);

    // ---- appending one frame, its payload given in pieces ----
    void beginFrame();
    void append(const void* data, std::size_t size);
    // The payload not written yet, for a writer to add to its end in place; pieceGrown
    // after it did.
    std::vector<unsigned char>& piece() { return m_piece; }
    void pieceGrown();
    // Writes what is left of the payload, then the frame's length and checksum in front
    // of it: a crash before that leaves a frame that reads as torn. False with the
    // reason when the file takes no more; the frame is then taken back.
    bool endFrame(std::string& reason);
    // Takes back the frame begun, whatever of it was written.
    void abandonFrame();

    // Closes the file, removing it.
    void remove();
    // Closes the file, leaving it (with its frames) for a later session.
    void close();

private:
    bool begin(const std::string& path, const std::vector<unsigned char>& firstFrame, std::string& reason);
    bool flushPiece(std::string& reason);
    bool writeAt(std::uint64_t offset, const unsigned char* data, std::size_t size, std::string& reason);
    bool lockOrClose(std::string& reason, bool& heldElsewhere);

    int m_fd = -1;
    std::string m_path;
    std::uint64_t m_end = 0;         // where the last whole frame ends
    std::uint64_t m_written = 0;     // payload bytes of the open frame already written
    std::vector<unsigned char> m_piece;  // payload not written yet
    Checksum m_checksum;
    bool m_frameFailed = false;
    std::string m_frameError;
};

// Appending a payload's fields, little-endian, to a buffer.
void putU8(std::vector<unsigned char>& out, std::uint8_t value);
void putU32(std::vector<unsigned char>& out, std::uint32_t value);
void putU64(std::vector<unsigned char>& out, std::uint64_t value);
void putText(std::vector<unsigned char>& out, const std::string& text);  // u32 length, then the bytes

// Reads a payload's fields within its bounds; any read past them fails, and stays failed.
class PayloadReader {
public:
    PayloadReader(const unsigned char* data, std::size_t size) : m_data(data), m_size(size) {}
    bool ok() const { return m_ok; }
    bool atEnd() const { return m_pos >= m_size; }
    std::uint8_t u8();
    std::uint32_t u32();
    std::uint64_t u64();
    std::string text();
    // The next size bytes, skipped; their offset within the payload.
    std::size_t skip(std::size_t size);

private:
    bool take(std::size_t size);

    const unsigned char* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    bool m_ok = true;
};

}  // namespace vemcad
