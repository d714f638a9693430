// Input and database helpers shared by the host commands.
#include "shell_input.h"

#include <cmath>
#include <cwchar>
#include <cwctype>

#include "acedads.h"
#include "dbapserv.h"
#include "dbsymtb.h"
#include "editor_internals.h"
#include "vemhost.h"

namespace vemcad {

void say(const std::wstring& text) { vemhost::printPlain(L"\n" + text); }

int getPoint(const wchar_t* prompt, const AcGePoint3d* base, AcGePoint3d& pt)
{
    ads_point b, r;
    if (base != nullptr) {
        b[X] = base->x;
        b[Y] = base->y;
        b[Z] = base->z;
    }
    int rc = acedGetPoint(base ? b : nullptr, prompt, r);
    if (rc == RTNORM)
        pt = AcGePoint3d(r[X], r[Y], r[Z]);
    return rc;
}

namespace {

struct SnapKeyword {
    const wchar_t* name;
    AcDb::OsnapMode mode;
};

//  keyword   mode (the point prompts' object snaps)
const SnapKeyword kSnapKeywords[] = {
    {L"END", AcDb::kOsModeEnd},  {L"MID", AcDb::kOsModeMid},  {L"CEN", AcDb::kOsModeCen},
    {L"NOD", AcDb::kOsModeNode}, {L"QUA", AcDb::kOsModeQuad}, {L"INS", AcDb::kOsModeIns},
    {L"PER", AcDb::kOsModePerp}, {L"TAN", AcDb::kOsModeTan},  {L"NEA", AcDb::kOsModeNear},
};

bool snapKeyword(const std::wstring& answer, AcDb::OsnapMode& mode)
{
    if (answer.size() < 3 || answer.find(L',') != std::wstring::npos)
        return false;
    for (const SnapKeyword& k : kSnapKeywords)
        if (AcString(answer.substr(0, 3).c_str()).compareNoCase(k.name) == 0) {
            mode = k.mode;
            return true;
        }
    return false;
}

bool startsKeyword(const std::wstring& answer, const wchar_t* keyword)
{
    const size_t n = std::wcslen(keyword);
    if (answer.empty() || answer.size() > n)
        return false;
    for (size_t i = 0; i < answer.size(); ++i)
        if (std::towupper(wint_t(answer[i])) != std::towupper(wint_t(keyword[i])))
            return false;
    return true;
}

}  // namespace

int getPointOrKeyword(const wchar_t* prompt, const wchar_t* keyword, AcGePoint3d& pt)
{
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    for (;;) {
        std::wstring answer;
        if (acrt::readAnswer(prompt, false, answer) == acrt::AnswerStatus::kCancel)
            return RTCAN;
        if (answer.empty())
            return RTNONE;
        if (startsKeyword(answer, keyword))
            return RTKWORD;
        AcDb::OsnapMode mode = AcDb::kOsModeEnd;
        const bool snapping = snapKeyword(answer, mode);
        if (snapping && acrt::readAnswer(L" of ", false, answer) == acrt::AnswerStatus::kCancel)
            return RTCAN;
        AcGePoint3d p;
        if (acrt::parsePoint(answer, vemhost::lastPoint(), p) && (!snapping || acrt::snapPoint(db, mode, p, p))) {
            vemhost::setLastPoint(p);
            pt = p;
            return RTNORM;
        }
        say(snapping ? L"No snap point found." : L"Point or option keyword required.");
    }
}

int getText(const wchar_t* prompt, std::wstring& text, bool spacesAllowed)
{
    std::vector<wchar_t> buf(4096, 0);
    int rc = acedGetString(spacesAllowed ? 1 : 0, prompt, buf.data(), buf.size());
    if (rc == RTINPUTTRUNCATED) {
        say(L"Answer too long.");
        return RTERROR;
    }
    if (rc == RTNORM)
        text = buf.data();
    return rc;
}

int getNumber(const wchar_t* prompt, double& value)
{
    for (;;) {
        std::wstring text;
        int rc = getText(prompt, text, false);
        if (rc != RTNORM)
            return rc;
        if (text.empty())
            return RTNONE;
        wchar_t* end = nullptr;
        double v = std::wcstod(text.c_str(), &end);
        if (end != nullptr && *end == 0 && std::isfinite(v)) {
            value = v;
            return RTNORM;
        }
        say(L"Requires numeric value.");
    }
}

bool selectObjects(std::vector<AcDbObjectId>& ids)
{
    ids.clear();
    ads_name ss;
    if (acedSSGet(nullptr, nullptr, nullptr, nullptr, ss) != RTNORM)
        return false;
    Adesk::Int32 n = 0;
    acedSSLength(ss, &n);
    for (Adesk::Int32 i = 0; i < n; ++i) {
        ads_name ent;
        AcDbObjectId id;
        if (acedSSName(ss, i, ent) == RTNORM && acdbGetObjectId(id, ent) == Acad::eOk)
            ids.push_back(id);
    }
    acedSSFree(ss);
    return !ids.empty();
}

Acad::ErrorStatus appendToBlock(AcDbObjectId blockId, AcDbEntity* ent)
{
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    if (db == nullptr)
        return Acad::eNullObjectPointer;
    if (blockId.isNull()) {
        AcDbBlockTable* table = nullptr;
        Acad::ErrorStatus es = db->getBlockTable(table, AcDb::kForRead);
        if (es != Acad::eOk)
            return es;
        table->getAt(ACDB_MODEL_SPACE, blockId);
        table->close();
    }
    AcDbObject* obj = nullptr;
    Acad::ErrorStatus es = acdbOpenAcDbObject(obj, blockId, AcDb::kForWrite, AcDbBlockTableRecord::desc());
    if (es != Acad::eOk)
        return es;
    es = static_cast<AcDbBlockTableRecord*>(obj)->appendAcDbEntity(ent);
    obj->close();
    return es;
}

}  // namespace vemcad
