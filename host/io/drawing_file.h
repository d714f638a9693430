// Drawing files (.vdb): saving a database to a SQLite file and opening one again.
// Objects whose class is missing, or whose record does not read, come back as proxies
// that keep their bytes, so a drawing loses nothing on a host without its modules.
#pragma once

#include <memory>
#include <string>

#include "dbmain.h"
#include "vemio_port.h"

namespace vemio {

// Whether a save keeps the file it replaces, as NAME.bak beside it.
enum class Backup { kNone, kKeep };

// Saves every object of db that is not erased to path. The file is written beside the
// target and renamed over it only once complete, so on any failure the previous file
// is untouched; false then, with a message in error. Objects may be open for read,
// not for write. With kKeep the replaced file becomes backupPathOf(path), replacing
// the .bak there only once the new file is in place; should that last rename fail,
// the save still succeeds with a warning in error.
VEMIO_PORT bool saveDrawing(AcDbDatabase* db, const std::string& path, std::string& error,
                            Backup backup = Backup::kNone);

// The .bak of a drawing: its name with the extension (if any) replaced by ".bak".
VEMIO_PORT std::string backupPathOf(const std::string& path);

// Reads the drawing at path into a new database (not the working one). Null, with a
// message in error, for a missing file, a file that is not a drawing, a drawing of a
// newer format or a damaged one.
VEMIO_PORT std::unique_ptr<AcDbDatabase> openDrawing(const std::string& path, std::string& error);

// Whether the file at path is no longer what db was last opened from or saved to:
// another program wrote it, or put another file in its place, since. False when db
// was never opened from or saved to that file (symbolic links followed), and when the
// file is gone.
VEMIO_PORT bool changedOnDisk(const AcDbDatabase* db, const std::string& path);

// Test only: makes the nth operation (SQLite step or exec, the final flush, keeping the
// previous file and the rename; counted from 1 in each save) of every later save fail with sqliteCode. 0 disarms.
VEMIO_PORT void setWriteFailureForTests(int nthStep, int sqliteCode);

// Test only: the work an open may do, in SQLite steps, whatever the size of the file.
// 0 restores the bound that grows with the file's size.
VEMIO_PORT void setOpenWorkLimitForTests(long long steps);

}  // namespace vemio
