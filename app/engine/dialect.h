// How the statements the translator writes are spelled for one engine: names, texts, the
// letter-case rule, numbers read from texts, pattern matches and the declarations of fields.
#pragma once

#include "catalog.h"

#include <QString>

#include <string>
#include <vector>

namespace engine {

class Dialect {
public:
    virtual ~Dialect() = default;

    // The bytes of a text inside a statement (names and literals).
    virtual std::string encode(const QString& text) const = 0;
    // The bytes of a table's or field's name.
    virtual std::string name(const QString& text) const { return encode(text); }
    // A double-quoted name.
    std::string ident(const QString& name) const
    {
        QString q = name;
        q.replace(QLatin1Char('"'), QLatin1String("\"\""));
        return '"' + this->name(q) + '"';
    }
    // A text literal; `value` has its quotes doubled already. Comparisons with it ignore letter
    // case even where no column gives the rule.
    virtual std::string textLiteral(const QString& value) const = 0;
    // A text's leading number ("12a" is 12), as a text column compared with a number is read.
    virtual std::string leadingNumber(const std::string& expr) const = 0;
    // A Null text read as an empty one.
    virtual std::string emptyIfNull(const std::string& expr) const = 0;
    // A text column put in order against a run of digits, byte by byte as a file orders it; where
    // texts already compare so, `expr` stands as it is.
    virtual std::string bytewise(const std::string& expr) const { return expr; }
    // `text LIKE pattern` with the dialect's wildcards and no regard to letter case.
    virtual std::string like(const std::string& text, const std::string& pattern, bool negated) const = 0;
    // `Fold(text) LIKE pattern`: the same match with marks not told apart on either side.
    virtual std::string likeWithoutMarks(const std::string& text, const std::string& pattern, bool negated) const = 0;
    // The name a function of the dialect goes by here.
    virtual std::string function(const QString& name) const = 0;
    // The declaration of one field in CREATE TABLE; `primaryName` names the primary key when
    // this field alone carries it.
    virtual std::string columnDeclaration(const FieldDef& field, const QString& primaryName = QString()) const = 0;
    // The key of a table's rows, which a dynaset keeps: the row id, or the column standing in
    // for it.
    virtual std::string rowKey(const QList<FieldDef>& fields) const = 0;
    // A scratch table that lives as long as the connection, and the statement indexing the
    // scratch table `table` (named bare).
    virtual std::string tempTable(const std::string& name) const = 0;
    virtual std::string createTempIndex(const std::string& table, const std::string& column) const = 0;
    // Whether "*" over one table must be written out as its fields (the engine keeps a column
    // of its own in every table).
    virtual bool spellsOutStar() const = 0;
    // What a table made by a statement (CREATE TABLE, SELECT ... INTO) needs after it to key its
    // rows; `fields` are its fields when known (empty: made from a query's columns).
    virtual std::vector<std::string> keyOfNewTable(const std::string& /*table*/, const QList<FieldDef>& /*fields*/) const
    {
        return {};
    }
    // What follows a SELECT of one row to keep other writers off it until the transaction ends.
    virtual std::string lockingRow() const { return std::string(); }
    // A parameter of a row evaluated on its own (a snapshot's FindFirst): `index` from 1.
    virtual std::string rowParameter(int index, const FieldDef& field) const = 0;
};

}  // namespace engine
