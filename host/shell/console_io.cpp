// Script, keyboard and standard-input answer sources, and terminal output.
#include "console_io.h"

#include <readline/history.h>
#include <readline/readline.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

namespace vemcad {

namespace {
ConsoleOutput* g_output = nullptr;
const size_t kMaxScriptBytes = 64u << 20;  // a script larger than this is surely not one
const size_t kMaxLineChars = 1u << 20;
}  // namespace

ConsoleOutput* activeConsoleOutput() { return g_output; }

// ---- the terminal ----------------------------------------------------------------------
// Ctrl-C raises SIGINT (the terminal keeps it a signal); the handler only notes it and,
// the read being interrupted, the key reader hands readline the Ctrl-C key, which is
// bound to cancel the line. Esc alone (no key following within readline's key sequence
// timeout, so arrow keys still work) is bound to the same.

namespace {
volatile std::sig_atomic_t g_interrupted = 0;
bool g_cancelled = false;
bool g_terminalEnded = false;
const int kInterruptKey = 3;  // Ctrl-C

void noteInterrupt(int) { g_interrupted = 1; }

int readKey(FILE* stream)
{
    for (;;) {
        if (g_interrupted) {
            g_interrupted = 0;
            return kInterruptKey;
        }
        unsigned char c = 0;
        const ssize_t n = ::read(fileno(stream), &c, 1);
        if (n == 1)
            return c;
        if (n < 0 && errno == EINTR)
            continue;
        g_terminalEnded = true;
        return EOF;
    }
}

// Leaves the prompt on the screen without what was typed, for "*Cancel*" to follow it.
int cancelLine(int, int)
{
    g_cancelled = true;
    rl_replace_line("", 0);
    rl_redisplay();
    rl_done = 1;
    return 0;
}

void catchInterrupts()
{
    struct sigaction action = {};
    action.sa_handler = noteInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no restart: the waiting read returns, so the key is seen now
    ::sigaction(SIGINT, &action, nullptr);
    rl_catch_signals = 0;
    rl_getc_function = readKey;
    rl_bind_key(kInterruptKey, cancelLine);
    rl_bind_keyseq("\\e", cancelLine);
}
}  // namespace

// Read in pieces, so that a file that never ends (a device) is refused at the limit or
// at its first NUL byte rather than read on. The text is kept as it is and taken apart
// line by line as the lines are asked for: a script of many short lines costs no more
// memory than its size.
bool ScriptInput::load(const std::string& path, std::string& message)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        message = "cannot open script " + path;
        return false;
    }
    std::string bytes;
    char piece[1 << 16];
    for (;;) {
        in.read(piece, sizeof piece);
        const std::streamsize n = in.gcount();
        if (n <= 0)
            break;
        if (std::memchr(piece, 0, size_t(n)) != nullptr) {
            message = "script " + path + " is not a text file";
            return false;
        }
        if (bytes.size() + size_t(n) > kMaxScriptBytes) {
            message = "script " + path + " is too large";
            return false;
        }
        bytes.append(piece, size_t(n));
    }
    if (in.bad()) {
        message = "cannot read script " + path;
        return false;
    }
    m_bytes = std::move(bytes);
    m_next = m_bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    return true;
}

bool ScriptInput::atEnd() const { return m_next >= m_bytes.size(); }

// The next line that is no comment.
bool ScriptInput::readLine(std::wstring& line)
{
    while (m_next < m_bytes.size()) {
        size_t end = m_bytes.find('\n', m_next);
        if (end == std::string::npos)
            end = m_bytes.size();
        size_t stop = end;
        if (stop > m_next && m_bytes[stop - 1] == '\r')
            --stop;
        const size_t start = m_next;
        m_next = end + 1;
        if (stop > start && m_bytes[start] == ';')
            continue;
        line = vemhost::fromUtf8(m_bytes.substr(start, stop - start));
        return true;
    }
    return false;
}

ConsoleInput::ConsoleInput() : m_interactive(::isatty(0) && ::isatty(1)) {}

ConsoleInput::~ConsoleInput()
{
    if (m_interruptsCaught)
        std::signal(SIGINT, SIG_DFL);
}

bool ConsoleInput::open() const { return m_interactive ? !g_terminalEnded : !m_ended; }

// An interrupt while no answer was asked for (a command running) cancels nothing.
bool ConsoleInput::readTerminalLine(std::wstring& line)
{
    catchInterrupts();  // each time: a program serving a page keeps its own between answers
    m_interruptsCaught = true;
    g_interrupted = 0;
    g_cancelled = false;
    std::string prompt = g_output ? g_output->takePrompt() : std::string();
    char* text = ::readline(prompt.c_str());
    if (text == nullptr)
        return false;
    std::string utf8(text);
    std::free(text);
    if (g_cancelled) {
        line = L"^C";
        return true;
    }
    if (!utf8.empty())
        ::add_history(utf8.c_str());
    line = vemhost::fromUtf8(utf8.substr(0, kMaxLineChars));
    return true;
}

bool ConsoleInput::readLine(std::wstring& line)
{
    if (m_interactive)
        return readTerminalLine(line);
    if (g_output)
        g_output->flush();
    std::string utf8;
    if (!std::getline(std::cin, utf8)) {
        m_ended = true;
        return false;
    }
    if (utf8.size() > kMaxLineChars)
        utf8.resize(kMaxLineChars);
    if (utf8.find('\0') != std::string::npos) {
        // A file name would end at the NUL and name another file: the answer is refused
        // as a script holding one is, and the prompt cancelled.
        vemhost::printPlain(L"\nAn answer holding a NUL character is refused.");
        line = L"^C";
        return true;
    }
    line = vemhost::fromUtf8(utf8);
    // Without a terminal nothing shows what was typed: echo it as a script run does.
    vemhost::printPlain(line);
    return true;
}

ConsoleOutput::ConsoleOutput(bool holdPrompt) : m_holdPrompt(holdPrompt)
{
    g_output = this;
    vemhost::setOutputSink([this](const std::string& utf8) { write(utf8); });
}

ConsoleOutput::~ConsoleOutput()
{
    flush();
    vemhost::setOutputSink(nullptr);
    if (g_output == this)
        g_output = nullptr;
}

void ConsoleOutput::write(const std::string& utf8)
{
    if (!m_holdPrompt) {
        std::fwrite(utf8.data(), 1, utf8.size(), stdout);
        return;
    }
    m_pending += utf8;
    size_t nl = m_pending.rfind('\n');
    if (nl != std::string::npos) {
        std::fwrite(m_pending.data(), 1, nl + 1, stdout);
        m_pending.erase(0, nl + 1);
        std::fflush(stdout);
    }
}

std::string ConsoleOutput::takePrompt()
{
    std::fflush(stdout);
    std::string prompt;
    prompt.swap(m_pending);
    return prompt;
}

void ConsoleOutput::flush()
{
    if (!m_pending.empty())
        std::fwrite(m_pending.data(), 1, m_pending.size(), stdout);
    m_pending.clear();
    std::fflush(stdout);
}

}  // namespace vemcad
