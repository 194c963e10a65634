#include "frmcongviec.h"

#include "app.h"
#include "dates.h"
#include "frmtxt.h"
#include "planfields.h"
#include "jetsql.h"
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
#include <QRegularExpression>
#include <QTimer>
#include <QVBoxLayout>

namespace korvane {

namespace {

const QString kView = QStringLiteral("xemkehoach");
const QString kAdd = QStringLiteral("napkehoach");
const QString kEdit = QStringLiteral("suakehoach");

}  // namespace

frmcongviec::frmcongviec(App& app, QWidget* mainWindow) : QWidget(nullptr), app_(app), main_(mainWindow)
{
    setObjectName(QStringLiteral("frmcongviec"));
    setWindowTitle(QStringLiteral("Chương trình, kế hoạch công tác"));
    setAttribute(Qt::WA_DeleteOnClose);
    Data1 = new DataSource(this);

    plan_ = std::make_unique<PlanFields>(app, this, Data1,
                                         PlanFields::Names{"txtban", "txtphong", "txtchidao", "txtykien", "chkkhan", "chkketthuc",
                                                           QStringLiteral("Là công việc khẩn"), QStringLiteral("Là công việc đã hoàn thành")});
    PlanFields& f = *plan_;
    txtid = f.id;
    txtban = f.unit;
    txtphong = f.department;
    txtndungtt = f.summary;
    txtndungct = f.detail;
    txtloai = f.type;
    Txttgianbdau = f.start;
    txttgianbdauchuan = f.startNormal;
    Txttgiankthuc = f.end;
    txttgiankthucchuan = f.endNormal;
    txtchidao = f.director;
    txtykien = f.direction;
    txtcanbo = f.officers;
    txtketqua = f.result;
    chkkhan = f.urgent;
    chkketthuc = f.finished;
    mngaycapnhat = f.savedOn;
    mngaycapnhatchuan = f.savedOnNormal;
    mnguoicapnhat = f.savedBy;
    DBCombodonvi = f.unitList;
    DBCombophong = f.departmentList;
    DBComboloai = f.typeList;
    // The ids of the unit and department picked from their lists, which only the register keeps.
    for (auto [box, column] : {std::pair{&txtiddonvi, "iddonvi"}, std::pair{&txtidbophan, "idbophan"}}) {
        *box = new BoundLineEdit(QLatin1String(column), this);
        (*box)->setObjectName(column == QLatin1String("iddonvi") ? QStringLiteral("txtiddonvi") : QStringLiteral("txtidbophan"));
        (*box)->hide();
        Data1->Bind(*box);
    }

    lbltrangthai = NewStatusCaption(this);
    mrecnum = NewPositionBox(this);
    lblhuongdan = new QLabel(QStringLiteral("Hướng dẫn : F4 : xoá cả ô    F5: tự điền ngày    F6 : Sao chép nội dung trang trước   "
                                            "PgUp, Pgdn : chuyển trang "),
                             this);
    lblhuongdan->setObjectName(QStringLiteral("lblhuongdan"));
    lblhuongdan->setWordWrap(true);
    ShowTypedBackHint(lblhuongdan, Data1);

    cmdAdd = NamedButton(this, "cmdAdd", QStringLiteral("&Nạp mới"));
    Cmdsua = NamedButton(this, "Cmdsua", QStringLiteral("&Sửa"));
    cmdUpdate = NamedButton(this, "cmdUpdate", QStringLiteral("&Ghi đĩa"));
    cmdDelete = NamedButton(this, "cmdDelete", QStringLiteral("&Xoá"));
    cmdGrid = NamedButton(this, "cmdGrid", QStringLiteral("&Bảng"));
    Cmdtracuu = NamedButton(this, "Cmdtracuu", QStringLiteral("&Tìm đến..."));
    cmdxemct = NamedButton(this, "cmdxemct", QStringLiteral("Phóng to"));
    cmdclose = NamedButton(this, "cmdclose", QStringLiteral("&Kết thúc"));
    const QList<QPushButton*> buttons = {cmdAdd, Cmdsua, cmdUpdate, cmdDelete, cmdGrid, Cmdtracuu, cmdxemct, cmdclose};

    // ---- Layout: label and box rows, a pick list's arrow beside the box it fills.
    auto* fields = new QGridLayout;
    int row = 0;
    auto add = [&](const QString& caption, QWidget* box, DBCombo* list = nullptr, int column = 0) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(box);
        fields->addWidget(label, row, column);
        if (list) {
            auto* pair = new QHBoxLayout;
            pair->setSpacing(0);
            pair->addWidget(box);
            pair->addWidget(list);
            fields->addLayout(pair, row, column + 1);
        } else {
            fields->addWidget(box, row, column + 1);
        }
    };
    add(QStringLiteral("Mã số công việc"), txtid);
    add(QStringLiteral("Loại công việc"), txtloai, DBComboloai, 2);
    ++row;
    add(QStringLiteral("Ban, đơn vị"), txtban, DBCombodonvi);
    add(QStringLiteral("Phòng, bộ phận"), txtphong, DBCombophong, 2);
    ++row;
    auto wide = [&](const QString& caption, QWidget* box) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(box);
        fields->addWidget(label, row, 0);
        fields->addWidget(box, row, 1, 1, 3);
        ++row;
    };
    wide(QStringLiteral("Tên hoặc tóm tắt nội dung công việc"), txtndungtt);
    wide(QStringLiteral("Nội dung chi tiết"), txtndungct);
    add(QStringLiteral("Thời gian bắt đầu"), Txttgianbdau);
    add(QStringLiteral("Thời gian kết thúc"), Txttgiankthuc, nullptr, 2);
    ++row;
    add(QStringLiteral("Người chỉ đạo"), txtchidao);
    add(QStringLiteral("T.tắt ý kiến chỉ đạo"), txtykien, nullptr, 2);
    ++row;
    wide(QStringLiteral("Cán bộ thực hiện"), txtcanbo);
    wide(QStringLiteral("Kết quả thực hiện"), txtketqua);
    fields->addWidget(chkkhan, row, 1);
    fields->addWidget(chkketthuc, row, 3);
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(3, 1);

    auto* position = new QHBoxLayout;
    position->addStretch();
    position->addWidget(new QLabel(QStringLiteral("Vị trí hiện tại :"), this));
    position->addWidget(mrecnum);
    auto* buttonRow = new QHBoxLayout;
    for (QPushButton* b : buttons) buttonRow->addWidget(b);
    auto* help = new QGroupBox(this);
    help->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    (new QVBoxLayout(help))->addWidget(lblhuongdan);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbltrangthai);
    layout->addLayout(fields);
    layout->addLayout(position);
    layout->addLayout(buttonRow);
    layout->addWidget(help);

    QList<QWidget*> order = {txtban, txtphong, txtloai, txtndungtt, txtndungct, Txttgianbdau, Txttgiankthuc,
                             txtchidao, txtykien, txtcanbo, txtketqua, chkkhan, chkketthuc};
    for (QPushButton* b : buttons) {
        order.append(b);
        b->installEventFilter(this);  // the window's keys work with the focus on a button too
    }
    order.append(mrecnum);
    for (qsizetype k = 1; k < order.size(); ++k) setTabOrder(order[k - 1], order[k]);
    PressButtonsWithEnter(this);

    connect(cmdAdd, &QPushButton::clicked, this, &frmcongviec::StartNew);
    connect(Cmdsua, &QPushButton::clicked, this, &frmcongviec::Correct);
    connect(cmdUpdate, &QPushButton::clicked, this, [this] { Save(); });
    connect(cmdDelete, &QPushButton::clicked, this, &frmcongviec::Delete);
    connect(cmdGrid, &QPushButton::clicked, this, &frmcongviec::ShowList);
    connect(Cmdtracuu, &QPushButton::clicked, this, &frmcongviec::GoToSearch);
    connect(cmdxemct, &QPushButton::clicked, this, &frmcongviec::Zoom);
    connect(cmdclose, &QPushButton::clicked, this, &frmcongviec::CloseRegister);
    connect(Data1, &DataSource::Reposition, this, [this] {
        showPosition();
        if (mode_ == kView) applyRights();
    });
    connect(Data1, &DataSource::Error, this, [this](int number, const QString& description) {
        app_.RecordFailure(number, description);
        dataError(description);
    });
    // A choice in the list part of a pick list fills its boxes, while adding or correcting only.
    connect(DBCombodonvi, &DBCombo::ListClicked, this, [this](const QString& name) {
        if (!editing()) return;
        txtban->setText(name);
        txtiddonvi->setText(DBCombodonvi->currentData().toString());
        txtndungtt->setFocus();
    });
    connect(DBCombophong, &DBCombo::ListClicked, this, [this](const QString& name) {
        if (!editing()) return;
        txtphong->setText(name);
        txtidbophan->setText(DBCombophong->currentData().toString());
        txtndungtt->setFocus();
    });
    connect(DBComboloai, &DBCombo::ListClicked, this, [this](const QString& type) {
        if (!editing()) return;
        txtloai->setText(type);
        txtndungtt->setFocus();
    });
    resize(820, 620);
}

frmcongviec::~frmcongviec() = default;

frmcongviec* frmcongviec::Open(App& app)
{
    if (frmcongviec* open = Find(app)) {  // one register at a time
        open->ShowAgain();
        return open;
    }
    app.FormMode = kView;
    auto* form = app.Owner().Get<frmcongviec>(QStringLiteral("frmcongviec"));
    form->mode_ = kView;
    form->Data1->Database = app.PlanDb.get();
    form->Data1->RecordSource = app.PlanTable;
    form->Data1->Refresh();
    if (form->Data1->Count() > 0) form->Data1->MoveLast();
    form->plan_->OpenLists(app.PlanTable);
    form->showMode();
    form->show();
    form->txtndungtt->setFocus();
    return form;
}

frmcongviec* frmcongviec::Find(App& app) { return app.Owner().Find<frmcongviec>(QStringLiteral("frmcongviec")); }

void frmcongviec::dataError(const QString& description)
{
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    app_.modal().systemMessage(windowTitle(), QStringLiteral("Data error event hit err:") + description);
}

// ---- Modes ---------------------------------------------------------------------------------

bool frmcongviec::editing() const { return mode_ == kAdd || mode_ == kEdit; }

void frmcongviec::setMode(const QString& mode)
{
    mode_ = mode;
    app_.FormMode = mode;
    showMode();
}

void frmcongviec::showMode()
{
    const QString mode = editing() ? mode_ : kView;
    const bool viewing = mode == kView;
    if (viewing) {
        cmdAdd->setText(QStringLiteral("&Nạp mới"));
        Cmdsua->setText(QStringLiteral("&Sửa"));
        cmdAdd->setEnabled(true);
        lbltrangthai->setText(QStringLiteral("Xem công việc"));
        ShowStatusColours(lbltrangthai, false);
        applyRights();
    } else {
        cmdDelete->setEnabled(false);
        Cmdsua->setEnabled(mode == kEdit);
        cmdAdd->setEnabled(mode == kAdd);
        cmdAdd->setText(mode == kAdd ? QStringLiteral("&Huỷ nạp") : QStringLiteral("&Nạp mới"));
        Cmdsua->setText(mode == kEdit ? QStringLiteral("&Huỷ sửa") : QStringLiteral("&Sửa"));
        lbltrangthai->setText(mode == kAdd ? QStringLiteral("Nạp công việc") : QStringLiteral("sửa nội dung công việc"));
        ShowStatusColours(lbltrangthai, true);
    }
    // Every field of the plan is locked while viewing: what is typed there would otherwise be
    // written by the next move, past the rights and the save's checks.
    for (QWidget* w : plan_->texts) dynamic_cast<BoundField*>(w)->setLocked(viewing);
    chkkhan->setLocked(viewing);
    chkketthuc->setLocked(viewing);
    for (QPushButton* b : {cmdGrid, Cmdtracuu, cmdclose}) b->setEnabled(viewing);
    cmdUpdate->setEnabled(!viewing);
    cmdxemct->setEnabled(true);
    mrecnum->setReadOnly(!viewing);
}

void frmcongviec::applyRights()
{
    const bool allowed = plan_->MayChangeCurrent();
    Cmdsua->setEnabled(allowed);
    cmdDelete->setEnabled(allowed);
}

void frmcongviec::returnToViewing()
{
    setMode(kView);
    Data1->UpdateControls();
    showPosition();
    applyRights();
    txtndungtt->setFocus();
}

void frmcongviec::showPosition() { ShowPosition(mrecnum, *Data1); }

void frmcongviec::jumpToPosition()
{
    JumpToPosition(mrecnum, *Data1);
    txtndungtt->setFocus();
}

void frmcongviec::takeCarryOver()
{
    for (const QString& c : PlanFields::TextColumns()) carry_[c] = Data1->Value(c).toString();
}

// ---- Buttons -------------------------------------------------------------------------------

void frmcongviec::StartNew()
{
    if (mode_ == kAdd) {  // "Huỷ nạp": the new plan is given up
        Data1->CancelAdd();
        returnToViewing();
        return;
    }
    if (mode_ == kEdit) return;
    carry_.clear();
    // The last plan comes from the rows in the file now, other clerks' new plans among them.
    Data1->Requery();
    if (Data1->Count() > 0) {
        Data1->MoveLast();
        takeCarryOver();
    } else {
        for (const QString& c : PlanFields::TextColumns()) carry_[c].clear();
    }
    if (!Data1->AddNew()) return;
    txtban->setText(carry_[QStringLiteral("Tendonvi")]);
    txtphong->setText(carry_[QStringLiteral("bophan")]);
    txtloai->setText(carry_[QStringLiteral("loai")]);
    setMode(kAdd);
    txtndungtt->setFocus();
}

void frmcongviec::Correct()
{
    if (Data1->Count() == 0) return;
    if (mode_ == kEdit) {  // "Huỷ sửa": the plan as it is in the file
        Data1->ClearChanged();
        mode_ = app_.FormMode = kView;
        Data1->Requery();
        returnToViewing();
        return;
    }
    if (mode_ != kView && !mode_.isEmpty()) {
        txtndungtt->setFocus();
        return;
    }
    // Another clerk may have saved this plan since it was read: the rights follow the file. A
    // plan deleted meanwhile is not corrected (the register shows what the file holds now).
    const qlonglong shown = plan_->CurrentId();
    Data1->Requery();
    applyRights();
    if (!Cmdsua->isEnabled() || plan_->CurrentId() != shown) {
        txtndungtt->setFocus();
        return;
    }
    const long p = Data1->Position();
    if (p > 0 && p < Data1->Count()) {
        Data1->MovePrevious();
        takeCarryOver();
        Data1->MoveNext();
    } else {
        takeCarryOver();
    }
    setMode(kEdit);
    txtndungtt->setFocus();
}

bool frmcongviec::Save()
{
    if (!editing()) return true;
    // A button pressed with its Alt key leaves the focus in its box: the checks made on leaving
    // it run now, and both dates are checked again, the start may have changed after the end.
    if (QWidget* focused = QApplication::focusWidget(); focused && focused->window() == this && !fieldLeft(focused)) return false;
    if (!plan_->Changed()) {
        if (Data1->IsNew()) Data1->CancelAdd();
        returnToViewing();
        return true;
    }
    if (!plan_->RequiredFilled() || !plan_->CheckStart() || !plan_->CheckEnd()) return false;
    if (!plan_->Write(app_.PlanTable)) return false;  // still adding or correcting
    plan_->ReadTypes(app_.PlanTable);
    returnToViewing();
    return true;
}

void frmcongviec::Delete()
{
    if (mode_ == kAdd) {
        app_.Message(QStringLiteral("Bạn phải nạp xong mới xoá được !"));
        txtndungtt->setFocus();
        return;
    }
    if (editing()) return;
    const long p = Data1->Position(), n = Data1->Count();
    if (n == 0 || p < 0 || p >= n) {
        txtndungtt->setFocus();
        return;
    }
    // Only an explicit "yes" deletes; "no", Esc and the dialog's frame keep the plan.
    if (app_.Message(QStringLiteral("Có thực sự muốn xoá bản ghi này không ?"), QStringLiteral("yesno")) == QLatin1String("yes"))
        plan_->DeleteCurrent(app_.PlanTable);
    txtndungtt->setFocus();
}

void frmcongviec::GoToSearch()
{
    if (mode_ == kAdd) {
        app_.Message(QStringLiteral("Bạn phải nạp xong mới có thể tìm kiếm được !"));
        txtban->setFocus();
        return;
    }
    if (editing()) return;
    app_.CurrentDocId = plan_->CurrentId();
    openInstead(QStringLiteral("frmtracuukh"), QStringLiteral("timkiemkehoach"));
}

void frmcongviec::ShowList()
{
    if (editing()) return;
    Data1->Requery();
    openInstead(QStringLiteral("frmgridcongviec"), QStringLiteral("xembangkehoach"));
}

// Hands over to the search or the list, which bring the register back when they close.
void frmcongviec::openInstead(const QString& opener, const QString& mode)
{
    app_.FormMode = mode;
    hide();
    const auto it = app_.Openers.find(opener);
    try {
        if (it != app_.Openers.end()) it->second(app_);
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
        app_.Message(QStringLiteral("Gặp lỗi khi đang mở cửa sổ.") + QLatin1Char('\r') + e.description());
        ShowAgain();
    }
}

void frmcongviec::Zoom()
{
    // While viewing the enlarged text can only be read: a change would bypass the save.
    auto* zoom = app_.Owner().Get<frmtxt>(QStringLiteral("frmtxt"));
    zoom->Edit(txtndungct->toPlainText(), editing() && !txtndungct->isReadOnly(), [this](const QString* changed) {
        if (changed) txtndungct->setPlainText(*changed);
        show();
        txtndungct->setFocus();
    });
    hide();
    zoom->show();
    zoom->Text1->setFocus();
}

void frmcongviec::ComeBack(qlonglong id)
{
    mode_ = app_.FormMode = kView;
    Data1->Requery();
    if (Data1->Count() > 0) {
        Data1->MoveLast();
        Data1->MoveFirst();
        if (id > 0) Data1->FindBookmark(id);
    }
    ShowAgain();
}

void frmcongviec::ShowAgain()
{
    if (editing()) {  // a plan being typed stays as the clerk left it
        App::Present(this);
        return;
    }
    mode_ = app_.FormMode = kView;
    showMode();
    App::Present(this);
    txtndungtt->setFocus();
}

void frmcongviec::CloseRegister()
{
    if (editing()) return;  // "Kết thúc" is not offered while adding or correcting
    closing_ = true;
    close();
}

bool frmcongviec::ReleaseData()
{
    if (!editing()) return true;
    const QString answer = KeepTypingQuestion(app_, *Data1);
    if (answer == QLatin1String("yes")) return Save();
    if (answer != QLatin1String("no")) return false;  // no answer: the plan stays open as it is
    if (Data1->IsNew()) Data1->CancelAdd();
    Data1->ClearChanged();
    return true;
}

void frmcongviec::closeEvent(QCloseEvent* event)
{
    // Closed by its frame while a plan is being typed: nothing typed is dropped unasked.
    if (!closing_ && !ReleaseData()) {
        event->ignore();
        return;
    }
    closing_ = true;
    mode_.clear();
    app_.FormMode.clear();
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    if (main_) main_->show();
    event->accept();
}

// ---- Keys and fields -----------------------------------------------------------------------

bool frmcongviec::fieldLeft(QWidget* field)
{
    if (closing_ || plan_->Checking()) return true;
    if (field == Txttgianbdau) return plan_->CheckStart();
    if (field == Txttgiankthuc) return plan_->CheckEnd();
    if (!editing()) return true;
    if (field == txtcanbo || field == txtchidao || field == txtketqua || field == txtndungct || field == txtndungtt || field == txtykien)
        plan_->KeyReleased(field, KeyLeave);  // their expansion runs once more as they are left
    return true;
}

void frmcongviec::keyReleased(QWidget* field, QKeyEvent* event)
{
    const int code = KeyCodeOf(event);
    if (code == KeyPageUp || code == KeyPageDown) {
        if (editing()) return;
        const long p = Data1->Position(), n = Data1->Count();
        if (code == KeyPageUp && p > 0 && p < n) Data1->MovePrevious();
        if (code == KeyPageDown && p >= 0 && p + 1 < n) Data1->MoveNext();
        return;
    }
    if (!editing()) return;  // no key changes a plan that is only viewed
    if (code == KeyF1 + 6) {  // F7: what a refused save held back goes into the boxes again
        Data1->RestoreTyped();
        return;
    }
    if (code == KeyF1 + 5) {  // F6: the carry-over value of the field
        if (!plan_->texts.contains(field)) return;
        const QString value = carry_[dynamic_cast<BoundField*>(field)->DataField];
        if (auto* box = qobject_cast<QLineEdit*>(field)) box->setText(value);
        else if (auto* t = qobject_cast<QPlainTextEdit*>(field)) t->setPlainText(value);
        return;
    }
    plan_->KeyReleased(field, code);
}

bool frmcongviec::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::KeyRelease:
        if (widget == mrecnum) {
            if (KeyCodeOf(static_cast<QKeyEvent*>(event)) == KeyEnter && !mrecnum->isReadOnly()) {
                jumpToPosition();
                return true;
            }
            break;
        }
        keyReleased(widget, static_cast<QKeyEvent*>(event));
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_PageUp || key == Qt::Key_PageDown) return true;  // paging is the window's, not the box's
        if (key == Qt::Key_Escape && editing()) {
            // Esc ends the adding or correcting: the keep question; no answer keeps it open.
            const QString answer = KeepTypingQuestion(app_, *Data1);
            if (answer == QLatin1String("yes")) Save();
            else if (answer == QLatin1String("no")) (mode_ == kAdd ? StartNew() : Correct());
            return true;
        }
        // Alt+Down opens the pick list beside its box, for those who keep their hands on the keys.
        if (key == Qt::Key_Down && (static_cast<QKeyEvent*>(event)->modifiers() & Qt::AltModifier) && editing()) {
            DBCombo* list = widget == txtban ? DBCombodonvi : widget == txtphong ? DBCombophong : widget == txtloai ? DBComboloai : nullptr;
            if (list) {
                list->showPopup();
                return true;
            }
        }
        break;
    }
    case QEvent::FocusIn:
        if (widget == mrecnum) QTimer::singleShot(0, mrecnum, &QLineEdit::selectAll);
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
