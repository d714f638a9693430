// The group-pair layer of ASCII DXF input: a file held in memory read as pairs of a
// group code and its value, each value a view into the file, with the line it stands
// on for messages. Numbers and handles are read from values without allocating.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "vemio_port.h"

namespace vemio {

struct DxfPair {
    int code = 0;
    std::string_view value;  // without its line break; spaces kept (texts may hold them)
    std::size_t line = 0;    // of the code, counted from 1
};

// Reads pairs from text, which must outlive the tokenizer. Line breaks are LF or CRLF;
// spaces around a code are allowed. A code that is not a number, a code without its
// value and a line of absurd length end the reading with an error naming the line.
class VEMIO_PORT DxfTokenizer {
public:
    explicit DxfTokenizer(std::string_view text);

    // The next pair; false at the end of the text or on an error (then error() is set).
    bool next(DxfPair& pair);
    // Puts the pair just read back, for the next call of next to return again.
    void unread() { m_unread = true; }
    bool failed() const { return !m_error.empty(); }
    const std::string& error() const { return m_error; }
    // Ends reading with an error about the pair pair.
    bool fail(const DxfPair& pair, std::string_view what);
    // The text ended before what was being read was whole: an error naming the last
    // line (unless there is an error already). Always false.
    bool failAtEnd(std::string_view what);

private:
    bool line(std::string_view& out);

    std::string_view m_text;
    std::size_t m_at = 0;
    std::size_t m_line = 0;
    DxfPair m_last;
    bool m_unread = false;
    std::string m_error;
};

// At most 40 bytes of a value, fit for a message: bytes other than printable ASCII
// become '?'.
VEMIO_PORT std::string printable(std::string_view value);

// Values as numbers: spaces around them allowed, the whole value used. False when the
// value is not such a number (a real must be finite).
VEMIO_PORT bool parseDxfInt(std::string_view value, long long& out);
VEMIO_PORT bool parseDxfReal(std::string_view value, double& out);
// A handle: 1 to 16 hexadecimal digits.
VEMIO_PORT bool parseDxfHandle(std::string_view value, std::uint64_t& out);

}  // namespace vemio
