// The recovery journal in a session run inside the test: a crash is the journal's file
// as it stood, put back after the session went on; recovering it must give the drawing
// exactly as it was after the last command the file holds whole.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#include "dbents.h"
#include "dbsymtb.h"
#include "journal_filer.h"
#include "session_fixture.h"

namespace {

std::string bytesOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

// Commands that between them change every kind of object the journal files: labels
// made, copied, moved, stretched and erased, entities exploded and changed in space,
// blocks made (one holding a reference to the other) and shown by references with
// attributes, layers made, locked and made current, undo and redo, the space switched,
// the point display and text size set.
const char* const kWork[] = {
    "COPY\nALL\n\n0,0\n100,0\n\n",
    "MOVE\n10,20\n\n0,0\n0,-5\n",
    "ERASE\n40,20\n\n",
    "LINE\n0,90\n30,90\n\n",
    "U\n",
    "REDO\n",
    "STRETCH\nC\n9,14\n11,16\n\n10,15\n13,16\n",
    "EXPLODE\n130,0\n\n",
    "CHSPACE\n0,40\n\n",
    "LAYER\nN\nnotes\nS\nnotes\nL\nnotes\n\n",
    "LAYER\nU\nlocked\n\n",
    "COPDEC\n1\n160,60\n\n",
    "LAYER\nL\nlocked\n\n",
    "COLIST\nALL\n\n",  // changes nothing: no frame
    "LAYER\nU\nnotes\n\n",
    "ATTDEF\nNO\n\nA1\n0,95\n\n\n",
    "BLOCK\nMARK\n0,90\nW -1,89 31,99\n\n",
    "INSERT\nMARK\n50,50\n2\n3\n30\nv1\n",
    "BLOCK\nPAIR\n0,0\nL\n\n",
    "INSERT\nPAIR\n-50,0\n\n\n\n",
    "PSPACE\n",
    "SETVAR\nPDMODE\n35\n",
    "SETVAR\nTEXTSIZE\n4\n",
    "SETVAR\nINSUNITS\n4\n",
    "ERASE\n0,70\n\n",
    "U\n",
};

class RecoveryJournal : public SessionTest {
protected:
    std::string drawingPath() { return file("plan.vdb"); }
    std::string journalPath() { return drawingPath() + ".vemjournal"; }

    // The sample drawing saved as plan.vdb, journalled from there on.
    void startOnSavedDrawing()
    {
        script("SAVEAS\n" + drawingPath() + "\n");
        session().keepRecoveryJournal();
    }

    // The session ends unexpectedly with the journal as given: it is put back after
    // the session's drawing was discarded.
    void crashWith(const std::string& journal)
    {
        session().newDrawing();
        ASSERT_FALSE(exists(journalPath())) << "the journal outlived its drawing";
        writeBytes(journalPath(), journal);
    }

    // Opens plan.vdb again and answers the offer (made at once by a session running,
    // else when it runs); what the session said.
    std::string reopen(const std::string& answer)
    {
        vemhost::queueInput(vemhost::fromUtf8(answer));
        vemhost::takeCaptured();
        std::string message;
        EXPECT_TRUE(session().openDrawing(drawingPath(), message)) << message;
        session().run();
        vemhost::clearInput();
        return vemhost::takeCaptured();
    }

    static std::string offer(const std::string& name, size_t commands)
    {
        return name + " has unsaved work from a session that ended unexpectedly (" + std::to_string(commands) +
               " commands). Recover it? [Yes/No] <Yes>: ";
    }
};

TEST_F(RecoveryJournal, BringsBackTheDrawingAsAfterTheLastCommandOfEveryKind)
{
    startOnSavedDrawing();
    size_t commands = 0;
    for (const char* work : kWork) {
        const size_t steps = session().undo().stepCount();
        const bool tilemode = db()->tilemode();
        const Adesk::Int16 pdmode = db()->pdmode();
        const double textsize = db()->textsize();
        const AcDb::UnitsValue insunits = db()->insunits();
        script(work);
        if (session().undo().stepCount() != steps || db()->tilemode() != tilemode || db()->pdmode() != pdmode ||
            db()->textsize() != textsize || db()->insunits() != insunits || std::string(work) == "U\n")
            ++commands;
    }
    const Snapshot expected = snapshot();
    const bool tilemode = db()->tilemode();
    const AcDbHandle clayer = db()->clayer().handle();
    AcDbBlockTable* blocks = nullptr;
    ASSERT_EQ(db()->getBlockTable(blocks, AcDb::kForRead), Acad::eOk);
    const bool madeBlocks = blocks->has(L"MARK") && blocks->has(L"PAIR");
    blocks->close();
    ASSERT_TRUE(madeBlocks) << "the work makes two blocks";
    size_t attributes = 0;
    for (AcDbStub& stub : AcDbSystemInternals::impl(db())->stubs)
        attributes += stub.object != nullptr && !stub.erased && AcDbAttribute::cast(stub.object) != nullptr;
    ASSERT_EQ(attributes, 1u) << "the work gives a reference an attribute";
    crashWith(bytesOf(journalPath()));

    const std::string out = reopen("Yes");
    EXPECT_NE(out.find(offer(drawingPath(), commands) + "Yes"), std::string::npos) << out;
    EXPECT_TRUE(snapshot() == expected) << "the recovered drawing differs";
    EXPECT_EQ(db()->insunits(), AcDb::kUnitsMillimeters);
    EXPECT_EQ(db()->tilemode(), tilemode);
    EXPECT_EQ(db()->clayer().handle(), clayer);
    EXPECT_EQ(db()->pdmode(), 35);
    EXPECT_EQ(db()->textsize(), 4.0);
    EXPECT_TRUE(session().isModified()) << "recovered work is not saved work";
    EXPECT_TRUE(exists(journalPath())) << "the recovered work lost its journal";

    // The journal goes on from there, and a save starts it again from the saved file.
    script("LINE\n0,100\n5,100\n\n");
    script("SAVE\n");
    EXPECT_FALSE(exists(journalPath())) << "a save keeps the journal of work it saved";
    EXPECT_FALSE(session().isModified());
}

TEST_F(RecoveryJournal, AFrameCutShortAnywhereLosesOnlyItsCommand)
{
    startOnSavedDrawing();
    std::vector<size_t> ends{0};  // the journal's length after each journalled command
    std::vector<Snapshot> states{snapshot()};
    for (const char* work : kWork) {
        script(work);
        const size_t length = exists(journalPath()) ? bytesOf(journalPath()).size() : 0;
        if (length != ends.back()) {
            ends.push_back(length);
            states.push_back(snapshot());
        }
    }
    const std::string journal = bytesOf(journalPath());
    ASSERT_GT(ends.size(), 10u);
    for (size_t frame = 2; frame < ends.size(); ++frame) {
        // Cut inside the frame's head, inside its payload, and one byte short of whole.
        for (size_t cut : {ends[frame - 1] + 3, (ends[frame - 1] + ends[frame]) / 2, ends[frame] - 1}) {
            crashWith(journal.substr(0, cut));
            const std::string out = reopen("Y");
            EXPECT_NE(out.find(offer(drawingPath(), frame - 1)), std::string::npos) << "cut at " << cut << out;
            EXPECT_TRUE(snapshot() == states[frame - 1]) << "cut at " << cut;
            // The torn frame is dropped, so the next command's frame follows the last whole one.
            script("LINE\n0,110\n5,110\n\n");
            const Snapshot withLine = snapshot();
            crashWith(bytesOf(journalPath()));
            reopen("Yes");
            EXPECT_TRUE(snapshot() == withLine) << "cut at " << cut;
        }
    }
}

TEST_F(RecoveryJournal, NoRemovesTheJournalAndLeavesTheSavedDrawing)
{
    startOnSavedDrawing();
    const Snapshot saved = snapshot();
    script(kWork[0]);
    crashWith(bytesOf(journalPath()));
    const std::string out = reopen("N");
    EXPECT_NE(out.find(offer(drawingPath(), 1) + "N"), std::string::npos) << out;
    EXPECT_TRUE(snapshot() == saved);
    EXPECT_FALSE(exists(journalPath()));
    EXPECT_FALSE(session().isModified());
    // A journal of no command, or not a journal at all, recovers nothing: it is removed
    // without a word.
    script(kWork[0]);
    const std::string journal = bytesOf(journalPath());
    const vemcad::JournalFrames frames = vemcad::readFrames(std::vector<unsigned char>(journal.begin(), journal.end()));
    ASSERT_EQ(frames.frames.size(), 2u);
    for (const std::string& left : {journal.substr(0, frames.frames[0].offset + frames.frames[0].size),
                                    std::string("VEM journal 1\n")}) {
        crashWith(left);
        EXPECT_EQ(reopen("").find("unsaved work"), std::string::npos);
        EXPECT_FALSE(exists(journalPath()));
    }
}

TEST_F(RecoveryJournal, WorkThatCannotBeRecoveredStaysInItsJournal)
{
    startOnSavedDrawing();
    script(kWork[0]);
    const std::string journal = bytesOf(journalPath());
    crashWith(journal);
    // The drawing was saved again by someone else since: the journal no longer fits it.
    script("LINE\n0,0\n1,1\n\nSAVEAS\n" + drawingPath() + "\nY\n");
    session().newDrawing();
    writeBytes(journalPath(), journal);
    std::string out = reopen("Yes");
    EXPECT_NE(out.find("Cannot recover " + drawingPath() + ": the drawing has changed on disk since."),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("The unsaved work stays in " + journalPath() + " until " + drawingPath() + " is saved."),
              std::string::npos)
        << out;
    EXPECT_EQ(bytesOf(journalPath()), journal);
    // Nor does this session write over it.
    script(kWork[3]);
    EXPECT_EQ(bytesOf(journalPath()), journal);

    // A journal another session holds is that session's: not offered, not written.
    session().newDrawing();
    const int held = ::open(journalPath().c_str(), O_RDWR);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    out = reopen("Yes");
    EXPECT_EQ(out.find("unsaved work"), std::string::npos) << out;
    EXPECT_NE(out.find("another vemcad session is working on it"), std::string::npos) << out;
    script(kWork[3]);
    EXPECT_EQ(bytesOf(journalPath()), journal);
    ::close(held);
}

TEST_F(RecoveryJournal, ANeverSavedDrawingComesBackFromTheWorkingFolder)
{
    session().newDrawing();
    session().keepRecoveryJournal();
    script(kSample);
    script(kWork[0]);
    const Snapshot expected = snapshot();
    const std::string journal = bytesOf("vemcad-unsaved-1.vemjournal");
    ASSERT_FALSE(journal.empty());
    session().newDrawing();
    EXPECT_FALSE(exists("vemcad-unsaved-1.vemjournal"));
    writeBytes("vemcad-unsaved-1.vemjournal", journal);

    session().findUnsavedWork();
    vemhost::queueInput(L"Yes");
    vemhost::takeCaptured();
    session().run();
    const std::string out = vemhost::takeCaptured();
    EXPECT_NE(out.find(offer("Drawing2.vdb", 10) + "Yes"), std::string::npos) << out;
    EXPECT_TRUE(snapshot() == expected);
    EXPECT_TRUE(session().drawingPath().empty());
    // Saved, it leaves the working folder for a journal beside the file.
    script("LINE\n0,0\n1,1\n\nSAVEAS\n" + drawingPath() + "\n");
    EXPECT_FALSE(exists("vemcad-unsaved-1.vemjournal"));
    script("LINE\n0,0\n2,2\n\n");
    EXPECT_TRUE(exists(journalPath()));
}

// Frames whose bytes were changed on purpose, their checksums made to fit again: what
// only a hostile file would hold.
std::string withFittingChecksums(std::string journal)
{
    size_t at = 16;
    while (journal.size() - at >= 16) {
        std::uint64_t length = 0;
        std::memcpy(&length, journal.data() + at, 8);
        if (length == 0 || length > journal.size() - at - 16)
            break;
        vemcad::Checksum sum;
        sum.add(reinterpret_cast<const unsigned char*>(journal.data()) + at + 16, size_t(length));
        const std::uint64_t value = sum.value();
        std::memcpy(&journal[at + 8], &value, 8);
        at += 16 + size_t(length);
    }
    return journal;
}

TEST_F(RecoveryJournal, AHostileJournalIsRefusedOrRecoveredNeverTrustedBlindly)
{
    startOnSavedDrawing();
    script(kWork[0]);
    script(kWork[2]);
    script(kWork[9]);
    const std::string journal = bytesOf(journalPath());
    const vemcad::JournalFrames frames = vemcad::readFrames(std::vector<unsigned char>(journal.begin(), journal.end()));
    ASSERT_EQ(frames.frames.size(), 4u);
    int refused = 0, recovered = 0;
    for (size_t at = frames.frames[1].offset; at < journal.size(); at += 19) {
        for (unsigned char value : {0x00, 0xFF}) {
            std::string changed = journal;
            changed[at] = char(value);
            crashWith(withFittingChecksums(changed));
            const std::string out = reopen("Yes");
            if (out.find("Cannot recover") != std::string::npos)
                ++refused;
            else if (out.find(" has unsaved work") != std::string::npos)
                ++recovered;
            // The session goes on, on a drawing that saves.
            script("LINE\n0,0\n3,3\n\n");
            const std::string saved = script("SAVEAS\n" + file("copy.vdb") + "\nY\n");
            EXPECT_NE(saved.find("Saved"), std::string::npos) << at << saved;
            ::unlink(journalPath().c_str());
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(recovered, 0);
}

// The journal's filer gives back every value it files, and refuses a state that is
// cut short or read as another kind.
TEST(JournalFiler, FilesEveryValueAndRefusesWhatDoesNotReadBack)
{
    std::vector<unsigned char> bytes;
    vemcad::JournalFiler out(bytes, nullptr);
    const wchar_t text[] = L"\u5750\u6807 A=1";
    const char block[] = {1, 2, 3};
    out.writeInt8(-3);
    out.writeUInt16(65535);
    out.writeInt32(-70000);
    out.writeUInt64(0xFFFFFFFFFFFFull);
    out.writeDouble(-0.125);
    out.writeBool(true);
    out.writePoint3d(AcGePoint3d(1, -2, 3.5));
    out.writeVector2d(AcGeVector2d(0.25, 4));
    out.writeString(AcString(text));
    out.writeString(static_cast<const ACHAR*>(nullptr));
    out.writeBytes(block, sizeof block);
    out.writeHardPointerId(AcDbObjectId());
    ASSERT_EQ(out.filerStatus(), Acad::eOk);

    vemcad::JournalFiler in(bytes.data(), bytes.size(), nullptr);
    Adesk::Int8 i8 = 0;
    Adesk::UInt16 u16 = 0;
    Adesk::Int32 i32 = 0;
    Adesk::UInt64 u64 = 0;
    double d = 0;
    bool b = false;
    AcGePoint3d p;
    AcGeVector2d v;
    AcString s, empty(L"x");
    char readBlock[3] = {};
    AcDbHardPointerId id;
    in.readInt8(&i8);
    in.readUInt16(&u16);
    in.readInt32(&i32);
    in.readUInt64(&u64);
    in.readDouble(&d);
    in.readBool(&b);
    in.readPoint3d(&p);
    in.readVector2d(&v);
    in.readString(s);
    in.readString(empty);
    in.readBytes(readBlock, sizeof readBlock);
    in.readHardPointerId(&id);
    EXPECT_EQ(in.filerStatus(), Acad::eOk);
    EXPECT_EQ(size_t(in.tell()), bytes.size());
    EXPECT_EQ(i8, -3);
    EXPECT_EQ(u16, 65535);
    EXPECT_EQ(i32, -70000);
    EXPECT_EQ(u64, 0xFFFFFFFFFFFFull);
    EXPECT_EQ(d, -0.125);
    EXPECT_TRUE(b);
    EXPECT_EQ(p, AcGePoint3d(1, -2, 3.5));
    EXPECT_EQ(v, AcGeVector2d(0.25, 4));
    EXPECT_EQ(s, AcString(text));
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_EQ(std::string(readBlock, 3), std::string(block, 3));
    EXPECT_TRUE(id.isNull());

    // Cut anywhere, or read as the wrong kind, a state fails and stays failed.
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        vemcad::JournalFiler shortIn(bytes.data(), cut, nullptr);
        shortIn.readInt8(&i8);
        shortIn.readUInt16(&u16);
        shortIn.readInt32(&i32);
        shortIn.readUInt64(&u64);
        shortIn.readDouble(&d);
        shortIn.readBool(&b);
        shortIn.readPoint3d(&p);
        shortIn.readVector2d(&v);
        shortIn.readString(s);
        shortIn.readString(s);
        shortIn.readBytes(readBlock, sizeof readBlock);
        EXPECT_NE(shortIn.readHardPointerId(&id), Acad::eOk) << "cut at " << cut;
    }
    vemcad::JournalFiler wrongKind(bytes.data(), bytes.size(), nullptr);
    EXPECT_EQ(wrongKind.readDouble(&d), Acad::eFilerError);
    EXPECT_EQ(wrongKind.readInt8(&i8), Acad::eFilerError);
}

}  // namespace
