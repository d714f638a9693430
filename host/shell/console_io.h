// Where vemcad's answers come from: a script file, the keyboard with line editing,
// or plain standard input; and the command window's way to the terminal.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "vemhost_program.h"

namespace vemcad {

// A script's lines: a line starting with ';' is a comment and is skipped.
class ScriptInput : public vemhost::InputProvider {
public:
    // False with a message when the file cannot be read, is not text (holds a NUL) or
    // is larger than a script can be (64 MiB).
    bool load(const std::string& path, std::string& message);
    bool readLine(std::wstring& line) override;
    bool atEnd() const;

private:
    std::string m_bytes;  // the script's UTF-8 text
    size_t m_next = 0;    // where the next line starts
};

// Lines from standard input; with a terminal, typed with line editing and history.
// At a terminal Ctrl-C and Esc cancel the answer being typed (the line given is "^C",
// as a script cancels) and Ctrl-C never ends the program; without one, Ctrl-C ends it
// as it ends any program that reads a pipe.
class ConsoleInput : public vemhost::InputProvider {
public:
    ConsoleInput();
    ~ConsoleInput() override;
    bool readLine(std::wstring& line) override;
    bool interactive() const { return m_interactive; }
    // False once standard input has really ended (a pipe at its end, a terminal gone);
    // Ctrl-D at a terminal ends one answer, not the input.
    bool open() const;

private:
    bool readTerminalLine(std::wstring& line);

    bool m_interactive;
    bool m_interruptsCaught = false;
    bool m_ended = false;
};

// Sends the command window to standard output. With line editing, the unfinished last
// line (the prompt) is held back and handed to the line editor as its prompt.
class ConsoleOutput {
public:
    explicit ConsoleOutput(bool holdPrompt);
    ~ConsoleOutput();
    void write(const std::string& utf8);
    std::string takePrompt();
    void flush();

private:
    bool m_holdPrompt;
    std::string m_pending;
};

ConsoleOutput* activeConsoleOutput();

}  // namespace vemcad
