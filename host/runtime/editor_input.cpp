// Editor input: answers come line by line from the input provider (a script, the
// keyboard, or the tests' queue); string and point requests take them apart as the
// host does, and a "^C" line cancels the request it answers.
#include <cmath>
#include <cwchar>
#include <cwctype>
#include <deque>

#include "acedads.h"
#include "acutads.h"
#include "dbapserv.h"
#include "editor_internals.h"
#include "gemat3d.h"
#include "vemhost.h"

namespace {

struct EditorInput {
    vemhost::InputProvider* provider = nullptr;
    std::deque<std::wstring> queue;
    std::wstring pending;
    bool hasPending = false;
    bool echo = false;
    bool exhausted = false;
    double pickBox = 3.0;
    AcGePoint3d last;
};

EditorInput& input()
{
    static EditorInput in;
    return in;
}

bool nextLine(std::wstring& line)
{
    EditorInput& in = input();
    bool got = false;
    if (in.provider != nullptr) {
        got = in.provider->readLine(line);
    } else if (!in.queue.empty()) {
        line = std::move(in.queue.front());
        in.queue.pop_front();
        got = true;
    }
    in.exhausted = !got;
    return got;
}

struct OsnapKeyword {
    const wchar_t* name;
    AcDb::OsnapMode mode;
};

//  keyword   mode
const OsnapKeyword kOsnapKeywords[] = {
    {L"END", AcDb::kOsModeEnd},  {L"MID", AcDb::kOsModeMid},   {L"CEN", AcDb::kOsModeCen},
    {L"NOD", AcDb::kOsModeNode}, {L"QUA", AcDb::kOsModeQuad},  {L"INS", AcDb::kOsModeIns},
    {L"PER", AcDb::kOsModePerp}, {L"TAN", AcDb::kOsModeTan},   {L"NEA", AcDb::kOsModeNear},
};

bool osnapKeyword(const std::wstring& text, AcDb::OsnapMode& mode)
{
    if (text.size() < 3)
        return false;
    for (const OsnapKeyword& k : kOsnapKeywords) {
        bool match = true;
        for (size_t i = 0; i < 3; ++i)
            if (std::towupper(wint_t(text[i])) != wint_t(k.name[i]))
                match = false;
        if (match) {
            mode = k.mode;
            return true;
        }
    }
    return false;
}

// A number as the host reads coordinates: finite, the whole text.
bool parseNumber(const std::wstring& text, double& value)
{
    if (text.empty())
        return false;
    wchar_t* end = nullptr;
    value = std::wcstod(text.c_str(), &end);
    return end != nullptr && *end == 0 && std::isfinite(value) && end != text.c_str();
}

std::vector<std::wstring> splitOn(const std::wstring& text, wchar_t sep)
{
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (;;) {
        size_t p = text.find(sep, start);
        parts.push_back(text.substr(start, p == std::wstring::npos ? std::wstring::npos : p - start));
        if (p == std::wstring::npos)
            return parts;
        start = p + 1;
    }
}

}  // namespace

namespace vemhost {
InputProvider::~InputProvider() = default;
void setInputProvider(InputProvider* provider) { input().provider = provider; }
void queueInput(const std::wstring& line) { input().queue.push_back(line); }
void queueInput(std::initializer_list<std::wstring> lines)
{
    for (const std::wstring& line : lines)
        input().queue.push_back(line);
}
void clearInput()
{
    input().queue.clear();
    discardPendingAnswer();
}
size_t pendingInputCount() { return input().queue.size() + (input().hasPending ? 1 : 0); }
void discardPendingAnswer()
{
    input().pending.clear();
    input().hasPending = false;
}
void setEchoAnswers(bool on) { input().echo = on; }
bool inputExhausted() { return input().exhausted; }
void setPickBox(double size)
{
    if (size > 0.0 && std::isfinite(size))
        input().pickBox = size;
}
double pickBox() { return input().pickBox; }
AcGePoint3d lastPoint() { return input().last; }
void setLastPoint(const AcGePoint3d& pt) { input().last = pt; }
}  // namespace vemhost

namespace acrt {

AnswerStatus readAnswer(const ACHAR* prompt, bool spacesAllowed, std::wstring& answer)
{
    EditorInput& in = input();
    answer.clear();
    if (prompt != nullptr)
        vemhost::printPlain(prompt);
    if (!in.hasPending) {
        std::wstring line;
        if (!nextLine(line))
            return AnswerStatus::kCancel;  // the input has ended: nothing to show
        while (!line.empty() && (line.back() == L'\r' || line.back() == L'\n'))
            line.pop_back();
        in.pending = std::move(line);
        in.hasPending = true;
    }
    if (in.pending == L"^C") {
        vemhost::discardPendingAnswer();
        vemhost::printPlain(L"*Cancel*");
        return AnswerStatus::kCancel;
    }
    size_t space = spacesAllowed ? std::wstring::npos : in.pending.find(L' ');
    if (space == std::wstring::npos) {
        answer = std::move(in.pending);
        vemhost::discardPendingAnswer();
    } else {
        answer = in.pending.substr(0, space);
        in.pending.erase(0, space + 1);
    }
    if (in.echo)
        vemhost::printPlain(answer);
    return AnswerStatus::kText;
}

bool parsePoint(const std::wstring& text, const AcGePoint3d& base, AcGePoint3d& result)
{
    std::wstring body = text;
    bool relative = !body.empty() && body[0] == L'@';
    if (relative)
        body.erase(0, 1);
    if (relative && body.empty()) {
        result = base;
        return true;
    }
    size_t lt = body.find(L'<');
    if (lt != std::wstring::npos) {
        double dist = 0.0, angle = 0.0;
        if (!parseNumber(body.substr(0, lt), dist) || !parseNumber(body.substr(lt + 1), angle))
            return false;
        double rad = angle * M_PI / 180.0;
        AcGePoint3d origin = relative ? base : AcGePoint3d::kOrigin;
        result = origin + AcGeVector3d(dist * std::cos(rad), dist * std::sin(rad), 0.0);
        return true;
    }
    std::vector<std::wstring> parts = splitOn(body, L',');
    if (parts.size() < 2 || parts.size() > 3)
        return false;
    double v[3] = {0.0, 0.0, 0.0};
    for (size_t i = 0; i < parts.size(); ++i)
        if (!parseNumber(parts[i], v[i]))
            return false;
    AcGeVector3d d(v[0], v[1], v[2]);
    result = relative ? base + d : AcGePoint3d(v[0], v[1], v[2]);
    return true;
}

}  // namespace acrt

int acedGetString(int cronly, const ACHAR* prompt, ACHAR* result, size_t bufsize)
{
    if (result == nullptr || bufsize == 0)
        return RTERROR;
    result[0] = 0;
    std::wstring answer;
    if (acrt::readAnswer(prompt, cronly != 0, answer) == acrt::AnswerStatus::kCancel)
        return RTCAN;
    size_t n = answer.size() < bufsize - 1 ? answer.size() : bufsize - 1;
    std::wmemcpy(result, answer.data(), n);
    result[n] = 0;
    return answer.size() > bufsize - 1 ? RTINPUTTRUNCATED : RTNORM;
}

int acedInitGet(int, const ACHAR*) { return RTNORM; }

// Asks until the answer is a point, Enter or a cancel. An object snap keyword asks for
// the point to snap from, then takes the nearest snap point offered there.
int acedGetPoint(const ads_point pt, const ACHAR* prompt, ads_point result)
{
    AcGePoint3d base = pt ? AcGePoint3d(pt[X], pt[Y], pt[Z]) : vemhost::lastPoint();
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    const ACHAR* ask = prompt;
    for (;;) {
        std::wstring answer;
        if (acrt::readAnswer(ask, false, answer) == acrt::AnswerStatus::kCancel)
            return RTCAN;
        if (answer.empty())
            return RTNONE;
        AcDb::OsnapMode mode = AcDb::kOsModeEnd;
        bool snapping = osnapKeyword(answer, mode) && answer.find(L',') == std::wstring::npos;
        if (snapping && acrt::readAnswer(L" of ", false, answer) == acrt::AnswerStatus::kCancel)
            return RTCAN;
        AcGePoint3d p;
        if (acrt::parsePoint(answer, base, p) && (!snapping || acrt::snapPoint(db, mode, p, p))) {
            if (result != nullptr) {
                result[X] = p.x;
                result[Y] = p.y;
                result[Z] = p.z;
            }
            vemhost::setLastPoint(p);
            return RTNORM;
        }
        vemhost::printPlain(snapping ? L"\nNo snap point found." : L"\nInvalid point.");
        ask = prompt;
    }
}
