// The SQLite connection through which OPEN reads a drawing file. A file alone is opened
// read-only and left exactly as it was. A file with a killed writer's journals beside
// it (or in WAL mode) is opened for writing, so that SQLite applies what was committed
// and rolls back what was not; closing it then puts everything in the file and removes
// the journals. The work of reading is bounded by the size of the file, and before
// anything is read the file must hold exactly the tables of a drawing: no views,
// triggers or other tables, whose queries could run without end.
#pragma once

#include <sys/stat.h>

#include <string>

#include "sqlite_handle.h"

namespace vemio {

class ReadConnection {
public:
    ReadConnection() = default;
    ReadConnection(const ReadConnection&) = delete;
    ReadConnection& operator=(const ReadConnection&) = delete;

    // Opens the file path names (symbolic links followed); false with the reason when
    // it is missing, not a regular file, or not a SQLite database.
    bool open(const std::string& path, std::string& reason);
    sqlite3* get() const { return m_file.get(); }
    // The file opened, links followed.
    const std::string& path() const { return m_path; }

    // Closes the connection (no statement of it may be left) and gives the file's
    // status as this reader leaves it.
    struct stat close();

private:
    SqliteDb m_file;
    std::string m_path;
    struct stat m_before = {};
    bool m_recovering = false;
    long long m_workLeft = 0;
};

// Why the open file's tables are not exactly those of a drawing ("not a VEM drawing
// (...)"), or the SQLite code in rc when they cannot be read; empty when they are.
std::string checkDrawingSchema(sqlite3* file, int& rc);

// The reason for a SQLite failure while reading: a lock of another writer, the bound
// on the work, or damage.
std::string readFailure(sqlite3* file, int rc);

// The file's size now, with its write-ahead log; false when it cannot be told.
bool sizesNow(const std::string& path, long long& fileSize, long long& logSize);

}  // namespace vemio
