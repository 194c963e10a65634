#include "schema.h"

#include "database.h"
#include "text.h"

#include <stdexcept>

namespace korvane {

using engine::FieldDef;
using engine::IndexDef;
using engine::TableDef;

const TableDef* Schema::table(const QString& name) const
{
    for (const TableDef& t : tables)
        if (t.name.compare(name, Qt::CaseInsensitive) == 0) return &t;
    return nullptr;
}

Schema parseSchema(const QString& text)
{
    Schema schema;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString line = lines[n].trimmed();
        auto fail = [&](const QString& why) {
            throw std::runtime_error(QStringLiteral("schema line %1: %2").arg(n + 1).arg(why).toStdString());
        };
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        if (line.startsWith(QLatin1String("sql "))) {
            schema.statements.append(line.mid(4).trimmed());
            continue;
        }
        const QStringList w = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (w[0] == QLatin1String("sortkey")) {
            const TableDef* t = w.size() == 3 ? schema.table(w[1]) : nullptr;
            if (!t) fail(QStringLiteral("expected: sortkey TABLE COLUMN, after the table"));
            if (!t->field(w[2]) || !t->field(QStringLiteral("matt"))) fail(QStringLiteral("table %1 needs the fields %2 and matt").arg(w[1], w[2]));
            schema.sortKeys.append({w[1], w[2]});
            continue;
        }
        if (w[0] == QLatin1String("table")) {
            if (w.size() < 2) fail(QStringLiteral("table without a name"));
            if (schema.table(w[1])) fail(QStringLiteral("table %1 twice").arg(w[1]));
            TableDef t;
            t.name = w[1];
            if (w.size() == 4 && w[2] == QLatin1String("like")) {
                const TableDef* model = schema.table(w[3]);
                if (!model) fail(QStringLiteral("unknown table %1").arg(w[3]));
                t.fields = model->fields;
                t.indexes = model->indexes;
            } else if (w.size() != 2) {
                fail(QStringLiteral("expected: table NAME [like OTHER]"));
            }
            schema.tables.append(t);
            continue;
        }
        if (schema.tables.isEmpty()) fail(QStringLiteral("field outside a table"));
        TableDef& t = schema.tables.last();
        if (w[0] == QLatin1String("index")) {
            if (w.size() < 3) fail(QStringLiteral("expected: index NAME [unique] FIELD..."));
            IndexDef ix;
            ix.name = w[1];
            for (qsizetype k = 2; k < w.size(); ++k) {
                if (w[k] == QLatin1String("unique")) ix.unique = true;
                else if (!t.field(w[k])) fail(QStringLiteral("no field %1").arg(w[k]));
                else ix.fields.append(w[k]);
            }
            t.indexes.append(ix);
            continue;
        }
        if (t.field(w[0])) fail(QStringLiteral("field %1 twice").arg(w[0]));
        const QString kind = w.value(1);
        FieldDef f;
        if (kind == QLatin1String("counter")) {
            f = FieldDef::counter(w[0]);
            t.indexes.append(IndexDef{QStringLiteral("PrimaryKey"), true, true, {w[0]}});
        } else if (kind == QLatin1String("text")) {
            bool ok = false;
            const int size = w.value(2).toInt(&ok);
            if (!ok || size < 1 || size > 255) fail(QStringLiteral("text needs a size from 1 to 255"));
            f = FieldDef::text(w[0], size);
        } else if (kind == QLatin1String("memo")) {
            f = FieldDef::memo(w[0]);
        } else if (kind == QLatin1String("yesno")) {
            f = FieldDef::yesNo(w[0]);
        } else if (kind == QLatin1String("integer")) {
            f = FieldDef::integer(w[0]);
        } else if (kind == QLatin1String("long")) {
            f = FieldDef::longInt(w[0]);
        } else {
            fail(QStringLiteral("unknown field kind '%1'").arg(kind));
        }
        t.fields.append(f);
    }
    return schema;
}

void buildSchema(engine::Database& db, const Schema& schema)
{
    for (const TableDef& t : schema.tables) db.CreateTable(t);
    for (const QString& sql : schema.statements) db.Execute(sql);
    // Lists are shown in Vietnamese alphabetical order through their sort key, as the reference
    // windows write it.
    for (const auto& [table, column] : schema.sortKeys) {
        auto rs = db.OpenRecordset(QStringLiteral("SELECT * FROM ") + table);
        for (; !rs->Eof(); rs->MoveNext()) {
            rs->Edit();
            rs->SetField(QStringLiteral("matt"), VietSortKey(rs->Field(column).toString(), false).left(150));
            rs->Update();
        }
    }
}

}  // namespace korvane
