// vemcad's web server in the test process: the refusals that keep other users and web
// pages out, and the session driven through it as the page drives it (typed lines,
// picks with running snaps, cancel, undo, the view and a download).
#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

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
