// View commands: ZOOM. vemcad at a terminal shows no view, so there ZOOM only takes its
// answers; a front end with a view (the browser page) shows what it asked for: the
// drawing's extents or a window.
#include "acedads.h"
#include "session.h"
#include "shell_input.h"

namespace vemcad {

namespace {

bool askWindow(const AcGePoint3d* first, ViewRequest& view)
{
    AcGePoint3d corner;
    if (first == nullptr && getPoint(L"\nSpecify first corner: ", nullptr, corner) != RTNORM)
        return false;
    view.corner1 = first != nullptr ? *first : corner;
    if (getPoint(L"\nSpecify opposite corner: ", &view.corner1, view.corner2) != RTNORM)
        return false;
    view.extents = false;
    return true;
}

void zoomCommand(Session& session)
{
    ViewRequest view;
    AcGePoint3d first;
    const int rc =
        getPointOrKeyword(L"\nSpecify corner of window or [All/Extents/Window] <Extents>: ", L"All Extents Window", first);
    if (rc == RTNORM) {
        if (!askWindow(&first, view))
            return;
    } else if (rc == RTKWORD) {
        ACHAR keyword[16] = {};
        acedGetInput(keyword, 16);
        if (keyword[0] == L'W' && !askWindow(nullptr, view))
            return;
    } else if (rc != RTNONE) {
        return;
    }
    session.requestView(view);
}

}  // namespace

void addViewCommands(std::vector<HostCommand>& table)
{
    //              name      run          undoable
    table.push_back({L"ZOOM", zoomCommand, false});
}

}  // namespace vemcad
