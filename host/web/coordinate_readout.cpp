// Reads the coordinate system's filed record and writes a point label's record from it,
// with the label's point at the cursor; the label built from that record computes and
// formats its values as every label does.
#include "coordinate_readout.h"

#include <memory>

#include "dbents.h"
#include "dbmtext.h"
#include "dbsymtb.h"
#include "opened_object.h"
#include "rxclass.h"
#include "rxdict.h"
#include "vemhost_io.h"
#include "vemhost_program.h"

namespace vemweb {

namespace {

using vemio::Opened;

constexpr Adesk::UInt32 kRecordVersion = 1;  // of the system's and the label's records

AcRxClass* registeredClass(const ACHAR* name)
{
    AcRxDictionary* classes = acrxClassDictionary;
    return classes != nullptr ? AcRxClass::cast(classes->at(name)) : nullptr;
}

// The fields of a coordinate system's record that a label copies.
struct SystemFields {
    AcString vAxisName, hAxisName;
    double vOffset = 0, hOffset = 0;
    AcGePoint3d relOrigin, absOrigin;
    AcGeVector3d vAxisDir, hAxisDir;
    double drawingScale = 1, appearanceScale = 1;
    Adesk::Int32 decimals = 0;
    AcDbHardPointerId textStyleId;
};

// Reads the system's record after its common entity data, which `skipper` (an entity
// made for the purpose) takes.
bool readSystemFields(AcDbDwgFiler& filer, AcDbEntity& skipper, SystemFields& f)
{
    Adesk::UInt32 version = 0;
    return skipper.AcDbEntity::dwgInFields(&filer) == Acad::eOk && filer.readUInt32(&version) == Acad::eOk &&
           version == kRecordVersion && filer.readString(f.vAxisName) == Acad::eOk &&
           filer.readString(f.hAxisName) == Acad::eOk && filer.readDouble(&f.vOffset) == Acad::eOk &&
           filer.readDouble(&f.hOffset) == Acad::eOk && filer.readPoint3d(&f.relOrigin) == Acad::eOk &&
           filer.readPoint3d(&f.absOrigin) == Acad::eOk && filer.readVector3d(&f.vAxisDir) == Acad::eOk &&
           filer.readVector3d(&f.hAxisDir) == Acad::eOk && filer.readDouble(&f.drawingScale) == Acad::eOk &&
           filer.readDouble(&f.appearanceScale) == Acad::eOk && filer.readInt32(&f.decimals) == Acad::eOk &&
           filer.readHardPointerId(&f.textStyleId) == Acad::eOk;
}

// A point label's record: its common entity data as `label` has them, then its fields
// with the marked point and the text point at `at`, reading left to right.
bool writeLabelRecord(AcDbDwgFiler& filer, const AcDbEntity& label, const SystemFields& f, const AcGePoint3d& at)
{
    return label.AcDbEntity::dwgOutFields(&filer) == Acad::eOk && filer.writeUInt32(kRecordVersion) == Acad::eOk &&
           filer.writeString(f.vAxisName) == Acad::eOk && filer.writeString(f.hAxisName) == Acad::eOk &&
           filer.writeVector3d(f.vAxisDir) == Acad::eOk && filer.writeVector3d(f.hAxisDir) == Acad::eOk &&
           filer.writeVector3d(AcGeVector3d::kXAxis) == Acad::eOk && filer.writePoint3d(at) == Acad::eOk &&
           filer.writePoint3d(at) == Acad::eOk && filer.writePoint3d(f.absOrigin) == Acad::eOk &&
           filer.writeDouble(f.drawingScale) == Acad::eOk && filer.writeDouble(f.appearanceScale) == Acad::eOk &&
           filer.writeInt32(f.decimals) == Acad::eOk && filer.writeHardPointerId(f.textStyleId) == Acad::eOk;
}

bool systemFieldsOf(const AcDbObjectId& system, SystemFields& fields)
{
    AcRxClass* systemClass = registeredClass(L"EOrigin");
    Opened<AcDbEntity> ent;
    if (systemClass == nullptr || acdbOpenObject(ent.slot(), system, AcDb::kForRead) != Acad::eOk ||
        !ent->isKindOf(systemClass))
        return false;
    vemhost::MemoryFiler filer(system.database(), AcDb::kCopyFiler);
    if (ent->dwgOutFields(&filer) != Acad::eOk)
        return false;
    filer.rewind();
    AcDbLine skipper;
    return readSystemFields(filer, skipper, fields);
}

}  // namespace

bool isCoordinateSystem(const AcDbObjectId& id)
{
    AcRxClass* systemClass = registeredClass(L"EOrigin");
    Opened<AcDbEntity> ent;
    return systemClass != nullptr && acdbOpenObject(ent.slot(), id, AcDb::kForRead) == Acad::eOk &&
           ent->isKindOf(systemClass);
}

bool readoutAt(const AcDbObjectId& system, const AcGePoint3d& at, Readout& readout)
{
    SystemFields fields;
    AcRxClass* labelClass = registeredClass(L"ECoPoint");
    if (labelClass == nullptr || !systemFieldsOf(system, fields))
        return false;
    std::unique_ptr<AcRxObject> made(labelClass->create());
    AcDbEntity* label = AcDbEntity::cast(made.get());
    if (label == nullptr)
        return false;
    vemhost::MemoryFiler filer(system.database(), AcDb::kCopyFiler);
    if (!writeLabelRecord(filer, *label, fields, at))
        return false;
    filer.rewind();
    if (label->dwgInFields(&filer) != Acad::eOk)
        return false;
    // The label's pieces, as it hands them out when exploded: its texts are the third
    // and fourth, the upper and the lower one.
    AcDbVoidPtrArray pieces;
    const bool exploded = label->explode(pieces) == Acad::eOk;
    std::string* next[] = {&readout.upper, &readout.lower};
    size_t found = 0;
    for (void* piece : pieces) {
        std::unique_ptr<AcRxObject> owned(static_cast<AcRxObject*>(piece));
        const AcDbMText* text = AcDbMText::cast(owned.get());
        if (text != nullptr && found < 2)
            *next[found++] = vemhost::toUtf8(text->contentsString().wstr());
    }
    return exploded && found == 2;
}

AcDbObjectId ReadoutSystem::current(AcDbDatabase* db, unsigned long generation)
{
    if (generation != m_generation || db != m_db) {
        m_generation = generation;
        m_db = db;
        m_picked = resolve(db, m_pickedHandle);
        m_latest = latestSystem(db);
    }
    const AcDbObjectId picked = vemhost::lastPickedEntity();
    if (!picked.isNull() && picked != m_lastPick) {
        m_lastPick = picked;
        if (isCoordinateSystem(picked)) {
            m_picked = picked;
            m_pickedHandle = picked.handle();
        }
    }
    return !m_picked.isNull() ? m_picked : m_latest;
}

AcDbObjectId ReadoutSystem::resolve(AcDbDatabase* db, const AcDbHandle& handle)
{
    AcDbObjectId id;
    if (db == nullptr || handle.isNull() || db->getAcDbObjectId(id, false, handle) != Acad::eOk || id.isErased() ||
        !isCoordinateSystem(id))
        return AcDbObjectId();
    return id;
}

// The last coordinate system in the drawing order of the current space.
AcDbObjectId ReadoutSystem::latestSystem(AcDbDatabase* db)
{
    AcRxClass* systemClass = registeredClass(L"EOrigin");
    Opened<AcDbBlockTableRecord> space;
    AcDbBlockTableRecordIterator* raw = nullptr;
    if (db == nullptr || systemClass == nullptr ||
        acdbOpenObject(space.slot(), db->currentSpaceId(), AcDb::kForRead) != Acad::eOk ||
        space->newIterator(raw) != Acad::eOk)
        return AcDbObjectId();
    std::unique_ptr<AcDbBlockTableRecordIterator> iterator(raw);
    AcDbObjectId latest;
    for (; !iterator->done(); iterator->step()) {
        Opened<AcDbEntity> ent;
        if (iterator->getEntity(ent.slot(), AcDb::kForRead) == Acad::eOk && ent->isKindOf(systemClass))
            latest = ent->objectId();
    }
    return latest;
}

}  // namespace vemweb
