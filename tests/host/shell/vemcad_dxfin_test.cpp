// vemcad end to end with DXF: OPEN NAME.dxf and `vemcad NAME.dxf` open a DXF as a new
// drawing without a file (SAVE asks for one and the DXF stays as it was; its entities
// go out again as they came), DXFIN reads one into an empty drawing only, and what the
// host does not model is kept and reported, as is what could not be read.
#include "vemcad_runner.h"

namespace {

const char kDraw[] = "LINE\n0,0\n10,0\n\nCIRCLE\n5,5\n3\nDXFOUT\na.dxf\n";

// A DXF with a line, two entities of classes the host does not model and a circle
// without a radius.
const char kForeign[] = "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n0\n20\n0\n11\n1\n21\n1\n"
                        "0\nHATCH\n8\n0\n0\nHATCH\n8\n0\n0\nCIRCLE\n8\n0\n40\n0\n0\nENDSEC\n0\nEOF\n";

// The ENTITIES section of a DXF file.
std::string entitiesOf(const std::string& dxf)
{
    const std::size_t begin = dxf.find("ENTITIES\n");
    return begin == std::string::npos ? std::string() : dxf.substr(begin, dxf.find("ENDSEC", begin) - begin);
}

}  // namespace

TEST(VemcadDxf, OpenReadsADxfAsANewDrawingThatSaveAsksANameFor)
{
    ScratchDir dir;
    VemcadRun run = runVemcad(dir, std::string(kDraw) + "NEW\nN\nOPEN\na.dxf\nDXFOUT\nb.dxf\nSAVE\nb.vdb\nQUIT\n");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("Opened a.dxf."), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Saved b.vdb."), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Wrote b.dxf (2 entities)."), std::string::npos) << run.out;
    const std::string written = readFile(dir.file("a.dxf"));
    ASSERT_NE(entitiesOf(written).find("LINE"), std::string::npos);
    EXPECT_EQ(entitiesOf(readFile(dir.file("b.dxf"))), entitiesOf(written));

    // From the command line too; QUIT after a change asks about Drawing1.vdb, not the DXF.
    run = runVemcad(dir, "LINE\n1,1\n2,2\n\nQUIT\nN\n", "a.dxf");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("Save changes to Drawing1.vdb?"), std::string::npos) << run.out;
    EXPECT_EQ(readFile(dir.file("a.dxf")), written);
}

TEST(VemcadDxf, DxfinReadsIntoAnEmptyDrawingOnlyAndTellsWhatItLeftOut)
{
    ScratchDir dir;
    std::ofstream(dir.file("f.dxf")) << kForeign;
    VemcadRun run = runVemcad(dir, std::string(kDraw) + "DXFIN\nf.dxf\nNEW\nN\nDXFIN\nf.dxf\nQUIT\nN\n");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("Cannot read f.dxf: the drawing is not empty; DXFIN reads into an empty drawing only"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("Read f.dxf."), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("2 entities of classes this program does not model are kept as they are: 2 HATCH. "
                           "1 entity that could not be read was left out: 1 CIRCLE."),
              std::string::npos)
        << run.out;
    // The drawing read counts as changed.
    EXPECT_NE(run.out.find("Save changes to Drawing2.vdb?"), std::string::npos) << run.out;

    run = runVemcad(dir, "QUIT\n", "f.dxf");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("2 HATCH."), std::string::npos) << run.out;
    std::ofstream(dir.file("bad.dxf")) << "0\nSECTION\n2\nENTITIES\n0\nLINE\n8";
    run = runVemcad(dir, "OPEN\nbad.dxf\nQUIT\n");
    EXPECT_NE(run.out.find("Cannot open bad.dxf: cannot open 'bad.dxf': line 7: the file ends after a group code"),
              std::string::npos)
        << run.out;
}

TEST(VemcadDxf, DxfoutHandsADrawingBackInTheFormItCameIn)
{
    ScratchDir dir;
    VemcadRun run = runVemcad(dir, "LINE\n0,0\n10,0\n\nDXFOUT\nVersion\nR2018\nu.dxf\nDXFOUT\na.dxf\nQUIT\nN\n");
    ASSERT_EQ(run.status, 0) << run.out;
    ASSERT_NE(readFile(dir.file("u.dxf")).find("AC1032"), std::string::npos);

    // Opened from UTF-8 DXF: Enter at the version keeps it, and so does no answer at all.
    run = runVemcad(dir, "OPEN\nu.dxf\nDXFOUT\nb.dxf\nDXFOUT\nVersion\n\nc.dxf\nDXFOUT\nVersion\nR2000\nd.dxf\n"
                         "OPEN\na.dxf\nDXFOUT\ne.dxf\nQUIT\nN\n");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("Enter DXF version [R2000/R2018] <R2018>: \n"), std::string::npos) << run.out;
    EXPECT_NE(readFile(dir.file("b.dxf")).find("AC1032"), std::string::npos);
    EXPECT_NE(readFile(dir.file("c.dxf")).find("AC1032"), std::string::npos);
    EXPECT_NE(readFile(dir.file("d.dxf")).find("AC1015"), std::string::npos);
    EXPECT_NE(readFile(dir.file("e.dxf")).find("AC1015"), std::string::npos);
}
