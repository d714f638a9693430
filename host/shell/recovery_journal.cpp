// The session's recovery journal: made at the first command that changes the drawing,
// a frame appended at the end of every command that does, removed at a save and at a
// normal end; journals left by sessions that ended unexpectedly offered back.
#include "recovery_journal.h"

#include <dirent.h>
#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "drawing_file.h"
#include "dxf_reader.h"
#include "journal_frames.h"
#include "shell_input.h"
#include "undo.h"
#include "vemhost_program.h"

namespace vemcad {

namespace {

const char kSuffix[] = ".vemjournal";
const char kUnsavedPrefix[] = "vemcad-unsaved-";
constexpr int kUnsavedSlots = 10000;
// A command's list of changed objects is kept for the next only while it is small.
constexpr std::size_t kKeptChangeList = 65536;

std::string unsavedPath(int slot) { return kUnsavedPrefix + std::to_string(slot) + kSuffix; }

// The slot of a never-saved drawing's journal name, or 0 for any other name.
int unsavedSlotOf(const char* name)
{
    const std::size_t prefix = sizeof kUnsavedPrefix - 1, suffix = sizeof kSuffix - 1;
    const std::size_t length = std::strlen(name);
    if (length <= prefix + suffix || std::strncmp(name, kUnsavedPrefix, prefix) != 0 ||
        std::strcmp(name + length - suffix, kSuffix) != 0 || length - prefix - suffix > 4)
        return 0;
    int slot = 0;
    for (std::size_t i = prefix; i < length - suffix; ++i) {
        if (name[i] < '0' || name[i] > '9')
            return 0;
        slot = slot * 10 + (name[i] - '0');
    }
    return slot;
}

bool matchesOption(const std::wstring& answer, const wchar_t* option)
{
    const std::size_t length = std::wcslen(option);
    return answer.size() <= length && AcString(answer.c_str()).compareNoCase(std::wstring(option, answer.size()).c_str()) == 0;
}

}  // namespace

struct RecoveryJournal::Offer {
    std::unique_ptr<JournalFile> file;
    std::string drawingPath;  // empty for a never-saved drawing
    std::vector<unsigned char> bytes;
    JournalFrames frames;
    JournalBase base;

    std::wstring name() const { return vemhost::fromUtf8(drawingPath.empty() ? base.name : drawingPath); }
    std::size_t commands() const { return frames.frames.size() - 1; }
};

RecoveryJournal::RecoveryJournal() = default;

RecoveryJournal::~RecoveryJournal()
{
    if (m_file)
        m_file->remove();
}

// A name that with the suffix would not fit a folder entry is cut (at a character) and
// told apart from others cut alike by a checksum of the whole name.
std::string RecoveryJournal::journalPathOf(const std::string& drawingPath)
{
    const std::size_t slash = drawingPath.rfind('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t nameLength = drawingPath.size() - start;
    if (nameLength + sizeof kSuffix - 1 <= NAME_MAX)
        return drawingPath + kSuffix;
    Checksum sum;
    sum.add(reinterpret_cast<const unsigned char*>(drawingPath.data() + start), nameLength);
    char tag[20];
    std::snprintf(tag, sizeof tag, "~%016llx", static_cast<unsigned long long>(sum.value()));
    std::size_t keep = NAME_MAX - (sizeof kSuffix - 1) - std::strlen(tag);
    while (keep > 0 && (static_cast<unsigned char>(drawingPath[start + keep]) & 0xC0) == 0x80)
        --keep;
    return drawingPath.substr(0, start + keep) + tag + kSuffix;
}

// ---- the drawing worked on ---------------------------------------------------------------

void RecoveryJournal::enable()
{
    m_enabled = true;
    attach(m_db, m_path, m_name, m_source);
}

void RecoveryJournal::attach(AcDbDatabase* db, const std::string& path, const std::wstring& name,
                             const std::string& source)
{
    if (m_file)
        m_file->remove();
    m_file.reset();
    m_offers.clear();
    m_db = db;
    m_path = path;
    m_name = name;
    m_base = FileIdentity();
    // Named in full, so that recovery finds the DXF from any working folder.
    m_source = source;
    if (char* full = source.empty() ? nullptr : ::realpath(source.c_str(), nullptr)) {
        m_source = full;
        std::free(full);
    }
    m_sourceIdentity = FileIdentity();
    if (!m_source.empty())
        identityOf(m_source, m_sourceIdentity);
    m_steps.reset();
    m_header = db != nullptr ? headerOf(db) : JournalHeader();
    m_state = State::kNoFile;
    if (m_enabled && !path.empty()) {
        identityOf(path, m_base);
        claimJournalOfPath(true);
    }
}

// A journal of the drawing's path that no session holds is left over: offered when it
// holds work (and asked for), else removed. One that another session holds leaves
// this session without a journal of that drawing.
void RecoveryJournal::claimJournalOfPath(bool offerWork)
{
    auto file = std::make_unique<JournalFile>();
    std::string reason;
    switch (file->claim(journalPathOf(m_path), reason)) {
    case JournalFile::Claim::kClaimed:
        if (!offerWork)
            file->remove();
        else if (keepOffer(m_path, std::move(file)))
            m_state = State::kOff;  // until the offer is answered
        break;
    case JournalFile::Claim::kHeldElsewhere:
        turnOff(L"another vemcad session is working on it");
        break;
    case JournalFile::Claim::kMissing:
    case JournalFile::Claim::kFailed:
        break;
    }
}

void RecoveryJournal::findUnsavedWork()
{
    if (!m_enabled)
        return;
    DIR* dir = ::opendir(".");
    if (dir == nullptr)
        return;
    std::vector<int> slots;
    while (const dirent* entry = ::readdir(dir))
        if (const int slot = unsavedSlotOf(entry->d_name))
            slots.push_back(slot);
    ::closedir(dir);
    std::sort(slots.begin(), slots.end());
    for (int slot : slots) {
        auto file = std::make_unique<JournalFile>();
        std::string reason;
        if (file->claim(unsavedPath(slot), reason) == JournalFile::Claim::kClaimed)
            keepOffer(std::string(), std::move(file));
    }
}

// Keeps the journal to be offered when it holds the work of at least one command of a
// drawing of that kind (saved or never saved); removes it otherwise, as left over. One
// that cannot be read now is left for a later session.
bool RecoveryJournal::keepOffer(const std::string& drawingPath, std::unique_ptr<JournalFile> file)
{
    auto offer = std::make_unique<Offer>();
    offer->drawingPath = drawingPath;
    std::string reason;
    try {
        if (!file->readAll(offer->bytes, reason))
            return false;
        offer->frames = readFrames(offer->bytes);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const std::vector<FrameSpan>& frames = offer->frames.frames;
    const bool holdsWork = frames.size() > 1 &&
                           readBaseFrame(offer->bytes.data() + frames[0].offset, frames[0].size, offer->base) &&
                           offer->base.path.empty() == drawingPath.empty();
    if (!holdsWork) {
        file->remove();
        return false;
    }
    offer->file = std::move(file);
    m_offers.push_back(std::move(offer));
    return true;
}

// ---- offering the work back --------------------------------------------------------------

bool RecoveryJournal::offer(RecoveredDrawing& recovered)
{
    bool recoveredOne = false;
    std::vector<std::unique_ptr<Offer>> offers;
    offers.swap(m_offers);
    for (std::unique_ptr<Offer>& offer : offers)
        if (!recoveredOne)
            resolve(*offer, recovered, recoveredOne);
    return recoveredOne;
}

void RecoveryJournal::resolve(Offer& offer, RecoveredDrawing& recovered, bool& recoveredOne)
{
    const bool ofThisDrawing = !offer.drawingPath.empty();
    const std::wstring prompt = L"\n" + offer.name() + L" has unsaved work from a session that ended unexpectedly (" +
                                std::to_wstring(offer.commands()) + L" commands). Recover it? [Yes/No] <Yes>: ";
    for (;;) {
        std::wstring answer;
        if (getText(prompt.c_str(), answer, false) != RTNORM) {
            keepUnrecovered(offer, L"");
            return;
        }
        if (answer.empty() || matchesOption(answer, L"Yes"))
            break;
        if (matchesOption(answer, L"No")) {
            offer.file->remove();
            if (ofThisDrawing)
                m_state = State::kNoFile;
            return;
        }
        say(L"Invalid option keyword.");
    }
    std::string reason;
    bool done = false;
    try {
        done = recover(offer, recovered, reason);
    } catch (const std::bad_alloc&) {
        reason = "out of memory";
    }
    if (!done) {
        keepUnrecovered(offer, L"Cannot recover " + offer.name() + L": " + vemhost::fromUtf8(reason) + L". ");
        return;
    }
    goOnWith(offer);
    recoveredOne = true;
}

// A journal not recovered stays for a later session (that of a saved drawing until the
// drawing is saved, when it stops fitting it); while it is there, this session keeps
// none of that drawing.
void RecoveryJournal::keepUnrecovered(const Offer& offer, const std::wstring& why)
{
    const std::wstring stays = L"The unsaved work stays in " + vemhost::fromUtf8(offer.file->path());
    if (offer.drawingPath.empty()) {
        say(why + stays + L".");
        return;
    }
    say(why + stays + L" until " + offer.name() + L" is saved.");
    turnOff(L"its journal holds work not recovered");
}

// The drawing the journal started from: the DXF file it was read from or the saved
// file, either unchanged since, or a new drawing. Null, with the reason, when it cannot
// be had again.
std::unique_ptr<AcDbDatabase> RecoveryJournal::baseDrawing(const Offer& offer, std::string& reason)
{
    const bool fromDxf = !offer.base.source.empty();
    if (!fromDxf && offer.drawingPath.empty())
        return std::make_unique<AcDbDatabase>();
    const std::string& path = fromDxf ? offer.base.source : offer.drawingPath;
    FileIdentity now;
    if (!identityOf(path, now) || !(now == (fromDxf ? offer.base.sourceIdentity : offer.base.identity))) {
        reason = fromDxf ? "the DXF file it was read from has changed on disk since"
                         : "the drawing has changed on disk since";
        return nullptr;
    }
    std::string error;
    std::unique_ptr<AcDbDatabase> db = fromDxf ? vemio::readDxf(path, error) : vemio::openDrawing(path, error);
    if (!db)
        reason = error;
    return db;
}

// The drawing the journal started from with the journal applied.
bool RecoveryJournal::recover(Offer& offer, RecoveredDrawing& recovered, std::string& reason)
{
    std::unique_ptr<AcDbDatabase> db = baseDrawing(offer, reason);
    if (!db)
        return false;
    JournalContents contents;
    if (!readCommandFrames(offer.bytes, offer.frames.frames, contents, reason) ||
        !applyJournal(db.get(), contents, reason) || !offer.file->cutAfter(offer.frames.end, reason))
        return false;
    recovered.db = std::move(db);
    recovered.path = offer.drawingPath;
    m_db = recovered.db.get();
    return true;
}

// The recovered drawing's journal goes on from its last whole frame.
void RecoveryJournal::goOnWith(Offer& offer)
{
    if (m_file)
        m_file->remove();
    m_file = std::move(offer.file);
    m_path = offer.drawingPath;
    m_name = offer.name();
    m_base = offer.base.identity;
    m_source = offer.base.source;
    m_sourceIdentity = offer.base.sourceIdentity;
    m_steps.reset();
    m_header = headerOf(m_db);
    m_state = State::kWriting;
}

// ---- journalling -------------------------------------------------------------------------

// The steps are followed even while nothing is written, so that a journal started
// again later begins from the drawing as it is.
void RecoveryJournal::commandEnded(const std::wstring& name)
{
    vemhost::UndoHistory* history = vemhost::undoHistory(m_db);
    if (!m_enabled || history == nullptr)
        return;
    try {
        m_changed.clear();
        const std::size_t firstDone = m_steps.follow(*history, m_changed);
        const JournalHeader header = headerOf(m_db);
        const bool changed = !m_changed.empty() || firstDone < m_steps.size() || !(header == m_header);
        m_header = header;
        if (changed && m_state != State::kOff && ensureFile()) {
            std::vector<const std::vector<AcDbObjectId>*> lists{&m_changed};
            for (std::size_t step = firstDone; step < m_steps.size(); ++step)
                lists.push_back(&m_steps.objectsOf(step));
            std::string reason;
            if (!CommandFrameWriter(m_db).write(*m_file, name, header, lists, reason))
                turnOff(L"it cannot be written (" + vemhost::fromUtf8(reason) + L")");
        }
    } catch (const std::bad_alloc&) {
        if (m_file)
            m_file->abandonFrame();
        turnOff(L"out of memory");
    }
    if (m_changed.capacity() > kKeptChangeList)
        m_changed = std::vector<AcDbObjectId>();
}

bool RecoveryJournal::ensureFile()
{
    if (m_state == State::kWriting)
        return true;
    const JournalBase base{vemhost::toUtf8(m_name), m_path, m_base, m_source, m_sourceIdentity};
    const std::vector<unsigned char> first = baseFrame(base);
    m_file = std::make_unique<JournalFile>();
    std::string reason;
    const bool made = m_path.empty() ? createUnsavedJournal(first, reason)
                                     : m_file->create(journalPathOf(m_path), first, reason);
    if (!made) {
        m_file.reset();
        turnOff(L"its journal cannot be made (" + vemhost::fromUtf8(reason) + L")");
        return false;
    }
    m_state = State::kWriting;
    return true;
}

// The first free slot in the working folder.
bool RecoveryJournal::createUnsavedJournal(const std::vector<unsigned char>& first, std::string& reason)
{
    for (int slot = 1; slot <= kUnsavedSlots; ++slot) {
        const std::string path = unsavedPath(slot);
        if (::access(path.c_str(), F_OK) == 0)
            continue;
        if (m_file->create(path, first, reason))
            return true;
        if (::access(path.c_str(), F_OK) != 0)
            return false;
    }
    reason = "every journal name is taken";
    return false;
}

// Nothing more is written (what is written stays, as good as it was) until a save.
void RecoveryJournal::turnOff(const std::wstring& why)
{
    m_state = State::kOff;
    say(m_name + L" has no recovery journal: " + why + L".");
}

void RecoveryJournal::saved(const std::string& path)
{
    if (m_file)
        m_file->remove();
    m_file.reset();
    m_path = path;
    m_name = vemhost::fromUtf8(path);
    m_base = FileIdentity();
    identityOf(path, m_base);
    m_source.clear();
    m_sourceIdentity = FileIdentity();
    if (m_db != nullptr)
        m_header = headerOf(m_db);
    m_state = State::kNoFile;
    // A journal left there belonged to the file this save replaced.
    if (m_enabled)
        claimJournalOfPath(false);
}

}  // namespace vemcad
