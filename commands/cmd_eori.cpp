// EORI: creates a coordinate system from the user's answers: the relative origin, the
// names, directions and origin coordinates of both axes, the drawing scale, the
// appearance scale and the number of decimals.
#include <cmath>

#include "aced.h"
#include "command_services.h"
#include "eorigin.h"
#include "vema_commands.h"

namespace {

const double kUp = 90.0;
const double kDown = 270.0;
const double kRight = 0.0;
const double kLeft = 180.0;

// Answers that end the command leave direction at its default; only the answer's
// first character counts.
struct DirectionQuestion {
    const ACHAR* prompt;
    ACHAR defaultLetter;  // upper case; its lower case is accepted too
    double defaultAngle;
    ACHAR otherLetter;
    double otherAngle;
    const ACHAR* invalidMessage;
};

const DirectionQuestion kVerticalDirection = {L"\n请指定纵轴的方向:上(U)/下(D)(回车取默认值U):", L'U', kUp, L'D', kDown,
                                              L"\n纵轴方向输入无效,将自动取默认值U"};
const DirectionQuestion kHorizontalDirection = {L"\n请指定横轴的方向:右(R)/左(L)(回车取默认值R):", L'R', kRight, L'L',
                                                kLeft, L"\n横轴方向输入无效,将自动取默认值R"};

ACHAR lowerOf(ACHAR upper) { return ACHAR(upper - L'A' + L'a'); }

int askDirection(const DirectionQuestion& question, double& angle)
{
    AnswerBuffer answer;
    int status = getStringInput(0, question.prompt, answer);
    if (status != RTNORM)
        return status;
    ACHAR first = answer[0];
    if (first == 0 || first == question.defaultLetter || first == lowerOf(question.defaultLetter)) {
        angle = question.defaultAngle;
    } else if (first == question.otherLetter || first == lowerOf(question.otherLetter)) {
        angle = question.otherAngle;
    } else {
        acutPrintf(L"%s", question.invalidMessage);
        angle = question.defaultAngle;
    }
    return status;
}

int askText(const ACHAR* prompt, AcString& text)
{
    AnswerBuffer answer;
    int status = getStringInput(0, prompt, answer);
    if (status == RTNORM)
        text = answer;
    return status;
}

// A coordinate that the fits check refuses becomes 0.0, silently, as an answer without
// a number does.
int askCoordinate(const ACHAR* prompt, double& value, const std::function<bool(double)>& fits)
{
    AnswerBuffer answer;
    int status = getStringInput(0, prompt, answer);
    if (status == RTNORM) {
        value = coordinateAnswer(answer);
        if (!fits(value))
            value = 0.0;
    }
    return status;
}

// The horizontal name may not repeat the vertical one (compared with case): an empty
// or repeated answer becomes "B", or "A" when the vertical axis is "B".
AcString horizontalName(const AcString& answer, const AcString& verticalName)
{
    if (!answer.isEmpty() && answer != verticalName)
        return answer;
    return verticalName == L"B" ? AcString(L"A") : AcString(L"B");
}

// Every answer of the command, in constructor order.
struct OriginAnswers {
    AcString vAxisName;
    AcString hAxisName;
    double vOffset = 0.0;
    double hOffset = 0.0;
    AcGePoint3d relOrigin;
    double vAngle = kUp;
    double hAngle = kRight;
    double drawingScale = 1.0;
    double appearanceScale = 1.0;
    int decimals = 3;
};

// The absolute origin relOrigin − (V × vOffset + H × hOffset) / n, with unit axis
// directions, lies within (|vOffset| + |hOffset|) / n of the relative origin.
bool absoluteOriginFinite(const AcGePoint3d& relOrigin, double vOffset, double hOffset, double drawingScale)
{
    return staysFiniteAround(relOrigin, (std::fabs(vOffset) + std::fabs(hOffset)) / drawingScale);
}

// Each answer is taken only when the system stays finite with it and with the defaults
// of the answers still to come (a drawing scale of 1.0 for the offsets), so that a
// refused answer's default always fits.
bool askHorizontalAxisScalesAndDecimals(OriginAnswers& a)
{
    const AcGePoint3d at = a.relOrigin;
    return askDirection(kHorizontalDirection, a.hAngle) == RTNORM &&
           askCoordinate(L"\n请输入相对原点的横坐标(回车取默认值0.0):", a.hOffset,
                         [&](double h) { return absoluteOriginFinite(at, a.vOffset, h, 1.0); }) == RTNORM &&
           askScale(L"\n请指定图纸比例尺(1:？,回车取默认值1.0):", L"\n请输入的图纸比例不正确,将自动取默认值1.0",
                    a.drawingScale,
                    [&](double n) { return absoluteOriginFinite(at, a.vOffset, a.hOffset, n); }) == RTNORM &&
           askScale(L"\n请指定外观缩放倍数(回车取默认值1.0):", L"\n输入的外观缩放倍数不正确,将自动取默认值1.0",
                    a.appearanceScale, [&](double s) { return staysFiniteAround(at, s * kDisplayReach); }) == RTNORM &&
           askDecimals(a.decimals) == RTNORM;
}

// Asks everything in prompt order; false when an answer ended the command.
bool askOrigin(OriginAnswers& a)
{
    ads_point origin;
    if (acedGetPoint(nullptr, L"\n指定坐标轴位置: ", origin) != RTNORM)
        return false;
    a.relOrigin = AcGePoint3d(origin[X], origin[Y], origin[Z]);
    // A point the host gave with a coordinate that is not finite is no point.
    if (!staysFiniteAround(a.relOrigin, 0.0))
        return false;

    AcString hAnswer;
    if (askText(L"\n请输入纵坐标轴的轴号(A/B/X/Y/或其他,回车取默认值A):", a.vAxisName) != RTNORM ||
        askDirection(kVerticalDirection, a.vAngle) != RTNORM ||
        askCoordinate(L"\n请输入相对原点的纵坐标(回车取默认值0.0):", a.vOffset,
                      [&](double v) { return absoluteOriginFinite(a.relOrigin, v, 0.0, 1.0); }) != RTNORM ||
        askText(L"\n请输入横坐标轴的轴号(A/B/X/Y/或其他,回车取默认值B):", hAnswer) != RTNORM)
        return false;
    if (a.vAxisName.isEmpty())
        a.vAxisName = L"A";
    a.hAxisName = horizontalName(hAnswer, a.vAxisName);
    return askHorizontalAxisScalesAndDecimals(a);
}

}  // namespace

void createOrigin()
{
    // The style exists before the first question, and stays when the user cancels.
    ensureTextStyle();
    OriginAnswers a;
    if (!askOrigin(a))
        return;
    EOrigin* origin = new EOrigin(a.vAxisName, a.hAxisName, a.vOffset, a.hOffset, a.relOrigin, a.vAngle, a.hAngle,
                                  a.drawingScale, a.appearanceScale, a.decimals, getLabelTextStyleId());
    // A refused append leaves the entity outside the drawing, and this command deletes it.
    if (appendToModelSpace(origin) == Acad::eOk)
        origin->close();
    else
        delete origin;
}
