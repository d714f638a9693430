// Output for other programs and for people: DXFOUT writes the drawing as DXF, PLOT
// draws model space (its extents or a window) to an SVG, PNG or PDF picture.
#include <cwctype>

#include "dxf_writer.h"
#include "plot.h"
#include "session.h"
#include "shell_input.h"
#include "vemhost_program.h"

namespace vemcad {

namespace {

void dxfoutCommand(Session& session)
{
    std::string path, error;
    if (!askFileName(path))
        return;
    vemio::DxfStats stats;
    if (!vemio::writeDxf(session.db(), path, error, &stats)) {
        say(vemhost::fromUtf8("Cannot write " + path + ": " + error + "."));
        return;
    }
    std::string message = "Wrote " + path + " (" + std::to_string(stats.entities) +
                          (stats.entities == 1 ? " entity" : " entities");
    if (stats.skipped > 0)
        message += "; " + std::to_string(stats.skipped) + " with coordinates that are not numbers left out";
    say(vemhost::fromUtf8(message + ")."));
}

// Extents, Window or Enter (extents); asked again after anything else. False on cancel.
bool askPlotArea(bool& window)
{
    for (;;) {
        std::wstring answer;
        if (getText(L"\nPlot area [Extents/Window] <Extents>: ", answer, false) != RTNORM)
            return false;
        const wchar_t first = answer.empty() ? L'E' : wchar_t(std::towupper(wint_t(answer[0])));
        if (first == L'E' || first == L'W') {
            window = first == L'W';
            return true;
        }
        say(L"Invalid option keyword.");
    }
}

void plotCommand(Session& session)
{
    std::string path, error;
    if (!askFileName(path, L"\nEnter file name (.svg/.png/.pdf): "))
        return;
    if (!vemio::isPlotFileName(path)) {
        say(vemhost::fromUtf8("Cannot plot " + path + ": the file name must end in .svg, .png or .pdf."));
        return;
    }
    vemio::PlotOptions options;
    if (!askPlotArea(options.window))
        return;
    if (options.window && (getPoint(L"\nSpecify first corner: ", nullptr, options.corner1) != RTNORM ||
                           getPoint(L"\nSpecify opposite corner: ", &options.corner1, options.corner2) != RTNORM))
        return;
    vemio::PlotPage page;
    if (!vemio::plot(session.db(), path, options, error, &page)) {
        say(vemhost::fromUtf8("Cannot plot " + path + ": " + error + "."));
        return;
    }
    say(vemhost::fromUtf8("Plotted " + path + " (" + std::to_string(long(page.width)) + " x " +
                          std::to_string(long(page.height)) + " pixels)."));
}

}  // namespace

void addOutputCommands(std::vector<HostCommand>& table)
{
    //              name        run            undoable
    table.push_back({L"DXFOUT", dxfoutCommand, false});
    table.push_back({L"PLOT", plotCommand, false});
}

}  // namespace vemcad
