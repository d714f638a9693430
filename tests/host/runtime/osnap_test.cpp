// Object snaps through the editor: each mode on each kind of entity (labels through
// their pieces), the candidate nearest the pick, intersections, perpendiculars,
// running snaps on picks but never on typed points, and points that are not finite.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <string>

#include "acedads.h"
#include "adscodes.h"
#include "dbpl.h"
#include "editor_internals.h"
#include "entity_test_support.h"

using namespace entity_test;

namespace {

constexpr double kTol = 1e-9;

struct Asked {
    int rc = RTERROR;
    AcGePoint3d point;
    std::string printed;
};

class ObjectSnap : public EntityTest {
protected:
    void SetUp() override
    {
        EntityTest::SetUp();
        vemhost::startCapture();
    }
    void TearDown() override
    {
        EXPECT_EQ(vemhost::pendingInputCount(), 0u) << "an answer was left unread";
        EntityTest::TearDown();
    }

    AcDbObjectId addLine(AcGePoint3d a, AcGePoint3d b) { return addToModelSpace(new AcDbLine(a, b)); }

    // Vertices with the bulge of the segment each one starts.
    AcDbObjectId addPolyline(std::initializer_list<std::pair<AcGePoint2d, double>> vertices)
    {
        AcDbPolyline* pline = new AcDbPolyline();
        unsigned i = 0;
        for (const auto& v : vertices)
            pline->addVertexAt(i++, v.first, v.second);
        return addToModelSpace(pline);
    }

    AcDbObjectId addText(AcGePoint3d at)
    {
        AcDbMText* text = new AcDbMText();
        text->setContents(L"ABC");
        text->setTextStyle(style());
        text->setTextHeight(2.0);
        text->setLocation(at);
        return addToModelSpace(text);
    }

    // One acedGetPoint over what is queued, from the base point given.
    Asked ask(const AcGePoint3d& base)
    {
        ads_point b = {base.x, base.y, base.z}, r = {0, 0, 0};
        Asked out;
        vemhost::takeCaptured();
        out.rc = acedGetPoint(b, L"\nPoint: ", r);
        out.point = AcGePoint3d(r[X], r[Y], r[Z]);
        out.printed = vemhost::takeCaptured();
        return out;
    }
    Asked ask(const std::wstring& typed, const AcGePoint3d& base = AcGePoint3d::kOrigin)
    {
        vemhost::queueInput(typed);
        return ask(base);
    }
    Asked askPick(const AcGePoint3d& pick, const AcGePoint3d& base = AcGePoint3d::kOrigin)
    {
        vemhost::queuePick(pick);
        return ask(base);
    }
};

void expectPoint(const AcGePoint3d& expected, const Asked& got, const std::string& what)
{
    EXPECT_EQ(got.rc, RTNORM) << what << "\n" << got.printed;
    EXPECT_NEAR(got.point.x, expected.x, kTol) << what;
    EXPECT_NEAR(got.point.y, expected.y, kTol) << what;
    EXPECT_NEAR(got.point.z, expected.z, kTol) << what;
}

struct SnapCase {
    const wchar_t* answer;
    AcGePoint3d base;  // the point perpendiculars are dropped from
    AcGePoint3d expected;
};

void runCases(ObjectSnap& test, Asked (ObjectSnap::*ask)(const std::wstring&, const AcGePoint3d&),
              std::initializer_list<SnapCase> cases)
{
    for (const SnapCase& c : cases)
        expectPoint(c.expected, (test.*ask)(c.answer, c.base), vemhost::toUtf8(c.answer));
}

}  // namespace

TEST_F(ObjectSnap, EachModeSnapsToItsPointOfEachEntityKind)
{
    const AcGePoint3d o = AcGePoint3d::kOrigin;
    addLine(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 0, 0));
    // A straight segment, then a counter-clockwise half circle through (35,5) about (30,5).
    addPolyline({{AcGePoint2d(20, 0), 0.0}, {AcGePoint2d(30, 0), 1.0}, {AcGePoint2d(30, 10), 0.0}});
    addText(AcGePoint3d(50, 5, 0));
    runCases(*this, &ObjectSnap::ask,
             {
                 //  answer             base                     expected
                 {L"END 9,1",          o,                       AcGePoint3d(10, 0, 0)},
                 {L"END 1,1",          o,                       AcGePoint3d(0, 0, 0)},
                 {L"MID 4,1",          o,                       AcGePoint3d(5, 0, 0)},
                 {L"NEA 3,1",          o,                       AcGePoint3d(3, 0, 0)},
                 {L"PER 7,1",          AcGePoint3d(7, -5, 0),   AcGePoint3d(7, 0, 0)},
                 {L"END 29,1",         o,                       AcGePoint3d(30, 0, 0)},
                 {L"END 31,9",         o,                       AcGePoint3d(30, 10, 0)},
                 {L"MID 24,1",         o,                       AcGePoint3d(25, 0, 0)},
                 {L"MID 34,4",         o,                       AcGePoint3d(35, 5, 0)},
                 {L"NEA 22,-1",        o,                       AcGePoint3d(22, 0, 0)},
                 {L"NEA 36,5",         o,                       AcGePoint3d(35, 5, 0)},
                 {L"CEN 34,5",         o,                       AcGePoint3d(30, 5, 0)},
                 {L"PER 26,1",         AcGePoint3d(25, -6, 0),  AcGePoint3d(25, 0, 0)},
                 {L"PER 35,4",         AcGePoint3d(40, 5, 0),   AcGePoint3d(35, 5, 0)},
                 {L"INS 50.5,4.5",     o,                       AcGePoint3d(50, 5, 0)},
                 {L"endp 9,1",         o,                       AcGePoint3d(10, 0, 0)},
             });
}

TEST_F(ObjectSnap, LabelsSnapThroughTheirPieces)
{
    addToModelSpace(newPointLabel(style(), AcGePoint3d(3, 4, 0), AcGePoint3d(15, 12, 0)));
    AcDbVoidPtrArray pieces;
    {
        AcDbEntity* label = nullptr;
        ASSERT_EQ(acdbOpenAcDbEntity(label, acrt::currentSpaceEntities(db()).back(), AcDb::kForRead), Acad::eOk);
        ASSERT_EQ(label->explode(pieces), Acad::eOk);
        label->close();
    }
    ASSERT_EQ(pieces.length(), 4);
    const AcDbLine* leader = AcDbLine::cast(static_cast<AcDbEntity*>(pieces[0]));
    const AcDbLine* underline = AcDbLine::cast(static_cast<AcDbEntity*>(pieces[1]));
    const AcDbMText* text = AcDbMText::cast(static_cast<AcDbEntity*>(pieces[2]));
    ASSERT_TRUE(leader && underline && text);
    const AcGePoint3d mark = leader->startPoint(), corner = leader->endPoint();
    const AcGePoint3d far = underline->startPoint().isEqualTo(corner) ? underline->endPoint() : underline->startPoint();
    const AcGePoint3d leaderMid = mark + (corner - mark) * 0.5;
    auto answer = [](const wchar_t* mode, const AcGePoint3d& near) {
        return std::wstring(mode) + L" " + std::to_wstring(near.x + 0.4) + L"," + std::to_wstring(near.y - 0.3);
    };
    expectPoint(mark, ask(answer(L"END", mark)), "END at the marked point");
    expectPoint(far, ask(answer(L"END", far)), "END at the underline's far end");
    expectPoint(leaderMid, ask(answer(L"MID", leaderMid)), "MID of the leader");
    expectPoint(corner, ask(answer(L"INT", corner)), "INT of leader and underline");
    expectPoint(text->location(), ask(answer(L"INS", text->location())), "INS of the first text");
    for (void* p : pieces)
        delete static_cast<AcDbEntity*>(p);
}

// END at 75.8,34.1 on a line from 46,34 to 76,34 is the end at 76,34, and with several
// modes the snap point nearest the pick wins whatever its mode or entity.
TEST_F(ObjectSnap, TheCandidateNearestThePickWins)
{
    const AcGePoint3d o = AcGePoint3d::kOrigin;
    addLine(AcGePoint3d(46, 34, 0), AcGePoint3d(76, 34, 0));
    addLine(AcGePoint3d(77, 36, 0), AcGePoint3d(90, 36, 0));
    runCases(*this, &ObjectSnap::ask,
             {
                 //  answer             base  expected
                 {L"END 75.8,34.1",    o,    AcGePoint3d(76, 34, 0)},
                 {L"END 46.2,34.1",    o,    AcGePoint3d(46, 34, 0)},
                 {L"END 76.8,35.5",    o,    AcGePoint3d(77, 36, 0)},
                 {L"MID 60,33",        o,    AcGePoint3d(61, 34, 0)},
             });
    ASSERT_TRUE(vemhost::setOsmode(acrt::kSnapEnd | acrt::kSnapMid));
    expectPoint(AcGePoint3d(61, 34, 0), askPick(AcGePoint3d(62, 34.5, 0)), "MID nearer than either end");
    expectPoint(AcGePoint3d(76, 34, 0), askPick(AcGePoint3d(75, 34.5, 0)), "END nearer than MID");
    ASSERT_TRUE(vemhost::setOsmode(acrt::kSnapEnd | acrt::kSnapNear));
    expectPoint(AcGePoint3d(70, 34, 0), askPick(AcGePoint3d(70, 35, 0)), "NEA nearer than either end");
}

TEST_F(ObjectSnap, IntersectionsOfLinesAndPolylineSegmentsWithinTheAperture)
{
    const AcGePoint3d o = AcGePoint3d::kOrigin;
    addLine(AcGePoint3d(46, 34, 0), AcGePoint3d(76, 34, 0));
    addLine(AcGePoint3d(60, 20, 0), AcGePoint3d(60, 50, 0));
    addPolyline({{AcGePoint2d(20, 0), 0.0}, {AcGePoint2d(30, 0), 1.0}, {AcGePoint2d(30, 10), 0.0}});
    addLine(AcGePoint3d(25, -5, 0), AcGePoint3d(25, 5, 0));
    addLine(AcGePoint3d(32, 5, 0), AcGePoint3d(40, 5, 0));
    // A straight segment and the arc that leaves it tangentially.
    addPolyline({{AcGePoint2d(0.1, 20.7), 0.0}, {AcGePoint2d(10.3, 20.7), 1.0}, {AcGePoint2d(10.3, 26.9), 0.0}});
    runCases(*this, &ObjectSnap::ask,
             {
                 //  answer             base  expected
                 {L"INT 60.5,34.5",    o,    AcGePoint3d(60, 34, 0)},  // two lines
                 {L"INT 59,33",        o,    AcGePoint3d(60, 34, 0)},
                 {L"INT 25.5,0.5",     o,    AcGePoint3d(25, 0, 0)},   // a line and a straight segment
                 {L"INT 34.5,5.5",     o,    AcGePoint3d(35, 5, 0)},   // a line and an arc segment
                 {L"INT 30.5,0.5",     o,    AcGePoint3d(30, 0, 0)},   // where two segments meet
                 {L"INT 10.9,21.3",    o,    AcGePoint3d(10.3, 20.7, 0)},  // and touch
             });
    Asked none = ask(L"INT 50,34.5");  // on a line, but nothing crosses it within reach
    EXPECT_NE(none.printed.find("No snap point found."), std::string::npos) << none.printed;
    EXPECT_EQ(none.rc, RTCAN) << "asked again, and the input had ended";
    EXPECT_TRUE(vemhost::lastPoint().isEqualTo(AcGePoint3d(10.3, 20.7, 0))) << "the last point found";
}

TEST_F(ObjectSnap, PerpendicularsFromTheBasePointFallOnTheSegments)
{
    addLine(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 0, 0));
    addPolyline({{AcGePoint2d(20, 0), 0.0}, {AcGePoint2d(30, 0), 1.0}, {AcGePoint2d(30, 10), 0.0}});
    runCases(*this, &ObjectSnap::ask,
             {
                 //  answer             base                     expected
                 {L"PER 2,1",          AcGePoint3d(3, 8, 0),    AcGePoint3d(3, 0, 0)},
                 {L"PER 22,1",         AcGePoint3d(21, -3, 0),  AcGePoint3d(21, 0, 0)},
                 {L"PER 34,2",         AcGePoint3d(30, 5, 0) + AcGeVector3d(-1, 1, 0) * 10,
                  AcGePoint3d(30, 5, 0) + AcGeVector3d(1, -1, 0).normal() * 5},
             });
    ASSERT_TRUE(vemhost::setOsmode(acrt::kSnapPerp));
    expectPoint(AcGePoint3d(4, 0, 0), askPick(AcGePoint3d(2, 1, 0), AcGePoint3d(4, 7, 0)), "running PER on a pick");
    Asked beyond = ask(L"PER 9,1", AcGePoint3d(12, -5, 0));  // the foot is off the line's end
    EXPECT_NE(beyond.printed.find("No snap point found."), std::string::npos) << beyond.printed;
    EXPECT_EQ(beyond.rc, RTCAN);
}

TEST_F(ObjectSnap, RunningSnapsApplyToPicksOnly)
{
    addLine(AcGePoint3d(46, 34, 0), AcGePoint3d(76, 34, 0));
    ASSERT_TRUE(vemhost::setOsmode(acrt::kSnapEnd));
    expectPoint(AcGePoint3d(76, 34, 0), askPick(AcGePoint3d(75.8, 34.1, 0)), "a pick snaps");
    expectPoint(AcGePoint3d(75.8, 34.1, 0), ask(L"75.8,34.1"), "a typed point never does");
    expectPoint(AcGePoint3d(20, 20, 0), askPick(AcGePoint3d(20, 20, 0)), "nothing in reach: the pick itself");
    expectPoint(AcGePoint3d(46, 34, 0), askPick(AcGePoint3d(60, 34.5, 0)), "the nearer end of the line picked");

    vemhost::queueInput(L"MID");
    expectPoint(AcGePoint3d(61, 34, 0), askPick(AcGePoint3d(70, 34.5, 0)), "an explicit mode before a pick");
    vemhost::queueInput(L"NON");
    expectPoint(AcGePoint3d(75.8, 34.1, 0), askPick(AcGePoint3d(75.8, 34.1, 0)), "NON before a pick");
    vemhost::queueInput(L"END");
    vemhost::queuePick(AcGePoint3d(20, 20, 0));
    Asked refused = ask(L"1,2");
    expectPoint(AcGePoint3d(1, 2, 0), refused, "asked again after an explicit snap found nothing");
    EXPECT_NE(refused.printed.find("No snap point found."), std::string::npos) << refused.printed;

    acedInitGet(RSG_NOOSNAP, nullptr);
    expectPoint(AcGePoint3d(75.8, 34.1, 0), askPick(AcGePoint3d(75.8, 34.1, 0)), "RSG_NOOSNAP");
    expectPoint(AcGePoint3d(76, 34, 0), askPick(AcGePoint3d(75.8, 34.1, 0)), "RSG_NOOSNAP held for one call");
    ASSERT_TRUE(vemhost::setOsmode(0));
    expectPoint(AcGePoint3d(75.8, 34.1, 0), askPick(AcGePoint3d(75.8, 34.1, 0)), "OSMODE 0");
}

// Entity picks are not snapped; prompts that take no point pass picks over; a front
// end's provider delivers picks through the same editor calls.
TEST_F(ObjectSnap, PicksAtOtherPromptsAndFromAProvider)
{
    const AcDbObjectId line = addLine(AcGePoint3d(46, 34, 0), AcGePoint3d(76, 34, 0));
    ASSERT_TRUE(vemhost::setOsmode(acrt::kSnapEnd));
    ads_name ent = {0, 0};
    ads_point at = {0, 0, 0};
    vemhost::queuePick(AcGePoint3d(75, 34.5, 0));
    ASSERT_EQ(acedEntSel(L"\nSelect object: ", ent, at), RTNORM);
    AcDbObjectId picked;
    EXPECT_EQ(acdbGetObjectId(picked, ent), Acad::eOk);
    EXPECT_EQ(picked, line);
    EXPECT_EQ(at[X], 75.0) << "an entity pick keeps its point";

    // Corners picked beside the line's ends: snapped, the window would hold the line.
    vemhost::queueInput(L"W");
    vemhost::queuePick(AcGePoint3d(47, 33, 0));
    vemhost::queuePick(AcGePoint3d(77, 35, 0));
    vemhost::queuePick(AcGePoint3d(50, 34.5, 0));
    vemhost::queueInput(L"");
    ads_name ss = {0, 0};
    vemhost::takeCaptured();
    ASSERT_EQ(acedSSGet(nullptr, nullptr, nullptr, nullptr, ss), RTNORM);
    EXPECT_NE(vemhost::takeCaptured().find("0 found\nSelect objects: \n1 found"), std::string::npos);
    acedSSFree(ss);

    ACHAR text[16];
    vemhost::queuePick(AcGePoint3d(1, 1, 0));
    vemhost::queueInput(L"abc");
    ASSERT_EQ(acedGetString(0, L"\nText: ", text, 16), RTNORM);
    EXPECT_EQ(std::wstring(text), L"abc") << "the pick was passed over";

    struct Clicks : vemhost::InputProvider {
        int next = 0;
        bool readLine(std::wstring&) override { return false; }
        bool read(vemhost::Input& input) override
        {
            if (next++ > 0)
                return false;
            input.kind = vemhost::Input::kPick;
            input.point = AcGePoint3d(46.5, 33.5, 0);
            return true;
        }
    } clicks;
    vemhost::setInputProvider(&clicks);
    Asked fromProvider = ask(AcGePoint3d::kOrigin);
    vemhost::setInputProvider(nullptr);
    expectPoint(AcGePoint3d(46, 34, 0), fromProvider, "a provider's pick");
}

TEST_F(ObjectSnap, PointsThatAreNotFiniteAreRefused)
{
    const AcGePoint3d huge(1e308, 0, 0);
    for (const wchar_t* answer : {L"@1e308,0", L"@1e308<0", L"@0,0,1e308"}) {
        vemhost::setLastPoint(AcGePoint3d(1, 1, 0));
        vemhost::queueInput(answer);
        Asked refused = ask(std::wstring(L"5,6"), AcGePoint3d(1e308, 0, 1e308));
        expectPoint(AcGePoint3d(5, 6, 0), refused, vemhost::toUtf8(answer));
        EXPECT_NE(refused.printed.find("Invalid point."), std::string::npos) << vemhost::toUtf8(answer);
    }
    vemhost::setLastPoint(AcGePoint3d(1, 1, 0));
    vemhost::queuePick(AcGePoint3d(std::numeric_limits<double>::quiet_NaN(), 0, 0));
    Asked nan = ask(L"", huge);
    EXPECT_EQ(nan.rc, RTNONE);
    EXPECT_NE(nan.printed.find("Invalid point."), std::string::npos) << nan.printed;
    EXPECT_TRUE(vemhost::lastPoint().isEqualTo(AcGePoint3d(1, 1, 0))) << "nothing changed";
}

// Keywords of acedInitGet answer the next point request only: a leading part at least
// as long as the keyword's leading capitals (the whole of a keyword without them) names
// it, and acedGetInput gives it in full.
TEST_F(ObjectSnap, KeywordsAnswerTheNextPointRequestOnly)
{
    struct Row {
        const wchar_t* answer;
        int rc;
        const char* keyword;
    };
    const Row rows[] = {
        // answer           rc        keyword
        {L"D",              RTKWORD,  "Displacement"},
        {L"disp",           RTKWORD,  "Displacement"},
        {L"EX",             RTKWORD,  "EXit"},
        {L"exit",           RTKWORD,  "EXit"},
        {L"undo",           RTKWORD,  "undo"},
        {L"3,4",            RTNORM,   nullptr},
        {L"",               RTNONE,   nullptr},
    };
    for (const Row& row : rows) {
        acedInitGet(0, L"Displacement EXit undo");
        Asked got = ask(row.answer);
        EXPECT_EQ(got.rc, row.rc) << vemhost::toUtf8(row.answer) << "\n" << got.printed;
        if (row.keyword != nullptr) {
            ACHAR keyword[16] = L"poison";
            EXPECT_EQ(acedGetInput(keyword, 16), RTNORM);
            EXPECT_EQ(vemhost::toUtf8(keyword), row.keyword) << vemhost::toUtf8(row.answer);
        }
    }
    // Too short, too long: no keyword, so a bad point, and the prompt asks again.
    for (const wchar_t* answer : {L"E", L"und", L"Displacements"}) {
        acedInitGet(0, L"Displacement EXit undo");
        vemhost::queueInput(answer);
        Asked got = ask(L"1,2");
        expectPoint(AcGePoint3d(1, 2, 0), got, vemhost::toUtf8(answer));
        EXPECT_NE(got.printed.find("Invalid point."), std::string::npos) << got.printed;
    }
    // The list held for one request: the next one takes "D" as a bad point.
    acedInitGet(0, L"Displacement");
    expectPoint(AcGePoint3d(5, 5, 0), ask(L"5,5"), "a point answers as usual");
    vemhost::queueInput(L"D");
    Asked after = ask(L"6,6");
    expectPoint(AcGePoint3d(6, 6, 0), after, "keywords of an earlier request");
    EXPECT_NE(after.printed.find("Invalid point."), std::string::npos) << after.printed;
}

namespace {

TEST_F(ObjectSnap, CirclesAndArcsOfferTheirPointsAndCrossOthers)
{
    const AcGePoint3d o = AcGePoint3d::kOrigin;
    addToModelSpace(new AcDbCircle(AcGePoint3d(100, 0, 0), AcGeVector3d::kZAxis, 5.0));
    addToModelSpace(new AcDbArc(AcGePoint3d(200, 0, 0), 5.0, 0.0, M_PI / 2));
    // The same quarter seen from below: its angles run the other way in the plan.
    addToModelSpace(new AcDbArc(AcGePoint3d(300, 0, 0), AcGeVector3d(0, 0, -1), 5.0, M_PI / 2, M_PI));
    addLine(AcGePoint3d(90, 3, 0), AcGePoint3d(110, 3, 0));
    addLine(AcGePoint3d(203, -10, 0), AcGePoint3d(203, 10, 0));
    addLine(AcGePoint3d(303, -10, 0), AcGePoint3d(303, 10, 0));
    runCases(*this, &ObjectSnap::ask,
             {
                 //  answer             base                      expected
                 {L"CEN 105.2,0",      o,                        AcGePoint3d(100, 0, 0)},
                 {L"QUA 100.3,-5.2",   o,                        AcGePoint3d(100, -5, 0)},
                 {L"TAN 102.8,-4.1",   AcGePoint3d(110, 0, 0),   AcGePoint3d(102.5, -std::sqrt(18.75), 0)},
                 {L"INT 104.2,3.2",    o,                        AcGePoint3d(104, 3, 0)},
                 {L"END 204.8,0.5",    o,                        AcGePoint3d(205, 0, 0)},
                 {L"MID 203.4,3.4",    o,                        AcGePoint3d(200 + 5 * M_SQRT1_2, 5 * M_SQRT1_2, 0)},
                 {L"INT 203.2,4.2",    o,                        AcGePoint3d(203, 4, 0)},
                 {L"INT 303.2,4.2",    o,                        AcGePoint3d(303, 4, 0)},
                 {L"PER 300.3,4.8",    AcGePoint3d(300, 20, 0),  AcGePoint3d(300, 5, 0)},
             });
    Asked none = ask(L"INT 203.2,-4.2");  // where the circle would be, but the arc is not
    EXPECT_NE(none.printed.find("No snap point found."), std::string::npos) << none.printed;
    EXPECT_EQ(none.rc, RTCAN);
}

}  // namespace
