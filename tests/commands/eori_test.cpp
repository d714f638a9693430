// EORI: its prompts, defaults and invalid-answer fallbacks, the axis-name rules, the
// cancel at each prompt, and the coordinate system and text style it leaves behind.
#include <cmath>

#include "command_fixture.h"

namespace {

// The prompts in the order they are asked.
const char* const kPrompts[] = {
    "\n指定坐标轴位置: ",
    "\n请输入纵坐标轴的轴号(A/B/X/Y/或其他,回车取默认值A):",
    "\n请指定纵轴的方向:上(U)/下(D)(回车取默认值U):",
    "\n请输入相对原点的纵坐标(回车取默认值0.0):",
    "\n请输入横坐标轴的轴号(A/B/X/Y/或其他,回车取默认值B):",
    "\n请指定横轴的方向:右(R)/左(L)(回车取默认值R):",
    "\n请输入相对原点的横坐标(回车取默认值0.0):",
    "\n请指定图纸比例尺(1:？,回车取默认值1.0):",
    "\n请指定外观缩放倍数(回车取默认值1.0):",
    "\n请输入小数位数(回车取默认值3):",
};
const int kPromptCount = 10;

enum Prompt { kPoint, kVName, kVDir, kVOffset, kHName, kHDir, kHOffset, kDrawingScale, kAppearance, kDecimals };

const char kVDirInvalid[] = "\n纵轴方向输入无效,将自动取默认值U";
const char kHDirInvalid[] = "\n横轴方向输入无效,将自动取默认值R";
const char kDrawingScaleInvalid[] = "\n请输入的图纸比例不正确,将自动取默认值1.0";
const char kAppearanceInvalid[] = "\n输入的外观缩放倍数不正确,将自动取默认值1.0";
const char kDecimalsInvalid[] = "\n输入的小数位数不正确,将自动取默认值3";

// The whole output of a run in which every prompt is answered without a message,
// with one message after the prompt it follows.
std::string promptsWith(int afterPrompt = -1, const std::string& message = "")
{
    std::string out;
    for (int i = 0; i < kPromptCount; ++i) {
        out += kPrompts[i];
        if (i == afterPrompt)
            out += message;
    }
    return out;
}

class Eori : public CommandTest {
protected:
    // Runs EORI at (10, 20) with the answer for one prompt changed, every other one
    // left empty (Enter).
    std::string eoriWith(Prompt prompt, const std::wstring& answer)
    {
        std::vector<std::wstring> answers(kPromptCount, L"");
        answers[kPoint] = L"10,20";
        answers[prompt] = answer;
        for (const std::wstring& a : answers)
            vemhost::queueInput(a);
        return run(L"EORI");
    }
    // The coordinate system the last run made.
    AcDbObjectId made()
    {
        std::vector<AcDbObjectId> origins = entitiesOf<EOrigin>();
        return origins.empty() ? AcDbObjectId() : origins.back();
    }
};

TEST_F(Eori, EveryDefaultGivesAnUpAndRightSystemOfAAndBWithStyleVemText)
{
    std::string out = eoriWith(kPoint, L"10,20");
    EXPECT_EQ(out, promptsWith());
    ASSERT_EQ(entitiesOf<EOrigin>().size(), 1u);
    Reader<EOrigin> o(made());
    ASSERT_TRUE(o.ok());
    EXPECT_EQ(o->m_vAxisName, AcString(L"A"));
    EXPECT_EQ(o->m_hAxisName, AcString(L"B"));
    EXPECT_EQ(o->m_vOffset, 0.0);
    EXPECT_EQ(o->m_hOffset, 0.0);
    EXPECT_TRUE(o->m_relOrigin.isEqualTo(AcGePoint3d(10, 20, 0)));
    EXPECT_TRUE(o->m_absOrigin.isEqualTo(AcGePoint3d(10, 20, 0)));
    EXPECT_TRUE(o->m_vAxisDir.isEqualTo(AcGeVector3d(0, 1, 0)));
    EXPECT_TRUE(o->m_hAxisDir.isEqualTo(AcGeVector3d(1, 0, 0)));
    EXPECT_EQ(o->m_drawingScale, 1.0);
    EXPECT_EQ(o->m_appearanceScale, 1.0);
    EXPECT_EQ(o->m_decimals, 3);
    ASSERT_FALSE(textStyleId(L"vem_text").isNull());
    EXPECT_EQ(o->m_textStyleId, textStyleId(L"vem_text"));

    Reader<AcDbTextStyleTableRecord> style(textStyleId(L"vem_text"));
    const ACHAR* font = nullptr;
    const ACHAR* bigFont = nullptr;
    style->fileName(font);
    style->bigFontFileName(bigFont);
    EXPECT_STREQ(font, L"complex8.shx");
    EXPECT_STREQ(bigFont, L"hztxt99.shx");
    EXPECT_EQ(style->textSize(), 0.0);
    EXPECT_EQ(style->xScale(), 1.0);
}

TEST_F(Eori, TheHorizontalNameNeverRepeatsTheVerticalOneComparedWithCase)
{
    struct Row {
        const wchar_t* vAnswer;
        const wchar_t* hAnswer;
        const wchar_t* vName;
        const wchar_t* hName;
    };
    const Row rows[] = {
        // vertical answer  horizontal answer  vertical name  horizontal name
        {L"",               L"",               L"A",          L"B"},
        {L"B",              L"",               L"B",          L"A"},
        {L"B",              L"B",              L"B",          L"A"},
        {L"A",              L"A",              L"A",          L"B"},
        {L"X",              L"X",              L"X",          L"B"},
        {L"",               L"A",              L"A",          L"B"},
        {L"A",              L"a",              L"A",          L"a"},
        {L"Y",              L"X",              L"Y",          L"X"},
        {L"%s%d",           L"",               L"%s%d",       L"B"},
    };
    for (const Row& row : rows) {
        std::vector<std::wstring> answers(kPromptCount, L"");
        answers[kPoint] = L"0,0";
        answers[kVName] = row.vAnswer;
        answers[kHName] = row.hAnswer;
        for (const std::wstring& a : answers)
            vemhost::queueInput(a);
        EXPECT_EQ(run(L"EORI"), promptsWith()) << "no message for a substituted name";
        Reader<EOrigin> o(made());
        ASSERT_TRUE(o.ok());
        EXPECT_EQ(o->m_vAxisName, AcString(row.vName)) << vemhost::toUtf8(row.vAnswer);
        EXPECT_EQ(o->m_hAxisName, AcString(row.hName)) << vemhost::toUtf8(row.hAnswer);
    }
}

TEST_F(Eori, DirectionsAreJudgedByTheirFirstLetterAndAnythingElseTakesTheDefault)
{
    struct Row {
        Prompt prompt;
        const wchar_t* answer;
        AcGeVector3d vAxisDir;
        AcGeVector3d hAxisDir;
        const char* message;
    };
    const Row rows[] = {
        // prompt  answer      vertical dir      horizontal dir    message
        {kVDir,    L"D",       {0, -1, 0},       {1, 0, 0},        ""},
        {kVDir,    L"Down",    {0, -1, 0},       {1, 0, 0},        ""},
        {kVDir,    L"d",       {0, -1, 0},       {1, 0, 0},        ""},
        {kVDir,    L"up",      {0, 1, 0},        {1, 0, 0},        ""},
        {kVDir,    L"xD",      {0, 1, 0},        {1, 0, 0},        kVDirInvalid},
        {kVDir,    L"R",       {0, 1, 0},        {1, 0, 0},        kVDirInvalid},
        {kHDir,    L"L",       {0, 1, 0},        {-1, 0, 0},       ""},
        {kHDir,    L"left",    {0, 1, 0},        {-1, 0, 0},       ""},
        {kHDir,    L"r",       {0, 1, 0},        {1, 0, 0},        ""},
        {kHDir,    L"U",       {0, 1, 0},        {1, 0, 0},        kHDirInvalid},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(eoriWith(row.prompt, row.answer), promptsWith(row.prompt, row.message))
            << vemhost::toUtf8(row.answer);
        Reader<EOrigin> o(made());
        ASSERT_TRUE(o.ok());
        EXPECT_TRUE(o->m_vAxisDir.isEqualTo(row.vAxisDir, AcGeTol())) << vemhost::toUtf8(row.answer);
        EXPECT_TRUE(o->m_hAxisDir.isEqualTo(row.hAxisDir, AcGeTol())) << vemhost::toUtf8(row.answer);
    }
}

TEST_F(Eori, ScalesThatAreNotFiniteNumbersAboveZeroFallBackToOne)
{
    struct Row {
        const wchar_t* answer;
        double value;
        bool invalid;
    };
    const Row rows[] = {
        // answer       value   invalid
        {L"500",        500.0,  false},
        {L"1:500",      1.0,    false},
        {L"2.5x",       2.5,    false},
        {L"0.4",        0.4,    false},
        {L"0",          1.0,    true},
        {L"-3",         1.0,    true},
        {L"abc",        1.0,    true},
        {L"inf",        1.0,    true},
        {L"nan",        1.0,    true},
        {L"1e999",      1.0,    true},
        {L"1e3",        1000.0, false},
        {L"0x1p3",      1.0,    true},   // decimal numbers only: this reads as 0
        {L"1e-320",     1.0,    true},   // subnormal
    };
    for (const Row& row : rows) {
        std::string out = eoriWith(kDrawingScale, row.answer);
        EXPECT_EQ(out, promptsWith(kDrawingScale, row.invalid ? kDrawingScaleInvalid : ""))
            << vemhost::toUtf8(row.answer);
        {
            Reader<EOrigin> o(made());
            EXPECT_EQ(o->m_drawingScale, row.value) << vemhost::toUtf8(row.answer);
        }
        out = eoriWith(kAppearance, row.answer);
        EXPECT_EQ(out, promptsWith(kAppearance, row.invalid ? kAppearanceInvalid : ""))
            << vemhost::toUtf8(row.answer);
        Reader<EOrigin> o(made());
        EXPECT_EQ(o->m_appearanceScale, row.value) << vemhost::toUtf8(row.answer);
        EXPECT_TRUE(std::isfinite(o->m_absOrigin.x) && std::isfinite(o->m_absOrigin.y));
    }
}

TEST_F(Eori, DecimalsAreTruncatedAndOutOfRangeOrOverflowingCountsTakeThree)
{
    struct Row {
        const wchar_t* answer;
        int decimals;
        bool invalid;
    };
    const Row rows[] = {
        // answer         decimals  invalid
        {L"2.9",          2,        false},
        {L"-0.5",         0,        false},
        {L"10.9",         10,       false},
        {L"0",            0,        false},
        {L"abc",          0,        false},
        {L"11",           3,        true},
        {L"-1",           3,        true},
        {L"4294967298",   3,        true},
        {L"-4294967296",  3,        true},
        {L"inf",          0,        false},  // no decimal number, as letters
        {L"nan",          0,        false},
        {L"1e999",        3,        true},
        {L"0x10",         0,        false},
        {L"1e1",          10,       false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(eoriWith(kDecimals, row.answer), promptsWith(kDecimals, row.invalid ? kDecimalsInvalid : ""))
            << vemhost::toUtf8(row.answer);
        Reader<EOrigin> o(made());
        EXPECT_EQ(o->m_decimals, row.decimals) << vemhost::toUtf8(row.answer);
    }
}

TEST_F(Eori, OriginValuesAreTheLeadingNumberAndOtherwiseZero)
{
    // Values 100 and 50 at scale 10 put the absolute origin 10 and 5 units away.
    EXPECT_EQ(run(L"EORI", {L"1000,2000", L"", L"", L"100", L"", L"", L"50", L"10", L"", L""}), promptsWith());
    {
        Reader<EOrigin> o(made());
        EXPECT_EQ(o->m_vOffset, 100.0);
        EXPECT_EQ(o->m_hOffset, 50.0);
        EXPECT_NEAR(o->m_absOrigin.x, 995.0, 1e-9);
        EXPECT_NEAR(o->m_absOrigin.y, 1990.0, 1e-9);
    }
    struct Row {
        const wchar_t* answer;
        double value;
    };
    const Row rows[] = {{L"12.5abc", 12.5}, {L"-7", -7.0},  {L"abc", 0.0},    {L"inf", 0.0}, {L"-inf", 0.0},
                        {L"nan", 0.0},     {L"1e999", 0.0}, {L"0x10", 0.0},   {L"1e3", 1000.0}};
    for (const Row& row : rows) {
        EXPECT_EQ(eoriWith(kVOffset, row.answer), promptsWith()) << "never a message";
        {
            Reader<EOrigin> o(made());
            EXPECT_EQ(o->m_vOffset, row.value) << vemhost::toUtf8(row.answer);
        }
        eoriWith(kHOffset, row.answer);
        Reader<EOrigin> o(made());
        EXPECT_EQ(o->m_hOffset, row.value) << vemhost::toUtf8(row.answer);
        EXPECT_TRUE(std::isfinite(o->m_absOrigin.x) && std::isfinite(o->m_absOrigin.y));
    }
}

TEST_F(Eori, AnswersThatWouldLeaveTheSystemNotFiniteTakeTheirPromptsDefault)
{
    struct Row {
        const wchar_t* point;
        const wchar_t* vOffset;
        const wchar_t* hOffset;
        const wchar_t* drawingScale;
        const wchar_t* appearanceScale;
        int messageAfter;  // -1: no message
        const char* message;
        double vExpected, hExpected, nExpected, sExpected;
    };
    const Row rows[] = {
        // point         v          h          n         s        message after    message               v        h    n      s
        {L"10,20",       L"100",    L"",       L"1e-320", L"",     kDrawingScale,   kDrawingScaleInvalid, 100,     0,   1,     1},
        {L"10,20",       L"1e308",  L"",       L"0.1",   L"",      kDrawingScale,   kDrawingScaleInvalid, 1e308,   0,   1,     1},
        {L"10,20",       L"",       L"",       L"",      L"1e308", kAppearance,     kAppearanceInvalid,   0,       0,   1,     1},
        {L"10,20",       L"1.7e308", L"1.7e308", L"",    L"",      -1,              "",                   1.7e308, 0,   1,     1},
        {L"0,-1.7e308",  L"1.7e308", L"",      L"",      L"",      -1,              "",                   0,       0,   1,     1},
        {L"10,20",       L"",       L"",       L"1e308", L"1e300", -1,              "",                   0,       0,   1e308, 1e300},
    };
    for (const Row& row : rows) {
        const std::string what = vemhost::toUtf8(row.point) + " " + vemhost::toUtf8(row.vOffset) + " " +
                                 vemhost::toUtf8(row.hOffset) + " " + vemhost::toUtf8(row.drawingScale) + " " +
                                 vemhost::toUtf8(row.appearanceScale);
        std::string out = run(L"EORI", {row.point, L"", L"", row.vOffset, L"", L"", row.hOffset, row.drawingScale,
                                        row.appearanceScale, L""});
        EXPECT_EQ(out, promptsWith(row.messageAfter, row.message)) << what;
        AcDbObjectId id = made();
        {
            Reader<EOrigin> o(id);
            ASSERT_TRUE(o.ok()) << what;
            EXPECT_EQ(o->m_vOffset, row.vExpected) << what;
            EXPECT_EQ(o->m_hOffset, row.hExpected) << what;
            EXPECT_EQ(o->m_drawingScale, row.nExpected) << what;
            EXPECT_EQ(o->m_appearanceScale, row.sExpected) << what;
            EXPECT_TRUE(std::isfinite(o->m_absOrigin.x) && std::isfinite(o->m_absOrigin.y)) << what;
            AcDbExtents extents;
            ASSERT_EQ(o->getGeomExtents(extents), Acad::eOk) << what;
            EXPECT_TRUE(std::isfinite(extents.minPoint().x) && std::isfinite(extents.minPoint().y) &&
                        std::isfinite(extents.maxPoint().x) && std::isfinite(extents.maxPoint().y))
                << what;
        }
        // The system can be picked at its origin and lists finite values.
        std::string listed = run(L"COLIST", {row.point, L""});
        EXPECT_NE(listed.find("序号1:  坐标系("), std::string::npos) << what;
        EXPECT_EQ(listed.find("nan"), std::string::npos) << what;
        EXPECT_EQ(listed.find("inf"), std::string::npos) << what;
        {
            AcDbEntity* entity = nullptr;
            ASSERT_EQ(acdbOpenAcDbEntity(entity, id, AcDb::kForWrite), Acad::eOk);
            entity->erase();
            entity->close();
        }
    }
}

TEST_F(Eori, CancelAtAnyPromptCreatesNothingButTheTextStyleStays)
{
    for (int cancelled = 0; cancelled < kPromptCount; ++cancelled) {
        std::vector<std::wstring> answers(size_t(cancelled), L"");
        if (cancelled > 0)
            answers[kPoint] = L"5,5";
        answers.push_back(L"^C");
        for (const std::wstring& a : answers)
            vemhost::queueInput(a);
        std::string expected;
        for (int i = 0; i <= cancelled; ++i)
            expected += kPrompts[i];
        EXPECT_EQ(run(L"EORI"), expected + "*Cancel*") << "cancelled at prompt " << cancelled;
        EXPECT_TRUE(modelSpace().empty()) << "cancelled at prompt " << cancelled;
        EXPECT_FALSE(textStyleId(L"vem_text").isNull());
    }
    // Enter at the point prompt ends the command just as well.
    EXPECT_EQ(run(L"EORI", {L""}), kPrompts[kPoint]);
    EXPECT_TRUE(modelSpace().empty());
    // So does an answer longer than the 99 characters an answer holds.
    EXPECT_EQ(run(L"EORI", {L"0,0", std::wstring(120, L'N')}), std::string(kPrompts[0]) + kPrompts[1]);
    EXPECT_TRUE(modelSpace().empty());
}

TEST_F(Eori, AnExistingVemTextIsLeftAsTheUserSetItAndUsed)
{
    AcDbTextStyleTable* styles = nullptr;
    ASSERT_EQ(db()->getTextStyleTable(styles, AcDb::kForWrite), Acad::eOk);
    AcDbTextStyleTableRecord* style = new AcDbTextStyleTableRecord();
    style->setName(L"VEM_TEXT");
    style->setFileName(L"romans.shx");
    AcDbObjectId userStyle;
    ASSERT_EQ(styles->add(userStyle, style), Acad::eOk);
    style->close();
    styles->close();

    eoriWith(kPoint, L"0,0");
    EXPECT_EQ(textStyleId(L"vem_text"), userStyle);
    Reader<AcDbTextStyleTableRecord> kept(userStyle);
    const ACHAR* font = nullptr;
    kept->fileName(font);
    EXPECT_STREQ(font, L"romans.shx");
    Reader<EOrigin> o(made());
    EXPECT_EQ(o->m_textStyleId, userStyle);
}

}  // namespace
