// vemcad's local web server: the page and its requests, on the loopback address only.
// Every request carries the session's random token (in the address printed, then sent
// by the page), and one whose Host or Origin is not the server's own is refused, so
// that neither another user of the machine nor another web page can drive the session.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "coordinate_readout.h"
#include "session.h"
#include "web_session.h"

namespace httplib {
class Server;
}

namespace vemweb {

class WebServer {
public:
    explicit WebServer(vemcad::Session& session);
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // Binds 127.0.0.1:port (0: a free port the system chooses); false with a message.
    bool bind(int port, std::string& message);
    int port() const { return m_port; }
    const std::string& token() const { return m_token; }
    // The address to open: http://127.0.0.1:PORT/?token=TOKEN
    std::string address() const;

    // Runs the session and serves until the session ends (QUIT) or stop().
    void serve();
    // serve() on a thread of its own.
    void start();
    // Ends the session and the serving, and joins their threads.
    void stop();
    // From another thread, on an interrupt: cancels the command running, waits until
    // the session is back at the command prompt, and asks mayEnd there (on the command
    // thread, the page's input set aside meanwhile). When it answers true, or the
    // session has ended already, the session ends and true is returned.
    bool endOnInterrupt(const std::function<bool()>& mayEnd);

private:
    void route();
    bool allowed(const std::string& host, const std::string& origin, const std::string& token) const;
    void stopListening();
    std::string cursorJson(const AcGePoint3d& cursor, double pickBox);

    vemcad::Session& m_session;
    WebSession m_web;
    ReadoutSystem m_readoutSystem;  // command thread only
    std::unique_ptr<httplib::Server> m_http;
    std::string m_token;
    int m_port = 0;
    std::atomic<bool> m_listenDone{false};
    std::thread m_serveThread;
};

// 128 random bits from /dev/urandom as 32 hex digits; empty when it cannot be read.
std::string randomToken();

}  // namespace vemweb
