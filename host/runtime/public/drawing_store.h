// The drawing store: what the host's drawing files need of a database beyond the SDK's
// declarations. Saving reads every object that is not erased with its handle, owner
// and class, a proxy giving back exactly what it was read with, graphics recorded for
// a host without an application's classes, and the header values that tie the objects
// together. Opening places objects under their saved handles, as proxies where a class
// is missing or a record does not read whole, then restores the header. DXF output and
// plots read a drawing through the SDK's declarations and vemhost.h alone.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dbmain.h"

namespace acrt {

// A class as a drawing's classes table describes it; a proxy keeps the one its object
// was saved under.
struct ProxyClass {
    std::wstring name;
    std::wstring parentName;
    std::wstring dxfName;
    std::wstring appName;
    int proxyFlags = 0;
};

// True for the classes the runtime itself implements (every host has them).
ACRT_PORT bool isRuntimeClass(const AcRxClass* cls);
// True for the two classes of proxies, which stand for objects of other classes.
ACRT_PORT bool isProxyClass(const AcRxClass* cls);

// ---- saving -----------------------------------------------------------------------------

// The header values a drawing file keeps: the symbol tables, the two spaces, the
// current layer and text style (null ids where the database has none), the handle seed
// and TILEMODE.
struct StoreHeader {
    AcDbObjectId blockTable, layerTable, textStyleTable, linetypeTable;
    AcDbObjectId modelSpace, paperSpace;
    AcDbObjectId clayer, textstyle;
    Adesk::UInt64 handseed = 1;
    bool tilemode = true;
    Adesk::Int16 pdmode = 0;
    double pdsize = 0.0;
    double textsize = 2.5;
    AcDb::UnitsValue insunits = AcDb::kUnitsMeters;
};
ACRT_PORT StoreHeader storeHeaderOf(const AcDbDatabase* db);

// Every resident object of db that is not erased, in handle order.
ACRT_PORT std::vector<AcDbObjectId> storedObjectsOf(const AcDbDatabase* db);

// What a proxy keeps of the object it stands for, exactly as it was read.
struct ProxyContents {
    const ProxyClass* cls = nullptr;
    const std::vector<unsigned char>* record = nullptr;
    const std::vector<unsigned char>* graphics = nullptr;  // null for a proxy of an object
};
// Fills out from obj when it is a proxy (valid while obj stays open); false otherwise.
ACRT_PORT bool proxyContentsOf(const AcDbObject* obj, ProxyContents& out);

// Records an entity's graphics for a host that lacks its class: the ordinary entities
// it explodes into or, when it does not explode, what it draws. One recorder reuses
// its buffers across entities.
class ACRT_PORT GraphicsRecorder {
public:
    GraphicsRecorder();
    ~GraphicsRecorder();
    GraphicsRecorder(const GraphicsRecorder&) = delete;
    GraphicsRecorder& operator=(const GraphicsRecorder&) = delete;

    // Replaces out with the entity's graphics; false (out empty) when it has none.
    bool record(AcDbEntity* ent, std::vector<unsigned char>& out);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// ---- opening ----------------------------------------------------------------------------
// A drawing is opened into a database made without the default drawing, whose ids for
// every saved handle are made first (getAcDbObjectId with createIfNotFound), so that
// references between objects resolve whatever order they are read in.

// A new proxy (not in a database, open for write) for an object of class cls saved as
// record; entities also take their saved graphics and the common properties of the
// record's leading entity part (defaults when that part cannot be read). Ids in both
// resolve through db. Null only when memory runs out.
ACRT_PORT AcDbObject* makeProxy(AcDbDatabase* db, const ProxyClass& cls, bool isEntity,
                                std::vector<unsigned char> record, std::vector<unsigned char> graphics);

// Makes obj (not resident, open for write) resident in db under handle, owned by owner,
// and closes it. eDuplicateKey when the handle already has an object.
ACRT_PORT Acad::ErrorStatus addLoadedObject(AcDbDatabase* db, AcDbObject* obj, Adesk::UInt64 handle,
                                            AcDbObjectId owner);

// How a drawing read from another format keeps its objects' handles: aimHandseed makes
// the next object made in db get handle (or the first handle above it that no object
// has), and returns the seed it replaced; raiseHandseed, given that seed once the
// object is made (or was not), puts the seed back above every handle in use.
// raiseHandseed never lowers the seed.
ACRT_PORT Adesk::UInt64 aimHandseed(AcDbDatabase* db, Adesk::UInt64 handle);
ACRT_PORT void raiseHandseed(AcDbDatabase* db, Adesk::UInt64 handle);

// Gives an opened database its saved header. The handle seed never goes below the
// handles in use.
ACRT_PORT void restoreStoreHeader(AcDbDatabase* db, const StoreHeader& header);

// A list entry that its owner cannot hold: the owner itself, a block's entry that is
// not an entity, or a symbol table's entry that is not a record of that table (a proxy
// of one may be). Output and plots read every list, and would fail on it.
struct MisplacedEntry {
    Adesk::UInt64 owner = 0;
    Adesk::UInt64 entry = 0;
};
// The first such entry of an opened database's lists; false when there is none.
ACRT_PORT bool findMisplacedEntry(const AcDbDatabase* db, MisplacedEntry& found);

// ---- the file of a drawing ----------------------------------------------------------------

// The file a database was last opened from or saved to, as the disk described it then,
// so that a later save can tell whether another program has written it since. A file
// written so recently that a later write could keep its time is known by its contents
// too.
struct StoredFile {
    std::string path;  // symbolic links followed
    unsigned long long device = 0, inode = 0, size = 0;
    long long modifiedSeconds = 0, modifiedNanoseconds = 0;
    bool hashed = false;
    unsigned long long contentHash = 0;
};
ACRT_PORT void rememberStoredFile(const AcDbDatabase* db, const StoredFile& file);
// False when db was never opened from or saved to a file.
ACRT_PORT bool storedFileOf(const AcDbDatabase* db, StoredFile& file);

}  // namespace acrt
