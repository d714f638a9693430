// Host block commands: BLOCK makes a block of selected objects about a base point (the
// objects leave the drawing for the block, as on the host), INSERT places a reference to
// a block with its scales, rotation and attribute values. A cancel at any prompt leaves
// the drawing as it was.
#include <cmath>
#include <cwchar>
#include <memory>

#include "acedads.h"
#include "dbents.h"
#include "dbsymtb.h"
#include "entity_edits.h"
#include "session.h"
#include "shell_input.h"

namespace vemcad {

namespace {

// ---- names ---------------------------------------------------------------------------------

// The live block of that name (case ignored), null when there is none.
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

// A name the user may give a block: one the table takes, and no "*" name (those are
// the spaces' and anonymous blocks').
bool isUserBlockName(const std::wstring& name)
{
    AcDbBlockTableRecord probe;
    return !name.empty() && name[0] != L'*' && probe.setName(name.c_str()) == Acad::eOk;
}

// "?": the user blocks by name.
void listBlocks(AcDbDatabase* db)
{
    AcDbBlockTable* table = nullptr;
    if (db->getBlockTable(table, AcDb::kForRead) != Acad::eOk)
        return;
    AcDbBlockTableIterator* raw = nullptr;
    table->newIterator(raw);
    std::unique_ptr<AcDbBlockTableIterator> it(raw);
    table->close();
    say(L"Defined blocks.");
    int count = 0;
    for (; !it->done(); it->step()) {
        AcDbBlockTableRecord* rec = nullptr;
        if (it->getRecord(rec) != Acad::eOk)
            continue;
        if (!rec->isLayout() && !rec->isAnonymous()) {
            AcString name;
            rec->getName(name);
            say(L"  \"" + std::wstring(name.kwszPtr()) + L"\"");
            ++count;
        }
        rec->close();
    }
    say(std::to_wstring(count) + (count == 1 ? L" user block." : L" user blocks."));
}

// Asks for a block name until one is given; "?" lists the blocks first. False on Enter
// or cancel.
bool askBlockName(AcDbDatabase* db, std::wstring& name)
{
    for (;;) {
        if (getText(L"\nEnter block name or [?]: ", name, false) != RTNORM || name.empty())
            return false;
        if (name != L"?")
            return true;
        listBlocks(db);
    }
}

bool isReferenced(AcDbObjectId block)
{
    AcDbBlockTableRecord* rec = nullptr;
    if (acdbOpenObject(rec, block, AcDb::kForRead) != Acad::eOk)
        return true;
    AcDbObjectIdArray refs;
    rec->getBlockReferenceIds(refs);
    rec->close();
    return !refs.isEmpty();
}

// ---- BLOCK -----------------------------------------------------------------------------------

// The name of a new block, or of one to redefine (which no reference may show: the
// host would redraw them all; here it is refused). False when the command ends.
bool askNewBlockName(AcDbDatabase* db, std::wstring& name, AcDbObjectId& existing)
{
    for (;;) {
        if (!askBlockName(db, name))
            return false;
        if (!isUserBlockName(name)) {
            say(L"Invalid block name.");
            continue;
        }
        existing = findBlock(db, name);
        if (existing.isNull())
            return true;
        std::wstring answer;
        if (getText((L"\nBlock \"" + name + L"\" already exists. Redefine it? [Yes/No] <No>: ").c_str(), answer,
                    false) == RTCAN)
            return false;
        if (answer.empty() || (answer[0] != L'Y' && answer[0] != L'y'))
            continue;
        if (!isReferenced(existing))
            return true;
        say(L"Block \"" + name + L"\" is referenced and cannot be redefined.");
    }
}

// The block record, new (added to the table) or emptied for its new definition, open
// for write with its base point set; null when it cannot be had.
AcDbBlockTableRecord* openDefinition(AcDbDatabase* db, const std::wstring& name, AcDbObjectId existing,
                                     const AcGePoint3d& base)
{
    AcDbBlockTableRecord* rec = nullptr;
    if (!existing.isNull()) {
        if (acdbOpenObject(rec, existing, AcDb::kForWrite) != Acad::eOk)
            return nullptr;
        for (const AcDbObjectId& id : rec->entityIds())
            editEach({id}, [](AcDbEntity* ent) { ent->erase(); });
    } else {
        AcDbBlockTable* table = nullptr;
        if (db->getBlockTable(table, AcDb::kForWrite) != Acad::eOk)
            return nullptr;
        rec = new AcDbBlockTableRecord();
        const Acad::ErrorStatus es = rec->setName(name.c_str()) == Acad::eOk ? table->add(rec) : Acad::eInvalidInput;
        table->close();
        if (es != Acad::eOk) {
            delete rec;
            return nullptr;
        }
    }
    rec->setOrigin(base);
    return rec;
}

// Each object moves into the block: a copy appended to it, the object erased. False
// when an object could not be moved (a copy refused), so that the caller takes all back.
bool moveInto(AcDbBlockTableRecord* rec, const std::vector<AcDbObjectId>& ids, int& moved)
{
    bool failed = false;
    EntityWriter().each(ids, [&](AcDbEntity* ent, size_t) {
        AcDbEntity* copy = AcDbEntity::cast(ent->clone());
        if (copy == nullptr || rec->appendAcDbEntity(copy) != Acad::eOk) {
            delete copy;
            failed = true;
            return false;
        }
        copy->close();
        ent->erase();
        ++moved;
        return true;
    });
    return !failed;
}

void blockCommand(Session& session)
{
    AcDbDatabase* db = session.db();
    std::wstring name;
    AcDbObjectId existing;
    AcGePoint3d base;
    if (!askNewBlockName(db, name, existing) || getPoint(L"\nSpecify insertion base point: ", nullptr, base) != RTNORM)
        return;
    std::vector<AcDbObjectId> ids;
    const int rc = selectObjectsStatus(ids);
    if (rc == RTCAN)
        return;
    if (rc != RTNORM) {
        say(L"No objects were selected; the block was not made.");
        return;
    }
    const vemhost::UndoMark mark = session.undo().mark();
    AcDbBlockTableRecord* rec = openDefinition(db, name, existing, base);
    int moved = 0;
    const bool whole = rec != nullptr && moveInto(rec, ids, moved);
    if (rec != nullptr)
        rec->close();
    if (!whole || moved == 0) {
        session.undo().rollBackTo(mark);
        say(L"The block \"" + name + L"\" could not be made.");
    }
}

// ---- INSERT ------------------------------------------------------------------------------------

struct Placing {
    AcGePoint3d at;
    AcGeScale3d scale;
    double rotation = 0.0;
    bool scaled = false, turned = false;  // given before the insertion point
};

// A number typed as an answer: finite and, for a scale, not zero (asked again with a
// message otherwise).
bool isScale(const std::wstring& text, double& value)
{
    wchar_t* end = nullptr;
    const double v = std::wcstod(text.c_str(), &end);
    if (text.empty() || end == nullptr || *end != 0 || !std::isfinite(v)) {
        say(L"Requires numeric value.");
        return false;
    }
    if (v == 0.0) {
        say(L"Value must be nonzero.");
        return false;
    }
    value = v;
    return true;
}

// A scale factor with a default shown in the prompt; false on cancel.
bool askFactor(const std::wstring& prompt, double fallback, double& value)
{
    for (;;) {
        std::wstring text;
        if (getText(prompt.c_str(), text, false) != RTNORM)
            return false;
        if (text.empty()) {
            value = fallback;
            return true;
        }
        if (isScale(text, value))
            return true;
    }
}

// An angle in degrees, typed or shown by a point from the insertion point; false on
// cancel.
bool askRotation(const wchar_t* prompt, const AcGePoint3d& at, double& radians)
{
    for (;;) {
        AcGePoint3d to;
        acedInitGet(RSG_OTHER, L"");
        const int rc = getPoint(prompt, &at, to);
        if (rc == RTNONE) {
            radians = 0.0;
            return true;
        }
        if (rc == RTNORM) {
            radians = std::atan2(to.y - at.y, to.x - at.x);
            return true;
        }
        if (rc != RTKWORD)
            return false;
        wchar_t typed[256];
        acedGetInput(typed, 256);
        wchar_t* end = nullptr;
        const double degrees = std::wcstod(typed, &end);
        if (end != typed && *end == 0 && std::isfinite(degrees)) {
            radians = degrees * M_PI / 180.0;
            return true;
        }
        say(L"Requires numeric value or a point.");
    }
}

// The X and Y factors shown by the opposite corner of a box from the insertion point.
bool cornerScales(const AcGePoint3d& at, const AcGePoint3d& corner, AcGeScale3d& scale)
{
    if (corner.x == at.x || corner.y == at.y) {
        say(L"Value must be nonzero.");
        return false;
    }
    scale.set(corner.x - at.x, corner.y - at.y, corner.x - at.x);
    return true;
}

// "Enter X scale factor, ...": a factor, a corner, or XYZ for all three in turn. An
// answer RTKWORD gives (a keyword or a typed number) is in word.
enum class XAnswer { kFactor, kCorner, kXyz, kAgain, kCancel };

XAnswer askXFactor(const wchar_t* prompt, const wchar_t* keywords, const AcGePoint3d& at, AcGeScale3d& scale)
{
    AcGePoint3d corner;
    acedInitGet(RSG_OTHER, keywords);
    int rc = getPoint(prompt, &at, corner);
    if (rc == RTNONE)
        return XAnswer::kFactor;  // the default, 1
    if (rc == RTNORM)
        return cornerScales(at, corner, scale) ? XAnswer::kCorner : XAnswer::kAgain;
    if (rc != RTKWORD)
        return XAnswer::kCancel;
    wchar_t word[256];
    acedGetInput(word, 256);
    if (std::wcscmp(word, L"XYZ") == 0)
        return XAnswer::kXyz;
    if (std::wcscmp(word, L"Corner") == 0) {
        if ((rc = getPoint(L"\nSpecify opposite corner: ", &at, corner)) != RTNORM)
            return rc == RTCAN ? XAnswer::kCancel : XAnswer::kAgain;
        return cornerScales(at, corner, scale) ? XAnswer::kCorner : XAnswer::kAgain;
    }
    double x = 1.0;
    if (!isScale(word, x))
        return XAnswer::kAgain;
    scale.set(x, x, x);
    return XAnswer::kFactor;
}

// The scale prompts after the insertion point; false on cancel.
bool askScales(Placing& p)
{
    for (;;) {
        p.scale.set(1.0, 1.0, 1.0);
        const XAnswer x = askXFactor(L"\nEnter X scale factor, specify opposite corner, or [Corner/XYZ] <1>: ",
                                     L"Corner XYZ", p.at, p.scale);
        if (x == XAnswer::kCancel)
            return false;
        if (x == XAnswer::kAgain)
            continue;
        if (x == XAnswer::kCorner)
            return true;
        if (x == XAnswer::kXyz) {
            XAnswer again = XAnswer::kAgain;
            while ((again = askXFactor(L"\nSpecify X scale factor, specify opposite corner, or [Corner] <1>: ",
                                       L"Corner", p.at, p.scale)) == XAnswer::kAgain) {
            }
            if (again == XAnswer::kCancel)
                return false;
            if (again == XAnswer::kCorner)
                return true;
            return askFactor(L"\nSpecify Y scale factor <use X scale factor>: ", p.scale.sx, p.scale.sy) &&
                   askFactor(L"\nSpecify Z scale factor <use X scale factor>: ", p.scale.sx, p.scale.sz);
        }
        return askFactor(L"\nEnter Y scale factor <use X scale factor>: ", p.scale.sx, p.scale.sy);
    }
}

// The insertion point, with the scales or the rotation given before it when asked for;
// false on cancel.
bool askInsertionPoint(Placing& p)
{
    for (;;) {
        acedInitGet(0, L"Scale X Y Z Rotate");
        const int rc = getPoint(L"\nSpecify insertion point or [Scale/X/Y/Z/Rotate]: ", nullptr, p.at);
        if (rc == RTNORM)
            return true;
        if (rc == RTNONE)
            continue;
        if (rc != RTKWORD)
            return false;
        wchar_t word[32];
        acedGetInput(word, 32);
        const std::wstring option(word);
        double factor = 1.0;
        bool answered = true;
        if (option == L"Scale" && (answered = askFactor(L"\nSpecify scale factor for XYZ axes <1>: ", 1.0, factor)))
            p.scale.set(factor, factor, factor);
        else if (option == L"Rotate")
            answered = askRotation(L"\nSpecify rotation angle <0>: ", AcGePoint3d::kOrigin, p.rotation);
        else if (option.size() == 1)
            answered = askFactor(L"\nSpecify " + option + L" scale factor <1>: ", 1.0, p.scale[unsigned(option[0] - L'X')]);
        if (!answered)
            return false;
        p.scaled = p.scaled || option != L"Rotate";
        p.turned = p.turned || option == L"Rotate";
    }
}

// ---- attribute values ---------------------------------------------------------------------

// A value the reference takes for one of its block's definitions.
struct AttributeValue {
    AcDbObjectId definition;
    std::wstring prompt, value;
    bool verify = false;
};

// The definitions of the block that give attributes (all but the constant ones), with
// their prompts (the tag when there is none) and default values.
std::vector<AttributeValue> definitionsOf(AcDbObjectId block, std::vector<bool>& preset)
{
    std::vector<AttributeValue> values;
    AcDbBlockTableRecord* rec = nullptr;
    if (acdbOpenObject(rec, block, AcDb::kForRead) != Acad::eOk)
        return values;
    for (const AcDbObjectId& id : rec->entityIds()) {
        AcDbAttributeDefinition* def = nullptr;
        if (id.isErased() || acdbOpenObject(def, id, AcDb::kForRead) != Acad::eOk)
            continue;
        if (!def->isConstant()) {
            const std::wstring prompt = def->promptConst();
            values.push_back({id, prompt.empty() ? def->tagConst() : prompt, def->textStringConst(),
                              bool(def->isVerifiable())});
            preset.push_back(def->isPreset());
        }
        def->close();
    }
    rec->close();
    return values;
}

// Asks one value with its default; false on cancel.
bool askValue(const AttributeValue& a, std::wstring& value)
{
    const std::wstring prompt = L"\n" + a.prompt + (a.value.empty() ? L"" : L" <" + a.value + L">") + L": ";
    std::wstring answer;
    if (getText(prompt.c_str(), answer, true) != RTNORM)
        return false;
    value = answer.empty() ? a.value : answer;
    return true;
}

// The values of the block's definitions, asked as the host does: each one that is not
// preset with its prompt, then the verifiable ones again. False on cancel.
bool askAttributeValues(AcDbObjectId block, std::vector<AttributeValue>& values)
{
    std::vector<bool> preset;
    values = definitionsOf(block, preset);
    bool told = false;
    for (size_t i = 0; i < values.size(); ++i) {
        if (preset[i])
            continue;
        if (!told)
            say(L"Enter attribute values");
        told = true;
        if (!askValue(values[i], values[i].value))
            return false;
    }
    told = false;
    for (size_t i = 0; i < values.size(); ++i) {
        if (preset[i] || !values[i].verify)
            continue;
        if (!told)
            say(L"Verify attribute values");
        told = true;
        if (!askValue(values[i], values[i].value))
            return false;
    }
    return true;
}

// The reference (in the database, open for write) takes an attribute for each value,
// made from its definition in the reference's placement.
void appendAttributes(AcDbBlockReference* ref, const std::vector<AttributeValue>& values)
{
    const AcGeMatrix3d placement = ref->blockTransform();
    for (const AttributeValue& a : values) {
        AcDbAttributeDefinition* def = nullptr;
        if (acdbOpenObject(def, a.definition, AcDb::kForRead) != Acad::eOk)
            continue;
        AcDbAttribute* attribute = new AcDbAttribute();
        const bool made = attribute->setAttributeFromBlock(def, placement) == Acad::eOk &&
                          attribute->setTextString(a.value.c_str()) == Acad::eOk &&
                          ref->appendAttribute(attribute) == Acad::eOk;
        def->close();
        if (made)
            attribute->close();
        else
            delete attribute;
    }
}

void insertCommand(Session& session)
{
    AcDbDatabase* db = session.db();
    std::wstring name;
    AcDbObjectId block;
    while (block.isNull()) {
        if (!askBlockName(db, name))
            return;
        block = findBlock(db, name);
        if (block.isNull())
            say(L"Block \"" + name + L"\" not found.");
    }
    Placing p;
    std::vector<AttributeValue> values;
    if (!askInsertionPoint(p) || (!p.scaled && !askScales(p)) ||
        (!p.turned && !askRotation(L"\nSpecify rotation angle <0>: ", p.at, p.rotation)) ||
        !askAttributeValues(block, values))
        return;
    AcDbBlockReference* ref = new AcDbBlockReference(p.at, block);
    if (ref->setScaleFactors(p.scale) != Acad::eOk || ref->setRotation(p.rotation) != Acad::eOk) {
        delete ref;
        say(L"The reference could not be placed.");
        return;
    }
    if (appendToBlock(db->currentSpaceId(), ref) != Acad::eOk) {
        delete ref;
        say(L"The reference could not be added to the drawing.");
        return;
    }
    appendAttributes(ref, values);
    ref->close();
}

}  // namespace

void addBlockCommands(std::vector<HostCommand>& table)
{
    //              name       run            undoable
    table.push_back({L"BLOCK", blockCommand, true});
    table.push_back({L"INSERT", insertCommand, true});
}

}  // namespace vemcad
