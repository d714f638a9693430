// The host's wide string. Formatting follows the host's Windows convention: in a
// format, %s and %c take wide arguments (%hs / %hc narrow ones), and no output is cut.
#pragma once

#include <cstdarg>
#include <memory>
#include <string>

#include "adesk.h"

class ACBASE_PORT AcString {
public:
    enum Encoding { Utf8 };
    enum eFormat { kSigned = 2, kUnSigned = 3, kHex = 4 };

    AcString() = default;
    AcString(wchar_t ch) : m_str(1, ch) {}
    AcString(const char* psz, Encoding encoding);
    AcString(const wchar_t* pwsz) : m_str(pwsz ? pwsz : L"") {}
    AcString(const wchar_t* pwsz, unsigned count) : m_str(pwsz ? pwsz : L"", pwsz ? count : 0) {}
    AcString(ACHAR ch, unsigned nRepeat) : m_str(nRepeat, ch) {}
    AcString(eFormat nCtorFlags, unsigned nArg);
    AcString(const AcString& other) : m_str(other.m_str) {}
    AcString(AcString&&) noexcept = default;
    AcString& operator=(const AcString& other) { m_str = other.m_str; return *this; }
    AcString& operator=(AcString&&) noexcept = default;
    AcString& operator=(const wchar_t* pwsz) { m_str = pwsz ? pwsz : L""; return *this; }
    AcString& operator=(wchar_t ch) { m_str.assign(1, ch); return *this; }

    AcString& format(const ACHAR* fmt, ...);
    AcString& formatV(const ACHAR* fmt, va_list args);
    AcString& appendFormat(const ACHAR* fmt, ...);

    int compare(const wchar_t* pwsz) const;
    int compare(const AcString& other) const { return compare(other.kwszPtr()); }
    int compare(wchar_t ch) const { wchar_t s[2] = {ch, 0}; return compare(s); }
    int compareNoCase(const wchar_t* pwsz) const;
    int compareNoCase(const AcString& other) const { return compareNoCase(other.kwszPtr()); }
    int compareNoCase(wchar_t ch) const { wchar_t s[2] = {ch, 0}; return compareNoCase(s); }
    int compareNoCase(const char* psz, Encoding encoding) const { return compareNoCase(AcString(psz, encoding)); }
    static bool equalsNoCase(const AcString& a, const AcString& b) { return a.compareNoCase(b) == 0; }

    AcString& operator+=(wchar_t ch) { m_str += ch; return *this; }
    AcString& operator+=(const wchar_t* pwsz) { if (pwsz) m_str += pwsz; return *this; }
    AcString& operator+=(const AcString& s) { m_str += s.m_str; return *this; }
    AcString operator+(wchar_t ch) const { AcString r(*this); r += ch; return r; }
    AcString operator+(const wchar_t* pwsz) const { AcString r(*this); r += pwsz; return r; }
    AcString operator+(const AcString& s) const { AcString r(*this); r += s; return r; }
    AcString& append(wchar_t ch) { return *this += ch; }
    AcString& append(const wchar_t* pwsz) { return *this += pwsz; }
    AcString& append(const AcString& s) { return *this += s; }

    const wchar_t* kwszPtr() const { return m_str.c_str(); }
    const wchar_t* constPtr() const { return m_str.c_str(); }
    const wchar_t* kTCharPtr() const { return m_str.c_str(); }
    const ACHAR* kACharPtr() const { return m_str.c_str(); }
    operator const wchar_t*() const { return m_str.c_str(); }
    // UTF-8 copy of the text; valid until the next change of this string.
    const char* utf8Ptr() const;

    bool isEmpty() const { return m_str.empty(); }
    unsigned length() const { return static_cast<unsigned>(m_str.size()); }
    unsigned tcharLength() const { return length(); }
    void setEmpty() { m_str.clear(); }
    int find(wchar_t ch) const { size_t p = m_str.find(ch); return p == std::wstring::npos ? -1 : int(p); }
    int find(const wchar_t* pwsz) const { size_t p = m_str.find(pwsz ? pwsz : L""); return p == std::wstring::npos ? -1 : int(p); }
    AcString mid(int nStart, int nNumChars = -1) const;
    AcString substr(int nStart, int nNumChars = -1) const { return mid(nStart, nNumChars); }
    AcString left(int n) const { return mid(0, n); }
    AcString right(int n) const;
    AcString& makeUpper();
    AcString& makeLower();
    AcString& trim() { return trimLeft().trimRight(); }
    AcString& trimLeft();
    AcString& trimRight();
    int asDeci() const;
    int asHex() const;

    bool operator==(const AcString& s) const { return m_str == s.m_str; }
    bool operator!=(const AcString& s) const { return m_str != s.m_str; }
    bool operator==(const wchar_t* s) const { return compare(s) == 0; }
    bool operator!=(const wchar_t* s) const { return compare(s) != 0; }
    bool operator==(wchar_t ch) const { return m_str.size() == 1 && m_str[0] == ch; }
    bool operator!=(wchar_t ch) const { return !(*this == ch); }
    bool operator<(const AcString& s) const { return m_str < s.m_str; }
    bool operator>(const AcString& s) const { return m_str > s.m_str; }
    bool operator<=(const AcString& s) const { return m_str <= s.m_str; }
    bool operator>=(const AcString& s) const { return m_str >= s.m_str; }

    // Stand-in extension: the text as a standard string, for the runtime's own use.
    const std::wstring& wstr() const { return m_str; }

private:
    std::wstring m_str;
    // Made by utf8Ptr only: a string that is never asked for UTF-8 carries no copy.
    mutable std::unique_ptr<std::string> m_utf8;
};

inline AcString operator+(const wchar_t* a, const AcString& b) { return AcString(a) + b; }
