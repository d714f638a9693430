// Answers collected per command, written out when the next command is asked for.
#include "session_script.h"

#include <cctype>
#include <charconv>
#include <new>

namespace vemcad {

namespace {

void appendNumber(std::string& out, double value)
{
    char buf[32];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, result.ptr);
}

// Whether the answers are those of SCRIPTOUT, which a script of the session leaves out.
bool isScriptout(const std::string& firstLine)
{
    std::string name = firstLine.substr(0, firstLine.find(' '));
    if (!name.empty() && name[0] == '_')
        name.erase(0, 1);
    for (char& c : name)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return name == "SCRIPTOUT";
}

void appendLine(std::string& out, const std::string& line)
{
    out += line;
    out += '\n';
}

}  // namespace

std::string typedPoint(const AcGePoint3d& point)
{
    std::string out;
    appendNumber(out, point.x);
    out += ',';
    appendNumber(out, point.y);
    if (point.z != 0) {
        out += ',';
        appendNumber(out, point.z);
    }
    return out;
}

SessionScript::SessionScript() : m_keptPickBox(vemhost::pickBox()) {}

// The editor must not fail for want of a script: when memory runs out the script stops
// being kept (and says so when written).
void SessionScript::inputTaken(const vemhost::Input& input, vemhost::Request request)
{
    if (m_broken)
        return;
    try {
        keep(input, request);
    } catch (const std::bad_alloc&) {
        breakOff();
    }
}

void SessionScript::breakOff()
{
    m_broken = true;
    std::vector<Answer>().swap(m_running);
    std::string().swap(m_kept);
}

void SessionScript::keep(const vemhost::Input& input, vemhost::Request request)
{
    m_pointPickOpen = false;
    Answer answer;
    if (input.kind == vemhost::Input::kLine) {
        // Enter and cancels at the command prompt do nothing: a script needs none.
        if (m_atCommandPrompt && (input.line.empty() || input.line == L"^C"))
            return;
        m_atCommandPrompt = false;
        answer.text = vemhost::toUtf8(input.line);
    } else if (request == vemhost::Request::kPoint || request == vemhost::Request::kObject ||
               request == vemhost::Request::kSelection) {
        answer.text = typedPoint(input.point);
        answer.pickAtObject = request != vemhost::Request::kPoint;
        answer.pickBox = vemhost::pickBox();
        m_pointPickOpen = request == vemhost::Request::kPoint;
    } else {
        return;  // the editor passes over a pick where no point is asked for
    }
    m_running.push_back(std::move(answer));
}

void SessionScript::pickedPoint(const AcGePoint3d& point)
{
    if (m_pointPickOpen && !m_running.empty())
        m_running.back().text = typedPoint(point);
    m_pointPickOpen = false;
}

void SessionScript::commandStarts()
{
    if (m_broken)
        return;
    try {
        keepRunning();
    } catch (const std::bad_alloc&) {
        breakOff();
    }
}

void SessionScript::keepRunning()
{
    if (!m_running.empty() && isScriptout(m_running.front().text))
        m_running.clear();
    for (const Answer& answer : m_running) {
        if (answer.pickAtObject && answer.pickBox != m_keptPickBox) {
            // Set before the command: a setting cannot be typed in the middle of one.
            for (const char* line : {"SETVAR", "PICKBOX"})
                appendLine(m_kept, line);
            std::string box;
            appendNumber(box, answer.pickBox);
            appendLine(m_kept, box);
            m_keptPickBox = answer.pickBox;
            break;
        }
    }
    for (const Answer& answer : m_running)
        appendLine(m_kept, answer.text);
    m_running.clear();
    m_pointPickOpen = false;
    m_atCommandPrompt = true;
}

std::string SessionScript::text() const { return m_kept; }

}  // namespace vemcad
