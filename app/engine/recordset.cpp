#include "recordset.h"

#include "connection.h"
#include "dbstate.h"
#include "dialect.h"
#include "jetsql.h"

#include <algorithm>
#include <map>
#include <unordered_set>

namespace engine {
namespace {

DbError noCurrentRecord() { return DbError(ErrNoCurrentRecord, QStringLiteral("Không có bản ghi hiện thời.")); }

// Resets statements when a read is done, so that its read lock ends with it, also on failure.
struct ResetAfter {
    Statement& first;
    Statement* second;
    ~ResetAfter()
    {
        first.reset();
        if (second) second->reset();
    }
};

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
    // A table copied over from a file of another engine is read as it was copied.
    if (tr.base && type == RecordsetType::Dynaset && !state_->isForeign(tr.base->schema))
        base_ = Base{tr.base->table, tr.base->schema, tr.base->tableName, tr.base->columns, tr.base->rest, -1, {}, 0, {}, {}};
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
    for (const QString& a : aliases_) state_->retain(a);
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
    if (!slot) slot = std::make_unique<Statement>(state_->conn, sql);
    return *slot;
}

Statement& Recordset::writeStatement(const std::string& sql) { return cached(writeStatements_[sql], sql); }

std::string Recordset::fetchSql() const
{
    return "SELECT " + base_->columns + ", " + base_->allColumns + " FROM " + base_->table + " WHERE " + base_->key + "=?";
}

Statement* Recordset::versionStatement(std::unique_ptr<Statement>& slot) const
{
    const std::optional<std::string> sql = state_->conn.dataVersionQuery(base_->schema);
    return sql ? &cached(slot, *sql) : nullptr;
}

void Recordset::open()
{
    if (base_) {
        // A row is read with the record set's own columns and, after them, every column of the
        // table as stored (see currentRow).
        const TableDef def = state_->tableDef(base_->schema, base_->name);
        const Dialect& d = state_->conn.dialect();
        base_->allColumns.clear();
        for (const FieldDef& f : def.fields) base_->allColumns += (base_->allColumns.empty() ? "" : ", ") + d.ident(f.name);
        base_->allCount = static_cast<int>(def.fields.size());
        base_->tableName = def.name;
        base_->key = d.rowKey(def.fields);
        fetch_.reset();
        Statement& fetch = cached(fetch_, fetchSql());
        describe(fetch, fetch.columnCount() - base_->allCount, &def);
        loadKeys();
    } else {
        Statement st(state_->conn, selectSql_);
        describe(st, st.columnCount(), nullptr);
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
    // Without an order of its own a table's rows come in the order they were added: asked for,
    // since the engine may otherwise read the row ids from an index in that index's order.
    std::string rest = base_->rest;
    const QString upper = QString::fromStdString(rest).toUpper();
    if (!upper.contains(QLatin1String("ORDER BY")) && !upper.contains(QLatin1String("LIMIT")))
        rest += (rest.empty() ? "ORDER BY " : " ORDER BY ") + base_->key;
    Statement st(state_->conn, "SELECT " + base_->key + " FROM " + base_->table + (rest.empty() ? "" : " " + rest));
    keys_.clear();
    keysAscending_ = true;
    while (st.step()) {
        const qint64 k = st.columnInt(0);
        if (!keys_.empty() && k <= keys_.back()) keysAscending_ = false;
        keys_.push_back(k);
    }
    st.reset();
}

void Recordset::describe(Statement& st, int columns, const TableDef* def)
{
    fields_.clear();
    fieldByName_.clear();
    for (int k = 0; k < columns; ++k) {
        const QString name = st.columnName(k);
        Column f;
        const FieldDef* own = def ? def->field(name) : nullptr;
        if (own) {
            f.def = *own;
            f.writable = true;
            f.tableColumn = static_cast<int>(own - def->fields.constData());
            if (own->isCounter()) base_->counterField = k;
        } else {
            f.def = st.columnField(k);
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

bool Recordset::HoldsBookmark(qint64 bookmark) const
{
    checkOpen();
    return base_ ? indexOfKey(bookmark) >= 0 : bookmark >= 0 && bookmark < RecordCount();
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
        const std::string& key = base_->key;
        const std::string sql = "SELECT " + key + " FROM " + base_->table + " WHERE " + key + (forward ? " >=" : " <=") +
                                " ? AND (" + condition + ") ORDER BY " + key + (forward ? " " : " DESC ") + "LIMIT 1";
        Statement st(state_->conn, sql);
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
    Statement st(state_->conn, "SELECT " + base_->key + " FROM " + base_->table + " WHERE " + condition);
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
        sql += state_->conn.dialect().rowParameter(static_cast<int>(k + 1), fields_[k].def);
        sql += " AS " + state_->conn.dialect().ident(fields_[k].def.name);
    }
    sql += ") AS jet_row";
    Statement st(state_->conn, sql);
    for (long k = start; k >= 0 && k < RecordCount(); k += forward ? 1 : -1) {
        const std::vector<QVariant>& row = rows_[static_cast<std::size_t>(k)];
        for (std::size_t f = 0; f < row.size(); ++f) st.bind(static_cast<int>(f + 1), row[f]);
        const bool hit = st.step() && !st.columnIsNull(0) && st.columnDouble(0) != 0.0;
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
        Statement& fetch = cached(fetch_, fetchSql());
        // The file's data version is read first and its statement left open while the row is
        // read, so that both come from the same read of the file.
        Statement* version = versionStatement(version_);
        const ResetAfter done{fetch, version};
        const long long atVersion = version ? (version->step() ? version->columnInt(0) : 0) : -1;
        fetch.bindInt(1, key);
        const bool found = fetch.step();
        rowValid_ = false;
        if (!found) throw DbError(ErrRecordDeleted, QStringLiteral("Bản ghi đã bị người khác xoá."));
        row_.assign(fields_.size(), QVariant());
        for (std::size_t k = 0; k < fields_.size(); ++k) row_[k] = fetch.column(static_cast<int>(k));
        rowImage_ = fetch.image(static_cast<int>(fields_.size()), base_->allCount);
        rowVersion_ = atVersion;
        rowWrites_ = state_->conn.writeCount();
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

void Recordset::SetField(const QString& name, const QVariant& value) { setField(name, value, true); }

void Recordset::SetBookkeeping(const QString& name, const QVariant& value) { setField(name, value, false); }

void Recordset::setField(const QString& name, const QVariant& value, bool checked)
{
    const int index = fieldIndex(name);
    if (editMode_ == EditNone)
        throw DbError(ErrUpdateWithoutEdit, QStringLiteral("Cần gọi AddNew hoặc Edit trước khi ghi trường '%1'.").arg(name));
    const Column& f = fields_[static_cast<std::size_t>(index)];
    if (!f.writable || f.def.isCounter())
        throw DbError(ErrNotUpdatable, QStringLiteral("Không sửa được trường '%1'.").arg(name));
    buffer_[static_cast<std::size_t>(index)] = checkedValue(index, value);
    dirty_[static_cast<std::size_t>(index)] = true;
    guarded_[static_cast<std::size_t>(index)] = checked;
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
    c.rowTransaction([&] {
        Statement st(c, "UPDATE " + base_->table + " SET " + c.dialect().ident(f.def.name) + "=? WHERE " + base_->key + "=?");
        st.bind(1, checked);
        st.bindInt(2, key);
        st.run();
    });
    rowValid_ = false;
}

// ---- Writing ------------------------------------------------------------------------------

// Takes the next counter value from the table's sequence, inside a write transaction, so that
// two programs adding rows at once never get the same id. A value that never makes it into a
// row leaves a gap, as counters do; it is never handed out again.
qint64 Recordset::nextCounter()
{
    return state_->conn.nextCounter(base_->schema, base_->tableName, fields_[static_cast<std::size_t>(base_->counterField)].def.name);
}

qint64 Recordset::reserveCounter()
{
    return state_->conn.reserveCounter(base_->schema, base_->tableName, fields_[static_cast<std::size_t>(base_->counterField)].def.name);
}

void Recordset::AddNew()
{
    checkOpen();
    if (!base_) throw DbError(ErrNotUpdatable, QStringLiteral("Không thêm được bản ghi vào tập bản ghi chỉ đọc."));
    buffer_.assign(fields_.size(), QVariant());
    dirty_.assign(fields_.size(), false);
    guarded_.assign(fields_.size(), false);
    for (std::size_t k = 0; k < fields_.size(); ++k)
        if (fields_[k].def.type == FieldType::Boolean && fields_[k].writable) buffer_[k] = 0;
    addKey_ = 0;
    if (base_->counterField >= 0) {
        // The id taken when the previous new row was saved, else one of its own.
        const auto spare = base_->schema.isEmpty() ? state_->spareIds.find(base_->tableName) : state_->spareIds.end();
        if (spare != state_->spareIds.end()) {
            addKey_ = spare->second;
            state_->spareIds.erase(spare);
        } else {
            addKey_ = reserveCounter();
        }
        buffer_[static_cast<std::size_t>(base_->counterField)] = static_cast<qlonglong>(addKey_);
    }
    editMode_ = EditAdd;
}

void Recordset::Edit()
{
    checkOpen();
    if (!base_) throw DbError(ErrNotUpdatable, QStringLiteral("Không sửa được tập bản ghi chỉ đọc."));
    // The row as this record set last read it, which is what the window shows: Update checks
    // the stored row against it.
    buffer_ = currentRow();
    editImage_ = rowImage_;
    editVersion_ = rowVersion_;
    editWrites_ = rowWrites_;
    dirty_.assign(fields_.size(), false);
    guarded_.assign(fields_.size(), false);
    editMode_ = EditInProgress;
}

void Recordset::CancelUpdate()
{
    checkOpen();
    if (editMode_ == EditNone) throw DbError(ErrUpdateWithoutEdit, QStringLiteral("Không có bản ghi nào đang thêm hoặc sửa."));
    editMode_ = EditNone;
    buffer_.clear();
}

void Recordset::Update(const std::function<void()>& check)
{
    checkOpen();
    if (editMode_ == EditNone) throw DbError(ErrUpdateWithoutEdit, QStringLiteral("Cần gọi AddNew hoặc Edit trước Update."));
    try {
        writeRow(check);
    } catch (const DbError& e) {
        if (e.number() == ErrChangedByOther) {
            // The edit is over; the row reads as the other clerk left it.
            editMode_ = EditNone;
            buffer_.clear();
            rowValid_ = false;
        }
        throw;
    }
    editMode_ = EditNone;
    buffer_.clear();
    rowValid_ = false;
}

void Recordset::writeRow(const std::function<void()>& check)
{
    Connection& c = state_->conn;
    // The columns written, read after the caller's check, which may still set fields.
    auto written = [&] {
        std::vector<std::size_t> columns;
        for (std::size_t k = 0; k < fields_.size(); ++k)
            if (fields_[k].writable && (dirty_[k] || (editMode_ == EditAdd && (static_cast<int>(k) == base_->counterField ||
                                                                               fields_[k].def.type == FieldType::Boolean))))
                columns.push_back(k);
        return columns;
    };
    if (editMode_ == EditAdd) {
        // The same write takes the id of the next new row, so that AddNew need not write. Not
        // inside a caller's transaction: that may still be rolled back after the id is handed out.
        const bool takeSpare = base_->counterField >= 0 && base_->schema.isEmpty() && !c.inTransaction() && c.takesCountersAhead() &&
                               !state_->spareIds.count(base_->tableName);
        qint64 spare = 0;
        const auto write = [&] {
            if (check) check();
            const std::vector<std::size_t> columns = written();
            std::string sql = "INSERT INTO " + base_->table + " (";
            std::string values;
            for (std::size_t k = 0; k < columns.size(); ++k) {
                sql += (k ? ", " : "") + c.dialect().ident(fields_[columns[k]].def.name);
                values += k ? ", ?" : "?";
            }
            sql += ") VALUES (" + values + ')';
            if (columns.empty()) sql = "INSERT INTO " + base_->table + " DEFAULT VALUES";
            Statement& st = writeStatement(sql);
            for (std::size_t k = 0; k < columns.size(); ++k) st.bind(static_cast<int>(k + 1), buffer_[columns[k]]);
            st.run();
            // A counter is the row's key; otherwise the engine gave the row one.
            const qint64 rowid = base_->counterField >= 0 ? addKey_ : c.lastInsertKey();
            if (takeSpare) spare = nextCounter();
            return rowid;
        };
        const qint64 key = check || takeSpare ? c.writeTransaction(write) : c.rowTransaction(write);
        if (takeSpare) state_->spareIds[base_->tableName] = spare;
        if (!keys_.empty() && key <= keys_.back()) keysAscending_ = false;
        keys_.push_back(key);
        lastModified_ = key;
        if (pos_ < 0) pos_ = 0;
        return;
    }
    const qint64 key = currentKey();
    if (!check && written().empty()) return;
    const auto write = [&] {
        if (check) check();
        const std::vector<std::size_t> columns = written();
        if (columns.empty()) return;
        // Under the write lock, the row as stored now against the row as this record set read it,
        // when anything may have written it since: another connection's commit moves the file's
        // data version, a write of this one (another record set, a statement) its write count.
        {
            Statement* version = versionStatement(writeStatements_["version"]);
            Statement& look = writeStatement("SELECT " + base_->allColumns + " FROM " + base_->table + " WHERE " + base_->key + "=?" +
                                             c.dialect().lockingRow());
            const ResetAfter done{look, version};
            const long long nowVersion = version ? (version->step() ? version->columnInt(0) : 0) : -1;
            look.bindInt(1, key);
            if (!look.step()) throw DbError(ErrRecordDeleted, QStringLiteral("Bản ghi đã bị người khác xoá."));
            const bool written = !version || nowVersion != editVersion_ || c.writeCount() != editWrites_;
            if (written && changedByOther(look.image(0, base_->allCount), columns))
                throw DbError(ErrChangedByOther,
                              QStringLiteral("Bản ghi đã bị người khác (hoặc một cửa sổ khác) sửa sau khi được đọc; thay "
                                             "đổi của bạn chưa được ghi. Hãy xem lại bản ghi rồi sửa lại."));
        }
        std::string sql = "UPDATE " + base_->table + " SET ";
        for (std::size_t k = 0; k < columns.size(); ++k) sql += (k ? ", " : "") + c.dialect().ident(fields_[columns[k]].def.name) + "=?";
        sql += " WHERE " + base_->key + "=?";
        Statement& st = writeStatement(sql);
        for (std::size_t k = 0; k < columns.size(); ++k) st.bind(static_cast<int>(k + 1), buffer_[columns[k]]);
        st.bindInt(static_cast<int>(columns.size() + 1), key);
        st.run();
    };
    if (check) c.writeTransaction(write);
    else c.rowTransaction(write);
    lastModified_ = key;
}

// Whether a column this update writes was changed in the file since the row was read. Columns it
// leaves alone keep what another clerk wrote, and bookkeeping values are the writer's to set.
bool Recordset::changedByOther(const std::vector<std::string>& now, const std::vector<std::size_t>& columns) const
{
    for (const std::size_t k : columns) {
        const int t = fields_[k].tableColumn;
        if (!guarded_[k] || t < 0 || static_cast<std::size_t>(t) >= now.size() || editImage_.size() != now.size()) continue;
        if (now[static_cast<std::size_t>(t)] != editImage_[static_cast<std::size_t>(t)]) return true;
    }
    return false;
}

void Recordset::Delete(const std::function<void()>& check)
{
    const qint64 key = currentKey();
    if (!base_) throw DbError(ErrNotUpdatable, QStringLiteral("Không xoá được trong tập bản ghi chỉ đọc."));
    editMode_ = EditNone;
    Connection& c = state_->conn;
    const auto remove = [&] {
        if (check) check();
        Statement st(c, "DELETE FROM " + base_->table + " WHERE " + base_->key + "=?");
        st.bindInt(1, key);
        st.run();
    };
    if (check) c.writeTransaction(remove);
    else c.rowTransaction(remove);
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
