#include "frmlich.h"

#include "app.h"
#include "calendarfields.h"
#include "dates.h"
#include "frmgridlich.h"
#include "frmlichtuan.h"
#include "keys.h"
#include "sqlfunctions.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
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

}  // namespace

frmlich::frmlich(App& app, QWidget* mainWindow) : QWidget(nullptr), app_(app), main_(mainWindow)
{
    setObjectName(QStringLiteral("frmlich"));
    setWindowTitle(QStringLiteral("Lịch làm việc hàng tuần"));
    Data1 = new DataSource(this);
    entry_ = std::make_unique<CalendarFields>(app, this, Data1, "txtFields", QStringLiteral("Bạn cần nạp lại ngày tháng năm cho đúng!"));
    CalendarFields& f = *entry_;
    txtFields = f.id;
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
    // The weekday fills itself: Tab passes it by, a click into it says so.
    mthu->setFocusPolicy(Qt::ClickFocus);

    lbltrangthai = NewStatusCaption(this);
    mrecnum = NewPositionBox(this);
    lblhuongdan = new QLabel(QStringLiteral("F4 : xoá cả ô  ***  F5 và Shift-F5 ở ô Ngày : tăng giảm ngày\nF6 :chép nội dung trang trước\n"
                                            "PgUp : Về trang trước *** PgDn : đến trang sau"),
                             this);
    lblhuongdan->setObjectName(QStringLiteral("lblhuongdan"));
    ShowTypedBackHint(lblhuongdan, Data1);

    cmdAdd = NamedButton(this, "cmdAdd", QStringLiteral("&Nạp mới"));
    Cmdsua = NamedButton(this, "Cmdsua", QStringLiteral("&Sửa"));
    cmdUpdate = NamedButton(this, "cmdUpdate", QStringLiteral("&Ghi đĩa"));
    cmdDelete = NamedButton(this, "cmdDelete", QStringLiteral("&Xoá"));
    cmdbang = NamedButton(this, "cmdbang", QStringLiteral("&Bảng thứ tự"));
    cmdbang->setToolTip(QStringLiteral("Sắp xếp theo thứ tự ngày, giờ..."));
    cmdGrid = NamedButton(this, "cmdGrid", QStringLiteral("&Lịch Tuần"));
    cmdGrid->setToolTip(QStringLiteral("Xem tuần có việc trên..."));
    Cmdtracuu = NamedButton(this, "Cmdtracuu", QStringLiteral("&Tìm đến..."));
    Cmdtracuu->setToolTip(QStringLiteral("Tìm đến bản ghi theo điều kiện tuỳ ý"));
    cmdclose = NamedButton(this, "cmdclose", QStringLiteral("&Kết thúc"));
    const QList<QPushButton*> buttons = {cmdAdd, Cmdsua, cmdUpdate, cmdDelete, cmdbang, cmdGrid, Cmdtracuu, cmdclose};

    auto* fields = new QGridLayout;
    int row = 0;
    auto add = [&](const QString& caption, QWidget* box, int column = 0, int span = 1) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(box);
        fields->addWidget(label, row, column);
        fields->addWidget(box, row, column + 1, 1, span);
    };
    add(QStringLiteral("Mã số "), txtFields);
    ++row;
    add(QStringLiteral("Ngày"), mngay);
    add(QStringLiteral("Thứ"), mthu, 2);
    ++row;
    add(QStringLiteral("Giờ"), mgio);
    ++row;
    add(QStringLiteral("Tên hoặc tóm tắt nội dung công việc"), mndung, 0, 3);
    ++row;
    add(QStringLiteral("Người chủ trì"), mchutri);
    add(QStringLiteral("Người chuẩn bị"), mchuanbi, 2);
    ++row;
    add(QStringLiteral("Địa điểm"), mdiadiem, 0, 3);
    ++row;
    add(QStringLiteral("Thành phần"), mthanhphan, 0, 3);
    ++row;
    add(QStringLiteral("Ghi chú"), mghichu, 0, 3);
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(3, 1);

    auto* position = new QHBoxLayout;
    position->addStretch();
    position->addWidget(new QLabel(QStringLiteral("Vị trí hiện tại :"), this));
    position->addWidget(mrecnum);
    auto* buttonRow = new QHBoxLayout;
    for (QPushButton* b : buttons) buttonRow->addWidget(b);
    auto* help = new QGroupBox(QStringLiteral("  Hướng dẫn  "), this);
    help->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    (new QVBoxLayout(help))->addWidget(lblhuongdan);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbltrangthai);
    layout->addLayout(fields);
    layout->addStretch();
    layout->addLayout(position);
    layout->addLayout(buttonRow);
    layout->addWidget(help);

    QList<QWidget*> order = entry_->texts;
    for (QPushButton* b : buttons) {
        order.append(b);
        b->installEventFilter(this);  // the window's keys work with the focus on a button too
    }
    order.append(mrecnum);
    for (qsizetype k = 1; k < order.size(); ++k) setTabOrder(order[k - 1], order[k]);
    PressButtonsWithEnter(this);

    connect(cmdAdd, &QPushButton::clicked, this, &frmlich::StartNew);
    connect(Cmdsua, &QPushButton::clicked, this, &frmlich::Correct);
    connect(cmdUpdate, &QPushButton::clicked, this, [this] { Save(); });
    connect(cmdDelete, &QPushButton::clicked, this, &frmlich::Delete);
    connect(cmdbang, &QPushButton::clicked, this, &frmlich::ShowGrid);
    connect(cmdGrid, &QPushButton::clicked, this, &frmlich::ShowWeek);
    connect(Cmdtracuu, &QPushButton::clicked, this, &frmlich::GoToSearch);
    connect(cmdclose, &QPushButton::clicked, this, &frmlich::CloseRegister);
    connect(Data1, &DataSource::Reposition, this, [this] {
        showPosition();
        if (!editing()) showMode();
    });
    connect(Data1, &DataSource::Error, this, [this](int number, const QString& description) {
        app_.RecordFailure(number, description);
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
        app_.modal().systemMessage(windowTitle(), QStringLiteral("Lỗi dữ liệu : ") + description);
    });
    resize(780, 520);
}

frmlich::~frmlich() = default;

frmlich* frmlich::Open(App& app)
{
    frmlich* form = Find(app);
    if (form && form->editing()) {  // an entry being typed stays as the clerk left it
        App::Present(form);
        return form;
    }
    if (!form) form = app.Owner().Get<frmlich>(QStringLiteral("frmlich"));
    form->mode_ = app.FormMode = kView;
    // The working year's calendar (the year may have changed since the register was last open).
    form->Data1->Database = app.PlanDb.get();
    form->Data1->RecordSource = app.CalendarTable;
    form->Data1->Refresh();
    if (form->Data1->Count() > 0) form->Data1->MoveLast();
    form->showMode();
    form->show();
    form->raise();
    form->mngay->setFocus();
    return form;
}

frmlich* frmlich::Find(App& app) { return app.Owner().Find<frmlich>(QStringLiteral("frmlich")); }

// ---- Modes ---------------------------------------------------------------------------------

bool frmlich::editing() const { return mode_ == kAdd || mode_ == kEdit; }

void frmlich::setMode(const QString& mode)
{
    mode_ = mode;
    app_.FormMode = mode;
    showMode();
}

void frmlich::showMode()
{
    const QString mode = editing() ? mode_ : kView;
    const bool viewing = mode == kView;
    cmdAdd->setText(mode == kAdd ? QStringLiteral("&Huỷ nạp") : QStringLiteral("&Nạp mới"));
    Cmdsua->setText(mode == kEdit ? QStringLiteral("&Huỷ sửa") : QStringLiteral("&Sửa"));
    cmdAdd->setEnabled(mode != kEdit);
    lbltrangthai->setText(viewing ? QStringLiteral("Xem lịch làm việc hàng tuần")
                                  : mode == kAdd ? QStringLiteral("Nạp lịch tuần") : QStringLiteral("sửa nội dung lịch làm việc"));
    ShowStatusColours(lbltrangthai, !viewing);
    if (viewing) {
        // Correcting and deleting follow the entry shown and the user's rights.
        const bool allowed = entry_->MayChangeCurrent();
        Cmdsua->setEnabled(allowed);
        cmdDelete->setEnabled(allowed);
    } else {
        Cmdsua->setEnabled(mode == kEdit);
        cmdDelete->setEnabled(false);
    }
    for (QWidget* w : entry_->texts) static_cast<QLineEdit*>(w)->setReadOnly(viewing);
    for (QPushButton* b : {cmdbang, cmdGrid, Cmdtracuu, cmdclose}) b->setEnabled(viewing);
    cmdUpdate->setEnabled(!viewing);
    mrecnum->setReadOnly(!viewing);
}

void frmlich::returnToViewing()
{
    setMode(kView);
    Data1->UpdateControls();
    showPosition();
    showMode();
    mngay->setFocus();
}

void frmlich::showPosition() { ShowPosition(mrecnum, *Data1); }

void frmlich::jumpToPosition()
{
    JumpToPosition(mrecnum, *Data1);
    mngay->setFocus();
}

// ---- Buttons -------------------------------------------------------------------------------

void frmlich::StartNew()
{
    if (mode_ == kAdd) {  // "Huỷ nạp"
        Data1->CancelAdd();
        returnToViewing();
        return;
    }
    if (mode_ == kEdit) return;
    // The last entry comes from the rows in the file now, other clerks' new entries among them.
    Data1->Requery();
    const bool hasLast = Data1->Count() > 0;
    if (hasLast) Data1->MoveLast();
    entry_->TakeCarryOver(hasLast);
    if (!Data1->AddNew()) return;
    mngay->setText(app_.Today().toString(QStringLiteral("dd/MM/yyyy")));  // the weekday follows when the box is left
    setMode(kAdd);
    mngay->setFocus();
}

void frmlich::Correct()
{
    if (Data1->Count() == 0) return;
    if (mode_ == kEdit) {  // "Huỷ sửa": the entry as the file holds it
        Data1->ClearChanged();
        mode_ = app_.FormMode = kView;
        Data1->Requery();
        returnToViewing();
        return;
    }
    if (editing()) {
        mngay->setFocus();
        return;
    }
    // Another clerk may have saved this entry since it was read: the rights follow the file. An
    // entry deleted meanwhile is not corrected.
    const qlonglong shown = entry_->CurrentId();
    Data1->Requery();
    showMode();
    if (!Cmdsua->isEnabled() || entry_->CurrentId() != shown) {
        mngay->setFocus();
        return;
    }
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

bool frmlich::Save()
{
    if (!editing()) return true;
    // A button pressed with its Alt key leaves the focus in its box: what leaving it does comes
    // first, and the date is checked again.
    if (QWidget* focused = QApplication::focusWidget(); focused && focused->window() == this && !fieldLeft(focused)) return false;
    if (!entry_->Changed()) {
        if (Data1->IsNew()) Data1->CancelAdd();
        returnToViewing();
        return true;
    }
    if (!entry_->RequiredFilled() || !entry_->CheckDate()) return false;
    if (!entry_->Write(app_.CalendarTable)) return false;  // still adding or correcting
    returnToViewing();
    return true;
}

void frmlich::Delete()
{
    if (editing()) {
        app_.Message(QStringLiteral("Bạn phải nạp hoặc sửa xong mới xoá được !"));
        mngay->setFocus();
        return;
    }
    const long p = Data1->Position(), n = Data1->Count();
    if (n == 0 || p < 0 || p >= n || !entry_->MayChangeCurrent()) {
        mngay->setFocus();
        return;
    }
    // An entry is deleted only on an explicit "yes": a slip of Alt+X loses nothing.
    if (app_.Message(QStringLiteral("Có thực sự muốn xoá bản ghi này không ?"), QStringLiteral("yesno")) == QLatin1String("yes"))
        entry_->DeleteCurrent(app_.CalendarTable);
    mngay->setFocus();
}

void frmlich::GoToSearch()
{
    if (editing()) {
        app_.Message(QStringLiteral("Cần bấm nút Ghi Đĩa hoặc ESC để kết thúc việc nạp sửa trước !"));
        mngay->setFocus();
        return;
    }
    app_.CurrentDocId = entry_->CurrentId();
    mngay->setFocus();
    openInstead(QStringLiteral("frmtracuulich"), kView);
}

void frmlich::ShowGrid()
{
    if (editing()) return;
    app_.CurrentDocId = entry_->CurrentId();
    mode_ = app_.FormMode = kView;
    hide();
    try {
        frmGridlich::Instance(app_)->ShowYear(app_.CurrentDocId);
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
        app_.Message(QStringLiteral("Gặp lỗi khi đang mở cửa sổ.") + QLatin1Char('\r') + e.description());
        ComeBack(0);
    }
}

void frmlich::ShowWeek()
{
    if (editing()) return;
    if (mngay->text().trimmed().isEmpty()) {
        app_.Message(QStringLiteral("Công việc này chưa nạp ngày nên không chuyển sang bảng lịch tuần được"));
        mngay->setFocus();
        return;
    }
    // Read day first, as the clerks type it ("01/3/2004" is 1 March).
    const QDate day = QDate::fromString(NormalDate(mngay->text()), QStringLiteral("yyyyMMdd"));
    if (!day.isValid()) return;
    mode_ = app_.FormMode = kView;
    hide();
    try {
        frmlichtuan::Instance(app_)->ShowWeek(day);
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
        ComeBack(0);  // the week could not be read: the register comes back as it was
    }
}

// Hands over to another window, which brings the register back when it closes.
void frmlich::openInstead(const QString& opener, const QString& mode)
{
    app_.FormMode = mode;
    hide();
    const auto it = app_.Openers.find(opener);
    try {
        if (it != app_.Openers.end()) it->second(app_);
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
        app_.Message(QStringLiteral("Gặp lỗi khi đang mở cửa sổ.") + QLatin1Char('\r') + e.description());
        ComeBack(0);
    }
}

void frmlich::ComeBack(qlonglong id)
{
    mode_ = app_.FormMode = kView;
    Data1->Requery();
    if (id > 0) Data1->FindBookmark(id);
    showMode();
    show();
    raise();
    mngay->setFocus();
}

void frmlich::CloseRegister()
{
    if (editing()) return;  // "Kết thúc" is not offered while adding or correcting
    mngay->setFocus();
    closing_ = true;
    close();
    closing_ = false;
}

bool frmlich::ReleaseData()
{
    if (!editing()) return true;
    const QString answer = KeepTypingQuestion(app_, *Data1);
    if (answer == QLatin1String("yes")) return Save();
    if (answer != QLatin1String("no")) return false;  // no answer: the entry stays open as it is
    if (Data1->IsNew()) Data1->CancelAdd();
    Data1->ClearChanged();
    returnToViewing();
    return true;
}

void frmlich::closeEvent(QCloseEvent* event)
{
    // Closed by its frame while an entry is being typed: nothing typed is dropped unasked.
    if (!closing_ && !ReleaseData()) {
        event->ignore();
        return;
    }
    // Hidden, not closed: it keeps its place for the next opening.
    mode_.clear();
    app_.FormMode.clear();
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    if (main_) main_->show();
    event->accept();
}

// ---- Keys and fields -----------------------------------------------------------------------

bool frmlich::fieldLeft(QWidget* field)
{
    if (!editing() || entry_->Checking()) return true;
    return entry_->FieldLeft(field);
}

bool frmlich::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        const int code = KeyCodeOf(key);
        if (widget == mrecnum) {
            if (code == KeyEnter && !mrecnum->isReadOnly()) {
                jumpToPosition();
                return true;
            }
            break;
        }
        if (code == KeyPageUp || code == KeyPageDown) {
            if (editing()) break;
            const long p = Data1->Position(), n = Data1->Count();
            if (code == KeyPageUp && p > 0 && p < n) Data1->MovePrevious();
            if (code == KeyPageDown && p >= 0 && p + 1 < n) Data1->MoveNext();
            break;
        }
        if (code == KeyEscape && editing()) {
            // Esc ends the adding or correcting: the save question, and no answer keeps it open.
            const QString answer = KeepTypingQuestion(app_, *Data1);
            if (answer == QLatin1String("yes")) Save();
            else if (answer == QLatin1String("no")) (mode_ == kAdd ? StartNew() : Correct());
            break;
        }
        if (code == KeyF1 + 6) {  // F7: what a refused save held back goes into the boxes again
            if (editing()) Data1->RestoreTyped();
            break;
        }
        if (editing()) entry_->KeyReleased(widget, code, key->modifiers() & Qt::ShiftModifier);
        break;
    }
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_Escape) return true;
        break;
    }
    case QEvent::FocusIn:
        if (widget == mrecnum) QTimer::singleShot(0, mrecnum, &QLineEdit::selectAll);
        else entry_->FieldEntered(widget);
        break;
    case QEvent::FocusOut:
        if (widget != mrecnum) fieldLeft(widget);
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace korvane
