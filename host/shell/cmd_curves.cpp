// Host drawing commands for curves: ELLIPSE (by the ends of an axis or by its centre,
// then the distance to the other axis) and SPLINE (fitted through the points given),
// appended to the current space. Answers that make no curve are asked again.
#include <cmath>

#include "acedads.h"
#include "dbapserv.h"
#include "dbelipse.h"
#include "dbspline.h"
#include "session.h"
#include "shell_input.h"

namespace vemcad {

namespace {

AcGeVector3d planVector(const AcGeVector3d& v) { return AcGeVector3d(v.x, v.y, 0.0); }

// A point that is needed: Enter asks again. RTNORM, or RTCAN on cancel.
int getRequiredPoint(const wchar_t* prompt, const AcGePoint3d* base, AcGePoint3d& pt)
{
    for (;;) {
        const int rc = getPoint(prompt, base, pt);
        if (rc != RTNONE)
            return rc;
        say(L"A point is required.");
    }
}

// The end of an axis from its other end (or centre): one that gives the axis a length
// in the plan. RTNORM with the vector from there to it, or RTCAN.
int getAxisEnd(const wchar_t* prompt, const AcGePoint3d& from, AcGeVector3d& axis)
{
    for (;;) {
        AcGePoint3d end;
        const int rc = getRequiredPoint(prompt, &from, end);
        if (rc != RTNORM)
            return rc;
        axis = planVector(end - from);
        const double length = axis.length();
        if (length > 0.0 && std::isfinite(length))
            return RTNORM;
        say(L"The axis must have a length.");
    }
}

// The ellipse about center with the half axis given and the other half axis as long
// as the distance typed, or from the centre to the point given: the longer of the two
// is the major axis. Distances that make no ellipse are asked again.
AcDbEllipse* askOtherAxis(const AcGePoint3d& center, const AcGeVector3d& halfAxis)
{
    const ads_point base = {center.x, center.y, center.z};
    for (;;) {
        double other = 0.0;
        acedInitGet(RSG_NOZERO | RSG_NONEG, nullptr);
        const int rc = acedGetDist(base, L"\nSpecify distance to other axis: ", &other);
        if (rc == RTNONE) {
            say(L"A distance is required.");
            continue;
        }
        if (rc != RTNORM)
            return nullptr;
        const double half = halfAxis.length();
        const bool otherIsMajor = other > half;
        const AcGeVector3d across = AcGeVector3d::kZAxis.crossProduct(halfAxis).normal();
        const AcGeVector3d major = otherIsMajor ? across * other : halfAxis;
        AcDbEllipse* ellipse = new AcDbEllipse();
        if (ellipse->set(center, AcGeVector3d::kZAxis, major, otherIsMajor ? half / other : other / half) ==
            Acad::eOk)
            return ellipse;
        delete ellipse;
        say(L"The axes do not make an ellipse.");
    }
}

void ellipseCommand(Session&)
{
    AcGePoint3d first;
    const int rc = getPointOrKeyword(L"\nSpecify axis endpoint of ellipse or [Center]: ", L"Center", first);
    AcGePoint3d center;
    AcGeVector3d halfAxis;
    if (rc == RTKWORD) {
        if (getRequiredPoint(L"\nSpecify center of ellipse: ", nullptr, center) != RTNORM ||
            getAxisEnd(L"\nSpecify endpoint of axis: ", center, halfAxis) != RTNORM)
            return;
    } else if (rc == RTNORM) {
        AcGeVector3d axis;
        if (getAxisEnd(L"\nSpecify other endpoint of axis: ", first, axis) != RTNORM)
            return;
        halfAxis = axis * 0.5;
        center = first + halfAxis;
    } else {
        return;
    }
    if (AcDbEllipse* ellipse = askOtherAxis(center, halfAxis))
        appendToCurrentSpace(ellipse);
}

void splineCommand(Session&)
{
    AcGePoint3dArray points;
    AcGePoint3d point;
    if (getPoint(L"\nSpecify first point: ", nullptr, point) != RTNORM)
        return;
    points.append(point);
    for (;;) {
        const AcGePoint3d last = points.last();
        const int rc = getPoint(L"\nEnter next point: ", &last, point);
        if (rc == RTCAN)
            return;
        if (rc != RTNORM)
            break;
        if (point.isEqualTo(last)) {
            say(L"The point is the same as the previous one.");
            continue;
        }
        points.append(point);
    }
    if (points.length() < 2)
        return;
    AcDbSpline* spline = new AcDbSpline(points);
    if (spline->isNull()) {
        say(L"No spline can be fitted through these points.");
        delete spline;
        return;
    }
    appendToCurrentSpace(spline);
}

}  // namespace

void addCurveCommands(std::vector<HostCommand>& table)
{
    //              name        run             undoable
    table.push_back({L"ELLIPSE", ellipseCommand, true});
    table.push_back({L"SPLINE", splineCommand, true});
}

}  // namespace vemcad
