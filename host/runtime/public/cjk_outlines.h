// Outlines of the characters the stroke fonts lack (Chinese above all), read from a CJK
// outline font once per character and kept for the process, so texts can fill them into
// the full-width cell their measuring gives such characters.
#pragma once

#include "stroke_font.h"

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace acrt {

// A process-lifetime CJK outline font. Each glyph is returned in its unit cell, x and y in
// [0, 1] from the cell's bottom-left on the baseline, its loops flattened and joined into
// one polygon that is filled with the non-zero rule: every further loop is reached from
// the first loop's start and left along the same line, so holes (口, 回) stay empty.
class __attribute__((visibility("default"))) CjkOutlines {
public:
    static constexpr const char* kDefaultPath = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";

    // The font texts draw with: VEM_CJK_FONT when set, kDefaultPath otherwise.
    static const CjkOutlines& shared();

    // The path shared() reads, honouring VEM_CJK_FONT.
    static std::string sharedPath();

    // Never fails: a missing or unreadable file gives a font without glyphs.
    static std::unique_ptr<CjkOutlines> loadFromFile(const std::string& path);

    ~CjkOutlines();
    CjkOutlines(const CjkOutlines&) = delete;
    CjkOutlines& operator=(const CjkOutlines&) = delete;

    bool isLoaded() const { return m_face != nullptr; }
    const std::string& sourcePath() const { return m_sourcePath; }

    // The glyph of c as one polygon in its unit cell; empty when the font cannot give
    // c or c is blank. The reference stays valid for the font's life.
    const std::vector<StrokePoint>& cellPolygon(char32_t c) const;

private:
    CjkOutlines() = default;
    std::vector<StrokePoint> readGlyph(char32_t c) const;

    std::string m_sourcePath;
    void* m_library = nullptr;  // FT_Library
    void* m_face = nullptr;     // FT_Face
    mutable std::mutex m_mutex;
    mutable std::unordered_map<char32_t, std::vector<StrokePoint>> m_cache;
};

}  // namespace acrt
