// vemcad's web server in the test process: the refusals that keep other users and web
// pages out, and the session driven through it as the page drives it (typed lines,
// picks with running snaps, cancel, undo, the view and a download).
#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "../shell/vemcad_runner.h"
#include "session.h"
#include "vemhost_program.h"
#include "vemhost_testing.h"
#include "web_server.h"

#ifndef VEM_BIN_DIR
#error "VEM_BIN_DIR must name the directory of the built modules"
#endif

namespace {

class WebServerTest : public testing::Test {
protected:
    void SetUp() override
    {
        vemhost::testing::resetForTest();
        m_session = std::make_unique<vemcad::Session>(VEM_BIN_DIR);
        m_server = std::make_unique<vemweb::WebServer>(*m_session);
        std::string message;
        ASSERT_TRUE(m_server->bind(0, message)) << message;
        m_server->start();
        m_client = std::make_unique<httplib::Client>("127.0.0.1", m_server->port());
        m_client->set_default_headers({{"X-Vem-Token", m_server->token()}});
    }

    void TearDown() override
    {
        m_client.reset();
        m_server.reset();
        m_session.reset();
        vemhost::setOsmode(vemhost::kDefaultOsmode);
        vemhost::testing::resetForTest();
    }

    int status(const std::string& path, const httplib::Headers& headers)
    {
        httplib::Client bare("127.0.0.1", m_server->port());
        auto res = bare.Get(path, headers);
        return res ? res->status : -1;
    }

    // Sends lines (or picks, "x,y") and waits until the session waits for input again;
    // returns the state then.
    std::string send(std::initializer_list<std::string> inputs, const char* path = "/api/input")
    {
        for (const std::string& input : inputs) {
            auto res = m_client->Post(path, input, "text/plain");
            EXPECT_TRUE(res && res->status == 200) << input;
        }
        return waitForInput();
    }

    std::string waitForInput()
    {
        for (int i = 0; i < 500; ++i) {
            auto res = m_client->Get("/api/state");
            if (res && res->body.find("\"waiting\":true") != std::string::npos)
                return res->body;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ADD_FAILURE() << "the session does not wait for input";
        return "";
    }

    std::string view(const std::string& query = "")
    {
        auto res = m_client->Get("/api/view" + query);
        return res && res->status == 200 ? res->body : "";
    }

    std::unique_ptr<vemcad::Session> m_session;
    std::unique_ptr<vemweb::WebServer> m_server;
    std::unique_ptr<httplib::Client> m_client;
};

}  // namespace

TEST_F(WebServerTest, RefusesRequestsWithoutTheTokenOrFromAnotherHostOrOrigin)
{
    const std::string token = m_server->token();
    const std::string port = std::to_string(m_server->port());
    EXPECT_EQ(token.size(), 32u);
    EXPECT_EQ(m_server->address(), "http://127.0.0.1:" + port + "/?token=" + token);

    struct Case {
        std::string path;
        httplib::Headers headers;
        int expected;
    };
    std::string wrong = token;
    wrong[0] = wrong[0] == '0' ? '1' : '0';
    const Case cases[] = {
        {"/", {}, 403},
        {"/api/state", {}, 403},
        {"/?token=" + wrong, {}, 403},
        {"/api/state", {{"X-Vem-Token", wrong}}, 403},
        {"/api/state", {{"X-Vem-Token", ""}}, 403},
        {"/?token=" + token, {}, 200},
        {"/api/state", {{"X-Vem-Token", token}}, 200},
        // DNS rebinding: a name of the attacker's that resolves to 127.0.0.1.
        {"/?token=" + token, {{"Host", "evil.example:" + port}}, 403},
        {"/?token=" + token, {{"Host", "127.0.0.1"}}, 403},
        {"/?token=" + token, {{"Host", "localhost:" + port}}, 200},
        {"/api/state?token=" + token, {{"Origin", "http://evil.example"}}, 403},
        {"/api/state?token=" + token, {{"Origin", "http://127.0.0.1:" + port}}, 200},
        {"/api/state?token=" + token, {{"Origin", "http://localhost:" + port}}, 200},
    };
    for (const Case& c : cases) {
        std::string shown = c.path;
        for (const auto& h : c.headers)
            shown += " " + h.first + ": " + h.second;
        EXPECT_EQ(status(c.path, c.headers), c.expected) << shown;
    }
    // A refused request does nothing: the line is not typed.
    httplib::Client stranger("127.0.0.1", m_server->port());
    auto refused = stranger.Post("/api/input", "LINE", "text/plain");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 403);
    EXPECT_EQ(waitForInput().find("LINE"), std::string::npos);

    // The page carries its script and style, with nothing to fetch from elsewhere.
    auto page = m_client->Get("/");
    ASSERT_TRUE(page);
    EXPECT_NE(page->body.find("X-Vem-Token"), std::string::npos);
    EXPECT_EQ(page->body.find("vem-script"), std::string::npos);
    EXPECT_EQ(page->body.find("http"), std::string::npos);
}

TEST_F(WebServerTest, TypedLinesRunCommandsAndTheViewShowsWhatTheyDrew)
{
    const std::string state = send({"LINE", "0,0", "10,5", ""});
    EXPECT_NE(state.find("Command: LINE\\u000aSpecify first point: 0,0\\u000aSpecify next point: 10,5"),
              std::string::npos)
        << state;
    EXPECT_NE(state.find("\"prompt\":\"Command: \",\"waiting\":true,\"idle\":true"), std::string::npos) << state;

    EXPECT_NE(view().find("\"extents\":[0,0,10,5],\"items\":[{\"k\":\"l\",\"c\":\"#ffffff\",\"p\":[0,0,10,5]}]"),
              std::string::npos)
        << view();
    // A window elsewhere holds none of it; the extents stay those of the drawing.
    EXPECT_NE(view("?x0=20&y0=20&x1=30&y1=30").find("\"extents\":[0,0,10,5],\"items\":[]"), std::string::npos);

    // The transcript is sent from where the page has read it.
    auto since = m_client->Get("/api/state?since=1000000");
    ASSERT_TRUE(since);
    EXPECT_NE(since->body.find("Command: LINE"), std::string::npos) << "an offset past the end sends it whole";

    send({"U"});
    EXPECT_NE(view().find("\"extents\":null,\"items\":[]"), std::string::npos) << view();
    send({"REDO"});
    EXPECT_NE(view().find("\"p\":[0,0,10,5]"), std::string::npos) << view();

    // A drag in the view comes as a typed window: one line, three answers. A window
    // that holds only part of the line selects nothing; a crossing one takes it.
    send({"ERASE", "W -1,-1 5,6", ""});
    EXPECT_NE(view().find("\"p\":[0,0,10,5]"), std::string::npos) << view();
    send({"ERASE", "C 5,6 -1,-1", ""});
    EXPECT_NE(view().find("\"items\":[]"), std::string::npos) << view();
    send({"U"});

    auto dxf = m_client->Get("/api/download?format=dxf");
    ASSERT_TRUE(dxf);
    EXPECT_EQ(dxf->status, 200);
    EXPECT_NE(dxf->body.find("LINE"), std::string::npos);
    EXPECT_NE(dxf->get_header_value("Content-Disposition").find("Drawing1.dxf"), std::string::npos);
    auto png = m_client->Get("/api/download?format=png");
    ASSERT_TRUE(png);
    EXPECT_EQ(png->body.substr(0, 4), "\x89PNG");
    auto bad = m_client->Get("/api/download?format=exe");
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->status, 400);
}

TEST_F(WebServerTest, PicksSnapAtPointPromptsAndEscapeCancels)
{
    send({"SETVAR", "OSMODE", "1", "LINE", "0,0", "10,0", ""});
    // A pick near the line's end snaps to it; a typed point never snaps.
    send({"LINE"});
    send({"10.4,0.3,1"}, "/api/pick");
    send({"20,20", ""});
    EXPECT_NE(view().find("\"p\":[10,0,20,20]"), std::string::npos) << view();
    // Out of the pick box the pick is taken where it is.
    send({"LINE"});
    send({"10.4,0.3,0.1"}, "/api/pick");
    send({"20,20", ""});
    EXPECT_NE(view().find("\"p\":[10.4,0.3,20,20]"), std::string::npos) << view();

    // Bad picks are refused before they reach the session.
    for (const char* bad : {"", "1", "1,", "x,2", "1,2,0", "1,2,-1", "1,2,3,4", "nan,1", "1,2 "}) {
        auto res = m_client->Post("/api/pick", bad, "text/plain");
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 400) << bad;
    }

    const std::string before = view();
    const std::string state = send({"LINE", "5,5", "^C"});
    EXPECT_NE(state.find("Specify next point: *Cancel*"), std::string::npos) << state;
    EXPECT_NE(state.find("\"idle\":true"), std::string::npos) << state;
    EXPECT_EQ(view(), before);
}

TEST_F(WebServerTest, TheCursorShowsTheSnapAClickWouldTakeAndTheCoordinatesOfTheSystemFollowed)
{
    auto cursor = [this](const std::string& query) {
        auto res = m_client->Get("/api/cursor?" + query);
        return res && res->status == 200 ? res->body : "failed";
    };
    EXPECT_EQ(cursor("x=1&y=1"), "{\"snap\":null,\"readout\":null}") << "no system yet";
    EXPECT_EQ(cursor("x=1"), "failed");
    EXPECT_EQ(cursor("x=nan&y=1"), "failed");

    send({"ARX", "L", "VEMD", "ARX", "L", "VEMA"});
    send({"SETVAR", "OSMODE", "1", "LINE", "0,0", "10,0", ""});
    send({"EORI", "-30,-30", "X", "U", "3000", "Y", "R", "5000", "500", "1", "3"});
    // At the command prompt nothing snaps; the values are those of the system made last,
    // written as its labels write them.
    EXPECT_EQ(cursor("x=20&y=20&box=1"), "{\"snap\":null,\"readout\":[\"X=28000.000\",\"Y=30000.000\"]}");

    // At a point request a pick near the line's end would snap there: the marker and
    // the values are the snapped point's.
    std::string state = send({"LINE"});
    EXPECT_NE(state.find("\"request\":\"point\""), std::string::npos) << state;
    EXPECT_EQ(cursor("x=10.4&y=0.3&box=1"),
              "{\"snap\":{\"x\":10,\"y\":0,\"mode\":\"END\"},\"readout\":[\"X=18000.000\",\"Y=25000.000\"]}");
    EXPECT_EQ(cursor("x=10.4&y=0.3&box=0.1"), "{\"snap\":null,\"readout\":[\"X=18150.000\",\"Y=25200.000\"]}");
    send({"^C"});

    // A second system, made later, is followed until the first is picked again.
    send({"EORI", "100,100", "A", "U", "0", "B", "R", "0", "1", "1", "1"});
    EXPECT_EQ(cursor("x=101&y=102"), "{\"snap\":null,\"readout\":[\"A=2.0\",\"B=1.0\"]}");
    state = send({"ERASE"});
    EXPECT_NE(state.find("\"request\":\"selection\""), std::string::npos) << state;
    send({"-30,-25,1"}, "/api/pick");
    send({"^C"});
    EXPECT_EQ(cursor("x=101&y=102"), "{\"snap\":null,\"readout\":[\"X=69000.000\",\"Y=70500.000\"]}");
    // Undone, both systems are gone.
    send({"U", "U"});
    EXPECT_EQ(cursor("x=101&y=102"), "{\"snap\":null,\"readout\":null}") << "both systems undone";
}

TEST_F(WebServerTest, ASessionKeptAsAScriptReplaysToTheSameDrawing)
{
    ScratchDir dir("vem_scriptout");
    const auto pick = [this](const std::string& at) { send({at}, "/api/pick"); };
    send({"ARX", "L", "VEMD", "ARX", "L", "VEMA", "SETVAR", "OSMODE", "1"});
    send({"LINE", "0,0", "10,0", ""});
    // A line from the first one's end (a pick that snaps) to a point no snap reaches.
    send({"LINE"});
    pick("10.3,0.2,1");
    pick("20.05,5.1,1");
    send({""});
    send({"EORI", "-30,-30", "X", "U", "3000", "Y", "R", "5000", "500", "1", "3"});
    // A point label: the system picked, the point snapped to the first line's start.
    send({"ECOP"});
    pick("-30,-25,1");
    pick("0.2,-0.3,1");
    pick("4,3,1");
    send({""});
    // The second line erased by a pick with a larger pick box, then a window of the
    // label, undone once.
    send({"ERASE"});
    pick("18,4.1,2");
    send({""});
    send({"ERASE", "W -1,-1 30,10", "", "U"});
    const std::string state = send({"SCRIPTOUT", dir.file("session")});
    EXPECT_NE(state.find("Wrote " + dir.file("session.scr")), std::string::npos) << state;
    send({"DXFOUT", dir.file("browser.dxf")});

    const std::string script = readFile(dir.file("session.scr"));
    auto download = m_client->Get("/api/download?format=scr");
    ASSERT_TRUE(download);
    EXPECT_EQ(download->body, script + "DXFOUT\n" + dir.file("browser.dxf") + "\n")
        << "the page's Script button gives the same, with the commands since";
    EXPECT_NE(script.find("LINE\n10,0\n20.05,5.1\n\n"), std::string::npos) << script;
    EXPECT_NE(script.find("ECOP\n-30,-25\n0,0\n4,3\n\n"), std::string::npos) << script;
    EXPECT_NE(script.find("SETVAR\nPICKBOX\n2\nERASE\n18,4.1\n\n"), std::string::npos) << script;
    EXPECT_EQ(script.find("SCRIPTOUT"), std::string::npos) << "the command that writes it is not in it";

    const VemcadRun replay =
        runVemcad(dir, script + "DXFOUT\n" + dir.file("replayed.dxf") + "\n", "--no-modules");
    EXPECT_EQ(replay.status, 0) << replay.out;
    const std::string browser = readFile(dir.file("browser.dxf"));
    EXPECT_NE(browser.find("X=18000.000"), std::string::npos) << "the label is kept";
    EXPECT_EQ(readFile(dir.file("replayed.dxf")), browser) << replay.out;
}

TEST_F(WebServerTest, TheTranscriptKeepsTheEndOfALongSessionInWholeLines)
{
    // Each unknown 60,000-character command is echoed and named again: 2.4 MB in all.
    const std::string name(60000, 'Q');
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(m_client->Post("/api/input", name, "text/plain"));
    send({"LINE", "^C"});
    auto res = m_client->Get("/api/state?since=0");
    ASSERT_TRUE(res);
    const std::string& body = res->body;
    const size_t start = std::stoul(body.substr(body.find("\"start\":") + 8));
    const size_t end = std::stoul(body.substr(body.find("\"end\":") + 6));
    EXPECT_GT(end, 2400000u);
    EXPECT_GT(start, 0u) << "the oldest output is no longer kept";
    EXPECT_LE(end - start, (1u << 20) + (1u << 18));
    const bool startsALine = body.compare(0, 24, "{\"transcript\":\"Command: ") == 0 ||
                             body.compare(0, 31, "{\"transcript\":\"Unknown command ") == 0;
    EXPECT_TRUE(startsALine) << body.substr(0, 40);
    EXPECT_NE(body.find("Specify first point: *Cancel*"), std::string::npos);
    // From where a page has read, only what is new.
    auto since = m_client->Get("/api/state?since=" + std::to_string(end));
    ASSERT_TRUE(since);
    EXPECT_EQ(since->body.compare(0, 16, "{\"transcript\":\"\""), 0) << since->body.substr(0, 60);
}

TEST_F(WebServerTest, ZoomTellsThePageWhatToShow)
{
    EXPECT_NE(waitForInput().find("\"zoom\":{\"serial\":0}"), std::string::npos);
    EXPECT_NE(send({"ZOOM", "W", "0,0", "10,5"}).find("\"zoom\":{\"serial\":1,\"window\":[0,0,10,5]}"),
              std::string::npos);
    EXPECT_NE(send({"ZOOM", "-1,-2", "3,4"}).find("\"zoom\":{\"serial\":2,\"window\":[-1,-2,3,4]}"),
              std::string::npos);
    EXPECT_NE(send({"ZOOM", "E"}).find("\"zoom\":{\"serial\":3}"), std::string::npos);
    EXPECT_NE(send({"ZOOM", ""}).find("\"zoom\":{\"serial\":4}"), std::string::npos);
    // A cancelled ZOOM asks for nothing.
    const std::string state = send({"ZOOM", "W", "0,0", "^C"});
    EXPECT_NE(state.find("\"zoom\":{\"serial\":4}"), std::string::npos) << state;
}

TEST_F(WebServerTest, TheObjectsSelectedSoFarAreDrawnAgainToBeHighlighted)
{
    send({"LINE", "0,0", "10,0", "", "LINE", "0,5", "10,5", ""});
    EXPECT_NE(view().find("\"highlight\":[]"), std::string::npos) << view();
    send({"ERASE"});
    send({"5,0.2,1"}, "/api/pick");
    const std::string selecting = view();
    EXPECT_NE(selecting.find("\"highlight\":[{\"k\":\"l\",\"c\":\"#ffffff\",\"p\":[0,0,10,0]}]"), std::string::npos)
        << selecting;
    send({"W -1,4 11,6"});
    EXPECT_NE(view().find("\"highlight\":[{\"k\":\"l\",\"c\":\"#ffffff\",\"p\":[0,0,10,0]},{\"k\":\"l\",\"c\":\"#ffffff\","
                          "\"p\":[0,5,10,5]}]"),
              std::string::npos)
        << view();
    // Once the selection ends (here cancelled), nothing is highlighted.
    send({"^C"});
    EXPECT_NE(view().find("\"highlight\":[]"), std::string::npos) << view();
}
