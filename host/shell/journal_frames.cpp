// The journal's frames, written from the drawing's objects and read back.
//
//   base frame      u8 'B', text name, text path, u64 size, u64 seconds, u64 nanoseconds,
//                   then for a drawing read from DXF: text source, u64 size, u64 seconds,
//                   u64 nanoseconds (of the DXF file)
//   command frame   u8 'C', text command, u64 clayer, u64 textstyle, u64 handseed,
//                   u8 tilemode, then entries to the frame's end:
//     'S' u32 pdmode, u64 pdsize, u64 textsize (reals as their bits)   the drawing's
//         settings (frames without it leave them as the drawing had them)
//     'U' u32 insunits    the drawing's unit (frames without it leave it as it was)
//     'K' text            the next class of the frame (its entries number them from 0)
//     'O' u64 handle, u64 owner, u32 class, u32 size, then the object's undo filing
//         through the journal's filer, size bytes
//     'E' u64 handle      the object is erased
// Texts are a u32 length and UTF-8; numbers little-endian.
#include "journal_frames.h"

#include <sys/stat.h>

#include <cstring>
#include <map>

#include "journal_filer.h"
#include "vemhost_program.h"

namespace vemcad {

namespace {

constexpr std::uint8_t kBaseFrame = 'B';
constexpr std::uint8_t kCommandFrame = 'C';
constexpr std::uint8_t kClassEntry = 'K';
constexpr std::uint8_t kObjectEntry = 'O';
constexpr std::uint8_t kErasedEntry = 'E';
constexpr std::uint8_t kSettingsEntry = 'S';
constexpr std::uint8_t kUnitsEntry = 'U';
constexpr std::uint64_t kHandseedLimit = std::uint64_t(1) << 62;

std::uint64_t bitsOf(double v)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

double realOf(std::uint64_t bits)
{
    double v = 0.0;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

std::uint64_t handleOf(AcDbObjectId id) { return id.isNull() ? 0 : id.handle().value(); }

// The fixed-size fields of one entry, gathered before they are appended.
class EntryFields {
public:
    EntryFields& u8(std::uint8_t value)
    {
        m_bytes[m_size++] = value;
        return *this;
    }
    EntryFields& u32(std::uint32_t value) { return little(value, 4); }
    EntryFields& u64(std::uint64_t value) { return little(value, 8); }
    void appendTo(JournalFile& file) const { file.append(m_bytes, m_size); }
    void appendTo(std::vector<unsigned char>& out) const { out.insert(out.end(), m_bytes, m_bytes + m_size); }

private:
    EntryFields& little(std::uint64_t value, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            m_bytes[m_size++] = static_cast<unsigned char>(value >> (8 * i));
        return *this;
    }

    unsigned char m_bytes[32];
    std::size_t m_size = 0;
};

// Closes an object opened for filing.
struct ClosedOnExit {
    AcDbObject* obj;
    ~ClosedOnExit() { obj->close(); }
};

}  // namespace

bool identityOf(const std::string& path, FileIdentity& identity)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return false;
    identity.size = std::uint64_t(st.st_size);
    identity.seconds = std::int64_t(st.st_mtim.tv_sec);
    identity.nanoseconds = std::int64_t(st.st_mtim.tv_nsec);
    return true;
}

std::vector<unsigned char> baseFrame(const JournalBase& base)
{
    std::vector<unsigned char> out;
    putU8(out, kBaseFrame);
    putText(out, base.name);
    putText(out, base.path);
    putU64(out, base.identity.size);
    putU64(out, std::uint64_t(base.identity.seconds));
    putU64(out, std::uint64_t(base.identity.nanoseconds));
    if (!base.source.empty()) {
        putText(out, base.source);
        putU64(out, base.sourceIdentity.size);
        putU64(out, std::uint64_t(base.sourceIdentity.seconds));
        putU64(out, std::uint64_t(base.sourceIdentity.nanoseconds));
    }
    return out;
}

bool readBaseFrame(const unsigned char* payload, std::size_t size, JournalBase& base)
{
    PayloadReader in(payload, size);
    if (in.u8() != kBaseFrame)
        return false;
    base.name = in.text();
    base.path = in.text();
    base.identity.size = in.u64();
    base.identity.seconds = std::int64_t(in.u64());
    base.identity.nanoseconds = std::int64_t(in.u64());
    base.source.clear();
    base.sourceIdentity = FileIdentity();
    if (in.ok() && !in.atEnd()) {
        base.source = in.text();
        base.sourceIdentity.size = in.u64();
        base.sourceIdentity.seconds = std::int64_t(in.u64());
        base.sourceIdentity.nanoseconds = std::int64_t(in.u64());
        if (base.source.empty())
            return false;
    }
    return in.ok() && in.atEnd() && !base.name.empty();
}

JournalHeader headerOf(const AcDbDatabase* db)
{
    JournalHeader header;
    header.clayer = handleOf(db->clayer());
    header.textstyle = handleOf(db->textstyle());
    header.handseed = db->handseed().value();
    header.tilemode = db->tilemode();
    header.pdmode = db->pdmode();
    header.pdsize = db->pdsize();
    header.textsize = db->textsize();
    header.insunits = db->insunits();
    return header;
}

// ---- following the undo steps ------------------------------------------------------------

// Steps below one that is still where the mirror saw it are unchanged (the history is a
// stack), so only the top of each is compared and walked.
std::size_t StepMirror::follow(const vemhost::UndoHistory& history, std::vector<AcDbObjectId>& undone)
{
    const std::size_t steps = history.stepCount();
    std::size_t common = std::min(steps, m_steps.size());
    while (common > 0 && m_steps[common - 1].first != &history.record(common - 1, 0))
        --common;
    for (std::size_t i = m_steps.size(); i > common; --i)
        undone.insert(undone.end(), m_steps[i - 1].ids.begin(), m_steps[i - 1].ids.end());
    m_steps.resize(common);
    for (std::size_t step = common; step < steps; ++step) {
        m_steps.emplace_back();
        Step& mirrored = m_steps.back();
        const std::size_t records = history.recordCount(step);
        mirrored.first = &history.record(step, 0);
        mirrored.ids.reserve(records);
        for (std::size_t i = 0; i < records; ++i)
            mirrored.ids.push_back(history.record(step, i).id);
    }
    return common;
}

// ---- writing a command frame -------------------------------------------------------------

CommandFrameWriter::CommandFrameWriter(AcDbDatabase* db) : m_db(db) {}

bool CommandFrameWriter::write(JournalFile& file, const std::wstring& command, const JournalHeader& header,
                               const std::vector<const std::vector<AcDbObjectId>*>& changed, std::string& reason)
{
    m_classes.clear();
    file.beginFrame();
    m_fields.clear();
    putU8(m_fields, kCommandFrame);
    putText(m_fields, vemhost::toUtf8(command));
    putU64(m_fields, header.clayer);
    putU64(m_fields, header.textstyle);
    putU64(m_fields, header.handseed);
    putU8(m_fields, header.tilemode ? 1 : 0);
    putU8(m_fields, kSettingsEntry);
    putU32(m_fields, std::uint32_t(std::uint16_t(header.pdmode)));
    putU64(m_fields, bitsOf(header.pdsize));
    putU64(m_fields, bitsOf(header.textsize));
    putU8(m_fields, kUnitsEntry);
    putU32(m_fields, std::uint32_t(header.insunits));
    file.append(m_fields.data(), m_fields.size());
    for (const std::vector<AcDbObjectId>* ids : changed) {
        for (const AcDbObjectId& id : *ids) {
            if (!writeObject(file, id, reason)) {
                file.abandonFrame();
                return false;
            }
        }
    }
    return file.endFrame(reason);
}

std::uint32_t CommandFrameWriter::classIndex(JournalFile& file, const AcRxClass* cls)
{
    for (std::size_t i = m_classes.size(); i > 0; --i)
        if (m_classes[i - 1] == cls)
            return std::uint32_t(i - 1);
    m_fields.clear();
    putU8(m_fields, kClassEntry);
    putText(m_fields, vemhost::toUtf8(cls->name()));
    file.append(m_fields.data(), m_fields.size());
    m_classes.push_back(cls);
    return std::uint32_t(m_classes.size() - 1);
}

bool CommandFrameWriter::writeObject(JournalFile& file, AcDbObjectId id, std::string& reason)
{
    AcDbObject* obj = nullptr;
    const Acad::ErrorStatus opened = id.isErased() ? Acad::eWasErased : acdbOpenAcDbObject(obj, id, AcDb::kForRead);
    if (opened == Acad::eWasErased || opened == Acad::ePermanentlyErased) {
        EntryFields().u8(kErasedEntry).u64(handleOf(id)).appendTo(file);
        return true;
    }
    const std::string handle = std::to_string(handleOf(id));
    if (opened != Acad::eOk) {
        reason = "object " + handle + " cannot be read (status " + std::to_string(opened) + ")";
        return false;
    }
    ClosedOnExit closer{obj};
    if (obj->isA() == nullptr) {
        reason = "object " + handle + " has no class";
        return false;
    }
    const std::uint32_t cls = classIndex(file, obj->isA());
    // The state is filed straight into the frame, behind its entry whose size is
    // filled in after.
    std::vector<unsigned char>& piece = file.piece();
    EntryFields().u8(kObjectEntry).u64(handleOf(id)).u64(handleOf(obj->ownerId())).u32(cls).u32(0).appendTo(piece);
    const std::size_t stateStart = piece.size();
    JournalFiler filer(piece, m_db);
    Acad::ErrorStatus es = obj->dwgOutFields(&filer);
    if (es == Acad::eOk)
        es = filer.filerStatus();
    const std::size_t stateSize = piece.size() - stateStart;
    if (es != Acad::eOk || stateSize > UINT32_MAX) {
        reason = "object " + handle + " cannot be filed (status " + std::to_string(es) + ")";
        return false;
    }
    for (int i = 0; i < 4; ++i)
        piece[stateStart - 4 + std::size_t(i)] = static_cast<unsigned char>(stateSize >> (8 * i));
    file.pieceGrown();
    return true;
}

// ---- reading the command frames ----------------------------------------------------------

namespace {

class FrameReader {
public:
    FrameReader(const std::vector<unsigned char>& file, JournalContents& contents) : m_file(file), m_out(contents) {}

    bool read(const FrameSpan& frame, std::string& reason)
    {
        PayloadReader in(m_file.data() + frame.offset, frame.size);
        if (in.u8() != kCommandFrame)
            return fail(reason, "a frame that is not a command's");
        in.text();
        m_out.header.clayer = in.u64();
        m_out.header.textstyle = in.u64();
        m_out.header.handseed = in.u64();
        // A drawing file holds handles below 2^62: a seed above could never be saved.
        if (m_out.header.handseed >= kHandseedLimit)
            return fail(reason, "a handle seed no drawing has");
        m_out.header.tilemode = in.u8() != 0;
        m_out.hasHeader = true;
        m_frameClasses.clear();
        while (in.ok() && !in.atEnd())
            if (!readEntry(in, frame, reason))
                return false;
        return in.ok() || fail(reason, "a command frame cut short");
    }

private:
    static bool fail(std::string& reason, const char* what)
    {
        reason = std::string("the journal holds ") + what;
        return false;
    }

    bool readEntry(PayloadReader& in, const FrameSpan& frame, std::string& reason)
    {
        switch (in.u8()) {
        case kClassEntry:
            m_frameClasses.push_back(globalClass(in.text()));
            return true;
        case kErasedEntry:
            objectFor(in.u64()).erased = true;
            return true;
        case kSettingsEntry:
            m_out.header.pdmode = std::int16_t(std::uint16_t(in.u32()));
            m_out.header.pdsize = realOf(in.u64());
            m_out.header.textsize = realOf(in.u64());
            return in.ok() || fail(reason, "the drawing's settings cut short");
        case kUnitsEntry: {
            const std::uint32_t units = in.u32();
            if (!in.ok() || units > AcDb::kUnitsMax)
                return fail(reason, "a drawing unit that is not one");
            m_out.header.insunits = AcDb::UnitsValue(units);
            return true;
        }
        case kObjectEntry: {
            const std::uint64_t handle = in.u64();
            const std::uint64_t owner = in.u64();
            const std::uint32_t cls = in.u32();
            const std::uint32_t size = in.u32();
            const std::size_t at = in.skip(size);
            if (!in.ok())
                return fail(reason, "an object cut short");
            if (cls >= m_frameClasses.size() || handle == 0)
                return fail(reason, "an object of no class");
            JournalObject& obj = objectFor(handle);
            obj.owner = owner;
            obj.classIndex = m_frameClasses[cls];
            obj.erased = false;
            obj.state = m_file.data() + frame.offset + at;
            obj.stateSize = size;
            return true;
        }
        default:
            return fail(reason, "an entry of no known kind");
        }
    }

    std::uint32_t globalClass(const std::string& name)
    {
        auto it = m_classIndex.find(name);
        if (it != m_classIndex.end())
            return it->second;
        m_out.classNames.push_back(name);
        const std::uint32_t index = std::uint32_t(m_out.classNames.size() - 1);
        m_classIndex.emplace(name, index);
        return index;
    }

    JournalObject& objectFor(std::uint64_t handle)
    {
        auto it = m_objectIndex.find(handle);
        if (it != m_objectIndex.end())
            return m_out.objects[it->second];
        m_objectIndex.emplace(handle, m_out.objects.size());
        m_out.objects.emplace_back();
        m_out.objects.back().handle = handle;
        return m_out.objects.back();
    }

    const std::vector<unsigned char>& m_file;
    JournalContents& m_out;
    std::vector<std::uint32_t> m_frameClasses;
    std::map<std::string, std::uint32_t> m_classIndex;
    std::unordered_map<std::uint64_t, std::size_t> m_objectIndex;
};

}  // namespace

bool readCommandFrames(const std::vector<unsigned char>& file, const std::vector<FrameSpan>& frames,
                       JournalContents& contents, std::string& reason)
{
    FrameReader reader(file, contents);
    for (std::size_t i = 1; i < frames.size(); ++i)
        if (!reader.read(frames[i], reason))
            return false;
    return true;
}

}  // namespace vemcad
