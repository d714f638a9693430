// The six batch commands: each selected label is replaced by a copy with a new handle
// in the block it lay in, with only the command's members changed; the typed values'
// fallbacks; and how a run ends on a cancel, a failed open, copy or append.
#include "command_fixture.h"

namespace {

const char kPickOrigin[] = "\n请拾取一个坐标系(EOrigin):";
const char kScalePrompt[] = "\n请指定外观缩放倍数(回车取默认值1.0):";
const char kScaleInvalid[] = "\n输入的外观缩放倍数不正确,将自动取默认值1.0";
const char kDecimalsPrompt[] = "\n请输入小数位数(回车取默认值3):";
const char kDecimalsInvalid[] = "\n输入的小数位数不正确,将自动取默认值3";
const char kSelectPoints[] = "\n选择ECoPoint对象(多选):";
const char kSelectLines[] = "\n选择ECoLine对象(多选):";

// What the host's selection prints for one answer that finds n, then Enter.
std::string selected(int n) { return "\nSelect objects: \n" + std::to_string(n) + " found\nSelect objects: "; }

// Every member a batch command may or may not change, read from a label.
struct LabelState {
    AcString vAxisName, hAxisName;
    AcGePoint3d markPoint, textPoint, absOrigin;
    AcGeVector3d vAxisDir, hAxisDir, textDir;
    double drawingScale = 0, appearanceScale = 0;
    int decimals = 0, refAxis = 0;
    AcDbObjectId textStyleId, layerId, ownerId;
    Adesk::UInt16 color = 0;
    int subEnts = 0;
};

template <class Label>
LabelState commonState(const Label* l)
{
    LabelState s;
    s.vAxisName = l->m_vAxisName;
    s.hAxisName = l->m_hAxisName;
    s.markPoint = l->m_markPoint;
    s.textPoint = l->m_textPoint;
    s.absOrigin = l->m_absOrigin;
    s.vAxisDir = l->m_vAxisDir;
    s.hAxisDir = l->m_hAxisDir;
    s.drawingScale = l->m_drawingScale;
    s.appearanceScale = l->m_appearanceScale;
    s.decimals = l->m_decimals;
    s.textStyleId = l->m_textStyleId;
    s.layerId = l->layerId();
    s.ownerId = l->ownerId();
    s.color = l->colorIndex();
    s.subEnts = l->m_subEnts.length();
    return s;
}

LabelState stateOf(AcDbObjectId id)
{
    AcDbEntity* entity = nullptr;
    LabelState s;
    if (acdbOpenAcDbEntity(entity, id, AcDb::kForRead, true) != Acad::eOk)
        return s;
    if (const ECoPoint* p = ECoPoint::cast(entity)) {
        s = commonState(p);
        s.textDir = p->m_textDir;
    } else if (const ECoLine* l = ECoLine::cast(entity)) {
        s = commonState(l);
        s.refAxis = l->m_refAxis;
    }
    entity->close();
    return s;
}

void expectSame(const LabelState& a, const LabelState& b, const char* what)
{
    EXPECT_EQ(a.vAxisName, b.vAxisName) << what;
    EXPECT_EQ(a.hAxisName, b.hAxisName) << what;
    EXPECT_TRUE(a.markPoint.isEqualTo(b.markPoint)) << what;
    EXPECT_TRUE(a.textPoint.isEqualTo(b.textPoint)) << what;
    EXPECT_TRUE(a.absOrigin.isEqualTo(b.absOrigin)) << what;
    EXPECT_TRUE(a.vAxisDir.isEqualTo(b.vAxisDir)) << what;
    EXPECT_TRUE(a.hAxisDir.isEqualTo(b.hAxisDir)) << what;
    EXPECT_TRUE(a.textDir.isEqualTo(b.textDir)) << what;
    EXPECT_EQ(a.drawingScale, b.drawingScale) << what;
    EXPECT_EQ(a.appearanceScale, b.appearanceScale) << what;
    EXPECT_EQ(a.decimals, b.decimals) << what;
    EXPECT_EQ(a.refAxis, b.refAxis) << what;
    EXPECT_EQ(a.textStyleId, b.textStyleId) << what;
    EXPECT_EQ(a.layerId, b.layerId) << what;
    EXPECT_EQ(a.ownerId, b.ownerId) << what;
    EXPECT_EQ(a.color, b.color) << what;
    EXPECT_EQ(a.subEnts, b.subEnts) << what;
}

class Batch : public CommandTest {
protected:
    // A point label and a line label with values of their own, coloured red, and a
    // coordinate system at the world origin unlike the labels' own.
    void SetUp() override
    {
        CommandTest::SetUp();
        m_origin = addOrigin(AcGePoint3d::kOrigin, L"N", L"E", 1000.0, 2000.0, 500.0, 3.0, 1);
        m_point = addColoured(new ECoPoint(L"A", L"B", AcGePoint3d(100, 100, 0), AcGePoint3d(110, 120, 0),
                                           AcGePoint3d(-50, -50, 0), AcGeVector3d::kYAxis, AcGeVector3d::kXAxis,
                                           AcGeVector3d(0, -1, 0), 2.0, 1.5, 4, textStyleId(L"Standard")));
        m_line = addColoured(new ECoLine(1, L"A", L"B", AcGePoint3d(200, 100, 0), AcGePoint3d(200, 120, 0),
                                         AcGePoint3d(-50, -50, 0), AcGeVector3d::kYAxis, AcGeVector3d::kXAxis, 2.0,
                                         1.5, 4, textStyleId(L"Standard")));
    }
    AcDbObjectId addColoured(AcDbEntity* label)
    {
        label->setColorIndex(1);
        return append(label);
    }
    // The one label of the class in model space after a run.
    template <class Label>
    AcDbObjectId current() const
    {
        std::vector<AcDbObjectId> ids = entitiesOf<Label>();
        EXPECT_EQ(ids.size(), 1u);
        return ids.empty() ? AcDbObjectId() : ids.back();
    }
    AcDbObjectId m_origin, m_point, m_line;
};

TEST_F(Batch, RetargetingCopiesTheSystemsGeometryAndNamesIntoANewLabel)
{
    struct Row {
        const wchar_t* command;
        const char* selectPrompt;
        bool points;
    };
    const Row rows[] = {{L"COPORI", kSelectPoints, true}, {L"COLORI", kSelectLines, false}};
    for (const Row& row : rows) {
        AcDbObjectId old = row.points ? m_point : m_line;
        LabelState before = stateOf(old);
        long flushes = vemhost::testing::graphicsFlushCount();
        std::string out = run(row.command, {L"0,0", L"ALL", L""});
        EXPECT_EQ(out, kPickOrigin + std::string(row.selectPrompt) + selected(1));
        EXPECT_TRUE(old.isErased());
        AcDbObjectId now = row.points ? current<ECoPoint>() : current<ECoLine>();
        EXPECT_NE(now.handle(), old.handle());
        LabelState after = stateOf(now);
        Reader<EOrigin> o(m_origin);
        LabelState expected = before;
        expected.vAxisName = o->m_vAxisName;
        expected.hAxisName = o->m_hAxisName;
        expected.absOrigin = o->m_absOrigin;
        expected.vAxisDir = o->m_vAxisDir;
        expected.hAxisDir = o->m_hAxisDir;
        expected.drawingScale = o->m_drawingScale;
        expectSame(after, expected, vemhost::toUtf8(row.command).c_str());
        EXPECT_EQ(vemhost::testing::graphicsFlushCount(), flushes + 1) << "one refresh at the end";
        EXPECT_EQ(vemhost::testing::displayUpdateCount(), flushes + 1);
        if (row.points) {
            EXPECT_FALSE(m_line.isErased()) << "a line label is no point label";
        }
    }
    EXPECT_FALSE(m_origin.isErased());
}

TEST_F(Batch, ScaleCommandsChangeOnlyTheAppearanceScaleAndFallBackToOne)
{
    struct Row {
        const wchar_t* answer;
        double scale;
        bool invalid;
    };
    const Row rows[] = {
        // answer     scale  invalid
        {L"",         1.0,   false},
        {L"2.5",      2.5,   false},
        {L"2.5abc",   2.5,   false},
        {L"0.01",     0.01,  false},
        {L"abc",      1.0,   true},
        {L"0",        1.0,   true},
        {L"-2",       1.0,   true},
        {L"inf",      1.0,   true},
        {L"nan",      1.0,   true},
        {L"1e999",    1.0,   true},
        {L"1e308",    1.0,   true},    // the texts would be higher than any number
        {L"1e-320",   1.0,   true},    // subnormal
        {L"0x1p3",    1.0,   true},    // decimal numbers only: this reads as 0
        {L"1e300",    1e300, false},
        {L"1e3",      1000.0, false},
    };
    for (const Row& row : rows) {
        for (bool points : {true, false}) {
            AcDbObjectId old = points ? current<ECoPoint>() : current<ECoLine>();
            LabelState expected = stateOf(old);
            expected.appearanceScale = row.scale;
            std::string out = run(points ? L"COPSCA" : L"COLSCA", {row.answer, L"ALL", L""});
            EXPECT_EQ(out, kScalePrompt + std::string(row.invalid ? kScaleInvalid : "") +
                               (points ? kSelectPoints : kSelectLines) + selected(1))
                << vemhost::toUtf8(row.answer);
            AcDbObjectId now = points ? current<ECoPoint>() : current<ECoLine>();
            EXPECT_TRUE(old.isErased());
            expectSame(stateOf(now), expected, vemhost::toUtf8(row.answer).c_str());
        }
    }
}

TEST_F(Batch, DecimalsCommandsChangeOnlyTheDecimalsAndFallBackToThree)
{
    struct Row {
        const wchar_t* answer;
        int decimals;
        bool invalid;
    };
    const Row rows[] = {
        // answer        decimals  invalid
        {L"",            3,        false},
        {L"abc",         0,        false},
        {L"10.9",        10,       false},
        {L"-0.5",        0,        false},
        {L"7",           7,        false},
        {L"11",          3,        true},
        {L"-1",          3,        true},
        {L"3000000000",  3,        true},
        {L"inf",         0,        false},  // no decimal number, as letters
        {L"-nan",        0,        false},
        {L"-1e999",      3,        true},
        {L"0x10",        0,        false},
        {L"1e1",         10,       false},
    };
    for (const Row& row : rows) {
        for (bool points : {true, false}) {
            AcDbObjectId old = points ? current<ECoPoint>() : current<ECoLine>();
            LabelState expected = stateOf(old);
            expected.decimals = row.decimals;
            std::string out = run(points ? L"COPDEC" : L"COLDEC", {row.answer, L"ALL", L""});
            EXPECT_EQ(out, kDecimalsPrompt + std::string(row.invalid ? kDecimalsInvalid : "") +
                               (points ? kSelectPoints : kSelectLines) + selected(1))
                << vemhost::toUtf8(row.answer);
            AcDbObjectId now = points ? current<ECoPoint>() : current<ECoLine>();
            EXPECT_NE(now, old);
            expectSame(stateOf(now), expected, vemhost::toUtf8(row.answer).c_str());
        }
    }
}

TEST_F(Batch, ACancelledOrEmptyInputChangesNothingAndRefreshesNothing)
{
    const std::string cancel = "*Cancel*";
    struct Row {
        const wchar_t* command;
        std::vector<std::wstring> answers;
        std::string printed;
    };
    const Row rows[] = {
        {L"COPORI", {L"^C"}, kPickOrigin + cancel},
        {L"COLORI", {L""}, kPickOrigin},
        {L"COPORI", {L"110,120"}, kPickOrigin + std::string("\n无效的选择!")},
        {L"COLORI", {L"0,0", L"^C"}, kPickOrigin + std::string(kSelectLines) + "\nSelect objects: " + cancel},
        {L"COPORI", {L"0,0", L""}, kPickOrigin + std::string(kSelectPoints) + "\nSelect objects: "},
        {L"COPSCA", {L"^C"}, kScalePrompt + cancel},
        {L"COLSCA", {std::wstring(100, L'1')}, kScalePrompt},
        {L"COPDEC", {L"^C"}, kDecimalsPrompt + cancel},
        {L"COLDEC", {L"2", L"^C"}, kDecimalsPrompt + std::string(kSelectLines) + "\nSelect objects: " + cancel},
        // A window over the point label selects no line label.
        {L"COLDEC", {L"2", L"W", L"90,90", L"130,130", L""},
         kDecimalsPrompt + std::string(kSelectLines) +
             "\nSelect objects: \nSpecify first corner: \nSpecify opposite corner: \n0 found\nSelect objects: "},
    };
    for (const Row& row : rows) {
        for (const std::wstring& a : row.answers)
            vemhost::queueInput(a);
        EXPECT_EQ(run(row.command), row.printed) << vemhost::toUtf8(row.command);
        EXPECT_FALSE(m_point.isErased());
        EXPECT_FALSE(m_line.isErased());
        EXPECT_EQ(modelSpace().size(), 3u);
        EXPECT_EQ(vemhost::testing::graphicsFlushCount(), 0);
        EXPECT_EQ(vemhost::testing::displayUpdateCount(), 0);
    }
}

TEST_F(Batch, LabelsInPaperSpaceAreReplacedInPaperSpace)
{
    AcDbObjectId paperLabel = addPointLabel(AcGePoint3d(10, 10, 0), paperSpaceId());
    addOrigin(AcGePoint3d(-100, -100, 0), L"P", L"Q", 0, 0, 1, 1, 3, paperSpaceId());
    ASSERT_EQ(db()->setTilemode(false), Acad::eOk);
    for (const wchar_t* command : {L"COPDEC", L"COPSCA"}) {
        run(command, {L"5", L"ALL", L""});
        std::vector<AcDbObjectId> labels = entitiesOf<ECoPoint>(paperSpaceId());
        ASSERT_EQ(labels.size(), 1u) << vemhost::toUtf8(command);
        EXPECT_NE(labels[0], paperLabel);
        EXPECT_EQ(stateOf(labels[0]).ownerId, paperSpaceId());
        paperLabel = labels[0];
    }
    run(L"COPORI", {L"-100,-100", L"ALL", L""});
    std::vector<AcDbObjectId> labels = entitiesOf<ECoPoint>(paperSpaceId());
    ASSERT_EQ(labels.size(), 1u);
    LabelState s = stateOf(labels[0]);
    EXPECT_EQ(s.vAxisName, AcString(L"P"));
    EXPECT_EQ(s.decimals, 5);
    EXPECT_EQ(s.appearanceScale, 5.0);
    db()->setTilemode(true);
    EXPECT_EQ(current<ECoPoint>(), m_point) << "the model-space label was not selected";
}

TEST_F(Batch, ALabelOnALockedLayerStopsTheRunAfterTheEarlierOnesWereReplaced)
{
    AcDbObjectId locked = addLayer(L"Locked", false);
    AcDbObjectId second = addPointLabel(AcGePoint3d(300, 100, 0));
    AcDbObjectId third = addPointLabel(AcGePoint3d(400, 100, 0));
    {
        AcDbEntity* label = nullptr;
        ASSERT_EQ(acdbOpenAcDbEntity(label, second, AcDb::kForWrite), Acad::eOk);
        label->setLayer(locked);
        label->close();
        AcDbLayerTableRecord* layer = nullptr;
        ASSERT_EQ(acdbOpenObject(layer, locked, AcDb::kForWrite), Acad::eOk);
        layer->setIsLocked(true);
        layer->close();
    }
    // The set in pick order: the first label, the locked one, the third.
    std::string out = run(L"COPDEC", {L"1", L"100,100", L"300,100", L"400,100", L""});
    EXPECT_EQ(out, kDecimalsPrompt + std::string(kSelectPoints) + "\nSelect objects: \n1 found" +
                       "\nSelect objects: \n1 found\nSelect objects: \n1 found\nSelect objects: " + "打开实体失败!");
    EXPECT_TRUE(m_point.isErased());
    EXPECT_FALSE(second.isErased());
    EXPECT_FALSE(third.isErased());
    EXPECT_EQ(stateOf(third).decimals, 3);
    EXPECT_EQ(entitiesOf<ECoPoint>().size(), 3u);
    EXPECT_EQ(vemhost::testing::graphicsFlushCount(), 0) << "no refresh after a failure";
}

TEST_F(Batch, ALabelThatCannotBeCopiedOrAppendedStaysAndTheRunGoesOn)
{
    AcDbObjectId uncopiable = append(UncopiablePoint::make(AcGePoint3d(300, 100, 0)));
    std::string out = run(L"COPDEC", {L"6", L"300,100", L"100,100", L""});
    EXPECT_EQ(out, kDecimalsPrompt + std::string(kSelectPoints) + "\nSelect objects: \n1 found" + selected(1));
    EXPECT_FALSE(uncopiable.isErased());
    EXPECT_EQ(stateOf(uncopiable).decimals, 3);
    EXPECT_TRUE(m_point.isErased());
    EXPECT_EQ(vemhost::testing::graphicsFlushCount(), 1);

    // With its block held open by someone else, no copy can be appended: every
    // label stays as it was and every copy is gone.
    AcDbObjectId before = current<ECoLine>();
    AcDbBlockTableRecord* modelSpace = nullptr;
    ASSERT_EQ(acdbOpenObject(modelSpace, modelSpaceId(), AcDb::kForRead), Acad::eOk);
    vemhost::queueInput({L"8", L"ALL", L""});
    vemhost::takeCaptured();
    long alive = vemhost::testing::liveObjectCount();
    EXPECT_TRUE(vemhost::runCommand(L"COLDEC"));
    EXPECT_EQ(vemhost::testing::liveObjectCount(), alive) << "the copy that was not appended is deleted";
    EXPECT_EQ(vemhost::testing::openObjectCount(db()), 1) << "only the block the test holds";
    modelSpace->close();
    EXPECT_EQ(current<ECoLine>(), before);
    EXPECT_EQ(stateOf(before).decimals, 4);
    EXPECT_EQ(vemhost::testing::graphicsFlushCount(), 2);
}

}  // namespace
