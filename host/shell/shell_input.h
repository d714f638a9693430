// Input and database helpers shared by the host commands.
#pragma once

#include <string>
#include <vector>

#include "adscodes.h"
#include "dbmain.h"

namespace vemcad {

// RTNORM with the point, RTNONE on Enter, RTCAN on cancel.
int getPoint(const wchar_t* prompt, const AcGePoint3d* base, AcGePoint3d& pt);
// A point, or RTKWORD for an answer that is the keyword or its start (case ignored);
// RTNONE on Enter, RTCAN on cancel. Object snaps work as at any point prompt.
int getPointOrKeyword(const wchar_t* prompt, const wchar_t* keyword, AcGePoint3d& pt);
// A finite number; anything else is asked again.
int getNumber(const wchar_t* prompt, double& value);
// A line answer with spaces (file names, values).
int getText(const wchar_t* prompt, std::wstring& text, bool spacesAllowed);
// A file name (spaces admitted), as UTF-8; false on Enter or cancel.
bool askFileName(std::string& path, const wchar_t* prompt = L"\nEnter file name: ");
// Interactive selection; false when nothing was selected or it was cancelled.
bool selectObjects(std::vector<AcDbObjectId>& ids);
// The same with the editor's status: RTNORM with the ids, RTCAN on cancel, RTERROR when
// nothing was selected.
int selectObjectsStatus(std::vector<AcDbObjectId>& ids);
// Appends a new entity to a block (model space when the block is null); the entity
// stays open for the caller to close.
Acad::ErrorStatus appendToBlock(AcDbObjectId blockId, AcDbEntity* ent);
// Appends a new entity to the current space and closes it; says so when it could not be
// added (and the entity, not owned by the drawing, is deleted).
void appendToCurrentSpace(AcDbEntity* ent);
// Prints a message line in the command window.
void say(const std::wstring& text);
// A number with a fixed count of decimals, as the host shows lengths ("%.4f"); a number
// of any size fits.
std::wstring decimalText(double value, int decimals = 4);

}  // namespace vemcad
