// DXFOUT of what a drawing kept of a DXF file it was read from: entities of types the
// host does not model written back group for group with their handle, owner, space and
// current properties in place; the extras of modelled entities and records; classes,
// table records, header variables and objects in their places without duplicates; every
// application with its APPID; fresh handles above every kept one; texts in the
// encoding of each release; and the same bytes from a second output.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "drawing_store.h"
#include "dxf_kept_drawing.h"
#include "dxf_test_drawing.h"
#include "dxf_writer.h"
#include "host_fixture.h"

namespace {

using namespace dxf_test;
using namespace kept_test;

using Object = std::vector<Group>;

std::uint64_t hexValue(const std::string& s) { return std::strtoull(s.c_str(), nullptr, 16); }

// The objects of a section, or of one table of TABLES (its TABLE head first).
std::vector<Object> objectsIn(const std::vector<Group>& groups, const std::string& section,
                              const std::string& table = std::string())
{
    std::vector<Object> found;
    bool inside = false;
    for (size_t i = 0; i < groups.size(); ++i) {
        const bool head = i + 1 < groups.size() && groups[i + 1].code == 2 &&
                          groups[i].value == (table.empty() ? "SECTION" : "TABLE");
        if (head)
            inside = groups[i + 1].value == (table.empty() ? section : table);
        if (groups[i].code == 0 && (groups[i].value == "ENDSEC" || groups[i].value == "ENDTAB"))
            inside = false;
        if (inside && groups[i].code == 0 && !(head && table.empty())) {
            Object object{groups[i]};
            for (size_t k = i + 1; k < groups.size() && groups[k].code != 0; ++k)
                object.push_back(groups[k]);
            found.push_back(std::move(object));
        }
    }
    return found;
}

const Object* withHandle(const std::vector<Object>& objects, const std::string& handle)
{
    for (const Object& o : objects)
        if (valueOf(o, 5) == handle || valueOf(o, 105) == handle)
            return &o;
    return nullptr;
}

std::vector<std::string> namesOf(const std::vector<Object>& records, const std::string& type)
{
    std::vector<std::string> names;
    for (const Object& r : records)
        if (r[0].value == type)
            names.push_back(valueOf(r, 2));
    return names;
}

Object expected(std::initializer_list<std::pair<int, std::string>> list)
{
    Object object;
    for (const auto& g : list)
        object.push_back({g.first, g.second});
    return object;
}

void expectSame(const Object& found, const Object& wanted, const std::string& what)
{
    ASSERT_EQ(found.size(), wanted.size()) << what;
    for (size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].code, wanted[i].code) << what << " group " << i;
        EXPECT_EQ(found[i].value, wanted[i].value) << what << " group " << i << " code " << wanted[i].code;
    }
}

// A kept entity whose geometry the host knows: its extents a fixed box.
class BoxedKept : public DxfPassThroughEntity {
public:
    BoxedKept() : DxfPassThroughEntity("HATCH", groupsOf({{100, "AcDbEntity"}, {8, "0"}})) {}

protected:
    Acad::ErrorStatus subGetGeomExtents(AcDbExtents& extents) const override
    {
        extents = AcDbExtents(AcGePoint3d(-100, -200, 0), AcGePoint3d(300, 400, 0));
        return Acad::eOk;
    }
};

class DxfKeptOut : public HostFixture {
protected:
    std::string write(vemio::DxfVersion version)
    {
        std::string dxf, error;
        EXPECT_TRUE(vemio::writeDxfToString(db(), dxf, error, nullptr, version)) << error;
        EXPECT_EQ(vemhost::testing::openObjectCount(db()), 0);
        return dxf;
    }
    std::string modelSpace() { return hex(handleOf(test_support::blockId(db(), ACDB_MODEL_SPACE))); }
    std::string paperSpace() { return hex(handleOf(test_support::blockId(db(), ACDB_PAPER_SPACE))); }
};

}  // namespace

TEST_F(DxfKeptOut, EntityOfAnUnmodelledTypeGoesBackWithItsOwnHandleOwnerAndProperties)
{
    const AcDbObjectId solid = appendKeptEntity(
        db(), ACDB_MODEL_SPACE, "SOLID", 0x2A0,
        groupsOf({{5, "2A0"}, {102, "{ACAD_REACTORS"}, {330, "1F0"}, {102, "}"}, {330, "1F"},
                  {100, "AcDbEntity"}, {8, "OLD"}, {62, "3"}, {100, "AcDbTrace"}, {10, "0"}, {20, "0"}, {30, "0"},
                  {11, "4"}, {21, "0"}, {31, "0"}, {12, "0"}, {22, "3"}, {32, "0"}, {13, "4"}, {23, "3"}, {33, "0"},
                  {1001, "THEIRAPP"}, {1000, "中文 ok"}, {1005, "9000"}}));
    ASSERT_FALSE(solid.isNull());
    ASSERT_EQ(handleOf(solid), 0x2A0u);
    // The layer and colour changed after reading, and a linetype scale that had no group.
    const AcDbObjectId layer = addLayer(db(), L"NEW");
    AcDbEntity* ent = nullptr;
    ASSERT_EQ(acdbOpenObject(ent, solid, AcDb::kForWrite), Acad::eOk);
    ent->setLayer(layer);
    ent->setColorIndex(5);
    ent->setLinetypeScale(2.0);
    ent->close();
    // The same in paper space, where 67 goes before the layer; its old-style polyline
    // holds its vertices and end as records, their handles as stored.
    appendKeptEntity(db(), ACDB_PAPER_SPACE, "POLYLINE", 0x300,
                     groupsOf({{5, "300"}, {330, "1F"}, {100, "AcDbEntity"}, {8, "OLD"}, {100, "AcDb2dPolyline"},
                               {66, "1"}, {10, "0"}, {20, "0"}, {30, "0"}, {70, "0"}, {0, "VERTEX"}, {5, "301"},
                               {330, "300"}, {100, "AcDbEntity"}, {8, "OLD"}, {100, "AcDbVertex"}, {10, "1"},
                               {20, "2"}, {0, "SEQEND"}, {5, "302"}, {330, "300"}, {100, "AcDbEntity"}, {8, "X"}}));

    const std::string r2000 = write(vemio::DxfVersion::kR2000);
    const std::vector<Group> groups = readGroups(r2000);
    const std::vector<Object> entities = objectsIn(groups, "ENTITIES");
    ASSERT_EQ(entities.size(), 4u);
    expectSame(entities[0],
               expected({{0, "SOLID"}, {5, "2A0"}, {102, "{ACAD_REACTORS"}, {330, "1F0"}, {102, "}"},
                         {330, modelSpace()}, {100, "AcDbEntity"}, {8, "NEW"}, {48, "2"}, {62, "5"},
                         {100, "AcDbTrace"}, {10, "0"}, {20, "0"}, {30, "0"}, {11, "4"}, {21, "0"}, {31, "0"},
                         {12, "0"}, {22, "3"}, {32, "0"}, {13, "4"}, {23, "3"}, {33, "0"}, {1001, "THEIRAPP"},
                         {1000, "\\U+4E2D\\U+6587 ok"}, {1005, "9000"}}),
               "SOLID");
    expectSame(entities[1],
               expected({{0, "POLYLINE"}, {5, "300"}, {330, paperSpace()}, {100, "AcDbEntity"}, {67, "1"},
                         {8, "0"}, {100, "AcDb2dPolyline"}, {66, "1"}, {10, "0"}, {20, "0"}, {30, "0"}, {70, "0"}}),
               "POLYLINE");
    // The vertex on the polyline's old layer follows it to its current one ("0": the
    // entity holds no layer); the end, on a layer of its own, keeps it.
    expectSame(entities[2], expected({{0, "VERTEX"}, {5, "301"}, {330, "300"}, {100, "AcDbEntity"}, {8, "0"},
                                      {100, "AcDbVertex"}, {10, "1"}, {20, "2"}}),
               "VERTEX");
    EXPECT_EQ(entities[3][0].value, "SEQEND");
    EXPECT_EQ(valueOf(entities[3], 8), "X");

    // UTF-8 in R2018; everything else the same.
    const std::vector<Object> entities2018 = objectsIn(readGroups(write(vemio::DxfVersion::kR2018)), "ENTITIES");
    ASSERT_EQ(entities2018.size(), 4u);
    EXPECT_EQ(valueOf(entities2018[0], 1000), "中文 ok");
    EXPECT_EQ(entities2018[0].size(), entities[0].size());

    // The application has its record; every handle is unique and the fresh ones (and
    // the seed) lie above 9000, which the XDATA names.
    const std::vector<Object> appids = objectsIn(groups, "TABLES", "APPID");
    EXPECT_EQ(namesOf(appids, "APPID"), (std::vector<std::string>{"ACAD", "VEM", "THEIRAPP"}));
    EXPECT_EQ(valueOf(appids[0], 70), "3");
    std::set<std::uint64_t> resident{0x301, 0x302};
    for (AcDbObjectId id : acrt::storedObjectsOf(db()))
        resident.insert(handleOf(id));
    std::set<std::string> handles;
    for (size_t i = 1; i < groups.size(); ++i) {
        if ((groups[i].code != 5 && groups[i].code != 105) || groups[i - 1].code == 9)
            continue;
        const std::string& h = groups[i].value;
        EXPECT_TRUE(handles.insert(h).second) << "handle " << h << " twice";
        if (resident.count(hexValue(h)) == 0) {
            EXPECT_GT(hexValue(h), 0x9000u) << h;
        }
    }
    size_t seedAt = 0;
    for (size_t i = 0; i < groups.size(); ++i)
        if (groups[i].code == 9 && groups[i].value == "$HANDSEED")
            seedAt = i + 1;
    ASSERT_NE(seedAt, 0u);
    EXPECT_GT(hexValue(groups[seedAt].value), 0x9000u);
    for (const std::string& h : handles)
        EXPECT_LT(hexValue(h), hexValue(groups[seedAt].value)) << h;

    // A second output is the same file.
    EXPECT_EQ(write(vemio::DxfVersion::kR2000), r2000);
}

TEST_F(DxfKeptOut, ExtrasOfModelledEntitiesAndRecordsGoInTheirPlaces)
{
    // A plain line whose extras hold an extension dictionary and XDATA of VEM (not a
    // live entity's piece: written once, as kept).
    const AcDbObjectId line = append(db(), newLine(0, 0, 5, 5));
    ASSERT_TRUE(setExtras(line, groupsOf({{102, "{ACAD_XDICTIONARY"}, {360, "4000"}, {102, "}"}, {1001, "VEM"},
                                          {1000, "plain"}, {1001, "其他"}, {1070, "7"}})));
    // A layer with a plot style handle and XDATA; a linetype whose dashes the host does
    // not model; model space pointing at a stale layout handle, with units.
    const AcDbObjectId layer = addLayer(db(), L"WALLS", 3);
    ASSERT_TRUE(setExtras(layer, groupsOf({{102, "{ACAD_REACTORS"}, {330, "4100"}, {102, "}"}, {390, "F"},
                                           {1001, "LAYERAPP"}, {1000, "x"}})));
    const AcDbObjectId continuous = symbolId(db(), db()->linetypeTableId(), L"Continuous");
    ASSERT_TRUE(setExtras(continuous, groupsOf({{72, "65"}, {73, "2"}, {40, "1.5"}, {49, "1"}, {74, "0"},
                                                {49, "-0.5"}, {74, "0"}})));
    ASSERT_TRUE(setExtras(test_support::blockId(db(), ACDB_MODEL_SPACE), groupsOf({{340, "ABC"}, {70, "4"}})));

    for (vemio::DxfVersion version : {vemio::DxfVersion::kR2000, vemio::DxfVersion::kR2018}) {
        const std::vector<Group> groups = readGroups(write(version));
        const std::vector<Object> entities = objectsIn(groups, "ENTITIES");
        ASSERT_EQ(entities.size(), 1u);
        const Object& l = entities[0];
        EXPECT_EQ(l[2].code, 102);
        EXPECT_EQ(l[3].code, 360);
        EXPECT_EQ(l[3].value, "4000");
        EXPECT_EQ(l[5].code, 330);
        EXPECT_EQ(valuesOf(l, 1001),
                  (std::vector<std::string>{"VEM", version == vemio::DxfVersion::kR2000 ? "\\U+5176\\U+4ED6" : "其他"}));
        EXPECT_EQ(l[l.size() - 1].code, 1070);
        EXPECT_EQ(l[l.size() - 4].code, 1001);  // XDATA last, after the line's own groups
        EXPECT_EQ(l[l.size() - 5].code, 31);

        const std::vector<Object> layers = objectsIn(groups, "TABLES", "LAYER");
        const Object* walls = nullptr;
        for (const Object& r : layers)
            if (valueOf(r, 2) == "WALLS")
                walls = &r;
        ASSERT_NE(walls, nullptr);
        EXPECT_EQ((*walls)[2].value, "{ACAD_REACTORS");
        EXPECT_EQ((*walls)[5].code, 330);
        EXPECT_EQ(valueOf(*walls, 62), "3");
        const size_t n = walls->size();
        EXPECT_EQ((*walls)[n - 4].code, 370);
        EXPECT_EQ((*walls)[n - 3].code, 390);
        EXPECT_EQ((*walls)[n - 2].value, "LAYERAPP");

        for (const Object& r : objectsIn(groups, "TABLES", "LTYPE"))
            if (valueOf(r, 2) == "Continuous") {
                EXPECT_EQ(valuesOf(r, 73), (std::vector<std::string>{"2"}));
                EXPECT_EQ(valuesOf(r, 40), (std::vector<std::string>{"1.5"}));
                EXPECT_EQ(valuesOf(r, 49), (std::vector<std::string>{"1", "-0.5"}));
                EXPECT_EQ(r[r.size() - 1].code, 74);
            }
        // Model space: one 340, naming the layout OBJECTS holds for it; its units kept.
        std::string modelLayout;
        for (const Object& r : objectsIn(groups, "TABLES", "BLOCK_RECORD"))
            if (valueOf(r, 2) == "*Model_Space") {
                EXPECT_EQ(valuesOf(r, 340).size(), 1u);
                modelLayout = valueOf(r, 340);
                EXPECT_EQ(valueOf(r, 70), "4");
            }
        const std::vector<Object> objects = objectsIn(groups, "OBJECTS");
        const Object* layout = withHandle(objects, modelLayout);
        ASSERT_NE(layout, nullptr);
        EXPECT_EQ(valuesOf(*layout, 1).back(), "Model");
        // Every application named has its record, each once.
        EXPECT_EQ(namesOf(objectsIn(groups, "TABLES", "APPID"), "APPID"),
                  (std::vector<std::string>{"ACAD", "VEM", valuesOf(l, 1001)[1], "LAYERAPP"}));
    }
}

TEST_F(DxfKeptOut, KeptTableRecordsClassesAndHeaderVariablesReplaceWhatWouldBeGenerated)
{
    append(db(), newLine(-3, -4, 30, 40));
    const std::string standardStyle = hex(handleOf(symbolId(db(), db()->textStyleTableId(), L"Standard")));
    using P = acrt::DxfPlace;
    ASSERT_TRUE(addKept(db(), P::kClass, "CLASS", 0x500,
                        groupsOf({{1, "ACDBPLACEHOLDER"}, {2, "AcDbPlaceHolder"}, {3, "ObjectDBX Classes"},
                                  {90, "0"}, {280, "0"}, {281, "0"}})));
    ASSERT_TRUE(addKept(db(), P::kTableRecord, "VPORT", 0x501,
                        groupsOf({{5, "501"}, {330, "8"}, {100, "AcDbSymbolTableRecord"},
                                  {100, "AcDbViewportTableRecord"}, {2, "*Active"}, {70, "0"}, {12, "7.25"},
                                  {22, "1"}, {40, "99"}})));
    ASSERT_TRUE(addKept(db(), P::kTableRecord, "APPID", 0x502,
                        groupsOf({{5, "502"}, {330, "9"}, {100, "AcDbSymbolTableRecord"},
                                  {100, "AcDbRegAppTableRecord"}, {2, "ACAD"}, {70, "0"}})));
    ASSERT_TRUE(addKept(db(), P::kTableRecord, "DIMSTYLE", 0x503,
                        groupsOf({{105, "503"}, {330, "A"}, {100, "AcDbSymbolTableRecord"},
                                  {100, "AcDbDimStyleTableRecord"}, {2, "Standard"}, {70, "0"}, {41, "3.5"},
                                  {340, standardStyle}})));
    ASSERT_TRUE(addKept(db(), P::kTableRecord, "VIEW", 0x504,
                        groupsOf({{5, "504"}, {330, "6"}, {100, "AcDbSymbolTableRecord"},
                                  {100, "AcDbViewTableRecord"}, {2, "视图"}, {70, "0"}, {40, "10"}})));
    ASSERT_TRUE(addKept(db(), P::kTableRecord, "ODDTABLE", 0x505,
                        groupsOf({{5, "505"}, {330, "7"}, {2, "ONE"}, {70, "0"}})));
    // Heads of two tables the host lacks, kept with a stale count.
    ASSERT_TRUE(addKept(db(), P::kTableHead, "DIMSTYLE", 0x50B,
                        groupsOf({{5, "50B"}, {102, "{ACAD_XDICTIONARY"}, {360, "50A"}, {102, "}"}, {330, "0"},
                                  {100, "AcDbSymbolTable"}, {70, "7"}, {100, "AcDbDimStyleTable"}, {71, "1"},
                                  {340, "503"}})));
    ASSERT_TRUE(addKept(db(), P::kTableHead, "ODDTABLE", 0x50C, groupsOf({{5, "50C"}, {330, "0"}, {70, "0"}})));
    ASSERT_TRUE(addKept(db(), P::kHeaderVariable, "$ACADVER", 0x506, groupsOf({{1, "AC1009"}})));
    ASSERT_TRUE(addKept(db(), P::kHeaderVariable, "$DIMSCALE", 0x507, groupsOf({{40, "2.5"}})));
    ASSERT_TRUE(addKept(db(), P::kHeaderVariable, "$PROJECTNAME", 0x508, groupsOf({{1, "工程"}})));
    ASSERT_TRUE(addKept(db(), P::kHeaderVariable, "$DWGCODEPAGE", 0x509, groupsOf({{3, "ANSI_936"}})));

    const std::string dxf = write(vemio::DxfVersion::kR2000);
    const std::vector<Group> groups = readGroups(dxf);
    // Header: the writer's own variables once, then the kept ones it does not write.
    std::vector<std::string> variables;
    for (size_t i = 0; i + 1 < groups.size(); ++i)
        if (groups[i].code == 9)
            variables.push_back(groups[i].value + "=" + groups[i + 1].value);
    ASSERT_GE(variables.size(), 3u);
    EXPECT_EQ(variables[0], "$ACADVER=AC1015");
    EXPECT_EQ(variables[variables.size() - 2], "$DIMSCALE=2.5");
    EXPECT_EQ(variables.back(), "$PROJECTNAME=\\U+5DE5\\U+7A0B");
    int codepages = 0;
    for (const std::string& v : variables)
        codepages += v.rfind("$DWGCODEPAGE=", 0) == 0 ? 1 : 0;
    EXPECT_EQ(codepages, 1);
    EXPECT_NE(std::find(variables.begin(), variables.end(), "$DWGCODEPAGE=ANSI_1252"), variables.end());

    const std::vector<Object> classes = objectsIn(groups, "CLASSES");
    ASSERT_EQ(classes.size(), 1u);
    EXPECT_EQ(valueOf(classes[0], 1), "ACDBPLACEHOLDER");

    // One *ACTIVE viewport, the kept one as it was (its view not overwritten), owned by
    // the table written; the header extents still those of the line.
    const std::vector<Object> vports = objectsIn(groups, "TABLES", "VPORT");
    ASSERT_EQ(vports.size(), 2u);
    EXPECT_EQ(valueOf(vports[0], 70), "1");
    EXPECT_EQ(valueOf(vports[1], 330), valueOf(vports[0], 5));
    EXPECT_EQ(valueOf(vports[1], 12), "7.25");
    EXPECT_EQ(valueOf(vports[1], 40), "99");
    for (size_t i = 0; i + 2 < groups.size(); ++i) {
        if (groups[i].code == 9 && groups[i].value == "$EXTMAX") {
            EXPECT_EQ(std::strtod(groups[i + 1].value.c_str(), nullptr), 30.0);
        }
    }

    // One ACAD and one Standard; the kept ones owned by their tables, counts right.
    const std::vector<Object> appids = objectsIn(groups, "TABLES", "APPID");
    EXPECT_EQ(namesOf(appids, "APPID"), (std::vector<std::string>{"VEM", "ACAD"}));
    EXPECT_EQ(valueOf(appids[0], 70), "2");
    const std::vector<Object> dimstyles = objectsIn(groups, "TABLES", "DIMSTYLE");
    EXPECT_EQ(namesOf(dimstyles, "DIMSTYLE"), (std::vector<std::string>{"Standard"}));
    // The kept head as it was under its handle, its count the records written.
    expectSame(dimstyles[0],
               expected({{0, "TABLE"}, {2, "DIMSTYLE"}, {5, "50B"}, {102, "{ACAD_XDICTIONARY"}, {360, "50A"},
                         {102, "}"}, {330, "0"}, {100, "AcDbSymbolTable"}, {70, "1"}, {100, "AcDbDimStyleTable"},
                         {71, "1"}, {340, "503"}}),
               "DIMSTYLE head");
    EXPECT_EQ(valueOf(dimstyles[1], 105), "503");
    EXPECT_EQ(valueOf(dimstyles[1], 330), valueOf(dimstyles[0], 5));
    const std::vector<Object> views = objectsIn(groups, "TABLES", "VIEW");
    EXPECT_EQ(namesOf(views, "VIEW"), (std::vector<std::string>{"\\U+89C6\\U+56FE"}));
    EXPECT_EQ(valueOf(views[0], 70), "1");
    const std::vector<Object> odd = objectsIn(groups, "TABLES", "ODDTABLE");
    ASSERT_EQ(odd.size(), 2u);
    EXPECT_EQ(valueOf(odd[0], 70), "1");
    EXPECT_EQ(valueOf(odd[0], 5), "50C");
    EXPECT_EQ(valueOf(odd[1], 330), "50C");
    EXPECT_GT(hexValue(valueOf(vports[0], 5)), 0x509u);

    EXPECT_EQ(write(vemio::DxfVersion::kR2000), dxf);
}

TEST_F(DxfKeptOut, KeptObjectsReplaceTheGeneratedOnesAndEverySpaceKeepsALayout)
{
    const std::string model = modelSpace(), paper = paperSpace();
    using P = acrt::DxfPlace;
    // A root dictionary naming groups and layouts, the layout of model space only, an
    // XRECORD with a Chinese text; no layout for paper space.
    ASSERT_TRUE(addKept(db(), P::kObject, "DICTIONARY", 0x600,
                        groupsOf({{5, "600"}, {330, "0"}, {100, "AcDbDictionary"}, {281, "1"}, {3, "ACAD_GROUP"},
                                  {350, "601"}, {3, "ACAD_LAYOUT"}, {350, "602"}, {3, "NOTES"}, {350, "604"}})));
    ASSERT_TRUE(addKept(db(), P::kObject, "DICTIONARY", 0x601,
                        groupsOf({{5, "601"}, {102, "{ACAD_REACTORS"}, {330, "600"}, {102, "}"}, {330, "600"},
                                  {100, "AcDbDictionary"}, {281, "1"}})));
    ASSERT_TRUE(addKept(db(), P::kObject, "DICTIONARY", 0x602,
                        groupsOf({{5, "602"}, {330, "600"}, {100, "AcDbDictionary"}, {281, "1"}, {3, "Model"},
                                  {350, "603"}})));
    ASSERT_TRUE(addKept(db(), P::kObject, "LAYOUT", 0x603,
                        groupsOf({{5, "603"}, {330, "602"}, {100, "AcDbPlotSettings"}, {1, ""}, {70, "688"},
                                  {100, "AcDbLayout"}, {1, "Model"}, {70, "1"}, {71, "0"}, {330, model}})));
    ASSERT_TRUE(addKept(db(), P::kObject, "XRECORD", 0x604,
                        groupsOf({{5, "604"}, {330, "600"}, {100, "AcDbXrecord"}, {280, "1"}, {1, "备注"},
                                  {40, "1.5"}})));

    const std::string dxf = write(vemio::DxfVersion::kR2018);
    const std::vector<Group> groups = readGroups(dxf);
    const std::vector<Object> objects = objectsIn(groups, "OBJECTS");
    ASSERT_EQ(objects.size(), 6u);
    // The root first, then the kept ones in handle order, the missing layout last.
    EXPECT_EQ(valueOf(objects[0], 5), "600");
    EXPECT_EQ(valueOf(objects[1], 5), "601");
    const Object& layouts = objects[2];
    EXPECT_EQ(valuesOf(layouts, 3), (std::vector<std::string>{"Model", "Layout1"}));
    const std::string paperLayout = valuesOf(layouts, 350)[1];
    EXPECT_EQ(valueOf(objects[4], 1), "备注");
    const Object& generated = objects[5];
    EXPECT_EQ(generated[0].value, "LAYOUT");
    EXPECT_EQ(valueOf(generated, 5), paperLayout);
    EXPECT_EQ(generated.back().value, paper);
    EXPECT_EQ(valueOf(generated, 330), "602");
    EXPECT_GT(hexValue(paperLayout), 0x604u);
    // Each space's record points at its layout.
    for (const Object& r : objectsIn(groups, "TABLES", "BLOCK_RECORD")) {
        if (valueOf(r, 5) == model) {
            EXPECT_EQ(valueOf(r, 340), "603");
        } else if (valueOf(r, 5) == paper) {
            EXPECT_EQ(valueOf(r, 340), paperLayout);
        }
    }
    EXPECT_EQ(write(vemio::DxfVersion::kR2018), dxf);
}

TEST_F(DxfKeptOut, KeptObjectsWithoutARootDictionaryFollowTheGeneratedOnes)
{
    // Handles it names, a space around one, count; a value that is no handle does not.
    ASSERT_TRUE(addKept(db(), acrt::DxfPlace::kObject, "XRECORD", 0x700,
                        groupsOf({{5, "700"}, {330, "0"}, {100, "AcDbXrecord"}, {1, "x"}, {340, " B000 "},
                                  {360, "FFFFFFFFFFFFFFFFF"}, {480, "-1"}, {1, "FFFFFF"}})));
    // Types that cannot be written are left out, values that would break lines cut.
    ASSERT_TRUE(addKept(db(), acrt::DxfPlace::kObject, "BAD\nTYPE", 0x701, groupsOf({{5, "701"}})));
    ASSERT_TRUE(addKept(db(), acrt::DxfPlace::kTableRecord, "", 0x702, groupsOf({{5, "702"}})));
    ASSERT_TRUE(addKept(db(), acrt::DxfPlace::kHeaderVariable, "$X", 0x703, groupsOf({{70, "1\n  0\nEOF"}})));
    append(db(), new DxfPassThroughEntity("", groupsOf({{8, "0"}})));
    vemio::DxfStats stats;
    std::string dxf, error;
    ASSERT_TRUE(vemio::writeDxfToString(db(), dxf, error, &stats)) << error;
    EXPECT_EQ(stats.skipped, 1);
    EXPECT_EQ(dxf.find("BAD"), std::string::npos);
    EXPECT_NE(dxf.find("$X\n 70\n1\n"), std::string::npos);
    const std::vector<Group> groups = readGroups(dxf);
    EXPECT_EQ(std::count_if(groups.begin(), groups.end(), [](const Group& g) { return g.value == "EOF"; }), 1);
    const std::vector<Object> objects = objectsIn(groups, "OBJECTS");
    ASSERT_EQ(objects.size(), 6u);
    EXPECT_EQ(objects[0][0].value, "DICTIONARY");
    EXPECT_EQ(valueOf(objects[0], 330), "0");
    EXPECT_EQ(valuesOf(objects[0], 3), (std::vector<std::string>{"ACAD_GROUP", "ACAD_LAYOUT"}));
    EXPECT_GT(hexValue(valueOf(objects[0], 5)), 0xB000u);
    EXPECT_LT(hexValue(valueOf(objects[0], 5)), 0xB100u);
    EXPECT_EQ(valueOf(objects[3], 5), "700");
    EXPECT_EQ(valuesOf(objects[4], 1).back(), "Model");
    EXPECT_EQ(valuesOf(objects[5], 1).back(), "Layout1");
}

TEST_F(DxfKeptOut, ReferencesKeepTheirExtrasBeforeTheirAttributesAndBlocksOwnTheirKeptEntities)
{
    // A block holding a kept entity whose stored handle and owner are stale.
    const AcDbObjectId block = test_support::addBlock(
        db(), L"KEPT", AcGePoint3d(),
        {new DxfPassThroughEntity("SOLID", groupsOf({{5, "77"}, {330, "78"}, {100, "AcDbEntity"}, {8, "0"},
                                                     {100, "AcDbTrace"}, {10, "1"}, {20, "1"}}))});
    AcDbBlockReference* ref = new AcDbBlockReference(AcGePoint3d(), block);
    const AcDbObjectId refId = append(db(), ref);
    ASSERT_EQ(acdbOpenObject(ref, refId, AcDb::kForWrite), Acad::eOk);
    AcDbAttribute* attribute = new AcDbAttribute(AcGePoint3d(1, 1, 0), L"v", L"TAG");
    ASSERT_EQ(ref->appendAttribute(attribute), Acad::eOk);
    const AcDbObjectId attributeId = attribute->objectId();
    attribute->close();
    ref->close();
    ASSERT_TRUE(setExtras(attributeId, groupsOf({{1001, "APP2"}, {1070, "2"}})));
    // The SEQEND's and the block's BLOCK and ENDBLK records' handles and XDATA as read.
    ASSERT_TRUE(setExtras(refId, groupsOf({{102, "{ACAD_REACTORS"}, {330, "800"}, {102, "}"}, {1001, "APP1"},
                                           {1000, "ref"}, {0, "SEQEND"}, {5, "900"}})));
    ASSERT_TRUE(setExtras(block, groupsOf({{0, "BLOCK"}, {5, "901"}, {1001, "APP1"}, {1000, "b"}, {0, "ENDBLK"},
                                           {5, "902"}})));

    const std::vector<Group> groups = readGroups(write(vemio::DxfVersion::kR2000));
    const std::vector<Object> entities = objectsIn(groups, "ENTITIES");
    ASSERT_EQ(entities.size(), 3u);
    const Object& insert = entities[0];
    EXPECT_EQ(insert[2].value, "{ACAD_REACTORS");
    EXPECT_EQ(insert[insert.size() - 2].value, "APP1");
    EXPECT_EQ(insert.back().value, "ref");
    EXPECT_EQ(entities[1][0].value, "ATTRIB");
    EXPECT_EQ(entities[1][entities[1].size() - 2].value, "APP2");
    EXPECT_EQ(valuesOf(entities[1], 1001).size(), 1u);
    EXPECT_EQ(entities[2][0].value, "SEQEND");
    EXPECT_EQ(valueOf(entities[2], 5), "900");
    EXPECT_EQ(valuesOf(entities[2], 1001).size(), 0u);

    const std::string blockHandle = hex(handleOf(block));
    const std::vector<Object> blocks = objectsIn(groups, "BLOCKS");
    const Object* solid = nullptr;
    for (const Object& o : blocks)
        if (o[0].value == "SOLID")
            solid = &o;
    ASSERT_NE(solid, nullptr);
    const Object* begin = withHandle(blocks, "901");
    ASSERT_NE(begin, nullptr);
    EXPECT_EQ((*begin)[0].value, "BLOCK");
    EXPECT_EQ(begin->back().value, "b");
    ASSERT_NE(withHandle(blocks, "902"), nullptr);
    EXPECT_EQ((*withHandle(blocks, "902"))[0].value, "ENDBLK");
    EXPECT_EQ(valueOf(*withHandle(blocks, "902"), 330), blockHandle);
    EXPECT_NE(valueOf(*solid, 5), "77");
    EXPECT_EQ(valueOf(*solid, 330), blockHandle);
    EXPECT_EQ(valueOf(*solid, 10), "1");
    EXPECT_EQ(namesOf(objectsIn(groups, "TABLES", "APPID"), "APPID"),
              (std::vector<std::string>{"ACAD", "VEM", "APP1", "APP2"}));
}

TEST_F(DxfKeptOut, KeptEntitiesWithGeometryWidenTheExtents)
{
    append(db(), newLine(0, 0, 1, 1));
    append(db(), new BoxedKept());
    append(db(), new BoxedKept(), true);  // paper space does not count
    const std::vector<Group> groups = readGroups(write(vemio::DxfVersion::kR2000));
    std::vector<double> extents;
    for (size_t i = 0; i + 2 < groups.size(); ++i)
        if (groups[i].code == 9 && (groups[i].value == "$EXTMIN" || groups[i].value == "$EXTMAX")) {
            extents.push_back(std::strtod(groups[i + 1].value.c_str(), nullptr));
            extents.push_back(std::strtod(groups[i + 2].value.c_str(), nullptr));
        }
    EXPECT_EQ(extents, (std::vector<double>{-100, -200, 300, 400}));
    const std::vector<Object> entities = objectsIn(groups, "ENTITIES");
    ASSERT_EQ(entities.size(), 3u);
    EXPECT_EQ(entities[1][0].value, "HATCH");
    EXPECT_EQ(entities[2][4].code, 67);  // before the layer, after the AcDbEntity marker
}
