// Texts in vector plots drawn by reference: a glyph's frame splits into the page's scale
// and turn and the glyph's own shape, whatever the text's rotation, width factor, oblique
// angle and mirroring; an SVG defines each glyph of a shape once and places it by <use>;
// a PDF holds the glyphs as Type 3 fonts that map back to the characters.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <set>
#include <sstream>

#include "dbents.h"
#include "dbsymtb.h"
#include "file_text.h"
#include "host_fixture.h"
#include "painter.h"
#include "plot.h"
#include "scratch_dir.h"

namespace {

using test_support::occurrences;
using test_support::readAll;

TEST(GlyphFrame, SplitsIntoTurnScaleAndShape)
{
    const double slants[] = {0.0, std::tan(15.0 * M_PI / 180.0), -0.3};
    for (double turn : {0.0, 30.0, 200.0})
        for (double widthFactor : {1.0, 0.7, 2.5})
            for (double slant : slants)
                for (bool mirrored : {false, true})
                    for (double scale : {0.05, 3.0}) {
                        const double a = turn * M_PI / 180.0;
                        const vemio::DevicePoint across{std::cos(a), std::sin(a)};
                        const double side = mirrored ? -1.0 : 1.0;
                        const vemio::DevicePoint down{-side * across.y, side * across.x};
                        vemio::PaintedGlyph g;
                        g.origin = {10, 20};
                        g.xAxis = {scale * widthFactor * across.x, scale * widthFactor * across.y};
                        g.yAxis = {scale * (slant * across.x - down.x), scale * (slant * across.y - down.y)};
                        const vemio::GlyphFrame f = vemio::splitGlyphFrame(g);
                        SCOPED_TRACE(testing::Message() << "turn " << turn << " width " << widthFactor << " slant "
                                                        << slant << " mirrored " << mirrored << " scale " << scale);
                        ASSERT_TRUE(f.usable);
                        EXPECT_NEAR(f.scale, scale, 1e-12);
                        EXPECT_NEAR(f.widthFactor, widthFactor, 1e-6);
                        EXPECT_NEAR(f.slant, slant, 1e-6);
                        EXPECT_NEAR(f.across.x * f.down.x + f.across.y * f.down.y, 0.0, 1e-12);
                        // The glyph's point (u, v) lands where the frame puts it.
                        const double u = 7.0, v = 11.0;
                        const double gx = f.widthFactor * u + f.slant * v, gy = -v;
                        EXPECT_NEAR(f.scale * (f.across.x * gx + f.down.x * gy), g.xAxis.x * u + g.yAxis.x * v,
                                    1e-5 * scale);
                        EXPECT_NEAR(f.scale * (f.across.y * gx + f.down.y * gy), g.xAxis.y * u + g.yAxis.y * v,
                                    1e-5 * scale);
                    }
    vemio::PaintedGlyph flat;
    flat.xAxis = {1, 0};
    flat.yAxis = {2, 0};
    EXPECT_FALSE(vemio::splitGlyphFrame(flat).usable) << "a frame without area";
    vemio::PaintedGlyph none;
    EXPECT_FALSE(vemio::splitGlyphFrame(none).usable);
}

class PlotGlyphs : public HostFixture {
protected:
    void appendText(const AcGePoint3d& at, double rotation, double widthFactor)
    {
        AcDbBlockTableRecord* space = nullptr;
        ASSERT_EQ(acdbOpenObject(space, db()->currentSpaceId(), AcDb::kForWrite), Acad::eOk);
        auto* text = new AcDbText(at, L"X=3000.000", AcDbObjectId::kNull, 2.5, rotation);
        text->setWidthFactor(widthFactor);
        if (space->appendAcDbEntity(text) != Acad::eOk)
            delete text;
        else
            text->close();
        space->close();
    }
    std::string plotted(const std::string& name)
    {
        std::string error;
        EXPECT_TRUE(vemio::plot(db(), m_dir.file(name), vemio::PlotOptions{}, error)) << error;
        return readAll(m_dir.file(name));
    }
    test_support::ScratchDir m_dir{"vem_plot_glyphs"};
};

TEST_F(PlotGlyphs, SvgDefinesEachGlyphOfAShapeOnceAndPdfKeepsTheCharacters)
{
    if (!acrt::StrokeFont::forFontFile(L"").isLoaded())
        GTEST_SKIP() << "stroke fonts not installed";
    for (int i = 0; i < 40; ++i)
        appendText(AcGePoint3d(0, 5.0 * i, 0), i % 2 == 0 ? 0.0 : M_PI / 6, 1.0);
    for (int i = 0; i < 10; ++i)
        appendText(AcGePoint3d(60, 5.0 * i, 0), 0.0, 0.7);
    const std::string svg = plotted("texts.svg");
    // X = 3 0 . inked: five glyphs in each of the two shapes, both turns sharing them.
    EXPECT_EQ(occurrences(svg, "<path id=\""), 10u);
    EXPECT_EQ(occurrences(svg, "<use href=\"#"), 50u * 10u) << "every character placed";
    std::set<std::string> ids;
    for (std::size_t at = svg.find("<path id=\""); at != std::string::npos; at = svg.find("<path id=\"", at + 1))
        EXPECT_TRUE(ids.insert(svg.substr(at + 10, svg.find('"', at + 10) - at - 10)).second) << "ids are unique";
    EXPECT_EQ(occurrences(svg, " d=\"M"), 10u) << "no glyph drawn as strokes where it stands";

    const std::string pdf = plotted("texts.pdf");
    EXPECT_NE(pdf.find("/Type3"), std::string::npos);
    EXPECT_NE(pdf.find("/ToUnicode"), std::string::npos) << "the glyphs map back to their characters";
    const std::string png = plotted("texts.png");
    EXPECT_EQ(png.compare(1, 3, "PNG"), 0) << "a PNG still strokes its texts";
}

}  // namespace
