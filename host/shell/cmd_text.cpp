// TEXT and ATTDEF: a single-line text, or an attribute definition, placed by its start
// point or by a justification's points, in a text style, with the drawing's TEXTSIZE
// as the height offered (and kept as the next default).
#include <cmath>
#include <cwctype>

#include "acedads.h"
#include "dbapserv.h"
#include "dbents.h"
#include "dbsymtb.h"
#include "session.h"
#include "shell_input.h"

namespace vemcad {

namespace {

struct JustifyOption {
    const wchar_t* keyword;  // its leading capitals are the shortest answer taken
    AcDbText::AcTextAlignment justification;
    const wchar_t* pointPrompt;
};

//  keyword     justification                               the point it asks for
const JustifyOption kJustifyOptions[] = {
    {L"Align", AcDbText::kTextAlignmentAligned, L"\nSpecify first endpoint of text baseline: "},
    {L"Fit", AcDbText::kTextAlignmentFit, L"\nSpecify first endpoint of text baseline: "},
    {L"Center", AcDbText::kTextAlignmentCenter, L"\nSpecify center point of text: "},
    {L"Middle", AcDbText::kTextAlignmentMiddle, L"\nSpecify middle point of text: "},
    {L"Right", AcDbText::kTextAlignmentRight, L"\nSpecify right endpoint of text baseline: "},
    {L"TL", AcDbText::kTextAlignmentTopLeft, L"\nSpecify top-left point of text: "},
    {L"TC", AcDbText::kTextAlignmentTopCenter, L"\nSpecify top-center point of text: "},
    {L"TR", AcDbText::kTextAlignmentTopRight, L"\nSpecify top-right point of text: "},
    {L"ML", AcDbText::kTextAlignmentMiddleLeft, L"\nSpecify middle-left point of text: "},
    {L"MC", AcDbText::kTextAlignmentMiddleCenter, L"\nSpecify middle point of text: "},
    {L"MR", AcDbText::kTextAlignmentMiddleRight, L"\nSpecify middle-right point of text: "},
    {L"BL", AcDbText::kTextAlignmentBottomLeft, L"\nSpecify bottom-left point of text: "},
    {L"BC", AcDbText::kTextAlignmentBottomCenter, L"\nSpecify bottom-center point of text: "},
    {L"BR", AcDbText::kTextAlignmentBottomRight, L"\nSpecify bottom-right point of text: "},
};

// What the placing prompts gathered: the justification and its point (two for aligned
// and fitted text), the style, height and rotation.
struct Placement {
    AcDbText::AcTextAlignment justification = AcDbText::kTextAlignmentLeft;
    const wchar_t* pointPrompt = L"\nSpecify start point of text: ";
    AcGePoint3d first, second;
    AcDbObjectId style;
    double height = 0.0;
    double rotation = 0.0;
};

bool betweenPoints(const Placement& p)
{
    return p.justification == AcDbText::kTextAlignmentAligned || p.justification == AcDbText::kTextAlignmentFit;
}

// The option an answer names: a leading part of its keyword, case aside, at least as
// long as the keyword's leading capitals.
const JustifyOption* justifyOptionNamed(const std::wstring& answer)
{
    for (const JustifyOption& option : kJustifyOptions) {
        const std::wstring keyword = option.keyword;
        size_t capitals = 0;
        while (capitals < keyword.size() && std::iswupper(wint_t(keyword[capitals])))
            ++capitals;
        if (answer.size() < capitals || answer.size() > keyword.size())
            continue;
        bool prefix = true;
        for (size_t i = 0; i < answer.size() && prefix; ++i)
            prefix = std::towupper(wint_t(answer[i])) == std::towupper(wint_t(keyword[i]));
        if (prefix)
            return &option;
    }
    return nullptr;
}

int askJustification(Placement& placement)
{
    for (;;) {
        std::wstring answer;
        const int rc = getText(L"\nEnter an option [Align/Fit/Center/Middle/Right/TL/TC/TR/ML/MC/MR/BL/BC/BR]: ",
                               answer, false);
        if (rc != RTNORM || answer.empty())
            return rc == RTNORM ? RTNONE : rc;
        if (const JustifyOption* option = justifyOptionNamed(answer)) {
            placement.justification = option->justification;
            placement.pointPrompt = option->pointPrompt;
            return RTNORM;
        }
        say(L"Invalid option keyword.");
    }
}

AcString nameOf(AcDbObjectId style)
{
    AcString name;
    AcDbTextStyleTableRecord* record = nullptr;
    if (acdbOpenObject(record, style, AcDb::kForRead) == Acad::eOk) {
        record->getName(name);
        record->close();
    }
    return name;
}

// The style of a name in the working drawing; false when there is none.
bool findStyle(const std::wstring& name, AcDbObjectId& id)
{
    AcDbTextStyleTable* table = nullptr;
    if (acdbHostApplicationServices()->workingDatabase()->getTextStyleTable(table, AcDb::kForRead) != Acad::eOk)
        return false;
    const bool found = table->getAt(name.c_str(), id) == Acad::eOk;
    table->close();
    return found;
}

void listStyles()
{
    AcDbTextStyleTable* table = nullptr;
    if (acdbHostApplicationServices()->workingDatabase()->getTextStyleTable(table, AcDb::kForRead) != Acad::eOk)
        return;
    const std::vector<AcDbObjectId> ids = table->recordIds();
    table->close();
    for (AcDbObjectId id : ids)
        say(L"Style name: \"" + nameOf(id).wstr() + L"\"");
}

// "?" lists the styles; Enter keeps the current one.
int askStyle(Placement& placement)
{
    for (;;) {
        std::wstring name;
        const std::wstring prompt = L"\nEnter style name or [?] <" + nameOf(placement.style).wstr() + L">: ";
        const int rc = getText(prompt.c_str(), name, true);
        if (rc != RTNORM || name.empty())
            return rc == RTNONE ? RTNORM : rc;
        if (name == L"?") {
            listStyles();
            continue;
        }
        AcDbObjectId id;
        if (findStyle(name, id)) {
            placement.style = id;
            return RTNORM;
        }
        say(L"Cannot find text style \"" + name + L"\".");
    }
}

// The start point, or a justification and its point, or a style and then those.
int askFirstPoint(Placement& placement)
{
    for (;;) {
        const int rc = getPointOrKeyword(L"\nSpecify start point of text or [Justify/Style]: ", L"Justify Style",
                                         placement.first);
        if (rc != RTKWORD)
            return rc;
        ACHAR keyword[16] = {};
        acedGetInput(keyword, 16);
        if (keyword[0] == L'S') {
            const int styled = askStyle(placement);
            if (styled != RTNORM)
                return styled;
            continue;
        }
        const int justified = askJustification(placement);
        if (justified != RTNORM)
            return justified;
        return getPoint(placement.pointPrompt, nullptr, placement.first);
    }
}

int askSecondPoint(Placement& placement)
{
    for (;;) {
        const int rc = getPoint(L"\nSpecify second endpoint of text baseline: ", &placement.first, placement.second);
        if (rc != RTNORM || !placement.second.isEqualTo(placement.first))
            return rc;
        say(L"The endpoints of the baseline must differ.");
    }
}

// TEXTSIZE is offered and what is given becomes the next default; a style of fixed
// height is not asked for one.
int askHeight(Placement& placement, AcDbDatabase* db)
{
    AcDbTextStyleTableRecord* style = nullptr;
    if (acdbOpenObject(style, placement.style, AcDb::kForRead) == Acad::eOk) {
        placement.height = style->textSize();
        style->close();
        if (placement.height > 0.0)
            return RTNORM;
    }
    for (;;) {
        AcString prompt;
        prompt.format(L"\nSpecify height <%.4f>: ", db->textsize());
        double height = db->textsize();
        const int rc = getNumber(prompt.kwszPtr(), height);
        if (rc != RTNORM && rc != RTNONE)
            return rc;
        if (height > 0.0) {
            db->setTextsize(height);
            placement.height = height;
            return RTNORM;
        }
        say(L"Value must be positive and nonzero.");
    }
}

int askRotation(Placement& placement)
{
    double degrees = 0.0;
    const int rc = getNumber(L"\nSpecify rotation angle of text <0>: ", degrees);
    placement.rotation = degrees * M_PI / 180.0;
    return rc == RTNONE ? RTNORM : rc;
}

// The prompts from the start point on: false when one was cancelled.
bool askPlacement(Placement& placement, AcDbDatabase* db)
{
    placement.style = db->textstyle();
    if (askFirstPoint(placement) != RTNORM)
        return false;
    if (betweenPoints(placement) && askSecondPoint(placement) != RTNORM)
        return false;
    if (placement.justification != AcDbText::kTextAlignmentAligned && askHeight(placement, db) != RTNORM)
        return false;
    return betweenPoints(placement) || askRotation(placement) == RTNORM;
}

// Places the text as gathered, in the style's width factor and oblique angle, appends
// it to the current space and closes it (which places it by its justification).
void appendPlaced(AcDbText* text, const Placement& placement, AcDbDatabase* db)
{
    text->setTextStyle(placement.style);
    text->setHeight(placement.height);
    text->setRotation(placement.rotation);
    AcDbTextStyleTableRecord* style = nullptr;
    if (acdbOpenObject(style, placement.style, AcDb::kForRead) == Acad::eOk) {
        text->setWidthFactor(style->xScale());
        text->setOblique(style->obliquingAngle());
        style->close();
    }
    text->setJustification(placement.justification);
    text->setPosition(placement.first);
    text->setAlignmentPoint(betweenPoints(placement) ? placement.second : placement.first);
    if (appendToBlock(db->currentSpaceId(), text) != Acad::eOk) {
        say(L"The text could not be added to the drawing.");
        delete text;
        return;
    }
    text->close();
}

void textCommand(Session& session)
{
    Placement placement;
    if (!askPlacement(placement, session.db()))
        return;
    std::wstring string;
    if (getText(L"\nEnter text: ", string, true) != RTNORM || string.empty())
        return;
    appendPlaced(new AcDbText(placement.first, string.c_str()), placement, session.db());
}

// A tag is asked again until it is not empty and has no spaces; it is kept in capitals.
int askTag(std::wstring& tag)
{
    for (;;) {
        const int rc = getText(L"\nEnter attribute tag name: ", tag, true);
        if (rc != RTNORM)
            return rc;
        bool spaced = false;
        for (wchar_t& c : tag) {
            spaced = spaced || std::iswspace(wint_t(c));
            c = wchar_t(std::towupper(wint_t(c)));
        }
        if (!tag.empty() && !spaced)
            return RTNORM;
        if (spaced)
            say(L"Attribute tags cannot contain spaces.");
    }
}

void attdefCommand(Session& session)
{
    std::wstring tag, prompt, value;
    if (askTag(tag) != RTNORM || getText(L"\nEnter attribute prompt: ", prompt, true) != RTNORM ||
        getText(L"\nEnter default attribute value: ", value, true) != RTNORM)
        return;
    if (prompt.empty())
        prompt = tag;  // as the host does: the tag asks for the value
    Placement placement;
    if (!askPlacement(placement, session.db()))
        return;
    appendPlaced(new AcDbAttributeDefinition(placement.first, value.c_str(), tag.c_str(), prompt.c_str()), placement,
                 session.db());
}

}  // namespace

void addTextCommands(std::vector<HostCommand>& table)
{
    //              name       run            undoable
    table.push_back({L"TEXT", textCommand, true});
    table.push_back({L"ATTDEF", attdefCommand, true});
}

}  // namespace vemcad
