// The host string: formatting in the host's convention, comparisons, UTF-8.
#include <gtest/gtest.h>

#include "AcString.h"
#include "dbmain.h"
#include "vemhost_testing.h"

TEST(AcStringFormat, PercentSTakesWideStringsAndNothingIsCut)
{
    AcString s;
    s.format(L"%s=%d", L"轴", 42);
    EXPECT_EQ(s, AcString(L"轴=42"));
    std::wstring longText(5000, L'x');
    s.format(L"<%s>", longText.c_str());
    EXPECT_EQ(s.length(), 5002u);
    s.format(L"%hs|%c|%%", "narrow", L'W');
    EXPECT_EQ(s, AcString(L"narrow|W|%"));
}

TEST(AcStringFormat, FixedPointConversionsMatchTheCLibrary)
{
    AcString s;
    EXPECT_EQ(s.format(L"%0.0f", 1234.5678), AcString(L"1235"));
    EXPECT_EQ(s.format(L"%0.0f", -0.4), AcString(L"-0"));
    EXPECT_EQ(s.format(L"%.*lf", 2, -2.5), AcString(L"-2.50"));
    EXPECT_EQ(s.appendFormat(L"%d", 7), AcString(L"-2.507"));
}

TEST(AcStringCompare, NoCaseComparesLettersOnlyAndOrdersConsistently)
{
    EXPECT_EQ(AcString(L"Vem_Text").compareNoCase(L"vem_text"), 0);
    EXPECT_LT(AcString(L"a").compareNoCase(L"B"), 0);
    EXPECT_GT(AcString(L"b").compareNoCase(L"A"), 0);
    EXPECT_NE(AcString(L"X").compareNoCase(L"X1"), 0);
    EXPECT_NE(AcString(L"X").compare(L"x"), 0);
}

TEST(AcStringEncoding, Utf8RoundTripsAndBadBytesBecomeReplacementCharacters)
{
    std::wstring text = L"序号1:  坐标系(A=0.000)";
    EXPECT_EQ(vemhost::fromUtf8(vemhost::toUtf8(text)), text);
    AcString s(vemhost::toUtf8(text).c_str(), AcString::Utf8);
    EXPECT_EQ(s.wstr(), text);
    std::string bad = "a\xff\xc3";
    std::wstring decoded = vemhost::fromUtf8(bad);
    ASSERT_EQ(decoded.size(), 3u);
    EXPECT_EQ(decoded[1], L'\xFFFD');
    EXPECT_EQ(decoded[2], L'\xFFFD');
}

TEST(AcStringEncoding, Utf8IsTheFilersAndEachWholeIllFormedSequenceIsOneReplacement)
{
    // The command window's UTF-8 is the bytes the filer files a string as.
    const std::wstring text = L"A\u00e9\u4e2d\U0001F600";
    vemhost::MemoryFiler filer(nullptr, AcDb::kFileFiler);
    ASSERT_EQ(filer.writeString(text.c_str()), Acad::eOk);
    const std::vector<unsigned char>& filed = filer.bytes();
    ASSERT_GT(filed.size(), 5u);
    EXPECT_EQ(std::string(filed.begin() + 5, filed.end()), vemhost::toUtf8(text));
    // What is not a character becomes U+FFFD.
    EXPECT_EQ(vemhost::toUtf8(std::wstring{wchar_t(0xD800), wchar_t(0x110000)}), "\xEF\xBF\xBD\xEF\xBF\xBD");

    const struct {
        const char* bytes;
        const wchar_t* text;
    } cases[] = {
        {"\xC0\x80x", L"\xFFFDx"},                // overlong NUL, whole
        {"\xED\xA0\x80x", L"\xFFFDx"},            // surrogate, whole
        {"\xF4\x90\x80\x80", L"\xFFFD"},          // past U+10FFFF, whole
        {"\xE4\xB8x", L"\xFFFD\xFFFDx"},          // cut short: byte by byte
        {"\x80\xF8\xE4", L"\xFFFD\xFFFD\xFFFD"},  // no lead, no such lead, nothing after
    };
    for (const auto& c : cases)
        EXPECT_EQ(vemhost::fromUtf8(c.bytes), c.text) << c.bytes;
}

TEST(AcStringPieces, MidRightAndTrimStayInBounds)
{
    AcString s(L"  abc  ");
    EXPECT_EQ(s.mid(2, 3), AcString(L"abc"));
    EXPECT_TRUE(s.mid(50).isEmpty());
    EXPECT_EQ(s.right(100), s);
    EXPECT_EQ(AcString(s).trim(), AcString(L"abc"));
}
