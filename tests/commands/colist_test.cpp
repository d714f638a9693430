// COLIST: one numbered line per coordinate system and label of the selection, in the
// order of the set, with the labels' coordinates by the labels' own rule, the count of
// the other entities, and the failures that end the listing.
#include "command_fixture.h"
#include "dbents.h"
#include "dbmtext.h"

namespace {

const char kSummary[] = "\n\n忽略%d个无关图元\n";

std::string summary(int ignored)
{
    std::string text = kSummary;
    return text.replace(text.find("%d"), 2, std::to_string(ignored));
}

// What the host's selection prints for picks that find one entity each, then Enter.
std::string picks(int n)
{
    std::string out;
    for (int i = 0; i < n; ++i)
        out += "\nSelect objects: \n1 found";
    return out + "\nSelect objects: ";
}

class CoList : public CommandTest {
protected:
    AcDbObjectId addLine(const AcGePoint3d& from, const AcGePoint3d& to) { return append(new AcDbLine(from, to)); }
    // A point label at markPoint in a system with (0, 0) at the world origin.
    AcDbObjectId addLabel(const AcGePoint3d& markPoint, const wchar_t* vName, const wchar_t* hName,
                          double drawingScale, double appearanceScale, int decimals)
    {
        return append(new ECoPoint(vName, hName, markPoint, markPoint + AcGeVector3d(5, 5, 0), AcGePoint3d::kOrigin,
                                   AcGeVector3d::kYAxis, AcGeVector3d::kXAxis, AcGeVector3d::kXAxis, drawingScale,
                                   appearanceScale, decimals, textStyleId(L"Standard")));
    }
};

TEST_F(CoList, ADefaultCoordinateSystemListsItsOriginValuesAndScales)
{
    addOrigin(AcGePoint3d(10, 10, 0));
    EXPECT_EQ(run(L"COLIST", {L"10,10", L""}),
              picks(1) + "\n序号1:  坐标系(A=0.000,B=0.000)  图纸比例=1  外观缩放比例=1  小数位数=3" + summary(0));

    // A system lists the values stored for its relative origin, with its decimals;
    // halves round away from zero.
    addOrigin(AcGePoint3d(100, 10, 0), L"N", L"E", 1234.5678, -50.25, 500.0, 2.5, 1);
    EXPECT_EQ(run(L"COLIST", {L"100,10", L""}),
              picks(1) + "\n序号1:  坐标系(N=1234.6,E=-50.3)  图纸比例=500  外观缩放比例=3  小数位数=1" + summary(0));
}

TEST_F(CoList, ASystemDraggedAlongOneAxisListsAPlainZeroOnTheOther)
{
    // EORI at 0,0: X up, Y right, offsets 0, 1:1000, size 1, 3 decimals; then its grip
    // dragged from (0, 0) to (2, 0).
    run(L"EORI", {L"0,0", L"X", L"U", L"0", L"Y", L"R", L"0", L"1000", L"1", L"3"});
    std::vector<AcDbObjectId> origins = entitiesOf<EOrigin>();
    ASSERT_EQ(origins.size(), 1u);
    AcDbEntity* origin = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(origin, origins[0], AcDb::kForWrite), Acad::eOk);
    AcDbIntArray grip;
    grip.append(0);
    EXPECT_EQ(origin->moveGripPointsAt(grip, AcGeVector3d(2, 0, 0)), Acad::eOk);
    origin->close();
    EXPECT_EQ(run(L"COLIST", {L"2,0", L""}),
              picks(1) + "\n序号1:  坐标系(X=0.000,Y=2000.000)  图纸比例=1000  外观缩放比例=1  小数位数=3" + summary(0));
}

TEST_F(CoList, LabelsListTheCoordinatesOfTheirMarkedPoint)
{
    // (30, 40) from the absolute origin: 40 up and 30 right, times the scale 500.
    addLabel(AcGePoint3d(30, 40, 0), L"X", L"Y", 500.0, 0.4, 3);
    addLabel(AcGePoint3d(-30, 40, 0), L"X", L"Y", 1.0, 2.5, 0);
    addLineLabel(AcGePoint3d(200, 300, 0), 0);
    addLineLabel(AcGePoint3d(400, 300, 0), 7);
    std::string out = run(L"COLIST", {L"30,40", L"-30,40", L"205,300", L"405,300", L""});
    EXPECT_EQ(out, picks(4) +
                       "\n序号1:  点坐标(X=20000.000,Y=15000.000)  图纸比例=500  外观缩放比例=0  小数位数=3"
                       "\n序号2:  点坐标(X=40,Y=-30)  图纸比例=1  外观缩放比例=3  小数位数=0"
                       "\n序号3:  线坐标(A=300.000)  图纸比例=1  外观缩放比例=1  小数位数=3"
                       "\n序号4:  线坐标(B=400.000)  图纸比例=1  外观缩放比例=1  小数位数=3" +
                       summary(0));
}

TEST_F(CoList, EqualCoordinatesListAndShowAlike)
{
    // One grid line reached twice: 3512.380465 drawing units at 1:1000 make
    // 3512380.4650000003, the typed 3512380.465 at 1:1 is 3512380.46499999985.
    AcDbObjectId measured = addLabel(AcGePoint3d(0, 3512.380465, 0), L"X", L"Y", 1000.0, 1.0, 2);
    AcDbObjectId typed = addLabel(AcGePoint3d(100, 3512380.465, 0), L"X", L"Y", 1.0, 1.0, 2);
    std::string out = run(L"COLIST", {L"0,3512.380465", L"100,3512380.465", L""});
    EXPECT_EQ(out, picks(2) +
                       "\n序号1:  点坐标(X=3512380.47,Y=0.00)  图纸比例=1000  外观缩放比例=1  小数位数=2"
                       "\n序号2:  点坐标(X=3512380.47,Y=100.00)  图纸比例=1  外观缩放比例=1  小数位数=2" +
                       summary(0));
    // The labels show what the listing says.
    for (AcDbObjectId id : {measured, typed}) {
        Reader<ECoPoint> label(id);
        ASSERT_TRUE(label.ok());
        EXPECT_EQ(AcDbMText::cast(label->m_subEnts[2])->contentsString(), AcString(L"X=3512380.47"));
    }
}

TEST_F(CoList, NumbersCountListedEntitiesOnlyAndTheSummaryCountsTheRest)
{
    addLine(AcGePoint3d(0, 500, 0), AcGePoint3d(50, 500, 0));
    addLabel(AcGePoint3d(30, 40, 0), L"A", L"B", 1.0, 1.0, 2);
    addLine(AcGePoint3d(0, 600, 0), AcGePoint3d(50, 600, 0));
    addOrigin(AcGePoint3d(-200, -200, 0));
    // The order of the set, not of the drawing.
    std::string out = run(L"COLIST", {L"25,500", L"-200,-200", L"30,40", L"25,600", L""});
    EXPECT_EQ(out, picks(4) + "\n序号1:  坐标系(A=0.000,B=0.000)  图纸比例=1  外观缩放比例=1  小数位数=3" +
                       "\n序号2:  点坐标(A=40.00,B=30.00)  图纸比例=1  外观缩放比例=1  小数位数=2" + summary(2));
    // Only other entities: the summary alone.
    EXPECT_EQ(run(L"COLIST", {L"25,500", L"25,600", L""}), picks(2) + summary(2));
}

TEST_F(CoList, UserTextIsPrintedAsItIsNeverAsAFormat)
{
    addLabel(AcGePoint3d(30, 40, 0), L"%s%n", L"100%", 1.0, 1.0, 1);
    EXPECT_EQ(run(L"COLIST", {L"30,40", L""}),
              picks(1) + "\n序号1:  点坐标(%s%n=40.0,100%=30.0)  图纸比例=1  外观缩放比例=1  小数位数=1" + summary(0));
}

TEST_F(CoList, AFailedSelectionOrALockedEntityEndsTheListing)
{
    EXPECT_EQ(run(L"COLIST", {L""}), "\nSelect objects: \n选择对象失败!");
    EXPECT_EQ(run(L"COLIST", {L"^C"}), "\nSelect objects: *Cancel*\n选择对象失败!");

    AcDbObjectId locked = addLayer(L"Locked", true);
    addOrigin(AcGePoint3d(0, 0, 0));
    AcDbLine* line = new AcDbLine(AcGePoint3d(0, 500, 0), AcGePoint3d(50, 500, 0));
    line->setLayer(locked);
    append(line);
    addLabel(AcGePoint3d(30, 40, 0), L"A", L"B", 1.0, 1.0, 2);
    std::string out = run(L"COLIST", {L"0,0", L"25,500", L"30,40", L""});
    EXPECT_EQ(out, picks(3) + "\n序号1:  坐标系(A=0.000,B=0.000)  图纸比例=1  外观缩放比例=1  小数位数=3" +
                       "打开实体失败!");
}

}  // namespace
