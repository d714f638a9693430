// Tests of the .jhf reader and glyph tables of StrokeFont: known glyphs, font-file
// mapping, the missing-glyph square, and files that are missing, wrapped or damaged.
#include "stroke_font.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "scratch_dir.h"

namespace {

using acrt::Glyph;
using acrt::StrokeFont;

const std::string kSimplexPath = std::string(StrokeFont::kDefaultDirectory) + "/rowmans.jhf";

#define REQUIRE_FONT(font)                                              \
    if (!(font).isLoaded()) {                                           \
        GTEST_SKIP() << "font not installed: " << (font).sourcePath(); \
    }

std::string readFile(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// Loads contents through a real file, removed again before returning.
std::unique_ptr<StrokeFont> loadThroughFile(const std::string& contents)
{
    const std::string path = testing::TempDir() + "stroke_font_test.jhf";
    std::ofstream(path, std::ios::binary) << contents;
    auto font = StrokeFont::loadFromFile(path);
    std::remove(path.c_str());
    return font;
}

// Every number of the glyph tables in character order, to compare two reads.
std::vector<double> tables(const StrokeFont& font)
{
    std::vector<double> all;
    for (char32_t c = StrokeFont::kFirstChar; c <= StrokeFont::kLastChar; ++c) {
        const Glyph& g = font.glyph(c);
        all.insert(all.end(), {double(c), g.advance, g.inkMinX, g.inkMinY, g.inkMaxX, g.inkMaxY});
        for (std::uint32_t r = g.firstRun; r < g.firstRun + g.runCount; ++r) {
            const acrt::StrokeRun& run = font.runs()[r];
            for (std::uint32_t p = run.first; p < run.first + run.count; ++p) {
                all.insert(all.end(), {font.points()[p].x, font.points()[p].y});
            }
            all.push_back(-1000.0);  // pen up
        }
    }
    return all;
}

TEST(StrokeFont, ReadsKnownGlyphsFromTheirRecords)
{
    const auto simplex = StrokeFont::loadFromFile(kSimplexPath);
    REQUIRE_FONT(*simplex);
    EXPECT_EQ(95u, simplex->glyphCount());  // the file's 96th record is beyond '~'

    // rowmans 'A' is "501  9I[RFJ[ RRFZ[ RMTWT". Bearings I,[ = -9,+9: advance 18.
    // Vertices (x - 'R', y - 'R'): (0,-12) (-8,9) | (0,-12) (8,9) | (-5,2) (5,2).
    // From the left bearing x is 1..17; y up from the baseline at 9 is 0..21.
    const Glyph& a = simplex->glyph(U'A');
    EXPECT_EQ(18.0, a.advance);
    EXPECT_EQ(1.0, a.inkMinX);
    EXPECT_EQ(17.0, a.inkMaxX);
    EXPECT_EQ(0.0, a.inkMinY);
    EXPECT_EQ(21.0, a.inkMaxY);
    ASSERT_EQ(3u, a.runCount);
    const acrt::StrokeRun& crossbar = simplex->runs()[a.firstRun + 2];
    ASSERT_EQ(2u, crossbar.count);
    EXPECT_EQ(4.0, simplex->points()[crossbar.first].x);  // M: -5 + 9
    EXPECT_EQ(7.0, simplex->points()[crossbar.first].y);  // T: 9 - 2

    // The space "699  1JZ" is bearings only: J,Z = -8,+8, advance 16, no ink.
    EXPECT_EQ(16.0, simplex->glyph(U' ').advance);
    EXPECT_FALSE(simplex->glyph(U' ').hasInk);

    // rowmand 'A' "2501 20H\RFJ[ ...": bearings H,\ = -10,+10, feet at -8, +8.
    const auto duplex = StrokeFont::loadFromFile(StrokeFont::fontPathFor(L"complex8.shx"));
    REQUIRE_FONT(*duplex);
    EXPECT_EQ(20.0, duplex->glyph(U'A').advance);
    EXPECT_EQ(2.0, duplex->glyph(U'A').inkMinX);
    EXPECT_EQ(18.0, duplex->glyph(U'A').inkMaxX);
}

TEST(StrokeFont, MapsComplex8ToDuplexAndEveryOtherNameToSimplex)
{
    const std::pair<const wchar_t*, const char*> rows[] = {
        // style font file               file loaded
        {L"complex8.shx",                "rowmand.jhf"},
        {L"COMPLEX8.Shx",                "rowmand.jhf"},
        {L"C:\\Fonts\\complex8.shx",     "rowmand.jhf"},
        {L"txt.shx",                     "rowmans.jhf"},
        {L"",                            "rowmans.jhf"},
        {L"complex8",                    "rowmans.jhf"},
        {L"complex8.shx.bak",            "rowmans.jhf"},
    };
    for (const auto& row : rows) {
        const std::string& tried = StrokeFont::forFontFile(row.first).sourcePath();
        EXPECT_EQ(row.second, tried.substr(tried.find_last_of('/') + 1)) << row.second;
    }
    EXPECT_EQ(&StrokeFont::forFontFile(L"complex8.shx"), &StrokeFont::forFontFile(L"COMPLEX8.shx"));
    EXPECT_EQ(&StrokeFont::forFontFile(L"txt.shx"), &StrokeFont::forFontFile(L"romans.shx"));
    EXPECT_NE(&StrokeFont::forFontFile(L"complex8.shx"), &StrokeFont::forFontFile(L"txt.shx"));

    // The directory comes from VEM_FONT_DIR (only fontPathFor reads it here, so the
    // cached fonts are not disturbed).
    const char* before = std::getenv("VEM_FONT_DIR");
    const std::string saved = before != nullptr ? before : "";
    setenv("VEM_FONT_DIR", "/elsewhere", 1);
    EXPECT_EQ("/elsewhere/rowmand.jhf", StrokeFont::fontPathFor(L"complex8.shx"));
    setenv("VEM_FONT_DIR", "", 1);
    EXPECT_EQ(kSimplexPath, StrokeFont::fontPathFor(L"txt.shx"));
    before != nullptr ? setenv("VEM_FONT_DIR", saved.c_str(), 1) : unsetenv("VEM_FONT_DIR");
}

TEST(StrokeFont, LacksCharactersOutsideItsRangeOrWithoutAFile)
{
    const auto font = StrokeFont::loadFromFile(kSimplexPath);
    REQUIRE_FONT(*font);
    const Glyph& square = font->missingGlyph();
    EXPECT_EQ(StrokeFont::kCapHeight, square.advance);
    EXPECT_EQ(0.0, square.inkMinX);
    EXPECT_EQ(0.0, square.inkMinY);
    EXPECT_EQ(StrokeFont::kCapHeight, square.inkMaxX);
    EXPECT_EQ(StrokeFont::kCapHeight, square.inkMaxY);
    for (char32_t c : {U'\u4E2D', U'\u00E9', char32_t(31), char32_t(127), char32_t(0xFFFFFFFF)}) {
        EXPECT_EQ(&square, &font->glyph(c)) << int(c);
    }
    EXPECT_NE(&square, &font->glyph(U'~'));

    // Without the file every character, the space too, is the square.
    const std::string path = "/nonexistent-dir/rowmans.jhf";
    const auto none = StrokeFont::loadFromFile(path);
    EXPECT_FALSE(none->isLoaded());
    EXPECT_EQ(path, none->sourcePath());
    EXPECT_EQ(&none->missingGlyph(), &none->glyph(U' '));
    EXPECT_EQ(&none->missingGlyph(), &none->glyph(U'A'));
    const test_support::ScratchDir dir("vem_font");
    EXPECT_FALSE(StrokeFont::loadFromFile(dir.path())->isLoaded());  // a directory reads nothing
}

TEST(StrokeFont, ReadsRecordsWrappedAt72ColumnsAndCrLfLines)
{
    const std::string original = readFile(kSimplexPath);
    const auto reference = StrokeFont::loadFromText(original, "reference");
    REQUIRE_FONT(*reference);
    std::string wrapped;
    std::string crlf;
    std::istringstream lines(original);
    for (std::string line; std::getline(lines, line);) {
        for (std::size_t at = 0; at < line.size(); at += 72) {
            wrapped += line.substr(at, 72) + "\n";
        }
        crlf += line + "\r\n";
    }
    ASSERT_NE(wrapped, original);
    EXPECT_EQ(tables(*reference), tables(*loadThroughFile(wrapped)));
    EXPECT_EQ(tables(*reference), tables(*StrokeFont::loadFromText(crlf, "crlf")));
}

TEST(StrokeFont, KeepsWhatParsedFromDamagedFiles)
{
    // Cut the real file at every length: no out-of-bounds read (run under ASan), the
    // glyph count only grows, and no glyph lands on another character's slot.
    const std::string original = readFile(kSimplexPath);
    const auto whole = StrokeFont::loadFromText(original, "whole");
    REQUIRE_FONT(*whole);
    std::size_t previous = 0;
    for (std::size_t length = 0; length <= original.size(); ++length) {
        const auto cut = StrokeFont::loadFromText(original.substr(0, length), "cut");
        ASSERT_GE(cut->glyphCount(), previous) << "length " << length;
        previous = cut->glyphCount();
        for (char32_t c = StrokeFont::kFirstChar; c <= StrokeFont::kLastChar; ++c) {
            ASSERT_TRUE(!cut->hasGlyph(c) || whole->glyph(c).runCount == cut->glyph(c).runCount);
        }
    }
    EXPECT_EQ(whole->glyphCount(), previous);
    const auto truncated = loadThroughFile(original.substr(0, original.find("501  9I[RF") + 12));
    EXPECT_TRUE(truncated->hasGlyph(U'@'));
    EXPECT_FALSE(truncated->hasGlyph(U'A'));

    // A damaged record leaves its character missing; the next record ('!') is read.
    const std::string bang = "  714  9MWRFRT RRYQZR[SZRY\n";
    const std::tuple<const char*, std::string, std::size_t> rows[] = {
        // what                    text                                      glyphs
        {"binary bytes",           std::string("\x00\xff\x80\x01\n\xfe", 6), 0},
        {"short header",           "  69\n" + bang,                          1},
        {"count not a number",     "  699  xJZ\n" + bang,                    1},
        {"bearing right of left",  "  699  1ZJ\n" + bang,                    1},
        {"control byte in pairs",  "  699  2JZ\x01R\n" + bang,               1},
        {"good records",           "\n  699  1JZ\n\n" + bang,               2},
    };
    for (const auto& [what, text, glyphs] : rows) {
        const auto damaged = StrokeFont::loadFromText(text, what);
        EXPECT_EQ(glyphs, damaged->glyphCount()) << what;
        EXPECT_EQ(glyphs > 0, damaged->hasGlyph(U'!')) << what;
    }
    // A count past the end of the file swallows what follows, then stops.
    EXPECT_EQ(1u, StrokeFont::loadFromText("  699  1JZ\n  714 99MWRFRT\n" + bang, "")->glyphCount());

    // A lone point between pen-ups draws nothing and is not ink.
    const auto dot = StrokeFont::loadFromText("  699  6JZ RRF RRFRG\n", "dot");
    EXPECT_EQ(1u, dot->glyph(U' ').runCount);
    EXPECT_EQ(20.0, dot->glyph(U' ').inkMinY);
}

}  // namespace
