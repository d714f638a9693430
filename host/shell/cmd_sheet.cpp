// SHEET: a sheet frame with a title block, so that a plot at the drawing's scale looks
// like a sheet. The frame is a block drawn in paper millimetres (one per paper size and
// orientation, made once per drawing and reused), inserted at the scale that makes one
// paper millimetre n/1000 metres at 1:n in the drawing's units; its title block's
// attributes hold the title, the scale, the coordinate system, the date and the drafter.
// A cancel at any prompt leaves the drawing as it was.
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <cwchar>
#include <cwctype>
#include <memory>

#include "acedads.h"
#include "dbents.h"
#include "dbpl.h"
#include "dbsymtb.h"
#include "opened_object.h"
#include "rxclass.h"
#include "rxdict.h"
#include "session.h"
#include "shell_input.h"
#include "vemhost_io.h"
#include "vemhost_program.h"

namespace vemcad {

namespace {

using vemio::Opened;

// ---- tables ----------------------------------------------------------------------------------

struct PaperSize {
    const wchar_t* name;
    double longSide, shortSide;  // mm
    double margin;               // mm between border and frame but on the binding side
};

//  name   long side  short side  margin
const PaperSize kPapers[] = {
    {L"A4",  297.0,    210.0,      5.0},
    {L"A3",  420.0,    297.0,      5.0},
    {L"A2",  594.0,    420.0,      10.0},
    {L"A1",  841.0,    594.0,      10.0},
    {L"A0",  1189.0,   841.0,      10.0},
};
constexpr double kBindingMargin = 25.0;  // mm, on the left as drawing standards bind sheets

// Millimetres in one drawing unit, by INSUNITS (0 to 24). A drawing without units is
// taken as metres, the unit of a new drawing and of the surveys the labels annotate.
const double kMillimetresPerUnit[] = {
    1000.0,                // unitless
    25.4,                  // inches
    304.8,                 // feet
    1609344.0,             // miles
    1.0,                   // millimetres
    10.0,                  // centimetres
    1000.0,                // metres
    1e6,                   // kilometres
    25.4e-6,               // microinches
    0.0254,                // mils
    914.4,                 // yards
    1e-7,                  // angstroms
    1e-6,                  // nanometres
    1e-3,                  // microns
    100.0,                 // decimetres
    1e4,                   // dekametres
    1e5,                   // hectometres
    1e12,                  // gigametres
    1.495978707e14,        // astronomical units
    9.4607304725808e18,    // light years
    3.0856775814913673e19, // parsecs
    1200000.0 / 3937.0,    // US survey feet
    100000.0 / 3937.0,     // US survey inches
    3600000.0 / 3937.0,    // US survey yards
    6336000000.0 / 3937.0, // US survey miles
};

// The title block: rows of fields from the top, each a label cell and a value cell.
struct TitleField {
    const wchar_t* tag;
    const wchar_t* label;   // fixed text in the label cell
    const wchar_t* prompt;  // the attribute definition's prompt
};

//  tag           label        prompt
const TitleField kTitleFields[] = {
    {L"TITLE",    L"图名",     L"Drawing title"},
    {L"SCALE",    L"比例",     L"Scale"},
    {L"COORDSYS", L"坐标系",   L"Coordinate system"},
    {L"DATE",     L"日期",     L"Date"},
    {L"DRAWNBY",  L"制图",     L"Drawn by"},
};
constexpr size_t kFieldCount = sizeof kTitleFields / sizeof kTitleFields[0];
enum Field { kTitle, kScale, kCoordSys, kDate, kDrawnBy };

// Title block sizes, mm.
constexpr double kTitleWidth = 140.0;
constexpr double kRowHeight = 8.0;
constexpr double kLabelWidth = 20.0;
constexpr double kTextHeight = 3.5;
constexpr double kTextInset = 2.0;

// ---- answers ---------------------------------------------------------------------------------

struct SheetAnswers {
    const PaperSize* paper = &kPapers[1];
    bool portrait = false;
    double scale = 500.0;  // n of 1:n
    AcGePoint3d corner;
    std::wstring values[kFieldCount];
};

// A line answer; an answer too long is asked again. False on cancel.
bool askLine(const std::wstring& prompt, std::wstring& answer, bool spacesAllowed)
{
    for (;;) {
        const int rc = getText(prompt.c_str(), answer, spacesAllowed);
        if (rc != RTERROR)
            return rc == RTNORM;
    }
}

bool sameLetters(const std::wstring& a, const std::wstring& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::towupper(wint_t(a[i])) != std::towupper(wint_t(b[i])))
            return false;
    }
    return true;
}

bool askPaper(SheetAnswers& answers)
{
    for (;;) {
        std::wstring answer;
        if (!askLine(L"\nPaper size [A4/A3/A2/A1/A0] <A3>: ", answer, false))
            return false;
        if (answer.empty())
            return true;
        for (const PaperSize& paper : kPapers) {
            if (sameLetters(answer, paper.name)) {
                answers.paper = &paper;
                return true;
            }
        }
        say(L"Invalid option keyword.");
    }
}

// "P", "Port" ... name Portrait; "L" ... Landscape.
bool askOrientation(SheetAnswers& answers)
{
    for (;;) {
        std::wstring answer;
        if (!askLine(L"\nOrientation [Portrait/Landscape] <Landscape>: ", answer, false))
            return false;
        if (answer.empty())
            return true;
        for (const wchar_t* keyword : {L"Portrait", L"Landscape"}) {
            if (answer.size() <= std::wcslen(keyword) && sameLetters(answer, std::wstring(keyword, answer.size()))) {
                answers.portrait = keyword[0] == L'P';
                return true;
            }
        }
        say(L"Invalid option keyword.");
    }
}

// A scale's n as typed: whole numbers without decimals.
std::wstring scaleText(double n)
{
    if (n == std::floor(n) && n < 1e15)
        return std::to_wstring((long long)n);
    std::wstring text = decimalText(n, 6);
    while (text.back() == L'0')
        text.pop_back();
    if (text.back() == L'.')
        text.pop_back();
    return text;
}

// Drawing units in one paper millimetre at 1:n.
double unitsPerPaperMillimetre(const AcDbDatabase* db, double n)
{
    const int units = int(db->insunits());
    const bool known = units >= 0 && units < int(sizeof kMillimetresPerUnit / sizeof kMillimetresPerUnit[0]);
    return n / kMillimetresPerUnit[known ? units : 0];
}

// Whether a sheet at 1:n is a size the drawing's units can hold; says why not.
bool suitsUnits(const AcDbDatabase* db, double n)
{
    if (!(n > 0.0) || !std::isfinite(n)) {
        say(L"Value must be positive and nonzero.");
        return false;
    }
    const double factor = unitsPerPaperMillimetre(db, n);
    if (!std::isnormal(factor) || factor < 1e-9 || factor > 1e12) {
        say(L"The sheet would be too large or too small for the drawing's units.");
        return false;
    }
    return true;
}

// "1:500" or "500".
bool isPlotScale(const std::wstring& text, const AcDbDatabase* db, double& n)
{
    const std::wstring number = text.compare(0, 2, L"1:") == 0 ? text.substr(2) : text;
    wchar_t* end = nullptr;
    const double v = std::wcstod(number.c_str(), &end);
    if (number.empty() || end == nullptr || *end != 0 || !std::isfinite(v)) {
        say(L"Requires numeric value.");
        return false;
    }
    if (!suitsUnits(db, v))
        return false;
    n = v;
    return true;
}

bool askScale(const AcDbDatabase* db, SheetAnswers& answers)
{
    for (;;) {
        std::wstring answer;
        if (!askLine(L"\nPlot scale 1:n <" + scaleText(answers.scale) + L">: ", answer, false))
            return false;
        // The default is checked too: a coordinate system's scale may not suit the units.
        if (answer.empty() ? suitsUnits(db, answers.scale) : isPlotScale(answer, db, answers.scale))
            return true;
    }
}

bool askCorner(SheetAnswers& answers)
{
    const int rc = getPoint(L"\nSpecify lower left corner <0,0>: ", nullptr, answers.corner);
    if (rc == RTNONE)
        answers.corner = AcGePoint3d::kOrigin;
    return rc == RTNORM || rc == RTNONE;
}

// A value with its default shown (none when empty); Enter takes the default.
bool askValue(const std::wstring& prompt, std::wstring& value)
{
    std::wstring answer;
    if (!askLine(L"\n" + prompt + (value.empty() ? L"" : L" <" + value + L">") + L": ", answer, true))
        return false;
    if (!answer.empty())
        value = answer;
    return true;
}

// ---- defaults --------------------------------------------------------------------------------

std::wstring today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    char text[16] = {};
    if (localtime_r(&now, &local) == nullptr || std::strftime(text, sizeof text, "%Y-%m-%d", &local) == 0)
        return std::wstring();
    return vemhost::fromUtf8(text);
}

std::wstring userName()
{
    const char* user = std::getenv("USER");
    return user != nullptr ? vemhost::fromUtf8(user) : std::wstring();
}

// The drawing's file name without folder or extension.
std::wstring drawingTitle(const Session& session)
{
    std::wstring name = session.drawingName();
    const size_t slash = name.find_last_of(L'/');
    if (slash != std::wstring::npos)
        name.erase(0, slash + 1);
    const size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos && dot > 0)
        name.erase(dot);
    return name;
}

// What the sheet tells of the drawing's coordinate system.
struct CoordinateSystem {
    std::wstring description;
    double scale = 0.0;
};

// Reads a coordinate system's record after its common entity data, which `skipper`
// (an entity made for the purpose) takes: axis names, the origin's values, the drawing
// scale and the decimals.
bool readSystemRecord(AcDbDwgFiler& filer, CoordinateSystem& system)
{
    AcDbLine skipper;
    Adesk::UInt32 version = 0;
    AcString vName, hName;
    double vOffset = 0, hOffset = 0, appearance = 0;
    AcGePoint3d relOrigin, absOrigin;
    AcGeVector3d vDir, hDir;
    Adesk::Int32 decimals = 0;
    if (skipper.AcDbEntity::dwgInFields(&filer) != Acad::eOk || filer.readUInt32(&version) != Acad::eOk ||
        version != 1 || filer.readString(vName) != Acad::eOk || filer.readString(hName) != Acad::eOk ||
        filer.readDouble(&vOffset) != Acad::eOk || filer.readDouble(&hOffset) != Acad::eOk ||
        filer.readPoint3d(&relOrigin) != Acad::eOk || filer.readPoint3d(&absOrigin) != Acad::eOk ||
        filer.readVector3d(&vDir) != Acad::eOk || filer.readVector3d(&hDir) != Acad::eOk ||
        filer.readDouble(&system.scale) != Acad::eOk || filer.readDouble(&appearance) != Acad::eOk ||
        filer.readInt32(&decimals) != Acad::eOk)
        return false;
    const int shown = decimals < 0 || decimals > 10 ? 3 : int(decimals);
    system.description = vName.wstr() + L"/" + hName.wstr() + L", origin " + vName.wstr() + L"=" +
                         decimalText(vOffset, shown) + L" " + hName.wstr() + L"=" + decimalText(hOffset, shown);
    return true;
}

// The drawing's coordinate systems (the label module's EOrigin class, known by its
// name, so that the host needs no module to make a sheet): true when model space holds
// exactly one, read into `system`.
bool onlyCoordinateSystem(AcDbDatabase* db, CoordinateSystem& system)
{
    AcRxDictionary* classes = acrxClassDictionary;
    AcRxClass* systemClass = classes != nullptr ? AcRxClass::cast(classes->at(L"EOrigin")) : nullptr;
    AcDbObjectId spaceId, found;
    AcDbBlockTable* table = nullptr;
    if (systemClass == nullptr || db->getBlockTable(table, AcDb::kForRead) != Acad::eOk)
        return false;
    table->getAt(ACDB_MODEL_SPACE, spaceId);
    table->close();
    Opened<AcDbBlockTableRecord> space;
    if (acdbOpenObject(space.slot(), spaceId, AcDb::kForRead) != Acad::eOk)
        return false;
    for (const AcDbObjectId& id : space->entityIds()) {
        Opened<AcDbEntity> ent;
        if (id.isErased() || acdbOpenObject(ent.slot(), id, AcDb::kForRead) != Acad::eOk ||
            !ent->isKindOf(systemClass))
            continue;
        if (!found.isNull())
            return false;
        found = id;
    }
    Opened<AcDbEntity> ent;
    if (found.isNull() || acdbOpenObject(ent.slot(), found, AcDb::kForRead) != Acad::eOk)
        return false;
    vemhost::MemoryFiler filer(db, AcDb::kCopyFiler);
    if (ent->dwgOutFields(&filer) != Acad::eOk)
        return false;
    filer.rewind();
    return readSystemRecord(filer, system) && std::isfinite(system.scale) && system.scale > 0.0;
}

// ---- the block -------------------------------------------------------------------------------

// The sheet's size in paper mm as it lies.
AcGeVector2d sheetSize(const SheetAnswers& answers)
{
    const PaperSize& p = *answers.paper;
    return answers.portrait ? AcGeVector2d(p.shortSide, p.longSide) : AcGeVector2d(p.longSide, p.shortSide);
}

std::wstring blockName(const SheetAnswers& answers)
{
    return std::wstring(L"VEM_SHEET_") + answers.paper->name + (answers.portrait ? L"_PORTRAIT" : L"_LANDSCAPE");
}

AcDbObjectId findBlock(AcDbDatabase* db, const std::wstring& name)
{
    AcDbObjectId id;
    AcDbBlockTable* table = nullptr;
    if (db->getBlockTable(table, AcDb::kForRead) != Acad::eOk)
        return id;
    table->getAt(name.c_str(), id);
    table->close();
    return id;
}

// The texts' style: the modules' "vem_text", else "Standard", else the current one.
AcDbObjectId sheetTextStyle(AcDbDatabase* db)
{
    AcDbObjectId id = db->textstyle();
    AcDbTextStyleTable* table = nullptr;
    if (db->getTextStyleTable(table, AcDb::kForRead) != Acad::eOk)
        return id;
    AcDbObjectId found;
    if (table->getAt(L"vem_text", found) == Acad::eOk || table->getAt(L"Standard", found) == Acad::eOk)
        id = found;
    table->close();
    return id;
}

// Appends to the block and closes; false (the entity deleted) when it is refused.
bool appendTo(AcDbBlockTableRecord* rec, AcDbEntity* ent, AcDb::LineWeight weight)
{
    if (ent->setLineWeight(weight) != Acad::eOk || rec->appendAcDbEntity(ent) != Acad::eOk) {
        delete ent;
        return false;
    }
    ent->close();
    return true;
}

bool appendRectangle(AcDbBlockTableRecord* rec, const AcGePoint2d& low, const AcGePoint2d& high, AcDb::LineWeight weight)
{
    AcDbPolyline* outline = new AcDbPolyline(4);
    const AcGePoint2d corners[] = {low, AcGePoint2d(high.x, low.y), high, AcGePoint2d(low.x, high.y)};
    for (unsigned int i = 0; i < 4; ++i)
        outline->addVertexAt(i, corners[i]);
    outline->setClosed(true);
    return appendTo(rec, outline, weight);
}

bool appendLine(AcDbBlockTableRecord* rec, double x0, double y0, double x1, double y1)
{
    return appendTo(rec, new AcDbLine(AcGePoint3d(x0, y0, 0), AcGePoint3d(x1, y1, 0)), AcDb::kLnWt018);
}

// One row of the title block, its bottom at y: the label as a text, the value as an
// attribute definition.
bool appendField(AcDbBlockTableRecord* rec, const TitleField& field, double x, double y, AcDbObjectId style)
{
    const double baseline = y + (kRowHeight - kTextHeight) / 2;
    AcDbText* label = new AcDbText(AcGePoint3d(x + kTextInset, baseline, 0), field.label, style, kTextHeight);
    if (!appendTo(rec, label, AcDb::kLnWt018))
        return false;
    AcDbAttributeDefinition* value = new AcDbAttributeDefinition(
        AcGePoint3d(x + kLabelWidth + kTextInset, baseline, 0), L"", field.tag, field.prompt, style);
    if (value->setHeight(kTextHeight) != Acad::eOk) {
        delete value;
        return false;
    }
    return appendTo(rec, value, AcDb::kLnWt018);
}

// The border, the frame and the title block in its lower right corner, in paper mm
// with the border's lower left corner as the base point.
bool drawSheet(AcDbBlockTableRecord* rec, const SheetAnswers& answers, AcDbObjectId style)
{
    const AcGeVector2d size = sheetSize(answers);
    const double m = answers.paper->margin;
    const double right = size.x - m, left = right - kTitleWidth, top = m + kRowHeight * kFieldCount;
    bool drawn = appendRectangle(rec, AcGePoint2d(0, 0), AcGePoint2d(size.x, size.y), AcDb::kLnWt025) &&
                 appendRectangle(rec, AcGePoint2d(kBindingMargin, m), AcGePoint2d(right, size.y - m), AcDb::kLnWt070) &&
                 appendRectangle(rec, AcGePoint2d(left, m), AcGePoint2d(right, top), AcDb::kLnWt050) &&
                 appendLine(rec, left + kLabelWidth, m, left + kLabelWidth, top);
    for (size_t row = 0; drawn && row < kFieldCount; ++row) {
        const double bottom = top - kRowHeight * double(row + 1);
        drawn = (row + 1 == kFieldCount || appendLine(rec, left, bottom, right, bottom)) &&
                appendField(rec, kTitleFields[row], left, bottom, style);
    }
    return drawn;
}

// A new block of the sheet; null when it could not be made whole (the caller rolls the
// step back).
AcDbObjectId makeSheetBlock(AcDbDatabase* db, const SheetAnswers& answers)
{
    AcDbBlockTable* table = nullptr;
    if (db->getBlockTable(table, AcDb::kForWrite) != Acad::eOk)
        return AcDbObjectId();
    AcDbBlockTableRecord* rec = new AcDbBlockTableRecord();
    AcDbObjectId id;
    const Acad::ErrorStatus es =
        rec->setName(blockName(answers).c_str()) == Acad::eOk ? table->add(id, rec) : Acad::eInvalidInput;
    table->close();
    if (es != Acad::eOk) {
        delete rec;
        return AcDbObjectId();
    }
    rec->setOrigin(AcGePoint3d::kOrigin);
    const bool drawn = drawSheet(rec, answers, sheetTextStyle(db));
    rec->close();
    return drawn ? id : AcDbObjectId();
}

// ---- the reference ---------------------------------------------------------------------------

// The value for a definition of the block: the answer for its tag, else its default.
std::wstring valueFor(const AcDbAttributeDefinition* def, const SheetAnswers& answers)
{
    for (size_t i = 0; i < kFieldCount; ++i) {
        if (sameLetters(def->tagConst(), kTitleFields[i].tag))
            return answers.values[i];
    }
    return def->textStringConst();
}

// The reference (in the database, open for write) takes an attribute for each of its
// block's definitions that is not constant; false when one could not be added.
bool appendAttributes(AcDbBlockReference* ref, AcDbObjectId block, const SheetAnswers& answers)
{
    std::vector<AcDbObjectId> ids;
    {
        Opened<AcDbBlockTableRecord> rec;
        if (acdbOpenObject(rec.slot(), block, AcDb::kForRead) != Acad::eOk)
            return false;
        ids = rec->entityIds();
    }
    const AcGeMatrix3d placement = ref->blockTransform();
    for (const AcDbObjectId& id : ids) {
        Opened<AcDbAttributeDefinition> def;
        if (id.isErased() || acdbOpenObject(def.slot(), id, AcDb::kForRead) != Acad::eOk || def->isConstant())
            continue;
        AcDbAttribute* attribute = new AcDbAttribute();
        if (attribute->setAttributeFromBlock(def.get(), placement) != Acad::eOk ||
            attribute->setTextString(valueFor(def.get(), answers).c_str()) != Acad::eOk ||
            ref->appendAttribute(attribute) != Acad::eOk) {
            delete attribute;
            return false;
        }
        attribute->close();
    }
    return true;
}

bool insertSheet(AcDbDatabase* db, AcDbObjectId block, const SheetAnswers& answers)
{
    const double factor = unitsPerPaperMillimetre(db, answers.scale);
    AcDbBlockReference* ref = new AcDbBlockReference(answers.corner, block);
    if (ref->setScaleFactors(AcGeScale3d(factor, factor, factor)) != Acad::eOk ||
        appendToBlock(db->currentSpaceId(), ref) != Acad::eOk) {
        delete ref;
        return false;
    }
    const bool whole = appendAttributes(ref, block, answers);
    ref->close();
    return whole;
}

// ---- SHEET -----------------------------------------------------------------------------------

bool askSheet(Session& session, SheetAnswers& answers)
{
    CoordinateSystem system;
    const bool known = onlyCoordinateSystem(session.db(), system);
    if (known)
        answers.scale = system.scale;
    if (!askPaper(answers) || !askOrientation(answers) || !askScale(session.db(), answers) || !askCorner(answers))
        return false;
    answers.values[kTitle] = drawingTitle(session);
    answers.values[kScale] = L"1:" + scaleText(answers.scale);
    answers.values[kCoordSys] = system.description;
    answers.values[kDate] = today();
    answers.values[kDrawnBy] = userName();
    return askValue(kTitleFields[kTitle].prompt, answers.values[kTitle]) &&
           (known || askValue(kTitleFields[kCoordSys].prompt, answers.values[kCoordSys])) &&
           askValue(kTitleFields[kDate].prompt, answers.values[kDate]) &&
           askValue(kTitleFields[kDrawnBy].prompt, answers.values[kDrawnBy]);
}

void sheetCommand(Session& session)
{
    SheetAnswers answers;
    if (!askSheet(session, answers))
        return;
    AcDbDatabase* db = session.db();
    const vemhost::UndoMark mark = session.undo().mark();
    AcDbObjectId block = findBlock(db, blockName(answers));
    if (block.isNull())
        block = makeSheetBlock(db, answers);
    if (block.isNull() || !insertSheet(db, block, answers)) {
        session.undo().rollBackTo(mark);
        say(L"The sheet could not be made.");
    }
}

}  // namespace

void addSheetCommands(std::vector<HostCommand>& table)
{
    //              name       run            undoable
    table.push_back({L"SHEET", sheetCommand, true});
}

}  // namespace vemcad
