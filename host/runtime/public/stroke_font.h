// Hershey stroke fonts (.jhf) parsed once into per-glyph tables, which the host uses to
// measure and draw multiline text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace acrt {

struct StrokePoint {
    double x, y;
};

// One pen-down run of a glyph: count points of StrokeFont::points() from first.
struct StrokeRun {
    std::uint32_t first;
    std::uint32_t count;
};

// Glyph metrics in font units, y up, x from the left bearing, y from the baseline.
// The ink box covers every point of the glyph's runs (there is none without ink).
struct Glyph {
    double advance = 0.0;
    bool hasInk = false;
    double inkMinX = 0.0, inkMinY = 0.0, inkMaxX = 0.0, inkMaxY = 0.0;
    std::uint32_t firstRun = 0;  // index into StrokeFont::runs()
    std::uint32_t runCount = 0;
};

// A font's glyphs for ASCII 32..126, all strokes in one point array; immutable once read.
class __attribute__((visibility("default"))) StrokeFont {
public:
    static constexpr char32_t kFirstChar = 32;    // the file's first glyph line
    static constexpr char32_t kLastChar = 126;    // the file's 95th glyph line
    static constexpr double kCapHeight = 21.0;    // font units from baseline to capital top
    static constexpr double kLineSpacing = 35.0;  // font units between baselines (5/3 of caps)
    static constexpr const char* kDefaultDirectory = "/usr/share/hershey-fonts";

    // The process-lifetime font for a text style's font file: Roman Duplex for
    // "complex8.shx" (any case, any directory), Roman Simplex for any other name.
    static const StrokeFont& forFontFile(std::wstring_view fontFileName);

    // The .jhf path forFontFile would load for this name, honouring VEM_FONT_DIR.
    static std::string fontPathFor(std::wstring_view fontFileName);

    // Reads a .jhf file; never fails: a missing or unreadable file gives a font without
    // glyphs, and a damaged one keeps every record that reads well.
    static std::unique_ptr<StrokeFont> loadFromFile(const std::string& path);

    // Parses .jhf text already in memory; sourcePath is only recorded.
    static std::unique_ptr<StrokeFont> loadFromText(std::string_view text,
                                                    const std::string& sourcePath);

    // True when at least one glyph was read from the file.
    bool isLoaded() const { return m_glyphCount > 0; }

    // The file this font was read from, or tried when isLoaded() is false.
    const std::string& sourcePath() const { return m_sourcePath; }

    // Number of glyph records read successfully.
    std::size_t glyphCount() const { return m_glyphCount; }

    bool hasGlyph(char32_t c) const { return indexOf(c) != kMissingIndex; }

    // The glyph for c, or the missing-glyph square (advance and side = cap height,
    // standing on the baseline at the pen position) when the font lacks c.
    const Glyph& glyph(char32_t c) const { return m_glyphs[indexOf(c)]; }

    const Glyph& missingGlyph() const { return m_glyphs[kMissingIndex]; }

    const std::vector<StrokeRun>& runs() const { return m_runs; }
    const std::vector<StrokePoint>& points() const { return m_points; }

    // Length of the longest run, so drawing can size one scratch buffer per call.
    std::size_t longestRun() const { return m_longestRun; }

private:
    static constexpr std::size_t kGlyphSlots = kLastChar - kFirstChar + 1;
    static constexpr std::size_t kMissingIndex = kGlyphSlots;

    StrokeFont();

    std::size_t indexOf(char32_t c) const
    {
        if (c < kFirstChar || c > kLastChar) {
            return kMissingIndex;
        }
        const std::size_t index = c - kFirstChar;
        return m_present[index] ? index : kMissingIndex;
    }

    void parse(std::string_view text);
    bool addGlyph(std::size_t slot, std::string_view pairs);
    void addRun(Glyph& glyph, std::size_t first);

    std::string m_sourcePath;
    std::array<Glyph, kGlyphSlots + 1> m_glyphs;  // the last is the missing-glyph square
    std::array<bool, kGlyphSlots> m_present = {};
    std::size_t m_glyphCount = 0;
    std::size_t m_longestRun = 0;
    std::vector<StrokeRun> m_runs;
    std::vector<StrokePoint> m_points;
};

}  // namespace acrt
