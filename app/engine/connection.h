// The SQLCipher connection under a Database: opening with the key, the shared-file settings,
// attached files, our SQL functions and the mapping of engine failures to DbError.
#pragma once

#include "busywait.h"
#include "dberror.h"

#include <QString>
#include <QVariant>

#include <chrono>
#include <map>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace engine {

// Raises the DbError that an engine result code means. `what` names the work under way.
[[noreturn]] void raiseEngineError(sqlite3* db, int rc, const QString& what);

// A prepared statement that is reset after every use, so that no read lock outlives a call.
// It holds exactly one statement: text after it (other than blanks and one ";") is refused.
class Statement {
public:
    Statement(sqlite3* db, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Steps once; true while a row is available. Throws on failure (and resets the statement).
    bool step();
    void reset();
    // Runs the statement to its end and resets it.
    void run();

    void bind(int index, const QVariant& value);  // 1-based; text is stored as TCVN3
    void bindInt(int index, long long value);
    void bindBytes(int index, std::string_view bytes);

    int columnCount() const;
    QVariant column(int index) const;  // text decoded from TCVN3
    long long columnInt(int index) const;
    bool columnIsNull(int index) const;
    QString columnName(int index) const;
    sqlite3_stmt* get() const { return stmt_; }

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// How a connection waits for other clerks. A call that meets a lock sleeps in jittered steps of
// a few milliseconds and tries again for as long as the files it uses keep changing, that is,
// while the clerk holding the lock gets on with the work; it gives up (ErrBusy) only when
// nothing has changed for the whole timeout. A wait that lasts is reported to the busy-wait
// observer.
class BusyWaiter {
public:
    using Clock = std::chrono::steady_clock;

    // Called by the engine each time a call meets a lock; `count` is 0 on the first try.
    // Returns false to give up.
    bool wait(int count);

    std::chrono::milliseconds timeout{8000};  // with no progress by others
    bool noWait = false;              // give up at once (for work that may be skipped)
    std::vector<std::string> files;   // the data file and the files attached to it
    // Set while the connection has begun its write transaction: it then waits only for readers
    // to leave before it commits, and tries again at once.
    bool holdsWriteLock = false;

private:
    std::vector<long long> stamp() const;
    Clock::time_point started_, lastProgress_, lastLook_;
    std::vector<long long> stamp_;
};

// Encodes a Unicode text to TCVN3 bytes; a character TCVN3 cannot hold raises DbError.
std::string toStored(const QString& text);
QString fromStored(std::string_view bytes);

class Connection {
public:
    // Opens an existing file with the passphrase. Never creates a file.
    Connection(const QString& path, bool readOnly, const std::string& passphrase);
    // Creates a new, empty file keyed with the passphrase.
    static void createFile(const QString& path, const std::string& passphrase);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* db() const;  // throws when closed
    bool isOpen() const { return db_ != nullptr; }
    void close();
    const QString& path() const { return path_; }
    bool readOnly() const { return readOnly_; }

    void exec(std::string_view sql);  // runs one statement without results

    // How long a call may wait for other clerks while they make no progress.
    void setBusyTimeout(std::chrono::milliseconds timeout) { waiter_.timeout = timeout; }

    // Attaches another data file under an alias for the length of one use; the same file
    // attached twice shares the alias. release() detaches when the last user is done.
    QString attach(const QString& path);
    void release(const QString& alias);
    void retain(const QString& alias);  // one more user of an attached alias

    // Runs `work` inside BEGIN IMMEDIATE ... COMMIT (rolled back on failure).
    template <class F>
    auto writeTransaction(F&& work)
    {
        const bool outermost = !inTransaction();
        if (outermost) exec("BEGIN IMMEDIATE");
        const HoldingWriteLock holding(waiter_, outermost);
        try {
            if constexpr (std::is_void_v<decltype(work())>) {
                work();
                ++writes_;
                if (outermost) exec("COMMIT");
            } else {
                auto result = work();
                ++writes_;
                if (outermost) exec("COMMIT");
                return result;
            }
        } catch (...) {
            if (outermost) rollback();
            throw;
        }
    }
    bool inTransaction() const;
    // Counts the writes made through this connection. The file's data version moves only for
    // other connections' commits; this tells whether one of our own record sets or statements
    // may have changed a row since another of them read it.
    unsigned long long writeCount() const { return writes_; }

    // Runs `work` in a write transaction if the file's write lock is free at once; returns false
    // (and does nothing) when another clerk holds it. For work that may as well be skipped.
    template <class F>
    bool tryWriteTransaction(F&& work)
    {
        if (inTransaction()) return false;
        waiter_.noWait = true;
        try {
            exec("BEGIN IMMEDIATE");
        } catch (const DbError&) {
            waiter_.noWait = false;
            return false;
        }
        waiter_.noWait = false;
        const HoldingWriteLock holding(waiter_, true);
        try {
            work();
            ++writes_;
            exec("COMMIT");
        } catch (...) {
            rollback();
            throw;
        }
        return true;
    }

private:
    void rollback();
    void upgradeCollation();

    struct HoldingWriteLock {
        BusyWaiter& waiter;
        bool set;
        HoldingWriteLock(BusyWaiter& w, bool outermost) : waiter(w), set(outermost)
        {
            if (set) waiter.holdsWriteLock = true;
        }
        ~HoldingWriteLock()
        {
            if (set) waiter.holdsWriteLock = false;
        }
        HoldingWriteLock(const HoldingWriteLock&) = delete;
        HoldingWriteLock& operator=(const HoldingWriteLock&) = delete;
    };

    struct Attached {
        QString alias;
        int users = 0;
    };
    sqlite3* db_ = nullptr;
    QString path_;
    bool readOnly_ = false;
    std::string passphrase_;
    std::map<QString, Attached> attached_;  // by canonical path
    int nextAlias_ = 1;
    unsigned long long writes_ = 0;
    bool oldCollation_ = false;  // NOCASE compares by our rule (see useOldTextCollation)
    BusyWaiter waiter_;  // the engine holds its address as long as the connection is open
};

}  // namespace engine
