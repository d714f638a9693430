// Script, keyboard and standard-input answer sources, and terminal output.
#include "console_io.h"

#include <readline/history.h>
#include <readline/readline.h>
#include <unistd.h>

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

bool ScriptInput::load(const std::string& path, std::string& message)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        message = "cannot open script " + path;
        return false;
    }
    std::ostringstream buf;
    buf << in.rdbuf();
    std::string bytes = buf.str();
    if (bytes.size() > kMaxScriptBytes) {
        message = "script " + path + " is too large";
        return false;
    }
    if (bytes.find('\0') != std::string::npos) {
        message = "script " + path + " is not a text file";
        return false;
    }
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        bytes.erase(0, 3);
    std::istringstream lines(bytes);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == ';')
            continue;
        m_lines.push_back(vemhost::fromUtf8(line));
    }
    return true;
}

bool ScriptInput::readLine(std::wstring& line)
{
    if (m_next >= m_lines.size())
        return false;
    line = m_lines[m_next++];
    return true;
}

ConsoleInput::ConsoleInput() : m_interactive(::isatty(0) && ::isatty(1)) {}

ConsoleInput::~ConsoleInput() = default;

bool ConsoleInput::readLine(std::wstring& line)
{
    if (m_interactive) {
        std::string prompt = g_output ? g_output->takePrompt() : std::string();
        char* text = ::readline(prompt.c_str());
        if (text == nullptr)
            return false;
        std::string utf8(text);
        std::free(text);
        if (!utf8.empty())
            ::add_history(utf8.c_str());
        line = vemhost::fromUtf8(utf8.substr(0, kMaxLineChars));
        return true;
    }
    if (g_output)
        g_output->flush();
    std::string utf8;
    if (!std::getline(std::cin, utf8))
        return false;
    if (utf8.size() > kMaxLineChars)
        utf8.resize(kMaxLineChars);
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
