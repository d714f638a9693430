// Reading of Hershey .jhf stroke fonts into the glyph tables of StrokeFont, and the two
// process-lifetime fonts the host's text styles map to.
#include "stroke_font.h"
#include "vemhost_program.h"

#include <cstdlib>
#include <fstream>

namespace acrt {

namespace {

// Font files are a few kilobytes; the cap keeps a wrong VEM_FONT_DIR from reading
// something huge (or endless) into memory.
constexpr std::size_t kMaxFileBytes = 4u << 20;

// In the file y grows downwards and the baseline of capitals is at y = +9.
constexpr int kFileBaseline = 9;

const char* const kSimplexFile = "rowmans.jhf";
const char* const kDuplexFile = "rowmand.jhf";

bool isCoordinateChar(char c)
{
    return c >= ' ' && c <= '~';
}

int coordinate(char c)
{
    return c - 'R';
}

bool isBlank(std::string_view line)
{
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

// The next physical line from pos, without its line end (LF, CRLF or a lone CR).
std::string_view nextLine(std::string_view text, std::size_t& pos)
{
    const std::size_t start = pos;
    std::size_t end = start;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r') {
        ++end;
    }
    pos = end;
    if (pos < text.size() && text[pos] == '\r') {
        ++pos;
    }
    if (pos < text.size() && text[pos] == '\n') {
        ++pos;
    }
    return text.substr(start, end - start);
}

// The 3-column, right-aligned vertex count of a record header; -1 when malformed.
int parseCount(std::string_view field)
{
    int count = 0;
    bool sawDigit = false;
    for (char c : field) {
        if (c == ' ' && !sawDigit) {
            continue;
        }
        if (c < '0' || c > '9') {
            return -1;
        }
        count = count * 10 + (c - '0');
        sawDigit = true;
    }
    return sawDigit ? count : -1;
}

bool isComplexFontName(std::wstring_view name)
{
    const std::size_t slash = name.find_last_of(L"/\\");
    if (slash != std::wstring_view::npos) {
        name.remove_prefix(slash + 1);
    }
    constexpr std::string_view kComplex = "complex8.shx";
    if (name.size() != kComplex.size()) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        wchar_t c = name[i];
        if (c >= L'A' && c <= L'Z') {
            c = c - L'A' + L'a';
        }
        if (c != static_cast<wchar_t>(kComplex[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

StrokeFont::StrokeFont()
{
    // The square drawn for characters the font lacks: side = cap height, from the pen
    // position on the baseline, advancing by its side.
    const double side = kCapHeight;
    m_points = {{0, 0}, {side, 0}, {side, side}, {0, side}, {0, 0}};
    m_runs = {{0, 5}};
    m_longestRun = 5;
    Glyph& square = m_glyphs[kMissingIndex];
    square.advance = side;
    square.hasInk = true;
    square.inkMaxX = side;
    square.inkMaxY = side;
    square.firstRun = 0;
    square.runCount = 1;
}

const StrokeFont& StrokeFont::forFontFile(std::wstring_view fontFileName)
{
    if (isComplexFontName(fontFileName)) {
        static const std::unique_ptr<StrokeFont> duplex = loadFromFile(fontPathFor(fontFileName));
        return *duplex;
    }
    static const std::unique_ptr<StrokeFont> simplex = loadFromFile(fontPathFor(fontFileName));
    return *simplex;
}

std::string StrokeFont::fontPathFor(std::wstring_view fontFileName)
{
    const char* env = std::getenv("VEM_FONT_DIR");
    std::string path = (env != nullptr && *env != '\0') ? env : kDefaultDirectory;
    if (path.back() != '/') {
        path += '/';
    }
    path += isComplexFontName(fontFileName) ? kDuplexFile : kSimplexFile;
    return path;
}

std::unique_ptr<StrokeFont> StrokeFont::loadFromFile(const std::string& path)
{
    std::string text;
    std::ifstream in(path, std::ios::binary);
    if (in) {
        text.resize(kMaxFileBytes);
        in.read(&text[0], static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<std::size_t>(in.gcount()));
    }
    return loadFromText(text, path);
}

std::unique_ptr<StrokeFont> StrokeFont::loadFromText(std::string_view text,
                                                     const std::string& sourcePath)
{
    std::unique_ptr<StrokeFont> font(new StrokeFont());
    font->m_sourcePath = sourcePath;
    font->parse(text.substr(0, kMaxFileBytes));
    font->m_runs.shrink_to_fit();
    font->m_points.shrink_to_fit();
    return font;
}

// Records are taken in file order for ASCII 32..126: the header is a 5-column glyph
// number (ignored) and a 3-column count of coordinate pairs; the pairs may continue on
// the following lines. A malformed record leaves its character missing and parsing
// resumes at the next line; a record cut off by the end of the file is dropped.
void StrokeFont::parse(std::string_view text)
{
    std::size_t pos = 0;
    std::size_t slot = 0;
    std::string joined;
    while (pos < text.size() && slot < kGlyphSlots) {
        const std::string_view line = nextLine(text, pos);
        if (isBlank(line)) {
            continue;
        }
        const std::size_t thisSlot = slot++;
        const int count = line.size() >= 8 ? parseCount(line.substr(5, 3)) : -1;
        if (count < 1) {
            continue;
        }
        const std::size_t needed = 2 * static_cast<std::size_t>(count);
        std::string_view pairs = line.substr(8);
        if (pairs.size() < needed) {
            joined.assign(pairs.data(), pairs.size());
            while (joined.size() < needed && pos < text.size()) {
                const std::string_view more = nextLine(text, pos);
                joined.append(more.data(), more.size());
            }
            if (joined.size() < needed) {
                return;
            }
            pairs = joined;
        }
        if (addGlyph(thisSlot, pairs.substr(0, needed))) {
            m_present[thisSlot] = true;
            ++m_glyphCount;
        }
    }
}

// pairs: the bearings, then vertices and " R" pen-ups. Points are stored relative to the
// left bearing and the baseline, y up. On a bad character the glyph is rolled back.
bool StrokeFont::addGlyph(std::size_t slot, std::string_view pairs)
{
    if (!isCoordinateChar(pairs[0]) || !isCoordinateChar(pairs[1])) {
        return false;
    }
    const int left = coordinate(pairs[0]);
    const int right = coordinate(pairs[1]);
    if (right < left) {
        return false;
    }
    const std::size_t pointsBefore = m_points.size();
    const std::size_t runsBefore = m_runs.size();
    Glyph glyph;
    glyph.advance = right - left;
    glyph.firstRun = static_cast<std::uint32_t>(m_runs.size());
    std::size_t runStart = m_points.size();
    for (std::size_t i = 2; i + 1 < pairs.size(); i += 2) {
        const char cx = pairs[i];
        const char cy = pairs[i + 1];
        if (cx == ' ' && cy == 'R') {
            addRun(glyph, runStart);
            runStart = m_points.size();
            continue;
        }
        if (!isCoordinateChar(cx) || !isCoordinateChar(cy)) {
            m_points.resize(pointsBefore);
            m_runs.resize(runsBefore);
            return false;
        }
        m_points.push_back({static_cast<double>(coordinate(cx) - left),
                            static_cast<double>(kFileBaseline - coordinate(cy))});
    }
    addRun(glyph, runStart);
    m_glyphs[slot] = glyph;
    return true;
}

// Closes the run of points from first; a lone point draws nothing, so it is dropped
// rather than counted as ink.
void StrokeFont::addRun(Glyph& glyph, std::size_t first)
{
    const std::size_t count = m_points.size() - first;
    if (count < 2) {
        m_points.resize(first);
        return;
    }
    m_runs.push_back({static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(count)});
    ++glyph.runCount;
    if (count > m_longestRun) {
        m_longestRun = count;
    }
    for (std::size_t i = first; i < m_points.size(); ++i) {
        const StrokePoint& p = m_points[i];
        if (!glyph.hasInk) {
            glyph.inkMinX = glyph.inkMaxX = p.x;
            glyph.inkMinY = glyph.inkMaxY = p.y;
            glyph.hasInk = true;
            continue;
        }
        glyph.inkMinX = p.x < glyph.inkMinX ? p.x : glyph.inkMinX;
        glyph.inkMaxX = p.x > glyph.inkMaxX ? p.x : glyph.inkMaxX;
        glyph.inkMinY = p.y < glyph.inkMinY ? p.y : glyph.inkMinY;
        glyph.inkMaxY = p.y > glyph.inkMaxY ? p.y : glyph.inkMaxY;
    }
}

}  // namespace acrt

namespace vemhost {
bool strokeFontsFound() { return acrt::StrokeFont::forFontFile(L"txt").isLoaded(); }
std::string strokeFontSource() { return acrt::StrokeFont::forFontFile(L"txt").sourcePath(); }
}  // namespace vemhost
