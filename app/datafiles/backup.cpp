#include "backup.h"

#include "app.h"
#include "sqliteconnection.h"
#include "datafiles.h"
#include "dbstate.h"
#include "jetsql.h"

#include <QCryptographicHash>
#include <QFile>
#include <QLockFile>
#include <QUuid>
#include <QWidget>

#include <functional>

namespace korvane {

// How a backup file learns what to copy. The document file keeps a change log: triggers on a
// register's year table give every written row a new, ever-growing number in "jet_changes" (one
// entry per row, the number of its last write), whoever writes it - a register, a list's panel,
// an import or another tool. Each backup file keeps in "jet_backup", per document file and table,
// the last number it has copied. A backup copies the rows written after that number and records
// the newest number in the same transaction, so every backup file receives every change, however
// many clerks with backup files of their own close their registers first. Copies are matched by
// "idcu", so copying a row again updates its copy and never adds a second one.
//
// The Jet dialect has no triggers: this bookkeeping speaks to the engine's connection directly.

namespace {

using engine::Connection;
using engine::Statement;

const QString kIdcu = QStringLiteral("idcu");

std::string ident(const QString& name) { return engine::quoteIdent(name); }
std::string text(const QString& value) { return "'" + engine::escapeQuotes(value).toStdString() + "'"; }
// Where the document file's own bookkeeping tables are named: a file's main schema (another file
// may be attached beside it), or the server schema the connection works in.
std::string home(Connection& c) { return engine::Database::IsPath(c.path()) ? "main." : ""; }

// The fields a backup copies: every field of the register's row but its key and its backup
// state, read from the table itself so that no field can be left behind.
QStringList copiedFields(engine::Database& doc, const QString& table)
{
    QStringList fields = FieldListWithoutId(table, doc).split(QLatin1Char(','));
    fields.removeIf([](const QString& f) { return f.compare(QLatin1String("kieuupdate"), Qt::CaseInsensitive) == 0; });
    return fields;
}

// The saved query that reads the register's table in the backup file, rewritten when its text
// differs from the wanted one by more than line breaks, blanks, letter case or a final ";".
void keepQuery(engine::Database& doc, const QString& name, const QString& wanted)
{
    if (!doc.HasQueryDef(name)) {
        doc.CreateQueryDef(name, wanted);
        return;
    }
    QString stored = doc.QueryDefSql(name);
    do {
        stored.replace(QLatin1String("\r\n"), QLatin1String(" "));
        while (stored.contains(QLatin1String("  "))) stored.replace(QLatin1String("  "), QLatin1String(" "));
    } while (stored.contains(QLatin1String("\r\n")));
    stored = stored.trimmed().toLower();
    const QString w = wanted.toLower();
    if (stored != w && stored != w + QLatin1Char(';')) doc.SetQueryDefSql(name, wanted);
}

// Every year table of a document file.
QStringList yearTables(engine::Database& doc)
{
    QStringList tables;
    for (const QString& t : doc.TableNames()) {
        const QString lower = t.toLower();
        const bool incoming = lower.startsWith(QLatin1String("cvden")) && lower.size() == 9;
        const bool outgoing = lower.startsWith(QLatin1String("cvdi")) && lower.size() == 8;
        bool digits = false;
        lower.right(4).toInt(&digits);
        if ((incoming || outgoing) && digits) tables.append(t);
    }
    return tables;
}

// ---- The change log of the document file ----------------------------------------------------

// The two triggers that log the writes of one year table. A change of the backup state alone
// (the backup resetting it) or of the print mark is no change of the document.
struct LogTriggers {
    QString table;  // lower case, as the log names it
    std::string insertName, updateName, insert, update;
};

LogTriggers logTriggers(engine::Database& doc, const QString& table)
{
    LogTriggers t;
    t.table = table.toLower();
    QStringList watched;
    for (const engine::FieldDef& f : doc.TableDefOf(table).fields) {
        const QString lower = f.name.toLower();
        if (lower != QLatin1String("kieuupdate") && lower != QLatin1String("chonin")) watched.append(QString::fromStdString(ident(f.name)));
    }
    t.insertName = "jet_changes_ins_" + t.table.toStdString();
    t.updateName = "jet_changes_upd_" + t.table.toStdString();
    const std::string body = " BEGIN DELETE FROM jet_changes WHERE tbl = " + text(t.table) +
                             " AND id = NEW.rowid; INSERT INTO jet_changes (tbl, id) VALUES (" + text(t.table) + ", NEW.rowid); END";
    t.insert = "CREATE TRIGGER " + ident(QString::fromStdString(t.insertName)) + " AFTER INSERT ON " + ident(table) + body;
    t.update = "CREATE TRIGGER " + ident(QString::fromStdString(t.updateName)) + " AFTER UPDATE OF " +
               watched.join(QStringLiteral(", ")).toStdString() + " ON " + ident(table) + body;
    return t;
}

bool triggersInPlace(engine::DbState& state, const LogTriggers& t)
{
    if (!state.hasTable(QString(), QStringLiteral("jet_changes"))) return false;
    Statement st(state.conn, "SELECT name, sql FROM main.sqlite_master WHERE type = 'trigger' AND tbl_name = ? COLLATE NOCASE");
    st.bind(1, t.table);
    int found = 0;
    while (st.step()) {
        const std::string name = st.column(0).toString().toStdString(), sql = st.column(1).toString().toStdString();
        if ((name == t.insertName && sql == t.insert) || (name == t.updateName && sql == t.update)) ++found;
    }
    st.reset();
    return found == 2;
}

// Puts the log's triggers on the table when they are missing or no longer fit its fields. The
// table may have been written without them (a new year, a file made before, a table made again),
// so every row of it is logged anew: each backup file then copies the whole table once more,
// which updates the copies it has and adds those it lacks. Runs inside a write transaction.
void ensureLog(engine::DbState& state, const LogTriggers& t, const QString& table)
{
    if (triggersInPlace(state, t)) return;
    Connection& c = state.conn;
    c.exec("CREATE TABLE IF NOT EXISTS main.jet_changes (seq INTEGER PRIMARY KEY AUTOINCREMENT, tbl TEXT NOT NULL, id INTEGER NOT NULL)");
    c.exec("CREATE UNIQUE INDEX IF NOT EXISTS main.jet_changes_row ON jet_changes (tbl, id)");
    c.exec("DROP TRIGGER IF EXISTS main." + ident(QString::fromStdString(t.insertName)));
    c.exec("DROP TRIGGER IF EXISTS main." + ident(QString::fromStdString(t.updateName)));
    c.exec(t.insert);
    c.exec(t.update);
    c.exec("DELETE FROM main.jet_changes WHERE tbl = " + text(t.table));
    c.exec("INSERT INTO main.jet_changes (tbl, id) SELECT " + text(t.table) + ", rowid FROM main." + ident(table) + " ORDER BY rowid");
}

// The document file's own name in the backup files' records: a copy of the program pointed at
// another document file starts that file's records from nothing. Read only (empty when missing)
// or made when `make` is set (inside a write transaction).
QString fileIdentity(Connection& c, engine::DbState& state, bool make)
{
    if (state.hasTable(QString(), QStringLiteral("jet_fileid"))) {
        Statement st(c, "SELECT id FROM " + home(c) + "jet_fileid");
        const QString id = st.step() ? st.column(0).toString() : QString();
        st.reset();
        if (!id.isEmpty() || !make) return id;
    } else if (!make) {
        return QString();
    }
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    c.exec("CREATE TABLE IF NOT EXISTS " + home(c) + "jet_fileid (id TEXT NOT NULL)");
    c.exec("INSERT INTO " + home(c) + "jet_fileid (id) VALUES (" + text(id) + ")");
    return id;
}

qint64 lastChange(Connection& c)
{
    Statement st(c, "SELECT coalesce(max(seq), 0) FROM " + home(c) + "jet_changes");
    const qint64 n = st.step() ? st.columnInt(0) : 0;
    st.reset();
    return n;
}

// ---- What a backup file has copied ---------------------------------------------------------

std::string backupRecords(const QString& schema) { return ident(schema) + ".jet_backup"; }

qint64 copiedUpTo(engine::DbState& state, const QString& schema, const QString& source, const QString& table)
{
    if (source.isEmpty() || !state.hasTable(schema, QStringLiteral("jet_backup"))) return 0;
    Statement st(state.conn, "SELECT seq FROM " + backupRecords(schema) + " WHERE source = ? AND tbl = ?");
    st.bind(1, source);
    st.bind(2, table.toLower());
    const qint64 n = st.step() ? st.columnInt(0) : 0;
    st.reset();
    return n;
}

void recordCopied(Connection& c, const QString& schema, const QString& source, const QString& table, qint64 upTo)
{
    c.exec("CREATE TABLE IF NOT EXISTS " + backupRecords(schema) +
           " (source TEXT NOT NULL, tbl TEXT NOT NULL, seq INTEGER NOT NULL, PRIMARY KEY (source, tbl))");
    c.exec("INSERT OR REPLACE INTO " + backupRecords(schema) + " (source, tbl, seq) VALUES (" + text(source) + ", " +
           text(table.toLower()) + ", " + std::to_string(upTo) + ")");
}

bool changedAfter(Connection& c, const QString& table, qint64 upTo)
{
    Statement st(c, "SELECT 1 FROM " + home(c) + "jet_changes WHERE tbl = ? AND seq > ? LIMIT 1");
    st.bind(1, table.toLower());
    st.bindInt(2, upTo);
    const bool found = st.step();
    st.reset();
    return found;
}

// Puts the rows waiting in "temp.jet_backuprows" into `table` of the backup file under `schema`:
// a row whose copy is there updates it, any other row is added.
void applyBackupRows(Connection& c, const QString& schema, const QString& table, const QStringList& fields)
{
    QStringList others;
    for (const QString& f : fields)
        if (f.compare(kIdcu, Qt::CaseInsensitive) != 0) others.append(QString::fromStdString(ident(f)));
    const std::string target = ident(schema) + "." + ident(table);
    const std::string all = others.join(QStringLiteral(", ")).toStdString() + ", idcu";
    const std::string values = others.join(QStringLiteral(", ")).toStdString();
    c.exec("CREATE INDEX temp.jet_backuprows_key ON jet_backuprows (idcu)");
    c.exec("UPDATE " + target + " SET (" + values + ") = (SELECT " + values + " FROM temp.jet_backuprows AS r WHERE r.idcu = " + target +
           ".idcu) WHERE idcu IN (SELECT idcu FROM temp.jet_backuprows)");
    c.exec("INSERT INTO " + target + " (" + all + ") SELECT " + all + " FROM temp.jet_backuprows WHERE idcu NOT IN (SELECT idcu FROM " + target +
           " WHERE idcu IS NOT NULL) ORDER BY rowid");
    c.exec("DROP TABLE temp.jet_backuprows");
}

// Copies the rows of `table` written after `upTo` into the same table of the attached backup
// file. A row without its own "idcu" is known by its id.
void copyChanges(Connection& c, const QString& schema, const QString& table, const QStringList& fields, qint64 upTo)
{
    QStringList selected;
    for (const QString& f : fields)
        selected.append(f.compare(kIdcu, Qt::CaseInsensitive) == 0 ? QStringLiteral("coalesce(idcu, rowid) AS idcu") : QString::fromStdString(ident(f)));
    c.exec("DROP TABLE IF EXISTS temp.jet_backuprows");
    c.exec("CREATE TEMP TABLE jet_backuprows AS SELECT " + selected.join(QStringLiteral(", ")).toStdString() + " FROM main." + ident(table) +
           " WHERE rowid IN (SELECT id FROM main.jet_changes WHERE tbl = " + text(table.toLower()) + " AND seq > " + std::to_string(upTo) +
           ") ORDER BY rowid");
    applyBackupRows(c, schema, table, fields);
}

// An attached file for the length of a scope (attached outside any transaction).
class Attached {
public:
    Attached(engine::DbState& state, const QString& path) : state_(state), alias_(state.conn.attach(path)) {}
    ~Attached() { state_.conn.release(alias_); }
    Attached(const Attached&) = delete;
    Attached& operator=(const Attached&) = delete;
    const QString& alias() const { return alias_; }

private:
    engine::DbState& state_;
    QString alias_;
};

// Makes a new backup file by `make(temp)` under a name of its own beside it, then puts it in place.
// Returns false, and leaves nothing behind, when another copy of the program has made the backup
// file meanwhile; a failure leaves nothing either, and a copy cut off by a crash is cleared first.
bool placeNewBackupFile(App& app, const std::function<void(const QString& temp)>& make)
{
    // Two clerks making the same backup file: the second leaves it to the first.
    QLockFile making(app.BackupFile + QStringLiteral(".lock"));
    making.setStaleLockTime(60 * 60 * 1000);
    if (!making.tryLock(0)) return false;
    const QString temp = app.BackupFile + QStringLiteral(".new");
    const auto removeTemp = [&] {
        QFile::remove(temp);
        QFile::remove(temp + QStringLiteral("-journal"));
    };
    removeTemp();
    try {
        make(temp);
        QFile::remove(temp + QStringLiteral("-journal"));
        if (QFile::exists(app.BackupFile)) {
            removeTemp();
            return false;
        }
        if (!QFile::rename(temp, app.BackupFile))
            throw engine::DbError(engine::ErrFileReadOnly, QStringLiteral("Không đặt được file backup %1.").arg(app.BackupFile));
        return true;
    } catch (...) {
        removeTemp();
        throw;
    }
}

// The first backup: a copy of the whole document file, put in place only when its records of what
// it holds are written.
bool copyWholeFile(App& app, engine::Database& doc, const QString& table)
{
    engine::DbState& state = *doc.state();
    Connection& c = state.conn;
    const bool logged = doc.HasTable(table);
    const LogTriggers triggers = logged ? logTriggers(doc, table) : LogTriggers{};
    doc.WriteTransaction([&] {
        if (logged) ensureLog(state, triggers, table);
        fileIdentity(c, state, true);
    });
    qint64 upTo = 0;
    const bool placed = placeNewBackupFile(app, [&](const QString& temp) {
        // The copy is taken while this program holds the file's write lock, so that it is one
        // committed state of the file and no later write is in it.
        QString source;
        doc.WriteTransaction([&] {
            source = fileIdentity(c, state, false);
            upTo = state.hasTable(QString(), QStringLiteral("jet_changes")) ? lastChange(c) : 0;
            if (!CopyOrDelete(app.DocFile, temp, QStringLiteral("copy")))
                throw engine::DbError(engine::ErrFileReadOnly, QStringLiteral("Không chép được file backup %1.").arg(temp));
        });
        // The copy is a backup file: it keeps what it holds, not the document file's log.
        engine::Database copy(temp);
        Connection& k = copy.state()->conn;
        copy.WriteTransaction([&] {
            QStringList triggerNames;
            Statement st(k, "SELECT name FROM main.sqlite_master WHERE type = 'trigger' AND substr(name, 1, 12) = 'jet_changes_'");
            while (st.step()) triggerNames.append(st.column(0).toString());
            st.reset();
            for (const QString& name : triggerNames) k.exec("DROP TRIGGER main." + ident(name));
            k.exec("DROP TABLE IF EXISTS main.jet_changes");
            k.exec("DROP TABLE IF EXISTS main.jet_fileid");
            for (const QString& t : yearTables(copy)) recordCopied(k, QStringLiteral("main"), source, t, upTo);
        });
    });
    // The register's rows that the copy holds are backed up: their state says so.
    if (placed && logged)
        doc.WriteTransaction([&] {
            c.exec("UPDATE main." + ident(table) + " SET kieuupdate = 0 WHERE kieuupdate > 0 AND rowid NOT IN (SELECT id FROM main.jet_changes WHERE tbl = " +
                   text(triggers.table) + " AND seq > " + std::to_string(upTo) + ")");
        });
    return placed;
}

// ---- Backup from a server ------------------------------------------------------------------
//
// A data file on a server keeps the same change log in its own schema: "jet_changes" with a
// sequence for "seq", written by a trigger on each year table. Its writers do not all take the
// file's lock (a save of one row locks that row only), so a number handed out may be committed
// after a later one; a backup therefore reads the log under a lock that waits for every writer
// of the log to end and holds new ones back until the rows are read. The backup file is a file
// of its own: the rows are read in one transaction of the server and written in one of the file,
// and the register's rows are marked backed up after both, leaving out any row written since.

// The log's trigger on one year table of a server. Its name carries a digest of the fields it
// watches, so that a table whose fields have changed gets its trigger made again.
struct ServerLog {
    QString table;        // lower case, as the log names it
    QString keyName;      // the column that keys the table's rows
    std::string key;      // the same, as a statement names it
    std::string trigger;  // the trigger's name
    std::string create;   // the statement that makes it
};

ServerLog serverLog(engine::Database& doc, const QString& table)
{
    const engine::TableDef def = doc.TableDefOf(table);
    const engine::Dialect& d = doc.state()->conn.dialect();
    ServerLog log;
    log.table = table.toLower();
    log.keyName = QStringLiteral("jet_rowid");
    QStringList watched;
    for (const engine::FieldDef& f : def.fields) {
        const QString lower = f.name.toLower();
        if (f.isCounter()) log.keyName = lower;
        if (lower != QLatin1String("kieuupdate") && lower != QLatin1String("chonin")) watched.append(QString::fromStdString(d.ident(f.name)));
    }
    log.key = d.ident(log.keyName);
    const QByteArray digest = QCryptographicHash::hash(watched.join(QLatin1Char(',')).toUtf8(), QCryptographicHash::Sha1).toHex().left(10);
    log.trigger = "jet_changes_" + log.table.toStdString() + "_" + digest.toStdString();
    log.create = "CREATE TRIGGER " + d.ident(QString::fromStdString(log.trigger)) + " AFTER INSERT OR UPDATE OF " +
                 watched.join(QStringLiteral(", ")).toStdString() + " ON " + d.ident(table) + " FOR EACH ROW EXECUTE FUNCTION jet_log_change(" +
                 text(log.table) + ", " + text(log.keyName) + ")";
    return log;
}

// The log's triggers of a table, by name.
QStringList serverTriggers(Connection& c, const QString& table)
{
    QStringList names;
    Statement st(c, "SELECT t.tgname FROM pg_trigger t JOIN pg_class r ON r.oid = t.tgrelid JOIN pg_namespace n ON n.oid = r.relnamespace "
                    "WHERE n.nspname = current_schema() AND lower(r.relname::text) = ? AND t.tgname LIKE 'jet\\_changes\\_%'");
    st.bindUtf8(1, table);
    while (st.step()) names.append(st.columnUtf8(0));
    st.reset();
    return names;
}

bool serverLogInPlace(engine::DbState& state, const ServerLog& log)
{
    return state.hasTable(QString(), QStringLiteral("jet_changes")) &&
           serverTriggers(state.conn, log.table) == QStringList{QString::fromStdString(log.trigger)};
}

// Puts the log's trigger on the table when it is missing or watches other fields, and logs
// every row of the table anew (see ensureLog). Runs inside a write transaction.
void ensureServerLog(engine::DbState& state, const ServerLog& log, const QString& table)
{
    if (serverLogInPlace(state, log)) return;
    Connection& c = state.conn;
    const engine::Dialect& d = c.dialect();
    c.exec("CREATE TABLE IF NOT EXISTS jet_changes (seq bigserial PRIMARY KEY, tbl text NOT NULL, id bigint NOT NULL, UNIQUE (tbl, id))");
    // The schema is found from the table written, so that a data file renamed on its server
    // keeps its log.
    c.exec("CREATE OR REPLACE FUNCTION jet_log_change() RETURNS trigger LANGUAGE plpgsql AS $f$\n"
           "DECLARE k bigint;\n"
           "BEGIN\n"
           "  EXECUTE format('SELECT ($1).%I', TG_ARGV[1]) USING NEW INTO k;\n"
           "  EXECUTE format('DELETE FROM %I.jet_changes WHERE tbl = $1 AND id = $2', TG_TABLE_SCHEMA) USING TG_ARGV[0], k;\n"
           "  EXECUTE format('INSERT INTO %I.jet_changes (tbl, id) VALUES ($1, $2)', TG_TABLE_SCHEMA) USING TG_ARGV[0], k;\n"
           "  RETURN NULL;\n"
           "END $f$");
    for (const QString& name : serverTriggers(c, log.table)) c.exec("DROP TRIGGER " + d.ident(name) + " ON " + d.ident(table));
    c.exec(log.create);
    c.exec("DELETE FROM jet_changes WHERE tbl = " + text(log.table));
    c.exec("INSERT INTO jet_changes (tbl, id) SELECT " + text(log.table) + ", " + log.key + " FROM " + d.ident(table) + " ORDER BY " + log.key);
}

// Holds back every writer of the log until the transaction ends, once those under way have
// ended: the log then shows every change committed, and no number below its last is still to come.
void settleLog(Connection& c) { c.exec("LOCK TABLE jet_changes IN SHARE MODE"); }

// Rows of the register read from the server, in the order of the backup file's fields.
struct ServerRows {
    QString source;
    qint64 upTo = 0;
    std::vector<QVariantList> rows;
};

// Reads the rows written after `after` (every row when `whole`), with the log's last number.
ServerRows readServerRows(engine::Database& doc, const ServerLog& log, const QString& table, const QStringList& fields, qint64 after, bool whole)
{
    engine::DbState& state = *doc.state();
    Connection& c = state.conn;
    const engine::Dialect& d = c.dialect();
    std::string columns;
    for (const QString& f : fields)
        columns += (columns.empty() ? "" : ", ") +
                   (f.compare(kIdcu, Qt::CaseInsensitive) == 0 ? "coalesce(idcu, " + log.key + ")" : d.ident(f));
    std::string sql = "SELECT " + columns + " FROM " + d.ident(table);
    if (!whole) sql += " WHERE " + log.key + " IN (SELECT id FROM jet_changes WHERE tbl = " + text(log.table) + " AND seq > " + std::to_string(after) + ")";
    sql += " ORDER BY " + log.key;
    ServerRows out;
    doc.WriteTransaction([&] {
        settleLog(c);
        out.source = fileIdentity(c, state, false);
        out.upTo = lastChange(c);
        Statement st(c, sql);
        const int count = static_cast<int>(fields.size());
        while (st.step()) {
            QVariantList row;
            row.reserve(count);
            for (int k = 0; k < count; ++k) row.append(st.column(k));
            out.rows.push_back(std::move(row));
        }
        st.reset();
    });
    return out;
}

// Marks the register's rows backed up, but for those written after the copy's last number. The
// table's writers are held back first (a save locks its row, then writes the log), then the log's,
// so that a save committed while the marks are written cannot be taken for one the copy holds.
void markServerRowsBackedUp(engine::Database& doc, const ServerLog& log, const QString& table, qint64 upTo)
{
    Connection& c = doc.state()->conn;
    doc.WriteTransaction([&] {
        c.exec("LOCK TABLE " + c.dialect().ident(table) + " IN SHARE ROW EXCLUSIVE MODE");
        settleLog(c);
        c.exec("UPDATE " + c.dialect().ident(table) + " SET kieuupdate = 0 WHERE kieuupdate > 0 AND " + log.key +
               " NOT IN (SELECT id FROM jet_changes WHERE tbl = " + text(log.table) + " AND seq > " + std::to_string(upTo) + ")");
    });
}

// The first backup from a server: the whole data file copied into a new file, put in place when
// its records of what it holds are written.
bool copyWholeServerFile(App& app, engine::Database& doc, const QString& table)
{
    engine::DbState& state = *doc.state();
    Connection& c = state.conn;
    const bool logged = doc.HasTable(table);
    const ServerLog log = logged ? serverLog(doc, table) : ServerLog{};
    QString source;
    qint64 upTo = 0;
    doc.WriteTransaction([&] {
        if (logged) ensureServerLog(state, log, table);
        source = fileIdentity(c, state, true);
    });
    // Every change up to this number is committed before the copy reads: one that comes after
    // it has a later number and is copied by the next backup.
    if (logged)
        doc.WriteTransaction([&] {
            settleLog(c);
            upTo = lastChange(c);
        });
    const bool placed = placeNewBackupFile(app, [&](const QString& temp) {
        engine::Database::createFile(temp);
        engine::Database copy(temp);
        engine::CopyDataFile(doc, copy);
        Connection& k = copy.state()->conn;
        copy.WriteTransaction([&] {
            for (const QString& t : yearTables(copy)) recordCopied(k, QStringLiteral("main"), source, t, upTo);
        });
    });
    if (placed && logged) markServerRowsBackedUp(doc, log, table, upTo);
    return placed;
}

// Copies the register's rows written since the backup file's last copy from the server into it.
void backupFromServer(App& app, engine::Database& doc, const QString& table, QString& step, std::unique_ptr<QWidget>& notice)
{
    engine::DbState& state = *doc.state();
    Connection& c = state.conn;
    engine::Database backup(app.BackupFile);
    engine::DbState& backupState = *backup.state();
    Connection& b = backupState.conn;
    const ServerLog log = serverLog(doc, table);
    const QStringList fields = copiedFields(doc, table);
    const bool wholeTable = !backup.HasTable(table);
    qint64 after = copiedUpTo(backupState, QStringLiteral("main"), fileIdentity(c, state, false), table);
    // Nothing written since this backup file's last copy: nothing to copy, nothing shown. Rows
    // still marked pending (a close whose marking failed after its copy) are marked now.
    if (!wholeTable && serverLogInPlace(state, log) && !changedAfter(c, table, after)) {
        step = QStringLiteral("ghi trạng thái đã backup của các công văn.");
        Statement pending(c, "SELECT 1 FROM " + c.dialect().ident(table) + " WHERE kieuupdate > 0 LIMIT 1");
        const bool any = pending.step();
        pending.reset();
        if (any) markServerRowsBackedUp(doc, log, table, after);
        return;
    }

    app.MsgText = QStringLiteral("Máy tính đang backup dữ liệu !...");
    app.MsgMode = QStringLiteral("tbao");
    notice = app.modal().notice(app);

    doc.WriteTransaction([&] {
        ensureServerLog(state, log, table);
        fileIdentity(c, state, true);
    });
    // A log made just now holds every row: so does the copy.
    after = copiedUpTo(backupState, QStringLiteral("main"), fileIdentity(c, state, false), table);
    step = QStringLiteral("đọc các công văn mới, công văn đã sửa trên máy chủ.");
    const ServerRows read = readServerRows(doc, log, table, fields, after, wholeTable);

    step = wholeTable ? QStringLiteral("sao chép cả bảng ") + table + QStringLiteral(" sang file dữ liệu backup.")
                      : QStringLiteral("ghi các công văn vào file backup.");
    backup.WriteTransaction([&] {
        // Another clerk's backup into this same file may have copied as much meanwhile, or made
        // the table: the rows read then update its copies.
        const bool missing = !backupState.hasTable(QString(), table);
        if (!missing && copiedUpTo(backupState, QStringLiteral("main"), read.source, table) >= read.upTo) return;
        if (missing) b.createTable(doc.TableDefOf(table));
        std::string columns, values;
        for (const QString& f : fields) {
            columns += (columns.empty() ? "" : ", ") + ident(f);
            values += values.empty() ? "?" : ", ?";
        }
        b.exec("DROP TABLE IF EXISTS temp.jet_backuprows");
        b.exec("CREATE TEMP TABLE jet_backuprows AS SELECT " + columns + " FROM main." + ident(table) + " WHERE 0");
        Statement insert(b, "INSERT INTO temp.jet_backuprows (" + columns + ") VALUES (" + values + ")");
        for (const QVariantList& row : read.rows) {
            for (int k = 0; k < row.size(); ++k) insert.bind(k + 1, row[k]);
            insert.run();
        }
        applyBackupRows(b, QStringLiteral("main"), table, fields);
        recordCopied(b, QStringLiteral("main"), read.source, table, read.upTo);
    });
    // The copy is made: what is left is bookkeeping, which a failure leaves for the next close
    // (the saved queries are made again, and rows still pending are marked then).
    try {
        if (!wholeTable) {
            const QString path = engine::escapeQuotes(app.BackupFile);
            keepQuery(doc, QStringLiteral("Qrbangcvden"), QStringLiteral("select * from ") + app.InDocTable + QStringLiteral(" in '") + path + QLatin1Char('\''));
            keepQuery(doc, QStringLiteral("Qrbangcvdi"), QStringLiteral("select * from ") + app.OutDocTable + QStringLiteral(" in '") + path + QLatin1Char('\''));
        }
        markServerRowsBackedUp(doc, log, table, read.upTo);
    } catch (const engine::DbError& e) {
        app.RecordFailure(e);
    }
}

}  // namespace

void BackupRegister(App& app, const QString& kind)
{
    if (app.BackupFile.trimmed().size() < 3 || app.BackupFile == app.DocFile || !app.DocDb) return;
    engine::Database& doc = *app.DocDb;
    BusyCursor busy;
    const bool outgoing = kind == QLatin1String("cvdi");
    const QString table = outgoing ? app.OutDocTable : app.InDocTable;

    const bool onServer = !engine::Database::IsPath(app.DocFile);

    if (PathExists(app.BackupFile).isEmpty()) {
        // A failed first copy leaves nothing, and is made again at the next close.
        std::unique_ptr<QWidget> notice;
        try {
            if (onServer) {  // a copy over the network takes a while
                app.MsgText = QStringLiteral("Máy tính đang backup dữ liệu !...");
                app.MsgMode = QStringLiteral("tbao");
                notice = app.modal().notice(app);
            }
            if (onServer ? copyWholeServerFile(app, doc, table) : copyWholeFile(app, doc, table)) return;
        } catch (const engine::DbError& e) {
            notice.reset();
            app.RecordFailure(e);
            app.Message(QStringLiteral("Gặp lỗi khi đang chép toàn bộ dữ liệu công văn sang file backup ") + app.BackupFile + QLatin1Char('.') +
                        QLatin1Char('\r') + QStringLiteral(" Việc backup không thực hiện được. Cần thông báo cho cán bộ quản trị mạng biết !"));
            return;
        }
    }

    engine::DbState& state = *doc.state();
    Connection& c = state.conn;
    QString step = QStringLiteral("mở file backup công văn.");
    std::unique_ptr<QWidget> notice;
    try {
        if (onServer) {
            backupFromServer(app, doc, table, step, notice);
            notice.reset();
            return;
        }
        const LogTriggers triggers = logTriggers(doc, table);
        const Attached backup(state, app.BackupFile);
        const QString& alias = backup.alias();
        {
            // Nothing written since this backup file's last copy: nothing to do, nothing shown.
            const QString source = fileIdentity(c, state, false);
            if (triggersInPlace(state, triggers) && state.hasTable(alias, table) &&
                !changedAfter(c, table, copiedUpTo(state, alias, source, table)))
                return;
        }
        app.MsgText = QStringLiteral("Máy tính đang backup dữ liệu !...");
        app.MsgMode = QStringLiteral("tbao");
        notice = app.modal().notice(app);

        const QString path = engine::escapeQuotes(app.BackupFile);
        bool wholeTable = false;
        // One transaction over both files: the copies, this backup file's record of them, the
        // saved queries and the row states are committed together or not at all.
        doc.WriteTransaction([&] {
            ensureLog(state, triggers, table);
            const QString source = fileIdentity(c, state, true);
            const qint64 upTo = lastChange(c);
            wholeTable = !state.hasTable(alias, table);
            if (wholeTable) {
                step = QStringLiteral("sao chép cả bảng ") + table + QStringLiteral(" sang file dữ liệu backup.");
                doc.Execute(QStringLiteral("SELECT ") + table + QStringLiteral(".* INTO ") + table + QStringLiteral(" IN '") + path +
                            QStringLiteral("' FROM ") + table + QStringLiteral(" ;"));
            } else {
                copyChanges(c, alias, table, copiedFields(doc, table), copiedUpTo(state, alias, source, table));
                keepQuery(doc, QStringLiteral("Qrbangcvden"), QStringLiteral("select * from ") + app.InDocTable + QStringLiteral(" in '") + path + QLatin1Char('\''));
                keepQuery(doc, QStringLiteral("Qrbangcvdi"), QStringLiteral("select * from ") + app.OutDocTable + QStringLiteral(" in '") + path + QLatin1Char('\''));
            }
            recordCopied(c, alias, source, table, upTo);
            doc.Execute(QStringLiteral("update ") + table + QStringLiteral(" set kieuupdate=0 where kieuupdate>0"));
        });
        if (wholeTable) {
            engine::Database copy(app.BackupFile);
            copy.Execute(QStringLiteral("CREATE INDEX idprimarykey ON ") + table + QStringLiteral("(id ASC) WITH  PRIMARY "));
            for (const engine::FieldDef& f : copy.TableDefOf(table).fields)
                if (f.isText()) copy.SetAllowZeroLength(table, f.name, true);
        }
        notice.reset();
    } catch (const engine::DbError& e) {
        notice.reset();
        app.RecordFailure(e);
        app.Message(QStringLiteral("Gặp lỗi khi đang ") + step + QLatin1Char('\r') +
                    QStringLiteral(" Việc backup không thực hiện được. Cần thông báo cho cán bộ quản trị mạng biết !"));
    }
}

}  // namespace korvane
