// PLOT on paper: the page is the sheet (a PDF's MediaBox, an SVG's size in mm, a PNG's
// pixels at its dpi), distances at 1:n measured back from the picture, the drawing unit
// from INSUNITS, lineweights in mm, an offset from the sheet's corner, paper space at
// 1:1, and an area larger than the sheet clipped to it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "drawing_builder.h"
#include "file_text.h"
#include "host_fixture.h"
#include "plot.h"
#include "png_picture.h"
#include "scratch_dir.h"

namespace {

constexpr double kDevicePerMm = 96.0 / 25.4;

using test_support::readAll;

// The numbers of an SVG path's first "M x yL x y" run.
std::vector<double> firstPathPoints(const std::string& svg)
{
    std::vector<double> numbers;
    const size_t d = svg.find(" d=\"M");
    if (d == std::string::npos)
        return numbers;
    const char* p = svg.c_str() + d + 5;
    for (;;) {
        char* end = nullptr;
        const double v = std::strtod(p, &end);
        if (end == p)
            break;
        numbers.push_back(v);
        p = end;
        while (*p == ' ' || *p == 'L')
            ++p;
    }
    return numbers;
}

// The length in mm on paper of the first stroke of an SVG plotted on paper.
double firstStrokeMm(const std::string& svg)
{
    const std::vector<double> n = firstPathPoints(svg);
    if (n.size() < 4)
        return -1;
    return std::hypot(n[2] - n[0], n[3] - n[1]) / kDevicePerMm;
}

class PlotPaper : public HostFixture {
protected:
    std::string file(const std::string& name) const { return m_dir.file(name); }
    void addLine(double x1, double y1, double x2, double y2, const ACHAR* space = ACDB_MODEL_SPACE)
    {
        ASSERT_FALSE(test_support::appendTo(db(), space, test_support::newLine(x1, y1, x2, y2)).isNull());
    }
    vemio::PlotOptions sheet(double width, double height, double scale) const
    {
        vemio::PlotOptions o;
        o.paperWidth = width;
        o.paperHeight = height;
        o.paperScale = scale;
        return o;
    }
    vemio::PlotPage plotted(const std::string& name, const vemio::PlotOptions& options)
    {
        std::string error;
        vemio::PlotPage page;
        EXPECT_TRUE(vemio::plot(db(), file(name), options, error, &page)) << error;
        EXPECT_EQ(vemhost::testing::openObjectCount(db()), 0);
        return page;
    }

    test_support::ScratchDir m_dir{"vem_plot_paper"};
};

}  // namespace

TEST_F(PlotPaper, PdfPageAndSvgSizeAreThePaper)
{
    addLine(0, 0, 100, 0);
    plotted("a3.pdf", sheet(420, 297, 500));
    const std::string pdf = readAll(file("a3.pdf"));
    EXPECT_NE(pdf.find("/MediaBox [ 0 0 1190.55"), std::string::npos) << "A3 landscape is 1190.55 x 841.89 pt";
    EXPECT_NE(pdf.find(" 841.88"), std::string::npos);
    plotted("a4.pdf", sheet(210, 297, 0));
    EXPECT_NE(readAll(file("a4.pdf")).find("/MediaBox [ 0 0 595.27"), std::string::npos);

    plotted("a1.svg", sheet(841, 594, 500));
    const std::string svg = readAll(file("a1.svg"));
    EXPECT_NE(svg.find("width=\"841mm\" height=\"594mm\" viewBox=\"0 0 3178.58 2245.04\""), std::string::npos)
        << svg.substr(0, 200);
}

TEST_F(PlotPaper, OneToFiveHundredPutsTwoMillimetresToTheMetre)
{
    addLine(0, 0, 100, 0);  // 100 m in a new drawing
    ASSERT_EQ(db()->insunits(), AcDb::kUnitsMeters);
    const vemio::PlotPage page = plotted("a1.svg", sheet(841, 594, 500));
    EXPECT_NEAR(firstStrokeMm(readAll(file("a1.svg"))), 200.0, 0.02);
    EXPECT_DOUBLE_EQ(page.scaleDenominator, 500);
    EXPECT_FALSE(page.clipped);

    // The same in pixels: at 254 dpi ten pixels to the mm, the line 2000 pixels long.
    vemio::PlotOptions png = sheet(420, 297, 500);
    png.dpi = 254;
    plotted("a3.png", png);
    test_support::PngPicture picture(file("a3.png"));
    ASSERT_TRUE(picture.ok());
    const auto ink = picture.inkedColumns(0, picture.height() - 1);
    EXPECT_NEAR(ink.second - ink.first + 1, 2000 + 2.5, 2) << "and the round ends of a 0.25 mm line";
    EXPECT_NEAR((ink.first + ink.second) / 2.0, 2100, 2) << "centred across the sheet";

    // A fit fills the sheet inside its 10 mm margins and reports the scale it came to.
    const vemio::PlotPage fit = plotted("fit.svg", sheet(297, 210, 0));
    EXPECT_NEAR(firstStrokeMm(readAll(file("fit.svg"))), 277.0, 0.02);
    EXPECT_NEAR(fit.scaleDenominator, 100000.0 / 277.0, 1e-6);
}

// The PDF read back by poppler: its page size, and the line rendered at 254 dpi (ten
// pixels to the mm) is 200 mm long on A1 at 1:500.
TEST_F(PlotPaper, PdfReadBackByPopplerMeasuresTwoMillimetresToTheMetre)
{
    if (std::system("command -v pdftoppm >/dev/null && command -v pdfinfo >/dev/null") != 0)
        GTEST_SKIP() << "poppler-utils is not installed";
    addLine(0, 0, 100, 0);
    plotted("a1.pdf", sheet(841, 594, 500));
    const std::string quoted = "'" + file("a1") + "'";
    ASSERT_EQ(std::system(("pdfinfo " + quoted + ".pdf > " + quoted + ".txt").c_str()), 0);
    EXPECT_NE(readAll(file("a1.txt")).find(" 2383.94 x 1683.78 pts"), std::string::npos)
        << readAll(file("a1.txt"));
    // The rows about the sheet's middle, where the centred line runs.
    ASSERT_EQ(std::system(("pdftoppm -r 254 -x 0 -y 2900 -W 8410 -H 140 -png -singlefile " + quoted + ".pdf " +
                           quoted + "_rows")
                              .c_str()),
              0);
    test_support::PngPicture picture(file("a1_rows.png"));
    ASSERT_TRUE(picture.ok());
    const auto ink = picture.inkedColumns(0, picture.height() - 1);
    EXPECT_NEAR(ink.second - ink.first + 1, 2000 + 2.5, 3);
    EXPECT_NEAR((ink.first + ink.second) / 2.0, 4205, 3);
}

TEST_F(PlotPaper, TheDrawingUnitComesFromInsunits)
{
    addLine(0, 0, 100, 0);
    plotted("metres.svg", sheet(297, 210, 1));
    ASSERT_EQ(db()->setInsunits(AcDb::kUnitsMillimeters), Acad::eOk);
    plotted("millimetres.svg", sheet(297, 210, 1));
    const double metres = firstStrokeMm(readAll(file("metres.svg")));
    const double millimetres = firstStrokeMm(readAll(file("millimetres.svg")));
    EXPECT_NEAR(millimetres, 100.0, 0.01);
    EXPECT_NEAR(metres / millimetres, 1000.0, 0.5) << "100 m at 1:1 reaches far past the sheet";

    ASSERT_EQ(db()->setInsunits(AcDb::kUnitsInches), Acad::eOk);
    plotted("inches.svg", sheet(297, 210, 10));
    EXPECT_NEAR(firstStrokeMm(readAll(file("inches.svg"))), 254.0, 0.02);
    ASSERT_EQ(db()->setInsunits(AcDb::kUnitsUndefined), Acad::eOk);
    plotted("undefined.svg", sheet(297, 210, 1000));
    EXPECT_NEAR(firstStrokeMm(readAll(file("undefined.svg"))), 100.0, 0.02) << "undefined is taken as metres";
    EXPECT_DOUBLE_EQ(vemio::millimetresPerUnit(AcDb::kUnitsKilometers), 1e6);
    EXPECT_DOUBLE_EQ(vemio::millimetresPerUnit(AcDb::kUnitsFeet), 304.8);
}

TEST_F(PlotPaper, PngPixelsFollowTheResolution)
{
    addLine(0, 0, 10, 5);
    struct Case {
        double width, height, dpi;
        int pixelsAcross, pixelsDown;
    } const cases[] = {
        {297, 210, 150, 1754, 1240}, {297, 210, 300, 3508, 2480}, {210, 297, 72, 595, 842}, {420, 297, 96, 1587, 1123}};
    for (const Case& c : cases) {
        vemio::PlotOptions o = sheet(c.width, c.height, 0);
        o.dpi = c.dpi;
        const vemio::PlotPage page = plotted("sheet.png", o);
        test_support::PngPicture picture(file("sheet.png"));
        EXPECT_EQ(picture.width(), c.pixelsAcross) << c.dpi;
        EXPECT_EQ(picture.height(), c.pixelsDown) << c.dpi;
        EXPECT_EQ(page.width, c.pixelsAcross);
    }
    // A sheet too many pixels for a PNG is refused, with what to lower.
    vemio::PlotOptions huge = sheet(1189, 841, 0);
    huge.dpi = 600;
    std::string error;
    EXPECT_FALSE(vemio::plot(db(), file("huge.png"), huge, error));
    EXPECT_NE(error.find("lower resolution"), std::string::npos) << error;
}

TEST_F(PlotPaper, LineweightsAndOffsetsAreMillimetresOnPaper)
{
    AcDbLine* line = test_support::newLine(0, 0, 10, 0);
    line->setLineWeight(AcDb::kLnWt100);
    ASSERT_FALSE(test_support::appendTo(db(), ACDB_MODEL_SPACE, line).isNull());
    vemio::PlotOptions o = sheet(297, 210, 1000);  // 10 m as 10 mm
    o.centered = false;
    o.offsetX = 20;
    o.offsetY = 30;
    plotted("offset.svg", o);
    const std::string svg = readAll(file("offset.svg"));
    EXPECT_NE(svg.find("stroke-width=\"3.78\""), std::string::npos) << "1 mm wide";
    const std::vector<double> p = firstPathPoints(svg);
    ASSERT_GE(p.size(), 4u);
    EXPECT_NEAR(p[0] / kDevicePerMm, 20, 0.01);
    EXPECT_NEAR(210 - p[1] / kDevicePerMm, 30, 0.01) << "y measured up from the sheet's lower edge";
    EXPECT_NEAR(p[2] / kDevicePerMm, 30, 0.01);

    o.dpi = 254;
    plotted("offset.png", o);
    test_support::PngPicture picture(file("offset.png"));
    const int row = int(std::lround((210 - 30) * 10.0));
    EXPECT_TRUE(picture.inked(250, row - 4) && picture.inked(250, row + 4)) << "1 mm is 10 pixels";
    EXPECT_FALSE(picture.inked(250, row - 7) || picture.inked(250, row + 7));
}

TEST_F(PlotPaper, AnAreaLargerThanTheSheetIsClippedToIt)
{
    addLine(0, 0, 1000, 0);  // 2 m on paper at 1:500
    const vemio::PlotPage page = plotted("clipped.png", sheet(420, 297, 500));
    EXPECT_TRUE(page.clipped);
    test_support::PngPicture picture(file("clipped.png"));
    EXPECT_EQ(picture.width(), 2480);
    const auto ink = picture.inkedColumns(0, picture.height() - 1);
    EXPECT_EQ(ink.first, 0);
    EXPECT_EQ(ink.second, picture.width() - 1);
    EXPECT_FALSE(plotted("whole.png", sheet(420, 297, 5000)).clipped);
    // An offset that pushes the area past the right edge clips too.
    vemio::PlotOptions o = sheet(420, 297, 5000);
    o.centered = false;
    o.offsetX = 300;
    EXPECT_TRUE(plotted("pushed.svg", o).clipped);
}

TEST_F(PlotPaper, LayoutDrawsPaperSpaceAtOneToOneInMillimetres)
{
    addLine(0, 0, 1000, 0);
    addLine(0, 0, 100, 0, ACDB_PAPER_SPACE);
    vemio::PlotOptions o = sheet(297, 210, 0);
    o.layout = true;
    const vemio::PlotPage page = plotted("layout.svg", o);
    EXPECT_NEAR(firstStrokeMm(readAll(file("layout.svg"))), 100.0, 0.01) << "model space's line is not drawn";
    EXPECT_DOUBLE_EQ(page.scaleDenominator, 1);

    std::string error;
    vemio::PlotOptions bad = sheet(0.5, 210, 0);
    EXPECT_FALSE(vemio::plot(db(), file("bad.svg"), bad, error));
    EXPECT_NE(error.find("paper"), std::string::npos) << error;
    bad = sheet(297, 210, 0);
    bad.dpi = 0;
    EXPECT_FALSE(vemio::plot(db(), file("bad.png"), bad, error));
    EXPECT_NE(error.find("resolution"), std::string::npos) << error;
}
