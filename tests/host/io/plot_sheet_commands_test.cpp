// PLOT's questions in vemcad: every answer to each of them (keywords and their short
// forms, custom paper, 1:n, offsets, dpi), wrong answers asked again, and the reports
// that name the sheet, the scale and the size, and say when the area did not fit.
#include "../shell/vemcad_runner.h"

namespace {

// A line 100 drawing units long (100 m in a new drawing).
const char kLine[] = "LINE 0,0 100,0\n\n";

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(PlotSheetCommand, AsksEveryQuestionInOrderAndReportsTheSheet)
{
    ScratchDir dir;
    const VemcadRun run = runVemcad(dir, std::string(kLine) +
                                             "PLOT\nsite.pdf\nA3\nLandscape\nExtents\n1:500\nCenter\n"
                                             "PLOT\nsheet.png\na1\np\ne\n500\n10,20\n72\n"
                                             "PLOT\nfit.svg\n\n\n\n\n\n");
    EXPECT_EQ(run.status, 0);
    const std::string expected =
        "Enter file name (.svg/.png/.pdf): site.pdf|Paper size [A4/A3/A2/A1/A0/Custom] <A4>: A3|"
        "Orientation [Portrait/Landscape] <Landscape>: Landscape|Plot area [Extents/Window/Layout] <Extents>: Extents|"
        "Plot scale (1:n) or [Fit] <Fit>: 1:500|Plot offset [Center/x,y] <Center>: Center|"
        "Plotted site.pdf (A3 landscape, 1:500, 420 x 297 mm).";
    std::string flat = run.out;
    for (char& c : flat)
        if (c == '\n')
            c = '|';
    EXPECT_TRUE(contains(flat, expected)) << run.out;
    EXPECT_TRUE(contains(run.out, "Resolution in dpi <150>: 72")) << run.out;
    EXPECT_TRUE(
        contains(run.out, "Plotted sheet.png (A1 portrait, 1:500, 594 x 841 mm, 1684 x 2384 pixels at 72 dpi)."))
        << run.out;
    EXPECT_TRUE(contains(run.out, "Plotted fit.svg (A4 landscape, fit at 1:361.0, 297 x 210 mm).")) << run.out;
    EXPECT_FALSE(contains(run.out, "does not fit")) << run.out;
    EXPECT_TRUE(contains(readFile(dir.file("site.pdf")), "/MediaBox [ 0 0 1190.55"));
    EXPECT_TRUE(contains(readFile(dir.file("fit.svg")), "width=\"297mm\" height=\"210mm\""));
}

TEST(PlotSheetCommand, WrongAnswersAreAskedAgain)
{
    ScratchDir dir;
    const VemcadRun run = runVemcad(dir, std::string(kLine) +
                                             "PLOT\ncustom.png\nA5\nA\nCu\nwide\n-5\n6000\n500\n\n300\n"
                                             "side\nPORT\nx\nla\n"  // orientation, then Layout asks no scale
                                             "1,x\n,5\n0,0\n0\n5\n100\n"
                                             "PLOT\nscale.svg\n\n\n\n2:500\n1:0\n1:abc\nf\nnear\n\n");
    EXPECT_EQ(run.status, 0);
    // A5, A (not the whole of a keyword's capitals), side, x, 1,x, ,5, 2:500, 1:abc, near.
    size_t invalid = 0;
    for (size_t at = run.out.find("Invalid option keyword."); at != std::string::npos;
         at = run.out.find("Invalid option keyword.", at + 1))
        ++invalid;
    EXPECT_EQ(invalid, 9u) << run.out;
    EXPECT_TRUE(contains(run.out, "Paper width in mm: wide\nRequires numeric value.")) << run.out;
    EXPECT_TRUE(contains(run.out, "Paper width in mm: -5\nValue must be positive and nonzero.")) << run.out;
    EXPECT_TRUE(contains(run.out, "Paper width in mm: 6000\nRequires a value from 1 to 5000.")) << run.out;
    EXPECT_TRUE(contains(run.out, "Paper height in mm: \nRequires numeric value.")) << run.out;
    EXPECT_TRUE(contains(run.out, "Resolution in dpi <150>: 0\nValue must be positive and nonzero.")) << run.out;
    EXPECT_TRUE(contains(run.out, "Resolution in dpi <150>: 5\nRequires a value from 10 to 2400.")) << run.out;
    EXPECT_TRUE(contains(run.out, "Plot scale (1:n) or [Fit] <Fit>: 1:0\nValue must be positive and nonzero."))
        << run.out;
    // Layout asks no scale; an empty paper space is not plotted.
    EXPECT_TRUE(contains(run.out, "Plot area [Extents/Window/Layout] <Extents>: la\nPlot offset")) << run.out;
    EXPECT_TRUE(contains(run.out, "Cannot plot custom.png: paper space has nothing to plot.")) << run.out;
    EXPECT_TRUE(contains(run.out, "Plotted scale.svg (A4 landscape, fit at 1:361.0, 297 x 210 mm).")) << run.out;
}

TEST(PlotSheetCommand, InsunitsSetsTheUnitAndTooLargeAnAreaIsClipped)
{
    ScratchDir dir;
    // At 1:1 the line is 100 m in metres (far past A4) and 100 mm in millimetres.
    const VemcadRun run = runVemcad(dir, std::string(kLine) +
                                             "PLOT\nmetres.svg\n\n\n\n1\n\n"
                                             "SETVAR\nINSUNITS\n4\n"
                                             "PLOT\nmillimetres.svg\n\n\n\n1\n\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(contains(run.out, "Plotted metres.svg (A4 landscape, 1:1, 297 x 210 mm).\n"
                                  "The plot area does not fit on A4 at 1:1; the part outside the paper is left out."))
        << run.out;
    const size_t millimetres = run.out.find("Plotted millimetres.svg (A4 landscape, 1:1, 297 x 210 mm).");
    ASSERT_NE(millimetres, std::string::npos) << run.out;
    EXPECT_FALSE(contains(run.out.substr(millimetres), "does not fit")) << run.out;
}

TEST(PlotSheetCommand, WindowCornersAndCustomPaperGoOnTheSheet)
{
    ScratchDir dir;
    const VemcadRun run = runVemcad(dir, std::string(kLine) +
                                             "PLOT\npart.svg\nc\n300\n500\nLANDSCAPE\nw\n0,-10\n50,10\n1:250\n\n"
                                             "PLOT\nedge.pdf\n\nportrait\n\n1:2000\n170,0\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(contains(run.out, "Specify first corner: 0,-10")) << run.out;
    EXPECT_TRUE(contains(run.out, "Plotted part.svg (custom landscape, 1:250, 500 x 300 mm).")) << run.out;
    const std::string svg = readFile(dir.file("part.svg"));
    EXPECT_TRUE(contains(svg, "width=\"500mm\" height=\"300mm\"")) << svg.substr(0, 200);
    EXPECT_TRUE(contains(svg, "clip-path")) << svg.substr(0, 400);
    // 50 mm of line from 170 mm across a 210 mm sheet: the end is cut off.
    EXPECT_TRUE(contains(run.out, "Plotted edge.pdf (A4 portrait, 1:2000, 210 x 297 mm).\n"
                                  "The plot area does not fit on A4 at 1:2000; the part outside the paper is "
                                  "left out."))
        << run.out;
}
