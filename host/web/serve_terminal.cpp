// The interrupt is noted by its handler in a pipe (all a handler may safely do); a
// watcher thread reads the pipe and asks the server to end the session, which it does
// on the command thread once the command running is cancelled.
#include "serve_terminal.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <thread>

#include "web_server.h"

namespace vemweb {

namespace {

int g_interruptPipe[2] = {-1, -1};
constexpr char kInterrupted = 1;
constexpr char kServingEnded = 0;

void noteInterrupt(int)
{
    const int saved = errno;
    const char byte = kInterrupted;
    ssize_t ignored = ::write(g_interruptPipe[1], &byte, 1);
    (void)ignored;
    errno = saved;
}

void catchInterrupts()
{
    struct sigaction action = {};
    action.sa_handler = noteInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
}

void writeByte(char byte)
{
    while (::write(g_interruptPipe[1], &byte, 1) < 0 && errno == EINTR) {
    }
}

// The next byte, or kServingEnded when the pipe cannot be read.
char readByte()
{
    char byte = kServingEnded;
    while (::read(g_interruptPipe[0], &byte, 1) < 0) {
        if (errno != EINTR)
            return kServingEnded;
    }
    return byte;
}

// Drops interrupts noted while the question was asked: the terminal's line editor
// took those as cancelling the answer.
void drainInterrupts()
{
    const int flags = ::fcntl(g_interruptPipe[0], F_GETFL);
    ::fcntl(g_interruptPipe[0], F_SETFL, flags | O_NONBLOCK);
    char byte = kInterrupted;  // an empty pipe leaves it so: nothing to put back
    while (::read(g_interruptPipe[0], &byte, 1) == 1 && byte == kInterrupted) {
    }
    if (byte == kServingEnded)
        writeByte(kServingEnded);  // put back: the watcher must still see it
    ::fcntl(g_interruptPipe[0], F_SETFL, flags);
}

// On the command thread: whether the session may end now, after asking at the terminal.
bool mayEnd(vemcad::Session& session, vemcad::ConsoleInput& console, bool& warned)
{
    if (!session.isModified())
        return true;
    if (!console.interactive()) {
        if (warned)
            return true;
        warned = true;
        std::fputs("vemcad: the drawing has unsaved changes; QUIT in the browser offers to save them, "
                   "another interrupt ends vemcad without them\n",
                   stderr);
        return false;
    }
    vemhost::setInputProvider(&console);
    vemhost::setEchoAnswers(false);
    vemhost::setOutputSink([](const std::string& utf8) {
        if (vemcad::ConsoleOutput* out = vemcad::activeConsoleOutput())
            out->write(utf8);
    });
    const bool end = vemcad::offerToSave(session);
    if (vemcad::ConsoleOutput* out = vemcad::activeConsoleOutput()) {
        out->write("\n");
        out->flush();
    }
    return end;
}

}  // namespace

int serveFromTerminal(vemcad::Session& session, vemcad::ConsoleInput& console, int port)
{
    WebServer server(session);
    std::string message;
    if (!server.bind(port, message)) {
        std::fprintf(stderr, "vemcad: %s\n", message.c_str());
        return 1;
    }
    if (::pipe2(g_interruptPipe, O_CLOEXEC) != 0) {
        std::fprintf(stderr, "vemcad: no pipe for interrupts\n");
        return 1;
    }
    std::printf("\nvemcad serves the drawing at\n  %s\nOpen it in a browser; QUIT there, or Ctrl-C here, ends vemcad.\n",
                server.address().c_str());
    std::fflush(stdout);
    catchInterrupts();
    bool warned = false;
    std::thread watcher([&] {
        while (readByte() == kInterrupted) {
            const bool ended = server.endOnInterrupt([&] { return mayEnd(session, console, warned); });
            catchInterrupts();
            drainInterrupts();
            if (ended)
                return;
        }
    });
    server.serve();
    writeByte(kServingEnded);
    watcher.join();
    std::signal(SIGINT, SIG_DFL);
    ::close(g_interruptPipe[0]);
    ::close(g_interruptPipe[1]);
    g_interruptPipe[0] = g_interruptPipe[1] = -1;
    return 0;
}

}  // namespace vemweb
