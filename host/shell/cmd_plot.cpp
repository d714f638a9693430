// PLOT asks for the file, then the paper (an ISO size or custom mm), its orientation,
// the area (extents, a window or the paper space layout), the scale (1:n or fitted)
// and where the area lies on the sheet, and for a PNG the resolution; then it reports
// the sheet, the scale and the size, and says when the area did not fit on the paper.
#include "cmd_plot.h"

#include <cmath>
#include <cstdio>
#include <cwctype>
#include <string>

#include "plot.h"
#include "session.h"
#include "shell_input.h"
#include "vemhost_program.h"

namespace vemcad {

namespace {

constexpr double kMaxPaperMm = 5000.0;
constexpr double kDefaultDpi = 150.0;
constexpr double kMinDpi = 10.0, kMaxDpi = 2400.0;

struct PaperSize {
    const wchar_t* keyword;
    double shortSide, longSide;  // mm
};
const PaperSize kIsoSizes[] = {
    // keyword  short side  long side (mm)
    {L"A4", 210, 297},
    {L"A3", 297, 420},
    {L"A2", 420, 594},
    {L"A1", 594, 841},
    {L"A0", 841, 1189},
};

// Whether answer names the keyword: its start, at least as far as the keyword's leading
// capitals and digits (its short form), case aside.
bool namesKeyword(const std::wstring& answer, const std::wstring& keyword)
{
    size_t shortForm = 0;
    while (shortForm < keyword.size() &&
           (std::iswupper(wint_t(keyword[shortForm])) || std::iswdigit(wint_t(keyword[shortForm]))))
        ++shortForm;
    if (answer.size() < std::max<size_t>(shortForm, 1) || answer.size() > keyword.size())
        return false;
    for (size_t i = 0; i < answer.size(); ++i)
        if (std::towupper(wint_t(answer[i])) != std::towupper(wint_t(keyword[i])))
            return false;
    return true;
}

// The answer to a keyword prompt: the index of the keyword named, or fallback on Enter;
// asked again after anything else. -1 on cancel.
int askKeyword(const wchar_t* prompt, const wchar_t* const* keywords, int count, int fallback)
{
    for (;;) {
        std::wstring answer;
        if (getText(prompt, answer, false) != RTNORM)
            return -1;
        if (answer.empty())
            return fallback;
        for (int i = 0; i < count; ++i)
            if (namesKeyword(answer, keywords[i]))
                return i;
        say(L"Invalid option keyword.");
    }
}

// A number in [low, high] (low excluded when it is 0); asked again after anything else,
// Enter included unless fallback is given. False on cancel.
bool askNumberIn(const wchar_t* prompt, double low, double high, const double* fallback, double& value)
{
    for (;;) {
        const int rc = getNumber(prompt, value);
        if (rc == RTNONE && fallback != nullptr) {
            value = *fallback;
            return true;
        }
        if (rc != RTNORM && rc != RTNONE)
            return false;
        if (rc == RTNONE)
            say(L"Requires numeric value.");
        else if (!(value > 0))
            say(L"Value must be positive and nonzero.");
        else if (value < low || value > high)
            say(L"Requires a value from " + decimalText(low, 0) + L" to " + decimalText(high, 0) + L".");
        else
            return true;
    }
}

struct Paper {
    std::string name = "A4";
    double shortSide = 210, longSide = 297;
};

bool askPaper(Paper& paper)
{
    const wchar_t* const keywords[] = {L"A4", L"A3", L"A2", L"A1", L"A0", L"Custom"};
    const int chosen = askKeyword(L"\nPaper size [A4/A3/A2/A1/A0/Custom] <A4>: ", keywords, 6, 0);
    if (chosen < 0)
        return false;
    if (chosen < 5) {
        paper.name = vemhost::toUtf8(kIsoSizes[chosen].keyword);
        paper.shortSide = kIsoSizes[chosen].shortSide;
        paper.longSide = kIsoSizes[chosen].longSide;
        return true;
    }
    double width = 0, height = 0;
    if (!askNumberIn(L"\nPaper width in mm: ", 1, kMaxPaperMm, nullptr, width) ||
        !askNumberIn(L"\nPaper height in mm: ", 1, kMaxPaperMm, nullptr, height))
        return false;
    paper.name = "custom";
    paper.shortSide = std::min(width, height);
    paper.longSide = std::max(width, height);
    return true;
}

// Extents, Window (and its corners) or Layout. False on cancel.
bool askArea(vemio::PlotOptions& options)
{
    const wchar_t* const keywords[] = {L"Extents", L"Window", L"Layout"};
    const int chosen = askKeyword(L"\nPlot area [Extents/Window/Layout] <Extents>: ", keywords, 3, 0);
    if (chosen < 0)
        return false;
    options.window = chosen == 1;
    options.layout = chosen == 2;
    return !options.window || (getPoint(L"\nSpecify first corner: ", nullptr, options.corner1) == RTNORM &&
                               getPoint(L"\nSpecify opposite corner: ", &options.corner1, options.corner2) == RTNORM);
}

// The n of "1:n" or "n"; false when the answer is neither.
bool parseScale(const std::wstring& answer, double& n)
{
    std::wstring number = answer;
    const size_t colon = answer.find(L':');
    if (colon != std::wstring::npos) {
        const std::wstring first = answer.substr(0, colon);
        wchar_t* end = nullptr;
        const double one = std::wcstod(first.c_str(), &end);
        if (colon == 0 || end == nullptr || *end != 0 || one != 1.0)
            return false;
        number = answer.substr(colon + 1);
    }
    wchar_t* end = nullptr;
    n = std::wcstod(number.c_str(), &end);
    return !number.empty() && end != nullptr && *end == 0 && std::isfinite(n);
}

// 1:n (paperScale n) or Fit (0). False on cancel.
bool askScale(double& paperScale)
{
    for (;;) {
        std::wstring answer;
        if (getText(L"\nPlot scale (1:n) or [Fit] <Fit>: ", answer, false) != RTNORM)
            return false;
        double n = 0;
        if (answer.empty() || namesKeyword(answer, L"Fit")) {
            paperScale = 0;
            return true;
        }
        if (!parseScale(answer, n))
            say(L"Invalid option keyword.");
        else if (!(n > 0))
            say(L"Value must be positive and nonzero.");
        else {
            paperScale = n;
            return true;
        }
    }
}

// Center, or x,y in mm from the paper's lower left corner. False on cancel.
bool askOffset(vemio::PlotOptions& options)
{
    for (;;) {
        std::wstring answer;
        if (getText(L"\nPlot offset [Center/x,y] <Center>: ", answer, false) != RTNORM)
            return false;
        if (answer.empty() || namesKeyword(answer, L"Center")) {
            options.centered = true;
            return true;
        }
        const size_t comma = answer.find(L',');
        if (comma != std::wstring::npos) {
            const std::wstring x = answer.substr(0, comma), y = answer.substr(comma + 1);
            wchar_t* endX = nullptr;
            wchar_t* endY = nullptr;
            options.offsetX = std::wcstod(x.c_str(), &endX);
            options.offsetY = std::wcstod(y.c_str(), &endY);
            if (!x.empty() && !y.empty() && *endX == 0 && *endY == 0 && std::isfinite(options.offsetX) &&
                std::isfinite(options.offsetY) && std::fabs(options.offsetX) <= kMaxPaperMm &&
                std::fabs(options.offsetY) <= kMaxPaperMm) {
                options.centered = false;
                return true;
            }
        }
        say(L"Invalid option keyword.");
    }
}

bool isPng(const std::string& path)
{
    return path.size() >= 4 && std::towlower(wint_t(path[path.size() - 3])) == L'p' &&
           std::towlower(wint_t(path[path.size() - 2])) == L'n' && std::towlower(wint_t(path[path.size() - 1])) == L'g';
}

// The questions after the file name; false on cancel.
bool askSheet(const std::string& path, Paper& paper, bool& landscape, vemio::PlotOptions& options)
{
    if (!askPaper(paper))
        return false;
    const wchar_t* const orientations[] = {L"Portrait", L"Landscape"};
    const int orientation = askKeyword(L"\nOrientation [Portrait/Landscape] <Landscape>: ", orientations, 2, 1);
    if (orientation < 0)
        return false;
    landscape = orientation == 1;
    options.paperWidth = landscape ? paper.longSide : paper.shortSide;
    options.paperHeight = landscape ? paper.shortSide : paper.longSide;
    if (!askArea(options))
        return false;
    // A layout is drawn at 1:1, its units millimetres.
    if (!options.layout && !askScale(options.paperScale))
        return false;
    if (!askOffset(options))
        return false;
    const double fallback = kDefaultDpi;
    return !isPng(path) || askNumberIn(L"\nResolution in dpi <150>: ", kMinDpi, kMaxDpi, &fallback, options.dpi);
}

std::string numberText(double value, const char* format)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, format, value);
    return buf;
}

// "1:500", or a fitted scale to a tenth.
std::string scaleText(double n)
{
    if (std::fabs(n - std::round(n)) <= 1e-9 * n)
        return "1:" + numberText(n, "%.0f");
    return "1:" + numberText(n, n >= 10 ? "%.1f" : "%.4g");
}

}  // namespace

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
    Paper paper;
    bool landscape = true;
    if (!askSheet(path, paper, landscape, options))
        return;
    vemio::PlotPage page;
    if (!vemio::plot(session.db(), path, options, error, &page)) {
        say(vemhost::fromUtf8("Cannot plot " + path + ": " + error + "."));
        return;
    }
    const std::string scale = scaleText(page.scaleDenominator);
    std::string report = "Plotted " + path + " (" + paper.name + (landscape ? " landscape, " : " portrait, ") +
                         (options.paperScale > 0 || options.layout ? "" : "fit at ") + scale + ", " +
                         numberText(options.paperWidth, "%g") + " x " + numberText(options.paperHeight, "%g") + " mm";
    if (isPng(path))
        report += ", " + numberText(page.width, "%.0f") + " x " + numberText(page.height, "%.0f") + " pixels at " +
                  numberText(options.dpi, "%g") + " dpi";
    say(vemhost::fromUtf8(report + ")."));
    if (page.clipped)
        say(vemhost::fromUtf8("The plot area does not fit on " + (paper.name == "custom" ? "the paper" : paper.name) +
                              " at " + scale + "; the part outside the paper is left out."));
}

}  // namespace vemcad
