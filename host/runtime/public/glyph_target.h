// Texts drawn character by character by reference, for vector pictures that define each
// glyph once and place it wherever it is used (and keep the characters, so that the
// picture's text can be searched). A drawing context that wants this is a GlyphTarget;
// the text entities then hand it each character with the frame that places its glyph,
// instead of the glyph's strokes.
#pragma once

#include "acgi.h"
#include "gepnt3d.h"
#include "gevec3d.h"
#include "stroke_font.h"
#include "text_layout.h"

#include <string_view>
#include <type_traits>

namespace acrt {

// One character of a text: the glyph of ch in font, placed by an affine frame: the pen's
// start on the baseline is origin, one font unit along the baseline is xAxis and one up
// is yAxis (a width factor, an oblique angle and mirroring are in the axes).
struct PlacedGlyph {
    const StrokeFont* font = nullptr;
    char32_t ch = 0;
    AcGePoint3d origin;
    AcGeVector3d xAxis, yAxis;
};

// A world-draw context that takes texts glyph by glyph. glyph() receives the frame in the
// coordinates the entity draws in; the context places it as it places other primitives.
class GlyphTarget {
public:
    virtual bool takesGlyphs() const = 0;
    virtual void glyph(const PlacedGlyph& placed) const = 0;

protected:
    ~GlyphTarget() = default;
};

// The context's glyph target, or null when it takes texts as strokes.
__attribute__((visibility("default"))) const GlyphTarget* glyphTargetOf(const AcGiWorldDraw* pWd);

// What a text draws for one character, in font units with the pen's start on the
// baseline at (0, 0): the glyph's strokes, or, for a character the font lacks, the
// outline from the CJK outline font filled into its square (fills, non-zero), or the
// square's strokes when that font lacks it too. Returns the pen's advance.
__attribute__((visibility("default"))) double glyphOutline(const StrokeFont& font, char32_t ch, StrokeSink strokes,
                                                           StrokeSink fills);

// The characters a multiline text draws, each with the pen's start on its baseline in the
// text's own frame (drawing units, the attachment point at (0, 0), x along, y up), in the
// order drawText draws them; line breaks are not characters.
class GlyphVisitor {
public:
    template <class F, class = std::enable_if_t<!std::is_same<std::decay_t<F>, GlyphVisitor>::value>>
    GlyphVisitor(F&& callable)  // NOLINT: implicit on purpose, so lambdas pass directly
        : m_object(const_cast<void*>(static_cast<const void*>(&callable)))
        , m_call([](void* object, char32_t ch, double x, double y) {
            (*static_cast<std::remove_reference_t<F>*>(object))(ch, x, y);
        })
    {
    }
    void operator()(char32_t ch, double x, double y) const { m_call(m_object, ch, x, y); }

private:
    void* m_object;
    void (*m_call)(void*, char32_t, double, double);
};
__attribute__((visibility("default"))) TextLayout placeGlyphs(std::wstring_view content, double height,
                                                              const StrokeFont& font, int attachment,
                                                              GlyphVisitor visit);

}  // namespace acrt
