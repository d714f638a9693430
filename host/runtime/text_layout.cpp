// Multiline-text layout on a stroke font: format-code reading, line measuring, attachment
// alignment and stroke emission, all sharing one coordinate rule so the measured extents
// equal the drawn vertices bit for bit.
#include "text_layout.h"

#include "cjk_outlines.h"
#include "glyph_target.h"

#include <cmath>

namespace acrt {

namespace {

// One line measured in font units: pen starts at 0, baseline at y = 0.
struct LineMetrics {
    double advance = 0.0;
    bool hasInk = false;
    double minX = 0.0, minY = 0.0, maxX = 0.0, maxY = 0.0;
};

// Where the attachment point sits in font units: column offsets depend on each line's
// advance, the row offset on the number of lines.
struct Anchor {
    int column = 0;  // 0 left, 1 center, 2 right
    double offsetY = 0.0;
};

// Every coordinate is formed in font units first. The units are integers or halves, so
// the sums are exact, and this one rounding step is monotonic: the drawing-unit minimum
// of a set of points is the conversion of their unit minimum, to the last bit.
double toDrawing(double units, double height)
{
    return units / StrokeFont::kCapHeight * height;
}

double columnOffset(int column, double lineAdvance)
{
    return column == 0 ? 0.0 : column == 1 ? lineAdvance / 2.0 : lineAdvance;
}

Anchor anchorFor(int attachment, std::size_t lineCount)
{
    if (attachment < 1 || attachment > 9) {
        attachment = 1;
    }
    const int row = (attachment - 1) / 3;
    const double top = StrokeFont::kCapHeight;
    const double bottom = -StrokeFont::kLineSpacing * static_cast<double>(lineCount - 1);
    Anchor anchor;
    anchor.column = (attachment - 1) % 3;
    anchor.offsetY = row == 0 ? top : row == 1 ? (top + bottom) / 2.0 : bottom;
    return anchor;
}

void widen(LineMetrics& box, double minX, double minY, double maxX, double maxY)
{
    if (!box.hasInk) {
        box.minX = minX;
        box.minY = minY;
        box.maxX = maxX;
        box.maxY = maxY;
        box.hasInk = true;
        return;
    }
    box.minX = minX < box.minX ? minX : box.minX;
    box.minY = minY < box.minY ? minY : box.minY;
    box.maxX = maxX > box.maxX ? maxX : box.maxX;
    box.maxY = maxY > box.maxY ? maxY : box.maxY;
}

// Reads one line's characters; returns the token that ended it.
MTextReader::Token measureLine(MTextReader& reader, const StrokeFont& font, LineMetrics& line)
{
    char32_t ch = 0;
    MTextReader::Token token;
    while ((token = reader.next(ch)) == MTextReader::Token::Char) {
        const Glyph& glyph = font.glyph(ch);
        if (glyph.hasInk) {
            widen(line, line.advance + glyph.inkMinX, glyph.inkMinY,
                  line.advance + glyph.inkMaxX, glyph.inkMaxY);
        }
        line.advance += glyph.advance;
    }
    return token;
}

bool isUsableHeight(double height)
{
    return std::isfinite(height) && height > 0.0;
}

bool isToggleCode(wchar_t c)
{
    return c == L'L' || c == L'l' || c == L'O' || c == L'o' || c == L'K' || c == L'k';
}

bool isParameterCode(wchar_t c)
{
    switch (c) {
    case L'A': case L'C': case L'c': case L'F': case L'f':
    case L'H': case L'Q': case L'T': case L'W': case L'p':
        return true;
    default:
        return false;
    }
}

}  // namespace

MTextReader::Token MTextReader::next(char32_t& ch)
{
    const std::size_t size = m_content.size();
    while (m_pos < size) {
        const wchar_t c = m_content[m_pos];
        if (c == L'{' || c == L'}') {
            ++m_pos;
            continue;
        }
        if (c == L'\n') {
            ++m_pos;
            return Token::LineBreak;
        }
        if (c != L'\\' || m_pos + 1 >= size) {
            ++m_pos;
            ch = static_cast<char32_t>(c);
            return Token::Char;
        }
        const wchar_t code = m_content[m_pos + 1];
        if (code == L'P') {
            m_pos += 2;
            return Token::LineBreak;
        }
        if (code == L'\\' || code == L'{' || code == L'}' || code == L'~') {
            m_pos += 2;
            ch = code == L'~' ? U' ' : static_cast<char32_t>(code);
            return Token::Char;
        }
        if (isToggleCode(code)) {
            m_pos += 2;
            continue;
        }
        if (isParameterCode(code) && m_pos + 2 < m_noSemicolonFrom) {
            const std::size_t semicolon = m_content.find(L';', m_pos + 2);
            if (semicolon != std::wstring_view::npos) {
                m_pos = semicolon + 1;
                continue;
            }
            // Remembered so a run of unterminated codes is not searched again each time.
            m_noSemicolonFrom = m_pos + 2;
        }
        // Not a code: the backslash is text, and what follows is read as usual.
        ++m_pos;
        ch = U'\\';
        return Token::Char;
    }
    return Token::End;
}

std::wstring plainText(std::wstring_view content)
{
    std::wstring text;
    MTextReader reader(content);
    char32_t ch = 0;
    for (;;) {
        const MTextReader::Token token = reader.next(ch);
        if (token == MTextReader::Token::End) {
            return text;
        }
        text += token == MTextReader::Token::LineBreak ? L'\n' : static_cast<wchar_t>(ch);
    }
}

TextLayout measureText(std::wstring_view content, double height, const StrokeFont& font,
                       int attachment)
{
    TextLayout layout;
    if (!isUsableHeight(height)) {
        return layout;
    }
    // Ink in font units: x already shifted by each line's column offset, y relative to
    // the first baseline (the row offset needs the line count, known only at the end).
    LineMetrics ink;
    double widest = 0.0;
    std::size_t lineCount = 0;
    const int column = anchorFor(attachment, 1).column;
    MTextReader reader(content);
    for (;;) {
        LineMetrics line;
        const MTextReader::Token end = measureLine(reader, font, line);
        const double baseline = StrokeFont::kLineSpacing * static_cast<double>(lineCount);
        const double offsetX = columnOffset(column, line.advance);
        if (line.hasInk) {
            widen(ink, line.minX - offsetX, line.minY - baseline, line.maxX - offsetX,
                  line.maxY - baseline);
        }
        widest = line.advance > widest ? line.advance : widest;
        ++lineCount;
        if (end == MTextReader::Token::End) {
            break;
        }
    }
    const Anchor anchor = anchorFor(attachment, lineCount);
    layout.lineCount = lineCount;
    layout.hasInk = ink.hasInk;
    if (ink.hasInk) {
        layout.minX = toDrawing(ink.minX, height);
        layout.maxX = toDrawing(ink.maxX, height);
        layout.minY = toDrawing(ink.minY - anchor.offsetY, height);
        layout.maxY = toDrawing(ink.maxY - anchor.offsetY, height);
    }
    const double lastBaseline = -StrokeFont::kLineSpacing * static_cast<double>(lineCount - 1);
    layout.boxMinX = toDrawing(-columnOffset(column, widest), height);
    layout.boxWidth = toDrawing(widest, height);
    layout.boxMinY = toDrawing(lastBaseline - anchor.offsetY, height);
    layout.boxHeight = toDrawing(StrokeFont::kCapHeight - lastBaseline, height);
    return layout;
}

namespace {

// The outline filled in place of the square for a character the font lacks, or null to
// stroke the square: without a fill sink, or when the outline font has no glyph for it.
const std::vector<StrokePoint>* fillOf(const StrokeFont& font, char32_t ch, const StrokeSink* fills)
{
    if (fills == nullptr || font.hasGlyph(ch))
        return nullptr;
    const std::vector<StrokePoint>& polygon = CjkOutlines::shared().cellPolygon(ch);
    return polygon.empty() ? nullptr : &polygon;
}

// Walks the laid-out characters: each(ch, glyph, x, y) with the pen's start on the
// baseline in font units relative to the attachment point.
template <class Each>
TextLayout walkGlyphs(std::wstring_view content, double height, const StrokeFont& font, int attachment, Each each)
{
    const TextLayout layout = measureText(content, height, font, attachment);
    if (layout.lineCount == 0) {
        return layout;
    }
    const Anchor anchor = anchorFor(attachment, layout.lineCount);
    MTextReader reader(content);
    for (std::size_t lineIndex = 0;; ++lineIndex) {
        // Measure the line once more for its advance, then draw it from the same start.
        MTextReader lineStart = reader;
        LineMetrics line;
        const MTextReader::Token end = measureLine(reader, font, line);
        const double offsetX = columnOffset(anchor.column, line.advance);
        const double baseline = StrokeFont::kLineSpacing * static_cast<double>(lineIndex);
        double pen = 0.0;
        char32_t ch = 0;
        while (lineStart.next(ch) == MTextReader::Token::Char) {
            const Glyph& glyph = font.glyph(ch);
            each(ch, glyph, pen - offsetX, -baseline - anchor.offsetY);
            pen += glyph.advance;
        }
        if (end == MTextReader::Token::End) {
            return layout;
        }
    }
}

TextLayout drawLines(std::wstring_view content, double height, const StrokeFont& font, int attachment,
                     StrokeSink sink, const StrokeSink* fills)
{
    const std::vector<StrokeRun>& runs = font.runs();
    const std::vector<StrokePoint>& points = font.points();
    std::vector<StrokePoint> scratch;
    scratch.reserve(font.longestRun());
    return walkGlyphs(content, height, font, attachment, [&](char32_t ch, const Glyph& glyph, double x, double y) {
        if (const std::vector<StrokePoint>* fill = fillOf(font, ch, fills)) {
            const double side = glyph.advance;
            scratch.clear();
            for (const StrokePoint& p : *fill)
                scratch.push_back({toDrawing(x + p.x * side, height), toDrawing(p.y * side + y, height)});
            (*fills)(scratch.data(), scratch.size());
            return;
        }
        for (std::uint32_t r = glyph.firstRun; r < glyph.firstRun + glyph.runCount; ++r) {
            scratch.clear();
            for (std::uint32_t p = runs[r].first; p < runs[r].first + runs[r].count; ++p)
                scratch.push_back({toDrawing(x + points[p].x, height), toDrawing(points[p].y + y, height)});
            sink(scratch.data(), scratch.size());
        }
    });
}

}  // namespace

TextLayout drawText(std::wstring_view content, double height, const StrokeFont& font,
                    int attachment, StrokeSink sink)
{
    return drawLines(content, height, font, attachment, sink, nullptr);
}

TextLayout drawText(std::wstring_view content, double height, const StrokeFont& font, int attachment,
                    StrokeSink strokes, StrokeSink fills)
{
    return drawLines(content, height, font, attachment, strokes, &fills);
}

TextLayout placeGlyphs(std::wstring_view content, double height, const StrokeFont& font, int attachment,
                       GlyphVisitor visit)
{
    return walkGlyphs(content, height, font, attachment, [&](char32_t ch, const Glyph&, double x, double y) {
        visit(ch, toDrawing(x, height), toDrawing(y, height));
    });
}

double glyphOutline(const StrokeFont& font, char32_t ch, StrokeSink strokes, StrokeSink fills)
{
    const Glyph& glyph = font.glyph(ch);
    std::vector<StrokePoint> scratch;
    if (const std::vector<StrokePoint>* fill = fillOf(font, ch, &fills)) {
        const double side = glyph.advance;
        for (const StrokePoint& p : *fill)
            scratch.push_back({p.x * side, p.y * side});
        fills(scratch.data(), scratch.size());
        return glyph.advance;
    }
    const std::vector<StrokeRun>& runs = font.runs();
    const std::vector<StrokePoint>& points = font.points();
    for (std::uint32_t r = glyph.firstRun; r < glyph.firstRun + glyph.runCount; ++r)
        strokes(points.data() + runs[r].first, runs[r].count);
    return glyph.advance;
}

std::vector<std::vector<StrokePoint>> textPolylines(std::wstring_view content, double height,
                                                    const StrokeFont& font, int attachment)
{
    std::vector<std::vector<StrokePoint>> polylines;
    drawText(content, height, font, attachment,
             [&polylines](const StrokePoint* points, std::size_t count) {
                 polylines.emplace_back(points, points + count);
             });
    return polylines;
}

}  // namespace acrt
