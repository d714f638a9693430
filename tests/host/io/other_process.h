// Other programs at a drawing file, for the drawing-file tests: a SQLite writer that is
// killed in the middle of its work (its journal files stay beside the file), and a
// piece of work run in a child process with a time limit, so that a test of something
// that might hang fails instead.
#pragma once

#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

// Runs sql on the file in a child process, which then ends at once without closing the
// file, as a writer killed at that moment would. True when all of sql ran.
inline bool killedAfter(const std::string& path, const std::string& sql)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        sqlite3* db = nullptr;
        if (sqlite3_open(path.c_str(), &db) != SQLITE_OK)
            ::_exit(2);
        ::_exit(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK ? 0 : 3);
    }
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A writer in WAL mode that committed changes and was killed before they reached the
// file itself: they live only in NAME-wal.
inline bool killedWalWriter(const std::string& path, const std::string& changes)
{
    return killedAfter(path, "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0; " + changes);
}

// A writer killed in the middle of a transaction too large for its page cache: pages of
// the file are already overwritten and NAME-journal is hot, holding what they were.
inline bool killedMidTransaction(const std::string& path)
{
    return killedAfter(path, "PRAGMA cache_size=10; BEGIN; DELETE FROM graphics;"
                             " UPDATE objects SET record = zeroblob(100000);"
                             " INSERT INTO graphics VALUES (999999, zeroblob(3000000));");
}

inline bool fileExists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// Runs work in a child process that may take at most seconds; true when it returned
// true in time. Output of the child goes where the test's goes.
inline bool finishesWithin(int seconds, const std::function<bool()>& work)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::alarm(unsigned(seconds));
        ::_exit(work() ? 0 : 1);
    }
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
