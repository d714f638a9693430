// Group codes and values of ASCII DXF: one buffer flushed to the sink in large blocks,
// numbers through std::to_chars, texts escaped to ASCII.
#include "dxf_stream.h"

#include <charconv>
#include <cmath>

#include "dxf_decode.h"

namespace vemio {

namespace {

constexpr std::size_t kFlushAt = 1 << 16;
constexpr std::size_t kMaxChunk = 250;  // bytes of one contents group
const char kHexDigits[] = "0123456789ABCDEF";

void appendHex4(std::string& out, unsigned unit)
{
    out += "\\U+";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += kHexDigits[(unit >> shift) & 0xF];
}

// Length of the escape unit starting at i: "\U+XXXX", a backslash and the character it
// quotes, or one character.
std::size_t unitLength(const std::string& s, std::size_t i)
{
    if (s[i] != '\\')
        return 1;
    if (s.compare(i, 3, "\\U+") == 0 && i + 7 <= s.size())
        return 7;
    return i + 2 <= s.size() ? 2 : 1;
}

}  // namespace

bool DxfFileSink::write(const char* data, std::size_t size)
{
    return std::fwrite(data, 1, size, m_file) == size;
}

bool DxfFileSink::patch(std::size_t offset, std::string_view bytes)
{
    if (std::fflush(m_file) != 0 || std::fseek(m_file, long(offset), SEEK_SET) != 0)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), m_file) == bytes.size();
    return std::fseek(m_file, 0, SEEK_END) == 0 && ok;
}

bool DxfStringSink::write(const char* data, std::size_t size)
{
    m_out.append(data, size);
    return true;
}

bool DxfStringSink::patch(std::size_t offset, std::string_view bytes)
{
    if (offset > m_out.size() || bytes.size() > m_out.size() - offset)
        return false;
    m_out.replace(offset, bytes.size(), bytes.data(), bytes.size());
    return true;
}

namespace {

// A character above U+007F as its UTF-8 bytes.
void appendUtf8(std::string& out, std::uint32_t c)
{
    if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
    }
    out += char(0x80 | (c & 0x3F));
}

// UTF-8 as characters; a byte that does not start a well-formed sequence is U+FFFD.
void decodeUtf8(std::string_view bytes, std::wstring& out)
{
    out.clear();
    for (std::size_t i = 0; i < bytes.size();) {
        const unsigned char lead = static_cast<unsigned char>(bytes[i]);
        const int extra = lead < 0x80 ? 0 : lead >= 0xC2 && lead < 0xE0 ? 1 : lead >= 0xE0 && lead < 0xF0 ? 2
                          : lead >= 0xF0 && lead < 0xF5 ? 3 : -1;
        std::uint32_t c = extra == 0 ? lead : extra == 1 ? lead & 0x1F : extra == 2 ? lead & 0x0F : lead & 0x07;
        bool ok = extra >= 0 && i + std::size_t(extra) < bytes.size();
        for (int k = 1; ok && k <= extra; ++k) {
            const unsigned char next = static_cast<unsigned char>(bytes[i + std::size_t(k)]);
            ok = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        ok = ok && !(extra == 2 && c < 0x800) && !(extra == 3 && (c < 0x10000 || c > 0x10FFFF));
        out += ok ? wchar_t(c) : wchar_t(0xFFFD);
        i += ok ? std::size_t(extra) + 1 : 1;
    }
}

}  // namespace

void appendDxfText(std::string& out, std::wstring_view text, bool mtext, bool utf8)
{
    for (wchar_t wc : text) {
        const std::uint32_t c = std::uint32_t(wc);
        if (c >= 0x20 && c < 0x7F) {
            out += char(c);
        } else if (c == '\n' && mtext) {
            out += "\\P";
        } else if (c == '\r' && mtext) {
            // a carriage return before a line feed is part of the break
        } else if (c < 0x20) {
            out += '^';
            out += char(c + 0x40);
        } else if (c == 0x7F || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
            out += '?';
        } else if (utf8) {
            appendUtf8(out, c);
        } else if (c <= 0xFFFF) {
            appendHex4(out, c);
        } else {
            const std::uint32_t v = c - 0x10000;
            appendHex4(out, 0xD800 + (v >> 10));
            appendHex4(out, 0xDC00 + (v & 0x3FF));
        }
    }
}

void appendDxfReal(std::string& out, double value)
{
    if (!std::isfinite(value) || value == 0.0) {
        out += '0';
        return;
    }
    char buf[32];
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, r.ptr);
}

DxfStream::DxfStream(DxfSink& sink, bool utf8) : m_sink(sink), m_utf8(utf8) { m_buffer.reserve(kFlushAt + 4096); }

void DxfStream::code(int code)
{
    char buf[16];
    char* end = std::to_chars(buf, buf + sizeof buf, code).ptr;
    for (std::ptrdiff_t pad = 3 - (end - buf); pad > 0; --pad)
        m_buffer += ' ';
    m_buffer.append(buf, end);
    m_buffer += '\n';
}

void DxfStream::str(int c, std::string_view value)
{
    code(c);
    m_buffer.append(value.data(), value.size());
    m_buffer += '\n';
    flushIfFull();
}

void DxfStream::text(int c, std::wstring_view value, bool mtext)
{
    code(c);
    appendDxfText(m_buffer, value, mtext, m_utf8);
    m_buffer += '\n';
    flushIfFull();
}

void DxfStream::real(int c, double value)
{
    code(c);
    appendDxfReal(m_buffer, value);
    m_buffer += '\n';
    flushIfFull();
}

void DxfStream::integer(int c, long long value)
{
    code(c);
    char buf[24];
    m_buffer.append(buf, std::to_chars(buf, buf + sizeof buf, value).ptr);
    m_buffer += '\n';
    flushIfFull();
}

void DxfStream::handle(int c, std::uint64_t value)
{
    code(c);
    char buf[24];
    char* end = std::to_chars(buf, buf + sizeof buf, value, 16).ptr;
    for (char* p = buf; p != end; ++p)
        if (*p >= 'a' && *p <= 'f')
            *p = char(*p - 'a' + 'A');
    m_buffer.append(buf, end);
    m_buffer += '\n';
    flushIfFull();
}

void DxfStream::point(int c, const AcGePoint3d& pt)
{
    real(c, pt.x);
    real(c + 10, pt.y);
    real(c + 20, pt.z);
}

void DxfStream::point(int c, double x, double y)
{
    real(c, x);
    real(c + 10, y);
}

void DxfStream::vector(int c, const AcGeVector3d& v)
{
    real(c, v.x);
    real(c + 10, v.y);
    real(c + 20, v.z);
}

void DxfStream::mtextContents(std::wstring_view contents)
{
    m_scratch.clear();
    appendDxfText(m_scratch, contents, true);
    std::size_t pos = 0;
    while (m_scratch.size() - pos > kMaxChunk) {
        std::size_t end = pos;
        while (end < m_scratch.size()) {
            const std::size_t unit = unitLength(m_scratch, end);
            if (end + unit - pos > kMaxChunk)
                break;
            end += unit;
        }
        str(3, std::string_view(m_scratch).substr(pos, end - pos));
        pos = end;
    }
    str(1, std::string_view(m_scratch).substr(pos));
}

void DxfStream::kept(int c, std::string_view value)
{
    if (isDxfTextCode(c)) {
        decodeUtf8(value, m_wideScratch);
        text(c, m_wideScratch);
        return;
    }
    str(c, value.substr(0, value.find_first_of("\r\n")));
}

std::size_t DxfStream::reserve(int c, std::size_t width)
{
    code(c);
    const std::size_t at = m_flushed + m_buffer.size();
    m_buffer.append(width, ' ');
    m_buffer += '\n';
    flushIfFull();
    return at;
}

bool DxfStream::fillReal(std::size_t at, std::size_t width, double value)
{
    char buf[64];
    const std::to_chars_result r =
        std::isfinite(value) ? std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed)
                             : std::to_chars(buf, buf + sizeof buf, 0);
    std::string bytes(buf, r.ptr);
    if (bytes.find('.') == std::string::npos)
        bytes += '.';
    if (bytes.size() > width)
        return false;
    bytes.append(width - bytes.size(), '0');
    m_fills.push_back({at, std::move(bytes)});
    return true;
}

bool DxfStream::fillHandle(std::size_t at, std::size_t width, std::uint64_t value)
{
    char buf[24];
    char* end = std::to_chars(buf, buf + sizeof buf, value, 16).ptr;
    std::string digits(buf, end);
    for (char& ch : digits)
        if (ch >= 'a' && ch <= 'f')
            ch = char(ch - 'a' + 'A');
    if (digits.size() > width)
        return false;
    m_fills.push_back({at, std::string(width - digits.size(), '0') + digits});
    return true;
}

void DxfStream::flushIfFull()
{
    if (m_buffer.size() >= kFlushAt)
        flush();
}

bool DxfStream::flush()
{
    if (!m_failed && !m_buffer.empty() && !m_sink.write(m_buffer.data(), m_buffer.size()))
        m_failed = true;
    m_flushed += m_buffer.size();
    m_buffer.clear();
    return !m_failed;
}

bool DxfStream::finish()
{
    flush();
    for (const Fill& fill : m_fills)
        if (!m_failed && !m_sink.patch(fill.at, fill.bytes))
            m_failed = true;
    m_fills.clear();
    return !m_failed;
}

}  // namespace vemio
