// vemcad at a keyboard: the program runs on a pseudo-terminal and the test types keys,
// Ctrl-C, Esc and Ctrl-D among them, and reads what the terminal shows.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <httplib.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "vemcad_runner.h"

namespace {

// vemcad started on a new pseudo-terminal in a directory, with line editing and no
// personal settings of the line editor.
class Terminal {
public:
    explicit Terminal(const std::string& dir, const std::vector<std::string>& args = {})
    {
        std::vector<char*> argv;
        std::string program = "vemcad";
        argv.push_back(&program[0]);
        std::vector<std::string> words = args;
        for (std::string& word : words)
            argv.push_back(&word[0]);
        argv.push_back(nullptr);
        struct winsize size = {};
        size.ws_row = 40;
        size.ws_col = 200;
        m_pid = ::forkpty(&m_fd, nullptr, nullptr, &size);
        if (m_pid == 0) {
            ::setenv("TERM", "dumb", 1);
            ::setenv("INPUTRC", "/dev/null", 1);
            if (::chdir(dir.c_str()) == 0)
                ::execv(VEM_BIN_DIR "/vemcad", argv.data());
            ::_exit(127);
        }
    }
    ~Terminal()
    {
        if (m_pid > 0 && !m_exited) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool started() const { return m_pid > 0 && m_fd >= 0; }

    void type(const std::string& keys) { ASSERT_EQ(::write(m_fd, keys.data(), keys.size()), ssize_t(keys.size())); }

    // Reads until text shows after what earlier waits found; false after ten seconds.
    bool waitFor(const std::string& text)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (;;) {
            const size_t at = m_shown.find(text, m_seen);
            if (at != std::string::npos) {
                m_seen = at + text.size();
                return true;
            }
            if (std::chrono::steady_clock::now() > deadline || !readSome())
                return false;
        }
    }

    // The exit status once the program has ended by itself (within ten seconds), or -1.
    int exitStatus()
    {
        for (int i = 0; i < 1000; ++i) {
            readSome();
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_exited = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            ::usleep(10000);
        }
        return -1;
    }

    const std::string& shown() const { return m_shown; }

private:
    bool readSome()
    {
        struct pollfd p = {m_fd, POLLIN, 0};
        if (::poll(&p, 1, 100) < 0)
            return false;
        if ((p.revents & POLLIN) == 0)
            return (p.revents & (POLLHUP | POLLERR)) == 0;
        char buf[4096];
        const ssize_t n = ::read(m_fd, buf, sizeof buf);
        if (n <= 0)
            return false;
        m_shown.append(buf, size_t(n));
        return true;
    }

    pid_t m_pid = -1;
    int m_fd = -1;
    bool m_exited = false;
    std::string m_shown;
    size_t m_seen = 0;
};

}  // namespace

TEST(VemcadTerminal, CtrlCAndEscCancelTheAnswerAndNeverEndTheSession)
{
    ScratchDir dir;
    Terminal term(dir.path());
    ASSERT_TRUE(term.started());
    ASSERT_TRUE(term.waitFor("Command: ")) << term.shown();
    term.type("LINE\r");
    ASSERT_TRUE(term.waitFor("Specify first point: ")) << term.shown();
    term.type("12,3");
    ASSERT_TRUE(term.waitFor("12,3"));
    term.type("\x03");
    ASSERT_TRUE(term.waitFor("*Cancel*")) << term.shown();
    ASSERT_TRUE(term.waitFor("Command: ")) << term.shown();
    term.type("\x03");  // at the command prompt itself
    ASSERT_TRUE(term.waitFor("*Cancel*")) << term.shown();
    ASSERT_TRUE(term.waitFor("Command: ")) << term.shown();
    term.type("LINE\r");
    ASSERT_TRUE(term.waitFor("Specify first point: ")) << term.shown();
    term.type("\x1b");
    ASSERT_TRUE(term.waitFor("*Cancel*")) << term.shown();
    ASSERT_TRUE(term.waitFor("Command: ")) << term.shown();
    // The session goes on as before: a line is drawn, and typed answers still work.
    term.type("LINE\r0,0\r5,5\r\r");
    ASSERT_TRUE(term.waitFor("Specify next point: ")) << term.shown();
    ASSERT_TRUE(term.waitFor("Command: ")) << term.shown();
    term.type("LIST\rALL\r\r");
    ASSERT_TRUE(term.waitFor("to point, X=5.0000")) << term.shown();
    EXPECT_EQ(term.shown().find("12,3\r\n"), std::string::npos) << "a cancelled answer was taken";
    term.type("QUIT\rN\r");
    EXPECT_EQ(term.exitStatus(), 0) << term.shown();
}

TEST(VemcadTerminal, EndOfInputAtTheCommandPromptOffersToSaveUnsavedChanges)
{
    ScratchDir dir;
    {
        Terminal term(dir.path());
        ASSERT_TRUE(term.waitFor("Command: ")) << term.shown();
        term.type("\x04");  // nothing drawn: Ctrl-D ends the session at once
        EXPECT_EQ(term.exitStatus(), 0) << term.shown();
        EXPECT_EQ(term.shown().find("Save changes"), std::string::npos);
    }
    Terminal term(dir.path());
    ASSERT_TRUE(term.waitFor("Command: ")) << term.shown();
    term.type("LINE\r0,0\r5,5\r\r");
    ASSERT_TRUE(term.waitFor("Command: ")) << term.shown();
    const std::string question = "Save changes to Drawing1.vdb? [Yes/No/Cancel] <Yes>: ";
    // Cancel, and Ctrl-D at the question, go back to the command prompt.
    for (const char* answer : {"C\r", "\x04", "\x03"}) {
        term.type("\x04");
        ASSERT_TRUE(term.waitFor(question)) << term.shown();
        term.type(answer);
        ASSERT_TRUE(term.waitFor("Command: ")) << term.shown();
    }
    term.type("\x04");
    ASSERT_TRUE(term.waitFor(question)) << term.shown();
    term.type("\r");
    ASSERT_TRUE(term.waitFor("Enter file name: ")) << term.shown();
    term.type("typed.vdb\r");
    ASSERT_TRUE(term.waitFor("Saved typed.vdb.")) << term.shown();
    EXPECT_EQ(term.exitStatus(), 0) << term.shown();
    EXPECT_EQ(::access(dir.file("typed.vdb").c_str(), F_OK), 0);
}

TEST(VemcadTerminal, CtrlCWhileServingCancelsTheCommandAndOffersToSaveInTheTerminal)
{
    ScratchDir dir;
    Terminal term(dir.path(), {"--serve"});
    ASSERT_TRUE(term.started());
    ASSERT_TRUE(term.waitFor("http://127.0.0.1:")) << term.shown();
    ASSERT_TRUE(term.waitFor("\n")) << term.shown();
    const std::string& shown = term.shown();
    const size_t at = shown.find("http://127.0.0.1:") + 17;
    const int port = std::atoi(shown.c_str() + at);
    const size_t tokenAt = shown.find("token=", at) + 6;
    const std::string token = shown.substr(tokenAt, 32);
    httplib::Client page("127.0.0.1", port);
    page.set_default_headers({{"X-Vem-Token", token}});
    const auto waitUntil = [&page](const std::string& text) {
        for (int i = 0; i < 500; ++i) {
            auto res = page.Get("/api/state");
            if (res && res->body.find(text) != std::string::npos && res->body.find("\"waiting\":true") != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    };
    for (const char* line : {"LINE", "0,0", "10,0", "", "LINE", "5,5"})
        ASSERT_TRUE(page.Post("/api/input", line, "text/plain"));
    ASSERT_TRUE(waitUntil("Specify next point: \",")) << "a command waits in the page";

    // Ctrl-C cancels the command in the page, then asks in the terminal; Cancel goes on.
    term.type("\x03");
    ASSERT_TRUE(term.waitFor("Save changes to Drawing1.vdb? [Yes/No/Cancel] <Yes>: ")) << term.shown();
    term.type("C\r");
    ASSERT_TRUE(waitUntil("Specify next point: *Cancel*")) << "the command was cancelled";
    ASSERT_TRUE(page.Post("/api/input", "LINE 1,1 2,2 ", "text/plain"));
    ASSERT_TRUE(waitUntil("\"idle\":true")) << "the page drives the session again";

    // Asked again, Yes saves under a name typed in the terminal and vemcad ends.
    term.type("\x03");
    ASSERT_TRUE(term.waitFor("Save changes to Drawing1.vdb? [Yes/No/Cancel] <Yes>: ")) << term.shown();
    term.type("\r");
    ASSERT_TRUE(term.waitFor(": ")) << term.shown();
    term.type("kept.vdb\r");
    EXPECT_EQ(term.exitStatus(), 0) << term.shown();
    EXPECT_FALSE(readFile(dir.file("kept.vdb")).empty()) << term.shown();
}
