// A record set over a table, a saved query or SQL text.
//
// A dynaset keeps the row ids of its rows and reads a row when it becomes current, so that it
// holds no lock between calls and sees other clerks' changes to its rows. A snapshot copies its
// rows when it opens and cannot be written. Sources that are not one table (joins, DISTINCT,
// grouping) open as snapshots whatever was asked for.
#pragma once

#include "catalog.h"
#include "dberror.h"

#include <QHash>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace engine {

class Statement;
struct DbState;

enum EditModeValue { EditNone = 0, EditInProgress = 1, EditAdd = 2 };

class Recordset {
public:
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    RecordsetType type() const { return type_; }
    bool Updatable() const { return base_.has_value(); }

    // Position. Eof()/Bof() are the end-of-file and beginning-of-file flags.
    bool Eof() const;
    bool Bof() const;
    long RecordCount() const;
    long AbsolutePosition() const;  // 0-based; -1 when there is no current row
    void SetAbsolutePosition(long position);
    qint64 Bookmark() const;
    void SetBookmark(qint64 bookmark);
    // Whether a row with this bookmark is one of the set's rows (a row deleted or not listed is not).
    bool HoldsBookmark(qint64 bookmark) const;
    bool Bookmarkable() const { return true; }
    qint64 LastModified() const;
    int EditMode() const { return editMode_; }
    bool NoMatch() const { return noMatch_; }

    void MoveFirst();
    void MoveLast();
    void MoveNext();
    void MovePrevious();

    // Criteria are written like a WHERE clause: "hoten='An' or tentrenmang='an'".
    void FindFirst(const QString& criteria);
    void FindLast(const QString& criteria);
    void FindNext(const QString& criteria);
    void FindPrevious(const QString& criteria);

    void AddNew();
    void Edit();
    // Writes the row. `check`, when given, runs first inside the same write transaction, with the
    // file locked against other writers: whatever it throws undoes the write and leaves the record
    // set adding or editing as before, so that a caller can refuse a row that depends on what
    // other clerks wrote (a number already taken, say).
    void Update(const std::function<void()>& check = {});
    void CancelUpdate();
    // Deletes the current row. `check`, when given, runs first inside the delete's write
    // transaction (as for Update): whatever it throws leaves the row in place.
    void Delete(const std::function<void()>& check = {});
    void Requery();
    std::unique_ptr<Recordset> Clone() const;
    void Close();

    // Fields of the current row (or of the row being added or edited).
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    QStringList FieldNames() const;
    const FieldDef& FieldInfo(const QString& name) const;
    QVariant Field(const QString& name) const;
    QVariant operator[](const QString& name) const { return Field(name); }
    // Update after Edit fails with ErrChangedByOther when another clerk changed a field written
    // here since this record set read the row: nothing is overwritten unseen.
    void SetField(const QString& name, const QVariant& value);
    // A value that is the writer's own bookkeeping (a backup mark, the copy of the key): whatever
    // another clerk left in it, this write sets it without counting that as a conflict.
    void SetBookkeeping(const QString& name, const QVariant& value);
    // Writes one field of the current row straight into the file.
    void Collect(const QString& name, const QVariant& value);

private:
    friend class Database;
    Recordset(std::shared_ptr<DbState> state, const QString& sql, RecordsetType type);
    Recordset(const Recordset& other, bool /*clone*/);

    struct Column {
        FieldDef def;
        bool writable = false;  // a column of the base table
        int tableColumn = -1;   // its place among the table's columns
    };

    void open();
    void loadKeys();
    void describe(Statement& st, int columns, const TableDef* def);
    void checkOpen() const;
    void requireCurrent() const;
    int fieldIndex(const QString& name) const;
    const std::vector<QVariant>& currentRow() const;
    qint64 currentKey() const;
    long indexOfKey(qint64 key) const;
    void find(const QString& criteria, bool forward, bool fromCurrent);
    std::optional<long> findInBase(const std::string& condition, bool forward, long start);
    std::optional<long> findByEvaluation(const std::string& condition, bool forward, long start);
    QVariant checkedValue(int index, const QVariant& value) const;
    qint64 reserveCounter();
    qint64 nextCounter();
    void writeRow(const std::function<void()>& check);
    void setField(const QString& name, const QVariant& value, bool checked);
    bool changedByOther(const std::vector<std::string>& now, const std::vector<std::size_t>& columns) const;
    std::string fetchSql() const;
    Statement* versionStatement(std::unique_ptr<Statement>& slot) const;
    Statement& cached(std::unique_ptr<Statement>& slot, const std::string& sql) const;
    Statement& writeStatement(const std::string& sql);

    std::shared_ptr<DbState> state_;
    QString sql_;
    RecordsetType type_;
    std::string selectSql_;
    QStringList aliases_;

    struct Base {
        std::string table;  // as written in SQL
        QString schema;
        QString name;
        std::string columns;
        std::string rest;
        int counterField = -1;
        std::string allColumns;  // every column of the table, for comparing a row as stored
        int allCount = 0;
        QString tableName;       // the table's name as the file spells it
        std::string key;         // what keys its rows (see Dialect::rowKey)
    };
    std::optional<Base> base_;

    std::vector<Column> fields_;
    QHash<QString, int> fieldByName_;  // lower-cased

    std::vector<qint64> keys_;                      // dynaset: row ids in order
    std::vector<std::vector<QVariant>> rows_;       // snapshot: the rows
    bool keysAscending_ = true;
    long pos_ = -1;                                 // -1 before the first row; size() after the last
    bool currentDeleted_ = false;
    mutable std::vector<QVariant> row_;             // the current dynaset row, as read
    mutable qint64 rowKey_ = 0;
    mutable bool rowValid_ = false;
    // The same row as stored, all of the table's columns (see storedImage), the file's data
    // version and the connection's write count it was read at: what Update checks that no other
    // clerk, and no other record set of the same file, has changed meanwhile.
    mutable std::vector<std::string> rowImage_;
    mutable long long rowVersion_ = 0;
    mutable unsigned long long rowWrites_ = 0;
    std::vector<std::string> editImage_;
    long long editVersion_ = 0;
    unsigned long long editWrites_ = 0;

    int editMode_ = EditNone;
    std::vector<QVariant> buffer_;
    std::vector<bool> dirty_;
    std::vector<bool> guarded_;  // written with SetField: checked against other clerks' changes
    qint64 addKey_ = 0;
    qint64 lastModified_ = -1;
    bool noMatch_ = false;
    bool closed_ = false;

    mutable std::unique_ptr<Statement> fetch_;
    mutable std::unique_ptr<Statement> version_;
    // Prepared writes, kept (and reset after each use) so that repeated adds cost one step each.
    std::map<std::string, std::unique_ptr<Statement>> writeStatements_;
};

}  // namespace engine
