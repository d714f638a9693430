// vemcad end to end: ELLIPSE and SPLINE with their prompts in order, answers that make
// no curve asked again, a cancel at each prompt leaving nothing, and the curves through
// undo, grips, intersection snaps, SAVE and OPEN, DXFOUT and PLOT.
#include "vemcad_runner.h"

namespace {

const char kListAll[] = "LIST\nALL\n\n";

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

size_t occurrences(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
        ++n;
    return n;
}

// The text after the last LIST's selection: what it listed.
std::string lastListing(const std::string& out)
{
    const size_t at = out.rfind("Command: LIST");
    return at == std::string::npos ? std::string() : out.substr(at);
}

}  // namespace

TEST(VemcadCurves, EllipseByAxisOrCentreAsksItsPromptsInOrder)
{
    struct Case {
        const char* name;
        const char* script;
        std::vector<const char*> prompts;
        std::vector<const char*> listed;
    };
    const Case cases[] = {
        {"by the ends of an axis", "ELLIPSE\n0,0\n10,0\n5,2\n",
         {"Specify axis endpoint of ellipse or [Center]: 0,0", "Specify other endpoint of axis: 10,0",
          "Specify distance to other axis: 5,2"},
         {"center point, X=5.0000  Y=0.0000", "major axis, X=5.0000  Y=0.0000", "radius ratio 0.4000"}},
        {"by the centre", "ELLIPSE\nc\n20,0\n20,5\n22,0\n",
         {"Specify axis endpoint of ellipse or [Center]: c", "Specify center of ellipse: 20,0",
          "Specify endpoint of axis: 20,5", "Specify distance to other axis: 22,0"},
         {"center point, X=20.0000  Y=0.0000", "major axis, X=0.0000  Y=5.0000", "radius ratio 0.4000"}},
        // A distance has no direction: the longer axis lies a quarter turn on from the first.
        {"the other axis the longer", "ELLIPSE\nC\n0,0\n2,0\n0,-8\n",
         {"Specify distance to other axis: 0,-8"},
         {"major axis, X=0.0000  Y=8.0000", "minor axis, X=-2.0000  Y=0.0000", "radius ratio 0.2500"}},
        {"the distance typed", "ELLIPSE\n0,0\n10,0\n3\n", {"Specify distance to other axis: 3"},
         {"minor axis, X=0.0000  Y=3.0000", "radius ratio 0.6000"}},
        {"bad answers asked again", "ELLIPSE\n1,1\n1,1\nnowhere\n\n5,1\n3,1\n3.0000001,1\n3,2\n",
         {"The axis must have a length.", "Invalid point.", "A point is required.",
          "Value must be positive and nonzero.", "The axes do not make an ellipse."},
         {"center point, X=3.0000  Y=1.0000", "radius ratio 0.5000"}},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        const VemcadRun run = runVemcad(dir, std::string(c.script) + kListAll);
        ASSERT_EQ(run.status, 0) << c.name;
        for (const char* prompt : c.prompts)
            EXPECT_TRUE(contains(run.out, prompt)) << c.name << ": " << prompt << "\n" << run.out;
        const std::string listing = lastListing(run.out);
        EXPECT_TRUE(contains(listing, "1 found")) << c.name << "\n" << run.out;
        for (const char* line : c.listed)
            EXPECT_TRUE(contains(listing, line)) << c.name << ": " << line << "\n" << listing;
    }
}

TEST(VemcadCurves, SplineFitsThroughThePointsGivenUntilEnter)
{
    ScratchDir dir;
    const VemcadRun run = runVemcad(dir, "SPLINE\n0,0\n0,0\n5,5\n10,0\n\n" + std::string(kListAll));
    ASSERT_EQ(run.status, 0);
    for (const char* prompt : {"Specify first point: 0,0", "Enter next point: 0,0",
                               "The point is the same as the previous one.", "Enter next point: 5,5",
                               "Enter next point: 10,0", "Enter next point: \n"})
        EXPECT_TRUE(contains(run.out, prompt)) << prompt << "\n" << run.out;
    const std::string listing = lastListing(run.out);
    EXPECT_TRUE(contains(listing, "SPLINE")) << listing;
    EXPECT_TRUE(contains(listing, "order 4, non-rational, open")) << listing;
    EXPECT_TRUE(contains(listing, "fit points 3")) << listing;
    EXPECT_TRUE(contains(listing, "X=5.0000  Y=5.0000")) << listing;
}

TEST(VemcadCurves, CancelAtEachPromptOrTooFewPointsLeaveNothing)
{
    const char* const scripts[] = {
        "ELLIPSE\n^C\n",          "ELLIPSE\n\n",          "ELLIPSE\n0,0\n^C\n",   "ELLIPSE\n0,0\n4,0\n^C\n",
        "ELLIPSE\nC\n^C\n",       "ELLIPSE\nC\n0,0\n^C\n", "ELLIPSE\nC\n0,0\n4,0\n^C\n", "SPLINE\n^C\n",
        "SPLINE\n0,0\n\n",       "SPLINE\n0,0\n1,1\n^C\n",
    };
    for (const char* script : scripts) {
        ScratchDir dir;
        const VemcadRun run = runVemcad(dir, std::string(script) + kListAll + "LINE\n0,0\n1,1\n\n");
        EXPECT_EQ(run.status, 0) << script;
        EXPECT_TRUE(contains(run.out, "0 found")) << script << "\n" << run.out;
        EXPECT_TRUE(contains(run.out, "Command: LINE")) << script << ": the next command runs";
    }
    // The script ends in the middle of a command: as a cancel, with nothing kept.
    for (const char* script : {"ELLIPSE\n0,0\n4,0\n", "SPLINE\n0,0\n1,1\n2,0\n"}) {
        ScratchDir dir;
        const VemcadRun run = runVemcad(dir, script);
        EXPECT_EQ(run.status, 0) << script;
        EXPECT_FALSE(contains(run.out, "could not")) << script;
    }
}

TEST(VemcadCurves, CurvesGoThroughUndoGripsSnapsSaveOpenDxfAndPlot)
{
    ScratchDir dir;
    const std::string draw = "ELLIPSE\n-4,0\n4,0\n0,2\nSPLINE\n0,3\n2,1\n4,3\n\n";
    // Undo takes the spline away; the grip moves the ellipse's centre (a second grip is
    // undone); a line snaps to where the ellipse meets another.
    VemcadRun run = runVemcad(dir, draw + "U\nGRIP\n4,0\n0,0\n1,1\nGRIP\n5,1\n1,1\n9,9\nU\n" +
                                       "LINE\n1,-10\n1,10\n\n" +
                                       "LINE\nINT\n1.1,2.9\n5,5\n\n" + kListAll + "SAVEAS\ncurves.vdb\n");
    ASSERT_EQ(run.status, 0);
    std::string listing = lastListing(run.out);
    EXPECT_EQ(occurrences(listing, "SPLINE  Layer"), 0u) << listing;
    EXPECT_TRUE(contains(listing, "center point, X=1.0000  Y=1.0000")) << listing;
    EXPECT_TRUE(contains(listing, "from point, X=1.0000  Y=3.0000")) << "the top of the moved ellipse\n" << listing;

    run = runVemcad(dir, "OPEN\ncurves.vdb\n" + std::string(kListAll) + "SPLINE\n0,3\n2,1\n4,3\n\n" +
                             "DXFOUT\ncurves.dxf\nPLOT\ncurves.png\n\n\n\n\n\n\nSAVE\nOPEN\ncurves.vdb\n" + kListAll);
    ASSERT_EQ(run.status, 0);
    EXPECT_TRUE(contains(run.out, "center point, X=1.0000  Y=1.0000")) << "the ellipse reopened\n" << run.out;
    listing = lastListing(run.out);
    EXPECT_TRUE(contains(listing, "4 found")) << listing;
    EXPECT_TRUE(contains(listing, "fit points 3")) << "the spline saved and opened\n" << listing;
    EXPECT_TRUE(contains(run.out, "Plotted curves.png")) << run.out;
    const std::string dxf = readFile(dir.file("curves.dxf"));
    EXPECT_TRUE(contains(dxf, "\nELLIPSE\n")) << dxf;
    EXPECT_TRUE(contains(dxf, "\nSPLINE\n")) << dxf;
    EXPECT_EQ(readFile(dir.file("curves.png")).compare(1, 3, "PNG"), 0);
}
