// vemcad end to end: TEXT and ATTDEF with their prompts in order, every justification's
// point, the TEXTSIZE kept as the next default, answers refused and asked again, cancels
// and empty texts that add nothing, and Chinese texts through SAVE, OPEN, DXFOUT, UNDO,
// snaps and MIRROR.
#include <string>
#include <vector>

#include "vemcad_runner.h"

namespace {

size_t occurrences(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
        ++n;
    return n;
}

void expectAllIn(const std::string& out, const std::vector<std::string>& expected, const std::string& where)
{
    for (const std::string& line : expected)
        EXPECT_NE(out.find(line), std::string::npos) << where << ": " << line << "\n" << out;
}

const char kListAll[] = "LIST\nALL\n\n";

}  // namespace

TEST(VemcadText, EveryJustificationAsksForItsPointAndPlacesTheText)
{
    struct Case {
        const char* name;
        const char* answers;  // after TEXT, up to the text
        std::vector<std::string> shown;
    };
    // "中文" at height 2 is 4 wide and 2 high.
    const Case cases[] = {
        {"start point", "10,20\n2\n\n",
         {"Specify start point of text or [Justify/Style]: 10,20", "Specify height <2.5000>: 2",
          "Specify rotation angle of text <0>: ", "start point, X=10.0000  Y=20.0000", "justification left"}},
        {"center", "J\nC\n10,20\n2\n90\n",
         {"Specify center point of text: 10,20", "start point, X=10.0000  Y=18.0000", "rotation angle 90.0000",
          "justification center"}},
        {"middle", "j\nmiddle\n10,20\n2\n\n", {"Specify middle point of text: ", "start point, X=8.0000  Y=19.0000"}},
        {"right", "J\nR\n10,20\n2\n\n",
         {"Specify right endpoint of text baseline: 10,20", "start point, X=6.0000  Y=20.0000"}},
        {"top left", "J\nTL\n10,20\n2\n\n", {"Specify top-left point of text: ", "start point, X=10.0000  Y=18.0000"}},
        {"top center", "J\ntc\n10,20\n2\n\n", {"Specify top-center point of text: ", "X=8.0000  Y=18.0000"}},
        {"top right", "J\nTR\n10,20\n2\n\n", {"Specify top-right point of text: ", "X=6.0000  Y=18.0000"}},
        {"middle left", "J\nML\n10,20\n2\n\n", {"Specify middle-left point of text: ", "X=10.0000  Y=19.0000"}},
        {"middle center", "J\nMC\n10,20\n2\n\n", {"Specify middle point of text: ", "justification middle center"}},
        {"middle right", "J\nMR\n10,20\n2\n\n", {"Specify middle-right point of text: ", "X=6.0000  Y=19.0000"}},
        {"bottom left", "J\nBL\n10,20\n3\n\n", {"Specify bottom-left point of text: ", "X=10.0000  Y=21.0000"}},
        {"bottom center", "J\nBC\n10,20\n3\n\n", {"Specify bottom-center point of text: ", "X=7.0000  Y=21.0000"}},
        {"bottom right", "J\nBR\n10,20\n3\n\n", {"Specify bottom-right point of text: ", "X=4.0000  Y=21.0000"}},
        {"aligned", "J\nA\n0,0\n0,0\n0,8\n",
         {"Specify first endpoint of text baseline: 0,0", "Specify second endpoint of text baseline: 0,0",
          "The endpoints of the baseline must differ.", "height 4.0000", "rotation angle 90.0000"}},
        {"fitted", "J\nF\n0,0\n8,0\n2\n",
         {"Specify height <2.5000>: 2", "width scale factor 2.0000", "justification fit"}},
        {"an option asked again", "J\nX\nBR\n10,20\n3\n\n",
         {"Invalid option keyword.", "Specify bottom-right point of text: "}},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        const VemcadRun run = runVemcad(dir, std::string("TEXT\n") + c.answers + "中文\n" + kListAll);
        ASSERT_EQ(run.status, 0) << c.name;
        EXPECT_NE(run.out.find("Enter text: 中文"), std::string::npos) << c.name << "\n" << run.out;
        EXPECT_NE(run.out.find("1 found"), std::string::npos) << c.name << "\n" << run.out;
        expectAllIn(run.out, c.shown, c.name);
    }
}

TEST(VemcadText, TheHeightGivenIsTheNextDefaultAndNothingIsAddedWithoutAText)
{
    ScratchDir dir;
    const std::string script =
        "TEXT\n0,0\n-1\n5\n\nfirst\n"        // a height that is no height is asked again
        "TEXT\n0,10\n\nabc\n\nsecond\n"       // the rotation refused: asked again, then Enter
        "TEXT\n0,20\n\n\n\n"                  // an empty text adds nothing
        "TEXT\n0,30\n^C\n"                    // cancelled at the height
        "TEXT\nJ\n^C\n"                       // cancelled at the option
        "TEXT\nS\n?\nNone\n\n0,40\n\n^C\n"    // styles listed, a missing one refused, Enter keeps it
        "ATTDEF\nTAG\n^C\n" +                 // cancelled at the prompt
        std::string(kListAll);
    const VemcadRun run = runVemcad(dir, script);
    ASSERT_EQ(run.status, 0);
    expectAllIn(run.out, {"Specify height <2.5000>: -1", "Value must be positive and nonzero.",
                          "Specify height <2.5000>: 5", "Specify height <5.0000>: \n", "Requires numeric value.",
                          "Style name: \"Standard\"", "Cannot find text style \"None\".",
                          "Enter style name or [?] <Standard>: \n", "2 found"},
                "defaults");
    EXPECT_EQ(occurrences(run.out, "height 5.0000"), 2u) << run.out;
}

TEST(VemcadText, AttdefAsksForATagPromptAndValueThenPlacesTheDefinition)
{
    ScratchDir dir;
    const VemcadRun run = runVemcad(dir, "ATTDEF\nTWO WORDS\n\n名称_a\n请输入名称:\n默认 名称\nJ\nMC\n5,5\n2\n\n" +
                                             std::string(kListAll));
    ASSERT_EQ(run.status, 0);
    expectAllIn(run.out,
                {"Enter attribute tag name: TWO WORDS", "Attribute tags cannot contain spaces.",
                 "Enter attribute tag name: \n", "Enter attribute tag name: 名称_a", "Enter attribute prompt: 请输入名称:",
                 "Enter default attribute value: 默认 名称", "Specify start point of text or [Justify/Style]: J",
                 "Specify middle point of text: 5,5", "ATTDEF", "Tag: 名称_A", "Prompt: 请输入名称:",
                 "text 默认 名称", "alignment point, X=5.0000  Y=5.0000", "1 found"},
                "attdef");
    EXPECT_EQ(run.out.find("Enter text:"), std::string::npos) << "a definition shows its tag";
}

TEST(VemcadText, ChineseTextsKeepThroughSaveOpenDxfUndoSnapsAndMirror)
{
    ScratchDir dir;
    const std::string make = "TEXT\nJ\nBR\n10,20\n2\n\n坐标 X=1.5 中文\nATTDEF\n编号\n\n一\n0,0\n\n\n";
    VemcadRun run = runVemcad(dir, make + "SAVEAS\ntexts.vdb\nDXFOUT\ntexts.dxf\n");
    ASSERT_EQ(run.status, 0);
    run = runVemcad(dir, "OPEN\ntexts.vdb\n" + std::string(kListAll) +
                             // INS snaps to the text's alignment point, not its start.
                             "LINE\nINS 10,21\n0,0\n\n" + "LIST\nL\n\n" +
                             // Mirrored across x = 0 the text reads on, right-justified.
                             "MIRROR\n10,21\n\n0,0\n0,10\nY\n" + kListAll + "U\nU\n" + kListAll);
    ASSERT_EQ(run.status, 0);
    expectAllIn(run.out,
                {"text 坐标 X=1.5 中文", "Tag: 编号", "Prompt: 编号", "text 一", "alignment point, X=10.0000  Y=20.0000",
                 "from point, X=10.0000  Y=20.0000", "alignment point, X=-10.0000  Y=20.0000"},
                "reopened");
    EXPECT_EQ(occurrences(run.out, "justification bottom right"), 3u) << run.out;
    EXPECT_EQ(occurrences(run.out, "rotation angle 0.0000"), 6u) << "the mirrored text is not turned\n" << run.out;
    EXPECT_NE(run.out.find("3 found"), std::string::npos) << run.out;
    EXPECT_EQ(occurrences(run.out, "2 found"), 2u) << "undone back to the two texts\n" << run.out;

    const std::string dxf = readFile(dir.file("texts.dxf"));
    EXPECT_NE(dxf.find("\\U+5750\\U+6807 X=1.5 \\U+4E2D\\U+6587"), std::string::npos);
    EXPECT_NE(dxf.find("\nATTDEF\n"), std::string::npos);
    EXPECT_NE(dxf.find("\\U+7F16\\U+53F7"), std::string::npos);

    // Undone, the text is gone; an undo step per command.
    run = runVemcad(dir, make + "U\n" + kListAll);
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("1 found"), std::string::npos) << run.out;
}
