#include "pgconnection.h"

#include "dialect.h"
#include "jetsql.h"
#include "tcvn3.h"

#include <libpq-fe.h>

#include <QByteArray>
#include <QHash>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>

namespace engine {
namespace {

// Type ids of the server's built-in types that results carry.
constexpr Oid kBool = 16, kBytea = 17, kInt8 = 20, kInt2 = 21, kInt4 = 23, kFloat4 = 700, kFloat8 = 701,
              kVarchar = 1043, kNumeric = 1700, kOid = 26;

// The server's helpers, in a schema of their own beside the data files' schemas: the letter-case
// rule of text fields (an ICU collation that ignores case and keeps marks), the yes/no type, and
// the functions the translated statements call. Made once per server database.
const char* const kHelpers = R"sql(
CREATE SCHEMA IF NOT EXISTS jet;
DO $$ BEGIN
  IF NOT EXISTS (SELECT 1 FROM pg_collation WHERE collname = 'nocase' AND collnamespace = 'jet'::regnamespace) THEN
    CREATE COLLATION jet.nocase (provider = icu, locale = 'und-u-ks-level2', deterministic = false);
  END IF;
  IF NOT EXISTS (SELECT 1 FROM pg_type WHERE typname = 'yesno' AND typnamespace = 'jet'::regnamespace) THEN
    CREATE DOMAIN jet.yesno AS smallint DEFAULT 0;
  END IF;
END $$;
-- A Jet pattern as a regular expression; `folded`: each letter of it stands for the letters with
-- any marks built on its base letter (jet_letter).
CREATE OR REPLACE FUNCTION jet.jet_pattern(p text, folded boolean) RETURNS text LANGUAGE plpgsql IMMUTABLE STRICT AS $f$
DECLARE
  q text COLLATE "C" := p;
  r text COLLATE "C" := '^';
  c text COLLATE "C";
  i int := 1;
  j int;
  opening boolean;
  ranged boolean;
  lo text COLLATE "C";
  b text COLLATE "C";
  specials text COLLATE "C" := '\][^-';
BEGIN
  WHILE i <= length(q) LOOP
    c := substr(q, i, 1);
    IF c = '*' THEN r := r || '.*';
    ELSIF c = '?' THEN r := r || '.';
    ELSIF c = '#' THEN r := r || '[0-9]';
    ELSIF c = '[' THEN
      -- A list: "!" first negates it; its first letter counts even when it is "]"; "a-z" is a
      -- range. A list left open matches nothing.
      j := i + 1;
      r := r || '[';
      IF substr(q, j, 1) = '!' THEN r := r || '^'; j := j + 1; END IF;
      opening := true;
      WHILE j <= length(q) AND (substr(q, j, 1) <> ']' OR opening) LOOP
        opening := false;
        ranged := j + 2 <= length(q) AND substr(q, j + 1, 1) = '-' AND substr(q, j + 2, 1) <> ']';
        c := substr(q, j, 1);
        IF folded THEN c := jet.jet_fold(c); END IF;
        IF strpos(specials, c) > 0 THEN r := r || '\' || c;
        -- Folded, a letter stands for every letter with marks on it.
        ELSIF folded AND NOT ranged THEN r := r || btrim(jet.jet_letter(c), '[]');
        ELSE r := r || c;
        END IF;
        IF ranged THEN
          lo := c;
          c := substr(q, j + 2, 1);
          IF folded THEN c := jet.jet_fold(c); END IF;
          r := r || '-' || CASE WHEN strpos(specials, c) > 0 THEN '\' || c ELSE c END;
          -- Folded, a range of base letters holds the letters with marks on them too.
          IF folded THEN
            FOREACH b IN ARRAY ARRAY['a', 'd', 'e', 'i', 'o', 'u', 'y'] LOOP
              IF b >= lo AND b <= c THEN r := r || btrim(jet.jet_letter(b), '[]'); END IF;
            END LOOP;
          END IF;
          j := j + 3;
        ELSE
          j := j + 1;
        END IF;
      END LOOP;
      IF j > length(q) THEN RETURN '(?!)'; END IF;
      r := r || ']';
      i := j;
    ELSIF strpos('.^$+(){}|\[]', c) > 0 THEN r := r || '\' || c;
    ELSIF folded THEN r := r || jet.jet_letter(jet.jet_fold(c));
    ELSE r := r || c;
    END IF;
    i := i + 1;
  END LOOP;
  RETURN r || '$';
END $f$;
CREATE OR REPLACE FUNCTION jet.jet_pattern(p text) RETURNS text LANGUAGE sql IMMUTABLE STRICT AS $f$ SELECT jet.jet_pattern(p, false) $f$;
CREATE OR REPLACE FUNCTION jet.jet_like(t text, p text) RETURNS boolean LANGUAGE sql IMMUTABLE STRICT AS $f$
  SELECT t COLLATE "und-x-icu" ~* jet.jet_pattern(p) $f$;
CREATE OR REPLACE FUNCTION jet.jet_like_folded(t text, p text) RETURNS boolean LANGUAGE sql IMMUTABLE STRICT AS $f$
  SELECT t COLLATE "und-x-icu" ~* jet.jet_pattern(p, true) $f$;
CREATE OR REPLACE FUNCTION jet.jet_val(t text) RETURNS double precision LANGUAGE sql IMMUTABLE STRICT AS $f$
  SELECT coalesce(substring(t COLLATE "C" from '^ *([-+]?([0-9]+(\.[0-9]*)?|\.[0-9]+))')::double precision, 0) $f$;
CREATE OR REPLACE FUNCTION jet.jet_val(t double precision) RETURNS double precision LANGUAGE sql IMMUTABLE STRICT AS $f$
  SELECT t $f$;
CREATE OR REPLACE FUNCTION jet.len(t text) RETURNS integer LANGUAGE sql IMMUTABLE STRICT AS $f$ SELECT char_length(t) $f$;
CREATE OR REPLACE FUNCTION jet.jet_left(t text, n integer) RETURNS text LANGUAGE sql IMMUTABLE AS $f$
  SELECT left(t, greatest(n, 0)) $f$;
CREATE OR REPLACE FUNCTION jet.jet_right(t text, n integer) RETURNS text LANGUAGE sql IMMUTABLE AS $f$
  SELECT right(t, greatest(n, 0)) $f$;
CREATE OR REPLACE FUNCTION jet.jet_mid(t text, s integer) RETURNS text LANGUAGE sql IMMUTABLE AS $f$
  SELECT substr(t, greatest(s, 1)) $f$;
CREATE OR REPLACE FUNCTION jet.jet_mid(t text, s integer, n integer) RETURNS text LANGUAGE sql IMMUTABLE AS $f$
  SELECT substr(t, greatest(s, 1), greatest(n, 0)) $f$;
CREATE OR REPLACE FUNCTION jet.jet_upper(t text) RETURNS text LANGUAGE sql IMMUTABLE AS $f$
  SELECT upper(t COLLATE "und-x-icu") $f$;
CREATE OR REPLACE FUNCTION jet.jet_lower(t text) RETURNS text LANGUAGE sql IMMUTABLE AS $f$
  SELECT lower(t COLLATE "und-x-icu") $f$;
CREATE OR REPLACE FUNCTION jet.jet_format(v text, f text) RETURNS text LANGUAGE plpgsql IMMUTABLE AS $f$
DECLARE
  s text COLLATE "C" := v;
  g text COLLATE "C" := f;
  parts text[];
  d int; m int; y int;
  out text := '';
  c text COLLATE "C";
  i int := 1;
  run int;
BEGIN
  IF s IS NULL THEN RETURN NULL; END IF;
  IF s ~ '^[0-9]{8}$' THEN
    y := substr(s, 1, 4)::int; m := substr(s, 5, 2)::int; d := substr(s, 7, 2)::int;
  ELSIF s ~ '^ *[0-9]{1,4} *[/.-] *[0-9]{1,4} *[/.-] *[0-9]{1,4} *$' THEN
    parts := regexp_split_to_array(replace(s, ' ', ''), '[/.-]');
    d := parts[1]::int; m := parts[2]::int; y := parts[3]::int;
    IF y < 100 THEN y := y + CASE WHEN y < 30 THEN 2000 ELSE 1900 END; END IF;
  ELSE
    RETURN v;
  END IF;
  IF d < 1 OR d > 31 OR m < 1 OR m > 12 THEN RETURN v; END IF;
  WHILE i <= length(g) LOOP
    c := lower(substr(g, i, 1));
    run := 1;
    WHILE i + run <= length(g) AND lower(substr(g, i + run, 1)) = c LOOP run := run + 1; END LOOP;
    IF c = 'y' THEN out := out || CASE WHEN run >= 3 THEN lpad(y::text, 4, '0') ELSE lpad((y % 100)::text, 2, '0') END;
    ELSIF c = 'm' THEN out := out || CASE WHEN run >= 2 THEN lpad(m::text, 2, '0') ELSE m::text END;
    ELSIF c = 'd' THEN out := out || CASE WHEN run >= 2 THEN lpad(d::text, 2, '0') ELSE d::text END;
    ELSE out := out || substr(g, i, run);
    END IF;
    i := i + run;
  END LOOP;
  RETURN out;
END $f$;
-- The next value of a table's counter, under the counter's own lock till the transaction ends:
-- past every value handed out and every row stored (rows copied in keep their own ids). Each
-- statement here reads what was committed before the lock was taken.
CREATE OR REPLACE FUNCTION jet.next_counter(tbl text, col text, lock_key bigint) RETURNS bigint LANGUAGE plpgsql VOLATILE AS $f$
DECLARE
  s text := pg_get_serial_sequence(tbl, col);
  largest bigint;
BEGIN
  PERFORM pg_advisory_xact_lock(lock_key);
  EXECUTE format('SELECT coalesce(max(%I), 0) + 1 FROM %s', col, tbl) INTO largest;
  RETURN setval(s, greatest(nextval(s), largest));
END $f$;
CREATE OR REPLACE FUNCTION jet.helpers_5() RETURNS integer LANGUAGE sql IMMUTABLE AS $f$ SELECT 1 $f$;
)sql";

// The helpers that leave marks aside, spelled from the rule files follow (tcvn3::withoutMarks) over
// every letter a text can hold: jet_fold(t), the text with each letter its small base letter, and
// jet_letter(c), the regular expression's list of every letter built on the base letter c.
std::string foldHelpers()
{
    QString from, to;
    std::map<char16_t, QString> built;  // base letter: the letters with marks on it
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        if (!tcvn3::isAssigned(byte)) continue;
        const char16_t c = tcvn3::toUnicode(byte), base = tcvn3::withoutMarks(c);
        if (base == c) continue;
        from += QChar(c);
        to += QChar(base);
        if (c >= 0x80) built[base] += QChar(c);
    }
    std::string letters;
    for (const auto& [base, variants] : built)
        letters += " WHEN '" + QString(QChar(base)).toStdString() + "' THEN '[" + (QString(QChar(base)) + variants).toUtf8().toStdString() + "]'";
    return "CREATE OR REPLACE FUNCTION jet.jet_fold(t text) RETURNS text LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE AS $f$ SELECT translate(t, '" +
           from.toUtf8().toStdString() + "', '" + to.toUtf8().toStdString() + "') $f$;\n" +
           "CREATE OR REPLACE FUNCTION jet.jet_letter(c text) RETURNS text LANGUAGE sql IMMUTABLE STRICT AS $f$ SELECT CASE c" + letters +
           " ELSE c END $f$;\n";
}

// A text as UTF-8 holding exactly what a file would: the letters TCVN3 has (others are refused)
// and capital toned vowels as their small letters, so that an office moves between files and
// a server without a letter changing.
std::string asInAFile(const QString& text) { return fromStored(toStored(text)).toUtf8().toStdString(); }

// The column standing in for SQLite's row id in a table without a counter of its own.
constexpr const char* kRowKey = "jet_rowid";

class PgDialect final : public Dialect {
public:
    std::string encode(const QString& text) const override { return asInAFile(text); }
    // Names are compared without regard to case, as in a file: the server keeps them in small
    // letters, and every statement names them so.
    std::string name(const QString& text) const override { return asInAFile(text.toLower()); }
    std::string textLiteral(const QString& value) const override { return '\'' + encode(value) + '\''; }
    std::string leadingNumber(const std::string& expr) const override { return "jet_val(" + expr + ')'; }
    std::string emptyIfNull(const std::string& expr) const override { return "coalesce(" + expr + ", '')"; }
    // Case-blind ICU ordering costs a collation lookup per row, and it would put punctuation
    // before digits where a file puts it after.
    std::string bytewise(const std::string& expr) const override { return '(' + expr + " COLLATE \"C\")"; }
    std::string like(const std::string& text, const std::string& pattern, bool negated) const override
    {
        return std::string(negated ? "NOT " : "") + "jet_like(" + text + ", " + pattern + ')';
    }
    std::string likeWithoutMarks(const std::string& text, const std::string& pattern, bool negated) const override
    {
        return std::string(negated ? "NOT " : "") + "jet_like_folded(" + text + ", " + pattern + ')';
    }
    std::string function(const QString& name) const override
    {
        static const QHash<QString, QString> map = {
            {QStringLiteral("left"), QStringLiteral("jet_left")},   {QStringLiteral("right"), QStringLiteral("jet_right")},
            {QStringLiteral("mid"), QStringLiteral("jet_mid")},     {QStringLiteral("ucase"), QStringLiteral("jet_upper")},
            {QStringLiteral("lcase"), QStringLiteral("jet_lower")}, {QStringLiteral("val"), QStringLiteral("jet_val")},
            {QStringLiteral("format"), QStringLiteral("jet_format")}, {QStringLiteral("length"), QStringLiteral("len")},
            {QStringLiteral("fold"), QStringLiteral("jet_fold")},
        };
        return map.value(name.toLower(), name).toStdString();
    }
    std::string columnDeclaration(const FieldDef& f, const QString& primaryName) const override
    {
        std::string decl = ident(f.name) + ' ';
        const std::string constraint = primaryName.isEmpty() ? std::string() : " CONSTRAINT " + ident(primaryName) + " PRIMARY KEY";
        if (f.isCounter()) return decl + "integer GENERATED BY DEFAULT AS IDENTITY" + constraint;
        switch (f.type) {
        case FieldType::Boolean: decl += "jet.yesno NOT NULL DEFAULT 0"; break;
        case FieldType::Integer: decl += "smallint"; break;
        case FieldType::Long: decl += "integer"; break;
        case FieldType::Double: decl += "double precision"; break;
        case FieldType::Text: decl += "varchar(" + std::to_string(f.size) + ") COLLATE jet.nocase"; break;
        case FieldType::Memo: decl += "text COLLATE jet.nocase"; break;
        }
        decl += constraint;
        if (f.isText() && !f.allowZeroLength)
            decl += " CONSTRAINT " + ident(QStringLiteral("nonempty:") + f.name) + " CHECK (" + ident(f.name) + " <> '')";
        return decl;
    }
    std::string rowKey(const QList<FieldDef>& fields) const override
    {
        for (const FieldDef& f : fields)
            if (f.isCounter()) return ident(f.name);
        return kRowKey;
    }
    std::string tempTable(const std::string& name) const override { return "pg_temp." + name; }
    std::string createTempIndex(const std::string& table, const std::string& column) const override
    {
        return "CREATE INDEX ON pg_temp." + table + " (" + column + ')';
    }
    bool spellsOutStar() const override { return true; }
    std::string lockingRow() const override { return " FOR UPDATE"; }
    std::vector<std::string> keyOfNewTable(const std::string& table, const QList<FieldDef>& fields) const override
    {
        for (const FieldDef& f : fields)
            if (f.isCounter()) return {};
        return {"ALTER TABLE " + table + " ADD COLUMN " + kRowKey + " bigint GENERATED BY DEFAULT AS IDENTITY UNIQUE"};
    }
    std::string rowParameter(int, const FieldDef& field) const override
    {
        switch (field.type) {
        case FieldType::Boolean:
        case FieldType::Integer:
        case FieldType::Long: return "CAST(? AS bigint)";
        case FieldType::Double: return "CAST(? AS double precision)";
        case FieldType::Text:
        case FieldType::Memo: break;
        }
        return "CAST(? AS text) COLLATE jet.nocase";
    }
};

const PgDialect& pgDialect()
{
    static const PgDialect d;
    return d;
}

// A statement's "?" parameters written as the server numbers them ($1, $2, ...), outside texts
// and quoted names.
std::string numberParameters(std::string_view sql, int* count)
{
    std::string out;
    out.reserve(sql.size() + 8);
    char quote = 0;
    *count = 0;
    for (const char c : sql) {
        if (quote) {
            if (c == quote) quote = 0;
            out += c;
        } else if (c == '\'' || c == '"') {
            quote = c;
            out += c;
        } else if (c == '?') {
            out += '$' + std::to_string(++*count);
        } else {
            out += c;
        }
    }
    return out;
}

// A statement that may be sent again on a new link when the old one turns out lost: it changes
// nothing by itself, and nothing was under way on the link (outside a transaction). A write always
// comes after a BEGIN, which is sent again, so a clerk's save goes through on the new link.
bool resendable(std::string_view sql)
{
    while (!sql.empty() && (sql.front() == ' ' || sql.front() == '\n')) sql.remove_prefix(1);
    for (const char* head : {"SELECT", "BEGIN", "SET ", "SHOW"})
        if (sql.substr(0, std::strlen(head)) == head) return true;
    return false;
}

std::string sqlState(const PGresult* r)
{
    const char* s = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    return s ? s : "";
}

// A stable number for a data file's name: the key of its writers' lock.
long long lockKey(const QString& schema)
{
    unsigned long long h = 1469598103934665603ULL;
    for (const char c : (QStringLiteral("jet:") + schema).toUtf8()) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ULL;
    }
    return static_cast<long long>(h & 0x7FFFFFFFFFFFFFFFULL);
}

struct ServerName {
    std::string conninfo;
    QString schema;
    QString server;  // for messages: the host (and port) without anything secret
};

// The address is read by libpq's own parser, which knows what QUrl does not: a list of hosts
// ("postgresql://a:5432,b:5433/office?target_session_attrs=read-write", the primary and its
// standby), sockets given as paths, settings in the query. A password in it, whether before the
// host or as "?password=", is refused: the address is shown in windows and kept in settings.
ServerName parseName(const QString& name)
{
    const qsizetype hash = name.lastIndexOf(QLatin1Char('#'));
    if (hash < 0 || hash + 1 >= name.size())
        throw DbError(ErrFileNotFound, QStringLiteral("Địa chỉ %1 thiếu tên tệp dữ liệu sau dấu '#' (ví dụ "
                                                      "postgresql://maychu/vanphong#zeltcv).")
                                           .arg(name));
    ServerName n;
    n.conninfo = name.left(hash).toUtf8().toStdString();
    n.schema = QUrl::fromPercentEncoding(name.mid(hash + 1).toUtf8()).toLower();
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(n.conninfo.c_str(), &error);
    if (!options) {
        const QString why = error ? QString::fromUtf8(error).trimmed() : QString();
        PQfreemem(error);
        throw DbError(ErrFileNotFound, QStringLiteral("Địa chỉ máy chủ dữ liệu trước dấu '#' viết sai (%1).").arg(why));
    }
    QHash<QString, QString> given;
    for (const PQconninfoOption* o = options; o->keyword; ++o)
        if (o->val && *o->val) given.insert(QString::fromUtf8(o->keyword), QString::fromUtf8(o->val));
    PQconninfoFree(options);
    if (given.contains(QStringLiteral("password")))
        throw DbError(ErrNotValidPassword, QStringLiteral("Không ghi mật khẩu vào địa chỉ máy chủ; hãy để mật khẩu trong tệp "
                                                          "~/.pgpass (hoặc dùng cách xác thực khác của máy chủ)."));
    // Each host with its port ("a:5432, b:5433"); one port given serves every host.
    QString hostList = given.value(QStringLiteral("host"), given.value(QStringLiteral("hostaddr")));
    if (hostList.isEmpty()) hostList = qEnvironmentVariable("PGHOST", QStringLiteral("localhost"));
    const QStringList hosts = hostList.split(QLatin1Char(','));
    const QStringList ports = given.value(QStringLiteral("port")).split(QLatin1Char(','));
    QStringList servers;
    for (qsizetype k = 0; k < hosts.size(); ++k) {
        const QString port = ports.size() == 1 ? ports.front() : ports.value(k);
        const QString host = hosts[k].isEmpty() ? QStringLiteral("localhost") : hosts[k];
        servers.append(port.isEmpty() ? host : host + QLatin1Char(':') + port);
    }
    n.server = servers.join(QStringLiteral(", "));
    return n;
}

class PgConnection;

class PgCursor final : public Cursor {
public:
    PgCursor(PgConnection& c, std::string_view sql);
    ~PgCursor() override;
    PgCursor(const PgCursor&) = delete;
    PgCursor& operator=(const PgCursor&) = delete;

    bool step() override;
    void reset() override
    {
        PQclear(result_);
        result_ = nullptr;
        row_ = -1;
        values_.assign(values_.size(), std::nullopt);
    }
    void bind(int index, const QVariant& value) override;
    void bindInt(int index, long long value) override { set(index, std::to_string(value)); }
    void bindUtf8(int index, const QString& text) override { set(index, text.toUtf8().toStdString()); }
    int columnCount() const override;
    QVariant column(int index) const override;
    long long columnInt(int index) const override;
    double columnDouble(int index) const override;
    bool columnIsNull(int index) const override { return !hasRow() || PQgetisnull(result_, row_, index); }
    QString columnName(int index) const override;
    QString columnUtf8(int index) const override { return hasRow() ? QString::fromUtf8(PQgetvalue(result_, row_, index)) : QString(); }
    FieldDef columnField(int index) const override;
    std::string image(int index) const override;

private:
    void set(int index, std::optional<std::string> value)
    {
        if (index < 1 || index > static_cast<int>(values_.size()))
            throw DbError(ErrInvalidArgument, QStringLiteral("Tham số %1 không có trong câu lệnh.").arg(index));
        values_[static_cast<std::size_t>(index - 1)] = std::move(value);
    }
    bool hasRow() const { return result_ && row_ >= 0 && row_ < PQntuples(result_); }
    const char* text(int index) const { return hasRow() ? PQgetvalue(result_, row_, index) : ""; }
    void execute();
    const PGresult* described() const;

    PgConnection& c_;
    std::string sql_;
    std::string name_;  // of the prepared statement, once it is run a second time
    int generation_ = -1;
    int runs_ = 0;
    std::vector<std::optional<std::string>> values_;
    PGresult* result_ = nullptr;
    mutable PGresult* description_ = nullptr;
    int row_ = -1;
};

class PgConnection final : public Connection {
public:
    PgConnection(const QString& name, bool readOnly) : Connection(name, readOnly), name_(parseName(name))
    {
        connect();
    }
    ~PgConnection() override { close(); }

    std::unique_ptr<Cursor> prepare(std::string_view sql) override { return std::make_unique<PgCursor>(*this, sql); }
    const Dialect& dialect() const override { return pgDialect(); }
    bool isOpen() const override { return conn_ != nullptr; }
    void close() override
    {
        if (conn_) PQfinish(conn_);
        conn_ = nullptr;
    }
    void setBusyTimeout(std::chrono::milliseconds timeout) override
    {
        timeout_ = timeout;
        if (live()) command("SET lock_timeout = " + std::to_string(timeout_.count()));
    }
    QString attach(const QString& path) override
    {
        throw DbError(ErrEngine, QStringLiteral("Tệp dữ liệu trên máy chủ %1 chưa nối được với tệp %2 trên máy này.")
                                     .arg(name_.server, path));
    }
    void release(const QString&) override {}
    void retain(const QString&) override {}
    bool inTransaction() const override
    {
        if (!conn_ || PQstatus(conn_) != CONNECTION_OK) return false;
        const PGTransactionStatusType s = PQtransactionStatus(conn_);
        return s == PQTRANS_INTRANS || s == PQTRANS_INERROR || s == PQTRANS_ACTIVE;
    }
    long long changes() override { return changes_; }
    long long lastInsertKey() override { return std::atoll(value("SELECT lastval()").c_str()); }

    long long schemaVersion() override;
    QStringList tableNames(const QString& schema, bool withInternal) override;
    bool hasTable(const QString& schema, const QString& table) override;
    std::optional<TableDef> tableDef(const QString& schema, const QString& table) override;
    void createTable(const TableDef& table) override;
    void createIndex(const TableDef& table, const IndexDef& index) override;
    void alterTable(const TableDef& before, const TableDef& after) override;
    std::optional<QString> savedQuery(const QString& schema, const QString& name) override;
    QStringList savedQueryNames() override;
    void writeSavedQuery(const QString& name, const std::optional<QString>& jetSql, bool create) override;
    qint64 nextCounter(const QString& schema, const QString& table, const QString& column) override;
    // A counter has a lock of its own, held for one call (or to the end of the caller's
    // transaction): taking a number for a new row never waits for the file's other writers.
    qint64 reserveCounter(const QString& schema, const QString& table, const QString& column) override
    {
        return nextCounter(schema, table, column);
    }
    // A table just filled in bulk gets its statistics and its visibility map at once, so that the
    // first key sets read from it are index-only scans; autovacuum would do it only later.
    void filled(const QString& table) override
    {
        command((inTransaction() ? "ANALYZE " : "VACUUM ANALYZE ") + dialect().ident(table));
    }
    qint64 counterMark(const QString& table, const QString& column) override
    {
        const std::string largest =
            value("SELECT coalesce(max(" + dialect().ident(column) + "), 0) FROM " + schemaIdent() + '.' + dialect().ident(table));
        return std::max(handedOut(table, column), static_cast<qint64>(std::atoll(largest.c_str())));
    }
    // The sequence is moved even when rows already hold larger ids: a statement that leaves the
    // id to the server takes the sequence's next value as it is.
    void raiseCounter(const QString& table, const QString& column, qint64 mark) override
    {
        if (mark <= 0 || handedOut(table, column) >= mark) return;
        value("SELECT setval(pg_get_serial_sequence($1, $2), $3::bigint)",
              {schemaIdent() + '.' + dialect().ident(table), dialect().name(column), std::to_string(mark)});
    }
    // The last value the counter's sequence gave (0 when it gave none).
    qint64 handedOut(const QString& table, const QString& column)
    {
        const std::string sequence =
            value("SELECT pg_get_serial_sequence($1, $2)", {schemaIdent() + '.' + dialect().ident(table), dialect().name(column)});
        return sequence.empty() ? 0 : std::atoll(value("SELECT CASE WHEN is_called THEN last_value ELSE 0 END FROM " + sequence).c_str());
    }
    void giveBackCounter(const QString&, qint64) override {}
    bool takesCountersAhead() const override { return false; }
    std::optional<std::string> dataVersionQuery(const QString&) const override { return std::nullopt; }
    QString checkPages() override { return QString(); }

    // The link, opened again after it was lost; throws when the server cannot be reached.
    PGconn* link();
    int generation() const { return generation_; }
    void setChanges(long long n) { changes_ = n; }
    [[noreturn]] void raise(const PGresult* r, const std::string& sql);
    // Runs a statement without parameters; throws on failure.
    void command(const std::string& sql);
    std::string value(const std::string& sql, const std::vector<std::string>& params = {});
    QString schema() const { return name_.schema; }
    std::string schemaIdent() const { return pgDialect().ident(name_.schema); }

    static void create(const QString& name);
    void spellIndex(const TableDef& t, const IndexDef& ix);
    // The link while it is up, else null; never opens it again.
    PGconn* live() const { return conn_ && PQstatus(conn_) == CONNECTION_OK ? conn_ : nullptr; }

protected:
    bool beginWrite(bool wait) override;
    // Rows written by their keys lock themselves (SELECT ... FOR UPDATE before an update).
    void beginRowWrite() override { command("BEGIN"); }
    // A statement that failed inside the transaction ends it on the server (a file would go on
    // with the rest): COMMIT would then undo everything and still answer without an error, so the
    // write is refused here instead of looking saved.
    void commit() override
    {
        if (conn_ && PQtransactionStatus(conn_) == PQTRANS_INERROR) {
            rollback();
            throw DbError(ErrEngine, abortedWrite());
        }
        const bool sent = live() != nullptr;  // else the link was lost before: nothing is kept
        try {
            command("COMMIT");
        } catch (const DbError& e) {
            // The link lost with COMMIT sent: the server may have kept the write before it went
            // (a commit waiting for its standby, a standby promoted with it), so "not kept" would
            // be a guess. The clerk is told to look before repeating.
            if (!sent || e.number() != ErrServerUnavailable) throw;
            throw DbError(ErrServerUnavailable,
                          QStringLiteral("Mất kết nối với máy chủ dữ liệu %1 đúng lúc máy chủ đang hoàn tất lần ghi này, nên chưa "
                                         "biết lần ghi đã được lưu hay chưa. Hãy xem lại dữ liệu trước khi làm lại (%2).")
                              .arg(name_.server, QString::fromUtf8(conn_ ? PQerrorMessage(conn_) : "").trimmed()));
        }
        if (lastStatus_ == "ROLLBACK") throw DbError(ErrEngine, abortedWrite());
    }
    QString abortedWrite() const
    {
        return QStringLiteral("Một câu lệnh của lần ghi này đã bị máy chủ dữ liệu %1 từ chối, nên cả lần ghi được huỷ; "
                              "chưa có gì được ghi.")
            .arg(name_.server);
    }
    void rollback() override
    {
        if (inTransaction()) PQclear(PQexec(conn_, "ROLLBACK"));
    }

private:
    void connect();
    void setUp();

    ServerName name_;
    PGconn* conn_ = nullptr;
    int generation_ = 0;
    long long changes_ = 0;
    std::string lastStatus_;  // of the last command(): "COMMIT", or "ROLLBACK" for a COMMIT that undid
    std::chrono::milliseconds timeout_{8000};
    std::unique_ptr<Cursor> versionQuery_;  // last: it is let go before the link it was prepared on
};

// ---- Cursor ------------------------------------------------------------------------------

PgCursor::PgCursor(PgConnection& c, std::string_view sql) : c_(c)
{
    int count = 0;
    sql_ = numberParameters(sql, &count);
    values_.resize(static_cast<std::size_t>(count));
}

PgCursor::~PgCursor()
{
    PQclear(result_);
    PQclear(description_);
    if (!name_.empty() && generation_ == c_.generation())
        if (PGconn* conn = c_.live()) PQclear(PQexec(conn, ("DEALLOCATE " + name_).c_str()));
}

void PgCursor::bind(int index, const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        set(index, std::nullopt);
        return;
    case QMetaType::Bool:
        set(index, value.toBool() ? "-1" : "0");
        return;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::Long:
        set(index, std::to_string(value.toLongLong()));
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        set(index, QByteArray::number(value.toDouble(), 'g', 17).toStdString());
        return;
    case QMetaType::QByteArray:
        set(index, "\\x" + value.toByteArray().toHex().toStdString());
        return;
    default:
        if (value.isNull()) {
            set(index, std::nullopt);
            return;
        }
        set(index, asInAFile(value.toString()));
        return;
    }
}

// A statement run once goes to the server with its values in one trip; one run again is
// prepared under a name, so that its later runs skip the planning.
void PgCursor::execute()
{
    PGconn* conn = c_.link();
    std::vector<const char*> params(values_.size());
    for (std::size_t k = 0; k < values_.size(); ++k) params[k] = values_[k] ? values_[k]->c_str() : nullptr;
    const int n = static_cast<int>(params.size());
    if (generation_ != c_.generation()) name_.clear();
    ++runs_;
    if (name_.empty() && runs_ >= 2) {
        static int next = 0;
        const std::string name = "jet_s" + std::to_string(++next);
        PGresult* prepared = PQprepare(conn, name.c_str(), sql_.c_str(), n, nullptr);
        if (PQresultStatus(prepared) == PGRES_COMMAND_OK) {
            name_ = name;
            generation_ = c_.generation();
        }
        PQclear(prepared);
    }
    const bool idle = !c_.inTransaction();
    result_ = name_.empty() ? PQexecParams(conn, sql_.c_str(), n, nullptr, params.data(), nullptr, nullptr, 0)
                            : PQexecPrepared(conn, name_.c_str(), n, params.data(), nullptr, nullptr, 0);
    if (PQstatus(conn) != CONNECTION_OK && idle && resendable(sql_)) {
        PQclear(result_);
        conn = c_.link();
        name_.clear();
        result_ = PQexecParams(conn, sql_.c_str(), n, nullptr, params.data(), nullptr, nullptr, 0);
    }
    const ExecStatusType status = PQresultStatus(result_);
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
        PGresult* failed = result_;
        result_ = nullptr;
        struct Clear {
            PGresult* r;
            ~Clear() { PQclear(r); }
        } clear{failed};
        c_.raise(failed, sql_);
    }
    if (status == PGRES_COMMAND_OK) c_.setChanges(std::atoll(PQcmdTuples(result_)));
}

bool PgCursor::step()
{
    if (!result_) {
        execute();
        row_ = -1;
    }
    ++row_;
    return row_ < PQntuples(result_);
}

// The columns of a statement that has not been run yet: asked of the server.
const PGresult* PgCursor::described() const
{
    if (result_) return result_;
    if (!description_) {
        PGconn* conn = c_.link();
        PGresult* prepared = PQprepare(conn, "", sql_.c_str(), static_cast<int>(values_.size()), nullptr);
        if (PQresultStatus(prepared) != PGRES_COMMAND_OK) {
            struct Clear {
                PGresult* r;
                ~Clear() { PQclear(r); }
            } clear{prepared};
            c_.raise(prepared, sql_);
        }
        PQclear(prepared);
        description_ = PQdescribePrepared(conn, "");
    }
    return description_;
}

int PgCursor::columnCount() const { return PQnfields(described()); }

QString PgCursor::columnName(int index) const { return QString::fromUtf8(PQfname(described(), index)); }

QVariant PgCursor::column(int index) const
{
    if (columnIsNull(index)) return QVariant();
    const char* v = text(index);
    switch (PQftype(result_, index)) {
    case kInt2:
    case kInt4:
    case kInt8:
    case kOid:
        return QVariant(static_cast<qlonglong>(std::atoll(v)));
    case kFloat4:
    case kFloat8:
    case kNumeric:
        return QVariant(std::strtod(v, nullptr));
    case kBool:  // a comparison's value, as a file gives it
        return QVariant(static_cast<qlonglong>(v[0] == 't' ? 1 : 0));
    case kBytea:
        return QVariant(QByteArray::fromHex(QByteArray(v + 2)));
    default:
        return QVariant(QString::fromUtf8(v, PQgetlength(result_, row_, index)));
    }
}

long long PgCursor::columnInt(int index) const
{
    if (columnIsNull(index)) return 0;
    const char* v = text(index);
    switch (PQftype(result_, index)) {
    case kBool: return v[0] == 't' ? 1 : 0;
    case kInt2:
    case kInt4:
    case kInt8:
    case kOid: return std::atoll(v);
    default: return std::llround(std::strtod(v, nullptr));
    }
}

double PgCursor::columnDouble(int index) const
{
    if (columnIsNull(index)) return 0;
    const char* v = text(index);
    if (PQftype(result_, index) == kBool) return v[0] == 't' ? 1 : 0;
    return std::strtod(v, nullptr);
}

FieldDef PgCursor::columnField(int index) const
{
    const PGresult* r = described();
    const QString name = QString::fromUtf8(PQfname(r, index));
    switch (PQftype(r, index)) {
    case kInt2: return FieldDef::integer(name);
    case kInt4:
    case kInt8:
    case kOid: return FieldDef::longInt(name);
    case kFloat4:
    case kFloat8:
    case kNumeric: return FieldDef::real(name);
    case kBool: return FieldDef::yesNo(name);
    case kVarchar: {
        const int mod = PQfmod(r, index);
        return FieldDef::text(name, mod > 4 ? mod - 4 : 255);
    }
    default: return FieldDef::text(name, 255);
    }
}

std::string PgCursor::image(int index) const
{
    if (columnIsNull(index)) return "n";
    const char* v = text(index);
    std::string out;
    const auto whole = [&out](long long n) {
        out += 'i';
        out.append(reinterpret_cast<const char*>(&n), sizeof n);
    };
    switch (PQftype(result_, index)) {
    case kInt2:
    case kInt4:
    case kInt8:
    case kOid:
        whole(std::atoll(v));
        break;
    case kBool:
        whole(v[0] == 't' ? 1 : 0);
        break;
    case kFloat4:
    case kFloat8:
    case kNumeric: {
        const double d = std::strtod(v, nullptr);
        if (std::trunc(d) == d && std::fabs(d) < 9.0e18) {
            whole(static_cast<long long>(d));
        } else {
            out += 'f';
            out.append(reinterpret_cast<const char*>(&d), sizeof d);
        }
        break;
    }
    default:
        out += 't';
        out.append(v, static_cast<std::size_t>(PQgetlength(result_, row_, index)));
        break;
    }
    return out;
}

// ---- Connection --------------------------------------------------------------------------

// A new link to the server of `conninfo`. A host that does not answer is given up after five
// seconds (each host of an address that names a primary and its standby) unless the address sets
// its own connect_timeout.
PGconn* openLink(const std::string& conninfo)
{
    const char* const keys[] = {"connect_timeout", "dbname", nullptr};
    const char* const values[] = {"5", conninfo.c_str(), nullptr};
    return PQconnectdbParams(keys, values, 1);
}

void PgConnection::connect()
{
    conn_ = openLink(name_.conninfo);
    if (PQstatus(conn_) != CONNECTION_OK) {
        const QString why = QString::fromUtf8(PQerrorMessage(conn_)).trimmed();
        PQfinish(conn_);
        conn_ = nullptr;
        if (why.contains(QLatin1String("authentication failed")) || why.contains(QLatin1String("password")))
            throw DbError(ErrNotValidPassword, QStringLiteral("Máy chủ %1 không nhận tên hoặc mật khẩu đăng nhập (%2).")
                                                   .arg(name_.server, why));
        throw DbError(ErrServerUnavailable, QStringLiteral("Không kết nối được máy chủ dữ liệu %1 (%2).").arg(name_.server, why));
    }
    try {
        setUp();
    } catch (...) {
        close();
        throw;
    }
}

void PgConnection::setUp()
{
    PQsetClientEncoding(conn_, "UTF8");
    // The server's notices (a shutdown under way, say) are not the clerk's business: what
    // matters comes back as an error of the call.
    PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
    ++generation_;
    if (value("SELECT count(*) FROM pg_proc p JOIN pg_namespace n ON n.oid = p.pronamespace "
              "WHERE n.nspname = 'jet' AND p.proname = 'helpers_5'") == "0") {
        // Two clerks opening a new server at once: one makes the helpers, the other waits.
        command("BEGIN");
        try {
            command("SELECT pg_advisory_xact_lock(" + std::to_string(lockKey(QStringLiteral("jet"))) + ")");
            command(kHelpers + foldHelpers());
            command("COMMIT");
        } catch (...) {
            rollback();
            throw;
        }
    }
    if (value("SELECT count(*) FROM pg_namespace WHERE nspname = $1", {name_.schema.toUtf8().toStdString()}) == "0")
        throw DbError(ErrFileNotFound,
                      QStringLiteral("Không có tệp dữ liệu %1 trên máy chủ %2.").arg(name_.schema, name_.server));
    command("SET search_path TO " + schemaIdent() + ", jet");
    command("SET lock_timeout = " + std::to_string(timeout_.count()));
    if (readOnly()) command("SET default_transaction_read_only = on");
}

PGconn* PgConnection::link()
{
    if (!conn_) throw DbError(ErrDatabaseClosed, QStringLiteral("Cơ sở dữ liệu đã đóng."));
    if (PQstatus(conn_) != CONNECTION_OK) {
        // Lost since the last call (a restart, a cut): opened again for this one. Whatever was
        // under way when it was lost was not kept, and was reported then.
        PQreset(conn_);
        if (PQstatus(conn_) != CONNECTION_OK)
            throw DbError(ErrServerUnavailable, QStringLiteral("Không kết nối lại được máy chủ dữ liệu %1 (%2).")
                                                    .arg(name_.server, QString::fromUtf8(PQerrorMessage(conn_)).trimmed()));
        setUp();
    }
    return conn_;
}

void PgConnection::raise(const PGresult* r, const std::string& sql)
{
    const std::string state = sqlState(r);
    const QString message = QString::fromUtf8(r ? PQresultErrorMessage(r) : PQerrorMessage(conn_)).trimmed();
    const QString constraint = QString::fromUtf8(r && PQresultErrorField(r, PG_DIAG_CONSTRAINT_NAME) ? PQresultErrorField(r, PG_DIAG_CONSTRAINT_NAME) : "");
    if (PQstatus(conn_) != CONNECTION_OK || state.rfind("08", 0) == 0 || state.rfind("57P", 0) == 0)
        throw DbError(ErrServerUnavailable, QStringLiteral("Mất kết nối với máy chủ dữ liệu %1; việc đang làm chưa được ghi. "
                                                           "Hãy làm lại khi máy chủ đã sẵn sàng (%2).")
                                                .arg(name_.server, message));
    if (state == "25P02") throw DbError(ErrEngine, abortedWrite());
    if (state == "57014")
        throw DbError(ErrServerTimeout, QStringLiteral("Máy chủ dữ liệu %1 không làm xong câu lệnh trong thời gian cho phép; "
                                                       "việc đang làm chưa được ghi (%2).")
                                            .arg(name_.server, message));
    if (state == "55P03" || state == "40P01" || state == "40001")
        throw DbError(ErrBusy, QStringLiteral("Dữ liệu trên máy chủ %1 đang bị người khác dùng (%2).").arg(name_.server, message));
    if (state == "53100")
        throw DbError(ErrDiskFull, QStringLiteral("Đĩa của máy chủ dữ liệu %1 đã đầy, không ghi thêm được; việc vừa làm chưa "
                                                  "được ghi (%2).")
                                       .arg(name_.server, message));
    if (state == "25006" || state == "42501")
        throw DbError(ErrFileReadOnly, QStringLiteral("Không ghi được vào dữ liệu trên máy chủ %1 (%2).").arg(name_.server, message));
    if (state == "23505") throw DbError(ErrDuplicateKey, message);
    if (state == "22001") throw DbError(ErrFieldTooSmall, QStringLiteral("Nội dung dài hơn độ dài của trường (%1).").arg(message));
    if (state == "23514" && constraint.startsWith(QLatin1String("nonempty:")))
        throw DbError(ErrZeroLength, QStringLiteral("Trường không được để trống (%1).").arg(message));
    if (state == "42P01") throw DbError(ErrTableNotFound, message);
    if (state == "42703") throw DbError(ErrItemNotFound, message);
    if (state == "42601" || state == "42P18") throw DbError(ErrSyntax, message);
    if (state == "42P07" || state == "42710" || state == "42P06") throw DbError(ErrObjectExists, message);
    if (state == "22P02" || state == "42804" || state == "22003") throw DbError(ErrTypeMismatch, message);
    throw DbError(ErrEngine, message + QStringLiteral(" [") + QString::fromUtf8(sql.substr(0, 200)) + QLatin1Char(']'));
}

void PgConnection::command(const std::string& sql)
{
    const bool idle = !inTransaction();
    PGresult* r = PQexec(link(), sql.c_str());
    if (PQstatus(conn_) != CONNECTION_OK && idle && resendable(sql)) {
        PQclear(r);
        r = PQexec(link(), sql.c_str());
    }
    struct Clear {
        PGresult* r;
        ~Clear() { PQclear(r); }
    } clear{r};
    const ExecStatusType s = PQresultStatus(r);
    if (s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK) raise(r, sql);
    if (s == PGRES_COMMAND_OK) changes_ = std::atoll(PQcmdTuples(r));
    lastStatus_ = PQcmdStatus(r);
}

std::string PgConnection::value(const std::string& sql, const std::vector<std::string>& params)
{
    std::vector<const char*> p;
    for (const std::string& s : params) p.push_back(s.c_str());
    const bool idle = !inTransaction();
    PGresult* r = PQexecParams(link(), sql.c_str(), static_cast<int>(p.size()), nullptr, p.data(), nullptr, nullptr, 0);
    if (PQstatus(conn_) != CONNECTION_OK && idle && resendable(sql)) {
        PQclear(r);
        r = PQexecParams(link(), sql.c_str(), static_cast<int>(p.size()), nullptr, p.data(), nullptr, nullptr, 0);
    }
    struct Clear {
        PGresult* r;
        ~Clear() { PQclear(r); }
    } clear{r};
    if (PQresultStatus(r) != PGRES_TUPLES_OK) raise(r, sql);
    return PQntuples(r) > 0 && !PQgetisnull(r, 0, 0) ? std::string(PQgetvalue(r, 0, 0)) : std::string();
}

// Writers of one data file take its lock for the length of their transaction, as the writers
// of a file do: numbering and the checks made inside a save see every earlier save committed,
// and none can slip in between. Readers never wait for it.
bool PgConnection::beginWrite(bool wait)
{
    command("BEGIN");
    try {
        const std::string key = std::to_string(lockKey(name_.schema));
        if (wait) {
            command("SELECT pg_advisory_xact_lock(" + key + ")");
            return true;
        }
        if (value("SELECT pg_try_advisory_xact_lock(" + key + ")") == "t") return true;
    } catch (...) {
        rollback();
        throw;
    }
    rollback();
    return false;
}

// ---- Catalogue -----------------------------------------------------------------------------

// Every table of the schema: its id, its row version in the catalogue (which moves with each
// change to it) and its number of columns, with the number of its indexes and constraints.
// Asked before each statement is translated, so it is prepared once and kept.
long long PgConnection::schemaVersion()
{
    if (!versionQuery_)
        versionQuery_ = prepare("SELECT coalesce(sum(c.oid::int8 * 3 + c.xmin::text::int8 + c.relnatts), 0) + count(*) * 1000003 "
                                "FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace WHERE n.nspname = ?");
    Cursor& st = *versionQuery_;
    st.bindUtf8(1, name_.schema);
    struct Reset {
        Cursor& c;
        ~Reset() { c.reset(); }
    } reset{st};
    return st.step() ? st.columnInt(0) : 0;
}

QStringList PgConnection::tableNames(const QString&, bool withInternal)
{
    QStringList names;
    Statement st(*this, "SELECT coalesce(obj_description(c.oid, 'pg_class'), c.relname) FROM pg_class c "
                        "JOIN pg_namespace n ON n.oid = c.relnamespace WHERE n.nspname = ? AND c.relkind IN ('r', 'p') "
                        "ORDER BY c.oid");
    st.bindUtf8(1, name_.schema);
    while (st.step()) {
        const QString n = st.columnUtf8(0);
        if (withInternal || !isInternalTable(n)) names.append(n);
    }
    st.reset();
    return names;
}

bool PgConnection::hasTable(const QString&, const QString& table)
{
    Statement st(*this, "SELECT 1 FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
                        "WHERE n.nspname = ? AND c.relkind IN ('r', 'p') AND lower(c.relname::text) = lower(?)");
    st.bindUtf8(1, name_.schema);
    st.bindUtf8(2, table);
    const bool found = st.step();
    st.reset();
    return found;
}

std::optional<TableDef> PgConnection::tableDef(const QString&, const QString& table)
{
    TableDef def;
    long long oid = 0;
    {
        Statement st(*this, "SELECT c.oid, coalesce(obj_description(c.oid, 'pg_class'), c.relname) FROM pg_class c "
                            "JOIN pg_namespace n ON n.oid = c.relnamespace "
                            "WHERE n.nspname = ? AND c.relkind IN ('r', 'p') AND lower(c.relname::text) = lower(?)");
        st.bindUtf8(1, name_.schema);
        st.bindUtf8(2, table);
        if (!st.step()) return std::nullopt;
        oid = st.columnInt(0);
        def.name = st.columnUtf8(1);
        st.reset();
    }
    {
        Statement st(*this, "SELECT coalesce(col_description(a.attrelid, a.attnum), a.attname), t.typname, a.atttypmod, "
                            "a.attidentity <> '', EXISTS (SELECT 1 FROM pg_constraint k WHERE k.conrelid = a.attrelid "
                            "AND k.contype = 'c' AND k.conname = 'nonempty:' || a.attname) "
                            "FROM pg_attribute a JOIN pg_type t ON t.oid = a.atttypid "
                            "WHERE a.attrelid = ? AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum");
        st.bindInt(1, oid);
        while (st.step()) {
            const QString name = st.columnUtf8(0);
            if (name.compare(QLatin1String(kRowKey), Qt::CaseInsensitive) == 0) continue;
            const QString type = st.columnUtf8(1);
            FieldDef f;
            if (st.columnUtf8(3) == QLatin1String("t")) f = FieldDef::counter(name);
            else if (type == QLatin1String("yesno") || type == QLatin1String("bool")) f = FieldDef::yesNo(name);
            else if (type == QLatin1String("int2")) f = FieldDef::integer(name);
            else if (type == QLatin1String("int4") || type == QLatin1String("int8")) f = FieldDef::longInt(name);
            else if (type == QLatin1String("float8") || type == QLatin1String("float4") || type == QLatin1String("numeric"))
                f = FieldDef::real(name);
            else if (type == QLatin1String("varchar"))
                f = FieldDef::text(name, st.columnInt(2) > 4 ? static_cast<int>(st.columnInt(2)) - 4 : 255);
            else f = FieldDef::memo(name);
            if (f.isText()) f.allowZeroLength = st.columnUtf8(4) != QLatin1String("t");
            def.fields.append(f);
        }
        st.reset();
    }
    {
        // Index names carry their table's name ("table.index"): index names are the schema's.
        Statement st(*this, "SELECT i.relname, x.indisunique, x.indisprimary, "
                            "coalesce(col_description(a.attrelid, a.attnum), a.attname), obj_description(i.oid, 'pg_class') "
                            "FROM pg_index x "
                            "JOIN pg_class i ON i.oid = x.indexrelid "
                            "CROSS JOIN LATERAL unnest(x.indkey) WITH ORDINALITY AS k(attnum, ord) "
                            "JOIN pg_attribute a ON a.attrelid = x.indrelid AND a.attnum = k.attnum "
                            "WHERE x.indrelid = ? ORDER BY i.oid, k.ord");
        st.bindInt(1, oid);
        QString current;
        bool skipped = false;  // the index of the engine's own row key
        const QString ownPrefix = def.name + QLatin1Char('.');
        while (st.step()) {
            const QString name = st.columnUtf8(0);
            const QString field = st.columnUtf8(3);
            if (name != current) {
                current = name;
                skipped = field.compare(QLatin1String(kRowKey), Qt::CaseInsensitive) == 0;
                if (skipped) continue;
                IndexDef ix;
                ix.name = !st.columnIsNull(4) ? st.columnUtf8(4)
                          : name.startsWith(ownPrefix, Qt::CaseInsensitive) ? name.mid(ownPrefix.size()) : name;
                ix.unique = st.columnUtf8(1) == QLatin1String("t");
                ix.primary = st.columnUtf8(2) == QLatin1String("t");
                def.indexes.append(ix);
            }
            if (!skipped) def.indexes.back().fields.append(field);
        }
        st.reset();
    }
    // A counter counts as one only while it alone is the key, as in a file.
    const IndexDef* primary = nullptr;
    for (const IndexDef& ix : def.indexes)
        if (ix.primary) primary = &ix;
    for (FieldDef& f : def.fields)
        if (f.isCounter() && primary && !(primary->fields.size() == 1 && primary->fields.front() == f.name))
            f = FieldDef::longInt(f.name);
    return def;
}

void PgConnection::createTable(const TableDef& t)
{
    const Dialect& d = dialect();
    QString primaryOnField;
    const IndexDef* tablePrimary = nullptr;
    bool counter = false;
    for (const FieldDef& f : t.fields) counter = counter || f.isCounter();
    for (const IndexDef& ix : t.indexes) {
        if (!ix.primary) continue;
        if (ix.fields.size() == 1 && t.field(ix.fields.front())) primaryOnField = t.field(ix.fields.front())->name;
        else tablePrimary = &ix;
    }
    std::string sql = "CREATE TABLE " + d.ident(t.name) + " (";
    for (qsizetype k = 0; k < t.fields.size(); ++k) {
        const FieldDef& f = t.fields[k];
        QString primaryName;
        if (!primaryOnField.isEmpty() && f.name.compare(primaryOnField, Qt::CaseInsensitive) == 0)
            for (const IndexDef& ix : t.indexes)
                if (ix.primary) primaryName = t.name + QLatin1Char('.') + ix.name;
        sql += (k ? ", " : "") + d.columnDeclaration(f, primaryName);
    }
    if (!counter) sql += std::string(", ") + kRowKey + " bigint GENERATED BY DEFAULT AS IDENTITY UNIQUE";
    if (tablePrimary) {
        sql += ", CONSTRAINT " + d.ident(t.name + QLatin1Char('.') + tablePrimary->name) + " PRIMARY KEY (";
        for (qsizetype k = 0; k < tablePrimary->fields.size(); ++k) sql += (k ? ", " : "") + d.ident(tablePrimary->fields[k]);
        sql += ')';
    }
    sql += ')';
    writeTransaction([&] {
        command(sql);
        // The server keeps names in small letters: their own spelling goes in its comments.
        if (t.name != t.name.toLower()) command("COMMENT ON TABLE " + d.ident(t.name) + " IS " + d.textLiteral(escapeQuotes(t.name)));
        for (const FieldDef& f : t.fields)
            if (f.name != f.name.toLower())
                command("COMMENT ON COLUMN " + d.ident(t.name) + '.' + d.ident(f.name) + " IS " + d.textLiteral(escapeQuotes(f.name)));
        for (const IndexDef& ix : t.indexes) {
            if (!ix.primary) createIndex(t, ix);
            else spellIndex(t, ix);
        }
    });
}

void PgConnection::spellIndex(const TableDef& t, const IndexDef& ix)
{
    const Dialect& d = dialect();
    if (ix.name != ix.name.toLower())
        command("COMMENT ON INDEX " + d.ident(t.name + QLatin1Char('.') + ix.name) + " IS " + d.textLiteral(escapeQuotes(ix.name)));
}

void PgConnection::createIndex(const TableDef& t, const IndexDef& ix)
{
    const Dialect& d = dialect();
    std::string fields;
    for (qsizetype k = 0; k < ix.fields.size(); ++k) fields += (k ? ", " : "") + d.ident(ix.fields[k]);
    const std::string name = d.ident(t.name + QLatin1Char('.') + ix.name);
    writeTransaction([&] {
        if (ix.primary) command("ALTER TABLE " + d.ident(t.name) + " ADD CONSTRAINT " + name + " PRIMARY KEY (" + fields + ')');
        else command(std::string(ix.unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ") + name + " ON " + d.ident(t.name) + " (" + fields + ')');
        spellIndex(t, ix);
    });
}

// A key added, or the rule on empty texts changed: the server changes the table in place.
void PgConnection::alterTable(const TableDef& before, const TableDef& after)
{
    const Dialect& d = dialect();
    writeTransaction([&] {
        for (const FieldDef& f : after.fields) {
            const FieldDef* old = before.field(f.name);
            if (!old || !f.isText() || old->allowZeroLength == f.allowZeroLength) continue;
            const std::string constraint = d.ident(QStringLiteral("nonempty:") + f.name);
            if (f.allowZeroLength) command("ALTER TABLE " + d.ident(after.name) + " DROP CONSTRAINT " + constraint);
            else command("ALTER TABLE " + d.ident(after.name) + " ADD CONSTRAINT " + constraint + " CHECK (" + d.ident(f.name) + " <> '')");
        }
        for (const IndexDef& ix : after.indexes) {
            bool had = false;
            for (const IndexDef& old : before.indexes) had = had || old.name.compare(ix.name, Qt::CaseInsensitive) == 0;
            if (!had) createIndex(after, ix);
        }
    });
}

std::optional<QString> PgConnection::savedQuery(const QString&, const QString& name)
{
    if (!hasTable(QString(), QStringLiteral("jet_queries"))) return std::nullopt;
    Statement st(*this, "SELECT sql FROM " + schemaIdent() + ".jet_queries WHERE name = ?");
    st.bindUtf8(1, name);
    std::optional<QString> sql;
    if (st.step()) sql = st.columnUtf8(0);
    st.reset();
    return sql;
}

QStringList PgConnection::savedQueryNames()
{
    QStringList names;
    if (!hasTable(QString(), QStringLiteral("jet_queries"))) return names;
    Statement st(*this, "SELECT name FROM " + schemaIdent() + ".jet_queries ORDER BY name COLLATE \"C\"");
    while (st.step()) names.append(st.columnUtf8(0));
    st.reset();
    return names;
}

void PgConnection::writeSavedQuery(const QString& name, const std::optional<QString>& jetSql, bool create)
{
    const std::string table = schemaIdent() + ".jet_queries";
    writeTransaction([&] {
        if (!jetSql) {
            Statement st(*this, "DELETE FROM " + table + " WHERE name = ?");
            st.bindUtf8(1, name);
            st.run();
        } else if (create) {
            command("CREATE TABLE IF NOT EXISTS " + table + " (name text COLLATE jet.nocase PRIMARY KEY, sql text NOT NULL)");
            Statement st(*this, "INSERT INTO " + table + " (name, sql) VALUES (?, ?)");
            st.bindUtf8(1, name);
            st.bindUtf8(2, *jetSql);
            st.run();
        } else {
            Statement st(*this, "UPDATE " + table + " SET sql = ? WHERE name = ?");
            st.bindUtf8(1, *jetSql);
            st.bindUtf8(2, name);
            st.run();
        }
    });
}

// The counter's own sequence, moved past the largest value in the table (rows copied in with
// their ids do not move it). Called inside a transaction.
qint64 PgConnection::nextCounter(const QString&, const QString& table, const QString& column)
{
    const Dialect& d = dialect();
    const std::string qualified = schemaIdent() + '.' + d.ident(table);
    // One call: outside a transaction its lock lasts as long as the call itself.
    return std::atoll(value("SELECT jet.next_counter($1, $2, $3)",
                            {qualified, d.name(column), std::to_string(lockKey(name_.schema + QLatin1Char('.') + table.toLower()))})
                          .c_str());
}

// Runs `sql` (statements separated by ";", one transaction) on a link of its own to the server
// that keeps the data file `name`; `failed` words the failure, given the server's message.
void onServer(const ServerName& n, const std::string& sql, const std::function<DbError(const std::string&, const QString&)>& failed)
{
    PGconn* conn = openLink(n.conninfo);
    struct Finish {
        PGconn* c;
        ~Finish() { PQfinish(c); }
    } finish{conn};
    if (PQstatus(conn) != CONNECTION_OK)
        throw DbError(ErrServerUnavailable, QStringLiteral("Không kết nối được máy chủ dữ liệu %1 (%2).")
                                                .arg(n.server, QString::fromUtf8(PQerrorMessage(conn)).trimmed()));
    PGresult* r = PQexec(conn, sql.c_str());
    const std::string state = sqlState(r);
    const QString message = QString::fromUtf8(PQresultErrorMessage(r)).trimmed();
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    PQclear(r);
    if (!ok) throw failed(state, message);
}

void PgConnection::create(const QString& name)
{
    const ServerName n = parseName(name);
    onServer(n, "CREATE SCHEMA " + pgDialect().ident(n.schema), [&](const std::string& state, const QString& message) {
        if (state == "42P06") return DbError(ErrObjectExists, QStringLiteral("Tệp %1 đã có trên máy chủ %2.").arg(n.schema, n.server));
        return DbError(ErrEngine, QStringLiteral("Không tạo được tệp %1 trên máy chủ %2 (%3).").arg(n.schema, n.server, message));
    });
}

// The server of every name, which must be one and the same.
ServerName commonServer(const QStringList& names)
{
    const ServerName first = parseName(names.front());
    for (const QString& name : names)
        if (parseName(name).conninfo != first.conninfo)
            throw DbError(ErrInvalidArgument, QStringLiteral("Các tệp %1 không cùng một máy chủ.").arg(names.join(QStringLiteral(", "))));
    return first;
}

}  // namespace

void dropServerSchemas(const QStringList& names)
{
    if (names.isEmpty()) return;
    const ServerName n = commonServer(names);
    std::string sql = "BEGIN";
    for (const QString& name : names) sql += "; DROP SCHEMA IF EXISTS " + pgDialect().ident(parseName(name).schema) + " CASCADE";
    onServer(n, sql + "; COMMIT", [&](const std::string&, const QString& message) {
        return DbError(ErrEngine, QStringLiteral("Không xoá được các tệp %1 trên máy chủ %2 (%3).")
                                      .arg(names.join(QStringLiteral(", ")), n.server, message));
    });
}

void renameServerSchemas(const std::vector<std::pair<QString, QString>>& renames)
{
    if (renames.empty()) return;
    QStringList names;
    for (const auto& [from, to] : renames) names << from << to;
    const ServerName n = commonServer(names);
    std::string sql = "BEGIN";
    for (const auto& [from, to] : renames)
        sql += "; ALTER SCHEMA " + pgDialect().ident(parseName(from).schema) + " RENAME TO " + pgDialect().ident(parseName(to).schema);
    onServer(n, sql + "; COMMIT", [&](const std::string& state, const QString& message) {
        if (state == "42P06") return DbError(ErrObjectExists, QStringLiteral("Đã có tệp cùng tên trên máy chủ %1 (%2).").arg(n.server, message));
        return DbError(ErrEngine, QStringLiteral("Không đổi được tên các tệp trên máy chủ %1 (%2).").arg(n.server, message));
    });
}

QString serverSibling(const QString& name, const QString& file)
{
    const qsizetype hash = name.lastIndexOf(QLatin1Char('#'));
    QString base = file.section(QLatin1Char('/'), -1);
    if (base.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive)) base.chop(4);
    return (hash < 0 ? name : name.left(hash)) + QLatin1Char('#') + base.toLower();
}

std::unique_ptr<Connection> openServerConnection(const QString& name, bool readOnly)
{
    return std::make_unique<PgConnection>(name, readOnly);
}

void createServerSchema(const QString& name) { PgConnection::create(name); }

}  // namespace engine
