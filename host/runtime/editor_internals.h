// Private to the runtime: the editor's answer reading and the entity picking that
// points, entity selection and selection sets share.
#pragma once

#include <string>
#include <vector>

#include "dbmain.h"

namespace acrt {

enum class AnswerStatus { kText, kCancel };

// Prints the prompt and takes the next answer: the rest of the current line when
// spaces are allowed, else up to the next space or line end.
ACRT_PORT AnswerStatus readAnswer(const ACHAR* prompt, bool spacesAllowed, std::wstring& answer);

// Parses a point answer ("x,y", "x,y,z", "@dx,dy", "@d<angle") relative to base.
ACRT_PORT bool parsePoint(const std::wstring& text, const AcGePoint3d& base, AcGePoint3d& result);

// Entities of the current space that a pick at pt touches, nearest first (ties:
// the latest drawn first); only those within the pick box.
ACRT_PORT std::vector<AcDbObjectId> entitiesAtPick(AcDbDatabase* db, const AcGePoint3d& pt);
// The current space's entities, in drawing order, erased ones left out.
ACRT_PORT std::vector<AcDbObjectId> currentSpaceEntities(AcDbDatabase* db);
// Every entity of the model and paper space, in drawing order.
ACRT_PORT std::vector<AcDbObjectId> allEntities(AcDbDatabase* db);
// Nearest snap point of the given mode offered near pt, if any.
ACRT_PORT bool snapPoint(AcDbDatabase* db, AcDb::OsnapMode mode, const AcGePoint3d& pt, AcGePoint3d& snapped);
// The world extents of an entity's drawn geometry.
ACRT_PORT bool drawnExtents(AcDbEntity* ent, AcGePoint3d& minPt, AcGePoint3d& maxPt);

}  // namespace acrt
