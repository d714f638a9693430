// The connection OPEN reads through: the file checked before SQLite sees it, the mode
// chosen by the journals beside it, a bound on the work, and the exact schema.
#include "read_connection.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "drawing_file.h"
#include "drawing_schema.h"
#include "file_replacement.h"

namespace vemio {

namespace {

const char kSqliteMagic[16] = {'S', 'Q', 'L', 'i', 't', 'e', ' ', 'f', 'o', 'r', 'm', 'a', 't', ' ', '3', '\0'};
// How long a lock of another writer is waited for before the file is said to be in use.
const int kLockWaitMilliseconds = 1000;
// The work an open may do, in SQLite steps counted kStepsPerCall at a time: a fixed
// part, and a step per byte to read (a drawing takes about one per hundred bytes).
const int kStepsPerCall = 100;
const long long kBaseWork = 20000000 / kStepsPerCall;
const long long kStepsPerByte = 1;
long long g_workLimitForTests = 0;

// Why a file cannot be opened, before SQLite is asked anything; empty when it may be.
// Fills st and the first bytes of the database header.
std::string checkFile(const std::string& path, struct stat& st, unsigned char (&header)[100])
{
    if (::stat(path.c_str(), &st) != 0)
        return std::strerror(errno);
    if (S_ISDIR(st.st_mode))
        return "it is a directory";
    if (!S_ISREG(st.st_mode))
        return "not a regular file";
    if (st.st_size == 0)
        return "the file is empty";
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::strerror(errno);
    const ssize_t got = ::read(fd, header, sizeof header);
    ::close(fd);
    if (got < ssize_t(sizeof kSqliteMagic) || std::memcmp(header, kSqliteMagic, sizeof kSqliteMagic) != 0)
        return "not a drawing file (not a SQLite database)";
    return std::string();
}

off_t sizeOf(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

// A file in WAL mode, or with a journal beside it that SQLite may have to apply.
bool needsRecovery(const std::string& path, const unsigned char (&header)[100])
{
    return header[18] == 2 || header[19] == 2 || sizeOf(path + "-wal") >= 0 || sizeOf(path + "-journal") > 0;
}

int onProgress(void* workLeft)
{
    long long& left = *static_cast<long long*>(workLeft);
    return --left < 0 ? 1 : 0;
}

// ---- the schema ---------------------------------------------------------------------------

// One object of sqlite_master that a drawing file has.
struct SchemaObject {
    std::string type, name, table, sql;  // sql empty for an index of a primary key
    bool seen = false;
    bool optional = false;
};

std::vector<SchemaObject> drawingSchema()
{
    std::vector<SchemaObject> objects;
    const std::string all = schema::kCreateTables;
    const std::string create = "CREATE TABLE ";
    for (size_t at = 0; at < all.size();) {
        size_t end = all.find(';', at);
        if (end == std::string::npos)
            end = all.size();
        const std::string sql = all.substr(at, end - at);
        const std::string name = sql.substr(create.size(), sql.find(' ', create.size()) - create.size());
        objects.push_back({"table", name, name, sql});
        at = end + 1;
    }
    for (const auto& index : schema::kKeyIndexes)
        objects.push_back({"index", index[0], index[1], ""});
    objects.push_back({"table", schema::kExtrasTable, schema::kExtrasTable, schema::kCreateExtrasTable, false, true});
    return objects;
}

std::string text(sqlite3_stmt* stmt, int column)
{
    const unsigned char* value = sqlite3_column_text(stmt, column);
    return value == nullptr ? std::string()
                            : std::string(reinterpret_cast<const char*>(value), size_t(sqlite3_column_bytes(stmt, column)));
}

std::string kindOf(const std::string& type)
{
    if (type == "index")
        return "an index";
    if (type == "view" || type == "trigger" || type == "table")
        return "a " + type;
    return "something";
}

}  // namespace

void setOpenWorkLimitForTests(long long steps)
{
    g_workLimitForTests = steps > 0 ? (steps + kStepsPerCall - 1) / kStepsPerCall : 0;
}

bool ReadConnection::open(const std::string& path, std::string& reason)
{
    if (!resolveLinks(path, m_path, reason))
        return false;
    unsigned char header[100] = {};
    reason = checkFile(m_path, m_before, header);
    if (!reason.empty())
        return false;
    m_recovering = needsRecovery(m_path, header);
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(m_path.c_str(), &raw,
                                   m_recovering ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY, nullptr);
    m_file.reset(raw);
    if (rc != SQLITE_OK) {
        reason = sqliteMessage(raw, rc);
        return false;
    }
    sqlite3_busy_timeout(raw, kLockWaitMilliseconds);
    sqlite3_db_config(raw, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(raw, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    long long fileSize = 0, logSize = 0;
    sizesNow(m_path, fileSize, logSize);
    m_workLeft = g_workLimitForTests > 0 ? g_workLimitForTests
                                         : kBaseWork + (fileSize + logSize) * kStepsPerByte / kStepsPerCall;
    sqlite3_progress_handler(raw, kStepsPerCall, onProgress, &m_workLeft);
    return true;
}

struct stat ReadConnection::close()
{
    m_file.reset();
    struct stat now = m_before;
    if (m_recovering && ::stat(m_path.c_str(), &now) != 0)
        now = m_before;
    return now;
}

std::string checkDrawingSchema(sqlite3* file, int& rc)
{
    Statement rows = prepareStatement(file, "SELECT type, name, tbl_name, sql FROM sqlite_master", rc);
    if (!rows)
        return std::string();
    std::vector<SchemaObject> expected = drawingSchema();
    bool anyOfADrawing = false;
    std::string problem;
    while ((rc = sqlite3_step(rows.get())) == SQLITE_ROW) {
        const SchemaObject found{text(rows.get(), 0), text(rows.get(), 1), text(rows.get(), 2), text(rows.get(), 3)};
        SchemaObject* mine = nullptr;
        for (SchemaObject& object : expected)
            if (object.name == found.name)
                mine = &object;
        if (mine == nullptr) {
            if (problem.empty())
                problem = "it holds " + kindOf(found.type) + ", which a drawing does not";
            continue;
        }
        anyOfADrawing = true;
        if (problem.empty() && (found.type != mine->type || found.table != mine->table || found.sql != mine->sql))
            problem = mine->type + " " + mine->name + " is not laid out as in a drawing";
        mine->seen = true;
    }
    if (rc != SQLITE_DONE)
        return std::string();
    rc = SQLITE_OK;
    if (!anyOfADrawing)
        return schema::kNotADrawing;
    for (const SchemaObject& object : expected)
        if (problem.empty() && !object.seen && !object.optional)
            problem = "it has no " + object.type + " " + object.name;
    return problem.empty() ? problem : std::string(schema::kNotADrawing) + " (" + problem + ")";
}

std::string readFailure(sqlite3* file, int rc)
{
    switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return "it is in use by another program";
    case SQLITE_INTERRUPT:
        return "the file is damaged (reading it takes more work than a drawing of its size)";
    default:
        return "the file is damaged (" + sqliteMessage(file, rc) + ")";
    }
}

bool sizesNow(const std::string& path, long long& fileSize, long long& logSize)
{
    fileSize = sizeOf(path);
    logSize = sizeOf(path + "-wal");
    if (logSize < 0)
        logSize = 0;
    return fileSize >= 0;
}

}  // namespace vemio
