// formatFixed: the text of a coordinate value with a given number of decimals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "format_fixed.h"
#include "vemhost_testing.h"

namespace {
std::string fixed(double value, int decimals)
{
    return vemhost::toUtf8(formatFixed(value, static_cast<Adesk::Int16>(decimals)).wstr());
}
}  // namespace

TEST(FormatFixed, OrdinaryValuesKeepTheirExactText)
{
    // value        decimals  text
    struct Row {
        double value;
        int decimals;
        const char* text;
    };
    const Row rows[] = {
        {1234.5678,   3,  "1234.568"},
        {1234.5678,   0,  "1235"},
        {-2.5,        2,  "-2.50"},
        {0.0,         3,  "0.000"},
        {1234.5,      3,  "1234.500"},
        {1000.0,      1,  "1000.0"},
        {0.4,         0,  "0"},
        {-1.0,       -1,  "-1.000000"},
        {3.25,       -7,  "3.250000"},
        {1234567.125, 10, "1234567.1250000000"},
        {0.1,         20, "0.10000000000000000000"},
        {5e-324,      3,  "0.000"},
        {999999999999999.9, 0, "1000000000000000"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(fixed(row.value, row.decimals), row.text) << row.value << " / " << row.decimals;
}

TEST(FormatFixed, HalvesRoundAwayFromZeroOnFifteenSignificantDigits)
{
    // value              decimals  text
    struct Row {
        double value;
        int decimals;
        const char* text;
    };
    const Row rows[] = {
        {3512380.465,       2,  "3512380.47"},   // 3512380.46499999985 in binary
        {-3512380.465,      2,  "-3512380.47"},
        {123456789012.25,   1,  "123456789012.3"},  // exact in binary, rounded up all the same
        {0.125,             2,  "0.13"},
        {-0.125,            2,  "-0.13"},
        {1.0005,            3,  "1.001"},        // 1.000499999999999989 in binary
        {9.9995,            3,  "10.000"},       // the carry runs through every digit
        {2.5,               0,  "3"},
        {0.5,               0,  "1"},
        {-0.5,              0,  "-1"},
        {0.0005,            3,  "0.001"},        // the first digit alone decides
        {0.000499999,       3,  "0.000"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(fixed(row.value, row.decimals), row.text) << row.value << " / " << row.decimals;
}

TEST(FormatFixed, EqualValuesComputedAlongDifferentPathsShowAlike)
{
    // One grid line's coordinate, typed and measured (a drawing distance times the
    // drawing scale): the two differ in the last bit, on either side of the half.
    const double typed = 3512380.465;
    const double measured = 3512.380465 * 1000.0;
    ASSERT_NE(typed, measured);
    EXPECT_EQ(fixed(typed, 2), "3512380.47");
    EXPECT_EQ(fixed(measured, 2), "3512380.47");
    // Every neighbour of a decimal value lies on its 15-digit value.
    const double values[] = {0.465, 12.345, -7.125, 2500.5, 99999.995, 1234567.8915, -42.0};
    for (double value : values)
        for (int decimals = 0; decimals <= 6; ++decimals)
            for (double neighbour : {std::nextafter(value, -1e300), std::nextafter(value, 1e300)})
                EXPECT_EQ(fixed(neighbour, decimals), fixed(value, decimals)) << value << " / " << decimals;
}

TEST(FormatFixed, AValueThatRoundsToZeroShowsNoSign)
{
    // value      decimals  text
    struct Row {
        double value;
        int decimals;
        const char* text;
    };
    const Row rows[] = {
        {-0.0,       3,  "0.000"},
        {-0.0,       0,  "0"},
        {-0.0004,    3,  "0.000"},
        {-0.4,       0,  "0"},
        {-3.7e-13,   3,  "0.000"},   // the rounding left of a right angle
        {-1e-300,   -1,  "0.000000"},
        {-0.0005,    3,  "-0.001"},  // a half is no zero
    };
    for (const Row& row : rows)
        EXPECT_EQ(fixed(row.value, row.decimals), row.text) << row.value << " / " << row.decimals;
}

TEST(FormatFixed, OnlyTheLowSixteenBitsOfTheCountMatter)
{
    EXPECT_EQ(formatFixed(1234.5678, static_cast<Adesk::Int16>(65536)).wstr(), L"1235");
    EXPECT_EQ(formatFixed(1.5, static_cast<Adesk::Int16>(65536 + 2)).wstr(), L"1.50");
}

TEST(FormatFixed, HugeValuesAndPrecisionsComeBackWhole)
{
    // Far beyond a hundred characters: the whole text, not a cut or overrun one.
    const std::string big = fixed(-1e300, 5);
    ASSERT_EQ(big.size(), 1u + 301u + 1u + 5u);
    EXPECT_EQ(big.substr(0, 5), "-1000");
    EXPECT_EQ(big.substr(big.size() - 6), ".00000");

    const std::string whole = fixed(1e300, 0);
    EXPECT_EQ(whole.size(), 301u);
    EXPECT_EQ(whole.substr(0, 20), "10000000000000000525");

    const std::string precise = fixed(0.5, 32767);
    ASSERT_EQ(precise.size(), 2u + 32767u);
    EXPECT_EQ(precise.substr(0, 4), "0.50");
    EXPECT_EQ(precise.find_first_not_of('0', 3), std::string::npos);

    const std::string max = fixed(-std::numeric_limits<double>::max(), 2);
    EXPECT_EQ(max.size(), 1u + 309u + 3u);
}

TEST(FormatFixed, NonFiniteValuesGiveTheRuntimeText)
{
    EXPECT_EQ(fixed(std::numeric_limits<double>::infinity(), 3), "inf");
    EXPECT_EQ(fixed(-std::numeric_limits<double>::infinity(), 3), "-inf");
    EXPECT_EQ(fixed(std::nan(""), 2), "nan");
}

TEST(FormatFixed, ValuesFromTenToTheFifteenKeepTheRuntimePrintfText)
{
    const double values[] = {1e15, -1e15, 1234567890123456.7, 1e21, -1e22, 9.007199254740993e15, 1e300};
    std::vector<char> expected(1024);
    for (double value : values) {
        for (int decimals = -3; decimals <= 40; ++decimals) {
            if (decimals == 0)
                std::snprintf(expected.data(), expected.size(), "%0.0f", value);
            else
                std::snprintf(expected.data(), expected.size(), "%.*lf", decimals, value);
            EXPECT_EQ(fixed(value, decimals), expected.data()) << value << " / " << decimals;
        }
    }
}

TEST(FormatFixed, IntoABufferGivesTheSameTextOrRefusesWhatDoesNotFit)
{
    const double values[] = {1234.5678, -0.0004, 2.5, 0.5, -1e300, 1e20, std::nan("")};
    const int decimalsList[] = {0, 3, -1, 12, 200};
    wchar_t buffer[400];
    for (double value : values) {
        for (int decimals : decimalsList) {
            const AcString whole = formatFixed(value, static_cast<Adesk::Int16>(decimals));
            const int length = int(whole.length());
            const int written = formatFixedInto(value, static_cast<Adesk::Int16>(decimals), buffer, 400);
            if (written >= 0) {
                ASSERT_EQ(written, length) << value << " / " << decimals;
                EXPECT_EQ(std::wstring(buffer, size_t(written)), whole.wstr());
            } else {
                // Only the runtime's text of a large value is made in a fixed place.
                EXPECT_GT(length, 127) << value << " / " << decimals;
                EXPECT_GE(std::fabs(value), 1e15) << value << " / " << decimals;
            }
            // One character short: refused, whatever the text.
            EXPECT_EQ(formatFixedInto(value, static_cast<Adesk::Int16>(decimals), buffer, length - 1), -1);
        }
    }
}
