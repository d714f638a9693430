// LAYER, SETVAR, PSPACE and MSPACE: the drawing's layers and the session's settings
// (PICKBOX, OSMODE, CLAYER, TILEMODE, PDMODE, PDSIZE, TEXTSIZE).
#include <cmath>
#include <cwchar>
#include <cwctype>

#include "dbapserv.h"
#include "dbsymtb.h"
#include "point_display.h"
#include "session.h"
#include "shell_input.h"
#include "vemhost_program.h"

namespace vemcad {

namespace {

bool validLayerName(const std::wstring& name)
{
    if (name.empty() || name.size() > 255)
        return false;
    return name.find_first_of(L"<>/\\\":;?*|,=`") == std::wstring::npos;
}

// Opens a layer record by name for write; reports a missing one.
AcDbLayerTableRecord* openLayer(AcDbDatabase* db, const std::wstring& name)
{
    AcDbLayerTable* table = nullptr;
    if (db->getLayerTable(table, AcDb::kForRead) != Acad::eOk)
        return nullptr;
    AcDbLayerTableRecord* rec = nullptr;
    Acad::ErrorStatus es = table->getAt(name.c_str(), rec, AcDb::kForWrite);
    table->close();
    if (es != Acad::eOk) {
        say(L"Layer \"" + name + L"\" not found.");
        return nullptr;
    }
    return rec;
}

void newLayer(AcDbDatabase* db, const std::wstring& name)
{
    if (!validLayerName(name)) {
        say(L"Invalid layer name.");
        return;
    }
    AcDbLayerTable* table = nullptr;
    if (db->getLayerTable(table, AcDb::kForWrite) != Acad::eOk)
        return;
    AcDbLayerTableRecord* rec = new AcDbLayerTableRecord();
    rec->setName(name.c_str());
    Acad::ErrorStatus es = table->add(rec);
    if (es == Acad::eOk)
        rec->close();
    else
        delete rec;
    table->close();
    if (es == Acad::eDuplicateKey)
        say(L"Layer \"" + name + L"\" already exists.");
}

void layerCommand(Session& session)
{
    AcDbDatabase* db = session.db();
    for (;;) {
        std::wstring option, name;
        if (getText(L"\nEnter an option [New/Set/Lock/Unlock/Color]: ", option, false) != RTNORM || option.empty())
            return;
        wchar_t o = wchar_t(std::towupper(wint_t(option[0])));
        if (std::wcschr(L"NSLUC", o) == nullptr) {
            say(L"Invalid option keyword.");
            continue;
        }
        double color = 0;
        if (o == L'C') {
            if (getNumber(L"\nEnter color number (1-255): ", color) != RTNORM)
                return;
            if (color < 1 || color > 255 || color != std::floor(color)) {
                say(L"Color number must be a whole number from 1 to 255.");
                continue;
            }
        }
        if (getText(L"\nEnter layer name: ", name, true) != RTNORM || name.empty())
            return;
        if (o == L'N') {
            newLayer(db, name);
            continue;
        }
        AcDbLayerTableRecord* rec = openLayer(db, name);
        if (rec == nullptr)
            continue;
        if (o == L'S')
            db->setClayer(rec->objectId());
        else if (o == L'L')
            rec->setIsLocked(true);
        else if (o == L'U')
            rec->setIsLocked(false);
        else
            rec->setColorIndex(Adesk::UInt16(color));
        rec->close();
    }
}

std::wstring newValuePrompt(const wchar_t* name, const std::wstring& current)
{
    return L"\nEnter new value for " + std::wstring(name) + L" <" + current + L">: ";
}

void setPickBox(Session&)
{
    double v = 0;
    int rc = getNumber(newValuePrompt(L"PICKBOX", std::to_wstring(vemhost::pickBox())).c_str(), v);
    if (rc == RTNORM && v > 0 && v <= 1e6)
        vemhost::setPickBox(v);
    else if (rc == RTNORM)
        say(L"Value out of range.");
}

// The running object snaps: a whole number of the host's snap bits. The program keeps
// it across drawings, as the host keeps it in the registry.
void setOsmode(Session&)
{
    double v = 0;
    if (getNumber(newValuePrompt(L"OSMODE", std::to_wstring(vemhost::osmode())).c_str(), v) != RTNORM)
        return;
    if (v != std::floor(v))
        say(L"Requires an integer value.");
    else if (v < 0 || v > vemhost::kMaxOsmode || !vemhost::setOsmode(int(v)))
        say(L"Requires an integer between 0 and " + std::to_wstring(vemhost::kMaxOsmode) + L".");
}

void setClayer(Session& session)
{
    AcString current = L"0";
    AcDbObject* obj = nullptr;
    if (acdbOpenAcDbObject(obj, session.db()->clayer(), AcDb::kForRead) == Acad::eOk) {
        AcDbSymbolTableRecord::cast(obj)->getName(current);
        obj->close();
    }
    std::wstring value;
    if (getText(newValuePrompt(L"CLAYER", current.wstr()).c_str(), value, true) == RTNORM && !value.empty())
        if (AcDbLayerTableRecord* rec = openLayer(session.db(), value)) {
            session.db()->setClayer(rec->objectId());
            rec->close();
        }
}

void setTilemode(Session& session)
{
    double v = 0;
    if (getNumber(newValuePrompt(L"TILEMODE", session.db()->tilemode() ? L"1" : L"0").c_str(), v) == RTNORM) {
        if (v == 0 || v == 1)
            session.db()->setTilemode(v == 1);
        else
            say(L"Requires 0 or 1.");
    }
}

// How points draw: a figure 0-4, with 32, 64 or 96 added for a circle, a square or both.
void setPdmode(Session& session)
{
    double v = 0;
    if (getNumber(newValuePrompt(L"PDMODE", std::to_wstring(session.db()->pdmode())).c_str(), v) != RTNORM)
        return;
    if (v != std::floor(v))
        say(L"Requires an integer value.");
    else if (!acrt::isPointMode(int(std::fmax(-1.0, std::fmin(v, 1000.0)))) ||
             session.db()->setPdmode(Adesk::Int16(v)) != Acad::eOk)
        say(L"Requires 0 to 4, with 32, 64 or 96 added.");
}

// The size of point figures: drawing units above 0, a share of the view otherwise.
void setPdsize(Session& session)
{
    double v = 0;
    if (getNumber(newValuePrompt(L"PDSIZE", decimalText(session.db()->pdsize())).c_str(), v) == RTNORM)
        session.db()->setPdsize(v);
}

// The height new texts take when none is given: above 0.
void setTextsize(Session& session)
{
    double v = 0;
    if (getNumber(newValuePrompt(L"TEXTSIZE", decimalText(session.db()->textsize())).c_str(), v) == RTNORM &&
        session.db()->setTextsize(v) != Acad::eOk)
        say(L"Requires a positive value.");
}

// What a drawing unit stands for: 0 to 24 (4 millimetres, 6 metres ...).
void setInsunits(Session& session)
{
    double v = 0;
    if (getNumber(newValuePrompt(L"INSUNITS", std::to_wstring(int(session.db()->insunits()))).c_str(), v) != RTNORM)
        return;
    if (v != std::floor(v) || v < 0 || v > AcDb::kUnitsMax ||
        session.db()->setInsunits(AcDb::UnitsValue(int(v))) != Acad::eOk)
        say(L"Requires an integer between 0 and 24.");
}

struct SystemVariable {
    const wchar_t* name;
    void (*set)(Session&);
};

//  name          asks for and sets the value
const SystemVariable kSystemVariables[] = {
    {L"PICKBOX",  setPickBox},
    {L"OSMODE",   setOsmode},
    {L"CLAYER",   setClayer},
    {L"TILEMODE", setTilemode},
    {L"PDMODE",   setPdmode},
    {L"PDSIZE",   setPdsize},
    {L"TEXTSIZE", setTextsize},
    {L"INSUNITS", setInsunits},
};

void setvarCommand(Session& session)
{
    std::wstring name;
    if (getText(L"\nEnter variable name: ", name, false) != RTNORM || name.empty())
        return;
    for (wchar_t& c : name)
        c = wchar_t(std::towupper(wint_t(c)));
    for (const SystemVariable& var : kSystemVariables) {
        if (name == var.name) {
            var.set(session);
            return;
        }
    }
    say(L"Unknown variable name.  Type SETVAR ? for a list of variables.");
}

void pspaceCommand(Session& session) { session.db()->setTilemode(false); }
void mspaceCommand(Session& session) { session.db()->setTilemode(true); }

}  // namespace

void addSettingCommands(std::vector<HostCommand>& table)
{
    //              name        run            undoable
    table.push_back({L"LAYER", layerCommand, true});
    table.push_back({L"SETVAR", setvarCommand, true});
    table.push_back({L"PSPACE", pspaceCommand, true});
    table.push_back({L"MSPACE", mspaceCommand, true});
}

}  // namespace vemcad
