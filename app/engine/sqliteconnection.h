// A data file opened through SQLCipher: the key, the shared-file settings, attached files, our
// SQL functions and the mapping of the engine's failures to DbError.
#pragma once

#include "busywait.h"
#include "connection.h"

#include <chrono>
#include <map>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace engine {

// Raises the DbError that an engine result code means. `what` names the work under way.
[[noreturn]] void raiseEngineError(sqlite3* db, int rc, const QString& what);

// A prepared SQLite statement. It holds exactly one statement: text after it (other than
// blanks and one ";") is refused. Text is stored as TCVN3.
class SqliteCursor final : public Cursor {
public:
    SqliteCursor(sqlite3* db, std::string_view sql);
    ~SqliteCursor() override;
    SqliteCursor(const SqliteCursor&) = delete;
    SqliteCursor& operator=(const SqliteCursor&) = delete;

    bool step() override;
    void reset() override;
    void run();
    void bind(int index, const QVariant& value) override;
    void bindInt(int index, long long value) override;
    void bindUtf8(int index, const QString& text) override;
    void bindBytes(int index, std::string_view bytes);
    int columnCount() const override;
    QVariant column(int index) const override;
    long long columnInt(int index) const override;
    double columnDouble(int index) const override;
    bool columnIsNull(int index) const override;
    QString columnName(int index) const override;
    QString columnUtf8(int index) const override;
    FieldDef columnField(int index) const override;
    std::string image(int index) const override;
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

// SQLite declaration of one field, as the year tables and the template are created.
// `primaryName` names the primary key when this field alone carries it.
std::string columnDeclaration(const FieldDef& field, const QString& primaryName = QString());

// The field that a SQLite declaration stands for (the inverse of columnDeclaration). `rowidKey`
// tells that the column is the table's integer key; `tableSql` is the table's CREATE text.
FieldDef fieldFromDeclaration(const QString& name, const QString& declared, bool rowidKey = false,
                              const QString& tableSql = QString());

// Double-quoted SQLite identifier.
std::string quoteIdent(const QString& name);

class SqliteConnection final : public Connection {
public:
    // Opens an existing file with the passphrase. Never creates a file.
    SqliteConnection(const QString& path, bool readOnly, const std::string& passphrase);
    // Creates a new, empty file keyed with the passphrase.
    static void createFile(const QString& path, const std::string& passphrase);
    ~SqliteConnection() override;

    std::unique_ptr<Cursor> prepare(std::string_view sql) override;
    const Dialect& dialect() const override;
    bool isOpen() const override { return db_ != nullptr; }
    void close() override;
    void setBusyTimeout(std::chrono::milliseconds timeout) override { waiter_.timeout = timeout; }
    QString attach(const QString& path) override;
    void release(const QString& alias) override;
    void retain(const QString& alias) override;
    bool inTransaction() const override;
    long long changes() override;
    long long lastInsertKey() override;

    long long schemaVersion() override;
    QStringList tableNames(const QString& schema, bool withInternal) override;
    bool hasTable(const QString& schema, const QString& table) override;
    std::optional<TableDef> tableDef(const QString& schema, const QString& table) override;
    void createTable(const TableDef& table) override;
    void createIndex(const TableDef& table, const IndexDef& index) override;
    void alterTable(const TableDef& before, const TableDef& after) override;
    std::optional<QString> savedQuery(const QString& schema, const QString& name) override;
    QStringList savedQueryNames() override;
    void writeSavedQuery(const QString& name, const std::optional<QString>& jetSql, bool create) override;
    qint64 nextCounter(const QString& schema, const QString& table, const QString& column) override;
    qint64 counterMark(const QString& table, const QString& column) override;
    void raiseCounter(const QString& table, const QString& column, qint64 mark) override;
    void giveBackCounter(const QString& table, qint64 value) override;
    bool takesCountersAhead() const override { return true; }
    std::optional<std::string> dataVersionQuery(const QString& schema) const override;
    QString checkPages() override;

    sqlite3* db() const;  // throws when closed

protected:
    bool beginWrite(bool wait) override;
    void commit() override;
    void rollback() override;
    void holdingWrite(bool holding) override { waiter_.holdsWriteLock = holding; }

private:
    void upgradeCollation();
    std::string prefix(const QString& schema) const;

    struct Attached {
        QString alias;
        int users = 0;
    };
    sqlite3* db_ = nullptr;
    std::string passphrase_;
    std::map<QString, Attached> attached_;  // by canonical path
    int nextAlias_ = 1;
    bool oldCollation_ = false;  // NOCASE compares by our rule (see useOldTextCollation)
    BusyWaiter waiter_;  // the engine holds its address as long as the connection is open
};

}  // namespace engine
