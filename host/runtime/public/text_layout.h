// Layout of multiline-text content (with its inline format codes) into lines of stroke
// glyphs: exact ink extents, the text box, and the strokes, in the text's own frame.
#pragma once

#include "stroke_font.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace acrt {

// Reads content one drawn character or line break at a time, resolving format codes:
// \P (and a raw line feed) breaks the line; \\ \{ \} are literal; \~ is a space;
// { } group and vanish; \A \C \c \F \f \H \Q \T \W \p skip through their ';';
// \L \l \O \o \K \k vanish. Anything else after '\' (or a code with no ';') is text.
class __attribute__((visibility("default"))) MTextReader {
public:
    enum class Token { Char, LineBreak, End };

    explicit MTextReader(std::wstring_view content) : m_content(content) {}

    // The next token; ch is set for Token::Char.
    Token next(char32_t& ch);

private:
    std::wstring_view m_content;
    std::size_t m_pos = 0;
    std::size_t m_noSemicolonFrom = static_cast<std::size_t>(-1);  // no ';' at or after
};

// The characters content draws, with line breaks as '\n'.
__attribute__((visibility("default"))) std::wstring plainText(std::wstring_view content);

// Extents of laid-out text, in drawing units, with the attachment point at (0,0), x along
// the text, y up. Without ink (empty or blank text) the ink box is the point (0,0).
struct TextLayout {
    bool hasInk = false;
    double minX = 0.0, minY = 0.0, maxX = 0.0, maxY = 0.0;  // of every drawn stroke vertex
    // The box: widest line's advance by cap height plus (lines - 1) line spacings,
    // from the first line's cap height to the last line's baseline.
    double boxMinX = 0.0, boxMinY = 0.0, boxWidth = 0.0, boxHeight = 0.0;
    std::size_t lineCount = 0;
};

// A non-owning reference to a callable taking (const StrokePoint* points, size_t count),
// called once per drawn polyline. The callable must outlive the call it is passed to.
class StrokeSink {
public:
    template <class F, class = std::enable_if_t<!std::is_same<std::decay_t<F>, StrokeSink>::value>>
    StrokeSink(F&& callable)  // NOLINT: implicit on purpose, so lambdas pass directly
        : m_object(const_cast<void*>(static_cast<const void*>(&callable)))
        , m_call([](void* object, const StrokePoint* points, std::size_t count) {
            (*static_cast<std::remove_reference_t<F>*>(object))(points, count);
        })
    {
    }

    void operator()(const StrokePoint* points, std::size_t count) const
    {
        m_call(m_object, points, count);
    }

private:
    void* m_object;
    void (*m_call)(void*, const StrokePoint*, std::size_t);
};

// Attachment: 1..9 = top/middle/bottom rows of left/center/right (1 top-left, 5
// middle-center, 9 bottom-right); any other value is taken as top-left. Lines are aligned
// by the attachment's column. A height that is not a positive finite number lays out
// nothing: no ink and an empty box.

// Extents only: no heap allocation.
__attribute__((visibility("default"))) TextLayout measureText(std::wstring_view content, double height, const StrokeFont& font,
                       int attachment);

// Calls sink for every polyline drawn, then returns what measureText returns.
__attribute__((visibility("default"))) TextLayout drawText(std::wstring_view content, double height, const StrokeFont& font,
                    int attachment, StrokeSink sink);

// As drawText, but each character the font lacks is filled with its glyph from the CJK
// outline font (CjkOutlines::shared()) fitted into its square: fills gets one polygon per
// such character, filled with the non-zero rule. A character that font lacks as well keeps
// the square.
__attribute__((visibility("default"))) TextLayout drawText(std::wstring_view content, double height,
                                                           const StrokeFont& font, int attachment,
                                                           StrokeSink strokes, StrokeSink fills);

// The drawn polylines, for callers that want them stored.
__attribute__((visibility("default"))) std::vector<std::vector<StrokePoint>> textPolylines(std::wstring_view content, double height,
                                                    const StrokeFont& font, int attachment);

}  // namespace acrt
