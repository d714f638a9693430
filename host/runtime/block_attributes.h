// Private to the runtime: a block reference's attributes as its own code walks them,
// whether they are in the database (by id, each opened in turn) or held by a copy that
// is not, and what a block's attribute definitions are within its references.
#pragma once

#include "db_internals.h"
#include "dbents.h"

// Calls each(AcDbAttribute&) for every live attribute: a held one as it is, one in the
// database opened in the mode for the call (one that does not open is passed by).
template <class Each>
void AcDbBlockReference::forEachAttribute(AcDb::OpenMode mode, Each each) const
{
    for (AcDbAttribute* held : m_held)
        each(*held);
    for (const AcDbObjectId& id : m_attributes) {
        AcDbAttribute* attribute = nullptr;
        if (id.isErased() || acdbOpenObject(attribute, id, mode) != Acad::eOk)
            continue;
        each(*attribute);
        attribute->close();
    }
}

namespace acrt {

// A block's attribute definition that is not constant stands for the attributes of
// its references and is not shown by them; a constant one shows its value there.
inline bool isHiddenInReferences(const AcDbEntity& ent)
{
    const AcDbAttributeDefinition* def = AcDbAttributeDefinition::cast(&ent);
    return def != nullptr && !def->isConstant();
}

// A single-line text with the text part of an attribute or a definition: its value,
// place and look (the value of a definition is its default). Null when memory runs
// out or the part does not copy.
AcDbText* textOf(const AcDbText& text);

}  // namespace acrt
