#include "sqliteconnection.h"

#include "dialect.h"
#include "sqlfunctions.h"
#include "tcvn3.h"

#include <sqlite3.h>
#include <openssl/evp.h>

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <random>
#include <thread>

namespace engine {

std::string quoteIdent(const QString& name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return '"' + toStored(q) + '"';
}

std::string columnDeclaration(const FieldDef& f, const QString& primaryName)
{
    const std::string name = quoteIdent(f.name);
    std::string decl = name + ' ';
    const std::string constraint = primaryName.isEmpty() ? std::string() : "CONSTRAINT " + quoteIdent(primaryName) + ' ';
    // A counter is the table's row id; so is a whole-number primary key of one field.
    if (f.isCounter()) return decl + "INTEGER " + constraint + "PRIMARY KEY AUTOINCREMENT";
    if (!primaryName.isEmpty() && f.type == FieldType::Long) return decl + "INTEGER " + constraint + "PRIMARY KEY";
    switch (f.type) {
    case FieldType::Boolean: decl += "YESNO DEFAULT 0"; break;
    case FieldType::Integer: decl += "SMALLINT"; break;
    case FieldType::Long: decl += "INTEGER"; break;
    case FieldType::Double: decl += "DOUBLE"; break;
    case FieldType::Text:
        decl += "TEXT(" + std::to_string(f.size) + ") COLLATE " + kTextCollation;
        // One byte per letter: the byte length is the length in characters.
        decl += " CONSTRAINT " + quoteIdent(QStringLiteral("size:") + f.name) + " CHECK (length(CAST(" + name +
                " AS BLOB)) <= " + std::to_string(f.size) + ")";
        break;
    case FieldType::Memo: decl += std::string("LONGTEXT COLLATE ") + kTextCollation; break;
    }
    if (f.isText() && !f.allowZeroLength)
        decl += " CONSTRAINT " + quoteIdent(QStringLiteral("nonempty:") + f.name) + " CHECK (" + name + " <> '')";
    return decl;
}

FieldDef fieldFromDeclaration(const QString& name, const QString& declared, bool rowidKey, const QString& tableSql)
{
    const QString type = declared.toUpper();
    FieldDef f;
    if (rowidKey && tableSql.contains(QLatin1String("AUTOINCREMENT"), Qt::CaseInsensitive)) return FieldDef::counter(name);
    static const QRegularExpression sized(QStringLiteral("^\\s*TEXT\\s*\\(\\s*(\\d+)\\s*\\)"));
    if (const auto m = sized.match(type); m.hasMatch()) {
        f = FieldDef::text(name, m.captured(1).toInt());
    } else if (type == QLatin1String("LONGTEXT")) {
        f = FieldDef::memo(name);
    } else if (type.startsWith(QLatin1String("YESNO"))) {
        f = FieldDef::yesNo(name);
    } else if (type == QLatin1String("SMALLINT")) {
        f = FieldDef::integer(name);
    } else if (type.contains(QLatin1String("INT"))) {
        f = FieldDef::longInt(name);
    } else if (type.contains(QLatin1String("REAL")) || type.contains(QLatin1String("FLOA")) ||
               type.contains(QLatin1String("DOUB")) || type.contains(QLatin1String("NUM"))) {
        f = FieldDef::real(name);
    } else {
        f = FieldDef::text(name, 255);  // columns of expressions and of tables made from them
    }
    if (f.isText()) f.allowZeroLength = !tableSql.contains(QStringLiteral("\"nonempty:%1\"").arg(name), Qt::CaseInsensitive);
    return f;
}

namespace {

// The cipher's own key derivation: PBKDF2-HMAC-SHA1 over the 16-byte salt at the head of the
// file. Most data files are byte copies of the template and share its salt, so a derived key is
// remembered per (passphrase, salt) and handed to the engine as a raw key.
constexpr int kKdfIterations = 64000;
constexpr int kSaltBytes = 16;
constexpr int kKeyBytes = 32;
// How often a waiting call looks at the files for other clerks' progress.
constexpr std::chrono::milliseconds kProgressLookEvery{50};

std::mutex keyMutex;
std::map<std::string, std::string> keyCache;  // passphrase + salt -> "x'<hex key>'"
bool rawKeysWork = true;

std::string readSalt(const QString& path)
{
    std::string salt;
    if (FILE* f = std::fopen(QFile::encodeName(path).constData(), "rb")) {
        std::array<char, kSaltBytes> buf{};
        if (std::fread(buf.data(), 1, buf.size(), f) == buf.size()) salt.assign(buf.data(), buf.size());
        std::fclose(f);
    }
    return salt;
}

std::string rawKeyFor(const std::string& passphrase, const std::string& salt, bool* cached)
{
    const std::string cacheKey = passphrase + '\0' + salt;
    {
        std::lock_guard lock(keyMutex);
        if (!rawKeysWork) return {};
        auto it = keyCache.find(cacheKey);
        *cached = it != keyCache.end();
        if (*cached) return it->second;
    }
    std::array<unsigned char, kKeyBytes> key{};
    if (PKCS5_PBKDF2_HMAC_SHA1(passphrase.data(), static_cast<int>(passphrase.size()),
                               reinterpret_cast<const unsigned char*>(salt.data()), kSaltBytes,
                               kKdfIterations, kKeyBytes, key.data()) != 1)
        return {};
    static const char hex[] = "0123456789ABCDEF";
    std::string text = "x'";
    for (unsigned char b : key) {
        text.push_back(hex[b >> 4]);
        text.push_back(hex[b & 15]);
    }
    text.push_back('\'');
    return text;
}

void rememberKey(const std::string& passphrase, const std::string& salt, const std::string& rawKey)
{
    std::lock_guard lock(keyMutex);
    keyCache[passphrase + '\0' + salt] = rawKey;
}

void forgetRawKeys()
{
    std::lock_guard lock(keyMutex);
    rawKeysWork = false;
    keyCache.clear();
}

// ---- Waiting for other clerks --------------------------------------------------------------

std::mutex observerMutex;
std::shared_ptr<const std::function<void(bool)>> busyObserver;
// Set while the observer has been told of a wait on this thread that has not ended yet.
thread_local bool waitReported = false;

void tellObserver(bool waiting)
{
    std::shared_ptr<const std::function<void(bool)>> observer;
    {
        std::lock_guard lock(observerMutex);
        observer = busyObserver;
    }
    if (!observer || !*observer) return;
    try {
        (*observer)(waiting);
    } catch (...) {
        // The engine calls it from inside SQLite, where nothing may be thrown.
    }
}

// Called after every call into SQLite that may have waited: ends a reported wait.
inline void waitEnded()
{
    if (waitReported) {
        waitReported = false;
        tellObserver(false);
    }
}

int onBusy(void* waiter, int count) { return static_cast<BusyWaiter*>(waiter)->wait(count) ? 1 : 0; }

// A short sleep of random length, so that the clerks waiting for one file do not try it in step.
// Every try is a lock request (on a share, one to the file server), and a waiting clerk's try
// briefly takes the file's shared lock, which the clerk holding the write lock must see gone
// before it may commit: waiters that try too often hold up the very clerk they wait for. So a
// waiter tries a few times quickly, then every few milliseconds. A clerk that has waited a
// quarter of a second goes back to trying quickly, to be the likelier to take the lock in the
// moment it is let go (a clerk who keeps saving takes it again right after); and the clerk that holds the write lock and waits only for readers to leave (they
// cannot come back while it waits) tries again at once.
void pause(std::chrono::steady_clock::duration waited, int count, bool holdsWriteLock)
{
    thread_local std::minstd_rand random(static_cast<unsigned>(
        std::hash<std::thread::id>()(std::this_thread::get_id()) ^
        static_cast<std::size_t>(std::chrono::steady_clock::now().time_since_epoch().count())));
    using std::chrono::milliseconds;
    int shortest = 0, longest = 0;  // microseconds
    if (holdsWriteLock) {
        shortest = 50, longest = 250;
    } else if (count < 3) {
        shortest = 300, longest = 1000;
    } else if (waited < milliseconds(250)) {
        shortest = 2000, longest = 6000;
    } else {
        shortest = 300, longest = 1000;
    }
    std::uniform_int_distribution<int> micros(shortest, longest);
    std::this_thread::sleep_for(std::chrono::microseconds(micros(random)));
}

// Reads the schema: the first statement that needs the key to be right.
int probe(sqlite3* db, const char* schema)
{
    const std::string sql = std::string("SELECT count(*) FROM \"") + schema + "\".sqlite_master";
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(st);
        if (rc == SQLITE_ROW) rc = SQLITE_OK;
    }
    sqlite3_finalize(st);
    waitEnded();
    return rc;
}

// Explains why a file that exists does not open with the key.
DbError openFailure(const QString& path, int rc)
{
    QFile file(path);
    const qint64 size = file.size();
    QByteArray head;
    if (file.open(QIODevice::ReadOnly)) head = file.read(16);
    if (size < 1024 || size % 1024 != 0)
        return DbError(ErrUnrecognisedFormat,
                       QStringLiteral("Tệp %1 bị hỏng hoặc không phải là tệp dữ liệu.").arg(path));
    if (head.startsWith("SQLite format 3"))
        return DbError(ErrUnrecognisedFormat,
                       QStringLiteral("Tệp %1 không phải là tệp dữ liệu có mật khẩu của chương trình.").arg(path));
    if (rc == SQLITE_NOTADB)
        return DbError(ErrNotValidPassword,
                       QStringLiteral("Mật khẩu không đúng, hoặc tệp %1 bị hỏng.").arg(path));
    return DbError(ErrUnrecognisedFormat, QStringLiteral("Không mở được tệp dữ liệu %1.").arg(path));
}

// Whether two paths name one file (links followed).
bool sameFile(const QString& a, const QString& b)
{
    struct stat sa {}, sb {};
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 || ::stat(QFile::encodeName(b).constData(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool folderWritable(const QString& path)
{
    const QFileInfo dir(QFileInfo(path).absolutePath());
    return dir.isWritable();
}

}  // namespace

void SetBusyWaitObserver(std::function<void(bool waiting)> observer)
{
    auto shared = observer ? std::make_shared<const std::function<void(bool)>>(std::move(observer)) : nullptr;
    std::lock_guard lock(observerMutex);
    busyObserver = std::move(shared);
}

bool BusyWaiter::wait(int count)
{
    if (noWait) return false;
    const Clock::time_point now = Clock::now();
    if (count == 0) {
        started_ = lastProgress_ = lastLook_ = now;
        stamp_ = stamp();
    } else if (now - lastLook_ >= kProgressLookEvery) {
        // Another clerk's commit changes the data file or its journal: as long as that goes on,
        // the clerk holding the lock is working and we wait on.
        lastLook_ = now;
        std::vector<long long> current = stamp();
        if (current != stamp_) {
            stamp_ = std::move(current);
            lastProgress_ = now;
        }
    }
    if (now - lastProgress_ >= timeout) return false;
    if (!waitReported && now - started_ >= std::chrono::milliseconds(kBusyWaitReportMs)) {
        waitReported = true;
        tellObserver(true);
    }
    pause(now - started_, count, holdsWriteLock);
    return true;
}

// What the file system says of each file and its journal: any commit changes some of it. The
// file's own header is encrypted and cannot be read for its change counter.
std::vector<long long> BusyWaiter::stamp() const
{
    std::vector<long long> out;
    out.reserve(files.size() * 8);
    for (const std::string& file : files) {
        for (const std::string& path : {file, file + "-journal"}) {
            struct stat st {};
            if (::stat(path.c_str(), &st) != 0) {
                out.insert(out.end(), {-1, -1, -1, -1});
                continue;
            }
            out.insert(out.end(), {static_cast<long long>(st.st_ino), static_cast<long long>(st.st_size),
                                   static_cast<long long>(st.st_mtim.tv_sec), static_cast<long long>(st.st_mtim.tv_nsec)});
        }
    }
    return out;
}

[[noreturn]] void raiseEngineError(sqlite3* db, int rc, const QString& what)
{
    const QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString();
    const QString text = what.isEmpty() ? message : what + QStringLiteral(": ") + message;
    switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        throw DbError(ErrBusy, QStringLiteral("Tệp dữ liệu đang bị người khác dùng (%1).").arg(text));
    case SQLITE_NOTADB:
        throw DbError(ErrNotValidPassword, text);
    case SQLITE_CORRUPT:
        throw DbError(ErrUnrecognisedFormat, QStringLiteral("Tệp dữ liệu bị hỏng (%1).").arg(text));
    case SQLITE_READONLY:
    case SQLITE_PERM:
        throw DbError(ErrFileReadOnly, QStringLiteral("Không ghi được vào tệp dữ liệu (%1).").arg(text));
    case SQLITE_CANTOPEN:
        throw DbError(ErrFileNotFound, text);
    case SQLITE_FULL:
        throw DbError(ErrDiskFull, QStringLiteral("Đĩa chứa tệp dữ liệu đã đầy, không ghi thêm được; việc vừa làm chưa được "
                                                  "ghi (%1).").arg(text));
    case SQLITE_CONSTRAINT:
        if (message.contains(QLatin1String("size:")))
            throw DbError(ErrFieldTooSmall, QStringLiteral("Nội dung dài hơn độ dài của trường (%1).").arg(text));
        if (message.contains(QLatin1String("nonempty:")))
            throw DbError(ErrZeroLength, QStringLiteral("Trường không được để trống (%1).").arg(text));
        throw DbError(ErrDuplicateKey, text);
    default:
        break;
    }
    if (message.startsWith(QLatin1String("no such table")))
        throw DbError(ErrTableNotFound, text);
    if (message.startsWith(QLatin1String("no such column")))
        throw DbError(ErrItemNotFound, text);
    if (message.contains(QLatin1String("syntax error")) || message.contains(QLatin1String("incomplete input")))
        throw DbError(ErrSyntax, text);
    if (message.contains(QLatin1String("already exists")))
        throw DbError(ErrObjectExists, text);
    throw DbError(ErrEngine, text);
}

// ---- Cursor ------------------------------------------------------------------------------

SqliteCursor::SqliteCursor(sqlite3* db, std::string_view sql) : db_(db)
{
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, &tail);
    waitEnded();
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        raiseEngineError(db, rc, QString());
    }
    if (!stmt_) throw DbError(ErrSyntax, QStringLiteral("Câu lệnh rỗng."));
    // The engine reads one statement and points past it; whatever follows must not be lost
    // without a word. Blanks and one closing ";" are all that may be left.
    const char* end = sql.data() + sql.size();
    bool semicolon = false;
    for (const char* p = tail ? tail : end; p < end; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == ';' && !semicolon) {
            semicolon = true;
        } else if (!(c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v')) {
            sqlite3_finalize(stmt_);
            stmt_ = nullptr;
            throw DbError(ErrSyntax, QStringLiteral("Chỉ được viết một câu lệnh; phần sau dấu ';' không được thực hiện: %1")
                                         .arg(QString::fromUtf8(tail, static_cast<qsizetype>(end - tail)).trimmed()));
        }
    }
}

SqliteCursor::~SqliteCursor() { sqlite3_finalize(stmt_); }

bool SqliteCursor::step()
{
    const int rc = sqlite3_step(stmt_);
    waitEnded();
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    sqlite3_reset(stmt_);
    raiseEngineError(db_, rc, QString());
}

void SqliteCursor::reset()
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

void SqliteCursor::run()
{
    while (step()) {
    }
    reset();
}

void SqliteCursor::bind(int index, const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        sqlite3_bind_null(stmt_, index);
        break;
    case QMetaType::Bool:
        sqlite3_bind_int(stmt_, index, value.toBool() ? -1 : 0);
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::Long:
        sqlite3_bind_int64(stmt_, index, value.toLongLong());
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        sqlite3_bind_double(stmt_, index, value.toDouble());
        break;
    case QMetaType::QByteArray: {
        const QByteArray b = value.toByteArray();
        sqlite3_bind_blob(stmt_, index, b.constData(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
        break;
    }
    default:
        if (value.isNull()) {
            sqlite3_bind_null(stmt_, index);
        } else {
            bindBytes(index, toStored(value.toString()));
        }
        break;
    }
}

void SqliteCursor::bindInt(int index, long long value) { sqlite3_bind_int64(stmt_, index, value); }

void SqliteCursor::bindBytes(int index, std::string_view bytes)
{
    sqlite3_bind_text(stmt_, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
}

void SqliteCursor::bindUtf8(int index, const QString& text) { bindBytes(index, text.toUtf8().toStdString()); }

int SqliteCursor::columnCount() const { return sqlite3_column_count(stmt_); }

QVariant SqliteCursor::column(int index) const
{
    switch (sqlite3_column_type(stmt_, index)) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qlonglong>(sqlite3_column_int64(stmt_, index)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt_, index));
    case SQLITE_TEXT: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, index));
        return QVariant(fromStored(std::string_view(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, index)))));
    }
    case SQLITE_BLOB: {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt_, index));
        return QVariant(QByteArray(p, sqlite3_column_bytes(stmt_, index)));
    }
    default:
        return QVariant();
    }
}

long long SqliteCursor::columnInt(int index) const { return sqlite3_column_int64(stmt_, index); }

double SqliteCursor::columnDouble(int index) const { return sqlite3_column_double(stmt_, index); }

bool SqliteCursor::columnIsNull(int index) const { return sqlite3_column_type(stmt_, index) == SQLITE_NULL; }

QString SqliteCursor::columnUtf8(int index) const
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, index));
    return p ? QString::fromUtf8(p, sqlite3_column_bytes(stmt_, index)) : QString();
}

FieldDef SqliteCursor::columnField(int index) const
{
    return fieldFromDeclaration(columnName(index), QString::fromLatin1(sqlite3_column_decltype(stmt_, index)));
}

std::string SqliteCursor::image(int k) const
{
    std::string out;
    const auto appendRaw = [&out](const void* p, std::size_t n) { out.append(static_cast<const char*>(p), n); };
    switch (sqlite3_column_type(stmt_, k)) {
    case SQLITE_NULL:
        out += 'n';
        break;
    case SQLITE_FLOAT: {
        const double d = sqlite3_column_double(stmt_, k);
        if (!(std::trunc(d) == d && std::fabs(d) < 9.0e18)) {
            out += 'f';
            appendRaw(&d, sizeof d);
            break;
        }
        const long long whole = static_cast<long long>(d);
        out += 'i';
        appendRaw(&whole, sizeof whole);
        break;
    }
    case SQLITE_INTEGER: {
        const long long whole = sqlite3_column_int64(stmt_, k);
        out += 'i';
        appendRaw(&whole, sizeof whole);
        break;
    }
    default: {
        const bool text = sqlite3_column_type(stmt_, k) == SQLITE_TEXT;
        const void* bytes = text ? static_cast<const void*>(sqlite3_column_text(stmt_, k)) : sqlite3_column_blob(stmt_, k);
        const int size = sqlite3_column_bytes(stmt_, k);
        out += text ? 't' : 'b';
        if (size > 0) appendRaw(bytes, static_cast<std::size_t>(size));
        break;
    }
    }
    return out;
}

QString SqliteCursor::columnName(int index) const
{
    return fromStored(sqlite3_column_name(stmt_, index));
}

// ---- Connection --------------------------------------------------------------------------

namespace {

void configure(sqlite3* db, const char* schema)
{
    // Shared files, often on a network share: a rollback journal (kept, not re-created, on
    // every commit) and full synchronous writes.
    const std::string s = std::string("\"") + schema + "\".";
    const std::string pragmas = "PRAGMA " + s + "journal_mode=PERSIST; PRAGMA " + s + "synchronous=FULL; PRAGMA " + s +
                                "cache_size=-65536;";
    char* err = nullptr;
    const int rc = sqlite3_exec(db, pragmas.c_str(), nullptr, nullptr, &err);
    waitEnded();
    if (rc != SQLITE_OK) {
        const QString msg = QString::fromUtf8(err ? err : "");
        sqlite3_free(err);
        throw DbError(ErrEngine, msg);
    }
}

// ---- Text collation of files made by earlier versions ----------------------------------

// One text of the first column of a query's first row; empty when there is none.
std::string firstText(sqlite3* db, const std::string& sql, const std::string& bind = {})
{
    SqliteCursor st(db, sql);
    if (!bind.empty()) st.bindBytes(1, bind);
    std::string out;
    if (st.step()) {
        if (const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 0)))
            out.assign(p, static_cast<std::size_t>(sqlite3_column_bytes(st.get(), 0)));
    }
    st.reset();
    return out;
}

// The tables of a schema whose text columns are declared with the old collation name. Our own
// bookkeeping tables (saved queries) keep SQLite's NOCASE: their names are plain ASCII.
std::vector<std::string> oldCollationTables(sqlite3* db, const std::string& schema)
{
    SqliteCursor st(db, "SELECT name FROM \"" + schema + "\".sqlite_master WHERE type = 'table' AND substr(name, 1, 4) <> 'jet_' "
                     "AND substr(name, 1, 7) <> 'sqlite_' AND instr(sql, ' COLLATE NOCASE') > 0 ORDER BY rowid");
    std::vector<std::string> names;
    while (st.step()) names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 0)),
                                         static_cast<std::size_t>(sqlite3_column_bytes(st.get(), 0)));
    st.reset();
    return names;
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string quoted(const std::string& name) { return '"' + replaceAll(name, "\"", "\"\"") + '"'; }

// The file's own check (quick_check: pages and trees; integrity_check: also every index entry
// against its row); throws unless it finds the file sound.
void requireSound(sqlite3* db, const QString& path, const std::string& check)
{
    const std::string result = firstText(db, "PRAGMA main." + check + "(1)");
    if (result != "ok")
        throw DbError(ErrUnrecognisedFormat, QStringLiteral("Tệp dữ liệu %1 bị hỏng (%2).").arg(path, QString::fromUtf8(result)));
}

// Builds one table again with its text columns under our collation's own name, as SQLite's own
// advice for changes ALTER TABLE cannot make goes: a new table, the rows copied across (row ids
// kept), the old table dropped, the new one renamed, its indexes made again and the table's
// counter sequence kept where it was.
void rebuildWithOwnCollation(sqlite3* db, const std::string& table)
{
    const std::string oldName = std::string(" COLLATE NOCASE");
    const std::string newName = std::string(" COLLATE ") + kTextCollation;
    const std::string tableSql = firstText(db, "SELECT sql FROM main.sqlite_master WHERE type = 'table' AND name = ?", table);
    const std::size_t open = tableSql.find('(');
    if (open == std::string::npos) throw DbError(ErrEngine, QStringLiteral("Không đọc được cấu trúc bảng %1.").arg(fromStored(table)));
    std::vector<std::string> indexes;
    {
        SqliteCursor st(db, "SELECT sql FROM main.sqlite_master WHERE type = 'index' AND tbl_name = ? AND sql IS NOT NULL ORDER BY rowid");
        st.bindBytes(1, table);
        while (st.step()) indexes.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 0)),
                                               static_cast<std::size_t>(sqlite3_column_bytes(st.get(), 0)));
        st.reset();
    }
    // The columns, and whether one of them is the row id (then it is copied with the rest).
    std::string columns;
    bool rowidColumn = false;
    {
        SqliteCursor st(db, "PRAGMA main.table_info(" + quoted(table) + ")");
        int keys = 0;
        bool integerKey = false;
        while (st.step()) {
            const std::string name(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 1)));
            const auto* type = reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 2));
            columns += (columns.empty() ? "" : ", ") + quoted(name);
            if (sqlite3_column_int(st.get(), 5) > 0) {
                ++keys;
                integerKey = type && QByteArray(type).toUpper() == "INTEGER";
            }
        }
        st.reset();
        rowidColumn = keys == 1 && integerKey;
    }
    const bool hasSequence = !firstText(db, "SELECT name FROM main.sqlite_master WHERE name = 'sqlite_sequence'").empty();
    const std::string seq = hasSequence ? firstText(db, "SELECT seq FROM main.sqlite_sequence WHERE name = ?", table) : std::string();

    auto run = [db](const std::string& sql) { SqliteCursor(db, sql).run(); };
    run("CREATE TABLE \"jet_rebuild\" " + replaceAll(tableSql.substr(open), oldName, newName));
    const std::string copied = rowidColumn ? columns : "rowid, " + columns;
    run("INSERT INTO \"jet_rebuild\" (" + copied + ") SELECT " + copied + " FROM main." + quoted(table));
    run("DROP TABLE main." + quoted(table));
    run("ALTER TABLE \"jet_rebuild\" RENAME TO " + quoted(table));
    for (const std::string& index : indexes) run(replaceAll(index, oldName, newName));
    if (!seq.empty()) {
        SqliteCursor up(db, "UPDATE main.sqlite_sequence SET seq = max(seq, ?) WHERE name = ?");
        up.bindInt(1, std::stoll(seq));
        up.bindBytes(2, table);
        up.run();
        if (sqlite3_changes(db) == 0) {
            SqliteCursor ins(db, "INSERT INTO main.sqlite_sequence (name, seq) VALUES (?, ?)");
            ins.bindBytes(1, table);
            ins.bindInt(2, std::stoll(seq));
            ins.run();
        }
    }
}

// Opens `path` with the passphrase, using a remembered raw key when the salt is known.
sqlite3* openKeyed(const QString& path, bool readOnly, const std::string& passphrase, BusyWaiter* waiter);
sqlite3* openKeyed(const QString& path, bool readOnly, const std::string& passphrase, BusyWaiter* waiter)
{
    const std::string salt = readSalt(path);
    const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_FULLMUTEX;
    const QByteArray nativePath = path.toUtf8();
    int lastRc = SQLITE_NOTADB;
    // First try: the raw key (remembered, or derived here); second: the passphrase itself.
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::string key;
        bool cached = false;
        if (attempt == 0) {
            if (salt.size() != kSaltBytes) continue;
            key = rawKeyFor(passphrase, salt, &cached);
            if (key.empty()) continue;
        } else {
            key = passphrase;
        }
        sqlite3* db = nullptr;
        int rc = sqlite3_open_v2(nativePath.constData(), &db, flags, nullptr);
        if (rc == SQLITE_OK) rc = sqlite3_key(db, key.data(), static_cast<int>(key.size()));
        if (rc == SQLITE_OK) {
            sqlite3_busy_handler(db, onBusy, waiter);
            rc = probe(db, "main");
        }
        if (rc == SQLITE_OK) {
            if (attempt == 0 && !cached) rememberKey(passphrase, salt, key);
            if (attempt == 1 && salt.size() == kSaltBytes) {
                // The passphrase works where our derivation did not: this engine derives keys
                // differently, so stop handing it raw keys.
                bool dummy = false;
                if (!rawKeyFor(passphrase, salt, &dummy).empty()) forgetRawKeys();
            }
            return db;
        }
        lastRc = rc;
        sqlite3_close_v2(db);
        if ((rc & 0xFF) == SQLITE_BUSY) raiseEngineError(nullptr, rc, path);
        if ((rc & 0xFF) == SQLITE_READONLY && readOnly) {
            // A program died in the middle of a write and left its journal: a reader cannot
            // put the file back, so open it once for writing, which rolls the journal back.
            sqlite3* repair = openKeyed(path, false, passphrase, waiter);
            sqlite3_close_v2(repair);
            return openKeyed(path, true, passphrase, waiter);
        }
    }
    throw openFailure(path, lastRc);
}

}  // namespace

SqliteConnection::SqliteConnection(const QString& path, bool readOnly, const std::string& passphrase)
    : Connection(QFileInfo(path).absoluteFilePath(), readOnly), passphrase_(passphrase)
{
    const QFileInfo info(path_);
    if (!info.exists() || !info.isFile())
        throw DbError(ErrFileNotFound, QStringLiteral("Không tìm thấy tệp dữ liệu %1.").arg(path_));
    // The engine would take an empty file for a new database; a data file is never empty.
    if (info.size() < 1024)
        throw DbError(ErrUnrecognisedFormat, QStringLiteral("Tệp %1 bị hỏng hoặc không phải là tệp dữ liệu.").arg(path_));
    // The write bits are the file's read-only attribute (they hold even for the administrator).
    const bool writeBits = (info.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)) != 0;
    if (!readOnly && (!writeBits || !info.isWritable() || !folderWritable(path_)))
        throw DbError(ErrFileReadOnly,
                      QStringLiteral("Tệp dữ liệu %1 hoặc thư mục của nó không cho phép ghi.").arg(path_));
    waiter_.files = {QFile::encodeName(path_).toStdString()};
    db_ = openKeyed(path_, readOnly, passphrase, &waiter_);
    try {
        if (!readOnly && sqlite3_db_readonly(db_, "main") == 1)
            throw DbError(ErrFileReadOnly, QStringLiteral("Tệp dữ liệu %1 chỉ cho phép đọc.").arg(path_));
        registerSqlFunctions(db_);
        if (!readOnly) configure(db_, "main");
        if (!oldCollationTables(db_, "main").empty()) {
            oldCollation_ = useOldTextCollation(db_);
            if (!readOnly) upgradeCollation();
        }
    } catch (...) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw;
    }
}

void SqliteConnection::createFile(const QString& path, const std::string& passphrase)
{
    if (QFileInfo::exists(path))
        throw DbError(ErrObjectExists, QStringLiteral("Tệp %1 đã có.").arg(path));
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_key(db, passphrase.data(), static_cast<int>(passphrase.size()));
    // Writing the first page fixes the salt and the key.
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, "PRAGMA user_version=1;", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close_v2(db);
        throw DbError(ErrEngine, msg);
    }
    sqlite3_close_v2(db);
}

// A file made by an earlier version is brought to the collation's own name once, the first time
// a clerk opens it for writing: all of it in one transaction. Its pages and trees must be sound
// before (its indexes may be out of order: the stock tool may have sorted them by its own rule,
// and they are built again here) and the whole file must pass its full check after, or nothing
// of it is kept. A file left as it was (unsound, busy, a full disk) is read by the old rule and
// upgraded by a later open; a damaged one is the start-up check's to report. Another clerk who
// opens the file meanwhile waits, then finds it done.
void SqliteConnection::upgradeCollation()
{
    try {
        writeTransaction([&] {
            if (oldCollationTables(db_, "main").empty()) return;
            requireSound(db_, path_, "quick_check");
            for (const std::string& table : oldCollationTables(db_, "main")) rebuildWithOwnCollation(db_, table);
            requireSound(db_, path_, "integrity_check");
        });
    } catch (const DbError&) {
    }
}

SqliteConnection::~SqliteConnection() { close(); }

sqlite3* SqliteConnection::db() const
{
    if (!db_) throw DbError(ErrDatabaseClosed, QStringLiteral("Cơ sở dữ liệu đã đóng."));
    return db_;
}

void SqliteConnection::close()
{
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
    attached_.clear();
}

QString SqliteConnection::attach(const QString& otherPath)
{
    const QString canonical = QFileInfo(otherPath).absoluteFilePath();
    auto it = attached_.find(canonical);
    if (it != attached_.end()) {
        ++it->second.users;
        return it->second.alias;
    }
    const QFileInfo info(canonical);
    if (!info.exists() || !info.isFile())
        throw DbError(ErrFileNotFound, QStringLiteral("Không tìm thấy tệp dữ liệu %1.").arg(canonical));
    // The file this connection has open, named again (by any path): attached, it would be a
    // second user of the same file and wait for this one's own lock until it gave up.
    if (sameFile(canonical, path_))
        throw DbError(ErrFileInUse, QStringLiteral("Tệp %1 chính là tệp dữ liệu đang dùng; câu lệnh không cần ghi IN '%1' "
                                                   "cho các bảng của nó.")
                                        .arg(otherPath));
    const QString alias = QStringLiteral("jet%1").arg(nextAlias_++);
    const std::string salt = readSalt(canonical);
    bool cached = false;
    std::string key = salt.size() == kSaltBytes ? rawKeyFor(passphrase_, salt, &cached) : std::string();
    const bool usedRaw = !key.empty();
    if (!usedRaw) key = passphrase_;
    auto tryAttach = [&](const std::string& k) {
        SqliteCursor st(db(), "ATTACH DATABASE ? AS " + alias.toStdString() + " KEY ?");
        st.bindBytes(1, canonical.toUtf8().toStdString());
        st.bindBytes(2, k);
        st.run();
        const int rc = probe(db_, alias.toUtf8().constData());
        if (rc != SQLITE_OK) {
            sqlite3_exec(db_, ("DETACH DATABASE " + alias.toStdString()).c_str(), nullptr, nullptr, nullptr);
            return rc;
        }
        return SQLITE_OK;
    };
    int rc = tryAttach(key);
    if (rc != SQLITE_OK && usedRaw) rc = tryAttach(passphrase_);
    if (rc != SQLITE_OK) throw openFailure(canonical, rc);
    if (usedRaw && !cached) rememberKey(passphrase_, salt, key);
    if (!readOnly_) configure(db_, alias.toUtf8().constData());
    // A file not yet upgraded (it is upgraded when opened for itself) is read by the old rule.
    if (!oldCollation_ && !oldCollationTables(db_, alias.toStdString()).empty()) oldCollation_ = useOldTextCollation(db_);
    attached_[canonical] = {alias, 1};
    waiter_.files.push_back(QFile::encodeName(canonical).toStdString());
    return alias;
}

void SqliteConnection::release(const QString& alias)
{
    for (auto it = attached_.begin(); it != attached_.end(); ++it) {
        if (it->second.alias != alias) continue;
        if (--it->second.users == 0) {
            if (db_) sqlite3_exec(db_, ("DETACH DATABASE " + alias.toStdString()).c_str(), nullptr, nullptr, nullptr);
            waitEnded();
            const std::string file = QFile::encodeName(it->first).toStdString();
            const auto f = std::find(waiter_.files.begin() + 1, waiter_.files.end(), file);
            if (f != waiter_.files.end()) waiter_.files.erase(f);
            attached_.erase(it);
        }
        return;
    }
}

void SqliteConnection::retain(const QString& alias)
{
    for (auto& entry : attached_)
        if (entry.second.alias == alias) ++entry.second.users;
}

bool SqliteConnection::inTransaction() const { return db_ && sqlite3_get_autocommit(db_) == 0; }

void SqliteConnection::rollback()
{
    if (inTransaction()) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    waitEnded();
}

bool SqliteConnection::beginWrite(bool wait)
{
    if (wait) {
        exec("BEGIN IMMEDIATE");
        return true;
    }
    waiter_.noWait = true;
    try {
        exec("BEGIN IMMEDIATE");
    } catch (const DbError&) {
        waiter_.noWait = false;
        return false;
    }
    waiter_.noWait = false;
    return true;
}

void SqliteConnection::commit() { exec("COMMIT"); }

std::unique_ptr<Cursor> SqliteConnection::prepare(std::string_view sql) { return std::make_unique<SqliteCursor>(db(), sql); }

long long SqliteConnection::changes() { return sqlite3_changes(db()); }

long long SqliteConnection::lastInsertKey() { return sqlite3_last_insert_rowid(db()); }

std::string SqliteConnection::prefix(const QString& schema) const
{
    return schema.isEmpty() ? std::string("main.") : schema.toStdString() + '.';
}

// ---- Catalogue -----------------------------------------------------------------------------

namespace {

std::string createTableSql(const std::string& qualifiedName, const TableDef& t)
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
    std::string sql = "CREATE TABLE " + qualifiedName + " (";
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

std::string createIndexSql(const QString& table, const IndexDef& ix)
{
    std::string sql = ix.unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ";
    sql += "main." + quoteIdent(table + QLatin1Char('.') + ix.name) + " ON " + quoteIdent(table) + " (";
    for (qsizetype k = 0; k < ix.fields.size(); ++k) sql += (k ? ", " : "") + quoteIdent(ix.fields[k]);
    return sql + ')';
}

}  // namespace

long long SqliteConnection::schemaVersion()
{
    SqliteCursor version(db(), "PRAGMA main.schema_version");
    const long long v = version.step() ? version.columnInt(0) : 0;
    version.reset();
    return v;
}

QStringList SqliteConnection::tableNames(const QString& schema, bool withInternal)
{
    SqliteCursor st(db(), "SELECT name FROM " + prefix(schema) + "sqlite_master WHERE type='table' ORDER BY rowid");
    QStringList names;
    while (st.step()) {
        const QString n = st.column(0).toString();
        if (withInternal || !isInternalTable(n)) names.append(n);
    }
    st.reset();
    return names;
}

bool SqliteConnection::hasTable(const QString& schema, const QString& table)
{
    SqliteCursor st(db(), "SELECT 1 FROM " + prefix(schema) + "sqlite_master WHERE type='table' AND name=? COLLATE NOCASE");
    st.bind(1, table);
    const bool found = st.step();
    st.reset();
    return found;
}

std::optional<TableDef> SqliteConnection::tableDef(const QString& schema, const QString& table)
{
    const std::string prefix = this->prefix(schema);
    TableDef def;
    QString tableSql;
    {
        SqliteCursor st(db(), "SELECT name, sql FROM " + prefix + "sqlite_master WHERE type='table' AND name=? COLLATE NOCASE");
        st.bind(1, table);
        if (!st.step()) return std::nullopt;
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
        SqliteCursor st(db(), "PRAGMA " + prefix + "table_info(" + quoteIdent(def.name) + ")");
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
        SqliteCursor st(db(), "PRAGMA " + prefix + "index_list(" + quoteIdent(def.name) + ")");
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
            SqliteCursor info(db(), "PRAGMA " + prefix + "index_info(" + quoteIdent(f.name) + ")");
            while (info.step()) ix.fields.append(info.column(2).toString());
            info.reset();
            def.indexes.append(ix);
        }
    }
    return def;
}

void SqliteConnection::createTable(const TableDef& table)
{
    writeTransaction([&] {
        exec(createTableSql(quoteIdent(table.name), table));
        for (const IndexDef& ix : table.indexes)
            if (!ix.primary) exec(createIndexSql(table.name, ix));
    });
}

void SqliteConnection::createIndex(const TableDef& table, const IndexDef& index)
{
    if (!index.primary) {
        writeTransaction([&] { exec(createIndexSql(table.name, index)); });
        return;
    }
    TableDef after = table;
    after.indexes.append(index);
    alterTable(table, after);
}

// SQLite cannot add a key to a table or change a column's constraints: the table is built again
// under the new definition, its rows copied across, and it takes the old name.
void SqliteConnection::alterTable(const TableDef&, const TableDef& def)
{
    writeTransaction([&] {
        exec(createTableSql("\"jet_rebuild\"", def));
        exec("INSERT INTO \"jet_rebuild\" SELECT * FROM " + quoteIdent(def.name));
        exec("DROP TABLE " + quoteIdent(def.name));
        exec("ALTER TABLE \"jet_rebuild\" RENAME TO " + quoteIdent(def.name));
        for (const IndexDef& ix : def.indexes)
            if (!ix.primary) exec(createIndexSql(def.name, ix));
    });
}

std::optional<QString> SqliteConnection::savedQuery(const QString& schema, const QString& name)
{
    if (!hasTable(schema, QStringLiteral("jet_queries"))) return std::nullopt;
    SqliteCursor st(db(), "SELECT sql FROM " + prefix(schema) + "jet_queries WHERE name=? COLLATE NOCASE");
    st.bindUtf8(1, name);
    std::optional<QString> sql;
    if (st.step()) sql = st.columnUtf8(0);
    st.reset();
    return sql;
}

QStringList SqliteConnection::savedQueryNames()
{
    QStringList names;
    if (!hasTable(QString(), QStringLiteral("jet_queries"))) return names;
    SqliteCursor st(db(), "SELECT name FROM jet_queries ORDER BY name");
    while (st.step()) names.append(st.columnUtf8(0));
    st.reset();
    return names;
}

void SqliteConnection::writeSavedQuery(const QString& name, const std::optional<QString>& jetSql, bool create)
{
    writeTransaction([&] {
        if (!jetSql) {
            SqliteCursor st(db(), "DELETE FROM jet_queries WHERE name=? COLLATE NOCASE");
            st.bindUtf8(1, name);
            st.run();
        } else if (create) {
            // Names and texts are kept in UTF-8: a saved query may name a path in any script.
            exec("CREATE TABLE IF NOT EXISTS jet_queries (name TEXT PRIMARY KEY COLLATE NOCASE, sql TEXT NOT NULL)");
            SqliteCursor st(db(), "INSERT INTO jet_queries (name, sql) VALUES (?, ?)");
            st.bindUtf8(1, name);
            st.bindUtf8(2, *jetSql);
            st.run();
        } else {
            SqliteCursor st(db(), "UPDATE jet_queries SET sql=? WHERE name=? COLLATE NOCASE");
            st.bindUtf8(1, *jetSql);
            st.bindUtf8(2, name);
            st.run();
        }
    });
}

// The table's sequence goes past the largest row id in it, so that a row written with an id of
// its own never meets one handed out later.
qint64 SqliteConnection::nextCounter(const QString& schema, const QString& table, const QString&)
{
    const std::string seq = prefix(schema) + "sqlite_sequence";
    const std::string maxId = "(SELECT coalesce(max(rowid), 0) FROM " + prefix(schema) + quoteIdent(table) + ")";
    const std::string name = toStored(table);
    SqliteCursor up(db(), "UPDATE " + seq + " SET seq = max(seq, " + maxId + ") + 1 WHERE name = ?");
    up.bindBytes(1, name);
    up.run();
    if (sqlite3_changes(db_) == 0) {
        SqliteCursor ins(db(), "INSERT INTO " + seq + " (name, seq) VALUES (?, " + maxId + " + 1)");
        ins.bindBytes(1, name);
        ins.run();
    }
    SqliteCursor get(db(), "SELECT seq FROM " + seq + " WHERE name = ?");
    get.bindBytes(1, name);
    get.step();
    const qint64 id = get.columnInt(0);
    get.reset();
    return id;
}

qint64 SqliteConnection::counterMark(const QString& table, const QString&)
{
    SqliteCursor st(db(), "SELECT max(coalesce((SELECT seq FROM main.sqlite_sequence WHERE name = ?), 0), "
                          "(SELECT coalesce(max(rowid), 0) FROM main." + quoteIdent(table) + "))");
    st.bindBytes(1, toStored(table));
    st.step();
    const qint64 mark = st.columnInt(0);
    st.reset();
    return mark;
}

void SqliteConnection::raiseCounter(const QString& table, const QString&, qint64 mark)
{
    SqliteCursor up(db(), "UPDATE main.sqlite_sequence SET seq = max(seq, ?) WHERE name = ?");
    up.bindInt(1, mark);
    up.bindBytes(2, toStored(table));
    up.run();
    if (sqlite3_changes(db_) == 0) {
        SqliteCursor ins(db(), "INSERT INTO main.sqlite_sequence (name, seq) VALUES (?, ?)");
        ins.bindBytes(1, toStored(table));
        ins.bindInt(2, mark);
        ins.run();
    }
}

void SqliteConnection::giveBackCounter(const QString& table, qint64 value)
{
    if (!isOpen() || readOnly()) return;
    try {
        // Nobody has seen the id, and the sequence still ends at it: the next clerk may have it.
        // Otherwise, or when the file is busy, it stays a gap, as counters do.
        tryWriteTransaction([&] {
            SqliteCursor st(db(), "UPDATE main.sqlite_sequence SET seq = seq - 1 WHERE name = ? AND seq = ?");
            st.bindBytes(1, toStored(table));
            st.bindInt(2, value);
            st.run();
        });
    } catch (const DbError&) {
    }
}

std::optional<std::string> SqliteConnection::dataVersionQuery(const QString& schema) const
{
    return "PRAGMA " + (schema.isEmpty() ? std::string("main") : schema.toStdString()) + ".data_version";
}

QString SqliteConnection::checkPages()
{
    try {
        SqliteCursor st(db(), "PRAGMA main.quick_check(1)");
        const QString result = st.step() ? st.column(0).toString() : QStringLiteral("?");
        st.reset();
        return result == QLatin1String("ok") ? QString() : result;
    } catch (const DbError& e) {
        return e.description();
    }
}

// ---- Dialect -------------------------------------------------------------------------------

namespace {

class SqliteDialect final : public Dialect {
public:
    std::string encode(const QString& text) const override { return toStored(text); }
    std::string textLiteral(const QString& value) const override
    {
        return '\'' + toStored(value) + "' COLLATE " + kTextCollation;
    }
    std::string leadingNumber(const std::string& expr) const override { return "CAST(" + expr + " AS REAL)"; }
    std::string emptyIfNull(const std::string& expr) const override { return "ifnull(" + expr + ", '')"; }
    // The engine's LIKE is our own function (see registerSqlFunctions).
    std::string like(const std::string& text, const std::string& pattern, bool negated) const override
    {
        return text + (negated ? " NOT LIKE " : " LIKE ") + pattern;
    }
    std::string likeWithoutMarks(const std::string& text, const std::string& pattern, bool negated) const override
    {
        return std::string(negated ? "NOT " : "") + "jet_like_folded(" + pattern + ", " + text + ')';
    }
    std::string function(const QString& name) const override
    {
        static const QHash<QString, QString> map = {
            {QStringLiteral("left"), QStringLiteral("jet_left")},   {QStringLiteral("right"), QStringLiteral("jet_right")},
            {QStringLiteral("mid"), QStringLiteral("jet_mid")},     {QStringLiteral("ucase"), QStringLiteral("jet_upper")},
            {QStringLiteral("lcase"), QStringLiteral("jet_lower")}, {QStringLiteral("val"), QStringLiteral("jet_val")},
            {QStringLiteral("format"), QStringLiteral("jet_format")}, {QStringLiteral("fold"), QStringLiteral("jet_fold")},
        };
        return map.value(name.toLower(), name).toStdString();
    }
    std::string columnDeclaration(const FieldDef& field, const QString& primaryName) const override
    {
        return engine::columnDeclaration(field, primaryName);
    }
    std::string rowKey(const QList<FieldDef>&) const override { return "rowid"; }
    std::string tempTable(const std::string& name) const override { return "temp." + name; }
    std::string createTempIndex(const std::string& table, const std::string& column) const override
    {
        return "CREATE INDEX temp." + table + "_key ON " + table + '(' + column + ')';
    }
    bool spellsOutStar() const override { return false; }
    std::string rowParameter(int index, const FieldDef& field) const override
    {
        std::string p = '?' + std::to_string(index);
        if (field.isText()) p += std::string(" COLLATE ") + kTextCollation;
        return p;
    }
};

}  // namespace

const Dialect& SqliteConnection::dialect() const
{
    static const SqliteDialect d;
    return d;
}

}  // namespace engine
