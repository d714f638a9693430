// Tests of multiline-text layout: format codes, line boxes, attachment alignment, empty
// and missing-glyph text, and ink extents that match the drawn strokes exactly.
#include "text_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <utility>

namespace {

using acrt::StrokeFont;
using acrt::StrokePoint;
using acrt::TextLayout;

const StrokeFont& simplex()
{
    return StrokeFont::forFontFile(L"txt.shx");
}

#define REQUIRE_FONT(font)                                              \
    if (!(font).isLoaded()) {                                           \
        GTEST_SKIP() << "font not installed: " << (font).sourcePath(); \
    }

TEST(TextLayout, ResolvesFormatCodes)
{
    const std::pair<const wchar_t*, const wchar_t*> rows[] = {
        // content                                   plain text drawn
        {L"a\\Pb\\P",                                L"a\nb\n"},
        {L"a\nb",                                    L"a\nb"},
        {L"\\\\ \\{x\\} \\\\P",                      L"\\ {x} \\P"},
        {L"{a{b}}c\\~d",                             L"abc d"},
        {L"{\\H2.5x;big}",                           L"big"},
        {L"\\A1;\\C3;\\c255;\\F;\\fArial|b1;\\Q15;",  L""},
        {L"\\T2;\\W0.8;\\pxi1,l2;end",               L"end"},
        {L"\\Lun\\l\\Oov\\o\\Kst\\k",                L"unovst"},
        {L"\\S1^2;\\X",                              L"\\S1^2;\\X"},
        {L"\\H2.5",                                  L"\\H2.5"},
        {L"\\F\\Pb",                                 L"\\F\nb"},
        {L"\\H\\H\\H",                               L"\\H\\H\\H"},
        {L"\\H\\W;x",                                L"x"},
        {L"tail\\",                                  L"tail\\"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(std::wstring(row.second), acrt::plainText(row.first));
    }
    const StrokeFont& font = simplex();
    REQUIRE_FONT(font);
    const TextLayout coded = acrt::measureText(L"{\\H2;\\C1;A}\\PB", 2.5, font, 1);
    const TextLayout plain = acrt::measureText(L"A\nB", 2.5, font, 1);
    EXPECT_EQ(2u, coded.lineCount);
    EXPECT_EQ(plain.minY, coded.minY);
    EXPECT_EQ(plain.maxX, coded.maxX);
}

TEST(TextLayout, AttachmentPlacesBoxAndAlignsEachLine)
{
    const StrokeFont& font = simplex();
    REQUIRE_FONT(font);
    // h = 21 makes drawing units font units. Line 1 "A" (advance 18, ink 1..17), line 2
    // "AA" (advance 36, ink 1..35) with its baseline 35 lower: box 36 x (21 + 35).
    // Center lines start at -advance/2, right lines at -advance. Rows: top at the first
    // cap height, bottom at the last baseline, middle halfway (first baseline at +7).
    const double rows[][7] = {
        // att  minX  maxX  minY  maxY  boxMinX boxMinY
        {1,      1,   35,  -56,    0,     0,    -56},
        {2,    -17,   17,  -56,    0,   -18,    -56},
        {3,    -35,   -1,  -56,    0,   -36,    -56},
        {4,      1,   35,  -28,   28,     0,    -28},
        {5,    -17,   17,  -28,   28,   -18,    -28},
        {6,    -35,   -1,  -28,   28,   -36,    -28},
        {7,      1,   35,    0,   56,     0,      0},
        {8,    -17,   17,    0,   56,   -18,      0},
        {9,    -35,   -1,    0,   56,   -36,      0},
        {0,      1,   35,  -56,    0,     0,    -56},  // out of range: top-left
    };
    for (const auto& row : rows) {
        const TextLayout l = acrt::measureText(L"A\\PAA", 21.0, font, int(row[0]));
        const double actual[] = {row[0], l.minX, l.maxX, l.minY, l.maxY, l.boxMinX, l.boxMinY};
        EXPECT_TRUE(std::equal(std::begin(row), std::end(row), actual)) << "attachment " << row[0];
        EXPECT_EQ(36.0, l.boxWidth);
        EXPECT_EQ(56.0, l.boxHeight);
    }
    // The box grows by 5/3 of the height per line, empty lines included; spaces widen it.
    const double h = 3.0;
    EXPECT_EQ(h, acrt::measureText(L"AA", h, font, 7).boxHeight);
    EXPECT_DOUBLE_EQ(h + 2.0 * h * 5.0 / 3.0, acrt::measureText(L"\\P\\P", h, font, 7).boxHeight);
    EXPECT_DOUBLE_EQ(52.0 / 21.0 * h, acrt::measureText(L"A\\PA A", h, font, 7).boxWidth);
}

TEST(TextLayout, TextWithoutInkIsThePointAtTheAttachment)
{
    const StrokeFont& font = simplex();
    REQUIRE_FONT(font);
    for (const wchar_t* content : {L"", L"   ", L"{}\\L\\l", L"\\~\\P "}) {
        const TextLayout layout = acrt::measureText(content, 2.0, font, 9);
        EXPECT_FALSE(layout.hasInk);
        EXPECT_EQ(0.0, std::fabs(layout.minX) + std::fabs(layout.minY) + std::fabs(layout.maxX) +
                           std::fabs(layout.maxY));
        EXPECT_TRUE(acrt::textPolylines(content, 2.0, font, 9).empty());
    }
    const TextLayout empty = acrt::measureText(L"", 2.0, font, 5);  // one empty line
    EXPECT_EQ(1u, empty.lineCount);
    EXPECT_EQ(0.0, empty.boxWidth);
    EXPECT_EQ(2.0, empty.boxHeight);
    EXPECT_EQ(-1.0, empty.boxMinY);

    for (double h : {0.0, -1.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(0u, acrt::measureText(L"AB", h, font, 1).lineCount);
        EXPECT_TRUE(acrt::textPolylines(L"AB", h, font, 1).empty());
    }
}

TEST(TextLayout, MissingGlyphsMeasureAndDrawAsSquaresOfTheHeight)
{
    const double h = 2.5;
    const StrokeFont& font = simplex();
    const TextLayout layout = acrt::measureText(L"\u4E2D\u6587", h, font, 7);
    EXPECT_EQ(0.0, layout.minX);
    EXPECT_EQ(0.0, layout.minY);
    EXPECT_EQ(2 * h, layout.maxX);
    EXPECT_EQ(h, layout.maxY);
    EXPECT_EQ(2 * h, layout.boxWidth);
    const auto squares = acrt::textPolylines(L"\u4E2D\u6587", h, font, 7);
    ASSERT_EQ(2u, squares.size());
    ASSERT_EQ(5u, squares[1].size());
    EXPECT_EQ(h, squares[1][0].x);

    // Without font files every character, the space included, is such a square.
    const auto none = StrokeFont::loadFromFile("/nonexistent-dir/rowmans.jhf");
    const TextLayout fallback = acrt::measureText(L"A B", h, *none, 1);
    EXPECT_EQ(3 * h, fallback.maxX);
    EXPECT_EQ(-h, fallback.minY);
    EXPECT_EQ(3u, acrt::textPolylines(L"A B", h, *none, 1).size());
}

TEST(TextLayout, InkExtentsAreExactlyTheDrawnVertices)
{
    const StrokeFont& duplex = StrokeFont::forFontFile(L"complex8.shx");
    REQUIRE_FONT(simplex());
    REQUIRE_FONT(duplex);
    const wchar_t* contents[] = {L"N 1234567.891", L"E 0.001\\PN -42.5",
                                 L"jgpqy_|}~\\P\\P  W\u4E2D", L"{\\fArial;x}  \\P\\~", L"   ."};
    for (const StrokeFont* font : {&simplex(), &duplex}) {
        for (const wchar_t* content : contents) {
            for (double h : {2.5, 0.1, 1.0 / 3.0, 7.77, 1e-9, 1e9}) {
                for (int attachment = 1; attachment <= 9; ++attachment) {
                    const TextLayout measured = acrt::measureText(content, h, *font, attachment);
                    double e[4] = {HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
                    const TextLayout drawn = acrt::drawText(
                        content, h, *font, attachment, [&e](const StrokePoint* p, std::size_t n) {
                            for (std::size_t i = 0; i < n; ++i) {
                                e[0] = std::min(e[0], p[i].x);
                                e[1] = std::min(e[1], p[i].y);
                                e[2] = std::max(e[2], p[i].x);
                                e[3] = std::max(e[3], p[i].y);
                            }
                        });
                    ASSERT_TRUE(measured.hasInk);
                    EXPECT_EQ(e[0], measured.minX);
                    EXPECT_EQ(e[1], measured.minY);
                    EXPECT_EQ(e[2], measured.maxX);
                    EXPECT_EQ(e[3], measured.maxY);
                    EXPECT_EQ(measured.minX, drawn.minX);
                }
            }
        }
    }
}

}  // namespace
