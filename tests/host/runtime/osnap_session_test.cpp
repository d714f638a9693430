// Object snaps in vemcad: OSMODE read and set through SETVAR, picks snapped in the host
// commands of a session while typed points are not, and a script run by the program.
#include <algorithm>
#include <string>
#include <vector>

#include "dbents.h"
#include "session_fixture.h"
#include "vemcad_runner.h"

namespace {

class OsnapSession : public SessionTest {
protected:
    // Runs the commands of what is queued (lines and picks), as vemcad does.
    std::string runQueued()
    {
        vemhost::takeCaptured();
        std::wstring name;
        while (session().nextCommand(name))
            session().runCommand(name);
        return vemhost::takeCaptured();
    }

    // The ends of the lines appended since the drawing had `before` entities.
    std::vector<std::pair<AcGePoint3d, AcGePoint3d>> newLines(size_t before)
    {
        std::vector<std::pair<AcGePoint3d, AcGePoint3d>> out;
        std::vector<AcDbObjectId> ids = acrt::currentSpaceEntities(db());
        for (size_t i = before; i < ids.size(); ++i) {
            AcDbLine* line = nullptr;
            if (acdbOpenObject(line, ids[i], AcDb::kForRead) != Acad::eOk)
                continue;
            out.emplace_back(line->startPoint(), line->endPoint());
            line->close();
        }
        return out;
    }
};

}  // namespace

TEST_F(OsnapSession, OsmodeIsReadAndSetThroughSetvarAndBadValuesChangeNothing)
{
    struct Case {
        const char* answers;
        const char* message;  // empty: none
        int expected;
    };
    //  answers after the variable name   message                                      OSMODE after
    const Case cases[] = {
        {"513\n",                         "",                                          513},
        {"\n",                            "",                                          513},
        {"1.5\n",                         "Requires an integer value.",                513},
        {"16384\n",                       "Requires an integer between 0 and 16383.",  513},
        {"-1\n",                          "Requires an integer between 0 and 16383.",  513},
        {"1e300\n",                       "Requires an integer between 0 and 16383.",  513},
        {"abc\n0\n",                      "Requires numeric value.",                   0},
        {"16383\n",                       "",                                          16383},
    };
    int before = vemhost::kDefaultOsmode;
    for (const Case& c : cases) {
        const std::string out = script(std::string("SETVAR\nosmode\n") + c.answers);
        const std::string prompt = "Enter new value for OSMODE <" + std::to_string(before) + ">: ";
        EXPECT_NE(out.find(prompt), std::string::npos) << c.answers << out;
        EXPECT_EQ(vemhost::osmode(), c.expected) << c.answers;
        if (*c.message != 0)
            EXPECT_NE(out.find(c.message), std::string::npos) << c.answers << out;
        else
            EXPECT_EQ(out.find("Requires"), std::string::npos) << c.answers << out;
        before = vemhost::osmode();
    }
}

// The sample drawing has a line from 0,40 to 50,40, a polyline 0,50 20,50 20,70 and a
// point label marking 10,20.
TEST_F(OsnapSession, PicksInHostCommandsSnapAndTypedPointsDoNot)
{
    script("SETVAR\nOSMODE\n1\n");
    const size_t before = acrt::currentSpaceEntities(db()).size();
    vemhost::queueInput(L"LINE");
    vemhost::queuePick(AcGePoint3d(49.2, 40.5, 0));  // the line's end
    vemhost::queuePick(AcGePoint3d(19.5, 50.6, 0));  // the polyline's corner
    vemhost::queuePick(AcGePoint3d(10.4, 19.7, 0));  // the label's marked point
    vemhost::queueInput(L"30.3,30.3");                // typed: kept as it is
    vemhost::queueInput(L"MID");
    vemhost::queuePick(AcGePoint3d(24, 40.5, 0));     // explicit MID of the line
    vemhost::queueInput(L"");
    runQueued();
    const auto lines = newLines(before);
    ASSERT_EQ(lines.size(), 4u);
    const AcGePoint3d expected[] = {AcGePoint3d(50, 40, 0), AcGePoint3d(20, 50, 0), AcGePoint3d(10, 20, 0),
                                    AcGePoint3d(30.3, 30.3, 0), AcGePoint3d(25, 40, 0)};
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(lines[i].first.isEqualTo(expected[i])) << "line " << i;
        EXPECT_TRUE(lines[i].second.isEqualTo(expected[i + 1])) << "line " << i;
    }
}

TEST(OsnapVemcad, ScriptsSnapWhereTheyNameASnapAndRefuseInfinitePoints)
{
    ScratchDir dir;
    VemcadRun run = runVemcad(dir,
                              "LINE\n46,34\n76,34\n\n"
                              "LINE\n60,20\n60,50\n\n"
                              "SETVAR\nOSMODE\n1\n"
                              "LINE\nEND 75.8,34.1\n@0,10\n\n"
                              "LINE\nINT 60.5,34.5\n@5,0\n\n"
                              "LINE\n75.8,34.1\n@1,0\n\n"
                              "LINE\n1e308,0\n@1e308,0\n^C\n"
                              "LIST\nALL\n\n",
                              "--no-modules");
    ASSERT_EQ(run.status, 0) << run.out;
    for (const char* expected : {"from point, X=76.0000  Y=34.0000", "to point, X=76.0000  Y=44.0000",
                                 "from point, X=60.0000  Y=34.0000", "from point, X=75.8000  Y=34.1000",
                                 "Specify next point: @1e308,0\nInvalid point.\nSpecify next point: *Cancel*",
                                 "5 found"})
        EXPECT_NE(run.out.find(expected), std::string::npos) << expected << "\n" << run.out;
}
