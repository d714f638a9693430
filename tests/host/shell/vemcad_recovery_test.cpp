// vemcad killed (kill -9) in the middle of its work, then started again on the same
// drawing: the work of every command it finished comes back, that of the command it was
// in does not, and the offer, its Yes and its No behave as promised.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <vector>

#include "vemcad_runner.h"

namespace {

// vemcad in a directory, its standard input and output pipes of the test's: the test
// types answers and reads what vemcad prints.
class LiveVemcad {
public:
    LiveVemcad(const std::string& dir, const std::vector<std::string>& args)
    {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            return;
        std::vector<std::string> words{"vemcad"};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(&word[0]);
        argv.push_back(nullptr);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::dup2(out[1], 2);
            if (::chdir(dir.c_str()) == 0)
                ::execv(VEM_BIN_DIR "/vemcad", argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        m_in = in[1];
        m_out = out[0];
    }
    ~LiveVemcad()
    {
        if (m_pid > 0)
            killHard();
        if (m_in >= 0)
            ::close(m_in);
        if (m_out >= 0)
            ::close(m_out);
    }
    bool started() const { return m_pid > 0 && m_in >= 0; }
    const std::string& shown() const { return m_shown; }

    void type(const std::string& text) { ASSERT_EQ(::write(m_in, text.data(), text.size()), ssize_t(text.size())); }

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

    // Reads what vemcad prints for the time given.
    void readFor(std::chrono::milliseconds time)
    {
        const auto end = std::chrono::steady_clock::now() + time;
        while (std::chrono::steady_clock::now() < end && readSome()) {
        }
    }

    // Types each command and waits until vemcad asks for the next one.
    bool runCommands(const std::vector<std::string>& commands)
    {
        for (const std::string& command : commands) {
            type(command);
            if (!waitFor("Command: "))
                return false;
        }
        return true;
    }

    void killHard()
    {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    // What came within a tenth of a second; false once the output has ended.
    bool readSome()
    {
        struct pollfd p = {m_out, POLLIN, 0};
        if (::poll(&p, 1, 100) < 0)
            return false;
        if ((p.revents & (POLLIN | POLLHUP)) == 0)
            return true;
        char buf[4096];
        const ssize_t n = ::read(m_out, buf, sizeof buf);
        if (n > 0)
            m_shown.append(buf, size_t(n));
        return n > 0;
    }

    pid_t m_pid = -1;
    int m_in = -1;
    int m_out = -1;
    std::string m_shown;
    size_t m_seen = 0;
};

std::string offer(const std::string& name, int commands)
{
    return name + " has unsaved work from a session that ended unexpectedly (" + std::to_string(commands) +
           " commands). Recover it? [Yes/No] <Yes>: ";
}

// The lines LIST printed for the lines of the drawing: "from point ..." and "to point ...".
std::vector<std::string> listedLines(const std::string& out)
{
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        if (line.find(" point, X=") != std::string::npos)
            lines.push_back(line);
    return lines;
}

const std::vector<std::string> kThreeLines = {
    "LINE\n0,0\n10,0\n\n",
    "LINE\n0,5\n10,5\n\n",
    "LINE\n0,9\n10,9\n\n",
};

}  // namespace

TEST(VemcadRecovery, KillNineLosesOnlyTheCommandInProgress)
{
    ScratchDir dir;
    {
        LiveVemcad vemcad(dir.path(), {});
        ASSERT_TRUE(vemcad.started());
        ASSERT_TRUE(vemcad.waitFor("Command: "));
        ASSERT_TRUE(vemcad.runCommands(kThreeLines)) << vemcad.shown();
        ASSERT_TRUE(vemcad.runCommands({"U\n", "ERASE\n5,5\n\n"})) << vemcad.shown();
        vemcad.type("LINE\n50,50\n60,60\n");  // the command in progress, never finished
        ASSERT_TRUE(vemcad.waitFor("Specify next point: 60,60"));
        vemcad.killHard();
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"vemcad-unsaved-1.vemjournal"});

    const VemcadRun run = runVemcad(dir, "Yes\nLIST\nALL\n\nQUIT\nN\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find(offer("Drawing1.vdb", 5) + "Yes"), std::string::npos) << run.out;
    // Three lines, the last undone, the middle one erased: the first alone is left.
    EXPECT_EQ(listedLines(run.out), (std::vector<std::string>{"  from point, X=0.0000  Y=0.0000  Z=0.0000",
                                                                "  to point, X=10.0000  Y=0.0000  Z=0.0000"}))
        << run.out;
    EXPECT_NE(run.out.find("Save changes to Drawing1.vdb?"), std::string::npos) << "recovered work counts as unsaved";
    // A normal end removes the journal.
    EXPECT_EQ(dir.listing(), "run.scr\nstderr.txt\n");
}

TEST(VemcadRecovery, ASavedDrawingComesBackUnderItsNameAndNoDiscardsTheWork)
{
    ScratchDir dir;
    ASSERT_EQ(runVemcad(dir, "LINE\n0,0\n10,0\n\nSAVEAS\nplan.vdb\n").status, 0);
    // Each round saves one line more and loses or recovers the one after.
    size_t saved = 1;
    for (const char* answer : {"No", "Yes"}) {
        ++saved;
        {
            LiveVemcad vemcad(dir.path(), {"plan.vdb"});
            ASSERT_TRUE(vemcad.waitFor("Command: "));
            ASSERT_TRUE(vemcad.runCommands({"LINE\n0,5\n10,5\n\n", "SAVE\n", "LINE\n0,9\n10,9\n\n"}))
                << vemcad.shown();
            vemcad.killHard();
        }
        ASSERT_EQ(dir.listing(), "plan.bak\nplan.vdb\nplan.vdb.vemjournal\nrun.scr\nstderr.txt\n") << answer;
        // Only the command after the save is unsaved work.
        const VemcadRun run = runVemcad(dir, std::string(answer) + "\nLIST\nALL\n\nQUIT\nN\n", "plan.vdb");
        EXPECT_NE(run.out.find(offer("plan.vdb", 1) + answer), std::string::npos) << run.out;
        const size_t lines = std::string(answer) == "Yes" ? saved + 1 : saved;
        EXPECT_EQ(listedLines(run.out).size(), 2 * lines) << run.out;
        EXPECT_EQ(dir.listing(), "plan.bak\nplan.vdb\nrun.scr\nstderr.txt\n") << answer;
    }
}

// Killed at whatever moment, while it works through commands as fast as it can:
// recovered, the drawing is that after some command k (the lines of commands 1 .. k),
// k at least the commands vemcad had finished when it last asked for one.
TEST(VemcadRecovery, KilledAtAnyMomentTheDrawingIsThatAfterSomeFinishedCommand)
{
    const int kCommands = 2000;
    std::string commands;
    for (int i = 0; i < kCommands; ++i)
        commands += "LINE\n0," + std::to_string(i) + "\n10," + std::to_string(i) + "\n\n";
    for (int delayMs : {2, 10, 30, 60}) {
        ScratchDir dir;
        size_t finished = 0;
        {
            LiveVemcad vemcad(dir.path(), {});
            ASSERT_TRUE(vemcad.waitFor("Command: "));
            vemcad.type(commands);
            vemcad.readFor(std::chrono::milliseconds(delayMs));
            vemcad.killHard();
            for (size_t at = vemcad.shown().find("Command: "); at != std::string::npos;
                 at = vemcad.shown().find("Command: ", at + 1))
                ++finished;
            --finished;  // the first prompt came before any command
        }
        const VemcadRun run = runVemcad(dir, "Yes\nLIST\nALL\n\nQUIT\nN\n");
        std::vector<std::string> expected;
        size_t recovered = 0;
        const std::string offered = " has unsaved work from a session that ended unexpectedly (";
        const size_t at = run.out.find(offered);
        if (at != std::string::npos)
            recovered = std::stoul(run.out.substr(at + offered.size()));
        for (size_t i = 0; i < recovered; ++i) {
            expected.push_back("  from point, X=0.0000  Y=" + std::to_string(i) + ".0000  Z=0.0000");
            expected.push_back("  to point, X=10.0000  Y=" + std::to_string(i) + ".0000  Z=0.0000");
        }
        EXPECT_GE(recovered, finished) << "killed after " << delayMs << " ms";
        EXPECT_LE(recovered, size_t(kCommands));
        EXPECT_EQ(listedLines(run.out), expected) << "killed after " << delayMs << " ms";
    }
}

// A drawing opened from a DXF comes back from that DXF and the commands after it, and
// not at all once the DXF has changed.
TEST(VemcadRecovery, ADrawingOpenedFromDxfComesBackFromItsDxf)
{
    ScratchDir dir;
    ASSERT_EQ(runVemcad(dir, "LINE\n0,0\n10,0\n\nDXFOUT\nsite.dxf\nQUIT\nN\n").status, 0);
    for (const bool changeDxf : {false, true}) {
        {
            LiveVemcad vemcad(dir.path(), {"site.dxf"});
            ASSERT_TRUE(vemcad.waitFor("Command: "));
            ASSERT_TRUE(vemcad.runCommands({"LINE\n0,5\n10,5\n\n"})) << vemcad.shown();
            vemcad.killHard();
        }
        ASSERT_EQ(dir.entries(), (std::vector<std::string>{"run.scr", "site.dxf", "stderr.txt",
                                                           "vemcad-unsaved-1.vemjournal"}));
        if (changeDxf) {
            std::ofstream(dir.file("site.dxf"), std::ios::app) << "999\nchanged\n";
            const VemcadRun run = runVemcad(dir, "Yes\nQUIT\n");
            EXPECT_NE(run.out.find("Cannot recover Drawing1.vdb: the DXF file it was read from has changed on disk "
                                   "since. The unsaved work stays in vemcad-unsaved-1.vemjournal."),
                      std::string::npos)
                << run.out;
            continue;
        }
        const VemcadRun run = runVemcad(dir, "Yes\nLIST\nALL\n\nQUIT\nN\n");
        EXPECT_NE(run.out.find(offer("Drawing1.vdb", 1) + "Yes"), std::string::npos) << run.out;
        // The DXF's line and the one drawn after opening it.
        EXPECT_EQ(listedLines(run.out).size(), 4u) << run.out;
    }
}
