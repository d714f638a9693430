// Group pairs of ASCII DXF read in place: lines found with memchr, codes and numbers
// read with std::from_chars, nothing allocated per pair.
#include "dxf_tokens.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace vemio {

namespace {

// Longer lines are not DXF: values are at most a few thousand bytes.
constexpr std::size_t kMaxLine = 1 << 20;
constexpr int kMinCode = -5;
constexpr int kMaxCode = 1071;

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

}  // namespace

DxfTokenizer::DxfTokenizer(std::string_view text) : m_text(text)
{
    // A byte-order mark before the first code is passed over.
    if (m_text.substr(0, 3) == "\xEF\xBB\xBF")
        m_at = 3;
}

bool DxfTokenizer::line(std::string_view& out)
{
    if (m_at >= m_text.size())
        return false;
    const char* begin = m_text.data() + m_at;
    const std::size_t left = m_text.size() - m_at;
    const void* found = std::memchr(begin, '\n', left);
    const std::size_t length = found != nullptr ? std::size_t(static_cast<const char*>(found) - begin) : left;
    m_at += found != nullptr ? length + 1 : length;
    ++m_line;
    out = std::string_view(begin, length);
    if (!out.empty() && out.back() == '\r')
        out.remove_suffix(1);
    return true;
}

bool DxfTokenizer::fail(const DxfPair& pair, std::string_view what)
{
    if (m_error.empty()) {
        m_error = "line " + std::to_string(pair.line) + ": ";
        m_error.append(what);
    }
    m_at = m_text.size();
    return false;
}

bool DxfTokenizer::failAtEnd(std::string_view what)
{
    if (m_line == 0 && m_error.empty())
        m_error = "the file is empty";
    DxfPair last;
    last.line = m_line;
    return fail(last, what);
}

bool DxfTokenizer::next(DxfPair& pair)
{
    if (m_unread) {
        m_unread = false;
        pair = m_last;
        return true;
    }
    if (!m_error.empty())
        return false;
    std::string_view codeText, value;
    if (!line(codeText))
        return false;
    pair.line = m_line;
    if (codeText.size() > kMaxLine)
        return fail(pair, "a line too long for a group code");
    long long code = 0;
    if (!parseDxfInt(codeText, code) || code < kMinCode || code > kMaxCode)
        return fail(pair, "expected a group code, found '" + printable(codeText) + "'");
    if (!line(value))
        return fail(pair, "the file ends after a group code, before its value");
    if (value.size() > kMaxLine)
        return fail(pair, "a value too long");
    pair.code = int(code);
    pair.value = value;
    m_last = pair;
    return true;
}

std::string printable(std::string_view value)
{
    std::string out(value.substr(0, 40));
    for (char& c : out)
        if (c < 0x20 || c > 0x7E)
            c = '?';
    return out;
}

bool parseDxfInt(std::string_view value, long long& out)
{
    value = trimmed(value);
    if (!value.empty() && value.front() == '+')
        value.remove_prefix(1);
    if (value.empty())
        return false;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), out);
    return ec == std::errc() && end == value.data() + value.size();
}

bool parseDxfReal(std::string_view value, double& out)
{
    value = trimmed(value);
    if (!value.empty() && value.front() == '+')
        value.remove_prefix(1);
    if (value.empty())
        return false;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), out);
    return ec == std::errc() && end == value.data() + value.size() && std::isfinite(out);
}

bool parseDxfHandle(std::string_view value, std::uint64_t& out)
{
    value = trimmed(value);
    if (value.empty() || value.size() > 16)
        return false;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), out, 16);
    return ec == std::errc() && end == value.data() + value.size();
}

}  // namespace vemio
