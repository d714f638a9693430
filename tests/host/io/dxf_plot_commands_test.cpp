// DXFOUT and PLOT in vemcad: their prompts and reports, the files they write, window
// corners, bad answers asked again or refused, and a cancel at each prompt.
#include "../shell/vemcad_runner.h"

namespace {

// A line and a point label (with its coordinate system) to write out.
const char kDrawing[] =
    "LINE 0,0 100,50\n\n"
    "EORI\n0,0\n\n\n\n\n\n\n\n\n\n"
    "ECOP\n0,5\n10,20\n15,25\n\n";

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(OutputCommands, DxfoutWritesTheDrawingUnderANameWithSpaces)
{
    ScratchDir dir;
    const VemcadRun run = runVemcad(dir, std::string(kDrawing) + "DXFOUT\nsite plan.dxf\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(contains(run.out, "Enter file name or [Version]: site plan.dxf")) << run.out;
    EXPECT_TRUE(contains(run.out, "Wrote site plan.dxf (")) << run.out;
    const std::string dxf = readFile(dir.file("site plan.dxf"));
    const std::string start = "  0\nSECTION\n  2\nHEADER\n";
    EXPECT_EQ(dxf.compare(0, start.size(), start), 0);
    EXPECT_TRUE(contains(dxf, "\nLINE\n"));
    EXPECT_TRUE(contains(dxf, "\nMTEXT\n"));  // the label's texts
    EXPECT_TRUE(contains(dxf, "\nEOF\n"));

    const VemcadRun failed = runVemcad(dir, "DXFOUT\nno such dir/plan.dxf\n");
    EXPECT_TRUE(contains(failed.out, "Cannot write no such dir/plan.dxf: cannot create")) << failed.out;
}

TEST(OutputCommands, DxfoutWritesR2000WithEscapesOrR2018InUtf8)
{
    ScratchDir dir;
    const std::string chinese = "TEXT\n0,-5\n2.5\n0\n坐标 plan\nLAYER\nN\n图层\n\n";
    const VemcadRun run = runVemcad(dir, std::string(kDrawing) + chinese +
                                             "DXFOUT\nold.dxf\nDXFOUT\nv\nR2018\nnew.dxf\n"
                                             "DXFOUT\nVersion\nR14\n2000\nagain.dxf\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(contains(run.out, "Enter DXF version [R2000/R2018] <R2000>: R2018")) << run.out;
    EXPECT_TRUE(contains(run.out, "Invalid option keyword.")) << run.out;
    const std::string older = readFile(dir.file("old.dxf")), newer = readFile(dir.file("new.dxf"));
    EXPECT_TRUE(contains(older, "$ACADVER\n  1\nAC1015\n"));
    EXPECT_TRUE(contains(older, "\\U+5750\\U+6807 plan\n"));
    EXPECT_TRUE(contains(older, "\n\\U+56FE\\U+5C42\n"));
    EXPECT_TRUE(contains(newer, "$ACADVER\n  1\nAC1032\n"));
    EXPECT_TRUE(contains(newer, "坐标 plan\n"));
    EXPECT_TRUE(contains(newer, "\n图层\n"));
    EXPECT_FALSE(contains(newer, "\\U+"));
    EXPECT_EQ(readFile(dir.file("again.dxf")), older) << "the version is chosen for one DXFOUT";
}

TEST(OutputCommands, PlotAsksFileSheetAreaAndCorners)
{
    ScratchDir dir;
    const VemcadRun run = runVemcad(dir, std::string(kDrawing) +
                                             "PLOT\nall.png\n\n\n\n\n\n\n"
                                             "PLOT\npart.svg\n\n\nw\n0,0\n50,25\n\n\n"
                                             "PLOT\nplan.txt\n"
                                             "PLOT\nagain.pdf\n\n\nX\ne\n\n\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(contains(run.out, "Enter file name (.svg/.png/.pdf): all.png")) << run.out;
    EXPECT_TRUE(contains(run.out, "Plot area [Extents/Window/Layout] <Extents>: ")) << run.out;
    EXPECT_TRUE(contains(run.out, "Plotted all.png (A4 landscape, fit at 1:")) << run.out;
    EXPECT_TRUE(contains(run.out, "297 x 210 mm, 1754 x 1240 pixels at 150 dpi).")) << run.out;
    EXPECT_TRUE(contains(run.out, "Specify first corner: 0,0")) << run.out;
    EXPECT_TRUE(contains(run.out, "Specify opposite corner: 50,25")) << run.out;
    EXPECT_TRUE(contains(run.out, "Plotted part.svg (A4 landscape, fit at 1:")) << run.out;
    EXPECT_TRUE(contains(run.out, "Cannot plot plan.txt: the file name must end in .svg, .png or .pdf.")) << run.out;
    EXPECT_TRUE(contains(run.out, "Invalid option keyword.")) << run.out;
    EXPECT_TRUE(contains(run.out, "Plotted again.pdf")) << run.out;
    EXPECT_EQ(readFile(dir.file("all.png")).compare(1, 3, "PNG"), 0);
    EXPECT_TRUE(contains(readFile(dir.file("part.svg")), "clip-path"));
    EXPECT_EQ(readFile(dir.file("again.pdf")).compare(0, 5, "%PDF-"), 0);
}

TEST(OutputCommands, CancelAtEachPromptWritesNothing)
{
    ScratchDir dir;
    const char* const cancels[] = {
        "DXFOUT\n^C\n",
        "PLOT\n^C\n",
        "PLOT\nc1.png\n^C\n",
        "PLOT\nc2.png\n\n\nW\n^C\n",
        "PLOT\nc3.png\n\n\nW\n0,0\n^C\n",
        "PLOT\nc4.png\nC\n^C\n",
        "PLOT\nc5.png\nC\n400\n^C\n",
        "PLOT\nc6.png\nA3\n^C\n",
        "PLOT\nc7.png\n\n\n^C\n",
        "PLOT\nc8.png\n\n\n\n^C\n",
        "PLOT\nc9.png\n\n\n\n1:500\n^C\n",
        "PLOT\nc10.png\n\n\n\n\n\n^C\n",
    };
    for (const char* cancel : cancels) {
        const VemcadRun run = runVemcad(dir, std::string(kDrawing) + cancel + "LINE 0,0 1,1\n\n");
        EXPECT_EQ(run.status, 0) << cancel;
        EXPECT_FALSE(contains(run.out, "Wrote")) << cancel;
        EXPECT_FALSE(contains(run.out, "Plotted")) << cancel;
        EXPECT_TRUE(contains(run.out, "Command: LINE")) << cancel << run.out;  // the next command runs
    }
    EXPECT_TRUE(readFile(dir.file("c1.png")).empty());
    EXPECT_TRUE(readFile(dir.file("c2.png")).empty());
    for (int i = 3; i <= 10; ++i)
        EXPECT_TRUE(readFile(dir.file("c" + std::to_string(i) + ".png")).empty()) << i;
}
