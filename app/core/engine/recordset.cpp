#include "recordset.h"

#include "connection.h"
#include "dbstate.h"
#include "jetsql.h"

#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <unordered_set>

namespace engine {
namespace {

DbError noCurrentRecord() { return DbError(ErrNoCurrentRecord, QStringLiteral("Không có bản ghi hiện thời.")); }

}  // namespace

Recordset::Recordset(std::shared_ptr<DbState> state, const QString& sql, RecordsetType type)
    : state_(std::move(state)), sql_(sql), type_(type)
{
    Translation tr = translateJet(sql, *state_);
    aliases_ = tr.aliases;
    if (tr.kind != Translation::Kind::Query || tr.statements.size() != 1) {
        state_->releaseAll(aliases_);
        throw DbError(ErrSyntax, QStringLiteral("Nguồn bản ghi phải là một câu lệnh chọn (SELECT): %1").arg(sql));
    }
    selectSql_ = tr.statements.front();
    if (tr.base && type == RecordsetType::Dynaset)
        base_ = Base{tr.base->table, tr.base->schema, tr.base->tableName, tr.base->columns, tr.base->rest, -1};
    else
        type_ = RecordsetType::Snapshot;
    try {
        open();
    } catch (...) {
        state_->releaseAll(aliases_);
        throw;
    }
}

Recordset::Recordset(const Recordset& other, bool)
    : state_(other.state_), sql_(other.sql_), type_(other.type_), selectSql_(other.selectSql_),
      aliases_(other.aliases_), base_(other.base_), fields_(other.fields_), fieldByName_(other.fieldByName_),
      keys_(other.keys_), rows_(other.rows_), keysAscending_(other.keysAscending_)
{
    for (const QString& a : aliases_) state_->conn.retain(a);
    pos_ = RecordCount() > 0 ? 0 : -1;
}

Recordset::~Recordset() { Close(); }

void Recordset::Close()
{
    if (closed_) return;
    closed_ = true;
    writeStatements_.clear();
    fetch_.reset();
    keys_.clear();
    rows_.clear();
    if (state_->conn.isOpen()) state_->releaseAll(aliases_);
}

void Recordset::checkOpen() const
{
    if (closed_ || !state_->conn.isOpen())
        throw DbError(ErrDatabaseClosed, QStringLiteral("Tập bản ghi đã đóng."));
}

Statement& Recordset::cached(std::unique_ptr<Statement>& slot, const std::string& sql) const
{
    if (!slot) slot = std::make_unique<Statement>(state_->conn.db(), sql);
    return *slot;
}

Statement& Recordset::writeStatement(const std::string& sql) { return cached(writeStatements_[sql], sql); }

void Recordset::open()
{
    if (base_) {
        Statement& fetch = cached(fetch_, "SELECT " + base_->columns + " FROM " + base_->table + " WHERE rowid=?");
        describe(fetch);
        loadKeys();
    } else {
        Statement st(state_->conn.db(), selectSql_);
        describe(st);
        rows_.clear();
        while (st.step()) {
            std::vector<QVariant> row(fields_.size());
            for (std::size_t k = 0; k < row.size(); ++k) row[k] = st.column(static_cast<int>(k));
            rows_.push_back(std::move(row));
        }
        st.reset();
    }
    pos_ = RecordCount() > 0 ? 0 : -1;
}

void Recordset::loadKeys()
{
    Statement st(state_->conn.db(), "SELECT rowid FROM " + base_->table + (base_->rest.empty() ? "" : " " + base_->rest));
    keys_.clear();
    keysAscending_ = true;
    while (st.step()) {
        const qint64 k = st.columnInt(0);
        if (!keys_.empty() && k <= keys_.back()) keysAscending_ = false;
        keys_.push_back(k);
    }
    st.reset();
}

void Recordset::describe(Statement& st)
{
    fields_.clear();
    fieldByName_.clear();
    std::optional<TableDef> def;
    if (base_) def = state_->tableDef(base_->schema, base_->name);
    for (int k = 0; k < st.columnCount(); ++k) {
        const QString name = st.columnName(k);
        Column f;
        const FieldDef* own = def ? def->field(name) : nullptr;
        if (own) {
            f.def = *own;
            f.writable = true;
            if (own->isCounter()) base_->counterField = k;
        } else {
            f.def = fieldFromDeclaration(name, QString::fromLatin1(sqlite3_column_decltype(st.get(), k)));
        }
        fields_.push_back(f);
        if (!fieldByName_.contains(name.toLower())) fieldByName_.insert(name.toLower(), k);
    }
}

// ---- Position -----------------------------------------------------------------------------

long Recordset::RecordCount() const
{
    checkOpen();
    return static_cast<long>(base_ ? keys_.size() : rows_.size());
}

bool Recordset::Eof() const { return RecordCount() == 0 || pos_ >= RecordCount(); }

bool Recordset::Bof() const { return RecordCount() == 0 || pos_ < 0; }

long Recordset::AbsolutePosition() const
{
    if (Eof() || Bof() || currentDeleted_) return -1;
    return pos_;
}

void Recordset::SetAbsolutePosition(long position)
{
    if (position < 0 || position >= RecordCount())
        throw DbError(ErrInvalidArgument, QStringLiteral("Vị trí %1 nằm ngoài tập bản ghi.").arg(position));
    editMode_ = EditNone;
    currentDeleted_ = false;
    rowValid_ = false;  // a row is read afresh each time it becomes current
    pos_ = position;
}

void Recordset::requireCurrent() const
{
    if (Eof() || Bof()) throw noCurrentRecord();
    if (currentDeleted_) throw DbError(ErrRecordDeleted, QStringLiteral("Bản ghi đã bị xoá."));
}

qint64 Recordset::currentKey() const
{
    requireCurrent();
    return base_ ? keys_[static_cast<std::size_t>(pos_)] : pos_;
}

qint64 Recordset::Bookmark() const { return currentKey(); }

long Recordset::indexOfKey(qint64 key) const
{
    if (keysAscending_) {
        const auto it = std::lower_bound(keys_.begin(), keys_.end(), key);
        return it != keys_.end() && *it == key ? static_cast<long>(it - keys_.begin()) : -1;
    }
    const auto it = std::find(keys_.begin(), keys_.end(), key);
    return it != keys_.end() ? static_cast<long>(it - keys_.begin()) : -1;
}

void Recordset::SetBookmark(qint64 bookmark)
{
    checkOpen();
    const long index = base_ ? indexOfKey(bookmark) : (bookmark >= 0 && bookmark < RecordCount() ? static_cast<long>(bookmark) : -1);
    if (index < 0) throw DbError(ErrInvalidArgument, QStringLiteral("Dấu trang không hợp lệ."));
    SetAbsolutePosition(index);
}

qint64 Recordset::LastModified() const
{
    checkOpen();
    if (lastModified_ < 0) throw noCurrentRecord();
    return lastModified_;
}

void Recordset::MoveFirst()
{
    if (RecordCount() == 0) throw noCurrentRecord();
    SetAbsolutePosition(0);
}

void Recordset::MoveLast()
{
    if (RecordCount() == 0) throw noCurrentRecord();
    SetAbsolutePosition(RecordCount() - 1);
}

void Recordset::MoveNext()
{
    if (Eof()) throw noCurrentRecord();
    editMode_ = EditNone;
    rowValid_ = false;
    if (currentDeleted_) currentDeleted_ = false;  // the next row has moved into the deleted one's place
    else ++pos_;
}

void Recordset::MovePrevious()
{
    if (Bof()) throw noCurrentRecord();
    editMode_ = EditNone;
    currentDeleted_ = false;
    rowValid_ = false;
    --pos_;
}

// ---- Finding ------------------------------------------------------------------------------

void Recordset::FindFirst(const QString& criteria) { find(criteria, true, false); }
void Recordset::FindLast(const QString& criteria) { find(criteria, false, false); }
void Recordset::FindNext(const QString& criteria) { find(criteria, true, true); }
void Recordset::FindPrevious(const QString& criteria) { find(criteria, false, true); }

void Recordset::find(const QString& criteria, bool forward, bool fromCurrent)
{
    checkOpen();
    QStringList aliases;
    const std::string condition = translateCriteria(criteria, *state_, &aliases);
    struct Release {
        DbState& s;
        QStringList& a;
        ~Release() { s.releaseAll(a); }
    } release{*state_, aliases};
    const long count = RecordCount();
    long start = forward ? 0 : count - 1;
    if (fromCurrent) {
        if (forward) start = currentDeleted_ ? pos_ : pos_ + 1;
        else start = pos_ - 1;
        start = std::clamp(start, -1L, count);
    }
    editMode_ = EditNone;
    std::optional<long> found;
    if (start >= 0 && start < count)
        found = base_ ? findInBase(condition, forward, start) : findByEvaluation(condition, forward, start);
    noMatch_ = !found.has_value();
    if (found) {
        pos_ = *found;
        currentDeleted_ = false;
        rowValid_ = false;
    }
}

// Asks the table for the matching rows. A key set in row-id order is searched from the start
// row on and stops at the first match, as an index walk would.
std::optional<long> Recordset::findInBase(const std::string& condition, bool forward, long start)
{
    if (keysAscending_) {
        const std::string sql = "SELECT rowid FROM " + base_->table + " WHERE rowid " + (forward ? ">=" : "<=") +
                                " ? AND (" + condition + ") ORDER BY rowid " + (forward ? "" : "DESC ") + "LIMIT 1";
        Statement st(state_->conn.db(), sql);
        qint64 from = keys_[static_cast<std::size_t>(start)];
        for (;;) {
            st.bindInt(1, from);
            if (!st.step()) return std::nullopt;
            const qint64 key = st.columnInt(0);
            st.reset();
            const long index = indexOfKey(key);
            if (index >= 0) return index;
            from = forward ? key + 1 : key - 1;  // a row outside this record set: look past it
        }
    }
    Statement st(state_->conn.db(), "SELECT rowid FROM " + base_->table + " WHERE " + condition);
    std::unordered_set<qint64> matches;
    while (st.step()) matches.insert(st.columnInt(0));
    st.reset();
    for (long k = start; k >= 0 && k < RecordCount(); k += forward ? 1 : -1)
        if (matches.count(keys_[static_cast<std::size_t>(k)])) return k;
    return std::nullopt;
}

// Evaluates the condition on each copied row in turn, the row's values standing in for the
// field names.
std::optional<long> Recordset::findByEvaluation(const std::string& condition, bool forward, long start)
{
    std::string sql = "SELECT (" + condition + ") FROM (SELECT ";
    for (std::size_t k = 0; k < fields_.size(); ++k) {
        if (k) sql += ", ";
        sql += '?' + std::to_string(k + 1);
        if (fields_[k].def.isText()) sql += " COLLATE NOCASE";
        sql += " AS " + quoteIdent(fields_[k].def.name);
    }
    sql += ')';
    Statement st(state_->conn.db(), sql);
    for (long k = start; k >= 0 && k < RecordCount(); k += forward ? 1 : -1) {
        const std::vector<QVariant>& row = rows_[static_cast<std::size_t>(k)];
        for (std::size_t f = 0; f < row.size(); ++f) st.bind(static_cast<int>(f + 1), row[f]);
        const bool hit = st.step() && !st.columnIsNull(0) && sqlite3_column_double(st.get(), 0) != 0.0;
        st.reset();
        if (hit) return k;
    }
    return std::nullopt;
}

// ---- Fields -------------------------------------------------------------------------------

QStringList Recordset::FieldNames() const
{
    QStringList names;
    for (const Column& f : fields_) names.append(f.def.name);
    return names;
}

int Recordset::fieldIndex(const QString& name) const
{
    checkOpen();
    const auto it = fieldByName_.constFind(name.toLower());
    if (it == fieldByName_.constEnd())
        throw DbError(ErrItemNotFound, QStringLiteral("Không có trường '%1' trong tập bản ghi.").arg(name));
    return it.value();
}

const FieldDef& Recordset::FieldInfo(const QString& name) const { return fields_[static_cast<std::size_t>(fieldIndex(name))].def; }

const std::vector<QVariant>& Recordset::currentRow() const
{
    requireCurrent();
    if (!base_) return rows_[static_cast<std::size_t>(pos_)];
    const qint64 key = keys_[static_cast<std::size_t>(pos_)];
    if (!rowValid_ || rowKey_ != key) {
        Statement& fetch = cached(fetch_, "SELECT " + base_->columns + " FROM " + base_->table + " WHERE rowid=?");
        fetch.bindInt(1, key);
        const bool found = fetch.step();
        row_.assign(fields_.size(), QVariant());
        if (found)
            for (std::size_t k = 0; k < fields_.size(); ++k) row_[k] = fetch.column(static_cast<int>(k));
        fetch.reset();
        if (!found) throw DbError(ErrRecordDeleted, QStringLiteral("Bản ghi đã bị người khác xoá."));
        rowKey_ = key;
        rowValid_ = true;
    }
    return row_;
}

QVariant Recordset::Field(const QString& name) const
{
    const int index = fieldIndex(name);
    if (editMode_ != EditNone) return buffer_[static_cast<std::size_t>(index)];
    return currentRow()[static_cast<std::size_t>(index)];
}

QVariant Recordset::checkedValue(int index, const QVariant& value) const
{
    const FieldDef& def = fields_[static_cast<std::size_t>(index)].def;
    if (def.type == FieldType::Boolean) {
        if (value.isNull()) return 0;
        if (value.typeId() == QMetaType::QString) {
            const QString s = value.toString().trimmed().toLower();
            if (s == QLatin1String("true") || s == QLatin1String("yes")) return -1;
            if (s == QLatin1String("false") || s == QLatin1String("no") || s.isEmpty()) return 0;
            bool ok = false;
            const double d = s.toDouble(&ok);
            if (!ok) throw DbError(ErrTypeMismatch, QStringLiteral("Trường '%1' chỉ nhận Có/Không.").arg(def.name));
            return d != 0 ? -1 : 0;
        }
        return value.toDouble() != 0 ? -1 : 0;
    }
    if (value.isNull()) return QVariant();
    if (def.isText()) {
        const QString text = value.toString();
        const std::string stored = toStored(text);  // refuses characters TCVN3 cannot hold
        if (def.type == FieldType::Text && static_cast<int>(stored.size()) > def.size)
            throw DbError(ErrFieldTooSmall, QStringLiteral("Trường '%1' chỉ chứa được %2 ký tự.").arg(def.name).arg(def.size));
        if (stored.empty() && !def.allowZeroLength)
            throw DbError(ErrZeroLength, QStringLiteral("Trường '%1' không được để trống.").arg(def.name));
        return text;
    }
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok) {
        if (value.typeId() == QMetaType::QString && value.toString().trimmed().isEmpty()) return QVariant();
        throw DbError(ErrTypeMismatch, QStringLiteral("Trường '%1' chỉ nhận số.").arg(def.name));
    }
    if (def.type == FieldType::Double) return number;
    return static_cast<qlonglong>(qRound64(number));
}

void Recordset::SetField(const QString& name, const QVariant& value)
{
    const int index = fieldIndex(name);
    if (editMode_ == EditNone)
        throw DbError(ErrUpdateWithoutEdit, QStringLiteral("Cần gọi AddNew hoặc Edit trước khi ghi trường '%1'.").arg(name));
    const Column& f = fields_[static_cast<std::size_t>(index)];
    if (!f.writable || f.def.isCounter())
        throw DbError(ErrNotUpdatable, QStringLiteral("Không sửa được trường '%1'.").arg(name));
    buffer_[static_cast<std::size_t>(index)] = checkedValue(index, value);
    dirty_[static_cast<std::size_t>(index)] = true;
}

void Recordset::Collect(const QString& name, const QVariant& value)
{
    const int index = fieldIndex(name);
    const Column& f = fields_[static_cast<std::size_t>(index)];
    if (!base_ || !f.writable || f.def.isCounter())
        throw DbError(ErrNotUpdatable, QStringLiteral("Không sửa được trường '%1'.").arg(name));
    const qint64 key = currentKey();
    const QVariant checked = checkedValue(index, value);
    Connection& c = state_->conn;
    c.writeTransaction([&] {
        Statement st(c.db(), "UPDATE " + base_->table + " SET " + quoteIdent(f.def.name) + "=? WHERE rowid=?");
        st.bind(1, checked);
        st.bindInt(2, key);
        st.run();
    });
    rowValid_ = false;
}

// ---- Writing ------------------------------------------------------------------------------

qint64 Recordset::reserveCounter()
{
    // The counter is taken from the table's sequence in a short write transaction of its own,
    // so that two programs adding rows at once never get the same id. A row that is never
    // written leaves a gap, as counters do.
    const std::string seq = (base_->schema.isEmpty() ? std::string("main") : base_->schema.toStdString()) + ".sqlite_sequence";
    const std::string maxId = "(SELECT coalesce(max(rowid), 0) FROM " + base_->table + ")";
    const std::string name = toStored(state_->tableDef(base_->schema, base_->name).name);
    Connection& c = state_->conn;
    return c.writeTransaction([&] {
        Statement& up = writeStatement("UPDATE " + seq + " SET seq = max(seq, " + maxId + ") + 1 WHERE name = ?");
        up.bindBytes(1, name);
        up.run();
        if (sqlite3_changes(c.db()) == 0) {
            Statement ins(c.db(), "INSERT INTO " + seq + " (name, seq) VALUES (?, " + maxId + " + 1)");
            ins.bindBytes(1, name);
            ins.run();
        }
        Statement& get = writeStatement("SELECT seq FROM " + seq + " WHERE name = ?");
        get.bindBytes(1, name);
        get.step();
        const qint64 id = get.columnInt(0);
        get.reset();
        return id;
    });
}

void Recordset::AddNew()
{
    checkOpen();
    if (!base_) throw DbError(ErrNotUpdatable, QStringLiteral("Không thêm được bản ghi vào tập bản ghi chỉ đọc."));
    buffer_.assign(fields_.size(), QVariant());
    dirty_.assign(fields_.size(), false);
    for (std::size_t k = 0; k < fields_.size(); ++k)
        if (fields_[k].def.type == FieldType::Boolean && fields_[k].writable) buffer_[k] = 0;
    addKey_ = 0;
    if (base_->counterField >= 0) {
        addKey_ = reserveCounter();
        buffer_[static_cast<std::size_t>(base_->counterField)] = static_cast<qlonglong>(addKey_);
    }
    editMode_ = EditAdd;
}

void Recordset::Edit()
{
    checkOpen();
    if (!base_) throw DbError(ErrNotUpdatable, QStringLiteral("Không sửa được tập bản ghi chỉ đọc."));
    buffer_ = currentRow();
    dirty_.assign(fields_.size(), false);
    editMode_ = EditInProgress;
}

void Recordset::CancelUpdate()
{
    checkOpen();
    if (editMode_ == EditNone) throw DbError(ErrUpdateWithoutEdit, QStringLiteral("Không có bản ghi nào đang thêm hoặc sửa."));
    editMode_ = EditNone;
    buffer_.clear();
}

void Recordset::Update()
{
    checkOpen();
    if (editMode_ == EditNone) throw DbError(ErrUpdateWithoutEdit, QStringLiteral("Cần gọi AddNew hoặc Edit trước Update."));
    writeRow();
    editMode_ = EditNone;
    buffer_.clear();
    rowValid_ = false;
}

void Recordset::writeRow()
{
    Connection& c = state_->conn;
    std::vector<std::size_t> columns;
    for (std::size_t k = 0; k < fields_.size(); ++k)
        if (fields_[k].writable && (dirty_[k] || (editMode_ == EditAdd && (static_cast<int>(k) == base_->counterField ||
                                                                           fields_[k].def.type == FieldType::Boolean))))
            columns.push_back(k);
    if (editMode_ == EditAdd) {
        std::string sql = "INSERT INTO " + base_->table + " (";
        std::string values;
        for (std::size_t k = 0; k < columns.size(); ++k) {
            sql += (k ? ", " : "") + quoteIdent(fields_[columns[k]].def.name);
            values += k ? ", ?" : "?";
        }
        sql += ") VALUES (" + values + ')';
        if (columns.empty()) sql = "INSERT INTO " + base_->table + " DEFAULT VALUES";
        const qint64 key = c.writeTransaction([&] {
            Statement& st = writeStatement(sql);
            for (std::size_t k = 0; k < columns.size(); ++k) st.bind(static_cast<int>(k + 1), buffer_[columns[k]]);
            st.run();
            return static_cast<qint64>(sqlite3_last_insert_rowid(c.db()));
        });
        if (!keys_.empty() && key <= keys_.back()) keysAscending_ = false;
        keys_.push_back(key);
        lastModified_ = key;
        if (pos_ < 0) pos_ = 0;
        return;
    }
    const qint64 key = currentKey();
    if (columns.empty()) return;
    std::string sql = "UPDATE " + base_->table + " SET ";
    for (std::size_t k = 0; k < columns.size(); ++k) sql += (k ? ", " : "") + quoteIdent(fields_[columns[k]].def.name) + "=?";
    sql += " WHERE rowid=?";
    const int changed = c.writeTransaction([&] {
        Statement& st = writeStatement(sql);
        for (std::size_t k = 0; k < columns.size(); ++k) st.bind(static_cast<int>(k + 1), buffer_[columns[k]]);
        st.bindInt(static_cast<int>(columns.size() + 1), key);
        st.run();
        return sqlite3_changes(c.db());
    });
    if (changed == 0) throw DbError(ErrRecordDeleted, QStringLiteral("Bản ghi đã bị người khác xoá."));
    lastModified_ = key;
}

void Recordset::Delete()
{
    const qint64 key = currentKey();
    if (!base_) throw DbError(ErrNotUpdatable, QStringLiteral("Không xoá được trong tập bản ghi chỉ đọc."));
    editMode_ = EditNone;
    Connection& c = state_->conn;
    c.writeTransaction([&] {
        Statement st(c.db(), "DELETE FROM " + base_->table + " WHERE rowid=?");
        st.bindInt(1, key);
        st.run();
    });
    keys_.erase(keys_.begin() + pos_);
    currentDeleted_ = true;
    rowValid_ = false;
}

void Recordset::Requery()
{
    checkOpen();
    editMode_ = EditNone;
    currentDeleted_ = false;
    rowValid_ = false;
    if (base_) {
        loadKeys();
        pos_ = keys_.empty() ? -1 : 0;
    } else {
        open();
    }
}

std::unique_ptr<Recordset> Recordset::Clone() const
{
    checkOpen();
    return std::unique_ptr<Recordset>(new Recordset(*this, true));
}

}  // namespace engine
