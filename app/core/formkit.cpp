#include "formkit.h"

#include "app.h"
#include "sqlfunctions.h"
#include "tcvn3.h"
#include "text.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QToolTip>

#include <optional>

namespace korvane {

namespace {

// The plain form of a typographic character that TCVN3 has no code for; 0 when there is none.
const char* plainFormOf(char16_t c)
{
    switch (c) {
    case u'\u2010': case u'\u2011': case u'\u2012': case u'\u2013': case u'\u2014': case u'\u2015': case u'\u2212':
        return "-";
    case u'\u2018': case u'\u2019': case u'\u201A': case u'\u201B': case u'\u2032':
        return "'";
    case u'\u201C': case u'\u201D': case u'\u201E': case u'\u201F': case u'\u2033': case u'\u00AB': case u'\u00BB':
        return "\"";
    case u'\u2026':
        return "...";
    case u'\u00A0': case u'\u2002': case u'\u2003': case u'\u2007': case u'\u2009': case u'\u200A': case u'\u202F':
        return " ";
    case u'\u00AD': case u'\u200B': case u'\uFEFF':  // soft hyphen, zero-width space, byte-order mark
        return "";
    default:
        return nullptr;
    }
}

}  // namespace

QString NormalizeTcvn3(const QString& text, bool* refused, QChar* firstRefused)
{
    // Decomposed letters (a base letter and combining marks, as some programs paste them) are
    // composed first, so that a mark is never lost on its own.
    const QString composed = text.normalized(QString::NormalizationForm_C);
    QString out;
    out.reserve(composed.size());
    bool bad = false;
    for (const QChar c : composed) {
        if (const char* plain = plainFormOf(c.unicode())) {
            out += QLatin1String(plain);
            continue;
        }
        const int byte = tcvn3::fromUnicode(c.unicode());
        if (byte < 0) {
            if (!bad && firstRefused) *firstRefused = c;
            bad = true;
        }
        // A capital toned vowel is kept as the letter its code stands for.
        else out += byte < 0x80 ? c : QChar(tcvn3::toUnicode(static_cast<unsigned char>(byte)));
    }
    if (refused) *refused = bad;
    return bad ? text : out;
}

void ShowRefusal(QWidget* box, const QString& reason)
{
    QApplication::beep();
    QToolTip::showText(box->mapToGlobal(QPoint(0, box->height())), reason, box, QRect(), 6000);
}

namespace {

QString tooLongReason(int limit) { return QStringLiteral("Tối đa %1 ký tự").arg(limit); }
QString refusedCharReason(QChar c) { return QStringLiteral("Ký tự \"%1\" không dùng được").arg(c); }

// A box's typing limit: a bound box's field size, else the box's own maximum length.
int limitOf(const QLineEdit* box)
{
    const auto* bound = dynamic_cast<const BoundLineEdit*>(box);
    return bound ? bound->limit : box->maxLength();
}

}  // namespace

Tcvn3Validator::Tcvn3Validator(QLineEdit* box) : QValidator(box), box_(box)
{
    connect(box, &QLineEdit::inputRejected, this, &Tcvn3Validator::rejected);
}

QValidator::State Tcvn3Validator::validate(QString& input, int& pos) const
{
    bool refused = false;
    QChar bad;
    const QString before = NormalizeTcvn3(input.left(pos), &refused, &bad);
    bool refusedAfter = false;
    const QString after = NormalizeTcvn3(input.mid(pos), &refusedAfter, refused ? nullptr : &bad);
    const int limit = limitOf(box_);
    const bool tooLong = limit > 0 && before.size() + after.size() > limit;
    if (refused || refusedAfter || tooLong) {
        // The box keeps what it held; the box's rejection signal then says why, and a change
        // that was only too long is put in as far as it fits.
        refusedText_ = before + after;
        refusedCaret_ = static_cast<int>(before.size());
        refusedChar_ = refused || refusedAfter ? bad : QChar();
        return Invalid;
    }
    input = before + after;
    pos = static_cast<int>(before.size());
    return Acceptable;
}

void Tcvn3Validator::rejected()
{
    // The box also says so for text the program sets; only what the clerk types or pastes into
    // the box in use is answered.
    if (!box_->hasFocus()) {
        refusedText_.clear();
        refusedChar_ = QChar();
        return;
    }
    const int limit = limitOf(box_);
    const QString text = std::exchange(refusedText_, QString());
    if (!refusedChar_.isNull()) {
        ShowRefusal(box_, refusedCharReason(std::exchange(refusedChar_, QChar())));
        return;
    }
    // Too long: the part typed before the caret is cut so that the text after it stays whole.
    // The box held at most `limit` characters, so the cut never reaches what it held.
    if (!text.isEmpty() && limit > 0 && text.size() > limit && !box_->isReadOnly()) {
        const QString after = text.mid(refusedCaret_);
        const QString before = text.left(std::max<qsizetype>(0, limit - after.size()));
        if (before + after != box_->text()) {
            box_->setText(before + after);
            box_->setCursorPosition(static_cast<int>(before.size()));
            box_->setModified(true);
        }
    }
    ShowRefusal(box_, tooLongReason(limit));
}

// ---- Bound fields ----------------------------------------------------------------------------

BoundLineEdit::BoundLineEdit(const QString& column, QWidget* parent) : QLineEdit(parent)
{
    DataField = column;
    setObjectName(QStringLiteral("m") + column);
    setValidator(new Tcvn3Validator(this));
    connect(this, &QLineEdit::textChanged, this, [this] { DataChanged = true; });
}

void BoundLineEdit::load(const QVariant& v)
{
    setText(v.isNull() ? QString() : v.toString());
    setCursorPosition(0);
    DataChanged = false;
}

BoundTextEdit::BoundTextEdit(const QString& column, QWidget* parent) : QPlainTextEdit(parent)
{
    DataField = column;
    setObjectName(QStringLiteral("m") + column);
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (loading_) return;
        // Keep the text within TCVN3 and within the field's length, as a text box does: a change
        // that cannot be kept whole is refused with a beep and the box holds what it held.
        const QString text = toPlainText();
        bool refused = false;
        QChar bad;
        QString fixed = NormalizeTcvn3(text, &refused, &bad);
        if (refused) {
            const int caret = std::max(0, textCursor().position() - static_cast<int>(text.size() - accepted_.size()));
            setTextQuietly(accepted_, caret);
            ShowRefusal(this, refusedCharReason(bad));
            return;
        }
        if (limit > 0 && fixed.size() > limit) {
            // Cut what was put in before the caret so that the text after it stays whole: the
            // box held at most `limit` characters, so the cut never reaches what it held.
            const int caret = textCursor().position();
            const QString after = NormalizeTcvn3(text.mid(caret), nullptr);
            const QString before = NormalizeTcvn3(text.left(caret), nullptr).left(std::max<qsizetype>(0, limit - after.size()));
            fixed = before + after;
            setTextQuietly(fixed, static_cast<int>(before.size()));
            ShowRefusal(this, tooLongReason(limit));
            if (fixed == accepted_) return;
            accepted_ = fixed;
            DataChanged = true;
            return;
        }
        if (fixed != text) setTextQuietly(fixed, textCursor().position() + static_cast<int>(fixed.size() - text.size()));
        accepted_ = fixed;
        DataChanged = true;
    });
}

void BoundTextEdit::setTextQuietly(const QString& text, int caret)
{
    loading_ = true;
    setPlainText(text);
    loading_ = false;
    QTextCursor c = textCursor();
    c.setPosition(std::clamp(caret, 0, static_cast<int>(text.size())));
    setTextCursor(c);
}

void BoundTextEdit::load(const QVariant& v)
{
    loading_ = true;
    setPlainText(v.isNull() ? QString() : v.toString());
    loading_ = false;
    accepted_ = toPlainText();
    DataChanged = false;
}

BoundCheckBox::BoundCheckBox(const QString& column, const QString& caption, QWidget* parent) : QCheckBox(caption, parent)
{
    DataField = column;
    connect(this, &QCheckBox::toggled, this, [this] {
        if (!loading_) DataChanged = true;
    });
}

void BoundCheckBox::load(const QVariant& v)
{
    loading_ = true;
    setChecked(!v.isNull() && v.toInt() != 0);
    loading_ = false;
    DataChanged = false;
}

// ---- Data source -----------------------------------------------------------------------------

DataSource::DataSource(QObject* parent) : QObject(parent) {}

void DataSource::Bind(BoundField* field)
{
    fields_.push_back(field);
    field->widget()->installEventFilter(this);  // F7 gives back held text (see RestoreTyped)
    if (rs_) {
        try {
            const engine::FieldDef& def = rs_->FieldInfo(field->DataField);
            if (auto* line = dynamic_cast<BoundLineEdit*>(field); line && def.type == engine::FieldType::Text) line->limit = def.size;
            if (auto* text = dynamic_cast<BoundTextEdit*>(field); text && def.type == engine::FieldType::Text) text->limit = def.size;
        } catch (const engine::DbError&) {
        }
    }
}

BoundField* DataSource::FieldFor(const QString& column) const
{
    for (BoundField* f : fields_)
        if (f->DataField.compare(column, Qt::CaseInsensitive) == 0) return f;
    return nullptr;
}

bool DataSource::Refresh()
{
    if (!Database) return false;
    try {
        rs_ = Database->OpenRecordset(RecordSource, engine::RecordsetType::Dynaset);
        dropHeld();  // rows of another source (or year) now
        for (BoundField* f : std::vector<BoundField*>(fields_)) {
            fields_.erase(std::find(fields_.begin(), fields_.end(), f));
            Bind(f);  // typing limits from the fields' sizes
        }
        emit Reopened();
        reloaded();
        return true;
    } catch (const engine::DbError& e) {
        report(e);
        return false;
    }
}

bool DataSource::Requery()
{
    if (!rs_) return false;
    try {
        const bool hadRow = Position() >= 0;
        const qint64 bookmark = hadRow ? rs_->Bookmark() : 0;
        rs_->Requery();
        if (hadRow) {
            try {
                rs_->SetBookmark(bookmark);
            } catch (const engine::DbError&) {
                // another clerk deleted it: the first row stays current
            }
        }
    } catch (const engine::DbError& e) {
        report(e);
        return false;
    }
    emit Reopened();
    reloaded();
    return true;
}

void DataSource::SetRecordset(std::unique_ptr<engine::Recordset> rs)
{
    rs_ = std::move(rs);
    emit Reopened();
    reloaded();
}

long DataSource::Position() const
{
    if (!rs_) return -1;
    try {
        return rs_->AbsolutePosition();
    } catch (const engine::DbError&) {
        return -1;
    }
}

long DataSource::Count() const
{
    try {
        return rs_ ? rs_->RecordCount() : 0;
    } catch (const engine::DbError&) {
        return 0;
    }
}

bool DataSource::IsNew() const { return rs_ && rs_->EditMode() == engine::EditAdd; }

void DataSource::reloaded()
{
    UpdateControls();
    emit Reposition();
}

void DataSource::report(const engine::DbError& e) { emit Error(e.number(), e.description()); }

void DataSource::ClearChanged()
{
    for (BoundField* f : fields_) f->DataChanged = false;
}

bool DataSource::AnyChanged(const QStringList& columns) const
{
    for (BoundField* f : fields_)
        if (f->DataChanged && (columns.isEmpty() || columns.contains(f->DataField, Qt::CaseInsensitive))) return true;
    return false;
}

QVariant DataSource::Value(const QString& column) const
{
    if (!rs_) return QVariant();
    try {
        if (!IsNew() && (rs_->Eof() || rs_->Bof())) return QVariant();
        return rs_->Field(column);
    } catch (const engine::DbError&) {
        return QVariant();
    }
}

void DataSource::UpdateControls()
{
    for (BoundField* f : fields_) {
        f->load(Value(f->DataField));
        loaded_[f] = f->value();
    }
}

qint64 DataSource::currentRow() const
{
    if (!rs_ || IsNew()) return 0;
    try {
        return rs_->Eof() || rs_->Bof() ? 0 : rs_->Bookmark();
    } catch (const engine::DbError&) {
        return 0;
    }
}

namespace {

// The caption the clerk knows a field by: its label's text, else a check box's own.
QString captionOf(BoundField* field)
{
    QWidget* w = field->widget();
    if (auto* box = qobject_cast<QCheckBox*>(w)) return box->text().remove(QLatin1Char('&')).trimmed();
    for (QLabel* label : w->window()->findChildren<QLabel*>())
        if (label->buddy() == w) return label->text().remove(QLatin1Char('&')).trimmed();
    return field->DataField;
}

QString shownText(BoundField* field, const QVariant& value)
{
    if (dynamic_cast<BoundCheckBox*>(field)) return value.toInt() != 0 ? QStringLiteral("có") : QStringLiteral("không");
    return value.toString();
}

void putBack(BoundField* field, const QVariant& value)
{
    if (auto* line = dynamic_cast<BoundLineEdit*>(field)) line->setText(value.toString());
    else if (auto* text = dynamic_cast<BoundTextEdit*>(field)) text->setPlainText(value.toString());
    else if (auto* box = dynamic_cast<BoundCheckBox*>(field)) box->setChecked(value.toInt() != 0);
}

}  // namespace

// The fields show the row as it is now. Each field the clerk typed into that the other clerk
// changed too is listed with both texts; everything typed is held for RestoreTyped.
QString DataSource::holdTyped(qint64 row, const QList<QPair<BoundField*, QVariant>>& typed)
{
    held_.reset();
    const std::map<BoundField*, QVariant> before = loaded_;
    UpdateControls();
    QString list;
    for (const auto& [field, value] : typed) {
        const QVariant now = field->value();
        const auto was = before.find(field);
        const bool otherChanged = was == before.end() || was->second != now;
        if (now == value || !otherChanged || field->widget()->isHidden()) continue;
        list += QStringLiteral("\r- %1 : trong file \"%2\", bạn gõ \"%3\"").arg(captionOf(field), shownText(field, now), shownText(field, value));
    }
    if (row != 0 && !typed.isEmpty()) held_ = Held{row, typed};
    emit TypedHeld(held_.has_value());
    return held_ ? list + QStringLiteral("\rF7 : đưa lại vào các ô những gì bạn đã gõ.") : list;
}

void DataSource::dropHeld()
{
    if (!held_) return;
    held_.reset();
    emit TypedHeld(false);
}

bool DataSource::HoldsTyped() const { return held_ && held_->row == currentRow(); }

bool DataSource::RestoreTyped()
{
    if (!HoldsTyped()) return false;
    const Held held = *held_;
    held_.reset();
    for (const auto& [field, value] : held.values) {
        const QVariant stored = field->value();
        putBack(field, value);
        field->DataChanged = field->value() != stored;
    }
    emit TypedHeld(false);
    return true;
}

bool DataSource::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F7 && held_) {
        auto* w = qobject_cast<QWidget*>(watched);
        const auto* line = qobject_cast<QLineEdit*>(w);
        const auto* text = qobject_cast<QPlainTextEdit*>(w);
        const bool open = w && w->isEnabled() && !(line && line->isReadOnly()) && !(text && text->isReadOnly());
        if (open && RestoreTyped()) return true;
    }
    return QObject::eventFilter(watched, event);
}

bool DataSource::writeChanged()
{
    if (IsNew()) {
        if (AnyChanged()) return write({}, false);
        rs_->CancelUpdate();
        return true;
    }
    if (AnyChanged() && rs_ && !rs_->Eof() && !rs_->Bof()) return write({}, false);
    return true;
}

bool DataSource::move(const std::function<void()>& step)
{
    if (!rs_) return false;
    if (!validating_) {
        validating_ = true;
        bool cancel = false;
        emit Validate(cancel);
        validating_ = false;
        if (cancel) return false;
    }
    try {
        if (!writeChanged()) return false;  // the row that could not be written stays current
        step();
    } catch (const engine::DbError& e) {
        report(e);
        return false;
    }
    reloaded();
    return true;
}

bool DataSource::MoveFirst() { return Count() > 0 && move([this] { rs_->MoveFirst(); }); }
bool DataSource::MoveLast() { return Count() > 0 && move([this] { rs_->MoveLast(); }); }
bool DataSource::MoveNext()
{
    return move([this] {
        if (!rs_->Eof()) rs_->MoveNext();
    });
}
bool DataSource::MovePrevious()
{
    return move([this] {
        if (!rs_->Bof()) rs_->MovePrevious();
    });
}
bool DataSource::MoveTo(long position) { return move([this, position] { rs_->SetAbsolutePosition(position); }); }
bool DataSource::MoveToBookmark(qint64 bookmark) { return move([this, bookmark] { rs_->SetBookmark(bookmark); }); }

bool DataSource::FindBookmark(qint64 bookmark)
{
    try {
        if (!rs_ || !rs_->HoldsBookmark(bookmark)) return false;
    } catch (const engine::DbError& e) {
        report(e);
        return false;
    }
    return MoveToBookmark(bookmark);
}

bool DataSource::AddNew()
{
    if (!rs_) return false;
    try {
        rs_->AddNew();
    } catch (const engine::DbError& e) {
        report(e);
        return false;
    }
    reloaded();
    return true;
}

void DataSource::CancelAdd()
{
    if (!IsNew()) return;
    rs_->CancelUpdate();
    ClearChanged();
    reloaded();
}

bool DataSource::Delete(const std::function<void()>& check)
{
    if (!rs_ || IsNew() || Position() < 0) return false;
    try {
        rs_->Delete(check);
        if (rs_->RecordCount() == 0) {
            rs_->Requery();  // no row is left to show
        } else if (rs_->Eof()) {
            rs_->MoveLast();  // the last row was deleted
        } else {
            rs_->MoveNext();  // the next row has taken the deleted one's place
        }
    } catch (const WriteRefused&) {
        return false;
    } catch (const engine::DbError& e) {
        report(e);
        return false;
    }
    ClearChanged();
    emit Reopened();
    reloaded();
    return true;
}

bool DataSource::UpdateRecord(const QList<QPair<QString, QVariant>>& extra, const std::function<void()>& check)
{
    return write(extra, true, check);
}

bool DataSource::write(const QList<QPair<QString, QVariant>>& extra, bool notify, const std::function<void()>& check)
{
    if (!rs_) return false;
    const bool adding = IsNew();
    const qint64 row = currentRow();
    QList<QPair<BoundField*, QVariant>> typed;  // given back on request should another clerk's change refuse it
    if (!adding)
        for (BoundField* f : fields_)
            if (f->DataChanged) typed.append({f, f->value()});
    try {
        if (!adding) rs_->Edit();
        for (BoundField* f : fields_) {
            if (!adding && !f->DataChanged) continue;
            if (rs_->FieldInfo(f->DataField).isCounter()) continue;
            rs_->SetField(f->DataField, f->value());
        }
        for (const auto& [column, value] : extra) rs_->SetBookkeeping(column, value);
        rs_->Update(check);
        if (adding) rs_->SetBookmark(rs_->LastModified());
    } catch (const WriteRefused&) {
        if (rs_->EditMode() == engine::EditInProgress) rs_->CancelUpdate();
        return false;
    } catch (const engine::DbError& e) {
        if (rs_->EditMode() == engine::EditInProgress) rs_->CancelUpdate();
        if (e.number() != engine::ErrChangedByOther) {
            report(e);
            return false;
        }
        // The clerk sees the row as the other clerk left it, is told where the two differ, and
        // can have the typed text back with F7: nothing of either is lost or overwritten unseen.
        ClearChanged();
        const QString conflicts = holdTyped(row, typed);
        emit Error(e.number(), e.description() + conflicts);
        return false;
    }
    ClearChanged();
    if (!adding && held_ && held_->row == row) dropHeld();  // the row now holds what was meant
    if (notify) reloaded();
    return true;
}

// ---- Grids and lists -------------------------------------------------------------------------

bool PrintMarks::Toggle(qlonglong id)
{
    if (ids_.erase(id) != 0) return false;
    ids_.insert(id);
    return true;
}

void PrintMarks::MarkRows(engine::Database& db, const QString& table, const QString& clause)
{
    auto rs = db.OpenRecordset(QStringLiteral("SELECT id FROM ") + table + (clause.isEmpty() ? QString() : QStringLiteral(" WHERE ") + clause),
                               engine::RecordsetType::Snapshot);
    std::set<qlonglong> ids;
    for (; !rs->Eof(); rs->MoveNext()) ids.insert(rs->Field(QStringLiteral("id")).toLongLong());
    ids_ = std::move(ids);
}

RecordsetModel::RecordsetModel(engine::Recordset* rs, QList<Column> columns, QObject* parent)
    : QAbstractTableModel(parent), rs_(rs), columns_(std::move(columns))
{
}

RecordsetModel::RecordsetModel(std::unique_ptr<engine::Recordset> own, QList<Column> columns, QObject* parent)
    : QAbstractTableModel(parent), own_(std::move(own)), rs_(own_.get()), columns_(std::move(columns))
{
}

void RecordsetModel::RowChanged(int row)
{
    cache_.erase(row);
    emit dataChanged(index(row, 0), index(row, static_cast<int>(columns_.size()) - 1));
}

int RecordsetModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !rs_) return 0;
    try {
        return static_cast<int>(rs_->RecordCount());
    } catch (const engine::DbError&) {
        return 0;  // a record set closed under the grid shows nothing
    }
}

int RecordsetModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : static_cast<int>(columns_.size()); }

const std::vector<QVariant>& RecordsetModel::row(int r) const
{
    auto it = cache_.find(r);
    if (it != cache_.end()) return it->second;
    if (cache_.size() > 600) cache_.clear();  // a few screens are enough to scroll smoothly
    std::vector<QVariant> values(static_cast<std::size_t>(columns_.size() + (markColumn_ >= 0 ? 1 : 0)));
    try {
        rs_->SetAbsolutePosition(r);
        for (qsizetype c = 0; c < columns_.size(); ++c) values[static_cast<std::size_t>(c)] = rs_->Field(columns_[c].field);
        if (markColumn_ >= 0) values.back() = rs_->Field(QStringLiteral("id"));
    } catch (const engine::DbError&) {
        // a row another clerk deleted shows empty
    }
    return cache_.emplace(r, std::move(values)).first->second;
}

QVariant RecordsetModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return QVariant();
    if (index.column() == markColumn_) return mark(index.row());
    return row(index.row())[static_cast<std::size_t>(index.column())];
}

QVariant RecordsetModel::mark(int r) const
{
    const QVariant id = row(r).back();
    return !id.isNull() && marks_->Has(id.toLongLong()) ? QStringLiteral("X") : QString();
}

void RecordsetModel::ShowMarks(const QString& field, const PrintMarks* marks)
{
    beginResetModel();
    cache_.clear();
    marks_ = marks;
    markColumn_ = -1;
    for (qsizetype c = 0; marks && c < columns_.size(); ++c)
        if (columns_[c].field.compare(field, Qt::CaseInsensitive) == 0) markColumn_ = static_cast<int>(c);
    endResetModel();
}

void RecordsetModel::MarksChanged()
{
    const int rows = rowCount();
    if (markColumn_ >= 0 && rows > 0) emit dataChanged(index(0, markColumn_), index(rows - 1, markColumn_));
}

QVariant RecordsetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return QVariant();
    if (orientation == Qt::Horizontal) return columns_.value(section).header;
    return section + 1;
}

QVariant RecordsetModel::Field(int r, const QString& field) const
{
    for (qsizetype c = 0; c < columns_.size(); ++c)
        if (columns_[c].field.compare(field, Qt::CaseInsensitive) == 0) return c == markColumn_ ? mark(r) : row(r)[static_cast<std::size_t>(c)];
    try {
        rs_->SetAbsolutePosition(r);
        return rs_->Field(field);
    } catch (const engine::DbError&) {
        return QVariant();
    }
}

void RecordsetModel::Reload()
{
    beginResetModel();
    cache_.clear();
    endResetModel();
}

DBGrid::DBGrid(QWidget* parent) : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setStretchLastSection(true);
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& i) { emit RowDoubleClicked(i.row()); });
    connect(verticalHeader(), &QHeaderView::sectionDoubleClicked, this, [this](int row) { emit RowDoubleClicked(row); });
}

void DBGrid::ShowMarks(const QString& field, const PrintMarks* marks)
{
    markField_ = field;
    marks_ = marks;
    if (model_) model_->ShowMarks(field, marks);
}

void DBGrid::SetSource(engine::Recordset* rs, QList<RecordsetModel::Column> columns)
{
    auto model = std::make_unique<RecordsetModel>(rs, std::move(columns));
    if (marks_) model->ShowMarks(markField_, marks_);
    QItemSelectionModel* oldSelection = selectionModel();
    setModel(model.get());
    delete oldSelection;
    model_ = std::move(model);
    sizeColumns();
}

void DBGrid::SetDataSource(DataSource* source, QList<RecordsetModel::Column> columns)
{
    source_ = source;
    columns_ = std::move(columns);
    connect(source_, &DataSource::Reopened, this, &DBGrid::rebind);
    connect(source_, &DataSource::Reposition, this, &DBGrid::followSource);
    rebind();
}

void DBGrid::rebind()
{
    std::unique_ptr<engine::Recordset> cursor;
    try {
        if (source_->Recordset()) cursor = source_->Recordset()->Clone();
    } catch (const engine::DbError&) {
        // a closed record set shows no rows
    }
    auto model = cursor ? std::make_unique<RecordsetModel>(std::move(cursor), columns_)
                        : std::make_unique<RecordsetModel>(static_cast<engine::Recordset*>(nullptr), columns_);
    if (marks_) model->ShowMarks(markField_, marks_);
    QItemSelectionModel* oldSelection = selectionModel();
    setModel(model.get());
    delete oldSelection;  // the view does not delete the selection of the model it leaves
    model_ = std::move(model);
    sizeColumns();
    // A row chosen in the grid becomes the source's current row (the source's checks first).
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex& current) {
        if (following_ || !current.isValid() || current.row() == source_->Position()) return;
        if (!source_->MoveTo(current.row())) followSource();  // refused: back to the source's row
    });
    followSource();
}

void DBGrid::followSource()
{
    if (!model_) return;
    following_ = true;
    const long p = source_->Position();
    if (p >= 0 && p < model_->rowCount()) {
        const QModelIndex i = model_->index(static_cast<int>(p), std::max(0, currentIndex().column()));
        setCurrentIndex(i);
        scrollTo(i);
    } else {
        clearSelection();
    }
    following_ = false;
}

void DBGrid::MakePickGrid()
{
    pick_ = true;
    HideOnFocusOut = true;
    sizeColumns();
}

void DBGrid::sizeColumns()
{
    if (!model_) return;
    QHeaderView* header = horizontalHeader();
    if (pick_) {
        // The name takes the room; the short columns after it are as wide as their headings need.
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int c = 1; c < model_->columnCount(); ++c) header->setSectionResizeMode(c, QHeaderView::ResizeToContents);
        return;
    }
    // Every heading whole, and each column as wide as the rows on screen need (only those are
    // read), up to half the grid; the last column takes what is left. The clerk may still drag.
    sizedOnScreen_ = isVisible();
    header->setResizeContentsPrecision(0);
    const int widest = std::max(120, viewport()->width() / 2);
    for (int c = 0; c < model_->columnCount(); ++c) {
        resizeColumnToContents(c);
        const int heading = header->fontMetrics().horizontalAdvance(model()->headerData(c, Qt::Horizontal).toString()) + 24;
        header->resizeSection(c, std::max(heading, std::min(columnWidth(c), widest)));
    }
    // A short grid (a reference list: a name and its abbreviation) gives the room to its
    // first column, the name; a long one to its last.
    const bool shortGrid = model_->columnCount() > 0 && model_->columnCount() <= 3;
    header->setStretchLastSection(!shortGrid);
    if (shortGrid) header->setSectionResizeMode(0, QHeaderView::Stretch);
}

void DBGrid::showEvent(QShowEvent* event)
{
    QTableView::showEvent(event);
    // Fitted before the grid had a size: fitted again to the rows it now shows.
    if (!sizedOnScreen_ && !pick_) QTimer::singleShot(0, this, [this] {
        if (isVisible()) sizeColumns();
    });
}

void DBGrid::keyPressEvent(QKeyEvent* event)
{
    if (pick_ && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentIndex().isValid()) {
        const int row = currentIndex().row();
        emit RowDoubleClicked(row);
        emit RowEntered(row);
        return;
    }
    QTableView::keyPressEvent(event);
}

int TypedNames::Find(const QAbstractItemModel& model, int column, int current, const QString& search)
{
    if (!since_.isValid() || since_.elapsed() > QApplication::keyboardInputInterval()) typed_.clear();
    since_.start();
    typed_ += search;
    // One letter typed again and again steps through the names it begins, from the one shown.
    const bool stepping = typed_.size() > 1 && typed_.count(typed_.front()) == typed_.size();
    const QString letters = stepping ? typed_.left(1) : typed_;
    const bool exact = HasMarks(letters);
    const QString wanted = exact ? letters.toLower() : WithoutMarks(letters);
    const int rows = model.rowCount(), first = stepping && current >= 0 ? current + 1 : 0;
    for (int k = 0; k < rows; ++k) {
        const int row = (first + k) % rows;
        const QString name = model.data(model.index(row, column), Qt::DisplayRole).toString();
        if ((exact ? name.toLower() : WithoutMarks(name)).startsWith(wanted)) return row;
    }
    return -1;
}

void DBGrid::keyboardSearch(const QString& search)
{
    if (!pick_ || !model_) {
        QTableView::keyboardSearch(search);
        return;
    }
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    const int row = typed_.Find(*model_, column, currentIndex().isValid() ? currentIndex().row() : -1, search);
    if (row >= 0) setCurrentIndex(model_->index(row, column));
}

void DBGrid::focusOutEvent(QFocusEvent* event)
{
    QTableView::focusOutEvent(event);
    if (HideOnFocusOut && event->reason() != Qt::PopupFocusReason) {
        hide();
        emit LostFocus();
    }
}

DBCombo::DBCombo(QWidget* parent) : QComboBox(parent)
{
    connect(this, &QComboBox::activated, this, [this](int index) { emit ListClicked(itemText(index)); });
}

void DBCombo::keyPressEvent(QKeyEvent* event)
{
    const QString text = event->text();
    const bool letters = !isEditable() && !text.isEmpty() && text.at(0).isPrint() && !text.at(0).isSpace() &&
                         !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (!letters || !model()) {
        QComboBox::keyPressEvent(event);
        return;
    }
    const int row = typed_.Find(*model(), modelColumn(), currentIndex(), text);
    if (row >= 0 && row != currentIndex()) {
        setCurrentIndex(row);
        emit activated(row);
    }
}

void DBCombo::Fill(engine::Recordset& rs)
{
    clear();
    try {
        if (rs.RecordCount() == 0) return;
        for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
            addItem(rs.Field(ListField).toString(), BoundColumn.isEmpty() ? QVariant() : rs.Field(BoundColumn));
    } catch (const engine::DbError&) {
    }
    setCurrentIndex(-1);
}

QLabel* NewStatusCaption(QWidget* parent)
{
    auto* caption = new QLabel(parent);
    caption->setObjectName(QStringLiteral("lbltrangthai"));
    QFont font = caption->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.3);
    caption->setFont(font);
    caption->setAlignment(Qt::AlignCenter);
    caption->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return caption;
}

QLabel* NewHeading(QWidget* parent, const QString& text)
{
    auto* heading = new QLabel(text, parent);
    heading->setObjectName(QStringLiteral("lbltieude"));
    QFont font = heading->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.3);
    heading->setFont(font);
    heading->setAlignment(Qt::AlignCenter);
    return heading;
}

QLineEdit* NewPositionBox(QWidget* parent)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QStringLiteral("mrecnum"));
    box->setMaximumWidth(110);
    box->installEventFilter(parent);
    return box;
}

void ShowPosition(QLineEdit* box, const DataSource& source)
{
    box->setText(QStringLiteral("%1/%2").arg(source.Position() + 1).arg(source.Count()));
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

void JumpToPosition(QLineEdit* box, DataSource& source)
{
    const long v = static_cast<long>(engine::leadingNumber(box->text().toStdString()));
    const long p = source.Position(), n = source.Count();
    if (v > 0 && v <= n && v != p + 1) source.MoveTo(v - 1);
    else ShowPosition(box, source);
}

QString KeepTypingQuestion(App& app, const DataSource& source)
{
    return app.Message(source.IsNew() ? QStringLiteral("Có lưu giữ bản ghi đang nạp không ?")
                                      : QStringLiteral("Có lưu giữ những sửa đổi vừa thực hiện không ?"),
                       QStringLiteral("yesno"));
}

void ShowTypedBackHint(QLabel* help, DataSource* source)
{
    const QString line = QStringLiteral("\nF7 : đưa lại những gì bạn đã gõ mà chưa ghi được");
    auto update = [help, source, line] {
        QString text = help->text();
        if (text.endsWith(line)) text.chop(line.size());
        help->setText(source->HoldsTyped() ? text + line : text);
    };
    QObject::connect(source, &DataSource::TypedHeld, help, update);
    QObject::connect(source, &DataSource::Reposition, help, update);
}

void ShowStatusColours(QLabel* caption, bool changing)
{
    const QPalette& p = caption->window()->palette();  // the caption's own is coloured by its style sheet
    const QColor text = changing ? QColor(255, 255, 0) : p.color(QPalette::Highlight);
    const QColor back = changing ? QColor(255, 0, 0) : p.color(QPalette::Button);
    caption->setStyleSheet(QStringLiteral("QLabel { color: %1; background-color: %2; padding: 2px 8px; }").arg(text.name(), back.name()));
}

namespace {

class EnterPresses : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            auto* button = qobject_cast<QAbstractButton*>(watched);
            if (button && (key == Qt::Key_Return || key == Qt::Key_Enter) && button->isEnabled()) {
                button->click();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

QPushButton* NamedButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

DBGrid* NamedPickGrid(QWidget* parent, const char* name)
{
    auto* grid = new DBGrid(parent);
    grid->setObjectName(QLatin1String(name));
    grid->MakePickGrid();
    grid->hide();
    grid->installEventFilter(parent);
    return grid;
}

void PressButtonsWithEnter(QWidget* window)
{
    auto* filter = new EnterPresses(window);
    for (QPushButton* b : window->findChildren<QPushButton*>()) b->installEventFilter(filter);
}

QLabel* NewListCaption(QWidget* parent)
{
    auto* caption = new QLabel(parent);
    caption->setObjectName(QStringLiteral("lbltrangthai"));
    QFont font = caption->font();
    font.setBold(true);
    caption->setFont(font);
    caption->setAlignment(Qt::AlignCenter);
    return caption;
}

QLineEdit* NewMarginBox(QWidget* parent)
{
    auto* box = new QLineEdit(QStringLiteral("10"), parent);
    box->setObjectName(QStringLiteral("txtle"));
    box->setMaximumWidth(50);
    // The margin is a number of millimetres: anything else is refused with its reason.
    box->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), box));
    QObject::connect(box, &QLineEdit::inputRejected, box,
                     [box] { ShowRefusal(box, QStringLiteral("Lề in chỉ gồm chữ số (tối đa 3 chữ số)")); });
    return box;
}

QHBoxLayout* NewMarginRow(QLineEdit* margin)
{
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Đặt lề : "), margin->parentWidget()));
    row->addWidget(margin);
    row->addStretch();
    return row;
}

void ShowStatus(QLabel* caption, const QString& text, bool changing)
{
    caption->setText(text);
    ShowStatusColours(caption, changing);
}

void SetReadOnly(const QList<QWidget*>& boxes, bool readOnly)
{
    for (QWidget* w : boxes) {
        if (auto* line = qobject_cast<QLineEdit*>(w)) line->setReadOnly(readOnly);
        else if (auto* text = qobject_cast<QPlainTextEdit*>(w)) text->setReadOnly(readOnly);
    }
}

void ChainTabOrder(const QList<QWidget*>& order)
{
    for (qsizetype k = 1; k < order.size(); ++k) QWidget::setTabOrder(order[k - 1], order[k]);
}

void LoadRows(DataSource& source, engine::Database* db, const QString& statement, std::unique_ptr<engine::Recordset> rows)
{
    source.Database = db;
    source.RecordSource = statement;
    source.SetRecordset(std::move(rows));
    if (source.Count() > 0) {
        source.MoveLast();
        source.MoveFirst();
    }
}

void BringToFront(QWidget* window, QWidget* focus)
{
    window->show();
    window->raise();
    window->activateWindow();
    focus->setFocus();
}

void ShowBack(App& app, QWidget* window)
{
    if (!window) window = app.Window(QStringLiteral("frmMain"));
    if (!window) return;
    window->show();
    window->raise();
}

bool ShowingDataErrors(App& app, const std::function<void()>& work)
{
    try {
        work();
        return true;
    } catch (const engine::DbError& e) {
        app.RecordFailure(e);
        app.Message(QStringLiteral("Lỗi dữ liệu : ") + e.description());
        return false;
    }
}

void WriteAndReread(App& app, const std::function<void()>& write, const std::function<void()>& reread)
{
    std::optional<BusyCursor> busy;
    busy.emplace();
    try {
        write();
    } catch (const engine::DbError& e) {
        busy.reset();
        app.RecordFailure(e);
        app.Message(QStringLiteral("Lỗi dữ liệu : ") + e.description());
        return;
    }
    reread();
}

}  // namespace korvane
