// DXF input of what the host does not model, kept as its groups so that output writes
// it back: entities of other classes (an old-style polyline with its vertices, a
// reference the host cannot make with its attributes), records and heads of tables the
// host lacks, the CLASSES entries, the objects of OBJECTS (dictionaries, XRECORDs, layouts,
// image definitions ...) owned by their owners, the header variables the reader does
// not apply in file order, and the DXF extras of modelled objects (reactors, extension
// dictionaries, XDATA of any application, a symbol record's groups the host has no
// place for). Texts are kept decoded to UTF-8, everything else byte for byte; handles
// as the file gives them.
#include <memory>

#include "dbsymtb.h"
#include "dxf_read.h"
#include "opened_object.h"
#include "utf8_append.h"

namespace vemio {
namespace dxfin {

namespace {

void appendUtf8(const std::wstring& text, std::string& out)
{
    out.reserve(out.size() + text.size());
    for (wchar_t wide : text)
        vemio::appendUtf8(out, static_cast<char32_t>(wide));
}

// ASCII without escapes reads the same in every code page and in UTF-8.
bool isPlainAscii(std::string_view value)
{
    for (char c : value)
        if ((static_cast<unsigned char>(c) & 0x80) != 0 || c == '\\')
            return false;
    return true;
}

void appendGroup(Reader& r, int code, std::string_view value, acrt::DxfGroups& out)
{
    out.emplace_back();
    acrt::DxfGroup& group = out.back();
    group.code = code;
    if (!isDxfTextCode(code) || isPlainAscii(value)) {
        group.value.assign(value);
        return;
    }
    r.decoder.decode(value, r.text);
    appendUtf8(r.text, group.value);
}

bool isListed(const int* codes, int code)
{
    for (; *codes != 0; ++codes)
        if (*codes == code)
            return true;
    return false;
}

// DXF's names of types: capitals, digits and underscores ("3DFACE", "ACAD_TABLE").
bool isDxfName(std::string_view type)
{
    if (type.empty() || type.size() > 64)
        return false;
    for (char c : type)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    return true;
}

// The records after an entity that belong to it: parts of type part, then a SEQEND,
// each appended to groups after a 0 group of its type. Another record ends them too.
bool readParts(Reader& r, std::string_view part, acrt::DxfGroups& groups)
{
    DxfPair pair;
    while (r.tokens.next(pair)) {
        const bool end = pair.value == "SEQEND";
        if (pair.code != 0 || (!end && pair.value != part)) {
            r.tokens.unread();
            return true;
        }
        if (!r.readGroups())
            return false;
        appendGroup(r, 0, pair.value, groups);
        appendGroups(r, r.groups, groups);
        if (end)
            return true;
    }
    return r.tokens.failAtEnd("the file ends inside an entity's records");
}

// What the message calls a kept entity: a reference with rows or columns is a MINSERT.
std::string_view statName(const std::vector<DxfPair>& head, std::string_view type)
{
    if (type != "INSERT")
        return type;
    for (const DxfPair& g : head)
        if ((g.code == 70 || g.code == 71) && intOf(g.value, 1) > 1)
            return "MINSERT";
    return type;
}

void countKept(Reader& r, std::string_view type)
{
    ++r.stats.kept;
    auto it = r.stats.keptTypes.find(type);
    if (it == r.stats.keptTypes.end())
        it = r.stats.keptTypes.emplace(printable(type), 0).first;
    ++it->second;
}


// The variables the reader applies (or reads for itself); output writes them from the
// drawing.
bool isAppliedVariable(std::string_view name)
{
    static const char* const kApplied[] = {"$ACADVER", "$DWGCODEPAGE", "$HANDSEED", "$CLAYER",
                                           "$PDMODE",  "$PDSIZE",      "$TEXTSIZE", "$INSUNITS"};
    for (const char* applied : kApplied)
        if (name == applied)
            return true;
    return false;
}

void keepVariable(Reader& r, std::string_view name, const std::vector<DxfPair>& value)
{
    if (name.empty() || isAppliedVariable(name))
        return;
    acrt::DxfGroups groups;
    appendGroups(r, value, groups);
    auto variable = std::make_unique<DxfPassThroughObject>(acrt::DxfPlace::kHeaderVariable, std::string(name),
                                                           std::move(groups));
    addKeptObject(r, variable.release(), std::string_view(), AcDbObjectId());
}

// Owners named before they were read are given now; one the file lacks stays null.
void giveLateOwners(Reader& r)
{
    for (const auto& [id, ownerHandle] : r.unownedObjects) {
        AcDbObjectId owner;
        if (r.db->getAcDbObjectId(owner, false, AcDbHandle(ownerHandle)) != Acad::eOk || owner == id)
            continue;
        Opened<AcDbObject> obj;
        if (acdbOpenObject(obj.slot(), id, AcDb::kForWrite) == Acad::eOk)
            obj->setOwnerId(owner);
    }
    r.unownedObjects.clear();
}

}  // namespace

void appendGroups(Reader& r, const std::vector<DxfPair>& pairs, acrt::DxfGroups& out)
{
    out.reserve(out.size() + pairs.size());
    for (const DxfPair& p : pairs)
        appendGroup(r, p.code, p.value, out);
}

acrt::DxfGroups extrasOf(Reader& r, const std::vector<DxfPair>& pairs, const int* modelled)
{
    acrt::DxfGroups extras;
    bool inBraces = false, ownerSeen = false;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        const DxfPair& p = pairs[i];
        if (p.code == 1001) {
            for (; i < pairs.size(); ++i)
                appendGroup(r, pairs[i].code, pairs[i].value, extras);
            break;
        }
        bool keep = true;
        if (p.code == 102) {
            inBraces = p.value.find('{') != std::string_view::npos;
        } else if (!inBraces && modelled == nullptr) {
            keep = false;
        } else if (!inBraces && p.code == 330 && !ownerSeen) {
            ownerSeen = true;  // the owner, which output writes itself
            keep = false;
        } else if (!inBraces) {
            keep = !isListed(modelled, p.code);
        }
        if (keep)
            appendGroup(r, p.code, p.value, extras);
    }
    return extras;
}

void keepExtras(Reader& r, AcDbObject* obj, const std::vector<DxfPair>& pairs, const int* modelled)
{
    acrt::DxfGroups extras = extrasOf(r, pairs, modelled);
    if (!extras.empty())
        acrt::setDxfExtras(obj, std::move(extras));
}

std::string_view ownerOf(const std::vector<DxfPair>& pairs)
{
    bool inBraces = false;
    for (const DxfPair& p : pairs) {
        if (p.code == 1001)
            break;
        if (p.code == 102)
            inBraces = p.value.find('{') != std::string_view::npos;
        else if (p.code == 330 && !inBraces)
            return p.value;
    }
    return std::string_view();
}

std::string_view handleOf(const std::vector<DxfPair>& pairs)
{
    for (const DxfPair& p : pairs) {
        if (p.code == 1001)
            break;
        if (p.code == 5 || p.code == 105)
            return p.value;
    }
    return std::string_view();
}

AcDbObjectId objectNamed(Reader& r, std::string_view handle)
{
    std::uint64_t value = 0;
    AcDbObjectId id;
    if (!parseDxfHandle(handle, value) || value == 0 ||
        r.db->getAcDbObjectId(id, false, AcDbHandle(value)) != Acad::eOk)
        id.setNull();
    return id;
}

AcDbObjectId addKeptObject(Reader& r, AcDbObject* obj, std::string_view handle, AcDbObjectId owner)
{
    AcDbObjectId id;
    r.keepHandle(handle);
    const Acad::ErrorStatus es = r.db->addAcDbObject(id, obj);
    r.handleKept();
    if (es != Acad::eOk) {
        delete obj;
        return AcDbObjectId();
    }
    obj->setOwnerId(owner);
    obj->close();
    return id;
}

void keepTableRecord(Reader& r, std::string_view table)
{
    acrt::DxfGroups groups;
    appendGroups(r, r.groups, groups);
    auto record = std::make_unique<DxfPassThroughObject>(acrt::DxfPlace::kTableRecord, std::string(table),
                                                         std::move(groups));
    addKeptObject(r, record.release(), handleOf(r.groups), objectNamed(r, ownerOf(r.groups)));
}

void keepForeignTableHead(Reader& r, std::string_view table)
{
    acrt::DxfGroups groups;
    const std::size_t first = !r.groups.empty() && r.groups[0].code == 2 ? 1 : 0;
    groups.reserve(r.groups.size() - first);
    for (std::size_t i = first; i < r.groups.size(); ++i)
        appendGroup(r, r.groups[i].code, r.groups[i].value, groups);
    auto head = std::make_unique<DxfPassThroughObject>(acrt::DxfPlace::kTableHead, std::string(table),
                                                       std::move(groups));
    addKeptObject(r, head.release(), handleOf(r.groups), AcDbObjectId());
}

bool keepEntity(Reader& r, std::string_view type, AcDbBlockTableRecord* block, bool attributesFollow)
{
    // A part of an old-style polyline or of a reference has no place on its own; a
    // type that is not a DXF name is not an entity.
    if (type == "VERTEX" || type == "SEQEND" || type == "ATTRIB") {
        ++r.stats.skipped;
        ++r.stats.skippedTypes[std::string(type)];
        return true;
    }
    if (!isDxfName(type)) {
        leaveOut(r, type);
        return true;
    }
    acrt::DxfGroups groups;
    appendGroups(r, r.groups, groups);
    // The head's pairs are kept aside while the parts are read into r.groups.
    std::vector<DxfPair> head;
    head.swap(r.groups);
    bool ok = true;
    if (type == "POLYLINE")
        ok = readParts(r, "VERTEX", groups);
    else if (attributesFollow)
        ok = readParts(r, "ATTRIB", groups);
    head.swap(r.groups);
    if (!ok)
        return false;
    auto ent = std::make_unique<DxfPassThroughEntity>(std::string(type), std::move(groups));
    applyCommon(r, r.groups, *ent);
    AcDbObjectId id;
    r.keepHandle(handleOf(r.groups));
    const Acad::ErrorStatus es = block->appendAcDbEntity(id, ent.get());
    r.handleKept();
    if (es != Acad::eOk) {
        leaveOut(r, statName(r.groups, type));
        return true;
    }
    ent.release()->close();
    countKept(r, statName(r.groups, type));
    return true;
}

void keepHeaderVariables(Reader& r, const std::vector<DxfPair>& header)
{
    std::vector<DxfPair> value;
    std::string_view name;
    for (const DxfPair& p : header) {
        if (p.code == 9) {
            keepVariable(r, name, value);
            name = p.value;
            value.clear();
        } else if (!name.empty()) {
            value.push_back(p);
        }
    }
    keepVariable(r, name, value);
}

bool readClasses(Reader& r)
{
    DxfPair pair;
    while (r.tokens.next(pair)) {
        if (pair.code != 0)
            return r.fail(pair, "expected a class");
        if (pair.value == "ENDSEC")
            return true;
        if (!r.readGroups())
            return false;
        acrt::DxfGroups groups;
        appendGroups(r, r.groups, groups);
        auto entry =
            std::make_unique<DxfPassThroughObject>(acrt::DxfPlace::kClass, std::string(pair.value), std::move(groups));
        addKeptObject(r, entry.release(), std::string_view(), AcDbObjectId());
    }
    return r.tokens.failAtEnd("the file ends inside the classes");
}

bool readObjects(Reader& r)
{
    DxfPair pair;
    while (r.tokens.next(pair)) {
        if (pair.code != 0)
            return r.fail(pair, "expected an object");
        if (pair.value == "ENDSEC") {
            giveLateOwners(r);
            return true;
        }
        if (!r.readGroups())
            return false;
        acrt::DxfGroups groups;
        appendGroups(r, r.groups, groups);
        const std::string_view ownerHandle = ownerOf(r.groups);
        const AcDbObjectId owner = objectNamed(r, ownerHandle);
        auto object =
            std::make_unique<DxfPassThroughObject>(acrt::DxfPlace::kObject, std::string(pair.value), std::move(groups));
        const AcDbObjectId id = addKeptObject(r, object.release(), handleOf(r.groups), owner);
        std::uint64_t later = 0;
        if (owner.isNull() && !id.isNull() && parseDxfHandle(ownerHandle, later) && later != 0)
            r.unownedObjects.emplace_back(id, later);
    }
    return r.tokens.failAtEnd("the file ends inside the objects");
}

}  // namespace dxfin
}  // namespace vemio
