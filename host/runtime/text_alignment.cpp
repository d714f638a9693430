// Single-line text justification: the justifications and their modes, the height a
// text shows, and its position (or its span) placed from its alignment point.
#include "text_alignment.h"

#include <cmath>

#include "dbapserv.h"
#include "single_line_text.h"

namespace acrt {

namespace {

using TextData = AcDbText::TextData;

constexpr double kDefaultTextSize = 2.5;  // without any drawing to ask

//  justification                                horizontal         vertical            listed as
const Justification kJustifications[] = {
    {AcDbText::kTextAlignmentLeft, AcDb::kTextLeft, AcDb::kTextBase, L"left"},
    {AcDbText::kTextAlignmentCenter, AcDb::kTextCenter, AcDb::kTextBase, L"center"},
    {AcDbText::kTextAlignmentRight, AcDb::kTextRight, AcDb::kTextBase, L"right"},
    {AcDbText::kTextAlignmentAligned, AcDb::kTextAlign, AcDb::kTextBase, L"aligned"},
    {AcDbText::kTextAlignmentMiddle, AcDb::kTextMid, AcDb::kTextBase, L"middle"},
    {AcDbText::kTextAlignmentFit, AcDb::kTextFit, AcDb::kTextBase, L"fit"},
    {AcDbText::kTextAlignmentTopLeft, AcDb::kTextLeft, AcDb::kTextTop, L"top left"},
    {AcDbText::kTextAlignmentTopCenter, AcDb::kTextCenter, AcDb::kTextTop, L"top center"},
    {AcDbText::kTextAlignmentTopRight, AcDb::kTextRight, AcDb::kTextTop, L"top right"},
    {AcDbText::kTextAlignmentMiddleLeft, AcDb::kTextLeft, AcDb::kTextVertMid, L"middle left"},
    {AcDbText::kTextAlignmentMiddleCenter, AcDb::kTextCenter, AcDb::kTextVertMid, L"middle center"},
    {AcDbText::kTextAlignmentMiddleRight, AcDb::kTextRight, AcDb::kTextVertMid, L"middle right"},
    {AcDbText::kTextAlignmentBottomLeft, AcDb::kTextLeft, AcDb::kTextBottom, L"bottom left"},
    {AcDbText::kTextAlignmentBottomCenter, AcDb::kTextCenter, AcDb::kTextBottom, L"bottom center"},
    {AcDbText::kTextAlignmentBottomRight, AcDb::kTextRight, AcDb::kTextBottom, L"bottom right"},
};

// Aligned and fitted text: the rotation from the position to the alignment point, and
// the height (aligned) or width factor (fitted) that makes the run span them.
void fitBetweenPoints(TextData& t, const GlyphRun& run, const AcDbDatabase* db)
{
    AcGeVector3d span = t.alignmentPoint - t.position;
    span -= t.normal * span.dotProduct(t.normal);
    const double length = span.length();
    const double runPerHeight = run.advance / StrokeFont::kCapHeight;
    if (!(length > 0.0) || !std::isfinite(length) || !(runPerHeight > 0.0))
        return;
    t.rotation = rotationOf(span, t.normal);
    if (t.horzMode == AcDb::kTextAlign) {
        const double height = length / (runPerHeight * t.widthFactor);
        if (height > 0.0 && std::isfinite(height))
            t.height = height;
        return;
    }
    const double widthFactor = length / (runPerHeight * shownHeight(t, db));
    if (isUsableWidthFactor(widthFactor))
        t.widthFactor = widthFactor;
}

}  // namespace

const Justification* justificationFor(AcDbText::AcTextAlignment alignment)
{
    for (const Justification& j : kJustifications)
        if (j.alignment == alignment)
            return &j;
    return nullptr;
}

const Justification& justificationOf(const TextData& t)
{
    const bool vertical = t.horzMode == AcDb::kTextLeft || t.horzMode == AcDb::kTextCenter ||
                          t.horzMode == AcDb::kTextRight;
    for (const Justification& j : kJustifications)
        if (j.horz == t.horzMode && (j.vert == t.vertMode || (!vertical && j.vert == AcDb::kTextBase)))
            return j;
    return kJustifications[0];
}

bool isUsableWidthFactor(double widthFactor) { return widthFactor > 0.0 && std::isfinite(widthFactor); }

double shownHeight(const TextData& t, const AcDbDatabase* db)
{
    if (t.height > 0.0)
        return t.height;
    const double styleSize = textStyleSize(t.styleId);
    if (styleSize > 0.0)
        return styleSize;
    if (db == nullptr)
        db = acdbHostApplicationServices()->workingDatabase();
    return db != nullptr ? db->textsize() : kDefaultTextSize;
}

void placeByJustification(TextData& t, const AcString& shown, const AcDbDatabase* db)
{
    if (isDefault(t)) {
        t.alignmentPoint = t.position;
        return;
    }
    const GlyphRun run = measureGlyphRun(shown.wstr(), textStyleFont(t.styleId));
    if (isBetweenPoints(t)) {
        fitBetweenPoints(t, run, db);
        return;
    }
    const TextShape shape(shownHeight(t, db), t.widthFactor, t.oblique, t.backward, t.upsideDown);
    double ax = 0.0, ay = 0.0;
    justificationAnchor(t.horzMode, t.vertMode, run, ax, ay);
    const AcGeVector3d direction = baselineDirection(t.normal, t.rotation);
    const AcGeVector3d up = t.normal.crossProduct(direction);
    t.position = t.alignmentPoint - direction * shape.x(ax, 0.0) - up * shape.y(ay);
}

}  // namespace acrt
