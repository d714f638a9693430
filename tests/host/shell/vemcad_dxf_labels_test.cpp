// vemcad end to end with labels in DXF: a coordinate system and its labels written by
// DXFOUT come back from OPEN, DXFIN and the command line as live entities that COLIST
// lists and that recompute when moved; without the modules, or with spoiled XDATA, their
// pieces come in as plain entities.
#include <map>
#include <sstream>

#include "vemcad_runner.h"

namespace {

// A coordinate system at the origin (axes A up, B right, 1:1, three decimals), a point
// label at (10, 20) with its text at (15, 25), a line label on x = 40; a line erased
// between them, so that the labels' handles are not the next free ones.
const char kLabels[] =
    "EORI\n0,0\n\n\n\n\n\n\n\n\n\n"
    "LINE\n100,100\n101,101\n\nERASE\n100.5,100.5\n\n"
    "ECOP\n0,5\n10,20\n15,25\n\n"
    "ECOL\n0,5\n\n40,40\n\n";
const char kListAll[] = "COLIST\nALL\n\n";
// The point label picked on its underline, moved by (20, 30).
const char kMovePoint[] = "MOVE\n12.5,22.5\n\n10,20\n30,50\n";

// What the application's XDATA of a file says of one entity: its class and its record.
struct LiveRecord {
    std::string className, record;
    int pieces = 0;
    bool operator==(const LiveRecord& o) const
    {
        return className == o.className && record == o.record && pieces == o.pieces;
    }
};

// The application's XDATA of a DXF file, by the handle each piece names.
std::map<std::string, LiveRecord> liveRecords(const std::string& dxf)
{
    std::map<std::string, LiveRecord> records;
    std::istringstream in(dxf);
    std::string code, value, handle, className;
    bool inVem = false;
    while (std::getline(in, code) && std::getline(in, value)) {
        const int c = std::stoi(code);
        if (c == 1001)
            inVem = value == "VEM";
        else if (inVem && c == 1000)
            className = value;
        else if (inVem && c == 1005) {
            handle = value;
            records[handle].className = className;
            ++records[handle].pieces;
        } else if (inVem && c == 1004)
            records[handle].record += value;
    }
    return records;
}

std::size_t occurrences(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// The text with the first occurrence of what (after from) replaced.
std::string replaced(std::string text, const std::string& what, const std::string& with, const std::string& from = "")
{
    const std::size_t at = text.find(what, from.empty() ? 0 : text.find(from));
    if (at != std::string::npos)
        text.replace(at, what.size(), with);
    return text;
}

// The text with the first group of code (a line "code" and its value) after from left out.
std::string withoutGroup(std::string text, const std::string& code, const std::string& from)
{
    const std::size_t at = text.find(code + "\n", text.find(from));
    if (at != std::string::npos)
        text.erase(at, text.find('\n', at + code.size() + 1) + 1 - at);
    return text;
}

// "N entities" of DXFOUT's message about file.
std::string writtenCount(const std::string& out, const std::string& file)
{
    const std::string opening = "Wrote " + file + " (";
    const std::size_t at = out.find(opening);
    if (at == std::string::npos)
        return std::string();
    const std::size_t begin = at + opening.size();
    return out.substr(begin, out.find(')', begin) - begin);
}

}  // namespace

TEST(VemcadDxfLabels, OpenBringsBackLabelsThatListAndMoveLikeTheFirst)
{
    ScratchDir dir;
    VemcadRun made = runVemcad(dir, std::string(kLabels) + "DXFOUT\na.dxf\nDXFOUT\nV\nR2018\nb.dxf\n" + kListAll +
                                        kMovePoint + kListAll);
    ASSERT_EQ(made.status, 0) << made.out;
    const std::vector<std::string> listed = listingLines(made.out);
    ASSERT_EQ(listed.size(), 6u) << made.out;
    const std::map<std::string, LiveRecord> first = liveRecords(readFile(dir.file("a.dxf")));
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(liveRecords(readFile(dir.file("b.dxf"))), first);

    for (const char* file : {"a.dxf", "b.dxf"}) {
        const std::string open = std::string("OPEN\n") + file + "\n";
        VemcadRun run = runVemcad(dir, open + kListAll + kMovePoint + kListAll + "DXFOUT\nc.dxf\n");
        ASSERT_EQ(run.status, 0) << file << run.out;
        const std::vector<std::string> lines = listingLines(run.out);
        ASSERT_EQ(lines.size(), 6u) << file << run.out;
        EXPECT_EQ(lines, listed) << file;
        EXPECT_EQ(writtenCount(run.out, "c.dxf"), writtenCount(made.out, "a.dxf")) << file;
        // Handles are kept: what did not move has the record it had; the moved label differs.
        const std::map<std::string, LiveRecord> again = liveRecords(readFile(dir.file("c.dxf")));
        ASSERT_EQ(again.size(), 3u) << file;
        std::size_t same = 0;
        for (const auto& [handle, record] : first) {
            auto it = again.find(handle);
            ASSERT_NE(it, again.end()) << file << " lost " << handle;
            same += it->second == record ? 1 : 0;
        }
        EXPECT_EQ(same, 2u) << file;
    }

    // Written again unmoved, from the command line and from DXFIN: the very same records.
    VemcadRun run = runVemcad(dir, std::string(kListAll) + "DXFOUT\nd.dxf\n", "a.dxf");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(listingLines(run.out), std::vector<std::string>(listed.begin(), listed.begin() + 3));
    EXPECT_EQ(liveRecords(readFile(dir.file("d.dxf"))), first);
    run = runVemcad(dir, std::string("DXFIN\nb.dxf\n") + kListAll + "QUIT\nN\n");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(listingLines(run.out), std::vector<std::string>(listed.begin(), listed.begin() + 3));
}

TEST(VemcadDxfLabels, WithoutTheModulesThePiecesComeInPlain)
{
    ScratchDir dir;
    VemcadRun made = runVemcad(dir, std::string(kLabels) + "DXFOUT\na.dxf\n");
    ASSERT_EQ(made.status, 0) << made.out;
    const std::string pieces = writtenCount(made.out, "a.dxf");
    ASSERT_FALSE(pieces.empty()) << made.out;

    VemcadRun bare = runVemcad(dir, "DXFOUT\nb.dxf\nQUIT\n", "--no-modules a.dxf");
    ASSERT_EQ(bare.status, 0) << bare.out;
    EXPECT_EQ(writtenCount(bare.out, "b.dxf"), pieces) << bare.out;
    EXPECT_NE(readFile(dir.file("b.dxf")).find("MTEXT"), std::string::npos);
}

TEST(VemcadDxfLabels, SpoiledXdataLeavesThatEntityAsItsPiecesWithoutACrash)
{
    ScratchDir dir;
    VemcadRun made = runVemcad(dir, std::string(kLabels) + "DXFOUT\na.dxf\n");
    ASSERT_EQ(made.status, 0) << made.out;
    const std::string good = readFile(dir.file("a.dxf"));
    const std::size_t piecesOfAll = occurrences(good, "1001\nVEM\n");
    ASSERT_GT(piecesOfAll, 3u);

    struct Case {
        const char* name;
        std::string dxf;
        std::size_t live;  // entities COLIST still lists
    };
    const std::string firstChunk = "1004\n";
    const Case cases[] = {
        {"bad hex", replaced(good, firstChunk, "1004\nZZ", "1000\nECoPoint"), 2},
        {"odd hex", replaced(good, firstChunk, "1004\n0", "1000\nECoLine"), 2},
        {"chunk lost", withoutGroup(good, "1004", "1000\nEOrigin"), 2},
        {"record cut", replaced(good, "\n1004\n", "\n1004\n00\n1004\n", "1000\nECoPoint"), 2},
        {"no such class", replaced(good, "1000\nECoLine\n", "1000\nNoSuchClass\n"), 2},
        {"host class", replaced(good, "1000\nECoLine\n", "1000\nAcDbLine\n"), 2},
        {"huge number", replaced(good, "1070\n2\n", "1070\n99999999999999999999\n", "1000\nECoPoint"), 2},
        {"second piece 1", replaced(good, "1070\n2\n", "1070\n1\n", "1000\nECoPoint"), 2},
        {"record on piece 2", replaced(good, "1070\n2\n", "1070\n2\n1004\n00\n", "1000\nECoPoint"), 2},
        {"class differs", replaced(good, "1000\nECoPoint\n", "1000\nECoLine\n"), 2},
        {"bad handle", replaced(good, "1005\n", "1005\nXYZ", "1000\nECoPoint"), 2},
        {"no application", replaced(good, "1001\nVEM\n", "1001\nOTHER\n"), 2},
    };
    for (const Case& c : cases) {
        ASSERT_NE(c.dxf, good) << c.name;
        std::ofstream(dir.file("s.dxf"), std::ios::binary) << c.dxf;
        VemcadRun run = runVemcad(dir, std::string("OPEN\ns.dxf\n") + kListAll + "DXFOUT\nt.dxf\n");
        ASSERT_EQ(run.status, 0) << c.name << run.out;
        EXPECT_EQ(listingLines(run.out).size(), c.live) << c.name << run.out;
        // Whatever was not made again is in the drawing as the pieces it came as.
        EXPECT_EQ(writtenCount(run.out, "t.dxf"), writtenCount(made.out, "a.dxf")) << c.name << run.out;
    }
}

TEST(VemcadDxfLabels, LabelsInABlockComeBackInTheirBlock)
{
    ScratchDir dir;
    VemcadRun made = runVemcad(dir, std::string(kLabels) + "BLOCK\nLB\n0,0\nALL\n\nINSERT\nLB\n100,100\n\n\n\n" +
                                        "DXFOUT\na.dxf\nEXPLODE\nALL\n\n" + kListAll);
    ASSERT_EQ(made.status, 0) << made.out;
    const std::vector<std::string> listed = listingLines(made.out);
    ASSERT_EQ(listed.size(), 3u) << made.out;
    EXPECT_EQ(liveRecords(readFile(dir.file("a.dxf"))).size(), 3u);

    VemcadRun run = runVemcad(dir, std::string(kListAll) + "EXPLODE\nALL\n\n" + kListAll, "a.dxf");
    ASSERT_EQ(run.status, 0) << run.out;
    // Nothing but the reference in model space; its block holds the labels.
    const std::vector<std::string> lines = listingLines(run.out);
    EXPECT_EQ(lines, listed) << run.out;
}
