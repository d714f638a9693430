// The host's wide string: UTF-8 conversion, comparisons and formatting with the
// host's Windows convention for %s and %c; and the heap strings handed to callers.
#include "AcString.h"
#include "acutmem.h"

#include <cwchar>
#include <cwctype>
#include <new>
#include <vector>

#include "byte_codec.h"
#include "vemhost_testing.h"

namespace {

// Rewrites a format in the host's convention (%s, %c wide; %hs, %hc narrow) into the
// C library's wide convention (%ls, %lc wide; %s, %c narrow).
std::wstring toLibraryFormat(const wchar_t* fmt)
{
    std::wstring out;
    for (const wchar_t* p = fmt; *p; ++p) {
        out += *p;
        if (*p != L'%')
            continue;
        ++p;
        if (*p == L'%') {
            out += *p;
            continue;
        }
        // flags, width, precision
        while (*p && std::wcschr(L"-+ #0123456789.*", *p))
            out += *p++;
        bool narrow = false, wide = false;
        while (*p && std::wcschr(L"hlLqjztI", *p)) {
            if (*p == L'h')
                narrow = true;
            else if (*p == L'l')
                wide = true;
            if (*p == L'I') {  // Windows size prefixes I64 / I32 / I
                if (p[1] == L'6' && p[2] == L'4') {
                    out += L"ll";
                    p += 3;
                    continue;
                }
                if (p[1] == L'3' && p[2] == L'2') {
                    p += 3;
                    continue;
                }
                out += L"z";
                ++p;
                continue;
            }
            if (*p != L'h' || (p[1] != L's' && p[1] != L'c' && p[1] != L'S' && p[1] != L'C'))
                out += *p;
            ++p;
        }
        if (!*p)
            break;
        wchar_t conv = *p;
        if (conv == L's' || conv == L'c') {
            if (!narrow && !wide)
                out += L'l';
            out += conv;
        } else if (conv == L'S' || conv == L'C') {
            out += conv == L'S' ? L's' : L'c';  // Windows %S in a wide format is narrow
        } else {
            out += conv;
        }
    }
    return out;
}

}  // namespace

namespace vemhost {
std::string toUtf8(const std::wstring& text)
{
    std::string out(acrt::utf8Size(text.data(), text.size()), '\0');
    unsigned char* at = reinterpret_cast<unsigned char*>(&out[0]);
    for (wchar_t ch : text)
        at = acrt::encodeUtf8(acrt::scalarOf(ch), at);
    return out;
}

// Tolerant: what is not well-formed becomes U+FFFD, one for each ill-formed sequence.
std::wstring fromUtf8(const std::string& text)
{
    std::wstring out;
    out.reserve(text.size());
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t i = 0, n = text.size(); i < n;) {
        char32_t cp = 0;
        size_t size = acrt::decodeUtf8(p + i, n - i, &cp);
        if (size == 0) {
            cp = acrt::kReplacementCharacter;
            size = acrt::illFormedUtf8Size(p + i, n - i);
        }
        out += wchar_t(cp);
        i += size;
    }
    return out;
}
}  // namespace vemhost

AcString::AcString(const char* psz, Encoding) : m_str(psz ? vemhost::fromUtf8(psz) : std::wstring()) {}

AcString::AcString(eFormat nCtorFlags, unsigned nArg)
{
    wchar_t buf[32];
    if (nCtorFlags == kHex)
        std::swprintf(buf, 32, L"%x", nArg);
    else if (nCtorFlags == kSigned)
        std::swprintf(buf, 32, L"%d", int(nArg));
    else
        std::swprintf(buf, 32, L"%u", nArg);
    m_str = buf;
}

AcString& AcString::format(const ACHAR* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    formatV(fmt, args);
    va_end(args);
    return *this;
}

AcString& AcString::appendFormat(const ACHAR* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    AcString tail;
    tail.formatV(fmt, args);
    va_end(args);
    m_str += tail.m_str;
    return *this;
}

// Formats without any length limit: the buffer grows until the whole output fits.
AcString& AcString::formatV(const ACHAR* fmt, va_list args)
{
    if (fmt == nullptr) {
        m_str.clear();
        return *this;
    }
    std::wstring libFmt = toLibraryFormat(fmt);
    std::vector<wchar_t> buf(256);
    for (;;) {
        va_list copy;
        va_copy(copy, args);
        int n = std::vswprintf(buf.data(), buf.size(), libFmt.c_str(), copy);
        va_end(copy);
        if (n >= 0 && size_t(n) < buf.size()) {
            m_str.assign(buf.data(), size_t(n));
            return *this;
        }
        if (buf.size() >= (size_t(1) << 22)) {  // a failing conversion, not a short buffer
            m_str.clear();
            return *this;
        }
        buf.resize(buf.size() * 4);
    }
}

int AcString::compare(const wchar_t* pwsz) const
{
    int r = m_str.compare(pwsz ? pwsz : L"");
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}

int AcString::compareNoCase(const wchar_t* pwsz) const
{
    const wchar_t* a = m_str.c_str();
    const wchar_t* b = pwsz ? pwsz : L"";
    for (;; ++a, ++b) {
        wint_t ca = std::towlower(wint_t(*a));
        wint_t cb = std::towlower(wint_t(*b));
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
}

const char* AcString::utf8Ptr() const
{
    if (m_utf8 == nullptr)
        m_utf8 = std::make_unique<std::string>();
    *m_utf8 = vemhost::toUtf8(m_str);
    return m_utf8->c_str();
}

AcString AcString::mid(int nStart, int nNumChars) const
{
    if (nStart < 0)
        nStart = 0;
    if (size_t(nStart) >= m_str.size())
        return AcString();
    size_t count = nNumChars < 0 ? std::wstring::npos : size_t(nNumChars);
    AcString r;
    r.m_str = m_str.substr(size_t(nStart), count);
    return r;
}

AcString AcString::right(int n) const
{
    if (n <= 0)
        return AcString();
    size_t len = m_str.size();
    size_t start = size_t(n) >= len ? 0 : len - size_t(n);
    return mid(int(start));
}

AcString& AcString::makeUpper()
{
    for (wchar_t& ch : m_str)
        ch = wchar_t(std::towupper(wint_t(ch)));
    return *this;
}

AcString& AcString::makeLower()
{
    for (wchar_t& ch : m_str)
        ch = wchar_t(std::towlower(wint_t(ch)));
    return *this;
}

AcString& AcString::trimLeft()
{
    size_t i = 0;
    while (i < m_str.size() && std::iswspace(wint_t(m_str[i])))
        ++i;
    m_str.erase(0, i);
    return *this;
}

AcString& AcString::trimRight()
{
    size_t n = m_str.size();
    while (n > 0 && std::iswspace(wint_t(m_str[n - 1])))
        --n;
    m_str.resize(n);
    return *this;
}

int AcString::asDeci() const { return int(std::wcstol(m_str.c_str(), nullptr, 10)); }
int AcString::asHex() const { return int(std::wcstol(m_str.c_str(), nullptr, 16)); }

// ---- heap strings handed to callers (acutmem.h) -------------------------------------

Acad::ErrorStatus acutNewString(const ACHAR* pInput, ACHAR*& rpOutput)
{
    rpOutput = nullptr;
    if (pInput == nullptr)
        return Acad::eOk;
    const size_t length = std::wcslen(pInput);
    rpOutput = new (std::nothrow) ACHAR[length + 1];
    if (rpOutput == nullptr)
        return Acad::eOutOfMemory;
    std::wmemcpy(rpOutput, pInput, length + 1);
    return Acad::eOk;
}

Acad::ErrorStatus acutUpdString(const ACHAR* pInput, ACHAR*& rpOutput)
{
    delete[] rpOutput;
    return acutNewString(pInput, rpOutput);
}
