// Opening drawing files: checks that a file is a drawing this program reads, then
// rebuilds its objects under their saved handles, as proxies where the class is missing
// or the record does not read whole, puts back the DXF extras kept beside them, and
// finally restores and checks the header. What opens can be saved again: handles fit
// the file, lists hold what their owners may hold, and names are text.
#include <cmath>
#include <map>
#include <new>
#include <string_view>
#include <vector>

#include "dbsymtb.h"
#include "drawing_file.h"
#include "drawing_schema.h"
#include "drawing_store.h"
#include "file_identity.h"
#include "opened_object.h"
#include "pass_through.h"
#include "point_display.h"
#include "read_connection.h"
#include "sqlite_handle.h"
#include "vemhost_io.h"
#include "vemhost_program.h"

namespace vemio {

namespace {

// Parents followed through the classes table before giving up (a damaged table may loop).
const int kMaxClassDepth = 64;

std::string_view textColumn(sqlite3_stmt* stmt, int column)
{
    const unsigned char* text = sqlite3_column_text(stmt, column);
    if (text == nullptr)
        return std::string_view();
    return std::string_view(reinterpret_cast<const char*>(text), size_t(sqlite3_column_bytes(stmt, column)));
}

std::wstring wide(std::string_view text) { return vemhost::fromUtf8(std::string(text)); }

// Text that comes back the same when it is saved again: UTF-8 without a zero.
bool isSavableText(std::string_view text)
{
    if (text.find('\0') != std::string_view::npos)
        return false;
    const std::string bytes(text);
    return vemhost::toUtf8(vemhost::fromUtf8(bytes)) == bytes;
}

// A class named by the file: its row, and the registered class of that name, if any.
struct FileClass {
    acrt::ProxyClass row;
    AcRxClass* registered = nullptr;
    bool isEntity = false;
};

struct HeaderValue {
    int type = SQLITE_NULL;
    sqlite3_int64 number = 0;
    double real = 0.0;
    std::string text;
};

class DrawingReader {
public:
    DrawingReader(sqlite3* file, const std::string& path) : m_file(file), m_path(path) {}

    std::unique_ptr<AcDbDatabase> read(std::string& reason)
    {
        m_db = std::make_unique<AcDbDatabase>(false);
        m_filer = std::make_unique<vemhost::MemoryFiler>(m_db.get(), AcDb::kFileFiler);
        // One read transaction: the file cannot change between the passes over it.
        const int rc = sqlite3_exec(m_file, "BEGIN", nullptr, nullptr, nullptr);
        const bool read = (rc == SQLITE_OK || sqliteFailed(rc)) && checkSchema() && checkPages() && readHeader() &&
                          checkFormat() && readClasses() && createIds() && readObjects() && readExtras() &&
                          checkLists() && restoreHeader();
        if (!read) {
            reason = m_reason;
            return nullptr;
        }
        return std::move(m_db);
    }

private:
    bool refuse(const std::string& reason)
    {
        m_reason = reason;
        return false;
    }
    bool damaged(const std::string& what) { return refuse("the file is damaged (" + what + ")"); }
    bool sqliteFailed(int rc) { return refuse(readFailure(m_file, rc)); }

    Statement prepare(const char* sql)
    {
        int rc = SQLITE_OK;
        Statement stmt = prepareStatement(m_file, sql, rc);
        if (!stmt)
            sqliteFailed(rc);
        return stmt;
    }

    // Nothing is read from a file whose tables are not exactly a drawing's.
    bool checkSchema()
    {
        int rc = SQLITE_OK;
        const std::string problem = checkDrawingSchema(m_file, rc);
        if (rc != SQLITE_OK)
            return sqliteFailed(rc);
        return problem.empty() || refuse(problem);
    }

    // A file cut short: SQLite reads a missing page tail as zeros, so check the size
    // (pages written to the write-ahead log count, until they reach the file).
    bool checkPages()
    {
        sqlite3_int64 pageSize = 0, pageCount = 0;
        if (!pragmaNumber("PRAGMA page_size", pageSize) || !pragmaNumber("PRAGMA page_count", pageCount))
            return false;
        long long fileSize = 0, logSize = 0;
        if (!sizesNow(m_path, fileSize, logSize))
            return damaged("its size cannot be read");
        if (pageSize <= 0 || fileSize % pageSize != 0 || (fileSize + logSize) / pageSize < pageCount)
            return damaged("it is truncated");
        return true;
    }

    bool pragmaNumber(const char* sql, sqlite3_int64& value)
    {
        Statement stmt = prepare(sql);
        if (!stmt)
            return false;
        const int rc = sqlite3_step(stmt.get());
        if (rc != SQLITE_ROW)
            return sqliteFailed(rc);
        value = sqlite3_column_int64(stmt.get(), 0);
        return true;
    }

    bool readHeader()
    {
        Statement select = prepare("SELECT key, value FROM header");
        if (!select)
            return false;
        int rc;
        while ((rc = sqlite3_step(select.get())) == SQLITE_ROW) {
            HeaderValue value;
            value.type = sqlite3_column_type(select.get(), 1);
            value.number = sqlite3_column_int64(select.get(), 1);
            value.real = sqlite3_column_double(select.get(), 1);
            value.text = std::string(textColumn(select.get(), 1));
            m_header[std::string(textColumn(select.get(), 0))] = std::move(value);
        }
        return rc == SQLITE_DONE || sqliteFailed(rc);
    }

    bool checkFormat()
    {
        auto format = m_header.find(schema::kFormat);
        if (format == m_header.end() || format->second.type != SQLITE_TEXT ||
            format->second.text != schema::kFormatName)
            return refuse(schema::kNotADrawing);
        sqlite3_int64 version = 0;
        if (!headerNumber(schema::kVersion, version))
            return false;
        if (version > schema::kFormatVersion)
            return refuse("made by a newer version of the program (drawing format " + std::to_string(version) +
                          "; this one reads format " + std::to_string(schema::kFormatVersion) + ")");
        return version >= 1 || damaged("format version " + std::to_string(version));
    }

    bool headerNumber(const char* key, sqlite3_int64& value)
    {
        auto it = m_header.find(key);
        if (it == m_header.end() || it->second.type != SQLITE_INTEGER)
            return damaged(std::string("no ") + key + " in the header");
        value = it->second.number;
        return true;
    }

    // A real of the header, when the drawing keeps it (older ones do not): false, the
    // drawing damaged, when it is not a finite number or fails the check.
    bool optionalReal(const char* key, bool (*valid)(double), const char* what, double& value)
    {
        auto it = m_header.find(key);
        if (it == m_header.end())
            return true;
        if ((it->second.type != SQLITE_FLOAT && it->second.type != SQLITE_INTEGER) ||
            !std::isfinite(it->second.real) || !valid(it->second.real))
            return damaged(std::string(what) + " " + it->second.text + " is not one a drawing has");
        value = it->second.real;
        return true;
    }

    // How points draw, how high new texts are and what a unit stands for, when the
    // drawing keeps them.
    bool restoreDrawingSettings(acrt::StoreHeader& header)
    {
        auto mode = m_header.find(schema::kPdmode);
        if (mode != m_header.end()) {
            if (mode->second.type != SQLITE_INTEGER || mode->second.number < 0 || mode->second.number > 127 ||
                !acrt::isPointMode(int(mode->second.number)))
                return damaged("point mode " + mode->second.text + " is not one the host draws");
            header.pdmode = Adesk::Int16(mode->second.number);
        }
        auto units = m_header.find(schema::kInsunits);
        if (units != m_header.end()) {
            if (units->second.type != SQLITE_INTEGER || units->second.number < 0 ||
                units->second.number > AcDb::kUnitsMax)
                return damaged("drawing unit " + units->second.text + " is not one the host knows");
            header.insunits = AcDb::UnitsValue(units->second.number);
        }
        return optionalReal(schema::kPdsize, [](double) { return true; }, "point size", header.pdsize) &&
               optionalReal(schema::kTextsize, [](double v) { return v > 0.0; }, "text size", header.textsize);
    }

    bool readClasses()
    {
        Statement select = prepare("SELECT name, parent, dxf_name, app_name, proxy_flags FROM classes");
        if (!select)
            return false;
        int rc;
        while ((rc = sqlite3_step(select.get())) == SQLITE_ROW) {
            const std::string_view name = textColumn(select.get(), 0);
            if (name.empty())
                return damaged("a class without a name");
            for (int column = 0; column < 4; ++column)
                if (!isSavableText(textColumn(select.get(), column)))
                    return damaged("the classes table holds a name that is not valid UTF-8");
            FileClass& cls = m_classes[std::string(name)];
            cls.row = acrt::ProxyClass{wide(name), wide(textColumn(select.get(), 1)), wide(textColumn(select.get(), 2)),
                                       wide(textColumn(select.get(), 3)), sqlite3_column_int(select.get(), 4)};
            cls.registered = acrxFindAcRxClass(cls.row.name.c_str());
        }
        if (rc != SQLITE_DONE)
            return sqliteFailed(rc);
        for (auto& entry : m_classes)
            entry.second.isEntity = isEntityClass(entry.second);
        return true;
    }

    // Registered classes know their parents; a missing one's row chain is followed until
    // AcDbEntity or a registered class turns up.
    bool isEntityClass(const FileClass& cls) const
    {
        const FileClass* at = &cls;
        for (int depth = 0; at != nullptr && depth < kMaxClassDepth; ++depth) {
            if (at->registered != nullptr)
                return at->registered->isDerivedFrom(AcDbEntity::desc());
            if (at->row.parentName == L"AcDbEntity")
                return true;
            auto parent = m_classes.find(vemhost::toUtf8(at->row.parentName));
            at = parent == m_classes.end() ? nullptr : &parent->second;
        }
        return false;
    }

    // The class of an object row; a class the classes table lacks is looked up by name.
    // Null for a name that is not text.
    FileClass* classOf(std::string_view name)
    {
        if (m_last != nullptr && m_lastName == name)
            return m_last;
        auto it = m_classes.find(name);
        if (it == m_classes.end()) {
            if (!isSavableText(name))
                return nullptr;
            FileClass cls;
            cls.row.name = wide(name);
            cls.registered = acrxFindAcRxClass(cls.row.name.c_str());
            cls.isEntity = cls.registered != nullptr && cls.registered->isDerivedFrom(AcDbEntity::desc());
            it = m_classes.emplace(std::string(name), std::move(cls)).first;
        }
        m_lastName = it->first;
        m_last = &it->second;
        return m_last;
    }

    // Every handle gets its id first, so references to objects read later resolve.
    bool createIds()
    {
        Statement select = prepare("SELECT handle FROM objects");
        if (!select)
            return false;
        int rc;
        while ((rc = sqlite3_step(select.get())) == SQLITE_ROW) {
            const sqlite3_int64 handle = sqlite3_column_int64(select.get(), 0);
            if (handle <= 0)
                return damaged("object handle " + std::to_string(handle));
            if (Adesk::UInt64(handle) >= schema::kHandleLimit)
                return damaged("object handle " + schema::handleText(Adesk::UInt64(handle)) + " is too large");
            AcDbObjectId id;
            m_db->getAcDbObjectId(id, true, AcDbHandle(Adesk::UInt64(handle)));
        }
        return rc == SQLITE_DONE || sqliteFailed(rc);
    }

    bool readObjects()
    {
        Statement select = prepare("SELECT handle, owner, class, record FROM objects ORDER BY handle");
        m_selectGraphics = prepare("SELECT graphics FROM graphics WHERE handle = ?");
        if (!select || !m_selectGraphics)
            return false;
        int rc;
        while ((rc = sqlite3_step(select.get())) == SQLITE_ROW)
            if (!readObject(select.get()))
                return false;
        return rc == SQLITE_DONE || sqliteFailed(rc);
    }

    bool readObject(sqlite3_stmt* row)
    {
        const Adesk::UInt64 handle = Adesk::UInt64(sqlite3_column_int64(row, 0));
        if (sqlite3_column_type(row, 1) != SQLITE_INTEGER || sqlite3_column_int64(row, 1) < 0)
            return damaged("object " + schema::handleText(handle) + " has no owner");
        const std::string_view className = textColumn(row, 2);
        if (className.empty())
            return damaged("object " + schema::handleText(handle) + " has no class");
        FileClass* found = classOf(className);
        if (found == nullptr)
            return damaged("a class name is not valid UTF-8");
        FileClass& cls = *found;
        const unsigned char* record = static_cast<const unsigned char*>(sqlite3_column_blob(row, 3));
        const size_t recordSize = size_t(sqlite3_column_bytes(row, 3));
        std::unique_ptr<AcDbObject> obj = readAsItsClass(cls, record, recordSize);
        if (!obj) {
            std::vector<unsigned char> graphics;
            if (cls.isEntity && !readGraphics(handle, graphics))
                return false;
            obj.reset(acrt::makeProxy(m_db.get(), cls.row, cls.isEntity, bytes(record, recordSize),
                                      std::move(graphics)));
            if (!obj)
                throw std::bad_alloc();
        }
        AcDbObjectId owner;
        const sqlite3_int64 ownerHandle = sqlite3_column_int64(row, 1);
        if (ownerHandle != 0)
            m_db->getAcDbObjectId(owner, false, AcDbHandle(Adesk::UInt64(ownerHandle)));
        const Acad::ErrorStatus es = acrt::addLoadedObject(m_db.get(), obj.get(), handle, owner);
        if (obj->isDatabaseResident())
            obj.release();
        return es == Acad::eOk || damaged("object " + schema::handleText(handle) + " cannot be placed");
    }

    // The DXF extras of saved objects, when the drawing keeps any: each must belong to
    // an object of the drawing and read whole.
    bool readExtras()
    {
        Statement table = prepare("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?");
        if (!table)
            return false;
        sqlite3_bind_text(table.get(), 1, schema::kExtrasTable, -1, SQLITE_STATIC);
        int rc = sqlite3_step(table.get());
        if (rc != SQLITE_ROW)
            return sqliteFailed(rc);
        if (sqlite3_column_int(table.get(), 0) == 0)
            return true;
        Statement select = prepare("SELECT handle, groups FROM dxf_extras ORDER BY handle");
        if (!select)
            return false;
        while ((rc = sqlite3_step(select.get())) == SQLITE_ROW)
            if (!readExtrasRow(select.get()))
                return false;
        return rc == SQLITE_DONE || sqliteFailed(rc);
    }

    bool readExtrasRow(sqlite3_stmt* row)
    {
        const sqlite3_int64 handle = sqlite3_column_int64(row, 0);
        const std::string object = "object " + schema::handleText(Adesk::UInt64(handle));
        AcDbObjectId id;
        Opened<AcDbObject> opened;
        if (handle <= 0 || m_db->getAcDbObjectId(id, false, AcDbHandle(Adesk::UInt64(handle))) != Acad::eOk ||
            acdbOpenAcDbObject(opened.slot(), id, AcDb::kForRead) != Acad::eOk)
            return damaged("DXF extras for " + object + ", which the drawing does not hold");
        const unsigned char* blob = static_cast<const unsigned char*>(sqlite3_column_blob(row, 1));
        const size_t size = size_t(sqlite3_column_bytes(row, 1));
        m_filer->setBytes(bytes(blob, size));
        acrt::DxfGroups groups;
        const Acad::ErrorStatus es = acrt::readDxfGroups(m_filer.get(), groups);
        if (es != Acad::eOk || m_filer->filerStatus() != Acad::eOk || size_t(m_filer->tell()) != size)
            return damaged("the DXF extras of " + object + " do not read");
        acrt::setDxfExtras(opened.get(), std::move(groups));
        return true;
    }

    // Every list holds what its owner may hold, and never the owner itself.
    bool checkLists()
    {
        acrt::MisplacedEntry found;
        if (!acrt::findMisplacedEntry(m_db.get(), found))
            return true;
        const std::string owner = "object " + schema::handleText(found.owner);
        if (found.entry == found.owner)
            return damaged(owner + " lists itself");
        return damaged(owner + " lists object " + schema::handleText(found.entry) + ", which it cannot hold");
    }

    // The saved graphics of an entity kept as a proxy (none is fine).
    bool readGraphics(Adesk::UInt64 handle, std::vector<unsigned char>& graphics)
    {
        sqlite3_stmt* select = m_selectGraphics.get();
        sqlite3_bind_int64(select, 1, sqlite3_int64(handle));
        const int rc = sqlite3_step(select);
        if (rc == SQLITE_ROW)
            graphics = bytes(static_cast<const unsigned char*>(sqlite3_column_blob(select, 0)),
                             size_t(sqlite3_column_bytes(select, 0)));
        sqlite3_reset(select);
        return rc == SQLITE_ROW || rc == SQLITE_DONE || sqliteFailed(rc);
    }

    static std::vector<unsigned char> bytes(const unsigned char* data, size_t size)
    {
        return data != nullptr ? std::vector<unsigned char>(data, data + size) : std::vector<unsigned char>();
    }

    // The object read by its own class, or null when the class is missing, cannot make
    // one, or its read fails or leaves bytes unread (a newer version's record).
    std::unique_ptr<AcDbObject> readAsItsClass(const FileClass& cls, const unsigned char* record, size_t size)
    {
        if (cls.registered == nullptr || acrt::isProxyClass(cls.registered))
            return nullptr;
        AcRxObject* made = cls.registered->create();
        std::unique_ptr<AcDbObject> obj(AcDbObject::cast(made));
        if (!obj) {
            delete made;
            return nullptr;
        }
        m_filer->setBytes(bytes(record, size));
        const Acad::ErrorStatus es = obj->dwgInFields(m_filer.get());
        if (es != Acad::eOk || m_filer->filerStatus() != Acad::eOk || size_t(m_filer->tell()) != size)
            return nullptr;
        return obj;
    }

    // The header's handles must name objects of the right classes.
    bool restoreId(const char* key, const AcRxClass* cls, const char* what, AcDbObjectId& id)
    {
        sqlite3_int64 handle = 0;
        if (!headerNumber(key, handle))
            return false;
        id.setNull();
        if (handle > 0)
            m_db->getAcDbObjectId(id, false, AcDbHandle(Adesk::UInt64(handle)));
        return isLiveRecord(id, cls) || damaged(std::string("no ") + what);
    }

    // The current layer or text style: the saved one when it reads as a record of its
    // table, else the table's standard record, else its first (a proxy cannot be current).
    bool restoreCurrent(const char* key, AcDbObjectId tableId, const AcRxClass* recordClass, const ACHAR* standard,
                        const char* what, AcDbObjectId& id)
    {
        sqlite3_int64 handle = 0;
        if (!headerNumber(key, handle))
            return false;
        id.setNull();
        if (handle > 0)
            m_db->getAcDbObjectId(id, false, AcDbHandle(Adesk::UInt64(handle)));
        if (isLiveRecord(id, recordClass))
            return true;
        Opened<AcDbSymbolTable> table;
        if (acdbOpenObject(table.slot(), tableId, AcDb::kForRead) != Acad::eOk)
            return damaged(std::string("no ") + what);
        AcDbObjectId first;
        for (const AcDbObjectId& record : table->recordIds()) {
            Opened<AcDbObject> opened;
            if (acdbOpenAcDbObject(opened.slot(), record, AcDb::kForRead, recordClass) != Acad::eOk)
                continue;
            const ACHAR* name = nullptr;
            static_cast<AcDbSymbolTableRecord*>(opened.get())->getName(name);
            if (AcString(name).compareNoCase(standard) == 0) {
                id = record;
                return true;
            }
            if (first.isNull())
                first = record;
        }
        id = first;
        return !id.isNull() || damaged(std::string("no ") + what);
    }

    // Whether id names an object of class cls that is not erased (nothing else has the
    // new drawing's objects open).
    static bool isLiveRecord(AcDbObjectId id, const AcRxClass* cls)
    {
        Opened<AcDbObject> opened;
        return !id.isNull() && acdbOpenAcDbObject(opened.slot(), id, AcDb::kForRead, cls) == Acad::eOk;
    }

    bool restoreHeader()
    {
        acrt::StoreHeader header;
        sqlite3_int64 handseed = 0, tilemode = 0;
        const bool restored =
            restoreId(schema::kBlockTable, AcDbBlockTable::desc(), "block table", header.blockTable) &&
            restoreId(schema::kLayerTable, AcDbLayerTable::desc(), "layer table", header.layerTable) &&
            restoreId(schema::kTextStyleTable, AcDbTextStyleTable::desc(), "text style table",
                      header.textStyleTable) &&
            restoreId(schema::kLinetypeTable, AcDbLinetypeTable::desc(), "linetype table", header.linetypeTable) &&
            restoreId(schema::kModelSpace, AcDbBlockTableRecord::desc(), "model space", header.modelSpace) &&
            restoreId(schema::kPaperSpace, AcDbBlockTableRecord::desc(), "paper space", header.paperSpace) &&
            restoreCurrent(schema::kClayer, header.layerTable, AcDbLayerTableRecord::desc(), L"0", "layer",
                           header.clayer) &&
            restoreCurrent(schema::kTextstyle, header.textStyleTable, AcDbTextStyleTableRecord::desc(), L"Standard",
                           "text style", header.textstyle) &&
            headerNumber(schema::kHandseed, handseed) && headerNumber(schema::kTilemode, tilemode) &&
            restoreDrawingSettings(header);
        if (!restored)
            return false;
        if (handseed > 0 && Adesk::UInt64(handseed) > schema::kHandleLimit)
            return damaged("handle seed " + schema::handleText(Adesk::UInt64(handseed)) + " is too large");
        // Never below the handles in use (the ids made for them raised it past every one).
        header.handseed = handseed > 0 ? Adesk::UInt64(handseed) : 0;
        header.tilemode = tilemode != 0;
        acrt::restoreStoreHeader(m_db.get(), header);
        return true;
    }

    sqlite3* m_file;
    std::string m_path;
    std::unique_ptr<AcDbDatabase> m_db;
    std::string m_reason;
    std::map<std::string, HeaderValue> m_header;
    std::map<std::string, FileClass, std::less<>> m_classes;
    std::string_view m_lastName;
    FileClass* m_last = nullptr;
    std::unique_ptr<vemhost::MemoryFiler> m_filer;  // reads ids through m_db
    Statement m_selectGraphics;
};

}  // namespace

std::unique_ptr<AcDbDatabase> openDrawing(const std::string& path, std::string& error)
{
    error.clear();
    std::string reason;
    std::unique_ptr<AcDbDatabase> db;
    try {
        ReadConnection file;
        if (file.open(path, reason)) {
            db = DrawingReader(file.get(), file.path()).read(reason);
            const struct stat left = file.close();
            if (db)
                acrt::rememberStoredFile(db.get(), describeFile(file.path(), left));
        }
    } catch (const std::bad_alloc&) {
        db.reset();
        reason = "out of memory";
    }
    if (!db)
        error = "cannot open '" + path + "': " + reason;
    return db;
}

}  // namespace vemio
