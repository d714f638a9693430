// The shared command services: answers, picks, class-filtered selections, appending,
// the label text style, the display refresh and number formatting.
#include "command_services.h"

#include <cmath>

#include "acdocman.h"
#include "aced.h"
#include "dbapserv.h"
#include "dbsymtb.h"
#include "eco_line.h"
#include "eco_point.h"
#include "eorigin.h"
#include "wincrt.h"

namespace {

const double kDefaultScale = 1.0;
const int kDefaultDecimals = 3;
const int kMaxDecimals = 10;

const ACHAR kDecimalsPrompt[] = L"\n请输入小数位数(回车取默认值3):";
const ACHAR kDecimalsInvalid[] = L"\n输入的小数位数不正确,将自动取默认值%d";

struct PickableClass {
    const ACHAR* name;
    AcRxClass* (*desc)();
    const ACHAR* prompt;
};

// The classes a user can be asked to pick, compared with the name as given.
const PickableClass kPickable[] = {
    // name        descriptor       prompt
    {L"EOrigin",  EOrigin::desc,   L"\n请拾取一个坐标系(EOrigin):"},
    {L"ECoPoint", ECoPoint::desc,  L"\n请拾取一个点坐标(ECoPoint):"},
    {L"ECoLine",  ECoLine::desc,   L"\n请拾取一个线坐标(ECoLine):"},
};

const PickableClass* pickableNamed(const AcString& className)
{
    for (const PickableClass& cls : kPickable)
        if (className.compare(cls.name) == 0)
            return &cls;
    return nullptr;
}

// Group 0 (entity type) is built with RTDXF0: a plain 0 would end the list.
int selectOfClass(const ACHAR* mode, ads_name ss, const ACHAR* className)
{
    struct resbuf* filter = acutBuildList(RTDXF0, className, RTNONE);
    int status = acedSSGet(mode, nullptr, nullptr, filter, ss);
    acutRelRb(filter);
    if (status != RTNORM)
        acedSSFree(ss);
    return status;
}

Acad::ErrorStatus lookUpStyle(AcDbTextStyleTable* table, const ACHAR* name, AcDbObjectId& id)
{
    return table->getAt(name, id, false);
}

}  // namespace

// ---- typed answers ------------------------------------------------------------------

int getStringInput(int spacesAllowed, const ACHAR* prompt, AnswerBuffer& answer)
{
    for (ACHAR& c : answer)
        c = 0;
    return acedGetString(spacesAllowed, prompt, answer, kAnswerLength);
}

bool isUsableScale(double scale) { return std::isnormal(scale) && scale > 0.0; }

bool staysFiniteAround(const AcGePoint3d& p, double reach)
{
    return std::isfinite(reach) && std::isfinite(std::fabs(p.x) + reach) && std::isfinite(std::fabs(p.y) + reach) &&
           std::isfinite(std::fabs(p.z) + reach);
}

int askScale(const ACHAR* prompt, const ACHAR* invalidMessage, double& scale, const std::function<bool(double)>& fits)
{
    AnswerBuffer answer;
    int status = getStringInput(0, prompt, answer);
    if (status != RTNORM)
        return status;
    scale = kDefaultScale;
    if (answer[0] == 0)
        return status;
    double value = _wtof(answer);
    if (isUsableScale(value) && (!fits || fits(value))) {
        scale = value;
    } else {
        acutPrintf(L"%s", invalidMessage);
    }
    return status;
}

int askDecimals(int& decimals)
{
    AnswerBuffer answer;
    int status = getStringInput(0, kDecimalsPrompt, answer);
    if (status != RTNORM)
        return status;
    decimals = kDefaultDecimals;
    if (answer[0] == 0)
        return status;
    // Truncated toward zero; a value beyond the 32-bit range (or not finite) is out
    // of range like 11 is.
    double value = _wtof(answer);
    bool inInt32 = value > -2147483649.0 && value < 2147483648.0;
    int truncated = inInt32 ? int(value) : -1;
    if (truncated >= 0 && truncated <= kMaxDecimals)
        decimals = truncated;
    else
        acutPrintf(kDecimalsInvalid, kDefaultDecimals);
    return status;
}

double coordinateAnswer(const ACHAR* answer)
{
    double value = _wtof(answer);
    return std::isfinite(value) ? value : 0.0;
}

// ---- picking and selecting ----------------------------------------------------------

Acad::ErrorStatus pickEntityOfClass(const AcString& className, AcDbObjectId& id, AcGePoint3d* pickPoint)
{
    const PickableClass* cls = pickableNamed(className);
    if (cls == nullptr)
        return kPickRefused;
    ads_name name;
    ads_point picked;
    if (acedEntSel(cls->prompt, name, picked) != RTNORM)
        return kPickRefused;
    AcDbObjectId pickedId;
    Acad::ErrorStatus es = acdbGetObjectId(pickedId, name);
    if (es != Acad::eOk)
        return es;
    AcDbEntity* entity = nullptr;
    es = acdbOpenAcDbEntity(entity, pickedId, AcDb::kForRead);
    if (es != Acad::eOk)
        return es;
    bool fits = isKindOfClass(entity, cls->desc());
    es = entity->close();
    if (!fits) {
        if (es != Acad::eOk)
            return es;
        acutPrintf(L"\n无效的选择!");
        return kPickRefused;
    }
    id = pickedId;
    if (pickPoint != nullptr)
        *pickPoint = AcGePoint3d(picked[X], picked[Y], picked[Z]);
    return es;
}

Acad::ErrorStatus openOrigin(EOrigin*& origin, AcDbObjectId id, AcDb::OpenMode mode, bool openErased)
{
    AcDbObject* object = nullptr;
    Acad::ErrorStatus es = acdbOpenAcDbObject(object, id, mode, EOrigin::desc(), openErased);
    origin = es == Acad::eOk ? static_cast<EOrigin*>(object) : nullptr;
    return es;
}

bool pickOriginValues(OriginValues& values)
{
    AcDbObjectId id;
    if (pickEntityOfClass(L"EOrigin", id) != Acad::eOk)
        return false;
    EOrigin* origin = nullptr;
    if (openOrigin(origin, id, AcDb::kForRead) != Acad::eOk)
        return false;
    values.vAxisName = origin->m_vAxisName;
    values.hAxisName = origin->m_hAxisName;
    values.absOrigin = origin->m_absOrigin;
    values.vAxisDir = origin->m_vAxisDir;
    values.hAxisDir = origin->m_hAxisDir;
    values.drawingScale = origin->m_drawingScale;
    values.appearanceScale = origin->m_appearanceScale;
    values.decimals = origin->m_decimals;
    origin->close();
    return true;
}

int getPoint(const AcGePoint3d* base, const ACHAR* prompt, AcGePoint3d& point)
{
    ads_point from = {0.0, 0.0, 0.0};
    if (base != nullptr) {
        from[X] = base->x;
        from[Y] = base->y;
        from[Z] = base->z;
    }
    ads_point answer;
    int status = acedGetPoint(base ? from : nullptr, prompt, answer);
    if (status == RTNORM)
        point = AcGePoint3d(answer[X], answer[Y], answer[Z]);
    return status;
}

bool isKindOfClass(const AcRxObject* object, const AcRxClass* cls)
{
    const AcRxClass* own = object ? object->isA() : nullptr;
    return own != nullptr && own->isDerivedFrom(cls);
}

int selectEntitiesOfClass(ads_name ss, const ACHAR* className)
{
    acutPrintf(L"\n选择%s对象(多选):", className);
    return selectOfClass(nullptr, ss, className);
}

int selectAllOfClass(ads_name ss, const ACHAR* className) { return selectOfClass(L"X", ss, className); }

// ---- appending ------------------------------------------------------------------------

Acad::ErrorStatus appendToModelSpace(AcDbEntity* entity)
{
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    AcDbBlockTable* blocks = nullptr;
    Acad::ErrorStatus es = db->getBlockTable(blocks, AcDb::kForRead);
    if (es != Acad::eOk)
        return es;
    AcDbBlockTableRecord* modelSpace = nullptr;
    es = blocks->getAt(L"*Model_Space", modelSpace, AcDb::kForWrite, false);
    if (es == Acad::eOk) {
        es = modelSpace->appendAcDbEntity(entity);
        Acad::ErrorStatus closed = modelSpace->close();
        if (es == Acad::eOk)
            es = closed;
    }
    Acad::ErrorStatus closed = blocks->close();
    return es != Acad::eOk ? es : closed;
}

Acad::ErrorStatus appendToBlock(AcDbEntity* entity, AcDbObjectId blockId)
{
    AcDbBlockTableRecord* block = nullptr;
    Acad::ErrorStatus es = acdbOpenObject(block, blockId, AcDb::kForWrite);
    if (es != Acad::eOk)
        return es;
    es = block->appendAcDbEntity(entity);
    Acad::ErrorStatus closed = block->close();
    return es != Acad::eOk ? es : closed;
}

// ---- the label text style ---------------------------------------------------------------

void ensureTextStyle()
{
    AcDbTextStyleTable* styles = nullptr;
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    if (db->getTextStyleTable(styles, AcDb::kForWrite) != Acad::eOk)
        return;
    if (!styles->has(L"vem_text")) {
        AcDbTextStyleTableRecord* style = new AcDbTextStyleTableRecord();
        style->setFileName(L"complex8.shx");
        style->setBigFontFileName(L"hztxt99.shx");
        style->setName(L"vem_text");
        // A record the table refused is not resident, and its close deletes it.
        styles->add(style);
        style->close();
    }
    styles->close();
}

AcDbObjectId getLabelTextStyleId()
{
    AcDbObjectId id;
    AcDbTextStyleTable* styles = nullptr;
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    if (db->getTextStyleTable(styles, AcDb::kForRead) != Acad::eOk)
        return id;
    if (lookUpStyle(styles, L"vem_text", id) != Acad::eOk)
        lookUpStyle(styles, L"Standard", id);
    styles->close();
    return id;
}

// ---- display and numbers ------------------------------------------------------------------

void refreshDisplay()
{
    AcApDocManager* documents = acDocManagerPtr();
    AcApDocument* document = documents ? documents->curDocument() : nullptr;
    AcTransactionManager* graphics = document ? document->transactionManager() : nullptr;
    if (graphics != nullptr) {
        graphics->queueForGraphicsFlush();
        graphics->flushGraphics();
    }
    acedUpdateDisplay();
}

AcString formatInt(int value)
{
    AcString text;
    text.format(L"%d", value);
    return text;
}
