// The SQLCipher connection under a Database: opening with the key, the shared-file settings,
// attached files, our SQL functions and the mapping of engine failures to DbError.
#pragma once

#include "dberror.h"

#include <QString>
#include <QVariant>

#include <map>
#include <string>
#include <string_view>
#include <type_traits>

struct sqlite3;
struct sqlite3_stmt;

namespace engine {

// Raises the DbError that an engine result code means. `what` names the work under way.
[[noreturn]] void raiseEngineError(sqlite3* db, int rc, const QString& what);

// A prepared statement that is reset after every use, so that no read lock outlives a call.
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

    void exec(std::string_view sql);  // runs one or more statements without results

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
        try {
            if constexpr (std::is_void_v<decltype(work())>) {
                work();
                if (outermost) exec("COMMIT");
            } else {
                auto result = work();
                if (outermost) exec("COMMIT");
                return result;
            }
        } catch (...) {
            if (outermost) rollback();
            throw;
        }
    }
    bool inTransaction() const;

private:
    void rollback();

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
};

}  // namespace engine
