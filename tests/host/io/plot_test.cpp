// PLOT: SVG pictures of fixed drawings compared byte for byte with the files in
// golden/ (run with VEM_UPDATE_GOLDEN=1 to rewrite them on purpose), the page layout
// of both scale conventions, PNG pixels where a label's strokes must be, PDF files,
// and the errors that leave no file behind.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "drawing_file.h"
#include "dxf_test_drawing.h"
#include "file_text.h"
#include "host_fixture.h"
#include "plot.h"
#include "png_picture.h"
#include "scratch_dir.h"
#include "stroke_font.h"

namespace {

using namespace dxf_test;

using test_support::readAll;

using Picture = test_support::PngPicture;

class Plot : public HostFixture {
protected:
    std::string file(const std::string& name) const { return m_dir.file(name); }
    std::string listing() const { return m_dir.listing(); }
    vemio::PlotPage plotted(const std::string& name, const vemio::PlotOptions& options = {})
    {
        std::string error;
        vemio::PlotPage page;
        EXPECT_TRUE(vemio::plot(db(), file(name), options, error, &page)) << error;
        EXPECT_EQ(vemhost::testing::openObjectCount(db()), 0);
        return page;
    }
    // The picture equals the golden file, or becomes it when rewriting on purpose.
    void expectGolden(const std::string& name)
    {
        const std::string golden = std::string(VEM_GOLDEN_DIR) + "/" + name;
        const std::string made = readAll(file(name));
        if (std::getenv("VEM_UPDATE_GOLDEN") != nullptr) {
            std::ofstream(golden, std::ios::binary) << made;
            return;
        }
        EXPECT_EQ(made, readAll(golden)) << name << " differs from " << golden;
    }
    bool fontsInstalled() const { return acrt::StrokeFont::forFontFile(L"").isLoaded(); }

    // Lines of three colours, a wide tapered polyline, a thick line on a layer.
    void buildLinesDrawing()
    {
        const AcDbObjectId red = addLayer(db(), L"Red", 1);
        const AcDbObjectId off = addLayer(db(), L"Off", 3, true);
        append(db(), newLine(0, 0, 100, 0, red));
        append(db(), newLine(0, 0, 0, 50, red, 3));
        append(db(), newLine(0, 50, 100, 50));
        AcDbLine* thick = newLine(100, 0, 100, 50, red, 5);
        thick->setLineWeight(AcDb::kLnWt200);
        append(db(), thick);
        append(db(), newPolyline({{10, 25, 0, 8, 0}, {40, 25, 8, 0, 0}, {60, 25, 2, 2, 0.5}, {90, 25, 0, 0, 0}}));
        append(db(), newLine(500, 500, 600, 600, off));  // not plotted and outside the extents
    }

    // Texts in the four directions, one with characters the font lacks.
    void buildTextsDrawing()
    {
        const AcDbObjectId style = addTextStyle(db(), L"vem_text", L"complex8.shx", L"hztxt99.shx");
        const double turns[4] = {0, M_PI / 2, M_PI, 3 * M_PI / 2};
        for (int i = 0; i < 4; ++i)
            append(db(), newText(L"X=3000.000", 50, 50, 4, turns[i], AcDbMText::kBottomLeft, style));
        append(db(), newText(L"北=5000", 10, 90, 5));
    }

    test_support::ScratchDir m_dir{"vem_plot"};
};

}  // namespace

TEST_F(Plot, SvgOfFixedDrawingsMatchesTheGoldenFiles)
{
    if (!fontsInstalled())
        GTEST_SKIP() << "the stroke fonts (hershey-fonts-data) are not installed";
    buildLinesDrawing();
    vemio::PlotOptions fit;
    fit.pixelWidth = 400;
    plotted("plot_lines.svg", fit);
    expectGolden("plot_lines.svg");

    // The same drawing again in the same process gives the same bytes.
    plotted("again.svg", fit);
    EXPECT_EQ(readAll(file("again.svg")), readAll(file("plot_lines.svg")));
}

TEST_F(Plot, SvgOfTextsInAWindowOnDarkMatchesTheGoldenFile)
{
    if (!fontsInstalled())
        GTEST_SKIP() << "the stroke fonts (hershey-fonts-data) are not installed";
    buildTextsDrawing();
    vemio::PlotOptions window;
    window.window = true;
    window.corner1 = AcGePoint3d(100, 100, 0);
    window.corner2 = AcGePoint3d(0, 0, 0);
    window.darkBackground = true;
    window.paperScale = 1000;  // 1 unit = 1 mm
    plotted("plot_texts.svg", window);
    expectGolden("plot_texts.svg");
    const std::string svg = readAll(file("plot_texts.svg"));
    EXPECT_NE(svg.find("clip-path"), std::string::npos);
    EXPECT_NE(svg.find("fill=\"#212830\""), std::string::npos);  // the dark background
    EXPECT_NE(svg.find("stroke=\"#ffffff\""), std::string::npos);  // colour 7 on dark
}

TEST_F(Plot, PageLayoutFollowsBothScaleConventions)
{
    append(db(), newLine(0, 0, 100, 50));
    vemio::PlotOptions fit;
    fit.pixelWidth = 800;
    vemio::PlotPage page = plotted("fit.svg", fit);
    EXPECT_EQ(page.width, 800);
    EXPECT_DOUBLE_EQ(page.scale, (800 - 2 * 20) / 100.0);  // margin: a fortieth of the width
    EXPECT_EQ(page.height, std::ceil(50 * page.scale + 40));
    EXPECT_DOUBLE_EQ(page.deviceX(0), 20);
    EXPECT_DOUBLE_EQ(page.deviceY(50), 20);

    // 1:100 with drawing units in metres: one unit is 10 mm on paper.
    vemio::PlotOptions scaled;
    scaled.paperScale = 100;
    page = plotted("scaled.svg", scaled);
    EXPECT_DOUBLE_EQ(page.scale, 10 * 96 / 25.4);
    const double margin = 10 * 96 / 25.4;
    EXPECT_EQ(page.width, std::ceil(100 * page.scale + 2 * margin));
    EXPECT_NEAR(page.deviceX(0), margin, 1.0);

    // A tall drawing is fitted into four widths of height.
    append(db(), newLine(0, 0, 0, 5000));
    page = plotted("tall.svg", fit);
    EXPECT_EQ(page.width, 800);
    EXPECT_EQ(page.height, 3200);
    EXPECT_NEAR(page.deviceX(50), 400, 1e-9);  // centred across

    // A window fills the page whatever lies outside it.
    vemio::PlotOptions window = fit;
    window.window = true;
    window.corner1 = AcGePoint3d(10, 10, 0);
    window.corner2 = AcGePoint3d(30, 20, 0);
    page = plotted("window.svg", window);
    EXPECT_DOUBLE_EQ(page.deviceX(10), 20);
    EXPECT_DOUBLE_EQ(page.deviceX(30), 780);
}

TEST_F(Plot, PngHasThePageSizeAndInkWhereTheStrokesAre)
{
    const AcDbObjectId red = addLayer(db(), L"Red", 1);
    append(db(), newLine(0, 0, 100, 0, red));
    append(db(), newLine(0, 40, 100, 40));
    vemio::PlotOptions fit;
    fit.pixelWidth = 500;
    vemio::PlotPage page = plotted("lines.png", fit);
    Picture picture(file("lines.png"));
    ASSERT_TRUE(picture.ok());
    EXPECT_EQ(picture.width(), 500);
    EXPECT_EQ(picture.height(), int(page.height));
    const int redY = int(page.deviceY(0)), blackY = int(page.deviceY(40)), midX = int(page.deviceX(50));
    EXPECT_EQ(picture.at(midX, redY), 0xFF0000u);
    EXPECT_EQ(picture.at(midX, blackY), 0x000000u);
    EXPECT_EQ(picture.at(midX, int(page.deviceY(20))), 0xFFFFFFu);
    EXPECT_FALSE(picture.inked(int(page.deviceX(0)) - 6, redY));

    fit.darkBackground = true;
    page = plotted("dark.png", fit);
    Picture dark(file("dark.png"));
    ASSERT_TRUE(dark.ok());
    EXPECT_EQ(dark.at(midX, blackY), 0xFFFFFFu);  // colour 7 turns white
    EXPECT_EQ(dark.at(midX, int(page.deviceY(20))), 0x212830u);
}

TEST_F(Plot, PngShowsABlocksEntitiesWhereItsReferencePlacesThem)
{
    // A red line and a line coloured by block, shown turned a quarter and stretched
    // twice along the block's X by a green reference.
    const AcDbObjectId red = addLayer(db(), L"Red", 1);
    AcDbLine* byBlock = newLine(0, 5, 10, 5);
    byBlock->setColorIndex(0);
    const AcDbObjectId block = test_support::addBlock(db(), L"MARK", AcGePoint3d(), {newLine(0, 0, 10, 0, red), byBlock});
    AcDbBlockReference* ref = new AcDbBlockReference(AcGePoint3d(50, 0, 0), block);
    ref->setScaleFactors(AcGeScale3d(2, 1, 1));
    ref->setRotation(M_PI / 2);
    ref->setColorIndex(3);
    append(db(), ref);
    append(db(), newLine(0, -10, 100, -10));
    vemio::PlotOptions fit;
    fit.pixelWidth = 500;
    const vemio::PlotPage page = plotted("reference.png", fit);
    Picture picture(file("reference.png"));
    ASSERT_TRUE(picture.ok());
    // A line may fall between two pixels, each then half inked: the colour shows in
    // the channel that stays full while the others fade.
    auto full = [&](double x, double yWorld, int shift) {
        const unsigned c = picture.at(int(page.deviceX(x)), int(page.deviceY(yWorld)));
        return ((c >> shift) & 0xFF) == 0xFF && ((c >> ((shift + 8) % 24)) & 0xFF) < 0x80;
    };
    const int y = int(page.deviceY(10));
    EXPECT_TRUE(full(50, 10, 16)) << "red";
    EXPECT_TRUE(full(45, 10, 8)) << "green";
    EXPECT_FALSE(picture.inked(int(page.deviceX(47.5)), y));
    EXPECT_FALSE(picture.inked(int(page.deviceX(5)), int(page.deviceY(0)))) << "the block as it is in its own place";
}

#ifdef VEM_HAVE_VEMD
TEST_F(Plot, PointLabelUnderlineSpansTheWiderTextInThePicture)
{
    if (!fontsInstalled())
        GTEST_SKIP() << "the stroke fonts (hershey-fonts-data) are not installed";
    ASSERT_TRUE(loadEntityModule());
    const AcDbObjectId style = addTextStyle(db(), L"vem_text", L"complex8.shx", L"hztxt99.shx");
    // The leader runs left from the text point, on the underline's row and out of the
    // window; the underline runs right.
    append(db(), new ECoPoint(L"X", L"Y", AcGePoint3d(-10, 10, 0), AcGePoint3d(10, 10, 0), AcGePoint3d(0, 0, 0),
                              AcGeVector3d::kYAxis, AcGeVector3d::kXAxis, AcGeVector3d::kXAxis, 500, 1, 3, style));
    // The label's own pieces say where its strokes are.
    AcDbBlockTable* table = nullptr;
    AcDbBlockTableRecord* space = nullptr;
    db()->getBlockTable(table, AcDb::kForRead);
    table->getAt(ACDB_MODEL_SPACE, space, AcDb::kForRead);
    table->close();
    AcDbEntity* label = nullptr;
    ASSERT_EQ(acdbOpenObject(label, space->entityIds()[0], AcDb::kForRead), Acad::eOk);
    space->close();
    AcDbVoidPtrArray pieces;
    ASSERT_EQ(label->explode(pieces), Acad::eOk);
    label->close();
    ASSERT_EQ(pieces.length(), 4);
    std::unique_ptr<AcDbLine> underline(static_cast<AcDbLine*>(pieces[1]));
    std::unique_ptr<AcDbMText> upper(static_cast<AcDbMText*>(pieces[2]));
    std::unique_ptr<AcDbMText> lower(static_cast<AcDbMText*>(pieces[3]));
    delete static_cast<AcDbEntity*>(pieces[0]);
    AcDbExtents upperInk, lowerInk;
    ASSERT_EQ(upper->getGeomExtents(upperInk), Acad::eOk);
    ASSERT_EQ(lower->getGeomExtents(lowerInk), Acad::eOk);

    vemio::PlotOptions window;
    window.window = true;
    window.corner1 = AcGePoint3d(10, 0, 0);
    window.corner2 = AcGePoint3d(10 + 60, 30, 0);
    window.pixelWidth = 1200;
    const vemio::PlotPage page = plotted("label.png", window);
    Picture picture(file("label.png"));
    ASSERT_TRUE(picture.ok());

    // The underline's row is inked from its start to its end, and no further.
    const int row = int(std::floor(page.deviceY(underline->startPoint().y)));
    const auto line = picture.inkedColumns(row, row);
    EXPECT_NEAR(line.first, page.deviceX(underline->startPoint().x), 2.0);
    EXPECT_NEAR(line.second, page.deviceX(underline->endPoint().x), 2.0);
    // The texts' ink lies where their measured extents say; the wider one spans the line.
    for (const AcDbExtents* ink : {&upperInk, &lowerInk}) {
        const auto cols = picture.inkedColumns(int(page.deviceY(ink->maxPoint().y)) + 2,
                                               int(page.deviceY(ink->minPoint().y)) - 2);
        EXPECT_NEAR(cols.first, page.deviceX(ink->minPoint().x), 2.0);
        EXPECT_NEAR(cols.second, page.deviceX(ink->maxPoint().x), 2.0);
    }
    const double widest = std::max(upperInk.maxPoint().x - upperInk.minPoint().x,
                                   lowerInk.maxPoint().x - lowerInk.minPoint().x);
    EXPECT_NEAR(underline->endPoint().x - underline->startPoint().x, widest, 1e-9);
}

// A coordinate system whose axis name runs to a million characters: each picture and
// the DXF are written in memory bounded per piece drawn, not by the whole text at once.
TEST_F(Plot, AMillionCharacterAxisNameIsWrittenWithinBoundedMemory)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit allows";
#else
    ASSERT_TRUE(loadEntityModule());
    const AcDbObjectId style = addTextStyle(db(), L"vem_text", L"complex8.shx", L"hztxt99.shx");
    const std::wstring name(1000000, L'A');
    append(db(), new EOrigin(AcString(name.c_str()), AcString(L"B"), 0, 0, AcGePoint3d(0, 0, 0), 90, 0, 1, 1, 3, style));
    std::string error;
    ASSERT_TRUE(vemio::saveDrawing(db(), file("long.vdb"), error)) << error;
    std::ofstream(file("out.scr")) << "PLOT\nlong.png\n\n\n\n\n\n\nPLOT\nlong.svg\n\n\n\n\n\nPLOT\nlong.pdf\n\n\n\n\n\n"
                                "DXFOUT\nlong.dxf\n";
    const std::string command = "cd '" + m_dir.path() + "' && ulimit -v 1000000 && '" VEM_BIN_DIR
                                "/vemcad' --no-commands --script out.scr long.vdb > out.txt 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << readAll(file("out.txt"));
    const std::string out = readAll(file("out.txt"));
    for (const char* made : {"Plotted long.png", "Plotted long.svg", "Plotted long.pdf", "Wrote long.dxf"})
        EXPECT_NE(out.find(made), std::string::npos) << made << "\n" << out.substr(out.size() > 2000 ? out.size() - 2000 : 0);
#endif
}
#endif

TEST_F(Plot, PdfIsAPdfOfThePageSize)
{
    append(db(), newLine(0, 0, 100, 50));
    plotted("plan.PDF");
    const std::string pdf = readAll(file("plan.PDF"));
    EXPECT_EQ(pdf.compare(0, 5, "%PDF-"), 0);
    EXPECT_NE(pdf.find("/MediaBox [ 0 0 1200 "), std::string::npos);  // 1600 units of 0.75 pt
}

TEST_F(Plot, RefusesWhatCannotBePlottedAndLeavesNoFile)
{
    std::string error;
    vemio::PlotOptions options;
    EXPECT_FALSE(vemio::plot(db(), file("empty.png"), options, error));
    EXPECT_NE(error.find("nothing to plot"), std::string::npos) << error;

    append(db(), newLine(0, 0, 100, 50));
    EXPECT_FALSE(vemio::plot(db(), file("plan.bmp"), options, error));
    EXPECT_NE(error.find(".svg, .png or .pdf"), std::string::npos) << error;
    EXPECT_FALSE(vemio::isPlotFileName("plan.svg/x"));
    EXPECT_TRUE(vemio::isPlotFileName("Plan.Svg"));
    EXPECT_FALSE(vemio::plot(nullptr, file("plan.png"), options, error));

    vemio::PlotOptions window;
    window.window = true;
    window.corner1 = window.corner2 = AcGePoint3d(5, 5, 0);
    EXPECT_FALSE(vemio::plot(db(), file("flat.png"), window, error));
    EXPECT_NE(error.find("no area"), std::string::npos) << error;
    window.corner2 = AcGePoint3d(std::nan(""), 1, 0);
    EXPECT_FALSE(vemio::plot(db(), file("nan.png"), window, error));

    vemio::PlotOptions huge;
    huge.paperScale = 0.01;  // 100 m on paper per drawing unit
    EXPECT_FALSE(vemio::plot(db(), file("huge.png"), huge, error));
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
    huge.paperScale = -1;
    EXPECT_FALSE(vemio::plot(db(), file("negative.png"), huge, error));
    vemio::PlotOptions narrow;
    narrow.pixelWidth = 2;
    EXPECT_FALSE(vemio::plot(db(), file("narrow.png"), narrow, error));

    EXPECT_FALSE(vemio::plot(db(), file("missing/plan.svg"), options, error));
    EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
    EXPECT_FALSE(vemio::plot(db(), file("missing/plan.png"), options, error));
    EXPECT_FALSE(vemio::plot(db(), file("missing/plan.pdf"), options, error));
    EXPECT_EQ(listing(), "");

    // An existing picture is replaced whole.
    ASSERT_TRUE(vemio::plot(db(), file("plan.svg"), options, error)) << error;
    std::ofstream(file("plan.svg")) << "old";
    ASSERT_TRUE(vemio::plot(db(), file("plan.svg"), options, error)) << error;
    EXPECT_EQ(readAll(file("plan.svg")).compare(0, 5, "<?xml"), 0);
    EXPECT_EQ(listing(), "plan.svg\n");
}

TEST_F(Plot, ReplacesAPictureWholeThroughItsLinkOrLeavesItAsItWas)
{
    buildLinesDrawing();
    for (const char* extension : {".svg", ".png", ".pdf"}) {
        const std::string real = file(std::string("real") + extension);
        const std::string link = file(std::string("link") + extension);
        std::ofstream(real) << "old";
        ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
        ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);

        // The disk fills part-way: the old picture stays, and nothing else is left.
        std::string error;
        {
            FileSizeLimit limit(64);
            EXPECT_FALSE(vemio::plot(db(), link, vemio::PlotOptions(), error)) << extension;
        }
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(readAll(real), "old") << extension;
        EXPECT_EQ(listing(), std::string("link") + extension + "\nreal" + extension + "\n");

        // Plotted whole: the link is still a link, and the file it names keeps its permissions.
        ASSERT_TRUE(vemio::plot(db(), link, vemio::PlotOptions(), error)) << error;
        EXPECT_TRUE(isSymbolicLink(link));
        EXPECT_NE(readAll(real), "old");
        EXPECT_EQ(permissionsOf(real), 0640u);
        EXPECT_EQ(listing(), std::string("link") + extension + "\nreal" + extension + "\n");
        ::unlink(link.c_str());
        ::unlink(real.c_str());
    }
}
