// What DXF output writes back of the file a drawing was read from: the pass-through
// objects (class entries, records and heads of tables the host lacks, header variables; the
// objects of OBJECTS are in dxf_objects.cpp), the DXF extras of symbol table records,
// and the handles and applications that kept groups name, so that fresh handles stay
// clear of them and every application has its APPID record.
#include <cstdio>

#include "drawing_store.h"
#include "dxf_drawing.h"
#include "opened_object.h"

namespace vemio {
namespace dxf {

namespace {

// Group codes whose values are handles.
bool isHandleCode(int code)
{
    return code == 5 || code == 105 || (code >= 320 && code <= 369) || (code >= 390 && code <= 399) ||
           code == 480 || code == 481 || code == 1005;
}

// Header variables the writer writes itself: a kept one of these names is left out.
const char* const kOwnVariables[] = {
    "$ACADVER", "$ACADMAINTVER", "$DWGCODEPAGE", "$INSBASE", "$EXTMIN",   "$EXTMAX",      "$CLAYER",
    "$TEXTSIZE", "$TEXTSTYLE",   "$CELTYPE",     "$CECOLOR", "$LTSCALE", "$TILEMODE",    "$PDMODE",
    "$PDSIZE",   "$INSUNITS",    "$MEASUREMENT", "$HANDSEED",
};

// The tables the writer writes itself; kept records of any other go in tables of their own.
const char* const kOwnTables[] = {"VPORT", "LTYPE", "LAYER", "STYLE", "VIEW", "UCS", "APPID", "DIMSTYLE",
                                  "BLOCK_RECORD"};

bool isOwnTable(const std::string& name)
{
    for (const char* own : kOwnTables)
        if (sameName(name, own))
            return true;
    return false;
}

void noteGroups(Kept& kept, const acrt::DxfGroups& groups)
{
    for (const acrt::DxfGroup& g : groups) {
        if (isHandleCode(g.code)) {
            const std::uint64_t h = handleValue(g.value);
            if (h > kept.highestHandle)
                kept.highestHandle = h;
        } else if (g.code == 1001 && !g.value.empty()) {
            bool known = false;
            for (const std::string& app : kept.applications)
                known = known || sameName(app, g.value.c_str());
            if (!known)
                kept.applications.push_back(g.value);
        }
    }
}

// A type that cannot be written as one line (or at all) leaves the object out.
void keep(Kept& kept, const DxfPassThroughObject& obj)
{
    if (obj.dxfType().empty() || obj.dxfType().find_first_of("\r\n") != std::string::npos)
        return;
    KeptRecord record{obj.objectHandle().value(), obj.dxfType(), obj.groups()};
    switch (obj.place()) {
    case acrt::DxfPlace::kClass: kept.classes.push_back(std::move(record)); break;
    case acrt::DxfPlace::kTableRecord: kept.tableRecords.push_back(std::move(record)); break;
    case acrt::DxfPlace::kObject: kept.objects.push_back(std::move(record)); break;
    case acrt::DxfPlace::kHeaderVariable: kept.headerVariables.push_back(std::move(record)); break;
    case acrt::DxfPlace::kTableHead: kept.tableHeads.push_back(std::move(record)); break;
    }
}

}  // namespace

// ---- extras of records ----------------------------------------------------------------------

void RecordExtras::split(const acrt::DxfGroups* extras)
{
    if (extras == nullptr)
        return;
    bool inXdata = false;
    int depth = 0;
    for (const acrt::DxfGroup& g : *extras) {
        if (g.code == 0 || !nested.empty()) {
            nested.push_back(g);
            continue;
        }
        inXdata = inXdata || g.code == 1001;
        if (inXdata) {
            xdata.push_back(g);
        } else if (g.code == 102) {
            depth += !g.value.empty() && g.value[0] == '{' ? 1 : depth > 0 ? -1 : 0;
            lead.push_back(g);
        } else {
            (depth > 0 ? lead : own).push_back(g);
        }
    }
}

const acrt::DxfGroup* RecordExtras::ownGroup(int code) const
{
    for (const acrt::DxfGroup& g : own)
        if (g.code == code)
            return &g;
    return nullptr;
}

RecordOut::RecordOut(DxfStream& out, const RecordExtras* extras)
    : m_out(out), m_extras(extras), m_used(extras != nullptr ? extras->own.size() : 0, false)
{
}

void RecordOut::lead()
{
    if (m_extras != nullptr)
        writeKeptGroups(m_out, m_extras->lead);
}

bool RecordOut::kept(int code)
{
    if (m_extras == nullptr)
        return false;
    for (std::size_t i = 0; i < m_used.size(); ++i)
        if (!m_used[i] && m_extras->own[i].code == code) {
            m_used[i] = true;
            m_out.kept(code, m_extras->own[i].value);
            return true;
        }
    return false;
}

void RecordOut::skip(int code)
{
    for (std::size_t i = 0; m_extras != nullptr && i < m_used.size(); ++i)
        if (m_extras->own[i].code == code)
            m_used[i] = true;
}

void RecordOut::rest()
{
    if (m_extras == nullptr)
        return;
    for (std::size_t i = 0; i < m_used.size(); ++i)
        if (!m_used[i] && m_extras->own[i].code != 0)
            m_out.kept(m_extras->own[i].code, m_extras->own[i].value);
    writeKeptGroups(m_out, m_extras->xdata);
}

// ---- reading ----------------------------------------------------------------------------

bool readKept(AcDbDatabase* db, Drawing& d, std::string& error)
{
    for (const AcDbObjectId& id : acrt::storedObjectsOf(db)) {
        Opened<AcDbObject> obj;
        const Acad::ErrorStatus es = acdbOpenObject(obj.slot(), id, AcDb::kForRead);
        if (es != Acad::eOk) {
            char handle[24];
            std::snprintf(handle, sizeof handle, "%llX", (unsigned long long)id.handle().value());
            error = statusMessage(std::string("the object with handle ") + handle + " cannot be read", es);
            return false;
        }
        if (const DxfPassThroughObject* kept = DxfPassThroughObject::cast(obj.get())) {
            noteGroups(d.kept, kept->groups());
            keep(d.kept, *kept);
        } else if (const DxfPassThroughEntity* ent = DxfPassThroughEntity::cast(obj.get())) {
            noteGroups(d.kept, ent->groups());
        }
        if (const acrt::DxfGroups* extras = acrt::dxfExtrasOf(obj.get()))
            noteGroups(d.kept, *extras);
    }
    return true;
}

// Hexadecimal digits, spaces around them allowed; 0 for anything else.
std::uint64_t handleValue(const std::string& hex)
{
    const std::size_t first = hex.find_first_not_of(' ');
    const std::size_t last = hex.find_last_not_of(' ');
    if (first == std::string::npos || last - first >= 16 || hex[first] == '-' || hex[first] == '+')
        return 0;
    std::uint64_t value = 0;
    for (std::size_t i = first; i <= last; ++i) {
        const char c = hex[i];
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0)
            return 0;
        value = value << 4 | std::uint64_t(digit);
    }
    return value;
}

const std::string* groupValue(const acrt::DxfGroups& groups, int code)
{
    for (const acrt::DxfGroup& g : groups)
        if (g.code == code)
            return &g.value;
    return nullptr;
}

std::vector<const KeptRecord*> keptRecordsOf(const Drawing& d, const char* table)
{
    std::vector<const KeptRecord*> records;
    for (const KeptRecord& r : d.kept.tableRecords)
        if (sameName(r.type, table))
            records.push_back(&r);
    return records;
}

bool hasKeptRecord(const Drawing& d, const char* table, const char* name)
{
    for (const KeptRecord* r : keptRecordsOf(d, table)) {
        const std::string* recordName = groupValue(r->groups, 2);
        if (recordName != nullptr && sameName(*recordName, name))
            return true;
    }
    return false;
}

// ---- writing ----------------------------------------------------------------------------

void writeKeptGroups(DxfStream& out, const acrt::DxfGroups& groups)
{
    for (const acrt::DxfGroup& g : groups)
        if (g.code != 0)
            out.kept(g.code, g.value);
}

void writeKeptHeader(DxfStream& out, const Drawing& d)
{
    std::vector<const std::string*> written;
    for (const KeptRecord& v : d.kept.headerVariables) {
        bool skip = v.type.size() < 2 || v.type[0] != '$';
        for (const char* own : kOwnVariables)
            skip = skip || sameName(v.type, own);
        for (const std::string* name : written)
            skip = skip || sameName(*name, v.type.c_str());
        if (skip)
            continue;
        written.push_back(&v.type);
        out.kept(9, v.type);
        writeKeptGroups(out, v.groups);
    }
}

void writeClasses(DxfStream& out, const Drawing& d)
{
    for (const KeptRecord& c : d.kept.classes) {
        out.str(0, "CLASS");
        writeKeptGroups(out, c.groups);
    }
}

const KeptRecord* keptTableHead(const Drawing& d, const char* table)
{
    for (const KeptRecord& head : d.kept.tableHeads)
        if (sameName(head.type, table))
            return &head;
    return nullptr;
}

bool writeTableHead(DxfStream& out, const Drawing& d, const char* table, std::uint64_t handle, std::size_t count)
{
    out.str(0, "TABLE");
    const KeptRecord* head = keptTableHead(d, table);
    if (head == nullptr || head->handle != handle) {
        out.kept(2, table);
        out.handle(5, handle);
        out.handle(330, 0);
        out.str(100, "AcDbSymbolTable");
        out.integer(70, static_cast<long long>(count));
        return false;
    }
    out.kept(2, head->type);
    bool counted = false;
    int depth = 0;
    for (const acrt::DxfGroup& g : head->groups) {
        if (g.code == 102)
            depth += !g.value.empty() && g.value[0] == '{' ? 1 : depth > 0 ? -1 : 0;
        const bool count70 = g.code == 70 && depth == 0;
        if (!counted && (count70 || g.code == 1001)) {
            out.integer(70, static_cast<long long>(count));
            counted = true;
            if (count70)
                continue;
        }
        if (g.code != 0 && !count70)
            out.kept(g.code, g.value);
    }
    if (!counted)
        out.integer(70, static_cast<long long>(count));
    return true;
}

void writeKeptTableRecord(DxfStream& out, const KeptRecord& r, std::uint64_t table)
{
    out.kept(0, r.type);
    bool owner = false;
    int depth = 0;
    for (const acrt::DxfGroup& g : r.groups) {
        if (g.code == 102)
            depth += !g.value.empty() && g.value[0] == '{' ? 1 : depth > 0 ? -1 : 0;
        if (g.code == 330 && depth == 0 && !owner) {
            out.handle(330, table);
            owner = true;
        } else if (g.code != 0) {
            out.kept(g.code, g.value);
        }
    }
}

void planUnknownTables(Drawing& d)
{
    for (const std::vector<KeptRecord>* kept : {&d.kept.tableHeads, &d.kept.tableRecords})
        for (const KeptRecord& r : *kept) {
            if (r.type.empty() || isOwnTable(r.type))
                continue;
            bool known = false;
            for (const auto& table : d.generated.tables)
                known = known || sameName(table.first, r.type.c_str());
            const KeptRecord* head = keptTableHead(d, r.type.c_str());
            if (!known)
                d.generated.tables.emplace_back(r.type, head != nullptr ? head->handle : d.fresh());
        }
}

void writeUnknownTables(DxfStream& out, const Drawing& d)
{
    for (const auto& table : d.generated.tables) {
        const std::vector<const KeptRecord*> records = keptRecordsOf(d, table.first.c_str());
        writeTableHead(out, d, table.first.c_str(), table.second, records.size());
        for (const KeptRecord* r : records)
            writeKeptTableRecord(out, *r, table.second);
        out.str(0, "ENDTAB");
    }
}

}  // namespace dxf
}  // namespace vemio
