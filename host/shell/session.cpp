// The session: drawing, undo, modules and the command loop.
#include "session.h"

#include <cwctype>
#include <new>

#include "acedads.h"
#include "dbapserv.h"
#include "dbsymtb.h"
#include "drawing_file.h"
#include "dxf_reader.h"
#include "shell_input.h"

namespace vemcad {

namespace {
std::wstring upper(std::wstring s)
{
    for (wchar_t& c : s)
        c = wchar_t(std::towupper(wint_t(c)));
    return s;
}
}  // namespace

Session::Session(const std::string& moduleDir) : m_modules(moduleDir)
{
    addDrawCommands(m_commands);
    addCircularCommands(m_commands);
    addInquiryCommands(m_commands);
    addTextCommands(m_commands);
    addCurveCommands(m_commands);
    addModifyCommands(m_commands);
    addStretchCommand(m_commands);
    addUndoCommands(m_commands);
    addSettingCommands(m_commands);
    addFileCommands(m_commands);
    addOutputCommands(m_commands);
    addViewCommands(m_commands);
    addBlockCommands(m_commands);
    addSheetCommands(m_commands);
    newDrawing();
    vemhost::setInputObserver(&m_script);
}

Session::~Session()
{
    vemhost::setInputObserver(nullptr);
    // The drawing (with its undo history) goes before the modules whose classes its
    // objects belong to.
    acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    m_db.reset();
    m_modules.unloadAll();
}

void Session::adopt(std::unique_ptr<AcDbDatabase> db, const std::string& path)
{
    acdbHostApplicationServices()->setWorkingDatabase(db.get());
    m_db = std::move(db);
    m_path = path;
    m_receivedAsUtf8Dxf = false;
    markSaved();
}

void Session::markSaved()
{
    m_unsavedWork = false;
    undo().markSaved();
    m_savedClayer = m_db->clayer();
    m_savedTilemode = m_db->tilemode();
    m_savedPdmode = m_db->pdmode();
    m_savedPdsize = m_db->pdsize();
    m_savedTextsize = m_db->textsize();
    m_savedInsunits = m_db->insunits();
}

bool Session::isModified() const
{
    return undo().changedSinceSave() || m_db->clayer() != m_savedClayer || m_db->tilemode() != m_savedTilemode ||
           m_db->pdmode() != m_savedPdmode || m_db->pdsize() != m_savedPdsize ||
           m_db->textsize() != m_savedTextsize || m_db->insunits() != m_savedInsunits || m_unsavedWork;
}

std::wstring Session::drawingName() const
{
    if (!m_path.empty())
        return vemhost::fromUtf8(m_path);
    return L"Drawing" + std::to_wstring(m_newDrawings) + L".vdb";
}

void Session::newDrawing()
{
    ++m_newDrawings;
    adopt(std::make_unique<AcDbDatabase>(), "");
    m_journal.attach(m_db.get(), "", drawingName());
}

bool Session::openDrawing(const std::string& path, std::string& message)
{
    if (vemio::isDxfPath(path))
        return openDxf(path, message);
    std::unique_ptr<AcDbDatabase> opened = vemio::openDrawing(path, message);
    if (opened == nullptr)
        return false;
    adopt(std::move(opened), path);
    m_journal.attach(m_db.get(), path, drawingName());
    if (m_running)
        offerRecovery();
    return true;
}

bool Session::openDxf(const std::string& path, std::string& message)
{
    vemio::DxfReadStats stats;
    std::unique_ptr<AcDbDatabase> read = vemio::readDxf(path, message, &stats);
    if (read == nullptr)
        return false;
    // Named as the unnamed drawing it replaces would be.
    adopt(std::move(read), "");
    m_receivedAsUtf8Dxf = stats.version >= "AC1021";
    m_journal.attach(m_db.get(), "", drawingName(), path);
    message = vemio::leftOutMessage(stats);
    return true;
}

namespace {
// Whether the block named space holds no entity (erased ones aside).
bool isEmptySpace(AcDbDatabase* db, const ACHAR* space)
{
    AcDbBlockTable* table = nullptr;
    if (db->getBlockTable(table, AcDb::kForRead) != Acad::eOk)
        return false;
    AcDbBlockTableRecord* block = nullptr;
    const Acad::ErrorStatus es = table->getAt(space, block, AcDb::kForRead);
    table->close();
    if (es != Acad::eOk)
        return es == Acad::eKeyNotFound;
    AcDbBlockTableRecordIterator* it = nullptr;
    const bool empty = block->newIterator(it) == Acad::eOk && it->done();
    delete it;
    block->close();
    return empty;
}
}  // namespace

bool Session::importDxf(const std::string& path, std::string& message)
{
    if (!isEmptySpace(m_db.get(), ACDB_MODEL_SPACE) || !isEmptySpace(m_db.get(), ACDB_PAPER_SPACE)) {
        message = "the drawing is not empty; DXFIN reads into an empty drawing only (use NEW first, or OPEN the DXF).";
        return false;
    }
    vemio::DxfReadStats stats;
    std::unique_ptr<AcDbDatabase> read = vemio::readDxf(path, message, &stats);
    if (read == nullptr)
        return false;
    adopt(std::move(read), m_path);
    m_receivedAsUtf8Dxf = stats.version >= "AC1021";
    m_journal.attach(m_db.get(), m_path, drawingName(), path);
    m_unsavedWork = true;
    message = vemio::leftOutMessage(stats);
    return true;
}

namespace {
// Leaves the session's script out of the answers given while it lives.
struct ScriptPaused {
    explicit ScriptPaused(SessionScript* script) : m_script(script) { vemhost::setInputObserver(nullptr); }
    ~ScriptPaused() { vemhost::setInputObserver(m_script); }
    SessionScript* m_script;
};
}  // namespace

// Recovering is no command of the drawing: its answers stay out of the session's script.
void Session::offerRecovery()
{
    if (!m_journal.hasOffers())
        return;
    RecoveredDrawing recovered;
    {
        ScriptPaused paused(&m_script);
        if (!m_journal.offer(recovered))
            return;
    }
    adopt(std::move(recovered.db), recovered.path);
    m_unsavedWork = true;
}

bool Session::saveDrawing(const std::string& path, std::string& message)
{
    if (!vemio::saveDrawing(m_db.get(), path, message, vemio::Backup::kKeep))
        return false;
    m_path = path;
    markSaved();
    m_journal.saved(path);
    return true;
}

const HostCommand* Session::findHostCommand(const std::wstring& name) const
{
    std::wstring key = upper(name);
    if (!key.empty() && key[0] == L'_')
        key.erase(0, 1);
    for (const HostCommand& cmd : m_commands)
        if (key == cmd.name)
            return &cmd;
    return nullptr;
}

// Each command is one undo step of the drawing, module commands as the runtime runs
// them; U, UNDO and REDO are none.
void Session::runCommand(const std::wstring& name)
{
    const HostCommand* host = findHostCommand(name);
    if (host != nullptr && !host->undoable)
        runUnguarded(*host);
    else if (host != nullptr)
        vemhost::runAsCommand(upper(name), [this, host] { host->run(*this); });
    else if (!vemhost::runCommand(name))
        say(L"Unknown command \"" + upper(name) + L"\".  Press F1 for help.");
    m_journal.commandEnded(upper(name));
}

bool Session::nextCommand(std::wstring& name)
{
    m_script.commandStarts();
    for (;;) {
        name.clear();
        if (vemhost::readAnswer(L"\nCommand: ", false, name) == vemhost::Answer::kCancel) {
            if (vemhost::inputExhausted())
                return false;
            continue;
        }
        if (!name.empty())
            return true;
    }
}

// Commands that are no undo step (U, SAVE, PLOT ...) change nothing to undo when memory
// runs out in them: they end with a message.
void Session::runUnguarded(const HostCommand& command)
{
    try {
        command.run(*this);
    } catch (const std::bad_alloc&) {
        say(std::wstring(command.name) + L": out of memory.");
    }
}

// One command asked for and run; false when the input has ended or QUIT was given. Out
// of memory between commands (reading the next one) loses that answer, not the session.
bool Session::runNext(std::wstring& name)
{
    try {
        if (m_quit || !nextCommand(name))
            return false;
        runCommand(name);
    } catch (const std::bad_alloc&) {
        say(L"Out of memory.");
    }
    return true;
}

void Session::run()
{
    m_running = true;
    offerRecovery();
    std::wstring name;
    for (;;) {
        while (runNext(name)) {
        }
        if (m_quit || m_keyboard == nullptr || !m_keyboard->open() || offerToSave(*this))
            return;
    }
}

}  // namespace vemcad
