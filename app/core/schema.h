// The template's tables, read from the schema text kept in data/schema.txt.
#pragma once

#include "catalog.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace engine {
class Database;
}

namespace korvane {

struct Schema {
    QList<engine::TableDef> tables;
    QStringList statements;  // run after the tables exist
    // Tables whose sort key "matt" is made from a name column once the statements have run.
    QList<QPair<QString, QString>> sortKeys;  // table, name column

    const engine::TableDef* table(const QString& name) const;
};

// Parses the schema text; throws std::runtime_error naming the line of a mistake.
Schema parseSchema(const QString& text);

// Creates every table, runs the statements and fills the sort keys on an open, empty data file.
void buildSchema(engine::Database& db, const Schema& schema);

}  // namespace korvane
