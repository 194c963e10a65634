// The Jet-dialect translator: turns the SQL and criteria texts that the windows write into
// statements of the engine that holds the file (see Dialect).
#pragma once

#include "catalog.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

namespace engine {

class Dialect;

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
    // How statements are spelled for the engine that holds the file.
    virtual const Dialect& dialect() = 0;
    // Whether a file named by path is held by another engine (a file beside a server's data, or
    // a server's beside a file): its rows then cross over (see Translation::Transfer).
    virtual bool isForeignPath(const QString& /*path*/) { return false; }
    // A table of a file attached under a foreign alias, copied into a scratch table here for the
    // length of the use: how a statement names the copy.
    virtual bool isForeign(const QString& /*alias*/) { return false; }
    virtual std::string foreignTable(const QString& alias, const QString& table) = 0;
    // The path of the file attached under a foreign alias.
    virtual QString foreignPath(const QString& /*alias*/) { return QString(); }
};

struct Translation {
    enum class Kind { Query, Action, CreateIndex };
    Kind kind = Kind::Action;
    std::vector<std::string> statements;  // in the engine's dialect, run in order
    QStringList aliases;                  // files attached for it; released after use

    // Queries over one table, which a dynaset can key by row id.
    struct Base {
        std::string table;    // the table as written in the statement, schema-qualified when attached
        QString schema;       // empty for the file itself
        QString tableName;
        std::string columns;  // the select list
        std::string rest;     // WHERE and ORDER BY, translated
    };
    std::optional<Base> base;

    // INSERT ... SELECT and SELECT ... INTO between two engines: the rows are read on one side
    // and written on the other, inside the writing side's transaction.
    struct Transfer {
        QString sourcePath;      // the data file the SELECT (`select`, in Jet) runs on; empty: here
        QString select;
        std::string selectSql;   // the SELECT translated here, when it runs here
        QString targetPath;      // the data file the rows go into; empty: here (as `target`)
        QString targetTable;
        std::string target;
        QStringList columns;     // the target's fields by name; empty: in order
        bool create = false;     // SELECT ... INTO: the table is made first,
        QString createFrom;      // with this source table's fields (else the result's columns)
    };
    std::optional<Transfer> transfer;

    // A joined UPDATE whose target lies in a file of the other engine: `select`, run here, gives
    // each target key (jet_key) its new values (v0, v1, ...); the rows are changed over there.
    struct ForeignUpdate {
        std::string select;
        QString targetPath;
        QString targetTable;
        QString targetKey;
        QStringList columns;  // set from v0, v1, ... in order
    };
    std::optional<ForeignUpdate> foreignUpdate;

    // CREATE INDEX: carried out by the database, which may have to rebuild the table.
    QString indexTable;
    IndexDef index;
};

// Translates one statement. Throws DbError(ErrSyntax) on text it cannot read.
Translation translateJet(const QString& jetSql, SchemaContext& context);

// Translates a criteria text (a WHERE condition without the word WHERE).
std::string translateCriteria(const QString& criteria, SchemaContext& context, QStringList* aliases);

}  // namespace engine
