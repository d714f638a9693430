// The command window: everything printed goes to standard output as UTF-8, or into
// a capture buffer that tests and the program read back.
#include <cstdio>
#include <string>

#include "AcString.h"
#include "acutads.h"
#include "vemhost_testing.h"

namespace {

struct CommandWindow {
    vemhost::OutputSink sink;
    bool capturing = false;
    std::string captured;
};

CommandWindow& window()
{
    static CommandWindow w;
    return w;
}

void emit(const std::wstring& text)
{
    CommandWindow& w = window();
    std::string utf8 = vemhost::toUtf8(text);
    if (w.capturing) {
        w.captured += utf8;
    } else if (w.sink) {
        w.sink(utf8);
    } else {
        std::fwrite(utf8.data(), 1, utf8.size(), stdout);
        std::fflush(stdout);
    }
}

}  // namespace

namespace vemhost {
void setOutputSink(OutputSink sink) { window().sink = std::move(sink); }
void startCapture()
{
    window().capturing = true;
    window().captured.clear();
}
std::string takeCaptured()
{
    std::string out;
    out.swap(window().captured);
    return out;
}
void stopCapture()
{
    window().capturing = false;
    window().captured.clear();
}
void printPlain(const std::wstring& text) { emit(text); }
}  // namespace vemhost

int acutPrintf(const ACHAR* format, ...)
{
    if (format == nullptr)
        return 0;
    va_list args;
    va_start(args, format);
    AcString text;
    text.formatV(format, args);
    va_end(args);
    emit(text.wstr());
    return int(text.length());
}
