// The Jet-dialect translator: turns the SQL and criteria texts that the windows write into
// SQLite statements over our files.
#pragma once

#include "catalog.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

namespace engine {

// Doubles the single quotes of a value that code places between quotes inside SQL or criteria.
// Every such value goes through here: "O'Brien" becomes "O''Brien".
QString escapeQuotes(const QString& value);

// What the translator asks of the open file. `schema` is empty for the file itself, otherwise
// the alias under which another file is attached.
class SchemaContext {
public:
    virtual ~SchemaContext() = default;
    virtual void prepare() {}  // called before each statement is translated
    virtual bool isTextColumn(const QString& column) = 0;
    virtual bool hasTable(const QString& schema, const QString& table) = 0;
    virtual std::optional<QString> savedQuery(const QString& schema, const QString& name) = 0;
    virtual QList<FieldDef> tableFields(const QString& schema, const QString& table) = 0;
    // Attaches the file at `path` for this statement and returns its alias.
    virtual QString attach(const QString& path) = 0;
    virtual void release(const QString& alias) = 0;
};

struct Translation {
    enum class Kind { Query, Action, CreateIndex };
    Kind kind = Kind::Action;
    std::vector<std::string> statements;  // SQLite text with TCVN3 literals, run in order
    QStringList aliases;                  // files attached for it; released after use

    // Queries over one table, which a dynaset can key by row id.
    struct Base {
        std::string table;    // the table as written in SQLite, schema-qualified when attached
        QString schema;       // empty for the file itself
        QString tableName;
        std::string columns;  // the select list
        std::string rest;     // WHERE and ORDER BY, translated
    };
    std::optional<Base> base;

    // CREATE INDEX: carried out by the database, which may have to rebuild the table.
    QString indexTable;
    IndexDef index;
};

// Translates one statement. Throws DbError(ErrSyntax) on text it cannot read.
Translation translateJet(const QString& jetSql, SchemaContext& context);

// Translates a criteria text (a WHERE condition without the word WHERE).
std::string translateCriteria(const QString& criteria, SchemaContext& context, QStringList* aliases);

// SQLite declaration of one field, as the year tables and the template are created.
// `primaryName` names the primary key when this field alone carries it.
std::string columnDeclaration(const FieldDef& field, const QString& primaryName = QString());

// The field that a SQLite declaration stands for (the inverse of columnDeclaration). `rowidKey`
// tells that the column is the table's integer key; `tableSql` is the table's CREATE text.
FieldDef fieldFromDeclaration(const QString& name, const QString& declared, bool rowidKey = false,
                              const QString& tableSql = QString());

// Double-quoted SQLite identifier.
std::string quoteIdent(const QString& name);

}  // namespace engine
