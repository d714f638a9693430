// Chinese characters in PLOT's pictures: a PNG cell of 北 holds the glyph's ink (neither
// blank nor the square drawn for a character without a glyph), SVG and PDF keep it as a
// filled vector outline, and vemcad says once at start when the outline font is missing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "cjk_outlines.h"
#include "dbents.h"
#include "dbsymtb.h"
#include "file_text.h"
#include "host_fixture.h"
#include "plot.h"
#include "png_picture.h"
#include "scratch_dir.h"

namespace {

using test_support::occurrences;
using test_support::readAll;

// A character no font here has a glyph for: drawn as the square.
constexpr wchar_t kNoGlyph = wchar_t(0x10FFFD);

class CjkGlyphPlot : public HostFixture {
protected:
    // 北 at x = 0, the square at x = 20, nothing at x = 40; each cell 10 high.
    void SetUp() override
    {
        HostFixture::SetUp();
        m_options.window = true;
        m_options.corner1 = AcGePoint3d(-5, -5, 0);
        m_options.corner2 = AcGePoint3d(55, 15, 0);
        m_options.pixelWidth = 600;
        appendText(AcGePoint3d(0, 0, 0), L"北");
        const wchar_t square[] = {kNoGlyph, 0};
        appendText(AcGePoint3d(20, 0, 0), square);
    }
    void appendText(const AcGePoint3d& at, const wchar_t* text)
    {
        AcDbBlockTableRecord* space = nullptr;
        ASSERT_EQ(acdbOpenObject(space, db()->currentSpaceId(), AcDb::kForWrite), Acad::eOk);
        AcDbText* entity = new AcDbText(at, text, AcDbObjectId::kNull, 10);
        if (space->appendAcDbEntity(entity) != Acad::eOk)
            delete entity;
        else
            entity->close();
        space->close();
    }
    std::string plotted(const std::string& name)
    {
        std::string error;
        EXPECT_TRUE(vemio::plot(db(), m_dir.file(name), m_options, error, &m_page)) << error;
        return m_dir.file(name);
    }
    // Inked pixels within the cell at x0 (its inside: a few pixels in from its edges),
    // and the pixels that differ from the cell at x1.
    int inkedInside(const test_support::PngPicture& picture, double x0) const
    {
        int inked = 0;
        forInside(x0, [&](int x, int y) { inked += picture.inked(x, y) ? 1 : 0; });
        return inked;
    }
    int differing(const test_support::PngPicture& picture, double x0, double x1) const
    {
        const int shift = int(std::lround(m_page.deviceX(x1) - m_page.deviceX(x0)));
        int count = 0;
        forInside(x0, [&](int x, int y) { count += picture.at(x, y) != picture.at(x + shift, y) ? 1 : 0; });
        return count;
    }
    template <class Visit>
    void forInside(double x0, Visit visit) const
    {
        const int left = int(m_page.deviceX(x0)) + 4, right = int(m_page.deviceX(x0 + 10)) - 4;
        const int top = int(m_page.deviceY(10)) + 4, bottom = int(m_page.deviceY(0)) - 4;
        for (int y = top; y <= bottom; ++y)
            for (int x = left; x <= right; ++x)
                visit(x, y);
    }
    int insideArea() const { return int((m_page.deviceX(10) - m_page.deviceX(0) - 8) * (m_page.deviceY(0) - m_page.deviceY(10) - 8)); }

    test_support::ScratchDir m_dir{"vem_cjk_plot"};
    vemio::PlotOptions m_options;
    vemio::PlotPage m_page;
};

TEST_F(CjkGlyphPlot, PngCellOfAChineseCharacterHoldsItsGlyph)
{
    if (!acrt::CjkOutlines::shared().isLoaded())
        GTEST_SKIP() << "CJK outline font not installed";
    const test_support::PngPicture picture(plotted("glyph.png"));
    ASSERT_TRUE(picture.ok());
    const int area = insideArea();
    ASSERT_GT(area, 2000) << "cells of some 100 pixels";
    EXPECT_EQ(inkedInside(picture, 40), 0) << "the blank cell";
    EXPECT_LT(inkedInside(picture, 20), area / 50) << "the square is ink on its edges only";
    const int glyph = inkedInside(picture, 0);
    EXPECT_GT(glyph, area / 10) << "the glyph's strokes fill part of its cell";
    EXPECT_LT(glyph, area * 7 / 10) << "and leave the rest";
    EXPECT_GT(differing(picture, 0, 20), area / 10) << "the glyph is not the square";
}

TEST_F(CjkGlyphPlot, SvgAndPdfKeepTheGlyphAsAFilledOutline)
{
    if (!acrt::CjkOutlines::shared().isLoaded())
        GTEST_SKIP() << "CJK outline font not installed";
    const std::string svg = readAll(plotted("glyph.svg"));
    ASSERT_EQ(occurrences(svg, "stroke=\"none\" d=\""), 1u) << "one filled outline defined for the one glyph";
    const std::size_t d = svg.find("d=\"", svg.find("stroke=\"none\" d=\""));
    const std::string outline = svg.substr(d, svg.find('"', d + 3) - d);
    EXPECT_GT(occurrences(outline, " "), 40u) << "a glyph's outline, not a box: " << outline.substr(0, 200);
    EXPECT_EQ(occurrences(svg, "<use href=\"#"), 2u) << "the glyph, and the square of a character no font has";
    EXPECT_EQ(svg.find("<image"), std::string::npos);
    const std::string pdf = readAll(plotted("glyph.pdf"));
    ASSERT_EQ(pdf.compare(0, 5, "%PDF-"), 0);
    EXPECT_EQ(pdf.find("/Image"), std::string::npos) << "vector outlines, no picture";
    EXPECT_NE(pdf.find("/Type3"), std::string::npos) << "the glyphs are a font of their own";
}

#if defined(VEM_BIN_DIR)
// vemcad says once at start that the outline font is missing, and nothing when it is there.
TEST(CjkFontMessage, VemcadSaysOnceWhenTheOutlineFontIsMissing)
{
    test_support::ScratchDir dir("vem_cjk_message");
    std::ofstream(dir.file("empty.scr")) << "\n";
    const std::string message = "CJK outline font not found";
    for (const bool missing : {true, false}) {
        if (!missing && !acrt::CjkOutlines::loadFromFile(acrt::CjkOutlines::kDefaultPath)->isLoaded())
            continue;
        const std::string font = missing ? dir.file("absent.ttc") : acrt::CjkOutlines::kDefaultPath;
        const std::string command = "cd '" + dir.path() + "' && VEM_CJK_FONT='" + font + "' '" VEM_BIN_DIR
                                    "/vemcad' --no-commands --script empty.scr > out.txt 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0);
        const std::string out = readAll(dir.file("out.txt"));
        EXPECT_EQ(occurrences(out, message), missing ? 1u : 0u) << out;
        if (missing) {
            EXPECT_NE(out.find(dir.file("absent.ttc")), std::string::npos) << out;
        }
    }
}
#endif

}  // namespace
