// DXF input of the sections the host keeps without modelling them: the CLASSES
// entries, the objects of OBJECTS (dictionaries, XRECORDs, layouts, image definitions
// ...) under their handles and owned by their owners, and the header variables the
// reader does not apply, in the order the file gives them.
#include <memory>

#include "dxf_read.h"
#include "opened_object.h"

namespace vemio {
namespace dxfin {

namespace {

// The variables the reader applies (or reads for itself); output writes them from the
// drawing.
bool isAppliedVariable(std::string_view name)
{
    static const char* const kApplied[] = {"$ACADVER", "$DWGCODEPAGE", "$HANDSEED", "$CLAYER",
                                           "$PDMODE",  "$PDSIZE",      "$TEXTSIZE"};
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
