// The recovery journal of the session's drawing. At the end of every command that
// changed the drawing (undo and redo among them), the states of the objects it changed
// are appended to a journal: NAME.vemjournal beside a saved drawing, or
// vemcad-unsaved-K.vemjournal in the working folder for one never saved. A session that
// ends unexpectedly leaves it behind, and a later session on that drawing offers the
// work back as it was after the last finished command. A save starts the journal again
// (the saved file is its new base); a normal end of the session removes it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dbmain.h"
#include "journal_file.h"
#include "journal_frames.h"

namespace vemcad {

// A drawing brought back from a journal, and the file it was saved as (empty when it
// never was).
struct RecoveredDrawing {
    std::unique_ptr<AcDbDatabase> db;
    std::string path;
};

class RecoveryJournal {
public:
    RecoveryJournal();
    // Removes the journal this session writes: the session ended as sessions do.
    ~RecoveryJournal();
    RecoveryJournal(const RecoveryJournal&) = delete;
    RecoveryJournal& operator=(const RecoveryJournal&) = delete;

    // Journals from now on (a session keeps no journal until told to).
    void enable();

    // The session works on db now, the drawing at path (empty for a new drawing, shown
    // as name), read from the DXF file source when not empty; the drawing before is
    // discarded, and its journal removed. A journal of path left by a session that
    // ended unexpectedly is kept to be offered.
    void attach(AcDbDatabase* db, const std::string& path, const std::wstring& name,
                const std::string& source = std::string());
    // Keeps to be offered the journals of never-saved drawings that sessions which
    // ended unexpectedly left in the working folder.
    void findUnsavedWork();
    bool hasOffers() const { return !m_offers.empty(); }
    // Asks about each journal kept to be offered. Yes brings the drawing back, which
    // the journal then goes on with; No removes the journal. True with the drawing
    // for the first one the user takes back.
    bool offer(RecoveredDrawing& recovered);

    // At the end of each command: journals what the drawing's undo steps and header
    // show changed since the last time.
    void commandEnded(const std::wstring& name);
    // The drawing was saved to path: the journal starts again from that file.
    void saved(const std::string& path);

    // The journal of a saved drawing's path.
    static std::string journalPathOf(const std::string& drawingPath);

private:
    struct Offer;
    enum class State { kNoFile, kWriting, kOff };

    bool keepOffer(const std::string& drawingPath, std::unique_ptr<JournalFile> file);
    void resolve(Offer& offer, RecoveredDrawing& recovered, bool& recoveredOne);
    void keepUnrecovered(const Offer& offer, const std::wstring& why);
    bool recover(Offer& offer, RecoveredDrawing& recovered, std::string& reason);
    static std::unique_ptr<AcDbDatabase> baseDrawing(const Offer& offer, std::string& reason);
    void goOnWith(Offer& offer);
    bool ensureFile();
    bool createUnsavedJournal(const std::vector<unsigned char>& first, std::string& reason);
    void turnOff(const std::wstring& why);
    void claimJournalOfPath(bool offerWork);

    bool m_enabled = false;
    AcDbDatabase* m_db = nullptr;
    std::string m_path;
    std::wstring m_name;
    FileIdentity m_base;
    std::string m_source;  // the DXF the drawing was read from, until it is saved
    FileIdentity m_sourceIdentity;
    std::unique_ptr<JournalFile> m_file;  // the journal this session writes
    State m_state = State::kNoFile;
    StepMirror m_steps;
    JournalHeader m_header;
    std::vector<AcDbObjectId> m_changed;
    std::vector<std::unique_ptr<Offer>> m_offers;
};

}  // namespace vemcad
