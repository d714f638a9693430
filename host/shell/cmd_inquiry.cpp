// ID and DIST: the coordinates of a point, and the distance, angles and deltas between
// two, in the host's wording (lengths to four decimals, angles in whole degrees).
#include <cmath>
#include <string>

#include "session.h"
#include "shell_input.h"

namespace vemcad {

namespace {

constexpr double kDegreesPerRadian = 180.0 / 3.14159265358979323846;

// Whole degrees, as the host shows angles; -0 shows as 0.
std::wstring degreesText(double radians)
{
    const double degrees = std::round(radians * kDegreesPerRadian);
    return decimalText(degrees == 0.0 ? 0.0 : degrees, 0);
}

void idCommand(Session&)
{
    AcGePoint3d p;
    if (getPoint(L"\nSpecify point: ", nullptr, p) != RTNORM)
        return;
    say(L"X = " + decimalText(p.x) + L"     Y = " + decimalText(p.y) + L"     Z = " + decimalText(p.z));
}

void distCommand(Session&)
{
    AcGePoint3d from, to;
    if (getPoint(L"\nSpecify first point: ", nullptr, from) != RTNORM ||
        getPoint(L"\nSpecify second point: ", &from, to) != RTNORM)
        return;
    const AcGeVector3d d = to - from;
    const double length = d.length();
    double inPlane = std::atan2(d.y, d.x);
    if (inPlane < 0.0)
        inPlane += 2.0 * 3.14159265358979323846;
    const double fromPlane = length > 0.0 ? std::asin(d.z / length) : 0.0;
    if (!std::isfinite(length)) {
        say(L"The distance is too large to show.");
        return;
    }
    say(L"Distance = " + decimalText(length) + L",  Angle in XY Plane = " + degreesText(inPlane) +
        L",  Angle from XY Plane = " + degreesText(fromPlane));
    say(L"Delta X = " + decimalText(d.x) + L",  Delta Y = " + decimalText(d.y) + L",  Delta Z = " +
        decimalText(d.z));
}

}  // namespace

void addInquiryCommands(std::vector<HostCommand>& table)
{
    //              name     run          undoable
    table.push_back({L"ID", idCommand, false});
    table.push_back({L"DIST", distCommand, false});
}

}  // namespace vemcad
