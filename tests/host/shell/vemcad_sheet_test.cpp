// vemcad end to end: SHEET with scripted answers (defaults and every answer, refused
// answers asked again), the frame's block made once per paper and reused, the
// reference's scale by INSUNITS, the title block's attribute values, the scale and
// description taken from the drawing's coordinate system, undo and cancel.
#include <ctime>

#include "vemcad_runner.h"

namespace {

const char kListAll[] = "LIST\nALL\n\n";
// BLOCK's "?" lists the user blocks, then the command is cancelled.
const char kListBlocks[] = "BLOCK\n?\n^C\n";
// A coordinate system at 1:250 whose origin carries X=3000, Y=5000, three decimals.
const char kSystem[] = "EORI\n-30,-30\nX\nU\n3000\nY\nR\n5000\n250\n1\n3\n";

size_t occurrences(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
        ++n;
    return n;
}

// What was printed after the last occurrence of the text.
std::string after(const std::string& out, const std::string& text)
{
    const size_t at = out.rfind(text);
    return at == std::string::npos ? std::string() : out.substr(at);
}

std::string today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    char text[16] = {};
    localtime_r(&now, &local);
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

void expectAll(const std::string& text, std::initializer_list<std::string> wanted, const std::string& what)
{
    for (const std::string& line : wanted)
        EXPECT_NE(text.find(line), std::string::npos) << what << ": " << line << "\n" << text;
}

}  // namespace

TEST(VemcadSheet, DefaultsGiveAnA3LandscapeSheetAtOneTo500InMetres)
{
    ScratchDir dir;
    VemcadRun run = runVemcad(dir, std::string("SHEET\n\n\n\n\n\n\n\n\n") + kListAll);
    ASSERT_EQ(run.status, 0);
    expectAll(run.out,
              {"Paper size [A4/A3/A2/A1/A0] <A3>: ", "Orientation [Portrait/Landscape] <Landscape>: ",
               "Plot scale 1:n <500>: ", "Specify lower left corner <0,0>: ", "Drawing title <Drawing1>: ",
               "Coordinate system: ", "Date <" + today() + ">: ", "Drawn by"},
              "prompts");
    const std::string listed = after(run.out, "Command: LIST");
    EXPECT_EQ(occurrences(listed, "BLOCK REFERENCE"), 1u) << listed;
    EXPECT_EQ(occurrences(listed, "ATTRIBUTE"), 5u) << listed;
    expectAll(listed,
              {"Block Name: \"VEM_SHEET_A3_LANDSCAPE\"", "X=0.0000  Y=0.0000", "X scale factor: 0.5000",
               "Y scale factor: 0.5000", "Tag: TITLE", "text Drawing1", "Tag: SCALE", "text 1:500", "Tag: COORDSYS",
               "Tag: DATE", "text " + today(), "Tag: DRAWNBY"},
              "listing");
    EXPECT_EQ(run.out.find("could not"), std::string::npos) << run.out;
}

TEST(VemcadSheet, EveryAnswerIsTakenAndTheScaleFollowsTheDrawingsUnits)
{
    struct Case {
        const char* name;
        const char* units;    // SETVAR answers before SHEET
        const char* answers;  // after "SHEET\n"
        const char* listed[6];
    };
    //  case          units          answers                                                            listed
    const Case cases[] = {
        {"millimetres", "INSUNITS\n4\n", "a1\nP\n1:1000\n10,20\n总平面图\n独立坐标系\n2026-01-02\nWang Li\n",
         {"Block Name: \"VEM_SHEET_A1_PORTRAIT\"", "X=10.0000  Y=20.0000", "X scale factor: 1000.0000",
          "text 总平面图", "text 独立坐标系", "text Wang Li"}},
        {"metres",      "INSUNITS\n6\n", "A0\nl\n200\n-5,-5\nSite\nlocal\n2026-03-04\nZhang\n",
         {"Block Name: \"VEM_SHEET_A0_LANDSCAPE\"", "X=-5.0000  Y=-5.0000", "X scale factor: 0.2000",
          "text 1:200", "text 2026-03-04", "text Zhang"}},
        {"centimetres", "INSUNITS\n5\n", "A4\nport\n1:50\n\nT\nC\nD\nW\n",
         {"Block Name: \"VEM_SHEET_A4_PORTRAIT\"", "X=0.0000  Y=0.0000", "Z scale factor: 5.0000", "text 1:50",
          "text T", "text C"}},
        {"feet",        "INSUNITS\n2\n", "A2\n\n304.8\n\nT\nC\nD\nW\n",
         {"Block Name: \"VEM_SHEET_A2_LANDSCAPE\"", "X scale factor: 1.0000", "text 1:304.8", "text W", "text D",
          "Tag: COORDSYS"}},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        VemcadRun run = runVemcad(dir, std::string("SETVAR\n") + c.units + "SHEET\n" + c.answers + kListAll);
        ASSERT_EQ(run.status, 0) << c.name;
        const std::string listed = after(run.out, "Command: LIST");
        EXPECT_EQ(occurrences(listed, "BLOCK REFERENCE"), 1u) << c.name << "\n" << run.out;
        for (const char* line : c.listed)
            EXPECT_NE(listed.find(line), std::string::npos) << c.name << ": " << line << "\n" << listed;
    }
}

TEST(VemcadSheet, RefusedAnswersAreAskedAgain)
{
    ScratchDir dir;
    VemcadRun run = runVemcad(dir, std::string("SHEET\nA5\nA3\nSideways\nL\nabc\n0\n-2\n1:x\n1:250\n1,1\n") +
                                       "\n\n\n\n" + kListAll);
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(occurrences(run.out, "Invalid option keyword."), 2u) << run.out;
    EXPECT_EQ(occurrences(run.out, "Requires numeric value."), 2u) << run.out;
    EXPECT_EQ(occurrences(run.out, "Value must be positive and nonzero."), 2u) << run.out;
    expectAll(after(run.out, "Command: LIST"), {"X scale factor: 0.2500", "text 1:250", "X=1.0000  Y=1.0000"},
              "listing");

    // In light years a sheet at 1:500 would be too small a block to hold, at 1:1e35 too large.
    run = runVemcad(dir, std::string("SETVAR\nINSUNITS\n19\nSHEET\n\n\n\n1e35\n^C\n") + kListBlocks);
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(occurrences(run.out, "The sheet would be too large or too small for the drawing's units."), 2u)
        << run.out;
    EXPECT_NE(run.out.find("0 user blocks."), std::string::npos) << run.out;
}

TEST(VemcadSheet, TheFramesBlockIsMadeOncePerPaperAndReused)
{
    ScratchDir dir;
    VemcadRun run = runVemcad(dir, std::string("SHEET\n\n\n\n\nOne\n\n\n\nSHEET\n\n\n\n500,0\nTwo\n\n\n\n") +
                                       kListBlocks + "SHEET\nA4\n\n\n\nThree\n\n\n\n" + kListBlocks + kListAll);
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("1 user block."), std::string::npos) << run.out;
    const std::string blocks = after(run.out, "Defined blocks.");
    expectAll(blocks, {"\"VEM_SHEET_A3_LANDSCAPE\"", "\"VEM_SHEET_A4_LANDSCAPE\"", "2 user blocks."}, "blocks");
    const std::string listed = after(run.out, "Command: LIST");
    EXPECT_EQ(occurrences(listed, "BLOCK REFERENCE"), 3u) << listed;
    EXPECT_EQ(occurrences(listed, "ATTRIBUTE"), 15u) << "each reference has its own values\n" << listed;
    expectAll(listed, {"text One", "text Two", "text Three", "X=500.0000  Y=0.0000"}, "listing");
}

TEST(VemcadSheet, TheFrameIsThePapersSizeAtTheScale)
{
    ScratchDir dir;
    // A3 landscape at 1:500 in metres: 420 x 297 mm are 210 x 148.5 m; the frame's
    // binding margin is 25 mm (12.5 m), the others 5 mm (2.5 m).
    VemcadRun run = runVemcad(dir, std::string("SHEET\n\n\n\n-70,-50\n\n\n\n\nEXPLODE\nALL\n\n") + kListAll);
    ASSERT_EQ(run.status, 0);
    const std::string listed = after(run.out, "Command: LIST");
    EXPECT_EQ(occurrences(listed, "BLOCK REFERENCE"), 0u) << listed;
    expectAll(listed,
              {"X=-70.0000  Y=-50.0000", "X=140.0000  Y=98.5000", "X=-57.5000  Y=-47.5000", "X=137.5000  Y=96.0000",
               "X=67.5000  Y=-47.5000", "X=137.5000  Y=-27.5000", "text 图名", "text 比例", "text 坐标系",
               "text 日期", "text 制图"},
              "frame, inner frame and title block corners");
}

TEST(VemcadSheet, TheCoordinateSystemGivesTheScaleAndTheDescription)
{
    ScratchDir dir;
    VemcadRun run = runVemcad(dir, std::string(kSystem) + "SHEET\n\n\n\n\nPlan\n\n\n" + kListAll);
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Plot scale 1:n <250>: "), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("Coordinate system: "), std::string::npos) << "not asked when the drawing has one";
    expectAll(after(run.out, "Command: LIST"),
              {"X scale factor: 0.2500", "text 1:250", "text X/Y, origin X=3000.000 Y=5000.000", "text Plan"},
              "listing");

    // Two coordinate systems: neither is the drawing's, so 500 is offered and the
    // description is asked.
    run = runVemcad(dir, std::string(kSystem) + kSystem + "SHEET\n\n\n\n\n\nTwo systems\n\n\n" + kListAll);
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Plot scale 1:n <500>: "), std::string::npos) << run.out;
    expectAll(after(run.out, "Command: LIST"), {"text 1:500", "text Two systems"}, "listing");
}

TEST(VemcadSheet, UndoTakesTheSheetBackWholeAndACancelLeavesNothing)
{
    ScratchDir dir;
    const std::string sheet = "SHEET\n\n\n\n\n\n\n\n\n";
    // U after the first SHEET takes its block too; after a second one, only its reference.
    VemcadRun run = runVemcad(dir, sheet + "U\n" + kListBlocks + sheet + sheet + "U\n" + kListBlocks + kListAll);
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("0 user blocks."), std::string::npos) << run.out;
    EXPECT_NE(after(run.out, "Defined blocks.").find("1 user block."), std::string::npos) << run.out;
    EXPECT_EQ(occurrences(after(run.out, "Command: LIST"), "BLOCK REFERENCE"), 1u) << run.out;

    const char* cancelled[] = {
        "SHEET\n^C\n", "SHEET\nA3\n^C\n", "SHEET\n\nL\n^C\n", "SHEET\n\n\n500\n^C\n", "SHEET\n\n\n\n0,0\n^C\n",
        "SHEET\n\n\n\n\nT\n^C\n", "SHEET\n\n\n\n\nT\nC\n^C\n", "SHEET\n\n\n\n\nT\nC\nD\n^C\n",
    };
    for (const char* script : cancelled) {
        run = runVemcad(dir, std::string("LINE\n50,50\n60,60\n\n") + script + kListBlocks + kListAll);
        ASSERT_EQ(run.status, 0) << script;
        const std::string listed = after(run.out, "Command: LIST");
        EXPECT_EQ(occurrences(listed, "LINE"), 1u) << script << "\n" << run.out;
        EXPECT_EQ(occurrences(listed, "BLOCK REFERENCE"), 0u) << script << "\n" << run.out;
        EXPECT_NE(run.out.find("0 user blocks."), std::string::npos) << script << "\n" << run.out;
    }
}
