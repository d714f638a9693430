// DXF input's lowest layers: group pairs read from the bytes of a file, hostile bytes
// refused with the line named, and texts decoded from code pages, UTF-8 and escapes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dxf_decode.h"
#include "dxf_tokens.h"

using vemio::DxfPair;
using vemio::DxfTextDecoder;
using vemio::DxfTokenizer;

namespace {

struct Read {
    std::vector<std::pair<int, std::string>> pairs;
    std::string error;
};

Read readAll(std::string_view text)
{
    Read r;
    DxfTokenizer tokens(text);
    DxfPair pair;
    while (tokens.next(pair))
        r.pairs.emplace_back(pair.code, std::string(pair.value));
    r.error = tokens.error();
    return r;
}

std::wstring decoded(DxfTextDecoder& decoder, std::string_view bytes)
{
    std::wstring out;
    decoder.decode(bytes, out);
    return out;
}

}  // namespace

TEST(DxfTokenizer, ReadsPairsWhateverTheLineBreaksAndSpacesAroundCodes)
{
    const struct {
        const char* text;
        std::vector<std::pair<int, std::string>> pairs;
    } cases[] = {
        {"0\nSECTION\n2\nHEADER\n", {{0, "SECTION"}, {2, "HEADER"}}},
        {"  0\r\nSECTION\r\n  2\r\nHEADER\r\n", {{0, "SECTION"}, {2, "HEADER"}}},
        {"\xEF\xBB\xBF" "0\nEOF", {{0, "EOF"}}},
        {"1\n  text with spaces  \n", {{1, "  text with spaces  "}}},
        {"999\n\n-5\nx\n1071\ny\n", {{999, ""}, {-5, "x"}, {1071, "y"}}},
        {"", {}},
    };
    for (const auto& c : cases) {
        const Read r = readAll(c.text);
        EXPECT_EQ(r.error, "") << c.text;
        EXPECT_EQ(r.pairs, c.pairs) << c.text;
    }
}

TEST(DxfTokenizer, RefusesHostileInputNamingTheLine)
{
    const struct {
        std::string text;
        const char* error;
    } cases[] = {
        {"0\nSECTION\nabc\nx\n", "line 3: expected a group code, found 'abc'"},
        {"0\nSECTION\n2", "line 3: the file ends after a group code, before its value"},
        {"0\nSECTION\n5000\nx\n", "line 3: expected a group code, found '5000'"},
        {"1 2\nx\n", "line 1: expected a group code, found '1 2'"},
        {"\x1b[2J\xE5\n", "line 1: expected a group code, found '?[2J?'"},
        {"99999999999999999999\nx\n", "line 1: expected a group code, found '99999999999999999999'"},
        {"1\n" + std::string(2 << 20, 'a') + "\n", "line 1: a value too long"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readAll(c.text).error, c.error) << c.text.substr(0, 30);
}

TEST(DxfTokenizer, ReadsNumbersAndHandlesStrictly)
{
    long long i = 0;
    double d = 0.0;
    std::uint64_t h = 0;
    EXPECT_TRUE(vemio::parseDxfInt("  -12 ", i));
    EXPECT_EQ(i, -12);
    EXPECT_TRUE(vemio::parseDxfReal("+1.5e3", d));
    EXPECT_EQ(d, 1500.0);
    EXPECT_TRUE(vemio::parseDxfHandle("1aF", h));
    EXPECT_EQ(h, 0x1AFu);
    for (const char* bad : {"", "1.5", "x", "1x", "--1"})
        EXPECT_FALSE(vemio::parseDxfInt(bad, i)) << bad;
    for (const char* bad : {"", "nan", "inf", "1e999", "1,5", "1.5x"})
        EXPECT_FALSE(vemio::parseDxfReal(bad, d)) << bad;
    for (const char* bad : {"", "G", "12345678901234567", "-1"})
        EXPECT_FALSE(vemio::parseDxfHandle(bad, h)) << bad;
}

TEST(DxfTextDecoder, DecodesCodePagesUtf8AndEscapes)
{
    DxfTextDecoder decoder;
    ASSERT_TRUE(decoder.useCodePage("ANSI_936"));
    EXPECT_EQ(decoded(decoder, "\xB5\xD8\xCD\xBC"), L"\u5730\u56FE");  // GBK
    EXPECT_EQ(decoded(decoder, "plain"), L"plain");
    ASSERT_TRUE(decoder.useCodePage("ansi_1251"));
    EXPECT_EQ(decoded(decoder, "\xCF\xF0\xE8"), L"\u041F\u0440\u0438");
    ASSERT_TRUE(decoder.useCodePage("ANSI_1252"));
    EXPECT_EQ(decoded(decoder, "caf\xE9 \x80"), L"caf\u00E9 \u20AC");
    EXPECT_FALSE(decoder.useCodePage("ANSI_99999"));
    EXPECT_EQ(decoded(decoder, "\xE9"), L"\u00E9");

    decoder.useUtf8();
    EXPECT_EQ(decoded(decoder, "\xE5\x9C\xB0 \xF0\x9F\x98\x80"), L"\u5730 \U0001F600");
    EXPECT_EQ(decoded(decoder, "a\xFF" "b\xE5\x9C"), L"a\uFFFDb\uFFFD\uFFFD");
    EXPECT_EQ(decoded(decoder, "\xC0\xAF"), L"\uFFFD\uFFFD");  // overlong

    EXPECT_EQ(decoded(decoder, "\\U+5730\\u+56fe"), L"\u5730\u56FE");
    EXPECT_EQ(decoded(decoder, "\\U+D83D\\U+DE00"), L"\U0001F600");
    EXPECT_EQ(decoded(decoder, "\\U+D83Dx"), L"\uFFFDx");
    EXPECT_EQ(decoded(decoder, "\\M+5B5D8"), L"\u5730");
    EXPECT_EQ(decoded(decoder, "\\M+182A0"), L"\u3042");  // Shift-JIS hiragana a
    // MText formatting and incomplete escapes stay as they are.
    EXPECT_EQ(decoded(decoder, "\\PA\\U+12\\M+9ABCD\\"), L"\\PA\\U+12\\M+9ABCD\\");
}
