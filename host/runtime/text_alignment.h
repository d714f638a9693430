// Private to the runtime: where a single-line text's justification puts it. The
// justifications and their two modes, the height a text shows, and the placing of its
// position from its alignment point (or of its span between the two points).
#pragma once

#include "dbents.h"

namespace acrt {

struct Justification {
    AcDbText::AcTextAlignment alignment;
    AcDb::TextHorzMode horz;
    AcDb::TextVertMode vert;
    const wchar_t* name;  // as LIST shows it
};

// The justification of that value; null for a value that is none.
const Justification* justificationFor(AcDbText::AcTextAlignment alignment);
// The justification of a text's modes; aligned, fitted and middle text ignore the
// vertical mode.
const Justification& justificationOf(const AcDbText::TextData& t);

// Left/base text, placed by its position.
inline bool isDefault(const AcDbText::TextData& t)
{
    return t.horzMode == AcDb::kTextLeft && t.vertMode == AcDb::kTextBase;
}
// Aligned or fitted text, which spans its two points.
inline bool isBetweenPoints(const AcDbText::TextData& t)
{
    return t.horzMode == AcDb::kTextAlign || t.horzMode == AcDb::kTextFit;
}
bool isUsableWidthFactor(double widthFactor);

// The height a text shows: its own, else its style's text size, else the drawing's
// TEXTSIZE (of the given drawing, or the working one).
double shownHeight(const AcDbText::TextData& t, const AcDbDatabase* db);

// Places the text showing `shown` by its justification (see AcDbText::adjustAlignment).
void placeByJustification(AcDbText::TextData& t, const AcString& shown, const AcDbDatabase* db);

}  // namespace acrt
