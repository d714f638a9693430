// Saving drawing files: every object's record into a new SQLite file beside the target,
// which replaces the target only once it is complete and flushed.
//
// A drawing file is a SQLite database of four tables, and a fifth when it has rows:
//
//   table     columns                                 rows
//   header    key TEXT PRIMARY KEY, value             format 'VEM drawing', version 1,
//                                                     handseed, the handles of the four
//                                                     symbol tables, model_space, paper_space,
//                                                     clayer, textstyle; tilemode 0 or 1;
//                                                     pdmode, insunits; pdsize and textsize (reals)
//   classes   name TEXT PRIMARY KEY, parent,          one per class that a saved object has
//             dxf_name, app_name, proxy_flags INTEGER
//   objects   handle INTEGER PRIMARY KEY,             one per object that is not erased;
//             owner INTEGER (0: none), class TEXT,    record is what dwgOutFields writes
//             record BLOB                             through the binary file filer
//   graphics  handle INTEGER PRIMARY KEY,             one per entity of a class that is not
//             graphics BLOB                           the runtime's own: what it shows, for a
//                                                     host without its class (as the drawing
//                                                     store's GraphicsRecorder lays it out)
//   dxf_extras handle INTEGER PRIMARY KEY,            one per saved object with DXF extras,
//             groups BLOB                             filed by acrt::writeDxfGroups; the
//                                                     table is there only when a row is
//
// The graphics live in a table of their own so that opening a drawing whose classes are
// all registered never reads them. A proxy is saved as the object it stands for: its
// original class (with its classes row) and its original record and graphics, byte for
// byte. Names are UTF-8.
#include "drawing_file.h"

#include <climits>
#include <map>
#include <new>
#include <unordered_map>
#include <utility>
#include <vector>

#include "drawing_schema.h"
#include "drawing_store.h"
#include "file_identity.h"
#include "file_replacement.h"
#include "pass_through.h"
#include "sqlite_handle.h"
#include "vemhost_io.h"
#include "vemhost_program.h"

namespace vemio {

namespace {

std::string quoted(const std::string& path) { return "'" + path + "'"; }

// ---- the writer ---------------------------------------------------------------------------

struct ClassRow {
    std::string parent;
    std::string dxfName;
    std::string appName;
    int proxyFlags = 0;
};

std::string utf8(const std::wstring& text) { return vemhost::toUtf8(text); }

// Closes an object opened for saving.
struct CloseOnExit {
    AcDbObject* obj;
    ~CloseOnExit() { obj->close(); }
};

class DrawingWriter {
public:
    DrawingWriter(AcDbDatabase* db, sqlite3* file, WriteSeam& seam) : m_db(db), m_file(file), m_seam(seam) {}

    // Writes everything in one transaction; false with the reason on any failure.
    bool write(std::string& reason)
    {
        // No journal on disk and no flushing by SQLite: the file is new and useless until
        // renamed, so a failure discards it whole; the save flushes it once at the end.
        // Large pages: a drawing is written and read whole, and 32 KiB pages take a
        // quarter less time than the default 4 KiB for a drawing of 100,000 labels.
        const bool written =
            exec("PRAGMA page_size=32768; PRAGMA journal_mode=MEMORY; PRAGMA synchronous=OFF;"
                 " PRAGMA locking_mode=EXCLUSIVE;") &&
            exec("BEGIN") && exec(schema::kCreateTables) && writeObjects() && writeClasses() && writeHeader() &&
            exec("COMMIT");
        if (!written)
            reason = m_reason;
        return written;
    }

private:
    bool sqliteFailed(int rc, const char* what)
    {
        m_reason = std::string(what) + ": " + sqliteMessage(m_file, rc);
        return false;
    }

    bool exec(const char* sql)
    {
        const int rc = m_seam.exec(m_file, sql);
        return rc == SQLITE_OK || sqliteFailed(rc, "writing the file failed");
    }

    Statement prepare(const char* sql)
    {
        int rc = SQLITE_OK;
        Statement stmt = prepareStatement(m_file, sql, rc);
        if (!stmt)
            sqliteFailed(rc, "writing the file failed");
        return stmt;
    }

    bool stepDone(sqlite3_stmt* stmt)
    {
        const int rc = m_seam.step(stmt);
        sqlite3_reset(stmt);
        return rc == SQLITE_DONE || sqliteFailed(rc, "writing the file failed");
    }

    bool writeObjects()
    {
        Statement insert = prepare("INSERT INTO objects (handle, owner, class, record) VALUES (?, ?, ?, ?)");
        Statement insertGraphics = prepare("INSERT INTO graphics (handle, graphics) VALUES (?, ?)");
        if (!insert || !insertGraphics)
            return false;
        for (const AcDbObjectId& id : acrt::storedObjectsOf(m_db)) {
            const Adesk::UInt64 handle = id.handle().value();
            if (handle > Adesk::UInt64(LLONG_MAX)) {
                m_reason = "handle " + schema::handleText(handle) + " is too large for a drawing file";
                return false;
            }
            AcDbObject* obj = nullptr;
            Acad::ErrorStatus es = acdbOpenAcDbObject(obj, id, AcDb::kForRead);
            if (es != Acad::eOk) {
                m_reason = "object " + schema::handleText(handle) +
                           (es == Acad::eWasOpenForWrite ? " is open for write; close it before saving"
                                                         : " cannot be opened (status " + std::to_string(es) + ")");
                return false;
            }
            CloseOnExit closer{obj};
            if (!writeObject(insert.get(), insertGraphics.get(), handle, obj) || !writeExtras(handle, obj))
                return false;
        }
        return true;
    }

    // The UTF-8 name of a registered class, noting its classes row the first time.
    const std::string& classNameOf(const AcRxClass* cls)
    {
        auto it = m_classNames.find(cls);
        if (it != m_classNames.end())
            return it->second;
        std::string name = utf8(cls->name());
        const AcRxClass* parent = cls->myParent();
        m_classes[name] = ClassRow{utf8(parent ? parent->name() : cls->parentName()), utf8(cls->dxfName()),
                                   utf8(cls->appName()), cls->proxyFlags()};
        return m_classNames.emplace(cls, std::move(name)).first->second;
    }

    // A proxy's class keeps the row it was read with unless its class is registered now.
    const std::string& classNameOf(const acrt::ProxyClass& cls)
    {
        m_proxyName = utf8(cls.name);
        m_classes.emplace(m_proxyName,
                          ClassRow{utf8(cls.parentName), utf8(cls.dxfName), utf8(cls.appName), cls.proxyFlags});
        return m_proxyName;
    }

    bool writeObject(sqlite3_stmt* insert, sqlite3_stmt* insertGraphics, Adesk::UInt64 handle, AcDbObject* obj)
    {
        const std::string* className = nullptr;
        const std::vector<unsigned char>* record = &m_filer.bytes();
        const std::vector<unsigned char>* graphics = nullptr;
        acrt::ProxyContents kept;
        if (acrt::proxyContentsOf(obj, kept)) {
            className = &classNameOf(*kept.cls);
            record = kept.record;
            graphics = kept.graphics;
        } else {
            const AcRxClass* cls = obj->isA();
            if (cls == nullptr) {
                m_reason = "object " + schema::handleText(handle) + " has no class";
                return false;
            }
            className = &classNameOf(cls);
            m_filer.clear();
            Acad::ErrorStatus es = obj->dwgOutFields(&m_filer);
            if (es == Acad::eOk)
                es = m_filer.filerStatus();
            if (es != Acad::eOk) {
                m_reason = "object " + schema::handleText(handle) + " (" + *className + ") could not be written (status " +
                           std::to_string(es) + ")";
                return false;
            }
            AcDbEntity* ent = AcDbEntity::cast(obj);
            if (ent != nullptr && !acrt::isRuntimeClass(cls) && m_recorder.record(ent, m_graphics))
                graphics = &m_graphics;
        }
        sqlite3_bind_int64(insert, 1, sqlite3_int64(handle));
        sqlite3_bind_int64(insert, 2, sqlite3_int64(obj->ownerId().handle().value()));
        sqlite3_bind_text(insert, 3, className->data(), int(className->size()), SQLITE_STATIC);
        bindBlob(insert, 4, *record);
        if (!stepDone(insert))
            return false;
        if (graphics == nullptr || graphics->empty())
            return true;
        sqlite3_bind_int64(insertGraphics, 1, sqlite3_int64(handle));
        bindBlob(insertGraphics, 2, *graphics);
        return stepDone(insertGraphics);
    }

    // The DXF extras kept beside an object, in the table made for them on the first.
    bool writeExtras(Adesk::UInt64 handle, const AcDbObject* obj)
    {
        const acrt::DxfGroups* extras = acrt::dxfExtrasOf(obj);
        if (extras == nullptr || extras->empty())
            return true;
        if (!m_insertExtras) {
            if (!exec(schema::kCreateExtrasTable))
                return false;
            m_insertExtras = prepare("INSERT INTO dxf_extras (handle, groups) VALUES (?, ?)");
            if (!m_insertExtras)
                return false;
        }
        m_extrasFiler.clear();
        Acad::ErrorStatus es = acrt::writeDxfGroups(&m_extrasFiler, *extras);
        if (es == Acad::eOk)
            es = m_extrasFiler.filerStatus();
        if (es != Acad::eOk) {
            m_reason = "the DXF extras of object " + schema::handleText(handle) + " could not be written (status " +
                       std::to_string(es) + ")";
            return false;
        }
        sqlite3_bind_int64(m_insertExtras.get(), 1, sqlite3_int64(handle));
        bindBlob(m_insertExtras.get(), 2, m_extrasFiler.bytes());
        return stepDone(m_insertExtras.get());
    }

    // An empty record is an empty blob, not NULL.
    static void bindBlob(sqlite3_stmt* stmt, int index, const std::vector<unsigned char>& bytes)
    {
        if (bytes.empty())
            sqlite3_bind_zeroblob(stmt, index, 0);
        else
            sqlite3_bind_blob64(stmt, index, bytes.data(), bytes.size(), SQLITE_STATIC);
    }

    bool writeClasses()
    {
        Statement insert =
            prepare("INSERT INTO classes (name, parent, dxf_name, app_name, proxy_flags) VALUES (?, ?, ?, ?, ?)");
        if (!insert)
            return false;
        for (const auto& entry : m_classes) {
            const ClassRow& row = entry.second;
            sqlite3_bind_text(insert.get(), 1, entry.first.c_str(), -1, SQLITE_STATIC);
            sqlite3_bind_text(insert.get(), 2, row.parent.c_str(), -1, SQLITE_STATIC);
            sqlite3_bind_text(insert.get(), 3, row.dxfName.c_str(), -1, SQLITE_STATIC);
            sqlite3_bind_text(insert.get(), 4, row.appName.c_str(), -1, SQLITE_STATIC);
            sqlite3_bind_int(insert.get(), 5, row.proxyFlags);
            if (!stepDone(insert.get()))
                return false;
        }
        return true;
    }

    bool writeHeader()
    {
        Statement insert = prepare("INSERT INTO header (key, value) VALUES (?, ?)");
        if (!insert)
            return false;
        sqlite3_bind_text(insert.get(), 1, schema::kFormat, -1, SQLITE_STATIC);
        sqlite3_bind_text(insert.get(), 2, schema::kFormatName, -1, SQLITE_STATIC);
        if (!stepDone(insert.get()))
            return false;
        const acrt::StoreHeader header = acrt::storeHeaderOf(m_db);
        const std::pair<const char*, Adesk::UInt64> numbers[] = {
            {schema::kVersion, Adesk::UInt64(schema::kFormatVersion)},
            {schema::kHandseed, header.handseed},
            {schema::kBlockTable, header.blockTable.handle().value()},
            {schema::kLayerTable, header.layerTable.handle().value()},
            {schema::kTextStyleTable, header.textStyleTable.handle().value()},
            {schema::kLinetypeTable, header.linetypeTable.handle().value()},
            {schema::kModelSpace, header.modelSpace.handle().value()},
            {schema::kPaperSpace, header.paperSpace.handle().value()},
            {schema::kClayer, header.clayer.handle().value()},
            {schema::kTextstyle, header.textstyle.handle().value()},
            {schema::kTilemode, header.tilemode ? 1u : 0u},
        };
        if (header.handseed > Adesk::UInt64(LLONG_MAX)) {
            m_reason = "handle seed " + schema::handleText(header.handseed) + " is too large for a drawing file";
            return false;
        }
        for (const auto& number : numbers) {
            sqlite3_bind_text(insert.get(), 1, number.first, -1, SQLITE_STATIC);
            sqlite3_bind_int64(insert.get(), 2, sqlite3_int64(number.second));
            if (!stepDone(insert.get()))
                return false;
        }
        const std::pair<const char*, int> settings[] = {
            {schema::kPdmode, header.pdmode},
            {schema::kInsunits, int(header.insunits)},
        };
        for (const auto& setting : settings) {
            sqlite3_bind_text(insert.get(), 1, setting.first, -1, SQLITE_STATIC);
            sqlite3_bind_int64(insert.get(), 2, setting.second);
            if (!stepDone(insert.get()))
                return false;
        }
        const std::pair<const char*, double> reals[] = {
            {schema::kPdsize, header.pdsize},
            {schema::kTextsize, header.textsize},
        };
        for (const auto& real : reals) {
            sqlite3_bind_text(insert.get(), 1, real.first, -1, SQLITE_STATIC);
            sqlite3_bind_double(insert.get(), 2, real.second);
            if (!stepDone(insert.get()))
                return false;
        }
        return true;
    }

    AcDbDatabase* m_db;
    sqlite3* m_file;
    WriteSeam& m_seam;
    std::string m_reason;
    vemhost::MemoryFiler m_filer{nullptr, AcDb::kFileFiler};
    vemhost::MemoryFiler m_extrasFiler{nullptr, AcDb::kFileFiler};
    Statement m_insertExtras;
    acrt::GraphicsRecorder m_recorder;
    std::vector<unsigned char> m_graphics;
    std::unordered_map<const AcRxClass*, std::string> m_classNames;
    std::map<std::string, ClassRow> m_classes;
    std::string m_proxyName;
};

// Writes the drawing into a new file beside the target, which then replaces it whole
// (keeping the replaced file as the .bak with kKeep). Every operation of the SQLite
// file and of the replacement is a step of the write seam.
bool saveTo(AcDbDatabase* db, const std::string& path, Backup backup, std::string& reason, std::string& warning)
{
    FileReplacement replacement;
    if (!replacement.begin(path, reason, FileReplacement::Kind::kSqliteDatabase))
        return false;
    WriteSeam seam;
    {
        sqlite3* raw = nullptr;
        int rc = sqlite3_open_v2(replacement.scratchPath().c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
        SqliteDb file(raw);
        if (rc != SQLITE_OK) {
            reason = "cannot write a new file beside it: " + sqliteMessage(raw, rc);
            return false;
        }
        if (!DrawingWriter(db, file.get(), seam).write(reason))
            return false;
        rc = sqlite3_close(file.get());
        if (rc != SQLITE_OK) {
            reason = "writing the file failed: " + sqliteMessage(file.get(), rc);
            return false;
        }
        file.release();
    }
    const std::string backupPath = backup == Backup::kKeep ? backupPathOf(replacement.target()) : std::string();
    const bool replaced = replacement.commit(reason, warning, backupPath, [&seam] {
        const int rc = seam.other();
        return rc == SQLITE_OK ? std::string() : std::string(sqlite3_errstr(rc));
    });
    if (replaced)
        acrt::rememberStoredFile(db, describeFile(replacement.target(), replacement.placed()));
    return replaced;
}

}  // namespace

bool changedOnDisk(const AcDbDatabase* db, const std::string& path)
{
    acrt::StoredFile stored;
    std::string resolved, reason;
    return acrt::storedFileOf(db, stored) && resolveLinks(path, resolved, reason) && resolved == stored.path &&
           fileChangedSince(stored);
}

std::string backupPathOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.rfind('.');
    if (dot != std::string::npos && dot > nameStart)
        return path.substr(0, dot) + ".bak";
    return path + ".bak";
}

bool saveDrawing(AcDbDatabase* db, const std::string& path, std::string& error, Backup backup)
{
    error.clear();
    std::string reason, warning;
    bool saved = false;
    if (db == nullptr)
        reason = "there is no drawing";
    else if (path.empty())
        reason = "no file name";
    else {
        try {
            saved = saveTo(db, path, backup, reason, warning);
        } catch (const std::bad_alloc&) {
            reason = "out of memory";
        }
    }
    if (!saved)
        error = "cannot save " + quoted(path) + ": " + reason;
    else
        error = warning;
    return saved;
}

}  // namespace vemio
