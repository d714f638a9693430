// One vemcad session: the current drawing with its undo history, the loaded modules,
// and the command loop that runs host and module commands by name.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "console_io.h"
#include "dbmain.h"
#include "module_loader.h"
#include "recovery_journal.h"
#include "session_script.h"
#include "undo.h"
#include "vemhost_program.h"

namespace vemcad {

class Session;

// What ZOOM last asked the view to show: the drawing's extents, or the window between
// two corners. The serial counts the requests, so that a view follows each once.
struct ViewRequest {
    unsigned long serial = 0;
    bool extents = true;
    AcGePoint3d corner1, corner2;
};

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
    // The current drawing's commands and undo steps.
    vemhost::UndoHistory& undo() { return *vemhost::undoHistory(m_db.get()); }
    const vemhost::UndoHistory& undo() const { return *vemhost::undoHistory(m_db.get()); }
    ModuleLoader& modules() { return m_modules; }
    const std::string& drawingPath() const { return m_path; }
    // The drawing's file name, or DrawingN.vdb while it has none (N counts the new
    // drawings of the session, as the host names them).
    std::wstring drawingName() const;
    // Changed since it was made, opened or last saved: a step done that the saved drawing
    // did not have (undoing back to it is unchanged), or another current layer, space, point display or text size.
    bool isModified() const;

    // Replaces the current drawing (which is discarded) by a new or opened one.
    void newDrawing();
    // A .dxf opens as a new drawing without a file (SAVE asks for one; the DXF is left
    // as it is); message then tells what it left out, if anything.
    bool openDrawing(const std::string& path, std::string& message);
    // DXFIN: the DXF at path becomes the drawing, which must hold no entities; it keeps
    // its file name and counts as changed. message as for openDrawing.
    bool importDxf(const std::string& path, std::string& message);
    // Whether the drawing came from a DXF file of AC1021 or later (texts in UTF-8):
    // DXFOUT then hands it back in that form unless told otherwise.
    bool receivedAsUtf8Dxf() const { return m_receivedAsUtf8Dxf; }
    // Saves to path, keeping the file it replaces as its .bak; on success message may
    // hold a warning about the .bak.
    bool saveDrawing(const std::string& path, std::string& message);

    // Answers typed at a terminal: the end of input at the command prompt then offers to
    // save unsaved changes before the session ends (and Cancel goes on). Without it, as
    // in a script, the end of input ends the session.
    void setKeyboard(const ConsoleInput* keyboard) { m_keyboard = keyboard; }
    // Keeps a recovery journal of the drawing from now on (see RecoveryJournal).
    void keepRecoveryJournal() { m_journal.enable(); }
    // Keeps to be offered, when the session runs, the work of never-saved drawings left
    // in the working folder by sessions that ended unexpectedly.
    void findUnsavedWork() { m_journal.findUnsavedWork(); }
    // Reads and runs commands until the input ends or QUIT; first offers back the work
    // of sessions that ended unexpectedly (see RecoveryJournal).
    void run();
    // Asks for the next command name at the command prompt, passing over empty answers
    // and cancels; false when the input has ended.
    bool nextCommand(std::wstring& name);
    // Runs one command by name (host command, then module command).
    void runCommand(const std::wstring& name);
    void requestQuit() { m_quit = true; }
    // The last displacement typed at STRETCH, offered as the next one's default, as the
    // host keeps it for the session.
    AcGeVector3d& lastDisplacement() { return m_lastDisplacement; }
    // The radius of the last circle drawn, offered as the next one's (0: none yet), as
    // the host keeps it for the session.
    double& lastCircleRadius() { return m_lastCircleRadius; }
    bool quitRequested() const { return m_quit; }
    const ViewRequest& viewRequest() const { return m_view; }
    void requestView(ViewRequest view)
    {
        view.serial = m_view.serial + 1;
        m_view = view;
    }
    // The session so far as a script (SCRIPTOUT).
    const SessionScript& script() const { return m_script; }

private:
    const HostCommand* findHostCommand(const std::wstring& name) const;
    void runUnguarded(const HostCommand& command);
    bool runNext(std::wstring& name);
    void adopt(std::unique_ptr<AcDbDatabase> db, const std::string& path);
    void markSaved();
    void offerRecovery();
    bool openDxf(const std::string& path, std::string& message);

    std::vector<HostCommand> m_commands;
    std::unique_ptr<AcDbDatabase> m_db;
    ModuleLoader m_modules;
    std::string m_path;
    int m_newDrawings = 0;
    AcDbObjectId m_savedClayer;
    bool m_savedTilemode = true;
    Adesk::Int16 m_savedPdmode = 0;
    double m_savedPdsize = 0.0;
    double m_savedTextsize = 2.5;
    AcDb::UnitsValue m_savedInsunits = AcDb::kUnitsMeters;
    const ConsoleInput* m_keyboard = nullptr;
    bool m_quit = false;
    AcGeVector3d m_lastDisplacement;
    double m_lastCircleRadius = 0.0;
    SessionScript m_script;
    ViewRequest m_view;
    RecoveryJournal m_journal;
    bool m_running = false;
    bool m_receivedAsUtf8Dxf = false;
    bool m_unsavedWork = false;  // the drawing holds recovered or imported work not saved yet
};

// Before the drawing is replaced or the session ends: with unsaved changes, asks whether
// to save them. True when the drawing may go (no changes, saved, or No); false on Cancel,
// on a cancelled file name or a failed save.
bool offerToSave(Session& session);

// Each command family adds its commands to the table.
void addDrawCommands(std::vector<HostCommand>& table);
void addCircularCommands(std::vector<HostCommand>& table);
void addInquiryCommands(std::vector<HostCommand>& table);
void addTextCommands(std::vector<HostCommand>& table);
void addCurveCommands(std::vector<HostCommand>& table);
void addModifyCommands(std::vector<HostCommand>& table);
void addStretchCommand(std::vector<HostCommand>& table);
void addUndoCommands(std::vector<HostCommand>& table);
void addSettingCommands(std::vector<HostCommand>& table);
void addFileCommands(std::vector<HostCommand>& table);
void addOutputCommands(std::vector<HostCommand>& table);
void addViewCommands(std::vector<HostCommand>& table);
void addBlockCommands(std::vector<HostCommand>& table);
void addSheetCommands(std::vector<HostCommand>& table);

}  // namespace vemcad
