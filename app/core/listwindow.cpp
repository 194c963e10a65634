#include "listwindow.h"

#include "export.h"
#include "keys.h"
#include "printing.h"
#include "savedrows.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace korvane {

ListWindow::ListWindow(App& app, const char* name, const QString& title, std::unique_ptr<engine::Database> App::*db)
    : QWidget(nullptr), app_(app), db_(db)
{
    setObjectName(QLatin1String(name));
    setWindowTitle(title);
    Data1 = new DataSource(this);
    DBGrid1 = new DBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    lbltrangthai = NewListCaption(this);
    txtle = NewMarginBox(this);
}

ListWindow::~ListWindow() = default;

// ---- Building ------------------------------------------------------------------------------

void ListWindow::showColumns(const QList<RecordsetModel::Column>& columns, bool marks)
{
    if (!marks) return DBGrid1->SetDataSource(Data1, columns);
    DBGrid1->SetDataSource(Data1, QList<RecordsetModel::Column>{{QStringLiteral("chonin"), QStringLiteral("In")}} + columns);
    DBGrid1->ShowMarks(QStringLiteral("chonin"), &marks_);
    connect(DBGrid1, &DBGrid::RowDoubleClicked, this, &ListWindow::ToggleMark);
}

QPushButton* ListWindow::button(const char* name, const QString& caption)
{
    QPushButton* b = NamedButton(this, name, caption);
    buttons_.append(b);
    return b;
}

void ListWindow::editButtons(bool withAdd)
{
    if (withAdd) cmdAdd = button("cmdAdd", QStringLiteral("&Nạp mới"));
    Cmdsua = button("Cmdsua", QStringLiteral("&Sửa"));
    cmdUpdate = button("cmdUpdate", QStringLiteral("&Ghi đĩa"));
    cmdxoa = button("cmdxoa", QStringLiteral("&Xoá"));
    connect(Cmdsua, &QPushButton::clicked, this, &ListWindow::Correct);
    connect(cmdUpdate, &QPushButton::clicked, this, [this] { Save(); });
    connect(cmdxoa, &QPushButton::clicked, this, &ListWindow::Delete);
}

void ListWindow::markButtons()
{
    Cmdchontat = button("Cmdchontat", QStringLiteral("&Chọn tất"));
    Cmdhuychon = button("Cmdhuychon", QStringLiteral("&Huỷ chọn"));
    connect(Cmdchontat, &QPushButton::clicked, this, &ListWindow::MarkAll);
    connect(Cmdhuychon, &QPushButton::clicked, this, &ListWindow::ClearMarks);
    // Marks wait until the row is finished (and "Huỷ chọn" does not take the Alt+H of "Huỷ nạp"
    // meanwhile).
    viewingOnly_ += {Cmdchontat, Cmdhuychon};
}

QPushButton* ListWindow::printButton(const char* name, const QString& caption)
{
    QPushButton* b = button(name, caption);
    connect(b, &QPushButton::clicked, this, &ListWindow::Print);
    viewingOnly_.append(b);
    return b;
}

QPushButton* ListWindow::exportButton()
{
    cmdxuat = button("cmdxuat", QStringLiteral("Xuất &Excel"));
    connect(cmdxuat, &QPushButton::clicked, this, &ListWindow::Export);
    viewingOnly_.append(cmdxuat);
    return cmdxuat;
}

void ListWindow::closeButton()
{
    cmdclose = button("cmdclose", QStringLiteral("&Kết thúc"));
    connect(cmdclose, &QPushButton::clicked, this, &ListWindow::CloseList);
}

void ListWindow::positionBox()
{
    mrecnum = NewPositionBox(this);
    connect(Data1, &DataSource::Reposition, mrecnum, [this] { ShowPosition(mrecnum, *Data1); });
}

QHBoxLayout* ListWindow::buttonRow(bool withMargin)
{
    QHBoxLayout* row = withMargin ? NewMarginRow(txtle) : new QHBoxLayout;
    for (QPushButton* b : buttons_) row->addWidget(b);
    return row;
}

void ListWindow::finish(const QList<QWidget*>& panel, const QSize& size)
{
    PressButtonsWithEnter(this);
    QList<QWidget*> order = QList<QWidget*>{DBGrid1} + panel + QList<QWidget*>{txtle};
    for (QPushButton* b : buttons_) order.append(b);
    if (mrecnum) order.append(mrecnum);
    ChainTabOrder(order);
    connect(Data1, &DataSource::Validate, this, [this](bool& cancel) { cancel = !leaveRow(); });
    connect(Data1, &DataSource::Error, this, [this](int number, const QString& description) {
        app_.RecordFailure(number, description);
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
        app_.modal().systemMessage(windowTitle(), dataErrorPrefix_ + description);
    });
    if (!modes_.view.isEmpty()) {
        connect(Data1, &DataSource::Reposition, this, &ListWindow::applyRights);
        setMode(modes_.view);
    }
    resize(size);
}

// ---- Rows ----------------------------------------------------------------------------------

void ListWindow::showRows(const QString& statement, const QString& table, const QString& clause, bool fromSearch,
                          std::unique_ptr<engine::Recordset> rows)
{
    if (Data1->IsNew()) Data1->CancelAdd();
    Data1->ClearChanged();
    mode_ = modes_.view;
    statement_ = statement;
    table_ = table;
    clause_ = clause;
    fromSearch_ = fromSearch;
    marks_.Clear();  // marks of an earlier list are no choice of this one
    LoadRows(*Data1, &db(), statement, std::move(rows));
    if (!modes_.view.isEmpty()) setMode(modes_.view);
}

qlonglong ListWindow::currentId() const { return CurrentRowId(*Data1); }

void ListWindow::reread(qlonglong id)
{
    Data1->Database = &db();
    Data1->Refresh();
    goToId(id);
}

void ListWindow::goToId(qlonglong id)
{
    if (id <= 0 || Data1->Count() == 0 || !Data1->Recordset()) return;
    try {
        // Looked for through a cursor of its own, so the row shown moves only when it is found.
        auto cursor = Data1->Recordset()->Clone();
        cursor->FindFirst(QStringLiteral("id =") + QString::number(id));
        if (!cursor->NoMatch()) Data1->MoveToBookmark(cursor->Bookmark());
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
    }
}

// ---- Modes ---------------------------------------------------------------------------------

void ListWindow::setMode(const QString& mode)
{
    mode_ = mode;
    const bool viewing = mode == modes_.view;
    if (cmdAdd) cmdAdd->setText(mode == modes_.add ? QStringLiteral("&Huỷ nạp") : QStringLiteral("&Nạp mới"));
    Cmdsua->setText(mode == modes_.edit ? QStringLiteral("&Huỷ sửa") : QStringLiteral("&Sửa"));
    ShowStatus(lbltrangthai, viewing ? modes_.viewCaption : mode == modes_.add ? modes_.addCaption : modes_.editCaption, !viewing);
    SetReadOnly(panel_, viewing);
    if (cmdAdd) cmdAdd->setEnabled(mode != modes_.edit);
    cmdUpdate->setEnabled(!viewing);
    for (QWidget* w : viewingOnly_) w->setEnabled(viewing);
    for (QWidget* w : editingOnly_) w->setEnabled(!viewing);
    modeSet(viewing);
    applyRights();
}

// In viewing, "Sửa" and "Xoá" are offered on a row the user may change; while adding or
// correcting, "Huỷ sửa" is, and "Xoá" only in a list that says why it waits.
void ListWindow::applyRights()
{
    if (!Editing()) {
        const bool allowed = MayChangeCurrentRow(app_, *Data1);
        Cmdsua->setEnabled(allowed);
        cmdxoa->setEnabled(allowed);
        return;
    }
    Cmdsua->setEnabled(mode_ == modes_.edit);
    cmdxoa->setEnabled(!finishFirst_.isEmpty());
}

void ListWindow::returnToViewing()
{
    Data1->ClearChanged();
    Data1->UpdateControls();
    setMode(modes_.view);
    homeField_->setFocus();
}

void ListWindow::cancelEditing()
{
    if (Data1->IsNew()) Data1->CancelAdd();
    returnToViewing();
}

bool ListWindow::finishPanel() { return finishEditing(); }

bool ListWindow::leaveRow()
{
    if (Editing()) return finishPanel();
    Data1->ClearChanged();  // nothing typed is written while viewing (the boxes are locked)
    return true;
}

bool ListWindow::finishEditing()
{
    if (!Editing()) return true;
    // A row being added is always asked about; a corrected one only when something changed.
    if (Data1->IsNew() || panelChanged()) {
        const QString answer = KeepTypingQuestion(app_, *Data1);
        if (answer == QLatin1String("yes")) return save(false);
        if (answer != QLatin1String("no")) return false;  // no answer (Esc, the frame): the row stays as typed
    }
    cancelEditing();
    return true;
}

// ---- Correct, save, delete -----------------------------------------------------------------

void ListWindow::Correct()
{
    if (mode_ == modes_.edit) return returnToViewing();  // "Huỷ sửa": the row as the file holds it
    if (Editing() || Data1->Count() == 0) return;
    if (!MayChangeCurrentRow(app_, *Data1)) {
        QApplication::beep();
        return;
    }
    correctionStarting();
    setMode(modes_.edit);
    homeField_->setFocus();
}

bool ListWindow::Save() { return save(true); }

bool ListWindow::save(bool reread)
{
    if (!Editing()) return true;
    if (!settleFocus()) return false;
    if (!panelChanged()) {
        cancelEditing();
        return true;
    }
    if (!readyToSave()) return false;
    const bool added = Data1->IsNew();
    const long position = Data1->Position();
    if (!writePanel()) return false;  // still adding or correcting, as typed
    returnToViewing();
    saved(added, position, reread);
    return true;
}

void ListWindow::saved(bool, long position, bool)
{
    if (DBGrid1->Model()) DBGrid1->Model()->RowChanged(static_cast<int>(position));
}

void ListWindow::Delete()
{
    if (Editing()) {
        if (finishFirst_.isEmpty()) return;
        app_.Message(finishFirst_);
        homeField_->setFocus();
        return;
    }
    if (currentId() == 0) return;
    if (!MayChangeCurrentRow(app_, *Data1)) {
        QApplication::beep();
        return;
    }
    // Only an explicit "yes" deletes; "no", Esc and the dialog's frame keep the row.
    if (app_.Message(QStringLiteral("Có thực sự muốn xoá dòng này không ?"), QStringLiteral("yesno")) != QLatin1String("yes")) {
        if (keptFocus_) keptFocus_->setFocus();
        return;
    }
    deleteCurrent();
    deletedFocus_->setFocus();
}

// ---- Marks ---------------------------------------------------------------------------------
// The marks are the list's own (see PrintMarks): setting or clearing them writes nothing into the
// shared file, so they work on a file that cannot be written as well.

void ListWindow::ToggleMark(int row)
{
    // A double click while adding or correcting only ends that.
    if (Editing()) {
        finishPanel();
        return;
    }
    if (row != Data1->Position() && !Data1->MoveTo(row)) return;
    const qlonglong id = currentId();
    if (id == 0) return;
    marks_.Toggle(id);
    if (DBGrid1->Model()) DBGrid1->Model()->RowChanged(row);
}

// The panel finished, the marks changed by `change`, the rows read again on the row it was on.
void ListWindow::changeMarks(const std::function<void()>& change)
{
    if (!finishPanel()) return;
    const qlonglong id = currentId();
    WriteAndReread(app_, change, [this, id] { reread(id); });
}

void ListWindow::MarkAll()
{
    changeMarks([this] {
        if (Data1->Count() == 0) return;
        // The rows listed: those a search found in the table it searched, or the whole table.
        marks_.MarkRows(db(), table_, fromSearch_ ? clause_ : QString());
    });
}

void ListWindow::ClearMarks()
{
    changeMarks([this] { marks_.Clear(); });
}

// ---- Printing ------------------------------------------------------------------------------

void ListWindow::Print()
{
    if (!finishPanel()) return;
    if (Data1->Count() == 0) {
        app_.Message(print_.emptyMessage);
        return;
    }
    long rows = 0;
    if (!ShowingDataErrors(app_, [&] { rows = fillPrint(); })) return;
    if (rows == 0) {  // nothing marked, or every marked row deleted by another clerk meanwhile
        app_.Message(print_.nothingMarked);
        return;
    }
    // No question about where to print when nothing can be printed.
    const QString templateFile = TemplatePath(app_, print_.report);
    if (const QString missing = missingTemplate(templateFile); !missing.isEmpty() && !QFileInfo::exists(templateFile)) {
        app_.Message(missing);
        return;
    }
    const bool whole = print_.printTable.isEmpty();
    AskAndPrint(app_, this, print_.report, print_.subtitle, txtle->text(), print_.pdfName, whole ? printStatement() : QString());
}

void ListWindow::Export()
{
    if (!finishPanel()) return;
    if (Data1->Count() == 0) {
        app_.Message(print_.emptyMessage);
        return;
    }
    // The columns as printed; the grid's when the template cannot be read.
    QList<ExportColumn> columns;
    try {
        columns = TemplateColumns(TemplatePath(app_, print_.report));
    } catch (const report::ReportError&) {
        columns = GridColumns(*DBGrid1);
    }
    const QString name = QFileInfo(print_.pdfName).completeBaseName() + QStringLiteral(".xlsx");
    // The rows the print reads, in the list's order, read anew as the file holds them now.
    const QString sql = printStatement();
    AskAndExport(app_, this, name, columns, [this, sql] { return ListSource(db(), sql, table_, &marks_); });
}

// The rows to print: the whole list, or the marked rows copied into the print table. The
// statement is kept under the list's saved query for whatever else reads it; the print does not
// depend on it, so a file that cannot be written (read-only, or another clerk writing) still prints.
long ListWindow::fillPrint()
{
    BusyCursor busy;
    const bool whole = print_.printTable.isEmpty();
    if (print_.emptyFirst) app_.TempDb->Execute(QStringLiteral("DELETE * FROM ") + print_.printTable + QStringLiteral(" ;"));
    if (!whole && marks_.Empty()) return 0;
    try {
        KeepQuery(db(), print_.keptQuery, printStatement());
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
    }
    // The marked rows as the file holds them now.
    return whole ? Data1->Count() : FillPrintTable(*app_.TempDb, print_.printTable, db(), table_, marks_, print_.order);
}

// ---- Closing -------------------------------------------------------------------------------

void ListWindow::CloseList()
{
    if (!finishPanel()) return;
    const qlonglong id = currentId();
    app_.CurrentDocId = static_cast<long>(id);
    DBGrid1->setFocus();
    hide();
    if (app_.FormMode == back_.searchMode) {
        QWidget* search = app_.Window(back_.searchWindow);
        ShowBack(app_, search);
        if (QWidget* box = search && back_.searchFocus ? search->findChild<QWidget*>(QLatin1String(back_.searchFocus)) : nullptr) box->setFocus();
        return;
    }
    if (!backToRegister(id)) ShowBack(app_, nullptr);
}

bool ListWindow::backTo(const QString& registerTable, qlonglong id, const std::function<void(qlonglong)>& comeBack)
{
    // A row of another year's table is no row of the register's.
    ShowingDataErrors(app_, [&] { comeBack(table_.compare(registerTable, Qt::CaseInsensitive) == 0 ? id : 0); });
    return true;
}

void ListWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();  // hidden, as "Kết thúc" hides it, after the keep question
    CloseList();
}

// ---- Keys ----------------------------------------------------------------------------------

bool ListWindow::eventFilter(QObject* watched, QEvent* event)
{
    auto* field = qobject_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::KeyRelease:
        if (watched == mrecnum && KeyCodeOf(static_cast<QKeyEvent*>(event)) == KeyEnter) {
            JumpToPosition(mrecnum, *Data1);
            return true;
        }
        if (Editing()) panelKey(field, static_cast<QKeyEvent*>(event));
        break;
    case QEvent::FocusIn:
        if (watched == mrecnum) QTimer::singleShot(0, mrecnum, &QLineEdit::selectAll);
        break;
    case QEvent::FocusOut:
        if (Editing() && !checking()) fieldLeft(field);
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace korvane
