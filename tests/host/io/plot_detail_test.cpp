// PNG plots at their level of detail: where everything is large enough to see, the
// picture and its page are those of the drawing drawn in full, pixel for pixel (the
// extents found from the index's boxes as drawing every entity finds them); what is
// under a couple of pixels is the pixels of its box in its colour, within the window;
// SVG is never drawn otherwise.
#include <gtest/gtest.h>


#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "dxf_test_drawing.h"
#include "file_text.h"
#include "host_fixture.h"
#include "label_builder.h"
#include "plot.h"
#include "png_picture.h"
#include "scratch_dir.h"

namespace {

using namespace dxf_test;

using test_support::readAll;

using Picture = test_support::PngPicture;

bool samePage(const vemio::PlotPage& a, const vemio::PlotPage& b)
{
    return a.width == b.width && a.height == b.height && a.scale == b.scale && a.originX == b.originX &&
           a.originY == b.originY;
}

class PlotDetail : public HostFixture {
protected:
    vemio::PlotPage plotted(const std::string& name, vemio::PlotOptions options, bool detail)
    {
        options.levelOfDetail = detail;
        std::string error;
        vemio::PlotPage page;
        EXPECT_TRUE(vemio::plot(db(), m_dir.file(name), options, error, &page)) << error;
        EXPECT_EQ(vemhost::testing::openObjectCount(db()), 0);
        return page;
    }
    // The picture at its level of detail is the one drawn in full, on the same page.
    void expectSameAsInFull(const std::string& name, const vemio::PlotOptions& options)
    {
        const vemio::PlotPage full = plotted("full_" + name, options, false);
        const vemio::PlotPage scaled = plotted(name, options, true);
        EXPECT_TRUE(samePage(full, scaled)) << name << ": " << full.scale << " " << scaled.scale;
        EXPECT_TRUE(readAll(m_dir.file(name)) == readAll(m_dir.file("full_" + name))) << name << " differs";
    }
    // The same pixels inked on the same page (their shades may differ where strokes
    // overlap: strokes are stroked together in runs, and the entities left out change
    // where the runs break).
    void expectSameInkAsInFull(const std::string& name, const vemio::PlotOptions& options)
    {
        const vemio::PlotPage full = plotted("full_" + name, options, false);
        const vemio::PlotPage scaled = plotted(name, options, true);
        EXPECT_TRUE(samePage(full, scaled)) << name;
        const Picture a(m_dir.file(name)), b(m_dir.file("full_" + name));
        int differing = 0;
        for (int y = 0; y < int(full.height); ++y)
            for (int x = 0; x < int(full.width); ++x)
                differing += (a.at(x, y) == 0xFFFFFFu) != (b.at(x, y) == 0xFFFFFFu) ? 1 : 0;
        EXPECT_EQ(differing, 0) << name;
    }

    // Lines of three colours, a thick one, a wide tapered polyline with an arc, texts in
    // four directions and one turned a little at the top right (its box reaches past its
    // strokes), point labels, and a line far off on a layer that is off.
    void buildNormalDrawing()
    {
        const AcDbObjectId red = addLayer(db(), L"Red", 1);
        const AcDbObjectId off = addLayer(db(), L"Off", 3, true);
        const AcDbObjectId style = addTextStyle(db(), L"vem_text", L"complex8.shx", L"hztxt99.shx");
        append(db(), newLine(0, 0, 100, 0, red));
        append(db(), newLine(0, 0, 0, 50, red, 3));
        AcDbLine* thick = newLine(100, 0, 100, 50, red, 5);
        thick->setLineWeight(AcDb::kLnWt200);
        append(db(), thick);
        append(db(), newPolyline({{10, 25, 0, 8, 0}, {40, 25, 8, 0, 0}, {60, 25, 2, 2, 0.5}, {90, 25, 0, 0, 0}}));
        const double turns[4] = {0, M_PI / 2, M_PI, 3 * M_PI / 2};
        for (int i = 0; i < 4; ++i)
            append(db(), newText(L"X=3000.000", 50, 50, 4, turns[i], AcDbMText::kBottomLeft, style));
        append(db(), newText(L"北=5000", 95, 75, 5, 0.3, AcDbMText::kBottomLeft, style));
        append(db(), test_support::newPointLabel(style, AcGePoint3d(20, 60, 0), AcGePoint3d(25, 65, 0)));
        append(db(), test_support::newPointLabel(style, AcGePoint3d(70, 10, 0), AcGePoint3d(60, 15, 0),
                                                 AcGeVector3d::kYAxis));
        append(db(), newLine(-500, -500, 600, 600, off));
    }

    test_support::ScratchDir m_dir{"vem_plot_detail"};
};

}  // namespace

TEST_F(PlotDetail, PngWhereEverythingIsLargeEnoughIsTheDrawingInFull)
{
    ASSERT_TRUE(loadEntityModule());
    buildNormalDrawing();
    vemio::PlotOptions fit;
    fit.pixelWidth = 400;
    expectSameAsInFull("fit.png", fit);
    vemio::PlotOptions dark = fit;
    dark.darkBackground = true;
    expectSameAsInFull("dark.png", dark);
    vemio::PlotOptions scaled;
    scaled.paperScale = 1000;  // 1 unit = 1 mm
    expectSameAsInFull("scaled.png", scaled);
    vemio::PlotOptions window = fit;
    window.window = true;
    window.corner1 = AcGePoint3d(30, 5, 0);
    window.corner2 = AcGePoint3d(80, 55, 0);
    // A window leaves out the entities whose boxes miss it.
    expectSameInkAsInFull("window.png", window);

    // SVG is drawn in full whatever the option says.
    plotted("detail.svg", fit, true);
    plotted("full.svg", fit, false);
    EXPECT_EQ(readAll(m_dir.file("detail.svg")), readAll(m_dir.file("full.svg")));
}

TEST_F(PlotDetail, EntitiesUnderACoupleOfPixelsAreThePixelsOfTheirBoxInTheirColour)
{
    const AcDbObjectId red = addLayer(db(), L"Red", 1);
    const AcDbObjectId off = addLayer(db(), L"Off", 3, true);
    append(db(), newLine(0, 0, 1000, 0));
    append(db(), newLine(0, 600, 1000, 600));
    for (int i = 0; i < 10; ++i)
        append(db(), newLine(500, 300, 500.4 - i * 0.01, 300.2, red));
    append(db(), newLine(200, 300, 200.4, 300.2, off));
    append(db(), newLine(299.9, 100, 300.5, 100.3, red));  // across the edge of the window below
    vemio::PlotOptions fit;
    const vemio::PlotPage page = plotted("tiny.png", fit, true);
    const Picture tiny(m_dir.file("tiny.png"));
    const int x = int(std::floor(page.deviceX(500))), y = int(std::floor(page.deviceY(300.2)));
    EXPECT_EQ(tiny.at(x, y), 0xFF0000u);
    EXPECT_EQ(tiny.at(x + 2, y), 0xFFFFFFu);
    EXPECT_EQ(tiny.at(x, y - 2), 0xFFFFFFu);
    EXPECT_EQ(tiny.at(int(page.deviceX(200)), int(page.deviceY(300.1))), 0xFFFFFFu);

    // In a window, a mark is cut at its edge.
    vemio::PlotOptions window = fit;
    window.window = true;
    window.corner1 = AcGePoint3d(300, 0, 0);
    window.corner2 = AcGePoint3d(1000, 600, 0);
    const vemio::PlotPage windowPage = plotted("window.png", window, true);
    const Picture cut(m_dir.file("window.png"));
    const double edge = windowPage.deviceX(300);
    const int row = int(std::floor(windowPage.deviceY(100.15)));
    EXPECT_EQ(cut.at(int(std::ceil(edge)), row), 0xFF0000u);
    EXPECT_EQ(cut.at(int(std::floor(edge)) - 1, row), 0xFFFFFFu);
}

TEST_F(PlotDetail, TextsTooLowToReadAreAStrokeAlongTheirInk)
{
    append(db(), newLine(0, 0, 1000, 0));
    append(db(), newLine(0, 600, 1000, 600));
    // 2 units high at about 1.5 pixels a unit: a stroke one pixel wide along the middle.
    const AcDbObjectId id = append(db(), newText(L"X=3000.000", 400, 300, 2, 0, AcDbMText::kBottomLeft));
    AcDbEntity* text = nullptr;
    AcDbExtents ink;
    ASSERT_EQ(acdbOpenAcDbEntity(text, id, AcDb::kForRead), Acad::eOk);
    ASSERT_EQ(text->getGeomExtents(ink), Acad::eOk);
    text->close();
    const vemio::PlotPage page = plotted("low.png", vemio::PlotOptions(), true);
    const Picture low(m_dir.file("low.png"));
    const double middle = page.deviceY((ink.minPoint().y + ink.maxPoint().y) / 2);
    const int x0 = int(page.deviceX(ink.minPoint().x)) + 1, x1 = int(page.deviceX(ink.maxPoint().x)) - 1;
    int inkedRows = 0;
    for (int y = int(middle) - 3; y <= int(middle) + 3; ++y) {
        bool inked = true;
        for (int x = x0; x <= x1; ++x)
            inked = inked && low.at(x, y) != 0xFFFFFFu;
        inkedRows += inked ? 1 : 0;
    }
    EXPECT_GE(inkedRows, 1);
    EXPECT_LE(inkedRows, 2);
    EXPECT_EQ(low.at((x0 + x1) / 2, int(middle) - 3), 0xFFFFFFu);
}
