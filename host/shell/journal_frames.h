// What the recovery journal's frames hold. The first frame names the drawing and the
// file it starts from; each later frame is one finished command: the current layer,
// text style, handle seed and space after it, and the state of every object it changed
// as the object's undo filing gives it through the journal's filer (or only that the
// object is erased). Read back, the frames come down to the latest state of each object
// they name, which the drawing the journal started from then takes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "dbmain.h"
#include "journal_file.h"
#include "undo.h"

namespace vemcad {

// A drawing file as it stood when the journal began: a different size or time of last
// change means another file.
struct FileIdentity {
    std::uint64_t size = 0;
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0;
    bool operator==(const FileIdentity& o) const
    {
        return size == o.size && seconds == o.seconds && nanoseconds == o.nanoseconds;
    }
};
bool identityOf(const std::string& path, FileIdentity& identity);

// The first frame: the drawing's name as the session shows it, and the file it starts
// from (none for a drawing never saved, which starts as a new drawing).
struct JournalBase {
    std::string name;
    std::string path;
    FileIdentity identity;
    // The DXF file the drawing was read from, when it was (empty otherwise): recovery
    // reads it again, unchanged, before the commands.
    std::string source;
    FileIdentity sourceIdentity;
};
std::vector<unsigned char> baseFrame(const JournalBase& base);
bool readBaseFrame(const unsigned char* payload, std::size_t size, JournalBase& base);

// The header values a command frame carries.
struct JournalHeader {
    std::uint64_t clayer = 0;
    std::uint64_t textstyle = 0;
    std::uint64_t handseed = 0;
    bool tilemode = true;
    std::int16_t pdmode = 0;
    double pdsize = 0.0;
    double textsize = 2.5;
    AcDb::UnitsValue insunits = AcDb::kUnitsMeters;
    bool operator==(const JournalHeader& o) const
    {
        return clayer == o.clayer && textstyle == o.textstyle && tilemode == o.tilemode && pdmode == o.pdmode &&
               pdsize == o.pdsize && textsize == o.textsize && insunits == o.insunits;
    }
};
JournalHeader headerOf(const AcDbDatabase* db);

// The undo steps of a drawing as the journal last saw them, so that the objects of a
// step that is undone afterwards are known (the history keeps only steps that can be
// undone where a journal reads them).
class StepMirror {
public:
    void reset() { m_steps.clear(); }
    // Follows the history: appends to undone the objects of the steps undone since the
    // last call, and returns the first of the steps done or redone since (size() when
    // there are none).
    std::size_t follow(const vemhost::UndoHistory& history, std::vector<AcDbObjectId>& undone);
    std::size_t size() const { return m_steps.size(); }
    const std::vector<AcDbObjectId>& objectsOf(std::size_t step) const { return m_steps[step].ids; }

private:
    struct Step {
        const vemhost::UndoRecord* first = nullptr;  // a step's records stay where they are
        std::vector<AcDbObjectId> ids;
    };
    std::vector<Step> m_steps;
};

// Writes one command frame into the journal's file: the header, then each object.
class CommandFrameWriter {
public:
    explicit CommandFrameWriter(AcDbDatabase* db);
    // False with the reason when an object cannot be filed or the file takes no more.
    bool write(JournalFile& file, const std::wstring& command, const JournalHeader& header,
               const std::vector<const std::vector<AcDbObjectId>*>& changed, std::string& reason);

private:
    bool writeObject(JournalFile& file, AcDbObjectId id, std::string& reason);
    std::uint32_t classIndex(JournalFile& file, const AcRxClass* cls);

    AcDbDatabase* m_db;
    std::vector<unsigned char> m_fields;
    std::vector<const AcRxClass*> m_classes;
};

// The latest state of each object the command frames name, in the order the objects
// first appear (the order a block's new entities were appended in).
struct JournalObject {
    std::uint64_t handle = 0;
    std::uint64_t owner = 0;
    std::uint32_t classIndex = 0;  // into JournalContents::classNames
    bool erased = false;
    const unsigned char* state = nullptr;  // within the file's bytes
    std::size_t stateSize = 0;
};
struct JournalContents {
    std::vector<std::string> classNames;
    std::vector<JournalObject> objects;
    JournalHeader header;
    bool hasHeader = false;
};
// Reads the command frames (frames after the first); false with the reason for a frame
// that does not read (which its checksum makes a fault of this program, not a crash's).
bool readCommandFrames(const std::vector<unsigned char>& file, const std::vector<FrameSpan>& frames,
                       JournalContents& contents, std::string& reason);

// Brings a drawing back: db, the drawing the journal started from (not yet the working
// one), takes the latest state of every object contents names; objects the journal
// made are made again under their handles, in their owners' lists, and objects it
// erased are erased. False with the reason when the two do not fit together; db is
// then left half changed, to be discarded.
bool applyJournal(AcDbDatabase* db, const JournalContents& contents, std::string& reason);

}  // namespace vemcad
