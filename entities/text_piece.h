// The multiline texts the entities generate: their common settings and their size
// as the host measures it.
#pragma once

#include "AcString.h"
#include "dbmtext.h"

// Contents, text style, middle-centre attachment (also as moving location) and height,
// in the order the host expects; location and rotation are left to the caller.
void setUpTextPiece(AcDbMText* text, const ACHAR* contents, AcDbObjectId textStyleId, double height);

// Width and height of the text's geometric extents (0 when it has none).
void measureTextPiece(const AcDbMText* text, double& width, double& height);

// The text of one coordinate: axis name, "=", the value with the decimals, as the
// labels show it. Composed on the stack, so a rebuild takes no heap for it; a text too
// long for that (a very long name or value) is composed on the heap instead.
class CoordinateText {
public:
    CoordinateText(const AcString& axisName, double value, Adesk::Int16 decimals);
    CoordinateText(const CoordinateText&) = delete;
    CoordinateText& operator=(const CoordinateText&) = delete;

    const ACHAR* text() const { return m_long.isEmpty() ? m_buffer : m_long.kwszPtr(); }

private:
    static const int kBufferChars = 192;
    wchar_t m_buffer[kBufferChars];
    AcString m_long;
};
