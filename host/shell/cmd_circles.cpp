// CIRCLE and ARC: circles by centre and radius or diameter, by the two ends of a
// diameter or through three points; arcs through three points, or from a start point,
// a centre and an end point or included angle. They lie in the XY plane at the height of
// the first point given.
#include <cmath>
#include <string>

#include "acedads.h"
#include "circular_arcs.h"
#include "dbents.h"
#include "session.h"
#include "shell_input.h"

namespace vemcad {

namespace {

constexpr double kPi = 3.14159265358979323846;

const wchar_t* const kNoCircle = L"Circle does not exist: the points lie on one line or coincide.";
const wchar_t* const kNoArc = L"Arc does not exist: the points lie on one line or coincide.";

AcGePoint2d plan(const AcGePoint3d& p) { return AcGePoint2d(p.x, p.y); }
double planAngle(const AcGePoint3d& from, const AcGePoint3d& to) { return std::atan2(to.y - from.y, to.x - from.x); }

std::wstring keywordAnswered()
{
    wchar_t keyword[64] = {0};
    acedGetInput(keyword, 64);
    return keyword;
}

// A positive distance from base (typed, or to a point given), with keyword as an option;
// Enter takes fallback when it is above 0 and asks again otherwise. RTNORM, RTKWORD or RTCAN.
int askLength(const std::wstring& prompt, const AcGePoint3d& base, const wchar_t* keyword, double fallback,
              double& length)
{
    ads_point b = {base.x, base.y, base.z};
    for (;;) {
        acedInitGet(RSG_NOZERO | RSG_NONEG, keyword);
        const int rc = acedGetDist(b, prompt.c_str(), &length);
        if (rc == RTNONE && fallback > 0.0) {
            length = fallback;
            return RTNORM;
        }
        if (rc == RTNORM || rc == RTKWORD)
            return rc;
        if (rc != RTNONE)
            return RTCAN;
    }
}

std::wstring withDefault(const wchar_t* prompt, double value)
{
    return value > 0.0 ? std::wstring(prompt) + L" <" + decimalText(value) + L">: " : std::wstring(prompt) + L": ";
}

// The radius at the centre's prompt, or the diameter's half; false on cancel.
bool askRadius(double last, const AcGePoint3d& center, double& radius)
{
    const int rc = askLength(withDefault(L"\nSpecify radius of circle or [Diameter]", last), center, L"Diameter",
                             last, radius);
    if (rc == RTNORM)
        return true;
    if (rc != RTKWORD)
        return false;
    double diameter = 0.0;
    if (askLength(withDefault(L"\nSpecify diameter of circle", 2.0 * last), center, L"", 2.0 * last, diameter) !=
        RTNORM)
        return false;
    radius = diameter / 2.0;
    return true;
}

void appendCircle(Session& session, const AcGePoint3d& center, double radius)
{
    if (!(radius > 0.0) || !std::isfinite(radius)) {
        say(kNoCircle);
        return;
    }
    session.lastCircleRadius() = radius;
    appendToCurrentSpace(new AcDbCircle(center, AcGeVector3d::kZAxis, radius));
}

void circleOnDiameter(Session& session)
{
    AcGePoint3d a, b;
    if (getPoint(L"\nSpecify first end point of circle's diameter: ", nullptr, a) != RTNORM ||
        getPoint(L"\nSpecify second end point of circle's diameter: ", &a, b) != RTNORM)
        return;
    const AcGePoint3d center(0.5 * (a.x + b.x), 0.5 * (a.y + b.y), a.z);
    appendCircle(session, center, 0.5 * plan(a).distanceTo(plan(b)));
}

void circleThroughThree(Session& session)
{
    AcGePoint3d a, b, c;
    if (getPoint(L"\nSpecify first point on circle: ", nullptr, a) != RTNORM ||
        getPoint(L"\nSpecify second point on circle: ", &a, b) != RTNORM ||
        getPoint(L"\nSpecify third point on circle: ", &b, c) != RTNORM)
        return;
    AcGePoint2d center;
    double radius = 0.0;
    if (!acrt::circleThrough(plan(a), plan(b), plan(c), center, radius)) {
        say(kNoCircle);
        return;
    }
    appendCircle(session, AcGePoint3d(center.x, center.y, a.z), radius);
}

void circleCommand(Session& session)
{
    AcGePoint3d center;
    const int rc = getPointOrKeyword(L"\nSpecify center point for circle or [3P/2P]: ", L"3P 2P", center);
    if (rc == RTKWORD) {
        if (keywordAnswered() == L"3P")
            circleThroughThree(session);
        else
            circleOnDiameter(session);
        return;
    }
    if (rc != RTNORM)
        return;
    double radius = 0.0;
    if (askRadius(session.lastCircleRadius(), center, radius))
        appendCircle(session, center, radius);
}

// The arc about center from the direction of start, counter-clockwise through sweep
// (clockwise for a negative one), at start's height.
void appendArc(const AcGePoint3d& center, const AcGePoint3d& start, double sweep)
{
    const double radius = plan(center).distanceTo(plan(start));
    if (!(radius > 0.0) || !std::isfinite(radius) || !std::isfinite(sweep) || std::fabs(sweep) < 1e-12) {
        say(kNoArc);
        return;
    }
    double from = planAngle(center, start), to = from + sweep;
    if (sweep < 0.0)
        std::swap(from, to);
    const AcGePoint3d c(center.x, center.y, start.z);
    appendToCurrentSpace(new AcDbArc(c, radius, acrt::normalizedAngle(from), acrt::normalizedAngle(to)));
}

// After the start and the centre: the end point (its direction ends the arc,
// counter-clockwise) or the included angle in degrees (negative: clockwise).
void finishFromCenter(const AcGePoint3d& start, const AcGePoint3d& center)
{
    AcGePoint3d end;
    const int rc = getPointOrKeyword(L"\nSpecify end point of arc or [Angle]: ", L"Angle", end);
    if (rc == RTNORM) {
        const double sweep = planAngle(center, end) - planAngle(center, start);
        appendArc(center, start, sweep > 0.0 ? sweep : sweep + 2.0 * kPi);
        return;
    }
    if (rc != RTKWORD)
        return;
    double degrees = 0.0;
    for (;;) {
        if (getNumber(L"\nSpecify included angle: ", degrees) != RTNORM)
            return;
        if (degrees != 0.0 && std::fabs(degrees) < 360.0)
            break;
        say(L"The included angle must lie between -360 and 360 degrees and not be 0.");
    }
    appendArc(center, start, degrees * kPi / 180.0);
}

void arcThroughThree(const AcGePoint3d& start, const AcGePoint3d& second)
{
    AcGePoint3d end;
    if (getPoint(L"\nSpecify end point of arc: ", &second, end) != RTNORM)
        return;
    AcGePoint2d center;
    double radius = 0.0, from = 0.0, to = 0.0;
    if (!acrt::arcThrough(plan(start), plan(second), plan(end), center, radius, from, to)) {
        say(kNoArc);
        return;
    }
    appendToCurrentSpace(new AcDbArc(AcGePoint3d(center.x, center.y, start.z), radius, from, to));
}

void arcFromCenterFirst()
{
    AcGePoint3d center, start;
    if (getPoint(L"\nSpecify center point of arc: ", nullptr, center) != RTNORM ||
        getPoint(L"\nSpecify start point of arc: ", &center, start) != RTNORM)
        return;
    finishFromCenter(start, center);
}

void arcCommand(Session&)
{
    AcGePoint3d start;
    int rc = getPointOrKeyword(L"\nSpecify start point of arc or [Center]: ", L"Center", start);
    if (rc == RTKWORD) {
        arcFromCenterFirst();
        return;
    }
    if (rc != RTNORM)
        return;
    AcGePoint3d second;
    acedInitGet(0, L"Center");
    ads_point b = {start.x, start.y, start.z}, r;
    rc = acedGetPoint(b, L"\nSpecify second point of arc or [Center]: ", r);
    if (rc == RTKWORD) {
        AcGePoint3d center;
        if (getPoint(L"\nSpecify center point of arc: ", &start, center) == RTNORM)
            finishFromCenter(start, center);
        return;
    }
    if (rc == RTNORM)
        arcThroughThree(start, AcGePoint3d(r[X], r[Y], r[Z]));
}

}  // namespace

void addCircularCommands(std::vector<HostCommand>& table)
{
    //              name        run            undoable
    table.push_back({L"CIRCLE", circleCommand, true});
    table.push_back({L"ARC", arcCommand, true});
}

}  // namespace vemcad
