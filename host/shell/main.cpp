// vemcad: the command-line host. Loads the modules beside it, then runs commands typed
// at the keyboard or read from a script, or served to a browser, on a new or an
// existing drawing.
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cjk_outlines.h"
#include "console_io.h"
#include "session.h"
#include "vemhost_program.h"
#include "serve_terminal.h"

namespace {

const char kUsage[] =
    "usage: vemcad [--script FILE.scr | --serve [--port N]] [--no-commands] [--no-modules] [DRAWING.vdb | DRAWING.dxf]\n"
    "  --script FILE   run the commands of FILE, then exit\n"
    "  --serve         run the session in the browser: serve it on 127.0.0.1 and print\n"
    "                  the address to open\n"
    "  --port N        the port to serve on (default: a free one)\n"
    "  --no-commands   load only the entity module (VEMD)\n"
    "  --no-modules    load no module\n";

struct Options {
    std::string script;
    std::string drawing;
    bool serve = false;
    int port = 0;
    bool loadCommands = true;
    bool loadEntities = true;
};

bool parsePort(const char* text, int& port)
{
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != 0 || value < 0 || value > 65535)
        return false;
    port = int(value);
    return true;
}

bool parseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--script" && i + 1 < argc)
            options.script = argv[++i];
        else if (arg == "--serve")
            options.serve = true;
        else if (arg == "--port" && i + 1 < argc && parsePort(argv[i + 1], options.port))
            ++i;
        else if (arg == "--no-commands")
            options.loadCommands = false;
        else if (arg == "--no-modules")
            options.loadCommands = options.loadEntities = false;
        else if (arg == "--help" || arg == "-h")
            return false;
        else if (!arg.empty() && arg[0] != '-' && options.drawing.empty())
            options.drawing = arg;
        else
            return false;
    }
    return options.script.empty() || !options.serve;
}

std::string programDirectory()
{
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return ".";
    buf[n] = 0;
    std::string path(buf);
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

void loadModule(vemcad::Session& session, const char* name)
{
    std::string message;
    bool ok = session.modules().load(name, message);
    vemhost::printPlain(vemhost::fromUtf8("\n" + message));
    if (!ok)
        std::fprintf(stderr, "vemcad: %s\n", message.c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "C.UTF-8");
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    vemcad::ScriptInput script;
    std::string message;
    if (!options.script.empty() && !script.load(options.script, message)) {
        std::fprintf(stderr, "vemcad: %s\n", message.c_str());
        return 1;
    }
    if (!vemhost::strokeFontsFound())
        std::fprintf(stderr, "vemcad: stroke fonts not found (%s); texts are measured as squares\n",
                     vemhost::strokeFontSource().c_str());
    if (!acrt::CjkOutlines::shared().isLoaded())
        std::fprintf(stderr, "vemcad: CJK outline font not found (%s); Chinese characters are drawn as squares\n",
                     acrt::CjkOutlines::shared().sourcePath().c_str());

    vemcad::ConsoleInput console;
    bool interactive = options.script.empty() && console.interactive();
    vemcad::ConsoleOutput output(interactive);
    int status = 0;
    {
        vemcad::Session session(programDirectory());
        if (options.loadEntities)
            loadModule(session, "VEMD");
        if (options.loadCommands)
            loadModule(session, "VEMA");
        session.keepRecoveryJournal();
        if (options.drawing.empty())
            session.findUnsavedWork();
        // Opening a DXF may tell what it left out.
        std::string opened;
        if (!options.drawing.empty() && !session.openDrawing(options.drawing, opened)) {
            std::fprintf(stderr, "vemcad: cannot open %s: %s\n", options.drawing.c_str(), opened.c_str());
            status = 1;
        } else if (!opened.empty()) {
            vemhost::printPlain(vemhost::fromUtf8("\n" + opened));
        }
        if (status != 0) {
            // nothing to run
        } else if (options.serve) {
            status = vemweb::serveFromTerminal(session, console, options.port);
        } else {
            vemhost::setInputProvider(options.script.empty() ? static_cast<vemhost::InputProvider*>(&console)
                                                             : &script);
            if (interactive)
                session.setKeyboard(&console);
            vemhost::setEchoAnswers(!options.script.empty());
            session.run();
            vemhost::setInputProvider(nullptr);
        }
        vemhost::printPlain(L"\n");
    }
    return status;
}
