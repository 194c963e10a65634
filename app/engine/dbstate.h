// What a Database and its record sets share: the connection, the schema caches and the
// translator's view of the file.
#pragma once

#include "catalog.h"
#include "database.h"
#include "connection.h"
#include "dialect.h"
#include "jetsql.h"

#include <QHash>
#include <QSet>

#include <map>
#include <memory>
#include <string>

namespace engine {

struct DbState final : SchemaContext {
    explicit DbState(std::unique_ptr<Connection> link) : owned(std::move(link)), conn(*owned) {}

    std::unique_ptr<Connection> owned;
    Connection& conn;

    // SchemaContext
    void prepare() override { refreshSchema(); }
    bool isTextColumn(const QString& column) override;
    bool hasTable(const QString& schema, const QString& table) override;
    std::optional<QString> savedQuery(const QString& schema, const QString& name) override;
    QList<FieldDef> tableFields(const QString& schema, const QString& table) override;
    QString attach(const QString& path) override;
    void release(const QString& alias) override;
    const Dialect& dialect() override { return conn.dialect(); }
    bool isForeignPath(const QString& path) override;
    bool isForeign(const QString& alias) override { return foreignAliases_.count(alias) > 0; }
    std::string foreignTable(const QString& alias, const QString& table) override;
    QString foreignPath(const QString& alias) override { return foreignAliases_.at(alias).path; }

    // A data file held by another engine, opened once and kept while this one is open.
    Database& foreign(const QString& path);
    void retain(const QString& alias);

    TableDef tableDef(const QString& schema, const QString& table);
    QStringList tableNames(const QString& schema);
    void refreshSchema();  // re-reads the caches when the file's schema has changed
    void releaseAll(const QStringList& aliases)
    {
        for (const QString& a : aliases) release(a);
    }

    // Counter values taken ahead, in the write that saved the previous new row, for the next
    // AddNew on the same table (the table's name as stored -> id), so that adding a row costs
    // one write. They are held in the file's sequence like any other id.
    std::map<QString, qint64> spareIds;
    // Hands unused spare ids back when no other clerk has taken an id since, then closes.
    void close();

private:
    struct ForeignAlias {
        QString path;
        int users = 0;
        std::map<QString, std::string> tables;  // lower-cased name -> its scratch copy here
    };
    std::map<QString, ForeignAlias> foreignAliases_;
    std::map<QString, std::unique_ptr<Database>> foreign_;  // by path
    int nextForeign_ = 1;
    QSet<QString> foreignText_;  // text fields of the tables copied from other engines

    long long schemaVersion_ = -1;
    QHash<QString, QString> tables_;  // lower-cased name -> name, of the file itself
    QSet<QString> textColumns_;       // lower-cased names of text fields in any table
};

}  // namespace engine
