// Writes a drawing that holds what a DXF file kept, as a reader of one leaves it, for
// dxf_interop_check.py to read back with ezdxf: dxf_kept_interop OUTDIR writes kept.dxf
// (R2000) and kept_2018.dxf there. Model space holds a hatch with one square path, a
// rotated dimension with its block, a solid, an old-style polyline with three vertices (each kept
// with its groups, the hatch with XDATA of another application) and a line whose extras
// hold that application's XDATA; OBJECTS keeps the root dictionary, ACAD_GROUP,
// ACAD_LAYOUT and the model's layout (paper space has none); HEADER keeps $DIMSCALE.
#include <iostream>
#include <memory>
#include <string>

#include "dbapserv.h"
#include "dxf_kept_drawing.h"
#include "dxf_writer.h"

namespace {

using namespace kept_test;

const std::pair<int, std::string> kEntity[] = {{100, "AcDbEntity"}, {8, "0"}};

acrt::DxfGroups entityGroups(std::uint64_t handle, std::initializer_list<std::pair<int, std::string>> rest)
{
    acrt::DxfGroups groups = groupsOf({{5, hex(handle)}, {330, "1F"}});
    for (const auto& g : kEntity)
        groups.push_back({g.first, g.second});
    for (const auto& g : rest)
        groups.push_back({g.first, g.second});
    return groups;
}

void appendVertex(acrt::DxfGroups& groups, std::uint64_t handle, std::uint64_t owner, const char* x, const char* y)
{
    for (const auto& g : groupsOf({{0, "VERTEX"}, {5, hex(handle)}, {330, hex(owner)}, {100, "AcDbEntity"},
                                   {8, "0"}, {100, "AcDbVertex"}, {100, "AcDb2dVertex"}, {10, x}, {20, y}, {30, "0"},
                                   {70, "0"}}))
        groups.push_back(g);
}

bool buildEntities(AcDbDatabase* db)
{
    bool ok = !appendKeptEntity(db, ACDB_MODEL_SPACE, "HATCH", 0x400,
                                entityGroups(0x400, {{100, "AcDbHatch"}, {10, "0"}, {20, "0"}, {30, "0"},
                                                     {210, "0"}, {220, "0"}, {230, "1"}, {2, "SOLID"}, {70, "1"},
                                                     {71, "0"}, {91, "1"}, {92, "3"}, {72, "0"}, {73, "1"},
                                                     {93, "4"}, {10, "0"}, {20, "0"}, {10, "10"}, {20, "0"},
                                                     {10, "10"}, {20, "10"}, {10, "0"}, {20, "10"}, {97, "0"},
                                                     {75, "0"}, {76, "1"}, {98, "0"}, {1001, "THEIRAPP"},
                                                     {1000, "中文值"}, {1040, "2.5"}}))
                    .isNull();
    // The dimension's picture is a block of its own, as the file held it.
    ok = ok && !test_support::addBlock(db, L"*D1", AcGePoint3d(), {test_support::newLine(10, 0, 20, 0)}).isNull();
    ok = ok && !appendKeptEntity(db, ACDB_MODEL_SPACE, "DIMENSION", 0x410,
                                 entityGroups(0x410, {{100, "AcDbDimension"}, {2, "*D1"}, {10, "20"}, {20, "5"}, {30, "0"},
                                                      {11, "15"}, {21, "5"}, {31, "0"}, {70, "32"}, {1, "<>"},
                                                      {3, "Standard"}, {100, "AcDbAlignedDimension"}, {13, "10"},
                                                      {23, "0"}, {33, "0"}, {14, "20"}, {24, "0"}, {34, "0"},
                                                      {50, "0"}, {100, "AcDbRotatedDimension"}}))
                          .isNull();
    // Red as its group says, which reading gives the entity too.
    const AcDbObjectId solid = appendKeptEntity(
        db, ACDB_MODEL_SPACE, "SOLID", 0x420,
        entityGroups(0x420, {{62, "1"}, {100, "AcDbTrace"}, {10, "30"}, {20, "0"}, {30, "0"}, {11, "34"}, {21, "0"},
                             {31, "0"}, {12, "30"}, {22, "3"}, {32, "0"}, {13, "34"}, {23, "3"}, {33, "0"}}));
    AcDbEntity* red = nullptr;
    ok = ok && acdbOpenObject(red, solid, AcDb::kForWrite) == Acad::eOk;
    if (red != nullptr) {
        red->setColorIndex(1);
        red->close();
    }
    acrt::DxfGroups polyline = entityGroups(0x430, {{100, "AcDb2dPolyline"}, {66, "1"}, {10, "0"}, {20, "0"},
                                                    {30, "0"}, {70, "0"}});
    appendVertex(polyline, 0x431, 0x430, "40", "0");
    appendVertex(polyline, 0x432, 0x430, "45", "5");
    appendVertex(polyline, 0x433, 0x430, "50", "0");
    for (const auto& g : groupsOf({{0, "SEQEND"}, {5, "434"}, {330, "430"}, {100, "AcDbEntity"}, {8, "0"}}))
        polyline.push_back(g);
    ok = ok && !appendKeptEntity(db, ACDB_MODEL_SPACE, "POLYLINE", 0x430, std::move(polyline)).isNull();
    const AcDbObjectId line =
        appendWithHandle(db, test_support::blockId(db, ACDB_MODEL_SPACE), test_support::newLine(0, 20, 10, 20), 0x440);
    return ok && !line.isNull() &&
           setExtras(line, groupsOf({{1001, "THEIRAPP"}, {1000, "line"}, {1070, "12"}}));
}

bool buildObjects(AcDbDatabase* db)
{
    const std::string model = hex(handleOf(test_support::blockId(db, ACDB_MODEL_SPACE)));
    using P = acrt::DxfPlace;
    return addKept(db, P::kObject, "DICTIONARY", 0x600,
                   groupsOf({{5, "600"}, {330, "0"}, {100, "AcDbDictionary"}, {281, "1"}, {3, "ACAD_GROUP"},
                             {350, "601"}, {3, "ACAD_LAYOUT"}, {350, "602"}})) &&
           addKept(db, P::kObject, "DICTIONARY", 0x601,
                   groupsOf({{5, "601"}, {102, "{ACAD_REACTORS"}, {330, "600"}, {102, "}"}, {330, "600"},
                             {100, "AcDbDictionary"}, {281, "1"}})) &&
           addKept(db, P::kObject, "DICTIONARY", 0x602,
                   groupsOf({{5, "602"}, {102, "{ACAD_REACTORS"}, {330, "600"}, {102, "}"}, {330, "600"},
                             {100, "AcDbDictionary"}, {281, "1"}, {3, "Model"}, {350, "603"}})) &&
           addKept(db, P::kObject, "LAYOUT", 0x603,
                   groupsOf({{5, "603"}, {102, "{ACAD_REACTORS"}, {330, "602"}, {102, "}"}, {330, "602"},
                             {100, "AcDbPlotSettings"}, {1, ""}, {4, ""}, {6, ""}, {40, "0"}, {41, "0"}, {42, "0"},
                             {43, "0"}, {44, "0"}, {45, "0"}, {46, "0"}, {47, "0"}, {48, "0"}, {49, "0"},
                             {140, "0"}, {141, "0"}, {142, "1"}, {143, "1"}, {70, "1712"}, {72, "0"}, {73, "0"},
                             {74, "0"}, {7, ""}, {75, "0"}, {147, "1"}, {148, "0"}, {149, "0"}, {100, "AcDbLayout"},
                             {1, "Model"}, {70, "1"}, {71, "0"}, {10, "0"}, {20, "0"}, {11, "12"}, {21, "9"},
                             {12, "0"}, {22, "0"}, {32, "0"}, {14, "0"}, {24, "0"}, {34, "0"}, {15, "0"}, {25, "0"},
                             {35, "0"}, {146, "0"}, {13, "0"}, {23, "0"}, {33, "0"}, {16, "1"}, {26, "0"},
                             {36, "0"}, {17, "0"}, {27, "1"}, {37, "0"}, {76, "0"}, {330, model}})) &&
           addKept(db, P::kHeaderVariable, "$DIMSCALE", 0x604, groupsOf({{40, "2.5"}}));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: dxf_kept_interop OUTDIR\n";
        return 2;
    }
    const std::string dir = argv[1];
    auto db = std::make_unique<AcDbDatabase>();
    acdbHostApplicationServices()->setWorkingDatabase(db.get());
    int status = 0;
    std::string error;
    if (!buildEntities(db.get()) || !buildObjects(db.get())) {
        std::cerr << "the kept drawing cannot be built\n";
        status = 1;
    } else if (!vemio::writeDxf(db.get(), dir + "/kept.dxf", error) ||
               !vemio::writeDxf(db.get(), dir + "/kept_2018.dxf", error, nullptr, vemio::DxfVersion::kR2018)) {
        std::cerr << "DXFOUT failed: " << error << "\n";
        status = 1;
    }
    acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    return status;
}
