// U, UNDO and REDO: whole commands back and forth.
#include <cmath>

#include "session.h"
#include "shell_input.h"

namespace vemcad {

namespace {

// Undoes count steps, saying the name of each; says so when the history runs out.
void undoSteps(Session& session, std::size_t count)
{
    const std::vector<std::wstring> names = session.undo().undo(count);
    for (const std::wstring& name : names)
        say(name);
    if (names.size() < count)
        say(L"Everything has been undone");
}

void uCommand(Session& session) { undoSteps(session, 1); }

void undoCommand(Session& session)
{
    double count = 1;
    int rc = getNumber(L"\nEnter the number of operations to undo <1>: ", count);
    if (rc == RTCAN)
        return;
    if (rc == RTNONE)
        count = 1;
    if (count < 1 || count != std::floor(count) || count > 1e6) {
        say(L"Requires a positive whole number.");
        return;
    }
    undoSteps(session, std::size_t(count));
}

void redoCommand(Session& session)
{
    const std::vector<std::wstring> names = session.undo().redo(1);
    say(names.empty() ? std::wstring(L"Nothing to redo") : names.front());
}

}  // namespace

void addUndoCommands(std::vector<HostCommand>& table)
{
    //              name     run           undoable
    table.push_back({L"U", uCommand, false});
    table.push_back({L"UNDO", undoCommand, false});
    table.push_back({L"REDO", redoCommand, false});
}

}  // namespace vemcad
