// Editor input: answers come line by line, or as picks, from the input provider (a
// script, the keyboard, a front end, or the tests' queue); string and point requests
// take them apart as the host does, a "^C" line cancels the request it answers, and
// point requests apply object snaps.
#include <cmath>
#include <cwchar>
#include <cwctype>
#include <deque>

#include "acedads.h"
#include "acutads.h"
#include "adscodes.h"
#include "dbapserv.h"
#include "editor_internals.h"
#include "vemhost_testing.h"

namespace {

struct EditorInput {
    vemhost::InputProvider* provider = nullptr;
    std::deque<vemhost::Input> queue;
    std::wstring pending;
    bool hasPending = false;
    bool echo = false;
    bool exhausted = false;
    double pickBox = 3.0;
    int osmode = vemhost::kDefaultOsmode;
    int initGetFlags = 0;
    std::wstring initGetKeywords;
    std::wstring keyword;  // the last keyword answered
    AcGePoint3d last;
    // What the request reading now asks for (RequestScope), and whether one reads.
    bool reading = false;
    bool readingPicks = false;
    vemhost::Request request = vemhost::Request::kNone;
    bool runningSnaps = false;
    AcGePoint3d requestBase;
    const std::vector<AcDbObjectId>* selected = nullptr;
    vemhost::InputObserver* observer = nullptr;
};

vemhost::Request requestReading(const EditorInput& in)
{
    if (!in.reading)
        return vemhost::Request::kNone;
    if (in.request != vemhost::Request::kNone)
        return in.request;
    return in.readingPicks ? vemhost::Request::kPoint : vemhost::Request::kText;
}

EditorInput& input()
{
    static EditorInput in;
    return in;
}

bool nextInput(vemhost::Input& next)
{
    EditorInput& in = input();
    bool got = false;
    if (in.provider != nullptr) {
        got = in.provider->read(next);
    } else if (!in.queue.empty()) {
        next = std::move(in.queue.front());
        in.queue.pop_front();
        got = true;
    }
    in.exhausted = !got;
    if (got && in.observer != nullptr)
        in.observer->inputTaken(next, requestReading(in));
    return got;
}

// Makes the next line the pending one, or hands over a pick when picks are wanted
// (others are passed over, as the host ignores clicks at prompts that take no point).
acrt::AnswerStatus takeInput(bool picksWanted, AcGePoint3d& pick)
{
    EditorInput& in = input();
    while (!in.hasPending) {
        vemhost::Input next;
        if (!nextInput(next))
            return acrt::AnswerStatus::kCancel;  // the input has ended: nothing to show
        if (next.kind == vemhost::Input::kPick) {
            if (!picksWanted)
                continue;
            pick = next.point;
            return acrt::AnswerStatus::kPick;
        }
        std::wstring& line = next.line;
        while (!line.empty() && (line.back() == L'\r' || line.back() == L'\n'))
            line.pop_back();
        in.pending = std::move(line);
        in.hasPending = true;
    }
    return acrt::AnswerStatus::kText;
}

// Takes the next answer out of the pending line.
acrt::AnswerStatus takeAnswer(bool spacesAllowed, std::wstring& answer)
{
    EditorInput& in = input();
    if (in.pending == L"^C") {
        vemhost::discardPendingAnswer();
        vemhost::printPlain(L"*Cancel*");
        return acrt::AnswerStatus::kCancel;
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
    return acrt::AnswerStatus::kText;
}

acrt::AnswerStatus readInput(const ACHAR* prompt, bool spacesAllowed, bool picksWanted, std::wstring& answer,
                             AcGePoint3d& pick)
{
    answer.clear();
    if (prompt != nullptr)
        vemhost::printPlain(prompt);
    EditorInput& in = input();
    in.reading = true;
    in.readingPicks = picksWanted;
    const acrt::AnswerStatus status = takeInput(picksWanted, pick);
    in.reading = false;
    return status == acrt::AnswerStatus::kText ? takeAnswer(spacesAllowed, answer) : status;
}

struct OsnapKeyword {
    const wchar_t* name;
    unsigned modes;
};

//  keyword   modes
const OsnapKeyword kOsnapKeywords[] = {
    {L"END", acrt::kSnapEnd},  {L"MID", acrt::kSnapMid},   {L"CEN", acrt::kSnapCen},  {L"NOD", acrt::kSnapNode},
    {L"QUA", acrt::kSnapQuad}, {L"INT", acrt::kSnapInt},   {L"INS", acrt::kSnapIns},  {L"PER", acrt::kSnapPerp},
    {L"TAN", acrt::kSnapTan},  {L"NEA", acrt::kSnapNear},  {L"NON", 0},
};

// A snap keyword is named by its first three letters ("END", "ENDP" ...); NON takes
// the point as given, whatever the running snaps.
bool osnapKeyword(const std::wstring& text, unsigned& modes)
{
    if (text.size() < 3 || text.find(L',') != std::wstring::npos)
        return false;
    for (const OsnapKeyword& k : kOsnapKeywords) {
        bool match = true;
        for (size_t i = 0; i < 3; ++i)
            if (std::towupper(wint_t(text[i])) != wint_t(k.name[i]))
                match = false;
        if (match) {
            modes = k.modes;
            return true;
        }
    }
    return false;
}

bool isFinitePoint(const AcGePoint3d& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

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

// The keyword of the list (separated by spaces) that answer names: a leading part of
// it, case aside, at least as long as its leading capitals (the whole keyword when it
// has none), as the host takes "D" or "disp" for "Displacement".
bool matchKeyword(const std::wstring& keywords, const std::wstring& answer, std::wstring& keyword)
{
    if (answer.empty())
        return false;
    for (const std::wstring& candidate : splitOn(keywords, L' ')) {
        size_t capitals = 0;
        while (capitals < candidate.size() && std::iswupper(wint_t(candidate[capitals])))
            ++capitals;
        const size_t shortest = capitals == 0 ? candidate.size() : capitals;
        if (candidate.empty() || answer.size() < shortest || answer.size() > candidate.size())
            continue;
        bool prefix = true;
        for (size_t i = 0; i < answer.size() && prefix; ++i)
            prefix = std::towupper(wint_t(answer[i])) == std::towupper(wint_t(candidate[i]));
        if (prefix) {
            keyword = candidate;
            return true;
        }
    }
    return false;
}

// What a round of a point prompt returns when the prompt is to be asked again, and
// when a distance request was answered with a number (no editor status has these values).
constexpr int kAskAgain = 1;
constexpr int kNumberAnswer = 2;

// One round of a point prompt: RTNORM with the point, RTNONE on Enter, RTKWORD for one
// of the keywords (or, when arbitrary, for any text that is no point), RTCAN, or
// kAskAgain after saying what was wrong. A snap keyword asks for the point to snap
// from; running snaps apply to picks only and never refuse one, while an explicit snap
// that finds nothing asks again. With number given, a typed number is taken as it is
// (kNumberAnswer), as distance requests take it.
int askPoint(const ACHAR* prompt, const AcGePoint3d& base, bool runningSnaps, bool arbitrary,
             const std::wstring& keywords, AcGePoint3d& p, double* number = nullptr)
{
    const acrt::RequestScope request(vemhost::Request::kPoint, runningSnaps, base);
    std::wstring text;
    AcGePoint3d pick;
    acrt::AnswerStatus status = acrt::readPointAnswer(prompt, text, pick);
    if (status == acrt::AnswerStatus::kCancel)
        return RTCAN;
    if (status == acrt::AnswerStatus::kText && text.empty())
        return RTNONE;
    if (status == acrt::AnswerStatus::kText && matchKeyword(keywords, text, input().keyword))
        return RTKWORD;
    if (number != nullptr && status == acrt::AnswerStatus::kText && parseNumber(text, *number))
        return kNumberAnswer;
    unsigned explicitModes = 0;
    const bool explicitSnap = status == acrt::AnswerStatus::kText && osnapKeyword(text, explicitModes);
    if (explicitSnap && (status = acrt::readPointAnswer(L" of ", text, pick)) == acrt::AnswerStatus::kCancel)
        return RTCAN;
    if (!acrt::pointOfAnswer(status, text, pick, base, p)) {
        if (arbitrary && !explicitSnap && status == acrt::AnswerStatus::kText) {
            input().keyword = text;
            return RTKWORD;
        }
        if (number == nullptr)
            vemhost::printPlain(L"\nInvalid point.");
        else if (keywords.empty())
            vemhost::printPlain(L"\nRequires numeric distance or second point.");
        else
            vemhost::printPlain(L"\nRequires numeric distance, second point, or option keyword.");
        return kAskAgain;
    }
    const bool picked = status == acrt::AnswerStatus::kPick;
    const unsigned modes = explicitSnap ? explicitModes : (picked && runningSnaps ? unsigned(vemhost::osmode()) : 0u);
    AcGePoint3d snapped;
    const bool snappedAny =
        modes != 0 && acrt::snapPoint(acdbHostApplicationServices()->workingDatabase(), modes, p, base, snapped);
    if (explicitSnap && modes != 0 && !snappedAny) {  // NON takes the point as it is
        vemhost::printPlain(L"\nNo snap point found.");
        return kAskAgain;
    }
    if (snappedAny)
        p = snapped;  // running snaps never refuse a pick: without a snap point it is taken as it is
    if (picked && input().observer != nullptr)
        input().observer->pickedPoint(p);
    return RTNORM;
}

}  // namespace

namespace vemhost {
InputProvider::~InputProvider() = default;
bool InputProvider::read(Input& next)
{
    next.kind = Input::kLine;
    return readLine(next.line);
}
void setInputProvider(InputProvider* provider) { input().provider = provider; }
void queueInput(const std::wstring& line) { input().queue.push_back(Input{Input::kLine, line, AcGePoint3d()}); }
void queueInput(std::initializer_list<std::wstring> lines)
{
    for (const std::wstring& line : lines)
        queueInput(line);
}
void queuePick(const AcGePoint3d& pt) { input().queue.push_back(Input{Input::kPick, std::wstring(), pt}); }
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
bool setOsmode(int bits)
{
    if (bits < 0 || bits > kMaxOsmode)
        return false;
    input().osmode = bits;
    return true;
}
int osmode() { return input().osmode; }
InputObserver::~InputObserver() = default;
void setInputObserver(InputObserver* observer) { input().observer = observer; }
Waiting waiting()
{
    const EditorInput& in = input();
    Waiting w;
    w.request = requestReading(in);
    if (w.request == Request::kNone)
        return w;
    w.runningSnaps = in.request == Request::kPoint && in.runningSnaps;
    w.base = in.requestBase;
    if (in.request == Request::kSelection && in.selected != nullptr)
        w.selected = *in.selected;
    return w;
}
bool previewRunningSnap(const AcGePoint3d& pick, AcGePoint3d& snapped, unsigned& modeBit)
{
    const EditorInput& in = input();
    if (!in.reading || in.request != Request::kPoint || !in.runningSnaps || in.osmode == 0)
        return false;
    return acrt::snapPoint(acdbHostApplicationServices()->workingDatabase(), unsigned(in.osmode), pick,
                           in.requestBase, snapped, &modeBit);
}
Answer readAnswer(const ACHAR* prompt, bool spacesAllowed, std::wstring& answer)
{
    return acrt::readAnswer(prompt, spacesAllowed, answer) == acrt::AnswerStatus::kCancel ? Answer::kCancel
                                                                                          : Answer::kText;
}
}  // namespace vemhost

namespace acrt {

RequestScope::RequestScope(vemhost::Request request, bool runningSnaps, const AcGePoint3d& base,
                           const std::vector<AcDbObjectId>* selected)
{
    EditorInput& in = input();
    m_request = in.request;
    m_runningSnaps = in.runningSnaps;
    m_base = in.requestBase;
    m_selected = in.selected;
    in.request = request;
    in.runningSnaps = runningSnaps;
    in.requestBase = base;
    in.selected = selected;
}

RequestScope::~RequestScope()
{
    EditorInput& in = input();
    in.request = m_request;
    in.runningSnaps = m_runningSnaps;
    in.requestBase = m_base;
    in.selected = m_selected;
}

AnswerStatus readAnswer(const ACHAR* prompt, bool spacesAllowed, std::wstring& answer)
{
    AcGePoint3d unused;
    return readInput(prompt, spacesAllowed, false, answer, unused);
}

AnswerStatus readPointAnswer(const ACHAR* prompt, std::wstring& answer, AcGePoint3d& pick)
{
    return readInput(prompt, false, true, answer, pick);
}

bool pointOfAnswer(AnswerStatus status, const std::wstring& text, const AcGePoint3d& pick, const AcGePoint3d& base,
                   AcGePoint3d& result)
{
    if (status != AnswerStatus::kPick)
        return parsePoint(text, base, result);
    result = pick;
    return isFinitePoint(result);
}

int takeInitGetFlags()
{
    std::wstring unused;
    return takeInitGet(unused);
}

int takeInitGet(std::wstring& keywords)
{
    const int flags = input().initGetFlags;
    input().initGetFlags = 0;
    keywords.clear();
    keywords.swap(input().initGetKeywords);
    return flags;
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
        return isFinitePoint(result);
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
    return isFinitePoint(result);
}

}  // namespace acrt

int acedGetString(int cronly, const ACHAR* prompt, ACHAR* result, size_t bufsize)
{
    acrt::takeInitGetFlags();
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

// Of the control bits RSG_NOOSNAP (running snaps off for the next point) and RSG_OTHER
// (text that is no point answers a point request as a keyword would) are honoured;
// the keywords are answered by point requests. Both hold for the next input call only.
int acedInitGet(int val, const ACHAR* kwl)
{
    input().initGetFlags = val;
    input().initGetKeywords = kwl != nullptr ? kwl : L"";
    return RTNORM;
}

int acedGetInput(ACHAR* str, size_t nBufLen)
{
    if (str == nullptr || nBufLen == 0)
        return RTERROR;
    const std::wstring& keyword = input().keyword;
    const size_t n = keyword.size() < nBufLen - 1 ? keyword.size() : nBufLen - 1;
    std::wmemcpy(str, keyword.data(), n);
    str[n] = 0;
    return keyword.size() > nBufLen - 1 ? RTINPUTTRUNCATED : RTNORM;
}

// Asks until the answer is a point, Enter or a cancel.
int acedGetPoint(const ads_point pt, const ACHAR* prompt, ads_point result)
{
    std::wstring keywords;
    const int flags = acrt::takeInitGet(keywords);
    const bool runningSnaps = (flags & RSG_NOOSNAP) == 0, arbitrary = (flags & RSG_OTHER) != 0;
    const AcGePoint3d base = pt ? AcGePoint3d(pt[X], pt[Y], pt[Z]) : vemhost::lastPoint();
    for (;;) {
        AcGePoint3d p;
        const int rc = askPoint(prompt, base, runningSnaps, arbitrary, keywords, p);
        if (rc == kAskAgain)
            continue;
        if (rc == RTNORM) {
            if (result != nullptr) {
                result[X] = p.x;
                result[Y] = p.y;
                result[Z] = p.z;
            }
            vemhost::setLastPoint(p);
        }
        return rc;
    }
}

namespace {

// The distance flags of acedInitGet: a zero or negative distance is asked again.
bool distanceRefused(int flags, double distance)
{
    if ((flags & RSG_NOZERO) != 0 && distance == 0.0) {
        vemhost::printPlain(L"\nValue must be positive and nonzero.");
        return true;
    }
    if ((flags & RSG_NONEG) != 0 && distance < 0.0) {
        vemhost::printPlain(L"\nValue must be positive.");
        return true;
    }
    return false;
}

}  // namespace

// A number typed is the distance; a point measures from the base, or, without a base,
// is the first of two points whose distance (in space) is taken.
int acedGetDist(const ads_point pt, const ACHAR* prompt, ads_real* result)
{
    std::wstring keywords;
    const int flags = acrt::takeInitGet(keywords);
    const bool runningSnaps = (flags & RSG_NOOSNAP) == 0;
    for (;;) {
        const AcGePoint3d base = pt ? AcGePoint3d(pt[X], pt[Y], pt[Z]) : vemhost::lastPoint();
        AcGePoint3d p;
        double distance = 0.0;
        int rc = askPoint(prompt, base, runningSnaps, false, keywords, p, &distance);
        if (rc == kAskAgain)
            continue;
        if (rc == RTNORM) {
            vemhost::setLastPoint(p);
            AcGePoint3d from = base;
            if (pt == nullptr) {
                from = p;
                do
                    rc = askPoint(L"\nSpecify second point: ", from, runningSnaps, false, std::wstring(), p);
                while (rc == kAskAgain);
                if (rc != RTNORM)
                    return rc == RTNONE ? RTNONE : RTCAN;
                vemhost::setLastPoint(p);
            }
            distance = from.distanceTo(p);
            rc = kNumberAnswer;
        }
        if (rc != kNumberAnswer)
            return rc;
        if (distanceRefused(flags, distance))
            continue;
        if (result != nullptr)
            *result = distance;
        return RTNORM;
    }
}
