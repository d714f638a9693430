// Drawing files and modules: NEW, OPEN (drawing files and DXF), DXFIN, SAVE, SAVEAS,
// QUIT, APPLOAD and ARX. Nothing unsaved is thrown away without asking, and no file is
// replaced without asking: not another file, and not the drawing's own once another
// program has written it.
#include <sys/stat.h>

#include <cwchar>
#include <cwctype>
#include <initializer_list>

#include "drawing_file.h"
#include "session.h"
#include "shell_input.h"
#include "vemhost_program.h"

namespace vemcad {

namespace {

// A reason as a sentence, so that the one after it reads apart: a full stop added
// unless it ends in one.
std::string asSentence(const std::string& reason)
{
    if (reason.empty() || reason.back() == '.' || reason.back() == '!' || reason.back() == '?')
        return reason;
    return reason + '.';
}

void report(bool ok, const std::string& message)
{
    if (!message.empty() || !ok)
        say(vemhost::fromUtf8(message.empty() ? std::string("failed") : message));
}

// The option whose name the answer begins (case ignored); Enter takes the default.
// -1 on cancel; anything else is asked again.
int askOption(const std::wstring& prompt, std::initializer_list<const wchar_t*> options, int defaultOption)
{
    for (;;) {
        std::wstring answer;
        if (getText(prompt.c_str(), answer, false) != RTNORM)
            return -1;
        if (answer.empty())
            return defaultOption;
        int index = 0;
        for (const wchar_t* option : options) {
            const size_t length = std::wcslen(option);
            if (answer.size() <= length &&
                AcString(answer.c_str()).compareNoCase(std::wstring(option, answer.size()).c_str()) == 0)
                return index;
            ++index;
        }
        say(L"Invalid option keyword.");
    }
}

bool existingFile(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A file name to save to; an existing file is replaced only when the user says so.
bool askNewFileName(std::string& path)
{
    if (!askFileName(path))
        return false;
    if (!existingFile(path))
        return true;
    const std::wstring prompt =
        L"\n" + vemhost::fromUtf8(path) + L" already exists. Do you want to replace it? [Yes/No] <No>: ";
    return askOption(prompt, {L"Yes", L"No"}, 1) == 0;
}

bool saveAs(Session& session, const std::string& path)
{
    std::string message;
    if (!session.saveDrawing(path, message)) {
        report(false, "Cannot save " + path + ": " + asSentence(message) + " The file on disk is unchanged.");
        return false;
    }
    say(vemhost::fromUtf8("Saved " + path + "."));
    report(true, message);
    return true;
}

// The drawing's own file is overwritten unasked only while it is what this session
// opened or last saved: another program's work in it is not lost without a Yes.
bool mayOverwriteOwnFile(Session& session, const std::string& path)
{
    if (!vemio::changedOnDisk(session.db(), path))
        return true;
    const std::wstring prompt = L"\n" + vemhost::fromUtf8(path) +
                                L" has been changed by another program since it was opened or last saved."
                                L" Overwrite it? [Yes/No] <No>: ";
    return askOption(prompt, {L"Yes", L"No"}, 1) == 0;
}

// SAVE: to the drawing's own file, or to one asked for while it has none.
bool saveCurrent(Session& session)
{
    std::string path = session.drawingPath();
    if (path.empty())
        return askNewFileName(path) && saveAs(session, path);
    return mayOverwriteOwnFile(session, path) && saveAs(session, path);
}

void newCommand(Session& session)
{
    if (offerToSave(session))
        session.newDrawing();
}

void openCommand(Session& session)
{
    std::string path, message;
    if (!offerToSave(session) || !askFileName(path))
        return;
    if (!session.openDrawing(path, message)) {
        report(false, "Cannot open " + path + ": " + asSentence(message) + " The current drawing is unchanged.");
        return;
    }
    say(vemhost::fromUtf8("Opened " + path + "."));
    report(true, message);
}

// DXFIN: a DXF read into the current drawing, which must be empty.
void dxfinCommand(Session& session)
{
    std::string path, message;
    if (!askFileName(path))
        return;
    if (!session.importDxf(path, message)) {
        report(false, "Cannot read " + path + ": " + asSentence(message) + " The current drawing is unchanged.");
        return;
    }
    say(vemhost::fromUtf8("Read " + path + "."));
    report(true, message);
}

void saveCommand(Session& session) { saveCurrent(session); }

void saveasCommand(Session& session)
{
    std::string path;
    if (askNewFileName(path))
        saveAs(session, path);
}

void quitCommand(Session& session)
{
    if (offerToSave(session))
        session.requestQuit();
}

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

bool offerToSave(Session& session)
{
    if (!session.isModified())
        return true;
    const std::wstring prompt = L"\nSave changes to " + session.drawingName() + L"? [Yes/No/Cancel] <Yes>: ";
    switch (askOption(prompt, {L"Yes", L"No", L"Cancel"}, 0)) {
    case 0:
        return saveCurrent(session);
    case 1:
        return true;
    default:
        return false;
    }
}

void addFileCommands(std::vector<HostCommand>& table)
{
    //              name         run             undoable
    table.push_back({L"NEW", newCommand, true});
    table.push_back({L"OPEN", openCommand, true});
    table.push_back({L"DXFIN", dxfinCommand, true});
    table.push_back({L"SAVE", saveCommand, false});
    table.push_back({L"SAVEAS", saveasCommand, false});
    table.push_back({L"QUIT", quitCommand, false});
    table.push_back({L"APPLOAD", apploadCommand, false});
    table.push_back({L"ARX", arxCommand, false});
}

}  // namespace vemcad
