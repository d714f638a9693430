// SQLite statement preparation, messages, and the counted write seam with its test-only
// failure injection.
#include "sqlite_handle.h"

#include "drawing_file.h"

namespace vemio {

namespace {
// The armed failure: the N-th operation of every save (1-based; 0 = never) fails with
// the code. Set only by tests, between saves.
int g_failAt = 0;
int g_failCode = SQLITE_OK;
}  // namespace

void setWriteFailureForTests(int nthStep, int sqliteCode)
{
    g_failAt = nthStep > 0 ? nthStep : 0;
    g_failCode = sqliteCode;
}

Statement prepareStatement(sqlite3* db, const char* sql, int& rc)
{
    sqlite3_stmt* stmt = nullptr;
    rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return nullptr;
    }
    return Statement(stmt);
}

std::string sqliteMessage(sqlite3* db, int rc)
{
    // The connection's message is the more precise one when it belongs to this code.
    if (db != nullptr && sqlite3_errcode(db) == rc)
        return sqlite3_errmsg(db);
    return sqlite3_errstr(rc);
}

WriteSeam::WriteSeam() = default;

bool WriteSeam::failsNow(int& rc)
{
    ++m_count;
    if (g_failAt == 0 || m_count != g_failAt)
        return false;
    rc = g_failCode;
    return true;
}

int WriteSeam::step(sqlite3_stmt* stmt)
{
    int rc = SQLITE_OK;
    return failsNow(rc) ? rc : sqlite3_step(stmt);
}

int WriteSeam::exec(sqlite3* db, const char* sql)
{
    int rc = SQLITE_OK;
    return failsNow(rc) ? rc : sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

int WriteSeam::other()
{
    int rc = SQLITE_OK;
    return failsNow(rc) ? rc : SQLITE_OK;
}

}  // namespace vemio
