// One vemcad session: the current drawing with its undo history, the loaded modules,
// and the command loop that runs host and module commands by name.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dbmain.h"
#include "module_loader.h"
#include "undo_manager.h"
#include "vemhost.h"

namespace vemcad {

class Session;

struct HostCommand {
    const wchar_t* name;
    void (*run)(Session&);
    bool undoable;  // U, UNDO and REDO are not steps of their own
};

class Session {
public:
    explicit Session(const std::string& moduleDir);
    ~Session();

    AcDbDatabase* db() const { return m_db.get(); }
    UndoManager& undo() { return *m_undo; }
    ModuleLoader& modules() { return m_modules; }
    const std::string& drawingPath() const { return m_path; }

    // Replaces the current drawing (which is discarded) by a new or opened one.
    void newDrawing();
    bool openDrawing(const std::string& path, std::string& message);
    bool saveDrawing(const std::string& path, std::string& message);

    // Reads and runs commands until the input ends or QUIT.
    void run();
    // Asks for the next command name at the command prompt, passing over empty answers
    // and cancels; false when the input has ended.
    bool nextCommand(std::wstring& name);
    // Runs one command by name (host command, then module command).
    void runCommand(const std::wstring& name);
    void requestQuit() { m_quit = true; }
    bool quitRequested() const { return m_quit; }

private:
    const HostCommand* findHostCommand(const std::wstring& name) const;
    void adopt(std::unique_ptr<AcDbDatabase> db, const std::string& path);

    std::vector<HostCommand> m_commands;
    std::unique_ptr<AcDbDatabase> m_db;
    std::unique_ptr<UndoManager> m_undo;
    ModuleLoader m_modules;
    std::string m_path;
    bool m_quit = false;
};

// Each command family adds its commands to the table.
void addDrawCommands(std::vector<HostCommand>& table);
void addModifyCommands(std::vector<HostCommand>& table);
void addUndoCommands(std::vector<HostCommand>& table);
void addSettingCommands(std::vector<HostCommand>& table);
void addFileCommands(std::vector<HostCommand>& table);
void addOutputCommands(std::vector<HostCommand>& table);

}  // namespace vemcad
