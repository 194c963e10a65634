#include "frmgridlich.h"

#include "calendarfields.h"
#include "frmlich.h"
#include "keys.h"

#include <QApplication>
#include <QFocusEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace korvane {

frmGridlich::frmGridlich(App& app)
    : ListWindow(app, "frmGridlich", QStringLiteral("Bảng lịch làm việc"), &App::PlanDb),
      entry_(std::make_unique<CalendarFields>(app, this, Data1, "txtid", QStringLiteral("Bạn cần nạp lại ngày tháng năm cho đúng !"))),
      txtid(entry_->id), mngay(entry_->date), mngaychuan(entry_->dateNormal), mthu(entry_->weekday), mgio(entry_->time),
      mgiochuan(entry_->timeKey), mndung(entry_->content), mchutri(entry_->presides), mchuanbi(entry_->prepares), mdiadiem(entry_->place),
      mthanhphan(entry_->participants), mghichu(entry_->note), mngaycapnhat(entry_->savedOn), mngaycapnhatchuan(entry_->savedOnNormal),
      mnguoicapnhat(entry_->savedBy)
{
    editButtons(true);
    connect(cmdAdd, &QPushButton::clicked, this, &frmGridlich::StartNew);
    markButtons();
    Cmdin = printButton("Cmdin", QStringLiteral("&In"));
    exportButton();
    closeButton();

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
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid1, 1);
    layout->addWidget(lbltrangthai);
    layout->addLayout(panel);
    layout->addLayout(buttonRow(true));

    modes_ = {QStringLiteral("xemlich"), QStringLiteral("naplich"), QStringLiteral("sualich"), QStringLiteral("Xem lịch làm việc hàng tuần"),
              QStringLiteral("Nạp lịch tuần"), QStringLiteral("sửa nội dung lịch làm việc")};
    print_ = {QStringLiteral("brlichtuan.rpt"), QStringLiteral("(Lịch làm việc được chọn)"), QStringLiteral("lichtuan.pdf"),
              QStringLiteral("Không có lịch làm việc nào cả !"), QStringLiteral("qrdata1"), QStringLiteral("inlich"), QStringLiteral("[ngaychuan],[giochuan]"),
              QStringLiteral("Chưa có lịch làm việc nào được chọn để in !")};
    back_ = {QStringLiteral("tracuulich"), QStringLiteral("frmtracuulich")};
    dataErrorPrefix_ = QStringLiteral("Data error event hit err:");
    homeField_ = mngay;
    deletedFocus_ = DBGrid1;
    finishFirst_ = QStringLiteral("Bạn phải nạp hoặc sửa xong mới xoá được !");
    panel_ = entry_->texts;
    showColumns({{QStringLiteral("thu"), QStringLiteral("Thứ")}, {QStringLiteral("ngay"), QStringLiteral("Ngày")}, {QStringLiteral("ndung"), QStringLiteral("Nội dung")}},
                true);
    DBGrid1->installEventFilter(this);  // Space marks the current row, for the keyboard
    finish(entry_->texts, QSize(860, 640));
}

frmGridlich::~frmGridlich() = default;

frmGridlich* frmGridlich::Instance(App& app) { return app.Owner().Get<frmGridlich>(QStringLiteral("frmGridlich")); }

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
    showRows(statement, table, clause, fromSearch, std::move(rows));
    goToId(id);
    BringToFront(this, DBGrid1);
}

// ---- The panel -----------------------------------------------------------------------------

void frmGridlich::StartNew()
{
    if (mode_ == modes_.add) return cancelEditing();  // "Huỷ nạp"
    if (mode_ == modes_.edit) return;
    const bool hasLast = Data1->Count() > 0;
    if (hasLast && !Data1->MoveLast()) return;
    entry_->TakeCarryOver(hasLast);
    if (!Data1->AddNew()) return;
    mngay->setText(app_.Today().toString(QStringLiteral("dd/MM/yyyy")));  // the weekday follows when the box is left
    setMode(modes_.add);
    mngay->setFocus();
}

// F6 offers what the row above holds (the row itself when it is the first).
void frmGridlich::correctionStarting()
{
    const long p = Data1->Position();
    if (p > 0 && p < Data1->Count()) {
        Data1->MovePrevious();
        entry_->TakeCarryOver(true);
        Data1->MoveNext();
    } else {
        entry_->TakeCarryOver(true);
    }
}

// Another row while adding or correcting: the save question first; a save that fails keeps the
// row.
bool frmGridlich::leaveRow()
{
    const bool adding = Editing() && Data1->IsNew();
    const bool editing = Editing();
    if (!ListWindow::leaveRow()) return false;
    // The grid is read again once the move is over (not in the middle of it, where the grid's own
    // selection is still being handled).
    if (editing && (!fromSearch_ || adding))
        QTimer::singleShot(0, this, [this] {
            if (Editing()) return;
            if (fromSearch_) Data1->Requery();
            else reread(currentId());
        });
    return true;
}

bool frmGridlich::panelChanged() const { return entry_->Changed(); }

// A button pressed with its Alt key leaves the focus in its box: what leaving the box does comes
// first, and the date is checked again.
bool frmGridlich::settleFocus()
{
    QWidget* focused = QApplication::focusWidget();
    return !focused || focused->window() != this || checking() || fieldLeft(focused);
}

bool frmGridlich::readyToSave() { return entry_->RequiredFilled() && entry_->CheckDate(); }

bool frmGridlich::writePanel() { return entry_->Write(table_); }

// The grid of the year shows the entry in its new place; a search's rows are kept as they were
// found, with the entry corrected in place or the new one added when it is one of them.
void frmGridlich::saved(bool added, long position, bool reread)
{
    if (!reread) return;
    if (!fromSearch_) this->reread(currentId());
    else if (added) Data1->Requery();
    else ListWindow::saved(added, position, reread);
}

bool frmGridlich::deleteCurrent() { return entry_->DeleteCurrent(table_); }

void frmGridlich::panelKey(QWidget* field, QKeyEvent* key) { entry_->KeyReleased(field, KeyCodeOf(key), key->modifiers() & Qt::ShiftModifier); }

bool frmGridlich::fieldLeft(QWidget* field) { return entry_->FieldLeft(field); }

bool frmGridlich::checking() const { return entry_->Checking(); }

bool frmGridlich::backToRegister(qlonglong id)
{
    frmlich* reg = frmlich::Find(app_);
    return reg && backTo(app_.CalendarTable, id, [reg](qlonglong row) { reg->ComeBack(row); });
}

bool frmGridlich::eventFilter(QObject* watched, QEvent* event)
{
    const auto type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape && Editing()) {
            // Esc ends the adding or correcting: the save question; no answer keeps it open.
            if (type == QEvent::KeyPress) return true;
            const QString answer = KeepTypingQuestion(app_, *Data1);
            if (answer == QLatin1String("yes")) Save();
            else if (answer == QLatin1String("no")) cancelEditing();
            return false;
        }
        if (type == QEvent::KeyPress && key == Qt::Key_Space && watched == DBGrid1 && !Editing()) {
            if (DBGrid1->currentIndex().isValid()) ToggleMark(DBGrid1->currentIndex().row());
            return true;
        }
    } else if (type == QEvent::FocusIn) {
        entry_->FieldEntered(qobject_cast<QWidget*>(watched));
    } else if (type == QEvent::FocusOut) {
        // A box is left when the clerk moves on, not when a message or another window comes up.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return false;
    }
    return ListWindow::eventFilter(watched, event);
}

}  // namespace korvane
