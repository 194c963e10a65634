// What a Database and its record sets share: the connection, the schema caches and the
// translator's view of the file.
#pragma once

#include "catalog.h"
#include "connection.h"
#include "jetsql.h"

#include <QHash>
#include <QSet>

#include <map>
#include <memory>
#include <string>

namespace engine {

struct DbState final : SchemaContext {
    DbState(const QString& path, bool readOnly, const std::string& passphrase)
        : conn(path, readOnly, passphrase)
    {
    }

    Connection conn;

    // SchemaContext
    void prepare() override { refreshSchema(); }
    bool isTextColumn(const QString& column) override;
    bool hasTable(const QString& schema, const QString& table) override;
    std::optional<QString> savedQuery(const QString& schema, const QString& name) override;
    QList<FieldDef> tableFields(const QString& schema, const QString& table) override;
    QString attach(const QString& path) override { return conn.attach(path); }
    void release(const QString& alias) override { conn.release(alias); }

    TableDef tableDef(const QString& schema, const QString& table);
    QStringList tableNames(const QString& schema);
    void refreshSchema();  // re-reads the caches when the file's schema has changed
    void releaseAll(const QStringList& aliases)
    {
        for (const QString& a : aliases) conn.release(a);
    }

    // Counter values taken ahead, in the write that saved the previous new row, for the next
    // AddNew on the same table (the table's name as stored -> id), so that adding a row costs
    // one write. They are held in the file's sequence like any other id.
    std::map<std::string, qint64> spareIds;
    // Hands unused spare ids back when no other clerk has taken an id since, then closes.
    void close();

private:
    long long schemaVersion_ = -1;
    QHash<QString, QString> tables_;  // lower-cased name -> name, of the file itself
    QSet<QString> textColumns_;       // lower-cased names of text fields in any table
};

// Internal tables: the engine's own and ours (saved queries, scratch tables).
bool isInternalTable(const QString& name);

}  // namespace engine
