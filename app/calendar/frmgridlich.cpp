#include "frmgridlich.h"

#include "app.h"
#include "calendarfields.h"
#include "frmlich.h"
#include "keys.h"
#include "printing.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace korvane {

namespace {

const QString kView = QStringLiteral("xemlich");
const QString kAdd = QStringLiteral("naplich");
const QString kEdit = QStringLiteral("sualich");
const QString kReport = QStringLiteral("brlichtuan.rpt");
const QString kNothingMarked = QStringLiteral("Chưa có lịch làm việc nào được chọn để in !");

}  // namespace

frmGridlich::frmGridlich(App& app) : QWidget(nullptr), app_(app), mode_(kView)
{
    setObjectName(QStringLiteral("frmGridlich"));
    setWindowTitle(QStringLiteral("Bảng lịch làm việc"));
    Data1 = new DataSource(this);
    DBGrid1 = new DBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));

    entry_ = std::make_unique<CalendarFields>(app, this, Data1, "txtid", QStringLiteral("Bạn cần nạp lại ngày tháng năm cho đúng !"));
    const CalendarFields& f = *entry_;
    txtid = f.id;
    mngay = f.date;
    mngaychuan = f.dateNormal;
    mthu = f.weekday;
    mgio = f.time;
    mgiochuan = f.timeKey;
    mndung = f.content;
    mchutri = f.presides;
    mchuanbi = f.prepares;
    mdiadiem = f.place;
    mthanhphan = f.participants;
    mghichu = f.note;
    mngaycapnhat = f.savedOn;
    mngaycapnhatchuan = f.savedOnNormal;
    mnguoicapnhat = f.savedBy;

    lbltrangthai = NewListCaption(this);
    txtle = NewMarginBox(this);

    auto button = [this](const char* name, const QString& caption) { return NamedButton(this, name, caption); };
    cmdAdd = button("cmdAdd", QStringLiteral("&Nạp mới"));
    Cmdsua = button("Cmdsua", QStringLiteral("&Sửa"));
    cmdUpdate = button("cmdUpdate", QStringLiteral("&Ghi đĩa"));
    cmdxoa = button("cmdxoa", QStringLiteral("&Xoá"));
    Cmdchontat = button("Cmdchontat", QStringLiteral("&Chọn tất"));
    Cmdhuychon = button("Cmdhuychon", QStringLiteral("&Huỷ chọn"));
    Cmdin = button("Cmdin", QStringLiteral("&In"));
    cmdclose = button("cmdclose", QStringLiteral("&Kết thúc"));

    // The panel under the grid: two columns of captioned fields.
    auto* panel = new QGridLayout;
    auto add = [&](int row, int column, const QString& caption, QWidget* field, int span = 1) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        panel->addWidget(label, row, column);
        panel->addWidget(field, row, column + 1, 1, span);
    };
    add(0, 0, QStringLiteral("Mã số :"), txtid);
    add(0, 2, QStringLiteral("Ngày"), mngay);
    add(1, 0, QStringLiteral("Thứ"), mthu);
    add(1, 2, QStringLiteral("Giờ"), mgio);
    add(2, 0, QStringLiteral("Nội dung công việc"), mndung, 3);
    add(3, 0, QStringLiteral("Người chủ trì"), mchutri);
    add(3, 2, QStringLiteral("Người chuẩn bị"), mchuanbi);
    add(4, 0, QStringLiteral("Địa điểm"), mdiadiem, 3);
    add(5, 0, QStringLiteral("Thành phần"), mthanhphan, 3);
    add(6, 0, QStringLiteral("Ghi chú"), mghichu, 3);
    panel->setColumnStretch(1, 1);
    panel->setColumnStretch(3, 1);

    auto* buttons = NewMarginRow(txtle);
    for (QPushButton* b : {cmdAdd, Cmdsua, cmdUpdate, cmdxoa, Cmdchontat, Cmdhuychon, Cmdin, cmdclose}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid1, 1);
    layout->addWidget(lbltrangthai);
    layout->addLayout(panel);
    layout->addLayout(buttons);
    PressButtonsWithEnter(this);
    ChainTabOrder(QList<QWidget*>{DBGrid1} + entry_->texts +
                  QList<QWidget*>{txtle, cmdAdd, Cmdsua, cmdUpdate, cmdxoa, Cmdchontat, Cmdhuychon, Cmdin, cmdclose});

    DBGrid1->SetDataSource(Data1, {{QStringLiteral("chonin"), QStringLiteral("In")},
                                   {QStringLiteral("thu"), QStringLiteral("Thứ")},
                                   {QStringLiteral("ngay"), QStringLiteral("Ngày")},
                                   {QStringLiteral("ndung"), QStringLiteral("Nội dung")}});
    DBGrid1->ShowMarks(QStringLiteral("chonin"), &marks_);
    connect(DBGrid1, &DBGrid::RowDoubleClicked, this, &frmGridlich::ToggleMark);
    DBGrid1->installEventFilter(this);  // Space marks the current row, for the keyboard
    // Another row while adding or correcting: the save question first; a save that fails keeps
    // the row.
    connect(Data1, &DataSource::Validate, this, [this](bool& cancel) {
        if (!editing()) {
            Data1->ClearChanged();
            return;
        }
        const bool adding = Data1->IsNew();
        cancel = !finishEditing();
        if (cancel) return;
        // The grid is read again once the move is over (not in the middle of it, where the
        // grid's own selection is still being handled).
        if (!fromSearch_ || adding)
            QTimer::singleShot(0, this, [this] {
                if (editing()) return;
                if (fromSearch_) Data1->Requery();
                else reread(entry_->CurrentId());
            });
    });
    connect(Data1, &DataSource::Reposition, this, [this] {
        if (!editing()) setMode(kView);
    });
    connect(Data1, &DataSource::Error, this, [this](int number, const QString& description) {
        app_.RecordFailure(number, description);
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
        app_.modal().systemMessage(windowTitle(), QStringLiteral("Data error event hit err:") + description);
    });
    connect(cmdAdd, &QPushButton::clicked, this, &frmGridlich::StartNew);
    connect(Cmdsua, &QPushButton::clicked, this, &frmGridlich::Correct);
    connect(cmdUpdate, &QPushButton::clicked, this, [this] { Save(); });
    connect(cmdxoa, &QPushButton::clicked, this, &frmGridlich::Delete);
    connect(Cmdchontat, &QPushButton::clicked, this, &frmGridlich::MarkAll);
    connect(Cmdhuychon, &QPushButton::clicked, this, &frmGridlich::ClearMarks);
    connect(Cmdin, &QPushButton::clicked, this, &frmGridlich::Print);
    connect(cmdclose, &QPushButton::clicked, this, &frmGridlich::CloseGrid);
    setMode(kView);
    resize(860, 640);
}

frmGridlich::~frmGridlich() = default;

frmGridlich* frmGridlich::Instance(App& app) { return app.Owner().Get<frmGridlich>(QStringLiteral("frmGridlich")); }

bool frmGridlich::editing() const { return mode_ == kAdd || mode_ == kEdit; }

// ---- Opening -------------------------------------------------------------------------------

void frmGridlich::ShowYear(qlonglong id)
{
    open(QStringLiteral("select * from ") + app_.CalendarTable + QStringLiteral(" order by [ngaychuan], [giochuan]"), app_.CalendarTable, QString(),
         false, id);
}

void frmGridlich::ShowFound(const QString& statement, const QString& table, const QString& clause)
{
    open(statement, table, clause, true, 0);
}

void frmGridlich::open(const QString& statement, const QString& table, const QString& clause, bool fromSearch, qlonglong id)
{
    auto rows = app_.PlanDb->OpenRecordset(statement, engine::RecordsetType::Dynaset);
    if (Data1->IsNew()) Data1->CancelAdd();
    Data1->ClearChanged();
    mode_ = kView;
    statement_ = statement;
    table_ = table;
    clause_ = clause;
    fromSearch_ = fromSearch;
    marks_.Clear();  // marks of an earlier list are no choice of this one
    LoadRows(*Data1, app_.PlanDb.get(), statement, std::move(rows));
    goToId(id);
    setMode(kView);
    BringToFront(this, DBGrid1);
}

// ---- Modes ---------------------------------------------------------------------------------

void frmGridlich::setMode(const QString& mode)
{
    mode_ = mode;
    const bool viewing = mode == kView;
    cmdAdd->setText(mode == kAdd ? QStringLiteral("&Huỷ nạp") : QStringLiteral("&Nạp mới"));
    Cmdsua->setText(mode == kEdit ? QStringLiteral("&Huỷ sửa") : QStringLiteral("&Sửa"));
    ShowStatus(lbltrangthai, viewing ? QStringLiteral("Xem lịch làm việc hàng tuần")
                                     : mode == kAdd ? QStringLiteral("Nạp lịch tuần") : QStringLiteral("sửa nội dung lịch làm việc"),
               !viewing);
    SetReadOnly(entry_->texts, viewing);
    cmdAdd->setEnabled(mode != kEdit);
    cmdUpdate->setEnabled(!viewing);
    if (viewing) {
        // Correcting and deleting follow the entry shown and the user's rights.
        const bool allowed = entry_->MayChangeCurrent();
        Cmdsua->setEnabled(allowed);
        cmdxoa->setEnabled(allowed);
    } else {
        Cmdsua->setEnabled(mode == kEdit);
        cmdxoa->setEnabled(true);  // it says that the entry must be finished first
    }
    // Marks and printing wait until the entry is finished (and "Huỷ chọn" does not take the Alt+H
    // of "Huỷ nạp" meanwhile).
    for (QPushButton* b : {Cmdchontat, Cmdhuychon, Cmdin}) b->setEnabled(viewing);
}

void frmGridlich::returnToViewing()
{
    Data1->ClearChanged();
    Data1->UpdateControls();
    setMode(kView);
    mngay->setFocus();
}

bool frmGridlich::ReleaseData() { return finishEditing(); }

bool frmGridlich::finishEditing()
{
    if (!editing()) return true;
    // An entry being added is always asked about; a corrected one only when something changed.
    const bool adding = Data1->IsNew();
    if (adding || Data1->AnyChanged()) {
        const QString answer = KeepTypingQuestion(app_, *Data1);
        if (answer == QLatin1String("yes")) return save(false);
        if (answer != QLatin1String("no")) return false;  // no answer (Esc, the frame): the entry stays as typed
    }
    if (adding) Data1->CancelAdd();
    returnToViewing();
    return true;
}

// ---- Add, correct, save, delete ------------------------------------------------------------

void frmGridlich::StartNew()
{
    if (mode_ == kAdd) {  // "Huỷ nạp"
        Data1->CancelAdd();
        returnToViewing();
        return;
    }
    if (mode_ == kEdit) return;
    const bool hasLast = Data1->Count() > 0;
    if (hasLast && !Data1->MoveLast()) return;
    entry_->TakeCarryOver(hasLast);
    if (!Data1->AddNew()) return;
    mngay->setText(app_.Today().toString(QStringLiteral("dd/MM/yyyy")));  // the weekday follows when the box is left
    setMode(kAdd);
    mngay->setFocus();
}

void frmGridlich::Correct()
{
    if (mode_ == kEdit) {  // "Huỷ sửa": the entry as the file holds it
        returnToViewing();
        return;
    }
    if (mode_ == kAdd || Data1->Count() == 0) return;
    if (!entry_->MayChangeCurrent()) {
        QApplication::beep();
        return;
    }
    // F6 offers what the row above holds (the row itself when it is the first).
    const long p = Data1->Position();
    if (p > 0 && p < Data1->Count()) {
        Data1->MovePrevious();
        entry_->TakeCarryOver(true);
        Data1->MoveNext();
    } else {
        entry_->TakeCarryOver(true);
    }
    setMode(kEdit);
    mngay->setFocus();
}

bool frmGridlich::Save() { return save(true); }

bool frmGridlich::save(bool reread)
{
    if (!editing()) return true;
    // A button pressed with its Alt key leaves the focus in its box: what leaving the box does
    // comes first, and the date is checked again.
    if (QWidget* focused = QApplication::focusWidget(); focused && focused->window() == this && !fieldLeft(focused)) return false;
    if (!entry_->Changed()) {
        if (Data1->IsNew()) Data1->CancelAdd();
        returnToViewing();
        return true;
    }
    if (!entry_->RequiredFilled() || !entry_->CheckDate()) return false;
    const bool added = Data1->IsNew();
    const long position = Data1->Position();
    if (!entry_->Write(table_)) return false;  // still adding or correcting, as typed
    returnToViewing();
    if (!reread) return true;
    // The grid of the year shows the entry in its new place; a search's rows are kept as they
    // were found, with the entry corrected in place or the new one added when it is one of them.
    if (!fromSearch_) this->reread(entry_->CurrentId());
    else if (added) Data1->Requery();
    else if (DBGrid1->Model()) DBGrid1->Model()->RowChanged(static_cast<int>(position));
    return true;
}

void frmGridlich::Delete()
{
    if (editing()) {
        app_.Message(QStringLiteral("Bạn phải nạp hoặc sửa xong mới xoá được !"));
        mngay->setFocus();
        return;
    }
    const long p = Data1->Position();
    if (Data1->Count() == 0 || p < 0 || p >= Data1->Count()) return;
    if (!entry_->MayChangeCurrent()) {
        QApplication::beep();
        return;
    }
    // Only an explicit "yes" deletes; "no", Esc and the dialog's frame keep the row.
    if (app_.Message(QStringLiteral("Có thực sự muốn xoá dòng này không ?"), QStringLiteral("yesno")) != QLatin1String("yes")) return;
    entry_->DeleteCurrent(table_);
    DBGrid1->setFocus();
}

// ---- Marks ---------------------------------------------------------------------------------

void frmGridlich::ToggleMark(int row)
{
    // A double click while adding or correcting only ends that.
    if (editing()) {
        finishEditing();
        return;
    }
    if (row != Data1->Position() && !Data1->MoveTo(row)) return;
    const qlonglong id = entry_->CurrentId();
    if (id == 0) return;
    // The grid's own mark (see PrintMarks): nothing is written into the shared file.
    marks_.Toggle(id);
    if (DBGrid1->Model()) DBGrid1->Model()->RowChanged(row);
}

void frmGridlich::changeMarks(const std::function<void()>& change)
{
    if (!finishEditing()) return;
    const qlonglong id = entry_->CurrentId();
    WriteAndReread(app_, change, [this, id] { reread(id); });
}

void frmGridlich::MarkAll()
{
    changeMarks([this] {
        if (Data1->Count() == 0) return;
        // The rows listed: those a search found in the table it searched, or the whole year.
        marks_.MarkRows(*app_.PlanDb, table_, fromSearch_ ? clause_ : QString());
    });
}

void frmGridlich::ClearMarks()
{
    changeMarks([this] { marks_.Clear(); });
}

void frmGridlich::reread(qlonglong id)
{
    Data1->Database = app_.PlanDb.get();
    Data1->Refresh();
    goToId(id);
}

void frmGridlich::goToId(qlonglong id)
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

// ---- Printing ------------------------------------------------------------------------------

void frmGridlich::Print()
{
    if (!finishEditing()) return;
    if (Data1->Count() == 0) {
        app_.Message(QStringLiteral("Không có lịch làm việc nào cả !"));
        return;
    }
    long copied = 0;  // none when no row of the list is marked
    const bool read = ShowingDataErrors(app_, [&] {
        if (marks_.Empty()) return;
        BusyCursor busy;
        // The list's statement is kept under "qrdata1" for whatever else reads it; printing
        // does not depend on it, so a file that cannot be written still prints.
        try {
            KeepQuery(*app_.PlanDb, QStringLiteral("qrdata1"), statement_);
        } catch (const engine::DbError& e) {
            app_.RecordFailure(e);
        }
        // The marked entries as the listed table holds them now.
        copied = FillPrintTable(*app_.TempDb, QStringLiteral("inlich"), *app_.PlanDb, table_, marks_, QStringLiteral("[ngaychuan],[giochuan]"));
    });
    if (!read) return;
    if (copied == 0) {  // nothing marked, or every marked entry deleted by another clerk meanwhile
        app_.Message(kNothingMarked);
        return;
    }
    AskAndPrint(app_, this, kReport, QStringLiteral("(Lịch làm việc được chọn)"), txtle->text(), QStringLiteral("lichtuan.pdf"));
}

// ---- Closing -------------------------------------------------------------------------------

void frmGridlich::CloseGrid()
{
    if (!finishEditing()) return;
    const qlonglong id = entry_->CurrentId();
    app_.CurrentDocId = static_cast<long>(id);
    DBGrid1->setFocus();
    hide();
    if (app_.FormMode == QLatin1String("tracuulich")) return ShowBack(app_, app_.Window(QStringLiteral("frmtracuulich")));
    if (frmlich* reg = frmlich::Find(app_)) {
        // An entry of another year's table is no entry of the register's.
        ShowingDataErrors(app_, [&] { reg->ComeBack(table_.compare(app_.CalendarTable, Qt::CaseInsensitive) == 0 ? id : 0); });
        return;
    }
    ShowBack(app_, nullptr);
}

void frmGridlich::closeEvent(QCloseEvent* event)
{
    event->ignore();  // hidden, as "Kết thúc" hides it, after the save question
    CloseGrid();
}

// ---- Keys and fields -----------------------------------------------------------------------

bool frmGridlich::fieldLeft(QWidget* field)
{
    if (!editing() || entry_->Checking()) return true;
    return entry_->FieldLeft(field);
}

bool frmGridlich::eventFilter(QObject* watched, QEvent* event)
{
    auto* field = qobject_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && editing()) return true;
        if (watched == DBGrid1 && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space && !editing()) {
            if (DBGrid1->currentIndex().isValid()) ToggleMark(DBGrid1->currentIndex().row());
            return true;
        }
        break;
    case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        const int code = KeyCodeOf(key);
        if (!editing()) break;
        if (code == KeyEscape) {
            // Esc ends the adding or correcting: the save question; no answer keeps it open.
            const QString answer = KeepTypingQuestion(app_, *Data1);
            if (answer == QLatin1String("yes")) Save();
            else if (answer == QLatin1String("no")) (mode_ == kAdd ? StartNew() : Correct());
            break;
        }
        entry_->KeyReleased(field, code, key->modifiers() & Qt::ShiftModifier);
        break;
    }
    case QEvent::FocusIn:
        entry_->FieldEntered(field);
        break;
    case QEvent::FocusOut: {
        // A box is left when the clerk moves on, not when a message or another window comes up.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) fieldLeft(field);
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace korvane
