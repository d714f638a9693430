// vemcad end to end: BLOCK and INSERT with scripted answers (the host's prompts in
// order, options before the insertion point, corners and XYZ, refused answers asked
// again, cancel at each prompt leaving nothing), undo, EXPLODE, and a drawing with
// blocks saved, opened and written as DXF.
#include <cstring>

#include "vemcad_runner.h"

namespace {

// Two lines, (0,0)-(10,0) and (10,0)-(10,5), made into block DOOR about (10,0).
const char kDoor[] = "LINE\n0,0\n10,0\n10,5\n\nBLOCK\nDOOR\n10,0\nALL\n\n";
const char kListAll[] = "LIST\nALL\n\n";

size_t occurrences(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
        ++n;
    return n;
}

// What LIST printed after the last "Command: LIST".
std::string lastListing(const std::string& out)
{
    const size_t at = out.rfind("Command: LIST");
    return at == std::string::npos ? std::string() : out.substr(at);
}

}  // namespace

TEST(VemcadBlocks, InsertAsksTheHostsQuestionsAndPlacesTheReference)
{
    struct Case {
        const char* name;
        const char* answers;  // after "INSERT\nDOOR\n"
        const char* listed[5];  // position, X, Y, Z scale and rotation as LIST prints them
    };
    //  case                 answers                                  position                          X        Y        Z        rotation
    const Case cases[] = {
        {"defaults",         "5,6\n\n\n\n",                          {"X=5.0000  Y=6.0000", "X scale factor: 1.0000", "Y scale factor: 1.0000", "Z scale factor: 1.0000", "rotation angle: 0.0000"}},
        {"unequal, turned",  "5,6\n2\n-3\n90\n",                     {"X=5.0000  Y=6.0000", "X scale factor: 2.0000", "Y scale factor: -3.0000", "Z scale factor: 2.0000", "rotation angle: 90.0000"}},
        {"corner",           "1,1\nC\n4,3\n\n",                      {"X=1.0000  Y=1.0000", "X scale factor: 3.0000", "Y scale factor: 2.0000", "Z scale factor: 3.0000", "rotation angle: 0.0000"}},
        {"picked corner",    "1,1\n3,-1\n\n",                        {"X=1.0000  Y=1.0000", "X scale factor: 2.0000", "Y scale factor: -2.0000", "Z scale factor: 2.0000", "rotation angle: 0.0000"}},
        {"XYZ",              "0,0\nXYZ\n2\n\n5\n30\n",               {"X=0.0000  Y=0.0000", "X scale factor: 2.0000", "Y scale factor: 2.0000", "Z scale factor: 5.0000", "rotation angle: 30.0000"}},
        {"options first",    "S\n4\nR\n45\n7,8\n",                    {"X=7.0000  Y=8.0000", "X scale factor: 4.0000", "Y scale factor: 4.0000", "Z scale factor: 4.0000", "rotation angle: 45.0000"}},
        {"Y alone first",    "Y\n2\n7,8\n\n",                        {"X=7.0000  Y=8.0000", "X scale factor: 1.0000", "Y scale factor: 2.0000", "Z scale factor: 1.0000", "rotation angle: 0.0000"}},
        {"angle by a point", "2,2\n\n\n2,5\n",                       {"X=2.0000  Y=2.0000", "X scale factor: 1.0000", "Y scale factor: 1.0000", "Z scale factor: 1.0000", "rotation angle: 90.0000"}},
        {"refused, again",   "0,0\n0\nx\n2\n0\n\nabc\n10\n",          {"X=0.0000  Y=0.0000", "X scale factor: 2.0000", "Y scale factor: 2.0000", "Z scale factor: 2.0000", "rotation angle: 10.0000"}},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        VemcadRun run = runVemcad(dir, std::string(kDoor) + "INSERT\nDOOR\n" + c.answers + kListAll);
        ASSERT_EQ(run.status, 0) << c.name;
        const std::string listed = lastListing(run.out);
        EXPECT_EQ(occurrences(listed, "BLOCK REFERENCE"), 1u) << c.name << "\n" << run.out;
        EXPECT_EQ(occurrences(listed, "LINE"), 0u) << c.name << ": the block's objects left the drawing";
        EXPECT_NE(listed.find("Block Name: \"DOOR\""), std::string::npos) << c.name;
        for (const char* line : c.listed)
            EXPECT_NE(listed.find(line), std::string::npos) << c.name << ": " << line << "\n" << listed;
    }
}

TEST(VemcadBlocks, PromptsAndMessagesOfBothCommands)
{
    ScratchDir dir;
    VemcadRun run = runVemcad(dir, std::string(kDoor) + "BLOCK\n?\nbad|name\nEMPTY\n0,0\n\nINSERT\nNOPE\nDOOR\n0,0\n0\n" +
                                       "\n\n\nBLOCK\nDOOR\nN\nDOOR\nY\n\nINSERT\nEMPTY\n");
    ASSERT_EQ(run.status, 0);
    const char* expected[] = {
        "Enter block name or [?]: DOOR", "Specify insertion base point: 10,0", "Select objects: ALL",
        "Defined blocks.", "  \"DOOR\"", "1 user block.", "Invalid block name.",
        "No objects were selected; the block was not made.", "Block \"NOPE\" not found.",
        "Specify insertion point or [Scale/X/Y/Z/Rotate]: 0,0",
        "Enter X scale factor, specify opposite corner, or [Corner/XYZ] <1>: 0", "Value must be nonzero.",
        "Enter Y scale factor <use X scale factor>: ", "Specify rotation angle <0>: ",
        "Block \"DOOR\" already exists. Redefine it? [Yes/No] <No>: N",
        "Block \"DOOR\" is referenced and cannot be redefined.", "Block \"EMPTY\" not found.",
    };
    for (const char* text : expected)
        EXPECT_NE(run.out.find(text), std::string::npos) << text << "\n" << run.out;
    EXPECT_EQ(run.out.find("Unknown command"), std::string::npos) << run.out;
}

TEST(VemcadBlocks, ACancelAtAnyPromptLeavesTheDrawingAsItWas)
{
    const char* cancelled[] = {
        "BLOCK\n^C\n", "BLOCK\nNEW\n^C\n", "BLOCK\nNEW\n0,0\n^C\n", "BLOCK\nDOOR\n^C\n",
        "INSERT\n^C\n", "INSERT\nDOOR\n^C\n", "INSERT\nDOOR\nS\n^C\n", "INSERT\nDOOR\n1,1\n^C\n",
        "INSERT\nDOOR\n1,1\nC\n^C\n", "INSERT\nDOOR\n1,1\nXYZ\n2\n^C\n", "INSERT\nDOOR\n1,1\n2\n^C\n",
        "INSERT\nDOOR\n1,1\n2\n2\n^C\n",
    };
    for (const char* script : cancelled) {
        ScratchDir dir;
        // A line left in the drawing, then the cancelled command, then what is there.
        VemcadRun run = runVemcad(dir, std::string(kDoor) + "LINE\n50,50\n60,60\n\n" + script + kListAll + "INSERT\nNEW\n");
        ASSERT_EQ(run.status, 0) << script;
        const std::string listed = lastListing(run.out);
        EXPECT_EQ(occurrences(listed, "LINE"), 1u) << script << "\n" << run.out;
        EXPECT_EQ(occurrences(listed, "BLOCK REFERENCE"), 0u) << script << "\n" << run.out;
        EXPECT_NE(run.out.find("Block \"NEW\" not found."), std::string::npos) << script;
    }
}

TEST(VemcadBlocks, UndoRedefinitionAndExplode)
{
    ScratchDir dir;
    // U after BLOCK brings the lines back and the block is gone.
    VemcadRun run = runVemcad(dir, std::string(kDoor) + "U\n" + kListAll + "INSERT\nDOOR\n");
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(occurrences(lastListing(run.out), "LINE"), 2u) << run.out;
    EXPECT_NE(run.out.find("Block \"DOOR\" not found."), std::string::npos) << run.out;

    // A block no reference shows is redefined: the new definition is what INSERT shows.
    run = runVemcad(dir, std::string(kDoor) + "LINE\n0,0\n0,7\n\nBLOCK\nDOOR\nY\n0,0\nL\n\nINSERT\nDOOR\n100,0\n\n\n\n" +
                             "EXPLODE\nL\n\n" + kListAll);
    ASSERT_EQ(run.status, 0);
    std::string listed = lastListing(run.out);
    EXPECT_EQ(occurrences(listed, "LINE"), 1u) << run.out;
    EXPECT_NE(listed.find("to point, X=100.0000  Y=7.0000"), std::string::npos) << listed;

    // EXPLODE gives the block's lines placed: twice as large about (10,0), at (5,5).
    run = runVemcad(dir, std::string(kDoor) + "INSERT\nDOOR\n5,5\n2\n\n\nEXPLODE\nALL\n\n" + kListAll);
    ASSERT_EQ(run.status, 0);
    listed = lastListing(run.out);
    EXPECT_EQ(occurrences(listed, "BLOCK REFERENCE"), 0u);
    EXPECT_NE(listed.find("from point, X=-15.0000  Y=5.0000"), std::string::npos) << listed;
    EXPECT_NE(listed.find("to point, X=5.0000  Y=15.0000"), std::string::npos) << listed;
}

TEST(VemcadBlocks, ADrawingWithBlocksSavesOpensAndIsWrittenAsDxf)
{
    ScratchDir dir;
    const std::string nested = "LINE\n0,0\n1,1\n\nBLOCK\nDOT\n0,0\nL\n\nINSERT\nDOT\n20,0\n\n\n\nBLOCK\nPAIR\n0,0\nALL\n\n";
    VemcadRun run = runVemcad(dir, std::string(kDoor) + nested + "INSERT\nPAIR\n3,4\n2\n3\n30\nSAVEAS\nb.vdb\n" +
                                       "DXFOUT\nb.dxf\n");
    ASSERT_EQ(run.status, 0) << run.out;
    VemcadRun opened = runVemcad(dir, std::string(kListAll) + "INSERT\nDOT\n1,1\n\n\n\n", "b.vdb");
    ASSERT_EQ(opened.status, 0);
    EXPECT_NE(opened.out.find("Block Name: \"PAIR\""), std::string::npos) << opened.out;
    EXPECT_NE(opened.out.find("Y scale factor: 3.0000"), std::string::npos) << opened.out;
    EXPECT_EQ(opened.out.find("not found"), std::string::npos) << opened.out;
    const std::string dxf = readFile(dir.file("b.dxf"));
    EXPECT_EQ(occurrences(dxf, "\nINSERT\n"), 2u) << "one in PAIR, one in the model";
    EXPECT_NE(dxf.find("\nBLOCK\n"), std::string::npos);
    EXPECT_NE(dxf.find("\nPAIR\n"), std::string::npos);
}

TEST(VemcadBlocks, InsertAsksForEachAttributeValueAndExplodeLeavesTheValues)
{
    ScratchDir dir;
    const std::string door = "LINE\n0,0\n10,0\n\nATTDEF\nNAME\nDoor name?\nD1\n2,1\n\n\nBLOCK\nDOOR\n0,0\nALL\n\n";
    VemcadRun run = runVemcad(dir, door + "INSERT\nDOOR\n5,5\n\n\n\nFront door\n" + "INSERT\nDOOR\n20,0\n\n\n\n^C\n" +
                                       "INSERT\nDOOR\n30,0\n\n\n\n\n" + kListAll + "EXPLODE\nL\n\nLIST\nL\n\nDXFOUT\nd.dxf\n");
    ASSERT_EQ(run.status, 0);
    for (const char* text : {"Enter attribute values", "Door name? <D1>: Front door", "Tag: NAME", "text Front door",
                             "text D1"})
        EXPECT_NE(run.out.find(text), std::string::npos) << text << "\n" << run.out;
    const size_t listed = run.out.rfind("Command: LIST\nSelect objects: ALL");
    ASSERT_NE(listed, std::string::npos);
    const std::string all = run.out.substr(listed, run.out.find("Command: EXPLODE") - listed);
    EXPECT_EQ(occurrences(all, "BLOCK REFERENCE"), 2u) << "the cancelled one is not there\n" << all;
    EXPECT_EQ(occurrences(all, "ATTRIBUTE"), 2u) << all;
    // The exploded reference left its value as a text; its line stands beside it.
    const std::string last = lastListing(run.out);
    EXPECT_NE(last.find("TEXT"), std::string::npos) << last;
    EXPECT_NE(last.find("text D1"), std::string::npos) << last;
    EXPECT_EQ(occurrences(readFile(dir.file("d.dxf")), "\nATTRIB\n"), 1u);
}
