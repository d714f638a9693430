// vemcad end to end: the drawing and inquiry commands for circles, arcs and points, by
// what LIST and the commands themselves print after a script.
#include "vemcad_runner.h"

namespace {

const char kListAll[] = "LIST\nALL\n\n";

size_t occurrences(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
        ++n;
    return n;
}

struct Case {
    const char* name;
    const char* script;
    const char* expected;  // what the output holds, in this order, separated by '|'
};

void expectInOrder(const Case& c, const std::string& out)
{
    size_t at = 0;
    std::string expected = c.expected;
    for (size_t start = 0; start <= expected.size();) {
        size_t bar = expected.find('|', start);
        if (bar == std::string::npos)
            bar = expected.size();
        const std::string piece = expected.substr(start, bar - start);
        const size_t found = out.find(piece, at);
        ASSERT_NE(found, std::string::npos) << c.name << ": no \"" << piece << "\" after offset " << at << "\n"
                                            << out;
        at = found + piece.size();
        start = bar + 1;
    }
}

}  // namespace

TEST(VemcadCircularCommands, EachWayOfGivingACircleOrArcMakesTheOneMeant)
{
    const Case cases[] = {
        {"centre, radius", "CIRCLE\n1,2\n5\n",
         "Specify radius of circle or [Diameter]: |center point, X=1.0000  Y=2.0000|radius 5.0000"},
        {"the last radius is the default", "CIRCLE\n0,0\n3\nCIRCLE\n10,0\n\n",
         "<3.0000>: |center point, X=10.0000|radius 3.0000"},
        {"diameter", "CIRCLE\n0,0\nD\n4\n", "Specify diameter of circle: |radius 2.0000"},
        {"radius to a point", "CIRCLE\n0,0\n3,4\n", "radius 5.0000"},
        {"refused radii asked again", "CIRCLE\n0,0\n0\n-2\nabc\n7\n",
         "Value must be positive and nonzero.|Value must be positive.|"
         "Requires numeric distance, second point, or option keyword.|radius 7.0000"},
        {"two points", "CIRCLE\n2P\n0,10\n4,10\n", "center point, X=2.0000  Y=10.0000|radius 2.0000"},
        {"three points", "CIRCLE\n3P\n0,0\n2,0\n0,2\n", "center point, X=1.0000  Y=1.0000|radius 1.4142"},
        {"three points on a line", "CIRCLE\n3P\n0,0\n1,1\n2,2\n", "Circle does not exist"},
        {"arc through three points, clockwise", "ARC\n0,0\n1,1\n2,0\n",
         "center point, X=1.0000  Y=0.0000|radius 1.0000|start angle 0.0000|end angle 180.0000"},
        {"arc through three points, counter-clockwise", "ARC\n2,0\n1,1\n0,0\n",
         "center point, X=1.0000  Y=0.0000|start angle 0.0000|end angle 180.0000"},
        {"arc centre first", "ARC\nC\n0,0\n5,0\n0,5\n", "radius 5.0000|start angle 0.0000|end angle 90.0000"},
        {"arc start, centre, end behind", "ARC\n0,5\nC\n0,0\n5,0\n", "start angle 90.0000|end angle 0.0000"},
        {"arc clockwise by angle", "ARC\n0,0\nC\n-5,0\nA\n-90\n", "start angle 270.0000|end angle 0.0000"},
        {"arc angle refused", "ARC\n0,0\nC\n-5,0\nA\n360\n45\n",
         "between -360 and 360|start angle 0.0000|end angle 45.0000"},
        {"arc at the first point's height", "ARC\n0,0,3\n1,1,9\n2,0\n", "center point, X=1.0000  Y=0.0000  Z=3.0000"},
        {"arc on a line", "ARC\n0,0\n1,1\n2,2\n", "Arc does not exist"},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        const VemcadRun run = runVemcad(dir, std::string(c.script) + kListAll);
        ASSERT_EQ(run.status, 0) << c.name;
        expectInOrder(c, run.out);
    }
}

TEST(VemcadCircularCommands, CancelledOrUndoneLeavesNothing)
{
    const Case cases[] = {
        {"circle cancelled at the radius", "CIRCLE\n0,0\n^C\n", "0 found"},
        {"3P cancelled at the last point", "CIRCLE\n3P\n0,0\n2,0\n^C\n", "0 found"},
        {"arc cancelled at the end", "ARC\n0,0\n1,1\n^C\n", "0 found"},
        {"arc cancelled at the angle", "ARC\n0,0\nC\n-5,0\nA\n^C\n", "0 found"},
        {"circle undone", "CIRCLE\n0,0\n5\nARC\n0,0\n1,1\n2,0\nU\n", "CIRCLE|1 found"},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        const VemcadRun run = runVemcad(dir, std::string(c.script) + kListAll);
        ASSERT_EQ(run.status, 0) << c.name;
        expectInOrder(c, run.out);
        EXPECT_EQ(occurrences(run.out, "ARC  Layer"), 0u) << c.name << "\n" << run.out;
    }
}

TEST(VemcadInquiry, IdAndDistReportInTheHostsWords)
{
    const Case cases[] = {
        {"id", "ID\n3,4,5\n", "X = 3.0000     Y = 4.0000     Z = 5.0000"},
        {"dist in plan", "DIST\n0,0\n10,10\n",
         "Distance = 14.1421,  Angle in XY Plane = 45,  Angle from XY Plane = 0|"
         "Delta X = 10.0000,  Delta Y = 10.0000,  Delta Z = 0.0000"},
        {"dist rising, behind", "DIST\n0,0,0\n-3,0,4\n",
         "Distance = 5.0000,  Angle in XY Plane = 180,  Angle from XY Plane = 53|Delta X = -3.0000"},
        {"dist downward", "DIST\n1,1\n1,-2\n", "Angle in XY Plane = 270"},
        {"dist of nothing", "DIST\n2,2\n2,2\n", "Distance = 0.0000,  Angle in XY Plane = 0,  Angle from XY Plane = 0"},
        {"relative to the point ID gave", "ID\n5,5\nDIST\n@\n@3,4\n", "Distance = 5.0000"},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        const VemcadRun run = runVemcad(dir, c.script);
        ASSERT_EQ(run.status, 0) << c.name;
        expectInOrder(c, run.out);
    }
}

TEST(VemcadPoints, PointsTheirDisplayTheTextSizeAndTheUnitAreKeptBySaveAndWrittenToDxf)
{
    ScratchDir dir;
    const VemcadRun run = runVemcad(dir,
                                    "POINT\n1,2\n3,4,5\n\n"
                                    "SETVAR\nPDMODE\n35\nSETVAR\nPDSIZE\n-10\n"
                                    "SETVAR\nPDMODE\n5\nSETVAR\nPDMODE\n2.5\n"
                                    "SETVAR\nTEXTSIZE\n0\nSETVAR\nTEXTSIZE\n4\n"
                                    "SETVAR\nINSUNITS\n\nSETVAR\nINSUNITS\n25\nSETVAR\nINSUNITS\n4\n"
                                    "SAVE\np.vdb\nNEW\nOPEN\np.vdb\nPOINT\n^C\nSETVAR\nTEXTSIZE\n\n"
                                    "SETVAR\nINSUNITS\n\n" +
                                        std::string(kListAll) + "DXFOUT\np.dxf\nOPEN\np.dxf\nSETVAR\nINSUNITS\n\n");
    ASSERT_EQ(run.status, 0);
    const Case expected = {"points", "",
                           "Current point modes:  PDMODE=0  PDSIZE=0.0000|Specify a point: |"
                           "Requires 0 to 4, with 32, 64 or 96 added.|Requires an integer value.|"
                           "Requires a positive value.|Enter new value for INSUNITS <6>: |"
                           "Requires an integer between 0 and 24.|"
                           "Current point modes:  PDMODE=35  PDSIZE=-10.0000|"
                           "Enter new value for TEXTSIZE <4.0000>: |Enter new value for INSUNITS <4>: |"
                           "at point, X=1.0000  Y=2.0000  Z=0.0000|at point, X=3.0000  Y=4.0000  Z=5.0000|"
                           "Enter new value for INSUNITS <4>: "};
    expectInOrder(expected, run.out);
    const std::string dxf = readFile(dir.file("p.dxf"));
    EXPECT_NE(dxf.find("$PDMODE\n 70\n35\n"), std::string::npos);
    EXPECT_NE(dxf.find("$PDSIZE\n 40\n-10\n"), std::string::npos);
    EXPECT_NE(dxf.find("$TEXTSIZE\n 40\n4\n"), std::string::npos);
    EXPECT_NE(dxf.find("$INSUNITS\n 70\n4\n"), std::string::npos);
    EXPECT_EQ(occurrences(dxf, "\nPOINT\n"), 2u);
    EXPECT_NE(dxf.find("AcDbPoint\n 10\n3\n 20\n4\n 30\n5\n"), std::string::npos);
}

TEST(VemcadPoints, AChangedPointDisplayIsAnUnsavedChange)
{
    ScratchDir dir;
    const VemcadRun run = runVemcad(dir, "SAVE\nq.vdb\nSETVAR\nPDSIZE\n2\nNEW\nNo\n");
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Save changes to q.vdb?"), std::string::npos) << run.out;
}

TEST(VemcadDrawCommands, ALabelsPointSnapsToTheNewEntities)
{
    // X grows up the drawing from 3000, Y to the right from 5000, at 1:500.
    const char* const kSystem = "EORI\n0,0\nX\nU\n3000\nY\nR\n5000\n500\n1\n3\n";
    const Case cases[] = {
        {"circle centre", "CIRCLE\n30,30\n5\nECOP\n0,5\nCEN 35,31\n40,40\n\n", "点坐标(X=18000.000,Y=20000.000)"},
        {"arc end", "ARC\n10,10\n12,14\n10,18\nECOP\n0,5\nEND 10.2,18.1\n40,40\n\n", "点坐标(X=12000.000,Y=10000.000)"},
        {"point node", "POINT\n4,6\n\nECOP\n0,5\nNOD 4.3,6.2\n40,40\n\n", "点坐标(X=6000.000,Y=7000.000)"},
        {"block insertion point", "CIRCLE\n50,50\n2\nBLOCK\nB\n50,50\nC\n47,47\n53,53\n\nINSERT\nB\n20,30\n1\n1\n0\n"
         "ECOP\n0,5\nINS 20.3,31\n40,40\n\n", "点坐标(X=18000.000,Y=15000.000)"},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        const VemcadRun run = runVemcad(dir, std::string(kSystem) + c.script + "COLIST\nALL\n\n");
        ASSERT_EQ(run.status, 0) << c.name;
        expectInOrder(c, run.out);
    }
}
