// A small drawing with one entity of every kind a drawing holds, built through the SDK
// surface: the seed of the drawing-file fuzz target and of its seed corpus.
#pragma once

#include "dbmain.h"

namespace fuzz {

// Adds to db (the working database, entity module loaded) a coordinate system, a point
// label, a line label, a line, a polyline, a multiline text, a locked layer holding a
// point label, and a point label in paper space.
void populateSampleDrawing(AcDbDatabase* db);

}  // namespace fuzz
