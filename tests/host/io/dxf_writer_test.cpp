// DXFOUT at the level of groups: the file's structure and handles, symbol tables,
// numbers that read back exactly, escaped and chunked texts, polyline widths, entity
// properties, application entities written as their pieces or their drawing, proxies,
// and files that are complete or not there at all.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "drawing_file.h"
#include "dxf_test_drawing.h"
#include "dxf_writer.h"
#include "host_fixture.h"
#include "scratch_dir.h"

namespace {

using namespace dxf_test;

std::uint64_t hexValue(const std::string& s) { return std::strtoull(s.c_str(), nullptr, 16); }

// An application entity made of host entities: a line left without layer and colour
// (by block), and a text.
class PieceTag : public AcDbEntity {
public:
    static AcRxClass* s_class;
    static AcRxObject* make() { return new PieceTag(); }
    AcRxClass* isA() const override { return s_class; }
    static long s_alive;
    PieceTag() { ++s_alive; }
    ~PieceTag() override { --s_alive; }

protected:
    Acad::ErrorStatus subExplode(AcDbVoidPtrArray& pieces) const override
    {
        AcDbLine* line = new AcDbLine(AcGePoint3d(1, 2, 0), AcGePoint3d(3, 4, 0));
        line->setColorIndex(0);
        pieces.append(line);
        pieces.append(newText(L"tag", 5, 6, 2.5));
        return Acad::eOk;
    }
    Adesk::Boolean subWorldDraw(AcGiWorldDraw* pWd) override
    {
        const AcGePoint3d ends[2] = {AcGePoint3d(1, 2, 0), AcGePoint3d(3, 4, 0)};
        pWd->geometry().polyline(2, ends);
        return Adesk::kTrue;
    }
};
AcRxClass* PieceTag::s_class = nullptr;
long PieceTag::s_alive = 0;

// An application entity that does not explode: a square, a red triangle, a circle and
// a text, all drawn.
class DrawnMark : public AcDbEntity {
public:
    static AcRxClass* s_class;
    static AcRxObject* make() { return new DrawnMark(); }
    AcRxClass* isA() const override { return s_class; }

protected:
    Adesk::Boolean subWorldDraw(AcGiWorldDraw* pWd) override
    {
        const AcGePoint3d square[5] = {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}, {0, 0, 0}};
        pWd->geometry().polyline(5, square);
        const AcGePoint3d triangle[3] = {{1, 1, 0}, {3, 1, 0}, {2, 3, 0}};
        pWd->subEntityTraits().setColor(1);
        pWd->geometry().polygon(3, triangle);
        pWd->geometry().circle(AcGePoint3d(2, 2, 0), 1.5, AcGeVector3d::kZAxis);
        pWd->geometry().text(AcGePoint3d(0, 5, 0), AcGeVector3d::kZAxis, AcGeVector3d::kYAxis, 1.0, 1.0, 0.0,
                             L"a{b}\\c");
        return Adesk::kTrue;
    }
};
AcRxClass* DrawnMark::s_class = nullptr;

class DxfOut : public HostFixture {
protected:
    void SetUp() override
    {
        HostFixture::SetUp();
        PieceTag::s_class = newAcRxClass(L"DxfTestTag", L"AcDbEntity", 0, &PieceTag::make, L"DXFTESTTAG", L"DxfTest");
        DrawnMark::s_class =
            newAcRxClass(L"DxfTestMark", L"AcDbEntity", 0, &DrawnMark::make, L"DXFTESTMARK", L"DxfTest");
    }
    void TearDown() override
    {
        HostFixture::TearDown();
        for (AcRxClass** cls : {&PieceTag::s_class, &DrawnMark::s_class}) {
            if (*cls != nullptr)
                deleteAcRxClass(*cls);
            *cls = nullptr;
        }
    }

    std::vector<Group> written(vemio::DxfStats* stats = nullptr)
    {
        std::string dxf, error;
        EXPECT_TRUE(vemio::writeDxfToString(db(), dxf, error, stats)) << error;
        EXPECT_EQ(vemhost::testing::openObjectCount(db()), 0);
        return readGroups(dxf);
    }
    std::vector<std::vector<Group>> entities(const std::vector<Group>& groups)
    {
        std::vector<std::vector<Group>> found;
        bool inEntities = false;
        for (size_t i = 0; i < groups.size(); ++i) {
            if (groups[i].code == 2 && i > 0 && groups[i - 1].value == "SECTION")
                inEntities = groups[i].value == "ENTITIES";
            if (groups[i].code == 0 && (groups[i].value == "ENDSEC" || groups[i].value == "SECTION"))
                inEntities = false;
            if (!inEntities || groups[i].code != 0)
                continue;
            std::vector<Group> object{groups[i]};
            for (size_t k = i + 1; k < groups.size() && groups[k].code != 0; ++k)
                object.push_back(groups[k]);
            found.push_back(std::move(object));
        }
        return found;
    }
    std::uint64_t handleOf(AcDbObjectId id) const { return id.handle().value(); }
};

}  // namespace

TEST_F(DxfOut, SectionsHandlesAndOwnersHoldTogether)
{
    const AcDbObjectId line = append(db(), newLine(0.1, -0.0, 1.0 / 3.0, 5));
    const AcDbObjectId paperText = append(db(), newText(L"sheet", 1, 1, 2), true);
    append(db(), static_cast<AcDbEntity*>(PieceTag::make()));
    const std::uint64_t seedBefore = db()->handseed().value();
    const std::vector<Group> groups = written();

    std::vector<std::string> sections;
    for (size_t i = 1; i < groups.size(); ++i)
        if (groups[i].code == 2 && groups[i - 1].value == "SECTION")
            sections.push_back(groups[i].value);
    EXPECT_EQ(sections, (std::vector<std::string>{"HEADER", "CLASSES", "TABLES", "BLOCKS", "ENTITIES", "OBJECTS"}));
    EXPECT_EQ(groups.back().value, "EOF");
    ASSERT_GT(groups.size(), 4u);
    EXPECT_EQ(groups[2].value, "$ACADVER");
    EXPECT_EQ(groups[3].value, "AC1015");

    std::set<std::uint64_t> handles;
    std::uint64_t seed = 0;
    // Each object's own handle is its first 5 (105 for a dimension style); the header
    // is variables, not objects.
    bool inHeader = false, handled = true;
    for (size_t i = 0; i + 1 < groups.size(); ++i) {
        if (groups[i].code == 0) {
            inHeader = inHeader ? groups[i].value != "ENDSEC" : groups[i + 1].value == "HEADER";
            handled = inHeader;
        } else if (!handled && (groups[i].code == 5 || groups[i].code == 105)) {
            EXPECT_TRUE(handles.insert(hexValue(groups[i].value)).second) << "duplicate handle " << groups[i].value;
            handled = true;
        }
        if (groups[i].value == "$HANDSEED")
            seed = hexValue(groups[i + 1].value);
    }
    for (const Group& g : groups) {
        if (g.code == 330 || g.code == 340 || g.code == 350) {
            EXPECT_TRUE(g.value == "0" || handles.count(hexValue(g.value))) << "dangling " << g.code << " " << g.value;
        }
    }
    EXPECT_GT(seed, *handles.rbegin());
    EXPECT_GE(seed, seedBefore);

    // The drawing's objects keep their handles; the tag's two pieces get fresh ones.
    const auto ents = entities(groups);
    ASSERT_EQ(ents.size(), 4u);
    EXPECT_EQ(hexValue(valueOf(ents[0], 5)), handleOf(line));
    EXPECT_EQ(valueOf(ents[0], 330), valueOf(objectsOfType(groups, "BLOCK_RECORD")[0], 5));
    EXPECT_GE(hexValue(valueOf(ents[1], 5)), seedBefore);
    EXPECT_GE(hexValue(valueOf(ents[2], 5)), seedBefore);
    EXPECT_EQ(hexValue(valueOf(ents[3], 5)), handleOf(paperText));
    EXPECT_EQ(valueOf(ents[3], 67), "1");
    EXPECT_EQ(valueOf(ents[3], 330), valueOf(objectsOfType(groups, "BLOCK_RECORD")[1], 5));
    EXPECT_EQ(valueOf(ents[0], 67), "");
    // Numbers in their shortest form that reads back exactly.
    EXPECT_EQ(valueOf(ents[0], 10), "0.1");
    EXPECT_EQ(valueOf(ents[0], 20), "0");
    EXPECT_EQ(std::strtod(valueOf(ents[0], 11).c_str(), nullptr), 1.0 / 3.0);

    // The tables readers require, with the records they look for.
    std::set<std::string> tables;
    for (size_t i = 1; i < groups.size(); ++i)
        if (groups[i].code == 2 && groups[i - 1].value == "TABLE")
            tables.insert(groups[i].value);
    EXPECT_EQ(tables, (std::set<std::string>{"VPORT", "LTYPE", "LAYER", "STYLE", "VIEW", "UCS", "APPID", "DIMSTYLE",
                                             "BLOCK_RECORD"}));
    EXPECT_EQ(valueOf(objectsOfType(groups, "VPORT")[0], 2), "*ACTIVE");
    std::vector<std::string> linetypes;
    for (const auto& lt : objectsOfType(groups, "LTYPE"))
        linetypes.push_back(valueOf(lt, 2));
    EXPECT_EQ(linetypes, (std::vector<std::string>{"ByBlock", "ByLayer", "Continuous"}));
    EXPECT_EQ(valueOf(objectsOfType(groups, "APPID")[0], 2), "ACAD");
    EXPECT_EQ(valueOf(objectsOfType(groups, "DIMSTYLE")[0], 2), "Standard");
    EXPECT_EQ(valuesOf(objectsOfType(groups, "DICTIONARY")[0], 3),
              (std::vector<std::string>{"ACAD_GROUP", "ACAD_LAYOUT"}));
    EXPECT_EQ(objectsOfType(groups, "BLOCK").size(), 2u);
    EXPECT_EQ(objectsOfType(groups, "ENDBLK").size(), 2u);
}

TEST_F(DxfOut, TextsAreEscapedChunkedAndPlaced)
{
    const AcDbObjectId style = addTextStyle(db(), L"vem_text", L"complex8.shx", L"hztxt99.shx");
    append(db(), newText(L"坐标\nX \U0001F600", 10, 20, 3.5, M_PI / 2, AcDbMText::kMiddleCenter, style));
    std::wstring longText;
    for (int i = 0; i < 100; ++i)
        longText += L"ab中\\P";
    append(db(), newText(longText.c_str(), 0, 0, 1));
    AcDbMText* tilted = newText(L"tilted", 1, 2, 1);
    tilted->setNormal(AcGeVector3d(0, -1, 1));
    append(db(), tilted);
    const auto ents = entities(written());
    ASSERT_EQ(ents.size(), 3u);

    EXPECT_EQ(valueOf(ents[0], 1), "\\U+5750\\U+6807\\PX \\U+D83D\\U+DE00");
    EXPECT_EQ(valueOf(ents[0], 7), "vem_text");
    EXPECT_EQ(valueOf(ents[0], 40), "3.5");
    EXPECT_EQ(valueOf(ents[0], 50), "90");
    EXPECT_EQ(valueOf(ents[0], 71), "5");
    EXPECT_EQ(valueOf(ents[0], 41), "0");
    EXPECT_EQ(valueOf(ents[0], 10), "10");
    EXPECT_EQ(valueOf(ents[0], 20), "20");

    // Chunks of at most 250 bytes that join to the whole, none ending inside an escape.
    std::string joined;
    const std::vector<std::string> chunks = valuesOf(ents[1], 3);
    ASSERT_GE(chunks.size(), 3u);
    for (const std::string& chunk : chunks) {
        EXPECT_LE(chunk.size(), 250u);
        const size_t escape = chunk.rfind('\\');
        if (escape != std::string::npos) {
            const size_t unit = chunk.compare(escape, 3, "\\U+") == 0 ? 7 : 2;
            EXPECT_LE(escape + unit, chunk.size()) << chunk.substr(escape);
        }
        joined += chunk;
    }
    joined += valueOf(ents[1], 1);
    std::string expected;
    for (int i = 0; i < 100; ++i)
        expected += "ab\\U+4E2D\\P";
    EXPECT_EQ(joined, expected);

    // Out of the world plane: extrusion and direction instead of a rotation.
    EXPECT_EQ(valueOf(ents[2], 50), "");
    EXPECT_NEAR(std::strtod(valueOf(ents[2], 220).c_str(), nullptr), -std::sqrt(0.5), 1e-15);
    EXPECT_EQ(valueOf(ents[2], 11), "1");
}

TEST_F(DxfOut, PolylineWidthsElevationBulgesAndClosure)
{
    append(db(), newPolyline({{0, 0, 0.5, 0.5, 0}, {10, 0, 0.5, 0.5, 0}, {10, 5, 0.5, 0.5, 0}}, true));
    AcDbPolyline* tapered = newPolyline({{0, 0, 0, 2, 0}, {5, 0, 2, 0, 0.25}, {9, 0, 1, 1, 0}});
    tapered->setElevation(7.5);
    append(db(), tapered);
    AcDbPolyline* constant = newPolyline({{0, 0, -1, -1, 0}, {1, 1, -1, -1, 0}});
    constant->setConstantWidth(0.75);
    append(db(), constant);
    const auto ents = entities(written());
    ASSERT_EQ(ents.size(), 3u);

    EXPECT_EQ(valueOf(ents[0], 0), "LWPOLYLINE");
    EXPECT_EQ(valueOf(ents[0], 90), "3");
    EXPECT_EQ(valueOf(ents[0], 70), "1");
    EXPECT_EQ(valueOf(ents[0], 43), "0.5");
    EXPECT_TRUE(valuesOf(ents[0], 40).empty());
    EXPECT_EQ(valueOf(ents[0], 38), "");

    EXPECT_EQ(valueOf(ents[1], 70), "0");
    EXPECT_EQ(valueOf(ents[1], 43), "");
    EXPECT_EQ(valueOf(ents[1], 38), "7.5");
    EXPECT_EQ(valuesOf(ents[1], 40), (std::vector<std::string>{"0", "2", "1"}));
    EXPECT_EQ(valuesOf(ents[1], 41), (std::vector<std::string>{"2", "0", "1"}));
    EXPECT_EQ(valuesOf(ents[1], 42), (std::vector<std::string>{"0.25"}));
    EXPECT_EQ(valuesOf(ents[1], 10), (std::vector<std::string>{"0", "5", "9"}));

    EXPECT_EQ(valueOf(ents[2], 43), "0.75");  // vertices following the constant width
}

TEST_F(DxfOut, CirclesAndArcsAreWrittenAsThemselves)
{
    append(db(), new AcDbCircle(AcGePoint3d(1, 2, 0), AcGeVector3d::kZAxis, 3));
    append(db(), new AcDbArc(AcGePoint3d(4, 5, 0), 2, M_PI / 2, M_PI));
    append(db(), new AcDbArc(AcGePoint3d(0, 0, 0), -AcGeVector3d::kZAxis, 1, 0, M_PI / 2));
    const auto ents = entities(written());
    ASSERT_EQ(ents.size(), 3u);
    EXPECT_EQ(valueOf(ents[0], 0), "CIRCLE");
    EXPECT_EQ(valueOf(ents[0], 10), "1");
    EXPECT_EQ(valueOf(ents[0], 20), "2");
    EXPECT_EQ(valueOf(ents[0], 40), "3");
    EXPECT_EQ(valueOf(ents[0], 210), "");
    EXPECT_EQ(valueOf(ents[1], 0), "ARC");
    EXPECT_EQ(valuesOf(ents[1], 100), (std::vector<std::string>{"AcDbEntity", "AcDbCircle", "AcDbArc"}));
    EXPECT_EQ(valueOf(ents[1], 40), "2");
    EXPECT_EQ(valueOf(ents[1], 50), "90");
    EXPECT_EQ(valueOf(ents[1], 51), "180");
    // Seen from below: the centre in the arc's own plane, its normal written.
    EXPECT_EQ(valueOf(ents[2], 0), "ARC");
    EXPECT_EQ(valueOf(ents[2], 230), "-1");
    EXPECT_EQ(valueOf(ents[2], 51), "90");
}

TEST_F(DxfOut, PropertiesAreWrittenOnlyWhenNotByLayer)
{
    const AcDbObjectId walls = addLayer(db(), L"Walls", 1);
    append(db(), newLine(0, 0, 1, 1, walls));
    AcDbLine* styled = newLine(0, 0, 2, 2, walls, 3);
    styled->setLineWeight(AcDb::kLnWt050);
    AcDbLinetypeTable* table = nullptr;
    ASSERT_EQ(db()->getLinetypeTable(table, AcDb::kForRead), Acad::eOk);
    AcDbObjectId continuous;
    table->getAt(L"Continuous", continuous);
    table->close();
    styled->setLinetype(continuous);
    append(db(), styled);
    AcDbLine* hidden = newLine(0, 0, 3, 3);
    hidden->setVisibility(AcDb::kInvisible);
    append(db(), hidden);
    const auto ents = entities(written());
    ASSERT_EQ(ents.size(), 3u);

    EXPECT_EQ(valueOf(ents[0], 8), "Walls");
    EXPECT_EQ(valueOf(ents[0], 62), "");
    EXPECT_EQ(valueOf(ents[0], 6), "");
    EXPECT_EQ(valueOf(ents[0], 370), "-1");
    EXPECT_EQ(valueOf(ents[1], 62), "3");
    EXPECT_EQ(valueOf(ents[1], 6), "Continuous");
    EXPECT_EQ(valueOf(ents[1], 370), "50");
    EXPECT_EQ(valueOf(ents[2], 8), "0");
    EXPECT_EQ(valueOf(ents[2], 60), "1");
}

TEST_F(DxfOut, ApplicationEntitiesBecomeTheirPiecesOrTheirDrawing)
{
    const AcDbObjectId walls = addLayer(db(), L"Walls", 1);
    AcDbEntity* tag = static_cast<AcDbEntity*>(PieceTag::make());
    tag->setLayer(walls);
    tag->setColorIndex(4);
    const AcDbObjectId tagId = append(db(), tag);
    append(db(), static_cast<AcDbEntity*>(DrawnMark::make()));
    AcDbEntity* opened = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(opened, tagId, AcDb::kForRead), Acad::eOk);
    vemhost::MemoryFiler filer(db(), AcDb::kFileFiler);
    ASSERT_EQ(opened->dwgOutFields(&filer), Acad::eOk);
    opened->close();
    const long aliveBefore = vemhost::testing::liveObjectCount();
    vemio::DxfStats stats;
    const auto ents = entities(written(&stats));
    EXPECT_EQ(vemhost::testing::liveObjectCount(), aliveBefore) << "explode pieces outlived the write";
    EXPECT_EQ(PieceTag::s_alive, 1);

    std::vector<std::string> types;
    for (const auto& e : ents)
        types.push_back(valueOf(e, 0));
    EXPECT_EQ(types, (std::vector<std::string>{"LINE", "MTEXT", "LWPOLYLINE", "LWPOLYLINE", "CIRCLE", "MTEXT"}));
    EXPECT_EQ(stats.entities, 6);
    EXPECT_EQ(stats.skipped, 0);
    // The line piece takes the tag's layer and, being by block, its colour.
    EXPECT_EQ(valueOf(ents[0], 8), "Walls");
    EXPECT_EQ(valueOf(ents[0], 62), "4");
    EXPECT_EQ(valueOf(ents[1], 1), "tag");
    EXPECT_EQ(valueOf(ents[1], 62), "");
    // The drawn mark: the square, the triangle closed in red, the circle, the text with
    // its format characters quoted, running up the page.
    EXPECT_EQ(valueOf(ents[2], 90), "5");
    EXPECT_EQ(valueOf(ents[3], 70), "1");
    EXPECT_EQ(valueOf(ents[3], 62), "1");
    EXPECT_EQ(valueOf(ents[4], 40), "1.5");
    EXPECT_EQ(valueOf(ents[5], 1), "a\\{b\\}\\\\c");
    EXPECT_EQ(valueOf(ents[5], 50), "90");
    EXPECT_EQ(valueOf(ents[5], 71), "7");

    // Each piece names, as XDATA of VEM, the entity it comes from and its own number;
    // the first also carries the entity's filed record, byte for byte.
    const std::string tagHandle = valueOf(objectsOfType(written(), "LINE")[0], 1005);
    EXPECT_EQ(hexValue(tagHandle), tagId.handle().value());
    const char* const classes[] = {"DxfTestTag", "DxfTestTag", "DxfTestMark", "DxfTestMark", "DxfTestMark",
                                   "DxfTestMark"};
    const char* const numbers[] = {"1", "2", "1", "2", "3", "4"};
    for (size_t i = 0; i < ents.size(); ++i) {
        EXPECT_EQ(valueOf(ents[i], 1001), "VEM") << i;
        EXPECT_EQ(valueOf(ents[i], 1000), classes[i]) << i;
        EXPECT_EQ(valueOf(ents[i], 1070), numbers[i]) << i;
        EXPECT_EQ(valuesOf(ents[i], 1004).empty(), std::string(numbers[i]) != "1") << i;
    }
    std::string record;
    for (const std::string& chunk : valuesOf(ents[0], 1004)) {
        EXPECT_LE(chunk.size(), 254u);
        record += chunk;
    }
    std::string expected;
    for (unsigned char b : filer.bytes()) {
        const char* const kHex = "0123456789ABCDEF";
        expected += kHex[b >> 4];
        expected += kHex[b & 0xF];
    }
    EXPECT_EQ(record, expected);
    const auto appids = objectsOfType(written(), "APPID");
    ASSERT_EQ(appids.size(), 2u);
    EXPECT_EQ(valueOf(appids[1], 2), "VEM");
}

TEST_F(DxfOut, ProxiesAreWrittenAsTheirSavedGraphics)
{
    const test_support::ScratchDir dir("vem_dxf");
    const std::string vdb = dir.file("app.vdb");
    {
        AcDbDatabase drawing;
        append(&drawing, static_cast<AcDbEntity*>(DrawnMark::make()));
        std::string error;
        ASSERT_TRUE(vemio::saveDrawing(&drawing, vdb, error)) << error;
    }
    deleteAcRxClass(DrawnMark::s_class);
    DrawnMark::s_class = nullptr;
    std::string error, dxf;
    std::unique_ptr<AcDbDatabase> opened = vemio::openDrawing(vdb, error);
    ASSERT_NE(opened, nullptr) << error;
    ASSERT_TRUE(vemio::writeDxfToString(opened.get(), dxf, error)) << error;
    std::vector<std::string> types;
    for (const auto& e : entities(readGroups(dxf)))
        types.push_back(valueOf(e, 0));
    EXPECT_EQ(types, (std::vector<std::string>{"LWPOLYLINE", "LWPOLYLINE", "CIRCLE", "MTEXT"}));
}

TEST_F(DxfOut, FilesAreCompleteOrNotThere)
{
    append(db(), newLine(0, 0, 1, 1));
    const test_support::ScratchDir scratch("vem_dxf");
    const std::string& dir = scratch.path();
    std::string error, inMemory;
    ASSERT_TRUE(vemio::writeDxfToString(db(), inMemory, error));
    ASSERT_TRUE(vemio::writeDxf(db(), dir + "/plan.dxf", error)) << error;
    std::ifstream in(dir + "/plan.dxf", std::ios::binary);
    std::stringstream onDisk;
    onDisk << in.rdbuf();
    EXPECT_EQ(onDisk.str(), inMemory);
    EXPECT_EQ(scratch.listing(), "plan.dxf\n");

    // A directory where the file should go: refused, nothing left beside it.
    ASSERT_EQ(::mkdir((dir + "/taken.dxf").c_str(), 0755), 0);
    EXPECT_FALSE(vemio::writeDxf(db(), dir + "/taken.dxf", error));
    EXPECT_NE(error.find("taken.dxf"), std::string::npos) << error;
    EXPECT_EQ(scratch.listing(), "plan.dxf\ntaken.dxf\n");
    EXPECT_FALSE(vemio::writeDxf(db(), dir + "/missing/plan.dxf", error));
    EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
    EXPECT_FALSE(vemio::writeDxf(db(), "", error));
    EXPECT_FALSE(vemio::writeDxfToString(nullptr, inMemory, error));
    EXPECT_TRUE(inMemory.empty());

    // An entity open for write cannot be read: no file, and the write says which.
    AcDbBlockTable* table = nullptr;
    AcDbBlockTableRecord* space = nullptr;
    db()->getBlockTable(table, AcDb::kForRead);
    table->getAt(ACDB_MODEL_SPACE, space, AcDb::kForRead);
    table->close();
    AcDbEntity* busy = nullptr;
    ASSERT_EQ(acdbOpenObject(busy, space->entityIds()[0], AcDb::kForWrite), Acad::eOk);
    space->close();
    EXPECT_FALSE(vemio::writeDxf(db(), dir + "/busy.dxf", error));
    EXPECT_NE(error.find("handle"), std::string::npos) << error;
    busy->close();
    EXPECT_EQ(scratch.listing(), "plan.dxf\ntaken.dxf\n");
}

TEST_F(DxfOut, ReplacesAFileWholeThroughItsLinkOrLeavesItAsItWas)
{
    for (int i = 0; i < 100; ++i)
        append(db(), newLine(i, 0, i, 1));
    const test_support::ScratchDir scratch("vem_dxf");
    const std::string& dir = scratch.path();
    const std::string real = dir + "/real.dxf", link = dir + "/link.dxf";
    std::ofstream(real) << "old";
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    ASSERT_EQ(::symlink("real.dxf", link.c_str()), 0);
    auto contents = [&] {
        std::ifstream in(real, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    };

    // The disk fills part-way: the old file stays, and nothing else is left.
    std::string error;
    {
        FileSizeLimit limit(1024);
        EXPECT_FALSE(vemio::writeDxf(db(), link, error));
    }
    EXPECT_NE(error.find("writing failed"), std::string::npos) << error;
    EXPECT_EQ(contents(), "old");
    EXPECT_EQ(scratch.listing(), "link.dxf\nreal.dxf\n");

    // Written whole: the link is still a link, and the file it names keeps its permissions.
    ASSERT_TRUE(vemio::writeDxf(db(), link, error)) << error;
    EXPECT_TRUE(isSymbolicLink(link));
    EXPECT_EQ(contents().compare(0, 11, "  0\nSECTION"), 0);
    EXPECT_EQ(permissionsOf(real), 0640u);
    EXPECT_EQ(scratch.listing(), "link.dxf\nreal.dxf\n");
}

TEST_F(DxfOut, ErasedAndNotFiniteEntitiesAreLeftOut)
{
    append(db(), newLine(0, 0, 1, 1));
    const AcDbObjectId erased = append(db(), newLine(5, 5, 6, 6));
    AcDbEntity* ent = nullptr;
    ASSERT_EQ(acdbOpenObject(ent, erased, AcDb::kForWrite), Acad::eOk);
    ent->erase();
    ent->close();
    append(db(), newPolyline({{0, 0, 0, 0, 0}, {std::nan(""), 1, 0, 0, 0}}));
    vemio::DxfStats stats;
    const auto ents = entities(written(&stats));
    EXPECT_EQ(ents.size(), 1u);
    EXPECT_EQ(stats.entities, 1);
    EXPECT_EQ(stats.skipped, 1);
}
