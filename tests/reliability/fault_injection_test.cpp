// Fault injection through the runtime's test hooks: appends and opens that fail at
// every position inside the commands, and SQLite writes that fail at every step of a
// SAVE. Whatever fails, every entity is in its old state or its new one, UNDO brings
// back the drawing before the command byte for byte, and the file on disk is the old
// drawing or the new one.
#include <sqlite3.h>

#include <fstream>
#include <iterator>

#include "drawing_file.h"
#include "session_fixture.h"

namespace {

// Positions tried at most; every command here makes far fewer appends or opens.
const int kMaxPosition = 3000;

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool contains(const std::vector<std::vector<unsigned char>>& records, const std::vector<unsigned char>& r)
{
    return std::find(records.begin(), records.end(), r) != records.end();
}

}  // namespace

class FaultInjection : public SessionTest {
protected:
    // Runs the script with the hook armed at position n; true when the failure fired.
    bool runFailing(void (*arm)(int, Acad::ErrorStatus), bool (*pending)(), int n, const std::string& text,
                    std::string* out = nullptr)
    {
        arm(n, Acad::eOutOfMemory);
        std::string printed = script(text);
        const bool fired = !pending();
        arm(0, Acad::eOk);
        if (out != nullptr)
            *out = printed;
        return fired;
    }

    // Undoes the last command if it changed anything; the drawing must then be before.
    void expectUndoneTo(const Snapshot& before, const std::string& what)
    {
        if (snapshot() != before)
            script("U\n");
        EXPECT_TRUE(snapshot() == before) << what << ": UNDO did not bring the drawing back";
    }
};

TEST_F(FaultInjection, XallLosesAndDoublesNothingWhereverAnAppendFails)
{
    const std::vector<std::string> drawn = drawing();
    const Snapshot before = snapshot();
    int n = 1;
    for (; n < kMaxPosition; ++n) {
        const bool fired = runFailing(vemhost::testing::failAppendAfter, vemhost::testing::appendFailurePending, n, "XALL\n");
        EXPECT_EQ(drawing(), drawn) << "append " << n << " failed";
        if (!fired) {
            // The whole run: only the label on the locked layer is left.
            EXPECT_EQ(recordsOf(L"ECoPoint").size(), 1u);
            EXPECT_TRUE(recordsOf(L"EOrigin").empty() && recordsOf(L"ECoLine").empty());
        }
        expectUndoneTo(before, "XALL, append " + std::to_string(n));
        if (!fired)
            break;
    }
    // The four labels that explode draw at least three pieces each.
    EXPECT_GT(n, 12) << "XALL appended too little for the test to mean anything";
}

TEST_F(FaultInjection, BatchCommandsReplaceEachLabelWholeOrLeaveItWhereverAnAppendFails)
{
    script("EORI\n100,100\nX\n\n5\nY\n\n7\n2\n\n\n");
    struct Case {
        const char* script;
        const wchar_t* labelClass;
    };
    //  command and its answers                    labels it replaces
    const Case cases[] = {
        {"COPORI\n100,105\nALL\n\n",                 L"ECoPoint"},
        {"COLORI\n100,105\nALL\n\n",                 L"ECoLine"},
        {"COPSCA\n2\nALL\n\n",                       L"ECoPoint"},
        {"COLSCA\n0.5\nALL\n\n",                     L"ECoLine"},
        {"COPDEC\n1\nALL\n\n",                       L"ECoPoint"},
        {"COLDEC\n0\nALL\n\n",                       L"ECoLine"},
    };
    for (const Case& c : cases) {
        const Snapshot before = snapshot();
        const auto oldRecords = recordsOf(c.labelClass);
        script(c.script);
        const auto newRecords = recordsOf(c.labelClass);
        ASSERT_NE(newRecords, oldRecords) << c.script;
        expectUndoneTo(before, c.script);
        for (int n = 1; n < kMaxPosition; ++n) {
            const bool fired = runFailing(vemhost::testing::failAppendAfter, vemhost::testing::appendFailurePending, n, c.script);
            const auto got = recordsOf(c.labelClass);
            EXPECT_EQ(got.size(), oldRecords.size()) << c.script << "append " << n;
            for (const auto& record : got)
                EXPECT_TRUE(contains(oldRecords, record) || contains(newRecords, record))
                    << c.script << "append " << n << ": a label is neither old nor new";
            if (!fired) {
                EXPECT_EQ(got, newRecords) << c.script;
            }
            expectUndoneTo(before, std::string(c.script) + "append " + std::to_string(n));
            if (!fired)
                break;
        }
    }
}

TEST_F(FaultInjection, CopyAddsWholeCopiesOrNothingWhereverAnAppendRunsOutOfMemory)
{
    const char* kCopy = "COPY\nALL\n\n0,0\n100,0\n200,0\n\n";
    const Snapshot before = snapshot();
    auto entityRecords = [&] {
        std::vector<std::vector<unsigned char>> out;
        for (const wchar_t* cls : {L"EOrigin", L"ECoPoint", L"ECoLine", L"AcDbLine", L"AcDbPolyline"})
            for (auto& r : recordsOf(cls))
                out.push_back(r);
        std::sort(out.begin(), out.end());
        return out;
    };
    const auto originals = entityRecords();
    script(kCopy);
    const auto copied = entityRecords();
    ASSERT_GT(copied.size(), originals.size());
    expectUndoneTo(before, "COPY");
    for (int n = 1; n < kMaxPosition; ++n) {
        std::string out;
        const bool fired = runFailing(vemhost::testing::failAppendAfter, vemhost::testing::appendFailurePending, n, kCopy, &out);
        const Snapshot after = snapshot();
        for (const auto& entry : before)
            if (after.count(entry.first) == 0)
                ADD_FAILURE() << "append " << n << ": object " << entry.first << " was lost";
        // An append that runs out of memory ends the copy, undone whole.
        const auto got = entityRecords();
        EXPECT_EQ(got.size(), fired ? originals.size() : copied.size()) << "append " << n;
        for (const auto& record : got)
            EXPECT_TRUE(contains(copied, record)) << "append " << n << ": an entity is no whole copy";
        if (fired) {
            EXPECT_NE(out.find("COPY: out of memory; the command is undone."), std::string::npos) << "append " << n;
        }
        expectUndoneTo(before, "COPY, append " + std::to_string(n));
        if (!fired)
            break;
    }
}

TEST_F(FaultInjection, CommandsThatAddOneEntityAddNothingWhenTheAppendIsRefused)
{
    //  command and its answers                 what it says
    const char* const cases[][2] = {
        {"EORI\n5,5\n\n\n\n\n\n\n\n\n\n",          ""},
        {"ECOP\n0,5\n12,22\n18,28\n\n",            ""},
        {"ECOL\n0,5\nA\n33,3\n\n",                 ""},
        {"LINE\n0,0\n1,1\n\n",                     "The entity could not be added to the drawing."},
        {"PLINE\n0,0\n5,0\n5,5\n\n",               "The entity could not be added to the drawing."},
    };
    for (const auto& c : cases) {
        const Snapshot before = snapshot();
        std::string out;
        EXPECT_TRUE(runFailing(vemhost::testing::failAppendAfter, vemhost::testing::appendFailurePending, 1, c[0], &out)) << c[0];
        EXPECT_TRUE(snapshot() == before) << c[0];
        EXPECT_NE(out.find(c[1]), std::string::npos) << c[0];
    }
}

TEST_F(FaultInjection, EveryCommandEndsCleanlyAndUndoesWholeWhereverAnOpenFails)
{
    // Each of the twelve commands and the host commands, with answers that complete it.
    const char* const scripts[] = {
        "EORI\n5,5\n\n\n\n\n\n\n\n\n\n", "ECOP\n0,5\n12,22\n18,28\n\n", "ECOL\n0,5\nB\n33,3\n\n",
        "COPORI\n0,5\nALL\n\n", "COLORI\n0,5\nALL\n\n", "COPSCA\n2\nALL\n\n", "COLSCA\n2\nALL\n\n",
        "COPDEC\n1\nALL\n\n", "COLDEC\n1\nALL\n\n", "XALL\n", "COLIST\nALL\n\n", "COHELP\n",
        "LINE\n0,0\n1,1\n\n", "PLINE\n0,0\n5,0\n5,5\n\n", "MOVE\nALL\n\n0,0\n5,5\n",
        "COPY\nALL\n\n0,0\n100,0\n\n", "ROTATE\nALL\n\n0,0\n90\n", "SCALE\nALL\n\n0,0\n2\n",
        "MIRROR\nALL\n\n0,0\n0,10\nY\n", "STRETCH\nC\n9,19\n11,21\n\n10,20\n13,21\n", "GRIP\n10,20\n10,20\n11,24\n",
        "ERASE\nALL\n\n", "EXPLODE\nALL\n\n", "LIST\nALL\n\n", "CHSPACE\nALL\n\n", "LAYER\nU\nlocked\nC\n3\n0\n\n",
        "SETVAR\nCLAYER\nlocked\n",
    };
    long positions = 0;
    for (const char* text : scripts) {
        const Snapshot before = snapshot();
        const std::vector<std::string> drawn = drawing();
        for (int n = 1; n < kMaxPosition; ++n, ++positions) {
            const bool fired = runFailing(vemhost::testing::failOpenAfter, vemhost::testing::openFailurePending, n, text);
            if (std::string(text) == "XALL\n" || std::string(text) == "COLIST\nALL\n\n") {
                EXPECT_EQ(drawing(), drawn) << text << "open " << n;
            }
            expectUndoneTo(before, std::string(text) + "open " + std::to_string(n));
            if (!fired)
                break;
        }
    }
    EXPECT_GT(positions, 200) << "the commands opened too little for the test to mean anything";
}

TEST_F(FaultInjection, SaveThatFailsAtAnyStepLeavesTheOldFileAndNoOther)
{
    const std::string path = file("site.vdb");
    script("SAVEAS\n" + path + "\n");
    const std::string oldFile = readFile(path);
    ASSERT_FALSE(oldFile.empty());
    script("ERASE\n10,20\n\n");
    const size_t labelsNow = recordsOf(L"ECoPoint").size();
    for (int code : {SQLITE_FULL, SQLITE_IOERR}) {
        // The old file is put back as another program would put it: SAVE asks (Yes)
        // before it overwrites the file.
        std::ofstream(file("restored"), std::ios::binary) << oldFile;
        ASSERT_EQ(::rename(file("restored").c_str(), path.c_str()), 0);
        for (int n = 1; n < kMaxPosition; ++n) {
            ::unlink(file("site.bak").c_str());
            vemio::setWriteFailureForTests(n, code);
            const std::string out = script("SAVE\nY\n");
            vemio::setWriteFailureForTests(0, 0);
            // Nothing but the drawing (and, once saved, the file it replaced as its .bak) is left.
            const std::string listing = this->listing();
            const bool kept = out.find("Cannot save") == std::string::npos;
            EXPECT_EQ(listing, kept ? "site.bak\nsite.vdb\n" : "site.vdb\n") << "step " << n << " left a file behind";
            if (out.find("Cannot save") != std::string::npos) {
                EXPECT_NE(out.find("The file on disk is unchanged."), std::string::npos);
                EXPECT_EQ(readFile(path), oldFile) << "code " << code << ", step " << n;
                continue;
            }
            EXPECT_NE(out.find("Saved"), std::string::npos) << out;
            std::string error;
            std::unique_ptr<AcDbDatabase> saved = vemio::openDrawing(path, error);
            ASSERT_NE(saved, nullptr) << error;
            long labels = 0;
            for (const AcDbObjectId& id : acrt::allEntities(saved.get()))
                if (AcString(AcDbSystemInternals::peek(id)->isA()->name()) == L"ECoPoint")
                    ++labels;
            EXPECT_EQ(size_t(labels), labelsNow) << "the new file is not the new drawing";
            EXPECT_GT(n, 3) << "a save of several steps passed its first ones";
            break;
        }
    }
}
