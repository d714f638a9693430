// The bad-input matrix: every prompt of the twelve commands and of the host commands
// answered with nothing, ESC, letters, 10,000 characters, inf, nan, 1e999, Chinese text
// and a format attack. Each answer gives the prompt's own message and fallback, asks
// again, or ends the command cleanly, with nothing left open and nothing lost.
#include "acedads.h"
#include "session_fixture.h"

namespace {

enum Answer { kEmpty, kEsc, kLetters, kLong, kInf, kNan, kHuge, kChinese, kFormat, kAnswerCount };

std::string answerText(Answer a)
{
    //  answer      text
    static const char* const kTexts[kAnswerCount] = {
        /* kEmpty */   "",
        /* kEsc */     "^C",
        /* kLetters */ "abc",
        /* kLong */    nullptr,  // 10,000 characters, made below
        /* kInf */     "inf",
        /* kNan */     "nan",
        /* kHuge */    "1e999",
        /* kChinese */ "中文坐标",
        /* kFormat */  "%s%n%x%s%s%s",
    };
    return a == kLong ? std::string(10000, 'x') : kTexts[a];
}

// What a prompt does with an answer: the command ends; the prompt prints its message
// and asks again; the default is taken (with or without the message); or the answer
// is taken as it is.
enum Outcome { kEnd, kAgain, kDefault, kFallback, kTaken };  // kFallback: the default with the message

struct PromptKind {
    const char* name;
    Outcome outcomes[kAnswerCount];
};

//  kind                       "", ^C, abc, 10,000 characters, inf, nan, 1e999, 中文, %s
const PromptKind kPick      = {"pick",      {kEnd, kEnd, kAgain, kAgain, kAgain, kAgain, kAgain, kAgain, kAgain}};
const PromptKind kPoint     = {"point",     {kEnd, kEnd, kAgain, kAgain, kAgain, kAgain, kAgain, kAgain, kAgain}};
const PromptKind kLastPoint = {"optional point", {kDefault, kDefault, kAgain, kAgain, kAgain, kAgain, kAgain, kAgain, kAgain}};
const PromptKind kName      = {"name",      {kDefault, kEnd, kTaken, kEnd, kTaken, kTaken, kTaken, kTaken, kTaken}};
const PromptKind kChoice    = {"choice",    {kDefault, kEnd, kFallback, kEnd, kFallback, kFallback, kFallback, kFallback, kFallback}};
// A count of decimals: an answer without a decimal number ("inf" and "nan" included)
// reads as 0 (as _wtof does), a count of its own; only what is out of range or
// overflows falls back to 3.
const PromptKind kDecimals  = {"decimals",  {kDefault, kEnd, kTaken, kEnd, kTaken, kTaken, kFallback, kTaken, kTaken}};
const PromptKind kNumber    = {"number",    {kDefault, kEnd, kDefault, kEnd, kDefault, kDefault, kDefault, kDefault, kDefault}};
// A point prompt whose Enter takes a point of its own (STRETCH's second point).
const PromptKind kPointOrEnter = {"point or Enter", {kDefault, kEnd, kAgain, kAgain, kAgain, kAgain, kAgain, kAgain, kAgain}};
const PromptKind kSelection = {"selection", {kEnd, kEnd, kAgain, kAgain, kAgain, kAgain, kAgain, kAgain, kAgain}};
// host prompts
const PromptKind kHostNumber = {"host number", {kEnd, kEnd, kAgain, kEnd, kAgain, kAgain, kAgain, kAgain, kAgain}};

struct PromptRow {
    const char* before;   // the command and the answers that reach the prompt
    const PromptKind* kind;
    const char* message;  // printed when asked again or falling back, never otherwise
    const char* again;    // a good answer after an answer that is asked again
    const char* after;    // the answers that complete the command after the prompt
    bool changes;         // a completed command changes the drawing
};

const char kInvalidPoint[] = "Invalid point.";
const char kInvalidSelection[] = "*Invalid selection*";
const char kScaleMessage[] = "请输入的图纸比例不正确,将自动取默认值1.0";
const char kSizeMessage[] = "输入的外观缩放倍数不正确,将自动取默认值1.0";
const char kDecimalsMessage[] = "输入的小数位数不正确,将自动取默认值3";

const PromptRow kRows[] = {
    // EORI: the eleven prompts
    {"EORI",                       &kPoint,  kInvalidPoint,  "5,5", "\n\n\n\n\n\n\n\n\n",      true},
    {"EORI\n5,5",                  &kName,   "",             "",    "\n\n\n\n\n\n\n\n",        true},
    {"EORI\n5,5\n",                &kChoice, "纵轴方向输入无效,将自动取默认值U", "", "\n\n\n\n\n\n\n", true},
    {"EORI\n5,5\n\n",              &kNumber, "",             "",    "\n\n\n\n\n\n",            true},
    {"EORI\n5,5\n\n\n",            &kName,   "",             "",    "\n\n\n\n\n",              true},
    {"EORI\n5,5\n\n\n\n",          &kChoice, "横轴方向输入无效,将自动取默认值R", "", "\n\n\n\n", true},
    {"EORI\n5,5\n\n\n\n\n",        &kNumber, "",             "",    "\n\n\n",                  true},
    {"EORI\n5,5\n\n\n\n\n\n",      &kChoice, kScaleMessage,  "",    "\n\n",                    true},
    {"EORI\n5,5\n\n\n\n\n\n\n",    &kChoice, kSizeMessage,   "",    "\n",                      true},
    {"EORI\n5,5\n\n\n\n\n\n\n\n",  &kDecimals, kDecimalsMessage, "",  "",                        true},
    // ECOP
    {"ECOP",                       &kPick,   kInvalidPoint,  "0,5",  "12,22\n18,28\n",          true},
    {"ECOP\n0,5",                  &kPoint,  kInvalidPoint,  "12,22", "18,28\n\n",              true},
    {"ECOP\n0,5\n12,22",           &kPoint,  kInvalidPoint,  "18,28", "\n",                     true},
    {"ECOP\n0,5\n12,22\n18,28",    &kLastPoint, kInvalidPoint, "30,28", "",                     true},
    // ECOL
    {"ECOL",                       &kPick,   kInvalidPoint,  "0,5",  "A\n33,3\n\n",             true},
    {"ECOL\n0,5",                  &kChoice, "输入的参考轴号不正确,将自动取默认值A", "", "33,3\n\n", true},
    {"ECOL\n0,5\nB",               &kPoint,  kInvalidPoint,  "33,3", "\n",                      true},
    {"ECOL\n0,5\nB\n33,3",         &kLastPoint, kInvalidPoint, "40,10", "",                     true},
    // the batch commands: the new value, then the selection
    {"COPORI",                     &kPick,   kInvalidPoint,  "0,5",  "ALL\n\n",                 true},
    {"COPORI\n0,5",                &kSelection, kInvalidSelection, "ALL", "\n",                 true},
    {"COLORI",                     &kPick,   kInvalidPoint,  "0,5",  "ALL\n\n",                 true},
    {"COLORI\n0,5",                &kSelection, kInvalidSelection, "ALL", "\n",                 true},
    {"COPSCA",                     &kChoice, kSizeMessage,   "",     "ALL\n\n",                 true},
    {"COPSCA\n2",                  &kSelection, kInvalidSelection, "ALL", "\n",                 true},
    {"COLSCA",                     &kChoice, kSizeMessage,   "",     "ALL\n\n",                 true},
    {"COLSCA\n2",                  &kSelection, kInvalidSelection, "ALL", "\n",                 true},
    {"COPDEC",                     &kDecimals, kDecimalsMessage, "",   "ALL\n\n",                 true},
    {"COPDEC\n1",                  &kSelection, kInvalidSelection, "ALL", "\n",                 true},
    {"COLDEC",                     &kDecimals, kDecimalsMessage, "",   "ALL\n\n",                 true},
    {"COLDEC\n1",                  &kSelection, kInvalidSelection, "ALL", "\n",                 true},
    {"COLIST",                     &kSelection, kInvalidSelection, "ALL", "\n",                 false},
    // host commands
    {"LINE",                       &kPoint,  kInvalidPoint,  "0,0",  "1,1\n\n",                 true},
    {"LINE\n0,0",                  &kPoint,  kInvalidPoint,  "1,1",  "\n",                      true},
    {"PLINE\n0,0",                 &kPoint,  kInvalidPoint,  "5,5",  "\n",                      true},
    {"MOVE",                       &kSelection, kInvalidSelection, "ALL", "\n0,0\n5,5\n",       true},
    {"MOVE\nALL\n",                &kPoint,  kInvalidPoint,  "0,0",  "5,5\n",                   true},
    {"MOVE\nALL\n\n0,0",           &kPoint,  kInvalidPoint,  "5,5",  "",                        true},
    {"COPY\nALL\n\n0,0",           &kPoint,  kInvalidPoint,  "100,0", "\n",                     true},
    {"ROTATE\nALL\n\n0,0",         &kHostNumber, "Requires numeric value.", "90", "",           true},
    {"SCALE\nALL\n\n0,0",          &kHostNumber, "Requires numeric value.", "2", "",            true},
    {"MIRROR\nALL\n\n0,0",         &kPoint,  kInvalidPoint,  "0,10", "Y\n",                     true},
    {"STRETCH\nC\n9,19\n11,21\n\n10,20", &kPointOrEnter, kInvalidPoint, "13,21", "",                     true},
    {"GRIP\n10,20\n10,20",         &kPoint,  kInvalidPoint,  "11,24", "",                       true},
    {"ERASE",                      &kSelection, kInvalidSelection, "ALL", "\n",                 true},
    {"EXPLODE",                    &kSelection, kInvalidSelection, "ALL", "\n",                 true},
    {"CHSPACE",                    &kSelection, kInvalidSelection, "ALL", "\n",                 true},
    {"LIST",                       &kSelection, kInvalidSelection, "ALL", "\n",                 false},
    {"LAYER\nC",                   &kHostNumber, "Requires numeric value.", "3", "0\n\n",       true},
    {"SETVAR\nPICKBOX",            &kHostNumber, "Requires numeric value.", "10", "",           false},
};

}  // namespace

class BadInput : public SessionTest {};

TEST_F(BadInput, EveryPromptGivesItsMessageAndFallbackOrEndsCleanly)
{
    for (const PromptRow& row : kRows) {
        for (int a = 0; a < kAnswerCount; ++a) {
            const Answer answer = Answer(a);
            const Outcome outcome = row.kind->outcomes[a];
            const std::string what = std::string(row.before) + " <- " + row.kind->name + " answer " +
                                     std::to_string(a);
            const Snapshot before = snapshot();
            std::string text = std::string(row.before) + "\n" + answerText(answer) + "\n";
            if (outcome == kAgain)
                text += std::string(row.again) + "\n";
            if (outcome != kEnd)
                text += row.after;
            const std::string out = script(text);
            const bool changed = snapshot() != before;
            const std::string message = row.message;
            if (outcome == kEnd) {
                EXPECT_FALSE(changed) << what << ": the command did not end";
            } else {
                EXPECT_EQ(changed, row.changes) << what << "\n" << out;
            }
            if (!message.empty() && (outcome == kAgain || outcome == kFallback)) {
                EXPECT_NE(out.find(message), std::string::npos) << what << ": no message\n" << out;
            }
            if (!message.empty() && (outcome == kDefault || outcome == kTaken)) {
                EXPECT_EQ(out.find(message), std::string::npos) << what << ": a message for a good answer";
            }
            // Nothing is ever formatted from an answer: it is echoed as it was typed.
            if (answer == kFormat && outcome != kEnd) {
                EXPECT_NE(out.find(answerText(kFormat)), std::string::npos) << what;
            }
            if (changed)
                script("U\n");
            EXPECT_TRUE(snapshot() == before) << what << ": U did not undo the command";
        }
    }
}

TEST_F(BadInput, AnOverlongAnswerIsTruncatedToTheBufferAndEndsTheCommand)
{
    // The host returns RTINPUTTRUNCATED with what fits; the module's 100-character
    // buffer and the host commands' 4,096-character one both end the command.
    ACHAR buffer[8];
    vemhost::queueInput(L"0123456789");
    EXPECT_EQ(acedGetString(0, L"\nText: ", buffer, 8), RTINPUTTRUNCATED);
    EXPECT_EQ(std::wstring(buffer), L"0123456");
    vemhost::queueInput(L"0123456");
    EXPECT_EQ(acedGetString(0, L"\nText: ", buffer, 8), RTNORM);
    const Snapshot before = snapshot();
    const std::string axisName(100, 'A');
    EXPECT_TRUE(script("EORI\n5,5\n" + axisName + "\n\n\n\n\n\n\n\n\n") != "");
    EXPECT_TRUE(snapshot() == before) << "a 100-character axis name does not fit the answer buffer";
    script("EORI\n5,5\n" + axisName.substr(0, 99) + "\n\n\n\n\n\n\n\n\n");
    EXPECT_FALSE(snapshot() == before) << "a 99-character axis name fits";
    script("U\n");
    const std::string out = script("SAVEAS\n" + std::string(5000, 'f') + "\n");
    EXPECT_NE(out.find("Answer too long."), std::string::npos);
}

TEST_F(BadInput, LayerOptionsAndFileNamesTakeWhatTheyAreGiven)
{
    // "nan" at the LAYER option is N (New): the next answer names the layer.
    std::string out = script("LAYER\nnan\nnew_layer\n\n");
    EXPECT_EQ(out.find("Invalid option keyword."), std::string::npos);
    out = script("LAYER\nabc\n\n");
    EXPECT_NE(out.find("Invalid option keyword."), std::string::npos);
    out = script("LAYER\nN\n%s%n%x\nS\n%s%n%x\n\n");
    EXPECT_EQ(out.find("Invalid layer name."), std::string::npos) << "a per cent sign is no format in a name";
    EXPECT_EQ(out.find("not found"), std::string::npos) << out;
    // File names go to the file system as they are, never through a shell: quotes,
    // semicolons, $( ) and back quotes make files of exactly those names.
    for (const char* name : {"中文图纸.vdb", "%s%n%x.vdb", "a b.vdb", "x'; touch pwned; '.vdb", "$(touch pwned).vdb",
                             "`touch pwned`.vdb", "inf"}) {
        out = script(std::string("SAVEAS\n") + name + "\n");
        EXPECT_NE(out.find(std::string("Saved ") + name + "."), std::string::npos) << name << "\n" << out;
        EXPECT_EQ(::access(file(name).c_str(), F_OK), 0) << name;
        out = script(std::string("OPEN\n") + name + "\n");
        EXPECT_NE(out.find(std::string("Opened ") + name + "."), std::string::npos) << name << "\n" << out;
    }
    EXPECT_NE(::access(file("pwned").c_str(), F_OK), 0) << "a file name reached a shell";
    out = script("OPEN\nno such drawing.vdb\n");
    EXPECT_NE(out.find("The current drawing is unchanged."), std::string::npos);
}
