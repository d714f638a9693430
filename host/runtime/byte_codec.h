// The two encodings the runtime writes bytes in: UTF-8 for text (records, saved
// graphics, the command window) and little-endian for numbers. Inline, because the
// filer runs them for every value of every record.
#pragma once

#include <cstddef>
#include <cstdint>

namespace acrt {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// wchar_t holds UTF-32 here; surrogates, negative values and values past U+10FFFF are
// not characters and become U+FFFD.
inline char32_t scalarOf(wchar_t ch)
{
    const auto cp = static_cast<std::uint32_t>(ch);
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return kReplacementCharacter;
    return cp;
}

// Bytes of a character (a scalar value) in UTF-8.
inline std::size_t utf8Size(char32_t cp) { return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4; }

inline std::size_t utf8Size(const wchar_t* text, std::size_t count)
{
    std::size_t size = 0;
    for (std::size_t i = 0; i < count; ++i)
        size += utf8Size(scalarOf(text[i]));
    return size;
}

// Writes the utf8Size(cp) bytes of a scalar value at out; returns the end.
inline unsigned char* encodeUtf8(char32_t cp, unsigned char* out)
{
    const std::size_t size = utf8Size(cp);
    if (size == 1) {
        *out = static_cast<unsigned char>(cp);
        return out + 1;
    }
    static constexpr unsigned char kLead[5] = {0, 0, 0xC0, 0xE0, 0xF0};
    for (std::size_t i = size - 1; i > 0; --i) {
        out[i] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        cp >>= 6;
    }
    out[0] = static_cast<unsigned char>(kLead[size] | cp);
    return out + size;
}

// Bytes of the sequence a lead byte starts, or 0 for a byte that starts none.
inline std::size_t utf8SequenceSize(unsigned char lead)
{
    return lead < 0x80 ? 1 : lead >= 0xF8 ? 0 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
}

// Decodes one well-formed UTF-8 sequence at p (n > 0 bytes left); returns its length,
// or 0 for an ill-formed one: overlong forms, surrogates, values past U+10FFFF, stray
// or missing continuation bytes.
inline std::size_t decodeUtf8(const unsigned char* p, std::size_t n, char32_t* cp)
{
    const std::size_t size = utf8SequenceSize(p[0]);
    if (size == 1) {
        *cp = p[0];
        return 1;
    }
    if (size == 0 || size > n)
        return 0;
    char32_t value = p[0] & (0x7F >> size);
    for (std::size_t i = 1; i < size; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (p[i] & 0x3F);
    }
    static constexpr char32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kMinimum[size] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *cp = value;
    return size;
}

// Where decodeUtf8 refuses a sequence, the bytes a tolerant reader replaces with one
// U+FFFD: the whole sequence when its lead and continuation bytes are all there (an
// overlong form, a surrogate, a value past U+10FFFF), else the first byte alone.
inline std::size_t illFormedUtf8Size(const unsigned char* p, std::size_t n)
{
    const std::size_t size = utf8SequenceSize(p[0]);
    if (size < 2 || size > n)
        return 1;
    for (std::size_t i = 1; i < size; ++i)
        if ((p[i] & 0xC0) != 0x80)
            return 1;
    return size;
}

// ---- little-endian ------------------------------------------------------------------

// The low size bytes of value at p, least significant first.
inline void putLE(unsigned char* p, std::uint64_t value, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        p[i] = static_cast<unsigned char>(value >> (8 * i));
}

inline std::uint64_t getLE(const unsigned char* p, std::size_t size)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i)
        value |= std::uint64_t(p[i]) << (8 * i);
    return value;
}

}  // namespace acrt
