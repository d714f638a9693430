// Decoding DXF texts: an ASCII text is widened directly (the common case, no
// conversion), others go through UTF-8 decoding or iconv, and the escapes are resolved
// on the wide result.
#include "dxf_decode.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <strings.h>

namespace vemio {

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

struct CodePageName {
    const char* dxf;
    const char* iconv;
};

const CodePageName kCodePages[] = {
    {"ANSI_874", "CP874"},   {"ANSI_932", "CP932"},   {"ANSI_936", "GBK"},     {"ANSI_949", "CP949"},
    {"ANSI_950", "BIG5"},    {"ANSI_1250", "CP1250"}, {"ANSI_1251", "CP1251"}, {"ANSI_1252", "CP1252"},
    {"ANSI_1253", "CP1253"}, {"ANSI_1254", "CP1254"}, {"ANSI_1255", "CP1255"}, {"ANSI_1256", "CP1256"},
    {"ANSI_1257", "CP1257"}, {"ANSI_1258", "CP1258"}, {"DOS437", "CP437"},     {"DOS850", "CP850"},
    {"DOS852", "CP852"},     {"DOS855", "CP855"},     {"DOS857", "CP857"},     {"DOS860", "CP860"},
    {"DOS861", "CP861"},     {"DOS863", "CP863"},     {"DOS864", "CP864"},     {"DOS865", "CP865"},
    {"DOS866", "CP866"},     {"DOS869", "CP869"},     {"DOS932", "CP932"},     {"ISO8859-1", "ISO-8859-1"},
    {"UTF-8", "UTF-8"},      {"UTF8", "UTF-8"},
};

// The code pages of \M+n: 1 Japanese, 2 Traditional Chinese, 3 Korean (Wansung),
// 4 Korean (Johab), 5 Simplified Chinese.
const char* const kMultiBytePages[6] = {nullptr, "CP932", "BIG5", "CP949", "JOHAB", "GBK"};

bool isAscii(std::string_view bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

int hexValue(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    return -1;
}

// The value of count hexadecimal digits at text[at]; -1 when they are not all there.
long hexAt(const std::wstring& text, std::size_t at, std::size_t count)
{
    if (at + count > text.size())
        return -1;
    long value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const int digit = hexValue(text[at + i]);
        if (digit < 0)
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

void closeIfOpen(iconv_t& cd)
{
    if (cd != iconv_t(-1))
        iconv_close(cd);
    cd = iconv_t(-1);
}

}  // namespace

std::string iconvNameOf(std::string_view dwgCodePage)
{
    for (const CodePageName& page : kCodePages)
        if (dwgCodePage.size() == std::strlen(page.dxf) &&
            strncasecmp(dwgCodePage.data(), page.dxf, dwgCodePage.size()) == 0)
            return page.iconv;
    return std::string();
}

DxfTextDecoder::~DxfTextDecoder()
{
    closeIfOpen(m_convert);
    for (iconv_t& cd : m_pages)
        closeIfOpen(cd);
}

void DxfTextDecoder::useUtf8()
{
    closeIfOpen(m_convert);
    m_utf8 = true;
}

bool DxfTextDecoder::useCodePage(std::string_view dwgCodePage)
{
    closeIfOpen(m_convert);
    std::string name = iconvNameOf(dwgCodePage);
    m_utf8 = name == "UTF-8";
    if (m_utf8)
        return true;
    const bool known = !name.empty();
    if (known)
        m_convert = iconv_open("WCHAR_T", name.c_str());
    if (m_convert == iconv_t(-1))
        m_convert = iconv_open("WCHAR_T", "CP1252");
    return known && m_convert != iconv_t(-1);
}

void DxfTextDecoder::decode(std::string_view bytes, std::wstring& out)
{
    out.clear();
    if (isAscii(bytes))
        out.assign(bytes.begin(), bytes.end());
    else if (m_utf8)
        decodeUtf8(bytes, out);
    else
        decodeCodePage(bytes, out);
    if (out.find(L'\\') != std::wstring::npos)
        resolveEscapes(out);
}

void DxfTextDecoder::decodeUtf8(std::string_view bytes, std::wstring& out)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        const unsigned char lead = static_cast<unsigned char>(bytes[i]);
        const int extra = lead < 0x80 ? 0 : lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
        if (extra < 0 || lead >= 0xF5 || i + std::size_t(extra) >= bytes.size() + (extra == 0 ? 1 : 0)) {
            out += extra == 0 ? wchar_t(lead) : kReplacement;
            ++i;
            continue;
        }
        std::uint32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
        bool good = true;
        for (int k = 1; k <= extra && good; ++k) {
            const unsigned char next = static_cast<unsigned char>(bytes[i + std::size_t(k)]);
            good = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        const bool overlong = (extra == 2 && c < 0x800) || (extra == 3 && c < 0x10000);
        if (!good || overlong || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out += kReplacement;
            ++i;
            continue;
        }
        out += wchar_t(c);
        i += std::size_t(extra) + 1;
    }
}

void DxfTextDecoder::decodeCodePage(std::string_view bytes, std::wstring& out)
{
    if (m_convert == iconv_t(-1))
        useCodePage("ANSI_1252");
    if (m_convert == iconv_t(-1)) {
        for (char c : bytes)
            out += static_cast<unsigned char>(c) < 0x80 ? wchar_t(c) : kReplacement;
        return;
    }
    iconv(m_convert, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    wchar_t buffer[256];
    while (inLeft > 0) {
        char* to = reinterpret_cast<char*>(buffer);
        std::size_t toLeft = sizeof buffer;
        const std::size_t done = iconv(m_convert, &in, &inLeft, &to, &toLeft);
        out.append(buffer, std::size_t(reinterpret_cast<wchar_t*>(to) - buffer));
        if (done == std::size_t(-1) && errno != E2BIG) {
            // A byte the code page does not hold, or a character cut at the end.
            out += kReplacement;
            ++in;
            --inLeft;
            iconv(m_convert, nullptr, nullptr, nullptr, nullptr);
        }
    }
}

wchar_t DxfTextDecoder::multiByte(int page, unsigned value)
{
    iconv_t& cd = m_pages[page];
    if (cd == iconv_t(-1))
        cd = iconv_open("WCHAR_T", kMultiBytePages[page]);
    if (cd == iconv_t(-1))
        return kReplacement;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char bytes[2] = {char(value >> 8), char(value & 0xFF)};
    char* in = bytes;
    std::size_t inLeft = value > 0xFF ? 2 : 1;
    if (value <= 0xFF)
        in = bytes + 1;
    wchar_t result = 0;
    char* to = reinterpret_cast<char*>(&result);
    std::size_t toLeft = sizeof result;
    if (iconv(cd, &in, &inLeft, &to, &toLeft) == std::size_t(-1) || toLeft != 0)
        return kReplacement;
    return result;
}

// \U+XXXX (a UTF-16 unit; a high and a low surrogate make one character) and \M+nXXXX.
// Other backslashes (MText formatting) stay as they are.
void DxfTextDecoder::resolveEscapes(std::wstring& text)
{
    std::size_t write = 0;
    for (std::size_t read = 0; read < text.size();) {
        const bool escape = text[read] == L'\\' && read + 2 < text.size() && text[read + 2] == L'+';
        const wchar_t kind = escape ? wchar_t(std::toupper(int(text[read + 1]))) : 0;
        const long unit = kind == L'U' ? hexAt(text, read + 3, 4) : -1;
        if (unit >= 0) {
            std::uint32_t c = std::uint32_t(unit);
            read += 7;
            const long low = c >= 0xD800 && c < 0xDC00 && read + 1 < text.size() && text[read] == L'\\' &&
                                     (text[read + 1] == L'U' || text[read + 1] == L'u')
                                 ? hexAt(text, read + 3, 4)
                                 : -1;
            if (low >= 0xDC00 && low < 0xE000 && text[read + 2] == L'+') {
                c = 0x10000 + ((c - 0xD800) << 10) + std::uint32_t(low - 0xDC00);
                read += 7;
            } else if (c >= 0xD800 && c < 0xE000) {
                c = kReplacement;
            }
            text[write++] = wchar_t(c);
            continue;
        }
        const long page = kind == L'M' ? hexAt(text, read + 3, 1) : -1;
        const long value = page >= 1 && page <= 5 ? hexAt(text, read + 4, 4) : -1;
        if (value >= 0) {
            text[write++] = multiByte(int(page), unsigned(value));
            read += 8;
            continue;
        }
        text[write++] = text[read++];
    }
    text.resize(write);
}

bool isDxfTextCode(int code)
{
    return (code >= 1 && code <= 9 && code != 5) || (code >= 100 && code <= 102) || (code >= 300 && code <= 309) ||
           (code >= 410 && code <= 419) || (code >= 430 && code <= 439) || (code >= 470 && code <= 479) ||
           code == 999 || (code >= 1000 && code <= 1003);
}

}  // namespace vemio
