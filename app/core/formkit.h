// The data-bound form kit: a data source over a record set, text boxes and check boxes bound to
// its fields, grids and drop-down lists over record sets. Every register, list and reference
// window is built from these.
#pragma once

#include "database.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QValidator>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

class QHBoxLayout;
class QLabel;
class QPushButton;

namespace korvane {
class App;
}

namespace korvane {

// Keeps typed or pasted text within TCVN3: decomposed letters are composed, capital toned vowels
// become the letter TCVN3 stores (what the user sees is what is saved), common typographic
// characters become their plain forms (dashes "-", curly quotes straight ones, "…" "...", the
// no-break space a space). When a character is left that TCVN3 cannot hold, `refused` is set and
// the text comes back unchanged: the caller refuses the whole change rather than part of it.
// `firstRefused`, when given, receives the first character that TCVN3 cannot hold.
QString NormalizeTcvn3(const QString& text, bool* refused, QChar* firstRefused = nullptr);

// Says beside a box why a change to it was refused or cut short: a beep alone is no answer on a
// PC without sound.
void ShowRefusal(QWidget* box, const QString& reason);

// The validator of every text box: a change with a character TCVN3 cannot hold is refused and
// the box says which; a paste that would pass the box's limit is cut at the limit and the box
// says so, instead of the whole paste being dropped.
class Tcvn3Validator : public QValidator {
public:
    explicit Tcvn3Validator(QLineEdit* box);
    State validate(QString& input, int& pos) const override;

private:
    void rejected();
    QLineEdit* box_;
    // What the last refused change would have made, for the notice and the cut.
    mutable QString refusedText_;
    mutable int refusedCaret_ = 0;
    mutable QChar refusedChar_;
};

class DataSource;

// Thrown by a write's check to refuse the write; the window says why afterwards.
struct WriteRefused {};

// A field bound to a column of the data source's current row.
class BoundField {
public:
    virtual ~BoundField() = default;
    QString DataField;       // the column
    bool DataChanged = false;  // set when the value changes, cleared when the source loads it
    virtual QVariant value() const = 0;
    virtual void load(const QVariant& v) = 0;  // sets the value without marking it changed
    virtual void setLocked(bool locked) = 0;
    virtual QWidget* widget() = 0;
};

// A bound one-line box. Its `limit` (the field's size; 0: none) is kept by its validator, which
// refuses a change that would pass it whole, where the box's own maximum length would cut a
// pasted text short without a word.
class BoundLineEdit : public QLineEdit, public BoundField {
    Q_OBJECT
public:
    explicit BoundLineEdit(const QString& column, QWidget* parent = nullptr);
    QVariant value() const override { return text(); }
    void load(const QVariant& v) override;
    void setLocked(bool locked) override { setReadOnly(locked); }
    QWidget* widget() override { return this; }
    int limit = 0;
};

class BoundTextEdit : public QPlainTextEdit, public BoundField {
    Q_OBJECT
public:
    explicit BoundTextEdit(const QString& column, QWidget* parent = nullptr);
    QVariant value() const override { return toPlainText(); }
    void load(const QVariant& v) override;
    void setLocked(bool locked) override { setReadOnly(locked); }
    QWidget* widget() override { return this; }
    int limit = 0;  // the field's size; 0: no limit

private:
    void setTextQuietly(const QString& text, int caret);
    bool loading_ = false;
    QString accepted_;  // the text as last accepted, restored when a change is refused
};

class BoundCheckBox : public QCheckBox, public BoundField {
    Q_OBJECT
public:
    BoundCheckBox(const QString& column, const QString& caption, QWidget* parent = nullptr);
    QVariant value() const override { return isChecked() ? -1 : 0; }
    void load(const QVariant& v) override;
    void setLocked(bool locked) override { setEnabled(!locked); }
    QWidget* widget() override { return this; }

private:
    bool loading_ = false;
};

// The data source of a window (its Data1): a database, a record source and the record set that
// the bound fields show. Before the current row changes it raises Validate; then the fields
// still marked changed are written into the row being left; after the move, Reposition. Engine
// failures arrive as Error, in which the window shows its own message.
class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(QObject* parent = nullptr);

    engine::Database* Database = nullptr;
    QString RecordSource;

    void Bind(BoundField* field);
    const std::vector<BoundField*>& Fields() const { return fields_; }
    BoundField* FieldFor(const QString& column) const;

    // Opens the record source again; the first row becomes current.
    bool Refresh();
    // Reads the source's rows again, so that rows other clerks added or deleted are seen; the
    // current row stays current when it still exists.
    bool Requery();
    // A record set opened in code takes the place of the source's own.
    void SetRecordset(std::unique_ptr<engine::Recordset> rs);
    engine::Recordset* Recordset() const { return rs_.get(); }

    long Position() const;  // 0-based, -1 when there is no current row
    long Count() const;
    bool IsNew() const;     // the current row is being added

    // Moves (each raises Validate first). False when the move failed or did not happen.
    bool MoveFirst();
    bool MoveLast();
    bool MoveNext();
    bool MovePrevious();
    bool MoveTo(long position);
    bool MoveToBookmark(qint64 bookmark);
    // Moves to the row with this bookmark when the record set holds it; otherwise stays put.
    bool FindBookmark(qint64 bookmark);

    // Starts a new row; its defaults and the counter id are in the bound fields.
    bool AddNew();
    // Abandons the row being added; the row that was current before becomes current again.
    void CancelAdd();
    // Writes the bound fields into the current row (or the row being added, which then becomes
    // current), the changed ones only for a row that exists. Extra values are the window's own
    // bookkeeping (backup mark, copy of the key), written beside them. `check` runs inside the
    // write's transaction, before anything is written, and may throw WriteRefused to leave the
    // row unwritten; it shows nothing (the file is locked meanwhile): the window tells the clerk
    // why once UpdateRecord has returned. When another clerk changed a written field since
    // the row was read, nothing is written, the fields show the row as it now is, the Error
    // names each field both clerks changed with both texts, and what this clerk typed is held
    // for RestoreTyped.
    bool UpdateRecord(const QList<QPair<QString, QVariant>>& extra = {}, const std::function<void()>& check = {});
    // Deletes the current row; the next row becomes current, or the new last row when the deleted
    // one was the last. `check` runs inside the delete's transaction and may throw WriteRefused to
    // keep the row (the window says why afterwards). False when nothing was deleted.
    bool Delete(const std::function<void()>& check = {});
    // Loads the bound fields from the current row.
    void UpdateControls();
    // Marks every bound field unchanged.
    void ClearChanged();
    bool AnyChanged(const QStringList& columns = {}) const;

    // The value of a column in the current row (or the row being added).
    QVariant Value(const QString& column) const;

    // What the clerk typed into a row whose save another clerk's change refused is held until
    // it is put back, or the row is written: whether some is held for the current row, and
    // putting it back into the fields (F7 in an open field does it too), marked changed where
    // it differs from the row. False when nothing was put back.
    bool HoldsTyped() const;
    bool RestoreTyped();

signals:
    // Raised before the current row changes; a handler that sets `cancel` keeps the row.
    void Validate(bool& cancel);
    void Reposition();
    // The source's record set was opened again (Refresh, Requery, a record set set in code):
    // whatever reads its rows reads them anew.
    void Reopened();
    void Error(int number, const QString& description);
    // Typed text was held or given back (see HoldsTyped).
    void TypedHeld(bool held);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Held {
        qint64 row = 0;
        QList<QPair<BoundField*, QVariant>> values;
    };
    bool move(const std::function<void()>& step);
    qint64 currentRow() const;  // the current row's bookmark; 0 for none or a row being added
    QString holdTyped(qint64 row, const QList<QPair<BoundField*, QVariant>>& typed);
    void dropHeld();
    bool write(const QList<QPair<QString, QVariant>>& extra, bool notify, const std::function<void()>& check = {});
    void report(const engine::DbError& e);
    void reloaded();  // the fields show the current row; Reposition
    bool writeChanged();

    std::unique_ptr<engine::Recordset> rs_;
    std::vector<BoundField*> fields_;
    std::map<BoundField*, QVariant> loaded_;  // each field's value as last loaded from the row
    std::optional<Held> held_;
    bool validating_ = false;
};

// The print marks of one open list: the ids of the rows its clerk has chosen. They are kept with
// the list, not in the shared file, so that what one clerk marks, clears or prints never changes
// another clerk's choice; a list opened anew starts with none.
class PrintMarks {
public:
    bool Has(qlonglong id) const { return ids_.count(id) != 0; }
    // The row's mark turned over; whether it is marked now.
    bool Toggle(qlonglong id);
    // The rows of `table` that `clause` selects (all of them when it is empty), as the file holds
    // them now, become the marked ones. Throws the engine's failure, the marks left as they were.
    void MarkRows(engine::Database& db, const QString& table, const QString& clause);
    void Clear() { ids_.clear(); }
    bool Empty() const { return ids_.empty(); }
    const std::set<qlonglong>& Ids() const { return ids_; }

private:
    std::set<qlonglong> ids_;
};

// Rows of a record set in a table model, read when they are shown and kept for a while, so that
// a grid over 100,000 rows opens at once and scrolls smoothly.
class RecordsetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString field, header;
    };
    RecordsetModel(engine::Recordset* rs, QList<Column> columns, QObject* parent = nullptr);
    // Reads through a cursor of its own (a clone of the data source's record set), so that showing
    // rows never moves the row the bound fields show.
    RecordsetModel(std::unique_ptr<engine::Recordset> own, QList<Column> columns, QObject* parent = nullptr);
    // The row was written: it is read again and redrawn.
    void RowChanged(int row);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    QVariant Field(int row, const QString& field) const;
    void Reload();
    // The column of `field` shows `marks` (see DBGrid::ShowMarks).
    void ShowMarks(const QString& field, const PrintMarks* marks);
    // The mark column drawn again, every row.
    void MarksChanged();

private:
    const std::vector<QVariant>& row(int r) const;
    QVariant mark(int r) const;

    std::unique_ptr<engine::Recordset> own_;
    engine::Recordset* rs_;
    QList<Column> columns_;
    const PrintMarks* marks_ = nullptr;
    int markColumn_ = -1;  // the column that shows the marks; each cached row then ends with its id
    mutable std::map<int, std::vector<QVariant>> cache_;
};

// The names typed on a list, a few letters within the toolkit's interval: the first name they
// begin, with any marks when they carry none ("da" finds "Đà Nẵng"); one letter typed again steps
// to the next name it begins.
class TypedNames {
public:
    // Adds `search` to what was typed; the row to go to, or -1 when no name begins so.
    int Find(const QAbstractItemModel& model, int column, int current, const QString& search);

private:
    QString typed_;
    QElapsedTimer since_;
};

// A grid over a record set (DBGrid). A pick grid hides itself when it loses focus, picks the
// current row with Enter as with a double-click, gives its first column (the name) the room, and
// goes to the first name that begins with the letters typed on it, with any marks when the
// letters carry none ("da" finds "Đà Nẵng").
class DBGrid : public QTableView {
    Q_OBJECT
public:
    explicit DBGrid(QWidget* parent = nullptr);
    void SetSource(engine::Recordset* rs, QList<RecordsetModel::Column> columns);
    // A grid bound to a data source: it shows the source's rows through a cursor of its own, its
    // selected row and the source's current row follow each other both ways, and it reads the
    // rows anew whenever the source is opened again.
    void SetDataSource(DataSource* source, QList<RecordsetModel::Column> columns);
    RecordsetModel* Model() const { return model_.get(); }
    // The columns given to SetDataSource, in the grid's order.
    const QList<RecordsetModel::Column>& Columns() const { return columns_; }
    // The column of `field` (the shared file's print mark) shows the list's own marks instead:
    // "X" on the rows whose id `marks` holds, whatever the file holds in that field.
    void ShowMarks(const QString& field, const PrintMarks* marks);
    void MakePickGrid();
    bool HideOnFocusOut = false;
    void keyboardSearch(const QString& search) override;

signals:
    // A double-click on a row's cells or on its heading, or Enter in a pick grid.
    void RowDoubleClicked(int row);
    // Enter in a pick grid (also reported as RowDoubleClicked).
    void RowEntered(int row);
    void LostFocus();

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void sizeColumns();
    void rebind();
    void followSource();
    std::unique_ptr<RecordsetModel> model_;
    bool pick_ = false;
    TypedNames typed_;
    bool sizedOnScreen_ = false;  // the columns were fitted to the rows on screen
    DataSource* source_ = nullptr;
    QList<RecordsetModel::Column> columns_;
    bool following_ = false;
    QString markField_;
    const PrintMarks* marks_ = nullptr;
};

// A drop-down list over a record set (DBCombo): shows ListField; a choice in the list part is
// reported with the row's text.
class DBCombo : public QComboBox {
    Q_OBJECT
public:
    explicit DBCombo(QWidget* parent = nullptr);
    QString ListField;
    QString BoundColumn;  // when set, each item keeps its row's value of it as the item's data
    void Fill(engine::Recordset& rs);

signals:
    void ListClicked(const QString& text);

protected:
    // Letters typed on the closed list go to the name they begin, as on a pick grid.
    void keyPressEvent(QKeyEvent* event) override;

private:
    TypedNames typed_;
};

// A window's status caption: bold, larger, centred, as high as its text.
QLabel* NewStatusCaption(QWidget* parent);
// A window's title line "lbltieude": `text` bold, larger and centred.
QLabel* NewHeading(QWidget* parent, const QString& text);
// The position box of a record window: "position/count" of `source`; a number typed into it and
// Enter moves there (the window calls JumpToPosition on Enter).
QLineEdit* NewPositionBox(QWidget* parent);
void ShowPosition(QLineEdit* box, const DataSource& source);
void JumpToPosition(QLineEdit* box, DataSource& source);
// The question asked before what is being typed into a record is left: "yes", "no", or empty
// when it was closed without an answer.
QString KeepTypingQuestion(App& app, const DataSource& source);

// The help line `help` tells of F7 while the source holds typed text for its current row.
void ShowTypedBackHint(QLabel* help, DataSource* source);

// The colours of a window's status caption: the highlight colour on the button face while
// viewing, yellow on red while a record is being added or corrected.
void ShowStatusColours(QLabel* caption, bool changing);

// Enter (or the keypad's Enter) on a focused button of `window` presses it, as clerks expect.
void PressButtonsWithEnter(QWidget* window);

// A button of `parent` with its object name; Enter presses it only when it has the focus.
QPushButton* NamedButton(QWidget* parent, const char* name, const QString& caption);
// A pick grid of `parent`: hidden until asked for; `parent` sees its keys first.
DBGrid* NamedPickGrid(QWidget* parent, const char* name);

// The status caption of a list window, "lbltrangthai": bold and centred, at the window's size.
QLabel* NewListCaption(QWidget* parent);
// The margin box of a window that prints, "txtle": millimetres, 10 to begin with.
QLineEdit* NewMarginBox(QWidget* parent);
// A row of a window's layout that begins with the margin box and its caption; what is added
// after them stands at the right.
QHBoxLayout* NewMarginRow(QLineEdit* margin);
// The caption's text and its colours (see ShowStatusColours).
void ShowStatus(QLabel* caption, const QString& text, bool changing);
// Text boxes (one-line or not) made read-only, or open to typing.
void SetReadOnly(const QList<QWidget*>& boxes, bool readOnly);
// The Tab key goes through `order`, one widget after the other.
void ChainTabOrder(const QList<QWidget*>& order);

// The data source takes `rows`, read on `db` with `statement`: counted to the last, the first
// one current.
void LoadRows(DataSource& source, engine::Database* db, const QString& statement, std::unique_ptr<engine::Recordset> rows);
// A window brought to the front, the keys going to `focus`.
void BringToFront(QWidget* window, QWidget* focus);
// A closing window's way back: `window` shown and raised, or the main window when there is none.
void ShowBack(App& app, QWidget* window);
// Runs `work` on the data files; a failure of the engine is recorded and said ("Lỗi dữ liệu :")
// and gives false.
bool ShowingDataErrors(App& app, const std::function<void()>& work);
// A change a list shows afterwards (its print marks set or cleared): `write`, then `reread`, under
// the busy pointer. A failure of the engine in `write` is said with the pointer back, and nothing
// is read again.
void WriteAndReread(App& app, const std::function<void()>& write, const std::function<void()>& reread);

}  // namespace korvane
