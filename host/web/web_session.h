// The browser's session engine: the vemcad session's command loop on its own thread
// (the command thread), fed with the lines and picks the page sends, its command
// window kept as a transcript, and the drawing reached only from the command thread
// through jobs run while the session waits for input.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>

#include "session.h"
#include "vemhost_program.h"

namespace vemweb {

class WebSession : public vemhost::InputProvider {
public:
    explicit WebSession(vemcad::Session& session);
    ~WebSession() override;
    WebSession(const WebSession&) = delete;
    WebSession& operator=(const WebSession&) = delete;

    // Makes the session's input and command window this session's again (the editor's
    // input provider, the output sink, answers echoed), after something else took them.
    void attach();

    // Starts the command thread; onEnded is called on it when the session has ended
    // (QUIT, or stop()).
    void start(std::function<void()> onEnded);
    // Ends the input (the session then ends as a script does at its end) and joins the
    // command thread.
    void stop();
    bool ended() const;

    // Input from the page: a typed line ("^C" cancels) or a pick at a world point with
    // the pick box (drawing units) that the page's zoom gives it, 0 to keep the last.
    void typeLine(const std::wstring& line);
    void pick(const AcGePoint3d& point, double pickBox);

    // Runs job on the command thread while the session waits for input and returns
    // when it has run; false when the session ended before it could run.
    bool runOnCommandThread(const std::function<void()>& job);

    struct Snapshot {
        std::string transcript;  // UTF-8, from the offset asked for or the oldest kept
        size_t start = 0;        // offset of its first byte
        size_t end = 0;          // offset just past it
        std::string prompt;      // the unfinished last line
        bool waiting = false;    // waiting for input, none queued
        bool atCommandPrompt = false;
        vemhost::Request request = vemhost::Request::kNone;  // what the waiting request takes
        vemcad::ViewRequest view;  // what ZOOM asked for last
    };
    // The transcript since byte offset `since` (from an earlier snapshot's end); only its
    // last mebibyte or so is kept.
    Snapshot snapshot(size_t since) const;
    // Waiting at the command prompt with no input queued.
    bool idle() const;

    // Counts the times the session began to wait for input: the drawing may have changed
    // between two different counts, never while one lasts. Command thread only.
    unsigned long generation() const { return m_generation; }

    bool readLine(std::wstring& line) override;
    bool read(vemhost::Input& input) override;

private:
    void appendOutput(const std::string& utf8);
    void commandLoop(std::function<void()> onEnded);

    vemcad::Session& m_session;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    struct Queued {
        vemhost::Input input;
        double pickBox = 0;
    };
    std::deque<Queued> m_inputs;
    std::deque<std::packaged_task<void()>> m_jobs;
    std::string m_transcript;
    size_t m_dropped = 0;  // bytes of the transcript no longer kept
    bool m_waiting = false;
    vemhost::Request m_request = vemhost::Request::kNone;
    vemcad::ViewRequest m_view;
    unsigned long m_generation = 0;
    bool m_stopping = false;
    bool m_ended = false;
    std::mutex m_joinMutex;  // stop() may be called from two threads at once
    std::thread m_thread;
};

}  // namespace vemweb
