// Output for other programs and for people: DXFOUT writes the drawing as DXF (R2000 or
// R2018), PLOT (cmd_plot.cpp) draws a sheet as an SVG, PNG or PDF picture, SCRIPTOUT
// writes the session so far as a script.
#include <cwctype>

#include "cmd_plot.h"
#include "dxf_writer.h"
#include "text_file.h"
#include "session.h"
#include "shell_input.h"
#include "vemhost_program.h"

namespace vemcad {

namespace {

// Whether answer names the keyword: its start, at least the first letter, case aside.
bool namesKeyword(const std::wstring& answer, const std::wstring& keyword)
{
    if (answer.empty() || answer.size() > keyword.size())
        return false;
    for (size_t i = 0; i < answer.size(); ++i)
        if (std::towupper(wint_t(answer[i])) != std::towupper(wint_t(keyword[i])))
            return false;
    return true;
}

// R2000 or R2018 (Enter: version as it stands); asked again after anything else. False
// on cancel.
bool askDxfVersion(vemio::DxfVersion& version)
{
    for (;;) {
        std::wstring answer;
        const wchar_t* prompt = version == vemio::DxfVersion::kR2018 ? L"\nEnter DXF version [R2000/R2018] <R2018>: "
                                                                     : L"\nEnter DXF version [R2000/R2018] <R2000>: ";
        if (getText(prompt, answer, false) != RTNORM)
            return false;
        for (wchar_t& c : answer)
            c = wchar_t(std::towupper(wint_t(c)));
        if (answer.empty())
            return true;
        if (answer == L"R2000" || answer == L"2000") {
            version = vemio::DxfVersion::kR2000;
            return true;
        }
        if (answer == L"R2018" || answer == L"2018") {
            version = vemio::DxfVersion::kR2018;
            return true;
        }
        say(L"Invalid option keyword.");
    }
}

// The file name, after the version when Version is answered first; false on Enter or cancel.
bool askDxfFile(std::string& path, vemio::DxfVersion& version)
{
    for (;;) {
        std::wstring answer;
        if (getText(L"\nEnter file name or [Version]: ", answer, true) != RTNORM || answer.empty())
            return false;
        if (!namesKeyword(answer, L"Version")) {
            path = vemhost::toUtf8(answer);
            return true;
        }
        if (!askDxfVersion(version))
            return false;
    }
}

void dxfoutCommand(Session& session)
{
    std::string path, error;
    // A drawing received as UTF-8 DXF goes back in that form by default.
    vemio::DxfVersion version = session.receivedAsUtf8Dxf() ? vemio::DxfVersion::kR2018 : vemio::DxfVersion::kR2000;
    if (!askDxfFile(path, version))
        return;
    vemio::DxfStats stats;
    if (!vemio::writeDxf(session.db(), path, error, &stats, version)) {
        say(vemhost::fromUtf8("Cannot write " + path + ": " + error + "."));
        return;
    }
    std::string message = "Wrote " + path + " (" + std::to_string(stats.entities) +
                          (stats.entities == 1 ? " entity" : " entities");
    if (stats.skipped > 0)
        message += "; " + std::to_string(stats.skipped) + " with coordinates that are not numbers left out";
    say(vemhost::fromUtf8(message + ")."));
}

// The commands finished so far, as `vemcad --script` replays them; a name without an
// extension gets ".scr".
void scriptoutCommand(Session& session)
{
    std::string path, error;
    if (!askFileName(path, L"\nEnter script file name: "))
        return;
    const size_t slash = path.find_last_of('/');
    if (path.find('.', slash == std::string::npos ? 0 : slash + 1) == std::string::npos)
        path += ".scr";
    if (!session.script().whole()) {
        say(L"Cannot write a script of this session: memory ran out while it was kept.");
        return;
    }
    const std::string text = session.script().text();
    if (!vemio::writeTextFile(path, text, error)) {
        say(vemhost::fromUtf8("Cannot write " + path + ": " + error + "."));
        return;
    }
    size_t lines = 0;
    for (char c : text)
        lines += c == '\n';
    say(vemhost::fromUtf8("Wrote " + path + " (" + std::to_string(lines) + (lines == 1 ? " line)." : " lines).")));
}

}  // namespace

void addOutputCommands(std::vector<HostCommand>& table)
{
    //              name        run            undoable
    table.push_back({L"DXFOUT", dxfoutCommand, false});
    table.push_back({L"PLOT", plotCommand, false});
    table.push_back({L"SCRIPTOUT", scriptoutCommand, false});
}

}  // namespace vemcad
