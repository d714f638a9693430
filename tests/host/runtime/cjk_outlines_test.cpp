// Characters the stroke fonts lack, drawn from the CJK outline font: each glyph a filled
// polygon inside its unit cell with its holes kept empty, fitted by texts into the square
// their measuring gives such characters, without changing what the text measures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cjk_outlines.h"
#include "dbents.h"
#include "dbmtext.h"
#include "host_fixture.h"
#include "scratch_dir.h"
#include "text_layout.h"
#include "vemhost_io.h"

namespace {

using acrt::CjkOutlines;
using acrt::StrokePoint;

#define REQUIRE_CJK_FONT()                                                                    \
    if (!CjkOutlines::shared().isLoaded()) {                                                  \
        GTEST_SKIP() << "CJK outline font not installed: " << CjkOutlines::shared().sourcePath(); \
    }

// The non-zero winding number of the closed polygon around (x, y).
int windingAround(const std::vector<StrokePoint>& polygon, double x, double y)
{
    int winding = 0;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const StrokePoint& a = polygon[i];
        const StrokePoint& b = polygon[(i + 1) % polygon.size()];
        const double side = (b.x - a.x) * (y - a.y) - (x - a.x) * (b.y - a.y);
        if (a.y <= y && b.y > y && side > 0)
            ++winding;
        else if (a.y > y && b.y <= y && side < 0)
            --winding;
    }
    return winding;
}

// Share of a grid of sample points over the unit cell that the polygon fills.
double filledShare(const std::vector<StrokePoint>& polygon)
{
    const int n = 64;
    int filled = 0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            filled += windingAround(polygon, (i + 0.5) / n, (j + 0.5) / n) != 0 ? 1 : 0;
    return double(filled) / (n * n);
}

TEST(CjkOutlines, GlyphsAreFilledPolygonsInsideTheirCellWithHolesKept)
{
    REQUIRE_CJK_FONT();
    const CjkOutlines& font = CjkOutlines::shared();
    for (char32_t c : {U'北', U'东', U'口', U'回'}) {
        const std::vector<StrokePoint>& polygon = font.cellPolygon(c);
        ASSERT_GE(polygon.size(), 8u) << std::hex << unsigned(c);
        double minX = 1, minY = 1, maxX = 0, maxY = 0;
        for (const StrokePoint& p : polygon) {
            ASSERT_TRUE(p.x >= 0 && p.x <= 1 && p.y >= 0 && p.y <= 1) << p.x << "," << p.y;
            minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
        }
        // Ideographs fill most of the cell, standing a little below the baseline's cell bottom.
        EXPECT_GT(maxX - minX, 0.6) << std::hex << unsigned(c);
        EXPECT_GT(maxY - minY, 0.6) << std::hex << unsigned(c);
        const double share = filledShare(polygon);
        EXPECT_GT(share, 0.1) << std::hex << unsigned(c);
        EXPECT_LT(share, 0.6) << std::hex << unsigned(c);
        EXPECT_EQ(&polygon, &font.cellPolygon(c)) << "read once, then kept";
    }
    // The hole of 口 stays empty while its frame is ink; 回 has a frame within its frame.
    EXPECT_EQ(windingAround(font.cellPolygon(U'口'), 0.5, 0.5), 0);
    int crossings = 0;
    bool inside = false;
    for (int i = 0; i < 200; ++i) {
        const bool now = windingAround(font.cellPolygon(U'回'), (i + 0.5) / 200, 0.45) != 0;
        crossings += now && !inside ? 1 : 0;
        inside = now;
    }
    EXPECT_EQ(crossings, 4) << "the outer and inner frames, each crossed on both sides";
    // Blank and unmapped characters have no outline.
    EXPECT_TRUE(font.cellPolygon(U'\u3000').empty());
    EXPECT_TRUE(font.cellPolygon(char32_t(0x10FFFD)).empty());
}

TEST(CjkOutlines, AMissingOrDamagedFontFileGivesNoGlyphs)
{
    test_support::ScratchDir dir("vem_cjk_font");
    const std::string damaged = dir.file("damaged.ttc");
    std::FILE* out = std::fopen(damaged.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fputs("ttcf this is not a font file at all", out);
    std::fclose(out);
    for (const std::string& path : {dir.file("absent.ttc"), damaged, dir.path()}) {
        const std::unique_ptr<CjkOutlines> font = CjkOutlines::loadFromFile(path);
        EXPECT_FALSE(font->isLoaded()) << path;
        EXPECT_EQ(font->sourcePath(), path);
        EXPECT_TRUE(font->cellPolygon(U'北').empty()) << path;
    }
}

TEST(CjkGlyphText, MissingCharactersAreFilledInTheirSquareWithoutChangingTheLayout)
{
    REQUIRE_CJK_FONT();
    const acrt::StrokeFont& font = acrt::StrokeFont::forFontFile(L"txt");
    const std::wstring content = L"A北\\P东";
    const double height = 10;
    std::vector<std::vector<StrokePoint>> strokes, fills;
    const acrt::TextLayout layout = acrt::drawText(
        content, height, font, 1,
        [&](const StrokePoint* points, std::size_t count) { strokes.emplace_back(points, points + count); },
        [&](const StrokePoint* points, std::size_t count) { fills.emplace_back(points, points + count); });
    const acrt::TextLayout measured = acrt::measureText(content, height, font, 1);
    EXPECT_EQ(layout.boxWidth, measured.boxWidth);
    EXPECT_EQ(layout.boxHeight, measured.boxHeight);
    EXPECT_EQ(layout.minX, measured.minX);
    EXPECT_EQ(layout.maxY, measured.maxY);
    ASSERT_EQ(fills.size(), 2u);
    // Only the letter is stroked: no square is drawn for a character that has a glyph.
    EXPECT_EQ(strokes.size(), acrt::textPolylines(L"A", height, font, 1).size());
    // The squares, attachment top-left: 北 after the letter on the first line, 东 at the
    // start of the second, each one text height wide and high on its baseline.
    const double letter = font.glyph(U'A').advance / acrt::StrokeFont::kCapHeight * height;
    const double secondBaseline = -height - acrt::StrokeFont::kLineSpacing / acrt::StrokeFont::kCapHeight * height;
    const double cellLeft[] = {letter, 0.0}, cellBottom[] = {-height, secondBaseline};
    for (std::size_t k = 0; k < fills.size(); ++k) {
        for (const StrokePoint& p : fills[k]) {
            ASSERT_GE(p.x, cellLeft[k] - 1e-9);
            ASSERT_LE(p.x, cellLeft[k] + height + 1e-9);
            ASSERT_GE(p.y, cellBottom[k] - 1e-9);
            ASSERT_LE(p.y, cellBottom[k] + height + 1e-9);
        }
    }
}

class CjkTextEntity : public HostFixture {};

TEST_F(CjkTextEntity, TextsDrawTheirGlyphsAsPolygonsShapedLikeTheirSquares)
{
    REQUIRE_CJK_FONT();
    AcDbText text(AcGePoint3d(5, 7, 0), L"北A", AcDbObjectId::kNull, 4, M_PI / 6);
    text.setOblique(M_PI / 12);
    text.setWidthFactor(0.5);
    AcDbExtents ink;
    ASSERT_EQ(text.getGeomExtents(ink), Acad::eOk);
    vemhost::PrimitiveCollector collector;
    collector.draw(&text);
    std::size_t polygons = 0;
    for (const vemhost::Primitive& p : collector.primitives()) {
        if (p.kind != vemhost::Primitive::kPolygon)
            continue;
        ++polygons;
        for (const AcGePoint3d& q : p.points) {
            EXPECT_GE(q.x, ink.minPoint().x - 1e-9);
            EXPECT_LE(q.x, ink.maxPoint().x + 1e-9);
            EXPECT_GE(q.y, ink.minPoint().y - 1e-9);
            EXPECT_LE(q.y, ink.maxPoint().y + 1e-9);
        }
    }
    EXPECT_EQ(polygons, 1u);

    AcDbMText mtext;
    mtext.setContents(L"东\\P北");
    mtext.setTextHeight(2);
    collector.clear();
    collector.draw(&mtext);
    polygons = 0;
    for (const vemhost::Primitive& p : collector.primitives())
        polygons += p.kind == vemhost::Primitive::kPolygon ? 1 : 0;
    EXPECT_EQ(polygons, 2u);
}

}  // namespace
