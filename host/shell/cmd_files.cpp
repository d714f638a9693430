// Drawing files and modules: NEW, OPEN, SAVE, SAVEAS, QUIT, APPLOAD and ARX.
#include <cwctype>

#include "session.h"
#include "shell_input.h"
#include "vemhost.h"

namespace vemcad {

namespace {

bool askFileName(std::string& path)
{
    std::wstring name;
    if (getText(L"\nEnter file name: ", name, true) != RTNORM || name.empty())
        return false;
    path = vemhost::toUtf8(name);
    return true;
}

void report(bool ok, const std::string& message)
{
    if (!message.empty() || !ok)
        say(vemhost::fromUtf8(message.empty() ? std::string("failed") : message));
}

void newCommand(Session& session) { session.newDrawing(); }

void openCommand(Session& session)
{
    std::string path, message;
    if (!askFileName(path))
        return;
    if (!session.openDrawing(path, message))
        report(false, "Cannot open " + path + ": " + message + " The current drawing is unchanged.");
    else
        say(vemhost::fromUtf8("Opened " + path + "."));
}

void saveAs(Session& session, const std::string& path)
{
    std::string message;
    if (session.saveDrawing(path, message))
        say(vemhost::fromUtf8("Saved " + path + "."));
    else
        report(false, "Cannot save " + path + ": " + message + " The file on disk is unchanged.");
}

void saveCommand(Session& session)
{
    std::string path = session.drawingPath();
    if (path.empty() && !askFileName(path))
        return;
    saveAs(session, path);
}

void saveasCommand(Session& session)
{
    std::string path;
    if (askFileName(path))
        saveAs(session, path);
}

void quitCommand(Session& session) { session.requestQuit(); }

void apploadCommand(Session& session)
{
    std::string path, message;
    if (!askFileName(path))
        return;
    session.modules().load(path, message);
    say(vemhost::fromUtf8(message));
}

void arxCommand(Session& session)
{
    std::wstring option, name;
    if (getText(L"\nEnter an option [Load/Unload]: ", option, false) != RTNORM || option.empty())
        return;
    wchar_t o = wchar_t(std::towupper(wint_t(option[0])));
    if (o != L'L' && o != L'U') {
        say(L"Invalid option keyword.");
        return;
    }
    if (getText(L"\nEnter module name: ", name, true) != RTNORM || name.empty())
        return;
    std::string message;
    if (o == L'L')
        session.modules().load(vemhost::toUtf8(name), message);
    else
        session.modules().unload(vemhost::toUtf8(name), message);
    say(vemhost::fromUtf8(message));
}

}  // namespace

void addFileCommands(std::vector<HostCommand>& table)
{
    //              name         run             undoable
    table.push_back({L"NEW", newCommand, true});
    table.push_back({L"OPEN", openCommand, true});
    table.push_back({L"SAVE", saveCommand, false});
    table.push_back({L"SAVEAS", saveasCommand, false});
    table.push_back({L"QUIT", quitCommand, false});
    table.push_back({L"APPLOAD", apploadCommand, false});
    table.push_back({L"ARX", arxCommand, false});
}

}  // namespace vemcad
