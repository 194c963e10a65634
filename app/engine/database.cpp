#include "database.h"

#include "dbstate.h"
#include "pgconnection.h"
#include "recordset.h"

#include <QCryptographicHash>
#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <map>

namespace engine {

// ---- DbState ------------------------------------------------------------------------------

void DbState::refreshSchema()
{
    const long long v = conn.schemaVersion();
    if (v == schemaVersion_) return;
    // A table may have been dropped and made anew, and its counter sequence with it: ids taken
    // ahead from the old sequence are let go (they stay gaps).
    spareIds.clear();
    tables_.clear();
    textColumns_.clear();
    for (const QString& name : conn.tableNames(QString(), true)) {
        tables_.insert(name.toLower(), name);
        if (isInternalTable(name)) continue;
        if (const auto def = conn.tableDef(QString(), name))
            for (const FieldDef& f : def->fields)
                if (f.isText()) textColumns_.insert(f.name.toLower());
    }
    schemaVersion_ = v;
}

void DbState::close()
{
    for (const auto& [table, id] : spareIds) conn.giveBackCounter(table, id);
    spareIds.clear();
    foreignAliases_.clear();
    foreign_.clear();
    conn.close();
}

// ---- Files held by another engine -------------------------------------------------------
//
// A file can attach another file, and both are read and written in one statement by the engine
// itself. Between a file and a server's data (either way), the adapter carries the rows over:
// a table read from the other side is copied into a scratch table here for the statement, and
// rows written to the other side are read here and added there (see Database::Execute).

bool DbState::isForeignPath(const QString& path) { return isServerName(path) || isServerName(conn.path()); }

Database& DbState::foreign(const QString& path)
{
    std::unique_ptr<Database>& db = foreign_[path];
    if (!db || !db->isOpen()) db = std::make_unique<Database>(path);
    return *db;
}

QString DbState::attach(const QString& path)
{
    if (!isForeignPath(path)) return conn.attach(path);
    for (auto& [alias, f] : foreignAliases_)
        if (f.path == path) {
            ++f.users;
            return alias;
        }
    foreign(path);  // opens it now, so that a file that is not there fails here
    const QString alias = QStringLiteral("jetf%1").arg(nextForeign_++);
    foreignAliases_[alias] = ForeignAlias{path, 1, {}};
    return alias;
}

void DbState::retain(const QString& alias)
{
    const auto it = foreignAliases_.find(alias);
    if (it != foreignAliases_.end()) ++it->second.users;
    else conn.retain(alias);
}

void DbState::release(const QString& alias)
{
    const auto it = foreignAliases_.find(alias);
    if (it == foreignAliases_.end()) {
        conn.release(alias);
        return;
    }
    if (--it->second.users > 0) return;
    for (const auto& [name, copy] : it->second.tables) {
        try {
            if (conn.isOpen()) conn.exec("DROP TABLE IF EXISTS " + copy);
        } catch (const DbError&) {
            // A scratch table lives no longer than the connection anyway.
        }
    }
    foreignAliases_.erase(it);
}

std::string DbState::foreignTable(const QString& alias, const QString& table)
{
    ForeignAlias& f = foreignAliases_.at(alias);
    const auto known = f.tables.find(table.toLower());
    if (known != f.tables.end()) return known->second;
    Database& source = foreign(f.path);
    TableDef def = source.TableDefOf(table);
    const Dialect& d = conn.dialect();
    const std::string name = d.tempTable('"' + alias.toStdString() + '_' + std::to_string(f.tables.size()) + '"');
    std::string create = "CREATE TEMP TABLE " + d.ident(alias + QLatin1Char('_') + QString::number(f.tables.size())) + " (";
    std::string columns;
    for (qsizetype k = 0; k < def.fields.size(); ++k) {
        FieldDef field = def.fields[k];
        if (field.isCounter()) field = FieldDef::longInt(field.name);
        if (field.isText()) foreignText_.insert(field.name.toLower());
        if (k) {
            create += ", ";
            columns += ", ";
        }
        create += d.columnDeclaration(field);
        columns += source.state()->conn.dialect().ident(field.name);
    }
    conn.exec(create + ')');
    f.tables[table.toLower()] = name;
    Statement rows(source.state()->conn, "SELECT " + columns + " FROM " + source.state()->conn.dialect().ident(def.name));
    std::string values;
    for (qsizetype k = 0; k < def.fields.size(); ++k) values += k ? ", ?" : "?";
    Statement insert(conn, "INSERT INTO " + name + " VALUES (" + values + ')');
    while (rows.step()) {
        for (int k = 0; k < static_cast<int>(def.fields.size()); ++k) insert.bind(k + 1, rows.column(k));
        insert.run();
    }
    rows.reset();
    return name;
}

bool DbState::isTextColumn(const QString& column)
{
    return textColumns_.contains(column.toLower()) || foreignText_.contains(column.toLower());
}

bool DbState::hasTable(const QString& schema, const QString& table)
{
    if (schema.isEmpty()) {
        refreshSchema();
        return tables_.contains(table.toLower());
    }
    if (isForeign(schema)) return foreign(foreignAliases_.at(schema).path).HasTable(table);
    return conn.hasTable(schema, table);
}

std::optional<QString> DbState::savedQuery(const QString& schema, const QString& name)
{
    if (isForeign(schema)) return foreign(foreignAliases_.at(schema).path).state()->savedQuery(QString(), name);
    return conn.savedQuery(schema, name);
}

QList<FieldDef> DbState::tableFields(const QString& schema, const QString& table) { return tableDef(schema, table).fields; }

QStringList DbState::tableNames(const QString& schema) { return conn.tableNames(schema, false); }

TableDef DbState::tableDef(const QString& schema, const QString& table)
{
    if (isForeign(schema)) return foreign(foreignAliases_.at(schema).path).TableDefOf(table);
    std::optional<TableDef> def = isInternalTable(table) ? std::nullopt : conn.tableDef(schema, table);
    if (!def) throw DbError(ErrTableNotFound, QStringLiteral("Không có bảng '%1' trong tệp dữ liệu.").arg(table));
    return std::move(*def);
}

// ---- Database -----------------------------------------------------------------------------

Database::Database(const QString& path, Access access, const QString& connect)
    : state_(std::make_shared<DbState>(openConnection(path, access == Access::ReadOnly, passwordOf(connect).toStdString())))
{
}

Database::~Database() { Close(); }

void Database::createFile(const QString& path, const QString& connect)
{
    createDataFile(path, passwordOf(connect).toStdString());
}

bool Database::IsPath(const QString& name) { return !isServerName(name); }

QString Database::Beside(const QString& name, const QString& file)
{
    if (isServerName(name)) return serverSibling(name, file);
    return name.left(name.lastIndexOf(QLatin1Char('/')) + 1) + file;
}

namespace {

// The address of a server's data file without its "#name": the names of one server database.
QString serverOf(const QString& name) { return name.left(name.lastIndexOf(QLatin1Char('#'))); }

}  // namespace

void Database::dropFiles(const QStringList& names)
{
    std::map<QString, QStringList> byServer;
    for (const QString& name : names) {
        if (isServerName(name)) {
            byServer[serverOf(name)].append(name);
        } else {
            for (const QString& part : {name, name + QStringLiteral("-journal")})
                if (QFile::exists(part) && !QFile::remove(part))
                    throw DbError(ErrFileReadOnly, QStringLiteral("Không xoá được file %1.").arg(part));
        }
    }
    for (const auto& [server, schemas] : byServer) dropServerSchemas(schemas);
}

void Database::renameFiles(const std::vector<std::pair<QString, QString>>& renames)
{
    std::vector<std::pair<QString, QString>> onServer;
    for (const auto& [from, to] : renames) {
        if (isServerName(from) || isServerName(to)) {
            onServer.emplace_back(from, to);
            continue;
        }
        if (QFile::exists(to)) throw DbError(ErrObjectExists, QStringLiteral("Đã có file %1.").arg(to));
        if (!QFile::rename(from, to)) throw DbError(ErrFileReadOnly, QStringLiteral("Không đổi được tên file %1 thành %2.").arg(from, to));
    }
    renameServerSchemas(onServer);
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

QString Database::CheckPages() { return state_->conn.checkPages(); }

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
    state_->conn.createTable(table);
}

void Database::CreateIndex(const QString& table, const IndexDef& index)
{
    TableDef def = TableDefOf(table);
    if (!index.primary) {
        for (const QString& f : index.fields)
            if (!def.field(f)) throw DbError(ErrItemNotFound, QStringLiteral("Không có trường '%1' trong bảng '%2'.").arg(f, table));
        state_->conn.createIndex(def, index);
        return;
    }
    for (const IndexDef& ix : def.indexes)
        if (ix.primary) {
            // The table already has its key; a key on the same fields is the same key.
            if (ix.fields.join(QLatin1Char(',')).compare(index.fields.join(QLatin1Char(',')), Qt::CaseInsensitive) == 0)
                return;
            throw DbError(ErrObjectExists, QStringLiteral("Bảng '%1' đã có khoá chính.").arg(table));
        }
    state_->conn.createIndex(def, index);
}

void Database::SetAllowZeroLength(const QString& table, const QString& field, bool allow)
{
    const TableDef before = TableDefOf(table);
    TableDef def = before;
    bool changed = false;
    for (FieldDef& f : def.fields)
        if (f.name.compare(field, Qt::CaseInsensitive) == 0 && f.isText() && f.allowZeroLength != allow) {
            f.allowZeroLength = allow;
            changed = true;
        }
    if (!def.field(field)) throw DbError(ErrItemNotFound, QStringLiteral("Không có trường '%1' trong bảng '%2'.").arg(field, table));
    if (!changed) return;
    state_->conn.alterTable(before, def);
}

void Database::WriteTransaction(const std::function<void()>& work) { state_->conn.writeTransaction(work); }

std::shared_ptr<void> Database::KeepAttached(const QString& path)
{
    const std::shared_ptr<DbState> state = state_;
    const QString alias = state->attach(path);
    return std::shared_ptr<void>(nullptr, [state, alias](void*) {
        if (state->conn.isOpen()) state->release(alias);
    });
}

namespace {
long transfer(Database& here, const Translation::Transfer& t);
long updateElsewhere(Database& here, const Translation::ForeignUpdate& u);
}  // namespace

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
    if (tr.transfer) return transfer(*this, *tr.transfer);
    if (tr.foreignUpdate) return updateElsewhere(*this, *tr.foreignUpdate);
    Connection& c = state_->conn;
    return c.writeTransaction([&] {
        long changed = 0;
        for (const std::string& sql : tr.statements) {
            Statement st(c, sql);
            st.run();
            const bool counts = sql.compare(0, 6, "INSERT") == 0 || sql.compare(0, 6, "UPDATE") == 0 ||
                                sql.compare(0, 6, "DELETE") == 0;
            if (counts) changed += static_cast<long>(c.changes());
        }
        return changed;
    });
}

// A joined UPDATE into a file of the other engine: the new values are read here, put into a
// scratch table shaped like the target's columns over there, and the target's rows are changed
// from it in one write transaction there, so that a failure leaves the target as it was.
namespace {

long updateElsewhere(Database& here, const Translation::ForeignUpdate& u)
{
    DbState& state = *here.state();
    std::vector<std::vector<QVariant>> rows;
    Statement read(state.conn, u.select);
    const int width = read.columnCount();
    while (read.step()) {
        std::vector<QVariant>& row = rows.emplace_back();
        for (int k = 0; k < width; ++k) row.push_back(read.column(k));
    }
    read.reset();

    Database& target = state.foreign(u.targetPath);
    Connection& out = target.state()->conn;
    const Dialect& d = out.dialect();
    const std::string table = d.ident(u.targetTable), key = d.ident(u.targetKey), join = d.tempTable("jet_join");
    std::string shape = "SELECT " + key + " AS jet_key", columns, values, marks = "?";
    for (qsizetype k = 0; k < u.columns.size(); ++k) {
        std::string v = "v";
        v += std::to_string(k);
        shape += ", " + d.ident(u.columns[k]) + " AS " + v;
        columns += (k ? ", " : "") + d.ident(u.columns[k]);
        values += (k ? ", " : "") + v;
        marks += ", ?";
    }
    return out.writeTransaction([&] {
        Statement(out, "DROP TABLE IF EXISTS " + join).run();
        Statement(out, "CREATE TEMP TABLE jet_join AS " + shape + " FROM " + table + " WHERE 1 = 0").run();
        Statement insert(out, "INSERT INTO " + join + " VALUES (" + marks + ')');
        for (const std::vector<QVariant>& row : rows) {
            for (int k = 0; k < width; ++k) insert.bind(k + 1, row[static_cast<std::size_t>(k)]);
            insert.run();
        }
        Statement(out, d.createTempIndex("jet_join", "jet_key")).run();
        Statement(out, "UPDATE " + table + " SET (" + columns + ") = (SELECT " + values + " FROM " + join + " WHERE jet_key = " +
                           table + '.' + key + " LIMIT 1) WHERE " + key + " IN (SELECT jet_key FROM " + join + ')')
            .run();
        const long changed = static_cast<long>(out.changes());
        Statement(out, "DROP TABLE " + join).run();
        return changed;
    });
}

}  // namespace

// Rows that cross from one engine to the other: read whole on one side (a snapshot, which is one
// consistent state of it), then written on the other inside one write transaction there, so that
// a failure leaves the target as it was.
namespace {

long transfer(Database& here, const Translation::Transfer& t)
{
    DbState& state = *here.state();
    QList<FieldDef> fields;
    std::vector<std::vector<QVariant>> rows;
    std::optional<TableDef> made;
    if (!t.sourcePath.isEmpty()) {
        Database& source = state.foreign(t.sourcePath);
        auto rs = source.OpenRecordset(t.select, RecordsetType::Snapshot);
        for (const QString& f : rs->FieldNames()) fields.append(rs->FieldInfo(f));
        for (; !rs->Eof(); rs->MoveNext()) {
            std::vector<QVariant>& row = rows.emplace_back();
            for (const FieldDef& f : fields) row.push_back(rs->Field(f.name));
        }
        if (t.create && !t.createFrom.isEmpty()) made = source.TableDefOf(t.createFrom);
    } else {
        Statement st(state.conn, t.selectSql);
        for (int k = 0; k < st.columnCount(); ++k) fields.append(st.columnField(k));
        while (st.step()) {
            std::vector<QVariant>& row = rows.emplace_back();
            for (int k = 0; k < static_cast<int>(fields.size()); ++k) row.push_back(st.column(k));
        }
        st.reset();
        if (t.create && !t.createFrom.isEmpty()) made = here.TableDefOf(t.createFrom);
    }
    Database& target = t.targetPath.isEmpty() ? here : state.foreign(t.targetPath);
    Connection& out = target.state()->conn;
    const Dialect& d = out.dialect();
    return out.writeTransaction([&] {
        if (t.create) {
            TableDef def = made.value_or(TableDef{t.targetTable, fields, {}});
            def.name = t.targetTable;
            if (target.HasTable(def.name)) throw DbError(ErrObjectExists, QStringLiteral("Bảng '%1' đã có.").arg(def.name));
            out.createTable(def);
        }
        std::string sql = "INSERT INTO " + (t.target.empty() ? d.ident(t.targetTable) : t.target);
        if (!t.columns.isEmpty()) {
            sql += " (";
            for (qsizetype k = 0; k < t.columns.size(); ++k) sql += (k ? ", " : "") + d.ident(t.columns[k]);
            sql += ')';
        } else if (t.create) {
            sql += " (";
            for (qsizetype k = 0; k < fields.size(); ++k) sql += (k ? ", " : "") + d.ident(fields[k].name);
            sql += ')';
        }
        std::string values;
        for (qsizetype k = 0; k < fields.size(); ++k) values += k ? ", ?" : "?";
        Statement insert(out, sql + " VALUES (" + values + ')');
        for (const std::vector<QVariant>& row : rows) {
            for (std::size_t k = 0; k < row.size(); ++k) insert.bind(static_cast<int>(k + 1), row[k]);
            insert.run();
        }
        return static_cast<long>(rows.size());
    });
}

}  // namespace

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

QStringList Database::QueryDefNames() const { return state_->conn.savedQueryNames(); }

bool Database::HasQueryDef(const QString& name) const { return state_->savedQuery(QString(), name).has_value(); }

QString Database::QueryDefSql(const QString& name) const
{
    if (auto q = state_->savedQuery(QString(), name)) return *q;
    throw DbError(ErrItemNotFound, QStringLiteral("Không có truy vấn '%1'.").arg(name));
}

void Database::SetQueryDefSql(const QString& name, const QString& jetSql)
{
    if (!HasQueryDef(name)) throw DbError(ErrItemNotFound, QStringLiteral("Không có truy vấn '%1'.").arg(name));
    state_->conn.writeSavedQuery(name, jetSql, false);
}

void Database::CreateQueryDef(const QString& name, const QString& jetSql)
{
    if (name.trimmed().isEmpty()) throw DbError(ErrSyntax, QStringLiteral("Truy vấn cần có tên."));
    if (HasQueryDef(name) || HasTable(name))
        throw DbError(ErrObjectExists, QStringLiteral("Đã có bảng hoặc truy vấn tên '%1'.").arg(name));
    state_->conn.writeSavedQuery(name, jetSql, true);
}

void Database::DeleteQueryDef(const QString& name)
{
    if (!HasQueryDef(name)) throw DbError(ErrItemNotFound, QStringLiteral("Không có truy vấn '%1'.").arg(name));
    state_->conn.writeSavedQuery(name, std::nullopt, false);
}

}  // namespace engine

namespace engine {

// Each table is read in its rows' order and written with every field, counters included, so
// that the copy's ids are the original's and its own rows come in the same order.
void CopyDataFile(Database& from, Database& to, const std::function<void(const QString& table)>& onTable)
{
    DbState& source = *from.state();
    DbState& target = *to.state();
    const Dialect& read = source.conn.dialect();
    const Dialect& write = target.conn.dialect();
    const QStringList tables = from.TableNames();
    const QStringList queries = from.QueryDefNames();
    for (const QString& name : tables)
        if (to.HasTable(name)) throw DbError(ErrObjectExists, QStringLiteral("Bảng '%1' đã có.").arg(name));
    target.conn.writeTransaction([&] {
        for (const QString& name : tables) {
            if (onTable) onTable(name);
            const TableDef def = from.TableDefOf(name);
            target.conn.createTable(def);
            std::string readColumns, writeColumns, values;
            for (const FieldDef& f : def.fields) {
                readColumns += (readColumns.empty() ? "" : ", ") + read.ident(f.name);
                writeColumns += (writeColumns.empty() ? "" : ", ") + write.ident(f.name);
                values += values.empty() ? "?" : ", ?";
            }
            Statement rows(source.conn, "SELECT " + readColumns + " FROM " + read.ident(def.name) + " ORDER BY " + read.rowKey(def.fields));
            Statement insert(target.conn, "INSERT INTO " + write.ident(def.name) + " (" + writeColumns + ") VALUES (" + values + ')');
            const int count = static_cast<int>(def.fields.size());
            while (rows.step()) {
                for (int k = 0; k < count; ++k) insert.bind(k + 1, rows.column(k));
                insert.run();
            }
            rows.reset();
            // Numbers handed out for rows deleted since are not handed out again by the copy.
            for (const FieldDef& f : def.fields)
                if (f.isCounter()) target.conn.raiseCounter(def.name, f.name, source.conn.counterMark(def.name, f.name));
        }
        for (const QString& q : queries) target.conn.writeSavedQuery(q, from.QueryDefSql(q), true);
    });
    for (const QString& name : tables) target.conn.filled(name);
}

// A row's values in one spelling whatever engine gave them: a number by its value (a yes/no,
// a whole number and a real alike), a text as its letters, an empty value apart from both.
std::vector<TableContents> Contents(Database& db)
{
    DbState& state = *db.state();
    const Dialect& d = state.conn.dialect();
    QStringList tables = db.TableNames();
    std::sort(tables.begin(), tables.end(), [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    std::vector<TableContents> out;
    for (const QString& name : tables) {
        const TableDef def = db.TableDefOf(name);
        std::string columns;
        for (const FieldDef& f : def.fields) columns += (columns.empty() ? "" : ", ") + d.ident(f.name);
        Statement rows(state.conn, "SELECT " + columns + " FROM " + d.ident(def.name));
        TableContents t{def.name, 0, {}};
        quint64 sum[2] = {0, 0};
        QByteArray row;
        while (rows.step()) {
            row.clear();
            for (qsizetype k = 0; k < def.fields.size(); ++k) {
                const QVariant v = rows.column(static_cast<int>(k));
                QByteArray value;
                if (v.isNull()) value = "-";
                else if (def.fields[k].isText()) value = 'T' + v.toString().toUtf8();
                else value = 'N' + QByteArray::number(v.toDouble(), 'g', 17);
                row += QByteArray::number(value.size()) + ':' + value;
            }
            const QByteArray hash = QCryptographicHash::hash(row, QCryptographicHash::Sha256);
            sum[0] += qFromLittleEndian<quint64>(hash.constData());
            sum[1] += qFromLittleEndian<quint64>(hash.constData() + 8);
            ++t.rows;
        }
        rows.reset();
        t.checksum = QByteArray::number(sum[0], 16) + QByteArray::number(sum[1], 16);
        out.push_back(std::move(t));
    }
    return out;
}

}  // namespace engine
