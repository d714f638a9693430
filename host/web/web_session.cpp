// The command thread and its input queue, jobs and transcript.
#include "web_session.h"

namespace vemweb {

namespace {
const char kCommandPrompt[] = "Command: ";
// The transcript keeps the last mebibyte or so (whole lines): the page shows the end
// of a long session, and a listing of a large drawing does not grow the server.
constexpr size_t kTranscriptKept = size_t(1) << 20;
constexpr size_t kTranscriptSlack = kTranscriptKept / 4;  // dropped in steps, not per line

// Where to cut so that about `kept` bytes remain, starting a line (or, in one longer
// line, a character).
size_t cutFor(const std::string& text, size_t kept)
{
    size_t cut = text.size() - kept;
    const size_t newline = text.find('\n', cut);
    if (newline != std::string::npos)
        return newline + 1;
    while (cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        ++cut;
    return cut;
}
}  // namespace

WebSession::WebSession(vemcad::Session& session) : m_session(session)
{
    vemhost::setOutputSink([this](const std::string& utf8) { appendOutput(utf8); });
}

void WebSession::attach()
{
    vemhost::setInputProvider(this);
    vemhost::setEchoAnswers(true);
    vemhost::setOutputSink([this](const std::string& utf8) { appendOutput(utf8); });
}

WebSession::~WebSession()
{
    stop();
    vemhost::setOutputSink(nullptr);
}

void WebSession::appendOutput(const std::string& utf8)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_transcript += utf8;
    if (m_transcript.size() > kTranscriptKept + kTranscriptSlack) {
        const size_t cut = cutFor(m_transcript, kTranscriptKept);
        m_transcript.erase(0, cut);
        m_dropped += cut;
    }
}

void WebSession::start(std::function<void()> onEnded)
{
    attach();
    m_thread = std::thread([this, onEnded = std::move(onEnded)] { commandLoop(onEnded); });
}

void WebSession::commandLoop(std::function<void()> onEnded)
{
    m_session.run();
    std::deque<std::packaged_task<void()>> abandoned;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ended = true;
        m_waiting = false;
        abandoned.swap(m_jobs);
    }
    abandoned.clear();  // their callers see a broken promise
    if (onEnded)
        onEnded();
}

void WebSession::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    std::lock_guard<std::mutex> join(m_joinMutex);
    if (m_thread.joinable()) {
        m_thread.join();
        vemhost::setInputProvider(nullptr);
    }
}

bool WebSession::ended() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_ended;
}

void WebSession::typeLine(const std::wstring& line)
{
    Queued queued;
    queued.input.line = line;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_inputs.push_back(std::move(queued));
    }
    m_wake.notify_all();
}

void WebSession::pick(const AcGePoint3d& point, double pickBox)
{
    Queued queued;
    queued.input.kind = vemhost::Input::kPick;
    queued.input.point = point;
    queued.pickBox = pickBox;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_inputs.push_back(std::move(queued));
    }
    m_wake.notify_all();
}

bool WebSession::runOnCommandThread(const std::function<void()>& job)
{
    std::future<void> done;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_ended || m_stopping)
            return false;
        m_jobs.emplace_back(job);
        done = m_jobs.back().get_future();
    }
    m_wake.notify_all();
    try {
        done.get();
        return true;
    } catch (const std::future_error&) {
        return false;
    }
}

WebSession::Snapshot WebSession::snapshot(size_t since) const
{
    Snapshot s;
    std::lock_guard<std::mutex> lock(m_mutex);
    s.end = m_dropped + m_transcript.size();
    if (since > s.end || since < m_dropped)
        since = m_dropped;  // a transcript of an earlier server, or read too long ago: send what is kept
    s.start = since;
    s.transcript = m_transcript.substr(since - m_dropped);
    const size_t newline = m_transcript.rfind('\n');
    s.prompt = newline == std::string::npos ? m_transcript : m_transcript.substr(newline + 1);
    s.waiting = m_waiting && m_inputs.empty() && m_jobs.empty();
    s.atCommandPrompt = m_waiting && s.prompt == kCommandPrompt;
    s.request = m_waiting ? m_request : vemhost::Request::kNone;
    s.view = m_view;
    return s;
}

bool WebSession::idle() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const size_t promptSize = sizeof kCommandPrompt - 1;
    return m_waiting && m_inputs.empty() && m_jobs.empty() && m_transcript.size() >= promptSize &&
           m_transcript.compare(m_transcript.size() - promptSize, promptSize, kCommandPrompt) == 0 &&
           (m_transcript.size() == promptSize || m_transcript[m_transcript.size() - promptSize - 1] == '\n');
}

bool WebSession::readLine(std::wstring& line)
{
    vemhost::Input input;
    for (;;) {
        if (!read(input))
            return false;
        if (input.kind == vemhost::Input::kLine) {
            line = std::move(input.line);
            return true;
        }
    }
}

// Waits for the next input, running the jobs handed over meanwhile.
bool WebSession::read(vemhost::Input& input)
{
    const vemhost::Request request = vemhost::waiting().request;
    ++m_generation;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_waiting = true;
    m_request = request;
    m_view = m_session.viewRequest();
    for (;;) {
        while (!m_jobs.empty()) {
            std::packaged_task<void()> job = std::move(m_jobs.front());
            m_jobs.pop_front();
            lock.unlock();
            job();
            lock.lock();
        }
        if (m_stopping) {
            m_waiting = false;
            return false;
        }
        if (!m_inputs.empty()) {
            Queued queued = std::move(m_inputs.front());
            m_inputs.pop_front();
            if (queued.pickBox > 0)
                vemhost::setPickBox(queued.pickBox);
            input = std::move(queued.input);
            m_waiting = false;
            return true;
        }
        m_wake.wait(lock);
    }
}

}  // namespace vemweb
