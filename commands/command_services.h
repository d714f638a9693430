// Services shared by the command bodies: typed answers, picking and selecting the
// system's entities, appending new entities, the label text style, the display
// refresh and number formatting. None keeps state between calls.
#pragma once

#include <functional>

#include "AcString.h"
#include "adsdef.h"
#include "dbmain.h"
#include "format_fixed.h"  // formatFixed, compiled into this module from the entity module's source

class EOrigin;

// The answer buffer of getStringInput: at most 99 characters and the terminator.
constexpr size_t kAnswerLength = 100;
typedef ACHAR AnswerBuffer[kAnswerLength];

// ---- typed answers ------------------------------------------------------------------
// Asks for a string; spacesAllowed 0 lets a space end the answer as Enter does. The
// buffer is cleared first. Returns the editor status (RTNORM with an empty buffer for
// an empty answer).
int getStringInput(int spacesAllowed, const ACHAR* prompt, AnswerBuffer& answer);

// The farthest any piece of an entity's display lies from its relative origin or its
// text point, in appearance scales, with a wide margin: arrows reach 10, and a label
// text of height 3 (a 99-character name, "=" and a value of up to 320 characters, at
// most 1.3 heights a character) about 1,700.
constexpr double kDisplayReach = 1e4;

// A scale the system can compute with: a normal finite number above 0. A subnormal
// scale has lost its digits, and its reciprocal is not finite.
bool isUsableScale(double scale);

// True when every point within reach of p (in any direction) has finite coordinates.
bool staysFiniteAround(const AcGePoint3d& p, double reach);

// Asks for a scale: Enter gives 1.0; an answer that is no usable scale, or that the fits
// check refuses, prints invalidMessage and gives 1.0. Returns the editor status.
int askScale(const ACHAR* prompt, const ACHAR* invalidMessage, double& scale,
             const std::function<bool(double)>& fits = nullptr);

// Asks for a number of decimals from 0 to 10: Enter gives 3; the answer is truncated
// toward zero, and a count out of range or not finite prints the decimals message and
// gives 3. Returns the editor status.
int askDecimals(int& decimals);

// The number an answer starts with, or 0.0 when it starts with none or the number is
// not finite (an overflowing or "inf"/"nan" answer is no coordinate).
double coordinateAnswer(const ACHAR* answer);

// ---- picking and selecting ----------------------------------------------------------
// Pick status of pickEntityOfClass when nothing fit: no pick, a cancel, an unknown
// class name or an entity of another class.
constexpr Acad::ErrorStatus kPickRefused = Acad::eInvalidInput;

// Asks the user to pick one entity of the named class ("EOrigin", "ECoPoint",
// "ECoLine") once. eOk with its id (and the pick point when asked for) on success; an
// entity of another class prints "\n无效的选择!".
Acad::ErrorStatus pickEntityOfClass(const AcString& className, AcDbObjectId& id, AcGePoint3d* pickPoint = nullptr);

// Opens a coordinate system; the host refuses an object of any other class.
Acad::ErrorStatus openOrigin(EOrigin*& origin, AcDbObjectId id, AcDb::OpenMode mode, bool openErased = false);

// What a label copies from its coordinate system.
struct OriginValues {
    AcString vAxisName;
    AcString hAxisName;
    AcGePoint3d absOrigin;
    AcGeVector3d vAxisDir;
    AcGeVector3d hAxisDir;
    double drawingScale = 1.0;
    double appearanceScale = 1.0;
    int decimals = 3;
};

// Asks for a coordinate system, opens it for read, copies its values and closes it.
// False when nothing fit was picked or it could not be opened.
bool pickOriginValues(OriginValues& values);

// Asks for a point, with a rubber band from base when one is given. Returns the
// editor status; the point is set on RTNORM only.
int getPoint(const AcGePoint3d* base, const ACHAR* prompt, AcGePoint3d& point);

// True when the object's class is cls or derives from it.
bool isKindOfClass(const AcRxObject* object, const AcRxClass* cls);

// Prompts "\n选择<class>对象(多选):" and lets the user select entities of that class
// only. On any status but RTNORM the set is already released.
int selectEntitiesOfClass(ads_name ss, const ACHAR* className);

// Every entity of the class in the drawing (model space and every layout), without a
// prompt. On any status but RTNORM the set is already released.
int selectAllOfClass(ads_name ss, const ACHAR* className);

// ---- appending ------------------------------------------------------------------------
// Appends a new entity to the model space of the working database. The entity stays
// open; the caller closes it (and so deletes it when the append failed).
Acad::ErrorStatus appendToModelSpace(AcDbEntity* entity);

// Appends a new entity to the block with the given id (the block that owns the entity
// it replaces), under the same rules as appendToModelSpace.
Acad::ErrorStatus appendToBlock(AcDbEntity* entity, AcDbObjectId blockId);

// ---- the label text style ---------------------------------------------------------------
// Adds the text style "vem_text" (complex8.shx, big font hztxt99.shx) to the working
// database unless it has one; an existing style is left as it is.
void ensureTextStyle();

// The style new entities use: "vem_text", else "Standard", else the null id.
AcDbObjectId getLabelTextStyleId();

// ---- display and numbers ------------------------------------------------------------------
// Brings the changes of a batch command to the screen; called once per command.
void refreshDisplay();

// The value as a decimal integer ("%d").
AcString formatInt(int value);
