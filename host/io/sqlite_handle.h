// Small RAII owners of SQLite connections and statements, and the one seam every write
// of a drawing file goes through, so tests can make the N-th SQLite operation fail.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>

namespace vemio {

struct SqliteCloser {
    // close_v2: a connection whose statements are still alive closes when they end.
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using SqliteDb = std::unique_ptr<sqlite3, SqliteCloser>;

struct StatementFinalizer {
    void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// Prepares sql on db; null with rc set when SQLite refuses it.
Statement prepareStatement(sqlite3* db, const char* sql, int& rc);

// The text of a SQLite result code for messages ("database or disk is full").
std::string sqliteMessage(sqlite3* db, int rc);

// ---- the write seam --------------------------------------------------------------------
// Counts the operations of one save. Each call is one operation; an armed test failure
// replaces the operation it falls on, which then does not happen.
class WriteSeam {
public:
    // Starts counting a save from zero.
    WriteSeam();
    int step(sqlite3_stmt* stmt);
    int exec(sqlite3* db, const char* sql);
    // An operation outside SQLite (flushing, renaming): SQLITE_OK or the injected code.
    int other();

private:
    bool failsNow(int& rc);
    int m_count = 0;
};

}  // namespace vemio
