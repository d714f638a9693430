// Applying a journal to the drawing it started from. States are whole (an object's undo
// filing), so only the latest one of each object is applied.
//
// A block's list of entities is not part of its undo filing (it only grows by appends),
// so the entities a journal made are put in their blocks' lists here: a block's file
// record is its undo record followed by that list, which is checked before it is relied on.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "dbents.h"
#include "dbsymtb.h"
#include "drawing_store.h"
#include "journal_filer.h"
#include "journal_frames.h"
#include "opened_object.h"
#include "vemhost_io.h"
#include "vemhost_program.h"

namespace vemcad {

namespace {

using vemio::Opened;

class JournalReplay {
public:
    JournalReplay(AcDbDatabase* db, const JournalContents& contents)
        : m_db(db), m_contents(contents)
    {
    }

    bool run(std::string& reason)
    {
        const bool applied = sortObjects() && makeNewObjects() && unlockLayers() &&
                             applyStates(m_existingEntities) && applyStates(m_existingOthers) && relockLayers() &&
                             fillBlockLists() && restoreHeader() && checkHeader();
        if (!applied)
            reason = m_reason;
        return applied;
    }

private:
    bool fail(const std::string& reason)
    {
        m_reason = reason;
        return false;
    }

    std::string objectName(const JournalObject& obj) const
    {
        return "object " + std::to_string(obj.handle) + " (" + m_contents.classNames[obj.classIndex] + ")";
    }

    AcDbObjectId idOf(std::uint64_t handle, bool create = false)
    {
        AcDbObjectId id;
        if (handle == 0 || m_db->getAcDbObjectId(id, create, AcDbHandle(handle)) != Acad::eOk)
            id.setNull();
        return id;
    }

    enum class Resident { kNo, kEntity, kOther };
    Resident residentAs(AcDbObjectId id)
    {
        Opened<AcDbObject> obj;
        if (id.isNull() || acdbOpenAcDbObject(obj.slot(), id, AcDb::kForRead, true) != Acad::eOk)
            return Resident::kNo;
        return AcDbEntity::cast(obj.get()) != nullptr ? Resident::kEntity : Resident::kOther;
    }

    // Objects of the drawing take their states, entities first (then layers, whose
    // locks would refuse them); those the journal made and kept are made; those it made
    // and erased are left out, as a save leaves them out.
    bool sortObjects()
    {
        for (const JournalObject& obj : m_contents.objects) {
            switch (residentAs(idOf(obj.handle))) {
            case Resident::kEntity:
                m_existingEntities.push_back(&obj);
                break;
            case Resident::kOther:
                m_existingOthers.push_back(&obj);
                break;
            case Resident::kNo:
                if (!obj.erased && obj.state != nullptr)
                    m_new.push_back(&obj);
                break;
            }
        }
        // Every new handle has its id before any state is read, so references resolve.
        for (const JournalObject* obj : m_new) {
            if (obj->handle > std::uint64_t(INT64_MAX))
                return fail(objectName(*obj) + " has a handle too large for a drawing");
            idOf(obj->handle, true);
            m_newByHandle.emplace(obj->handle, obj);
        }
        return true;
    }

    // A block of the drawing, or one the journal makes.
    bool isBlock(std::uint64_t handle)
    {
        auto made = m_newByHandle.find(handle);
        if (made != m_newByHandle.end())
            return m_contents.classNames[made->second->classIndex] == "AcDbBlockTableRecord";
        return isLive(idOf(handle), AcDbBlockTableRecord::desc());
    }

    // A block reference of the drawing, or one the journal makes: its attributes are
    // the only entities owned by anything but a block.
    bool isReference(std::uint64_t handle)
    {
        auto made = m_newByHandle.find(handle);
        if (made != m_newByHandle.end())
            return m_contents.classNames[made->second->classIndex] == "AcDbBlockReference";
        return isLive(idOf(handle), AcDbBlockReference::desc());
    }

    // Reads a state into obj; it must read whole.
    bool readState(AcDbObject* obj, const JournalObject& from)
    {
        JournalFiler filer(from.state, from.stateSize, m_db);
        Acad::ErrorStatus es = obj->dwgInFields(&filer);
        if (es == Acad::eOk)
            es = filer.filerStatus();
        if (es != Acad::eOk || std::size_t(filer.tell()) != from.stateSize)
            return fail(objectName(from) + " does not read back (status " + std::to_string(es) + ")");
        return true;
    }

    const AcRxClass* classOf(const JournalObject& obj)
    {
        const AcRxClass* cls = acrxFindAcRxClass(vemhost::fromUtf8(m_contents.classNames[obj.classIndex]).c_str());
        if (cls == nullptr)
            fail("its objects of class " + m_contents.classNames[obj.classIndex] +
                 " need a module that is not loaded");
        return cls;
    }

    bool makeNewObjects()
    {
        for (const JournalObject* from : m_new) {
            const AcRxClass* cls = classOf(*from);
            if (cls == nullptr)
                return false;
            AcRxObject* made = cls->create();
            std::unique_ptr<AcDbObject> obj(AcDbObject::cast(made));
            if (!obj) {
                delete made;
                return fail(objectName(*from) + " cannot be made");
            }
            const AcDbObjectId owner = idOf(from->owner);
            if (from->owner != 0 && owner.isNull())
                return fail(objectName(*from) + " has no owner");
            if (AcDbEntity::cast(obj.get()) != nullptr && !isBlock(from->owner) &&
                !(AcDbAttribute::cast(obj.get()) != nullptr && isReference(from->owner)))
                return fail(objectName(*from) + " is in no block");
            if (!readState(obj.get(), *from))
                return false;
            const Acad::ErrorStatus es = acrt::addLoadedObject(m_db, obj.get(), from->handle, owner);
            if (obj->isDatabaseResident())
                obj.release();
            if (es != Acad::eOk)
                return fail(objectName(*from) + " cannot be placed");
        }
        return true;
    }

    // Entities on locked layers take their states too: every layer is unlocked while
    // they do, and locked again after unless the journal gave it its state.
    bool unlockLayers()
    {
        Opened<AcDbLayerTable> table;
        if (m_db->getLayerTable(table.slot(), AcDb::kForRead) != Acad::eOk)
            return fail("the drawing has no layer table");
        for (const AcDbObjectId& id : table->recordIds()) {
            Opened<AcDbLayerTableRecord> layer;
            AcDbObject* obj = nullptr;
            if (acdbOpenAcDbObject(obj, id, AcDb::kForWrite, AcDbLayerTableRecord::desc()) != Acad::eOk)
                continue;
            layer.slot() = static_cast<AcDbLayerTableRecord*>(obj);
            if (layer->isLocked()) {
                layer->setIsLocked(false);
                m_unlocked.push_back(id);
            }
        }
        return true;
    }

    bool relockLayers()
    {
        for (const AcDbObjectId& id : m_unlocked) {
            if (m_stated.count(id.handle().value()) != 0)
                continue;
            AcDbObject* obj = nullptr;
            if (acdbOpenAcDbObject(obj, id, AcDb::kForWrite, AcDbLayerTableRecord::desc()) != Acad::eOk)
                continue;
            static_cast<AcDbLayerTableRecord*>(obj)->setIsLocked(true);
            obj->close();
        }
        return true;
    }

    bool applyStates(const std::vector<const JournalObject*>& objects)
    {
        for (const JournalObject* from : objects) {
            Opened<AcDbObject> obj;
            const Acad::ErrorStatus es = acdbOpenAcDbObject(obj.slot(), idOf(from->handle), AcDb::kForWrite, true);
            if (es != Acad::eOk)
                return fail(objectName(*from) + " cannot be opened (status " + std::to_string(es) + ")");
            if (!from->erased || from->state != nullptr) {
                if (obj->isA() == nullptr || m_contents.classNames[from->classIndex] != vemhost::toUtf8(obj->isA()->name()))
                    return fail(objectName(*from) + " is of another class in the drawing");
                if (!readState(obj.get(), *from))
                    return false;
                m_stated.insert(from->handle);
            }
            if (from->erased != obj->isErased() && obj->erase(from->erased) != Acad::eOk)
                return fail(objectName(*from) + " cannot be erased");
        }
        return true;
    }

    bool fillBlockLists()
    {
        std::vector<std::uint64_t> owners;
        for (const JournalObject* obj : m_new)
            if (obj->owner != 0 && std::find(owners.begin(), owners.end(), obj->owner) == owners.end())
                owners.push_back(obj->owner);
        for (std::uint64_t owner : owners)
            if (!fillBlockList(owner))
                return false;
        return true;
    }

    // The list of a block as its file record ends with it: count, then the entities.
    std::vector<unsigned char> listRecord(const std::vector<AcDbObjectId>& ids)
    {
        vemhost::MemoryFiler filer(m_db, AcDb::kFileFiler);
        filer.writeUInt32(Adesk::UInt32(ids.size()));
        for (const AcDbObjectId& id : ids)
            filer.writeHardOwnershipId(id);
        return filer.takeBytes();
    }

    std::vector<unsigned char> filed(const AcDbObject* obj, AcDb::FilerType type)
    {
        vemhost::MemoryFiler filer(m_db, type);
        obj->dwgOutFields(&filer);
        return filer.takeBytes();
    }

    bool fillBlockList(std::uint64_t owner)
    {
        Opened<AcDbObject> opened;
        if (acdbOpenAcDbObject(opened.slot(), idOf(owner), AcDb::kForWrite, true) != Acad::eOk)
            return fail("the owner " + std::to_string(owner) + " of new objects cannot be opened");
        AcDbBlockTableRecord* block = AcDbBlockTableRecord::cast(opened.get());
        if (block == nullptr)
            return true;  // any other owner's list is part of its own state
        std::vector<AcDbObjectId> ids;
        for (const AcDbObjectId& id : block->entityIds())
            if (!id.isErased())
                ids.push_back(id);
        std::vector<unsigned char> record = filed(block, AcDb::kUndoFiler);
        std::vector<unsigned char> expected = record;
        const std::vector<unsigned char> list = listRecord(ids);
        expected.insert(expected.end(), list.begin(), list.end());
        if (filed(block, AcDb::kFileFiler) != expected)
            return fail("a block's record is not laid out as the journal expects");
        for (const JournalObject* obj : m_new)
            if (obj->owner == owner)
                ids.push_back(idOf(obj->handle));
        const std::vector<unsigned char> grown = listRecord(ids);
        record.insert(record.end(), grown.begin(), grown.end());
        vemhost::MemoryFiler filer(record, m_db, AcDb::kFileFiler);
        const Acad::ErrorStatus es = block->dwgInFields(&filer);
        if (es != Acad::eOk || filer.filerStatus() != Acad::eOk)
            return fail("a block's list of entities cannot be restored");
        return true;
    }

    // Whether id names a live object of class cls.
    static bool isLive(AcDbObjectId id, const AcRxClass* cls)
    {
        Opened<AcDbObject> obj;
        return !id.isNull() && acdbOpenAcDbObject(obj.slot(), id, AcDb::kForRead, cls) == Acad::eOk;
    }

    bool restoreHeader()
    {
        if (!m_contents.hasHeader)
            return true;
        acrt::StoreHeader header = acrt::storeHeaderOf(m_db);
        const AcDbObjectId clayer = idOf(m_contents.header.clayer);
        const AcDbObjectId textstyle = idOf(m_contents.header.textstyle);
        if (isLive(clayer, AcDbLayerTableRecord::desc()))
            header.clayer = clayer;
        if (isLive(textstyle, AcDbTextStyleTableRecord::desc()))
            header.textstyle = textstyle;
        header.handseed = m_contents.header.handseed;
        header.tilemode = m_contents.header.tilemode;
        header.pdmode = m_contents.header.pdmode;
        header.pdsize = m_contents.header.pdsize;
        header.textsize = m_contents.header.textsize;
        header.insunits = m_contents.header.insunits;
        acrt::restoreStoreHeader(m_db, header);
        return true;
    }

    // What the live session could never have done (erase a table or a space) is a
    // journal not to be trusted.
    bool checkHeader()
    {
        const acrt::StoreHeader header = acrt::storeHeaderOf(m_db);
        const bool whole = isLive(header.blockTable, AcDbBlockTable::desc()) &&
                           isLive(header.layerTable, AcDbLayerTable::desc()) &&
                           isLive(header.textStyleTable, AcDbTextStyleTable::desc()) &&
                           isLive(header.linetypeTable, AcDbLinetypeTable::desc()) &&
                           isLive(header.modelSpace, AcDbBlockTableRecord::desc()) &&
                           isLive(header.paperSpace, AcDbBlockTableRecord::desc()) &&
                           isLive(header.clayer, AcDbLayerTableRecord::desc()) &&
                           isLive(header.textstyle, AcDbTextStyleTableRecord::desc());
        return whole || fail("the journal leaves the drawing without a table, a space or its current layer or style");
    }

    AcDbDatabase* m_db;
    const JournalContents& m_contents;
    std::vector<const JournalObject*> m_existingEntities;
    std::vector<const JournalObject*> m_existingOthers;
    std::vector<const JournalObject*> m_new;
    std::unordered_map<std::uint64_t, const JournalObject*> m_newByHandle;
    std::vector<AcDbObjectId> m_unlocked;
    std::unordered_set<std::uint64_t> m_stated;
    std::string m_reason;
};

}  // namespace

bool applyJournal(AcDbDatabase* db, const JournalContents& contents, std::string& reason)
{
    return JournalReplay(db, contents).run(reason);
}

}  // namespace vemcad
