// vemcad end to end: STRETCH through the ordinary selection loop, and edits whose
// answers would leave numbers that are not finite, refused whole and asked again.
#include <cstring>

#include "vemcad_runner.h"

namespace {

const char kNotFinite[] = "The result would not be a finite number. Nothing was changed.";

// Two lines: (0,0)-(10,0) and (20,0)-(30,0).
const char kTwoLines[] = "LINE\n0,0\n10,0\n\nLINE\n20,0\n30,0\n\n";
const char kListAll[] = "LIST\nALL\n\n";

// The "from point ... to point" pairs LIST printed, in drawing order, as "x,y-x,y"
// (each number to six digits).
std::vector<std::string> listedLines(const std::string& out)
{
    std::vector<std::string> lines;
    for (size_t at = out.find("from point, X="); at != std::string::npos; at = out.find("from point, X=", at + 1)) {
        auto number = [&](const char* key, size_t from) {
            const size_t p = out.find(key, from) + std::strlen(key);
            char text[32];
            std::snprintf(text, sizeof text, "%.6g", std::atof(out.c_str() + p) + 0.0);
            return std::string(std::strcmp(text, "-0") == 0 ? "0" : text);
        };
        size_t to = out.find("to point, X=", at);
        lines.push_back(number("X=", at) + "," + number("Y=", at) + "-" + number("X=", to) + "," + number("Y=", to));
    }
    return lines;
}

size_t occurrences(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
        ++n;
    return n;
}

}  // namespace

TEST(VemcadStretch, CrossingWindowsAndPolygonsChooseThePointsThatMove)
{
    struct Case {
        const char* name;
        const char* stretch;
        const char* first;
        const char* second;
    };
    //  selection and displacement answers                                  lines after
    const Case cases[] = {
        {"window, two points", "C 9,-1 11,1\n\n0,0\n5,0\n", "0,0-15,0", "20,0-30,0"},
        {"window and a pick", "C 9,-1 11,1\n25,0\n\n0,0\n5,0\n", "0,0-15,0", "25,0-35,0"},
        {"window over both", "C\n9,-1\n21,1\n\n0,0\n0,5\n", "0,0-10,5", "20,5-30,0"},
        {"polygon, typed", "CP\n9,-1\n12,-1\n12,2\n\n\n\n0,3\n", "0,0-10,3", "20,0-30,0"},
        {"polygon, undone corner", "CP\n9,-1\n40,-1\nU\n12,-1\n12,2\n\n\nD\n0,3\n", "0,0-10,3", "20,0-30,0"},
        {"first point as displacement", "C 9,-1 11,1\n\n2,2\n\n", "0,0-12,2", "20,0-30,0"},
        {"removed again", "C 9,-1 21,1\nR\n10,0\n\n0,0\n5,0\n", "0,0-10,0", "25,0-30,0"},
        {"whole in the window", "C -1,-1 11,1\n\n0,0\n0,5\n", "0,5-10,5", "20,0-30,0"},
        {"window polygon", "WP\n-1,-1\n11,-1\n11,1\n-1,1\n\n\n0,0\n0,5\n", "0,5-10,5", "20,0-30,0"},
        {"picked and crossed", "C 9,-1 11,1\n5,0\n\n0,0\n5,0\n", "0,0-15,0", "20,0-30,0"},
        {"cancelled", "C 9,-1 11,1\n\n0,0\n^C\n", "0,0-10,0", "20,0-30,0"},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        VemcadRun run = runVemcad(dir, std::string(kTwoLines) + "STRETCH\n" + c.stretch + kListAll);
        ASSERT_EQ(run.status, 0) << c.name;
        EXPECT_NE(run.out.find("Select objects to stretch by crossing-window or crossing-polygon..."),
                  std::string::npos);
        EXPECT_EQ(run.out.find("Unknown command"), std::string::npos) << c.name << "\n" << run.out;
        EXPECT_EQ(listedLines(run.out), (std::vector<std::string>{c.first, c.second})) << c.name << "\n" << run.out;
    }
}

TEST(VemcadStretch, TheHostsPromptsInOrderAndTheLastDisplacementAsDefault)
{
    ScratchDir dir;
    // The script of the point label: the crossing window meets the label, Enter ends
    // the selection, and the two points are the displacement.
    const std::string preamble = "EORI\n0,0\n\n\n\n\n\n\n\n\n\nECOP\n0,5\n10,20\n15,25\n\n";
    VemcadRun run = runVemcad(dir, preamble + "STRETCH\nC 5,15 15,25\n\n0,0\n5,0\nCOLIST\nALL\n\n" + kTwoLines +
                                       "STRETCH\nC 9,-1 11,1\n\n\n3,4\nSTRETCH\nC 12,3 14,5\n\nD\n\n" + kListAll);
    ASSERT_EQ(run.status, 0);
    std::vector<std::string> labels = listingLines(run.out);
    ASSERT_EQ(labels.size(), 2u) << run.out;
    EXPECT_NE(labels[1].find("A=20.000,B=15.000"), std::string::npos) << labels[1];
    const std::string prompts[] = {
        "Select objects: C", "Specify base point or [Displacement] <Displacement>: 0,0",
        "Specify second point or <use first point as displacement>: 5,0",
        "Specify displacement <0.0000,0.0000,0.0000>: 3,4", "Specify displacement <3.0000,4.0000,0.0000>: \n",
    };
    for (const std::string& prompt : prompts)
        EXPECT_NE(run.out.find(prompt), std::string::npos) << prompt << "\n" << run.out;
    EXPECT_EQ(listedLines(run.out), (std::vector<std::string>{"0,0-16,8", "20,0-30,0"})) << run.out;

    // A default of hundreds of digits is shown whole; a refused displacement is not
    // offered again.
    run = runVemcad(dir, std::string(kTwoLines) + "STRETCH\nL\n\nD\n1e308,0\nSTRETCH\nL\n\nD\n1.7e308,0\n^C\n" +
                             "STRETCH\nL\n\nD\n^C\n");
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(occurrences(run.out, "Specify displacement <1000000000000000010979063629440455417404923096773118463"), 2u)
        << run.out;
    EXPECT_EQ(occurrences(run.out, "Specify displacement <16999999"), 0u) << run.out;
    EXPECT_EQ(occurrences(run.out, ".0000,0.0000,0.0000>: "), 3u) << run.out;
}

TEST(VemcadFiniteResults, AnswersWhoseResultsAreNotFiniteAreRefusedAndAskedAgain)
{
    struct Case {
        const char* name;
        const char* script;  // a refused answer, then a good one
        const char* line;    // the line afterwards
    };
    // A line from (1e308, 0) to (1e308, 10): far, yet every coordinate finite.
    //  edit                                                                        line after
    const Case cases[] = {
        {"scale", "SCALE\nL\n\n0,0\n10\n1\n", "1e+308,0-1e+308,10"},
        {"move", "MOVE\nL\n\n-1e308,0\n1e308,0\n-1e308,5\n", "1e+308,5-1e+308,15"},
        {"rotate", "ROTATE\nL\n\n-1e308,0\n90\n0\n", "1e+308,0-1e+308,10"},
        {"grip", "GRIP\n1e308,5\n1e308,0\n-1e308,0\n1e308,-5\n", "1e+308,-5-1e+308,10"},
        {"stretch", "STRETCH\nL\n\n\n1.7e308,0\n\n0,1\n", "1e+308,1-1e+308,11"},
        {"copy", "COPY\nL\n\n-1e308,0\n1e308,0\n\n", "1e+308,0-1e+308,10"},
        {"mirror", "MIRROR\nL\n\n-1.5e308,0\n-1.5e308,10\n^C\n", "1e+308,0-1e+308,10"},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        VemcadRun run = runVemcad(dir, std::string("LINE\n1e308,0\n@0,10\n\n") + c.script + kListAll);
        ASSERT_EQ(run.status, 0) << c.name;
        EXPECT_EQ(occurrences(run.out, kNotFinite), 1u) << c.name << "\n" << run.out;
        EXPECT_EQ(run.out.find("Unknown command"), std::string::npos) << c.name << "\n" << run.out;
        std::vector<std::string> lines = listedLines(run.out);
        ASSERT_EQ(lines.size(), 1u) << c.name << ": a refused copy stays\n" << run.out;
        EXPECT_EQ(lines[0], c.line) << c.name;
        EXPECT_EQ(run.out.find("inf"), std::string::npos) << c.name;
    }
}

TEST(VemcadFiniteResults, ALabelWhoseShownCoordinatesWouldNotBeFiniteStaysAsItWas)
{
    ScratchDir dir;
    const std::string preamble = "EORI\n0,0\n\n\n\n\n\n\n\n\n\nECOP\n0,5\n10,20\n15,25\n\n";
    // Moved to x = 1.7e308 the label's own numbers stay finite, but what it shows does
    // not; scaled by 1e308 its numbers themselves overflow. U then has nothing to undo
    // from either.
    VemcadRun run = runVemcad(dir, preamble + "SAVEAS\na.vdb\nMOVE\n12.5,22.5\n\n0,0\n1.7e308,0\n^C\n"
                                              "SCALE\n12.5,22.5\n\n0,0\n1e308\n^C\nSAVEAS\nb.vdb\nCOLIST\nALL\n\n");
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(occurrences(run.out, kNotFinite), 2u) << run.out;
    std::vector<std::string> labels = listingLines(run.out);
    ASSERT_EQ(labels.size(), 2u) << run.out;
    EXPECT_NE(labels[1].find("A=20.000,B=10.000"), std::string::npos) << labels[1];
    EXPECT_EQ(readFile(dir.file("a.vdb")).size(), readFile(dir.file("b.vdb")).size());
}

// Window and crossing polygons answer every command's selection.
TEST(VemcadSelection, PolygonsSelectInEveryCommand)
{
    struct Case {
        const char* script;
        std::vector<std::string> lines;  // after it
    };
    const Case cases[] = {
        {"MOVE\nCP\n9,-1\n12,-1\n12,2\n\n\n0,0\n0,5\n", {"0,5-10,5", "20,0-30,0"}},
        {"ERASE\nWP\n-1,-1\n25,-1\n25,1\n-1,1\n\n\n", {"20,0-30,0"}},
        {"ERASE\nCP\n15,-1\n@10,0\nU\n@5,0\n@0,2\n\n\n", {"0,0-10,0"}},
        {"COPY\nwp\n19,-1\n31,-1\n31,1\n19,1\n\n\n0,0\n0,5\n\n", {"0,0-10,0", "20,0-30,0", "20,5-30,5"}},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        VemcadRun run = runVemcad(dir, std::string(kTwoLines) + c.script + kListAll);
        ASSERT_EQ(run.status, 0) << c.script;
        EXPECT_EQ(run.out.find("Invalid"), std::string::npos) << c.script << "\n" << run.out;
        EXPECT_EQ(listedLines(run.out), c.lines) << c.script << "\n" << run.out;
    }
}

// "P" names the previous selection of the same drawing only: after NEW it finds nothing
// (the objects it named are gone with their drawing).
TEST(VemcadSelection, ThePreviousSelectionStaysWithItsDrawing)
{
    ScratchDir dir;
    VemcadRun run = runVemcad(dir, std::string(kTwoLines) +
                                       "MOVE\nALL\n\n0,0\n0,1\n"
                                       "MOVE\nP\n\n0,0\n0,1\n" +
                                       kListAll + "NEW\nN\nLINE\n0,0\n5,5\n\nERASE\nP\n\n" + kListAll);
    ASSERT_EQ(run.status, 0) << run.out;
    const std::vector<std::string> lines = listedLines(run.out);
    const std::vector<std::string> expected = {"0,2-10,2", "20,2-30,2", "0,0-5,5"};
    EXPECT_EQ(lines, expected) << run.out;
    EXPECT_EQ(occurrences(run.out, "\n2 found"), 3u) << run.out;
    EXPECT_NE(run.out.find("ERASE\nSelect objects: P\n0 found"), std::string::npos) << run.out;
}
