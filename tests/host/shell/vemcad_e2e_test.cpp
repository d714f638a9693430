// vemcad end to end: scripts that annotate, edit, undo, save and reopen drawings, with
// the transcript and the saved files checked.
#include <sqlite3.h>

#include <map>

#include "vemcad_runner.h"

namespace {

// A default coordinate system at the origin (axes A up, B right, scale 1:1, three
// decimals) and a point label at (10, 20) with its text at (15, 25).
const char kPreamble[] =
    "EORI\n0,0\n\n\n\n\n\n\n\n\n\n"
    "ECOP\n0,5\n10,20\n15,25\n\n";
const char kListAll[] = "COLIST\nALL\n\n";

// handle -> (class, record) of every object saved in a drawing file.
std::map<long long, std::pair<std::string, std::string>> savedObjects(const std::string& path)
{
    std::map<long long, std::pair<std::string, std::string>> objects;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return objects;
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT handle, class, record FROM objects", -1, &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW) {
            const char* cls = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
            const char* rec = static_cast<const char*>(sqlite3_column_blob(st, 2));
            int n = sqlite3_column_bytes(st, 2);
            objects[sqlite3_column_int64(st, 0)] = {cls ? cls : "", std::string(rec ? rec : "", size_t(n))};
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return objects;
}

std::string pointLine(int n, const std::string& a, const std::string& b, const std::string& size = "1")
{
    return "序号" + std::to_string(n) + ":  点坐标(A=" + a + ",B=" + b + ")  图纸比例=1  外观缩放比例=" + size +
           "  小数位数=3";
}

}  // namespace

TEST(VemcadEdits, EditedLabelsShowTheCoordinatesOfTheirNewPlaces)
{
    struct Case {
        const char* name;
        const char* edit;
        const char* a;
        const char* b;
        const char* size;
    };
    //  edit of the label at (10, 20)                                  expected A, B, size factor
    const Case cases[] = {
        {"move", "MOVE\n12.5,22.5\n\n10,20\n30,50\n", "50.000", "30.000", "1"},
        {"rotate", "ROTATE\n12.5,22.5\n\n0,0\n90\n", "10.000", "-20.000", "1"},
        {"scale", "SCALE\n12.5,22.5\n\n0,0\n2\n", "40.000", "20.000", "2"},
        {"grip", "GRIP\n12.5,22.5\n10,20\n11,24\n", "24.000", "11.000", "1"},
        {"stretch", "STRETCH\nC\n9,19\n11,21\n\n10,20\n13,21\n", "21.000", "13.000", "1"},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        VemcadRun run = runVemcad(dir, std::string(kPreamble) + c.edit + kListAll);
        ASSERT_EQ(run.status, 0) << c.name;
        std::vector<std::string> lines = listingLines(run.out);
        ASSERT_EQ(lines.size(), 2u) << c.name << "\n" << run.out;
        EXPECT_EQ(lines[1], pointLine(2, c.a, c.b, c.size)) << c.name;
    }
}

TEST(VemcadEdits, CopiesAndMirrorCopiesShowTheirOwnCoordinates)
{
    ScratchDir dir;
    VemcadRun run = runVemcad(dir, std::string(kPreamble) + "COPY\n12.5,22.5\n\n10,20\n30,40\n50,60\n\n" +
                                       "MIRROR\n12.5,22.5\n\n0,0\n0,10\n\n" + kListAll);
    ASSERT_EQ(run.status, 0);
    std::vector<std::string> lines = listingLines(run.out);
    ASSERT_EQ(lines.size(), 5u) << run.out;
    EXPECT_EQ(lines[1], pointLine(2, "20.000", "10.000"));
    EXPECT_EQ(lines[2], pointLine(3, "40.000", "30.000"));
    EXPECT_EQ(lines[3], pointLine(4, "60.000", "50.000"));
    EXPECT_EQ(lines[4], pointLine(5, "20.000", "-10.000"));
}

TEST(VemcadEdits, RotatedCoordinateSystemKeepsItsAbsoluteOrigin)
{
    ScratchDir dir;
    // Relative origin (10, 10) carrying A=100, B=50 at 1:10; rotated a quarter turn.
    VemcadRun run = runVemcad(dir, "EORI\n10,10\nA\nU\n100\nB\nR\n50\n10\n\n\nROTATE\n10,15\n\n10,10\n90\n" +
                                       std::string(kListAll));
    ASSERT_EQ(run.status, 0);
    std::vector<std::string> lines = listingLines(run.out);
    ASSERT_EQ(lines.size(), 1u) << run.out;
    EXPECT_EQ(lines[0], "序号1:  坐标系(A=-50.000,B=100.000)  图纸比例=10  外观缩放比例=1  小数位数=3");
}

TEST(VemcadUndo, UndoRestoresEveryCommandExactlyAndRedoReappliesIt)
{
    //  command under test (after the preamble)
    const char* commands[] = {
        "ECOP\n0,5\n30,30\n35,35\n\n",
        "ECOL\n0,5\n\n40,40\n\n",
        "EORI\n50,50\n\n\n\n\n\n\n\n\n\n",
        "COPSCA\n2\nALL\n\n",
        "COPDEC\n1\nALL\n\n",
        "COPORI\n0,5\nALL\n\n",
        "XALL\n",
        "MOVE\n12.5,22.5\n\n0,0\n5,5\n",
        "COPY\n12.5,22.5\n\n0,0\n5,5\n\n",
        "ROTATE\nALL\n\n0,0\n45\n",
        "SCALE\nALL\n\n0,0\n3\n",
        "MIRROR\n12.5,22.5\n\n0,0\n10,0\nY\n",
        "STRETCH\nC\n9,19\n11,21\n\n10,20\n13,21\n",
        "GRIP\n12.5,22.5\n15,25\n20,30\n",
        "ERASE\nALL\n\n",
        "EXPLODE\n12.5,22.5\n\n",
        "LAYER\nN\nWalls\nL\n0\n\n",
    };
    for (const char* command : commands) {
        ScratchDir dir;
        std::string script = std::string(kPreamble) + "SAVEAS\nbefore.vdb\n" + command + "SAVEAS\nafter.vdb\n" +
                             "U\nSAVEAS\nundone.vdb\nREDO\nSAVEAS\nredone.vdb\n";
        VemcadRun run = runVemcad(dir, script);
        ASSERT_EQ(run.status, 0) << command;
        auto before = savedObjects(dir.file("before.vdb"));
        auto after = savedObjects(dir.file("after.vdb"));
        ASSERT_FALSE(before.empty()) << command << run.out;
        EXPECT_NE(before, after) << "the command changed nothing: " << command << run.out;
        EXPECT_EQ(savedObjects(dir.file("undone.vdb")), before) << "undo of " << command;
        EXPECT_EQ(savedObjects(dir.file("redone.vdb")), after) << "redo of " << command;
    }
}

TEST(VemcadFiles, SaveThenOpenGivesTheSameObjects)
{
    ScratchDir dir;
    VemcadRun first = runVemcad(dir, std::string(kPreamble) + "ECOL\n0,5\nB\n40,40\n42,40\nSAVEAS\na.vdb\n");
    ASSERT_EQ(first.status, 0);
    VemcadRun second = runVemcad(dir, "SAVEAS\nb.vdb\n" + std::string(kListAll), "a.vdb");
    ASSERT_EQ(second.status, 0);
    EXPECT_EQ(savedObjects(dir.file("a.vdb")), savedObjects(dir.file("b.vdb")));
    EXPECT_EQ(listingLines(second.out).size(), 3u) << second.out;
}

TEST(VemcadFiles, WithoutModulesLabelsAreKeptAsProxiesAndComeBackIntact)
{
    ScratchDir dir;
    ASSERT_EQ(runVemcad(dir, std::string(kPreamble) + "SAVEAS\na.vdb\n").status, 0);
    VemcadRun bare = runVemcad(dir, "MOVE\nALL\n\n0,0\n5,5\nSAVEAS\nb.vdb\n", "--no-modules a.vdb");
    ASSERT_EQ(bare.status, 0);
    auto a = savedObjects(dir.file("a.vdb"));
    auto b = savedObjects(dir.file("b.vdb"));
    for (const auto& [handle, row] : a) {
        if (row.first == "EOrigin" || row.first == "ECoPoint") {
            EXPECT_EQ(b[handle], row) << "proxy " << handle << " changed";
        }
    }
    VemcadRun back = runVemcad(dir, kListAll, "b.vdb");
    std::vector<std::string> lines = listingLines(back.out);
    ASSERT_EQ(lines.size(), 2u) << back.out;
    EXPECT_EQ(lines[1], pointLine(2, "20.000", "10.000"));
}

TEST(VemcadFiles, EntityModuleAloneDrawsCopiesMovesAndExplodesLabels)
{
    ScratchDir dir;
    ASSERT_EQ(runVemcad(dir, std::string(kPreamble) + "SAVEAS\na.vdb\n").status, 0);
    VemcadRun run = runVemcad(dir,
                              "COPY\n12.5,22.5\n\n10,20\n30,40\n\nMOVE\nL\n\n0,0\n1,1\n"
                              "EXPLODE\n12.5,22.5\n\nSAVEAS\nb.vdb\nEORI\n",
                              "--no-commands a.vdb");
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Unknown command \"EORI\""), std::string::npos) << run.out;
    std::map<std::string, int> classes;
    for (const auto& [handle, row] : savedObjects(dir.file("b.vdb")))
        ++classes[row.first];
    EXPECT_EQ(classes["ECoPoint"], 1) << "the copy stays a label; the exploded one is gone";
    EXPECT_EQ(classes["AcDbLine"], 2);
    EXPECT_EQ(classes["AcDbMText"], 2);
}

TEST(VemcadFiles, OpeningGarbageReportsAnErrorAndKeepsTheDrawing)
{
    ScratchDir dir;
    std::ofstream(dir.file("junk.vdb")) << "this is not a drawing";
    VemcadRun run = runVemcad(dir, std::string(kPreamble) + "OPEN\nN\njunk.vdb\n" + kListAll);
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Cannot open junk.vdb"), std::string::npos) << run.out;
    EXPECT_EQ(listingLines(run.out).size(), 2u) << "the current drawing is unchanged";
    VemcadRun direct = runVemcad(dir, "", "junk.vdb");
    EXPECT_NE(direct.status, 0);
}
