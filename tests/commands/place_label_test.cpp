// ECOP and ECOL: their prompts, the coordinate-system pick, the optional last point,
// the reference-axis rules, the values copied into the label and its text style.
#include "command_fixture.h"

namespace {

const char kPickOrigin[] = "\n请拾取一个坐标系(EOrigin):";
const char kFirstPoint[] = "\n指定第1点(坐标点):";
const char kTextStart[] = "\n指定第2点(文字标注起点):";
const char kDirection[] = "\n指定3点(文字标注方向):";
const char kTextCentre[] = "\n指定第2点(文字标注位置,回车取默认值与坐标点重合):";
const char kWrongClass[] = "\n无效的选择!";

class PlaceLabel : public CommandTest {
protected:
    // A coordinate system at the world origin whose values all differ from the
    // defaults: names X and Y, origin values 100 and 50, scale 1:10, size 2, 2 decimals.
    AcDbObjectId addTestOrigin(const wchar_t* vName = L"X", const wchar_t* hName = L"Y")
    {
        return addOrigin(AcGePoint3d::kOrigin, vName, hName, 100.0, 50.0, 10.0, 2.0, 2);
    }
    void addVemText()
    {
        AcDbTextStyleTable* styles = nullptr;
        ASSERT_EQ(db()->getTextStyleTable(styles, AcDb::kForWrite), Acad::eOk);
        AcDbTextStyleTableRecord* style = new AcDbTextStyleTableRecord();
        style->setName(L"vem_text");
        ASSERT_EQ(styles->add(style), Acad::eOk);
        style->close();
        styles->close();
    }
    template <class Label>
    AcDbObjectId onlyLabel()
    {
        std::vector<AcDbObjectId> labels = entitiesOf<Label>();
        EXPECT_EQ(labels.size(), 1u);
        return labels.empty() ? AcDbObjectId() : labels.back();
    }
    template <class Label>
    void expectCopiedFrom(const Label* label, AcDbObjectId originId)
    {
        Reader<EOrigin> o(originId);
        EXPECT_EQ(label->m_vAxisName, o->m_vAxisName);
        EXPECT_EQ(label->m_hAxisName, o->m_hAxisName);
        EXPECT_TRUE(label->m_absOrigin.isEqualTo(o->m_absOrigin));
        EXPECT_TRUE(label->m_vAxisDir.isEqualTo(o->m_vAxisDir));
        EXPECT_TRUE(label->m_hAxisDir.isEqualTo(o->m_hAxisDir));
        EXPECT_EQ(label->m_drawingScale, 10.0);
        EXPECT_EQ(label->m_appearanceScale, 2.0);
        EXPECT_EQ(label->m_decimals, 2);
    }
};

TEST_F(PlaceLabel, PointLabelCopiesTheSystemAndTakesTheDrawingsVemTextStyle)
{
    AcDbObjectId origin = addTestOrigin();
    addVemText();
    std::string out = run(L"ECOP", {L"0,0", L"150,160", L"170,160", L"170,190"});
    EXPECT_EQ(out, std::string(kPickOrigin) + kFirstPoint + kTextStart + kDirection);
    Reader<ECoPoint> label(onlyLabel<ECoPoint>());
    ASSERT_TRUE(label.ok());
    expectCopiedFrom(label.get(), origin);
    EXPECT_TRUE(label->m_markPoint.isEqualTo(AcGePoint3d(150, 160, 0)));
    EXPECT_TRUE(label->m_textPoint.isEqualTo(AcGePoint3d(170, 160, 0)));
    EXPECT_TRUE(label->m_textDir.isEqualTo(AcGeVector3d(0, 1, 0)));
    EXPECT_EQ(label->m_textStyleId, textStyleId(L"vem_text")) << "not the coordinate system's style";
    EXPECT_EQ(label->m_subEnts.length(), 4);
}

TEST_F(PlaceLabel, PointLabelDirectionDefaultsToPlusXUnlessAPointAwayFromTheTextIsGiven)
{
    addTestOrigin();
    struct Row {
        const wchar_t* third;
        AcGeVector3d textDir;
        const char* tail;
    };
    const Row rows[] = {
        // third point answer  text direction   printed after the last prompt
        {L"",                  {1, 0, 0},       ""},
        {L"^C",                {1, 0, 0},       "*Cancel*"},
        {L"170,160",           {1, 0, 0},       ""},
        {L"170,100",           {0, -1, 0},      ""},
        {L"120,160",           {-1, 0, 0},      ""},
    };
    for (const Row& row : rows) {
        std::string out = run(L"ECOP", {L"0,0", L"150,160", L"170,160", row.third});
        EXPECT_EQ(out, std::string(kPickOrigin) + kFirstPoint + kTextStart + kDirection + row.tail);
        std::vector<AcDbObjectId> labels = entitiesOf<ECoPoint>();
        ASSERT_FALSE(labels.empty());
        Reader<ECoPoint> label(labels.back());
        EXPECT_TRUE(label->m_textDir.isEqualTo(row.textDir)) << vemhost::toUtf8(row.third);
        EXPECT_EQ(label->m_textStyleId, textStyleId(L"Standard")) << "no vem_text in this drawing";
    }
    EXPECT_EQ(entitiesOf<ECoPoint>().size(), 5u);
}

TEST_F(PlaceLabel, PointLabelEndsWithNothingMadeWhenThePickOrAPointIsNotGiven)
{
    AcDbObjectId lineLabel = addLineLabel(AcGePoint3d(300, 300, 0));
    addTestOrigin();
    size_t before = modelSpace().size();
    const std::string tails[] = {"*Cancel*", ""};
    // The pick: cancelled, Enter, or a pick that meets nothing.
    EXPECT_EQ(run(L"ECOP", {L"^C"}), std::string(kPickOrigin) + tails[0]);
    EXPECT_EQ(run(L"ECOP", {L""}), kPickOrigin);
    EXPECT_EQ(run(L"ECOP", {L"500,-500"}), kPickOrigin);
    // A label is not a coordinate system: the message, and no point is asked for.
    EXPECT_EQ(run(L"ECOP", {L"305,300"}), std::string(kPickOrigin) + kWrongClass);
    // The first and the second point are required.
    EXPECT_EQ(run(L"ECOP", {L"0,0", L"^C"}), std::string(kPickOrigin) + kFirstPoint + tails[0]);
    EXPECT_EQ(run(L"ECOP", {L"0,0", L""}), std::string(kPickOrigin) + kFirstPoint);
    EXPECT_EQ(run(L"ECOP", {L"0,0", L"1,1", L"^C"}), std::string(kPickOrigin) + kFirstPoint + kTextStart + tails[0]);
    EXPECT_EQ(run(L"ECOP", {L"0,0", L"1,1", L""}), std::string(kPickOrigin) + kFirstPoint + kTextStart);
    EXPECT_EQ(modelSpace().size(), before);
    EXPECT_FALSE(lineLabel.isErased());
}

TEST_F(PlaceLabel, LineLabelAsksForTheReferenceAxisByNameAndCopiesTheSystem)
{
    AcDbObjectId origin = addTestOrigin();
    std::string out = run(L"ECOL", {L"0,0", L"y", L"150,160", L"150,180"});
    EXPECT_EQ(out, std::string(kPickOrigin) + "\n请指定参考轴号:X/Y(回车取默认值X):" + kFirstPoint + kTextCentre);
    Reader<ECoLine> label(onlyLabel<ECoLine>());
    ASSERT_TRUE(label.ok());
    expectCopiedFrom(label.get(), origin);
    EXPECT_EQ(label->m_refAxis, 1);
    EXPECT_TRUE(label->m_markPoint.isEqualTo(AcGePoint3d(150, 160, 0)));
    EXPECT_TRUE(label->m_textPoint.isEqualTo(AcGePoint3d(150, 180, 0)));
    EXPECT_EQ(label->m_textStyleId, textStyleId(L"Standard"));
    EXPECT_EQ(label->m_subEnts.length(), 1);
}

TEST_F(PlaceLabel, ReferenceAxisPrefersAnExactMatchThenIgnoresCaseAndElseTakesTheVerticalAxis)
{
    struct Row {
        const wchar_t* vName;
        const wchar_t* hName;
        const wchar_t* answer;
        int refAxis;
        const char* message;
    };
    const Row rows[] = {
        // vertical  horizontal  answer    axis  message
        {L"A",       L"B",       L"",      0,    ""},
        {L"A",       L"B",       L"A",     0,    ""},
        {L"A",       L"B",       L"a",     0,    ""},
        {L"A",       L"B",       L"B",     1,    ""},
        {L"A",       L"B",       L"b",     1,    ""},
        {L"A",       L"B",       L"c",     0,    "\n输入的参考轴号不正确,将自动取默认值A"},
        {L"A",       L"B",       L"AB",    0,    "\n输入的参考轴号不正确,将自动取默认值A"},
        {L"X",       L"x",       L"X",     0,    ""},
        {L"X",       L"x",       L"x",     1,    ""},
        {L"X",       L"x",       L"",      0,    ""},
        {L"X",       L"x",       L"y",     0,    "\n输入的参考轴号不正确,将自动取默认值X"},
        {L"Ab",      L"aB",      L"AB",    0,    ""},
        {L"Ab",      L"aB",      L"aB",    1,    ""},
        {L"%d%s",    L"B",       L"zz",    0,    "\n输入的参考轴号不正确,将自动取默认值%d%s"},
    };
    for (const Row& row : rows) {
        AcDbObjectId origin = addOrigin(AcGePoint3d::kOrigin, row.vName, row.hName);
        std::string out = run(L"ECOL", {L"0,0", row.answer, L"150,160", L""});
        std::string prompt = "\n请指定参考轴号:" + vemhost::toUtf8(row.vName) + "/" + vemhost::toUtf8(row.hName) +
                             "(回车取默认值" + vemhost::toUtf8(row.vName) + "):";
        EXPECT_EQ(out, std::string(kPickOrigin) + prompt + row.message + kFirstPoint + kTextCentre)
            << vemhost::toUtf8(row.answer);
        std::vector<AcDbObjectId> labels = entitiesOf<ECoLine>();
        ASSERT_FALSE(labels.empty());
        {
            Reader<ECoLine> label(labels.back());
            EXPECT_EQ(label->m_refAxis, row.refAxis) << vemhost::toUtf8(row.vName) << " " << vemhost::toUtf8(row.answer);
        }
        // The next row's system takes this one's place under the pick.
        AcDbEntity* picked = nullptr;
        ASSERT_EQ(acdbOpenAcDbEntity(picked, origin, AcDb::kForWrite), Acad::eOk);
        picked->erase();
        picked->close();
    }
}

TEST_F(PlaceLabel, LineLabelTextSitsOnThePointWithoutASecondPointAndCancelEarlierEndsIt)
{
    addTestOrigin();
    addPointLabel(AcGePoint3d(300, 300, 0));
    for (const wchar_t* second : {L"", L"^C"}) {
        run(L"ECOL", {L"0,0", L"", L"150,160", second});
        std::vector<AcDbObjectId> labels = entitiesOf<ECoLine>();
        ASSERT_FALSE(labels.empty());
        Reader<ECoLine> label(labels.back());
        EXPECT_TRUE(label->m_textPoint.isEqualTo(AcGePoint3d(150, 160, 0)));
        EXPECT_EQ(label->m_refAxis, 0);
    }
    size_t before = modelSpace().size();
    std::string axisPrompt = "\n请指定参考轴号:X/Y(回车取默认值X):";
    EXPECT_EQ(run(L"ECOL", {L"^C"}), std::string(kPickOrigin) + "*Cancel*");
    EXPECT_EQ(run(L"ECOL", {L"300,300"}), std::string(kPickOrigin) + kWrongClass);
    EXPECT_EQ(run(L"ECOL", {L"0,0", L"^C"}), kPickOrigin + axisPrompt + "*Cancel*");
    EXPECT_EQ(run(L"ECOL", {L"0,0", std::wstring(100, L'x')}), kPickOrigin + axisPrompt);
    EXPECT_EQ(run(L"ECOL", {L"0,0", L"", L"^C"}), kPickOrigin + axisPrompt + kFirstPoint + "*Cancel*");
    EXPECT_EQ(run(L"ECOL", {L"0,0", L"", L""}), kPickOrigin + axisPrompt + kFirstPoint);
    EXPECT_EQ(modelSpace().size(), before);
}

TEST_F(PlaceLabel, LabelsMadeWhileInPaperSpaceStillGoToModelSpace)
{
    addOrigin(AcGePoint3d::kOrigin, L"X", L"Y", 100.0, 50.0, 10.0, 2.0, 2, paperSpaceId());
    ASSERT_EQ(db()->setTilemode(false), Acad::eOk);
    run(L"ECOP", {L"0,0", L"150,160", L"170,160", L""});
    run(L"ECOL", {L"0,0", L"", L"150,160", L""});
    db()->setTilemode(true);
    EXPECT_EQ(entitiesOf<ECoPoint>(modelSpaceId()).size(), 1u);
    EXPECT_EQ(entitiesOf<ECoLine>(modelSpaceId()).size(), 1u);
    EXPECT_EQ(entitiesIn(paperSpaceId()).size(), 1u) << "only the coordinate system";
}

}  // namespace
