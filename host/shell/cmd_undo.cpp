// U, UNDO and REDO: whole commands back and forth.
#include <cmath>

#include "session.h"
#include "shell_input.h"

namespace vemcad {

namespace {

bool undoOne(Session& session)
{
    std::wstring name = session.undo().undo();
    if (name.empty()) {
        say(L"Everything has been undone");
        return false;
    }
    say(name);
    return true;
}

void uCommand(Session& session) { undoOne(session); }

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
    for (long i = 0; i < long(count); ++i)
        if (!undoOne(session))
            break;
}

void redoCommand(Session& session)
{
    std::wstring name = session.undo().redo();
    say(name.empty() ? std::wstring(L"Nothing to redo") : name);
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
