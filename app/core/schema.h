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

    const engine::TableDef* table(const QString& name) const;
};

// Parses the schema text; throws std::runtime_error naming the line of a mistake.
Schema parseSchema(const QString& text);

// Creates every table and runs the statements on an open, empty data file.
void buildSchema(engine::Database& db, const Schema& schema);

}  // namespace korvane
