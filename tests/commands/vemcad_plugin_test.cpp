// The plug-in in vemcad: scripts typed as a user would, with the host's own GRIP,
// EXPLODE and LIST, checked through the transcript.
#include <sstream>

#include "vemcad_runner.h"

namespace {

// EORI at 0,0 with axes X up and Y right, offsets 0, 1:1000, size 1, 3 decimals.
const char kOriginXY[] = "EORI\n0,0\nX\nU\n0\nY\nR\n0\n1000\n1\n3\n";

// The layer of every entity LIST printed, in order.
std::vector<std::string> listedLayers(const std::string& out)
{
    std::vector<std::string> layers;
    const std::string key = "Layer: \"";
    for (size_t at = out.find(key); at != std::string::npos; at = out.find(key, at + 1)) {
        size_t from = at + key.size();
        layers.push_back(out.substr(from, out.find('"', from) - from));
    }
    return layers;
}

}  // namespace

TEST(VemcadPlugin, ASystemDraggedAlongOneAxisListsAPlainZeroOnTheOther)
{
    ScratchDir dir;
    VemcadRun run = runVemcad(dir, std::string(kOriginXY) + "GRIP\n0,3\n0,0\n2,0\nCOLIST\nL\n\n");
    ASSERT_EQ(run.status, 0);
    std::vector<std::string> lines = listingLines(run.out);
    ASSERT_EQ(lines.size(), 1u) << run.out;
    EXPECT_EQ(lines[0], "序号1:  坐标系(X=0.000,Y=2000.000)  图纸比例=1000  外观缩放比例=1  小数位数=3");
}

// The vertical arrow and the leader stay on the layer their entity was made on; the
// other pieces, which carry none of its properties, land on the current layer.
TEST(VemcadPlugin, ExplodedAtOnceTheArrowAndLeaderStayOnTheLayerTheyWereMadeOn)
{
    ScratchDir dir;
    const std::string script = std::string("LAYER\nN\nRED1\nS\nRED1\n\n") + kOriginXY +
                               "ECOP\n0,5\n10,20\n15,25\n\n"
                               "ECOL\n0,5\nX\n30,30\n\n"
                               "LAYER\nS\n0\n\n"
                               "EXPLODE\nALL\n\nLIST\nALL\n\n";
    VemcadRun run = runVemcad(dir, script);
    ASSERT_EQ(run.status, 0);
    const std::vector<std::string> expected = {"RED1", "0", "0", "0", "0", "0", "RED1", "0", "0", "0", "0"};
    EXPECT_EQ(listedLayers(run.out), expected) << run.out;
}

TEST(VemcadPlugin, AnswersThatWouldLeaveTheSystemNotFiniteTakeTheDefaults)
{
    // Offset 100 over a subnormal drawing scale, and a size no display survives.
    ScratchDir dir;
    VemcadRun run = runVemcad(dir, "EORI\n0,0\n\n\n100\n\n\n\n1e-320\n1e308\n\nCOLIST\n0,0\n\n");
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("请输入的图纸比例不正确,将自动取默认值1.0"), std::string::npos);
    EXPECT_NE(run.out.find("输入的外观缩放倍数不正确,将自动取默认值1.0"), std::string::npos);
    std::vector<std::string> lines = listingLines(run.out);
    ASSERT_EQ(lines.size(), 1u) << "the system can be picked\n" << run.out;
    EXPECT_EQ(lines[0], "序号1:  坐标系(A=100.000,B=0.000)  图纸比例=1  外观缩放比例=1  小数位数=3");
}
