// The multiline texts the entities generate: their common settings and their size
// as the host measures it.
#pragma once

#include "dbmtext.h"

// Contents, text style, middle-centre attachment (also as moving location) and height,
// in the order the host expects; location and rotation are left to the caller.
void setUpTextPiece(AcDbMText* text, const ACHAR* contents, AcDbObjectId textStyleId, double height);

// Width and height of the text's geometric extents (0 when it has none).
void measureTextPiece(const AcDbMText* text, double& width, double& height);
