#include "database.h"

#include "dbstate.h"
#include "recordset.h"

#include <sqlite3.h>

#include <QRegularExpression>

namespace engine {

bool isInternalTable(const QString& name)
{
    return name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive) ||
           name.startsWith(QLatin1String("jet_"), Qt::CaseInsensitive);
}

namespace {

std::string schemaPrefix(const QString& schema)
{
    return schema.isEmpty() ? std::string("main.") : schema.toStdString() + '.';
}

std::string createTableSql(const QString& qualifiedName, const TableDef& t)
{
    // A primary index on one whole-number field makes that field the row id.
    QString primaryOnRowid;
    const IndexDef* tablePrimary = nullptr;
    for (const IndexDef& ix : t.indexes) {
        if (!ix.primary) continue;
        const FieldDef* f = ix.fields.size() == 1 ? t.field(ix.fields.front()) : nullptr;
        if (f && (f->isCounter() || f->type == FieldType::Long)) primaryOnRowid = f->name;
        else tablePrimary = &ix;
    }
    std::string sql = "CREATE TABLE " + qualifiedName.toStdString() + " (";
    for (qsizetype k = 0; k < t.fields.size(); ++k) {
        const FieldDef& f = t.fields[k];
        QString primaryName;
        if (!primaryOnRowid.isEmpty() && f.name.compare(primaryOnRowid, Qt::CaseInsensitive) == 0) {
            for (const IndexDef& ix : t.indexes)
                if (ix.primary) primaryName = ix.name;
        }
        if (k) sql += ", ";
        sql += columnDeclaration(f, primaryName);
    }
    if (tablePrimary) {
        sql += ", CONSTRAINT " + quoteIdent(tablePrimary->name) + " PRIMARY KEY (";
        for (qsizetype k = 0; k < tablePrimary->fields.size(); ++k)
            sql += (k ? ", " : "") + quoteIdent(tablePrimary->fields[k]);
        sql += ')';
    }
    return sql + ')';
}

std::string createIndexSql(const QString& schema, const QString& table, const IndexDef& ix)
{
    std::string sql = ix.unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ";
    sql += schemaPrefix(schema) + quoteIdent(table + QLatin1Char('.') + ix.name) + " ON " + quoteIdent(table) + " (";
    for (qsizetype k = 0; k < ix.fields.size(); ++k) sql += (k ? ", " : "") + quoteIdent(ix.fields[k]);
    return sql + ')';
}

// SQLite cannot add a key to a table or change a column's constraints: the table is built again
// under the new definition, its rows copied across, and it takes the old name.
void rebuildTable(Connection& c, const TableDef& def)
{
    c.writeTransaction([&] {
        c.exec(createTableSql(QStringLiteral("\"jet_rebuild\""), def));
        c.exec("INSERT INTO \"jet_rebuild\" SELECT * FROM " + quoteIdent(def.name));
        c.exec("DROP TABLE " + quoteIdent(def.name));
        c.exec("ALTER TABLE \"jet_rebuild\" RENAME TO " + quoteIdent(def.name));
        for (const IndexDef& ix : def.indexes)
            if (!ix.primary) c.exec(createIndexSql(QString(), def.name, ix));
    });
}

}  // namespace

// ---- DbState ------------------------------------------------------------------------------

void DbState::refreshSchema()
{
    Statement version(conn.db(), "PRAGMA main.schema_version");
    const long long v = version.step() ? version.columnInt(0) : 0;
    version.reset();
    if (v == schemaVersion_) return;
    // A table may have been dropped and made anew, and its counter sequence with it: ids taken
    // ahead from the old sequence are let go (they stay gaps).
    spareIds.clear();
    tables_.clear();
    textColumns_.clear();
    Statement list(conn.db(), "SELECT name FROM main.sqlite_master WHERE type='table'");
    QStringList names;
    while (list.step()) names.append(list.column(0).toString());
    list.reset();
    for (const QString& name : names) {
        tables_.insert(name.toLower(), name);
        if (isInternalTable(name)) continue;
        Statement info(conn.db(), "PRAGMA main.table_info(" + quoteIdent(name) + ")");
        while (info.step()) {
            const QString type = info.column(2).toString().toUpper();
            if (type.contains(QLatin1String("TEXT")) || type.contains(QLatin1String("CHAR")))
                textColumns_.insert(info.column(1).toString().toLower());
        }
    }
    schemaVersion_ = v;
}

void DbState::close()
{
    if (conn.isOpen() && !conn.readOnly()) {
        for (const auto& [table, id] : spareIds) {
            try {
                // Nobody has seen the id, and the sequence still ends at it: the next clerk may
                // have it. Otherwise, or when the file is busy, it stays a gap, as counters do.
                conn.tryWriteTransaction([&] {
                    Statement st(conn.db(), "UPDATE main.sqlite_sequence SET seq = seq - 1 WHERE name = ? AND seq = ?");
                    st.bindBytes(1, table);
                    st.bindInt(2, id);
                    st.run();
                });
            } catch (const DbError&) {
            }
        }
    }
    spareIds.clear();
    conn.close();
}

bool DbState::isTextColumn(const QString& column)
{
    return textColumns_.contains(column.toLower());
}

bool DbState::hasTable(const QString& schema, const QString& table)
{
    if (schema.isEmpty()) {
        refreshSchema();
        return tables_.contains(table.toLower());
    }
    Statement st(conn.db(), "SELECT 1 FROM " + schemaPrefix(schema) + "sqlite_master WHERE type='table' AND name=? COLLATE NOCASE");
    st.bind(1, table);
    const bool found = st.step();
    st.reset();
    return found;
}

std::optional<QString> DbState::savedQuery(const QString& schema, const QString& name)
{
    if (!hasTable(schema, QStringLiteral("jet_queries"))) return std::nullopt;
    Statement st(conn.db(), "SELECT sql FROM " + schemaPrefix(schema) + "jet_queries WHERE name=? COLLATE NOCASE");
    st.bindBytes(1, name.toUtf8().toStdString());
    std::optional<QString> sql;
    if (st.step()) sql = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 0)));
    st.reset();
    return sql;
}

QList<FieldDef> DbState::tableFields(const QString& schema, const QString& table) { return tableDef(schema, table).fields; }

QStringList DbState::tableNames(const QString& schema)
{
    Statement st(conn.db(), "SELECT name FROM " + schemaPrefix(schema) + "sqlite_master WHERE type='table' ORDER BY rowid");
    QStringList names;
    while (st.step()) {
        const QString n = st.column(0).toString();
        if (!isInternalTable(n)) names.append(n);
    }
    st.reset();
    return names;
}

TableDef DbState::tableDef(const QString& schema, const QString& table)
{
    const std::string prefix = schemaPrefix(schema);
    TableDef def;
    QString tableSql;
    {
        Statement st(conn.db(), "SELECT name, sql FROM " + prefix + "sqlite_master WHERE type='table' AND name=? COLLATE NOCASE");
        st.bind(1, table);
        if (!st.step() || isInternalTable(table))
            throw DbError(ErrTableNotFound, QStringLiteral("Không có bảng '%1' trong tệp dữ liệu.").arg(table));
        def.name = st.column(0).toString();
        tableSql = st.column(1).toString();
        st.reset();
    }
    static const QRegularExpression namedPrimary(QStringLiteral("CONSTRAINT\\s+\"([^\"]+)\"\\s+PRIMARY\\s+KEY"),
                                                 QRegularExpression::CaseInsensitiveOption);
    const QString primaryName = namedPrimary.match(tableSql).captured(1);
    IndexDef primary;
    primary.name = primaryName.isEmpty() ? QStringLiteral("PrimaryKey") : primaryName;
    primary.primary = primary.unique = true;
    {
        Statement st(conn.db(), "PRAGMA " + prefix + "table_info(" + quoteIdent(def.name) + ")");
        int pkColumns = 0;
        while (st.step()) {
            const QString name = st.column(1).toString();
            const QString type = st.column(2).toString();
            const int pk = static_cast<int>(st.columnInt(5));
            if (pk > 0) {
                ++pkColumns;
                primary.fields.append(name);
            }
            def.fields.append(fieldFromDeclaration(name, type, pk > 0 && type.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0, tableSql));
        }
        st.reset();
        // A counter that is the row id only counts as one when it alone is the key.
        if (pkColumns != 1)
            for (FieldDef& f : def.fields)
                if (f.isCounter()) f = FieldDef::longInt(f.name);
        if (pkColumns > 0) def.indexes.append(primary);
    }
    {
        Statement st(conn.db(), "PRAGMA " + prefix + "index_list(" + quoteIdent(def.name) + ")");
        struct Found { QString name; bool unique; QString origin; };
        std::vector<Found> found;
        while (st.step()) found.push_back({st.column(1).toString(), st.columnInt(2) != 0, st.column(3).toString()});
        st.reset();
        for (const Found& f : found) {
            if (f.origin == QLatin1String("pk")) continue;  // listed above
            IndexDef ix;
            const QString ownPrefix = def.name + QLatin1Char('.');
            ix.name = f.name.startsWith(ownPrefix, Qt::CaseInsensitive) ? f.name.mid(ownPrefix.size()) : f.name;
            ix.unique = f.unique;
            Statement info(conn.db(), "PRAGMA " + prefix + "index_info(" + quoteIdent(f.name) + ")");
            while (info.step()) ix.fields.append(info.column(2).toString());
            info.reset();
            def.indexes.append(ix);
        }
    }
    return def;
}

// ---- Database -----------------------------------------------------------------------------

Database::Database(const QString& path, Access access, const QString& connect)
    : state_(std::make_shared<DbState>(path, access == Access::ReadOnly, passwordOf(connect).toStdString()))
{
}

Database::~Database() { Close(); }

void Database::createFile(const QString& path, const QString& connect)
{
    Connection::createFile(path, passwordOf(connect).toStdString());
}

QString Database::passwordOf(const QString& connect)
{
    for (const QString& part : connect.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        if (eq > 0 && part.left(eq).trimmed().compare(QLatin1String("pwd"), Qt::CaseInsensitive) == 0)
            return part.mid(eq + 1);
    }
    return QString();
}

void Database::Close()
{
    if (state_) state_->close();
}

QString Database::CheckPages()
{
    try {
        Statement st(state_->conn.db(), "PRAGMA main.quick_check(1)");
        const QString result = st.step() ? st.column(0).toString() : QStringLiteral("?");
        st.reset();
        return result == QLatin1String("ok") ? QString() : result;
    } catch (const DbError& e) {
        return e.description();
    }
}

bool Database::isOpen() const { return state_ && state_->conn.isOpen(); }

QString Database::Name() const { return state_->conn.path(); }

bool Database::readOnly() const { return state_->conn.readOnly(); }

QStringList Database::TableNames() const { return state_->tableNames(QString()); }

bool Database::HasTable(const QString& name) const { return !isInternalTable(name) && state_->hasTable(QString(), name); }

TableDef Database::TableDefOf(const QString& name) const { return state_->tableDef(QString(), name); }

void Database::CreateTable(const TableDef& table)
{
    if (table.fields.isEmpty())
        throw DbError(ErrSyntax, QStringLiteral("Bảng '%1' không có trường nào.").arg(table.name));
    if (HasTable(table.name))
        throw DbError(ErrObjectExists, QStringLiteral("Bảng '%1' đã có.").arg(table.name));
    Connection& c = state_->conn;
    c.writeTransaction([&] {
        c.exec(createTableSql(QString::fromStdString(quoteIdent(table.name)), table));
        for (const IndexDef& ix : table.indexes)
            if (!ix.primary) c.exec(createIndexSql(QString(), table.name, ix));
    });
}

void Database::CreateIndex(const QString& table, const IndexDef& index)
{
    TableDef def = TableDefOf(table);
    if (!index.primary) {
        for (const QString& f : index.fields)
            if (!def.field(f)) throw DbError(ErrItemNotFound, QStringLiteral("Không có trường '%1' trong bảng '%2'.").arg(f, table));
        state_->conn.writeTransaction([&] { state_->conn.exec(createIndexSql(QString(), def.name, index)); });
        return;
    }
    for (const IndexDef& ix : def.indexes)
        if (ix.primary) {
            // The table already has its key; a key on the same fields is the same key.
            if (ix.fields.join(QLatin1Char(',')).compare(index.fields.join(QLatin1Char(',')), Qt::CaseInsensitive) == 0)
                return;
            throw DbError(ErrObjectExists, QStringLiteral("Bảng '%1' đã có khoá chính.").arg(table));
        }
    def.indexes.append(index);
    rebuildTable(state_->conn, def);
}

void Database::SetAllowZeroLength(const QString& table, const QString& field, bool allow)
{
    TableDef def = TableDefOf(table);
    bool changed = false;
    for (FieldDef& f : def.fields)
        if (f.name.compare(field, Qt::CaseInsensitive) == 0 && f.isText() && f.allowZeroLength != allow) {
            f.allowZeroLength = allow;
            changed = true;
        }
    if (!def.field(field)) throw DbError(ErrItemNotFound, QStringLiteral("Không có trường '%1' trong bảng '%2'.").arg(field, table));
    if (!changed) return;
    rebuildTable(state_->conn, def);
}

void Database::WriteTransaction(const std::function<void()>& work) { state_->conn.writeTransaction(work); }

std::shared_ptr<void> Database::KeepAttached(const QString& path)
{
    const std::shared_ptr<DbState> state = state_;
    const QString alias = state->conn.attach(path);
    return std::shared_ptr<void>(nullptr, [state, alias](void*) {
        if (state->conn.isOpen()) state->conn.release(alias);
    });
}

long Database::Execute(const QString& jetSql)
{
    Translation tr = translateJet(jetSql, *state_);
    struct Release {
        DbState& s;
        QStringList aliases;
        ~Release() { s.releaseAll(aliases); }
    } release{*state_, tr.aliases};
    if (tr.kind == Translation::Kind::Query)
        throw DbError(ErrSyntax, QStringLiteral("Không thể thực hiện một câu lệnh chọn (SELECT) như một lệnh."));
    if (tr.kind == Translation::Kind::CreateIndex) {
        CreateIndex(tr.indexTable, tr.index);
        return 0;
    }
    Connection& c = state_->conn;
    return c.writeTransaction([&] {
        long changed = 0;
        for (const std::string& sql : tr.statements) {
            Statement st(c.db(), sql);
            st.run();
            const bool counts = sql.compare(0, 6, "INSERT") == 0 || sql.compare(0, 6, "UPDATE") == 0 ||
                                sql.compare(0, 6, "DELETE") == 0;
            if (counts) changed += sqlite3_changes(c.db());
        }
        return changed;
    });
}

std::unique_ptr<Recordset> Database::OpenRecordset(const QString& source, RecordsetType type)
{
    QString sql = source.trimmed();
    if (!sql.contains(QLatin1Char(' ')) && !sql.isEmpty()) {
        QString name = sql;
        if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']'))) name = name.mid(1, name.size() - 2);
        if (HasTable(name)) {
            sql = QStringLiteral("SELECT * FROM [%1]").arg(name);
        } else if (auto q = state_->savedQuery(QString(), name)) {
            sql = *q;
        } else {
            throw DbError(ErrTableNotFound, QStringLiteral("Không có bảng hoặc truy vấn '%1'.").arg(name));
        }
    }
    return std::unique_ptr<Recordset>(new Recordset(state_, sql, type));
}

// ---- Saved queries ------------------------------------------------------------------------

QStringList Database::QueryDefNames() const
{
    QStringList names;
    if (!state_->hasTable(QString(), QStringLiteral("jet_queries"))) return names;
    Statement st(state_->conn.db(), "SELECT name FROM jet_queries ORDER BY name");
    while (st.step()) names.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 0))));
    st.reset();
    return names;
}

bool Database::HasQueryDef(const QString& name) const { return state_->savedQuery(QString(), name).has_value(); }

QString Database::QueryDefSql(const QString& name) const
{
    if (auto q = state_->savedQuery(QString(), name)) return *q;
    throw DbError(ErrItemNotFound, QStringLiteral("Không có truy vấn '%1'.").arg(name));
}

void Database::SetQueryDefSql(const QString& name, const QString& jetSql)
{
    if (!HasQueryDef(name)) throw DbError(ErrItemNotFound, QStringLiteral("Không có truy vấn '%1'.").arg(name));
    Connection& c = state_->conn;
    c.writeTransaction([&] {
        Statement st(c.db(), "UPDATE jet_queries SET sql=? WHERE name=? COLLATE NOCASE");
        st.bindBytes(1, jetSql.toUtf8().toStdString());
        st.bindBytes(2, name.toUtf8().toStdString());
        st.run();
    });
}

void Database::CreateQueryDef(const QString& name, const QString& jetSql)
{
    if (name.trimmed().isEmpty()) throw DbError(ErrSyntax, QStringLiteral("Truy vấn cần có tên."));
    if (HasQueryDef(name) || HasTable(name))
        throw DbError(ErrObjectExists, QStringLiteral("Đã có bảng hoặc truy vấn tên '%1'.").arg(name));
    Connection& c = state_->conn;
    c.writeTransaction([&] {
        // Names and texts are kept in UTF-8: a saved query may name a path in any script.
        c.exec("CREATE TABLE IF NOT EXISTS jet_queries (name TEXT PRIMARY KEY COLLATE NOCASE, sql TEXT NOT NULL)");
        Statement st(c.db(), "INSERT INTO jet_queries (name, sql) VALUES (?, ?)");
        st.bindBytes(1, name.toUtf8().toStdString());
        st.bindBytes(2, jetSql.toUtf8().toStdString());
        st.run();
    });
}

void Database::DeleteQueryDef(const QString& name)
{
    if (!HasQueryDef(name)) throw DbError(ErrItemNotFound, QStringLiteral("Không có truy vấn '%1'.").arg(name));
    Connection& c = state_->conn;
    c.writeTransaction([&] {
        Statement st(c.db(), "DELETE FROM jet_queries WHERE name=? COLLATE NOCASE");
        st.bindBytes(1, name.toUtf8().toStdString());
        st.run();
    });
}

}  // namespace engine
