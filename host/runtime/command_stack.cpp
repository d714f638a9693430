// The host's command stack: commands registered by group under a global and a local
// name, found without regard to case, and run by name, each as one undo step.
#include <malloc.h>

#include <cwchar>
#include <exception>
#include <new>
#include <cwctype>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "accmd.h"
#include "db_internals.h"
#include "dbapserv.h"
#include "rx_runtime_class.h"
#include "undo.h"
#include "undo_recorder.h"
#include "editor_internals.h"
#include "vemhost_program.h"
#include "vemhost_testing.h"

namespace {

std::wstring upper(const ACHAR* s)
{
    std::wstring out = s ? s : L"";
    for (wchar_t& c : out)
        c = wchar_t(std::towupper(wint_t(c)));
    return out;
}

class Command : public AcEdCommand {
public:
    Command(const ACHAR* group, const ACHAR* global, const ACHAR* local, Adesk::Int32 flags, AcRxFunctionPtr fn,
            AcEdUIContext* ui, int fcode, HINSTANCE app)
        : m_group(group), m_global(global), m_local(local), m_flags(flags), m_fn(fn), m_ui(ui), m_fcode(fcode),
          m_app(app)
    {
    }
    void commandUndef(bool undefIt) override { m_undefined = undefIt; }
    Adesk::Int32 commandFlags() const override { return m_flags; }
    AcRxFunctionPtr functionAddr() const override { return m_fn; }
    void functionAddr(AcRxFunctionPtr fhdl) override { m_fn = fhdl; }
    void* commandApp() const override { return m_app; }
    AcEdUIContext* UIContext() const override { return m_ui; }
    int functionCode() const override { return m_fcode; }
    void functionCode(int fcode) override { m_fcode = fcode; }
    const ACHAR* globalName() const override { return m_global.c_str(); }
    const ACHAR* localName() const override { return m_local.c_str(); }
    const ACHAR* groupName() const override { return m_group.c_str(); }
    bool undefined() const { return m_undefined; }

private:
    std::wstring m_group, m_global, m_local;
    Adesk::Int32 m_flags;
    AcRxFunctionPtr m_fn;
    AcEdUIContext* m_ui;
    int m_fcode;
    HINSTANCE m_app;
    bool m_undefined = false;
};

class CommandStack : public AcEdCommandStack {
public:
    Acad::ErrorStatus addCommand(const ACHAR* cmdGroupName, const ACHAR* cmdGlobalName, const ACHAR* cmdLocalName,
                                 Adesk::Int32 commandFlags, AcRxFunctionPtr FunctionAddr, AcEdUIContext* UIContext,
                                 int fcode, HINSTANCE hResourceHandle, AcEdCommand** cmdPtrRet) override
    {
        if (cmdGroupName == nullptr || cmdGlobalName == nullptr || FunctionAddr == nullptr || *cmdGlobalName == 0)
            return Acad::eInvalidInput;
        const ACHAR* local = cmdLocalName && *cmdLocalName ? cmdLocalName : cmdGlobalName;
        if (std::wcslen(cmdGlobalName) > ACRX_MAX_CMDNAME_LEN || std::wcslen(local) > ACRX_MAX_CMDNAME_LEN)
            return Acad::eInvalidInput;
        if (find(cmdGroupName, cmdGlobalName) != nullptr)
            return Acad::eDuplicateKey;
        m_commands.push_back(std::make_unique<Command>(cmdGroupName, cmdGlobalName, local, commandFlags, FunctionAddr,
                                                       UIContext, fcode, hResourceHandle));
        if (cmdPtrRet != nullptr)
            *cmdPtrRet = m_commands.back().get();
        return Acad::eOk;
    }
    // The latest registration of a name wins, as on the host.
    AcEdCommand* lookupGlobalCmd(const ACHAR* cmdName) override { return lookup(cmdName, true); }
    AcEdCommand* lookupLocalCmd(const ACHAR* cmdName) override { return lookup(cmdName, false); }
    AcEdCommand* lookupCmd(const ACHAR* cmdName, bool globalFlag) override { return lookup(cmdName, globalFlag); }
    Acad::ErrorStatus removeCmd(const ACHAR* cmdGroupName, const ACHAR* cmdGlobalName) override
    {
        for (auto it = m_commands.begin(); it != m_commands.end(); ++it) {
            if (upper((*it)->groupName()) == upper(cmdGroupName) && upper((*it)->globalName()) == upper(cmdGlobalName)) {
                m_commands.erase(it);
                return Acad::eOk;
            }
        }
        return Acad::eKeyNotFound;
    }
    Acad::ErrorStatus removeGroup(const ACHAR* groupName) override
    {
        size_t before = m_commands.size();
        std::wstring g = upper(groupName);
        for (auto it = m_commands.begin(); it != m_commands.end();)
            it = upper((*it)->groupName()) == g ? m_commands.erase(it) : it + 1;
        return before == m_commands.size() ? Acad::eKeyNotFound : Acad::eOk;
    }

private:
    Command* find(const ACHAR* group, const ACHAR* global)
    {
        for (auto& c : m_commands)
            if (upper(c->groupName()) == upper(group) && upper(c->globalName()) == upper(global))
                return c.get();
        return nullptr;
    }
    AcEdCommand* lookup(const ACHAR* name, bool global)
    {
        std::wstring key = upper(name);
        for (auto it = m_commands.rbegin(); it != m_commands.rend(); ++it)
            if (!(*it)->undefined() && upper(global ? (*it)->globalName() : (*it)->localName()) == key)
                return it->get();
        return nullptr;
    }

    std::vector<std::unique_ptr<Command>> m_commands;
};

CommandStack& commandStack()
{
    static CommandStack* stack = [] {
        static CommandStack s;
        acrxSysRegistry()->atPut(ACRX_COMMAND_DOCK, &s);
        return &s;
    }();
    return *stack;
}

// The stack is in the system registry from the moment the runtime loads.
CommandStack& g_registeredAtLoad = commandStack();

AcEdCommand* commandNamed(const std::wstring& name)
{
    if (name.empty())
        return nullptr;
    if (name[0] == L'_')
        return commandStack().lookupGlobalCmd(name.c_str() + 1) ? commandStack().lookupGlobalCmd(name.c_str() + 1)
                                                                : commandStack().lookupGlobalCmd(name.c_str());
    AcEdCommand* cmd = commandStack().lookupLocalCmd(name.c_str());
    return cmd ? cmd : commandStack().lookupGlobalCmd(name.c_str());
}

// Closes, telling no one, every object of db left open: a command abandoned half-way
// cannot close what it opened, and its changes are then rolled back from the undo
// records taken when the objects were opened.
void closeLeftOpen(AcDbDatabase* db)
{
    AcDbDatabase::Impl* impl = AcDbSystemInternals::impl(db);
    if (impl == nullptr || impl->openCount == 0)
        return;
    for (AcDbStub& stub : impl->stubs) {
        AcDbObject* object = stub.object;
        if (object != nullptr && (AcDbSystemInternals::writeOpen(object) || AcDbSystemInternals::readers(object) > 0)) {
            AcDbSystemInternals::setClosed(object);
            --impl->openCount;
        }
    }
}

// Ends the command begun in a database when it goes out of scope, unless the database
// has gone meanwhile (the command replaced the drawing). Inside a command already open
// it does nothing: the open one owns the step.
class CommandBracket {
public:
    CommandBracket(AcDbDatabase* db, const std::wstring& name)
        : m_db(db), m_serial(db ? AcDbSystemInternals::impl(db)->serial : 0), m_history(vemhost::undoHistory(db)),
          m_opened(m_history != nullptr && !m_history->inCommand())
    {
        if (m_opened)
            m_history->beginCommand(name);
    }
    ~CommandBracket()
    {
        if (m_opened && acrt::databaseOfSerial(m_serial) == m_db)
            m_history->endCommand();
    }
    // The command cannot go on: what it left open is closed unseen and its changes are
    // rolled back, so the drawing is as it was before it. False when that cannot be done
    // (a command inside another one, or a drawing replaced meanwhile).
    bool abandon()
    {
        if (!m_opened || acrt::databaseOfSerial(m_serial) != m_db)
            return false;
        closeLeftOpen(m_db);
        if (acrt::UndoRecorder* recorder = AcDbSystemInternals::impl(m_db)->undo.get())
            recorder->abandonCommand();
        else
            m_history->cancelCommand();
        return true;
    }
    CommandBracket(const CommandBracket&) = delete;
    CommandBracket& operator=(const CommandBracket&) = delete;

private:
    AcDbDatabase* m_db;
    Adesk::Int64 m_serial;
    vemhost::UndoHistory* m_history;
    bool m_opened;
};

}  // namespace

ACRT_DEFINE_CLASS(AcEdCommandStack, AcRxObject, "");
AcEdCommandStack* AcEdCommandStack::cast(const AcRxObject* inPtr)
{
    return (inPtr == nullptr || !inPtr->isKindOf(AcEdCommandStack::desc())) ? nullptr : (AcEdCommandStack*)inPtr;
}

namespace vemhost {
// A command that runs out of memory is undone and ends with a message; the session goes
// on. Other exceptions of the host's own commands pass on (the step is kept); a module's
// command may throw nothing across its call, so anything it throws ends it as running
// out of memory does.
namespace {
void runGuarded(const std::wstring& name, const std::function<void()>& body, bool moduleCommand)
{
    CommandBracket bracket(acdbHostApplicationServices()->workingDatabase(), name);
    const Adesk::Int64 sets = acrt::selectionSetMark();
    const wchar_t* failure = L"out of memory";
    try {
        body();
        return;
    } catch (const std::bad_alloc&) {
    } catch (...) {
        if (!moduleCommand)
            throw;
        failure = L"failed";
    }
    acrt::freeSelectionSetsSince(sets);
    const bool undone = bracket.abandon();
    ::malloc_trim(0);  // what the command took goes back to the system, for the commands after it
    vemhost::printPlain(L"\n" + name + L": " + failure + (undone ? L"; the command is undone." : L"."));
}
}  // namespace

void runAsCommand(const std::wstring& name, const std::function<void()>& body) { runGuarded(name, body, false); }

bool isCommandRegistered(const std::wstring& name) { return commandNamed(name) != nullptr; }

// The step is named as the command was asked for, in capitals.
bool runCommand(const std::wstring& name)
{
    AcEdCommand* cmd = commandNamed(name);
    if (cmd == nullptr)
        return false;
    runGuarded(upper(name.c_str()), cmd->functionAddr(), true);
    return true;
}
}  // namespace vemhost
