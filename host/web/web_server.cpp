// The requests: the page, the session's state, typed lines and picks, the view of the
// drawing, save and downloads. Anything that reads the drawing runs on the command
// thread as a job.
#include "web_server.h"

#include <httplib.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "coordinate_readout.h"
#include "drawing_view.h"
#include "dxf_writer.h"
#include "json_text.h"
#include "page_assets.h"
#include "plot.h"

namespace vemweb {

namespace {

constexpr size_t kMaxRequestBody = 64 * 1024;
const char kTokenHeader[] = "X-Vem-Token";

bool sameSecret(const std::string& a, const std::string& b)
{
    if (a.size() != b.size() || a.empty())
        return false;
    unsigned char diff = 0;
    for (size_t i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

// The page with its style and script put in place of their markers.
std::string pageText()
{
    std::string page = kPageHtml;
    auto put = [&page](const std::string& marker, const char* text) {
        const size_t at = page.find(marker);
        if (at != std::string::npos)
            page.replace(at, marker.size(), text);
    };
    put("/*vem-style*/", kPageStyle);
    put("/*vem-script*/", kPageScript);
    return page;
}

double numberParam(const httplib::Request& req, const char* name, double fallback)
{
    if (!req.has_param(name))
        return fallback;
    const std::string text = req.get_param_value(name);
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == 0 && std::isfinite(v) ? v : fallback;
}

// "x,y" or "x,y,pickbox": finite numbers, the pick box positive (0 when not given).
bool parsePick(const std::string& text, AcGePoint3d& point, double& pickBox)
{
    double values[3] = {0, 0, 0};
    const char* at = text.c_str();
    int count = 0;
    for (; count < 3; ++count) {
        char* end = nullptr;
        values[count] = std::strtod(at, &end);
        if (end == at || !std::isfinite(values[count]))
            return false;
        at = end;
        if (*at != ',')
            break;
        ++at;
    }
    if (*at != 0 || count == 0 || count == 3 || (count == 2 && values[2] <= 0))
        return false;
    point = AcGePoint3d(values[0], values[1], 0.0);
    pickBox = values[2];
    return true;
}

const char* requestName(vemhost::Request request)
{
    switch (request) {
    case vemhost::Request::kText: return "text";
    case vemhost::Request::kPoint: return "point";
    case vemhost::Request::kObject: return "object";
    case vemhost::Request::kSelection: return "selection";
    default: return "none";
    }
}

// The OSMODE bit's snap name, as the snap keywords spell it.
const char* snapName(unsigned modeBit)
{
    static const struct {
        unsigned bit;
        const char* name;
    } kNames[] = {{0x1, "END"}, {0x2, "MID"},  {0x4, "CEN"},   {0x8, "NOD"},   {0x10, "QUA"},
                  {0x20, "INT"}, {0x40, "INS"}, {0x80, "PER"}, {0x100, "TAN"}, {0x200, "NEA"}};
    for (const auto& n : kNames)
        if (n.bit == modeBit)
            return n.name;
    return "";
}

void refuse(httplib::Response& res, int status, const std::string& message)
{
    res.status = status;
    res.set_content(message + "\n", "text/plain; charset=utf-8");
}

// The drawing's file name reduced to a safe download name with the extension.
std::string downloadName(const std::wstring& drawing, const std::string& extension)
{
    std::string name = vemhost::toUtf8(drawing);
    const size_t slash = name.find_last_of('/');
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_')
            c = '_';
    return (name.empty() ? std::string("drawing") : name) + "." + extension;
}

bool readWholeFile(const std::string& path, std::string& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    out = bytes.str();
    return true;
}

// Plots model space to a picture in a scratch folder and reads it back.
bool plotToBytes(AcDbDatabase* db, const std::string& extension, std::string& bytes, std::string& error)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp != nullptr && *tmp != 0 ? tmp : "/tmp") + "/vemcad-XXXXXX";
    if (::mkdtemp(&folder[0]) == nullptr) {
        error = "no scratch folder for the picture";
        return false;
    }
    const std::string path = folder + "/plot." + extension;
    vemio::PlotOptions options;
    const bool ok = vemio::plot(db, path, options, error) && readWholeFile(path, bytes);
    if (ok || error.empty())
        error = ok ? "" : "the picture cannot be read back";
    ::unlink(path.c_str());
    ::rmdir(folder.c_str());
    return ok;
}

}  // namespace

std::string randomToken()
{
    unsigned char bytes[16];
    FILE* f = std::fopen("/dev/urandom", "rb");
    if (f == nullptr)
        return "";
    const size_t n = std::fread(bytes, 1, sizeof bytes, f);
    std::fclose(f);
    if (n != sizeof bytes)
        return "";
    std::string token;
    char hex[3];
    for (unsigned char b : bytes) {
        std::snprintf(hex, sizeof hex, "%02x", b);
        token += hex;
    }
    return token;
}

WebServer::WebServer(vemcad::Session& session)
    : m_session(session), m_web(session), m_http(std::make_unique<httplib::Server>()), m_token(randomToken())
{
    m_http->set_payload_max_length(kMaxRequestBody);
    route();
}

WebServer::~WebServer() { stop(); }

std::string WebServer::address() const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + "/?token=" + m_token;
}

bool WebServer::bind(int port, std::string& message)
{
    if (m_token.empty()) {
        message = "no random token: /dev/urandom cannot be read";
        return false;
    }
    if (port < 0 || port > 65535) {
        message = "the port must be 0..65535";
        return false;
    }
    m_port = port == 0 ? m_http->bind_to_any_port("127.0.0.1") : (m_http->bind_to_port("127.0.0.1", port) ? port : -1);
    if (m_port <= 0) {
        message = "cannot listen on 127.0.0.1:" + std::to_string(port);
        return false;
    }
    return true;
}

bool WebServer::allowed(const std::string& host, const std::string& origin, const std::string& token) const
{
    const std::string port = std::to_string(m_port);
    if (host != "127.0.0.1:" + port && host != "localhost:" + port)
        return false;
    if (!origin.empty() && origin != "http://127.0.0.1:" + port && origin != "http://localhost:" + port)
        return false;
    return sameSecret(token, m_token);
}

void WebServer::route()
{
    using httplib::Request;
    using httplib::Response;
    m_http->set_pre_routing_handler([this](const Request& req, Response& res) {
        const std::string token =
            req.has_param("token") ? req.get_param_value("token") : req.get_header_value(kTokenHeader);
        if (allowed(req.get_header_value("Host"), req.get_header_value("Origin"), token))
            return httplib::Server::HandlerResponse::Unhandled;
        refuse(res, 403, "Forbidden");
        return httplib::Server::HandlerResponse::Handled;
    });

    m_http->Get("/", [](const Request&, Response& res) {
        res.set_header("Cache-Control", "no-store");
        res.set_content(pageText(), "text/html; charset=utf-8");
    });

    m_http->Get("/api/state", [this](const Request& req, Response& res) {
        const double since = numberParam(req, "since", 0);
        const WebSession::Snapshot s = m_web.snapshot(since > 0 ? size_t(since) : 0);
        std::string out = "{\"transcript\":";
        appendJsonString(out, s.transcript);
        out += ",\"start\":" + std::to_string(s.start) + ",\"end\":" + std::to_string(s.end) + ",\"prompt\":";
        appendJsonString(out, s.prompt);
        out += std::string(",\"waiting\":") + (s.waiting ? "true" : "false");
        out += std::string(",\"idle\":") + (s.atCommandPrompt ? "true" : "false");
        out += std::string(",\"request\":\"") + requestName(s.request) + "\"";
        out += std::string(",\"ended\":") + (m_web.ended() ? "true" : "false");
        out += ",\"zoom\":{\"serial\":" + std::to_string(s.view.serial);
        if (!s.view.extents) {
            out += ",\"window\":[";
            for (double v : {s.view.corner1.x, s.view.corner1.y, s.view.corner2.x, s.view.corner2.y}) {
                appendJsonNumber(out, v);
                out += ',';
            }
            out.back() = ']';
        }
        out += "}}";
        res.set_content(out, "application/json");
    });

    m_http->Post("/api/input", [this](const Request& req, Response& res) {
        std::string body = req.body;
        if (!body.empty() && body.back() == '\n')
            body.pop_back();
        if (body.find_first_of("\r\n") != std::string::npos)
            return refuse(res, 400, "one line at a time");
        m_web.typeLine(vemhost::fromUtf8(body));
        res.set_content("{}", "application/json");
    });

    m_http->Post("/api/pick", [this](const Request& req, Response& res) {
        AcGePoint3d point;
        double pickBox = 0;
        if (!parsePick(req.body, point, pickBox))
            return refuse(res, 400, "a pick is x,y or x,y,pickbox");
        m_web.pick(point, pickBox);
        res.set_content("{}", "application/json");
    });

    m_http->Get("/api/view", [this](const Request& req, Response& res) {
        ViewWindow window;
        window.minX = numberParam(req, "x0", window.minX);
        window.minY = numberParam(req, "y0", window.minY);
        window.maxX = numberParam(req, "x1", window.maxX);
        window.maxY = numberParam(req, "y1", window.maxY);
        // The view's size in pixels, when given, sets the level of detail.
        const double w = numberParam(req, "w", 0), h = numberParam(req, "h", 0);
        window.pixelWidth = w > 0 && w < 1e6 ? int(w) : 0;
        window.pixelHeight = h > 0 && h < 1e6 ? int(h) : 0;
        std::string out;
        if (!m_web.runOnCommandThread([&] { out = viewJson(m_session.db(), window, vemhost::waiting().selected); }))
            return refuse(res, 503, "the session has ended");
        res.set_content(out, "application/json");
    });

    // Under the cursor: the snap a click would take at a point request, and the
    // coordinates in the system followed, at the snapped point when there is one.
    m_http->Get("/api/cursor", [this](const Request& req, Response& res) {
        const double x = numberParam(req, "x", HUGE_VAL), y = numberParam(req, "y", HUGE_VAL);
        const double box = numberParam(req, "box", 0);
        if (!std::isfinite(x) || !std::isfinite(y))
            return refuse(res, 400, "the cursor is x and y");
        std::string out;
        if (!m_web.runOnCommandThread([&] { out = cursorJson(AcGePoint3d(x, y, 0), box); }))
            return refuse(res, 503, "the session has ended");
        res.set_content(out, "application/json");
    });

    m_http->Post("/api/save", [this](const Request&, Response& res) {
        if (!m_web.snapshot(0).atCommandPrompt)
            return refuse(res, 409, "a command is running");
        m_web.typeLine(L"SAVE");
        res.set_content("{}", "application/json");
    });

    m_http->Get("/api/download", [this](const Request& req, Response& res) {
        const std::string format = req.get_param_value("format");
        if (format != "dxf" && format != "png" && format != "pdf" && format != "scr")
            return refuse(res, 400, "format is dxf, png, pdf or scr");
        std::string bytes, error, name;
        bool ok = false;
        const bool ran = m_web.runOnCommandThread([&] {
            name = downloadName(m_session.drawingName(), format);
            if (format == "scr") {
                bytes = m_session.script().text();
                ok = true;
            } else {
                ok = format == "dxf" ? vemio::writeDxfToString(m_session.db(), bytes, error)
                                     : plotToBytes(m_session.db(), format, bytes, error);
            }
        });
        if (!ran)
            return refuse(res, 503, "the session has ended");
        if (!ok)
            return refuse(res, 500, "cannot write the " + format + ": " + error);
        const char* type = format == "dxf"   ? "application/dxf"
                           : format == "png" ? "image/png"
                           : format == "pdf" ? "application/pdf"
                                             : "text/plain; charset=utf-8";
        res.set_header("Content-Disposition", "attachment; filename=\"" + name + "\"");
        res.set_content(std::move(bytes), type);
    });
}

// Runs on the command thread.
std::string WebServer::cursorJson(const AcGePoint3d& cursor, double pickBox)
{
    if (pickBox > 0)
        vemhost::setPickBox(pickBox);
    AcGePoint3d at = cursor, snapped;
    unsigned modeBit = 0;
    std::string out = "{\"snap\":";
    if (vemhost::previewRunningSnap(cursor, snapped, modeBit)) {
        at = snapped;
        out += "{\"x\":";
        appendJsonNumber(out, snapped.x);
        out += ",\"y\":";
        appendJsonNumber(out, snapped.y);
        out += std::string(",\"mode\":\"") + snapName(modeBit) + "\"}";
    } else {
        out += "null";
    }
    out += ",\"readout\":";
    Readout readout;
    const AcDbObjectId system = m_readoutSystem.current(m_session.db(), m_web.generation());
    if (!system.isNull() && readoutAt(system, at, readout)) {
        out += '[';
        appendJsonString(out, readout.upper);
        out += ',';
        appendJsonString(out, readout.lower);
        out += ']';
    } else {
        out += "null";
    }
    return out + "}";
}

bool WebServer::endOnInterrupt(const std::function<bool()>& mayEnd)
{
    m_web.typeLine(L"^C");
    for (;;) {
        if (m_web.ended())
            return true;
        if (m_web.idle())
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    bool end = true;
    const bool ran = m_web.runOnCommandThread([&] {
        end = mayEnd();
        m_web.attach();
    });
    if (ran && !end)
        return false;
    m_web.stop();
    return true;
}

void WebServer::serve()
{
    m_web.start([this] { stopListening(); });
    m_http->listen_after_bind();
    m_listenDone = true;
    m_web.stop();
}

void WebServer::start()
{
    m_serveThread = std::thread([this] { serve(); });
}

// Stops the listening loop once it runs (stopping before it starts would be lost).
void WebServer::stopListening()
{
    while (!m_http->is_running() && !m_listenDone)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    m_http->stop();
}

void WebServer::stop()
{
    m_web.stop();
    if (m_serveThread.joinable()) {
        stopListening();
        m_serveThread.join();
    }
}

}  // namespace vemweb
