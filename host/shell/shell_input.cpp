// Input and database helpers shared by the host commands.
#include "shell_input.h"

#include <cmath>
#include <cstdio>
#include <cwchar>
#include <cwctype>

#include "acedads.h"
#include "dbapserv.h"
#include "dbsymtb.h"
#include "vemhost_program.h"

namespace vemcad {

void say(const std::wstring& text) { vemhost::printPlain(L"\n" + text); }

std::wstring decimalText(double value, int decimals)
{
    const int size = std::snprintf(nullptr, 0, "%.*f", decimals, value);
    if (size <= 0)
        return std::wstring();
    std::string text(size_t(size) + 1, '\0');
    std::snprintf(&text[0], text.size(), "%.*f", decimals, value);
    text.resize(size_t(size));
    return vemhost::fromUtf8(text);
}

void appendToCurrentSpace(AcDbEntity* ent)
{
    AcDbDatabase* db = acdbHostApplicationServices()->workingDatabase();
    if (db == nullptr || appendToBlock(db->currentSpaceId(), ent) != Acad::eOk) {
        say(L"The entity could not be added to the drawing.");
        delete ent;
        return;
    }
    ent->close();
}

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

int getPointOrKeyword(const wchar_t* prompt, const wchar_t* keyword, AcGePoint3d& pt)
{
    acedInitGet(0, keyword);
    return getPoint(prompt, nullptr, pt);
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

bool askFileName(std::string& path, const wchar_t* prompt)
{
    std::wstring name;
    if (getText(prompt, name, true) != RTNORM || name.empty())
        return false;
    path = vemhost::toUtf8(name);
    return true;
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

bool selectObjects(std::vector<AcDbObjectId>& ids) { return selectObjectsStatus(ids) == RTNORM; }

int selectObjectsStatus(std::vector<AcDbObjectId>& ids)
{
    ids.clear();
    ads_name ss;
    const int rc = acedSSGet(nullptr, nullptr, nullptr, nullptr, ss);
    if (rc != RTNORM)
        return rc;
    Adesk::Int32 n = 0;
    acedSSLength(ss, &n);
    for (Adesk::Int32 i = 0; i < n; ++i) {
        ads_name ent;
        AcDbObjectId id;
        if (acedSSName(ss, i, ent) == RTNORM && acdbGetObjectId(id, ent) == Acad::eOk)
            ids.push_back(id);
    }
    acedSSFree(ss);
    return ids.empty() ? RTERROR : RTNORM;
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
