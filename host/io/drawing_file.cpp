// Saving drawing files: every object's record into a new SQLite file beside the target,
// which replaces the target only once it is complete and flushed.
//
// A drawing file is a SQLite database of four tables:
//
//   table     columns                                 rows
//   header    key TEXT PRIMARY KEY, value             format 'VEM drawing', version 1,
//                                                     handseed, the handles of the four
//                                                     symbol tables, model_space, paper_space,
//                                                     clayer, textstyle; tilemode 0 or 1
//   classes   name TEXT PRIMARY KEY, parent,          one per class that a saved object has
//             dxf_name, app_name, proxy_flags INTEGER
//   objects   handle INTEGER PRIMARY KEY,             one per object that is not erased;
//             owner INTEGER (0: none), class TEXT,    record is what dwgOutFields writes
//             record BLOB                             through the binary file filer
//   graphics  handle INTEGER PRIMARY KEY,             one per entity of a class that is not
//             graphics BLOB                           the runtime's own: what it shows, for a
//                                                     host without its class (layout in
//                                                     db_proxy.cpp)
//
// The graphics live in a table of their own so that opening a drawing whose classes are
// all registered never reads them. A proxy is saved as the object it stands for: its
// original class (with its classes row) and its original record and graphics, byte for
// byte. Names are UTF-8.
#include "drawing_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <unordered_map>
#include <utility>
#include <vector>

#include "db_internals.h"
#include "db_proxy.h"
#include "drawing_schema.h"
#include "sqlite_handle.h"
#include "vemhost.h"

namespace vemio {

namespace {

std::string quoted(const std::string& path) { return "'" + path + "'"; }

// ---- files ------------------------------------------------------------------------------

std::string directoryOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a save replaces: a symbolic link is followed, so the link stays a link.
std::string resolveTarget(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr)
        return path;
    std::string resolved(real);
    std::free(real);
    return resolved;
}

// Copies a file's bytes into another, flushed to the disk; false with the reason.
bool copyFile(const std::string& from, const std::string& to, std::string& reason)
{
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    int out = in < 0 ? -1 : ::open(to.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    bool ok = in >= 0 && out >= 0;
    char buf[1 << 16];
    while (ok) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n <= 0) {
            ok = n == 0 && ::fsync(out) == 0;
            break;
        }
        for (ssize_t done = 0; ok && done < n;) {
            const ssize_t w = ::write(out, buf + done, size_t(n - done));
            ok = w > 0;
            done += w;
        }
    }
    if (!ok)
        reason = std::strerror(errno);
    if (in >= 0)
        ::close(in);
    if (out >= 0)
        ::close(out);
    return ok;
}

// The new file being written beside the target; removed unless it was renamed into place.
class TempFile {
public:
    TempFile() = default;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile()
    {
        if (!m_path.empty())
            ::unlink(m_path.c_str());
    }

    // A new empty file whose name no other save uses; it takes the target's permissions
    // when there is a target, else the usual ones for a new file.
    bool create(const std::string& target, const struct stat* existing, std::string& reason)
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string name = unusedName(target);
            int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0 && errno == EEXIST)
                continue;
            if (fd < 0) {
                reason = std::string("cannot create a file in its folder: ") + std::strerror(errno);
                return false;
            }
            if (existing != nullptr)
                ::fchmod(fd, existing->st_mode & 07777);
            ::close(fd);
            m_path = std::move(name);
            return true;
        }
        reason = "no unused name for a temporary file";
        return false;
    }

    // A new name beside target holding what source holds: a hard link to it, or a copy
    // where the file system has no hard links.
    bool holdPrevious(const std::string& source, const std::string& target, std::string& reason)
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string name = unusedName(target);
            if (::link(source.c_str(), name.c_str()) == 0) {
                m_path = std::move(name);
                return true;
            }
            if (errno != EEXIST)
                break;
        }
        struct stat st;
        if (::stat(source.c_str(), &st) != 0) {
            reason = std::strerror(errno);
            return false;
        }
        return create(target, &st, reason) && copyFile(source, m_path, reason);
    }

    const std::string& path() const { return m_path; }
    void release() { m_path.clear(); }

private:
    static std::string unusedName(const std::string& target)
    {
        static unsigned s_counter = 0;
        return target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(s_counter++);
    }

    std::string m_path;
};

// Flushes a file (or directory) to the disk; empty on success, else the reason.
std::string flushToDisk(const std::string& path, bool directory)
{
    int fd = ::open(path.c_str(), (directory ? O_RDONLY | O_DIRECTORY : O_RDONLY) | O_CLOEXEC);
    if (fd < 0)
        return std::strerror(errno);
    std::string reason;
    if (::fsync(fd) != 0)
        reason = std::strerror(errno);
    ::close(fd);
    return reason;
}

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

    // Every resident object that is not erased, in handle order.
    std::vector<std::pair<Adesk::UInt64, AcDbObjectId>> objectsToSave() const
    {
        std::vector<std::pair<Adesk::UInt64, AcDbObjectId>> ids;
        AcDbDatabase::Impl* impl = AcDbSystemInternals::impl(m_db);
        ids.reserve(impl->stubs.size());
        for (AcDbStub& stub : impl->stubs)
            if (stub.object != nullptr && !stub.erased)
                ids.emplace_back(stub.handle, AcDbObjectId(&stub));
        std::sort(ids.begin(), ids.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        return ids;
    }

    bool writeObjects()
    {
        Statement insert = prepare("INSERT INTO objects (handle, owner, class, record) VALUES (?, ?, ?, ?)");
        Statement insertGraphics = prepare("INSERT INTO graphics (handle, graphics) VALUES (?, ?)");
        if (!insert || !insertGraphics)
            return false;
        for (const auto& entry : objectsToSave()) {
            if (entry.first > Adesk::UInt64(LLONG_MAX)) {
                m_reason = "handle " + schema::handleText(entry.first) + " is too large for a drawing file";
                return false;
            }
            AcDbObject* obj = nullptr;
            Acad::ErrorStatus es = acdbOpenAcDbObject(obj, entry.second, AcDb::kForRead);
            if (es != Acad::eOk) {
                m_reason = "object " + schema::handleText(entry.first) +
                           (es == Acad::eWasOpenForWrite ? " is open for write; close it before saving"
                                                         : " cannot be opened (status " + std::to_string(es) + ")");
                return false;
            }
            CloseOnExit closer{obj};
            if (!writeObject(insert.get(), insertGraphics.get(), entry.first, obj))
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
        if (const AcDbProxyEntity* proxy = AcDbProxyEntity::cast(obj)) {
            className = &classNameOf(proxy->originalClass());
            record = &proxy->originalRecord();
            graphics = &proxy->savedGraphics();
        } else if (const AcDbProxyObject* proxyObject = AcDbProxyObject::cast(obj)) {
            className = &classNameOf(proxyObject->originalClass());
            record = &proxyObject->originalRecord();
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
        const AcDbDatabase::Impl* impl = AcDbSystemInternals::impl(m_db);
        const std::pair<const char*, Adesk::UInt64> numbers[] = {
            {schema::kVersion, Adesk::UInt64(schema::kFormatVersion)},
            {schema::kHandseed, m_db->handseed().value()},
            {schema::kBlockTable, impl->blockTable.handle().value()},
            {schema::kLayerTable, impl->layerTable.handle().value()},
            {schema::kTextStyleTable, impl->textStyleTable.handle().value()},
            {schema::kLinetypeTable, impl->linetypeTable.handle().value()},
            {schema::kModelSpace, impl->modelSpace.handle().value()},
            {schema::kPaperSpace, impl->paperSpace.handle().value()},
            {schema::kClayer, impl->clayer.handle().value()},
            {schema::kTextstyle, impl->textstyle.handle().value()},
            {schema::kTilemode, m_db->tilemode() ? 1u : 0u},
        };
        for (const auto& number : numbers) {
            sqlite3_bind_text(insert.get(), 1, number.first, -1, SQLITE_STATIC);
            sqlite3_bind_int64(insert.get(), 2, sqlite3_int64(number.second));
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
    acrt::GraphicsRecorder m_recorder;
    std::vector<unsigned char> m_graphics;
    std::unordered_map<const AcRxClass*, std::string> m_classNames;
    std::map<std::string, ClassRow> m_classes;
    std::string m_proxyName;
};

// Writes the new file beside the target and flushes it; with kKeep links the file it
// replaces beside the .bak; renames the new file into place; then the link over the
// .bak. The target holds a whole drawing at every moment, and a failure before the new
// file is in place leaves the target and the .bak as they were.
bool saveTo(AcDbDatabase* db, const std::string& path, Backup backup, std::string& reason, std::string& warning)
{
    const std::string target = resolveTarget(path);
    struct stat existing;
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        reason = "not a regular file";
        return false;
    }
    TempFile temp;
    if (!temp.create(target, exists ? &existing : nullptr, reason))
        return false;
    WriteSeam seam;
    {
        sqlite3* raw = nullptr;
        int rc = sqlite3_open_v2(temp.path().c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
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
    int rc = seam.other();
    std::string flushed = rc == SQLITE_OK ? flushToDisk(temp.path(), false) : sqlite3_errstr(rc);
    if (!flushed.empty()) {
        reason = "flushing the file failed: " + flushed;
        return false;
    }
    const std::string backupPath = backupPathOf(target);
    TempFile previous;
    if (backup == Backup::kKeep && exists && backupPath != target) {
        rc = seam.other();
        if (rc != SQLITE_OK || !previous.holdPrevious(target, backupPath, reason)) {
            reason = "keeping the previous version failed: " +
                     (rc != SQLITE_OK ? std::string(sqlite3_errstr(rc)) : reason);
            return false;
        }
    }
    rc = seam.other();
    if (rc != SQLITE_OK || ::rename(temp.path().c_str(), target.c_str()) != 0) {
        reason = std::string("replacing the file failed: ") + (rc != SQLITE_OK ? sqlite3_errstr(rc) : std::strerror(errno));
        return false;
    }
    temp.release();
    if (!previous.path().empty()) {
        if (::rename(previous.path().c_str(), backupPath.c_str()) == 0)
            previous.release();
        else
            warning =
                "the previous version could not be kept as " + quoted(backupPath) + ": " + std::strerror(errno);
    }
    // The rename is done; flushing the directory only makes it durable sooner.
    flushToDisk(directoryOf(target), true);
    return true;
}

}  // namespace

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
