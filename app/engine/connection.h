// The link under a Database, whichever engine holds the data: a data file opened through
// SQLCipher, or a schema of a PostgreSQL server. Everything above it (the translator's rules,
// record sets, saved queries, the optimistic check, errors with their numbers) is shared; what
// differs between the two is behind Connection, Cursor and Dialect.
#pragma once

#include "catalog.h"
#include "dberror.h"

#include <QString>
#include <QVariant>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace engine {

class Dialect;

// Internal tables: the engine's own and ours (saved queries, scratch tables).
bool isInternalTable(const QString& name);

// Encodes a Unicode text to TCVN3 bytes; a character TCVN3 cannot hold raises DbError.
std::string toStored(const QString& text);
QString fromStored(std::string_view bytes);

// One prepared statement on one engine. Parameters are written "?" and numbered from 1.
class Cursor {
public:
    virtual ~Cursor() = default;
    virtual bool step() = 0;  // true while a row is available; throws on failure
    virtual void reset() = 0;
    virtual void bind(int index, const QVariant& value) = 0;  // text must fit TCVN3
    virtual void bindInt(int index, long long value) = 0;
    virtual void bindUtf8(int index, const QString& text) = 0;  // our own bookkeeping texts
    virtual int columnCount() const = 0;
    virtual QVariant column(int index) const = 0;
    virtual long long columnInt(int index) const = 0;
    virtual double columnDouble(int index) const = 0;
    virtual bool columnIsNull(int index) const = 0;
    virtual QString columnName(int index) const = 0;
    virtual QString columnUtf8(int index) const = 0;
    // The field a result column stands for when it is not a column of the record set's table.
    virtual FieldDef columnField(int index) const = 0;
    // A column of the current row as bytes that are equal for two values exactly when they are
    // the same value: a Null is not an empty text, and 5 is the same whether stored as 5 or 5.0.
    virtual std::string image(int index) const = 0;
};

// A prepared statement that is reset after every use, so that no read lock outlives a call.
class Statement {
public:
    Statement(class Connection& connection, std::string_view sql);
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool step() { return cursor_->step(); }
    void reset() { cursor_->reset(); }
    void run();  // runs the statement to its end and resets it

    void bind(int index, const QVariant& value) { cursor_->bind(index, value); }
    void bindInt(int index, long long value) { cursor_->bindInt(index, value); }
    void bindUtf8(int index, const QString& text) { cursor_->bindUtf8(index, text); }

    int columnCount() const { return cursor_->columnCount(); }
    QVariant column(int index) const { return cursor_->column(index); }
    long long columnInt(int index) const { return cursor_->columnInt(index); }
    double columnDouble(int index) const { return cursor_->columnDouble(index); }
    bool columnIsNull(int index) const { return cursor_->columnIsNull(index); }
    QString columnName(int index) const { return cursor_->columnName(index); }
    QString columnUtf8(int index) const { return cursor_->columnUtf8(index); }
    FieldDef columnField(int index) const { return cursor_->columnField(index); }
    // Columns `from` .. `from + count - 1` of the current row, each as its image.
    std::vector<std::string> image(int from, int count) const;

private:
    std::unique_ptr<Cursor> cursor_;
};

// What the shared layers ask of the engine that holds a data file.
class Connection {
public:
    virtual ~Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    virtual std::unique_ptr<Cursor> prepare(std::string_view sql) = 0;
    virtual const Dialect& dialect() const = 0;
    virtual bool isOpen() const = 0;
    virtual void close() = 0;
    // The name the data file was opened by: a path, or a server's address and the file's name.
    const QString& path() const { return path_; }
    bool readOnly() const { return readOnly_; }

    void exec(std::string_view sql);  // runs one statement without results

    // How long a call may wait for other clerks while they make no progress.
    virtual void setBusyTimeout(std::chrono::milliseconds timeout) = 0;

    // Attaches another data file under an alias for the length of one use; the same file
    // attached twice shares the alias. release() detaches when the last user is done.
    virtual QString attach(const QString& path) = 0;
    virtual void release(const QString& alias) = 0;
    virtual void retain(const QString& alias) = 0;  // one more user of an attached alias

    // Runs `work` as one write transaction: other writers of the same data file wait until it
    // ends, readers go on, and a failure undoes all of it.
    template <class F>
    auto writeTransaction(F&& work)
    {
        const bool outermost = !inTransaction();
        if (outermost) beginWrite(true);
        return finish(outermost, work);
    }
    // Runs `work`, which writes rows it names by their keys and checks nothing else, as one
    // transaction. An engine that locks rows by themselves lets other writers of the file go on
    // meanwhile; one that keeps one writer per file takes the file's lock as writeTransaction does.
    template <class F>
    auto rowTransaction(F&& work)
    {
        const bool outermost = !inTransaction();
        if (outermost) beginRowWrite();
        return finish(outermost, work);
    }
    virtual bool inTransaction() const = 0;
    // Counts the writes made through this connection: whether one of our own record sets or
    // statements may have changed a row since another of them read it.
    unsigned long long writeCount() const { return writes_; }

    // Runs `work` in a write transaction if no other writer holds the data file at this moment;
    // returns false (and does nothing) otherwise. For work that may as well be skipped.
    template <class F>
    bool tryWriteTransaction(F&& work)
    {
        if (inTransaction() || !beginWrite(false)) return false;
        const Holding holding(*this, true);
        try {
            work();
            ++writes_;
            commit();
        } catch (...) {
            rollback();
            throw;
        }
        return true;
    }

    // Rows changed by the last INSERT, UPDATE or DELETE, and the row key of the last row added.
    virtual long long changes() = 0;
    virtual long long lastInsertKey() = 0;

    // ---- The catalogue -------------------------------------------------------------------
    // `schema` is empty for the data file itself, else an alias from attach().
    virtual long long schemaVersion() = 0;  // moves whenever a table is made, changed or dropped
    virtual QStringList tableNames(const QString& schema, bool withInternal) = 0;
    virtual bool hasTable(const QString& schema, const QString& table) = 0;
    virtual std::optional<TableDef> tableDef(const QString& schema, const QString& table) = 0;
    virtual void createTable(const TableDef& table) = 0;
    virtual void createIndex(const TableDef& table, const IndexDef& index) = 0;
    // Makes the table anew under a changed definition (a key added, a field's rule changed).
    virtual void alterTable(const TableDef& before, const TableDef& after) = 0;

    // Saved queries, in a bookkeeping table of the data file, names compared without case.
    virtual std::optional<QString> savedQuery(const QString& schema, const QString& name) = 0;
    virtual QStringList savedQueryNames() = 0;
    virtual void writeSavedQuery(const QString& name, const std::optional<QString>& jetSql, bool create) = 0;

    // The next value of a table's counter, taken in the running write transaction; never
    // handed out again. `column` is the counter field.
    virtual qint64 nextCounter(const QString& schema, const QString& table, const QString& column) = 0;
    // The same, taken on its own (for a row about to be added).
    virtual qint64 reserveCounter(const QString& schema, const QString& table, const QString& column);
    // Tells the engine that a table has just been filled in bulk (its planner may want to know).
    virtual void filled(const QString& /*table*/) {}
    // The largest value a table's counter has handed out, rows deleted since included (0: none).
    virtual qint64 counterMark(const QString& table, const QString& column) = 0;
    // Makes a table's counter go on after `mark`, never back: a copied table keeps its numbers.
    virtual void raiseCounter(const QString& table, const QString& column, qint64 mark) = 0;
    // Gives back a counter value taken ahead when no other clerk has taken one since.
    virtual void giveBackCounter(const QString& table, qint64 value) = 0;
    // Whether a counter value may be taken ahead in the write that saves a row.
    virtual bool takesCountersAhead() const = 0;

    // A query of one whole number that moves whenever another connection commits to the data
    // file (or to the attached file `schema`); nullopt when the engine keeps none and every row
    // written after an edit must be compared as stored.
    virtual std::optional<std::string> dataVersionQuery(const QString& schema) const = 0;

    // The engine's own check of the stored data: empty when sound, else what was found first.
    virtual QString checkPages() = 0;

protected:
    Connection(QString path, bool readOnly) : path_(std::move(path)), readOnly_(readOnly) {}

    // Begins a write transaction: waits for other writers, or with `wait` false returns false
    // at once when one holds the data file.
    virtual bool beginWrite(bool wait) = 0;
    // Begins a transaction for rowTransaction.
    virtual void beginRowWrite() { beginWrite(true); }
    virtual void commit() = 0;
    virtual void rollback() = 0;
    // Told when the outermost write transaction begins and ends.
    virtual void holdingWrite(bool /*holding*/) {}

    QString path_;
    bool readOnly_ = false;

private:
    template <class F>
    auto finish(bool outermost, F& work)
    {
        const Holding holding(*this, outermost);
        try {
            if constexpr (std::is_void_v<decltype(work())>) {
                work();
                ++writes_;
                if (outermost) commit();
            } else {
                auto result = work();
                ++writes_;
                if (outermost) commit();
                return result;
            }
        } catch (...) {
            if (outermost) rollback();
            throw;
        }
    }

    struct Holding {
        Connection& c;
        bool set;
        Holding(Connection& conn, bool outermost) : c(conn), set(outermost)
        {
            if (set) c.holdingWrite(true);
        }
        ~Holding()
        {
            if (set) c.holdingWrite(false);
        }
        Holding(const Holding&) = delete;
        Holding& operator=(const Holding&) = delete;
    };
    unsigned long long writes_ = 0;
};

// Opens a data file: a path opens a file, "postgresql://…#name" (or "postgres://…#name") the
// schema `name` of a server database. Never creates one.
std::unique_ptr<Connection> openConnection(const QString& name, bool readOnly, const std::string& passphrase);
// Creates a new, empty data file (or schema on a server).
void createDataFile(const QString& name, const std::string& passphrase);
// Whether a data file's name names a server.
bool isServerName(const QString& name);

}  // namespace engine
