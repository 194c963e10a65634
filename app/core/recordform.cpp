#include "recordform.h"

#include "abbreviation.h"
#include "app.h"
#include "dates.h"
#include "jetsql.h"
#include "keys.h"
#include "savedrows.h"
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

FieldGrid::FieldGrid(QWidget* owner) : layout(new QGridLayout), owner_(owner)
{
    layout->setColumnStretch(1, 1);
    layout->setColumnStretch(3, 1);
}

FieldGrid& FieldGrid::add(const QString& caption, QWidget* box, int column, int span)
{
    auto* label = new QLabel(caption, owner_);
    label->setBuddy(box);
    layout->addWidget(label, row, column);
    layout->addWidget(box, row, column + 1, 1, span);
    return *this;
}

FieldGrid& FieldGrid::add(const QString& caption, QWidget* buddy, QLayout* cell, int column, int span)
{
    auto* label = new QLabel(caption, owner_);
    label->setBuddy(buddy);
    layout->addWidget(label, row, column);
    layout->addLayout(cell, row, column + 1, 1, span);
    return *this;
}

FieldGrid& FieldGrid::next()
{
    ++row;
    return *this;
}

RecordForm::RecordForm(App& app, QWidget* mainWindow) : QWidget(nullptr), app_(app), main_(mainWindow)
{
    setAttribute(Qt::WA_DeleteOnClose);
    Data1 = new DataSource(this);
    lbltrangthai = NewStatusCaption(this);
    cmdAdd = button("cmdAdd", QStringLiteral("&Nạp mới"));
    Cmdsua = button("Cmdsua", QStringLiteral("&Sửa"));
    cmdUpdate = button("cmdUpdate", QStringLiteral("&Ghi đĩa"));
    Cmdtracuu = button("Cmdtracuu", QStringLiteral("&Tìm đến..."));
    cmdclose = button("cmdclose", QStringLiteral("&Kết thúc"));
    mrecnum = NewPositionBox(this);
    lblhuongdan = new QLabel(this);
    lblhuongdan->setObjectName(QStringLiteral("lblhuongdan"));
    lblhuongdan->setWordWrap(true);
    ShowTypedBackHint(lblhuongdan, Data1);
}

void RecordForm::savedRows(SavedRowFields* fields)
{
    rows_ = fields;
    for (QWidget* w : fields->texts) editable_.append(dynamic_cast<BoundField*>(w));
}

void RecordForm::numbered(QPushButton* newNumber)
{
    mstt = line("stt", 20);
    mkieuupdate = line("kieuupdate", 0);
    midcu = line("idcu", 0);
    for (QWidget* hidden : {static_cast<QWidget*>(mkieuupdate), static_cast<QWidget*>(midcu)}) hidden->hide();
    DBComboloai = new DBCombo(this);
    DBComboloai->setObjectName(QStringLiteral("DBComboloai"));
    DBComboloai->ListField = QStringLiteral("loai");
    DBComboloai->setFocusPolicy(Qt::ClickFocus);
    Cmdin = button("Cmdin", QStringLiteral("&In công văn"));
    newNumber_ = newNumber;
    viewingOnly_.append(Cmdin);
    positionCaption_ = QStringLiteral("Vị trí CV hiện tại :");
    helpTitle_ = QStringLiteral("  Hướng dẫn   ");
    lblhuongdan->setText(QStringLiteral("F4 : xoá cả ô      F5: Chọn theo danh sách    ") +
                         QStringLiteral("     F5 và Shift-F5 : tăng giảm ô ngày     F6 : Sao chép nội dung trang trước") +
                         QStringLiteral("     PgUp : Về trang trước      PgDn : đến trang sau") +
                         QStringLiteral("     Nạp số trực tiếp vào ô vị trí CV hiện tại "));
    searchRefused_.adding = searchRefused_.correcting = QStringLiteral("Bạn phải nạp, sửa xong mới có thể tìm kiếm được !");
}

RecordForm::~RecordForm() = default;

BoundLineEdit* RecordForm::line(const char* column, int limit)
{
    auto* box = new BoundLineEdit(QLatin1String(column), this);
    box->limit = limit;
    box->installEventFilter(this);
    Data1->Bind(box);
    return box;
}

BoundTextEdit* RecordForm::text(const char* column, int limit)
{
    auto* box = new BoundTextEdit(QLatin1String(column), this);
    box->limit = limit;
    box->installEventFilter(this);
    Data1->Bind(box);
    return box;
}

QPushButton* RecordForm::button(const char* name, const QString& caption) { return NamedButton(this, name, caption); }

DBGrid* RecordForm::pickGrid(const char* name) { return NamedPickGrid(this, name); }

void RecordForm::finishLayout(QLayout* fields, const QList<QPushButton*>& buttonRow, const QList<QWidget*>& tabOrder)
{
    buttons_ = buttonRow;
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : buttons_) buttons->addWidget(b);
    auto* position = new QHBoxLayout;
    position->addStretch();
    position->addWidget(new QLabel(positionCaption_, this));
    position->addWidget(mrecnum);
    auto* help = new QGroupBox(helpTitle_, this);
    help->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    (new QVBoxLayout(help))->addWidget(lblhuongdan);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbltrangthai);
    layout->addLayout(fields);
    layout->addLayout(position);
    layout->addLayout(buttons);
    layout->addWidget(help);

    // Entry order of the fields, then the buttons, then the position box.
    QList<QWidget*> order = tabOrder;
    order.append(QList<QWidget*>(buttons_.begin(), buttons_.end()));
    order.append(mrecnum);
    for (qsizetype k = 1; k < order.size(); ++k) setTabOrder(order[k - 1], order[k]);
    // The form's keys work wherever the focus is, on check boxes and buttons too.
    for (QWidget* w : tabOrder)
        if (!dynamic_cast<QLineEdit*>(w) && !dynamic_cast<QPlainTextEdit*>(w)) w->installEventFilter(this);
    for (QPushButton* b : buttons_) b->installEventFilter(this);
    PressButtonsWithEnter(this);

    connect(cmdAdd, &QPushButton::clicked, this, &RecordForm::StartNew);
    connect(Cmdsua, &QPushButton::clicked, this, &RecordForm::Correct);
    connect(cmdUpdate, &QPushButton::clicked, this, [this] { Save(); });
    if (newNumber_) connect(newNumber_, &QPushButton::clicked, this, [this] { setSttEditable(true, true); });
    if (cmdDelete) connect(cmdDelete, &QPushButton::clicked, this, &RecordForm::Delete);
    connect(Cmdtracuu, &QPushButton::clicked, this, &RecordForm::GoToSearch);
    if (Cmdin) connect(Cmdin, &QPushButton::clicked, this, &RecordForm::Print);
    connect(cmdclose, &QPushButton::clicked, this, &RecordForm::CloseRegister);
    connect(Data1, &DataSource::Validate, this, [this](bool& cancel) { cancel = !ValidateLeaving(); });
    connect(Data1, &DataSource::Reposition, this, [this] {
        showPosition();
        if (!editing()) showRights();
    });
    connect(Data1, &DataSource::Error, this, [this](int number, const QString& description) {
        app_.RecordFailure(number, description);
        dataError(description);
    });
    for (const Pick& p : picks_) {
        connect(p.grid, &DBGrid::RowDoubleClicked, this, [this, p](int r) { pick(p, r); });
        if (p.backToFieldOnHide)
            connect(p.grid, &DBGrid::LostFocus, this, [this, p] {
                if (!closing_) p.field->setFocus();
            });
    }
    if (DBComboloai)
        connect(DBComboloai, &DBCombo::ListClicked, this, [this](const QString& type) {
            if (editing()) typeChosen(type);
        });

    // At load: locked fields, viewing caption.
    lockFields(true);
    setSttEditable(false, false);
    app_.FormMode.clear();
    setMode(modes_.view);
}

void RecordForm::openRegister(engine::Database* db, const QString& table)
{
    closing_ = false;
    table_ = table;
    Data1->Database = db;
    Data1->RecordSource = table;
    Data1->Refresh();
    if (Data1->Count() > 0) Data1->MoveLast();
    openLists();
    setMode(modes_.view);
}

void RecordForm::present(bool wasOpen, engine::Database* db, const QString& table)
{
    if (wasOpen && !closing_) {
        ShowAgain();
        return;
    }
    app_.FormMode = modes_.view;
    openRegister(db, table);
    App::Present(this);
    homeField_->setFocus();
}

void RecordForm::openLists()
{
    if (mstt) openDocumentLists();
}

void RecordForm::openDocumentLists()
{
    try {
        senders_ = app_.DocRefDb->OpenRecordset(QStringLiteral("select * from noigui order by matt"), engine::RecordsetType::Snapshot);
        units_ = app_.PlanRefDb->OpenRecordset(QStringLiteral("select * from donvi order by matt"), engine::RecordsetType::Snapshot);
        types_ = app_.DocRefDb->OpenRecordset(QStringLiteral("select * from loaicv order by matt"), engine::RecordsetType::Snapshot);
        const QList<RecordsetModel::Column> columns = {{QStringLiteral("tendonvi"), QStringLiteral("Tên đơn vị")},
                                                       {QStringLiteral("chutat"), QStringLiteral("Chữ tắt")}};
        for (const Pick& p : picks_) p.grid->SetSource(p.units ? units_.get() : senders_.get(), columns);
        DBComboloai->Fill(*types_);
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
        dataError(e.description());
    }
}

void RecordForm::dataError(const QString& description)
{
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    app_.modal().systemMessage(windowTitle(), dataErrorText_ + description);
}

// ---- Modes ---------------------------------------------------------------------------------

bool RecordForm::editing() const { return mode_ == modes_.add || mode_ == modes_.edit; }

void RecordForm::lockFields(bool locked)
{
    for (BoundField* f : editable_) f->setLocked(locked);
}

void RecordForm::setSttEditable(bool editable, bool focus)
{
    if (!mstt) return;
    mstt->setReadOnly(!editable);
    // Tab reaches the number only once "Số mới" opened it; one open while adding takes a click.
    mstt->setFocusPolicy(!editable ? Qt::NoFocus : focus ? Qt::StrongFocus : Qt::ClickFocus);
    // A number typed over with "Số mới" shows white; one that is open while adding stays grey.
    const bool grey = !editable || (numberOpenWhileEditing_ && !focus);
    mstt->setStyleSheet(grey ? QStringLiteral("QLineEdit { background-color: rgb(192,192,192); }") : QString());
    if (editable && focus) mstt->setFocus();
}

void RecordForm::setMode(const QString& mode)
{
    const bool viewing = mode == modes_.view;
    mode_ = mode;
    app_.FormMode = mode;
    lbltrangthai->setText(viewing ? modes_.viewCaption : mode == modes_.add ? modes_.addCaption : modes_.editCaption);
    ShowStatusColours(lbltrangthai, !viewing);
    cmdAdd->setText(mode == modes_.add && rows_ ? QStringLiteral("&Huỷ nạp") : QStringLiteral("&Nạp mới"));
    Cmdsua->setText(mode != modes_.edit ? QStringLiteral("&Sửa") : rows_ ? QStringLiteral("&Huỷ sửa") : QStringLiteral("Huỷ sửa"));
    cmdAdd->setEnabled(mode != modes_.edit);
    cmdUpdate->setEnabled(!viewing);
    if (newNumber_) newNumber_->setEnabled(!viewing);
    Cmdtracuu->setEnabled(viewing);
    for (QPushButton* b : viewingOnly_) b->setEnabled(viewing);
    if (rows_) mrecnum->setReadOnly(!viewing);
    if (viewing) {
        showRights();
    } else {
        Cmdsua->setEnabled(mode == modes_.edit);
        if (cmdDelete) cmdDelete->setEnabled(false);
    }
}

// Correcting and deleting follow the row shown and the user's rights.
void RecordForm::showRights()
{
    const bool allowed = mayChangeCurrent();
    Cmdsua->setEnabled(allowed);
    if (cmdDelete) cmdDelete->setEnabled(allowed);
}

void RecordForm::returnToViewing()
{
    if (mode_ == modes_.view) return;
    lockFields(true);
    setSttEditable(false, false);
    setMode(modes_.view);
    // Reload the current record by stepping away and back.
    const long p = Data1->Position(), n = Data1->Count();
    if (p >= n || p < 1) {
        if (p + 1 < n && p >= 0) {
            Data1->MoveNext();
            Data1->MovePrevious();
        }
    } else {
        Data1->MovePrevious();
        Data1->MoveNext();
    }
    Data1->UpdateControls();
    showPosition();
    homeField_->setFocus();
}

bool RecordForm::changed() const { return rows_ ? rows_->Changed() : Data1->IsNew() || Data1->AnyChanged(changeColumns_); }

bool RecordForm::mayChangeCurrent() const { return !rows_ || rows_->MayChangeCurrent(); }

void RecordForm::deleteCurrent()
{
    if (rows_) rows_->DeleteCurrent(table_);
}

bool RecordForm::requiredFilled()
{
    if (rows_) return rows_->RequiredFilled();
    QStringList missing;
    for (const auto& [field, name] : required_)
        if (field->value().toString().trimmed().isEmpty()) missing.append(name);
    if (missing.isEmpty()) return true;
    app_.Message(QStringLiteral("Cần phải điền đủ nội dung các ô :") + QLatin1Char('\r') + missing.join(QStringLiteral(", ")));
    requiredFocus_->setFocus();
    return false;
}

// A button pressed with its Alt key leaves the focus where it was: what leaving that field does
// (its date check, its expansion, a number that depends on it) happens first.
bool RecordForm::settleFocusedField()
{
    QWidget* focused = QApplication::focusWidget();
    if (!focused || focused->window() != this) return true;
    return fieldLeft(focused);
}

bool RecordForm::checkDate(BoundLineEdit* box)
{
    QString text = box->text().trimmed();
    if (text.isEmpty()) return true;
    const QString date = CheckDateText(text, app_.Months, app_.Today().year());
    if (!date.isEmpty()) {
        if (box->text() != date) box->setText(date);
        for (const DateBox& d : dates_)
            if (d.box == box) d.normal->setText(NormalDate(date));
        return true;
    }
    checkingDate_ = true;
    app_.Message(dateMessage_);
    box->clear();
    box->setFocus();
    checkingDate_ = false;
    return false;
}

void RecordForm::setNormalDates()
{
    for (const DateBox& d : dates_) d.normal->setText(NormalDate(d.box->text()));
}

QList<QPair<QString, QVariant>> RecordForm::backupMarks(int mark) const
{
    return {{QStringLiteral("kieuupdate"), mark}, {QStringLiteral("idcu"), Data1->Value(QStringLiteral("id"))}};
}

std::function<void()> KeepingUncopiedMark(DataSource& source, const QString& table, qlonglong id, std::function<void()> then)
{
    return [&source, table, id, then = std::move(then)] {
        if (then) then();
        auto rs = source.Database->OpenRecordset(QStringLiteral("SELECT kieuupdate FROM %1 WHERE id = %2").arg(table).arg(id),
                                                 engine::RecordsetType::Snapshot);
        if (!rs->Eof() && rs->Field(QStringLiteral("kieuupdate")).toInt() == 1)
            source.Recordset()->SetBookkeeping(QStringLiteral("kieuupdate"), 1);
    };
}

// ---- Buttons -------------------------------------------------------------------------------

void RecordForm::StartNew()
{
    if (mode_ == modes_.add && rows_) {  // "Huỷ nạp": the new record is given up
        Data1->CancelAdd();
        returnToViewing();
        return;
    }
    if (mode_ == modes_.edit) {
        if (rows_ || !ValidateLeaving()) return;
    } else if (mode_ == modes_.add && changed()) {
        // Written as "Ghi đĩa" writes a new record, so that the backup finds it.
        if (!settleFocusedField() || !requiredFilled() || !readyToSave()) return;
        const bool proposed = mstt && !mstt->DataChanged;
        if (!write(true)) return;
        saved(true, proposed);
    }
    carry_.clear();
    // The last record comes from the rows in the file now, other clerks' new rows among them.
    Data1->Requery();
    const bool hasLast = Data1->Count() > 0;
    if (hasLast) {
        Data1->MoveLast();
        takeCarryOver();
    }
    rememberLast(hasLast);
    if (!Data1->AddNew()) return;
    lockFields(false);
    setMode(modes_.add);
    if (numberOpenWhileEditing_) setSttEditable(true, false);
    newRecordDefaults();
    homeField_->setFocus();
    // A value put in for the clerk (the outgoing type) is selected, so that typing replaces it.
    if (auto* box = qobject_cast<QLineEdit*>(homeField_)) box->selectAll();
}

void RecordForm::takeCarryOver()
{
    for (const QString& c : carryColumns_) carry_[c] = Data1->Value(c).toString();
}

std::function<void()> RecordForm::saveCheck(bool) { return {}; }

void RecordForm::typeChosen(const QString&) {}

bool RecordForm::write(bool adding)
{
    if (rows_) return rows_->Write(table_);
    setNormalDates();
    // A correction of a row not yet backed up (1) leaves it to be copied whole.
    const bool written = adding ? Data1->UpdateRecord(backupMarks(1), saveCheck(true))
                                : Data1->UpdateRecord(backupMarks(2), KeepingUncopiedMark(*Data1, table_, Data1->Value(QStringLiteral("id")).toLongLong(),
                                                                                          saveCheck(false)));
    if (!written) writeRefused();
    return written;
}

bool RecordForm::readyToSave() { return !rows_ || rows_->ReadyToSave(); }

void RecordForm::saved(bool, bool) {}

bool RecordForm::Save()
{
    // Nothing worth writing (settling the focused field may have been all there was): a new
    // record left empty is given up.
    auto nothingToWrite = [this] {
        if (Data1->IsNew()) Data1->CancelAdd();
        returnToViewing();
        if (afterSaveFocus_) afterSaveFocus_->setFocus();
        return true;
    };
    if (!editing() || !changed()) return nothingToWrite();
    if (!settleFocusedField()) return false;
    if (!changed()) return nothingToWrite();
    if (!requiredFilled() || !readyToSave()) return false;
    const bool adding = mode_ == modes_.add;
    const bool proposed = adding && mstt && Data1->IsNew() && !mstt->DataChanged;
    if (!write(adding)) return false;
    saved(adding, proposed);
    returnToViewing();
    if (afterSaveFocus_) afterSaveFocus_->setFocus();
    return true;
}

void RecordForm::Correct()
{
    if (mode_ == modes_.edit) {  // "Huỷ sửa": the record as the file holds it
        Data1->ClearChanged();
        returnToViewing();
        if (rows_) Data1->Requery();
        return;
    }
    if (mode_ == modes_.add) {
        app_.Message(QStringLiteral("Bạn phải nạp xong mới sửa được !"));
        notNowFocus_->setFocus();
        return;
    }
    if (mode_ == modes_.edit) {
        notNowFocus_->setFocus();
        return;
    }
    if (Data1->Count() == 0) {
        QApplication::beep();  // nothing to correct yet
        return;
    }
    if (rows_) {
        // Another clerk may have saved this row since it was read: the rights follow the file. A
        // row deleted meanwhile is not corrected (the register shows what the file holds now).
        const qlonglong shown = CurrentRowId(*Data1);
        Data1->Requery();
        showRights();
        if (!Cmdsua->isEnabled() || CurrentRowId(*Data1) != shown) {
            homeField_->setFocus();
            return;
        }
    }
    const long p = Data1->Position();
    if (p > 0 && p < Data1->Count()) {
        Data1->MovePrevious();
        takeCarryOver();
        Data1->MoveNext();
    } else {
        takeCarryOver();
    }
    correctionStarted();
    lockFields(false);
    setMode(modes_.edit);
    if (numberOpenWhileEditing_) setSttEditable(true, false);
    correctFocus_->setFocus();
}

bool RecordForm::ValidateLeaving()
{
    if (!editing()) return true;
    if (Data1->IsNew() || Data1->AnyChanged()) {
        const QString answer = KeepTypingQuestion(app_, *Data1);
        // A record that cannot be saved stays open, with the message that says why.
        if (answer == QLatin1String("yes")) return Save();
        if (answer != QLatin1String("no")) return false;  // no answer (Esc, the frame): back to the record
        if (Data1->IsNew()) Data1->CancelAdd();
        else Data1->ClearChanged();
    }
    returnToViewing();
    return true;
}

bool RecordForm::refusedWhileEditing(const Refusal& refusal)
{
    if (!editing()) return false;
    const QString& text = mode_ == modes_.add ? refusal.adding : refusal.correcting;
    if (!text.isEmpty()) app_.Message(text);
    homeField_->setFocus();
    return true;
}

void RecordForm::Delete()
{
    if (refusedWhileEditing(deleteRefused_)) return;
    const long p = Data1->Position(), n = Data1->Count();
    // Only an explicit "yes" deletes; "no", Esc and the dialog's frame keep the row.
    if (n > 0 && p >= 0 && p < n && mayChangeCurrent() &&
        app_.Message(QStringLiteral("Có thực sự muốn xoá bản ghi này không ?"), QStringLiteral("yesno")) == QLatin1String("yes"))
        deleteCurrent();
    homeField_->setFocus();
}

void RecordForm::GoToSearch()
{
    if (refusedWhileEditing(searchRefused_)) return;
    app_.CurrentDocId = CurrentRowId(*Data1);
    homeField_->setFocus();
    handOver(searchWindow_, searchMode_.isEmpty() ? mode_ : searchMode_);  // the search comes back here
}

void RecordForm::handOver(const QString& opener, const QString& mode)
{
    const auto it = app_.Openers.find(opener);
    if (it != app_.Openers.end()) handOver(mode, [this, open = it->second] { open(app_); });
}

void RecordForm::handOver(const QString& mode, const std::function<void()>& open)
{
    app_.FormMode = mode;
    hide();
    try {
        open();
    } catch (const engine::DbError& e) {
        app_.RecordFailure(e);
        app_.Message(QStringLiteral("Gặp lỗi khi đang mở cửa sổ.") + QLatin1Char('\r') + e.description());
        ComeBack(0);
    }
}

void RecordForm::ComeBack(qlonglong id)
{
    Data1->Requery();
    if (id > 0 && Data1->Count() > 0) {
        Data1->MoveLast();
        Data1->MoveFirst();
        Data1->FindBookmark(id);
    }
    ShowAgain();
}

void RecordForm::Print()
{
    homeField_->setFocus();
    openPrint();
}

void RecordForm::CloseRegister()
{
    if (closing_) return;
    if (finishWork()) close();
}

bool RecordForm::finishWork()
{
    if (!ValidateLeaving()) return false;
    closing_ = true;
    homeField_->setFocus();
    {
        BusyCursor busy;
        closing();
    }
    if (main_) main_->show();
    return true;
}

void RecordForm::ShowAgain()
{
    if (!editing()) setMode(modes_.view);  // a record being typed stays as the clerk left it
    app_.FormMode = mode_;
    App::Present(this);
    if (!editing()) homeField_->setFocus();
}

bool RecordForm::ReleaseData()
{
    if (closing_) return true;
    if (!ValidateLeaving()) return false;
    closing_ = true;
    BusyCursor busy;
    closing();
    return true;
}

void RecordForm::closeEvent(QCloseEvent* event)
{
    // Closed by the window frame: the same as "Kết thúc", in this close (a second close started
    // from inside this one would do nothing).
    if (!closing_ && !finishWork()) {
        event->ignore();
        return;
    }
    app_.FormMode.clear();
    event->accept();
}

// ---- Position box --------------------------------------------------------------------------

void RecordForm::showPosition() { ShowPosition(mrecnum, *Data1); }

void RecordForm::jumpToPosition()
{
    JumpToPosition(mrecnum, *Data1);
    homeField_->setFocus();
}

// ---- Keys and fields -----------------------------------------------------------------------

bool RecordForm::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::KeyRelease:
        if (widget == mrecnum) {
            if (KeyCodeOf(static_cast<QKeyEvent*>(event)) != KeyEnter || mrecnum->isReadOnly()) break;
            jumpToPosition();
            return true;
        }
        keyReleased(widget, static_cast<QKeyEvent*>(event));
        break;
    case QEvent::FocusIn:
        if (widget == mrecnum) QTimer::singleShot(0, mrecnum, &QLineEdit::selectAll);
        else fieldEntered(widget);
        break;
    case QEvent::FocusOut:
        fieldLeft(widget);
        break;
    case QEvent::KeyPress: {
        // Esc inside a pick grid or a field must reach the form's key handling, not close anything.
        const auto* press = static_cast<QKeyEvent*>(event);
        const int key = press->key();
        if (key == Qt::Key_Escape || key == Qt::Key_PageUp || key == Qt::Key_PageDown) return true;
        // Alt+Down opens the pick list beside its field, for those who keep their hands on the keys.
        if (key == Qt::Key_Down && (press->modifiers() & Qt::AltModifier) && editing())
            for (const DropList& d : dropLists_)
                if (d.field == widget) {
                    d.list->showPopup();
                    return true;
                }
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

bool RecordForm::registerKey(QWidget*, int, bool) { return false; }

bool RecordForm::fieldLeftExtra(QWidget* field) { return !rows_ || rows_->Checking() || rows_->FieldLeft(field); }

void RecordForm::fieldEntered(QWidget* field)
{
    if (rows_) rows_->FieldEntered(field);
}

void RecordForm::showGrid(DBGrid* grid, QWidget* field)
{
    grid->setGeometry(field->x(), field->y() + field->height(), std::max(field->width(), 360), 180);
    grid->show();
    grid->raise();
    grid->setFocus();
    if (grid->model() && grid->model()->rowCount() > 0) grid->selectRow(0);
}

void RecordForm::keyReleased(QWidget* field, QKeyEvent* event)
{
    const int code = KeyCodeOf(event);
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    auto* box = qobject_cast<QLineEdit*>(field);
    if (code == KeyF1 + 6) {  // F7: what a refused save held back goes into the fields again
        if (editing()) Data1->RestoreTyped();
        return;
    }
    if (code == KeyPageUp || code == KeyPageDown) {
        if (rows_ && editing()) return;
        if (!ValidateLeaving()) return;
        const long p = Data1->Position(), n = Data1->Count();
        if (mode_ != modes_.view) return;
        if (code == KeyPageUp && p >= 1 && p < n) Data1->MovePrevious();
        if (code == KeyPageDown && p >= 0 && p + 1 < n) Data1->MoveNext();
        return;
    }
    if (code == KeyEscape) {
        for (const Pick& p : picks_)
            if (p.grid->isVisible()) {
                p.field->setFocus();
                return;
            }
        if (editing()) ValidateLeaving();
        return;
    }
    if (!editing()) return;  // a locked record: no key changes what it shows
    if (registerKey(field, code, shift) || (rows_ && rows_->KeyReleased(field, code, shift))) return;
    if (code == KeyF1 + 3) {  // F4
        if (box && !box->isReadOnly()) box->clear();
        else if (auto* t = qobject_cast<QPlainTextEdit*>(field); t && !t->isReadOnly()) t->clear();
        return;
    }
    if (code == KeyF1 + 4) {  // F5
        for (const Pick& p : picks_)
            if (field == p.field) {
                showGrid(p.grid, field);
                return;
            }
        for (const DateBox& d : dates_)
            if (field == d.box) {
                stepDate(d.box, shift ? -1 : 1);
                return;
            }
        return;
    }
    if (code == KeyF1 + 5) {  // F6
        if (auto* bound = dynamic_cast<BoundField*>(field); bound && carryColumns_.contains(bound->DataField)) {
            const auto it = carry_.find(bound->DataField);
            const QString value = it == carry_.end() ? QString() : it->second;
            // An empty carry-over value would only wipe out what was typed, except in the registers of
            // saved rows, where F6 gives it as it is.
            if (value.isEmpty() && !rows_) QApplication::beep();
            else if (box) box->setText(value);
            else if (auto* t = qobject_cast<QPlainTextEdit*>(field)) t->setPlainText(value);
        }
        return;
    }
    for (const Expansion& e : expansions_)
        if (e.field == field && e.onKeys) {
            if (engine::Recordset* list = e.list()) ExpandAbbreviation(field, code, *list, e.column);
            return;
        }
}

void RecordForm::stepDate(BoundLineEdit* box, int delta)
{
    if (box->text().trimmed().isEmpty()) {
        box->setText(DisplayDate(app_.Today(), app_.Months));
        return;
    }
    const QString date = SteppedDate(box->text(), delta, app_.Months, app_.Today().year());
    if (!date.isEmpty()) box->setText(date);
}

bool RecordForm::fieldLeft(QWidget* field)
{
    if (closing_) return true;
    for (const DateBox& d : dates_)
        if (field == d.box) return checkingDate_ || d.box->isReadOnly() || checkDate(d.box);
    if (mstt && field == mstt && !mstt->isReadOnly()) {
        setSttEditable(false, false);
        return true;
    }
    if (!editing()) return true;
    for (const Expansion& e : expansions_)
        if (e.field == field && e.onLeave) {
            if (engine::Recordset* list = e.list()) ExpandAbbreviation(field, KeyLeave, *list, e.column);
            break;
        }
    return fieldLeftExtra(field);
}

void RecordForm::pick(const Pick& p, int row)
{
    if (!editing()) return;
    const QString name = p.grid->Model()->Field(row, QStringLiteral("tendonvi")).toString();
    p.field->setText(p.field->text().trimmed().isEmpty() ? name : p.field->text() + QStringLiteral(", ") + name);
    if (p.focusAfter) p.focusAfter->setFocus();
}

}  // namespace korvane
