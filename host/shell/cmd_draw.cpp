// Host drawing commands: LINE, PLINE and POINT, appended to the current space.
#include "acedads.h"
#include "dbapserv.h"
#include "dbents.h"
#include "dbpl.h"
#include "session.h"
#include "shell_input.h"

namespace vemcad {

namespace {

void lineCommand(Session&)
{
    AcGePoint3d start;
    if (getPoint(L"\nSpecify first point: ", nullptr, start) != RTNORM)
        return;
    for (AcGePoint3d from = start;;) {
        AcGePoint3d to;
        if (getPoint(L"\nSpecify next point: ", &from, to) != RTNORM)
            return;
        appendToCurrentSpace(new AcDbLine(from, to));
        from = to;
    }
}

void plineCommand(Session&)
{
    AcGePoint3d start;
    if (getPoint(L"\nSpecify start point: ", nullptr, start) != RTNORM)
        return;
    AcDbPolyline* pline = new AcDbPolyline();
    pline->addVertexAt(0, AcGePoint2d(start.x, start.y));
    pline->setElevation(start.z);
    for (AcGePoint3d from = start;;) {
        AcGePoint3d to;
        int rc = getPoint(L"\nSpecify next point: ", &from, to);
        if (rc == RTCAN) {
            delete pline;
            return;
        }
        if (rc != RTNORM)
            break;
        pline->addVertexAt(pline->numVerts(), AcGePoint2d(to.x, to.y));
        from = to;
    }
    if (pline->numVerts() < 2) {
        delete pline;
        return;
    }
    appendToCurrentSpace(pline);
}

// Points one after another until Enter or a cancel, as the host's multiple points.
void pointCommand(Session& session)
{
    say(L"Current point modes:  PDMODE=" + std::to_wstring(session.db()->pdmode()) +
        L"  PDSIZE=" + decimalText(session.db()->pdsize()));
    for (;;) {
        AcGePoint3d at;
        if (getPoint(L"\nSpecify a point: ", nullptr, at) != RTNORM)
            return;
        appendToCurrentSpace(new AcDbPoint(at));
    }
}

}  // namespace

void addDrawCommands(std::vector<HostCommand>& table)
{
    //              name     run           undoable
    table.push_back({L"LINE", lineCommand, true});
    table.push_back({L"PLINE", plineCommand, true});
    table.push_back({L"POINT", pointCommand, true});
}

}  // namespace vemcad
