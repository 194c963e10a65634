// A data file opened through the adapter: catalogue, SQL in the Jet dialect, record sets and
// saved queries. Every failure is a DbError.
#pragma once

#include "busywait.h"
#include "catalog.h"
#include "dberror.h"
#include "recordset.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace engine {

struct DbState;

class Database {
public:
    // The connect string of every data file.
    static constexpr const char* kConnect = ";pwd=mirokelvas";
    enum class Access { Shared, ReadOnly };

    // Opens an existing file (a path) or a data file on a server ("postgresql://host/db#name",
    // see the README); never creates one.
    explicit Database(const QString& path, Access access = Access::Shared, const QString& connect = kConnect);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Creates a new, empty data file keyed with the connect string's password.
    static void createFile(const QString& path, const QString& connect = kConnect);
    // Whether a data file's name is a path in a folder, which can be looked at before it is
    // opened (false for one kept by a server: opening it tells).
    static bool IsPath(const QString& name);
    // The name of the data file called `file` (say "zelttk.mdb") in the same place as `name`: its
    // folder, or its server database.
    static QString Beside(const QString& name, const QString& file);
    // Removes data files: a file from its folder, a server's data files from it (those of one
    // server in one transaction). Names that are not there are passed over.
    static void dropFiles(const QStringList& names);
    // Renames data files, each to a name not in use; a server's are renamed in one transaction.
    static void renameFiles(const std::vector<std::pair<QString, QString>>& renames);
    // The password of a connect string such as ";pwd=secret".
    static QString passwordOf(const QString& connect);

    // The engine's check of every page of the file (a quick check: each page read and each
    // table's and index's tree walked): empty when the file is sound, else what was found first.
    QString CheckPages();

    void Close();
    bool isOpen() const;
    QString Name() const;
    bool readOnly() const;

    // Catalogue. Our own bookkeeping tables are not listed.
    QStringList TableNames() const;
    bool HasTable(const QString& name) const;
    TableDef TableDefOf(const QString& name) const;
    void CreateTable(const TableDef& table);
    void CreateIndex(const QString& table, const IndexDef& index);
    void SetAllowZeroLength(const QString& table, const QString& field, bool allow);

    // Runs `work` as one write transaction: it takes the file's write lock at once, other clerks
    // can still read, no other writer commits until it ends, and a failure undoes all of it
    // (also in files attached by statements that name a path).
    void WriteTransaction(const std::function<void()>& work);

    // Keeps another data file attached while the returned token lives, so that statements naming
    // its path can run inside one WriteTransaction (files cannot be attached within one).
    std::shared_ptr<void> KeepAttached(const QString& path);

    // Runs one action statement; returns the number of rows it changed.
    long Execute(const QString& jetSql);

    // A table name, a saved query name or SQL text.
    std::unique_ptr<Recordset> OpenRecordset(const QString& source, RecordsetType type = RecordsetType::Dynaset);

    // Saved queries, kept in the file in the Jet dialect.
    QStringList QueryDefNames() const;
    bool HasQueryDef(const QString& name) const;
    QString QueryDefSql(const QString& name) const;
    void SetQueryDefSql(const QString& name, const QString& jetSql);
    void CreateQueryDef(const QString& name, const QString& jetSql);
    void DeleteQueryDef(const QString& name);

    std::shared_ptr<DbState> state() const { return state_; }

private:
    std::shared_ptr<DbState> state_;
};

// Copies every table (its fields, keys, indexes and rows, ids kept) and every saved query of
// `from` into `to`, which must hold none of those tables: all of it in one write of `to`, so that
// a failure leaves `to` as it was. Either may be a file or a data file on a server.
// `onTable` is told of each table as its copy begins.
void CopyDataFile(Database& from, Database& to, const std::function<void(const QString& table)>& onTable = {});

// What a data file holds, table by table (in order of their names, letter case ignored): its
// rows, counted, and a checksum of every row's values that depends neither on the engine nor on
// the rows' order, so that two copies of a file can be compared row for row.
struct TableContents {
    QString table;
    long long rows = 0;
    QByteArray checksum;
    bool operator==(const TableContents&) const = default;
};
std::vector<TableContents> Contents(Database& db);

}  // namespace engine
